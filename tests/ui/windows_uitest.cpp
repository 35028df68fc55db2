// Windows: frames and client areas, positions and sizes with their messages, the
// z-order, coordinate mapping and the monitors.

#include <gtest/gtest.h>

#include <limits>

#include "classlib/ui/ScrollBars.h"
#include "classlib/ui/SysMetrics.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/WindowTestSupport.h"

namespace ordvane {
namespace {

using test::MessageLog;
using test::RawWindow;

TRect ClientOf(HWND wnd) {
  TRect r;
  GetClientRect(wnd, r);
  return r;
}

LRESULT HitAt(HWND wnd, TPoint screen) {
  return SendMessage(wnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
}

TEST(Frames, BorderClientEdgeAndScrollBarsTakeTheirPlaceOutsideTheClientArea) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(0, 0, 400, 300));
  TWindowCreateParams p =
      test::Child(top.Wnd(), 10, 20, 200, 150, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL);
  p.exStyle = WS_EX_CLIENTEDGE;
  RawWindow grid("grid", log, p);
  // 1 border + 2 client edge on every side, 16 for each bar.
  EXPECT_EQ(ClientOf(grid.Wnd()), Rect(0, 0, 200 - 6 - 16, 150 - 6 - 16));
  EXPECT_EQ(VertScrollBarRect(grid.Wnd()), Rect(200 - 3 - 16, 3, 197, 150 - 3 - 16));
  EXPECT_EQ(HorzScrollBarRect(grid.Wnd()), Rect(3, 150 - 3 - 16, 200 - 3 - 16, 147));
  TPoint origin{0, 0};
  ClientToScreen(grid.Wnd(), origin);
  EXPECT_EQ(origin, (TPoint{13, 23}));
  const HWND g = grid.Wnd();
  EXPECT_EQ(HitAt(g, {10, 20}), HTBORDER);
  EXPECT_EQ(HitAt(g, {14, 24}), HTCLIENT);
  EXPECT_EQ(HitAt(g, {10 + 190, 30}), HTVSCROLL);
  EXPECT_EQ(HitAt(g, {30, 20 + 140}), HTHSCROLL);
  EXPECT_EQ(HitAt(g, {10 + 190, 20 + 140}), HTNOWHERE);  // the box between the bars
  EXPECT_EQ(HitAt(g, {9, 20}), HTNOWHERE);

  // Hiding a bar gives its room to the client area, which the window learns by WM_SIZE.
  std::vector<TPoint> sizes;
  grid.handler = [&](TMessage& m) {
    if (m.Msg == WM_SIZE) sizes.push_back(PointFromLParam(m.LParam));
    return false;
  };
  ShowScrollBar(g, SB_VERT, false);
  EXPECT_EQ(sizes, (std::vector<TPoint>{{194, 128}}));
  EXPECT_TRUE(IsRectEmpty(VertScrollBarRect(g)));
}

TEST(Frames, CaptionAndSizingFrameOfATopLevelWindow) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow form("form", log, test::TopLevel(50, 60, 300, 200, WS_VISIBLE | WS_CAPTION | WS_THICKFRAME));
  EXPECT_EQ(ClientOf(form.Wnd()), Rect(0, 0, 300 - 8, 200 - 8 - 19));
  TPoint origin{0, 0};
  ClientToScreen(form.Wnd(), origin);
  EXPECT_EQ(origin, (TPoint{54, 83}));
  EXPECT_EQ(HitAt(form.Wnd(), {100, 70}), HTCAPTION);
  EXPECT_EQ(HitAt(form.Wnd(), {50, 150}), HTLEFT);
  EXPECT_EQ(HitAt(form.Wnd(), {349, 259}), HTBOTTOMRIGHT);
}

// A window placed at the far ends of the coordinate range still gets its client area
// measured from its own corner.
TEST(Geometry, WindowsAtTheEndsOfTheIntRangeKeepTheirClientArea) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(0, 0, 400, 300));
  constexpr int kMin = std::numeric_limits<int>::min();
  RawWindow farLeft("far", log,
                    test::Child(top.Wnd(), kMin, kMin, 100, 50, WS_CHILD | WS_VISIBLE | WS_BORDER));
  EXPECT_EQ(ClientOf(farLeft.Wnd()), Rect(0, 0, 98, 48));
  RawWindow farRight(
      "right", log,
      test::Child(top.Wnd(), std::numeric_limits<int>::max(), 0, 100, 50, WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(ClientOf(farRight.Wnd()), Rect(0, 0, 0, 50));
}

TEST(Geometry, SetWindowPosAsksMovesAndReportsWithSizeAndMove) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(0, 0, 400, 300));
  RawWindow w("w", log, test::Child(top.Wnd(), 10, 10, 100, 50),
              {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE});
  std::vector<std::string> details;
  w.handler = [&](TMessage& m) {
    if (m.Msg == WM_WINDOWPOSCHANGING)
      reinterpret_cast<WINDOWPOS*>(m.LParam)->cx = 120;  // insists on its width
    if (m.Msg == WM_SIZE || m.Msg == WM_MOVE) {
      const TPoint p = PointFromLParam(m.LParam);
      details.push_back(test::MessageName(m.Msg) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
    }
    return false;
  };
  log.clear();
  SetWindowPos(w.Wnd(), 0, 30, 40, 200, 60, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(log, (MessageLog{"w WM_WINDOWPOSCHANGING", "w WM_NCCALCSIZE", "w WM_WINDOWPOSCHANGED",
                             "w WM_SIZE", "w WM_MOVE"}));
  EXPECT_EQ(details, (std::vector<std::string>{"WM_SIZE 120,60", "WM_MOVE 30,40"}));
  TRect r;
  GetWindowRect(w.Wnd(), r);
  EXPECT_EQ(r, Bounds(30, 40, 120, 60));

  // A move alone sends no WM_SIZE and asks for no client area.
  log.clear();
  details.clear();
  MoveWindow(w.Wnd(), 0, 0, 120, 60, true);
  EXPECT_EQ(log, (MessageLog{"w WM_WINDOWPOSCHANGING", "w WM_WINDOWPOSCHANGED", "w WM_MOVE"}));
}

TEST(Geometry, ZOrderDecidesWhichWindowIsUnderAPoint) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(0, 0, 400, 300));
  RawWindow first("first", log, test::Child(top.Wnd(), 0, 0, 100, 100));
  RawWindow second("second", log, test::Child(top.Wnd(), 50, 50, 100, 100));
  // Children are made at the bottom of the z-order: the first one lies on top.
  EXPECT_EQ(GetWindow(top.Wnd(), GW_CHILD), first.Wnd());
  EXPECT_EQ(WindowFromPoint({75, 75}), first.Wnd());
  SetWindowPos(second.Wnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(WindowFromPoint({75, 75}), second.Wnd());
  EXPECT_EQ(ChildWindowFromPoint(top.Wnd(), {75, 75}), second.Wnd());
  EXPECT_EQ(ChildWindowFromPoint(top.Wnd(), {300, 200}), top.Wnd());
  ShowWindow(second.Wnd(), SW_HIDE);
  EXPECT_EQ(WindowFromPoint({75, 75}), first.Wnd());

  // A shaped window owns only its region's pixels.
  const TRegion corner(Rect(0, 0, 20, 20));
  SetWindowRgn(first.Wnd(), &corner, true);
  EXPECT_EQ(WindowFromPoint({10, 10}), first.Wnd());
  EXPECT_EQ(WindowFromPoint({75, 75}), top.Wnd());
}

TEST(Geometry, TopmostAndOwnedWindowsStayAboveAndOwnedOnesDieWithTheirOwner) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow form("form", log, test::TopLevel(0, 0, 300, 300), {WM_DESTROY});
  TWindowCreateParams hint = test::TopLevel(20, 20, 50, 20);
  hint.exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
  RawWindow tip("tip", log, hint, {WM_DESTROY});
  TWindowCreateParams owned = test::TopLevel(10, 10, 100, 100);
  owned.parent = form.Wnd();
  RawWindow dropDown("dropdown", log, owned, {WM_DESTROY});
  EXPECT_EQ(WindowFromPoint({25, 25}), tip.Wnd());
  BringWindowToTop(form.Wnd());
  EXPECT_EQ(WindowFromPoint({25, 25}), tip.Wnd());
  EXPECT_EQ(WindowFromPoint({50, 50}), dropDown.Wnd());
  EXPECT_EQ(GetParent(dropDown.Wnd()), form.Wnd());
  DestroyWindow(form.Wnd());
  EXPECT_EQ(log, (MessageLog{"dropdown WM_DESTROY", "form WM_DESTROY"}));
  EXPECT_FALSE(IsWindow(dropDown.Wnd()));
}

TEST(Geometry, PointsMapBetweenNestedWindowsAndAPopupKeepsItsNumbersOnTheDesktop) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow form("form", log, test::TopLevel(100, 50, 300, 300, WS_VISIBLE | WS_POPUP | WS_BORDER));
  RawWindow panel("panel", log, test::Child(form.Wnd(), 10, 20, 200, 200));
  RawWindow edit("edit", log, test::Child(panel.Wnd(), 5, 6, 50, 20));
  TPoint p{1, 2};
  EXPECT_EQ(MapWindowPoints(edit.Wnd(), form.Wnd(), &p, 1), static_cast<int>(MAKELONG(15, 26)));
  EXPECT_EQ(p, (TPoint{16, 28}));
  p = {0, 0};
  ClientToScreen(edit.Wnd(), p);
  EXPECT_EQ(p, (TPoint{116, 77}));
  ScreenToClient(panel.Wnd(), p);
  EXPECT_EQ(p, (TPoint{5, 6}));

  EXPECT_EQ(SetParent(edit.Wnd(), 0), panel.Wnd());
  TRect r;
  GetWindowRect(edit.Wnd(), r);
  EXPECT_EQ(r, Bounds(5, 6, 50, 20));
  EXPECT_EQ(GetAncestor(edit.Wnd(), GA_ROOT), edit.Wnd());
}

TEST(Monitors, WorkAreasAndNearestMonitorsFollowTheHost) {
  test::UiDriver ui;
  HeadlessHost().SetMonitors({{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984)},
                              {Rect(1280, 0, 2304, 768), Rect(1280, 0, 2304, 738)}});
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2304);
  EXPECT_EQ(MonitorFromPoint({2000, 100}, MONITOR_DEFAULTTONULL), 2u);
  EXPECT_EQ(MonitorFromPoint({3000, 100}, MONITOR_DEFAULTTONULL), 0u);
  EXPECT_EQ(MonitorFromPoint({3000, 100}, MONITOR_DEFAULTTONEAREST), 2u);
  EXPECT_EQ(MonitorFromRect(Rect(1200, 0, 1400, 100), MONITOR_DEFAULTTONEAREST), 2u);
  MONITORINFO info;
  ASSERT_TRUE(GetMonitorInfo(2, info));
  EXPECT_EQ(info.rcWork, Rect(1280, 0, 2304, 738));
  EXPECT_EQ(info.dwFlags, 0u);
  TRect work;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work, Rect(0, 0, 1280, 984));
}

}  // namespace
}  // namespace ordvane
