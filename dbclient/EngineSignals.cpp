#include "dbclient/EngineSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>

#include "classlib/core/DynLib.h"

namespace ordvane {

namespace {

// How long the client library may take to detach and roll back, in milliseconds: the
// program is gone within a second of the signal.
constexpr unsigned kShutdownTimeout = 800;
// fb_shutdown's reason for a signal.
constexpr int kReasonSignal = -5;

using TShutdown = int (*)(unsigned timeout, int reason);

// The pipe the handler writes to and the watcher reads from; set once, before any
// handler is installed, and never closed (the watcher lives as long as the process).
std::array<int, 2> gPipe{-1, -1};
std::atomic<TShutdown> gEngineShutdown{nullptr};
// False once the watcher is gone (its pipe failed): the signals keep their default actions.
std::atomic<bool> gWatching{false};
// The signal that came, 0 before one did. Lock-free, so the handler may set it.
std::atomic<int> gTaken{0};
static_assert(std::atomic<int>::is_always_lock_free);

// The program's notice, called by the watcher under the lock.
std::mutex gNoticeLock;
std::function<void(int)> gNotice;

extern "C" void OnTerminationSignal(int signal) {
  const int saved = errno;
  gTaken.store(signal);
  const auto byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t written = write(gPipe[1], &byte, 1);
  errno = saved;
}

void EndByDefault(int signal) {
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
}

void Watch() {
  unsigned char signal = 0;
  ssize_t got = 0;
  while ((got = read(gPipe[0], &signal, 1)) < 0 && errno == EINTR) {
  }
  if (got != 1) {  // the pipe failed: the signals end the program as if never handled
    gWatching.store(false);
    for (int each : {SIGINT, SIGTERM}) EndByDefault(each);
    return;
  }
  if (const TShutdown shutdown = gEngineShutdown.load()) shutdown(kShutdownTimeout, kReasonSignal);
  try {
    const std::lock_guard lock(gNoticeLock);
    if (gNotice) gNotice(signal);
  } catch (...) {
    // Whatever the notice met, the process ends by the signal.
  }
  // Ended by the signal, as without a handler: the parent sees which one.
  EndByDefault(signal);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  _exit(128 + signal);  // raise returns only if the signal was somehow blocked
}

void StartWatcher() {
  if (pipe2(gPipe.data(), O_CLOEXEC) != 0) return;
  // The watcher itself never takes the signals: they go to the handler in another thread.
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &blocked, &previous);
  gWatching.store(true);
  try {
    std::thread(Watch).detach();
  } catch (const std::system_error&) {
    gWatching.store(false);  // no thread to spare: the signals keep their default actions
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace

void EndProgramOnTerminationSignals(const AnsiString& libraryName) {
  static std::mutex guard;
  static TDynamicLibrary library;
  static bool started = false;
  const std::lock_guard lock(guard);
  if (!started) {
    started = true;
    StartWatcher();
  }
  if (!gWatching.load()) return;
  if (!gEngineShutdown.load() && library.Open(libraryName))
    gEngineShutdown.store(reinterpret_cast<TShutdown>(library.Symbol("fb_shutdown")));
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

void AwaitEndIfSignalled() {
  if (gTaken.load() == 0) return;
  for (;;) pause();
}

TTerminationNotice::TTerminationNotice(std::function<void(int signal)> say) {
  const std::lock_guard lock(gNoticeLock);
  gNotice = std::move(say);
}

TTerminationNotice::~TTerminationNotice() {
  const std::lock_guard lock(gNoticeLock);
  gNotice = nullptr;
}

}  // namespace ordvane
