// Statements per second of the script runner on a 20 000-INSERT reference script in
// Windows-1251, against isql-fb running the same script file on the same kind of database,
// both on the embedded engine. Each iteration runs the script into a fresh table; the
// figure reported is the runner's rate and its ratio to isql-fb's.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "dbclient/pFIBScripter.h"
#include "tests/dbclient/ReferenceScript.h"

namespace {

using namespace ordvane;
namespace fs = std::filesystem;

constexpr int kRows = 20000;

struct Workspace {
  fs::path dir;
  fs::path scriptFile;
  fs::path database;
  test::ReferenceScript script = test::MakeReferenceScript(kRows, false);

  Workspace() {
    std::string pattern = (fs::temp_directory_path() / "ordvane-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    dir = pattern;
    fs::create_directories(dir / "lock");
    setenv("FIREBIRD_LOCK", (dir / "lock").c_str(), 1);
    scriptFile = dir / "reference.sql";
    database = dir / "bench.fdb";
    std::ofstream(scriptFile, std::ios::binary) << script.text;
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  static void Shell(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) throw std::runtime_error(command + " failed");
  }
  // A fresh database with an empty REF table, made by isql-fb.
  void CreateDatabase() {
    fs::remove(database);
    const fs::path create = dir / "create.sql";
    std::ofstream(create) << "CREATE DATABASE '" << database.string()
                          << "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n"
                             "CREATE TABLE REF (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(60), "
                             "NOTE VARCHAR(60));\nCOMMIT;\n";
    Shell("isql-fb -q -b -user SYSDBA -i '" + create.string() + "'");
  }
};

Workspace& Space() {
  static Workspace space;
  return space;
}

double gIsqlRate = 0;

void BM_IsqlScript(benchmark::State& state) {
  Workspace& space = Space();
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    space.CreateDatabase();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    Workspace::Shell("isql-fb -q -b -ch WIN1251 -user SYSDBA '" + space.database.string() + "' -i '" +
                     space.scriptFile.string() + "'");
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  gIsqlRate = kRows * static_cast<double>(state.iterations()) / seconds;
  state.counters["statements/s"] = gIsqlRate;
}

void BM_ScripterFromFile(benchmark::State& state) {
  Workspace& space = Space();
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    space.CreateDatabase();
    TComponent form(nullptr);
    auto* database = new TpFIBDatabase(&form);
    auto* transaction = new TpFIBTransaction(&form);
    auto* scripter = new TpFIBScripter(&form);
    database->SetDBName(space.database.string());
    database->ConnectParams().SetUserName("SYSDBA");
    database->ConnectParams().SetCharSet("WIN1251");
    database->SetSQLDialect(3);
    database->Connect();
    scripter->SetDatabase(database);
    scripter->SetTransaction(transaction);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    scripter->ExecuteFromFile(space.scriptFile.string());
    transaction->Commit();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    database->Close();
    state.ResumeTiming();
  }
  const double rate = kRows * static_cast<double>(state.iterations()) / seconds;
  state.counters["statements/s"] = rate;
  if (gIsqlRate > 0) state.counters["ratio_to_isql"] = rate / gIsqlRate;
}

BENCHMARK(BM_IsqlScript)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ScripterFromFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
