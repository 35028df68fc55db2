// Loads the input as an Excel workbook: a compound file through LoadFromStream, anything
// else from a file, as the record stream of Excel 2 to 4. Blanks, macros and an error
// handler that carries on (for inputs of odd length) take the reader down every path. A
// malformed workbook may only raise an Exception; a crash, a hang, a read out of bounds or
// memory out of proportion to the input is a finding.

#include <cstddef>
#include <cstdint>
#include <string>

#include "classlib/core/CompoundFile.h"
#include "import/SMXLS.h"
#include "tests/fuzz/MemoryFile.h"

namespace {

using namespace ordvane;

// Reads every stored cell back as text.
void Touch(const TMSExcel& reader) {
  for (int s = 0; s < reader.Sheets().Count(); ++s) {
    const TSpreadSheetCells& cells = reader.Sheets().FindSheet(s)->Cells();
    for (int r = 0; r < cells.Count(); ++r)
      if (const TSpreadSheetRow* row = cells.FindRow(r))
        for (int c = 0; c < row->Cols().Count(); ++c)
          if (const TSMICell* cell = row->Cell(c)) (void)VarToStr(cell->Value());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMSExcel reader(nullptr);
  reader.SetLoadNULLs(true);
  reader.SetParseVBA(true);
  if (size % 2 == 1) reader.OnErrorProcess = [](TObject*, const Exception&, bool& abort) { abort = false; };
  try {
    if (TCompoundFile::HasSignature(data, size)) {
      TMemoryStream stream;
      stream.WriteBuffer(data, static_cast<Int64>(size));
      reader.LoadFromStream(&stream);
    } else {
      const test::MemoryFile file(data, size);
      reader.LoadFromFile(file.Path());
    }
    Touch(reader);
  } catch (const Exception&) {
  }
  return 0;
}
