// Handler lists, the idle timer on the virtual clock and on two threads, and blob filters.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "classlib/core/MessageQueue.h"
#include "dbclient/FIBCallBacks.h"
#include "tests/support/VirtualTime.h"

namespace ordvane {
namespace {

// A component with two handlers that count their calls.
class Listener : public TComponent {
  ORDVANE_CLASS(Listener, TComponent)

 public:
  using TComponent::TComponent;
  void First(TObject*) { ++firstCalls; }
  void Second(TObject*) { ++secondCalls; }
  int firstCalls = 0;
  int secondCalls = 0;
};

void CallAll(const TNotifyEventList& list, TObject* sender) {
  for (int i = 0; i < list.Count(); ++i)
    if (auto method = list.GetMethod(i)) method(sender);
}

TEST(CallBackList, EachHandlerIsListedOnceAndLeavesWithItsComponent) {
  TNotifyEventList list(nullptr);
  auto* listener = new Listener(nullptr);
  EXPECT_EQ(list.Add(listener, &Listener::First), 0);
  EXPECT_EQ(list.Add(listener, &Listener::Second), 1);
  EXPECT_EQ(list.Add(listener, &Listener::First), 0);
  TNotifyEvent lambda = [](TObject*) {};
  EXPECT_EQ(list.Add(lambda), 2);
  EXPECT_EQ(list.Add(lambda), 2);
  EXPECT_EQ(list.Add([](TObject*) {}), 3);  // another callable is another handler
  EXPECT_EQ(list.Count(), 4);

  CallAll(list, nullptr);
  EXPECT_EQ(listener->firstCalls, 1);
  EXPECT_EQ(listener->secondCalls, 1);

  list.Remove(listener, &Listener::Second);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_FALSE(list.GetMethod(3).Assigned());
  EXPECT_FALSE(list.GetMethod(-1).Assigned());

  // The listener dies first: its handler must not stay behind to be called.
  delete listener;
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetMethod(0), lambda);
  CallAll(list, nullptr);
}

TEST(CallBackList, TheListDyingFirstLeavesTheComponentClean) {
  Listener listener(nullptr);
  {
    TNotifyEventList list(nullptr);
    list.Add(&listener, &Listener::First);
  }
  // The listener no longer refers to the dead list: its own death notifies nobody.
  listener.SetName("StillFine");
}

TEST(CallBackList, AHandlerMayRemoveItselfWhileTheListIsWalked) {
  TNotifyEventList list(nullptr);
  int calls = 0;
  TNotifyEvent once;
  once = [&](TObject*) {
    ++calls;
    list.Remove(once);
  };
  list.Add(once);
  list.Add([&](TObject*) { ++calls; });
  CallAll(list, nullptr);
  EXPECT_EQ(list.Count(), 1);
  CallAll(list, nullptr);
  // The walk by index skips the handler that moved into the removed one's place; the
  // next walk reaches it.
  EXPECT_EQ(calls, 2);
}

TEST(CallBackList, TwoThreadsChangeItWhileAThirdWalksIt) {
  TCallBackList<void(int)> list(nullptr);
  std::atomic<bool> stop{false};
  std::atomic<long> walked{0};
  std::thread reader([&] {
    while (!stop) {
      for (int i = 0; i < list.Count(); ++i)
        if (auto method = list.GetMethod(i)) method(i);
    }
  });
  auto churn = [&](std::vector<TEvent<void(int)>>& mine) {
    for (int round = 0; round < 200; ++round) {
      for (auto& method : mine) list.Add(method);
      for (std::size_t k = 0; k < mine.size(); k += 2) list.Remove(mine[k]);
    }
  };
  std::vector<TEvent<void(int)>> a, b;
  for (int i = 0; i < 10; ++i) {
    a.emplace_back([&](int) { ++walked; });
    b.emplace_back([&](int) { ++walked; });
  }
  std::thread first([&] { churn(a); });
  std::thread second([&] { churn(b); });
  first.join();
  second.join();
  stop = true;
  reader.join();
  // Each thread leaves its odd-numbered handlers, each listed once.
  EXPECT_EQ(list.Count(), 10);
}

TEST(FIBTimer, FiresOnTheVirtualClockOnlyWithAHandler) {
  test::VirtualTime time;
  auto queue = TMessageQueue::Current();
  TFIBTimer timer(nullptr);
  UInt64 due = 0;
  EXPECT_FALSE(queue->NextTimerDue(due)) << "a timer without OnTimer was set";
  timer.SetInterval(1000);
  EXPECT_FALSE(queue->NextTimerDue(due));

  int ticks = 0;
  timer.SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  });
  ASSERT_TRUE(queue->NextTimerDue(due));
  EXPECT_EQ(due, time.Now() + 1000);
  time.Advance(999);
  EXPECT_EQ(ticks, 0);
  time.Advance(1);
  EXPECT_EQ(ticks, 1);
  // Setting the same interval does not restart the count; a new one does.
  time.Advance(500);
  timer.SetInterval(1000);
  time.Advance(500);
  EXPECT_EQ(ticks, 2);
  timer.SetInterval(300);
  time.Advance(900);
  EXPECT_EQ(ticks, 5);
  timer.SetEnabled(false);
  time.Advance(5000);
  EXPECT_EQ(ticks, 5);
  EXPECT_FALSE(queue->NextTimerDue(due));
}

TEST(FIBTimer, ADestroyedTimerLeavesNothingDue) {
  test::VirtualTime time;
  int ticks = 0;
  {
    TFIBTimer timer(nullptr);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
  }
  UInt64 due = 0;
  EXPECT_FALSE(TMessageQueue::Current()->NextTimerDue(due));
  time.Advance(10000);
  EXPECT_EQ(ticks, 0);
}

TEST(FIBTimer, EachTimerFiresOnTheThreadThatMadeIt) {
  test::VirtualTime time;
  const auto mainThread = std::this_thread::get_id();
  std::atomic<int> workerTicks{0};
  std::atomic<bool> workerReady{false};
  std::atomic<bool> wrongThread{false};
  std::thread worker([&] {
    const auto self = std::this_thread::get_id();
    TFIBTimer timer(nullptr);
    timer.SetInterval(100);
    timer.SetOnTimer([&](TObject*) {
      if (std::this_thread::get_id() != self) wrongThread = true;
      ++workerTicks;
    });
    workerReady = true;
    while (workerTicks < 3) {
      WaitMessage();
      TMsg msg;
      while (PeekMessage(msg, 0, 0, 0, PM_REMOVE)) DispatchMessage(msg);
    }
  });
  while (!workerReady) std::this_thread::yield();

  int mainTicks = 0;
  TFIBTimer timer(nullptr);
  timer.SetInterval(250);
  timer.SetOnTimer([&](TObject*) {
    if (std::this_thread::get_id() != mainThread) wrongThread = true;
    ++mainTicks;
  });
  // Move time in small steps so that the worker sees each of its due times.
  while (workerTicks < 3) {
    time.Advance(10);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  worker.join();
  EXPECT_FALSE(wrongThread);
  EXPECT_EQ(mainTicks, static_cast<int>((time.Now() - 3600000) / 250));
}

TEST(BlobFilters, OnlyUserSubTypesWithDataAreFiltered) {
  TBlobFilterList filters;
  filters.RegisterFilter(-5, [](RawByteString& d) { d = "read:" + d; }, [](RawByteString& d) { d = "write:" + d; });
  filters.RegisterFilter(-9, [](RawByteString& d) { d += "!"; }, nullptr);
  filters.RegisterFilter(-5, [](RawByteString& d) { d = "later"; }, nullptr);
  filters.RegisterFilter(1, [](RawByteString& d) { d = "text"; }, nullptr);
  int index;
  EXPECT_TRUE(filters.Find(-5, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(filters.Find(-6, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(filters.Find(7, index));
  EXPECT_EQ(index, 4);

  RawByteString data = "x";
  ApplyBlobFilter(filters, data, true, -5);
  EXPECT_EQ(data, "read:x");
  ApplyBlobFilter(filters, data, false, -5);
  EXPECT_EQ(data, "write:read:x");
  ApplyBlobFilter(filters, data, false, -9);  // no write filter
  ApplyBlobFilter(filters, data, true, -2);   // no filter at all
  ApplyBlobFilter(filters, data, true, 1);    // system sub-types are never filtered
  EXPECT_EQ(data, "write:read:x");
  RawByteString empty;
  ApplyBlobFilter(filters, empty, true, -9);
  EXPECT_EQ(empty, "");
}

}  // namespace
}  // namespace ordvane
