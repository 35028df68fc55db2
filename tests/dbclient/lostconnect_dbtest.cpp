// The database component the application uses against real databases: aliases kept in
// the settings store, the login veto, and a lost connection (the attachment deleted from
// MON$ATTACHMENTS by a second attachment) handled by each of the four actions, with the
// reconnect timer on the virtual clock while the database file is renamed away and back.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "dbclient/FIBQuery.h"
#include "dbclient/pFIBAliases.h"
#include "dbclient/pFIBDatabase.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/support/VirtualTime.h"

namespace ordvane {
namespace {

namespace fs = std::filesystem;

// Takes a quit message waiting for this thread; its exit code, or -1 when none waits.
int TakeQuitMessage() {
  TMsg msg{};
  return PeekMessage(msg, 0, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(msg.wParam) : -1;
}

class LostConnection : public testing::Test {
 protected:
  LostConnection() {
    fDatabase->SetName("Database");
    test::Configure(*fDatabase, fDb);
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetDefaultTransaction(fTransaction);
    fQuery->SetDatabase(fDatabase);
    fQuery->SetTransaction(fTransaction);
    fQuery->SQL().SetText("select ID from T order by ID");
    fDatabase->OnLostConnect = [this](TpFIBDatabase*, const EFIBError& e, TOnLostConnectActions& actions) {
      fReports.push_back(std::to_string(actions));
      EXPECT_FALSE(e.Message().empty());
      actions = fChosen;
    };
    fDatabase->BeforeConnect = [this](TpFIBDatabase* database, TStrings&, bool&) {
      fRestoringAtConnect.push_back(database->Restoring());
    };
    fDatabase->AfterRestoreConnect = [this](TpFIBDatabase*) { ++fRestored; };
    fDatabase->OnErrorRestoreConnect = [this](TpFIBDatabase*, const EFIBError& e,
                                              TOnLostConnectActions& actions) {
      fRestoreErrors.push_back(e.Message());
      actions = fChosenOnRestoreError;
    };
  }
  ~LostConnection() override { TakeQuitMessage(); }

  // Connects with an open cursor in a running transaction, then a second attachment
  // deletes this one.
  void ConnectAndKill() {
    Connect();
    KillAttachment();
  }
  void Connect() {
    if (!fRowsInserted) fDb.Isql("insert into T values (1, 'one');\ninsert into T values (2, 'two');\ncommit;\n");
    fRowsInserted = true;
    fDatabase->Connect();
    fTransaction->StartTransaction();
    fQuery->ExecQuery();
    ASSERT_TRUE(fQuery->Open());
  }
  void KillAttachment() {
    fRestoringAtConnect.clear();
    fAttachment = test::KillAttachment(fDb, *fDatabase);
  }
  // The connection is lost and waits to be restored, every second, while the database
  // file is renamed away; answers where it went.
  fs::path LoseConnectionAndFile() {
    fChosen = laWaitRestore;
    fDatabase->SetWaitForRestoreConnect(1000);
    ConnectAndKill();
    const fs::path away = fDb.Path() + ".away";
    fs::rename(fDb.Path(), away);
    EXPECT_FALSE(fDatabase->CheckConnection(laCloseConnect));
    return away;
  }
  void ExpectClosed() {
    EXPECT_FALSE(fDatabase->Connected());
    EXPECT_FALSE(fTransaction->Active());
    EXPECT_FALSE(fQuery->Open());
    EXPECT_FALSE(fQuery->Prepared());
    EXPECT_FALSE(fDatabase->ClosingLostConnection());
  }
  // The statement works again on the (new) attachment.
  void ExpectUsable() {
    ASSERT_TRUE(fDatabase->Connected());
    EXPECT_NE(test::AttachmentId(*fDatabase), fAttachment);
    fTransaction->StartTransaction();
    fQuery->ExecQuery();
    EXPECT_EQ(fQuery->FieldByName("ID").GetAsLong(), 1);
    fQuery->Close();
    fTransaction->Commit();
  }

  // What the handlers read and write is declared first, so that it outlives the
  // components, whose destruction may still end a connection.
  TOnLostConnectActions fChosen = laCloseConnect;
  TOnLostConnectActions fChosenOnRestoreError = laIgnore;
  Int64 fAttachment = 0;
  bool fRowsInserted = false;
  std::vector<std::string> fReports;
  std::vector<bool> fRestoringAtConnect;
  std::vector<std::string> fRestoreErrors;
  int fRestored = 0;
  test::TestDatabase fDb{"dbclient/database.sql", {3, "WIN1251"}};
  TComponent fForm{nullptr};
  TpFIBDatabase* fDatabase = new TpFIBDatabase(&fForm);
  TpFIBTransaction* fTransaction = new TpFIBTransaction(&fForm);
  TFIBQuery* fQuery = new TFIBQuery(&fForm);
};

// The sockets this process has open: through a server each attachment holds one. Other
// files are left out, as the embedded engine opens its lock and log files when it likes.
int OpenSocketCount() {
  int sockets = 0;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd"))
    if (fs::read_symlink(entry.path(), ignored).string().starts_with("socket:")) ++sockets;
  return sockets;
}

// Every action but ignoring closes the lost connection and gives the client's resources
// back, losing it again and again leaves no socket behind, and nothing reconnects.
TEST_F(LostConnection, EndingActionsCloseEverythingAndNeverReconnect) {
  test::VirtualTime time;
  int openAfterFirstLoss = -1;
  const struct {
    TOnLostConnectActions chosen;
    Cardinal wait;  // for a restore, which needs a timer
    int quitCode;
  } cases[] = {
      {laCloseConnect, 1000, -1}, {laTerminateApp, 1000, 0}, {laWaitRestore, 0, -1}, {laCloseConnect, 0, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    fChosen = c.chosen;
    fDatabase->SetWaitForRestoreConnect(c.wait);
    EXPECT_EQ(fDatabase->WaitForRestoreConnect(), c.wait);
    fReports.clear();
    ConnectAndKill();
    EXPECT_FALSE(fDatabase->CheckConnection(laCloseConnect));
    EXPECT_EQ(fReports, std::vector<std::string>{std::to_string(laCloseConnect)});
    ExpectClosed();
    EXPECT_EQ(TakeQuitMessage(), c.quitCode);
    time.Advance(60000);
    EXPECT_FALSE(fDatabase->Connected());
    EXPECT_TRUE(fRestoringAtConnect.empty());
    if (openAfterFirstLoss < 0)
      openAfterFirstLoss = OpenSocketCount();
    else
      EXPECT_EQ(OpenSocketCount(), openAfterFirstLoss);
  }
  // A later connect is an ordinary one.
  fDatabase->Connect();
  ExpectUsable();
}

// The database's own disconnect runs when it is destroyed connected: it asks the server
// first and closes the lost connection's objects as a close would, but quietly, since
// whoever set the handler may be destroyed already. The loss is made certain first: seen
// and ignored, so that the database is still connected to a dead attachment.
TEST_F(LostConnection, DestroyedWhileConnectedItEndsThroughItsOwnDisconnectQuietly) {
  fChosen = laIgnore;
  ConnectAndKill();
  ASSERT_FALSE(fDatabase->CheckConnection(laIgnore));
  ASSERT_TRUE(fDatabase->Connected());
  fReports.clear();
  delete fDatabase;
  fDatabase = nullptr;
  EXPECT_EQ(fReports, std::vector<std::string>{});
  EXPECT_FALSE(fTransaction->Active());
  EXPECT_FALSE(fQuery->Open());
}

// A statement destroyed on the lost connection could not free its handle, which the
// client library then still knows and clears at the detach: that write must not reach
// the memory the statement has given back (here the test's own, filled again after the
// destructor).
TEST_F(LostConnection, AStatementGoneBeforeTheDetachIsNotWrittenToByIt) {
  fChosen = laCloseConnect;
  Connect();
  alignas(TFIBQuery) std::array<unsigned char, sizeof(TFIBQuery)> storage{};
  auto* statement = new (storage.data()) TFIBQuery(nullptr);
  statement->SetDatabase(fDatabase);
  statement->SetTransaction(fTransaction);
  statement->SQL().SetText("select NAME from T");
  statement->ExecQuery();
  KillAttachment();
  statement->~TFIBQuery();
  storage.fill(0x5A);
  EXPECT_FALSE(fDatabase->CheckConnection(laCloseConnect));
  ExpectClosed();
  EXPECT_EQ(std::count(storage.begin(), storage.end(), 0x5A), static_cast<long>(storage.size()));
}

TEST_F(LostConnection, IgnoreLeavesTheDatabaseAloneButACloseStillCloses) {
  fChosen = laIgnore;
  ConnectAndKill();
  EXPECT_FALSE(fDatabase->CheckConnection(laWaitRestore));
  EXPECT_EQ(fReports, std::vector<std::string>{std::to_string(laWaitRestore)});
  EXPECT_TRUE(fDatabase->Connected());
  EXPECT_TRUE(fTransaction->Active());
  // Closing asks the server first: the loss is reported (preset laCloseConnect) instead
  // of raised, and the database is closed even though the handler still says laIgnore.
  EXPECT_NO_THROW(fDatabase->Close());
  EXPECT_EQ(fReports.size(), 2u);
  EXPECT_EQ(fReports.back(), std::to_string(laCloseConnect));
  ExpectClosed();
}

TEST_F(LostConnection, WaitRestoreReconnectsOnTheTimer) {
  test::VirtualTime time;
  fChosen = laWaitRestore;
  fDatabase->SetWaitForRestoreConnect(1000);
  ConnectAndKill();
  EXPECT_FALSE(fDatabase->CheckConnection(laCloseConnect));
  ExpectClosed();
  time.Advance(999);
  EXPECT_FALSE(fDatabase->Connected());
  time.Advance(1);
  EXPECT_EQ(fRestored, 1);
  EXPECT_EQ(fRestoringAtConnect, std::vector<bool>{true});
  EXPECT_FALSE(fDatabase->Restoring());
  ExpectUsable();
  // The timer stopped with the success.
  time.Advance(5000);
  EXPECT_EQ(fRestoringAtConnect.size(), 1u);
}

TEST_F(LostConnection, ReconnectWaitsWhileTheDatabaseFileIsAway) {
  test::VirtualTime time;
  const fs::path away = LoseConnectionAndFile();
  time.Advance(2000);
  EXPECT_FALSE(fDatabase->Connected());
  EXPECT_EQ(fRestoreErrors.size(), 2u);
  EXPECT_EQ(fRestoringAtConnect, (std::vector<bool>{true, true}));
  EXPECT_FALSE(fDatabase->Restoring());
  EXPECT_EQ(fRestored, 0);
  fs::rename(away, fDb.Path());
  time.Advance(1000);
  EXPECT_EQ(fRestored, 1);
  EXPECT_FALSE(fDatabase->Restoring());
  ExpectUsable();
}

TEST_F(LostConnection, AFailedReconnectCanEndTheApplication) {
  test::VirtualTime time;
  fChosenOnRestoreError = laTerminateApp;
  const fs::path away = LoseConnectionAndFile();
  // The message loop that the virtual clock runs takes the quit message.
  EXPECT_FALSE(Application->Terminated());
  time.Advance(1000);
  EXPECT_TRUE(Application->Terminated());
  fs::rename(away, fDb.Path());
  // No further attempt once the application is ending.
  time.Advance(5000);
  EXPECT_EQ(fRestoreErrors.size(), 1u);
  EXPECT_FALSE(fDatabase->Connected());
}

// ---- Aliases and the login veto --------------------------------------------------------

class Aliases : public testing::Test {
 protected:
  Aliases() { fDatabase->SetName("Database"); }
  // The settings file as the user would find it.
  static std::string SettingsText() {
    std::ifstream in(fs::path(test::TestTempDir()) / "config" / "ordvane" / "settings");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  test::TestDatabase fDb{"dbclient/database.sql", {1, "WIN1251"}};
  TComponent fForm{nullptr};
  TpFIBDatabase* fDatabase = new TpFIBDatabase(&fForm);
};

TEST_F(Aliases, AnAliasConnectsAndIsSavedBackWithoutThePassword) {
  TAliasParams stored;
  stored.DatabaseName = fDb.ConnectString();
  stored.UserName = fDb.User();
  stored.LcCtype = "WIN1251";
  stored.SQLDialect = "1";
  WriteAliasParams("Forms", stored);

  fDatabase->SetSQLDialect(3);
  fDatabase->SetAliasName("Forms");
  EXPECT_EQ(fDatabase->DBName(), fDb.ConnectString());
  EXPECT_EQ(fDatabase->ConnectParams().UserName(), fDb.User());
  EXPECT_EQ(fDatabase->ConnectParams().CharSet(), "WIN1251");
  EXPECT_EQ(fDatabase->SQLDialect(), 1);

  // The embedded engine asks for no password: give a recognisable one all the same.
  const std::string password = fDb.Password().empty() ? "never-stored" : fDb.Password();
  fDatabase->ConnectParams().SetPassword(password);
  fDatabase->ConnectParams().SetRoleName("CLERK");
  fDatabase->Connect();
  ASSERT_TRUE(fDatabase->Connected());
  EXPECT_EQ(test::IsqlRows(fDb, "select count(*) from mon$attachments where mon$attachment_id = " +
                                    std::to_string(test::AttachmentId(*fDatabase))),
            "1");
  const std::optional<TAliasParams> saved = ReadAliasParams("Forms");
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->RoleName, "CLERK");
  EXPECT_EQ(saved->DatabaseName, fDb.ConnectString());
  EXPECT_EQ(SettingsText().find(password), std::string::npos);
  EXPECT_NE(SettingsText().find("CLERK"), std::string::npos);

  try {
    fDatabase->SetAliasName("Other");
    ADD_FAILURE() << "an alias was changed on a connected database";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 13);
  }
  EXPECT_EQ(fDatabase->AliasName(), "Forms");
}

TEST_F(Aliases, AMissingAliasChangesNothing) {
  fDatabase->SetDBName("kept.fdb");
  fDatabase->SetAliasName("Nowhere");
  EXPECT_FALSE(fDatabase->LoadAliasParams());
  EXPECT_EQ(fDatabase->DBName(), "kept.fdb");
}

TEST_F(Aliases, NoSaveAfterConnectWhenNotAsked) {
  TAliasParams stored;
  stored.DatabaseName = fDb.ConnectString();
  stored.UserName = fDb.User();
  WriteAliasParams("Quiet", stored);
  fDatabase->SetAliasName("Quiet");
  fDatabase->SetSaveAliasParamsAfterConnect(false);
  fDatabase->ConnectParams().SetPassword(fDb.Password());
  fDatabase->Connect();
  ASSERT_TRUE(fDatabase->Connected());
  EXPECT_EQ(ReadAliasParams("Quiet")->SQLDialect, "");
}

TEST_F(Aliases, BeforeConnectCanVetoWithoutAnError) {
  test::Configure(*fDatabase, fDb);
  std::vector<std::string> seen;
  fDatabase->OnLogin = [&](TpFIBDatabase*, TStrings& params, bool& doConnect) {
    seen.push_back(params.Values("user_name"));
    doConnect = false;
  };
  EXPECT_NO_THROW(fDatabase->Connect());
  EXPECT_FALSE(fDatabase->Connected());
  EXPECT_EQ(seen, std::vector<std::string>{fDb.User()});
}

}  // namespace
}  // namespace ordvane
