#pragma once
// Shared by the programs that run on the desktop host in tests: one host per suite,
// running the loop until something holds, running a desktop tool while the loop keeps
// this program answering, and clicking at a point of one of the program's windows.

#include <gtest/gtest.h>

#include <QWidget>
#include <QWindow>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/Timers.h"
#include "classlib/ui/WinInput.h"
#include "classlib/ui/Windows.h"
#include "classlib/ui/qt/QtHost.h"

namespace ordvane::test {

// The tests of a suite share one desktop host, made once: the display is opened once.
class DesktopSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { host = new TQtHost; }
  static void TearDownTestSuite() {
    delete host;
    host = nullptr;
  }

  // Clicks from outside the program, as a person would, at a point of the screen where
  // the layer has one of the program's windows; `clicks` is what xdotool does there.
  // False when the window never shows there. The layer shows and activates a window at
  // once, but the desktop maps it when it gets to it (a window manager frames it first,
  // later still on a busy machine), and a click before that lands on what is below.
  [[nodiscard]] static bool ClickAt(TPoint at, const std::string& clicks = "click 1");

  static inline TQtHost* host = nullptr;
};

// Handles messages until `done` holds (true) or the time is up (false). The bound only
// stops a test that waits for what never comes: a desktop busy with a parallel run can take
// seconds to map and paint a window, so it is far above what a quiet machine needs.
inline bool RunUntil(const std::function<bool()>& done, int milliseconds = 30000) {
  TTimer ticker(nullptr);  // looks at `done` and the time at least this often
  ticker.SetInterval(10);
  ticker.SetOnTimer([](TObject*) {});
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    Application->HandleMessage();
  }
  return true;
}

// Runs a shell command and answers what it wrote; the loop runs meanwhile, as the command
// may be waiting for this program (a clipboard request).
inline std::string RunCommand(const std::string& command) {
  std::atomic<bool> finished{false};
  std::string output;
  std::thread worker([&] {
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[4096];
      for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
      pclose(pipe);
    }
    finished.store(true);
    TMessageQueue::Main()->Wake();
  });
  RunUntil([&] { return finished.load(); }, 60000);
  worker.join();
  return output;
}

inline bool DesktopSuite::ClickAt(TPoint at, const std::string& clicks) {
  const auto exposed = [&] {
    const QWidget* native = host->NativeWindow(GetAncestor(WindowFromPoint(at), GA_ROOT));
    return native != nullptr && native->windowHandle() != nullptr && native->windowHandle()->isExposed();
  };
  if (!RunUntil(exposed)) return false;
  // The pointer arrives from beside the point: a pointer resting there already, since
  // before the window was mapped under it, moves nothing and tells the program nothing.
  // The program placing it at the point proves the window is where the layer has it.
  const auto coordinates = [](TPoint p) { return std::to_string(p.x) + " " + std::to_string(p.y); };
  RunCommand("xdotool mousemove " + coordinates({at.x + 1, at.y}) + " mousemove " + coordinates(at));
  TPoint pointer{};
  if (!RunUntil([&] { return GetCursorPos(pointer) && pointer == at; })) return false;
  RunCommand("xdotool " + clicks);
  return true;
}

}  // namespace ordvane::test
