#include "datasets/pFIBDataSet.h"

namespace ordvane {

TpFIBDataSet::TpFIBDataSet(TComponent* owner) : TFIBDataSet(owner) {}

}  // namespace ordvane
