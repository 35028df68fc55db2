#include "classlib/core/MessageQueue.h"

#include <algorithm>
#include <atomic>
#include <unordered_map>
#include <utility>

#include "classlib/core/Clock.h"

namespace ordvane {

// A call from another thread. A sent call has a waiter, the queue of the thread that
// waits for it; a posted call has none.
struct TMessageQueue::Call {
  enum State { Pending, Done, Abandoned };

  std::function<void()> run;
  const void* tag = nullptr;
  std::shared_ptr<TMessageQueue> waiter;
  std::atomic<State> state{Pending};
  std::exception_ptr error;

  void Finish(State final) {
    state.store(final);
    waiter->Wake();
  }
};

namespace {

struct MainThread {
  std::thread::id id = std::this_thread::get_id();
  std::shared_ptr<TMessageQueue> queue = std::make_shared<TMessageQueue>(id);
};

MainThread& MainThreadState() {
  static MainThread state;
  return state;
}

// Every live queue, so that a change of the clock can wake the ones waiting for a time.
struct QueueList {
  std::mutex lock;
  std::vector<std::weak_ptr<TMessageQueue>> queues;

  void Add(const std::shared_ptr<TMessageQueue>& queue) {
    std::lock_guard guard(lock);
    std::erase_if(queues, [](const auto& q) { return q.expired(); });
    queues.push_back(queue);
  }
  std::vector<std::shared_ptr<TMessageQueue>> Live() {
    std::lock_guard guard(lock);
    std::vector<std::shared_ptr<TMessageQueue>> live;
    for (const auto& q : queues)
      if (auto queue = q.lock()) live.push_back(std::move(queue));
    return live;
  }
};

QueueList& Queues() {
  static QueueList list;
  return list;
}

// The main thread is the one that starts the program: its state is made while static
// objects are initialised, before any other thread can exist. Only a lack of memory can
// fail it, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
[[maybe_unused]] const bool gMainThreadKnown = [] {
  Queues().Add(MainThreadState().queue);
  AddClockChangeHandler(&TMessageQueue::WakeAll);
  return true;
}();

struct Window {
  TWndMethod method;
  std::weak_ptr<TMessageQueue> queue;
};

struct WindowList {
  std::mutex lock;
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  HWND next = 0x1000;
};

WindowList& Windows() {
  static WindowList list;
  return list;
}

std::shared_ptr<Window> FindWindow(HWND wnd) {
  std::lock_guard guard(Windows().lock);
  auto it = Windows().windows.find(wnd);
  return it == Windows().windows.end() ? nullptr : it->second;
}

bool InRange(UINT message, UINT filterMin, UINT filterMax) {
  return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

bool ForWindow(HWND messageWnd, HWND filter) { return filter == 0 || messageWnd == filter; }

UInt64 ClockMilliseconds() { return Clock().Milliseconds(); }

}  // namespace

// Closes a thread's queue when the thread ends, so that senders waiting for it return.
struct QueueHolder {
  std::shared_ptr<TMessageQueue> queue;
  ~QueueHolder() {
    if (queue) queue->Close();
  }
};

std::shared_ptr<TMessageQueue> TMessageQueue::Main() { return MainThreadState().queue; }

std::shared_ptr<TMessageQueue> TMessageQueue::Current() {
  if (std::this_thread::get_id() == MainThreadState().id) return MainThreadState().queue;
  thread_local QueueHolder holder;
  if (!holder.queue) {
    holder.queue = std::make_shared<TMessageQueue>(std::this_thread::get_id());
    Queues().Add(holder.queue);
  }
  return holder.queue;
}

TMessageQueue::TMessageQueue(std::thread::id owner) : fOwner(owner) {}

TMessageQueue::~TMessageQueue() = default;

void TMessageQueue::Close() {
  std::deque<std::shared_ptr<Call>> calls;
  {
    std::lock_guard guard(fLock);
    fClosed = true;
    calls.swap(fCalls);
    fPosted.clear();
    fInput.clear();
    fTimers.clear();
  }
  for (auto& call : calls)
    if (call->waiter) call->Finish(Call::Abandoned);
}

bool TMessageQueue::Post(const TMsg& msg) {
  {
    std::lock_guard guard(fLock);
    if (fClosed) return false;
    fPosted.push_back(msg);
  }
  Notify();
  return true;
}

bool TMessageQueue::PostInput(const TMsg& msg) {
  {
    std::lock_guard guard(fLock);
    if (fClosed) return false;
    fInput.push_back(msg);
  }
  Notify();
  return true;
}

void TMessageQueue::Wake() {
  // Taking the lock orders the wake-up after a waiter's last look at its condition.
  { std::lock_guard guard(fLock); }
  Notify();
}

void TMessageQueue::Notify() {
  fWake.notify_all();
  // Other threads interrupt under the lock, so the owner never removes (and frees) the
  // source while one of them is still using it.
  std::lock_guard guard(fEventSourceLock);
  if (TEventSource* source = fEventSource.load()) source->Interrupt();
}

void TMessageQueue::SetEventSource(TEventSource* source) {
  {
    std::lock_guard guard(fEventSourceLock);
    fEventSource.store(source);
  }
  Notify();
}

void TMessageQueue::ServeEvents() {
  if (TEventSource* source = fEventSource.load()) source->WaitForEvents(0);
}

void TMessageQueue::Sleep(std::unique_lock<std::mutex>& lock, const UInt64* due) {
  TEventSource* source = fEventSource.load();
  if (!source) {
    if (due)
      Clock().WaitUntil(lock, fWake, *due);
    else
      fWake.wait(lock);
    return;
  }
  const UInt64 now = ClockMilliseconds();
  const int timeout = !due ? -1 : *due <= now ? 0 : static_cast<int>(std::min<UInt64>(*due - now, INT32_MAX));
  lock.unlock();
  source->WaitForEvents(timeout);
  lock.lock();
}

void TMessageQueue::WakeAll() {
  for (auto& queue : Queues().Live()) queue->Wake();
}

bool TMessageQueue::SendCall(std::function<void()> call) {
  if (std::this_thread::get_id() == fOwner) {
    call();
    return true;
  }
  auto pending = std::make_shared<Call>();
  pending->run = std::move(call);
  pending->waiter = Current();
  {
    std::lock_guard guard(fLock);
    if (fClosed) return false;
    fCalls.push_back(pending);
  }
  Notify();
  // The call may refer to the caller's frame, so the caller stays until it has run or was
  // dropped, also when a call it services meanwhile fails; that failure comes after.
  const auto finished = [&] { return pending->state.load() != Call::Pending; };
  std::exception_ptr servicedFailure;
  while (!finished()) {
    try {
      pending->waiter->WaitServicingCalls(finished);
    } catch (...) {
      if (!servicedFailure) servicedFailure = std::current_exception();
    }
  }
  if (servicedFailure) std::rethrow_exception(servicedFailure);
  if (pending->state.load() == Call::Abandoned) return false;
  // Taken out of the call, so that the exception dies on this thread, where it is caught.
  if (std::exception_ptr error = std::exchange(pending->error, nullptr)) std::rethrow_exception(error);
  return true;
}

void TMessageQueue::PostCall(std::function<void()> call, const void* tag) {
  auto pending = std::make_shared<Call>();
  pending->run = std::move(call);
  pending->tag = tag;
  {
    std::lock_guard guard(fLock);
    if (fClosed) return;
    fCalls.push_back(std::move(pending));
  }
  Notify();
}

void TMessageQueue::RemoveCalls(const void* tag) {
  std::deque<std::shared_ptr<Call>> removed;
  std::lock_guard guard(fLock);
  auto it = std::stable_partition(fCalls.begin(), fCalls.end(),
                                  [tag](const auto& call) { return call->waiter || call->tag != tag; });
  // The functions are destroyed after the lock is released: they may own anything.
  removed.assign(std::make_move_iterator(it), std::make_move_iterator(fCalls.end()));
  fCalls.erase(it, fCalls.end());
}

std::shared_ptr<TMessageQueue::Call> TMessageQueue::TakeCall() {
  std::lock_guard guard(fLock);
  if (fCalls.empty()) return nullptr;
  auto call = std::move(fCalls.front());
  fCalls.pop_front();
  return call;
}

bool TMessageQueue::RunCalls() {
  bool ran = false;
  while (auto call = TakeCall()) {
    ran = true;
    if (!call->waiter) {
      call->run();
      continue;
    }
    try {
      call->run();
    } catch (...) {
      call->error = std::current_exception();
    }
    call->Finish(Call::Done);
  }
  return ran;
}

void TMessageQueue::WaitServicingCalls(const std::function<bool()>& done) {
  for (;;) {
    RunCalls();
    std::unique_lock lock(fLock);
    if (done()) return;
    if (CallsPending()) continue;
    fWake.wait(lock);
  }
}

bool TMessageQueue::FindMessage(TMsg& msg, HWND wnd, UINT filterMin, UINT filterMax, bool remove,
                                UInt64 timerCutoff) {
  for (std::deque<TMsg>* list : {&fPosted, &fInput}) {
    auto found = std::find_if(list->begin(), list->end(), [&](const TMsg& m) {
      return ForWindow(m.hwnd, wnd) && InRange(m.message, filterMin, filterMax);
    });
    if (found != list->end()) {
      msg = *found;
      if (remove) list->erase(found);
      return true;
    }
  }
  if (fQuit && wnd == 0) {
    msg = TMsg{0, WM_QUIT, static_cast<WPARAM>(fQuitCode), 0, GetTickCount()};
    if (remove) fQuit = false;
    return true;
  }
  if (fPaintSource && InRange(WM_PAINT, filterMin, filterMax) && fPaintSource(wnd, remove, msg)) return true;
  if (!InRange(WM_TIMER, filterMin, filterMax)) return false;
  Timer* first = nullptr;
  for (Timer& t : fTimers)
    if (ForWindow(t.wnd, wnd) && t.due <= timerCutoff &&
        (!first || t.due < first->due || (t.due == first->due && t.order < first->order)))
      first = &t;
  if (!first) return false;
  UInt64 now = ClockMilliseconds();
  msg = TMsg{first->wnd, WM_TIMER, first->id, 0, static_cast<Cardinal>(now)};
  if (remove) {
    // The next tick keeps the timer's rhythm, but a timer that fell behind does not fire
    // a burst to catch up.
    first->due += first->interval;
    if (first->due <= now) first->due = now + first->interval;
  }
  return true;
}

bool TMessageQueue::Peek(TMsg& msg, HWND wnd, UINT filterMin, UINT filterMax, UINT removeMsg,
                         UInt64 timerCutoff) {
  RunCalls();
  std::lock_guard guard(fLock);
  if (!FindMessage(msg, wnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0, timerCutoff)) return false;
  fMessageTime = msg.time;
  return true;
}

bool TMessageQueue::EarliestDue(HWND wnd, UInt64& due) const {
  bool found = false;
  for (const Timer& t : fTimers)
    if (ForWindow(t.wnd, wnd) && (!found || t.due < due)) {
      due = t.due;
      found = true;
    }
  return found;
}

void TMessageQueue::WaitForTimerOrWake(std::unique_lock<std::mutex>& lock, HWND wnd) {
  UInt64 due = 0;
  Sleep(lock, EarliestDue(wnd, due) ? &due : nullptr);
}

bool TMessageQueue::Get(TMsg& msg, HWND wnd, UINT filterMin, UINT filterMax) {
  for (;;) {
    RunCalls();
    std::unique_lock lock(fLock);
    if (FindMessage(msg, wnd, filterMin, filterMax, true, ClockMilliseconds())) {
      fMessageTime = msg.time;
      return msg.message != WM_QUIT;
    }
    if (CallsPending()) continue;
    if (InRange(WM_TIMER, filterMin, filterMax))
      WaitForTimerOrWake(lock, wnd);
    else
      Sleep(lock, nullptr);
  }
}

void TMessageQueue::WaitForMessage() {
  for (;;) {
    if (RunCalls()) return;
    std::unique_lock lock(fLock);
    UInt64 due = 0;
    TMsg paint;
    if (!fPosted.empty() || !fInput.empty() || fQuit || CallsPending() ||
        (EarliestDue(0, due) && due <= ClockMilliseconds()) ||
        (fPaintSource && fPaintSource(0, false, paint)))
      return;
    WaitForTimerOrWake(lock, 0);
  }
}

void TMessageQueue::PostQuit(int exitCode) {
  {
    std::lock_guard guard(fLock);
    fQuit = true;
    fQuitCode = exitCode;
  }
  Notify();
}

UINT_PTR TMessageQueue::SetTimer(HWND wnd, UINT_PTR id, UINT elapse) {
  elapse = std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  {
    std::lock_guard guard(fLock);
    UInt64 due = ClockMilliseconds() + elapse;
    auto it = std::find_if(fTimers.begin(), fTimers.end(), [&](auto& t) { return t.wnd == wnd && t.id == id; });
    if (it != fTimers.end()) {
      it->interval = elapse;
      it->due = due;
    } else {
      fTimers.push_back(Timer{wnd, id, elapse, due, fTimerOrder++});
    }
  }
  // A thread waiting for its next timer must look at the new deadline.
  Notify();
  return id;
}

bool TMessageQueue::KillTimer(HWND wnd, UINT_PTR id) {
  std::lock_guard guard(fLock);
  return std::erase_if(fTimers, [&](auto& t) { return t.wnd == wnd && t.id == id; }) > 0;
}

bool TMessageQueue::NextTimerDue(UInt64& due) {
  std::lock_guard guard(fLock);
  return EarliestDue(0, due);
}

void TMessageQueue::SetPaintSource(TPaintSource source) {
  std::lock_guard guard(fLock);
  fPaintSource = std::move(source);
}

void TMessageQueue::ForgetWindow(HWND wnd) {
  std::lock_guard guard(fLock);
  std::erase_if(fTimers, [wnd](auto& t) { return t.wnd == wnd; });
  std::erase_if(fPosted, [wnd](auto& m) { return m.hwnd == wnd; });
  std::erase_if(fInput, [wnd](auto& m) { return m.hwnd == wnd; });
}

HWND AllocateHWnd(TWndMethod method) {
  auto window = std::make_shared<Window>(Window{std::move(method), TMessageQueue::Current()});
  std::lock_guard guard(Windows().lock);
  HWND wnd = Windows().next++;
  Windows().windows.emplace(wnd, std::move(window));
  return wnd;
}

void DeallocateHWnd(HWND wnd) {
  std::shared_ptr<Window> window;
  {
    std::lock_guard guard(Windows().lock);
    auto it = Windows().windows.find(wnd);
    if (it == Windows().windows.end()) return;
    window = std::move(it->second);
    Windows().windows.erase(it);
  }
  if (auto queue = window->queue.lock()) queue->ForgetWindow(wnd);
}

bool IsWindow(HWND wnd) { return FindWindow(wnd) != nullptr; }

bool PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TMsg message{wnd, msg, wParam, lParam, GetTickCount()};
  if (wnd == 0) return TMessageQueue::Current()->Post(message);
  auto window = FindWindow(wnd);
  if (!window) return false;
  auto queue = window->queue.lock();
  return queue && queue->Post(message);
}

bool PostInputMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto window = FindWindow(wnd);
  if (!window) return false;
  auto queue = window->queue.lock();
  return queue && queue->PostInput(TMsg{wnd, msg, wParam, lParam, GetTickCount()});
}

LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto window = FindWindow(wnd);
  if (!window || !window->method) return 0;
  auto queue = window->queue.lock();
  if (!queue) return 0;
  auto message = std::make_shared<TMessage>(TMessage{msg, wParam, lParam, 0});
  queue->SendCall([window, message] { window->method(*message); });
  return message->Result;
}

bool PeekMessage(TMsg& msg, HWND wnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
  return TMessageQueue::Current()->Peek(msg, wnd, filterMin, filterMax, removeMsg, ClockMilliseconds());
}

bool GetMessage(TMsg& msg, HWND wnd, UINT filterMin, UINT filterMax) {
  return TMessageQueue::Current()->Get(msg, wnd, filterMin, filterMax);
}

void WaitMessage() { TMessageQueue::Current()->WaitForMessage(); }

LRESULT DispatchMessage(const TMsg& msg) {
  if (msg.hwnd == 0) return 0;
  // The window is held for the whole call, so its procedure may free it.
  auto window = FindWindow(msg.hwnd);
  if (!window || !window->method) return 0;
  TMessage message{msg.message, msg.wParam, msg.lParam, 0};
  window->method(message);
  return message.Result;
}

void PostQuitMessage(int exitCode) { TMessageQueue::Current()->PostQuit(exitCode); }

Cardinal GetMessageTime() { return TMessageQueue::Current()->MessageTime(); }

UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapse) {
  if (id == 0) return 0;
  auto window = FindWindow(wnd);
  if (!window) return 0;
  auto queue = window->queue.lock();
  if (!queue || queue->Owner() != std::this_thread::get_id()) return 0;
  return queue->SetTimer(wnd, id, elapse);
}

bool KillTimer(HWND wnd, UINT_PTR id) {
  auto window = FindWindow(wnd);
  if (!window) return false;
  auto queue = window->queue.lock();
  return queue && queue->Owner() == std::this_thread::get_id() && queue->KillTimer(wnd, id);
}

void CheckSynchronize() { TMessageQueue::Current()->RunCalls(); }

}  // namespace ordvane
