// The server is the oracle of the text preparation: every rebuilt text must prepare, a
// text whose null comparisons were rewritten must return the rows of the same query
// written with IS NULL by hand (run by isql-fb), the monitoring tables of a second
// attachment must show the text as sent, and the encoded text must reach the server
// intact in each connection character set.

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBProps.h"
#include "dbclient/FIBQueryText.h"
#include "tests/dbclient/RawStatement.h"
#include "tests/dbclient/RebuildCases.h"

namespace ordvane {
namespace {

using test::RawAttachment;
using test::RawStatement;
using test::TestDatabase;

class QueryTextOnServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { fDb = new TestDatabase("dbclient/querytext.sql", {3, "WIN1251"}); }
  static void TearDownTestSuite() {
    delete fDb;
    fDb = nullptr;
  }
  static TestDatabase& Db() { return *fDb; }

  // The way of a text through the preparation: the user's parameters are scanned and set,
  // the text rebuilt, scanned again for the server's parameters, and prepared.
  struct Prepared {
    test::TestOwner owner;
    TFIBXSQLDA params{&owner, true};
    AnsiString sent;
    std::unique_ptr<RawStatement> statement;
  };
  static void Prepare(Prepared& p, RawAttachment& attachment, const AnsiString& sql,
                      const std::function<void(TFIBXSQLDA&)>& setValues, const AnsiString& comment = "") {
    PreprocessSQL(sql, p.params, {});
    setValues(p.params);
    const AnsiString built = BuildExecSQL(sql, p.params, true, true).Text + comment;
    TFIBXSQLDA server(&p.owner, true);
    TSQLParamScanOptions serverScan;
    serverScan.ForUserList = false;
    p.sent = PreprocessSQL(built, server, serverScan);
    p.statement = std::make_unique<RawStatement>(attachment, p.sent);
    for (int i = 0; i < server.Count(); ++i)
      p.statement->Params()[i].SetAsVariant(p.params.ByName(server[i].Name())->GetAsVariant());
  }

  // The first column of every row, as text.
  static std::vector<std::string> Rows(RawStatement& statement) {
    std::vector<std::string> rows;
    statement.Execute();
    while (statement.Fetch()) rows.push_back(statement.Columns()[0].GetAsString());
    return rows;
  }
  static std::vector<std::string> IsqlRows(const std::string& sql) {
    std::istringstream out(Db().Isql("SET HEADING OFF;\n" + sql + ";\n"));
    std::vector<std::string> rows;
    for (std::string word; out >> word;) rows.push_back(word);
    return rows;
  }

  static TestDatabase* fDb;
};
TestDatabase* QueryTextOnServer::fDb = nullptr;

void SetAllBut(TFIBXSQLDA& params, const AnsiString& nullNames) {
  const AnsiString nulls = " " + nullNames + " ";
  for (int i = 0; i < params.Count(); ++i)
    if (!params[i].Place().IsMacro && nulls.find(" " + params[i].Name() + " ") == AnsiString::npos)
      params[i].SetAsLong(1);
}

TEST_F(QueryTextOnServer, EveryRebuiltTextPrepares) {
  RawAttachment attachment(Db(), "WIN1251");
  for (const test::RebuildCase& c : test::kNullRewriteCases) {
    SCOPED_TRACE(c.sql);
    Prepared p;
    EXPECT_NO_THROW(
        Prepare(p, attachment, c.sql, [&](TFIBXSQLDA& params) { SetAllBut(params, c.nullParams); }));
  }
  Prepared macros;
  EXPECT_NO_THROW(Prepare(macros, attachment, "select @COLS%A,B from @TABLE%T where C = @V%#1 and A = :A",
                          [](TFIBXSQLDA& params) { params.ByName("V")->SetAsString("it's"); }));
  EXPECT_EQ(macros.sent, "select A,B from T where C = 'it''s' and A  IS NULL ");
}

TEST_F(QueryTextOnServer, RewrittenNullComparisonsReturnTheRowsOfIsNull) {
  struct Case {
    const char* sql;
    const char* nulls;
    const char* explicitSql;  // the same query with values and IS NULL written out
  };
  const Case cases[] = {
      {"select id from person where city_id = :c order by id", "C",
       "select id from person where city_id is null order by id"},
      {"select id from person where city_id <> :c order by id", "C",
       "select id from person where city_id is not null order by id"},
      {"select id from person where rank_no = :r and city_id = :c order by id", "C",
       "select id from person where rank_no = 1 and city_id is null order by id"},
      {"select id from person where (city_id = :c or rank_no = :r) and note = :n order by id", "C N",
       "select id from person where (city_id is null or rank_no = 1) and note is null order by id"},
      {"select id from person where id in (select p.id from person p where p.rank_no = :r) and city_id = :c "
       "order by id",
       "R C",
       "select id from person where id in (select p.id from person p where p.rank_no is null) "
       "and city_id is null order by id"},
      {"select id from person where city_id = (:c) order by id", "C",
       "select id from person where city_id = (null) order by id"},
      {"select id from person where rank_no = :r + 1 order by id", "R",
       "select id from person where rank_no = null + 1 order by id"},
  };
  RawAttachment attachment(Db(), "WIN1251");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    Prepared p;
    Prepare(p, attachment, c.sql, [&](TFIBXSQLDA& params) { SetAllBut(params, c.nulls); });
    EXPECT_EQ(Rows(*p.statement), IsqlRows(c.explicitSql));
  }
}

TEST_F(QueryTextOnServer, AppliedConditionsRestrictTheWholeWhereClause) {
  TStringList sql;
  sql.SetText("select id from person\r\nwhere city_id = 1 or rank_no = 1 -- either\r\norder by id");
  TConditions conditions(nullptr, &sql);
  conditions.AddCondition("noted", "note is not null -- has a note", true);
  conditions.AddCondition("ranked", "rank_no is not null", true);
  conditions.AddCondition("off", "id = 0", false);
  conditions.Apply();
  RawAttachment attachment(Db(), "WIN1251");
  RawStatement applied(attachment, sql.Text());
  EXPECT_EQ(Rows(applied),
            IsqlRows("select id from person where (city_id = 1 or rank_no = 1) and note is not null "
                     "and rank_no is not null order by id"));
  conditions.CancelApply();
  RawStatement base(attachment, sql.Text());
  EXPECT_EQ(Rows(base), IsqlRows("select id from person where city_id = 1 or rank_no = 1 order by id"));
}

TEST_F(QueryTextOnServer, MonitoringTablesShowTheTextAsSent) {
  TComponent form(nullptr);
  form.SetName("Form1");
  auto* database = new TFIBDatabase(&form);
  database->CSMonitorSupport().SetEnabled(csmeEnabled);
  auto* transaction = new TFIBTransaction(&form);
  transaction->SetName("Trans1");
  auto* query = new TComponent(&form);
  query->SetName("Query1");
  const AnsiString comment = MonitorComment(TCSMonitorSupport(query), database, transaction, *query);
  ASSERT_NE(comment.find("CSMON$CON_NAME=Form1.DB_0x"), AnsiString::npos);

  RawAttachment attachment(Db(), "WIN1251");
  Prepared p;
  Prepare(
      p, attachment, "select id from person where city_id = :c and rank_no <> :r", [](TFIBXSQLDA&) {},
      comment);
  Rows(*p.statement);
  const std::string seen = Db().Isql(
      "SET HEADING OFF;\nselect cast(mon$sql_text as varchar(2000)) from mon$statements "
      "where mon$attachment_id <> current_connection and mon$sql_text containing 'CSMON$';\n");
  EXPECT_NE(seen.find("select id from person where city_id  IS NULL  and rank_no  IS NOT NULL " + comment),
            std::string::npos)
      << seen;
}

TEST_F(QueryTextOnServer, EncodedTextReachesTheServerIntact) {
  struct Case {
    const char* charset;
    const char* literal;  // UTF-8
  };
  const Case cases[] = {{"WIN1251", "Ґонта, Київ"}, {"UTF8", "Ґонта, Київ"}, {"KOI8R", "Москва"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.charset);
    RawAttachment attachment(Db(), c.charset);
    test::TestOwner connection;
    connection.charSetID = attachment.CharSetID();
    const AnsiString text = Utf8ToAnsi(std::string("select '") + c.literal + "' from rdb$database");
    RawStatement statement(attachment, EncodeSQLText(text, connection));
    EXPECT_EQ(statement.Row()[0].GetAsString(), Utf8ToAnsi(c.literal));
  }
}

}  // namespace
}  // namespace ordvane
