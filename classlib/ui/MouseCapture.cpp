#include "classlib/ui/Controls.h"

#include "classlib/ui/ControlsInternal.h"

namespace ordvane {

namespace controls_internal {

TControl* gCaptureControl = nullptr;
TControl* gMouseControl = nullptr;

// The control the mouse is over now, told CM_MOUSEENTER and CM_MOUSELEAVE as it changes
// (while the mouse is captured, only the capture control is told).
void UpdateMouseControl() {
  TPoint pos;
  GetCursorPos(pos);
  TControl* control = FindDragTarget(pos, true);
  if (control == gMouseControl) return;
  TControl* capture = GetCaptureControl();
  TControl* old = gMouseControl;
  gMouseControl = control;
  if (old && (!capture || old == capture)) old->Perform(CM_MOUSELEAVE, 0, 0);
  if (gMouseControl == control && control && (!capture || control == capture))
    control->Perform(CM_MOUSEENTER, 0, 0);
}

}  // namespace controls_internal

using namespace controls_internal;

namespace {

TMouse gMouse;

}  // namespace

TMouse* Mouse = &gMouse;

TControl* GetCaptureControl() {
  TControl* control = FindControl(GetCapture());
  if (control && gCaptureControl && gCaptureControl->Parent() == control) return gCaptureControl;
  return control;
}

void SetCaptureControl(TControl* control) {
  if (!control) {
    gCaptureControl = nullptr;
    ReleaseCapture();
    return;
  }
  TWinControl* windowed = AsWinControl(control);
  if (!windowed) {
    windowed = control->Parent();
    if (!windowed) return;
  }
  SetCapture(windowed->Handle());
  gCaptureControl = windowed == control ? nullptr : control;
}

TControl* FindDragTarget(TPoint pos, bool allowDisabled) {
  HWND wnd = WindowFromPoint(pos);
  TWinControl* control = nullptr;
  while (wnd != 0 && !(control = FindControl(wnd))) wnd = GetAncestor(wnd, GA_PARENT);
  if (!control) return nullptr;
  TControl* inner = control->ControlAtPos(control->ScreenToClient(pos), allowDisabled);
  return inner ? inner : control;
}

void TMouse::SetCapture(HWND wnd) {
  if (wnd)
    ordvane::SetCapture(wnd);
  else
    ReleaseCapture();
}

TPoint TMouse::CursorPos() const {
  TPoint pos;
  GetCursorPos(pos);
  return pos;
}

void TMouse::SetCursorPos(TPoint position) {
  ordvane::SetCursorPos(position.x, position.y);
}

}  // namespace ordvane
