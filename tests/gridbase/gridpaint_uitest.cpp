// The base grid's painting, read from a recorded paint and from the screen: the areas in
// their order with their line colours, cell edges, focus and highlight, the contra
// clipping, the mirrored picture, and scrolled pictures against a full repaint.

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "classlib/ui/RecordingDC.h"
#include "tests/ui/RasterTestSupport.h"
#include "tests/gridbase/GridTestSupport.h"

namespace ordvane {
namespace {

using test::GridFixture;
using test::TCellGrid;

const auto kNoContents = [](TCanvas&, int, int, const TRect&) {};

// Two fixed columns and rows, the last of each drawn as data, one contra column and row,
// every line colour of its own: the areas tell themselves apart by colour.
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

// Each poly-polyline of a recorded paint as "colour:strokes", with the pen it drew with.
struct LineCalls {
  std::vector<std::string> colours;
  std::set<std::string> pens;  // "style width"
};

LineCalls LinesOf(const std::vector<AnsiString>& calls) {
  LineCalls result;
  unsigned style = 0;
  int width = 0;
  unsigned colour = 0;
  for (const AnsiString& call : calls) {
    if (call.rfind("SelectPen(", 0) == 0) {
      std::sscanf(call.c_str(), "SelectPen(pen $%X %d $%X)", &style, &width, &colour);
    } else if (call.rfind("PolyPolyline(", 0) == 0) {
      char text[32];
      std::snprintf(text, sizeof text, "%06X:%d", colour, std::atoi(call.c_str() + 13));
      result.colours.push_back(text);
      result.pens.insert(std::to_string(style) + " " + std::to_string(width));
    }
  }
  return result;
}

std::string Line(TColor colour, int strokes) {
  char text[32];
  std::snprintf(text, sizeof text, "%06X:%d", ColorToRGB(colour), strokes);
  return text;
}

TEST(GridPaint, AreasGoOutInOrderOneCallPerAxisInTheirColoursAndEachCellOnce) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  FourAreas(g);
  // 300 by 200: columns 0, 1 fixed, 2 whole, 3 cut at the contra column 5 (x 235);
  // rows 0, 1 fixed, 2 .. 4 scrolling, the contra row 5 at y 175.
  g.drawn.clear();
  const LineCalls lines = LinesOf(RecordedPaint(g));
  const std::vector<std::string> expected = {
      // all fixed columns by the pure fixed row: vertical lines first (both options on)
      Line(clRed, 2), Line(clRed, 1),
      // pure fixed column by the fixed data row; fixed data cell
      Line(clRed, 1), Line(clRed, 1), Line(clBlue, 1), Line(clBlue, 1),
      // the fixed data row separator, then the column separator
      Line(clRed, 1), Line(clFuchsia, 1),
      // scrolling columns by the pure fixed row, by the fixed data row, the row separator
      Line(clRed, 1), Line(clRed, 1), Line(clBlue, 1), Line(clBlue, 1), Line(clRed, 1),
      // pure fixed and fixed data columns by the scrolling rows, the column separator
      Line(clRed, 1), Line(clRed, 3), Line(clBlue, 1), Line(clBlue, 3), Line(clFuchsia, 1),
      // the scrolling area
      Line(clBlue, 1), Line(clBlue, 3),
      // contra row: by the pure fixed and fixed data columns, separator, boundary,
      // scrolling columns and their boundary
      Line(clRed, 1), Line(clRed, 1), Line(clBlue, 1), Line(clBlue, 1), Line(clFuchsia, 1), Line(clYellow, 1),
      Line(clBlue, 1), Line(clBlue, 1), Line(clYellow, 1),
      // contra column: by the pure fixed and fixed data rows, separator, boundary,
      // scrolling rows, boundary
      Line(clRed, 1), Line(clRed, 1), Line(clBlue, 1), Line(clBlue, 1), Line(clRed, 1), Line(clGreen, 1),
      Line(clBlue, 1), Line(clBlue, 3), Line(clGreen, 1),
      // the corner and its two boundaries
      Line(clBlue, 1), Line(clBlue, 1), Line(clYellow, 1), Line(clGreen, 1)};
  EXPECT_EQ(lines.colours, expected);
  EXPECT_EQ(lines.pens, (std::set<std::string>{"0 1"}));

  // Every shown cell once: columns 0 .. 3 and 5, rows 0 .. 5.
  std::set<std::string> cells;
  for (const std::string& d : g.drawn) cells.insert(d.substr(0, d.find_first_not_of("0123456789,")));
  EXPECT_EQ(cells.size(), g.drawn.size()) << "no cell twice";
  EXPECT_EQ(cells.size(), 5u * 6u);
  EXPECT_TRUE(cells.count("5,5") && cells.count("3,4") && cells.count("0,5"));
}

TEST(GridPaint, WideLinesAreGeometricFlatCappedAndPlainDrawingLeavesCellsAlone) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  FourAreas(g);
  g.SetGridLineWidth(3);
  EXPECT_EQ(LinesOf(RecordedPaint(g)).pens, (std::set<std::string>{std::to_string(0x12200) + " 3"}));

  g.SetFocus();
  g.SetDefaultDrawing(false);
  g.contents = kNoContents;
  const std::vector<AnsiString> calls = RecordedPaint(g);
  for (const AnsiString& call : calls) {
    EXPECT_NE(call.rfind("DrawEdge(", 0), 0u) << call;
    EXPECT_NE(call.rfind("DrawFocusRect(", 0), 0u) << call;
    EXPECT_NE(call.rfind("TextOut(", 0), 0u) << call;
  }
  // Only the gaps beyond the grid are filled: below the last row, in the contra row.
  int fills = 0;
  for (const AnsiString& call : calls)
    if (call.rfind("FillRect(", 0) == 0) {
      ++fills;
      int left = 0, top = 0;
      std::sscanf(call.c_str(), "FillRect(%d,%d", &left, &top);
      EXPECT_TRUE(top >= g.GridHeight() || left >= g.GridWidth()) << call;
    }
  EXPECT_GT(fills, 0);
}

// A probe of a picture: the pixel at (x, y) has this colour.
struct Probe {
  int x, y;
  TColor colour;
  const char* what;
};

TEST(GridPaint, LinesSeparatorsBoundariesEdgesAndFillsLandOnTheirPixels) {
  struct Case {
    const char* name;
    std::function<void(TCellGrid&)> setup;
    std::vector<Probe> probes;
  };
  const TColor face = clBtnFace;
  const TColor light = clBtnHighlight;
  const TColor shadow = clBtnShadow;
  const Case cases[] = {
      {"four areas", FourAreas,
       {{64, 10, clRed, "line after fixed column 0"},
        {129, 10, clRed, "fixed data column's line in the fixed row"},
        {129, 60, clFuchsia, "fixed data column separator"},
        {100, 49, clRed, "fixed data row separator"},
        {160, 49, clRed, "fixed data row separator under scrolling columns"},
        {194, 60, clBlue, "data line between columns 2 and 3"},
        {160, 74, clBlue, "data line under row 2"},
        {100, 74, clBlue, "fixed data column's line under row 2"},
        {234, 60, clGreen, "contra column boundary"},
        {234, 10, clGreen, "contra column boundary beside the fixed rows"},
        {30, 174, clYellow, "contra row boundary under the fixed columns"},
        {160, 174, clYellow, "contra row boundary under the scrolling columns"},
        {260, 174, clYellow, "corner's row boundary"},
        {234, 190, clGreen, "corner's column boundary"},
        {299, 60, clBlue, "line after the contra column"},
        {160, 150, clWindow, "fill below the last row"},
        {30, 12, face, "fixed cell"},
        {0, 12, light, "fixed cell's raised left edge"},
        {63, 12, shadow, "fixed cell's right edge"},
        {100, 60, clWindow, "fixed data cell"}}},
      {"flat: the bottom edge takes the cell's colour",
       [](TCellGrid& g) { g.SetFlat(true); },
       {{30, 0, light, "top edge"}, {30, 23, face, "bottom border"}, {64, 10, clGray, "flat fixed line"}}},
      {"fixed vertical lines off: the edge covers the line",
       [](TCellGrid& g) { g.SetOptions(g.Options() - TGridOptionsEh{grFixedVertLine}); },
       {{64, 12, shadow, "right edge on the line"}, {63, 12, face, "inside"}, {30, 24, clBlack, "horizontal line"}}},
      {"fixed horizontal lines off: the edge covers the line below",
       [](TCellGrid& g) { g.SetOptions(g.Options() - TGridOptionsEh{grFixedHorzLine}); },
       {{30, 24, shadow, "bottom edge on the line"}, {63, 12, shadow, "right edge"}}},
      {"grid narrower than the client: fill at the right",
       [](TCellGrid& g) { g.SetColCount(2); },
       {{200, 12, clWindow, "right of the grid"}, {129, 12, clBlack, "last fixed-row line"}}},
  };
  for (const Case& c : cases) {
    GridFixture f;
    f.grid->contents = kNoContents;
    c.setup(*f.grid);
    const TRaster picture = f.Repainted();
    for (const Probe& p : c.probes)
      EXPECT_EQ(picture.Pixel(p.x, p.y), ColorToRGB(p.colour)) << c.name << ": " << p.what;
  }
}

TEST(GridPaint, FocusRectanglesAndHighlightFollowTheOptions) {
  struct Case {
    const char* name;
    TGridOptionsEh added;
    TRect focusRect;      // gaining the focus draws a focus rectangle here
    bool keepsHighlight;  // and the current cell stays highlighted inside it
  };
  const Case cases[] = {
      {"the focused cell", {}, Rect(65, 25, 129, 49), false},
      {"row select: the whole selection", {grRowSelect}, Rect(65, 25, 300, 49), true},
  };
  for (const Case& c : cases) {
    GridFixture f;
    TCellGrid& g = *f.grid;
    g.contents = kNoContents;
    g.SetOptions(g.Options() + c.added);
    const TRaster unfocused = f.Repainted();
    g.SetFocus();
    const TRaster focused = f.Repainted();
    const TRect& r = c.focusRect;
    EXPECT_EQ(unfocused.Pixel(r.left + 5, r.top + 5), ColorToRGB(clHighlight)) << c.name;
    EXPECT_EQ(focused.Pixel(r.left + 5, r.top + 5), ColorToRGB(c.keepsHighlight ? clHighlight : clWindow)) << c.name;
    // A dotted top side from the rectangle's left to its right, and nothing beyond.
    const auto dotted = [&](int x) { return focused.Pixel(x, r.top) != focused.Pixel(x, r.top + 3); };
    int dots = 0;
    for (int x = r.left; x < r.right; ++x) dots += dotted(x);
    EXPECT_GT(dots, r.Width() / 3) << c.name;
    for (int x = r.right; x < 300; ++x) EXPECT_FALSE(dotted(x)) << c.name << " at " << x;
    EXPECT_FALSE(dotted(r.left - 2)) << c.name;
  }

  // A range selection: highlighted but for the focused cell, unless it is drawn too.
  for (const bool focusSelected : {false, true}) {
    GridFixture f;
    TCellGrid& g = *f.grid;
    g.contents = kNoContents;
    if (focusSelected) g.SetOptions(g.Options() + TGridOptionsEh{grDrawFocusSelected});
    g.SetFocus();
    g.MoveAnchor({2, 2});
    const TRaster p = f.Repainted();
    EXPECT_EQ(p.Pixel(160, 60), ColorToRGB(clHighlight)) << "anchor cell";
    EXPECT_EQ(p.Pixel(100, 35), ColorToRGB(focusSelected ? clHighlight : clWindow)) << "focused cell";
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
    const int contraLeft = 300 - 41 - 1;
    const int contraTop = 200 - 31 - 1;
    const TColorRef red = ColorToRGB(clRed);
    EXPECT_GT(test::CountPixels(p, [](int, int, TColorRef c) { return c == ColorToRGB(clRed); }), 1000);
    EXPECT_EQ(test::CountPixels(p, [&](int x, int y, TColorRef c) {
                return c == red && (x >= contraLeft || y >= contraTop);
              }),
              0)
        << "width " << width;
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
      // The system's light falls from the top left in either layout: no 3D edges here.
      g.SetCtl3D(false);
      g.SetColWidths(2, 40);
      g.MoveAnchor({3, 3});
      g.contents = [](TCanvas& canvas, int col, int row, const TRect& rect) {
        canvas.Brush()->SetColor(static_cast<TColor>(0x101010 * (col + 1) + 0x30 * row));
        canvas.FillRect(Rect(rect.left, rect.top, rect.left + 7, rect.bottom));
      };
      if (rightToLeft) g.SetBiDiMode(bdRightToLeft);
      pictures[rightToLeft] = f.Repainted();
    }
    const TRaster& ltr = pictures[0];
    const TRaster& rtl = pictures[1];
    int differing = 0;
    for (int y = 0; y < ltr.Height(); ++y)
      for (int x = 0; x < ltr.Width(); ++x)
        if (rtl.Pixel(x, y) != ltr.Pixel(ltr.Width() - 1 - x, y)) ++differing;
    EXPECT_EQ(differing, 0) << "line width " << lineWidth;
  }
}

// Cells that show which line they are, not where it is: inserted and deleted lines take
// their texts with them.
struct LineNames {
  std::vector<int> cols, rows;
  void Insert(bool rows_, int index, int amount) {
    std::vector<int>& names = rows_ ? rows : cols;
    if (amount > 0)
      names.insert(names.begin() + index, static_cast<size_t>(amount), -1);
    else
      names.erase(names.begin() + index, names.begin() + index - amount);
  }
};

TEST(GridPaint, AScrolledScreenEqualsAFullRepaint) {
  struct Case {
    const char* name;
    std::function<void(TCellGrid&, LineNames&)> change;
  };
  const Case cases[] = {
      {"one row down", [](TCellGrid& g, LineNames&) { g.MoveTopLeft(g.LeftCol(), g.TopRow() + 1); }},
      {"one column right", [](TCellGrid& g, LineNames&) { g.MoveTopLeft(g.LeftCol() + 1, g.TopRow()); }},
      {"both", [](TCellGrid& g, LineNames&) { g.MoveTopLeft(g.LeftCol() + 1, g.TopRow() + 2); }},
      {"thumb jump", [](TCellGrid& g, LineNames&) { g.Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 60), 0); }},
      {"rows inserted",
       [](TCellGrid& g, LineNames& n) {
         n.Insert(true, 3, 2);
         g.AdjustLines(3, 2, true);
       }},
      {"a tall row deleted",
       [](TCellGrid& g, LineNames& n) {
         n.Insert(true, 4, -1);
         g.AdjustLines(4, -1, true);
       }},
      {"columns deleted",
       [](TCellGrid& g, LineNames& n) {
         n.Insert(false, 2, -2);
         g.AdjustLines(2, -2, false);
       }},
      {"size changed", [](TCellGrid& g, LineNames&) { g.ChangeSize(4, 5); }},
  };
  for (const bool contra : {false, true})
    for (const Case& c : cases) {
      GridFixture f(ssBoth);
      TCellGrid& g = *f.grid;
      LineNames names;
      for (int i = 0; i < 50; ++i) names.cols.push_back(i), names.rows.push_back(i);
      g.contents = [&names](TCanvas& canvas, int col, int row, const TRect& rect) {
        canvas.TextRect(rect, rect.left + 2, rect.top + 2, IntToStr(names.cols[col]) + "," + IntToStr(names.rows[row]));
      };
      g.SetColCount(12);
      g.SetRowCount(40);
      g.SetColWidths(3, 90);
      g.SetRowHeights(4, 40);
      if (contra) {
        g.SetContraColCount(1);
        g.SetContraRowCount(1);
      }
      g.SetFocus();
      g.MoveTopLeft(2, 2);
      f.Repainted();
      c.change(g, names);
      f.Settle();
      const TRaster scrolled = f.Picture();
      EXPECT_TRUE(scrolled == f.Repainted()) << c.name << (contra ? " with contra lines" : "");
    }
}

TEST(GridPaint, ALockedGridPaintsNothing) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  g.LockDraw();
  EXPECT_TRUE(RecordedPaint(g).empty());
  g.UnlockDraw();
  g.UnlockDraw();  // at 0 it stays 0: one lock locks again
  EXPECT_FALSE(g.IsDrawLocked());
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
  // The contra rows start after the boundary at 200 - 10 * 6 - 1 = 139; each ends in a line.
  for (int row = 0; row < 10; ++row) {
    const int y = 140 + row * 6 + 5;
    EXPECT_EQ(p.Pixel(100, y), ColorToRGB(clSilver)) << "contra row " << row;
  }
}

}  // namespace
}  // namespace ordvane
