// The base grid's geometry: draw information, point to cell, cell rectangles and the
// greatest top-left, against pixel sums worked out by hand for each layout.

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "tests/gridbase/GridTestSupport.h"

namespace ordvane {

namespace {

using test::GridFixture;
using test::TCellGrid;

// The axis fields that carry numbers, in declaration order: line width, fixed, grid,
// extent, last fully visible, full-visible boundary, fixed count, first cell, count,
// fixed data boundary, fixed data count, contra count, contra boundary, client, full grid
// boundary, full count, origin shift.
using AxisNumbers = std::array<int, 17>;

AxisNumbers Numbers(const TGridAxisDrawInfoEh& a) {
  return {a.EffectiveLineWidth, a.FixedBoundary,     a.GridBoundary,     a.GridExtent,   a.LastFullVisibleCell,
          a.FullVisBoundary,    a.FixedCellCount,    a.FirstGridCell,    a.GridCellCount, a.FixedDataBoundary,
          a.FixedDataCount,     a.ContraCellCount,   a.ContraBoundary,   a.ClientExtent, a.FullGridBoundary,
          a.FullCellCount,      a.OriginShift};
}

// Six columns: 30, 40 (the fixed data column), then 0 (a line only), -1 (no room at all),
// 50, 64, and one contra column of 20; the grid is 300 pixels wide.
void MixedColumns(TCellGrid& g) {
  g.SetColCount(6);
  g.SetFixedCols(2);
  g.SetFixedDataCols(1);
  g.SetContraColCount(1);
  const int widths[] = {30, 40, 0, -1, 50, 64, 20};
  for (int col = 0; col < 7; ++col) g.SetColWidths(col, widths[col]);
}

struct DrawInfoCase {
  const char* name;
  std::function<void(TCellGrid&)> setup;
  AxisNumbers horz;
};

TEST(GridLayout, DrawInformationMatchesTheSumsOfEachLayout) {
  const DrawInfoCase cases[] = {
      {"plain: 64 + 1 per column, the fifth cut at the client edge", [](TCellGrid&) {},
       {1, 65, 300, 300, 3, 260, 1, 1, 5, 65, 0, 0, 300, 300, 300, 5, 0}},
      {"fixed data, hidden lines and a contra column", MixedColumns,
       {1, 72, 189, 278, 5, 189, 2, 2, 6, 31, 1, 1, 278, 300, 300, 7, 0}},
      {"line width 3 and a window origin shift of 10",
       [](TCellGrid& g) {
         g.SetGridLineWidth(3);
         g.SetWindowOriginShift(10);
       },
       {3, 67, 310, 300, 3, 258, 1, 1, 5, 67, 0, 0, 300, 300, 310, 5, 10}},
      {"no line options: line width 0",
       [](TCellGrid& g) { g.SetOptions({grRangeSelect}); },
       {0, 64, 300, 300, 3, 256, 1, 1, 5, 64, 0, 0, 300, 300, 300, 5, 0}},
      {"scrolled to column 5, fixed data count -1 counts as 0",
       [](TCellGrid& g) {
         g.SetColCount(10);
         g.SetFixedCols(2);
         g.SetFixedDataCols(-1);
         g.SetLeftCol(5);
       },
       {1, 130, 300, 300, 6, 260, 2, 5, 10, 130, 0, 0, 300, 300, 300, 10, 0}},
      {"fixed data count beyond the fixed count counts as the fixed count",
       [](TCellGrid& g) {
         g.SetColCount(10);
         g.SetFixedCols(2);
         g.SetFixedDataCols(3);
       },
       {1, 130, 300, 300, 3, 260, 2, 2, 10, 0, 2, 0, 300, 300, 300, 10, 0}},
  };
  for (const DrawInfoCase& c : cases) {
    GridFixture f;
    c.setup(*f.grid);
    TGridDrawInfo info;
    f.grid->ComputeDrawInfo(info);
    EXPECT_EQ(Numbers(info.Horz), c.horz) << c.name;
  }
}

// Minus the line width is a line that takes no room, whatever the line width; below it
// a width is refused.
TEST(GridLayout, MinusTheLineWidthIsALineThatTakesNoRoom) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  g.SetGridLineWidth(2);
  g.SetColWidths(2, -2);
  g.SetRowHeights(2, -2);
  g.SetDefaultColWidth(-2);
  g.SetDefaultColWidth(64);
  // 64 + 2 per column: the third ends where the second's line does.
  EXPECT_EQ(g.CellRect(1, 1).right, 130);
  EXPECT_EQ(g.CellRect(3, 1).left, 132);
  EXPECT_EQ(g.CellRect(1, 3).top, g.CellRect(1, 1).bottom + 2);
  try {
    g.SetColWidths(2, -3);
    ADD_FAILURE() << "accepted";
  } catch (const EInvalidGridOperationEh& e) {
    EXPECT_EQ(e.Message(), "ColWidths -3 is outside -2..32767");
  }
  EXPECT_EQ(g.ColWidths(2), -2);
}

TEST(GridLayout, RowsWithAContraRowEndAtTheirBoundary) {
  GridFixture f;
  f.grid->SetContraRowCount(1);
  TGridDrawInfo info;
  f.grid->ComputeDrawInfo(info);
  // 24 + 1 per row; the contra row takes 25 and its boundary line 1 off the bottom.
  EXPECT_EQ(Numbers(info.Vert), (AxisNumbers{1, 25, 125, 174, 4, 125, 1, 1, 5, 25, 0, 1, 174, 200, 200, 6, 0}));
}

TEST(GridLayout, PointToCellWalksFixedScrollingAndContraCellsBothWays) {
  struct Hit {
    int x;
    int col;
  };
  // In the mixed layout: column 0 covers 0..29 and its line 30, column 1 31..71, column 2
  // is only the line 72, column 3 takes nothing, column 4 73..123, column 5 124..188,
  // nothing until the contra boundary line 278, the contra column 279..299.
  const Hit hits[] = {{0, 0},   {30, 0},   {31, 1},   {71, 1},   {72, 2},   {73, 4},  {123, 4}, {124, 5},
                      {188, 5}, {189, -1}, {278, -1}, {279, 6},  {299, 6},  {300, -1}, {-1, -1}};
  for (const bool rightToLeft : {false, true}) {
    GridFixture f;
    MixedColumns(*f.grid);
    if (rightToLeft) f.grid->SetBiDiMode(bdRightToLeft);
    for (const Hit& hit : hits) {
      const int x = rightToLeft ? 299 - hit.x : hit.x;
      const TGridCoord cell = f.grid->MouseCoord(x, 5);
      const TGridCoord expected = hit.col < 0 ? TGridCoord{-1, -1} : TGridCoord{hit.col, 0};
      EXPECT_EQ(cell.X, expected.X) << "x " << x << (rightToLeft ? " right to left" : "");
      EXPECT_EQ(cell.Y, expected.Y) << "x " << x;
    }
    // Below the last row the row is -1 and so is the column.
    EXPECT_EQ(f.grid->MouseCoord(rightToLeft ? 299 - 80 : 80, 125).X, -1);
    // The contra column is a real index, which the current cell may not take.
    const TGridCoord contra = f.grid->MouseCoord(rightToLeft ? 10 : 289, 30);
    EXPECT_EQ(contra.X, 6);
    try {
      f.grid->MoveCurrent(contra.X, contra.Y, true, true);
      ADD_FAILURE() << "a contra cell became current";
    } catch (const EInvalidGridOperationEh& e) {
      EXPECT_EQ(e.Message(), "Grid index out of range");
    }
    EXPECT_EQ(f.grid->Col(), 2);
  }
}

TEST(GridLayout, BoxRectsOfVisiblePartlyVisibleScrolledOutAndContraRanges) {
  struct Box {
    const char* name;
    std::function<void(TCellGrid&)> setup;
    TGridRect range;
    TRect expected;
  };
  const auto scrolled = [](TCellGrid& g) {
    g.SetColCount(10);
    g.SetFixedCols(2);
    g.SetLeftCol(5);
  };
  const Box boxes[] = {
      {"one scrolling cell", MixedColumns, {4, 0, 4, 0}, Rect(73, 0, 123, 24)},
      {"the contra cell", MixedColumns, {6, 1, 6, 1}, Rect(279, 25, 299, 49)},
      {"a range into the contra cells", MixedColumns, {5, 0, 9, 0}, Rect(124, 0, 299, 24)},
      {"a range ending on the cut cell", [](TCellGrid&) {}, {1, 1, 4, 1}, Rect(65, 25, 300, 49)},
      {"a range beyond the cut cell ends there", [](TCellGrid& g) { g.SetColCount(9); }, {2, 1, 8, 2},
       Rect(130, 25, 300, 74)},
      {"fixed through scrolling", scrolled, {0, 0, 5, 0}, Rect(0, 0, 194, 24)},
      {"scrolled out", scrolled, {2, 1, 4, 1}, Rect(0, 0, 0, 0)},
      {"starting in the scrolled-out gap", scrolled, {3, 1, 5, 1}, Rect(130, 25, 194, 49)},
  };
  for (const Box& box : boxes) {
    for (const bool rightToLeft : {false, true}) {
      GridFixture f;
      box.setup(*f.grid);
      if (rightToLeft) f.grid->SetBiDiMode(bdRightToLeft);
      const TGridRect& r = box.range;
      const TRect expected = rightToLeft && !IsRectEmpty(box.expected)
                                 ? Rect(300 - box.expected.right, box.expected.top, 300 - box.expected.left,
                                        box.expected.bottom)
                                 : box.expected;
      EXPECT_EQ(f.grid->BoxRect(r.Left, r.Top, r.Right, r.Bottom), expected)
          << box.name << (rightToLeft ? ", right to left" : "");
    }
  }
}

TEST(GridLayout, GreatestTopLeftKeepsTheLastCellWholeAndLeftColNeverPassesIt) {
  GridFixture f(ssBoth);
  TCellGrid& g = *f.grid;
  TGridDrawInfo info;
  g.ComputeDrawInfo(info);
  // 65 per column, 301 pixels with the closing line: columns 2, 3 and 4 fit behind the
  // fixed one, rows all fit.
  EXPECT_EQ(g.CalcMaxTopLeft({4, 4}, info), (TGridCoord{2, 1}));

  g.SetColCount(4);
  g.SetFixedCols(3);
  for (int col = 0; col < 4; ++col) g.SetColWidths(col, 400);
  g.ComputeDrawInfo(info);
  EXPECT_EQ(g.CalcMaxTopLeft({3, 4}, info).X, 3);
  for (const WPARAM code : {SB_LINEDOWN, SB_PAGEDOWN, SB_BOTTOM, SB_LINEDOWN}) {
    g.Perform(WM_HSCROLL, code, 0);
    EXPECT_EQ(g.LeftCol(), 3);
  }
  g.SetLeftCol(3);
  EXPECT_EQ(g.VisibleColCount(), 1);
}

}  // namespace
}  // namespace ordvane
