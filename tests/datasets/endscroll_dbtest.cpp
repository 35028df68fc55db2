// The end of a burst of scrolls on the virtual clock: OnEndScroll fires once, 300 ms after
// the last scroll of the burst, whatever moved the dataset; a dataset without the handler
// holds no timer.

#include <gtest/gtest.h>

#include "tests/datasets/SortingSupport.h"
#include "tests/support/VirtualTime.h"

namespace ordvane::test {
namespace {

class EndScrollTest : public PersonsTest {
 protected:
  EndScrollTest() { fDataSet->OnEndScroll = TNotifyEvent([this](TObject* sender) { fEnds.push_back(sender); }); }
  VirtualTime fTime;
  std::vector<TObject*> fEnds;
};

TEST_F(EndScrollTest, ABurstOfScrollsEndsOnceAfterItsLastScroll) {
  Open("select id from p order by id");
  fTime.Advance(1000);
  fEnds.clear();
  for (int move = 0; move < 5; ++move) {
    fDataSet->Next();
    fTime.Advance(299);
  }
  fDataSet->Last();
  fDataSet->Locate("ID", Variant(3), {});
  fTime.Advance(299);
  EXPECT_TRUE(fEnds.empty()) << "ended before the dataset rested 300 ms";
  fTime.Advance(1);
  ASSERT_EQ(fEnds.size(), 1u);
  EXPECT_EQ(fEnds.front(), fDataSet);
  EXPECT_EQ(fDataSet->EndScrollTimer()->Interval(), fDataSet->ScrollTimerInterval());
  fTime.Advance(5000);
  EXPECT_EQ(fEnds.size(), 1u);
  // The scroll events a dataset keeps to itself end nothing.
  fDataSet->FetchAll();
  fTime.Advance(1000);
  EXPECT_EQ(fEnds.size(), 1u);
  fDataSet->Prior();
  fTime.Advance(300);
  EXPECT_EQ(fEnds.size(), 2u);
}

TEST_F(EndScrollTest, ClosingEndsTheWaitWithoutAnEnd) {
  Open("select id from p order by id");
  fTime.Advance(1000);
  fEnds.clear();
  fDataSet->Next();
  fDataSet->Close();
  fTime.Advance(1000);
  EXPECT_TRUE(fEnds.empty()) << "the scrolling of a closed dataset ended";
}

TEST_F(EndScrollTest, NoHandlerNoTimer) {
  fDataSet->OnEndScroll = {};
  Open("select id from p order by id");
  fDataSet->Next();
  EXPECT_EQ(fDataSet->EndScrollTimer(), nullptr);
}

}  // namespace
}  // namespace ordvane::test
