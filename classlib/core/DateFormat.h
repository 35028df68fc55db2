#pragma once
// Text of dates and times: FormatDateTime with the class library's letters, and the
// parsers that read dates by the short date format.

#include "classlib/core/DateTime.h"
#include "classlib/core/FormatSettings.h"

namespace ordvane {

// Format letters (case-insensitive): c, d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes
// right after an hour), yy yyyy, h hh, n nn, s ss, z zzz, t tt, am/pm a/p ampm, aaa aaaa,
// '/' and ':' for the settings' separators, and quoted text. An empty format is "c": the
// short date, then the long time unless the time is midnight.
AnsiString FormatDateTime(const AnsiString& format, TDateTime dateTime);
AnsiString FormatDateTime(const AnsiString& format, TDateTime dateTime, const TFormatSettings& settings);
void DateTimeToString(AnsiString& result, const AnsiString& format, TDateTime dateTime);
void DateTimeToString(AnsiString& result, const AnsiString& format, TDateTime dateTime,
                      const TFormatSettings& settings);

AnsiString DateToStr(TDateTime date);
AnsiString DateToStr(TDateTime date, const TFormatSettings& settings);
AnsiString TimeToStr(TDateTime time);
AnsiString TimeToStr(TDateTime time, const TFormatSettings& settings);
AnsiString DateTimeToStr(TDateTime dateTime);
AnsiString DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings);

// Dates are read as two or three numbers in the order of the short date format, separated
// by the date separator; a year of one or two digits is placed by the two-digit-year
// window, a missing year is the current one. Times are hours[:minutes[:seconds[.msec]]]
// with the time separator (msec after the decimal separator), optionally with AM or PM.
// The whole text must be read. The raising forms raise EConvertError
// "'<text>' is not a valid date" / "... valid time" / "... valid date and time".
bool TryStrToDate(const AnsiString& text, TDateTime& value);
bool TryStrToDate(const AnsiString& text, TDateTime& value, const TFormatSettings& settings);
bool TryStrToTime(const AnsiString& text, TDateTime& value);
bool TryStrToTime(const AnsiString& text, TDateTime& value, const TFormatSettings& settings);
bool TryStrToDateTime(const AnsiString& text, TDateTime& value);
bool TryStrToDateTime(const AnsiString& text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDate(const AnsiString& text);
TDateTime StrToDate(const AnsiString& text, const TFormatSettings& settings);
TDateTime StrToTime(const AnsiString& text);
TDateTime StrToTime(const AnsiString& text, const TFormatSettings& settings);
TDateTime StrToDateTime(const AnsiString& text);
TDateTime StrToDateTime(const AnsiString& text, const TFormatSettings& settings);

// A year written with one or two digits placed by the settings' two-digit-year window:
// in the century that holds the years from (current year - window) on; a window of 0
// keeps the current century.
Word ExpandTwoDigitYear(Word year, const TFormatSettings& settings);

}  // namespace ordvane
