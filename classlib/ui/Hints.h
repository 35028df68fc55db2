#pragma once
// Hints: the small window that shows a control's Hint text, and the machinery that shows
// it when the mouse rests on a control.
//
// When the mouse moves onto a control whose ShowHint is set (the control itself or the
// nearest parent that has it), the control is asked for the pause (CM_HINTSHOWPAUSE:
// wParam 1 while a hint shows, lParam points to the pause, Application->HintPause or,
// while a hint shows, HintShortPause). After the pause (at once for 0) it is asked to
// show (CM_HINTSHOW: lParam points to a THintInfo it may change; a nonzero answer
// refuses); the hint window of the info's class then shows HintStr at HintPos, until the
// mouse leaves the info's CursorRect or the control, a key or button is pressed, or
// HideTimeout passes (with ReshowTimeout, the control is asked again after that time).

#include "classlib/ui/Controls.h"

namespace ordvane {

class THintWindow;

// Makes a hint window of some class; CreateHintWindow<T> makes one of class T.
using THintWindowClass = THintWindow* (*)(TComponent* owner);
template <class T>
THintWindow* CreateHintWindow(TComponent* owner) {
  return new T(owner);
}

struct THintInfo {
  TControl* HintControl = nullptr;
  THintWindowClass HintWindowClass = nullptr;
  TPoint HintPos;        // screen coordinates of the window's top-left corner
  int HintMaxWidth = 0;  // the text wraps at this width
  TColor HintColor = clInfoBk;
  TRect CursorRect;       // HintControl's client coordinates
  TPoint CursorPos;       // HintControl's client coordinates
  int ReshowTimeout = 0;  // milliseconds; 0: no reshow
  int HideTimeout = 0;    // milliseconds
  AnsiString HintStr;
  void* HintData = nullptr;
};

class THintWindow : public TCustomControl {
  ORDVANE_CLASS(THintWindow, TCustomControl)

 public:
  explicit THintWindow(TComponent* owner);

  // Shows the hint at a screen rectangle (moved into the monitor's work area), on top of
  // every window, without taking the activation.
  virtual void ActivateHint(const TRect& rect, const AnsiString& hint);
  virtual void ActivateHintData(const TRect& rect, const AnsiString& hint, void* data);
  // The rectangle (at 0, 0) the text needs, wrapped at maxWidth.
  virtual TRect CalcHintRect(int maxWidth, const AnsiString& hint, void* data);
  void ReleaseHandle() { DestroyHandle(); }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
};

// The part of a hint before '|' (the rest is a longer description).
AnsiString GetShortHint(const AnsiString& hint);

// The hint machinery, as the controls and the message loop drive it.
void HintMouseMessage(TControl* control, const TMessage& message);
void HintsSeeMessage(const TMsg& msg);
void HintControlDestroyed(TControl* control);
void CancelHint();
// The hint window now showing (nullptr when none shows).
THintWindow* ShownHintWindow();

}  // namespace ordvane
