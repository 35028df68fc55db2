#include <gtest/gtest.h>

#include <sstream>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::AnsiCodePageScope;
using test::Python;

// Python's str.upper()/lower() of every byte of a code page, kept only where the result is
// one character of that code page (otherwise the byte stays): a table of 256 numbers.
std::vector<int> PythonCaseTable(const char* codec, const char* method) {
  std::ostringstream script;
  script << "out = []\n"
            "for b in range(256):\n"
            "    try:\n"
            "        c = bytes([b]).decode('"
         << codec
         << "')\n"
            "        m = c."
         << method
         << "()\n"
            "        out.append(m.encode('"
         << codec
         << "')[0] if len(m) == 1 else b)\n"
            "    except UnicodeError:\n"
            "        out.append(b)\n"
            "print(' '.join(map(str, out)))\n";
  std::istringstream numbers(Python(script.str()));
  std::vector<int> table;
  for (int n; numbers >> n;) table.push_back(n);
  return table;
}

TEST(Casing, EveryByteOfEachCodePageMapsAsPythonMapsIt) {
  const struct {
    Cardinal codePage;
    const char* codec;
  } cases[] = {{CP_WIN1251, "cp1251"}, {CP_DOS866, "cp866"}, {CP_KOI8R, "koi8_r"}};
  for (const auto& cp : cases) {
    AnsiCodePageScope scope(cp.codePage);
    const std::vector<int> upper = PythonCaseTable(cp.codec, "upper");
    const std::vector<int> lower = PythonCaseTable(cp.codec, "lower");
    ASSERT_EQ(upper.size(), 256u);
    ASSERT_EQ(lower.size(), 256u);
    for (int b = 0; b < 256; ++b) {
      const AnsiString byte(1, static_cast<char>(b));
      EXPECT_EQ(static_cast<unsigned char>(AnsiUpperCase(byte)[0]), upper[b]) << cp.codec << " byte " << b;
      EXPECT_EQ(static_cast<unsigned char>(AnsiLowerCase(byte)[0]), lower[b]) << cp.codec << " byte " << b;
    }
  }
}

TEST(Casing, EveryCyrillicLetterOf1251HasItsPair) {
  const AnsiString upper = Utf8ToAnsi("АБВГҐДЕЁЄЖЗИІЇЙКЛМНОПРСТУЎФХЦЧШЩЪЫЬЭЮЯЂЃЉЊЌЋЏЈЅ");
  const AnsiString lower = Utf8ToAnsi("абвгґдеёєжзиіїйклмнопрстуўфхцчшщъыьэюяђѓљњќћџјѕ");
  ASSERT_EQ(upper.size(), lower.size());
  EXPECT_EQ(AnsiUpperCase(lower), upper);
  EXPECT_EQ(AnsiLowerCase(upper), lower);
  // Bytes that are not letters are left alone, ASCII included.
  const AnsiString other = Utf8ToAnsi("№ 1-2 «»—’ µ §") + "\x98";
  EXPECT_EQ(AnsiUpperCase(other), other);
  EXPECT_EQ(AnsiUpperCase("Mixed Case z"), "MIXED CASE Z");
}

// Python's mapping of every code point below U+0530 (ASCII, Latin-1, the Latin and
// Cyrillic blocks), kept where the result is one character of ASCII, Latin-1 or Cyrillic
// with the same encoded length.
std::vector<std::pair<char32_t, char32_t>> PythonWidePairs(const char* method) {
  std::ostringstream script;
  script << "def claimed(c): return c < 0x100 or c == 0x178 or 0x400 <= c < 0x530\n"
            "for c in range(1, 0x530):\n"
            "    if not claimed(c): continue\n"
            "    m = chr(c)."
         << method
         << "()\n"
            "    r = ord(m) if len(m) == 1 and claimed(ord(m)) and len(m.encode()) == len(chr(c).encode()) "
            "else c\n"
            "    print(c, r)\n";
  std::istringstream lines(Python(script.str()));
  std::vector<std::pair<char32_t, char32_t>> pairs;
  for (unsigned from, to; lines >> from >> to;) pairs.emplace_back(from, to);
  return pairs;
}

TEST(Casing, Utf8AndWideTextMapAsPythonMapsIt) {
  AnsiCodePageScope scope(CP_UTF8);
  for (const char* method : {"upper", "lower"}) {
    const auto pairs = PythonWidePairs(method);
    ASSERT_GT(pairs.size(), 400u);
    const bool upper = method[0] == 'u';
    for (const auto& [from, to] : pairs) {
      WideString wide, expected;
      AppendUtf16Char(wide, from);
      AppendUtf16Char(expected, to);
      EXPECT_EQ(upper ? WideUpperCase(wide) : WideLowerCase(wide), expected)
          << method << " " << static_cast<unsigned>(from);
      const AnsiString utf8 = Utf8Encode(wide);
      EXPECT_EQ(upper ? AnsiUpperCase(utf8) : AnsiLowerCase(utf8), Utf8Encode(expected))
          << method << " " << static_cast<unsigned>(from);
    }
  }
  // Bytes that are not UTF-8 pass through untouched.
  EXPECT_EQ(AnsiUpperCase("a\xFF\xD0"
                          "b\xD1\x97"),
            "A\xFF\xD0"
            "B\xD0\x87");
}

}  // namespace
}  // namespace ordvane
