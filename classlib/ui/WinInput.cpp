#include "classlib/ui/WinInput.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>
#include <vector>

#include "classlib/core/Clock.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/CaptionButtons.h"
#include "classlib/ui/Cursors.h"
#include "classlib/ui/ScrollBars.h"
#include "classlib/ui/SysMetrics.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/WindowData.h"
#include "classlib/ui/Windows.h"

namespace ordvane {

using windata::Find;
using windata::Send;
using windata::TWindowData;

namespace {

constexpr Byte kDown = 0x80;
constexpr Byte kToggled = 0x01;
// Characters typed with key presses that TranslateMessage has not taken yet; old entries
// are dropped beyond this many.
constexpr std::size_t kMaxPendingPresses = 64;

struct Click {
  HWND wnd = 0;
  UINT down = 0;  // the button-down message of the click
  TPoint at;
  Cardinal time = 0;
};

struct TypedPress {
  TMsg key;
  AnsiString chars;
};

struct InputState {
  HWND focus = 0;
  HWND active = 0;
  HWND capture = 0;
  std::array<Byte, 256> keys{};
  TPoint mouse;
  HCURSOR cursor = 0;
  Click lastClick;
  std::deque<TypedPress> typed;
};

InputState& WinInputState() {
  static InputState state;
  return state;
}

bool KeyDown(Word vk) {
  return (WinInputState().keys[vk] & kDown) != 0;
}

// A window that can hold the keyboard: it exists, is not being destroyed, and it and its
// ancestors are visible and enabled.
bool Usable(HWND wnd) {
  for (const TWindowData* w = Find(wnd); w; w = Find(w->parent)) {
    if (w->destroying || !(w->style & WS_VISIBLE) || (w->style & WS_DISABLED)) return false;
    if (w->parent == 0) return true;
  }
  return false;
}

HWND TopLevelOf(HWND wnd) {
  return GetAncestor(wnd, GA_ROOT);
}

HWND ActivateWindow(HWND wnd, WPARAM state) {
  InputState& s = WinInputState();
  if (wnd != 0) {
    wnd = TopLevelOf(wnd);
    if (!Usable(wnd)) return 0;
  }
  const HWND old = s.active;
  if (old == wnd) return old;
  s.active = wnd;
  if (old != 0 && Find(old)) {
    Send(old, WM_NCACTIVATE, 0);
    Send(old, WM_ACTIVATE, MAKEWPARAM(static_cast<int>(WA_INACTIVE), 0), static_cast<LPARAM>(wnd));
  }
  if (s.active != wnd) return old;
  if (wnd == 0) {
    SetFocus(0);
    if (s.active == wnd) Host().ActiveWindowChanged(wnd);
    return old;
  }
  SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (Find(wnd)) Send(wnd, WM_NCACTIVATE, 1);
  if (Find(wnd)) Send(wnd, WM_ACTIVATE, MAKEWPARAM(static_cast<int>(state), 0), static_cast<LPARAM>(old));
  if (s.active == wnd && Find(wnd) && !windata::Contains(wnd, s.focus)) SetFocus(wnd);
  if (s.active == wnd && Find(wnd)) Host().ActiveWindowChanged(wnd);
  return old;
}

// A top-level window that can take the activation from one that goes.
bool CanInherit(HWND wnd) {
  return Usable(wnd) && !IsIconic(wnd);
}

// The window that takes the activation when the active one goes: its owner when that
// can, else the topmost ordinary top-level window that can.
HWND NextActivation(HWND leaving) {
  const TWindowData* w = Find(leaving);
  if (w && w->owner != 0 && CanInherit(w->owner)) return w->owner;
  for (HWND top : windata::TopLevels()) {
    const TWindowData* t = Find(top);
    if (top != leaving && t && !(t->exStyle & WS_EX_TOOLWINDOW) && CanInherit(top)) return top;
  }
  return 0;
}

// The nearest usable ancestor of a window that gives up the focus.
HWND FocusHeir(HWND wnd) {
  const TWindowData* w = Find(wnd);
  for (HWND cur = w ? w->parent : 0; cur != 0; cur = GetAncestor(cur, GA_PARENT))
    if (Usable(cur)) return cur;
  return 0;
}

WPARAM MouseKeyFlags() {
  WPARAM flags = 0;
  if (KeyDown(VK_LBUTTON)) flags |= MK_LBUTTON;
  if (KeyDown(VK_RBUTTON)) flags |= MK_RBUTTON;
  if (KeyDown(VK_MBUTTON)) flags |= MK_MBUTTON;
  if (KeyDown(VK_SHIFT)) flags |= MK_SHIFT;
  if (KeyDown(VK_CONTROL)) flags |= MK_CONTROL;
  return flags;
}

struct MouseTarget {
  HWND wnd = 0;
  LRESULT hit = HTNOWHERE;
};

MouseTarget FindMouseTarget(TPoint screen) {
  if (WinInputState().capture != 0) return {WinInputState().capture, HTCLIENT};
  std::vector<HWND> passedOver;
  for (;;) {
    HWND wnd = windata::WindowAt(screen, passedOver);
    if (wnd == 0) return {};
    if (!IsWindowEnabled(TopLevelOf(wnd))) return {TopLevelOf(wnd), HTERROR};
    LRESULT hit = Send(wnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
    if (hit != HTTRANSPARENT || !Find(wnd)) return {Find(wnd) ? wnd : 0, hit};
    passedOver.push_back(wnd);
  }
}

LPARAM ClientPoint(HWND wnd, TPoint screen) {
  ScreenToClient(wnd, screen);
  return MAKELPARAM(screen.x, screen.y);
}

void SetCursorFor(const MouseTarget& target, UINT mouseMsg) {
  if (WinInputState().capture != 0 || target.wnd == 0) return;
  Send(target.wnd, WM_SETCURSOR, target.wnd,
       MAKELPARAM(static_cast<int>(target.hit), static_cast<int>(mouseMsg)));
}

struct ButtonMessages {
  Word vk;
  UINT down;
  UINT up;
  UINT dblclk;
  UINT ncDown;
  UINT ncUp;
  UINT ncDblclk;
};

ButtonMessages MessagesOf(THostButton button) {
  switch (button) {
    case THostButton::Right:
      return {VK_RBUTTON,       WM_RBUTTONDOWN, WM_RBUTTONUP,      WM_RBUTTONDBLCLK,
              WM_NCRBUTTONDOWN, WM_NCRBUTTONUP, WM_NCRBUTTONDBLCLK};
    case THostButton::Middle:
      return {VK_MBUTTON,       WM_MBUTTONDOWN, WM_MBUTTONUP,      WM_MBUTTONDBLCLK,
              WM_NCMBUTTONDOWN, WM_NCMBUTTONUP, WM_NCMBUTTONDBLCLK};
    default:
      return {VK_LBUTTON,       WM_LBUTTONDOWN, WM_LBUTTONUP,      WM_LBUTTONDBLCLK,
              WM_NCLBUTTONDOWN, WM_NCLBUTTONUP, WM_NCLBUTTONDBLCLK};
  }
}

// A second press of the same button on the same window, soon enough and near enough to
// the first, is a double click (for the client area only when the window's class asks for
// double clicks); the press after a double click starts afresh.
bool IsDoubleClick(HWND wnd, UINT downMsg, TPoint at, bool clientArea) {
  Click& last = WinInputState().lastClick;
  const Cardinal now = GetTickCount();
  const bool isDouble = last.wnd == wnd && last.down == downMsg && now - last.time <= GetDoubleClickTime() &&
                        std::abs(at.x - last.at.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                        std::abs(at.y - last.at.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2 &&
                        (!clientArea || (GetClassLong(wnd, GCL_STYLE) & CS_DBLCLKS));
  if (isDouble)
    last = {};
  else
    last = {wnd, downMsg, at, now};
  return isDouble;
}

bool IsExtendedKey(Word vk) {
  switch (vk) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_DIVIDE:
    case VK_NUMLOCK:
    case VK_RCONTROL:
    case VK_RMENU:
      return true;
    default:
      return false;
  }
}

// What the left and right modifier keys stand for in messages.
Word MessageKey(Word vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
      return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
      return VK_MENU;
    default:
      return vk;
  }
}

LPARAM KeyData(Word vk, bool down, bool wasDown) {
  Cardinal data = 1;  // repeat count
  if (IsExtendedKey(vk)) data |= 1u << 24;
  if (KeyDown(VK_MENU)) data |= static_cast<Cardinal>(KF_ALTDOWN_BIT);
  if (wasDown || !down) data |= 1u << 30;
  if (!down) data |= 1u << 31;
  return static_cast<LPARAM>(data);
}

void SetKeyState(Word vk, bool down) {
  Byte& state = WinInputState().keys[vk];
  if (down) {
    if (!(state & kDown)) state ^= kToggled;
    state |= kDown;
  } else {
    state &= static_cast<Byte>(~kDown);
  }
}

}  // namespace

HWND SetFocus(HWND wnd) {
  InputState& s = WinInputState();
  if (wnd != 0) {
    const TWindowData* w = Find(wnd);
    if (!w || w->destroying || !IsWindowEnabled(wnd)) return 0;
    if (TopLevelOf(wnd) != s.active) ActivateWindow(wnd, WA_ACTIVE);
    if (!Find(wnd)) return 0;
  }
  const HWND old = s.focus;
  if (old == wnd) return old;
  s.focus = wnd;
  if (old != 0 && Find(old)) Send(old, WM_KILLFOCUS, wnd);
  if (s.focus == wnd && wnd != 0 && Find(wnd)) Send(wnd, WM_SETFOCUS, old);
  if (s.focus == wnd) Host().InputMethodChanged(wnd);
  return old;
}

HWND GetFocus() {
  return WinInputState().focus;
}

HWND SetActiveWindow(HWND wnd) {
  return ActivateWindow(wnd, WA_ACTIVE);
}

HWND GetActiveWindow() {
  return WinInputState().active;
}

bool SetForegroundWindow(HWND wnd) {
  ActivateWindow(wnd, WA_ACTIVE);
  return wnd != 0 && WinInputState().active == TopLevelOf(wnd);
}

HWND GetForegroundWindow() {
  return WinInputState().active;
}

HWND SetCapture(HWND wnd) {
  InputState& s = WinInputState();
  const HWND old = s.capture;
  if (wnd != 0 && !Find(wnd)) return old;
  if (old == wnd) return old;
  s.capture = wnd;
  if (old != 0 && Find(old)) Send(old, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(wnd));
  Host().MouseCaptured(s.capture != 0);
  return old;
}

bool ReleaseCapture() {
  InputState& s = WinInputState();
  const HWND old = s.capture;
  if (old == 0) return true;
  s.capture = 0;
  if (Find(old)) Send(old, WM_CAPTURECHANGED, 0, 0);
  Host().MouseCaptured(s.capture != 0);
  return true;
}

HWND GetCapture() {
  return WinInputState().capture;
}

SmallInt GetKeyState(int virtualKey) {
  if (virtualKey < 0 || virtualKey > 255) return 0;
  const Byte state = WinInputState().keys[static_cast<std::size_t>(virtualKey)];
  return static_cast<SmallInt>(((state & kDown) ? 0xFF80 : 0) | (state & kToggled));
}

SmallInt GetAsyncKeyState(int virtualKey) {
  return static_cast<SmallInt>(GetKeyState(virtualKey) & static_cast<SmallInt>(0x8000));
}

bool TranslateMessage(const TMsg& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  auto& typed = WinInputState().typed;
  auto found = std::find_if(typed.begin(), typed.end(), [&msg](const TypedPress& press) {
    const TMsg& key = press.key;
    return key.hwnd == msg.hwnd && key.message == msg.message && key.wParam == msg.wParam &&
           key.lParam == msg.lParam;
  });
  if (found == typed.end()) return false;
  // The presses before this one had their messages taken without translation.
  const AnsiString chars = found->chars;
  typed.erase(typed.begin(), found + 1);
  const UINT charMsg = msg.message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  for (char c : chars) PostMessage(msg.hwnd, charMsg, static_cast<Byte>(c), msg.lParam);
  return !chars.empty();
}

HCURSOR SetCursor(HCURSOR cursor) {
  InputState& s = WinInputState();
  const HCURSOR old = s.cursor;
  if (cursor != old) {
    s.cursor = cursor;
    Host().CursorChanged(cursor);
  }
  return old;
}

HCURSOR GetCursor() {
  return WinInputState().cursor;
}

bool GetCursorPos(TPoint& point) {
  point = WinInputState().mouse;
  return true;
}

bool SetCursorPos(int x, int y) {
  Host().SetCursorPos({x, y});
  HostMouseMove({x, y});
  return true;
}

LRESULT DefaultSetCursor(HWND wnd, WPARAM wParam, LPARAM lParam) {
  const HWND parent = GetAncestor(wnd, GA_PARENT);
  if (parent != 0 && Send(parent, WM_SETCURSOR, wParam, lParam)) return 1;
  if (wParam != wnd) return 0;
  const auto hit = static_cast<SmallInt>(LOWORD(static_cast<std::uintptr_t>(lParam)));
  TCursor cursor = crArrow;
  switch (hit) {
    case HTLEFT:
    case HTRIGHT:
      cursor = crSizeWE;
      break;
    case HTTOP:
    case HTBOTTOM:
      cursor = crSizeNS;
      break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      cursor = crSizeNWSE;
      break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      cursor = crSizeNESW;
      break;
    default:
      break;
  }
  SetCursor(LoadStandardCursor(cursor));
  return hit == HTCLIENT ? 0 : 1;
}

void HostMouseMove(TPoint screen) {
  WinInputState().mouse = screen;
  if (ScrollBarTracking()) {
    TrackScrollBar(screen);
    return;
  }
  if (CaptionButtonTracking()) {
    TrackCaptionButton(screen);
    return;
  }
  MouseTarget target = FindMouseTarget(screen);
  if (target.wnd == 0 || target.hit == HTERROR) return;
  SetCursorFor(target, WM_MOUSEMOVE);
  if (!Find(target.wnd)) return;
  if (target.hit == HTCLIENT)
    PostInputMessage(target.wnd, WM_MOUSEMOVE, MouseKeyFlags(), ClientPoint(target.wnd, screen));
  else
    PostInputMessage(target.wnd, WM_NCMOUSEMOVE, static_cast<WPARAM>(target.hit),
                     MAKELPARAM(screen.x, screen.y));
}

void HostMouseButton(THostButton button, bool down, TPoint screen) {
  const ButtonMessages m = MessagesOf(button);
  WinInputState().mouse = screen;
  SetKeyState(m.vk, down);
  if (ScrollBarTracking()) {
    if (!down && button == THostButton::Left) EndScrollBarTracking();
    return;
  }
  if (CaptionButtonTracking()) {
    if (!down && button == THostButton::Left) EndCaptionButtonTracking(screen);
    return;
  }
  MouseTarget target = FindMouseTarget(screen);
  if (target.wnd == 0) return;
  if (target.hit == HTERROR) {
    if (down) MessageBeep(MB_OK);
    return;
  }
  if (!down) {
    if (target.hit == HTCLIENT)
      PostInputMessage(target.wnd, m.up, MouseKeyFlags(), ClientPoint(target.wnd, screen));
    else
      PostInputMessage(target.wnd, m.ncUp, static_cast<WPARAM>(target.hit), MAKELPARAM(screen.x, screen.y));
    return;
  }
  const HWND top = TopLevelOf(target.wnd);
  if (WinInputState().capture == 0 && top != WinInputState().active) {
    const LRESULT answer = Send(target.wnd, WM_MOUSEACTIVATE, top,
                                MAKELPARAM(static_cast<int>(target.hit), static_cast<int>(m.down)));
    if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) ActivateWindow(top, WA_CLICKACTIVE);
    if (answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT || !Find(target.wnd)) return;
  }
  SetCursorFor(target, m.down);
  if (!Find(target.wnd)) return;
  const bool client = target.hit == HTCLIENT;
  const bool isDouble = IsDoubleClick(target.wnd, m.down, screen, client);
  if (client)
    PostInputMessage(target.wnd, isDouble ? m.dblclk : m.down, MouseKeyFlags(),
                     ClientPoint(target.wnd, screen));
  else
    PostInputMessage(target.wnd, isDouble ? m.ncDblclk : m.ncDown, static_cast<WPARAM>(target.hit),
                     MAKELPARAM(screen.x, screen.y));
}

void HostMouseWheel(int delta, TPoint screen) {
  WinInputState().mouse = screen;
  const HWND target = WinInputState().focus != 0 ? WinInputState().focus : WinInputState().active;
  if (target == 0) return;
  PostInputMessage(target, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(MouseKeyFlags()), delta),
                   MAKELPARAM(screen.x, screen.y));
}

void HostKey(Word virtualKey, bool down, const WideString& text) {
  if (virtualKey == 0 || virtualKey > 0xFE) return;
  InputState& s = WinInputState();
  const Word vk = MessageKey(virtualKey);
  const bool wasDown = KeyDown(vk);
  SetKeyState(virtualKey, down);
  if (vk != virtualKey) SetKeyState(vk, down);
  const HWND target = s.focus != 0 ? s.focus : s.active;
  if (target == 0) return;
  const bool sys =
      vk == VK_MENU || vk == VK_F10 || s.focus == 0 || (KeyDown(VK_MENU) && !KeyDown(VK_CONTROL));
  const UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  const LPARAM data = KeyData(vk, down, wasDown);
  PostInputMessage(target, msg, vk, data);
  if (down && !text.empty()) {
    if (s.typed.size() >= kMaxPendingPresses) s.typed.pop_front();
    s.typed.push_back({TMsg{target, msg, vk, data, 0}, WideToAnsi(text)});
  }
}

void HostComposedText(const WideString& text) {
  const HWND target = WinInputState().focus;
  if (target == 0) return;
  for (const char c : WideToAnsi(text))
    PostInputMessage(target, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
}

void HostCompositionStarted() {
  if (const HWND target = WinInputState().focus; target != 0)
    PostInputMessage(target, WM_IME_STARTCOMPOSITION, 0, 0);
}

void HostCloseWindow(HWND wnd) {
  PostMessage(wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool HostMinimizeWindow(HWND wnd, bool minimized) {
  if (IsIconic(wnd) != minimized) SendMessage(wnd, WM_SYSCOMMAND, minimized ? SC_MINIMIZE : SC_RESTORE, 0);
  return IsIconic(wnd) == minimized;
}

void HostSysColorsChanged() {
  const std::vector<HWND> tops = windata::TopLevels();
  for (HWND top : tops)
    if (Find(top)) Send(top, WM_SYSCOLORCHANGE);
}

namespace {

constexpr UINT_PTR kCaretBlinkTimer = 1;

// The caret of the calling thread. `drawn` tells whether its inverted pixels are on the
// window now; the blink timer runs on a receiver of its own, so that no control sees a
// timer it did not start.
struct CaretState {
  HWND owner = 0;
  TRect box;  // client coordinates
  int hideLevel = 0;
  bool drawn = false;
  int suspended = 0;
  UINT blinkTime = 500;
  HWND blinker = 0;

  ~CaretState() {
    if (blinker != 0) DeallocateHWnd(blinker);
  }
};

CaretState& Caret() {
  thread_local CaretState caret;
  return caret;
}

void InvertCaret() {
  CaretState& c = Caret();
  if (HDC dc = GetDC(c.owner)) {
    dc->InvertRect(c.box);
    ReleaseDC(c.owner, dc);
  }
  c.drawn = !c.drawn;
}

void TakeCaretOff() {
  if (Caret().drawn) InvertCaret();
}

bool CaretShowable() {
  const CaretState& c = Caret();
  return c.owner != 0 && c.hideLevel == 0 && c.suspended == 0 && IsWindowVisible(c.owner);
}

void BlinkCaret(TMessage& message) {
  if (message.Msg != WM_TIMER) return;
  if (CaretShowable() || Caret().drawn) InvertCaret();
}

// Draws the caret now and starts its blinking afresh, or stops it while it is hidden.
void RestartCaretBlink() {
  CaretState& c = Caret();
  if (c.blinker == 0) c.blinker = AllocateHWnd(TWndMethod(&BlinkCaret));
  if (!CaretShowable()) {
    TakeCaretOff();
    KillTimer(c.blinker, kCaretBlinkTimer);
    return;
  }
  if (!c.drawn) InvertCaret();
  SetTimer(c.blinker, kCaretBlinkTimer, c.blinkTime);
}

bool OwnsCaret(HWND wnd) {
  const CaretState& c = Caret();
  return c.owner != 0 && (wnd == 0 || wnd == c.owner);
}

}  // namespace

bool CreateCaret(HWND wnd, int width, int height) {
  if (!Find(wnd)) return false;
  DestroyCaret();
  CaretState& c = Caret();
  c.owner = wnd;
  c.box = Rect(0, 0, std::max(1, width), std::max(1, height));
  c.hideLevel = 1;
  c.suspended = 0;
  return true;
}

bool DestroyCaret() {
  CaretState& c = Caret();
  if (c.owner == 0) return false;
  if (Find(c.owner)) TakeCaretOff();
  c.drawn = false;
  if (c.blinker != 0) KillTimer(c.blinker, kCaretBlinkTimer);
  c.owner = 0;
  return true;
}

bool ShowCaret(HWND wnd) {
  if (!OwnsCaret(wnd)) return false;
  CaretState& c = Caret();
  if (c.hideLevel == 0) return true;
  if (--c.hideLevel == 0) RestartCaretBlink();
  return true;
}

bool HideCaret(HWND wnd) {
  if (!OwnsCaret(wnd)) return false;
  CaretState& c = Caret();
  if (c.hideLevel++ == 0) RestartCaretBlink();
  return true;
}

bool SetCaretPos(int x, int y) {
  if (!OwnsCaret(0)) return false;
  CaretState& c = Caret();
  if (c.box.left == x && c.box.top == y) return true;
  TakeCaretOff();
  OffsetRect(c.box, x - c.box.left, y - c.box.top);
  RestartCaretBlink();
  return true;
}

bool GetCaretPos(TPoint& point) {
  const CaretState& c = Caret();
  point = c.owner != 0 ? TPoint{c.box.left, c.box.top} : TPoint{};
  return true;
}

UINT GetCaretBlinkTime() {
  return Caret().blinkTime;
}

bool SetCaretBlinkTime(UINT milliseconds) {
  Caret().blinkTime = std::max<UINT>(USER_TIMER_MINIMUM, milliseconds);
  if (OwnsCaret(0)) RestartCaretBlink();
  return true;
}

namespace windata {

void ReleaseInputOf(HWND wnd, TInputRelease reason) {
  InputState& s = WinInputState();
  auto inside = [wnd](HWND other) { return other != 0 && Contains(wnd, other); };
  CancelScrollTrackingWithin(wnd);
  if (inside(s.capture)) {
    if (reason != TInputRelease::Destroy) Send(s.capture, WM_CANCELMODE);
    if (inside(s.capture)) ReleaseCapture();
  }
  if (inside(s.focus)) SetFocus(reason == TInputRelease::Destroy ? 0 : FocusHeir(wnd));
  if (reason != TInputRelease::Disable && s.active != 0 && s.active == wnd)
    ActivateWindow(NextActivation(wnd), WA_ACTIVE);
  if (inside(s.lastClick.wnd)) s.lastClick = {};
  CaretState& c = Caret();
  if (inside(c.owner)) {
    if (reason == TInputRelease::Destroy) {
      DestroyCaret();
    } else if (reason == TInputRelease::Hide) {
      c.drawn = false;  // its pixels went with the window's
      RestartCaretBlink();
    }
  }
}

void SuspendCaret(HWND wnd) {
  CaretState& c = Caret();
  if (c.owner != wnd || wnd == 0) return;
  if (c.suspended++ == 0) TakeCaretOff();
}

void ResumeCaret(HWND wnd) {
  CaretState& c = Caret();
  if (c.owner != wnd || wnd == 0 || c.suspended == 0) return;
  if (--c.suspended == 0) RestartCaretBlink();
}

}  // namespace windata

}  // namespace ordvane
