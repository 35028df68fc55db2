// The base grid's scrolling: scroll-bar ranges and positions, every scroll code, the
// pixel scrolling of a one-column grid, and the window contents moved instead of
// repainted.

#include <gtest/gtest.h>

#include "classlib/core/Math.h"
#include "tests/gridbase/GridTestSupport.h"

namespace ordvane {
namespace {

using test::GridFixture;
using test::TCellGrid;

int RangeMax(TCellGrid& g, int bar) {
  int low = -1;
  int high = -1;
  GetScrollRange(g.Handle(), bar, low, high);
  EXPECT_EQ(low, 0);
  return high;
}

TEST(GridScroll, TheHorizontalRangeFollowsTheVerticalBarComingAndGoing) {
  GridFixture f(ssBoth);
  TCellGrid& g = *f.grid;
  // 65 + 101 + 121 = 287 pixels fit in 300 but not beside a vertical bar.
  g.SetColCount(3);
  g.SetColWidths(1, 100);
  g.SetColWidths(2, 120);
  g.SetRowCount(3);
  EXPECT_EQ(RangeMax(g, SB_HORZ), 0);
  EXPECT_EQ(RangeMax(g, SB_VERT), 0);
  EXPECT_EQ(g.ClientWidth(), 300);

  g.SetRowCount(20);
  EXPECT_EQ(RangeMax(g, SB_VERT), 127);
  EXPECT_EQ(g.ClientWidth(), 300 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(RangeMax(g, SB_HORZ), 127);

  g.SetRowCount(3);
  EXPECT_EQ(RangeMax(g, SB_VERT), 0);
  EXPECT_EQ(RangeMax(g, SB_HORZ), 0);
  EXPECT_EQ(g.ClientWidth(), 300);
}

TEST(GridScroll, PositionsAreProportionalAndMirroredRightToLeft) {
  GridFixture f(ssBoth);
  TCellGrid& g = *f.grid;
  g.SetColCount(2);
  g.SetRowCount(100);
  // 200 pixels: seven rows of 25 behind the fixed one, so the greatest top row is 93.
  g.SetTopRow(24);
  EXPECT_EQ(GetScrollPos(g.Handle(), SB_VERT), MulDiv(23, 127, 92));
  EXPECT_EQ(GetScrollPos(g.Handle(), SB_VERT), 32);

  GridFixture wide(ssBoth);
  TCellGrid& w = *wide.grid;
  w.SetColCount(20);
  w.SetRowCount(2);
  w.SetLeftCol(5);  // greatest left column 17
  EXPECT_EQ(GetScrollPos(w.Handle(), SB_HORZ), 32);
  w.SetBiDiMode(bdRightToLeft);
  w.SetLeftCol(6);
  EXPECT_EQ(GetScrollPos(w.Handle(), SB_HORZ), 127 - MulDiv(5, 127, 16));
}

TEST(GridScroll, EachScrollCodeMovesTheTopRowItsOwnWay) {
  struct Code {
    const char* name;
    WPARAM code;
    int thumb;
    bool tracking;
    int start;
    int topRow;
  };
  const Code codes[] = {
      {"line down", SB_LINEDOWN, 0, false, 10, 11},
      {"line up", SB_LINEUP, 0, false, 10, 9},
      {"page down: the wholly visible rows less one", SB_PAGEDOWN, 0, false, 10, 16},
      {"page up: as many as fit before", SB_PAGEUP, 0, false, 10, 3},
      {"page up near the top", SB_PAGEUP, 0, false, 2, 1},
      {"thumb position", SB_THUMBPOSITION, 64, false, 10, 1 + MulDiv(64, 92, 127)},
      {"thumb track without tracking", SB_THUMBTRACK, 64, false, 10, 10},
      {"thumb track with tracking", SB_THUMBTRACK, 64, true, 10, 47},
      {"top", SB_TOP, 0, false, 10, 1},
      {"bottom", SB_BOTTOM, 0, false, 10, 93},
      {"line down at the bottom", SB_LINEDOWN, 0, false, 93, 93},
      {"end of scroll", SB_ENDSCROLL, 0, false, 10, 10},
  };
  for (const Code& c : codes) {
    GridFixture f(ssBoth);
    TCellGrid& g = *f.grid;
    g.SetColCount(2);
    g.SetRowCount(100);
    if (c.tracking) g.SetOptions(g.Options() + TGridOptionsEh{grThumbTracking});
    g.SetTopRow(c.start);
    g.Perform(WM_VSCROLL, MAKEWPARAM(c.code, c.thumb), 0);
    EXPECT_EQ(g.TopRow(), c.topRow) << c.name;
    EXPECT_TRUE(g.Focused()) << c.name;
  }
}

TEST(GridScroll, LineStepsPassOverHiddenLinesAndFollowTheLayoutDirection) {
  GridFixture f(ssBoth);
  TCellGrid& g = *f.grid;
  g.SetColCount(20);
  g.SetRowCount(100);
  g.SetRowHeights(11, 0);
  g.SetRowHeights(12, -1);
  g.SetTopRow(10);
  g.Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(g.TopRow(), 13);
  g.Perform(WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(g.TopRow(), 10);

  g.SetLeftCol(5);
  g.Perform(WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(g.LeftCol(), 6);
  g.SetBiDiMode(bdRightToLeft);
  g.Perform(WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(g.LeftCol(), 5);
}

TEST(GridScroll, AOneColumnGridScrollsByPixels) {
  GridFixture f(ssBoth);
  TCellGrid& g = *f.grid;
  g.SetColCount(1);
  g.SetRowCount(3);
  g.SetColWidths(0, 500);
  ASSERT_EQ(g.FixedCols(), 0);
  EXPECT_EQ(RangeMax(g, SB_HORZ), 200);
  // The step of a line is the width of "0" in the grid's font, measured apart.
  TBitmap probe(10, 10);
  probe.Canvas()->SetFont(*g.Font());
  const int zero = probe.Canvas()->TextWidth("0");
  ASSERT_GT(zero, 0);
  struct Step {
    WPARAM code;
    int thumb;
    int offset;
  };
  const Step steps[] = {{SB_LINEDOWN, 0, zero},        {SB_LINEDOWN, 0, 2 * zero}, {SB_LINEUP, 0, zero},
                        {SB_PAGEDOWN, 0, 200},         {SB_LINEUP, 0, 200 - zero}, {SB_PAGEUP, 0, 0},
                        {SB_THUMBPOSITION, 50, 50},    {SB_BOTTOM, 0, 200},        {SB_TOP, 0, 0}};
  for (const Step& s : steps) {
    g.Perform(WM_HSCROLL, MAKEWPARAM(s.code, s.thumb), 0);
    EXPECT_EQ(g.ColOffset(), s.offset) << "code " << s.code;
    EXPECT_EQ(GetScrollPos(g.Handle(), SB_HORZ), s.offset);
    EXPECT_EQ(g.LeftCol(), 0);
  }
}

TEST(GridScroll, MovingWithinAScreenScrollsThePixelsBeyondItRepaintsAll) {
  GridFixture f;
  TCellGrid& g = *f.grid;
  g.SetColCount(20);
  g.SetRowCount(50);
  f.Settle();
  g.MoveTopLeft(1, 2);  // one row of 25 down: the bottom band is uncovered
  EXPECT_EQ(f.Invalid(), TRegion(Rect(0, 175, 300, 200)));
  f.Settle();
  g.MoveTopLeft(3, 2);  // two columns of 65 right
  EXPECT_EQ(f.Invalid(), TRegion(Rect(170, 0, 300, 200)));
  f.Settle();
  g.MoveTopLeft(2, 3);  // one column back, one row down: the five parts move apart
  const TRegion expected = TRegion::Combine(TRegion(Rect(65, 0, 130, 200)), TRegion(Rect(0, 175, 300, 200)), RGN_OR);
  EXPECT_EQ(f.Invalid(), expected);
  f.Settle();
  g.MoveTopLeft(2, 30);
  EXPECT_EQ(f.Invalid(), TRegion(Rect(0, 0, 300, 200)));
  f.Settle();
  g.SetBiDiMode(bdRightToLeft);
  f.Settle();
  g.MoveTopLeft(4, 30);  // mirrored: the uncovered band is at the left
  EXPECT_EQ(f.Invalid(), TRegion(Rect(0, 0, 130, 200)));
}

}  // namespace
}  // namespace ordvane
