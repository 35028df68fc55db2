// The grid's keyboard through the host input: record keys (delete with its question,
// append by Down, insert, Escape), moving and selecting, copying from the record above,
// the edit-action tests and their shortcuts, and the incremental search on the virtual
// clock.

#include <gtest/gtest.h>

#include <vector>

#include "classlib/core/CodePages.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/WinInput.h"
#include "grid/DBGridEhInplaceEdit.h"
#include "grid/DbUtilsEh.h"
#include "tests/grid/DataGridSupport.h"
#include "classlib/ui/SysMetrics.h"
#include "tests/support/UiScriptedDialogs.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::ScriptedDialogs;
using test::TMemDataSet;
using test::UiDriver;

// A focused grid with the columns ID, NAME and FLAG over `records` records.
struct KeysFixture : DataGridFixture<> {
  explicit KeysFixture(int records = 3) : DataGridFixture<>(records) {
    Column("ID");
    Column("NAME");
    Column("FLAG");
    grid->SetFocus();
    ui.Process();
  }
  int Id() { return Field("ID")->AsInteger(); }
  void SetNames(std::initializer_list<const char*> names) {
    data.First();
    for (const char* name : names) {
      data.Edit();
      Field("NAME")->SetAsString(Utf8ToAnsi(name));
      data.Post();
      data.Next();
    }
    data.First();
  }
  void Press(Word key, TShiftState shift = {}) {
    ui.Press(key, shift);
    ui.Process();
  }
};

TEST(GridKeys, DeleteAsksByTheSelectedRowCountAndCancelKeepsTheRecords) {
  KeysFixture f;
  ScriptedDialogs dialogs;
  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgMultiSelect, dgRowSelect});
  f.grid->SelectedRows().SetCurrentRowSelected(true);
  f.data.Next();
  f.grid->SelectedRows().SetCurrentRowSelected(true);
  dialogs.answers = {mrCancel};
  f.Press(VK_DELETE, {ssCtrl});
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_NE(dialogs.asked[0].find("Delete all selected records?"), std::string::npos);
  EXPECT_EQ(f.data.RecordCount(), 3);

  f.grid->SelectedRows().Clear();
  dialogs.answers = {mrOk};
  f.Press(VK_DELETE, {ssCtrl});
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_NE(dialogs.asked[1].find("Delete record?"), std::string::npos);
  EXPECT_EQ(f.data.RecordCount(), 2);

  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgConfirmDelete});
  f.Press(VK_DELETE, {ssCtrl});
  EXPECT_EQ(dialogs.asked.size(), 2u) << "no question without dgConfirmDelete";
  EXPECT_EQ(f.data.RecordCount(), 1);
}

TEST(GridKeys, DownAppendsOnceAndUpOrEscapeTakesTheUntouchedRecordBack) {
  KeysFixture f;
  f.data.Last();
  f.Press(VK_DOWN);
  EXPECT_EQ(f.data.State(), dsInsert);
  f.Press(VK_DOWN);
  EXPECT_EQ(f.data.State(), dsInsert) << "Down on the untouched new record does nothing";
  f.Press(VK_UP);
  EXPECT_EQ(f.data.State(), dsBrowse);
  EXPECT_EQ(f.data.RecordCount(), 3);

  f.grid->SetAllowedOperations({alopUpdateEh, alopInsertEh});
  f.data.Last();
  f.Press(VK_DOWN);
  EXPECT_EQ(f.data.State(), dsBrowse) << "appending is not allowed";

  f.data.First();
  f.Press(VK_INSERT);
  EXPECT_EQ(f.data.State(), dsInsert);
  f.Press(VK_ESCAPE);
  EXPECT_EQ(f.data.State(), dsBrowse);
  f.data.Edit();
  f.Field("NAME")->SetAsString("changed");
  f.Press(VK_ESCAPE);
  EXPECT_EQ(f.data.State(), dsBrowse);
  EXPECT_EQ(f.Field("NAME")->AsString(), "name 1") << "Escape cancels the edit";

  f.grid->SetAllowedOperations({alopAppendEh});
  f.Press(VK_INSERT);
  EXPECT_EQ(f.data.State(), dsInsert);
  f.Field("ID")->SetAsInteger(9);
  f.data.Post();
  f.data.Last();
  EXPECT_EQ(f.Id(), 9) << "without alopInsertEh Insert appends";
}

TEST(GridKeys, EscapeEndsAColumnSizingOrMoveUnderWay) {
  KeysFixture f;
  const int width = f.grid->Columns().Items(0)->Width();
  const TRect title = f.grid->CellRect(1, 0);
  const TPoint border{title.right, (title.top + title.bottom) / 2};
  f.ui.Press(f.grid, border);
  f.ui.MoveTo(f.grid, Point(border.x + 40, border.y));
  ASSERT_EQ(f.grid->GridState(), grsColSizing);
  f.Press(VK_ESCAPE);
  EXPECT_EQ(f.grid->GridState(), grsNormal);
  f.ui.Release(f.grid, Point(border.x + 40, border.y));
  EXPECT_EQ(f.grid->Columns().Items(0)->Width(), width);

  const TPoint centre{(title.left + title.right) / 2, border.y};
  f.ui.Press(f.grid, centre);
  f.ui.MoveTo(f.grid, Point(centre.x + title.Width() + 20, centre.y));
  ASSERT_EQ(f.grid->GridState(), grsColMoving);
  f.Press(VK_ESCAPE);
  EXPECT_EQ(f.grid->GridState(), grsNormal);
  f.ui.Release(f.grid, Point(centre.x + title.Width() + 20, centre.y));
  EXPECT_EQ(f.grid->Columns().Items(0)->FieldName(), "ID") << "the column stays where it was";
}

TEST(GridKeys, CheckBoxColumnClearsByDeleteUnlessRequiredAndStepsBySpace) {
  KeysFixture f;
  f.grid->SetSelectedIndex(2);
  ASSERT_EQ(f.grid->Columns().Items(2)->GetColumnType(), ctCheckboxes);
  const bool before = f.Field("FLAG")->AsBoolean();
  f.Press(VK_SPACE);
  EXPECT_EQ(f.Field("FLAG")->AsBoolean(), !before);
  f.data.Post();
  f.Press(VK_SPACE, {ssShift});
  EXPECT_EQ(f.Field("FLAG")->AsBoolean(), before);
  f.data.Post();

  f.Field("FLAG")->SetRequired(true);
  f.Press(VK_DELETE);
  EXPECT_FALSE(f.Field("FLAG")->IsNull()) << "a required field keeps its value";
  f.Field("FLAG")->SetRequired(false);
  f.Press(VK_DELETE);
  EXPECT_TRUE(f.Field("FLAG")->IsNull());
}

TEST(GridKeys, TabAndEnterAsTabWrapToTheNextRecordAndSkipColumnsWithoutTabStop) {
  KeysFixture f;
  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghEnterAsTab});
  f.grid->SetSelectedIndex(2);
  f.Press(VK_RETURN);
  EXPECT_EQ(f.grid->SelectedIndex(), 0);
  EXPECT_EQ(f.Id(), 2);
  f.grid->Columns().Items(1)->SetReadOnly(true);
  f.grid->LayoutChanged();
  f.Press(VK_TAB);
  EXPECT_EQ(f.grid->SelectedIndex(), 2) << "the read-only column has no tab stop";
  f.Press(VK_TAB, {ssShift});
  EXPECT_EQ(f.grid->SelectedIndex(), 0);
  f.Press(VK_TAB, {ssShift});
  EXPECT_EQ(f.grid->SelectedIndex(), 2);
  EXPECT_EQ(f.Id(), 1);
}

TEST(GridKeys, ArrowsSwapRightToLeftAndCtrlKeysGoToTheEdges) {
  KeysFixture f(30);
  f.FitDataRows(5);
  f.grid->SetSelectedIndex(1);
  f.Press(VK_RIGHT);
  EXPECT_EQ(f.grid->SelectedIndex(), 2);
  f.grid->SetBiDiMode(bdRightToLeft);
  f.Press(VK_RIGHT);
  EXPECT_EQ(f.grid->SelectedIndex(), 1) << "right to left, Right goes back";
  f.grid->SetBiDiMode(bdLeftToRight);
  f.Press(VK_LEFT, {ssCtrl});
  EXPECT_EQ(f.grid->SelectedIndex(), 0);
  f.Press(VK_RIGHT, {ssCtrl});
  EXPECT_EQ(f.grid->SelectedIndex(), 2);

  f.Press(VK_END, {ssCtrl});
  EXPECT_EQ(f.Id(), 30);
  f.Press(VK_HOME, {ssCtrl});
  EXPECT_EQ(f.Id(), 1);
  f.Press(VK_NEXT, {ssCtrl});
  EXPECT_EQ(f.Id(), 5) << "the last row shown";
  f.Press(VK_NEXT);
  EXPECT_EQ(f.Id(), 10) << "a page is the five data rows shown";
  f.Press(VK_PRIOR, {ssCtrl});
  EXPECT_EQ(f.Id(), 6) << "the first row shown";
  f.Press(VK_PRIOR);
  EXPECT_EQ(f.Id(), 1);
}

TEST(GridKeys, ShiftArrowsSelectRowsFromTheAnchorOrARectangle) {
  KeysFixture f(6);
  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgMultiSelect, dgRowSelect});
  f.Press(VK_DOWN, {ssShift});
  f.Press(VK_DOWN, {ssShift});
  EXPECT_EQ(f.grid->SelectedRows().GetCount(), 3);
  f.Press(VK_UP, {ssShift});
  EXPECT_EQ(f.grid->SelectedRows().GetCount(), 2) << "going back towards the anchor deselects";
  f.Press(VK_DOWN);
  EXPECT_EQ(f.grid->SelectedRows().GetCount(), 0) << "a plain move clears the selection";

  // With Ctrl the walk sets every row to the inverse of the anchor's state.
  f.data.First();
  for (int i = 0; i < 3; ++i) {
    f.grid->SelectedRows().SetCurrentRowSelected(true);
    f.data.Next();
  }
  f.data.First();
  f.Press(VK_NEXT, {ssCtrl, ssShift});
  EXPECT_EQ(f.Id(), 6);
  EXPECT_EQ(f.grid->SelectedRows().GetCount(), 0) << "from a selected anchor, rows are deselected";
  f.Press(VK_HOME, {ssCtrl});
  f.Press(VK_NEXT, {ssCtrl, ssShift});
  EXPECT_EQ(f.grid->SelectedRows().GetCount(), 6) << "from an unselected anchor, rows are selected";

  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgRowSelect});
  f.grid->Selection().Clear();
  f.data.First();
  f.grid->SetSelectedIndex(0);
  f.Press(VK_DOWN, {ssShift});
  f.Press(VK_RIGHT, {ssShift});
  ASSERT_EQ(f.grid->Selection().SelectionType(), gstRectangle);
  EXPECT_EQ(f.grid->Selection().Rect().AnchorCol(), 0);
  EXPECT_EQ(f.grid->Selection().Rect().ShiftCol(), 1);
  EXPECT_TRUE(f.grid->Selection().DataCellSelected(1, f.data.Bookmark()));
}

TEST(GridKeys, CtrlQuoteCopiesTheValueOrLookupKeyFromTheRecordAbove) {
  KeysFixture f;
  TColumnEh* city = f.Column("CITY");
  f.data.Next();
  f.grid->SetSelectedIndex(1);
  f.Press(VK_OEM_7, {ssCtrl});
  EXPECT_EQ(f.Field("NAME")->AsString(), "name 1");
  f.data.Post();
  f.grid->SetSelectedIndex(city->Index());
  const Variant aboveCity = f.data.Lookup("ID", Variant(1), "CITY_ID");
  f.Press(VK_OEM_7, {ssCtrl});
  EXPECT_EQ(f.Field("CITY_ID")->AsInteger(), aboveCity.AsInteger());
  f.data.Post();

  f.data.First();
  f.grid->SetSelectedIndex(1);
  f.Press(VK_OEM_7, {ssCtrl});
  EXPECT_EQ(f.data.State(), dsBrowse) << "the first row shown has none above";
  EXPECT_EQ(f.Field("NAME")->AsString(), "name 1");
}

TEST(GridActions, TestsFollowTheSelectionAndTheAllowedOperations) {
  KeysFixture f;
  TCustomDBGridEh& g = *f.grid;
  g.SetOptions(g.Options() + TDBGridOptions{dgMultiSelect});
  EXPECT_FALSE(g.CanCopySelection());
  EXPECT_FALSE(g.CanCutSelection());
  g.Selection().Rect().Select(0, f.data.Bookmark(), false);
  f.data.Next();
  g.Selection().Rect().Select(1, f.data.Bookmark(), true);
  ASSERT_EQ(g.Selection().SelectionType(), gstRectangle);
  EXPECT_TRUE(g.CanCopySelection());
  EXPECT_TRUE(g.CanDeleteSelection());
  g.SetAllowedOperations({alopInsertEh, alopDeleteEh, alopAppendEh});
  EXPECT_FALSE(g.CanDeleteSelection()) << "a rectangle is cleared, which needs alopUpdateEh";
  EXPECT_FALSE(g.CanCutSelection());
  EXPECT_TRUE(g.CanCopySelection());

  Clipboard()->SetAsText("x");
  EXPECT_FALSE(g.CanPasteClipboard());
  f.data.Insert();
  EXPECT_TRUE(g.CanPasteClipboard()) << "paste goes into a record being inserted";
  EXPECT_TRUE(g.CanEditCurrentRow());
  f.data.Cancel();
  EXPECT_FALSE(g.CanEditCurrentRow());
  g.SetReadOnly(true);
  g.SetAllowedOperations({alopUpdateEh, alopDeleteEh});
  EXPECT_FALSE(g.CanPasteClipboard());
  g.SetReadOnly(false);
  EXPECT_TRUE(g.CanPasteClipboard());

  EXPECT_TRUE(g.CanSelectAll());
  while (!f.data.IsEmpty()) f.data.Delete();
  EXPECT_FALSE(g.CanSelectAll()) << "an empty dataset has nothing to select";
  EXPECT_FALSE(g.CanEditCurrentRow()) << "alopUpdateEh alone cannot edit an empty dataset";
}

TEST(GridActions, EachShortcutActsOnlyWithItsEditActionsFlag) {
  KeysFixture f;
  std::vector<std::string> ran;
  const auto record = [&ran](const char* name) { return [&ran, name](TCustomDBGridEh&) { ran.push_back(name); }; };
  const TDBGridEhActionProcEh saved[] = {GridCopyToClipboardProc(), GridCutToClipboardProc(),
                                         GridPasteFromClipboardProc(), GridDeleteSelectionProc()};
  GridCopyToClipboardProc() = record("copy");
  GridCutToClipboardProc() = record("cut");
  GridPasteFromClipboardProc() = record("paste");
  GridDeleteSelectionProc() = record("delete");
  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgMultiSelect});
  f.grid->Selection().SelectAll();
  Clipboard()->SetAsText("x");
  const auto pressAll = [&f] {
    f.Press('C', {ssCtrl});
    f.Press(VK_INSERT, {ssCtrl});
    f.Press('X', {ssCtrl});
    f.Press(VK_DELETE, {ssShift});
    f.Press('V', {ssCtrl});
    f.Press(VK_INSERT, {ssShift});
  };
  pressAll();
  EXPECT_TRUE(ran.empty()) << "no EditActions, no action";
  f.grid->SetEditActions({geaCopyEh, geaPasteEh});
  pressAll();
  EXPECT_EQ(ran, (std::vector<std::string>{"copy", "copy", "paste", "paste"}));
  ran.clear();
  f.grid->SetEditActions({geaCutEh, geaDeleteEh});
  pressAll();
  f.Press(VK_DELETE, {ssCtrl});
  EXPECT_EQ(ran, (std::vector<std::string>{"cut", "cut", "delete"}));

  f.grid->Selection().Clear();
  f.Press('A', {ssCtrl});
  EXPECT_EQ(f.grid->Selection().SelectionType(), gstNon);
  f.grid->SetEditActions({geaSelectAllEh});
  f.Press('A', {ssCtrl});
  EXPECT_EQ(f.grid->Selection().SelectionType(), gstAll);
  GridCopyToClipboardProc() = saved[0];
  GridCutToClipboardProc() = saved[1];
  GridPasteFromClipboardProc() = saved[2];
  GridDeleteSelectionProc() = saved[3];
}

// ---- Incremental search -----------------------------------------------------------------

struct SearchFixture : KeysFixture {
  SearchFixture() : KeysFixture(6) {
    SetNames({"Apple", "Banana", "Bandit", "Berry", "Ґанок", "єнот"});
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghPreferIncSearch, dghIncSearch});
    grid->SetSelectedIndex(1);
  }
  AnsiString Name() { return Field("NAME")->AsString(); }
};

TEST(GridIncSearch, LettersWithinThePauseSearchAsOneTextInTheValuesCase) {
  SearchFixture f;
  f.ui.Type("b");
  f.ui.Advance(1000);
  f.ui.Type("e");
  f.ui.Process();
  EXPECT_TRUE(f.grid->InplaceSearching());
  EXPECT_EQ(f.Name(), "Berry");
  EXPECT_EQ(f.grid->InplaceSearchText(), "Be") << "shown in the found value's case";
  EXPECT_FALSE(f.grid->EditorMode());

  f.ui.Type("x");
  f.ui.Process();
  EXPECT_EQ(f.Name(), "Berry") << "no value continues: record and text stay";
  EXPECT_EQ(f.grid->InplaceSearchText(), "Be");

  f.ui.Advance(1500);
  f.ui.Process();
  EXPECT_FALSE(f.grid->InplaceSearching()) << "1500 ms of quiet end the search";
  EXPECT_TRUE(f.grid->InplaceSearchText().empty());
  f.ui.Type("a");
  f.ui.Process();
  EXPECT_EQ(f.Name(), "Apple") << "the next letter starts anew";
}

TEST(GridIncSearch, BackspaceRepeatKeysAndCtrlF) {
  SearchFixture f;
  f.data.Next();
  f.data.Next();
  f.Press('F', {ssCtrl});
  EXPECT_TRUE(f.grid->InplaceSearching());
  EXPECT_EQ(f.Name(), "Bandit") << "an empty search text moves no record";
  f.Press(VK_RETURN, {ssCtrl});
  EXPECT_EQ(f.Name(), "Bandit") << "nor does repeating it";
  f.Press(VK_BACK);
  EXPECT_TRUE(f.grid->InplaceSearchText().empty()) << "Backspace on an empty text does nothing";

  f.ui.Type("ban");
  f.ui.Process();
  EXPECT_EQ(f.Name(), "Banana");
  f.Press(VK_RETURN, {ssCtrl});
  EXPECT_EQ(f.Name(), "Bandit");
  f.Press(VK_RETURN, {ssCtrl, ssShift});
  EXPECT_EQ(f.Name(), "Banana");
  f.Press(VK_BACK);
  EXPECT_EQ(f.grid->InplaceSearchText(), "Ba");
  f.ui.Advance(10000);
  f.ui.Process();
  EXPECT_TRUE(f.grid->InplaceSearching()) << "a search started by Ctrl+F has no time-out";
  f.Press(VK_ESCAPE);
  EXPECT_FALSE(f.grid->InplaceSearching());
}

// Ctrl+F typed into the cell editor, shown by F2 or always: the search the options name.
struct EditorFindFixture : SearchFixture {
  explicit EditorFindFixture(bool alwaysShow) {
    grid->SetOptionsEh(grid->OptionsEh() - TDBGridEhOptions{dghPreferIncSearch});
    if (alwaysShow) grid->SetOptions(grid->Options() + TDBGridOptions{dgAlwaysShowEditor});
    ui.Process();
    if (!alwaysShow) Press(VK_F2);
    saved = ExecuteDBGridEhFindDialogProc();
    ExecuteDBGridEhFindDialogProc() = [this](TCustomDBGridEh& shownFor, const AnsiString&, const AnsiString&,
                                             bool modal) {
      EXPECT_EQ(&shownFor, grid);
      EXPECT_TRUE(modal);
      ++dialogs;
    };
  }
  ~EditorFindFixture() { ExecuteDBGridEhFindDialogProc() = saved; }
  bool EditorFocused() { return grid->InplaceEditor() != nullptr && grid->InplaceEditor()->Focused(); }

  TExecuteFindDialogProcEh saved;
  int dialogs = 0;
};

TEST(GridIncSearch, CtrlFInTheEditorStartsTheSearchOrOpensTheFindDialog) {
  for (const bool alwaysShow : {false, true}) {
    SCOPED_TRACE(alwaysShow ? "always shown" : "shown by F2");
    {
      EditorFindFixture f(alwaysShow);
      ASSERT_TRUE(f.EditorFocused());
      f.Press('F', {ssCtrl});
      EXPECT_TRUE(f.grid->InplaceSearching()) << "the incremental search comes before the dialog";
      EXPECT_FALSE(f.grid->EditorMode()) << "the editor makes way for the search";
      EXPECT_EQ(f.dialogs, 0);
      f.Press('F', {ssCtrl});
      EXPECT_FALSE(f.grid->InplaceSearching()) << "a second Ctrl+F turns the search into the dialog";
      EXPECT_EQ(f.dialogs, 1);
    }
    {
      EditorFindFixture f(alwaysShow);
      f.grid->SetOptionsEh(f.grid->OptionsEh() - TDBGridEhOptions{dghIncSearch});
      f.ui.Process();
      if (!alwaysShow && !f.grid->EditorMode()) f.Press(VK_F2);
      ASSERT_TRUE(f.EditorFocused());
      f.Press('F', {ssCtrl});
      EXPECT_FALSE(f.grid->InplaceSearching());
      EXPECT_EQ(f.dialogs, 1) << "the find dialog alone";
    }
    {
      EditorFindFixture f(alwaysShow);
      f.grid->SetOptionsEh(f.grid->OptionsEh() - TDBGridEhOptions{dghIncSearch, dghDialogFind});
      f.ui.Process();
      if (!alwaysShow && !f.grid->EditorMode()) f.Press(VK_F2);
      ASSERT_TRUE(f.EditorFocused());
      f.Press('F', {ssCtrl});
      EXPECT_FALSE(f.grid->InplaceSearching());
      EXPECT_EQ(f.dialogs, 0) << "without either option Ctrl+F stays the editor's";
      EXPECT_TRUE(f.EditorFocused());
    }
  }
}

// A grid whose find dialog is not modal and that edits its NAME cells with an ellipsis
// button.
class TOwnEditorKeysGrid : public test::TDataGrid {
 public:
  using TDataGrid::TDataGrid;
  bool CanProcessEditKey() override { return false; }
  Byte GetEditStyle(int col, int row) override {
    TColumnEh* column = Columns().Items(RawToDataColumn(col));
    return column->FieldName() == "NAME" ? Byte{esEllipsis} : TDataGrid::GetEditStyle(col, row);
  }
};

TEST(GridIncSearch, ADescendantOpensTheFindDialogBesideTheGridAndChoosesItsEditStyle) {
  DataGridFixture<TMemDataSet, TOwnEditorKeysGrid> f;
  f.Column("ID");
  f.Column("NAME");
  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghDialogFind, dghEnterAsTab} -
                       TDBGridEhOptions{dghIncSearch});
  const TExecuteFindDialogProcEh saved = ExecuteDBGridEhFindDialogProc();
  std::vector<bool> dialogs;
  ExecuteDBGridEhFindDialogProc() = [&](TCustomDBGridEh&, const AnsiString&, const AnsiString&, bool modal) {
    dialogs.push_back(modal);
  };
  f.grid->SetSelectedIndex(1);
  f.grid->SetFocus();
  f.ui.Press(VK_F2);
  f.ui.Process();
  auto* editor = static_cast<TDBGridInplaceEdit*>(f.grid->InplaceEditor());
  ASSERT_TRUE(editor != nullptr && editor->Focused());
  EXPECT_EQ(editor->ColumnEditStyle(), esEllipsis) << "the grid's edit style, not the column's";
  f.ui.Press('F', {ssCtrl});
  f.ui.Process();
  EXPECT_EQ(dialogs, std::vector<bool>{false}) << "Ctrl+F in the editor: the descendant's dialog is not modal";
  f.grid->SetFocus();
  f.ui.Press('F', {ssCtrl});
  f.ui.Process();
  EXPECT_EQ(dialogs, (std::vector<bool>{false, false})) << "nor from the grid";
  ExecuteDBGridEhFindDialogProc() = saved;
  f.grid->ShowEditor();
  f.ui.Process();
  f.ui.Press(VK_RETURN);
  f.ui.Process();
  EXPECT_EQ(f.grid->SelectedIndex(), 0) << "Enter as Tab reaches the grid whatever the dialog's kind";
  f.grid->SetSelectedIndex(0);
  f.grid->ShowEditor();
  f.ui.Process();
  EXPECT_EQ(editor->ColumnEditStyle(), esSimple);
}

TEST(GridIncSearch, CyrillicLettersMatchWithoutCase) {
  SearchFixture f;
  f.ui.Type("ґа");
  f.ui.Process();
  EXPECT_EQ(f.Name(), Utf8ToAnsi("Ґанок"));
  EXPECT_EQ(f.grid->InplaceSearchText(), Utf8ToAnsi("Ґа"));
  f.ui.Advance(2000);
  f.ui.Type("Є");
  f.ui.Process();
  EXPECT_EQ(f.Name(), Utf8ToAnsi("єнот"));
  f.Press(VK_BACK);
  EXPECT_TRUE(f.grid->InplaceSearchText().empty());
}

TEST(GridIncSearch, UTF8BackspaceRemovesAWholeCharacter) {
  SetAnsiCodePage(CP_UTF8);
  {
    SearchFixture f;
    f.ui.Type("ґа");
    f.ui.Process();
    EXPECT_EQ(f.Name(), "Ґанок");
    f.Press(VK_BACK);
    EXPECT_EQ(f.grid->InplaceSearchText(), "Ґ");
  }
  SetAnsiCodePage(CP_WIN1251);
}

// The search colour's pixels on the screen inside a cell of the grid.
int SearchColouredPixels(TCustomDBGridEh& grid, int col, int row) {
  const TRaster screen = UiDriver::Screen();
  const TRect cell = grid.CellRect(col, row);
  const TPoint origin = UiDriver::ScreenPoint(&grid, Point(cell.left, cell.top));
  const int left = origin.x - GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = origin.y - GetSystemMetrics(SM_YVIRTUALSCREEN);
  int count = 0;
  for (int y = 0; y < cell.Height(); ++y)
    for (int x = 0; x < cell.Width(); ++x)
      if (screen.Pixel(left + x, top + y) == ColorToRGB(kInplaceSearchColorEh)) ++count;
  return count;
}

TEST(GridIncSearch, TheScreenShowsTheMatchedPrefixAndTheSearchImageWhileItRuns) {
  DataGridFixture<TMemDataSet, TDBGridEh> f(3);
  f.Column("NAME")->SetWidth(120);
  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghPreferIncSearch});
  f.grid->SetFocus();
  f.ui.Process();
  EXPECT_EQ(SearchColouredPixels(*f.grid, 1, f.grid->Row()), 0);
  EXPECT_EQ(SearchColouredPixels(*f.grid, 0, f.grid->Row()), 0);
  f.ui.Type("na");
  f.ui.Process();
  EXPECT_GT(SearchColouredPixels(*f.grid, 1, f.grid->Row()), 50) << "the matched prefix";
  EXPECT_GT(SearchColouredPixels(*f.grid, 0, f.grid->Row()), 10) << "the indicator's search image";
  f.ui.Advance(1500);
  f.ui.Process();
  EXPECT_EQ(SearchColouredPixels(*f.grid, 1, f.grid->Row()), 0);
  EXPECT_EQ(SearchColouredPixels(*f.grid, 0, f.grid->Row()), 0);
}

}  // namespace
}  // namespace ordvane
