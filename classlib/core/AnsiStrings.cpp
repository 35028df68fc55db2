#include "classlib/core/AnsiStrings.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include "classlib/core/CodePages.h"

namespace ordvane {

namespace {

// ---- Case pairs -------------------------------------------------------------------------

// Upper-case letters first..last whose lower form is delta above.
struct OffsetBlock {
  char32_t firstUpper, lastUpper, delta;
};
constexpr OffsetBlock kOffsetBlocks[] = {
    {U'A', U'Z', 0x20}, {0xC0, 0xDE, 0x20}, {0x400, 0x40F, 0x50}, {0x410, 0x42F, 0x20}};
constexpr char32_t kMultiplicationSign = 0xD7, kDivisionSign = 0xF7;  // inside the Latin-1 block

// Blocks where upper and lower forms alternate, upper first.
struct AlternatingBlock {
  char32_t first, last;
};
constexpr AlternatingBlock kAlternatingBlocks[] = {
    {0x460, 0x481}, {0x48A, 0x4BF}, {0x4C1, 0x4CE}, {0x4D0, 0x52F}};

struct CasePair {
  char32_t upper, lower;
};
constexpr CasePair kSinglePairs[] = {{0x178, 0xFF}, {0x4C0, 0x4CF}};

char32_t LowerChar(char32_t c) {
  if (c < 0x80) return c >= U'A' && c <= U'Z' ? c + 0x20 : c;
  for (const auto& b : kOffsetBlocks)
    if (c >= b.firstUpper && c <= b.lastUpper && c != kMultiplicationSign) return c + b.delta;
  for (const auto& b : kAlternatingBlocks)
    if (c >= b.first && c <= b.last && (c - b.first) % 2 == 0) return c + 1;
  for (const auto& p : kSinglePairs)
    if (c == p.upper) return p.lower;
  return c;
}

char32_t UpperChar(char32_t c) {
  if (c < 0x80) return c >= U'a' && c <= U'z' ? c - 0x20 : c;
  for (const auto& b : kOffsetBlocks)
    if (c >= b.firstUpper + b.delta && c <= b.lastUpper + b.delta && c != kDivisionSign) return c - b.delta;
  for (const auto& b : kAlternatingBlocks)
    if (c >= b.first && c <= b.last && (c - b.first) % 2 == 1) return c - 1;
  for (const auto& p : kSinglePairs)
    if (c == p.lower) return p.upper;
  return c;
}

// ---- Collation elements -----------------------------------------------------------------

// One character's weights. A hyphen or apostrophe has a special weight and no other.
struct Element {
  std::uint32_t primary = 0;
  std::uint8_t secondary = 0;
  std::uint8_t tertiary = 0;
  std::uint8_t special = 0;
};

// Primary groups, in sort order.
constexpr std::uint32_t kSymbolBase = 0x100;  // + the symbol's code point (BMP)
constexpr std::uint32_t kDigitBase = 0x20000;
constexpr std::uint32_t kLatinBase = 0x20100;
constexpr std::uint32_t kCyrillicBase = 0x20200;
constexpr std::uint32_t kOtherBase = 0x30000;                      // + the lower-case code point
constexpr std::uint32_t kInvalidByteBase = kOtherBase + 0x110000;  // + a byte that is not UTF-8

// Hyphens and apostrophes, in order of their special weight.
constexpr std::u32string_view kSpecials = U"-'\u00AD\u2010\u2011\u2019\u02BC";

// The Cyrillic alphabet; ё and ѐ are е with an accent, ѝ is и with one.
constexpr std::u16string_view kCyrillicOrder = u"абвгґдђѓеєжзѕиіїйјклљмнњопрстћќуўфхцчџшщъыьэюя";
struct Accented {
  char32_t letter, base;
  std::uint8_t accent;
};
constexpr Accented kCyrillicAccented[] = {{0x451, 0x435, 1}, {0x450, 0x435, 2}, {0x45D, 0x438, 1}};

// The Latin-1 lower-case letters U+00E0..U+00FF by base letter; the accent is the
// letter's rank among those of its base. '/' marks the division sign, '?' the thorn,
// which has no base letter.
constexpr std::string_view kLatin1Bases = "aaaaaaaceeeeiiiidnooooo/ouuuuy?y";
constexpr char32_t kSharpS = 0xDF;

bool IsSymbol(char32_t c) {
  if (c < 0x80) return !(c >= U'0' && c <= U'9') && !(c >= U'a' && c <= U'z') && !(c >= U'A' && c <= U'Z');
  return c < 0xC0 || c == kMultiplicationSign || c == kDivisionSign || (c >= 0x2000 && c < 0x2C00);
}

Element LetterElement(std::uint32_t primary, std::uint8_t accent, bool upper) {
  return {primary, accent, static_cast<std::uint8_t>(upper ? 1 : 0), 0};
}

Element ComputeElement(char32_t c) {
  if (auto i = kSpecials.find(c); i != kSpecials.npos) return {0, 0, 0, static_cast<std::uint8_t>(i + 1)};
  const char32_t lower = LowerChar(c);
  const bool upper = lower != c;
  if (lower >= U'0' && lower <= U'9') return {kDigitBase + (lower - U'0'), 0, 0, 0};
  if (lower >= U'a' && lower <= U'z') return LetterElement(kLatinBase + (lower - U'a'), 0, upper);
  if (lower == kSharpS) return LetterElement(kLatinBase + (U's' - U'a'), 1, false);
  if (lower >= 0xE0 && lower <= 0xFF) {
    char base = kLatin1Bases[lower - 0xE0];
    if (base >= 'a' && base <= 'z') {
      auto rank = static_cast<std::uint8_t>(
          1 + std::count(kLatin1Bases.begin(), kLatin1Bases.begin() + (lower - 0xE0), base));
      return LetterElement(kLatinBase + static_cast<std::uint32_t>(base - 'a'), rank, upper);
    }
  }
  for (const auto& a : kCyrillicAccented)
    if (lower == a.letter)
      return LetterElement(
          kCyrillicBase + static_cast<std::uint32_t>(kCyrillicOrder.find(static_cast<char16_t>(a.base))),
          a.accent, upper);
  if (lower <= 0xFFFF)
    if (auto i = kCyrillicOrder.find(static_cast<char16_t>(lower)); i != kCyrillicOrder.npos)
      return LetterElement(kCyrillicBase + static_cast<std::uint32_t>(i), 0, upper);
  if (IsSymbol(c)) return {kSymbolBase + c, 0, 0, 0};
  return LetterElement(kOtherBase + lower, 0, upper);
}

// Elements of the characters below U+0530, where every letter with an own weight lies.
constexpr char32_t kCachedElements = 0x530;

Element ElementOf(char32_t c) {
  static const auto cache = [] {
    std::array<Element, kCachedElements> table{};
    for (char32_t ch = 0; ch < kCachedElements; ++ch) table[ch] = ComputeElement(ch);
    return table;
  }();
  return c < kCachedElements ? cache[c] : ComputeElement(c);
}

// ---- Single-byte code pages -------------------------------------------------------------

struct SingleByteTables {
  std::array<char, 256> upper{}, lower{};
  std::array<Element, 256> elements{};
};

// The byte of ch in the code page, or none when the code page lacks it.
bool EncodeSingleByte(char32_t ch, Cardinal codePage, char& byte) {
  RawByteString bytes = WideToCodePage(WideString(1, static_cast<char16_t>(ch)), codePage);
  if (bytes.size() != 1 || CodePageToWide(bytes, codePage) != WideString(1, static_cast<char16_t>(ch)))
    return false;
  byte = bytes[0];
  return true;
}

SingleByteTables BuildTables(Cardinal codePage) {
  SingleByteTables t;
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    const char32_t ch = CodePageToWide(std::string_view(&byte, 1), codePage)[0];
    t.elements[b] = ElementOf(ch);
    if (!EncodeSingleByte(UpperChar(ch), codePage, t.upper[b])) t.upper[b] = byte;
    if (!EncodeSingleByte(LowerChar(ch), codePage, t.lower[b])) t.lower[b] = byte;
  }
  return t;
}

// The tables of the ANSI code page, or nullptr when it is UTF-8.
const SingleByteTables* AnsiTables() {
  switch (GetAnsiCodePage()) {
    case CP_WIN1251: {
      static const SingleByteTables tables = BuildTables(CP_WIN1251);
      return &tables;
    }
    case CP_DOS866: {
      static const SingleByteTables tables = BuildTables(CP_DOS866);
      return &tables;
    }
    case CP_KOI8R: {
      static const SingleByteTables tables = BuildTables(CP_KOI8R);
      return &tables;
    }
    default:
      return nullptr;
  }
}

// ---- Case mapping -----------------------------------------------------------------------

AnsiString MapAnsiCase(const AnsiString& text, bool toUpper) {
  AnsiString out;
  out.reserve(text.size());
  if (const SingleByteTables* t = AnsiTables()) {
    const auto& map = toUpper ? t->upper : t->lower;
    for (char c : text) out += map[static_cast<unsigned char>(c)];
    return out;
  }
  // UTF-8: bytes that are not UTF-8 are kept as they are.
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    char32_t ch;
    if (DecodeUtf8Char(text, pos, ch))
      AppendUtf8Char(out, toUpper ? UpperChar(ch) : LowerChar(ch));
    else
      out += text[start];
  }
  return out;
}

WideString MapWideCase(const WideString& text, bool toUpper) {
  WideString out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t ch = DecodeUtf16Char(text, pos);
    AppendUtf16Char(out, toUpper ? UpperChar(ch) : LowerChar(ch));
  }
  return out;
}

// ---- Comparison -------------------------------------------------------------------------

class SingleByteReader {
 public:
  SingleByteReader(const SingleByteTables& tables, std::string_view text) : fTables(&tables), fText(text) {}
  bool Next(Element& e) {
    if (fPos >= fText.size()) return false;
    e = fTables->elements[static_cast<unsigned char>(fText[fPos++])];
    return true;
  }

 private:
  const SingleByteTables* fTables;
  std::string_view fText;
  std::size_t fPos = 0;
};

class Utf8Reader {
 public:
  explicit Utf8Reader(std::string_view text) : fText(text) {}
  bool Next(Element& e) {
    if (fPos >= fText.size()) return false;
    const std::size_t start = fPos;
    char32_t ch;
    if (DecodeUtf8Char(fText, fPos, ch))
      e = ElementOf(ch);
    else
      e = {kInvalidByteBase + static_cast<unsigned char>(fText[start]), 0, 0, 0};
    return true;
  }

 private:
  std::string_view fText;
  std::size_t fPos = 0;
};

class Utf16Reader {
 public:
  explicit Utf16Reader(const WideString& text) : fText(&text) {}
  bool Next(Element& e) {
    if (fPos >= fText->size()) return false;
    e = ElementOf(DecodeUtf16Char(*fText, fPos));
    return true;
  }

 private:
  const WideString* fText;
  std::size_t fPos = 0;
};

int Sign(bool less) {
  return less ? -1 : 1;
}

template <class Reader>
bool NextOrdinary(Reader& r, Element& e) {
  while (r.Next(e))
    if (e.special == 0) return true;
  return false;
}

// The next hyphen or apostrophe with the number of ordinary characters before it.
template <class Reader>
bool NextSpecial(Reader& r, std::size_t& ordinaryBefore, Element& e) {
  while (r.Next(e)) {
    if (e.special != 0) return true;
    ++ordinaryBefore;
  }
  return false;
}

template <class Reader>
int CompareSpecials(Reader a, Reader b) {
  std::size_t positionA = 0, positionB = 0;
  Element ea, eb;
  for (;;) {
    const bool hasA = NextSpecial(a, positionA, ea);
    const bool hasB = NextSpecial(b, positionB, eb);
    if (!hasA || !hasB) return hasA == hasB ? 0 : Sign(!hasA);
    if (positionA != positionB) return Sign(positionA < positionB);
    if (ea.special != eb.special) return Sign(ea.special < eb.special);
  }
}

template <class Reader>
int Collate(Reader a, Reader b, bool ignoreCase) {
  const Reader startA = a, startB = b;
  int accents = 0, cases = 0;
  Element ea, eb;
  for (;;) {
    const bool hasA = NextOrdinary(a, ea);
    const bool hasB = NextOrdinary(b, eb);
    if (!hasA || !hasB) {
      if (hasA != hasB) return Sign(!hasA);
      break;
    }
    if (ea.primary != eb.primary) return Sign(ea.primary < eb.primary);
    if (accents == 0 && ea.secondary != eb.secondary) accents = Sign(ea.secondary < eb.secondary);
    if (cases == 0 && ea.tertiary != eb.tertiary) cases = Sign(ea.tertiary < eb.tertiary);
  }
  if (accents != 0) return accents;
  if (!ignoreCase && cases != 0) return cases;
  return CompareSpecials(startA, startB);
}

int CollateAnsi(const AnsiString& a, const AnsiString& b, bool ignoreCase) {
  if (a == b) return 0;
  if (const SingleByteTables* t = AnsiTables())
    return Collate(SingleByteReader(*t, a), SingleByteReader(*t, b), ignoreCase);
  return Collate(Utf8Reader(a), Utf8Reader(b), ignoreCase);
}

}  // namespace

AnsiString AnsiUpperCase(const AnsiString& text) {
  return MapAnsiCase(text, true);
}
AnsiString AnsiLowerCase(const AnsiString& text) {
  return MapAnsiCase(text, false);
}
int AnsiCompareStr(const AnsiString& a, const AnsiString& b) {
  return CollateAnsi(a, b, false);
}
int AnsiCompareText(const AnsiString& a, const AnsiString& b) {
  return CollateAnsi(a, b, true);
}

bool AnsiSameText(const AnsiString& a, const AnsiString& b) {
  // Case pairs have the same encoded length, so texts of different lengths differ.
  return a.size() == b.size() && CollateAnsi(a, b, true) == 0;
}

WideString WideUpperCase(const WideString& text) {
  return MapWideCase(text, true);
}
WideString WideLowerCase(const WideString& text) {
  return MapWideCase(text, false);
}

int WideCompareStr(const WideString& a, const WideString& b) {
  return a == b ? 0 : Collate(Utf16Reader(a), Utf16Reader(b), false);
}

int WideCompareText(const WideString& a, const WideString& b) {
  return a == b ? 0 : Collate(Utf16Reader(a), Utf16Reader(b), true);
}

}  // namespace ordvane
