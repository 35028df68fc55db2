// The base grid's keyboard and mouse input: cell navigation, the editor keys, mouse
// selection with its timed scrolling, sizing lines by their borders, moving lines by
// their fixed cells, the wheel, the sizing cursors and the end of every mouse operation.

#include <algorithm>

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/WinInput.h"
#include "gridbase/GridsEh.h"

namespace ordvane {

namespace {

constexpr UINT_PTR kScrollTimer = 1;
constexpr UINT kScrollInterval = 60;
constexpr int kSizingLineWidth = 1;
constexpr int kMoveMarkerWidth = 5;

// The pixels around a border line where a press sizes the line before it: 7 pixels
// centred on a thin line, a wide line itself.
struct TSizingZone {
  int before;
  int width;
  bool Holds(int p, int border) const { return p >= border - before && p < border - before + width; }
};

TSizingZone ZoneOf(int lineWidth) {
  constexpr int kZone = 7;
  return lineWidth < kZone ? TSizingZone{(kZone - lineWidth) / 2, kZone} : TSizingZone{0, lineWidth};
}

// Where the scrolling cells start on an axis.
int ScrollingStart(const TGridAxisDrawInfoEh& axis) {
  return axis.FixedBoundary - axis.OriginShift;
}

// The border under pixel `p` of an axis: the line sized and the border pixel.
bool FindSizingBorder(const TGridAxisDrawInfoEh& axis, int p, int& index, int& border) {
  const TSizingZone zone = ZoneOf(axis.EffectiveLineWidth);
  const auto take = [&](int line, int at) {
    index = line;
    border = at;
    return true;
  };
  // The end borders of the fixed data cells and of the shown scrolling cells.
  int pos = axis.FixedDataBoundary;
  for (int cell = axis.FixedCellCount - axis.FixedDataCount; cell < axis.FixedCellCount; ++cell) {
    const int end = pos + axis.GetExtent(cell);
    if (axis.Span(cell) > 0 && zone.Holds(p, end)) return take(cell, end);
    pos += axis.Span(cell);
  }
  pos = ScrollingStart(axis);
  for (int cell = axis.FirstGridCell; cell < axis.GridCellCount && pos < axis.GridBoundary; ++cell) {
    const int end = pos + axis.GetExtent(cell);
    if (axis.Span(cell) > 0 && end <= axis.GridBoundary && zone.Holds(p, end)) return take(cell, end);
    pos += axis.Span(cell);
  }
  // A cell cut at the end of the scrolling area is sized at that edge.
  if (axis.GridBoundary > axis.FullVisBoundary && p >= axis.GridExtent - zone.before &&
      p <= axis.GridExtent) {
    const bool noneWhole = axis.FullVisBoundary <= axis.FixedBoundary;
    return take(noneWhole ? axis.LastFullVisibleCell : axis.LastFullVisibleCell + 1, axis.GridExtent);
  }
  if (axis.ContraCellCount < 1) return false;
  // Contra cells are sized at their start borders.
  if (p >= axis.ContraBoundary && p <= axis.GridExtent + zone.before)
    return take(axis.GridCellCount, axis.GridExtent);
  pos = axis.ContraBoundary + axis.EffectiveLineWidth;
  for (int cell = axis.GridCellCount; cell < axis.FullCellCount - 1 && pos < axis.FullGridBoundary; ++cell) {
    const int end = pos + axis.GetExtent(cell);
    if (axis.Span(cell) > 0 && zone.Holds(p, end)) return take(cell + 1, end);
    pos += axis.Span(cell);
  }
  return false;
}

// The extent a line gets when its sizing border is let go at pixel `pos`. A contra line,
// sized at its start border, keeps its far edge.
int SizedExtent(const TGridAxisDrawInfoEh& axis, int index, int pos) {
  if (index >= axis.GridCellCount) {
    int start = axis.ContraBoundary + axis.EffectiveLineWidth;
    for (int cell = axis.GridCellCount; cell < index; ++cell) start += axis.Span(cell);
    return start + axis.GetExtent(index) - (pos + axis.EffectiveLineWidth);
  }
  const bool fixedData = index < axis.FixedCellCount;
  int start = fixedData ? axis.FixedDataBoundary : ScrollingStart(axis);
  for (int cell = fixedData ? axis.FixedCellCount - axis.FixedDataCount : axis.FirstGridCell; cell < index;
       ++cell)
    start += axis.Span(cell);
  return pos - start;
}

bool IsMouseOperation(TGridStateEh state) {
  return state == grsSelecting || state == grsRowMoving || state == grsColMoving;
}

}  // namespace

// ---- keyboard -------------------------------------------------------------------------

void TCustomGridEh::KeyDown(Word& key, TShiftState shift) {
  TDestroyWatch watch(this);
  if (!CanGridAcceptKey(key, shift)) key = 0;
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  TGridCoord current = fCurrent;
  TGridCoord topLeft = fTopLeft;
  bool moveAnchor = !shift.Contains(ssShift);
  const bool repaint = NavigateKey(key, shift, info, current, topLeft, moveAnchor);
  if (watch.Gone()) return;

  const TGridCoord greatest = GreatestTopLeft(info);
  topLeft = {std::clamp(topLeft.X, fFixedCols, greatest.X), std::clamp(topLeft.Y, fFixedRows, greatest.Y)};
  if (!(topLeft == fTopLeft)) MoveTopLeft(topLeft.X, topLeft.Y);
  // Fixed data cells may become current.
  current = {std::clamp(current.X, fFixedCols - info.Horz.FixedDataCount, fColCount - 1),
             std::clamp(current.Y, fFixedRows - info.Vert.FixedDataCount, fRowCount - 1)};
  if (!(current == fCurrent)) FocusCell(current.X, current.Y, moveAnchor);
  if (watch.Gone()) return;
  if (repaint) Invalidate();
  TCustomControl::KeyDown(key, shift);
}

bool TCustomGridEh::NavigateKey(Word key, TShiftState shift, const TGridDrawInfo& info, TGridCoord& current,
                                TGridCoord& topLeft, bool& moveAnchor) {
  const int pageWidth = std::max(1, info.Horz.LastFullVisibleCell - fTopLeft.X);
  const int pageHeight = std::max(1, info.Vert.LastFullVisibleCell - fTopLeft.Y);
  // The column step of Right: right to left, Right goes to the lower columns.
  const int step = UseRightToLeftAlignment() ? -1 : 1;
  const bool rowSelect = fOptions.Contains(grRowSelect);
  if (shift.Contains(ssCtrl)) {
    switch (key) {
      case VK_UP:
        --topLeft.Y;
        break;
      case VK_DOWN:
        ++topLeft.Y;
        break;
      case VK_LEFT:
      case VK_RIGHT:
        if (!rowSelect) {
          const int distance = (key == VK_RIGHT ? step : -step) * pageWidth;
          current.X += distance;
          topLeft.X += distance;
        }
        break;
      case VK_PRIOR:
        current.Y = fTopLeft.Y;
        break;
      case VK_NEXT:
        current.Y = info.Vert.LastFullVisibleCell;
        break;
      case VK_HOME:
        current = {fFixedCols, fFixedRows};
        return UseRightToLeftAlignment();
      case VK_END:
        current = {fColCount - 1, fRowCount - 1};
        return UseRightToLeftAlignment();
      default:
        break;
    }
    return false;
  }
  switch (key) {
    case VK_UP:
      --current.Y;
      break;
    case VK_DOWN:
      ++current.Y;
      break;
    case VK_LEFT:
    case VK_RIGHT:
      if (rowSelect)
        current.Y += key == VK_RIGHT ? 1 : -1;
      else
        current.X += key == VK_RIGHT ? step : -step;
      break;
    case VK_PRIOR:
    case VK_NEXT: {
      const int distance = key == VK_NEXT ? pageHeight : -pageHeight;
      current.Y += distance;
      topLeft.Y += distance;
      break;
    }
    case VK_HOME:
      (rowSelect ? current.Y : current.X) = rowSelect ? fFixedRows : fFixedCols;
      break;
    case VK_END:
      (rowSelect ? current.Y : current.X) = rowSelect ? fRowCount - 1 : fColCount - 1;
      break;
    case VK_TAB:
      if (!shift.Contains(ssAlt)) {
        TabWalk(shift.Contains(ssShift), current);
        moveAnchor = true;
      }
      break;
    case VK_F2:
      SetEditorMode(true);
      break;
    default:
      break;
  }
  return false;
}

void TCustomGridEh::TabWalk(bool backwards, TGridCoord& cell) const {
  const TGridCoord start = cell;
  // A walk from a fixed data cell never comes back to its column: one pass over the
  // scrolling columns is as far as any walk goes.
  for (int steps = fColCount - fFixedCols; steps > 0; --steps) {
    if (!backwards) {
      if (++cell.X >= fColCount) {
        cell.X = fFixedCols;
        if (++cell.Y >= fRowCount) cell.Y = fFixedRows;
      }
    } else if (--cell.X < fFixedCols) {
      cell.X = fColCount - 1;
      if (--cell.Y < fFixedRows) cell.Y = fRowCount - 1;
    }
    if (TabStops(cell.X) || cell.X == start.X) return;
  }
  cell = start;
}

void TCustomGridEh::KeyPress(char& key) {
  TDestroyWatch watch(this);
  TCustomControl::KeyPress(key);
  if (watch.Gone() || key != '\r' || fOptions.Contains(grAlwaysShowEditor)) return;
  if (fEditorMode)
    HideEditor();
  else
    ShowEditor();
  key = 0;
}

// ---- mouse ----------------------------------------------------------------------------

bool TCustomGridEh::TakeFocusForPress() {
  TDestroyWatch watch(this);
  HideEdit();
  if (watch.Gone()) return false;
  if (CanFocus() || !GetParentForm(this)) {
    SetFocus();
    if (watch.Gone()) return false;
    if (!IsActiveControl()) {
      SetMouseCapture(false);
      return false;
    }
  }
  return true;
}

void TCustomGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TDestroyWatch watch(this);
  if (!TakeFocusForPress()) return;
  if (button == mbLeft && shift.Contains(ssDouble)) {
    DblClick();
    if (!watch.Gone()) TCustomControl::MouseDown(button, shift, x, y);
    return;
  }
  if (button == mbLeft && StartLeftPress(shift, x, y)) return;
  if (watch.Gone()) return;
  try {
    TCustomControl::MouseDown(button, shift, x, y);
  } catch (...) {
    // A move that cannot start cleanly does not start: its marker goes with it.
    if (!watch.Gone() && (fGridState == grsRowMoving || fGridState == grsColMoving)) CancelMode();
    throw;
  }
}

bool TCustomGridEh::StartLeftPress(TShiftState shift, int x, int y) {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  CalcSizingState(x, y, fGridState, fSizingIndex, fSizingPos, fSizingOfs, info);
  if (fGridState != grsNormal) {
    if (fGridState == grsColSizing && UseRightToLeftAlignment()) {
      // The line follows the mouse on the screen, where the offset runs the other way.
      fSizingPos = LogicalX(fSizingPos, info);
      fSizingOfs = -fSizingOfs;
    }
    // What waits to be painted is painted first: a paint over the line would leave half
    // of it behind when it is erased.
    Update();
    ShowSizingLine(info);
    return true;
  }
  const TGridCoord hit = AxisCellsAt(x, y, info);
  const bool inData = hit.X >= std::max(0, fFixedCols - info.Horz.FixedDataCount) &&
                      hit.Y >= std::max(0, fFixedRows - info.Vert.FixedDataCount) && hit.X < fColCount &&
                      hit.Y < fRowCount;
  if (inData) {
    if (fOptions.Contains(grEditing)) {
      if (hit == fCurrent) {
        ShowEditor();
      } else {
        MoveCurrent(hit.X, hit.Y, true, true);
        UpdateEdit();
      }
      Click();
    } else {
      fGridState = grsSelecting;
      StartScrollTimer();
      if (shift.Contains(ssShift))
        MoveAnchor(hit);
      else
        MoveCurrent(hit.X, hit.Y, true, true);
    }
  } else if (fOptions.Contains(grRowMoving) && hit.X >= 0 && hit.X < fFixedCols && hit.Y >= fFixedRows &&
             hit.Y < fRowCount) {
    StartMove(true, hit.Y, {x, y});
  } else if (fOptions.Contains(grColMoving) && hit.Y >= 0 && hit.Y < fFixedRows && hit.X >= fFixedCols &&
             hit.X < fColCount) {
    StartMove(false, hit.X, {x, y});
  }
  return false;
}

void TCustomGridEh::StartMove(bool rows, int line, TPoint mousePt) {
  fMoveIndex = line;
  fMovePos = line;
  if (!(rows ? BeginRowDrag(fMoveIndex, fMovePos, mousePt) : BeginColumnDrag(fMoveIndex, fMovePos, mousePt)))
    return;
  fGridState = rows ? grsRowMoving : grsColMoving;
  Update();
  DrawMove();
  StartScrollTimer();
}

void TCustomGridEh::MouseMove(TShiftState shift, int x, int y) {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  switch (fGridState) {
    case grsRowSizing:
    case grsColSizing:
      HideSizingLine(info);
      fSizingPos = fSizingOfs + (fGridState == grsRowSizing ? y : x);
      ShowSizingLine(info);
      break;
    case grsSelecting:
    case grsRowMoving:
    case grsColMoving: {
      const TGridCoord hit = AxisCellsAt(x, y, info);
      const bool inReach = hit.X >= fFixedCols - info.Horz.FixedDataCount &&
                           hit.Y >= fFixedRows - info.Vert.FixedDataCount && hit.X >= 0 && hit.Y >= 0 &&
                           hit.X <= std::min(fColCount - 1, info.Horz.LastFullVisibleCell + 1) &&
                           hit.Y <= std::min(fRowCount - 1, info.Vert.LastFullVisibleCell + 1);
      if (!inReach) break;
      if (fGridState == grsSelecting) {
        if (!(hit == fAnchor)) MoveAnchor(hit);
      } else if (fGridState == grsRowMoving) {
        MoveAndScroll(y, hit.Y, info, false, {x, y});
      } else {
        MoveAndScroll(x, hit.X, info, true, {x, y});
      }
      break;
    }
    default:
      break;
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomGridEh::MoveAndScroll(int mouse, int cellHit, TGridDrawInfo& info, bool horz, TPoint mousePt) {
  if (horz) mouse = LogicalX(mouse, info);
  const TGridAxisDrawInfoEh& axis = horz ? info.Horz : info.Vert;
  if (cellHit == fMovePos || (fMovePos == axis.FixedCellCount && mouse < axis.FixedBoundary) ||
      (fMovePos == axis.GridCellCount - 1 && mouse > axis.GridBoundary))
    return;
  DrawMove();
  if (mouse < axis.FixedBoundary) {
    if (fMovePos > axis.FixedCellCount) {
      StepTopLeft(horz, -1, info);
      Update();
      ComputeDrawInfo(info);
    }
    cellHit = axis.FirstGridCell;
  } else if (mouse >= axis.FullVisBoundary) {
    if (fMovePos == axis.LastFullVisibleCell && fMovePos < axis.GridCellCount - 1) {
      StepTopLeft(horz, 1, info);
      Update();
      ComputeDrawInfo(info);
    }
    cellHit = axis.LastFullVisibleCell;
  } else if (cellHit < 0) {
    cellHit = fMovePos;
  }
  if (horz ? CheckColumnDrag(fMoveIndex, cellHit, mousePt) : CheckRowDrag(fMoveIndex, cellHit, mousePt))
    fMovePos = cellHit;
  DrawMove();
}

void TCustomGridEh::StepTopLeft(bool horz, int delta, const TGridDrawInfo& info) {
  const TGridCoord greatest = GreatestTopLeft(info);
  TGridCoord topLeft = fTopLeft;
  if (horz)
    topLeft.X = std::clamp(topLeft.X + delta, fFixedCols, greatest.X);
  else
    topLeft.Y = std::clamp(topLeft.Y + delta, fFixedRows, greatest.Y);
  MoveTopLeft(topLeft.X, topLeft.Y);
}

void TCustomGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TDestroyWatch watch(this);
  // Whatever the handlers raise, the operation ends with the release.
  const auto finish = [&] {
    if (watch.Gone()) return;
    StopScrollTimer();
    fGridState = grsNormal;
  };
  try {
    switch (fGridState) {
      case grsSelecting:
        MouseMove(shift, x, y);
        if (watch.Gone()) return;
        StopScrollTimer();
        UpdateEdit();
        Click();
        break;
      case grsRowSizing:
      case grsColSizing:
        EndSizing();
        break;
      case grsRowMoving:
      case grsColMoving:
        EndMove({x, y});
        break;
      default:
        break;
    }
    if (!watch.Gone()) TCustomControl::MouseUp(button, shift, x, y);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TCustomGridEh::EndSizing() {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  HideSizingLine(info);
  const bool rows = fGridState == grsRowSizing;
  const int extent =
      SizedExtent(rows ? info.Vert : info.Horz, fSizingIndex, rows ? fSizingPos : LogicalX(fSizingPos, info));
  if (extent <= 1) return;
  if (rows)
    SetRowHeights(fSizingIndex, extent);
  else
    SetColWidths(fSizingIndex, extent);
}

void TCustomGridEh::EndMove(TPoint mousePt) {
  DrawMove();
  StopScrollTimer();
  const bool rows = fGridState == grsRowMoving;
  const bool agreed =
      rows ? EndRowDrag(fMoveIndex, fMovePos, mousePt) : EndColumnDrag(fMoveIndex, fMovePos, mousePt);
  if (agreed && fMovePos != fMoveIndex) {
    if (rows)
      MoveRow(fMoveIndex, fMovePos);
    else
      MoveColumn(fMoveIndex, fMovePos);
  }
  UpdateEdit();
}

bool TCustomGridEh::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  if (TCustomControl::DoMouseWheelDown(shift, mousePos)) return true;
  if (fCurrent.Y < fRowCount - 1) SetRow(fCurrent.Y + 1);
  return true;
}

bool TCustomGridEh::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  if (TCustomControl::DoMouseWheelUp(shift, mousePos)) return true;
  if (fCurrent.Y > fFixedRows) SetRow(fCurrent.Y - 1);
  return true;
}

// ---- timed scrolling ------------------------------------------------------------------

void TCustomGridEh::StartScrollTimer() {
  if (HandleAllocated()) SetTimer(Handle(), kScrollTimer, kScrollInterval);
}

void TCustomGridEh::StopScrollTimer() {
  if (HandleAllocated()) KillTimer(Handle(), kScrollTimer);
}

void TCustomGridEh::WMTimer(TMessage& message) {
  if (message.WParam != kScrollTimer) {
    TCustomControl::Dispatch(message);
    return;
  }
  if (!IsMouseOperation(fGridState)) return;
  TPoint pt;
  GetCursorPos(pt);
  pt = ScreenToClient(pt);
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  const TGridCoord hit = AxisCellsAt(pt.x, pt.y, info);
  switch (fGridState) {
    case grsSelecting: {
      const int x = LogicalX(pt.x, info);
      TGridScrollDirection direction;
      if (x < info.Horz.FixedBoundary)
        direction.Include(sdLeft);
      else if (x > info.Horz.FullVisBoundary)
        direction.Include(sdRight);
      if (pt.y < info.Vert.FixedBoundary)
        direction.Include(sdUp);
      else if (pt.y > info.Vert.FullVisBoundary)
        direction.Include(sdDown);
      if (!direction.Empty()) TimedScroll(direction);
      break;
    }
    case grsRowMoving:
      MoveAndScroll(pt.y, hit.Y, info, false, pt);
      break;
    default:
      MoveAndScroll(pt.x, hit.X, info, true, pt);
      break;
  }
}

void TCustomGridEh::TimedScroll(TGridScrollDirection direction) {
  TGridCoord anchor = fAnchor;
  // An anchor in a fixed data cell stays under the pointer: the steps back only pull an
  // anchor out of the scrolling cells towards their start.
  if (direction.Contains(sdLeft) && anchor.X > fFixedCols) --anchor.X;
  if (direction.Contains(sdRight) && anchor.X < fColCount - 1) ++anchor.X;
  if (direction.Contains(sdUp) && anchor.Y > fFixedRows) --anchor.Y;
  if (direction.Contains(sdDown) && anchor.Y < fRowCount - 1) ++anchor.Y;
  if (!(anchor == fAnchor)) MoveAnchor(anchor);
}

// ---- sizing ---------------------------------------------------------------------------

void TCustomGridEh::CalcSizingState(int x, int y, TGridStateEh& state, int& index, int& sizingPos,
                                    int& sizingOfs, const TGridDrawInfo& info) {
  state = grsNormal;
  index = -1;
  // Right to left the fixed columns and the borders are found where the left-to-right
  // layout has them.
  x = LogicalX(x, info);
  if (fOptions.Contains(grColSizing) && x > info.Horz.FixedDataBoundary && y < info.Vert.FixedDataBoundary &&
      FindSizingBorder(info.Horz, x, index, sizingPos)) {
    state = grsColSizing;
    sizingOfs = sizingPos - x;
  } else if (fOptions.Contains(grRowSizing) && y > info.Vert.FixedDataBoundary &&
             x < info.Horz.FixedDataBoundary && FindSizingBorder(info.Vert, y, index, sizingPos)) {
    state = grsRowSizing;
    sizingOfs = sizingPos - y;
  }
}

TGridStateEh TCustomGridEh::SizingStateAt(int x, int y) {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  TGridStateEh state = grsNormal;
  int index = 0, pos = 0, ofs = 0;
  CalcSizingState(x, y, state, index, pos, ofs, info);
  return state;
}

bool TCustomGridEh::Sizing(int x, int y) {
  return fGridState != grsNormal || SizingStateAt(x, y) != grsNormal;
}

void TCustomGridEh::WMSetCursor(TMessage& message) {
  const auto hit = static_cast<SmallInt>(LOWORD(static_cast<std::uintptr_t>(message.LParam)));
  if (hit == HTCLIENT && fGridState == grsNormal) {
    const TGridStateEh state = SizingStateAt(fHitTest.x, fHitTest.y);
    if (state != grsNormal) {
      ordvane::SetCursor(Screen->Cursors(state == grsRowSizing ? crVSplit : crHSplit));
      message.Result = 1;
      return;
    }
  }
  TCustomControl::Dispatch(message);
}

void TCustomGridEh::CancelMode() {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  switch (fGridState) {
    case grsRowSizing:
    case grsColSizing:
      HideSizingLine(info);
      break;
    case grsRowMoving:
    case grsColMoving:
      DrawMove();
      StopScrollTimer();
      break;
    case grsSelecting:
      StopScrollTimer();
      break;
    default:
      break;
  }
  fGridState = grsNormal;
}

// ---- markers --------------------------------------------------------------------------

void TCustomGridEh::DrawXorLine(TPoint from, TPoint to, int width, TColor color) {
  TCanvas& canvas = *Canvas();
  TPen saved;
  saved.Assign(canvas.Pen());
  TPen& pen = *canvas.Pen();
  pen.SetStyle(psDot);
  pen.SetMode(pmXor);
  pen.SetWidth(width);
  pen.SetColor(color);
  canvas.MoveTo(from.x, from.y);
  canvas.LineTo(to.x, to.y);
  pen.Assign(&saved);
}

int TCustomGridEh::TraceSizingBorder(int pos) {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  HideSizingLine(info);
  fSizingPos = pos;
  return SizedExtent(info.Horz, fSizingIndex, LogicalX(pos, info));
}

void TCustomGridEh::ShowSizingLine(const TGridDrawInfo& info) {
  if (fSizingLineShown) return;
  DrawSizingLine(info);
  fSizingLineShown = true;
}

void TCustomGridEh::HideSizingLine(const TGridDrawInfo& info) {
  if (!fSizingLineShown) return;
  DrawSizingLine(info);
  fSizingLineShown = false;
}

void TCustomGridEh::DrawSizingLine(const TGridDrawInfo& info) {
  if (fGridState == grsRowSizing) {
    const int length = info.Horz.FullGridBoundary;
    const int left = UseRightToLeftAlignment() ? info.Horz.ClientExtent - length : 0;
    DrawXorLine({left, fSizingPos}, {left + length, fSizingPos}, kSizingLineWidth);
  } else {
    DrawXorLine({fSizingPos, 0}, {fSizingPos, info.Vert.FullGridBoundary}, kSizingLineWidth);
  }
}

void TCustomGridEh::DrawMove() {
  const bool forward = fMovePos > fMoveIndex;
  if (fGridState == grsRowMoving) {
    const TRect row = BoxRect(0, fMovePos, FullColCount() - 1, fMovePos);
    const int y = forward ? row.bottom : row.top;
    DrawXorLine({0, y}, {ClientWidth(), y}, kMoveMarkerWidth);
  } else {
    const TRect col = BoxRect(fMovePos, 0, fMovePos, FullRowCount() - 1);
    // Right to left, the edge ahead of a column moving on is its left one on the screen.
    const int x = forward != UseRightToLeftAlignment() ? col.right : col.left;
    DrawXorLine({x, 0}, {x, ClientHeight()}, kMoveMarkerWidth);
  }
}

}  // namespace ordvane
