// Edit and memo: typing, selections, the clipboard, undo, the length limit, change
// notifications, the caret, positions against measured text, the formatting rectangle,
// wrapping and the password character.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/EditWindow.h"
#include "classlib/ui/Mask.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

using test::A;
using test::TextControlFixture;

struct Step {
  const char* what;
  std::function<void(test::UiDriver&, TEdit*)> act;
  const char* text;  // UTF-8
  int selStart;
  int selLength;
};

TEST(Edit, KeysMouseClipboardAndUndoEditTheTextAsTheUserExpects) {
  TextControlFixture f;
  auto* edit = f.Place<TEdit>(Rect(10, 10, 300, 35));
  int changes = 0;
  edit->OnChange = [&changes](TObject*) { ++changes; };
  edit->SetFocus();
  f.ui.Process();
  const int clickY = edit->ClientHeight() / 2;
  auto xOf = [edit](int pos) {
    return GET_X_LPARAM(edit->Perform(EM_POSFROMCHAR, static_cast<WPARAM>(pos), 0));
  };

  const Step steps[] = {
      {"typing Cyrillic", [](auto& ui, auto*) { ui.Type("Привіт, світ"); }, "Привіт, світ", 12, 0},
      {"Ctrl+Shift+Left selects a word",
       [](auto& ui, auto*) {
         ui.Press(VK_LEFT, {ssCtrl, ssShift});
       },
       "Привіт, світ", 8, 4},
      {"Ctrl+X cuts", [](auto& ui, auto*) { ui.Press('X', {ssCtrl}); }, "Привіт, ", 8, 0},
      {"Home, then Ctrl+V pastes",
       [](auto& ui, auto*) {
         ui.Press(VK_HOME);
         ui.Press('V', {ssCtrl});
       },
       "світПривіт, ", 4, 0},
      {"Shift+Insert pastes", [](auto& ui, auto*) { ui.Press(VK_INSERT, {ssShift}); }, "світсвітПривіт, ", 8,
       0},
      {"Ctrl+Z undoes the paste", [](auto& ui, auto*) { ui.Press('Z', {ssCtrl}); }, "світПривіт, ", 4, 0},
      {"Shift+Right twice selects",
       [](auto& ui, auto*) {
         ui.Press(VK_RIGHT, {ssShift});
         ui.Press(VK_RIGHT, {ssShift});
       },
       "світПривіт, ", 4, 2},
      {"typing replaces the selection", [](auto& ui, auto*) { ui.Type("Ґ"); }, "світҐивіт, ", 5, 0},
      {"Backspace and Delete remove a character each",
       [](auto& ui, auto*) {
         ui.Press(VK_BACK);
         ui.Press(VK_DELETE);
       },
       "світвіт, ", 4, 0},
      {"Ctrl+Right goes past the word and its blanks",
       [](auto& ui, auto*) {
         ui.Press(VK_HOME);
         ui.Press(VK_RIGHT, {ssCtrl});
       },
       "світвіт, ", 9, 0},
      {"Shift+Delete cuts the selection",
       [](auto& ui, auto*) {
         ui.Press(VK_HOME, {ssShift});
         ui.Press(VK_DELETE, {ssShift});
       },
       "", 0, 0},
      {"Ctrl+Insert copies, Ctrl+C copies",
       [](auto& ui, auto* e) {
         ui.Type("один два");
         e->SelectAll();
         ui.Press(VK_INSERT, {ssCtrl});
         ui.Press(VK_END);
         ui.Press('V', {ssCtrl});
       },
       "один дваодин два", 16, 0},
      {"a double click selects the word under the mouse",
       [&](auto& ui, auto* e) {
         ui.DoubleClick(e, {xOf(2), clickY});
       },
       "один дваодин два", 0, 4},
      {"Shift+click extends the selection",
       [&](auto& ui, auto* e) {
         ui.KeyDown(VK_SHIFT);
         ui.Click(e, {xOf(7) + 1, clickY});
         ui.KeyUp(VK_SHIFT);
       },
       "один дваодин два", 0, 7},
      {"a captured drag selects past the right edge",
       [&](auto& ui, auto* e) {
         ui.Advance(1000);
         ui.Drag(e, {xOf(5) + 1, clickY}, {e->ClientWidth() + 40, clickY});
       },
       "один дваодин два", 5, 11},
  };
  Clipboard()->Clear();
  int expectedChanges = 0;
  for (const Step& step : steps) {
    const AnsiString before = edit->Text();
    step.act(f.ui, edit);
    if (edit->Text() != before) ++expectedChanges;
    EXPECT_EQ(AnsiToUtf8(edit->Text()), step.text) << step.what;
    // Every character here is one byte of the code page.
    EXPECT_EQ(edit->SelStart(), step.selStart) << step.what;
    EXPECT_EQ(edit->SelLength(), step.selLength) << step.what;
  }
  // Every change the user made was told, at least once.
  EXPECT_GE(changes, expectedChanges);
  EXPECT_EQ(AnsiToUtf8(Clipboard()->AsText()), "один два");
}

TEST(Edit, TheLengthLimitRefusesWithABeepAndEachTypedCharacterIsOneChange) {
  TextControlFixture f;
  auto* edit = f.Place<TEdit>(Rect(10, 10, 200, 35));
  int changes = 0;
  edit->OnChange = [&changes](TObject*) { ++changes; };
  edit->SetMaxLength(3);
  edit->SetFocus();
  f.ui.Process();
  const int beeps = f.ui.Beeps();
  f.ui.Type("abcd");
  EXPECT_EQ(edit->Text(), "abc");
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(f.ui.Beeps(), beeps + 1);
  Clipboard()->SetAsText("xyz");
  f.ui.Press(VK_LEFT);
  f.ui.Press('V', {ssCtrl});
  EXPECT_EQ(edit->Text(), "abc");
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(f.ui.Beeps(), beeps + 2);
  // A paste is cut to the room left.
  f.ui.Press(VK_BACK);
  f.ui.Press('V', {ssCtrl});
  EXPECT_EQ(edit->Text(), "axc");
  EXPECT_EQ(changes, 5);
}

TEST(Edit, SettingTheTextIsAChangeOnlyForASingleLineEdit) {
  TextControlFixture f;
  auto* edit = f.Place<TEdit>(Rect(10, 10, 200, 35));
  auto* memo = f.Place<TMemo>(Rect(10, 50, 200, 150));
  int editChanges = 0;
  int memoChanges = 0;
  edit->OnChange = [&editChanges](TObject*) { ++editChanges; };
  memo->OnChange = [&memoChanges](TObject*) { ++memoChanges; };
  edit->SetText("one");
  memo->SetText("one\r\ntwo");
  EXPECT_EQ(editChanges, 1);
  EXPECT_EQ(memoChanges, 0);
  EXPECT_FALSE(memo->Modified());
  ASSERT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(1), "two");
  char buffer[8] = {};
  const Word size = 2;  // the buffer's first word holds the room it gives
  std::memcpy(buffer, &size, sizeof(size));
  EXPECT_EQ(memo->Perform(EM_GETLINE, 1, reinterpret_cast<LPARAM>(buffer)), 2);
  EXPECT_EQ(std::string(buffer, 2), "tw");
  memo->Perform(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(5, 7));
  TRect rect;
  memo->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rect));
  // The margins lie inside the pixel a framed edit keeps off its frame.
  EXPECT_EQ(rect.left, 1 + 5);
  EXPECT_EQ(rect.right, memo->ClientWidth() - 1 - 7);
  EXPECT_EQ(memo->Perform(EM_GETMARGINS, 0, 0), MAKELONG(5, 7));
  memo->SetSelText("new ");
  memo->Lines()->Add("three");
  EXPECT_EQ(memo->Text(), "new one\r\ntwo\r\nthree");
  EXPECT_EQ(memoChanges, 2);
  memo->SetFocus();
  f.ui.Press(VK_END, {ssCtrl});
  f.ui.Press(VK_RETURN);
  f.ui.Type("4");
  EXPECT_EQ(memo->Text(), "new one\r\ntwo\r\nthree\r\n4");
  EXPECT_EQ(memoChanges, 4);
  EXPECT_TRUE(memo->Modified());
}

TEST(Edit, SelectionMessagesClampDeselectAndLeaveTheCaretAtTheirEnd) {
  TextControlFixture f;
  auto* edit = f.Place<TEdit>(Rect(10, 10, 200, 35));
  edit->SetText("abcdef");
  edit->SetFocus();
  f.ui.Process();
  struct Case {
    LPARAM start, end;
    Cardinal selStart, selEnd;
    std::size_t caret;
  } cases[] = {
      {1, 3, 1, 3, 3},   {-1, 0, 3, 3, 3},       {4, 1, 1, 4, 1},
      {2, 100, 2, 6, 6}, {INT_MAX, -1, 6, 6, 6}, {0, -1, 0, 6, 6},
  };
  for (const Case& c : cases) {
    edit->Perform(EM_SETSEL, static_cast<WPARAM>(c.start), c.end);
    Cardinal start = 0;
    Cardinal end = 0;
    edit->Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, c.selStart) << c.start << "," << c.end;
    EXPECT_EQ(end, c.selEnd) << c.start << "," << c.end;
    TPoint caret;
    GetCaretPos(caret);
    EXPECT_EQ(caret.x, GET_X_LPARAM(edit->Perform(EM_POSFROMCHAR, c.caret, 0))) << c.start << "," << c.end;
  }
}

TEST(Edit, PositionsFollowTheMeasuredTextFromTheFormattingRectangle) {
  TextControlFixture f;
  auto* edit = f.Place<TEdit>(Rect(10, 10, 300, 35));
  const AnsiString text = A("Їжак і WW.ll");
  edit->SetText(text);
  TRect rect = Rect(17, 3, 280, 20);
  edit->Perform(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rect));
  TRect got;
  edit->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got, rect);
  TBitmap measure;
  measure.Canvas()->SetFont(*edit->Font());
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const int x = rect.left + measure.Canvas()->TextWidth(text.substr(0, i));
    const LRESULT at = edit->Perform(EM_POSFROMCHAR, i, 0);
    EXPECT_EQ(GET_X_LPARAM(at), x) << i;
    EXPECT_EQ(GET_Y_LPARAM(at), rect.top) << i;
    EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(edit->Perform(EM_CHARFROMPOS, 0, MAKELPARAM(x, 5)))), i)
        << i;
  }
  // The text is drawn from the rectangle's left edge: moving it moves the first ink.
  f.ui.Process();
  const int inkAt17 = test::FirstInkColumn(edit, edit->Color());
  rect.left = 40;
  edit->Perform(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rect));
  f.ui.Process();
  EXPECT_GE(inkAt17, 17);
  EXPECT_EQ(test::FirstInkColumn(edit, edit->Color()), inkAt17 + 23);
  // A windowless child is painted by the control, and the text still by the edit.
  auto* dot = new test::TDot(f.form.get(), edit, Rect(250, 2, 260, 12));
  edit->Invalidate();
  f.ui.Process();
  EXPECT_EQ(test::UiDriver::Pixel(edit, {255, 5}), ColorToRGB(dot->paintColor));
  EXPECT_EQ(test::FirstInkColumn(edit, edit->Color()), inkAt17 + 23);
}

TEST(Edit, AMemoWrapsItsLinesWhereDrawTextDoes) {
  TextControlFixture f;
  auto* memo = f.Place<TMemo>(Rect(10, 10, 150, 290));
  const AnsiString text =
      A("Поле перевіряється з базою даних, а рядки з помилками показуються окремо.\r\n"
        "Second paragraph with several short words to wrap around");
  memo->SetText(text);
  TRect rect;
  memo->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rect));
  TBitmap measure;
  measure.Canvas()->SetFont(*memo->Font());
  TRect calc = Rect(0, 0, rect.Width(), 0);
  DrawText(measure.Canvas()->Handle(), text, calc, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
  const int lineHeight = measure.Canvas()->TextHeight("Ag");
  EXPECT_GT(calc.Height() / lineHeight, 4);
  EXPECT_EQ(memo->Perform(EM_GETLINECOUNT, 0, 0), calc.Height() / lineHeight);
  // No line is wider than the rectangle unless it is a single word.
  for (int i = 0; i < memo->Lines()->Count(); ++i) {
    AnsiString line = memo->Lines()->Strings(i);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (line.find(' ') != AnsiString::npos) {
      EXPECT_LE(measure.Canvas()->TextWidth(line), rect.Width()) << i;
    }
  }
  memo->SetWordWrap(false);
  EXPECT_EQ(memo->Perform(EM_GETLINECOUNT, 0, 0), 2);
}

TEST(Edit, APasswordEditShowsWhatAnEditShowingItsCharacterShows) {
  TextControlFixture f;
  auto* secret = f.Place<TEdit>(Rect(10, 10, 200, 35));
  auto* shown = f.Place<TEdit>(Rect(10, 50, 200, 75));
  secret->SetPasswordChar('*');
  secret->SetText(A("пароль"));
  shown->SetText("******");
  f.ui.Process();
  EXPECT_EQ(test::ClientPixels(secret), test::ClientPixels(shown));
  EXPECT_GE(test::FirstInkColumn(secret, secret->Color()), 0);
  // Nothing of the password reaches the clipboard.
  Clipboard()->SetAsText("kept");
  secret->SelectAll();
  secret->CopyToClipboard();
  secret->CutToClipboard();
  EXPECT_EQ(Clipboard()->AsText(), "kept");
  EXPECT_EQ(secret->Text(), A("пароль"));
}

TEST(Edit, TheCaretBlinksAtTheCaretPositionAndLeavesWithTheFocus) {
  TextControlFixture f;
  auto* edit = f.Place<TEdit>(Rect(10, 10, 200, 35));
  auto* other = f.Place<TEdit>(Rect(10, 50, 200, 75));
  edit->SetText("abc   ");
  edit->SetFocus();
  f.ui.Process();
  edit->Perform(EM_SETSEL, 4, 4);  // between blanks, where the caret alone draws
  f.ui.Process();
  const LRESULT at = edit->Perform(EM_POSFROMCHAR, 4, 0);
  TPoint caret;
  GetCaretPos(caret);
  EXPECT_EQ(caret, (TPoint{GET_X_LPARAM(at), GET_Y_LPARAM(at)}));
  const TPoint probe{caret.x, caret.y + 2};
  const TColorRef shownNow = test::UiDriver::Pixel(edit, probe);
  f.ui.Advance(GetCaretBlinkTime());
  const TColorRef afterBlink = test::UiDriver::Pixel(edit, probe);
  EXPECT_NE(shownNow, afterBlink);
  EXPECT_EQ(shownNow ^ afterBlink, 0xFFFFFFu);  // drawn by inverting
  // Whatever phase the caret is in, leaving the edit takes it off the pixels.
  other->SetFocus();
  f.ui.Process();
  const auto unfocused = test::ClientPixels(edit);
  f.ui.Advance(GetCaretBlinkTime());
  EXPECT_EQ(test::ClientPixels(edit), unfocused);
  EXPECT_EQ(unfocused[static_cast<std::size_t>(probe.y)][static_cast<std::size_t>(probe.x)],
            ColorToRGB(edit->Color()));
}

TEST(Edit, PropertiesShapeTypingAndTheLook) {
  TextControlFixture f;
  auto* edit = f.Place<TEdit>(Rect(10, 10, 80, 35));
  auto* other = f.Place<TEdit>(Rect(10, 50, 200, 75));
  edit->Font()->SetSize(14);  // AutoSize: the height follows the font
  EXPECT_EQ(edit->Height(), FontTextMetrics(*edit->Font()).tmHeight + 8);
  edit->Font()->SetSize(8);
  edit->SetCharCase(ecUpperCase);
  edit->SetFocus();
  f.ui.Process();
  f.ui.Type("ґанок and a long tail of words");
  EXPECT_EQ(edit->Text(), A("ҐАНОК AND A LONG TAIL OF WORDS"));
  // Scrolled so that the caret at the end shows; Home scrolls back.
  TRect rect;
  edit->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rect));
  const int endX = GET_X_LPARAM(edit->Perform(EM_POSFROMCHAR, edit->Text().size(), 0));
  EXPECT_GE(endX, rect.left);
  EXPECT_LT(endX, rect.right);
  EXPECT_LT(GET_X_LPARAM(edit->Perform(EM_POSFROMCHAR, 0, 0)), rect.left);
  f.ui.Press(VK_HOME);
  EXPECT_EQ(GET_X_LPARAM(edit->Perform(EM_POSFROMCHAR, 0, 0)), rect.left);
  // The selection shows in the highlight colours only while the edit has the focus.
  f.ui.Press(VK_END, {ssShift});
  f.ui.Process();
  auto count = [](const TControl* c, TColor color) {
    int n = 0;
    for (const auto& row : test::ClientPixels(c))
      n += static_cast<int>(std::count(row.begin(), row.end(), ColorToRGB(color)));
    return n;
  };
  EXPECT_GT(count(edit, clHighlight), 100);
  other->SetFocus();
  f.ui.Process();
  EXPECT_EQ(count(edit, clHighlight), 0);
  // Disabled text is gray.
  EXPECT_EQ(count(edit, clGrayText), 0);
  edit->SetEnabled(false);
  f.ui.Process();
  EXPECT_GT(count(edit, clGrayText), 0);
  // Read-only: keys move, nothing changes, typing beeps.
  edit->SetEnabled(true);
  edit->SetReadOnly(true);
  edit->SetFocus();
  f.ui.Press(VK_HOME);
  const int beeps = f.ui.Beeps();
  f.ui.Type("x");
  f.ui.Press(VK_BACK);
  f.ui.Press(VK_DELETE);
  EXPECT_EQ(edit->Text(), A("ҐАНОК AND A LONG TAIL OF WORDS"));
  EXPECT_EQ(f.ui.Beeps(), beeps + 3);
  EXPECT_EQ(edit->SelLength(), 0);
  f.ui.Press(VK_RIGHT);
  EXPECT_EQ(edit->SelStart(), 1);
}

TEST(Edit, InUtf8TheBytesOfOneCharacterAreOneStep) {
  struct TRestoreCodePage {
    Cardinal saved = GetAnsiCodePage();
    ~TRestoreCodePage() { SetAnsiCodePage(saved); }
  } restore;
  SetAnsiCodePage(CP_UTF8);
  TextControlFixture f;
  auto* edit = f.Place<TEdit>(Rect(10, 10, 200, 35));
  auto* masked = f.Place<TMaskEdit>(Rect(10, 50, 200, 75));
  masked->SetEditMask(">LL");
  edit->SetFocus();
  f.ui.Process();
  f.ui.Type("Їжак");
  EXPECT_EQ(edit->Text(), "Їжак");
  f.ui.Press(VK_BACK);
  f.ui.Press(VK_LEFT, {ssShift});
  EXPECT_EQ(edit->Text(), "Їжа");
  EXPECT_EQ(edit->SelText(), "а");
  f.ui.Press(VK_LEFT);  // to the selection's start
  f.ui.Press(VK_LEFT);
  f.ui.Press(VK_DELETE);
  EXPECT_EQ(edit->Text(), "Їа");
  masked->SetFocus();
  f.ui.Process();
  f.ui.Type("ґє");
  EXPECT_EQ(masked->EditText(), "ҐЄ");
}

}  // namespace
}  // namespace ordvane
