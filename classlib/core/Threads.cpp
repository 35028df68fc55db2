#include "classlib/core/Threads.h"

#include <unistd.h>

#include "classlib/core/DebugChecks.h"
#include "classlib/core/MessageQueue.h"

namespace ordvane {

TThreadID GetCurrentThreadId() { return static_cast<TThreadID>(gettid()); }

bool IsMainThread() { return TMessageQueue::Main()->Owner() == std::this_thread::get_id(); }

TThread::TThread() = default;

TThread::~TThread() {
  if (fStarted && !RunsOn(std::this_thread::get_id())) {
    ORDVANE_DEBUG_ASSERT(Finished(), "a started thread ends in the destructor of its own class (TerminateAndWait)");
    TerminateAndWait();
    std::lock_guard guard(fStateLock);
    if (fThread.joinable()) fThread.join();
  }
  RemoveQueuedEvents(this);
}

bool TThread::RunsOn(std::thread::id thread) {
  std::lock_guard guard(fStateLock);
  return fThread.get_id() == thread;
}

void TThread::TerminateAndWait() noexcept {
  if (!fStarted || fFreeOnTerminate || Finished() || RunsOn(std::this_thread::get_id())) return;
  Terminate();
  try {
    WaitFor();
  } catch (...) {
    // WaitFor raises only for the cases excluded above.
  }
}

void TThread::Start() {
  std::future<void> started;
  {
    std::lock_guard guard(fStateLock);
    if (fStarted) throw EThread("Cannot call Start on a running or terminated thread");
    fStarted = true;
    std::promise<void> promise;
    started = promise.get_future();
    // The new thread cannot finish (and detach itself) before fThread holds it: it needs
    // the lock held here.
    fThread = std::thread([this, promise = std::move(promise)]() mutable { Run(std::move(promise)); });
  }
  // From here on a thread with FreeOnTerminate may have deleted the object: the wait for
  // its number uses a state of its own.
  started.wait();
}

void TThread::Run(std::promise<void> started) {
  {
    std::lock_guard guard(fStateLock);
    fThreadID = GetCurrentThreadId();
  }
  started.set_value();
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
  if (!TMessageQueue::Main()->SendCall([method] { method(); }))
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
