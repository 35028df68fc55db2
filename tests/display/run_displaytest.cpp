// Application->Run() chooses the host: the desktop's when a display is there and the
// setting does not refuse it, with the windows shown before it opened; the headless host
// again when the loop ends, and the desktop's again when the program runs its loop anew.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "classlib/core/Timers.h"
#include "classlib/ui/qt/QtHost.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

TEST(DesktopChoice, TheSettingAndTheDisplayChooseAndRunShowsTheFormsOnTheDesktop) {
  const std::string display = std::getenv("DISPLAY");
  struct Case {
    const char* setting;
    bool withDisplay;
  };
  // The cases that keep the headless host; none of them may touch the display.
  for (const Case& c : {Case{"headless", true}, Case{nullptr, false}, Case{"something else", false}}) {
    c.setting ? setenv("ORDVANE_HOST", c.setting, 1) : unsetenv("ORDVANE_HOST");
    c.withDisplay ? setenv("DISPLAY", display.c_str(), 1) : unsetenv("DISPLAY");
    EXPECT_EQ(OpenDesktop(), nullptr) << (c.setting ? c.setting : "no setting");
  }
  unsetenv("ORDVANE_HOST");
  setenv("DISPLAY", display.c_str(), 1);

  std::unique_ptr<TForm> form{test::NewForm(Rect(50, 50, 250, 150))};
  form->Show();
  // A program may run its loop again once it ended: each run opens the desktop anew.
  for (int run = 1; run <= 2; ++run) {
    bool shownOnTheDesktop = false;
    int ticks = 0;
    TTimer timer(nullptr);
    timer.SetInterval(50);
    timer.SetOnTimer([&](TObject*) {
      auto* host = dynamic_cast<TQtHost*>(&Host());
      shownOnTheDesktop = host && host->NativeWindow(form->Handle());
      if (shownOnTheDesktop || ++ticks == 20) Application->Terminate();
    });
    Application->Run();
    EXPECT_TRUE(shownOnTheDesktop) << "run " << run;
    EXPECT_EQ(&Host(), &HeadlessHost()) << "run " << run;
  }
}

}  // namespace
}  // namespace ordvane
