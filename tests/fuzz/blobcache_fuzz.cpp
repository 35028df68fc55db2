// Blob cache files are read back from the workstation's disk, where anything may have
// happened to them: the header reader never reads or allocates beyond the record, and
// whatever it accepts is written back byte for byte the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "classlib/core/Streams.h"
#include "dbclient/FIBBlobCache.h"

using namespace ordvane;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  TStringStream stream(input);
  TBlobCacheHeader header;
  try {
    header = ReadBlobCacheHeader(stream);
  } catch (const EBlobCacheError&) {
    return 0;
  }
  const Int64 bodyStart = stream.Position();
  Require(static_cast<Int64>(size) - bodyStart == header.BodyLength);
  TStringStream rewritten{AnsiString()};
  WriteBlobCacheRecord(rewritten, header, input.data() + bodyStart);
  Require(rewritten.DataString() == input);
  return 0;
}
