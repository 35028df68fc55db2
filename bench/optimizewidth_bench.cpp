// Fitting one text column of a grid over 100 000 in-memory records, against measuring the
// same display texts with DrawText in a plain loop over the dataset (the limit: the walk
// and the measuring with nothing around them). Both are timed in turns within each
// iteration, so that both meet the same load of a shared machine; the benchmark's time is
// the fit's.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "bench/GridBenchSupport.h"
#include "classlib/core/StrUtils.h"
#include "tests/support/MemDataSet.h"

namespace {

using namespace ordvane;

constexpr int kRecords = 100'000;

struct Scene {
  TComponent owner{nullptr};
  test::TMemDataSet* data = new test::TMemDataSet(&owner);
  TColumnEh* column = nullptr;
  std::unique_ptr<bench::DataScene> scene;

  Scene() {
    data->FieldDefs().Add("ID", ftInteger);
    data->FieldDefs().Add("NAME", ftString, 40);
    data->Open();
    for (int id = 1; id <= kRecords; ++id)
      data->AppendRecord({Variant(id), Variant("Kovalenko Iryna " + IntToStr(id % 977))});
    data->First();
    scene = std::make_unique<bench::DataScene>(*data);
    column = scene->grid->Columns().Items(1);
  }

  double SecondsToFit() {
    const auto start = std::chrono::steady_clock::now();
    column->OptimizeWidth();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  // The limit: the same texts measured in the column's font, nothing else.
  double SecondsToMeasure(int& widest) {
    const auto start = std::chrono::steady_clock::now();
    TCanvas& canvas = *scene->grid->Canvas();
    canvas.Font()->Assign(column->Font());
    TField* name = data->FieldByName("NAME");
    data->DisableControls();
    for (data->First(); !data->Eof(); data->Next()) {
      TRect measured{0, 0, 1, 0};
      DrawText(canvas.Handle(), name->DisplayText(), measured, DT_CALCRECT | DT_NOPREFIX);
      widest = std::max(widest, measured.Width());
    }
    data->First();
    data->EnableControls();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};

void BM_FitTextColumn(benchmark::State& state) {
  static Scene scene;
  double fitSeconds = 0;
  double limitSeconds = 0;
  int widest = 0;
  for (auto _ : state) {
    limitSeconds += scene.SecondsToMeasure(widest);
    const double seconds = scene.SecondsToFit();
    fitSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  benchmark::DoNotOptimize(widest);
  state.counters["ratio_to_drawtext_loop"] = fitSeconds / limitSeconds;
  state.counters["width"] = scene.column->Width();
}

BENCHMARK(BM_FitTextColumn)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
