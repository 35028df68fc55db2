// Mouse, capture and window-map state shared by the control units; not part of the
// window layer's interface.
#pragma once

#include <unordered_map>

#include "classlib/ui/Controls.h"

namespace ordvane::controls_internal {

extern TControl* gCaptureControl;  // a windowless control the mouse is captured for
extern TControl* gMouseControl;    // the control under the mouse, told CM_MOUSEENTER

// Lives as long as the process, so that a control destroyed at exit still finds it.
std::unordered_map<HWND, TWinControl*>& ControlsByWindow();

inline bool IsDoubleClickMessage(UINT msg) {
  return msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
}

inline bool IsMouseMessage(UINT msg) {
  return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST;
}

// The control the mouse is over now, told CM_MOUSEENTER and CM_MOUSELEAVE as it changes
// (while the mouse is captured, only the capture control is told).
void UpdateMouseControl();

void InstallMessageProcessor();

// A control that dies while it is dragged ends the drag without telling anyone.
void DragSourceDestroyed(const TControl* control);

inline TWinControl* AsWinControl(TControl* control) {
  return dynamic_cast<TWinControl*>(control);
}

// Paints on a control canvas for the life of a scope.
class TPaintingScope {
 public:
  TPaintingScope(TControlCanvas& canvas, HDC dc) : fCanvas(canvas) { canvas.BeginPainting(dc); }
  ~TPaintingScope() { fCanvas.EndPainting(); }
  TPaintingScope(const TPaintingScope&) = delete;
  TPaintingScope& operator=(const TPaintingScope&) = delete;

 private:
  TControlCanvas& fCanvas;
};

}  // namespace ordvane::controls_internal
