// The data-aware combo box over the in-memory dataset: key mode (the text one of the
// items, the value the key on its line), free text with completion, the keys, the wheel
// and the up-down button, paste, and the drop-down list.

#include <gtest/gtest.h>

#include "classlib/db/DB.h"
#include "classlib/ui/Clipbrd.h"
#include "gridbase/DBCtrlsEhComboBox.h"
#include "tests/support/MemDataSet.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

using test::TMemDataSet;

class TTestCombo : public TDBComboBoxEh {
 public:
  using TDBComboBoxEh::TDBComboBoxEh;
  // What the box paints as a copy (a grid row drawn through it).
  AnsiString CopyText() {
    SetControlState(ControlState() + TControlState{csPaintCopy});
    const AnsiString text = GetPaintText();
    SetControlState(ControlState() - TControlState{csPaintCopy});
    return text;
  }
  bool WindowReadOnly() const { return TCustomMaskEdit::ReadOnly(); }
  int contextMenus = 0;

 protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_CONTEXTMENU) ++contextMenus;
    TDBComboBoxEh::WndProc(message);
  }
};

struct ComboFixture : test::TextControlFixture {
  TMemDataSet data{nullptr};
  TDataSource source{nullptr};
  TTestCombo* combo = Place<TTestCombo>(Rect(10, 10, 160, 31));
  TEdit* other = Place<TEdit>(Rect(10, 200, 160, 221));

  ComboFixture() {
    data.FieldDefs().Add("ANSWER", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 20);
    data.Open();
    data.AppendRecord({Variant(0), Variant("plum")});
    source.SetDataSet(&data);
  }
  void KeyMode(std::initializer_list<const char*> items, std::initializer_list<const char*> keys) {
    for (const char* item : items) combo->Items()->Add(item);
    for (const char* key : keys) combo->KeyItems()->Add(key);
  }
  void Bind(const char* field) {
    combo->SetDataSource(&source);
    combo->SetDataField(field);
    ui.Process();
  }
  void Enter() {
    combo->SetFocus();
    ui.Process();
  }
  void Leave() {
    other->SetFocus();
    ui.Process();
  }
  TField* Field(const char* name) { return data.FieldByName(name); }
  std::pair<int, int> Selection() { return {combo->SelStart(), combo->SelLength()}; }
};

TEST(DBComboBox, KeyModeShowsTheItemOfTheKeyAndWritesTheKeyOfTheItem) {
  ComboFixture f;
  f.KeyMode({"Yes", "No"}, {"1", "0"});
  f.Bind("ANSWER");
  EXPECT_TRUE(f.combo->KeyMode());
  EXPECT_EQ(f.combo->EditText(), "No");
  EXPECT_EQ(f.combo->ItemIndex(), 1);
  EXPECT_EQ(f.combo->CopyText(), "No");
  f.Enter();
  EXPECT_TRUE(f.combo->WindowReadOnly()) << "the text is only chosen";

  f.combo->SetItemIndex(0);
  EXPECT_EQ(f.Field("ANSWER")->AsInteger(), 1) << "written at once";
  EXPECT_EQ(f.combo->Value(), Variant("1"));

  f.data.Edit();
  f.Field("ANSWER")->SetAsInteger(7);
  EXPECT_EQ(f.combo->EditText(), "");
  EXPECT_EQ(f.combo->ItemIndex(), -1);
  EXPECT_EQ(f.combo->CopyText(), "");
  f.data.Cancel();

  // The hook answers only while Items is empty.
  f.combo->OnGetItemsCount = [](TObject*, int& count) { count = 40; };
  EXPECT_EQ(f.combo->GetItemsCount(), 2);
  TTestCombo* empty = f.Place<TTestCombo>(Rect(10, 60, 160, 81));
  EXPECT_EQ(empty->GetItemsCount(), 0);
  empty->OnGetItemsCount = f.combo->OnGetItemsCount;
  EXPECT_EQ(empty->GetItemsCount(), 40);
}

// A key the items do not reach (KeyItems longer than Items) is no item: nothing shows,
// nothing is painted, and leaving writes nothing.
TEST(DBComboBox, OnlyTheLinesBothListsHaveAreOffered) {
  ComboFixture f;
  f.KeyMode({"Yes", "No", "Maybe"}, {"1", "0"});
  EXPECT_EQ(f.combo->ItemsCount(), 2);
  f.combo->KeyItems()->Add("2");
  f.combo->KeyItems()->Add("3");
  EXPECT_EQ(f.combo->ItemsCount(), 3);
  f.combo->Items()->Delete(2);
  EXPECT_EQ(f.combo->ItemsCount(), 2);
  f.data.Edit();
  f.Field("ANSWER")->SetAsInteger(3);
  f.data.Post();
  f.Bind("ANSWER");
  EXPECT_EQ(f.combo->ItemIndex(), -1);
  EXPECT_EQ(f.combo->EditText(), "");
  EXPECT_EQ(f.combo->CopyText(), "");
  f.Enter();
  f.Leave();
  EXPECT_EQ(f.Field("ANSWER")->AsInteger(), 3);
  EXPECT_EQ(f.data.State(), dsBrowse);
  f.Enter();
  f.ui.Press(VK_UP);
  EXPECT_EQ(f.combo->EditText(), "No") << "from none Up goes to the last offered item";
}

TEST(DBComboBox, KeyModeTypingSearchesBackspaceGivesUpAndPasteSearches) {
  ComboFixture f;
  f.KeyMode({"Yes", "No", "Never"}, {"1", "0", "-1"});
  f.Bind("ANSWER");
  f.Enter();
  f.combo->SetItemIndex(-1);
  f.ui.Type("n");
  EXPECT_EQ(f.combo->EditText(), "No");
  EXPECT_EQ(f.Selection(), std::make_pair(1, 1));
  f.ui.Type("e");
  EXPECT_EQ(f.combo->EditText(), "Never");
  EXPECT_EQ(f.Selection(), std::make_pair(2, 3));
  f.ui.Press(VK_BACK);
  EXPECT_EQ(f.Selection(), std::make_pair(1, 4));
  f.ui.Press(VK_BACK);
  EXPECT_EQ(f.Selection(), std::make_pair(0, 5)) << "the empty prefix";
  f.ui.Type("y");
  EXPECT_EQ(f.combo->EditText(), "Yes");
  f.ui.Type("q");
  EXPECT_EQ(f.combo->EditText(), "Yes") << "no item begins with yq";

  Clipboard()->SetAsText("ne");
  f.combo->SelectAll();
  f.ui.Press('V', {ssCtrl});
  EXPECT_EQ(f.combo->EditText(), "Never");
  EXPECT_EQ(f.Selection(), std::make_pair(2, 3)) << "searched, not pasted";
  f.Leave();
  EXPECT_EQ(f.Field("ANSWER")->AsInteger(), -1);
}

TEST(DBComboBox, DeleteClearsAKeyOnlyWhenTheFieldMayBeNull) {
  for (bool required : {false, true}) {
    SCOPED_TRACE(required ? "required" : "not required");
    ComboFixture f;
    f.KeyMode({"Yes", "No"}, {"1", "0"});
    f.Field("ANSWER")->SetRequired(required);
    f.Bind("ANSWER");
    f.Enter();
    f.ui.Press(VK_DELETE);
    EXPECT_EQ(f.combo->EditText(), required ? "No" : "");
    f.Leave();
    EXPECT_EQ(f.Field("ANSWER")->IsNull(), !required);
  }
}

TEST(DBComboBox, KeyModeMouseOpensAndClosesTheListAndRightReleaseAsksForTheMenu) {
  ComboFixture f;
  f.KeyMode({"Yes", "No"}, {"1", "0"});
  f.Bind("ANSWER");
  f.ui.Click(f.combo, {20, 8});
  EXPECT_TRUE(f.combo->Focused());
  EXPECT_TRUE(f.combo->ListVisible());
  f.ui.Advance(1000);  // not a double click
  f.ui.Click(f.combo, {20, 8});
  EXPECT_FALSE(f.combo->ListVisible());
  f.ui.Click(f.combo, {20, 8}, THostButton::Right);
  EXPECT_EQ(f.combo->contextMenus, 1);
  EXPECT_EQ(f.combo->EditText(), "No");
}

TEST(DBComboBox, FreeTextCompletesATypedPrefixOnlyAtTheEndOfTheText) {
  ComboFixture f;
  for (const char* item : {"Apple", "Apricot", "1.5 kg", "15 kg"}) f.combo->Items()->Add(item);
  f.Bind("NAME");
  EXPECT_FALSE(f.combo->KeyMode());
  f.Enter();
  f.combo->SelectAll();
  f.ui.Type("ap");
  EXPECT_EQ(f.combo->EditText(), "Apple");
  EXPECT_EQ(f.Selection(), std::make_pair(2, 3)) << "the untyped rest selected";
  EXPECT_EQ(f.combo->ItemIndex(), 0);
  f.ui.Press(VK_DELETE);
  EXPECT_EQ(f.combo->EditText(), "Ap");
  f.ui.Press(VK_BACK);
  EXPECT_EQ(f.combo->EditText(), "A");
  EXPECT_EQ(f.combo->ItemIndex(), -1);

  f.combo->SelectAll();
  f.ui.Type("1.");
  EXPECT_EQ(f.combo->EditText(), "1.") << "a point never completes";
  f.ui.Type("5");
  EXPECT_EQ(f.combo->EditText(), "1.5 kg");
  // A character that arrives with Ctrl held (AltGr on some layouts) does not complete.
  f.combo->SelectAll();
  f.ui.KeyDown(VK_CONTROL);
  f.combo->Perform(WM_CHAR, 'A', 0);
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.combo->EditText(), "A");
  f.combo->SelectAll();
  f.ui.Type("plum pie");
  EXPECT_EQ(f.combo->ItemIndex(), -1);

  std::vector<std::string> notInList;
  f.combo->OnNotInList = [&](TObject*, const AnsiString& text, bool& recheck) {
    notInList.push_back(text);
    recheck = true;
  };
  f.Leave();
  EXPECT_EQ(notInList, std::vector<std::string>{"plum pie"});
  EXPECT_EQ(f.Field("NAME")->AsString(), "plum pie") << "whatever the handler answers";
}

TEST(DBComboBox, ArrowsWheelAndTheUpDownButtonStepThroughTheItems) {
  ComboFixture f;
  f.KeyMode({"One", "Two", "Three"}, {"1", "2", "3"});
  f.Bind("ANSWER");
  f.Enter();
  EXPECT_EQ(f.combo->ItemIndex(), -1);
  f.ui.Press(VK_DOWN);
  EXPECT_EQ(f.combo->ItemIndex(), 0) << "from none Down goes to the first";
  f.ui.Press(VK_UP);
  EXPECT_EQ(f.combo->ItemIndex(), 0) << "from the first Up stays";
  for (int i = 0; i < 3; ++i) f.ui.Press(VK_DOWN);
  EXPECT_EQ(f.combo->ItemIndex(), 2) << "never past the last";
  EXPECT_EQ(f.Selection(), std::make_pair(0, 5));

  f.combo->SetWordWrap(true);
  f.ui.Process();
  f.Enter();
  f.combo->SetSelStart(1);
  f.ui.Press(VK_UP);
  EXPECT_EQ(f.combo->ItemIndex(), 2) << "word wrap: only with the whole text selected";
  f.combo->SelectAll();
  f.ui.Press(VK_UP);
  EXPECT_EQ(f.combo->ItemIndex(), 1);

  f.ui.MoveTo(f.combo, {20, 8});
  f.ui.Wheel(-1);
  EXPECT_EQ(f.combo->ItemIndex(), 2);
  f.ui.Wheel(2);
  EXPECT_EQ(f.combo->ItemIndex(), 0);

  f.combo->EditButton()->SetStyle(ebsUpDownEh);
  f.ui.Process();
  TEditButtonControlEh* button = f.combo->ButtonControl(0);
  f.ui.Click(button, {button->Width() / 2, button->Height() - 2});
  EXPECT_EQ(f.combo->ItemIndex(), 1) << "the lower half steps down";
  f.ui.Click(button, {button->Width() / 2, 1});
  EXPECT_EQ(f.combo->ItemIndex(), 0);
  f.Leave();
  EXPECT_EQ(f.Field("ANSWER")->AsInteger(), 1);
}

TEST(DBComboBox, TheListIsSizedFromItsItemsAndTheBox) {
  ComboFixture f;
  for (int i = 0; i < 4; ++i) f.combo->Items()->Add("item " + std::to_string(i));
  f.combo->Items()->Add("a much longer item than the box is wide");
  f.Bind("NAME");
  f.Enter();
  f.combo->DropDownBox()->SetRows(9);
  f.ui.Press(VK_DOWN, {ssAlt});
  TPopupListboxEh* list = f.combo->PopupList();
  ASSERT_TRUE(list && f.combo->ListVisible());
  EXPECT_EQ(list->RowCount(), 5) << "no more rows than items";
  EXPECT_EQ(list->Width(), f.combo->Width()) << "width 0: the control's";
  f.ui.Press(VK_ESCAPE);
  EXPECT_FALSE(f.combo->ListVisible());

  f.combo->DropDownBox()->SetWidth(-1);
  f.combo->DropDownBox()->SetRows(2);
  f.ui.Press(VK_DOWN, {ssAlt});
  TControlCanvas canvas(f.combo);
  canvas.EnsureHandle();
  canvas.Font()->Assign(f.combo->Font());
  EXPECT_EQ(list->Width(), canvas.TextWidth(f.combo->Items()->Strings(4)) + 5);
  EXPECT_EQ(list->RowCount(), 2);
  f.ui.Press(VK_ESCAPE);
  TImageList images(nullptr, 12, 12);
  f.combo->SetImages(&images);
  f.ui.Press(VK_DOWN, {ssAlt});
  EXPECT_EQ(list->Width(), canvas.TextWidth(f.combo->Items()->Strings(4)) + 5 + 12 + 4) << "with images";
  f.ui.Press(VK_ESCAPE);
  f.combo->SetImages(nullptr);
  f.combo->DropDownBox()->SetWidth(30);
  f.ui.Press(VK_DOWN, {ssAlt});
  EXPECT_EQ(list->Width(), f.combo->Width()) << "never narrower than the control";
  f.ui.Press(VK_ESCAPE);

  // Right to left, a left-aligned list lines up with the control's right edge.
  f.combo->DropDownBox()->SetWidth(-1);
  f.combo->SetBiDiMode(bdRightToLeft);
  f.ui.Press(VK_DOWN, {ssAlt});
  TRect placed, own;
  GetWindowRect(list->Handle(), placed);
  GetWindowRect(f.combo->Handle(), own);
  EXPECT_EQ(placed.right, own.right);
  f.ui.Press(VK_ESCAPE);
}

TEST(DBComboBox, TheListAcceptsByEnterOrAReleaseInsideDeclinesByEscapeAndKeepsTheUsersSize) {
  ComboFixture f;
  for (const char* item : {"plum", "pear", "peach", "quince"}) f.combo->Items()->Add(item);
  f.Bind("NAME");
  f.Enter();
  std::vector<bool> closes;
  f.combo->OnCloseUp = [&](TObject*, bool accept) { closes.push_back(accept); };
  f.ui.Press(VK_DOWN, {ssAlt});
  TPopupListboxEh* list = f.combo->PopupList();
  EXPECT_EQ(list->ItemIndex(), 0);
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_ESCAPE);
  EXPECT_EQ(f.combo->EditText(), "plum");
  f.ui.Press(VK_DOWN, {ssAlt});
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(f.combo->EditText(), "peach");
  f.ui.Press(VK_DOWN, {ssAlt});
  f.ui.Click(list, {10, list->ItemHeight() * 3 + 2});
  EXPECT_FALSE(f.combo->ListVisible());
  EXPECT_EQ(f.combo->EditText(), "quince");
  EXPECT_EQ(closes, (std::vector<bool>{false, true, true}));

  // A press on the drop-down button dragged into the list and released on an item.
  TEditButtonControlEh* button = f.combo->ButtonControl(0);
  f.ui.Press(button, {3, 3});
  ASSERT_TRUE(f.combo->ListVisible());
  const TPoint pear = test::UiDriver::ScreenPoint(list, {10, list->ItemHeight() + 2});
  f.ui.MoveToScreen(test::UiDriver::ScreenPoint(button, {3, button->Height() + 1}));
  f.ui.MoveToScreen(pear);
  f.ui.ReleaseAtScreen(pear);
  EXPECT_FALSE(f.combo->ListVisible());
  EXPECT_EQ(f.combo->EditText(), "pear");
  EXPECT_EQ(closes.size(), 4u);

  f.combo->DropDownBox()->SetSizable(true);
  EXPECT_TRUE(f.combo->Focused()) << "back from the list";
  f.ui.Press(VK_DOWN, {ssAlt});
  ASSERT_TRUE(list->SizeGrip()->Visible());
  // The grip sits in the corner away from the control: drag it one row in and 40
  // pixels out.
  TSizeGripEh* grip = list->SizeGrip();
  const bool left = grip->Position() == sgpTopLeft || grip->Position() == sgpBottomLeft;
  const bool top = grip->Position() == sgpTopLeft || grip->Position() == sgpTopRight;
  const TPoint from = grip->ClientToScreen({left ? 3 : grip->Width() - 4, top ? 3 : grip->Height() - 4});
  const TPoint to{from.x + (left ? -40 : 40), from.y + (top ? 1 : -1) * list->ItemHeight()};
  f.ui.PressAtScreen(from);
  f.ui.MoveToScreen({(from.x + to.x) / 2, (from.y + to.y) / 2});
  f.ui.MoveToScreen(to);
  f.ui.ReleaseAtScreen(to);
  const int rows = list->RowCount(), width = list->Width();
  f.ui.Press(VK_ESCAPE);
  EXPECT_EQ(f.combo->DropDownBox()->Rows(), rows);
  EXPECT_EQ(f.combo->DropDownBox()->Width(), width);
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(width, f.combo->Width() + 40);

  f.combo->DropDownBox()->SetAutoDrop(true);
  f.combo->SelectAll();
  f.ui.Type("p");
  EXPECT_TRUE(f.combo->ListVisible()) << "the first printable key drops the list";
  f.Leave();
  EXPECT_FALSE(f.combo->ListVisible());
}

}  // namespace
}  // namespace ordvane
