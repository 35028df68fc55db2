// Title and cell clicks through the mouse of the test driver: a press and release over
// one title or data cell fires the grid's click with the column, after the title
// button's own click and sorting; releases elsewhere, inside the editor, over a group
// caption, after sizing a column or after a cancelled press fire nothing; a handler that
// replaces the columns is survived.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/ui/WinInput.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

struct CellClickFixture : DataGridFixture<> {
  std::vector<std::string> events;

  explicit CellClickFixture(std::initializer_list<const char*> captions = {}) {
    const char* fields[] = {"ID", "NAME", "CODE"};
    auto caption = captions.begin();
    for (const char* name : fields) {
      TColumnEh* column = Column(name);
      if (caption != captions.end()) column->Title().SetCaption(*caption++);
    }
    grid->OnTitleClick = [this](TColumnEh* column) { events.push_back("title " + Name(column)); };
    grid->OnCellClick = [this](TColumnEh* column) { events.push_back("cell " + Name(column)); };
    ui.Process();
  }

  static std::string Name(const TColumnEh* column) { return column->FieldName().c_str(); }
  TRect Cell(int dataCol, int row) const { return grid->CellRect(grid->DataToRawColumn(dataCol), row); }
  TPoint Centre(int dataCol, int row) const {
    const TRect r = Cell(dataCol, row);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Click(int dataCol, int row) { ui.Click(grid, Centre(dataCol, row)); }
  void PressAndRelease(TPoint press, TPoint release) {
    ui.Press(grid, press);
    ui.MoveTo(grid, release);
    ui.Release(grid, release);
  }
  // Every column's title a button that sorts, each step written down.
  void SortOnTitleButtons() {
    for (int col = 0; col < grid->Columns().Count(); ++col)
      grid->Columns().Items(col)->Title().SetTitleButton(true);
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
    grid->OnTitleBtnClick = [this](TObject*, int, TColumnEh* column) { events.push_back("button " + Name(column)); };
    grid->OnSortMarkingChanged = [this](TObject*) { events.push_back("sort"); };
    ui.Process();
  }
};

using Events = std::vector<std::string>;

TEST(CellClick, APressAndReleaseOverOneCellClicksItsColumn) {
  CellClickFixture f;
  f.Click(1, 0);
  f.Click(2, 2);
  f.Click(0, 3);
  EXPECT_EQ(f.events, (Events{"title NAME", "cell CODE", "cell ID"})) << "a title that is no button clicks too";
  f.events.clear();

  f.PressAndRelease(f.Centre(0, 0), f.Centre(1, 0));
  f.PressAndRelease(f.Centre(1, 0), f.Centre(1, 1));
  f.PressAndRelease(f.Centre(1, 1), f.Centre(1, 0));
  f.PressAndRelease(f.Centre(2, 1), {f.Cell(2, 1).right + 100, f.Cell(2, 1).top + 2});
  EXPECT_TRUE(f.events.empty()) << "a release away from the pressed cell";

  const TRect indicator = f.grid->CellRect(0, 1);
  f.ui.Click(f.grid, {(indicator.left + indicator.right) / 2, indicator.top + 3});
  f.ui.Click(f.grid, f.Centre(1, 2), THostButton::Right);
  EXPECT_TRUE(f.events.empty()) << "the indicator and the right button";

  // A release without a press of its own: the press went down on another window.
  f.ui.Release(f.grid, f.Centre(2, 2));
  EXPECT_TRUE(f.events.empty()) << "a stale press";
}

TEST(CellClick, AReleaseInsideTheShownEditorIsNoClick) {
  CellClickFixture f;
  f.Click(1, 2);
  ASSERT_EQ(f.events, (Events{"cell NAME"}));
  f.ui.Advance(2000);  // not a double click
  f.Click(1, 2);
  ASSERT_NE(f.grid->InplaceEditor(), nullptr);
  EXPECT_TRUE(f.grid->InplaceEditor()->Visible()) << "the press on the current cell opened the editor";
  EXPECT_EQ(f.events, (Events{"cell NAME"}));
}

TEST(CellClick, TheTitleClickFollowsTheButtonClickAndTheSorting) {
  CellClickFixture f;
  f.SortOnTitleButtons();
  f.Click(1, 0);
  EXPECT_EQ(f.events, (Events{"button NAME", "sort", "title NAME"}));
  f.events.clear();

  f.ui.KeyDown(VK_CONTROL);
  f.Click(2, 0);
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.events, (Events{"button CODE", "title CODE", "sort"})) << "a Ctrl+click sorts on the key's release";
}

TEST(CellClick, AGroupCaptionIsNoColumnsTitle) {
  CellClickFixture f({"A|B", "A|C", "D"});
  f.SortOnTitleButtons();
  f.grid->SetUseMultiTitle(true);
  f.ui.Process();
  const int groupHeight = f.grid->HeadTree().Child()->Height;
  const TPoint onGroup{f.Cell(1, 0).left + 5, groupHeight / 2};
  const TPoint onOwnBand{f.Cell(0, 0).left + 5, groupHeight + 3};
  ASSERT_GT(groupHeight, 0);
  ASSERT_LT(onOwnBand.y, f.Cell(0, 0).bottom);

  f.ui.Click(f.grid, onGroup);
  f.PressAndRelease(onOwnBand, {onOwnBand.x, groupHeight / 2});
  EXPECT_TRUE(f.events.empty()) << "neither a click on the group nor a release over it";

  f.ui.Click(f.grid, onOwnBand);
  f.ui.Click(f.grid, {f.Cell(2, 0).left + 5, 3});
  EXPECT_EQ(f.events, (Events{"button ID", "sort", "title ID", "button CODE", "sort", "title CODE"}))
      << "a column's own band, and a title without groups from its top";
}

TEST(CellClick, SizingAColumnOrACancelledPressIsNoClick) {
  CellClickFixture f;
  const int before = f.grid->ColWidths(f.grid->DataToRawColumn(0));
  const TRect title = f.Cell(0, 0);
  // Dragged wider, the border ends inside the same title.
  f.ui.Drag(f.grid, {title.right, title.top + 5}, {title.right + 30, title.top + 5});
  ASSERT_GT(f.grid->ColWidths(f.grid->DataToRawColumn(0)), before + 20);
  EXPECT_TRUE(f.events.empty()) << "a sized column";

  for (const int row : {0, 2}) {
    f.ui.Press(f.grid, f.Centre(1, row));
    SendMessage(f.grid->Handle(), WM_CANCELMODE, 0, 0);
    f.ui.Release(f.grid, f.Centre(1, row));
  }
  EXPECT_TRUE(f.events.empty()) << "cancelled presses";
}

TEST(CellClick, AButtonHandlerReplacingTheColumnsIsSurvived) {
  CellClickFixture f;
  f.SortOnTitleButtons();
  f.grid->OnTitleBtnClick = [&](TObject*, int, TColumnEh*) {
    f.grid->Columns().Clear();
    f.Column("CODE");
  };
  f.Click(2, 0);
  EXPECT_EQ(f.events, (Events{})) << "the clicked place has no column any more";

  CellClickFixture g;
  g.SortOnTitleButtons();
  g.grid->OnTitleBtnClick = [&](TObject*, int, TColumnEh*) {
    g.grid->Columns().Clear();
    g.Column("CODE");
    g.Column("ID");
  };
  g.Click(1, 0);
  EXPECT_EQ(g.events, (Events{"sort", "title ID"})) << "the column now in the clicked place";
}

}  // namespace
}  // namespace ordvane
