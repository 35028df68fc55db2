#pragma once
// Virtual time for tests: installs a virtual clock for the life of the object and moves
// it forward while the calling thread's timers fire, each at its own due time.

#include "classlib/core/Clock.h"

namespace ordvane::test {

class VirtualTime {
 public:
  VirtualTime() { SetClock(&fClock); }
  ~VirtualTime() { SetClock(nullptr); }
  VirtualTime(const VirtualTime&) = delete;
  VirtualTime& operator=(const VirtualTime&) = delete;

  TVirtualClock& Clock() { return fClock; }
  UInt64 Now() const { return fClock.Milliseconds(); }

  // Moves the time forward by `milliseconds`: stops at every due time of the calling
  // thread's timers on the way and handles the messages there (Application's
  // ProcessMessages), then handles the messages at the end time.
  void Advance(UInt64 milliseconds);

 private:
  TVirtualClock fClock;
};

}  // namespace ordvane::test
