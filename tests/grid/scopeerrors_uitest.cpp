// A layout that raises at the end of a layout section reaches the caller, and one that
// raises while a style lets its grids go is kept from ending the process.

#include <gtest/gtest.h>

#include "grid/DBGridEhStyle.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

class TFailingLayoutGrid : public test::TDataGrid {
 public:
  using TDataGrid::TDataGrid;
  bool fail = false;

 protected:
  void DefineFieldMap() override {
    if (fail) throw Exception("layout refused");
    TDataGrid::DefineFieldMap();
  }
};

TEST(GridScopeErrors, ALayoutThatRaisesAtASectionsEndReachesTheCaller) {
  DataGridFixture<test::TMemDataSet, TFailingLayoutGrid> f;
  TColumnsEhList columns;
  columns.Add(f.Column("NAME"));
  f.grid->fail = true;
  EXPECT_THROW(f.grid->OptimizeColsWidth(columns), Exception);
  EXPECT_EQ(f.grid->LayoutLock(), 0);
  f.grid->fail = false;
  f.grid->OptimizeColsWidth(columns);
  EXPECT_EQ(f.grid->LayoutLock(), 0);
}

TEST(GridScopeErrors, AStyleLetsGoOfAGridWhoseLayoutRaises) {
  DataGridFixture<test::TMemDataSet, TFailingLayoutGrid> f;
  {
    TDBGridEhStyle style;
    f.grid->SetStyle(&style);
    f.grid->fail = true;
  }
  f.grid->fail = false;
  // Left pointing at the style gone, the grid would reach it again here and when it ends.
  f.grid->SetStyle(nullptr);
  EXPECT_EQ(f.grid->LayoutLock(), 0);
}

}  // namespace
}  // namespace ordvane
