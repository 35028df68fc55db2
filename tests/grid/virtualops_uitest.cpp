// The grid's virtual operations: a descendant decides whether titles and the filter row
// show, whether the editor always shows, which fields the dataset's columns show, how a
// title cell paints, how the grid takes the focus, and whether painting is buffered.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "grid/DBGridEh.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::TMemDataSet;

class TDecidingGridEh : public TDBGridEh {
 public:
  using TDBGridEh::TDBGridEh;

  bool hideTitles = false;
  bool hideFilterRow = false;
  bool alwaysEditor = false;
  bool claimFocus = false;
  bool buffered = false;
  std::vector<AnsiString> shownFields;
  int titleCellsDrawn = 0;
  int focusUpdates = 0;
  mutable int bufferedAsked = 0;

  bool AreTitlesVisible() const override { return !hideTitles && TDBGridEh::AreTitlesVisible(); }
  bool IsFilterRowVisible() const override { return !hideFilterRow && TDBGridEh::IsFilterRowVisible(); }
  bool IsFocused() const override { return claimFocus || TDBGridEh::IsFocused(); }

 protected:
  bool CanEditorAlwaysShow() const override { return alwaysEditor || TDBGridEh::CanEditorAlwaysShow(); }
  bool UpdateEditorFocus() override {
    ++focusUpdates;
    return TDBGridEh::UpdateEditorFocus();
  }
  void GetDatasetFieldList(std::vector<TField*>& fields) override {
    TDBGridEh::GetDatasetFieldList(fields);
    if (shownFields.empty()) return;
    std::erase_if(fields, [this](TField* field) {
      return std::find(shownFields.begin(), shownFields.end(), field->FieldName()) == shownFields.end();
    });
  }
  bool NeedsBufferedPaint() const override {
    ++bufferedAsked;
    return buffered;
  }
  TCellLookEh DrawTitleCell(int col, int row, const TRect& rect, TColumnEh& column,
                            TGridCellTypeEh type) override {
    ++titleCellsDrawn;
    return TDBGridEh::DrawTitleCell(col, row, rect, column, type);
  }
};

using DecidingGrid = DataGridFixture<TMemDataSet, TDecidingGridEh>;

TEST(GridVirtualOps, TitlesAndTheFilterRowShowAsTheDescendantDecides) {
  DecidingGrid f;
  TDecidingGridEh& grid = *f.grid;
  grid.STFilter().SetVisible(true);
  f.ui.Process();
  EXPECT_EQ(grid.TitleOffset(), 2);
  EXPECT_GT(grid.titleCellsDrawn, 0);
  grid.hideFilterRow = true;
  grid.LayoutChanged();
  EXPECT_EQ(grid.TitleOffset(), 1);
  grid.hideTitles = true;
  grid.LayoutChanged();
  f.ui.Process();
  grid.titleCellsDrawn = 0;
  grid.Invalidate();
  f.ui.Process();
  EXPECT_EQ(grid.TitleOffset(), 0);
  EXPECT_EQ(grid.titleCellsDrawn, 0);
}

TEST(GridVirtualOps, TheDatasetsColumnsShowTheFieldsTheDescendantLists) {
  DecidingGrid f;
  f.grid->shownFields = {"NAME", "ID"};
  f.grid->SetDataSource(nullptr);
  f.grid->SetDataSource(&f.source);
  f.ui.Process();
  ASSERT_EQ(f.grid->Columns().Count(), 2);
  EXPECT_EQ(f.grid->Columns().Items(0)->FieldName(), "ID") << "in the dataset's order";
  EXPECT_EQ(f.grid->Columns().Items(1)->FieldName(), "NAME");
}

// Moving to another column shows the editor when it always shows.
TEST(GridVirtualOps, TheEditorShowsWhenTheDescendantSaysItAlwaysDoes) {
  DecidingGrid f;
  f.grid->SetFocus();
  f.ui.Process();
  f.grid->SetSelectedIndex(1);
  f.ui.Process();
  EXPECT_FALSE(f.grid->EditorMode());
  f.grid->alwaysEditor = true;
  f.grid->SetSelectedIndex(2);
  f.ui.Process();
  EXPECT_TRUE(f.grid->EditorMode());
}

// The scroll bar takes the focus through the descendant's step, and a grid that counts
// itself focused does not take it from the control that has it.
TEST(GridVirtualOps, TheGridTakesTheFocusThroughTheDescendantsStep) {
  DecidingGrid f(100);
  auto* other = new TEdit(f.form.get());
  other->SetParent(f.form.get());
  other->SetBounds(0, 400, 100, 21);
  other->SetFocus();
  f.ui.Process();
  f.grid->claimFocus = true;
  f.grid->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(f.grid->focusUpdates, 1);
  EXPECT_TRUE(other->Focused());
  const int moved = f.data.RecNo();
  EXPECT_GT(moved, 1) << "the bar still moves the record";
  f.grid->claimFocus = false;
  f.grid->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(f.grid->focusUpdates, 2);
  EXPECT_TRUE(f.grid->Focused());
  EXPECT_GT(f.data.RecNo(), moved);
}

// Painting through a bitmap shows what painting on the window does, for the whole grid and
// for one cell painted again.
TEST(GridVirtualOps, BufferedPaintingShowsWhatDirectPaintingDoes) {
  DecidingGrid f;
  f.grid->Invalidate();
  f.ui.Process();
  const TRaster direct = test::UiDriver::Screen();
  f.grid->buffered = true;
  f.grid->bufferedAsked = 0;
  f.grid->Invalidate();
  f.ui.Process();
  EXPECT_GT(f.grid->bufferedAsked, 0);
  EXPECT_TRUE(test::UiDriver::Screen() == direct);
  f.grid->InvalidateCell(2, 2);
  f.ui.Process();
  EXPECT_TRUE(test::UiDriver::Screen() == direct);
}

}  // namespace
}  // namespace ordvane
