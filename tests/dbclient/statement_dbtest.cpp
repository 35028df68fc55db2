// The statement component on a real server: named parameters, macros, the IS NULL
// rewrite (every rebuilt text must run, and return the rows of the same query written
// with IS NULL by hand), applied conditions, the monitor comment and the encoding of the
// text as it sends them; batches of texts in its transaction; cursor names, relation
// aliases, the fetch callback and the cursor over a hard transaction end. isql-fb is the
// oracle for rows, and a second attachment reads from the monitoring tables what the
// server received.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBProps.h"
#include "dbclient/FIBQuery.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/dbclient/RebuildCases.h"

namespace ordvane {
namespace {

class NamedQueryTest : public test::StatementTest<> {
 protected:
  explicit NamedQueryTest(const std::string& charset = "WIN1251") : StatementTest("dbclient/querytext.sql", 3) {
    fDatabase->SetName("DB");
    fTransaction->SetName("Trans");
    fQuery->SetName("Query");
    Connect(charset);
  }

  // The text is given in UTF-8 and set as ANSI text.
  TFIBQuery& Query(const std::string& sql) {
    fQuery->SQL().SetText(Utf8ToAnsi(sql));
    return *fQuery;
  }
  // The first column of every row, joined by "|", in UTF-8.
  std::string Rows(TFIBQuery& q) {
    q.ExecQuery();
    std::string rows;
    for (; !q.Eof(); q.Next()) rows += (rows.empty() ? "" : "|") + AnsiToUtf8(q.GetFields(0).GetAsString());
    q.Close();
    return rows;
  }
  // Rows joined by "|" like Rows.
  std::string Oracle(const std::string& select) {
    std::string rows = test::IsqlRows(fDb, select);
    std::replace(rows.begin(), rows.end(), ';', '|');
    return rows;
  }
  // The text with every parameter set to 1 but those named in nulls (blank-separated),
  // which are cleared: values of the text before survive a new text.
  TFIBQuery& QueryWithNulls(const std::string& sql, const std::string& nulls) {
    TFIBQuery& q = Query(sql);
    for (int i = 0; i < q.GetParamCount(); ++i) {
      if ((" " + nulls + " ").find(" " + q.GetParamName(i) + " ") == std::string::npos)
        q.Params()[i].SetAsLong(1);
      else
        q.Params()[i].Clear();
    }
    return q;
  }
  // What the server holds as the text of the other attachments' statements that carry a
  // monitor comment.
  std::string SeenByServer() {
    return fDb.Isql(
        "SET HEADING OFF;\nselect cast(mon$sql_text as varchar(2000)) from mon$statements "
        "where mon$attachment_id <> current_connection and mon$sql_text containing 'CSMON$';\n");
  }
};

TEST_F(NamedQueryTest, NamedParametersAndMacrosRoundTrip) {
  TFIBQuery& insert = Query(
      "insert into person (id, surname, city_id, rank_no, note) values (:id, :\"Surname\", :city, :city, :note)");
  ASSERT_EQ(insert.GetParamCount(), 5);
  insert.ParamByName("ID").SetAsLong(20);
  insert.ParamByName("Surname").SetAsString(Utf8ToAnsi("Їжак"));
  // One name used twice is one value.
  insert.ParamByName("CITY").SetAsLong(9);
  insert.ParamByName("NOTE").SetAsString("it's");
  insert.ExecQuery();
  insert.ParamByName("ID").SetAsLong(21);
  insert.ParamByName("NOTE").Clear();
  insert.ExecQuery();
  fTransaction->Commit();
  EXPECT_EQ(test::IsqlRows(fDb, "select id, city_id, rank_no, coalesce(note, 'null') from person where id >= 20 "
                                "order by id"),
            "20|9|9|it's;21|9|9|null");
  EXPECT_EQ(Oracle("select count(*) from person where surname = 'Їжак'"), "2");

  fTransaction->StartTransaction();
  TFIBQuery& select = Query("select count(*) from @TABLE%PERSON where @COLUMN%ID > :v");
  select.ParamByName("V").SetAsLong(2);
  EXPECT_EQ(Rows(select), Oracle("select count(*) from person where id > 2"));
  select.ParamByName("TABLE").SetAsString("T");
  select.ParamByName("COLUMN").SetAsString("B");
  EXPECT_EQ(Rows(select), Oracle("select count(*) from t where b > 2"));
  EXPECT_TRUE(select.TextRebuilt());

  // A quoted macro is one string literal whatever its value holds.
  TFIBQuery& quoted = Query("select id from person where surname = @S%#Франко order by id");
  EXPECT_EQ(Rows(quoted), Oracle("select id from person where surname = 'Франко' order by id"));
  quoted.ParamByName("S").SetAsString("x' or 1=1 or 'x");
  EXPECT_EQ(Rows(quoted), "");

  // A marker without a name: setting the text works, preparing it raises, and no list of
  // the previous text is left behind.
  TFIBQuery& unnamed = Query("select id from person where id = ?");
  EXPECT_THROW(unnamed.Prepare(), EFIBClientError);
  EXPECT_EQ(unnamed.GetParamCount(), 0);
  EXPECT_THROW(unnamed.ExecQuery(), EFIBClientError);
}

TEST_F(NamedQueryTest, NullComparisonsReturnTheRowsOfIsNullAndEveryRebuiltTextRuns) {
  struct Case {
    const char* sql;
    const char* nulls;  // parameters left null; the others are 1
    const char* explicitSql;
  };
  const Case cases[] = {
      {"select id from person where city_id = :c order by id", "C",
       "select id from person where city_id is null order by id"},
      {"select id from person where city_id <> :c order by id", "C",
       "select id from person where city_id is not null order by id"},
      {"select id from person where (city_id = :c or rank_no = :r) and note != :n order by id", "C N",
       "select id from person where (city_id is null or rank_no = 1) and note is not null order by id"},
      {"select id from person where rank_no = :r and city_id = :c order by id", "C",
       "select id from person where rank_no = 1 and city_id is null order by id"},
      {"select id from person where id in (select p.id from person p where p.rank_no = :r) and city_id = :c "
       "order by id",
       "R C",
       "select id from person where id in (select p.id from person p where p.rank_no is null) "
       "and city_id is null order by id"},
      // Brackets around the parameter leave the comparison as written: never unbalanced.
      {"select id from person where city_id = (:c) order by id", "C",
       "select id from person where city_id = (null) order by id"},
      {"select id from person where rank_no = :r + 1 order by id", "R",
       "select id from person where rank_no = null + 1 order by id"},
      {"select id from person where rank_no >= :r order by id", "R",
       "select id from person where rank_no >= null order by id"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(Rows(QueryWithNulls(c.sql, c.nulls)), Oracle(c.explicitSql));
  }

  TFIBQuery& q = Query("select id from person where city_id = :c order by id");
  // Prepared alone, the text keeps its parameter; the execution rewrites it.
  q.Prepare();
  EXPECT_FALSE(q.TextRebuilt());
  EXPECT_EQ(q.TextToSend(), "select id from person where city_id = ?  order by id\r\n");
  EXPECT_EQ(Rows(q), Oracle("select id from person where city_id is null order by id"));
  EXPECT_TRUE(q.TextRebuilt());
  // A value brings the bound parameter back, and null the rewrite again.
  q.ParamByName("C").SetAsLong(1);
  EXPECT_EQ(Rows(q), Oracle("select id from person where city_id = 1 order by id"));
  EXPECT_FALSE(q.TextRebuilt());
  q.ParamByName("C").Clear();
  EXPECT_EQ(Rows(q), Oracle("select id from person where city_id is null order by id"));

  const TpFIBQueryOptions defaults = q.Options();
  TpFIBQueryOptions options;
  options.Include(qoNoForceIsNull);
  q.SetOptions(options);
  q.FreeHandle();
  EXPECT_EQ(Rows(q), "");
  q.SetOptions(defaults);

  // Every rebuilt text runs.
  for (const test::RebuildCase& c : test::kNullRewriteCases) {
    SCOPED_TRACE(c.sql);
    EXPECT_NO_THROW(QueryWithNulls(c.sql, c.nullParams).ExecQuery());
    q.Close();
  }
  Query("select @COLS%A,B from @TABLE%T where cast(C as varchar(9)) = @V%#1 and A = :A");
  q.ParamByName("V").SetAsString("it's");
  q.ParamByName("A").Clear();
  q.ExecQuery();
  EXPECT_EQ(q.TextToSend(), "select A,B from T where cast(C as varchar(9)) = 'it''s' and A  IS NULL \r\n");
}

TEST_F(NamedQueryTest, AppliedConditionsRestrictTheWholeWhereClause) {
  TStringList sql;
  sql.SetText("select id from person\r\nwhere city_id = 1 or rank_no = 1 -- either\r\norder by id");
  TConditions conditions(nullptr, &sql);
  conditions.AddCondition("noted", "note is not null -- has a note", true);
  conditions.AddCondition("ranked", "rank_no is not null", true);
  conditions.AddCondition("off", "id = 0", false);
  conditions.Apply();
  EXPECT_EQ(Rows(Query(sql.Text())), Oracle("select id from person where (city_id = 1 or rank_no = 1) and "
                                            "note is not null and rank_no is not null order by id"));
  conditions.CancelApply();
  EXPECT_EQ(Rows(Query(sql.Text())),
            Oracle("select id from person where city_id = 1 or rank_no = 1 order by id"));
}

TEST_F(NamedQueryTest, TheServerReceivesTheCommentAndTheRewrittenText) {
  fQuery->CSMonitorSupport().SetEnabled(csmeEnabled);
  TFIBQuery& q = Query("select id from person where city_id = :c and rank_no <> :r");
  q.ExecQuery();  // left open, so that the statement is there to be seen
  EXPECT_NE(SeenByServer().find("select id from person where city_id  IS NULL  and rank_no  IS NOT NULL \r\n"
                                " /* CSMON$CON_NAME=Form.DB; CSMON$TR_NAME=Form.Trans; CSMON$ST_NAME=Form.Query;  */"),
            std::string::npos)
      << SeenByServer();
  q.Close();

  // A blank name gives the object's address; the comment is not written twice.
  fDatabase->SetName("");
  fQuery->CSMonitorSupport().SetEnabled(csmeDatabaseDriven);
  fDatabase->CSMonitorSupport().SetEnabled(csmeEnabled);
  q.SQL().SetText("select id from person /* CSMON$ by hand */ where id = :id");
  q.ParamByName("ID").SetAsLong(1);
  q.ExecQuery();
  EXPECT_EQ(q.TextToSend(), "select id from person /* CSMON$ by hand */ where id = ?  \r\n");
  q.Close();
  q.SQL().SetText("select id from person where id = :id");
  q.ParamByName("ID").SetAsLong(1);
  q.ExecQuery();
  const std::string seen = SeenByServer();
  EXPECT_TRUE(std::regex_search(seen, std::regex("where id = \\?  \r?\n /\\* CSMON\\$CON_NAME=Form\\.DB_0x[0-9A-F]{16}; "
                                                 "CSMON\\$TR_NAME=Form\\.Trans; CSMON\\$ST_NAME=Form\\.Query;  \\*/")))
      << seen;
}

class EncodedQueryTest : public NamedQueryTest, public testing::WithParamInterface<const char*> {
 protected:
  EncodedQueryTest() : NamedQueryTest(GetParam()) {}
};

TEST_P(EncodedQueryTest, CyrillicLiteralsInTheText) {
  TFIBQuery& q = Query("select surname, 'Київ, Їжак' from person where surname = 'Ґонта'");
  q.ExecQuery();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.GetFields(0).GetAsString(), Utf8ToAnsi("Ґонта"));
  EXPECT_EQ(q.GetFields(1).GetAsString(), Utf8ToAnsi("Київ, Їжак"));
  q.Close();

  Query("update person set note = 'Єнакієве' where surname = 'Ґонта'").ExecQuery();
  fTransaction->Commit();
  EXPECT_EQ(Oracle("select count(*) from person where note = 'Єнакієве'"), "1");
}

INSTANTIATE_TEST_SUITE_P(Charsets, EncodedQueryTest, testing::Values("WIN1251", "UTF8"));

// KOI8-R has no Ukrainian letters: a Russian literal.
class Koi8QueryTest : public NamedQueryTest {
 protected:
  Koi8QueryTest() : NamedQueryTest("KOI8R") {}
};

TEST_F(Koi8QueryTest, RussianLiteralInTheText) {
  EXPECT_EQ(Rows(Query("select 'Москва' from rdb$database")), "Москва");
}

// ---- Batches ----------------------------------------------------------------------------------

constexpr ISC_STATUS kUniqueKeyViolation = 335544665;

class BatchTest : public test::StatementTest<> {
 protected:
  BatchTest() : StatementTest("dbclient/query.sql", 3) {
    fQuery->SetName("Batch");
    Connect("UTF8");
  }
  std::string Names() { return test::IsqlRows(fDb, "select id, name from t where id > 5 order by id"); }
};

TEST_F(BatchTest, TextsRunInOrderInOneTransaction) {
  fQuery->ExecuteImmediateBatch({"insert into t (id, name) values (6, 'six')",
                                 "update t set name = name || '!' where id = 6",
                                 Utf8ToAnsi("insert into t (id, name) values (7, 'Київ')")});
  EXPECT_EQ(Names(), "");  // nothing committed yet
  fTransaction->Commit();
  EXPECT_EQ(Names(), "6|six!;7|Київ");
}

TEST_F(BatchTest, AFailingTextStopsTheRunAndIsNamed) {
  const std::vector<AnsiString> batch = {"insert into t (id, name) values (6, 'six')",
                                         "insert into t (id, name) values (1, 'again')",
                                         "insert into t (id, name) values (8, 'eight')"};
  try {
    fQuery->ExecuteImmediateBatch(batch);
    FAIL() << "the duplicate key passed";
  } catch (const EFIBInterBaseError& error) {
    EXPECT_EQ(error.IBErrorCode(), kUniqueKeyViolation);
    EXPECT_EQ(error.Sender(), fQuery);
    const std::string message = error.Message();
    EXPECT_NE(message.find("Violation of PRIMARY or UNIQUE KEY constraint"), std::string::npos) << message;
    EXPECT_NE(message.find(".\r\nBatch text 2 of 3 failed:\r\ninsert into t (id, name) values (1, 'again')"),
              std::string::npos)
        << message;
  }
  // The text before the failure is done in the transaction, the one after it never ran.
  fTransaction->Commit();
  EXPECT_EQ(Names(), "6|six");
}

TEST_F(BatchTest, EventsHearEachTextAndTheErrorHandlerMayGoOn) {
  const std::vector<AnsiString> batch = {"insert into t (id, name) values (6, 'six')",
                                         "insert into t (id, name) values (1, 'again')",
                                         "insert into t (id, name) values (8, 'eight')"};
  std::vector<std::string> heard;
  bool ignore = false;
  fQuery->OnBatching = [&](TFIBQuery* statement, int index, const AnsiString& text) {
    EXPECT_EQ(statement, fQuery);
    heard.push_back(std::to_string(index) + " " + text);
  };
  fQuery->OnBatchError = [&](TFIBQuery* statement, int index, const AnsiString& text, const Exception& error,
                             bool& ignoreIt) {
    EXPECT_EQ(statement, fQuery);
    const auto* server = dynamic_cast<const EFIBInterBaseError*>(&error);
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->IBErrorCode(), kUniqueKeyViolation);
    heard.push_back("error " + std::to_string(index) + " " + text);
    ignoreIt = ignore;
  };
  EXPECT_THROW(fQuery->ExecuteImmediateBatch(batch), EFIBInterBaseError);
  EXPECT_EQ(heard, (std::vector<std::string>{"1 " + batch[0], "2 " + batch[1], "error 2 " + batch[1]}));
  fTransaction->Rollback();

  heard.clear();
  ignore = true;
  fTransaction->StartTransaction();
  fQuery->ExecuteImmediateBatch(batch);
  EXPECT_EQ(heard, (std::vector<std::string>{"1 " + batch[0], "2 " + batch[1], "error 2 " + batch[1],
                                             "3 " + batch[2]}));
  fTransaction->Commit();
  EXPECT_EQ(Names(), "6|six;8|eight");
}

TEST_F(BatchTest, ABlankTextRunsNothingAndAnAskedTransactionIsStarted) {
  EXPECT_THROW(fQuery->ExecuteImmediateBatch({"insert into t (id, name) values (6, 'six')", " \r\n"}),
               EFIBClientError);
  fTransaction->Commit();
  EXPECT_EQ(Names(), "");

  EXPECT_THROW(fQuery->ExecuteImmediateBatch({"insert into t (id) values (9)"}), EFIBClientError);
  TpFIBQueryOptions options;
  options.Include(qoStartTransaction);
  fQuery->SetOptions(options);
  fQuery->ExecuteImmediateBatch({"insert into t (id, name) values (9, 'nine')"});
  ASSERT_TRUE(fTransaction->Active());
  fTransaction->Commit();
  EXPECT_EQ(Names(), "9|nine");
}

// ---- Cursor names and relation aliases -----------------------------------------------------

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
