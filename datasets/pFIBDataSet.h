#pragma once
// TpFIBDataSet: the dataset the application uses. It adds to TFIBDataSet the automatic
// modification SQL, the generator, the update objects and the client filter, which later
// units of this module fill in.

#include "datasets/FIBDataSet.h"

namespace ordvane {

class TpFIBDataSet : public TFIBDataSet {
  ORDVANE_CLASS(TpFIBDataSet, TFIBDataSet)

 public:
  explicit TpFIBDataSet(TComponent* owner);
};

}  // namespace ordvane
