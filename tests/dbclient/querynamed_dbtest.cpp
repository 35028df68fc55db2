// Named parameters, macros, the IS NULL rewrite, the monitor comment and the encoding of
// the text, as the statement component sends them. isql-fb is the oracle for rows, and a
// second attachment reads from the monitoring tables what the server received.

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBQuery.h"
#include "tests/dbclient/DbTestSupport.h"

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
  std::string Oracle(const std::string& select) {
    std::string rows;
    for (const std::string& row : Split(test::IsqlRows(fDb, select))) rows += (rows.empty() ? "" : "|") + row;
    return rows;
  }
  static std::vector<std::string> Split(const std::string& rows) {
    std::vector<std::string> parts;
    for (std::size_t from = 0; from < rows.size();) {
      const std::size_t end = std::min(rows.find(';', from), rows.size());
      parts.push_back(rows.substr(from, end - from));
      from = end + 1;
    }
    return parts;
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

TEST_F(NamedQueryTest, NullComparisonsReturnTheRowsOfIsNull) {
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
    TFIBQuery& q = Query(c.sql);
    const std::string nulls = std::string(" ") + c.nulls + " ";
    for (int i = 0; i < q.GetParamCount(); ++i)
      if (nulls.find(" " + q.GetParamName(i) + " ") == std::string::npos) q.Params()[i].SetAsLong(1);
    EXPECT_EQ(Rows(q), Oracle(c.explicitSql));
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

  TpFIBQueryOptions options;
  options.Include(qoNoForceIsNull);
  q.SetOptions(options);
  q.FreeHandle();
  EXPECT_EQ(Rows(q), "");
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

}  // namespace
}  // namespace ordvane
