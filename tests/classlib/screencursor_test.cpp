// The screen-cursor hook: without a window layer it keeps the value it is given, so code
// that saves and restores the cursor round-trips; an installed hook sees every change and
// answers the reads; removing it goes back to keeping.

#include <gtest/gtest.h>

#include <vector>

#include "classlib/core/ScreenCursor.h"

namespace ordvane {
namespace {

TEST(ScreenCursor, KeepsTheValueUntilAHookTakesOverAndAgainAfterwards) {
  const TScreenCursorHook before = SetScreenCursorHook({});
  EXPECT_EQ(GetScreenCursor(), crDefault);
  SetScreenCursor(crSQLWait);
  EXPECT_EQ(GetScreenCursor(), crSQLWait);

  std::vector<TCursor> shown;
  TCursor current = crArrow;
  const TScreenCursorHook keeping = SetScreenCursorHook(
      {[&] { return current; }, [&](TCursor cursor) { shown.push_back(cursor), current = cursor; }});
  // The hook that kept the value is handed back whole.
  EXPECT_EQ(keeping.Get(), crSQLWait);
  EXPECT_EQ(GetScreenCursor(), crArrow);
  SetScreenCursor(crHourGlass);
  SetScreenCursor(crDefault);
  EXPECT_EQ(shown, (std::vector<TCursor>{crHourGlass, crDefault}));

  // Half a hook is no hook: the value is kept again, starting from the default.
  SetScreenCursorHook({[] { return crCross; }, nullptr});
  EXPECT_EQ(GetScreenCursor(), crDefault);
  SetScreenCursor(crIBeam);
  EXPECT_EQ(GetScreenCursor(), crIBeam);
  EXPECT_EQ(shown.size(), 2u);
  SetScreenCursorHook(before);
}

}  // namespace
}  // namespace ordvane
