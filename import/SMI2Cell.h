#pragma once
// The import from a spreadsheet: a reader of the cell model loads the whole file, and the
// rows of one sheet become the rows of the import. A mapping's source is a column given
// by its letters (A, B, ..., AA); anything that is not a column of the sheet stands for
// itself.

#include <memory>

#include "import/SMCells.h"
#include "import/SMIBase.h"

namespace ordvane {

class TSMImportFromCell : public TSMImportBaseComponent {
  ORDVANE_CLASS(TSMImportFromCell, TSMImportBaseComponent)

 public:
  explicit TSMImportFromCell(TComponent* owner) : TSMImportBaseComponent(owner) {}
  ~TSMImportFromCell() override;

  // The zero-based sheet to import; -1 finds it by SheetName. Any other value empties
  // SheetName.
  Integer SheetIndex() const { return fSheetIndex; }
  void SetSheetIndex(Integer value);
  // The caption of the sheet to import; a name sets SheetIndex to -1. The run fails when
  // no sheet has the name; the index found stays in SheetIndex after the run.
  const AnsiString& SheetName() const { return fSheetName; }
  void SetSheetName(const AnsiString& value);
  // The reader of the run, from OpenSource to CloseSource.
  TSpreadSheetFile* SpreadSheetFile() const { return fReader.get(); }

  // The inherited text, then the section [Sheet] with SheetIndex.
  void SaveSpecification(const AnsiString& specificationName, TStream* stream) override;
  // The inherited settings, then SheetIndex.
  void LoadSpecification(const TStrings* lines) override;

 protected:
  // The reader of a run; none here.
  virtual std::unique_ptr<TSpreadSheetFile> CreateSpreadSheetFile() { return nullptr; }
  // Whether FillColumnsFromDataSet types each column by its first data cell.
  virtual bool TypedColumns() const { return false; }
  // Why a source that loaded gave no sheet, as the failed run says it.
  virtual AnsiString NoSheetReason() { return "No sheet could be read from the workbook."; }

  // Loads the whole source (the stream of ExecuteFromStream, else SourceFileName). A load
  // that fails, or a SheetName no sheet has, fails the run with the reason.
  void OpenSource() override;
  void CloseSource() override;
  bool FetchRow() override;
  void FirstRow() override;
  void NextRow() override { ++fCurrentRow; }
  bool HasMoreRows() override;
  Integer GetRowCount() override;
  // The cell of the current row in the column the letters name (Unassigned when the cell
  // is empty); a reference that is not a column of the sheet, as text.
  Variant GetSourceValue(const AnsiString& reference) override;
  // The column the letters name in the sheet, -1 for a reference that is none.
  Integer SourceColumn(const AnsiString& reference) override;
  Variant GetColumnValue(Integer column) override;
  // SourceFileName is required beside the dataset.
  bool GetTargetName(AnsiString& name) override;
  // One column per used column of the sheet, titled by the title row when there is one,
  // else by its letters.
  void FillColumnsFromDataSet() override;
  // Each column whose title names a field of the dataset, mapped to its letters.
  void FillMappingsFromFields() override;
  // The column's letters; with a reader that names columns by field name, the inherited
  // rule.
  AnsiString QuoteName(int index) override;

 private:
  // The sheet of SheetIndex, or nullptr without a reader or such a sheet.
  const TSpreadSheet* Sheet() const;
  TSMIDataType ColumnType(const TSpreadSheetCells& cells, Integer column) const;

  Integer fSheetIndex = 0;
  AnsiString fSheetName;
  std::unique_ptr<TSpreadSheetFile> fReader;
  Integer fCurrentRow = 0;  // zero-based
  const TSpreadSheetRow* fCurrentRowObject = nullptr;
  const TSpreadSheet* fRowsSheet = nullptr;  // the sheet of the rows fetched last
};

}  // namespace ordvane
