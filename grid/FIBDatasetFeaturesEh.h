#pragma once
// The features of the Firebird dataset for the grid: filtering and sorting either in the
// dataset's memory or by rewriting its select text. The only grid unit that knows the
// datasets; its start files the features under TpFIBDataSet and publishes the dataset's
// "SelectSQL" to the rewriting.

#include "grid/DbUtilsEh.h"

namespace ordvane {

class TpFIBDatasetFeaturesEh : public TDatasetFeaturesEh {
  ORDVANE_CLASS(TpFIBDatasetFeaturesEh, TDatasetFeaturesEh)

 public:
  // STFilter.Local: the dataset's Filter; otherwise the select text's marker line.
  void ApplyFilter(TCustomDBGridEh& grid, TDataSet* dataSet, bool isReopen) override;
  // SortLocal: the records sorted in memory; otherwise the select text's ORDER BY line.
  void ApplySorting(TCustomDBGridEh& grid, TDataSet* dataSet, bool isReopen) override;
};

}  // namespace ordvane
