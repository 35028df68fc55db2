// The grid's in-place editor, driven by the keyboard and the mouse as a user would: which
// keys reach the grid, loading and handing back the text, read-only cells, double clicks,
// following the cell, focus, and the current cell painted whenever the editor does not
// cover it.

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/SysMetrics.h"
#include "tests/gridbase/GridTestSupport.h"

namespace ordvane {
namespace {

using test::GridFixture;
using test::TCellGrid;
using test::UiDriver;

// A focused editing grid whose cell (1, 1) holds "abc".
struct EditorFixture : GridFixture {
  explicit EditorFixture(TGridOptionsEh added = {}) {
    grid->texts[{1, 1}] = "abc";
    grid->SetOptions(grid->Options() + TGridOptionsEh{grEditing} + added);
    grid->SetFocus();
    ui.Process();
  }
  TInplaceEdit& Show() {
    grid->ShowEditor();
    ui.Process();
    return *grid->InplaceEditor();
  }
  int Count(const std::string& line) const {
    return static_cast<int>(std::count(grid->log.begin(), grid->log.end(), line));
  }
};

TEST(GridEditor, EachKeyReachesTheGridTheEditOrNothing) {
  enum Outcome { ToGrid, ToEdit, Dropped };
  struct Case {
    const char* name;
    TGridOptionsEh added;
    bool readOnly;
    Word key;
    TShiftState shift;
    Outcome outcome;
    AnsiString textAfter;
  };
  // The editor starts with "abc" wholly selected, the caret at its end; the clipboard
  // holds "P". A Right the grid takes moves the editor on to the empty cell beside.
  const Case cases[] = {
      {"Insert", {}, false, VK_INSERT, {}, ToGrid, "abc"},
      {"Shift+Insert", {}, false, VK_INSERT, {ssShift}, ToEdit, "P"},
      {"Shift+Insert, read-only", {}, true, VK_INSERT, {ssShift}, Dropped, "abc"},
      {"Ctrl+Delete, read-only", {}, true, VK_DELETE, {ssCtrl}, ToGrid, "abc"},
      {"Delete", {}, false, VK_DELETE, {}, ToEdit, ""},
      {"Delete, read-only", {}, true, VK_DELETE, {}, Dropped, "abc"},
      {"Escape", {}, false, VK_ESCAPE, {}, ToGrid, "abc"},
      {"Up", {}, false, VK_UP, {}, ToGrid, "abc"},
      {"Down", {}, false, VK_DOWN, {}, ToGrid, "abc"},
      {"Tab", {grTabs}, false, VK_TAB, {}, ToGrid, "abc"},
      {"Right", {}, false, VK_RIGHT, {}, ToEdit, "abc"},
      {"Right at the right side, always shown", {grAlwaysShowEditor}, false, VK_RIGHT, {}, ToGrid, ""},
      {"Left off the left side, always shown", {grAlwaysShowEditor}, false, VK_LEFT, {}, ToEdit, "abc"},
      {"Ctrl+Left, always shown", {grAlwaysShowEditor}, false, VK_LEFT, {ssCtrl}, ToGrid, "abc"},
      {"Ctrl+Left", {}, false, VK_LEFT, {ssCtrl}, ToEdit, "abc"},
  };
  for (const Case& c : cases) {
    EditorFixture f(c.added);
    f.grid->editLimit = c.readOnly ? -1 : 0;
    Clipboard()->SetAsText("P");
    TInplaceEdit& editor = f.Show();
    int onKeyDown = 0;
    f.grid->OnKeyDown = [&](TObject*, Word& key, TShiftState) { onKeyDown += key == c.key; };
    f.grid->log.clear();
    f.ui.Press(c.key, c.shift);
    EXPECT_EQ(f.Count("KeyDown " + std::to_string(c.key)), c.outcome == ToGrid ? 1 : 0) << c.name;
    EXPECT_EQ(onKeyDown, c.outcome == Dropped ? 0 : 1) << c.name;
    EXPECT_EQ(editor.Text(), c.textAfter) << c.name;
  }
}

TEST(GridEditor, AltTabStaysOutOfTheGridF2DeselectsAndEnterToggles) {
  EditorFixture f({grTabs, grAlwaysShowEditor});
  TInplaceEdit& editor = f.Show();
  f.grid->log.clear();
  editor.Perform(WM_KEYDOWN, VK_TAB, LPARAM{1} << 29);  // Alt held
  std::vector<Word> seen;
  f.grid->OnKeyDown = [&](TObject*, Word& key, TShiftState) { seen.push_back(key); };
  ASSERT_EQ(editor.SelLength(), 3);
  f.ui.Press(VK_F2);
  EXPECT_TRUE(f.grid->log.empty());
  EXPECT_EQ(seen, std::vector<Word>{VK_F2});
  EXPECT_EQ(editor.SelLength(), 0);
  EXPECT_EQ(editor.SelStart(), 3);
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(editor.SelLength(), 3);
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(editor.SelLength(), 0);
  EXPECT_EQ(editor.SelStart(), 3);
  EXPECT_EQ(editor.Text(), "abc");
}

TEST(GridEditor, ShowsOverTheCurrentCellLoadedWithoutAnEditAndHandsEveryKeystrokeBack) {
  EditorFixture f;
  TCellGrid& g = *f.grid;
  g.editLimit = 5;
  g.Font()->SetSize(14);
  TInplaceEdit& editor = f.Show();
  EXPECT_TRUE(editor.Visible() && editor.BoundsRect() == g.CellRect(1, 1));
  EXPECT_EQ(editor.Text(), "abc");
  EXPECT_EQ(editor.SelLength(), 3);
  EXPECT_EQ(editor.MaxLength(), 5);
  EXPECT_EQ(editor.Font()->Size(), 14);
  EXPECT_TRUE(g.edits.empty()) << "loading is no edit";
  TRect formatting;
  editor.Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatting));
  EXPECT_TRUE(formatting == Rect(2, 2, editor.Width() - 2, editor.Height()));
  EXPECT_EQ(GetFocus(), editor.Handle());
  EXPECT_EQ(GetParentForm(&g)->ActiveControl(), &g);

  f.ui.Type("xy");
  EXPECT_EQ(g.edits, (std::vector<std::string>{"1,1=x", "1,1=xy"}));
  g.SetCol(2);
  EXPECT_FALSE(editor.Visible());
  EXPECT_EQ(g.edits.back(), "1,1=xy") << "moving on hands the text over once more";

  // A character typed on the grid opens the editor over its cell, in its mask.
  g.editMask = "00;1;_";
  g.texts[{2, 1}] = "12";
  g.edits.clear();
  f.ui.Type("7");
  EXPECT_TRUE(editor.Visible() && editor.BoundsRect() == g.CellRect(2, 1));
  EXPECT_EQ(editor.EditMask(), "00;1;_");
  EXPECT_EQ(g.edits, std::vector<std::string>{"2,1=7 "}) << "the character took the selected text's place";

  g.HideEditor();
  f.ui.Press(VK_F2);
  EXPECT_EQ(editor.Text(), "12");
  EXPECT_EQ(editor.SelLength(), 0);
  EXPECT_EQ(editor.SelStart(), 2);

  g.HideEditor();
  editor.SetVisible(false);
  editor.SetVisible(true);
  EXPECT_FALSE(editor.Visible()) << "only the grid shows its editor";
}

TEST(GridEditor, AReadOnlyCellRefusesTypingPastingAndCutting) {
  EditorFixture f;
  f.grid->editLimit = -1;
  TInplaceEdit& editor = f.Show();
  Clipboard()->SetAsText("P");
  f.ui.Type("z");
  for (const Word key : {Word{VK_BACK}, Word{'V'}, Word{'X'}})
    f.ui.Press(key, key == VK_BACK ? TShiftState{} : TShiftState{ssCtrl});
  for (const UINT msg : {WM_PASTE, WM_CUT, WM_CLEAR}) editor.Perform(msg, 0, 0);
  EXPECT_EQ(editor.Text(), "abc");
  EXPECT_EQ(Clipboard()->AsText(), "P");
  EXPECT_TRUE(f.grid->edits.empty());
}

TEST(GridEditor, APressSoonAfterOneOnTheGridIsADoubleClick) {
  struct Case {
    const char* name;
    std::function<void(UiDriver&, TInplaceEdit&)> between;
    int doubleClicks;
  };
  const Case cases[] = {
      {"within the double-click time", [](UiDriver& ui, TInplaceEdit&) { ui.Advance(100); }, 1},
      {"after it", [](UiDriver& ui, TInplaceEdit&) { ui.Advance(GetDoubleClickTime() + 10); }, 0},
      {"stamped before the tick count wrapped",
       [](UiDriver& ui, TInplaceEdit& e) {
         ui.Advance(100);
         e.SetClickTime(GetMessageTime() + 1000);
       },
       0},
  };
  for (const Case& c : cases) {
    EditorFixture f;
    int doubleClicks = 0;
    f.grid->OnDblClick = [&](TObject*) { ++doubleClicks; };
    f.ui.Click(f.grid, {90, 35});  // the current cell: the editor shows under the mouse
    TInplaceEdit& editor = *f.grid->InplaceEditor();
    ASSERT_TRUE(editor.Visible());
    c.between(f.ui, editor);
    f.ui.Click(&editor, {5, 5});
    EXPECT_EQ(editor.ClickTime(), 0u) << c.name << ": a stamp serves one press";
    EXPECT_EQ(doubleClicks, c.doubleClicks) << c.name;
  }
}

TEST(GridEditor, APressAtTheClocksStartMakesNoDoubleClick) {
  EditorFixture f;
  int doubleClicks = 0;
  f.grid->OnDblClick = [&](TObject*) { ++doubleClicks; };
  TVirtualClock start(0);
  SetClock(&start);
  f.ui.Click(f.grid, {90, 35});  // stamped 0: "used"
  TInplaceEdit& editor = *f.grid->InplaceEditor();
  start.Advance(50);
  f.ui.Click(&editor, {5, 5});
  SetClock(&f.ui.Time().Clock());
  EXPECT_EQ(doubleClicks, 0);
}

TEST(GridEditor, FollowsItsCellAndHidesWhenTheFocusLeavesForAnotherControl) {
  {
    EditorFixture f({grAlwaysShowEditor});
    TCellGrid& g = *f.grid;
    g.SetRowCount(40);
    TInplaceEdit& editor = f.Show();
    g.SetRow(9);
    g.SetTopRow(4);
    EXPECT_TRUE(editor.Visible() && editor.BoundsRect() == g.CellRect(1, 9));
  }
  EditorFixture f;
  TInplaceEdit& editor = f.Show();
  f.ui.Type("q");
  EXPECT_EQ(GetFocus(), editor.Handle()) << "the grid handed the focus over: no hiding";
  (new test::TProbe(f.form.get(), f.form.get(), Rect(0, 250, 50, 270)))->SetFocus();
  EXPECT_FALSE(editor.Visible());
  EXPECT_EQ(f.grid->edits.back(), "1,1=q");
}

TEST(GridEditor, TheEditorTakesNoFocusTheFormDoesNotGiveTheGrid) {
  EditorFixture f({grAlwaysShowEditor});
  TInplaceEdit& editor = f.Show();
  const std::string focusNote = "WM_COMMAND " + std::to_string(EN_SETFOCUS);
  EXPECT_EQ(f.Count(focusNote), 1);
  auto* first = new test::TProbe(f.form.get(), f.form.get(), Rect(0, 250, 50, 270));
  auto* second = new test::TProbe(f.form.get(), f.form.get(), Rect(60, 250, 110, 270));
  first->SetFocus();
  f.grid->OnEnter = [second](TObject*) { second->SetFocus(); };
  f.grid->log.clear();
  SetFocus(editor.Handle());
  EXPECT_EQ(GetFocus(), second->Handle());
  EXPECT_EQ(f.Count(focusNote), 0) << "the editor never acted on the focus";
}

TEST(GridEditor, TheCurrentCellIsPaintedWheneverTheEditorDoesNotCoverIt) {
  const auto painted = [](GridFixture& f) {
    f.grid->drawn.clear();
    f.Repainted();
    return std::any_of(f.grid->drawn.begin(), f.grid->drawn.end(),
                       [](const std::string& d) { return d.rfind("1,1", 0) == 0; });
  };
  {
    EditorFixture f({grRowSelect});  // the editor never shows, though EditorMode is on
    f.ui.Press(VK_F2);
    EXPECT_TRUE(f.grid->EditorMode() && painted(f));
  }
  // Always shown: covered while the editor shows. The focus goes from the grid to a
  // window of another form: the editor hides, EditorMode stays on and the grid stays its
  // form's control.
  EditorFixture f({grAlwaysShowEditor});
  TCellGrid& g = *f.grid;
  g.SetRowCount(20);
  f.Show();
  EXPECT_FALSE(painted(f));
  SetFocus(g.Handle());
  EXPECT_TRUE(g.InplaceEditor()->Visible()) << "the focus came from the editor";
  std::unique_ptr<TForm> other(test::NewForm(Rect(500, 500, 600, 600)));
  other->Show();
  (new test::TProbe(other.get(), other.get(), Rect(0, 0, 50, 20)))->SetFocus();
  EXPECT_EQ(GetParentForm(&g)->ActiveControl(), &g);
  EXPECT_TRUE(g.EditorMode() && !g.InplaceEditor()->Visible());
  EXPECT_TRUE(painted(f));
  g.SetTopRow(3);
  EXPECT_FALSE(g.InplaceEditor()->Visible()) << "a hidden editor holds no cell: scrolling leaves it hidden";
}

}  // namespace
}  // namespace ordvane
