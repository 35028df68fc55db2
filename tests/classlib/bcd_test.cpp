#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "classlib/core/FMTBcd.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/GUID.h"
#include "tests/classlib/DottedSettings.h"
#include "tests/classlib/PythonOracle.h"

namespace ordvane {
namespace {


std::string Nibbles(const TBcd& bcd) {
  std::string digits;
  for (int i = 0; i < bcd.Precision; ++i)
    digits += static_cast<char>('0' + (i % 2 == 0 ? bcd.Fraction[i / 2] >> 4 : bcd.Fraction[i / 2] & 15));
  return digits;
}

TEST(Bcd, RecordLayout) {
  TBcd bcd = StrToBcd("-123,45");
  EXPECT_EQ(bcd.Precision, 5);
  EXPECT_EQ(bcd.SignSpecialPlaces, 0x80 | 2);
  EXPECT_EQ(bcd.Fraction[0], 0x12);
  EXPECT_EQ(bcd.Fraction[1], 0x34);
  EXPECT_EQ(bcd.Fraction[2], 0x50);
  EXPECT_EQ(Nibbles(StrToBcd("0,05")), "005");
  EXPECT_EQ(Nibbles(StrToBcd("0")), "0");
  EXPECT_EQ(Nibbles(StrToBcd("-0")), "0");
  EXPECT_EQ(StrToBcd("-0").SignSpecialPlaces, 0);
  EXPECT_EQ(Nibbles(StrToBcd("1,5E3")), "1500");

  TBcd scaled = ScaledInt64ToBcd(12345, 2);
  EXPECT_EQ(scaled.Precision, 32);
  EXPECT_EQ(scaled.Places(), 2);
  EXPECT_EQ(Nibbles(scaled), std::string(27, '0') + "12345");
}

TEST(Bcd, TextConversions) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"123,45", "123,45"}, {"1,50", "1,5"},   {"-0,001", "-0,001"}, {"007", "7"},
               {"100", "100"},       {"-0", "0"},       {",5", "0,5"},        {"1e-3", "0,001"},
               {"12345678901234567890123456789012,123456789", "12345678901234567890123456789012,123456789"}};
  for (const Case& c : cases) EXPECT_EQ(BcdToStr(StrToBcd(c.in)), c.out) << c.in;
  EXPECT_EQ(BcdToStr(ScaledInt64ToBcd(-5, 3), test::DottedSettings()), "-0.005");
  EXPECT_EQ(BcdToStr(TBcd()), "0");
  try {
    StrToBcd("12a");
    FAIL();
  } catch (const EBcdException& e) {
    EXPECT_EQ(e.Message(), "12a is not a valid BCD value");
  }
  EXPECT_THROW(StrToBcd(std::string(65, '9')), EBcdOverflowException);
  TBcd bcd;
  EXPECT_TRUE(TryStrToBcd(std::string(64, '9'), bcd));
  EXPECT_FALSE(TryStrToBcd("0," + std::string(64, '1'), bcd));  // 65 digits with the integer zero
  EXPECT_FALSE(TryStrToBcd("1.5", bcd));

  TBcd broken;
  broken.Precision = 2;
  broken.Fraction[0] = 0x1A;  // a nibble above 9
  EXPECT_THROW(BcdToStr(broken), EBcdException);
  broken.Precision = 65;
  EXPECT_THROW(BcdToDouble(broken), EBcdException);
  broken = TBcd();
  broken.Precision = 1;
  broken.SignSpecialPlaces = 2;  // more places than digits
  EXPECT_THROW(BcdToInt64(broken), EBcdException);
}

// BCD text, double, rounding and currency against Python's decimal module.
TEST(Bcd, AgreesWithDecimalOracle) {
  std::mt19937_64 random(41);
  std::vector<std::string> texts = {"0.005", "0.015", "-0.005", "2.675", "0.00005", "0.00015",
                                    "922337203685477.58075", "922337203685477.58085",
                                    "-922337203685477.5808", "0.1", "99999999999999999999.995"};
  for (int i = 0; i < 300; ++i) {
    std::string digits = std::to_string(random() % 1000000000000ULL) + std::to_string(random() % 1000);
    std::size_t point = random() % (digits.size() + 1);
    std::string text = digits.substr(0, point) + "." + digits.substr(point);
    if (text.front() == '.') text.insert(0, "0");
    if (random() % 2) text.insert(0, "-");
    texts.push_back(text);
  }
  std::vector<std::string> expected = test::RunPythonOracle("bcd.py", texts);
  ASSERT_EQ(expected.size(), texts.size());
  const TFormatSettings s = test::DottedSettings();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const TBcd bcd = StrToBcd(texts[i], s);
    const std::string& line = expected[i];
    const std::size_t bar1 = line.find('|'), bar2 = line.rfind('|');
    EXPECT_EQ(BcdToDouble(bcd), std::strtod(line.substr(0, bar1).c_str(), nullptr)) << texts[i];
    EXPECT_EQ(FormatBcd("0.00", bcd, s), line.substr(bar1 + 1, bar2 - bar1 - 1)) << texts[i];
    Currency c;
    const std::string units = line.substr(bar2 + 1);
    ASSERT_EQ(BcdToCurr(bcd, c), units != "X") << texts[i];
    if (units != "X") {
      EXPECT_EQ(std::to_string(c.Scaled()), units) << texts[i];
    }
    // Text round trip, exact.
    TBcd back = StrToBcd(BcdToStr(bcd, s), s);
    EXPECT_EQ(BcdCompare(back, bcd), 0) << texts[i];
  }
}

TEST(Bcd, DoubleCurrencyAndIntegers) {
  EXPECT_EQ(BcdToStr(DoubleToBcd(0.1)), "0,1");
  EXPECT_EQ(BcdToStr(DoubleToBcd(-1.0 / 3)), "-0,333333333333333");
  EXPECT_EQ(BcdToStr(DoubleToBcd(1e20)), "100000000000000000000");
  EXPECT_EQ(BcdToStr(DoubleToBcd(1.5e-10)), "0,00000000015");
  EXPECT_THROW(DoubleToBcd(1e100), EBcdOverflowException);
  EXPECT_THROW(DoubleToBcd(NAN), EBcdException);
  EXPECT_EQ(BcdToDouble(StrToBcd("-2,5")), -2.5);

  TBcd bcd;
  ASSERT_TRUE(CurrToBcd(Currency::FromScaled(12345), bcd));
  EXPECT_EQ(bcd.Precision, 32);
  EXPECT_EQ(bcd.Places(), 4);
  EXPECT_EQ(BcdToStr(bcd), "1,2345");
  ASSERT_TRUE(CurrToBcd(Currency::FromScaled(-12355), bcd, 10, 2));
  EXPECT_EQ(BcdToStr(bcd), "-1,24");  // half up to the places asked for
  EXPECT_FALSE(CurrToBcd(Currency::FromScaled(INT64_MAX), bcd, 10, 4));
  Currency c;
  EXPECT_FALSE(BcdToCurr(StrToBcd("1e15"), c));

  EXPECT_EQ(BcdToInt64(StrToBcd("-123,99")), -123);
  EXPECT_EQ(BcdToInt64(StrToBcd("-9223372036854775808")), INT64_MIN);
  EXPECT_THROW(BcdToInt64(StrToBcd("9223372036854775808")), EBcdOverflowException);
  Int64 value = 0;
  int scale = 0;
  ASSERT_TRUE(TryBcdToScaledInt64(StrToBcd("-123,45"), value, scale));
  EXPECT_EQ(value, -12345);
  EXPECT_EQ(scale, 2);
  ASSERT_TRUE(TryBcdToScaledInt64(TBcd(), value, scale));
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(TryBcdToScaledInt64(StrToBcd("99999999999999999999"), value, scale));
  for (Int64 v : {Int64(0), Int64(1), INT64_MAX, INT64_MIN, Int64(-100)}) {
    ASSERT_TRUE(TryBcdToScaledInt64(ScaledInt64ToBcd(v, 4), value, scale));
    EXPECT_EQ(value, v);
    EXPECT_EQ(scale, 4);
  }
  EXPECT_THROW(ScaledInt64ToBcd(123456, 0, 3), EBcdOverflowException);
}

TEST(Bcd, CompareAndFormat) {
  EXPECT_EQ(BcdCompare(StrToBcd("1,50"), StrToBcd("1,5")), 0);
  EXPECT_EQ(BcdCompare(StrToBcd("-0"), StrToBcd("0,000")), 0);
  EXPECT_EQ(BcdCompare(StrToBcd("2"), StrToBcd("10")), -1);
  EXPECT_EQ(BcdCompare(StrToBcd("-2"), StrToBcd("-10")), 1);
  EXPECT_EQ(BcdCompare(StrToBcd("0,1"), StrToBcd("0,09")), 1);
  EXPECT_EQ(BcdCompare(StrToBcd("-0,1"), StrToBcd("0")), -1);
  EXPECT_EQ(FormatBcd("#,##0.00", StrToBcd("1234567,125"), test::DottedSettings()), "1,234,567.13");
  // All the digits count, where a double would keep only 15 or so.
  EXPECT_EQ(FormatBcd("0.00", StrToBcd("12345678901234567,125"), test::DottedSettings()), "12345678901234567.13");
  EXPECT_EQ(FormatBcd("0.0;(0.0)", StrToBcd("-2,25"), test::DottedSettings()), "(2.3)");
}

TEST(GUID, TextAndCreation) {
  TGUID guid = StringToGUID("{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  EXPECT_EQ(guid.D1, 0x6F9619FFu);
  EXPECT_EQ(guid.D2, 0x8B86);
  EXPECT_EQ(guid.D3, 0xD011);
  EXPECT_EQ(guid.D4[0], 0xB4);
  EXPECT_EQ(guid.D4[7], 0xFF);
  EXPECT_EQ(GUIDToString(guid), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  EXPECT_EQ(StringToGUID("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"), guid);
  EXPECT_TRUE(IsEqualGUID(guid, guid));
  EXPECT_FALSE(IsEqualGUID(guid, TGUID()));
  EXPECT_EQ(GUIDToString(TGUID()), "{00000000-0000-0000-0000-000000000000}");
  for (const char* bad : {"", "6F9619FF-8B86-D011-B42D-00C04FC964FF", "{6F9619FF-8B86-D011-B42D-00C04FC964FG}",
                          "{6F9619FF-8B86-D011-B42D-00C04FC964FF} ", "{6F9619FF08B86-D011-B42D-00C04FC964FF}",
                          "{6F9619FF-8B86-D011-B42D-00C04FC964F-}", "{+F9619FF-8B86-D011-B42D-00C04FC964FF}"})
    EXPECT_THROW(StringToGUID(bad), EConvertError) << bad;
  try {
    StringToGUID("x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'x' is not a valid GUID value");
  }

  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    TGUID created = CreateGUID();
    std::string text = GUIDToString(created);
    EXPECT_EQ(text.size(), 38u);
    EXPECT_EQ(text[15], '4');                              // version 4
    EXPECT_NE(std::string("89AB").find(text[20]), std::string::npos);  // variant 10xx
    EXPECT_EQ(StringToGUID(text), created);
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 100u);
}

}  // namespace
}  // namespace ordvane
