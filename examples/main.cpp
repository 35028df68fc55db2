// The main example: a workbook of persons into a Firebird table, browsed in the grid.
// See `ordvane_demo --help` and scripts/demo.sh.

#include <iostream>
#include <string>
#include <vector>

#include "examples/PersonsDemo.h"
// The import's progress dialog on the desktop; without a display the example writes its
// progress to the terminal instead.
#include "import/dialogs/SMIStat.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return ordvane::demo::RunPersonsDemo(arguments, std::cout, std::cerr);
}
