// A dataset over a table of persons (INTEGER key, VARCHAR(40) WIN1251 names, DATE,
// NUMERIC(15,2), VARCHAR(80) towns), on the embedded engine, against raw client-API loops
// over the same select in the same process, each timed by the processor time it takes:
// - Open to the last record and Close, against prepare, execute, isc_dsql_fetch to the
//   end and free (goal: rows per second at least 0.8 of the raw loop's);
// - every field of every record read as text (AsString, what the grid, the filter and
//   every export do), against the raw loop turning each fetched value into the same text
//   with the cheapest correct routine, written into a reused buffer (goal: at most 1.3
//   times the raw loop's time);
// - the dataset's memory per record (the allocator's bytes in use before the open and
//   after the fetch) against the data area of one row with its null indicators (goal: at
//   most 1.5);
// - the peak resident size of a process that opens the dataset and fetches it all, against
//   that of a process running the raw loop (each a run of this program of its own);
// - the first open as a program meets it: a fresh run of this program per side, alternating,
//   each connected outside its clock and timing one fetch to the end (the dataset's Open,
//   Last and Close; the raw loop's prepare, execute, fetches and free) with the page faults
//   that fetch takes. The repeated passes above find the memory of the earlier ones already
//   mapped; a fresh process maps all of it.
// The row count is the argument; ORDVANE_BENCH_ROWS overrides it.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/RawSelect.h"
#include "classlib/core/SysUtils.h"
#include "datasets/pFIBDataSet.h"

namespace {

using namespace ordvane;
namespace fs = std::filesystem;

constexpr const char* kSelect = "select id, name, born, amount, town from person";
constexpr int kColumns = 5;
constexpr int kDefaultRows = 1000000;

struct Workspace {
  bench::TempFolder folder;
  fs::path dir = folder.Path();
  fs::path database = dir / "persons.fdb";
  int rows = 0;

  // A table of `count` persons, filled by the server in one EXECUTE BLOCK loop: names of
  // 4 to 40 letters, towns of a few hundred.
  void Fill(int count) {
    if (count == rows) return;
    fs::remove(database);
    const fs::path script = dir / "create.sql";
    std::ofstream(script) << "CREATE DATABASE '" << database.string()
                          << "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n"
                             "CREATE TABLE PERSON (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40), BORN DATE, "
                             "AMOUNT NUMERIC(15,2), TOWN VARCHAR(80));\nCOMMIT;\nSET TERM ^;\n"
                             "EXECUTE BLOCK AS\n  DECLARE I INTEGER = 1;\nBEGIN\n  WHILE (I <= "
                          << count
                          << ") DO BEGIN\n"
                             "    INSERT INTO PERSON VALUES (:I, 'Кова' || RPAD('', MOD(:I, 11), "
                             "SUBSTRING('абвгдежзиклмнопрстуфхцчшщюя' FROM MOD(:I, 27) + 1 FOR 1)) || ' Ірина "
                             "Олександрівна', DATEADD(MOD(:I, 30000) DAY TO DATE '1930-01-01'), "
                             "MOD(:I * 7919, 10000000) / 100.0, 'с. Олександрівка (' || MOD(:I, 300) || ' район)');\n"
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

int RowsWanted() {
  const char* text = std::getenv("ORDVANE_BENCH_ROWS");
  return text != nullptr ? std::atoi(text) : kDefaultRows;
}

// Blocks from the heap and blocks the allocator maps by themselves (the large ones).
std::size_t BytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// ---- The raw loop -----------------------------------------------------------------------

// The text of one fetched value as the dataset's fields give it: integers in decimal,
// strings as stored (the connection's character set is the process's), dates by the
// workstation's "dd.mm.yyyy", scaled numbers with every digit of their scale after the
// decimal separator. Written into `text`, whose room is reused.
void AppendDigits(std::string& text, unsigned value, int width) {
  char digits[10];
  for (int i = width - 1; i >= 0; --i, value /= 10) digits[i] = static_cast<char>('0' + value % 10);
  text.append(digits, static_cast<std::size_t>(width));
}

void RawText(const XSQLVAR& var, std::string& text) {
  text.clear();
  if ((var.sqltype & 1) != 0 && *var.sqlind < 0) return;
  switch (var.sqltype & ~1) {
    case SQL_LONG: {
      ISC_LONG value;
      std::memcpy(&value, var.sqldata, sizeof value);
      char digits[12];
      text.assign(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
      return;
    }
    case SQL_VARYING: {
      short length;
      std::memcpy(&length, var.sqldata, sizeof length);
      text.assign(var.sqldata + 2, static_cast<std::size_t>(length));
      return;
    }
    case SQL_TYPE_DATE: {
      ISC_DATE days;
      std::memcpy(&days, var.sqldata, sizeof days);
      // Days since 17 November 1858 to the civil date.
      long a = days + 2400001 + 32044;
      const long b = (4 * a + 3) / 146097;
      a -= 146097 * b / 4;
      const long d = (4 * a + 3) / 1461;
      const long e = a - 1461 * d / 4;
      const long m = (5 * e + 2) / 153;
      const unsigned day = static_cast<unsigned>(e - (153 * m + 2) / 5 + 1);
      const unsigned month = static_cast<unsigned>(m + 3 - 12 * (m / 10));
      const unsigned year = static_cast<unsigned>(100 * b + d - 4800 + m / 10);
      AppendDigits(text, day, 2);
      text += '.';
      AppendDigits(text, month, 2);
      text += '.';
      AppendDigits(text, year, 4);
      return;
    }
    case SQL_INT64: {
      ISC_INT64 value;
      std::memcpy(&value, var.sqldata, sizeof value);
      const int scale = -var.sqlscale;
      char digits[24];
      char* end = std::to_chars(digits, digits + sizeof digits, value < 0 ? -value : value).ptr;
      std::size_t count = static_cast<std::size_t>(end - digits);
      if (value < 0) text += '-';
      if (count <= static_cast<std::size_t>(scale)) text.append(static_cast<std::size_t>(scale) + 1 - count, '0');
      text.append(digits, count > static_cast<std::size_t>(scale) ? count - static_cast<std::size_t>(scale) : 0);
      text += FormatSettings().DecimalSeparator;
      text.append(end - std::min<std::size_t>(count, static_cast<std::size_t>(scale)),
                  std::min<std::size_t>(count, static_cast<std::size_t>(scale)));
      return;
    }
    default:
      throw std::runtime_error("a column of an unexpected type");
  }
}

// Answers the rows; with text, every value is also turned into text.
int RawFetch(TFIBDatabase& database, TFIBTransaction& transaction, bool asText, std::size_t& rowBytes,
             std::size_t& textBytes) {
  bench::TRawSelect select(database, transaction, kSelect, kColumns);
  rowBytes = select.RowBytes();
  std::string texts[kColumns];
  int count = 0;
  while (select.Fetch()) {
    ++count;
    if (!asText) continue;
    for (int i = 0; i < kColumns; ++i) {
      RawText(select.Column(i), texts[i]);
      textBytes += texts[i].size();
    }
  }
  return count;
}

// ---- The dataset ------------------------------------------------------------------------

TpFIBDataSet* NewDataSet(TComponent& form, TFIBDatabase& database, TFIBTransaction& transaction) {
  auto* dataSet = new TpFIBDataSet(&form);
  dataSet->SetDatabase(&database);
  dataSet->SetTransaction(&transaction);
  dataSet->SelectSQL().SetText(kSelect);
  return dataSet;
}

// Every field of every record as text, moving from the first record to the last.
int ReadAllAsText(TDataSet& dataSet, std::size_t& textBytes) {
  int count = 0;
  TField* fields[kColumns];
  for (int i = 0; i < kColumns; ++i) fields[i] = dataSet.Fields().Fields(i);
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    ++count;
    for (TField* field : fields) textBytes += field->AsString().size();
  }
  return count;
}

double SecondsOf(const std::function<void()>& run) {
  const double start = bench::ProcessSeconds();
  run();
  return bench::ProcessSeconds() - start;
}

struct TConnection {
  TComponent form{nullptr};
  TFIBDatabase* database = new TFIBDatabase(&form);
  TFIBTransaction* transaction = new TFIBTransaction(&form);
  TConnection() {
    Space().Configure(*database);
    transaction->SetDefaultDatabase(database);
    database->Connect();
    transaction->StartTransaction();
  }
  ~TConnection() {
    transaction->Commit();
    database->Close();
  }
};

// Each iteration runs the raw loop and the dataset one after the other over the same
// data, so that both meet the same load of a shared machine. The benchmark's time is the
// dataset's.
void BM_DataSetFetchAgainstRawLoop(benchmark::State& state) {
  const int rows = Space().rows;
  TConnection connection;
  double rawSeconds = 0, dataSetSeconds = 0, bytesPerRecord = 0;
  std::size_t rowBytes = 0, ignored = 0;
  for (auto _ : state) {
    state.PauseTiming();
    int rawRows = 0;
    rawSeconds += SecondsOf([&] { rawRows = RawFetch(*connection.database, *connection.transaction, false, rowBytes, ignored); });
    if (rawRows != rows) state.SkipWithError("the raw loop fetched another number of rows");
    TpFIBDataSet* dataSet = NewDataSet(connection.form, *connection.database, *connection.transaction);
    std::size_t before = 0;
    state.ResumeTiming();
    dataSetSeconds += SecondsOf([&] {
      before = BytesInUse();
      dataSet->Open();
      dataSet->Last();
      if (dataSet->RecordCount() != rows) state.SkipWithError("the dataset fetched another number of rows");
      bytesPerRecord = static_cast<double>(BytesInUse() - before) / rows;
      dataSet->Close();
    });
    state.PauseTiming();
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
}

void BM_AllAsTextAgainstRawText(benchmark::State& state) {
  const int rows = Space().rows;
  TConnection connection;
  double rawSeconds = 0, dataSetSeconds = 0;
  std::size_t rowBytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::size_t rawText = 0, dataSetText = 0;
    rawSeconds += SecondsOf([&] { RawFetch(*connection.database, *connection.transaction, true, rowBytes, rawText); });
    TpFIBDataSet* dataSet = NewDataSet(connection.form, *connection.database, *connection.transaction);
    state.ResumeTiming();
    int read = 0;
    dataSetSeconds += SecondsOf([&] {
      dataSet->Open();
      read = ReadAllAsText(*dataSet, dataSetText);
      dataSet->Close();
    });
    state.PauseTiming();
    delete dataSet;
    if (read != rows) state.SkipWithError("the dataset read another number of rows");
    if (dataSetText != rawText) state.SkipWithError("the dataset's texts are not the raw loop's");
    state.ResumeTiming();
  }
  state.counters["raw_text_s"] = rawSeconds / static_cast<double>(state.iterations());
  state.counters["dataset_text_s"] = dataSetSeconds / static_cast<double>(state.iterations());
  state.counters["time_ratio"] = dataSetSeconds / rawSeconds;
}

BENCHMARK(BM_DataSetFetchAgainstRawLoop)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_AllAsTextAgainstRawText)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// ---- Peak memory, a process each ----------------------------------------------------------

// This program run as `--peak raw|dataset DATABASE`: fetches every row once and prints its
// peak resident size in KiB.
int PeakRun(const std::string& kind) {
  TConnection connection;
  std::size_t rowBytes = 0, ignored = 0;
  if (kind == "raw") {
    RawFetch(*connection.database, *connection.transaction, false, rowBytes, ignored);
  } else {
    TpFIBDataSet* dataSet = NewDataSet(connection.form, *connection.database, *connection.transaction);
    dataSet->Open();
    dataSet->Last();
    benchmark::DoNotOptimize(dataSet->RecordCount());
  }
  std::printf("%ld\n", bench::PeakResidentKiB());
  return 0;
}

// This program run as `--text raw|dataset DATABASE`: one side of the text pass alone, three
// times, for profilers that see a whole process (page faults, kernel time); prints its
// processor seconds.
int TextRun(const std::string& kind) {
  TConnection connection;
  std::size_t rowBytes = 0, textBytes = 0;
  const double seconds = SecondsOf([&] {
    for (int i = 0; i < 3; ++i) {
      if (kind == "raw") {
        RawFetch(*connection.database, *connection.transaction, true, rowBytes, textBytes);
      } else {
        const std::unique_ptr<TpFIBDataSet> dataSet(
            NewDataSet(connection.form, *connection.database, *connection.transaction));
        dataSet->Open();
        ReadAllAsText(*dataSet, textBytes);
        dataSet->Close();
      }
    }
  });
  std::printf("%s: %.3f s, %zu bytes of text\n", kind.c_str(), seconds, textBytes);
  return 0;
}

long MinorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// This program run as `--first raw|dataset DATABASE`: one fetch to the end in this fresh
// process; prints its processor seconds and page faults.
int FirstRun(const std::string& kind) {
  TConnection connection;
  std::size_t rowBytes = 0, ignored = 0;
  const std::unique_ptr<TpFIBDataSet> dataSet(
      NewDataSet(connection.form, *connection.database, *connection.transaction));
  int rows = 0;
  const long faultsBefore = MinorFaults();
  const double seconds = SecondsOf([&] {
    if (kind == "raw") {
      rows = RawFetch(*connection.database, *connection.transaction, false, rowBytes, ignored);
    } else {
      dataSet->Open();
      dataSet->Last();
      rows = dataSet->RecordCount();
      dataSet->Close();
    }
  });
  std::printf("%d %.6f %ld\n", rows, seconds, MinorFaults() - faultsBefore);
  return 0;
}

struct TFirstOpen {
  int rows = 0;
  double seconds = 0;
  long faults = 0;
};

std::optional<TFirstOpen> FirstOpenOfChild(const std::string& kind) {
  const auto output = bench::RunChild({fs::read_symlink("/proc/self/exe").string(), "--first", kind,
                                       Space().database.string()});
  TFirstOpen run;
  if (!output || std::sscanf(output->Output.c_str(), "%d %lf %ld", &run.rows, &run.seconds, &run.faults) != 3 ||
      run.rows != Space().rows)
    return std::nullopt;
  return run;
}

// Fresh processes in turns, raw loop then dataset, so that both meet the same load.
void ReportFirstOpens(int pairs) {
  double rawSeconds = 0, dataSetSeconds = 0;
  long rawFaults = 0, dataSetFaults = 0;
  for (int i = 0; i < pairs; ++i) {
    const auto raw = FirstOpenOfChild("raw");
    const auto dataSet = FirstOpenOfChild("dataset");
    if (!raw || !dataSet) {
      std::printf("first opens not measured: a child run failed\n");
      return;
    }
    rawSeconds += raw->seconds;
    dataSetSeconds += dataSet->seconds;
    rawFaults += raw->faults;
    dataSetFaults += dataSet->faults;
  }
  std::printf(
      "first open in a fresh process over %d rows (%d each): dataset %.3f s, %ld page faults; raw loop %.3f s, "
      "%ld page faults; ratio to raw %.2f\n",
      Space().rows, pairs, dataSetSeconds / pairs, dataSetFaults / pairs, rawSeconds / pairs, rawFaults / pairs,
      rawSeconds / dataSetSeconds);
}

long PeakOfChild(const std::string& kind) {
  const auto output = bench::RunChild({fs::read_symlink("/proc/self/exe").string(), "--peak", kind,
                                       Space().database.string()});
  return output ? std::atol(output->Output.c_str()) : 0;
}

int RunBench(int argc, char** argv) {
  bench::LeaveStatementsUntraced();
  if (argc == 4 && std::strcmp(argv[1], "--peak") == 0) {
    Space().database = argv[3];
    return PeakRun(argv[2]);
  }
  if (argc == 4 && std::strcmp(argv[1], "--first") == 0) {
    Space().database = argv[3];
    return FirstRun(argv[2]);
  }
  if (argc == 4 && std::strcmp(argv[1], "--text") == 0) {
    Space().database = argv[3];
    return TextRun(argv[2]);
  }
  benchmark::Initialize(&argc, argv);
  Space().Fill(RowsWanted());
  const long rawPeak = PeakOfChild("raw"), dataSetPeak = PeakOfChild("dataset");
  benchmark::RunSpecifiedBenchmarks();
  ReportFirstOpens(3);
  if (rawPeak > 0 && dataSetPeak > 0)
    std::printf("peak resident size over %d rows: dataset %.1f MiB, raw loop %.1f MiB, ratio %.2f\n", Space().rows,
                dataSetPeak / 1024.0, rawPeak / 1024.0, static_cast<double>(dataSetPeak) / rawPeak);
  else
    std::printf("peak resident sizes not measured: a child run failed\n");
  benchmark::Shutdown();
  return 0;
}

}  // namespace

// A run that fails says why and exits with 1.
int main(int argc, char** argv) {
  try {
    return RunBench(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
