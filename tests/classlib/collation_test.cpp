#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::AnsiCodePageScope;

using test::Ansi;

// True when every adjacent pair of the list is in strictly ascending order.
::testing::AssertionResult Ascending(const std::vector<AnsiString>& list,
                                     int (*compare)(const AnsiString&, const AnsiString&)) {
  for (std::size_t i = 1; i < list.size(); ++i)
    if (compare(list[i - 1], list[i]) >= 0 || compare(list[i], list[i - 1]) <= 0)
      return ::testing::AssertionFailure() << AnsiToUtf8(list[i - 1]) << " !< " << AnsiToUtf8(list[i]);
  return ::testing::AssertionSuccess();
}

TEST(Collation, AlphabetsSortInTheirOwnOrder) {
  // Ukrainian and Russian letters merge into one alphabet; ё is е with an accent.
  EXPECT_TRUE(Ascending(
      Ansi({"а", "б", "в", "г", "ґ", "д", "е", "ё", "є", "ж", "з", "и", "і", "ї", "й", "к", "л", "м", "н",
            "о", "п", "р", "с", "т", "у", "ў", "ф", "х", "ц", "ч", "ш", "щ", "ъ", "ы", "ь", "э", "ю", "я"}),
      AnsiCompareStr));
  // Symbols, then digits, then Latin, then Cyrillic.
  EXPECT_TRUE(Ascending(Ansi({" ", "!", "№", "0", "9", "a", "z", "а"}), AnsiCompareStr));
  // The accent of ё counts only when the letters are otherwise equal.
  EXPECT_TRUE(Ascending(Ansi({"еж", "ёж", "ежа", "єж"}), AnsiCompareStr));
  EXPECT_TRUE(Ascending(Ansi({"ёа", "еб"}), AnsiCompareStr));
}

TEST(Collation, CaseWeighsLessThanLettersAndLowerComesFirst) {
  EXPECT_TRUE(Ascending(Ansi({"а", "А", "аа", "аА", "Аа", "АА", "б"}), AnsiCompareStr));
  EXPECT_TRUE(Ascending({"a", "A", "b", "B"}, AnsiCompareStr));
  const AnsiString lower = Utf8ToAnsi("ґанок їжак єнот ілля ўсё");
  const AnsiString upper = Utf8ToAnsi("ҐАНОК ЇЖАК ЄНОТ ІЛЛЯ ЎСЁ");
  EXPECT_EQ(AnsiCompareText(lower, upper), 0);
  EXPECT_TRUE(AnsiSameText(lower, upper));
  EXPECT_LT(AnsiCompareStr(lower, upper), 0);
  EXPECT_FALSE(AnsiSameText(Utf8ToAnsi("ёж"), Utf8ToAnsi("ЕЖ")));
  EXPECT_FALSE(AnsiSameText("abc", "abcd"));
}

TEST(Collation, HyphenAndApostropheWeighLessThanLetters) {
  EXPECT_TRUE(Ascending({"coop", "co-op", "cop"}, AnsiCompareStr));
  EXPECT_TRUE(Ascending({"coop", "co-op", "cop"}, AnsiCompareText));
  // The typographic apostrophe of Ukrainian names counts as an apostrophe; without the
  // hyphen "Іванов-Петренко" reads "Івановпетренко".
  EXPECT_TRUE(Ascending(Ansi({"Марина", "Марія", "Мар'яна", "Мар’яна"}), AnsiCompareText));
  EXPECT_TRUE(Ascending(Ansi({"Марьяна", "Мар’яна"}), AnsiCompareText));
  EXPECT_TRUE(Ascending(Ansi({"Іванов", "Іванова", "Іванов-Петренко"}), AnsiCompareText));
  // Other punctuation is an ordinary symbol: it sorts before letters.
  EXPECT_TRUE(Ascending({"a b", "a.b", "ab"}, AnsiCompareStr));
}

// Random texts over letters that differ at every level, for consistency checks.
std::vector<AnsiString> RandomTexts(std::size_t count) {
  const std::vector<AnsiString> pieces =
      Ansi({"а", "А", "е", "ё", "Ё", "Е", "є", "-", "'", "’", "a", "B", "1", " ", "ї", "Ї"});
  std::mt19937 random(20240611);
  std::vector<AnsiString> out{""};
  while (out.size() < count) {
    AnsiString s;
    for (std::size_t n = random() % 5; n > 0; --n) s += pieces[random() % pieces.size()];
    out.push_back(s);
  }
  return out;
}

TEST(Collation, ComparisonIsATotalOrder) {
  const std::vector<AnsiString> texts = RandomTexts(70);
  for (auto compare : {AnsiCompareStr, AnsiCompareText}) {
    for (const auto& a : texts) {
      for (const auto& b : texts) {
        const int ab = compare(a, b);
        ASSERT_EQ(ab, -compare(b, a)) << AnsiToUtf8(a) << " / " << AnsiToUtf8(b);
        const bool same = compare == AnsiCompareStr ? a == b : AnsiUpperCase(a) == AnsiUpperCase(b);
        ASSERT_EQ(ab == 0, same) << AnsiToUtf8(a) << " / " << AnsiToUtf8(b);
        for (const auto& c : texts) {
          if (ab <= 0 && compare(b, c) <= 0) {
            ASSERT_LE(compare(a, c), 0) << AnsiToUtf8(a) << " / " << AnsiToUtf8(b) << " / " << AnsiToUtf8(c);
          }
        }
      }
    }
  }
}

TEST(Collation, OrderDoesNotDependOnTheCodePage) {
  const std::vector<AnsiString> texts = RandomTexts(120);
  std::vector<std::vector<int>> in1251;
  for (const auto& a : texts) {
    in1251.emplace_back();
    for (const auto& b : texts) in1251.back().push_back(AnsiCompareStr(a, b) * 2 + AnsiCompareText(a, b));
  }
  std::vector<AnsiString> utf8Texts;
  for (const auto& t : texts) utf8Texts.push_back(AnsiToUtf8(t));
  std::vector<WideString> wideTexts;
  for (const auto& t : texts) wideTexts.push_back(AnsiToWide(t));
  AnsiCodePageScope utf8(CP_UTF8);
  for (std::size_t i = 0; i < texts.size(); ++i)
    for (std::size_t j = 0; j < texts.size(); ++j) {
      ASSERT_EQ(AnsiCompareStr(utf8Texts[i], utf8Texts[j]) * 2 + AnsiCompareText(utf8Texts[i], utf8Texts[j]),
                in1251[i][j]);
      ASSERT_EQ(WideCompareStr(wideTexts[i], wideTexts[j]) * 2 + WideCompareText(wideTexts[i], wideTexts[j]),
                in1251[i][j]);
    }
  // Bytes that are not UTF-8 still give a total order that tells texts apart.
  EXPECT_NE(AnsiCompareStr("a\xFF", "a\xFE"), 0);
  EXPECT_EQ(AnsiCompareStr("a\xFF", "a\xFE"), -AnsiCompareStr("a\xFE", "a\xFF"));
}

}  // namespace
}  // namespace ordvane
