// Rows per second of a dataset's Open + FetchAll over a table of persons (INTEGER,
// VARCHAR(40) Cyrillic surnames of 4 to 14 letters, DATE, NUMERIC(15,2), DOUBLE PRECISION)
// against a raw isc_dsql_fetch loop over the same select in the same process, on the
// embedded engine; and the dataset's memory per record (the allocator's bytes in use
// before the open and after the fetch) against the XSQLDA data area of one row with its
// null indicators. The row count is the argument; ORDVANE_BENCH_ROWS overrides it.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "datasets/pFIBDataSet.h"

namespace {

using namespace ordvane;
namespace fs = std::filesystem;

constexpr const char* kSelect = "select id, surname, born, amount, ratio from person";

struct Workspace {
  bench::TempFolder folder;
  fs::path dir = folder.Path();
  fs::path database = dir / "persons.fdb";
  int rows = 0;

  // A table of `count` persons, filled by the server in one EXECUTE BLOCK loop.
  void Fill(int count) {
    if (count == rows) return;
    fs::remove(database);
    const fs::path script = dir / "create.sql";
    std::ofstream(script) << "CREATE DATABASE '" << database.string()
                          << "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n"
                             "CREATE TABLE PERSON (ID INTEGER NOT NULL PRIMARY KEY, SURNAME VARCHAR(40), BORN DATE, "
                             "AMOUNT NUMERIC(15,2), RATIO DOUBLE PRECISION);\nCOMMIT;\nSET TERM ^;\n"
                             "EXECUTE BLOCK AS\n  DECLARE I INTEGER = 1;\nBEGIN\n  WHILE (I <= "
                          << count
                          << ") DO BEGIN\n"
                             "    INSERT INTO PERSON VALUES (:I, 'Кова' || RPAD('', MOD(:I, 11), "
                             "SUBSTRING('абвгдежзиклмнопрстуфхцчшщюя' FROM MOD(:I, 27) + 1 FOR 1)), "
                             "DATEADD(MOD(:I, 30000) DAY TO DATE '1930-01-01'), :I / 100.0, :I / 7.0);\n"
                             "    I = I + 1;\n  END\nEND^\nSET TERM ;^\nCOMMIT;\n";
    bench::Shell("isql-fb -q -b -ch UTF8 -user SYSDBA -i '" + script.string() + "'");
    rows = count;
  }
  void Configure(TFIBDatabase& db) const { bench::ConfigureDatabase(db, database); }
};

Workspace& Space() {
  static Workspace space;
  return space;
}

// Blocks from the heap and blocks the allocator maps by themselves (the large ones).
std::size_t BytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// The raw loop: prepare, describe into the client's own descriptor area, execute, fetch
// to the end. Answers the rows and the data area of one row with its indicators.
int RawFetch(TFIBDatabase& database, TFIBTransaction& transaction, std::size_t& rowBytes) {
  IIBClientLibrary& library = database.ClientLibrary();
  isc_stmt_handle statement = 0;
  const auto check = [&](ISC_STATUS status) {
    if (status != 0) IBError(library, &database);
  };
  check(library.isc_dsql_alloc_statement2(StatusVector(), database.DBHandle(), &statement));
  std::vector<char> area(XSQLDA_LENGTH(5));
  auto* columns = reinterpret_cast<XSQLDA*>(area.data());
  columns->version = SQLDA_VERSION1;
  columns->sqln = 5;
  check(library.isc_dsql_prepare(StatusVector(), transaction.TRHandle(), &statement, 0, kSelect, 3, columns));
  std::vector<std::vector<char>> data(static_cast<std::size_t>(columns->sqld));
  std::vector<short> indicators(static_cast<std::size_t>(columns->sqld));
  rowBytes = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    XSQLVAR& var = columns->sqlvar[i];
    const std::size_t size = static_cast<std::size_t>(var.sqllen) + ((var.sqltype & ~1) == SQL_VARYING ? 2 : 0);
    data[i].resize(size);
    var.sqldata = data[i].data();
    var.sqlind = &indicators[i];
    rowBytes += size + sizeof(short);
  }
  check(library.isc_dsql_execute(StatusVector(), transaction.TRHandle(), &statement, SQLDA_VERSION1, nullptr));
  int count = 0;
  ISC_STATUS status;
  while ((status = library.isc_dsql_fetch(StatusVector(), &statement, SQLDA_VERSION1, columns)) == 0) ++count;
  if (status != 100) IBError(library, &database);
  check(library.isc_dsql_free_statement(StatusVector(), &statement, DSQL_drop));
  return count;
}

// Each iteration runs the raw loop and the dataset one after the other over the same
// data, so that both meet the same load of a shared machine. The benchmark's time is the
// dataset's.
void BM_DataSetFetchAgainstRawLoop(benchmark::State& state) {
  Workspace& space = Space();
  const int rows = bench::RowsWanted(static_cast<int>(state.range(0)));
  space.Fill(rows);
  TComponent form(nullptr);
  auto* database = new TFIBDatabase(&form);
  auto* transaction = new TFIBTransaction(&form);
  space.Configure(*database);
  transaction->SetDefaultDatabase(database);
  database->Connect();
  transaction->StartTransaction();
  double rawSeconds = 0, dataSetSeconds = 0, bytesPerRecord = 0;
  std::size_t rowBytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    int rawRows = 0;
    rawSeconds += bench::SecondsOf([&] { rawRows = RawFetch(*database, *transaction, rowBytes); });
    if (rawRows != rows) state.SkipWithError("the raw loop fetched another number of rows");
    auto* dataSet = new TpFIBDataSet(&form);
    dataSet->SetDatabase(database);
    dataSet->SetTransaction(transaction);
    dataSet->SelectSQL().SetText(kSelect);
    const std::size_t before = BytesInUse();
    state.ResumeTiming();
    dataSetSeconds += bench::SecondsOf([&] {
      dataSet->Open();
      dataSet->FetchAll();
    });
    state.PauseTiming();
    if (dataSet->RecordCount() != rows) state.SkipWithError("the dataset fetched another number of rows");
    bytesPerRecord = static_cast<double>(BytesInUse() - before) / rows;
    delete dataSet;
    state.ResumeTiming();
  }
  const double total = static_cast<double>(rows) * static_cast<double>(state.iterations());
  state.counters["raw_rows/s"] = total / rawSeconds;
  state.counters["dataset_rows/s"] = total / dataSetSeconds;
  state.counters["ratio_to_raw"] = rawSeconds / dataSetSeconds;
  state.counters["bytes/record"] = bytesPerRecord;
  state.counters["row_area_bytes"] = static_cast<double>(rowBytes);
  state.counters["memory_ratio"] = bytesPerRecord / static_cast<double>(rowBytes);
  transaction->Commit();
  database->Close();
}

BENCHMARK(BM_DataSetFetchAgainstRawLoop)
    ->ArgName("rows")
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
