// Statements per second of the script runner on a 20 000-INSERT reference script in
// Windows-1251, against isql-fb running the same script file on the same kind of database,
// both on the embedded engine and with the same durability: the argument is the
// database's forced writes (1 on, 0 off). Both are timed as whole runs: isql-fb from its
// process start (attach, run, commit, detach), the runner from before its connect to after
// its commit and disconnect. The figures are each one's rate and the runner's ratio to
// isql-fb's, in elapsed time and in processor time.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "bench/BenchSupport.h"
#include "dbclient/pFIBScripter.h"
#include "tests/dbclient/ReferenceScript.h"

namespace {

using namespace ordvane;
namespace fs = std::filesystem;

constexpr int kRows = 20000;

struct Workspace {
  bench::TempFolder folder;
  fs::path dir = folder.Path();
  fs::path scriptFile = dir / "reference.sql";
  fs::path database = dir / "bench.fdb";
  test::ReferenceScript script = test::MakeReferenceScript(kRows, false);

  Workspace() { std::ofstream(scriptFile, std::ios::binary) << script.text; }
  // A fresh database with an empty REF table, made by isql-fb, with forced writes on or
  // off (an attachment that asks for either sets it in the database file).
  void CreateDatabase(bool forcedWrites) {
    fs::remove(database);
    const fs::path create = dir / "create.sql";
    std::ofstream(create) << "CREATE DATABASE '" << database.string()
                          << "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n"
                             "CREATE TABLE REF (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(60), "
                             "NOTE VARCHAR(60));\nCOMMIT;\n";
    bench::Shell("isql-fb -q -b -user SYSDBA -i '" + create.string() + "'");
    TFIBDatabase setter(nullptr);
    Configure(setter);
    setter.SetDPBValue("force_write", forcedWrites ? "1" : "0");
    setter.Connect();
    setter.Close();
  }
  void Configure(TFIBDatabase& db) const { bench::ConfigureDatabase(db, database); }
};

Workspace& Space() {
  static Workspace space;
  return space;
}

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Processor time of this process (the embedded engine's threads included) or of its
// finished children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

struct Timing {
  double wall = 0;
  double cpu = 0;
};

template <class Run>
Timing Measure(int who, Run run) {
  const double cpu = CpuSeconds(who);
  const auto start = std::chrono::steady_clock::now();
  run();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), CpuSeconds(who) - cpu};
}

void RunIsql(const Workspace& space) {
  bench::Shell("isql-fb -q -b -ch WIN1251 -user SYSDBA '" + space.database.string() + "' -i '" +
                   space.scriptFile.string() + "'");
}

void RunScripter(const Workspace& space) {
  TComponent form(nullptr);
  auto* database = new TpFIBDatabase(&form);
  auto* transaction = new TpFIBTransaction(&form);
  auto* scripter = new TpFIBScripter(&form);
  space.Configure(*database);
  database->Connect();
  scripter->SetDatabase(database);
  scripter->SetTransaction(transaction);
  scripter->ExecuteFromFile(space.scriptFile.string());
  if (transaction->Active()) transaction->Commit();
  database->Close();
}

// Each iteration runs the script once through isql-fb and once through the runner, each
// into a fresh database, so that both meet the same load of a shared machine. The time
// of the benchmark is the runner's.
void BM_ScripterAgainstIsql(benchmark::State& state) {
  Workspace& space = Space();
  const bool forcedWrites = state.range(0) != 0;
  Timing isql, runner;
  for (auto _ : state) {
    state.PauseTiming();
    space.CreateDatabase(forcedWrites);
    const Timing i = Measure(RUSAGE_CHILDREN, [&] { RunIsql(space); });
    isql.wall += i.wall;
    isql.cpu += i.cpu;
    space.CreateDatabase(forcedWrites);
    state.ResumeTiming();
    const Timing r = Measure(RUSAGE_SELF, [&] { RunScripter(space); });
    runner.wall += r.wall;
    runner.cpu += r.cpu;
  }
  const double statements = kRows * static_cast<double>(state.iterations());
  state.counters["isql_statements/s"] = statements / isql.wall;
  state.counters["runner_statements/s"] = statements / runner.wall;
  state.counters["ratio_to_isql"] = isql.wall / runner.wall;
  state.counters["cpu_ratio_to_isql"] = isql.cpu / runner.cpu;
}

BENCHMARK(BM_ScripterAgainstIsql)
    ->ArgName("forced_writes")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
