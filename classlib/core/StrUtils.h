#pragma once
// The string routines of the class library: trimming, 1-based search and copy, replace,
// ASCII case, quoting, and integer conversions. Positions are 1-based as in the
// original; out-of-range positions give empty results, never an error.

#include <array>
#include <cstddef>
#include <string_view>

#include "classlib/core/System.h"

namespace ordvane {

// Without leading and/or trailing characters up to ' ' (control characters and blanks).
AnsiString Trim(const AnsiString& text);
AnsiString TrimLeft(const AnsiString& text);
AnsiString TrimRight(const AnsiString& text);
WideString Trim(const WideString& text);
WideString TrimLeft(const WideString& text);
WideString TrimRight(const WideString& text);

// Position of the first occurrence of sub in text, 1-based; 0 when absent or sub is empty.
int Pos(std::string_view sub, std::string_view text);

// count characters from the 1-based index; an index below 1 counts from the start.
AnsiString Copy(std::string_view text, Int64 index, Int64 count);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;

// The first (or with rfReplaceAll every) occurrence of oldPattern replaced, left to right
// and without overlaps. rfIgnoreCase finds occurrences by the locale's case mapping.
AnsiString StringReplace(const AnsiString& text, const AnsiString& oldPattern, const AnsiString& newPattern,
                         TReplaceFlags flags);

// Character tests and case of fixed syntaxes (numbers, names, hexadecimal), which no
// locale may change.
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// A control character or a blank: every byte up to ' '.
constexpr bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
// The value of a hexadecimal digit of either case, or -1.
constexpr int HexDigitValue(char c) {
  if (IsAsciiDigit(c)) return c - '0';
  c = AsciiUpper(c);
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// ASCII letters only; other bytes are left alone.
AnsiString UpperCase(const AnsiString& text);
AnsiString LowerCase(const AnsiString& text);
// Ordinal comparisons (-1, 0, 1); CompareText and SameText fold ASCII letter case.
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
// Orders keys as CompareText does, for maps of names that ignore ASCII case.
struct TextLess {
  bool operator()(std::string_view a, std::string_view b) const { return CompareText(a, b) < 0; }
};

// 'text' with every quote doubled.
AnsiString QuotedStr(std::string_view text);
AnsiString AnsiQuotedStr(std::string_view text, char quote);
// Reads a quoted text starting at text[pos] (which must be the quote): doubled quotes
// become one, and pos moves past the closing quote (or to the end when there is none,
// in which case the rest of the text is taken). Empty when text[pos] is not the quote.
AnsiString AnsiExtractQuotedStr(std::string_view text, std::size_t& pos, char quote);
// The text between the quotes when it is quoted, else the text unchanged.
AnsiString AnsiDequotedStr(std::string_view text, char quote);

AnsiString IntToStr(Int64 value);
// "00" to "99", two characters a number: a number's text made two digits a step needs half
// the divisions of one made digit by digit.
inline constexpr std::array<char, 200> TwoDigitTexts = [] {
  std::array<char, 200> texts{};
  for (std::size_t n = 0; n < 100; ++n) {
    texts[2 * n] = static_cast<char>('0' + n / 10);
    texts[2 * n + 1] = static_cast<char>('0' + n % 10);
  }
  return texts;
}();
// The two characters of a number below 100 in TwoDigitTexts.
inline const char* TwoDigitText(unsigned value) { return TwoDigitTexts.data() + 2 * std::size_t{value}; }
// Decimal digits written backwards into a buffer that ends at end, so that a number's
// text is made in place in one pass; each answers where the digits written begin.
// PutLastDigits writes value's last count digits (zeros where it has none) and takes them
// off value; PutDigits writes every digit of value, at least one.
char* PutLastDigits(char* end, UInt64& value, int count);
char* PutDigits(char* end, UInt64 value);
// Upper-case hexadecimal, at least digits long; a negative value shows as its two's
// complement in 32 bits (Integer) or 64 bits (Int64).
AnsiString IntToHex(Integer value, int digits);
AnsiString IntToHex(Int64 value, int digits);

// Leading blanks, an optional sign, then decimal digits or hexadecimal ones after '$',
// 'x' or "0x". Nothing may follow the digits. Hexadecimal text may use all 32 (64) bits:
// "$FFFFFFFF" is -1. StrToInt raises EConvertError "'<text>' is not a valid integer value".
Integer StrToInt(const AnsiString& text);
Integer StrToIntDef(const AnsiString& text, Integer defaultValue);
bool TryStrToInt(const AnsiString& text, Integer& value);
Int64 StrToInt64(const AnsiString& text);
Int64 StrToInt64Def(const AnsiString& text, Int64 defaultValue);
bool TryStrToInt64(const AnsiString& text, Int64& value);

// The SQL LIKE rule: '%' takes any run of characters, '_' exactly one, everything else
// itself. Greedy matching that returns to the last '%' on a mismatch: no recursion, at
// most text length times pattern length steps, whatever the input.
template <class Text>
bool MatchesLikePattern(const Text& text, const Text& pattern) {
  using Char = typename Text::value_type;
  const Char any = '%', one = '_';
  std::size_t t = 0, p = 0;
  std::size_t starPattern = Text::npos, starText = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == any) {
      starPattern = p++;
      starText = t;
    } else if (p < pattern.size() && (pattern[p] == one || pattern[p] == text[t])) {
      ++t;
      ++p;
    } else if (starPattern != Text::npos) {
      p = starPattern + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == any) ++p;
  return p == pattern.size();
}

}  // namespace ordvane
