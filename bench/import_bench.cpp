// The program's main job: a workbook of 50 000 persons × 10 columns (tests/import/PersonsWorkbook.h)
// into a fresh WIN1251 table of an embedded database, through the workbook import and a
// TpFIBDataSet that posts with a hand-written insert, committing every CommitCount rows
// through the import's transaction events (the way README.md shows; 5000 rows a commit,
// ORDVANE_BENCH_COMMIT_COUNT sets another count, ORDVANE_BENCH_ROWS another list length,
// e.g. for a profile); against a raw loop
// that inserts the same rows through one prepared INSERT in one transaction, the values
// read from the workbook beforehand so that the loop measures inserting alone.
//
// On the clocks: both sides connect to their database and prepare inside them (the import
// also opens its dataset); the import reads and converts the workbook inside its clock,
// the raw loop before its own.
//
// Each side runs as a process of its own (this program with --import or --raw), on its own
// copy of an empty database, five times taking turns, timed by the processor time it takes
// (on a shared machine the time it waits for a processor is the machine's load). Shown:
// rows per second of both and their ratio (goal: the import at least 0.6 of the raw loop),
// the peak resident size of both against the goal (the import at most 1.5 times the raw
// loop's plus the workbook's model, the memory the loaded cell model holds), and the split
// of the import's time (by the clock) between reading the workbook, converting values and
// posting rows. The split reads the clock around every post, which costs the import more
// than a per cent: it comes from a sixth import of its own (--import-split), and the five
// that the ratio compares read no clock per row.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "classlib/core/CodePages.h"
#include "datasets/pFIBDataSet.h"
#include "import/SMI2XLS.h"
#include "import/SMXLS.h"
#include "tests/import/PersonsImport.h"
#include "tests/import/PersonsWorkbook.h"

namespace {

using namespace ordvane;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The list's length; ORDVANE_BENCH_ROWS overrides it.
const unsigned kPersons = []() noexcept {
  const char* text = std::getenv("ORDVANE_BENCH_ROWS");
  return text != nullptr && std::atoi(text) > 0 ? static_cast<unsigned>(std::atoi(text)) : 50000U;
}();
// Rows per commit of the import; ORDVANE_BENCH_COMMIT_COUNT overrides it.
Integer CommitCount() {
  const char* text = std::getenv("ORDVANE_BENCH_COMMIT_COUNT");
  return text != nullptr ? std::atoi(text) : 5000;
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Starts the peak resident size afresh from what the process holds now.
void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

std::size_t BytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

struct TConnection {
  TComponent form{nullptr};
  TFIBDatabase* database = new TFIBDatabase(&form);
  TFIBTransaction* transaction = new TFIBTransaction(&form);
  explicit TConnection(const fs::path& file) {
    bench::ConfigureDatabase(*database, file);
    transaction->SetDefaultDatabase(database);
    database->Connect();
  }
};

// ---- The import -------------------------------------------------------------------------

// The import as README.md shows it. Prints seconds, rows, peak KiB, and, when asked to
// split its time, the seconds spent reading the workbook and posting (else -1 and 0).
int ImportRun(const std::string& workbook, const fs::path& database, bool split) {
  // Connecting and opening count here as they do in the raw loop.
  const Clock::time_point start = Clock::now();
  const double startCpu = bench::ProcessSeconds();
  TConnection connection(database);
  TpFIBDataSet* target = test::PersonsTarget(connection.form, *connection.database);
  TSMImportFromXLS import(nullptr);
  test::SetUpPersonsImport(import, workbook, *target, CommitCount());
  const Clock::time_point importStart = Clock::now();
  double readSeconds = -1, postSeconds = 0;
  Clock::time_point postStart;
  if (split) {
    // The workbook is loaded before the first transaction starts.
    const TNotifyEvent startTransaction = import.OnStartTransaction;
    import.OnStartTransaction = [&, startTransaction](TObject* sender) {
      if (readSeconds < 0) readSeconds = SecondsSince(importStart);
      startTransaction(sender);
    };
    target->BeforePost = [&](TDataSet*) { postStart = Clock::now(); };
    target->AfterPost = [&](TDataSet*) { postSeconds += SecondsSince(postStart); };
  }
  import.Execute();
  const double cpu = bench::ProcessSeconds() - startCpu, seconds = SecondsSince(start);
  if (import.Statistic()->Result() != irExecuted || import.Statistic()->TotalAdded() != static_cast<Integer>(kPersons)) {
    std::fprintf(stderr, "the import failed: %d rows added\n", import.Statistic()->TotalAdded());
    return 1;
  }
  std::printf("%.6f %.6f %u %ld %.6f %.6f\n", cpu, seconds, kPersons, bench::PeakResidentKiB(), readSeconds, postSeconds);
  return 0;
}

// ---- The raw loop -----------------------------------------------------------------------

// One row's values as the engine takes them.
struct TRawRow {
  ISC_LONG Id = 0;
  std::string Texts[6];  // surname, first name, patronymic, town, Latin name, note (WIN1251)
  bool TextNull[6] = {};
  ISC_DATE Born = 0;
  ISC_INT64 TaxNo = 0;
  bool TaxNoNull = false;
  ISC_INT64 Cents = 0;
};

constexpr int kTextColumns[6] = {1, 2, 3, 5, 8, 9};

// Reads the workbook with the same reader and keeps its values typed; answers the bytes
// the loaded model held.
std::vector<TRawRow> ReadRows(const std::string& workbook, std::size_t& modelBytes) {
  std::vector<TRawRow> rows;
  const std::size_t before = BytesInUse();
  TMSExcel reader(nullptr);
  reader.LoadFromFile(workbook);
  modelBytes = BytesInUse() - before;
  const TSpreadSheetCells& cells = reader.Sheets().FindSheet(0)->Cells();
  rows.reserve(kPersons);
  for (unsigned r = 1; r <= kPersons; ++r) {
    TRawRow row;
    row.Id = static_cast<ISC_LONG>(cells.CellValue(0, static_cast<Integer>(r)).AsInteger());
    for (int t = 0; t < 6; ++t) {
      const Variant value = cells.CellValue(kTextColumns[t], static_cast<Integer>(r));
      row.TextNull[t] = VarIsEmpty(value);
      if (!row.TextNull[t]) row.Texts[t] = VarToStr(value);
    }
    constexpr ISC_DATE kDaysTo1899 = 15018;  // from 17 November 1858 to 30 December 1899
    row.Born = static_cast<ISC_DATE>(std::lround(cells.CellValue(4, static_cast<Integer>(r)).AsDouble())) + kDaysTo1899;
    const Variant tax = cells.CellValue(6, static_cast<Integer>(r));
    row.TaxNoNull = VarIsEmpty(tax);
    if (!row.TaxNoNull) row.TaxNo = std::llround(tax.AsDouble());
    row.Cents = std::llround(cells.CellValue(7, static_cast<Integer>(r)).AsDouble() * 100);
    rows.push_back(std::move(row));
  }
  return rows;
}

// Prepare, bind each row's values by position, execute, commit once.
int RawRun(const std::string& workbook, const fs::path& database) {
  std::size_t modelBytes = 0;
  const std::vector<TRawRow> rows = ReadRows(workbook, modelBytes);
  malloc_trim(0);
  ResetPeak();
  const Clock::time_point start = Clock::now();
  const double startCpu = bench::ProcessSeconds();
  TConnection connection(database);
  IIBClientLibrary& library = connection.database->ClientLibrary();
  const auto check = [&](ISC_STATUS status) {
    if (status != 0) IBError(library, connection.database);
  };
  connection.transaction->StartTransaction();
  isc_stmt_handle statement = 0;
  check(library.isc_dsql_alloc_statement2(StatusVector(), connection.database->DBHandle(), &statement));
  const std::string insert = std::string("insert into PERSONS (") + test::kPersonsColumnList + ") values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
  check(library.isc_dsql_prepare(StatusVector(), connection.transaction->TRHandle(), &statement, 0, insert.c_str(), 3,
                                 nullptr));
  std::vector<char> area(XSQLDA_LENGTH(10));
  auto* params = reinterpret_cast<XSQLDA*>(area.data());
  params->version = SQLDA_VERSION1;
  params->sqln = 10;
  check(library.isc_dsql_describe_bind(StatusVector(), &statement, SQLDA_VERSION1, params));
  short indicators[10] = {};
  const auto bind = [&](int i, short type, short scale, const void* data, std::size_t length, bool null) {
    XSQLVAR& var = params->sqlvar[i];
    var.sqltype = static_cast<short>(type | 1);
    var.sqlscale = scale;
    var.sqldata = static_cast<char*>(const_cast<void*>(data));
    var.sqllen = static_cast<short>(length);
    var.sqlind = &indicators[i];
    indicators[i] = null ? -1 : 0;
  };
  for (const TRawRow& row : rows) {
    bind(0, SQL_LONG, 0, &row.Id, sizeof row.Id, false);
    for (int t = 0; t < 6; ++t)
      bind(kTextColumns[t], SQL_TEXT, 0, row.Texts[t].data(), row.Texts[t].size(), row.TextNull[t]);
    bind(4, SQL_TYPE_DATE, 0, &row.Born, sizeof row.Born, false);
    bind(6, SQL_INT64, 0, &row.TaxNo, sizeof row.TaxNo, row.TaxNoNull);
    bind(7, SQL_INT64, -2, &row.Cents, sizeof row.Cents, false);
    check(library.isc_dsql_execute(StatusVector(), connection.transaction->TRHandle(), &statement, SQLDA_VERSION1,
                                   params));
  }
  check(library.isc_dsql_free_statement(StatusVector(), &statement, DSQL_drop));
  connection.transaction->Commit();
  const double cpu = bench::ProcessSeconds() - startCpu, seconds = SecondsSince(start);
  std::printf("%.6f %.6f %zu %ld %zu\n", cpu, seconds, rows.size(), bench::PeakResidentKiB(), modelBytes);
  return 0;
}

// ---- The comparison ---------------------------------------------------------------------

struct TRun {
  double Seconds = 0;      // processor time
  double WallSeconds = 0;
  long Rows = 0, PeakKiB = 0;
  double ReadSeconds = 0, PostSeconds = 0;  // the import's
  std::size_t ModelBytes = 0;               // the raw loop's reading
};

int Compare() {
  bench::TempFolder folder;
  const fs::path workbook = folder.Path() / "persons.xls", empty = folder.Path() / "empty.fdb";
  {
    const test::Bytes bytes = test::PersonsWorkbook(kPersons);
    std::ofstream(workbook, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const fs::path script = folder.Path() / "create.sql";
  std::ofstream(script) << "CREATE DATABASE '" << empty.string()
                        << "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n"
                        << std::ifstream(ORDVANE_SOURCE_DIR "/tests/fixtures/import/persons_list.sql").rdbuf();
  bench::Shell("isql-fb -q -b -ch UTF8 -user SYSDBA -i '" + script.string() + "'");
  // Without forced writes: each side's time is then its own work and the engine's, not
  // the disk's syncs, which differ from one machine to the next far more than either.
  bench::Shell("gfix -write async -user SYSDBA '" + empty.string() + "'");
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const auto run = [&](const std::string& mode) -> std::optional<TRun> {
    const fs::path database = folder.Path() / (mode + ".fdb");
    fs::copy_file(empty, database, fs::copy_options::overwrite_existing);
    const auto output = bench::RunChild({self, "--" + mode, workbook.string(), database.string()});
    fs::remove(database);
    TRun result;
    if (!output) return std::nullopt;
    const char* text = output->Output.c_str();
    if (mode != "raw" && std::sscanf(text, "%lf %lf %ld %ld %lf %lf", &result.Seconds,
                                        &result.WallSeconds, &result.Rows, &result.PeakKiB, &result.ReadSeconds,
                                        &result.PostSeconds) != 6)
      return std::nullopt;
    if (mode == "raw" &&
        std::sscanf(text, "%lf %lf %ld %ld %zu", &result.Seconds, &result.WallSeconds, &result.Rows,
                    &result.PeakKiB, &result.ModelBytes) != 5)
      return std::nullopt;
    return result;
  };
  // The runs take turns; each pair meets about the same load of a shared machine, so the
  // ratio is the median of the pairs' ratios, and each side's figures its median run's.
  std::vector<TRun> raws, imports;
  std::vector<double> ratios;
  for (int i = 0; i < 5; ++i) {
    const auto rawRun = run("raw"), importRun = run("import");
    if (!rawRun || !importRun) {
      std::printf("a run failed\n");
      return 1;
    }
    std::printf("run %d: processor time raw %.3f s, import %.3f s, ratio %.3f (wall %.3f s, %.3f s)\n", i + 1,
                rawRun->Seconds, importRun->Seconds, rawRun->Seconds / importRun->Seconds, rawRun->WallSeconds,
                importRun->WallSeconds);
    raws.push_back(*rawRun);
    imports.push_back(*importRun);
    ratios.push_back(rawRun->Seconds / importRun->Seconds);
  }
  const auto median = [](std::vector<TRun>& runs) {
    std::sort(runs.begin(), runs.end(), [](const TRun& a, const TRun& b) { return a.Seconds < b.Seconds; });
    return runs[runs.size() / 2];
  };
  std::sort(ratios.begin(), ratios.end());
  const TRun raw = median(raws), import = median(imports);
  std::printf("rows/s: import %.0f, raw loop %.0f (medians); ratio %.3f (median of the pairs; goal >= 0.6)\n",
              kPersons / import.Seconds, kPersons / raw.Seconds, ratios[ratios.size() / 2]);
  const double modelMiB = static_cast<double>(raw.ModelBytes) / (1024.0 * 1024.0);
  const double limitMiB = 1.5 * raw.PeakKiB / 1024.0 + modelMiB;
  std::printf("peak memory: import %.1f MiB, raw loop %.1f MiB, workbook model %.1f MiB: %.2f of the goal's %.1f MiB\n",
              import.PeakKiB / 1024.0, raw.PeakKiB / 1024.0, modelMiB, import.PeakKiB / 1024.0 / limitMiB,
              limitMiB);
  const auto splitRun = run("import-split");
  if (!splitRun) {
    std::printf("a run failed\n");
    return 1;
  }
  const double convert = splitRun->WallSeconds - splitRun->ReadSeconds - splitRun->PostSeconds;
  std::printf("the import's time (a sixth run, its posts timed): reading %.1f%%, converting %.1f%%, posting %.1f%%\n",
              100 * splitRun->ReadSeconds / splitRun->WallSeconds, 100 * convert / splitRun->WallSeconds,
              100 * splitRun->PostSeconds / splitRun->WallSeconds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    bench::LeaveStatementsUntraced();
    if (argc == 4 && std::strcmp(argv[1], "--import") == 0) return ImportRun(argv[2], argv[3], false);
    if (argc == 4 && std::strcmp(argv[1], "--import-split") == 0) return ImportRun(argv[2], argv[3], true);
    if (argc == 4 && std::strcmp(argv[1], "--raw") == 0) return RawRun(argv[2], argv[3]);
    return Compare();
  } catch (const std::exception& error) {
    // A run that fails (no database, no client library) says why.
    std::fprintf(stderr, "import_bench: %s\n", error.what());
    return 1;
  }
}
