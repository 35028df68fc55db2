#pragma once
// Checks of invariants that only a fault in this program can break: a broken one stops the
// process at once with the rule it broke. They are compiled into debug builds and into the
// sanitizer builds (ORDVANE_DEBUG_CHECKS) and cost nothing in a release build.

#if !defined(NDEBUG) || defined(ORDVANE_DEBUG_CHECKS)
#define ORDVANE_DEBUG_CHECKS_ENABLED 1
#define ORDVANE_DEBUG_ASSERT(condition, rule) \
  ((condition) ? static_cast<void>(0) : ::ordvane::DebugCheckFailed(rule, __FILE__, __LINE__))
#else
#define ORDVANE_DEBUG_CHECKS_ENABLED 0
#define ORDVANE_DEBUG_ASSERT(condition, rule) static_cast<void>(sizeof((condition) ? 1 : 0))
#endif

namespace ordvane {

// Writes the broken rule and where it was checked to standard error, then aborts.
[[noreturn]] void DebugCheckFailed(const char* rule, const char* file, int line) noexcept;

}  // namespace ordvane
