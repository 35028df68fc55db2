// Opens the input as a compound file and reads everything it holds: every storage, every
// stream whole and in pieces, and past its end. A malformed file may only raise an
// Exception; a crash, a hang or a read out of bounds is a finding.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "classlib/core/CompoundFile.h"

namespace {

using namespace ordvane;

void ReadStream(TCompoundStream stream) {
  std::vector<Byte> buffer(1000);
  while (stream.Read(buffer.data(), buffer.size()) > 0) {
  }
  stream.SetPosition(stream.Size() / 3);
  stream.Read(buffer.data(), 77);
}

void Walk(const TCompoundStorage& storage) {
  for (const TCompoundElement& e : storage.Elements()) {
    try {
      if (e.Type == TCompoundElementType::Storage)
        Walk(storage.OpenStorage(e.Name));
      else
        ReadStream(storage.OpenStream(e.Name));
    } catch (const Exception&) {
      // One damaged element does not stop the walk over the others.
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    Walk(TCompoundFile::OpenMemory(data, size).Root());
  } catch (const Exception&) {
  }
  return 0;
}
