#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/Timers.h"
#include "tests/support/VirtualTime.h"

namespace ordvane {
namespace {

// A receiver that logs each WM_TIMER as (timer id, milliseconds since the test began).
class TimerLog {
 public:
  explicit TimerLog(test::VirtualTime& time)
      : fTime(time), fStart(time.Now()), fWnd(AllocateHWnd([this](TMessage& m) { Handle(m); })) {}
  ~TimerLog() { DeallocateHWnd(fWnd); }

  HWND Wnd() const { return fWnd; }
  std::vector<std::pair<UINT_PTR, UInt64>> ticks;
  std::function<void(UINT_PTR id)> onTimer;

 private:
  void Handle(TMessage& m) {
    if (m.Msg != WM_TIMER) return;
    ticks.emplace_back(m.WParam, fTime.Now() - fStart);
    if (onTimer) onTimer(m.WParam);
  }
  test::VirtualTime& fTime;
  UInt64 fStart;
  HWND fWnd;
};

using Ticks = std::vector<std::pair<UINT_PTR, UInt64>>;

TEST(Timers, FireInTheOrderTheirTimesPass) {
  test::VirtualTime time;
  TimerLog log(time);
  ASSERT_EQ(SetTimer(log.Wnd(), 3, 30), 3u);
  ASSERT_EQ(SetTimer(log.Wnd(), 1, 20), 1u);
  ASSERT_EQ(SetTimer(log.Wnd(), 2, 20), 2u);  // due with timer 1: fires after it
  time.Advance(19);
  EXPECT_TRUE(log.ticks.empty());
  time.Advance(41);
  EXPECT_EQ(log.ticks, (Ticks{{1, 20}, {2, 20}, {3, 30}, {1, 40}, {2, 40}, {3, 60}, {1, 60}, {2, 60}}));
}

TEST(Timers, RearmingAndRestartingKeepTheirRhythm) {
  test::VirtualTime time;
  TimerLog log(time);
  SetTimer(log.Wnd(), 1, 60);
  time.Advance(180);
  EXPECT_EQ(log.ticks, (Ticks{{1, 60}, {1, 120}, {1, 180}}));

  // Setting the same id again starts it afresh with the new interval.
  time.Advance(30);
  SetTimer(log.Wnd(), 1, 100);
  time.Advance(99);
  EXPECT_EQ(log.ticks.size(), 3u);
  time.Advance(1);
  EXPECT_EQ(log.ticks.back(), (std::pair<UINT_PTR, UInt64>{1, 310}));

  // A timer that was not served for a long time fires once, not once per interval missed.
  log.ticks.clear();
  time.Clock().Advance(1000);
  Application->ProcessMessages();
  EXPECT_EQ(log.ticks.size(), 1u);
}

TEST(Timers, ShortIntervalsHaveATenMillisecondFloor) {
  test::VirtualTime time;
  TimerLog log(time);
  SetTimer(log.Wnd(), 1, 0);
  SetTimer(log.Wnd(), 2, 5);
  time.Advance(9);
  EXPECT_TRUE(log.ticks.empty());
  time.Advance(11);
  EXPECT_EQ(log.ticks, (Ticks{{1, 10}, {2, 10}, {1, 20}, {2, 20}}));
}

TEST(Timers, KilledInsideItsOwnHandlerNeverFiresAgain) {
  test::VirtualTime time;
  TimerLog log(time);
  log.onTimer = [&](UINT_PTR id) {
    EXPECT_TRUE(KillTimer(log.Wnd(), id));
    if (id == 1) KillTimer(log.Wnd(), 2);  // due at the same moment, not yet fired
  };
  SetTimer(log.Wnd(), 1, 10);
  SetTimer(log.Wnd(), 2, 10);
  SetTimer(log.Wnd(), 3, 15);
  time.Advance(100);
  EXPECT_EQ(log.ticks, (Ticks{{1, 10}, {3, 15}}));
  EXPECT_FALSE(KillTimer(log.Wnd(), 1));
}

TEST(Timers, ASlowHandlerDoesNotHoldProcessMessages) {
  test::VirtualTime time;
  TimerLog log(time);
  log.onTimer = [](UINT_PTR) { Sleep(25); };  // longer than the interval
  SetTimer(log.Wnd(), 1, 10);
  time.Clock().Advance(10);
  Application->ProcessMessages();
  EXPECT_EQ(log.ticks.size(), 1u);
  Application->ProcessMessages();
  EXPECT_EQ(log.ticks.size(), 2u);
}

TEST(Timers, GoWithTheirWindow) {
  test::VirtualTime time;
  HWND wnd = AllocateHWnd([](TMessage&) { FAIL() << "a freed window got a message"; });
  SetTimer(wnd, 1, 10);
  DeallocateHWnd(wnd);
  time.Advance(50);
  EXPECT_EQ(SetTimer(wnd, 1, 10), 0u);
  UInt64 due;
  EXPECT_FALSE(TMessageQueue::Current()->NextTimerDue(due));
}

TEST(Timers, PostedMessagesComeBeforeTimers) {
  test::VirtualTime time;
  TimerLog log(time);
  SetTimer(log.Wnd(), 1, 10);
  time.Clock().Advance(10);
  PostMessage(log.Wnd(), WM_USER, 0, 0);
  TMsg msg;
  ASSERT_TRUE(GetMessage(msg, 0, 0, 0));
  EXPECT_EQ(msg.message, WM_USER);
  ASSERT_TRUE(GetMessage(msg, 0, 0, 0));
  EXPECT_EQ(msg.message, WM_TIMER);
  EXPECT_EQ(msg.wParam, 1u);
  // Without removal the timer stays due; the filter can leave it out.
  EXPECT_FALSE(PeekMessage(msg, 0, WM_USER, WM_USER, PM_REMOVE));
  time.Clock().Advance(10);
  EXPECT_TRUE(PeekMessage(msg, 0, 0, 0, PM_NOREMOVE));
  EXPECT_TRUE(PeekMessage(msg, 0, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PeekMessage(msg, 0, 0, 0, PM_REMOVE));
}

TEST(Timers, GetMessageWaitsForTheVirtualClock) {
  test::VirtualTime time;
  TimerLog log(time);
  const UInt64 start = time.Now();
  SetTimer(log.Wnd(), 1, 50);
  std::thread advancer([&] {
    for (int i = 0; i < 5; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      time.Clock().Advance(10);
    }
  });
  TMsg msg;
  ASSERT_TRUE(GetMessage(msg, 0, 0, 0));
  advancer.join();
  EXPECT_EQ(msg.message, WM_TIMER);
  EXPECT_EQ(time.Now() - start, 50u);
}

TEST(Timers, RealClockTimerArrives) {
  HWND wnd = AllocateHWnd([](TMessage&) {});
  UInt64 start = GetTickCount64();
  SetTimer(wnd, 7, 15);
  TMsg msg;
  ASSERT_TRUE(GetMessage(msg, wnd, WM_TIMER, WM_TIMER));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_GE(GetTickCount64() - start, 14u);
  DeallocateHWnd(wnd);
}

// The calling thread's next timer, relative to now; -1 without one.
Int64 NextTimerIn(test::VirtualTime& time) {
  UInt64 due = 0;
  return TMessageQueue::Current()->NextTimerDue(due) ? static_cast<Int64>(due - time.Now()) : -1;
}

TEST(TTimer, RunsOnlyWhenEnabledWithAnIntervalAndAHandler) {
  test::VirtualTime time;
  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_EQ(NextTimerIn(time), -1);  // no handler, no system timer

  std::vector<UInt64> ticks;
  const UInt64 start = time.Now();
  timer.SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ticks.push_back(time.Now() - start);
  });
  EXPECT_EQ(NextTimerIn(time), 1000);
  timer.SetInterval(300);
  time.Advance(650);
  EXPECT_EQ(ticks, (std::vector<UInt64>{300, 600}));

  timer.SetInterval(300);  // unchanged: keeps counting
  EXPECT_EQ(NextTimerIn(time), 250);
  timer.SetEnabled(true);
  EXPECT_EQ(NextTimerIn(time), 250);
  timer.SetInterval(100);  // changed: starts afresh
  EXPECT_EQ(NextTimerIn(time), 100);

  timer.SetEnabled(false);
  EXPECT_EQ(NextTimerIn(time), -1);
  time.Advance(500);
  EXPECT_EQ(ticks.size(), 2u);
  timer.SetEnabled(true);
  timer.SetInterval(0);
  EXPECT_EQ(NextTimerIn(time), -1);
  timer.SetInterval(50);
  timer.SetOnTimer(nullptr);
  EXPECT_EQ(NextTimerIn(time), -1);
}

TEST(TTimer, AFailingHandlerIsReportedAndTheTimerGoesOn) {
  test::VirtualTime time;
  TTimer timer(nullptr);
  timer.SetInterval(10);
  int calls = 0;
  timer.SetOnTimer([&](TObject*) {
    ++calls;
    throw EConvertError("tick failed");
  });
  std::vector<std::pair<TObject*, AnsiString>> reports;
  Application->OnException = [&](TObject* sender, Exception& e) { reports.emplace_back(sender, e.Message()); };
  time.Advance(30);
  Application->OnException = nullptr;
  EXPECT_EQ(calls, 3);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].first, &timer);
  EXPECT_EQ(reports[0].second, "tick failed");
}

TEST(TTimer, MayBeFreedInsideItsOwnHandlerOrByItsOwner) {
  test::VirtualTime time;
  auto* owner = new TComponent(nullptr);
  auto* selfFreeing = new TTimer(owner);
  auto* owned = new TTimer(owner);
  int selfTicks = 0, ownedTicks = 0;
  selfFreeing->SetInterval(10);
  selfFreeing->SetOnTimer([&](TObject* sender) {
    ++selfTicks;
    delete sender;
  });
  owned->SetInterval(10);
  owned->SetOnTimer([&](TObject*) { ++ownedTicks; });
  time.Advance(50);
  EXPECT_EQ(selfTicks, 1);
  EXPECT_EQ(ownedTicks, 5);
  EXPECT_EQ(owner->ComponentCount(), 1);
  delete owner;
  EXPECT_EQ(NextTimerIn(time), -1);
  time.Advance(50);
  EXPECT_EQ(ownedTicks, 5);
}

TEST(TTimer, BelongsToTheThreadThatMadeIt) {
  TTimer timer(nullptr);
  timer.SetInterval(10);
  std::string message;
  std::thread([&] {
    try {
      timer.SetOnTimer([](TObject*) {});
    } catch (const EOutOfResources& e) {
      message = e.Message();
    }
  }).join();
  EXPECT_EQ(message, "Not enough timers available");
}

TEST(Clock, TickCountWrapsAt32Bits) {
  TVirtualClock clock(0xFFFFFFF0ull);
  SetClock(&clock);
  Cardinal before = GetTickCount();
  Sleep(0x20);  // a virtual sleep moves the time
  Cardinal after = GetTickCount();
  SetClock(nullptr);
  EXPECT_EQ(before, 0xFFFFFFF0u);
  EXPECT_EQ(after, 0x10u);
  EXPECT_EQ(static_cast<Cardinal>(after - before), 0x20u);
  EXPECT_EQ(clock.Milliseconds(), 0x100000010ull);
}

}  // namespace
}  // namespace ordvane
