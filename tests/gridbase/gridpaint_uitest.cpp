// The base grid's painting, read from a recorded paint and from the screen: the areas in
// their order with their line colours, cell edges, focus and highlight, the contra
// clipping, the mirrored picture, and scrolled pictures against a full repaint.

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "classlib/ui/RecordingDC.h"
#include "tests/gridbase/GridTestSupport.h"
#include "tests/ui/RasterTestSupport.h"

namespace ordvane {
namespace {

using test::GridFixture;
using test::TCellGrid;

const auto kNoContents = [](TCanvas&, int, int, const TRect&) {};

// Two fixed columns and rows, the last of each drawn as data, a contra column and row:
// 300 by 200 shows columns 0 .. 3 (3 cut at the contra column, x 235) and rows 0 .. 4,
// the contra row at y 175. Each line colour of its own tells the areas apart.
void FourAreas(TCellGrid& g) {
  g.SetFixedCols(2);
  g.SetFixedRows(2);
  g.SetFixedDataCols(1);
  g.SetFixedDataRows(1);
  g.SetContraColCount(1);
  g.SetContraRowCount(1);
  TGridLineColorsEh& c = *g.GridLineColors();
  c.SetBrightColor(clBlue);
  c.SetDarkColor(clRed);
  c.SetContraColBoundaryColor(clGreen);
  c.SetContraRowBoundaryColor(clYellow);
  c.SetFixedDataColSeparatorColor(clFuchsia);
}

std::vector<AnsiString> RecordedPaint(TCellGrid& g) {
  TRecordingCanvas canvas(g.ClientWidth(), g.ClientHeight());
  g.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);
  return canvas.Calls();
}

// Each poly-polyline as its colour's letter and its strokes, and the pens drawn with.
std::string LinesOf(const std::vector<AnsiString>& calls, std::set<std::string>& pens) {
  const std::map<TColorRef, char> letters = {{ColorToRGB(clRed), 'R'},
                                             {ColorToRGB(clBlue), 'B'},
                                             {ColorToRGB(clGreen), 'G'},
                                             {ColorToRGB(clYellow), 'Y'},
                                             {ColorToRGB(clFuchsia), 'F'}};
  std::string lines;
  unsigned style = 0;
  unsigned colour = 0;
  int width = 0;
  for (const AnsiString& call : calls) {
    if (call.rfind("SelectPen(", 0) == 0)
      std::sscanf(call.c_str(), "SelectPen(pen $%X %d $%X)", &style, &width, &colour);
    if (call.rfind("PolyPolyline(", 0) != 0) continue;
    lines += std::string(1, letters.at(colour)) + std::to_string(std::atoi(call.c_str() + 13)) + " ";
    pens.insert(std::to_string(style) + " " + std::to_string(width));
  }
  return lines;
}

TEST(GridPaint, AreasGoOutInOrderOneCallPerAxisInTheirColoursAndEachCellOnce) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  FourAreas(g);
  g.drawn.clear();
  std::set<std::string> pens;
  // Per area its vertical, then its horizontal lines: fixed columns by the pure fixed
  // row; pure fixed column and fixed data cell by the fixed data row; the two
  // separators; scrolling columns by both fixed rows and the row separator; fixed
  // columns by the scrolling rows and the column separator; the scrolling area. Then
  // the contra row (by the fixed, then the scrolling columns, with separator and
  // boundaries), the contra column likewise, and their corner.
  EXPECT_EQ(LinesOf(RecordedPaint(g), pens),
            "R2 R1 R1 R1 B1 B1 R1 F1 R1 R1 B1 B1 R1 R1 R3 B1 B3 F1 B1 B3 "
            "R1 R1 B1 B1 F1 Y1 B1 B1 Y1 R1 R1 B1 B1 R1 G1 B1 B3 G1 B1 B1 Y1 G1 ");
  EXPECT_EQ(pens, std::set<std::string>{"0 1"});
  const std::set<std::string> cells(g.drawn.begin(), g.drawn.end());
  EXPECT_EQ(cells.size(), g.drawn.size()) << "no cell twice";
  EXPECT_EQ(cells.size(), 5u * 6u) << "columns 0 .. 3 and 5, rows 0 .. 5";

  pens.clear();
  g.SetGridLineWidth(3);
  LinesOf(RecordedPaint(g), pens);
  EXPECT_EQ(pens, std::set<std::string>{std::to_string(0x12200) + " 3"});
}

TEST(GridPaint, WithoutDefaultDrawingOnlyTheGapsBeyondTheGridAreFilled) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  FourAreas(g);
  g.SetFocus();
  g.SetDefaultDrawing(false);
  g.contents = kNoContents;
  int fills = 0;
  for (const AnsiString& call : RecordedPaint(g)) {
    EXPECT_TRUE(call.rfind("DrawEdge(", 0) != 0 && call.rfind("DrawFocusRect(", 0) != 0) << call;
    int left = 0, top = 0;
    if (std::sscanf(call.c_str(), "FillRect(%d,%d", &left, &top) != 2) continue;
    ++fills;
    EXPECT_TRUE(top >= g.GridHeight() || left >= g.GridWidth()) << call;
  }
  EXPECT_GT(fills, 0);
}

TEST(GridPaint, LinesSeparatorsBoundariesEdgesAndFillsLandOnTheirPixels) {
  struct Probe {
    int x, y;
    TColor colour;
  };
  struct Case {
    const char* name;
    std::function<void(TCellGrid&)> setup;
    std::vector<Probe> probes;
  };
  const TColor face = clBtnFace, light = clBtnHighlight, shadow = clBtnShadow;
  const Case cases[] = {
      {"four areas: fixed lines, separators, data lines, contra boundaries, fill, edges, cells",
       FourAreas,
       {{64, 10, clRed},      {129, 10, clRed},    {129, 60, clFuchsia}, {100, 49, clRed},
        {160, 49, clRed},     {194, 60, clBlue},   {160, 74, clBlue},    {100, 74, clBlue},
        {234, 60, clGreen},   {234, 10, clGreen},  {30, 174, clYellow},  {160, 174, clYellow},
        {260, 174, clYellow}, {234, 190, clGreen}, {299, 60, clBlue},    {160, 150, clWindow},
        {30, 12, face},       {0, 12, light},      {63, 12, shadow},     {100, 60, clWindow}}},
      {"flat: the bottom edge in the cell's colour",
       [](TCellGrid& g) { g.SetFlat(true); },
       {{30, 0, light}, {30, 23, face}, {64, 10, clGray}}},
      {"fixed vertical lines off: the edge covers the line",
       [](TCellGrid& g) { g.SetOptions(g.Options() - TGridOptionsEh{grFixedVertLine}); },
       {{64, 12, shadow}, {63, 12, face}, {30, 24, clBlack}}},
      {"fixed horizontal lines off: the edge covers the line below",
       [](TCellGrid& g) { g.SetOptions(g.Options() - TGridOptionsEh{grFixedHorzLine}); },
       {{30, 24, shadow}, {63, 12, shadow}}},
      {"a narrow grid: filled at the right",
       [](TCellGrid& g) { g.SetColCount(2); },
       {{200, 12, clWindow}, {129, 12, clBlack}}},
  };
  for (const Case& c : cases) {
    GridFixture f;
    f.grid->contents = kNoContents;
    c.setup(*f.grid);
    const TRaster picture = f.Repainted();
    for (const Probe& p : c.probes)
      EXPECT_EQ(picture.Pixel(p.x, p.y), ColorToRGB(p.colour)) << c.name << " at " << p.x << ", " << p.y;
  }
}

TEST(GridPaint, FocusRectanglesAndHighlightFollowTheOptions) {
  struct Case {
    TGridOptionsEh added;
    TRect focusRect;      // where gaining the focus draws the dotted rectangle
    bool keepsHighlight;  // the current cell stays highlighted inside it
  };
  for (const Case& c :
       {Case{{}, Rect(65, 25, 129, 49), false}, Case{{grRowSelect}, Rect(65, 25, 300, 49), true}}) {
    GridFixture f;
    TCellGrid& g = *f.grid;
    g.contents = kNoContents;
    g.SetOptions(g.Options() + c.added);
    const TRaster unfocused = f.Repainted();
    g.SetFocus();
    const TRaster focused = f.Repainted();
    const TRect& r = c.focusRect;
    EXPECT_EQ(unfocused.Pixel(r.left + 5, r.top + 5), ColorToRGB(clHighlight));
    EXPECT_EQ(focused.Pixel(r.left + 5, r.top + 5), ColorToRGB(c.keepsHighlight ? clHighlight : clWindow));
    const auto dotted = [&](int x) { return focused.Pixel(x, r.top) != focused.Pixel(x, r.top + 3); };
    int dots = 0;
    for (int x = r.left - 2; x < 300; ++x) {
      if (!dotted(x)) continue;
      EXPECT_TRUE(x >= r.left && x < r.right) << x;
      ++dots;
    }
    EXPECT_GT(dots, r.Width() / 3);
  }
  for (const bool focusSelected : {false, true}) {
    GridFixture f;
    TCellGrid& g = *f.grid;
    g.contents = kNoContents;
    if (focusSelected) g.SetOptions(g.Options() + TGridOptionsEh{grDrawFocusSelected});
    g.SetFocus();
    g.MoveAnchor({2, 2});
    const TRaster p = f.Repainted();
    EXPECT_EQ(p.Pixel(160, 60), ColorToRGB(clHighlight)) << "the anchor";
    EXPECT_EQ(p.Pixel(100, 35), ColorToRGB(focusSelected ? clHighlight : clWindow)) << "the focused cell";
    EXPECT_EQ(p.Pixel(230, 35), ColorToRGB(clWindow)) << "outside the selection";
  }
}

TEST(GridPaint, NothingOfTheScrollingAreaReachesIntoTheContraCells) {
  for (const int width : {64, 100}) {  // 100: a column is cut at the contra boundary
    GridFixture f;
    TCellGrid& g = *f.grid;
    g.SetDefaultColWidth(width);
    g.SetRowCount(20);
    g.SetContraColCount(1);
    g.SetContraRowCount(1);
    g.SetColWidths(g.ColCount(), 40);
    g.SetRowHeights(g.RowCount(), 30);
    g.contents = [&g](TCanvas& canvas, int col, int row, const TRect& rect) {
      if (col < g.FixedCols() || row < g.FixedRows() || col >= g.ColCount() || row >= g.RowCount()) return;
      canvas.Brush()->SetColor(clRed);
      canvas.FillRect(Rect(rect.left, rect.top, rect.right + 10, rect.bottom + 10));
    };
    const TRaster p = f.Repainted();
    const auto red = [](TColorRef c) { return c == ColorToRGB(clRed); };
    EXPECT_GT(test::CountPixels(p, [&](int, int, TColorRef c) { return red(c); }), 1000);
    // The contra cells begin after the boundaries at 300 - 41 - 1 and 200 - 31 - 1.
    EXPECT_EQ(
        test::CountPixels(p, [&](int x, int y, TColorRef c) { return red(c) && (x >= 258 || y >= 168); }), 0)
        << width;
  }
}

TEST(GridPaint, TheRightToLeftPictureIsTheLeftToRightOneMirrored) {
  for (const int lineWidth : {1, 2, 3}) {
    TRaster pictures[2];
    for (const bool rightToLeft : {false, true}) {
      GridFixture f;
      TCellGrid& g = *f.grid;
      FourAreas(g);
      g.SetGridLineWidth(lineWidth);
      g.SetCtl3D(false);  // the light of 3D edges falls from the top left in either layout
      g.SetColWidths(2, 40);
      g.MoveAnchor({3, 3});
      g.contents = [](TCanvas& canvas, int col, int row, const TRect& rect) {
        canvas.Brush()->SetColor(static_cast<TColor>(0x101010 * (col + 1) + 0x30 * row));
        canvas.FillRect(Rect(rect.left, rect.top, rect.left + 7, rect.bottom));
      };
      if (rightToLeft) g.SetBiDiMode(bdRightToLeft);
      pictures[rightToLeft] = f.Repainted();
    }
    const int width = pictures[0].Width();
    EXPECT_EQ(
        test::CountPixels(
            pictures[1], [&](int x, int y, TColorRef c) { return c != pictures[0].Pixel(width - 1 - x, y); }),
        0)
        << "line width " << lineWidth;
  }
}

TEST(GridPaint, AScrolledScreenEqualsAFullRepaint) {
  // Cells show which line they are, not where: inserted and deleted lines take their
  // names with them, as the rows of a dataset would.
  struct Names {
    std::vector<int> cols, rows;
    void Change(TCellGrid& g, bool isRows, int index, int amount) {
      std::vector<int>& names = isRows ? rows : cols;
      if (amount > 0) names.insert(names.begin() + index, static_cast<size_t>(amount), -1);
      if (amount < 0) names.erase(names.begin() + index, names.begin() + index - amount);
      g.AdjustLines(index, amount, isRows);
    }
  };
  const std::pair<const char*, std::function<void(TCellGrid&, Names&)>> cases[] = {
      {"one row down", [](TCellGrid& g, Names&) { g.MoveTopLeft(g.LeftCol(), g.TopRow() + 1); }},
      {"one column right", [](TCellGrid& g, Names&) { g.MoveTopLeft(g.LeftCol() + 1, g.TopRow()); }},
      {"both", [](TCellGrid& g, Names&) { g.MoveTopLeft(g.LeftCol() + 1, g.TopRow() + 2); }},
      {"thumb jump",
       [](TCellGrid& g, Names&) { g.Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 60), 0); }},
      {"rows inserted", [](TCellGrid& g, Names& n) { n.Change(g, true, 3, 2); }},
      {"a tall row deleted", [](TCellGrid& g, Names& n) { n.Change(g, true, 4, -1); }},
      {"columns deleted", [](TCellGrid& g, Names& n) { n.Change(g, false, 2, -2); }},
      {"size changed", [](TCellGrid& g, Names&) { g.ChangeSize(4, 5); }},
  };
  for (const bool contra : {false, true})
    for (const auto& [name, change] : cases) {
      GridFixture f(ssBoth);
      TCellGrid& g = *f.grid;
      Names names;
      for (int i = 0; i < 50; ++i) names.cols.push_back(i), names.rows.push_back(i);
      g.contents = [&names](TCanvas& canvas, int col, int row, const TRect& rect) {
        canvas.TextRect(rect, rect.left + 2, rect.top + 2,
                        IntToStr(names.cols[col]) + "," + IntToStr(names.rows[row]));
      };
      g.SetColCount(12);
      g.SetRowCount(40);
      g.SetColWidths(3, 90);
      g.SetRowHeights(4, 40);
      g.SetContraColCount(contra ? 1 : 0);
      g.SetContraRowCount(contra ? 1 : 0);
      g.SetFocus();
      g.MoveTopLeft(2, 2);
      f.Repainted();
      change(g, names);
      f.Settle();
      const TRaster scrolled = f.Picture();
      EXPECT_TRUE(scrolled == f.Repainted()) << name << (contra ? " with contra lines" : "");
    }
}

TEST(GridPaint, ALockedGridPaintsNothing) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  g.LockDraw();
  EXPECT_TRUE(RecordedPaint(g).empty());
  g.UnlockDraw();
  g.UnlockDraw();  // at 0 it stays 0: one lock locks again
  g.LockDraw();
  EXPECT_TRUE(g.IsDrawLocked());
  g.UnlockDraw();
  EXPECT_FALSE(RecordedPaint(g).empty());
}

TEST(GridPaint, EveryContraLineIsDrawnWhenTheyOutnumberTheScrollingOnes) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  g.contents = kNoContents;
  g.SetRowCount(2);
  g.SetContraRowCount(10);
  for (int row = 2; row < 12; ++row) g.SetRowHeights(row, 5);
  const TRaster p = f.Repainted();
  // The contra rows start after the boundary at 200 - 10 * 6 - 1; each ends in a line.
  for (int row = 0; row < 10; ++row) EXPECT_EQ(p.Pixel(100, 145 + row * 6), ColorToRGB(clSilver)) << row;
}

}  // namespace
}  // namespace ordvane
