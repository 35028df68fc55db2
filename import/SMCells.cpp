#include "import/SMCells.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

void CheckRow(Integer row) {
  if (row < 0 || row >= SpreadSheetMaxRows) throw ESpreadSheetError(Format("Row %d lies outside the sheet", {row}));
}

[[noreturn]] void RaiseColumnOutside(Integer column) {
  throw ESpreadSheetError(Format("Column %d lies outside the sheet", {column}));
}

// Every stored cell passes here: only the raise is out of line.
inline void CheckColumn(Integer column) {
  if (column < 0 || column >= SpreadSheetMaxColumns) [[unlikely]]
    RaiseColumnOutside(column);
}

// Empty or Null, also through a reference; a plain value's type tells at once.
bool HoldsNothing(const Variant& value) {
  const TVarType type = value.VType();
  if ((type & varByRef) == 0) return type == varEmpty || type == varNull;
  return VarIsEmpty(value) || VarIsNull(value);
}

// Blocks of a sheet's storage: small for a small sheet, large steps for a large one.
constexpr std::size_t kFirstBlock = std::size_t{16} * 1024, kLargestBlock = std::size_t{4} * 1024 * 1024;

Integer ClampToInteger(Int64 value) {
  return static_cast<Integer>(
      std::clamp<Int64>(value, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max()));
}

}  // namespace

// ---- TSMICell ---------------------------------------------------------------------------

// A sheet's memory is mostly its cells and rows: each keeps its small fields in the padding
// that ends its value or its columns.
static_assert(sizeof(TSMICell) == 24 && sizeof(TSpreadSheetRow) == 24);
static_assert(SpreadSheetMaxColumns - 1 <= 0xFF && SpreadSheetMaxRows - 1 <= 0xFFFF);

void TSMICell::MoveFrom(TSMICell& other) {
  fValue = std::move(other.fValue);
  fFormatIndex = other.fFormatIndex;
  fAlignment = other.fAlignment;
  fCellType = other.fCellType;
  fColumn = other.fColumn;
}

void TSMICell::Assign(const TPersistent* source) {
  const auto* cell = dynamic_cast<const TSMICell*>(source);
  if (!cell) return TPersistent::Assign(source);
  fValue = cell->fValue;
  fAlignment = cell->fAlignment;
  fFormatIndex = cell->fFormatIndex;
  fCellType = cell->fCellType;
}

// ---- TSpreadSheetCols -------------------------------------------------------------------

TSMICell* TSpreadSheetCols::Search(int column) const {
  if (column < 0 || column >= fColumnCount) return nullptr;
  TSMICell* const end = fCells + fStored;
  TSMICell* found =
      std::lower_bound(fCells, end, column, [](const TSMICell& cell, int c) { return cell.fColumn < c; });
  return found != end && found->fColumn == column ? found : nullptr;
}

// ---- TSpreadSheetRow --------------------------------------------------------------------

TSMICell* TSpreadSheetRow::Cell(Integer column) const {
  return fCols.Cells(column);
}

void TSpreadSheetRow::Clear() {
  for (int i = 0; i < fCols.fStored; ++i) {
    TSMICell& cell = fCols.fCells[i];
    cell.SetValue(Unassigned());
    cell.SetAlignment(taLeftJustify);
    cell.SetFormatIndex(-1);
  }
}

// ---- TSheetStorage ----------------------------------------------------------------------

void* TSheetStorage::Take(std::size_t bytes, std::size_t alignment) {
  const std::size_t padding = (alignment - reinterpret_cast<std::uintptr_t>(fNext) % alignment) % alignment;
  if (fNext == nullptr || padding + bytes > fLeft) {
    // Each block doubles the one before, up to the largest size; a larger request gets a
    // block of its own size.
    fBlockSize = fBlockSize == 0 ? kFirstBlock : std::min(2 * fBlockSize, kLargestBlock);
    const std::size_t block = std::max(bytes + alignment, fBlockSize);
    fBlocks.push_back(std::make_unique_for_overwrite<std::byte[]>(block));
    fNext = fBlocks.back().get();
    fLeft = block;
    return Take(bytes, alignment);
  }
  void* taken = fNext + padding;
  fNext += padding + bytes;
  fLeft -= padding + bytes;
  return taken;
}

bool TSheetStorage::Extend(void* at, std::size_t bytes, std::size_t newBytes) {
  if (at == nullptr || static_cast<std::byte*>(at) + bytes != fNext || newBytes < bytes || newBytes - bytes > fLeft)
    return false;
  fNext += newBytes - bytes;
  fLeft -= newBytes - bytes;
  return true;
}

void TSheetStorage::Clear() {
  fBlocks.clear();
  fNext = nullptr;
  fLeft = 0;
  fBlockSize = 0;
}

// ---- TSpreadSheetCells ------------------------------------------------------------------

TSpreadSheetRow* TSpreadSheetCells::MakeRow(Integer index) {
  CheckRow(index);
  if (static_cast<std::size_t>(index) >= fRows.size()) {
    // The rows the file declares are indexed at once (at most a sheet's worth).
    if (fRows.empty()) fRows.reserve(static_cast<std::size_t>(std::clamp(fDeclaredRowCount, 0, SpreadSheetMaxRows)));
    fRows.resize(static_cast<std::size_t>(index) + 1, nullptr);
  }
  TSpreadSheetRow* row = new (fStorage.Take<TSpreadSheetRow>(1)) TSpreadSheetRow(index);
  fRows[static_cast<std::size_t>(index)] = row;
  return row;
}

void TSpreadSheetCells::Clear() {
  // Every object in the storage is destroyed, then the storage is given back whole.
  for (TSpreadSheetRow* row : fRows) {
    if (!row) continue;
    std::destroy_n(row->fCols.fCells, row->fCols.fStored);
    row->~TSpreadSheetRow();
  }
  fRows.clear();
  fStorage.Clear();
  fDeclaredColCount = fDeclaredRowCount = fUsedColCount = fUsedRowCount = 0;
}

// Only the first fStored cells of a row's room are objects; the rest is raw memory.
void TSpreadSheetCells::Grow(TSpreadSheetCols& cols, int count) {
  TSMICell* cells = fStorage.Take<TSMICell>(static_cast<std::size_t>(count));
  for (int i = 0; i < cols.fStored; ++i) (new (&cells[i]) TSMICell)->MoveFrom(cols.fCells[i]);
  // The old room stays in the storage, unused, until the sheet is freed.
  std::destroy_n(cols.fCells, cols.fStored);
  cols.fCells = cells;
  cols.fCapacity = static_cast<Word>(count);
}

TSMICell& TSpreadSheetCells::CellSlot(TSpreadSheetCols& cols, Integer column) {
  // A file mostly gives a row's cells left to right: a column past the row's last one has
  // no cell to look for.
  if (column < cols.fColumnCount)
    if (TSMICell* cell = cols.Cells(column)) return *cell;
  if (cols.fStored == cols.fCapacity) {
    if (fStorage.Extend(cols.fCells, cols.fCapacity, std::size_t{cols.fCapacity} + 1u))
      ++cols.fCapacity;
    else
      Grow(cols, std::min(std::max(2 * cols.fCapacity, 1), SpreadSheetMaxColumns));
  }
  // Cells mostly come in column order: the new one usually goes at the end.
  int at = cols.fStored;
  while (at > 0 && cols.fCells[at - 1].fColumn > column) --at;
  new (&cols.fCells[cols.fStored]) TSMICell;
  for (int i = cols.fStored; i > at; --i) cols.fCells[i].MoveFrom(cols.fCells[i - 1]);
  ++cols.fStored;
  cols.fColumnCount = static_cast<Word>(std::max<Integer>(cols.fColumnCount, column + 1));
  TSMICell& cell = cols.fCells[at];  // new, or moved on: its value is empty
  cell.fColumn = static_cast<Byte>(column);
  return cell;
}

Variant TSpreadSheetCells::CellValue(Integer column, Integer row) const {
  const TSpreadSheetRow* line = FindRow(row);
  const TSMICell* cell = line ? line->Cell(column) : nullptr;
  return cell ? cell->Value() : Unassigned();
}

void TSpreadSheetCells::StoreCell(Integer column, Integer row, TSMICellType cellType, Integer formatIndex,
                                  TAlignment alignment, const Variant& value) {
  if (HoldsNothing(value)) return;
  CheckColumn(column);
  TSMICell& cell = CellSlot(Rows(row)->fCols, column);
  cell.SetValue(value);
  cell.SetAlignment(alignment);
  cell.SetFormatIndex(formatIndex);
  cell.SetCellType(cellType);
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

TSpreadSheet* TSpreadSheets::MakeSheet(Integer index) {
  index = std::max(index, 0);
  if (TSpreadSheet* sheet = FindSheet(index)) return sheet;
  if (index >= SpreadSheetMaxSheets)
    throw ESpreadSheetError(Format("A workbook holds at most %d sheets", {SpreadSheetMaxSheets}));
  while (fSheets.Count() <= index) Add();
  return FindSheet(index);
}

TSpreadSheet* TSpreadSheets::LookUp(Integer index) const {
  index = std::max(index, 0);
  if (Remembered(index)) return fLast;
  if (index >= fSheets.Count()) return nullptr;
  fLast = static_cast<TSpreadSheet*>(fSheets.Items(index));
  fLastIndex = index;
  return fLast;
}

void TSpreadSheets::Delete(Integer index) {
  fLast = nullptr;
  fSheets.Delete(index);
}

void TSpreadSheets::Clear() {
  fLast = nullptr;
  fSheets.Clear();
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
  if (!OnCellValue) OnCellValue = fStoreReportedCell;
  if (!OnGetCellValue) OnGetCellValue = TOnGetCellValue::Bind(this, &TSpreadSheetFile::DefaultGetCellValue);
  if (!OnSheet) OnSheet = TOnSheet::Bind(this, &TSpreadSheetFile::DefaultSheet);
  if (!OnColumnWidth) OnColumnWidth = TOnColumnWidth::Bind(this, &TSpreadSheetFile::DefaultColumnWidth);
}

void TSpreadSheetFile::NotifyProgress(Int64 position, Int64 totalSize) {
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
  StoreCellValue(sheetNo, row, column, formatIndex, value, alignment, cellType);
}

void TSpreadSheetFile::StoreCellValue(Integer sheetNo, Integer row, Integer column, Integer formatIndex,
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
