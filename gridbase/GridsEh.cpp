// The base grid: construction, properties, the current cell and selection, and the
// changes of counts and lines. Geometry is in GridsEhLayout.cpp, scrolling in
// GridsEhScroll.cpp, line colours and edges in GridLinesEh.cpp.

#include "gridbase/GridsEh.h"

#include <algorithm>
#include <cstdint>

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/WinPaint.h"

namespace ordvane {

namespace {

const char* const kIndexOutOfRange = "Grid index out of range";
const char* const kTooManyDeleted = "Too many rows or columns deleted";
const char* const kTooLarge = "Grid too large for operation";

[[noreturn]] void RaiseGridError(const char* message) {
  throw EInvalidGridOperationEh(message);
}

// Refuses a count that, with its contra count, reaches the extents' limit. Summed in a
// wider type: the counts come from the program and may each be near INT_MAX.
void CheckFullCounts(int colCount, int contraColCount, int rowCount, int contraRowCount) {
  const auto tooLarge = [](int count, int contraCount) {
    return static_cast<std::int64_t>(count) + contraCount >= TGridExtents::kLimit;
  };
  if (tooLarge(colCount, contraColCount) || tooLarge(rowCount, contraRowCount)) RaiseGridError(kTooLarge);
}

// Where a line index ends up when the line `from` is moved to `to`.
int MovedIndex(int index, int from, int to) {
  if (index == from) return to;
  if (from < to && index > from && index <= to) return index - 1;
  if (from > to && index >= to && index < from) return index + 1;
  return index;
}

// Where a line index ends up when `amount` lines are inserted (deleted, negative) at
// `index`: lines after the change shift; a line inside a deleted range goes to `index`.
int AdjustedIndex(int line, int index, int amount) {
  if (line < index) return line;
  if (amount < 0 && line < index - amount) return index;
  return line + amount;
}

}  // namespace

void CheckGridSettingEh(const char* name, Int64 value, int min, int max) {
  if (value < min || value > max)
    RaiseGridError((AnsiString(name) + " " + std::to_string(value) + " is outside " + std::to_string(min) + ".." +
                    std::to_string(max))
                       .c_str());
}

void RaiseGridTooLargeEh() {
  RaiseGridError(kTooLarge);
}

// ---- TGridExtents ---------------------------------------------------------------------

void TGridExtents::Set(int index, int value) {
  if (index < 0 || index >= Count()) RaiseGridError(kIndexOutOfRange);
  fValues[static_cast<size_t>(index)] = value;
}

void TGridExtents::CheckModify(int index, int amount) const {
  if (index < 0 || index > Count()) RaiseGridError(kIndexOutOfRange);
  if (amount < 0 && index - amount > Count()) RaiseGridError(kTooManyDeleted);
  if (amount > 0 && amount >= kLimit - Count()) RaiseGridError(kTooLarge);
}

void TGridExtents::Insert(int index, int amount, int defaultValue) {
  CheckModify(index, amount);
  fValues.insert(fValues.begin() + index, static_cast<size_t>(amount), defaultValue);
}

void TGridExtents::Delete(int index, int amount) {
  CheckModify(index, -amount);
  fValues.erase(fValues.begin() + index, fValues.begin() + index + amount);
}

void TGridExtents::Resize(int count, int defaultValue) {
  if (count < 0) RaiseGridError(kTooManyDeleted);
  if (count >= kLimit) RaiseGridError(kTooLarge);
  fValues.resize(static_cast<size_t>(count), defaultValue);
}

void TGridExtents::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count()) RaiseGridError(kIndexOutOfRange);
  const auto first = fValues.begin();
  if (from < to)
    std::rotate(first + from, first + from + 1, first + to + 1);
  else
    std::rotate(first + to, first + from, first + from + 1);
}

// ---- construction ---------------------------------------------------------------------

TCustomGridEh::TCustomGridEh(TComponent* owner) : TCustomControl(owner) {
  fControlStyle = TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks};
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
  SetBounds(Left(), Top(), fColCount * fDefaultColWidth, fRowCount * fDefaultRowHeight);
  Initialize();
}

// The editor goes first: its window's last messages still reach a whole grid.
TCustomGridEh::~TCustomGridEh() {
  delete fInplaceEdit;
}

TGridLineColorsEh* TCustomGridEh::GridLineColors() {
  if (!fGridLineColors) fGridLineColors.reset(CreateGridLineColors());
  return fGridLineColors.get();
}

TGridLineColorsEh* TCustomGridEh::CreateGridLineColors() {
  return new TGridLineColorsEh(this);
}

void TCustomGridEh::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_TABSTOP;
  if (fScrollBars == ssVertical || fScrollBars == ssBoth) params.Style |= WS_VSCROLL;
  if (fScrollBars == ssHorizontal || fScrollBars == ssBoth) params.Style |= WS_HSCROLL;
  params.WindowClassStyle = CS_DBLCLKS;
  if (fBorderStyle == bsSingle) {
    if (Ctl3D()) {
      params.Style &= ~WS_BORDER;
      params.ExStyle |= WS_EX_CLIENTEDGE;
    } else {
      params.Style |= WS_BORDER;
    }
  }
}

void TCustomGridEh::Initialize() {
  fCurrent = {fFixedCols, fFixedRows};
  fAnchor = fCurrent;
  fTopLeft = fCurrent;
  fInplaceCol = -1;
  fInplaceRow = -1;
}

// ---- messages -------------------------------------------------------------------------

void TCustomGridEh::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      ScrollMessage(message.Msg == WM_HSCROLL, LOWORD(message.WParam), HIWORD(message.WParam));
      message.Result = 0;
      return;
    case WM_SIZE:
      WMSize(message);
      return;
    case WM_GETDLGCODE:
      WMGetDlgCode(message);
      return;
    case WM_NCHITTEST: {
      TCustomControl::Dispatch(message);
      fHitTest = ScreenToClient(PointFromLParam(message.LParam));
      return;
    }
    case WM_SETFOCUS:
      WMSetFocus(message);
      return;
    case WM_KILLFOCUS:
      WMKillFocus(message);
      return;
    case WM_COMMAND:
      if (fInplaceEdit && fInplaceEdit->HandleAllocated() &&
          static_cast<HWND>(message.LParam) == fInplaceEdit->WindowHandle() &&
          HIWORD(message.WParam) == EN_CHANGE)
        UpdateText();
      return;
    case WM_CHAR: {
      const auto ch = static_cast<Byte>(message.WParam);
      if (fOptions.Contains(grEditing) && (ch == VK_BACK || (ch >= 32 && ch != 127))) {
        ShowEditorChar(static_cast<char>(ch));
        return;
      }
      break;
    }
    case WM_LBUTTONDOWN: {
      TDestroyWatch watch(this);
      TCustomControl::Dispatch(message);
      if (!watch.Gone() && fInplaceEdit) fInplaceEdit->SetClickTime(GetMessageTime());
      return;
    }
    case CM_FONTCHANGED:
      if (fInplaceEdit) fInplaceEdit->SetFont(*Font());
      break;
    case CM_SHOWINGCHANGED:
      TCustomControl::Dispatch(message);
      if (Showing()) UpdateScrollRange();
      return;
    case CM_CTL3DCHANGED:
      TCustomControl::Dispatch(message);
      if (HandleAllocated()) RecreateWnd();
      return;
    case WM_SETCURSOR:
      WMSetCursor(message);
      return;
    case WM_TIMER:
      WMTimer(message);
      return;
    case WM_CANCELMODE:
    case CM_CANCELMODE: {
      TDestroyWatch watch(this);
      TCustomControl::Dispatch(message);
      if (!watch.Gone()) CancelMode();
      return;
    }
    case CM_DESIGNHITTEST: {
      const TPoint p = PointFromLParam(message.LParam);
      message.Result = Sizing(p.x, p.y) ? 1 : 0;
      return;
    }
    case CM_WANTSPECIALKEY:
      TCustomControl::Dispatch(message);
      if (fOptions.Contains(grEditing) && message.WParam == VK_RETURN) message.Result = 1;
      return;
    default:
      break;
  }
  TCustomControl::Dispatch(message);
}

void TCustomGridEh::WMSize(TMessage& message) {
  TCustomControl::Dispatch(message);
  UpdateScrollRange();
  if (fContraColCount > 0 || fContraRowCount > 0 || UseRightToLeftAlignment()) Invalidate();
}

void TCustomGridEh::WMGetDlgCode(TMessage& message) {
  message.Result = DLGC_WANTARROWS;
  if (fOptions.Contains(grRowSelect)) return;
  if (fOptions.Contains(grTabs)) message.Result |= DLGC_WANTTAB;
  if (fOptions.Contains(grEditing)) message.Result |= DLGC_WANTCHARS;
}

void TCustomGridEh::DoExit() {
  TCustomControl::DoExit();
  if (!fOptions.Contains(grAlwaysShowEditor)) HideEditor();
}

bool TCustomGridEh::IsActiveControl() const {
  if (const TCustomForm* form = GetParentForm(this)) return form->ActiveControl() == this;
  return Focused();
}

// ---- properties -----------------------------------------------------------------------

void TCustomGridEh::SetCount(bool columns, int value) {
  value = std::max(value, 1);
  const int count = columns ? fColCount : fRowCount;
  if (value == count) return;
  if (value <= (columns ? fFixedCols : fFixedRows)) SetFixedCount(columns, value - 1);
  if ((columns ? fContraColCount : fContraRowCount) > 0)
    AdjustLines(std::min(count, value), value - count, !columns);
  else if (columns)
    ChangeSize(value, fRowCount);
  else
    ChangeSize(fColCount, value);
  if (fOptions.Contains(grRowSelect)) {
    fAnchor.X = fColCount - 1;
    Invalidate();
  }
}

void TCustomGridEh::SetColCount(int value) {
  SetCount(true, value);
}

void TCustomGridEh::SetRowCount(int value) {
  SetCount(false, value);
}

void TCustomGridEh::SetFixedCount(bool columns, int value) {
  if (value < 0) RaiseGridError(kIndexOutOfRange);
  if (columns && value >= fColCount) RaiseGridError("Fixed column count must be less than column count");
  if (!columns && value >= fRowCount) RaiseGridError("Fixed row count must be less than row count");
  int& count = columns ? fFixedCols : fFixedRows;
  // The same count again (every layout of a data grid sets it) keeps the current cell.
  if (count == value) return;
  count = value;
  Initialize();
  Invalidate();
  UpdateScrollRange();
}

void TCustomGridEh::SetFixedCols(int value) {
  SetFixedCount(true, value);
}

void TCustomGridEh::SetFixedRows(int value) {
  SetFixedCount(false, value);
}

void TCustomGridEh::SetContraColCount(int value) {
  if (value < 0) RaiseGridError("FContraColCount can not be negative.");
  ChangeContraSize(value, fContraRowCount);
}

void TCustomGridEh::SetContraRowCount(int value) {
  if (value < 0) RaiseGridError("FContraRowCount can not be negative.");
  ChangeContraSize(fContraColCount, value);
}

void TCustomGridEh::ChangeContraSize(int newContraColCount, int newContraRowCount) {
  CheckFullCounts(fColCount, newContraColCount, fRowCount, newContraRowCount);
  const int fullCols = fColCount + newContraColCount;
  const int fullRows = fRowCount + newContraRowCount;
  fContraColCount = newContraColCount;
  fContraRowCount = newContraRowCount;
  if (!fColWidths.Empty()) fColWidths.Resize(fullCols, fDefaultColWidth);
  if (!fTabStops.Empty()) fTabStops.Resize(fullCols, 1);
  if (!fRowHeights.Empty()) fRowHeights.Resize(fullRows, fDefaultRowHeight);
  Invalidate();
  UpdateScrollRange();
}

void TCustomGridEh::SetFixedDataCols(int value) {
  ChangeAndInvalidate(this, fFixedDataCols, value);
}

void TCustomGridEh::SetFixedDataRows(int value) {
  ChangeAndInvalidate(this, fFixedDataRows, value);
}

void TCustomGridEh::SetExtent(TGridExtents& extents, int fullCount, int defaultValue, int index, int value) {
  if (index < 0 || index >= fullCount) RaiseGridError(kIndexOutOfRange);
  if (extents.Empty()) extents.Resize(fullCount, defaultValue);
  extents.Set(index, value);
}

// Minus the line width is the extent of a line that takes no room at all.
int TCustomGridEh::MinExtent() const {
  return -std::max(fGridLineWidth, 1);
}

void TCustomGridEh::SetColWidths(int index, int value) {
  CheckGridSettingEh("ColWidths", value, MinExtent(), kMaxGridExtentEh);
  if (index >= 0 && index < FullColCount() && ColWidths(index) == value) return;
  SetExtent(fColWidths, FullColCount(), fDefaultColWidth, index, value);
  Invalidate();
  ColWidthsChanged();
}

void TCustomGridEh::SetRowHeights(int index, int value) {
  CheckGridSettingEh("RowHeights", value, MinExtent(), kMaxGridExtentEh);
  if (index >= 0 && index < FullRowCount() && RowHeights(index) == value) return;
  SetExtent(fRowHeights, FullRowCount(), fDefaultRowHeight, index, value);
  Invalidate();
  RowHeightsChanged();
}

void TCustomGridEh::SetTabStops(int index, bool value) {
  SetExtent(fTabStops, FullColCount(), 1, index, value ? 1 : 0);
}

void TCustomGridEh::SetDefaultColWidth(int value) {
  CheckGridSettingEh("DefaultColWidth", value, MinExtent(), kMaxGridExtentEh);
  if (value == fDefaultColWidth) return;
  fDefaultColWidth = value;
  ColWidthsChanged();
  Invalidate();
}

void TCustomGridEh::SetDefaultRowHeight(int value) {
  CheckGridSettingEh("DefaultRowHeight", value, MinExtent(), kMaxGridExtentEh);
  if (value == fDefaultRowHeight) return;
  fRowHeights.Clear();
  fDefaultRowHeight = value;
  RowHeightsChanged();
  Invalidate();
}

void TCustomGridEh::SetGridLineWidth(int value) {
  if (!ChangeAndInvalidate(this, fGridLineWidth, std::max(value, 0))) return;
  UpdateScrollRange();
}

void TCustomGridEh::ColWidthsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

void TCustomGridEh::RowHeightsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

void TCustomGridEh::SetOptions(TGridOptionsEh value) {
  if (value == fOptions) return;
  if (value.Contains(grRowSelect)) value.Exclude(grAlwaysShowEditor);
  fOptions = value;
  if (!fEditorMode) {
    if (fOptions.Contains(grAlwaysShowEditor))
      ShowEditor();
    else
      HideEditor();
  }
  if (fOptions.Contains(grRowSelect)) MoveCurrent(fCurrent.X, fCurrent.Y, true, false);
  Invalidate();
}

void TCustomGridEh::SetBorderStyle(TBorderStyle value) {
  if (value == fBorderStyle) return;
  fBorderStyle = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomGridEh::SetScrollBars(TScrollStyle value) {
  if (value == fScrollBars) return;
  fScrollBars = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomGridEh::SetFlat(bool value) {
  if (value == fFlat) return;
  fFlat = value;
  FlatChanged();
  LayoutChanged();
  Invalidate();
}

// ---- current cell and selection -------------------------------------------------------

TGridRect TCustomGridEh::Selection() const {
  return {std::min(fCurrent.X, fAnchor.X), std::min(fCurrent.Y, fAnchor.Y), std::max(fCurrent.X, fAnchor.X),
          std::max(fCurrent.Y, fAnchor.Y)};
}

bool TCustomGridEh::SelectCell(int, int) {
  return true;
}

void TCustomGridEh::MoveColRow(int col, int row, bool moveAnchor, bool show) {
  MoveCurrent(col, row, moveAnchor, show);
  UpdateEdit();
  Click();
}

void TCustomGridEh::MoveCurrent(int col, int row, bool moveAnchor, bool show) {
  if (col < 0 || row < 0 || col >= fColCount || row >= fRowCount) RaiseGridError(kIndexOutOfRange);
  if (!SelectCell(col, row)) return;
  const TGridRect oldSelection = Selection();
  const TGridCoord oldCurrent = fCurrent;
  fCurrent = {col, row};
  if (!fOptions.Contains(grAlwaysShowEditor)) HideEditor();
  if (moveAnchor || !fOptions.Contains(grRangeSelect)) {
    fAnchor = fCurrent;
    if (fOptions.Contains(grRowSelect)) fAnchor.X = fColCount - 1;
  }
  if (fOptions.Contains(grRowSelect)) fCurrent.X = fFixedCols;
  if (show) ClampInView(fCurrent);
  SelectionMoved(oldSelection);
  InvalidateCell(oldCurrent.X, oldCurrent.Y);
  InvalidateCell(fCurrent.X, fCurrent.Y);
}

void TCustomGridEh::MoveAnchor(TGridCoord cell) {
  if (!fOptions.Contains(grRangeSelect) || fOptions.Contains(grEditing)) {
    MoveCurrent(cell.X, cell.Y, true, true);
    return;
  }
  const TGridRect oldSelection = Selection();
  fAnchor = cell;
  if (fOptions.Contains(grRowSelect)) fAnchor.X = fColCount - 1;
  ClampInView(cell);
  SelectionMoved(oldSelection);
}

void TCustomGridEh::SelectionMoved(const TGridRect& oldSelection) {
  if (!HandleAllocated()) return;
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  const TRegion changed = TRegion::Combine(TRegion(GridRectToScreenRect(oldSelection, info, true)),
                                           TRegion(GridRectToScreenRect(Selection(), info, true)), RGN_XOR);
  InvalidateRgn(Handle(), &changed, false);
}

void TCustomGridEh::InvalidateGridRect(const TGridRect& rect) {
  if (!HandleAllocated()) return;
  const TRect screen = GridRectToScreenRect(rect, true);
  if (!IsRectEmpty(screen)) InvalidateRect(Handle(), &screen, false);
}

void TCustomGridEh::ClampIntoGrid() {
  fCurrent = {std::min(fCurrent.X, fColCount - 1), std::min(fCurrent.Y, fRowCount - 1)};
  fAnchor = {std::min(fAnchor.X, fColCount - 1), std::min(fAnchor.Y, fRowCount - 1)};
  fTopLeft = {std::clamp(fTopLeft.X, fFixedCols, fColCount - 1),
              std::clamp(fTopLeft.Y, fFixedRows, fRowCount - 1)};
}

// ---- changing sizes -------------------------------------------------------------------

void TCustomGridEh::ChangeSize(int newColCount, int newRowCount) {
  newColCount = std::max(newColCount, 1);
  newRowCount = std::max(newRowCount, 1);
  CheckFullCounts(newColCount, fContraColCount, newRowCount, fContraRowCount);
  const int oldColCount = fColCount;
  const int oldRowCount = fRowCount;
  const TGridCoord oldTopLeft = fTopLeft;
  TGridDrawInfo oldInfo;
  if (HandleAllocated()) ComputeDrawInfo(oldInfo);
  try {
    fColCount = newColCount;
    fRowCount = newRowCount;
    if (fFixedCols >= fColCount) fFixedCols = fColCount - 1;
    if (fFixedRows >= fRowCount) fFixedRows = fRowCount - 1;
    if (!fColWidths.Empty()) fColWidths.Resize(FullColCount(), fDefaultColWidth);
    if (!fTabStops.Empty()) fTabStops.Resize(FullColCount(), 1);
    if (!fRowHeights.Empty()) fRowHeights.Resize(FullRowCount(), fDefaultRowHeight);
    ClampIntoGrid();
    if (!fVirtualView && HandleAllocated() && fTopLeft == oldTopLeft) {
      TGridDrawInfo info;
      ComputeDrawInfo(info);
      // Per axis whose count changed: from the first line that may differ to the edge.
      const auto invalidateFrom = [&](bool horz) {
        const TGridAxisDrawInfoEh& oldAxis = horz ? oldInfo.Horz : oldInfo.Vert;
        const TGridAxisDrawInfoEh& axis = horz ? info.Horz : info.Vert;
        if (oldAxis.GridCellCount == axis.GridCellCount) return;
        const int cell = std::min(oldAxis.LastFullVisibleCell, axis.LastFullVisibleCell);
        const TGridRect range = horz ? TGridRect{cell, 0, cell, 0} : TGridRect{0, cell, 0, cell};
        const TRect start = GridRectToScreenRect(range, info, false);
        TRect band = ClientRect();
        if (IsRectEmpty(start)) {
          InvalidateRect(Handle(), &band, false);
          return;
        }
        if (UseRightToLeftAlignment() && horz)
          band.right = start.right;
        else
          (horz ? band.left : band.top) = horz ? start.left : start.top;
        InvalidateRect(Handle(), &band, false);
      };
      invalidateFrom(true);
      invalidateFrom(false);
    } else {
      Invalidate();
    }
    UpdateScrollRange();
    SizeChanged(oldColCount, oldRowCount);
  } catch (...) {
    if (fColCount != oldColCount || fRowCount != oldRowCount) {
      fColCount = oldColCount;
      fRowCount = oldRowCount;
      ChangeSize(oldColCount, oldRowCount);
    }
    Invalidate();
    throw;
  }
}

void TCustomGridEh::InsertOrDeleteExtents(bool rows, int index, int amount) {
  const auto modify = [&](TGridExtents& extents, int defaultValue) {
    if (extents.Empty()) return;
    if (amount > 0)
      extents.Insert(index, amount, defaultValue);
    else
      extents.Delete(index, -amount);
  };
  if (rows) {
    modify(fRowHeights, fDefaultRowHeight);
  } else {
    modify(fTabStops, 1);
    modify(fColWidths, fDefaultColWidth);
  }
}

void TCustomGridEh::AdjustLines(int index, int amount, bool rows) {
  if (amount == 0) return;
  const int fullCount = rows ? FullRowCount() : FullColCount();
  const int count = rows ? fRowCount : fColCount;
  if (index < 0 || index > count) RaiseGridError(kIndexOutOfRange);
  if (amount < 0 && (index - amount > count || count + amount < 1)) RaiseGridError(kTooManyDeleted);
  if (amount > 0 && amount >= TGridExtents::kLimit - fullCount) RaiseGridError(kTooLarge);

  const int oldColCount = fColCount;
  const int oldRowCount = fRowCount;
  // The pixels the lines after the change move by: the room of the removed lines, or of
  // as many default lines as are inserted.
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  const TGridAxisDrawInfoEh& axis = rows ? info.Vert : info.Horz;
  int shift = 0;
  if (amount > 0) {
    shift = amount * std::max(0, axis.DefaultExtent + axis.EffectiveLineWidth);
  } else {
    for (int line = index; line < index - amount; ++line) shift -= axis.Span(line);
  }

  InsertOrDeleteExtents(rows, index, amount);
  const int newCount = count + amount;
  (rows ? fRowCount : fColCount) = newCount;
  int& fixedCount = rows ? fFixedRows : fFixedCols;
  fixedCount = std::min(fixedCount, newCount - 1);

  const TGridCoord oldCurrent = fCurrent;
  TGridCoord current = fCurrent;
  int& currentLine = rows ? current.Y : current.X;
  currentLine = std::min(AdjustedIndex(currentLine, index, amount), newCount - 1);
  int& anchorLine = rows ? fAnchor.Y : fAnchor.X;
  anchorLine = AdjustedIndex(anchorLine, index, amount);
  ClampIntoGrid();

  if (HandleAllocated()) {
    ComputeDrawInfo(info);
    const int firstShown = rows ? fTopLeft.Y : fTopLeft.X;
    // A change wholly before the first shown line moves nothing on the screen.
    if (index + std::abs(amount) > firstShown) {
      const int first = std::max(index, firstShown);
      const TGridRect area = rows ? TGridRect{fFixedCols, first, fColCount - 1, first}
                                  : TGridRect{first, fFixedRows, first, fRowCount - 1};
      TRect band = GridRectToScreenRect(area, info, true);
      if (!IsRectEmpty(band)) {
        // The fixed cells of the lines after the change move with them.
        if (rows) {
          band.left = 0;
          band.right = info.Horz.ClientExtent;
          band.bottom = info.Vert.GridExtent;
          ScrollWindowEx(Handle(), 0, shift, &band, &band, nullptr, nullptr, SW_INVALIDATE);
        } else {
          // The band is mirrored already; right to left its far end is at the left.
          if (UseRightToLeftAlignment()) {
            band.left = info.Horz.ClientExtent - info.Horz.GridExtent;
            shift = -shift;
          } else {
            band.right = info.Horz.GridExtent;
          }
          band.top = 0;
          band.bottom = info.Vert.ClientExtent;
          ScrollWindowEx(Handle(), shift, 0, &band, &band, nullptr, nullptr, SW_INVALIDATE);
        }
      }
      Update();
    }
    if (fContraColCount > 0 || fContraRowCount > 0) Invalidate();
  }
  SizeChanged(oldColCount, oldRowCount);
  if (!(current == oldCurrent)) MoveCurrent(current.X, current.Y, true, true);
  UpdateScrollRange();
}

void TCustomGridEh::DeleteColumn(int col) {
  MoveColumn(col, fColCount - 1);
  SetColCount(fColCount - 1);
}

void TCustomGridEh::DeleteRow(int row) {
  MoveRow(row, fRowCount - 1);
  SetRowCount(fRowCount - 1);
}

void TCustomGridEh::MoveLine(bool columns, int from, int to) {
  const int fullCount = columns ? FullColCount() : FullRowCount();
  if (from < 0 || from >= fullCount || to < 0 || to >= fullCount) RaiseGridError(kIndexOutOfRange);
  if (from == to) return;
  const bool stored = columns ? !fColWidths.Empty() : !fRowHeights.Empty();
  if (columns) {
    if (!fColWidths.Empty()) fColWidths.Move(from, to);
    if (!fTabStops.Empty()) fTabStops.Move(from, to);
    fCurrent.X = MovedIndex(fCurrent.X, from, to);
    fAnchor.X = MovedIndex(fAnchor.X, from, to);
    fInplaceCol = MovedIndex(fInplaceCol, from, to);
  } else {
    if (!fRowHeights.Empty()) fRowHeights.Move(from, to);
    fCurrent.Y = MovedIndex(fCurrent.Y, from, to);
    fAnchor.Y = MovedIndex(fAnchor.Y, from, to);
    fInplaceRow = MovedIndex(fInplaceRow, from, to);
  }
  if (HandleAllocated()) {
    const int low = std::min(from, to);
    const int high = std::max(from, to);
    TRect rect = columns ? GridRectToScreenRect({low, 0, high, VisibleRowCount()}, true)
                         : GridRectToScreenRect({0, low, VisibleColCount(), high}, true);
    (columns ? rect.bottom : rect.right) = columns ? ClientHeight() : ClientWidth();
    InvalidateRect(Handle(), &rect, false);
  }
  if (columns) {
    ColumnMoved(from, to);
    if (stored) ColWidthsChanged();
  } else {
    RowMoved(from, to);
    if (stored) RowHeightsChanged();
  }
  UpdateEdit();
}

void TCustomGridEh::MoveColumn(int from, int to) {
  MoveLine(true, from, to);
}

void TCustomGridEh::MoveRow(int from, int to) {
  MoveLine(false, from, to);
}

}  // namespace ordvane
