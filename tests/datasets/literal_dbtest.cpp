// Modifying statements with their values written out as literals, under this system's
// Ukrainian format settings (decimal comma, dotted dates): each statement is run by the
// server and isql-fb compares the row with the values the dataset held.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

class LiteralTest : public EditingFormTest<TpFIBDataSet> {
 protected:
  LiteralTest() : EditingFormTest(FixtureDatabase("modifysql", 3), "Lit") {}
};

TEST_F(LiteralTest, ValuesComeBackAsTheyWere) {
  OpenTable("LIT");
  fDataSet->Append();
  Field("ID")->SetAsInteger(2);
  Field("TXT")->SetAsString(Utf8ToAnsi("O'Ніл, 'Шевченко'"));
  Field("AMOUNT")->SetAsString("12345,6789");
  Field("RATIO")->SetAsFloat(0.1);
  Field("D")->SetAsDateTime(EncodeDate(2024, 2, 29));
  Field("T")->SetAsDateTime(EncodeTime(13, 14, 15, 123));
  Field("TS")->SetAsDateTime(EncodeDate(2001, 12, 31) + EncodeTime(23, 59, 58, 999));
  Field("FLAG")->SetAsBoolean(true);
  RunOneRow(fDataSet->GenerateLiteralModifySQL(mskInsert));
  fDataSet->Cancel();
  EXPECT_EQ(Oracle("select id, txt, amount, iif(ratio = 0.1, 1, 0), d, t, ts, flag from lit where id = 2"),
            "2|O'Ніл, 'Шевченко'|12345.6789|1|2024-02-29|13:14:15.1230|2001-12-31 23:59:58.9990|<true>");

  // An update found by the old key; a null blob is written as NULL.
  fDataSet->First();
  fDataSet->Edit();
  Field("ID")->SetAsInteger(3);
  Field("AMOUNT")->SetAsFloat(-0.0001);
  Field("FLAG")->SetAsBoolean(false);
  const AnsiString update = fDataSet->GenerateLiteralModifySQL(mskUpdate);
  EXPECT_NE(update.find("MEMO=NULL"), AnsiString::npos) << update;
  EXPECT_NE(update.find("where LIT.ID=1"), AnsiString::npos) << update;
  RunOneRow(update);
  fDataSet->Cancel();
  EXPECT_EQ(Oracle("select id, txt, amount, flag from lit where id = 3"), "3|seed|-0.0001|<false>");

  // A text blob is written as its text, which the server converts as a string column's.
  fDataSet->Close();
  fDataSet->Open();
  ASSERT_TRUE(fDataSet->Locate("ID", 3, {}));
  fDataSet->Edit();
  Field("MEMO")->SetAsString(Utf8ToAnsi("Ніл 'text'"));
  RunOneRow(fDataSet->GenerateLiteralModifySQL(mskUpdate));
  fDataSet->Cancel();
  EXPECT_EQ(Oracle("select cast(memo as varchar(40)) from lit where id = 3"), "Ніл 'text'");
}

TEST_F(LiteralTest, ANullKeyFindsItsRow) {
  OpenTable("INT_KEYED");
  ASSERT_TRUE(fDataSet->Locate("NAME", Variant("null key"), {}));
  fDataSet->Edit();
  Field("NAME")->SetAsString("found");
  const AnsiString update = fDataSet->GenerateLiteralModifySQL(mskUpdate);
  EXPECT_NE(update.find("where INT_KEYED.ID IS NULL"), AnsiString::npos) << update;
  RunOneRow(update);
  fDataSet->Cancel();
  EXPECT_EQ(Oracle("select count(*) from int_keyed where id is null and name = 'found'"), "1");
  // Without fields nothing can be written.
  fDataSet->Close();
  EXPECT_THROW(fDataSet->GenerateLiteralModifySQL(mskDelete), Exception);
}

}  // namespace
}  // namespace ordvane::test
