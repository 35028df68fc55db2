#include "classlib/ui/InputMethod.h"

#include <mutex>

#include "classlib/ui/Host.h"
#include "classlib/ui/WinInput.h"
#include "classlib/ui/WindowData.h"

namespace ordvane {

namespace {

struct TInputMethodState {
  std::mutex lock;
  TImeName name;
};

TInputMethodState& InputMethodState() {
  static TInputMethodState state;
  return state;
}

void TellHostWhenFocused(HWND wnd) {
  if (wnd != 0 && GetFocus() == wnd) Host().InputMethodChanged(wnd);
}

}  // namespace

bool ImeModeComposes(TImeMode mode) {
  return mode != imDisable && mode != imClose;
}

void SetImeMode(HWND wnd, TImeMode mode) {
  windata::TWindowData* w = windata::Find(wnd);
  if (w == nullptr || w->imeMode == mode) return;
  w->imeMode = mode;
  TellHostWhenFocused(wnd);
}

TImeMode ImeModeOf(HWND wnd) {
  const windata::TWindowData* w = windata::Find(wnd);
  return w == nullptr ? imDontCare : w->imeMode;
}

void SetImeCompositionWindow(HWND wnd, const TRect& area) {
  windata::TWindowData* w = windata::Find(wnd);
  if (w == nullptr || w->imeComposition == area) return;
  w->imeComposition = area;
  TellHostWhenFocused(wnd);
}

std::optional<TRect> ImeCompositionWindowOf(HWND wnd) {
  const windata::TWindowData* w = windata::Find(wnd);
  return w == nullptr ? std::nullopt : w->imeComposition;
}

void SetImeName(const TImeName& name) {
  TInputMethodState& s = InputMethodState();
  const std::lock_guard guard(s.lock);
  s.name = name;
}

TImeName ActiveImeName() {
  TInputMethodState& s = InputMethodState();
  const std::lock_guard guard(s.lock);
  return s.name;
}

}  // namespace ordvane
