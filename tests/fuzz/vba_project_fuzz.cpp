// Any byte sequence read as the module directory of a macro project fills the module
// list or fails with one of the reader's exceptions; nothing else may happen.

#include <cstddef>
#include <cstdint>
#include <span>

#include "import/SMVBA.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ordvane::TVBAProjectItems items;
  try {
    ordvane::ReadVBAModuleDirectory(std::span<const std::uint8_t>(data, size), items);
  } catch (const ordvane::Exception&) {
  }
  return 0;
}
