#pragma once
// The import of Excel workbooks: the cell-based import with the workbook reader that the
// file's extension chooses.

#include "import/SMI2Cell.h"

namespace ordvane {

class TSMImportFromXLS : public TSMImportFromCell {
  ORDVANE_CLASS(TSMImportFromXLS, TSMImportFromCell)

 public:
  explicit TSMImportFromXLS(TComponent* owner);

 protected:
  // An Office Open XML workbook, known by its extension or by its content (one renamed
  // .xls), gets the reader that accepts it and reads nothing; every other file the
  // Excel 2 to 8 reader.
  std::unique_ptr<TSpreadSheetFile> CreateSpreadSheetFile() override;
  bool TypedColumns() const override { return true; }
  // An Open XML workbook is named as such, with what makes it readable.
  AnsiString NoSheetReason() override;
  AnsiString GetDefaultExtension() override { return ".XLS"; }
  AnsiString GetFileFilter() override;

 private:
  bool IsOpenXMLSource();
};

}  // namespace ordvane
