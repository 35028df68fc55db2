#pragma once
// The native formats in which field values cross between a dataset and its fields:
//
//   ftString, ftFixedChar, ftGuid   zero-terminated 8-bit text, Size + 1 bytes
//   ftWideString                    zero-terminated UTF-16, (Size + 1) * 2 bytes
//   ftSmallint / ftWord             int16 / uint16
//   ftInteger, ftAutoInc            int32
//   ftLargeint                      int64
//   ftBoolean                       16-bit, 0 false and anything else true
//   ftFloat, ftCurrency             double
//   ftBCD                           TBcd
//   ftDate                          int32: the day of the time stamp (1 January 0001 is 1)
//   ftTime                          int32: milliseconds since midnight
//   ftDateTime                      double: milliseconds since the start of the time-stamp
//                                   calendar (day 1 * 86400000 is 1 January 0001, 00:00)
//   ftBytes                         Size bytes
//   ftVarBytes                      uint16 length, then Size bytes
//   blobs                           none: their data goes through blob streams
//
// Field classes work with TDateTime for dates and times, Currency for BCD and WideString
// objects for wide text; ConvertNativeData turns one into the other.

#include <cstddef>
#include <cstring>
#include <vector>

#include "classlib/core/DateTime.h"
#include "classlib/db/DBTypes.h"

namespace ordvane {

// A zeroed scratch area for one field value, on the stack for the sizes nearly every field
// has: every field write of an import passes through one.
class TFieldValueBuffer {
 public:
  explicit TFieldValueBuffer(std::size_t size) : fHeap(size > kStackSize ? size : 0) {
    if (size <= kStackSize) std::memset(fStack, 0, size);
  }
  TFieldValueBuffer(const TFieldValueBuffer&) = delete;
  TFieldValueBuffer& operator=(const TFieldValueBuffer&) = delete;

  Byte* Data() { return fHeap.empty() ? fStack : fHeap.data(); }

 private:
  static constexpr std::size_t kStackSize = 256;
  alignas(std::max_align_t) Byte fStack[kStackSize];
  std::vector<Byte> fHeap;
};

// Bytes a value of the type and size takes; 0 for types without native data.
Integer NativeDataSize(TFieldType type, Integer size);

// ftDate, ftTime and ftDateTime values between TDateTime and the native form. A native
// value that names no valid date or time raises EConvertError.
void DateTimeToNative(TFieldType type, TDateTime value, void* native);
TDateTime NativeToDateTime(TFieldType type, const void* native);

// Converts a value of a field of the type and size between the native form and the one
// the field class works with; dataSize bytes are copied for types that need no
// conversion.
void ConvertNativeData(TFieldType type, Integer size, const void* source, void* dest, bool toNative,
                       Integer dataSize);

}  // namespace ordvane
