// Cached changes applied without AutoCommit are on the server only inside the update
// transaction: their marks go when it commits and stay when it rolls back or its commit
// fails, so that a second apply sends them again. isql-fb reads what was stored.

#include <gtest/gtest.h>

#include "tests/datasets/UpdatesSupport.h"

namespace ordvane::test {
namespace {

class UncommittedMarksTest : public UpdatesTestOf<> {
 protected:
  UncommittedMarksTest() : UpdatesTestOf(false) {
    fDataSet->SetCachedUpdates(true);
    TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(true);
    options.SetKeyFields("ID");
    options.SetUpdateTableName("ITEMS");
    Open("select id, name from items order by id");
  }
  // A change of each kind: item 1 renamed, item 2 deleted, item 10 added.
  void ChangeEachKind() {
    fDataSet->Edit();
    Field("NAME")->SetAsString("Ann2");
    fDataSet->Post();
    fDataSet->Next();
    fDataSet->Delete();
    fDataSet->Append();
    Field("ID")->SetAsInteger(10);
    Field("NAME")->SetAsString("New");
    fDataSet->Post();
    ASSERT_EQ(fDataSet->CachedUpdateCount(), 3);
  }
  void ExpectPending() {
    EXPECT_EQ(fDataSet->CachedUpdateCount(), 3);
    EXPECT_EQ(fDataSet->StatusAt(0), cusModified);
    EXPECT_EQ(fDataSet->StatusAt(1), cusDeleted);
    EXPECT_EQ(fDataSet->StatusAt(3), cusInserted);
    ExpectCountsMatchStatusesOf(*fDataSet);
    EXPECT_EQ(Oracle("select id, name from items order by id"), "1|Ann;2|Bob;3|Cid");
  }
  void RolledBackThenCommitted() {
    ChangeEachKind();
    fDataSet->ApplyCachedUpdates();
    fTransaction->Rollback();
    ExpectPending();

    fTransaction->StartTransaction();
    fDataSet->ApplyCachedUpdates();
    fTransaction->Commit();
    EXPECT_EQ(fDataSet->CachedUpdateCount(), 0);
    ExpectCountsMatchStatusesOf(*fDataSet);
    EXPECT_EQ(Oracle("select id, name from items order by id"), "1|Ann2;3|Cid;10|New");
  }
};

TEST_F(UncommittedMarksTest, RecordByRecordChangesStayPendingUntilTheirCommit) {
  RolledBackThenCommitted();
}

TEST_F(UncommittedMarksTest, BatchedChangesStayPendingUntilTheirCommit) {
  fDataSet->AutoUpdateOptions().SetUseExecuteBlock(true);
  RolledBackThenCommitted();
}

TEST_F(UncommittedMarksTest, ChangesWhoseCommitFailsStayPendingAndAreNotSentTwice) {
  ChangeEachKind();
  fDataSet->First();
  fDataSet->Edit();
  Field("NAME")->SetAsString("refuse commit");
  fDataSet->Post();
  fDataSet->ApplyCachedUpdates();
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 0);
  EXPECT_THROW(fTransaction->Commit(), EFIBError);
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 3);
  // Still in the open transaction: another apply sends nothing twice.
  fDataSet->ApplyCachedUpdates();
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 3);
  fTransaction->Rollback();
  ExpectPending();

  fTransaction->StartTransaction();
  fDataSet->First();
  fDataSet->Edit();
  Field("NAME")->SetAsString("Ann2");
  fDataSet->Post();
  fDataSet->ApplyCachedUpdates();
  fTransaction->Commit();
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 0);
  EXPECT_EQ(Oracle("select id, name from items order by id"), "1|Ann2;3|Cid;10|New");
}

// A new record sent, edited and sent again in one transaction is new again after its
// rollback: the next apply inserts it with its last values.
TEST_F(UncommittedMarksTest, ARecordSentTwiceGoesBackToItsFirstMark) {
  ChangeEachKind();
  fDataSet->ApplyCachedUpdates();
  fDataSet->Last();
  fDataSet->Edit();
  Field("NAME")->SetAsString("Newer");
  fDataSet->Post();
  fDataSet->ApplyCachedUpdates();
  fTransaction->Rollback();
  EXPECT_EQ(fDataSet->StatusAt(3), cusInserted);
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 3);

  fTransaction->StartTransaction();
  fDataSet->ApplyCachedUpdates();
  fTransaction->Commit();
  EXPECT_EQ(Oracle("select id, name from items order by id"), "1|Ann2;3|Cid;10|Newer");
}

}  // namespace
}  // namespace ordvane::test
