// Runs the workbook import over the input as an operator's form: automatic mappings from
// the title row, then column letters, into an in-memory dataset of text, integer, number
// and date fields. Whatever the file holds, the run ends executed or failed, with a
// message to the operator instead of an exception; in appending mode every record the
// dataset gained is one the statistics counted as added.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "import/SMI2XLS.h"
#include "import/SMIDialogs.h"
#include "tests/fuzz/MemoryFile.h"
#include "tests/support/MemDataSet.h"

using namespace ordvane;

namespace {

constexpr int kRowsPerRun = 300;

void Require(bool condition) {
  if (!condition) std::abort();
}

void Run(const test::MemoryFile& file, bool automaticMappings) {
  test::TMemDataSet data(nullptr);
  data.FieldDefs().Add("NAME", ftString, 40);
  data.FieldDefs().Add("NUM", ftInteger, 0);
  data.FieldDefs().Add("AMOUNT", ftFloat, 0);
  data.FieldDefs().Add("BORN", ftDate, 0);
  data.Open();
  TSMImportFromXLS import(nullptr);
  import.SetAnimatedStatus(false);
  import.SetDialogs(std::make_shared<TSMIHeadlessDialogs>());
  import.SetDataSet(&data);
  import.SetSourceFileName(file.Path());
  // A single cell far down a sheet makes every row above it a row to import; past the
  // first few hundred they take time and reach nothing new.
  import.SetRowLast(kRowsPerRun);
  if (!automaticMappings) {
    import.SetRowFieldNames(0);
    for (const char* line : {"NAME=B", "NUM=A", "AMOUNT=H", "BORN=E"}) import.Mappings()->Add(line);
  }
  import.Execute();
  const TSMIStatistic& statistic = *import.Statistic();
  Require(statistic.Result() == irExecuted || statistic.Result() == irFailed);
  Require(data.RecordCount() == statistic.TotalAdded());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const test::MemoryFile file(data, size);
  Run(file, true);
  Run(file, false);
  return 0;
}
