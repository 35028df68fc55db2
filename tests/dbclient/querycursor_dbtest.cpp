// Cursor names and relation aliases of prepared statements on a real server: a
// positioned update through the generated cursor name, and the aliases the server
// reports for the columns of a join.

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "dbclient/FIBQuery.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

class CursorTest : public test::StatementTest<testing::TestWithParam<int>> {
 protected:
  CursorTest() : StatementTest("dbclient/query.sql", GetParam()) { Connect(); }

  TFIBQuery* Statement(const std::string& sql) {
    auto* statement = new TFIBQuery(&fForm);
    statement->SetDatabase(fDatabase);
    statement->SetTransaction(fTransaction);
    statement->SQL().SetText(sql);
    return statement;
  }

};

TEST_P(CursorTest, GeneratedCursorNamesAreDistinctAndServePositionedUpdates) {
  TFIBQuery* first = Statement("select id, name from t where id = 2 for update");
  TFIBQuery* second = Statement("select id, name from t where id = 4 for update");
  first->ExecQuery();
  second->ExecQuery();
  ASSERT_EQ(first->SQLType(), SQLSelectForUpdate);
  const std::regex shape("C[0-9]{9}");
  EXPECT_TRUE(std::regex_match(first->CursorName(), shape)) << first->CursorName();
  EXPECT_TRUE(std::regex_match(second->CursorName(), shape)) << second->CursorName();
  EXPECT_NE(first->CursorName(), second->CursorName());

  // Each cursor, named by its statement, updates its own row.
  Statement("update t set name = 'first' where current of " + first->CursorName())->ExecQuery();
  Statement("update t set name = 'second' where current of " + second->CursorName())->ExecQuery();
  first->Close();
  second->Close();
  fTransaction->Commit();
  EXPECT_EQ(test::IsqlRows(fDb, "select id, name from t where id in (2, 4) order by id"), "2|first;4|second");
}

TEST_P(CursorTest, RelationAliasesOfTheColumns) {
  TFIBQuery& q = *fQuery;
  q.SQL().SetText("select a.id, b.name, 7 as seven from t a join t b on b.id = a.id");
  // Asked before any prepare: the statement prepares itself.
  EXPECT_EQ(q.TableAliasForField("NAME"), "B");
  EXPECT_EQ(q.TableAliasForField("ID"), "A");
  EXPECT_EQ(q.TableAliasForField("SEVEN"), "");
  EXPECT_EQ(q.TableAliasForField("MISSING"), "");

  // A new text forgets the old aliases; a table named without alias has none.
  q.SQL().SetText("select t.name, x.id from t join t x on x.id = t.id");
  EXPECT_EQ(q.TableAliasForField("NAME"), "");
  EXPECT_EQ(q.TableAliasForField("ID"), "X");

  if (GetParam() == 3) {
    // Aliases that need quotes come back quoted, inner quotes doubled.
    q.SQL().SetText("select \"my t\".id, \"q\"\"t\".name from t \"my t\" join t \"q\"\"t\" on \"q\"\"t\".id = \"my t\".id");
    EXPECT_EQ(q.TableAliasForField("ID"), "\"my t\"");
    EXPECT_EQ(q.TableAliasForField("NAME"), "\"q\"\"t\"");
  }
}

TEST_P(CursorTest, AliasesOfMoreColumnsThanOneAnswerHolds) {
  // About 200 columns with long aliases do not fit one information answer.
  std::string select = "select ";
  std::string from;
  constexpr int kTables = 10;
  constexpr int kColumnsPerTable = 20;
  for (int table = 0; table < kTables; ++table) {
    const std::string alias = "ALIAS_OF_A_TABLE_NUMBER_" + std::to_string(table);
    for (int column = 0; column < kColumnsPerTable; ++column)
      select += alias + ".id as c" + std::to_string(table * kColumnsPerTable + column) + ", ";
    from += table == 0 ? " from t " + alias : " join t " + alias + " on " + alias + ".id = ALIAS_OF_A_TABLE_NUMBER_0.id";
  }
  select.resize(select.size() - 2);
  fQuery->SQL().SetText(select + from);
  fQuery->LoadRelationAliases();
  for (int c : {0, 19, 20, 105, 199})
    EXPECT_EQ(fQuery->TableAliasForField("C" + std::to_string(c)),
              "ALIAS_OF_A_TABLE_NUMBER_" + std::to_string(c / kColumnsPerTable));
}

INSTANTIATE_TEST_SUITE_P(Dialects, CursorTest, testing::Values(1, 3));

}  // namespace
}  // namespace ordvane
