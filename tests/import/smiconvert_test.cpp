// Import texts turned into field values: the date masks, then the conversion by kind with
// the application's formats.

#include "import/SMIConvert.h"

#include <gtest/gtest.h>

#include <map>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/FloatFormat.h"
#include "import/SMIBaseSupport.h"
#include "import/SMIDateMask.h"
#include "tests/classlib/Support.h"
#include "tests/import/ApplicationFormats.h"

namespace ordvane {
namespace {

// The date as "yyyy-mm-dd hh:nn:ss", or "0" when the routine gives 0.
std::string ReadMask(const std::string& text, const std::string& mask, const TFormatSettings& settings) {
  const TDateTime value = DateTimeFromMask(Utf8ToAnsi(text), mask, settings);
  return value == 0 ? "0" : FormatDateTime("yyyy-mm-dd hh:nn:ss", value);
}

TEST(DateMask, TextsReadByTheirMasks) {
  // "Today" is fixed, so the two-digit-year window has a known place: 1976 .. 2075.
  SetDateTimeClock([] { return EncodeDate(2026, 6, 15); });
  TFormatSettings settings;
  // clang-format off
  const struct {
    const char* text;
    const char* mask;
    const char* date;
  } cases[] = {
      // Numbers by position; the text may stop where the time begins.
      {"05.03.2021", "DD.MM.YYYY", "2021-03-05 00:00:00"}, {"5.3.2021", "DD.MM.YYYY", "2021-03-05 00:00:00"},
      {"05/03/2021", "DD.MM.YYYY", "2021-03-05 00:00:00"},
      {"03/05/2021", "mm/dd/yyyy", "2021-03-05 00:00:00"},
      {"2021-03-05", "YYYY-MM-DD", "2021-03-05 00:00:00"}, {"05032021", "DDMMYYYY", "2021-03-05 00:00:00"},
      {"20210305143015", "YYYYMMDDHHNNSS", "2021-03-05 14:30:15"},
      {"05.03.2021 14:30:15", "DD.MM.YYYY HH:NN:SS", "2021-03-05 14:30:15"},
      {"2021-03-05T14:30:15", "YYYY-MM-DDTHH:NN:SS", "2021-03-05 14:30:15"},
      {"2021-03-05T14:30:15", "YYYY-MM-DD THH:NN:SS", "2021-03-05 14:30:15"},
      {"2021-03-05 14:30:15", "YYYY-MM-DD THH:NN:SS", "2021-03-05 14:30:15"},
      {"05.03.2021", "DD.MM.YYYY HH:NN:SS", "2021-03-05 00:00:00"},
      {"05.03.2021 14:30", "DD.MM.YYYY HH:NN:SS", "2021-03-05 14:30:00"},
      {"14:30:15", "HH:NN:SS", "1899-12-30 14:30:15"},
      // Before 30 December 1899 the time of day still counts forward.
      {"01.01.1800 06:00", "DD.MM.YYYY HH:NN", "1800-01-01 06:00:00"},
      // The twelve-hour clock.
      {"03/05/2021 02:30 PM", "MM/DD/YYYY HH:NN", "2021-03-05 14:30:00"},
      {"03/05/2021 12:30 pm", "MM/DD/YYYY HH:NN", "2021-03-05 12:30:00"},
      {"03/05/2021 12:30 AM", "MM/DD/YYYY HH:NN", "2021-03-05 00:30:00"},
      {"03/05/2021 09:30 AM", "MM/DD/YYYY HH:NN", "2021-03-05 09:30:00"},
      // English and Ukrainian month names.
      {"05-JAN-2021", "DD-MMM-YYYY", "2021-01-05 00:00:00"},
      {"5 january 2021", "D MMMM YYYY", "2021-01-05 00:00:00"},
      {"December 31, 1999", "MMMM DD, YYYY", "1999-12-31 00:00:00"},
      {"05-Sept-2021", "DD-MMM-YYYY", "2021-09-05 00:00:00"}, {"05-XYZ-2021", "DD-MMM-YYYY", "0"},
      {"05 Січ 2021", "DD MMM YYYY", "2021-01-05 00:00:00"},
      {"05 листопад 2021", "DD MMMM YYYY", "2021-11-05 00:00:00"},
      {"05 ЛЮТОГО 2021", "DD MMMM YYYY", "2021-02-05 00:00:00"},
      {"5 січня 2021", "D MMMM YYYY", "2021-01-05 00:00:00"},
      {"05 груд. 2021", "DD MMM YYYY", "2021-12-05 00:00:00"},
      {"05 Вер 2021", "DD-MMM-YYYY", "2021-09-05 00:00:00"},
      // Two-digit years follow the window.
      {"05.03.76", "DD.MM.YYYY", "1976-03-05 00:00:00"}, {"05.03.75", "DD.MM.YY", "2075-03-05 00:00:00"},
      {"05.03.21", "DD.MM.YY", "2021-03-05 00:00:00"}, {"05.03.5", "DD.MM.YY", "2005-03-05 00:00:00"},
      {"05.03.0075", "DD.MM.YYYY", "0075-03-05 00:00:00"},
      // Unreadable text gives 0; a long run of digits is refused, not wrapped into a valid day.
      {"", "DD.MM.YYYY", "0"}, {"abc", "DD.MM.YYYY", "0"}, {"31.02.2021", "DD.MM.YYYY", "0"},
      {"05.13.2021", "DD.MM.YYYY", "0"}, {"05.03", "DD.MM.YYYY", "0"}, {"05.03.2021 xyz", "DD.MM.YYYY", "0"},
      {"05.03.2021 25:00", "DD.MM.YYYY HH:NN", "0"}, {"05.03.2021 Z10:00", "DD.MM.YYYY THH:NN", "0"},
      {"000000065541.03.2021", "DD.MM.YYYY", "0"}, {"05.03.2021 65560:00", "DD.MM.YYYY HH:NN", "0"},
      {"Прізвище", "DD.MM.YYYY", "0"},
      // A run of one field letter followed by another field reads at most the digits the
      // field holds; what does not fit the field is refused.
      {"6666615050", "HHHHHHHHHHD", "0"}, {"99999999999999", "YYYYYYYYYYM", "0"},
      {"20210305", "YYYYYYYYYYMMDD", "2021-03-05 00:00:00"},
      {"0503202114", "DDDDMMYYYYYYHH", "2021-03-05 14:00:00"}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(ReadMask(c.text, c.mask, settings), c.date) << c.text << " " << c.mask;
  settings.TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(ReadMask("05.03.76", "DD.MM.YY", settings), "2076-03-05 00:00:00");
  EXPECT_EQ(ReadMask("05.03.99", "DD.MM.YY", settings), "2099-03-05 00:00:00");
  SetDateTimeClock(nullptr);
  // With UTF-8 as the ANSI code page the names are UTF-8 too.
  test::AnsiCodePageScope utf8(CP_UTF8);
  EXPECT_EQ(DateTimeFromMask("05 жовтня 2021", "DD MMMM YYYY", TFormatSettings()), EncodeDate(2021, 10, 5));
}

// The data formats the application sets on its form.
class ConvertTest : public ::testing::Test {
 protected:
  ConvertTest() { test::SetApplicationFormats(formats); }

  Variant Convert(const Variant& value, TSMIValueKind kind, const AnsiString& fieldName = "FIELD") {
    TSMIConversionTarget target;
    target.Kind = kind;
    target.FieldName = fieldName;
    return ConvertImportText(value, target, formats, false, false);
  }

  TSMIDataFormats formats;
};

// The value's type and its text, in UTF-8.
std::string Describe(const Variant& value) {
  static const std::map<TVarType, std::string> types = {{varInteger, "integer"}, {varInt64, "int64"},
                                                        {varDouble, "float"},    {varDate, "date"},
                                                        {varBoolean, "boolean"}, {varString, "text"}};
  if (VarIsNull(value)) return "null";
  const auto type = types.find(VarType(value));
  return (type != types.end() ? type->second : "other") + " " + AnsiToUtf8(VarToStr(value));
}

TEST_F(ConvertTest, TextsOfEveryKind) {
  using K = TSMIValueKind;
  // clang-format off
  const struct {
    const char* text;
    TSMIValueKind kind;
    const char* field;
    const char* value;
  } cases[] = {
      // Floats with the Ukrainian formats; a plain blank is no separator; a header cell,
      // named like its field, gives 0.
      {"1\u00A0234,5", K::Float, "F", "float 1234,5"}, {"15грн.", K::Float, "F", "float 15"},
      {"1\u00A0000\u00A0000,25 грн.", K::Float, "F", "float 1000000,25"}, {",5", K::Float, "F", "float 0,5"},
      {"-2,75", K::Float, "F", "float -2,75"}, {"suma", K::Float, "SUMA", "integer 0"},
      {"null", K::Float, "F", "null"}, {"abc", K::Float, "F", "text abc"},
      {"1 234,5", K::Float, "F", "text 1 234,5"},
      // Integers; a fraction or a word stays text, for the field to refuse.
      {"42", K::Integer, "F", "integer 42"}, {" -7 ", K::Integer, "F", "integer -7"},
      {"id", K::Integer, "ID", "integer 0"}, {"3000000000", K::Integer, "F", "int64 3000000000"},
      {"1,5", K::Integer, "F", "text 1,5"}, {"Прізвище", K::Integer, "F", "text Прізвище"},
      {"1e30", K::Integer, "F", "text 1e30"},
      // Every digit of a long number, which a double would round; one past 64 bits, or
      // a form a double does not hold exactly, stays text.
      {"9007199254740993", K::Integer, "F", "int64 9007199254740993"},
      {" -9223372036854775808 ", K::Integer, "F", "int64 -9223372036854775808"},
      {"9223372036854775808", K::Integer, "F", "text 9223372036854775808"},
      {"1e17", K::Integer, "F", "text 1e17"}, {"1e15", K::Integer, "F", "int64 1000000000000000"},
      // Dates by the import mask.
      {"05.03.2021", K::Date, "F", "date 05.03.2021"},
      {" 05.03.2021 14:30 ", K::Date, "F", "date 05.03.2021 14:30:00"},
      {"5 січня 2021", K::Date, "F", "date 05.01.2021"},
      {"Дата народження", K::Date, "ДАТА НАРОДЖЕННЯ", "null"},
      {"31.02.2021", K::Date, "F", "text 31.02.2021"},
      // Times.
      {"14:30:15", K::Time, "F", "date 30.12.1899 14:30:15"}, {"CHAS", K::Time, "chas", "date 30.12.1899"},
      {"noon", K::Time, "F", "text noon"},
      // Booleans: the words of the formats and the usual letters, compared exactly.
      {"Так", K::Boolean, "F", "boolean True"}, {"True", K::Boolean, "F", "boolean True"},
      {"1", K::Boolean, "F", "boolean True"}, {"T", K::Boolean, "F", "boolean True"},
      {"Y", K::Boolean, "F", "boolean True"}, {"Нi", K::Boolean, "F", "boolean False"},
      {"False", K::Boolean, "F", "boolean False"}, {"0", K::Boolean, "F", "boolean False"},
      {"F", K::Boolean, "F", "boolean False"}, {"N", K::Boolean, "F", "boolean False"},
      {"-1", K::Boolean, "F", "null"}, {"yes", K::Boolean, "F", "text yes"},
      {"true", K::Boolean, "F", "text true"},
      // Wrapped text.
      {"[CDATA[12]]", K::Integer, "F", "integer 12"}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(Describe(Convert(Utf8ToAnsi(c.text), c.kind, Utf8ToAnsi(c.field))), c.value) << c.text;
  formats.SetCustomDateTimeFormat("yyyymmdd");
  EXPECT_EQ(Describe(Convert("20210305", K::Date)), "date 05.03.2021");
  // What is not text is left alone; wide text no rule touches stays wide, with every character.
  EXPECT_EQ(Describe(Convert(7, K::Float)), "integer 7");
  const Variant wide(WideString(u"Ґрунт 中"));
  EXPECT_EQ(Convert(wide, K::Other).AsWideString(), u"Ґрунт 中");
}

TEST_F(ConvertTest, LocalSettingsLeaveTheProcessAlone) {
  formats.SetDecimalSeparator('.');
  formats.SetThousandSeparator(',');
  formats.SetCurrencyString("$");
  EXPECT_EQ(Convert("$1,234.5", TSMIValueKind::Float).AsDouble(), 1234.5);
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
  EXPECT_EQ(FormatSettings().CurrencyString, Utf8ToAnsi("грн."));
  const TFormatSettings local = ImportFormatSettings(formats);
  EXPECT_EQ(local.DecimalSeparator, '.');
  EXPECT_EQ(local.ThousandSeparator, ',');
  EXPECT_EQ(local.CurrencyString, "$");
  EXPECT_EQ(local.LongMonthNames[0], FormatSettings().LongMonthNames[0]);
}

TEST_F(ConvertTest, BlobsDecodeBase64WhenAsked) {
  TSMIConversionTarget blob;
  blob.IsBlob = true;
  for (bool decode : {true, false})
    for (const char* text : {"[CDATA[QUJD]]", "QUJD"})
      EXPECT_EQ(VarToStr(ConvertImportText(text, blob, formats, false, decode)), decode ? "ABC" : "QUJD")
          << text;
}

TEST_F(ConvertTest, DateTimeMasks) {
  EXPECT_EQ(ImportDateTimeMask(formats, false), "DD.MM.YYYY HH:NN:SS");
  EXPECT_EQ(ImportDateTimeMask(formats, true), "DD.MM.YYYY THH:NN:SS");
  EXPECT_EQ(ImportFormatSettings(formats).ShortDateFormat, "dd.mm.yyyy");
  formats.SetDateOrder(doMDY);
  formats.SetDateSeparator('/');
  formats.SetFourDigitYear(false);
  formats.SetLeadingZerosInDate(false);
  EXPECT_EQ(ImportDateTimeMask(formats, false), "MM/DD/YY HH:NN:SS");
  EXPECT_EQ(ImportFormatSettings(formats).ShortDateFormat, "m/d/yy");
  formats.SetDateOrder(doYDM);
  formats.SetDateSeparator('\0');
  formats.SetTimeSeparator('\0');
  EXPECT_EQ(ImportDateTimeMask(formats, false), "YYDDMM HHNNSS");
  EXPECT_EQ(ImportTimeMask(formats), "HHNNSS");
  formats.SetCustomDateTimeFormat("yyyy-mm-dd");
  EXPECT_EQ(ImportDateTimeMask(formats, true), "YYYY-MM-DD");
}

// Every value of every row is asked whether it is empty, and whether it is wrapped data,
// without being made text: the answers must be those of its text.
TEST(ValueText, EmptinessAndPrefixAreThoseOfTheText) {
  using namespace smi_internal;
  const std::vector<Variant> values = {Variant(), Null(), Variant(AnsiString()), Variant(WideString()),
                                       Variant(AnsiString("\0x", 2)), Variant(WideString(u"\0", 1)), Variant(0),
                                       Variant(0.0), Variant(false), VarFromDateTime(0), VarFromDateTime(-0.5),
                                       Variant(AnsiString("a")), Variant(WideString(u"б"))};
  for (const Variant& value : values) EXPECT_EQ(HasNoText(value), VarToStr(value).empty()) << VarTypeAsText(VarType(value));
  EXPECT_TRUE(TextStartsWith(Variant(WideString(u"[CDATA[ab]]")), "[CDATA["));
  EXPECT_TRUE(TextStartsWith(Variant(AnsiString("[CDATA[")), "[CDATA["));
  EXPECT_FALSE(TextStartsWith(Variant(WideString(u"[CDAT")), "[CDATA["));  // ends first
  EXPECT_FALSE(TextStartsWith(Variant(WideString(u"[cdata[x")), "[CDATA["));
  EXPECT_FALSE(TextStartsWith(Variant(1), "1"));
}

// A number for a text column: as FloatToStr writes it where 15 digits hold it, with more
// where they do not; whole numbers exact up to 2^53.
TEST(NumberText, EveryDigitTheNumberHas) {
  const std::string point(1, FormatSettings().DecimalSeparator);
  const auto text = [](double value) { return std::string(ImportNumberText(value)); };
  EXPECT_EQ(text(0), "0");
  EXPECT_EQ(text(-0.5), "-0" + point + "5");
  EXPECT_EQ(text(1e20), "1E20");
  EXPECT_EQ(text(1234567.25), std::string(FloatToStr(1234567.25)));
  EXPECT_EQ(text(9007199254740992.0), "9007199254740992");
  EXPECT_EQ(text(0.1 + 0.2), "0" + point + "30000000000000004");
  EXPECT_EQ(text(-1.0 / 3), "-0" + point + "3333333333333333");
  EXPECT_EQ(text(5e-324), "5E-324");

  EXPECT_TRUE(IsExactWholeNumber(9007199254740992.0));
  EXPECT_TRUE(IsExactWholeNumber(-9007199254740992.0));
  EXPECT_FALSE(IsExactWholeNumber(9007199254740994.0));
  EXPECT_FALSE(IsExactWholeNumber(2.5));
}

}  // namespace
}  // namespace ordvane
