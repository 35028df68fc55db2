// The system scroll bars of a window: range, page and position, showing and hiding, the
// layout of their parts, and the scroll messages that clicks, held buttons and thumb
// drags send.

#include <gtest/gtest.h>

#include "classlib/ui/ScrollBars.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/WindowTestSupport.h"

namespace ordvane {
namespace {

using test::MessageLog;
using test::RawWindow;

// A 200 x 150 window at (100, 100) with both bars: the vertical one is (184, 0, 200, 134)
// in window coordinates, its arrows 16 high and its track 102 long.
struct Scroll {
  char bar;
  int code;
  int pos;
  int at;  // milliseconds since the test's restart
  bool operator==(const Scroll&) const = default;
};
using Scrolls = std::vector<Scroll>;

std::ostream& operator<<(std::ostream& out, const Scroll& s) {
  return out << s.bar << " code " << s.code << " pos " << s.pos << " at " << s.at;
}

class ScrollBarTest : public ::testing::Test {
 protected:
  ScrollBarTest()
      : window("w", log,
               test::TopLevel(100, 100, 200, 150, WS_POPUP | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL)) {
    window.handler = [this](TMessage& m) {
      if (m.Msg != WM_VSCROLL && m.Msg != WM_HSCROLL) return false;
      const int code = LOWORD(m.WParam);
      const int pos = static_cast<SmallInt>(HIWORD(m.WParam));
      scrolls.push_back(
          {m.Msg == WM_VSCROLL ? 'v' : 'h', code, pos, static_cast<int>(ui.Time().Now() - start)});
      SCROLLINFO info;
      info.fMask = SIF_TRACKPOS;
      GetScrollInfo(Wnd(), SB_VERT, info);
      trackPositions.push_back(info.nTrackPos);
      if (onScroll) onScroll(code);
      return true;
    };
    SetRange(0, 99, 10, 0);
  }

  HWND Wnd() const { return window.Wnd(); }
  void SetRange(int min, int max, UINT page, int pos) {
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = min;
    info.nMax = max;
    info.nPage = page;
    info.nPos = pos;
    SetScrollInfo(Wnd(), SB_VERT, info, true);
  }
  // A screen point of the window.
  static TPoint At(int x, int y) { return {100 + x, 100 + y}; }
  void Restart() {
    scrolls.clear();
    trackPositions.clear();
    start = ui.Time().Now();
  }

  test::UiDriver ui;
  MessageLog log;
  RawWindow window;
  std::vector<Scroll> scrolls;
  std::vector<int> trackPositions;
  std::function<void(int code)> onScroll;
  UInt64 start = 0;
};

TEST_F(ScrollBarTest, RangePageAndPositionAreClampedAndTheBarShowsOnlyWhenThereIsSomethingToScroll) {
  TRect client;
  GetClientRect(Wnd(), client);
  EXPECT_EQ(client.Width(), 184);
  SetRange(0, 99, 200, 500);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(Wnd(), SB_VERT, info);
  EXPECT_EQ(info.nPage, 100u);
  EXPECT_EQ(info.nPos, 0);
  EXPECT_FALSE(GetWindowLong(Wnd(), GWL_STYLE) & WS_VSCROLL);
  GetClientRect(Wnd(), client);
  EXPECT_EQ(client.Width(), 200);

  SetRange(0, 99, 10, 95);
  EXPECT_TRUE(GetWindowLong(Wnd(), GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(GetScrollPos(Wnd(), SB_VERT), 90);  // the last position a whole page fits
  EXPECT_EQ(SetScrollPos(Wnd(), SB_VERT, -5, true), 90);
  EXPECT_EQ(GetScrollPos(Wnd(), SB_VERT), 0);

  // With SIF_DISABLENOSCROLL a bar with nothing to scroll stays, disabled and thumbless.
  info.fMask = SIF_PAGE | SIF_DISABLENOSCROLL;
  info.nPage = 100;
  SetScrollInfo(Wnd(), SB_VERT, info, true);
  EXPECT_TRUE(GetWindowLong(Wnd(), GWL_STYLE) & WS_VSCROLL);
  EXPECT_TRUE(IsRectEmpty(ScrollBarLayout(Wnd(), SB_VERT).thumb));

  SetScrollRange(Wnd(), SB_HORZ, 5, 5, true);
  EXPECT_FALSE(GetWindowLong(Wnd(), GWL_STYLE) & WS_HSCROLL);
  SetScrollRange(Wnd(), SB_HORZ, 0, 10, true);
  EXPECT_TRUE(GetWindowLong(Wnd(), GWL_STYLE) & WS_HSCROLL);
}

TEST_F(ScrollBarTest, TheThumbIsSizedByThePageAndPlacedByThePosition) {
  SetRange(0, 99, 10, 45);
  TScrollBarLayout l = ScrollBarLayout(Wnd(), SB_VERT);
  EXPECT_EQ(l.bar, Rect(184, 0, 200, 134));
  EXPECT_EQ(l.lineUp, Rect(184, 0, 200, 16));
  EXPECT_EQ(l.lineDown, Rect(184, 118, 200, 134));
  // 102 * 10 / 100 pixels, at 92 * 45 / 90 below the track's start.
  EXPECT_EQ(l.thumb, Rect(184, 16 + 46, 200, 16 + 46 + 10));
  EXPECT_EQ(ScrollBarHitTest(Wnd(), SB_VERT, {190, 40}), TScrollBarPart::PageUp);
  EXPECT_EQ(ScrollBarHitTest(Wnd(), SB_VERT, {190, 65}), TScrollBarPart::Thumb);
  EXPECT_EQ(ScrollBarHitTest(Wnd(), SB_VERT, {190, 100}), TScrollBarPart::PageDown);
  // Without a page the thumb is square, and a bar too short for arrows has none.
  SetRange(0, 99, 0, 0);
  EXPECT_EQ(ScrollBarLayout(Wnd(), SB_VERT).thumb, Rect(184, 16, 200, 32));
  SetWindowPos(Wnd(), 0, 0, 0, 200, 40, SWP_NOMOVE | SWP_NOZORDER);
  l = ScrollBarLayout(Wnd(), SB_VERT);
  EXPECT_EQ(l.lineUp, Rect(184, 0, 200, 12));
  EXPECT_TRUE(IsRectEmpty(l.thumb));
}

TEST_F(ScrollBarTest, AHeldArrowStepsAtOnceThenAfterTheDelayThenAtTheInterval) {
  Restart();
  ui.PressAtScreen(At(190, 125));
  EXPECT_EQ(GetCapture(), Wnd());
  ui.Advance(399);
  ui.Advance(1);
  ui.Advance(100);
  ui.MoveToScreen(At(190, 60));  // off the arrow: the repeat waits
  ui.Advance(200);
  ui.MoveToScreen(At(190, 125));
  ui.Advance(100);
  ui.ReleaseAtScreen(At(190, 125));
  ui.Advance(1000);
  EXPECT_EQ(scrolls, (Scrolls{{'v', SB_LINEDOWN, 0, 0},
                              {'v', SB_LINEDOWN, 0, 400},
                              {'v', SB_LINEDOWN, 0, 500},
                              {'v', SB_LINEDOWN, 0, 800},
                              {'v', SB_ENDSCROLL, 0, 800}}));
  EXPECT_EQ(GetCapture(), 0u);
}

TEST_F(ScrollBarTest, APressOnTheTrackPagesUntilTheThumbReachesThePointer) {
  onScroll = [this](int code) {
    if (code == static_cast<int>(SB_PAGEDOWN))
      SetScrollPos(Wnd(), SB_VERT, GetScrollPos(Wnd(), SB_VERT) + 10, true);
  };
  Restart();
  ui.PressAtScreen(At(190, 100));
  ui.Advance(2000);
  ui.ReleaseAtScreen(At(190, 100));
  ASSERT_EQ(scrolls.size(), 9u);
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(scrolls[i].code, static_cast<int>(SB_PAGEDOWN));
  EXPECT_EQ(scrolls[1].at, 400);
  EXPECT_EQ(scrolls[7].at, 1000);
  EXPECT_EQ(scrolls[8].code, static_cast<int>(SB_ENDSCROLL));
  // Position 80 puts the thumb at 98..108, under the pointer.
  EXPECT_EQ(GetScrollPos(Wnd(), SB_VERT), 80);
}

// Press and release reported together, before the press is handled: one page and the end.
TEST_F(ScrollBarTest, AQuickClickOnTheTrackPagesOnce) {
  onScroll = [this](int code) {
    if (code == static_cast<int>(SB_PAGEDOWN))
      SetScrollPos(Wnd(), SB_VERT, GetScrollPos(Wnd(), SB_VERT) + 10, true);
  };
  Restart();
  HostMouseButton(THostButton::Left, true, At(190, 100));
  HostMouseButton(THostButton::Left, false, At(190, 100));
  ui.Process();
  ui.Advance(2000);
  EXPECT_EQ(scrolls, (Scrolls{{'v', SB_PAGEDOWN, 0, 0}, {'v', SB_ENDSCROLL, 0, 0}}));
  EXPECT_EQ(GetScrollPos(Wnd(), SB_VERT), 10);
  EXPECT_FALSE(ScrollBarTracking());
  EXPECT_EQ(GetCapture(), 0u);
}

TEST_F(ScrollBarTest, DraggingTheThumbTracksEachNewPositionAndEndsWithThePosition) {
  Restart();
  ui.PressAtScreen(At(190, 20));  // 4 pixels into the thumb at 16..26
  ui.MoveToScreen(At(190, 66));   // thumb offset 46 of 92: position 45
  ui.MoveToScreen(At(185, 66));   // across the bar: no new position, no message
  ui.MoveToScreen(At(190, 400));  // far below: the last position
  ui.ReleaseAtScreen(At(190, 400));
  EXPECT_EQ(scrolls, (Scrolls{{'v', SB_THUMBTRACK, 45, 0},
                              {'v', SB_THUMBTRACK, 90, 0},
                              {'v', SB_THUMBPOSITION, 90, 0},
                              {'v', SB_ENDSCROLL, 0, 0}}));
  EXPECT_EQ(trackPositions, (std::vector<int>{45, 90, 90, 90}));
  EXPECT_EQ(GetScrollPos(Wnd(), SB_VERT), 0);  // the window sets the position itself
}

TEST_F(ScrollBarTest, LosingTheCaptureEndsTheTrackingWithoutAnotherMessage) {
  RawWindow other("other", log, test::TopLevel(400, 100, 50, 50));
  Restart();
  ui.PressAtScreen(At(190, 125));
  SetCapture(other.Wnd());
  ui.Advance(1000);
  ui.ReleaseAtScreen(At(190, 125));
  EXPECT_EQ(scrolls, (Scrolls{{'v', SB_LINEDOWN, 0, 0}}));
}

TEST_F(ScrollBarTest, DisabledArrowsAndTheHorizontalBar) {
  SetScrollRange(Wnd(), SB_HORZ, 0, 50, true);
  EnableScrollBar(Wnd(), SB_VERT, ESB_DISABLE_LTUP);
  Restart();
  ui.ClickAtScreen(At(190, 5));    // the disabled up arrow
  ui.ClickAtScreen(At(178, 142));  // the right arrow of the horizontal bar
  EXPECT_EQ(scrolls, (Scrolls{{'h', SB_LINERIGHT, 0, 0}, {'h', SB_ENDSCROLL, 0, 0}}));
}

}  // namespace
}  // namespace ordvane
