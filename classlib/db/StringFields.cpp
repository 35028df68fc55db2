#include "classlib/db/StringFields.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/NativeFormats.h"

namespace ordvane {

using namespace dbconsts;

namespace {

constexpr Integer MaxStringSize = 8192;
constexpr Integer GuidSize = 38;

}  // namespace

// --- TStringField --------------------------------------------------------------------------

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftString);
  SetSize(20);
}

void TStringField::SetFixedChar(bool value) {
  CheckInactive();
  SetDataType(value ? ftFixedChar : ftString);
}

void TStringField::CheckTypeSize(Integer size) const {
  if (size < 1 || size > MaxStringSize) DatabaseError(SInvalidFieldSize);
}

bool TStringField::ReadText(AnsiString& text) {
  std::vector<char> buffer(static_cast<std::size_t>(DataSize()), '\0');
  if (!ReadNative(buffer.data())) return false;
  // The terminator is looked for inside the buffer only.
  text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
  if (FixedChar()) text = TrimRight(text);
  return true;
}

AnsiString TStringField::GetAsString() {
  AnsiString text;
  ReadText(text);
  return text;
}

Variant TStringField::GetAsVariant() {
  AnsiString text;
  if (!ReadText(text)) return Null();
  return Variant(text);
}

Integer TStringField::GetAsInteger() { return StrToInt(GetAsString()); }
Int64 TStringField::GetAsLargeInt() { return StrToInt64(GetAsString()); }
double TStringField::GetAsFloat() { return static_cast<double>(StrToFloat(GetAsString())); }
TDateTime TStringField::GetAsDateTime() { return StrToDateTime(GetAsString()); }

bool TStringField::GetAsBoolean() {
  const AnsiString text = GetAsString();
  return !text.empty() && (text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y');
}

void TStringField::SetAsString(const AnsiString& value) {
  const auto size = static_cast<std::size_t>(DataSize());
  TFieldValueBuffer buffer(size);
  std::memcpy(buffer.Data(), value.data(), std::min({value.size(), static_cast<std::size_t>(Size()), size}));
  SetData(buffer.Data());
}

void TStringField::SetAsInteger(Integer value) { SetAsString(IntToStr(value)); }
void TStringField::SetAsLargeInt(Int64 value) { SetAsString(IntToStr(value)); }
void TStringField::SetAsFloat(double value) { SetAsString(FloatToStr(value)); }
void TStringField::SetAsBoolean(bool value) { SetAsString(value ? "T" : "F"); }
void TStringField::SetAsDateTime(TDateTime value) { SetAsString(DateTimeToStr(value)); }
void TStringField::SetVarValue(const Variant& value) { SetAsString(VarToStr(value)); }

// --- TWideStringField ----------------------------------------------------------------------

TWideStringField::TWideStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftWideString);
  SetSize(20);
}

void TWideStringField::CheckTypeSize(Integer size) const {
  if (size < 1 || size > MaxStringSize) DatabaseError(SInvalidFieldSize);
}

WideString TWideStringField::AsWideString() {
  WideString text;
  GetData(&text, false);
  return text;
}

void TWideStringField::SetAsWideString(const WideString& value) { SetData(&value, false); }

AnsiString TWideStringField::GetAsString() { return WideToAnsi(AsWideString()); }

void TWideStringField::SetAsString(const AnsiString& value) { SetAsWideString(AnsiToWide(value)); }

Variant TWideStringField::GetAsVariant() {
  WideString text;
  if (!GetData(&text, false)) return Null();
  return Variant(text);
}

void TWideStringField::SetVarValue(const Variant& value) { SetAsWideString(value.AsWideString()); }

// --- TGuidField ----------------------------------------------------------------------------

TGuidField::TGuidField(TComponent* owner) : TStringField(owner) {
  SetDataType(ftGuid);
  SetSize(GuidSize);
}

void TGuidField::CheckTypeSize(Integer size) const {
  if (size != GuidSize) DatabaseError(SInvalidFieldSize);
}

TGUID TGuidField::AsGuid() { return StringToGUID(GetAsString()); }

void TGuidField::SetAsGuid(const TGUID& value) { SetAsString(GUIDToString(value)); }

}  // namespace ordvane
