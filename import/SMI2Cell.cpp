#include "import/SMI2Cell.h"

#include <algorithm>

#include "classlib/core/CodePages.h"
#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

// The unit of the reader's column widths per character of a column's size.
constexpr Integer kWidthPerCharacter = 230;

}  // namespace

TSMImportFromCell::~TSMImportFromCell() = default;

void TSMImportFromCell::SetSheetIndex(Integer value) {
  fSheetIndex = value;
  if (value != -1) fSheetName.clear();
}

void TSMImportFromCell::SetSheetName(const AnsiString& value) {
  fSheetName = value;
  if (!value.empty()) fSheetIndex = -1;
}

// ---- Specifications -------------------------------------------------------------------

void TSMImportFromCell::SaveSpecification(const AnsiString& specificationName, TStream* stream) {
  TSMImportBaseComponent::SaveSpecification(specificationName, stream);
  const AnsiString sheet = "[Sheet]\r\nSheetIndex=" + IntToStr(fSheetIndex) + "\r\n";
  stream->WriteBuffer(sheet.data(), static_cast<Int64>(sheet.size()));
}

void TSMImportFromCell::LoadSpecification(const TStrings* lines) {
  TSMImportBaseComponent::LoadSpecification(lines);
  fSheetIndex = SpecificationInteger(lines, "SheetIndex", fSheetIndex);
}

// ---- The source -----------------------------------------------------------------------

void TSMImportFromCell::OpenSource() {
  TSMImportBaseComponent::OpenSource();
  if (!fReader) fReader = CreateSpreadSheetFile();
  if (!fReader) return;
  fReader->SetKeepSheetIndex(fSheetIndex);
  if (SourceStream() != nullptr)
    fReader->LoadFromStream(SourceStream());
  else
    fReader->LoadFromFile(SourceFileName());
  // A sheet the workbook lacks fails the run: importing nothing would pass for success.
  // So does a workbook of which nothing is read (the Open XML formats).
  if (fReader->Sheets().Count() == 0) throw Exception(NoSheetReason());
  if (fSheetName.empty() || fSheetIndex >= 0) {
    if (fSheetIndex >= fReader->Sheets().Count())
      throw Exception(Format("%d: sheet not found.", {fSheetIndex}));
    return;
  }
  fSheetIndex = fReader->Sheets().IndexOfCaption(AnsiToWide(fSheetName));
  if (fSheetIndex < 0) throw Exception(Format("%s: sheet not found.", {fSheetName}));
}

void TSMImportFromCell::CloseSource() {
  fCurrentRowObject = nullptr;
  fRowsSheet = nullptr;
  fReader.reset();
  TSMImportBaseComponent::CloseSource();
}

const TSpreadSheet* TSMImportFromCell::Sheet() const {
  return fReader ? fReader->Sheets().FindSheet(fSheetIndex) : nullptr;
}

// Rows before the first are not rows of the sheet.
void TSMImportFromCell::FirstRow() {
  if (fReader) fReader->ResetCurrentRecord();
  fCurrentRow = static_cast<Integer>(std::max<Int64>(Int64{RowFirst()} - 1, 0));
}

bool TSMImportFromCell::HasMoreRows() {
  const TSpreadSheet* sheet = Sheet();
  const bool more = sheet != nullptr && fCurrentRow < RowLast() &&
                    fCurrentRow < sheet->Cells().UsedRowCount() && fCurrentRow < sheet->Cells().Count();
  if (!more && fReader) fReader->FinishRecords();
  return more;
}

Integer TSMImportFromCell::GetRowCount() {
  if (!fReader) return TSMImportBaseComponent::GetRowCount();
  const TSpreadSheet* sheet = Sheet();
  return sheet != nullptr ? sheet->Cells().UsedRowCount() : 0;
}

bool TSMImportFromCell::FetchRow() {
  const TSpreadSheet* sheet = Sheet();
  if (sheet != fRowsSheet) {
    fRowsSheet = sheet;
    ColumnsChanged();
  }
  fCurrentRowObject = sheet != nullptr ? sheet->Cells().FindRow(fCurrentRow) : nullptr;
  return TSMImportBaseComponent::FetchRow();
}

Variant TSMImportFromCell::GetSourceValue(const AnsiString& reference) {
  const Integer column = SourceColumn(reference);
  return column < 0 ? TSMImportBaseComponent::GetSourceValue(reference) : GetColumnValue(column);
}

Integer TSMImportFromCell::SourceColumn(const AnsiString& reference) {
  const TSpreadSheet* sheet = Sheet();
  return sheet != nullptr && !reference.empty() ? ColumnLettersToIndex(reference, sheet->Cells().UsedColCount()) : -1;
}

Variant TSMImportFromCell::GetColumnValue(Integer column) {
  const TSMICell* cell = fCurrentRowObject != nullptr ? fCurrentRowObject->Cell(column) : nullptr;
  return cell != nullptr ? cell->Value() : Unassigned();
}

bool TSMImportFromCell::GetTargetName(AnsiString& name) {
  if (TSMImportBaseComponent::GetTargetName(name)) return true;
  if (!SourceFileName().empty()) return false;
  name = "SourceFileName";
  return true;
}

// ---- Columns and mappings -------------------------------------------------------------

void TSMImportFromCell::FillColumnsFromDataSet() {
  const TSpreadSheet* sheet = Sheet();
  if (sheet == nullptr) return;
  const TSpreadSheetCells& cells = sheet->Cells();
  const Integer titleRow = RowFieldNames();
  const bool titled =
      titleRow >= 1 && (titleRow < cells.DeclaredRowCount() || titleRow <= cells.UsedRowCount());
  const TSpreadSheetRow* titles = titled ? cells.FindRow(titleRow - 1) : nullptr;
  for (Integer c = 0; c < cells.UsedColCount(); ++c) {
    TSMIColumn* column = Columns()->Add();
    if (const TSMICell* title = titles != nullptr ? titles->Cell(c) : nullptr) {
      column->SetFieldName(VarToStr(title->Value()));
      column->SetCaption(column->FieldName());
      column->SetAlignment(title->Alignment());
    } else {
      column->SetFieldName(ColumnIndexToLetters(c + 1));
    }
    column->SetDataType(TypedColumns() ? ColumnType(cells, c) : itString);
    const std::vector<Integer>& widths = sheet->ColWidths();
    if (static_cast<std::size_t>(c) < widths.size())
      column->SetSize(widths[static_cast<std::size_t>(c)] / kWidthPerCharacter);
  }
}

// The type of the column's first data cell, the one below the title row.
TSMIDataType TSMImportFromCell::ColumnType(const TSpreadSheetCells& cells, Integer column) const {
  const TSpreadSheetRow* row = RowFieldNames() >= 0 ? cells.FindRow(RowFieldNames()) : nullptr;
  const TSMICell* cell = row != nullptr ? row->Cell(column) : nullptr;
  if (cell == nullptr) return itString;
  switch (VarType(cell->Value())) {
    case varSmallint:
    case varInteger:
      return itInteger;
    case varSingle:
    case varDouble:
    case varCurrency:
      return itFloat;
    case varDate:
      return itDateTime;
    case varBoolean:
      return itBoolean;
    default:
      return itString;
  }
}

void TSMImportFromCell::FillMappingsFromFields() {
  Mappings()->Clear();
  if (DataSet() == nullptr) return;
  for (int i = 0; i < Columns()->Count(); ++i) {
    const AnsiString& name = Columns()->Items(i)->FieldName();
    const TField* field = DataSet()->FindField(name);
    if (field != nullptr && field->FieldKind() != fkCalculated && field->FieldKind() != fkLookup)
      Mappings()->Add(name + "=" + QuoteName(i));
  }
}

AnsiString TSMImportFromCell::QuoteName(int index) {
  if (fReader && fReader->NameKind() == nkFieldName) return TSMImportBaseComponent::QuoteName(index);
  return ColumnIndexToLetters(index + 1);
}

}  // namespace ordvane
