// Any byte sequence given to the macro-source decompression either decompresses, within
// 4096 bytes per chunk, or fails with the project error; nothing else may happen.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "import/SMVBADecompress.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto source = ordvane::VBADecompress(std::span<const std::uint8_t>(data, size));
    // Every chunk takes at least 3 bytes of input and gives at most 4096 bytes.
    if (source.size() > (size / 3 + 1) * ordvane::VBAChunkSize) std::abort();
  } catch (const ordvane::EVBAProjectError&) {
  }
  return 0;
}
