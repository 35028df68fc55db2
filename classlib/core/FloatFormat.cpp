#include "classlib/core/FloatFormat.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

constexpr int kExtendedDigits = 18;  // significant digits the platform produced for a value
constexpr int kGeneralPrecision = 15;
constexpr int kCurrencyPrecision = 19;

TFloatRec Special(TFloatRec::TKind kind, bool negative) {
  TFloatRec rec;
  rec.Kind = kind;
  rec.Negative = negative;
  return rec;
}

void StripTrailingZeros(TFloatRec& rec) {
  std::size_t end = rec.Digits.find_last_not_of('0');
  rec.Digits.resize(end == AnsiString::npos ? 0 : end + 1);
  if (rec.Digits.empty()) {
    rec.Exponent = 0;
    rec.Negative = false;
  }
}

// The exact decimal of a finite value to 18 significant digits (round to nearest even).
TFloatRec ExtendedDecimal(Extended value) {
  if (std::isnan(value)) return Special(TFloatRec::TKind::NaN, false);
  if (std::isinf(value)) return Special(TFloatRec::TKind::Infinity, value < 0);
  TFloatRec rec;
  if (value == 0) return rec;
  rec.Negative = value < 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*Le", kExtendedDigits - 1, std::fabs(value));
  // buffer: d.ddddddddddddddddde[+-]x
  rec.Digits.assign(1, buffer[0]);
  rec.Digits.append(buffer + 2, kExtendedDigits - 1);
  rec.Exponent = std::atoi(buffer + kExtendedDigits + 2) + 1;
  StripTrailingZeros(rec);
  return rec;
}

TFloatRec CurrencyDecimal(Currency value) {
  TFloatRec rec;
  Int64 scaled = value.Scaled();
  if (scaled == 0) return rec;
  rec.Negative = scaled < 0;
  UInt64 magnitude = rec.Negative ? UInt64(0) - static_cast<UInt64>(scaled) : static_cast<UInt64>(scaled);
  rec.Digits = std::to_string(magnitude);
  rec.Exponent = static_cast<int>(rec.Digits.size()) - 4;
  StripTrailingZeros(rec);
  return rec;
}

AnsiString Zeros(int count) { return AnsiString(count > 0 ? static_cast<std::size_t>(count) : 0, '0'); }

AnsiString SpecialText(const TFloatRec& rec) {
  if (rec.Kind == TFloatRec::TKind::NaN) return "NAN";
  return rec.Negative ? "-INF" : "INF";
}

// Integer digits of a rounded decimal ("" for a value below one).
AnsiString IntegerDigits(const TFloatRec& rec) {
  if (rec.Exponent <= 0) return "";
  AnsiString digits = rec.Digits.substr(0, static_cast<std::size_t>(rec.Exponent));
  return digits + Zeros(rec.Exponent - static_cast<int>(digits.size()));
}

AnsiString FractionDigits(const TFloatRec& rec) {
  if (rec.Exponent < 0) return Zeros(-rec.Exponent) + rec.Digits;
  if (static_cast<std::size_t>(rec.Exponent) >= rec.Digits.size()) return "";
  return rec.Digits.substr(static_cast<std::size_t>(rec.Exponent));
}

AnsiString GroupThousands(const AnsiString& digits, char separator) {
  if (separator == '\0') return digits;
  AnsiString out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

AnsiString ExponentText(int exponent, bool alwaysSign, int minDigits) {
  AnsiString text = exponent < 0 ? "-" : (alwaysSign ? "+" : "");
  AnsiString digits = std::to_string(exponent < 0 ? -exponent : exponent);
  return text + Zeros(minDigits - static_cast<int>(digits.size())) + digits;
}

AnsiString Signed(const TFloatRec& rec, const AnsiString& text) { return rec.Negative ? "-" + text : text; }

AnsiString ScientificText(const TFloatRec& rec, const AnsiString& digits, bool alwaysSign,
                          int minExponentDigits, const TFormatSettings& settings) {
  AnsiString text = digits.substr(0, 1);
  if (digits.size() > 1) text += settings.DecimalSeparator + digits.substr(1);
  int exponent = rec.Digits.empty() ? 0 : rec.Exponent - 1;
  return Signed(rec, text + "E" + ExponentText(exponent, alwaysSign, minExponentDigits));
}

AnsiString GeneralText(const TFloatRec& rec, int precision, int minExponentDigits,
                       const TFormatSettings& settings) {
  if (rec.Digits.empty()) return "0";
  if (rec.Exponent > precision || rec.Exponent < -3)
    return ScientificText(rec, rec.Digits, false, minExponentDigits, settings);
  AnsiString integer = IntegerDigits(rec);
  AnsiString fraction = FractionDigits(rec);
  AnsiString text = integer.empty() ? "0" : integer;
  if (!fraction.empty()) text += settings.DecimalSeparator + fraction;
  return Signed(rec, text);
}

AnsiString FixedText(const TFloatRec& rec, int digits, char thousandSeparator,
                     const TFormatSettings& settings) {
  AnsiString integer = IntegerDigits(rec);
  AnsiString text = integer.empty() ? "0" : GroupThousands(integer, thousandSeparator);
  if (digits > 0) {
    AnsiString fraction = FractionDigits(rec);
    text += settings.DecimalSeparator + fraction + Zeros(digits - static_cast<int>(fraction.size()));
  }
  return text;
}

AnsiString CurrencyText(const TFloatRec& rec, int digits, const TFormatSettings& settings) {
  static const char* const kPositive[] = {"$1", "1$", "$ 1", "1 $"};
  static const char* const kNegative[] = {"($1)", "-$1", "$-1", "$1-", "(1$)", "-1$",
                                          "1-$",  "1$-", "-1 $", "-$ 1", "1 $-", "$ 1-",
                                          "$ -1", "1- $", "($ 1)", "(1 $)"};
  const AnsiString number = FixedText(rec, digits, settings.ThousandSeparator, settings);
  const char* pattern = rec.Negative ? kNegative[settings.NegCurrFormat % 16]
                                     : kPositive[settings.CurrencyFormat % 4];
  AnsiString text;
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (*p == '$')
      text += settings.CurrencyString;
    else if (*p == '1')
      text += number;
    else
      text += *p;
  }
  return text;
}

}  // namespace

TFloatRec RoundDecimal(const TFloatRec& exact, int precision, int decimals) {
  if (exact.Kind != TFloatRec::TKind::Number || exact.Digits.empty()) return exact;
  TFloatRec rec = exact;
  long keep = precision;
  if (decimals != kNoDecimalsLimit) keep = std::min<long>(keep, static_cast<long>(rec.Exponent) + decimals);
  if (keep < 0) return TFloatRec();
  if (static_cast<std::size_t>(keep) < rec.Digits.size()) {
    const bool roundUp = rec.Digits[static_cast<std::size_t>(keep)] >= '5';
    rec.Digits.resize(static_cast<std::size_t>(keep));
    if (roundUp) {
      std::size_t i = rec.Digits.size();
      while (i > 0 && rec.Digits[i - 1] == '9') rec.Digits[--i] = '0';
      if (i == 0) {  // every kept digit was 9 (or none was kept): one more integer digit
        rec.Digits.assign(1, '1');
        ++rec.Exponent;
      } else {
        ++rec.Digits[i - 1];
      }
    }
  }
  StripTrailingZeros(rec);
  return rec;
}

TFloatRec FloatToDecimal(Extended value, int precision, int decimals) {
  return RoundDecimal(ExtendedDecimal(value), precision, decimals);
}

TFloatRec CurrToDecimal(Currency value, int precision, int decimals) {
  return RoundDecimal(CurrencyDecimal(value), precision, decimals);
}

AnsiString DecimalToText(const TFloatRec& exact, TFloatFormat format, int precision, int digits,
                         const TFormatSettings& settings) {
  if (exact.Kind != TFloatRec::TKind::Number) return SpecialText(exact);
  if (digits < 0) digits = 0;
  switch (format) {
    case ffGeneral:
    case ffExponent: {
      digits = std::min(digits, 4);
      TFloatRec rec = RoundDecimal(exact, precision, kNoDecimalsLimit);
      if (format == ffGeneral) return GeneralText(rec, precision, digits, settings);
      AnsiString all = rec.Digits + Zeros(precision - static_cast<int>(rec.Digits.size()));
      return ScientificText(rec, all, true, digits, settings);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::min(digits, 18);
      TFloatRec rec = RoundDecimal(exact, precision, digits);
      if (rec.Exponent > precision) return GeneralText(rec, precision, 0, settings);
      if (format == ffCurrency) return CurrencyText(rec, digits, settings);
      char separator = format == ffNumber ? settings.ThousandSeparator : '\0';
      return Signed(rec, FixedText(rec, digits, separator, settings));
    }
  }
  return AnsiString();
}

AnsiString FloatToStr(Extended value) { return FloatToStr(value, FormatSettings()); }
AnsiString FloatToStr(Extended value, const TFormatSettings& settings) {
  return FloatToStrF(value, ffGeneral, kGeneralPrecision, 0, settings);
}

AnsiString FloatToStrF(Extended value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}
AnsiString FloatToStrF(Extended value, TFloatFormat format, int precision, int digits,
                       const TFormatSettings& settings) {
  precision = std::clamp(precision, 2, kExtendedDigits);
  return DecimalToText(ExtendedDecimal(value), format, precision, digits, settings);
}

AnsiString CurrToStr(Currency value) { return CurrToStr(value, FormatSettings()); }
AnsiString CurrToStr(Currency value, const TFormatSettings& settings) {
  return CurrToStrF(value, ffGeneral, 0, settings);
}

AnsiString CurrToStrF(Currency value, TFloatFormat format, int digits) {
  return CurrToStrF(value, format, digits, FormatSettings());
}
AnsiString CurrToStrF(Currency value, TFloatFormat format, int digits,
                      const TFormatSettings& settings) {
  return DecimalToText(CurrencyDecimal(value), format, kCurrencyPrecision, digits, settings);
}

}  // namespace ordvane

// ---- FormatFloat ---------------------------------------------------------------------

namespace ordvane {

namespace {

bool IsQuote(char c) { return c == '"' || c == '\''; }

// Index just past the quoted text that starts at 'open'.
std::size_t SkipQuoted(const AnsiString& text, std::size_t open) {
  std::size_t close = text.find(text[open], open + 1);
  return close == AnsiString::npos ? text.size() : close + 1;
}

std::vector<AnsiString> SplitSections(const AnsiString& format) {
  std::vector<AnsiString> sections(1);
  for (std::size_t i = 0; i < format.size();) {
    if (IsQuote(format[i])) {
      std::size_t end = SkipQuoted(format, i);
      sections.back().append(format, i, end - i);
      i = end;
    } else if (format[i] == ';') {
      if (sections.size() == 3) break;
      sections.emplace_back();
      ++i;
    } else {
      sections.back() += format[i++];
    }
  }
  return sections;
}

bool IsExponentAt(const AnsiString& section, std::size_t i) {
  return (section[i] == 'E' || section[i] == 'e') && i + 1 < section.size() &&
         (section[i + 1] == '+' || section[i + 1] == '-');
}

// What a section's placeholders ask for.
struct SectionLayout {
  int digitCount = 0;       // digit placeholders before any exponent
  int decimalIndex = -1;    // placeholders before the first '.'
  int firstZero = INT32_MAX;  // index of the first '0' placeholder
  int lastZero = 0;         // index just past the last '0' placeholder
  bool thousands = false;
  bool scientific = false;

  explicit SectionLayout(const AnsiString& section) {
    for (std::size_t i = 0; i < section.size();) {
      char c = section[i];
      if (IsQuote(c)) {
        i = SkipQuoted(section, i);
        continue;
      }
      if (c == '0' || c == '#') {
        if (c == '0') {
          firstZero = std::min(firstZero, digitCount);
          lastZero = digitCount + 1;
        }
        ++digitCount;
      } else if (c == '.') {
        if (decimalIndex < 0) decimalIndex = digitCount;
      } else if (c == ',') {
        thousands = true;
      } else if (IsExponentAt(section, i)) {
        scientific = true;
        break;
      }
      ++i;
    }
    if (decimalIndex < 0) decimalIndex = digitCount;
  }
};

// Writes one section for a rounded decimal.
class SectionWriter {
 public:
  SectionWriter(const AnsiString& section, const SectionLayout& layout, const TFloatRec& rec,
                const TFormatSettings& settings)
      : fSection(section), fLayout(layout), fSettings(settings) {
    if (layout.scientific) {
      if (!rec.Digits.empty()) {
        std::size_t split = static_cast<std::size_t>(layout.decimalIndex);
        fInteger = rec.Digits.substr(0, split);
        fInteger += Zeros(layout.decimalIndex - static_cast<int>(fInteger.size()));
        if (rec.Digits.size() > split) fFraction = rec.Digits.substr(split);
        fExponent = rec.Exponent - layout.decimalIndex;
      }
    } else {
      fInteger = IntegerDigits(rec);
      fFraction = FractionDigits(rec);
    }
    fFractionShown = std::max(static_cast<int>(fFraction.size()), layout.lastZero - layout.decimalIndex);
  }

  AnsiString Write(bool minus) {
    AnsiString out = minus ? "-" : "";
    bool pointWritten = false;
    bool afterExponent = false;
    int placeholder = 0;
    for (std::size_t i = 0; i < fSection.size();) {
      const char c = fSection[i];
      if (IsQuote(c)) {
        const std::size_t end = SkipQuoted(fSection, i);
        const bool closed = end > i + 1 && fSection[end - 1] == c;
        out.append(fSection, i + 1, end - (i + 1) - (closed ? 1 : 0));
        i = end;
        continue;
      }
      if (!afterExponent && (c == '0' || c == '#')) {
        WritePlaceholder(placeholder++, out);
      } else if (!afterExponent && c == '.') {
        if (!pointWritten) {
          pointWritten = true;
          if (fLayout.decimalIndex == 0) WriteIntegerDigits(static_cast<int>(fInteger.size()) - 1, 0, out);
          if (fFractionShown > 0) out += fSettings.DecimalSeparator;
        }
      } else if (!afterExponent && c == ',') {
        // a flag for the whole section, not text
      } else if (!afterExponent && fLayout.scientific && IsExponentAt(fSection, i)) {
        i = WriteExponent(i, out);
        afterExponent = true;
        continue;
      } else {
        out += c;
      }
      ++i;
    }
    return out;
  }

 private:
  char IntegerDigitAt(int place) const {
    return fInteger[fInteger.size() - 1 - static_cast<std::size_t>(place)];
  }

  // Digits of the places from 'high' down to 'low', as far as the number has them.
  void WriteIntegerDigits(int high, int low, AnsiString& out) const {
    for (int place = high; place >= low; --place) WriteIntegerPlace(place, IntegerDigitAt(place), out);
  }

  void WriteIntegerPlace(int place, char digit, AnsiString& out) const {
    out += digit;
    if (fLayout.thousands && place > 0 && place % 3 == 0 && fSettings.ThousandSeparator != '\0')
      out += fSettings.ThousandSeparator;
  }

  void WritePlaceholder(int index, AnsiString& out) const {
    const int integerCount = static_cast<int>(fInteger.size());
    if (index < fLayout.decimalIndex) {
      const int place = fLayout.decimalIndex - 1 - index;
      // The first placeholder also takes the digits that have no placeholder of their own.
      if (index == 0 && integerCount - 1 > place) WriteIntegerDigits(integerCount - 1, place + 1, out);
      if (place < integerCount)
        WriteIntegerPlace(place, IntegerDigitAt(place), out);
      else if (index >= fLayout.firstZero)
        WriteIntegerPlace(place, '0', out);
      return;
    }
    const int position = index - fLayout.decimalIndex;
    if (position < static_cast<int>(fFraction.size()))
      out += fFraction[static_cast<std::size_t>(position)];
    else if (position < fLayout.lastZero - fLayout.decimalIndex)
      out += '0';
  }

  // "E+00": the letter as written, the sign, at least as many digits as zeros follow.
  std::size_t WriteExponent(std::size_t i, AnsiString& out) const {
    out += fSection[i];
    const bool alwaysSign = fSection[i + 1] == '+';
    i += 2;
    int zeros = 0;
    while (i < fSection.size() && fSection[i] == '0') {
      ++zeros;
      ++i;
    }
    out += ExponentText(fExponent, alwaysSign, std::min(zeros, 4));
    return i;
  }

  const AnsiString& fSection;
  const SectionLayout& fLayout;
  const TFormatSettings& fSettings;
  AnsiString fInteger;
  AnsiString fFraction;
  int fExponent = 0;
  int fFractionShown = 0;
};

TFloatRec RoundForSection(const TFloatRec& exact, const SectionLayout& layout, int generalPrecision) {
  if (layout.scientific)
    return RoundDecimal(exact, std::clamp(layout.digitCount, 1, kExtendedDigits), kNoDecimalsLimit);
  return RoundDecimal(exact, generalPrecision, layout.digitCount - layout.decimalIndex);
}

}  // namespace

AnsiString FormatDecimal(const AnsiString& format, const TFloatRec& exact, int generalPrecision,
                         const TFormatSettings& settings) {
  if (format.empty() || exact.Kind != TFloatRec::TKind::Number)
    return DecimalToText(exact, ffGeneral, generalPrecision, 0, settings);
  const std::vector<AnsiString> sections = SplitSections(format);
  auto usable = [&](std::size_t index) { return index < sections.size() && !sections[index].empty(); };
  std::size_t index = exact.Digits.empty() ? 2 : exact.Negative ? 1 : 0;
  if (!usable(index)) index = 0;
  SectionLayout layout(sections[index]);
  TFloatRec rec = RoundForSection(exact, layout, generalPrecision);
  // A value that rounds to zero is written by the zero section when there is one. A value
  // that rounds to zero never gets a minus sign: "-0" would be a second text for zero.
  if (rec.Digits.empty() && index != 2 && usable(2)) {
    index = 2;
    layout = SectionLayout(sections[index]);
    rec = RoundForSection(exact, layout, generalPrecision);
  }
  const bool minus = rec.Negative && index == 0;
  return SectionWriter(sections[index], layout, rec, settings).Write(minus);
}

AnsiString FormatFloat(const AnsiString& format, Extended value) {
  return FormatFloat(format, value, FormatSettings());
}
AnsiString FormatFloat(const AnsiString& format, Extended value, const TFormatSettings& settings) {
  return FormatDecimal(format, ExtendedDecimal(value), kGeneralPrecision, settings);
}

AnsiString FormatCurr(const AnsiString& format, Currency value) {
  return FormatCurr(format, value, FormatSettings());
}
AnsiString FormatCurr(const AnsiString& format, Currency value, const TFormatSettings& settings) {
  return FormatDecimal(format, CurrencyDecimal(value), kCurrencyPrecision, settings);
}

// ---- Parsers -------------------------------------------------------------------------

namespace {

constexpr long kExponentCap = 100000;  // far beyond any representable value

[[noreturn]] void InvalidFloat(const AnsiString& text) {
  throw EConvertError("'" + text + "' is not a valid floating point value");
}

__extension__ typedef __int128 Int128;

// The decimal scaled by 10 000 and rounded to nearest, ties to even; false when it does
// not fit a Currency.
bool DecimalToCurrencyUnits(const TFloatRec& decimal, Int64& units) {
  // Units = 0.Digits * 10^(Exponent + 4): the first Exponent + 4 digits are whole units.
  const long wholeDigits = static_cast<long>(decimal.Exponent) + 4;
  if (wholeDigits > 19) return false;
  Int128 value = 0;
  for (long i = 0; i < wholeDigits; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    value = value * 10 + (at < decimal.Digits.size() ? decimal.Digits[at] - '0' : 0);
  }
  if (wholeDigits >= 0) {
    const std::size_t dropped = static_cast<std::size_t>(wholeDigits);
    const int firstDropped = dropped < decimal.Digits.size() ? decimal.Digits[dropped] - '0' : 0;
    // Digits has no trailing zeros, so anything after the first dropped digit is above zero.
    const bool moreDropped = dropped + 1 < decimal.Digits.size();
    if (firstDropped > 5 || (firstDropped == 5 && (moreDropped || value % 2 != 0))) ++value;
  }
  if (decimal.Negative) value = -value;
  if (value > INT64_MAX || value < INT64_MIN) return false;
  units = static_cast<Int64>(value);
  return true;
}

}  // namespace

bool ParseDecimalText(const AnsiString& text, char decimalSeparator, TFloatRec& decimal) {
  decimal = TFloatRec();
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long integerDigits = 0;
  bool anyDigit = false;
  AnsiString digits;
  for (; i < n && IsAsciiDigit(text[i]); ++i) {
    anyDigit = true;
    if (digits.empty() && text[i] == '0') continue;
    digits += text[i];
    ++integerDigits;
  }
  if (i < n && text[i] == decimalSeparator) {
    for (++i; i < n && IsAsciiDigit(text[i]); ++i) {
      anyDigit = true;
      if (digits.empty() && text[i] == '0') {
        --integerDigits;  // a leading zero of the fraction moves the point
        continue;
      }
      digits += text[i];
    }
  }
  if (!anyDigit) return false;
  long exponent = 0;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool negativeExponent = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) negativeExponent = text[i++] == '-';
    if (i >= n || !IsAsciiDigit(text[i])) return false;
    for (; i < n && IsAsciiDigit(text[i]); ++i)
      exponent = std::min(exponent * 10 + (text[i] - '0'), kExponentCap);
    if (negativeExponent) exponent = -exponent;
  }
  while (i < n && text[i] == ' ') ++i;
  if (i != n) return false;
  decimal.Digits = digits;
  decimal.Negative = negative;
  decimal.Exponent = static_cast<int>(std::clamp(integerDigits + exponent, -4 * kExponentCap, 4 * kExponentCap));
  StripTrailingZeros(decimal);
  return true;
}

bool TryStrToFloat(const AnsiString& text, Extended& value) {
  return TryStrToFloat(text, value, FormatSettings());
}
bool TryStrToFloat(const AnsiString& text, Extended& value, const TFormatSettings& settings) {
  TFloatRec decimal;
  if (!ParseDecimalText(text, settings.DecimalSeparator, decimal)) return false;
  if (decimal.Digits.empty()) {
    value = 0;
    return true;
  }
  const AnsiString normal = "0." + decimal.Digits + "e" + std::to_string(decimal.Exponent);
  Extended parsed = 0;
  auto result = std::from_chars(normal.data(), normal.data() + normal.size(), parsed);
  if (result.ec == std::errc::result_out_of_range) {
    if (decimal.Exponent > 0) return false;  // beyond the extended range
    parsed = 0;                               // below it: zero
  } else if (result.ec != std::errc()) {
    return false;
  }
  value = decimal.Negative ? -parsed : parsed;
  return true;
}

bool TryStrToFloat(const AnsiString& text, double& value) {
  return TryStrToFloat(text, value, FormatSettings());
}
bool TryStrToFloat(const AnsiString& text, double& value, const TFormatSettings& settings) {
  Extended wide = 0;
  if (!TryStrToFloat(text, wide, settings)) return false;
  if (std::fabs(wide) > static_cast<Extended>(std::numeric_limits<double>::max())) return false;
  value = static_cast<double>(wide);
  return true;
}

Extended StrToFloat(const AnsiString& text) { return StrToFloat(text, FormatSettings()); }
Extended StrToFloat(const AnsiString& text, const TFormatSettings& settings) {
  Extended value = 0;
  if (!TryStrToFloat(text, value, settings)) InvalidFloat(text);
  return value;
}

Extended StrToFloatDef(const AnsiString& text, Extended defaultValue) {
  return StrToFloatDef(text, defaultValue, FormatSettings());
}
Extended StrToFloatDef(const AnsiString& text, Extended defaultValue, const TFormatSettings& settings) {
  Extended value = 0;
  return TryStrToFloat(text, value, settings) ? value : defaultValue;
}

bool TryStrToCurr(const AnsiString& text, Currency& value) {
  return TryStrToCurr(text, value, FormatSettings());
}
bool TryStrToCurr(const AnsiString& text, Currency& value, const TFormatSettings& settings) {
  TFloatRec decimal;
  return ParseDecimalText(text, settings.DecimalSeparator, decimal) && TryDecimalToCurr(decimal, value);
}

bool TryDecimalToCurr(const TFloatRec& decimal, Currency& value) {
  Int64 units = 0;
  if (decimal.Kind != TFloatRec::TKind::Number || !DecimalToCurrencyUnits(decimal, units)) return false;
  value = Currency::FromScaled(units);
  return true;
}

Currency StrToCurr(const AnsiString& text) { return StrToCurr(text, FormatSettings()); }
Currency StrToCurr(const AnsiString& text, const TFormatSettings& settings) {
  Currency value;
  if (!TryStrToCurr(text, value, settings)) InvalidFloat(text);
  return value;
}

Currency StrToCurrDef(const AnsiString& text, Currency defaultValue) {
  return StrToCurrDef(text, defaultValue, FormatSettings());
}
Currency StrToCurrDef(const AnsiString& text, Currency defaultValue, const TFormatSettings& settings) {
  Currency value;
  return TryStrToCurr(text, value, settings) ? value : defaultValue;
}

}  // namespace ordvane
