// A small grid painted whole, compared pixel for pixel with its reviewed picture
// (tests/fixtures/ui/grid.png): sort-marked titles with their indexes, the indicator on the
// current record, five rows and a check-box column.

#include <gtest/gtest.h>

#include "tests/grid/DataGridSupport.h"
#include "tests/ui/GoldenSupport.h"

namespace ordvane {
namespace {

using GoldenGridFixture = test::DataGridFixture<test::TMemDataSet, TDBGridEh>;

TEST(GridGolden, SortMarkedTitlesIndicatorRowsAndCheckBoxes) {
  GoldenGridFixture f(5);
  TDBGridEh& grid = *f.grid;
  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
  f.Column("ID")->SetWidth(40);
  TColumnEh* name = f.Column("NAME");
  name->SetWidth(90);
  name->Title().SetSortMarker(smDownEh);
  name->Title().SetSortIndex(1);
  TColumnEh* code = f.Column("CODE");
  code->SetWidth(60);
  code->Title().SetSortMarker(smUpEh);
  code->Title().SetSortIndex(2);
  TColumnEh* flag = f.Column("FLAG");
  flag->SetWidth(44);
  flag->SetCheckboxes(true);
  grid.SetBounds(0, 0, 11 + 1 + 40 + 1 + 90 + 1 + 60 + 1 + 44 + 1 + 10, grid.Height());
  f.FitDataRows(5);
  f.data.SetRecNo(2);
  f.ui.Process();
  ASSERT_EQ(flag->GetColumnType(), ctCheckboxes);
  ASSERT_EQ(grid.SortMarkedColumns().Count(), 2);

  TBitmap picture(grid.ClientWidth(), grid.ClientHeight());
  grid.Perform(WM_PAINT, reinterpret_cast<WPARAM>(picture.Canvas()->Handle()), 0);
  test::CheckGolden(picture, "grid");
}

}  // namespace
}  // namespace ordvane
