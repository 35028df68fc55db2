#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "classlib/core/Application.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/MessageQueue.h"
#include "tests/support/VirtualTime.h"

namespace ordvane {
namespace {

// A hidden receiver that records what reaches it.
class Receiver {
 public:
  Receiver() : fWnd(AllocateHWnd([this](TMessage& m) { Handle(m); })) {}
  ~Receiver() { DeallocateHWnd(fWnd); }

  HWND Wnd() const { return fWnd; }
  std::vector<UINT> received;
  std::function<void(TMessage&)> onMessage;

 private:
  void Handle(TMessage& m) {
    received.push_back(m.Msg);
    if (onMessage) onMessage(m);
  }
  HWND fWnd;
};

// Drains whatever an earlier test left in the main thread's queue.
class MessageQueueTest : public testing::Test {
 protected:
  void SetUp() override { Drain(); }
  void TearDown() override {
    Drain();
    Application->OnException = nullptr;
  }
  static void Drain() {
    TMsg msg;
    while (PeekMessage(msg, 0, 0, 0, PM_REMOVE)) {
    }
  }
};

constexpr UINT A = WM_USER + 1;
constexpr UINT B = WM_USER + 2;
constexpr UINT C = WM_USER + 3;

TEST_F(MessageQueueTest, PeekRemovesOnlyTheFilteredMessageAndKeepsOrder) {
  Receiver r;
  ASSERT_TRUE(PostMessage(r.Wnd(), A, 0, 0));
  ASSERT_TRUE(PostMessage(r.Wnd(), B, 0, 0));
  ASSERT_TRUE(PostMessage(r.Wnd(), C, 0, 0));

  TMsg msg;
  ASSERT_TRUE(PeekMessage(msg, r.Wnd(), B, B, PM_NOREMOVE));
  EXPECT_EQ(msg.message, B);
  ASSERT_TRUE(PeekMessage(msg, r.Wnd(), B, B, PM_REMOVE));
  EXPECT_EQ(msg.message, B);
  EXPECT_FALSE(PeekMessage(msg, r.Wnd(), B, B, PM_REMOVE));

  Application->ProcessMessages();
  EXPECT_EQ(r.received, (std::vector<UINT>{A, C}));
}

TEST_F(MessageQueueTest, WindowFilterAndThreadMessages) {
  Receiver r1, r2;
  PostMessage(r1.Wnd(), A, 1, 0);
  PostMessage(r2.Wnd(), B, 2, 0);
  PostMessage(0, C, 3, 0);  // a thread message: no window receives it

  TMsg msg;
  ASSERT_TRUE(PeekMessage(msg, r2.Wnd(), 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, r2.Wnd());
  EXPECT_EQ(msg.wParam, 2u);
  ASSERT_TRUE(PeekMessage(msg, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, r1.Wnd());
  ASSERT_TRUE(PeekMessage(msg, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, 0u);
  EXPECT_EQ(msg.message, C);
  EXPECT_EQ(DispatchMessage(msg), 0);
  EXPECT_TRUE(r1.received.empty());
  EXPECT_TRUE(r2.received.empty());
}

TEST_F(MessageQueueTest, NestedProcessMessagesHandlesTheRestInOrder) {
  Receiver r;
  std::vector<std::string> log;
  r.onMessage = [&](TMessage& m) {
    log.push_back("begin " + std::to_string(m.Msg - WM_USER));
    if (m.Msg == A) {
      PostMessage(r.Wnd(), C, 0, 0);  // posted during the outer handler
      Application->ProcessMessages();
    }
    log.push_back("end " + std::to_string(m.Msg - WM_USER));
  };
  PostMessage(r.Wnd(), A, 0, 0);
  PostMessage(r.Wnd(), B, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"begin 1", "begin 2", "end 2", "begin 3", "end 3", "end 1"}));
}

TEST_F(MessageQueueTest, ThrowingHandlerIsReportedAndTheLoopGoesOn) {
  Receiver r;
  r.onMessage = [](TMessage& m) {
    if (m.Msg == A) throw EConvertError("bad value");
    if (m.Msg == B) throw EAbort();
    if (m.Msg == C) throw std::runtime_error("plain");
  };
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, Exception& e) { reported.push_back(e.Message()); };
  for (UINT m : {A, B, C, WM_USER}) PostMessage(r.Wnd(), m, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(r.received, (std::vector<UINT>{A, B, C, WM_USER}));
  EXPECT_EQ(reported, (std::vector<std::string>{"bad value", "plain"}));  // EAbort is silent
}

TEST_F(MessageQueueTest, FailingExceptionHandlerGoesToStandardError) {
  Receiver r;
  r.onMessage = [](TMessage&) { throw Exception("first"); };
  Application->OnException = [](TObject*, Exception&) { throw Exception("handler broke"); };
  PostMessage(r.Wnd(), A, 0, 0);
  PostMessage(r.Wnd(), B, 0, 0);
  testing::internal::CaptureStderr();
  Application->ProcessMessages();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "handler broke.\nhandler broke.\n");
  EXPECT_EQ(r.received.size(), 2u);

  Application->OnException = nullptr;
  testing::internal::CaptureStderr();
  try {
    throw Exception("Done already.");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Done already.\n");
}

TEST_F(MessageQueueTest, ReceiverMayFreeItselfInItsOwnHandler) {
  auto r = std::make_unique<Receiver>();
  HWND wnd = r->Wnd();
  int handled = 0;
  r->onMessage = [&](TMessage&) {
    ++handled;
    r.reset();  // destroys the receiver and its handle while its procedure runs
  };
  PostMessage(wnd, A, 0, 0);
  PostMessage(wnd, B, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(handled, 1);  // B went with the window
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_FALSE(PostMessage(wnd, A, 0, 0));
  EXPECT_EQ(SendMessage(wnd, A, 0, 0), 0);
}

TEST_F(MessageQueueTest, SendMessageRunsOnTheWindowsThread) {
  Receiver r;
  std::thread::id handlerThread;
  r.onMessage = [&](TMessage& m) {
    handlerThread = std::this_thread::get_id();
    m.Result = static_cast<LRESULT>(m.WParam * 2);
  };
  EXPECT_EQ(SendMessage(r.Wnd(), A, 21, 0), 42);
  EXPECT_TRUE(r.received == std::vector<UINT>{A});  // direct: nothing went through the queue

  LRESULT fromWorker = 0;
  std::thread worker([&] { fromWorker = SendMessage(r.Wnd(), B, 50, 0); });
  // The worker waits until this thread looks at its queue.
  while (r.received.size() < 2) WaitMessage();
  worker.join();
  EXPECT_EQ(fromWorker, 100);
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

// While a sender waits, it runs the calls queued for its own thread. One of them failing
// must not end the wait: the sent call can still run later and refers to the sender's
// frame, so the failure is raised only once the sent call has run.
TEST_F(MessageQueueTest, FailingServicedCallWaitsForTheSentCallBeforeItIsRaised) {
  std::atomic<HWND> wnd{0};
  std::atomic<bool> handled{false};
  std::thread worker([&] {
    wnd = AllocateHWnd([&](TMessage& m) {
      if (m.Msg == A) handled = true;
    });
    // Late enough that the sender meets the failing call before its own call has run.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    TMsg msg;
    while (GetMessage(msg, 0, 0, 0)) DispatchMessage(msg);
    DeallocateHWnd(wnd);
  });
  while (wnd == 0) std::this_thread::yield();
  TMessageQueue::Current()->PostCall([] { throw std::runtime_error("serviced call failed"); }, nullptr);
  EXPECT_THROW(SendMessage(wnd, A, 0, 0), std::runtime_error);
  EXPECT_TRUE(handled);
  PostMessage(wnd, WM_QUIT, 0, 0);
  worker.join();
}

TEST_F(MessageQueueTest, ThreadsOwnTheirWindows) {
  // A window of a worker thread gets what is posted and sent to it from here, on the
  // worker; when the worker ends, its window takes no more.
  std::atomic<HWND> wnd{0};
  std::vector<WPARAM> received;
  std::vector<std::thread::id> threads;
  std::thread worker([&] {
    HWND own = AllocateHWnd([&](TMessage& m) {
      received.push_back(m.WParam);
      threads.push_back(std::this_thread::get_id());
      if (m.WParam == 3) PostQuitMessage(7);
    });
    wnd = own;
    TMsg msg;
    while (GetMessage(msg, 0, 0, 0)) DispatchMessage(msg);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
  });
  while (wnd == 0) std::this_thread::yield();
  EXPECT_EQ(SetTimer(wnd, 1, 100), 0u);  // a timer belongs to the window's own thread
  PostMessage(wnd, A, 1, 0);
  EXPECT_EQ(SendMessage(wnd, A, 2, 0), 0);
  PostMessage(wnd, A, 3, 0);
  std::thread::id workerId = worker.get_id();
  worker.join();
  // A sent message may overtake the posted one.
  std::sort(received.begin(), received.end());
  EXPECT_EQ(received, (std::vector<WPARAM>{1, 2, 3}));
  EXPECT_EQ(threads, (std::vector<std::thread::id>(3, workerId)));
  EXPECT_FALSE(PostMessage(wnd, A, 4, 0));
  EXPECT_EQ(SendMessage(wnd, A, 5, 0), 0);
  DeallocateHWnd(wnd);
}

TEST_F(MessageQueueTest, QuitComesAfterPostedMessages) {
  Receiver r;
  PostMessage(r.Wnd(), A, 0, 0);
  PostQuitMessage(7);
  TMsg msg;
  ASSERT_TRUE(GetMessage(msg, 0, 0, 0));
  EXPECT_EQ(msg.message, A);
  EXPECT_FALSE(GetMessage(msg, 0, 0, 0));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);

  Application->Terminate();
  ASSERT_TRUE(PeekMessage(msg, 0, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  Application->ProcessMessages();
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(MessageQueueTest, GetMessageWaitsForAnotherThread) {
  Receiver r;
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessage(r.Wnd(), B, 9, 0);
  });
  TMsg msg;
  ASSERT_TRUE(GetMessage(msg, 0, 0, 0));
  poster.join();
  EXPECT_EQ(msg.message, B);
  EXPECT_EQ(msg.wParam, 9u);
}

TEST_F(MessageQueueTest, MessageTimeIsTheTimeOfPosting) {
  test::VirtualTime time;
  Receiver r;
  PostMessage(r.Wnd(), A, 0, 0);
  Cardinal posted = GetTickCount();
  time.Clock().Advance(250);
  Cardinal seen = 0;
  r.onMessage = [&](TMessage&) { seen = GetMessageTime(); };
  Application->ProcessMessages();
  EXPECT_EQ(seen, posted);
  EXPECT_EQ(GetTickCount() - seen, 250u);
}

TEST_F(MessageQueueTest, ApplicationNamesTheProgram) {
  EXPECT_EQ(ExtractFileName(Application->ExeName()), "classlib_messagequeue_test");
  EXPECT_TRUE(FileExists(Application->ExeName()));
  EXPECT_EQ(Application->Title(), "classlib_messagequeue_test");
  Application->SetTitle("Checker");
  EXPECT_EQ(Application->Title(), "Checker");
}

TEST_F(MessageQueueTest, HandleMessageWaitsThenHandlesOne) {
  Receiver r;
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    PostMessage(r.Wnd(), A, 0, 0);
    PostMessage(r.Wnd(), B, 0, 0);
  });
  while (r.received.size() < 2) Application->HandleMessage();
  poster.join();
  EXPECT_EQ(r.received, (std::vector<UINT>{A, B}));
}

}  // namespace
}  // namespace ordvane
