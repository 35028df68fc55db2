// The SQL text routines over the cases that real select texts bring: joins, subqueries,
// comments, quoted and Cyrillic names, literals holding keywords, and the tail clauses.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBSQLText.h"

namespace ordvane {
namespace {

AnsiString ClauseText(const AnsiString& sql, const TSQLClause& c) { return CopyFromTo(sql, c.Start, c.End); }

TEST(SQLKind, IsDecidedByTheFirstSignificantWord) {
  struct Case {
    const char* sql;
    TSQLKind kind;
  } cases[] = {
      {"select * from t", TSQLKind::Select},
      {"  \r\n\tSeLeCt 1 from rdb$database", TSQLKind::Select},
      {"MERGE INTO t USING s ON (t.id = s.id) WHEN MATCHED THEN UPDATE SET a = s.a", TSQLKind::Select},
      {"-- heading\nselect 1 from t", TSQLKind::Select},
      {"/* heading */ select 1 from t", TSQLKind::Select},
      {"update t set a = 1", TSQLKind::Update},
      {"delete from t", TSQLKind::Delete},
      {"insert into t values (1)", TSQLKind::Insert},
      {"execute procedure p", TSQLKind::ExecuteProcedure},
      {"execute\n\t/* which */ procedure p(1)", TSQLKind::ExecuteProcedure},
      {"EXECUTE BLOCK AS BEGIN END", TSQLKind::ExecuteBlock},
      {"execute statement 'select 1 from t'", TSQLKind::Unknown},
      {"create table t (a integer)", TSQLKind::DDL},
      {"Recreate view v as select 1 from t", TSQLKind::DDL},
      {"comment on table t is 'x'", TSQLKind::DDL},
      {"declare external function f", TSQLKind::DDL},
      {"drop table t", TSQLKind::DDL},
      {"alter table t add b integer", TSQLKind::DDL},
      {"SET GENERATOR g TO 5", TSQLKind::DDL},
      {"set \t generator g to 5", TSQLKind::DDL},
      {"SET TERM ^ ;", TSQLKind::Unknown},
      {"SAVEPOINT s", TSQLKind::Unknown},
      {"(select 1 from rdb$database)", TSQLKind::Unknown},
      {"/* heading */select 1 from t", TSQLKind::Unknown},
      {"selected from t", TSQLKind::Unknown},
      {"", TSQLKind::Unknown},
      {"   ", TSQLKind::Unknown},
      {"/* never closed", TSQLKind::Unknown},
      // A WITH list is of the kind of the statement after it; only a select may follow.
      {"with a as (select 1 x from t) select x from a", TSQLKind::Select},
      {"WITH RECURSIVE a (x) AS (select 1 from t)\n-- main\nselect x from a", TSQLKind::Select},
      {"with a as (select 1 x from t) /* select */ 'select'", TSQLKind::Unknown},
      {"with a as (select 1 x from t)", TSQLKind::Unknown},
  };
  for (const Case& c : cases) EXPECT_EQ(SQLKindOf(c.sql), c.kind) << c.sql;
}

TEST(SQLParser, FromClauseEndsBeforeTheNextTopLevelClause) {
  struct Case {
    const char* sql;
    const char* from;
  } cases[] = {
      {"select a from t where b = 1", "from t "},
      {"select a from t", "from t"},
      {"select (select max(x) from u where u.y = 1) from t order by 1", "from t "},
      {"select a, 'from x where' from t group by a", "from t "},
      {"select \"from\", \"where\" from t\nwhere 1 = 1", "from t\n"},
      {"select a /* from x */ from t plan (t natural)", "from t "},
      {"select a -- from x\nfrom t union select b from u", "from t "},
      {"select a from t1 join (select b from u where c = 1 order by b) d on d.b = t1.a where t1.x = 2",
       "from t1 join (select b from u where c = 1 order by b) d on d.b = t1.a "},
      {"select a from t rows 5", "from t "},
      {"select a from t offset 5 rows", "from t "},
      {"select a from t fetch next 1 row only", "from t "},
      {"select a from t with lock", "from t "},
      {"select a from (select b from u)where b = 1", "from (select b from u)"},
      {"select a from \"Таблиця\" having count(*) > 1", "from \"Таблиця\" "},
  };
  for (const Case& c : cases) {
    TSQLParser parser(c.sql);
    EXPECT_EQ(ClauseText(c.sql, parser.GetFromClause()), c.from) << c.sql;
  }
  EXPECT_EQ(TSQLParser("update t set a = 1").GetFromClause().Start, 0);
  EXPECT_EQ(TSQLParser("select 1").GetFromClause().Start, 0);
}

TEST(SQLParser, MainWhereSkipsTheWhereOfASubqueryInTheSelectList) {
  AnsiString sql = "select a, (select max(b) from u where u.x = t.x) from t where c = 1 order by a";
  TSQLParser parser(sql);
  EXPECT_EQ(parser.WhereCount(), 2);
  EXPECT_EQ(parser.MainWhereIndex(), 2);
  EXPECT_EQ(parser.GetWhereClause(2).Text, "c = 1");
  EXPECT_EQ(parser.GetWhereClause(1).Text, "u.x = t.x");
  EXPECT_EQ(parser.GetWhereClause(0).Text, "u.x = t.x");
  EXPECT_EQ(parser.GetWhereClause(3).Start, 0);
  EXPECT_EQ(parser.GetWhereClause(-1).Start, 0);
  EXPECT_EQ(ClauseText(sql, parser.GetWhereClause(2)), "where c = 1");
}

TEST(SQLParser, WhereConditionTable) {
  struct Case {
    const char* sql;
    const char* condition;
  } cases[] = {
      {"select a from t where a = 'where' order by a", "a = 'where'"},
      {"select a from t where \"Name\" = 'x'", "\"Name\" = 'x'"},
      {"select a from t where a = \"B\"", "a = \"B\""},
      {"select a from t where a starting with 'x' group by a", "a starting with 'x'"},
      {"select a from t where a = 1 rows 5", "a = 1"},
      {"select a from t where a = 1 offset ? rows", "a = 1"},
      {"select a from t where a = 1 fetch first 10 rows only", "a = 1"},
      {"select a from t where a = 1 offset /* skip */ 2 rows fetch next 3 rows only", "a = 1"},
      // Columns named as the clauses, without what the clauses take after them.
      {"select a from t where offset = 1 and fetch > 2", "offset = 1 and fetch > 2"},
      {"select a from t where a = 1 for update", "a = 1"},
      {"select a from t where a = 1 with lock", "a = 1"},
      {"select a from t where a = 1;", "a = 1"},
      {"select a from t where a = 1 -- why\r\norder by a", "a = 1 -- why"},
      {"select a from t where(a = 1)plan (t natural)", "(a = 1)"},
      // Neither a "/*" inside a line comment nor the "/" that closes a comment opens one.
      {"select a from t -- see /* note\nwhere b = 1", "b = 1"},
      {"select 3 /* c */*2 from t where b = 2", "b = 2"},
      {"select a from t WHERE\r\n  a in (select b from u where c = 'order') ORDER BY a",
       "a in (select b from u where c = 'order')"},
  };
  for (const Case& c : cases) {
    TSQLParser parser(c.sql);
    EXPECT_EQ(parser.GetWhereClause(parser.MainWhereIndex()).Text, c.condition) << c.sql;
  }
  EXPECT_EQ(WhereClauseCount("select a from t /* where */ where b = 'where'"), 1);
  EXPECT_EQ(TSQLParser("select a from t").MainWhereIndex(), -1);
  // A literal that never closes hides the rest of the text.
  EXPECT_EQ(GetWhereClauseOf("select a from t where a = 'open", 0).Start, 0);
}

TEST(SQLParser, AddConditionWrapsTheOldConditionOrAddsAWhere) {
  struct Case {
    const char* sql;
    const char* condition;
    bool onNewLines;
    const char* expected;
  } cases[] = {
      {"select a from t", "b=2", false, "select a from t\r\n WHERE b=2\r\n"},
      {"select a from t where a=1 order by a", "b=2", false,
       "select a from t where(  a=1 ) and ( b=2 ) order by a"},
      {"select a from t where a=1", "b=2", true, "select a from t where(  a=1\r\n  ) and ( b=2 )\r\n "},
      {"select a from t order by a", "b=2", false, "select a from t \r\n WHERE b=2\r\norder by a"},
      {"select a from t order by a", "b=2", true, "select a from t \r\n WHERE \r\n b=2\r\norder by a"},
      {"select a from t where a=1", "  ", false, "select a from t where a=1"},
      // A line comment at the end of the old or the new condition must not swallow the rest.
      {"select a from t where a=1 -- c\r\norder by a", "b=2", false,
       "select a from t where(  a=1 -- c\r\n ) and ( b=2 )\r\norder by a"},
      {"select a from t where a=1", "b=2 -- c", false, "select a from t where(  a=1 ) and ( b=2 -- c\r\n )"},
      {"select a, (select max(b) from u where u.x = t.x) from t", "c=3", false,
       "select a, (select max(b) from u where u.x = t.x) from t\r\n WHERE c=3\r\n"},
      {"update t set a = 1", "b=2", false, "update t set a = 1\r\n WHERE b=2\r\n"},
      {"select a from t rows 5", "b=2", false, "select a from t \r\n WHERE b=2\r\nrows 5"},
      {"select * from t where a = 1 fetch first 10 rows only", "b = 2", false,
       "select * from t where(  a = 1 ) and ( b = 2 ) fetch first 10 rows only"},
      {"select a from t offset 1 row", "b=2", false, "select a from t \r\n WHERE b=2\r\noffset 1 row"},
  };
  for (const Case& c : cases) EXPECT_EQ(AddWhereCondition(c.sql, c.condition, c.onNewLines), c.expected) << c.sql;
}

TEST(SQLParser, SetWhereTextReplacesTheMainCondition) {
  TSQLParser parser("select a from t where a=1 order by a");
  EXPECT_EQ(parser.SetWhereText("b=2"), "select a from t \r\nWHERE b=2\r\n order by a");
  EXPECT_EQ(parser.SetWhereText(""), "select a from t \r\n order by a");
  parser.SetSQLText("select a from t\r\nwhere a=1\r\norder by a");
  EXPECT_EQ(parser.SetWhereText("b=2"), "select a from t\r\nWHERE b=2\r\norder by a");
  parser.SetSQLText("select a from t");
  EXPECT_EQ(parser.SetWhereText("b=2"), "select a from t\r\n WHERE b=2\r\n");
  parser.SetSQLText("select a from t where a=1 offset 2 rows");
  EXPECT_EQ(parser.SetWhereText("b=2"), "select a from t \r\nWHERE b=2\r\n offset 2 rows");
}

TEST(SQLParser, OrderByRunsToTheEndOrToATailClause) {
  AnsiString sql = "select a from t order by a desc, b";
  TSQLClause clause = GetOrderByClauseOf(sql);
  EXPECT_EQ(ClauseText(sql, clause), "order by a desc, b");
  EXPECT_EQ(clause.Text, " a desc, b");
  clause = GetOrderByClauseOf("select a from t order a");
  EXPECT_GT(clause.Start, 0);
  EXPECT_EQ(clause.End, 0);
  EXPECT_EQ(clause.Text, "");
  EXPECT_EQ(GetOrderByClauseOf("select a, row_number() over (order by b) from t").Start, 0);
  EXPECT_EQ(GetOrderByClauseOf("select a from t order by a rows 5").Text, " a ");
  EXPECT_EQ(GetOrderByClauseOf("select a from t order by a desc offset 5 rows").Text, " a desc ");
  EXPECT_EQ(GetOrderByClauseOf("select a from t order by a fetch first 1 row only").Text, " a ");
  EXPECT_EQ(GetOrderByClauseOf("select a from t order by offset, fetch").Text, " offset, fetch");
  EXPECT_EQ(GetOrderByClauseOf("select a from t where b = 'order by' ORDER\tBY a").Text, " a");
}

TEST(SQLParser, SetOrderByTextTable) {
  struct Case {
    const char* sql;
    const char* order;
    const char* expected;
  } cases[] = {
      {"select a from t order by a", "b desc", "select a from t \r\nORDER BY b desc"},
      {"select a from t\r\norder by a", "b", "select a from t\r\nORDER BY b"},
      {"select a from t order by a", "", "select a from t "},
      {"select a from t ", "b", "select a from t\r\nORDER BY b"},
      {"select a from t", " ", "select a from t"},
      {"select a from t order by a rows 5", "b", "select a from t \r\nORDER BY b\r\nrows 5"},
      {"select a from t order by a rows 5", "", "select a from t rows 5"},
      {"select a from t rows 5", "b", "select a from t\r\nORDER BY b\r\nrows 5"},
      {"select a from t order by a offset 5 rows", "b", "select a from t \r\nORDER BY b\r\noffset 5 rows"},
      {"select a from t order by a fetch first 2 rows only", "", "select a from t fetch first 2 rows only"},
      {"select a from t -- last line", "b", "select a from t -- last line\r\nORDER BY b"},
  };
  for (const Case& c : cases) EXPECT_EQ(TSQLParser(c.sql).SetOrderByText(c.order), c.expected) << c.sql;
}

TEST(SQLParser, SetOrderClauseReplacesTheListInPlace) {
  EXPECT_EQ(SetOrderClause("select a from t", "b"), "select a from t ORDER BY b");
  EXPECT_EQ(SetOrderClause("select a from t", ""), "select a from t");
  EXPECT_EQ(SetOrderClause("select a from t order by a", "b"), "select a from t order by b ");
  EXPECT_EQ(SetOrderClause("select a from t order by a", ""), "select a from t  ");
  EXPECT_EQ(SetOrderClause("select a from t rows 3", "b"), "select a from t  ORDER BY b rows 3");
  EXPECT_EQ(SetOrderClause("select a from t order by a rows 3", "b"), "select a from t order by b rows 3");
  EXPECT_EQ(SetOrderClause("select a from t order by a offset 5 rows", "b"),
            "select a from t order by b offset 5 rows");
  EXPECT_EQ(SetOrderClause("select a from t fetch next 2 rows only", "b"),
            "select a from t  ORDER BY b fetch next 2 rows only");
  EXPECT_EQ(SetOrderClause("select a from t order", "b"), "select a from t ORDER BY b");
}

TEST(SQLParser, PlanClauseAndItsRewrites) {
  TSQLParser parser("select a from t plan (t natural)");
  TSQLClause plan = parser.GetPlanClause(parser.MainPlanIndex());
  EXPECT_EQ(plan.Text, "(t natural)");
  EXPECT_EQ(parser.SetPlanText("(t index (pk_t))"), "select a from t plan (t index (pk_t))");
  EXPECT_EQ(parser.SetPlanText(""), "select a from t ");

  parser.SetSQLText("select a from t plan  (t natural) order by a");
  EXPECT_EQ(parser.GetPlanClause(1).Text, "(t natural)");
  EXPECT_EQ(parser.SetPlanText(""), "select a from t  order by a");

  parser.SetSQLText("select a from t order by a");
  EXPECT_EQ(parser.MainPlanIndex(), -1);
  EXPECT_EQ(parser.SetPlanText("(t natural)"), "select a from t \r\nPLAN (t natural)\r\norder by a");
  parser.SetSQLText("select a from t");
  EXPECT_EQ(parser.SetPlanText("(t natural)"), "select a from t\r\nPLAN (t natural)");
  EXPECT_EQ(parser.SetPlanText(""), "select a from t");

  parser.SetSQLText("select a, (select b from u plan (u natural)) from t plan (t natural)");
  EXPECT_EQ(parser.MainPlanIndex(), 2);
  EXPECT_EQ(parser.GetPlanClause(1).Text, "(u natural)");
  EXPECT_EQ(parser.SetPlanText("(t index (pk_t))"),
            "select a, (select b from u plan (u natural)) from t plan (t index (pk_t))");
}

TEST(SQLParser, CountTextOfAPlainSelectKeepsFromAndWhere) {
  EXPECT_EQ(CountSelectSQL("select a, b from t where c = 1 order by a"), "Select Count(*) from t \r\n WHERE c = 1");
  EXPECT_EQ(CountSelectSQL("select a from t1 join t2 on t1.x = t2.y"), "Select Count(*) from t1 join t2 on t1.x = t2.y");
  EXPECT_EQ(CountSelectSQL("select a, (select max(b) from u where u.x = t.x) from t where c = 1"),
            "Select Count(*) from t \r\n WHERE c = 1");
  EXPECT_EQ(CountSelectSQL("select a from t where \"Ім'я\" = 'x' for update"),
            "Select Count(*) from t \r\n WHERE \"Ім'я\" = 'x'");
  EXPECT_EQ(CountSelectSQL("select 'distinct' as first_name from t"), "Select Count(*) from t");
  EXPECT_EQ(CountSelectSQL("update t set a = 1"), "");
  EXPECT_EQ(CountSelectSQL("merge into t using u on t.a = u.a when matched then delete"), "");
}

TEST(SQLParser, CountTextWrapsSelectsWhoseRowsAreNotTheRowsOfTheirFromClause) {
  struct Case {
    const char* sql;
    const char* expected;
  } cases[] = {
      {"select distinct a from t order by a",
       "select count(*) from (select distinct a from t) COUNTED_ROWS (C1)"},
      {"select a, count(*) from t group by a",
       "select count(*) from (select a, count(*) from t group by a) COUNTED_ROWS (C1, C2)"},
      {"select max(a) from t", "select count(*) from (select max(a) from t) COUNTED_ROWS (C1)"},
      {"select a,sum(b) from t having sum(b) > 1",
       "select count(*) from (select a,sum(b) from t having sum(b) > 1) COUNTED_ROWS (C1, C2)"},
      {"select * from t union select * from u",
       "select count(*) from (select * from t union select * from u)"},
      {"select first 5 t.* from t order by a", "select count(*) from (select first 5 t.* from t)"},
      {"select a from t order by a offset 1 row",
       "select count(*) from (select a from t order by a offset 1 row) COUNTED_ROWS (C1)"},
      {"select a from t where b = 1 fetch next 1 row only",
       "select count(*) from (select a from t where b = 1 fetch next 1 row only) COUNTED_ROWS (C1)"},
      {"select a, coalesce(b, c) from t order by a rows 2",
       "select count(*) from (select a, coalesce(b, c) from t order by a rows 2) COUNTED_ROWS (C1, C2)"},
      {"select skip 1 a from t where a > 0 for update with lock",
       "select count(*) from (select skip 1 a from t where a > 0) COUNTED_ROWS (C1)"},
      {"select distinct a from t -- c",
       "select count(*) from (select distinct a from t -- c\r\n) COUNTED_ROWS (C1)"},
  };
  for (const Case& c : cases) EXPECT_EQ(CountSelectSQL(c.sql), c.expected) << c.sql;
}

TEST(SQLParser, ModifiedTable) {
  struct Case {
    const char* sql;
    const char* raw;
    const char* name;
  } cases[] = {
      {"update t set a = 1", "t", "T"},
      {"update t x set x.a = 1", "t x", "T"},
      {"update t as x set x.a = 1", "t as x", "T"},
      {"update \"My T\" m set a = 1", "\"My T\" m", "My T"},
      {"insert into t1(a) values (1)", "t1", "T1"},
      {"insert into \"Особи\" (a) values (1)", "\"Особи\"", "Особи"},
      {"insert t values (1)", "Unknown", "UNKNOWN"},
      {"delete from t where a = 1", "t", "T"},
      {"delete from t x where x.a = 1", "t x", "T"},
      {"delete from t", "t", "T"},
      {"delete from /* which */ t", "t", "T"},
      {"select a from t", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetModifyTableName(c.sql, true), c.raw) << c.sql;
    EXPECT_EQ(GetModifyTableName(c.sql, false), c.name) << c.sql;
  }
}

TEST(SQLParser, TableListOfJoinsCommasAndDerivedItems) {
  using List = std::vector<AnsiString>;
  struct Case {
    const char* sql;
    bool keepDerived;
    List items;
  } cases[] = {
      {"select * from T1 A JOIN T2 B ON A.X = B.Y", false, {"T1 A", "T2 B"}},
      {"select * from t1 a left outer join t2 b on a.x = b.y where a.z = 1", false, {"T1 A", "T2 B"}},
      {"select * from t1 a, t2 b order by 1", false, {"T1 A", "T2 B"}},
      {"select * from t as x", false, {"T AS X"}},
      {"select * from t1 cross join t2", false, {"T1", "T2"}},
      {"select * from t1 a join t2 b on a.x = coalesce(b.y, 0) join t3 c using (z)", false, {"T1 A", "T2 B", "T3 C"}},
      {"select * from t1 a join (select b from u where c = 1) d on d.b = a.x, p(1, 2) q", false, {"T1 A"}},
      {"select * from t1 a join (select b from u where c = 1) d on d.b = a.x, p(1, 2) q", true, {"T1 A", "D", "P Q"}},
      {"select * from \"My Table\" m join \"Особи\" s on m.x = s.y", false, {"\"My Table\" M", "\"Особи\" S"}},
      {"select * from t1 /* , t9 */ a -- , t8\r\n, t2 b", false, {"T1 A", "T2 B"}},
      {"select * from t1 a join t2 b on b.name = ' join t9 on '", false, {"T1 A", "T2 B"}},
      {"select * from t1 rows 5", false, {"T1"}},
      {"update t x set a = 1", false, {"t x"}},
      {"execute procedure p", false, {""}},
  };
  for (const Case& c : cases) {
    TSQLParser parser(c.sql);
    EXPECT_EQ(parser.TableItems(c.keepDerived), c.items) << c.sql;
  }
  TSQLParser parser("select * from t1 a, p(1) q");
  EXPECT_EQ(parser.TableItems(false), List{"T1 A"});
  EXPECT_EQ(parser.TableItems(true), (List{"T1 A", "P Q"}));
}

TEST(SQLParser, TableListsInStringLists) {
  TStringList list;
  list.Add("stale");
  TablesOfSQL("select * from t1 a join t2 on a.x = t2.y, p(1) q", list, true, true);
  EXPECT_EQ(list.CommaText(), "\"T1 A\",T2,\"P Q\"");
  TablesOfSQL("select * from t1 a join t2 on a.x = t2.y, p(1) q", list, false, false);
  EXPECT_EQ(list.CommaText(), "T1,T2");
  TablesOfSQL("delete from t x where x.a = 1", list, false, true);
  EXPECT_EQ(list.CommaText(), "\"t x\"");
  SelectTablesToList("delete from t x where x.a = 1", list, false, true);
  EXPECT_EQ(list.CommaText(), "\"T X\"");
  SelectTablesToList("update t set a = 1", list, false, true);
  EXPECT_EQ(list.Count(), 0);

  TSQLParser parser("select * from a x, b");
  TStrings* owned = parser.GetTableList(false);
  EXPECT_EQ(owned->CommaText(), "\"A X\",B");
  parser.SetSQLText("select * from c");
  EXPECT_EQ(parser.GetTableList(false), owned);
  EXPECT_EQ(owned->CommaText(), "C");
}

TEST(SQLParser, FromItemsAliasesAndIdentifiers) {
  EXPECT_EQ(AliasSeparatorPos("T X"), 3);
  EXPECT_EQ(AliasSeparatorPos("T"), 0);
  EXPECT_EQ(AliasSeparatorPos("\"A B\" C"), 7);
  EXPECT_EQ(TableFromFromItem("\"A B\" C"), "\"A B\"");
  EXPECT_EQ(AliasFromFromItem("\"A B\" C"), "C");
  EXPECT_EQ(AliasFromFromItem("T AS X"), "X");
  EXPECT_EQ(TableFromFromItem("T AS X"), "T");
  EXPECT_EQ(AliasFromFromItem("T"), "T");

  struct Same {
    const char* a;
    const char* b;
    bool same;
  } identifiers[] = {
      {"", "x", true},          {"x", "", true},          {"\"Ab\"", "\"Ab\"", true}, {"\"x\"", "\"X\"", false},
      {"\"AB\"", "ab", true},   {"\"Ab\"", "ab", false},  {"ab", "\"AB\"", true},     {"ab", "\"ab\"", true},
      {"Ab", "aB", true},       {"ab", "abc", false},
  };
  for (const Same& s : identifiers) EXPECT_EQ(SameIdentifier(s.a, s.b), s.same) << s.a << " / " << s.b;

  AnsiString sql = "select * from t1 a join t2 b on a.x = b.y, t3";
  EXPECT_EQ(TableByAlias(sql, "b"), "T2");
  EXPECT_EQ(TableByAlias(sql, "t2"), "T2");
  EXPECT_EQ(TableByAlias(sql, "zz"), "");
  EXPECT_EQ(TableByAlias(sql, ""), "T1");
  EXPECT_EQ(TableByAlias("select * from t as x", "x"), "T");
  EXPECT_EQ(AliasByTable(sql, "t2"), "B");
  EXPECT_EQ(AliasByTable(sql, "t3"), "T3");
  EXPECT_EQ(AliasByTable(sql, "t9"), "t9");
  EXPECT_EQ(AliasFieldToTableField(sql, "b.name"), "T2.NAME");
  EXPECT_EQ(AliasFieldToTableField(sql, "b.\"Name\""), "T2.Name");
  EXPECT_EQ(AliasFieldToTableField(sql, "zz.x"), "zz.x");
  EXPECT_EQ(AliasFieldToTableField(sql, "x"), "x");
  EXPECT_EQ(AliasFieldToTableField("select * from \"Особи\" o", "o.id"), "Особи.ID");
}

TEST(SQLParser, InvertOrderClauseTable) {
  struct Case {
    const char* order;
    const char* inverted;
  } cases[] = {
      {"", ""},
      {"  ", ""},
      {"a", "a desc"},
      {"A, B DESC, C NULLS FIRST", "A desc,B,C desc  NULLS LAST"},
      {"a desc nulls last", "a NULLS FIRST"},
      {"a ascending, b descending", "a desc,b"},
      {"a asc, b ASC nulls first", "a desc,b desc  NULLS LAST"},
      {"a collate win1251_ua, b desc", "a collate win1251_ua desc,b"},
      {"coalesce(a, b) desc, c", "coalesce(a, b),c desc"},
      {"\"Name, first\"", "\"Name, first\" desc"},
      {"a /* first */ desc, -- then\r\n b", "a,b desc"},
      {"t.a || ' desc'", "t.a || ' desc' desc"},
      {"\"Прізвище\" desc", "\"Прізвище\""},
  };
  for (const Case& c : cases) EXPECT_EQ(InvertOrderClause(c.order), c.inverted) << c.order;
}

TEST(SQLParser, OrderItemsTakeEachItemApart) {
  TSQLParser parser("select * from t order by t.a desc nulls first, b collate win1251, c");
  std::vector<TOrderItem> items = parser.OrderItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].Expression, "t.a");
  EXPECT_TRUE(items[0].Descending);
  EXPECT_TRUE(items[0].NullsGiven && items[0].NullsFirst);
  EXPECT_EQ(items[1].Expression, "b");
  EXPECT_EQ(items[1].Collation, " collate win1251");
  EXPECT_FALSE(items[1].Descending || items[1].NullsGiven);
  EXPECT_EQ(items[2].Expression, "c");
  EXPECT_TRUE(TSQLParser("select * from t").OrderItems().empty());
}

TEST(SQLParser, SelectItemsNameTheirColumns) {
  struct TExpected {
    const char* expression;
    const char* name;
    bool aliased;
  };
  const auto expect = [](const char* sql, const std::vector<TExpected>& expected) {
    SCOPED_TRACE(sql);
    const std::vector<TSelectItem> items = TSQLParser(sql).SelectItems();
    ASSERT_EQ(items.size(), expected.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(items[i].Expression, expected[i].expression);
      EXPECT_EQ(items[i].Name, expected[i].name);
      EXPECT_EQ(items[i].Aliased, expected[i].aliased);
    }
  };
  expect("select first (2 + 1) skip 3 distinct p.id, name, a || b as full_name, upper(x) \"Up\", count(*), "
         "case when a = 1 then 2 end, c.*, d \"Dd\" from t",
         {{"p.id", "id", false},
          {"name", "name", false},
          {"a || b", "full_name", true},
          {"upper(x)", "\"Up\"", true},
          {"count(*)", "", false},
          {"case when a = 1 then 2 end", "", false},
          {"c.*", "", false},
          {"d", "\"Dd\"", true}});
  expect("with c as (select id, grp g from w) select /* k */ g, id + 1 n1, null from c",
         {{"g", "g", false}, {"id + 1", "n1", true}, {"null", "", false}});
  expect("select all x as \"as\" from t", {{"x", "\"as\"", true}});
  EXPECT_TRUE(TSQLParser("update t set a = 1").SelectItems().empty());
}

TEST(SQLText, FieldNameByParamFindsTheComparedField) {
  struct Case {
    const char* sql;
    const char* param;
    const char* field;
  } cases[] = {
      {"select * from t where t.id = :id", "ID", "id"},
      {"select * from t where a = 1 and t.\"Name\"=:NAME", "name", "Name"},
      {"select * from t where a = :a1 and b = :a", "a", "b"},
      {"select * from t where (t.x>=:from_x)", "FROM_X", "x"},
      {"select * from t where t.x = ?px", "px", "t.x"},
      {"select (select b from u where u.k = :k) from t where a = 1", "k", "k"},
      {"select * from t where :id = id", "id", ""},
      {"select * from t where a = :other", "id", ""},
      {"select * from t", "id", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FieldNameByParam(c.sql, c.param), c.field) << c.sql;
}

TEST(SQLParser, OrderFieldsAsAVariantArray) {
  Variant fields;
  GetOrderFieldsList(
      Utf8ToAnsi("select * from t order by t.name desc, \"Т\".\"Ім'я\" nulls first, /* c */ id collate x, , a.b.c"),
      fields);
  ASSERT_EQ(VarArrayDimCount(fields), 2);
  EXPECT_EQ(VarArrayHighBound(fields, 1), 4);
  EXPECT_EQ(VarArrayHighBound(fields, 2), 2);
  auto at = [&](int row, int column) { return VarArrayGet(fields, {row, column}); };
  EXPECT_EQ(VarToStr(at(0, 0)), "T.NAME");
  EXPECT_FALSE(at(0, 1).AsBoolean());
  EXPECT_FALSE(at(0, 2).AsBoolean());
  EXPECT_EQ(at(1, 0).AsWideString(), u"\"Т\".\"Ім'я\"");
  EXPECT_TRUE(at(1, 1).AsBoolean());
  EXPECT_TRUE(at(1, 2).AsBoolean());
  EXPECT_EQ(VarToStr(at(2, 0)), "id");
  EXPECT_TRUE(VarIsEmpty(at(3, 0)));
  EXPECT_EQ(VarToStr(at(4, 0)), "A.B");

  GetOrderFieldsList("select * from t", fields);
  EXPECT_TRUE(VarIsNull(fields));
}

TEST(SQLText, StripCommentsKeepsQuotesAndWordsApart) {
  EXPECT_EQ(StripSQLComments("a /* x */ b"), "a  b");
  EXPECT_EQ(StripSQLComments("a/*x*/b"), "a b");
  EXPECT_EQ(StripSQLComments("a -- c\r\nb"), "a b");
  EXPECT_EQ(StripSQLComments("a--c\nb"), "a b");
  EXPECT_EQ(StripSQLComments("'--not' \"/*x*/\""), "'--not' \"/*x*/\"");
  EXPECT_EQ(StripSQLComments("a -- c"), "a ");
  EXPECT_EQ(StripSQLComments("a /* open"), "a ");
}

TEST(SQLText, SkipBlanksAndCommentsStopsAtTheFirstSignificantCharacter) {
  AnsiString text = "  -- c\n /* x */ (select";
  int p = 1;
  SkipBlanksAndComments(text, static_cast<int>(text.size()), p);
  EXPECT_EQ(text.substr(static_cast<std::size_t>(p - 1)), "select");
  text = "-x";
  p = 1;
  SkipBlanksAndComments(text, 2, p);
  EXPECT_EQ(p, 1);
  text = " /* never closed";
  p = 1;
  SkipBlanksAndComments(text, static_cast<int>(text.size()), p);
  EXPECT_EQ(p, static_cast<int>(text.size()) + 1);
}

TEST(SQLText, SmallRoutines) {
  AnsiString name, value = "kept";
  SplitMacroDefault("@X%1", '@', name, value);
  EXPECT_EQ(name, "@X");
  EXPECT_EQ(value, "1");
  value = "kept";
  SplitMacroDefault("X", '@', name, value);
  EXPECT_EQ(name, "@X");
  EXPECT_EQ(value, "kept");

  EXPECT_EQ(QualifiedName("", "NAME"), "NAME");
  EXPECT_EQ(QualifiedName("T", "name"), "T.\"name\"");
  EXPECT_EQ(QualifiedName("my t", "A"), "\"my t\".A");
  EXPECT_EQ(QualifiedName("T", "SELECT"), "T.\"SELECT\"");
  EXPECT_EQ(QualifiedName("T", "a\"b"), "T.\"a\"\"b\"");

  AnsiString sql = "select a from t where b = 1";
  EXPECT_TRUE(IsWhereKeywordAt(sql, 17));
  EXPECT_FALSE(IsWhereKeywordAt(sql, 18));
  EXPECT_TRUE(IsWhereEndAt(sql, static_cast<int>(sql.size())));
  EXPECT_TRUE(IsWhereEndAt("where a = 1 order by a", 13));
  EXPECT_FALSE(IsWhereEndAt("where a = 1 orders", 13));
}

}  // namespace
}  // namespace ordvane
