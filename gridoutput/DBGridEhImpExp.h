#pragma once
// The data-aware grid's clipboard actions: copying the cells of the selection as text,
// "Csv", "Rich Text Format" and the grid's own "VCLDBIF" values, cutting, pasting back
// into the dataset, and clearing or deleting the selection. The unit's start hands the
// actions to the grid's keys and registers "VCLDBIF".

#include <vector>

#include "grid/DBGridEh.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(EVCLDBIFError, Exception);

// The clipboard format numbers of "VCLDBIF", "Csv" and "Rich Text Format".
UINT CF_VCLDBIF();
UINT CF_CSV();
UINT CF_RTF();

// The cells a copy takes: the columns in grid order, one row of values per record.
struct TGridCopyCellsEh {
  std::vector<AnsiString> FieldNames;
  // Display texts, as the cells show them.
  std::vector<std::vector<AnsiString>> Texts;
  std::vector<std::vector<Variant>> Values;
};

// The cells the grid's selection covers (every visible column for rows and gstAll).
TGridCopyCellsEh GridSelectionCells(TCustomDBGridEh& grid);

// The forms the copy puts on the clipboard.
AnsiString CellsToText(const TGridCopyCellsEh& cells);
AnsiString CellsToCsv(const TGridCopyCellsEh& cells, char separator);
AnsiString CellsToRtf(const TGridCopyCellsEh& cells);
// Signature, version, column count, field names, row count, then every value as a type
// tag and its payload, little-endian.
RawByteString WriteVCLDBIF(const TGridCopyCellsEh& cells);
// Fills FieldNames and Values; a block that is cut short or malformed raises EVCLDBIFError.
TGridCopyCellsEh ReadVCLDBIF(const RawByteString& data);

void GridCopyToClipboard(TCustomDBGridEh& grid);
void GridCutToClipboard(TCustomDBGridEh& grid);
void GridPasteFromClipboard(TCustomDBGridEh& grid);
void GridDeleteSelection(TCustomDBGridEh& grid);

}  // namespace ordvane
