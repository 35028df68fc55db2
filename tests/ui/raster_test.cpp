// Regions, mapping, clipping, lines, shapes and blits on the raster device context.

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "classlib/core/SysUtils.h"
#include "classlib/ui/RasterDC.h"
#include "tests/ui/RasterTestSupport.h"

namespace ordvane {
namespace {

using test::kWhite;
using test::kBlack;
using test::kRed;

struct Surface {
  explicit Surface(int width = 40, int height = 30) : raster(width, height), dc(raster) {}
  TRaster raster;
  TRasterDC dc;
};

// ---- Regions ----

TEST(Regions, CombineAgreesWithPixelByPixelSetAlgebra) {
  std::mt19937 random(7);
  auto rect = [&random] {
    std::uniform_int_distribution<int> coordinate(0, 24);
    int a = coordinate(random), b = coordinate(random), c = coordinate(random), d = coordinate(random);
    return NormalizedRect({a, b, c, d});
  };
  for (int round = 0; round < 40; ++round) {
    TRegion a = TRegion::Combine(TRegion(rect()), TRegion(rect()), RGN_OR);
    TRegion b = TRegion::Combine(TRegion(rect()), TRegion(rect()), RGN_XOR);
    for (int mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY}) {
      TRegion result;
      CombineRgn(result, a, b, mode);
      for (int y = -1; y < 26; ++y)
        for (int x = -1; x < 26; ++x) {
          bool inA = a.Contains(x, y), inB = b.Contains(x, y);
          bool expected = mode == RGN_AND    ? inA && inB
                          : mode == RGN_OR   ? inA || inB
                          : mode == RGN_XOR  ? inA != inB
                          : mode == RGN_DIFF ? inA && !inB
                                             : inA;
          ASSERT_EQ(result.Contains(x, y), expected) << "mode " << mode << " at " << x << "," << y;
        }
      // The rectangles of a region are disjoint and cover exactly its pixels.
      int covered = 0;
      for (const TRect& r : result.Rects()) covered += r.Width() * r.Height();
      int counted = 0;
      for (int y = -1; y < 26; ++y)
        for (int x = -1; x < 26; ++x) counted += result.Contains(x, y) ? 1 : 0;
      ASSERT_EQ(covered, counted);
    }
  }
}

TEST(Regions, TypesBoxesAndEquality) {
  TRegion empty;
  EXPECT_EQ(empty.Type(), NULLREGION);
  EXPECT_EQ(CreateRectRgn(5, 5, 5, 9).Type(), NULLREGION);
  TRegion one = CreateRectRgn(10, 2, 0, 8);  // corners in any order
  EXPECT_EQ(one.Type(), SIMPLEREGION);
  TRect box;
  EXPECT_EQ(GetRgnBox(one, box), SIMPLEREGION);
  EXPECT_EQ(box, Rect(0, 2, 10, 8));
  TRegion two;
  EXPECT_EQ(CombineRgn(two, one, CreateRectRgn(20, 0, 30, 4), RGN_OR), COMPLEXREGION);
  EXPECT_EQ(two.Box(), Rect(0, 0, 30, 8));
  EXPECT_EQ(CombineRgn(two, one, one, 99), ERROR);
  // Equal sets compare equal however they were built.
  TRegion left = TRegion::Combine(CreateRectRgn(0, 0, 10, 10), CreateRectRgn(10, 0, 20, 10), RGN_OR);
  EXPECT_TRUE(EqualRgn(left, CreateRectRgn(0, 0, 20, 10)));
  OffsetRgn(left, 3, 4);
  EXPECT_TRUE(PtInRegion(left, 3, 4));
  EXPECT_FALSE(PtInRegion(left, 23, 4));
  EXPECT_TRUE(RectInRegion(left, Rect(22, 13, 30, 30)));
  EXPECT_FALSE(RectInRegion(left, Rect(23, 14, 30, 30)));
}

// A region moved past the int range keeps the pixels that still have coordinates and
// loses the ones squeezed against the range's end, instead of wrapping round to the other side.
TEST(Regions, OffsetPastTheIntRangeSaturates) {
  constexpr int kMax = std::numeric_limits<int>::max();
  TRegion two = TRegion::Combine(CreateRectRgn(0, 0, 10, 10), CreateRectRgn(20, 0, 30, 5), RGN_OR);
  two.Offset(kMax - 25, 0);
  EXPECT_EQ(two.Type(), COMPLEXREGION);
  EXPECT_EQ(two.Box(), Rect(kMax - 25, 0, kMax, 10));
  EXPECT_TRUE(two.Contains(kMax - 1, 4));
  // The part that made the rows differ is squeezed out: one rectangle is left.
  TRegion wide = TRegion::Combine(CreateRectRgn(0, 0, 10, 10), CreateRectRgn(20, 0, 30, 5), RGN_OR);
  wide.Offset(kMax - 10, 0);
  EXPECT_EQ(wide.Type(), SIMPLEREGION);
  EXPECT_EQ(wide.Box(), Rect(kMax - 10, 0, kMax, 10));
  TRegion gone = CreateRectRgn(0, 0, 10, 10);
  gone.Offset(0, static_cast<long long>(kMax) * 2);
  EXPECT_TRUE(gone.Empty());
  TRegion back = CreateRectRgn(-10, -10, 10, 10);
  back.Offset(std::numeric_limits<int>::min(), std::numeric_limits<int>::min());
  EXPECT_TRUE(back.Contains(std::numeric_limits<int>::min(), std::numeric_limits<int>::min()));
  EXPECT_EQ(back.Box().Width(), 10);
}

TEST(Regions, PolygonFillModesDifferInsideAStar) {
  const TPoint star[] = {{20, 0}, {32, 38}, {0, 14}, {40, 14}, {8, 38}};
  TRegion alternate = CreatePolygonRgn(star, 5, ALTERNATE);
  TRegion winding = CreatePolygonRgn(star, 5, WINDING);
  EXPECT_FALSE(alternate.Contains(20, 20));  // the pentagon in the middle is crossed twice
  EXPECT_TRUE(winding.Contains(20, 20));
  EXPECT_TRUE(alternate.Contains(20, 5));
  // A rectangle given as a polygon covers what the rectangle covers.
  const TPoint square[] = {{2, 3}, {12, 3}, {12, 9}, {2, 9}};
  EXPECT_TRUE(EqualRgn(CreatePolygonRgn(square, 4, ALTERNATE), CreateRectRgn(2, 3, 12, 9)));
  EXPECT_EQ(CreatePolygonRgn(square, 2, ALTERNATE).Type(), NULLREGION);
}

// ---- Mapping and clipping ----

TEST(Mapping, MirroredAnisotropicMappingFlipsTheXAxis) {
  Surface s(50, 20);
  test::Mirror(s.dc, 50, 20);
  TPoint points[] = {{0, 0}, {10, 5}, {50, 20}};
  LPtoDP(&s.dc, points, 3);
  EXPECT_EQ(points[0], Point(50, 0));
  EXPECT_EQ(points[1], Point(40, 5));
  EXPECT_EQ(points[2], Point(0, 20));
  s.dc.DPtoLP(points, 3);
  EXPECT_EQ(points[1], Point(10, 5));
  // The logical rectangle 0..10 lands on the device's last ten columns.
  s.dc.FillRect(Rect(0, 0, 10, 5), kRed);
  EXPECT_EQ(test::InkBox(s.raster, kWhite), Rect(40, 0, 50, 5));
  // Back to plain mapping.
  s.dc.SetMapMode(MM_TEXT);
  s.dc.SetWindowOrgEx(0, 0);
  TPoint p{7, 3};
  s.dc.LPtoDP(&p, 1);
  EXPECT_EQ(p, Point(7, 3));
}

TEST(Mapping, ScaledExtentsRoundAndZeroExtentsAreRefused) {
  Surface s;
  s.dc.SetMapMode(MM_ANISOTROPIC);
  s.dc.SetWindowExtEx(3, 3);
  s.dc.SetViewportExtEx(2, 2);
  TPoint p[] = {{3, 3}, {1, 4}, {-1, -4}};
  s.dc.LPtoDP(p, 3);
  EXPECT_EQ(p[0], Point(2, 2));
  EXPECT_EQ(p[1], Point(1, 3));  // 2/3 and 8/3 round to 1 and 3
  EXPECT_EQ(p[2], Point(-1, -3));
  EXPECT_EQ(s.dc.SetWindowExtEx(0, 5).cx, 3);
  EXPECT_EQ(s.dc.GetWindowExtEx(), (TSize{3, 3}));
  // The window origin moves drawing in plain mapping too.
  Surface t;
  t.dc.SetWindowOrgEx(-5, -2);
  t.dc.FillRect(Rect(0, 0, 3, 3), kRed);
  EXPECT_EQ(test::InkBox(t.raster, kWhite), Rect(5, 2, 8, 5));
}

TEST(Clipping, DrawingStaysInsideTheClipRegion) {
  Surface s;
  const TPoint triangle[] = {{0, 0}, {30, 0}, {0, 30}};
  TRegion region = CreatePolygonRgn(triangle, 3, ALTERNATE);
  EXPECT_EQ(SelectClipRgn(&s.dc, &region), COMPLEXREGION);
  EXPECT_EQ(ExcludeClipRect(&s.dc, 2, 2, 6, 6), COMPLEXREGION);
  s.dc.FillRect(Rect(0, 0, 40, 30), kRed);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      bool expected = region.Contains(x, y) && !(x >= 2 && x < 6 && y >= 2 && y < 6);
      ASSERT_EQ(s.raster.Pixel(x, y) == kRed, expected) << x << "," << y;
    }
  EXPECT_TRUE(RectVisible(&s.dc, Rect(0, 0, 3, 3)));
  EXPECT_FALSE(RectVisible(&s.dc, Rect(2, 2, 6, 6)));
  EXPECT_FALSE(RectVisible(&s.dc, Rect(25, 25, 30, 30)));
  // GetClipRgn gives back what was set; selecting nothing removes the clipping.
  TRegion saved;
  EXPECT_EQ(GetClipRgn(&s.dc, saved), CLIP_SET);
  EXPECT_TRUE(saved.Contains(10, 10));
  EXPECT_FALSE(saved.Contains(3, 3));
  SelectClipRgn(&s.dc, nullptr);
  TRegion none;
  EXPECT_EQ(GetClipRgn(&s.dc, none), CLIP_NONE);
  EXPECT_TRUE(RectVisible(&s.dc, Rect(25, 25, 30, 30)));
}

TEST(Clipping, ClipRectanglesAreLogicalAndTheRegionIsDevice) {
  Surface s;
  s.dc.SetWindowOrgEx(10, 0);
  IntersectClipRect(&s.dc, 10, 0, 20, 5);  // logical, so device 0..10
  TRegion clip;
  ASSERT_EQ(GetClipRgn(&s.dc, clip), CLIP_SET);
  EXPECT_EQ(clip.Box(), Rect(0, 0, 10, 5));
  TRect box;
  s.dc.GetClipBox(box);
  EXPECT_EQ(box, Rect(10, 0, 20, 5));
  // The visible region of a paint and the device origin bound everything as well.
  Surface p(40, 30);
  p.dc.SetDeviceOrigin({5, 5});
  TRegion visible = CreateRectRgn(0, 0, 10, 10);
  p.dc.SetVisibleRegion(&visible);
  p.dc.FillRect(Rect(-100, -100, 100, 100), kRed);
  EXPECT_EQ(test::InkBox(p.raster, kWhite), Rect(5, 5, 15, 15));
  TRegion appClip;
  EXPECT_EQ(p.dc.GetClipRgn(appClip), CLIP_NONE);
}

// ---- Lines ----

TEST(Lines, EndPointsAreExcludedAndCornersDrawnOnce) {
  Surface s;
  s.dc.SelectPen({PS_SOLID, 1, kBlack});
  s.dc.MoveToEx(2, 5);
  s.dc.LineTo(12, 5);
  EXPECT_EQ(test::InkBox(s.raster, kWhite), Rect(2, 5, 12, 6));
  EXPECT_EQ(s.dc.GetCurrentPositionEx(), Point(12, 5));

  Surface d;
  d.dc.MoveToEx(0, 0);
  d.dc.LineTo(5, 5);
  EXPECT_EQ(
      test::CountPixels(d.raster, [](int x, int y, TColorRef c) { return c != kWhite && x == y && x < 5; }),
      5);
  EXPECT_EQ(test::CountPixels(d.raster, [](int, int, TColorRef c) { return c != kWhite; }), 5);

  // In XOR mode a pixel drawn twice would vanish: the corners of a polyline must not.
  Surface x;
  x.dc.SetROP2(R2_XORPEN);
  x.dc.SelectPen({PS_SOLID, 1, kWhite});
  const TPoint path[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  x.dc.Polyline(path, 4);
  EXPECT_EQ(x.raster.Pixel(10, 0), kBlack);
  EXPECT_EQ(x.raster.Pixel(10, 10), kBlack);
  EXPECT_EQ(x.raster.Pixel(0, 10), kWhite);  // the last point is excluded
  EXPECT_EQ(test::CountPixels(x.raster, [](int, int, TColorRef c) { return c == kBlack; }), 30);
}

// The pixels of column x from row 0 down, 'X' where black.
std::string Column(const TRaster& raster, int x, int rows) {
  std::string column;
  for (int y = 0; y < rows; ++y) column += raster.Pixel(x, y) == kBlack ? 'X' : '.';
  return column;
}

TEST(Lines, DottedPenPhaseRunsOnAcrossCornersAndRestartsPerCall) {
  Surface s;
  s.dc.SelectPen({PS_DOT, 1, kBlack});
  s.dc.SetBkMode(TRANSPARENT);
  const TPoint path[] = {{0, 0}, {4, 0}, {4, 10}};
  s.dc.Polyline(path, 3);
  // 3 on, 3 off, counted along the path: (0..2,0) on, (3,0) (4,0) (4,1) off, (4,2..4) on.
  std::string row;
  for (int x = 0; x < 4; ++x) row += s.raster.Pixel(x, 0) == kBlack ? 'X' : '.';
  EXPECT_EQ(row, "XXX.");
  EXPECT_EQ(Column(s.raster, 4, 10), "..XXX...XX");

  // Each LineTo starts the pattern again.
  Surface t;
  t.dc.SelectPen({PS_DOT, 1, kBlack});
  t.dc.SetBkMode(TRANSPARENT);
  t.dc.MoveToEx(0, 0);
  t.dc.LineTo(4, 0);
  t.dc.LineTo(4, 10);
  EXPECT_EQ(Column(t.raster, 4, 10), "XXX...XXX.");

  // In opaque mode the gaps take the background colour.
  Surface o;
  o.dc.SelectPen({PS_DOT, 1, kBlack});
  o.dc.SetBkColor(kRed);
  o.dc.MoveToEx(0, 0);
  o.dc.LineTo(6, 0);
  EXPECT_EQ(o.raster.Pixel(3, 0), kRed);
  EXPECT_EQ(o.raster.Pixel(2, 0), kBlack);
}

TEST(Lines, WidePensHonourEndCaps) {
  Surface flat;
  flat.dc.SelectPen(
      ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, 3, {BS_SOLID, kBlack}));
  EXPECT_EQ(flat.dc.CurrentPen().style, 0x12200u);
  flat.dc.MoveToEx(5, 10);
  flat.dc.LineTo(15, 10);
  EXPECT_EQ(test::InkBox(flat.raster, kWhite), Rect(5, 9, 15, 12));
  EXPECT_EQ(test::CountPixels(flat.raster, [](int, int, TColorRef c) { return c == kBlack; }), 30);

  // An even width sits on the pixel before the line and the line's own.
  Surface even;
  even.dc.SelectPen(ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT, 2, {BS_SOLID, kBlack}));
  even.dc.MoveToEx(8, 2);
  even.dc.LineTo(8, 12);
  EXPECT_EQ(test::InkBox(even.raster, kWhite), Rect(7, 2, 9, 12));

  Surface round;
  round.dc.SelectPen({PS_SOLID, 5, kBlack});  // a plain wide pen has round caps
  round.dc.MoveToEx(10, 10);
  round.dc.LineTo(20, 10);
  TRect box = test::InkBox(round.raster, kWhite);
  EXPECT_LT(box.left, 10);
  EXPECT_GT(box.right, 20);
  EXPECT_EQ(round.raster.Pixel(8, 8), kWhite);  // rounded, not square

  // Mitred corners fill the outside of a right angle.
  Surface mitre;
  mitre.dc.SelectPen(ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER, 4, {BS_SOLID, kBlack}));
  const TPoint corner[] = {{5, 20}, {20, 20}, {20, 5}};
  mitre.dc.Polyline(corner, 3);
  EXPECT_EQ(mitre.raster.Pixel(21, 21), kBlack);
  Surface bevel;
  bevel.dc.SelectPen(ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_BEVEL, 4, {BS_SOLID, kBlack}));
  bevel.dc.Polyline(corner, 3);
  EXPECT_EQ(bevel.raster.Pixel(21, 21), kWhite);
}

TEST(Lines, PolyPolylineDrawsEveryStrokeAndRefusesShortOnes) {
  Surface s;
  const TPoint points[] = {{0, 1}, {10, 1}, {0, 3}, {10, 3}, {2, 0}, {2, 10}};
  const unsigned counts[] = {2, 2, 2};
  EXPECT_TRUE(PolyPolyline(&s.dc, points, counts, 3));
  EXPECT_EQ(s.raster.Pixel(9, 1), kBlack);
  EXPECT_EQ(s.raster.Pixel(9, 3), kBlack);
  EXPECT_EQ(s.raster.Pixel(2, 9), kBlack);
  const unsigned bad[] = {2, 1};
  EXPECT_FALSE(PolyPolyline(&s.dc, points, bad, 2));
}

// ---- Shapes ----

TEST(Shapes, RectangleOutlinesExclusiveEdgesAndFillsInside) {
  Surface s;
  s.dc.SelectBrush({BS_SOLID, kRed});
  s.dc.Rectangle(0, 0, 10, 6);
  EXPECT_EQ(test::InkBox(s.raster, kWhite), Rect(0, 0, 10, 6));
  EXPECT_EQ(s.raster.Pixel(9, 5), kBlack);
  EXPECT_EQ(s.raster.Pixel(1, 1), kRed);
  EXPECT_EQ(s.raster.Pixel(8, 4), kRed);
  EXPECT_EQ(test::CountPixels(s.raster, [](int, int, TColorRef c) { return c == kRed; }), 8 * 4);

  Surface n;  // no pen: the brush stops one pixel short on the right and at the bottom
  n.dc.SelectPen({PS_NULL, 1, 0});
  n.dc.SelectBrush({BS_SOLID, kRed});
  n.dc.Rectangle(0, 0, 10, 6);
  EXPECT_EQ(test::InkBox(n.raster, kWhite), Rect(0, 0, 9, 5));

  Surface c;  // a clear brush leaves the inside alone
  c.dc.SelectBrush({BS_NULL, kRed});
  c.dc.Rectangle(0, 0, 10, 6);
  EXPECT_EQ(c.raster.Pixel(4, 3), kWhite);
}

TEST(Shapes, EllipseIsSymmetricInsideItsRectangle) {
  Surface s;
  s.dc.SelectBrush({BS_SOLID, kRed});
  s.dc.Ellipse(2, 3, 22, 15);
  EXPECT_EQ(test::InkBox(s.raster, kWhite), Rect(2, 3, 22, 15));
  EXPECT_EQ(s.raster.Pixel(2, 3), kWhite);  // corners are outside
  EXPECT_EQ(s.raster.Pixel(12, 9), kRed);   // the middle is filled
  EXPECT_EQ(s.raster.Pixel(2, 9), kBlack);  // the outline touches the sides
  for (int y = 3; y < 15; ++y)
    for (int x = 2; x < 22; ++x) {
      ASSERT_EQ(s.raster.Pixel(x, y), s.raster.Pixel(2 + 21 - x, y)) << x << "," << y;
      ASSERT_EQ(s.raster.Pixel(x, y), s.raster.Pixel(x, 3 + 14 - y)) << x << "," << y;
    }
  // The outline is a path: a dotted pen leaves gaps in it, and a clear brush the inside.
  Surface d;
  d.dc.SelectPen({PS_DOT, 1, kBlack});
  d.dc.SelectBrush({BS_NULL, 0});
  d.dc.SetBkMode(TRANSPARENT);
  d.dc.Ellipse(2, 3, 22, 15);
  int solid = test::CountPixels(s.raster, [](int, int, TColorRef c) { return c == kBlack; });
  int dotted = test::CountPixels(d.raster, [](int, int, TColorRef c) { return c == kBlack; });
  EXPECT_GT(dotted, solid / 3);
  EXPECT_LT(dotted, solid * 2 / 3);
  EXPECT_EQ(d.raster.Pixel(12, 9), kWhite);
}

TEST(Shapes, PolygonFillsByTheFillModeAndFramesWithThePen) {
  Surface s(40, 40);
  s.dc.SelectPen({PS_NULL, 1, 0});
  s.dc.SelectBrush({BS_SOLID, kRed});
  const TPoint star[] = {{20, 0}, {32, 38}, {0, 14}, {40, 14}, {8, 38}};
  s.dc.Polygon(star, 5);
  EXPECT_EQ(s.raster.Pixel(20, 20), kWhite);
  s.dc.SetPolyFillMode(WINDING);
  s.dc.Polygon(star, 5);
  EXPECT_EQ(s.raster.Pixel(20, 20), kRed);
}

TEST(Shapes, AbsurdCoordinatesCostNoMoreThanTheRaster) {
  Surface s;
  s.dc.MoveToEx(-1000000000, 5);
  s.dc.LineTo(1000000000, 5);
  EXPECT_EQ(test::InkBox(s.raster, kWhite), Rect(0, 5, 40, 6));
  s.dc.SelectBrush({BS_SOLID, kRed});
  s.dc.SelectPen({PS_SOLID, 3, kBlack});
  s.dc.Ellipse(-2000000, -2000000, 2000000, 2000000);
  EXPECT_EQ(s.raster.Pixel(20, 15), kRed);
  const TPoint triangle[] = {{-900000000, -900000000}, {900000000, 0}, {-900000000, 900000000}};
  s.dc.SelectBrush({BS_SOLID, 0x00FF00});
  s.dc.Polygon(triangle, 3);
  EXPECT_EQ(s.raster.Pixel(20, 15), 0x00FF00u);
}

// A focus frame walks only the rows of the surface, and a frame moved beyond the int
// range by the origins stays outside instead of wrapping into it.
TEST(Shapes, AnAbsurdFocusFrameCostsNoMoreThanTheRaster) {
  Surface s;
  for (int round = 0; round < 21; ++round) s.dc.DrawFocusRect(Rect(2, 3, 9, 2000000000));
  // The checkerboard leaves the last row's edge pixels as they were.
  EXPECT_EQ(test::InkBox(s.raster, kWhite), Rect(2, 3, 9, 29));
  Surface moved;
  moved.dc.SetViewportOrgEx(2000000000, 0);
  moved.dc.DrawFocusRect(Rect(2000000000, 0, 2000000005, 10));
  EXPECT_EQ(test::InkBox(moved.raster, kWhite), TRect());
}

TEST(Shapes, RectanglesBeyondTheIntRangeSaturateInsteadOfWrapping) {
  EXPECT_EQ(Bounds(2000000000, -2000000000, 2000000000, -2000000000),
            Rect(2000000000, -2000000000, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()));
  EXPECT_EQ(Rect(-2000000000, 0, 2000000000, 1).Width(), std::numeric_limits<int>::max());
  EXPECT_EQ(Rect(0, 2000000000, 1, -2000000000).Height(), std::numeric_limits<int>::min());
}

TEST(Shapes, MovingAndGrowingRectanglesPastTheIntRangeSaturate) {
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  TRect r = Rect(kMax - 5, kMin + 5, kMax - 1, kMin + 9);
  InflateRect(r, 10, 10);
  EXPECT_EQ(r, Rect(kMax - 15, kMin, kMax, kMin + 19));
  OffsetRect(r, 100, -100);
  EXPECT_EQ(r, Rect(kMax, kMin, kMax, kMin));
  // Moving by minus the far left edge brings it to 0, as a window's own coordinates do.
  TRect far = Bounds(kMin, kMin, 100, 50);
  OffsetRect(far, -static_cast<long long>(far.left), -static_cast<long long>(far.top));
  EXPECT_EQ(far, Rect(0, 0, 100, 50));
  TRect shrunk = Rect(kMin, 0, kMax, 10);
  InflateRect(shrunk, -kMax, 0);
  EXPECT_EQ(shrunk, Rect(-1, 0, 0, 10));
}

TEST(Shapes, XorTwiceRestoresEveryPixel) {
  Surface s(60, 40);
  test::FillPattern(s.raster);
  TRaster before = s.raster;
  for (int mode : {R2_XORPEN, R2_NOT, R2_NOTXORPEN}) {
    s.dc.SetROP2(mode);
    for (int pass = 0; pass < 2; ++pass) {
      s.dc.SelectPen({PS_SOLID, 1, 0x3366CC});
      s.dc.SelectBrush({BS_SOLID, 0x996633});
      s.dc.MoveToEx(0, 0);
      s.dc.LineTo(59, 39);
      const TPoint zig[] = {{5, 30}, {15, 5}, {25, 30}, {35, 5}};
      s.dc.Polyline(zig, 4);
      s.dc.Rectangle(3, 3, 20, 15);
      s.dc.Ellipse(30, 10, 55, 35);
      const TPoint triangle[] = {{10, 35}, {50, 20}, {40, 39}};
      s.dc.Polygon(triangle, 3);
      s.dc.SelectPen({PS_DOT, 1, 0x3366CC});
      s.dc.Rectangle(22, 2, 40, 9);
      s.dc.SelectPen(ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER, 3, {BS_SOLID, 0x123456}));
      s.dc.Polyline(zig, 4);
    }
    ASSERT_EQ(s.raster, before) << "mode " << mode;
  }
}

// ---- Blits ----

TEST(Blits, RasterOperationsFollowTheirTruthTables) {
  const TColorRef src = 0x00F0CC55, dst = 0x003C5AA5, pat = 0x00FF00F0;
  struct Case {
    unsigned rop;
    TColorRef expected;
  };
  const Case cases[] = {
      {SRCCOPY, src},
      {SRCAND, src & dst},
      {SRCPAINT, src | dst},
      {SRCINVERT, src ^ dst},
      {SRCERASE, src & (~dst & 0xFFFFFF)},
      {NOTSRCCOPY, ~src & 0xFFFFFF},
      {NOTSRCERASE, ~(src | dst) & 0xFFFFFF},
      {MERGECOPY, src & pat},
      {MERGEPAINT, (~src | dst) & 0xFFFFFF},
      {PATCOPY, pat},
      {PATINVERT, pat ^ dst},
      {DSTINVERT, ~dst & 0xFFFFFF},
      {BLACKNESS, 0},
      {WHITENESS, 0xFFFFFF},
  };
  TRaster sourceRaster(1, 1, src);
  TRasterDC source(sourceRaster);
  for (const Case& c : cases) {
    Surface s(1, 1);
    s.raster.SetPixel(0, 0, dst);
    s.dc.SelectBrush({BS_SOLID, pat});
    BitBlt(&s.dc, 0, 0, 1, 1, &source, 0, 0, c.rop);
    EXPECT_EQ(s.raster.Pixel(0, 0), c.expected) << std::hex << c.rop;
  }
  Surface p(2, 1);
  p.dc.SelectBrush({BS_SOLID, pat});
  p.dc.PatBlt(0, 0, 1, 1, PATINVERT);
  EXPECT_EQ(p.raster.Pixel(0, 0), pat ^ 0xFFFFFF);
  EXPECT_EQ(p.raster.Pixel(1, 0), kWhite);
}

TEST(Blits, StretchMirrorsAndOverlappingCopiesMoveCorrectly) {
  TRaster sourceRaster(2, 2);
  sourceRaster.SetPixel(0, 0, 0x000001);
  sourceRaster.SetPixel(1, 0, 0x000002);
  sourceRaster.SetPixel(0, 1, 0x000003);
  sourceRaster.SetPixel(1, 1, 0x000004);
  TRasterDC source(sourceRaster);
  Surface s(8, 8);
  StretchBlt(&s.dc, 0, 0, 4, 4, &source, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(s.raster.Pixel(1, 1), 0x000001u);
  EXPECT_EQ(s.raster.Pixel(2, 1), 0x000002u);
  EXPECT_EQ(s.raster.Pixel(3, 3), 0x000004u);
  // A negative width mirrors the picture.
  StretchBlt(&s.dc, 8, 4, -2, 2, &source, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(s.raster.Pixel(6, 4), 0x000002u);
  EXPECT_EQ(s.raster.Pixel(7, 4), 0x000001u);

  // Scrolling within one raster by a blit onto itself.
  Surface scroll(10, 3);
  test::FillPattern(scroll.raster);
  TRaster before = scroll.raster;
  scroll.dc.BitBlt(2, 0, 8, 3, scroll.dc, 0, 0, SRCCOPY);
  for (int y = 0; y < 3; ++y)
    for (int x = 2; x < 10; ++x) ASSERT_EQ(scroll.raster.Pixel(x, y), before.Pixel(x - 2, y));
}

TEST(Raster, ResizeKeepsPixelsAndRefusesAbsurdSizes) {
  TRaster r(3, 2, kRed);
  r.SetPixel(2, 1, kBlack);
  r.SetSize(5, 4);
  EXPECT_EQ(r.Pixel(2, 1), kBlack);
  EXPECT_EQ(r.Pixel(4, 3), kWhite);
  EXPECT_EQ(r.Pixel(-1, 0), 0u);
  r.SetSize(-3, 2);
  EXPECT_EQ(r.Width(), 0);
  EXPECT_THROW(r.SetSize(TRaster::kMaxSide + 1, 1), EOutOfResources);
}

}  // namespace
}  // namespace ordvane
