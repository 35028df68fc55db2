// Message boxes answered with the keyboard and the mouse, the scripted service that answers
// them without windows, and the title-bar buttons a form asks for.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "classlib/core/Application.h"
#include "classlib/ui/Dialogs.h"
#include "classlib/ui/Raster.h"
#include "classlib/ui/StdButtons.h"
#include "tests/support/UiDriver.h"
#include "tests/support/UiScriptedDialogs.h"

namespace ordvane {
namespace {

std::vector<TButton*> ButtonsOf(const TCustomForm* form) {
  std::vector<TButton*> buttons;
  for (int i = 0; i < form->ControlCount(); ++i)
    if (auto* button = dynamic_cast<TButton*>(form->Controls(i))) buttons.push_back(button);
  return buttons;
}

TButton* ButtonCaptioned(const TCustomForm* form, const AnsiString& caption) {
  for (TButton* button : ButtonsOf(form))
    if (button->Caption() == caption) return button;
  ADD_FAILURE() << "no button " << caption;
  return nullptr;
}

// What the box shows: its caption, its buttons left to right (the default one marked),
// and whether they lie side by side under the text within the client area.
std::string Looks(const TCustomForm* form) {
  const TControl* text = form->Controls(0);
  std::string looks = form->Caption() + ":";
  int right = 0;
  bool placed = true;
  for (const TButton* button : ButtonsOf(form)) {
    looks += " " + button->Caption() + (button->Default() ? "*" : "");
    placed = placed && button->Left() >= right && button->Top() > text->Top() + text->Height() &&
             button->Left() + button->Width() <= form->ClientWidth() &&
             button->Top() + button->Height() <= form->ClientHeight();
    right = button->Left() + button->Width();
  }
  return looks + (placed ? "" : " (misplaced)");
}

TEST(MessageDlg, ShowsItsTypeAndButtonsAndAnswersKeysAndClicks) {
  test::UiDriver ui;
  const TMsgDlgButtons yesNo{mbYes, mbNo};
  struct Case {
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    std::function<void(test::UiDriver&, TCustomForm*)> act;
    std::string looks;
    TModalResult result;
  };
  const auto press = [](Word key, TShiftState shift = {}) {
    return [key, shift](test::UiDriver& ui, TCustomForm*) { ui.Press(key, shift); };
  };
  const auto click = [](const char* caption) {
    return [caption](test::UiDriver& ui, TCustomForm* form) { ui.Click(ButtonCaptioned(form, caption), {20, 10}); };
  };
  const Case cases[] = {
      {mtConfirmation, mbYesNoCancel, press(VK_RETURN), "Confirm: &Yes* &No Cancel", mrYes},
      {mtConfirmation, mbYesNoCancel, press(VK_ESCAPE), "Confirm: &Yes* &No Cancel", mrCancel},
      {mtWarning, yesNo, press(VK_ESCAPE), "Warning: &Yes* &No", mrNo},
      {mtError, {mbOK}, press(VK_ESCAPE), "Error: OK*", mrOk},
      {mtInformation, mbOKCancel, click("Cancel"), "Information: OK* Cancel", mrCancel},
      {mtWarning, {mbAbort, mbRetry, mbIgnore}, click("&Retry"), "Warning: &Abort* &Retry &Ignore", mrRetry},
      {mtConfirmation, {mbYesToAll, mbNoToAll, mbAll}, press('O', {ssAlt}), "Confirm: &All* N&o to All Yes to &All",
       mrNoToAll},
      {mtCustom, {}, press(VK_RETURN), Application->Title() + ": OK*", mrOk},
  };
  for (const Case& c : cases) {
    std::string looks;
    ui.Later([&] {
      TCustomForm* box = Screen->ActiveCustomForm();
      looks = Looks(box);
      c.act(ui, box);
    });
    const int formsBefore = Screen->CustomFormCount();
    EXPECT_EQ(MessageDlg("Delete the record?", c.type, c.buttons), c.result) << c.looks;
    EXPECT_EQ(looks, c.looks);
    EXPECT_EQ(Screen->CustomFormCount(), formsBefore);  // the box is gone
  }
}

TEST(MessageDlg, AScriptedServiceAnswersWithoutWindowsUntilItEnds) {
  test::UiDriver ui;
  const int forms = Screen->CustomFormCount();
  {
    test::ScriptedDialogs script;
    script.answers = {mrNo, mrOk};
    EXPECT_EQ(MessageDlg("Delete the record?", mtConfirmation, mbYesNoCancel), mrNo);
    ShowMessage("Done");
    EXPECT_EQ(Screen->CustomFormCount(), forms);
    EXPECT_EQ(script.asked, (std::vector<std::string>{"message 3 Delete the record?", "message 4 Done"}));
  }
  ui.Later([&] { ui.Press(VK_ESCAPE); });
  EXPECT_EQ(MessageDlg("Again?", mtConfirmation, mbYesNoCancel), mrCancel);
}

// Whether any pixel of the box's top-left 32x32 square, past its margin, is pure red.
bool RedAtIconPlace(const TCustomForm* box) {
  const TRaster screen = test::UiDriver::Screen();
  const TPoint origin = test::UiDriver::ScreenPoint(box, {10, 10});
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (screen.Pixel(origin.x + x, origin.y + y) == RGB(255, 0, 0)) return true;
  return false;
}

// A dialog service that shows the boxes it is handed, as the windows do, and answers them.
class ShowingDialogs : public IDialogService {
 public:
  ShowingDialogs() : fPrevious(SetDialogService(this)) {}
  ~ShowingDialogs() override { SetDialogService(fPrevious); }
  ShowingDialogs(const ShowingDialogs&) = delete;
  ShowingDialogs& operator=(const ShowingDialogs&) = delete;
  TModalResult MessageBox(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons) override {
    return ShowDialog(*CreateMessageDialog(text, type, buttons));
  }
  TModalResult ShowDialog(TCustomForm& form) override { return form.ShowModal(); }

 private:
  IDialogService* fPrevious;
};

TEST(MessageDlg, AnIconTellsTheKindAndTheTextStandsRightOfIt) {
  test::UiDriver ui;
  struct Seen {
    bool red = false;
    bool iconPlaced = false;
    bool textClear = false;
    bool painted = false;  // the icon's lower part differs from the box's background
    TColorRef centre = 0;
  };
  const auto look = [&](Seen& seen) {
    ui.Later([&] {
      TCustomForm* box = Screen->ActiveCustomForm();
      seen.red = RedAtIconPlace(box);
      const auto* text = dynamic_cast<const TControl*>(box->FindComponent("Message"));
      const auto* icon = dynamic_cast<const TControl*>(box->FindComponent("Icon"));
      seen.iconPlaced = icon != nullptr && icon->Width() == 32 && icon->Height() == 32 &&
                        icon->Top() + icon->Height() < ButtonsOf(box).front()->Top();
      seen.textClear = text != nullptr && (icon == nullptr || text->Left() >= icon->Left() + icon->Width());
      seen.centre = test::UiDriver::Pixel(box, {26, 26});
      seen.painted = test::UiDriver::Pixel(box, {26, 36}) != test::UiDriver::Pixel(box, {5, 5});
      ui.Press(VK_ESCAPE);
    });
  };
  const TColorRef white = RGB(255, 255, 255);
  for (TMsgDlgType type : {mtError, mtWarning, mtInformation, mtConfirmation, mtCustom}) {
    Seen seen;
    look(seen);
    MessageDlg("A long message that would run under an icon", type, {mbOK});
    EXPECT_EQ(seen.red, type == mtError) << type;
    EXPECT_EQ(seen.iconPlaced, type != mtCustom) << type;
    EXPECT_TRUE(seen.textClear) << type;
    EXPECT_EQ(seen.painted, type != mtCustom) << type;
    if (type == mtError) {
      EXPECT_EQ(seen.centre, white);  // the cross
    }
  }

  // A failure nobody handled shows in the error box, under the program's title.
  ShowingDialogs showing;
  Seen seen;
  std::string caption;
  ui.Later([&] { caption = Screen->ActiveCustomForm()->Caption(); });
  look(seen);
  ShowExceptionBox("Division by zero");
  EXPECT_EQ(caption, Application->Title());
  EXPECT_TRUE(seen.red);
  EXPECT_TRUE(seen.iconPlaced && seen.textClear);
}

TEST(Form, BorderIconsChooseTheTitleBarButtons) {
  test::UiDriver ui;
  struct Case {
    TFormBorderStyle border;
    TBorderIcons icons;
    UINT expected;
  };
  const Case cases[] = {
      {bsSizeable, {biSystemMenu, biMinimize, biMaximize}, WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX},
      {bsSingle, {biSystemMenu, biMinimize}, WS_SYSMENU | WS_MINIMIZEBOX},
      {bsSingle, {biMinimize, biMaximize}, 0},  // the boxes need the menu
      {bsDialog, {biSystemMenu, biMinimize, biMaximize}, WS_SYSMENU},
      {bsDialog, {}, 0},
  };
  for (const Case& c : cases) {
    TForm form(nullptr);
    form.SetBorderStyle(c.border);
    form.SetBorderIcons(c.icons);
    const auto style = static_cast<UINT>(GetWindowLong(form.Handle(), GWL_STYLE));
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), c.expected) << c.border;
    EXPECT_TRUE(style & WS_CAPTION);
  }
}

}  // namespace
}  // namespace ordvane
