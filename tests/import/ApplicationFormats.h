#pragma once
// The data formats the application sets on its import component.

#include "classlib/core/CodePages.h"
#include "import/SMITypes.h"

namespace ordvane::test {

// Day-month-year dates with ".", four-digit years, the no-break space between thousands,
// "," before decimals, "грн." and the words "Так" and "Нi".
inline void SetApplicationFormats(TSMIDataFormats& formats) {
  formats.SetDateOrder(doDMY);
  formats.SetDateSeparator('.');
  formats.SetTimeSeparator(':');
  formats.SetFourDigitYear(true);
  formats.SetLeadingZerosInDate(true);
  formats.SetThousandSeparator(Utf8ToAnsi("\u00A0")[0]);
  formats.SetDecimalSeparator(',');
  formats.SetCurrencyString(Utf8ToAnsi("грн."));
  formats.SetBooleanTrue(Utf8ToAnsi("Так"));
  formats.SetBooleanFalse(Utf8ToAnsi("Нi"));
  formats.SetUseRegionalSettings(false);
}

}  // namespace ordvane::test
