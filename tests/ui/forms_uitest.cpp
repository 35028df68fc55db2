// Forms: showing and closing, modal forms and their loops (nested ones too), placement,
// and what the screen knows of them.

#include <gtest/gtest.h>

#include <memory>

#include "classlib/ui/StdCtrls.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using test::NewForm;
using test::TProbe;

// A button that sets its form's ModalResult when clicked.
TProbe* ResultButton(TForm* form, const TRect& bounds, TModalResult result) {
  auto* button = new TProbe(form, form, bounds);
  button->OnClick = [form, result](TObject*) { form->SetModalResult(result); };
  return button;
}

TEST(Modal, ShowModalRunsUntilAButtonSetsTheResultAndDisablesTheOtherForms) {
  test::UiDriver ui;
  std::unique_ptr<TForm> main(NewForm(Rect(0, 0, 300, 300)));
  std::unique_ptr<TForm> dialog(NewForm(Rect(400, 100, 600, 200)));
  auto* ok = ResultButton(dialog.get(), Rect(10, 10, 60, 30), mrOk);
  int mainClicks = 0;
  main->OnClick = [&](TObject*) { ++mainClicks; };
  main->Show();
  ui.Process();
  bool mainEnabledMeanwhile = true;
  ui.Later([&] {
    mainEnabledMeanwhile = IsWindowEnabled(main->WindowHandle());
    const int beeps = ui.Beeps();
    ui.Click(main.get(), {100, 100});  // refused: only a beep
    EXPECT_EQ(ui.Beeps(), beeps + 1);
    ui.Click(ok, {5, 5});
  });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_FALSE(mainEnabledMeanwhile);
  EXPECT_EQ(mainClicks, 0);
  EXPECT_FALSE(dialog->Visible());
  EXPECT_TRUE(IsWindowEnabled(main->WindowHandle()));
  EXPECT_EQ(GetActiveWindow(), main->WindowHandle());
  EXPECT_FALSE(dialog->FormState().Contains(fsModal));
}

TEST(Modal, AModalFormMayOpenAnotherAndEachLoopEndsWithItsOwnResult) {
  test::UiDriver ui;
  std::unique_ptr<TForm> outer(NewForm(Rect(0, 0, 300, 300)));
  std::unique_ptr<TForm> inner(NewForm(Rect(400, 0, 600, 200)));
  auto* open = new TProbe(outer.get(), outer.get(), Rect(10, 10, 60, 30));
  auto* done = ResultButton(outer.get(), Rect(10, 50, 60, 70), mrOk);
  auto* yes = ResultButton(inner.get(), Rect(10, 10, 60, 30), mrYes);
  std::vector<std::string> events;
  open->OnClick = [&](TObject*) {
    events.push_back("inner opens");
    events.push_back("inner " + std::to_string(inner->ShowModal()));
    events.push_back(std::string("outer enabled again: ") +
                     (IsWindowEnabled(outer->WindowHandle()) ? "yes" : "no"));
  };
  ui.Later([&] { ui.Click(open, {5, 5}); });
  ui.Later([&] {
    events.push_back(std::string("outer enabled: ") +
                     (IsWindowEnabled(outer->WindowHandle()) ? "yes" : "no"));
    ui.Click(yes, {5, 5});
  });
  ui.Later([&] { ui.Click(done, {5, 5}); });
  events.push_back("outer " + std::to_string(outer->ShowModal()));
  EXPECT_EQ(events, (std::vector<std::string>{"inner opens", "outer enabled: no", "inner 6",
                                              "outer enabled again: yes", "outer 1"}));
}

TEST(Modal, CloseAsksTheFormAndAHiddenOrDestroyedModalFormEndsItsLoop) {
  test::UiDriver ui;
  std::unique_ptr<TForm> dialog(NewForm(Rect(0, 0, 200, 200)));
  bool allow = false;
  dialog->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
  ui.Later([&] { dialog->Close(); });
  ui.Later([&] {
    EXPECT_TRUE(dialog->Visible());  // the close was refused
    allow = true;
    dialog->Close();
  });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);

  ui.Later([&] { dialog->Hide(); });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);

  auto* doomed = NewForm(Rect(0, 0, 200, 200));
  const TDestroyWatch watch(doomed);
  ui.Later([doomed] { delete doomed; });
  EXPECT_EQ(doomed->ShowModal(), mrCancel);
  EXPECT_TRUE(watch.Gone());
}

TEST(Modal, AnExceptionInsideTheLoopIsReportedAndTheLoopGoesOn) {
  test::UiDriver ui;
  test::ReportedErrors errors;
  std::unique_ptr<TForm> dialog(NewForm(Rect(0, 0, 200, 200)));
  auto* failing = new TProbe(dialog.get(), dialog.get(), Rect(10, 10, 60, 30));
  failing->OnClick = [](TObject*) { throw Exception("query failed"); };
  auto* ok = ResultButton(dialog.get(), Rect(10, 50, 60, 70), mrOk);
  ui.Later([&] {
    ui.Click(failing, {5, 5});
    ui.Click(ok, {5, 5});
  });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"query failed"}));
  dialog->Show();
  EXPECT_THROW(dialog->ShowModal(), EInvalidOperation);
}

TEST(Closing, OnCloseChoosesBetweenHidingKeepingAndFreeing) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(0, 0, 200, 200)));
  TCloseAction action = caNone;
  form->OnClose = [&](TObject*, TCloseAction& a) { a = action; };
  form->Show();
  form->Close();
  EXPECT_TRUE(form->Visible());
  action = caHide;
  form->Close();
  EXPECT_FALSE(form->Visible());
  // The title-bar close arrives as WM_SYSCOMMAND and closes the same way.
  auto* freed = NewForm(Rect(0, 0, 200, 200));
  freed->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
  freed->Show();
  const TDestroyWatch watch(freed);
  HostCloseWindow(freed->WindowHandle());
  ui.Process();
  EXPECT_TRUE(watch.Gone());
}

TEST(Placement, FormsCentreOnTheScreenOrTheirOwnerAndDefaultOnesCascade) {
  test::UiDriver ui;
  std::unique_ptr<TForm> owner(NewForm(Rect(100, 100, 500, 400)));
  owner->SetPosition(poScreenCenter);
  owner->Show();
  EXPECT_EQ(owner->BoundsRect(), Rect(312, 234, 712, 534));  // (1024 - 400) / 2, (768 - 300) / 2
  auto* child = new TForm(owner.get());
  child->SetBounds(0, 0, 100, 50);
  child->SetPosition(poOwnerFormCenter);
  child->Show();
  EXPECT_EQ(child->BoundsRect(), Rect(462, 359, 562, 409));
  std::unique_ptr<TForm> first(NewForm(Rect(500, 500, 600, 600)));
  std::unique_ptr<TForm> second(NewForm(Rect(500, 500, 600, 600)));
  first->SetPosition(poDefaultPosOnly);
  second->SetPosition(poDefaultPosOnly);
  first->Show();
  second->Show();
  EXPECT_EQ(second->Left() - first->Left(), GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME));
  EXPECT_EQ(second->Width(), 100);
}

TEST(Placement, AMaximizedFormFillsItsMonitorsWorkAreaAndKeepsItsNormalRectangle) {
  test::UiDriver ui;
  const TRect second = Rect(1280, 0, 2304, 738);
  HeadlessHost().SetMonitors({{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984)}, {Rect(1280, 0, 2304, 768), second}});
  const TRect normal = Rect(1400, 100, 1700, 300);
  std::unique_ptr<TForm> form(NewForm(normal));
  form->SetWindowState(wsMaximized);  // no window yet: taken when shown
  EXPECT_FALSE(form->HandleAllocated());
  form->Show();
  ui.Process();
  EXPECT_EQ(form->BoundsRect(), second);
  WINDOWPLACEMENT placement;
  ASSERT_TRUE(GetWindowPlacement(form->WindowHandle(), placement));
  EXPECT_EQ(placement.showCmd, SW_SHOWMAXIMIZED);
  EXPECT_EQ(placement.rcNormalPosition, normal);

  // A new normal rectangle for a maximized window waits for the restore.
  placement.rcNormalPosition = Rect(1300, 50, 1500, 150);
  ASSERT_TRUE(SetWindowPlacement(form->WindowHandle(), placement));
  EXPECT_EQ(form->BoundsRect(), second);
  form->SetWindowState(wsNormal);
  EXPECT_EQ(form->BoundsRect(), Rect(1300, 50, 1500, 150));
  EXPECT_FALSE(IsZoomed(form->WindowHandle()));
  GetWindowPlacement(form->WindowHandle(), placement);
  EXPECT_EQ(placement.showCmd, SW_SHOWNORMAL);
  EXPECT_EQ(placement.rcNormalPosition, Rect(1300, 50, 1500, 150));

  // Placement never shows or hides; a hidden form is shown with the state it was given.
  form->Hide();
  placement.showCmd = SW_SHOWMAXIMIZED;
  SetWindowPlacement(form->WindowHandle(), placement);
  EXPECT_TRUE(IsZoomed(form->WindowHandle()));
  EXPECT_FALSE(IsWindowVisible(form->WindowHandle()));
  form->SetWindowState(wsMinimized);
  EXPECT_EQ(form->WindowState(), wsMinimized);
  EXPECT_FALSE(IsWindowVisible(form->WindowHandle()));
  EXPECT_EQ(form->BoundsRect(), second);
  form->SetWindowState(wsNormal);
  form->Show();
  ui.Process();
  EXPECT_TRUE(IsWindowVisible(form->WindowHandle()));
  EXPECT_EQ(form->BoundsRect(), Rect(1300, 50, 1500, 150));
}

TEST(Placement, AMinimizedFormLeavesTheScreenAndComesBackAsItWas) {
  enum class TBy { WindowState, Desktop, CloseAction };
  for (const auto& [by, shownAs] : {std::pair{TBy::WindowState, wsNormal}, std::pair{TBy::Desktop, wsMaximized},
                                    std::pair{TBy::CloseAction, wsNormal}}) {
    SCOPED_TRACE(static_cast<int>(by));
    test::UiDriver ui;
    std::unique_ptr<TForm> behind(NewForm(Rect(0, 0, 600, 400)));
    auto* behindEdit = new TEdit(behind.get());
    behindEdit->SetParent(behind.get());
    behindEdit->SetBounds(300, 300, 100, 21);
    int behindClicks = 0;
    behind->OnClick = [&](TObject*) { ++behindClicks; };
    std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
    form->SetWindowState(shownAs);
    form->OnClose = [](TObject*, TCloseAction& action) { action = caMinimize; };
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    behind->Show();
    form->Show();
    const HWND wnd = form->WindowHandle();
    const TRect bounds = form->BoundsRect();
    const TPoint inside{bounds.left + 60, bounds.top + 80};  // over the form behind as well

    if (by == TBy::WindowState) form->SetWindowState(wsMinimized);
    if (by == TBy::Desktop) {
      EXPECT_TRUE(HostMinimizeWindow(wnd, true));
    }
    if (by == TBy::CloseAction) form->Close();
    ui.Process();
    EXPECT_EQ(form->WindowState(), wsMinimized);
    EXPECT_TRUE(IsIconic(wnd) && form->Visible());
    EXPECT_EQ(form->BoundsRect(), bounds);
    // The activation and the focus went to the form behind, and so does the mouse, even
    // with the minimized form on top of it.
    EXPECT_EQ(GetActiveWindow(), behind->WindowHandle());
    EXPECT_TRUE(behindEdit->Focused());
    SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ui.ClickAtScreen(inside);
    EXPECT_EQ(behindClicks, 1);

    if (by == TBy::WindowState) {
      form->SetWindowState(shownAs);
    } else {
      EXPECT_TRUE(HostMinimizeWindow(wnd, false));
    }
    ui.Process();
    EXPECT_EQ(form->WindowState(), shownAs);
    EXPECT_EQ(form->BoundsRect(), bounds);
    EXPECT_EQ(WindowFromPoint(inside), wnd);
    EXPECT_TRUE(edit->Focused());  // the form is the one in use again
  }
}

TEST(ScreenObject, KnowsTheFormsTheActiveOneAndTheMonitors) {
  test::UiDriver ui;
  HeadlessHost().SetMonitors({{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984)},
                              {Rect(1280, 0, 2304, 768), Rect(1280, 0, 2304, 738)}});
  std::unique_ptr<TForm> a(NewForm(Rect(0, 0, 100, 100)));
  std::unique_ptr<TForm> b(NewForm(Rect(1300, 0, 1400, 100)));
  a->Show();
  b->Show();
  EXPECT_EQ(Screen->ActiveForm(), b.get());
  EXPECT_EQ(Screen->CustomForms(0), b.get());
  EXPECT_EQ(Screen->FormCount(), 2);
  EXPECT_EQ(Screen->MonitorCount(), 2);
  EXPECT_EQ(Screen->MonitorFromWindow(b->WindowHandle())->MonitorNum(), 1);
  EXPECT_EQ(Screen->MonitorFromPoint({5000, 10})->WorkareaRect(), Rect(1280, 0, 2304, 738));
  EXPECT_TRUE(Screen->Monitors(0)->Primary());
  EXPECT_EQ(Screen->DesktopRect(), Rect(0, 0, 2304, 1024));
  b.reset();
  EXPECT_EQ(Screen->FormCount(), 1);
  EXPECT_EQ(Screen->ActiveForm(), a.get());
}

}  // namespace
}  // namespace ordvane
