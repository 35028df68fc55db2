#pragma once
// One column of a fetched row into a dataset's record buffer, at the place its descriptor
// gives: the client API's dates as the class library counts them, times and time stamps
// to Firebird's tenth of a millisecond,
// text into string areas, and the columns of another statement converted into the
// select column's layout; a whole row of the select straight into a new cache record.

#include <algorithm>
#include <cstring>
#include <limits>
#include <span>
#include <string_view>
#include <vector>

#include "classlib/core/DebugChecks.h"
#include "datasets/pFIBFieldsDescr.h"
#include "classlib/db/DBTypes.h"
#include "dbclient/FIBXSQLDA.h"

namespace ordvane {

// Firebird 3 reports BOOLEAN as this type, one byte long; a record lays it out as the
// two-byte type 590.
inline constexpr short SQLBooleanFB3 = 32764;
inline constexpr short SQLBooleanLayout = 590;
inline constexpr Integer CharSetOctets = 1;

// The type a record uses for a column's client-API type.
short LayoutType(short sqlType);
bool IsTextType(short sqlType);
bool IsDBKeyName(const AnsiString& name);
// Bytes a value of the layout type takes; text, blobs and arrays their declared length.
Integer LayoutDataSize(short layoutType, Integer declaredLength);

// A string area: its 32-bit length (at most the area's size), the characters, a zero byte
// after them when they are shorter; with trim (and not binary) without trailing blanks.
void StoreStringArea(Byte* record, const TFIBFieldDescr& descr, const char* chars, std::size_t length, bool trim);

// A null blob, array or quad column keeps the identifier the server still sent.
inline bool KeepsValueWhenNull(const TFIBFieldDescr& descr, const XSQLVAR& var) {
  const bool identifier = descr.SQLType == SQL_BLOB || descr.SQLType == SQL_ARRAY || descr.SQLType == SQL_QUAD;
  return identifier && var.sqldata != nullptr;
}

class TRecordsCache;

// Rows of the select statement, whose columns are the descriptors' in their order, into
// the records the cache appends: the fixed values and null flags into the stored record
// (zero bytes, as a new record is), the texts into the record's string cells. A null value
// leaves its place as it is. What depends on the columns alone is worked out once for an
// open, so that a row's usual values (4- and 8-byte ones kept as sent, dates, VARCHAR
// texts) are copied without another look at their descriptors.
class TNewRecordWriter {
 public:
  // The columns of the select's rows (row: their descriptions, in the descriptors' order;
  // without them every column goes by its descriptor).
  void Prepare(std::span<const TFIBFieldDescr> descriptors, const XSQLDA* row);
  // row into stored, the record the cache appended last.
  void Store(const XSQLDA& row, Byte* stored, TRecordsCache& cache) const;

 private:
  enum class TKind : Byte { Copy4, Copy8, Date, VaryingText, Other };
  struct TStep {
    TKind kind = TKind::Other;
    Word textLimit = 0;  // VaryingText: the characters kept at most
    Integer offset = 0;  // Copy4, Copy8, Date: of the value in the stored record
    const TFIBFieldDescr* descr = nullptr;
  };
  std::vector<TStep> fSteps;
};

// The column's value at its descriptor's place. convert: the column is described
// otherwise than the descriptor's (another statement's): its value goes through the
// client's typed getters, and a value that does not convert raises. A 64-bit column is
// kept as its scaled integer, also under a field that shows it as a double.
void StoreColumnValue(const TFIBXSQLVAR& column, const TFIBFieldDescr& descr, bool convert, Byte* record);

// A parameter from the value at the descriptor's place (never null): scaled 16/32-bit
// integers as doubles, 64-bit ones scaled exactly, dates and times from the record's
// counts, text up to its stored length, a GUID column's 16 bytes as a GUID, a DB key's raw
// bytes, blob and array identifiers.
void BindColumnParam(const Byte* record, const TFIBFieldDescr& descr, TFIBXSQLVAR& param);

// A TIME's or TIMESTAMP's value at the descriptor's place as the server's text of it, to
// the tenth of a millisecond: "16:05:00.6789", "2003-02-01 16:05:00.6789".
AnsiString MomentText(const Byte* record, const TFIBFieldDescr& descr);

// A scaled integer of a column (scale 0 or below) as the double its field shows: the
// nearest to the decimal.
double ScaledToDouble(Int64 scaled, int scale);

}  // namespace ordvane

namespace ordvane {

class TField;

// The characters of a text value at the descriptor's place, as a field is given them: a
// string area's stored length, else up to the first zero byte but never past the column's
// size (binary and wide text: the whole column); with trim (text, not binary bytes or a
// GUID) without trailing blanks.
// Inline: every text a grid shows is read through it.
inline std::string_view StoredText(const Byte* record, const TFIBFieldDescr& descr, bool trim) {
  const Byte* area = record + descr.Offset;
  const auto* chars = reinterpret_cast<const char*>(area + (descr.IsStringSlot ? 4 : 0));
  std::size_t length = descr.DataSize;
  const bool ansi = !descr.IsBinary && descr.CharKind == ckAnsi;
  if (descr.IsStringSlot) {
    Integer stored = 0;
    std::memcpy(&stored, area, sizeof stored);
    length = static_cast<std::size_t>(std::clamp<Integer>(stored, 0, descr.DataSize));
  } else if (ansi) {
    if (const void* zero = std::memchr(chars, 0, descr.DataSize); zero != nullptr)
      length = static_cast<std::size_t>(static_cast<const char*>(zero) - chars);
  }
  if (trim && !descr.IsBinary && descr.CharKind != ckGuid)
    while (length > 0 && chars[length - 1] == ' ') --length;
  return {chars, length};
}

// The value at the descriptor's place, in the target's native form, into dest. Text is
// delivered zero-terminated: a string slot's stored length, else up to the first zero
// byte but never past the column's size (a full value has none). Answers false when the
// text does not fit the target's data size; dest is then left alone.
bool ReadColumnValue(const Byte* record, const TFIBFieldDescr& descr, const TFieldTarget& target, void* dest);

// A 16/32/64-bit integer as a native integer of dataSize bytes holds it: a narrower one
// keeps the sign and saturates.
inline Int64 SaturatedInteger(Int64 value, Integer dataSize) {
  switch (dataSize) {
    case 2:
      return std::clamp<Int64>(value, std::numeric_limits<SmallInt>::min(), std::numeric_limits<SmallInt>::max());
    case 4:
      return std::clamp<Int64>(value, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max());
    default:
      return value;
  }
}

// Whether the column keeps an integer of 16, 32 or 64 bits (a scale aside).
inline bool IsIntegerColumn(const TFIBFieldDescr& descr) {
  return descr.SQLType == SQL_SHORT || descr.SQLType == SQL_LONG || descr.SQLType == SQL_INT64;
}

// The integer at the place of an integer column's value (IsIntegerColumn), its scale not
// applied. A 64-bit column that the record keeps as a double has no such integer.
inline Int64 StoredInteger(const Byte* value, const TFIBFieldDescr& descr) {
  switch (descr.SQLType) {
    case SQL_SHORT: {
      SmallInt stored;
      std::memcpy(&stored, value, sizeof stored);
      return stored;
    }
    case SQL_LONG: {
      Integer stored;
      std::memcpy(&stored, value, sizeof stored);
      return stored;
    }
    default: {
      Int64 stored;
      std::memcpy(&stored, value, sizeof stored);
      return stored;
    }
  }
}

// The bytes a value takes at its offset: a string slot keeps a 4-byte length in front.
inline Integer SlotSize(const TFIBFieldDescr& descr) { return descr.DataSize + (descr.IsStringSlot ? 4 : 0); }

// Every access to a value stays inside the record's area of column values.
inline void CheckSlotInRecord(const TFIBFieldDescr& descr, Integer valuesBegin, Integer valuesEnd) {
  ORDVANE_DEBUG_ASSERT(descr.Offset >= valuesBegin && descr.Offset + SlotSize(descr) <= valuesEnd,
                       "a field's value lies within its record");
}

// A record number (1-based) names a record the cache holds.
inline void CheckRecordInCache(Integer recordNo, Integer recordCount) {
  ORDVANE_DEBUG_ASSERT(recordNo >= 1 && recordNo <= recordCount, "a record index lies within the cache");
}

// A BCD as an integer of 'places' decimal places, rounded half away from zero; false when
// it does not fit 64 bits.
bool BcdToScaledInteger(const TBcd& bcd, int places, Int64& result);

// Writes a native value (never null) at the descriptor's place. Text is cut to the
// column's size (then, with trim, loses trailing bytes below code 33). A scaled 16- or
// 32-bit column takes the double through ScaleToInteger, a BCD into a 64-bit column goes
// through BcdToScaledInteger; either raises the class library's range error naming the
// field when the value does not fit (its display name is made only then).
void WriteColumnValue(Byte* record, const TFIBFieldDescr& descr, const TFieldTarget& target, const void* source,
                      const TField& field);

// value x 10^-scale as an integer: the double's shortest round-trip decimal text shifted
// by the scale, rounded half away from zero (0.145 at scale -2 is 15, 0.29 is 29). False
// when the magnitude exceeds limit or the value is not finite.
bool ScaleToInteger(double value, int scale, Int64 limit, Int64& result);

}  // namespace ordvane
