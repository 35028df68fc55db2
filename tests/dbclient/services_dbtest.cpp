// The services of the database component. Creating and dropping: the file appears and
// goes, and isql-fb, a client of its own, can attach to what was created and cannot
// attach to what was dropped; a transaction on a dropped database does not outlive it.
// Generator values and one-value queries against what isql-fb reads, the server's time
// against the local clock.

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "dbclient/pFIBCacheQueries.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

namespace fs = std::filesystem;

class Services : public ::testing::Test {
 protected:
  Services() {
    fDatabase.SetDBName(test::ServerPrefix() + fPath);
    fDatabase.SetSQLDialect(3);
  }
  ~Services() override {
    if (fDatabase.Connected()) fDatabase.ForceClose();
    std::error_code ignored;
    fs::remove(fPath, ignored);
  }
  // The lines of CREATE DATABASE.
  void CreationClauses() {
    TStrings& lines = fDatabase.DBParams();
    lines.Clear();
    lines.Add("USER 'SYSDBA'");
    if (!test::SysdbaPassword().empty()) lines.Add("PASSWORD '" + test::SysdbaPassword() + "'");
    lines.Add("PAGE_SIZE 8192");
    lines.Add("DEFAULT CHARACTER SET WIN1251");
  }
  void ConnectionLines() {
    TStrings& lines = fDatabase.DBParams();
    lines.Clear();
    fDatabase.ConnectParams().SetUserName("SYSDBA");
    fDatabase.ConnectParams().SetPassword(test::SysdbaPassword());
    fDatabase.ConnectParams().SetCharSet("WIN1251");
  }

  // A name with a quote, which the statement must carry as part of its literal.
  std::string fPath = test::TestTempDir() + "/it's new.fdb";
  TFIBDatabase fDatabase{nullptr};
};

TEST_F(Services, CreatedDatabaseIsAttachedAndReadableByAnotherClient) {
  CreationClauses();
  fDatabase.CreateDatabase();
  EXPECT_TRUE(fDatabase.Connected());
  EXPECT_TRUE(fs::exists(fPath));
  EXPECT_TRUE(fDatabase.IsFirebirdConnect());
  EXPECT_EQ(fDatabase.GetServerMajorVersion(), 3);
  EXPECT_EQ(fDatabase.IsUnicodeOrNoneCharSet(), fDatabase.GetAttachmentCharSetID() == 0);
  EXPECT_THROW(fDatabase.CreateDatabase(), EFIBClientError);  // attached already
  fDatabase.Close();

  const std::string printed = test::IsqlAt(
      fDatabase.DBName(),
      "set list on;\nselect mon$page_size, mon$sql_dialect, rdb$character_set_name from mon$database "
      "cross join rdb$database;\n");
  EXPECT_NE(printed.find("8192"), std::string::npos) << printed;
  EXPECT_NE(printed.find("WIN1251"), std::string::npos) << printed;

  // The clause lines were no connection parameters: with connection lines in their place
  // the component connects to what it made.
  ConnectionLines();
  fDatabase.Connect();
  EXPECT_EQ(fDatabase.GetDBSQLDialect(), 3);
}

TEST_F(Services, AFailedCreateLeavesTheComponentDetached) {
  CreationClauses();
  fDatabase.CreateDatabase();
  fDatabase.Close();
  EXPECT_THROW(fDatabase.CreateDatabase(), EFIBInterBaseError);  // the file exists
  EXPECT_FALSE(fDatabase.Connected());
  ConnectionLines();
  fDatabase.Connect();
  EXPECT_TRUE(fDatabase.Connected());
}

TEST_F(Services, DroppedDatabaseIsGone) {
  EXPECT_THROW(fDatabase.DropDatabase(), EFIBClientError);  // not attached
  CreationClauses();
  fDatabase.CreateDatabase();
  fDatabase.DropDatabase();
  EXPECT_FALSE(fDatabase.Connected());
  EXPECT_FALSE(fs::exists(fPath));
  try {
    test::IsqlAt(fDatabase.DBName(), "select 1 from rdb$database;\n");
    ADD_FAILURE() << "isql-fb attached to the dropped database";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("I/O error"), std::string::npos) << e.what();
  }
}

TEST_F(Services, DroppingEndsTheDatabasesTransactions) {
  CreationClauses();
  fDatabase.CreateDatabase();
  TFIBTransaction transaction(nullptr);
  transaction.SetDefaultDatabase(&fDatabase);
  transaction.StartTransaction();
  fDatabase.DropDatabase();
  EXPECT_FALSE(fs::exists(fPath));
  EXPECT_FALSE(transaction.Active());
  EXPECT_EQ(transaction.State(), tsInactive);
}

// ---- Services through the statement pool ----------------------------------------------

class PoolServices : public ::testing::TestWithParam<int> {
 protected:
  PoolServices() : fDb("dbclient/services.sql", {GetParam(), "WIN1251"}) {
    test::Configure(fDatabase, fDb);
    fDatabase.Connect();
  }
  Int64 IsqlGenerator(const std::string& name) {
    return std::stoll(test::IsqlRows(fDb, "select gen_id(" + name + ", 0) from rdb$database"));
  }

  test::TestDatabase fDb;
  TFIBDatabase fDatabase{nullptr};
};

TEST_P(PoolServices, GeneratorValuesAsIsqlReadsThem) {
  EXPECT_EQ(fDatabase.Gen_Id("G", 0), IsqlGenerator("G"));
  EXPECT_EQ(fDatabase.Gen_Id("G", 5), 46);
  EXPECT_EQ(IsqlGenerator("G"), 46);
  if (GetParam() == 1) {
    EXPECT_EQ(fDatabase.Gen_Id("  g ", 1), 47);  // trimmed and upper-cased
    return;
  }
  fDb.Isql("create generator \"My Gen\";\nset generator \"My Gen\" to 7;\ncreate generator \"Mixed\";\n");
  EXPECT_EQ(fDatabase.Gen_Id("My Gen", 2), 9);  // quoted for the blank
  EXPECT_EQ(IsqlGenerator("\"My Gen\""), 9);
  EXPECT_EQ(fDatabase.Gen_Id("Mixed", 3), 3);  // lower-case letters need quotes in dialect 3
  EXPECT_EQ(fDatabase.Gen_Id("\"Mixed\"", 0), 3);
  EXPECT_THROW(fDatabase.Gen_Id("g", 0), EFIBInterBaseError);  // that is "g", which does not exist
  fDatabase.Close();
  fDatabase.SetUpperOldNames(true);
  fDatabase.Connect();
  EXPECT_EQ(fDatabase.Gen_Id("g", 1), 47);  // names compare upper-cased
}

TEST_P(PoolServices, GeneratorValuesTakeTheTransactionAsked) {
  TFIBTransaction given(nullptr);
  given.SetDefaultDatabase(&fDatabase);
  EXPECT_EQ(fDatabase.Gen_Id("G", 1, &given), 42);
  EXPECT_FALSE(given.Active());  // started for the call and committed
  EXPECT_EQ(fDatabase.ActiveTransactionCount(), 0);

  TFIBDatabase other(nullptr);
  TFIBTransaction foreign(nullptr);
  foreign.SetDefaultDatabase(&other);
  try {
    fDatabase.QueryValue("select 1 from rdb$database", {}, &foreign);
    ADD_FAILURE() << "a transaction of another database was taken";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 19);
  }
}

TEST_P(PoolServices, OneValueQueries) {
  EXPECT_EQ(fDatabase.QueryValue("select name from notes where id = :id", {Variant(1)}).AsString(),
            Utf8ToAnsi("перший"));
  EXPECT_EQ(fDatabase.QueryValue("select body from notes where id = :id", {Variant(1)}).AsString(),
            Utf8ToAnsi("довгий текст першого запису"));
  EXPECT_TRUE(VarIsNull(fDatabase.QueryValue("select body from notes where id = :id", {Variant(2)})));
  EXPECT_TRUE(VarIsNull(fDatabase.QueryValue("select name from notes where id = :id", {Variant(3)})));
  // An Empty value leaves its parameter null.
  EXPECT_EQ(
      fDatabase.QueryValue("select count(*) from notes where id = :id or :v is null", {Unassigned(), Variant(1)})
          .AsInteger(),
      0);
  EXPECT_EQ(
      fDatabase.QueryValue("select count(*) from notes where id > :id", {Variant(0), Variant(9)}).AsInteger(),
      2);

  const Variant row = fDatabase.QueryValues("select id, name from notes where id = 2");
  ASSERT_TRUE(VarIsArray(row));
  EXPECT_EQ(VarArrayHighBound(row, 1), 1);
  EXPECT_EQ(VarArrayGet(row, {0}).AsInteger(), 2);
  EXPECT_EQ(VarArrayGet(row, {1}).AsString(), Utf8ToAnsi("другий"));
  EXPECT_EQ(fDatabase.ActiveTransactionCount(), 0);  // the internal transaction was committed

  EXPECT_THROW(fDatabase.QueryValue("select * from no_such_table"), EFIBInterBaseError);
  EXPECT_EQ(fDatabase.ActiveTransactionCount(), 0);
}

TEST_P(PoolServices, AStatementGoesBackToThePoolOnlyWhenAsked) {
  TFIBTransaction transaction(nullptr);
  transaction.SetDefaultDatabase(&fDatabase);
  const AnsiString kept = "select id from notes where id = 1";
  fDatabase.QueryValue(kept);
  TFIBQuery* pooled = GetQuery(&transaction, kept);
  EXPECT_TRUE(pooled->Prepared());
  FreeQuery(pooled);

  const AnsiString freed = "select id from notes where id = 2";
  fDatabase.QueryValue(freed, {}, nullptr, false);
  TFIBQuery* fresh = GetQuery(&transaction, freed);
  EXPECT_FALSE(fresh->Prepared());
  FreeQuery(fresh);
}

TEST_P(PoolServices, ServerTimeFollowsTheLocalClock) {
  const double tolerance = 5.0 / SecsPerDay;
  EXPECT_NEAR(fDatabase.GetServerTime(), Now(), tolerance);
  EXPECT_NEAR(fDatabase.ServerTimeDifference(), 0, tolerance);
  fDatabase.Close();
  fDatabase.SetSynchronizeTime(false);
  fDatabase.Connect();
  EXPECT_EQ(fDatabase.ServerTimeDifference(), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, PoolServices, ::testing::Values(1, 3));

}  // namespace
}  // namespace ordvane
