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
#include <functional>
#include <string>

#include "classlib/core/Streams.h"
#include "datasets/FIBMetaCache.h"
#include "tests/fuzz/MemoryFile.h"

using namespace ordvane;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

struct Loader {
  std::function<bool(const std::string&)> load;
  std::function<void(const std::string&)> save;
  std::function<int()> count;
};

const Loader kLoaders[] = {
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
  bool loaded = false;
  try {
    loaded = loader.load(input.Path());
  } catch (const EReadError&) {
    Require(loader.count() == 0);
    return 0;
  }
  if (!loaded) return 0;
  const int count = loader.count();
  const std::string copy =
      (std::filesystem::temp_directory_path() / ("metacache_fuzz_" + std::to_string(getpid()))).string();
  loader.save(copy);
  if (count == 0) {
    Require(!std::filesystem::exists(copy));
    return 0;
  }
  Require(loader.load(copy));
  Require(loader.count() == count);
  std::filesystem::remove(copy);
  return 0;
}
