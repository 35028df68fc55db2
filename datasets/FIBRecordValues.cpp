#include "datasets/FIBRecordValues.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "dbclient/fib.h"

namespace ordvane {

short LayoutType(short sqlType) {
  return sqlType == SQLBooleanFB3 ? SQLBooleanLayout : sqlType;
}

bool IsTextType(short sqlType) {
  return sqlType == SQL_TEXT || sqlType == SQL_VARYING;
}

bool IsDBKeyName(const AnsiString& name) {
  return name == "DB_KEY" || name == "RDB$DB_KEY";
}

Integer LayoutDataSize(short layoutType, Integer declaredLength) {
  switch (layoutType) {
    case SQL_SHORT:
    case SQLBooleanLayout:
      return 2;
    case SQL_LONG:
    case SQL_FLOAT:
    case SQL_TYPE_TIME:
    case SQL_TYPE_DATE:
      return 4;
    case SQL_DOUBLE:
    case SQL_TIMESTAMP:
    case SQL_D_FLOAT:
    case SQL_INT64:
      return 8;
    default:
      return std::clamp<Integer>(declaredLength, 0, std::numeric_limits<Word>::max());
  }
}

namespace {

constexpr Integer feInvalidConversion = 33;

template <class T>
void Put(Byte* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

template <class T>
T Get(const Byte* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

double Power10(int exponent) {
  return std::pow(10.0, exponent);
}

// A scaled integer of the target's width, or client error 33 when it does not fit.
Int64 ScaledForTarget(const TFIBXSQLVAR& column, short scale, Int64 low, Int64 high) {
  const double value =
      scale == 0 ? static_cast<double>(column.GetAsInt64()) : std::round(column.GetAsDouble() * Power10(-scale));
  if (!(value >= static_cast<double>(low) && value <= static_cast<double>(high))) FIBError(feInvalidConversion);
  return scale == 0 ? column.GetAsInt64() : static_cast<Int64>(value);
}

}  // namespace

void StoreStringArea(Byte* record, const TFIBFieldDescr& descr, const char* chars, std::size_t length, bool trim) {
  Byte* area = record + descr.Offset;
  std::size_t count = std::min<std::size_t>(length, descr.DataSize);
  if (trim && !descr.IsBinary)
    while (count > 0 && chars[count - 1] == ' ') --count;
  Put(area, static_cast<Integer>(count));
  if (count > 0) std::memcpy(area + 4, chars, count);
  if (count < descr.DataSize) area[4 + count] = 0;
}

namespace {

// The column's value through the client's typed getters, in the layout of the select
// column: another statement may describe the column otherwise.
void StoreConverted(const TFIBXSQLVAR& column, const TFIBFieldDescr& descr, bool int64AsDouble, Byte* record) {
  Byte* value = record + descr.Offset;
  switch (descr.SQLType) {
    case SQL_SHORT:
      Put(value, static_cast<SmallInt>(ScaledForTarget(column, descr.Scale, -32768, 32767)));
      return;
    case SQL_LONG:
      Put(value, static_cast<Integer>(ScaledForTarget(column, descr.Scale, std::numeric_limits<Integer>::min(),
                                                      std::numeric_limits<Integer>::max())));
      return;
    case SQL_INT64:
      if (int64AsDouble)
        Put(value, column.GetAsDouble());
      else
        Put(value, ScaledForTarget(column, descr.Scale, std::numeric_limits<Int64>::min(),
                                   std::numeric_limits<Int64>::max()));
      return;
    case SQL_FLOAT:
      Put(value, static_cast<float>(column.GetAsDouble()));
      return;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      Put(value, column.GetAsDouble());
      return;
    case SQL_TYPE_DATE:
      Put(value, column.GetAsTimeStamp().Date);
      return;
    case SQL_TYPE_TIME:
      Put(value, column.GetAsTimeStamp().Time);
      return;
    case SQL_TIMESTAMP: {
      const TTimeStamp stamp = column.GetAsTimeStamp();
      Put(value, static_cast<double>(stamp.Date) * 86400000.0 + stamp.Time);
      return;
    }
    case SQLBooleanLayout:
      Put(value, static_cast<SmallInt>(column.GetAsBoolean() ? 1 : 0));
      return;
    case SQL_TEXT:
    case SQL_VARYING: {
      const AnsiString text = column.GetAsString();
      if (descr.IsStringSlot) return StoreStringArea(record, descr, text.data(), text.size(), descr.SQLType == SQL_TEXT);
      // A CHAR is padded with blanks, a VARCHAR ends at a zero byte.
      std::memset(value, descr.SQLType == SQL_TEXT ? ' ' : 0, descr.DataSize);
      std::memcpy(value, text.data(), std::min<std::size_t>(text.size(), descr.DataSize));
      return;
    }
    case SQL_BLOB:
    case SQL_QUAD:
    case SQL_ARRAY:
      if (column.GetSQLType() != descr.SQLType) FIBError(feInvalidConversion);
      Put(value, column.GetAsQuad());
      return;
    default:
      FIBError(feInvalidConversion);
  }
}

}  // namespace

void StoreColumnValue(const TFIBXSQLVAR& column, const TFIBFieldDescr& descr, bool convert, bool int64AsDouble,
                      Byte* record) {
  if (convert) return StoreConverted(column, descr, int64AsDouble, record);
  Byte* value = record + descr.Offset;
  const XSQLVAR& var = *column.GetData();
  const auto* data = reinterpret_cast<const Byte*>(var.sqldata);
  const auto declared = static_cast<std::size_t>(std::max<short>(var.sqllen, 0));
  switch (descr.SQLType) {
    case SQL_TYPE_DATE:
      Put(value, Get<ISC_DATE>(data) + IscDateToTimeStampDate);
      return;
    case SQL_TYPE_TIME:
      Put(value, static_cast<Integer>(Get<ISC_TIME>(data) / 10));
      return;
    case SQL_TIMESTAMP: {
      const auto stamp = Get<ISC_TIMESTAMP>(data);
      Put(value, (static_cast<double>(stamp.timestamp_date) + IscDateToTimeStampDate) * 86400000.0 +
                     static_cast<double>(stamp.timestamp_time / 10));
      return;
    }
    case SQL_INT64:
      if (int64AsDouble)
        Put(value, static_cast<double>(Get<Int64>(data)) * Power10(descr.Scale));
      else
        std::memcpy(value, data, 8);
      return;
    case SQLBooleanLayout:
      Put(value, static_cast<SmallInt>(var.sqllen == 1 ? (data[0] != 0 ? 1 : 0) : Get<SmallInt>(data)));
      return;
    case SQL_VARYING: {
      // The length word is the server's: never copy past the column's own length.
      const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(std::max<short>(Get<short>(data), 0)), declared);
      if (descr.IsStringSlot) return StoreStringArea(record, descr, reinterpret_cast<const char*>(data + 2), length, false);
      std::memset(value, 0, descr.DataSize);
      std::memcpy(value, data + 2, std::min<std::size_t>(length, descr.DataSize));
      return;
    }
    case SQL_TEXT:
      if (descr.IsStringSlot) return StoreStringArea(record, descr, reinterpret_cast<const char*>(data), declared, true);
      std::memcpy(value, data, std::min<std::size_t>(declared, descr.DataSize));
      return;
    default:
      std::memcpy(value, data, std::min<std::size_t>(declared, descr.DataSize));
  }
}

}  // namespace ordvane
