// Database and transaction components against real databases: connecting, what the
// server tells about itself, notifications, transactions checked by the server's own
// CURRENT_TRANSACTION and monitoring tables, a transaction over two databases, the
// parameter mode, idle time-outs and a forced end after the attachment was killed.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/core/Application.h"
#include "dbclient/pFIBDatabase.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/support/VirtualTime.h"

namespace ordvane {
namespace {

// A logger that keeps what it is told.
class RecordingLogger : public TComponent, public ISQLLogger {
 public:
  using TComponent::TComponent;
  void AttachDatabase(TFIBDatabase* database) override { attached = database; }
  void WriteData(const AnsiString& objectName, const AnsiString& operation, const AnsiString&, int kind) override {
    lines.push_back(objectName + ":" + operation + ":" + std::to_string(kind));
  }
  TFIBDatabase* attached = nullptr;
  std::vector<std::string> lines;
};

class DatabaseTest : public testing::Test {
 protected:
  DatabaseTest() {
    fForm.SetName("Form");
    fDatabase->SetName("Database");
    fTransaction->SetName("Trans");
    test::Configure(*fDatabase, fDb);
    fTransaction->SetDefaultDatabase(fDatabase);
  }

  // The transactions the server lists for this attachment, by id.
  std::string MonitoredTransactions() {
    return test::IsqlRows(fDb, "select mon$transaction_id from mon$transactions where mon$attachment_id = " +
                                   std::to_string(test::AttachmentId(*fDatabase)) + " order by 1");
  }

  test::TestDatabase fDb{"dbclient/database.sql", {3, "WIN1251"}};
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TpFIBTransaction* fTransaction = new TpFIBTransaction(&fForm);
};

TEST_F(DatabaseTest, ConnectsAndReadsWhatTheServerTellsAboutItself) {
  fDatabase->SetConnected(true);
  ASSERT_TRUE(fDatabase->Connected());
  EXPECT_TRUE(fDatabase->TestConnected());
  EXPECT_EQ(fDatabase->SQLDialect(), 3);
  EXPECT_EQ(fDatabase->GetDBSQLDialect(), 3);
  EXPECT_EQ(std::to_string(fDatabase->GetAttachmentCharSetID()),
            test::IsqlRows(fDb, "select rdb$character_set_id from rdb$character_sets "
                                "where rdb$character_set_name = 'WIN1251'"));
  EXPECT_FALSE(fDatabase->IsUnicodeCharSet());
  EXPECT_FALSE(fDatabase->IsUnicodeOrNoneCharSet());
  // The version: "LI-V3.0.11.33637 Firebird 3.0" against the engine's own "3.0.11".
  EXPECT_TRUE(fDatabase->IsFirebirdConnect());
  EXPECT_FALSE(fDatabase->IsIB2007Connect());
  const std::string engine =
      test::IsqlRows(fDb, "select rdb$get_context('SYSTEM', 'ENGINE_VERSION') from rdb$database");
  EXPECT_EQ(std::to_string(fDatabase->GetServerMajorVersion()) + "." +
                std::to_string(fDatabase->GetServerMinorVersion()) + "." + std::to_string(fDatabase->GetServerRelease()),
            engine);
  EXPECT_GT(fDatabase->GetServerBuild(), 0);
  EXPECT_NE(fDatabase->GetFirebirdVersion().find(engine + "."), std::string::npos);
  EXPECT_NE(fDatabase->GetServerVersionText(), "");
  EXPECT_EQ(fDatabase->GetODSMajorVersion(), 12);
  EXPECT_TRUE(fDatabase->IsFB21UnicodeOrNone() == false);
  EXPECT_EQ(fDatabase->IsRemoteConnect(), test::CurrentTier() == test::FbTier::Server);
  EXPECT_GT(fDatabase->QueryBaseLevel(), 0);
  EXPECT_EQ(fDatabase->BytesPerCharOfCharSet(4), 4);
  // The attachment the server lists is ours, with the user we asked for.
  EXPECT_EQ(test::IsqlRows(fDb, "select trim(mon$user) from mon$attachments where mon$attachment_id = " +
                                    std::to_string(test::AttachmentId(*fDatabase))),
            "SYSDBA");

  // What may not happen while connected.
  EXPECT_THROW(fDatabase->Connect(), EFIBClientError);
  EXPECT_THROW(fDatabase->SetDBName("other.fdb"), EFIBClientError);
  EXPECT_THROW(fDatabase->DBParams().Add("num_buffers=100"), EFIBClientError);
  EXPECT_THROW(fDatabase->SetLibraryName("libother.so"), EFIBClientError);
  EXPECT_THROW(fDatabase->SetSQLDialect(4), EFIBClientError);

  fDatabase->SetConnected(false);
  EXPECT_FALSE(fDatabase->Connected());
  EXPECT_THROW(fDatabase->GetDBSQLDialect(), EFIBClientError);
  // A bad parameter line fails the connect; once mended the database connects.
  fDatabase->DBParams().Add("no_such_thing=1");
  EXPECT_THROW(fDatabase->Connect(), EFIBClientError);
  fDatabase->DBParams().Delete(fDatabase->DBParams().Count() - 1);
  fDatabase->Connect();
  EXPECT_TRUE(fDatabase->Connected());
  // The server's refusal keeps the database closed.
  fDatabase->Close();
  fDatabase->ConnectParams().SetUserName("NOBODY_HERE");
  fDatabase->ConnectParams().SetPassword("wrong");
  if (test::CurrentTier() == test::FbTier::Server) {
    EXPECT_THROW(fDatabase->Connect(), EFIBInterBaseError);
    EXPECT_FALSE(fDatabase->Connected());
  }
}

TEST_F(DatabaseTest, AUnicodeConnectionIsKnownAsOne) {
  test::Configure(*fDatabase, fDb, "UTF8");
  fDatabase->Connect();
  EXPECT_EQ(fDatabase->GetAttachmentCharSetID(), 4);
  EXPECT_TRUE(fDatabase->IsUnicodeCharSet());
  EXPECT_TRUE(fDatabase->IsUnicodeOrNoneCharSet());
  EXPECT_TRUE(fDatabase->IsFB21UnicodeOrNone());
  EXPECT_EQ(fDatabase->UnicodeCharSetIDs(), (std::set<Integer>{3, 4}));
}

TEST_F(DatabaseTest, StoredSettingsApplyWhenLoadingEnds) {
  fDatabase->BeginLoading();
  fTransaction->BeginLoading();
  fDatabase->SetConnected(true);
  fTransaction->SetActive(true);
  fDatabase->SetDefaultTransaction(fTransaction);
  EXPECT_FALSE(fDatabase->Connected());
  fDatabase->EndLoading();
  EXPECT_TRUE(fDatabase->Connected());
  EXPECT_TRUE(fTransaction->Active());
  const Integer id = fTransaction->TransactionID();
  fTransaction->EndLoading();  // already started: not again
  EXPECT_EQ(fTransaction->TransactionID(), id);
  fDatabase->Close();

  // A pending connect also happens at the first use that needs the attachment.
  fDatabase->BeginLoading();
  fDatabase->SetConnected(true);
  TFIBBase link(nullptr);
  link.SetDatabase(fDatabase);
  EXPECT_NE(link.GetDBHandle(), nullptr);
  EXPECT_TRUE(fDatabase->Connected());
  fDatabase->EndLoading();
}

TEST(DialectOne, ADialectThreeClientIsLoweredToTheDatabasesDialect) {
  test::TestDatabase db("", {1, "WIN1251"});
  TFIBDatabase database(nullptr);
  test::Configure(database, db);
  database.SetSQLDialect(3);
  database.Connect();
  EXPECT_EQ(database.SQLDialect(), 1);
  EXPECT_TRUE(database.UsesUpperNames());
  EXPECT_THROW(database.SetSQLDialect(3), EFIBClientError);
  database.SetSQLDialect(1);
  database.Close();
  // Closed, any dialect may be asked for again.
  database.SetSQLDialect(3);
  EXPECT_EQ(database.SQLDialect(), 3);
}

TEST_F(DatabaseTest, NotificationsComeInTheirOrder) {
  std::vector<std::string> events;
  auto record = [&events](std::string what) { return [&events, what](auto&&...) { events.push_back(what); }; };
  TFIBBase first(nullptr), second(nullptr);
  for (auto [link, name] : {std::pair{&first, "first"}, std::pair{&second, "second"}}) {
    const std::string n = name;
    link->OnDatabaseConnecting = record(n + " connecting");
    link->OnDatabaseConnected = record(n + " connected");
    link->OnDatabaseDisconnecting = record(n + " disconnecting");
    link->OnDatabaseDisconnected = record(n + " disconnected");
    link->OnTransactionStarting = record(n + " starting");
    link->OnTransactionStarted = record(n + " started");
    link->OnTransactionEnding = record(n + " ending");
    link->OnTransactionEnded = record(n + " ended");
    link->SetDatabase(fDatabase);
    link->SetTransaction(fTransaction);
  }
  fDatabase->OnConnect = record("OnConnect");
  fDatabase->AfterConnectHandlers().Add(TNotifyEvent(record("after connect 1")));
  fDatabase->AfterConnectHandlers().Add(TNotifyEvent(record("after connect 2")));
  fDatabase->BeforeDisconnect = record("BeforeDisconnect");
  fDatabase->BeforeDisconnectHandlers().Add(TNotifyEvent(record("before disconnect")));
  fDatabase->AfterDisconnect = record("AfterDisconnect");
  fTransaction->BeforeStart = record("BeforeStart");
  fTransaction->AfterStart = record("AfterStart");
  fTransaction->BeforeEnd = record("BeforeEnd");
  fTransaction->AfterEnd = record("AfterEnd");
  fTransaction->AddEvent(TNotifyEvent(record("before start 1")), 0);
  fTransaction->AddEvent(TNotifyEvent(record("before start 2")), 0);
  fTransaction->AddEvent(TNotifyEvent(record("after start")), 1);
  fTransaction->AddCallBack(TEndTrEvent(record("before end 1")), 2);
  fTransaction->AddCallBack(TEndTrEvent(record("before end 2")), 2);
  fTransaction->AddCallBack(TEndTrEvent([&](TFIBTransaction* t, TTransactionAction action, bool force) {
                              events.push_back("after end " + std::to_string(action) + (force ? " forced" : "") +
                                               (t->State() == tsDoCommitRetaining ? " in commit retaining" : ""));
                            }),
                            3);
  fTransaction->SetTimeoutAction(TACommitRetaining);

  fDatabase->Connect();
  fTransaction->StartTransaction();
  fTransaction->CommitRetaining();
  fDatabase->Close();
  const std::vector<std::string> expected = {
      "first connecting", "second connecting", "OnConnect", "after connect 1", "after connect 2", "first connected",
      "second connected",
      // Start: links in order, then the handlers last registered first.
      "BeforeStart", "first starting", "second starting", "before start 2", "before start 1", "after start",
      "first started", "second started", "AfterStart",
      // A retaining end: links last first, then the handlers in registration order.
      "BeforeEnd", "second ending", "first ending", "before end 1", "before end 2", "second ended", "first ended",
      "after end 3 in commit retaining", "AfterEnd",
      // The disconnect ends the transaction by its time-out action, in its hard form.
      "BeforeDisconnect", "before disconnect", "BeforeEnd", "second ending", "first ending", "before end 1",
      "before end 2", "second ended", "first ended", "after end 2 forced", "AfterEnd", "first disconnecting",
      "second disconnecting", "first disconnected", "second disconnected", "AfterDisconnect"};
  EXPECT_EQ(events, expected);
}

TEST_F(DatabaseTest, ATransactionOffersItsStartsAndEndsToItsDatabase) {
  std::vector<std::string> events;
  auto record = [&](std::string what) {
    return [&events, what, this](TObject* sender, auto&&... end) {
      EXPECT_EQ(sender, fTransaction);
      std::string line = what;
      ((line += " " + std::to_string(end)), ...);
      events.push_back(line);
    };
  };
  auto* database = new TpFIBDatabase(&fForm);
  test::Configure(*database, fDb);
  fTransaction->SetDefaultDatabase(database);
  database->BeforeStartTransaction = record("database before start");
  database->AfterStartTransaction = record("database after start");
  database->BeforeEndTransaction = record("database before end");
  database->AfterEndTransaction = record("database after end");
  fTransaction->BeforeStart = record("before start");
  fTransaction->AfterStart = record("after start");
  fTransaction->BeforeEnd = record("before end");
  fTransaction->AfterEnd = record("after end");

  database->Connect();
  fTransaction->StartTransaction();
  fTransaction->Rollback();
  const std::vector<std::string> expected = {
      "database before start", "before start", "after start", "database after start",
      "database before end " + std::to_string(TARollback) + " 0", "before end " + std::to_string(TARollback) + " 0",
      "after end " + std::to_string(TARollback) + " 0", "database after end " + std::to_string(TARollback) + " 0"};
  EXPECT_EQ(events, expected);
  // A plain database offers nothing, and the transaction still runs.
  events.clear();
  fTransaction->SetDefaultDatabase(fDatabase);
  fDatabase->Connect();
  fTransaction->StartTransaction();
  fTransaction->Commit();
  EXPECT_EQ(events.size(), 4u);
}

TEST_F(DatabaseTest, ATransactionHearsOfEveryExecutionInItWithTheStatementsKind) {
  std::vector<std::string> events;
  TFIBQuery query(&fForm);
  auto record = [&](std::string what) {
    return [&events, &query, what](TFIBQuery* sender, TFIBSQLTypes kind) {
      EXPECT_EQ(sender, &query);
      events.push_back(what + " " + std::to_string(kind));
    };
  };
  fTransaction->BeforeSQLExecute = record("before");
  fTransaction->AfterSQLExecute = record("after");
  test::ConnectStatement(*fDatabase, *fTransaction, query);
  // Before its first execution the statement is not prepared yet: its kind is unknown.
  query.SQL().SetText("select count(*) from rdb$database");
  query.ExecQuery();
  query.Close();
  query.SQL().SetText("update rdb$database set rdb$description = rdb$description where 1 = 0");
  query.Prepare();
  query.ExecQuery();
  const std::vector<std::string> expected = {"before " + std::to_string(SQLUnknown), "after " + std::to_string(SQLSelect),
                                             "before " + std::to_string(SQLUpdate), "after " + std::to_string(SQLUpdate)};
  EXPECT_EQ(events, expected);
  // A failed execution is not reported as done.
  events.clear();
  query.SQL().SetText("insert into rdb$database (rdb$relation_id) values (null)");
  EXPECT_ANY_THROW(query.ExecQuery());
  EXPECT_EQ(events.size(), 1u);
}

TEST_F(DatabaseTest, StartCommitRollbackAndRetainingAsTheServerSeesThem) {
  RecordingLogger logger(&fForm);
  fDatabase->SetSQLLogger(&logger);
  EXPECT_EQ(logger.attached, fDatabase);
  fTransaction->SetTPBMode(tpbDefault);
  fTransaction->TRParams().Add("write");
  fTransaction->TRParams().Add("concurrency");
  fDatabase->SetSynchronizeTime(false);  // its query at connect would log the internal transaction first
  fDatabase->Connect();
  fTransaction->SetActive(true);
  ASSERT_TRUE(fTransaction->Active());
  EXPECT_EQ(fTransaction->State(), tsActive);
  EXPECT_THROW(fTransaction->TRParams().Add("nowait"), EFIBClientError);
  EXPECT_EQ(fTransaction->TRParams().Count(), 2);
  fTransaction->SetActive(true);  // nothing to do
  fTransaction->StartTransaction();  // nor for this one

  const Integer first = fTransaction->TransactionID();
  EXPECT_EQ(test::CurrentTransaction(*fDatabase, *fTransaction), first);
  EXPECT_NE(MonitoredTransactions().find(std::to_string(first)), std::string::npos);

  test::Execute(*fDatabase, *fTransaction, "insert into T values (1, 'kept')");
  fTransaction->CommitRetaining();
  EXPECT_TRUE(fTransaction->Active());
  const Integer second = fTransaction->TransactionID();
  EXPECT_NE(second, first);
  EXPECT_EQ(test::CurrentTransaction(*fDatabase, *fTransaction), second);
  EXPECT_EQ(test::IsqlRows(fDb, "select name from T"), "kept");

  test::Execute(*fDatabase, *fTransaction, "insert into T values (2, 'dropped')");
  fTransaction->RollbackRetaining();
  EXPECT_TRUE(fTransaction->Active());
  EXPECT_EQ(test::CurrentTransaction(*fDatabase, *fTransaction), fTransaction->TransactionID());
  test::Execute(*fDatabase, *fTransaction, "insert into T values (3, 'committed')");
  const Integer last = fTransaction->TransactionID();
  fTransaction->Commit();
  EXPECT_FALSE(fTransaction->Active());
  EXPECT_EQ(fTransaction->State(), tsInactive);
  EXPECT_EQ(fTransaction->TransactionID(), 0);
  EXPECT_EQ(MonitoredTransactions().find(std::to_string(last)), std::string::npos);
  EXPECT_EQ(test::IsqlRows(fDb, "select name from T order by id"), "kept;committed");

  fTransaction->StartTransaction();
  test::Execute(*fDatabase, *fTransaction, "delete from T");
  fTransaction->SetActive(false);  // rolls back
  EXPECT_EQ(test::IsqlRows(fDb, "select count(*) from T"), "2");
  EXPECT_THROW(fTransaction->Commit(), EFIBClientError);

  const std::vector<std::string> logged(logger.lines.begin(), logger.lines.begin() + 3);
  EXPECT_EQ(logged, (std::vector<std::string>{"Database:Connect:3", "Form.Trans:StartTransaction(TransactionID=" +
                                                                         std::to_string(first) + "):4",
                                              "Form.Trans:CommitRetianing(TransactionID=" + std::to_string(first) +
                                                  ") :4"}));
}

TEST_F(DatabaseTest, OneTransactionOverTwoDatabases) {
  test::TestDatabase otherDb("dbclient/database.sql", {3, "WIN1251"});
  auto* other = new TFIBDatabase(&fForm);
  test::Configure(*other, otherDb);
  fDatabase->Connect();
  other->Connect();
  fTransaction->AddDatabase(other);
  fTransaction->StartTransaction();
  test::Execute(*fDatabase, *fTransaction, "insert into T values (1, 'here')");
  test::Execute(*other, *fTransaction, "insert into T values (2, 'there')");
  EXPECT_EQ(test::CurrentTransaction(*fDatabase, *fTransaction), fTransaction->TransactionID());
  EXPECT_EQ(test::IsqlRows(otherDb, "select count(*) from T"), "0");
  fTransaction->Commit();
  EXPECT_EQ(test::IsqlRows(fDb, "select name from T"), "here");
  EXPECT_EQ(test::IsqlRows(otherDb, "select name from T"), "there");

  // Both databases must be connected to start.
  other->Close();
  EXPECT_THROW(fTransaction->StartTransaction(), EFIBClientError);
  EXPECT_FALSE(fTransaction->Active());
}

TEST_F(DatabaseTest, TheParameterModeWritesTheLinesTheServerRuns) {
  fDatabase->Connect();
  struct Case {
    TTPBMode mode;
    std::vector<const char*> lines;
    const char* monitored;  // isolation|lock time-out|read-only
  };
  const Case cases[] = {
      {tpbReadCommitted, {"read", "consistency", "wait"}, "2|0|0"},
      {tpbRepeatableRead, {"read", "read_committed"}, "1|0|0"},
      {tpbDefault, {"read", "consistency", "wait"}, "0|-1|1"},
  };
  for (const Case& c : cases) {
    fTransaction->SetTPBMode(c.mode);
    fTransaction->TRParams().Clear();
    for (const char* line : c.lines) fTransaction->TRParams().Add(line);
    fTransaction->StartTransaction();
    EXPECT_EQ(test::IsqlRows(fDb, "select mon$isolation_mode, mon$lock_timeout, mon$read_only from mon$transactions "
                                  "where mon$transaction_id = " +
                                      std::to_string(fTransaction->TransactionID())),
              c.monitored)
        << c.mode;
    fTransaction->Rollback();
  }
  EXPECT_EQ(fTransaction->TRParams().Text(), "read\r\nconsistency\r\nwait\r\n");
}

TEST_F(DatabaseTest, IdleDatabaseAndTransactionEndOnTheSecondTick) {
  test::VirtualTime time;
  fDatabase->Connect();
  int databaseTimeouts = 0, transactionTimeouts = 0;
  fDatabase->OnTimeout = [&](TObject*) { ++databaseTimeouts; };
  fTransaction->OnTimeout = [&](TObject*) { ++transactionTimeouts; };
  fTransaction->SetTimeoutAction(TACommit);
  fTransaction->SetTimeout(1000);
  fTransaction->StartTransaction();
  test::Execute(*fDatabase, *fTransaction, "insert into T values (1, 'idle')");
  time.Advance(1000);
  EXPECT_TRUE(fTransaction->Active());
  time.Advance(1000);
  EXPECT_FALSE(fTransaction->Active());
  EXPECT_EQ(transactionTimeouts, 1);
  EXPECT_EQ(test::IsqlRows(fDb, "select name from T"), "idle");  // ended by its action

  fDatabase->SetTimeout(1000);
  time.Advance(1500);
  EXPECT_TRUE(fDatabase->Connected());
  fDatabase->GetDBSQLDialect();  // a client call restarts the count
  time.Advance(1500);
  EXPECT_TRUE(fDatabase->Connected());
  time.Advance(500);
  EXPECT_FALSE(fDatabase->Connected());
  EXPECT_EQ(databaseTimeouts, 1);
  time.Advance(5000);
  EXPECT_EQ(databaseTimeouts, 1);
  EXPECT_EQ(transactionTimeouts, 1);
}

class KilledAttachment : public DatabaseTest {
 protected:
  // Starts a transaction that commits on a forced end, writes a row and kills the
  // attachment from a second one.
  void WriteAndKill() {
    fDatabase->SetSQLLogger(&fLogger);
    fTransaction->SetTimeoutAction(TACommit);
    fTransaction->OnForcedEndError = [this](TFIBTransaction*, TTransactionAction action, const Exception& e) {
      fReported.push_back(std::to_string(action) + ":" + e.Message());
    };
    fDatabase->Connect();
    fTransaction->StartTransaction();
    test::Execute(*fDatabase, *fTransaction, "insert into T values (1, 'lost')");
    test::KillAttachment(fDb, *fDatabase);
  }
  void ExpectCleanedUpAndReported() {
    EXPECT_FALSE(fTransaction->Active());
    EXPECT_EQ(fTransaction->State(), tsInactive);
    EXPECT_EQ(fReported.size(), 1u);
    EXPECT_EQ(fReported.empty() ? "" : fReported[0].substr(0, 2), "2:");
    int failures = 0;
    for (const auto& line : fLogger.lines) failures += line.rfind("Form.Trans:Forced Commit failed, rolled back: ", 0) == 0;
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(test::IsqlRows(fDb, "select count(*) from T"), "0");
  }

  RecordingLogger fLogger{&fForm};
  std::vector<std::string> fReported;
};

TEST_F(KilledAttachment, AForcedCloseFinishesAndThenRaisesTheLostCommit) {
  WriteAndKill();
  try {
    fDatabase->ForceClose();
    ADD_FAILURE() << "the lost commit passed for a success";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.Sender(), fTransaction);
  }
  EXPECT_FALSE(fDatabase->Connected());
  ExpectCleanedUpAndReported();
}

TEST_F(KilledAttachment, TheIdleTimeOutReportsTheLostCommitToTheApplication) {
  test::VirtualTime time;
  std::vector<std::string> reportedToApplication;
  Application->OnException = [&](TObject*, Exception& e) { reportedToApplication.push_back(e.Message()); };
  WriteAndKill();
  int timeouts = 0;
  fDatabase->OnTimeout = [&](TObject*) { ++timeouts; };
  fDatabase->SetTimeout(1000);
  time.Advance(2000);
  Application->OnException = nullptr;
  EXPECT_FALSE(fDatabase->Connected());
  EXPECT_EQ(timeouts, 1);
  EXPECT_EQ(reportedToApplication.size(), 1u);
  ExpectCleanedUpAndReported();
}

TEST_F(KilledAttachment, DestroyingTheTransactionReportsAndRaisesNothing) {
  WriteAndKill();
  auto* transaction = fTransaction;
  fTransaction->OnForcedEndError = [&](TFIBTransaction* t, TTransactionAction action, const Exception& e) {
    EXPECT_EQ(t, transaction);
    fReported.push_back(std::to_string(action) + ":" + e.Message());
  };
  fTransaction = nullptr;
  EXPECT_NO_THROW(delete transaction);
  EXPECT_EQ(fReported.size(), 1u);
  EXPECT_EQ(fDatabase->ActiveTransactionCount(), 0);
  EXPECT_EQ(test::IsqlRows(fDb, "select count(*) from T"), "0");
}

}  // namespace
}  // namespace ordvane
