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

#include <benchmark/benchmark.h>

#include <memory>

#include "bench/BenchSupport.h"
#include "classlib/core/Application.h"
#include "classlib/ui/Forms.h"
#include "gridbase/GridsEh.h"

namespace {

using namespace ordvane;
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

}  // namespace

BENCHMARK_MAIN();
