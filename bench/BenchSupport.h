#pragma once
// What the benchmarks on the embedded engine share: a temporary folder for their
// databases (the engine's lock files inside it), a quiet shell command, and a database
// component pointed at a file as SYSDBA in Windows-1251, dialect 3.

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "dbclient/FIBDatabase.h"

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

// The row count of a run: ORDVANE_BENCH_ROWS when set, else the benchmark's argument.
inline int RowsWanted(int argument) {
  const char* text = std::getenv("ORDVANE_BENCH_ROWS");
  return text != nullptr ? std::atoi(text) : argument;
}

// The wall-clock seconds a run takes.
inline double SecondsOf(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline void ConfigureDatabase(TFIBDatabase& db, const std::filesystem::path& file) {
  db.SetDBName(file.string());
  db.ConnectParams().SetUserName("SYSDBA");
  db.ConnectParams().SetCharSet("WIN1251");
  db.SetSQLDialect(3);
}

}  // namespace ordvane::bench
