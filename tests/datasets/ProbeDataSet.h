#pragma once
// A Firebird dataset that opens but fetches nothing by itself (GetRecord answers end of
// data): the tests of the layout fetch rows into the cache by hand and read the cached
// records back.

#include "datasets/pFIBDataSet.h"

namespace ordvane::test {

class TProbeDataSet : public TpFIBDataSet {
  ORDVANE_CLASS(TProbeDataSet, TpFIBDataSet)

 public:
  using TpFIBDataSet::TpFIBDataSet;

 protected:
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode, bool) override {
    SetBookmarkFlag(buffer, bfEOF);
    return grEOF;
  }
};

}  // namespace ordvane::test
