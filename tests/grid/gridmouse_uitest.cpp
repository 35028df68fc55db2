// The cursors the mouse shows over the grid with row and column selection allowed: the
// row-selection arrows over the indicator, the column-selection arrow at a title's lower
// edge, and where they give way (row selection, disallowed selections, record dragging).

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "classlib/ui/Cursors.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

struct MouseFixture : test::DataGridFixture<> {
  MouseFixture() : DataGridFixture(5) {
    for (const char* name : {"ID", "NAME", "CODE"}) Column(name);
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    ui.Process();
  }
  HCURSOR CursorAt(TPoint point) {
    ui.MoveTo(grid, point);
    return ui.Cursor();
  }
  TRect Cell(int rawCol, int row) const { return grid->CellRect(rawCol, row); }
  TPoint Middle(int rawCol, int row) const {
    const TRect cell = Cell(rawCol, row);
    return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  }
};

// Asked while the tests run: the grid registers the pictures while the program starts.
HCURSOR DownArrow() { return LoadCursor("DOWNCUREH"); }
HCURSOR RightArrow() { return LoadCursor("RIGHTCUREH"); }
HCURSOR LeftArrow() { return LoadCursor("LEFTCUREH"); }

TEST(GridMouseCursor, SelectionCursorsAreLoadedDistinctPictures) {
  for (HCURSOR cursor : {DownArrow(), RightArrow(), LeftArrow()}) ASSERT_NE(CursorImage(cursor), nullptr);
  EXPECT_NE(DownArrow(), RightArrow());
  EXPECT_NE(RightArrow(), LeftArrow());
  EXPECT_EQ(CursorImage(DownArrow())->hotSpot, (TPoint{4, 8}));
}

TEST(GridMouseCursor, IndicatorOfDataRowShowsRowSelectionArrow) {
  MouseFixture f;
  EXPECT_EQ(f.CursorAt(f.Middle(0, 2)), RightArrow());
  EXPECT_NE(f.CursorAt(f.Middle(0, 0)), RightArrow()) << "the title's indicator cell";
  EXPECT_NE(f.CursorAt(f.Middle(1, 2)), RightArrow()) << "a data cell";
  f.grid->SetBiDiMode(bdRightToLeft);
  f.ui.Process();
  EXPECT_EQ(f.CursorAt(f.Middle(0, 2)), LeftArrow());

  f.grid->SetAllowedSelections(TDBGridEhAllowedSelections{gstColumns});
  EXPECT_NE(f.CursorAt(f.Middle(0, 2)), LeftArrow());
  f.grid->SetAllowedSelections(TDBGridEhAllowedSelections{gstRecordBookmarks, gstColumns});
  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgMultiSelect});
  EXPECT_NE(f.CursorAt(f.Middle(0, 2)), LeftArrow());
}

TEST(GridMouseCursor, EmptyDatasetShowsNoRowSelectionArrow) {
  MouseFixture f;
  while (!f.data.IsEmpty()) f.data.Delete();
  f.ui.Process();
  EXPECT_NE(f.CursorAt(f.Middle(0, 1)), RightArrow());
}

TEST(GridMouseCursor, LowestSevenPixelsOfTitleShowColumnSelectionArrow) {
  MouseFixture f;
  const TRect title = f.Cell(2, 0);
  ASSERT_GT(title.Height(), 8);
  const int x = (title.left + title.right) / 2;
  EXPECT_EQ(f.CursorAt({x, title.bottom - 1}), DownArrow());
  EXPECT_EQ(f.CursorAt({x, title.bottom - 7}), DownArrow());
  EXPECT_NE(f.CursorAt({x, title.bottom - 8}), DownArrow());
  EXPECT_NE(f.CursorAt({(f.Cell(0, 0).left + f.Cell(0, 0).right) / 2, title.bottom - 1}), DownArrow())
      << "the indicator's title";

  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgRowSelect});
  EXPECT_NE(f.CursorAt({x, title.bottom - 1}), DownArrow());
  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgRowSelect});
  f.grid->SetAllowedSelections(TDBGridEhAllowedSelections{gstRecordBookmarks});
  EXPECT_NE(f.CursorAt({x, title.bottom - 1}), DownArrow());
}

TEST(GridMouseCursor, TitleLowerThanSevenPixelsShowsArrowOverItsWholeHeight) {
  MouseFixture f;
  f.grid->SetRowHeights(0, 6);
  const TRect title = f.Cell(2, 0);
  ASSERT_EQ(title.Height(), 6);
  EXPECT_EQ(f.CursorAt({(title.left + title.right) / 2, title.top}), DownArrow());
}

TEST(GridMouseCursor, IndicatorWhereARecordDragMayStartShowsOrdinaryCursor) {
  MouseFixture f;
  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghRecordMoving});
  f.data.SetRecNo(2);
  f.grid->SelectedRows().SetCurrentRowSelected(true);
  f.ui.Process();
  EXPECT_NE(f.CursorAt(f.Middle(0, 2)), RightArrow()) << "the selected record may be dragged";
  EXPECT_EQ(f.CursorAt(f.Middle(0, 3)), RightArrow());
}

// Clicks the lower edge of a column's title with the modifier key (0: none) held; the
// clicks alternate between the title's thirds, so that two in a row make no double click.
void ClickTitleEdge(MouseFixture& f, int dataCol, Word modifier = 0) {
  static int clicks = 0;
  const TRect title = f.Cell(f.grid->DataToRawColumn(dataCol), 0);
  const int x = title.left + title.Width() * (1 + ++clicks % 2) / 3;
  if (modifier != 0) f.ui.KeyDown(modifier);
  f.ui.Click(f.grid, {x, title.bottom - 2});
  if (modifier != 0) f.ui.KeyUp(modifier);
  f.ui.Process();
}

std::vector<int> SelectedColumns(MouseFixture& f) {
  std::vector<int> indices;
  TDBGridEhSelectionCols& columns = f.grid->Selection().Columns();
  for (int i = 0; i < columns.Count(); ++i) indices.push_back(columns.Items(i)->Index());
  std::sort(indices.begin(), indices.end());
  return indices;
}

TEST(GridMouseColumnSelection, PressAtTitleEdgeSelectsShiftExtendsCtrlToggles) {
  MouseFixture f;
  f.Column("CITY_ID");
  f.ui.Process();
  ClickTitleEdge(f, 1);
  ASSERT_EQ(f.grid->Selection().SelectionType(), gstColumns);
  EXPECT_EQ(SelectedColumns(f), (std::vector<int>{1}));
  ClickTitleEdge(f, 3, VK_SHIFT);
  EXPECT_EQ(SelectedColumns(f), (std::vector<int>{1, 2, 3}));
  ClickTitleEdge(f, 2, VK_CONTROL);
  EXPECT_EQ(SelectedColumns(f), (std::vector<int>{1, 3}));
  ClickTitleEdge(f, 0, VK_CONTROL);
  EXPECT_EQ(SelectedColumns(f), (std::vector<int>{0, 1, 3}));
  ClickTitleEdge(f, 0, VK_SHIFT);
  EXPECT_EQ(SelectedColumns(f), (std::vector<int>{0})) << "the Ctrl-pressed column is the anchor";
  ClickTitleEdge(f, 0, VK_CONTROL);
  EXPECT_NE(f.grid->Selection().SelectionType(), gstColumns) << "the last column left the selection";
  ClickTitleEdge(f, 2);
  EXPECT_EQ(SelectedColumns(f), (std::vector<int>{2}));
}

HCURSOR SplitCursor() { return Screen->Cursors(crHSplit); }

// A grid whose first data column (ID) is frozen, with column sizing allowed.
struct FrozenFixture : MouseFixture {
  FrozenFixture() {
    grid->SetFrozenCols(1);
    ui.Process();
  }
  // The right edge of the frozen column and a height inside the title.
  int Edge() const { return Cell(1, 0).right; }
  int TitleY() const { return Cell(1, 0).top + 3; }
};

TEST(GridSizingZones, AFrozenColumnsZoneRunsFromThreeLeftToFourRightOfItsEdgeInTheTitle) {
  FrozenFixture f;
  ASSERT_EQ(f.grid->GridLineWidth(), 1);
  ASSERT_EQ(f.grid->FixedCols(), 2);
  const int edge = f.Edge();
  EXPECT_EQ(f.CursorAt({edge - 3, f.TitleY()}), SplitCursor());
  EXPECT_EQ(f.CursorAt({edge + 4, f.TitleY()}), SplitCursor());
  EXPECT_NE(f.CursorAt({edge - 4, f.TitleY()}), SplitCursor());
  EXPECT_NE(f.CursorAt({edge + 5, f.TitleY()}), SplitCursor());
  EXPECT_NE(f.CursorAt({edge - 3, f.Middle(1, 2).y}), SplitCursor()) << "a data row";
  const TPoint zone{edge + 4, f.TitleY()};
  EXPECT_NE(f.grid->Perform(CM_DESIGNHITTEST, 0, PointToLParam(zone)), 0) << "the designer passes the mouse";
  EXPECT_EQ(f.grid->Perform(CM_DESIGNHITTEST, 0, PointToLParam(f.Middle(2, 2))), 0);

  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgColumnResize});
  EXPECT_NE(f.CursorAt({edge - 3, f.TitleY()}), SplitCursor()) << "column sizing not allowed";
}

TEST(GridSizingZones, ADragInTheZoneSizesTheFrozenColumnAndADoubleClickFitsIt) {
  FrozenFixture f;
  TColumnEh& id = *f.grid->Columns().Items(0);
  id.SetWidth(60);
  f.ui.Process();
  const int edge = f.Edge();
  f.ui.Press(f.grid, {edge + 4, f.TitleY()});
  f.ui.MoveTo(f.grid, {edge + 40, f.Middle(2, 3).y});
  EXPECT_EQ(f.ui.Cursor(), SplitCursor()) << "while the column is sized, wherever the mouse is";
  f.ui.MoveTo(f.grid, {edge + 34, f.TitleY()});
  f.ui.Release(f.grid, {edge + 34, f.TitleY()});
  f.ui.Process();
  EXPECT_EQ(id.Width(), 90);

  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghDblClickOptimizeColWidth});
  f.ui.DoubleClick(f.grid, {f.Edge() - 3, f.TitleY()});
  f.ui.Process();
  EXPECT_EQ(id.Width(), std::max(4 + TextWidthInFontEh(*id.Title().Font(), "ID"),
                                 4 + TextWidthInFontEh(*id.Font(), "5")));
}

TEST(GridSizingZones, ARowBorderCountsOnlyOverTheIndicator) {
  MouseFixture f;
  f.grid->TCustomGridEh::SetOptions(f.grid->TCustomGridEh::Options() + TGridOptionsEh{grRowSizing});
  const int border = f.Cell(0, 2).bottom;
  const HCURSOR rowSplit = Screen->Cursors(crVSplit);
  EXPECT_EQ(f.CursorAt({f.Middle(0, 2).x, border}), rowSplit);
  EXPECT_NE(f.CursorAt({f.Middle(1, 2).x, border}), rowSplit);
}

TEST(GridSizingZones, AColumnWiderThanTheScrollingAreaTakesTheBordersBeyondIt) {
  MouseFixture f;
  TColumnEh& id = *f.grid->Columns().Items(0);
  id.SetWidth(f.grid->ClientWidth() + 200);
  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghDblClickOptimizeColWidth});
  f.ui.Process();
  f.ui.DoubleClick(f.grid, {f.grid->ClientWidth() - 1, f.Cell(1, 0).top + 3});
  f.ui.Process();
  EXPECT_LT(id.Width(), 100) << "the wide first column was fitted";
}

TEST(GridDocking, ADockKindGridDraggedByTheMouseFiresTheDockEventsOnly) {
  MouseFixture f;
  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgMultiSelect});
  f.grid->SetDragKind(dkDock);
  f.grid->SetDragMode(dmAutomatic);
  std::vector<std::string> events;
  f.grid->OnStartDrag = [&](TObject*) { events.push_back("start drag"); };
  f.grid->OnEndDrag = [&](TObject*, TObject*, int, int) { events.push_back("end drag"); };
  f.grid->OnStartDock = [&](TObject* sender) { events.push_back(sender == f.grid ? "start dock" : "?"); };
  f.grid->OnEndDock = [&](TObject*, TObject* target, int, int) {
    events.push_back(target == nullptr ? "end dock" : "docked");
  };
  const int before = f.data.RecNo();
  f.ui.Press(f.grid, f.Middle(2, 3));
  EXPECT_TRUE(f.grid->Dragging());
  f.ui.MoveTo(f.form.get(), {650, 500});
  f.ui.Release(f.form.get(), {650, 500});
  EXPECT_FALSE(f.grid->Dragging());
  EXPECT_EQ(events, (std::vector<std::string>{"start dock", "end dock"}));
  EXPECT_EQ(f.data.RecNo(), before) << "the press dragged the grid instead of choosing a record";
}

}  // namespace
}  // namespace ordvane
