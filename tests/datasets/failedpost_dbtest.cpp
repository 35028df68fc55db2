// A change whose statement ran but whose refresh or automatic commit failed leaves
// nothing on the server: insert, edit and delete, each against a refresh that raises, a
// refresh that returns no row and a commit check that refuses, then a corrected retry
// and a commit, checked by isql-fb; the dataset keeps its state, values and counts. Posts
// that neither commit nor refresh (an import's) keep that, whether their own statement or
// a control told of the change fails, and keep the savepoints the application declares.

#include <gtest/gtest.h>

#include "datasets/FIBFields.h"
#include "tests/classlib/Support.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

class FailedPostTest : public testing::Test {
 protected:
  FailedPostTest() {
    fForm.SetName("Form");
    fDataSet->SetName("DataSet");
    ConnectForPosting(*fDatabase, *fTransaction, *fDataSet, fDb);
    fDataSet->InsertSQL().SetText("insert into guarded (id, name) values (?id, ?name)");
    fDataSet->UpdateSQL().SetText("update guarded set name = ?name where id = ?old_id");
    fDataSet->DeleteSQL().SetText("delete from guarded where id = ?old_id");
    fDataSet->RefreshSQL().SetText("select id, name from guarded_row(?id, ?name)");
    fDataSet->SelectSQL().SetText("select id, name from guarded order by id");
    fDataSet->Open();
  }
  std::string Rows() { return IsqlRows(fDb, "select id, name from guarded order by id"); }
  TField* Name() { return fDataSet->FieldByName("NAME"); }
  // The post raises the server's refusal and leaves the dataset in its editing state.
  void ExpectRefusedPost(TDataSetState state) {
    const std::string error = ErrorOf<EDatabaseError>([&] { fDataSet->Post(); });
    EXPECT_NE(error.find("refuses"), std::string::npos) << error;
    EXPECT_EQ(fDataSet->State(), state);
    ExpectCountsMatchStatusesOf(*fDataSet);
  }
  // Retaining, so that the dataset stays open.
  void Commit() { fTransaction->CommitRetaining(); }
  bool Locate(Integer id) { return fDataSet->Locate("ID", Variant(id), {}); }

  TestDatabase fDb{"datasets/guarded.sql", {3, "WIN1251"}};
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TEditDataSet* fDataSet = new TEditDataSet(&fForm);
};

const char* const Before = "1|one;2|two;3|three;4|boom";

TEST_F(FailedPostTest, AnInsertWhoseRefreshOrCommitFailsIsNotKeptAndARetryWritesOnce) {
  for (const char* refused : {"boom", "refuse"}) {
    SCOPED_TRACE(refused);
    fDataSet->Append();
    fDataSet->FieldByName("ID")->SetAsInteger(10);
    Name()->SetAsString(refused);
    ExpectRefusedPost(dsInsert);
    ExpectRefusedPost(dsInsert);  // the same row again: still nothing kept
    EXPECT_EQ(fDataSet->RecordCount(), 4);
    EXPECT_EQ(Name()->AsString(), refused);
    Name()->SetAsString("ten");
    fDataSet->Post();
    EXPECT_EQ(fDataSet->RecordCount(), 5);
    EXPECT_EQ(Rows(), std::string(Before) + ";10|ten");
    fDataSet->Delete();
    EXPECT_EQ(Rows(), Before);
  }
  // Two refused posts, then Cancel and a commit: the server holds what the dataset shows.
  fDataSet->Append();
  fDataSet->FieldByName("ID")->SetAsInteger(11);
  Name()->SetAsString("refuse");
  ExpectRefusedPost(dsInsert);
  ExpectRefusedPost(dsInsert);
  fDataSet->Cancel();
  Commit();
  EXPECT_EQ(Rows(), Before);
  EXPECT_EQ(fDataSet->RecordCount(), 4);
}

TEST_F(FailedPostTest, ARefusedInsertLeavesTheOtherRecordsAndTheirPreviousVersionsAsStored) {
  fDataSet->SetOptions(fDataSet->Options() - TpFIBDsOptions{poRefreshAfterPost});
  ASSERT_TRUE(Locate(2));
  fDataSet->Edit();
  Name()->SetAsString("second");
  fDataSet->Post();
  fDataSet->Append();
  fDataSet->FieldByName("ID")->SetAsInteger(10);
  Name()->SetAsString("refuse");
  ExpectRefusedPost(dsInsert);
  fDataSet->Cancel();
  ASSERT_TRUE(Locate(2));
  EXPECT_EQ(Name()->AsString(), "second");
  EXPECT_EQ(Name()->OldValue().AsString(), "second");
  EXPECT_EQ(fDataSet->RecordCount(), 4);
}

TEST_F(FailedPostTest, AnInsertWhoseRefreshFindsNoRowIsKeptOnce) {
  fDataSet->Append();
  fDataSet->FieldByName("ID")->SetAsInteger(12);
  Name()->SetAsString("ghost");
  fDataSet->Post();
  EXPECT_EQ(fDataSet->State(), dsBrowse);
  EXPECT_EQ(fDataSet->RecordCount(), 5);
  ExpectCountsMatchStatusesOf(*fDataSet);
  Commit();
  EXPECT_EQ(Rows(), std::string(Before) + ";12|ghost");
}

TEST_F(FailedPostTest, AnEditWhoseRefreshOrCommitFailsKeepsTheServerAndTheCacheAsTheyWere) {
  ASSERT_TRUE(Locate(2));
  for (const char* refused : {"boom", "refuse"}) {
    SCOPED_TRACE(refused);
    fDataSet->Edit();
    Name()->SetAsString(refused);
    ExpectRefusedPost(dsEdit);
    EXPECT_EQ(Name()->AsString(), refused);
    fDataSet->Cancel();
    EXPECT_EQ(Name()->AsString(), "two");
    EXPECT_EQ(Rows(), Before);
  }
  // The retry finds the row by its old key and changes it once.
  fDataSet->Edit();
  Name()->SetAsString("refuse");
  ExpectRefusedPost(dsEdit);
  Name()->SetAsString("second");
  fDataSet->Post();
  Commit();
  EXPECT_EQ(Rows(), "1|one;2|second;3|three;4|boom");
  ExpectCountsMatchStatusesOf(*fDataSet);
}

TEST_F(FailedPostTest, ADeleteWhoseRefreshOrCommitFailsKeepsTheRecord) {
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poRefreshAfterDelete});
  // Row 4's refresh raises after its delete ran; row 3's delete fails the commit check.
  for (Integer id : {4, 3}) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(Locate(id));
    const std::string error = ErrorOf<EDatabaseError>([&] { fDataSet->Delete(); });
    EXPECT_NE(error.find("refuses"), std::string::npos) << error;
    EXPECT_EQ(fDataSet->RecordCount(), 4);
    EXPECT_EQ(fDataSet->FieldByName("ID")->AsInteger(), id);
    ExpectCountsMatchStatusesOf(*fDataSet);
  }
  Commit();
  EXPECT_EQ(Rows(), Before);
  // A delete that goes through is counted once.
  ASSERT_TRUE(Locate(1));
  fDataSet->Delete();
  EXPECT_EQ(fDataSet->RecordCount(), 3);
  ExpectCountsMatchStatusesOf(*fDataSet);
  EXPECT_EQ(Rows(), "2|two;3|three;4|boom");
}

// Posts without the automatic commit, as an import that commits in batches makes them.
class UncommittedPostTest : public FailedPostTest {
 protected:
  UncommittedPostTest() { fDataSet->SetAutoCommit(false); }
  void AppendRow(Integer id, const char* name) {
    fDataSet->Append();
    fDataSet->FieldByName("ID")->SetAsInteger(id);
    Name()->SetAsString(name);
  }
};

TEST_F(UncommittedPostTest, AnInsertRefusedByItsOwnTriggerLeavesNothingOfTheTriggersWork) {
  fDataSet->Close();
  fDataSet->RefreshSQL().Clear();
  fDataSet->InsertSQL().SetText("insert into audited (id, name) values (?id, ?name)");
  fDataSet->SelectSQL().SetText("select id, name from audited order by id");
  fDataSet->Open();
  fDataSet->DisableControls();
  AppendRow(1, "refuse");
  ExpectRefusedPost(dsInsert);
  Name()->SetAsString("kept");
  fDataSet->Post();
  AppendRow(2, "refuse");
  ExpectRefusedPost(dsInsert);
  fDataSet->Cancel();
  fDataSet->EnableControls();
  Commit();
  EXPECT_EQ(IsqlRows(fDb, "select id, name from audited"), "1|kept");
  EXPECT_EQ(IsqlRows(fDb, "select id, name from audit_log"), "1|kept");
  EXPECT_EQ(fDataSet->RecordCount(), 1);
}

TEST_F(UncommittedPostTest, AnInsertWhoseRefreshFailsIsNotKeptWithTheControlsOff) {
  fDataSet->DisableControls();
  AppendRow(10, "boom");
  ExpectRefusedPost(dsInsert);
  fDataSet->Cancel();
  fDataSet->EnableControls();
  Commit();
  EXPECT_EQ(Rows(), Before);
}

TEST_F(UncommittedPostTest, AnInsertWhoseControlRefusesTheChangeIsNotKept) {
  fDataSet->SetOptions(fDataSet->Options() - TpFIBDsOptions{poRefreshAfterPost});
  TDataSource source(nullptr);
  source.SetDataSet(fDataSet);
  bool refuse = false;
  source.OnDataChange = [&](TObject*, TField*) {
    if (!refuse) return;
    refuse = false;
    throw EDatabaseError("the control refuses this change");
  };
  AppendRow(10, "ten");
  refuse = true;
  ExpectRefusedPost(dsInsert);
  fDataSet->Post();
  fDataSet->Delete();
  Commit();
  EXPECT_EQ(Rows(), Before);
}

// The savepoint a post leaves declared is released by the next post's alone: one the
// application declared between them still undoes what came after it, and a refused post
// between them undoes only itself.
TEST_F(UncommittedPostTest, AnApplicationsSavepointBetweenPostsKeepsItsMeaning) {
  TFIBQuery savepoint(nullptr);
  savepoint.SetDatabase(fDatabase);
  savepoint.SetTransaction(fTransaction);
  AppendRow(10, "ten");
  fDataSet->Post();
  savepoint.ExecuteImmediateBatch({"SAVEPOINT MINE"});
  AppendRow(11, "eleven");
  fDataSet->Post();
  AppendRow(12, "boom");
  ExpectRefusedPost(dsInsert);
  fDataSet->Cancel();
  AppendRow(13, "thirteen");
  fDataSet->Post();
  Commit();
  EXPECT_EQ(Rows(), std::string(Before) + ";10|ten;11|eleven;13|thirteen");
  AppendRow(14, "fourteen");
  fDataSet->Post();
  savepoint.ExecuteImmediateBatch({"SAVEPOINT MINE"});
  AppendRow(15, "fifteen");
  fDataSet->Post();
  savepoint.ExecuteImmediateBatch({"ROLLBACK TO SAVEPOINT MINE"});
  Commit();
  EXPECT_EQ(Rows(), std::string(Before) + ";10|ten;11|eleven;13|thirteen;14|fourteen");
}

}  // namespace
}  // namespace ordvane::test
