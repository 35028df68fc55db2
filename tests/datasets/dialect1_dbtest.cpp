// Keys from a generator, literal statements, new-record defaults and the server's count
// on a dialect-1 connection: names upper-cased, dates with their time of day, numbers as
// the server describes them there. isql-fb reads back what the server holds.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

TestDatabase& Dialect1Database() {
  static TestDatabase db("datasets/dialect1.sql", {1, "WIN1251"});
  return db;
}

class Dialect1Test : public EditingFormTest<TpFIBDataSet> {
 protected:
  Dialect1Test() : EditingFormTest(Dialect1Database(), "Old") {}
};

TEST_F(Dialect1Test, KeysComeFromTheGenerator) {
  const long start = std::stol(Oracle("select gen_id(gen_keys, 0) from rdb$database"));
  fDataSet->AutoUpdateOptions().SetGeneratorName("gen_keys");
  fDataSet->AutoUpdateOptions().SetWhenGetGenID(wgBeforePost);
  OpenTable("INT_KEYED");
  EXPECT_NE(fDataSet->InsertSQL().Text().find("Insert into INT_KEYED"), std::string::npos) << fDataSet->InsertSQL().Text();
  fDataSet->Append();
  Field("NAME")->SetAsString("pre post");
  fDataSet->Post();
  EXPECT_EQ(Field("ID")->AsInteger(), start + 1);
  EXPECT_EQ(Oracle("select id from int_keyed where name = 'pre post'"), std::to_string(start + 1));
}

TEST_F(Dialect1Test, LiteralsComeBackAsTheyWere) {
  OpenTable("LIT");
  fDataSet->Append();
  Field("ID")->SetAsInteger(2);
  Field("TXT")->SetAsString(Utf8ToAnsi("O'Ніл, 'Шевченко'"));
  Field("AMOUNT")->SetAsString("12345,6789");
  Field("RATIO")->SetAsFloat(0.1);
  Field("D")->SetAsDateTime(EncodeDate(2001, 12, 31) + EncodeTime(23, 59, 58, 999));
  Field("FLAG")->SetAsBoolean(true);
  RunOneRow(fDataSet->GenerateLiteralModifySQL(mskInsert));
  fDataSet->Cancel();
  EXPECT_EQ(Oracle("select id, txt, amount, iif(ratio = 0.1, 1, 0), cast(d as varchar(30)), flag from lit where id = 2"),
            "2|O'Ніл, 'Шевченко'|12345.6789|1|31-DEC-2001 23:59:58.9990|<true>");

  // Found by the old key; a null key by IS NULL.
  fDataSet->First();
  fDataSet->Edit();
  Field("ID")->SetAsInteger(3);
  Field("AMOUNT")->SetAsFloat(-0.0001);
  RunOneRow(fDataSet->GenerateLiteralModifySQL(mskUpdate));
  fDataSet->Cancel();
  EXPECT_EQ(Oracle("select id, txt, amount from lit where id = 3"), "3|seed|-0.0001");
  fDataSet->Close();
  OpenTable("INT_KEYED");
  fDataSet->Edit();
  Field("NAME")->SetAsString("found");
  RunOneRow(fDataSet->GenerateLiteralModifySQL(mskUpdate));
  fDataSet->Cancel();
  EXPECT_EQ(Oracle("select count(*) from int_keyed where id is null and name = 'found'"), "1");
}

TEST_F(Dialect1Test, NewRecordsTakeTheServersDefaults) {
  OpenTable("DEFS");
  fDataSet->Append();
  EXPECT_EQ(Field("QUOTED")->AsString(), "it's");
  EXPECT_EQ(Field("LOWER_TEXT")->AsString(), "abc");
  EXPECT_EQ(Field("WHO")->AsString(), Oracle("select current_user from rdb$database"));
  EXPECT_EQ(Field("AMOUNT")->DefaultExpression(), "1,5");
  EXPECT_TRUE(Field("OK")->AsBoolean());
  EXPECT_TRUE(Field("NO_DEFAULT")->IsNull());
  Field("ID")->SetAsInteger(2);
  fDataSet->Post();
  fDb.Isql("insert into defs (id) values (3);\ncommit;\n");
  const std::string columns = "select quoted, lower_text, who, cast(due as date), amount, ok, no_default from defs where id = ";
  EXPECT_EQ(Oracle(columns + "2"), Oracle(columns + "3"));
}

// The server describes COUNT(*) as a 32-bit number here, as a 64-bit one in dialect 3.
TEST_F(Dialect1Test, TheServerCountsTheSelect) {
  OpenTable("LIT");
  EXPECT_EQ(fDataSet->RecordCountFromServer(), std::stoi(Oracle("select count(*) from lit")));
}

}  // namespace
}  // namespace ordvane::test
