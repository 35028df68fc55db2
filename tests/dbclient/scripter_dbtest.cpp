// The script runner against real databases, with isql-fb as the oracle: the same script
// run by isql-fb and by the runner gives the same metadata and data; a Windows-1251
// reference script with failing statements runs with the error event deciding; client-side
// statements (CREATE DATABASE, CONNECT, COMMIT, SET ...), nested INPUT files, batches and
// blob-file parameters.

#include <gtest/gtest.h>

#include <fstream>
#include <clocale>
#include <filesystem>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "dbclient/pFIBScripter.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/dbclient/ReferenceScript.h"

namespace ordvane {
namespace {

using test::IsqlRows;

// The client library reads file names in the locale's encoding, and takes that encoding
// once. A desktop program sets the user's (UTF-8) locale when it starts; so does this one,
// before the client library is loaded.
const bool kUtf8Locale = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string IsqlCommand(const test::TestDatabase& db, const std::string& options) {
  std::string command = "isql-fb -q " + options + " -user SYSDBA";
  if (test::CurrentTier() == test::FbTier::Server) command += " -password " + ShellQuote(db.Password());
  return command + " " + ShellQuote(db.ConnectString());
}

std::string RunTool(const std::string& command) {
  int exitCode = 0;
  std::string output = test::RunCommand(command, exitCode);
  if (exitCode != 0) throw std::runtime_error(command + " failed:\n" + output);
  return output;
}

// What the test writes into a script: the ANSI form of a UTF-8 text, and a path in it
// (temporary folders are ASCII).
AnsiString Ansi(const std::string& utf8) { return Utf8ToAnsi(utf8); }

// The calls of the three events, in order.
struct EventLog {
  std::vector<std::string> calls;
  std::vector<int> errorNumbers;
  std::vector<int> errorCodes;
  std::vector<std::string> errorTexts;
  int before = 0, after = 0;
  bool stop = true, rollBack = true;

  void Attach(TpFIBScripter& scripter) {
    scripter.BeforeStatementExecute = [this](TObject*, Integer, Integer, const TStatementDesc&, TStrings*) {
      ++before;
    };
    scripter.AfterStatementExecute = [this](TObject*, Integer, Integer, const TStatementDesc&, TStrings*) {
      ++after;
    };
    scripter.OnExecuteError = [this](TObject*, Integer no, Integer, TStrings* statement, Integer sqlCode,
                                     const AnsiString&, bool& doRollBack, bool& stopRun) {
      EXPECT_TRUE(stopRun);
      errorNumbers.push_back(no);
      errorCodes.push_back(sqlCode);
      errorTexts.push_back(statement->Text());
      doRollBack = rollBack;
      stopRun = stop;
    };
  }
};

class ScripterTest : public testing::Test {
 protected:
  explicit ScripterTest(const std::string& schema = "dbclient/scripter.sql")
      : fDb(schema, {3, "WIN1251"}) {
    test::Configure(*fDatabase, fDb);
    fDatabase->SetConnected(true);
    fScripter->SetDatabase(fDatabase);
    fScripter->SetTransaction(fTransaction);
  }

  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }
  std::string TempFile(const std::string& name) { return test::TestTempDir() + "/" + name; }
  void Commit() {
    if (fTransaction->Active()) fTransaction->Commit();
  }

  test::TestDatabase fDb;
  TComponent fForm{nullptr};
  TpFIBDatabase* fDatabase = new TpFIBDatabase(&fForm);
  TpFIBTransaction* fTransaction = new TpFIBTransaction(&fForm);
  TpFIBScripter* fScripter = new TpFIBScripter(&fForm);
};

// ---- The same script through isql-fb and through the runner ------------------------------

const char* const kDifferentialScript = R"(SET SQL DIALECT 3;
/* Schema; with comments that hold terminators ; */
CREATE DOMAIN D_NAME AS VARCHAR(40) CHARACTER SET WIN1251 DEFAULT 'без назви' NOT NULL;
CREATE EXCEPTION E_BAD 'Погане; значення';
CREATE GENERATOR G_ID;
SET GENERATOR G_ID TO 10;
CREATE TABLE CITY (
  ID INTEGER NOT NULL PRIMARY KEY,
  NAME D_NAME,
  NOTE VARCHAR(200), -- a comment; with a semicolon
  AMOUNT NUMERIC(15,2),
  MEMO BLOB SUB_TYPE TEXT
);
CREATE INDEX IX_CITY_NAME ON CITY (NAME);
CREATE VIEW V_CITY (ID, NAME) AS SELECT ID, NAME FROM CITY WHERE ID > 1;
SET TERM ^ ;
CREATE PROCEDURE P_ADD (A INTEGER, B INTEGER) RETURNS (C INTEGER) AS
BEGIN
  C = A + B; -- a comment; here
  IF (C < 0) THEN EXCEPTION E_BAD;
  SUSPEND;
END^
CREATE TRIGGER CITY_BI FOR CITY ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(G_ID, 1);
  NEW.NOTE = COALESCE(NEW.NOTE, 'авто; ' || NEW.NAME);
END^
SET TERM ; ^
COMMENT ON TABLE CITY IS 'Міста; та села';
INSERT INTO CITY (ID, NAME, AMOUNT, MEMO) VALUES (1, 'Київ', 10.5, 'довгий; текст');
INSERT INTO CITY (ID, NAME, NOTE) VALUES (2, 'О''Брайен', 'текст "у лапках"; і /* не коментар */');
SELECT * FROM CITY;
INSERT INTO CITY (NAME) VALUES ('Львів');
SELECT C FROM P_ADD(1, 2);
UPDATE CITY SET AMOUNT = 3 WHERE ID = 2;
INSERT INTO CITY (NAME)
  VALUES ('Одеса')
;
DELETE FROM CITY WHERE ID = 1;
GRANT SELECT ON CITY TO PUBLIC;
COMMIT;
INSERT INTO CITY (ID, NAME) VALUES (7, 'останній');
)";

std::string Normalise(std::string text, const test::TestDatabase& db) {
  for (const std::string& name : {db.ConnectString(), db.Path()})
    for (std::size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), "DB");
  return text;
}

TEST(ScripterDifferential, SameMetadataAndDataAsIsql) {
  test::TestDatabase byIsql("", {3, "WIN1251"});
  test::TestDatabase byRunner("", {3, "WIN1251"});
  const AnsiString script = Ansi(kDifferentialScript);
  const std::string file = test::TestTempDir() + "/differential.sql";
  WriteFile(file, script);
  RunTool(IsqlCommand(byIsql, "-b -ch WIN1251") + " -i " + ShellQuote(file));

  TComponent form(nullptr);
  auto* database = new TpFIBDatabase(&form);
  auto* transaction = new TpFIBTransaction(&form);
  auto* scripter = new TpFIBScripter(&form);
  test::Configure(*database, byRunner);
  database->SetConnected(true);
  scripter->SetDatabase(database);
  scripter->SetTransaction(transaction);
  scripter->Script().SetText(script);
  scripter->ExecuteScript();
  // isql-fb commits when its input ends.
  transaction->Commit();
  database->Close();

  const std::string extract = "-x -ch UTF8";
  const std::string isqlMetadata = Normalise(RunTool(IsqlCommand(byIsql, extract)), byIsql);
  EXPECT_NE(isqlMetadata.find("CREATE TRIGGER CITY_BI"), std::string::npos);
  EXPECT_EQ(Normalise(RunTool(IsqlCommand(byRunner, extract)), byRunner), isqlMetadata);
  for (const std::string select :
       {"select id, name, note, amount, cast(memo as varchar(40)) from city order by id",
        "select gen_id(g_id, 0) from rdb$database",
        "select cast(rdb$description as varchar(40)) from rdb$relations where rdb$relation_name = 'CITY'",
        "select rdb$privilege from rdb$user_privileges where rdb$user = 'PUBLIC' and rdb$relation_name = 'CITY'"})
    EXPECT_EQ(IsqlRows(byRunner, select), IsqlRows(byIsql, select)) << select;
  EXPECT_EQ(IsqlRows(byRunner, "select name from city where id = 2"), "О'Брайен");
}

// ---- The reference script: 20 000 INSERTs in Windows-1251 with failing statements -------

int ReferenceRows() { return test::CurrentTier() == test::FbTier::Server ? 2000 : 20000; }

class ReferenceScriptTest : public ScripterTest {
 protected:
  ReferenceScriptTest() : fScript(test::MakeReferenceScript(ReferenceRows(), true)) {
    fLog.Attach(*fScripter);
  }
  std::string Count() { return Oracle("select count(*), sum(id) from ref"); }
  static std::string CountOf(long long rows) {
    return std::to_string(rows) + "|" + std::to_string(rows * (rows + 1) / 2);
  }

  test::ReferenceScript fScript;
  EventLog fLog;
};

TEST_F(ReferenceScriptTest, FromFileGoesOnPastErrorsWhenTheHandlerSaysSo) {
  const std::string file = TempFile("reference.sql");
  WriteFile(file, fScript.text);
  fLog.stop = false;
  fLog.rollBack = false;
  // The file is read line by line: the first statement runs when one line has been read.
  int firstLine = 0;
  auto before = fScripter->BeforeStatementExecute;
  fScripter->BeforeStatementExecute = [&](TObject* sender, Integer line, Integer no, const TStatementDesc& desc,
                                          TStrings* statement) {
    if (no == 1) firstLine = line;
    before(sender, line, no, desc, statement);
  };
  fScripter->ExecuteFromFile(Ansi(file));
  Commit();

  EXPECT_EQ(firstLine, 3);  // two comment lines, then the first INSERT
  EXPECT_GT(fScripter->FileLineCount(), fScript.rows);
  const int statements = fScript.rows + 2;
  EXPECT_EQ(fLog.before, statements);
  EXPECT_EQ(fLog.after, fScript.rows);
  EXPECT_EQ(fLog.errorNumbers, fScript.errorStatements);
  EXPECT_EQ(fLog.errorCodes, fScript.errorCodes);
  ASSERT_EQ(fLog.errorTexts.size(), 2u);
  EXPECT_EQ(fLog.errorTexts[0], Ansi("INSERT INTO REF (ID, NAME) VALUES (1, 'повтор; ключа')\r\n"));
  EXPECT_EQ(fScripter->StoppedAt(), 0);
  EXPECT_EQ(fScripter->FailedStatementNo(), fScript.errorStatements[1]);

  EXPECT_EQ(Count(), CountOf(fScript.rows));
  EXPECT_EQ(Oracle("select name, note from ref where id = 7"),
            test::ReferenceName(7) + "|a;b \"c\" -- не коментар");
  EXPECT_EQ(Oracle("select name, note from ref where id = 1000"), test::ReferenceName(1000) + "|a;b");
}

TEST_F(ReferenceScriptTest, AnErrorStopsAndRollsBackByDefault) {
  fScripter->Script().SetText(fScript.text);
  fScripter->ExecuteScript();

  const int failed = fScript.errorStatements[0];
  EXPECT_EQ(fLog.errorNumbers, std::vector<int>{failed});
  EXPECT_EQ(fLog.before, failed);
  EXPECT_EQ(fScripter->StoppedAt(), failed + 1);
  EXPECT_EQ(fScripter->FailedStatementNo(), failed);
  EXPECT_EQ(fScripter->FailedStatement().Text(), Ansi("INSERT INTO REF (ID, NAME) VALUES (1, 'повтор; ключа')\r\n"));
  EXPECT_NE(fScripter->FailedMessage().find("PRIMARY"), AnsiString::npos);
  EXPECT_FALSE(fTransaction->Active());
  EXPECT_EQ(Count(), "0|<null>");
}

TEST_F(ReferenceScriptTest, StopWithoutRollbackKeepsTheWorkBefore) {
  fLog.rollBack = false;
  fScripter->Script().SetText(fScript.text);
  fScripter->ExecuteScript();

  ASSERT_TRUE(fTransaction->Active());
  Commit();
  EXPECT_EQ(Count(), CountOf(fScript.rows / 4));
  // Run again from the statement after the failed one: the rest goes in.
  fLog.stop = false;
  fScripter->ExecuteScript(fScripter->StoppedAt());
  Commit();
  EXPECT_EQ(Count(), CountOf(fScript.rows));
}

TEST_F(ReferenceScriptTest, WithoutAHandlerTheErrorPropagatesAndNamesTheStatement) {
  fScripter->OnExecuteError = nullptr;
  fScripter->Script().SetText(fScript.text);
  try {
    fScripter->ExecuteScript();
    FAIL() << "the duplicate key went unnoticed";
  } catch (const EFIBError& error) {
    EXPECT_EQ(error.SQLCode(), -803);
  }
  EXPECT_EQ(fScripter->FailedStatementNo(), fScript.errorStatements[0]);
  EXPECT_EQ(fScripter->FailedStatement().Text(), Ansi("INSERT INTO REF (ID, NAME) VALUES (1, 'повтор; ключа')\r\n"));
}

// ---- Client-side statements ----------------------------------------------------------------

TEST(ScripterClientSide, CreateDatabaseConnectCommitAndSettings) {
  ASSERT_TRUE(kUtf8Locale);
  // A Cyrillic file name, written in the script in Windows-1251.
  const std::string path = test::TestTempDir() + "/база даних.fdb";
  const std::string connect = test::ServerPrefix() + path;
  const std::string login = "USER 'SYSDBA' PASSWORD '" + test::SysdbaPassword() + "'";
  const std::string script = "SET SQL DIALECT 1;\nSET NAMES WIN1251;\nCREATE DATABASE '" + connect + "' " + login +
                             " PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n"
                             "CREATE TABLE T (ID INTEGER, NAME VARCHAR(20));\n"
                             "INSERT INTO T VALUES (1, 'Привіт; ґанок');\n"
                             "COMMIT;\n"
                             "DISCONNECT;\n"
                             "CONNECT '" + connect + "' " + login + ";\n"
                             "SET AUTODDL OFF;\n"
                             "CREATE TABLE GONE (X INTEGER);\n"
                             "INSERT INTO T VALUES (2, 'rolled back');\n"
                             "ROLLBACK;\n"
                             "SET AUTODDL ON;\n"
                             "CREATE TABLE KEPT (X INTEGER);\n"
                             "ROLLBACK;\n"
                             "BATCH START;\n"
                             "INSERT INTO T VALUES (3, 'пакет');\n"
                             "INSERT INTO T VALUES (4, 'пакет');\n"
                             "BATCH EXECUTE;\n"
                             "COMMIT;\n"
                             "INSERT INTO T VALUES (5, 'без крапки з комою')";
  TComponent form(nullptr);
  auto* scripter = new TpFIBScripter(&form);
  scripter->Script().SetText(Ansi(script));
  scripter->ExecuteScript();
  // The scripter's own database was committed and released at the end of the run.
  EXPECT_EQ(scripter->Database(), nullptr);

  ASSERT_TRUE(std::filesystem::exists(path));
  // isql-fb reads the new database directly.
  const std::string isql = "isql-fb -q -ch UTF8 -user SYSDBA" +
                           (test::CurrentTier() == test::FbTier::Server
                                ? " -password " + ShellQuote(test::SysdbaPassword())
                                : std::string()) +
                           " " + ShellQuote(connect);
  const std::string sqlFile = test::TestTempDir() + "/check.sql";
  WriteFile(sqlFile,
            "set list on;\n"
            "select mon$sql_dialect, mon$forced_writes from mon$database;\n"
            "select list(id || ':' || name, ',') from (select id, name from t order by id);\n"
            "select list(trim(rdb$relation_name), ',') from rdb$relations where rdb$relation_name in ('GONE', "
            "'KEPT');\n");
  const std::string output = RunTool(isql + " -i " + ShellQuote(sqlFile));
  EXPECT_NE(output.find("MON$SQL_DIALECT                 1"), std::string::npos) << output;
  EXPECT_NE(output.find("MON$FORCED_WRITES               1"), std::string::npos) << output;
  EXPECT_NE(output.find("1:Привіт; ґанок,3:пакет,4:пакет,5:без крапки з комою"), std::string::npos) << output;
  EXPECT_NE(output.find("KEPT"), std::string::npos) << output;
  EXPECT_EQ(output.find("GONE"), std::string::npos) << output;
  std::filesystem::remove(path);
}

TEST_F(ScripterTest, SelectsDoNotBlockTheNextStatement) {
  fScripter->Script().SetText(
      "SELECT * FROM RDB$DATABASE;\nSELECT 1 FROM RDB$RELATIONS;\nINSERT INTO REF (ID) VALUES (1);\n"
      "SELECT ID FROM REF;\nUPDATE REF SET NAME = 'x';");
  // Without a handler, a select left open would make the next statement raise.
  fScripter->ExecuteScript();
  Commit();
  EXPECT_EQ(Oracle("select id, name from ref"), "1|x");
}

TEST_F(ScripterTest, StatementNumbersBeyondTheScript) {
  fScripter->Script().SetText("SELECT 1 FROM RDB$DATABASE;\nCOMMIT");
  fScripter->Parse();
  EXPECT_EQ(fScripter->StatementsCount(), 2);
  TStringList lines;
  EXPECT_EQ(fScripter->GetStatement(2, lines).Kind, skCommit);
  EXPECT_EQ(lines.Text(), "COMMIT\r\n");
  try {
    fScripter->GetStatement(3, lines);
    FAIL();
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), Ansi("Statement №3 don't exist"));
  }
  fScripter->Script().SetText("DESCRIBE INDEX IX 'text';");
  try {
    fScripter->ExecuteScript();
    FAIL();
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Unsupported DESCRIBE type INDEX");
  }
  // A change of the script discards the parse.
  fScripter->Script().Add("COMMIT;");
  EXPECT_FALSE(fScripter->Parsed());
}

// ---- Nested files ----------------------------------------------------------------------------

TEST_F(ScripterTest, InputRunsANestedFileInTheSameRun) {
  const std::string nested = TempFile("вкладений.sql");
  WriteFile(nested, Ansi("SET TERM ^ ;\n"
                         "EXECUTE BLOCK AS BEGIN INSERT INTO REF (ID, NAME) VALUES (2, 'блок; два'); END^\n"
                         "SET TERM ; ^\n"
                         "INSERT INTO REF (ID, NAME) VALUES (3, 'три');\n"
                         "INSERT INTO REF (ID, NAME) VALUES (4, 'чотири')"));
  fScripter->Script().SetText(Ansi("SET AUTODDL OFF;\nINSERT INTO REF (ID) VALUES (1);\nINPUT '" + nested +
                                   "';\nINSERT INTO REF (ID) VALUES (5);"));
  std::vector<int> numbers;
  fScripter->BeforeStatementExecute = [&](TObject*, Integer, Integer no, const TStatementDesc&, TStrings*) {
    numbers.push_back(no);
  };
  fScripter->ExecuteScript();
  Commit();
  // The nested file's last statement has no terminator and runs all the same.
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 1, 2, 3, 4}));
  EXPECT_EQ(Oracle("select cast(list(id || ':' || coalesce(name, ''), ',') as varchar(200)) from (select * from ref order by id)"),
            "1:,2:блок; два,3:три,4:чотири,5:");
}

TEST_F(ScripterTest, AFileCannotInputItself) {
  const std::string file = TempFile("self.sql");
  WriteFile(file, "INSERT INTO REF (ID) VALUES (1);\nINPUT '" + file + "';\n");
  try {
    fScripter->ExecuteFromFile(file);
    FAIL() << "the file ran itself";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find("already being run"), AnsiString::npos);
  }
  EXPECT_EQ(fScripter->FailedStatementNo(), 2);
}

// ---- Blob-file parameters --------------------------------------------------------------------

TEST_F(ScripterTest, BlobFileParametersAreReadWithinTheFile) {
  const std::string blobFile = TempFile("блоби.bin");
  WriteFile(blobFile, "HelloWorld!");  // 11 bytes
  fScripter->Script().SetText(Ansi("SET BLOBFILE '" + blobFile + "';\n"
                                   "INSERT INTO BLOBS VALUES (1, :h00000000_00000005);\n"
                                   "INSERT INTO BLOBS VALUES (2, :h00000005_00000006);\n"
                                   "INSERT INTO BLOBS VALUES (3, :h00000000_00000000);\n"
                                   "INSERT INTO BLOBS VALUES (4, :h00000008_00000004);\n"
                                   "INSERT INTO BLOBS VALUES (5, :hFFFFFFFF_00000001);\n"
                                   "INSERT INTO BLOBS VALUES (6, :hello);\n"));
  std::vector<std::string> messages;
  fScripter->OnExecuteError = [&](TObject*, Integer, Integer, TStrings*, Integer, const AnsiString& msg,
                                  bool& doRollBack, bool& stop) {
    messages.push_back(msg);
    doRollBack = false;
    stop = false;
  };
  fScripter->ExecuteScript();
  Commit();
  EXPECT_EQ(Oracle("select cast(list(id || ':' || coalesce(cast(data as varchar(20)), 'null'), ',') as varchar(200)) from "
                   "(select * from blobs order by id)"),
            "1:Hello,2:World!,3:null");
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_NE(messages[0].find("reaches past the end of blob file"), AnsiString::npos) << messages[0];
  EXPECT_NE(messages[1].find("reaches past the end of blob file"), AnsiString::npos) << messages[1];
  EXPECT_NE(messages[2].find("is not of the form"), AnsiString::npos) << messages[2];
}

}  // namespace
}  // namespace ordvane
