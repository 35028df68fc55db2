#include "datasets/FIBRecordValues.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "classlib/core/DateTime.h"
#include "classlib/core/FMTBcd.h"
#include "classlib/core/GUID.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/Fields.h"
#include "datasets/FIBCacheManage.h"
#include "datasets/FIBRecordBuffer.h"
#include "dbclient/FIBConvert.h"
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

// A scaled integer of the target's width, or client error 33 when it does not fit.
Int64 ScaledForTarget(const TFIBXSQLVAR& column, short scale, Int64 low, Int64 high) {
  const double value =
      scale == 0 ? static_cast<double>(column.GetAsInt64()) : std::round(column.GetAsDouble() * Power10(-scale));
  if (!(value >= static_cast<double>(low) && value <= static_cast<double>(high))) FIBError(TFIBClientError::InvalidDataConversion);
  return scale == 0 ? column.GetAsInt64() : static_cast<Int64>(value);
}

// The characters of a text column as the server sent them; a VARCHAR's length word is the
// server's, so never more than the column's own length.
inline std::string_view ColumnText(const XSQLVAR& var) {
  const auto* data = reinterpret_cast<const char*>(var.sqldata);
  const auto declared = static_cast<std::size_t>(std::max<short>(var.sqllen, 0));
  if (data == nullptr) return {};
  if ((var.sqltype & ~1) == SQL_TEXT) return {data, declared};
  const auto length = static_cast<std::size_t>(std::max<short>(Get<short>(reinterpret_cast<const Byte*>(data)), 0));
  return {data + 2, std::min(length, declared)};
}

// Firebird counts a time of day in tenths of a millisecond; a record keeps a TIME's value
// as that count, a TIMESTAMP's as milliseconds since the class library's day 0 with the
// tenth as the fraction. A double places 9999-12-31 within a sixteenth of a millisecond,
// so the tenth comes back by rounding the fraction alone.
constexpr Int64 TenthsPerMSec = 10;
constexpr Int64 TenthsPerDay = Int64{MSecsPerDay} * TenthsPerMSec;

double StampMSecs(Int64 tenths) {
  return static_cast<double>(tenths / TenthsPerMSec) +
         static_cast<double>(tenths % TenthsPerMSec) / static_cast<double>(TenthsPerMSec);
}

Int64 StampTenths(double msecs) {
  const double whole = std::floor(msecs);
  return static_cast<Int64>(whole) * TenthsPerMSec +
         std::llround((msecs - whole) * static_cast<double>(TenthsPerMSec));
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

void StoreFetchedValue(const XSQLVAR& var, const TFIBFieldDescr& descr, Byte* value);

// The column's value through the client's typed getters, in the layout of the select
// column: another statement may describe the column otherwise.
void StoreConverted(const TFIBXSQLVAR& column, const TFIBFieldDescr& descr, Byte* record) {
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
    case SQL_TIMESTAMP: {
      // A column of the same type keeps its tenth of a millisecond, which the getters drop.
      if (column.GetSQLType() == descr.SQLType) return StoreFetchedValue(*column.GetData(), descr, value);
      const TTimeStamp stamp = column.GetAsTimeStamp();
      const Int64 tenths = static_cast<Int64>(stamp.Time) * TenthsPerMSec;
      if (descr.SQLType == SQL_TYPE_TIME)
        Put(value, static_cast<ISC_TIME>(tenths));
      else
        Put(value, StampMSecs(static_cast<Int64>(stamp.Date) * TenthsPerDay + tenths));
      return;
    }
    case SQLBooleanLayout:
      Put(value, static_cast<SmallInt>(column.GetAsBoolean() ? 1 : 0));
      return;
    case SQL_TEXT:
    case SQL_VARYING: {
      // Text stays in the connection's character set, as the select's own columns do.
      const AnsiString text = IsTextType(column.GetSQLType()) ? AnsiString(ColumnText(*column.GetData()))
                                                              : column.GetAsString();
      if (descr.IsStringSlot) return StoreStringArea(record, descr, text.data(), text.size(), descr.SQLType == SQL_TEXT);
      // A CHAR is padded with blanks, a VARCHAR ends at a zero byte.
      std::memset(value, descr.SQLType == SQL_TEXT ? ' ' : 0, descr.DataSize);
      std::copy_n(text.data(), std::min<std::size_t>(text.size(), descr.DataSize), value);
      return;
    }
    case SQL_BLOB:
    case SQL_QUAD:
    case SQL_ARRAY:
      if (column.GetSQLType() != descr.SQLType) FIBError(TFIBClientError::InvalidDataConversion);
      Put(value, column.GetAsQuad());
      return;
    default:
      FIBError(TFIBClientError::InvalidDataConversion);
  }
}

// The characters a string slot keeps of a fetched text column described as its
// descriptor is: at most the slot's size, a CHAR without its trailing blanks (unless
// binary).
inline std::string_view FetchedSlotText(const XSQLVAR& var, const TFIBFieldDescr& descr) {
  std::string_view text = ColumnText(var);
  text = text.substr(0, descr.DataSize);
  if (descr.SQLType == SQL_TEXT && !descr.IsBinary)
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// A fetched value described as its descriptor is, not kept in a string slot, at value
// (its place in a record).
void StoreFetchedValue(const XSQLVAR& var, const TFIBFieldDescr& descr, Byte* value) {
  const auto* data = reinterpret_cast<const Byte*>(var.sqldata);
  const auto declared = static_cast<std::size_t>(std::max<short>(var.sqllen, 0));
  switch (descr.SQLType) {
    case SQL_TYPE_DATE:
      Put(value, Get<ISC_DATE>(data) + IscDateToTimeStampDate);
      return;
    case SQL_TIMESTAMP: {
      const auto stamp = Get<ISC_TIMESTAMP>(data);
      const Int64 day = static_cast<Int64>(stamp.timestamp_date) + IscDateToTimeStampDate;
      Put(value, StampMSecs(day * TenthsPerDay + stamp.timestamp_time));
      return;
    }
    case SQLBooleanLayout:
      Put(value, static_cast<SmallInt>(var.sqllen == 1 ? (data[0] != 0 ? 1 : 0) : Get<SmallInt>(data)));
      return;
    case SQL_VARYING: {
      const std::string_view text = ColumnText(var);
      std::memset(value, 0, descr.DataSize);
      std::memcpy(value, text.data(), std::min<std::size_t>(text.size(), descr.DataSize));
      return;
    }
    default: {
      const std::size_t size = std::min<std::size_t>(declared, descr.DataSize);
      // The usual widths are copied without a call.
      if (size == 4)
        std::memcpy(value, data, 4);
      else if (size == 8)
        std::memcpy(value, data, 8);
      else
        std::memcpy(value, data, size);
    }
  }
}

}  // namespace

void StoreColumnValue(const TFIBXSQLVAR& column, const TFIBFieldDescr& descr, bool convert, Byte* record) {
  if (convert) return StoreConverted(column, descr, record);
  const XSQLVAR& var = *column.GetData();
  if (!descr.IsStringSlot) return StoreFetchedValue(var, descr, record + descr.Offset);
  const std::string_view text = FetchedSlotText(var, descr);
  StoreStringArea(record, descr, text.data(), text.size(), false);
}

void TNewRecordWriter::Prepare(std::span<const TFIBFieldDescr> descriptors, const XSQLDA* row) {
  fSteps.assign(descriptors.size(), TStep{});
  for (std::size_t i = 0; i < descriptors.size(); ++i) fSteps[i].descr = &descriptors[i];
  const std::size_t columns =
      row == nullptr ? 0 : std::min<std::size_t>(descriptors.size(), static_cast<std::size_t>(std::max<short>(row->sqld, 0)));
  for (std::size_t i = 0; i < columns; ++i) {
    const TFIBFieldDescr& descr = descriptors[i];
    const XSQLVAR& var = row->sqlvar[i];
    TStep& step = fSteps[i];
    const auto declared = static_cast<std::size_t>(std::max<short>(var.sqllen, 0));
    const short sentType = static_cast<short>(var.sqltype & ~1);
    if (descr.IsStringSlot) {
      if (sentType == SQL_VARYING && descr.SQLType == SQL_VARYING) {
        step.kind = TKind::VaryingText;
        step.textLimit = static_cast<Word>(std::min<std::size_t>(declared, descr.DataSize));
      }
      continue;
    }
    step.offset = descr.Offset - StatusOffset;
    if (sentType != descr.SQLType) continue;
    const std::size_t size = std::min<std::size_t>(declared, descr.DataSize);
    // The types StoreFetchedValue copies as they come (a TIME too), and dates.
    switch (descr.SQLType) {
      case SQL_TYPE_DATE:
        if (size == sizeof(ISC_DATE)) step.kind = TKind::Date;
        continue;
      case SQL_TIMESTAMP:
      case SQLBooleanLayout:
      case SQL_VARYING:
        continue;
      default:
        if (size == 4) step.kind = TKind::Copy4;
        if (size == 8) step.kind = TKind::Copy8;
    }
  }
}

void TNewRecordWriter::Store(const XSQLDA& row, Byte* stored, TRecordsCache& cache) const {
  constexpr Integer nullFlags = NullFlagsOffset - StatusOffset;
  ORDVANE_DEBUG_ASSERT(row.sqld >= 0 && static_cast<std::size_t>(row.sqld) == fSteps.size(),
                       "the row has the columns the writer was prepared for");
  for (std::size_t i = 0; i < fSteps.size(); ++i) {
    const XSQLVAR& var = row.sqlvar[i];
    const TStep& step = fSteps[i];
    // The new record's flags are 0 already.
    if (TFIBXSQLVAR::IsNullIn(var)) [[unlikely]] {
      stored[nullFlags + i] = step.descr->Nullable ? 1 : 0;
      if (!KeepsValueWhenNull(*step.descr, var)) continue;
    }
    switch (step.kind) {
      case TKind::Copy4:
        std::memcpy(stored + step.offset, var.sqldata, 4);
        break;
      case TKind::Copy8:
        std::memcpy(stored + step.offset, var.sqldata, 8);
        break;
      case TKind::Date:
        Put(stored + step.offset, Get<ISC_DATE>(reinterpret_cast<const Byte*>(var.sqldata)) + IscDateToTimeStampDate);
        break;
      case TKind::VaryingText: {
        // The length word is the server's: never more than the column's own length.
        short length;
        std::memcpy(&length, var.sqldata, sizeof length);
        const auto count = std::min<std::size_t>(static_cast<std::size_t>(std::max<short>(length, 0)), step.textLimit);
        cache.WriteAppendedText(step.descr->StringSlot, {var.sqldata + 2, count});
        break;
      }
      case TKind::Other: {
        const TFIBFieldDescr& descr = *step.descr;
        if (descr.IsStringSlot) {
          cache.WriteAppendedText(descr.StringSlot, FetchedSlotText(var, descr));
          break;
        }
        const Integer offset = descr.Offset - StatusOffset;
        ORDVANE_DEBUG_ASSERT(offset >= nullFlags + static_cast<Integer>(fSteps.size()) &&
                                 offset + descr.DataSize <= cache.RecordSize(),
                             "a fetched value lies within its stored record");
        StoreFetchedValue(var, descr, stored + offset);
        break;
      }
    }
  }
}

}  // namespace ordvane

// ---- Field values ---------------------------------------------------------------------------

namespace ordvane {

namespace {

// A 16/32/64-bit integer into a native integer of the target's size (SaturatedInteger;
// a Boolean reads "above 0").
void PutInteger(void* dest, Integer dataSize, Int64 value) {
  auto* out = static_cast<Byte*>(dest);
  const Int64 saturated = SaturatedInteger(value, dataSize);
  switch (dataSize) {
    case 2:
      Put(out, static_cast<SmallInt>(saturated));
      return;
    case 4:
      Put(out, static_cast<Integer>(saturated));
      return;
    default:
      Put(out, saturated);
  }
}

Int64 GetInteger(const void* source, Integer dataSize) {
  const auto* in = static_cast<const Byte*>(source);
  switch (dataSize) {
    case 2:
      return Get<SmallInt>(in);
    case 4:
      return Get<Integer>(in);
    default:
      return Get<Int64>(in);
  }
}

[[noreturn]] void RangeError(double value, double limit, const TField& field) {
  DatabaseErrorFmt(dbconsts::SFieldFloatRangeError, {value, field.DisplayName(), -limit, limit});
}

// A number written to a scaled integer column, as its shortest decimal shows it rounded to
// the scale; one out of the column's range raises, naming the field.
Int64 ScaledOrRangeError(double number, int scale, Int64 limit, const TField& field) {
  Int64 scaled = 0;
  if (!ScaleToInteger(number, scale, limit, scaled))
    RangeError(number, static_cast<double>(limit) * Power10(scale), field);
  return scaled;
}

}  // namespace

double ScaledToDouble(Int64 scaled, int scale) {
  // Both exact as doubles, so the quotient is rounded once.
  constexpr Int64 exactLimit = Int64{1} << std::numeric_limits<double>::digits;
  if (scaled > -exactLimit && scaled < exactLimit) return static_cast<double>(scaled) / Power10(-scale);
  // Larger integers would be rounded twice on the way: the decimal is read as a whole.
  const std::string text = std::to_string(scaled) + "e" + std::to_string(scale);
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

bool ScaleToInteger(double value, int scale, Int64 limit, Int64& result) {
  if (!std::isfinite(value)) return false;
  char text[64];
  const auto [end, error] = std::to_chars(std::begin(text), std::end(text), value, std::chars_format::scientific);
  if (error != std::errc()) return false;
  // "-d.ddde+XX": the digits as one integer, and the power of ten of the last one.
  const std::string_view scientific(text, static_cast<std::size_t>(end - text));
  const bool negative = scientific.front() == '-';
  const std::size_t exponentAt = scientific.find('e');
  std::string digits;
  for (char ch : scientific.substr(0, exponentAt))
    if (ch >= '0' && ch <= '9') digits.push_back(ch);
  int exponent = 0;
  std::from_chars(scientific.data() + exponentAt + (scientific[exponentAt + 1] == '+' ? 2 : 1),
                  scientific.data() + scientific.size(), exponent);
  const int shift = exponent - static_cast<int>(digits.size() - 1) - scale;
  Int64 magnitude = 0;
  const int kept = static_cast<int>(digits.size()) + std::min(shift, 0);
  if (kept > 18 || (shift > 0 && kept + shift > 18)) return false;
  for (int i = 0; i < kept; ++i) magnitude = magnitude * 10 + (digits[static_cast<std::size_t>(i)] - '0');
  for (int i = 0; i < shift; ++i) magnitude *= 10;
  // Half away from zero: the first digit dropped decides.
  if (kept >= 0 && kept < static_cast<int>(digits.size()) && digits[static_cast<std::size_t>(kept)] >= '5') ++magnitude;
  if (magnitude > limit) return false;
  result = negative ? -magnitude : magnitude;
  return true;
}

bool BcdToScaledInteger(const TBcd& bcd, int places, Int64& result) {
  const int digitCount = bcd.Precision;
  if (digitCount > MaxFMTBcdFractionSize || bcd.Places() > digitCount || places < 0) return false;
  const auto digitAt = [&](int i) {
    const Byte pair = bcd.Fraction[i / 2];
    return i % 2 == 0 ? pair >> 4 : pair & 0x0F;
  };
  // The digits down to the wanted places, zeros past the value's own.
  const int kept = digitCount - bcd.Places() + places;
  UInt64 magnitude = 0;
  constexpr auto limit = static_cast<UInt64>(std::numeric_limits<Int64>::max());
  for (int i = 0; i < kept; ++i) {
    const int digit = i < digitCount ? digitAt(i) : 0;
    if (digit > 9 || magnitude > (limit - static_cast<UInt64>(digit)) / 10) return false;
    magnitude = magnitude * 10 + static_cast<UInt64>(digit);
  }
  // Half away from zero: the first digit dropped decides.
  if (kept < digitCount && digitAt(kept) >= 5) {
    if (magnitude == limit) return false;
    ++magnitude;
  }
  const auto value = static_cast<Int64>(magnitude);
  result = bcd.IsNegative() ? -value : value;
  return true;
}

bool ReadColumnValue(const Byte* record, const TFIBFieldDescr& descr, const TFieldTarget& target, void* dest) {
  const Byte* value = record + descr.Offset;
  auto* out = static_cast<Byte*>(dest);
  switch (descr.SQLType) {
    case SQL_SHORT:
    case SQL_LONG: {
      const Int64 stored = StoredInteger(value, descr);
      if (descr.Scale == 0)
        PutInteger(dest, target.dataSize, stored);
      else
        Put(out, ScaledToDouble(stored, descr.Scale));
      return true;
    }
    case SQL_FLOAT:
      Put(out, static_cast<double>(Get<float>(value)));
      return true;
    case SQL_INT64:
      if (target.type == ftBCD && !target.rawInt64)
        Put(out, ScaledInt64ToBcd(Get<Int64>(value), -descr.Scale));
      else if (target.type == ftFloat && !target.rawInt64)
        Put(out, ScaledToDouble(Get<Int64>(value), descr.Scale));
      else if (target.type == ftLargeint || target.rawInt64)
        std::memcpy(out, value, 8);
      else
        PutInteger(dest, target.dataSize, Get<Int64>(value));
      return true;
    case SQLBooleanLayout:
      PutInteger(dest, target.dataSize, Get<SmallInt>(value));
      return true;
    // A field counts whole milliseconds: the tenth is cut, so that a moment stays on its day.
    case SQL_TYPE_TIME:
      Put(out, static_cast<Integer>(Get<ISC_TIME>(value) / TenthsPerMSec));
      return true;
    case SQL_TIMESTAMP:
      Put(out, std::floor(Get<double>(value)));
      return true;
    case SQL_TEXT:
    case SQL_VARYING: {
      const std::string_view text = StoredText(record, descr, target.trim);
      if (descr.CharKind == ckGuid) {
        std::memcpy(out, text.data(), std::min<std::size_t>(text.size(), static_cast<std::size_t>(target.dataSize)));
        return true;
      }
      if (static_cast<Int64>(text.size()) >= target.dataSize) return false;
      std::memcpy(out, text.data(), text.size());
      out[text.size()] = 0;
      return true;
    }
    default:
      std::memcpy(out, value, std::min<std::size_t>(descr.DataSize, static_cast<std::size_t>(target.dataSize)));
      return true;
  }
}

void WriteColumnValue(Byte* record, const TFIBFieldDescr& descr, const TFieldTarget& target, const void* source,
                      const TField& field) {
  Byte* value = record + descr.Offset;
  const auto* in = static_cast<const Byte*>(source);
  switch (descr.SQLType) {
    case SQL_SHORT:
    case SQL_LONG: {
      const Int64 limit = descr.SQLType == SQL_SHORT ? 32767 : std::numeric_limits<Integer>::max();
      Int64 stored = 0;
      if (descr.Scale == 0) {
        stored = GetInteger(source, target.dataSize);
        if (stored < -limit - 1 || stored > limit)
          DatabaseErrorFmt(dbconsts::SFieldRangeError, {stored, field.DisplayName(), -limit - 1, limit});
      } else {
        stored = ScaledOrRangeError(Get<double>(in), descr.Scale, limit, field);
      }
      if (descr.SQLType == SQL_SHORT)
        Put(value, static_cast<SmallInt>(stored));
      else
        Put(value, static_cast<Integer>(stored));
      return;
    }
    case SQL_FLOAT:
      Put(value, static_cast<float>(Get<double>(in)));
      return;
    case SQL_INT64:
      if (target.type == ftBCD && !target.rawInt64) {
        const TBcd bcd = Get<TBcd>(in);
        Int64 scaled = 0;
        if (!BcdToScaledInteger(bcd, -descr.Scale, scaled)) {
          const double limit = static_cast<double>(std::numeric_limits<Int64>::max()) * Power10(descr.Scale);
          RangeError(BcdToDouble(bcd), limit, field);
        }
        Put(value, scaled);
      } else if (target.type == ftFloat && !target.rawInt64) {
        // Held as the column's scaled integer, as read: a value nobody changed goes back to
        // the server digit for digit, also when the number the field shows is written back.
        const double number = Get<double>(in);
        if (number != ScaledToDouble(Get<Int64>(value), descr.Scale))
          Put(value, ScaledOrRangeError(number, descr.Scale, std::numeric_limits<Int64>::max(), field));
      } else if (target.type == ftLargeint || target.rawInt64) {
        std::memcpy(value, in, 8);
      } else {
        Put(value, GetInteger(source, target.dataSize));
      }
      return;
    case SQLBooleanLayout:
      Put(value, static_cast<SmallInt>(GetInteger(source, target.dataSize) != 0 ? 1 : 0));
      return;
    // A time of day written as its field shows it, the tenth of a millisecond cut, keeps
    // the tenth: the editors write the time back when only the date changed.
    case SQL_TYPE_TIME: {
      const Integer written = Get<Integer>(in);
      if (written != static_cast<Integer>(Get<ISC_TIME>(value) / TenthsPerMSec))
        Put(value, static_cast<ISC_TIME>(static_cast<Int64>(written) * TenthsPerMSec));
      return;
    }
    case SQL_TIMESTAMP: {
      const double written = Get<double>(in);
      const double stored = Get<double>(value);
      const double shown = std::floor(stored);
      const bool shownTimeOfDay =
          written == std::floor(written) && std::fmod(written, MSecsPerDay) == std::fmod(shown, MSecsPerDay);
      Put(value, shownTimeOfDay ? written + (stored - shown) : written);
      return;
    }
    case SQL_TEXT:
    case SQL_VARYING: {
      const auto* chars = reinterpret_cast<const char*>(in);
      // Binary text and GUIDs are written whole: zero bytes are part of their value.
      std::size_t length = descr.CharKind == ckGuid || descr.IsBinary
                               ? descr.DataSize
                               : strnlen(chars, static_cast<std::size_t>(std::max(target.dataSize, 0)));
      length = std::min<std::size_t>(length, descr.DataSize);
      if (target.trim && !descr.IsBinary && descr.CharKind == ckAnsi)
        while (length > 0 && static_cast<unsigned char>(chars[length - 1]) < 33) --length;
      if (descr.IsStringSlot) return StoreStringArea(record, descr, chars, length, false);
      std::memset(value, 0, descr.DataSize);
      std::memcpy(value, chars, length);
      return;
    }
    default:
      std::memcpy(value, in, std::min<std::size_t>(descr.DataSize, static_cast<std::size_t>(target.dataSize)));
  }
}

namespace {

// The characters of a text column: a string slot's stored length, else up to the first
// zero byte; never more than the column holds.
std::string_view TextAt(const Byte* record, const TFIBFieldDescr& descr) {
  const Byte* value = record + descr.Offset;
  if (descr.IsStringSlot) {
    const auto length = static_cast<std::size_t>(std::clamp<Integer>(Get<Integer>(value), 0, descr.DataSize));
    return {reinterpret_cast<const char*>(value + 4), length};
  }
  const auto* end = static_cast<const Byte*>(std::memchr(value, 0, descr.DataSize));
  return {reinterpret_cast<const char*>(value),
          end == nullptr ? static_cast<std::size_t>(descr.DataSize) : static_cast<std::size_t>(end - value)};
}

// A DB key goes as it is: the parameter becomes a text of the key's length.
void BindRawBytes(const Byte* record, const TFIBFieldDescr& descr, TFIBXSQLVAR& param) {
  const Byte* value = record + descr.Offset + (descr.IsStringSlot ? 4 : 0);
  const Integer length =
      descr.IsStringSlot ? std::clamp<Integer>(Get<Integer>(record + descr.Offset), 0, descr.DataSize) : descr.DataSize;
  std::vector<char> bytes(value, value + length);
  XSQLVAR var{};
  var.sqltype = static_cast<short>(SQL_TEXT | (param.GetIsNullable() ? 1 : 0));
  var.sqllen = static_cast<short>(length);
  var.sqldata = bytes.data();
  short notNull = 0;
  var.sqlind = &notNull;
  param.SetAsXSQLVAR(var);
}

// A moment to the exact tenth of a millisecond; dateNumber counts the class library's days.
void BindMoment(TFIBXSQLVAR& param, Integer dateNumber, ISC_TIME tenths) {
  ISC_TIMESTAMP stamp{dateNumber - IscDateToTimeStampDate, tenths};
  XSQLVAR var{};
  var.sqltype = static_cast<short>(SQL_TIMESTAMP | (param.GetIsNullable() ? 1 : 0));
  var.sqllen = sizeof stamp;
  var.sqldata = reinterpret_cast<char*>(&stamp);
  short notNull = 0;
  var.sqlind = &notNull;
  param.SetAsXSQLVAR(var);
}

}  // namespace

AnsiString MomentText(const Byte* record, const TFIBFieldDescr& descr) {
  const Byte* value = record + descr.Offset;
  const bool stamp = descr.SQLType == SQL_TIMESTAMP;
  const Int64 tenths = stamp ? StampTenths(Get<double>(value)) : Get<ISC_TIME>(value);
  const Int64 ofDay = tenths % TenthsPerDay;
  char text[32];
  const int timeLength =
      std::snprintf(text, sizeof text, "%02d:%02d:%02d.%04d", static_cast<int>(ofDay / (TenthsPerDay / 24)),
                    static_cast<int>(ofDay / 600000 % 60), static_cast<int>(ofDay / 10000 % 60),
                    static_cast<int>(ofDay % 10000));
  const AnsiString time(
      text, static_cast<std::size_t>(std::clamp(timeLength, 0, static_cast<int>(sizeof text) - 1)));
  if (!stamp) return time;
  Word year = 0, month = 0, day = 0;
  const TTimeStamp date{0, static_cast<Integer>(tenths / TenthsPerDay)};
  DecodeDate(TimeStampToDateTime(date), year, month, day);
  std::snprintf(text, sizeof text, "%04u-%02u-%02u ", year, month, day);
  return AnsiString(text) + time;
}

void BindColumnParam(const Byte* record, const TFIBFieldDescr& descr, TFIBXSQLVAR& param) {
  const Byte* value = record + descr.Offset;
  switch (descr.SQLType) {
    case SQL_SHORT:
    case SQL_LONG: {
      const Integer number = descr.SQLType == SQL_SHORT ? Get<SmallInt>(value) : Get<Integer>(value);
      if (descr.Scale >= 0)
        param.SetAsLong(number);
      else
        param.SetAsDouble(static_cast<double>(number) / Power10(-descr.Scale));
      return;
    }
    case SQL_FLOAT:
      param.SetAsDouble(Get<float>(value));
      return;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      param.SetAsDouble(Get<double>(value));
      return;
    case SQL_INT64:
      if (descr.Scale == 0)
        param.SetAsInt64(Get<Int64>(value));
      else
        param.SetAsScaledInt64(Get<Int64>(value), -descr.Scale);
      return;
    case SQL_TIMESTAMP: {
      const Int64 tenths = StampTenths(Get<double>(value));
      // Raises for a moment before the first day, as the class library does.
      const TTimeStamp day = MSecsToTimeStamp(tenths / TenthsPerMSec);
      BindMoment(param, day.Date, static_cast<ISC_TIME>(tenths % TenthsPerDay));
      return;
    }
    case SQL_TYPE_DATE:
      param.SetAsTimeStamp(TTimeStamp{0, Get<Integer>(value)});
      return;
    case SQL_TYPE_TIME:
      // On the class library's day 0, as any time of day is sent.
      BindMoment(param, DateDelta, Get<ISC_TIME>(value));
      return;
    case SQLBooleanLayout:
      param.SetAsBoolean(Get<SmallInt>(value) == 1);
      return;
    case SQL_TEXT:
    case SQL_VARYING:
      if (descr.IsDBKey) return BindRawBytes(record, descr, param);
      if (descr.CharKind == ckGuid) return param.SetAsGuid(Get<TGUID>(value));
      param.SetAsConnectionText(TextAt(record, descr));
      return;
    case SQL_BLOB:
    case SQL_QUAD:
    case SQL_ARRAY:
      param.SetAsQuad(Get<ISC_QUAD>(value));
      return;
    default:
      FIBError(TFIBClientError::InvalidDataConversion);
  }
}

}  // namespace ordvane
