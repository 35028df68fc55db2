// Conversion routines without a server: code pages against iconv, component paths,
// scaled integers, hexadecimal text and bits.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/Math.h"
#include "dbclient/FIBConvert.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(CodePageConversion, KOI8AndDOSAgreeWithIconvBothWays) {
  const std::string bytes = AllBytes();
  for (auto [codePage, name] : {std::pair<Cardinal, const char*>{CP_KOI8R, "KOI8-R"}, {CP_DOS866, "CP866"}}) {
    const WideString wide = AnsiToWideCP(bytes, codePage);
    EXPECT_EQ(wide.size(), bytes.size()) << name;
    EXPECT_EQ(Utf8Encode(wide), test::Iconv(bytes, name, "UTF-8")) << name;
    EXPECT_EQ(WideToAnsiCP(wide, codePage), bytes) << name;
  }
  // UTF-8 text as a "code page" of its own.
  const std::string utf8 = test::Iconv(bytes, "CP1251", "UTF-8");
  EXPECT_EQ(AnsiToWideCP(utf8, CP_UTF8), Utf8Decode(utf8));
  EXPECT_EQ(WideToAnsiCP(Utf8Decode(utf8), CP_UTF8), utf8);
}

TEST(CodePageConversion, UnknownCodePagesFallBackToTheAnsiCodePage) {
  test::AnsiCodePageScope ansi(CP_WIN1251);
  const WideString text = u"Ґанок і їжак";
  EXPECT_EQ(WideToAnsiCP(text, 1250), WideToAnsi(text));
  EXPECT_EQ(AnsiToWideCP(WideToAnsi(text), 437), text);
  // UTF-16 bytes are no single-byte code page.
  EXPECT_EQ(WideToAnsiCP(text, CP_UTF16LE), WideToAnsi(text));
  // A character KOI8-R lacks (і) becomes '?' instead of another letter.
  EXPECT_EQ(WideToAnsiCP(u"ні", CP_KOI8R), "\xCE?");
}

TEST(CodePageConversion, ExactConversionRefusesWhatTheCodePageLacks) {
  RawByteString bytes;
  EXPECT_TRUE(WideToCodePageExact(u"Ґанок і їжак", CP_WIN1251, bytes));
  EXPECT_EQ(bytes, ConvertCodePage("Ґанок і їжак", CP_UTF8, CP_WIN1251));
  EXPECT_TRUE(WideToCodePageExact(u"Щука", CP_KOI8R, bytes));
  EXPECT_EQ(bytes, ConvertCodePage("Щука", CP_UTF8, CP_KOI8R));
  // KOI8-R has no Ukrainian letters, WIN1251 no Greek; a question mark is itself.
  EXPECT_FALSE(WideToCodePageExact(u"Ґава", CP_KOI8R, bytes));
  EXPECT_FALSE(WideToCodePageExact(u"Ωμέγα", CP_WIN1251, bytes));
  EXPECT_TRUE(WideToCodePageExact(u"Why?", CP_WIN1251, bytes));
  // UTF-8 holds every character, but not half of one.
  EXPECT_TRUE(WideToCodePageExact(u"a\U0001F600b", CP_UTF8, bytes));
  EXPECT_EQ(bytes, "a😀b");
  EXPECT_FALSE(WideToCodePageExact(std::u16string(1, char16_t{0xD83D}), CP_UTF8, bytes));
}

TEST(FullComponentName, JoinsNamedOwnersOutermostFirst) {
  TComponent form(nullptr);
  form.SetName("Form1");
  auto* frame = new TComponent(&form);
  auto* database = new TComponent(frame);
  EXPECT_EQ(FullComponentName(database), "Form1");
  database->SetName("Database");
  EXPECT_EQ(FullComponentName(database), "Form1.Database");
  frame->SetName("Frame");
  EXPECT_EQ(FullComponentName(database), "Form1.Frame.Database");
  EXPECT_EQ(FullComponentName(nullptr), "");
}

// Scales 0 to 18 are checked against the server's own text (convert_dbtest.cpp); these are
// the cases the server cannot write as NUMERIC.
TEST(ScaledInt64ToStrSep, PlacesTheSeparatorAndDropsTrailingZeros) {
  EXPECT_EQ(ScaledInt64ToStrSep(3, ',', 1050), "1,05");
  EXPECT_EQ(ScaledInt64ToStrSep(-2, '.', 7), "700");
  EXPECT_EQ(ScaledInt64ToStrSep(4, '.', -9223372036854775807 - 1), "-922337203685477.5808");
  EXPECT_EQ(ScaledInt64ToStrSep(19, '.', 9223372036854775807), "0.9223372036854775807");
  EXPECT_EQ(ScaledInt64ToStrSep(20, '.', -1), "-0.00000000000000000001");
}

TEST(SmallConversions, HexTextAndBits) {
  EXPECT_EQ(HexTextToInt("FF"), 255);
  EXPECT_EQ(HexTextToInt("1A2b"), 0x1A20);  // lower-case letters count as 0
  EXPECT_EQ(HexTextToInt(""), 0);
  EXPECT_EQ(HexTextToInt("FFFFFFFF"), -1);
  EXPECT_EQ(HexTextToInt("123456789"), 0x23456789);
  EXPECT_EQ(SetBitInByte(0, 7, true), 0x80);
  EXPECT_EQ(SetBitInByte(0xFF, 0, false), 0xFE);
  EXPECT_EQ(SetBitInByte(0x10, 8, true), 0x10);
  EXPECT_EQ(SetBitInByte(0x10, -1, true), 0x10);
}

AnsiString NoBreak(const char* text) {
  AnsiString out = text;
  for (char& c : out)
    if (c == '_') c = FormatSettings().ThousandSeparator;
  return out;
}

TEST(FormatNumericText, AgreesWithFormatFloatOnExactValues) {
  // Sixteenths are exact binary values, so the class library's FormatFloat sees the same
  // decimal as the text and is an independent oracle for the common formats.
  const char* formats[] = {"#,##0.00", "0.###", "#,##0", "0.0000", "0.00;-0.00", "#,##0.00;(#,##0.00);Zero",
                           "0.0 kg"};
  for (const char* format : formats) {
    for (long k : {0L, 16L, -16L, 1L, 8L, -40L, 19753L, 20000001L, -1975318642L, 160000000000L, 7L, -99999L}) {
      const Extended value = static_cast<Extended>(k) / 16;
      if (std::fabs(value) < 1 && value != 0) continue;  // FormatFloat's "-0" for tiny negatives
      const AnsiString number = FloatToStr(value);
      EXPECT_EQ(FormatNumericText(format, number), FormatFloat(format, value)) << format << " " << number;
    }
  }
}

TEST(FormatNumericText, SectionsLiteralsAndDecimalsFromText) {
  EXPECT_EQ(FormatNumericText("#,##0.00", "1234567,5"), NoBreak("1_234_567,50"));
  // Decimals the number has are kept up to the maximum, rounded half up beyond it.
  EXPECT_EQ(FormatNumericText("0.##", "1,50"), "1,50");
  EXPECT_EQ(FormatNumericText("0.##", "1,505"), "1,51");
  EXPECT_EQ(FormatNumericText("0.##", "2,995"), "3");
  EXPECT_EQ(FormatNumericText("0.##", "-0,001"), "0");
  EXPECT_EQ(FormatNumericText("0.00", "123456789012345678901234,125"), "123456789012345678901234,13");
  // "." first: a lone integer zero goes.
  EXPECT_EQ(FormatNumericText(".00", "0,5"), ",50");
  EXPECT_EQ(FormatNumericText(".00", "-0,5"), "-,50");
  // Sections by the first character of the number.
  const char* sections = "#,##0.00;(#,##0.00);Zero";
  EXPECT_EQ(FormatNumericText(sections, "-12,5"), "(12,50)");
  EXPECT_EQ(FormatNumericText(sections, "0,000"), "Zero");
  EXPECT_EQ(FormatNumericText(sections, "0,1"), "0,10");
  EXPECT_EQ(FormatNumericText(sections, "+3"), "+3,00");
  EXPECT_EQ(FormatNumericText("0.0;neg 0.0", "-3"), "neg 3,0");
  // An empty section stands for the first, with the number's own sign.
  EXPECT_EQ(FormatNumericText("0.00;;Nothing", "-3"), "-3,00");
  EXPECT_EQ(FormatNumericText("0.00;;Nothing", "0"), "Nothing");
  // Prefix, suffix and literal text around the decimal point.
  EXPECT_EQ(FormatNumericText("$ #,##0.00 USD", "1000"), NoBreak("$ 1_000,00 USD"));
  EXPECT_EQ(FormatNumericText("$#,##0.##", "-2,5"), "$-2,5");  // the prefix goes before the sign
  EXPECT_EQ(FormatNumericText("0 rub.00 kop", "12,5"), "12 rub,50 kop");
  EXPECT_EQ(FormatNumericText("0 rub.00 kop", "12"), "12 rub,00 kop");
  EXPECT_EQ(FormatNumericText("0.0 ;; \t", "7"), "7,0");
  EXPECT_EQ(FormatNumericText("N/A", "5"), "N/A");
  EXPECT_EQ(FormatNumericText("0.00", ""), "");
  EXPECT_THROW(FormatNumericText("0.00", "12a"), EConvertError);
  EXPECT_THROW(FormatNumericText("0.00", "-"), EConvertError);
  EXPECT_THROW(FormatNumericText("0.00", "1.5"), EConvertError);  // not the process's separator
}

TEST(BcdConversions, ScaledIntegersFloatingValuesAndDotText) {
  Int64 value = 0;
  int scale = -1;
  ASSERT_TRUE(BcdToScaledInt64(StrToBcd("-123,45"), value, scale));
  EXPECT_EQ(value, -12345);
  EXPECT_EQ(scale, 2);
  EXPECT_TRUE(BcdToScaledInt64(TBcd(), value, scale));
  EXPECT_EQ(value, 0);
  EXPECT_EQ(scale, 0);
  EXPECT_FALSE(BcdToScaledInt64(StrToBcd("123456789012345678901"), value, scale));
  TBcd broken;
  broken.Precision = 70;
  EXPECT_FALSE(BcdToScaledInt64(broken, value, scale));

  EXPECT_EQ(BcdToExtendedEx(StrToBcd("-123,45")), -123.45L);
  EXPECT_EQ(BcdToExtendedEx(StrToBcd("123456789012345678901")), 123456789012345678901.0);
  EXPECT_EQ(BcdToStrDot(StrToBcd("-0,050")), "-0.05");
  EXPECT_EQ(ScaledInt64ToStr(3, 1500), "1,5");
}

TEST(SmallConversions, ZeroTextRoundingAndTimeStamps) {
  EXPECT_TRUE(IsZeroText("0,000"));
  EXPECT_TRUE(IsZeroText(","));
  EXPECT_FALSE(IsZeroText(""));
  EXPECT_FALSE(IsZeroText("0.0"));
  EXPECT_FALSE(IsZeroText("-0"));

  EXPECT_EQ(RoundToDecimals(2.125, 2), 2.12L);  // ties to even, as the class library rounds
  EXPECT_EQ(RoundToDecimals(2.375, 2), 2.38L);
  // Only the fraction is rounded: -0.5 goes to the even 0, leaving -7.
  EXPECT_EQ(RoundToDecimals(-7.5, 0), -7);
  EXPECT_EQ(RoundToDecimals(-7.75, 1), -7.8L);

  const TTimeStamp stamp = MakeTimeStamp(DateDelta + 2, 6 * 3600 * 1000);
  EXPECT_EQ(stamp.Date, DateDelta + 2);
  EXPECT_EQ(TimeStampToDateTimeEx(stamp), 2.25);
  // A time of day alone converts to that time.
  EXPECT_EQ(TimeStampToDateTimeEx(MakeTimeStamp(0, 18 * 3600 * 1000)), 0.75);
  EXPECT_EQ(DateNumberToDateTime(DateDelta + 45000), 45000.0);
}

TEST(SmallConversions, RandomRangesAndDigits) {
  std::set<Integer> seen;
  for (int i = 0; i < 2000; ++i) {
    const Integer r = RandomInRange(-3, 4);
    EXPECT_GE(r, -3);
    EXPECT_LT(r, 4);
    seen.insert(r);
  }
  EXPECT_EQ(seen.size(), 7u);
  EXPECT_EQ(RandomInRange(5, 5), 5);
  EXPECT_EQ(RandomInRange(5, -5), 5);
  const Integer wide = RandomInRange(-2000000000, 2000000000);
  EXPECT_GE(wide, -2000000000);
  EXPECT_LT(wide, 2000000000);
  const AnsiString digits = RandomDigits(50);
  EXPECT_EQ(digits.size(), 50u);
  EXPECT_EQ(digits.find_first_not_of("0123456789"), AnsiString::npos);
  EXPECT_NE(RandomDigits(30), RandomDigits(30));
  EXPECT_EQ(RandomDigits(0), "");
}

}  // namespace
}  // namespace ordvane
