// Cell tooltips of the grid, through the hint machinery and the mouse of the test driver:
// the pause over cells, titles and footers with ToolTips, the whole text of a cut cell in
// a window over it, and where no tooltip shows (a text that fits, Ctrl, a captured mouse).

#include <gtest/gtest.h>

#include "classlib/core/Application.h"
#include "classlib/ui/Hints.h"
#include "classlib/ui/ImgList.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

struct ToolTipFixture : test::DataGridFixture<> {
  ToolTipFixture() : DataGridFixture(3) {
    for (const char* name : {"ID", "NAME", "FLAG"}) Column(name);
    grid->SetShowHint(true);
    ui.Process();
  }
  ~ToolTipFixture() { CancelHint(); }

  TColumnEh& ColumnAt(int index) const { return *grid->Columns().Items(index); }
  // The NAME column with tooltips, at that width.
  TColumnEh& NameWithToolTips(int width) {
    TColumnEh& name = ColumnAt(1);
    name.SetToolTips(true);
    name.SetWidth(width);
    ui.Process();
    return name;
  }
  TPoint Middle(int dataCol, int row) const {
    const TRect cell = grid->CellRect(grid->DataToRawColumn(dataCol), row);
    return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  }
  int DataRow(int record) const { return grid->TitleOffset() + record; }
  // The pause the grid asks for with the mouse at the point.
  int PauseAt(TPoint point) {
    CancelHint();
    ui.MoveTo(grid, point);
    int pause = 500;
    grid->Perform(CM_HINTSHOWPAUSE, 0, reinterpret_cast<LPARAM>(&pause));
    return pause;
  }
  // The tooltip shown once the mouse rests at the point; "(none)" without one.
  AnsiString ShownAt(TPoint point) {
    CancelHint();
    ui.MoveTo(grid, point);
    ui.Advance(Application->HintPause());
    THintWindow* window = ShownHintWindow();
    return window != nullptr ? window->Caption() : AnsiString("(none)");
  }
};

TEST(GridToolTips, ThePauseIsZeroOverCellsTitlesAndFootersWithToolTips) {
  ToolTipFixture f;
  f.grid->SetFooterRowCount(1);
  f.ColumnAt(1).SetToolTips(true);
  f.ColumnAt(0).Title().SetToolTips(true);
  f.ColumnAt(2).Footer().SetToolTips(true);
  f.ui.Process();
  const int footer = f.grid->RowCount();
  EXPECT_EQ(f.PauseAt(f.Middle(1, f.DataRow(1))), 0) << "a data cell";
  EXPECT_EQ(f.PauseAt(f.Middle(0, 0)), 0) << "a title";
  EXPECT_EQ(f.PauseAt(f.Middle(2, footer)), 0) << "a footer";
  EXPECT_EQ(f.PauseAt(f.Middle(1, 0)), 500) << "the title of a column whose cells have tooltips";
  EXPECT_EQ(f.PauseAt(f.Middle(0, f.DataRow(1))), 500);
  EXPECT_EQ(f.PauseAt(f.Middle(1, footer)), 500);
  EXPECT_EQ(f.PauseAt(f.Middle(-1, f.DataRow(1))), 500) << "the indicator";

  TCustomImageList images(nullptr, 16, 16);
  f.grid->SetTitleImages(&images);
  f.ColumnAt(0).Title().SetImageIndex(0);
  EXPECT_EQ(f.PauseAt(f.Middle(0, 0)), 500) << "a title showing an image";
  f.grid->SetTitleImages(nullptr);
  f.data.Close();
  f.ui.Process();
  EXPECT_EQ(f.PauseAt(f.Middle(1, f.DataRow(1))), 500) << "no data";
}

TEST(GridToolTips, ACutTextShowsWholeOverTheCellAndAFittingOneShowsNone) {
  ToolTipFixture f;
  TColumnEh& name = f.NameWithToolTips(20);
  const TPoint point = f.Middle(1, f.DataRow(1));
  ASSERT_EQ(f.ShownAt(point), "name 2");
  TRect window;
  GetWindowRect(ShownHintWindow()->WindowHandle(), window);
  const TRect cell = f.grid->CellRect(f.grid->DataToRawColumn(1), f.DataRow(1));
  EXPECT_EQ(window.TopLeft(), f.grid->ClientToScreen(cell.TopLeft())) << "placed over the cell";
  EXPECT_GE(window.Height(), cell.Height());
  EXPECT_GT(window.Width(), TextWidthInFontEh(*name.Font(), "name 2")) << "grown to the text";

  EXPECT_EQ(f.ShownAt(f.Middle(0, f.DataRow(1))), "(none)") << "a column without tooltips";
  name.SetWidth(200);
  f.ui.Process();
  EXPECT_EQ(f.ShownAt(point), "(none)") << "the text fits";
  name.SetWidth(20);
  f.ui.Process();

  f.ui.KeyDown(VK_CONTROL);
  EXPECT_EQ(f.ShownAt(point), "(none)") << "Ctrl held";
  f.ui.KeyUp(VK_CONTROL);
  f.grid->SetMouseCapture(true);
  EXPECT_EQ(f.ShownAt(point), "(none)") << "the mouse captured";
  f.grid->SetMouseCapture(false);
  EXPECT_EQ(f.ShownAt(point), "name 2");
}

TEST(GridToolTips, ACheckBoxColumnNamesItsStateByThePickList) {
  ToolTipFixture f;
  f.data.Last();
  f.data.Edit();
  f.Field("FLAG")->Clear();  // a grayed box
  f.data.Post();
  TColumnEh& flag = f.ColumnAt(2);
  ASSERT_EQ(flag.GetColumnType(), ctCheckboxes);
  flag.PickList()->Add("Off");
  flag.PickList()->Add("On");
  flag.SetToolTips(true);
  flag.SetWidth(12);
  f.ui.Process();
  EXPECT_EQ(f.ShownAt(f.Middle(2, f.DataRow(0))), "Off");
  EXPECT_EQ(f.ShownAt(f.Middle(2, f.DataRow(1))), "On");
  EXPECT_EQ(f.ShownAt(f.Middle(2, f.DataRow(2))), "(none)") << "index 2 is past the list";
}

TEST(GridToolTips, TheTextTheCellEventsLeaveIsTheOneMeasuredAndShown) {
  ToolTipFixture f;
  TColumnEh& name = f.NameWithToolTips(80);
  const TPoint point = f.Middle(1, f.DataRow(0));
  ASSERT_EQ(f.ShownAt(point), "(none)") << "name 1 fits";
  name.OnGetCellParams = [](TObject*, bool, TColCellParamsEh& params) { params.Text += " and a long tail"; };
  EXPECT_EQ(f.ShownAt(point), "name 1 and a long tail");
}

TEST(GridToolTips, TitlesAndFootersShowTheirWholeTexts) {
  ToolTipFixture f;
  TColumnEh& id = f.ColumnAt(0);
  id.SetWidth(30);
  id.Title().SetCaption("Identifier of the record");
  id.Title().SetToolTips(true);
  id.Footer().SetValueType(fvtStaticText);
  id.Footer().SetValue("a footer text");
  id.Footer().SetToolTips(true);
  f.grid->SetFooterRowCount(1);
  f.ui.Process();
  EXPECT_EQ(f.ShownAt(f.Middle(0, 0)), "Identifier of the record");
  EXPECT_EQ(f.ShownAt(f.Middle(0, f.grid->RowCount())), "a footer text");
  id.SetWidth(300);
  f.ui.Process();
  EXPECT_EQ(f.ShownAt(f.Middle(0, 0)), "(none)");

  // A vertical title runs along the cell's height: its window is the turned extent.
  id.Title().SetOrientation(tohVertical);
  f.ui.Process();
  const TRect title = f.grid->CellRect(f.grid->DataToRawColumn(0), 0);
  ASSERT_LT(title.Height(), TextWidthInFontEh(*id.Title().Font(), "Identifier of the record"));
  ASSERT_EQ(f.ShownAt(f.Middle(0, 0)), "Identifier of the record");
  TRect window;
  GetWindowRect(ShownHintWindow()->WindowHandle(), window);
  EXPECT_GT(window.Height(), TextWidthInFontEh(*id.Title().Font(), "Identifier of the record"));
}

}  // namespace
}  // namespace ordvane
