#include "classlib/core/StrUtils.h"

#include <array>
#include <cstring>
#include <limits>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

// The integer syntax of StrToInt for a value of `bits` bits (32 or 64).
bool ParseInteger(std::string_view text, int bits, Int64& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == text.size()) return false;
  const UInt64 hexLimit = bits == 32 ? 0xFFFFFFFFULL : std::numeric_limits<UInt64>::max();
  const UInt64 decimalLimit =
      (bits == 32 ? UInt64(std::numeric_limits<Integer>::max()) : UInt64(std::numeric_limits<Int64>::max())) +
      (negative ? 1 : 0);
  const unsigned base = hex ? 16 : 10;
  const UInt64 limit = hex ? hexLimit : decimalLimit;
  UInt64 magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = hex ? HexDigitValue(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (digit < 0) return false;
    if (magnitude > (limit - static_cast<UInt64>(digit)) / base) return false;
    magnitude = magnitude * base + static_cast<UInt64>(digit);
  }
  if (hex && bits == 32) magnitude = static_cast<UInt64>(static_cast<Int64>(static_cast<Integer>(magnitude)));
  // Two's-complement wrap-around is the intended result for "$FFFF..." and for the
  // most negative value.
  value = static_cast<Int64>(negative ? UInt64(0) - magnitude : magnitude);
  return true;
}

[[noreturn]] void InvalidInteger(const AnsiString& text) {
  throw EConvertError(Format("'%s' is not a valid integer value", {text}));
}

AnsiString Hex(UInt64 value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  AnsiString out;
  do {
    out.insert(out.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (digits > 0 && out.size() < static_cast<std::size_t>(digits))
    out.insert(0, static_cast<std::size_t>(digits) - out.size(), '0');
  return out;
}

int SignOf(int difference) {
  return (difference > 0) - (difference < 0);
}

}  // namespace

namespace {

template <class Text>
Text TrimmedLeft(const Text& text) {
  std::size_t first = 0;
  while (first < text.size() && static_cast<std::make_unsigned_t<typename Text::value_type>>(text[first]) <= ' ')
    ++first;
  return text.substr(first);
}

template <class Text>
Text TrimmedRight(const Text& text) {
  std::size_t end = text.size();
  while (end > 0 && static_cast<std::make_unsigned_t<typename Text::value_type>>(text[end - 1]) <= ' ') --end;
  return text.substr(0, end);
}

}  // namespace

AnsiString Trim(const AnsiString& text) { return TrimmedLeft(TrimmedRight(text)); }
AnsiString TrimLeft(const AnsiString& text) { return TrimmedLeft(text); }
AnsiString TrimRight(const AnsiString& text) { return TrimmedRight(text); }
WideString Trim(const WideString& text) { return TrimmedLeft(TrimmedRight(text)); }
WideString TrimLeft(const WideString& text) { return TrimmedLeft(text); }
WideString TrimRight(const WideString& text) { return TrimmedRight(text); }

int Pos(std::string_view sub, std::string_view text) {
  if (sub.empty()) return 0;
  const std::size_t at = text.find(sub);
  return at == std::string_view::npos ? 0 : static_cast<int>(at + 1);
}

AnsiString Copy(std::string_view text, Int64 index, Int64 count) {
  if (index < 1) index = 1;
  const auto length = static_cast<Int64>(text.size());
  if (count <= 0 || index > length) return {};
  const Int64 available = length - index + 1;
  return AnsiString(text.substr(static_cast<std::size_t>(index - 1),
                                static_cast<std::size_t>(count < available ? count : available)));
}

AnsiString StringReplace(const AnsiString& text, const AnsiString& oldPattern, const AnsiString& newPattern,
                         TReplaceFlags flags) {
  if (oldPattern.empty()) return text;
  // Case mapping keeps every character's length, so positions in the mapped copies are
  // positions in the text.
  const bool ignoreCase = flags.Contains(rfIgnoreCase);
  const AnsiString searchIn = ignoreCase ? AnsiUpperCase(text) : text;
  const AnsiString pattern = ignoreCase ? AnsiUpperCase(oldPattern) : oldPattern;
  AnsiString out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = searchIn.find(pattern, from);
    if (at == AnsiString::npos) break;
    out.append(text, from, at - from);
    out += newPattern;
    from = at + pattern.size();
    if (!flags.Contains(rfReplaceAll)) break;
  }
  out.append(text, from, AnsiString::npos);
  return out;
}

AnsiString UpperCase(const AnsiString& text) {
  AnsiString out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

AnsiString LowerCase(const AnsiString& text) {
  AnsiString out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

int CompareStr(std::string_view a, std::string_view b) {
  return SignOf(a.compare(b));
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const auto ca = static_cast<unsigned char>(AsciiUpper(a[i]));
    const auto cb = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return SignOf(static_cast<int>(a.size() > b.size()) - static_cast<int>(a.size() < b.size()));
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

AnsiString QuotedStr(std::string_view text) {
  return AnsiQuotedStr(text, '\'');
}

AnsiString AnsiQuotedStr(std::string_view text, char quote) {
  AnsiString out(1, quote);
  for (char c : text) {
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
  return out;
}

AnsiString AnsiExtractQuotedStr(std::string_view text, std::size_t& pos, char quote) {
  AnsiString out;
  if (pos >= text.size() || text[pos] != quote) return out;
  ++pos;
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c != quote) {
      out += c;
    } else if (pos < text.size() && text[pos] == quote) {
      out += quote;
      ++pos;
    } else {
      break;
    }
  }
  return out;
}

AnsiString AnsiDequotedStr(std::string_view text, char quote) {
  if (text.size() < 2 || text.front() != quote || text.back() != quote) return AnsiString(text);
  std::size_t pos = 0;
  return AnsiExtractQuotedStr(text, pos, quote);
}

namespace {

char* PutPair(char* end, std::uint32_t pair) {
  end -= 2;
  std::memcpy(end, TwoDigitText(pair), 2);
  return end;
}

}  // namespace

char* PutLastDigits(char* end, UInt64& value, int count) {
  // A copy, which the digits' stores cannot alias: no reload after every pair.
  UInt64 rest = value;
  for (; count >= 2; count -= 2, rest /= 100) end = PutPair(end, static_cast<std::uint32_t>(rest % 100));
  if (count == 1) {
    *--end = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  value = rest;
  return end;
}

char* PutDigits(char* end, UInt64 value) {
  // Dividing 64 bits by a constant costs about twice what 32 bits cost: the digits are
  // taken in 64 bits only while the value needs them.
  for (; value > std::numeric_limits<std::uint32_t>::max(); value /= 100)
    end = PutPair(end, static_cast<std::uint32_t>(value % 100));
  auto low = static_cast<std::uint32_t>(value);
  for (; low >= 100; low /= 100) end = PutPair(end, low % 100);
  if (low >= 10) return PutPair(end, low);
  *--end = static_cast<char>('0' + low);
  return end;
}

AnsiString IntToStr(Int64 value) {
  // Written in the stack and copied once: a text of up to 15 characters allocates nothing.
  std::array<char, std::numeric_limits<UInt64>::digits10 + 2> text;
  char* const end = text.data() + text.size();
  char* begin = PutDigits(end, value < 0 ? 0 - static_cast<UInt64>(value) : static_cast<UInt64>(value));
  if (value < 0) *--begin = '-';
  return AnsiString(begin, end);
}

AnsiString IntToHex(Integer value, int digits) {
  return Hex(static_cast<std::uint32_t>(value), digits);
}
AnsiString IntToHex(Int64 value, int digits) {
  return Hex(static_cast<UInt64>(value), digits);
}

bool TryStrToInt(const AnsiString& text, Integer& value) {
  Int64 wide;
  if (!ParseInteger(text, 32, wide)) return false;
  value = static_cast<Integer>(wide);
  return true;
}

Integer StrToInt(const AnsiString& text) {
  Integer value;
  if (!TryStrToInt(text, value)) InvalidInteger(text);
  return value;
}

Integer StrToIntDef(const AnsiString& text, Integer defaultValue) {
  Integer value;
  return TryStrToInt(text, value) ? value : defaultValue;
}

bool TryStrToInt64(const AnsiString& text, Int64& value) {
  return ParseInteger(text, 64, value);
}

Int64 StrToInt64(const AnsiString& text) {
  Int64 value;
  if (!TryStrToInt64(text, value)) InvalidInteger(text);
  return value;
}

Int64 StrToInt64Def(const AnsiString& text, Int64 defaultValue) {
  Int64 value;
  return TryStrToInt64(text, value) ? value : defaultValue;
}

}  // namespace ordvane
