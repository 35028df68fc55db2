// The filter row's lookup route over Firebird datasets: a column of town keys whose
// filter lists the town names of a second dataset; a typed or chosen condition on the
// names filters the persons by the keys of the towns that meet it, on the server and in
// memory, with the rows isql-fb gives for the same condition over a join.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/ui/WinInput.h"
#include "grid/DBGridEhFilterEdit.h"
#include "tests/grid/FirebirdGridSupport.h"

namespace ordvane {
namespace {

using namespace test;

TestDatabase& TownsDatabase() {
  static TestDatabase db("grid/filterlookup.sql", DatabaseOptions{3, "UTF8"});
  return db;
}

class FilterLookupDb : public testing::Test, protected FirebirdGridFixture {
 protected:
  FilterLookupDb() : FirebirdGridFixture(TownsDatabase()) {
    OpenDataSet("UTF8", "select ID, NAME, TOWN_ID from PERSONS\nwhere\n/*FILTER*/ 1=1\nORDER BY ID\n");
    fTowns->SetDatabase(fDatabase);
    fTowns->SetTransaction(fTransaction);
    fTowns->SelectSQL().SetText("select ID, NAME from TOWNS order by ID");
    fTowns->Open();
    fTownList.SetDataSet(fTowns);
    PlaceGrid({}, {"ID", "NAME", "TOWN_ID"});
    TSTColumnFilterEh& filter = fGrid->Columns().Items(2)->STFilter();
    filter.SetListSource(&fTownList);
    filter.SetKeyField("ID");
    filter.SetListField("NAME");
    fGrid->STFilter().SetVisible(true);
    fUi.Process();
  }

  void TypeAndApply(const char* utf8) {
    const TRect r = fGrid->CellRect(fGrid->DataToRawColumn(2), 1);
    fUi.Click(fGrid, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    fGrid->FilterEdit()->SetText(AnsiString());
    fUi.Type(utf8);
    fUi.Press(VK_RETURN);
  }
  // The persons whose town meets the condition on T.NAME.
  std::string Oracle(const std::string& condition) {
    return IsqlRows(fDb, "select P.ID from PERSONS P join TOWNS T on T.ID = P.TOWN_ID where " + condition +
                             " order by P.ID");
  }

  TpFIBDataSet* fTowns = new TpFIBDataSet(&fOwner);
  TDataSource fTownList{nullptr};
};

TEST_F(FilterLookupDb, TheListShowsTheNamesAndAChoiceFiltersByItsKey) {
  const TRect r = fGrid->CellRect(fGrid->DataToRawColumn(2), 1);
  fUi.Click(fGrid, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  TInplaceFilterEditEh& edit = *fGrid->FilterEdit();
  fUi.Press(VK_DOWN, {ssAlt});
  ASSERT_TRUE(edit.ListVisible());
  const int index = edit.Items()->IndexOf(Utf8ToAnsi("Львів"));
  ASSERT_GE(index, 0) << "the town names, not their keys";
  edit.PopupList()->SetItemIndex(index);
  fUi.Press(VK_RETURN);
  fUi.Press(VK_RETURN);
  EXPECT_EQ(DataSetIds(), Oracle("T.NAME = 'Львів'"));
  EXPECT_EQ(DataSetIds(), "2;6");
}

TEST_F(FilterLookupDb, TypedConditionsOnTheNamesFilterAsAJoinDoes) {
  fTowns->Last();
  const AnsiString townBefore = fTowns->Bookmark();
  TypeAndApply("К%");
  EXPECT_EQ(DataSetIds(), Oracle("T.NAME like 'К%'"));
  EXPECT_EQ(fTowns->Bookmark(), townBefore) << "the list keeps its record";
  TypeAndApply("O'Neill");
  EXPECT_EQ(DataSetIds(), Oracle("T.NAME = 'O''Neill'"));
  TypeAndApply("<>Київ");
  EXPECT_EQ(DataSetIds(), Oracle("T.NAME <> 'Київ'")) << "persons without a town have no town that differs";
  TypeAndApply("Харків");
  EXPECT_EQ(DataSetIds(), "") << "no town of that name: no person, and the server took the statement";
  TypeAndApply("=Null");
  EXPECT_EQ(DataSetIds(), IsqlRows(fDb, "select ID from PERSONS where TOWN_ID is null order by ID"))
      << "a person without a town is asked of the key itself";
}

TEST_F(FilterLookupDb, TheLocalRouteFiltersTheSameRows) {
  fGrid->STFilter().SetLocal(true);
  TypeAndApply("К%");
  EXPECT_EQ(DataSetIds(), Oracle("T.NAME like 'К%'"));
  TypeAndApply("Харків");
  EXPECT_EQ(DataSetIds(), "");
}

}  // namespace
}  // namespace ordvane
