// Statement text preparation without a server: what the parameter scan finds and where,
// the lists built from it, the rebuilt texts and when a rebuild is due, the monitor
// comment's names and the encoding of the text (iconv is the oracle for KOI8).

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBQueryText.h"
#include "dbclient/fib.h"
#include "tests/dbclient/RebuildCases.h"
#include "tests/dbclient/StatementOwner.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

// A marker as the test expects it: its spelling in the text locates it.
struct Expected {
  const char* spelled;  // the text from the marker to the name's end
  const char* name;
  bool inWhere = false;
  bool isOperand = true;
};

struct ScanCase {
  const char* sql;
  std::vector<Expected> markers;
};

TSQLParamScan Scan(const AnsiString& sql, bool forUserList = true) {
  TSQLParamScanOptions options;
  options.ForUserList = forUserList;
  options.StatementName = "Form1.Query1";
  return ScanSQLParams(sql, options);
}

// Checks every marker's name, flags and place; the place must spell the marker and the
// markers must come in text order, each after the one before.
void ExpectMarkers(const ScanCase& c) {
  SCOPED_TRACE(c.sql);
  const AnsiString sql = c.sql;
  const TSQLParamScan scan = Scan(sql);
  ASSERT_EQ(scan.Markers.size(), c.markers.size());
  std::size_t from = 0;
  for (std::size_t i = 0; i < c.markers.size(); ++i) {
    const TSQLParamMarker& m = scan.Markers[i];
    const Expected& e = c.markers[i];
    SCOPED_TRACE(e.spelled);
    const std::size_t at = sql.find(e.spelled, from);
    ASSERT_NE(at, AnsiString::npos);
    EXPECT_EQ(m.Place.Start, static_cast<int>(at) + 1);
    EXPECT_EQ(m.Place.End, static_cast<int>(at + std::string(e.spelled).size()));
    EXPECT_EQ(m.Name, e.name);
    EXPECT_EQ(m.Place.InWhere, e.inWhere);
    EXPECT_EQ(m.Place.IsOperand, e.isOperand);
    from = at + 1;
  }
}

TEST(ParamScan, FindsParametersOutsideStringsAndComments) {
  const ScanCase cases[] = {
      {"select * from t where a = :a and b = ?b_2", {{":a", "A", true}, {"?b_2", "B_2", true}}},
      {"select * from t where a = :a", {{":a", "A", true}}},
      {"select ':x', \"c:y\" from t -- :z\r\nwhere /* :w */ a = :#$%.a9", {{":#$%.a9", "#$%.A9", true}}},
      {"select 'it''s :x' from t where b = :b", {{":b", "B", true}}},
      {"select * from t where a=:a)", {{":a", "A", true}}},
      {"select * from t where a = :\"Mixed Name\" and b = :ab\"c d\"",
       {{":\"Mixed Name\"", "Mixed Name", true}, {":ab\"c d\"", "ABc d", true}}},
      {"select * from t where a = :\"x\"\"y\"", {{":\"x\"\"y\"", "x\"y", true}}},
      {"select * from t where a = :a:b", {{":a", "A", true}, {":b", "B", true}}},
      // A marker at the very end is left to the server.
      {"select * from t where a = :", {}},
      {"insert into t (a, b) values (:a, :b)", {{":a", "A"}, {":b", "B"}}},
      {"execute procedure p :a, :b", {{":a", "A"}, {":b", "B"}}},
  };
  for (const ScanCase& c : cases) ExpectMarkers(c);
}

TEST(ParamScan, OperandFlagLooksPastBlanksAndComments) {
  const ScanCase cases[] = {
      {"select * from t where a = :a + 1", {{":a", "A", true, false}}},
      {"select * from t where a = :a* 2 or b = :b/2 or c = :c-1",
       {{":a", "A", true, false}, {":b", "B", true, false}, {":c", "C", true, false}}},
      {"select * from t where a = :a || 'x'", {{":a", "A", true, false}}},
      {"select * from t where a = :a -- minus\n or b = :b /* over */ and c = 1",
       {{":a", "A", true}, {":b", "B", true}}},
      {"select * from t where a = :a /* c */ + 1", {{":a", "A", true, false}}},
      {"select * from t where a = :a\r\n", {{":a", "A", true}}},
  };
  for (const ScanCase& c : cases) ExpectMarkers(c);
}

TEST(ParamScan, TracksWhereClausesThroughBracketsAndSubqueries) {
  const ScanCase cases[] = {
      {"update t set a = :a where b = :b", {{":a", "A"}, {":b", "B", true}}},
      {"select :p from t where (a = :a or (b = :b)) order by c",
       {{":p", "P"}, {":a", "A", true}, {":b", "B", true}}},
      // A WHERE of a subquery ends with its bracket; the outer clause goes on.
      {"select * from t where a in (select x from u where y = :y) and d = :d",
       {{":y", "Y", true}, {":d", "D", true}}},
      {"select * from (select * from t where a = :a) x join u on u.id = :j where b = :b",
       {{":a", "A", true}, {":j", "J"}, {":b", "B", true}}},
      {"select a from t where a = 1 group by a having count(*) = :n", {{":n", "N"}}},
      {"select a from t where a = :a union select b from u where c = :c order by 1",
       {{":a", "A", true}, {":c", "C", true}}},
      {"update t set a = (select max(x) from u where y = :y), b = :b where c = :c",
       {{":y", "Y", true}, {":b", "B"}, {":c", "C", true}}},
      {"select * from t where a = :a rows :n", {{":a", "A", true}, {":n", "N"}}},
      {"execute block (x integer = :x) as begin end", {{":x", "X"}}},
  };
  for (const ScanCase& c : cases) ExpectMarkers(c);
}

TEST(ParamScan, ExecuteBlockAndDataDefinition) {
  const ScanCase cases[] = {
      {"EXECUTE BLOCK (X INTEGER = :X) AS DECLARE Y INTEGER; BEGIN Y = :X; END", {{":X", "X"}}},
      {"execute block (x integer = :x)\nas\ndeclare y integer; begin y = :x; end", {{":x", "X"}}},
      {"execute block (x integer = :x) as(", {{":x", "X"}}},
      // AS inside a word does not end the parameters.
      {"execute block (alias integer = :alias, bas_e integer = :bas) as begin end",
       {{":alias", "ALIAS"}, {":bas", "BAS"}}},
      {"create procedure p (a integer) as declare x integer; begin x = :a; end", {}},
      {"alter table t add c integer default 0", {}},
  };
  for (const ScanCase& c : cases) ExpectMarkers(c);
}

TEST(ParamScan, Macros) {
  const TSQLParamScan scan =
      Scan("select * from @Table%T1 where a = :a and b = @nm%#x and c = '@no' and d = 'a@@b' @@");
  ASSERT_EQ(scan.Markers.size(), 3u);
  const TSQLParamMarker& table = scan.Markers[0];
  EXPECT_EQ(table.Name, "TABLE");
  EXPECT_TRUE(table.Place.IsMacro);
  EXPECT_FALSE(table.Place.IsQuotedMacro);
  EXPECT_EQ(table.MacroDefault, "T1");
  EXPECT_EQ(table.Place.Start, 15);
  EXPECT_EQ(table.Place.End, 23);
  const TSQLParamMarker& quoted = scan.Markers[2];
  EXPECT_EQ(quoted.Name, "NM");
  EXPECT_TRUE(quoted.Place.IsQuotedMacro);
  EXPECT_EQ(quoted.MacroDefault, "x");

  TSQLParamScanOptions hash;
  hash.MacroChar = '#';
  const TSQLParamScan other = ScanSQLParams("select * from #T where a = 1", hash);
  ASSERT_EQ(other.Markers.size(), 1u);
  EXPECT_EQ(other.Markers[0].Name, "T");
  EXPECT_EQ(other.Markers[0].MacroDefault, "");
}

TEST(ParamScan, ServerTextKeepsPositions) {
  const AnsiString sql = "select * from t where a = :name and b = :\"Q r\" and c = @M%x";
  const TSQLParamScan scan = Scan(sql, false);
  EXPECT_EQ(scan.ServerText, "select * from t where a = ?     and b = ?      and c = @M%x");
  EXPECT_EQ(scan.ServerText.size(), sql.size());
}

TEST(ParamScan, ParseErrors) {
  struct ErrorCase {
    const char* sql;
    const char* what;
  };
  const ErrorCase cases[] = {
      {"select * from t where a = ? and b = ?", "Parameter name expected"},
      {"select * from t where a = :)", "Parameter name expected"},
      {"select * from t where a = :\"\"", "Parameter name expected"},
      {"select * from @ where a = 1", "Parameter name expected"},
      {"select * from @%x where a = 1", "Parameter name expected"},
      {"select * from t where a = :\"open", "EOF in string detected"},
      {"select * from t where a = 'open", "EOF in string detected"},
      {"select * from t /* where a = :a", "EOF in comment detected"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.sql);
    try {
      Scan(c.sql);
      ADD_FAILURE() << "no error";
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.SQLCode(), 51);
      EXPECT_EQ(e.Message(), AnsiString("SQL Parse Error in :Form1.Query1 \r\n\r\n") + c.what);
    }
  }
  // While loading, the scan stops silently with what it found before the fault.
  TSQLParamScanOptions loading;
  loading.Loading = true;
  const TSQLParamScan partial = ScanSQLParams("select * from t where a = :a and b = ? and c = :c", loading);
  ASSERT_EQ(partial.Markers.size(), 1u);
  EXPECT_EQ(partial.Markers[0].Name, "A");
}

TEST(ParamScan, MarkerTest) {
  EXPECT_TRUE(HasNoParamMarkers(""));
  EXPECT_TRUE(HasNoParamMarkers(":"));
  EXPECT_TRUE(HasNoParamMarkers("select ':a', \"?b\", '@c' from t -- :d\n/* :e */"));
  // A q'...' literal holds quotes and markers that are text.
  EXPECT_TRUE(HasNoParamMarkers("select q'{it's :a ?}', Q'!x'!' from t"));
  EXPECT_FALSE(HasNoParamMarkers("select q'{it's}' from t where a = ?"));
  EXPECT_FALSE(HasNoParamMarkers("select faq'x' from t where a = :a"));
  EXPECT_TRUE(HasQuotedLiterals("create exception e q'{it's}'"));
  EXPECT_FALSE(HasQuotedLiterals("create exception e 'q''{x}' -- q'{y}'"));
  EXPECT_FALSE(HasNoParamMarkers("select * from t where a = :a"));
  EXPECT_FALSE(HasNoParamMarkers("select * from @t"));
  EXPECT_TRUE(HasNoParamMarkers("select * from @t", '#'));
  // A comment at the very start is skipped whole, whatever it holds.
  EXPECT_FALSE(HasNoParamMarkers("/* it's */ select * from t where a = :a"));
  EXPECT_FALSE(HasNoParamMarkers("'x' || :a"));
  EXPECT_TRUE(HasNoParamMarkers("select 1 from t where a = 'open :a"));
}

// ---- Lists ---------------------------------------------------------------------------------

class ParamLists : public ::testing::Test {
 protected:
  void Preprocess(TFIBXSQLDA& list, const AnsiString& sql, bool forUserList = true) {
    TSQLParamScanOptions options;
    options.ForUserList = forUserList;
    sent = PreprocessSQL(sql, list, options);
  }

  test::TestOwner owner;
  TFIBXSQLDA params{&owner, true};
  AnsiString sent;
};

TEST_F(ParamLists, UserListHoldsMacrosWithDefaultsAndOneVariablePerOccurrence) {
  const AnsiString sql = "select * from @T%PERSON where a = :a or b = :a and c = @Q%#x and d = @E";
  Preprocess(params, sql);
  EXPECT_EQ(sent, sql);
  ASSERT_EQ(params.Count(), 5);
  EXPECT_EQ(params[0].Name(), "T");
  EXPECT_TRUE(params[0].Place().IsMacro);
  EXPECT_EQ(params[0].GetAsString(), "PERSON");
  EXPECT_EQ(params[1].Name(), "A");
  EXPECT_EQ(params[2].Name(), "A");
  EXPECT_TRUE(params[1].GetIsNull());
  EXPECT_TRUE(params[1].Place().InWhere);
  EXPECT_EQ(params[3].GetAsString(), "x");
  EXPECT_TRUE(params[3].Place().IsQuotedMacro);
  EXPECT_FALSE(params[4].GetIsNull());
  EXPECT_EQ(params[4].GetAsString(), "");
  params.ByName("A")->SetAsLong(7);
  EXPECT_EQ(params[1].GetAsLong(), 7);
  EXPECT_EQ(params[2].GetAsLong(), 7);
}

TEST_F(ParamLists, ServerListTakesNoMacros) {
  Preprocess(params, "select * from @T%PERSON where a = :a", false);
  ASSERT_EQ(params.Count(), 1);
  EXPECT_EQ(params[0].Name(), "A");
  EXPECT_EQ(params[0].GetSQLType(), 0);
  EXPECT_EQ(sent, "select * from @T%PERSON where a = ? ");
}

TEST_F(ParamLists, ValuesSurviveANewTextButBlobsDoNot) {
  Preprocess(params, "select * from t where a = :a and b = :b and m = @M%x");
  params.ByName("A")->SetAsLong(5);
  params.ByName("M")->SetAsString("changed");
  TMemoryStream blob;
  blob.WriteBuffer("data", 4);
  params.ByName("B")->LoadFromStream(blob);
  TFIBXSQLVAR* held = &params[0];

  const AnsiString next = "select * from u where x = :x or b = :b or a = :a and m2 = @M";
  Preprocess(params, next);
  ASSERT_EQ(params.Count(), 4);
  EXPECT_TRUE(params.ByName("X")->GetIsNull());
  EXPECT_TRUE(params.ByName("B")->GetIsNull());
  EXPECT_EQ(params.ByName("M")->GetAsString(), "changed");
  TFIBXSQLVAR& a = *params.ByName("A");
  EXPECT_EQ(a.GetAsLong(), 5);
  EXPECT_EQ(a.Place().Start, static_cast<int>(next.find(":a")) + 1);
  EXPECT_TRUE(a.Place().InWhere);
  held->SetAsLong(1);  // still a live variable of the list
  EXPECT_EQ(params[0].GetAsLong(), 1);

  Preprocess(params, "select 1 from rdb$database");
  EXPECT_EQ(params.Count(), 0);
  EXPECT_EQ(params.ByName("A"), nullptr);
}

// ---- Text rebuild --------------------------------------------------------------------------

class Rebuild : public ParamLists {
 protected:
  AnsiString Build(const test::RebuildCase& c, bool rewriteNulls = true) {
    Preprocess(params, c.sql);
    const AnsiString nulls = AnsiString(" ") + c.nullParams + " ";
    for (int i = 0; i < params.Count(); ++i) {
      TFIBXSQLVAR& var = params[i];
      if (var.Place().IsMacro) continue;
      if (nulls.find(" " + var.Name() + " ") == AnsiString::npos)
        var.SetAsLong(1);
      else
        var.Clear();  // values of the text before survive
    }
    return BuildExecSQL(c.sql, params, true, rewriteNulls).Text;
  }
};

TEST_F(Rebuild, NullComparisonsBecomeIsNullTests) {
  for (const test::RebuildCase& c : test::kNullRewriteCases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(Build(c), c.expected);
  }
  const test::RebuildCase& first = test::kNullRewriteCases[0];
  EXPECT_EQ(Build(first, false), first.sql);
}

TEST_F(Rebuild, RecordSavesNullOnlyForRewrittenParameters) {
  Preprocess(params, "SELECT * FROM T WHERE A = :A AND B >= :B");
  params[0].SetSavedValue(Variant(3));
  params[1].SetSavedValue(Variant(4));
  TExecSQLText built = BuildExecSQL("SELECT * FROM T WHERE A = :A AND B >= :B", params, false, true);
  EXPECT_TRUE(built.Rebuilt);
  EXPECT_EQ(params[0].SavedValue().AsInteger(), 3);
  built = BuildExecSQL("SELECT * FROM T WHERE A = :A AND B >= :B", params, true, true);
  EXPECT_TRUE(VarIsNull(params[0].SavedValue()));
  EXPECT_EQ(params[1].SavedValue().AsInteger(), 4);
}

TEST_F(Rebuild, MacrosAreSplicedAndQuotedMacrosBecomeLiterals) {
  const AnsiString sql = "select * from @TABLE%T1 where n = @N%#x and a = :a";
  Preprocess(params, sql);
  params.ByName("A")->SetAsLong(1);
  TExecSQLText built = BuildExecSQL(sql, params, true, true);
  EXPECT_EQ(built.Text, "select * from T1 where n = 'x' and a = :a");
  EXPECT_TRUE(built.Rebuilt);
  EXPECT_EQ(params.ByName("N")->SavedValue().AsString(), "x");

  struct Quoting {
    const char* value;
    const char* literal;
  };
  const Quoting quoting[] = {
      {"abc", "'abc'"},
      {"", "''"},
      {"#y", "'y'"},
      {"'done'", "'done'"},
      {"O'Brien", "'O''Brien'"},
      {"'open", "'''open'"},
      {"'a' or 1=1 --", "'''a'' or 1=1 --'"},
      {"#it's", "'it''s'"},
  };
  for (const Quoting& q : quoting) {
    SCOPED_TRACE(q.value);
    params.ByName("N")->SetAsString(q.value);
    params.ByName("TABLE")->SetAsString("PERSON P");
    params.ByName("A")->Clear();
    built = BuildExecSQL(sql, params, true, true);
    EXPECT_EQ(built.Text, AnsiString("select * from PERSON P where n = ") + q.literal + " and a  IS NULL ");
    EXPECT_EQ(params.ByName("N")->SavedValue().AsString(), q.value);
  }
}

TEST_F(Rebuild, PlacesThatDoNotFitTheTextAreLeftAlone) {
  Preprocess(params, "select * from t where a = :a and b = :b");
  EXPECT_EQ(BuildExecSQL("select 1", params, true, true).Text, "select 1");
  EXPECT_FALSE(BuildExecSQL("select 1", params, true, true).Rebuilt);
}

TEST_F(Rebuild, RebuildIsDueWhenAMacroOrANullnessChanged) {
  const AnsiString sql = "select * from @T%PERSON where a = :a and b = :b + 1";
  Preprocess(params, sql);
  EXPECT_TRUE(NeedRebuildSQL(false, false, params));
  BuildExecSQL(sql, params, true, true);
  for (int i = 0; i < params.Count(); ++i)
    if (!params[i].Place().IsMacro) params[i].SaveValue();
  EXPECT_FALSE(NeedRebuildSQL(true, false, params));
  EXPECT_TRUE(NeedRebuildSQL(true, true, params));

  params.ByName("B")->SetAsLong(2);  // not an operand: never rewritten
  EXPECT_FALSE(NeedRebuildSQL(true, false, params));
  params.ByName("A")->SetAsLong(2);
  EXPECT_TRUE(NeedRebuildSQL(true, false, params));
  params.ByName("A")->SaveValue();
  params.ByName("A")->SetAsLong(3);  // still not null
  EXPECT_FALSE(NeedRebuildSQL(true, false, params));
  params.ByName("T")->SetAsString("CITY");
  EXPECT_TRUE(NeedRebuildSQL(true, false, params));
}

// A prepared insert is executed row after row with values going null and back: its text
// has no comparison to rewrite, so it must be neither built nor prepared again.
TEST_F(Rebuild, ValuesOutsideAWhereClauseNeverDueARebuild) {
  const AnsiString sql = "insert into PERSON (id, note) values (:id, :note)";
  Preprocess(params, sql);
  BuildExecSQL(sql, params, true, true);
  for (int i = 0; i < params.Count(); ++i) params[i].SaveValue();
  params.ByName("NOTE")->SetAsLong(2);
  EXPECT_FALSE(NeedRebuildSQL(true, false, params));
  params.ByName("NOTE")->SaveValue();
  params.ByName("NOTE")->SetIsNull(true);
  EXPECT_FALSE(NeedRebuildSQL(true, false, params));
}

// ---- Monitor comment -----------------------------------------------------------------------

AnsiString Hex16(const void* address) {
  char text[32];
  std::snprintf(text, sizeof text, "%016llX",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
  return text;
}

TEST(MonitorComment, NamesOwnersAndUnnamedObjects) {
  TComponent form(nullptr);
  form.SetName("Form1");
  auto* database = new TComponent(&form);
  EXPECT_EQ(MonitorObjectName(*database, "DB_0x"), "Form1.DB_0x" + Hex16(database));
  database->SetName("MainDB");
  EXPECT_EQ(MonitorObjectName(*database, "DB_0x"), "Form1.MainDB");
  TComponent unowned(nullptr);
  EXPECT_EQ(MonitorObjectName(unowned, "Trans_0x"), "Trans_0x" + Hex16(&unowned));

  auto* dataset = new TComponent(&form);
  dataset->SetName("Persons");
  auto* statement = new TComponent(dataset);
  statement->SetName("SelectQuery");
  EXPECT_EQ(MonitorStatementName(*statement, true, "  all persons */ drop  "),
            "Form1.Persons:[all persons * / drop].SelectQuery");
  EXPECT_EQ(MonitorStatementName(*statement, true, ""), "Form1.Persons.SelectQuery");
  EXPECT_EQ(MonitorStatementName(*statement, false, ""), "Persons.SelectQuery");
  auto* query = new TComponent(&form);
  EXPECT_EQ(MonitorStatementName(*query, false, ""), "Form1.Query_0x" + Hex16(query));

  EXPECT_EQ(MonitorCommentText("Form1.MainDB", "Form1.Trans", "Form1.Query1"),
            " /* CSMON$CON_NAME=Form1.MainDB; CSMON$TR_NAME=Form1.Trans; CSMON$ST_NAME=Form1.Query1;  */");
}

TEST(MonitorComment, FollowsTheSettingsOfStatementTransactionAndDatabase) {
  TComponent form(nullptr);
  form.SetName("Form1");
  auto* database = new TFIBDatabase(&form);
  auto* transaction = new TFIBTransaction(&form);
  transaction->SetName("Trans1");
  auto* query = new TComponent(&form);
  query->SetName("Query1");
  TCSMonitorSupport statement(query);
  auto comment = [&] { return MonitorComment(statement, database, transaction, *query); };

  EXPECT_EQ(comment(), "");  // by default a database is disabled and drives the others
  database->CSMonitorSupport().SetEnabled(csmeEnabled);
  EXPECT_EQ(comment(), " /* CSMON$CON_NAME=Form1.DB_0x" + Hex16(database) +
                           "; CSMON$TR_NAME=Form1.Trans1; CSMON$ST_NAME=Form1.Query1;  */");
  EXPECT_EQ(MonitorComment(statement, database, nullptr, *query), "");
  EXPECT_EQ(MonitorComment(statement, nullptr, transaction, *query), "");
  statement.SetEnabled(csmeDisabled);
  EXPECT_EQ(comment(), "");
  statement.SetEnabled(csmeDatabaseDriven);
  EXPECT_NE(comment(), "");

  database->CSMonitorSupport().SetEnabled(csmeDisabled);
  transaction->CSMonitorSupport().SetEnabled(csmeEnabled);
  EXPECT_EQ(comment(), "");  // driven by the database, not the transaction
  statement.SetEnabled(csmeTransactionDriven);
  EXPECT_NE(comment(), "");
  transaction->CSMonitorSupport().SetEnabled(csmeDisabled);
  EXPECT_EQ(comment(), "");
  statement.SetEnabled(csmeEnabled);
  EXPECT_NE(comment(), "");

  statement.SetIncludeDatasetDescription(false);
  EXPECT_EQ(MonitorComment(statement, database, transaction, *query, true, "Persons"),
            MonitorComment(statement, database, transaction, *query, true, ""));
}

// ---- Encoding ------------------------------------------------------------------------------

TEST(SQLTextEncoding, FollowsTheConnectionsCharacterSet) {
  const AnsiString ansi = Utf8ToAnsi("select 'Москва, Київ' from rdb$database");
  test::TestOwner connection;
  connection.charSetID = 52;  // WIN1251
  EXPECT_EQ(EncodeSQLText(ansi, connection), ansi);
  connection.charSetID = 4;  // UTF8
  EXPECT_EQ(EncodeSQLText(ansi, connection), "select 'Москва, Київ' from rdb$database");
  connection.charSetID = 0;  // NONE
  EXPECT_EQ(EncodeSQLText(ansi, connection), "select 'Москва, Київ' from rdb$database");

  connection.charSetID = 63;  // KOI8R
  const AnsiString russian = Utf8ToAnsi("select 'Москва' from rdb$database");
  int exitCode = -1;
  const std::string koi8 = test::RunCommand(
      "printf '%s' \"select 'Москва' from rdb\\$database\" | iconv -f UTF-8 -t KOI8-R", exitCode);
  ASSERT_EQ(exitCode, 0);
  EXPECT_EQ(EncodeSQLText(russian, connection), koi8);
}

}  // namespace
}  // namespace ordvane
