// The metadata cache files are read back from the workstation's disk, where anything may
// have happened to them. The first byte chooses the loader (tables, dataset settings,
// error messages), the rest is the file. A loader either takes the file, and then writes
// back what reads again to as many entries, or raises the stream read error with its
// collection empty; it never reads or allocates beyond the bytes given.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "classlib/core/Streams.h"
#include "datasets/FIBMetaCache.h"
#include "tests/fuzz/MemoryFile.h"

using namespace ordvane;

namespace {

// The file the round trip saves to, removed on every path: an abort runs no destructor.
class TRoundTripFile {
 public:
  TRoundTripFile()
      : fPath((std::filesystem::temp_directory_path() / ("metacache_fuzz_" + std::to_string(getpid()))).string()) {}
  ~TRoundTripFile() { Remove(); }
  TRoundTripFile(const TRoundTripFile&) = delete;
  TRoundTripFile& operator=(const TRoundTripFile&) = delete;
  const std::string& Path() const { return fPath; }
  void Require(bool condition) const {
    if (condition) return;
    Remove();
    std::abort();
  }

 private:
  void Remove() const {
    std::error_code error;
    std::filesystem::remove(fPath, error);
  }
  std::string fPath;
};

struct Loader {
  bool (*load)(const std::string&);
  void (*save)(const std::string&);
  int (*count)();
};

constexpr Loader kLoaders[] = {
    {[](const std::string& file) { return FIBTableInfoCollect().LoadFromFile(file, nullptr); },
     [](const std::string& file) { FIBTableInfoCollect().SaveToFile(file); },
     [] { return FIBTableInfoCollect().Count(); }},
    {[](const std::string& file) { return FIBDataSetInfoCollect().LoadFromFile(file); },
     [](const std::string& file) { FIBDataSetInfoCollect().SaveToFile(file); },
     [] { return FIBDataSetInfoCollect().Count(); }},
    {[](const std::string& file) { return FIBErrorMessagesCollect().LoadFromFile(file); },
     [](const std::string& file) { FIBErrorMessagesCollect().SaveToFile(file); },
     [] { return FIBErrorMessagesCollect().Count(); }},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Loader& loader = kLoaders[data[0] % 3];
  const test::MemoryFile input(data + 1, size - 1);
  const TRoundTripFile copy;
  bool loaded = false;
  try {
    loaded = loader.load(input.Path());
  } catch (const EReadError&) {
    copy.Require(loader.count() == 0);
    return 0;
  }
  if (!loaded) return 0;
  const int count = loader.count();
  loader.save(copy.Path());
  if (count == 0) {
    copy.Require(!std::filesystem::exists(copy.Path()));
    return 0;
  }
  copy.Require(loader.load(copy.Path()));
  copy.Require(loader.count() == count);
  return 0;
}
