#pragma once
// Windows: the tree of window handles with their styles, positions, sizes, z-order and
// visibility, the non-client frame (border, client edge, caption, system scroll bars),
// hit testing, coordinate mapping, and the default window procedure. The names and the
// behaviour are the original platform's, so the controls above read as they did.
//
// A window handle is a message receiver of the message queue (AllocateHWnd) with a
// window record beside it. Child windows lie in their parent's client area; a top-level
// window (no parent: a form, a popup, a hint) lies on the screen and may have an owner,
// whose lifetime and z-order it follows. The functions below are called on the thread
// that created the windows.

#include <functional>

#include "classlib/core/Messages.h"
#include "classlib/ui/Regions.h"
#include "classlib/ui/SysMetrics.h"
#include "classlib/ui/Types.h"

namespace ordvane {

// Window styles.
constexpr UINT WS_OVERLAPPED = 0x00000000;
constexpr UINT WS_POPUP = 0x80000000;
constexpr UINT WS_CHILD = 0x40000000;
constexpr UINT WS_MINIMIZE = 0x20000000;
constexpr UINT WS_VISIBLE = 0x10000000;
constexpr UINT WS_DISABLED = 0x08000000;
constexpr UINT WS_CLIPSIBLINGS = 0x04000000;
constexpr UINT WS_CLIPCHILDREN = 0x02000000;
constexpr UINT WS_CAPTION = 0x00C00000;  // WS_BORDER | WS_DLGFRAME
constexpr UINT WS_BORDER = 0x00800000;
constexpr UINT WS_DLGFRAME = 0x00400000;
constexpr UINT WS_VSCROLL = 0x00200000;
constexpr UINT WS_HSCROLL = 0x00100000;
constexpr UINT WS_SYSMENU = 0x00080000;
constexpr UINT WS_THICKFRAME = 0x00040000;
constexpr UINT WS_GROUP = 0x00020000;
constexpr UINT WS_TABSTOP = 0x00010000;
constexpr UINT WS_MINIMIZEBOX = 0x00020000;
constexpr UINT WS_MAXIMIZEBOX = 0x00010000;

// Extended window styles.
constexpr UINT WS_EX_DLGMODALFRAME = 0x00000001;
constexpr UINT WS_EX_TOPMOST = 0x00000008;
constexpr UINT WS_EX_TRANSPARENT = 0x00000020;
constexpr UINT WS_EX_TOOLWINDOW = 0x00000080;
constexpr UINT WS_EX_WINDOWEDGE = 0x00000100;
constexpr UINT WS_EX_CLIENTEDGE = 0x00000200;
constexpr UINT WS_EX_RIGHT = 0x00001000;
constexpr UINT WS_EX_RTLREADING = 0x00002000;
constexpr UINT WS_EX_LEFTSCROLLBAR = 0x00004000;
constexpr UINT WS_EX_CONTROLPARENT = 0x00010000;
constexpr UINT WS_EX_APPWINDOW = 0x00040000;

// Window class styles: redraw all on a change of width or height, receive double
// clicks, and keep what a window covers (a hint over its form) instead of repainting it.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_SAVEBITS = 0x0800;

// GetWindowLong indexes.
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GCL_STYLE = -26;

// SetWindowPos: the z-order places and the flags.
constexpr HWND HWND_TOP = 0;
constexpr HWND HWND_BOTTOM = 1;
constexpr HWND HWND_TOPMOST = static_cast<HWND>(-1);
constexpr HWND HWND_NOTOPMOST = static_cast<HWND>(-2);
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// WM_SIZE kinds.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// GetWindow relations and GetAncestor kinds.
constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;
constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
constexpr UINT GA_ROOTOWNER = 3;

// ChildWindowFromPointEx flags.
constexpr UINT CWP_ALL = 0x0000;
constexpr UINT CWP_SKIPINVISIBLE = 0x0001;
constexpr UINT CWP_SKIPDISABLED = 0x0002;
constexpr UINT CWP_SKIPTRANSPARENT = 0x0004;

// WM_NCHITTEST answers.
constexpr LRESULT HTERROR = -2;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTSYSMENU = 3;
constexpr LRESULT HTSIZE = 4;
constexpr LRESULT HTMINBUTTON = 8;
constexpr LRESULT HTMAXBUTTON = 9;
constexpr LRESULT HTHSCROLL = 6;
constexpr LRESULT HTVSCROLL = 7;
constexpr LRESULT HTLEFT = 10;
constexpr LRESULT HTRIGHT = 11;
constexpr LRESULT HTTOP = 12;
constexpr LRESULT HTTOPLEFT = 13;
constexpr LRESULT HTTOPRIGHT = 14;
constexpr LRESULT HTBOTTOM = 15;
constexpr LRESULT HTBOTTOMLEFT = 16;
constexpr LRESULT HTBOTTOMRIGHT = 17;
constexpr LRESULT HTBORDER = 18;
constexpr LRESULT HTCLOSE = 20;

// WM_ACTIVATE states and WM_MOUSEACTIVATE answers.
constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;
constexpr WPARAM WA_CLICKACTIVE = 2;
constexpr LRESULT MA_ACTIVATE = 1;
constexpr LRESULT MA_ACTIVATEANDEAT = 2;
constexpr LRESULT MA_NOACTIVATE = 3;
constexpr LRESULT MA_NOACTIVATEANDEAT = 4;

// WM_SYSCOMMAND commands.
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_RESTORE = 0xF120;

// What WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED carry in lParam; the handler of the
// first may change the place and size.
struct WINDOWPOS {
  HWND hwnd = 0;
  HWND hwndInsertAfter = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};

// Where a window lies when it is not maximized, and whether it is maximized or minimized.
struct WINDOWPLACEMENT {
  UINT length = sizeof(WINDOWPLACEMENT);
  UINT flags = 0;
  int showCmd = SW_SHOWNORMAL;  // SW_SHOWNORMAL, SW_SHOWMAXIMIZED or SW_SHOWMINIMIZED
  TPoint ptMinPosition;
  TPoint ptMaxPosition;
  TRect rcNormalPosition;  // in the parent's client coordinates; the screen's when top-level
};

// What a new window is made with. `parent` is the parent of a WS_CHILD window and the
// owner of any other (0 for none); a top-level window's position is on the screen.
struct TWindowCreateParams {
  UINT style = 0;
  UINT exStyle = 0;
  UINT classStyle = 0;
  AnsiString caption;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  HWND parent = 0;
};

// Makes a window whose messages go to `proc`. `attached` is called with the new handle
// before any message reaches the window (WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, and
// the showing of a WS_VISIBLE window), so the receiver knows its handle while it handles
// them. A child window goes to the bottom of its siblings' z-order, a top-level window to
// the top. Answers 0 when the parent is not a window.
HWND CreateWindowEx(const TWindowCreateParams& params, TWndMethod proc,
                    const std::function<void(HWND)>& attached = {});
// Destroys the window, its children and the windows it owns: the window loses focus,
// capture and activation first, then WM_DESTROY goes to it and its children (parents
// first) and WM_NCDESTROY (children first), and its handle, timers and waiting messages
// are gone. Safe inside the window's own procedure.
bool DestroyWindow(HWND wnd);

// The parent of a child window, the owner of a top-level one.
HWND GetParent(HWND wnd);
// Makes the window a child of newParent, or top-level (with no owner) for 0. Its position
// keeps its numbers, now in the new parent's client coordinates. Answers the old parent.
HWND SetParent(HWND wnd, HWND newParent);
HWND GetWindow(HWND wnd, UINT relation);
HWND GetAncestor(HWND wnd, UINT kind);
HWND GetTopWindow(HWND parent);
// The desktop's handle: 0, which stands for "no parent" wherever a parent is given.
HWND GetDesktopWindow();
bool IsChild(HWND parent, HWND wnd);

LONG_PTR GetWindowLong(HWND wnd, int index);
// Changes the style bits; like the platform, the frame is laid out again only by a
// SetWindowPos with SWP_FRAMECHANGED. Answers the old value.
LONG_PTR SetWindowLong(HWND wnd, int index, LONG_PTR value);
UINT GetClassLong(HWND wnd, int index);

bool IsWindowVisible(HWND wnd);
bool IsWindowEnabled(HWND wnd);
// Answers whether the window was disabled before. Disabling a window cancels its mouse
// capture (WM_CANCELMODE) and takes the focus away from it.
bool EnableWindow(HWND wnd, bool enable);
// Answers whether the window was visible before.
bool ShowWindow(HWND wnd, int command);
bool SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
bool MoveWindow(HWND wnd, int x, int y, int width, int height, bool repaint);
bool BringWindowToTop(HWND wnd);

// A maximized window fills its monitor's work area (a child window: its parent's client
// area) and keeps the rectangle it goes back to. ShowWindow with SW_SHOWMAXIMIZED
// maximizes, with SW_SHOWNORMAL or SW_RESTORE restores; SetWindowPlacement does either
// without changing whether the window is shown, so that a control's Visible stays the
// one authority over that.
//
// A minimized top-level window (WS_MINIMIZE) stays shown and keeps its place and size,
// but only the desktop's task bar shows it: no point is over it, and it gives up the
// focus, the mouse capture and the activation (SW_SHOWMINIMIZED and SW_SHOWMINNOACTIVE
// included). ShowWindow with SW_MINIMIZE, SW_SHOWMINIMIZED or SW_SHOWMINNOACTIVE
// minimizes; SW_RESTORE brings it back as it was (maximized or not), SW_SHOWNORMAL and
// SW_SHOWMAXIMIZED bring it back normal or maximized. WM_SIZE tells the window which
// (SIZE_MINIMIZED, SIZE_MAXIMIZED, SIZE_RESTORED); the host shows it the same way.
bool IsZoomed(HWND wnd);
bool IsIconic(HWND wnd);
bool GetWindowPlacement(HWND wnd, WINDOWPLACEMENT& placement);
bool SetWindowPlacement(HWND wnd, const WINDOWPLACEMENT& placement);

// The window's rectangle on the screen, and its client rectangle (always at 0, 0).
bool GetWindowRect(HWND wnd, TRect& rect);
bool GetClientRect(HWND wnd, TRect& rect);
bool ClientToScreen(HWND wnd, TPoint& point);
bool ScreenToClient(HWND wnd, TPoint& point);
// Maps points from one window's client coordinates to another's (0: the screen);
// answers the horizontal offset in the low word and the vertical one in the high word.
int MapWindowPoints(HWND from, HWND to, TPoint* points, int count);
int MapWindowPoints(HWND from, HWND to, TRect& rect);

// The deepest visible, enabled window under a screen point (a disabled child stands for
// nothing: its parent answers); 0 over no window.
HWND WindowFromPoint(TPoint point);
// The child of `parent` under a point in the parent's client coordinates, the parent
// itself when no child is there, 0 outside the parent.
HWND ChildWindowFromPointEx(HWND parent, TPoint point, UINT flags);
HWND ChildWindowFromPoint(HWND parent, TPoint point);

// The window's shape: only the region's pixels (window coordinates) belong to the
// window. A null region gives back the whole rectangle. Answers nonzero on success.
int SetWindowRgn(HWND wnd, const TRegion* region, bool redraw);
// The region type of the shape, ERROR when the window has none.
int GetWindowRgn(HWND wnd, TRegion& region);

bool SetWindowText(HWND wnd, const AnsiString& text);
AnsiString GetWindowText(HWND wnd);

HMONITOR MonitorFromWindow(HWND wnd, UINT flags);

// The default handling of every message a window does not handle itself.
LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The frame metrics of a style: the inner rectangle of a window rectangle once its
// border, caption and client edge are taken off, and the places of its system scroll
// bars inside that (empty when the window has none).
TRect NonClientInnerRect(UINT style, UINT exStyle, const TRect& windowRect);
TRect VertScrollBarRect(HWND wnd);  // window coordinates
TRect HorzScrollBarRect(HWND wnd);
TRect CaptionRect(HWND wnd);

}  // namespace ordvane
