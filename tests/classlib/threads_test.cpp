#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "classlib/core/Application.h"
#include "classlib/core/DebugChecks.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/SyncObjs.h"
#include "classlib/core/Threads.h"

namespace ordvane {
namespace {

// A thread whose Execute is given by the test.
class LambdaThread : public TThread {
 public:
  explicit LambdaThread(std::function<void(LambdaThread&)> body) : fBody(std::move(body)) {}
  ~LambdaThread() override {
    TerminateAndWait();
    if (onDestroy) onDestroy();
  }
  using TThread::Queue;
  using TThread::SetReturnValue;
  using TThread::Synchronize;
  std::function<void()> onDestroy;

 protected:
  void Execute() override { fBody(*this); }

 private:
  std::function<void(LambdaThread&)> fBody;
};

TEST(Threads, SynchronizeRunsOnTheMainThreadWhileItWaits) {
  std::thread::id ranOn;
  std::vector<int> steps;
  LambdaThread worker([&](LambdaThread& self) {
    steps.push_back(1);
    self.Synchronize([&] {
      ranOn = std::this_thread::get_id();
      steps.push_back(2);
    });
    steps.push_back(3);  // only after the main thread ran the method
    self.SetReturnValue(42);
  });
  worker.Start();
  EXPECT_NE(worker.ThreadID(), GetCurrentThreadId());
  EXPECT_EQ(worker.WaitFor(), 42);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(steps, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(worker.Finished());
}

TEST(Threads, SynchronizeIsServedByTheMessageLoop) {
  std::atomic<bool> done{false};
  LambdaThread worker([&](LambdaThread& self) {
    int value = 0;
    self.Synchronize([&] { value = 5; });
    // The exception of a synchronized method comes back to the thread that asked.
    try {
      self.Synchronize([] { throw EConvertError("bad"); });
    } catch (const EConvertError& e) {
      value += e.Message() == "bad" ? 1 : 100;
    }
    self.SetReturnValue(value);
    self.Queue([&] { done = true; });
    // The queued call may run while the loop below looks for a message, before it waits
    // for the next one: a message then ends that wait.
    TMessageQueue::Main()->Post(TMsg{0, WM_NULL, 0, 0, 0});
  });
  worker.Start();
  while (!done) Application->HandleMessage();
  EXPECT_EQ(worker.WaitFor(), 6);
}

TEST(Threads, QueuedCallsRunInOrderAndDieWithTheirThread) {
  std::vector<int> order;
  {
    LambdaThread worker([&](LambdaThread& self) {
      for (int i = 1; i <= 3; ++i) self.Queue([&order, i] { order.push_back(i); });
    });
    worker.Start();
    worker.WaitFor();  // the main thread runs queued calls while it waits
  }
  Application->ProcessMessages();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));

  order.clear();
  std::atomic<bool> queued{false};
  auto* worker = new LambdaThread([&](LambdaThread& self) {
    self.Queue([&order] { order.push_back(99); });
    queued = true;
  });
  worker->Start();
  while (!queued) std::this_thread::yield();
  // Wait without serving calls, then destroy: the call that captured the thread goes.
  while (!worker->Finished()) std::this_thread::yield();
  delete worker;
  Application->ProcessMessages();
  EXPECT_TRUE(order.empty());
}

TEST(Threads, FreeOnTerminateDeletesItself) {
  TSyncEvent destroyed(true, false);
  auto* worker = new LambdaThread([](LambdaThread&) {});
  worker->onDestroy = [&] { destroyed.SetEvent(); };
  worker->SetFreeOnTerminate(true);
  worker->Start();
  EXPECT_EQ(destroyed.WaitFor(5000), wrSignaled);
}

TEST(Threads, TerminateEndsALoopAndDestructionWaits) {
  std::atomic<int> rounds{0};
  {
    LambdaThread worker([&](LambdaThread& self) {
      while (!self.Terminated()) {
        ++rounds;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    worker.Start();
    while (rounds < 3) std::this_thread::yield();
  }  // destroyed while running: terminated and waited for
  int after = rounds;
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(rounds, after);
}

// A class that forgets to end its thread in its own destructor.
class ForgetfulThread : public TThread {
 public:
  std::atomic<bool> running{false};

 protected:
  void Execute() override {
    running = true;
    while (!Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
};

TEST(ThreadsDeathTest, AThreadRunningIntoTheBaseDestructorIsRefused) {
#if ORDVANE_DEBUG_CHECKS_ENABLED
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        ForgetfulThread thread;
        thread.Start();
        while (!thread.running) std::this_thread::yield();
      },
      "TerminateAndWait");
#else
  GTEST_SKIP() << "debug checks are off in this build";
#endif
}

TEST(Threads, ExceptionsAndMisuse) {
  LambdaThread failing([](LambdaThread&) { throw EInvalidOperation("broken"); });
  EXPECT_THROW(failing.WaitFor(), EThread);  // never started
  failing.Start();
  EXPECT_THROW(failing.Start(), EThread);
  failing.WaitFor();
  ASSERT_TRUE(failing.FatalException());
  EXPECT_THROW(std::rethrow_exception(failing.FatalException()), EInvalidOperation);

  std::string message;
  LambdaThread self([&](LambdaThread& t) {
    try {
      t.WaitFor();
    } catch (const EThread& e) {
      message = e.Message();
    }
  });
  self.Start();
  self.WaitFor();
  EXPECT_EQ(message, "A thread cannot wait for itself");
}

TEST(SyncObjs, CriticalSectionIsRecursiveAndExclusive) {
  TCriticalSection section;
  section.Enter();
  EXPECT_TRUE(section.TryEnter());  // the holder may enter again
  std::atomic<bool> otherGotIn{true};
  std::thread([&] { otherGotIn = section.TryEnter(); }).join();
  EXPECT_FALSE(otherGotIn);
  section.Leave();
  section.Leave();
  std::thread([&] {
    otherGotIn = section.TryEnter();
    if (otherGotIn) section.Leave();
  }).join();
  EXPECT_TRUE(otherGotIn);
}

TEST(SyncObjs, SynchronizerIsReentrantOnBothSides) {
  TMultiReadExclusiveWriteSynchronizer sync;
  // A writer may write and read again without waiting for itself.
  EXPECT_TRUE(sync.BeginWrite());
  EXPECT_TRUE(sync.BeginWrite());
  sync.BeginRead();
  sync.EndRead();
  sync.EndWrite();
  sync.EndWrite();

  // A reader reads again while a writer waits for it, without a deadlock.
  sync.BeginRead();
  std::atomic<bool> wrote{false};
  std::thread writer([&] {
    sync.BeginWrite();
    wrote = true;
    sync.EndWrite();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  sync.BeginRead();
  EXPECT_FALSE(wrote);
  sync.EndRead();
  sync.EndRead();
  writer.join();
  EXPECT_TRUE(wrote);
}

TEST(SyncObjs, PromotionTellsWhetherAnotherWriterGotIn) {
  TMultiReadExclusiveWriteSynchronizer sync;
  sync.BeginRead();
  EXPECT_TRUE(sync.BeginWrite());  // nobody else: what was read still holds
  sync.EndWrite();

  // Another writer waits for this reader; promoting lets it in first.
  std::atomic<bool> waiting{false};
  std::thread writer([&] {
    waiting = true;
    sync.BeginWrite();
    sync.EndWrite();
  });
  while (!waiting) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(sync.BeginWrite());
  sync.EndWrite();
  sync.EndRead();
  writer.join();

  // After the reader's write ends, its read side is back: a writer must wait for it.
  sync.BeginRead();
  sync.BeginWrite();
  sync.EndWrite();
  std::atomic<bool> wrote{false};
  std::thread late([&] {
    sync.BeginWrite();
    wrote = true;
    sync.EndWrite();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(wrote);
  sync.EndRead();
  late.join();
  EXPECT_TRUE(wrote);
}

TEST(SyncObjs, SynchronizerKeepsWritersApart) {
  TMultiReadExclusiveWriteSynchronizer sync;
  int a = 0, b = 0;  // a writer keeps them equal; a reader must never see them differ
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (t % 2 == 0) {
          sync.BeginWrite();
          ++a;
          std::this_thread::yield();
          ++b;
          sync.EndWrite();
        } else {
          sync.BeginRead();
          if (a != b) ++mismatches;
          sync.EndRead();
        }
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(a, 4000);
  EXPECT_EQ(b, 4000);
}

TEST(SyncObjs, EventsWaitSignalAndTimeOut) {
  TSyncEvent manual(true, false);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(manual.WaitFor(30), wrTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
  manual.SetEvent();
  EXPECT_EQ(manual.WaitFor(0), wrSignaled);
  EXPECT_EQ(manual.WaitFor(0), wrSignaled);  // stays set
  manual.ResetEvent();
  EXPECT_EQ(manual.WaitFor(0), wrTimeout);

  // An automatic event lets one waiter through per signal.
  TSyncEvent automatic(false, false);
  std::atomic<int> through{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (automatic.WaitFor(2000) == wrSignaled) ++through;
    });
  automatic.SetEvent();
  while (through < 1) std::this_thread::yield();
  automatic.SetEvent();
  while (through < 2) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(through, 2);
  automatic.SetEvent();
  for (auto& w : waiters) w.join();
  EXPECT_EQ(through, 3);
}

TEST(SyncObjs, InterlockedCountersAreExactUnderContention) {
  Integer counter = 0;
  Int64 total = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        InterlockedIncrement(counter);
        InterlockedExchangeAdd(total, Int64(3));
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 40000);
  EXPECT_EQ(total, 120000);
  EXPECT_EQ(InterlockedDecrement(counter), 39999);
  EXPECT_EQ(InterlockedExchange(counter, 5), 39999);
  EXPECT_EQ(InterlockedCompareExchange(counter, 9, 4), 5);  // no match: unchanged
  EXPECT_EQ(counter, 5);
  EXPECT_EQ(InterlockedCompareExchange(counter, 9, 5), 5);
  EXPECT_EQ(counter, 9);
}

}  // namespace
}  // namespace ordvane
