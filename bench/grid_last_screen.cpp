// grid_bench's side of its comparison with a Qt table view: a data-aware grid 40 rows high
// over a Firebird dataset of the whole persons table, sent to the last record by the
// vertical bar's bottom and painted there. Prints the seconds from connecting to the
// painted last screen, the records fetched and the process's peak resident size in KiB
// (bench/qt_last_screen.cpp prints the same).
//
//     grid_last_screen DATABASE

#include <chrono>
#include <cstdio>

#include "bench/GridBenchSupport.h"
#include "classlib/ui/ScrollBars.h"

int main(int argc, char** argv) {
  using namespace ordvane;
  if (argc != 2) {
    std::fprintf(stderr, "usage: grid_last_screen DATABASE\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  bench::FibPersonsQuery persons(argv[1], 0);
  bench::DataScene scene(*persons.data);
  scene.grid->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  scene.grid->Update();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!persons.data->Eof() || !scene.ShowsFullScreen()) return 1;
  std::printf("%.6f %d %ld\n", seconds, persons.data->RecordCount(), bench::PeakResidentKiB());
  return 0;
}
