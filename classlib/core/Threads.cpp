#include "classlib/core/Threads.h"

#include <unistd.h>

#include "classlib/core/MessageQueue.h"

namespace ordvane {

TThreadID GetCurrentThreadId() { return static_cast<TThreadID>(gettid()); }

bool IsMainThread() { return TMessageQueue::Main()->Owner() == std::this_thread::get_id(); }

TThread::TThread() = default;

TThread::~TThread() {
  bool ownThread;
  {
    std::lock_guard guard(fStateLock);
    ownThread = fThread.get_id() == std::this_thread::get_id();
  }
  if (fStarted && !ownThread) {
    if (!Finished()) {
      Terminate();
      WaitFor();
    }
    std::lock_guard guard(fStateLock);
    if (fThread.joinable()) fThread.join();
  }
  RemoveQueuedEvents(this);
}

void TThread::Start() {
  std::unique_lock lock(fStateLock);
  if (fStarted) throw EThread("Cannot call Start on a running or terminated thread");
  fStarted = true;
  fThread = std::thread([this] { Run(); });
  // The new thread reports its number before Start returns, and it cannot finish (and
  // detach itself) before fThread holds it: it needs the lock held here.
  fStateChanged.wait(lock, [this] { return fThreadID != 0; });
}

void TThread::Run() {
  {
    std::lock_guard guard(fStateLock);
    fThreadID = GetCurrentThreadId();
  }
  fStateChanged.notify_all();
  try {
    Execute();
  } catch (...) {
    fFatalException = std::current_exception();
  }
  bool freeSelf;
  {
    std::lock_guard guard(fStateLock);
    fFinished.store(true);
    freeSelf = fFreeOnTerminate;
    if (freeSelf) fThread.detach();
  }
  fStateChanged.notify_all();
  TMessageQueue::Main()->Wake();
  if (freeSelf) delete this;
}

int TThread::WaitFor() {
  {
    std::lock_guard guard(fStateLock);
    if (!fStarted) throw EThread("Cannot wait for a thread that was never started");
    if (fFreeOnTerminate) throw EThread("Cannot wait for a thread that frees itself");
    if (fThread.get_id() == std::this_thread::get_id()) throw EThread("A thread cannot wait for itself");
  }
  if (IsMainThread()) {
    TMessageQueue::Main()->WaitServicingCalls([this] { return Finished(); });
  } else {
    std::unique_lock lock(fStateLock);
    fStateChanged.wait(lock, [this] { return Finished(); });
  }
  std::lock_guard guard(fStateLock);
  if (fThread.joinable()) fThread.join();
  return fReturnValue;
}

void TThread::Synchronize(TThread*, const TThreadMethod& method) {
  if (!TMessageQueue::Main()->SendCall([&method] { method(); }))
    throw EThread("The main thread has ended");
}

void TThread::Queue(TThread* thread, const TThreadMethod& method) {
  if (IsMainThread())
    method();
  else
    TMessageQueue::Main()->PostCall([method] { method(); }, thread);
}

void TThread::RemoveQueuedEvents(TThread* thread) { TMessageQueue::Main()->RemoveCalls(thread); }

}  // namespace ordvane
