#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "classlib/core/Math.h"
#include "classlib/core/SysUtils.h"
#include "tests/classlib/PythonOracle.h"

namespace ordvane {
namespace {

TEST(Math, RoundTiesToEvenAndTrunc) {
  struct Case {
    Extended value;
    Int64 rounded, truncated;
  } cases[] = {{0.5, 0, 0},   {1.5, 2, 1},   {2.5, 2, 2},   {-2.5, -2, -2}, {-3.5, -4, -3},
               {2.6, 3, 2},   {-2.6, -3, -2}, {-0.0, 0, 0},
               {-9223372036854775808.0L, INT64_MIN, INT64_MIN},
               {9223372036854775807.0L, INT64_MAX, INT64_MAX}};
  for (const Case& c : cases) {
    EXPECT_EQ(Round(c.value), c.rounded) << static_cast<double>(c.value);
    EXPECT_EQ(Trunc(c.value), c.truncated) << static_cast<double>(c.value);
  }
  for (Extended bad : {Extended(NAN), Extended(INFINITY), -Extended(INFINITY), 9223372036854775808.0L,
                       -9223372036854777856.0L}) {
    EXPECT_THROW(Round(bad), EInvalidOp);
    EXPECT_THROW(Trunc(bad), EInvalidOp);
  }
  EXPECT_EQ(Int(-1.75), -1.0L);
  EXPECT_EQ(Frac(-1.75), -0.75L);
  EXPECT_EQ(Int(1e300), Extended(1e300));  // no integer range limit
}

TEST(Math, Power) {
  EXPECT_EQ(Power(2, 10), 1024.0L);
  EXPECT_EQ(Power(-2, 3), -8.0L);
  EXPECT_EQ(Power(2, -2), 0.25L);
  EXPECT_EQ(Power(0, 5), 0.0L);
  EXPECT_EQ(Power(0, 0), 1.0L);
  EXPECT_EQ(Power(-5, 0), 1.0L);
  EXPECT_NEAR(static_cast<double>(Power(2, 0.5)), std::sqrt(2.0), 1e-15);
  EXPECT_THROW(Power(-8, 1.0 / 3), EInvalidOp);
  EXPECT_THROW(Power(0, -1), EZeroDivide);
  EXPECT_THROW(Power(10, 5000), EOverflow);
  EXPECT_THROW(Power(10, 5000.5), EOverflow);
  EXPECT_EQ(IntPower(10, -3), 1.0L / 1000);
  EXPECT_EQ(IntPower(-1, INT32_MIN), 1.0L);
}

TEST(Math, RoundToAndSimpleRoundTo) {
  EXPECT_EQ(RoundTo(1234567, 3), 1235000);
  EXPECT_EQ(RoundTo(1.234, -2), 1.23);
  EXPECT_EQ(RoundTo(1.235, -2), 1.24);
  EXPECT_EQ(RoundTo(2.5, 0), 2);  // ties to even
  EXPECT_EQ(RoundTo(3.5, 0), 4);
  EXPECT_EQ(RoundTo(1e300, -2), 1e300);  // nothing left to round, no integer overflow
  EXPECT_THROW(RoundTo(1, 38), ERangeError);
  EXPECT_EQ(SimpleRoundTo(1.235), 1.24);
  EXPECT_EQ(SimpleRoundTo(-1.235), -1.24);
  EXPECT_EQ(SimpleRoundTo(2.5, 0), 3);
  EXPECT_EQ(SimpleRoundTo(-1.6, 0), -2);  // halves and more go away from zero on both sides
  EXPECT_EQ(SimpleRoundTo(-1.4, 0), -1);
  EXPECT_EQ(SimpleRoundTo(1234567, 3), 1235000);
  EXPECT_EQ(SimpleRoundTo(1e300, -2), 1e300);
}

// RoundTo computes in extended precision; exact fractions reproduce every step.
TEST(Math, RoundToAgreesWithExtendedArithmetic) {
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> value(-1000, 1000);
  std::vector<std::string> input;
  std::vector<std::pair<double, int>> queries;
  for (int i = 0; i < 300; ++i) {
    double v = std::round(value(random) * 1000) / 1000;  // three decimals reach the ties
    int digit = -3 + static_cast<int>(random() % 6);
    queries.push_back({v, digit});
    char line[80];
    std::snprintf(line, sizeof line, "roundto %a %d", v, digit);
    input.push_back(line);
  }
  std::vector<std::string> expected = test::RunPythonOracle("rounding.py", input);
  ASSERT_EQ(expected.size(), queries.size());
  for (std::size_t i = 0; i < queries.size(); ++i)
    EXPECT_EQ(RoundTo(queries[i].first, queries[i].second), std::strtod(expected[i].c_str(), nullptr))
        << input[i];
}

TEST(Math, SignMinMaxMulDiv) {
  EXPECT_EQ(Sign(-5), -1);
  EXPECT_EQ(Sign(Int64(0)), 0);
  EXPECT_EQ(Sign(Extended(0.1)), 1);
  EXPECT_EQ(Min(3, 4), 3);
  EXPECT_EQ(Max(3.5, -1.0), 3.5);
  EXPECT_EQ(MulDiv(5, 3, 2), 8);    // 7.5
  EXPECT_EQ(MulDiv(-5, 3, 2), -8);  // halves away from zero
  EXPECT_EQ(MulDiv(5, 3, -2), -8);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
  EXPECT_EQ(MulDiv(INT32_MIN, INT32_MIN, INT32_MIN), INT32_MIN);
  EXPECT_EQ(MulDiv(INT32_MIN, -1, 1), -1);
}

TEST(Math, RandomIsTheClassLibrarysSequence) {
  SetRandSeed(0);
  const Integer expected[] = {0, 3, 86, 20, 27, 67, 31, 16, 37, 42};
  for (Integer e : expected) EXPECT_EQ(Random(100), e);
  SetRandSeed(12345);
  Extended first = Random();
  SetRandSeed(12345);
  EXPECT_EQ(Random(), first);
  EXPECT_GE(first, 0.0L);
  EXPECT_LT(first, 1.0L);
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-5), 0);
  Randomize();
  Cardinal seed = RandSeed();
  Integer r = Random(INT32_MAX);
  EXPECT_GE(r, 0);
  SetRandSeed(seed);
  EXPECT_EQ(Random(INT32_MAX), r);
}

}  // namespace
}  // namespace ordvane
