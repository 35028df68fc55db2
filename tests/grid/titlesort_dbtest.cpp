// Title clicks sorting a Firebird dataset, through the mouse and Ctrl of the test driver:
// the rows equal isql-fb's for the same ORDER BY, a Ctrl+click series reopens the dataset
// once, and the local route sorts the fetched rows without touching the select text.

#include <gtest/gtest.h>

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

  void ClickTitle(int dataCol) {
    const TRect r = fGrid->CellRect(fGrid->DataToRawColumn(dataCol), 0);
    fUi.Click(fGrid, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
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

}  // namespace
}  // namespace ordvane
