#pragma once
// The mouse cursor shown over the whole screen, as a hook: headless libraries (a dataset
// that shows an hourglass while it talks to the server) set and read it without knowing
// the window layer, which installs itself here when it is linked. Without the window
// layer the hook only keeps the value, so code that saves and restores it still works.

#include <functional>

#include "classlib/core/System.h"

namespace ordvane {

// Mouse cursors: the platform's standard numbers.
using TCursor = SmallInt;
enum : TCursor {
  crDefault = 0,
  crNone = -1,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crUpArrow = -10,
  crHourGlass = -11,
  crDrag = -12,
  crNoDrop = -13,
  crHSplit = -14,
  crVSplit = -15,
  crSQLWait = -17,
  crSizeAll = -22,
};

struct TScreenCursorHook {
  std::function<TCursor()> Get;
  std::function<void(TCursor)> Set;
};

TCursor GetScreenCursor();
void SetScreenCursor(TCursor value);
// Replaces the hook; an empty hook (either half missing) puts back the one that keeps
// the value. Answers the hook that was installed.
TScreenCursorHook SetScreenCursorHook(TScreenCursorHook hook);

}  // namespace ordvane
