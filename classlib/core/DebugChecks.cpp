#include "classlib/core/DebugChecks.h"

#include <cstdio>
#include <cstdlib>

namespace ordvane {

void DebugCheckFailed(const char* rule, const char* file, int line) noexcept {
  std::fprintf(stderr, "%s:%d: broken rule: %s\n", file, line, rule);
  std::abort();
}

}  // namespace ordvane
