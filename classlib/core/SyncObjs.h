#pragma once
// Synchronisation objects within one process: a recursive critical section, a
// multi-read exclusive-write synchronizer, events, and interlocked counters.
//
// The event class is TSyncEvent: TEvent is the class library's method-pointer type.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <type_traits>

#include "classlib/core/Messages.h"

namespace ordvane {

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// A lock that the thread holding it may take again; every Enter needs its Leave.
class TCriticalSection {
 public:
  void Acquire() { fLock.lock(); }
  void Release() { fLock.unlock(); }
  void Enter() { fLock.lock(); }
  void Leave() { fLock.unlock(); }
  bool TryEnter() { return fLock.try_lock(); }
  // For std::lock_guard and std::unique_lock.
  void lock() { fLock.lock(); }
  void unlock() { fLock.unlock(); }

 private:
  std::recursive_mutex fLock;
};

// Many readers or one writer. Both sides may be taken again by the thread holding them, a
// writer may read, and a reader may ask to write: BeginWrite then gives up the read side
// while it waits and answers false when another writer got in meanwhile (what was read
// may have changed). After the last EndWrite such a thread reads again.
class TMultiReadExclusiveWriteSynchronizer {
 public:
  TMultiReadExclusiveWriteSynchronizer() = default;
  TMultiReadExclusiveWriteSynchronizer(const TMultiReadExclusiveWriteSynchronizer&) = delete;
  TMultiReadExclusiveWriteSynchronizer& operator=(const TMultiReadExclusiveWriteSynchronizer&) = delete;

  void BeginRead();
  void EndRead();
  bool BeginWrite();
  void EndWrite();

 private:
  int ReadDepth() const;
  void SetReadDepth(int depth);
  bool IsWriter() const { return fWriter.load() == std::this_thread::get_id(); }

  std::shared_mutex fLock;
  std::atomic<std::thread::id> fWriter{};
  int fWriteDepth = 0;
  std::atomic<UInt64> fWrites{0};
};

// An event: manual reset (stays signalled until ResetEvent) or automatic (one waiter
// takes the signal).
class TSyncEvent {
 public:
  TSyncEvent(bool manualReset, bool initialState) : fManualReset(manualReset), fSignaled(initialState) {}

  void SetEvent();
  void ResetEvent();
  // Waits at most `timeout` milliseconds of real time (INFINITE: no limit).
  TWaitResult WaitFor(Cardinal timeout = INFINITE);

 private:
  std::mutex fLock;
  std::condition_variable fChanged;
  const bool fManualReset;
  bool fSignaled;
};

// Interlocked operations on a variable that other threads (or processes, in shared
// memory) change too. Increment and Decrement answer the new value; Exchange,
// CompareExchange and ExchangeAdd the old one.
template <class T>
concept Interlockable = std::is_integral_v<T> && std::atomic_ref<T>::is_always_lock_free;

template <Interlockable T>
T InterlockedIncrement(T& target) {
  return std::atomic_ref<T>(target).fetch_add(1) + 1;
}
template <Interlockable T>
T InterlockedDecrement(T& target) {
  return std::atomic_ref<T>(target).fetch_sub(1) - 1;
}
template <Interlockable T>
T InterlockedExchange(T& target, T value) {
  return std::atomic_ref<T>(target).exchange(value);
}
template <Interlockable T>
T InterlockedExchangeAdd(T& target, T value) {
  return std::atomic_ref<T>(target).fetch_add(value);
}
template <Interlockable T>
T InterlockedCompareExchange(T& target, T exchange, T comparand) {
  std::atomic_ref<T>(target).compare_exchange_strong(comparand, exchange);
  return comparand;
}

}  // namespace ordvane
