#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "classlib/core/CodePages.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/SysUtils.h"
#include "tests/classlib/DottedSettings.h"
#include "tests/classlib/PythonOracle.h"

namespace ordvane {
namespace {

// '.' decimals and ',' thousands keep the format tables readable.
TFormatSettings Dotted() {
  TFormatSettings s = test::DottedSettings();
  s.CurrencyString = "$";
  s.CurrencyFormat = 0;
  s.NegCurrFormat = 0;
  return s;
}

const char kNbsp = static_cast<char>(0xA0);

TEST(FormatSettings, UkrainianWorkstationDefaults) {
  const TFormatSettings& s = FormatSettings();
  EXPECT_EQ(s.ShortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(s.DateSeparator, '.');
  EXPECT_EQ(s.TimeSeparator, ':');
  EXPECT_EQ(s.LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(s.DecimalSeparator, ',');
  EXPECT_EQ(s.ThousandSeparator, kNbsp);
  EXPECT_EQ(s.CurrencyString, "\xE3\xF0\xED.");  // "грн." in Windows-1251
  EXPECT_EQ(s.CurrencyDecimals, 2);
  EXPECT_EQ(s.ListSeparator, ';');
  EXPECT_EQ(s.TwoDigitYearCenturyWindow, 50);
  EXPECT_EQ(s.LongMonthNames[0], Utf8ToAnsi("січень"));
  EXPECT_EQ(s.ShortDayNames[1], Utf8ToAnsi("Пн"));
}

TEST(FormatSettings, NamesFollowTheAnsiCodePage) {
  SetAnsiCodePage(CP_UTF8);
  TFormatSettings utf8;
  SetAnsiCodePage(CP_WIN1251);
  EXPECT_EQ(utf8.CurrencyString, "грн.");
  EXPECT_EQ(utf8.LongMonthNames[11], "грудень");
  EXPECT_EQ(utf8.ThousandSeparator, ' ');  // the no-break space takes two bytes in UTF-8
  EXPECT_EQ(TFormatSettings().CurrencyString, Utf8ToAnsi("грн."));
}

TEST(FloatToStr, GeneralFifteenDigits) {
  struct Case {
    Extended value;
    const char* text;
  } cases[] = {
      {0.1, "0,1"},
      {1.0 / 3, "0,333333333333333"},
      {2.0 / 3, "0,666666666666667"},
      {0.1 + 0.2, "0,3"},                       // 17 digits: 0.30000000000000004
      {123456789012345.6, "123456789012346"},   // 16 digits round to 15
      {1234567890123456.7, "1,23456789012346E15"},
      {1e14, "100000000000000"},
      {1e15, "1E15"},
      {0.0001, "0,0001"},
      {0.00001, "1E-5"},
      {-1.5, "-1,5"},
      {-0.0, "0"},
      {100, "100"},
      {999999999999999.9, "1E15"},  // carry through every digit
      {std::numeric_limits<double>::max(), "1,79769313486232E308"},
      {std::numeric_limits<double>::denorm_min(), "4,94065645841247E-324"},
      {1.0L / 3, "0,333333333333333"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToStr(c.value), c.text) << static_cast<double>(c.value);
  EXPECT_EQ(FloatToStr(INFINITY), "INF");
  EXPECT_EQ(FloatToStr(-INFINITY), "-INF");
  EXPECT_EQ(FloatToStr(NAN), "NAN");
  EXPECT_EQ(FloatToStr(2.5, Dotted()), "2.5");
}

TEST(FloatToStrF, EveryFormat) {
  const AnsiString grn = Utf8ToAnsi("грн.");
  EXPECT_EQ(FloatToStrF(1234.5678, ffGeneral, 6, 0), "1234,57");
  EXPECT_EQ(FloatToStrF(1234.5678, ffGeneral, 3, 0), "1,23E3");
  EXPECT_EQ(FloatToStrF(1234.5678, ffGeneral, 3, 2), "1,23E03");
  EXPECT_EQ(FloatToStrF(1234.5678, ffExponent, 4, 2), "1,235E+03");
  EXPECT_EQ(FloatToStrF(0.00012, ffExponent, 3, 0), "1,20E-4");
  EXPECT_EQ(FloatToStrF(0, ffExponent, 3, 2), "0,00E+00");
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234,57");
  EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), "0,00");  // no "-0,00"
  EXPECT_EQ(FloatToStrF(0.5, ffFixed, 15, 0), "1");        // decimal halves round up
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1E20");     // too many digits: general
  EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2), std::string("1") + kNbsp + "234" + kNbsp + "567,89");
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), std::string("1") + kNbsp + "234,50" + grn);
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), std::string("-1") + kNbsp + "234,50" + grn);
  EXPECT_EQ(FloatToStrF(0.333, ffGeneral, 1, 0), "0,33");   // precision held to at least 2
  EXPECT_EQ(FloatToStrF(1.0 / 3, ffFixed, 30, 30), "0,333333333333333315");  // 18 digits at most
}

TEST(FloatToStrF, NegativeCurrencyLayouts) {
  TFormatSettings s = Dotted();
  const char* expected[] = {"($1.50)", "-$1.50", "$-1.50", "$1.50-", "(1.50$)", "-1.50$",
                            "1.50-$",  "1.50$-", "-1.50 $", "-$ 1.50", "1.50 $-", "$ 1.50-",
                            "$ -1.50", "1.50- $", "($ 1.50)", "(1.50 $)"};
  for (int layout = 0; layout < 16; ++layout) {
    s.NegCurrFormat = static_cast<Byte>(layout);
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2, s), expected[layout]) << layout;
  }
  const char* positive[] = {"$1.50", "1.50$", "$ 1.50", "1.50 $"};
  for (int layout = 0; layout < 4; ++layout) {
    s.CurrencyFormat = static_cast<Byte>(layout);
    EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2, s), positive[layout]) << layout;
  }
}

// Random values of every magnitude against Python's decimal module.
TEST(FloatToStrF, AgreesWithDecimalOracle) {
  std::mt19937_64 random(20261206);
  std::uniform_real_distribution<double> mantissa(-1, 1);
  std::uniform_int_distribution<int> magnitude(-12, 16);
  std::vector<double> values;
  for (int i = 0; i < 300; ++i) values.push_back(mantissa(random) * std::pow(10.0, magnitude(random)));
  for (double v : {0.125, 2.675, 1.005, 0.045, 1.5, 2.5, -2.5, 0.9999999999999999, 999.9995})
    values.push_back(v);
  std::vector<std::string> input;
  struct Query {
    double value;
    TFloatFormat format;
    int n;
  };
  std::vector<Query> queries;
  for (double v : values) {
    char hex[64];
    std::snprintf(hex, sizeof hex, "%a", v);
    int decimals = static_cast<int>(queries.size() % 7);
    int precision = 2 + static_cast<int>(queries.size() % 17);
    queries.push_back({v, ffFixed, decimals});
    input.push_back(std::string(hex) + " fixed " + std::to_string(decimals));
    queries.push_back({v, ffExponent, precision});
    input.push_back(std::string(hex) + " exp " + std::to_string(precision));
    queries.push_back({v, ffGeneral, 15});
    input.push_back(std::string(hex) + " gen");
  }
  std::vector<std::string> expected = test::RunPythonOracle("float_text.py", input);
  ASSERT_EQ(expected.size(), queries.size());
  const TFormatSettings s = Dotted();
  for (std::size_t i = 0; i < queries.size(); ++i) {
    const Query& q = queries[i];
    AnsiString actual = q.format == ffFixed      ? FloatToStrF(q.value, ffFixed, 18, q.n, s)
                        : q.format == ffExponent ? FloatToStrF(q.value, ffExponent, q.n, 0, s)
                                                 : FloatToStr(q.value, s);
    EXPECT_EQ(actual, expected[i]) << input[i];
  }
}

TEST(FormatFloat, PlaceholdersAndLiterals) {
  const TFormatSettings s = Dotted();
  struct Case {
    const char* format;
    Extended value;
    const char* text;
  } cases[] = {
      {"#,##0.00", 1234.5, "1,234.50"},
      {"#,##0", 1234567, "1,234,567"},
      {"#,##0", -1234567, "-1,234,567"},
      {"0,000", 5, "0,005"},
      {"#,##0.00", 0.5, "0.50"},
      {"0.00", 0.125, "0.13"},
      {"0.00", 2.675, "2.67"},  // the double is 2.67499999999999982...
      {"0.###", 1.5, "1.5"},
      {"0.000", 1.5, "1.500"},
      {"#.##", 0.5, ".5"},
      {".00", 12.5, "12.50"},
      {"#", 0, ""},
      {"000", 5, "005"},
      {"#0#", 5, "05"},
      {"0", 1e20, "100000000000000000000"},
      {"0", 123456789012345678.0, "123456789012346000"},  // 15 significant digits
      {"0", -0.4, "0"},
      {"0.0", 0.05, "0.1"},
      {"\"$\"#,##0.00", -1234.5, "-$1,234.50"},
      {"0.00 'kg'", 2, "2.00 kg"},
      {"'#0.'0", 7, "#0.7"},
      {"0.00E+00", 12345, "1.23E+04"},
      {"0.0e-0", 0.00012, "1.2e-4"},
      {"0.0e-0", 12000, "1.2e4"},
      {"##0.0E+0", 12345, "123.5E+2"},
      {"0.000E+00", 0, "0.000E+00"},
      {"", 1.0 / 3, "0.333333333333333"},
      {"0.00", INFINITY, "INF"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.format, c.value, s), c.text) << c.format;
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), std::string("1") + kNbsp + "234,50");
}

TEST(FormatFloat, Sections) {
  const TFormatSettings s = Dotted();
  const char* format = "0.0;(0.0);\"zero\"";
  EXPECT_EQ(FormatFloat(format, 1.25, s), "1.3");
  EXPECT_EQ(FormatFloat(format, -1.25, s), "(1.3)");
  EXPECT_EQ(FormatFloat(format, 0, s), "zero");
  EXPECT_EQ(FormatFloat(format, -0.04, s), "zero");  // rounds to zero: the zero section
  EXPECT_EQ(FormatFloat("0.0;;\"none\"", -2, s), "-2.0");  // empty negative section
  EXPECT_EQ(FormatFloat("0.0;\"neg\"", -2, s), "neg");
  EXPECT_EQ(FormatFloat("'a;b'0", 3, s), "a;b3");
}

TEST(StrToFloat, ParsesWithTheDecimalSeparator) {
  EXPECT_EQ(StrToFloat("1,5"), 1.5L);
  EXPECT_EQ(StrToFloat("  -,5  "), -0.5L);
  EXPECT_EQ(StrToFloat("+1e3"), 1000.0L);
  EXPECT_EQ(StrToFloat("1,25E-2"), 0.0125L);
  EXPECT_EQ(StrToFloat("007"), 7.0L);
  EXPECT_EQ(StrToFloat("1e-99999"), 0.0L);
  EXPECT_EQ(StrToFloat("1.5", Dotted()), 1.5L);
  EXPECT_EQ(static_cast<double>(StrToFloat("0,1")), 0.1);
  EXPECT_EQ(static_cast<double>(StrToFloat("0,30000000000000004")), 0.1 + 0.2);
  for (const char* bad : {"", " ", "1.5", "1 000", "1e", "e5", ",", "--1", "1,5x", "1e99999", "INF"}) {
    Extended value = 42;
    EXPECT_FALSE(TryStrToFloat(bad, value)) << bad;
    EXPECT_EQ(value, 42) << bad;  // untouched on failure
  }
  try {
    StrToFloat("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid floating point value");
  }
  EXPECT_EQ(StrToFloatDef("x", 7), 7.0L);
  double narrow = 0;
  EXPECT_FALSE(TryStrToFloat("1e400", narrow));  // an extended value but no double
  Extended wide = 0;
  EXPECT_TRUE(TryStrToFloat("1e400", wide));
}

TEST(StrToFloat, RoundTripsEveryDouble) {
  std::mt19937_64 random(7);
  TFormatSettings s = Dotted();
  for (int i = 0; i < 2000; ++i) {
    UInt64 bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(FloatToStrF(value, ffExponent, 17, 0, s), back, s));
    EXPECT_EQ(back, value);
  }
}

TEST(Format, FloatingDirectives) {
  EXPECT_EQ(Format("%e", {1234.5}), "1,23450000000000E+003");
  EXPECT_EQ(Format("%.3e", {1234.5}), "1,23E+003");
  EXPECT_EQ(Format("%.2f|%f|%.0f", {3.14159, 2.0, 2.5}), "3,14|2,00|3");
  EXPECT_EQ(Format("%g|%g", {0.5, 1e20}), "0,5|1E020");
  EXPECT_EQ(Format("%n", {1234567.891}), std::string("1") + kNbsp + "234" + kNbsp + "567,89");
  EXPECT_EQ(Format("%m", {-5.0}), Utf8ToAnsi("-5,00грн."));
  EXPECT_EQ(Format("%8.2f|%-8.1f|", {3.14159, 2.0}), "    3,14|2,0     |");
  EXPECT_EQ(Format("%.*f", {3, 1.0}), "1,000");
  EXPECT_EQ(Format("%.2f %m", {1.5, 2.0}, Dotted()), "1.50 $2.00");
  EXPECT_THROW(Format("%f", {1}), EConvertError);
  EXPECT_THROW(Format("%d", {1.5}), EConvertError);
}

}  // namespace
}  // namespace ordvane
