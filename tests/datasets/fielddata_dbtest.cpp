// The client's field-data routines over a Firebird dataset with cached updates: NUMERIC(18,4)
// amounts read as BCD values and text against isql-fb's, and a changed record's data read
// before and after its change, the dataset's state the same afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "classlib/db/NumericFields.h"
#include "dbclient/FIBConvert.h"
#include "tests/datasets/MasterDetailSupport.h"

namespace ordvane::test {
namespace {

// isql-fb's four decimals without the zeros that end them ("-999.7530" -> "-999.753").
std::string WithoutTrailingZeros(std::string text) {
  if (text.find('.') == std::string::npos) return text;
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

class FieldDataTest : public MasterDetailTest {
 protected:
  FieldDataTest() {
    fDetail->SetCachedUpdates(true);
    fDetail->Open();
    fAmount = fDetail->FieldByName("AMOUNT");
  }
  std::string IsqlAmount() {
    return Oracle("select amount from documents where id = " + fDetail->FieldByName("ID")->AsString());
  }
  TField* fAmount = nullptr;
};

TEST_F(FieldDataTest, AmountsAsBcdAndTextAgreeWithIsql) {
  int nulls = 0, values = 0;
  for (fDetail->First(); !fDetail->Eof(); fDetail->Next()) {
    const std::string expected = IsqlAmount();
    SCOPED_TRACE(expected);
    TBcd bcd;
    if (expected == "<null>") {
      ++nulls;
      EXPECT_FALSE(GetFieldBcdValue(fAmount, bcd));
      EXPECT_TRUE(VarIsEmpty(GetFieldBcdAsVariant(fAmount, true)));
      continue;
    }
    ++values;
    ASSERT_TRUE(GetFieldBcdValue(fAmount, bcd));
    EXPECT_EQ(BcdToStrDot(bcd), WithoutTrailingZeros(expected));
    EXPECT_EQ(VarToStr(GetFieldBcdAsVariant(fAmount, true)), WithoutTrailingZeros(expected));
    std::string comma = WithoutTrailingZeros(expected);
    if (comma.find('.') != std::string::npos) comma[comma.find('.')] = ',';
    EXPECT_EQ(VarToStr(GetFieldBcdAsVariant(fAmount, false)), comma);
  }
  EXPECT_EQ(nulls, 8);
  EXPECT_EQ(values, 16);
}

TEST_F(FieldDataTest, AChangedRecordIsReadBeforeAndAfterItsChange) {
  fDetail->Next();
  const std::string before = IsqlAmount();
  fDetail->Edit();
  fAmount->SetAsString("12,3456");
  fDetail->Post();
  ASSERT_EQ(fDetail->UpdateStatus(), usModified);

  Int64 oldData = 0, newData = 0;
  ASSERT_TRUE(GetFieldDataEx(fAmount, &oldData, true));
  EXPECT_EQ(fDetail->State(), dsBrowse);
  ASSERT_TRUE(GetFieldDataEx(fAmount, &newData, false));
  // The scaled integers of the values.
  EXPECT_EQ(newData, 123456);
  std::string digits = before;
  digits.erase(digits.find('.'), 1);
  EXPECT_EQ(oldData, std::stoll(digits));
  EXPECT_EQ(fDetail->State(), dsBrowse);

  // The old value of a record first changed from null is null.
  fDetail->Next();
  ASSERT_EQ(IsqlAmount(), "<null>");
  fDetail->Edit();
  fAmount->SetAsString("1");
  fDetail->Post();
  EXPECT_FALSE(GetFieldDataEx(fAmount, &oldData, true));
  EXPECT_TRUE(GetFieldDataEx(fAmount, &newData, false));
  EXPECT_EQ(newData, 10000);
}

// Browsing and filtering read an integer's and an amount's texts where the record keeps
// them; an edit and an OnValidate read them through the field's data. Every way gives the
// same texts, in the settings' decimal separator and the fields' display and edit formats.
TEST_F(FieldDataTest, IntegersAndAmountsReadTheSameTextsInEveryState) {
  auto* id = static_cast<TNumericField*>(fDetail->FieldByName("ID"));
  auto* amount = static_cast<TNumericField*>(fAmount);
  id->SetDisplayFormat("#,##0.0");
  amount->SetDisplayFormat("0.00");
  amount->SetEditFormat("0.0");
  const auto texts = [&] {
    return id->AsString() + "|" + id->DisplayText() + "|" + id->Text() + "|" + amount->AsString() + "|" +
           amount->DisplayText() + "|" + amount->Text();
  };
  std::set<std::string> browsed;
  for (fDetail->First(); !fDetail->Eof(); fDetail->Next()) {
    std::string expected = IsqlAmount();
    if (expected == "<null>") expected.clear();
    std::replace(expected.begin(), expected.end(), '.', ',');
    EXPECT_EQ(amount->AsString(), expected);
    const std::string text = texts();
    browsed.insert(text);
    fDetail->Edit();
    EXPECT_EQ(texts(), text);
    fDetail->Cancel();
  }
  ASSERT_EQ(browsed.size(), 24u);

  std::set<std::string> filtered;
  fDetail->OnFilterRecord = [&](TDataSet*, bool& accept) {
    filtered.insert(texts());
    accept = true;
  };
  fDetail->SetFiltered(true);
  int visible = 0;
  for (fDetail->First(); !fDetail->Eof(); fDetail->Next()) ++visible;
  EXPECT_EQ(visible, 24);
  EXPECT_EQ(filtered, browsed);

  const char separator = FormatSettings().DecimalSeparator;
  FormatSettings().DecimalSeparator = '.';
  fDetail->First();
  const std::string dotted = amount->AsString();
  FormatSettings().DecimalSeparator = separator;
  EXPECT_EQ(dotted, IsqlAmount());

  std::string validated;
  amount->OnValidate = [&](TField* sender) { validated = sender->AsString(); };
  fDetail->Edit();
  amount->SetAsString("-0,5");
  EXPECT_EQ(validated, "-0,5000");
  fDetail->Cancel();
}

}  // namespace
}  // namespace ordvane::test
