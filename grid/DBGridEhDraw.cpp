// Cell drawing of the data-aware grid: which area a cell lies in, whether it is selected,
// and how indicator, title and data cells are painted.

#include "grid/DBGridEh.h"

namespace ordvane {

// ---- Cell areas -----------------------------------------------------------------------

TGridCellTypeEh TCustomDBGridEh::GetCellType(int col, int row, int& dataCol, int& areaRow) const {
  TGridCellTypeEh type{col < fIndicatorOffset ? cckIndicatorEh : cckDataEh, crkDataEh};
  dataCol = RawToDataColumn(col);
  const int titleRows = AreTitlesVisible() ? 1 : 0;
  if (row >= 0 && row < titleRows) {
    type.RowKind = crkTitleEh;
    areaRow = row;
  } else if (IsFilterRowVisible() && row == titleRows) {
    type.RowKind = crkFilterEh;
    areaRow = row - titleRows;
  } else if (row >= fTitleOffset && row < RowCount()) {
    areaRow = row - fTitleOffset;
  } else if (row >= RowCount() && row < FullRowCount()) {
    type.RowKind = crkFooterEh;
    areaRow = row - RowCount();
  } else {
    RaiseGridErrorEh("Algorithm error in TCustomDBGridEh.GetCellType");
  }
  return type;
}

bool TCustomDBGridEh::IsCellSelected(int col, int dataCol, int row, const TBookmarkStr& bookmark) {
  const TDBGridEhSelectionType type = fSelection->SelectionType();
  if (type == gstAll) return true;
  const bool dataRow = row >= fTitleOffset && row < RowCount();
  if (col >= fIndicatorOffset) {
    if (dataRow) return fSelection->DataCellSelected(dataCol, bookmark);
    return type == gstColumns && fSelection->DataCellSelected(dataCol, bookmark);
  }
  return dataRow && type == gstRecordBookmarks && fSelectedRows->IndexOf(bookmark) >= 0;
}

bool TCustomDBGridEh::IsRowSelectFocused() {
  return !ComponentState().Contains(csDesigning) && fDBOptions.Contains(dgRowSelect) && DefaultDrawing() &&
         IsFocused();
}

}  // namespace ordvane
