// The translation of the user's input into window messages: which window gets what, in
// which order, double clicks, the capture, the keyboard and its characters.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/MessageQueue.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/WindowTestSupport.h"

namespace ordvane {
namespace {

using test::MessageLog;
using test::RawWindow;

// Only a lack of memory can fail this, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
const std::vector<UINT> kMouseAndActivation = {
    WM_NCHITTEST,     WM_SETCURSOR,      WM_MOUSEACTIVATE, WM_NCACTIVATE,    WM_ACTIVATE,
    WM_SETFOCUS,      WM_KILLFOCUS,      WM_MOUSEMOVE,     WM_LBUTTONDOWN,   WM_LBUTTONUP,
    WM_LBUTTONDBLCLK, WM_CAPTURECHANGED, WM_CANCELMODE,    WM_NCLBUTTONDOWN, WM_NCLBUTTONDBLCLK};

TEST(MouseInput, AClickOnAnInactiveWindowGoesThroughHitTestActivationCursorAndThenTheButton) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow other("other", log, test::TopLevel(500, 100, 100, 100), kMouseAndActivation);
  RawWindow top("top", log, test::TopLevel(100, 100, 200, 150), kMouseAndActivation);
  RawWindow child("child", log, test::Child(top.Wnd(), 20, 20, 100, 60), kMouseAndActivation);
  SetActiveWindow(other.Wnd());
  ASSERT_EQ(GetFocus(), other.Wnd());
  log.clear();

  ui.MoveToScreen({130, 130});
  EXPECT_EQ(log, (MessageLog{"child WM_NCHITTEST", "child WM_SETCURSOR", "top WM_SETCURSOR",
                             "child WM_MOUSEMOVE"}));
  log.clear();

  ui.PressAtScreen({130, 130});
  EXPECT_EQ(log, (MessageLog{"child WM_NCHITTEST", "child WM_MOUSEACTIVATE", "top WM_MOUSEACTIVATE",
                             "other WM_NCACTIVATE", "other WM_ACTIVATE", "top WM_NCACTIVATE",
                             "top WM_ACTIVATE", "other WM_KILLFOCUS", "top WM_SETFOCUS", "child WM_SETCURSOR",
                             "top WM_SETCURSOR", "child WM_LBUTTONDOWN"}));
  EXPECT_EQ(GetActiveWindow(), top.Wnd());
  log.clear();

  ui.ReleaseAtScreen({130, 130});
  EXPECT_EQ(log, (MessageLog{"child WM_NCHITTEST", "child WM_LBUTTONUP"}));
}

TEST(MouseInput, MouseMessagesCarryClientPointsAndTheButtonsAndKeysHeld) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(100, 100, 200, 150, WS_POPUP | WS_VISIBLE | WS_BORDER));
  std::vector<std::pair<WPARAM, TPoint>> moves;
  top.handler = [&](TMessage& m) {
    if (m.Msg == WM_MOUSEMOVE || m.Msg == WM_LBUTTONDOWN)
      moves.emplace_back(m.WParam, PointFromLParam(m.LParam));
    return false;
  };
  ui.KeyDown(VK_SHIFT);
  ui.MoveToScreen({111, 121});
  ui.PressAtScreen({111, 121});
  ui.MoveToScreen({90, 95});  // outside, no capture: nothing for the window
  ui.KeyUp(VK_SHIFT);
  ASSERT_EQ(moves.size(), 2u);
  // The one-pixel border puts the client area at (101, 101).
  EXPECT_EQ(moves[0].second, (TPoint{10, 20}));
  EXPECT_EQ(moves[0].first, MK_SHIFT);
  EXPECT_EQ(moves[1].first, MK_SHIFT | MK_LBUTTON);
  ui.ReleaseAtScreen({90, 95});
}

struct ClickCase {
  UInt64 pause;
  int dx;
  int dy;
  bool isDouble;
};

TEST(MouseInput, ASecondPressSoonAndNearEnoughOnADoubleClickWindowIsADoubleClick) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("w", log, test::TopLevel(100, 100, 200, 150), {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
  // The double-click time is 500 ms and the box 4 x 4 pixels around the first press.
  const ClickCase cases[] = {{0, 0, 0, true},    {500, 0, 0, true},   {501, 0, 0, false}, {100, 2, 2, true},
                             {100, 3, 0, false}, {100, 0, -3, false}, {100, -2, 0, true}};
  for (const ClickCase& c : cases) {
    ui.Advance(1000);
    log.clear();
    ui.ClickAtScreen({150, 150});
    ui.Advance(c.pause);
    ui.ClickAtScreen({150 + c.dx, 150 + c.dy});
    EXPECT_EQ(log, (MessageLog{"w WM_LBUTTONDOWN", c.isDouble ? "w WM_LBUTTONDBLCLK" : "w WM_LBUTTONDOWN"}))
        << "pause " << c.pause << ", moved " << c.dx << "," << c.dy;
  }
  // After a double click the next press starts afresh.
  ui.Advance(1000);
  log.clear();
  ui.ClickAtScreen({150, 150});
  ui.ClickAtScreen({150, 150});
  ui.ClickAtScreen({150, 150});
  EXPECT_EQ(log, (MessageLog{"w WM_LBUTTONDOWN", "w WM_LBUTTONDBLCLK", "w WM_LBUTTONDOWN"}));
}

TEST(MouseInput, DoubleClicksNeedTheClassStyleInTheClientAreaButNotOnTheFrame) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow plain("plain", log, test::TopLevel(100, 100, 200, 150, WS_POPUP | WS_VISIBLE | WS_THICKFRAME, 0),
                  {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_NCLBUTTONDOWN, WM_NCLBUTTONDBLCLK});
  RawWindow other("other", log, test::TopLevel(400, 100, 100, 100), {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
  ui.ClickAtScreen({150, 150});
  ui.ClickAtScreen({150, 150});
  ui.ClickAtScreen({101, 150});  // the sizing frame
  ui.ClickAtScreen({101, 150});
  EXPECT_EQ(log, (MessageLog{"plain WM_LBUTTONDOWN", "plain WM_LBUTTONDOWN", "plain WM_NCLBUTTONDOWN",
                             "plain WM_NCLBUTTONDBLCLK"}));
  // Presses on two windows are never a double click, however close in time.
  log.clear();
  ui.ClickAtScreen({450, 150});
  ui.ClickAtScreen({150, 150});
  ui.ClickAtScreen({450, 150});
  EXPECT_EQ(log, (MessageLog{"other WM_LBUTTONDOWN", "plain WM_LBUTTONDOWN", "other WM_LBUTTONDOWN"}));
}

TEST(MouseInput, TheCaptureWindowGetsEveryMouseMessageAndIsToldWhenTheCaptureMoves) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(100, 100, 300, 200), kMouseAndActivation);
  RawWindow a("a", log, test::Child(top.Wnd(), 0, 0, 50, 50), kMouseAndActivation);
  RawWindow b("b", log, test::Child(top.Wnd(), 100, 0, 50, 50), kMouseAndActivation);
  std::vector<LPARAM> changes;
  TPoint lastMove;
  a.handler = [&](TMessage& m) {
    if (m.Msg == WM_CAPTURECHANGED) changes.push_back(m.LParam);
    if (m.Msg == WM_MOUSEMOVE) lastMove = PointFromLParam(m.LParam);
    return false;
  };
  SetCapture(a.Wnd());
  log.clear();
  ui.MoveToScreen({260, 180});  // over the top window, far from a
  ui.PressAtScreen({260, 180});
  EXPECT_EQ(log, (MessageLog{"a WM_MOUSEMOVE", "a WM_LBUTTONDOWN"}));
  EXPECT_EQ(lastMove, (TPoint{160, 80}));

  log.clear();
  EXPECT_EQ(SetCapture(b.Wnd()), a.Wnd());
  EXPECT_EQ(changes, (std::vector<LPARAM>{static_cast<LPARAM>(b.Wnd())}));
  // Disabling the capture window cancels its mode and takes the capture away.
  EnableWindow(b.Wnd(), false);
  EXPECT_EQ(GetCapture(), 0u);
  EXPECT_EQ(log, (MessageLog{"a WM_CAPTURECHANGED", "b WM_CANCELMODE", "b WM_CAPTURECHANGED"}));
  ui.ReleaseAtScreen({260, 180});
}

TEST(MouseInput, TransparentHitsPassToTheWindowBelowAndDisabledWindowsGetNothing) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow below("below", log, test::TopLevel(100, 100, 200, 200), {WM_LBUTTONDOWN});
  RawWindow glass("glass", log, test::TopLevel(150, 150, 50, 50), {WM_LBUTTONDOWN});
  glass.handler = [](TMessage& m) {
    if (m.Msg != WM_NCHITTEST) return false;
    m.Result = HTTRANSPARENT;
    return true;
  };
  RawWindow child("child", log, test::Child(below.Wnd(), 0, 0, 40, 40), {WM_LBUTTONDOWN});
  ui.ClickAtScreen({160, 160});
  EnableWindow(child.Wnd(), false);
  ui.ClickAtScreen({110, 110});  // a disabled child: its parent has the point
  EXPECT_EQ(log, (MessageLog{"below WM_LBUTTONDOWN", "below WM_LBUTTONDOWN"}));
  log.clear();
  const int beeps = ui.Beeps();
  EnableWindow(below.Wnd(), false);
  ui.ClickAtScreen({110, 110});
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(ui.Beeps(), beeps + 1);
}

TEST(MouseInput, MouseActivateAnswersDecideActivationAndWhetherTheClickIsEaten) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow owner("owner", log, test::TopLevel(100, 100, 200, 200), {WM_LBUTTONDOWN});
  RawWindow popup("popup", log, test::TopLevel(400, 100, 100, 100), {WM_LBUTTONDOWN});
  LRESULT answer = MA_NOACTIVATE;
  popup.handler = [&](TMessage& m) {
    if (m.Msg != WM_MOUSEACTIVATE) return false;
    m.Result = answer;
    return true;
  };
  SetActiveWindow(owner.Wnd());
  ui.ClickAtScreen({450, 150});
  EXPECT_EQ(GetActiveWindow(), owner.Wnd());
  answer = MA_ACTIVATEANDEAT;
  ui.ClickAtScreen({450, 150});
  EXPECT_EQ(GetActiveWindow(), popup.Wnd());
  EXPECT_EQ(log, (MessageLog{"popup WM_LBUTTONDOWN"}));
}

// A message loop of its own, so that a plain window's key presses are translated.
void PumpWithTranslation() {
  TMsg msg;
  while (PeekMessage(msg, 0, 0, 0, PM_REMOVE)) {
    TranslateMessage(msg);
    DispatchMessage(msg);
  }
}

TEST(KeyboardInput, KeysGoToTheFocusAndTypeTheirTextInTheAnsiCodePage) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(100, 100, 200, 150));
  RawWindow edit("edit", log, test::Child(top.Wnd(), 0, 0, 50, 20),
                 {WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSCHAR});
  std::vector<std::pair<UINT, WPARAM>> keys;
  std::vector<LPARAM> data;
  SmallInt shiftWhileHandled = 0;
  edit.handler = [&](TMessage& m) {
    if (m.Msg < WM_KEYFIRST || m.Msg > WM_KEYLAST) return false;
    keys.emplace_back(m.Msg, m.WParam);
    data.push_back(m.LParam);
    if (m.Msg == WM_KEYDOWN && m.WParam == 'Q') shiftWhileHandled = GetKeyState(VK_SHIFT);
    return false;
  };
  SetFocus(edit.Wnd());
  HostKey(VK_LSHIFT, true);
  HostKey('Q', true, u"Q");
  PumpWithTranslation();
  HostKey('Q', false);
  HostKey(VK_LSHIFT, false);
  // A Cyrillic letter without a key of its own: one WM_CHAR with its Windows-1251 byte.
  HostKey(VK_PACKET, true, Utf8Decode("Ж"));
  HostKey(VK_PACKET, false);
  PumpWithTranslation();
  EXPECT_LT(shiftWhileHandled, 0);
  const std::vector<std::pair<UINT, WPARAM>> expected = {
      {WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, 'Q'},       {WM_CHAR, 'Q'},  {WM_KEYUP, 'Q'},
      {WM_KEYUP, VK_SHIFT},   {WM_KEYDOWN, VK_PACKET}, {WM_CHAR, 0xC6}, {WM_KEYUP, VK_PACKET}};
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(static_cast<Byte>(Utf8ToAnsi("Ж")[0]), 0xC6);
  // Key down: repeat count 1 and no transition bits; key up: previous state and transition.
  EXPECT_EQ(data[1] & 0xFFFF, 1);
  EXPECT_EQ(data[1] & 0xC0000000, 0);
  EXPECT_EQ(data[3] & 0xC0000000, 0xC0000000);
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
}

TEST(KeyboardInput, AltCombinationsAreSystemKeysAndCharacters) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(100, 100, 200, 150),
                {WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP, WM_KEYUP});
  std::vector<LPARAM> data;
  top.handler = [&](TMessage& m) {
    if (m.Msg == WM_SYSCHAR) data.push_back(m.LParam);
    return false;
  };
  SetFocus(top.Wnd());
  HostKey(VK_MENU, true);
  HostKey('X', true, u"x");
  PumpWithTranslation();
  HostKey('X', false);
  HostKey(VK_MENU, false);
  PumpWithTranslation();
  EXPECT_EQ(log, (MessageLog{"top WM_SYSKEYDOWN", "top WM_SYSKEYDOWN", "top WM_SYSCHAR", "top WM_SYSKEYUP",
                             "top WM_SYSKEYUP"}));
  ASSERT_EQ(data.size(), 1u);
  EXPECT_NE(data[0] & KF_ALTDOWN_BIT, 0);
}

TEST(Focus, FocusMovesWithKillAndSetMessagesNamingEachOtherAndActivatesTheTopLevel) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow first("first", log, test::TopLevel(100, 100, 100, 100), {WM_ACTIVATE});
  RawWindow second("second", log, test::TopLevel(300, 100, 100, 100), {WM_ACTIVATE});
  RawWindow a("a", log, test::Child(first.Wnd(), 0, 0, 10, 10), {WM_SETFOCUS, WM_KILLFOCUS});
  RawWindow b("b", log, test::Child(second.Wnd(), 0, 0, 10, 10), {WM_SETFOCUS, WM_KILLFOCUS});
  std::vector<std::pair<std::string, WPARAM>> other;
  a.handler = [&](TMessage& m) {
    if (m.Msg == WM_SETFOCUS || m.Msg == WM_KILLFOCUS) other.emplace_back(test::MessageName(m.Msg), m.WParam);
    return false;
  };
  SetFocus(a.Wnd());
  log.clear();
  other.clear();
  // Activating the other top-level window gives it the focus on the way (its default
  // WM_ACTIVATE handling), so that is the focus b takes over.
  EXPECT_EQ(SetFocus(b.Wnd()), second.Wnd());
  EXPECT_EQ(log, (MessageLog{"first WM_ACTIVATE", "second WM_ACTIVATE", "a WM_KILLFOCUS", "b WM_SETFOCUS"}));
  EXPECT_EQ(other, (std::vector<std::pair<std::string, WPARAM>>{{"WM_KILLFOCUS", second.Wnd()}}));
  EXPECT_EQ(GetActiveWindow(), second.Wnd());

  // A disabled window cannot take the focus; a hidden one hands it to its parent; a
  // destroyed one leaves no focus behind.
  EnableWindow(a.Wnd(), false);
  EXPECT_EQ(SetFocus(a.Wnd()), 0u);
  EXPECT_EQ(GetFocus(), b.Wnd());
  ShowWindow(b.Wnd(), SW_HIDE);
  EXPECT_EQ(GetFocus(), second.Wnd());
  SetFocus(second.Wnd());
  DestroyWindow(second.Wnd());
  EXPECT_EQ(GetActiveWindow(), first.Wnd());
  EXPECT_EQ(GetFocus(), first.Wnd());
}

TEST(Destruction, AWindowMayDestroyItselfInsideItsOwnHandler) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(100, 100, 200, 150), {WM_DESTROY, WM_NCDESTROY});
  RawWindow inner("inner", log, test::Child(top.Wnd(), 10, 10, 50, 50), {WM_DESTROY, WM_NCDESTROY});
  const HWND wnd = top.Wnd();
  top.handler = [wnd](TMessage& m) {
    if (m.Msg != WM_LBUTTONDOWN) return false;
    SetCapture(wnd);
    DestroyWindow(wnd);
    return true;
  };
  ui.ClickAtScreen({180, 180});
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_FALSE(IsWindow(inner.Wnd()));
  EXPECT_EQ(GetCapture(), 0u);
  EXPECT_EQ(log,
            (MessageLog{"top WM_DESTROY", "inner WM_DESTROY", "inner WM_NCDESTROY", "top WM_NCDESTROY"}));
}

}  // namespace
}  // namespace ordvane
