// The data-aware edit over the in-memory dataset: the standalone value, binding, typing
// and leaving, the keys it claims, its read-only state, its buttons, what it paints and
// its tool tip, the in-place holder check, and values that must not overflow.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <set>

#include "classlib/core/CodePages.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/SysLocale.h"
#include "classlib/db/DB.h"
#include "classlib/db/NumericFields.h"
#include "classlib/ui/SysMetrics.h"
#include "gridbase/DBCtrlsEh.h"
#include "tests/support/MemDataSet.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

using test::TMemDataSet;

// Exposes the virtual operations a descendant overrides.
class TTestEdit : public TCustomDBEditEh {
 public:
  using TCustomDBEditEh::TCustomDBEditEh;
  using TCustomDBEditEh::GetEditRect;
  using TCustomDBEditEh::UpdateImageIndex;
  Variant shownValue;

 protected:
  Variant GetVariantValue() const override {
    return VarIsEmpty(shownValue) ? TCustomDBEditEh::GetVariantValue() : shownValue;
  }
};

struct EditFixture : test::TextControlFixture {
  TMemDataSet data{nullptr};
  TDataSource source{nullptr};
  TTestEdit* edit = Place<TTestEdit>(Rect(10, 10, 200, 31));
  TEdit* other = Place<TEdit>(Rect(10, 60, 200, 81));

  EditFixture() {
    data.FieldDefs().Add("N", ftFloat);
    data.FieldDefs().Add("S", ftString, 20);
    data.Open();
    data.AppendRecord({Variant(12.5), Variant("one")});
    source.SetDataSet(&data);
  }
  void Bind(const char* field) {
    edit->SetDataSource(&source);
    edit->SetDataField(field);
    ui.Process();
  }
  void Enter() {
    edit->SetFocus();
    ui.Process();
  }
  void Leave() {
    other->SetFocus();
    ui.Process();
  }
};

TEST(DBEdit, StandaloneKeepsTypedTextAndWritesTextSetInCodeAtOnce) {
  EditFixture f;
  EXPECT_TRUE(VarIsNull(f.edit->DataLink()->Value()));
  f.Enter();
  f.ui.Type("abc");
  f.Leave();
  EXPECT_EQ(f.edit->DataLink()->Value(), Variant("abc"));
  EXPECT_EQ(f.edit->Value(), Variant("abc"));

  int updates = 0;
  f.edit->OnUpdateData = [&](TObject*, bool&) { ++updates; };
  f.edit->SetText("code");
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(f.edit->DataLink()->Value(), Variant("code"));
}

TEST(DBEdit, BoundShowsEditTextFocusedDisplayTextOtherwiseAndWritesOnLeaving) {
  EditFixture f;
  const AnsiString point(1, FormatSettings().DecimalSeparator);
  auto* number = static_cast<TFloatField*>(f.data.FieldByName("N"));
  number->SetDisplayFormat("0.00");
  number->SetEditFormat("0.###");
  f.Bind("N");
  EXPECT_EQ(f.edit->EditText(), "12" + point + "50");
  EXPECT_EQ(f.edit->Alignment(), taRightJustify) << "from the field";
  f.Enter();
  EXPECT_EQ(f.edit->EditText(), "12" + point + "5");
  EXPECT_EQ(f.data.State(), dsBrowse);
  f.ui.Press(VK_END);
  f.ui.Type("x");
  EXPECT_EQ(f.ui.Beeps(), 1) << "a letter is no float";
  EXPECT_EQ(f.edit->EditText(), "12" + point + "5");
  f.ui.Type("1");
  EXPECT_EQ(f.data.State(), dsEdit);
  f.Leave();
  EXPECT_DOUBLE_EQ(f.data.FieldByName("N")->AsFloat(), 12.51);
  EXPECT_EQ(f.edit->EditText(), "12" + point + "51");

  f.edit->SetAlignment(taCenter);
  EXPECT_EQ(f.edit->Alignment(), taCenter) << "set explicitly";
}

TEST(DBEdit, EscapeIsClaimedOnlyWhileModifiedAndRestoresTheField) {
  EditFixture f;
  f.Bind("S");
  f.Enter();
  EXPECT_EQ(f.edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 0);
  f.ui.Press(VK_END);
  f.ui.Type("s");
  EXPECT_EQ(f.edit->EditText(), "ones");
  EXPECT_NE(f.edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 0);
  f.ui.Press(VK_ESCAPE);
  EXPECT_EQ(f.edit->EditText(), "one");
  EXPECT_EQ(f.edit->SelLength(), 3);

  for (bool accepts : {false, true}) {
    f.edit->SetAcceptsReturn(accepts);
    f.edit->SetText("a");
    f.edit->SetSelStart(1);
    f.ui.Press(VK_RETURN);
    f.edit->Perform(WM_CHAR, 10, 0);
    EXPECT_EQ(f.edit->EditText(), accepts ? "a\r\n" : "a") << "line feed never";
  }
}

TEST(DBEdit, MaxLengthFollowsTheStringFieldsSizeAndSurvivesMissingBindings) {
  struct Case {
    const char* name;
    bool sourceFirst;
    bool withDataSet;
    int maxLength;
    int expected;
  };
  for (const Case& c : {Case{"equal to the size", true, true, 20, 20},
                        Case{"unset stays unset: the field refuses a longer text", true, true, 0, 0},
                        Case{"other sizes stay", true, true, 10, 10},
                        Case{"field name before any source", false, true, 10, 10},
                        Case{"source without dataset", true, false, 10, 10}}) {
    EditFixture f;
    if (!c.withDataSet) f.source.SetDataSet(nullptr);
    f.edit->SetMaxLength(c.maxLength);
    if (c.sourceFirst) f.edit->SetDataSource(&f.source);
    f.edit->SetDataField("S");
    if (!c.sourceFirst) f.edit->SetDataSource(&f.source);
    // An unset limit stays unset: the field's size governs.
    EXPECT_EQ(f.edit->MaxLength(), c.expected) << c.name;
  }
}

TEST(DBEdit, ValueWithoutADataSetIsShownAndWritesNothing) {
  EditFixture f;
  f.edit->SetDataField("S");
  f.edit->SetValue(Variant("shown"));
  EXPECT_EQ(f.edit->EditText(), "shown");
  f.edit->SetDataSource(&f.source);
  f.source.SetDataSet(nullptr);
  f.edit->SetText("again");
  f.edit->Clear();
  EXPECT_EQ(f.data.FieldByName("S")->AsString(), "one");
  EXPECT_EQ(f.data.State(), dsBrowse);
}

// An input method composes in the window before a character reaches the edit: under a
// Far East locale the window is writable from the moment the edit is entered.
TEST(DBEdit, UnderAFarEastLocaleTheWindowIsWritableOnEntering) {
  struct TLocale {
    explicit TLocale(bool farEast) { SetFarEastLocale(farEast); }
    ~TLocale() { SetFarEastLocale(std::nullopt); }
  };
  for (const bool farEast : {false, true}) {
    SCOPED_TRACE(farEast);
    const TLocale locale(farEast);
    EditFixture f;
    f.Bind("S");
    f.Enter();
    EXPECT_EQ(f.edit->TCustomMaskEdit::ReadOnly(), !farEast);
    EXPECT_EQ(f.data.State(), dsBrowse);
    f.Leave();
    f.edit->SetReadOnly(true);
    f.Enter();
    EXPECT_TRUE(f.edit->TCustomMaskEdit::ReadOnly()) << "the edit's own ReadOnly";
  }
}

TEST(DBEdit, WindowIsWritableOnlyWhileTheLinkEditsOrTheHolderAllows) {
  struct THolder : TCustomControl, IInplaceEditHolderEh {
    using TCustomControl::TCustomControl;
    bool canModify = true;
    bool InplaceEditCanModify(TControl*) override { return canModify; }
    void GetMouseDownInfo(TPoint&, Cardinal&) override {}
    bool InplaceEditWndProc(TControl*, TMessage&) override { return false; }
    void InplaceEditKeyDown(TControl*, Word&, TShiftState) override {}
    void InplaceEditKeyPress(TControl*, char&) override {}
    void InplaceEditKeyUp(TControl*, Word&, TShiftState) override {}
  };
  EditFixture f;
  f.Bind("S");
  auto windowReadOnly = [&] { return f.edit->TCustomMaskEdit::ReadOnly(); };
  EXPECT_TRUE(windowReadOnly());
  f.Enter();
  f.ui.Type("z");
  EXPECT_FALSE(windowReadOnly());

  f.edit->OnUpdateData = [](TObject*, bool& handled) { handled = true; };
  f.Leave();
  EXPECT_EQ(f.data.FieldByName("S")->AsString(), "one") << "handled: not written";
  EXPECT_FALSE(windowReadOnly()) << "dsEdit with OnUpdateData";

  TPanel plain(nullptr);
  try {
    f.edit->SetInplaceEditHolder(&plain);
    ADD_FAILURE() << "took a holder without the interface";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "InplaceEditHolder have to support IInplaceEditHolderEh interface");
  }
  EXPECT_EQ(f.edit->InplaceEditHolder(), nullptr);
  THolder holder(nullptr);
  holder.canModify = false;
  f.edit->SetInplaceEditHolder(&holder);
  f.edit->DataLink()->Reset();
  EXPECT_TRUE(windowReadOnly());
  f.edit->SetInplaceEditHolder(nullptr);

  f.edit->SetReadOnly(true);
  f.Enter();
  for (Word key : {Word('Q'), Word(VK_DELETE), Word(VK_BACK)}) f.ui.Press(key);
  f.edit->Perform(WM_PASTE, 0, 0);
  EXPECT_EQ(f.edit->EditText(), "one");
}

TEST(DBEdit, FieldErrorOnExitReachesTheCaller) {
  EditFixture f;
  f.Bind("S");
  f.data.FieldByName("S")->OnValidate = [](TField*) { throw EDatabaseError("refused"); };
  f.Enter();
  f.ui.Type("q");
  EXPECT_THROW(f.edit->Perform(CM_EXIT, 0, 0), EDatabaseError);
}

TEST(DBEdit, ImageIndexOfNumbersOutsideTheIntegerRangeIsNone) {
  EditFixture f;
  TImageList images(nullptr);
  images.SetHeight(40);
  f.edit->SetImages(&images);
  f.ui.Process();
  EXPECT_EQ(f.edit->Height(), 40 + 8 * GetSystemMetrics(SM_CYBORDER)) << "the image is taller than the font";
  const double inf = std::numeric_limits<double>::infinity();
  for (auto [value, expected] : std::initializer_list<std::pair<double, int>>{
           {7.6, 8}, {-2.0, -2}, {1e12, -1}, {std::nan(""), -1}, {inf, -1}, {-inf, -1}}) {
    f.edit->shownValue = Variant(value);
    f.edit->UpdateImageIndex();
    EXPECT_EQ(f.edit->EditImage()->ImageIndex(), expected) << value;
  }
}

TEST(DBEdit, ButtonsLayOutAtTheRightAndTheMainOneDropsDownAndCloses) {
  EditFixture f;
  f.edit->EditButton()->SetVisible(true);
  TEditButtonEh* extra = f.edit->EditButtons()->Add();
  extra->SetVisible(true);
  extra->SetWidth(12);
  f.edit->EditButtons()->Add()->SetVisible(false);
  f.ui.Process();
  const int scroll = GetSystemMetrics(SM_CXVSCROLL);
  const int right = f.edit->ClientWidth();
  EXPECT_EQ(f.edit->ButtonControl(0)->Left(), right - scroll);
  EXPECT_EQ(f.edit->ButtonControl(1)->Left(), right - scroll - 12);
  EXPECT_FALSE(f.edit->ButtonControl(2)->Visible());
  TRect formatting;
  f.edit->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatting));
  EXPECT_EQ(formatting.right, right - scroll - 12);

  f.edit->SetFlat(true);
  f.ui.Process();
  EXPECT_EQ(f.edit->ButtonControl(0)->Left(), right - DefaultEditButtonWidthEh() - 1);
  EXPECT_TRUE(f.edit->ButtonSeparator(0)->Visible());

  TEditButtonControlEh* main = f.edit->ButtonControl(0);
  f.ui.Click(main, {2, 2});
  EXPECT_TRUE(f.edit->DroppedDown()) << "the opening press does not close on its click";
  f.ui.Click(main, {2, 2});
  EXPECT_FALSE(f.edit->DroppedDown());

  f.edit->EditButton()->SetShortCut(ShortCut(VK_F4, false, false, false));
  f.Enter();
  f.ui.Press(VK_F4);
  EXPECT_TRUE(f.edit->DroppedDown());
}

TEST(DBEdit, RecentValuesDropWhileTypingAndAnAcceptedOneBecomesTheText) {
  EditFixture f;
  TMRUListEh* mru = f.edit->MRUList();
  mru->SetActive(true);
  for (const char* item : {"apple", "apricot", "banana"}) mru->Items()->Add(item);
  f.Enter();
  f.ui.Type("ap");
  TMRUListboxEh* list = f.edit->MRUListbox();
  ASSERT_TRUE(list && f.edit->MRUListVisible());
  EXPECT_EQ(list->Count(), 2);
  TRect formatting;
  f.edit->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatting));
  EXPECT_EQ(list->Width(), formatting.Width());
  TRect placed;
  GetWindowRect(list->Handle(), placed);
  EXPECT_EQ(placed.TopLeft(), test::UiDriver::ScreenPoint(f.edit, {formatting.left, formatting.bottom}));

  // The wheel goes to the open list, a notch an item, also when it comes in parts.
  f.ui.MoveTo(f.edit, {5, 5});
  f.ui.Wheel(-1);
  EXPECT_EQ(list->ItemIndex(), 0);
  for (int i = 0; i < 3; ++i) f.ui.WheelBy(-WHEEL_DELTA / 3);
  EXPECT_EQ(list->ItemIndex(), 1);
  f.ui.Wheel(1);
  EXPECT_EQ(list->ItemIndex(), 0);
  ASSERT_TRUE(f.edit->MRUListVisible());
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_RETURN);
  EXPECT_FALSE(f.edit->MRUListVisible());
  EXPECT_EQ(f.edit->EditText(), "apricot");

  f.ui.Press('A', {ssCtrl});
  f.ui.Press(VK_BACK);
  EXPECT_FALSE(f.edit->MRUListVisible()) << "emptied";
  f.ui.Press(VK_BACK);
  EXPECT_TRUE(f.edit->MRUListVisible()) << "Backspace on empty text";
  EXPECT_EQ(list->Count(), 3);
  f.ui.Press(VK_ESCAPE);
  EXPECT_FALSE(f.edit->MRUListVisible());

  f.ui.Type("kiwi");
  f.Leave();
  EXPECT_EQ(mru->Items()->Strings(mru->Items()->Count() - 1), "kiwi");
}

// The recent-values list's filter event has the last word on each item, after the
// built-in comparison of the typed prefix, under both case settings.
TEST(DBEdit, TheRecentValuesFilterEventAcceptsOrRefusesEachItem) {
  EditFixture f;
  TMRUListEh* mru = f.edit->MRUList();
  mru->SetActive(true);
  for (const char* item : {"Київ 2024", "київ", "Одеса-Київ", "Lviv 5", "lviv", "Kyiv"})
    mru->Items()->Add(Utf8ToAnsi(item));
  auto hasDigit = [](const AnsiString& item) {
    return std::any_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  const TFilterMRUItemEventEh refuseDigits = [&](TObject* sender, const AnsiString& item, bool& accept) {
    EXPECT_EQ(sender, f.edit);
    if (hasDigit(item)) accept = false;
  };
  const TFilterMRUItemEventEh anywhere = [&](TObject*, const AnsiString& item, bool& accept) {
    if (item.find(f.edit->Text()) != AnsiString::npos) accept = true;
  };
  const struct {
    const char* typed;
    bool caseSensitive;
    const TFilterMRUItemEventEh* handler;
    std::set<std::string> shown;
  } cases[] = {
      {"ки", false, nullptr, {"Київ 2024", "київ"}},
      {"ки", false, &refuseDigits, {"київ"}},
      {"Ки", true, &refuseDigits, {}},
      {"Lv", false, &refuseDigits, {"lviv"}},
      {"Lv", true, &refuseDigits, {}},
      {"lv", true, nullptr, {"lviv"}},
      {"Київ", false, &anywhere, {"Київ 2024", "київ", "Одеса-Київ"}},
      {"Київ", true, &anywhere, {"Київ 2024", "Одеса-Київ"}},
      {"viv", true, &anywhere, {"Lviv 5", "lviv"}},
      {"viv", false, nullptr, {}},
  };
  f.Enter();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.typed) + (c.caseSensitive ? " case-sensitive" : " any case"));
    mru->SetCaseSensitive(c.caseSensitive);
    mru->OnFilterItem = c.handler != nullptr ? *c.handler : TFilterMRUItemEventEh();
    f.ui.Press('A', {ssCtrl});
    f.ui.Type(c.typed);
    std::set<std::string> shown;
    if (f.edit->MRUListVisible())
      for (int i = 0; i < f.edit->MRUListbox()->Count(); ++i)
        shown.insert(AnsiToUtf8(f.edit->MRUListbox()->Items()->Strings(i)));
    EXPECT_EQ(shown, c.shown);
  }
}

TEST(DBEdit, PaintsRightAlignedTextItselfAndTheRequiredUnderline) {
  EditFixture f;
  f.edit->SetAlignment(taRightJustify);
  f.edit->SetText("1");
  f.ui.Process();
  const int ink = test::FirstInkColumn(f.edit, f.edit->Color());
  EXPECT_GT(ink, f.edit->ClientWidth() / 2) << "unfocused: painted at the right";
  f.Enter();
  EXPECT_LT(test::FirstInkColumn(f.edit, f.edit->Color()), f.edit->ClientWidth() / 2);
  f.Leave();

  f.edit->SetHighlightRequired(true);
  f.edit->Clear();
  f.ui.Process();
  const int y = f.edit->ClientHeight() - 2;
  const int x = f.edit->GetEditRect().left + 2;
  EXPECT_EQ(test::UiDriver::Pixel(f.edit, {x, y}), ColorToRGB(clRed));
  f.edit->OnCheckDrawRequiredState = [](TObject*, bool& draw) { draw = false; };
  f.edit->Invalidate();
  f.ui.Process();
  EXPECT_NE(test::UiDriver::Pixel(f.edit, {x, y}), ColorToRGB(clRed));
}

TEST(DBEdit, FlatBorderLightsUpWhenActive) {
  EditFixture f;
  f.edit->SetFlat(true);
  f.ui.Process();
  auto corner = [&] {
    TRect window;
    GetWindowRect(f.edit->Handle(), window);
    return test::UiDriver::Screen().Pixel(window.left, window.top);
  };
  const TColorRef inactive = corner();
  EXPECT_EQ(inactive, ColorToRGB(clBtnFace));
  f.Enter();
  EXPECT_TRUE(f.edit->Active());
  EXPECT_NE(corner(), inactive);
  f.Leave();
  EXPECT_EQ(corner(), inactive);
  f.ui.MoveTo(f.edit, {5, 5});
  EXPECT_TRUE(f.edit->Active()) << "mouse inside";
  f.ui.MoveTo(f.other, {5, 5});
  f.edit->SetAlwaysShowBorder(true);
  f.ui.Process();
  EXPECT_NE(corner(), inactive);
}

TEST(DBEdit, ToolTipShowsTextTooWideForTheBox) {
  EditFixture f;
  f.edit->SetTooltips(true);
  auto hint = [&](const char* text, THintInfo& info) {
    f.edit->SetText(text);
    return f.edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  };
  THintInfo wide;
  EXPECT_EQ(hint("a text far too wide for the little box of this edit", wide), 0);
  EXPECT_EQ(wide.HintStr, f.edit->EditText());
  f.edit->Font()->SetSize(16);
  EXPECT_EQ(hint("a text far too wide for the little box of this edit", wide), 0);
  EXPECT_EQ(wide.HintData, f.edit->Font());
  TToolTipsWindow plain(nullptr);
  TToolTipsWindow withFont(nullptr);
  EXPECT_GT(withFont.CalcHintRect(1000, wide.HintStr, wide.HintData).Width(),
            plain.CalcHintRect(1000, wide.HintStr, nullptr).Width())
      << "the edit's larger font";
  THintInfo narrow;
  EXPECT_NE(hint("short", narrow), 0) << "no ShowHint";
}

}  // namespace
}  // namespace ordvane
