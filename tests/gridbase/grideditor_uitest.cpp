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
  int Count(const std::string& line) const { return static_cast<int>(std::count(grid->log.begin(), grid->log.end(), line)); }
};

std::string KeyDownLine(Word key) {
  return "KeyDown " + std::to_string(key);
}

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
  // The editor starts with "abc" wholly selected (the caret at its end); the clipboard
  // holds "P".
  const Case cases[] = {
      {"Insert", {}, false, VK_INSERT, {}, ToGrid, "abc"},
      {"Shift+Insert pastes", {}, false, VK_INSERT, {ssShift}, ToEdit, "P"},
      {"Shift+Insert on a read-only cell", {}, true, VK_INSERT, {ssShift}, Dropped, "abc"},
      {"Ctrl+Delete", {}, true, VK_DELETE, {ssCtrl}, ToGrid, "abc"},
      {"Delete", {}, false, VK_DELETE, {}, ToEdit, ""},
      {"Delete on a read-only cell", {}, true, VK_DELETE, {}, Dropped, "abc"},
      {"Escape", {}, false, VK_ESCAPE, {}, ToGrid, "abc"},
      {"Up", {}, false, VK_UP, {}, ToGrid, "abc"},
      {"Down", {}, false, VK_DOWN, {}, ToGrid, "abc"},
      {"Page Down", {}, false, VK_NEXT, {}, ToGrid, "abc"},
      {"Tab", {grTabs}, false, VK_TAB, {}, ToGrid, "abc"},
      {"Right stays in the editor", {}, false, VK_RIGHT, {}, ToEdit, "abc"},
      {"Right at the right side, editor always shown", {grAlwaysShowEditor}, false, VK_RIGHT, {}, ToGrid, "abc"},
      {"Left not at the left side", {grAlwaysShowEditor}, false, VK_LEFT, {}, ToEdit, "abc"},
      {"Ctrl+Left, editor always shown", {grAlwaysShowEditor}, false, VK_LEFT, {ssCtrl}, ToGrid, "abc"},
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
    EXPECT_EQ(f.Count(KeyDownLine(c.key)), c.outcome == ToGrid ? 1 : 0) << c.name;
    EXPECT_EQ(onKeyDown, c.outcome == Dropped ? 0 : 1) << c.name;
    EXPECT_EQ(editor.Text(), c.textAfter) << c.name;
  }
}

TEST(GridEditor, AltTabStaysOutOfTheGridAndF2OnlyDeselects) {
  EditorFixture f({grTabs});
  TInplaceEdit& editor = f.Show();
  f.grid->log.clear();
  const LPARAM altDown = LPARAM{1} << 29;
  editor.Perform(WM_KEYDOWN, VK_TAB, altDown);
  EXPECT_EQ(f.Count(KeyDownLine(VK_TAB)), 0);

  std::vector<Word> seen;
  f.grid->OnKeyDown = [&](TObject*, Word& key, TShiftState) { seen.push_back(key); };
  ASSERT_EQ(editor.SelLength(), 3);
  f.ui.Press(VK_F2);
  EXPECT_EQ(seen, std::vector<Word>{VK_F2});
  EXPECT_EQ(f.Count(KeyDownLine(VK_F2)), 0);
  EXPECT_EQ(editor.SelLength(), 0);
  EXPECT_EQ(editor.SelStart(), 3);
}

TEST(GridEditor, ShowsOverTheCurrentCellLoadedWithoutAnEditAndHandsEveryKeystrokeBack) {
  EditorFixture f;
  TCellGrid& g = *f.grid;
  g.editLimit = 5;
  g.editMask = "";
  TInplaceEdit& editor = f.Show();
  EXPECT_TRUE(editor.Visible());
  EXPECT_TRUE(editor.BoundsRect() == g.CellRect(1, 1));
  EXPECT_EQ(editor.Text(), "abc");
  EXPECT_EQ(editor.SelStart(), 0);
  EXPECT_EQ(editor.SelLength(), 3);
  EXPECT_EQ(editor.MaxLength(), 5);
  EXPECT_TRUE(g.edits.empty()) << "loading is no edit";
  TRect formatting;
  editor.Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatting));
  EXPECT_TRUE(formatting == Rect(2, 2, editor.Width() - 2, editor.Height()));
  EXPECT_EQ(GetFocus(), editor.Handle());
  EXPECT_EQ(GetParentForm(&g)->ActiveControl(), &g) << "the grid stays the form's control";

  f.ui.Type("xy");
  EXPECT_EQ(g.edits, (std::vector<std::string>{"1,1=x", "1,1=xy"}));

  // Another cell: the editor hides and the grid gets its text once more.
  g.SetCol(2);
  f.ui.Process();
  EXPECT_FALSE(editor.Visible());
  EXPECT_EQ(g.edits.back(), "1,1=xy");

  // Typing on the grid opens the editor over the new cell with that character.
  g.editMask = "00;1;_";
  g.texts[{2, 1}] = "12";
  g.edits.clear();
  f.ui.Type("7");
  EXPECT_TRUE(editor.Visible());
  EXPECT_TRUE(editor.BoundsRect() == g.CellRect(2, 1));
  EXPECT_EQ(editor.EditMask(), "00;1;_");
  EXPECT_EQ(editor.Text(), "7 ") << "the character took the place of the selected text";
  EXPECT_EQ(g.edits, std::vector<std::string>{"2,1=7 "});

  // EditorMode on: the caret at the end, nothing selected.
  g.HideEditor();
  g.SetEditorMode(true);
  EXPECT_EQ(editor.SelLength(), 0);
  EXPECT_EQ(editor.SelStart(), 2);
  EXPECT_EQ(editor.Text(), "12");

  // Showing is the grid's alone.
  g.HideEditor();
  editor.SetVisible(false);
  editor.SetVisible(true);
  EXPECT_FALSE(editor.Visible());
}

TEST(GridEditor, AReadOnlyCellRefusesTypingPastingAndCutting) {
  EditorFixture f;
  f.grid->editLimit = -1;
  TInplaceEdit& editor = f.Show();
  Clipboard()->SetAsText("P");
  f.ui.Type("z");
  f.ui.Press(VK_BACK);
  f.ui.Press('V', {ssCtrl});
  f.ui.Press('X', {ssCtrl});
  editor.Perform(WM_PASTE, 0, 0);
  editor.Perform(WM_CUT, 0, 0);
  editor.Perform(WM_CLEAR, 0, 0);
  EXPECT_EQ(editor.Text(), "abc");
  EXPECT_EQ(Clipboard()->AsText(), "P");
  EXPECT_TRUE(f.grid->edits.empty());
}

TEST(GridEditor, EnterTogglesBetweenAllSelectedAndTheCaretAtTheEnd) {
  EditorFixture f({grAlwaysShowEditor});
  TInplaceEdit& editor = f.Show();
  ASSERT_EQ(editor.SelLength(), 3);
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(editor.SelLength(), 0);
  EXPECT_EQ(editor.SelStart(), 3);
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(editor.SelLength(), 3);
  EXPECT_EQ(editor.Text(), "abc");
}

TEST(GridEditor, ASecondPressSoonAfterOneOnTheGridIsADoubleClick) {
  struct Case {
    const char* name;
    std::function<void(UiDriver&, TInplaceEdit&)> between;
    bool doubleClick;
  };
  const Case cases[] = {
      {"within the double-click time", [](UiDriver& ui, TInplaceEdit&) { ui.Advance(100); }, true},
      {"after it", [](UiDriver& ui, TInplaceEdit&) { ui.Advance(GetDoubleClickTime() + 10); }, false},
      {"used once", [](UiDriver& ui, TInplaceEdit&) { ui.Advance(100); }, true},
      {"stamped before the tick count wrapped",
       [](UiDriver& ui, TInplaceEdit& e) {
         ui.Advance(100);
         e.SetClickTime(GetMessageTime() + 1000);
       },
       false},
  };
  for (const Case& c : cases) {
    EditorFixture f;
    TInplaceEdit& editor = f.Show();
    int doubleClicks = 0;
    f.grid->OnDblClick = [&](TObject*) { ++doubleClicks; };
    f.ui.Click(f.grid, {200, 100});
    EXPECT_NE(editor.ClickTime(), 0u) << c.name;
    c.between(f.ui, editor);
    f.ui.Click(&editor, {5, 5});
    EXPECT_EQ(doubleClicks, c.doubleClick ? 1 : 0) << c.name;
    EXPECT_EQ(editor.ClickTime(), 0u) << c.name;
    if (std::string(c.name) == "used once") {
      f.ui.Advance(600);
      f.ui.Click(&editor, {5, 5});
      EXPECT_EQ(doubleClicks, 1) << "the stamp serves one press";
    }
  }
}

TEST(GridEditor, APressStampedAtTheClocksStartIsNoDoubleClick) {
  EditorFixture f;
  TInplaceEdit& editor = f.Show();
  int doubleClicks = 0;
  f.grid->OnDblClick = [&](TObject*) { ++doubleClicks; };
  editor.SetClickTime(0);
  f.ui.Advance(50);
  f.ui.Click(&editor, {5, 5});
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
    f.ui.Process();
    EXPECT_TRUE(editor.Visible());
    EXPECT_TRUE(editor.BoundsRect() == g.CellRect(1, 9));
  }
  EditorFixture f;
  TCellGrid& g = *f.grid;
  TInplaceEdit& editor = f.Show();
  f.ui.Type("q");
  // The grid handed the focus to the editor: that did not hide it.
  EXPECT_EQ(GetFocus(), editor.Handle());
  auto* other = new test::TProbe(f.form.get(), f.form.get(), Rect(0, 250, 50, 270));
  other->SetFocus();
  f.ui.Process();
  EXPECT_FALSE(editor.Visible());
  EXPECT_EQ(g.edits.back(), "1,1=q");
}

TEST(GridEditor, TheEditorTakesNoFocusTheFormDoesNotGiveTheGrid) {
  EditorFixture f({grAlwaysShowEditor});
  TCellGrid& g = *f.grid;
  TInplaceEdit& editor = f.Show();
  const std::string focusNote = "WM_COMMAND " + std::to_string(EN_SETFOCUS);
  EXPECT_EQ(f.Count(focusNote), 1);
  auto* first = new test::TProbe(f.form.get(), f.form.get(), Rect(0, 250, 50, 270));
  auto* second = new test::TProbe(f.form.get(), f.form.get(), Rect(60, 250, 110, 270));
  first->SetFocus();
  f.ui.Process();
  // Entering the grid sends the focus on: the form declines the grid.
  g.OnEnter = [second](TObject*) { second->SetFocus(); };
  g.log.clear();
  SetFocus(editor.Handle());
  f.ui.Process();
  EXPECT_EQ(GetFocus(), second->Handle());
  EXPECT_EQ(f.Count(focusNote), 0) << "the editor never acted on the focus";
}

TEST(GridEditor, TheCurrentCellIsPaintedWheneverTheEditorDoesNotCoverIt) {
  const auto painted = [](TCellGrid& g, GridFixture& f) {
    g.drawn.clear();
    f.Repainted();
    return std::any_of(g.drawn.begin(), g.drawn.end(), [](const std::string& d) { return d.rfind("1,1", 0) == 0; });
  };
  {
    // Row select: the editor never shows, though EditorMode is on.
    EditorFixture f({grRowSelect});
    f.grid->SetEditorMode(true);
    EXPECT_TRUE(f.grid->EditorMode());
    EXPECT_TRUE(painted(*f.grid, f));
  }
  {
    // Always shown: covered while the editor shows; painted once the focus went from the
    // grid to a window of another form and the editor hid, the grid still its form's
    // control and EditorMode on.
    EditorFixture f({grAlwaysShowEditor});
    f.grid->SetRowCount(20);
    f.Show();
    EXPECT_FALSE(painted(*f.grid, f));
    SetFocus(f.grid->Handle());
    f.ui.Process();
    EXPECT_TRUE(f.grid->InplaceEditor()->Visible()) << "the focus came from the editor";
    std::unique_ptr<TForm> other(test::NewForm(Rect(500, 500, 600, 600)));
    other->Show();
    auto* probe = new test::TProbe(other.get(), other.get(), Rect(0, 0, 50, 20));
    probe->SetFocus();
    f.ui.Process();
    EXPECT_EQ(GetParentForm(f.grid)->ActiveControl(), f.grid);
    EXPECT_TRUE(f.grid->EditorMode());
    EXPECT_FALSE(f.grid->InplaceEditor()->Visible());
    EXPECT_TRUE(painted(*f.grid, f));
    f.grid->SetTopRow(3);
    EXPECT_FALSE(f.grid->InplaceEditor()->Visible()) << "a hidden editor holds no cell: scrolling leaves it hidden";
  }
}

}  // namespace
}  // namespace ordvane
