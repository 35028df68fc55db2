// The grid's mouse: the presses that select (records from the indicator, a cell or a
// rectangle of data cells) and the one that holds a drag back, the moves that carry a
// selection on with the scroll beyond the data area, live column sizing, a held title
// button turning into a column move, and the release that ends them. Record moving
// (DBGridEhRecordMoving), the column-selection press (DBGridEhMouse) and the title
// buttons (DBGridEhTitleSort) are started and followed from here.

#include <algorithm>
#include <cstdlib>

#include "classlib/ui/WinInput.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

// A held title follows the mouse this far sideways before it becomes a column move.
constexpr int kTitleMoveDistance = 3;
// The timed scroll: the interval shrinks by these many milliseconds per pixel between the
// mouse and the data area, from this start.
constexpr int kScrollIntervalStart = 200;
constexpr int kRowScrollSlowdown = 15;
constexpr int kColumnScrollSlowdown = 10;
// Every so many pixels beyond the rows add a record to a tick, up to the most.
constexpr int kPixelsPerRecord = 6;
constexpr int kMostRecordsPerTick = 8;

UINT ScrollInterval(int slowdown, int distance) {
  return static_cast<UINT>(std::max(0, kScrollIntervalStart - slowdown * distance));
}

}  // namespace

// ---- The press --------------------------------------------------------------------------

void TCustomDBGridEh::WndProc(TMessage& message) {
  const bool leftPress = message.Msg == WM_LBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK;
  if (!leftPress || DragMode() != dmAutomatic || !fDBOptions.Contains(dgMultiSelect))
    return TCustomGridEh::WndProc(message);
  TDestroyWatch watch(this);
  SetDragMode(dmManual);
  fPressInAutoDragMode = true;
  const auto restore = [&] {
    if (watch.Gone()) return;
    SetDragMode(dmAutomatic);
    fPressInAutoDragMode = false;
  };
  try {
    TCustomGridEh::WndProc(message);
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void TCustomDBGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const bool leftPress = button == mbLeft && !shift.Contains(ssDouble);
  if (button == mbLeft && shift.Contains(ssDouble) && FitColumnAtSizingBorder(x, y)) return;
  if (button == mbLeft) {
    NoteClickPress(x, y);
    fLastMovePoint = fPressPoint = {x, y};
    // A press ends a selection the keyboard was extending.
    fSelectingByKey = false;
    fKeepSelectionByKey = false;
  }
  if (leftPress && SelectColumnAtTitleEdge(shift, x, y)) return;
  if (FilterCellMouseDown(button, x, y)) return;
  TDestroyWatch watch(this);
  // A press on the data leaves the filter row.
  if (fFilterEditing && MouseCoord(x, y).Y >= fTitleOffset) StopFilterEdit();
  if (watch.Gone()) return;
  if (leftPress && CheckBeginRecordMoving(x, y, true)) {
    // The grid takes the focus first: Escape must reach it to cancel the drag.
    UpdateEditorFocus();
    if (!watch.Gone()) CheckBeginRecordMoving(x, y, false);
    return;
  }
  if (leftPress && PressDataCell(shift, x, y)) return;
  // A double click on a title is two clicks on its button.
  const int titleCol = button == mbLeft ? TitleButtonToPress(x, y) : -1;
  if (watch.Gone()) return;
  fPressingTitleButton = titleCol >= 0;
  try {
    TCustomGridEh::MouseDown(button, shift, x, y);
  } catch (...) {
    if (!watch.Gone()) fPressingTitleButton = false;
    throw;
  }
  if (watch.Gone()) return;
  fPressingTitleButton = false;
  PressTitleButton(titleCol);
  if (leftPress) PressIndicator(shift, x, y);
}

bool TCustomDBGridEh::BeginColumnDrag(int& /*origin*/, int& /*destination*/, TPoint /*mousePt*/) {
  return !fPressingTitleButton;
}

void TCustomDBGridEh::PressIndicator(TShiftState shift, int x, int y) {
  if (GridState() != grsNormal || !MouseCapture() || !fDataLink->Active() || !fDBOptions.Contains(dgMultiSelect) ||
      !SelectionTypeAllowed(gstRecordBookmarks))
    return;
  const TGridCoord cell = MouseCoord(x, y);
  const int dataRow = cell.Y - fTitleOffset;
  TDataSet& dataSet = *fDataLink->DataSet();
  if (cell.X < 0 || cell.X >= fIndicatorOffset || dataRow < 0 || dataRow >= fDataLink->RecordCount() ||
      (dataSet.Bof() && dataSet.Eof()))
    return;
  TDestroyWatch watch(this);
  const bool toggle = shift.Contains(ssCtrl);
  if (!toggle) ClearSelectionByKey();
  dataSet.MoveBy(dataRow - fDataLink->ActiveRecord());
  if (watch.Gone()) return;
  fSelectedRows->SetCurrentRowSelected(toggle ? !fSelectedRows->GetCurrentRowSelected() : true);
  fDBGridEhState = dgsRowSelectingEh;
  fIndicatorSelecting = true;
}

bool TCustomDBGridEh::PressDataCell(TShiftState shift, int x, int y) {
  if (!fDataLink->Active()) return false;
  const TGridCoord cell = MouseCoord(x, y);
  const int dataRow = cell.Y - fTitleOffset;
  if (cell.X < fIndicatorOffset || dataRow < 0 || dataRow >= fDataLink->RecordCount()) return false;
  TDestroyWatch watch(this);
  if (!TakeFocusForPress()) return true;
  fDataAreaPressed = true;
  TDataSet& dataSet = *fDataLink->DataSet();
  const int dataCol = RawToDataColumn(cell.X);
  if (fPressInAutoDragMode && fDBOptions.Contains(dgMultiSelect) && !shift.Contains(ssShift) &&
      fSelection->DataCellSelected(dataCol, RowRecord(dataRow).bookmark)) {
    fDragPending = true;
  } else if (shift.Contains(ssShift) && SelectionTypeAllowed(gstRectangle)) {
    if (fSelection->SelectionType() != gstRectangle) {
      fSelection->Clear();
      fSelection->Rect().Select(SelectedIndex(), dataSet.Bookmark(), false);
    }
    GoToCell(dataRow, cell.X);
    if (watch.Gone()) return true;
    fSelection->Rect().Select(dataCol, dataSet.Bookmark(), true);
    fDBGridEhState = dgsRectSelectingEh;
  } else {
    const bool currentCell = dataRow == fDataLink->ActiveRecord() && cell.X == Col();
    ClearSelectionByKey();
    if (currentCell) {
      if (fDBOptions.Contains(dgEditing)) ShowEditor();
    } else {
      GoToCell(dataRow, cell.X);
      if (!watch.Gone()) UpdateEdit();
    }
  }
  // OnMouseDown only: the base grid's press would move its own row, not the dataset.
  if (!watch.Gone()) TCustomControl::MouseDown(mbLeft, shift, x, y);  // NOLINT(bugprone-parent-virtual-call)
  return true;
}

void TCustomDBGridEh::GoToCell(int dataRow, int rawCol) {
  TDestroyWatch watch(this);
  fDataLink->DataSet()->MoveBy(dataRow - fDataLink->ActiveRecord());
  if (!watch.Gone()) SelectColumn(rawCol, 0, false);
}

// ---- The moves ---------------------------------------------------------------------------

void TCustomDBGridEh::MouseMove(TShiftState shift, int x, int y) {
  const TPoint previous = fLastMovePoint;
  fLastMovePoint = {x, y};
  if (fDragPending) {
    fDragPending = false;
    BeginDrag(Mouse->DragImmediate(), Mouse->DragThreshold());
    return;
  }
  TDestroyWatch watch(this);
  if (fTitleButtonCol >= 0) {
    TrackTitleButton(x, y);
    if (std::abs(x - fPressPoint.x) > kTitleMoveDistance && fDBOptions.Contains(dgColumnResize))
      TitlePressBecomesColumnMove(shift);
    if (watch.Gone()) return;
  }
  if (fIndicatorSelecting || fDataAreaPressed || fDBGridEhState == dgsRectSelectingEh) {
    SelectionFollowsMouse(shift, x, y, previous);
    if (watch.Gone()) return;
  }
  if (fDBGridEhState == dgsColSelectingEh) {
    ColumnSelectionFollowsMouse(x, y);
  } else if (fOptionsEh.Contains(dghTraceColSizing) && GridState() == grsColSizing) {
    // The width follows the mouse: no sizing line is drawn.
    TraceColSizing(x);
    return;
  } else if (fDBGridEhState == dgsRecordMovingEh) {
    TGridDrawInfo info;
    ComputeDrawInfo(info);
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.Y >= FixedRows() && cell.Y <= info.Vert.LastFullVisibleCell + 1) TrackRecordMoving(x, y, info);
  }
  if (!watch.Gone()) TCustomGridEh::MouseMove(shift, x, y);
}

void TCustomDBGridEh::TitlePressBecomesColumnMove(TShiftState shift) {
  ReleaseMouseStates();
  if (ControlStyle().Contains(csCaptureMouse)) SetMouseCapture(true);
  TCustomGridEh::MouseDown(mbLeft, shift, fPressPoint.x, fPressPoint.y);
}

void TCustomDBGridEh::SelectionFollowsMouse(TShiftState shift, int x, int y, TPoint previous) {
  const TGridCoord cell =
      MouseCoord(std::clamp(x, 0, std::max(GridWidth() - 1, 0)), std::clamp(y, 0, std::max(GridHeight() - 1, 0)));
  const bool moved = x != previous.x || y != previous.y;
  const TRect area = DataAreaRect();
  TDestroyWatch watch(this);
  if (fDataLink->Active() && cell.Y >= 0 && y > area.top && y < area.bottom && cell.Y != Row()) {
    MoveWithSelection(shift.Contains(ssLeft) && moved, cell.Y - Row(), fDBGridEhState != dgsRectSelectingEh, false);
    if (watch.Gone()) return;
  }
  if (fDataAreaPressed && cell.X >= 0 && x > area.left && x < area.right && cell.X != Col()) {
    SelectColumn(cell.X, Col() < cell.X ? 1 : -1, false);
    if (watch.Gone()) return;
    if (fDBGridEhState == dgsRectSelectingEh && fDataLink->Active())
      fSelection->Rect().Select(RawToDataColumn(cell.X), fDataLink->DataSet()->Bookmark(), moved);
  }
  fPressPoint = {x, y};
  fLastSelectShift = shift;
  ArmTimerScroll();
}

void TCustomDBGridEh::ColumnSelectionFollowsMouse(int x, int y) {
  const TGridCoord cell = MouseCoord(x, y);
  const TRect area = DataAreaRect();
  if (x > area.left && x < area.right && cell.X >= fIndicatorOffset)
    ExtendColumnSelectionTo(cell.X);
  else
    ArmTimerScroll();
}

void TCustomDBGridEh::ExtendColumnSelectionTo(int rawCol) {
  const int dataCol = RawToDataColumn(rawCol);
  if (dataCol >= 0 && dataCol < fColumns->Count()) fSelection->Columns().SelectShift(fColumns->Items(dataCol));
}

void TCustomDBGridEh::TraceColSizing(int x) {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  const int border = x + SizingOffset();
  const int width = std::max(1, TraceSizingBorder(border));
  if (fAutoFitColWidths && !ComponentState().Contains(csDesigning)) {
    // The columns right of the sized one keep a pixel and their line each.
    const TGridAxisDrawInfoEh& horz = info.Horz;
    const int limit = horz.FullGridBoundary - (fColumns->Count() - SizingIndex()) * (1 + horz.EffectiveLineWidth);
    if (LogicalX(border, info) >= limit) return;
  }
  SetColWidths(SizingIndex(), width);
}

TRect TCustomDBGridEh::DataAreaRect() const {
  return BoxRect(fIndicatorOffset, fTitleOffset, ColCount() - 1, RowCount() - 1);
}

// ---- The timed scroll ---------------------------------------------------------------------

bool TCustomDBGridEh::MouseSelecting() const {
  return fIndicatorSelecting || fDataAreaPressed || fDBGridEhState == dgsColSelectingEh ||
         fDBGridEhState == dgsRectSelectingEh;
}

void TCustomDBGridEh::DoTimerScroll() {
  if (fDBGridEhState == dgsColSelectingEh)
    ColumnSelectionTimerScroll();
  else
    SelectionTimerScroll();
}

TCustomDBGridEh::TScrollBeyondEh TCustomDBGridEh::ScrollBeyond(TPoint p) const {
  const TRect area = DataAreaRect();
  TScrollBeyondEh beyond;
  if (p.y < area.top) {
    beyond.vertical = -1;
    beyond.verticalDistance = area.top - p.y;
  } else if (p.y >= area.bottom) {
    beyond.vertical = 1;
    beyond.verticalDistance = p.y - area.bottom + 1;
  }
  if (p.x < area.left) {
    beyond.horizontal = -1;
    beyond.horizontalDistance = area.left - p.x;
  } else if (p.x >= area.right) {
    beyond.horizontal = 1;
    beyond.horizontalDistance = p.x - area.right;
  }
  return beyond;
}

void TCustomDBGridEh::ArmTimerScroll() {
  if (fDBGridEhState == dgsColSelectingEh) {
    const TScrollBeyondEh beyond = ScrollBeyond(ScreenToClient(Mouse->CursorPos()));
    if (beyond.horizontal != 0) StartScrollTimer(ScrollInterval(kColumnScrollSlowdown, beyond.horizontalDistance));
    return;
  }
  const TScrollBeyondEh beyond = ScrollBeyond(fPressPoint);
  if (beyond.vertical == 0 && beyond.horizontal == 0)
    StopScrollTimer();
  else
    StartScrollTimer(ScrollInterval(kRowScrollSlowdown, beyond.Distance()));
}

void TCustomDBGridEh::ColumnSelectionTimerScroll() {
  const TScrollBeyondEh beyond = ScrollBeyond(ScreenToClient(Mouse->CursorPos()));
  if (beyond.horizontal == 0) return;
  // The column that comes into view joins the selection; without room to scroll, the
  // one shown at that edge.
  int rawCol = 0;
  if (beyond.horizontal < 0) {
    if (LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
    rawCol = LeftCol();
  } else {
    if (LeftCol() + VisibleColCount() < ColCount()) SetLeftCol(LeftCol() + 1);
    rawCol = LeftCol() + VisibleColCount() - 1;
  }
  ExtendColumnSelectionTo(rawCol);
  StartScrollTimer(ScrollInterval(kColumnScrollSlowdown, beyond.horizontalDistance));
}

void TCustomDBGridEh::SelectionTimerScroll() {
  const TScrollBeyondEh beyond = ScrollBeyond(fPressPoint);
  const int vertical = beyond.vertical;
  const int horizontal = beyond.horizontal;
  if (vertical == 0 && horizontal == 0) {
    StopScrollTimer();
    return;
  }
  const int records = std::min(beyond.Distance() / kPixelsPerRecord, kMostRecordsPerTick) * vertical;
  TDestroyWatch watch(this);
  BeginUpdate();
  try {
    if (vertical != 0 && fDBGridEhState != dgsRectSelectingEh)
      MoveWithSelection(fLastSelectShift.Contains(ssLeft), records, true, false);
    if (horizontal < 0 && fDataAreaPressed && LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
    if (horizontal > 0 && fDataAreaPressed && LeftCol() + VisibleColCount() < ColCount()) SetLeftCol(LeftCol() + 1);
    if (horizontal != 0 && fDBGridEhState != dgsRowSelectingEh) SelectColumn(Col() + horizontal, horizontal, false);
    if (fDBGridEhState == dgsRectSelectingEh) {
      TDataSet& dataSet = *fDataLink->DataSet();
      if (records != 0) dataSet.MoveBy(records);
      const int dataCol = horizontal < 0 && LeftCol() == FixedCols() ? 0 : SelectedIndex();
      fSelection->Rect().Select(dataCol, dataSet.Bookmark(), true);
    }
  } catch (...) {
    if (!watch.Gone()) EndUpdate();
    throw;
  }
  if (watch.Gone()) return;
  EndUpdate();
  if (UpdateLock() == 0) {
    Invalidate();
    Update();
  }
  StartScrollTimer(ScrollInterval(kRowScrollSlowdown, beyond.Distance()));
}

// ---- The release and the end ----------------------------------------------------------------

void TCustomDBGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TDestroyWatch watch(this);
  if (button == mbLeft && fDBGridEhState == dgsRecordMovingEh) StopRecordMoving(x, y, true);
  if (!watch.Gone() && button == mbLeft && fDragPending) DragPendingReleased(shift);
  if (watch.Gone()) return;
  if (button == mbLeft) EndMouseSelection();
  TCustomGridEh::MouseUp(button, shift, x, y);
  if (!watch.Gone() && button == mbLeft) LeftButtonReleased(shift, x, y);
}

void TCustomDBGridEh::DragPendingReleased(TShiftState shift) {
  fDragPending = false;
  const TGridCoord cell = MouseCoord(fPressPoint.x, fPressPoint.y);
  const int dataRow = cell.Y - fTitleOffset;
  if (!fDataLink->Active() || cell.X < fIndicatorOffset || dataRow < 0 || dataRow >= fDataLink->RecordCount())
    return;
  TDestroyWatch watch(this);
  GoToCell(dataRow, cell.X);
  if (watch.Gone()) return;
  if (shift.Contains(ssCtrl) && fDBOptions.Contains(dgRowSelect))
    fSelectedRows->SetCurrentRowSelected(!fSelectedRows->GetCurrentRowSelected());
  else
    ClearSelectionByKey();
}

void TCustomDBGridEh::EndMouseSelection() {
  if (MouseSelecting()) StopScrollTimer();
  if (fDBGridEhState != dgsRecordMovingEh) fDBGridEhState = dgsNormalEh;
  fIndicatorSelecting = false;
  fDataAreaPressed = false;
}

void TCustomDBGridEh::ReleaseMouseStates() {
  EndMouseSelection();
  fDragPending = false;
  TitleButtonCancelled();
}

}  // namespace ordvane
