#include "classlib/core/CodePageDecoder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "classlib/core/SysUtils.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::Iconv;

// The name the iconv program knows a code page by.
std::string IconvName(Cardinal codePage) {
  switch (codePage) {
    case 10000:
    case 32768:
      return "MACINTOSH";
    case 10029:
      return "MAC-CENTRALEUROPE";
    case 10079:
      return "MAC-IS";
    case CP_KOI8R:
      return "KOI8-R";
    case CP_LATIN1:
      return "ISO-8859-1";
    case CP_UTF8:
      return "UTF-8";
    default:
      return "CP" + std::to_string(codePage);
  }
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
    parts.push_back(text.substr(start, at - start));
  return parts;
}

// Every character of the Basic Multilingual Plane that composes with a combining mark,
// then every character so composed, one per line (UTF-8), as Python's Unicode database
// knows them.
std::string LettersThatTakeAnAccent() {
  return test::Python(R"(
import sys, unicodedata
bases, composed = set(), set()
for code in range(0x10000):
    parts = unicodedata.decomposition(chr(code)).split()
    if len(parts) == 2 and not parts[0].startswith("<"):
        bases.add(chr(int(parts[0], 16)))
        composed.add(chr(code))
sys.stdout.buffer.write("".join(c + "\n" for c in sorted(bases) + sorted(composed)).encode("utf-8"))
)");
}

TEST(CodePageDecoder, TextsEndingInALetterThatTakesAnAccentDecodeAsIconvDecodesThem) {
  const std::string letters = LettersThatTakeAnAccent();
  ASSERT_GT(Split(letters, "\n").size(), 1000u);
  int pages = 0;
  for (Cardinal codePage = 1; codePage <= 0xFFFF; ++codePage) {
    if (codePage == CP_UTF8) continue;  // no 8-bit code page
    std::optional<TCodePageDecoder> decoder;
    try {
      decoder.emplace(codePage);
    } catch (const EConvertError&) {
      continue;
    }
    const std::string name = IconvName(codePage);
    SCOPED_TRACE(name);
    // Each letter after an "F", in the code page's own bytes; a letter it lacks leaves the
    // "F" alone. The line end is the code page's own too (EBCDIC has its own).
    const std::string lineEnd = Iconv("\n", "UTF-8", name), prefix = Iconv("F", "UTF-8", name);
    if (lineEnd.empty() || prefix.empty()) continue;  // iconv knows the number by no name
    ++pages;
    std::string input;
    for (const std::string& letter : Split(letters, "\n")) input += "F" + letter + "\n";
    std::vector<std::string> texts;
    for (const std::string& text : Split(Iconv(input, "UTF-8", name), lineEnd))
      if (text != prefix) texts.push_back(text);
    std::string joined;
    for (const std::string& text : texts) joined += text + lineEnd;
    const std::vector<std::string> expected = Split(Iconv(joined, name, "UTF-8"), "\n");
    ASSERT_EQ(expected.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
      EXPECT_EQ(Utf8Encode(decoder->Decode(texts[i])), expected[i]);
  }
  // The Windows, DOS and Mac code pages at least.
  EXPECT_GT(pages, 40);
}

}  // namespace
}  // namespace ordvane
