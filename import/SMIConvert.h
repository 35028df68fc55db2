#pragma once
// How the import turns the text of a source value into a value of the target field's
// type, by the rules of its data formats. Nothing here changes the process-wide format
// settings: each conversion reads a local settings object built from the data formats.

#include "classlib/core/FormatSettings.h"
#include "classlib/core/Variants.h"
#include "import/SMITypes.h"

namespace ordvane {

// The groups of field types that share a conversion rule.
enum class TSMIValueKind { Integer, Float, Date, Time, Boolean, Other };

struct TSMIConversionTarget {
  TSMIValueKind Kind = TSMIValueKind::Other;
  bool IsBlob = false;
  // A text equal to the field's name (a header cell) converts like an empty one.
  AnsiString FieldName;
};

// The workstation's settings with the separators and the currency of the data formats,
// and a short date format in their order ("dd.mm.yyyy" for the application's formats).
TFormatSettings ImportFormatSettings(const TSMIDataFormats& formats);

// The mask dates are read by: CustomDateTimeFormat in upper case when set, else the date in
// DateOrder ("DD", "MM", "YY" or "YYYY", joined by DateSeparator), a blank and
// "HH:NN:SS" joined by TimeSeparator, with "T" before the time for XML sources. A #0
// separator joins with nothing.
AnsiString ImportDateTimeMask(const TSMIDataFormats& formats, bool xmlSource);
// "HH:NN:SS" joined by TimeSeparator.
AnsiString ImportTimeMask(const TSMIDataFormats& formats);

// Whether ConvertImportText can give anything but the value itself: text for a text field
// that is neither wrapped nor encoded stays as it is, and so does anything but text.
bool ConvertsImportText(const Variant& value, TSMIValueKind kind, bool isBlob, bool blobsAsBase64);

// The text of a value converted for the target; a value that is not text, or text the
// rules do not read, comes back unchanged, as does a value whose conversion fails. A
// "[CDATA[...]]" wrapper is removed first, and with blobsAsBase64 its content (or any text
// for a BLOB) is Base64-decoded.
Variant ConvertImportText(const Variant& value, const TSMIConversionTarget& target, const TSMIDataFormats& formats,
                          bool xmlSource, bool blobsAsBase64);

// A number as a text column keeps it: the shortest text that reads back as the same
// double, in the general format of the workstation's settings (FloatToStr's form, with
// as many significant digits as the number needs rather than 15). The value is finite.
AnsiString ImportNumberText(double value);

// Whether the number is whole and a double holds it exactly, and every whole number
// between it and zero as well: at most 2^53 either way.
bool IsExactWholeNumber(double value);

}  // namespace ordvane
