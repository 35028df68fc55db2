#pragma once
// The fuzz input as a file that lives in memory, for readers that take a file name.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace ordvane::test {

class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : fHandle(memfd_create("fuzz_input", MFD_CLOEXEC)) {
    for (std::size_t done = 0; fHandle >= 0 && done < size;) {
      const ssize_t written = write(fHandle, data + done, size - done);
      if (written <= 0) break;
      done += static_cast<std::size_t>(written);
    }
  }
  ~MemoryFile() {
    if (fHandle >= 0) close(fHandle);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::string Path() const { return "/proc/self/fd/" + std::to_string(fHandle); }

 private:
  int fHandle;
};

}  // namespace ordvane::test
