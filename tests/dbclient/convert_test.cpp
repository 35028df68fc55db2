// Conversion routines without a server: code pages against iconv, component paths,
// scaled integers, hexadecimal text and bits.

#include <gtest/gtest.h>

#include "dbclient/FIBConvert.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(CodePageConversion, KOI8AndDOSAgreeWithIconvBothWays) {
  const std::string bytes = AllBytes();
  for (auto [codePage, name] : {std::pair<Cardinal, const char*>{CP_KOI8R, "KOI8-R"}, {CP_DOS866, "CP866"}}) {
    const WideString wide = AnsiToWideCP(bytes, codePage);
    EXPECT_EQ(wide.size(), bytes.size()) << name;
    EXPECT_EQ(Utf8Encode(wide), test::Iconv(bytes, name, "UTF-8")) << name;
    EXPECT_EQ(WideToAnsiCP(wide, codePage), bytes) << name;
  }
  // UTF-8 text as a "code page" of its own.
  const std::string utf8 = test::Iconv(bytes, "CP1251", "UTF-8");
  EXPECT_EQ(AnsiToWideCP(utf8, CP_UTF8), Utf8Decode(utf8));
  EXPECT_EQ(WideToAnsiCP(Utf8Decode(utf8), CP_UTF8), utf8);
}

TEST(CodePageConversion, UnknownCodePagesFallBackToTheAnsiCodePage) {
  test::AnsiCodePageScope ansi(CP_WIN1251);
  const WideString text = u"Ґанок і їжак";
  EXPECT_EQ(WideToAnsiCP(text, 1252), WideToAnsi(text));
  EXPECT_EQ(AnsiToWideCP(WideToAnsi(text), 437), text);
  // UTF-16 bytes are no single-byte code page.
  EXPECT_EQ(WideToAnsiCP(text, CP_UTF16LE), WideToAnsi(text));
  // A character KOI8-R lacks (і) becomes '?' instead of another letter.
  EXPECT_EQ(WideToAnsiCP(u"ні", CP_KOI8R), "\xCE?");
}

TEST(FullComponentName, JoinsNamedOwnersOutermostFirst) {
  TComponent form(nullptr);
  form.SetName("Form1");
  auto* frame = new TComponent(&form);
  auto* database = new TComponent(frame);
  EXPECT_EQ(FullComponentName(database), "Form1");
  database->SetName("Database");
  EXPECT_EQ(FullComponentName(database), "Form1.Database");
  frame->SetName("Frame");
  EXPECT_EQ(FullComponentName(database), "Form1.Frame.Database");
  EXPECT_EQ(FullComponentName(nullptr), "");
}

TEST(ScaledInt64ToStrSep, PlacesTheSeparatorAndDropsTrailingZeros) {
  EXPECT_EQ(ScaledInt64ToStrSep(2, '.', 12345), "123.45");
  EXPECT_EQ(ScaledInt64ToStrSep(2, '.', 1200), "12");
  EXPECT_EQ(ScaledInt64ToStrSep(3, '.', -5), "-0.005");
  EXPECT_EQ(ScaledInt64ToStrSep(3, ',', 1050), "1,05");
  EXPECT_EQ(ScaledInt64ToStrSep(0, '.', -42), "-42");
  EXPECT_EQ(ScaledInt64ToStrSep(-2, '.', 7), "700");
  EXPECT_EQ(ScaledInt64ToStrSep(5, '.', 0), "0");
  EXPECT_EQ(ScaledInt64ToStrSep(4, '.', -9223372036854775807 - 1), "-922337203685477.5808");
  EXPECT_EQ(ScaledInt64ToStrSep(19, '.', 9223372036854775807), "0.9223372036854775807");
  EXPECT_EQ(ScaledInt64ToStrSep(20, '.', -1), "-0.00000000000000000001");
}

TEST(SmallConversions, HexTextAndBits) {
  EXPECT_EQ(HexTextToInt("FF"), 255);
  EXPECT_EQ(HexTextToInt("1A2b"), 0x1A20);  // lower-case letters count as 0
  EXPECT_EQ(HexTextToInt(""), 0);
  EXPECT_EQ(HexTextToInt("FFFFFFFF"), -1);
  EXPECT_EQ(HexTextToInt("123456789"), 0x23456789);
  EXPECT_EQ(SetBitInByte(0, 7, true), 0x80);
  EXPECT_EQ(SetBitInByte(0xFF, 0, false), 0xFE);
  EXPECT_EQ(SetBitInByte(0x10, 8, true), 0x10);
  EXPECT_EQ(SetBitInByte(0x10, -1, true), 0x10);
}

}  // namespace
}  // namespace ordvane
