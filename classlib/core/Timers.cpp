#include "classlib/core/Timers.h"

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"

namespace ordvane {

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* owner)
    : TComponent(owner), fWindowHandle(AllocateHWnd(TWndMethod::Bind(this, &TTimer::WndProc))) {}

TTimer::~TTimer() {
  KillTimer(fWindowHandle, kTimerId);
  DeallocateHWnd(fWindowHandle);
}

void TTimer::UpdateTimer() {
  KillTimer(fWindowHandle, kTimerId);
  if (fInterval != 0 && fEnabled && fOnTimer && SetTimer(fWindowHandle, kTimerId, fInterval) == 0)
    throw EOutOfResources("Not enough timers available");
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == fEnabled) return;
  fEnabled = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal interval) {
  if (interval == fInterval) return;
  fInterval = interval;
  UpdateTimer();
}

void TTimer::SetOnTimer(const TNotifyEvent& handler) {
  fOnTimer = handler;
  UpdateTimer();
}

void TTimer::Timer() {
  if (fOnTimer) fOnTimer(this);
}

void TTimer::WndProc(TMessage& message) {
  if (message.Msg != WM_TIMER) return;
  try {
    Timer();
  } catch (...) {
    Application->HandleException(this);
  }
}

}  // namespace ordvane
