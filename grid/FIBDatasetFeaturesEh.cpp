// FIBDatasetFeaturesEh: the Firebird dataset's features and their registration.

#include "grid/FIBDatasetFeaturesEh.h"

#include <algorithm>

#include "classlib/core/PublishedProps.h"
#include "classlib/core/StringLists.h"
#include "datasets/pFIBDataSet.h"
#include "grid/DBGridEh.h"

namespace ordvane {

void TpFIBDatasetFeaturesEh::ApplyFilter(TCustomDBGridEh& grid, TDataSet* dataSet, bool isReopen) {
  if (!grid.STFilter().Local()) return ApplyFilterToSQL(grid, nullptr, isReopen, "SelectSQL");
  TSTFilterBuildOptionsEh options;
  options.ConditionText = LocalConditionText;
  options.LikeSupported = true;
  options.UseOrigin = false;
  const AnsiString filter = BuildLocalFilterText(grid, options);
  dataSet->SetFilter(filter);
  // A cleared filter row filters nothing: the dataset numbers its records again (a
  // filtered one does not), unless it still filters by its own handler.
  dataSet->SetFiltered(!filter.empty() || static_cast<bool>(dataSet->OnFilterRecord));
}

void TpFIBDatasetFeaturesEh::ApplySorting(TCustomDBGridEh& grid, TDataSet* dataSet, bool isReopen) {
  auto* fibDataSet = dynamic_cast<TFIBCustomDataSet*>(dataSet);
  if (!grid.SortLocal() || fibDataSet == nullptr)
    return ApplySortingToSQL(grid, dataSet, true, "SelectSQL", isReopen);
  TStringList fieldNames;
  std::vector<bool> ascending;
  TColumnsEhList& sorted = grid.SortMarkedColumns();
  for (int i = 0; i < sorted.Count(); ++i) {
    fieldNames.Add(sorted.Items(i)->FieldName());
    ascending.push_back(sorted.Items(i)->Title().SortMarker() == smDownEh);
  }
  fibDataSet->SortByFieldNames(fieldNames, ascending);
}

namespace {

// The bookmark of the record, among those that stay, numbered `target`; empty past them.
TBookmarkStr StayingRecord(TFIBCustomDataSet& dataSet, const std::vector<TBookmarkStr>& moved, int target) {
  std::vector<int> movedRecNos;
  for (const TBookmarkStr& bookmark : moved) {
    dataSet.GotoBookmark(bookmark);
    movedRecNos.push_back(dataSet.RecNo());
  }
  std::sort(movedRecNos.begin(), movedRecNos.end());
  int recNo = target;
  for (const int movedRecNo : movedRecNos)
    if (movedRecNo <= recNo) ++recNo;
  if (recNo > dataSet.RecordCount()) return {};
  dataSet.SetRecNo(recNo);
  return dataSet.Bookmark();
}

Integer CachePositionOf(TFIBCustomDataSet& dataSet, const TBookmarkStr& bookmark) {
  dataSet.GotoBookmark(bookmark);
  return dataSet.CachePosition();
}

}  // namespace

bool TpFIBDatasetFeaturesEh::MoveRecords(TCustomDBGridEh& grid, const std::vector<TBookmarkStr>& bookmarks,
                                         int toRecNo, bool checkOnly) {
  auto* dataSet = dynamic_cast<TFIBCustomDataSet*>(GridDataSetEh(grid));
  if (dataSet == nullptr || checkOnly || !dataSet->IsSequenced())
    return TDatasetFeaturesEh::MoveRecords(grid, bookmarks, toRecNo, checkOnly);
  const TControlsDisabledScopeEh disabled(*dataSet);
  const TBookmarkStr before =
      StayingRecord(*dataSet, bookmarks, RecordMoveTargetEh(*dataSet, bookmarks, toRecNo));
  // In their own order, each after the one before: the block keeps its order.
  for (const TBookmarkStr& bookmark : bookmarks) {
    const Integer from = CachePositionOf(*dataSet, bookmark);
    Integer to = 0;
    if (before.empty()) {
      dataSet->FetchAll();
      to = dataSet->FetchedCount();
    } else {
      const Integer at = CachePositionOf(*dataSet, before);
      to = from < at ? at - 1 : at;
    }
    dataSet->MoveRecord(from, to);
  }
  return true;
}

namespace {

bool StartFIBDatasetFeatures() {
  // The select text, as the rewriting reads and writes it by name.
  RegisterStringsProperty<TFIBCustomDataSet>("SelectSQL", [](const TFIBCustomDataSet& dataSet) {
    return &const_cast<TFIBCustomDataSet&>(dataSet).SelectSQL();
  });
  RegisterDatasetFeaturesEh<TpFIBDatasetFeaturesEh>(TpFIBDataSet::StaticClass());
  return true;
}

}  // namespace

// The grid library's link options name this symbol, so every program that links the grid
// links this unit, and with it the start below. Only a lack of memory can fail the start,
// which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
extern "C" const bool ordvane_FIBDatasetFeaturesEh_started = StartFIBDatasetFeatures();

}  // namespace ordvane
