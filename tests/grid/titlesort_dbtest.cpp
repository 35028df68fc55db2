// Title clicks sorting a Firebird dataset, through the mouse and Ctrl of the test driver:
// the rows equal isql-fb's for the same ORDER BY, a Ctrl+click series reopens the dataset
// once, the local route sorts the fetched rows without touching the select text, and a
// local sort leaves the grid's cursor on the record it was on, among its new neighbours.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "classlib/ui/WinInput.h"
#include "tests/grid/FirebirdGridSupport.h"

namespace ordvane {
namespace {

using namespace test;

class TitleSortDb : public testing::Test, protected FirebirdGridFixture {
 protected:
  TitleSortDb() : FirebirdGridFixture(Utf8PersonsDatabase()) {
    fDataSet->AfterOpen = [this](TDataSet*) { ++fOpens; };
    OpenDataSet("UTF8", "select ID, NAME, AMOUNT from PERSONS\nORDER BY ID\n");
    PlaceGrid({dghAutoSortMarking, dghMultiSortMarking}, {"ID", "NAME", "AMOUNT"});
    fUi.Process();
    fOpens = 0;
  }

  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }

  int fOpens = 0;
};

TEST_F(TitleSortDb, ClicksOrderTheRowsAsTheServerDoes) {
  ClickTitle(1);
  EXPECT_EQ(fOpens, 1);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by NAME"));
  ClickTitle(1);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by NAME desc"));
  ClickTitle(0);
  EXPECT_EQ(fGrid->SortMarkedColumns().Count(), 1) << "a plain click leaves one marker";
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by ID"));
  EXPECT_EQ(fOpens, 3);
}

TEST_F(TitleSortDb, ACtrlClickSeriesReopensOnceOnTheRelease) {
  fUi.KeyDown(VK_CONTROL);
  ClickTitle(2);
  ClickTitle(2);
  ClickTitle(0);
  EXPECT_EQ(fOpens, 0);
  fUi.KeyUp(VK_CONTROL);
  EXPECT_EQ(fOpens, 1);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by AMOUNT desc, ID"));
}

TEST_F(TitleSortDb, TheLocalRouteSortsWithoutReopening) {
  fGrid->SetSortLocal(true);
  const AnsiString before = fDataSet->SelectSQL().Text();
  fUi.KeyDown(VK_CONTROL);
  ClickTitle(2);
  ClickTitle(2);
  ClickTitle(0);
  ClickTitle(0);
  fUi.KeyUp(VK_CONTROL);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by AMOUNT desc, ID desc"));
  EXPECT_EQ(fDataSet->SelectSQL().Text(), before);
  EXPECT_EQ(fOpens, 0);
}

// Sixty persons, more than the grid shows at once.
TestDatabase& SortingPersonsDatabase() {
  static TestDatabase db("datasets/sorting.sql", DatabaseOptions{3, "WIN1251"});
  return db;
}

class LocalSortCursorDb : public testing::Test, protected FirebirdGridFixture {
 protected:
  LocalSortCursorDb() : FirebirdGridFixture(SortingPersonsDatabase()) {
    OpenDataSet("WIN1251", "select ID, SURNAME, N, AMOUNT from P");
    PlaceGrid({dghAutoSortMarking, dghMultiSortMarking}, {"ID", "SURNAME", "N", "AMOUNT"});
    fGrid->SetSortLocal(true);
    fUi.Process();
  }

  Integer Id() { return fDataSet->FieldByName("ID")->AsInteger(); }

  // The grid's cursor is on the record, and its rows, as it paints them, are the records
  // around it in the dataset's order.
  void ExpectCursorOn(Integer id, const char* sort) {
    EXPECT_EQ(Id(), id) << sort;
    const int row = fGrid->DataLink().ActiveRecord();
    EXPECT_EQ(fGrid->Row(), fGrid->TitleOffset() + row) << sort;
    std::vector<Integer> painted;
    for (int r = 0; r < fGrid->DataLink().RecordCount(); ++r) {
      const TActiveRecordScope scope(fGrid->DataLink(), r);
      painted.push_back(Id());
    }
    ASSERT_GT(painted.size(), 10u) << "a grid that shows a part of the records";
    EXPECT_EQ(painted[static_cast<std::size_t>(row)], id) << sort;
    std::vector<Integer> order;
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) order.push_back(Id());
    const auto at = std::find(order.begin(), order.end(), id) - order.begin();
    ASSERT_GE(at, row) << sort;
    const auto top = order.begin() + (at - row);
    EXPECT_EQ(painted, std::vector<Integer>(top, top + std::ssize(painted))) << sort;
  }
};

TEST_F(LocalSortCursorDb, ATitleClickKeepsTheCursorOnItsRecord) {
  struct TClicks {
    const char* sort;
    std::vector<int> columns;
    bool ctrl;
  };
  // Each series starts from the dataset's own order, on the sixth record.
  const std::vector<TClicks> series{{"surname", {1}, false},
                                    {"surname descending", {1, 1}, false},
                                    {"n, amount descending", {2, 3, 3}, true}};
  for (const TClicks& clicks : series) {
    fDataSet->Close();
    fDataSet->Open();
    fUi.Process();
    fDataSet->MoveBy(5);
    const Integer id = Id();
    if (clicks.ctrl) fUi.KeyDown(VK_CONTROL);
    for (int column : clicks.columns) ClickTitle(column);
    if (clicks.ctrl) fUi.KeyUp(VK_CONTROL);
    ExpectCursorOn(id, clicks.sort);
  }
}

TEST_F(LocalSortCursorDb, ASortByFieldsKeepsTheCursorOnItsRecord) {
  fDataSet->MoveBy(5);
  const Integer id = Id();
  fDataSet->SortByFields({"SURNAME"}, {true});
  ExpectCursorOn(id, "surname");
  fDataSet->MoveBy(20 - fDataSet->RecNo());
  const Integer other = Id();
  fDataSet->SortByFields({"AMOUNT", "SURNAME"}, {false, true});
  ExpectCursorOn(other, "amount descending, surname");
}

}  // namespace
}  // namespace ordvane
