// The grid's cut of "select all" over a Firebird dataset whose cached updates keep
// showing the records it deletes: each record is deleted once, the cut ends, and the
// applied updates leave the table empty, as isql-fb reads it.

#include <gtest/gtest.h>

#include "classlib/ui/Clipbrd.h"
#include "gridoutput/DBGridEhImpExp.h"
#include "tests/grid/FirebirdGridSupport.h"

namespace ordvane {
namespace {

using namespace test;

class ClipboardDb : public testing::Test, protected FirebirdGridFixture {
 protected:
  ClipboardDb() : FirebirdGridFixture(fRowsDb) {}

  TestDatabase fRowsDb{"grid/moving.sql", DatabaseOptions{3, "UTF8"}};
};

TEST_F(ClipboardDb, CuttingEverythingShownWithDeletedRecordsEndsAndDeletesEachOnce) {
  TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
  options.SetAutoReWriteSqls(true);
  options.SetCanChangeSQLs(true);
  options.SetKeyFields("ID");
  options.SetUpdateTableName("MOVING");
  fDataSet->SetCachedUpdates(true);
  fDataSet->SetUpdateRecordTypes({cusUnmodified, cusModified, cusInserted, cusDeleted});
  OpenDataSet("UTF8", "select ID, NAME from MOVING order by ID");
  PlaceGrid({}, {"ID", "NAME"});
  fUi.Process();
  fGrid->Selection().SelectAll();

  GridCutToClipboard(*fGrid);
  EXPECT_EQ(Clipboard()->AsText(), "1\tfirst\r\n2\tsecond\r\n3\tthird\r\n");
  EXPECT_EQ(fDataSet->DeletedCount(), 3);
  fDataSet->ApplyCachedUpdates();
  fTransaction->Commit();
  EXPECT_EQ(IsqlRows(fDb, "select count(*) from moving"), "0");
}

}  // namespace
}  // namespace ordvane
