#pragma once
// The date and time edit and the routines behind it: an edit format of the letters D M Y
// (date) and H N S (time) becomes an edit mask and a table of where each element stands in
// the text; the text is read element by element into parts, and parts become a value.

#include <array>
#include <memory>

#include "classlib/core/DateTime.h"
#include "classlib/core/Variants.h"
#include "gridbase/DBCtrlsEh.h"

namespace ordvane {

enum TDateTimeKindEh { dtkDateEh, dtkTimeEh, dtkDateTimeEh, dtkCustomEh };

// The elements in the order of the element table and of the parts.
enum TDateTimeElementEh { dteYearEh, dteMonthEh, dteDayEh, dteHourEh, dteMinuteEh, dteSecondEh };
constexpr int kDateTimeElementCountEh = 6;

struct TDateTimeElementInfoEh {
  int Start = -1;  // 1-based position of the element's first character in the text
  int Length = -1;
  bool Present = false;
};
using TDateTimeElementsEh = std::array<TDateTimeElementInfoEh, kDateTimeElementCountEh>;
// Year, month, day, hour, minute, second; -1 is blank or unreadable.
using TDateTimePartsEh = std::array<int, kDateTimeElementCountEh>;

// Two-digit years fall within the hundred years that end this many years after now.
constexpr Byte CenturyWindowEh = 60;

// The year of the class library's (replaceable) date clock.
Word CurrentYearEh();
// A year below 100 placed within the century window; other years unchanged.
int ExpandTwoDigitYearEh(int year);
// "DD/MM/YYYY", "MM/DD/YYYY" or "YYYY/MM/DD" in the order of the locale's short date
// format (two-digit years without fourDigitYear).
AnsiString DefaultDateFormatEh(bool fourDigitYear);
AnsiString DefaultTimeFormatEh();

// Builds the edit mask of an edit format and fills the element table. A bad format raises
// Exception (an element too long, of a wrong length, or given twice) and changes neither.
void BuildDateTimeMaskEh(const AnsiString& editFormat, TDateTimeElementsEh& elements, AnsiString& mask);
// The class library's date-time format that writes a value as the edit format shows it.
AnsiString DateTimeDisplayFormatEh(const AnsiString& editFormat);
// One character per text position: the element letters and the separators "/" and ":"
// upper-cased, every other literal a space.
AnsiString DateTimeSpinTemplateEh(const AnsiString& editFormat);

// The parts of a text laid out by the element table; only characters inside the text are
// read.
TDateTimePartsEh DateTimeTextToPartsEh(const AnsiString& text, const TDateTimeElementsEh& elements);
// The parts of a value; all -1 for Null.
TDateTimePartsEh DateTimeValueToPartsEh(const Variant& value);
// Puts the parts of the present elements into `value` (the old value, or 1900-01-01 when
// Null). With `adjust` blank or out-of-range parts are completed from today and clamped;
// without, an incomplete or impossible date or time gives Null and false. All parts blank
// give Null and true.
bool PartsToValueEh(TDateTimePartsEh parts, const TDateTimeElementsEh& elements, Variant& value, bool adjust);

// Steps the element under the caret (0-based) one up or down with wrap-around. False, and
// nothing changed, when there is no element there.
struct TDateTimeSpinEh {
  AnsiString Text;
  int SelStart = 0;
  int SelLength = 0;
};
bool SpinDateTimeElementEh(const AnsiString& text, const AnsiString& spinTemplate, int caret, bool up,
                           TDateTimeSpinEh& result);

}  // namespace ordvane
