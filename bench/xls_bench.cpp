// Loading an Excel 97 workbook of 50 000 rows by 10 columns into the cell model, for two
// workbooks: a list of persons as a spreadsheet program saves it (tests/import/PersonsWorkbook.h:
// Cyrillic and Latin texts in the shared-string table, one record per number, birth dates),
// and a compact one made here (ASCII names, five numbers to a MULRK record). For each:
// - in MB/s of the file, against reading the same file's bytes (the limit of any reader);
// - against xlrd (bench/xlrd_load.py: open_workbook and every row's values), each in a
//   program of its own on the same file (ours is xls_load): a throughput ratio of whole
//   processes by the processor time each takes from start to exit (xlrd's over ours; on a
//   shared machine the wall time is mostly the machine's load), and a peak-memory ratio
//   (our program's peak resident size over xlrd's); the ratio by the clock and that of the
//   load alone in each program are shown beside it;
// - the time to free the model as a share of the time to load it.
// The goals (throughput at least 10 times xlrd's, peak memory at most half of it) are the
// persons list's: it is what the program exists to read.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

#include "bench/BenchSupport.h"
#include "import/SMXLS.h"
#include "tests/import/PersonsWorkbook.h"

namespace {

using namespace ordvane;
using namespace ordvane::test;

constexpr unsigned kRows = 50000;
constexpr unsigned kColumns = 10;
// A list of persons: a name of each row's own, a town of a few hundred, a category of a few.
constexpr unsigned kTowns = 300, kCategories = 13;
constexpr unsigned kTownStrings = kRows, kCategoryStrings = kRows + kTowns;

// The compact workbook: per row three shared strings (a name of the row's own, a town, a
// category), five numbers in one MULRK record, a fraction and a date.
Bytes SharedStrings() {
  Bytes strings;
  auto add = [&](const std::string& text) {
    Append(strings, U16(static_cast<unsigned>(text.size())) + Bytes{0} + Bytes(text.begin(), text.end()));
  };
  for (unsigned i = 0; i < kRows; ++i) add("Person " + std::to_string(i));
  for (unsigned i = 0; i < kTowns; ++i) add("Town " + std::to_string(i));
  for (unsigned i = 0; i < kCategories; ++i) add("Category " + std::to_string(i));
  // The table goes on in CONTINUE records of at most 8224 bytes, each starting with a string.
  Bytes out;
  Bytes record = U32(static_cast<unsigned long>(kRows) * 3) + U32(kRows + kTowns + kCategories);
  std::size_t at = 0;
  while (at < strings.size()) {
    const std::size_t length = 2 + 1 + strings[at];
    if (record.size() + length > 8224) {
      Append(out, Record(out.empty() ? 0x00FC : BIFF_CONTINUE, record));
      record.clear();
    }
    Append(record, Bytes(strings.begin() + static_cast<std::ptrdiff_t>(at),
                         strings.begin() + static_cast<std::ptrdiff_t>(at + length)));
    at += length;
  }
  Append(out, Record(out.empty() ? 0x00FC : BIFF_CONTINUE, record));
  return out;
}

Bytes Rows() {
  Bytes out;
  Append(out, Record(0x0200, U32(0) + U32(kRows) + U16(0) + U16(kColumns) + U16(0)));
  auto labelSST = [](unsigned row, unsigned col, unsigned index) {
    return Record(0x00FD, U16(row) + U16(col) + U16(0) + U32(index));
  };
  for (unsigned row = 0; row < kRows; ++row) {
    Append(out, labelSST(row, 0, row));
    Bytes rk = U16(row) + U16(1);
    for (unsigned col = 1; col <= 5; ++col) Append(rk, U16(0) + U32((row * 10 + col) << 2 | 2));
    Append(out, Record(0x00BD, rk + U16(5)));
    Append(out, Number(row, 6, 0, row / 7.0));
    Append(out, Number(row, 7, 1, 40000 + row % 3000));
    Append(out, labelSST(row, 8, kTownStrings + (row * 7) % kTowns));
    Append(out, labelSST(row, 9, kCategoryStrings + (row * 5) % kCategories));
  }
  return out;
}

Bytes CompactWorkbook() {
  const Bytes globals = Record(0x041E, U16(164) + String16(u"dd.mm.yyyy")) +
                        Record(0x00E0, U16(0) + U16(0) + U16(0) + U16(0) + Bytes(12, 0)) +
                        Record(0x00E0, U16(0) + U16(164) + U16(0) + U16(0) + Bytes(12, 0)) + SharedStrings();
  return CompoundFile(u"Workbook", WorkbookStream(globals, {{"Data", 0x10, Rows()}}));
}

class TWorkbookFile {
 public:
  TWorkbookFile(const std::string& name, const Bytes& bytes)
      : fPath((std::filesystem::temp_directory_path() /
               ("ordvane-xls-bench-" + name + "-" + std::to_string(getpid()) + ".xls"))
                  .string()) {
    std::ofstream(fPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    fSize = static_cast<Int64>(bytes.size());
  }
  ~TWorkbookFile() { std::remove(fPath.c_str()); }
  TWorkbookFile(const TWorkbookFile&) = delete;
  TWorkbookFile& operator=(const TWorkbookFile&) = delete;
  const std::string& Path() const { return fPath; }
  Int64 Size() const { return fSize; }

 private:
  std::string fPath;
  Int64 fSize = 0;
};

enum TWorkbookKind { wkPersons, wkCompact };
constexpr const char* kWorkbookNames[] = {"persons", "compact"};

const TWorkbookFile& File(TWorkbookKind kind) {
  // The persons list has a header row above its 50 000 persons.
  static const TWorkbookFile persons(kWorkbookNames[wkPersons], PersonsWorkbook(kRows - 1));
  static const TWorkbookFile compact(kWorkbookNames[wkCompact], CompactWorkbook());
  return kind == wkPersons ? persons : compact;
}

void BM_ReadFileBytes(benchmark::State& state) {
  const TWorkbookFile& file = File(static_cast<TWorkbookKind>(state.range(0)));
  std::vector<char> buffer(static_cast<std::size_t>(file.Size()));
  for (auto _ : state) {
    std::ifstream in(file.Path(), std::ios::binary);
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.gcount() != file.Size()) state.SkipWithError("the file was not read whole");
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(state.iterations() * file.Size());
}

void BM_LoadWorkbook(benchmark::State& state) {
  const TWorkbookFile& file = File(static_cast<TWorkbookKind>(state.range(0)));
  TMSExcel reader(nullptr);
  for (auto _ : state) {
    reader.LoadFromFile(file.Path());
    benchmark::DoNotOptimize(reader.Sheets().Count());
  }
  const TSpreadSheetCells& cells = reader.Sheets().FindSheet(0)->Cells();
  if (cells.UsedRowCount() != static_cast<Integer>(kRows) || cells.UsedColCount() != static_cast<Integer>(kColumns))
    state.SkipWithError("the workbook was not read whole");
  state.SetBytesProcessed(state.iterations() * file.Size());
}

BENCHMARK(BM_ReadFileBytes)->ArgName("persons0_compact1")->Arg(wkPersons)->Arg(wkCompact)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadWorkbook)->ArgName("persons0_compact1")->Arg(wkPersons)->Arg(wkCompact)->Unit(benchmark::kMillisecond);

// Keeps the rate of each benchmark to print the ratio after the runs.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.counters.count("bytes_per_second")) fRates[run.benchmark_name()] = run.counters.at("bytes_per_second");
    ConsoleReporter::ReportRuns(runs);
  }
  double Rate(const std::string& name) const {
    const auto found = fRates.find(name);
    return found != fRates.end() ? found->second : 0;
  }

 private:
  std::map<std::string, double> fRates;
};

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The median of the load and of the freeing of the model, in seconds.
std::pair<double, double> LoadAndFreeSeconds(const TWorkbookFile& file) {
  std::vector<double> loads, frees;
  TMSExcel reader(nullptr);
  for (int i = 0; i < 5; ++i) {
    Clock::time_point start = Clock::now();
    reader.LoadFromFile(file.Path());
    loads.push_back(SecondsSince(start));
    start = Clock::now();
    reader.Sheets().Clear();
    frees.push_back(SecondsSince(start));
  }
  std::sort(loads.begin(), loads.end());
  std::sort(frees.begin(), frees.end());
  return {loads[loads.size() / 2], frees[frees.size() / 2]};
}

// One run of a loading program: its whole processor time and wall time, the load alone
// as it reports it, the values it saw and its peak resident size.
struct TLoadRun {
  double WholeSeconds = 0;
  double WallSeconds = 0;
  double LoadSeconds = 0;
  long Values = 0;
  long PeakKiB = 0;
};

std::optional<TLoadRun> LoadRun(const std::vector<std::string>& command) {
  const auto result = bench::RunChild(command);
  TLoadRun run;
  if (!result ||
      std::sscanf(result->Output.c_str(), "%lf %ld %ld", &run.LoadSeconds, &run.Values, &run.PeakKiB) != 3)
    return std::nullopt;
  run.WholeSeconds = result->ProcessorSeconds;
  run.WallSeconds = result->WallSeconds;
  return run;
}

// Of each program, the run of median time of five; the two take turns, so that both meet
// the same load of a shared machine.
std::optional<TLoadRun> MedianRun(std::vector<TLoadRun>& runs) {
  if (runs.empty()) return std::nullopt;
  std::sort(runs.begin(), runs.end(),
            [](const TLoadRun& a, const TLoadRun& b) { return a.WholeSeconds < b.WholeSeconds; });
  return runs[runs.size() / 2];
}

void CompareWithXlrd(TWorkbookKind kind) {
  const TWorkbookFile& file = File(kind);
  const std::vector<std::string> oursCommand = {ORDVANE_XLS_LOAD, file.Path()};
  const std::vector<std::string> xlrdCommand = {"/usr/bin/python3", ORDVANE_SOURCE_DIR "/bench/xlrd_load.py",
                                                file.Path()};
  std::vector<TLoadRun> oursRuns, xlrdRuns;
  for (int i = 0; i < 5; ++i) {
    const auto oursRun = LoadRun(oursCommand), xlrdRun = LoadRun(xlrdCommand);
    if (!oursRun || !xlrdRun) {
      std::printf("%s: xlrd comparison not run (python3-xlrd missing?)\n", kWorkbookNames[kind]);
      return;
    }
    oursRuns.push_back(*oursRun);
    xlrdRuns.push_back(*xlrdRun);
  }
  const auto ours = MedianRun(oursRuns), xlrd = MedianRun(xlrdRuns);
  if (ours->Values != xlrd->Values)
    std::printf("warning: %ld values stored, xlrd saw %ld\n", ours->Values, xlrd->Values);
  std::printf(
      "%s: whole process %.3f s, xlrd %.3f s of processor time: throughput ratio %.2f%s (by the clock %.3f s, "
      "%.3f s: %.2f; the load alone %.3f s, %.3f s: %.2f)\n",
      kWorkbookNames[kind], ours->WholeSeconds, xlrd->WholeSeconds, xlrd->WholeSeconds / ours->WholeSeconds,
      kind == wkPersons ? " (goal >= 10)" : "", ours->WallSeconds, xlrd->WallSeconds,
      xlrd->WallSeconds / ours->WallSeconds, ours->LoadSeconds, xlrd->LoadSeconds, xlrd->LoadSeconds / ours->LoadSeconds);
  std::printf("%s: peak memory %.1f MiB, xlrd %.1f MiB: memory ratio %.3f%s\n", kWorkbookNames[kind],
              ours->PeakKiB / 1024.0, xlrd->PeakKiB / 1024.0,
              static_cast<double>(ours->PeakKiB) / static_cast<double>(xlrd->PeakKiB),
              kind == wkPersons ? " (goal <= 0.5)" : "");
  const auto [load, freeing] = LoadAndFreeSeconds(file);
  std::printf("%s: freeing the model: %.1f ms, %.1f%% of the load (%.1f ms)\n", kWorkbookNames[kind], freeing * 1e3,
              100 * freeing / load, load * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const TWorkbookKind kind : {wkPersons, wkCompact}) {
    const std::string arg = "/persons0_compact1:" + std::to_string(kind);
    const double read = reporter.Rate("BM_ReadFileBytes" + arg), load = reporter.Rate("BM_LoadWorkbook" + arg);
    if (read > 0 && load > 0)
      std::printf("%s workbook of %.1f MB: load %.1f MB/s, read %.1f MB/s, load/read = %.4f\n", kWorkbookNames[kind],
                  static_cast<double>(File(kind).Size()) / 1e6, load / 1e6, read / 1e6, load / read);
    CompareWithXlrd(kind);
  }
  benchmark::Shutdown();
  return 0;
}
