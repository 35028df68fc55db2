// The Firebird field classes on the test support's in-memory dataset: scaled BCD values,
// Boolean texts, integers read as Boolean, milliseconds, GUIDs, clearing and array texts.
// Where a class hands a text to the class library, the library's own field is the oracle.

#include <gtest/gtest.h>

#include <limits>

#include "classlib/core/DateTime.h"
#include "classlib/core/FormatSettings.h"
#include "datasets/FIBFields.h"
#include "tests/support/MemDataSet.h"
#include "tests/classlib/Support.h"

namespace ordvane::test {
namespace {

template <class Field>
Field* AddField(TDataSet& dataSet, const char* name, TFieldType type, Integer size = 0) {
  dataSet.FieldDefs().Add(name, type, size);
  auto* field = new Field(&dataSet);
  field->SetFieldName(name);
  if (size != 0) field->SetSize(size);
  field->SetDataSet(&dataSet);
  return field;
}

class FieldsTest : public testing::Test {
 protected:
  void OpenAndAppend() {
    data.Open();
    data.Append();
  }
  std::string Separator() const { return std::string(1, FormatSettings().DecimalSeparator); }

  TMemDataSet data{nullptr};
};

TEST_F(FieldsTest, BCDValuesAreScaledIntegers) {
  auto* bcd = AddField<TFIBBCDField>(data, "AMOUNT", ftBCD, 4);
  auto* whole = AddField<TFIBBCDField>(data, "COUNT", ftBCD);
  whole->SetSize(0);
  OpenAndAppend();
  bcd->SetAsLargeInt(12345);
  EXPECT_EQ(bcd->AsString(), "1" + Separator() + "2345");
  EXPECT_DOUBLE_EQ(bcd->AsFloat(), 1.2345);
  struct Case {
    std::string text;
    Int64 stored;
  };
  for (const Case& c : {Case{"-0" + Separator() + "5", -5000}, Case{"12.34567", 123457}, Case{"  7 ", 70000},
                        Case{"0.00004", 0}, Case{"0.00005", 1}, Case{"922337203685477", 9223372036854770000}}) {
    bcd->SetAsString(c.text);
    EXPECT_EQ(bcd->AsLargeInt(), c.stored) << c.text;
  }
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { bcd->SetAsString("1.2.3"); }),
            "'1.2.3' is not a valid floating point value for field 'AMOUNT'");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { bcd->SetAsString("922337203685478"); }),
            "'922337203685478' is not a valid floating point value for field 'AMOUNT'");
  EXPECT_EQ(bcd->AsLargeInt(), 9223372036854770000) << "a refused text leaves the value";
  // A 64-bit variant is the stored integer; any other number is scaled.
  bcd->SetValue(Variant(Int64{42}));
  EXPECT_EQ(bcd->AsLargeInt(), 42);
  bcd->SetValue(Variant(2.5));
  EXPECT_EQ(bcd->AsLargeInt(), 25000);
  bcd->SetAsInteger(-3);
  EXPECT_EQ(bcd->AsString(), "-3" + Separator() + "0000");
  whole->SetAsString("123456789012");
  EXPECT_EQ(whole->AsString(), "123456789012");
  bcd->SetValue(Null());
  EXPECT_TRUE(bcd->IsNull());
  EXPECT_EQ(bcd->AsString(), "");
}

// The text of a scaled integer at the ends of its range and of the scales: every digit of
// the scale, one digit before the separator at least, the sign of the lowest integer.
TEST_F(FieldsTest, BCDTextAtTheEdges) {
  auto* bcd = AddField<TFIBBCDField>(data, "AMOUNT", ftBCD);
  OpenAndAppend();
  struct Case {
    Integer scale;
    Int64 stored;
    std::string whole, fraction;
  };
  const Int64 lowest = std::numeric_limits<Int64>::min(), highest = std::numeric_limits<Int64>::max();
  for (const Case& c : {Case{0, 0, "0", ""}, Case{0, -7, "-7", ""}, Case{0, lowest, "-9223372036854775808", ""},
                        Case{2, 0, "0", "00"}, Case{2, 5, "0", "05"}, Case{2, -99, "-0", "99"},
                        Case{2, 100, "1", "00"}, Case{4, -1, "-0", "0001"},
                        Case{18, lowest, "-9", "223372036854775808"}, Case{18, highest, "9", "223372036854775807"},
                        Case{18, 1, "0", "000000000000000001"}}) {
    data.Cancel();
    data.Close();
    bcd->SetSize(c.scale);
    OpenAndAppend();
    bcd->SetAsLargeInt(c.stored);
    EXPECT_EQ(bcd->AsString(), c.whole + (c.scale > 0 ? Separator() + c.fraction : "")) << c.scale << " " << c.stored;
  }
}

TEST_F(FieldsTest, BooleanTextsAndIntegersAsBoolean) {
  auto* flag = AddField<TFIBBooleanField>(data, "FLAG", ftBoolean);
  auto* plain = AddField<TBooleanField>(data, "PLAIN", ftBoolean);
  auto* number = AddField<TFIBIntegerField>(data, "NUMBER", ftInteger);
  auto* small = AddField<TFIBSmallIntField>(data, "SMALL", ftSmallint);
  OpenAndAppend();
  struct Case {
    const char* text;
    bool value;
  };
  for (const Case& c : {Case{"true", true}, Case{"TRUE", true}, Case{"1", true}, Case{"T", true}, Case{"false", false},
                        Case{"0", false}, Case{"F", false}}) {
    flag->SetAsString(c.text);
    EXPECT_EQ(flag->AsBoolean(), c.value) << c.text;
    EXPECT_EQ(flag->AsString(), c.value ? "True" : "False");
  }
  // Other texts are the class library's to judge, exactly as for its own field.
  for (const char* text : {"t", "tr", "f", "x", ""}) {
    const std::string mine = ErrorOf<EDatabaseError>([&] { flag->SetAsString(text); });
    const std::string library = ErrorOf<EDatabaseError>([&] { plain->SetAsString(text); });
    EXPECT_EQ(mine.substr(0, 3), library.substr(0, 3)) << text;
    EXPECT_EQ(VarToStr(flag->AsVariant()), VarToStr(plain->AsVariant())) << text;
  }
  flag->SetStringTrue("Yes");
  flag->SetStringFalse("No");
  flag->SetAsString("yes");
  EXPECT_EQ(flag->Text(), "Yes");
  flag->SetAsString("NO");
  EXPECT_EQ(flag->Text(), "No");
  for (TField* field : std::initializer_list<TField*>{number, small}) {
    field->SetAsInteger(5);
    EXPECT_TRUE(field->AsBoolean());
    field->SetAsInteger(-1);
    EXPECT_FALSE(field->AsBoolean());
    field->SetAsBoolean(true);
    EXPECT_EQ(field->AsInteger(), 1);
    field->SetAsBoolean(false);
    EXPECT_EQ(field->AsInteger(), 0);
  }
}

TEST_F(FieldsTest, MillisecondsShowWithoutLeadingZeros) {
  auto* time = AddField<TFIBTimeField>(data, "T", ftTime);
  auto* stamp = AddField<TFIBDateTimeField>(data, "TS", ftDateTime);
  auto* libraryTime = AddField<TTimeField>(data, "LT", ftTime);
  auto* libraryStamp = AddField<TDateTimeField>(data, "LTS", ftDateTime);
  OpenAndAppend();
  struct Case {
    int millisecond;
    const char* suffix;
  };
  for (const Case& c : {Case{5, ".5"}, Case{120, ".120"}, Case{999, ".999"}, Case{0, ""}}) {
    const TDateTime value = EncodeDate(2024, 2, 29) + EncodeTime(10, 0, 0, static_cast<Word>(c.millisecond));
    time->SetAsDateTime(value - EncodeDate(2024, 2, 29));
    libraryTime->SetAsDateTime(value - EncodeDate(2024, 2, 29));
    stamp->SetAsDateTime(value);
    libraryStamp->SetAsDateTime(value);
    time->SetShowMsec(false);
    stamp->SetShowMsec(false);
    EXPECT_EQ(time->DisplayText(), libraryTime->DisplayText());
    EXPECT_EQ(stamp->DisplayText(), libraryStamp->DisplayText());
    time->SetShowMsec(true);
    stamp->SetShowMsec(true);
    EXPECT_EQ(time->DisplayText(), libraryTime->DisplayText() + c.suffix);
    EXPECT_EQ(stamp->Text(), libraryStamp->Text() + c.suffix);
  }
}

// Date text is written by a compiled numeric format where the format is one; the library's
// date field, which always goes through FormatDateTime, is the oracle for every format,
// numeric or not, at the calendar's edges, in the short date format and in OnValidate.
TEST_F(FieldsTest, DateTextIsTheLibraryFieldsInAnyFormat) {
  auto* date = AddField<TFIBDateField>(data, "D", ftDate);
  auto* library = AddField<TDateField>(data, "LD", ftDate);
  OpenAndAppend();
  const std::vector<TDateTime> dates = {EncodeDate(1, 1, 1),     EncodeDate(99, 12, 31),   EncodeDate(100, 1, 1),
                                        EncodeDate(1899, 12, 29), EncodeDate(1899, 12, 30), EncodeDate(1970, 1, 1),
                                        EncodeDate(2000, 2, 29),  EncodeDate(2024, 10, 5),  EncodeDate(9999, 12, 31)};
  const std::vector<AnsiString> formats = {
      "",   "dd.mm.yyyy", "d.m.yy",      "yyyy-mm-dd", "m/d/y",        "DD.MM.YYYY", "dD/Mm/yYy", "yyyyy d",
      "dd mmm yyyy", "dddd d", "ddddd", "'day' dd", "c", "dd hh:nn", "d.m.y", Utf8ToAnsi("d.m.yyyy р."), "yy",
      // two-digit numbers only, one of them twice
      "yy/mm/dd (mm)",
      // numbers and separators, but longer than the numeric writer's room
      std::string(30, '-') + "dd.mm.yyyy" + std::string(30, '-'), std::string(27, '-') + "dd.mm.yyyy" + std::string(27, '-')};
  const auto expectSameTexts = [&] {
    for (const TDateTime value : dates) {
      date->SetAsDateTime(value);
      library->SetAsDateTime(value);
      EXPECT_EQ(date->DisplayText(), library->DisplayText());
      EXPECT_EQ(date->AsString(), library->AsString());
    }
  };
  for (const AnsiString& format : formats) {
    SCOPED_TRACE(format);
    date->SetDisplayFormat(format);
    library->SetDisplayFormat(format);
    expectSameTexts();
  }
  // Every 997th day of the calendar, leap days of the centuries among them.
  date->SetDisplayFormat("yyyy-m-d");
  library->SetDisplayFormat("yyyy-m-d");
  for (TDateTime value = EncodeDate(1, 1, 1); value <= EncodeDate(9999, 12, 31); value += 997) {
    date->SetAsDateTime(value);
    library->SetAsDateTime(value);
    ASSERT_EQ(date->DisplayText(), library->DisplayText());
  }
  for (const TDateTime value : {EncodeDate(1600, 2, 29), EncodeDate(1700, 3, 1), EncodeDate(2100, 2, 28)}) {
    date->SetAsDateTime(value);
    library->SetAsDateTime(value);
    EXPECT_EQ(date->DisplayText(), library->DisplayText());
  }
  TFormatSettings& settings = FormatSettings();
  const TFormatSettings saved = settings;
  for (const char* shortFormat : {"yyyy/m/dd", "dd/mm/yyyy"}) {
    settings.ShortDateFormat = shortFormat;
    settings.DateSeparator = '-';
    expectSameTexts();
    settings.DateSeparator = '\0';
    expectSameTexts();
  }
  settings = saved;
  date->Clear();
  EXPECT_EQ(date->AsString(), "");
  EXPECT_EQ(date->DisplayText(), "");
  // While OnValidate runs, the field reads the value being written.
  AnsiString validated;
  date->OnValidate = [&](TField* sender) { validated = sender->AsString(); };
  date->SetAsDateTime(EncodeDate(2001, 9, 11));
  EXPECT_EQ(validated, "11.09.2001");
}

TEST_F(FieldsTest, GuidFieldHoldsSixteenBytes) {
  auto* guid = AddField<TFIBGuidField>(data, "G", ftGuid, 38);
  OpenAndAppend();
  EXPECT_EQ(guid->DataSize(), 16);
  const AnsiString text = "{6F9619FF-8B86-D011-B42D-00C04FC964FF}";
  guid->SetAsString(text);
  EXPECT_EQ(guid->AsString(), text);
  EXPECT_EQ(guid->AsString().size(), 38u);
  EXPECT_EQ(guid->AsVariant().AsString(), text);
  const TGUID value = guid->AsGuid();
  EXPECT_EQ(value.D1, 0x6F9619FFu);
  guid->SetAsString("");
  EXPECT_TRUE(guid->IsNull());
  EXPECT_TRUE(IsEqualGUID(guid->AsGuid(), TGUID{}));
  guid->SetAsGuid(value);
  EXPECT_EQ(guid->AsString(), text);
  guid->SetAsGuid(TGUID{});
  EXPECT_TRUE(guid->IsNull());
  EXPECT_THROW(guid->SetAsString("{not a guid}"), EConvertError);
  EXPECT_TRUE(guid->IsNull());
}

TEST_F(FieldsTest, ClearingLongStringsAndArrays) {
  auto* large = AddField<TFIBLargeIntField>(data, "L", ftLargeint);
  auto* longText = AddField<TFIBStringField>(data, "S", ftString, 20000);
  auto* array = AddField<TFIBArrayField>(data, "A", ftBytes, 8);
  EXPECT_THROW(longText->SetSize(32766), EDatabaseError);
  OpenAndAppend();
  large->SetAsLargeInt(Int64{1} << 40);
  EXPECT_EQ(large->AsLargeInt(), Int64{1} << 40);
  large->SetValue(Null());
  EXPECT_TRUE(large->IsNull());
  large->SetAsLargeInt(7);
  large->SetValue(Variant());
  EXPECT_TRUE(large->IsNull());
  const std::string text(20000, 'x');
  longText->SetAsString(text);
  EXPECT_EQ(longText->AsString(), text);
  longText->SetEmptyStrToNull(true);
  longText->SetAsString("");
  EXPECT_TRUE(longText->IsNull());
  EXPECT_EQ(array->Text(), "(Array)");
  const Byte id[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  array->SetData(id);
  EXPECT_EQ(array->Text(), "(ARRAY)");
  EXPECT_EQ(array->DisplayText(), "(ARRAY)");
}

}  // namespace
}  // namespace ordvane::test
