#pragma once
// Painting: update regions, WM_PAINT, device contexts of windows, scrolling the pixels of
// a window, and the pixels of the screen.
//
// Every top-level window owns a surface: a raster of its size that holds its own pixels
// and those of every window inside it. A device context of a window draws into that
// surface at the window's place, limited to the window's visible region: its client area
// (or the whole window for GetWindowDC) within its ancestors' client areas, less the
// siblings above it and, with WS_CLIPCHILDREN, less its children. The context follows the
// window when it moves. Pixels stay where they were drawn until painted over, so a window
// repaints only what is invalid.
//
// Invalidating adds to a window's update region (client coordinates); a window whose
// parent lacks WS_CLIPCHILDREN is invalidated with it where they overlap, as the parent's
// painting covers it. While a window has an update region (or its frame needs painting),
// its thread's queue hands out WM_PAINT for it, parents before children; BeginPaint
// paints the frame (WM_NCPAINT) and erases (WM_ERASEBKGND) when asked, validates, and
// gives a context clipped to the region; EndPaint gives it back.

#include "classlib/core/Messages.h"
#include "classlib/ui/DeviceContext.h"
#include "classlib/ui/Raster.h"
#include "classlib/ui/Regions.h"
#include "classlib/ui/Types.h"

namespace ordvane {

// RedrawWindow flags.
constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

// ScrollWindowEx flags.
constexpr UINT SW_INVALIDATE = 0x0002;
constexpr UINT SW_ERASE = 0x0004;

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  bool fErase = false;  // the background still needs erasing (WM_ERASEBKGND answered 0)
  TRect rcPaint;        // the bounds of the update region, client coordinates
};

// A null rectangle or region stands for the whole client area. Invalidating a hidden
// window does nothing; it is painted whole when it appears.
bool InvalidateRect(HWND wnd, const TRect* rect, bool erase);
bool InvalidateRgn(HWND wnd, const TRegion* region, bool erase);
bool ValidateRect(HWND wnd, const TRect* rect);
bool ValidateRgn(HWND wnd, const TRegion* region);
// The update region's bounds; with `erase`, a pending erase is done first. Answers
// whether there is one.
bool GetUpdateRect(HWND wnd, TRect* rect, bool erase);
// The update region (client coordinates); answers its type.
int GetUpdateRgn(HWND wnd, TRegion& region, bool erase);
// Paints the window now (WM_PAINT sent) when it has something to paint.
bool UpdateWindow(HWND wnd);
// RDW_INVALIDATE (with RDW_ERASE, RDW_FRAME) or RDW_VALIDATE (RDW_NOERASE, RDW_NOFRAME);
// RDW_ALLCHILDREN / RDW_NOCHILDREN decide whether children take part (by default those
// of a parent without WS_CLIPCHILDREN do); RDW_UPDATENOW and RDW_ERASENOW paint at once.
bool RedrawWindow(HWND wnd, const TRect* rect, const TRegion* region, UINT flags);

HDC BeginPaint(HWND wnd, PAINTSTRUCT& paint);
bool EndPaint(HWND wnd, const PAINTSTRUCT& paint);

// BeginPaint when made, EndPaint when it goes, however the painting between ends.
class TPaintSession {
 public:
  explicit TPaintSession(HWND wnd) : fWnd(wnd), fDC(BeginPaint(wnd, fPaint)) {}
  ~TPaintSession() {
    if (fDC) EndPaint(fWnd, fPaint);
  }
  TPaintSession(const TPaintSession&) = delete;
  TPaintSession& operator=(const TPaintSession&) = delete;
  // Null when the window cannot be painted.
  HDC DC() const { return fDC; }
  const PAINTSTRUCT& Paint() const { return fPaint; }

 private:
  HWND fWnd;
  PAINTSTRUCT fPaint;
  HDC fDC;
};
// A context of the client area, or of the whole window, until ReleaseDC.
HDC GetDC(HWND wnd);
HDC GetWindowDC(HWND wnd);
int ReleaseDC(HWND wnd, HDC dc);

// Moves the pixels of the scroll rectangle (the client area when null) by (dx, dy), only
// within the clip rectangle (the client area when null). What the move uncovers there,
// and what it fills from pixels that were not visible, is the update: it is answered in
// `update` and `updateRect` (when given) and, with SW_INVALIDATE, added to the window's
// update region (with SW_ERASE, to be erased). The part of the update region that lay in
// the scroll rectangle moves with the pixels. Children do not move. Answers the update's
// region type (ERROR for no window).
int ScrollWindowEx(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip, TRegion* update,
                   TRect* updateRect, UINT flags);
bool ScrollWindow(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip);

// The pixels of a top-level window (nullptr for others), and the whole screen: the
// desktop colour with the visible top-level windows on it, bottom to top.
const TRaster* WindowSurface(HWND wnd);
TRaster ScreenImage();

// The default WM_NCPAINT: the frame, the caption, the client edge and the scroll bars in
// the classic look.
void PaintDefaultFrame(HWND wnd);

}  // namespace ordvane
