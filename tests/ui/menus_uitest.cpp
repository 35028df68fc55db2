// The popup menu tracked by the window layer: chosen by keys, accelerator or mouse, its
// item's OnClick running only after Popup has returned; its place by alignment and
// within the work area; a press outside passed on to the window under it. And actions:
// the linked-property rule and links that never dangle.

#include <gtest/gtest.h>

#include <memory>

#include "classlib/ui/StdButtons.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

struct MenuOnForm {
  test::UiDriver ui;
  std::unique_ptr<TForm> form{test::NewForm(Rect(100, 100, 500, 400))};
  test::TProbe* probe = new test::TProbe(form.get(), form.get(), Rect(10, 10, 300, 250));
  TPopupMenu* menu = new TPopupMenu(form.get());
  std::vector<std::string> chosen;
  bool popupReturned = false;

  MenuOnForm() {
    for (const char* caption : {"&Open", "-", "&Save", "&Close"}) {
      auto* item = new TMenuItem(menu);
      item->SetCaption(caption);
      item->OnClick = [this, caption](TObject*) { chosen.push_back(popupReturned ? caption : "too early"); };
      menu->Items()->Add(item);
    }
    menu->Items()->Items(3)->SetEnabled(false);
    form->Show();
    ui.Process();
  }
  // Pops the menu up with the steps to run while it is open; answers the place of the
  // topmost window (the menu) as the first step finds it.
  TRect Popup(TPoint at, const std::vector<std::function<void()>>& steps) {
    TRect place;
    bool first = true;
    for (auto& step : steps)
      ui.Later([&, step, first] {
        if (first) GetWindowRect(GetTopWindow(GetDesktopWindow()), place);
        step();
      });
    popupReturned = false;
    menu->Popup(at.x, at.y);
    popupReturned = true;
    EXPECT_TRUE(chosen.empty() || chosen.back() != "too early");
    return place;
  }
};

TEST(PopupMenu, KeysAcceleratorsAndTheMouseChooseAnItemWhoseClickRunsAfterPopupReturns) {
  MenuOnForm m;
  // Down twice passes over the separator; the disabled item cannot be reached.
  m.Popup({200, 150}, {[&] {
            m.ui.Press(VK_DOWN);
            m.ui.Press(VK_DOWN);
            m.ui.Press(VK_DOWN);
            m.ui.Press(VK_RETURN);
          }});
  EXPECT_TRUE(m.chosen.empty());
  m.ui.Process();
  EXPECT_EQ(m.chosen, std::vector<std::string>{"&Open"});
  m.Popup({200, 150}, {[&] { m.ui.Press('S'); }});
  m.ui.Process();
  m.Popup({200, 150}, {[&] { m.ui.Press('C'); }, [&] { m.ui.Press(VK_ESCAPE); }});
  m.ui.Process();
  EXPECT_EQ(m.chosen, (std::vector<std::string>{"&Open", "&Save"}));
  // The mouse: the hot item follows it, a release on an item chooses it.
  const TRect place = m.Popup({200, 150}, {[&] {
                                m.ui.MoveToScreen({230, 160});
                                m.ui.ClickAtScreen({230, 185});
                              }});
  m.ui.Process();
  EXPECT_EQ(m.chosen, (std::vector<std::string>{"&Open", "&Save", "&Save"}));
  EXPECT_EQ(place.TopLeft(), (TPoint{200, 150}));
  // No menu window is left.
  EXPECT_EQ(WindowFromPoint({210, 160}), m.probe->Handle());
}

TEST(PopupMenu, AlignmentPlacesTheCornerAndTheWorkAreaHoldsTheMenu) {
  MenuOnForm m;
  m.menu->SetAlignment(paRight);
  const TRect right = m.Popup({400, 150}, {[&] { m.ui.Press(VK_ESCAPE); }});
  EXPECT_EQ(right.right, 400);
  EXPECT_EQ(right.top, 150);
  m.menu->SetAlignment(paLeft);
  // The headless monitor is 1024 x 768 with a 30-pixel task bar at the bottom.
  const TRect edge = m.Popup({1010, 720}, {[&] { m.ui.Press(VK_ESCAPE); }});
  EXPECT_EQ(edge.right, 1024);
  EXPECT_EQ(edge.bottom, 720);
  EXPECT_GT(edge.Width(), 20);
  EXPECT_TRUE(m.chosen.empty());
  // The form that owns the menu goes while the menu is open: the menu closes.
  TPopupMenu* menu = m.menu;
  m.ui.Later([&] { m.form.reset(); });
  menu->Popup(200, 150);
  EXPECT_EQ(GetTopWindow(GetDesktopWindow()), HWND{0});
}

TEST(PopupMenu, APressOutsideClosesTheMenuAndReachesTheWindowUnderItAfterPopupReturns) {
  MenuOnForm m;
  std::vector<std::string> presses;
  m.probe->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
    presses.push_back((m.popupReturned ? "after " : "during ") + std::to_string(x) + "," + std::to_string(y));
  };
  const TPoint outside = test::UiDriver::ScreenPoint(m.probe, {20, 30});
  m.Popup({200, 150}, {[&] { HostMouseButton(THostButton::Left, true, outside); }});
  EXPECT_TRUE(presses.empty());
  m.ui.Process();
  m.ui.ReleaseAtScreen(outside);
  EXPECT_EQ(presses, std::vector<std::string>{"after 20,30"});
  EXPECT_TRUE(m.chosen.empty());
}

TEST(Actions, ClientsFollowTheActionWhileTheirValueEqualsItsAndNoLinkDangles) {
  MenuOnForm m;
  auto action = std::make_unique<TAction>(nullptr);
  action->SetCaption("&Go");
  TComponent* executedBy = nullptr;
  action->OnExecute = [&](TObject* sender) { executedBy = static_cast<TAction*>(sender)->ActionComponent(); };
  TMenuItem* item = m.menu->Items()->Items(0);
  item->OnClick = nullptr;
  auto* button = new TButton(m.form.get());
  button->SetParent(m.form.get());
  item->SetAction(action.get());
  button->SetAction(action.get());
  EXPECT_EQ(item->Caption(), "&Go");
  EXPECT_EQ(button->Caption(), "&Go");
  item->SetCaption("&Mine");
  action->SetCaption("&Run");
  EXPECT_EQ(item->Caption(), "&Mine");
  EXPECT_EQ(button->Caption(), "&Run");
  action->SetEnabled(false);
  action->SetChecked(true);
  EXPECT_FALSE(item->Enabled());
  EXPECT_FALSE(button->Enabled());
  EXPECT_TRUE(item->Checked());
  action->SetEnabled(true);
  item->Click();
  EXPECT_EQ(executedBy, item);
  EXPECT_EQ(action->ActionComponent(), nullptr);
  button->Click();
  EXPECT_EQ(executedBy, button);
  // A client that dies leaves the action's list; an action that dies leaves its clients.
  delete button;
  action->SetCaption("&Again");
  EXPECT_EQ(item->Caption(), "&Mine");
  action.reset();
  EXPECT_EQ(item->Action(), nullptr);
  item->Click();
}

}  // namespace
}  // namespace ordvane
