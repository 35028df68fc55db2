#pragma once
// An ending that runs when a scope is left, however it is left, and whose own error
// reaches the caller instead of ending the process.

#include <exception>
#include <utility>

namespace ordvane {

// Runs an ending when the scope is left. While an error unwinds, that error is the one
// the caller sees: a second one from the ending gives way to it.
template <class Ending>
class TScopeEnd {
 public:
  explicit TScopeEnd(Ending ending) : fEnding(std::move(ending)) {}
  ~TScopeEnd() noexcept(false) {
    if (std::uncaught_exceptions() == fUncaught) {
      fEnding();
      return;
    }
    try {
      fEnding();
    } catch (...) {
    }
  }
  TScopeEnd(const TScopeEnd&) = delete;
  TScopeEnd& operator=(const TScopeEnd&) = delete;

 private:
  Ending fEnding;
  int fUncaught = std::uncaught_exceptions();
};

}  // namespace ordvane
