#pragma once
// Threads of the class library. A TThread runs Execute on a thread of its own and hands
// work to the main thread through that thread's message queue: Synchronize waits for
// the main thread to run it, Queue does not.

#include <atomic>
#include <condition_variable>
#include <exception>
#include <future>
#include <mutex>
#include <thread>

#include "classlib/core/Events.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(EThread, Exception);

using TThreadID = Cardinal;
using TThreadMethod = TEvent<void()>;

// The system's number for the calling thread.
TThreadID GetCurrentThreadId();
// The thread that started the program.
bool IsMainThread();

class TThread {
 public:
  // A thread is made suspended; Start runs it. (Execute is virtual, so it cannot start
  // while the derived object is still being built.)
  TThread();
  // A started thread must have ended before this destructor runs: Execute may use the
  // members of the derived class, which are gone by then. So every derived class whose
  // thread can still run calls TerminateAndWait in its own destructor. Debug builds stop
  // with an assertion when one forgets; release builds still terminate and wait here.
  // A thread with FreeOnTerminate ends before it deletes itself and needs nothing.
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Start();
  // Asks Execute to end; Execute looks at Terminated.
  void Terminate() { fTerminated.store(true); }
  bool Terminated() const { return fTerminated.load(); }
  bool Finished() const { return fFinished.load(); }
  // Waits for Execute to end and answers ReturnValue. On the main thread, Synchronize and
  // Queue calls of other threads keep running meanwhile.
  int WaitFor();

  // With FreeOnTerminate the object deletes itself on its own thread when Execute ends;
  // nobody may touch it after Start.
  bool FreeOnTerminate() const { return fFreeOnTerminate; }
  void SetFreeOnTerminate(bool value) { fFreeOnTerminate = value; }

  TThreadID ThreadID() const { return fThreadID; }
  int ReturnValue() const { return fReturnValue; }
  // The exception that ended Execute, if any.
  std::exception_ptr FatalException() const { return fFatalException; }

  // Runs `method` on the main thread and waits for it; its exception is raised here.
  // From the main thread the method runs at once.
  static void Synchronize(TThread* thread, const TThreadMethod& method);
  // Hands `method` to the main thread without waiting (from the main thread it runs at
  // once). Calls queued by `thread` that have not run when it is destroyed are dropped.
  static void Queue(TThread* thread, const TThreadMethod& method);
  static void RemoveQueuedEvents(TThread* thread);

 protected:
  virtual void Execute() = 0;
  void Synchronize(const TThreadMethod& method) { Synchronize(this, method); }
  void Queue(const TThreadMethod& method) { Queue(this, method); }
  void SetReturnValue(int value) { fReturnValue = value; }
  // For the destructors of derived classes: asks Execute to end and waits for it, unless
  // the thread never started, has ended, frees itself or is the calling thread. Raises
  // nothing.
  void TerminateAndWait() noexcept;

 private:
  void Run(std::promise<void> started);
  bool RunsOn(std::thread::id thread);

  std::thread fThread;
  std::mutex fStateLock;
  std::condition_variable fStateChanged;
  std::atomic<bool> fTerminated{false};
  std::atomic<bool> fFinished{false};
  bool fStarted = false;
  bool fFreeOnTerminate = false;
  TThreadID fThreadID = 0;
  int fReturnValue = 0;
  std::exception_ptr fFatalException;
};

}  // namespace ordvane
