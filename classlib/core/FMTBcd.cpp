#include "classlib/core/FMTBcd.h"

#include <charconv>

#include "classlib/core/FloatFormat.h"

namespace ordvane {

namespace {

__extension__ typedef unsigned __int128 UInt128;

[[noreturn]] void InvalidRecord() { throw EBcdException("Invalid BCD value"); }
[[noreturn]] void Overflow() { throw EBcdOverflowException("BCD overflow"); }

int DigitAt(const TBcd& bcd, int index) {
  const Byte pair = bcd.Fraction[index / 2];
  return index % 2 == 0 ? pair >> 4 : pair & 0x0F;
}

// The record's digits as text, checked: exactly Precision digits 0 .. 9.
AnsiString RecordDigits(const TBcd& bcd) {
  if (bcd.Precision > MaxFMTBcdFractionSize || bcd.Places() > bcd.Precision) InvalidRecord();
  AnsiString digits;
  for (int i = 0; i < bcd.Precision; ++i) {
    const int digit = DigitAt(bcd, i);
    if (digit > 9) InvalidRecord();
    digits += static_cast<char>('0' + digit);
  }
  return digits;
}

// The exact value as a decimal: 0.Digits * 10^Exponent.
TFloatRec Decimal(const TBcd& bcd) {
  TFloatRec rec;
  rec.Digits = RecordDigits(bcd);
  rec.Exponent = bcd.Precision - bcd.Places();
  const std::size_t first = rec.Digits.find_first_not_of('0');
  if (first == AnsiString::npos) return TFloatRec();
  rec.Digits.erase(0, first);
  rec.Exponent -= static_cast<int>(first);
  rec.Digits.erase(rec.Digits.find_last_not_of('0') + 1);
  rec.Negative = bcd.IsNegative();
  return rec;
}

// A record of the given precision and places holding the decimal, whose digits must not
// go below the last place; false when its integer digits do not fit.
bool Pack(const TFloatRec& rec, int precision, int places, TBcd& bcd) {
  if (precision < 1 || precision > MaxFMTBcdFractionSize || places < 0 || places > precision) return false;
  // The digits of value * 10^places, an integer.
  AnsiString digits;
  const long length = static_cast<long>(rec.Exponent) + places;
  if (!rec.Digits.empty() && length > 0) {
    if (static_cast<std::size_t>(length) < rec.Digits.size()) return false;
    digits = rec.Digits + AnsiString(static_cast<std::size_t>(length) - rec.Digits.size(), '0');
  }
  if (static_cast<long>(digits.size()) > precision) return false;
  digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
  bcd = TBcd();
  bcd.Precision = static_cast<Byte>(precision);
  bcd.SignSpecialPlaces = static_cast<Byte>(places | (rec.Negative && !rec.Digits.empty() ? 0x80 : 0));
  for (int i = 0; i < precision; ++i) {
    const int digit = digits[static_cast<std::size_t>(i)] - '0';
    bcd.Fraction[i / 2] |= static_cast<Byte>(i % 2 == 0 ? digit << 4 : digit);
  }
  return true;
}

// A record just wide enough for the decimal (at least one integer digit); false when it
// needs more than 64 digits.
bool TryFromDecimal(const TFloatRec& rec, TBcd& bcd) {
  const int places = std::max(0, static_cast<int>(rec.Digits.size()) - rec.Exponent);
  const long integerDigits = std::max(1, rec.Exponent);
  if (integerDigits + places > MaxFMTBcdFractionSize) return false;
  return Pack(rec, static_cast<int>(integerDigits) + places, places, bcd);
}

TBcd FromDecimal(const TFloatRec& rec) {
  TBcd bcd;
  if (!TryFromDecimal(rec, bcd)) Overflow();
  return bcd;
}

// Magnitude of a decimal's integer part; false when it needs more than 64 bits.
bool IntegerMagnitude(const AnsiString& digits, std::size_t count, UInt64& magnitude) {
  UInt128 value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    value = value * 10 + static_cast<unsigned>(i < digits.size() ? digits[i] - '0' : 0);
    if (value > UINT64_MAX) return false;
  }
  magnitude = static_cast<UInt64>(value);
  return true;
}

bool ToSigned(UInt64 magnitude, bool negative, Int64& value) {
  if (negative ? magnitude > UInt64(INT64_MAX) + 1 : magnitude > UInt64(INT64_MAX)) return false;
  value = negative ? static_cast<Int64>(UInt64(0) - magnitude) : static_cast<Int64>(magnitude);
  return true;
}

}  // namespace

AnsiString BcdToStr(const TBcd& bcd) { return BcdToStr(bcd, FormatSettings()); }
AnsiString BcdToStr(const TBcd& bcd, const TFormatSettings& settings) {
  const TFloatRec rec = Decimal(bcd);
  if (rec.Digits.empty()) return "0";
  AnsiString integer = "0", fraction;
  if (rec.Exponent > 0) {
    integer = rec.Digits.substr(0, static_cast<std::size_t>(rec.Exponent));
    integer.append(static_cast<std::size_t>(rec.Exponent) - integer.size(), '0');
    if (rec.Digits.size() > integer.size()) fraction = rec.Digits.substr(integer.size());
  } else {
    fraction = AnsiString(static_cast<std::size_t>(-rec.Exponent), '0') + rec.Digits;
  }
  AnsiString text = rec.Negative ? "-" + integer : integer;
  return fraction.empty() ? text : text + settings.DecimalSeparator + fraction;
}

bool TryStrToBcd(const AnsiString& text, TBcd& bcd) { return TryStrToBcd(text, bcd, FormatSettings()); }
bool TryStrToBcd(const AnsiString& text, TBcd& bcd, const TFormatSettings& settings) {
  TFloatRec rec;
  return ParseDecimalText(text, settings.DecimalSeparator, rec) && TryFromDecimal(rec, bcd);
}

TBcd StrToBcd(const AnsiString& text) { return StrToBcd(text, FormatSettings()); }
TBcd StrToBcd(const AnsiString& text, const TFormatSettings& settings) {
  TFloatRec rec;
  if (!ParseDecimalText(text, settings.DecimalSeparator, rec))
    throw EBcdException(text + " is not a valid BCD value");
  return FromDecimal(rec);
}

double BcdToDouble(const TBcd& bcd) {
  const TFloatRec rec = Decimal(bcd);
  if (rec.Digits.empty()) return 0;
  const AnsiString normal = "0." + rec.Digits + "e" + std::to_string(rec.Exponent);
  double value = 0;
  std::from_chars(normal.data(), normal.data() + normal.size(), value);
  return rec.Negative ? -value : value;
}

TBcd DoubleToBcd(double value) {
  const TFloatRec rec = FloatToDecimal(value, 15, kNoDecimalsLimit);
  if (rec.Kind != TFloatRec::TKind::Number) throw EBcdException(FloatToStr(value) + " is not a valid BCD value");
  return FromDecimal(rec);
}

bool BcdToCurr(const TBcd& bcd, Currency& value) { return TryDecimalToCurr(Decimal(bcd), value); }

bool CurrToBcd(Currency value, TBcd& bcd, int precision, int decimals) {
  if (decimals < 0 || decimals > MaxFMTBcdFractionSize) return false;
  return Pack(CurrToDecimal(value, 19, decimals), precision, decimals, bcd);
}

Int64 BcdToInt64(const TBcd& bcd) {
  const TFloatRec rec = Decimal(bcd);
  UInt64 magnitude = 0;
  Int64 value = 0;
  const std::size_t integerDigits = static_cast<std::size_t>(std::max(0, rec.Exponent));
  if (!IntegerMagnitude(rec.Digits, integerDigits, magnitude) || !ToSigned(magnitude, rec.Negative, value))
    Overflow();
  return value;
}

bool TryBcdToScaledInt64(const TBcd& bcd, Int64& value, int& scale) {
  const AnsiString digits = RecordDigits(bcd);
  UInt64 magnitude = 0;
  if (!IntegerMagnitude(digits, digits.size(), magnitude) || !ToSigned(magnitude, bcd.IsNegative(), value))
    return false;
  scale = bcd.Places();
  return true;
}

TBcd ScaledInt64ToBcd(Int64 value, int scale, int precision) {
  TFloatRec rec;
  if (value != 0) {
    rec.Negative = value < 0;
    rec.Digits = std::to_string(rec.Negative ? UInt64(0) - static_cast<UInt64>(value) : static_cast<UInt64>(value));
    rec.Exponent = static_cast<int>(rec.Digits.size()) - scale;
    rec.Digits.erase(rec.Digits.find_last_not_of('0') + 1);
  }
  if (precision < 1 || precision > MaxFMTBcdFractionSize || scale < 0 || scale > precision) InvalidRecord();
  TBcd bcd;
  if (!Pack(rec, precision, scale, bcd)) Overflow();
  return bcd;
}

int BcdCompare(const TBcd& a, const TBcd& b) {
  const TFloatRec x = Decimal(a), y = Decimal(b);
  if (x.Negative != y.Negative) return x.Negative ? -1 : 1;
  int magnitude = 0;  // |x| against |y|
  if (x.Digits.empty() || y.Digits.empty())
    magnitude = static_cast<int>(!x.Digits.empty()) - static_cast<int>(!y.Digits.empty());
  else if (x.Exponent != y.Exponent)
    magnitude = x.Exponent < y.Exponent ? -1 : 1;
  else
    magnitude = x.Digits.compare(y.Digits) < 0 ? -1 : x.Digits.compare(y.Digits) > 0 ? 1 : 0;
  return x.Negative ? -magnitude : magnitude;
}

AnsiString FormatBcd(const AnsiString& format, const TBcd& bcd) {
  return FormatBcd(format, bcd, FormatSettings());
}
AnsiString FormatBcd(const AnsiString& format, const TBcd& bcd, const TFormatSettings& settings) {
  return FormatDecimal(format, Decimal(bcd), MaxFMTBcdFractionSize, settings);
}

}  // namespace ordvane
