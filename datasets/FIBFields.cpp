#include "datasets/FIBFields.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>

#include "classlib/core/CodePages.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/ObjectCast.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/DataSet.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBRecordValues.h"
#include "dbclient/FIBConvert.h"

namespace ordvane {

using namespace dbconsts;

namespace {

constexpr Integer MaxStringSize = 32765;
constexpr Cardinal CodePageKOI8 = 20866;
constexpr Integer MaxBCDScale = 18;
constexpr Int64 MaxRoundedDigits = 999999999999999999;

bool SameTextAscii(const AnsiString& a, const AnsiString& b) {
  return UpperCase(a) == UpperCase(b);
}

constexpr char SFieldCharacterNotInCharSet[] =
    "Field '%s' holds a character that the connection's character set cannot represent";

enum class TTextCoding { None, Utf8, Koi8 };

// How a data field's text travels in its column: as UTF-8 on a Unicode connection, as KOI8
// on a KOI8 one, and as it is in a column without a character set of its own.
TTextCoding ColumnCoding(const TField& field, const TFIBCustomDataSet* dataSet) {
  const TFIBXSQLVAR* column = dataSet != nullptr && field.FieldKind() == fkData ? dataSet->ColumnOf(&field) : nullptr;
  TFIBDatabase* database = dataSet != nullptr ? dataSet->Database() : nullptr;
  if (column == nullptr || database == nullptr) return TTextCoding::None;
  // A text blob names its character set in the scale.
  const bool blob = (column->GetSQLType() & ~1) == SQL_BLOB;
  if (((blob ? column->GetSQLScale() : column->GetSQLSubtype()) & 0xFF) < 2) return TTextCoding::None;
  if (database->IsUnicodeCharSet()) return TTextCoding::Utf8;
  return database->IsKOI8CharSet() ? TTextCoding::Koi8 : TTextCoding::None;
}

TTextCoding ColumnCoding(const TField& field) {
  return ColumnCoding(field, ObjectAs<TFIBCustomDataSet>(field.DataSet()));
}

AnsiString DecodedText(const AnsiString& text, TTextCoding coding) {
  switch (coding) {
    case TTextCoding::Utf8:
      return Utf8ToAnsi(text);
    case TTextCoding::Koi8:
      return ConvertCodePage(text, CodePageKOI8, GetAnsiCodePage());
    case TTextCoding::None:
      break;
  }
  return text;
}

// A character the connection's code lacks would reach the server as '?': the text is
// refused instead, naming the field.
AnsiString EncodedText(const AnsiString& text, TTextCoding coding, const TField& field) {
  switch (coding) {
    case TTextCoding::Utf8:
      return AnsiToUtf8(text);
    case TTextCoding::Koi8: {
      AnsiString encoded = ConvertCodePage(text, GetAnsiCodePage(), CodePageKOI8);
      if (ConvertCodePage(encoded, CodePageKOI8, GetAnsiCodePage()) != text)
        DatabaseErrorFmt(SFieldCharacterNotInCharSet, {field.DisplayName()});
      return encoded;
    }
    case TTextCoding::None:
      break;
  }
  return text;
}

}  // namespace

// ---- Strings -----------------------------------------------------------------------------

void TFIBStringField::CheckTypeSize(Integer size) const {
  if (size < 1 || size > MaxStringSize) DatabaseError(SInvalidFieldSize);
}

bool TFIBStringField::ReadColumnText(AnsiString& text) {
  auto* dataSet = dynamic_cast<TFIBCustomDataSet*>(DataSet());
  const TFIBFieldDescr* descr = dataSet != nullptr && FieldKind() == fkData ? dataSet->ColumnDescriptor(this) : nullptr;
  // Every text of a grid, a filter or an export is read here: a column of the usual size
  // is read into the stack.
  std::array<char, 256> local;
  std::vector<char> large;
  const auto size = static_cast<std::size_t>(DataSize());
  // Zeroed as far as the size reaches: GetData may write fewer bytes than the size.
  if (size > local.size())
    large.resize(size, '\0');
  else
    std::memset(local.data(), 0, size);
  const std::span<char> buffer = size > local.size() ? std::span<char>(large) : std::span<char>(local.data(), size);
  if (!GetData(buffer.data())) return false;
  if (descr != nullptr && descr->IsBinary) {
    // Every byte counts, zero bytes too.
    const std::size_t length = std::min<std::size_t>(descr->DataSize, buffer.size());
    if (!descr->IsDBKey) {
      text.assign(buffer.data(), length);
      return true;
    }
    text.clear();
    for (std::size_t at = 0; at + 4 <= length; at += 4) {
      Cardinal word;
      std::memcpy(&word, buffer.data() + at, sizeof word);
      text += Format("%-8.8x", {static_cast<Int64>(word)});
    }
    return true;
  }
  text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
  if (FixedChar()) text = TrimRight(text);
  if (const TTextCoding coding = ColumnCoding(*this, dataSet); coding != TTextCoding::None) text = DecodedText(text, coding);
  return true;
}

AnsiString TFIBStringField::GetAsString() {
  AnsiString text;
  return ReadColumnText(text) ? text : AnsiString();
}

Variant TFIBStringField::GetAsVariant() {
  AnsiString text;
  return ReadColumnText(text) ? Variant(text) : Null();
}

void TFIBStringField::SetAsString(const AnsiString& value) {
  if (value.empty() && fEmptyStrToNull) return Clear();
  // Text that travels as it is (every text of a WIN1251 import) is not copied first.
  const TTextCoding coding = ColumnCoding(*this);
  if (coding == TTextCoding::None) return TStringField::SetAsString(value);
  TStringField::SetAsString(EncodedText(value, coding, *this));
}

// ---- Memos -------------------------------------------------------------------------------

AnsiString TFIBMemoField::GetAsString() { return DecodedText(TMemoField::GetAsString(), ColumnCoding(*this)); }

void TFIBMemoField::SetAsString(const AnsiString& value) {
  TMemoField::SetAsString(EncodedText(value, ColumnCoding(*this), *this));
}

Integer TFIBWideStringField::GetDataSize() const {
  const auto* dataSet = dynamic_cast<const TFIBCustomDataSet*>(DataSet());
  const TFIBXSQLVAR* column = dataSet != nullptr && FieldKind() == fkData ? dataSet->ColumnOf(this) : nullptr;
  return column != nullptr ? column->GetSize() + 1 : TWideStringField::GetDataSize();
}

// ---- Integers ------------------------------------------------------------------------------

Int64 TFIBLargeIntField::OldAsInt64() {
  const Variant old = OldValue();
  return VarIsNull(old) || VarIsEmpty(old) ? 0 : old.AsInt64();
}

// ---- Floating point -----------------------------------------------------------------------

Integer TFIBFloatField::Scale() const {
  const auto* dataSet = dynamic_cast<const TFIBCustomDataSet*>(DataSet());
  if (dataSet == nullptr || FieldKind() != fkData) return -15;
  const Integer scale = dataSet->GetFieldScale(this);
  return scale == 100 ? -15 : scale;
}

void TFIBFloatField::SetAsFloat(double value) {
  const Integer scale = Scale();
  // Rounded as the decimal the double stands for: 0.145 is 0.15 at two places. A value
  // too large to round is left to the column's range check.
  Int64 scaled = 0;
  if (fRoundByScale && scale != 0 && scale > -15 && ScaleToInteger(value, scale, MaxRoundedDigits, scaled))
    value = static_cast<double>(scaled) / Power10(-scale);
  TFloatField::SetAsFloat(value);
}

AnsiString TFIBFloatField::GetAsString() {
  return Trim(TFloatField::GetAsString());
}

// ---- BCD -------------------------------------------------------------------------------------

TFIBBCDField::TFIBBCDField(TComponent* owner) : TBCDField(owner) {
  SetSize(8);
}

void TFIBBCDField::CheckTypeSize(Integer size) const {
  if (size < 0 || size > MaxBCDScale) DatabaseError(SInvalidFieldSize);
}

bool TFIBBCDField::ReadScaled(Int64& value) {
  return ReadNative(&value);
}

void TFIBBCDField::WriteScaled(Int64 value) {
  SetData(&value, true);
}

Int64 TFIBBCDField::Scaled(Int64 value) const {
  const Int64 factor = Int64PowerOfTen(Size());
  if (value > std::numeric_limits<Int64>::max() / factor || value < std::numeric_limits<Int64>::min() / factor)
    DatabaseErrorFmt(SInvalidFloatValue, {std::to_string(value), DisplayName()});
  return value * factor;
}

Int64 TFIBBCDField::AsScaledInt64() {
  Int64 value = 0;
  return ReadScaled(value) ? value : 0;
}

Int64 TFIBBCDField::OldAsInt64() {
  const Variant old = OldValue();
  if (VarIsNull(old) || VarIsEmpty(old)) return 0;
  return std::llround(old.AsDouble() * static_cast<double>(Int64PowerOfTen(Size())));
}

AnsiString TFIBBCDField::GetAsString() {
  Int64 value = 0;
  if (!ReadScaled(value)) return {};
  if (Size() == 0) return std::to_string(value);
  const bool negative = value < 0;
  // Digits of the magnitude, at least one before the separator.
  std::string digits = std::to_string(value);
  if (negative) digits.erase(0, 1);
  const auto scale = static_cast<std::size_t>(Size());
  if (digits.size() <= scale) digits.insert(0, scale - digits.size() + 1, '0');
  digits.insert(digits.size() - scale, 1, FormatSettings().DecimalSeparator);
  return (negative ? "-" : "") + digits;
}

void TFIBBCDField::GetText(AnsiString& text, bool displayText) {
  Int64 value = 0;
  if (!ReadScaled(value)) {
    text.clear();
    return;
  }
  const AnsiString& format = TextFormat(displayText);
  text = format.empty() ? GetAsString() : FormatFloat(format, GetAsFloat());
}

Integer TFIBBCDField::GetAsInteger() {
  const Int64 value = AsScaledInt64() / Int64PowerOfTen(Size());
  if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
    throw ERangeError("Range check error");
  return static_cast<Integer>(value);
}

double TFIBBCDField::GetAsFloat() {
  return static_cast<double>(AsScaledInt64()) / static_cast<double>(Int64PowerOfTen(Size()));
}

ordvane::Currency TFIBBCDField::GetAsCurrency() {
  return ordvane::Currency::FromDouble(GetAsFloat());
}

Int64 TFIBBCDField::GetAsLargeInt() {
  return AsScaledInt64();
}

Variant TFIBBCDField::GetAsVariant() {
  Int64 value = 0;
  if (!ReadScaled(value)) return Null();
  return Size() == 0 ? Variant(value) : Variant(GetAsFloat());
}

// Exact decimal text: sign, digits, the locale's separator (or "."), digits; the fraction
// is rounded half away from zero to Size digits.
void TFIBBCDField::SetAsString(const AnsiString& value) {
  const AnsiString text = Trim(value);
  if (text.empty()) {
    Clear();
    return;
  }
  std::size_t at = 0;
  const bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') ++at;
  // The magnitude, up to the largest the sign allows: -9223372036854775808 is a value.
  using Magnitude = std::uint64_t;
  const Magnitude limit = static_cast<Magnitude>(std::numeric_limits<Int64>::max()) + (negative ? 1 : 0);
  Magnitude whole = 0;
  Magnitude fraction = 0;
  Integer fractionDigits = 0;
  bool roundUp = false;
  bool seenDigit = false;
  bool inFraction = false;
  const auto invalid = [&] { DatabaseErrorFmt(SInvalidFloatValue, {value, DisplayName()}); };
  for (; at < text.size(); ++at) {
    const char ch = text[at];
    if (!inFraction && (ch == FormatSettings().DecimalSeparator || ch == '.')) {
      inFraction = true;
      continue;
    }
    if (ch < '0' || ch > '9') invalid();
    seenDigit = true;
    const int digit = ch - '0';
    if (!inFraction) {
      if (whole > (limit - static_cast<Magnitude>(digit)) / 10) invalid();
      whole = whole * 10 + static_cast<Magnitude>(digit);
    } else if (fractionDigits < Size()) {
      fraction = fraction * 10 + static_cast<Magnitude>(digit);
      ++fractionDigits;
    } else if (fractionDigits == Size()) {
      roundUp = digit >= 5;
      ++fractionDigits;
    }
  }
  if (!seenDigit) invalid();
  for (Integer i = std::min(fractionDigits, Size()); i < Size(); ++i) fraction *= 10;
  const auto factor = static_cast<Magnitude>(Int64PowerOfTen(Size()));
  if (whole > limit / factor) invalid();
  Magnitude scaled = whole * factor;
  const Magnitude rest = fraction + (roundUp ? 1 : 0);
  if (scaled > limit - rest) invalid();
  scaled += rest;
  // Two's complement: the negated magnitude 2^63 is the lowest value.
  WriteScaled(static_cast<Int64>(negative ? Magnitude{0} - scaled : scaled));
}

void TFIBBCDField::SetAsInteger(Integer value) {
  WriteScaled(Scaled(value));
}

void TFIBBCDField::SetAsLargeInt(Int64 value) {
  WriteScaled(value);
}

void TFIBBCDField::SetAsFloat(double value) {
  const double scaled = std::round(value * static_cast<double>(Int64PowerOfTen(Size())));
  if (!(std::fabs(scaled) < 9.2e18)) DatabaseErrorFmt(SInvalidFloatValue, {FloatToStr(value), DisplayName()});
  WriteScaled(static_cast<Int64>(scaled));
}

void TFIBBCDField::SetAsCurrency(ordvane::Currency value) {
  SetAsFloat(value.ToDouble());
}

void TFIBBCDField::SetVarValue(const Variant& value) {
  if ((value.VType() & varTypeMask) == varInt64)
    WriteScaled(value.AsInt64());
  else if ((value.VType() & varTypeMask) == varString)
    SetAsString(value.AsString());
  else
    SetAsFloat(value.AsDouble());
}

// ---- Boolean ----------------------------------------------------------------------------------

TFIBBooleanField::TFIBBooleanField(TComponent* owner) : TBooleanField(owner) {}

void TFIBBooleanField::SetStringTrue(const AnsiString& value) {
  fStringTrue = value;
  SetDisplayValues(fStringTrue + ";" + fStringFalse);
}

void TFIBBooleanField::SetStringFalse(const AnsiString& value) {
  fStringFalse = value;
  SetDisplayValues(fStringTrue + ";" + fStringFalse);
}

bool TFIBBooleanField::GetAsBoolean() {
  SmallInt value = 0;
  return ReadNative(&value) && value > 0;
}

AnsiString TFIBBooleanField::GetAsString() {
  if (IsNull()) return {};
  return GetAsBoolean() ? fStringTrue : fStringFalse;
}

void TFIBBooleanField::SetAsString(const AnsiString& value) {
  if (value == "1" || value == "T" || SameTextAscii(value, fStringTrue))
    SetAsBoolean(true);
  else if (value == "0" || value == "F" || SameTextAscii(value, fStringFalse))
    SetAsBoolean(false);
  else
    TBooleanField::SetAsString(value);
}

// ---- Times with milliseconds ------------------------------------------------------------------

void AppendMilliseconds(AnsiString& text, TDateTime value) {
  const Int64 milliseconds = std::llround(std::fabs(value - std::trunc(value)) * 86400000.0) % 1000;
  if (milliseconds != 0) text += "." + std::to_string(milliseconds);
}

// ---- Blobs and arrays ---------------------------------------------------------------------------

bool TFIBBlobField::GetIsNull() {
  if (!fIsClientField) return TBlobField::GetIsNull();
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(this, bmRead);
  return stream == nullptr || stream->Size() == 0;
}

AnsiString TFIBArrayField::GetAsString() {
  return IsNull() ? "(Array)" : "(ARRAY)";
}

Variant TFIBArrayField::GetAsVariant() {
  auto* dataSet = dynamic_cast<TFIBCustomDataSet*>(DataSet());
  Variant value;
  if (dataSet == nullptr) return TBytesField::GetAsVariant();
  if (IsNull() || !dataSet->GetArrayFieldValue(this, value)) return Null();
  return value;
}

void TFIBArrayField::SetVarValue(const Variant& value) {
  auto* dataSet = dynamic_cast<TFIBCustomDataSet*>(DataSet());
  if (dataSet == nullptr) return TBytesField::SetVarValue(value);
  dataSet->SetArrayFieldValue(this, value);
}

// ---- GUID ---------------------------------------------------------------------------------------

Integer TFIBGuidField::GetDataSize() const {
  return DataSet() != nullptr && DataSet()->State() == dsBlockRead ? 39 : static_cast<Integer>(sizeof(TGUID));
}

TGUID TFIBGuidField::AsGuid() {
  TGUID guid{};
  if (!ReadNative(&guid)) return TGUID{};
  return guid;
}

void TFIBGuidField::SetAsGuid(const TGUID& value) {
  if (IsEqualGUID(value, TGUID{}))
    Clear();
  else
    SetData(&value, true);
}

AnsiString TFIBGuidField::GetAsString() {
  TGUID guid{};
  return ReadNative(&guid) ? GUIDToString(guid) : AnsiString();
}

Variant TFIBGuidField::GetAsVariant() {
  TGUID guid{};
  return ReadNative(&guid) ? Variant(GUIDToString(guid)) : Null();
}

void TFIBGuidField::SetAsString(const AnsiString& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  const TGUID guid = StringToGUID(value);
  SetData(&guid, true);
}

void TFIBGuidField::SetVarValue(const Variant& value) {
  SetAsString(value.AsString());
}

}  // namespace ordvane
