// The grid driven by the keyboard and the mouse through the test driver: the key tables,
// Tab walks, the editor keys, presses, mouse selection with its timed scrolling, sizing
// and moving lines, cancelling every mouse operation and the wheel. Expected places come
// from the test's own page arithmetic over the default extents.

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include "tests/gridbase/GridTestSupport.h"

namespace ordvane {
namespace {

using test::GridFixture;
using test::TCellGrid;

// Default extents with their one-pixel lines, on the fixture's 300 x 200 client area.
constexpr int kColSpan = 65;
constexpr int kRowSpan = 25;
constexpr int kWidth = 300;
constexpr int kHeight = 200;
// Scrolling cells wholly in view beside one fixed column and row (the last line may
// fall one pixel past the edge).
constexpr int kFullCols = (kWidth + 1 - kColSpan) / kColSpan;
constexpr int kFullRows = (kHeight + 1 - kRowSpan) / kRowSpan;

TPoint Centre(const TCustomGridEh& grid, int col, int row) {
  const TRect r = grid.CellRect(col, row);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Whether any pixel of column x differs between two pictures.
bool ColumnDiffers(const TRaster& a, const TRaster& b, int x) {
  for (int y = 0; y < a.Height(); ++y)
    if (a.Pixel(x, y) != b.Pixel(x, y)) return true;
  return false;
}

struct InputFixture : GridFixture {
  explicit InputFixture(int cols = 40, int rows = 100, TGridOptionsEh added = {}) {
    grid->SetColCount(cols);
    grid->SetRowCount(rows);
    grid->SetOptions(grid->Options() + added);
    grid->SetFocus();
    ui.Process();
  }
  TGridCoord Current() const { return {grid->Col(), grid->Row()}; }
  TGridCoord TopLeft() const { return {grid->LeftCol(), grid->TopRow()}; }
};

TEST(GridInput, EveryKeyOfBothTablesFromTheMiddleOfTheGrid) {
  const int pageW = kFullCols - 1, pageH = kFullRows - 1;
  const TGridCoord c{11, 43}, t{10, 40};
  const TGridCoord greatest{40 - kFullCols, 100 - kFullRows};
  struct Case {
    const char* name;
    Word key;
    TShiftState shift;
    TGridCoord current, topLeft;
    TGridOptionsEh added = {};
    TGridCoord anchor{-1, -1};  // -1: with the current cell
    bool rightToLeft = false;
  };
  const TGridOptionsEh rows{grRowSelect};
  const Case cases[] = {
      {"Down", VK_DOWN, {}, {11, 44}, t},
      {"Right", VK_RIGHT, {}, {12, 43}, t},
      {"Page Down", VK_NEXT, {}, {11, 43 + pageH}, {10, 40 + pageH}},
      {"Home", VK_HOME, {}, {1, 43}, {1, 40}},
      {"End", VK_END, {}, {39, 43}, {greatest.X, 40}},
      {"Shift+Tab moves the anchor", VK_TAB, {ssShift}, {10, 43}, t, {grTabs}},
      {"Shift+Down keeps the anchor", VK_DOWN, {ssShift}, {11, 44}, t, {}, c},
      {"Ctrl+Down", VK_DOWN, {ssCtrl}, c, {10, 41}},
      {"Ctrl+Right", VK_RIGHT, {ssCtrl}, {11 + pageW, 43}, {10 + pageW, 40}},
      {"Ctrl+Page Up", VK_PRIOR, {ssCtrl}, {11, 40}, t},
      {"Ctrl+Page Down", VK_NEXT, {ssCtrl}, {11, 40 + kFullRows - 1}, t},
      {"Ctrl+Home", VK_HOME, {ssCtrl}, {1, 1}, {1, 1}},
      {"Ctrl+End", VK_END, {ssCtrl}, {39, 99}, greatest},
      {"right to left: Right goes left", VK_RIGHT, {}, {10, 43}, t, {}, {-1, -1}, true},
      {"rows: Right", VK_RIGHT, {}, {1, 44}, {1, 40}, rows},
      {"rows: Home", VK_HOME, {}, {1, 1}, {1, 1}, rows},
      {"rows: End", VK_END, {}, {1, 99}, {1, greatest.Y}, rows},
      {"rows: Ctrl+Right does nothing", VK_RIGHT, {ssCtrl}, {1, 43}, t, rows},
  };
  for (const Case& k : cases) {
    InputFixture f(40, 100, k.added);
    if (k.rightToLeft) f.grid->SetBiDiMode(bdRightToLeft);
    f.grid->FocusCell(c.X, c.Y, true);
    f.grid->MoveTopLeft(t.X, t.Y);
    f.ui.Press(k.key, k.shift);
    EXPECT_EQ(f.Current(), k.current) << k.name;
    EXPECT_EQ(f.TopLeft(), k.topLeft) << k.name;
    const TGridCoord anchor = k.anchor.X >= 0                 ? k.anchor
                              : k.added.Contains(grRowSelect) ? TGridCoord{39, k.current.Y}
                                                              : k.current;
    EXPECT_EQ(f.grid->Anchor(), anchor) << k.name;
  }
}

TEST(GridInput, RefusedKeysFixedDataColumnsAndTabWalks) {
  {
    InputFixture f;
    f.grid->refusedKey = VK_DOWN;
    f.ui.Press(VK_DOWN);
    EXPECT_EQ(f.Current(), (TGridCoord{1, 1}));
  }
  {
    InputFixture f;
    f.grid->SetFixedCols(2);
    f.grid->SetFixedDataCols(1);
    f.grid->FocusCell(4, 6, true);
    f.ui.Press(VK_HOME, {ssCtrl});
    EXPECT_EQ(f.Current(), (TGridCoord{2, 1}));
    f.ui.Press(VK_LEFT);
    f.ui.Press(VK_LEFT);
    EXPECT_EQ(f.Current(), (TGridCoord{1, 1})) << "into the fixed data column, not beyond";
  }
  // Columns 1 .. 5 scroll, rows 1 .. 4; column 0 is a fixed data column.
  struct Case {
    const char* name;
    std::vector<int> stopsOff;
    TGridCoord from;
    bool back;
    TGridCoord to;
  };
  const Case cases[] = {
      {"skips columns without a stop", {3, 4}, {2, 1}, false, {5, 1}},
      {"wraps to the next row", {}, {5, 1}, false, {1, 2}},
      {"backwards wraps to the previous row", {2}, {1, 2}, true, {5, 1}},
      {"backwards from the first row to the last", {}, {1, 1}, true, {5, 4}},
      {"no stop: one round, back at the column", {1, 2, 3, 4, 5}, {2, 1}, false, {2, 2}},
      {"from a fixed data cell", {}, {0, 3}, false, {1, 3}},
      {"from a fixed data cell, no stop: it stays", {1, 2, 3, 4, 5}, {0, 3}, false, {0, 3}},
  };
  for (const Case& c : cases) {
    InputFixture f(6, 5, {grTabs});
    f.grid->SetFixedDataCols(1);
    for (int col : c.stopsOff) f.grid->SetTabStops(col, false);
    f.grid->FocusCell(c.from.X, c.from.Y, true);
    f.ui.Press(VK_TAB, c.back ? TShiftState{ssShift} : TShiftState{});
    EXPECT_EQ(f.Current(), c.to) << c.name;
  }
}

TEST(GridInput, TabAndEnterGoToTheGridOrToTheDialogAroundIt) {
  // The grid asks for Tab with grTabs and for Enter with grEditing; the dialog around it
  // gets them otherwise.
  for (const bool on : {false, true}) {
    InputFixture f(40, 100, on ? TGridOptionsEh{grTabs, grEditing} : TGridOptionsEh{});
    auto* next = new test::TProbe(f.form.get(), f.form.get(), Rect(0, 250, 50, 270));
    int dialogEnters = 0;
    next->handlesDialogKey = [&](WPARAM key) {
      dialogEnters += key == VK_RETURN;
      return key == VK_RETURN;
    };
    f.ui.Press(VK_RETURN);
    EXPECT_EQ(dialogEnters, on ? 0 : 1);
    f.ui.Press(VK_TAB);
    EXPECT_EQ(GetFocus(), on ? f.grid->Handle() : next->Handle()) << on;
    EXPECT_EQ(f.grid->Col(), on ? 2 : 1) << on;
  }
  InputFixture f(40, 100, {grEditing});
  f.ui.Press(VK_RETURN);
  EXPECT_TRUE(f.grid->EditorMode() && f.grid->InplaceEditor()->Visible());
  f.ui.Press(VK_RETURN);
  EXPECT_FALSE(f.grid->EditorMode() || f.grid->InplaceEditor()->Visible());
}

TEST(GridInput, PressesOnACellAndOnAFormThatRefusesTheGrid) {
  {
    InputFixture f(40, 100, {grEditing});
    int clicks = 0;
    f.grid->OnClick = [&](TObject*) { ++clicks; };
    f.ui.Click(f.grid, Centre(*f.grid, 3, 2));
    EXPECT_EQ(f.Current(), (TGridCoord{3, 2}));
    EXPECT_FALSE(f.grid->EditorMode());
    EXPECT_EQ(clicks, 1);
  }
  InputFixture f;
  auto* other = new test::TProbe(f.form.get(), f.form.get(), Rect(0, 250, 50, 270));
  other->SetFocus();
  f.grid->OnEnter = [other](TObject*) { other->SetFocus(); };
  int presses = 0;
  f.grid->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++presses; };
  f.ui.Press(f.grid, Centre(*f.grid, 3, 2));
  EXPECT_EQ(GetCapture(), HWND{});
  EXPECT_EQ(f.Current(), (TGridCoord{1, 1}));
  EXPECT_EQ(presses, 0);
  EXPECT_EQ(f.grid->GridState(), grsNormal);
}

TEST(GridInput, MouseSelectionAndItsTimedScrolling) {
  {
    InputFixture f;
    int clicks = 0;
    f.grid->OnClick = [&](TObject*) { ++clicks; };
    f.ui.Drag(f.grid, Centre(*f.grid, 1, 1), Centre(*f.grid, 3, 2));
    EXPECT_EQ(f.grid->Selection(), (TGridRect{1, 1, 3, 2}));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(f.grid->GridState(), grsNormal);
  }
  InputFixture f;
  f.grid->MoveTopLeft(4, 4);
  f.ui.Press(f.grid, Centre(*f.grid, 5, 5));
  f.ui.MoveTo(f.grid, {10, 10});  // over the fixed corner: left of and above the scrolling cells
  for (int tick = 1; tick <= 5; ++tick) {
    f.ui.Advance(60);
    const TGridCoord expected{std::max(1, 5 - tick), std::max(1, 5 - tick)};
    ASSERT_EQ(f.grid->Anchor(), expected) << tick;
    EXPECT_EQ(f.TopLeft(), (TGridCoord{std::min(4, expected.X), std::min(4, expected.Y)})) << tick;
  }
  int clicks = 0;
  f.grid->OnClick = [&](TObject*) { ++clicks; };
  f.ui.Release(f.grid, {10, 10});
  f.ui.MoveTo(f.grid, {kWidth - 2, kHeight - 2});
  f.ui.Advance(180);  // the timer stopped with the release
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(f.grid->Selection(), (TGridRect{1, 1, 5, 5}));

  // An anchor held in a fixed data cell stays under the pointer.
  InputFixture d;
  d.grid->SetFixedCols(2);
  d.grid->SetFixedDataCols(1);
  const TPoint fixedData = Centre(*d.grid, 1, 3);
  d.ui.Press(d.grid, fixedData);
  d.ui.MoveTo(d.grid, fixedData);
  d.ui.Advance(180);
  EXPECT_EQ(d.grid->Anchor(), (TGridCoord{1, 3}));
  d.ui.Release(d.grid, fixedData);
}

TEST(GridInput, TheSizingCursorCoversSevenPixelsOrAWideLine) {
  for (const int lineWidth : {1, 9}) {
    InputFixture f(40, 100, {grColSizing});
    f.grid->SetGridLineWidth(lineWidth);
    f.ui.Process();
    const int border = (64 + lineWidth) + 64;  // the line after column 1
    const int first = lineWidth < 7 ? border - (7 - lineWidth) / 2 : border;
    const int last = lineWidth < 7 ? first + 6 : border + lineWidth - 1;
    for (int x = border - 8; x <= border + lineWidth + 8; ++x) {
      f.ui.MoveTo(f.grid, {x, 10});
      const bool split = f.ui.Cursor() == Screen->Cursors(crHSplit);
      EXPECT_EQ(split, x >= first && x <= last) << "line " << lineWidth << ", x " << x;
      EXPECT_EQ(f.grid->Sizing(x, 10), x >= first && x <= last) << "line " << lineWidth << ", x " << x;
    }
  }
}

TEST(GridInput, DraggingABorderSizesItsLine) {
  const int col2End = 3 * kColSpan - 1;  // the line after column 2
  const int mirrored = kWidth - 1 - col2End;
  const int contra = kWidth - kColSpan - 1;  // the line before the contra column
  enum Setup { Plain, FixedData, Contra, RightToLeft };
  struct Case {
    const char* name;
    Setup setup;
    TPoint from, to;
    bool rows;
    int index, extent;
  };
  // The cut column's edge is the client's (300); dragged back by 20 it ends at 280.
  const int cut = 1 + kFullCols, cutStart = cut * kColSpan;
  const Case cases[] = {
      {"a scrolling column", Plain, {col2End + 1, 10}, {col2End + 21, 10}, false, 2, 64 + 20},
      {"to one pixel: unchanged", Plain, {2 * kColSpan - 1, 10}, {kColSpan + 1, 10}, false, 1, 64},
      {"a fixed data column", FixedData, {2 * kColSpan - 1, 10}, {2 * kColSpan + 9, 10}, false, 1, 64 + 10},
      {"a row", Plain, {10, 3 * kRowSpan - 1}, {10, 3 * kRowSpan + 9}, true, 2, 24 + 10},
      {"the cut column's edge", Plain, {kWidth - 1, 10}, {kWidth - 21, 10}, false, cut, 280 - cutStart},
      {"contra: the far edge stays", Contra, {contra + 1, 10}, {contra - 19, 10}, false, 40, 64 + 20},
      {"right to left", RightToLeft, {mirrored - 1, 10}, {mirrored - 21, 10}, false, 2, 64 + 20},
  };
  for (const Case& c : cases) {
    InputFixture f(40, 100, {grColSizing, grRowSizing});
    if (c.setup == FixedData) {
      f.grid->SetFixedCols(2);
      f.grid->SetFixedDataCols(1);
    }
    if (c.setup == Contra) f.grid->SetContraColCount(1);
    if (c.setup == RightToLeft) f.grid->SetBiDiMode(bdRightToLeft);
    f.ui.Process();
    f.ui.Drag(f.grid, c.from, c.to);
    EXPECT_EQ(c.rows ? f.grid->RowHeights(c.index) : f.grid->ColWidths(c.index), c.extent) << c.name;
    EXPECT_EQ(f.grid->GridState(), grsNormal) << c.name;
    const TRaster after = f.Picture();
    EXPECT_EQ(f.Repainted(), after) << c.name << ": no line left behind";
  }
}

TEST(GridInput, DraggingAFixedCellMovesItsLine) {
  struct Case {
    const char* name;
    int toCol;
    bool checkAgrees;
    int endTarget;  // -1: the end refuses; 0: it keeps the target
    std::string moved;
  };
  const Case cases[] = {
      {"two to three", 3, true, 0, "ColumnMoved 2 3"},
      {"back to the start", 2, true, 0, ""},
      {"the check refuses", 3, false, 0, ""},
      {"the end refuses", 3, true, -1, ""},
      {"the end changes the target", 3, true, 4, "ColumnMoved 2 4"},
  };
  for (const Case& c : cases) {
    InputFixture f(40, 100, {grColMoving});
    f.grid->checkColumnDrag = [&c](int&) { return c.checkAgrees; };
    f.grid->endColumnDrag = [&c](int& target) {
      if (c.endTarget > 0) target = c.endTarget;
      return c.endTarget >= 0;
    };
    const TRaster before = f.Picture();
    f.ui.Press(f.grid, {2 * kColSpan + 30, 10});
    ASSERT_EQ(f.grid->GridState(), grsColMoving) << c.name << ": moving starts on the press";
    // Along the fixed row the marker follows on the timer.
    for (const int col : {3, c.toCol}) {
      f.ui.MoveTo(f.grid, {col * kColSpan + 30, 10});
      f.ui.Advance(60);
    }
    const TRaster during = f.Picture();
    if (c.toCol == 3 && c.checkAgrees) {
      EXPECT_TRUE(ColumnDiffers(before, during, 4 * kColSpan - 1)) << c.name << ": marker at the right edge";
      EXPECT_FALSE(ColumnDiffers(before, during, 3 * kColSpan - 1)) << c.name;
    }
    f.grid->log.clear();
    f.ui.Release(f.grid, {c.toCol * kColSpan + 30, 10});
    EXPECT_EQ(f.grid->log.empty() ? "" : f.grid->log.front(), c.moved) << c.name;
    EXPECT_EQ(f.grid->GridState(), grsNormal);
  }
  // Below the grid the move scrolls a row per tick once its target is the last one shown.
  InputFixture f(40, 100, {grRowMoving});
  f.ui.Press(f.grid, {10, 3 * kRowSpan + 10});
  f.ui.MoveTo(f.grid, {10, kHeight + 40});
  for (int tick = 1; tick <= 4; ++tick) {
    f.ui.Advance(60);
    EXPECT_EQ(f.grid->TopRow(), tick) << tick;
  }
  f.grid->log.clear();
  f.ui.Release(f.grid, {10, kHeight + 40});
  EXPECT_EQ(f.grid->log.front(), "RowMoved 3 " + std::to_string(kFullRows + 3));
}

TEST(GridInput, CancellingEndsEveryOperationAndGivesThePixelsBack) {
  struct Case {
    const char* name;
    TGridOptionsEh added;
    TPoint press;
    TGridStateEh state;
  };
  const Case cases[] = {
      {"sizing", {grColSizing}, {2 * kColSpan - 1, 10}, grsColSizing},
      {"moving", {grRowMoving}, {10, 3 * kRowSpan + 10}, grsRowMoving},
      {"selecting", {}, {kColSpan + 10, kRowSpan + 10}, grsSelecting},
  };
  for (const bool byCapture : {false, true}) {
    for (const Case& c : cases) {
      InputFixture f(40, 100, c.added);
      const TRaster before = f.Picture();
      f.ui.Press(f.grid, c.press);
      f.ui.MoveTo(f.grid, {c.press.x + 2, kHeight + 40});
      ASSERT_EQ(f.grid->GridState(), c.state) << c.name;
      if (c.state != grsSelecting) {
        EXPECT_NE(f.Picture(), before) << c.name << ": the line shows";
      }
      if (byCapture) {
        auto* other = new test::TProbe(f.form.get(), f.form.get(), Rect(0, 250, 50, 270));
        SetCapture(other->Handle());
      } else {
        f.grid->Perform(WM_CANCELMODE, 0, 0);
      }
      f.ui.Process();
      const TGridCoord topLeft = f.TopLeft();
      f.ui.Advance(300);
      EXPECT_EQ(f.grid->GridState(), grsNormal) << c.name << byCapture;
      EXPECT_EQ(f.TopLeft(), topLeft) << c.name << byCapture << ": the timer stopped";
      if (c.state != grsSelecting) {
        EXPECT_EQ(f.Picture(), before) << c.name << byCapture;
      }
      ReleaseCapture();
    }
  }
  // A press handler that raises after the move marker was drawn takes the move back.
  InputFixture f(40, 100, {grRowMoving});
  const TRaster before = f.Picture();
  f.grid->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) { throw std::runtime_error("no"); };
  EXPECT_THROW(f.grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam({10, 3 * kRowSpan + 10})),
               std::runtime_error);
  EXPECT_EQ(f.grid->GridState(), grsNormal);
  EXPECT_EQ(f.Picture(), before);
}

TEST(GridInput, TheWheelMovesTheCurrentRowWithinTheScrollingRows) {
  InputFixture f(5, 4);
  const std::pair<int, int> turns[] = {{-1, 2}, {-1, 3}, {-1, 3}, {1, 2}, {1, 1}, {1, 1}};
  for (const auto& [notches, row] : turns) {
    EXPECT_EQ(f.grid->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, notches * WHEEL_DELTA), 0), 1);
    EXPECT_EQ(f.grid->Row(), row);
  }
}

}  // namespace
}  // namespace ordvane
