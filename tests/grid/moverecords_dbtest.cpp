// Moving records over a Firebird dataset that writes through generated statements and
// holds fields for the grid's columns only: the block takes its new place in the dataset,
// and the rows on the server keep every column, the blob and the NUMERIC included.

#include <gtest/gtest.h>

#include "grid/DbUtilsEh.h"
#include "tests/grid/FirebirdGridSupport.h"

namespace ordvane {
namespace {

using namespace test;

class MoveRecordsDb : public testing::Test, protected FirebirdGridFixture {
 protected:
  MoveRecordsDb() : FirebirdGridFixture(fMovingDb) {
    TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(true);
    options.SetKeyFields("ID");
    options.SetUpdateTableName("MOVING");
    MakeField<TIntegerField>(*fDataSet, "ID");
    MakeField<TWideStringField>(*fDataSet, "NAME")->SetSize(20);
    OpenDataSet("UTF8", "select ID, NAME, NOTE, AMOUNT from MOVING order by ID");
    PlaceGrid({}, {"ID", "NAME"});
    fGrid->SetOptions(fGrid->Options() + TDBGridOptions{dgMultiSelect});
    fUi.Process();
  }
  TBookmarkStr BookmarkOfId(int id) {
    EXPECT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    return fDataSet->Bookmark();
  }
  void ExpectServerRowsUnchanged() {
    fTransaction->Commit();
    EXPECT_EQ(IsqlRows(fDb, "select id, name, cast(note as varchar(40)), amount from moving order by id"),
              "1|first|a note|123.45;2|second|<null>|-0.01;3|third|another note|99999.99");
  }

  TestDatabase fMovingDb{"grid/moving.sql", DatabaseOptions{3, "UTF8"}};
};

TEST_F(MoveRecordsDb, TheBlockMovesInTheDatasetAndNoRowChangesOnTheServer) {
  fDataSet->Last();
  fGrid->SelectedRows().SetCurrentRowSelected(true);
  ASSERT_TRUE(DBGridEhDataService().MoveRecords(*fGrid, {BookmarkOfId(3)}, 1, 0, false));
  EXPECT_EQ(DataSetIds(), "3;1;2");
  ASSERT_TRUE(DBGridEhDataService().MoveRecords(*fGrid, {BookmarkOfId(3), BookmarkOfId(1)}, 3, 0, false));
  EXPECT_EQ(DataSetIds(), "2;3;1") << "appended, in their own order";
  EXPECT_EQ(fGrid->SelectedRows().GetCount(), 1);
  fDataSet->GotoBookmark(BookmarkOfId(3));
  EXPECT_TRUE(fGrid->SelectedRows().GetCurrentRowSelected()) << "the moved row stays selected";
  EXPECT_EQ(fDataSet->State(), dsBrowse);
  ExpectServerRowsUnchanged();
}

}  // namespace
}  // namespace ordvane
