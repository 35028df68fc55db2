#pragma once
// Input: the keyboard focus, the active top-level window, the mouse capture, the state of
// the keys, the cursor, and the translation of what the user does (reported by the host)
// into window messages.
//
// The host reports raw input (a key with the text it types, a button, a pointer move, a
// wheel notch) through the Host* functions. They do what the platform's input system
// did: find the window under the pointer (WM_NCHITTEST, passing over HTTRANSPARENT
// answers), let it choose the cursor (WM_SETCURSOR), activate an inactive top-level
// window on a press (WM_MOUSEACTIVATE), synthesise double clicks for windows with
// CS_DBLCLKS when the second press comes within the double-click time and distance, and
// post the mouse and key messages to the capture, the window under the pointer or the
// focus. The key state is updated as the host reports each key, so GetKeyState answers
// for the key being handled when the host lets the loop handle each input in turn.
// TranslateMessage later turns a key press into WM_CHAR (WM_SYSCHAR) messages carrying
// the typed text in the ANSI code page, one message per byte.

#include "classlib/core/Messages.h"
#include "classlib/ui/Host.h"
#include "classlib/ui/Types.h"

namespace ordvane {

// Virtual-key codes; the letters and digits are their upper-case ASCII codes.
constexpr Word VK_LBUTTON = 0x01;
constexpr Word VK_RBUTTON = 0x02;
constexpr Word VK_CANCEL = 0x03;
constexpr Word VK_MBUTTON = 0x04;
constexpr Word VK_BACK = 0x08;
constexpr Word VK_TAB = 0x09;
constexpr Word VK_CLEAR = 0x0C;
constexpr Word VK_RETURN = 0x0D;
constexpr Word VK_SHIFT = 0x10;
constexpr Word VK_CONTROL = 0x11;
constexpr Word VK_MENU = 0x12;
constexpr Word VK_PAUSE = 0x13;
constexpr Word VK_CAPITAL = 0x14;
constexpr Word VK_ESCAPE = 0x1B;
constexpr Word VK_SPACE = 0x20;
constexpr Word VK_PRIOR = 0x21;
constexpr Word VK_NEXT = 0x22;
constexpr Word VK_END = 0x23;
constexpr Word VK_HOME = 0x24;
constexpr Word VK_LEFT = 0x25;
constexpr Word VK_UP = 0x26;
constexpr Word VK_RIGHT = 0x27;
constexpr Word VK_DOWN = 0x28;
constexpr Word VK_SELECT = 0x29;
constexpr Word VK_EXECUTE = 0x2B;
constexpr Word VK_SNAPSHOT = 0x2C;
constexpr Word VK_INSERT = 0x2D;
constexpr Word VK_DELETE = 0x2E;
constexpr Word VK_HELP = 0x2F;
constexpr Word VK_LWIN = 0x5B;
constexpr Word VK_RWIN = 0x5C;
constexpr Word VK_APPS = 0x5D;
constexpr Word VK_NUMPAD0 = 0x60;
constexpr Word VK_NUMPAD9 = 0x69;
constexpr Word VK_MULTIPLY = 0x6A;
constexpr Word VK_ADD = 0x6B;
constexpr Word VK_SEPARATOR = 0x6C;
constexpr Word VK_SUBTRACT = 0x6D;
constexpr Word VK_DECIMAL = 0x6E;
constexpr Word VK_DIVIDE = 0x6F;
constexpr Word VK_F1 = 0x70;
constexpr Word VK_F2 = 0x71;
constexpr Word VK_F3 = 0x72;
constexpr Word VK_F4 = 0x73;
constexpr Word VK_F5 = 0x74;
constexpr Word VK_F6 = 0x75;
constexpr Word VK_F7 = 0x76;
constexpr Word VK_F8 = 0x77;
constexpr Word VK_F9 = 0x78;
constexpr Word VK_F10 = 0x79;
constexpr Word VK_F11 = 0x7A;
constexpr Word VK_F12 = 0x7B;
constexpr Word VK_NUMLOCK = 0x90;
constexpr Word VK_SCROLL = 0x91;
constexpr Word VK_LSHIFT = 0xA0;
constexpr Word VK_RSHIFT = 0xA1;
constexpr Word VK_LCONTROL = 0xA2;
constexpr Word VK_RCONTROL = 0xA3;
constexpr Word VK_LMENU = 0xA4;
constexpr Word VK_RMENU = 0xA5;
constexpr Word VK_OEM_1 = 0xBA;
constexpr Word VK_OEM_PLUS = 0xBB;
constexpr Word VK_OEM_COMMA = 0xBC;
constexpr Word VK_OEM_MINUS = 0xBD;
constexpr Word VK_OEM_PERIOD = 0xBE;
constexpr Word VK_OEM_2 = 0xBF;
constexpr Word VK_OEM_3 = 0xC0;
constexpr Word VK_OEM_4 = 0xDB;
constexpr Word VK_OEM_5 = 0xDC;
constexpr Word VK_OEM_6 = 0xDD;
constexpr Word VK_OEM_7 = 0xDE;
constexpr Word VK_PACKET = 0xE7;  // a character typed without a key of its own

// The key and button flags of a mouse message's wParam.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// One notch of the wheel.
constexpr int WHEEL_DELTA = 120;

// The bit of a key message's lParam that tells that Alt is held.
constexpr LPARAM KF_ALTDOWN_BIT = 0x20000000;

// Focus: WM_KILLFOCUS goes to the old window (wParam: the new one), then WM_SETFOCUS to
// the new (wParam: the old one); focusing a window of an inactive top-level window
// activates that first. A disabled window, and one that is gone, cannot take the focus
// (the answer is then 0 and nothing changes). Answers the previous focus.
HWND SetFocus(HWND wnd);
HWND GetFocus();
// Activation of top-level windows (a child stands for its top-level window): the old
// one gets WM_NCACTIVATE and WM_ACTIVATE (WA_INACTIVE), the new one comes to the top and
// gets them with WA_ACTIVE; its default handling takes the focus. Hidden and disabled
// windows are not activated.
HWND SetActiveWindow(HWND wnd);
HWND GetActiveWindow();
bool SetForegroundWindow(HWND wnd);
HWND GetForegroundWindow();

// The mouse capture: every mouse message goes to the capture window as a client
// message. The window losing it gets WM_CAPTURECHANGED (lParam: the new capture).
HWND SetCapture(HWND wnd);
bool ReleaseCapture();
HWND GetCapture();

// Negative while the key is down; bit 0 toggles with every press (Caps Lock's state).
SmallInt GetKeyState(int virtualKey);
SmallInt GetAsyncKeyState(int virtualKey);

// Posts the characters typed with the key press that `msg` is (WM_KEYDOWN: WM_CHAR,
// WM_SYSKEYDOWN: WM_SYSCHAR); answers whether it posted any.
bool TranslateMessage(const TMsg& msg);

HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
bool GetCursorPos(TPoint& point);
// Moves the pointer (the host is asked to) and handles it as a move of the mouse.
bool SetCursorPos(int x, int y);

// The default WM_SETCURSOR: the parent decides first; the window under the pointer then
// shows the arrow over its client area and the sizing arrows over a sizing frame.
LRESULT DefaultSetCursor(HWND wnd, WPARAM wParam, LPARAM lParam);

// The caret: one per thread, belonging to one window. It is made hidden (hidden once) at
// the window's client point (0, 0); ShowCaret and HideCaret count like the platform's, and
// while shown it blinks on the clock every GetCaretBlinkTime() milliseconds, drawn by
// inverting the window's pixels. Painting the window takes the caret off the pixels and
// puts it back after (BeginPaint, EndPaint). A window that is destroyed loses its caret.
// ShowCaret, HideCaret and SetCaretPos answer false when the caret belongs to another
// window (wnd 0 stands for the caret's own window).
bool CreateCaret(HWND wnd, int width, int height);
bool DestroyCaret();
bool ShowCaret(HWND wnd);
bool HideCaret(HWND wnd);
bool SetCaretPos(int x, int y);
bool GetCaretPos(TPoint& point);
UINT GetCaretBlinkTime();
bool SetCaretBlinkTime(UINT milliseconds);

// Input from the host.
enum class THostButton { Left, Right, Middle };
void HostMouseMove(TPoint screen);
void HostMouseButton(THostButton button, bool down, TPoint screen);
// `delta` in units of WHEEL_DELTA per notch, positive away from the user; the wheel goes
// to the focus window.
void HostMouseWheel(int delta, TPoint screen);
// A key went down or up; `text` is what the press types (empty for keys that type
// nothing). The left and right Shift, Ctrl and Alt keys reach windows as VK_SHIFT,
// VK_CONTROL and VK_MENU.
void HostKey(Word virtualKey, bool down, const WideString& text = {});
// The input method composed text: the focus window gets it as typed characters (in the
// ANSI code page, like typed text), and WM_IME_STARTCOMPOSITION as composing starts.
void HostComposedText(const WideString& text);
void HostCompositionStarted();
// The user asked to close a top-level window (its title-bar button).
void HostCloseWindow(HWND wnd);
// The desktop minimized a top-level window or brought it back: the window decides, as on
// WM_SYSCOMMAND. Answers whether the window is now in that state, so that the host can
// show it as the layer has it otherwise.
bool HostMinimizeWindow(HWND wnd, bool minimized);
// The system colours changed: WM_SYSCOLORCHANGE to every top-level window.
void HostSysColorsChanged();

}  // namespace ordvane
