// The grid's style and selection: the shared style and what its colours are, selected
// rows, rectangles and columns with their bounds, choosing the current column, moving
// columns, the external horizontal bar and a column's popup menu.

#include <gtest/gtest.h>

#include "classlib/ui/Menus.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

// A style whose screen colour count a test decides.
class TScriptedStyle : public TDBGridEhStyle {
 public:
  int nextColorCount = -1;

 protected:
  int GetScreenColorCount() override { return nextColorCount; }
};

TEST(GridStyle, GridsAttachToTheSharedStyleAndFallBackWhenAStyleGoes) {
  DataGridFixture f;
  TDBGridEhStyle* shared = DBGridEhDefaultStyle();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(f.grid->Style(), shared);
  const int registered = shared->GridCount();
  shared->AddGrid(f.grid);
  EXPECT_EQ(shared->GridCount(), registered) << "a grid is listed once";

  auto* own = new TDBGridEhStyle;
  f.grid->SetStyle(own);
  EXPECT_FALSE(shared->IsGridRegistered(f.grid));
  EXPECT_TRUE(own->IsGridRegistered(f.grid));
  delete own;
  EXPECT_EQ(f.grid->Style(), shared) << "the grid's own style went: the shared one again";

  auto* replacement = new TDBGridEhStyle;
  TDBGridEhStyle* previous = SetDBGridEhDefaultStyle(replacement);
  f.grid->SetStyle(replacement);
  delete replacement;
  EXPECT_EQ(DBGridEhDefaultStyle(), nullptr);
  EXPECT_EQ(f.grid->Style(), nullptr) << "no shared style left: the built-in colours";
  SetDBGridEhDefaultStyle(previous);
  f.grid->SetStyle(nullptr);
  EXPECT_EQ(f.grid->Style(), nullptr) << "nil is the current value: nothing happens";
  f.grid->SetStyle(previous);
  EXPECT_EQ(f.grid->Style(), previous);
}

TEST(GridStyle, BlendsAndColoursOfSelectedCells) {
  // clWhite towards the classic highlight 0x6A240A (R 10, G 36, B 106), channel by channel:
  // m = A + (B - A) / 2; r = m + (225 - m) * 0.6; darker r -= (122 - r) / 4.
  // R: m 132.5, r 188.3, darker 204.875 -> 205; G: m 145.5, r 193.2, darker 211 -> 211;
  // B: m 180.5, r 207.2, darker 228.5 -> 229 (round half away from zero).
  EXPECT_EQ(BlendColorsEh(clWhite, clHighlight, true), RGB(205, 211, 229));
  // clSilver (192) towards clBtnShadow (128), not darker: m 160, r 199.
  EXPECT_EQ(BlendColorsEh(clSilver, clBtnShadow, false), RGB(199, 199, 199));

  DataGridFixture f;
  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgMultiSelect});
  f.grid->SelectedRows().SetCurrentRowSelected(true);
  TScriptedStyle style;
  f.grid->SetStyle(&style);
  TFont font;
  TColor background = clWhite;
  // The grid is not focused: a selected cell gets the blend with the button shadow.
  style.GetDataCellColors(f.grid, 1, 1, {}, background, font);
  EXPECT_EQ(ColorToRGB(background), BlendColorsEh(clWhite, clBtnShadow, false));

  // A palette screen, heard of through the system colour message.
  style.nextColorCount = 256;
  SendMessage(style.Handle(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(style.ScreenColorCount(), 256);
  background = clWhite;
  style.GetDataCellColors(f.grid, 1, 1, {}, background, font);
  EXPECT_EQ(background, clBtnFace);

  background = clWhite;
  style.GetHighlightCellColors(f.grid, background, font, true, hckTitleEh);
  EXPECT_EQ(background, static_cast<TColor>(0x404040));
  EXPECT_EQ(font.Color(), static_cast<TColor>(0xFFFFFF));
  f.grid->SetStyle(nullptr);
}

struct SelectingGrid : DataGridFixture<> {
  SelectingGrid() : DataGridFixture(30) {
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    FitDataRows(10);
  }
  TBookmarkStr BookmarkOf(int recNo) {
    data.SetRecNo(recNo);
    return data.Bookmark();
  }
};

TEST(GridSelection, EachKindAnswersWhichCellsItHolds) {
  SelectingGrid f;
  TDBGridEhSelection& selection = f.grid->Selection();
  const TBookmarkStr second = f.BookmarkOf(2);
  const TBookmarkStr fifth = f.BookmarkOf(5);
  f.data.SetRecNo(2);
  f.grid->SelectedRows().SetCurrentRowSelected(true);
  EXPECT_EQ(selection.SelectionType(), gstRecordBookmarks);
  EXPECT_TRUE(selection.DataCellSelected(3, second));
  EXPECT_FALSE(selection.DataCellSelected(3, fifth));

  selection.Rect().Select(1, second, false);
  selection.Rect().Select(2, fifth, true);
  EXPECT_EQ(selection.SelectionType(), gstRectangle);
  EXPECT_EQ(f.grid->SelectedRows().GetCount(), 0) << "the row selection gave way";
  EXPECT_TRUE(selection.DataCellSelected(2, f.BookmarkOf(4)));
  EXPECT_FALSE(selection.DataCellSelected(3, f.BookmarkOf(4)));
  EXPECT_FALSE(selection.DataCellSelected(1, f.BookmarkOf(6)));
  f.data.First();
  EXPECT_EQ(selection.GetSelectionBounds(), (TGridRect{2, 2, 3, 5}));

  f.data.SetRecNo(7);
  f.grid->SelectedRows().SetCurrentRowSelected(true);
  EXPECT_EQ(selection.SelectionType(), gstRecordBookmarks) << "selecting a row switches to rows";
  EXPECT_FALSE(selection.DataCellSelected(2, f.BookmarkOf(4)));

  selection.Columns().Select(f.grid->Columns().Items(4), false);
  EXPECT_EQ(selection.SelectionType(), gstColumns);
  EXPECT_TRUE(selection.DataCellSelected(4, second));
  EXPECT_FALSE(selection.DataCellSelected(3, second));
  selection.SelectAll();
  EXPECT_TRUE(selection.DataCellSelected(0, fifth));
  selection.Clear();
  EXPECT_EQ(selection.SelectionType(), gstNon);
  EXPECT_FALSE(selection.DataCellSelected(0, fifth));

  selection.Rect().Select(1, second, false);
  selection.Rect().Select(1, second, true);
  EXPECT_EQ(selection.SelectionType(), gstNon) << "anchor and corner meet";
}

TEST(GridSelection, BoundsCoverOnlyRowsInViewAndDeletedColumnsLeave) {
  SelectingGrid f;
  for (int recNo : {3, 25}) {
    f.data.SetRecNo(recNo);
    f.grid->SelectedRows().SetCurrentRowSelected(true);
  }
  f.data.First();
  const int lastCol = f.grid->ColCount() - 1;
  EXPECT_EQ(f.grid->Selection().GetSelectionBounds(), (TGridRect{0, 3, lastCol, 3}))
      << "record 25 is out of view";
  f.data.Last();
  EXPECT_EQ(f.grid->Selection().GetSelectionBounds().Top, f.grid->RowCount() - 1 - 5);
  f.data.SetRecNo(15);
  EXPECT_EQ(f.grid->Selection().GetSelectionBounds(), (TGridRect{-1, -1, -1, -1}));

  TDBGridEhSelectionCols& cols = f.grid->Selection().Columns();
  cols.Select(f.grid->Columns().Items(1), false);
  cols.SelectShift(f.grid->Columns().Items(3));
  EXPECT_EQ(cols.Count(), 3);
  TColumnEh* gone = f.grid->Columns().Items(2);
  f.Column("ID");  // a column of the user's: the default ones are dropped
  EXPECT_EQ(cols.IndexOf(gone), -1);
  EXPECT_EQ(cols.Count(), 0);
}

TEST(GridColumns, SelectColumnSkipsZeroWidthsAndTellsExitAndEnterOnce) {
  SelectingGrid f;
  std::vector<std::string> events;
  f.grid->OnColExit = [&](TObject*) { events.push_back("exit " + std::to_string(f.grid->SelectedIndex())); };
  f.grid->OnColEnter = [&](TObject*) {
    events.push_back("enter " + std::to_string(f.grid->SelectedIndex()));
  };
  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgColLines});
  f.grid->Columns().Items(1)->SetVisible(false);
  f.grid->SelectColumn(f.grid->DataToRawColumn(0), 0, false);
  events.clear();
  f.grid->SelectColumn(f.grid->DataToRawColumn(1), 1, false);
  EXPECT_EQ(f.grid->SelectedIndex(), 2) << "the hidden column has no width";
  EXPECT_EQ(events, (std::vector<std::string>{"exit 0", "enter 2"}));
  f.grid->SelectColumn(f.grid->DataToRawColumn(2), 0, false);
  EXPECT_EQ(events.size(), 2U) << "the same column again: no events";

  f.data.SetRecNo(3);
  f.grid->SelectColumn(f.grid->DataToRawColumn(4), 1, true);
  EXPECT_EQ(f.grid->Selection().SelectionType(), gstRectangle);
  EXPECT_EQ(f.grid->Selection().GetSelectionBounds(), (TGridRect{3, 3, 5, 3}));

  f.grid->Selection().Clear();
  f.Field("CITY_ID")->FocusControl();
  f.ui.Process();
  EXPECT_TRUE(f.grid->IsFocused());
  EXPECT_EQ(f.grid->SelectedField(), f.Field("CITY_ID"));
  EXPECT_TRUE(f.grid->InplaceEditor() != nullptr && f.grid->InplaceEditor()->Visible());
}

TEST(GridColumns, MovedColumnsFireWithDataIndexesAndKeepTheirPlace) {
  DataGridFixture f;
  int from = -1;
  int to = -1;
  f.grid->OnColumnMoved = [&](TObject*, int a, int b) {
    from = a;
    to = b;
  };
  f.grid->MoveColumn(f.grid->DataToRawColumn(0), f.grid->DataToRawColumn(2));
  EXPECT_EQ(from, 0);
  EXPECT_EQ(to, 2);
  EXPECT_EQ(f.grid->Columns().Items(2)->FieldName(), "ID");
  f.grid->LayoutChanged();
  EXPECT_EQ(f.grid->Columns().Items(2)->FieldName(), "ID") << "the field moved with it";
  EXPECT_EQ(f.Field("ID")->Index(), 2);
}

TEST(GridColumns, AnExternalHorizontalBarFollowsTheLeftColumn) {
  DataGridFixture f;
  auto* bar = new TScrollBar(f.form.get());
  bar->SetParent(f.form.get());
  f.grid->HorzScrollBar().SetExtScrollBar(bar);
  for (int i = 0; i < f.grid->Columns().Count(); ++i) f.grid->Columns().Items(i)->SetWidth(40);
  f.grid->UpdateHorzExtScrollBar();
  EXPECT_EQ(bar->Max(), 0) << "every column is in view";

  for (int i = 0; i < f.grid->Columns().Count(); ++i) f.grid->Columns().Items(i)->SetWidth(150);
  f.grid->UpdateHorzExtScrollBar();
  EXPECT_EQ(bar->Min(), 0);
  EXPECT_EQ(bar->Max(), 127);
  EXPECT_EQ(bar->Position(), 0);
  TGridDrawInfo info;
  f.grid->ComputeDrawInfo(info);
  const int greatest = f.grid->CalcMaxTopLeft({f.grid->ColCount() - 1, f.grid->RowCount() - 1}, info).X;
  f.grid->SetLeftCol(greatest);
  f.grid->UpdateHorzExtScrollBar();
  EXPECT_EQ(bar->Position(), 127);
  delete bar;
  EXPECT_EQ(f.grid->HorzScrollBar().ExtScrollBar(), nullptr);
}

TEST(GridColumns, ARightClickOverACellShowsItsColumnsMenu) {
  DataGridFixture f;
  auto* menu = new TPopupMenu(f.form.get());
  int popups = 0;
  menu->OnPopup = [&](TObject*) { ++popups; };
  f.grid->Columns().Items(1)->SetPopupMenu(menu);
  const TRect cell = f.grid->CellRect(f.grid->DataToRawColumn(1), 2);
  f.ui.Later([&] { f.ui.Press(VK_ESCAPE); });
  f.ui.Click(f.grid, {cell.left + 3, cell.top + 3}, THostButton::Right);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(menu->PopupComponent(), f.grid);
  const TRect other = f.grid->CellRect(f.grid->DataToRawColumn(2), 2);
  f.ui.Click(f.grid, {other.left + 3, other.top + 3}, THostButton::Right);
  EXPECT_EQ(popups, 1) << "a column without a menu";
}

}  // namespace
}  // namespace ordvane
