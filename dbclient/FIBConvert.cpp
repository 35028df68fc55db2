#include "dbclient/FIBConvert.h"

#include <cmath>
#include <limits>

#include "classlib/core/CodePages.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/Math.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DataSet.h"

namespace ordvane {

namespace {

// The generator is seeded once when the unit starts, as random digits and ranges expect.
// Only a failing lock could throw here, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
[[maybe_unused]] const bool gRandomSeeded = (Randomize(), true);

bool IsPlaceholder(char c) {
  return c == '#' || c == '0' || c == ',' || c == '.';
}

// A display format taken apart.
struct TNumericFormat {
  AnsiString prefix, suffix;
  AnsiString beforeSeparator, afterSeparator;  // literal text around "."
  int maxDecimals = 0;
  int minDecimals = 0;
  bool thousands = false;
  bool pointFirst = false;
};

TNumericFormat ParseNumericFormat(const AnsiString& format, std::size_t first, std::size_t last) {
  TNumericFormat f;
  f.prefix = format.substr(0, first);
  f.suffix = format.substr(last + 1);
  const AnsiString body = format.substr(first, last - first + 1);
  f.thousands = body.find(',') != AnsiString::npos;
  f.pointFirst = body[0] == '.';
  const std::size_t point = body.find('.');
  if (point == AnsiString::npos) return f;
  std::size_t from = point;
  while (from > 0 && !IsPlaceholder(body[from - 1])) --from;
  f.beforeSeparator = body.substr(from, point - from);
  std::size_t to = point + 1;
  while (to < body.size() && !IsPlaceholder(body[to])) ++to;
  f.afterSeparator = body.substr(point + 1, to - point - 1);
  for (std::size_t i = point + 1; i < body.size(); ++i) {
    if (body[i] != '#' && body[i] != '0') continue;
    ++f.maxDecimals;
    if (body[i] == '0') f.minDecimals = f.maxDecimals;
  }
  return f;
}

// A decimal number as text: sign, integer digits, separator and fraction digits.
struct TNumberParts {
  AnsiString sign;
  AnsiString whole;
  bool separator = false;
  AnsiString fraction;
};

TNumberParts SplitNumber(const AnsiString& text, char decimalSeparator) {
  TNumberParts parts;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) parts.sign = text[i++];
  while (i < text.size() && IsAsciiDigit(text[i])) parts.whole += text[i++];
  if (i < text.size() && text[i] == decimalSeparator) {
    parts.separator = true;
    for (++i; i < text.size() && IsAsciiDigit(text[i]); ++i) parts.fraction += text[i];
  }
  if (i != text.size() || (parts.whole.empty() && parts.fraction.empty()))
    throw EConvertError("'" + text + "' is not a valid floating point value");
  return parts;
}

// Rounds the fraction half up to the given number of decimals.
void RoundFraction(TNumberParts& parts, const AnsiString& text, char decimalSeparator, int decimals) {
  TFloatRec rec;
  ParseDecimalText(text, decimalSeparator, rec);
  rec = RoundDecimal(rec, kNoDecimalsLimit, decimals);
  const AnsiString& digits = rec.Digits;
  const int exponent = rec.Exponent;
  if (digits.empty()) {
    parts = {AnsiString(), "0", false, AnsiString()};
    return;
  }
  if (exponent <= 0) {
    parts.whole = "0";
    parts.fraction = AnsiString(static_cast<std::size_t>(-exponent), '0') + digits;
  } else if (static_cast<std::size_t>(exponent) >= digits.size()) {
    parts.whole = digits + AnsiString(static_cast<std::size_t>(exponent) - digits.size(), '0');
    parts.fraction.clear();
  } else {
    parts.whole = digits.substr(0, static_cast<std::size_t>(exponent));
    parts.fraction = digits.substr(static_cast<std::size_t>(exponent));
  }
}

AnsiString GroupThousands(const AnsiString& digits, char separator) {
  AnsiString grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return grouped;
}

AnsiString ApplyNumericFormat(const AnsiString& format, const AnsiString& numberText, bool inSection) {
  const std::size_t first = format.find_first_of("#0,.");
  if (first == AnsiString::npos) return format;
  const TNumericFormat f = ParseNumericFormat(format, first, format.find_last_of("#0,."));
  const TFormatSettings& settings = FormatSettings();
  TNumberParts parts = SplitNumber(numberText, settings.DecimalSeparator);
  if (static_cast<int>(parts.fraction.size()) > f.maxDecimals)
    RoundFraction(parts, numberText, settings.DecimalSeparator, f.maxDecimals);
  if (static_cast<int>(parts.fraction.size()) < f.minDecimals)
    parts.fraction.append(static_cast<std::size_t>(f.minDecimals) - parts.fraction.size(), '0');
  if (f.thousands) parts.whole = GroupThousands(parts.whole, settings.ThousandSeparator);
  if (f.pointFirst && parts.whole == "0") parts.whole.clear();
  if (inSection && parts.sign == "-") parts.sign.clear();
  AnsiString text = parts.sign + parts.whole;
  if (!parts.fraction.empty())
    text += f.beforeSeparator + settings.DecimalSeparator + f.afterSeparator + parts.fraction;
  return f.prefix + text + f.suffix;
}

std::vector<AnsiString> SplitSections(const AnsiString& format) {
  std::vector<AnsiString> sections;
  std::size_t start = 0;
  for (std::size_t semicolon; (semicolon = format.find(';', start)) != AnsiString::npos; start = semicolon + 1)
    sections.push_back(format.substr(start, semicolon - start));
  sections.push_back(format.substr(start));
  return sections;
}

}  // namespace

AnsiString WideToAnsiCP(const WideString& text, Cardinal codePage) {
  return IsCodePageSupported(codePage) && codePage != CP_UTF16LE ? WideToCodePage(text, codePage)
                                                                  : WideToAnsi(text);
}

WideString AnsiToWideCP(const AnsiString& text, Cardinal codePage) {
  return IsCodePageSupported(codePage) && codePage != CP_UTF16LE ? CodePageToWide(text, codePage)
                                                                  : AnsiToWide(text);
}

Cardinal SingleByteCharSetCodePage(Integer charSetID) {
  switch (charSetID) {
    case 10:
      return 866;  // DOS866
    case 21:
      return 28591;  // ISO8859_1
    case 52:
      return 1251;  // WIN1251
    case 53:
      return 1252;  // WIN1252
    case 63:
      return 20866;  // KOI8R
    default:
      return 0;
  }
}

bool WideToCodePageExact(std::u16string_view text, Cardinal codePage, RawByteString& bytes) {
  bytes = WideToCodePage(text, codePage);
  return CodePageToWide(bytes, codePage) == text;
}

AnsiString FullComponentName(const TComponent* component) {
  AnsiString path;
  for (; component != nullptr; component = component->Owner()) {
    if (component->Name().empty()) continue;
    path = path.empty() ? component->Name() : component->Name() + "." + path;
  }
  return path;
}

Int64 Int64PowerOfTen(int exponent) {
  return Int64PowersOfTen.at(static_cast<std::size_t>(exponent));
}

double Power10(int exponent) {
  return std::pow(10.0, exponent);
}

AnsiString ScaledInt64ToStrSep(int scale, char separator, Int64 value) {
  if (value == 0) return "0";
  const bool negative = value < 0;
  AnsiString digits = std::to_string(negative ? UInt64(0) - static_cast<UInt64>(value) : static_cast<UInt64>(value));
  if (scale <= 0) {
    digits.append(static_cast<std::size_t>(-static_cast<Int64>(scale)), '0');
  } else {
    const auto places = static_cast<std::size_t>(scale);
    if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
    AnsiString fraction = digits.substr(digits.size() - places);
    digits.erase(digits.size() - places);
    fraction.erase(fraction.find_last_not_of('0') + 1);
    if (!fraction.empty()) digits += separator + fraction;
  }
  return negative ? "-" + digits : digits;
}

AnsiString ScaledInt64ToStr(int scale, Int64 value) {
  return ScaledInt64ToStrSep(scale, FormatSettings().DecimalSeparator, value);
}

bool BcdToScaledInt64(const TBcd& bcd, Int64& value, int& scale) {
  if (bcd.Precision == 0) {
    value = 0;
    scale = 0;
    return true;
  }
  try {
    return TryBcdToScaledInt64(bcd, value, scale);
  } catch (const EBcdException&) {
    return false;
  }
}

Extended BcdToExtendedEx(const TBcd& bcd) {
  Int64 value;
  int scale;
  if (!BcdToScaledInt64(bcd, value, scale)) return BcdToDouble(bcd);
  return static_cast<Extended>(value) / IntPower(10, scale);
}

AnsiString BcdToStrDot(const TBcd& bcd) {
  TFormatSettings settings;
  settings.DecimalSeparator = '.';
  return BcdToStr(bcd, settings);
}

bool GetFieldDataEx(TField* field, void* buffer, bool oldValue) {
  if (oldValue) return field->DataSet()->GetStateFieldData(dsOldValue, field, buffer);
  return field->GetData(buffer);
}

// Through the field's exact text: a field keeps its BCD in whatever form it likes (a
// scaled integer, a BCD record), and its text is exact in every one of them.
bool GetFieldBcdValue(TField* field, TBcd& value) {
  if (field->IsNull()) return false;
  value = StrToBcd(field->AsString());
  return true;
}

Variant GetFieldBcdAsVariant(TField* field, bool dotSeparator) {
  TBcd value;
  if (!GetFieldBcdValue(field, value)) return Variant();
  return Variant(dotSeparator ? BcdToStrDot(value) : BcdToStr(value));
}

bool IsZeroText(const AnsiString& text) {
  const char separator = FormatSettings().DecimalSeparator;
  return !text.empty() && text.find_first_not_of(AnsiString("0") + separator) == AnsiString::npos;
}

AnsiString FormatNumericText(const AnsiString& format, const AnsiString& numberText, bool inSection) {
  if (numberText.empty()) return AnsiString();
  AnsiString trimmed = format;
  trimmed.erase(trimmed.find_last_not_of("\t ;") + 1);
  if (inSection || trimmed.find(';') == AnsiString::npos) return ApplyNumericFormat(trimmed, numberText, inSection);
  const std::vector<AnsiString> sections = SplitSections(trimmed);
  const char lead = numberText[0];
  AnsiString section;
  if (lead == '+' || (lead >= '1' && lead <= '9'))
    section = sections[0];
  else if (lead == '0')
    section = sections.size() >= 3 && IsZeroText(numberText) ? sections[2] : sections[0];
  else
    section = sections.size() >= 3 ? sections[1] : trimmed.substr(trimmed.find(';') + 1);
  // An empty section stands for the first one, which then writes the sign itself.
  if (section.empty()) return ApplyNumericFormat(sections[0], numberText, false);
  return ApplyNumericFormat(section, numberText, true);
}

Extended RoundToDecimals(Extended value, int decimals) {
  const Extended scale = IntPower(10, decimals);
  return Int(value) + static_cast<Extended>(Round(Frac(value) * scale)) / scale;
}

TTimeStamp MakeTimeStamp(Integer date, Integer time) {
  TTimeStamp stamp;
  stamp.Date = date;
  stamp.Time = time;
  return stamp;
}

TDateTime TimeStampToDateTimeEx(const TTimeStamp& timeStamp) {
  if (timeStamp.Date != 0) return TimeStampToDateTime(timeStamp);
  return TimeStampToDateTime(MakeTimeStamp(DateDelta, timeStamp.Time));
}

TDateTime DateNumberToDateTime(Integer date) {
  return TimeStampToDateTimeEx(MakeTimeStamp(date, 0));
}

Integer RandomInRange(Integer low, Integer high) {
  const Int64 range = static_cast<Int64>(high) - low;
  if (range <= 0) return low;
  if (range <= std::numeric_limits<Integer>::max()) return low + Random(static_cast<Integer>(range));
  return static_cast<Integer>(low + static_cast<Int64>(Random() * static_cast<Extended>(range)));
}

AnsiString RandomDigits(int length) {
  AnsiString digits;
  while (static_cast<int>(digits.size()) < length) digits += std::to_string(Random(std::numeric_limits<Integer>::max()));
  digits.resize(static_cast<std::size_t>(std::max(length, 0)));
  return digits;
}

Integer HexTextToInt(const AnsiString& text) {
  Cardinal value = 0;
  for (char c : text) {
    Cardinal digit = 0;
    if (c >= '0' && c <= '9')
      digit = static_cast<Cardinal>(c - '0');
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<Cardinal>(c - 'A' + 10);
    value = value * 16 + digit;
  }
  return static_cast<Integer>(value);
}

Byte SetBitInByte(Byte value, int bit, bool set) {
  if (bit < 0 || bit > 7) return value;
  const auto mask = static_cast<Byte>(1u << bit);
  return set ? static_cast<Byte>(value | mask) : static_cast<Byte>(value & ~mask);
}

}  // namespace ordvane
