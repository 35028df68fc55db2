#pragma once
// Conversion routines of the database-access layer: text between code pages, scaled
// 64-bit integers and BCD values as text, number formats applied to decimal text, time
// stamps, component paths, random digits and hexadecimal text.

#include "classlib/core/Components.h"
#include "classlib/core/System.h"

namespace ordvane {

// Wide text to single-byte text in a code page (KOI8-R 20866, UTF-8 65001, ...) and
// back; a code page the class library does not know converts by the ANSI code page.
AnsiString WideToAnsiCP(const WideString& text, Cardinal codePage);
WideString AnsiToWideCP(const AnsiString& text, Cardinal codePage);

// The names of the component and its owners joined by ".", outermost first, empty names
// skipped ("Form1.Database"); empty for no component.
AnsiString FullComponentName(const TComponent* component);

// A scaled integer as text: the digits of value with the separator placed scale digits
// from the right, trailing zeros of the fraction dropped (and the separator with them):
// (2, '.', 12345) is "123.45", (2, '.', 1200) "12", (3, '.', -5) "-0.005". A negative
// scale appends zeros.
AnsiString ScaledInt64ToStrSep(int scale, char separator, Int64 value);

// Hexadecimal text ("0" to "9", "A" to "F"; any other character counts as 0) as an
// integer; digits beyond 32 bits wrap.
Integer HexTextToInt(const AnsiString& text);

// The byte with bit 0..7 set or cleared; any other bit number leaves the byte alone.
Byte SetBitInByte(Byte value, int bit, bool set);

}  // namespace ordvane
