#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateFormat.h"
#include "import/SMIConvert.h"
#include "tests/import/ApplicationFormats.h"

namespace ordvane {
namespace {

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
  Variant ConvertUtf8(const std::string& text, TSMIValueKind kind, const AnsiString& fieldName = "FIELD") {
    return Convert(Utf8ToAnsi(text), kind, fieldName);
  }

  TSMIDataFormats formats;
};

TEST_F(ConvertTest, FloatsWithUkrainianFormats) {
  EXPECT_EQ(ConvertUtf8("1\u00A0234,5", TSMIValueKind::Float).AsDouble(), 1234.5);
  EXPECT_EQ(ConvertUtf8("15грн.", TSMIValueKind::Float).AsDouble(), 15);
  EXPECT_EQ(ConvertUtf8("1\u00A0000\u00A0000,25 грн.", TSMIValueKind::Float).AsDouble(), 1000000.25);
  EXPECT_EQ(Convert(",5", TSMIValueKind::Float).AsDouble(), 0.5);
  EXPECT_EQ(Convert("-2,75", TSMIValueKind::Float).AsDouble(), -2.75);
  EXPECT_EQ(VarType(Convert("2,5", TSMIValueKind::Float)), varDouble);
  EXPECT_EQ(Convert("suma", TSMIValueKind::Float, "SUMA").AsDouble(), 0);  // a header cell
  EXPECT_TRUE(VarIsNull(Convert("null", TSMIValueKind::Float)));
  EXPECT_EQ(VarToStr(Convert("abc", TSMIValueKind::Float)), "abc");
  EXPECT_EQ(VarToStr(Convert("1 234,5", TSMIValueKind::Float)), "1 234,5");  // a plain blank is no separator
  EXPECT_EQ(Convert(7, TSMIValueKind::Float).AsInteger(), 7);                  // not text: left alone
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

TEST_F(ConvertTest, Integers) {
  EXPECT_EQ(VarType(Convert("42", TSMIValueKind::Integer)), varInteger);
  EXPECT_EQ(Convert("42", TSMIValueKind::Integer).AsInteger(), 42);
  EXPECT_EQ(Convert(" -7 ", TSMIValueKind::Integer).AsInteger(), -7);
  EXPECT_EQ(Convert("id", TSMIValueKind::Integer, "ID").AsInteger(), 0);
  EXPECT_EQ(Convert("3000000000", TSMIValueKind::Integer).AsInt64(), 3000000000LL);
  // A fraction or a word stays text, for the field to refuse.
  EXPECT_EQ(VarToStr(Convert("1,5", TSMIValueKind::Integer)), "1,5");
  EXPECT_EQ(VarToStr(ConvertUtf8("Прізвище", TSMIValueKind::Integer)), Utf8ToAnsi("Прізвище"));
  EXPECT_EQ(VarToStr(Convert("1e30", TSMIValueKind::Integer)), "1e30");
}

TEST_F(ConvertTest, DatesByTheImportMask) {
  EXPECT_EQ(Convert("05.03.2021", TSMIValueKind::Date).AsDateTime(), EncodeDate(2021, 3, 5));
  EXPECT_EQ(VarType(Convert("05.03.2021", TSMIValueKind::Date)), varDate);
  EXPECT_EQ(Convert(" 05.03.2021 14:30 ", TSMIValueKind::Date).AsDateTime(),
            EncodeDate(2021, 3, 5) + EncodeTime(14, 30, 0, 0));
  EXPECT_EQ(ConvertUtf8("5 січня 2021", TSMIValueKind::Date).AsDateTime(), EncodeDate(2021, 1, 5));
  EXPECT_TRUE(VarIsNull(ConvertUtf8("Дата народження", TSMIValueKind::Date, Utf8ToAnsi("ДАТА НАРОДЖЕННЯ"))));
  EXPECT_EQ(VarToStr(Convert("31.02.2021", TSMIValueKind::Date)), "31.02.2021");
  formats.SetCustomDateTimeFormat("yyyymmdd");
  EXPECT_EQ(Convert("20210305", TSMIValueKind::Date).AsDateTime(), EncodeDate(2021, 3, 5));
}

TEST_F(ConvertTest, Times) {
  EXPECT_NEAR(Convert("14:30:15", TSMIValueKind::Time).AsDateTime(), EncodeTime(14, 30, 15, 0), 1e-9);
  EXPECT_EQ(Convert("CHAS", TSMIValueKind::Time, "chas").AsDateTime(), 0);
  EXPECT_EQ(VarToStr(Convert("noon", TSMIValueKind::Time)), "noon");
}

TEST_F(ConvertTest, Booleans) {
  for (const char* text : {"Так", "True", "1", "T", "Y"}) EXPECT_TRUE(ConvertUtf8(text, TSMIValueKind::Boolean).AsBoolean()) << text;
  for (const char* text : {"Нi", "False", "0", "F", "N"})
    EXPECT_FALSE(ConvertUtf8(text, TSMIValueKind::Boolean).AsBoolean()) << text;
  EXPECT_TRUE(VarIsNull(Convert("-1", TSMIValueKind::Boolean)));
  EXPECT_EQ(VarToStr(Convert("yes", TSMIValueKind::Boolean)), "yes");
  EXPECT_EQ(VarToStr(Convert("true", TSMIValueKind::Boolean)), "true");  // comparisons are exact
}

TEST_F(ConvertTest, WrappedAndEncodedText) {
  TSMIConversionTarget blob;
  blob.IsBlob = true;
  EXPECT_EQ(VarToStr(ConvertImportText("[CDATA[QUJD]]", blob, formats, false, true)), "ABC");
  EXPECT_EQ(VarToStr(ConvertImportText("QUJD", blob, formats, false, true)), "ABC");
  EXPECT_EQ(VarToStr(ConvertImportText("QUJD", blob, formats, false, false)), "QUJD");
  EXPECT_EQ(VarToStr(ConvertImportText("[CDATA[QUJD]]", blob, formats, false, false)), "QUJD");
  EXPECT_EQ(Convert("[CDATA[12]]", TSMIValueKind::Integer).AsInteger(), 12);
  // Wide text no rule touches stays wide, with every character.
  const Variant wide(WideString(u"Ґрунт 中"));
  EXPECT_EQ(Convert(wide, TSMIValueKind::Other).AsWideString(), u"Ґрунт 中");
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

}  // namespace
}  // namespace ordvane
