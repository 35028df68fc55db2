// The filter row's lookup route over Firebird datasets: a column of town keys whose
// filter lists the town names of a second dataset; a typed or chosen condition on the
// names filters the persons by the keys of the towns that meet it, on the server and in
// memory, with the rows isql-fb gives for the same condition over a join, also when
// thousands of towns meet it; a select the server refuses leaves the data open as it was.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/ui/WinInput.h"
#include "grid/DBGridEhFilterEdit.h"
#include "tests/grid/FirebirdGridSupport.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using namespace test;

TestDatabase& TownsDatabase() {
  static TestDatabase db("grid/filterlookup.sql", DatabaseOptions{3, "UTF8"});
  return db;
}

class FilterLookupDb : public testing::Test, protected FirebirdGridFixture {
 protected:
  explicit FilterLookupDb(TestDatabase& db = TownsDatabase()) : FirebirdGridFixture(db) {
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

TestDatabase& ManyTownsDatabase() {
  static TestDatabase db("grid/filterlookupmany.sql", DatabaseOptions{3, "UTF8"});
  return db;
}

// 2 500 towns meet the condition: more keys than one IN list of a select may hold, and
// more than a chain of ORs the filter parser reads.
class FilterLookupManyDb : public FilterLookupDb {
 protected:
  FilterLookupManyDb() : FilterLookupDb(ManyTownsDatabase()) {}

  void ExpectTheJoinsRows() {
    ASSERT_EQ(IsqlRows(fDb, "select count(*) from TOWNS where NAME like 'Village%'"), "2500");
    const ReportedErrors errors;
    TypeAndApply("Village%");
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
    EXPECT_EQ(DataSetIds(), Oracle("T.NAME like 'Village%'"));
    TypeAndApply("<>Village 7");
    EXPECT_EQ(DataSetIds(), Oracle("T.NAME <> 'Village 7'"));
  }
};

TEST_F(FilterLookupManyDb, ThousandsOfMatchingTownsFilterAsAJoinDoesOnTheServer) {
  ExpectTheJoinsRows();
}

TEST_F(FilterLookupManyDb, ThousandsOfMatchingTownsFilterAsAJoinDoesInMemory) {
  fGrid->STFilter().SetLocal(true);
  ExpectTheJoinsRows();
}

TEST_F(FilterLookupDb, ASelectTheServerRefusesLeavesTheDataOpenAsItWas) {
  const std::string all = DataSetIds();
  fDataSet->FieldByName("TOWN_ID")->SetOrigin("NO_SUCH_COLUMN");
  const ReportedErrors errors;
  TypeAndApply("Київ");
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_NE(errors.messages.front().find("NO_SUCH_COLUMN"), std::string::npos) << errors.messages.front();
  EXPECT_TRUE(fDataSet->Active());
  EXPECT_EQ(DataSetIds(), all);
}

}  // namespace
}  // namespace ordvane
