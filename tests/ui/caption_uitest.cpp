// What a user meets first on a form: the buttons of its title bar (drawn, hit tested,
// clicked, a double click on the caption), the application's main form, and edits in
// the window colour with their text kept off the frame.

#include <gtest/gtest.h>

#include <memory>

#include "classlib/core/CodePages.h"
#include "classlib/core/Timers.h"
#include "classlib/ui/CaptionButtons.h"
#include "classlib/ui/Mask.h"
#include "classlib/ui/StdCtrls.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using test::NewForm;

std::unique_ptr<TForm> CaptionedForm(TFormBorderStyle style,
                                     TBorderIcons icons = {biSystemMenu, biMinimize, biMaximize}) {
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  form->SetBorderStyle(style);
  form->SetBorderIcons(icons);
  form->SetCaption("Persons");
  return form;
}

// The middle of a title-bar button on the screen.
TPoint ButtonPoint(TForm& form, LRESULT button) {
  const TRect r = CaptionButtonRect(form.Handle(), button);
  return {form.Left() + (r.left + r.right) / 2, form.Top() + (r.top + r.bottom) / 2};
}

LRESULT HitAt(TForm& form, TPoint screen) {
  return SendMessage(form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
}

TEST(CaptionButtons, TheStyleChoosesTheButtonsAndEachAnswersItsHitTest) {
  test::UiDriver ui;
  struct Case {
    TFormBorderStyle style;
    TBorderIcons icons;
    bool close, boxes;
  };
  const Case cases[] = {
      {bsSizeable, {biSystemMenu, biMinimize, biMaximize}, true, true},
      {bsSingle, {biSystemMenu, biMinimize}, true, true},  // maximize shown disabled
      {bsDialog, {biSystemMenu, biMinimize, biMaximize}, true, false},
      {bsToolWindow, {biSystemMenu, biMinimize, biMaximize}, true, false},
      {bsSizeable, {biMinimize, biMaximize}, false, false},  // no system menu: no buttons
  };
  for (const Case& c : cases) {
    auto form = CaptionedForm(c.style, c.icons);
    form->Show();
    ui.Process();
    SCOPED_TRACE(std::to_string(c.style));
    EXPECT_EQ(!IsRectEmpty(CaptionButtonRect(form->Handle(), HTCLOSE)), c.close);
    EXPECT_EQ(!IsRectEmpty(CaptionButtonRect(form->Handle(), HTMINBUTTON)), c.boxes);
    EXPECT_EQ(!IsRectEmpty(CaptionButtonRect(form->Handle(), HTMAXBUTTON)), c.boxes);
    for (LRESULT button : {HTCLOSE, HTMINBUTTON, HTMAXBUTTON}) {
      if (!IsRectEmpty(CaptionButtonRect(form->Handle(), button))) {
        EXPECT_EQ(HitAt(*form, ButtonPoint(*form, button)), button);
      }
    }
    // The caption elsewhere still moves the window.
    EXPECT_EQ(HitAt(*form, {form->Left() + 30, form->Top() + 10}), HTCAPTION);
    if (!c.close) continue;
    // The close button is drawn: a raised face with the dark cross in its middle.
    const TRaster screen = test::UiDriver::Screen();
    const TPoint middle = ButtonPoint(*form, HTCLOSE);
    const TRect r = CaptionButtonRect(form->Handle(), HTCLOSE);
    EXPECT_EQ(screen.Pixel(form->Left() + r.left, form->Top() + r.top), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(screen.Pixel(form->Left() + r.left + 2, form->Top() + r.top + 2), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(screen.Pixel(middle.x, middle.y), GetSysColor(COLOR_BTNTEXT));
  }
}

TEST(CaptionButtons, CloseAsksTheFormAndFollowsOnlyAReleaseOverTheButton) {
  test::UiDriver ui;
  auto form = CaptionedForm(bsSizeable);
  bool allow = false;
  int asked = 0;
  form->OnCloseQuery = [&](TObject*, bool& canClose) {
    ++asked;
    canClose = allow;
  };
  form->Show();
  ui.Process();
  const TPoint close = ButtonPoint(*form, HTCLOSE);
  // Pressed, the button shows pushed; released elsewhere, nothing happens.
  ui.PressAtScreen(close);
  EXPECT_EQ(test::UiDriver::Screen().Pixel(close.x + 1, close.y + 1), GetSysColor(COLOR_BTNTEXT));
  ui.MoveToScreen({close.x - 60, close.y});
  ui.ReleaseAtScreen({close.x - 60, close.y});
  EXPECT_EQ(asked, 0);
  ui.ClickAtScreen(close);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(form->Visible());  // refused
  allow = true;
  ui.ClickAtScreen(close);
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(form->Visible());
}

TEST(CaptionButtons, MinimizeMaximizeAndRestoreAndADoubleClickOnTheCaption) {
  test::UiDriver ui;
  auto form = CaptionedForm(bsSizeable);
  form->Show();
  ui.Process();
  const TRect normal = form->BoundsRect();
  ui.ClickAtScreen(ButtonPoint(*form, HTMAXBUTTON));
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_EQ(form->BoundsRect(), Screen->WorkAreaRect());
  ui.ClickAtScreen(ButtonPoint(*form, HTMAXBUTTON));  // now the restore button
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(form->BoundsRect(), normal);
  const TPoint caption{form->Left() + 40, form->Top() + 10};
  ui.ClickAtScreen(caption);
  ui.ClickAtScreen(caption);
  EXPECT_EQ(form->WindowState(), wsMaximized);
  ui.ClickAtScreen({form->Left() + 40, form->Top() + 10});
  ui.ClickAtScreen({form->Left() + 40, form->Top() + 10});
  EXPECT_EQ(form->BoundsRect(), normal);
  ui.ClickAtScreen(ButtonPoint(*form, HTMINBUTTON));
  EXPECT_EQ(form->WindowState(), wsMinimized);

  // A dialog's caption does not maximize; a disabled maximize button does nothing.
  for (const auto& other : {std::shared_ptr<TForm>(CaptionedForm(bsDialog)),
                            std::shared_ptr<TForm>(CaptionedForm(bsSingle, {biSystemMenu, biMinimize}))}) {
    other->Show();
    ui.Process();
    const TRect before = other->BoundsRect();
    ui.ClickAtScreen({other->Left() + 40, other->Top() + 10});
    ui.ClickAtScreen({other->Left() + 40, other->Top() + 10});
    if (!IsRectEmpty(CaptionButtonRect(other->Handle(), HTMAXBUTTON)))
      ui.ClickAtScreen(ButtonPoint(*other, HTMAXBUTTON));
    EXPECT_EQ(other->WindowState(), wsNormal);
    EXPECT_EQ(other->BoundsRect(), before);
  }
}

TEST(MainForm, TheFirstFormIsTheMainFormAndClosingItEndsTheLoop) {
  test::UiDriver ui;
  ASSERT_EQ(Application->MainForm(), nullptr);
  {
    auto main = CaptionedForm(bsSizeable);
    EXPECT_EQ(Application->MainForm(), main.get());
    new TForm(main.get());  // one of its dialogs, freed with it
    std::unique_ptr<TForm> second(NewForm(Rect(0, 0, 100, 100)));
    EXPECT_EQ(Application->MainForm(), main.get());
    main->SetBounds(200, 150, 400, 300);
    main->Show();
    second->SetBounds(0, 0, 100, 60);
    second->SetPosition(poMainFormCenter);
    second->Show();
    EXPECT_EQ(second->BoundsRect(), Bounds(350, 270, 100, 60));

    // Outside the loop a close hides the main form as any other.
    main->Close();
    EXPECT_FALSE(main->Visible());
    main->Show();
    bool ran = false;
    TTimer closer(nullptr);
    closer.SetInterval(10);
    closer.SetOnTimer([&](TObject*) {
      ran = true;
      closer.SetEnabled(false);
      SendMessage(main->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    ui.Later([&] { ui.Advance(20); });
    Application->Run();  // returns: the main form closed
    EXPECT_TRUE(ran);
    EXPECT_TRUE(main->Visible());  // the program is ending, not hiding its window
    EXPECT_FALSE(Application->Running());
  }
  EXPECT_EQ(Application->MainForm(), nullptr);  // gone with the form
}

// Each kind of edit paints in the window colour, not its form's, and its text starts
// inside the margin, a pixel off the frame.
TEST(EditLook, EditsPaintInTheWindowColourWithTheirTextOffTheFrame) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(50, 50, 450, 350)));
  auto* edit = new TEdit(form.get());
  auto* memo = new TMemo(form.get());
  auto* masked = new TMaskEdit(form.get());
  int top = 10;
  for (TCustomEdit* control : std::initializer_list<TCustomEdit*>{edit, memo, masked}) {
    control->SetParent(form.get());
    control->SetBounds(10, top, 200, control == memo ? 60 : 21);
    control->SetText(Utf8ToAnsi("Шевченко"));
    top += control->Height() + 10;
  }
  form->Show();
  ui.Process();
  for (TCustomEdit* control : std::initializer_list<TCustomEdit*>{edit, memo, masked}) {
    SCOPED_TRACE(control->ClassName());
    EXPECT_FALSE(control->ParentColor());
    EXPECT_EQ(test::UiDriver::Pixel(control, {control->ClientWidth() - 3, control->ClientHeight() - 3}),
              ColorToRGB(clWindow));
    // The selected text's highlight starts where the text does: past the frame's pixel
    // and the margin (read below the letters, where only the selection's colour is).
    control->SetFocus();
    control->SelectAll();
    ui.Process();
    const int margin = LOWORD(static_cast<UINT>(control->Perform(EM_GETMARGINS, 0, 0)));
    int first = -1;
    for (int x = 0; x < control->ClientWidth() && first < 0; ++x)
      if (test::UiDriver::Pixel(control, {x, 12}) == ColorToRGB(clHighlight)) first = x;
    EXPECT_EQ(first, 1 + margin);
  }
  // A colour set to what the control had is still its own colour.
  auto* panel = new TEdit(form.get());
  panel->SetParentColor(true);
  panel->SetColor(panel->Color());
  EXPECT_FALSE(panel->ParentColor());
}

}  // namespace
}  // namespace ordvane
