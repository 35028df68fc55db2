// The base grid's cost must not grow with its number of rows. Ratios of processor time,
// each against a peer timed in the same run on a shown 300 by 200 grid:
//  - moving the top row from 1 to 500 000 of a 1 000 000-row grid and back, against
//    moving it by two screenfuls and back (goal: at most 1.1). A move by more than a
//    screenful invalidates the whole window, title row included, whatever its distance; a
//    move by one screenful or less scrolls the data rows and repaints them alone, a title
//    row fewer: against that peer the ratio measured the title row (about 1.1 on a screen
//    of ten rows), not any cost of the distance;
//  - adding one row to a 1 000 000-row grid and taking it away, against the same on a
//    10-row grid (goal: at most 1.1);
//  - painting one screen of a 1 000 000-row grid, at the top and half way down, with
//    default row heights and with every height stored, against a 10-row grid, the client
//    showing exactly the fixed row and 10 data rows in both (goal: at most 1.1).
// The data-aware grid, 40 data rows high, over the tests' in-memory dataset and over a
// Firebird dataset holding the rows fetched from a table on the embedded engine:
//  - painting one full screen half way through 1 000 000 records, against the same grid
//    over 10 records (goal: at most 1.1) and over 40 (a full screen of the same work);
//  - a page down by the vertical bar and back up, each repainted, half way through
//    1 000 000 records, against the same half way through 1 000 (goal: at most 1.1);
//  - the last screen of a Firebird dataset whose cache is a window of 100 records (the
//    limited-buffer model) reached from its first screen as Ctrl+End does (the dataset's
//    Last, then the painted screen) over 1 000 000 rows, against the same over 10 rows
//    (goal: at most 10), with the rows fetched on the way counted: a handful of windows,
//    never the table;
//  - the last screen of the Firebird table painted (the vertical bar's bottom: every row
//    fetched), as a program of its own (grid_last_screen), against a Qt 6 QTableView over
//    a QSqlQueryModel on the QIBASE driver doing the same (qt_last_screen): the seconds
//    from connecting to the painted screen and the peak resident size (goal: at most 0.5
//    of Qt's, both);
//  - the same last screen against a bare fetch of the same select by the client library's
//    calls alone, also a fresh run of grid_last_screen (--raw), in turns: on both sides the
//    processor seconds from connecting to the last row fetched (and, for the grid,
//    painted), the connection inside both clocks (goal: at most 1.1).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/GridBenchSupport.h"
#include "classlib/core/Application.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/ScrollBars.h"
#include "grid/DBGridEh.h"
#include "gridbase/GridsEh.h"
#include "tests/support/MemDataSet.h"

namespace {

using namespace ordvane;
using bench::DataScene;
using bench::kDataRows;
using bench::kMillion;
using bench::PersonsDatabase;
using bench::ThreadSecondsOf;

class TBenchGrid : public TCustomGridEh {
 public:
  using TCustomGridEh::ChangeSize;
  using TCustomGridEh::TCustomGridEh;

 protected:
  void DrawCell(int, int, const TRect&, TGridDrawState) override {}
};

struct Scene {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TBenchGrid* grid = new TBenchGrid(form.get());

  explicit Scene(int rows, int width = 300, int height = 200) {
    form->SetBounds(0, 0, 400, 300);
    form->Show();
    grid->SetScrollBars(ssNone);
    grid->SetBounds(0, 0, width, height);
    grid->SetParent(form.get());
    grid->SetRowCount(rows);
    Application->ProcessMessages();
  }
};

void Report(benchmark::State& state, double subject, double peer) {
  const double iterations = static_cast<double>(state.iterations());
  state.counters["subject_us"] = subject / iterations * 1e6;
  state.counters["peer_us"] = peer / iterations * 1e6;
  state.counters["ratio"] = subject / peer;
}

void BM_MoveTopLeftFarAgainstTwoPages(benchmark::State& state) {
  Scene scene(1'000'000);
  TBenchGrid& grid = *scene.grid;
  // Two screenfuls: beyond what scrolling keeps, so the window is invalidated whole, as it
  // is after the far move.
  const int page = grid.VisibleRowCount();
  double far = 0;
  double near = 0;
  for (auto _ : state) {
    far += ThreadSecondsOf([&] {
      grid.MoveTopLeft(1, 500'000);
      grid.MoveTopLeft(1, 1);
      grid.Update();
    });
    near += ThreadSecondsOf([&] {
      grid.MoveTopLeft(1, 1 + 2 * page);
      grid.MoveTopLeft(1, 1);
      grid.Update();
    });
  }
  Report(state, far, near);
}
BENCHMARK(BM_MoveTopLeftFarAgainstTwoPages)->Unit(benchmark::kMicrosecond);

void BM_ChangeSizeMillionAgainstTen(benchmark::State& state) {
  Scene large(1'000'000);
  Scene small(10);
  double many = 0;
  double few = 0;
  for (auto _ : state) {
    many += ThreadSecondsOf([&] {
      large.grid->ChangeSize(5, 1'000'001);
      large.grid->ChangeSize(5, 1'000'000);
      large.grid->Update();
    });
    few += ThreadSecondsOf([&] {
      small.grid->ChangeSize(5, 11);
      small.grid->ChangeSize(5, 10);
      small.grid->Update();
    });
  }
  Report(state, many, few);
}
BENCHMARK(BM_ChangeSizeMillionAgainstTen)->Unit(benchmark::kMicrosecond);

// One screen: the fixed row and 10 rows of 24 pixels with their lines, five columns.
constexpr int kScreenWidth = 5 * 65;
constexpr int kScreenHeight = 11 * 25;

void Repaint(TBenchGrid& grid) {
  grid.Invalidate();
  grid.Update();
}

void BM_PaintMillionAgainstTen(benchmark::State& state) {
  const int topRow = static_cast<int>(state.range(0));
  const bool storedHeights = state.range(1) != 0;
  Scene large(1'000'001, kScreenWidth, kScreenHeight);
  Scene small(11, kScreenWidth, kScreenHeight);
  if (storedHeights) {
    // Setting one height stores all of them.
    for (Scene* scene : {&large, &small}) {
      scene->grid->SetRowHeights(0, 25);
      scene->grid->SetRowHeights(0, 24);
    }
  }
  large.grid->MoveTopLeft(1, topRow);
  Application->ProcessMessages();
  double many = 0;
  double few = 0;
  for (auto _ : state) {
    many += ThreadSecondsOf([&] { Repaint(*large.grid); });
    few += ThreadSecondsOf([&] { Repaint(*small.grid); });
  }
  Report(state, many, few);
}
BENCHMARK(BM_PaintMillionAgainstTen)
    ->ArgNames({"top_row", "stored_heights"})
    ->Args({1, 0})
    ->Args({500'000, 0})
    ->Args({1, 1})
    ->Args({500'000, 1})
    ->Unit(benchmark::kMicrosecond);

// ---- The data-aware grid ----------------------------------------------------------------

// `records` persons in the tests' in-memory dataset.
struct MemPersons {
  test::TMemDataSet data{nullptr};
  explicit MemPersons(int records) {
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 40);
    data.FieldDefs().Add("TOWN", ftString, 40);
    data.Open();
    for (int i = 1; i <= records; ++i)
      data.AppendRecord({Variant(i), Variant("Kovalenko Iryna " + std::to_string(i % 977)),
                         Variant("Oleksandrivka " + std::to_string(i % 300))});
  }
  TDataSet& DataSet() { return data; }
};

PersonsDatabase& Persons() {
  static PersonsDatabase database;
  return database;
}

// The first `records` persons fetched whole into a Firebird dataset.
struct FibPersons : bench::FibPersonsQuery {
  explicit FibPersons(int records) : FibPersonsQuery(Persons().file, records) { data->FetchAll(); }
  TDataSet& DataSet() { return *data; }
};

// The current record half way through the data, shown.
void ToMiddle(TDataSet& data) {
  data.SetRecNo(std::max(1, data.RecordCount() / 2));
  Application->ProcessMessages();
}

void RepaintGrid(TCustomControl& grid) {
  grid.Invalidate();
  grid.Update();
}

// A page down by the bar and back up, each shown at once.
void PageDownAndBack(TDBGridEh& grid) {
  grid.Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  grid.Update();
  grid.Perform(WM_VSCROLL, SB_PAGEUP, 0);
  grid.Update();
}

// Painting a full screen amid a million records against the same grid over few records.
template <class Persons>
void BM_DataGridPaintMillionAgainstFew(benchmark::State& state) {
  Persons millionData(kMillion);
  Persons fewData(static_cast<int>(state.range(0)));
  DataScene large(millionData.DataSet());
  DataScene small(fewData.DataSet());
  ToMiddle(millionData.DataSet());
  ToMiddle(fewData.DataSet());
  if (!large.ShowsFullScreen()) state.SkipWithError("the grid does not show 40 rows");
  double many = 0;
  double few = 0;
  for (auto _ : state) {
    many += ThreadSecondsOf([&] { RepaintGrid(*large.grid); });
    few += ThreadSecondsOf([&] { RepaintGrid(*small.grid); });
  }
  Report(state, many, few);
}

// A page down and back amid a million records against the same amid a thousand.
template <class Persons>
void BM_DataGridPageMillionAgainstThousand(benchmark::State& state) {
  Persons millionData(kMillion);
  Persons thousandData(1'000);
  DataScene large(millionData.DataSet());
  DataScene small(thousandData.DataSet());
  ToMiddle(millionData.DataSet());
  ToMiddle(thousandData.DataSet());
  const int start = millionData.DataSet().RecNo();
  double many = 0;
  double few = 0;
  for (auto _ : state) {
    many += ThreadSecondsOf([&] { PageDownAndBack(*large.grid); });
    few += ThreadSecondsOf([&] { PageDownAndBack(*small.grid); });
  }
  if (millionData.DataSet().RecNo() != start) state.SkipWithError("the page moves did not come back");
  Report(state, many, few);
}

BENCHMARK(BM_DataGridPaintMillionAgainstFew<MemPersons>)
    ->ArgName("peer_records")
    ->Arg(10)
    ->Arg(40)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DataGridPageMillionAgainstThousand<MemPersons>)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DataGridPaintMillionAgainstFew<FibPersons>)
    ->ArgName("peer_records")
    ->Arg(10)
    ->Arg(40)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DataGridPageMillionAgainstThousand<FibPersons>)->Unit(benchmark::kMicrosecond);

// Counts the rows fetched by every statement of a database.
class FetchCounter : public ISQLLogger {
 public:
  void AttachDatabase(TFIBDatabase*) override {}
  void WriteData(const AnsiString&, const AnsiString& operation, const AnsiString&, int) override {
    if (operation == "Fetch:") ++rows;
  }
  int LogFlags() const override { return SQLLogFlagFetch; }
  long rows = 0;
};

// Persons in a limited-buffer dataset on a grid, its rows fetched counted.
struct WindowedPersons {
  static constexpr int kWindowRecords = 100;
  bench::FibPersonsQuery query;
  FetchCounter fetches;
  DataScene scene{*query.data};
  explicit WindowedPersons(int records) : query(Persons().file, records, kWindowRecords) {
    query.database->SetSQLLogger(&fetches);
  }
  ~WindowedPersons() { query.database->SetSQLLogger(nullptr); }
  WindowedPersons(const WindowedPersons&) = delete;
  WindowedPersons& operator=(const WindowedPersons&) = delete;

  // From the painted first screen to the painted last one: the seconds of that move, and
  // the rows it fetched in lastMoveFetches.
  double SecondsToLastScreen() {
    query.data->First();
    scene.grid->Update();
    const long before = fetches.rows;
    const double seconds = ThreadSecondsOf([&] {
      query.data->Last();
      scene.grid->Update();
    });
    lastMoveFetches = fetches.rows - before;
    return seconds;
  }
  long lastMoveFetches = 0;
};

void BM_WindowedLastScreenMillionAgainstTen(benchmark::State& state) {
  WindowedPersons million(kMillion);
  WindowedPersons ten(10);
  if (!million.scene.ShowsFullScreen()) state.SkipWithError("the grid does not show 40 rows");
  double many = 0;
  double few = 0;
  long millionFetches = 0;
  for (auto _ : state) {
    many += million.SecondsToLastScreen();
    millionFetches = std::max(millionFetches, million.lastMoveFetches);
    few += ten.SecondsToLastScreen();
  }
  if (million.query.data->FieldByName("ID")->AsInteger() != kMillion)
    state.SkipWithError("Last did not reach the last person");
  Report(state, many, few);
  state.counters["rows_fetched"] = static_cast<double>(millionFetches);
}
BENCHMARK(BM_WindowedLastScreenMillionAgainstTen)->Unit(benchmark::kMicrosecond);

// One run of a last-screen program: its own seconds, the rows it reached, its peak memory,
// and its processor seconds where it prints them (ours do).
struct LastScreen {
  double seconds = 0;
  long rows = 0;
  long peakKiB = 0;
  double processorSeconds = 0;
};

std::optional<LastScreen> RunLastScreen(std::vector<std::string> command) {
  command.push_back(Persons().file.string());
  const auto run = bench::RunChild(command);
  LastScreen result;
  if (!run || std::sscanf(run->Output.c_str(), "%lf %ld %ld %lf", &result.seconds, &result.rows, &result.peakKiB,
                          &result.processorSeconds) < 3)
    return std::nullopt;
  return result;
}

void BM_LastScreenAgainstQtTableView(benchmark::State& state) {
#if defined(ORDVANE_GRID_LAST_SCREEN) && defined(ORDVANE_QT_LAST_SCREEN)
  double ours = 0, theirs = 0;
  long ourPeak = 0, theirPeak = 0;
  for (auto _ : state) {
    const auto grid = RunLastScreen({ORDVANE_GRID_LAST_SCREEN});
    const auto qt = RunLastScreen({ORDVANE_QT_LAST_SCREEN});
    if (!grid || grid->rows != kMillion) {
      state.SkipWithError("grid_last_screen failed or did not reach every row");
      return;
    }
    if (!qt || qt->rows != kMillion) {
      state.SkipWithError("qt_last_screen failed or did not reach every row (Qt's QIBASE driver, Debian's "
                          "libqt6sql6-ibase, is needed at run time)");
      return;
    }
    ours += grid->seconds;
    theirs += qt->seconds;
    ourPeak = std::max(ourPeak, grid->peakKiB);
    theirPeak = std::max(theirPeak, qt->peakKiB);
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["grid_s"] = ours / iterations;
  state.counters["qt_s"] = theirs / iterations;
  state.counters["time_ratio"] = ours / theirs;
  state.counters["grid_peak_MiB"] = static_cast<double>(ourPeak) / 1024;
  state.counters["qt_peak_MiB"] = static_cast<double>(theirPeak) / 1024;
  state.counters["memory_ratio"] = static_cast<double>(ourPeak) / static_cast<double>(theirPeak);
#else
  for (auto _ : state) state.SkipWithError("built without Qt 6 Sql and Widgets");
#endif
}
BENCHMARK(BM_LastScreenAgainstQtTableView)->Iterations(2)->Unit(benchmark::kMillisecond);

// Fresh processes in turns, the grid then the bare fetch, so that both meet the same load.
void BM_LastScreenAgainstRawFetch(benchmark::State& state) {
#if defined(ORDVANE_GRID_LAST_SCREEN)
  double grid = 0, raw = 0;
  for (auto _ : state) {
    const auto ours = RunLastScreen({ORDVANE_GRID_LAST_SCREEN});
    const auto bare = RunLastScreen({ORDVANE_GRID_LAST_SCREEN, "--raw"});
    if (!ours || ours->rows != kMillion || !bare || bare->rows != kMillion) {
      state.SkipWithError("grid_last_screen failed or did not reach every row");
      return;
    }
    grid += ours->processorSeconds;
    raw += bare->processorSeconds;
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["grid_s"] = grid / iterations;
  state.counters["raw_s"] = raw / iterations;
  state.counters["time_ratio"] = grid / raw;
#else
  for (auto _ : state) state.SkipWithError("built without the last-screen program");
#endif
}
BENCHMARK(BM_LastScreenAgainstRawFetch)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
