#include "classlib/core/Clock.h"

#include <chrono>
#include <thread>
#include <vector>

namespace ordvane {

namespace {

TRealClock& RealClock() {
  static TRealClock clock;
  return clock;
}

std::atomic<TClock*>& CurrentClock() {
  static std::atomic<TClock*> clock{&RealClock()};
  return clock;
}

struct ChangeHandlers {
  std::mutex lock;
  std::vector<TClockChangeHandler> handlers;
};

ChangeHandlers& Handlers() {
  static ChangeHandlers handlers;
  return handlers;
}

void NotifyClockChanged() {
  std::vector<TClockChangeHandler> handlers;
  {
    std::lock_guard guard(Handlers().lock);
    handlers = Handlers().handlers;
  }
  for (TClockChangeHandler handler : handlers) handler();
}

}  // namespace

UInt64 TRealClock::Milliseconds() const {
  using namespace std::chrono;
  return static_cast<UInt64>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TRealClock::Sleep(Cardinal milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void TRealClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, UInt64 deadline) {
  UInt64 now = Milliseconds();
  if (deadline <= now) return;
  cv.wait_for(lock, std::chrono::milliseconds(deadline - now));
}

void TVirtualClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, UInt64 deadline) {
  // Only a notification can end the wait: the queue's own, or the one every move of the
  // time sends through the change handlers.
  if (deadline <= Milliseconds()) return;
  cv.wait(lock);
}

void TVirtualClock::Advance(UInt64 milliseconds) {
  fNow.fetch_add(milliseconds);
  NotifyClockChanged();
}

void TVirtualClock::AdvanceTo(UInt64 time) {
  UInt64 now = fNow.load();
  while (now < time && !fNow.compare_exchange_weak(now, time)) {
  }
  NotifyClockChanged();
}

TClock& Clock() { return *CurrentClock().load(); }

void SetClock(TClock* clock) {
  CurrentClock().store(clock ? clock : &RealClock());
  NotifyClockChanged();
}

void AddClockChangeHandler(TClockChangeHandler handler) {
  std::lock_guard guard(Handlers().lock);
  Handlers().handlers.push_back(handler);
}

Cardinal GetTickCount() { return static_cast<Cardinal>(Clock().Milliseconds()); }

UInt64 GetTickCount64() { return Clock().Milliseconds(); }

void Sleep(Cardinal milliseconds) { Clock().Sleep(milliseconds); }

}  // namespace ordvane
