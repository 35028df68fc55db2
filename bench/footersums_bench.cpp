// Posting one edited record under three footer aggregates (a sum, an average and a
// count), on an in-memory dataset of 1 000 000 records against the same on 10 records.
// The aggregates follow a post by what the record counted before and counts now, so the
// ratio stays near 1 however many records there are; a walk of the dataset would make it
// grow with them. Both tables are timed in turns within each iteration, so that both
// meet the same load of a shared machine; the benchmark's time is the large table's.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "gridbase/DBSumLst.h"
#include "tests/support/MemDataSet.h"

namespace {

using namespace ordvane;

constexpr int kPostsPerTurn = 2000;

struct Table {
  TComponent form{nullptr};
  test::TMemDataSet* data = new test::TMemDataSet(&form);
  std::unique_ptr<TDBSumListProducer> sums = std::make_unique<TDBSumListProducer>(&form);
  TField* value = nullptr;

  explicit Table(int records) {
    data->FieldDefs().Add("ID", ftInteger);
    data->FieldDefs().Add("V", ftFloat);
    data->Open();
    for (int id = 1; id <= records; ++id) data->AppendRecord({Variant(id), Variant(id * 0.25)});
    for (TGroupOperation operation : {goSum, goAvg, goCount}) {
      TDBSum* item = sums->SumCollection().Add();
      item->SetGroupOperation(operation);
      item->SetFieldName("V");
    }
    sums->SetDataSet(data);
    data->SetRecNo(records / 2 + 1);
    value = data->FieldByName("V");
  }

  double SecondsPerPost() {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPostsPerTurn; ++i) {
      data->Edit();
      value->SetAsFloat(i * 0.5);
      data->Post();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kPostsPerTurn;
  }
};

void BM_PostEditedRecordWithFooterSums(benchmark::State& state) {
  static Table small(10);
  static Table large(static_cast<int>(state.range(0)));
  double smallSeconds = 0;
  double largeSeconds = 0;
  for (auto _ : state) {
    smallSeconds += small.SecondsPerPost();
    const double seconds = large.SecondsPerPost();
    largeSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  benchmark::DoNotOptimize(large.sums->SumCollection().Items(0)->SumValue());
  state.counters["ratio_to_10_records"] = largeSeconds / smallSeconds;
  state.counters["posts/s"] = static_cast<double>(state.iterations()) / largeSeconds;
}

BENCHMARK(BM_PostEditedRecordWithFooterSums)
    ->ArgName("records")
    ->Arg(1000000)
    ->Iterations(50)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
