// A full pass (First to Eof) over a dataset of persons whose every record is already in
// the cache, with a client filter of two conditions (a LIKE on the surname and a date
// comparison) against the same pass with Filtered off, in the same run, each timed by
// the processor time it takes. Goal: the filtered pass takes at most twice the time.
// The row count is the argument; ORDVANE_BENCH_ROWS overrides it.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchSupport.h"
#include "datasets/pFIBDataSet.h"

namespace {

using namespace ordvane;
namespace fs = std::filesystem;

constexpr int kDefaultRows = 1000000;
// About a third of the persons pass: surnames of one family born after 1970.
constexpr const char* kFilter = "SURNAME LIKE 'Kova%' AND BORN > '01.01.1970'";

int RowsWanted() {
  const char* text = std::getenv("ORDVANE_BENCH_ROWS");
  return text != nullptr ? std::atoi(text) : kDefaultRows;
}

struct Workspace {
  bench::TempFolder folder;
  fs::path database = folder.Path() / "persons.fdb";

  // Persons filled by the server in one EXECUTE BLOCK loop: three families of surnames,
  // birthdays over eighty years.
  explicit Workspace(int count) {
    const fs::path script = folder.Path() / "create.sql";
    std::ofstream(script) << "CREATE DATABASE '" << database.string()
                          << "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n"
                             "CREATE TABLE PERSON (ID INTEGER NOT NULL PRIMARY KEY, SURNAME VARCHAR(40), BORN DATE);\n"
                             "COMMIT;\nSET TERM ^;\nEXECUTE BLOCK AS\n  DECLARE I INTEGER = 1;\nBEGIN\n  WHILE (I <= "
                          << count
                          << ") DO BEGIN\n"
                             "    INSERT INTO PERSON VALUES (:I, DECODE(MOD(:I, 3), 0, 'Kovalenko', 1, 'Shevchenko', "
                             "'Bondarenko') || MOD(:I, 977), DATEADD(MOD(:I * 7, 29000) DAY TO DATE '1930-01-01'));\n"
                             "    I = I + 1;\n  END\nEND^\nSET TERM ;^\nCOMMIT;\n";
    bench::Shell("isql-fb -q -b -ch UTF8 -user SYSDBA -i '" + script.string() + "'");
  }
};

double SecondsOf(const std::function<void()>& run) {
  const double start = bench::ProcessSeconds();
  run();
  return bench::ProcessSeconds() - start;
}

int Pass(TDataSet& dataSet) {
  int count = 0;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) ++count;
  return count;
}

void BM_FilteredPassAgainstUnfiltered(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  Workspace space(rows);
  TComponent form{nullptr};
  auto* database = new TFIBDatabase(&form);
  auto* transaction = new TFIBTransaction(&form);
  auto* dataSet = new TpFIBDataSet(&form);
  bench::ConfigureDatabase(*database, space.database);
  transaction->SetDefaultDatabase(database);
  database->Connect();
  transaction->StartTransaction();
  dataSet->SetDatabase(database);
  dataSet->SetTransaction(transaction);
  dataSet->SelectSQL().SetText("select id, surname, born from person");
  dataSet->Open();
  dataSet->FetchAll();
  dataSet->SetFilter(kFilter);
  double plainSeconds = 0, filteredSeconds = 0;
  int shown = 0;
  for (auto _ : state) {
    dataSet->SetFiltered(false);
    int all = 0;
    plainSeconds += SecondsOf([&] { all = Pass(*dataSet); });
    if (all != rows) state.SkipWithError("the unfiltered pass saw another number of records");
    dataSet->SetFiltered(true);
    filteredSeconds += SecondsOf([&] { shown = Pass(*dataSet); });
    if (shown <= 0 || shown >= rows) state.SkipWithError("the filter shows no records or all of them");
  }
  dataSet->Close();
  transaction->Commit();
  database->Close();
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["records"] = rows;
  state.counters["shown"] = shown;
  state.counters["plain_pass_s"] = plainSeconds / iterations;
  state.counters["filtered_pass_s"] = filteredSeconds / iterations;
  state.counters["time_ratio"] = filteredSeconds / plainSeconds;
}

BENCHMARK(BM_FilteredPassAgainstUnfiltered)
    ->Arg(RowsWanted())
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
