// String and identifier routines: identifier quoting, bounds of the copy and search
// routines, and LIKE matching on texts that would make a naive matcher explode.

#include <gtest/gtest.h>

#include <chrono>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/FormatSettings.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {
namespace {

TEST(NeedQuoteIdentifier, Table) {
  struct Case {
    const char* name;
    bool quote;
    bool quoteCI;
  } cases[] = {
      {"", false, false},
      {"\"already quoted\"", false, false},
      {"NAME", false, false},
      {"SELECT", true, true},
      {"ROWS", true, true},
      {"DATE", true, true},
      {"name", true, false},
      {"select", true, true},
      {"Select", true, true},
      {"1ST", true, true},
      {"_X", true, true},
      {"X_1", false, false},
      {"A$", false, false},
      {"A#%", false, false},
      {"A1", false, false},
      {"A_", false, false},
      {"X", false, false},
      {"FIRST NAME", true, true},
      {"ПРІЗВИЩЕ", true, true},
      {"A-B", true, true},
      // Words at the edges of the list and of their two-letter ranges.
      {"ACTIVE", true, true},
      {"YEARDAY", true, true},
      {"YEARDAYS", false, false},
      {"CHAR_LENGTH", true, true},
      {"CHARACTER_LENGTH", true, true},
      {"CHARACTER_LENGTHS", false, false},
      {"BASE_NAME", true, true},
      {"BASENAME", true, true},
      {"GEN_ID", true, true},
      {"INT64", true, true},
      {"LC_MESSAGES", true, true},
      {"WORK", true, true},
      {"WRITE", true, true},
      {"WRITER", false, false},
      {"ZZ", false, false},
      {"AA", false, false},
      {"AB", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NeedQuoteIdentifier(c.name), c.quote) << c.name;
    EXPECT_EQ(NeedQuoteIdentifierCI(c.name), c.quoteCI) << c.name;
  }
  EXPECT_TRUE(NeedQuoteIdentifierCI("year_day") == false);
  EXPECT_TRUE(NeedQuoteIdentifierCI("yearday"));
}

TEST(StringTests, NumericBlankAndParameterNames) {
  struct Numeric {
    const char* s;
    bool numeric;
  } numbers[] = {{"", false}, {"+", false}, {"-+", false}, {"-12.5", true}, {"1.2.3", true},
                 {"1e5", false}, {"+-7", true}, {" 1", false}, {".", true}};
  for (const Numeric& n : numbers) EXPECT_EQ(IsNumericString(n.s), n.numeric) << n.s;

  EXPECT_TRUE(IsBlankString(""));
  EXPECT_TRUE(IsBlankString(" \t\r\n\x01"));
  EXPECT_FALSE(IsBlankString("  x "));
  EXPECT_TRUE(IsEmptyOrBlank("  "));
  EXPECT_FALSE(IsEmptyOrBlank("x  "));

  EXPECT_TRUE(IsOldParamName("old_id"));
  EXPECT_FALSE(IsOldParamName("OLD_"));
  EXPECT_TRUE(IsNewParamName("New_Name"));
  EXPECT_TRUE(IsMasterParamName("MAS_ID"));
  EXPECT_FALSE(IsMasterParamName("MASTER"));

  EXPECT_TRUE(AnsiStartsWithExact("abc", ""));
  EXPECT_TRUE(AnsiStartsWithExact("abc", "ab"));
  EXPECT_FALSE(AnsiStartsWithExact("abc", "AB"));
  EXPECT_FALSE(AnsiStartsWithExact("ab", "abc"));
  EXPECT_TRUE(WideStartsWith(u"Київ", u"Ки"));
  EXPECT_FALSE(WideStartsWith(u"Київ", u"ки"));

  EXPECT_TRUE(SameStrings("Abc", "aBC", false));
  EXPECT_FALSE(SameStrings("Abc", "aBC", true));
  EXPECT_FALSE(SameStrings("abc", "abd", false));
  EXPECT_FALSE(SameStrings("abc", "ab", false));
}

TEST(StringCopies, OutOfRangePositionsGiveEmptyResults) {
  EXPECT_EQ(CopyCount("abcdef", 2, 3), "bcd");
  EXPECT_EQ(CopyCount("abcdef", 5, 10), "ef");
  EXPECT_EQ(CopyCount("abcdef", 0, 2), "");
  EXPECT_EQ(CopyCount("abcdef", 7, 1), "");
  EXPECT_EQ(CopyCount("abcdef", 2, -1), "");
  EXPECT_EQ(CopyFromTo("abcdef", 2, 4), "bcd");
  EXPECT_EQ(CopyFromTo("abcdef", 4, 99), "def");
  EXPECT_EQ(CopyFromTo("abcdef", 4, 3), "");
  EXPECT_EQ(CopyFromTo("abcdef", -5, 2), "");
  EXPECT_EQ(CopyFromTo("", 1, 1), "");

  EXPECT_EQ(FastTrim(" \t x y \r\n"), "x y");
  EXPECT_EQ(FastTrim("   "), "");
  AnsiString s = " \t ";
  TrimInPlace(s);
  EXPECT_EQ(s, "");
  s = "  a b  ";
  TrimRightInPlace(s);
  EXPECT_EQ(s, "  a b");
  int first, last;
  TrimBounds("  ab ", first, last);
  EXPECT_EQ(first, 3);
  EXPECT_EQ(last, 4);
  TrimBounds("   ", first, last);
  EXPECT_EQ(first, 4);
  EXPECT_EQ(last, 0);

  EXPECT_EQ(FastUpperCase("abc-Їz"), "ABC-ЇZ");
  s = "MiXeD Ї";
  LowerCaseInPlace(s);
  EXPECT_EQ(s, "mixed Ї");
  s = "abcdef";
  UpperCaseRange(s, 2, 3);
  EXPECT_EQ(s, "aBCdef");
  UpperCaseRange(s, 5, 0);
  EXPECT_EQ(s, "aBCdEF");
  EXPECT_EQ(StringOfCharCount('x', 3), "xxx");
  EXPECT_EQ(StringOfCharCount('x', 0), "");
  EXPECT_EQ(IfThenString(true, "a", "b"), "a");

  EXPECT_EQ(StripEnclosingQuotes("  'abc'\t"), "abc");
  EXPECT_EQ(StripEnclosingQuotes("\"a\"b\""), "a\"b");
  EXPECT_EQ(StripEnclosingQuotes("'abc\""), "'abc\"");
  EXPECT_EQ(StripEnclosingQuotes("'"), "'");
  EXPECT_EQ(StripEnclosingQuotes("''"), "");
  EXPECT_EQ(PCharLength("abc\0def"), 3u);
  EXPECT_EQ(PCharLength(nullptr), 0u);
}

TEST(StringSearches, PositionsWordsAndReplaces) {
  EXPECT_EQ(PosChar('c', "abcabc"), 3);
  EXPECT_EQ(PosCharFrom('c', "abcabc", 4), 6);
  EXPECT_EQ(PosCharFrom('c', "abcabc", 7), 0);
  EXPECT_EQ(PosCharFrom('c', "abcabc", 0), 0);
  EXPECT_EQ(PosEx("bc", "abcabc", 3), 5);
  EXPECT_EQ(PosEx("bc", "abcabc", 3, 5), 0);
  EXPECT_EQ(PosEx("bc", "abcabc", 1, 3), 2);
  EXPECT_EQ(PosEx("", "abc", 1), 0);
  EXPECT_EQ(PosEx("abcd", "abc", 1), 0);

  TCharSet around(" (,");
  EXPECT_EQ(PosWord("id", "xid, id", around, around), 6);
  EXPECT_EQ(PosWord("ID", "id", around, around), 1);
  EXPECT_EQ(PosWord("id", "ids,(id", around, around), 6);
  EXPECT_EQ(PosWord("id", "idx", around, around), 0);

  EXPECT_EQ(ReplaceString("aaa", "aa", "X"), "Xa");
  EXPECT_EQ(ReplaceString("abc", "", "X"), "abc");
  EXPECT_EQ(ReplaceString("a.b.c", ".", ".."), "a..b..c");
  EXPECT_EQ(ReplaceAllCI("Select sElEcT x", "SELECT", "s"), "s s x");
  EXPECT_EQ(ReplaceAllCI("Київ київ", "київ", "-"), "Київ -");
  EXPECT_EQ(ReplaceInRange("a-a-a-a", "-", "+", 3, 5), "a-a+a-a");
  EXPECT_EQ(ReplaceInRange("a-a", "-", "+", 5, 9), "a-a");

  TCharSet delimiters(" ,;");
  EXPECT_EQ(WordCountBySet("  one, two;;three ", delimiters), 3);
  EXPECT_EQ(WordCountBySet("", delimiters), 0);
  EXPECT_EQ(ExtractWordN(2, "  one, two;;three ", delimiters), "two");
  EXPECT_EQ(ExtractWordN(3, "  one, two;;three ", delimiters), "three");
  EXPECT_EQ(ExtractWordN(4, "  one, two;;three ", delimiters), "");
  EXPECT_EQ(ExtractWordN(0, "one", delimiters), "");

  AnsiString name, value;
  SplitNameValue("a=b=c", name, value);
  EXPECT_EQ(name, "a");
  EXPECT_EQ(value, "b=c");
  SplitNameValue("line without", name, value);
  EXPECT_EQ(name, "line without");
  EXPECT_EQ(value, "");
  EXPECT_EQ(ValueFromNameValue("x=1"), "1");
  EXPECT_EQ(ValueFromNameValue("x"), "");
}

// Case folding and locale comparison come from the code-page tables: Windows-1251 text with
// the Ukrainian letters behaves the same on every machine.
TEST(LocaleText, CaseAndComparisonOfCyrillicText) {
  AnsiString s = Utf8ToAnsi("ґанок і їжак є Ёж x");
  UpperCaseInPlace(s);
  EXPECT_EQ(s, Utf8ToAnsi("ҐАНОК І ЇЖАК Є ЁЖ X"));
  WideString w = u"ґїєі abc";
  WideUpperCaseInPlace(w);
  EXPECT_EQ(w, u"ҐЇЄІ ABC");
  EXPECT_EQ(Utf8ToWide("Київ"), u"Київ");

  EXPECT_TRUE(SameTextByFlag(Utf8ToAnsi("Їжак"), Utf8ToAnsi("їЖАК"), true));
  EXPECT_FALSE(SameTextByFlag(Utf8ToAnsi("Їжак"), Utf8ToAnsi("їЖАК"), false));
  EXPECT_FALSE(SameTextByFlag("ab", "abc", true));
  EXPECT_TRUE(StringInArray("b", {"a", "b"}));
  EXPECT_FALSE(StringInArray("B", {"a", "b"}));

  AnsiString text = Utf8ToAnsi("поле ПРІЗВИЩЕ, прізвище");
  TCharSet around(" ,");
  EXPECT_EQ(PosWord(Utf8ToAnsi("прізвище"), text, around, around, true), 6);
  EXPECT_EQ(PosWord(Utf8ToAnsi("прізвище"), text, around, around, false), 16);
  EXPECT_EQ(ReplaceAllCI(text, Utf8ToAnsi("ПРІЗВИЩЕ"), "X", true), Utf8ToAnsi("поле X, X"));
  EXPECT_EQ(ReplaceAllCI(text, Utf8ToAnsi("ПРІЗВИЩЕ"), "X", false), Utf8ToAnsi("поле X, прізвище"));
}

TEST(StringLists, EmptyLinesDifferencesAndSortedSearch) {
  TStringList lines;
  lines.SetText("a\r\n\r\n  \r\nb\r\n");
  EXPECT_FALSE(IsEmptyStrings(lines));
  DeleteEmptyLines(lines);
  EXPECT_EQ(lines.CommaText(), "a,\"  \",b");
  TStringList blank;
  blank.SetText(" \r\n\t\r\n");
  EXPECT_TRUE(IsEmptyStrings(blank));

  TObject marker;
  TStringList a, b, result;
  a.AddObject("one", &marker);
  a.Add("two");
  a.Add("Three");
  b.Add("THREE");
  b.Add("zero");
  result.Add("stale");
  ListDifference(a, b, result);
  EXPECT_EQ(result.CommaText(), "one,two");
  EXPECT_EQ(result.Objects(0), &marker);
  b.SetSorted(true);
  b.Add("one");
  ListDifference(a, b, result);
  EXPECT_EQ(result.CommaText(), "two");

  TStringList sorted;
  for (const char* line : {"d", "b", "B", "a", "c", "b"}) sorted.Add(line);
  sorted.CustomSort(CompareListItems);
  EXPECT_EQ(sorted.CommaText(), "a,b,B,b,c,d");
  int index = -1;
  EXPECT_TRUE(SortedListFind(sorted, "b", 0, 99, index, true));
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(SortedListFind(sorted, "C", 0, 99, index, false));
  EXPECT_EQ(index, 4);
  EXPECT_FALSE(SortedListFind(sorted, "bb", 0, 99, index, true));
  EXPECT_EQ(index, 4);
  EXPECT_FALSE(SortedListFind(sorted, "d", 0, 3, index, false));
  EXPECT_EQ(index, 4);
  sorted.SetCaseSensitive(true);
  sorted.CustomSort(CompareListItems);
  EXPECT_LT(sorted.IndexOf("b"), sorted.IndexOf("B"));
}

TEST(Conversions, GuidText) {
  TGUID guid;
  ASSERT_TRUE(StringToGuidChecked("{0123ABCD-4567-89ef-0A1B-2C3D4E5F6A7B}", guid));
  EXPECT_EQ(guid.D1, 0x0123ABCDu);
  EXPECT_EQ(guid.D2, 0x4567);
  EXPECT_EQ(guid.D4[0], 0x0A);
  EXPECT_EQ(guid.D4[7], 0x7B);
  EXPECT_EQ(GuidToString38(guid), "{0123ABCD-4567-89EF-0A1B-2C3D4E5F6A7B}");
  EXPECT_EQ(CompareGuidWithString(guid, "{0123abcd-4567-89ef-0a1b-2c3d4e5f6a7b}"), 0);
  EXPECT_LT(CompareGuidWithString(guid, "{1123ABCD-4567-89EF-0A1B-2C3D4E5F6A7B}"), 0);

  TGUID untouched = guid;
  for (const char* bad : {"", "{0123ABCD-4567-89EF-0A1B-2C3D4E5F6A7}", "(0123ABCD-4567-89EF-0A1B-2C3D4E5F6A7B)",
                          "{0123ABCD-4567-89EF-0A1B+2C3D4E5F6A7B}", "{0123ABCD-4567-89EF-0A1B-2C3D4E5F6A7G}",
                          "{0123ABCD-4567-89EF-0A1B-2C3D4E5F6A7B}x"}) {
    EXPECT_FALSE(StringToGuidChecked(bad, guid)) << bad;
    EXPECT_EQ(guid, untouched);
  }
}

TEST(Conversions, DateLiteralsBecomeLocalText) {
  struct Case {
    const char* literal;
    TDateLiteralKind kind;
    const char* local;
  } cases[] = {
      {"01-JAN-2020", TDateLiteralKind::Date, "01.01.2020"},
      {"15-dec-1999", TDateLiteralKind::Date, "15.12.1999"},
      {"2020-01-31", TDateLiteralKind::Date, "31.01.2020"},
      {"31.01.2020", TDateLiteralKind::Date, "31.01.2020"},
      {"01/31/2020", TDateLiteralKind::Date, "31.01.2020"},
      {"NOW", TDateLiteralKind::DateTime, "NOW"},
      {"today", TDateLiteralKind::Date, "TODAY"},
      {"  ", TDateLiteralKind::Date, ""},
      {"31.01.2020 10:15:30", TDateLiteralKind::DateTime, "31.01.2020 10:15:30"},
      {"2020-02-29 7:05:09", TDateLiteralKind::DateTime, "29.02.2020 07:05:09"},
      {"10:15:30", TDateLiteralKind::Time, "10:15:30"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDateLiteral(c.literal, c.kind), c.local) << c.literal;
  EXPECT_THROW(ParseDateLiteral("31-13-2020", TDateLiteralKind::Date), EConvertError);
  EXPECT_THROW(ParseDateLiteral("32.01.2020", TDateLiteralKind::Date), EConvertError);
  EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(FormatSettings().DateSeparator, '.');

  EXPECT_EQ(DateToStr(StrToDateTimeFmt("2020.01.31", "yyyy.mm.dd")), "31.01.2020");
  EXPECT_THROW(StrToDateTimeFmt("31.01", "yyyy.mm.dd"), EConvertError);
  EXPECT_EQ(VariantUtf8ToWide(Variant(AnsiString("Ки\xd1\x97в"))), u"Київ");
  EXPECT_EQ(VariantUtf8ToWide(Null()), u"");
}

TEST(SqlLikeMatch, WildcardsAndRuns) {
  struct Case {
    const char* text;
    const char* mask;
    bool match;
  } cases[] = {
      {"", "%", true},          {"", "_", false},         {"", "", true},           {"a", "", false},
      {"abc", "a%c", true},     {"ac", "a%c", true},      {"abcb", "a%c", false},   {"abc", "a_c", true},
      {"abbc", "a_c", false},   {"abc", "%%%", true},     {"abc", "a%%%c", true},   {"ab", "%_%_%", true},
      {"a", "%_%_%", false},    {"Abc", "abc", false},    {"a%c", "a%c", true},     {"mississippi", "%iss%pi", true},
      {"mississippi", "%iss%ppi%x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(SqlLikeMatch(c.text, c.mask), c.match) << c.text << " / " << c.mask;
  EXPECT_TRUE(WideSqlLikeMatch(u"Київ", u"К_%в"));
  EXPECT_FALSE(WideSqlLikeMatch(u"Київ", u"К__"));
}

TEST(SqlLikeMatch, ManyAnyRunsOnALongTextStayFast) {
  AnsiString text(20000, 'a');
  AnsiString mask;
  for (int i = 0; i < 12; ++i) mask += "%a";
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(SqlLikeMatch(text, mask + "%b"));
  EXPECT_TRUE(SqlLikeMatch(text + "b", mask + "%b"));
  // Backtracking over every split would take years; the bound leaves room for a loaded machine.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

}  // namespace
}  // namespace ordvane
