// Opening, closing and scrolling a dataset: the exact order of protocol calls, events and
// data-link notifications that the datasets and controls rely on.

#include <gtest/gtest.h>

#include <limits>

#include "tests/classlib/DataSetLog.h"
#include "tests/classlib/Support.h"

namespace ordvane::test {
namespace {

class BrowseTest : public ::testing::Test {
 protected:
  // A closed dataset of `rows` rows with a link of the given buffer count.
  void Prepare(int rows, int linkBuffers) {
    FillNumbered(data, rows);
    data.Close();
    source.SetDataSet(&data);
    link.SetDataSource(&source);
    link.SetBufferCount(linkBuffers);
    log.clear();
  }

  TLog log;
  TLoggingDataSet data{nullptr, &log};
  TDataSource source{nullptr};
  TLoggingLink link{&log, "link"};
};

TEST_F(BrowseTest, OpenFillsTheWindowBeforeTheLinksAndTheAfterEvents) {
  Prepare(5, 3);
  data.Open();
  EXPECT_EQ(log, (TLog{"BeforeOpen", "InternalOpen", "GetRecord(Next)=OK", "GetRecord(Next)=OK",
                       "GetRecord(Next)=OK", "link: ActiveChanged on", "link: DataSetChanged", "AfterOpen",
                       "AfterScroll"}));
  EXPECT_EQ(data.BufferCount(), 3);
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(data.Bof());
  EXPECT_FALSE(data.Eof());
}

TEST_F(BrowseTest, OpenOfFewerRowsThanBuffersStopsAtTheEndWithoutLookingBack) {
  Prepare(2, 3);
  data.Open();
  EXPECT_EQ(log, (TLog{"BeforeOpen", "InternalOpen", "GetRecord(Next)=OK", "GetRecord(Next)=OK",
                       "GetRecord(Next)=EOF", "link: ActiveChanged on", "link: DataSetChanged", "AfterOpen",
                       "AfterScroll"}));
  EXPECT_EQ(link.RecordCount(), 2);
}

TEST_F(BrowseTest, AnEmptyDatasetOpensWithoutAfterScroll) {
  Prepare(0, 1);
  data.Open();
  EXPECT_EQ(log, (TLog{"BeforeOpen", "InternalOpen", "GetRecord(Next)=EOF", "link: ActiveChanged on",
                       "link: DataSetChanged", "AfterOpen"}));
  EXPECT_TRUE(data.IsEmpty());
  EXPECT_TRUE(data.Bof());
  EXPECT_TRUE(data.Eof());
  EXPECT_EQ(data.Bookmark(), "");
}

TEST_F(BrowseTest, CloseTellsTheLinksBeforeTheCursorCloses) {
  Prepare(3, 2);
  data.Open();
  log.clear();
  data.Close();
  EXPECT_EQ(log, (TLog{"BeforeClose", "link: ActiveChanged off", "InternalClose", "AfterClose"}));
  EXPECT_EQ(data.State(), dsInactive);
  EXPECT_EQ(data.BufferCount(), 0);
  EXPECT_EQ(data.FieldCount(), 0) << "default fields go with the cursor";
}

// A dataset whose cursor cannot be opened.
class TFailingOpenDataSet : public TLoggingDataSet {
 public:
  using TLoggingDataSet::TLoggingDataSet;

 protected:
  void InternalOpen() override {
    TLoggingDataSet::InternalOpen();
    DatabaseError("cannot open");
  }
};

TEST_F(BrowseTest, AFailedOpenClosesTheCursorAndPassesTheErrorOn) {
  TFailingOpenDataSet failing(nullptr, &log);
  failing.FieldDefs().Add("ID", ftInteger);
  source.SetDataSet(&failing);
  link.SetDataSource(&source);
  log.clear();
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { failing.Open(); }), "cannot open");
  EXPECT_EQ(log, (TLog{"BeforeOpen", "InternalOpen", "InternalClose"}));
  EXPECT_FALSE(failing.Active());
  EXPECT_EQ(failing.State(), dsInactive);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(source.State(), dsInactive);
}

TEST_F(BrowseTest, MovingInsideTheWindowFetchesNothing) {
  Prepare(10, 3);
  data.Open();
  log.clear();
  EXPECT_EQ(data.MoveBy(2), 2);
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeScroll", "link: DataSetScrolled 0", "AfterScroll"}));
  EXPECT_EQ(link.ActiveRecord(), 2);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 3);
}

TEST_F(BrowseTest, MovingPastTheLastBufferShiftsTheWindow) {
  Prepare(10, 3);
  data.Open();
  data.MoveBy(2);
  log.clear();
  // Two records come in at the end; the buffers moved by -2, so the link's window moved
  // two records on.
  EXPECT_EQ(data.MoveBy(2), 2);
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeScroll", "GetRecord(Next)=OK", "GetRecord(Next)=OK",
                       "link: DataSetScrolled 2", "AfterScroll"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(link.ActiveRecord(), 2);
}

TEST_F(BrowseTest, MovingBeforeTheFirstBufferRepositionsTheCursorFirst) {
  Prepare(10, 3);
  data.Open();
  data.MoveBy(4);  // window 3 4 5 on record 5; the cursor stands on 5
  data.MoveBy(-2);
  log.clear();
  EXPECT_EQ(data.MoveBy(-1), -1);
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeScroll", "InternalSetToRecord", "GetRecord(Prior)=OK",
                       "link: DataSetScrolled -1", "AfterScroll"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(link.ActiveRecord(), 0);
}

TEST_F(BrowseTest, TheEndsAreReportedAsScrollsOfNothing) {
  Prepare(2, 3);
  data.Open();
  data.Next();
  log.clear();
  // The fetch that found the end lost the cursor's place; it is put back first.
  EXPECT_EQ(data.MoveBy(1), 0);
  EXPECT_TRUE(data.Eof());
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeScroll", "InternalSetToRecord", "GetRecord(Next)=EOF",
                       "link: DataSetScrolled 0", "AfterScroll"}));
  // At the end a further step forward only announces itself.
  log.clear();
  EXPECT_EQ(data.MoveBy(5), 0);
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeScroll"}));

  // Right after First the dataset knows it is at the beginning.
  data.First();
  log.clear();
  EXPECT_EQ(data.MoveBy(-1), 0);
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeScroll"}));
  data.Next();
  data.Prior();
  log.clear();
  EXPECT_EQ(data.MoveBy(-1), 0);
  EXPECT_TRUE(data.Bof());
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeScroll", "InternalSetToRecord", "GetRecord(Prior)=BOF",
                       "link: DataSetScrolled 0", "AfterScroll"}));
}

TEST_F(BrowseTest, MoveByAnswersHowFarItGot) {
  Prepare(10, 3);
  data.Open();
  EXPECT_EQ(data.MoveBy(100), 9);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 10);
  EXPECT_TRUE(data.Eof());
  EXPECT_EQ(data.MoveBy(-4), -4);
  EXPECT_FALSE(data.Eof());
  EXPECT_EQ(data.MoveBy(-100), -5);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 1);
}

TEST_F(BrowseTest, FirstAndLastRebuildTheWindow) {
  Prepare(10, 3);
  data.Open();
  log.clear();
  data.Last();
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeScroll", "InternalLast", "GetRecord(Prior)=OK", "GetRecord(Prior)=OK",
                       "GetRecord(Prior)=OK", "link: DataSetChanged", "AfterScroll"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{8, 9, 10}));
  EXPECT_EQ(link.ActiveRecord(), 2);
  EXPECT_TRUE(data.Eof());
  log.clear();
  data.First();
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeScroll", "InternalFirst", "GetRecord(Next)=OK", "GetRecord(Next)=OK",
                       "GetRecord(Next)=OK", "link: DataSetChanged", "AfterScroll"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(data.Bof());
}

TEST_F(BrowseTest, ABookmarkBringsBackItsRecordInTheMiddleOfTheWindow) {
  Prepare(10, 3);
  data.Open();
  data.MoveBy(3);
  const TBookmarkStr fourth = data.Bookmark();
  EXPECT_EQ(fourth.size(), 8u);
  data.Last();
  log.clear();
  data.GotoBookmark(fourth);
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeScroll", "InternalGotoBookmark", "GetRecord(Current)=OK", "GetRecord(Prior)=OK",
                       "InternalSetToRecord", "GetRecord(Next)=OK", "link: DataSetChanged", "AfterScroll"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 4);
  EXPECT_TRUE(data.BookmarkValid(fourth));
  data.Last();
  EXPECT_EQ(data.CompareBookmarks(fourth, data.Bookmark()), -1);
  EXPECT_EQ(data.CompareBookmarks(data.Bookmark(), fourth), 1);
  EXPECT_EQ(data.CompareBookmarks(fourth, fourth), 0);
}

TEST_F(BrowseTest, ABookmarkOfNoRecordLeavesThePositionAlone) {
  Prepare(10, 3);
  data.Open();
  data.MoveBy(5);
  const TBookmarkStr sixth = data.Bookmark();
  data.Delete();
  EXPECT_FALSE(data.BookmarkValid(sixth));
  data.First();
  data.MoveBy(2);
  const std::vector<int> window = WindowIds(link);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.GotoBookmark(sixth); }), "Record not found");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.GotoBookmark("short"); }), "Record not found");
  EXPECT_EQ(WindowIds(link), window);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 3);
  // No bookmark is no move at all.
  log.clear();
  data.GotoBookmark("");
  EXPECT_TRUE(log.empty());
}

TEST_F(BrowseTest, ResyncExactNeedsTheRecordAndCenterCentresIt) {
  Prepare(10, 5);
  data.Open();
  data.MoveBy(6);  // window 3..7, record 7 at the bottom
  EXPECT_EQ(link.ActiveRecord(), 4);
  // Resync rebuilds around the record the cursor stands on.
  data.UpdateCursorPos();
  data.Resync({rmCenter});
  EXPECT_EQ(WindowIds(link), (std::vector<int>{5, 6, 7, 8, 9}));
  EXPECT_EQ(link.ActiveRecord(), 2);
  data.UpdateCursorPos();
  data.Resync({});
  EXPECT_EQ(link.ActiveRecord(), 2) << "without rmCenter the record keeps its row";
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 7);
}

TEST_F(BrowseTest, RecNoAndRecordCountFollowTheCursor) {
  Prepare(4, 1);
  data.Open();
  EXPECT_EQ(data.RecordCount(), 4);
  EXPECT_EQ(data.RecNo(), 1);
  data.Last();
  EXPECT_EQ(data.RecNo(), 4);
  data.SetRecNo(2);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 2);
  for (int outside : {0, 5, -1}) {
    data.SetRecNo(outside);
    EXPECT_EQ(data.RecNo(), 2) << outside << " is no record: the cursor stays";
  }
  // Rows inserted before others and deleted renumber the rest.
  data.Insert();
  data.FieldByName("ID")->SetAsInteger(10);
  data.Post();
  EXPECT_EQ(data.RecNo(), 2);
  data.SetRecNo(3);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 2);
  data.First();
  data.Delete();
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 10);
  EXPECT_EQ(data.RecNo(), 1);
  data.Last();
  EXPECT_EQ(data.RecNo(), 4);
}

TEST_F(BrowseTest, AFilterHidesRecordsFromTheWindowAndTheCount) {
  Prepare(10, 3);
  data.OnFilterRecord = [](TDataSet* dataSet, bool& accept) {
    accept = dataSet->FieldByName("ID")->AsInteger() % 3 == 0;
  };
  data.Open();
  data.SetFiltered(true);
  EXPECT_EQ(WindowIds(link), (std::vector<int>{3, 6, 9}));
  EXPECT_EQ(data.RecordCount(), 3);
  data.Last();
  EXPECT_EQ(data.RecNo(), 3);
  data.SetFiltered(false);
  EXPECT_EQ(data.RecordCount(), 10);
}

TEST_F(BrowseTest, ScrollingNeedsAnOpenDataset) {
  Prepare(2, 1);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Next(); }), "Cannot perform this operation on a closed dataset");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.First(); }), "Cannot perform this operation on a closed dataset");
  data.Open();
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.SetUniDirectional(true); }),
            "Cannot perform this operation on an open dataset");
  data.Close();
  data.SetUniDirectional(true);
  data.Open();
  data.Next();
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Prior(); }), "Operation not allowed on a unidirectional dataset");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Last(); }), "Operation not allowed on a unidirectional dataset");
}

TEST_F(BrowseTest, AnOpenAskedForWhileLoadingHappensWhenLoadingEnds) {
  Prepare(2, 1);
  data.BeginLoading();
  data.Open();
  EXPECT_FALSE(data.Active());
  data.EndLoading();
  EXPECT_TRUE(data.Active());
  EXPECT_EQ(data.RecordCount(), 2);
}

class TPositioningDataSet : public TLoggingDataSet {
 public:
  using TLoggingDataSet::TLoggingDataSet;
  using TLoggingDataSet::MoveActiveRecord;
};

// A dataset going back to a bookmark puts the active record where the bookmark was seen,
// never outside the window of buffers.
TEST(ActiveRecordMove, StaysInsideTheWindow) {
  TLog log;
  TPositioningDataSet data(nullptr, &log);
  FillNumbered(data, 10);
  TDataSource source(nullptr);
  source.SetDataSet(&data);
  TLoggingLink link(&log, "link");
  link.SetDataSource(&source);
  link.SetBufferCount(4);
  struct Case {
    int distance, active;
  };
  for (const Case c : {Case{2, 2}, Case{5, 3}, Case{-1, 2}, Case{-10, 0}, Case{std::numeric_limits<int>::max(), 3},
                       Case{std::numeric_limits<int>::min(), 0}}) {
    data.MoveActiveRecord(c.distance);
    EXPECT_EQ(data.ActiveRecord(), c.active) << c.distance;
  }
  link.SetDataSource(nullptr);
}

}  // namespace
}  // namespace ordvane::test
