#pragma once
// The system scroll bars of a window: the ones WS_HSCROLL and WS_VSCROLL put into the
// non-client area. Each keeps a range, a page, a position and a tracking position; the
// window shows a bar while its style bit is set, and SetScrollInfo shows, hides or
// disables it as its range becomes scrollable or not.
//
// The user works a bar with the left button: an arrow sends SB_LINEUP / SB_LINEDOWN, the
// track beside the thumb SB_PAGEUP / SB_PAGEDOWN, each at once, again after
// kScrollRepeatDelay and then every kScrollRepeatInterval milliseconds while the button
// stays down over that part (a page repeat stops when the thumb reaches the pointer).
// Dragging the thumb sends SB_THUMBTRACK with each new position and SB_THUMBPOSITION on
// release. Every press ends with SB_ENDSCROLL. The messages are WM_VSCROLL / WM_HSCROLL
// with the code in the low word of wParam and the position in the high word (lParam 0),
// sent to the window. The platform ran a modal loop for this; here the tracking is a
// state of the window layer that the host's mouse input drives, which sends the same
// messages in the same order.

#include "classlib/core/Messages.h"
#include "classlib/ui/DeviceContext.h"
#include "classlib/ui/Types.h"

namespace ordvane {

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

// Scroll codes.
constexpr WPARAM SB_LINEUP = 0;
constexpr WPARAM SB_LINELEFT = 0;
constexpr WPARAM SB_LINEDOWN = 1;
constexpr WPARAM SB_LINERIGHT = 1;
constexpr WPARAM SB_PAGEUP = 2;
constexpr WPARAM SB_PAGELEFT = 2;
constexpr WPARAM SB_PAGEDOWN = 3;
constexpr WPARAM SB_PAGERIGHT = 3;
constexpr WPARAM SB_THUMBPOSITION = 4;
constexpr WPARAM SB_THUMBTRACK = 5;
constexpr WPARAM SB_TOP = 6;
constexpr WPARAM SB_LEFT = 6;
constexpr WPARAM SB_BOTTOM = 7;
constexpr WPARAM SB_RIGHT = 7;
constexpr WPARAM SB_ENDSCROLL = 8;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

constexpr UINT ESB_ENABLE_BOTH = 0;
constexpr UINT ESB_DISABLE_LTUP = 1;
constexpr UINT ESB_DISABLE_RTDN = 2;
constexpr UINT ESB_DISABLE_BOTH = 3;

constexpr UINT kScrollRepeatDelay = 400;
constexpr UINT kScrollRepeatInterval = 100;
// The smallest thumb drawn; a track shorter than this shows none.
constexpr int kMinScrollThumb = 8;

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

// The page is kept within 0 .. max - min + 1 and the position within min .. max - page +
// 1 (min .. max without a page). When the mask holds the range or the page, a bar whose
// range no longer exceeds its page is hidden (with SIF_DISABLENOSCROLL: disabled) and a
// scrollable one shown (and enabled again). Answers the new position.
int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO& info, bool redraw);
bool GetScrollInfo(HWND wnd, int bar, SCROLLINFO& info);
// Answers the old position.
int SetScrollPos(HWND wnd, int bar, int pos, bool redraw);
int GetScrollPos(HWND wnd, int bar);
// An empty range (min = max) hides the bar, any other shows it.
bool SetScrollRange(HWND wnd, int bar, int min, int max, bool redraw);
bool GetScrollRange(HWND wnd, int bar, int& min, int& max);
// SB_HORZ, SB_VERT or SB_BOTH; the frame is laid out again, so the client area changes.
bool ShowScrollBar(HWND wnd, int bar, bool show);
bool EnableScrollBar(HWND wnd, UINT bar, UINT arrows);

// The parts of a bar in window coordinates: the arrows, the track between them and the
// thumb on it (empty when the bar has no thumb: disabled, nothing to scroll, or too short).
enum class TScrollBarPart { None, LineUp, PageUp, Thumb, PageDown, LineDown };
struct TScrollBarLayout {
  bool vertical = true;
  TRect bar;
  TRect lineUp;
  TRect track;
  TRect thumb;
  TRect lineDown;
};
TScrollBarLayout ScrollBarLayout(HWND wnd, int bar);
TScrollBarPart ScrollBarHitTest(HWND wnd, int bar, TPoint windowPoint);

// Tracking, as the default window procedure and the input translation drive it.
void BeginScrollBarTracking(HWND wnd, int bar, TPoint screen);
bool ScrollBarTracking();
void TrackScrollBar(TPoint screen);
void EndScrollBarTracking();

// Draws the window's bars (and the box between two bars) on a context of the whole
// window, in the classic look.
void PaintScrollBars(HWND wnd, HDC windowDC);

}  // namespace ordvane
