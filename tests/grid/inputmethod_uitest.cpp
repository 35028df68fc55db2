// Input methods in the data-aware grid: under a locale that composes its writing, the
// selected column's input-method settings go to the grid's window and its editor, the
// composition window follows the edited cell, and leaving the grid gives the desktop's
// input method back. Under any other locale the grid leaves input methods alone.

#include <gtest/gtest.h>

#include "classlib/ui/InputMethod.h"
#include "classlib/ui/StdCtrls.h"
#include "grid/DBGridEhInplaceEdit.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

struct LocaleScope {
  explicit LocaleScope(bool farEast) { SetFarEastLocale(farEast); }
  ~LocaleScope() {
    SetFarEastLocale(std::nullopt);
    SetImeName(TImeName());
  }
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;
};

struct ImeFixture : test::DataGridFixture<test::TMemDataSet, TDBGridEh> {
  TColumnEh* id = Column("ID");
  TColumnEh* name = Column("NAME");
  TColumnEh* code = Column("CODE");

  explicit ImeFixture(bool alwaysShowEditor = true) {
    if (alwaysShowEditor) grid->SetOptions(grid->Options() + TDBGridOptions{dgAlwaysShowEditor});
    grid->SetFocus();
    ui.Process();
  }
  HWND GridWnd() const { return grid->WindowHandle(); }
  HWND EditorWnd() const { return grid->InplaceEditor()->WindowHandle(); }
  void Select(TColumnEh* column) {
    grid->SetSelectedIndex(column->Index());
    ui.Process();
  }
};

TEST(GridInputMethod, TheSelectedColumnsModeAndNameGoToTheGridAndItsEditor) {
  const LocaleScope farEast(true);
  ImeFixture f;
  f.name->SetImeMode(imDisable);
  f.code->SetImeMode(imHira);
  f.code->SetImeName("kana");
  f.Select(f.name);
  EXPECT_EQ(ImeModeOf(f.GridWnd()), imDisable);
  EXPECT_EQ(ImeModeOf(f.EditorWnd()), imDisable);
  EXPECT_EQ(ActiveImeName(), "");
  f.Select(f.code);
  EXPECT_EQ(ImeModeOf(f.GridWnd()), imHira);
  EXPECT_EQ(ImeModeOf(f.EditorWnd()), imHira);
  EXPECT_EQ(ActiveImeName(), "kana");
  f.Select(f.id);
  EXPECT_EQ(ImeModeOf(f.GridWnd()), imDontCare) << "a column without its own settings takes the grid's";
  EXPECT_EQ(ActiveImeName(), "");
}

TEST(GridInputMethod, TheCompositionWindowIsTheEditedCell) {
  const LocaleScope farEast(true);
  ImeFixture f;
  f.Select(f.name);
  const std::optional<TRect> place = ImeCompositionWindowOf(f.EditorWnd());
  ASSERT_TRUE(place.has_value());
  TRect inGrid = *place;
  MapWindowPoints(f.EditorWnd(), f.GridWnd(), inGrid);
  const TRect cell = f.grid->CellRect(f.grid->Col(), f.grid->Row());
  EXPECT_EQ(inGrid, f.grid->InplaceEditor()->BoundsRect());
  TRect common{};
  EXPECT_TRUE(IntersectRect(common, inGrid, cell));
  EXPECT_EQ(common, inGrid) << "it lies in the cell";
  f.Select(f.code);
  TRect next = *ImeCompositionWindowOf(f.EditorWnd());
  MapWindowPoints(f.EditorWnd(), f.GridWnd(), next);
  EXPECT_EQ(next.left, f.grid->CellRect(f.grid->Col(), f.grid->Row()).left) << "it moves with the editor";
}

TEST(GridInputMethod, LeavingTheGridGivesTheDesktopsInputMethodBack) {
  const LocaleScope farEast(true);
  ImeFixture f(false);
  f.code->SetImeMode(imKata);
  f.code->SetImeName("kana");
  f.Select(f.code);
  auto* other = new TEdit(f.form.get());
  other->SetBounds(0, 320, 100, 24);
  other->SetParent(f.form.get());
  ASSERT_EQ(GetFocus(), f.GridWnd());
  EXPECT_EQ(ImeModeOf(f.GridWnd()), imKata);
  other->SetFocus();
  EXPECT_EQ(ActiveImeName(), "");
  EXPECT_EQ(ImeModeOf(f.GridWnd()), imDontCare);
  f.grid->SetFocus();
  EXPECT_EQ(ImeModeOf(f.GridWnd()), imKata) << "coming back from elsewhere applies the column's again";
  EXPECT_EQ(ActiveImeName(), "kana");

  f.grid->ShowEditor();
  f.ui.Process();
  ASSERT_EQ(GetFocus(), f.EditorWnd());
  EXPECT_EQ(ImeModeOf(f.EditorWnd()), imKata);
  EXPECT_EQ(ActiveImeName(), "kana") << "the grid's own editor keeps the column's input method";
  f.grid->SetFocus();
  EXPECT_EQ(ActiveImeName(), "kana") << "and so does the grid, coming back from it";
  f.grid->ShowEditor();
  other->SetFocus();
  EXPECT_EQ(ActiveImeName(), "") << "leaving the editor for elsewhere";
}

TEST(GridInputMethod, StartingACompositionOpensTheEditor) {
  const LocaleScope farEast(true);
  ImeFixture f(false);
  f.Select(f.name);
  ASSERT_FALSE(f.grid->EditorMode());
  f.grid->Perform(WM_IME_STARTCOMPOSITION, 0, 0);
  EXPECT_TRUE(f.grid->EditorMode());
}

TEST(GridInputMethod, OtherLocalesLeaveInputMethodsAlone) {
  const LocaleScope elsewhere(false);
  ImeFixture f;
  f.name->SetImeMode(imDisable);
  f.name->SetImeName("kana");
  f.Select(f.name);
  EXPECT_EQ(ImeModeOf(f.GridWnd()), imDontCare);
  EXPECT_EQ(ImeModeOf(f.EditorWnd()), imDontCare);
  EXPECT_EQ(ActiveImeName(), "");
  EXPECT_FALSE(ImeCompositionWindowOf(f.EditorWnd()).has_value());
}

}  // namespace
}  // namespace ordvane
