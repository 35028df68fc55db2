#include "dbclient/FIBXSQLDA.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <limits>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/DebugChecks.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/Math.h"
#include "classlib/core/StrUtils.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/fib.h"

namespace ordvane {

namespace {

constexpr std::size_t kMaxInlineText = 32767;
constexpr short kUnicodeFssCharSet = 3;
constexpr short kUtf8CharSet = 4;
constexpr short kOctetsCharSet = 1;
constexpr Cardinal kKOI8CodePage = 20866;
constexpr int kMaxNameLength = 31;

// Integers up to this magnitude are exact in a double.
constexpr Int64 kMaxExactDoubleInteger = Int64{1} << 53;

bool IsTextType(short type) {
  return type == SQL_TEXT || type == SQL_VARYING;
}
bool IsScaledIntegerType(short type) {
  return type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64;
}
bool IsFloatType(short type) {
  return type == SQL_FLOAT || type == SQL_DOUBLE || type == SQL_D_FLOAT;
}
bool IsNumericType(short type) {
  return IsScaledIntegerType(type) || IsFloatType(type);
}
bool IsDateTimeType(short type) {
  return type == SQL_TIMESTAMP || type == SQL_TYPE_DATE || type == SQL_TYPE_TIME;
}
bool IsIdType(short type) {
  return type == SQL_BLOB || type == SQL_ARRAY || type == SQL_QUAD;
}
bool IsKOI8CharSetID(Integer id) {
  return id == 63 || id == 64;
}

// The most bytes one character of a character set takes: 1 in the single-byte sets.
std::size_t MaxBytesPerCharacter(Integer charSetID) {
  switch (charSetID) {
    case kUnicodeFssCharSet:
      return 3;
    case kUtf8CharSet:
    case 69:  // GB18030
      return 4;
    case 5:   // SJIS_0208
    case 6:   // EUCJ_0208
    case 44:  // KSC_5601
    case 56:  // BIG_5
    case 57:  // GB_2312
    case 67:  // GBK
    case 68:  // CP943C
      return 2;
    default:
      return 1;
  }
}

// The bytes a value of a fixed-size type needs; 0 for the types whose length the
// description gives.
std::size_t FixedSize(short type) {
  switch (type) {
    case SQL_SHORT:
      return sizeof(ISC_SHORT);
    case SQL_LONG:
      return sizeof(ISC_LONG);
    case SQL_INT64:
      return sizeof(ISC_INT64);
    case SQL_FLOAT:
      return sizeof(float);
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return sizeof(double);
    case SQL_TIMESTAMP:
      return sizeof(ISC_TIMESTAMP);
    case SQL_TYPE_DATE:
      return sizeof(ISC_DATE);
    case SQL_TYPE_TIME:
      return sizeof(ISC_TIME);
    case SQL_BLOB:
    case SQL_ARRAY:
    case SQL_QUAD:
      return sizeof(ISC_QUAD);
    case SQL_BOOLEAN:
      return sizeof(FB_BOOLEAN);
    default:
      return 0;
  }
}

bool IsKnownType(short type) {
  return IsTextType(type) || FixedSize(type) != 0 || type == SQL_NULL;
}

[[noreturn]] void ConversionError() {
  FIBError(TFIBClientError::InvalidDataConversion);
}

// value * 10^scale, truncated toward zero.
Int64 DescaleTruncating(Int64 value, int scale) {
  if (scale >= 0) {
    Int64 result = value;
    for (int i = 0; i < scale; ++i)
      if (__builtin_mul_overflow(result, Int64{10}, &result)) ConversionError();
    return result;
  }
  return -scale > MaxInt64PowerOfTen ? 0 : value / Int64PowersOfTen[-scale];
}

// value * 10^scale in extended precision.
Extended DescaleExtended(Int64 value, int scale) {
  return scale < 0 ? static_cast<Extended>(value) / IntPower(10, -scale)
                   : static_cast<Extended>(value) * IntPower(10, scale);
}

// value * 10^scale as the double nearest to the exact quotient where the integer is exact
// in a double (one correctly rounded division), through extended precision otherwise.
double DescaleDouble(Int64 value, int scale) {
  if (scale < 0 && -scale <= 22 && value >= -kMaxExactDoubleInteger && value <= kMaxExactDoubleInteger)
    return static_cast<double>(value) / static_cast<double>(IntPower(10, -scale));
  return static_cast<double>(DescaleExtended(value, scale));
}

template <class T>
T TruncateChecked(Extended value) {
  // The open bounds keep NaN out as well.
  if (!(value > static_cast<Extended>(std::numeric_limits<T>::min()) - 1 &&
        value < static_cast<Extended>(std::numeric_limits<T>::max()) + 1))
    ConversionError();
  return static_cast<T>(std::trunc(value));
}

// value * 10^scale * 10000 rounded to nearest (ties to even), exactly.
Currency CurrencyFromScaled(Int64 value, int scale) {
  const int shift = scale + 4;
  if (shift >= 0) return Currency::FromScaled(DescaleTruncating(value, shift));
  if (-shift > MaxInt64PowerOfTen) return Currency();
  const Int64 divisor = Int64PowersOfTen[-shift];
  Int64 quotient = value / divisor;
  const Int64 remainder = value % divisor;
  const Int64 magnitude = remainder < 0 ? -remainder : remainder;
  const Int64 rest = divisor - magnitude;
  if (magnitude > rest || (magnitude == rest && quotient % 2 != 0)) quotient += remainder < 0 ? -1 : 1;
  return Currency::FromScaled(quotient);
}

AnsiString UpperCaseAscii(AnsiString text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Decimal text for the server: ',' and the user's separator become '.'.
AnsiString ServerDecimalText(AnsiString text) {
  const char separator = FormatSettings().DecimalSeparator;
  for (char& c : text)
    if (c == ',' || c == separator) c = '.';
  return text;
}

std::string_view NameView(const char* name, short length) {
  return std::string_view(name, static_cast<std::size_t>(std::clamp<short>(length, 0, 32)));
}

AnsiString NameOf(const char* name, short length) { return AnsiString(NameView(name, length)); }

Variant Dereferenced(const Variant& value) {
  const TVarType type = static_cast<TVarType>(value.VType() & ~varByRef);
  if (type == varVariant) return *static_cast<const Variant*>(value.DataPtr());
  return VarAsType(value, type);
}

// The elements of an array variant as raw bytes.
RawByteString ArrayBytes(const Variant& value) {
  Variant array = value;
  Int64 count = 1;
  for (Integer dim = 1; dim <= VarArrayDimCount(array); ++dim)
    count *= VarArrayHighBound(array, dim) - VarArrayLowBound(array, dim) + 1;
  const Int64 size = count * VarArrayElementSize(array);
  const void* data = VarArrayLock(array);
  RawByteString bytes(static_cast<const char*>(data), static_cast<std::size_t>(size));
  VarArrayUnlock(array);
  return bytes;
}

}  // namespace

// ---- TFIBXSQLVAR: access ------------------------------------------------------------------

TFIBXSQLVAR::TFIBXSQLVAR(TFIBXSQLDA& list, int index) : fList(list), fIndex(index) {}

TFIBXSQLVAR::~TFIBXSQLVAR() = default;

XSQLVAR& TFIBXSQLVAR::Var() const {
  return fList.Record(fIndex);
}

IFIBXSQLDAOwner* TFIBXSQLVAR::Owner() const {
  return fList.fOwner;
}

Integer TFIBXSQLVAR::Dialect() const {
  return Owner() ? Owner()->SQLDialect() : SQL_DIALECT_CURRENT;
}

template <class T>
T TFIBXSQLVAR::Read() const {
  T value{};
  std::memcpy(&value, fData.data(), std::min(sizeof value, fData.size()));
  return value;
}

std::string_view TFIBXSQLVAR::RawText() const {
  const XSQLVAR& var = Var();
  if (fData.empty()) return {};
  if (GetSQLType() == SQL_VARYING) {
    const std::size_t available = fData.size() - sizeof(ISC_SHORT);
    const auto length = static_cast<std::size_t>(std::max<ISC_SHORT>(Read<ISC_SHORT>(), 0));
    return {fData.data() + sizeof(ISC_SHORT), std::min(length, available)};
  }
  const auto length = static_cast<std::size_t>(std::max<short>(var.sqllen, 0));
  return {fData.data(), std::min(length, fData.size())};
}

Int64 TFIBXSQLVAR::ScaledInteger() const {
  switch (GetSQLType()) {
    case SQL_SHORT:
      return Read<ISC_SHORT>();
    case SQL_LONG:
      return Read<ISC_LONG>();
    default:
      return Read<ISC_INT64>();
  }
}

short TFIBXSQLVAR::GetSQLType() const {
  return static_cast<short>(Var().sqltype & ~SQLNullableBit);
}
short TFIBXSQLVAR::GetSQLScale() const {
  return Var().sqlscale;
}
short TFIBXSQLVAR::GetSQLSubtype() const {
  return Var().sqlsubtype;
}
short TFIBXSQLVAR::GetSize() const {
  return Var().sqllen;
}
short TFIBXSQLVAR::GetServerSQLType() const {
  return fDescribed ? fServerSQLType : GetSQLType();
}
short TFIBXSQLVAR::GetServerSQLScale() const {
  return fDescribed ? fServerSQLScale : GetSQLScale();
}
short TFIBXSQLVAR::GetServerSQLSubtype() const {
  return fDescribed ? fServerSQLSubtype : GetSQLSubtype();
}

AnsiString TFIBXSQLVAR::GetSqlName() const {
  return IsParam() ? AnsiString() : NameOf(Var().sqlname, Var().sqlname_length);
}

AnsiString TFIBXSQLVAR::GetRelationName() const {
  return IsParam() ? AnsiString() : NameOf(Var().relname, Var().relname_length);
}

XSQLVAR* TFIBXSQLVAR::GetData() const {
  return &Var();
}
bool TFIBXSQLVAR::IsParam() const {
  return fList.IsParams();
}
bool TFIBXSQLVAR::IsBlob() const {
  return GetSQLType() == SQL_BLOB || GetSQLType() == SQL_ARRAY;
}
bool TFIBXSQLVAR::IsArray() const {
  return GetSQLType() == SQL_ARRAY;
}

bool TFIBXSQLVAR::GetIsNullable() const {
  XSQLVAR& var = Var();
  if ((var.sqltype & SQLNullableBit) == 0) return false;
  if (!var.sqlind) var.sqlind = const_cast<ISC_SHORT*>(&fNullIndicator);
  return true;
}

bool TFIBXSQLVAR::GetIsNull() const {
  if (fPendingBlob) return false;
  if (!IsParam() && Owner() && !Owner()->ColumnValuesPresent()) return true;
  return IsNullIn(Var());
}

// ---- TFIBXSQLVAR: readers -----------------------------------------------------------------

bool TFIBXSQLVAR::TextNeedsUtf8(Integer charSetID) const {
  IFIBXSQLDAOwner* owner = Owner();
  return owner && ((owner->IsUnicodeCharSet() && charSetID >= 2) || owner->IsUnicodeCharSetID(charSetID));
}

// UTF-8 text is marked UTF8 where the server knows that set: UNICODE_FSS, the older one,
// holds nothing beyond the Basic Multilingual Plane, and the server would store another
// character in place of one from there.
short TFIBXSQLVAR::Utf8TextCharSet() const {
  IFIBXSQLDAOwner* owner = Owner();
  return owner && owner->IsUnicodeCharSetID(kUtf8CharSet) ? kUtf8CharSet : kUnicodeFssCharSet;
}

// A text blob whose character set is a Unicode one travels as UTF-8; its character set
// is the low byte of the scale.
bool TFIBXSQLVAR::TextBlobNeedsUtf8() const {
  IFIBXSQLDAOwner* owner = Owner();
  return owner && owner->IsFB21UnicodeOrNone() && GetServerSQLSubtype() == isc_blob_text &&
         owner->IsUnicodeCharSetID(GetServerSQLScale() & 0xFF);
}

// The server pads a CHAR column of a multi-byte character set to its length in bytes;
// the value has the column's length in characters.
AnsiString TFIBXSQLVAR::FixedWidthText(AnsiString text) const {
  if (GetSQLType() != SQL_TEXT) return text;
  const std::size_t bytesPerCharacter = CharSetID() == kUnicodeFssCharSet ? 3 : 4;
  const std::size_t length = static_cast<std::size_t>(std::max<short>(GetSize(), 0)) / bytesPerCharacter;
  while (text.size() > length && text.back() == ' ') text.pop_back();
  return text;
}

AnsiString TFIBXSQLVAR::TextOfBlob() const {
  if (fPendingBlob) {
    return AnsiString(reinterpret_cast<const char*>(fPendingBlob->Memory()),
                      static_cast<std::size_t>(fPendingBlob->Size()));
  }
  if (IsParam() || !Owner()) return "(BLOB)";
  IFIBXSQLDAOwner* owner = Owner();
  const Integer charSetID = owner->IsFB21UnicodeOrNone() ? (GetSQLScale() & 0xFF) : -1;
  return owner->ReadBlobText(GetAsQuad(), GetSQLSubtype(), charSetID);
}

AnsiString TFIBXSQLVAR::GetAsString() const {
  if (GetIsNull()) return AnsiString();
  const short type = GetSQLType();
  switch (type) {
    case SQL_TEXT:
    case SQL_VARYING: {
      IFIBXSQLDAOwner* owner = Owner();
      const std::string_view raw = RawText();
      AnsiString text(raw);
      if (owner && owner->IsUnicodeOrNoneCharSet() && owner->IsUnicodeCharSetID(CharSetID()))
        text = FixedWidthText(Utf8ToAnsi(raw));
      else if (IsKOI8CharSetID(CharSetID()))
        text = ConvertCodePage(raw, kKOI8CodePage, GetAnsiCodePage());
      if (owner && owner->TrimCharFields()) text = TrimRight(text);
      return text;
    }
    case SQL_SHORT:
    case SQL_LONG:
      return GetSQLScale() == 0 ? IntToStr(ScaledInteger()) : FloatToStr(GetAsDouble());
    case SQL_INT64:
      if (GetSQLScale() == 0) return IntToStr(ScaledInteger());
      return BcdToStr(ScaledInt64ToBcd(ScaledInteger(), -GetSQLScale()));
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return FloatToStr(GetAsDouble());
    case SQL_TIMESTAMP:
      return DateTimeToStr(GetAsDateTime());
    case SQL_TYPE_DATE:
      return DateToStr(GetAsDateTime());
    case SQL_TYPE_TIME:
      return TimeToStr(GetAsDateTime());
    case SQL_BOOLEAN:
      return GetAsBoolean() ? "True" : "False";
    case SQL_ARRAY:
      return "(ARRAY)";
    case SQL_BLOB:
      return TextOfBlob();
    default:
      ConversionError();
  }
}

WideString TFIBXSQLVAR::GetAsWideString() const {
  IFIBXSQLDAOwner* owner = Owner();
  if (owner && owner->IsUnicodeOrNoneCharSet() && IsTextType(GetSQLType()) &&
      owner->IsUnicodeCharSetID(CharSetID()))
    return GetIsNull() ? WideString() : Utf8Decode(RawText());
  return AnsiToWide(GetAsString());
}

Integer TFIBXSQLVAR::GetAsLong() const {
  if (GetIsNull()) return 0;
  const short type = GetSQLType();
  if (IsScaledIntegerType(type)) {
    const Int64 value = DescaleTruncating(ScaledInteger(), GetSQLScale());
    if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
      ConversionError();
    return static_cast<Integer>(value);
  }
  if (IsFloatType(type)) return TruncateChecked<Integer>(GetAsDouble());
  if (IsTextType(type)) return StrToInt(GetAsString());
  if (type == SQL_BOOLEAN) return Read<FB_BOOLEAN>();
  ConversionError();
}

Int64 TFIBXSQLVAR::GetAsInt64() const {
  if (GetIsNull()) return 0;
  const short type = GetSQLType();
  if (IsScaledIntegerType(type)) return DescaleTruncating(ScaledInteger(), GetSQLScale());
  if (IsFloatType(type)) return TruncateChecked<Int64>(GetAsDouble());
  if (IsTextType(type)) return StrToInt64(GetAsString());
  ConversionError();
}

double TFIBXSQLVAR::GetAsDouble() const {
  if (GetIsNull()) return 0;
  const short type = GetSQLType();
  if (IsScaledIntegerType(type)) return DescaleDouble(ScaledInteger(), GetSQLScale());
  if (type == SQL_BOOLEAN) return Read<FB_BOOLEAN>() == 1 ? 1.0 : 0.0;
  return static_cast<double>(GetAsExtended());
}

Extended TFIBXSQLVAR::GetAsExtended() const {
  if (GetIsNull()) return 0;
  switch (GetSQLType()) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
      return DescaleExtended(ScaledInteger(), GetSQLScale());
    case SQL_FLOAT:
      return Read<float>();
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return Read<double>();
    case SQL_TEXT:
    case SQL_VARYING:
      return StrToFloat(GetAsString());
    default:
      ConversionError();
  }
}

Currency TFIBXSQLVAR::GetAsCurrency() const {
  if (GetIsNull()) return Currency();
  if (Dialect() >= SQL_DIALECT_V6 && GetSQLType() == SQL_INT64)
    return CurrencyFromScaled(ScaledInteger(), GetSQLScale());
  const Extended units = static_cast<Extended>(GetAsDouble()) * Currency::Scale;
  if (!(std::fabs(units) < 0x1p63L)) ConversionError();
  return Currency::FromScaled(Round(units));
}

TBcd TFIBXSQLVAR::GetAsBcd() const {
  TBcd result;
  try {
    if (Dialect() >= SQL_DIALECT_V6 && GetSQLType() == SQL_INT64 && !GetIsNull())
      return ScaledInt64ToBcd(ScaledInteger(), -GetSQLScale());
    if (!CurrToBcd(GetAsCurrency(), result, 32, 4)) ConversionError();
  } catch (const EBcdException&) {
    ConversionError();
  }
  return result;
}

TTimeStamp TFIBXSQLVAR::GetAsTimeStamp() const {
  if (GetIsNull()) return TTimeStamp{0, 0};
  switch (GetSQLType()) {
    case SQL_TIMESTAMP: {
      const auto value = Read<ISC_TIMESTAMP>();
      return TTimeStamp{static_cast<Integer>(value.timestamp_time / 10),
                        value.timestamp_date + IscDateToTimeStampDate};
    }
    case SQL_TYPE_DATE:
      return TTimeStamp{0, Read<ISC_DATE>() + IscDateToTimeStampDate};
    case SQL_TYPE_TIME:
      return TTimeStamp{static_cast<Integer>(Read<ISC_TIME>() / 10), 0};
    case SQL_TEXT:
    case SQL_VARYING:
      return DateTimeToTimeStamp(StrToDate(GetAsString()));
    default:
      ConversionError();
  }
}

TDateTime TFIBXSQLVAR::GetAsDateTime() const {
  if (GetIsNull()) return 0;
  switch (GetSQLType()) {
    case SQL_TIMESTAMP:
      return TimeStampToDateTime(GetAsTimeStamp());
    case SQL_TYPE_DATE:
      return Read<ISC_DATE>() - IscDateToDateTime;
    case SQL_TYPE_TIME:
      return static_cast<double>(GetAsTimeStamp().Time) / MSecsPerDay;
    case SQL_TEXT:
    case SQL_VARYING:
      return StrToDate(GetAsString());
    default:
      ConversionError();
  }
}

ISC_QUAD TFIBXSQLVAR::GetAsQuad() const {
  if (!IsIdType(GetSQLType())) ConversionError();
  if (GetIsNull()) return ISC_QUAD{0, 0};
  return Read<ISC_QUAD>();
}

bool TFIBXSQLVAR::GetAsBoolean() const {
  const short type = GetSQLType();
  if (!IsScaledIntegerType(type) && type != SQL_BOOLEAN) ConversionError();
  if (GetIsNull()) return false;
  return (type == SQL_BOOLEAN ? Read<FB_BOOLEAN>() : ScaledInteger()) == 1;
}

TGUID TFIBXSQLVAR::GetAsGuid() const {
  if (!IsTextType(GetSQLType())) ConversionError();
  TGUID guid;
  if (GetIsNull()) return guid;
  const std::string_view bytes = RawText();
  if (bytes.size() < sizeof guid) ConversionError();
  std::memcpy(&guid, bytes.data(), sizeof guid);
  return guid;
}

Variant TFIBXSQLVAR::GetAsVariant() const {
  if (GetIsNull()) return Null();
  const short type = GetSQLType();
  const short scale = GetSQLScale();
  switch (type) {
    case SQL_INT64:
      if (scale == 0) return Variant(static_cast<Int64>(ScaledInteger()));
      if (scale >= -4) return Variant(static_cast<double>(GetAsExtended()));
      return Variant(GetAsDouble());
    case SQL_SHORT:
    case SQL_LONG:
      return scale == 0 ? Variant(static_cast<Integer>(ScaledInteger())) : Variant(GetAsDouble());
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return Variant(GetAsDouble());
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
      return VarFromDateTime(GetAsDateTime());
    case SQL_TEXT:
    case SQL_VARYING:
      if (Owner() && Owner()->IsUnicodeCharSetID(CharSetID())) return Variant(GetAsWideString());
      return Variant(GetAsString());
    case SQL_BLOB:
      return Variant(GetAsString());
    case SQL_ARRAY:
      return Variant("(Array)");
    case SQL_BOOLEAN:
      return Variant(GetAsBoolean());
    default:
      ConversionError();
  }
}

// ---- TFIBXSQLVAR: the writer --------------------------------------------------------------

template <class F>
void TFIBXSQLVAR::ForEachNamesake(F&& apply) {
  if (fNamesakesVersion != fList.fNamesVersion) {
    fNamesakes.clear();
    const auto [first, last] = fList.fNames.equal_range(fName);
    if (!fName.empty())
      for (auto it = first; it != last; ++it) fNamesakes.push_back(it->second);
    fNamesakesVersion = fList.fNamesVersion;
  }
  if (fNamesakes.empty()) {
    apply(*this);
    fModified = true;
    return;
  }
  for (const int index : fNamesakes) {
    TFIBXSQLVAR& var = *fList.fVars[static_cast<std::size_t>(index)];
    apply(var);
    var.fModified = true;
  }
}

void TFIBXSQLVAR::AllocateData(std::size_t length) {
  fData.assign(std::max<std::size_t>(length, 1), 0);
  Var().sqldata = fData.data();
}

void TFIBXSQLVAR::StoreValue(short type, const void* data, std::size_t length) {
  fPendingBlob.reset();
  fTypeUnknownWhenSet = false;
  ApplyNull(false);
  XSQLVAR& var = Var();
  var.sqlscale = 0;
  if (length == 0) {
    AllocateData(0);
  } else {
    // Every byte is written: the room is reused as it is, not cleared first.
    fData.resize(length);
    std::memcpy(fData.data(), data, length);
    var.sqldata = fData.data();
  }
  var.sqltype = static_cast<short>(type | (var.sqltype & SQLNullableBit));
  var.sqllen = static_cast<short>(length);
}

void TFIBXSQLVAR::ApplyNullable(bool value) {
  XSQLVAR& var = Var();
  if (value) {
    var.sqltype = static_cast<short>(var.sqltype | SQLNullableBit);
    var.sqlind = &fNullIndicator;
  } else {
    var.sqltype = static_cast<short>(var.sqltype & ~SQLNullableBit);
    var.sqlind = nullptr;
    fNullIndicator = 0;
  }
}

void TFIBXSQLVAR::ApplyNull(bool value) {
  if (!value) {
    if (GetIsNullable()) fNullIndicator = 0;
    return;
  }
  fPendingBlob.reset();
  XSQLVAR& var = Var();
  if (GetSQLType() == 0) {
    var.sqltype = static_cast<short>(SQL_TEXT | (var.sqltype & SQLNullableBit));
    var.sqllen = 0;
    AllocateData(0);
  }
  ApplyNullable(true);
  fNullIndicator = -1;
}

void TFIBXSQLVAR::SetIsNull(bool value) {
  ForEachNamesake([&](TFIBXSQLVAR& var) { var.ApplyNull(value); });
}

void TFIBXSQLVAR::SetIsNullable(bool value) {
  ForEachNamesake([&](TFIBXSQLVAR& var) { var.ApplyNullable(value); });
}

void TFIBXSQLVAR::SetSQLScale(short value) {
  ForEachNamesake([&](TFIBXSQLVAR& var) { var.Var().sqlscale = value; });
}

// ---- TFIBXSQLVAR: typed writers -----------------------------------------------------------

void TFIBXSQLVAR::SetAsLong(Integer value) {
  const ISC_LONG stored = value;
  ForEachNamesake([&](TFIBXSQLVAR& var) { var.StoreValue(SQL_LONG, &stored, sizeof stored); });
}

void TFIBXSQLVAR::SetAsShort(SmallInt value) {
  const ISC_SHORT stored = value;
  ForEachNamesake([&](TFIBXSQLVAR& var) { var.StoreValue(SQL_SHORT, &stored, sizeof stored); });
}

// The server refuses a number for a BOOLEAN parameter.
void TFIBXSQLVAR::SetAsBoolean(bool value) {
  if (GetServerSQLType() == SQL_BOOLEAN) {
    const FB_BOOLEAN stored = value ? FB_TRUE : FB_FALSE;
    ForEachNamesake([&](TFIBXSQLVAR& var) { var.StoreValue(SQL_BOOLEAN, &stored, sizeof stored); });
  } else {
    SetAsShort(value ? 1 : 0);
  }
}

// Dialects before 3 have no 64-bit integers: a value that fits goes as LONG, one a double
// holds exactly as DOUBLE; anything else would lose digits.
void TFIBXSQLVAR::SetAsInt64(Int64 value) {
  if (Dialect() < SQL_DIALECT_V6) {
    if (value >= std::numeric_limits<Integer>::min() && value <= std::numeric_limits<Integer>::max())
      SetAsLong(static_cast<Integer>(value));
    else if (value >= -kMaxExactDoubleInteger && value <= kMaxExactDoubleInteger)
      SetAsDouble(static_cast<double>(value));
    else
      ConversionError();
    return;
  }
  const ISC_INT64 stored = value;
  ForEachNamesake([&](TFIBXSQLVAR& var) { var.StoreValue(SQL_INT64, &stored, sizeof stored); });
}

void TFIBXSQLVAR::SetAsDouble(double value) {
  ForEachNamesake([&](TFIBXSQLVAR& var) { var.StoreValue(SQL_DOUBLE, &value, sizeof value); });
}

void TFIBXSQLVAR::SetAsCurrency(Currency value) {
  if (Dialect() < SQL_DIALECT_V6) {
    SetAsDouble(static_cast<double>(value.Scaled()) / Currency::Scale);
    return;
  }
  const ISC_INT64 stored = value.Scaled();
  ForEachNamesake([&](TFIBXSQLVAR& var) {
    var.StoreValue(SQL_INT64, &stored, sizeof stored);
    var.Var().sqlscale = -4;
  });
}

// Dialect 3 sends the value as a 64-bit integer keeping as many decimals as fit: with d
// integer digits, 18 - d of them. A value of 19 or more integer digits, or below dialect
// 3 any value, goes as DOUBLE when a double can hold it.
void TFIBXSQLVAR::SetAsExtended(Extended value) {
  if (!std::isfinite(value)) ConversionError();
  const Extended integerPart = std::fabs(std::trunc(value));
  if (Dialect() >= SQL_DIALECT_V6 && integerPart < static_cast<Extended>(Int64PowersOfTen[MaxInt64PowerOfTen])) {
    // The first k with 10^k >= the integer part; a power equal to it needs one digit more.
    int digits = 0;
    while (static_cast<Extended>(Int64PowersOfTen[digits]) < integerPart) ++digits;
    if (static_cast<Extended>(Int64PowersOfTen[digits]) == integerPart) ++digits;
    const int decimals = MaxInt64PowerOfTen - digits;
    const ISC_INT64 stored = Round(value * static_cast<Extended>(Int64PowersOfTen[decimals]));
    ForEachNamesake([&](TFIBXSQLVAR& var) {
      var.StoreValue(SQL_INT64, &stored, sizeof stored);
      var.Var().sqlscale = static_cast<short>(-decimals);
    });
    return;
  }
  if (std::fabs(value) > static_cast<Extended>(std::numeric_limits<double>::max())) ConversionError();
  SetAsDouble(static_cast<double>(value));
}

void TFIBXSQLVAR::SetAsBcd(const TBcd& value) {
  Int64 digits = 0;
  int places = 0;
  bool converted = false;
  try {
    converted = TryBcdToScaledInt64(value, digits, places);
  } catch (const EBcdException&) {
  }
  if (!converted) ConversionError();
  SetAsScaledInt64(digits, places);
}

void TFIBXSQLVAR::SetAsScaledInt64(Int64 digits, int places) {
  if (Dialect() < SQL_DIALECT_V6) {
    SetAsExtended(DescaleExtended(digits, -places));
    return;
  }
  const ISC_INT64 stored = digits;
  ForEachNamesake([&](TFIBXSQLVAR& var) {
    var.StoreValue(SQL_INT64, &stored, sizeof stored);
    var.Var().sqlscale = static_cast<short>(-places);
  });
}

void TFIBXSQLVAR::SetAsTimeStamp(const TTimeStamp& value) {
  ISC_TIMESTAMP stored;
  stored.timestamp_date = value.Date - IscDateToTimeStampDate;
  stored.timestamp_time = static_cast<ISC_TIME>(value.Time) * 10;
  ForEachNamesake([&](TFIBXSQLVAR& var) { var.StoreValue(SQL_TIMESTAMP, &stored, sizeof stored); });
}

void TFIBXSQLVAR::SetAsDateTime(TDateTime value) {
  SetAsTimeStamp(DateTimeToTimeStamp(value));
}
void TFIBXSQLVAR::SetAsTime(TDateTime value) {
  SetAsDateTime(value);
}
void TFIBXSQLVAR::SetAsDate(TDateTime value) {
  SetAsDateTime(std::trunc(value));
}

void TFIBXSQLVAR::MakeNullArray() {
  const ISC_QUAD zero{};
  StoreValue(SQL_ARRAY, &zero, sizeof zero);
  ApplyNull(true);
}

void TFIBXSQLVAR::CheckIsArray() const {
  if (!IsArray() || !fFIBArray) FIBError(TFIBClientError::FieldIsNotArray, {GetRelationName() + "." + GetSqlName()});
}

Integer TFIBXSQLVAR::GetArraySize() const {
  CheckIsArray();
  return fFIBArray->GetSliceSize();
}

void TFIBXSQLVAR::SetArrayValue(const Variant& value) {
  // A parameter the server described with its table and column gets its descriptor on
  // first use.
  const AnsiString relationName = GetRelationName();
  const AnsiString fieldName = GetSqlName();
  if (IsArray() && !fFIBArray && Owner() && !relationName.empty() && !fieldName.empty()) {
    const TFIBArrayContext connection = Owner()->ArrayContext();
    fFIBArray = std::make_shared<const TpFIBArray>(connection.Library, connection.DBHandle, connection.TRHandle,
                                                   relationName, fieldName);
  }
  CheckIsArray();
  if (!Owner()) FIBError(TFIBClientError::NotPermitted);
  const TFIBArrayContext connection = Owner()->ArrayContext();
  ISC_QUAD arrayID = GetAsQuad();
  fFIBArray->SetArrayValues(value, arrayID, connection.DBHandle, connection.TRHandle);
  SetAsQuad(arrayID);
}

void TFIBXSQLVAR::SetAsQuad(const ISC_QUAD& value) {
  const short type = IsArray() ? SQL_ARRAY : SQL_BLOB;
  ForEachNamesake([&](TFIBXSQLVAR& var) {
    const short subType = var.GetSQLSubtype();
    var.StoreValue(type, &value, sizeof value);
    var.Var().sqlsubtype = subType;
  });
}

// A GUID is 16 raw bytes: they travel as binary text, never through a character set.
void TFIBXSQLVAR::SetAsGuid(const TGUID& value) {
  ForEachNamesake([&](TFIBXSQLVAR& var) {
    var.StoreValue(SQL_TEXT, &value, sizeof value);
    var.Var().sqlsubtype = kOctetsCharSet;
  });
}

void TFIBXSQLVAR::SetAsXSQLVAR(const XSQLVAR& source) {
  const auto length = static_cast<std::size_t>(std::max<short>(source.sqllen, 0));
  const short type = static_cast<short>(source.sqltype & ~SQLNullableBit);
  const std::size_t bytes =
      type == SQL_VARYING ? length + sizeof(ISC_SHORT) : std::max(length, FixedSize(type));
  const bool sourceNull = (source.sqltype & SQLNullableBit) != 0 && source.sqlind && *source.sqlind < 0;
  ForEachNamesake([&](TFIBXSQLVAR& var) {
    var.fPendingBlob.reset();
    XSQLVAR& target = var.Var();
    var.AllocateData(bytes);
    if (source.sqldata) std::memcpy(var.fData.data(), source.sqldata, bytes);
    target.sqltype = source.sqltype;
    target.sqlscale = source.sqlscale;
    target.sqlsubtype = source.sqlsubtype;
    target.sqllen = source.sqllen;
    var.ApplyNullable((source.sqltype & SQLNullableBit) != 0);
    var.fNullIndicator = sourceNull ? -1 : 0;
  });
}

void TFIBXSQLVAR::Assign(const TFIBXSQLVAR& source) {
  if (&source == this) return;
  if (source.fPendingBlob) {
    StorePendingBlob(std::string_view(reinterpret_cast<const char*>(source.fPendingBlob->Memory()),
                                      static_cast<std::size_t>(source.fPendingBlob->Size())));
    return;
  }
  if (source.GetIsNull()) {
    SetIsNull(true);
    return;
  }
  SetAsXSQLVAR(source.Var());
}

void TFIBXSQLVAR::Reset() {
  Var() = XSQLVAR{};
  fData.clear();
  fNullIndicator = 0;
  fName.clear();
  fServerSQLType = fServerSQLScale = fServerSQLSubtype = fServerSQLLen = 0;
  fDescribed = fModified = fTypeUnknownWhenSet = false;
  fPendingBlob.reset();
  fFIBArray.reset();
  fPlace = TFIBParamPlace{};
  fSavedValue = Variant();
}

void TFIBXSQLVAR::CopyState(const TFIBXSQLVAR& source) {
  if (&source == this) return;
  const XSQLVAR& from = source.Var();
  XSQLVAR& var = Var();
  var = from;
  fData = source.fData;
  var.sqldata = fData.empty() ? nullptr : fData.data();
  fNullIndicator = source.fNullIndicator;
  var.sqlind = from.sqlind ? &fNullIndicator : nullptr;
  fServerSQLType = source.fServerSQLType;
  fServerSQLScale = source.fServerSQLScale;
  fServerSQLSubtype = source.fServerSQLSubtype;
  fServerSQLLen = source.fServerSQLLen;
  fDescribed = source.fDescribed;
  fModified = source.fModified;
  fTypeUnknownWhenSet = source.fTypeUnknownWhenSet;
  if (fTypeUnknownWhenSet) fList.fHasPendingConversions = true;
  fPendingBlob.reset();
  if (source.fPendingBlob) {
    fPendingBlob = std::make_unique<TMemoryStream>();
    fPendingBlob->WriteBuffer(source.fPendingBlob->Memory(), source.fPendingBlob->Size());
  }
  fFIBArray = source.fFIBArray;
  fPlace = source.fPlace;
  fSavedValue = source.fSavedValue;
}

void TFIBXSQLVAR::LoadFromStream(TStream& stream) {
  TMemoryStream contents;
  contents.CopyFrom(&stream, 0);
  StorePendingBlob(std::string_view(reinterpret_cast<const char*>(contents.Memory()),
                                    static_cast<std::size_t>(contents.Size())));
}

// Text too long for a text parameter goes as a text blob in the parameter's character
// set, not as a blob whose sub-type would be that character set's number.
void TFIBXSQLVAR::StorePendingBlob(std::string_view bytes) {
  const bool textTarget = IsTextType(GetServerSQLType());
  const short subType = textTarget ? short{isc_blob_text} : GetServerSQLSubtype();
  const short scale = textTarget ? static_cast<short>(GetServerSQLSubtype() & 0xFF) : GetServerSQLScale();
  ForEachNamesake([&](TFIBXSQLVAR& var) {
    auto blob = std::make_unique<TMemoryStream>();
    blob->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
    var.fTypeUnknownWhenSet = false;
    XSQLVAR& target = var.Var();
    target.sqltype = SQL_BLOB;
    target.sqlsubtype = subType;
    target.sqlscale = scale;
    target.sqllen = sizeof(ISC_QUAD);
    target.sqlind = nullptr;
    var.AllocateData(sizeof(ISC_QUAD));
    var.fPendingBlob = std::move(blob);
  });
  if (Owner()) Owner()->SetHasPendingBlobs();
}

// ---- TFIBXSQLVAR: text and variants -------------------------------------------------------

void TFIBXSQLVAR::SetAsStringEx(const AnsiString& value, bool afterDescribe) {
  StoreText(&value, nullptr, afterDescribe);
}

void TFIBXSQLVAR::SetAsStringEx(const WideString& value, bool afterDescribe) {
  StoreText(nullptr, &value, afterDescribe);
}

// A value given before the parameter was described keeps its text until the description
// tells how to send it; wide text that the connection takes as UTF-8 is kept as UTF-8.
void TFIBXSQLVAR::StoreUndescribedText(const AnsiString* ansi, const WideString* wide) {
  const bool utf8 = wide && Owner() && Owner()->IsUnicodeOrNoneCharSet();
  const RawByteString bytes = wide ? (utf8 ? Utf8Encode(*wide) : ExactText(*wide, GetAnsiCodePage())) : *ansi;
  if (bytes.size() > kMaxInlineText) {
    StorePendingBlob(bytes);
    return;
  }
  ForEachNamesake([&](TFIBXSQLVAR& var) {
    var.StoreValue(SQL_TEXT, bytes.data(), bytes.size());
    var.Var().sqlsubtype = utf8 ? Utf8TextCharSet() : short{0};
    var.fTypeUnknownWhenSet = true;
  });
  fList.fHasPendingConversions = true;
}

void TFIBXSQLVAR::SetAsConnectionText(std::string_view bytes) {
  IFIBXSQLDAOwner* owner = Owner();
  if (!fDescribed) {
    // Kept as program text until the description tells how to send it.
    if (owner && owner->IsUnicodeCharSet()) {
      const WideString wide = Utf8Decode(bytes);
      StoreUndescribedText(nullptr, &wide);
    } else {
      const AnsiString ansi = owner && owner->IsKOI8CharSet()
                                  ? ConvertCodePage(bytes, kKOI8CodePage, GetAnsiCodePage())
                                  : AnsiString(bytes);
      StoreUndescribedText(&ansi, nullptr);
    }
    return;
  }
  // The bytes are not copied on the way: they must not lie in the parameter's own buffer.
  ORDVANE_DEBUG_ASSERT(fData.empty() || bytes.empty() ||
                           std::less<const void*>()(bytes.data(), fData.data()) ||
                           !std::less<const void*>()(bytes.data(), fData.data() + fData.size()),
                       "connection text does not lie in the parameter's own buffer");
  StoreEncodedText(bytes, SendsUtf8(false, false), false);
}

// A text blob is written in the connection's character set: UTF-8 on a Unicode
// connection whatever the blob's own set (the server converts it), never the program's
// code on any other.
bool TFIBXSQLVAR::SendsUtf8(bool wide, bool afterDescribe) const {
  IFIBXSQLDAOwner* owner = Owner();
  const short target = GetServerSQLType();
  const Integer charSetID = GetServerSQLSubtype() & 0xFF;
  if (afterDescribe && IsTextType(target)) return TextNeedsUtf8(charSetID);
  if (!owner || !owner->IsUnicodeOrNoneCharSet()) return false;
  // A NONE connection passes a blob's bytes as they are: a text blob of an 8-bit set
  // takes the program's ANSI text, as a dataset's field writes it.
  if (!owner->IsUnicodeCharSet() && IsTextBlobTarget() && (GetServerSQLScale() & 0xFF) >= 2 &&
      !owner->IsUnicodeCharSetID(GetServerSQLScale() & 0xFF))
    return false;
  if (wide) return true;
  if (IsTextType(target)) return TextNeedsUtf8(charSetID);
  return target == SQL_BLOB && (TextBlobNeedsUtf8() || (owner->IsUnicodeCharSet() && IsTextBlobTarget()));
}

bool TFIBXSQLVAR::IsTextBlobTarget() const {
  return GetServerSQLType() == SQL_BLOB && GetServerSQLSubtype() == isc_blob_text;
}

// A KOI8 column reads through code page 20866, so it is written through it too; so is a
// text blob on a KOI8 connection.
bool TFIBXSQLVAR::SendsKOI8() const {
  IFIBXSQLDAOwner* owner = Owner();
  return (IsTextType(GetServerSQLType()) && IsKOI8CharSetID(GetServerSQLSubtype() & 0xFF)) ||
         (IsTextBlobTarget() && owner && owner->IsKOI8CharSet());
}

// Text in a code page with every character kept: a character the code page lacks would
// reach the server as '?', so the value is refused, naming the parameter and the text.
RawByteString TFIBXSQLVAR::ExactText(std::u16string_view text, Cardinal codePage) const {
  RawByteString bytes;
  if (!WideToCodePageExact(text, codePage, bytes)) {
    IFIBXSQLDAOwner* owner = Owner();
    throw Exception(
        Format("%s. Parameter \"%s\" holds a character that the parameter's character set cannot "
               "represent: '%s'",
               {owner ? owner->FullName() : AnsiString(), fName, WideToAnsi(text)}));
  }
  return bytes;
}

void TFIBXSQLVAR::StoreText(const AnsiString* ansi, const WideString* wide, bool afterDescribe) {
  if (!afterDescribe && !fDescribed) {
    StoreUndescribedText(ansi, wide);
    return;
  }
  const bool utf8 = SendsUtf8(wide != nullptr, afterDescribe);
  RawByteString bytes;
  if (utf8)
    bytes = wide ? Utf8Encode(*wide) : AnsiToUtf8(*ansi);
  else if (SendsKOI8())
    bytes =
        ExactText(wide ? std::u16string_view(*wide) : std::u16string_view(AnsiToWide(*ansi)), kKOI8CodePage);
  else
    bytes = wide ? ExactText(*wide, GetAnsiCodePage()) : *ansi;
  StoreEncodedText(bytes, utf8, wide != nullptr);
}

// The server refuses a text longer than its parameter (unless only blanks are over, which
// it drops) or one its character set cannot hold, naming neither the parameter nor the
// text: such a text is refused here, naming both. The length counts characters, as the
// server does in a multi-byte set.
void TFIBXSQLVAR::CheckTextFits(std::string_view bytes, bool utf8) const {
  const Integer charSetID = GetServerSQLSubtype() & 0xFF;
  const Cardinal codePage = utf8 ? SingleByteCharSetCodePage(charSetID) : 0;
  if (codePage != 0) ExactText(Utf8Decode(bytes), codePage);
  const std::size_t bytesPerCharacter = MaxBytesPerCharacter(charSetID);
  if (!utf8 && bytesPerCharacter > 1) return;
  const std::size_t capacity =
      static_cast<std::size_t>(std::max<short>(fServerSQLLen, 0)) / bytesPerCharacter;
  std::size_t characters = bytes.size();
  std::size_t fitting = std::min(capacity, bytes.size());  // the bytes of the first capacity characters
  if (utf8) {
    characters = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
      char32_t codePoint = 0;
      DecodeUtf8Char(bytes, pos, codePoint);
      if (++characters == capacity) fitting = pos;
    }
  }
  if (characters <= capacity || bytes.find_first_not_of(' ', fitting) == std::string_view::npos) return;
  IFIBXSQLDAOwner* owner = Owner();
  const AnsiString shown = utf8 ? Utf8ToAnsi(bytes)
                           : IsKOI8CharSetID(charSetID)
                               ? ConvertCodePage(bytes, kKOI8CodePage, GetAnsiCodePage())
                               : AnsiString(bytes);
  throw Exception(
      Format("%s. Parameter \"%s\" cannot hold the text '%s': string right truncation, expected "
             "length %d, actual %d",
             {owner ? owner->FullName() : AnsiString(), fName, shown, static_cast<Int64>(capacity),
              static_cast<Int64>(characters)}));
}

void TFIBXSQLVAR::StoreEncodedText(std::string_view bytes, bool utf8, bool wide) {
  IFIBXSQLDAOwner* owner = Owner();
  short target = GetServerSQLType();
  // Text beyond any text parameter's length goes as a blob, which the server judges.
  if (fDescribed && IsParam() && IsTextType(target) && bytes.size() <= kMaxInlineText)
    CheckTextFits(bytes, utf8);
  if (bytes.size() > kMaxInlineText) {
    if (wide) {
      throw Exception(Format("%s. Value for WideString Parameter \"%s\" too long",
                             {owner ? owner->FullName() : AnsiString(), fName}));
    }
    target = SQL_BLOB;
  }
  if (target == SQL_BLOB) {
    StorePendingBlob(bytes);
    return;
  }
  if (bytes.empty()) {
    if (IsNumericType(target) || IsDateTimeType(target))
      SetIsNull(true);
    else
      ForEachNamesake([&](TFIBXSQLVAR& var) { var.StoreValue(SQL_TEXT, "", 0); });
    return;
  }
  // Compared where it lies: a row's text parameters make no copy of their names.
  const std::string_view sqlName = IsParam() ? std::string_view() : NameView(Var().sqlname, Var().sqlname_length);
  if (sqlName == "DB_KEY" || sqlName == "RDB$DB_KEY") {
    // The raw key, of exactly the key's length.
    if (bytes.size() != static_cast<std::size_t>(std::max<short>(Var().sqllen, 0))) ConversionError();
    const short type = GetSQLType();
    ForEachNamesake([&](TFIBXSQLVAR& var) { var.StoreValue(type, bytes.data(), bytes.size()); });
    return;
  }
  AnsiString decimal;
  if (IsNumericType(target)) bytes = decimal = ServerDecimalText(AnsiString(bytes));
  const short subType = utf8 ? Utf8TextCharSet() : (IsTextType(target) ? GetServerSQLSubtype() : short{0});
  ForEachNamesake([&](TFIBXSQLVAR& var) {
    var.StoreValue(SQL_TEXT, bytes.data(), bytes.size());
    var.Var().sqlsubtype = subType;
  });
}

void TFIBXSQLVAR::SetAsVariant(const Variant& value) {
  const TVarType type = value.VType();
  if ((type & varByRef) != 0) {
    SetAsVariant(Dereferenced(value));
    return;
  }
  const short target = GetServerSQLType();
  if ((type & varArray) != 0) {
    if (target == SQL_ARRAY || IsArray()) {
      SetArrayValue(value);
      return;
    }
    if (target != SQL_BLOB) FIBError(TFIBClientError::NotPermitted);
    StorePendingBlob(ArrayBytes(value));
    return;
  }
  const bool dateTarget = target == SQL_TIMESTAMP || target == SQL_TYPE_DATE;
  if (VarTypeIsInteger(type)) {
    if (dateTarget)
      SetAsDateTime(value.AsDouble());
    else if (type == varInt64 || value.AsInt64() > std::numeric_limits<Integer>::max())
      SetAsInt64(value.AsInt64());
    else
      SetAsLong(value.AsInteger());
    return;
  }
  switch (type) {
    case varEmpty:
    case varNull:
      SetIsNull(true);
      return;
    case varBoolean:
      if (target == SQL_BOOLEAN)
        SetAsBoolean(value.AsBoolean());
      else
        SetAsLong(value.AsBoolean() ? 1 : 0);
      return;
    case varSingle:
    case varDouble:
      if (dateTarget)
        SetAsDateTime(value.AsDouble());
      else
        SetAsDouble(value.AsDouble());
      return;
    case varCurrency:
      if (dateTarget)
        SetAsDateTime(value.AsDouble());
      else
        SetAsCurrency(value.AsCurrency());
      return;
    case varDate:
      if (target == SQL_TYPE_TIME)
        SetAsTime(value.AsDateTime());
      else if (target == SQL_TYPE_DATE)
        SetAsDate(value.AsDateTime());
      else
        SetAsDateTime(value.AsDateTime());
      return;
    case varOleStr: {
      const bool unicodeTarget =
          (IsTextType(target) && ((Owner() && Owner()->IsUnicodeCharSet()) ||
                                  (Owner() && Owner()->IsUnicodeCharSetID(GetServerSQLSubtype() & 0xFF)))) ||
          (target == SQL_BLOB &&
           (TextBlobNeedsUtf8() || (IsTextBlobTarget() && Owner()->IsUnicodeCharSet())));
      const WideString text = value.AsWideString();
      if (unicodeTarget)
        SetAsWideString(text);
      else
        SetAsString(ExactText(text, GetAnsiCodePage()));
      return;
    }
    case varString:
      SetAsString(value.AsString());
      return;
    default:
      FIBError(TFIBClientError::NotPermitted);
  }
}

// ---- TFIBXSQLVAR: description -------------------------------------------------------------

void TFIBXSQLVAR::TakeDescription() {
  const XSQLVAR& var = Var();
  fServerSQLType = GetSQLType();
  fServerSQLLen = var.sqllen;
  fServerSQLScale = var.sqlscale;
  fServerSQLSubtype = var.sqlsubtype;
  fDescribed = true;
  fFIBArray.reset();
}

void TFIBXSQLVAR::TakeServerDescription(const TFIBXSQLVAR& server) {
  fServerSQLType = server.fServerSQLType;
  fServerSQLLen = server.fServerSQLLen;
  fServerSQLScale = server.fServerSQLScale;
  fServerSQLSubtype = server.fServerSQLSubtype;
  fDescribed = server.fDescribed;
}

void TFIBXSQLVAR::AllocateForDescription() {
  XSQLVAR& var = Var();
  const short type = GetSQLType();
  const auto length = static_cast<std::size_t>(std::max<short>(var.sqllen, 0));
  if (type == SQL_VARYING)
    AllocateData(length + sizeof(ISC_SHORT));
  else if (IsKnownType(type))
    AllocateData(std::max(length, FixedSize(type)));
  else if (type == 0 && IsParam())
    AllocateData(0);
  else
    FIBError(TFIBClientError::UnknownSQLDataType, {static_cast<int>(type)});
  fPendingBlob.reset();
  fTypeUnknownWhenSet = false;
  if ((var.sqltype & SQLNullableBit) != 0) {
    var.sqlind = &fNullIndicator;
    fNullIndicator = -1;
  } else {
    var.sqlind = nullptr;
    fNullIndicator = 0;
  }
}

void TFIBXSQLVAR::ConvertPendingValue() {
  if (!fTypeUnknownWhenSet) return;
  fTypeUnknownWhenSet = false;
  const short target = GetServerSQLType();
  if (GetIsNull()) return;
  // A text blob takes its text in the connection's code as a prepared statement's does;
  // left as text, the server would read it in another.
  if (IsTextType(target) || IsTextBlobTarget()) {
    const std::string_view raw = RawText();
    if (GetSQLSubtype() == kUnicodeFssCharSet || GetSQLSubtype() == kUtf8CharSet)
      SetAsStringEx(Utf8Decode(raw), true);
    else
      SetAsStringEx(AnsiString(raw), true);
  } else if (IsDateTimeType(target)) {
    SetAsDateTime(GetAsVariant().AsDateTime());
  }
}

// ---- TFIBXSQLDA ---------------------------------------------------------------------------

namespace {

// Versions of the names, counted across all lists: a list made where another one was
// never seems to hold that one's names.
std::uint64_t NextNamesVersion() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

}  // namespace

TFIBXSQLDA::TFIBXSQLDA(IFIBXSQLDAOwner* owner, bool isParams)
    : fOwner(owner), fIsParams(isParams), fNamesVersion(NextNamesVersion()) {}

TFIBXSQLDA::~TFIBXSQLDA() = default;

XSQLVAR& TFIBXSQLDA::Record(int index) {
  ORDVANE_DEBUG_ASSERT(index >= 0 && index < fAllocated, "an XSQLDA entry lies within the allocated block");
  std::byte* first = fBlock.data() + offsetof(XSQLDA, sqlvar);
  return *reinterpret_cast<XSQLVAR*>(first + sizeof(XSQLVAR) * static_cast<std::size_t>(index));
}

XSQLDA* TFIBXSQLDA::AsXSQLDA() {
  if (fBlock.empty()) return nullptr;
  auto* block = reinterpret_cast<XSQLDA*>(fBlock.data());
  ORDVANE_DEBUG_ASSERT(block->sqln <= fAllocated && fCount <= fAllocated,
                       "an XSQLDA's count never exceeds the entries allocated");
  return block;
}

void TFIBXSQLDA::SetCount(int count) {
  count = std::max(count, 0);
  fNames.clear();
  fNamesVersion = NextNamesVersion();
  fLookupCache.clear();
  if (count > fAllocated) {
    fBlock.resize(XSQLDA_LENGTH(static_cast<std::size_t>(count)));
    for (int i = fAllocated; i < count; ++i)
      fVars.push_back(std::unique_ptr<TFIBXSQLVAR>(new TFIBXSQLVAR(*this, i)));
    fAllocated = count;
    AsXSQLDA()->version = SQLDA_VERSION1;
  }
  fCount = count;
  ORDVANE_DEBUG_ASSERT(count <= std::numeric_limits<ISC_SHORT>::max(), "an XSQLDA's count fits its 16-bit field");
  if (XSQLDA* block = AsXSQLDA()) {
    block->sqln = static_cast<ISC_SHORT>(count);
    block->sqld = static_cast<ISC_SHORT>(count);
  }
}

void TFIBXSQLDA::IndexOutOfRange() {
  FIBError(TFIBClientError::XSQLDAIndexOutOfRange);
}

AnsiString TFIBXSQLDA::NormalizedName(const AnsiString& name) const {
  if (!name.empty() && name[0] == '"')
    return name.size() < 2 ? AnsiString() : name.substr(1, name.size() - 2);
  if (!fOwner || !fOwner->HasDatabase() || fOwner->SQLDialect() < SQL_DIALECT_V6) return UpperCaseAscii(name);
  if (fOwner->UpperOldNames() && !NeedQuoteIdentifierCI(name)) return UpperCaseAscii(name);
  return name;
}

TFIBXSQLVAR* TFIBXSQLDA::ByName(const AnsiString& name) {
  if (const auto cached = fLookupCache.find(name); cached != fLookupCache.end()) return cached->second;
  const auto found = fNames.find(NormalizedName(name));
  if (found == fNames.end()) return nullptr;
  TFIBXSQLVAR* var = fVars[static_cast<std::size_t>(found->second)].get();
  fLookupCache.emplace(name, var);
  return var;
}

void TFIBXSQLDA::RegisterName(const AnsiString& name, int index) {
  fNames.emplace(name, index);
  fNamesVersion = NextNamesVersion();
  fVars[static_cast<std::size_t>(index)]->fName = name;
}

void TFIBXSQLDA::AddName(const AnsiString& name, int index, bool exact) {
  if (index < 0 || index >= fCount) FIBError(TFIBClientError::XSQLDAIndexOutOfRange);
  RegisterName(exact ? name : UpperCaseAscii(name), index);
}

AnsiString TFIBXSQLDA::DecodedAlias(const XSQLVAR& var) const {
  const AnsiString alias = NameOf(var.aliasname, var.aliasname_length);
  if (fOwner && fOwner->IsUnicodeCharSet()) return Utf8ToAnsi(alias);
  if (fOwner && fOwner->IsKOI8CharSet()) return ConvertCodePage(alias, kKOI8CodePage, GetAnsiCodePage());
  return alias;
}

// A taken name gets the first free suffix 1, 2, ..., the base cut so that the name keeps
// within 31 characters.
AnsiString TFIBXSQLDA::UniqueName(const AnsiString& base) const {
  if (!NameTaken(base)) return base;
  for (int suffix = 1;; ++suffix) {
    const AnsiString digits = IntToStr(suffix);
    const AnsiString candidate = base.substr(0, kMaxNameLength - digits.size()) + digits;
    if (!NameTaken(candidate)) return candidate;
  }
}

void TFIBXSQLDA::NameFromDescription() {
  int unnamed = 0;
  for (int i = 0; i < fCount; ++i) {
    XSQLVAR& var = Record(i);
    AnsiString name = DecodedAlias(var);
    if (name.empty()) name = "F_" + IntToStr(++unnamed);
    name = UniqueName(name);
    RegisterName(name, i);
    const std::size_t length = std::min(name.size(), sizeof var.aliasname);
    std::memset(var.aliasname, 0, sizeof var.aliasname);
    std::memcpy(var.aliasname, name.data(), length);
    var.aliasname_length = static_cast<ISC_SHORT>(length);
  }
}

void TFIBXSQLDA::SetupAfterDescribe() {
  for (int i = 0; i < fCount; ++i) fVars[static_cast<std::size_t>(i)]->TakeDescription();
  if (fNames.empty()) NameFromDescription();
  for (int i = 0; i < fCount; ++i) fVars[static_cast<std::size_t>(i)]->AllocateForDescription();
}

void TFIBXSQLDA::AssignValues(const TFIBXSQLDA& source) {
  for (int i = 0; i < source.Count(); ++i) {
    const TFIBXSQLVAR& from = source.GetVars(i);
    TFIBXSQLVAR* to = ByName(from.Name());
    if (!to) continue;
    if (from.GetIsNull()) {
      to->SetIsNull(true);
    } else if (from.IsBlob() && to->IsBlob() && !from.PendingBlob()) {
      to->SetAsQuad(from.GetAsQuad());
    } else if (from.GetSQLType() == SQL_INT64) {
      if (to->IsBlob()) to->SetAsQuad(ISC_QUAD{0, 0});
      to->Assign(from);
    } else if (from.PendingBlob()) {
      to->Assign(from);
    } else {
      to->SetAsVariant(from.GetAsVariant());
    }
  }
}

void TFIBXSQLDA::ClearValues() {
  for (int i = 0; i < fCount; ++i) {
    TFIBXSQLVAR& var = *fVars[static_cast<std::size_t>(i)];
    var.fPendingBlob.reset();
    if (var.GetIsNullable()) var.fNullIndicator = -1;
  }
}

void TFIBXSQLDA::ClearModified() {
  for (int i = 0; i < fCount; ++i) fVars[static_cast<std::size_t>(i)]->fModified = false;
}

void TFIBXSQLDA::ConvertPendingValues() {
  for (int i = 0; i < fCount; ++i) fVars[static_cast<std::size_t>(i)]->ConvertPendingValue();
  fHasPendingConversions = false;
}

}  // namespace ordvane
