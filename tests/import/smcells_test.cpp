#include <gtest/gtest.h>

#include "import/SMCells.h"

namespace ordvane {
namespace {

// The next column name, counted like an odometer whose digits run A to Z.
std::string NextLetters(std::string letters) {
  for (auto i = letters.size(); i-- > 0;) {
    if (letters[i] != 'Z') {
      ++letters[i];
      return letters;
    }
    letters[i] = 'A';
  }
  return "A" + letters;
}

TEST(ColumnLetters, AgreeWithCountingInBothDirections) {
  std::string letters = "A";
  for (Integer n = 1; n <= 20000; ++n, letters = NextLetters(letters)) {
    ASSERT_EQ(ColumnIndexToLetters(n), letters) << n;
    ASSERT_EQ(ColumnLettersToIndex(letters, 20000), n - 1) << letters;
  }
  EXPECT_EQ(ColumnIndexToLetters(28), "AB");
  EXPECT_EQ(ColumnIndexToLetters(703), "AAA");
  EXPECT_EQ(ColumnIndexToLetters(2147483647), "FXSHRXW");
  EXPECT_EQ(ColumnIndexToLetters(0), "");
  EXPECT_EQ(ColumnIndexToLetters(-5), "");
}

TEST(ColumnLetters, ColumnCountCaseAndForeignCharacters) {
  EXPECT_EQ(ColumnLettersToIndex("B", 1), -1);
  EXPECT_EQ(ColumnLettersToIndex("B", 2), 1);
  EXPECT_EQ(ColumnLettersToIndex("b", 5), 1);
  EXPECT_EQ(ColumnLettersToIndex("zZ", 702), 701);
  EXPECT_EQ(ColumnLettersToIndex("ZZ", 701), -1);
  EXPECT_EQ(ColumnLettersToIndex("A1", 100), -1);
  EXPECT_EQ(ColumnLettersToIndex("A B", 100), -1);
  EXPECT_EQ(ColumnLettersToIndex("[A]", 100), -1);
  EXPECT_EQ(ColumnLettersToIndex("\xC0", 100), -1);  // a Cyrillic capital in the ANSI code page
  EXPECT_EQ(ColumnLettersToIndex("", 1), 0);
  EXPECT_EQ(ColumnLettersToIndex("", 0), -1);
  EXPECT_EQ(ColumnLettersToIndex("A", 0), -1);
  EXPECT_EQ(ColumnLettersToIndex("A", -3), -1);
  // Far more letters than any column count: no overflow.
  EXPECT_EQ(ColumnLettersToIndex(std::string(40, 'Z'), 2147483647), -1);
  EXPECT_EQ(ColumnLettersToIndex("FXSHRXW", 2147483647), 2147483646);
  EXPECT_EQ(ColumnLettersToIndex("FXSHRXX", 2147483647), -1);
}

}  // namespace
}  // namespace ordvane
