#pragma once
// Text of floating-point and currency values: FloatToStr, FloatToStrF, FormatFloat and the
// parsers, with the class library's rounding. A value is first written as a decimal of
// 18 significant digits (what the platform's floating-point unit produced); that decimal is
// then rounded half up to the digits asked for.

#include "classlib/core/Currency.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/System.h"

namespace ordvane {

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// A value as decimal digits: value = 0.Digits * 10^Exponent. Digits has no trailing
// zeros; zero has no digits, Exponent 0 and is never negative.
struct TFloatRec {
  enum class TKind { Number, Infinity, NaN };
  TKind Kind = TKind::Number;
  bool Negative = false;
  int Exponent = 0;
  AnsiString Digits;
};

// The decimal of a value, rounded half up to at most 'precision' significant digits and
// at most 'decimals' digits after the decimal point (9999: no limit).
constexpr int kNoDecimalsLimit = 9999;
TFloatRec FloatToDecimal(Extended value, int precision, int decimals);
TFloatRec CurrToDecimal(Currency value, int precision, int decimals);
// Rounds an exact decimal the same way.
TFloatRec RoundDecimal(const TFloatRec& exact, int precision, int decimals);

// The engines under the routines below, over an exact decimal: FloatToText with the
// precision already in range, and FormatFloat where an empty format means the general
// format with 'generalPrecision' digits.
AnsiString DecimalToText(const TFloatRec& exact, TFloatFormat format, int precision, int digits,
                         const TFormatSettings& settings);
AnsiString FormatDecimal(const AnsiString& format, const TFloatRec& exact, int generalPrecision,
                         const TFormatSettings& settings);

// General format, 15 significant digits.
AnsiString FloatToStr(Extended value);
AnsiString FloatToStr(Extended value, const TFormatSettings& settings);
// precision is held to 2 .. 18; digits to 0 .. 4 for ffGeneral and ffExponent (the
// minimum exponent digits) and to 0 .. 18 for the others (the decimals).
AnsiString FloatToStrF(Extended value, TFloatFormat format, int precision, int digits);
AnsiString FloatToStrF(Extended value, TFloatFormat format, int precision, int digits,
                       const TFormatSettings& settings);
// Sections "positive;negative;zero" of placeholders 0 # . , E+ E- e+ e- and quoted text.
AnsiString FormatFloat(const AnsiString& format, Extended value);
AnsiString FormatFloat(const AnsiString& format, Extended value, const TFormatSettings& settings);

// Parsers: optional blanks, sign, digits with the settings' decimal separator, an optional
// exponent, optional blanks. StrToFloat raises EConvertError
// "'<text>' is not a valid floating point value".
bool TryStrToFloat(const AnsiString& text, Extended& value);
bool TryStrToFloat(const AnsiString& text, Extended& value, const TFormatSettings& settings);
bool TryStrToFloat(const AnsiString& text, double& value);
bool TryStrToFloat(const AnsiString& text, double& value, const TFormatSettings& settings);
Extended StrToFloat(const AnsiString& text);
Extended StrToFloat(const AnsiString& text, const TFormatSettings& settings);
Extended StrToFloatDef(const AnsiString& text, Extended defaultValue);
Extended StrToFloatDef(const AnsiString& text, Extended defaultValue,
                       const TFormatSettings& settings);

// Currency text: all 19 significant digits; the parser rounds to four decimals, ties
// to even.
AnsiString CurrToStr(Currency value);
AnsiString CurrToStr(Currency value, const TFormatSettings& settings);
AnsiString CurrToStrF(Currency value, TFloatFormat format, int digits);
AnsiString CurrToStrF(Currency value, TFloatFormat format, int digits,
                      const TFormatSettings& settings);
AnsiString FormatCurr(const AnsiString& format, Currency value);
AnsiString FormatCurr(const AnsiString& format, Currency value, const TFormatSettings& settings);
bool TryStrToCurr(const AnsiString& text, Currency& value);
bool TryStrToCurr(const AnsiString& text, Currency& value, const TFormatSettings& settings);
Currency StrToCurr(const AnsiString& text);
Currency StrToCurr(const AnsiString& text, const TFormatSettings& settings);
Currency StrToCurrDef(const AnsiString& text, Currency defaultValue);
Currency StrToCurrDef(const AnsiString& text, Currency defaultValue, const TFormatSettings& settings);
// An exact decimal as a Currency, rounded to four decimals with ties to even; false when
// it does not fit.
bool TryDecimalToCurr(const TFloatRec& decimal, Currency& value);

// A decimal number as text split into its parts, for parsers of other decimal types:
// Digits without leading zeros, value = 0.Digits * 10^Exponent.
bool ParseDecimalText(const AnsiString& text, char decimalSeparator, TFloatRec& decimal);

}  // namespace ordvane
