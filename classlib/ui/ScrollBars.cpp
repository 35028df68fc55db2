#include "classlib/ui/ScrollBars.h"

#include <algorithm>

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/Colors.h"
#include "classlib/ui/SysMetrics.h"
#include "classlib/ui/WinInput.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/WindowData.h"
#include "classlib/ui/Windows.h"

namespace ordvane {

using windata::Find;
using windata::TScrollBarData;
using windata::TWindowData;

namespace {

constexpr UINT_PTR kRepeatTimer = 1;

struct ScrollTracking {
  HWND wnd = 0;
  int bar = SB_VERT;
  TScrollBarPart part = TScrollBarPart::None;
  int grab = 0;       // pointer offset from the thumb's start while the thumb is dragged
  bool over = false;  // the pointer is over the pressed part (it shows pressed)
};

ScrollTracking& Current() {
  static ScrollTracking tracking;
  return tracking;
}

TScrollBarData* BarData(HWND wnd, int bar) {
  TWindowData* w = Find(wnd);
  if (!w || (bar != SB_HORZ && bar != SB_VERT)) return nullptr;
  return bar == SB_VERT ? &w->vbar : &w->hbar;
}

bool BarShown(HWND wnd, int bar) {
  const TWindowData* w = Find(wnd);
  return w && (w->style & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL));
}

// The largest position: the last one at which a whole page still fits.
int MaxPos(const TScrollBarData& d) {
  const long long last =
      static_cast<long long>(d.max) - std::max<long long>(static_cast<long long>(d.page) - 1, 0);
  return static_cast<int>(std::clamp<long long>(last, d.min, std::max(d.min, d.max)));
}

long long RangeUnits(const TScrollBarData& d) {
  return std::max<long long>(0, static_cast<long long>(d.max) - d.min + 1);
}

bool Scrollable(const TScrollBarData& d) {
  return d.max > d.min && static_cast<long long>(d.page) < RangeUnits(d);
}

int Along(const TScrollBarLayout& l, TPoint p) {
  return l.vertical ? p.y : p.x;
}
int TrackStart(const TScrollBarLayout& l) {
  return l.vertical ? l.track.top : l.track.left;
}
int TrackLength(const TScrollBarLayout& l) {
  return l.vertical ? l.track.Height() : l.track.Width();
}
int ThumbLength(const TScrollBarLayout& l) {
  return l.vertical ? l.thumb.Height() : l.thumb.Width();
}

TRect Span(const TScrollBarLayout& l, int from, int to) {
  return l.vertical ? Rect(l.bar.left, from, l.bar.right, to) : Rect(from, l.bar.top, to, l.bar.bottom);
}

int ThumbSize(const TScrollBarData& d, int trackLength, bool vertical) {
  if (d.page == 0) return GetSystemMetrics(vertical ? SM_CYVTHUMB : SM_CXHTHUMB);
  const int size = MulDiv(trackLength, static_cast<int>(std::min<long long>(d.page, RangeUnits(d))),
                          static_cast<int>(std::min<long long>(RangeUnits(d), 0x7FFFFFFF)));
  return std::max(size, kMinScrollThumb);
}

bool ThumbDragged(HWND wnd, int bar) {
  const ScrollTracking& t = Current();
  return t.wnd == wnd && t.bar == bar && t.part == TScrollBarPart::Thumb;
}

WPARAM ScrollMessage(int bar) {
  return bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
}

void SendScroll(HWND wnd, int bar, WPARAM code, int pos = 0) {
  SendMessage(wnd, static_cast<UINT>(ScrollMessage(bar)), MAKEWPARAM(static_cast<int>(code), pos), 0);
}

WPARAM CodeOf(TScrollBarPart part) {
  switch (part) {
    case TScrollBarPart::LineUp:
      return SB_LINEUP;
    case TScrollBarPart::PageUp:
      return SB_PAGEUP;
    case TScrollBarPart::PageDown:
      return SB_PAGEDOWN;
    default:
      return SB_LINEDOWN;
  }
}

bool PartDisabled(const TScrollBarData& d, TScrollBarPart part) {
  switch (part) {
    case TScrollBarPart::LineUp:
      return d.disabledArrows & ESB_DISABLE_LTUP;
    case TScrollBarPart::LineDown:
      return d.disabledArrows & ESB_DISABLE_RTDN;
    default:
      return (d.disabledArrows & ESB_DISABLE_BOTH) == ESB_DISABLE_BOTH;
  }
}

TPoint ToWindow(HWND wnd, TPoint screen) {
  const TWindowData* w = Find(wnd);
  if (!w) return screen;
  TPoint origin = windata::ScreenOrigin(*w);
  return {screen.x - origin.x, screen.y - origin.y};
}

void Redraw(HWND wnd, int bar) {
  if (!BarShown(wnd, bar) || !IsWindowVisible(wnd)) return;
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  PaintScrollBars(wnd, dc);
  ReleaseDC(wnd, dc);
}

void OnRepeat(TMessage& message);

HWND RepeatWindow() {
  static HWND wnd = AllocateHWnd(&OnRepeat);
  return wnd;
}

void StopRepeat() {
  KillTimer(RepeatWindow(), kRepeatTimer);
}

void OnRepeat(TMessage& message) {
  if (message.Msg != WM_TIMER) return;
  ScrollTracking& t = Current();
  if (t.wnd == 0 || t.part == TScrollBarPart::Thumb || !Find(t.wnd)) {
    StopRepeat();
    return;
  }
  SetTimer(RepeatWindow(), kRepeatTimer, kScrollRepeatInterval);
  TPoint pointer;
  GetCursorPos(pointer);
  if (ScrollBarHitTest(t.wnd, t.bar, ToWindow(t.wnd, pointer)) == t.part)
    SendScroll(t.wnd, t.bar, CodeOf(t.part));
}

// Only the part inside the clip box: a bar far taller than the window costs no more than
// the window.
void FillChecker(HDC dc, const TRect& area, TColorRef first, TColorRef second) {
  TRect clip;
  TRect r;
  if (dc->GetClipBox(clip) == NULLREGION || !IntersectRect(r, area, clip)) return;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) dc->SetPixel(x, y, ((x + y) & 1) ? second : first);
}

void PaintBar(HWND wnd, int bar, HDC dc) {
  const TScrollBarLayout l = ScrollBarLayout(wnd, bar);
  const TScrollBarData* d = BarData(wnd, bar);
  if (IsRectEmpty(l.bar) || !d) return;
  const ScrollTracking& t = Current();
  const TScrollBarPart pressed = (t.wnd == wnd && t.bar == bar && t.over) ? t.part : TScrollBarPart::None;
  auto arrow = [&](TRect r, unsigned kind, TScrollBarPart part) {
    unsigned state = kind;
    if (PartDisabled(*d, part)) state |= DFCS_INACTIVE;
    if (pressed == part) state |= DFCS_PUSHED | DFCS_FLAT;
    dc->DrawFrameControl(r, DFC_SCROLL, state);
  };
  arrow(l.lineUp, l.vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT, TScrollBarPart::LineUp);
  arrow(l.lineDown, l.vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT, TScrollBarPart::LineDown);
  const TColorRef light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const TColorRef face = GetSysColor(COLOR_SCROLLBAR);
  const TColorRef dark = GetSysColor(COLOR_3DDKSHADOW);
  if (IsRectEmpty(l.thumb)) {
    FillChecker(dc, l.track, light, face);
    return;
  }
  const int start = TrackStart(l);
  const int thumbStart = l.vertical ? l.thumb.top : l.thumb.left;
  const int thumbEnd = l.vertical ? l.thumb.bottom : l.thumb.right;
  const int end = start + TrackLength(l);
  const TRect pageUp = Span(l, start, thumbStart);
  const TRect pageDown = Span(l, thumbEnd, end);
  if (pressed == TScrollBarPart::PageUp)
    FillChecker(dc, pageUp, dark, face);
  else
    FillChecker(dc, pageUp, light, face);
  if (pressed == TScrollBarPart::PageDown)
    FillChecker(dc, pageDown, dark, face);
  else
    FillChecker(dc, pageDown, light, face);
  TRect thumb = l.thumb;
  dc->FillRect(thumb, GetSysColor(COLOR_BTNFACE));
  dc->DrawEdge(thumb, EDGE_RAISED, BF_RECT);
}

}  // namespace

int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO& info, bool redraw) {
  TScrollBarData* d = BarData(wnd, bar);
  if (!d) return 0;
  if (info.fMask & SIF_RANGE) {
    d->min = info.nMin;
    d->max = info.nMax;
  }
  if (info.fMask & SIF_PAGE) d->page = info.nPage;
  d->page = static_cast<UINT>(std::min<long long>(d->page, RangeUnits(*d)));
  if (info.fMask & SIF_POS) d->pos = info.nPos;
  d->pos = std::clamp(d->pos, d->min, MaxPos(*d));
  const int pos = d->pos;
  if (info.fMask & (SIF_RANGE | SIF_PAGE)) {
    const bool scrollable = Scrollable(*d);
    if (info.fMask & SIF_DISABLENOSCROLL) {
      EnableScrollBar(wnd, static_cast<UINT>(bar), scrollable ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
      if (scrollable) ShowScrollBar(wnd, bar, true);
    } else {
      ShowScrollBar(wnd, bar, scrollable);
    }
  }
  if (redraw) Redraw(wnd, bar);
  return pos;
}

bool GetScrollInfo(HWND wnd, int bar, SCROLLINFO& info) {
  const TScrollBarData* d = BarData(wnd, bar);
  if (!d) return false;
  if (info.fMask & SIF_RANGE) {
    info.nMin = d->min;
    info.nMax = d->max;
  }
  if (info.fMask & SIF_PAGE) info.nPage = d->page;
  if (info.fMask & SIF_POS) info.nPos = d->pos;
  if (info.fMask & SIF_TRACKPOS) info.nTrackPos = d->trackPos;
  return true;
}

int SetScrollPos(HWND wnd, int bar, int pos, bool redraw) {
  const TScrollBarData* d = BarData(wnd, bar);
  if (!d) return 0;
  const int old = d->pos;
  SCROLLINFO info;
  info.fMask = SIF_POS;
  info.nPos = pos;
  SetScrollInfo(wnd, bar, info, redraw);
  return old;
}

int GetScrollPos(HWND wnd, int bar) {
  const TScrollBarData* d = BarData(wnd, bar);
  return d ? d->pos : 0;
}

bool SetScrollRange(HWND wnd, int bar, int min, int max, bool redraw) {
  if (!BarData(wnd, bar)) return false;
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  info.nMin = min;
  info.nMax = max;
  SetScrollInfo(wnd, bar, info, redraw);
  return true;
}

bool GetScrollRange(HWND wnd, int bar, int& min, int& max) {
  const TScrollBarData* d = BarData(wnd, bar);
  if (!d) return false;
  min = d->min;
  max = d->max;
  return true;
}

bool ShowScrollBar(HWND wnd, int bar, bool show) {
  TWindowData* w = Find(wnd);
  if (!w) return false;
  UINT bits = 0;
  if (bar == SB_HORZ || bar == SB_BOTH) bits |= WS_HSCROLL;
  if (bar == SB_VERT || bar == SB_BOTH) bits |= WS_VSCROLL;
  const UINT style = show ? (w->style | bits) : (w->style & ~bits);
  if (style == w->style) return true;
  w->style = style;
  SetWindowPos(wnd, 0, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

bool EnableScrollBar(HWND wnd, UINT bar, UINT arrows) {
  bool changed = false;
  for (int b : {SB_HORZ, SB_VERT}) {
    if (!(bar == SB_BOTH || static_cast<int>(bar) == b)) continue;
    TScrollBarData* d = BarData(wnd, b);
    if (!d || d->disabledArrows == arrows) continue;
    d->disabledArrows = arrows;
    changed = true;
    Redraw(wnd, b);
  }
  return changed;
}

TScrollBarLayout ScrollBarLayout(HWND wnd, int bar) {
  TScrollBarLayout l;
  const TScrollBarData* d = BarData(wnd, bar);
  if (!d) return l;
  l.vertical = bar == SB_VERT;
  l.bar = l.vertical ? VertScrollBarRect(wnd) : HorzScrollBarRect(wnd);
  if (IsRectEmpty(l.bar)) return l;
  const int length = l.vertical ? l.bar.Height() : l.bar.Width();
  const int start = l.vertical ? l.bar.top : l.bar.left;
  int arrow = GetSystemMetrics(l.vertical ? SM_CYVSCROLL : SM_CXHSCROLL);
  if (length < 2 * arrow) arrow = length / 2;
  l.lineUp = Span(l, start, start + arrow);
  l.lineDown = Span(l, start + length - arrow, start + length);
  l.track = Span(l, start + arrow, start + length - arrow);
  const int trackLength = TrackLength(l);
  if (!Scrollable(*d) || PartDisabled(*d, TScrollBarPart::Thumb) || trackLength < kMinScrollThumb) return l;
  const int thumb = ThumbSize(*d, trackLength, l.vertical);
  if (thumb > trackLength) return l;
  const int pos = ThumbDragged(wnd, bar) ? d->trackPos : d->pos;
  const int span = MaxPos(*d) - d->min;
  const int offset =
      span > 0 ? std::clamp(MulDiv(trackLength - thumb, pos - d->min, span), 0, trackLength - thumb) : 0;
  l.thumb = Span(l, start + arrow + offset, start + arrow + offset + thumb);
  return l;
}

TScrollBarPart ScrollBarHitTest(HWND wnd, int bar, TPoint p) {
  const TScrollBarLayout l = ScrollBarLayout(wnd, bar);
  if (!PtInRect(l.bar, p)) return TScrollBarPart::None;
  if (PtInRect(l.lineUp, p)) return TScrollBarPart::LineUp;
  if (PtInRect(l.lineDown, p)) return TScrollBarPart::LineDown;
  if (IsRectEmpty(l.thumb)) return TScrollBarPart::None;
  if (PtInRect(l.thumb, p)) return TScrollBarPart::Thumb;
  return Along(l, p) < (l.vertical ? l.thumb.top : l.thumb.left) ? TScrollBarPart::PageUp
                                                                 : TScrollBarPart::PageDown;
}

void BeginScrollBarTracking(HWND wnd, int bar, TPoint screen) {
  if (ScrollBarTracking()) return;
  TScrollBarData* d = BarData(wnd, bar);
  if (!d) return;
  const TPoint p = ToWindow(wnd, screen);
  const TScrollBarPart part = ScrollBarHitTest(wnd, bar, p);
  if (part == TScrollBarPart::None || PartDisabled(*d, part)) return;
  const TScrollBarLayout l = ScrollBarLayout(wnd, bar);
  SetCapture(wnd);
  if (!Find(wnd)) return;
  Current() = ScrollTracking{wnd, bar, part, Along(l, p) - (l.vertical ? l.thumb.top : l.thumb.left), true};
  if (part == TScrollBarPart::Thumb) {
    d->trackPos = d->pos;
  } else {
    SetTimer(RepeatWindow(), kRepeatTimer, kScrollRepeatDelay);
    SendScroll(wnd, bar, CodeOf(part));
  }
  Redraw(wnd, bar);
  // A quick click's release can come before its press is handled: it found no tracking to
  // end, so the press steps once and ends here rather than repeating with no button held.
  if (ScrollBarTracking() && GetKeyState(VK_LBUTTON) >= 0) EndScrollBarTracking();
}

bool ScrollBarTracking() {
  return Current().wnd != 0;
}

void TrackScrollBar(TPoint screen) {
  ScrollTracking& t = Current();
  const HWND wnd = t.wnd;
  const int bar = t.bar;
  TScrollBarData* d = BarData(wnd, bar);
  if (!d) return;
  const TPoint p = ToWindow(wnd, screen);
  if (t.part != TScrollBarPart::Thumb) {
    const bool over = ScrollBarHitTest(wnd, bar, p) == t.part;
    if (over != t.over) {
      t.over = over;
      Redraw(wnd, bar);
    }
    return;
  }
  const TScrollBarLayout l = ScrollBarLayout(wnd, bar);
  const int free = TrackLength(l) - ThumbLength(l);
  const int offset = std::clamp(Along(l, p) - TrackStart(l) - t.grab, 0, std::max(free, 0));
  const int pos =
      free > 0 ? std::clamp(d->min + MulDiv(offset, MaxPos(*d) - d->min, free), d->min, MaxPos(*d)) : d->min;
  if (pos == d->trackPos) return;
  d->trackPos = pos;
  SendScroll(wnd, bar, SB_THUMBTRACK, pos);
  Redraw(wnd, bar);
}

void EndScrollBarTracking() {
  const ScrollTracking t = Current();
  Current() = {};
  StopRepeat();
  if (GetCapture() == t.wnd) ReleaseCapture();
  const TScrollBarData* d = BarData(t.wnd, t.bar);
  if (!d) return;
  if (t.part == TScrollBarPart::Thumb) SendScroll(t.wnd, t.bar, SB_THUMBPOSITION, d->trackPos);
  if (Find(t.wnd)) SendScroll(t.wnd, t.bar, SB_ENDSCROLL);
  Redraw(t.wnd, t.bar);
}

void PaintScrollBars(HWND wnd, HDC dc) {
  PaintBar(wnd, SB_VERT, dc);
  PaintBar(wnd, SB_HORZ, dc);
  const TRect vert = VertScrollBarRect(wnd);
  const TRect horz = HorzScrollBarRect(wnd);
  if (!IsRectEmpty(vert) && !IsRectEmpty(horz))
    dc->FillRect(Rect(vert.left, horz.top, vert.right, horz.bottom), GetSysColor(COLOR_BTNFACE));
}

namespace windata {

void CancelScrollTrackingWithin(HWND wnd) {
  const ScrollTracking t = Current();
  if (t.wnd == 0 || !Contains(wnd, t.wnd)) return;
  Current() = {};
  StopRepeat();
  Redraw(t.wnd, t.bar);
}

}  // namespace windata

}  // namespace ordvane
