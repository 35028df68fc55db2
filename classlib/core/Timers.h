#pragma once
// TTimer: a component that calls OnTimer every Interval milliseconds through a window
// timer of its own hidden window, so it fires on the thread that made it, from that
// thread's message loop.

#include "classlib/core/Components.h"
#include "classlib/core/Events.h"
#include "classlib/core/Messages.h"

namespace ordvane {

class TTimer : public TComponent {
  ORDVANE_CLASS(TTimer, TComponent)

 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  // A change of Enabled, Interval or OnTimer re-arms the timer: it runs while Enabled,
  // Interval is not 0 and OnTimer is assigned, and starts counting afresh. Setting Enabled
  // or Interval to its current value changes nothing. A timer that cannot be set raises
  // EOutOfResources "Not enough timers available".
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool enabled);
  Cardinal Interval() const { return fInterval; }
  void SetInterval(Cardinal interval);
  const TNotifyEvent& OnTimer() const { return fOnTimer; }
  void SetOnTimer(const TNotifyEvent& handler);

 protected:
  // Calls OnTimer; an exception goes to Application->HandleException.
  virtual void Timer();

 private:
  void UpdateTimer();
  void WndProc(TMessage& message);

  bool fEnabled = true;
  Cardinal fInterval = 1000;
  TNotifyEvent fOnTimer;
  HWND fWindowHandle;
};

}  // namespace ordvane
