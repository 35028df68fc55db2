// The script runner against real databases, with isql-fb as the oracle: the same script
// run by isql-fb and by the runner gives the same metadata and data; a Windows-1251
// reference script with failing statements runs with the error event deciding; client-side
// statements (CREATE DATABASE, CONNECT, COMMIT, SET ...), nested INPUT files, batches and
// blob-file parameters.

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>
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

using test::ShellQuote;

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

// Schema and data in the shapes real scripts have them: terminators of one and two
// characters around bodies that hold their first character ("!=" under "!!", "^" under
// "^^"), comments holding terminators, foreign keys, COMMIT and GRANTs right after such
// blocks, q'...' literals holding quotes and terminators, texts and sources spanning lines,
// a terminator on a line of its own, Cyrillic text, and a statement after the last COMMIT.
std::string SchemaAndDataScript(int rows) {
  std::string script = R"(SET SQL DIALECT 3;
/* Schema; with comments that hold terminators ; */
CREATE DOMAIN D_CODE AS VARCHAR(10) CHARACTER SET WIN1251 CHECK (VALUE <> '');
CREATE DOMAIN D_NAME AS VARCHAR(40) CHARACTER SET WIN1251 DEFAULT 'без назви' NOT NULL;
CREATE DOMAIN D_MEMO AS BLOB SUB_TYPE TEXT CHARACTER SET WIN1251;
CREATE EXCEPTION E_CLOSED q'{Рахунок закрито; it's final}';
CREATE EXCEPTION E_BAD 'Погане; значення';
CREATE GENERATOR G_ID;
SET GENERATOR G_ID TO 10;
CREATE SEQUENCE G_ACCOUNT;
CREATE SEQUENCE G_MOVE;
ALTER SEQUENCE G_MOVE RESTART WITH 100;
CREATE TABLE ACCOUNT (
  ID INTEGER NOT NULL PRIMARY KEY,
  CODE D_CODE NOT NULL,
  TITLE VARCHAR(80) DEFAULT q'[без назви; поки]',
  CLOSED SMALLINT DEFAULT 0 NOT NULL, -- a comment; with a semicolon
  NOTE D_MEMO,
  OWNER D_NAME
);
CREATE INDEX IX_ACCOUNT_TITLE ON ACCOUNT (TITLE);
CREATE TABLE MOVE (
  ID INTEGER NOT NULL PRIMARY KEY,
  ACCOUNT_ID INTEGER NOT NULL,
  AMOUNT NUMERIC(15, 2) NOT NULL,
  REMARK VARCHAR(200)
);
CREATE VIEW V_BALANCE (ACCOUNT_ID, TOTAL) AS
  SELECT ACCOUNT_ID, SUM(AMOUNT)
  FROM MOVE
  WHERE AMOUNT != 0
  GROUP BY ACCOUNT_ID;
SET TERM !! ;
CREATE PROCEDURE P_MOVE (ACCOUNT_ID INTEGER, AMOUNT NUMERIC(15, 2), REMARK VARCHAR(200))
RETURNS (MOVE_ID INTEGER)
AS
  DECLARE VARIABLE CLOSED SMALLINT;
BEGIN
  SELECT CLOSED FROM ACCOUNT WHERE ID = :ACCOUNT_ID INTO :CLOSED;
  IF (CLOSED != 0) THEN EXCEPTION E_CLOSED;
  MOVE_ID = NEXT VALUE FOR G_MOVE;
  -- a comment; with the terminator's first character !
  INSERT INTO MOVE (ID, ACCOUNT_ID, AMOUNT, REMARK)
    VALUES (:MOVE_ID, :ACCOUNT_ID, :AMOUNT, COALESCE(:REMARK, q'!it's; moved!'));
  SUSPEND;
END!!
CREATE TRIGGER ACCOUNT_BI FOR ACCOUNT ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ID IS NULL) THEN NEW.ID = NEXT VALUE FOR G_ACCOUNT;
  IF (NEW.CODE != UPPER(NEW.CODE)) THEN NEW.CODE = UPPER(NEW.CODE);
END!!
SET TERM ; !!
ALTER TABLE MOVE ADD CONSTRAINT FK_MOVE_ACCOUNT FOREIGN KEY (ACCOUNT_ID) REFERENCES ACCOUNT (ID);
COMMIT;
GRANT SELECT, INSERT ON ACCOUNT TO PUBLIC;
GRANT EXECUTE ON PROCEDURE P_MOVE TO PUBLIC;
SET TERM ^^ ;
CREATE TRIGGER MOVE_BU FOR MOVE ACTIVE BEFORE UPDATE AS
BEGIN
  NEW.AMOUNT = NEW.AMOUNT; -- a lone ^ in a comment
  NEW.REMARK = 'змінено ^ ' || COALESCE(OLD.REMARK, '');
END ^^
SET TERM ; ^^
SET TERM ^ ;
CREATE PROCEDURE P_ADD (A INTEGER, B INTEGER) RETURNS (C INTEGER) AS
BEGIN
  C = A + B; -- a comment; here
  IF (C < 0) THEN EXCEPTION E_BAD;
  SUSPEND;
END^
SET TERM ; ^
SET TERM ## ;
EXECUTE BLOCK AS
BEGIN
  INSERT INTO ACCOUNT (ID, CODE, TITLE) VALUES (1000, 'blk', q'{##; у блоці}');
END##
SET TERM ;##
COMMENT ON TABLE ACCOUNT IS 'Рахунки;
у два рядки';
)";
  for (int id = 1; id <= rows; ++id) {
    const std::string n = std::to_string(id);
    script += "INSERT INTO ACCOUNT (CODE, TITLE, NOTE) VALUES ('a" + n + "', 'Рахунок №" + n + "; ''" + n +
              "''',\n'Перший рядок " + n + "\nдругий; рядок\n\nпісля порожнього');\n";
    script += "SELECT MOVE_ID FROM P_MOVE(" + n + ", " + n + ".25, " +
              (id % 3 == 0 ? std::string("NULL") : "q'<рух <" + n + ">; it's>'") + ");\n";
    if (id % 7 == 0) script += "UPDATE MOVE SET AMOUNT = AMOUNT + 1 WHERE ACCOUNT_ID = " + n + ";\n";
  }
  return script + R"(UPDATE ACCOUNT SET CLOSED = 1 WHERE ID = 2;
INSERT INTO MOVE (ID, ACCOUNT_ID, AMOUNT, REMARK) VALUES (GEN_ID(G_ID, 1), 1, 0, 'текст "у лапках"; і /* не коментар */');
SELECT C FROM P_ADD(1, 2);
SELECT * FROM ACCOUNT WHERE ID < 3;
INSERT INTO ACCOUNT (CODE, OWNER)
  VALUES ('last', 'О''Брайен')
;
DELETE FROM MOVE WHERE ID = 101;
COMMIT;
INSERT INTO ACCOUNT (CODE) VALUES ('after');
)";
}

std::string Normalise(std::string text, const test::TestDatabase& db) {
  for (const std::string& name : {db.ConnectString(), db.Path()})
    for (std::size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), "DB");
  return text;
}

// The words of each line isql-fb prints for a select without headings.
std::vector<std::vector<std::string>> IsqlWords(const test::TestDatabase& db, const std::string& select) {
  std::istringstream out(db.Isql("set heading off;\n" + select + ";\n"));
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(out, line);) {
    std::istringstream words(line);
    std::vector<std::string> row;
    for (std::string word; words >> word;) row.push_back(word);
    if (!row.empty()) rows.push_back(std::move(row));
  }
  return rows;
}

// Stored sources, defaults, messages and descriptions, byte for byte (text cast to
// octets prints in hexadecimal).
const char* const kSourcesQuery = R"(set list on;
select trim(rdb$procedure_name), cast(rdb$procedure_source as varchar(32000) character set octets)
  from rdb$procedures order by 1;
select trim(rdb$trigger_name), cast(rdb$trigger_source as varchar(32000) character set octets)
  from rdb$triggers where coalesce(rdb$system_flag, 0) = 0 order by 1;
select trim(rdb$relation_name), cast(rdb$view_source as varchar(32000) character set octets),
       cast(rdb$description as varchar(8000) character set octets)
  from rdb$relations where coalesce(rdb$system_flag, 0) = 0 order by 1;
select trim(rdb$field_name), cast(rdb$default_source as varchar(8000) character set octets),
       cast(rdb$validation_source as varchar(8000) character set octets)
  from rdb$fields where rdb$field_name not starting with 'RDB$' order by 1;
select trim(rdb$relation_name), trim(rdb$field_name),
       cast(rdb$default_source as varchar(8000) character set octets)
  from rdb$relation_fields where coalesce(rdb$system_flag, 0) = 0 order by 1, 2;
select trim(rdb$exception_name), cast(rdb$message as varchar(1021) character set octets)
  from rdb$exceptions order by 1;
)";

// Everything the differential compares, as isql-fb reads it from the database: the
// extracted metadata, the stored sources, every row of every table (text as its bytes)
// and the value of every generator.
std::string Dump(const test::TestDatabase& db) {
  const std::string metadata = Normalise(RunTool(IsqlCommand(db, "-x -ch UTF8")), db) + db.Isql(kSourcesQuery);
  std::string data = "set list on;\n";
  std::string table, columns;
  auto selectTable = [&] {
    if (!table.empty()) data += "select " + columns + " from \"" + table + "\" order by 1;\n";
    columns.clear();
  };
  for (const auto& row : IsqlWords(db,
                                   "select trim(r.rdb$relation_name), trim(rf.rdb$field_name), f.rdb$field_type "
                                   "from rdb$relations r "
                                   "join rdb$relation_fields rf on rf.rdb$relation_name = r.rdb$relation_name "
                                   "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
                                   "where coalesce(r.rdb$system_flag, 0) = 0 and r.rdb$view_blr is null "
                                   "order by r.rdb$relation_name, rf.rdb$field_position")) {
    if (row.size() != 3) throw std::runtime_error("isql-fb printed an unexpected column line");
    if (row[0] != table) {
      selectTable();
      table = row[0];
    }
    // CHAR, VARCHAR and BLOB columns as their bytes.
    const bool text = row[2] == "14" || row[2] == "37" || row[2] == "261";
    const std::string column = "\"" + row[1] + "\"";
    columns += (columns.empty() ? "" : ", ") +
               (text ? "cast(" + column + " as varchar(8000) character set octets) " + column : column);
  }
  selectTable();
  for (const auto& row :
       IsqlWords(db, "select trim(rdb$generator_name) from rdb$generators where coalesce(rdb$system_flag, 0) = 0"))
    data += "select '" + row[0] + "', gen_id(\"" + row[0] + "\", 0) from rdb$database;\n";
  return metadata + db.Isql(data);
}

// Where two dumps part, with some text around it.
std::string FirstDifference(const std::string& actual, const std::string& expected) {
  const auto at = static_cast<std::size_t>(
      std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first - actual.begin());
  const std::size_t from = at < 200 ? 0 : at - 200;
  return "at byte " + std::to_string(at) + ":\n--- runner\n" + actual.substr(from, 400) + "\n--- isql-fb\n" +
         expected.substr(from, 400);
}

enum class RunnerInput { Text, File };

void RunScript(const test::TestDatabase& db, const std::string& file, RunnerInput input,
               const std::string& charset = "WIN1251") {
  TComponent form(nullptr);
  auto* database = new TpFIBDatabase(&form);
  auto* transaction = new TpFIBTransaction(&form);
  auto* scripter = new TpFIBScripter(&form);
  test::Configure(*database, db, charset);
  database->SetConnected(true);
  scripter->SetDatabase(database);
  scripter->SetTransaction(transaction);
  if (input == RunnerInput::File) {
    scripter->ExecuteFromFile(file);
  } else {
    scripter->Script().LoadFromFile(file);
    scripter->ExecuteScript();
  }
  // isql-fb commits when its input ends.
  if (transaction->Active()) transaction->Commit();
  database->Close();
}

// One script through isql-fb and through the runner, from a text and from a file, into
// three fresh databases that must come out the same.
TEST(ScripterDifferential, SameDatabaseAsIsql) {
  const int rows = test::CurrentTier() == test::FbTier::Server ? 60 : 300;
  const std::string file = test::TestTempDir() + "/differential.sql";
  WriteFile(file, Ansi(SchemaAndDataScript(rows)));
  test::TestDatabase byIsql("", {3, "WIN1251"});
  RunTool(IsqlCommand(byIsql, "-b -ch WIN1251") + " -i " + ShellQuote(file));
  const std::string expected = Dump(byIsql);
  ASSERT_NE(expected.find("ALTER PROCEDURE"), std::string::npos);
  for (RunnerInput input : {RunnerInput::Text, RunnerInput::File}) {
    test::TestDatabase byRunner("", {3, "WIN1251"});
    RunScript(byRunner, file, input);
    const std::string actual = Dump(byRunner);
    EXPECT_TRUE(actual == expected) << (input == RunnerInput::File ? "file " : "text ")
                                    << FirstDifference(actual, expected);
  }
}

// A UTF-8 script that says so: its texts (a procedure's source and body, rows of every
// text type, characters beyond the Basic Multilingual Plane) reach the server as isql-fb
// sends them, not read as ANSI text and encoded once more.
TEST(ScripterDifferential, AScriptInTheConnectionsCharacterSetGoesAsWritten) {
  const std::string file = test::TestTempDir() + "/names-utf8.sql";
  WriteFile(file,
            "SET NAMES UTF8;\n"
            "CREATE TABLE T (ID INTEGER, C CHAR(12), V VARCHAR(20), B BLOB SUB_TYPE TEXT);\n"
            "SET TERM ^ ;\n"
            "CREATE PROCEDURE P RETURNS (S VARCHAR(10)) AS\nBEGIN\n  S = 'três';\n  SUSPEND;\nEND^\n"
            "SET TERM ; ^\n"
            "INSERT INTO T VALUES (1, 'Ніл', 'três', 'Müller café');\n"
            "INSERT INTO T SELECT 2, S, 'Ελλάδα 中文', 'a😀b' FROM P;\n"
            "COMMIT;\n");
  test::TestDatabase byIsql("", {3, "UTF8"});
  RunTool(IsqlCommand(byIsql, "-b -ch UTF8") + " -i " + ShellQuote(file));
  const std::string expected = Dump(byIsql);
  ASSERT_NE(expected.find("ALTER PROCEDURE P"), std::string::npos);
  for (RunnerInput input : {RunnerInput::Text, RunnerInput::File}) {
    test::TestDatabase byRunner("", {3, "UTF8"});
    RunScript(byRunner, file, input, "UTF8");
    const std::string actual = Dump(byRunner);
    EXPECT_TRUE(actual == expected) << (input == RunnerInput::File ? "file " : "text ")
                                    << FirstDifference(actual, expected);
  }
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
  const std::string output = test::IsqlAt(
      connect,
      "set list on;\n"
      "select mon$sql_dialect, mon$forced_writes from mon$database;\n"
      "select list(id || ':' || name, ',') from (select id, name from t order by id);\n"
      "select list(trim(rdb$relation_name), ',') from rdb$relations where rdb$relation_name in ('GONE', 'KEPT');\n");
  EXPECT_NE(output.find("MON$SQL_DIALECT                 1"), std::string::npos) << output;
  EXPECT_NE(output.find("MON$FORCED_WRITES               1"), std::string::npos) << output;
  EXPECT_NE(output.find("1:Привіт; ґанок,3:пакет,4:пакет,5:без крапки з комою"), std::string::npos) << output;
  EXPECT_NE(output.find("KEPT"), std::string::npos) << output;
  EXPECT_EQ(output.find("GONE"), std::string::npos) << output;
  std::filesystem::remove(path);
}

// A database the script creates writes asynchronously while the run lasts; however the
// run ends (to the end, stopped by the error event, or by an error without a handler,
// from a text or a file) it has forced writes afterwards.
TEST(ScripterClientSide, ACreatedDatabaseGetsForcedWritesOnEveryEnd) {
  enum class End { Finished, Stopped, Raised };
  int run = 0;
  for (const End end : {End::Finished, End::Stopped, End::Raised}) {
    for (const RunnerInput input : {RunnerInput::Text, RunnerInput::File}) {
      const std::string path = test::TestTempDir() + "/created-" + std::to_string(++run) + ".fdb";
      const std::string connect = test::ServerPrefix() + path;
      const std::string script = "CREATE DATABASE '" + connect + "' USER 'SYSDBA' PASSWORD '" +
                                 test::SysdbaPassword() + "' DEFAULT CHARACTER SET WIN1251;\n"
                                 "CREATE TABLE T (ID INTEGER);\n"
                                 "INSERT INTO T VALUES (1);\n" +
                                 (end == End::Finished ? "" : "INSERT INTO NO_SUCH_TABLE VALUES (2);\n") +
                                 "INSERT INTO T VALUES (3);\n";
      const std::string file = test::TestTempDir() + "/created.sql";
      WriteFile(file, script);
      {
        TComponent form(nullptr);
        auto* scripter = new TpFIBScripter(&form);
        if (end == End::Stopped)
          scripter->OnExecuteError = [](TObject*, Integer, Integer, TStrings*, Integer, const AnsiString&, bool&,
                                        bool&) {};
        try {
          if (input == RunnerInput::File) {
            scripter->ExecuteFromFile(file);
          } else {
            scripter->Script().SetText(script);
            scripter->ExecuteScript();
          }
          EXPECT_NE(end, End::Raised);
        } catch (const EFIBError& error) {
          EXPECT_EQ(end, End::Raised) << error.Message();
        }
      }
      const std::string output = test::IsqlAt(connect, "set list on;\nselect mon$forced_writes from mon$database;\n");
      EXPECT_NE(output.find("MON$FORCED_WRITES               1"), std::string::npos)
          << "end " << static_cast<int>(end) << (input == RunnerInput::File ? " file" : " text") << output;
      std::filesystem::remove(path);
    }
  }
}

TEST_F(ScripterTest, SelectsDoNotBlockTheNextStatement) {
  fScripter->Script().SetText(
      "SELECT * FROM RDB$DATABASE;\nSELECT 1 FROM RDB$RELATIONS;\nINSERT INTO REF (ID) VALUES (1);\n"
      "SELECT ID FROM REF;\nUPDATE REF SET NAME = 'x';\nSELECT * FROM BLOBS;\nDROP TABLE BLOBS;");
  // Without a handler, a select left open would make the next statement raise; a select
  // still prepared would keep its table in use.
  fScripter->ExecuteScript();
  Commit();
  EXPECT_EQ(Oracle("select id, name from ref"), "1|x");
  EXPECT_EQ(Oracle("select count(*) from rdb$relations where rdb$relation_name = 'BLOBS'"), "0");
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
