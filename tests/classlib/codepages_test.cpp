#include "classlib/core/CodePages.h"

#include <gtest/gtest.h>

#include "classlib/core/SysUtils.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::AnsiCodePageScope;
using test::Iconv;

struct SingleByteCase {
  Cardinal codePage;
  const char* iconvName;
};

const SingleByteCase kSingleByte[] = {{CP_WIN1251, "CP1251"}, {CP_DOS866, "CP866"}, {CP_KOI8R, "KOI8-R"},
                                     {CP_WIN1252, "CP1252"}, {CP_LATIN1, "ISO-8859-1"}};

// Bytes a code page leaves unassigned: each is kept as the character of the same number.
bool UnassignedIn(Cardinal codePage, char32_t byte) {
  if (codePage == CP_WIN1251) return byte == 0x98;
  return codePage == CP_WIN1252 && (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D);
}

// Lines of UTF-8 text (split at LF).
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find('\n', start)) != std::string::npos; start = at + 1)
    lines.push_back(text.substr(start, at - start));
  return lines;
}

TEST(CodePages, EveryByteDecodesAsIconvDecodesIt) {
  for (const auto& cp : kSingleByte) {
    // One byte per line; a byte iconv does not know comes back as an empty line.
    std::string input;
    for (int b = 1; b < 256; ++b)
      if (b != '\n') input += {static_cast<char>(b), '\n'};
    std::vector<std::string> expected = Lines(Iconv(input, cp.iconvName, "UTF-8"));
    ASSERT_EQ(expected.size(), 254u) << cp.iconvName;
    std::size_t line = 0;
    for (int b = 1; b < 256; ++b) {
      if (b == '\n') continue;
      const std::string ours = Utf8Encode(CodePageToWide(std::string(1, static_cast<char>(b)), cp.codePage));
      if (expected[line].empty())
        EXPECT_TRUE(UnassignedIn(cp.codePage, b) && ours == Utf8Encode(WideString(1, static_cast<char16_t>(b))))
            << cp.iconvName << " " << b;
      else
        EXPECT_EQ(ours, expected[line]) << cp.iconvName << " byte " << b;
      ++line;
    }
  }
}

TEST(CodePages, EveryBmpCharacterEncodesAsIconvEncodesIt) {
  // Every character of the Basic Multilingual Plane except surrogates and LF, one per line.
  std::string input;
  std::vector<char32_t> characters;
  for (char32_t ch = 1; ch <= 0xFFFF; ++ch) {
    if (ch == '\n' || (ch >= 0xD800 && ch <= 0xDFFF)) continue;
    characters.push_back(ch);
    AppendUtf8Char(input, ch);
    input += '\n';
  }
  for (const auto& cp : kSingleByte) {
    std::vector<std::string> expected = Lines(Iconv(input, "UTF-8", cp.iconvName));
    ASSERT_EQ(expected.size(), characters.size()) << cp.iconvName;
    int mapped = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
      WideString wide;
      AppendUtf16Char(wide, characters[i]);
      const std::string ours = WideToCodePage(wide, cp.codePage);
      if (UnassignedIn(cp.codePage, characters[i])) continue;  // our own choice, above
      const std::string want = expected[i].empty() ? "?" : expected[i];
      ASSERT_EQ(ours, want) << cp.iconvName << " U+" << std::hex << static_cast<unsigned>(characters[i]);
      mapped += !expected[i].empty();
    }
    EXPECT_GE(mapped, 245) << cp.iconvName;
  }
}

// Written into a buffer, a text gives the bytes of its whole encoding, as far as the buffer
// reaches: every character of the plane, a pair of surrogates and a lone one among them.
TEST(CodePages, TextWrittenIntoABufferIsTheStartOfItsEncoding) {
  WideString text;
  for (char32_t ch = 1; ch <= 0xFFFF; ++ch)
    if (ch < 0xD800 || ch > 0xDFFF) AppendUtf16Char(text, ch);
  text.insert(0x500, u"\U0001D11E");
  text.insert(0x4000, 1, u'\xDC00');
  std::vector<Cardinal> codePages = {CP_UTF8, CP_UTF16LE, CP_ACP};
  for (const auto& cp : kSingleByte) codePages.push_back(cp.codePage);
  for (const Cardinal codePage : codePages) {
    const std::string whole = WideToCodePage(text, codePage);
    for (const std::size_t capacity : {std::size_t{0}, std::size_t{1}, std::size_t{0x501}, whole.size() - 1,
                                       whole.size(), whole.size() + 5}) {
      std::string buffer(capacity, '\0');
      const std::size_t written = WideToCodePageInto(text, codePage, buffer.data(), capacity);
      ASSERT_EQ(buffer.substr(0, written), whole.substr(0, capacity)) << codePage << " " << capacity;
    }
  }
}

TEST(CodePages, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (const auto& cp : kSingleByte) {
    EXPECT_EQ(WideToCodePage(CodePageToWide(all, cp.codePage), cp.codePage), all) << cp.iconvName;
    EXPECT_EQ(ConvertCodePage(ConvertCodePage(all, cp.codePage, CP_UTF8), CP_UTF8, cp.codePage), all);
  }
}

TEST(CodePages, Utf8AndUtf16AgreeWithIconv) {
  WideString wide;
  for (char32_t ch = 1; ch <= 0x10FFFF; ch += ch < 0x10000 ? 1 : 97)
    if (ch < 0xD800 || ch > 0xDFFF) AppendUtf16Char(wide, ch);
  const std::string utf16le = WideToCodePage(wide, CP_UTF16LE);
  ASSERT_EQ(utf16le.size(), wide.size() * 2);
  const std::string utf8 = Iconv(utf16le, "UTF-16LE", "UTF-8");
  EXPECT_EQ(Utf8Encode(wide), utf8);
  EXPECT_EQ(Utf8Decode(utf8), wide);
  EXPECT_EQ(CodePageToWide(Iconv(utf8, "UTF-8", "UTF-16LE"), CP_UTF16LE), wide);
}

TEST(CodePages, MalformedTextBecomesReplacementCharacters) {
  const WideString fffd(1, 0xFFFD);
  // An overlong slash, an encoded surrogate, a truncated sequence, a stray continuation
  // byte and a code point above U+10FFFF: each byte is replaced, what follows survives.
  EXPECT_EQ(Utf8Decode("a\xC0\xAF"
                       "b"),
            u"a" + fffd + fffd + u"b");
  EXPECT_EQ(Utf8Decode("\xED\xA0\x80"), fffd + fffd + fffd);
  EXPECT_EQ(Utf8Decode("\xE2\x82"), fffd + fffd);
  EXPECT_EQ(Utf8Decode("\x80z"), fffd + u"z");
  EXPECT_EQ(Utf8Decode("\xF4\x90\x80\x80").size(), 4u);
  EXPECT_EQ(Utf8Decode("\xF0\x9F\x98\x80"), u"\U0001F600");
  // Unpaired surrogates cannot be written as UTF-8.
  EXPECT_EQ(Utf8Encode(WideString(1, 0xD800) + u"x" + WideString(1, 0xDC00)), "\xEF\xBF\xBDx\xEF\xBF\xBD");
  // An odd trailing byte of UTF-16LE.
  EXPECT_EQ(CodePageToWide(std::string("A\0B", 3), CP_UTF16LE), u"A" + fffd);
  // A character the code page lacks (one per code point, also outside the BMP).
  EXPECT_EQ(WideToCodePage(u"a\u4E2D\U0001F600b", CP_WIN1251), "a??b");
  // Unpaired surrogates, one at the end, are a character each.
  EXPECT_EQ(WideToCodePage(WideString(1, 0xD800) + u"\u0436" + WideString(1, 0xDC00) + WideString(1, 0xDBFF),
                           CP_WIN1251),
            "?\xE6??");
}

TEST(CodePages, AnsiCodePageIs1251UntilChanged) {
  EXPECT_EQ(GetAnsiCodePage(), CP_WIN1251);
  const std::string header = "Прізвище, Власне ім’я, № з/п";
  EXPECT_EQ(Utf8ToAnsi(header), Iconv(header, "UTF-8", "CP1251"));
  EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi(header)), header);
  EXPECT_EQ(WideToAnsi(AnsiToWide(Utf8ToAnsi(header))), Utf8ToAnsi(header));
  {
    AnsiCodePageScope koi(CP_KOI8R);
    const std::string russian = "Фамилия, Имя, Отчество";
    EXPECT_EQ(Utf8ToAnsi(russian), Iconv(russian, "UTF-8", "KOI8-R"));
    EXPECT_EQ(ConvertCodePage(Utf8ToAnsi("Ёж"), CP_ACP, CP_DOS866), Iconv("Ёж", "UTF-8", "CP866"));
  }
  {
    AnsiCodePageScope utf8(CP_UTF8);
    EXPECT_EQ(Utf8ToAnsi(header), header);
    // Text in the same code page is passed on as it is, even when it is not valid UTF-8.
    EXPECT_EQ(AnsiToUtf8("\xFF"), "\xFF");
  }
  EXPECT_EQ(GetAnsiCodePage(), CP_WIN1251);
}

TEST(CodePages, UnsupportedCodePagesAreRefused) {
  EXPECT_THROW(SetAnsiCodePage(437), EConvertError);
  EXPECT_THROW(SetAnsiCodePage(CP_UTF16LE), EConvertError);  // not an 8-bit code page
  EXPECT_THROW(SetAnsiCodePage(CP_ACP), EConvertError);
  EXPECT_EQ(GetAnsiCodePage(), CP_WIN1251);
  try {
    CodePageToWide("x", 437);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Code page 437 is not supported");
  }
}

}  // namespace
}  // namespace ordvane
