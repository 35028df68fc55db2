// The server is the oracle of the SQL text routines: every text they produce must prepare
// on a real database, every count text must count the rows the select returns, and an
// inverted ORDER BY must return the rows in the reverse order. SqlLikeMatch must agree
// with the server's own LIKE.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBQuery.h"
#include "dbclient/FIBSQLText.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

using test::TestDatabase;

struct SelectCase {
  const char* sql;
  const char* plan;    // a valid plan for SetPlanText, or nullptr
  bool totalOrder;     // its ORDER BY orders every row, and no FIRST/SKIP/ROWS picks rows by it
};

// Selects of the fixture database with joins, subqueries, comments, quoted and Cyrillic
// names, literals that hold keywords, and the clauses that change how many rows come back.
const SelectCase kSelects[] = {
    {"select id, surname from person", "(PERSON NATURAL)", false},
    {"select id, surname from person where city_id = 1 order by id", "(PERSON NATURAL)", true},
    {"select p.id, c.name from person p join city c on c.id = p.city_id where p.id > 1 order by p.id desc",
     nullptr, true},
    {"select p.id, c.name from person p left outer join city c on c.id = p.city_id order by c.name nulls "
     "first, p.id",
     nullptr, true},
    {"select p.surname, (select max(c.name) from city c where c.id = p.city_id) as city from person p "
     "where p.note <> 'where order by' order by 1",
     nullptr, false},
    {"select * from person where note <> 'select -- from' /* where */ order by id", "(PERSON NATURAL)", true},
    {"select \"Ід\", \"Прізвище\" from \"Особи\" where \"where\" = 'order' order by \"Прізвище\" desc, "
     "\"Ід\"",
     nullptr, true},
    {"select \"from\", \"group\" from \"order\" where \"from\" > 0", nullptr, false},
    {"select distinct surname from person order by surname", "(PERSON NATURAL)", false},
    {"select city_id, count(*) from person group by city_id having count(*) > 1 order by 2", nullptr, false},
    {"select max(id), min(born) from person", nullptr, false},
    {"select id from person where city_id = 1 union select id from city order by 1", nullptr, false},
    {"select first 3 skip 1 id, surname from person order by id", nullptr, false},
    {"select id, surname from person order by id rows 2 to 4", nullptr, false},
    {"select id from person where id > 2 rows 3", "(PERSON NATURAL)", false},
    {"select id, name from cities_from(2) order by id", nullptr, true},
    {"select p.id from person p, city c where p.city_id = c.id and c.name starting with 'Л'", nullptr, false},
    {"select id\n-- a comment with from and where\nfrom person\r\nwhere id < 5\r\norder by id",
     "(PERSON NATURAL)", true},
    {"select id from person plan (person natural) order by id", "(PERSON NATURAL)", true},
    {"select id from person where id = 1 for update", "(PERSON NATURAL)", false},
    {"select c.name, p.cnt from city c join (select city_id, count(*) cnt from person group by city_id) p "
     "on p.city_id = c.id",
     nullptr, false},
    {"select surname || ' where ' as s from person where surname like '%о%' order by s, id", nullptr, true},
    {"select id from person where surname = 'Шевченко'", "(PERSON NATURAL)", false},
    {"select id from person where id > 0 with lock", "(PERSON NATURAL)", false},
    {"select id, surname from person order by surname collate win1251_ua desc nulls last, id", nullptr, true},
    {"select distinct p.*, c.name from person p left join city c on c.id = p.city_id", nullptr, false},
    {"select first 2 * from city order by name nulls last", nullptr, false},
    {"select count(*) from person", nullptr, false},
    {"select city_id, list(surname) from person where born > '1800-01-01' group by 1", nullptr, false},
    {"select id from person where id > 2 offset 2 rows", "(PERSON NATURAL)", false},
    {"select id, surname from person fetch first 3 rows only", "(PERSON NATURAL)", false},
    {"select id from person where city_id = 1 order by id offset 1 row fetch next 1 row only",
     "(PERSON NATURAL)", false},
    {"select distinct city_id from person order by 1 desc fetch first 2 rows only", nullptr, false},
    {"select id from person where id < 7 order by id offset 1 rows for update", nullptr, false},
    // WITH lists: every clause routine works on the main select after the list, whose
    // own selects (in brackets) keep their clauses.
    {"with kyiv as (select id, surname from person where city_id = 1 order by id) select id, surname from kyiv "
     "where id > 1 order by id",
     nullptr, true},
    {"WITH RECURSIVE r (n) AS (SELECT 1 FROM rdb$database UNION ALL SELECT n + 1 FROM r WHERE n < 5)\n"
     "SELECT n FROM r ORDER BY n DESC",
     nullptr, true},
    {"with\n/* counts */ counted as (select city_id, count(*) cnt from person group by city_id),\n"
     "named (id, name) as (select id, name from city where name <> 'where')\n"
     "select named.name, counted.cnt from named join counted on counted.city_id = named.id",
     nullptr, false},
    {"with p as (select id, surname from person) select distinct surname from p order by surname", nullptr, false},
    {"with c as (select id from city) select first 2 id from c order by id desc", nullptr, false},
};

std::string Trimmed(const std::string& s) { return FastTrim(s); }

// One statement's rows and its "Records affected" figure, as isql printed them.
struct Printed {
  std::vector<std::string> rows;
  long affected = -1;
};

// Runs the statements in one isql session with a marker before each and collects what
// each printed. A text may end in a line comment, so the terminator goes on its own line.
std::map<std::string, Printed> RunMarked(const TestDatabase& db,
                                         const std::vector<std::pair<std::string, std::string>>& statements) {
  std::string script = "SET HEADING OFF;\nSET COUNT ON;\n";
  for (const auto& [marker, sql] : statements)
    script += "select '" + marker + "' from rdb$database;\n" + sql + "\n;\n";
  std::istringstream out(db.Isql(script));
  std::map<std::string, Printed> result;
  Printed* current = nullptr;
  int affectedLines = 0;
  for (std::string line; std::getline(out, line);) {
    std::string text = Trimmed(line);
    if (text.rfind("#", 0) == 0 && result.count(text) == 0 &&
        std::any_of(statements.begin(), statements.end(), [&](const auto& s) { return s.first == text; })) {
      current = &result[text];
      affectedLines = 0;
    } else if (current && text.rfind("Records affected: ", 0) == 0) {
      if (++affectedLines == 2) current->affected = std::stol(text.substr(18));
    } else if (current && affectedLines == 1 && !text.empty()) {
      current->rows.push_back(text);
    }
  }
  return result;
}

// Prepares every text without executing it; isql stops at the first that fails.
void ExpectAllPrepare(const TestDatabase& db, const std::vector<std::string>& texts) {
  std::string script = "SET PLANONLY ON;\n";
  for (const std::string& t : texts) script += t + "\n;\n";
  try {
    db.Isql(script);
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what() << "\n--- script ---\n" << script;
  }
}

class SqlTextOnServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { fDb = new TestDatabase("dbclient/sqltext.sql", {3, "WIN1251"}); }
  static void TearDownTestSuite() {
    delete fDb;
    fDb = nullptr;
  }
  static TestDatabase* fDb;
};
TestDatabase* SqlTextOnServer::fDb = nullptr;

TEST_F(SqlTextOnServer, EveryRewrittenTextPrepares) {
  std::vector<std::string> texts;
  for (const SelectCase& c : kSelects) {
    TSQLParser parser(c.sql);
    texts.push_back(c.sql);  // the fixture's own texts must be valid to begin with
    texts.push_back(parser.AddCondition("1 = 1", false));
    texts.push_back(parser.AddCondition("2 > 1 -- why", false));
    texts.push_back(parser.AddCondition("3 > 2", true));
    texts.push_back(parser.SetWhereText("4 > 3"));
    texts.push_back(parser.SetWhereText(""));
    texts.push_back(parser.SetOrderByText("1"));
    texts.push_back(parser.SetOrderByText(""));
    texts.push_back(SetOrderClause(c.sql, "1"));
    texts.push_back(SetOrderClause(c.sql, ""));
    texts.push_back(parser.SetPlanText(""));
    if (c.plan) texts.push_back(parser.SetPlanText(c.plan));
    texts.push_back(parser.GetCountText());
    AnsiString order = parser.GetOrderByText();
    if (!IsBlankString(order)) texts.push_back(parser.SetOrderByText(InvertOrderClause(order)));
  }
  texts.push_back(AddWhereCondition("update person set note = 'x'", "id = 0", false));
  texts.push_back(AddWhereCondition("delete from city", "id = 0", true));
  texts.push_back(AddWhereCondition("update \"Особи\" set \"where\" = 'y' where \"Ід\" = 1", "\"My Col\" = 2", false));
  ExpectAllPrepare(*fDb, texts);
}

TEST_F(SqlTextOnServer, CountTextCountsTheRowsTheSelectReturns) {
  std::vector<std::pair<std::string, std::string>> statements;
  for (std::size_t i = 0; i < std::size(kSelects); ++i) {
    statements.emplace_back("#S" + std::to_string(i), kSelects[i].sql);
    statements.emplace_back("#C" + std::to_string(i), CountSelectSQL(kSelects[i].sql));
  }
  std::map<std::string, Printed> printed = RunMarked(*fDb, statements);
  for (std::size_t i = 0; i < std::size(kSelects); ++i) {
    const Printed& select = printed["#S" + std::to_string(i)];
    const Printed& count = printed["#C" + std::to_string(i)];
    ASSERT_GE(select.affected, 0) << kSelects[i].sql;
    ASSERT_EQ(count.rows.size(), 1u) << CountSelectSQL(kSelects[i].sql);
    EXPECT_EQ(std::stol(count.rows[0]), select.affected) << kSelects[i].sql << "\n" << CountSelectSQL(kSelects[i].sql);
  }
}

// Selects whose rows a ROWS, OFFSET or FETCH clause picks out of the ordered ones: every
// rewrite keeps the clause working on the new text, so the rewritten select returns what
// the same select written by hand returns.
TEST_F(SqlTextOnServer, RowLimitsPickFromTheRewrittenSelect) {
  struct TLimited {
    const char* where;  // may be empty
    const char* order;
    const char* inverted;
    const char* limit;
  };
  const TLimited cases[] = {
      {"city_id < 3", "id", "id desc", "rows 2 to 3"},
      {"city_id < 3", "id", "id desc", "offset 1 rows"},
      {"city_id < 3", "id", "id desc", "fetch first 2 rows only"},
      {"city_id < 3", "born desc", "born", "offset 1 row fetch next 2 rows only"},
      {"", "id desc", "id", "fetch first 3 rows only"},
      {"", "surname, id", "surname desc, id desc", "offset 3 rows"},
  };
  auto select = [](const std::string& where, const std::string& order, const std::string& limit) {
    return "select id from person" + (where.empty() ? "" : " where " + where) + " order by " + order + " " +
           limit;
  };
  std::vector<std::pair<std::string, std::string>> statements;
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const TLimited& c = cases[i];
    const std::string sql = select(c.where, c.order, c.limit);
    const std::string both = std::string(c.where).empty() ? "id <> 3" : std::string(c.where) + " and id <> 3";
    TSQLParser parser(sql);
    const std::pair<std::string, std::string> rewrites[] = {
        {parser.AddCondition("id <> 3", false), select(both, c.order, c.limit)},
        {parser.AddCondition("id <> 3", true), select(both, c.order, c.limit)},
        {parser.SetWhereText("id > 2"), select("id > 2", c.order, c.limit)},
        {parser.SetWhereText(""), select("", c.order, c.limit)},
        {parser.SetOrderByText("surname desc, id"), select(c.where, "surname desc, id", c.limit)},
        {SetOrderClause(sql, "surname desc, id"), select(c.where, "surname desc, id", c.limit)},
        {parser.SetOrderByText(InvertOrderClause(parser.GetOrderByText())),
         select(c.where, c.inverted, c.limit)},
        {parser.SetPlanText("(PERSON NATURAL)"), sql},
        {parser.GetCountText(), "select count(*) from (" + sql + ")"},
    };
    for (std::size_t k = 0; k < std::size(rewrites); ++k) {
      const std::string tag = std::to_string(i) + "_" + std::to_string(k);
      statements.emplace_back("#R" + tag, rewrites[k].first);
      statements.emplace_back("#H" + tag, rewrites[k].second);
      texts.push_back(rewrites[k].first);
    }
  }
  std::map<std::string, Printed> printed = RunMarked(*fDb, statements);
  for (std::size_t n = 0; n < statements.size(); n += 2) {
    const Printed& rewritten = printed[statements[n].first];
    const Printed& byHand = printed[statements[n + 1].first];
    ASSERT_GE(byHand.affected, 1) << statements[n + 1].second;
    EXPECT_EQ(rewritten.rows, byHand.rows) << statements[n].second << "\n" << statements[n + 1].second;
  }
  ExpectAllPrepare(*fDb, texts);
}

// A condition on a UNION filters the rows of every branch, as the same condition on the
// union written by hand as a derived table does; the union's own ORDER BY and row limit
// still order and pick the filtered rows, and an empty condition leaves every branch's.
TEST_F(SqlTextOnServer, ConditionOnAUnionFiltersEveryBranch) {
  struct TUnion {
    const char* branches;
    const char* tail;  // the union's own ORDER BY and row limit, may be empty
  };
  const TUnion cases[] = {
      {"select id from person where id < 3 union select id from person where id > 3", ""},
      {"select id from person where id < 3 union all select id from city where id > 1", "order by 1 desc"},
      {"select id, surname from person where city_id = 1 union select id, name from city", "order by 2, 1 rows 2 to 5"},
      {"with c as (select id from city) select id from c union select id from person where id > 5", "order by 1"},
  };
  auto byHand = [](const std::string& branches, const std::string& where, const std::string& tail) {
    std::string head, body = branches;
    if (body.rfind("with", 0) == 0) {
      const std::size_t main = body.find(") select") + 2;
      head = body.substr(0, main);
      body = body.substr(main);
    }
    return head + "select * from (" + body + ")" + (where.empty() ? "" : " where " + where) + " " + tail;
  };
  std::vector<std::pair<std::string, std::string>> statements;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string sql = std::string(cases[i].branches) + " " + cases[i].tail;
    TSQLParser parser(sql);
    EXPECT_TRUE(parser.IsUnion()) << sql;
    // No branch's WHERE is the union's: reading it back gives what was set on the whole.
    EXPECT_EQ(parser.MainWhereIndex(), -1) << sql;
    TSQLParser filtered(parser.SetWhereText("id > 1"));
    EXPECT_EQ(filtered.GetWhereClause(filtered.MainWhereIndex()).Text, "id > 1") << sql;
    const std::pair<std::string, std::string> rewrites[] = {
        {parser.AddCondition("id <> 5", false), byHand(cases[i].branches, "id <> 5", cases[i].tail)},
        {AddWhereCondition(sql, "id <> 2", true), byHand(cases[i].branches, "id <> 2", cases[i].tail)},
        {TSQLParser(parser.SetWhereText("id > 1")).AddCondition("id < 7", false),
         byHand(cases[i].branches, "id > 1 and id < 7", cases[i].tail)},
        {parser.SetWhereText(""), sql},
    };
    for (std::size_t k = 0; k < std::size(rewrites); ++k) {
      const std::string tag = std::to_string(i) + "_" + std::to_string(k);
      statements.emplace_back("#R" + tag, rewrites[k].first);
      statements.emplace_back("#H" + tag, rewrites[k].second);
    }
  }
  std::map<std::string, Printed> printed = RunMarked(*fDb, statements);
  for (std::size_t n = 0; n < statements.size(); n += 2) {
    const Printed& byHandRows = printed[statements[n + 1].first];
    ASSERT_GE(byHandRows.affected, 1) << statements[n + 1].second;
    EXPECT_EQ(printed[statements[n].first].rows, byHandRows.rows)
        << statements[n].second << "\n" << statements[n + 1].second;
  }
  EXPECT_FALSE(TSQLParser("select id from person where note = 'union' or id in (select id from city union "
                          "select 1 from rdb$database)").IsUnion());
}

TEST_F(SqlTextOnServer, InvertedOrderReturnsTheRowsInReverse) {
  std::vector<std::pair<std::string, std::string>> statements;
  std::vector<std::size_t> used;
  for (std::size_t i = 0; i < std::size(kSelects); ++i) {
    if (!kSelects[i].totalOrder) continue;
    TSQLParser parser(kSelects[i].sql);
    statements.emplace_back("#O" + std::to_string(i), kSelects[i].sql);
    statements.emplace_back("#I" + std::to_string(i), parser.SetOrderByText(InvertOrderClause(parser.GetOrderByText())));
    used.push_back(i);
  }
  std::map<std::string, Printed> printed = RunMarked(*fDb, statements);
  for (std::size_t i : used) {
    std::vector<std::string> forward = printed["#O" + std::to_string(i)].rows;
    std::vector<std::string> backward = printed["#I" + std::to_string(i)].rows;
    ASSERT_GT(forward.size(), 1u) << kSelects[i].sql;
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(forward, backward) << kSelects[i].sql;
  }
}

// A statement on the fixture database, its texts in the connection's code page.
class StatementOnServer {
 public:
  explicit StatementOnServer(const TestDatabase& db) {
    test::Configure(*fDatabase, db);
    test::ConnectStatement(*fDatabase, *fTransaction, *fQuery);
  }
  TFIBQuery& Query() { return *fQuery; }
  // Whether the statement holds the text (the lines of its SQL list).
  bool Holds(const AnsiString& text) {
    TStringList lines;
    lines.SetText(text);
    return fQuery->SQL().Text() == lines.Text();
  }
  // The text now written, prepared on the server.
  void ExpectPrepares(const std::string& context) {
    try {
      fQuery->Prepare();
    } catch (const Exception& e) {
      ADD_FAILURE() << e.Message() << "\n--- " << context << " ---\n" << fQuery->SQL().Text();
    }
  }

 private:
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TFIBQuery* fQuery = new TFIBQuery(&fForm);
};

TEST_F(SqlTextOnServer, StatementClausesReadBackWhatWasWrittenAndPrepare) {
  StatementOnServer statement(*fDb);
  TFIBQuery& query = statement.Query();
  for (const SelectCase& c : kSelects) {
    const AnsiString sql = Utf8ToAnsi(c.sql);
    TSQLParser parser(sql);
    query.SetSQLText(sql);
    const int main = parser.MainWhereIndex();
    EXPECT_EQ(query.GetMainWhereClause(), main < 0 ? AnsiString() : parser.GetWhereClause(main).Text)
        << c.sql;
    EXPECT_EQ(query.GetWhereClause(0), parser.GetWhereClause(0).Text) << c.sql;
    EXPECT_EQ(query.GetModifyTable(), "") << c.sql;

    query.SetMainWhereClause("4 > 3");
    EXPECT_TRUE(statement.Holds(parser.SetWhereText("4 > 3"))) << c.sql;
    EXPECT_EQ(query.GetMainWhereClause(), "4 > 3") << c.sql;
    statement.ExpectPrepares("where replaced");
    query.SetMainWhereClause("");
    EXPECT_EQ(query.GetMainWhereClause(), "") << c.sql;
    statement.ExpectPrepares("where removed");

    query.SetSQLText(sql);
    query.SetOrderClause("1");
    EXPECT_EQ(FastTrim(query.GetOrderClause()), "1") << c.sql;
    statement.ExpectPrepares("order replaced");
    query.SetOrderClause("");
    EXPECT_EQ(query.GetOrderClause(), "") << c.sql;
    statement.ExpectPrepares("order removed");

    query.SetSQLText(sql);
    query.SetPlanClause("");
    EXPECT_TRUE(statement.Holds(parser.SetPlanText(""))) << c.sql;
    statement.ExpectPrepares("plan removed");
    if (c.plan) {
      query.SetPlanClause(c.plan);
      statement.ExpectPrepares("plan set");
    }
  }
}

TEST_F(SqlTextOnServer, StatementClauseChangesWaitForTheEndOfAModification) {
  StatementOnServer statement(*fDb);
  TFIBQuery& query = statement.Query();
  query.SetSQLText("select id from person where id > 0 order by id");
  query.BeginModifySQLText();
  query.SetMainWhereClause("id < 4");
  query.SetOrderClause("id desc");
  // Still the text in effect; the changes build on each other.
  EXPECT_EQ(query.GetMainWhereClause(), "id > 0");
  query.EndModifySQLText();
  query.EndModifySQLText();  // never below none
  EXPECT_EQ(query.GetMainWhereClause(), "id < 4");
  query.ExecQuery();
  EXPECT_EQ(query.FieldByName("ID").GetAsLong(),
            std::stol(test::IsqlRows(*fDb, "select max(id) from person where id < 4")));
  query.Close();

  // Applied conditions stay out of the text the clauses are written into.
  query.Conditions().AddCondition("named", "id > 1", true);
  query.Conditions().Apply();
  query.SetOrderClause("id");
  EXPECT_FALSE(query.Conditions().Applied());
  EXPECT_EQ(query.GetMainWhereClause(), "id < 4");
  EXPECT_EQ(query.GetOrderClause(), " id");

  struct ModifyCase {
    const char* sql;
    const char* table;
  } modifying[] = {
      {"update person p set note = 'x' where p.id = 0", "person p"},
      {"insert into \"Особи\" (\"Ід\") values (0)", "\"Особи\""},
      {"delete from city where id = 0", "city"},
      {"insert into city values (0, 'x')", "city"},
  };
  for (const ModifyCase& m : modifying) {
    query.SetSQLText(Utf8ToAnsi(m.sql));
    EXPECT_EQ(query.GetModifyTable(), Utf8ToAnsi(m.table)) << m.sql;
    if (query.GetSQLKind() != TSQLKind::Insert) query.SetMainWhereClause("1 = 0");
    statement.ExpectPrepares("modifying text");
  }
}

std::string SqlLiteral(const std::string& s) { return "'" + ReplaceString(s, "'", "''") + "'"; }

// The values that lines "#<index> <value>" of isql's output give, by index.
std::map<std::size_t, std::string> IndexedValues(const std::string& output) {
  std::map<std::size_t, std::string> values;
  std::istringstream out(output);
  for (std::string line; std::getline(out, line);) {
    std::string text = Trimmed(line);
    if (text.rfind("#", 0) != 0) continue;
    std::size_t blank = text.find(' ');
    values[std::stoul(text.substr(1, blank - 1))] = blank == std::string::npos ? "" : text.substr(blank + 1);
  }
  return values;
}

TEST_F(SqlTextOnServer, SqlLikeMatchAgreesWithTheServersLike) {
  std::vector<std::pair<std::string, std::string>> pairs = {
      {"", "%"}, {"", "_"}, {"", ""}, {"a", ""}, {"abc", "a%c"}, {"a", "a%%"}, {"ab", "%_%_%"}, {"ab", "%_%_%_%"},
      {"aab", "%ab"}, {"abab", "%ab%ab"}, {"a b", "a_b"}, {"A", "a"}, {"a%", "a%"}, {"x_y", "x_y"},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "%a%a%a%a%a%a%a%a%a%b"},
  };
  std::mt19937 random(20240611);
  const std::string textAlphabet = "abA", maskAlphabet = "ab%_";
  auto randomText = [&](const std::string& alphabet, int maxLength) {
    std::string s(random() % static_cast<unsigned>(maxLength + 1), ' ');
    for (char& c : s) c = alphabet[random() % alphabet.size()];
    return s;
  };
  while (pairs.size() < 600) pairs.emplace_back(randomText(textAlphabet, 6), randomText(maskAlphabet, 5));

  std::string script = "SET HEADING OFF;\n";
  for (std::size_t i = 0; i < pairs.size(); ++i)
    script += "select '#" + std::to_string(i) + " ' || iif(" + SqlLiteral(pairs[i].first) + " like " +
              SqlLiteral(pairs[i].second) + ", 1, 0) from rdb$database;\n";
  std::map<std::size_t, std::string> server = IndexedValues(fDb->Isql(script));
  ASSERT_EQ(server.size(), pairs.size());
  for (const auto& [i, matches] : server)
    EXPECT_EQ(SqlLikeMatch(pairs[i].first, pairs[i].second), matches == "1")
        << "'" << pairs[i].first << "' like '" << pairs[i].second << "'";
}

// The server reads the same literals; its cast to text ("2020-01-31 10:15:30.0000") is
// rearranged into the local form ("31.01.2020 10:15:30").
TEST_F(SqlTextOnServer, ParseDateLiteralReadsLiteralsAsTheServerDoes) {
  struct Case {
    const char* literal;
    TDateLiteralKind kind;
    const char* type;
  } cases[] = {
      {"31.01.2020", TDateLiteralKind::Date, "date"},
      {"1.2.2003", TDateLiteralKind::Date, "date"},
      {"01/31/2020", TDateLiteralKind::Date, "date"},
      {"2020-01-31", TDateLiteralKind::Date, "date"},
      {"2020-2-29", TDateLiteralKind::Date, "date"},
      {"01-JAN-2020", TDateLiteralKind::Date, "date"},
      {"15-dec-1999", TDateLiteralKind::Date, "date"},
      {"31.01.2020 10:15:30", TDateLiteralKind::DateTime, "timestamp"},
      {"2020-12-31 23:59:59", TDateLiteralKind::DateTime, "timestamp"},
      {"10:15:30", TDateLiteralKind::Time, "time"},
      {"7:05:09", TDateLiteralKind::Time, "time"},
  };
  std::string script = "SET HEADING OFF;\n";
  for (std::size_t i = 0; i < std::size(cases); ++i)
    script += "select '#" + std::to_string(i) + " ' || cast(cast(" + SqlLiteral(cases[i].literal) + " as " +
              cases[i].type + ") as varchar(40)) from rdb$database;\n";
  std::map<std::size_t, std::string> printed = IndexedValues(fDb->Isql(script));
  ASSERT_EQ(printed.size(), std::size(cases));
  for (auto [i, server] : printed) {
    const Case& c = cases[i];
    std::string date, time;
    if (c.kind != TDateLiteralKind::Time) {
      date = server.substr(8, 2) + "." + server.substr(5, 2) + "." + server.substr(0, 4);
      server = server.size() > 10 ? server.substr(11) : "";
    }
    if (c.kind != TDateLiteralKind::Date) time = server.substr(0, 8);
    std::string expected = date + (date.empty() || time.empty() ? "" : " ") + time;
    EXPECT_EQ(ParseDateLiteral(c.literal, c.kind), expected) << c.literal;
  }
}

}  // namespace
}  // namespace ordvane
