// Buttons, check boxes and labels on forms, driven by mouse and keyboard as a user would:
// the default and cancel buttons, modal results, the native press-and-release rules,
// Space, accelerators, and the check state.

#include <gtest/gtest.h>

#include <memory>

#include "classlib/ui/StdButtons.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

struct Dialog {
  test::UiDriver ui;
  std::unique_ptr<TForm> form{test::NewForm(Rect(200, 150, 600, 400))};
  test::TProbe* edit = new test::TProbe(form.get(), form.get(), Rect(10, 10, 200, 30));
  TButton* ok = NewButton("&OK", 10, mrOk);
  TButton* cancel = NewButton("&Cancel", 100, mrCancel);
  std::vector<std::string> clicks;

  Dialog() {
    ok->SetDefault(true);
    cancel->SetCancel(true);
  }
  TButton* NewButton(const AnsiString& caption, int left, TModalResult result) {
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetCaption(caption);
    button->SetBounds(left, 100, 75, 25);
    button->SetModalResult(result);
    button->OnClick = [this, caption](TObject*) { clicks.push_back(caption); };
    return button;
  }
};

TEST(Button, EnterClicksTheDefaultButtonEscapeTheCancelOneAndTheModalResultEndsShowModal) {
  Dialog d;
  d.form->SetActiveControl(d.edit);
  d.ui.Later([&] { d.ui.Press(VK_RETURN); });
  EXPECT_EQ(d.form->ShowModal(), mrOk);
  d.ui.Later([&] { d.ui.Press(VK_ESCAPE); });
  EXPECT_EQ(d.form->ShowModal(), mrCancel);
  // A focused button is the one Enter clicks; Alt and a letter click by accelerator.
  d.ui.Later([&] {
    d.cancel->SetFocus();
    d.ui.Press(VK_RETURN);
  });
  EXPECT_EQ(d.form->ShowModal(), mrCancel);
  d.ui.Later([&] { d.ui.Press('O', {ssAlt}); });
  EXPECT_EQ(d.form->ShowModal(), mrOk);
  d.ui.Later([&] { d.ui.Click(d.cancel, {30, 12}); });
  EXPECT_EQ(d.form->ShowModal(), mrCancel);
  EXPECT_EQ(d.clicks, (std::vector<std::string>{"&OK", "&Cancel", "&Cancel", "&OK", "&Cancel"}));
}

TEST(Button, ClicksOnlyOnAReleaseInsideAfterAPressOrOnSpaceUp) {
  Dialog d;
  d.ok->SetModalResult(mrNone);
  d.form->Show();
  d.ui.Process();
  d.ui.Drag(d.ok, {30, 12}, {200, 12});  // out and released outside: no click
  EXPECT_TRUE(d.clicks.empty());
  d.ui.Press(d.ok, {30, 12});
  EXPECT_EQ(d.ok->Perform(BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
  d.ui.MoveTo(d.ok, {200, 12});
  EXPECT_EQ(d.ok->Perform(BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  d.ui.MoveTo(d.ok, {40, 12});  // back inside: the release clicks
  d.ui.Release(d.ok, {40, 12});
  EXPECT_EQ(d.clicks, std::vector<std::string>{"&OK"});
  EXPECT_TRUE(d.ok->Focused());
  d.ui.KeyDown(VK_SPACE, u" ");
  EXPECT_EQ(d.clicks.size(), 1u);
  d.ui.KeyUp(VK_SPACE);
  EXPECT_EQ(d.clicks.size(), 2u);
  d.ok->Perform(BM_CLICK, 0, 0);
  EXPECT_EQ(d.clicks.size(), 3u);
}

// A check box that toggles on Space itself and uses the key up, as a data-aware box does.
class TOwnSpaceCheckBox : public TCheckBox {
 public:
  using TCheckBox::TCheckBox;

 protected:
  void KeyUp(Word& key, TShiftState shift) override {
    TCheckBox::KeyUp(key, shift);
    if (key != VK_SPACE) return;
    Toggle();
    key = 0;
  }
};

TEST(CheckBox, StateCyclesAndTheNativeCheckFollowsButAConsumedSpaceGivesNoSecondClick) {
  Dialog d;
  auto* box = new TCheckBox(d.form.get());
  box->SetParent(d.form.get());
  box->SetBounds(10, 50, 120, 17);
  box->SetCaption("&Grayed too");
  box->SetAllowGrayed(true);
  int clicks = 0;
  box->OnClick = [&](TObject*) { ++clicks; };
  d.form->Show();
  d.ui.Process();
  std::vector<std::pair<TCheckBoxState, LRESULT>> states;
  for (int i = 0; i < 4; ++i) {
    d.ui.Click(box, {5, 8});
    states.emplace_back(box->State(), box->Perform(BM_GETCHECK, 0, 0));
  }
  EXPECT_EQ(states, (std::vector<std::pair<TCheckBoxState, LRESULT>>{{cbGrayed, BST_INDETERMINATE},
                                                                      {cbChecked, BST_CHECKED},
                                                                      {cbUnchecked, BST_UNCHECKED},
                                                                      {cbGrayed, BST_INDETERMINATE}}));
  EXPECT_EQ(clicks, 4);
  box->Perform(BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(box->Perform(BM_GETCHECK, 0, 0), BST_CHECKED);
  d.ui.Press('G', {ssAlt});  // the accelerator toggles a focused box
  EXPECT_EQ(box->State(), cbChecked);

  auto* own = new TOwnSpaceCheckBox(d.form.get());
  own->SetParent(d.form.get());
  own->SetBounds(10, 70, 120, 17);
  int ownClicks = 0;
  own->OnClick = [&](TObject*) { ++ownClicks; };
  own->SetFocus();
  d.ui.Press(VK_SPACE);
  EXPECT_EQ(own->State(), cbChecked);
  EXPECT_EQ(ownClicks, 1);
}

TEST(Label, AltAndTheCaptionsLetterFocusTheLabelsControl) {
  Dialog d;
  auto* other = new test::TProbe(d.form.get(), d.form.get(), Rect(10, 40, 200, 60));
  auto* label = new TLabel(d.form.get());
  label->SetParent(d.form.get());
  label->SetCaption("&Name:");
  label->SetFocusControl(other);
  d.form->Show();
  d.form->SetActiveControl(d.edit);
  d.ui.Process();
  d.ui.Press('N', {ssAlt});
  EXPECT_TRUE(other->Focused());
  // The label sized itself to its text; a right-aligned one keeps its right edge.
  EXPECT_GT(label->Width(), 10);
  label->SetAlignment(taRightJustify);
  const int right = label->Left() + label->Width();
  label->SetCaption("&Longer name:");
  EXPECT_EQ(label->Left() + label->Width(), right);
  // The control going away leaves the label without one.
  delete other;
  EXPECT_EQ(label->FocusControl(), nullptr);
  d.ui.Press('L', {ssAlt});
}

}  // namespace
}  // namespace ordvane

namespace ordvane {
namespace {

TEST(ScrollBarControl, ArrowsPagesAndTheThumbMoveThePositionThroughOnScroll) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(test::NewForm(Rect(100, 100, 400, 400)));
  auto* bar = new TScrollBar(form.get());
  bar->SetParent(form.get());
  bar->SetKind(sbVertical);
  bar->SetBounds(10, 10, GetSystemMetrics(SM_CXVSCROLL), 200);
  bar->SetParams(0, 0, 99);
  bar->SetPageSize(10);
  bar->SetSmallChange(2);
  bar->SetLargeChange(10);
  std::vector<std::pair<TScrollCode, int>> scrolls;
  bar->OnScroll = [&](TObject*, TScrollCode code, int& pos) { scrolls.emplace_back(code, pos); };
  form->Show();
  ui.Process();
  const int x = bar->Width() / 2;
  ui.Click(bar, {x, 190});  // the down arrow
  EXPECT_EQ(bar->Position(), 2);
  ui.Click(bar, {x, 150});  // the track below the thumb
  EXPECT_EQ(bar->Position(), 12);
  ui.Drag(bar, {x, 40}, {x, 400});  // the thumb, past the end
  EXPECT_EQ(bar->Position(), 90);
  EXPECT_EQ((std::vector<std::pair<TScrollCode, int>>(scrolls.begin(), scrolls.begin() + 4)),
            (std::vector<std::pair<TScrollCode, int>>{
                {scLineDown, 2}, {scEndScroll, 2}, {scPageDown, 12}, {scEndScroll, 12}}));
  EXPECT_EQ(scrolls.back().first, scEndScroll);
  EXPECT_EQ(scrolls[scrolls.size() - 2], std::make_pair(scPosition, 90));
  bar->SetPosition(500);
  EXPECT_EQ(bar->Position(), 90);
  EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
}

}  // namespace
}  // namespace ordvane
