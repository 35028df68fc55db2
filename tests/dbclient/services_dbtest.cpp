// Creating and dropping databases through the database component: the file appears and
// goes, and isql-fb, a client of its own, can attach to what was created and cannot
// attach to what was dropped; a transaction on a dropped database does not outlive it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dbclient/FIBDatabase.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

namespace fs = std::filesystem;

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs a script through isql-fb on a database that no TestDatabase made; exitCode
// tells whether isql could attach.
std::string IsqlOn(const std::string& connectString, const std::string& sql, int& exitCode) {
  const std::string script = test::TestTempDir() + "/services.sql";
  {
    std::FILE* file = std::fopen(script.c_str(), "w");
    std::fputs(sql.c_str(), file);
    std::fclose(file);
  }
  std::string command = "isql-fb -q -b -user SYSDBA";
  if (!test::SysdbaPassword().empty()) command += " -password " + ShellQuoted(test::SysdbaPassword());
  return test::RunCommand(command + " -i " + ShellQuoted(script) + " " + ShellQuoted(connectString) + " 2>&1",
                          exitCode);
}

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

  int exitCode = -1;
  const std::string printed =
      IsqlOn(fDatabase.DBName(),
             "set list on;\nselect mon$page_size, mon$sql_dialect, rdb$character_set_name from mon$database "
             "cross join rdb$database;\n",
             exitCode);
  ASSERT_EQ(exitCode, 0) << printed;
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
  int exitCode = 0;
  const std::string printed = IsqlOn(fDatabase.DBName(), "select 1 from rdb$database;\n", exitCode);
  EXPECT_NE(exitCode, 0);
  EXPECT_NE(printed.find("I/O error"), std::string::npos) << printed;
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

}  // namespace
}  // namespace ordvane
