// The grid's own clipboard block, which any program may put on the clipboard. Any bytes
// must give a block or the reader's error, and a block read must write back to the same
// bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "gridoutput/DBGridEhImpExp.h"

using namespace ordvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const RawByteString block(reinterpret_cast<const char*>(data), size);
  TGridCopyCellsEh cells;
  try {
    cells = ReadVCLDBIF(block);
  } catch (const EVCLDBIFError&) {
    return 0;
  }
  if (WriteVCLDBIF(cells) != block) std::abort();
  return 0;
}
