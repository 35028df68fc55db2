// The filter row over a Firebird dataset, typed and chosen through the test driver: the
// rows after Enter equal isql-fb's for the same condition, a quote stays inside its value,
// the list commands filter and sort as they say, and the local route filters without
// reopening.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/ui/WinInput.h"
#include "grid/DBGridEhFilterEdit.h"
#include "tests/grid/FirebirdGridSupport.h"

namespace ordvane {
namespace {

using namespace test;

class FilterRowDb : public testing::Test, protected FirebirdGridFixture {
 protected:
  FilterRowDb() : FirebirdGridFixture(Utf8PersonsDatabase()) {
    fDataSet->AfterOpen = [this](TDataSet*) { ++fOpens; };
    OpenDataSet("UTF8", "select ID, NAME, AMOUNT from PERSONS\nwhere\n/*FILTER*/ 1=1\nORDER BY ID\n");
    // The reference list of names, read in the same transaction.
    fNames->SetDatabase(fDatabase);
    fNames->SetTransaction(fTransaction);
    fNames->SelectSQL().SetText("select NAME from PERSONS");
    fNames->Open();
    fNameList.SetDataSet(fNames);
    PlaceGrid({dghAutoSortMarking}, {"ID", "NAME", "AMOUNT"});
    fGrid->STFilter().SetVisible(true);
    fUi.Process();
    fOpens = 0;
  }

  void ClickFilter(int dataCol) {
    const TRect r = fGrid->CellRect(fGrid->DataToRawColumn(dataCol), 1);
    fUi.Click(fGrid, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  void TypeAndApply(int dataCol, const char* utf8) {
    ClickFilter(dataCol);
    fUi.Type(utf8);
    fUi.Press(VK_RETURN);
  }
  void Choose(const char* caption) {
    TInplaceFilterEditEh& edit = *fGrid->FilterEdit();
    fUi.Press(VK_DOWN, {ssAlt});
    ASSERT_TRUE(edit.ListVisible());
    const int index = edit.Items()->IndexOf(Utf8ToAnsi(caption));
    ASSERT_GE(index, 0) << caption;
    edit.PopupList()->SetItemIndex(index);
    fUi.Press(VK_RETURN);
  }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }

  TpFIBDataSet* fNames = new TpFIBDataSet(&fOwner);
  TDataSource fNameList{nullptr};
  int fOpens = 0;
};

TEST_F(FilterRowDb, TypedConditionsFilterAsTheServerDoes) {
  const std::string expected = Oracle("select ID from PERSONS where NAME like 'Ів%' order by ID");
  ASSERT_NE(expected.find(';'), std::string::npos) << "the fixture has several such names";
  TypeAndApply(1, "Ів%");
  EXPECT_EQ(fOpens, 1);
  EXPECT_EQ(DataSetIds(), expected);
  fUi.Press(VK_TAB);
  fUi.Type(">=15");
  fUi.Press(VK_RETURN);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS where NAME like 'Ів%' and AMOUNT >= 15 order by ID"));
  EXPECT_TRUE(fGrid->FilterEditing()) << "the row stays open after Enter";
}

TEST_F(FilterRowDb, AQuoteStaysInsideItsValue) {
  TypeAndApply(1, "O'Brien");
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS where NAME = 'O''Brien' order by ID"));
  fGrid->FilterEdit()->SetText("x' or 1=1 or 'x");
  fUi.Press(VK_RETURN);
  EXPECT_EQ(DataSetIds(), "");
}

TEST_F(FilterRowDb, ListCommandsFilterAndSortAsTheySay) {
  fGrid->Columns().Items(1)->STFilter().SetListSource(&fNameList);
  ClickFilter(1);
  Choose("(Пустые)");
  EXPECT_EQ(fOpens, 0) << "the typed condition waits for Enter";
  fUi.Press(VK_RETURN);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS where NAME is null order by ID"));
  Choose("(Не пустые)");
  fUi.Press(VK_RETURN);
  Choose("(Сортировка по возрастанию)");
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS where NAME is not null order by NAME"));
  Choose("(Сортировка по убыванию)");
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS where NAME is not null order by NAME desc"));
  Choose("(Очистить фильтр)");
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by NAME desc"));
}

TEST_F(FilterRowDb, TheLocalRouteFiltersWithoutReopening) {
  fGrid->STFilter().SetLocal(true);
  const AnsiString before = fDataSet->SelectSQL().Text();
  TypeAndApply(2, "<10");
  EXPECT_EQ(fOpens, 0);
  EXPECT_EQ(fDataSet->SelectSQL().Text(), before);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS where AMOUNT < 10 order by ID"));
}

}  // namespace
}  // namespace ordvane
