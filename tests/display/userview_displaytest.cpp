// What a person sees and does first on a real desktop (a private X server with a window
// manager): the native title follows the form's caption, a modal dialog over its form
// reads back from the root window (as screen readers, recorders and screen sharing read
// it) exactly as the layer painted it, the title-bar buttons and a double click on the
// caption work with the mouse from outside the process, edits of every kind are in the
// window colour, and a program's first form is placed on the display's own screen and
// ends the program when it is closed.
//
// With ORDVANE_SCREENSHOT set to a file name, the look of a form with edits, a grid and
// the login dialog over it is saved there as PNG (the picture in the docs).

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "classlib/core/CodePages.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/Timers.h"
#include "classlib/ui/CaptionButtons.h"
#include "classlib/ui/Mask.h"
#include "classlib/ui/StdCtrls.h"
#include "classlib/ui/WinPaint.h"
#include "dbclient/dialogs/FIBDBLoginDlg.h"
#include "gridbase/DBCtrlsEh.h"
#include "gridbase/GridsEh.h"
#include "tests/display/DesktopSupport.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using test::RunCommand;
using test::RunUntil;

// The root window's pixels at a window's place: what the screen shows there.
QImage RootPixels(const TRect& at) {
  return QGuiApplication::primaryScreen()
      ->grabWindow(0, at.left, at.top, at.Width(), at.Height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

// The same pixels as another program reads them.
QImage RootPixelsReadByAnotherProgram(const TRect& at) {
  const std::string file = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/root.png";
  RunCommand(std::string(ORDVANE_ROOT_READER) + " " + std::to_string(at.left) + " " + std::to_string(at.top) +
             " " + std::to_string(at.Width()) + " " + std::to_string(at.Height()) + " " + file);
  return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
}

// The first pixel where the screen and a window's surface differ, or "".
std::string ScreenMismatch(HWND wnd, bool readByAnotherProgram = false) {
  const TRaster* surface = WindowSurface(wnd);
  TRect bounds{};
  if (!surface || !GetWindowRect(wnd, bounds)) return "no window";
  const QImage shot = readByAnotherProgram ? RootPixelsReadByAnotherProgram(bounds) : RootPixels(bounds);
  if (shot.width() != surface->Width() || shot.height() != surface->Height()) return "the size differs";
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      const TColorRef c = surface->Pixel(x, y);
      const QRgb expected = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                                 static_cast<int>((c >> 16) & 0xFF));
      if (shot.pixel(x, y) != expected) {
        std::ostringstream text;
        text << "pixel " << x << "," << y << " is " << std::hex << shot.pixel(x, y) << " instead of "
             << expected;
        return text.str();
      }
    }
  return {};
}

// A grid of persons, as a base grid draws them.
class TPersonsGrid : public TCustomGridEh {
 public:
  explicit TPersonsGrid(TComponent* owner) : TCustomGridEh(owner) {
    SetColCount(3);
    SetRowCount(6);
  }

 protected:
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState /*state*/) override {
    static const char* const cells[6][3] = {{"", "Прізвище", "Ім'я"},         {"1", "Шевченко", "Тарас"},
                                            {"2", "Українка", "Леся"},        {"3", "Франко", "Іван"},
                                            {"4", "Коцюбинський", "Михайло"}, {"5", "Сковорода", "Григорій"}};
    Canvas()->TextRect(rect, rect.left + 2, rect.top + 2, Utf8ToAnsi(cells[row][col]));
  }
};

class UserView : public test::DesktopSuite {
 protected:
  static std::string XWindow(TForm& form) {
    const QWidget* native = host->NativeWindow(form.Handle());
    return native ? std::to_string(native->winId()) : std::string();
  }
  static void ShowOnTheDesktop(TForm& form) {
    form.Show();
    ASSERT_TRUE(RunUntil([&] { return !XWindow(form).empty() && ScreenMismatch(form.Handle()).empty(); }))
        << ScreenMismatch(form.Handle());
  }
  static TPoint ButtonPoint(TForm& form, LRESULT button) {
    const TRect r = CaptionButtonRect(form.Handle(), button);
    return {form.Left() + (r.left + r.right) / 2, form.Top() + (r.top + r.bottom) / 2};
  }
  static std::unique_ptr<TForm> CaptionedForm(const TRect& bounds, const AnsiString& caption) {
    std::unique_ptr<TForm> form{test::NewForm(bounds)};
    form->SetBorderStyle(bsSizeable);
    form->SetCaption(caption);
    return form;
  }
};

TEST_F(UserView, TheNativeTitleFollowsTheCaption) {
  auto form = CaptionedForm(Rect(100, 100, 400, 300), Utf8ToAnsi("Особи"));
  ShowOnTheDesktop(*form);
  const auto title = [&] { return RunCommand("xprop -id " + XWindow(*form) + " _NET_WM_NAME WM_NAME"); };
  EXPECT_NE(title().find("_NET_WM_NAME(UTF8_STRING) = \"Особи\""), std::string::npos) << title();
  EXPECT_NE(title().find("WM_NAME"), std::string::npos) << title();
  form->SetCaption("Persons: import");
  std::string now;
  EXPECT_TRUE(RunUntil([&] {
    now = title();
    return now.find("_NET_WM_NAME(UTF8_STRING) = \"Persons: import\"") != std::string::npos &&
           now.find("WM_NAME(STRING) = \"Persons: import\"") != std::string::npos;
  })) << now;
}

TEST_F(UserView, AModalDialogOverItsFormReadsBackFromTheRootWindowAsPainted) {
  auto owner = CaptionedForm(Rect(100, 100, 600, 450), "Owner");
  auto* edit = new TEdit(owner.get());
  edit->SetParent(owner.get());
  edit->SetBounds(10, 10, 200, 21);
  ShowOnTheDesktop(*owner);
  auto* dialog = new TForm(owner.get());
  dialog->SetBorderStyle(bsDialog);
  dialog->SetCaption("Dialog");
  dialog->SetBounds(0, 0, 300, 150);
  dialog->SetPosition(poOwnerFormCenter);
  auto* field = new TEdit(dialog);
  field->SetParent(dialog);
  field->SetBounds(20, 20, 200, 21);
  field->SetText(Utf8ToAnsi("Шевченко"));
  std::string dialogMismatch = "never shown", ownerMismatch;
  // The program's messages never run out meanwhile: each one it handles posts the next,
  // as a worker reporting its progress keeps a queue full. The desktop must still get its
  // turn, or the dialog is never painted there. Every 50 ms the handler has another
  // program read the screen (the caret may blink between the reading and the comparison:
  // another look then).
  bool keepBusy = true, looking = false;
  int looks = 0;
  auto lastLook = std::chrono::steady_clock::now();
  HWND busy = 0;
  busy = AllocateHWnd([&](TMessage&) {
    if (keepBusy) PostMessage(busy, WM_USER, 0, 0);
    if (looking || std::chrono::steady_clock::now() - lastLook < std::chrono::milliseconds(50)) return;
    looking = true;  // the other program is waited for in a loop of messages
    dialogMismatch = ScreenMismatch(dialog->Handle(), true);
    if (dialogMismatch.empty() || ++looks == 20) dialog->SetModalResult(mrOk);
    lastLook = std::chrono::steady_clock::now();
    looking = false;
  });
  PostMessage(busy, WM_USER, 0, 0);
  dialog->ShowModal();
  keepBusy = false;
  DeallocateHWnd(busy);
  EXPECT_EQ(dialogMismatch, "");
  // The form comes back as it was once the dialog is gone.
  EXPECT_TRUE(RunUntil([&] { return (ownerMismatch = ScreenMismatch(owner->Handle())).empty(); }))
      << ownerMismatch;
}

TEST_F(UserView, TheTitleBarButtonsAndTheCaptionWorkWithTheMouse) {
  auto form = CaptionedForm(Rect(200, 150, 600, 450), "Buttons");
  bool allow = false;
  int asked = 0;
  form->OnCloseQuery = [&](TObject*, bool& canClose) {
    ++asked;
    canClose = allow;
  };
  ShowOnTheDesktop(*form);
  const TRect normal = form->BoundsRect();
  ASSERT_TRUE(ClickAt(ButtonPoint(*form, HTMAXBUTTON)));
  EXPECT_TRUE(RunUntil([&] { return form->WindowState() == wsMaximized; }));
  ASSERT_TRUE(ClickAt(ButtonPoint(*form, HTMAXBUTTON)));
  EXPECT_TRUE(RunUntil([&] { return form->WindowState() == wsNormal && form->BoundsRect() == normal; }));
  ASSERT_TRUE(ClickAt({form->Left() + 60, form->Top() + 12}, "click --repeat 2 --delay 80 1"));
  EXPECT_TRUE(RunUntil([&] { return form->WindowState() == wsMaximized; }));
  ASSERT_TRUE(ClickAt({form->Left() + 60, form->Top() + 12}, "click --repeat 2 --delay 80 1"));
  EXPECT_TRUE(RunUntil([&] { return form->WindowState() == wsNormal; }));
  ASSERT_TRUE(ClickAt(ButtonPoint(*form, HTCLOSE)));
  EXPECT_TRUE(RunUntil([&] { return asked == 1; }));
  EXPECT_TRUE(form->Visible());  // the form refused
  allow = true;
  ASSERT_TRUE(ClickAt(ButtonPoint(*form, HTCLOSE)));
  EXPECT_TRUE(RunUntil([&] { return !form->Visible(); }));
  EXPECT_EQ(asked, 2);
}

// Edits of every kind, the data-aware one and the login dialog's included, over a grid;
// the login dialog over them all. The picture for the docs is taken here.
TEST_F(UserView, EditsOfEveryKindShowTheWindowColour) {
  auto form = CaptionedForm(Rect(60, 60, 700, 500), Utf8ToAnsi("Особи: перевірка"));
  const auto place = [&](TWinControl* control, int top, int height, const char* caption) {
    control->SetParent(form.get());
    control->SetBounds(90, top, 220, height);
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetBounds(10, top + 3, 80, 17);
    label->SetCaption(caption);
  };
  auto* edit = new TEdit(form.get());
  place(edit, 12, 21, "Surname");
  edit->SetText(Utf8ToAnsi("Шевченко"));
  auto* masked = new TMaskEdit(form.get());
  place(masked, 42, 21, "Born");
  masked->SetEditMask("00.00.0000;1;_");
  masked->SetText("09.03.1814");
  auto* dataAware = new TCustomDBEditEh(form.get());
  place(dataAware, 72, 21, "Name");
  dataAware->SetText(Utf8ToAnsi("Тарас"));
  auto* memo = new TMemo(form.get());
  place(memo, 102, 50, "Works");
  memo->SetText(Utf8ToAnsi("Кобзар\r\nГайдамаки"));
  auto* grid = new TPersonsGrid(form.get());
  grid->SetParent(form.get());
  grid->SetBounds(10, 165, 610, 240);
  ShowOnTheDesktop(*form);
  const QRgb highlight = QColor(0x0A, 0x24, 0x6A).rgb();
  for (TCustomEdit* control : std::initializer_list<TCustomEdit*>{edit, masked, dataAware, memo}) {
    SCOPED_TRACE(control->ClassName());
    const TPoint p = control->ClientToScreen({control->ClientWidth() - 3, control->ClientHeight() - 3});
    EXPECT_EQ(RootPixels(Bounds(p.x, p.y, 1, 1)).pixel(0, 0), QColor(0xFF, 0xFF, 0xFF).rgb());
    // Selected, the text shows where it starts: a pixel off the frame, then the margin
    // (read below the letters, where only the selection's colour is).
    control->SetFocus();
    control->SelectAll();
    const TPoint row = control->ClientToScreen({0, 12});
    QImage line;
    RunUntil(
        [&] {
          return (line = RootPixels(Bounds(row.x, row.y, control->ClientWidth(), 1))).pixel(3, 0) ==
                 highlight;
        },
        1000);
    int first = 0;
    while (first < line.width() && line.pixel(first, 0) != highlight) ++first;
    EXPECT_EQ(first, 1 + LOWORD(static_cast<UINT>(control->Perform(EM_GETMARGINS, 0, 0))));
  }

  TfrmFIBDBLoginDlg login(form.get());
  login.lbDBName->SetCaption("localhost:/var/db/persons.fdb");
  login.EdUserName->SetText("OPERATOR");
  login.EdPassword->SetText("secret");
  login.SetPosition(poOwnerFormCenter);
  std::string fields = "not looked at";
  TTimer look(nullptr);
  look.SetInterval(50);
  int ticks = 0;
  look.SetOnTimer([&](TObject*) {
    if (!ScreenMismatch(login.Handle()).empty() && ++ticks < 60) return;
    look.SetEnabled(false);
    fields.clear();
    const std::pair<TEdit*, const char*> named[] = {
        {login.EdUserName, "user "}, {login.EdPassword, "password "}, {login.EdRole, "role "}};
    for (const auto& [field, name] : named) {
      const TPoint p = field->ClientToScreen({field->ClientWidth() - 3, field->ClientHeight() - 3});
      if (RootPixels(Bounds(p.x, p.y, 1, 1)).pixel(0, 0) != QColor(0xFF, 0xFF, 0xFF).rgb()) fields += name;
    }
    if (const char* file = std::getenv("ORDVANE_SCREENSHOT")) {
      const QRect area(form->Left() - 20, form->Top() - 20, form->Width() + 40, form->Height() + 40);
      QGuiApplication::primaryScreen()
          ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
          .save(file, "PNG");
    }
    login.SetModalResult(mrOk);
  });
  login.ShowModal();
  EXPECT_EQ(fields, "");
}

// The program of tests/display/first_form_program.cpp, run as a person starts a program.
TEST_F(UserView, AProgramsFirstFormIsOnTheDisplaysScreenAndClosingItEndsTheProgram) {
  FILE* program = popen(ORDVANE_FIRST_FORM_PROGRAM, "r");
  ASSERT_NE(program, nullptr);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, program), nullptr);
  int width = 0, height = 0, left = 0, top = 0, dialogLeft = 0, dialogTop = 0, closeX = 0, closeY = 0;
  ASSERT_EQ(std::sscanf(line, "screen %d %d main %d %d dialog %d %d close %d %d", &width, &height, &left,
                        &top, &dialogLeft, &dialogTop, &closeX, &closeY),
            8)
      << line;
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(width, screen.width());
  EXPECT_EQ(height, screen.height());
  EXPECT_EQ(left, (screen.width() - 980) / 2);  // a 980 x 600 form centred on the screen
  EXPECT_EQ(top, (screen.height() - 600) / 2);
  EXPECT_EQ(dialogLeft, left + (980 - 300) / 2);  // a 300 x 120 one centred on it
  EXPECT_EQ(dialogTop, top + (600 - 120) / 2);
  // Wait until it shows, then close it with its close button.
  RunUntil([] { return !RunCommand("xdotool search --onlyvisible --name '^Main form$'").empty(); });
  RunCommand("xdotool mousemove " + std::to_string(closeX) + " " + std::to_string(closeY) + " click 1");
  std::string rest;
  while (std::fgets(line, sizeof line, program)) rest += line;
  EXPECT_EQ(rest, "the loop ended\n");
  EXPECT_EQ(pclose(program), 0);
}

}  // namespace
}  // namespace ordvane
