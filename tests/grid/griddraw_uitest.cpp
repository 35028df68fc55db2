// Cell drawing of the data-aware grid: the area of each cell and the selection test that
// drawing asks.

#include <gtest/gtest.h>

#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

TEST(GridCellAreas, EachRowKindWithItsIndexAndAnErrorBeyondThem) {
  DataGridFixture f(10);
  f.grid->STFilter().SetVisible(true);
  f.grid->SetFooterRowCount(2);
  f.ui.Process();
  TCustomDBGridEh& grid = *f.grid;
  ASSERT_EQ(grid.TitleOffset(), 2);
  const int firstFooter = grid.RowCount();
  ASSERT_GT(firstFooter, 3);

  struct Expected {
    int row;
    TCellRowKindEh kind;
    int areaRow;
  };
  const Expected rows[] = {{0, crkTitleEh, 0},       {1, crkFilterEh, 0},         {2, crkDataEh, 0},
                           {3, crkDataEh, 1},        {firstFooter - 1, crkDataEh, firstFooter - 3},
                           {firstFooter, crkFooterEh, 0}, {firstFooter + 1, crkFooterEh, 1}};
  for (const Expected& e : rows) {
    int dataCol = 99, areaRow = 99;
    const TGridCellTypeEh type = grid.GetCellType(2, e.row, dataCol, areaRow);
    EXPECT_EQ(type.ColKind, cckDataEh) << "row " << e.row;
    EXPECT_EQ(type.RowKind, e.kind) << "row " << e.row;
    EXPECT_EQ(areaRow, e.areaRow) << "row " << e.row;
    EXPECT_EQ(dataCol, 1);
  }
  int dataCol = 0, areaRow = 0;
  EXPECT_EQ(grid.GetCellType(0, 2, dataCol, areaRow).ColKind, cckIndicatorEh);
  EXPECT_EQ(dataCol, -1);

  for (int beyond : {firstFooter + 2, -1}) {
    try {
      grid.GetCellType(1, beyond, dataCol, areaRow);
      ADD_FAILURE() << "row " << beyond << " fits no area";
    } catch (const EInvalidGridOperationEh& e) {
      EXPECT_EQ(e.Message(), "Algorithm error in TCustomDBGridEh.GetCellType");
    }
  }

  // Without titles the filter row is the first row and still index 0.
  grid.SetOptions(grid.Options() - TDBGridOptions{dgTitles});
  f.ui.Process();
  EXPECT_EQ(grid.GetCellType(1, 0, dataCol, areaRow).RowKind, crkFilterEh);
  EXPECT_EQ(areaRow, 0);
  EXPECT_EQ(grid.GetCellType(1, 1, dataCol, areaRow).RowKind, crkDataEh);
  EXPECT_EQ(areaRow, 0);
}

TEST(GridCellAreas, SelectedCellsForEachSelectionType) {
  DataGridFixture f(5);
  TCustomDBGridEh& grid = *f.grid;
  const int dataRow = grid.TitleOffset();
  f.data.First();
  const TBookmarkStr first = f.data.Bookmark();
  f.data.Next();
  const TBookmarkStr second = f.data.Bookmark();
  f.data.Next();
  const TBookmarkStr third = f.data.Bookmark();

  EXPECT_FALSE(grid.IsCellSelected(1, 0, dataRow, first)) << "no selection";

  f.data.Locate("ID", Variant(2), {});
  grid.SelectedRows().SetCurrentRowSelected(true);
  EXPECT_TRUE(grid.IsCellSelected(0, -1, dataRow + 1, second)) << "indicator of a selected row";
  EXPECT_FALSE(grid.IsCellSelected(0, -1, dataRow, first));
  EXPECT_TRUE(grid.IsCellSelected(2, 1, dataRow + 1, second));
  EXPECT_FALSE(grid.IsCellSelected(0, -1, 0, second)) << "the indicator's title is no data row";
  EXPECT_FALSE(grid.IsCellSelected(2, 1, 0, second)) << "titles only count for columns";

  grid.Selection().Rect().Select(1, first, false);
  grid.Selection().Rect().Select(2, second, true);
  ASSERT_EQ(grid.Selection().SelectionType(), gstRectangle);
  EXPECT_TRUE(grid.IsCellSelected(3, 2, dataRow, first));
  EXPECT_FALSE(grid.IsCellSelected(4, 3, dataRow, first)) << "right of the rectangle";
  EXPECT_FALSE(grid.IsCellSelected(2, 1, dataRow + 2, third)) << "below the rectangle";
  EXPECT_FALSE(grid.IsCellSelected(0, -1, dataRow, first)) << "the indicator only shows selected rows";
  EXPECT_FALSE(grid.IsCellSelected(2, 1, 0, first)) << "titles only count for columns";

  grid.Selection().Columns().Select(grid.Columns().Items(1), false);
  ASSERT_EQ(grid.Selection().SelectionType(), gstColumns);
  EXPECT_TRUE(grid.IsCellSelected(2, 1, 0, TBookmarkStr())) << "the title of a selected column";
  EXPECT_TRUE(grid.IsCellSelected(2, 1, dataRow + 2, third));
  EXPECT_FALSE(grid.IsCellSelected(3, 2, 0, TBookmarkStr()));
  EXPECT_FALSE(grid.IsCellSelected(0, -1, dataRow, first));

  grid.Selection().SelectAll();
  EXPECT_TRUE(grid.IsCellSelected(0, -1, 0, TBookmarkStr())) << "everything, titles and indicator too";
  EXPECT_TRUE(grid.IsCellSelected(4, 3, dataRow + 2, third));
}

TEST(GridCellAreas, RowSelectFocusNeedsTheOptionDefaultDrawingAndFocus) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  grid.SetOptions(grid.Options() + TDBGridOptions{dgRowSelect});
  grid.SetFocus();
  f.ui.Process();
  ASSERT_TRUE(grid.IsFocused());
  EXPECT_TRUE(grid.IsRowSelectFocused());
  grid.SetDefaultDrawing(false);
  EXPECT_FALSE(grid.IsRowSelectFocused());
  grid.SetDefaultDrawing(true);
  grid.SetOptions(grid.Options() - TDBGridOptions{dgRowSelect});
  EXPECT_FALSE(grid.IsRowSelectFocused());
}

}  // namespace
}  // namespace ordvane
