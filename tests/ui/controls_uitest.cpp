// Controls: mouse events and their order, windowless children, the mouse entering and
// leaving, the wheel, inherited looks, alignment, context menus, handles, and controls
// that fail or destroy themselves in their own handlers.

#include <gtest/gtest.h>

#include <memory>

#include "classlib/ui/Cursors.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using test::MessageLog;
using test::NewForm;
using test::TDot;
using test::TProbe;

std::string Shift(TShiftState s) {
  std::string out;
  const char* names[] = {"Shift", "Alt", "Ctrl", "Left", "Right", "Middle", "Double"};
  for (int i = 0; i <= ssDouble; ++i)
    if (s.Contains(static_cast<TShiftStateItem>(i))) out += std::string(out.empty() ? "" : "+") + names[i];
  return out;
}

std::string MouseEvent(const char* what, TMouseButton button, TShiftState shift, int x, int y) {
  return std::string(button == mbLeft ? "" : "r") + what + " " + std::to_string(x) + "," + std::to_string(y) +
         " " + Shift(shift);
}

// Logs a control's mouse events as "<event> <x>,<y> <shift>".
void LogMouse(TControl* control, std::vector<std::string>& events) {
  control->OnMouseDown = [&events](TObject*, TMouseButton b, TShiftState s, int x, int y) {
    events.push_back(MouseEvent("down", b, s, x, y));
  };
  control->OnMouseUp = [&events](TObject*, TMouseButton b, TShiftState s, int x, int y) {
    events.push_back(MouseEvent("up", b, s, x, y));
  };
  control->OnClick = [&events](TObject*) { events.push_back("click"); };
  control->OnDblClick = [&events](TObject*) { events.push_back("dblclick"); };
}

TEST(Mouse, PressAndReleaseMakeAClickOnlyWhenTheyEndInsideAndTwoQuickOnesADoubleClick) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  auto* probe = new TProbe(form.get(), form.get(), Rect(10, 10, 110, 60));
  std::vector<std::string> events;
  LogMouse(probe, events);
  form->Show();
  ui.Process();
  ui.KeyDown(VK_CONTROL);
  ui.Click(probe, {5, 6});
  ui.KeyUp(VK_CONTROL);
  ui.Advance(1000);
  ui.Press(probe, {5, 6});
  ui.Release(probe, {150, 6});  // released outside: the capture still brings the release
  ui.Advance(1000);
  ui.DoubleClick(probe, {7, 7});
  EXPECT_EQ(events, (std::vector<std::string>{"down 5,6 Ctrl+Left", "click", "up 5,6 Ctrl", "down 5,6 Left",
                                              "up 150,6 ", "down 7,7 Left", "click", "up 7,7 ", "dblclick",
                                              "down 7,7 Left+Double", "up 7,7 "}));
  // Without csDoubleClicks a second quick press is an ordinary one.
  probe->SetControlStyle(probe->ControlStyle() - TControlStyle{csDoubleClicks});
  events.clear();
  ui.Advance(1000);
  ui.DoubleClick(probe, {7, 7});
  EXPECT_EQ(events, (std::vector<std::string>{"down 7,7 Left", "click", "up 7,7 ", "down 7,7 Left", "click",
                                              "up 7,7 "}));
}

TEST(Mouse, AWindowlessControlGetsTheMouseFromItsParentAndKeepsItWhileCaptured) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  auto* dot = new TDot(form.get(), form.get(), Rect(50, 40, 70, 60));
  std::vector<std::string> events;
  LogMouse(dot, events);
  std::vector<std::string> moves;
  dot->OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
    moves.push_back(std::to_string(x) + "," + std::to_string(y));
  };
  int formClicks = 0;
  form->OnClick = [&](TObject*) { ++formClicks; };
  form->Show();
  ui.Process();
  EXPECT_EQ(ui.Pixel(form.get(), {55, 45}), ColorToRGB(clBlue));
  ui.Press(form.get(), {55, 45});
  ui.MoveTo(form.get(), {90, 100});
  ui.Release(form.get(), {90, 100});
  EXPECT_EQ(events, (std::vector<std::string>{"down 5,5 Left", "up 40,60 "}));
  EXPECT_EQ(moves, (std::vector<std::string>{"5,5", "40,60"}));
  dot->SetEnabled(false);
  ui.Advance(1000);
  ui.Click(form.get(), {55, 45});
  EXPECT_EQ(formClicks, 1);
}

TEST(Mouse, EnteringAndLeavingAreToldToTheControlAndItsParents) {
  test::UiDriver ui;
  MessageLog log;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  auto* panel = new TProbe(form.get(), form.get(), Rect(10, 10, 110, 110), &log, "panel");
  auto* inner = new TProbe(form.get(), panel, Rect(10, 10, 40, 40), &log, "inner");
  panel->logged = inner->logged = {CM_MOUSEENTER, CM_MOUSELEAVE};
  form->Show();
  ui.Process();
  ui.MoveTo(form.get(), {200, 150});
  ui.MoveTo(panel, {50, 50});
  ui.MoveTo(inner, {5, 5});
  ui.MoveTo(inner, {6, 5});
  ui.MoveTo(panel, {80, 80});
  EXPECT_EQ(log, (MessageLog{"panel CM_MOUSEENTER", "panel CM_MOUSELEAVE", "inner CM_MOUSEENTER",
                             "panel CM_MOUSEENTER of inner", "inner CM_MOUSELEAVE",
                             "panel CM_MOUSELEAVE of inner", "panel CM_MOUSEENTER"}));
}

TEST(Mouse, TheWheelGoesToTheFocusedControlAndBubblesToItsParentsUnhandled) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  auto* panel = new TProbe(form.get(), form.get(), Rect(10, 10, 200, 200));
  auto* list = new TProbe(form.get(), panel, Rect(10, 10, 100, 100));
  auto* other = new TProbe(form.get(), form.get(), Rect(250, 10, 290, 50));
  std::vector<std::string> events;
  bool listHandles = false;
  list->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& handled) {
    events.push_back("list down");
    handled = listHandles;
  };
  list->OnMouseWheelUp = [&](TObject*, TShiftState, TPoint, bool& handled) {
    events.push_back("list up");
    handled = true;
  };
  panel->OnMouseWheel = [&](TObject*, TShiftState, int delta, TPoint pos, bool& handled) {
    events.push_back("panel " + std::to_string(delta) + " at " + std::to_string(pos.x) + "," +
                     std::to_string(pos.y));
    handled = true;
  };
  form->Show();
  form->SetActiveControl(list);
  ui.MoveTo(other, {5, 5});  // the wheel follows the focus, not the pointer
  ui.Wheel(-1);
  listHandles = true;
  ui.Wheel(-1);
  // Half notches add up.
  HostMouseWheel(60, ui.ScreenPoint(other, {5, 5}));
  ui.Process();
  HostMouseWheel(60, ui.ScreenPoint(other, {5, 5}));
  ui.Process();
  // A half notch is not a step of the list, so the panel sees it; the next one completes it.
  EXPECT_EQ(events, (std::vector<std::string>{"list down", "panel -120 at 355,115", "list down",
                                              "panel 60 at 355,115", "list up"}));
}

TEST(Look, FontColourAndHintsFollowTheParentUntilTheControlSetsItsOwn) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(0, 0, 300, 200)));
  auto* probe = new TProbe(form.get(), form.get(), Rect(0, 0, 10, 10));
  form->Font()->SetSize(14);
  form->SetColor(clYellow);
  form->SetShowHint(true);
  EXPECT_EQ(probe->Font()->Size(), 14);
  EXPECT_EQ(probe->Color(), clYellow);
  EXPECT_TRUE(probe->ShowHint());
  probe->Font()->SetStyle({fsBold});
  EXPECT_FALSE(probe->ParentFont());
  form->Font()->SetSize(20);
  EXPECT_EQ(probe->Font()->Size(), 14);
  probe->SetParentFont(true);
  EXPECT_EQ(probe->Font()->Size(), 20);
  EXPECT_TRUE(probe->ParentFont());
  probe->SetColor(clRed);
  form->SetColor(clLime);
  EXPECT_EQ(probe->Color(), clRed);
  // A change of the system colours reaches every control as CM_SYSCOLORCHANGE.
  MessageLog log;
  auto* inner = new TProbe(form.get(), probe, Rect(0, 0, 5, 5), &log, "inner");
  inner->logged = {CM_SYSCOLORCHANGE};
  form->Show();
  HostSysColorsChanged();
  EXPECT_EQ(log, (MessageLog{"inner CM_SYSCOLORCHANGE"}));
}

TEST(Layout, AlignedChildrenShareTheClientAreaAndFollowItsSize) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(0, 0, 300, 200)));
  auto* panel = new TProbe(form.get(), form.get(), Rect(0, 0, 200, 100));
  auto* top = new TProbe(form.get(), panel, Rect(0, 0, 10, 20));
  auto* bottom = new TProbe(form.get(), panel, Rect(0, 0, 10, 10));
  auto* left = new TProbe(form.get(), panel, Rect(0, 0, 30, 10));
  auto* rest = new TProbe(form.get(), panel, Rect(0, 0, 10, 10));
  top->SetAlign(alTop);
  bottom->SetAlign(alBottom);
  left->SetAlign(alLeft);
  rest->SetAlign(alClient);
  form->Show();
  ui.Process();
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 200, 20));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 90, 200, 100));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 20, 30, 90));
  EXPECT_EQ(rest->BoundsRect(), Rect(30, 20, 200, 90));
  panel->SetBounds(0, 0, 250, 150);
  EXPECT_EQ(rest->BoundsRect(), Rect(30, 20, 250, 140));
  left->Hide();
  EXPECT_EQ(rest->BoundsRect(), Rect(0, 20, 250, 140));
}

class TTestMenu : public TPopupMenu {
 public:
  using TPopupMenu::TPopupMenu;
  void Popup(int x, int y) override { shownAt.push_back({x, y}); }
  std::vector<TPoint> shownAt;
};

TEST(ContextMenu, ARightClickOrTheMenuKeyShowsTheControlsMenuUnlessTheEventHandlesIt) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  auto* probe = new TProbe(form.get(), form.get(), Rect(10, 20, 110, 120));
  auto* menu = new TTestMenu(form.get());
  probe->SetPopupMenu(menu);
  bool handle = true;
  std::vector<TPoint> asked;
  probe->OnContextPopup = [&](TObject*, TPoint p, bool& handled) {
    asked.push_back(p);
    handled = handle;
  };
  form->Show();
  form->SetActiveControl(probe);
  ui.Click(probe, {30, 40}, THostButton::Right);
  handle = false;
  ui.Click(probe, {30, 40}, THostButton::Right);
  ui.Press(VK_APPS);
  EXPECT_EQ(asked, (std::vector<TPoint>{{30, 40}, {30, 40}, {-1, -1}}));
  EXPECT_EQ(menu->shownAt, (std::vector<TPoint>{{140, 160}, {110, 120}}));
  EXPECT_EQ(menu->PopupComponent(), probe);
  delete menu;
  EXPECT_EQ(probe->PopupMenu(), nullptr);
}

TEST(Handles, WindowsAppearWithTheFormAndARecreatedOneKeepsTheFocusQuietly) {
  test::UiDriver ui;
  MessageLog log;
  std::unique_ptr<TForm> form(NewForm(Rect(0, 0, 300, 200)));
  auto* probe = new TProbe(form.get(), form.get(), Rect(0, 0, 50, 50), &log);
  EXPECT_FALSE(probe->HandleAllocated());
  form->Show();
  EXPECT_TRUE(probe->HandleAllocated());
  EXPECT_TRUE(probe->Focused());
  log.clear();
  const HWND before = probe->WindowHandle();
  probe->RecreateWnd();
  EXPECT_NE(probe->WindowHandle(), before);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_TRUE(probe->Focused());
  EXPECT_EQ(log, MessageLog{});
  form->Hide();
  EXPECT_FALSE(IsWindowVisible(probe->WindowHandle()));
}

TEST(Canvas, AControlDrawsOnItsWindowOutsidePaintingToo) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  auto* probe = new TProbe(form.get(), form.get(), Rect(10, 10, 110, 110));
  form->Show();
  ui.Process();
  const TColorRef before = ui.Pixel(probe, {20, 20});
  TCanvas* canvas = probe->Canvas();
  canvas->Pen()->SetMode(pmXor);
  canvas->Pen()->SetColor(clWhite);
  canvas->MoveTo(0, 20);
  canvas->LineTo(100, 20);
  EXPECT_EQ(ui.Pixel(probe, {20, 20}), before ^ 0xFFFFFF);
  canvas->MoveTo(0, 20);
  canvas->LineTo(100, 20);
  EXPECT_EQ(ui.Pixel(probe, {20, 20}), before);

  // A windowless control draws on its parent's window, also once that window was made
  // again; a control not shown yet gets its window when its canvas is first used.
  auto* dot = new TDot(form.get(), form.get(), Rect(200, 10, 220, 30));
  ui.Process();
  dot->Canvas()->Brush()->SetColor(clLime);
  dot->Canvas()->FillRect(Rect(0, 0, 5, 5));
  EXPECT_EQ(ui.Pixel(form.get(), {202, 12}), ColorToRGB(clLime));
  form->RecreateWnd();
  ui.Process();
  dot->Canvas()->Brush()->SetColor(clRed);
  dot->Canvas()->FillRect(Rect(0, 0, 5, 5));
  EXPECT_EQ(ui.Pixel(form.get(), {202, 12}), ColorToRGB(clRed));
  EXPECT_EQ(ui.Pixel(form.get(), {207, 17}), ColorToRGB(clBlue));
  auto* hidden = new TProbe(form.get(), form.get(), Rect(300, 10, 350, 30));
  hidden->Hide();
  EXPECT_GT(hidden->Canvas()->TextWidth("Width"), 0);
  EXPECT_TRUE(hidden->HandleAllocated());
}

TEST(Capture, ACapturingControlCancelsItsModeWhenAnotherTakesTheMouse) {
  test::UiDriver ui;
  MessageLog log;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  auto* a = new TProbe(form.get(), form.get(), Rect(10, 10, 60, 60), &log, "a");
  auto* b = new TProbe(form.get(), form.get(), Rect(100, 10, 150, 60), &log, "b");
  a->logged = b->logged = {CM_CANCELMODE, WM_CANCELMODE};
  form->Show();
  form->SetActiveControl(b);
  log.clear();
  ui.Press(a, {5, 5});  // a press elsewhere tells the active control first
  EXPECT_TRUE(a->MouseCapture());
  b->SetMouseCapture(true);
  EXPECT_FALSE(a->MouseCapture());
  EXPECT_EQ(log, (MessageLog{"b CM_CANCELMODE", "a WM_CANCELMODE"}));
  ui.Release(a, {5, 5});
}

TEST(Cursors, TheControlUnderThePointerChoosesTheCursorUnlessTheScreenOverridesIt) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  auto* probe = new TProbe(form.get(), form.get(), Rect(10, 10, 60, 60));
  auto* dot = new TDot(form.get(), form.get(), Rect(100, 100, 120, 120));
  probe->SetCursor(crIBeam);
  dot->SetCursor(crCross);
  form->Show();
  ui.MoveTo(probe, {5, 5});
  EXPECT_EQ(ui.Cursor(), Screen->Cursors(crIBeam));
  ui.MoveTo(form.get(), {110, 110});
  EXPECT_EQ(ui.Cursor(), Screen->Cursors(crCross));
  ui.MoveTo(form.get(), {200, 150});
  EXPECT_EQ(ui.Cursor(), LoadStandardCursor(crArrow));
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(ui.Cursor(), Screen->Cursors(crHourGlass));
  ui.MoveTo(probe, {6, 6});
  EXPECT_EQ(ui.Cursor(), Screen->Cursors(crHourGlass));
  Screen->SetCursor(crDefault);
  EXPECT_EQ(ui.Cursor(), Screen->Cursors(crIBeam));
}

TEST(Failures, AnExceptionInAHandlerIsReportedAndTheLoopGoesOn) {
  test::UiDriver ui;
  test::ReportedErrors errors;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  auto* probe = new TProbe(form.get(), form.get(), Rect(10, 10, 60, 60));
  int clicks = 0;
  probe->OnClick = [&](TObject*) {
    if (++clicks == 1) throw EConvertError("not a number");
  };
  probe->OnKeyDown = [](TObject*, Word& key, TShiftState) {
    if (key == VK_F5) throw Exception("refresh failed");
  };
  form->Show();
  ui.Click(probe, {5, 5});
  ui.Advance(1000);
  ui.Click(probe, {5, 5});
  ui.Press(VK_F5);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"not a number", "refresh failed"}));
}

class TFailingPainter : public TProbe {
 public:
  using TProbe::TProbe;
  int attempts = 0;

 protected:
  void Paint() override {
    ++attempts;
    throw Exception("cannot paint");
  }
};

TEST(Failures, APaintThatFailsIsReportedOnceAndNotRetriedForEver) {
  test::UiDriver ui;
  test::ReportedErrors errors;
  std::unique_ptr<TForm> form(NewForm(Rect(100, 100, 400, 300)));
  auto* painter = new TFailingPainter(form.get(), form.get(), Rect(10, 10, 60, 60));
  form->Show();
  ui.Process();
  EXPECT_EQ(painter->attempts, 1);
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"cannot paint"}));
}

TEST(Destruction, ControlsAndFormsMayBeDestroyedInsideTheirOwnHandlers) {
  test::UiDriver ui;
  auto* form = NewForm(Rect(100, 100, 400, 300));
  auto* button = new TProbe(form, form, Rect(10, 10, 60, 60));
  auto* dot = new TDot(form, form, Rect(100, 10, 120, 30));
  auto* edit = new TProbe(form, form, Rect(200, 10, 250, 30));
  button->OnClick = [button](TObject*) { delete button; };
  dot->OnMouseDown = [dot](TObject*, TMouseButton, TShiftState, int, int) { delete dot; };
  edit->OnKeyDown = [edit](TObject*, Word&, TShiftState) { delete edit; };
  form->Show();
  ui.Click(button, {5, 5});
  EXPECT_EQ(form->ControlCount(), 2);
  ui.Advance(1000);
  ui.Click(form, {105, 15});
  EXPECT_EQ(form->ControlCount(), 1);
  form->SetActiveControl(edit);
  ui.Press('A');
  EXPECT_EQ(form->ControlCount(), 0);
  EXPECT_EQ(GetFocus(), form->WindowHandle());
  form->OnMouseDown = [form](TObject*, TMouseButton, TShiftState, int, int) { delete form; };
  const TDestroyWatch watch(form);
  ui.Advance(1000);
  ui.Click(form, {5, 5});
  EXPECT_TRUE(watch.Gone());
  ui.Press('B');  // nothing has the focus any more, and nothing breaks
}

}  // namespace
}  // namespace ordvane
