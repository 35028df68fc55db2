// The record lock in both forms (the row written to itself, or selected WITH LOCK) against
// another user of the database holding, deleting or releasing the row, and the protected
// edit that locks once per transaction.

#include <gtest/gtest.h>

#include "tests/datasets/UpdatesSupport.h"

namespace ordvane::test {
namespace {

class LockTest : public UpdatesTest, public testing::WithParamInterface<bool> {
 protected:
  LockTest() {
    fDataSet->UpdateSQL().SetText("update items set name = ?name, amount = ?amount where id = ?old_id");
    fDataSet->RefreshSQL().SetText("select id, name, amount from items where id = ?old_id");
    if (GetParam()) fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poUseSelectForLock});
    Open("select id, name, amount from items order by id");
  }
  std::string LockError() {
    try {
      fDataSet->LockRecord(true);
    } catch (const EDatabaseError& e) {
      return e.Message();
    }
    return "locked";
  }

  OtherUser fOther{fDb};
};

TEST_P(LockTest, RowHeldByAnotherUserIsADeadlockUntilItCommits) {
  fOther.Run("update items set amount = 11 where id = 1");
  EXPECT_EQ(fDataSet->LockRecord(false), lsDeadLock);
  EXPECT_EQ(LockError(), "Error of record updating:Deadlock detected");

  int asked = 0;
  fDataSet->OnLockError = [&](TDataSet*, TLockStatus status, AnsiString& message, TDataAction& action) {
    ++asked;
    EXPECT_EQ(status, lsDeadLock);
    EXPECT_EQ(message, "Error of record updating:Deadlock detected");
    fOther.Commit();
    action = daRetry;
  };
  EXPECT_EQ(fDataSet->LockRecord(true), lsSuccess);
  EXPECT_EQ(asked, 1);
  // Now the other user waits for this one.
  EXPECT_THROW(fOther.Run("update items set amount = 12 where id = 1"), EFIBError);
}

TEST_P(LockTest, AnAbortingHandlerStopsSilently) {
  fOther.Run("update items set amount = 11 where id = 1");
  fDataSet->OnLockError = [](TDataSet*, TLockStatus, AnsiString&, TDataAction& action) { action = daAbort; };
  EXPECT_THROW(fDataSet->LockRecord(true), EAbort);
}

TEST_P(LockTest, RowDeletedByAnotherUserDoesNotExist) {
  fDataSet->Next();
  fOther.Run("delete from items where id = 2");
  fOther.Commit();
  EXPECT_EQ(fDataSet->LockRecord(false), lsNotExist);
  EXPECT_EQ(LockError(), "Error of record updating:Record does not exist");
}

TEST_P(LockTest, KeyMatchingTwoRowsIsMultiply) {
  fDataSet->Close();
  TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
  options.SetAutoReWriteSqls(true);
  options.SetUpdateTableName("TWINS");
  options.SetKeyFields("ID");
  Open("select id, name from twins order by name");
  // Without an update text the key fields make the condition.
  fDataSet->UpdateSQL().Clear();
  EXPECT_EQ(fDataSet->LockRecord(false), lsMultiply);
  EXPECT_EQ(LockError(), "Error of record updating:Attempt to edit multiple records");
  fDataSet->Last();
  EXPECT_EQ(fDataSet->LockRecord(false), lsSuccess);
}

TEST_P(LockTest, NoUsableUpdateStatementIsRefused) {
  fDataSet->UpdateSQL().Clear();
  try {
    fDataSet->LockRecord(false);
    FAIL() << "locked without a statement";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Unable to lock record. Update query is empty");
  }
  fDataSet->Close();
  EXPECT_THROW(fDataSet->LockRecord(false), EFIBClientError);
}

TEST_P(LockTest, LockInAnEditWritesNothingTheCancelWouldKeep) {
  fDataSet->Edit();
  Field("ID")->SetAsInteger(5);
  Field("NAME")->SetAsString("typed, never posted");
  EXPECT_EQ(fDataSet->LockRecord(true), lsSuccess);
  fDataSet->Cancel();
  fTransaction->CommitRetaining();
  EXPECT_EQ(Oracle("select id, name, amount from items where id in (1, 5)"), "1|Ann|10.50");
  EXPECT_EQ(Field("NAME")->AsString(), "Ann");
}

INSTANTIATE_TEST_SUITE_P(Forms, LockTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Select" : "Update"; });

class ProtectedEditTest : public UpdatesTest {
 protected:
  ProtectedEditTest() : UpdatesTest(false) {
    fDataSet->UpdateSQL().SetText("update items set name = ?name where id = ?old_id");
    fDataSet->RefreshSQL().SetText("select id, name, amount from items where id = ?old_id");
    fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poProtectedEdit});
    Open("select id, name, amount from items order by id");
  }
  void Rename(const char* name) {
    fDataSet->Edit();
    Field("NAME")->SetAsString(name);
    fDataSet->Post();
  }
};

TEST_F(ProtectedEditTest, EditLocksAndRereadsOncePerTransaction) {
  // A change committed meanwhile by another user is what the edit starts from.
  OtherUser other(fDb);
  other.Run("update items set amount = 99 where id = 1");
  other.Commit();
  fDataSet->Edit();
  EXPECT_EQ(Field("AMOUNT")->AsFloat(), 99.0);
  EXPECT_THROW(other.Run("update items set amount = 1 where id = 1"), EFIBError);
  other.transaction->Rollback();
  Field("NAME")->SetAsString("First");
  fDataSet->Post();
  EXPECT_EQ(fDataSet->StatusAt(0), cusModified);

  // Locked already in this transaction: a second edit does not lock, so it needs no
  // statement to lock with.
  auto* keep = new TpFIBUpdateObject(&fForm);
  keep->SQL().SetText("update items set name = ?name where id = ?old_id");
  keep->SetDataSet(fDataSet);
  fDataSet->UpdateSQL().Clear();
  Rename("Second");
  EXPECT_EQ(fDataSet->StatusAt(0), cusModified);

  // The commit clears the marks: the next edit locks again, and has nothing to lock with.
  fTransaction->CommitRetaining();
  EXPECT_EQ(fDataSet->StatusAt(0), cusUnmodified);
  EXPECT_EQ(Oracle("select name from items where id = 1"), "Second");
  try {
    fDataSet->Edit();
    FAIL() << "edited without a lock";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Unable to lock record. Update query is empty");
  }
  EXPECT_EQ(fDataSet->State(), dsBrowse);
}

}  // namespace
}  // namespace ordvane::test
