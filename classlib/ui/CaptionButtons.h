#pragma once
// The buttons of a title bar: close, and minimize and maximize (restore while maximized)
// as the window's style offers them. They are drawn with the caption, answer the hit test
// (HTCLOSE, HTMINBUTTON, HTMAXBUTTON), and a press on one is tracked until the release:
// released over the button, the window gets the WM_SYSCOMMAND of the button, so that a
// form may still refuse to close.

#include "classlib/core/Messages.h"
#include "classlib/ui/DeviceContext.h"
#include "classlib/ui/Types.h"

namespace ordvane {

// The button at a point of the window (window coordinates): HTCLOSE, HTMINBUTTON,
// HTMAXBUTTON, or HTNOWHERE.
LRESULT CaptionButtonAt(HWND wnd, TPoint p);
// Where a button lies (window coordinates); empty when the window has none such.
TRect CaptionButtonRect(HWND wnd, LRESULT button);
// Draws the buttons the window has into its caption.
void PaintCaptionButtons(HWND wnd, HDC dc);

// A left press on a button starts tracking it (a disabled button is not tracked).
void BeginCaptionButtonTracking(HWND wnd, LRESULT button);
bool CaptionButtonTracking();
// The mouse moved while tracking: the button shows pushed while the pointer is over it.
void TrackCaptionButton(TPoint screen);
// The left button was released: over the button, its command goes to the window.
void EndCaptionButtonTracking(TPoint screen);

}  // namespace ordvane
