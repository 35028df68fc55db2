#include "classlib/core/StrUtils.h"

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/SeparatedLists.h"
#include "classlib/core/SysUtils.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

TEST(StrUtils, PositionsAreOneBasedAndOutOfRangeGivesEmpty) {
  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("abcd", "abc"), 0);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
  EXPECT_EQ(Copy("abcdef", -5, 2), "ab");
  EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(Copy("abcdef", 2, -1), "");
  EXPECT_EQ(Copy("abcdef", 2, INT64_MAX), "bcdef");
  EXPECT_EQ(Copy("abcdef", INT64_MAX, INT64_MAX), "");
}

TEST(StrUtils, TrimRemovesControlCharactersAndBlanks) {
  EXPECT_EQ(Trim(" \t\r\n a b \x01\x1F"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \n"), "  a");
  EXPECT_EQ(Trim(" \t "), "");
  // 8-bit letters are not blanks.
  const AnsiString word = Utf8ToAnsi("ім’я\xA0");
  EXPECT_EQ(Trim(word), word);
  // Wide text alike: only code units up to the blank go.
  EXPECT_EQ(Trim(WideString(u" \t ім’я\u00A0\u2003\r\n")), u"ім’я\u00A0\u2003");
  EXPECT_EQ(TrimLeft(WideString(u"\x01 a ")), u"a ");
  EXPECT_EQ(TrimRight(WideString(u" a \x1F")), u" a");
  EXPECT_EQ(Trim(WideString(u"  ")), u"");
}

TEST(StrUtils, StringReplaceFindsOccurrencesLeftToRight) {
  EXPECT_EQ(StringReplace("a.b.c", ".", "::", {}), "a::b.c");
  EXPECT_EQ(StringReplace("a.b.c", ".", "::", {rfReplaceAll}), "a::b::c");
  EXPECT_EQ(StringReplace("aaa", "aa", "b", {rfReplaceAll}), "ba");
  EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
  EXPECT_EQ(StringReplace("xAbAB", "ab", "-", {rfReplaceAll}), "xAbAB");
  EXPECT_EQ(StringReplace("xAbAB", "ab", "-", {rfReplaceAll, rfIgnoreCase}), "x--");
  // Case is folded by the locale, and the replacement keeps the rest of the text as it was.
  const AnsiString text = Utf8ToAnsi("Прізвище: ПРІЗВИЩЕ, прізвище.");
  EXPECT_EQ(StringReplace(text, Utf8ToAnsi("прІзвище"), "X", {rfReplaceAll, rfIgnoreCase}), "X: X, X.");
  test::AnsiCodePageScope utf8(CP_UTF8);
  EXPECT_EQ(StringReplace("Ґанок ґАНОК ok", "ґанок", "[ґ]", {rfReplaceAll, rfIgnoreCase}), "[ґ] [ґ] ok");
}

TEST(StrUtils, AsciiCaseAndOrdinalComparison) {
  const AnsiString cyrillic = Utf8ToAnsi("я");
  EXPECT_EQ(UpperCase("abz" + cyrillic), "ABZ" + cyrillic);
  EXPECT_EQ(LowerCase("ABZ" + cyrillic), "abz" + cyrillic);
  EXPECT_EQ(CompareStr("a", "B"), 1);
  EXPECT_EQ(CompareText("a", "B"), -1);
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_EQ(CompareText("ab", "ABC"), -1);
  EXPECT_EQ(CompareStr("\xFF", "a"), 1);  // bytes compare unsigned
  EXPECT_TRUE(SameText("Name", "NAME"));
  EXPECT_FALSE(SameText(cyrillic, Utf8ToAnsi("Я")));
}

TEST(StrUtils, QuotingDoublesTheQuote) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
  for (const char* text : {"", "plain", "a\"b", "\"\"", "x\"", "a,b c"})
    EXPECT_EQ(AnsiDequotedStr(AnsiQuotedStr(text, '"'), '"'), text);
  EXPECT_EQ(AnsiDequotedStr("abc", '"'), "abc");
  EXPECT_EQ(AnsiDequotedStr("\"", '"'), "\"");

  std::size_t pos = 2;
  EXPECT_EQ(AnsiExtractQuotedStr("x,'a''b',y", pos, '\''), "a'b");
  EXPECT_EQ(pos, 8u);
  // Without a closing quote the rest of the text is taken; nothing is lost.
  pos = 0;
  EXPECT_EQ(AnsiExtractQuotedStr("'abc''d", pos, '\''), "abc'd");
  EXPECT_EQ(pos, 7u);
  pos = 0;
  EXPECT_EQ(AnsiExtractQuotedStr("abc", pos, '\''), "");
  EXPECT_EQ(pos, 0u);
}

// Digits go two at a time, in 32 bits once the value fits them: every length and the edge
// of 32 bits as the standard library writes them; the last digits zero-filled and taken
// off the value.
TEST(StrUtils, IntegerDigitsAtEveryLengthAndAtTheEdgeOf32Bits) {
  std::vector<Int64> values{INT64_MAX, INT64_MIN, 4294967295, 4294967296, 4294967396, 42949672950};
  for (Int64 power = 1; power <= INT64_MAX / 10; power *= 10)
    for (Int64 value : {power - 1, power, power + 1}) values.insert(values.end(), {value, -value});
  for (Int64 value : values) EXPECT_EQ(IntToStr(value), std::to_string(value));

  char text[8];
  UInt64 value = 123;
  EXPECT_EQ(std::string(PutLastDigits(std::end(text), value, 5), std::end(text)), "00123");
  EXPECT_EQ(value, 0u);
  value = 98765;
  EXPECT_EQ(std::string(PutLastDigits(std::end(text), value, 3), std::end(text)), "765");
  EXPECT_EQ(value, 98u);
  EXPECT_EQ(std::string(PutDigits(std::end(text), 0), std::end(text)), "0");
}

TEST(StrUtils, IntegersToText) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(255, 0), "FF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(Int64(-1), 2), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(Int64(0x123456789A), 12), "00123456789A");
}

TEST(StrUtils, TextToIntegers) {
  const struct {
    const char* text;
    bool valid;
    Integer value;
  } cases[] = {
      {"0", true, 0},
      {"+17", true, 17},
      {"-17", true, -17},
      {"   42", true, 42},
      {"007", true, 7},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"$FF", true, 255},
      {"$ff", true, 255},
      {"0x1A", true, 26},
      {"x10", true, 16},
      {"-$10", true, -16},
      {"$FFFFFFFF", true, -1},
      {"$100000000", false, 0},
      {"42 ", false, 0},
      {"", false, 0},
      {" ", false, 0},
      {"-", false, 0},
      {"$", false, 0},
      {"1e3", false, 0},
      {"12a", false, 0},
      {"\t1", false, 0},
      {"--1", false, 0},
      {"99999999999999999999", false, 0},
  };
  for (const auto& c : cases) {
    Integer value = 12345;
    EXPECT_EQ(TryStrToInt(c.text, value), c.valid) << c.text;
    EXPECT_EQ(value, c.valid ? c.value : 12345) << c.text;
    EXPECT_EQ(StrToIntDef(c.text, -99), c.valid ? c.value : -99) << c.text;
  }
  try {
    StrToInt("12,5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12,5' is not a valid integer value");
  }

  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("$FFFFFFFF"), 4294967295);
  EXPECT_EQ(StrToInt64Def("9223372036854775808", 5), 5);
  EXPECT_THROW(StrToInt64("1 2"), EConvertError);
}

// The three rules the callers rely on differ only at empty and blank items.
TEST(StrUtils, SplitListKeepsOrDropsEmptyItemsByItsRule) {
  using Items = std::vector<AnsiString>;
  const struct {
    const char* text;
    Items keep, keepButTrailing, drop;
  } cases[] = {
      {"", {""}, {}, {}},
      {";", {"", ""}, {""}, {}},
      {"a", {"a"}, {"a"}, {"a"}},
      {"a;", {"a", ""}, {"a"}, {"a"}},
      {";a", {"", "a"}, {"", "a"}, {"a"}},
      {" a ; b ;; c", {" a ", " b ", "", " c"}, {"a", "b", "", "c"}, {"a", "b", "c"}},
      {"a; ", {"a", " "}, {"a", ""}, {"a"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitList(c.text, ';', false, TEmptyItems::Keep), c.keep) << c.text;
    EXPECT_EQ(SplitList(c.text, ';', true, TEmptyItems::KeepButTrailing), c.keepButTrailing) << c.text;
    EXPECT_EQ(SplitList(c.text, ';', true, TEmptyItems::Drop), c.drop) << c.text;
  }
  EXPECT_EQ(SplitList("x,\"y\",", ',', false, TEmptyItems::KeepButTrailing), (Items{"x", "\"y\""}));
}

TEST(FileNames, PartsOfAFileName) {
  const struct {
    const char* name;
    const char* path;
    const char* file;
    const char* ext;
    const char* changed;  // ChangeFileExt(name, ".sql")
  } cases[] = {
      {"/opt/app/db/Q417.FDB", "/opt/app/db/", "Q417.FDB", ".FDB", "/opt/app/db/Q417.sql"},
      {"form.tar.gz", "", "form.tar.gz", ".gz", "form.tar.sql"},
      {"dir.v2/readme", "dir.v2/", "readme", "", "dir.v2/readme.sql"},
      {"log\\errlog.log", "log\\", "errlog.log", ".log", "log\\errlog.sql"},
      {"name.", "", "name.", ".", "name.sql"},
      {"/data/", "/data/", "", "", "/data/.sql"},
      {"", "", "", "", ".sql"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
    EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
    EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
    EXPECT_EQ(ChangeFileExt(c.name, ".sql"), c.changed) << c.name;
  }
  EXPECT_EQ(ChangeFileExt("a.txt", ""), "a");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/app"), "/opt/app/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/app/"), "/opt/app/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("log\\"), "log\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
}

}  // namespace
}  // namespace ordvane
