#pragma once
// A process's peak resident size, for the benchmarks that compare whole processes (some of
// them programs of other libraries, which include nothing else of ours).

#include <fstream>
#include <string>

namespace ordvane::bench {

// From the process's own memory map: the peak the kernel keeps per process also holds that
// of the parent that spawned it.
inline long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

}  // namespace ordvane::bench
