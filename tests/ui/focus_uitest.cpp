// The focus within forms: tab order, the dialog codes that decide whether a control or its
// form gets Tab, the arrows, Enter and Escape, entering and leaving, and the focus moving
// between forms.

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using test::MessageLog;
using test::NewForm;
using test::TProbe;

class FocusTest : public ::testing::Test {
 protected:
  // A form with a, b (in a panel, with c), and d; c does not stop the tab key.
  FocusTest() : form(NewForm(Rect(100, 100, 500, 400))) {
    a = new TProbe(form.get(), form.get(), Rect(10, 10, 60, 30), &log, "a");
    panel = new TProbe(form.get(), form.get(), Rect(10, 50, 200, 150), &log, "panel");
    panel->SetTabStop(false);
    b = new TProbe(form.get(), panel, Rect(10, 10, 60, 30), &log, "b");
    c = new TProbe(form.get(), panel, Rect(10, 40, 60, 60), &log, "c");
    c->SetTabStop(false);
    d = new TProbe(form.get(), form.get(), Rect(10, 200, 60, 220), &log, "d");
    for (TProbe* p : {a, panel, b, c, d}) p->logged = {CM_ENTER, CM_EXIT};
    form->Show();
    ui.Process();
    log.clear();
  }

  TWinControl* Focused() const { return dynamic_cast<TWinControl*>(FindControl(GetFocus())); }

  test::UiDriver ui;
  MessageLog log;
  std::unique_ptr<TForm> form;
  TProbe* a;
  TProbe* panel;
  TProbe* b;
  TProbe* c;
  TProbe* d;
};

TEST_F(FocusTest, TabVisitsTheTabStopsInTabOrderAndShiftTabGoesBack) {
  EXPECT_EQ(Focused(), a);
  std::vector<TWinControl*> visited;
  for (int i = 0; i < 4; ++i) {
    ui.Press(VK_TAB);
    visited.push_back(Focused());
  }
  EXPECT_EQ(visited, (std::vector<TWinControl*>{b, d, a, b}));
  ui.Press(VK_TAB, {ssShift});
  EXPECT_EQ(Focused(), a);
  // Tab order is the control's place in its parent's list, and controls that cannot take
  // the focus are passed over.
  d->SetTabOrder(0);
  b->SetEnabled(false);
  ui.Press(VK_TAB);
  EXPECT_EQ(Focused(), d);
  ui.Press(VK_TAB);
  EXPECT_EQ(Focused(), a);
}

TEST_F(FocusTest, EnteringAndLeavingGoFromTheInnermostOutAndFromTheOutermostIn) {
  form->SetActiveControl(b);
  EXPECT_EQ(log, (MessageLog{"a CM_EXIT", "panel CM_ENTER", "b CM_ENTER"}));
  log.clear();
  form->SetActiveControl(d);
  EXPECT_EQ(log, (MessageLog{"b CM_EXIT", "panel CM_EXIT", "d CM_ENTER"}));
  log.clear();
  form->SetActiveControl(c);
  form->SetActiveControl(b);
  EXPECT_EQ(log, (MessageLog{"d CM_EXIT", "panel CM_ENTER", "c CM_ENTER", "c CM_EXIT", "b CM_ENTER"}));
}

TEST_F(FocusTest, ControlsAskingForTabOrArrowsGetThemOtherwiseTheFormMovesTheFocus) {
  std::vector<std::string> keys;
  a->OnKeyDown = [&](TObject*, Word& key, TShiftState) { keys.push_back("down " + std::to_string(key)); };
  a->OnKeyPress = [&](TObject*, char& key) { keys.push_back("press " + std::to_string(key)); };
  a->dialogCode = DLGC_WANTTAB;
  ui.Press(VK_TAB);
  EXPECT_EQ(Focused(), a);
  EXPECT_EQ(keys, (std::vector<std::string>{"down 9", "press 9"}));
  // Without DLGC_WANTARROWS the arrows move the focus among the parent's children,
  // tab stops or not.
  keys.clear();
  form->SetActiveControl(b);
  ui.Press(VK_DOWN);
  EXPECT_EQ(Focused(), c);
  ui.Press(VK_RIGHT);
  EXPECT_EQ(Focused(), b);
  ui.Press(VK_UP);
  EXPECT_EQ(Focused(), c);
  c->dialogCode = DLGC_WANTARROWS;
  c->OnKeyDown = [&](TObject*, Word& key, TShiftState) { keys.push_back("c down " + std::to_string(key)); };
  ui.Press(VK_DOWN);
  EXPECT_EQ(Focused(), c);
  EXPECT_EQ(keys, (std::vector<std::string>{"c down 40"}));
}

TEST_F(FocusTest, EnterAndEscapeGoToTheFormsDefaultButtonsUnlessTheControlClaimsThem) {
  std::vector<std::string> got;
  d->handlesDialogKey = [&](WPARAM key) {
    got.push_back("dialog key " + std::to_string(key));
    return key == VK_RETURN;
  };
  a->OnKeyDown = [&](TObject*, Word& key, TShiftState) { got.push_back("a down " + std::to_string(key)); };
  a->OnKeyPress = [&](TObject*, char& key) { got.push_back("a press " + std::to_string(key)); };
  ui.Press(VK_RETURN);
  ui.Press(VK_ESCAPE);
  EXPECT_EQ(got, (std::vector<std::string>{"dialog key 13", "dialog key 27", "a down 27", "a press 27"}));
  got.clear();
  a->wantsSpecialKey = [](WPARAM key) { return key == VK_RETURN; };
  a->dialogCode = DLGC_WANTALLKEYS;
  ui.Press(VK_RETURN);
  ui.Press(VK_ESCAPE);
  EXPECT_EQ(got, (std::vector<std::string>{"a down 13", "a press 13", "a down 27", "a press 27"}));
}

TEST_F(FocusTest, CharactersAControlDoesNotWantGoToTheFormAsDialogCharacters) {
  std::vector<std::string> got;
  d->logged = {CM_DIALOGCHAR};
  a->OnKeyPress = [&](TObject*, char& key) { got.push_back(std::string("press ") + key); };
  ui.Type("x");
  EXPECT_EQ(log, (MessageLog{"d CM_DIALOGCHAR"}));
  a->dialogCode = DLGC_WANTCHARS;
  log.clear();
  ui.Type("y");
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(got, (std::vector<std::string>{"press x", "press y"}));
}

TEST_F(FocusTest, AnExceptionWhileLeavingKeepsTheFocusAndIsReported) {
  test::ReportedErrors errors;
  a->OnExit = [](TObject*) { throw Exception("value is required"); };
  ui.Click(d, {5, 5});  // a click alone does not move the focus; Tab does
  ui.Press(VK_TAB);
  EXPECT_EQ(Focused(), a);
  EXPECT_EQ(form->ActiveControl(), a);
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"value is required"}));
  EXPECT_EQ(log, (MessageLog{"a CM_EXIT"}));
  a->OnExit = nullptr;
  ui.Press(VK_TAB);
  EXPECT_EQ(Focused(), b);
}

TEST_F(FocusTest, AnExitHandlerThatMovesTheFocusElsewhereWins) {
  a->OnExit = [this](TObject*) { d->SetFocus(); };
  ui.Press(VK_TAB);
  EXPECT_EQ(Focused(), d);
  EXPECT_EQ(form->ActiveControl(), d);
  EXPECT_EQ(log, (MessageLog{"a CM_EXIT", "d CM_ENTER"}));
}

TEST_F(FocusTest, KeyPreviewLetsTheFormSeeKeysFirst) {
  std::vector<std::string> got;
  form->SetKeyPreview(true);
  form->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
    got.push_back("form " + std::to_string(key));
    if (key == VK_F3) key = 0;
  };
  a->OnKeyDown = [&](TObject*, Word& key, TShiftState) { got.push_back("a " + std::to_string(key)); };
  ui.Press(VK_F2);
  ui.Press(VK_F3);
  EXPECT_EQ(got, (std::vector<std::string>{"form 113", "a 113", "form 114"}));
}

TEST_F(FocusTest, AFocusedControlThatHidesHandsTheFocusToTheFirstControlThatCanTakeIt) {
  a->Hide();
  EXPECT_EQ(log, (MessageLog{"a CM_EXIT", "panel CM_ENTER", "b CM_ENTER"}));
  EXPECT_EQ(form->ActiveControl(), b);
  EXPECT_EQ(Focused(), b);
  try {
    form->SetActiveControl(a);
    ADD_FAILURE() << "a hidden control took the focus";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Cannot focus a disabled or invisible window");
  }
  ui.Press(VK_TAB);
  EXPECT_EQ(Focused(), d);
}

// The form and the screen let go of a focused control taken off the form before it is
// freed, the first of the tab order that the form would otherwise choose again: showing
// and freeing the form afterwards reads nothing freed (the sanitizers tell).
TEST_F(FocusTest, AFocusedControlTakenOffTheFormIsForgottenBeforeItIsFreed) {
  ASSERT_EQ(Focused(), a);
  a->SetParent(nullptr);
  EXPECT_NE(form->ActiveControl(), a);
  EXPECT_NE(Screen->ActiveControl(), a);
  delete a;
  EXPECT_EQ(Focused(), b);
  form->Hide();
  form->Show();
  ui.Press(VK_TAB);
  EXPECT_EQ(Focused(), d);

  // Moved to a second form that is then freed with it.
  std::unique_ptr<TForm> other(NewForm(Rect(600, 100, 800, 300)));
  form->SetActiveControl(b);
  b->SetParent(other.get());
  EXPECT_NE(form->ActiveControl(), b);
  EXPECT_NE(Screen->ActiveControl(), b);
  other.reset();
  form->Hide();
  form->Show();
  EXPECT_EQ(Focused(), d);
  form.reset();
}

TEST_F(FocusTest, EachFormKeepsItsActiveControlAcrossActivation) {
  std::unique_ptr<TForm> other(NewForm(Rect(600, 100, 800, 300)));
  auto* e = new TProbe(other.get(), other.get(), Rect(10, 10, 50, 30));
  std::vector<std::string> events;
  form->OnActivate = [&](TObject*) { events.push_back("form activate"); };
  form->OnDeactivate = [&](TObject*) { events.push_back("form deactivate"); };
  other->OnActivate = [&](TObject*) { events.push_back("other activate"); };
  form->SetActiveControl(d);
  other->Show();
  EXPECT_EQ(Focused(), e);
  EXPECT_EQ(Screen->ActiveForm(), other.get());
  ui.Click(form.get(), {300, 250});
  EXPECT_EQ(Focused(), d);
  EXPECT_EQ(Screen->ActiveForm(), form.get());
  EXPECT_EQ(events, (std::vector<std::string>{"form deactivate", "other activate", "form activate"}));
}

}  // namespace
}  // namespace ordvane
