// A decimal written into a 64-bit scaled column: places beyond the column's are rounded
// half away from zero, missing places are zeros, and a value whose scaled digits pass
// 64 bits is refused, never wrapped.

#include <gtest/gtest.h>

#include "datasets/FIBRecordValues.h"

namespace ordvane::test {
namespace {

Int64 Scaled(const char* text, int places) {
  Int64 result = -1;
  EXPECT_TRUE(BcdToScaledInteger(StrToBcd(text), places, result)) << text;
  return result;
}

bool Fits(const char* text, int places) {
  Int64 result = 0;
  return BcdToScaledInteger(StrToBcd(text), places, result);
}

TEST(RecordValuesTest, DecimalsRoundHalfAwayFromZeroToTheColumnsPlaces) {
  EXPECT_EQ(Scaled("1,235", 2), 124);
  EXPECT_EQ(Scaled("-1,235", 2), -124);
  EXPECT_EQ(Scaled("1,2349999", 2), 123);
  EXPECT_EQ(Scaled("0,005", 2), 1);
  EXPECT_EQ(Scaled("-0,0049", 2), 0);
  EXPECT_EQ(Scaled("12", 4), 120000);
  EXPECT_EQ(Scaled("0", 8), 0);
  // More digits than 64 bits hold, which rounding brings within them.
  EXPECT_EQ(Scaled("1,00000000000000000000000049", 2), 100);
}

TEST(RecordValuesTest, ScaledDigitsPast64BitsAreRefused) {
  EXPECT_EQ(Scaled("92233720368,54775807", 8), 9223372036854775807);
  EXPECT_EQ(Scaled("-92233720368,54775807", 8), -9223372036854775807);
  EXPECT_FALSE(Fits("92233720368,54775808", 8));
  EXPECT_FALSE(Fits("92233720368,547758075", 8));  // rounds up past the limit
  EXPECT_FALSE(Fits("92233720369", 8));            // zeros appended past the limit
  EXPECT_FALSE(Fits("1000000000000000000000", 0));
}

}  // namespace
}  // namespace ordvane::test
