#pragma once
// The records behind window handles, shared by the units of the window layer (Windows,
// WinPaint, WinInput, ScrollBars). Code outside classlib/ui uses the functions of those
// units instead.
//
// The window layer runs on the thread that creates the windows (the user-interface
// thread); other threads reach a window only through the message queue.

#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "classlib/core/MessageQueue.h"
#include "classlib/core/Messages.h"
#include "classlib/ui/InputMethod.h"
#include "classlib/ui/Regions.h"
#include "classlib/ui/Types.h"

namespace ordvane {

class TRaster;

namespace windata {

struct TScrollBarData {
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  UINT disabledArrows = 0;  // ESB_ bits
};

struct TWindowData {
  HWND handle = 0;
  std::thread::id thread;      // the thread whose queue gets the window's messages
  HWND parent = 0;             // 0: a top-level window
  HWND owner = 0;              // the owner of a top-level window
  std::vector<HWND> children;  // the top of the z-order first
  UINT style = 0;
  UINT exStyle = 0;
  UINT classStyle = 0;
  AnsiString text;
  TRect rect;    // in the parent's client coordinates; screen coordinates when top-level
  TRect client;  // in the window's own coordinates
  std::optional<TRect> normalRect;  // while maximized: the rectangle it is restored to
  TScrollBarData hbar;
  TScrollBarData vbar;
  std::optional<TRegion> shape;  // SetWindowRgn, window coordinates
  bool destroying = false;
  TImeMode imeMode = imDontCare;
  std::optional<TRect> imeComposition;  // client coordinates

  // Painting: the invalid part of the client area (client coordinates), whether it is to
  // be erased first, and whether the non-client area needs painting.
  TRegion update;
  bool erase = false;
  bool ncDirty = false;
  bool ncActive = false;  // the frame shows the active look (WM_NCACTIVATE)
  // BeginPaint calls, and their count when a WM_PAINT was last taken to be handled: a
  // window that did not paint then is taken as painted, so that its WM_PAINT does not
  // come back for ever.
  unsigned paintCount = 0;
  std::optional<unsigned> paintTakenAt;
  // The pixels of a top-level window and everything inside it (window coordinates).
  std::shared_ptr<TRaster> surface;
};

TWindowData* Find(HWND wnd);
TWindowData& Add(HWND wnd);
void Remove(HWND wnd);

// SendMessage without the parameters a message does not use.
inline LRESULT Send(HWND wnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessage(wnd, msg, wParam, lParam);
}

// The top-level windows, the top of the z-order first.
std::vector<HWND>& TopLevels();

// Where the window's top-left corner and its client area's top-left corner lie on the
// screen, and the top-level window that holds it (itself when it is one).
TPoint ScreenOrigin(const TWindowData& w);
TPoint ClientScreenOrigin(const TWindowData& w);
TWindowData& TopLevelOf(TWindowData& w);
// The window's rectangle and client rectangle in the coordinates of its top-level
// window's surface.
TRect SurfaceRect(const TWindowData& w);
TRect SurfaceClientRect(const TWindowData& w);

// True when the window and all its ancestors have WS_VISIBLE.
bool Visible(const TWindowData& w);
// True when the window is the ancestor or the same window.
bool Contains(HWND ancestor, HWND wnd);

// The deepest visible window under a screen point, disabled children standing for their
// parent, the excluded windows (and what lies inside them) passed over.
HWND WindowAt(TPoint screen, const std::vector<HWND>& excluded);

// Whenever a window moves, changes size, appears, vanishes or changes its place in the
// z-order, the device contexts handed out follow (RefreshDeviceContexts).
void GeometryChanged();

// What the units of the window layer ask of each other (each implemented in its unit).
// WinPaint: the surface of a top-level window follows its size and goes with it; a
// window that appears or changes is repainted whole; an area a child leaves is repainted
// in its parent; device contexts follow the geometry.
void AttachSurface(TWindowData& w);
void DetachSurface(TWindowData& w);
void InvalidateWhole(TWindowData& w);
void ExposeInParent(const TWindowData& child, const TRegion& area);
void RefreshDeviceContexts();
// WinInput: a window that is destroyed, hidden or disabled gives up what it and the
// windows inside it hold: the mouse capture (a hidden or disabled window is told
// WM_CANCELMODE first), the focus (to the nearest usable ancestor when hidden or
// disabled; to nothing when destroyed, as its control decides where it goes), the
// activation (not for disabling: to its owner or the next top-level window) and the
// double-click memory. A minimized window gives up the same as a hidden one but keeps its
// caret on its pixels.
enum class TInputRelease { Destroy, Hide, Minimize, Disable };
void ReleaseInputOf(HWND wnd, TInputRelease reason);
// WinInput: the caret of a window is taken off its pixels while the window paints and
// put back afterwards.
void SuspendCaret(HWND wnd);
void ResumeCaret(HWND wnd);
// ScrollBars: scroll-bar tracking in the window or inside it ends without a message.
void CancelScrollTrackingWithin(HWND wnd);

}  // namespace windata
}  // namespace ordvane
