#include "classlib/db/NumericFields.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "classlib/core/FMTBcd.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/Math.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"

namespace ordvane {

using namespace dbconsts;

namespace {

bool IsSignOrDigit(char ch) { return ch == '+' || ch == '-' || (ch >= '0' && ch <= '9'); }

// A 64-bit value that must fit 32 bits to be read as an Integer.
Integer NarrowToInteger(Int64 value) {
  if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
    throw ERangeError("Range check error");
  return static_cast<Integer>(value);
}

}  // namespace

// --- TNumericField -------------------------------------------------------------------------

TNumericField::TNumericField(TComponent* owner) : TField(owner) { SetAlignment(taRightJustify); }

void TNumericField::SetDisplayFormat(const AnsiString& format) {
  fDisplayFormat = format;
  PropertyChanged(false);
}

void TNumericField::SetEditFormat(const AnsiString& format) {
  fEditFormat = format;
  PropertyChanged(false);
}

const AnsiString& TNumericField::TextFormat(bool displayText) const {
  return displayText || fEditFormat.empty() ? fDisplayFormat : fEditFormat;
}

bool TNumericField::IsValidChar(char ch) const { return IsSignOrDigit(ch); }

AnsiString TNumericField::IntegerText(Int64 value, bool displayText) const {
  const AnsiString& format = TextFormat(displayText);
  return format.empty() ? IntToStr(value) : FormatFloat(format, static_cast<Extended>(value));
}

void TNumericField::SetIntegerText(const AnsiString& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  Int64 number = 0;
  if (!TryStrToInt64(value, number)) DatabaseErrorFmt(SInvalidIntegerValue, {value, DisplayName()});
  SetAsLargeInt(number);
}

void TNumericField::SetRoundedFloat(double value) {
  // Checked before rounding, which is defined only inside the 64-bit range.
  if (!std::isfinite(value) || std::fabs(value) > 9.2e18)
    DatabaseErrorFmt(SInvalidIntegerValue, {FloatToStr(value), DisplayName()});
  SetAsLargeInt(Round(value));
}

// --- TIntegerField and its 16-bit and counter kin -------------------------------------------

TIntegerField::TIntegerField(TComponent* owner)
    : TIntegerField(owner, ftInteger, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max()) {}

TIntegerField::TIntegerField(TComponent* owner, TFieldType type, Int64 minRange, Int64 maxRange)
    : TNumericField(owner), fMinRange(minRange), fMaxRange(maxRange) {
  SetDataType(type);
}

TSmallintField::TSmallintField(TComponent* owner)
    : TIntegerField(owner, ftSmallint, std::numeric_limits<SmallInt>::min(), std::numeric_limits<SmallInt>::max()) {}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner, ftWord, 0, std::numeric_limits<Word>::max()) {}

TAutoIncField::TAutoIncField(TComponent* owner)
    : TIntegerField(owner, ftAutoInc, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max()) {}

Integer TIntegerField::GetDataSize() const { return DataType() == ftSmallint || DataType() == ftWord ? 2 : 4; }

Integer TIntegerField::GetDefaultWidth() const {
  switch (DataType()) {
    case ftSmallint:
      return 6;
    case ftWord:
      return 5;
    default:
      return 11;
  }
}

bool TIntegerField::ReadValue(Integer& value) {
  switch (DataType()) {
    case ftSmallint: {
      SmallInt v = 0;
      if (!ReadNative(&v)) return false;
      value = v;
      return true;
    }
    case ftWord: {
      Word v = 0;
      if (!ReadNative(&v)) return false;
      value = v;
      return true;
    }
    default:
      return ReadNative(&value);
  }
}

Integer TIntegerField::GetAsInteger() {
  Integer value = 0;
  return ReadValue(value) ? value : 0;
}

Int64 TIntegerField::GetAsLargeInt() { return GetAsInteger(); }
double TIntegerField::GetAsFloat() { return GetAsInteger(); }

AnsiString TIntegerField::GetAsString() {
  Integer value = 0;
  return ReadValue(value) ? IntToStr(value) : AnsiString();
}

Variant TIntegerField::GetAsVariant() {
  Integer value = 0;
  return ReadValue(value) ? Variant(value) : Null();
}

void TIntegerField::GetText(AnsiString& text, bool displayText) {
  Integer value = 0;
  text = ReadValue(value) ? IntegerText(value, displayText) : AnsiString();
}

void TIntegerField::SetAsLargeInt(Int64 value) {
  if (value < fMinRange || value > fMaxRange)
    DatabaseErrorFmt(SFieldRangeError, {value, DisplayName(), fMinRange, fMaxRange});
  switch (DataType()) {
    case ftSmallint: {
      const auto v = static_cast<SmallInt>(value);
      SetData(&v);
      break;
    }
    case ftWord: {
      const auto v = static_cast<Word>(value);
      SetData(&v);
      break;
    }
    default: {
      const auto v = static_cast<Integer>(value);
      SetData(&v);
      break;
    }
  }
}

void TIntegerField::SetAsInteger(Integer value) { SetAsLargeInt(value); }
void TIntegerField::SetAsFloat(double value) { SetRoundedFloat(value); }
void TIntegerField::SetAsString(const AnsiString& value) { SetIntegerText(value); }
void TIntegerField::SetVarValue(const Variant& value) { SetAsLargeInt(value.AsInt64()); }

// --- TLargeintField ------------------------------------------------------------------------

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) { SetDataType(ftLargeint); }

bool TLargeintField::ReadValue(Int64& value) { return ReadNative(&value); }

Int64 TLargeintField::GetAsLargeInt() {
  Int64 value = 0;
  return ReadValue(value) ? value : 0;
}

Integer TLargeintField::GetAsInteger() { return NarrowToInteger(GetAsLargeInt()); }
double TLargeintField::GetAsFloat() { return static_cast<double>(GetAsLargeInt()); }

AnsiString TLargeintField::GetAsString() {
  Int64 value = 0;
  return ReadValue(value) ? IntToStr(value) : AnsiString();
}

Variant TLargeintField::GetAsVariant() {
  Int64 value = 0;
  return ReadValue(value) ? Variant(static_cast<long long>(value)) : Null();
}

void TLargeintField::GetText(AnsiString& text, bool displayText) {
  Int64 value = 0;
  text = ReadValue(value) ? IntegerText(value, displayText) : AnsiString();
}

void TLargeintField::SetAsLargeInt(Int64 value) { SetData(&value); }
void TLargeintField::SetAsInteger(Integer value) { SetAsLargeInt(value); }
void TLargeintField::SetAsFloat(double value) { SetRoundedFloat(value); }
void TLargeintField::SetAsString(const AnsiString& value) { SetIntegerText(value); }
void TLargeintField::SetVarValue(const Variant& value) { SetAsLargeInt(value.AsInt64()); }

// --- TFloatField ---------------------------------------------------------------------------

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { SetDataType(ftFloat); }

void TFloatField::SetCurrency(bool value) {
  fCurrency = value;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(Integer value) {
  fPrecision = std::clamp(value, 2, 15);
  PropertyChanged(false);
}

bool TFloatField::IsValidChar(char ch) const {
  return IsSignOrDigit(ch) || ch == FormatSettings().DecimalSeparator || ch == 'E' || ch == 'e';
}

bool TFloatField::ReadValue(double& value) { return ReadNative(&value); }

double TFloatField::GetAsFloat() {
  double value = 0;
  return ReadValue(value) ? value : 0;
}

Integer TFloatField::GetAsInteger() { return NarrowToInteger(GetAsLargeInt()); }
Int64 TFloatField::GetAsLargeInt() { return Round(GetAsFloat()); }

AnsiString TFloatField::GetAsString() {
  double value = 0;
  return ReadValue(value) ? FloatToStr(value) : AnsiString();
}

Variant TFloatField::GetAsVariant() {
  double value = 0;
  return ReadValue(value) ? Variant(value) : Null();
}

void TFloatField::GetText(AnsiString& text, bool displayText) {
  double value = 0;
  if (!ReadValue(value)) {
    text.clear();
    return;
  }
  const AnsiString& format = TextFormat(displayText);
  if (!format.empty()) {
    text = FormatFloat(format, value);
  } else if (fCurrency) {
    text = FloatToStrF(value, displayText ? ffCurrency : ffFixed, fPrecision, FormatSettings().CurrencyDecimals);
  } else {
    text = FloatToStrF(value, ffGeneral, fPrecision, 0);
  }
}

void TFloatField::SetAsFloat(double value) {
  if (!std::isfinite(value)) DatabaseErrorFmt(SInvalidFloatValue, {FloatToStr(value), DisplayName()});
  SetData(&value);
}

void TFloatField::SetAsInteger(Integer value) { SetAsFloat(value); }
void TFloatField::SetAsLargeInt(Int64 value) { SetAsFloat(static_cast<double>(value)); }

void TFloatField::SetAsString(const AnsiString& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  double number = 0;
  if (!TryStrToFloat(value, number)) DatabaseErrorFmt(SInvalidFloatValue, {value, DisplayName()});
  SetAsFloat(number);
}

void TFloatField::SetVarValue(const Variant& value) { SetAsFloat(value.AsDouble()); }

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

// --- TBCDField -----------------------------------------------------------------------------

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner) {
  SetDataType(ftBCD);
  SetSize(4);
}

void TBCDField::CheckTypeSize(Integer size) const {
  if (size < 0 || size > 32) DatabaseError(SInvalidFieldSize);
}

Integer TBCDField::GetDataSize() const { return static_cast<Integer>(sizeof(TBcd)); }

void TBCDField::SetCurrency(bool value) {
  fCurrency = value;
  PropertyChanged(false);
}

void TBCDField::SetPrecision(Integer value) {
  CheckInactive();
  fPrecision = std::clamp(value, 0, 32);
}

bool TBCDField::IsValidChar(char ch) const { return IsSignOrDigit(ch) || ch == FormatSettings().DecimalSeparator; }

bool TBCDField::ReadValue(ordvane::Currency& value) { return GetData(&value, false); }

ordvane::Currency TBCDField::GetAsCurrency() {
  ordvane::Currency value;
  return ReadValue(value) ? value : ordvane::Currency();
}

double TBCDField::GetAsFloat() { return GetAsCurrency().ToDouble(); }
Int64 TBCDField::GetAsLargeInt() { return Round(GetAsCurrency().ToExtended()); }
Integer TBCDField::GetAsInteger() { return NarrowToInteger(GetAsLargeInt()); }

AnsiString TBCDField::GetAsString() {
  ordvane::Currency value;
  return ReadValue(value) ? CurrToStr(value) : AnsiString();
}

Variant TBCDField::GetAsVariant() {
  ordvane::Currency value;
  return ReadValue(value) ? Variant(value) : Null();
}

void TBCDField::GetText(AnsiString& text, bool displayText) {
  ordvane::Currency value;
  if (!ReadValue(value)) {
    text.clear();
    return;
  }
  const AnsiString& format = TextFormat(displayText);
  if (!format.empty())
    text = FormatCurr(format, value);
  else if (fCurrency)
    text = CurrToStrF(value, displayText ? ffCurrency : ffFixed, FormatSettings().CurrencyDecimals);
  else
    text = CurrToStr(value);
}

void TBCDField::SetAsCurrency(ordvane::Currency value) { SetData(&value, false); }
void TBCDField::SetAsFloat(double value) { SetAsCurrency(ordvane::Currency::FromDouble(value)); }
void TBCDField::SetAsInteger(Integer value) { SetAsCurrency(ordvane::Currency::FromInt64(value)); }
void TBCDField::SetAsLargeInt(Int64 value) { SetAsCurrency(ordvane::Currency::FromInt64(value)); }

void TBCDField::SetAsString(const AnsiString& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  ordvane::Currency number;
  if (!TryStrToCurr(value, number)) DatabaseErrorFmt(SInvalidFloatValue, {value, DisplayName()});
  SetAsCurrency(number);
}

void TBCDField::SetVarValue(const Variant& value) { SetAsCurrency(value.AsCurrency()); }

}  // namespace ordvane
