#pragma once
// Reading of property-set streams (the document properties that compound files keep in
// streams such as "\x05SummaryInformation"): the first section's properties with their
// identifiers and typed values. Every offset and length is checked against the stream;
// one that runs past it raises EReadError.

#include <cstddef>
#include <vector>

#include "classlib/core/SysUtils.h"

namespace ordvane {

class TCompoundStream;

// Type tags of the values that are decoded; other tags are kept with no value.
constexpr Cardinal ptInteger = 3;    // 32-bit signed integer
constexpr Cardinal ptString = 30;    // 8-bit string with its 32-bit byte length
constexpr Cardinal ptFileTime = 64;  // 100-ns intervals since 1 January 1601 (UTC)

struct TPropertySetValue {
  Cardinal Id = 0;
  Cardinal Type = 0;
  Integer AsInteger = 0;  // ptInteger
  AnsiString AsString;    // ptString: the bytes before the first zero byte
  UInt64 AsFileTime = 0;  // ptFileTime
};

// The properties of the first section, in the order of its property table.
std::vector<TPropertySetValue> ReadPropertySet(const Byte* data, std::size_t size);
// The same for a whole stream, read from its start.
std::vector<TPropertySetValue> ReadPropertySet(TCompoundStream stream);

}  // namespace ordvane
