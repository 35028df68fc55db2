// grid_bench's side of its comparisons with a Qt table view and with a bare fetch: a
// data-aware grid 40 rows high over a Firebird dataset of the whole persons table, sent to
// the last record by the vertical bar's bottom and painted there. Prints the seconds from
// connecting to the painted last screen, the records fetched and the process's peak
// resident size in KiB (bench/qt_last_screen.cpp prints the same), then the processor
// seconds over the same span, its threads included. With --raw, the same from connecting to
// the last row of the same select fetched by the client library's calls alone, nothing kept.
//
//     grid_last_screen [--raw] DATABASE

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>

#include "bench/GridBenchSupport.h"
#include "bench/RawSelect.h"
#include "classlib/ui/ScrollBars.h"

namespace {

using namespace ordvane;

// Wall and processor time from construction to Print.
class TSpan {
 public:
  void Print(long records) const {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - fStart).count();
    const double processorSeconds = bench::ProcessSeconds() - fProcessorStart;
    std::printf("%.6f %ld %ld %.6f\n", seconds, records, bench::PeakResidentKiB(), processorSeconds);
  }

 private:
  std::chrono::steady_clock::time_point fStart = std::chrono::steady_clock::now();
  double fProcessorStart = bench::ProcessSeconds();
};

int GridLastScreen(const char* file) {
  const TSpan span;
  bench::FibPersonsQuery persons(file, 0);
  bench::DataScene scene(*persons.data);
  scene.grid->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  scene.grid->Update();
  if (!persons.data->Eof() || !scene.ShowsFullScreen()) return 1;
  span.Print(persons.data->RecordCount());
  return 0;
}

int RawFetch(const char* file) {
  const TSpan span;
  TComponent owner(nullptr);
  auto* database = new TFIBDatabase(&owner);
  auto* transaction = new TFIBTransaction(&owner);
  bench::ConfigureDatabase(*database, file);
  transaction->SetDefaultDatabase(database);
  database->Connect();
  transaction->StartTransaction();
  long rows = 0;
  {
    bench::TRawSelect select(*database, *transaction, bench::PersonsSelect(0), bench::kPersonsSelectColumns);
    while (select.Fetch()) ++rows;
  }
  span.Print(rows);
  transaction->Commit();
  database->Close();
  return 0;
}

int Run(int argc, char** argv) {
  // Both sides alike: another program's monitor reader would have every fetched row traced.
  bench::LeaveStatementsUntraced();
  if (argc == 3 && std::strcmp(argv[1], "--raw") == 0) return RawFetch(argv[2]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: grid_last_screen [--raw] DATABASE\n");
    return 2;
  }
  return GridLastScreen(argv[1]);
}

}  // namespace

// A run that fails says why and exits with 1.
int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
