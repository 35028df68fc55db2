#pragma once
// The host: the display the window layer shows itself on. Everything the windows do runs
// in the window layer; the host only shows the pixels of the top-level windows, reports
// the monitors and the mouse position, and hands the user's input back in through the
// functions of WinInput.h. Without a display the headless host stands in: it keeps the
// monitor list and the pointer position, and nothing is shown. A real host (a window
// system through Qt) implements the same interface, so no control changes with it.

#include <vector>

#include "classlib/core/Messages.h"
#include "classlib/ui/Types.h"

namespace ordvane {

// A mouse cursor; 0 is none. Cursors.h gives the handles their pictures.
using HCURSOR = std::uintptr_t;

struct TMonitorInfo {
  TRect bounds;    // screen coordinates
  TRect workArea;  // the part windows may use (the bounds less the task bar)
};

class TWindowHost {
 public:
  virtual ~TWindowHost() = default;

  // The monitors, the primary one first; never empty.
  virtual std::vector<TMonitorInfo> Monitors() const = 0;
  // The program moves the pointer (screen coordinates); the window layer then handles it
  // as a move of the mouse.
  virtual void SetCursorPos(TPoint /*position*/) {}

  // News about top-level windows (bounds in screen coordinates, areas in the window's own
  // coordinates). The pixels are the window's surface (WinPaint.h).
  virtual void WindowShown(HWND /*wnd*/, const TRect& /*bounds*/) {}
  virtual void WindowMoved(HWND /*wnd*/, const TRect& /*bounds*/) {}
  virtual void WindowHidden(HWND /*wnd*/) {}
  virtual void WindowDestroyed(HWND /*wnd*/) {}
  virtual void WindowPixelsChanged(HWND /*wnd*/, const TRect& /*area*/) {}
  // The window's text (a form's caption, the title a desktop shows for it) changed.
  virtual void WindowTextChanged(HWND /*wnd*/) {}
  virtual void ZOrderChanged() {}
  // The window was minimized or brought back while shown; a window shown minimized
  // (IsIconic) is reported by WindowShown.
  virtual void WindowMinimized(HWND /*wnd*/, bool /*minimized*/) {}
  // The layer's active top-level window changed (0: none of its windows is active).
  virtual void ActiveWindowChanged(HWND /*wnd*/) {}
  // The cursor to show, and whether the program holds the mouse.
  virtual void CursorChanged(HCURSOR /*cursor*/) {}
  virtual void MouseCaptured(bool /*captured*/) {}
  virtual void Beep(UINT /*type*/) {}
  // The program put new data on the clipboard (Clipbrd.h).
  virtual void ClipboardChanged() {}
  // The focus moved to this window (0: none), or the input-method mode or composition
  // place of the focused window changed (InputMethod.h).
  virtual void InputMethodChanged(HWND /*focus*/) {}
};

// A host without a display: one 1024 x 768 monitor whose bottom 30 pixels are the task
// bar, unless the monitors are set. It keeps the cursor shown last and counts beeps, so
// that tests can see them.
class THeadlessHost : public TWindowHost {
 public:
  THeadlessHost();

  std::vector<TMonitorInfo> Monitors() const override { return fMonitors; }
  void SetMonitors(std::vector<TMonitorInfo> monitors);
  void CursorChanged(HCURSOR cursor) override { fCursor = cursor; }
  HCURSOR Cursor() const { return fCursor; }
  void Beep(UINT /*type*/) override { ++fBeeps; }
  int Beeps() const { return fBeeps; }

 private:
  std::vector<TMonitorInfo> fMonitors;
  HCURSOR fCursor = 0;
  int fBeeps = 0;
};

// The host in use: the process's headless host unless SetHost installed another.
// SetHost(nullptr) goes back to the headless one; the caller keeps an installed host
// alive until then.
TWindowHost& Host();
THeadlessHost& HeadlessHost();
void SetHost(TWindowHost* host);

// The platform's beep, passed to the host.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
bool MessageBeep(UINT type);

}  // namespace ordvane
