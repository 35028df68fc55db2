// The grid under a moving mouse: a held title turning into a column move, selections that
// follow the mouse, the timed scroll beyond the data, live column sizing, and the drag a
// press on the selection holds back.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "classlib/ui/SysMetrics.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

// Counts the ticks of the timed scroll.
class TTimedGrid : public test::TDataGrid {
 public:
  using TDataGrid::TDataGrid;
  int scrolls = 0;

 protected:
  void DoTimerScroll() override {
    ++scrolls;
    TDataGrid::DoTimerScroll();
  }
};

struct MoveFixture : test::DataGridFixture<test::TMemDataSet, TTimedGrid> {
  explicit MoveFixture(int records = 10, std::vector<const char*> fields = {"ID", "NAME", "CODE", "CITY_ID"})
      : DataGridFixture(records) {
    for (const char* name : fields) Column(name);
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    ui.Process();
  }
  TPoint Middle(int rawCol, int row) const {
    const TRect cell = grid->CellRect(rawCol, row);
    return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  }
  // The data row showing the record.
  int RowOf(int recNo) { return recNo - (data.RecNo() - grid->Row()); }
  TRect DataArea() const { return grid->BoxRect(1, grid->TitleOffset(), grid->ColCount() - 1, grid->RowCount() - 1); }
  std::vector<int> SelectedRecNos() {
    std::vector<int> recNos;
    const TBookmarkStr current = data.Bookmark();
    for (int i = 0; i < grid->SelectedRows().GetCount(); ++i) {
      data.SetBookmark(grid->SelectedRows().GetItem(i));
      recNos.push_back(data.RecNo());
    }
    data.SetBookmark(current);
    std::sort(recNos.begin(), recNos.end());
    return recNos;
  }
  std::vector<int> SelectedColumns() {
    std::vector<int> indices;
    TDBGridEhSelectionCols& columns = grid->Selection().Columns();
    for (int i = 0; i < columns.Count(); ++i) indices.push_back(columns.Items(i)->Index());
    std::sort(indices.begin(), indices.end());
    return indices;
  }
};

TEST(GridMouseMove, AHeldTitleBecomesAColumnMoveOnlyPastThreePixelsWithColumnResize) {
  MoveFixture f;
  for (int i = 0; i < f.grid->Columns().Count(); ++i) f.grid->Columns().Items(i)->Title().SetTitleButton(true);
  std::vector<std::pair<int, int>> moves;
  int clicks = 0;
  f.grid->OnColumnMoved = [&](TObject*, int from, int to) { moves.emplace_back(from, to); };
  f.grid->OnTitleBtnClick = [&](TObject*, int, TColumnEh*) { ++clicks; };
  const TPoint press = f.Middle(2, 0);

  f.ui.Press(f.grid, press);
  f.ui.MoveTo(f.grid, {press.x + 3, press.y});
  EXPECT_EQ(f.grid->PressedTitleCol(), 2);
  EXPECT_EQ(f.grid->GridState(), grsNormal);
  f.ui.MoveTo(f.grid, {press.x + 4, press.y});
  EXPECT_EQ(f.grid->PressedTitleCol(), -1) << "no longer a pressed title";
  EXPECT_EQ(f.grid->GridState(), grsColMoving);
  // The base grid follows a column move over the data rows.
  f.ui.MoveTo(f.grid, f.Middle(4, 2));
  f.ui.Release(f.grid, f.Middle(4, 2));
  EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{1, 3}})) << "data indexes";
  EXPECT_EQ(f.grid->Columns().Items(3)->FieldName(), "NAME");
  EXPECT_EQ(clicks, 0);

  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgColumnResize});
  f.ui.Advance(1000);  // no double click
  f.ui.Press(f.grid, press);
  f.ui.MoveTo(f.grid, f.Middle(4, 0));
  EXPECT_EQ(f.grid->GridState(), grsNormal);
  EXPECT_EQ(f.grid->PressedTitleCol(), -1) << "shown pressed only over its own title";
  f.ui.Release(f.grid, f.Middle(4, 0));
  EXPECT_EQ(clicks, 0) << "released over another title";
  f.ui.Advance(1000);
  f.ui.Press(f.grid, press);
  f.ui.MoveTo(f.grid, f.Middle(4, 0));
  f.ui.MoveTo(f.grid, {press.x + 1, press.y});
  f.ui.Release(f.grid, {press.x + 1, press.y});
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(moves.size(), 1U) << "the column never moves";
}

TEST(GridMouseMove, SelectionsFollowTheMouseWithinTheDataArea) {
  MoveFixture f;
  // Rows passed over the indicator.
  f.ui.Press(f.grid, f.Middle(0, f.RowOf(2)));
  f.ui.MoveTo(f.grid, f.Middle(0, f.RowOf(3)));
  f.ui.MoveTo(f.grid, f.Middle(0, f.RowOf(5)));
  EXPECT_EQ(f.SelectedRecNos(), (std::vector<int>{2, 3, 4, 5}));
  f.ui.MoveTo(f.grid, f.Middle(0, f.RowOf(4)));
  EXPECT_EQ(f.SelectedRecNos(), (std::vector<int>{2, 3, 4})) << "going back gives rows up";
  // Below the data rows the move itself moves nothing: the timer does.
  const TRect area = f.DataArea();
  f.ui.MoveTo(f.grid, {5, area.bottom + 40});
  EXPECT_EQ(f.data.RecNo(), 4);
  f.ui.Release(f.grid, {5, area.bottom + 40});
  EXPECT_EQ(f.grid->DBGridEhState(), dgsNormalEh);

  // A rectangle from the current cell with Shift.
  f.ui.Click(f.grid, f.Middle(1, f.RowOf(2)));
  EXPECT_EQ(f.grid->Selection().SelectionType(), gstNon) << "a plain press clears the selection";
  f.ui.KeyDown(VK_SHIFT);
  f.ui.Press(f.grid, f.Middle(2, f.RowOf(3)));
  f.ui.KeyUp(VK_SHIFT);
  f.ui.MoveTo(f.grid, f.Middle(3, f.RowOf(4)));
  ASSERT_EQ(f.grid->Selection().SelectionType(), gstRectangle);
  TDBGridEhSelectionRect& rect = f.grid->Selection().Rect();
  EXPECT_EQ(rect.AnchorCol(), 0);
  EXPECT_EQ(rect.ShiftCol(), 2);
  EXPECT_EQ(f.data.RecNo(), 4);
  EXPECT_TRUE(rect.DataCellSelected(1, f.data.Bookmark()));
  EXPECT_FALSE(rect.DataCellSelected(3, f.data.Bookmark()));
  // Left of the data area no column changes.
  f.ui.MoveTo(f.grid, {3, (f.grid->CellRect(0, f.RowOf(4)).top + f.grid->CellRect(0, f.RowOf(4)).bottom) / 2});
  EXPECT_EQ(f.grid->SelectedIndex(), 2);
  f.ui.Release(f.grid, {3, f.Middle(0, f.RowOf(4)).y});

  // Columns by dragging over the titles from a column-selection press.
  const TRect title = f.grid->CellRect(1, 0);
  f.ui.Press(f.grid, {title.left + 5, title.bottom - 2});
  ASSERT_EQ(f.grid->DBGridEhState(), dgsColSelectingEh);
  f.ui.MoveTo(f.grid, f.Middle(3, 0));
  EXPECT_EQ(f.SelectedColumns(), (std::vector<int>{0, 1, 2}));
  f.ui.MoveTo(f.grid, f.Middle(2, 0));
  EXPECT_EQ(f.SelectedColumns(), (std::vector<int>{0, 1}));
  f.ui.Release(f.grid, f.Middle(2, 0));
  EXPECT_EQ(f.grid->DBGridEhState(), dgsNormalEh);
}

TEST(GridMouseMove, TheTimedScrollStepsByTheDistanceBeyondTheData) {
  MoveFixture f(100);
  f.FitDataRows(5);
  const TRect area = f.DataArea();
  f.ui.Press(f.grid, f.Middle(0, f.RowOf(3)));
  ASSERT_EQ(f.data.RecNo(), 3);
  // Over a data column: the mouse lies beyond the data area below it only.
  const int x = f.Middle(1, 1).x;

  // 10 pixels below the data: one record a tick, every 50 ms.
  f.ui.MoveTo(f.grid, {x, area.bottom + 9});
  EXPECT_EQ(f.data.RecNo(), 3) << "the move sets the timer going";
  f.ui.Advance(49);
  EXPECT_EQ(f.data.RecNo(), 3);
  f.ui.Advance(1);
  EXPECT_EQ(f.data.RecNo(), 4);
  f.ui.Advance(50);
  EXPECT_EQ(f.data.RecNo(), 5);
  EXPECT_EQ(f.SelectedRecNos(), (std::vector<int>{3, 4, 5})) << "the left button extends the selection";

  // 3 pixels: no record, a tick every 155 ms.
  f.ui.MoveTo(f.grid, {x, area.bottom + 2});
  const int ticks = f.grid->scrolls;
  f.ui.Advance(154);
  EXPECT_EQ(f.grid->scrolls, ticks);
  f.ui.Advance(1);
  EXPECT_EQ(f.grid->scrolls, ticks + 1);
  f.ui.Advance(155);
  EXPECT_EQ(f.grid->scrolls, ticks + 2);
  EXPECT_EQ(f.data.RecNo(), 5);

  // 60 pixels: 8 records a tick at the shortest interval the timers have.
  f.ui.MoveTo(f.grid, {x, area.bottom + 59});
  f.ui.Advance(10);
  EXPECT_EQ(f.data.RecNo(), 13);
  f.ui.Advance(10);
  EXPECT_EQ(f.data.RecNo(), 21);

  // Back in the data: the timer stops at once.
  f.ui.MoveTo(f.grid, f.Middle(1, f.RowOf(f.data.RecNo())));
  const int stopped = f.grid->scrolls;
  const int recNo = f.data.RecNo();
  f.ui.Advance(1000);
  EXPECT_EQ(f.grid->scrolls, stopped);
  EXPECT_EQ(f.data.RecNo(), recNo);
  f.ui.Release(f.grid, f.Middle(1, f.RowOf(recNo)));
}

TEST(GridMouseMove, AColumnSelectionBeyondTheRightEdgeScrollsAndAddsAColumnATick) {
  MoveFixture f(3, {"ID", "NAME", "CODE", "CITY_ID", "NOTE", "FLAG", "CITY", "ID", "NAME"});
  for (int i = 0; i < f.grid->Columns().Count(); ++i) f.grid->Columns().Items(i)->SetWidth(50);
  f.grid->SetBounds(0, 0, 240, 300);
  f.ui.Process();
  const TRect title = f.grid->CellRect(1, 0);
  f.ui.Press(f.grid, {title.left + 5, title.bottom - 2});
  const int left = f.grid->LeftCol();
  const int outside = f.grid->ClientWidth() + 6;
  const int y = f.Middle(1, 0).y;
  f.ui.MoveTo(f.grid, {outside, y});
  EXPECT_EQ(f.grid->LeftCol(), left) << "the move sets the timer going";
  const auto interval = [&] { return static_cast<UInt64>(200 - 10 * (outside - f.DataArea().right)); };
  const auto lastShown = [&] { return f.grid->LeftCol() + f.grid->VisibleColCount() - 1; };
  for (int tick = 1; tick <= 2; ++tick) {
    const UInt64 wait = interval();
    ASSERT_LT(wait, 200U);
    f.ui.Advance(wait - 1);
    EXPECT_EQ(f.grid->LeftCol(), left + tick - 1);
    f.ui.Advance(1);
    EXPECT_EQ(f.grid->LeftCol(), left + tick);
    const int last = f.grid->RawToDataColumn(lastShown());
    std::vector<int> expected;
    for (int i = 0; i <= last; ++i) expected.push_back(i);
    EXPECT_EQ(f.SelectedColumns(), expected) << "the column that came into view joins, tick " << tick;
  }
  f.ui.Release(f.grid, {outside, y});
  EXPECT_EQ(f.grid->DBGridEhState(), dgsNormalEh);
}

TEST(GridMouseMove, LiveSizingFollowsEveryMoveWithinItsLimits) {
  MoveFixture f;
  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghTraceColSizing});
  TColumnEh* column = f.grid->Columns().Items(0);
  const int width = column->Width();
  const int border = f.grid->CellRect(1, 0).right;
  const int y = f.Middle(1, 0).y;
  f.ui.Press(f.grid, {border, y});
  ASSERT_EQ(f.grid->GridState(), grsColSizing);
  f.ui.MoveTo(f.grid, {border + 10, y});
  EXPECT_EQ(column->Width(), width + 10);
  f.ui.MoveTo(f.grid, {border + 25, y});
  EXPECT_EQ(column->Width(), width + 25);
  f.ui.MoveTo(f.grid, {border - width - 30, y});
  EXPECT_EQ(column->Width(), 1) << "never below a pixel";
  f.ui.MoveTo(f.grid, {border + 5, y});
  f.ui.Release(f.grid, {border + 5, y});
  EXPECT_EQ(column->Width(), width + 5);
  // What shows equals a fresh paint: no sizing line is left behind.
  const auto columnPixels = [&](int x) {
    const TRaster screen = test::UiDriver::Screen();
    std::vector<TColorRef> pixels;
    for (int row = 0; row < f.grid->ClientHeight(); ++row) {
      const TPoint p = test::UiDriver::ScreenPoint(f.grid, {x, row});
      pixels.push_back(screen.Pixel(p.x - GetSystemMetrics(SM_XVIRTUALSCREEN), p.y - GetSystemMetrics(SM_YVIRTUALSCREEN)));
    }
    return pixels;
  };
  const auto shown = columnPixels(border + 5);
  const auto pressedAt = columnPixels(border);
  f.grid->Invalidate();
  f.ui.Process();
  EXPECT_EQ(columnPixels(border + 5), shown);
  EXPECT_EQ(columnPixels(border), pressedAt);

  // Right to left the width follows the mirrored position.
  const int logicalBorder = f.grid->CellRect(1, 0).right;
  f.grid->SetBiDiMode(bdRightToLeft);
  f.ui.Process();
  const int rtlBorder = f.grid->ClientWidth() - 1 - logicalBorder;
  const int rtlWidth = column->Width();
  f.ui.Press(f.grid, {rtlBorder, y});
  ASSERT_EQ(f.grid->GridState(), grsColSizing);
  f.ui.MoveTo(f.grid, {rtlBorder - 12, y});
  EXPECT_EQ(column->Width(), rtlWidth + 12);
  f.ui.Release(f.grid, {rtlBorder - 12, y});
  EXPECT_EQ(column->Width(), rtlWidth + 12) << "the release keeps the width the mouse showed";
}

TEST(GridMouseMove, WithAutoFitTheWidthStopsAtTheLimit) {
  MoveFixture f(10, {"ID", "NAME", "CODE"});
  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghTraceColSizing});
  f.grid->SetAutoFitColWidths(true);
  f.ui.Process();
  const int y = f.Middle(1, 0).y;
  const int border = f.grid->CellRect(1, 0).right;
  f.ui.Press(f.grid, {border, y});
  ASSERT_EQ(f.grid->GridState(), grsColSizing);
  // The border may go as far as leaves the two columns right of it a pixel and a line.
  const auto limit = [&] {
    TGridDrawInfo info;
    f.grid->ComputeDrawInfo(info);
    return info.Horz.FullGridBoundary - 2 * (1 + info.Horz.EffectiveLineWidth);
  };
  f.ui.MoveTo(f.grid, {limit() - 1, y});
  const int followed = f.grid->ColWidths(1);
  EXPECT_GT(followed, 0);
  EXPECT_NE(followed, border - f.grid->CellRect(1, 0).left) << "the width followed the mouse";
  f.ui.MoveTo(f.grid, {limit(), y});
  EXPECT_EQ(f.grid->ColWidths(1), followed) << "at the limit it stops";
  f.ui.MoveTo(f.grid, {limit() + 30, y});
  EXPECT_EQ(f.grid->ColWidths(1), followed);
  f.ui.Press(VK_ESCAPE);
}

struct DragFixture : MoveFixture {
  test::TProbe* target = nullptr;
  std::vector<std::string> events;
  DragFixture() {
    target = new test::TProbe(form.get(), form.get(), Rect(610, 10, 690, 100));
    grid->SetDragMode(dmAutomatic);
    grid->OnStartDrag = [this](TObject*) { events.push_back("start"); };
    grid->OnEndDrag = [this](TObject*, TObject* to, int, int) { events.push_back(to ? "end on target" : "end"); };
    target->OnDragOver = [this](TObject*, TObject* source, int, int, TDragState, bool& accept) {
      accept = source == grid;
      events.push_back("over");
    };
    target->OnDragDrop = [this](TObject*, TObject*, int, int) { events.push_back("drop"); };
    for (int recNo : {2, 3}) {
      data.SetRecNo(recNo);
      grid->SelectedRows().SetCurrentRowSelected(true);
    }
    data.SetRecNo(1);
    ui.Process();
  }
};

TEST(GridMouseMove, APressOnTheSelectionHoldsADragBackUntilTheMouseMoves) {
  DragFixture f;
  f.ui.Press(f.grid, f.Middle(2, f.RowOf(2)));
  EXPECT_EQ(f.data.RecNo(), 1) << "the press changes nothing yet";
  EXPECT_TRUE(f.events.empty());
  f.ui.MoveTo(f.grid, {f.Middle(2, f.RowOf(2)).x + 1, f.Middle(2, f.RowOf(2)).y});
  EXPECT_TRUE(f.grid->Dragging());
  f.ui.MoveTo(f.target, {20, 20});
  f.ui.Release(f.target, {20, 20});
  EXPECT_EQ(f.events, (std::vector<std::string>{"start", "over", "drop", "end on target"}));
  EXPECT_EQ(f.SelectedRecNos(), (std::vector<int>{2, 3})) << "the drag keeps the selection";
  EXPECT_EQ(f.grid->DBGridEhState(), dgsNormalEh);

  // A release without a move is a click: the cell becomes current, the selection goes.
  f.ui.Click(f.grid, f.Middle(2, f.RowOf(3)));
  EXPECT_EQ(f.data.RecNo(), 3);
  EXPECT_EQ(f.grid->SelectedIndex(), 1);
  EXPECT_TRUE(f.SelectedRecNos().empty());
  EXPECT_FALSE(f.grid->Dragging());
  EXPECT_EQ(f.events.size(), 4U) << "no drag started";
}

TEST(GridMouseMove, ACtrlClickOnTheSelectionInRowSelectModeTogglesTheRecord) {
  DragFixture f;
  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgRowSelect});
  f.ui.Process();
  f.ui.KeyDown(VK_CONTROL);
  f.ui.Click(f.grid, f.Middle(2, f.RowOf(2)));
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.data.RecNo(), 2);
  EXPECT_EQ(f.SelectedRecNos(), (std::vector<int>{3}));

  f.grid->SetOptionsEh(f.grid->OptionsEh() - TDBGridEhOptions{dghClearSelection});
  f.ui.Click(f.grid, f.Middle(2, f.RowOf(3)));
  EXPECT_EQ(f.SelectedRecNos(), (std::vector<int>{3})) << "without dghClearSelection a click keeps it";
}

}  // namespace
}  // namespace ordvane
