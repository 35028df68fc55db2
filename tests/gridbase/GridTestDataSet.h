#pragma once
// The in-memory dataset as the grid's units meet datasets: one that may say it cannot
// number its records, that counts its bookmark comparisons, and that publishes a
// "MasterSource" property as a detail dataset does.

#include "classlib/core/PublishedProps.h"
#include "classlib/db/DataSource.h"
#include "tests/support/MemDataSet.h"

namespace ordvane::test {

class TGridTestDataSet : public TMemDataSet {
  ORDVANE_CLASS(TGridTestDataSet, TMemDataSet)

 public:
  using TMemDataSet::TMemDataSet;

  bool IsSequenced() override { return sequenced; }
  int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override {
    ++comparisons;
    return TMemDataSet::CompareBookmarks(bookmark1, bookmark2);
  }

  bool sequenced = true;
  int comparisons = 0;
  TDataSource* masterSource = nullptr;
};

inline const bool gMasterSourceRegistered =
    (RegisterObjectProperty<TGridTestDataSet>("MasterSource",
                                              [](const TGridTestDataSet& d) { return d.masterSource; }),
     true);

}  // namespace ordvane::test
