#pragma once
// What the benchmarks share: a temporary folder for their databases (the engine's lock
// files inside it), a quiet shell command, a database component pointed at a file as
// SYSDBA in Windows-1251, dialect 3; and, for those that compare whole processes, a child
// program's run and a process's own peak resident size and processor time.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench/PeakMemory.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBSQLMonitor.h"

namespace ordvane::bench {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ordvane-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    fPath = pattern;
    std::filesystem::create_directories(fPath / "lock");
    setenv("FIREBIRD_LOCK", (fPath / "lock").c_str(), 1);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(fPath, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return fPath; }

 private:
  std::filesystem::path fPath;
};

// Runs a command with its output discarded; a failure raises.
inline void Shell(const std::string& command) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) throw std::runtime_error(command + " failed");
}

// The SQL monitor is one per machine: while any process on it reads the monitor, every
// statement of every program is traced. A benchmark measures its own work, not a
// stranger's monitor, so its process leaves its statements untraced.
inline void LeaveStatementsUntraced() {
  MonitorHook()->SetEnabled(false);
}

inline void ConfigureDatabase(TFIBDatabase& db, const std::filesystem::path& file) {
  db.SetDBName(file.string());
  db.ConnectParams().SetUserName("SYSDBA");
  db.ConnectParams().SetCharSet("WIN1251");
  db.SetSQLDialect(3);
}

// A child program's run: what it printed, the seconds from its start to its exit, and the
// processor time it took (user and system, its threads included).
struct TChildRun {
  std::string Output;
  double WallSeconds = 0;
  double ProcessorSeconds = 0;
};

// The run of a program that ended well.
inline std::optional<TChildRun> RunChild(const std::vector<std::string>& command) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  std::vector<char*> argv;
  for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const auto start = std::chrono::steady_clock::now();
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  TChildRun run;
  char buffer[256];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) run.Output.append(buffer, static_cast<std::size_t>(n));
  close(pipeEnds[0]);
  if (spawned != 0) return std::nullopt;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  run.WallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  run.ProcessorSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return run;
}

// The processor time of the process, the engine's threads included: on a shared machine
// the time a run waits for a processor is the machine's load, not its cost.
inline double ProcessSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The processor time of the calling thread alone, for work that runs on it: on a shared
// machine the time a run waits for a processor is the machine's load, not its cost.
inline double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The thread's processor time that `run` takes.
template <class Run>
double ThreadSecondsOf(Run run) {
  const double start = ThreadSeconds();
  run();
  return ThreadSeconds() - start;
}

}  // namespace ordvane::bench
