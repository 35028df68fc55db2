// Splitting scripts into statements and classifying them: terminators changed by SET TERM,
// bodies that hold semicolons, terminators hidden in strings and comments, positions,
// Windows-1251 text, and the line-by-line feed that must split exactly as a whole parse.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "dbclient/pFIBScriptParser.h"

namespace ordvane {
namespace {

struct Found {
  std::string text;  // the statement's lines joined by "\n"
  TStatementKind kind;
  TObjectKind objectKind;
  std::string name;
};

std::string Joined(const TStrings& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) text += (i ? "\n" : "") + lines.Strings(i);
  return text;
}

// A script parsed whole with the semicolon as the terminator to start with.
struct ParsedScript {
  explicit ParsedScript(const std::string& script, bool keepLast = true,
                        TpFIBScriptParser* parser = nullptr) {
    lines.SetText(script);
    (parser ? *parser : ownParser).ParseScript(lines, terminator, keepLast, map);
  }
  std::string Text(int index) const {
    TStringList statement;
    ExtractStatement(lines, map[index], statement);
    return Joined(statement);
  }

  TpFIBScriptParser ownParser;
  TStringList lines;
  TScriptMap map;
  AnsiString terminator = ";";
};

// endTerminator receives the terminator in force at the end.
std::vector<Found> Parse(const std::string& script, bool keepLast = true, AnsiString* endTerminator = nullptr,
                         TpFIBScriptParser* parser = nullptr) {
  ParsedScript parsed(script, keepLast, parser);
  if (endTerminator) *endTerminator = parsed.terminator;
  std::vector<Found> found;
  for (int i = 0; i < parsed.map.Count(); ++i) {
    const TStatementDesc& d = parsed.map[i];
    found.push_back({parsed.Text(i), d.Kind, d.ObjectKind, d.ObjectName});
  }
  return found;
}

std::vector<std::string> Texts(const std::vector<Found>& found) {
  std::vector<std::string> texts;
  for (const Found& f : found) texts.push_back(f.text);
  return texts;
}

using Texts_t = std::vector<std::string>;

TEST(ScriptTerminators, SetTermChangesTheTerminatorAndIsNeverAStatement) {
  AnsiString terminator;
  const auto found = Parse(
      "CREATE TABLE T (ID INTEGER);\n"
      "SET TERM ^ ;\n"
      "CREATE PROCEDURE P AS\n"
      "BEGIN\n"
      "  INSERT INTO T VALUES (1);\n"
      "  IF (1 = 1) THEN BEGIN EXIT; END\n"
      "END^\n"
      "set term ! ^\n"
      "EXECUTE BLOCK AS BEGIN INSERT INTO T VALUES (2); END!\n"
      "SET TERM ; !\n"
      "INSERT INTO T VALUES (3);\n"
      "SET TERM # ;\n",
      true, &terminator);
  EXPECT_EQ(Texts(found),
            (Texts_t{"CREATE TABLE T (ID INTEGER)",
                     "CREATE PROCEDURE P AS\nBEGIN\n  INSERT INTO T VALUES (1);\n"
                     "  IF (1 = 1) THEN BEGIN EXIT; END\nEND",
                     "EXECUTE BLOCK AS BEGIN INSERT INTO T VALUES (2); END", "INSERT INTO T VALUES (3)"}));
  EXPECT_EQ(terminator, "#");
  EXPECT_EQ(found[1].kind, skCreate);
  EXPECT_EQ(found[1].objectKind, okProcedure);
  EXPECT_EQ(found[1].name, "P");
  EXPECT_EQ(found[2].kind, skDML);
}

TEST(ScriptTerminators, SetTermTakesTheFirstRunOfCharactersAndNothingElseIsSetTerm) {
  AnsiString terminator;
  // The new terminator is the first run of characters after TERM, whole; a comment is
  // not read; only the word right after SET counts.
  EXPECT_EQ(Texts(Parse("SET TERM /* x */ !! ;\nSELECT 1 FROM T!\nSELECT 2 FROM T!!", true, &terminator)),
            Texts_t{"SELECT 1 FROM T!\nSELECT 2 FROM T"});
  EXPECT_EQ(terminator, "!!");
  EXPECT_EQ(Texts(Parse("SET TERM ;\nSELECT 1 FROM T;", true, &terminator)), Texts_t{"SELECT 1 FROM T"});
  EXPECT_EQ(terminator, ";");
  EXPECT_EQ(Texts(Parse("SET TERM ^;\nSELECT 1 FROM T^", true, &terminator)), Texts_t{"SELECT 1 FROM T"});
  EXPECT_EQ(terminator, "^");
  const auto found = Parse("SET NAMES TERM;\nSETTERM ^;\nSET\n  TERM ^;\nSELECT 2^");
  EXPECT_EQ(Texts(found), (Texts_t{"SET NAMES TERM", "SETTERM ^", "SELECT 2"}));
  EXPECT_EQ(found[0].kind, skSet);
  EXPECT_EQ(found[1].kind, skUnknown);
}

// Terminators of more than one character are matched whole, also where their first
// character stands alone or starts another operator.
TEST(ScriptTerminators, LongTerminatorsAreMatchedWhole) {
  struct Case {
    const char* terminator;
    const char* script;
    Texts_t statements;
  };
  const Case cases[] = {
      {"!!",
       "SET TERM !! ;\n"
       "CREATE PROCEDURE P AS BEGIN IF (1 != 2) THEN EXIT; END!!\n"
       "SET TERM ; !!\n"
       "ALTER TABLE T ADD CONSTRAINT FK FOREIGN KEY (A) REFERENCES U;\n"
       "COMMIT;\n",
       {"CREATE PROCEDURE P AS BEGIN IF (1 != 2) THEN EXIT; END",
        "ALTER TABLE T ADD CONSTRAINT FK FOREIGN KEY (A) REFERENCES U", "COMMIT"}},
      {"^^",
       "SET TERM ^^ ;\nEXECUTE BLOCK AS BEGIN X = 2 ^ 3; END^^ SET TERM ;^^\nGRANT SELECT ON T TO PUBLIC;",
       {"EXECUTE BLOCK AS BEGIN X = 2 ^ 3; END", "GRANT SELECT ON T TO PUBLIC"}},
      {"##",
       "set term ## ;\nCREATE TRIGGER TR FOR T AS BEGIN NEW.S = '##'; END ##\n##\nset term ; ##\nSELECT 1 FROM T;",
       {"CREATE TRIGGER TR FOR T AS BEGIN NEW.S = '##'; END ", "SELECT 1 FROM T"}},
  };
  for (const Case& c : cases) {
    const auto found = Parse(c.script);
    EXPECT_EQ(Texts(found), c.statements) << c.terminator;
  }
}

// Literals of the q'<delimiter>...<delimiter>' form hold quotes and terminators that do
// not count, for the scanner as for the tokens of a body.
TEST(ScriptTerminators, QuotedLiteralsHideQuotesAndTerminators) {
  const auto found = Parse(
      "INSERT INTO T VALUES (q'{it's; {nested}}', Q'(a;b)', q'[x]; y]', q'<'>', q'!don't;!');\n"
      "INSERT INTO T VALUES (q'{two\nlines; it's}');\n"
      "CREATE PROCEDURE P AS BEGIN X = q'{END; it's BEGIN}'; END;\n"
      "SELECT faq'x' FROM T;");
  EXPECT_EQ(Texts(found),
            (Texts_t{"INSERT INTO T VALUES (q'{it's; {nested}}', Q'(a;b)', q'[x]; y]', q'<'>', q'!don't;!')",
                     "INSERT INTO T VALUES (q'{two\nlines; it's}')",
                     "CREATE PROCEDURE P AS BEGIN X = q'{END; it's BEGIN}'; END", "SELECT faq'x' FROM T"}));
  const ParsedScript parsed("DESCRIBE TABLE T q'{it's a table}';");
  TScriptTokenReader tokens(parsed.lines, parsed.map[0]);
  TScriptToken token;
  ASSERT_TRUE(tokens.Skip(3, token));
  EXPECT_TRUE(token.Quoted);
  EXPECT_EQ(token.Text, "it's a table");
}

// A statement's text for the server keeps the line ends of the text the lines came from;
// lines edited one by one end in LF.
TEST(ScriptText, StatementTextKeepsTheScriptsLineEnds) {
  for (const std::string end : {"\n", "\r\n", "\r"}) {
    TScriptLines lines;
    lines.SetText("INSERT INTO T VALUES ('a" + end + end + "b');" + end + "SELECT 1" + end + "FROM T" + end);
    TpFIBScriptParser parser;
    TScriptMap map;
    AnsiString terminator = ";";
    parser.ParseScript(lines, terminator, true, map);
    ASSERT_EQ(map.Count(), 2);
    EXPECT_EQ(StatementText(lines, lines.LineEnds(), map[0]), "INSERT INTO T VALUES ('a" + end + end + "b')");
    EXPECT_EQ(StatementText(lines, lines.LineEnds(), map[1]), "SELECT 1" + end + "FROM T");
    lines.Add("-- edited");
    EXPECT_EQ(StatementText(lines, lines.LineEnds(), map[1]), "SELECT 1\nFROM T");
  }
}

TEST(ScriptTerminators, BodiesWithSemicolonsStayWholeWithoutSetTerm) {
  const auto found = Parse(
      "CREATE OR ALTER PROCEDURE GET_X (A INTEGER) RETURNS (X VARCHAR(10)) AS\n"
      "  DECLARE VARIABLE V INTEGER;\n"
      "BEGIN\n"
      "  V = (CASE WHEN A > 0 THEN 1 ELSE 0 END);\n"
      "  X = 'END;';  -- END; in a comment\n"
      "  /* BEGIN */ BEGIN X = \"END\"; END\n"
      "  SUSPEND;\n"
      "END;\n"
      "CREATE TRIGGER T_BI FOR T ACTIVE BEFORE INSERT POSITION 0 AS\n"
      "BEGIN\n"
      "  IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(G, 1);\n"
      "END;\n"
      "ALTER TRIGGER T_BI INACTIVE;\n"
      "DROP PROCEDURE GET_X;\n"
      "EXECUTE BLOCK AS BEGIN INSERT INTO T VALUES (1); END;\n");
  ASSERT_EQ(found.size(), 6u);
  EXPECT_TRUE(found[0].text.starts_with("CREATE OR ALTER PROCEDURE GET_X"));
  EXPECT_TRUE(found[0].text.ends_with("  SUSPEND;\nEND"));
  EXPECT_EQ(found[0].name, "GET_X");
  EXPECT_EQ(found[1].objectKind, okTrigger);
  EXPECT_TRUE(found[1].text.ends_with("(G, 1);\nEND"));
  EXPECT_EQ(found[2].text, "ALTER TRIGGER T_BI INACTIVE");
  EXPECT_EQ(found[3].text, "DROP PROCEDURE GET_X");
  // An EXECUTE BLOCK needs SET TERM: the semicolon cuts it.
  EXPECT_EQ(found[4].text, "EXECUTE BLOCK AS BEGIN INSERT INTO T VALUES (1)");
  EXPECT_EQ(found[5].text, "END");
}

TEST(ScriptTerminators, TerminatorsInStringsAndCommentsDoNotEndStatements) {
  const auto found = Parse(
      "INSERT INTO T VALUES ('a;b', 'it''s; here', \"x;y\"); -- ; trailing\n"
      "/* ; before */ INSERT INTO T /* ; */ VALUES ('multi\n"
      "line; text');\n"
      "-- INSERT INTO T VALUES (9);\n"
      "/* INSERT INTO T\n"
      "   VALUES (8); */\n"
      ";;\n"
      "SELECT '--' FROM T WHERE X = '/*';\n");
  EXPECT_EQ(Texts(found), (Texts_t{"INSERT INTO T VALUES ('a;b', 'it''s; here', \"x;y\")",
                                   "INSERT INTO T /* ; */ VALUES ('multi\nline; text')",
                                   "SELECT '--' FROM T WHERE X = '/*'"}));
}

TEST(ScriptTerminators, LastStatementWithoutTerminator) {
  EXPECT_EQ(Texts(Parse("INSERT INTO T VALUES (1);\nINSERT INTO T\n VALUES (2)  ")),
            (Texts_t{"INSERT INTO T VALUES (1)", "INSERT INTO T\n VALUES (2)  "}));
  // An unfinished body is kept too, as it stands.
  EXPECT_EQ(Texts(Parse("CREATE PROCEDURE P AS BEGIN X = 1;")),
            Texts_t{"CREATE PROCEDURE P AS BEGIN X = 1;"});
  // Without keepLast it stays in the map with no end.
  const ParsedScript parsed("SELECT 1 FROM T; SELECT 2\nFROM T", false);
  ASSERT_EQ(parsed.map.Count(), 2);
  EXPECT_TRUE(parsed.map[0].Closed());
  EXPECT_FALSE(parsed.map[1].Closed());
  EXPECT_EQ(parsed.Text(1), "SELECT 2\nFROM T");
}

TEST(ScriptPositions, StartsAndEndsAreLinesAndColumnsOfTheScript) {
  const ParsedScript parsed("  SELECT 1\n  FROM T\n;\nSELECT\n\n; x");
  const TScriptMap& map = parsed.map;
  ASSERT_EQ(map.Count(), 3);
  EXPECT_EQ(map[0].StartLine, 0);
  EXPECT_EQ(map[0].StartCol, 3);
  // A terminator at the start of a line ends the statement with the line before it,
  // also when that line is empty.
  EXPECT_EQ(map[0].EndLine, 1);
  EXPECT_EQ(map[0].EndCol, 8);
  EXPECT_EQ(map[1].EndLine, 4);
  EXPECT_EQ(map[1].EndCol, 0);
  EXPECT_EQ(parsed.Text(1), "SELECT\n");
  EXPECT_EQ(map[2].StartLine, 5);
  EXPECT_EQ(map[2].StartCol, 3);
}

TEST(ScriptPositions, LinesLongerThanSixteenBitColumns) {
  std::string values;
  for (int i = 0; i < 14000; ++i) values += "(" + std::to_string(i) + "),";
  const std::string insert = "INSERT INTO T (ID) VALUES " + values.substr(0, values.size() - 1);
  ASSERT_GT(insert.size(), 70000u);
  const auto found = Parse(insert + "; " + insert + ";");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].text, insert);
  EXPECT_EQ(found[1].text, insert);
}

TEST(ScriptClassifier, KindsObjectKindsAndNames) {
  struct Case {
    const char* statement;
    TStatementKind kind;
    TObjectKind objectKind;
    const char* name;
  };
  const Case cases[] = {
      {"select * from t", skUnknown, okNone, ""},
      {"insert into t values (1)", skDML, okNone, ""},
      {"Update t set a = 1", skDML, okNone, ""},
      {"delete from t", skDML, okNone, ""},
      {"merge into t using s on 1 = 1 when matched then delete", skDML, okNone, ""},
      {"execute procedure p", skDML, okNone, ""},
      {"/ stray", skUnclassified, okNone, ""},
      {"CONNECT 'db.fdb' USER 'SYSDBA' PASSWORD 'x'", skConnect, okDatabase, "db.fdb"},
      {"COMMIT WORK", skCommit, okDatabase, "db.fdb"},
      {"rollback", skRollback, okDatabase, "db.fdb"},
      {"ROLLBACK TO SAVEPOINT S1", skUnknown, okNone, ""},
      {"ROLLBACK WORK TO S1", skUnknown, okNone, ""},
      {"DISCONNECT", skDisconnect, okDatabase, "db.fdb"},
      {"RECONNECT", skReconnect, okDatabase, "db.fdb"},
      {"CREATE DATABASE \"new.fdb\" PAGE_SIZE 8192", skCreateDatabase, okDatabase, "new.fdb"},
      {"DROP DATABASE", skDropDatabase, okDatabase, "new.fdb"},
      {"CREATE TABLE T(ID INTEGER)", skCreate, okTable, "T"},
      {"create unique index IX on T (ID)", skCreate, okIndex, "IX"},
      {"CREATE OR ALTER VIEW V AS SELECT 1 FROM T", skCreate, okView, "V"},
      {"RECREATE EXCEPTION E 'Not a TABLE'", skRecreate, okException, "E"},
      {"ALTER TABLE \"My Table\" ADD X INTEGER", skAlter, okTable, "My Table"},
      {"DROP DOMAIN D_NAME", skDrop, okDomain, "D_NAME"},
      {"CREATE GENERATOR G", skCreate, okGenerator, "G"},
      {"CREATE ROLE R", skCreate, okRole, "R"},
      {"CREATE SEQUENCE S", skCreate, okNone, ""},
      {"SET GENERATOR G TO 10", skSetGenerator, okGenerator, "G"},
      {"SET SQL DIALECT 3", skSet, okNone, ""},
      {"DESCRIBE TABLE T 'text'", skDescribe, okTable, "T"},
      {"DESCRIBE COLUMN C TABLE T 'text'", skDescribe, okColumn, "C.T"},
      {"DESCRIBE PARAMETER A PROCEDURE P 'text'", skDescribe, okParameter, "A.P"},
      {"COMMENT ON PROCEDURE P IS 'text'", skComment, okProcedure, "P"},
      {"COMMENT ON COLUMN T.C IS 'text'", skComment, okColumn, "T.C"},
      {"DECLARE EXTERNAL FUNCTION F INTEGER RETURNS INTEGER", skDeclare, okFunction, "F"},
      {"DECLARE FILTER FL INPUT_TYPE 1", skDeclare, okFilter, ""},
      {"GRANT SELECT ON TABLE T TO PUBLIC", skGrant, okTable, "T"},
      {"REVOKE EXECUTE ON PROCEDURE P FROM U", skGrant, okProcedure, "P"},
      {"GRANT SELECT ON T TO PUBLIC", skGrant, okNone, "T"},
      {"GRANT R TO U", skGrant, okNone, ""},
      {"INPUT 'other.sql'", skInput, okNone, ""},
      {"BATCH START", skBatchStart, okNone, ""},
      {"batch execute", skBatchExecute, okNone, ""},
      {"BATCH OTHER", skUnclassified, okNone, ""},
      {"BATCH", skUnclassified, okNone, ""},
      {"'quoted' first", skUnknown, okNone, ""},
  };
  TpFIBScriptParser parser;
  std::string script;
  for (const Case& c : cases) script += std::string(c.statement) + ";\n";
  const auto found = Parse(script, true, nullptr, &parser);
  ASSERT_EQ(found.size(), std::size(cases));
  for (std::size_t i = 0; i < found.size(); ++i) {
    SCOPED_TRACE(cases[i].statement);
    EXPECT_EQ(found[i].text, cases[i].statement);
    EXPECT_EQ(found[i].kind, cases[i].kind);
    EXPECT_EQ(found[i].objectKind, cases[i].objectKind);
    EXPECT_EQ(found[i].name, cases[i].name);
  }
  EXPECT_EQ(parser.DatabaseName(), "new.fdb");
  EXPECT_TRUE(parser.ConnectSeen() && parser.DMLSeen() && parser.UnknownSeen());
  Parse("CREATE TABLE X (A INTEGER);", true, nullptr, &parser);
  EXPECT_FALSE(parser.ConnectSeen() || parser.DMLSeen() || parser.UnknownSeen());
}

TEST(ScriptClassifier, UnclosedQuotedTokenIsAClearError) {
  try {
    Parse("CONNECT 'db.fdb");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Can't find end token");
  }
}

TEST(ScriptTokens, RestOfAStatementAfterItsTokens) {
  const ParsedScript parsed(
      "CREATE DATABASE 'x.fdb' /* c */ PAGE_SIZE 4096\n  DEFAULT CHARACTER SET WIN1251;");
  TScriptTokenReader tokens(parsed.lines, parsed.map[0]);
  TScriptToken token;
  ASSERT_TRUE(tokens.Skip(2, token));
  EXPECT_TRUE(token.Quoted);
  EXPECT_EQ(token.Text, "x.fdb");
  EXPECT_EQ(tokens.Rest(), "/* c */ PAGE_SIZE 4096\n  DEFAULT CHARACTER SET WIN1251");
  EXPECT_FALSE(tokens.Next(token));
}

TEST(ScriptText, Windows1251TextIsKeptByteForByte) {
  ASSERT_EQ(GetAnsiCodePage(), CP_WIN1251);
  const std::string table = Utf8ToAnsi("\"Довідник країн\"");
  const std::string value = Utf8ToAnsi("'Україна; Київ'");
  const std::string comment = Utf8ToAnsi("/* коментар; ще */");
  const auto found =
      Parse("CREATE TABLE " + table + " (NAME VARCHAR(40));\r\n" + comment + "\r\nINSERT INTO " + table +
            " VALUES (" + value + ");\r\n" + Utf8ToAnsi("ВСТАВИТИ;\r\n"));
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].name, Utf8ToAnsi("Довідник країн"));
  EXPECT_EQ(found[1].text, "INSERT INTO " + table + " VALUES (" + value + ")");
  EXPECT_EQ(found[1].kind, skDML);
  EXPECT_EQ(found[2].kind, skUnknown);
}

TEST(ScriptMapTest, CapacityGrowsByTheRuleAndIsCutToTheCount) {
  TScriptMap map;
  map.Reset(10);
  EXPECT_EQ(map.Capacity(), 3);
  std::vector<int> capacities;
  for (int i = 0; i < 100; ++i) {
    map.Add(TStatementDesc());
    if (capacities.empty() || capacities.back() != map.Capacity()) capacities.push_back(map.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{3, 7, 11, 27, 43, 59, 75, 93, 116}));
  map.Cut();
  EXPECT_EQ(map.Capacity(), 100);
  map.Reset(1600);
  EXPECT_EQ(map.Capacity(), 100);
  EXPECT_EQ(map.Count(), 0);
}

// Feeds the script one line at a time, taking statements as they complete.
std::vector<Found> Feed(const std::string& script, int& maxHeldLines) {
  TStringList lines;
  lines.SetText(script);
  TpFIBScriptParser parser;
  TScriptFeed feed(parser, ";");
  std::vector<Found> found;
  maxHeldLines = 0;
  auto take = [&] {
    for (int i = 0; i < feed.ReadyCount(); ++i) {
      TStringList statement;
      feed.ReadyText(i, statement);
      found.push_back(
          {Joined(statement), feed.Ready(i).Kind, feed.Ready(i).ObjectKind, feed.Ready(i).ObjectName});
    }
    feed.Consume();
  };
  for (int i = 0; i < lines.Count(); ++i) {
    feed.AddLine(lines.Strings(i));
    maxHeldLines = std::max(maxHeldLines, feed.HeldLines());
    take();
  }
  feed.Finish();
  take();
  return found;
}

TEST(ScriptFeedTest, LineByLineSplitsAsTheWholeScriptAndHoldsOnlyOpenLines) {
  std::string script =
      "/* a comment\n over lines; */ INSERT INTO T VALUES (1); INSERT INTO T\n"
      "  VALUES ('two\nlines'); SET TERM ^ ;\n"
      "CREATE PROCEDURE P AS\nBEGIN\n  X = 1;\nEND^ SET TERM ; ^\n"
      "CREATE TRIGGER TR FOR T AS\nBEGIN\n  X = 1;\nEND;\n";
  for (int i = 0; i < 200; ++i) script += "INSERT INTO T VALUES (" + std::to_string(i) + ");\n";
  script += "SELECT 1\nFROM T";
  int maxHeld = 0;
  const auto fed = Feed(script, maxHeld);
  const auto whole = Parse(script);
  ASSERT_EQ(fed.size(), whole.size());
  for (std::size_t i = 0; i < fed.size(); ++i) {
    EXPECT_EQ(fed[i].text, whole[i].text);
    EXPECT_EQ(fed[i].kind, whole[i].kind);
    EXPECT_EQ(fed[i].name, whole[i].name);
  }
  EXPECT_EQ(fed.back().text, "SELECT 1\nFROM T");
  EXPECT_LE(maxHeld, 4);
}

}  // namespace
}  // namespace ordvane
