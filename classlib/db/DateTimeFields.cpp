#include "classlib/db/DateTimeFields.h"

#include "classlib/core/DateFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/NativeFormats.h"

namespace ordvane {

TDateTimeField::TDateTimeField(TComponent* owner) : TDateTimeField(owner, ftDateTime) {}

TDateTimeField::TDateTimeField(TComponent* owner, TFieldType type) : TField(owner) { SetDataType(type); }

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner, ftDate) {}

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner, ftTime) {}

void TDateTimeField::SetDisplayFormat(const AnsiString& format) {
  fDisplayFormat = format;
  PropertyChanged(false);
}

Integer TDateTimeField::GetDataSize() const { return NativeDataSize(DataType(), 0); }

Integer TDateTimeField::GetDefaultWidth() const {
  // As wide as the text of a date and time with two-digit parts everywhere.
  return static_cast<Integer>(Formatted(EncodeDate(2000, 12, 31) + EncodeTime(23, 59, 59, 0), true).size());
}

bool TDateTimeField::ReadValue(TDateTime& value) { return GetData(&value, false); }

TDateTime TDateTimeField::GetAsDateTime() {
  TDateTime value = 0;
  return ReadValue(value) ? value : 0;
}

double TDateTimeField::GetAsFloat() { return GetAsDateTime(); }

AnsiString TDateTimeField::Formatted(TDateTime value, bool displayText) const {
  if (displayText && !fDisplayFormat.empty()) return FormatDateTime(fDisplayFormat, value);
  switch (DataType()) {
    case ftDate:
      return FormatDateTime(FormatSettings().ShortDateFormat, value);
    case ftTime:
      return FormatDateTime(FormatSettings().LongTimeFormat, value);
    default:
      return FormatDateTime("", value);
  }
}

void TDateTimeField::GetText(AnsiString& text, bool displayText) {
  TDateTime value = 0;
  text = ReadValue(value) ? Formatted(value, displayText) : AnsiString();
}

AnsiString TDateTimeField::GetAsString() {
  AnsiString text;
  GetText(text, false);
  return text;
}

Variant TDateTimeField::GetAsVariant() {
  TDateTime value = 0;
  return ReadValue(value) ? VarFromDateTime(value) : Null();
}

void TDateTimeField::SetAsDateTime(TDateTime value) { SetData(&value, false); }

void TDateTimeField::SetAsFloat(double value) { SetAsDateTime(value); }

void TDateTimeField::SetAsString(const AnsiString& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  // A text that is no date names the field it was meant for.
  TDateTime moment = 0;
  switch (DataType()) {
    case ftDate:
      if (!TryStrToDate(value, moment))
        DatabaseErrorFmt(dbconsts::SInvalidDateTimeValue, {value, "date", DisplayName()});
      break;
    case ftTime:
      if (!TryStrToTime(value, moment))
        DatabaseErrorFmt(dbconsts::SInvalidDateTimeValue, {value, "time", DisplayName()});
      break;
    default:
      if (!TryStrToDateTime(value, moment))
        DatabaseErrorFmt(dbconsts::SInvalidDateTimeValue, {value, "date and time", DisplayName()});
      break;
  }
  SetAsDateTime(moment);
}

void TDateTimeField::SetVarValue(const Variant& value) { SetAsDateTime(VarToDateTime(value)); }

}  // namespace ordvane
