// The grid's generic text search over 100 000 records of the tests' in-memory dataset,
// case-insensitive from the first record with the match on the last, against the limit:
// a plain First/Next loop that upper-cases the same field's text and compares it.
// Goal: a ratio of at most 1.5. Both are timed in turns within each iteration by the
// thread's processor time, so that both meet the same load of a shared machine.

#include <benchmark/benchmark.h>

#include <memory>

#include "bench/BenchSupport.h"
#include "classlib/core/AnsiStrings.h"
#include "classlib/core/Application.h"
#include "classlib/core/StrUtils.h"
#include "classlib/ui/Forms.h"
#include "grid/DBGridEh.h"
#include "grid/DbUtilsEh.h"
#include "tests/support/MemDataSet.h"

namespace {

using namespace ordvane;
using bench::ThreadSecondsOf;

constexpr int kRecords = 100'000;

class TBenchGrid : public TCustomDBGridEh {
 public:
  using TCustomDBGridEh::TCustomDBGridEh;

 protected:
  void DrawCell(int, int, const TRect&, TGridDrawState) override {}
};

struct Scene {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  test::TMemDataSet data{nullptr};
  TDataSource source{nullptr};
  TBenchGrid* grid = new TBenchGrid(form.get());
  AnsiString lastName;

  Scene() {
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 40);
    data.Open();
    for (int id = 1; id <= kRecords; ++id)
      data.AppendRecord({Variant(id), Variant("Person number " + IntToStr(id))});
    lastName = "PERSON NUMBER " + IntToStr(kRecords);
    data.First();
    source.SetDataSet(&data);
    form->SetBounds(0, 0, 500, 400);
    form->Show();
    grid->SetBounds(0, 0, 400, 300);
    grid->SetParent(form.get());
    grid->SetDataSource(&source);
    Application->ProcessMessages();
  }
};

void BM_LocateTextAgainstFirstNextLoop(benchmark::State& state) {
  static Scene scene;
  TDataSet& data = scene.data;
  TField* name = data.FieldByName("NAME");
  double locate = 0;
  double loop = 0;
  for (auto _ : state) {
    data.First();
    locate += ThreadSecondsOf([&] {
      const bool found = LocateTextInGrid(*scene.grid, "NAME", "person number 100000", {ltoCaseInsensitiveEh},
                                          ltdAllEh, ltmWholeEh);
      benchmark::DoNotOptimize(found);
    });
    if (data.RecNo() != kRecords) state.SkipWithError("the search did not stand on the last record");
    data.First();
    loop += ThreadSecondsOf([&] {
      data.DisableControls();
      for (data.First(); !data.Eof(); data.Next())
        if (AnsiUpperCase(name->AsString()) == scene.lastName) break;
      data.EnableControls();
    });
    if (data.RecNo() != kRecords) state.SkipWithError("the loop did not stand on the last record");
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["locate_ms"] = locate / iterations * 1e3;
  state.counters["loop_ms"] = loop / iterations * 1e3;
  state.counters["ratio"] = locate / loop;
}
BENCHMARK(BM_LocateTextAgainstFirstNextLoop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
