#include "classlib/core/ScreenCursor.h"

#include <memory>
#include <utility>

namespace ordvane {

namespace {

TScreenCursorHook KeepingHook() {
  auto kept = std::make_shared<TCursor>(crDefault);
  return {[kept] { return *kept; }, [kept](TCursor value) { *kept = value; }};
}

// Made on first use, so that a window layer installing itself from its own static
// initialisation finds it ready.
TScreenCursorHook& Hook() {
  static TScreenCursorHook hook = KeepingHook();
  return hook;
}

}  // namespace

TCursor GetScreenCursor() { return Hook().Get(); }

void SetScreenCursor(TCursor value) { Hook().Set(value); }

TScreenCursorHook SetScreenCursorHook(TScreenCursorHook hook) {
  if (!hook.Get || !hook.Set) hook = KeepingHook();
  return std::exchange(Hook(), std::move(hook));
}

}  // namespace ordvane
