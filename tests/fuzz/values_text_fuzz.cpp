// Text that reaches the value routines from outside (cells of a workbook, stored display
// formats): the parsers and the format interpreters must answer or raise their own
// conversion errors, never crash or read out of bounds. The first byte chooses the
// routine, the rest is the text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "classlib/core/DateFormat.h"
#include "classlib/core/FMTBcd.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/GUID.h"
#include "classlib/core/Variants.h"

using namespace ordvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    Extended extended;
    Currency currency;
    TDateTime dateTime;
    TBcd bcd;
    switch (data[0] % 10) {
      case 0: TryStrToFloat(text, extended); break;
      case 1: TryStrToCurr(text, currency); break;
      case 2: TryStrToDateTime(text, dateTime); TryStrToTime(text, dateTime); break;
      case 3: if (TryStrToBcd(text, bcd)) FormatBcd("#,##0.00", bcd); break;
      case 4: StringToGUID(text); break;
      case 5: FormatFloat(text, -1234.5678); FormatFloat(text, 0); break;
      case 6: FormatCurr(text, Currency::FromScaled(-123456789)); break;
      case 7: FormatDateTime(text, 45000.75); break;
      case 8: Format(text, {1.5, 2, "s"}); break;
      default: Variant(text).AsInteger(); break;
    }
  } catch (const Exception&) {
    // a conversion error is an answer
  }
  return 0;
}
