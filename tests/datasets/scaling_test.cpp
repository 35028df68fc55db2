// A double written into a scaled integer column: its shortest decimal, shifted by the
// scale and rounded half away from zero, against Python's Decimal of repr(x) quantized
// with ROUND_HALF_UP, at every scale from 0 to -8, with the 16- and 32-bit limits.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "datasets/FIBRecordValues.h"
#include "tests/classlib/PythonOracle.h"

namespace ordvane::test {
namespace {

// The 32-bit limit at even scales, the 16-bit one at odd scales.
Int64 LimitAt(int scale) { return scale % 2 == 0 ? 2147483647 : 32767; }

TEST(ScaleToInteger, AgreesWithPythonsDecimalAtEveryScale) {
  std::mt19937_64 random(20261207);
  std::vector<double> values = {0.29, 0.145, -0.145, 1.005, 2.675, 21474836.47, 21474836.48, -21474836.48, 3276.7,
                                3276.75, 0.5, -0.5, 1e-9, 5e-9, 123456789.0, 1e300, -0.0};
  for (int i = 0; i < 600; ++i) {
    // Decimals of a few places, halves among them, and arbitrary doubles.
    const int places = static_cast<int>(random() % 10);
    const auto digits = static_cast<Int64>(random() % 4000000000) - 2000000000;
    double divisor = 1;
    for (int p = 0; p < places; ++p) divisor *= 10;
    values.push_back(static_cast<double>(digits) / divisor);
    values.push_back((static_cast<double>(digits) + 0.5) / divisor);
  }
  std::vector<std::string> input;
  std::vector<std::pair<double, int>> asked;
  for (double value : values)
    for (int scale = 0; scale >= -8; --scale) {
      const Int64 limit = LimitAt(scale);
      char line[80];
      std::snprintf(line, sizeof line, "%.17g %d %lld", value, scale, static_cast<long long>(limit));
      input.emplace_back(line);
      asked.emplace_back(value, scale);
    }
  const std::vector<std::string> expected = RunPythonOracle("scaled_decimal.py", input);
  ASSERT_EQ(expected.size(), input.size());
  for (std::size_t i = 0; i < input.size(); ++i) {
    const auto [value, scale] = asked[i];
    const Int64 limit = LimitAt(scale);
    Int64 scaled = 0;
    const bool fits = ScaleToInteger(value, scale, limit, scaled);
    ASSERT_EQ(fits ? std::to_string(scaled) : "range", expected[i]) << input[i];
  }
}

}  // namespace
}  // namespace ordvane::test
