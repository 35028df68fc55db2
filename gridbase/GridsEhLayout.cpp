// The base grid's geometry: the draw information, point to cell, cell to pixel and the
// greatest top-left. Every walk over the lines stops at the visible area, so the cost
// does not grow with the number of lines.

#include <algorithm>

#include "gridbase/GridsEh.h"

namespace ordvane {

namespace {

// The cell whose room (line included) holds pixel `p`, walking `first` .. `last` from
// pixel `start`; -1 when none does.
int WalkToCell(const TGridAxisDrawInfoEh& axis, int first, int last, int start, int p) {
  int pixel = start;
  for (int cell = first; cell <= last; ++cell) {
    pixel += axis.Span(cell);
    if (pixel > p) return cell;
  }
  return -1;
}

int CellAt(const TGridAxisDrawInfoEh& axis, int p) {
  if (p < 0) return -1;
  if (p < axis.FixedBoundary) return WalkToCell(axis, 0, axis.FixedCellCount - 1, 0, p);
  if (axis.ContraCellCount > 0 && p > axis.ContraBoundary)
    return WalkToCell(axis, axis.GridCellCount, axis.FullCellCount - 1,
                      axis.ContraBoundary + axis.EffectiveLineWidth, p);
  return WalkToCell(axis, axis.FirstGridCell, axis.GridCellCount - 1, axis.FixedBoundary, p);
}

bool IsScrollingCell(const TGridAxisDrawInfoEh& axis, int cell) {
  return cell >= axis.FixedCellCount && cell < axis.GridCellCount;
}

// The start pixel of a cell; false when the cell is not in view.
bool CellStart(const TGridAxisDrawInfoEh& axis, int cell, int& start) {
  if (cell < 0 || cell >= axis.FullCellCount) return false;
  start = 0;
  if (cell < axis.FixedCellCount) {
    for (int i = 0; i < cell; ++i) start += axis.Span(i);
    return true;
  }
  if (axis.ContraCellCount > 0 && cell >= axis.GridCellCount) {
    start = axis.ContraBoundary + axis.EffectiveLineWidth;
    for (int i = axis.GridCellCount; i < cell; ++i) start += axis.Span(i);
    return start < axis.ClientExtent;
  }
  if (cell < axis.FirstGridCell) return false;
  start = axis.FixedBoundary;
  for (int i = axis.FirstGridCell; i < cell; ++i) {
    start += axis.Span(i);
    if (start >= axis.GridExtent) return false;
  }
  return start < axis.GridExtent;
}

// The pixel span of the cells `low` .. `high` on one axis; false when none is in view.
bool AxisRange(const TGridAxisDrawInfoEh& axis, int low, int high, bool includeLine, int& start, int& end) {
  if (low > high) std::swap(low, high);
  low = std::max(low, 0);
  high = std::min(high, axis.FullCellCount - 1);
  if (low > high) return false;
  const bool inGap = low >= axis.FixedCellCount && low < axis.FirstGridCell;
  if (inGap && high < axis.FirstGridCell) return false;
  if (inGap) low = axis.FirstGridCell;
  if (high > axis.LastFullVisibleCell && high < axis.GridCellCount) {
    int partial = 0;
    high = axis.LastFullVisibleCell + 1 < axis.GridCellCount && CellStart(axis, axis.LastFullVisibleCell + 1, partial)
               ? axis.LastFullVisibleCell + 1
               : axis.LastFullVisibleCell;
    if (high < low) return false;
  }
  if (!CellStart(axis, low, start)) return false;
  int highStart = 0;
  end = CellStart(axis, high, highStart) ? highStart + axis.GetExtent(high) : start + axis.GetExtent(low);
  if (IsScrollingCell(axis, high)) end = std::min(end, axis.GridExtent);
  if (high >= axis.GridCellCount) end = std::min(end, axis.ClientExtent);
  if (includeLine) end += axis.EffectiveLineWidth;
  return end > start;
}

}  // namespace

int TCustomGridEh::LineWidthFor(bool horz) const {
  // Vertical lines divide columns: they take horizontal room.
  const bool lines = horz ? fOptions.Contains(grFixedVertLine) || fOptions.Contains(grVertLine)
                          : fOptions.Contains(grFixedHorzLine) || fOptions.Contains(grHorzLine);
  return lines ? fGridLineWidth : 0;
}

void TCustomGridEh::ComputeAxis(TGridAxisDrawInfoEh& axis, bool horz, int clientExtent) const {
  axis.EffectiveLineWidth = LineWidthFor(horz);
  axis.Extents = horz ? &fColWidths : &fRowHeights;
  axis.DefaultExtent = horz ? fDefaultColWidth : fDefaultRowHeight;
  axis.GridCellCount = horz ? fColCount : fRowCount;
  axis.ContraCellCount = horz ? fContraColCount : fContraRowCount;
  axis.FullCellCount = axis.GridCellCount + axis.ContraCellCount;
  axis.OriginShift = horz ? fWindowOriginShift : 0;

  axis.ContraBoundary = clientExtent;
  for (int cell = axis.GridCellCount; cell < axis.FullCellCount; ++cell) axis.ContraBoundary -= axis.Span(cell);
  if (axis.ContraCellCount > 0) axis.ContraBoundary -= axis.EffectiveLineWidth;

  axis.FixedCellCount = horz ? fFixedCols : fFixedRows;
  axis.FixedBoundary = 0;
  for (int cell = 0; cell < axis.FixedCellCount; ++cell) axis.FixedBoundary += axis.Span(cell);
  axis.FirstGridCell = horz ? fTopLeft.X : fTopLeft.Y;
  // A fixed data count outside 0 .. the fixed count would make the walks leave the
  // fixed cells.
  axis.FixedDataCount = std::clamp(horz ? fFixedDataCols : fFixedDataRows, 0, axis.FixedCellCount);
  axis.FixedDataBoundary = axis.FixedBoundary;
  for (int cell = axis.FixedCellCount - axis.FixedDataCount; cell < axis.FixedCellCount; ++cell)
    axis.FixedDataBoundary -= axis.Span(cell);

  axis.ClientExtent = clientExtent;
  axis.GridExtent = axis.ContraBoundary;
  axis.GridBoundary = axis.FixedBoundary - axis.OriginShift;
  axis.FullVisBoundary = axis.FixedBoundary;
  axis.LastFullVisibleCell = axis.FirstGridCell;
  for (int cell = axis.FirstGridCell; cell < axis.GridCellCount; ++cell) {
    axis.GridBoundary += axis.Span(cell);
    if (axis.GridBoundary > axis.GridExtent + axis.EffectiveLineWidth) {
      axis.GridBoundary = axis.GridExtent + axis.OriginShift;
      break;
    }
    axis.LastFullVisibleCell = cell;
    axis.FullVisBoundary = axis.GridBoundary;
  }
  axis.FullGridBoundary = axis.ContraCellCount < 1 ? axis.GridBoundary : axis.ClientExtent;
}

void TCustomGridEh::ComputeDrawInfo(TGridDrawInfo& info, int clientWidth, int clientHeight) const {
  ComputeAxis(info.Horz, true, clientWidth);
  ComputeAxis(info.Vert, false, clientHeight);
}

void TCustomGridEh::ComputeDrawInfo(TGridDrawInfo& info) const {
  if (HandleAllocated())
    ComputeDrawInfo(info, ClientWidth(), ClientHeight());
  else
    ComputeDrawInfo(info, Width(), Height());
}

int TCustomGridEh::LogicalX(int x, const TGridDrawInfo& info) const {
  // Mirrored, a pixel at x shows what the left-to-right layout has at width - 1 - x.
  return UseRightToLeftAlignment() ? info.Horz.ClientExtent - 1 - x : x;
}

TGridCoord TCustomGridEh::AxisCellsAt(int x, int y, const TGridDrawInfo& info) const {
  return {CellAt(info.Horz, LogicalX(x, info)), CellAt(info.Vert, y)};
}

TGridCoord TCustomGridEh::MouseCoord(int x, int y) const {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  const TGridCoord cell = AxisCellsAt(x, y, info);
  if (cell.X < 0 || cell.Y < 0) return {-1, -1};
  return cell;
}

TRect TCustomGridEh::GridRectToScreenRect(const TGridRect& rect, const TGridDrawInfo& info, bool includeLine) const {
  TRect screen;
  if (!AxisRange(info.Horz, rect.Left, rect.Right, includeLine, screen.left, screen.right) ||
      !AxisRange(info.Vert, rect.Top, rect.Bottom, includeLine, screen.top, screen.bottom))
    return {};
  if (UseRightToLeftAlignment())
    screen = {info.Horz.ClientExtent - screen.right, screen.top, info.Horz.ClientExtent - screen.left, screen.bottom};
  return screen;
}

TRect TCustomGridEh::GridRectToScreenRect(const TGridRect& rect, bool includeLine) const {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  return GridRectToScreenRect(rect, info, includeLine);
}

TRect TCustomGridEh::BoxRect(int left, int top, int right, int bottom) const {
  return GridRectToScreenRect({left, top, right, bottom}, false);
}

TGridCoord TCustomGridEh::CalcMaxTopLeft(TGridCoord cell, const TGridDrawInfo& info) const {
  const auto maxCell = [](const TGridAxisDrawInfoEh& axis, int target) {
    const int start = std::max(axis.FixedCellCount, target);
    int result = start;
    int pixels = axis.GridExtent + axis.EffectiveLineWidth;
    for (int line = start; line >= axis.FixedCellCount; --line) {
      if (axis.GetExtent(line) > 0) {
        pixels -= axis.Span(line);
        if (pixels < axis.FixedBoundary) break;
      }
      result = line;
    }
    return result;
  };
  return {maxCell(info.Horz, cell.X), maxCell(info.Vert, cell.Y)};
}

TGridCoord TCustomGridEh::GreatestTopLeft(const TGridDrawInfo& info) const {
  return CalcMaxTopLeft({fColCount - 1, fRowCount - 1}, info);
}

int TCustomGridEh::VisibleColCount() const {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  return info.Horz.LastFullVisibleCell - fTopLeft.X + 1;
}

int TCustomGridEh::VisibleRowCount() const {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  return info.Vert.LastFullVisibleCell - fTopLeft.Y + 1;
}

int TCustomGridEh::GridWidth() const {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  return info.Horz.GridBoundary;
}

int TCustomGridEh::GridHeight() const {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  return info.Vert.GridBoundary;
}

}  // namespace ordvane
