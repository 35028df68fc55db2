#include "dbclient/pFIBArray.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "classlib/core/DateTime.h"
#include "classlib/db/Fields.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBVariants.h"
#include "dbclient/FIBXSQLDA.h"
#include "dbclient/fib.h"

namespace ordvane {

namespace {

// The client's names are 31 characters and a terminating zero.
constexpr std::size_t kMaxDescriptorNameLength = sizeof(ISC_ARRAY_DESC::array_desc_field_name) - 1;

TFieldType FieldTypeOfElement(int elementType) {
  switch (elementType) {
    case blr_short:
      return ftSmallint;
    case blr_long:
      return ftInteger;
    case blr_float:
    case blr_d_float:
    case blr_double:
      return ftFloat;
    case blr_sql_date:
      return ftDate;
    case blr_sql_time:
      return ftTime;
    case blr_text:
    case blr_varying:
      return ftString;
    case blr_int64:
      return ftBCD;
    case blr_timestamp:
      return ftDateTime;
    default:
      return ftUnknown;
  }
}

template <class T>
T Load(const char* slot) {
  T value;
  std::memcpy(&value, slot, sizeof value);
  return value;
}

template <class T>
void Store(char* slot, T value) {
  std::memcpy(slot, &value, sizeof value);
}

// A scaled integer element as a number: exact integers for scale 0, else the quotient by
// the power of ten (one correctly rounded division while the integer is exact).
Variant ScaledValue(Int64 value, int places) {
  if (places == 0) {
    if (value >= std::numeric_limits<Integer>::min() && value <= std::numeric_limits<Integer>::max())
      return Variant(static_cast<Integer>(value));
    return Variant(static_cast<long long>(value));
  }
  return Variant(static_cast<double>(value) / Power10(places));
}

// The element value times 10^places as an integer of the element's range; client error 33
// when it does not fit.
Int64 ScaledInteger(const Variant& element, int places, Int64 low, Int64 high) {
  Int64 result = 0;
  if (places == 0 && VarTypeIsInteger(element.VType())) {
    result = element.AsInt64();
  } else {
    const double scaled = std::round(element.AsDouble() * Power10(places));
    // 2^63 as a double: the first value beyond the range of Int64.
    if (!std::isfinite(scaled) || scaled < -9223372036854775808.0 || scaled >= 9223372036854775808.0)
      FIBError(TFIBClientError::InvalidDataConversion);
    result = static_cast<Int64>(scaled);
  }
  if (result < low || result > high) FIBError(TFIBClientError::InvalidDataConversion);
  return result;
}

ISC_DATE EncodeDate(TDateTime value) {
  return DateTimeToTimeStamp(value).Date - IscDateToTimeStampDate;
}
ISC_TIME EncodeTime(TDateTime value) {
  return static_cast<ISC_TIME>(DateTimeToTimeStamp(value).Time) * 10;
}
TDateTime DecodeTimeStamp(ISC_DATE date, ISC_TIME time) {
  return TimeStampToDateTime(TTimeStamp{static_cast<Integer>(time / 10), date + IscDateToTimeStampDate});
}

// Text elements travel as zero-ended text from the start of their slot (a VARYING slot
// has 2 bytes more than the element's length). A text longer than the element, or one
// with a zero byte that would end it early, raises client error 33.
void StoreText(const AnsiString& text, char* slot, std::size_t room) {
  if (text.size() > room || text.find('\0') != AnsiString::npos) FIBError(TFIBClientError::InvalidDataConversion);
  std::copy(text.begin(), text.end(), slot);
}

}  // namespace

TpFIBArray::TpFIBArray(IIBClientLibraryPtr clientLibrary, isc_db_handle* dbHandle, isc_tr_handle* trHandle,
                       const AnsiString& relationName, const AnsiString& fieldName)
    : fLibrary(std::move(clientLibrary)), fRelationName(relationName), fFieldName(fieldName) {
  if (fRelationName.size() > kMaxDescriptorNameLength || fFieldName.size() > kMaxDescriptorNameLength)
    FIBError(TFIBClientError::FieldIsNotArray, {QualifiedName()});
  if (fLibrary->isc_array_lookup_bounds(StatusVector(), dbHandle, trHandle, fRelationName.c_str(),
                                        fFieldName.c_str(), &fDescriptor) != 0)
    RaiseServerError();
  // The server describes a column that is no array without complaint, as one without
  // dimensions.
  if (fDescriptor.array_desc_dimensions <= 0 || fDescriptor.array_desc_dimensions > 16)
    FIBError(TFIBClientError::FieldIsNotArray, {QualifiedName()});
  fFieldType = FieldTypeOfElement(fDescriptor.array_desc_dtype);
}

TpFIBArray::~TpFIBArray() = default;

AnsiString TpFIBArray::QualifiedName() const {
  return fRelationName + "." + fFieldName;
}

void TpFIBArray::RaiseServerError() const {
  IBError(*fLibrary, nullptr);
}

ISC_ARRAY_BOUND TpFIBArray::GetBounds(int dimension) const {
  if (dimension < 0 || dimension >= DimensionCount()) FIBError(TFIBClientError::DimensionDoesNotExist, {dimension, QualifiedName()});
  return fDescriptor.array_desc_bounds[dimension];
}

Integer TpFIBArray::ElementSize(const ISC_ARRAY_DESC& descriptor) {
  return descriptor.array_desc_length + (descriptor.array_desc_dtype == blr_varying ? 2 : 0);
}

Integer TpFIBArray::SliceSize(const ISC_ARRAY_DESC& descriptor) {
  Integer count = 1;
  const int dimensions = std::clamp<int>(descriptor.array_desc_dimensions, 0, 16);
  for (int i = 0; i < dimensions; ++i) {
    const ISC_ARRAY_BOUND& bound = descriptor.array_desc_bounds[i];
    count *= std::max(0, bound.array_bound_upper - bound.array_bound_lower + 1);
  }
  return count * ElementSize(descriptor);
}

std::vector<Integer> TpFIBArray::VariantBounds() const {
  std::vector<Integer> bounds;
  for (int i = 0; i < DimensionCount(); ++i) {
    bounds.push_back(fDescriptor.array_desc_bounds[i].array_bound_lower);
    bounds.push_back(fDescriptor.array_desc_bounds[i].array_bound_upper);
  }
  return bounds;
}

Variant TpFIBArray::ReadElement(const char* slot) const {
  const int places = GetScale();
  switch (fDescriptor.array_desc_dtype) {
    case blr_short:
      return ScaledValue(Load<ISC_SHORT>(slot), places);
    case blr_long:
      return ScaledValue(Load<ISC_LONG>(slot), places);
    case blr_int64:
      return ScaledValue(Load<ISC_INT64>(slot), places);
    case blr_float:
      return Variant(static_cast<double>(Load<float>(slot)));
    case blr_d_float:
    case blr_double:
      return Variant(Load<double>(slot));
    case blr_sql_date:
      return VarFromDateTime(DecodeTimeStamp(Load<ISC_DATE>(slot), 0));
    case blr_sql_time:
      return VarFromDateTime(TimeStampToDateTime(TTimeStamp{static_cast<Integer>(Load<ISC_TIME>(slot) / 10), 0}));
    case blr_timestamp: {
      const auto value = Load<ISC_TIMESTAMP>(slot);
      return VarFromDateTime(DecodeTimeStamp(value.timestamp_date, value.timestamp_time));
    }
    case blr_text:
    case blr_varying:
      return Variant(AnsiString(slot, strnlen(slot, fDescriptor.array_desc_length)));
    default:
      return Variant();
  }
}

Variant TpFIBArray::GetSliceAsVariant(ISC_QUAD arrayID, isc_db_handle* dbHandle, isc_tr_handle* trHandle) const {
  Variant result = SafeVarArrayCreate(VariantBounds(), DimensionCount(), varVariant);
  const Integer sliceSize = GetSliceSize();
  std::vector<char> buffer(static_cast<std::size_t>(sliceSize) + 1, 0);
  ISC_LONG length = sliceSize;
  if (fLibrary->isc_array_get_slice(StatusVector(), dbHandle, trHandle, &arrayID, &fDescriptor, buffer.data(),
                                    &length) != 0)
    RaiseServerError();
  const Integer elementSize = ElementSize(fDescriptor);
  Integer offset = 0;
  VarArrayForEachUpdate(result, [&](Variant& element, const std::vector<Integer>&, Integer, bool&) {
    if (length == 0 || offset + elementSize > sliceSize) {
      element = Null();
    } else {
      try {
        element = ReadElement(buffer.data() + offset);
      } catch (const EConvertError&) {
        // A date the class library cannot represent stays unset.
        element = Variant();
      }
    }
    offset += elementSize;
  });
  return result;
}

void TpFIBArray::WriteElement(const Variant& element, char* slot) const {
  const int places = GetScale();
  const std::size_t length = fDescriptor.array_desc_length;
  switch (fDescriptor.array_desc_dtype) {
    case blr_short:
      Store(slot, static_cast<ISC_SHORT>(ScaledInteger(element, places, std::numeric_limits<ISC_SHORT>::min(),
                                                       std::numeric_limits<ISC_SHORT>::max())));
      return;
    case blr_long:
      Store(slot, static_cast<ISC_LONG>(ScaledInteger(element, places, std::numeric_limits<ISC_LONG>::min(),
                                                      std::numeric_limits<ISC_LONG>::max())));
      return;
    case blr_int64:
      Store(slot, static_cast<ISC_INT64>(ScaledInteger(element, places, std::numeric_limits<ISC_INT64>::min(),
                                                       std::numeric_limits<ISC_INT64>::max())));
      return;
    case blr_float: {
      const double value = element.AsDouble();
      if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) FIBError(TFIBClientError::InvalidDataConversion);
      Store(slot, static_cast<float>(value));
      return;
    }
    case blr_d_float:
    case blr_double:
      Store(slot, element.AsDouble());
      return;
    case blr_sql_date:
      Store(slot, EncodeDate(element.AsDateTime()));
      return;
    case blr_sql_time:
      Store(slot, EncodeTime(element.AsDateTime()));
      return;
    case blr_timestamp: {
      const TDateTime value = element.AsDateTime();
      Store(slot, ISC_TIMESTAMP{EncodeDate(value), EncodeTime(value)});
      return;
    }
    case blr_text:
      // Fixed-length text is blank-padded, as the server pads CHAR values.
      std::memset(slot, ' ', length);
      StoreText(element.AsString(), slot, length);
      return;
    case blr_varying:
      // Zeroed first, so that a shorter text than the slot held before still ends.
      std::memset(slot, 0, length + 2);
      StoreText(element.AsString(), slot, length);
      return;
    default:
      FIBError(TFIBClientError::InvalidDataConversion);
  }
}

void TpFIBArray::VariantToSlice(const Variant& value, std::vector<char>& buffer) const {
  if (!VarIsArray(value)) FIBError(TFIBClientError::InvalidDataConversion);
  if (VarArrayDimCount(value) > DimensionCount()) FIBError(TFIBClientError::DimensionDoesNotExist, {VarArrayDimCount(value), QualifiedName()});
  const Integer sliceSize = GetSliceSize();
  const Integer elementSize = ElementSize(fDescriptor);
  buffer.assign(static_cast<std::size_t>(sliceSize) + 1, 0);
  Integer offset = 0;
  VarArrayForEach(value, [&](Variant& element, const std::vector<Integer>&, Integer, bool&) {
    // The slice holds exactly the column's elements: one more would be written past it.
    if (offset + elementSize > sliceSize) FIBError(TFIBClientError::InvalidDataConversion);
    if (!VarIsNull(element) && !VarIsEmpty(element)) WriteElement(element, buffer.data() + offset);
    offset += elementSize;
  });
}

void TpFIBArray::PutSlice(std::vector<char>& buffer, ISC_QUAD& arrayID, isc_db_handle* dbHandle,
                          isc_tr_handle* trHandle) const {
  ISC_LONG length = GetSliceSize();
  if (buffer.size() < static_cast<std::size_t>(length)) FIBError(TFIBClientError::InvalidDataConversion);
  if (fLibrary->isc_array_put_slice(StatusVector(), dbHandle, trHandle, &arrayID, &fDescriptor, buffer.data(),
                                    &length) != 0)
    RaiseServerError();
}

void TpFIBArray::SetArrayValues(const Variant& value, ISC_QUAD& arrayID, isc_db_handle* dbHandle,
                                isc_tr_handle* trHandle) const {
  std::vector<char> buffer;
  VariantToSlice(value, buffer);
  PutSlice(buffer, arrayID, dbHandle, trHandle);
}

Variant TpFIBArray::GetFieldArrayValues(TField& field, isc_db_handle* dbHandle, isc_tr_handle* trHandle) const {
  // The field's value is the id itself; any other size would be read past the id.
  if (field.DataSize() != static_cast<Integer>(sizeof(ISC_QUAD))) FIBError(TFIBClientError::InvalidDataConversion);
  ISC_QUAD arrayID{};
  if (!field.GetData(&arrayID)) arrayID = ISC_QUAD{};
  return GetSliceAsVariant(arrayID, dbHandle, trHandle);
}

void TpFIBArray::SetFieldArrayValues(const Variant& value, TField& field, isc_db_handle* dbHandle,
                                     isc_tr_handle* trHandle) const {
  if (field.DataSize() != static_cast<Integer>(sizeof(ISC_QUAD))) FIBError(TFIBClientError::InvalidDataConversion);
  ISC_QUAD arrayID{};
  SetArrayValues(value, arrayID, dbHandle, trHandle);
  field.SetData(&arrayID);
}

}  // namespace ordvane
