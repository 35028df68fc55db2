// The data-aware grid's editor: the edit style per column, completion of typed and pasted
// text from the lookup list and the pick list, the drop-down keys and what accepting or
// cancelling writes, up-down steps, the edit-button row, the list of recent values, the
// closing of drop-downs on focus loss and the required-value mark.

#include <gtest/gtest.h>

#include "classlib/core/SysLocale.h"
#include "classlib/db/DateTimeFields.h"
#include "classlib/ui/Clipbrd.h"
#include "grid/DBGridEhInplaceEdit.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

struct EditorFixture : DataGridFixture<test::TMemDataSet, TDBGridEh> {
  TColumnEh* id = Column("ID");
  TColumnEh* name = Column("NAME");
  TColumnEh* code = Column("CODE");
  TColumnEh* city = Column("CITY");

  EditorFixture() {
    grid->SetFocus();
    ui.Process();
  }
  TDBGridInplaceEdit* Editor() { return static_cast<TDBGridInplaceEdit*>(grid->InplaceEditor()); }
  // Puts the editor on the column's cell of the current record.
  TDBGridInplaceEdit* EditAt(TColumnEh* column) {
    grid->SetSelectedIndex(column->Index());
    // Loaded afresh, so that changed column settings count.
    grid->HideEditor();
    grid->ShowEditor();
    ui.Process();
    return Editor();
  }
  // The editor leaves the cell; the record takes what was edited.
  void Leave() {
    grid->SetSelectedIndex(id->Index());
    data.Post();
  }
};

TEST(GridInplaceEdit, TheEditStyleFollowsTheColumnAndItsField) {
  EditorFixture f;
  f.name->PickList()->SetText("alpha\nbeta");
  EXPECT_EQ(f.EditAt(f.name)->ColumnEditStyle(), esPickList);
  EXPECT_NE(f.Editor()->ActiveList(), nullptr);
  f.name->SetReadOnly(true);
  EXPECT_EQ(f.EditAt(f.code)->ColumnEditStyle(), esSimple);
  EXPECT_EQ(f.EditAt(f.name)->ColumnEditStyle(), esSimple) << "a read-only pick list has no drop-down";
  EXPECT_EQ(f.Editor()->ActiveList(), nullptr);

  EXPECT_EQ(f.EditAt(f.city)->ColumnEditStyle(), esDataList);
  EXPECT_EQ(f.Editor()->ActiveList(), f.city->DataList());

  f.id->SetButtonStyle(cbsDropDown);
  EXPECT_EQ(f.EditAt(f.id)->ColumnEditStyle(), esDropDown);
  EXPECT_EQ(f.Editor()->ActiveList(), f.Editor()->Calculator()) << "a number gets the calculator";
  f.code->SetButtonStyle(cbsDropDown);
  EXPECT_EQ(f.EditAt(f.code)->ActiveList(), nullptr) << "a text does not";
}

TEST(GridInplaceEdit, ADateColumnGetsTheCalendarOnlyWhenItCanChange) {
  test::TMemDataSet dates(nullptr);
  dates.FieldDefs().Add("DAY", ftDate);
  test::MakeField<TDateField>(dates, "DAY");
  dates.Open();
  dates.AppendRecord({Variant(VarFromDateTime(EncodeDate(2026, 12, 7)))});
  EditorFixture f;
  f.source.SetDataSet(&dates);
  f.grid->Columns().Clear();
  TColumnEh* day = f.Column("DAY");
  EXPECT_EQ(f.EditAt(day)->ColumnEditStyle(), esDateCalendar);
  f.ui.Press(VK_DOWN, {ssAlt});
  ASSERT_TRUE(f.Editor()->ListVisible());
  EXPECT_EQ(f.Editor()->Calendar()->Date(), EncodeDate(2026, 12, 7)) << "the calendar opens on the value";
  f.ui.Press(VK_ESCAPE);
  day->SetReadOnly(true);
  EXPECT_EQ(f.EditAt(day)->ColumnEditStyle(), esSimple);
}

TEST(GridInplaceEdit, TypingInALookupCellCompletesAndTheKeyReachesTheRecord) {
  EditorFixture f;
  TDBGridInplaceEdit* editor = f.EditAt(f.city);
  ASSERT_TRUE(editor->Visible());
  f.ui.Type("o");
  EXPECT_EQ(editor->Text(), "Odesa");
  EXPECT_EQ(editor->SelStart(), 1);
  EXPECT_EQ(editor->SelLength(), 4) << "the completed rest is selected";
  f.ui.Press(VK_BACK);
  EXPECT_EQ(editor->Text(), "O") << "backspace deletes and completes nothing";
  f.ui.Type("d");
  EXPECT_EQ(editor->Text(), "Odesa");
  f.Leave();
  EXPECT_EQ(f.data.FieldByName("CITY_ID")->AsInteger(), 3) << "the found key went to the key field";

  editor = f.EditAt(f.city);
  f.ui.Type("z");
  EXPECT_EQ(editor->Text(), "Odesa") << "a character no list text begins with is dropped without OnNotInList";
}

TEST(GridInplaceEdit, PickListsCompleteByPrefixAndKeyListsTakeOnlyListedTexts) {
  EditorFixture f;
  f.name->PickList()->SetText("Alpha\nBeta");
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  f.ui.Type("b");
  EXPECT_EQ(editor->Text(), "Beta") << "prefix, any case";
  EXPECT_EQ(editor->SelLength(), 3);
  f.ui.Press(VK_END);
  f.ui.Type("x");
  EXPECT_EQ(editor->Text(), "Betax") << "a plain pick list types what matches nothing";

  f.code->PickList()->SetText("one\ntwo");
  f.code->KeyList()->SetText("k1\nk2");
  editor = f.EditAt(f.code);
  f.ui.Type("q");
  EXPECT_EQ(editor->Text(), "one") << "a key/pick-list cell consumes what is in no item";
  bool asked = false;
  f.code->OnNotInList = [&asked](TObject*, const AnsiString&, bool&) { asked = true; };
  editor->SelectAll();
  f.ui.Type("q");
  EXPECT_EQ(editor->Text(), "q") << "with OnNotInList the typed text stays";
  EXPECT_EQ(editor->SelLength(), 0);
}

TEST(GridInplaceEdit, PastingIntoALookupCellResolvesLikeTyping) {
  EditorFixture f;
  TDBGridInplaceEdit* editor = f.EditAt(f.city);
  Clipboard()->SetAsText("ky");
  editor->SelectAll();
  editor->Perform(WM_PASTE, 0, 0);
  EXPECT_EQ(editor->Text(), "Kyiv");
  EXPECT_EQ(editor->SelStart(), 2);
  f.Leave();
  EXPECT_EQ(f.data.FieldByName("CITY_ID")->AsInteger(), 1);
  editor = f.EditAt(f.city);
  Clipboard()->SetAsText("nowhere");
  editor->SelectAll();
  editor->Perform(WM_PASTE, 0, 0);
  EXPECT_EQ(editor->Text(), "Kyiv") << "nothing found, no handler: the paste does nothing";
}

TEST(GridInplaceEdit, TheSpecialRowShortCutSetsTextAndKey) {
  EditorFixture f;
  f.city->DropDownSpecRow().SetCellsText("(none)");
  f.city->DropDownSpecRow().SetValue(Null());
  f.city->DropDownSpecRow().SetVisible(true);
  TDBGridInplaceEdit* editor = f.EditAt(f.city);
  f.ui.Press(VK_DELETE, {ssAlt});
  EXPECT_EQ(editor->Text(), "(none)");
  f.Leave();
  EXPECT_TRUE(f.data.FieldByName("CITY_ID")->IsNull());
}

TEST(GridInplaceEdit, DropDownKeysOpenAcceptAndCancel) {
  EditorFixture f;
  f.name->PickList()->SetText("Alpha\nBeta\nGamma");
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  f.ui.Press(VK_DOWN, {ssAlt});
  ASSERT_TRUE(editor->ListVisible());
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_DOWN);
  EXPECT_EQ(editor->Text(), "Beta") << "the text follows the list";
  f.ui.Press(VK_RETURN);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(f.data.FieldByName("NAME")->AsString(), "Beta") << "accepting writes the field";

  f.ui.Press(VK_RETURN, {ssCtrl});
  ASSERT_TRUE(editor->ListVisible());
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_ESCAPE);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(editor->Text(), "Beta") << "cancel puts the saved text back";
  EXPECT_EQ(f.data.FieldByName("NAME")->AsString(), "Beta");

  f.ui.Press(VK_DOWN, {ssAlt});
  f.ui.Press(VK_DOWN, {ssAlt});
  EXPECT_FALSE(editor->ListVisible()) << "Alt+Down closes too";

  f.name->SetAutoDropDown(true);
  f.ui.Type("g");
  EXPECT_TRUE(editor->ListVisible()) << "a printable character opens the list";
  f.ui.Press(VK_ESCAPE);
}

TEST(GridInplaceEdit, TheCalculatorTakesTheKeysAndEnterWritesItsValue) {
  EditorFixture f;
  f.id->SetButtonStyle(cbsDropDown);
  TDBGridInplaceEdit* editor = f.EditAt(f.id);
  f.ui.Press(VK_DOWN, {ssAlt});
  ASSERT_TRUE(editor->ListVisible());
  f.ui.Type("*7");
  EXPECT_EQ(editor->Text(), "1") << "the characters went to the calculator";
  f.ui.Press(VK_RETURN);
  ASSERT_TRUE(editor->ListVisible()) << "the first Enter computes";
  EXPECT_EQ(editor->Calculator()->GetValue().AsInteger(), 7);
  f.ui.Press(VK_RETURN);
  EXPECT_FALSE(editor->ListVisible()) << "the second accepts";
  EXPECT_EQ(f.data.FieldByName("ID")->AsInteger(), 7);
  EXPECT_EQ(editor->Text(), "7");

  f.ui.Press(VK_DOWN, {ssAlt});
  f.ui.Type("9");
  f.ui.Press(VK_ESCAPE);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_TRUE(editor->Visible()) << "the Escape that closed the calculator does not reach the grid";
  EXPECT_EQ(f.data.FieldByName("ID")->AsInteger(), 7);
}

TEST(GridInplaceEdit, DraggingFromTheButtonIntoTheListChoosesOnRelease) {
  EditorFixture f;
  f.name->PickList()->SetText("Alpha\nBeta\nGamma");
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  TEditButtonControlEh* button = editor->ButtonControl(0);
  f.ui.Press(button, TPoint{button->Width() / 2, button->Height() / 2});
  ASSERT_TRUE(editor->ListVisible()) << "the press opens the list";
  TPopupListboxEh* list = editor->PickList();
  const TRect third = list->ItemRect(2);
  const TPoint inThird{third.left + 5, (third.top + third.bottom) / 2};
  f.ui.MoveTo(list, inThird);
  f.ui.Release(list, inThird);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(f.data.FieldByName("NAME")->AsString(), "Gamma");
}

TEST(GridInplaceEdit, OutsideTheTextTheMouseShowsTheArrowAndTheEditorKeepsItsCursor) {
  EditorFixture f;
  f.name->PickList()->SetText("Alpha\nBeta");
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  const TCursor ownCursor = editor->Cursor();
  TRect text;
  editor->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  ASSERT_GT(text.left, 0) << "the editor has a margin left of its text";
  f.ui.MoveTo(editor, TPoint{text.left - 1, text.top});
  SetCursor(0);
  EXPECT_EQ(editor->Perform(WM_SETCURSOR, editor->Handle(), HTCLIENT), 1);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crArrow));
  EXPECT_EQ(editor->Cursor(), ownCursor);
}

TEST(GridInplaceEdit, EnterOnAPickListWithNothingChosenWritesNothing) {
  EditorFixture f;
  f.name->PickList()->SetText("Alpha\nBeta");
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  ASSERT_EQ(editor->Text(), "name 1");
  f.ui.Press(VK_DOWN, {ssAlt});
  ASSERT_TRUE(editor->ListVisible());
  ASSERT_EQ(editor->PickList()->ItemIndex(), -1) << "the value is in no item";
  f.ui.Press(VK_RETURN);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(editor->Text(), "name 1");
  EXPECT_EQ(f.data.FieldByName("NAME")->AsString(), "name 1");
}

TEST(GridInplaceEdit, AResizedPickListStoresItsRowsAndWidth) {
  EditorFixture f;
  f.name->PickList()->SetText("a\nb\nc\nd\ne\nf\ng\nh\ni");
  f.name->SetDropDownSizing(true);
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  f.ui.Press(VK_DOWN, {ssAlt});
  TPopupListboxEh* list = editor->PickList();
  ASSERT_TRUE(editor->ListVisible());
  TSizeGripEh* grip = list->SizeGrip();
  const int rowHeight = list->RowHeight();
  const TPoint corner{grip->Width() / 2, grip->Height() / 2};
  f.ui.Drag(grip, corner, TPoint{corner.x + 30, corner.y - 2 * rowHeight});
  const int width = list->Width();
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(f.name->DropDownRows(), 5u);
  EXPECT_EQ(f.name->DropDownWidth(), width);
}

TEST(GridInplaceEdit, UpDownStepsByIncrementAndADoubleClickStepsWithShiftBack) {
  EditorFixture f;
  f.id->SetButtonStyle(cbsUpDown);
  f.id->SetIncrement(5);
  TDBGridInplaceEdit* editor = f.EditAt(f.id);
  TEditButtonControlEh* button = editor->ButtonControl(0);
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->Visible());
  f.ui.Click(button, TPoint{button->Width() / 2, 2});
  EXPECT_EQ(f.data.FieldByName("ID")->AsInteger(), 6) << "the top half counts up";
  f.ui.Click(button, TPoint{button->Width() / 2, button->Height() - 2});
  EXPECT_EQ(f.data.FieldByName("ID")->AsInteger(), 1) << "the bottom half down";
  EXPECT_EQ(editor->Text(), "1");

  f.id->SetButtonStyle(cbsNone);
  f.id->SetDblClickNextVal(true);
  editor = f.EditAt(f.id);
  f.ui.DoubleClick(editor, TPoint{5, 5});
  EXPECT_EQ(f.data.FieldByName("ID")->AsInteger(), 2);
  f.ui.KeyDown(VK_SHIFT);
  f.ui.DoubleClick(editor, TPoint{5, 5});
  f.ui.KeyUp(VK_SHIFT);
  EXPECT_EQ(f.data.FieldByName("ID")->AsInteger(), 1);
}

TEST(GridInplaceEdit, TheButtonRowPutsTheDefaultButtonInnermost) {
  EditorFixture f;
  f.grid->SetFlat(true);
  f.name->PickList()->SetText("a\nb");
  TEditButtonEh* wide = f.name->EditButtons().Add();
  wide->SetVisible(true);
  wide->SetWidth(20);
  TEditButtonEh* hidden = f.name->EditButtons().Add();
  hidden->SetVisible(false);
  TEditButtonEh* last = f.name->EditButtons().Add();
  last->SetVisible(true);
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  const int right = editor->ClientWidth();
  const int flatWidth = DefaultEditButtonWidthEh();
  EXPECT_EQ(editor->ButtonControl(3)->Left() + editor->ButtonControl(3)->Width(), right) << "the last ends the row";
  EXPECT_EQ(editor->ButtonControl(3)->Width(), flatWidth);
  EXPECT_EQ(editor->ButtonControl(2)->Width(), 0) << "a hidden button takes no room";
  EXPECT_FALSE(editor->ButtonSeparator(2)->Visible());
  EXPECT_EQ(editor->ButtonControl(1)->Width(), 20);
  EXPECT_EQ(editor->ButtonControl(0)->Left() + flatWidth + 1, editor->ButtonControl(1)->Left())
      << "the default button innermost, each button with its separator";
  EXPECT_EQ(editor->ButtonSeparator(0)->Width(), 1);
  EXPECT_EQ(editor->ButtonsWidth(), 3 * 1 + 2 * flatWidth + 20);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(editor->ButtonControl(i)->Height(), editor->ButtonControl(0)->Height());

  f.name->SetBiDiMode(bdRightToLeft);
  const auto editorUnder = [&](bool rightToLeftLocale) {
    SetMiddleEastLocale(rightToLeftLocale);
    f.EditAt(f.code);
    return f.EditAt(f.name);
  };
  editor = editorUnder(false);
  EXPECT_EQ(editor->ButtonControl(3)->Left() + editor->ButtonControl(3)->Width(), right)
      << "a left-to-right locale keeps the buttons of a right-to-left column at the right";
  editor = editorUnder(true);
  EXPECT_EQ(editor->ButtonControl(3)->Left(), 0) << "mirrored under a right-to-left locale";
  EXPECT_EQ(editor->ButtonsWidth(), 3 * 1 + 2 * flatWidth + 20);
  SetMiddleEastLocale(std::nullopt);
}

TEST(GridInplaceEdit, ExtraButtonsShortCutsAndMenus) {
  EditorFixture f;
  TEditButtonEh* extra = f.name->EditButtons().Add();
  extra->SetVisible(true);
  extra->SetShortCut(ShortCut(VK_F4, false, false, false));
  int clicks = 0;
  extra->OnClick = [&clicks](TObject*, bool& handled) {
    ++clicks;
    handled = true;
  };
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  f.ui.Press(VK_F4);
  EXPECT_EQ(clicks, 1) << "the shortcut clicks the button";

  TPopupMenu menu(nullptr);
  menu.Items()->Add(new TMenuItem(&menu));
  extra->SetDropdownMenu(&menu);
  editor = f.EditAt(f.name);
  TEditButtonControlEh* button = editor->ButtonControl(1);
  bool autoRepeat = false;
  bool handled = false;
  f.ui.Later([&] { f.ui.Press(VK_ESCAPE); });
  editor->EditButtonMouseDown(button, true, autoRepeat, handled);
  TMsg pending;
  EXPECT_TRUE(PeekMessage(pending, editor->Handle(), CM_EDITBUTTONRELEASEEH, CM_EDITBUTTONRELEASEEH, PM_NOREMOVE))
      << "the menu marked its button";
  editor->EditButtonMouseDown(button, true, autoRepeat, handled);
  EXPECT_TRUE(handled) << "the next press only closes the menu: no second menu";
  EXPECT_FALSE(PeekMessage(pending, editor->Handle(), CM_EDITBUTTONRELEASEEH, CM_EDITBUTTONRELEASEEH, PM_NOREMOVE));
}

TEST(GridInplaceEdit, TheRecentValuesListFiltersAndTakesItsItem) {
  EditorFixture f;
  TMRUListEh& recent = f.name->MRUList();
  recent.SetActive(true);
  recent.Items()->SetText("Alpha\nalpine\nBeta");
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  f.ui.Type("al");
  ASSERT_TRUE(editor->MRUListVisible());
  EXPECT_EQ(editor->MRUListbox()->Items()->Count(), 2) << "case-insensitive by default";
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_RETURN);
  EXPECT_FALSE(editor->MRUListVisible());
  EXPECT_EQ(editor->Text(), "Alpha");
  f.ui.Press(VK_END);
  f.ui.Press(VK_BACK);
  f.ui.Press(VK_ESCAPE);
  EXPECT_FALSE(editor->MRUListVisible()) << "Escape closes";
  editor->SelectAll();
  f.ui.Press(VK_BACK);
  EXPECT_TRUE(editor->MRUListVisible()) << "back to an empty text shows the whole list";
  f.ui.Press(VK_ESCAPE);

  f.ui.Type("Gamma");
  f.Leave();
  EXPECT_GE(recent.Items()->IndexOf("Gamma"), 0) << "an accepted edit is remembered";
}

TEST(GridInplaceEdit, LosingTheFocusOrACancelModeClosesWithoutAccepting) {
  EditorFixture f;
  f.name->PickList()->SetText("Alpha\nBeta");
  auto* other = new TButton(f.form.get());
  other->SetBounds(620, 10, 60, 20);
  other->SetParent(f.form.get());
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  f.ui.Press(VK_DOWN, {ssAlt});
  f.ui.Press(VK_DOWN);
  ASSERT_TRUE(editor->ListVisible());
  other->SetFocus();
  f.ui.Process();
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(f.data.FieldByName("NAME")->AsString(), "name 1");

  f.grid->SetFocus();
  editor = f.EditAt(f.name);
  f.ui.Press(VK_DOWN, {ssAlt});
  ASSERT_TRUE(editor->ListVisible());
  editor->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(other));
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(f.data.FieldByName("NAME")->AsString(), "name 1");
}

TEST(GridInplaceEdit, ARequiredEmptyValueIsUnderlinedUnlessVetoed) {
  EditorFixture f;
  f.data.FieldByName("NAME")->SetRequired(true);
  f.name->SetHighlightRequired(true);
  f.data.Edit();
  f.data.FieldByName("NAME")->Clear();
  TDBGridInplaceEdit* editor = f.EditAt(f.name);
  f.ui.Process();
  const int y = editor->ClientHeight() - 1;
  const auto redAt = [&](int x) { return f.ui.Pixel(editor, TPoint{x, y}) == ColorToRGB(clRed); };
  int red = 0;
  for (int x = 4; x < 40; ++x) red += redAt(x) ? 1 : 0;
  EXPECT_GE(red, 10) << "a dotted line";
  EXPECT_LE(red, 26) << "dotted, not solid";
  f.name->OnCheckDrawRequiredState = [](TObject*, const AnsiString&, bool& draw) { draw = false; };
  editor->Invalidate();
  f.ui.Process();
  red = 0;
  for (int x = 4; x < 40; ++x) red += redAt(x) ? 1 : 0;
  EXPECT_EQ(red, 0);
}

}  // namespace
}  // namespace ordvane
