#pragma once
// Drives forms and controls without a display, as a user would: the mouse and the
// keyboard go in through the host input functions a real display uses (so hit testing,
// activation, double clicks, capture, key messages and character translation all run),
// time runs on a virtual clock, and messages (paints included) are handled after each
// input. What the screen shows, and what waits to be painted, can be read back.

#include <deque>
#include <functional>

#include "classlib/core/Application.h"
#include "classlib/ui/Controls.h"
#include "classlib/ui/Host.h"
#include "classlib/ui/Raster.h"
#include "classlib/ui/WinInput.h"
#include "tests/support/VirtualTime.h"

namespace ordvane::test {

class UiDriver {
 public:
  // Installs virtual time and the headless host with its default monitor.
  UiDriver();
  ~UiDriver();
  UiDriver(const UiDriver&) = delete;
  UiDriver& operator=(const UiDriver&) = delete;

  VirtualTime& Time() { return fTime; }
  // Moves the clock on, firing the timers on the way, and handles the messages.
  void Advance(UInt64 milliseconds) { fTime.Advance(milliseconds); }
  // Handles every message waiting (paints included).
  void Process() { Application->ProcessMessages(); }

  // The screen point of a point in a control's client area.
  static TPoint ScreenPoint(const TControl* control, TPoint client);

  // The mouse, at a control's client points or at screen points.
  void MoveTo(const TControl* control, TPoint client) { MoveToScreen(ScreenPoint(control, client)); }
  void MoveToScreen(TPoint screen);
  void Press(const TControl* control, TPoint client, THostButton button = THostButton::Left);
  void Release(const TControl* control, TPoint client, THostButton button = THostButton::Left);
  void PressAtScreen(TPoint screen, THostButton button = THostButton::Left);
  void ReleaseAtScreen(TPoint screen, THostButton button = THostButton::Left);
  void Click(const TControl* control, TPoint client, THostButton button = THostButton::Left);
  void ClickAtScreen(TPoint screen, THostButton button = THostButton::Left);
  void DoubleClick(const TControl* control, TPoint client);
  // Presses at `from`, moves in `steps` even steps to `to`, releases there.
  void Drag(const TControl* control, TPoint from, TPoint to, int steps = 4);
  // Turns the wheel by notches (positive: away from the user) where the mouse is.
  void Wheel(int notches) { WheelBy(notches * WHEEL_DELTA); }
  // The same by a raw delta: high-resolution wheels and touchpads send parts of a notch.
  void WheelBy(int delta);

  // The keyboard. KeyDown / KeyUp are single key events; Press holds the modifiers of
  // `shift` around one press of the key; Type presses the keys of a US keyboard that type
  // the text (UTF-8), and types other characters without a key of their own.
  void KeyDown(Word virtualKey, const WideString& text = {});
  void KeyUp(Word virtualKey);
  void Press(Word virtualKey, TShiftState shift = {});
  void Type(const std::string& utf8);

  // What waits to be painted in a window (client coordinates).
  static TRegion UpdateRegion(TWinControl* control);
  // The screen as it shows now, and one of its pixels at a control's client point.
  static TRaster Screen();
  static TColorRef Pixel(const TControl* control, TPoint client);

  int Beeps() const { return HeadlessHost().Beeps(); }
  HCURSOR Cursor() const { return HeadlessHost().Cursor(); }

  // Queues a step to run when a waiting message loop (a modal one) finds nothing to do:
  // one step each time, in order, so that a test acts inside the loops it starts, nested
  // ones included. A loop that would wait with no step left fails the test and is ended.
  void Later(std::function<void()> step);

 private:
  void Input(const std::function<void()>& event);
  void RunStep(TObject* sender, bool& done);

  VirtualTime fTime;
  TPoint fMouse;
  std::deque<std::function<void()>> fSteps;
};

}  // namespace ordvane::test
