#include "classlib/core/SyncObjs.h"

#include <chrono>
#include <unordered_map>

namespace ordvane {

namespace {

// How often each thread holds the read side of each synchronizer; only non-zero counts
// are kept.
std::unordered_map<const void*, int>& ReadDepths() {
  thread_local std::unordered_map<const void*, int> depths;
  return depths;
}

}  // namespace

int TMultiReadExclusiveWriteSynchronizer::ReadDepth() const {
  auto it = ReadDepths().find(this);
  return it == ReadDepths().end() ? 0 : it->second;
}

void TMultiReadExclusiveWriteSynchronizer::SetReadDepth(int depth) {
  if (depth == 0)
    ReadDepths().erase(this);
  else
    ReadDepths()[this] = depth;
}

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  int depth = ReadDepth();
  // A thread that already reads or writes holds enough: locking again could wait for a
  // writer that waits for this very thread.
  if (depth == 0 && !IsWriter()) fLock.lock_shared();
  SetReadDepth(depth + 1);
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  int depth = ReadDepth();
  if (depth == 0) return;
  SetReadDepth(depth - 1);
  if (depth == 1 && !IsWriter()) fLock.unlock_shared();
}

bool TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  if (IsWriter()) {
    ++fWriteDepth;
    return true;
  }
  const UInt64 writesBefore = fWrites.load();
  if (ReadDepth() > 0) fLock.unlock_shared();
  fLock.lock();
  fWriter.store(std::this_thread::get_id());
  fWriteDepth = 1;
  return fWrites.fetch_add(1) == writesBefore;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  if (!IsWriter() || --fWriteDepth > 0) return;
  fWriter.store(std::thread::id());
  fLock.unlock();
  if (ReadDepth() > 0) fLock.lock_shared();
}

void TSyncEvent::SetEvent() {
  // Notified under the lock: a waiter that wakes may free the event at once, and must
  // not find this call still using it.
  std::lock_guard guard(fLock);
  fSignaled = true;
  if (fManualReset)
    fChanged.notify_all();
  else
    fChanged.notify_one();
}

void TSyncEvent::ResetEvent() {
  std::lock_guard guard(fLock);
  fSignaled = false;
}

TWaitResult TSyncEvent::WaitFor(Cardinal timeout) {
  std::unique_lock lock(fLock);
  auto signaled = [this] { return fSignaled; };
  if (timeout == INFINITE)
    fChanged.wait(lock, signaled);
  else if (!fChanged.wait_for(lock, std::chrono::milliseconds(timeout), signaled))
    return wrTimeout;
  if (!fManualReset) fSignaled = false;
  return wrSignaled;
}

}  // namespace ordvane
