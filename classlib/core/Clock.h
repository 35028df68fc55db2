#pragma once
// The clock behind tick counts, message times, timers and Sleep. The program runs on the
// real monotonic clock; tests install a virtual clock and move time by hand, so timers
// fire exactly when a test says time has passed.

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "classlib/core/System.h"

namespace ordvane {

class TClock {
 public:
  virtual ~TClock() = default;
  // Milliseconds on a monotonic scale with an arbitrary origin.
  virtual UInt64 Milliseconds() const = 0;
  virtual void Sleep(Cardinal milliseconds) = 0;
  // Blocks on `cv` (whose mutex `lock` holds) until it is notified or this clock reaches
  // `deadline`; a spurious return is possible, so the caller checks its condition again.
  virtual void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, UInt64 deadline) = 0;
};

class TRealClock : public TClock {
 public:
  UInt64 Milliseconds() const override;
  void Sleep(Cardinal milliseconds) override;
  void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, UInt64 deadline) override;
};

// Time stands still until Advance, AdvanceTo or Sleep moves it; Sleep returns at once
// after moving the time forward, so code that sleeps in a loop still makes progress.
// Every move wakes the threads that wait for a time (message queues waiting for a timer).
class TVirtualClock : public TClock {
 public:
  explicit TVirtualClock(UInt64 start = 3600000) : fNow(start) {}

  UInt64 Milliseconds() const override { return fNow.load(); }
  void Sleep(Cardinal milliseconds) override { Advance(milliseconds); }
  void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, UInt64 deadline) override;

  void Advance(UInt64 milliseconds);
  // Moves the time to `time` (never backwards).
  void AdvanceTo(UInt64 time);

 private:
  std::atomic<UInt64> fNow;
};

// The process's clock: the real one unless a test installed another. SetClock(nullptr)
// goes back to the real clock; the caller keeps an installed clock alive until then.
TClock& Clock();
void SetClock(TClock* clock);

// Called (with no lock held) whenever the time of the current clock jumps or the clock is
// replaced, so that waiters can look at their deadlines again.
using TClockChangeHandler = void (*)();
void AddClockChangeHandler(TClockChangeHandler handler);

// Milliseconds of the current clock, truncated to 32 bits (wraps after 49.7 days).
Cardinal GetTickCount();
UInt64 GetTickCount64();
void Sleep(Cardinal milliseconds);

}  // namespace ordvane
