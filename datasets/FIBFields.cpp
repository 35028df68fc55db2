#include "datasets/FIBFields.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/FMTBcd.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/ObjectCast.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/DataSet.h"
#include "classlib/db/NativeFormats.h"
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
    "Field '%s' holds a character that the connection's character set cannot represent: '%s'";
constexpr char SFieldCharacterNotInColumnCharSet[] =
    "Field '%s' holds a character that its column's character set cannot represent: '%s'";
constexpr char SFieldTextTooLong[] =
    "Field '%s' cannot hold the text '%s': string right truncation, expected length %d, actual %d";

using TTextCoding = TFIBTextCoding;

// How a data field's text travels in its column: as UTF-8 on a Unicode connection, as KOI8
// on a KOI8 one, and as it is in a column without a character set of its own.
TTextCoding ColumnCoding(const TField& field, const TFIBCustomDataSet* dataSet) {
  TFIBDatabase* database = dataSet != nullptr ? dataSet->Database() : nullptr;
  // The connection's character set first: on most, nothing is decoded whatever the column.
  // A NONE connection passes a column's bytes as the column holds them: UTF-8 in a
  // column of a Unicode set.
  const bool none =
      database != nullptr && database->IsUnicodeOrNoneCharSet() && !database->IsUnicodeCharSet();
  const TTextCoding coding = database == nullptr                    ? TTextCoding::None
                             : database->IsUnicodeCharSet() || none ? TTextCoding::Utf8
                             : database->IsKOI8CharSet()            ? TTextCoding::Koi8
                                                                    : TTextCoding::None;
  const TFIBXSQLVAR* column =
      coding != TTextCoding::None && field.FieldKind() == fkData ? dataSet->ColumnOf(&field) : nullptr;
  if (column == nullptr) return TTextCoding::None;
  // A text blob names its character set in the scale.
  const bool blob = (column->GetSQLType() & ~1) == SQL_BLOB;
  const Integer charSetID = (blob ? column->GetSQLScale() : column->GetSQLSubtype()) & 0xFF;
  if (charSetID < 2 || (none && !database->UnicodeCharSetIDs().contains(charSetID))) return TTextCoding::None;
  return coding;
}

// The field's dataset when it is a Firebird one.
TFIBCustomDataSet* FIBDataSetOf(const TField& field) {
  return ObjectAs<TFIBCustomDataSet>(field.DataSet());
}

// A Unicode or KOI8 connection describes every text in its own set, whatever the column's
// own, and the server converts it there, failing or (from KOI8) dropping what that set
// lacks: the code page of the column's set when it is an 8-bit one, from the metadata
// cache; 0 otherwise.
Cardinal ColumnOwnCodePage(const TField& field) {
  TFIBCustomDataSet* dataSet = FIBDataSetOf(field);
  TFIBDatabase* database = dataSet != nullptr ? dataSet->Database() : nullptr;
  if (database == nullptr || !database->Connected() ||
      !(database->IsUnicodeCharSet() || database->IsKOI8CharSet()) || field.FieldKind() != fkData)
    return 0;
  const TFIBXSQLVAR* column = dataSet->ColumnOf(&field);
  if (column == nullptr || column->GetRelationName().empty()) return 0;
  const auto info =
      GetFieldInfo(FIBTableInfoCollect(), *database, column->GetRelationName(), false, column->GetSqlName());
  return info != nullptr ? SingleByteCharSetCodePage(info->CharSetID) : 0;
}

// The server would refuse a character the column's own set lacks naming nothing: the
// field refuses it, naming itself and the text.
void CheckColumnHolds(std::u16string_view text, Cardinal codePage, const TField& field) {
  RawByteString bytes;
  if (codePage != 0 && !WideToCodePageExact(text, codePage, bytes))
    DatabaseErrorFmt(SFieldCharacterNotInColumnCharSet, {field.DisplayName(), WideToAnsi(text)});
}

// The field's link as it stands; kept only while its dataset is open.
TFIBColumnLink LinkOf(const TField& field) {
  TFIBColumnLink link;
  link.DataSet = FIBDataSetOf(field);
  if (link.DataSet == nullptr) return link;
  link.Descr = field.FieldKind() == fkData ? link.DataSet->ColumnDescriptor(&field) : nullptr;
  link.Known = link.DataSet->Active();
  return link;
}

// A text column whose characters are the text: not binary, not a DB key, not wide, not a GUID.
bool HoldsStoredText(const TFIBFieldDescr* descr) {
  return descr != nullptr && IsTextType(descr->SQLType) && !descr->IsBinary && descr->CharKind == ckAnsi;
}

// Browsing or filtering, no field is being validated (that needs an editing state), so the
// dataset's record holds what GetData would copy.
bool ReadsRecordInPlace(const TFIBCustomDataSet& dataSet) {
  return dataSet.State() == dsBrowse || dataSet.State() == dsFilter;
}

TTextCoding ColumnCoding(const TField& field) { return ColumnCoding(field, FIBDataSetOf(field)); }

using TStoredRead = TFIBCustomDataSet::TStoredRead;

// GetFieldStoredInteger of the field's column (its link, worked out when not known) when
// the field has one in a Firebird dataset.
TStoredRead ReadStoredInteger(TField& field, TFIBColumnLink& column, bool keepsScale, Int64& value) {
  if (!column.Known) column = LinkOf(field);
  if (column.Descr == nullptr) return TStoredRead::Elsewhere;
  return column.DataSet->GetFieldStoredInteger(&field, *column.Descr, keepsScale, value);
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

[[noreturn]] void CharacterNotInCharSet(const TField& field, const AnsiString& text) {
  DatabaseErrorFmt(SFieldCharacterNotInCharSet, {field.DisplayName(), text});
}

// A character the connection's code lacks would reach the server as '?': the text is
// refused instead, naming the field and the text.
AnsiString EncodedText(const AnsiString& text, TTextCoding coding, const TField& field) {
  switch (coding) {
    case TTextCoding::Utf8:
      return AnsiToUtf8(text);
    case TTextCoding::Koi8: {
      AnsiString encoded = ConvertCodePage(text, GetAnsiCodePage(), CodePageKOI8);
      if (ConvertCodePage(encoded, CodePageKOI8, GetAnsiCodePage()) != text)
        CharacterNotInCharSet(field, text);
      return encoded;
    }
    case TTextCoding::None:
      break;
  }
  return text;
}

// Wide text (a workbook's cell, a variant) goes straight into the bytes its column
// travels in, never through the ANSI code page on the way.
RawByteString EncodedWideText(std::u16string_view text, TTextCoding coding, const TField& field) {
  if (coding == TTextCoding::Utf8) return Utf8Encode(text);
  RawByteString bytes;
  if (!WideToCodePageExact(text, coding == TTextCoding::Koi8 ? CodePageKOI8 : CP_ACP, bytes))
    CharacterNotInCharSet(field, WideToAnsi(text));
  return bytes;
}

// The server refuses a text longer than its column unless only blanks are over, and drops
// those blanks. A field checks the same before the text reaches the record, which would
// cut it: the length it keeps of a text of length characters, of which the first size
// fit, or the server's error naming the field and the text.
std::size_t FittedLength(std::size_t length, std::size_t size, bool blanksOver, const TField& field,
                         const AnsiString& shown) {
  if (length <= size) return length;
  if (!blanksOver)
    DatabaseErrorFmt(SFieldTextTooLong,
                     {field.DisplayName(), shown, static_cast<Int64>(size), static_cast<Int64>(length)});
  return size;
}

std::size_t FittedLength(std::string_view bytes, std::size_t size, const TField& field,
                         const AnsiString& shown) {
  return FittedLength(bytes.size(), size,
                      bytes.size() > size && bytes.find_first_not_of(' ', size) == std::string_view::npos,
                      field, shown);
}

}  // namespace

// ---- Strings -----------------------------------------------------------------------------

void TFIBStringField::CheckTypeSize(Integer size) const {
  if (size < 1 || size > MaxStringSize) DatabaseError(SInvalidFieldSize);
}

const TFIBStringField::TTextPlan& TFIBStringField::TextPlan() {
  if (fTextPlan.Column.Known) return fTextPlan;
  TTextPlan& plan = fTextPlan;
  plan.Column = LinkOf(*this);
  plan.StoredAsText = HoldsStoredText(plan.Column.Descr);
  plan.Coding = ColumnCoding(*this, plan.Column.DataSet);
  plan.AsItIs = plan.StoredAsText && plan.Coding == TTextCoding::None && !FixedChar();
  plan.ColumnCodePage = plan.Coding != TTextCoding::None ? ColumnOwnCodePage(*this) : 0;
  return plan;
}

inline bool TFIBStringField::ReadStoredText(const TTextPlan& plan, std::string_view& text) {
  if (!plan.Column.DataSet->GetFieldText(this, *plan.Column.Descr, text)) return false;
  // Up to a zero byte, where the copy into a field's buffer ends too.
  if (const void* zero = std::memchr(text.data(), 0, text.size()); zero != nullptr)
    text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
  return true;
}

bool TFIBStringField::ReadColumnText(AnsiString& text) {
  const TTextPlan& plan = TextPlan();
  const TFIBFieldDescr* descr = plan.Column.Descr;
  if (plan.StoredAsText && ReadsRecordInPlace(*plan.Column.DataSet)) {
    std::string_view stored;
    if (!ReadStoredText(plan, stored)) return false;
    text.assign(stored);
  } else if (!ReadTextCopy(descr, text)) {
    return false;
  } else if (descr != nullptr && descr->IsBinary) {
    return true;
  }
  if (FixedChar()) text = TrimRight(text);
  if (plan.Coding != TTextCoding::None) text = DecodedText(text, plan.Coding);
  return true;
}

bool TFIBStringField::ReadTextCopy(const TFIBFieldDescr* descr, AnsiString& text) {
  // A column of the usual size is read into the stack.
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
  return true;
}

bool TFIBStringField::TextIsStored() const {
  const TFIBColumnLink link = LinkOf(*this);
  return HoldsStoredText(link.Descr) && ColumnCoding(*this, link.DataSet) == TTextCoding::None;
}

AnsiString TFIBStringField::GetAsString() {
  const TTextPlan& plan = TextPlan();
  // The usual text, every value of a grid: made once, straight from the record.
  if (plan.AsItIs && ReadsRecordInPlace(*plan.Column.DataSet)) {
    std::string_view stored;
    return ReadStoredText(plan, stored) ? AnsiString(stored) : AnsiString();
  }
  AnsiString text;
  if (!ReadColumnText(text)) text.clear();
  return text;
}

Variant TFIBStringField::GetAsVariant() {
  AnsiString text;
  return ReadColumnText(text) ? Variant(text) : Null();
}

void TFIBStringField::SetAsString(const AnsiString& value) {
  if (value.empty() && fEmptyStrToNull) return Clear();
  // Text that travels as it is (every text of a WIN1251 import) is not copied first.
  const TTextPlan& plan = TextPlan();
  if (plan.Coding == TTextCoding::None) return WriteColumnText(value, value);
  if (plan.ColumnCodePage != 0 && plan.ColumnCodePage != GetAnsiCodePage())
    CheckColumnHolds(AnsiToWide(value), plan.ColumnCodePage, *this);
  WriteColumnText(EncodedText(value, plan.Coding, *this), value);
}

void TFIBStringField::SetVarValue(const Variant& value) {
  std::u16string_view wide;
  if (!value.WideTextView(wide)) return TStringField::SetVarValue(value);
  if (wide.empty() && fEmptyStrToNull) return Clear();
  const TTextPlan& plan = TextPlan();
  CheckColumnHolds(wide, plan.ColumnCodePage, *this);
  WriteColumnText(EncodedWideText(wide, plan.Coding, *this), WideToAnsi(wide));
}

void TFIBStringField::WriteColumnText(const AnsiString& bytes, const AnsiString& shown) {
  const std::size_t length = FittedLength(bytes, static_cast<std::size_t>(Size()), *this, shown);
  if (length == bytes.size()) return TStringField::SetAsString(bytes);
  TStringField::SetAsString(bytes.substr(0, length));
}

// ---- Memos -------------------------------------------------------------------------------

AnsiString TFIBMemoField::GetAsString() { return DecodedText(TMemoField::GetAsString(), ColumnCoding(*this)); }

void TFIBMemoField::SetAsString(const AnsiString& value) {
  const TTextCoding coding = ColumnCoding(*this);
  if (coding != TTextCoding::None) {
    const Cardinal codePage = ColumnOwnCodePage(*this);
    if (codePage != 0 && codePage != GetAnsiCodePage()) CheckColumnHolds(AnsiToWide(value), codePage, *this);
  }
  TMemoField::SetAsString(EncodedText(value, coding, *this));
}

Variant TFIBMemoField::GetAsVariant() {
  if (ColumnCoding(*this) != TTextCoding::Utf8) return TMemoField::GetAsVariant();
  // Wide, as the text is: its ANSI form would lose what the code page lacks.
  return IsNull() ? Null() : Variant(Utf8Decode(TMemoField::GetAsString()));
}

void TFIBMemoField::SetVarValue(const Variant& value) {
  std::u16string_view wide;
  if (!value.WideTextView(wide)) return TMemoField::SetVarValue(value);
  const TTextCoding coding = ColumnCoding(*this);
  if (coding != TTextCoding::None) CheckColumnHolds(wide, ColumnOwnCodePage(*this), *this);
  TMemoField::SetAsString(EncodedWideText(wide, coding, *this));
}

void TFIBWideStringField::SetAsString(const AnsiString& value) {
  if (value.empty() && fEmptyStrToNull) return Clear();
  TWideStringField::SetAsString(value);
}

void TFIBWideStringField::SetVarValue(const Variant& value) {
  const WideString text = value.AsWideString();
  if (text.empty() && fEmptyStrToNull) return Clear();
  SetAsWideString(text);
}

RawByteString WideFieldBytes(const TField& field, std::u16string_view text, std::size_t capacity) {
  CheckColumnHolds(text, ColumnOwnCodePage(field), field);
  const auto size = static_cast<std::size_t>(std::max(field.Size(), 0));
  std::size_t characters = 0, at = 0, fitted = text.size();
  bool blanksOver = true;
  while (at < text.size()) {
    if (characters == size) fitted = at;
    const char16_t first = text[at];
    DecodeUtf16Char(text, at);
    if (++characters > size && first != u' ') blanksOver = false;
  }
  const std::size_t kept = FittedLength(characters, size, blanksOver, field, WideToAnsi(text));
  RawByteString bytes = Utf8Encode(kept < characters ? text.substr(0, fitted) : text);
  // Four bytes a character fit any column; a column of three (UNICODE_FSS) may not.
  if (bytes.size() > capacity)
    DatabaseErrorFmt(SFieldTextTooLong, {field.DisplayName(), WideToAnsi(text), static_cast<Int64>(capacity),
                                         static_cast<Int64>(bytes.size())});
  return bytes;
}

Integer TFIBWideStringField::GetDataSize() const {
  const auto* dataSet = dynamic_cast<const TFIBCustomDataSet*>(DataSet());
  const TFIBXSQLVAR* column = dataSet != nullptr && FieldKind() == fkData ? dataSet->ColumnOf(this) : nullptr;
  return column != nullptr ? column->GetSize() + 1 : TWideStringField::GetDataSize();
}

// ---- Integers ------------------------------------------------------------------------------

template <class TBase>
AnsiString TFIBIntegerText<TBase>::GetAsString() {
  Int64 value = 0;
  switch (ReadStoredInteger(*this, fColumn, false, value)) {
    case TStoredRead::Value:
      return IntToStr(value);
    case TStoredRead::Null:
      return {};
    case TStoredRead::Elsewhere:
      break;
  }
  return TBase::GetAsString();
}

template <class TBase>
void TFIBIntegerText<TBase>::GetText(AnsiString& text, bool displayText) {
  Int64 value = 0;
  switch (ReadStoredInteger(*this, fColumn, false, value)) {
    case TStoredRead::Value:
      text = this->IntegerText(value, displayText);
      return;
    case TStoredRead::Null:
      text.clear();
      return;
    case TStoredRead::Elsewhere:
      TBase::GetText(text, displayText);
  }
}

template class TFIBIntegerText<TIntegerField>;
template class TFIBIntegerText<TSmallintField>;
template class TFIBIntegerText<TLargeintField>;

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
    value = ScaledToDouble(scaled, scale);
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
  switch (ReadStoredInteger(*this, fColumn, true, value)) {
    case TStoredRead::Value:
      return true;
    case TStoredRead::Null:
      return false;
    case TStoredRead::Elsewhere:
      break;
  }
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
  Int64 value = 0;
  // Read as stored: through the Variant's double the last digits of a large value change.
  if (VarIsNull(old) || VarIsEmpty(old) || !DataSet()->GetStateFieldData(dsOldValue, this, &value)) return 0;
  return value;
}

// The stored integer at the currency's four decimals; false when it does not fit.
bool TFIBBCDField::ScaledToCurrency(Int64 value, ordvane::Currency& result) const {
  const Integer scale = Size();
  if (scale > 4) {
    const Int64 divisor = Int64PowerOfTen(scale - 4);
    if (value % divisor != 0) return false;
    result = ordvane::Currency::FromScaled(value / divisor);
    return true;
  }
  const Int64 factor = Int64PowerOfTen(4 - scale);
  if (value > std::numeric_limits<Int64>::max() / factor ||
      value < std::numeric_limits<Int64>::min() / factor)
    return false;
  result = ordvane::Currency::FromScaled(value * factor);
  return true;
}

// A currency at the field's decimals, rounded half away from zero below four; false when it
// does not fit.
bool TFIBBCDField::CurrencyToScaled(ordvane::Currency value, Int64& result) const {
  const Integer scale = Size();
  const Int64 scaled = value.Scaled();
  if (scale < 4) {
    const Int64 divisor = Int64PowerOfTen(4 - scale);
    const Int64 rest = scaled % divisor;
    result = scaled / divisor + (2 * (rest < 0 ? -rest : rest) >= divisor ? (rest < 0 ? -1 : 1) : 0);
    return true;
  }
  const Int64 factor = Int64PowerOfTen(scale - 4);
  if (scaled > std::numeric_limits<Int64>::max() / factor ||
      scaled < std::numeric_limits<Int64>::min() / factor)
    return false;
  result = scaled * factor;
  return true;
}

AnsiString TFIBBCDField::DecimalText(Int64 value) const {
  // Written from the last digit back: the scale's digits, the separator, the whole part.
  std::array<char, 1 + std::numeric_limits<std::uint64_t>::digits10 + 1 + 1 + MaxBCDScale> text;
  char* const end = text.data() + text.size();
  UInt64 magnitude = value < 0 ? 0 - static_cast<UInt64>(value) : static_cast<UInt64>(value);
  const Integer scale = Size();
  char* begin = PutLastDigits(end, magnitude, scale);
  if (scale > 0) *--begin = FormatSettings().DecimalSeparator;
  begin = PutDigits(begin, magnitude);
  if (value < 0) *--begin = '-';
  return AnsiString(begin, end);
}

AnsiString TFIBBCDField::GetAsString() {
  Int64 value = 0;
  return ReadScaled(value) ? DecimalText(value) : AnsiString();
}

void TFIBBCDField::GetText(AnsiString& text, bool displayText) {
  Int64 value = 0;
  if (!ReadScaled(value)) {
    text.clear();
    return;
  }
  const AnsiString& format = TextFormat(displayText);
  text = format.empty() ? DecimalText(value) : FormatBcd(format, ScaledInt64ToBcd(value, Size()));
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
  ordvane::Currency exact;
  return ScaledToCurrency(AsScaledInt64(), exact) ? exact : ordvane::Currency::FromDouble(GetAsFloat());
}

Int64 TFIBBCDField::GetAsLargeInt() {
  return AsScaledInt64();
}

Variant TFIBBCDField::GetAsVariant() {
  Int64 value = 0;
  if (!ReadScaled(value)) return Null();
  return Size() == 0 ? Variant(value) : Variant(GetAsFloat());
}

// Exact decimal text: sign, digits (grouped by the locale's thousand separator or not),
// the locale's separator (or "."), digits; the fraction is rounded half away from zero to
// Size digits.
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
  const char separator = FormatSettings().ThousandSeparator;
  const char group = separator == FormatSettings().DecimalSeparator || separator == '.' ? '\0' : separator;
  for (; at < text.size(); ++at) {
    const char ch = text[at];
    if (!inFraction && (ch == FormatSettings().DecimalSeparator || ch == '.')) {
      inFraction = true;
      continue;
    }
    // The digit groups of a shown value ("123 456,78") read back as the value.
    if (!inFraction && seenDigit && ch == group) continue;
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
  Int64 scaled = 0;
  if (!CurrencyToScaled(value, scaled))
    DatabaseErrorFmt(SInvalidFloatValue, {CurrToStr(value), DisplayName()});
  WriteScaled(scaled);
}

void TFIBBCDField::SetVarValue(const Variant& value) {
  if ((value.VType() & varTypeMask) == varInt64)
    WriteScaled(value.AsInt64());
  else if ((value.VType() & varTypeMask) == varCurrency)
    SetAsCurrency(value.AsCurrency());
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

// ---- Dates ------------------------------------------------------------------------------------

namespace {

// A number below 100 (a day, a month, a year's last two digits) at out, with a zero in
// front up to digits (1 or 2); answers the end.
char* WriteSmallNumber(char* out, unsigned value, int digits) {
  if (value < 10 && digits < 2) {
    *out = static_cast<char>('0' + value);
    return out + 1;
  }
  std::memcpy(out, TwoDigitText(value), 2);
  return out + 2;
}

}  // namespace

std::size_t TNumericDateFormat::MaxPartLength(const TPart& part) {
  switch (part.Step) {
    case TStep::Literal:
      return 1;
    case TStep::Year:
      return 4;
    default:
      return 2;
  }
}

// The letters as FormatDateTime reads them: a run of one letter (of one case) is one
// token; d and m up to two long are numbers, longer ones names; y up to two long is the
// year's last two digits, longer the whole year in four.
bool TNumericDateFormat::CompileAnew(const AnsiString& format, char dateSeparator) {
  fFormat = format;
  fDateSeparator = dateSeparator;
  fCompiled = true;
  fNumeric = false;
  fParts.clear();
  for (std::size_t i = 0; i < format.size();) {
    const char starter = format[i];
    if (std::isalpha(static_cast<unsigned char>(starter))) {
      std::size_t run = 1;
      while (i + run < format.size() && format[i + run] == starter) ++run;
      i += run;
      const int count = static_cast<int>(std::min<std::size_t>(run, 3));
      switch (std::toupper(static_cast<unsigned char>(starter))) {
        case 'D':
          if (count > 2) return false;
          fParts.push_back({TStep::Day, '\0', count});
          break;
        case 'M':
          if (count > 2) return false;
          fParts.push_back({TStep::Month, '\0', count});
          break;
        case 'Y':
          fParts.push_back(count <= 2 ? TPart{TStep::ShortYear, '\0', 2} : TPart{TStep::Year, '\0', 4});
          break;
        default:
          return false;
      }
      continue;
    }
    // Quoted text and the time separator belong to the general formatter.
    if (starter == '\'' || starter == '"' || starter == ':') return false;
    ++i;
    // '/' writes the date separator, nothing when there is none.
    const char literal = starter == '/' ? dateSeparator : starter;
    if (starter == '/' && dateSeparator == '\0') continue;
    fParts.push_back({TStep::Literal, literal, 0});
  }
  std::size_t maxLength = 0;
  for (const TPart& part : fParts) maxLength += MaxPartLength(part);
  // An empty format means "c", the date and the time; a format longer than any date
  // format goes to FormatDateTime too.
  fNumeric = !fParts.empty() && maxLength <= MaxTextLength;
  fFixed = fNumeric && LayOutFixedText();
  return fNumeric;
}

bool TNumericDateFormat::LayOutFixedText() {
  TFixedText fixed;
  std::size_t at = 0;
  for (const TPart& part : fParts) {
    if (part.Step == TStep::Literal) {
      fixed.Template[at++] = part.Literal;
      continue;
    }
    // "d" and "m" write one digit or two.
    if (part.Digits < 2) return false;
    const std::size_t first = part.Step == TStep::Day     ? 0
                              : part.Step == TStep::Month ? 1
                              : part.Step == TStep::Year  ? 2
                                                          : 3;
    for (std::size_t pair = first; pair < (part.Step == TStep::Year ? 4 : first + 1); ++pair) {
      if (fixed.PairAt[pair] >= 0) return false;
      fixed.PairAt[pair] = static_cast<int>(at);
      at += 2;
    }
  }
  fixed.Length = at;
  fFixedText = fixed;
  return true;
}

void TNumericDateFormat::Write(Word year, Word month, Word day, AnsiString& text) const {
  std::array<char, MaxTextLength> buffer;
  std::size_t length = 0;
  if (fFixed) {
    buffer = fFixedText.Template;
    const std::array<unsigned, 4> pairs{day, month, year / 100u, year % 100u};
    for (std::size_t pair = 0; pair < pairs.size(); ++pair)
      if (const int at = fFixedText.PairAt[pair]; at >= 0)
        std::memcpy(&buffer[static_cast<std::size_t>(at)], TwoDigitText(pairs[pair]), 2);
    length = fFixedText.Length;
  } else {
    char* out = buffer.data();
    for (const TPart& part : fParts) {
      switch (part.Step) {
        case TStep::Literal:
          *out++ = part.Literal;
          break;
        case TStep::Day:
          out = WriteSmallNumber(out, day, part.Digits);
          break;
        case TStep::Month:
          out = WriteSmallNumber(out, month, part.Digits);
          break;
        case TStep::ShortYear:
          out = WriteSmallNumber(out, year % 100u, 2);
          break;
        case TStep::Year:
          out = WriteSmallNumber(WriteSmallNumber(out, year / 100u % 100u, 2), year % 100u, 2);
          break;
      }
    }
    length = static_cast<std::size_t>(out - buffer.data());
  }
  text.assign(buffer.data(), length);
}

void TFIBDateField::GetText(AnsiString& text, bool displayText) {
  const TFormatSettings& settings = FormatSettings();
  const AnsiString& format = displayText && !DisplayFormat().empty() ? DisplayFormat() : settings.ShortDateFormat;
  if (!fNumericFormat.Compile(format, settings.DateSeparator)) return TDateField::GetText(text, displayText);
  Word year = 0, month = 0, day = 0;
  if (!ReadCalendarDate(year, month, day)) {
    text.clear();
    return;
  }
  fNumericFormat.Write(year, month, day, text);
}

// Browsing or filtering, a DATE column's day number is read where the record keeps it.
// Otherwise (an OnValidate reads the value being written) the field reads as its own
// reading does, the native value and then the dataset's conversion, without its scratch
// buffer per read.
inline bool TFIBDateField::ReadCalendarDate(Word& year, Word& month, Word& day) {
  if (!fColumn.Known) fColumn = LinkOf(*this);
  const TFIBFieldDescr* descr = fColumn.Descr;
  const bool inPlace = descr != nullptr && descr->SQLType == SQL_TYPE_DATE && ReadsRecordInPlace(*fColumn.DataSet);
  Integer dayNumber = 0;
  if (!(inPlace ? fColumn.DataSet->GetFieldDayNumber(this, *descr, dayNumber) : ReadNative(&dayNumber))) return false;
  // A day outside the calendar goes through the conversion, which refuses it.
  if (inPlace && TryDecodeDayNumber(dayNumber, year, month, day)) return true;
  TDateTime value = 0;
  DataSet()->DataConvert(this, &dayNumber, &value, false);
  DecodeDate(value, year, month, day);
  return true;
}

void ForgetColumnLinks(const TFields& fields) {
  for (TField* field : fields) {
    if (auto* text = ObjectAs<TFIBStringField>(field))
      text->fTextPlan.Column.Known = false;
    else if (auto* date = ObjectAs<TFIBDateField>(field))
      date->fColumn.Known = false;
    else if (auto* bcd = ObjectAs<TFIBBCDField>(field))
      bcd->fColumn.Known = false;
    else if (auto* integer = ObjectAs<TFIBIntegerField>(field))
      integer->fColumn.Known = false;
    else if (auto* smallInteger = ObjectAs<TFIBSmallIntField>(field))
      smallInteger->fColumn.Known = false;
    else if (auto* largeInteger = ObjectAs<TFIBLargeIntField>(field))
      largeInteger->fColumn.Known = false;
  }
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
