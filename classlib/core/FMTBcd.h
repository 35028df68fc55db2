#pragma once
// TBcd: a packed decimal of up to 64 digits with a sign and a number of decimal places,
// laid out as the class library's record, and its conversions. Conversions between BCD
// and text are exact; only the floating-point ones round.

#include "classlib/core/Currency.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

constexpr int MaxFMTBcdFractionSize = 64;

struct TBcd {
  Byte Precision = 0;          // number of digits, 1 .. 64 (0: the value 0)
  Byte SignSpecialPlaces = 0;  // bit 7 negative, bit 6 special, bits 0..5 decimal places
  Byte Fraction[32] = {};      // the digits, two a byte, high nibble first

  bool IsNegative() const { return (SignSpecialPlaces & 0x80) != 0; }
  int Places() const { return SignSpecialPlaces & 0x3F; }
};

ORDVANE_DECLARE_EXCEPTION(EBcdException, Exception);
ORDVANE_DECLARE_EXCEPTION(EBcdOverflowException, EBcdException);

// Text with the settings' decimal separator, without trailing zeros of the fraction
// ("1,5" for 1.50); StrToBcd raises EBcdException "<text> is not a valid BCD value", and
// EBcdOverflowException "BCD overflow" for more than 64 digits. A record whose precision,
// places or digits are out of range raises EBcdException "Invalid BCD value".
AnsiString BcdToStr(const TBcd& bcd);
AnsiString BcdToStr(const TBcd& bcd, const TFormatSettings& settings);
bool TryStrToBcd(const AnsiString& text, TBcd& bcd);
bool TryStrToBcd(const AnsiString& text, TBcd& bcd, const TFormatSettings& settings);
TBcd StrToBcd(const AnsiString& text);
TBcd StrToBcd(const AnsiString& text, const TFormatSettings& settings);

// BcdToDouble rounds to the nearest double; DoubleToBcd keeps the 15 significant digits
// of FloatToStr.
double BcdToDouble(const TBcd& bcd);
TBcd DoubleToBcd(double value);

// Currency: BcdToCurr rounds to four decimals (ties to even) and answers false when the
// value does not fit; CurrToBcd gives a BCD of the precision and places asked for (the
// value rounded half up to them) and answers false when the digits do not fit.
bool BcdToCurr(const TBcd& bcd, Currency& value);
bool CurrToBcd(Currency value, TBcd& bcd, int precision = 32, int decimals = 4);

// Integers: BcdToInt64 drops the fraction and raises EBcdOverflowException when the value
// does not fit. A scaled integer is the digits as one integer and the number of places:
// TryBcdToScaledInt64 answers false when they do not fit 64 bits; ScaledInt64ToBcd makes a
// BCD of the given precision with 'scale' places (EBcdOverflowException when the digits do
// not fit).
Int64 BcdToInt64(const TBcd& bcd);
bool TryBcdToScaledInt64(const TBcd& bcd, Int64& value, int& scale);
TBcd ScaledInt64ToBcd(Int64 value, int scale, int precision = 32);

// -1, 0 or 1 by value (1.50 equals 1.5, -0 equals 0).
int BcdCompare(const TBcd& a, const TBcd& b);

// FormatFloat's sections and placeholders, applied to the exact digits.
AnsiString FormatBcd(const AnsiString& format, const TBcd& bcd);
AnsiString FormatBcd(const AnsiString& format, const TBcd& bcd, const TFormatSettings& settings);

}  // namespace ordvane
