// Title sorting: a column title acting as a button steps its sort marker when clicked,
// and the dataset is sorted by the markers through the data service. A Ctrl+click only
// changes the marker: the sorting waits for Ctrl's release or the loss of the focus, so
// that several columns are marked before the dataset reopens once. A left release over
// the cell the button went down on is a click on that title or data cell.

#include "classlib/ui/WinInput.h"
#include "grid/DBGridEh.h"
#include "grid/DbUtilsEh.h"

namespace ordvane {

// ---- Applying the sorting ---------------------------------------------------------------

void TCustomDBGridEh::SortMarkingChanged() {
  if (!fOptionsEh.Contains(dghAutoSortMarking)) return;
  if (OnSortMarkingChanged)
    OnSortMarkingChanged(this);
  else
    DefaultApplySorting();
}

void TCustomDBGridEh::DefaultApplySorting() { DBGridEhDataService().ApplySorting(*this); }

void TCustomDBGridEh::TitleBtnClick(int dataCol, TColumnEh* column) {
  if (OnTitleBtnClick) OnTitleBtnClick(this, dataCol, column);
}

void TCustomDBGridEh::CheckTitleBtn(int dataCol, bool& enabled) {
  if (dataCol < 0 || dataCol >= fColumns->Count()) {
    enabled = false;
    return;
  }
  if (OnCheckButton) OnCheckButton(this, dataCol, fColumns->Items(dataCol), enabled);
}

void TCustomDBGridEh::ApplyPendingSorting() {
  if (!fSortPending) return;
  fSortPending = false;
  SortMarkingChanged();
}

void TCustomDBGridEh::KeyUp(Word& key, TShiftState shift) {
  if (key == VK_CONTROL && fSortPending) {
    TDestroyWatch watch(this);
    ApplyPendingSorting();
    if (watch.Gone()) return;
  }
  TCustomGridEh::KeyUp(key, shift);
}

// ---- The title buttons ------------------------------------------------------------------

int TCustomDBGridEh::TitleButtonColAt(int x, int y) const {
  if (!AreTitlesVisible() || !PtInRect(ClientRect(), {x, y})) return -1;
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.Y != 0 || cell.X < fIndicatorOffset) return -1;
  // A group caption above the column's own band is no button.
  return PtInRect(TitleLeafRect(cell.X, CellRect(cell.X, 0)), {x, y}) ? cell.X : -1;
}

int TCustomDBGridEh::TitleButtonToPress(int x, int y) {
  if (ComponentState().Contains(csDesigning)) return -1;
  const int rawCol = TitleButtonColAt(x, y);
  if (rawCol < 0) return -1;
  const int dataCol = RawToDataColumn(rawCol);
  bool enabled = dataCol < fColumns->Count() && fColumns->Items(dataCol)->Title().TitleButton();
  CheckTitleBtn(dataCol, enabled);
  return enabled ? rawCol : -1;
}

void TCustomDBGridEh::PressTitleButton(int rawCol) {
  // A press that started sizing, or that the grid did not keep, holds no button.
  if (rawCol < 0 || GridState() != grsNormal || !MouseCapture()) return;
  fTitleButtonCol = rawCol;
  SetPressedTitleCol(rawCol);
}

void TCustomDBGridEh::TrackTitleButton(int x, int y) {
  if (fTitleButtonCol < 0) return;
  SetPressedTitleCol(TitleButtonColAt(x, y) == fTitleButtonCol ? fTitleButtonCol : -1);
}

void TCustomDBGridEh::ReleaseTitleButton(TShiftState shift, int x, int y) {
  const int rawCol = fTitleButtonCol;
  if (rawCol < 0) return;
  const bool click = TitleButtonColAt(x, y) == rawCol;
  TitleButtonCancelled();
  SetMouseCapture(false);
  if (click) TitleButtonClicked(rawCol, shift);
}

void TCustomDBGridEh::ReleaseCellClick(int x, int y) {
  const TGridCoord pressed = fClickCell;
  fClickCell = {-1, -1};
  const TInplaceEdit* editor = InplaceEditor();
  if (editor != nullptr && editor->Visible() && PtInRect(editor->BoundsRect(), {x, y})) return;
  const TGridCoord cell = MouseCoord(x, y);
  const int dataCol = RawToDataColumn(cell.X);
  if (!(cell == pressed) || dataCol < 0 || dataCol >= fColumns->Count()) return;
  if (AreTitlesVisible() && cell.Y == 0)
    TitleClick(fColumns->Items(dataCol));
  else if (cell.Y >= fTitleOffset && cell.Y < RowCount())
    CellClick(fColumns->Items(dataCol));
}

void TCustomDBGridEh::CellClick(TColumnEh* column) {
  if (OnCellClick) OnCellClick(column);
}

void TCustomDBGridEh::TitleClick(TColumnEh* column) {
  if (OnTitleClick) OnTitleClick(column);
}

void TCustomDBGridEh::TitleButtonCancelled() {
  fTitleButtonCol = -1;
  SetPressedTitleCol(-1);
}

void TCustomDBGridEh::TitleButtonClicked(int rawCol, TShiftState shift) {
  const int dataCol = RawToDataColumn(rawCol);
  if (dataCol < 0 || dataCol >= fColumns->Count()) return;
  TDestroyWatch watch(this);
  TitleBtnClick(dataCol, fColumns->Items(dataCol));
  // The handler may have changed the columns.
  if (watch.Gone() || dataCol >= fColumns->Count()) return;
  fSortPending = shift.Contains(ssCtrl);
  if (fOptionsEh.Contains(dghAutoSortMarking)) fColumns->Items(dataCol)->Title().SetNextSortMarkerValue(fSortPending);
  if (!fSortPending) SortMarkingChanged();
}

}  // namespace ordvane
