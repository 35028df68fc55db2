#include "import/SMCells.h"

#include <algorithm>
#include <limits>

#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

void CheckRow(Integer row) {
  if (row < 0 || row >= SpreadSheetMaxRows) throw ESpreadSheetError(Format("Row %d lies outside the sheet", {row}));
}

void CheckColumn(Integer column) {
  if (column < 0 || column >= SpreadSheetMaxColumns)
    throw ESpreadSheetError(Format("Column %d lies outside the sheet", {column}));
}

Integer ClampToInteger(Int64 value) {
  return static_cast<Integer>(
      std::clamp<Int64>(value, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max()));
}

}  // namespace

// ---- TSMICell ---------------------------------------------------------------------------

void TSMICell::Assign(const TPersistent* source) {
  const auto* cell = dynamic_cast<const TSMICell*>(source);
  if (!cell) return TPersistent::Assign(source);
  fValue = cell->fValue;
  fAlignment = cell->fAlignment;
  fFormatIndex = cell->fFormatIndex;
  fCellType = cell->fCellType;
}

// ---- TSpreadSheetRow --------------------------------------------------------------------

TSMICell* TSpreadSheetRow::Cell(Integer column) const {
  return column >= 0 && column < fCols.Count() ? fCols.Cells(column) : nullptr;
}

void TSpreadSheetRow::Clear() {
  for (int i = 0; i < fCols.Count(); ++i) {
    if (TSMICell* cell = fCols.Cells(i)) {
      cell->SetValue(Unassigned());
      cell->SetAlignment(taLeftJustify);
      cell->SetFormatIndex(-1);
    }
  }
}

// ---- TSpreadSheetCells ------------------------------------------------------------------

TSpreadSheetRow* TSpreadSheetCells::Rows(Integer index) {
  if (TSpreadSheetRow* row = FindRow(index)) return row;
  CheckRow(index);
  // Rows mostly come in order: the new one usually goes at the end.
  const auto hint = fRows.empty() || fRows.rbegin()->first < index ? fRows.end() : fRows.lower_bound(index);
  fLastRow = fRows.emplace_hint(hint, index, std::make_unique<TSpreadSheetRow>(index))->second.get();
  fRowCount = std::max(fRowCount, index + 1);
  return fLastRow;
}

TSpreadSheetRow* TSpreadSheetCells::FindRow(Integer index) const {
  if (fLastRow && fLastRow->RowNo() == index) return fLastRow;
  const auto found = fRows.find(index);
  if (found == fRows.end()) return nullptr;
  return fLastRow = found->second.get();
}

void TSpreadSheetCells::Clear() {
  fRows.clear();
  fLastRow = nullptr;
  fRowCount = fDeclaredColCount = fDeclaredRowCount = fUsedColCount = fUsedRowCount = 0;
}

Variant TSpreadSheetCells::CellValue(Integer column, Integer row) const {
  const TSpreadSheetRow* line = FindRow(row);
  const TSMICell* cell = line ? line->Cell(column) : nullptr;
  return cell ? cell->Value() : Unassigned();
}

void TSpreadSheetCells::StoreCell(Integer column, Integer row, TSMICellType cellType, Integer formatIndex,
                                  TAlignment alignment, const Variant& value) {
  if (VarIsEmpty(value) || VarIsNull(value)) return;
  CheckColumn(column);
  TSpreadSheetCols& cols = Rows(row)->Cols();
  if (cols.Count() <= column) cols.SetCount(column + 1);
  TSMICell* cell = cols.Cells(column);
  if (!cell) {
    cell = new TSMICell;
    cols.SetItems(column, cell);
  }
  cell->SetValue(value);
  cell->SetAlignment(alignment);
  cell->SetFormatIndex(formatIndex);
  cell->SetCellType(cellType);
  if (fTrackUsedRange) {
    fUsedColCount = std::max(fUsedColCount, column + 1);
    fUsedRowCount = std::max(fUsedRowCount, row + 1);
  }
}

// ---- TSpreadSheets ----------------------------------------------------------------------

int TSpreadSheets::Add() {
  if (fSheets.Count() >= SpreadSheetMaxSheets)
    throw ESpreadSheetError(Format("A workbook holds at most %d sheets", {SpreadSheetMaxSheets}));
  auto* sheet = new TSpreadSheet(nullptr);
  sheet->SetCaption(u"Sheet" + Utf8Decode(std::to_string(fSheets.Count() + 1)));
  return fSheets.Add(sheet);
}

TSpreadSheet* TSpreadSheets::Sheets(Integer index) {
  index = std::max(index, 0);
  if (index >= SpreadSheetMaxSheets)
    throw ESpreadSheetError(Format("A workbook holds at most %d sheets", {SpreadSheetMaxSheets}));
  while (fSheets.Count() <= index) Add();
  return static_cast<TSpreadSheet*>(fSheets.Items(index));
}

TSpreadSheet* TSpreadSheets::FindSheet(Integer index) const {
  index = std::max(index, 0);
  return index < fSheets.Count() ? static_cast<TSpreadSheet*>(fSheets.Items(index)) : nullptr;
}

void TSpreadSheets::Delete(Integer index) {
  fSheets.Delete(index);
}

Integer TSpreadSheets::IndexOfCaption(const WideString& caption) const {
  for (int i = 0; i < fSheets.Count(); ++i)
    if (static_cast<TSpreadSheet*>(fSheets.Items(i))->Caption() == caption) return i;
  return -1;
}

// ---- TSMRange ---------------------------------------------------------------------------

void TSMRange::Assign(const TPersistent* source) {
  const auto* range = dynamic_cast<const TSMRange*>(source);
  if (!range) return TPersistent::Assign(source);
  fFirstRow = range->fFirstRow;
  fLastRow = range->fLastRow;
  fFirstCol = range->fFirstCol;
  fLastCol = range->fLastCol;
}

// ---- TCustomSpreadSheetFile -------------------------------------------------------------

void TCustomSpreadSheetFile::LoadFromFile(const AnsiString& fileName) {
  AnsiString name = fileName;
  if (fCheckFileName) {
    name = Trim(name);
    if (name.empty()) throw Exception("File is not defined.");
    if (!FileExists(name)) throw Exception("File does not exist.");
  }
  fFileName = name;
  PrepareLoad();
}

void TCustomSpreadSheetFile::LoadFromStream(TStream*) {
  PrepareLoad();
}

// ---- TSpreadSheetFile -------------------------------------------------------------------

void TSpreadSheetFile::PrepareLoad() {
  fSheets.Clear();
  if (!OnDimensions) OnDimensions = TOnDimensions::Bind(this, &TSpreadSheetFile::DefaultDimensions);
  if (!OnCellValue) OnCellValue = TOnCellValue::Bind(this, &TSpreadSheetFile::DefaultCellValue);
  if (!OnGetCellValue) OnGetCellValue = TOnGetCellValue::Bind(this, &TSpreadSheetFile::DefaultGetCellValue);
  if (!OnSheet) OnSheet = TOnSheet::Bind(this, &TSpreadSheetFile::DefaultSheet);
  if (!OnColumnWidth) OnColumnWidth = TOnColumnWidth::Bind(this, &TSpreadSheetFile::DefaultColumnWidth);
}

void TSpreadSheetFile::ReportProgress(Int64 position, Int64 totalSize) {
  if (fProgressHook) fProgressHook(ClampToInteger(position), ClampToInteger(totalSize));
  if (OnLoadProgress) OnLoadProgress(this, ClampToInteger(position), ClampToInteger(totalSize));
}

void TSpreadSheetFile::DefaultDimensions(TObject*, Integer sheetNo, Integer, Integer lastRow, Integer,
                                         Integer lastColumn) {
  TSpreadSheetCells& cells = fSheets.Sheets(sheetNo)->Cells();
  cells.SetDeclaredColCount(std::min(lastColumn, Range()->LastCol()));
  cells.SetDeclaredRowCount(lastRow);
  if (!cells.TrackUsedRange()) {
    cells.SetUsedColCount(cells.DeclaredColCount());
    cells.SetUsedRowCount(cells.DeclaredRowCount());
  }
}

void TSpreadSheetFile::DefaultCellValue(TObject*, Integer sheetNo, Integer row, Integer column, Integer formatIndex,
                                        const Variant& value, TAlignment alignment, TSMICellType cellType) {
  // The first row and column of the range are left to the import.
  if (column > Range()->LastCol() || row > Range()->LastRow()) return;
  fSheets.Sheets(sheetNo)->Cells().StoreCell(column, row, cellType, formatIndex, alignment, value);
}

void TSpreadSheetFile::DefaultGetCellValue(TObject*, Integer sheetNo, Integer row, Integer column, Variant& value) {
  const TSpreadSheet* sheet = fSheets.FindSheet(sheetNo);
  value = sheet ? sheet->Cells().CellValue(column, row) : Unassigned();
}

void TSpreadSheetFile::DefaultSheet(TObject*, const WideString& caption, Integer index, bool& skip) {
  if (KeepSheetIndex() >= 0) skip = index != KeepSheetIndex();
  fSheets.Sheets(fSheets.Add())->SetCaption(caption);
}

void TSpreadSheetFile::DefaultColumnWidth(TObject*, Integer sheetNo, Integer columnNo, Integer width) {
  CheckColumn(columnNo);
  std::vector<Integer>& widths = fSheets.Sheets(sheetNo)->ColWidths();
  if (widths.size() <= static_cast<std::size_t>(columnNo)) widths.resize(static_cast<std::size_t>(columnNo) + 1);
  widths[static_cast<std::size_t>(columnNo)] = width;
}

// ---- column letters ---------------------------------------------------------------------

Integer ColumnLettersToIndex(const AnsiString& letters, Integer columnCount) {
  if (letters.empty()) return columnCount >= 1 ? 0 : -1;
  Int64 number = 0;
  bool tooLarge = false;
  for (char c : letters) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') return -1;
    // Past the column count the value no longer matters, only the other characters do.
    tooLarge = tooLarge || number > columnCount;
    if (!tooLarge) number = number * 26 + (c - 'A' + 1);
  }
  return !tooLarge && number <= columnCount ? static_cast<Integer>(number - 1) : -1;
}

AnsiString ColumnIndexToLetters(Integer n) {
  AnsiString letters;
  for (; n > 0; n = (n - 1) / 26) letters += static_cast<char>('A' + (n - 1) % 26);
  std::reverse(letters.begin(), letters.end());
  return letters;
}

}  // namespace ordvane
