// New records filled the way the server fills its rows, and fields dressed from their
// columns at open: the server's own defaults (a row it filled itself) and isql-fb are the
// oracles.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/db/DateTimeFields.h"
#include "classlib/db/NumericFields.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

std::string IsoDate(TDateTime value) {
  Word year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", year, month, day);
  return text;
}

TestDatabase& DefaultsDatabase() {
  static TestDatabase db("datasets/defaults.sql", {3, "WIN1251"});
  return db;
}

class DefaultsTest : public EditingFormTest<TpFIBDataSet> {
 protected:
  DefaultsTest() : EditingFormTest(DefaultsDatabase(), "Defs") {
    TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(true);
    options.SetKeyFields("ID");
  }
  void Open(const std::string& table, const std::string& select) {
    fDataSet->AutoUpdateOptions().SetUpdateTableName(table);
    EditingFormTest::Open(select);
  }
};

TEST_F(DefaultsTest, ANewRecordStartsAsTheServerWouldFillIt) {
  Open("DEFS", "select * from defs");
  fDataSet->Append();
  EXPECT_EQ(Field("QUOTED")->AsString(), "it's");
  EXPECT_EQ(Field("LOWER_TEXT")->AsString(), "abc");
  EXPECT_EQ(Field("WHO")->AsString(), Oracle("select current_user from rdb$database"));
  EXPECT_EQ(IsoDate(Field("MADE")->AsDateTime()) + "|" + IsoDate(Field("DUE")->AsDateTime()),
            Oracle("select current_date, current_date + 1 from rdb$database"));
  // The server's "1.5" under the decimal comma of this system.
  EXPECT_EQ(Field("AMOUNT")->DefaultExpression(), "1,5");
  EXPECT_TRUE(Field("OK")->AsBoolean());
  EXPECT_EQ(Field("NO_DEFAULT")->DefaultExpression(), "");
  EXPECT_TRUE(Field("NO_DEFAULT")->IsNull());
  Field("ID")->SetAsInteger(2);
  Field("STAMPED")->SetAsInteger(0);
  Field("PLAIN")->SetAsInteger(2);
  fDataSet->Post();

  // The server fills a row of its own; both rows hold the same defaults.
  fDb.Isql("insert into defs (id, stamped, plain) values (3, 0, 3);\ncommit;\n");
  const std::string columns = "select quoted, lower_text, who, made, due, amount, ok, no_default from defs where id = ";
  EXPECT_EQ(Oracle(columns + "2"), Oracle(columns + "3"));

  // A handler may give the value itself.
  fDataSet->OnApplyDefaultValue = [](TDataSet*, TField* field, bool& applied) {
    if (field->FieldName() == "LOWER_TEXT") {
      field->SetAsString("handled");
      applied = true;
    }
  };
  fDataSet->Append();
  EXPECT_EQ(Field("LOWER_TEXT")->AsString(), "handled");
  EXPECT_EQ(Field("QUOTED")->AsString(), "it's");
  fDataSet->Cancel();
}

// What a new record learns of its fields is kept between records; another open with the
// columns in another order must not find the first open's fields in their places.
TEST_F(DefaultsTest, ANewRecordAfterAnotherOpenTakesTheNewFieldsDefaults) {
  const std::string user = Oracle("select current_user from rdb$database");
  Open("DEFS", "select id, made, who from defs");
  fDataSet->Append();
  EXPECT_EQ(Field("WHO")->AsString(), user);
  fDataSet->Cancel();
  fDataSet->Append();
  EXPECT_EQ(Field("WHO")->AsString(), user);
  fDataSet->Cancel();
  fDataSet->Close();
  Open("DEFS", "select who, made, id from defs");
  fDataSet->Append();
  EXPECT_EQ(Field("WHO")->AsString(), user);
  EXPECT_EQ(IsoDate(Field("MADE")->AsDateTime()), Oracle("select current_date from rdb$database"));
  fDataSet->Cancel();
}

TEST_F(DefaultsTest, FieldsAreDressedFromTheirColumnsAndTheRepository) {
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() + TpPrepareOptions{pfSetRequiredFields, pfSetReadOnlyFields});
  Open("DEFS D", "select d.*, c.title from defs d left join cities c on c.id = d.id");
  auto* scaled = dynamic_cast<TNumericField*>(Field("SCALED"));
  ASSERT_NE(scaled, nullptr);
  EXPECT_EQ(scaled->DisplayFormat() + " " + scaled->EditFormat(), "#,##0.00 0.00");
  EXPECT_EQ(dynamic_cast<TDateTimeField*>(Field("MADE"))->DisplayFormat(), "dd.mm.yyyy");
  EXPECT_EQ(ScaledNumberFormat("0.#", 3) + " " + ScaledNumberFormat("#,##0", 2) + " " + ScaledNumberFormat("", 2),
            "0.### #,##0 ");

  // Required: not null, no default, not filled by a trigger.
  EXPECT_TRUE(Field("PLAIN")->Required());
  EXPECT_FALSE(Field("STAMPED")->Required());
  EXPECT_FALSE(Field("QUOTED")->Required());
  // Read-only: the joined table's column and the computed one.
  EXPECT_TRUE(Field("TITLE")->ReadOnly());
  EXPECT_TRUE(Field("TWICE")->ReadOnly());
  EXPECT_FALSE(Field("PLAIN")->ReadOnly());

  // The repository comes with the option, at once on an open dataset, field by field.
  EXPECT_EQ(Field("PLAIN")->DisplayLabel(), "PLAIN");
  int told = 0;
  fDataSet->OnApplyFieldRepository = [&told](TDataSet*, TField*, const TpFIBFieldInfo&) { ++told; };
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() + TpPrepareOptions{psApplyRepositary});
  EXPECT_EQ(told, fDataSet->Fields().Count());
  EXPECT_EQ(Field("PLAIN")->DisplayLabel() + "|" + std::to_string(Field("PLAIN")->DisplayWidth()), "Plain value|12");
  EXPECT_EQ(Field("STAMPED")->DisplayLabel() + "|" + std::to_string(Field("STAMPED")->DisplayWidth()), "Stamp|7");
  EXPECT_FALSE(Field("STAMPED")->Visible());
  EXPECT_EQ(dynamic_cast<TNumericField*>(Field("STAMPED"))->DisplayFormat(), "000");
}

TEST_F(DefaultsTest, ALinkedParameterFillsTheDetailsKey) {
  fDataSet->AutoUpdateOptions().SetAutoParamsToFields(true);
  fDataSet->SelectSQL().SetText("select s.* from streets s where s.city_id = :master_id");
  fDataSet->SelectQuery().Params().ByName("MASTER_ID")->SetAsLong(1);
  fDataSet->AutoUpdateOptions().SetKeyFields("CITY_ID;NAME");
  fDataSet->AutoUpdateOptions().SetUpdateTableName("STREETS");
  fDataSet->Open();
  EXPECT_EQ(fDataSet->AutoUpdateOptions().ParamsToFieldsLinks().Values("CITY_ID"), "MASTER_ID");
  fDataSet->Append();
  EXPECT_EQ(Field("CITY_ID")->AsInteger(), 1);
  Field("NAME")->SetAsString("Khreshchatyk");
  fDataSet->Post();
  EXPECT_EQ(Oracle("select city_id, name from streets"), "1|Khreshchatyk");
}

}  // namespace
}  // namespace ordvane::test
