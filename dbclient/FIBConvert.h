#pragma once
// Conversion routines of the database-access layer: text between code pages, scaled
// 64-bit integers and BCD values as text, field data read for the datasets, the powers
// of ten of scaled values, number formats applied to decimal text, time stamps,
// component paths, random digits and hexadecimal text.

#include <array>
#include <string_view>

#include "classlib/core/Components.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/FMTBcd.h"
#include "classlib/core/System.h"
#include "classlib/core/Variants.h"

namespace ordvane {

class TField;

// Wide text to single-byte text in a code page (KOI8-R 20866, UTF-8 65001, ...) and
// back; a code page the class library does not know converts by the ANSI code page.
AnsiString WideToAnsiCP(const WideString& text, Cardinal codePage);
WideString AnsiToWideCP(const AnsiString& text, Cardinal codePage);
// Wide text in a code page with every character kept: false (bytes unspecified) when the
// code page lacks one of them, where the plain conversion would write '?'.
bool WideToCodePageExact(std::u16string_view text, Cardinal codePage, RawByteString& bytes);
// The code page of a server's single-byte character set (its RDB$CHARACTER_SET_ID) that
// the class library converts; 0 for any other set.
Cardinal SingleByteCharSetCodePage(Integer charSetID);

// The names of the component and its owners joined by ".", outermost first, empty names
// skipped ("Form1.Database"); empty for no component.
AnsiString FullComponentName(const TComponent* component);

// A scaled integer as text: the digits of value with the separator placed scale digits
// from the right, trailing zeros of the fraction dropped (and the separator with them):
// (2, '.', 12345) is "123.45", (2, '.', 1200) "12", (3, '.', -5) "-0.005". A negative
// scale appends zeros.
AnsiString ScaledInt64ToStrSep(int scale, char separator, Int64 value);
// The same with the process's decimal separator.
AnsiString ScaledInt64ToStr(int scale, Int64 value);

// The powers of ten a 64-bit integer holds, 10^0 .. 10^18: the factors of scaled values.
inline constexpr int MaxInt64PowerOfTen = 18;
inline constexpr std::array<Int64, MaxInt64PowerOfTen + 1> Int64PowersOfTen = [] {
  std::array<Int64, MaxInt64PowerOfTen + 1> powers{1};
  for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();
// 10^exponent for exponent 0 .. 18; std::out_of_range otherwise.
Int64 Int64PowerOfTen(int exponent);
// 10^exponent as a double, for any exponent.
double Power10(int exponent);

// The BCD's digits as one signed integer and its number of decimal places; false when
// they do not fit 64 bits or the record is no valid BCD. Precision 0 is the value 0.
bool BcdToScaledInt64(const TBcd& bcd, Int64& value, int& scale);
// The BCD as a floating value: the scaled integer divided by its power of ten, or the
// class library's conversion when the digits do not fit 64 bits.
Extended BcdToExtendedEx(const TBcd& bcd);
// The BCD as text with "." as the decimal separator, whatever the process's settings.
AnsiString BcdToStrDot(const TBcd& bcd);

// A field's data as its dataset holds it (the field's native form); with oldValue the
// value before the record's change. False for null.
bool GetFieldDataEx(TField* field, void* buffer, bool oldValue);
// The field's current value as a BCD, exact to its last decimal; false for null.
bool GetFieldBcdValue(TField* field, TBcd& value);
// The field's current value as text in a variant, with "." or the process's decimal
// separator; an unassigned variant for null.
Variant GetFieldBcdAsVariant(TField* field, bool dotSeparator);

// True when every character is "0" or the process's decimal separator (false for an
// empty text).
bool IsZeroText(const AnsiString& text);

// Applies a display format (placeholders "#", "0", "," and ".", sections
// "positive;negative;zero") to a decimal number given as text with the process's decimal
// separator, exactly, without going through a floating value:
// - outside a section, the section is chosen by the number's first character ("+" or
//   1-9: the first; "0": the third when there is one and the number is zero, else the
//   first; otherwise the second, or everything after the first ";" when there are fewer
//   than three), and applied with inSection set;
// - trailing tabs, blanks and ";" of the format are ignored; a format without a
//   placeholder is the result itself; text before the first placeholder is a prefix,
//   text after the last one a suffix, and literal text right before and after "." goes
//   before and after the decimal separator;
// - the digit placeholders after "." give the most decimals (more are rounded half up)
//   and the last "0" among them the fewest (fewer are padded with zeros); a "," groups
//   the integer digits by thousands; when "." is the first placeholder a lone integer "0"
//   is dropped; a trailing decimal separator is dropped, and inside a section the
//   number's "-" too, since the section writes its own sign.
// Empty number text gives empty text; text that is no decimal number raises
// EConvertError.
AnsiString FormatNumericText(const AnsiString& format, const AnsiString& numberText, bool inSection = false);

// Integral part + round(fraction x 10^decimals) / 10^decimals (ties to even).
Extended RoundToDecimals(Extended value, int decimals);

// A time stamp of a date number (callers pass 693594 as the day of date-only values) and
// milliseconds since midnight.
TTimeStamp MakeTimeStamp(Integer date, Integer time);
// The date and time of a time stamp; a time stamp with date 0 holds a time of day only
// and converts to that time on day 0 (30 December 1899).
TDateTime TimeStampToDateTimeEx(const TTimeStamp& timeStamp);
TDateTime DateNumberToDateTime(Integer date);

// low + a random number below high - low (low itself when high <= low), from the class
// library's generator, which the unit seeds at start-up.
Integer RandomInRange(Integer low, Integer high);
// length random decimal digits.
AnsiString RandomDigits(int length);

// Hexadecimal text ("0" to "9", "A" to "F"; any other character counts as 0) as an
// integer; digits beyond 32 bits wrap.
Integer HexTextToInt(const AnsiString& text);

// The byte with bit 0..7 set or cleared; any other bit number leaves the byte alone.
Byte SetBitInByte(Byte value, int bit, bool set);

}  // namespace ordvane
