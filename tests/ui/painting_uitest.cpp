// Painting: update regions, the paint and erase messages, clipping, scrolling the pixels
// of a window, and the screen image.

#include <gtest/gtest.h>

#include "classlib/ui/Colors.h"
#include "classlib/ui/SysMetrics.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/WindowTestSupport.h"

namespace ordvane {
namespace {

using test::MessageLog;
using test::RawWindow;

TColorRef ScreenPixel(TPoint p) {
  return ScreenImage().Pixel(p.x, p.y);
}

// A unique colour for every client pixel, so that a moved or lost pixel shows.
TColorRef PatternAt(int x, int y) {
  return static_cast<TColorRef>((x * 73 + y * 151 + 17) * 2654435761u) & 0xFFFFFF;
}

void FillPattern(HWND wnd, int width, int height) {
  HDC dc = GetDC(wnd);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) dc->SetPixel(x, y, PatternAt(x, y));
  ReleaseDC(wnd, dc);
}

void FillClient(HWND wnd, TColorRef color) {
  HDC dc = GetDC(wnd);
  TRect r;
  GetClientRect(wnd, r);
  dc->FillRect(r, color);
  ReleaseDC(wnd, dc);
}

std::vector<TRect> UpdateRects(HWND wnd) {
  TRegion region;
  GetUpdateRgn(wnd, region, false);
  return region.Rects();
}

// A window that paints its whole client area in one colour, logging its paints and
// erases and the update region each paint had.
struct PaintingWindow {
  PaintingWindow(const std::string& name, MessageLog& log, TWindowCreateParams params, TColorRef color)
      : window(name, log, params, {WM_PAINT, WM_ERASEBKGND, WM_NCPAINT}), colour(color) {
    window.handler = [this](TMessage& m) {
      if (m.Msg != WM_PAINT) return false;
      const HWND wnd = window.Wnd();
      TRegion region;
      GetUpdateRgn(wnd, region, false);
      painted.push_back(region.Rects());
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, ps);
      TRect all;
      GetClientRect(wnd, all);
      dc->FillRect(all, colour);
      EndPaint(wnd, ps);
      return true;
    };
  }
  HWND Wnd() const { return window.Wnd(); }

  RawWindow window;
  TColorRef colour;
  std::vector<std::vector<TRect>> painted;
};

TEST(Invalidation, UpdateRegionsCollectExactlyWhatWasInvalidatedWithinTheClientArea) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(0, 0, 300, 300));
  RawWindow w("w", log, test::Child(top.Wnd(), 10, 10, 100, 80));
  ui.Process();
  ASSERT_TRUE(UpdateRects(w.Wnd()).empty());
  const TRect first = Rect(10, 10, 30, 20);
  const TRect second = Rect(20, 15, 40, 30);
  InvalidateRect(w.Wnd(), &first, false);
  InvalidateRect(w.Wnd(), &second, false);
  EXPECT_EQ(UpdateRects(w.Wnd()),
            (std::vector<TRect>{Rect(10, 10, 30, 15), Rect(10, 15, 40, 20), Rect(20, 20, 40, 30)}));
  const TRect middle = Rect(0, 12, 100, 25);
  ValidateRect(w.Wnd(), &middle);
  EXPECT_EQ(UpdateRects(w.Wnd()), (std::vector<TRect>{Rect(10, 10, 30, 12), Rect(20, 25, 40, 30)}));
  const TRect huge = Rect(-50, -50, 500, 500);
  InvalidateRect(w.Wnd(), &huge, false);
  EXPECT_EQ(UpdateRects(w.Wnd()), (std::vector<TRect>{Rect(0, 0, 100, 80)}));
  ValidateRect(w.Wnd(), nullptr);
  EXPECT_TRUE(UpdateRects(w.Wnd()).empty());
  // A hidden window collects nothing: it is painted whole when it shows.
  ShowWindow(w.Wnd(), SW_HIDE);
  InvalidateRect(w.Wnd(), &first, false);
  EXPECT_TRUE(UpdateRects(w.Wnd()).empty());
  ShowWindow(w.Wnd(), SW_SHOW);
  EXPECT_EQ(UpdateRects(w.Wnd()), (std::vector<TRect>{Rect(0, 0, 100, 80)}));
}

TEST(Invalidation, EraseComesFirstAndOnlyWhenAskedFor) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(0, 0, 300, 300), {WM_PAINT});
  PaintingWindow w("w", log, test::Child(top.Wnd(), 0, 0, 100, 100), RGB(1, 2, 3));
  ui.Process();
  log.clear();
  const TRect r = Rect(0, 0, 10, 10);
  InvalidateRect(w.Wnd(), &r, false);
  ui.Process();
  InvalidateRect(w.Wnd(), &r, true);
  InvalidateRect(w.Wnd(), &r, false);
  ui.Process();
  EXPECT_EQ(log, (MessageLog{"w WM_PAINT", "w WM_PAINT", "w WM_ERASEBKGND"}));
}

TEST(Invalidation, AParentWithoutClipChildrenTakesTheChildrenItCoversAlong) {
  test::UiDriver ui;
  MessageLog log;
  for (UINT clip : {0u, WS_CLIPCHILDREN}) {
    RawWindow top("top", log, test::TopLevel(0, 0, 300, 300, WS_POPUP | WS_VISIBLE | clip));
    RawWindow child("child", log,
                    test::Child(top.Wnd(), 50, 50, 100, 100, WS_CHILD | WS_VISIBLE | WS_BORDER));
    ui.Process();
    const TRect corner = Rect(0, 0, 75, 80);
    InvalidateRect(top.Wnd(), &corner, true);
    if (clip) {
      EXPECT_TRUE(UpdateRects(child.Wnd()).empty());
    } else {
      // Window pixels 0..24 x 0..29, less the one-pixel border, in client coordinates.
      EXPECT_EQ(UpdateRects(child.Wnd()), (std::vector<TRect>{Rect(0, 0, 24, 29)}));
    }
    // RDW_ALLCHILDREN takes the children along whatever the style.
    ValidateRect(child.Wnd(), nullptr);
    RedrawWindow(top.Wnd(), &corner, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    EXPECT_EQ(UpdateRects(child.Wnd()), (std::vector<TRect>{Rect(0, 0, 24, 29)}));
  }
}

TEST(Painting, ParentsPaintBeforeChildrenAndOnlyWhatIsInvalidChanges) {
  test::UiDriver ui;
  MessageLog log;
  PaintingWindow top("top", log, test::TopLevel(10, 10, 200, 200, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN),
                     RGB(200, 0, 0));
  PaintingWindow child("child", log, test::Child(top.Wnd(), 100, 100, 50, 50), RGB(0, 200, 0));
  ui.Process();
  EXPECT_EQ(ScreenPixel({15, 15}), RGB(200, 0, 0));
  EXPECT_EQ(ScreenPixel({115, 115}), RGB(0, 200, 0));
  log.clear();

  top.colour = RGB(0, 0, 200);
  child.colour = RGB(0, 0, 99);
  const TRect area = Rect(80, 80, 120, 120);
  RedrawWindow(top.Wnd(), &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  ui.Process();
  EXPECT_EQ(log, (MessageLog{"top WM_PAINT", "child WM_PAINT"}));
  EXPECT_EQ(top.painted.back(), (std::vector<TRect>{Rect(80, 80, 120, 120)}));
  EXPECT_EQ(child.painted.back(), (std::vector<TRect>{Rect(0, 0, 20, 20)}));
  // The parent painted its whole client area, yet only the invalid part outside the
  // child took the new colour.
  EXPECT_EQ(ScreenPixel({95, 95}), RGB(0, 0, 200));
  EXPECT_EQ(ScreenPixel({75, 75}), RGB(200, 0, 0));
  EXPECT_EQ(ScreenPixel({115, 115}), RGB(0, 0, 99));
  EXPECT_EQ(ScreenPixel({135, 135}), RGB(0, 200, 0));
}

TEST(Painting, AWindowThatDoesNotPaintWhenAskedIsNotAskedAgain) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(0, 0, 100, 100), {WM_PAINT});
  int paints = 0;
  top.handler = [&](TMessage& m) { return m.Msg == WM_PAINT && ++paints > 0; };
  ui.Process();
  EXPECT_EQ(paints, 1);
  InvalidateRect(top.Wnd(), nullptr, false);
  ui.Process();
  EXPECT_EQ(paints, 2);
}

TEST(Painting, GrowingAWindowInvalidatesWhatAppearsUnlessItsClassRedrawsAll) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow top("top", log, test::TopLevel(0, 0, 300, 300));
  RawWindow grows("grows", log, test::Child(top.Wnd(), 0, 0, 100, 100, WS_CHILD | WS_VISIBLE, 0));
  RawWindow redraws("redraws", log,
                    test::Child(top.Wnd(), 150, 150, 100, 100, WS_CHILD | WS_VISIBLE, CS_HREDRAW));
  ui.Process();
  SetWindowPos(grows.Wnd(), 0, 0, 0, 150, 120, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(UpdateRects(grows.Wnd()), (std::vector<TRect>{Rect(100, 0, 150, 100), Rect(0, 100, 150, 120)}));
  SetWindowPos(redraws.Wnd(), 0, 0, 0, 120, 100, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(UpdateRects(redraws.Wnd()), (std::vector<TRect>{Rect(0, 0, 120, 100)}));
  // Without redrawing nothing is invalidated: the caller repaints what it must.
  ui.Process();
  SetWindowPos(grows.Wnd(), 0, 0, 0, 200, 120, SWP_NOZORDER | SWP_NOMOVE | SWP_NOREDRAW);
  EXPECT_TRUE(UpdateRects(grows.Wnd()).empty());
}

struct ScrollCase {
  int dx;
  int dy;
  TRect band;
  std::vector<TRect> uncovered;
};

TEST(Scrolling, ScrollWindowExMovesTheBandAndInvalidatesExactlyWhatItUncovers) {
  test::UiDriver ui;
  MessageLog log;
  const ScrollCase cases[] = {
      {0, -10, Rect(0, 20, 100, 80), {Rect(0, 70, 100, 80)}},
      {0, 7, Rect(0, 20, 100, 80), {Rect(0, 20, 100, 27)}},
      {15, 0, Rect(30, 0, 100, 100), {Rect(30, 0, 45, 100)}},
      {-5, -3, Rect(10, 10, 60, 60), {Rect(55, 10, 60, 57), Rect(10, 57, 60, 60)}},
  };
  for (const ScrollCase& c : cases) {
    RawWindow w("w", log, test::TopLevel(20, 30, 100, 100));
    ui.Process();
    FillPattern(w.Wnd(), 100, 100);
    TRegion update;
    TRect updateBox;
    const int type =
        ScrollWindowEx(w.Wnd(), c.dx, c.dy, &c.band, &c.band, &update, &updateBox, SW_INVALIDATE);
    EXPECT_EQ(update.Rects(), c.uncovered) << c.dx << "," << c.dy;
    EXPECT_EQ(UpdateRects(w.Wnd()), c.uncovered);
    EXPECT_EQ(type, c.uncovered.size() == 1 ? SIMPLEREGION : COMPLEXREGION);
    const TRaster screen = ScreenImage();
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) {
        const bool inBand = PtInRect(c.band, {x, y});
        const bool fromBand = PtInRect(c.band, {x - c.dx, y - c.dy});
        const TColorRef expected = inBand && fromBand ? PatternAt(x - c.dx, y - c.dy) : PatternAt(x, y);
        ASSERT_EQ(screen.Pixel(20 + x, 30 + y), expected)
            << "pixel " << x << "," << y << " scrolling " << c.dx << "," << c.dy;
      }
  }
}

TEST(Scrolling, TheUpdateRegionMovesWithThePixelsAndHiddenSourcesBecomeInvalid) {
  test::UiDriver ui;
  MessageLog log;
  RawWindow w("w", log, test::TopLevel(0, 0, 100, 100, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN));
  RawWindow strip("strip", log, test::Child(w.Wnd(), 0, 50, 100, 10));
  ui.Process();
  FillPattern(w.Wnd(), 100, 100);
  FillClient(strip.Wnd(), RGB(9, 9, 9));
  const TRect pending = Rect(0, 30, 10, 40);
  InvalidateRect(w.Wnd(), &pending, false);
  ScrollWindowEx(w.Wnd(), 0, -10, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  // The pending area moved up with its pixels; the pixels that came from under the child
  // could not be moved and are invalid; the bottom was uncovered.
  EXPECT_EQ(UpdateRects(w.Wnd()),
            (std::vector<TRect>{Rect(0, 20, 10, 30), Rect(0, 40, 100, 50), Rect(0, 90, 100, 100)}));
  const TRaster screen = ScreenImage();
  EXPECT_EQ(screen.Pixel(5, 55), RGB(9, 9, 9));      // the child keeps its pixels
  EXPECT_EQ(screen.Pixel(5, 65), PatternAt(5, 75));  // below it, moved up
  EXPECT_EQ(screen.Pixel(5, 35), PatternAt(5, 45));
}

TEST(ScreenImage, TopLevelWindowsShowBottomToTopAndOnlyWhileVisible) {
  test::UiDriver ui;
  MessageLog log;
  PaintingWindow lower("lower", log, test::TopLevel(10, 10, 100, 100), RGB(10, 0, 0));
  PaintingWindow upper("upper", log, test::TopLevel(50, 50, 100, 100), RGB(0, 10, 0));
  const TRegion round =
      CreatePolygonRgn(std::vector<TPoint>{{0, 0}, {100, 0}, {0, 100}}.data(), 3, ALTERNATE);
  ui.Process();
  EXPECT_EQ(ScreenPixel({60, 60}), RGB(0, 10, 0));
  SetWindowRgn(upper.Wnd(), &round, true);
  ui.Process();
  EXPECT_EQ(ScreenPixel({60, 60}), RGB(0, 10, 0));
  EXPECT_EQ(ScreenPixel({105, 105}), RGB(10, 0, 0));  // outside the shape the window below shows
  ShowWindow(lower.Wnd(), SW_HIDE);
  EXPECT_EQ(ScreenPixel({20, 20}), GetSysColor(COLOR_BACKGROUND));
}

TEST(Frames, TheDefaultFramePaintsBorderEdgeAndScrollBarsInTheClassicColours) {
  test::UiDriver ui;
  MessageLog log;
  TWindowCreateParams p = test::TopLevel(0, 0, 120, 100, WS_POPUP | WS_VISIBLE | WS_BORDER | WS_VSCROLL);
  p.exStyle = WS_EX_CLIENTEDGE;
  RawWindow w("w", log, p);
  ui.Process();
  EXPECT_EQ(ScreenPixel({0, 50}), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(ScreenPixel({1, 50}), GetSysColor(COLOR_BTNSHADOW));  // the sunken edge's outer ring
  EXPECT_EQ(ScreenPixel({2, 50}), GetSysColor(COLOR_3DDKSHADOW));
  // The up arrow of the vertical bar: a button face with a black triangle in its middle.
  const TRect bar = VertScrollBarRect(w.Wnd());
  EXPECT_EQ(ScreenPixel({bar.left + 3, bar.top + 3}), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ScreenPixel({bar.left + 8, bar.top + 7}), GetSysColor(COLOR_BTNTEXT));
}

}  // namespace
}  // namespace ordvane
