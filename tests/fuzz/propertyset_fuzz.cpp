// Reads the input as a property-set stream. A malformed one may only raise an Exception.

#include <cstddef>
#include <cstdint>

#include "classlib/core/PropertySet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    ordvane::ReadPropertySet(data, size);
  } catch (const ordvane::Exception&) {
  }
  return 0;
}
