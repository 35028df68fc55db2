// Text typed in the grid's cell editor over a Firebird dataset that saves every post, while
// something else walks the records: a find, a width fit, a record drag and a title click
// that sorts on the server each post what was typed (a refused post stops the sort with its
// error), and a title click leaves the current record and column where they were.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "grid/DbUtilsEh.h"
#include "tests/grid/FirebirdGridSupport.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using namespace test;

class EditWalksDb : public testing::Test, protected FirebirdGridFixture {
 protected:
  EditWalksDb() : FirebirdGridFixture(fPersonsDb) {
    TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(true);
    options.SetKeyFields("ID");
    options.SetUpdateTableName("PERSONS");
    fDataSet->SetAutoCommit(true);
    OpenDataSet("UTF8", "select ID, NAME, AMOUNT from PERSONS\nORDER BY ID\n");
    PlaceGrid({dghAutoSortMarking, dghDblClickOptimizeColWidth}, {"ID", "NAME", "AMOUNT"});
    fGrid->SetOptions(fGrid->Options() + TDBGridOptions{dgEditing});
    fUi.Process();
  }

  // The name of the person typed into the cell editor, nothing posted yet.
  void TypeName(int id, const std::string& name) {
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    fGrid->SetFocus();
    fGrid->SetSelectedIndex(1);
    fGrid->ShowEditor();
    fUi.Process();
    fUi.Type(name);
    ASSERT_EQ(fDataSet->State(), dsEdit);
  }
  std::string ServerName(int id) {
    return IsqlRows(fDb, "select NAME from PERSONS where ID = " + std::to_string(id));
  }

  TestDatabase fPersonsDb{"grid/filtersql.sql", DatabaseOptions{3, "UTF8"}};
};

TEST_F(EditWalksDb, AFindPostsTheTypedText) {
  TypeName(1, "Typed");
  EXPECT_TRUE(fGrid->LocateText(*fGrid, "NAME", "Brien", {}, ltdAllEh, ltmAnyPartEh, lttInAllNodesEh));
  EXPECT_EQ(fDataSet->FieldByName("ID")->AsInteger(), 4);
  EXPECT_EQ(ServerName(1), "Typed");
  EXPECT_FALSE(fGrid->LocateText(*fGrid, "NAME", "nobody", {}, ltdAllEh, ltmAnyPartEh, lttInAllNodesEh));
}

TEST_F(EditWalksDb, AWidthFitPostsTheTypedText) {
  TypeName(2, "Typed at the fit");
  const TRect title = fGrid->CellRect(fGrid->DataToRawColumn(1), 0);
  fUi.DoubleClick(fGrid, {title.right - 1, (title.top + title.bottom) / 2});
  fUi.Process();
  EXPECT_EQ(ServerName(2), "Typed at the fit");
  EXPECT_EQ(fDataSet->FieldByName("ID")->AsInteger(), 2) << "the fit comes back to the record";
}

TEST_F(EditWalksDb, ARecordDragPostsTheTypedText) {
  ASSERT_TRUE(fDataSet->Locate("ID", Variant(3), {}));
  const TBookmarkStr third = fDataSet->Bookmark();
  TypeName(3, "Dragged");
  ASSERT_TRUE(DBGridEhDataService().MoveRecords(*fGrid, {third}, 1, 0, false));
  EXPECT_EQ(ServerName(3), "Dragged");
  EXPECT_EQ(DataSetIds().substr(0, 4), "3;1;");
}

TEST_F(EditWalksDb, AServerSortPostsTheRowFirstAndStopsWhenThePostIsRefused) {
  const ReportedErrors errors;
  TypeName(5, "Sorted");
  ClickTitle(1);
  EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
  EXPECT_EQ(ServerName(5), "Sorted");
  EXPECT_EQ(DataSetIds(), IsqlRows(fDb, "select ID from PERSONS order by NAME"));

  // Longer than the column: the text is refused naming the field, the sort does not run
  // and the typed text stays in the cell, the row still in edit.
  const AnsiString select = fDataSet->SelectSQL().Text();
  TypeName(6, std::string(50, 'x'));
  ClickTitle(2);
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_NE(errors.messages[0].find("field 'NAME'"), std::string::npos) << errors.messages[0];
  EXPECT_EQ(fDataSet->SelectSQL().Text(), select);
  EXPECT_EQ(fDataSet->State(), dsEdit);
  EXPECT_EQ(fGrid->InplaceEditor()->Text(), std::string(50, 'x'));
  EXPECT_EQ(ServerName(6), "Іваненко");
}

// Sorted in memory the record stays current; sorted by the server, the dataset opens again
// on its first record. Either way the current column stays.
TEST_F(EditWalksDb, ATitleClickKeepsTheRecordAndTheColumn) {
  fGrid->SetSortLocal(true);
  ASSERT_TRUE(fDataSet->Locate("ID", Variant(5), {}));
  fGrid->SetSelectedIndex(2);
  ClickTitle(1);
  ASSERT_NE(fGrid->Columns().Items(1)->Title().SortMarker(), smNoneEh);
  EXPECT_EQ(fGrid->SelectedIndex(), 2);
  EXPECT_EQ(fDataSet->FieldByName("ID")->AsInteger(), 5);

  fGrid->SetSortLocal(false);
  ClickTitle(0);
  ASSERT_NE(fGrid->Columns().Items(0)->Title().SortMarker(), smNoneEh);
  EXPECT_EQ(fGrid->SelectedIndex(), 2);
}

}  // namespace
}  // namespace ordvane
