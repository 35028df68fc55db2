#pragma once
// The features of the Firebird dataset for the grid: filtering and sorting either in the
// dataset's memory or by rewriting its select text, and records moved in its memory. The
// only grid unit that knows the datasets; its start files the features under TpFIBDataSet
// and publishes the dataset's "SelectSQL" to the rewriting.

#include "grid/DbUtilsEh.h"

namespace ordvane {

class TpFIBDatasetFeaturesEh : public TDatasetFeaturesEh {
  ORDVANE_CLASS(TpFIBDatasetFeaturesEh, TDatasetFeaturesEh)

 public:
  // STFilter.Local: the dataset's Filter; otherwise the select text's marker line.
  void ApplyFilter(TCustomDBGridEh& grid, TDataSet* dataSet, bool isReopen) override;
  // SortLocal: the records sorted in memory; otherwise the select text's ORDER BY line.
  void ApplySorting(TCustomDBGridEh& grid, TDataSet* dataSet, bool isReopen) override;
  // The records move in the dataset's cache only: the server keeps no order of rows, and
  // deleting a row there to write it again would lose what the dataset does not hold
  // (columns without a field), fire the table's triggers and follow its cascades.
  bool MoveRecords(TCustomDBGridEh& grid, const std::vector<TBookmarkStr>& bookmarks, int toRecNo,
                   bool checkOnly) override;
};

}  // namespace ordvane
