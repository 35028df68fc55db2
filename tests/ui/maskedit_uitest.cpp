// Masked edit: keystrokes against the edit text and the text, formatting values into a
// mask, validation on exit, Escape taking changes back, and EditCanModify refusing.

#include <gtest/gtest.h>

#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/Mask.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

using test::A;
using test::TextControlFixture;

struct KeyCase {
  const char* mask;
  const char* keys;  // typed; '<' is Backspace, '>' is Delete, '^' is Home
  const char* editText;
  const char* text;
  int beeps;
};

void Strike(test::UiDriver& ui, const char* keys) {
  for (char16_t k : Utf8Decode(keys)) {
    if (k == u'<')
      ui.Press(VK_BACK);
    else if (k == u'>')
      ui.Press(VK_DELETE);
    else if (k == u'^')
      ui.Press(VK_HOME);
    else
      ui.Type(Utf8Encode(WideString(1, k)));
  }
}

TEST(MaskEdit, KeystrokesFillThePositionsOfTheMask) {
  const KeyCase cases[] = {
      {"!99/99/9999;1; ", "01012026", "01.01.2026", "01.01.2026", 0},
      {"!99/99/9999;1; ", "0101", "01.01.    ", "01.01.    ", 0},
      {"000-00;0;_", "12345", "123-45", "12345", 0},
      {"000-00;0;_", "12a3", "123-__", "123  ", 1},
      {"000-00;0;_", "12345^>", "_23-45", " 2345", 0},
      {"000-00;0;_", "123<<9", "19_-__", "19   ", 0},
      {">LL<ll", "abCD", "ABcd", "ABcd", 0},
      {">LL<ll", "a1b", "AB__", "AB  ", 1},
      {">LL<>ll", "abCD", "ABCD", "ABCD", 0},
      {"\\(999\\)", "12", "(12_)", "(12 )", 0},
      {"\\(999\\)", "1234", "(123)", "(123)", 1},
      {"#9", "-5", "-5", "-5", 0},
      {"#9", "x+", "+_", "+ ", 1},
      {"LL", "їЄ", "їЄ", "їЄ", 0},
      {"99:99", "1230", "12:30", "12:30", 0},
  };
  for (const KeyCase& c : cases) {
    TextControlFixture f;
    auto* edit = f.Place<TMaskEdit>(Rect(10, 10, 200, 35));
    int changes = 0;
    edit->OnChange = [&changes](TObject*) { ++changes; };
    edit->SetEditMask(c.mask);
    edit->SetFocus();
    f.ui.Process();
    const int beeps = f.ui.Beeps();
    Strike(f.ui, c.keys);
    EXPECT_EQ(AnsiToUtf8(edit->EditText()), c.editText) << c.mask << " " << c.keys;
    EXPECT_EQ(AnsiToUtf8(edit->Text()), c.text) << c.mask << " " << c.keys;
    EXPECT_EQ(f.ui.Beeps() - beeps, c.beeps) << c.mask << " " << c.keys;
    EXPECT_GT(changes, 0) << c.mask << " " << c.keys;
  }
}

TEST(MaskEdit, TypingSelectsTheNextPositionAndEachKeystrokeIsOneChange) {
  TextControlFixture f;
  auto* edit = f.Place<TMaskEdit>(Rect(10, 10, 200, 35));
  edit->SetEditMask("000-00;0;_");
  int changes = 0;
  edit->OnChange = [&changes](TObject*) { ++changes; };
  edit->SetFocus();
  f.ui.Process();
  f.ui.Type("123");
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(edit->SelStart(), 4);  // the literal is passed over
  EXPECT_EQ(edit->SelLength(), 1);
  f.ui.Press(VK_LEFT);
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelLength(), 1);
  Clipboard()->SetAsText("7-x8");
  f.ui.Press(VK_HOME);
  f.ui.Press('V', {ssCtrl});
  EXPECT_EQ(edit->EditText(), "783-__");
  EXPECT_EQ(changes, 5);
}

TEST(MaskEdit, ValuesArePutIntoTheMask) {
  struct Case {
    const char* mask;
    const char* value;
    const char* editText;
    const char* formatted;
  } cases[] = {
      {"000-00;0;_", "12345", "123-45", "123-45"},
      {"000-00;1;_", "123-45", "123-45", "123-45"},
      {"999;0;_", "5", "5__", "5  "},
      {"!999;0;_", "5", "__5", "  5"},
      {"!99/99/9999;1; ", "01.02.2026", "01.02.2026", "01.02.2026"},
      {">LL", "ab", "AB", "AB"},
  };
  for (const Case& c : cases) {
    TextControlFixture f;
    auto* edit = f.Place<TMaskEdit>(Rect(10, 10, 200, 35));
    edit->SetEditMask(c.mask);
    edit->SetText(c.value);
    EXPECT_EQ(edit->EditText(), c.editText) << c.mask;
    EXPECT_EQ(FormatMaskText(c.mask, c.value), c.formatted) << c.mask;
  }
  // A new mask keeps the text.
  TextControlFixture f;
  auto* edit = f.Place<TMaskEdit>(Rect(10, 10, 200, 35));
  edit->SetText("1234");
  edit->SetEditMask("00-00;0;_");
  EXPECT_EQ(edit->EditText(), "12-34");
  edit->SetEditMask("");
  EXPECT_EQ(edit->Text(), "1234");
}

TEST(MaskEdit, LeavingWithARequiredPositionEmptyFailsAndPutsTheCaretThere) {
  TextControlFixture f;
  auto* edit = f.Place<TMaskEdit>(Rect(10, 10, 200, 35));
  auto* other = f.Place<TEdit>(Rect(10, 50, 200, 75));
  edit->SetEditMask("000-00;0;_");
  edit->SetFocus();
  f.ui.Process();
  f.ui.Type("123");
  try {
    edit->ValidateEdit();
    ADD_FAILURE() << "no error";
  } catch (const EDBEditError& e) {
    EXPECT_EQ(e.Message(), "The value is incomplete: fill every required position of the mask.");
  }
  EXPECT_EQ(edit->SelStart(), 4);
  test::ReportedErrors errors;
  f.ui.Press(VK_HOME);
  f.ui.Click(other, {5, 5});
  EXPECT_EQ(errors.messages.size(), 1u);
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(edit->SelStart(), 4);
  f.ui.Type("45");
  other->SetFocus();
  f.ui.Process();
  EXPECT_TRUE(other->Focused());
  EXPECT_EQ(errors.messages.size(), 1u);
}

TEST(MaskEdit, EscapeTakesBackTheChangesAndIsClaimedOnlyWhileThereAreAny) {
  TextControlFixture f;
  auto* edit = f.Place<TMaskEdit>(Rect(10, 10, 200, 35));
  edit->SetEditMask("000-00;0;_");
  edit->SetText("12345");
  edit->SetFocus();
  f.ui.Process();
  EXPECT_EQ(edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 0);
  f.ui.Press(VK_HOME);
  f.ui.Type("9");
  EXPECT_EQ(edit->EditText(), "923-45");
  EXPECT_EQ(edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 1);
  f.ui.Press(VK_ESCAPE);
  EXPECT_EQ(edit->EditText(), "123-45");
  EXPECT_FALSE(edit->Modified());
  EXPECT_EQ(edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 0);
}

class TGuardedMaskEdit : public TMaskEdit {
 public:
  using TMaskEdit::TMaskEdit;
  bool canModify = false;
  int asked = 0;

 protected:
  bool EditCanModify() override {
    ++asked;
    return canModify;
  }
};

TEST(MaskEdit, EditCanModifyRefusesEveryChangeTheUserTries) {
  for (const char* mask : {"", "000-00;0;_"}) {
    TextControlFixture f;
    auto* edit = f.Place<TGuardedMaskEdit>(Rect(10, 10, 200, 35));
    edit->SetEditMask(mask);
    edit->SetText("12345");
    int changes = 0;
    edit->OnChange = [&changes](TObject*) { ++changes; };
    edit->SetFocus();
    f.ui.Process();
    const AnsiString before = edit->EditText();
    Clipboard()->SetAsText("9");
    f.ui.Type("7");
    f.ui.Press(VK_BACK);
    f.ui.Press(VK_DELETE);
    f.ui.Press(VK_END, {ssShift});
    f.ui.Press('V', {ssCtrl});
    f.ui.Press('X', {ssCtrl});
    f.ui.Press('Z', {ssCtrl});
    f.ui.Press(VK_DELETE, {ssShift});
    edit->ClearSelection();
    EXPECT_EQ(edit->EditText(), before) << mask;
    EXPECT_EQ(changes, 0) << mask;
    EXPECT_GE(edit->asked, 8) << mask;
    edit->canModify = true;
    f.ui.Press(VK_HOME);
    f.ui.Type("7");
    EXPECT_NE(edit->EditText(), before) << mask;
  }
}

}  // namespace
}  // namespace ordvane
