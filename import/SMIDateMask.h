#pragma once
// Dates read by a mask, as the import's date conversion and DATETIMEFROMSTRING read them.
//
// The mask is walked with the text: a run of D, M, Y, H, N or S (any case) reads the
// day, month, year, hour, minute or second; any other mask character is a literal. A
// number is read digit by digit, at most as many digits as the run has when the next
// mask character is another field (so "DDMMYYYY" reads "05032021"), else up to the next
// non-digit (so "DD.MM.YYYY" also reads "5.3.2021"). Where the mask has a month, the text
// may hold a month name instead: English ("JAN" or "JANUARY" ... "DEC" or "DECEMBER"), or
// the settings' short or long name, compared in upper case; a word that begins with a
// short name is that month too, so inflected forms such as "січня" are read. A literal
// of the mask matches the same character or any punctuation or blank. The text may end
// before the mask's time fields, which are then 0; after the last field only "AM" or "PM"
// may follow. "PM" moves hours 1 to 11 past noon and "AM" 12 to 0. A year of one or two
// digits is placed by the settings' two-digit-year window.

#include "classlib/core/DateTime.h"
#include "classlib/core/FormatSettings.h"

namespace ordvane {

// The date and time, or 0 when the text cannot be read by the mask.
TDateTime DateTimeFromMask(const AnsiString& text, const AnsiString& mask, const TFormatSettings& settings);

}  // namespace ordvane
