// Hints: the pause before a hint shows, what a control may change of it or refuse, and
// what makes it go.

#include <gtest/gtest.h>

#include <memory>

#include "classlib/ui/Hints.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using test::NewForm;

// A control that answers the hint messages as a test tells it.
class THinted : public test::TProbe {
 public:
  using TProbe::TProbe;
  std::function<void(int& pause)> onPause;
  std::function<bool(THintInfo& info)> onShow;  // false refuses the hint

  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_HINTSHOWPAUSE && onPause) {
      onPause(*reinterpret_cast<int*>(m.LParam));
      return;
    }
    if (m.Msg == CM_HINTSHOW && onShow) {
      m.Result = onShow(*reinterpret_cast<THintInfo*>(m.LParam)) ? 0 : 1;
      return;
    }
    TProbe::Dispatch(m);
  }
};

class HintTest : public ::testing::Test {
 protected:
  HintTest() : form(NewForm(Rect(100, 100, 500, 400))) {
    save = new THinted(form.get(), form.get(), Rect(10, 10, 60, 30));
    save->SetHint("Save|Writes the form to its file");
    save->SetShowHint(true);
    open = new THinted(form.get(), form.get(), Rect(100, 10, 150, 30));
    open->SetHint("Open");
    open->SetShowHint(true);
    form->Show();
    ui.Process();
  }
  ~HintTest() override { CancelHint(); }

  AnsiString Shown() const {
    THintWindow* window = ShownHintWindow();
    return window ? window->Caption() : AnsiString("(none)");
  }

  test::UiDriver ui;
  std::unique_ptr<TForm> form;
  THinted* save;
  THinted* open;
};

TEST_F(HintTest, AHintShowsItsShortTextAfterThePauseBelowThePointerAndGoesAfterTheHidePause) {
  ui.MoveTo(save, {5, 5});
  ui.Advance(499);
  EXPECT_EQ(Shown(), "(none)");
  ui.Advance(1);
  EXPECT_EQ(Shown(), "Save");
  TRect bounds;
  GetWindowRect(ShownHintWindow()->WindowHandle(), bounds);
  const TPoint pointer = ui.ScreenPoint(save, {5, 5});
  EXPECT_EQ(bounds.TopLeft(), (TPoint{pointer.x, pointer.y + 20}));
  EXPECT_EQ(ui.Pixel(ShownHintWindow(), {1, 1}), ColorToRGB(clInfoBk));
  ui.Advance(2499);
  EXPECT_EQ(Shown(), "Save");
  ui.Advance(1);
  EXPECT_EQ(Shown(), "(none)");
}

TEST_F(HintTest, AnotherControlsHintFollowsAfterTheShortPauseAndAKeyOrClickEndsIt) {
  ui.MoveTo(save, {5, 5});
  ui.Advance(500);
  ui.MoveTo(open, {5, 5});
  ui.Advance(49);
  EXPECT_EQ(Shown(), "Save");
  ui.Advance(1);
  EXPECT_EQ(Shown(), "Open");
  ui.Press(VK_SHIFT);
  EXPECT_EQ(Shown(), "(none)");
  ui.MoveTo(save, {6, 6});
  ui.Advance(500);
  ui.Click(save, {6, 6});
  EXPECT_EQ(Shown(), "(none)");
}

TEST_F(HintTest, AControlMayChangeThePauseAndTheHintOrRefuseIt) {
  save->onPause = [](int& pause) { pause = 0; };
  save->onShow = [](THintInfo& info) {
    info.HintStr = "Save now";
    info.HintPos = {300, 300};
    return true;
  };
  ui.MoveTo(save, {5, 5});
  EXPECT_EQ(Shown(), "Save now");
  TRect bounds;
  GetWindowRect(ShownHintWindow()->WindowHandle(), bounds);
  EXPECT_EQ(bounds.TopLeft(), (TPoint{300, 300}));
  open->onShow = [](THintInfo&) { return false; };
  ui.MoveTo(open, {5, 5});
  ui.Advance(1000);
  EXPECT_EQ(Shown(), "(none)");
  Application->SetShowHint(false);
  ui.MoveTo(save, {7, 7});
  ui.Advance(1000);
  EXPECT_EQ(Shown(), "(none)");
  Application->SetShowHint(true);
}

}  // namespace
}  // namespace ordvane
