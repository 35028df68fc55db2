// Cursor names and relation aliases of prepared statements on a real server: a
// positioned update through the generated cursor name, the aliases the server reports for
// the columns of a join, the fetch callback and the cursor over a hard transaction end.

#include <gtest/gtest.h>

#include <regex>
#include <vector>
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

TEST_P(CursorTest, TheFetchCallbackSeesEachFetchAndMayStopIt) {
  TFIBQuery* statement = Statement("select id from t order by id");
  statement->SetGoToFirstRecordOnExecute(false);
  std::vector<Integer> seen;
  statement->OnFetch = [&](TFIBQuery* query, Integer recordNumber, bool& stop) {
    EXPECT_EQ(query, statement);
    seen.push_back(recordNumber);
    stop = recordNumber == 2;
  };
  statement->ExecQuery();
  ASSERT_NE(statement->Next(), nullptr);
  ASSERT_NE(statement->Next(), nullptr);
  // Stopped before the third fetch: nothing was fetched, the cursor stays.
  EXPECT_THROW(statement->Next(), EAbort);
  EXPECT_EQ(seen, (std::vector<Integer>{0, 1, 2}));
  EXPECT_EQ(statement->RecordCount(), 2);
  EXPECT_TRUE(statement->Open());
  statement->OnFetch = {};
  ASSERT_NE(statement->Next(), nullptr);
  EXPECT_EQ(statement->FieldByName("ID").GetAsInt64(), 3);
}

TEST_P(CursorTest, AHardEndClosesTheCursorUnlessTheStatementKeepsIt) {
  struct Case {
    bool closeOnHardEnd;
    bool retaining;
    bool staysOpen;
  };
  for (const Case c : {Case{true, false, false}, Case{true, true, true}, Case{false, false, true}}) {
    SCOPED_TRACE(std::to_string(c.closeOnHardEnd) + std::to_string(c.retaining));
    if (!fTransaction->Active()) fTransaction->StartTransaction();
    TFIBQuery* statement = Statement("select id from t order by id");
    statement->SetGoToFirstRecordOnExecute(false);
    EXPECT_TRUE(statement->CloseOnHardTransactionEnd());
    statement->SetCloseOnHardTransactionEnd(c.closeOnHardEnd);
    statement->ExecQuery();
    ASSERT_NE(statement->Next(), nullptr);
    if (c.retaining)
      fTransaction->CommitRetaining();
    else
      fTransaction->Commit();
    EXPECT_EQ(statement->Open(), c.staysOpen);
    if (c.retaining) {
      ASSERT_NE(statement->Next(), nullptr);
      EXPECT_EQ(statement->FieldByName("ID").GetAsInt64(), 2);
    }
    statement->Close();
  }
}

INSTANTIATE_TEST_SUITE_P(Dialects, CursorTest, testing::Values(1, 3));

}  // namespace
}  // namespace ordvane
