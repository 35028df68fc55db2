#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "classlib/core/CodePages.h"
#include "classlib/core/Currency.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/SysUtils.h"
#include "tests/classlib/DottedSettings.h"
#include "tests/classlib/PythonOracle.h"

namespace ordvane {
namespace {

Currency C(Int64 units) { return Currency::FromScaled(units); }

TEST(Currency, FromDoubleRoundsTiesToEven) {
  EXPECT_EQ(Currency::FromDouble(0.03125).Scaled(), 312);  // 312.5 units
  EXPECT_EQ(Currency::FromDouble(0.09375).Scaled(), 938);  // 937.5 units
  EXPECT_EQ(Currency::FromDouble(-0.03125).Scaled(), -312);
  EXPECT_EQ(Currency::FromDouble(1.5).Scaled(), 15000);
  EXPECT_EQ(Currency::FromDouble(922337203685477.0).Scaled(), 9223372036854770000);
  for (double bad : {1e16, -1e16, double(INFINITY), double(NAN)})
    EXPECT_THROW(Currency::FromDouble(bad), EInvalidOp) << bad;
}

TEST(Currency, FromDoubleAgreesWithExtendedArithmetic) {
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> amount(-1e6, 1e6);
  std::vector<double> values;
  std::vector<std::string> input;
  for (int i = 0; i < 200; ++i) {
    // Amounts with up to five decimals reach the ties and near-ties of the fourth.
    double v = std::round(amount(random) * 100000) / 100000;
    values.push_back(v);
    char hex[64];
    std::snprintf(hex, sizeof hex, "curr %a", v);
    input.push_back(hex);
  }
  std::vector<std::string> expected = test::RunPythonOracle("rounding.py", input);
  ASSERT_EQ(expected.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(std::to_string(Currency::FromDouble(values[i]).Scaled()), expected[i]) << input[i];
}

TEST(Currency, ArithmeticRoundsAndDetectsOverflow) {
  EXPECT_EQ((C(15000) * C(15000)).Scaled(), 22500);  // 1.5 * 1.5
  EXPECT_EQ((C(1) * C(5000)).Scaled(), 0);           // 0.00005: tie to even
  EXPECT_EQ((C(3) * C(5000)).Scaled(), 2);           // 0.00015: tie to even
  EXPECT_EQ((C(10000) / C(30000)).Scaled(), 3333);
  EXPECT_EQ((C(20000) / C(30000)).Scaled(), 6667);
  EXPECT_EQ((C(-20000) / C(30000)).Scaled(), -6667);
  EXPECT_EQ((C(25000) - C(10000)).Scaled(), 15000);
  EXPECT_EQ(Currency::FromInt64(-7).Scaled(), -70000);
  const Currency max = C(INT64_MAX), min = C(INT64_MIN);
  EXPECT_THROW(max + C(1), EInvalidOp);
  EXPECT_THROW(min - C(1), EInvalidOp);
  EXPECT_THROW(-min, EInvalidOp);
  EXPECT_THROW(max * C(20000), EInvalidOp);
  EXPECT_THROW(Currency::FromInt64(INT64_MAX / 1000), EInvalidOp);
  EXPECT_THROW(C(1) / C(0), EZeroDivide);
  EXPECT_THROW(C(0) / C(0), EInvalidOp);
  EXPECT_EQ((max * C(10000)).Scaled(), INT64_MAX);
  EXPECT_LT(C(-1), C(0));
}

TEST(CurrencyText, ToStringAndFormat) {
  const TFormatSettings dotted = test::DottedSettings();
  EXPECT_EQ(CurrToStr(C(15000)), "1,5");
  EXPECT_EQ(CurrToStr(C(INT64_MIN)), "-922337203685477,5808");
  EXPECT_EQ(CurrToStr(C(INT64_MAX)), "922337203685477,5807");
  EXPECT_EQ(CurrToStr(C(0)), "0");
  EXPECT_EQ(CurrToStr(C(1)), "0,0001");
  EXPECT_EQ(CurrToStrF(C(12345000), ffCurrency, 2), Utf8ToAnsi("1\u00A0234,50грн."));
  EXPECT_EQ(CurrToStrF(C(12345), ffFixed, 2, dotted), "1.23");   // 1.2345: the 4 rounds down
  EXPECT_EQ(CurrToStrF(C(12355), ffFixed, 2, dotted), "1.24");   // exact digits, half up
  EXPECT_EQ(CurrToStrF(C(INT64_MAX), ffNumber, 4, dotted), "922,337,203,685,477.5807");
  EXPECT_EQ(FormatCurr("0.00", C(1250), dotted), "0.13");
  EXPECT_EQ(FormatCurr("#,##0.0000", C(-123456789), dotted), "-12,345.6789");
  EXPECT_EQ(FormatCurr("", C(123456789), dotted), "12345.6789");
}

TEST(CurrencyText, ParsingRoundsTiesToEven) {
  struct Case {
    const char* text;
    Int64 units;
  } cases[] = {{"1,5", 15000},           {"0,00005", 0},      {"0,00015", 2},
               {"0,00025", 2},           {"-0,00025", -2},    {"0,000250001", 3},
               {"1,5E3", 15000000},      {" 7 ", 70000},      {"922337203685477,5807", INT64_MAX},
               {"-922337203685477,5808", INT64_MIN}};
  for (const Case& c : cases) EXPECT_EQ(StrToCurr(c.text).Scaled(), c.units) << c.text;
  Currency value;
  for (const char* bad : {"922337203685477,5808", "1e20", "", "1.5", "x"}) EXPECT_FALSE(TryStrToCurr(bad, value)) << bad;
  EXPECT_THROW(StrToCurr("1e20"), EConvertError);
  EXPECT_EQ(StrToCurrDef("x", C(5)).Scaled(), 5);
  EXPECT_EQ(StrToCurrDef("1.5", C(5), test::DottedSettings()).Scaled(), 15000);

  const TFormatSettings dotted = test::DottedSettings();
  std::mt19937_64 random(3);
  std::vector<std::string> texts, input;
  for (int i = 0; i < 200; ++i) {
    std::string text = std::to_string(random() % 100000000000ULL);
    text.insert(text.size() > 6 ? text.size() - 6 : 0, ".");
    if (random() % 2) text = "-" + text;
    texts.push_back(text);
    input.push_back("strcurr " + text);
  }
  std::vector<std::string> expected = test::RunPythonOracle("rounding.py", input);
  ASSERT_EQ(expected.size(), texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i)
    EXPECT_EQ(std::to_string(StrToCurr(texts[i], dotted).Scaled()), expected[i]) << texts[i];
}

TEST(CurrencyText, RoundTripThroughText) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 1000; ++i) {
    Currency value = C(static_cast<Int64>(random()));
    EXPECT_EQ(StrToCurr(CurrToStr(value)), value);
    EXPECT_EQ(StrToCurr(CurrToStrF(value, ffFixed, 4)), value);
  }
}

}  // namespace
}  // namespace ordvane
