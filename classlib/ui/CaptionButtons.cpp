#include "classlib/ui/CaptionButtons.h"

#include <algorithm>

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/Colors.h"
#include "classlib/ui/WinInput.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/WindowData.h"
#include "classlib/ui/Windows.h"

namespace ordvane {

using windata::Find;

namespace {

struct TOffered {
  bool close = false;
  bool boxes = false;  // minimize and maximize are shown together, one may be disabled
  bool minimize = false;
  bool maximize = false;
};

// Tool windows offer only the close button; minimize and maximize need the system menu.
TOffered Offered(const windata::TWindowData& w) {
  TOffered offered;
  if ((w.style & WS_CAPTION) != WS_CAPTION || !(w.style & WS_SYSMENU)) return offered;
  offered.close = true;
  if (w.exStyle & WS_EX_TOOLWINDOW) return offered;
  offered.minimize = (w.style & WS_MINIMIZEBOX) != 0;
  offered.maximize = (w.style & WS_MAXIMIZEBOX) != 0;
  offered.boxes = offered.minimize || offered.maximize;
  return offered;
}

bool Enabled(const windata::TWindowData& w, LRESULT button) {
  const TOffered offered = Offered(w);
  return button == HTCLOSE ? offered.close : button == HTMINBUTTON ? offered.minimize : offered.maximize;
}

// The command a button gives: maximize turns into restore while the window is maximized.
WPARAM CommandOf(HWND wnd, LRESULT button) {
  if (button == HTCLOSE) return SC_CLOSE;
  if (button == HTMINBUTTON) return SC_MINIMIZE;
  return IsZoomed(wnd) ? SC_RESTORE : SC_MAXIMIZE;
}

void Pixels(HDC dc, TColorRef color, int left, int top, int width, int height) {
  dc->FillRect(Bounds(left, top, width, height), color);
}

void Frame(HDC dc, TColorRef color, int left, int top, int width, int height) {
  Pixels(dc, color, left, top, width, 2);  // the thick top of a window
  Pixels(dc, color, left, top + height - 1, width, 1);
  Pixels(dc, color, left, top, 1, height);
  Pixels(dc, color, left + width - 1, top, 1, height);
}

// A button's picture, drawn with pixels in a box of n + 2 by n + 1 at x, y (n grows with
// the button).
void Glyph(HDC dc, WPARAM command, TColorRef ink, int x, int y, int n) {
  switch (command) {
    case SC_CLOSE:
      for (int i = 0; i < n; ++i) {
        Pixels(dc, ink, x + 1 + i, y + i, 2, 1);
        Pixels(dc, ink, x + n - 1 - i, y + i, 2, 1);
      }
      break;
    case SC_MINIMIZE:
      Pixels(dc, ink, x + 1, y + n - 2, n - 1, 2);
      break;
    case SC_MAXIMIZE:
      Frame(dc, ink, x, y - 1, n + 2, n + 1);
      break;
    default: {  // restore: a window in front of another
      const int side = n - 1;
      Frame(dc, ink, x + 3, y - 1, side, side - 1);
      dc->FillRect(Bounds(x, y + 2, side, side - 1), GetSysColor(COLOR_BTNFACE));
      Frame(dc, ink, x, y + 2, side, side - 1);
      break;
    }
  }
}

void PaintButton(HDC dc, HWND wnd, LRESULT button, bool enabled, bool pushed) {
  TRect r = CaptionButtonRect(wnd, button);
  if (IsRectEmpty(r)) return;
  dc->DrawFrameControl(r, DFC_BUTTON, pushed ? DFCS_BUTTONPUSH | DFCS_PUSHED : DFCS_BUTTONPUSH);
  const int n = std::max(3, r.Height() / 2);
  const int x = r.left + (r.Width() - (n + 2)) / 2 + (pushed ? 1 : 0);
  const int y = r.top + (r.Height() - n) / 2 + (pushed ? 1 : 0);
  const WPARAM command = CommandOf(wnd, button);
  if (enabled) {
    Glyph(dc, command, GetSysColor(COLOR_BTNTEXT), x, y, n);
    return;
  }
  Glyph(dc, command, GetSysColor(COLOR_BTNHIGHLIGHT), x + 1, y + 1, n);
  Glyph(dc, command, GetSysColor(COLOR_BTNSHADOW), x, y, n);
}

struct TTracking {
  HWND wnd = 0;
  LRESULT button = HTNOWHERE;
  bool pushed = false;
};

TTracking& Tracking() {
  static TTracking tracking;
  return tracking;
}

void RepaintButton(HWND wnd, LRESULT button, bool pushed) {
  if (!IsWindowVisible(wnd)) return;
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  PaintButton(dc, wnd, button, true, pushed);
  ReleaseDC(wnd, dc);
}

bool Over(const TTracking& t, TPoint screen) {
  TRect bounds{};
  if (!GetWindowRect(t.wnd, bounds)) return false;
  return CaptionButtonAt(t.wnd, {screen.x - bounds.left, screen.y - bounds.top}) == t.button;
}

}  // namespace

TRect CaptionButtonRect(HWND wnd, LRESULT button) {
  const windata::TWindowData* w = Find(wnd);
  if (!w) return {};
  const TOffered offered = Offered(*w);
  const TRect caption = CaptionRect(wnd);
  if (!offered.close || IsRectEmpty(caption)) return {};
  const int height = std::max(0, caption.Height() - 4);
  const int width = height + 2;
  const int top = caption.top + 2;
  const TRect close = Rect(caption.right - 2 - width, top, caption.right - 2, top + height);
  if (button == HTCLOSE) return close;
  if (!offered.boxes) return {};
  const TRect maximize = Rect(close.left - 2 - width, top, close.left - 2, top + height);
  if (button == HTMAXBUTTON) return maximize;
  if (button == HTMINBUTTON) return Rect(maximize.left - width, top, maximize.left, top + height);
  return {};
}

LRESULT CaptionButtonAt(HWND wnd, TPoint p) {
  for (LRESULT button : {HTCLOSE, HTMAXBUTTON, HTMINBUTTON})
    if (PtInRect(CaptionButtonRect(wnd, button), p)) return button;
  return HTNOWHERE;
}

void PaintCaptionButtons(HWND wnd, HDC dc) {
  const windata::TWindowData* w = Find(wnd);
  if (!w) return;
  const TTracking& t = Tracking();
  for (LRESULT button : {HTCLOSE, HTMAXBUTTON, HTMINBUTTON})
    PaintButton(dc, wnd, button, Enabled(*w, button), t.wnd == wnd && t.button == button && t.pushed);
}

void BeginCaptionButtonTracking(HWND wnd, LRESULT button) {
  const windata::TWindowData* w = Find(wnd);
  if (!w || CaptionButtonTracking() || IsRectEmpty(CaptionButtonRect(wnd, button)) || !Enabled(*w, button))
    return;
  SetCapture(wnd);
  if (!Find(wnd)) return;
  Tracking() = {wnd, button, true};
  RepaintButton(wnd, button, true);
  // A quick click's release may have come in before the press was handled: it ends the
  // tracking now, where the pointer is.
  if (GetAsyncKeyState(VK_LBUTTON) >= 0) {
    TPoint pointer{};
    GetCursorPos(pointer);
    EndCaptionButtonTracking(pointer);
  }
}

bool CaptionButtonTracking() {
  return Tracking().wnd != 0;
}

void TrackCaptionButton(TPoint screen) {
  TTracking& t = Tracking();
  const bool over = Over(t, screen);
  if (over == t.pushed) return;
  t.pushed = over;
  RepaintButton(t.wnd, t.button, over);
}

void EndCaptionButtonTracking(TPoint screen) {
  const TTracking t = Tracking();
  const bool over = Over(t, screen);
  Tracking() = {};
  if (!Find(t.wnd)) return;
  if (GetCapture() == t.wnd) ReleaseCapture();
  RepaintButton(t.wnd, t.button, false);
  if (over && Find(t.wnd)) PostMessage(t.wnd, WM_SYSCOMMAND, CommandOf(t.wnd, t.button), 0);
}

}  // namespace ordvane
