// The base grid's painting: the lines and cells of each area (pure fixed, fixed data,
// scrolling, contra) in a fixed order, the default cell filling around DrawCell, focus
// rectangles, the clipping that keeps the contra areas free and the right-to-left
// mirroring of the whole picture.

#include <algorithm>
#include <optional>

#include "gridbase/GridsEh.h"
#include "gridbase/GridsEhDraw.h"

namespace ordvane {

namespace {

using TClipGuard = TDeviceContext::TClipGuard;
using grids_internal::TMappingScope;

// Lines wider than one pixel end flat at the area's edges and meet mitred.
constexpr unsigned kWideLinePen = PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER;

// One axis of an area: the pixels from `start` up to `stop`, the cells `first` .. `last`.
struct TBand {
  int start = 0;
  int stop = 0;
  int first = 0;
  int last = -1;
};

TBand PureFixed(const TGridAxisDrawInfoEh& a) {
  return {0, a.FixedDataBoundary, 0, a.FixedCellCount - a.FixedDataCount - 1};
}
TBand FixedData(const TGridAxisDrawInfoEh& a) {
  return {a.FixedDataBoundary, a.FixedBoundary, a.FixedCellCount - a.FixedDataCount, a.FixedCellCount - 1};
}
TBand AllFixed(const TGridAxisDrawInfoEh& a) {
  return {0, a.FixedBoundary, 0, a.FixedCellCount - 1};
}
// The scrolling cells begin `offset` pixels before the fixed boundary (the pixel
// scrolling of a one-column grid); their far end is given in unshifted pixels.
TBand Scrolling(const TGridAxisDrawInfoEh& a, int offset) {
  return {a.FixedBoundary - offset, a.GridBoundary + a.OriginShift, a.FirstGridCell, a.GridCellCount - 1};
}
TBand Contra(const TGridAxisDrawInfoEh& a) {
  return {a.ContraBoundary + a.EffectiveLineWidth, a.ClientExtent, a.GridCellCount, a.FullCellCount - 1};
}

// The most strokes one area draws along an axis: every fixed cell, every shown scrolling
// cell with the one cut at the edge, or every contra cell that has a pixel of its own.
int MaxStrokes(const TGridAxisDrawInfoEh& a) {
  const int scrolling = a.LastFullVisibleCell - a.FirstGridCell + 2;
  const int contra = std::min(a.ContraCellCount, a.ClientExtent + 1);
  return std::max({a.FixedCellCount, scrolling, contra, 1});
}

}  // namespace

class TGridPainter {
 public:
  explicit TGridPainter(TCustomGridEh& grid);
  void Paint();

 private:
  void MirrorCanvas();
  void MainLines();
  void MainCells();
  void RowSelectFocus();
  void FillBeyondGrid();
  void ContraAreas();
  void ContraLines();
  void ContraCells();
  // Draws with the canvas origin shifted for the scrolling columns, when it is.
  template <class Draw>
  void InScrollingColumns(Draw draw);

  // The lines between the columns and between the rows of an area; an axis whose option
  // is off takes the off colour. The lines of the axis whose option is off go first, so
  // that the other axis's lines stay whole where they cross.
  void AreaLines(const TBand& cols, const TBand& rows, bool horzOption, bool vertOption, TColor on,
                 TColor off);
  void FixedAreaLines(const TBand& cols, const TBand& rows);
  void DataAreaLines(const TBand& cols, const TBand& rows);
  // Collects the strokes after each cell of `walk` on `axis`, each across `across`.
  int CollectStrokes(const TGridAxisDrawInfoEh& axis, const TBand& walk, const TBand& across, bool vertical);
  void DrawStrokes(int count, int width, TColor colour);
  // One line: the grid line that begins at pixel `at`, from `from` to `to` along it.
  void Separator(bool vertical, int at, int from, int to, TColor colour);
  void FixedDataRowSeparator(int from, int to, int col);
  void FixedDataColSeparator(int from, int to);

  void Cells(const TBand& cols, const TBand& rows, TColor colour, TGridDrawState included);
  void Cell(int col, int row, const TRect& rect, TColor colour, TGridDrawState state);
  bool EditorCovers(int col, int row) const;

  TCustomGridEh& fGrid;
  TCanvas& fCanvas;
  TDeviceContext& fDc;
  TGridLineColorsEh& fColours;
  TGridOptionsEh fOptions;
  TGridDrawInfo fInfo;
  const TGridAxisDrawInfoEh& fH;
  const TGridAxisDrawInfoEh& fV;
  TDrawLinesInfoEh fLines;
  TGridRect fSelection;
  bool fActive;
  // Mirrored, every x of a poly-polyline moves one pixel right so that a one-pixel line
  // lands on its mirrored pixel. A wide flat-capped stroke covers its whole span instead
  // of leaving out its last pixel, so a horizontal one starts one pixel earlier; a
  // vertical one of even width has no middle pixel, so it stays where it is.
  int fWideSpanShift;
  int fEvenLineShift;
};

TGridPainter::TGridPainter(TCustomGridEh& grid)
    : fGrid(grid),
      fCanvas(*grid.Canvas()),
      fDc(*fCanvas.Handle()),
      fColours(*grid.GridLineColors()),
      fOptions(grid.Options()),
      fH(fInfo.Horz),
      fV(fInfo.Vert),
      fSelection(grid.Selection()),
      fActive(grid.IsActiveControl()),
      fWideSpanShift(grid.UseRightToLeftAlignment() && grid.GridLineWidth() > 1 ? 1 : 0),
      fEvenLineShift(fWideSpanShift && grid.GridLineWidth() % 2 == 0 ? 1 : 0) {
  grid.ComputeDrawInfo(fInfo);
  // Sized once for the largest area of the paint, contra areas included.
  fLines.MaxStrokesCount = std::max(MaxStrokes(fH), MaxStrokes(fV));
  fLines.Points.resize(2 * static_cast<size_t>(fLines.MaxStrokesCount));
  fLines.StrokeList.assign(static_cast<size_t>(fLines.MaxStrokesCount), 2);
}

void TGridPainter::Paint() {
  TMappingScope mapping(fDc);
  if (fGrid.UseRightToLeftAlignment()) MirrorCanvas();
  {
    // Nothing of the other areas may reach into the contra cells.
    std::optional<TClipGuard> clip;
    if (fH.ContraCellCount > 0 || fV.ContraCellCount > 0)
      clip.emplace(fDc, TRect{0, 0, fH.ContraBoundary, fV.ContraBoundary});
    MainLines();
    MainCells();
    RowSelectFocus();
    FillBeyondGrid();
  }
  ContraAreas();
}

void TGridPainter::MirrorCanvas() {
  const int width = fH.ClientExtent;
  if (width <= 0) return;
  const TPoint origin = fDc.GetWindowOrgEx();
  fDc.SetMapMode(MM_ANISOTROPIC);
  fDc.SetWindowOrgEx(origin.x + width, origin.y);
  fDc.SetWindowExtEx(-width, 1);
  fDc.SetViewportExtEx(width, 1);
}

template <class Draw>
void TGridPainter::InScrollingColumns(Draw draw) {
  if (fH.OriginShift == 0) {
    draw();
    return;
  }
  TClipGuard clip(fDc, {fH.FixedBoundary, 0, fH.GridExtent, fV.ClientExtent});
  TMappingScope mapping(fDc);
  const TPoint origin = fDc.GetWindowOrgEx();
  fDc.SetWindowOrgEx(origin.x + fH.OriginShift, origin.y);
  draw();
}

// ---- lines ----------------------------------------------------------------------------

int TGridPainter::CollectStrokes(const TGridAxisDrawInfoEh& axis, const TBand& walk, const TBand& across,
                                 bool vertical) {
  const int width = axis.EffectiveLineWidth;
  int count = 0;
  int pos = walk.start;
  for (int cell = walk.first; cell <= walk.last && count < fLines.MaxStrokesCount; ++cell) {
    const int extent = axis.GetExtent(cell);
    if (extent + width <= 0) continue;
    const int line = pos + extent + width / 2;
    pos += extent + width;
    if (line >= walk.stop) break;
    if (line < 0) continue;  // before the client area
    TPoint* stroke = &fLines.Points[2 * static_cast<size_t>(count)];
    stroke[0] =
        vertical ? TPoint{line - fEvenLineShift, across.start} : TPoint{across.start - fWideSpanShift, line};
    stroke[1] =
        vertical ? TPoint{line - fEvenLineShift, across.stop} : TPoint{across.stop - fWideSpanShift, line};
    ++count;
  }
  return count;
}

void TGridPainter::DrawStrokes(int count, int width, TColor colour) {
  if (count == 0) return;
  TPen& pen = *fCanvas.Pen();
  if (width > 1) {
    pen.SetLogPen(ExtCreatePen(kWideLinePen, width, {BS_SOLID, ColorToRGB(colour)}));
  } else {
    pen.SetStyle(psSolid);
    pen.SetWidth(1);
    pen.SetColor(colour);
  }
  GridPolyPolylineEh(&fGrid, fLines.Points, fLines.StrokeList, count);
}

void TGridPainter::AreaLines(const TBand& cols, const TBand& rows, bool horzOption, bool vertOption,
                             TColor on, TColor off) {
  if (cols.start >= cols.stop || rows.start >= rows.stop) return;
  const auto vertical = [&] {
    if (fH.EffectiveLineWidth == 0) return;
    DrawStrokes(CollectStrokes(fH, cols, rows, true), fH.EffectiveLineWidth, vertOption ? on : off);
  };
  const auto horizontal = [&] {
    if (fV.EffectiveLineWidth == 0) return;
    DrawStrokes(CollectStrokes(fV, rows, cols, false), fV.EffectiveLineWidth, horzOption ? on : off);
  };
  if (horzOption) {
    vertical();
    horizontal();
  } else {
    horizontal();
    vertical();
  }
}

void TGridPainter::FixedAreaLines(const TBand& cols, const TBand& rows) {
  AreaLines(cols, rows, fOptions.Contains(grFixedHorzLine), fOptions.Contains(grFixedVertLine),
            fColours.GetCellLineColor(cols.first, rows.first), fGrid.FixedColor());
}

void TGridPainter::DataAreaLines(const TBand& cols, const TBand& rows) {
  AreaLines(cols, rows, fOptions.Contains(grHorzLine), fOptions.Contains(grVertLine),
            fColours.GetCellLineColor(cols.first, rows.first), fGrid.Color());
}

void TGridPainter::Separator(bool vertical, int at, int from, int to, TColor colour) {
  const int width = vertical ? fH.EffectiveLineWidth : fV.EffectiveLineWidth;
  if (width == 0 || from >= to) return;
  const int line = at + width / 2;
  fLines.Points[0] = vertical ? TPoint{line - fEvenLineShift, from} : TPoint{from - fWideSpanShift, line};
  fLines.Points[1] = vertical ? TPoint{line - fEvenLineShift, to} : TPoint{to - fWideSpanShift, line};
  DrawStrokes(1, width, colour);
}

void TGridPainter::FixedDataRowSeparator(int from, int to, int col) {
  if (fV.FixedDataCount == 0) return;
  Separator(false, fV.FixedBoundary - fV.EffectiveLineWidth, from, to,
            fColours.GetFixedDataRowLineColor(col, fGrid.FixedRows() - 1));
}

void TGridPainter::FixedDataColSeparator(int from, int to) {
  if (fH.FixedDataCount == 0) return;
  Separator(true, fH.FixedBoundary - fH.EffectiveLineWidth, from, to,
            fColours.GetFixedDataColLineColor(fGrid.FixedCols() - 1));
}

void TGridPainter::MainLines() {
  if (fH.EffectiveLineWidth == 0 && fV.EffectiveLineWidth == 0) return;
  const int fixedCols = fGrid.FixedCols();
  FixedAreaLines(AllFixed(fH), PureFixed(fV));
  FixedAreaLines(PureFixed(fH), FixedData(fV));
  FixedAreaLines(FixedData(fH), FixedData(fV));
  FixedDataRowSeparator(fH.FixedDataBoundary, fH.FixedBoundary, fixedCols - 1);
  FixedDataColSeparator(fV.FixedDataBoundary, fV.FixedBoundary);
  const TBand scrollingCols = Scrolling(fH, fGrid.ColOffset());
  const TBand scrollingRows = Scrolling(fV, 0);
  InScrollingColumns([&] {
    FixedAreaLines(scrollingCols, PureFixed(fV));
    FixedAreaLines(scrollingCols, FixedData(fV));
    FixedDataRowSeparator(scrollingCols.start, scrollingCols.stop, fixedCols - 1);
  });
  FixedAreaLines(PureFixed(fH), scrollingRows);
  FixedAreaLines(FixedData(fH), scrollingRows);
  FixedDataColSeparator(fV.FixedBoundary, fV.GridBoundary);
  InScrollingColumns([&] { DataAreaLines(scrollingCols, scrollingRows); });
}

// ---- cells ----------------------------------------------------------------------------

void TGridPainter::MainCells() {
  const TColor fixed = fGrid.FixedColor();
  const TColor data = fGrid.Color();
  const TBand scrollingCols = Scrolling(fH, fGrid.ColOffset());
  const TBand scrollingRows = Scrolling(fV, 0);
  Cells(AllFixed(fH), PureFixed(fV), fixed, {gdFixed});
  Cells(PureFixed(fH), FixedData(fV), fixed, {gdFixed});
  Cells(FixedData(fH), FixedData(fV), data, {});
  InScrollingColumns([&] {
    Cells(scrollingCols, PureFixed(fV), fixed, {gdFixed});
    Cells(scrollingCols, FixedData(fV), data, {});
  });
  Cells(PureFixed(fH), scrollingRows, fixed, {gdFixed});
  Cells(FixedData(fH), scrollingRows, data, {});
  InScrollingColumns([&] { Cells(scrollingCols, scrollingRows, data, {}); });
}

void TGridPainter::Cells(const TBand& cols, const TBand& rows, TColor colour, TGridDrawState included) {
  const int colLine = fH.EffectiveLineWidth;
  const int rowLine = fV.EffectiveLineWidth;
  int y = rows.start;
  for (int row = rows.first; row <= rows.last && y < rows.stop; ++row) {
    const int height = fV.GetExtent(row);
    if (height + rowLine <= 0) continue;
    int x = cols.start;
    for (int col = cols.first; col <= cols.last && x < cols.stop; ++col) {
      const int width = fH.GetExtent(col);
      if (width + colLine <= 0) continue;
      const TRect rect{x, y, x + width, y + height};
      if (width > 0 && height > 0 && fDc.RectVisible(rect)) Cell(col, row, rect, colour, included);
      x += width + colLine;
    }
    y += height + rowLine;
  }
}

bool TGridPainter::EditorCovers(int col, int row) const {
  const TInplaceEdit* editor = fGrid.fInplaceEdit;
  return editor && editor->Visible() && fGrid.fInplaceCol == col && fGrid.fInplaceRow == row;
}

void TGridPainter::Cell(int col, int row, const TRect& rect, TColor colour, TGridDrawState state) {
  if (fActive && col == fGrid.Col() && row == fGrid.Row()) state.Include(gdFocused);
  if (col >= fSelection.Left && col <= fSelection.Right && row >= fSelection.Top && row <= fSelection.Bottom)
    state.Include(gdSelected);
  const bool focused = state.Contains(gdFocused);
  // The editor shows this cell; painting under it would only flicker.
  if (focused && EditorCovers(col, row)) return;
  const bool defaultDrawing = fGrid.DefaultDrawing();
  if (defaultDrawing) {
    fCanvas.SetFont(*fGrid.Font());
    const bool highlighted =
        state.Contains(gdSelected) &&
        (!focused || fOptions.Contains(grDrawFocusSelected) || fOptions.Contains(grRowSelect));
    if (highlighted) {
      fCanvas.Brush()->SetColor(clHighlight);
      fCanvas.Font()->SetColor(clHighlightText);
    } else {
      fCanvas.Brush()->SetColor(colour);
    }
    fCanvas.FillRect(rect);
  }
  fGrid.DrawCell(col, row, rect, state);
  if (!defaultDrawing) return;
  const bool fixedVert = fOptions.Contains(grFixedVertLine);
  const bool fixedHorz = fOptions.Contains(grFixedHorzLine);
  if (state.Contains(gdFixed) && fGrid.Ctl3D() && !fGrid.DrawsCellFrames() && (fixedVert || fixedHorz)) {
    // The edge covers the line pixels that are drawn in the fixed colour.
    TRect edge = rect;
    if (!fixedVert)
      edge.right += fH.EffectiveLineWidth;
    else if (!fixedHorz)
      edge.bottom += fV.EffectiveLineWidth;
    DrawCellEdgeEh(&fGrid, &fCanvas, edge, true, true, false, false);
  }
  const bool editorAlwaysShown = fOptions.Contains(grEditing) && fOptions.Contains(grAlwaysShowEditor);
  if (focused && !editorAlwaysShown && !fOptions.Contains(grRowSelect)) fCanvas.DrawFocusRect(rect);
}

void TGridPainter::RowSelectFocus() {
  if (!fOptions.Contains(grRowSelect) || !fGrid.DefaultDrawing() || !fGrid.Focused()) return;
  TRect rect = fGrid.GridRectToScreenRect(fSelection, fInfo, false);
  if (IsRectEmpty(rect)) return;
  // The canvas mirrors by itself: back to the left-to-right rectangle.
  if (fGrid.UseRightToLeftAlignment())
    rect = {fH.ClientExtent - rect.right, rect.top, fH.ClientExtent - rect.left, rect.bottom};
  fCanvas.DrawFocusRect(rect);
}

void TGridPainter::FillBeyondGrid() {
  fCanvas.Brush()->SetColor(fGrid.Color());
  const TRect right{fH.GridBoundary, 0, fH.GridExtent, fV.GridBoundary};
  const TRect below{0, fV.GridBoundary, fH.GridExtent, fV.GridExtent};
  if (!IsRectEmpty(right)) fCanvas.FillRect(right);
  if (!IsRectEmpty(below)) fCanvas.FillRect(below);
}

// ---- contra areas ---------------------------------------------------------------------

void TGridPainter::ContraAreas() {
  if (fH.ContraCellCount == 0 && fV.ContraCellCount == 0) return;
  ContraLines();
  ContraCells();
}

void TGridPainter::ContraLines() {
  if (fH.EffectiveLineWidth == 0 && fV.EffectiveLineWidth == 0) return;
  const int colCount = fGrid.ColCount();
  const int rowCount = fGrid.RowCount();
  const TBand contraCols = Contra(fH);
  const TBand contraRows = Contra(fV);
  const TBand scrollingCols = Scrolling(fH, fGrid.ColOffset());
  const TBand scrollingRows = Scrolling(fV, 0);
  if (fV.ContraCellCount > 0) {
    FixedAreaLines(PureFixed(fH), contraRows);
    FixedAreaLines(FixedData(fH), contraRows);
    FixedDataColSeparator(fV.ContraBoundary, fV.ClientExtent);
    Separator(false, fV.ContraBoundary, 0, fH.FixedBoundary,
              fColours.GetContraRowLineColor(fGrid.FixedCols() - fH.FixedDataCount, rowCount));
    InScrollingColumns([&] {
      DataAreaLines(scrollingCols, contraRows);
      Separator(false, fV.ContraBoundary, fH.FixedBoundary, scrollingCols.stop,
                fColours.GetContraRowLineColor(fH.FirstGridCell, rowCount));
    });
  }
  if (fH.ContraCellCount > 0) {
    FixedAreaLines(contraCols, PureFixed(fV));
    FixedAreaLines(contraCols, FixedData(fV));
    FixedDataRowSeparator(fH.ContraBoundary, fH.ClientExtent, colCount);
    const TColor boundary = fColours.GetContraColLineColor(colCount);
    Separator(true, fH.ContraBoundary, 0, fV.FixedBoundary, boundary);
    DataAreaLines(contraCols, scrollingRows);
    Separator(true, fH.ContraBoundary, fV.FixedBoundary, fV.GridBoundary, boundary);
  }
  if (fH.ContraCellCount > 0 && fV.ContraCellCount > 0) {
    DataAreaLines(contraCols, contraRows);
    Separator(false, fV.ContraBoundary, fH.ContraBoundary, fH.ClientExtent,
              fColours.GetContraRowLineColor(colCount, rowCount));
    Separator(true, fH.ContraBoundary, fV.ContraBoundary, fV.ClientExtent,
              fColours.GetContraColLineColor(colCount));
  }
}

void TGridPainter::ContraCells() {
  const TColor fixed = fGrid.FixedColor();
  const TColor data = fGrid.Color();
  const TBand contraCols = Contra(fH);
  const TBand contraRows = Contra(fV);
  if (fV.ContraCellCount > 0) {
    TClipGuard clip(fDc, {0, fV.ContraBoundary, fH.GridBoundary, fV.ClientExtent});
    Cells(PureFixed(fH), contraRows, fixed, {gdFixed});
    Cells(FixedData(fH), contraRows, data, {});
    InScrollingColumns([&] { Cells(Scrolling(fH, fGrid.ColOffset()), contraRows, data, {}); });
  }
  if (fH.ContraCellCount > 0) {
    TClipGuard clip(fDc, {fH.ContraBoundary, 0, fH.ClientExtent, fV.GridBoundary});
    Cells(contraCols, PureFixed(fV), fixed, {gdFixed});
    Cells(contraCols, FixedData(fV), data, {});
    Cells(contraCols, Scrolling(fV, 0), data, {});
  }
  if (fH.ContraCellCount > 0 && fV.ContraCellCount > 0) Cells(contraCols, contraRows, data, {});
  fCanvas.Brush()->SetColor(data);
  const TRect underContraCols{fH.ContraBoundary, fV.GridBoundary, fH.ClientExtent, fV.GridExtent};
  const TRect inContraRows{fH.GridBoundary, fV.ContraBoundary, fH.ContraBoundary, fV.ClientExtent};
  if (fH.ContraCellCount > 0 && !IsRectEmpty(underContraCols)) fCanvas.FillRect(underContraCols);
  if (fV.ContraCellCount > 0 && !IsRectEmpty(inContraRows)) fCanvas.FillRect(inContraRows);
}

// ---- the grid -------------------------------------------------------------------------

void TCustomGridEh::Paint() {
  if (IsDrawLocked()) return;
  TGridPainter(*this).Paint();
}

}  // namespace ordvane
