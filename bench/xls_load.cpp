// Loads a workbook into the cell model once, as a program that imports it would, and prints
// the seconds of the load, the cells stored and the process's peak resident size in KiB:
// xls_bench's side of its comparison with xlrd (bench/xlrd_load.py prints the same).
//
//     xls_load WORKBOOK

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "import/SMXLS.h"

int main(int argc, char** argv) {
  using namespace ordvane;
  if (argc != 2) {
    std::fprintf(stderr, "usage: xls_load WORKBOOK\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  TMSExcel reader(nullptr);
  reader.LoadFromFile(argv[1]);
  long cells = 0;
  for (Integer s = 0; s < reader.Sheets().Count(); ++s) {
    const TSpreadSheetCells& sheet = reader.Sheets().FindSheet(s)->Cells();
    for (Integer r = 0; r < sheet.Count(); ++r)
      if (const TSpreadSheetRow* row = sheet.FindRow(r))
        for (Integer c = 0; c < row->Cols().Count(); ++c) cells += row->Cell(c) != nullptr;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.6f %ld %ld\n", seconds, cells, bench::PeakResidentKiB());
  return 0;
}
