// The base grid's changes: every refused change with its message and nothing changed,
// the extents kept through inserting, deleting, moving and resizing, the update regions
// the changes leave, and the options.

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "classlib/ui/ScrollBars.h"
#include "tests/gridbase/GridTestSupport.h"

namespace ordvane {
namespace {

using test::ColWidthsOf;
using test::GridFixture;
using test::TCellGrid;

// What a refused change must leave as it was.
struct GridState {
  int colCount, rowCount, fixedCols, fixedRows, contraCols, contraRows, col, row;
  std::vector<int> widths;
  bool operator==(const GridState&) const = default;
};

GridState StateOf(const TCellGrid& g) {
  return {g.ColCount(),       g.RowCount(),       g.FixedCols(), g.FixedRows(), g.ContraColCount(),
          g.ContraRowCount(), g.Col(),            g.Row(),       ColWidthsOf(g)};
}

TEST(GridChanges, EveryRefusedChangeRaisesItsMessageAndChangesNothing) {
  struct Refusal {
    const char* what;
    bool storedWidths;
    std::function<void(TCellGrid&)> change;
    const char* message;
  };
  const char* const range = "Grid index out of range";
  const Refusal refusals[] = {
      {"negative FixedCols", false, [](TCellGrid& g) { g.SetFixedCols(-1); }, range},
      {"negative FixedRows", false, [](TCellGrid& g) { g.SetFixedRows(-1); }, range},
      {"FixedCols = ColCount", false, [](TCellGrid& g) { g.SetFixedCols(5); },
       "Fixed column count must be less than column count"},
      {"FixedRows = RowCount", false, [](TCellGrid& g) { g.SetFixedRows(6); },
       "Fixed row count must be less than row count"},
      {"negative ContraColCount", true, [](TCellGrid& g) { g.SetContraColCount(-1); },
       "FContraColCount can not be negative."},
      {"negative ContraRowCount", false, [](TCellGrid& g) { g.SetContraRowCount(-2); },
       "FContraRowCount can not be negative."},
      {"width past the full count", true, [](TCellGrid& g) { g.SetColWidths(7, 10); }, range},
      {"height at -1", false, [](TCellGrid& g) { g.SetRowHeights(-1, 10); }, range},
      {"tab stop past the full count", false, [](TCellGrid& g) { g.SetTabStops(7, false); }, range},
      {"current column past the grid", false, [](TCellGrid& g) { g.MoveCurrent(5, 1, true, true); }, range},
      {"current row at -1", false, [](TCellGrid& g) { g.MoveCurrent(1, -1, true, true); }, range},
      {"column moved past the end, widths stored", true, [](TCellGrid& g) { g.MoveColumn(1, 7); }, range},
      {"column moved past the end, nothing stored", false, [](TCellGrid& g) { g.MoveColumn(1, 7); }, range},
      {"column moved from -1", true, [](TCellGrid& g) { g.MoveColumn(-1, 2); }, range},
      {"row moved past the end", false, [](TCellGrid& g) { g.MoveRow(6, 1); }, range},
      {"deletion past the last column", true, [](TCellGrid& g) { g.AdjustLines(3, -3, false); },
       "Too many rows or columns deleted"},
      {"deletion past the last row, nothing stored", false, [](TCellGrid& g) { g.AdjustLines(4, -3, true); },
       "Too many rows or columns deleted"},
      {"insertion at -1", true, [](TCellGrid& g) { g.AdjustLines(-1, 1, false); }, range},
      {"insertion reaching the limit", true,
       [](TCellGrid& g) { g.AdjustLines(0, TGridExtents::kLimit - 7, false); }, "Grid too large for operation"},
      {"size reaching the limit with stored widths", true,
       [](TCellGrid& g) { g.ChangeSize(TGridExtents::kLimit, 6); }, "Grid too large for operation"},
      {"ContraColCount at INT_MAX", false, [](TCellGrid& g) { g.SetContraColCount(INT_MAX); },
       "Grid too large for operation"},
      {"ContraRowCount at INT_MAX", false, [](TCellGrid& g) { g.SetContraRowCount(INT_MAX); },
       "Grid too large for operation"},
      {"contra columns reaching the limit", true,
       [](TCellGrid& g) { g.SetContraColCount(TGridExtents::kLimit - 5); }, "Grid too large for operation"},
      {"size reaching the limit with the contra columns, nothing stored", false,
       [](TCellGrid& g) { g.ChangeSize(TGridExtents::kLimit - 2, 6); }, "Grid too large for operation"},
      {"size change refused by a descendant", false,
       [](TCellGrid& g) {
         g.failNextSizeChange = true;
         g.SetRowCount(9);
       },
       "size refused"},
  };
  for (const Refusal& r : refusals) {
    GridFixture f;
    TCellGrid& g = *f.grid;
    g.SetRowCount(6);
    g.SetContraColCount(2);
    if (r.storedWidths)
      for (int col = 0; col < g.FullColCount(); ++col) g.SetColWidths(col, 20 + col);
    f.Settle();
    const GridState before = StateOf(g);
    try {
      r.change(g);
      ADD_FAILURE() << r.what << ": nothing raised";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), r.message) << r.what;
    }
    EXPECT_EQ(StateOf(g), before) << r.what;
  }
}

TEST(GridChanges, AFailedSizeChangeRepaintsTheWholeGrid) {
  GridFixture f;
  f.grid->failNextSizeChange = true;
  EXPECT_THROW(f.grid->SetColCount(8), EInvalidOperation);
  EXPECT_EQ(f.grid->ColCount(), 5);
  EXPECT_EQ(f.Invalid(), TRegion(Rect(0, 0, 300, 200)));
  EXPECT_EQ(f.grid->log, (std::vector<std::string>{"SizeChanged 5 5", "SizeChanged 5 5"}));
}

TEST(GridChanges, InsertingDeletingAndResizingKeepTheOtherLinesWidths) {
  struct Step {
    const char* what;
    std::function<void(TCellGrid&)> change;
    std::vector<int> widths;  // the full count, contra columns last
  };
  const Step steps[] = {
      {"start: 10 + index, contra 90 and 91", [](TCellGrid&) {}, {10, 11, 12, 13, 14, 90, 91}},
      {"two inserted at 2", [](TCellGrid& g) { g.AdjustLines(2, 2, false); }, {10, 11, 64, 64, 12, 13, 14, 90, 91}},
      {"two deleted at 1", [](TCellGrid& g) { g.AdjustLines(1, -2, false); }, {10, 64, 12, 13, 14, 90, 91}},
      {"ColCount grows: inserted before the contra columns", [](TCellGrid& g) { g.SetColCount(7); },
       {10, 64, 12, 13, 14, 64, 64, 90, 91}},
      {"ColCount shrinks: removed before the contra columns", [](TCellGrid& g) { g.SetColCount(3); },
       {10, 64, 12, 90, 91}},
      {"column 0 moved to 2", [](TCellGrid& g) { g.MoveColumn(0, 2); }, {64, 12, 10, 90, 91}},
      {"a contra column moved to 0", [](TCellGrid& g) { g.MoveColumn(4, 0); }, {91, 64, 12, 10, 90}},
      {"one more contra column", [](TCellGrid& g) { g.SetContraColCount(3); }, {91, 64, 12, 10, 90, 64}},
      {"column 1 deleted", [](TCellGrid& g) { g.DeleteColumn(1); }, {91, 12, 10, 90, 64}},
  };
  GridFixture f;
  TCellGrid& g = *f.grid;
  g.SetContraColCount(2);
  for (int col = 0; col < 5; ++col) g.SetColWidths(col, 10 + col);
  g.SetColWidths(5, 90);
  g.SetColWidths(6, 91);
  for (const Step& step : steps) {
    step.change(g);
    EXPECT_EQ(ColWidthsOf(g), step.widths) << step.what;
  }
}

TEST(GridChanges, CountsLowerTheFixedCountsAndAppendWithoutContraLines) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  g.SetColWidths(1, 11);
  g.SetColWidths(3, 33);
  g.SetRowHeights(2, 22);
  g.SetFixedCols(3);
  g.SetColCount(3);
  EXPECT_EQ(g.FixedCols(), 2);
  g.SetColCount(6);
  EXPECT_EQ(ColWidthsOf(g), (std::vector<int>{64, 11, 64, 64, 64, 64}));
  g.SetRowCount(0);
  EXPECT_EQ(g.RowCount(), 1);
  EXPECT_EQ(g.FixedRows(), 0);
  g.SetRowCount(4);
  EXPECT_EQ(g.RowHeights(2), 24);

  g.SetRowHeights(3, 40);
  g.SetDefaultRowHeight(30);
  EXPECT_EQ(g.RowHeights(3), 30);
  EXPECT_EQ(g.RowHeights(-1), 30);
  EXPECT_EQ(g.ColWidths(-5), 64);
}

TEST(GridChanges, ContraSizeResizesTheStoredArraysInvalidatesAndRanges) {
  GridFixture f(ssBoth, Rect(0, 0, 400, 200));
  TCellGrid& g = *f.grid;
  g.SetColWidths(4, 44);
  g.SetTabStops(2, false);
  g.SetRowHeights(1, 11);
  f.Settle();
  int low = -1;
  int high = -1;
  GetScrollRange(g.Handle(), SB_HORZ, low, high);
  EXPECT_EQ(high, 0) << "five columns fit in 400 pixels";
  g.SetContraColCount(2);
  g.SetContraRowCount(1);
  EXPECT_EQ(ColWidthsOf(g), (std::vector<int>{64, 64, 64, 64, 44, 64, 64}));
  EXPECT_FALSE(g.TabStops(2));
  EXPECT_TRUE(g.TabStops(6));
  EXPECT_EQ(g.RowHeights(5), 24);
  EXPECT_EQ(g.RowHeights(1), 11);
  EXPECT_TRUE(TRegion::Combine(TRegion(g.ClientRect()), f.Invalid(), RGN_DIFF).Empty()) << "all repainted";
  GetScrollRange(g.Handle(), SB_HORZ, low, high);
  EXPECT_EQ(high, 127) << "two contra columns of 65 take the room of the last scrolling one";
}

TEST(GridChanges, MovingAColumnCarriesWidthTabStopAndTheIndexesThatFollowIt) {
  struct Move {
    int from, to;
    int current, anchor;                  // columns before the move
    int currentAfter, anchorAfter, widthAt, tabStopAt;  // after: where the moved width and tab stop are
  };
  const Move moves[] = {
      {1, 4, 1, 3, 4, 2, 4, 4},  // the moved one follows, one between shifts down
      {4, 1, 2, 4, 3, 1, 1, 1},  // one between shifts up, the moved one follows
      {2, 3, 1, 4, 1, 4, 3, 3},  // outside the range nothing moves
  };
  for (const Move& m : moves) {
    GridFixture f;
    TCellGrid& g = *f.grid;
    g.SetColWidths(m.from, 77);
    g.SetTabStops(m.from, false);
    g.MoveCurrent(m.current, 1, true, false);
    g.MoveAnchor({m.anchor, 1});
    g.MoveColumn(m.from, m.to);
    EXPECT_EQ(g.Col(), m.currentAfter) << m.from << " to " << m.to;
    EXPECT_EQ(g.Anchor().X, m.anchorAfter) << m.from << " to " << m.to;
    EXPECT_EQ(g.ColWidths(m.widthAt), 77);
    EXPECT_FALSE(g.TabStops(m.tabStopAt));
    EXPECT_EQ(g.log.back(), "ColumnMoved " + IntToStr(m.from) + " " + IntToStr(m.to));
  }
}

TEST(GridChanges, InsertedAndDeletedRowsScrollTheWindowByTheirRoom) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  g.SetColCount(20);
  g.SetRowCount(50);
  g.MoveCurrent(2, 5, true, false);
  f.Settle();
  // Rows are 25 pixels with their line; row 3 starts at 75. The rows' fixed cells move
  // with them. The change paints at once what the move uncovered.
  g.paints.clear();
  g.AdjustLines(3, 2, true);
  EXPECT_EQ(g.Row(), 7);
  EXPECT_EQ(g.paints, (std::vector<TRect>{Rect(0, 75, 300, 125)})) << "two new rows of 25 uncovered";
  g.SetRowHeights(3, 30);
  g.SetRowHeights(4, 40);
  f.Settle();
  g.paints.clear();
  g.AdjustLines(3, -2, true);
  EXPECT_EQ(g.Row(), 5);
  EXPECT_EQ(g.RowHeights(3), 24);
  EXPECT_EQ(g.paints, (std::vector<TRect>{Rect(0, 128, 300, 200)})) << "rows of 31 and 41 removed";
  g.AdjustLines(4, -2, true);
  EXPECT_EQ(g.Row(), 4) << "a current row inside the deleted range goes to its start";
}

TEST(GridChanges, AnInsertedColumnScrollsTheWindowTowardsTheFarSide) {
  for (const bool rightToLeft : {false, true}) {
    GridFixture f;
    TCellGrid& g = *f.grid;
    g.SetColCount(20);
    g.SetRowCount(50);
    if (rightToLeft) g.SetBiDiMode(bdRightToLeft);
    f.Settle();
    g.paints.clear();
    // Column 2 starts at 130; the columns from there, titles included, move one column
    // of 65 on.
    g.AdjustLines(2, 1, false);
    EXPECT_EQ(g.paints, (std::vector<TRect>{rightToLeft ? Rect(105, 0, 170, 200) : Rect(130, 0, 195, 200)}));
  }
}

TEST(GridChanges, ASizeChangeInvalidatesOnlyWhatAppearedUnlessTheViewIsVirtual) {
  for (const bool virtualView : {false, true}) {
    GridFixture f;
    TCellGrid& g = *f.grid;
    g.SetVirtualView(virtualView);
    f.Settle();
    g.SetRowCount(6);
    // Rows 1..4 were wholly visible; from row 4 (at 100) down may differ.
    EXPECT_EQ(f.Invalid(), TRegion(virtualView ? Rect(0, 0, 300, 200) : Rect(0, 100, 300, 200)));
  }
}

TEST(GridChanges, ASizedWindowRepaintsAllOnlyWithContraCellsOrRightToLeft) {
  struct Sizing {
    const char* what;
    std::function<void(TCellGrid&)> setup;
    TRect invalid;
  };
  const Sizing sizings[] = {
      {"plain", [](TCellGrid&) {}, Rect(300, 0, 320, 200)},
      {"contra row", [](TCellGrid& g) { g.SetContraRowCount(1); }, Rect(0, 0, 320, 200)},
      {"right to left", [](TCellGrid& g) { g.SetBiDiMode(bdRightToLeft); }, Rect(0, 0, 320, 200)},
  };
  for (const Sizing& s : sizings) {
    GridFixture f;
    s.setup(*f.grid);
    f.Settle();
    f.grid->SetWidth(320);
    EXPECT_EQ(f.Invalid(), TRegion(s.invalid)) << s.what;
  }
}

TEST(GridChanges, RowSelectDropsAlwaysShowEditorAndSpansTheRow) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  g.SetFixedCols(2);
  g.MoveCurrent(3, 2, true, false);
  g.SetOptions(g.Options() + TGridOptionsEh{grRowSelect, grAlwaysShowEditor});
  EXPECT_TRUE(g.Options().Contains(grRowSelect));
  EXPECT_FALSE(g.Options().Contains(grAlwaysShowEditor));
  EXPECT_EQ(g.Col(), 2);
  EXPECT_EQ(g.Anchor().X, 4);
  EXPECT_EQ(g.Selection(), (TGridRect{2, 2, 4, 2}));
  g.SetColCount(8);
  EXPECT_EQ(g.Anchor().X, 7);
}

TEST(GridChanges, TheWindowFollowsBorderCtl3DScrollBarsAndOptions) {
  struct Window {
    TBorderStyle border;
    bool ctl3D;
    TScrollStyle bars;
    TGridOptionsEh extra;
    UINT style, exStyle;
    LRESULT dialogCode;
  };
  const Window windows[] = {
      {bsSingle, true, ssBoth, {}, WS_HSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE, DLGC_WANTARROWS},
      {bsSingle, false, ssVertical, {grTabs}, WS_BORDER | WS_VSCROLL, 0, DLGC_WANTARROWS | DLGC_WANTTAB},
      {bsNone, true, ssHorizontal, {grEditing}, WS_HSCROLL, 0, DLGC_WANTARROWS | DLGC_WANTCHARS},
      {bsNone, true, ssNone, {grTabs, grEditing, grRowSelect}, 0, 0, DLGC_WANTARROWS},
  };
  for (const Window& w : windows) {
    GridFixture f;
    TCellGrid& g = *f.grid;
    g.SetCtl3D(w.ctl3D);
    g.SetBorderStyle(w.border);
    g.SetScrollBars(w.bars);
    g.SetColCount(30);  // both bars needed
    g.SetRowCount(30);
    g.SetOptions(g.Options() + w.extra);
    const auto style = static_cast<UINT>(GetWindowLong(g.Handle(), GWL_STYLE));
    const auto exStyle = static_cast<UINT>(GetWindowLong(g.Handle(), GWL_EXSTYLE));
    const UINT watched = WS_BORDER | WS_HSCROLL | WS_VSCROLL;
    EXPECT_EQ(style & watched, w.style);
    EXPECT_EQ(exStyle & WS_EX_CLIENTEDGE, w.exStyle);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_EQ(GetClassLong(g.Handle(), GCL_STYLE), CS_DBLCLKS);
    EXPECT_EQ(g.Perform(WM_GETDLGCODE, 0, 0), w.dialogCode);
  }
}

TEST(GridChanges, TheDrawLockCountsDownNoFurtherThanZero) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  g.UnlockDraw();
  g.LockDraw();
  g.LockDraw();
  g.UnlockDraw();
  EXPECT_TRUE(g.IsDrawLocked());
  g.UnlockDraw();
  EXPECT_FALSE(g.IsDrawLocked());
}

TEST(GridChanges, ARefusedCellKeepsTheCurrentCell) {
  GridFixture f;
  f.grid->refusedCol = 3;
  f.grid->SetCol(3);
  EXPECT_EQ(f.grid->Col(), 1);
  f.grid->SetCol(2);
  EXPECT_EQ(f.grid->Col(), 2);
}

}  // namespace
}  // namespace ordvane
