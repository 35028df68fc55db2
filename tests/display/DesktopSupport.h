#pragma once
// Shared by the programs that run on the desktop host in tests: one host per suite,
// running the loop until something holds, and running a desktop tool while the loop keeps
// this program answering.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/Timers.h"
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

}  // namespace ordvane::test
