#include "datasets/pFIBDataSet.h"

#include "datasets/FIBMetaCache.h"

namespace ordvane {

TpFIBDataSet::TpFIBDataSet(TComponent* owner) : TFIBDataSet(owner) {}

void TpFIBDataSet::SetDataSet_ID(Integer value) {
  if (value == fDataSetID) return;
  fDataSetID = value;
  Unprepare();
  if (value != 0) SetPrepareOptions(PrepareOptions() + TpPrepareOptions{psApplyRepositary});
}

void TpFIBDataSet::Prepare() {
  if (fDataSetID != 0) FIBDataSetInfoCollect().ApplyToDataSet(*this);
  TFIBDataSet::Prepare();
}

}  // namespace ordvane
