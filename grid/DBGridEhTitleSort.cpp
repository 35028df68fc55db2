// Title sorting: a column title acting as a button steps its sort marker when clicked,
// and the dataset is sorted by the markers through the data service. A Ctrl+click only
// changes the marker: the sorting waits for Ctrl's release or the loss of the focus, so
// that several columns are marked before the dataset reopens once. After the button's
// part, a press and release over the same title or data cell is that cell's click.

#include <utility>

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

void TCustomDBGridEh::TitleButtonCancelled() {
  fTitleButtonCol = -1;
  fClickPressCell = {-1, -1};
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

// ---- Clicks on cells --------------------------------------------------------------------

void TCustomDBGridEh::CellClick(TColumnEh* column) {
  if (OnCellClick) OnCellClick(column);
}

void TCustomDBGridEh::TitleClick(TColumnEh* column) {
  if (OnTitleClick) OnTitleClick(column);
}

TGridCoord TCustomDBGridEh::ClickTargetAt(int x, int y) const {
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < fIndicatorOffset || cell.X >= ColCount()) return {-1, -1};
  // Footers lie below RowCount; the filter row between the titles and the data.
  if (cell.Y >= fTitleOffset && cell.Y < RowCount()) return cell;
  // A group caption spans several columns: it is no column's title.
  if (TitleButtonColAt(x, y) >= 0) return cell;
  return {-1, -1};
}

void TCustomDBGridEh::NoteClickPress(int x, int y) {
  const bool otherAction = SizingBorderAt(x, y).state != grsNormal || SelectionCursorAt(x, y) != 0;
  fClickPressCell = otherAction ? TGridCoord{-1, -1} : ClickTargetAt(x, y);
}

void TCustomDBGridEh::LeftButtonReleased(TShiftState shift, int x, int y) {
  const TInplaceEdit* editor = InplaceEditor();
  const bool inEditor = editor != nullptr && editor->Visible() && PtInRect(editor->BoundsRect(), {x, y});
  const TGridCoord pressed = std::exchange(fClickPressCell, TGridCoord{-1, -1});
  const bool click = pressed.X >= 0 && !inEditor && ClickTargetAt(x, y) == pressed;
  TDestroyWatch watch(this);
  ReleaseTitleButton(shift, x, y);
  if (click && !watch.Gone()) FireCellClick(pressed);
}

void TCustomDBGridEh::FireCellClick(TGridCoord cell) {
  // Taken after the title button's handlers and the sorting: either may have replaced the
  // columns.
  const int dataCol = RawToDataColumn(cell.X);
  if (dataCol < 0 || dataCol >= fColumns->Count()) return;
  TColumnEh* column = fColumns->Items(dataCol);
  if (cell.Y < fTitleOffset)
    TitleClick(column);
  else
    CellClick(column);
}

}  // namespace ordvane
