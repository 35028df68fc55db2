#pragma once
// Format settings: the separators, formats and names that number and date text uses.
// A default-constructed object holds the values of a Ukrainian workstation, the
// defaults of this system; the process-wide object starts as one. A routine that needs
// other settings takes a local object instead of changing the shared one.

#include <array>

#include "classlib/core/System.h"

namespace ordvane {

struct TFormatSettings {
  TFormatSettings();

  // Positive currency layout: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  Byte CurrencyFormat = 1;
  // Negative currency layout, 0 .. 15, from "($1)" to "(1 $)"; 5 is "-1$".
  Byte NegCurrFormat = 5;
  char ThousandSeparator;  // the no-break space of the ANSI code page
  char DecimalSeparator = ',';
  Byte CurrencyDecimals = 2;
  char DateSeparator = '.';
  char TimeSeparator = ':';
  char ListSeparator = ';';
  AnsiString CurrencyString;  // "грн."
  AnsiString ShortDateFormat = "dd.mm.yyyy";
  AnsiString LongDateFormat;  // "d mmmm yyyy' р.'"
  AnsiString TimeAMString;    // a 24-hour workstation has no AM and PM designators
  AnsiString TimePMString;
  AnsiString ShortTimeFormat = "hh:nn";
  AnsiString LongTimeFormat = "hh:nn:ss";
  std::array<AnsiString, 12> ShortMonthNames;  // [0] is January
  std::array<AnsiString, 12> LongMonthNames;
  std::array<AnsiString, 7> ShortDayNames;  // [0] is Sunday
  std::array<AnsiString, 7> LongDayNames;
  Word TwoDigitYearCenturyWindow = 50;
};

// The process-wide settings that every routine without a settings argument uses.
TFormatSettings& FormatSettings();

}  // namespace ordvane
