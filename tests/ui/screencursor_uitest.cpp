// The window layer fills the core's screen-cursor hook: a cursor set through the hook is
// the screen's cursor and shows over every control, and the hook reads what the screen
// shows.

#include <gtest/gtest.h>

#include <memory>

#include "classlib/core/ScreenCursor.h"
#include "classlib/ui/Cursors.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

TEST(ScreenCursor, TheHookDrivesTheScreen) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(test::NewForm(Rect(100, 100, 400, 300)));
  form->SetCursor(crIBeam);
  form->Show();
  ui.MoveTo(form.get(), {20, 20});
  ASSERT_EQ(ui.Cursor(), Screen->Cursors(crIBeam));

  SetScreenCursor(crSQLWait);
  EXPECT_EQ(Screen->Cursor(), crSQLWait);
  EXPECT_EQ(ui.Cursor(), Screen->Cursors(crSQLWait));
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(GetScreenCursor(), crHourGlass);
  SetScreenCursor(crDefault);
  EXPECT_EQ(ui.Cursor(), Screen->Cursors(crIBeam));
}

}  // namespace
}  // namespace ordvane
