// The grid's settings at and beyond the extremes of what it can hold: a form or a program
// giving absurd numbers gets a clear refusal, the largest accepted values lay out and
// paint, and a grid taller than any screen asks for no more records than a screen shows.

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "classlib/core/Filer.h"
#include "classlib/ui/SysMetrics.h"
#include "grid/DBGridEh.h"
#include "grid/DBGridEhStreaming.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::TDataGrid;

void ExpectRefused(const std::function<void()>& set, const AnsiString& message) {
  try {
    set();
    ADD_FAILURE() << "accepted: " << message;
  } catch (const EInvalidGridOperationEh& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

TEST(GridLimits, SettingsBeyondWhatTheGridHoldsAreRefused) {
  DataGridFixture f;
  TDataGrid& grid = *f.grid;
  ExpectRefused([&] { grid.SetTitleLines(-2147483643); }, "TitleLines -2147483643 is outside 0..32767");
  ExpectRefused([&] { grid.SetTitleHeight(2147483647); }, "TitleHeight 2147483647 is outside 0..32767");
  ExpectRefused([&] { grid.SetRowHeight(2000000000); }, "RowHeight 2000000000 is outside -2147483648..32767");
  ExpectRefused([&] { grid.SetRowLines(40000); }, "RowLines 40000 is outside -2147483648..32767");
  ExpectRefused([&] { grid.SetFrozenCols(-1); }, "FrozenCols -1 is outside 0..134217725");
  ExpectRefused([&] { grid.SetMinAutoFitWidth(-2147483648); },
                "MinAutoFitWidth -2147483648 is outside 0..32767");
  ExpectRefused([&] { grid.SetVTitleMargin(1000000); }, "VTitleMargin 1000000 is outside 0..32767");
  ExpectRefused([&] { grid.SetFooterRowCount(2000000000); }, "Grid too large for operation");
  ExpectRefused([&] { grid.SetColWidths(1, 2147483647); }, "ColWidths 2147483647 is outside -1..32767");
  TColumnEh* column = f.Column("NAME");
  ExpectRefused([&] { column->SetWidth(1000000000); }, "Width 1000000000 is outside -1..32767");
  ExpectRefused([&] { column->SetMinWidth(-3); }, "MinWidth -3 is outside 0..32767");
  ExpectRefused([&] { column->SetMaxWidth(40000); }, "MaxWidth 40000 is outside 0..32767");
  ExpectRefused([&] { column->SetDropDownRows(4000000000U); }, "DropDownRows 4000000000 is outside 0..32767");
  ExpectRefused([&] { column->SetDropDownWidth(2147483647); },
                "DropDownWidth 2147483647 is outside -2147483648..32767");
  EXPECT_EQ(grid.TitleLines(), 0);
  EXPECT_EQ(grid.FooterRowCount(), 0);
  // A negative row height or line count is none.
  grid.SetRowHeight(-5);
  EXPECT_EQ(grid.RowHeight(), 0);
}

TEST(GridLimits, TheLargestSettingsLayOutAndPaintWithinTheirLimit) {
  DataGridFixture<test::TMemDataSet, TDBGridEh> f;
  TDBGridEh& grid = *f.grid;
  f.Column("ID");
  f.Column("NAME");
  grid.SetTitleLines(kMaxGridExtentEh);
  grid.SetTitleHeight(kMaxGridExtentEh);
  grid.SetRowLines(kMaxGridExtentEh);
  grid.SetRowHeight(kMaxGridExtentEh);
  grid.SetFooterRowCount(3);
  grid.TitleFont()->SetHeight(-2147483647);
  f.ui.Process();
  EXPECT_EQ(grid.RowHeights(0), kMaxGridExtentEh);
  EXPECT_EQ(grid.DefaultRowHeight(), kMaxGridExtentEh);
  grid.SetFocus();
  f.data.Next();
  f.ui.Process();
  // One row fits: the next record scrolls into it.
  EXPECT_EQ(f.data.RecNo(), 2);
  EXPECT_EQ(grid.Row(), grid.FixedRows());
}

TEST(GridLimits, AGridOfAnAbsurdHeightAsksForOnlyTheRecordsItsLargestExtentShows) {
  DataGridFixture f(300);
  f.grid->SetHeight(1000000000);
  f.ui.Process();
  EXPECT_LE(f.grid->DataLink().BufferCount(), kMaxGridExtentEh / f.grid->DefaultRowHeight());
  EXPECT_GT(f.grid->DataLink().BufferCount(), 1);
  EXPECT_LE(f.grid->RowCount(), kMaxGridExtentEh);
}

// A grid on a form taller than the screen fills all of its height with records.
TEST(GridLimits, AGridTallerThanTheScreenShowsARecordInEveryRow) {
  DataGridFixture f(300);
  const int screen = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  ASSERT_GT(screen, 0);
  f.form->SetBounds(0, 0, 700, 3 * screen);
  f.grid->SetBounds(0, 0, 600, 2 * screen);
  f.ui.Process();
  const int pitch = f.grid->DefaultRowHeight() + f.grid->GridLineWidth();
  const int titles = f.grid->RowHeights(0) + f.grid->GridLineWidth();
  const int shown = (f.grid->ClientHeight() - titles) / pitch;
  ASSERT_GT(f.grid->ClientHeight(), screen);
  EXPECT_GT(shown, screen / pitch);
  EXPECT_EQ(f.grid->DataLink().BufferCount(), shown);
  EXPECT_EQ(f.grid->RowCount(), shown + 1);
  EXPECT_EQ(f.grid->DataLink().RecordCount(), shown);
}

// Bounds and a font from a form may be any int: anchoring and measuring keep them within
// the int range.
TEST(GridLimits, ExtremeBoundsAndFontsOfTheGridDoNotWrap) {
  DataGridFixture<test::TMemDataSet, TDBGridEh> f;
  TDBGridEh& grid = *f.grid;
  grid.SetAnchors({akLeft, akTop, akRight, akBottom});
  grid.SetBounds(2000000000, -2000000000, 2000000000, 2000000000);
  grid.Font()->SetHeight(std::numeric_limits<int>::min());
  grid.TitleFont()->SetHeight(std::numeric_limits<int>::min());
  f.form->SetBounds(0, 0, 900, 700);
  f.ui.Process();
  EXPECT_GE(grid.Width(), 0);
  EXPECT_GE(grid.Height(), 0);
  EXPECT_LE(grid.DefaultRowHeight(), kMaxGridExtentEh);
}

// The read error of a form holding one grid with the settings given.
AnsiString GridFormReadError(const AnsiString& settings) {
  RegisterDBGridEhStreaming();
  TComponent root(nullptr);
  try {
    ReadComponentText("object Form: TComponent\n  object Grid: TDBGridEh\n" + settings + "  end\nend", root);
  } catch (const EReadError& e) {
    EXPECT_EQ(root.ComponentCount(), 0);
    return e.Message();
  }
  return "read";
}

// Read from a form, a refused setting is the form's error, with its line and property.
TEST(GridLimits, AFormWithAnAbsurdSettingNamesItsLineAndProperty) {
  EXPECT_EQ(GridFormReadError("    TitleLines = -2147483643\n"),
            "Line 3: property \"TitleLines\" of class TDBGridEh (Grid): TitleLines -2147483643 is outside "
            "0..32767");
  EXPECT_EQ(GridFormReadError("    Columns = <\n      item\n        DropDownRows = 40000\n      end>\n"),
            "Line 5: property \"Columns.DropDownRows\" of class TDBGridColumnEh (Grid): DropDownRows 40000 is "
            "outside 0..32767");
}

}  // namespace
}  // namespace ordvane
