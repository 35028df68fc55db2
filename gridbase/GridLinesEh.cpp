// The grid's line colours and the drawing of its lines and fixed-cell edges.

#include <algorithm>

#include "gridbase/GridsEh.h"
#include "gridbase/GridsEhDraw.h"

namespace ordvane {

// ---- TGridLineColorsEh ----------------------------------------------------------------

TPersistent* TGridLineColorsEh::GetOwner() const {
  return fGrid;
}

void TGridLineColorsEh::Change(TColor& field, TColor value) {
  if (field == value) return;
  field = value;
  fGrid->Invalidate();
}

TColor TGridLineColorsEh::GetDarkColor() const {
  if (fDarkColor != clDefault) return fDarkColor;
  return fGrid->Flat() ? clGray : clBlack;
}

TColor TGridLineColorsEh::GetBrightColor() const {
  if (fBrightColor != clDefault) return fBrightColor;
  // Silver lines would vanish on a silver grid.
  return ColorToRGB(fGrid->Color()) == ColorToRGB(clSilver) ? clGray : clSilver;
}

TColor TGridLineColorsEh::GetCellLineColor(int col, int row) const {
  const int dataCols = std::clamp(fGrid->FixedDataCols(), 0, fGrid->FixedCols());
  const int dataRows = std::clamp(fGrid->FixedDataRows(), 0, fGrid->FixedRows());
  const bool dataCell = col >= fGrid->FixedCols() - dataCols && row >= fGrid->FixedRows() - dataRows;
  return dataCell ? GetBrightColor() : GetDarkColor();
}

TColor TGridLineColorsEh::GetContraColLineColor(int col) const {
  return col == fGrid->ColCount() ? StoredOrDark(fContraColBoundaryColor) : GetBrightColor();
}

TColor TGridLineColorsEh::GetContraRowLineColor(int, int row) const {
  return row == fGrid->RowCount() ? StoredOrDark(fContraRowBoundaryColor) : GetBrightColor();
}

TColor TGridLineColorsEh::GetFixedDataColLineColor(int col) const {
  if (fGrid->FixedDataCols() > 0 && col == fGrid->FixedCols() - 1)
    return StoredOrDark(fFixedDataColSeparatorColor);
  return GetBrightColor();
}

TColor TGridLineColorsEh::GetFixedDataRowLineColor(int, int row) const {
  if (fGrid->FixedDataRows() > 0 && row == fGrid->FixedRows() - 1) return GetDarkColor();
  return GetBrightColor();
}

// ---- lines and edges ------------------------------------------------------------------

void DrawPolyPolylineEh(TControl* control, TCanvas* canvas, const TPointArray& points,
                        const TDWORDArray& strokeCounts, int strokes) {
  strokes = std::clamp(strokes, 0, static_cast<int>(strokeCounts.size()));
  size_t needed = 0;
  for (int i = 0; i < strokes; ++i) needed += strokeCounts[static_cast<size_t>(i)];
  if (strokes == 0 || needed > points.size()) return;
  TPointArray drawn(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(needed));
  if (control->UseRightToLeftAlignment())
    for (TPoint& p : drawn) ++p.x;
  canvas->Handle()->PolyPolyline(drawn.data(), strokeCounts.data(), strokes);
}

void GridPolyPolylineEh(TCustomGridEh* grid, const TPointArray& points, const TDWORDArray& strokeCounts,
                        int strokes) {
  DrawPolyPolylineEh(grid, grid->Canvas(), points, strokeCounts, strokes);
}

namespace {

// Draws in device pixels for the life of the scope: a mirrored canvas (right-to-left
// layout) is unmirrored so the edge's light stays on the top and left, as the system
// draws every 3D edge.
class TDeviceMapping {
 public:
  explicit TDeviceMapping(TDeviceContext& dc) : fSaved(dc) {
    dc.SetMapMode(MM_TEXT);
    dc.SetWindowOrgEx(0, 0);
    dc.SetViewportOrgEx(0, 0);
  }

 private:
  grids_internal::TMappingScope fSaved;
};

void DrawEdgeOn(TDeviceContext& dc, TRect rect, bool mirrored, bool flat, bool rightSide, bool leftSide,
                unsigned edge, TColorRef background) {
  // The logical sides in device terms: mirrored, the logical left is on the right.
  const unsigned leftFlag = mirrored ? BF_RIGHT : BF_LEFT;
  const unsigned rightFlag = mirrored ? BF_LEFT : BF_RIGHT;
  if (!flat) {
    if (rightSide && leftSide) {
      dc.DrawEdge(rect, edge, BF_RECT);
      return;
    }
    TRect top = rect;
    dc.DrawEdge(top, edge, BF_TOP | (leftSide ? leftFlag : 0));
    TRect bottom = rect;
    dc.DrawEdge(bottom, edge, BF_BOTTOM | (rightSide ? rightFlag : 0));
    return;
  }
  // Flat: the bottom border (and the logical right one) takes the cell's background.
  dc.FillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom}, background);
  if (rightSide) {
    const int x = mirrored ? rect.left : rect.right - 1;
    dc.FillRect({x, rect.top, x + 1, rect.bottom}, background);
  }
  TRect top = rect;
  dc.DrawEdge(top, edge, BF_TOP | (leftSide ? leftFlag : 0));
}

}  // namespace

void DrawCellEdgeEh(TCustomGridEh* grid, TCanvas* canvas, const TRect& rect, bool rightSide, bool leftSide,
                    bool pressed, bool pressedDown) {
  TDeviceContext& dc = *canvas->Handle();
  const unsigned edge = pressed || pressedDown ? BDR_SUNKENINNER : BDR_RAISEDINNER;
  const TColorRef background = ColorToRGB(canvas->Brush()->Color());
  if (!grid->UseRightToLeftAlignment()) {
    DrawEdgeOn(dc, rect, false, grid->Flat(), rightSide, leftSide, edge, background);
    return;
  }
  TPoint corners[2] = {rect.TopLeft(), rect.BottomRight()};
  dc.LPtoDP(corners, 2);
  const TRect device = NormalizedRect({corners[0].x, corners[0].y, corners[1].x, corners[1].y});
  TDeviceMapping unmirrored(dc);
  DrawEdgeOn(dc, device, true, grid->Flat(), rightSide, leftSide, edge, background);
}

}  // namespace ordvane
