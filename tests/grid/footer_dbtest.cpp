// Footer sums, averages and counts of a grid over a Firebird dataset: each text agrees
// with isql-fb's SUM, AVG or COUNT over the same rows, in the format the footer, the
// field or the field's type gives, also after the dataset is filtered.

#include <gtest/gtest.h>

#include <string>

#include "classlib/core/CodePages.h"
#include "classlib/db/NumericFields.h"
#include "tests/grid/FirebirdGridSupport.h"

namespace ordvane {
namespace {

using namespace test;

TestDatabase& AmountsDatabase() {
  static TestDatabase db("grid/footers.sql", DatabaseOptions{3, "UTF8"});
  return db;
}

// isql-fb's decimal text as the general format writes it: a comma for the point, no
// trailing zeros.
std::string GeneralText(std::string number) {
  const auto point = number.find('.');
  if (point == std::string::npos) return number;
  while (number.back() == '0') number.pop_back();
  if (number.back() == '.')
    number.pop_back();
  else
    number[point] = ',';
  return number;
}

// isql-fb's decimal text with a comma for the point, all digits kept.
std::string CommaText(std::string number) {
  const auto point = number.find('.');
  if (point != std::string::npos) number[point] = ',';
  return number;
}

// isql-fb's text with two decimals as "#,##0.00" writes it: thousands split by the
// no-break space.
std::string GroupedText(const std::string& number) {
  const auto point = number.find('.');
  std::string integer = number.substr(0, point);
  const std::string separator = Utf8ToAnsi("\u00A0");
  for (int at = static_cast<int>(integer.size()) - 3; at > 0; at -= 3) integer.insert(at, separator);
  return integer + "," + number.substr(point + 1);
}

class FooterSumsDb : public testing::Test, protected FirebirdGridFixture {
 protected:
  FooterSumsDb() : FirebirdGridFixture(AmountsDatabase()) {
    Configure(*fDatabase, fDb, "UTF8");
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    fDataSet->SelectSQL().SetText("select ID, QTY, PRICE, RATIO, PAID_ON from AMOUNTS order by ID");
    fDataSet->Open();
    fSource.SetDataSet(fDataSet);
    fForm->Show();
    fGrid = new TDataGrid(fForm.get());
    fGrid->SetBounds(0, 0, 600, 300);
    fGrid->SetParent(fForm.get());
    fGrid->SetDataSource(&fSource);
    fGrid->SetFooterRowCount(3);
    fUi.Process();
  }

  // A column of the field whose footer rows sum, average and count.
  TColumnEh* SummedColumn(const char* fieldName) {
    TColumnEh* column = fGrid->Columns().Add();
    column->SetFieldName(fieldName);
    column->Footers().Add()->SetValueType(fvtSum);
    column->Footers().Add()->SetValueType(fvtAvg);
    column->Footers().Add()->SetValueType(fvtCount);
    return column;
  }
  std::string Footer(TColumnEh* column, int row) {
    AnsiString text;
    fGrid->GetFooterValue(row, column, text);
    return text;
  }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }
};

TEST_F(FooterSumsDb, IntegerSumsAveragesAndCountsAsTheServerGivesThem) {
  TColumnEh* qty = SummedColumn("QTY");
  EXPECT_EQ(Footer(qty, 0), Oracle("select sum(qty) from amounts"));
  qty->Footers().Items(1)->SetDisplayFormat("0.00");
  EXPECT_EQ(Footer(qty, 1), CommaText(Oracle("select cast(avg(qty * 1.0000) as numeric(18,2)) from amounts")))
      << "the average of the values that are not null";
  EXPECT_EQ(Footer(qty, 2), "250") << "a count counts records, nulls included";
  EXPECT_EQ(Oracle("select count(*) from amounts"), "250");
  static_cast<TNumericField*>(fDataSet->FieldByName("QTY"))->SetDisplayFormat("0.0");
  EXPECT_EQ(Footer(qty, 0), GeneralText(Oracle("select sum(qty) from amounts")) + ",0")
      << "the field's format";
}

TEST_F(FooterSumsDb, NumericAndFloatingSumsInEachFormat) {
  TColumnEh* price = SummedColumn("PRICE");
  TColumnEh* ratio = SummedColumn("RATIO");
  ASSERT_EQ(fDataSet->FieldByName("PRICE")->DataType(), ftBCD);
  ASSERT_EQ(fDataSet->FieldByName("RATIO")->DataType(), ftFloat);
  const std::string priceSum = Oracle("select sum(price) from amounts");
  auto* priceField = static_cast<TBCDField*>(fDataSet->FieldByName("PRICE"));
  ASSERT_EQ(priceField->DisplayFormat(), "#,##0.00") << "the dataset's format of two decimals";
  EXPECT_EQ(Footer(price, 0), GroupedText(priceSum)) << "the field's format";
  priceField->SetDisplayFormat("0.000");
  EXPECT_EQ(Footer(price, 0), CommaText(Oracle("select cast(sum(price) as numeric(18,3)) from amounts")));
  price->Footers().Items(0)->SetDisplayFormat("0.0");
  EXPECT_EQ(Footer(price, 0), CommaText(Oracle("select cast(sum(price) as numeric(18,1)) from amounts")))
      << "the footer's format goes first";
  price->Footers().Items(0)->SetDisplayFormat("");
  priceField->SetDisplayFormat("");
  EXPECT_EQ(Footer(price, 0), GeneralText(priceSum)) << "no format";
  priceField->SetCurrency(true);
  EXPECT_EQ(Footer(price, 0), GroupedText(priceSum) + Utf8ToAnsi("грн.")) << "a currency amount";

  static_cast<TNumericField*>(fDataSet->FieldByName("RATIO"))->SetDisplayFormat("");
  EXPECT_EQ(Footer(ratio, 0), GeneralText(Oracle("select cast(sum(ratio) as numeric(18,4)) from amounts")));
  EXPECT_EQ(Footer(ratio, 1), GeneralText(Oracle("select cast(avg(ratio) as numeric(18,4)) from amounts")));
  ratio->Footers().Items(0)->SetDisplayFormat("0.00");
  EXPECT_EQ(Footer(ratio, 0), CommaText(Oracle("select cast(sum(ratio) as numeric(18,2)) from amounts")));
  ratio->Footers().Items(0)->SetDisplayFormat("");
  static_cast<TFloatField*>(fDataSet->FieldByName("RATIO"))->SetCurrency(true);
  EXPECT_EQ(Footer(ratio, 0),
            GroupedText(Oracle("select cast(sum(ratio) as numeric(18,2)) from amounts")) + Utf8ToAnsi("грн."))
      << "a floating currency amount";
}

TEST_F(FooterSumsDb, SumsOverDatesOrMissingFieldsShowZero) {
  TColumnEh* day = SummedColumn("PAID_ON");
  TColumnEh* missing = SummedColumn("QTY");
  missing->Footers().Items(0)->SetFieldName("NO_SUCH_FIELD");
  fDataSet->Close();
  EXPECT_NO_THROW(fDataSet->Open()) << "the sums walk past the missing field";
  EXPECT_EQ(Footer(day, 0), "0");
  EXPECT_EQ(Footer(day, 1), "0");
  EXPECT_EQ(Footer(missing, 0), "0");
  EXPECT_EQ(
      Footer(missing, 1),
      GeneralText(Oracle("select cast(cast(sum(qty) as double precision) / count(qty) as numeric(18,4)) "
                         "from amounts")))
      << "the other footers of the column still sum";
}

TEST_F(FooterSumsDb, AfterAFilterTheSumsFollowTheFilteredRows) {
  TColumnEh* qty = SummedColumn("QTY");
  TColumnEh* price = SummedColumn("PRICE");
  fDataSet->SetFilter("QTY > 10");
  fDataSet->SetFiltered(true);
  fDataSet->First();
  EXPECT_EQ(Footer(qty, 0), Oracle("select sum(qty) from amounts where qty > 10"));
  EXPECT_EQ(Footer(qty, 2), Oracle("select count(*) from amounts where qty > 10"));
  EXPECT_EQ(Footer(price, 0), GroupedText(Oracle("select sum(price) from amounts where qty > 10")));
  fDataSet->SetFiltered(false);
  fDataSet->First();
  EXPECT_EQ(Footer(qty, 2), "250");
}

}  // namespace
}  // namespace ordvane
