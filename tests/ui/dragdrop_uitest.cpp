// Dragging controls: the automatic drag of a press, the threshold of a drag that waits
// for the mouse, the targets asked on the way, the drop, and the ways a drag ends
// without one.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/ui/Cursors.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using test::TProbe;

struct DragFixture {
  test::UiDriver ui;
  std::unique_ptr<TForm> form{test::NewForm(Rect(100, 100, 500, 400))};
  TProbe* source = nullptr;
  TProbe* target = nullptr;
  test::TDot* dot = nullptr;  // a windowless target inside the form
  std::vector<std::string> events;

  DragFixture() {
    form->Show();
    source = new TProbe(form.get(), form.get(), Rect(10, 10, 110, 110));
    target = new TProbe(form.get(), form.get(), Rect(200, 10, 300, 110));
    dot = new test::TDot(form.get(), form.get(), Rect(10, 200, 60, 250));
    source->OnStartDrag = [this](TObject*) { events.push_back("start"); };
    source->OnEndDrag = [this](TObject*, TObject* to, int x, int y) {
      events.push_back(std::string("end ") + (to == target ? "target" : to ? "other" : "none") + " " +
                       std::to_string(x) + "," + std::to_string(y));
    };
    target->OnDragOver = [this](TObject*, TObject* from, int x, int y, TDragState state, bool& accept) {
      static const char* const kStates[] = {"enter", "leave", "move"};
      events.push_back(std::string("over ") + kStates[state] + " " + std::to_string(x) + "," +
                       std::to_string(y) + (from == source ? "" : " foreign"));
      accept = x < 50;
    };
    target->OnDragDrop = [this](TObject*, TObject* from, int x, int y) {
      events.push_back("drop " + std::to_string(x) + "," + std::to_string(y) + (from == source ? "" : " foreign"));
    };
    ui.Process();
  }
};

TEST(DragDrop, AnAutomaticPressDragsAtOnceAndDropsWhereTheTargetAccepts) {
  DragFixture f;
  f.source->SetDragMode(dmAutomatic);
  int mouseDowns = 0;
  f.source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++mouseDowns; };
  f.ui.Press(f.source, {20, 20});
  EXPECT_TRUE(f.source->Dragging());
  EXPECT_EQ(mouseDowns, 0) << "the press starts the drag instead";
  EXPECT_EQ(f.ui.Cursor(), Screen->Cursors(crNoDrop)) << "over the source, which takes nothing";

  f.ui.MoveTo(f.target, {10, 30});
  EXPECT_EQ(f.ui.Cursor(), Screen->Cursors(crDrag));
  f.ui.MoveTo(f.target, {12, 30});
  f.ui.MoveTo(f.target, {60, 30});
  EXPECT_EQ(f.ui.Cursor(), Screen->Cursors(crNoDrop)) << "the target refuses this point";
  f.ui.MoveTo(f.target, {20, 40});
  f.ui.Release(f.target, {20, 40});
  EXPECT_FALSE(f.source->Dragging());
  EXPECT_EQ(f.events, (std::vector<std::string>{"start", "over enter 10,30", "over move 12,30", "over move 60,30",
                                                "over move 20,40", "drop 20,40", "end target 20,40"}));
}

TEST(DragDrop, AWaitingDragStartsAtTheThresholdAndAReleaseBeforeItDropsNothing) {
  DragFixture f;
  Mouse->SetDragThreshold(5);
  f.ui.Press(f.source, {20, 20});
  f.source->BeginDrag(false);
  EXPECT_TRUE(f.source->Dragging());
  f.ui.Release(f.source, {20, 20});
  EXPECT_FALSE(f.source->Dragging());
  EXPECT_EQ(f.events, (std::vector<std::string>{"start", "end none 20,20"}));

  // The source's mouse operation ends when the drag takes over: its click never comes.
  int clicks = 0;
  f.source->OnClick = [&](TObject*) { ++clicks; };
  f.events.clear();
  f.ui.Press(f.source, {20, 20});
  f.source->BeginDrag(false);
  f.ui.MoveTo(f.source, {24, 24});
  EXPECT_NE(f.ui.Cursor(), Screen->Cursors(crNoDrop)) << "4 pixels: no drag yet";
  f.ui.MoveTo(f.source, {20, 25});
  EXPECT_EQ(f.ui.Cursor(), Screen->Cursors(crNoDrop)) << "5 pixels: the drag follows the mouse";
  f.ui.Release(f.source, {20, 25});
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(f.events, (std::vector<std::string>{"start", "end none 20,25"}));
}

TEST(DragDrop, EscapeARightClickOrCancelModeEndWithoutADropAndTheTargetIsLeft) {
  DragFixture f;
  f.source->SetDragMode(dmAutomatic);
  const auto dragOverTarget = [&] {
    f.events.clear();
    f.ui.Press(f.source, {20, 20});
    f.ui.MoveTo(f.target, {10, 10});
    ASSERT_TRUE(f.source->Dragging());
  };
  std::vector<std::string> keys;
  f.target->OnKeyDown = [&](TObject*, Word& key, TShiftState) { keys.push_back(std::to_string(key)); };
  f.target->SetFocus();

  dragOverTarget();
  f.ui.Press(VK_RETURN);
  EXPECT_TRUE(f.source->Dragging()) << "other keys belong to the drag too";
  f.ui.Press(VK_ESCAPE);
  EXPECT_FALSE(f.source->Dragging());
  EXPECT_TRUE(keys.empty());
  f.ui.Release(f.target, {10, 10});
  EXPECT_EQ(f.events,
            (std::vector<std::string>{"start", "over enter 10,10", "over leave 10,10", "end none 200,10"}))
      << "without a target the end tells the source's own point";

  dragOverTarget();
  f.ui.Press(f.target, {10, 10}, THostButton::Right);
  EXPECT_FALSE(f.source->Dragging());
  f.ui.Release(f.target, {10, 10}, THostButton::Right);
  f.ui.Release(f.target, {10, 10});
  EXPECT_EQ(f.events.back(), "end none 200,10");

  dragOverTarget();
  f.source->Perform(WM_CANCELMODE, 0, 0);
  EXPECT_FALSE(f.source->Dragging());
  EXPECT_EQ(GetCapture(), HWND{0}) << "the drag gave the mouse back";
  f.ui.Release(f.target, {10, 10});
  EXPECT_EQ(f.events.back(), "end none 200,10");
}

TEST(DragDrop, WindowlessTargetsAreFoundAndATargetOrSourceThatDiesEndsCleanly) {
  DragFixture f;
  f.source->SetDragMode(dmAutomatic);
  f.dot->OnDragOver = [&](TObject*, TObject*, int x, int y, TDragState, bool& accept) {
    f.events.push_back("dot " + std::to_string(x) + "," + std::to_string(y));
    accept = true;
  };
  f.dot->OnDragDrop = [&](TObject*, TObject*, int, int) {
    f.events.push_back("dot drop");
    delete f.dot;
    f.dot = nullptr;
  };
  f.ui.Press(f.source, {20, 20});
  f.ui.MoveTo(f.form.get(), {20, 210});
  EXPECT_EQ(f.ui.Cursor(), Screen->Cursors(crDrag));
  f.ui.Release(f.form.get(), {20, 210});
  EXPECT_EQ(f.events, (std::vector<std::string>{"start", "dot 10,10", "dot drop", "end none 10,200"}))
      << "a target gone by the end is no target";

  // A source freed while dragged ends the drag with no event and frees the mouse.
  f.events.clear();
  f.ui.Press(f.source, {20, 20});
  f.ui.MoveTo(f.target, {10, 10});
  delete f.source;
  f.source = nullptr;
  EXPECT_EQ(GetCapture(), HWND{0});
  f.ui.MoveTo(f.target, {20, 10});
  f.ui.Release(f.target, {20, 10});
  f.ui.Press(VK_ESCAPE);
  EXPECT_EQ(f.events, (std::vector<std::string>{"start", "over enter 10,10"}));
}

TEST(DragDrop, ADragToDockFiresTheDockEventsAndIsTakenByNoControl) {
  DragFixture f;
  f.source->SetDragKind(dkDock);
  f.source->SetDragMode(dmAutomatic);
  f.source->OnStartDock = [&](TObject* sender) { f.events.push_back(sender == f.source ? "start dock" : "?"); };
  f.source->OnEndDock = [&](TObject*, TObject* to, int x, int y) {
    f.events.push_back(std::string("end dock ") + (to ? "somewhere" : "none") + " " + std::to_string(x) + "," +
                       std::to_string(y));
  };
  f.ui.Press(f.source, {20, 20});
  ASSERT_TRUE(f.source->Dragging());
  f.source->SetDragKind(dkDrag);
  f.ui.MoveTo(f.target, {10, 30});
  EXPECT_EQ(f.ui.Cursor(), Screen->Cursors(crNoDrop)) << "no control is a dock site";
  f.ui.Release(f.target, {10, 30});
  EXPECT_FALSE(f.source->Dragging());
  EXPECT_EQ(f.events, (std::vector<std::string>{"start dock", "end dock none 200,30"}))
      << "the kind the drag began with holds to its end; the drag events stay silent";

  f.events.clear();
  f.source->SetDragKind(dkDock);
  f.source->BeginDrag(true);
  f.ui.Press(VK_ESCAPE);
  EXPECT_FALSE(f.source->Dragging());
  EXPECT_EQ(f.events.size(), 2u);
  EXPECT_EQ(f.events.back().rfind("end dock none", 0), 0u) << "Escape ends it the same way";
}

}  // namespace
}  // namespace ordvane
