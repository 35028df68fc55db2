// A dataset whose attachment is gone (deleted from MON$ATTACHMENTS by a second
// attachment, as a server restart or a lost network leaves it): deleting the components
// in any order, ending the transaction and disconnecting all complete, and leave
// everything closed, instead of raising out of a destructor or leaving a transaction
// that refers to a database no longer there.

#include <gtest/gtest.h>

#include <functional>

#include "datasets/pFIBDataSet.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

// Runs a call that ends something on the lost connection. Whether it then reports the
// loss depends on the client (the embedded engine fails the close of a cursor, the wire
// client frees it lazily and does not): what counts is that the call completed.
void CompletingDespiteTheLoss(const std::function<void()>& call) {
  try {
    call();
  } catch (const EFIBError&) {
    // The loss itself, reported after everything was ended.
  }
}

class DataSetOnLostConnection : public testing::Test {
 protected:
  DataSetOnLostConnection() {
    test::Configure(*fDatabase, fDb);
    fTransaction->SetDefaultDatabase(fDatabase);
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    fDataSet->SelectSQL().SetText("select ID, NAME from T order by ID");
    fDb.Isql("insert into T values (1, 'one');\ninsert into T values (2, 'two');\ncommit;\n");
  }

  // The dataset open in a running transaction, then its attachment deleted.
  void OpenAndLoseTheConnection() {
    fDatabase->SetConnected(true);
    fTransaction->StartTransaction();
    fDataSet->Open();
    ASSERT_TRUE(fDataSet->Active());
    test::KillAttachment(fDb, *fDatabase);
  }

  test::TestDatabase fDb{"dbclient/database.sql", {3, "WIN1251"}};
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
};

TEST_F(DataSetOnLostConnection, DeletingTheOpenDataSetClosesItQuietly) {
  OpenAndLoseTheConnection();
  delete fDataSet;
  fDataSet = nullptr;
  // The statement handles went with the dataset; the connection still closes whole.
  fDatabase->ForceClose();
  EXPECT_FALSE(fDatabase->Connected());
  EXPECT_FALSE(fTransaction->Active());
}

// The database goes first: its transaction ends with it (a transaction never outlives
// its database active), so that deleting the transaction afterwards finds nothing to end.
TEST_F(DataSetOnLostConnection, DeletingTheDatabaseEndsItsTransactionAndClosesTheDataSet) {
  OpenAndLoseTheConnection();
  delete fDatabase;
  fDatabase = nullptr;
  EXPECT_FALSE(fTransaction->Active());
  EXPECT_FALSE(fDataSet->Active());
  delete fTransaction;
  fTransaction = nullptr;
  EXPECT_FALSE(fDataSet->Active());
}

// A disconnect asked for after the loss leaves nothing connected, active or open, and a
// later connect is an ordinary one.
TEST_F(DataSetOnLostConnection, DisconnectingAfterTheLossLeavesEverythingClosed) {
  OpenAndLoseTheConnection();
  CompletingDespiteTheLoss([this] { fDatabase->SetConnected(false); });
  EXPECT_FALSE(fDatabase->Connected());
  EXPECT_FALSE(fTransaction->Active());
  EXPECT_FALSE(fDataSet->Active());
  fDatabase->SetConnected(true);
  fTransaction->StartTransaction();
  fDataSet->Open();
  EXPECT_EQ(fDataSet->FieldByName("NAME")->AsString(), "one");
}

// A forced end of the transaction completes although the dataset may fail to close its
// cursor on the server.
TEST_F(DataSetOnLostConnection, AForcedEndOfTheTransactionCompletes) {
  OpenAndLoseTheConnection();
  CompletingDespiteTheLoss([this] { fTransaction->EndTransaction(TARollback, true); });
  EXPECT_FALSE(fTransaction->Active());
  EXPECT_FALSE(fDataSet->Active());
  fDatabase->ForceClose();
  EXPECT_FALSE(fDatabase->Connected());
}

}  // namespace
}  // namespace ordvane
