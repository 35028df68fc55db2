// The base grid's scrolling: top-left moves with the window contents moved instead of
// repainted, the scroll bars' ranges and positions, and the scroll messages.

#include <algorithm>
#include <cstdlib>

#include "classlib/core/Math.h"
#include "classlib/ui/ScrollBars.h"
#include "classlib/ui/WinPaint.h"
#include "gridbase/GridsEh.h"

namespace ordvane {

namespace {

// The scroll bars are 0 .. kScrollMax; a line position maps onto that by proportion.
constexpr int kScrollMax = 127;

// The pixels the contents move when the first scrolling cell goes from `from` to `to`:
// negative when the grid moves forward. Summing stops once the distance passes `limit`,
// as anything beyond repaints all anyway.
int PixelDistance(const TGridAxisDrawInfoEh& axis, int from, int to, int limit) {
  const int low = std::min(from, to);
  const int high = std::max(from, to);
  int distance = 0;
  for (int cell = low; cell < high && distance <= limit; ++cell) distance += axis.Span(cell);
  return from < to ? -distance : distance;
}

bool HasStyle(HWND wnd, UINT style) {
  return (static_cast<UINT>(GetWindowLong(wnd, GWL_STYLE)) & style) != 0;
}

}  // namespace

// ---- top-left -------------------------------------------------------------------------

void TCustomGridEh::MoveTopLeft(int col, int row) {
  if (col == fTopLeft.X && row == fTopLeft.Y) return;
  Update();
  const TGridCoord oldTopLeft = fTopLeft;
  fTopLeft = {col, row};
  TopLeftMoved(oldTopLeft);
}

void TCustomGridEh::TopLeftMoved(TGridCoord oldTopLeft) {
  UpdateScrollPos();
  if (HandleAllocated()) {
    TGridDrawInfo info;
    ComputeDrawInfo(info);
    const int visibleWidth = info.Horz.GridBoundary - info.Horz.FixedBoundary;
    const int visibleHeight = info.Vert.GridBoundary - info.Vert.FixedBoundary;
    const int dx = PixelDistance(info.Horz, oldTopLeft.X, fTopLeft.X, visibleWidth);
    const int dy = PixelDistance(info.Vert, oldTopLeft.Y, fTopLeft.Y, visibleHeight);
    if (std::abs(dx) > visibleWidth || std::abs(dy) > visibleHeight)
      InvalidateGrid();
    else
      ScrollDataArea(dx, dy, info);
  }
  TopLeftChanged();
}

void TCustomGridEh::ScrollBand(TRect band, int dx, int dy, const TGridDrawInfo& info) {
  if (UseRightToLeftAlignment()) {
    band = {info.Horz.ClientExtent - band.right, band.top, info.Horz.ClientExtent - band.left, band.bottom};
    dx = -dx;
  }
  if (IsRectEmpty(band)) return;
  const UINT flags = SW_INVALIDATE | (fDefaultDrawing ? 0 : SW_ERASE);
  ScrollWindowEx(Handle(), dx, dy, &band, &band, nullptr, nullptr, flags);
}

void TCustomGridEh::ScrollDataArea(int dx, int dy, const TGridDrawInfo& info) {
  const TGridAxisDrawInfoEh& h = info.Horz;
  const TGridAxisDrawInfoEh& v = info.Vert;
  if (dy == 0) {
    ScrollBand({h.FixedBoundary, 0, h.GridExtent, v.ClientExtent}, dx, 0, info);
  } else if (dx == 0) {
    ScrollBand({0, v.FixedBoundary, h.ClientExtent, v.GridExtent}, 0, dy, info);
  } else {
    ScrollBand({h.FixedBoundary, 0, h.GridExtent, v.FixedBoundary}, dx, 0, info);
    ScrollBand({0, v.FixedBoundary, h.FixedBoundary, v.GridExtent}, 0, dy, info);
    ScrollBand({h.FixedBoundary, v.FixedBoundary, h.GridExtent, v.GridExtent}, dx, dy, info);
    ScrollBand({h.FixedBoundary, v.GridExtent, h.GridExtent, v.ClientExtent}, dx, 0, info);
    ScrollBand({h.GridExtent, v.FixedBoundary, h.ClientExtent, v.GridExtent}, 0, dy, info);
  }
  if (fOptions.Contains(grRowSelect)) InvalidateGridRect(Selection());
}

void TCustomGridEh::ClampInView(TGridCoord cell) {
  if (!HandleAllocated()) return;
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  const bool colShown = cell.X < fFixedCols || (cell.X >= fTopLeft.X && cell.X <= info.Horz.LastFullVisibleCell);
  const bool rowShown = cell.Y < fFixedRows || (cell.Y >= fTopLeft.Y && cell.Y <= info.Vert.LastFullVisibleCell);
  if (colShown && rowShown) return;
  const TGridCoord maxTopLeft = CalcMaxTopLeft(cell, info);
  const TGridCoord oldTopLeft = fTopLeft;
  Update();
  if (cell.X >= fFixedCols && cell.X < fTopLeft.X)
    fTopLeft.X = cell.X;
  else if (cell.X > info.Horz.LastFullVisibleCell)
    fTopLeft.X = maxTopLeft.X;
  if (cell.Y >= fFixedRows && cell.Y < fTopLeft.Y)
    fTopLeft.Y = cell.Y;
  else if (cell.Y > info.Vert.LastFullVisibleCell)
    fTopLeft.Y = maxTopLeft.Y;
  if (!(fTopLeft == oldTopLeft)) TopLeftMoved(oldTopLeft);
}

// ---- scroll bars ----------------------------------------------------------------------

void TCustomGridEh::SetScrollRanges(const TGridDrawInfo& info) {
  const HWND wnd = Handle();
  const TGridCoord maxTopLeft = GreatestTopLeft(info);
  if (fScrollBars == ssHorizontal || fScrollBars == ssBoth) {
    if (fColCount == 1) {
      const int room = info.Horz.ClientExtent - info.Horz.FixedBoundary;
      SetScrollRange(wnd, SB_HORZ, 0, std::max(0, ColWidths(0) - room), true);
    } else {
      SetScrollRange(wnd, SB_HORZ, 0, maxTopLeft.X > fFixedCols ? kScrollMax : 0, true);
    }
  }
  if (fScrollBars == ssVertical || fScrollBars == ssBoth)
    SetScrollRange(wnd, SB_VERT, 0, maxTopLeft.Y > fFixedRows ? kScrollMax : 0, true);
}

void TCustomGridEh::UpdateScrollRange() {
  if (fScrollBars == ssNone || !HandleAllocated() || fUpdatingScrollRange) return;
  // Showing or hiding a bar resizes the client area, which comes back here.
  TFlagScope guard(fUpdatingScrollRange);
  const HWND wnd = Handle();
  const int width = ClientWidth() + (HasStyle(wnd, WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  const int height = ClientHeight() + (HasStyle(wnd, WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0);
  TGridDrawInfo info;
  ComputeDrawInfo(info, width, height);
  const int widthBefore = ClientWidth();
  SetScrollRanges(info);
  ComputeDrawInfo(info);
  if (ClientWidth() != widthBefore) SetScrollRanges(info);
  if (fColCount == 1) {
    const int maxOffset = std::max(0, ColWidths(0) - (info.Horz.ClientExtent - info.Horz.FixedBoundary));
    fColOffset = std::min(fColOffset, maxOffset);
  }
  const TGridCoord maxTopLeft = GreatestTopLeft(info);
  const TGridCoord oldTopLeft = fTopLeft;
  fTopLeft = {std::min(fTopLeft.X, maxTopLeft.X), std::min(fTopLeft.Y, maxTopLeft.Y)};
  if (fTopLeft == oldTopLeft)
    UpdateScrollPos();
  else
    TopLeftMoved(oldTopLeft);
}

void TCustomGridEh::UpdateScrollPos() {
  if (fScrollBars == ssNone || !HandleAllocated()) return;
  const HWND wnd = Handle();
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  const TGridCoord maxTopLeft = GreatestTopLeft(info);
  const auto position = [](int first, int fixed, int greatest) {
    return greatest > fixed ? MulDiv(first - fixed, kScrollMax, greatest - fixed) : 0;
  };
  if (fScrollBars == ssHorizontal || fScrollBars == ssBoth) {
    int pos = 0;
    if (fColCount == 1) {
      pos = fColOffset;
      if (UseRightToLeftAlignment()) {
        int low = 0;
        int high = 0;
        GetScrollRange(wnd, SB_HORZ, low, high);
        pos = high - pos;
      }
    } else {
      pos = position(fTopLeft.X, fFixedCols, maxTopLeft.X);
      if (UseRightToLeftAlignment()) pos = kScrollMax - pos;
    }
    SetScrollPos(wnd, SB_HORZ, pos, true);
  }
  if (fScrollBars == ssVertical || fScrollBars == ssBoth)
    SetScrollPos(wnd, SB_VERT, position(fTopLeft.Y, fFixedRows, maxTopLeft.Y), true);
}

// ---- scroll messages ------------------------------------------------------------------

void TCustomGridEh::ScrollMessage(bool horz, int code, int thumbPos) {
  if (Visible() && CanFocus() && TabStop() && !Focused()) SetFocus();
  if (horz && fColCount == 1) {
    ScrollColOffset(code, thumbPos);
    return;
  }
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  const TGridAxisDrawInfoEh& axis = horz ? info.Horz : info.Vert;
  const TGridCoord maxTopLeft = GreatestTopLeft(info);
  const int fixed = axis.FixedCellCount;
  const int greatest = horz ? maxTopLeft.X : maxTopLeft.Y;
  const int old = axis.FirstGridCell;
  const bool mirrored = horz && UseRightToLeftAlignment();
  if (mirrored && (code == SB_LINEUP || code == SB_LINEDOWN)) code = static_cast<int>(code == SB_LINEUP ? SB_LINEDOWN : SB_LINEUP);
  if (mirrored && (code == SB_THUMBPOSITION || code == SB_THUMBTRACK)) thumbPos = kScrollMax - thumbPos;

  int first = old;
  switch (code) {
    case SB_LINEUP:
      first = old - 1;
      break;
    case SB_LINEDOWN:
      first = old + 1;
      break;
    case SB_PAGEUP: {
      // Back by as many cells as fit in the scrolling area before the first one.
      const int room = axis.GridExtent - axis.FixedBoundary;
      int used = 0;
      int cells = 0;
      for (int cell = old - 1; cell >= fixed; --cell) {
        used += axis.Span(cell);
        if (used > room) break;
        ++cells;
      }
      first = old - std::max(1, cells);
      break;
    }
    case SB_PAGEDOWN:
      first = old + std::max(1, axis.LastFullVisibleCell - axis.FirstGridCell);
      break;
    case SB_THUMBTRACK:
      if (!fOptions.Contains(grThumbTracking)) return;
      [[fallthrough]];
    case SB_THUMBPOSITION:
      first = fixed + MulDiv(thumbPos, greatest - fixed, kScrollMax);
      break;
    case SB_TOP:
      first = fixed;
      break;
    case SB_BOTTOM:
      first = greatest;
      break;
    default:
      return;
  }
  // The first shown line is never a hidden one while the move can go on past it.
  const int step = first < old ? -1 : 1;
  while (first > fixed && first < greatest && axis.GetExtent(first) <= 0) first += step;
  first = std::clamp(first, fixed, std::max(fixed, greatest));
  if (horz)
    MoveTopLeft(first, fTopLeft.Y);
  else
    MoveTopLeft(fTopLeft.X, first);
}

void TCustomGridEh::ScrollColOffset(int code, int thumbPos) {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  const int room = info.Horz.ClientExtent - info.Horz.FixedBoundary;
  const int maxOffset = std::max(0, ColWidths(0) - room);
  const bool mirrored = UseRightToLeftAlignment();
  if (mirrored && (code == SB_LINEUP || code == SB_LINEDOWN)) code = static_cast<int>(code == SB_LINEUP ? SB_LINEDOWN : SB_LINEUP);
  if (mirrored && (code == SB_THUMBPOSITION || code == SB_THUMBTRACK)) thumbPos = maxOffset - thumbPos;
  const auto lineStep = [this] {
    Canvas()->SetFont(*Font());
    return Canvas()->TextWidth("0");
  };
  int offset = fColOffset;
  switch (code) {
    case SB_LINEUP:
      offset -= lineStep();
      break;
    case SB_LINEDOWN:
      offset += lineStep();
      break;
    case SB_PAGEUP:
      offset -= room;
      break;
    case SB_PAGEDOWN:
      offset += room;
      break;
    case SB_THUMBTRACK:
      if (!fOptions.Contains(grThumbTracking)) return;
      [[fallthrough]];
    case SB_THUMBPOSITION:
      offset = thumbPos;
      break;
    case SB_TOP:
      offset = 0;
      break;
    case SB_BOTTOM:
      offset = maxOffset;
      break;
    default:
      return;
  }
  offset = std::clamp(offset, 0, maxOffset);
  if (offset == fColOffset) return;
  const int dx = fColOffset - offset;
  fColOffset = offset;
  ScrollBand({info.Horz.FixedBoundary, 0, info.Horz.GridExtent, info.Vert.ClientExtent}, dx, 0, info);
  InvalidateGridRect({0, 0, 0, fFixedRows});
  Update();
  UpdateScrollPos();
}

}  // namespace ordvane
