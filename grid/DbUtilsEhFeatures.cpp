// DbUtilsEh: the features registry, the base features class with the generic text
// search and record moving, and the grid library's data service.

#include <exception>
#include <limits>
#include <utility>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"
#include "classlib/db/DataSet.h"
#include "grid/DBGridEh.h"
#include "grid/DbUtilsEh.h"

namespace ordvane {

namespace {

struct TFeaturesEntry {
  AnsiString className;
  std::unique_ptr<TDatasetFeaturesEh> features;
};

// Made on first use, so that it exists before any unit's start registers into it.
std::vector<TFeaturesEntry>& FeaturesRegistry() {
  static std::vector<TFeaturesEntry> registry;
  return registry;
}

// ---- Text search

// The columns a search tests and the one it starts with.
struct TSearchColumns {
  std::vector<TColumnEh*> columns;
  std::size_t start = 0;
};

TSearchColumns ColumnsToSearch(TCustomDBGridEh& grid, const AnsiString& fieldName, bool allColumns) {
  const TColumnsEhList& visible = grid.VisibleColumns();
  const int selected = grid.SelectedIndex();
  TColumnEh* current = selected >= 0 ? grid.Columns().Items(selected) : nullptr;
  TSearchColumns search;
  for (int i = 0; i < visible.Count(); ++i) {
    TColumnEh* column = visible.Items(i);
    const bool named = !fieldName.empty() && SameText(column->FieldName(), fieldName);
    if (allColumns) {
      if (column == current) search.start = search.columns.size();
      search.columns.push_back(column);
    } else if (named) {
      search.columns.assign(1, column);
      return search;
    }
  }
  if (!allColumns) {
    TColumnEh* only =
        fieldName.empty() && current != nullptr && current->Visible() ? current : visible.Items(0);
    search.columns.assign(1, only);
  }
  return search;
}

class TTextMatcher {
 public:
  TTextMatcher(const AnsiString& text, TLocateTextOptionsEh options, TLocateTextMatchingEh matching)
      : fIgnoreCase(options.Contains(ltoCaseInsensitiveEh)),
        fDisplayText(options.Contains(ltoMatchFormatEh)),
        fMatching(matching),
        fText(fIgnoreCase ? AnsiUpperCase(text) : text) {}

  bool Matches(TColumnEh& column) const {
    AnsiString value;
    if (fDisplayText) {
      value = column.GetDisplayText();
    } else if (TField* field = column.Field()) {
      value = field->AsString();
    }
    if (fIgnoreCase) value = AnsiUpperCase(value);
    switch (fMatching) {
      case ltmWholeEh:
        return value == fText;
      case ltmFromBeginingEh:
        return value.compare(0, fText.size(), fText) == 0;
      default:
        return value.find(fText) != AnsiString::npos;
    }
  }

 private:
  bool fIgnoreCase;
  bool fDisplayText;
  TLocateTextMatchingEh fMatching;
  AnsiString fText;
};

// ---- Record moving

struct TSavedRecord {
  TBookmarkStr bookmark;
  std::vector<Variant> values;
  bool selected = false;
  bool deleted = false;
  bool written = false;
};

AnsiString SavedRecordText(const TSavedRecord& record) {
  AnsiString text;
  for (const Variant& value : record.values) {
    if (!text.empty()) text += ", ";
    text += VarToStr(value);
  }
  return "(" + text + ")";
}

// Moves the saved records of one MoveRecords call; on a failure puts back what it can and
// raises the first error, naming every record it could not write again.
class TRecordMover {
 public:
  TRecordMover(TCustomDBGridEh& grid, TDataSet& dataSet) : fGrid(grid), fDataSet(dataSet) {}

  void Move(const std::vector<TBookmarkStr>& bookmarks, int toRecNo) {
    const bool appendMode = fDataSet.RecordCount() <= toRecNo;
    const int target = RecordMoveTargetEh(fDataSet, bookmarks, toRecNo);
    for (const TBookmarkStr& bookmark : bookmarks) {
      fDataSet.GotoBookmark(bookmark);
      fRecords.push_back(SaveCurrent(bookmark));
    }
    try {
      for (TSavedRecord& record : fRecords) {
        fDataSet.GotoBookmark(record.bookmark);
        fDataSet.Delete();
        record.deleted = true;
      }
      // In their own order: the block keeps its order at its new place.
      bool first = true;
      for (TSavedRecord& record : fRecords) {
        if (appendMode) {
          fDataSet.Append();
        } else {
          if (first)
            fDataSet.SetRecNo(target);
          else
            fDataSet.Next();
          fDataSet.Insert();
        }
        first = false;
        WriteBack(record);
      }
    } catch (...) {
      const std::exception_ptr error = std::current_exception();
      CancelPending();
      AppendUnwritten();
      RaiseWithUnwritten(error);
    }
  }

 private:
  TSavedRecord SaveCurrent(const TBookmarkStr& bookmark) {
    TSavedRecord record;
    record.bookmark = bookmark;
    for (int i = 0; i < fDataSet.Fields().Count(); ++i)
      record.values.push_back(fDataSet.Fields()[i]->Value());
    TBookmarkListEh& selectedRows = fGrid.SelectedRows();
    record.selected = selectedRows.GetCurrentRowSelected();
    if (record.selected) selectedRows.SetCurrentRowSelected(false);
    return record;
  }

  // Fills the inserted or appended record, posts it and selects it again when it was.
  void WriteBack(TSavedRecord& record) {
    for (int i = 0; i < fDataSet.Fields().Count(); ++i) {
      TField* field = fDataSet.Fields()[i];
      if (field->FieldKind() == fkData && field->CanModify()) field->SetValue(record.values[i]);
    }
    fDataSet.Post();
    record.written = true;
    if (record.selected) fGrid.SelectedRows().SetCurrentRowSelected(true);
  }

  void CancelPending() {
    if (fDataSet.State() == dsInsert || fDataSet.State() == dsEdit) fDataSet.Cancel();
  }

  // Each deleted record not yet back, appended on its own: one that fails stays out.
  void AppendUnwritten() {
    for (TSavedRecord& record : fRecords) {
      if (!record.deleted || record.written) continue;
      try {
        fDataSet.Append();
        WriteBack(record);
      } catch (...) {
        CancelPending();
      }
    }
  }

  [[noreturn]] void RaiseWithUnwritten(const std::exception_ptr& error) {
    AnsiString lost;
    for (const TSavedRecord& record : fRecords)
      if (record.deleted && !record.written) lost += "\nRecord not written: " + SavedRecordText(record);
    if (lost.empty()) std::rethrow_exception(error);
    try {
      std::rethrow_exception(error);
    } catch (Exception& e) {
      e.SetMessage(e.Message() + lost);
      throw;
    } catch (const std::exception& e) {
      throw Exception(e.what() + lost);
    }
  }

  TCustomDBGridEh& fGrid;
  TDataSet& fDataSet;
  std::vector<TSavedRecord> fRecords;
};

}  // namespace

// ---- Shared by the grid units ---------------------------------------------------------------

TDataSet* GridDataSetEh(TCustomDBGridEh& grid) {
  return grid.DataSource() != nullptr ? grid.DataSource()->DataSet() : nullptr;
}

namespace {

TDataSet& WithEditorTextWritten(TDataSet& dataSet) {
  if (dataSet.State() == dsEdit || dataSet.State() == dsInsert) dataSet.UpdateRecord();
  return dataSet;
}

}  // namespace

// Disabled before the ending exists: a failing disable (or editor text the field refuses)
// enables nothing.
TControlsDisabledScopeEh::TControlsDisabledScopeEh(TDataSet& dataSet)
    : fEnd((WithEditorTextWritten(dataSet).DisableControls(), TEnable{&dataSet})) {}

void TControlsDisabledScopeEh::TEnable::operator()() const {
  dataSet->EnableControls();
}

int RecordMoveTargetEh(TDataSet& dataSet, const std::vector<TBookmarkStr>& bookmarks, int toRecNo) {
  if (dataSet.RecordCount() <= toRecNo) return dataSet.RecordCount() - static_cast<int>(bookmarks.size()) + 1;
  int target = toRecNo;
  for (std::size_t i = 1; i < bookmarks.size(); ++i) {
    dataSet.GotoBookmark(bookmarks[i]);
    if (dataSet.RecNo() < target) --target;
  }
  return target;
}

// ---- Registry ------------------------------------------------------------------------------

void RegisterDatasetFeaturesEh(const TDatasetFeaturesEhFactory& create, TClass dataSetClass) {
  std::unique_ptr<TDatasetFeaturesEh> features = create();
  features->SetDataSetClass(dataSetClass);
  if (dataSetClass == nullptr) return;
  const AnsiString name = dataSetClass->ClassName();
  for (TFeaturesEntry& entry : FeaturesRegistry()) {
    if (entry.className == name) {
      entry.features = std::move(features);
      return;
    }
  }
  FeaturesRegistry().push_back({name, std::move(features)});
}

TDatasetFeaturesEh* GetDatasetFeaturesEh(const TDataSet* dataSet) {
  if (dataSet == nullptr) return nullptr;
  TDatasetFeaturesEh* best = nullptr;
  int bestDistance = std::numeric_limits<int>::max();
  for (const TFeaturesEntry& entry : FeaturesRegistry()) {
    if (!dataSet->InheritsFrom(entry.features->DataSetClass())) continue;
    const AnsiString wanted = UpperCase(entry.className);
    int distance = 0;
    for (TClass cls = dataSet->ClassType(); cls != nullptr && UpperCase(cls->ClassName()) != wanted;
         cls = cls->ClassParent())
      ++distance;
    if (distance < bestDistance) {
      best = entry.features.get();
      bestDistance = distance;
    }
  }
  return best;
}

TExecuteFindDialogProcEh& ExecuteDBGridEhFindDialogProc() {
  static TExecuteFindDialogProcEh proc;
  return proc;
}

// ---- Text search -----------------------------------------------------------------------------

bool LocateTextInGrid(TCustomDBGridEh& grid, const AnsiString& fieldName, const AnsiString& text,
                      TLocateTextOptionsEh options, TLocateTextDirectionEh direction,
                      TLocateTextMatchingEh matching) {
  TDataSet* dataSet = GridDataSetEh(grid);
  if (dataSet == nullptr || !dataSet->Active() || dataSet->IsEmpty() || grid.VisibleColumns().Count() == 0)
    return false;
  const bool allColumns = options.Contains(ltoAllFieldsEh);
  const TSearchColumns search = ColumnsToSearch(grid, fieldName, allColumns);
  const TTextMatcher matcher(text, options, matching);
  const int moveBy = direction == ltdUpEh ? -1 : 1;
  std::size_t column = search.start;
  // One cell further; false at the end of the data, so no record is tested twice.
  const auto step = [&] {
    if (allColumns) {
      if (++column < search.columns.size()) return true;
      column = 0;
    }
    return dataSet->MoveBy(moveBy) != 0;
  };

  TColumnEh* found = nullptr;
  {
    const TControlsDisabledScopeEh disabled(*dataSet);
    grid.SavePosition();
    bool more = true;
    if (direction == ltdAllEh) {
      dataSet->First();
      column = 0;
    } else {
      more = step();
    }
    while (more && found == nullptr) {
      if (matcher.Matches(*search.columns[column]))
        found = search.columns[column];
      else
        more = step();
    }
    if (found == nullptr) grid.RestorePosition();
  }
  if (found == nullptr) return false;
  grid.SetSelectedIndex(found->Index());
  return true;
}

// ---- TDatasetFeaturesEh --------------------------------------------------------------------

bool TDatasetFeaturesEh::LocateText(TCustomDBGridEh& grid, const AnsiString& fieldName,
                                    const AnsiString& text, TLocateTextOptionsEh options,
                                    TLocateTextDirectionEh direction, TLocateTextMatchingEh matching,
                                    TLocateTextTreeFindRangeEh /*treeFindRange*/) {
  return LocateTextInGrid(grid, fieldName, text, options, direction, matching);
}

bool TDatasetFeaturesEh::MoveRecords(TCustomDBGridEh& grid, const std::vector<TBookmarkStr>& bookmarks,
                                     int toRecNo, bool checkOnly) {
  TDataSet* dataSet = GridDataSetEh(grid);
  if (dataSet == nullptr) return false;
  const bool sequenced = dataSet->IsSequenced();
  if (checkOnly || !sequenced) return sequenced;
  const TControlsDisabledScopeEh disabled(*dataSet);
  TRecordMover(grid, *dataSet).Move(bookmarks, toRecNo);
  return true;
}

void TDatasetFeaturesEh::ApplySorting(TCustomDBGridEh& /*grid*/, TDataSet* /*dataSet*/, bool /*isReopen*/) {}

void TDatasetFeaturesEh::ApplyFilter(TCustomDBGridEh& /*grid*/, TDataSet* /*dataSet*/, bool /*isReopen*/) {}

void TDatasetFeaturesEh::ExecuteFindDialog(TCustomDBGridEh& grid, const AnsiString& text,
                                           const AnsiString& fieldName, bool modal) {
  TExecuteFindDialogProcEh& proc = ExecuteDBGridEhFindDialogProc();
  if (proc && dynamic_cast<TDBGridEh*>(&grid) != nullptr) proc(grid, text, fieldName, modal);
}

// ---- TDBGridEhDataService ------------------------------------------------------------------

TDBGridEhDataService& DBGridEhDataService() {
  static TDBGridEhDataService service;
  return service;
}

void TDBGridEhDataService::ApplySorting(TCustomDBGridEh& grid) {
  if (OnApplySorting) return OnApplySorting(grid);
  TDataSet* dataSet = GridDataSetEh(grid);
  if (TDatasetFeaturesEh* features = GetDatasetFeaturesEh(dataSet))
    features->ApplySorting(grid, dataSet, true);
}

void TDBGridEhDataService::ApplyFilter(TCustomDBGridEh& grid) {
  if (OnApplyFilter) return OnApplyFilter(grid);
  TDataSet* dataSet = GridDataSetEh(grid);
  if (TDatasetFeaturesEh* features = GetDatasetFeaturesEh(dataSet))
    features->ApplyFilter(grid, dataSet, true);
}

bool TDBGridEhDataService::LocateText(TCustomDBGridEh& grid, const AnsiString& fieldName,
                                      const AnsiString& text, TLocateTextOptionsEh options,
                                      TLocateTextDirectionEh direction, TLocateTextMatchingEh matching,
                                      TLocateTextTreeFindRangeEh treeFindRange) {
  if (TDatasetFeaturesEh* features = GetDatasetFeaturesEh(GridDataSetEh(grid)))
    return features->LocateText(grid, fieldName, text, options, direction, matching, treeFindRange);
  return LocateTextInGrid(grid, fieldName, text, options, direction, matching);
}

bool TDBGridEhDataService::MoveRecords(TCustomDBGridEh& grid, const std::vector<TBookmarkStr>& bookmarks,
                                       int toRecNo, int /*treeLevel*/, bool checkOnly) {
  TDatasetFeaturesEh* features = GetDatasetFeaturesEh(GridDataSetEh(grid));
  return features != nullptr && features->MoveRecords(grid, bookmarks, toRecNo, checkOnly);
}

void TDBGridEhDataService::ExecuteFindDialog(TCustomDBGridEh& grid, const AnsiString& text,
                                             const AnsiString& fieldName, bool modal) {
  if (TDatasetFeaturesEh* features = GetDatasetFeaturesEh(GridDataSetEh(grid)))
    return features->ExecuteFindDialog(grid, text, fieldName, modal);
  if (ExecuteDBGridEhFindDialogProc()) ExecuteDBGridEhFindDialogProc()(grid, text, fieldName, modal);
}

}  // namespace ordvane
