// Edges, focus rectangles and frame controls in the classic colours.

#include <gtest/gtest.h>

#include "classlib/ui/RasterDC.h"
#include "tests/ui/RasterTestSupport.h"

namespace ordvane {
namespace {

using test::kWhite;
constexpr TColorRef kPaper = 0x123456;  // a background no system colour has

// The classic scheme, written out here as the values the look is known by (0xRRGGBB).
constexpr TColorRef Classic(std::uint32_t rgb) {
  return RGB(static_cast<int>(rgb >> 16), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>(rgb & 0xFF));
}
constexpr TColorRef kFace = Classic(0xD4D0C8);
constexpr TColorRef kLight = Classic(0xD4D0C8);
constexpr TColorRef kHighlight = Classic(0xFFFFFF);
constexpr TColorRef kShadow = Classic(0x808080);
constexpr TColorRef kDarkShadow = Classic(0x404040);
constexpr TColorRef kFrame = Classic(0x000000);

struct PaperSurface {
  explicit PaperSurface(int width = 20, int height = 20) : raster(width, height, kPaper), dc(raster) {}
  TRaster raster;
  TRasterDC dc;
};

TEST(SystemColours, ClassicSchemeAndColorToRGB) {
  EXPECT_EQ(clBtnFace, static_cast<TColor>(0x8000000F));
  EXPECT_EQ(ColorToRGB(clBtnFace), kFace);
  EXPECT_EQ(ColorToRGB(clBtnShadow), kShadow);
  EXPECT_EQ(ColorToRGB(cl3DDkShadow), kDarkShadow);
  EXPECT_EQ(ColorToRGB(clHighlight), Classic(0x0A246A));
  EXPECT_EQ(ColorToRGB(clInfoBk), Classic(0xFFFFE1));
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
  EXPECT_EQ(ColorToRGB(clDefault), 0x20000000u);  // markers pass through
  EXPECT_EQ(GetSysColor(99), 0u);
}

TEST(DrawEdge, RaisedAndSunkenRingsTakeTheirColoursOnEachSide) {
  struct Expect {
    unsigned edge;
    TColorRef outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
  };
  const Expect cases[] = {
      {EDGE_RAISED, kLight, kDarkShadow, kHighlight, kShadow},
      {EDGE_SUNKEN, kShadow, kHighlight, kDarkShadow, kLight},
      {EDGE_ETCHED, kShadow, kHighlight, kHighlight, kShadow},
      {EDGE_BUMP, kLight, kDarkShadow, kDarkShadow, kLight},
  };
  for (const Expect& c : cases) {
    PaperSurface s;
    TRect r = Rect(0, 0, 10, 10);
    ASSERT_TRUE(DrawEdge(&s.dc, r, c.edge, BF_RECT));
    EXPECT_EQ(s.raster.Pixel(0, 0), c.outerTopLeft) << c.edge;
    EXPECT_EQ(s.raster.Pixel(0, 5), c.outerTopLeft) << c.edge;
    EXPECT_EQ(s.raster.Pixel(9, 0), c.outerBottomRight) << c.edge;  // the bottom-right colour wins the corner
    EXPECT_EQ(s.raster.Pixel(0, 9), c.outerBottomRight) << c.edge;
    EXPECT_EQ(s.raster.Pixel(9, 9), c.outerBottomRight) << c.edge;
    EXPECT_EQ(s.raster.Pixel(1, 1), c.innerTopLeft) << c.edge;
    EXPECT_EQ(s.raster.Pixel(8, 1), c.innerBottomRight) << c.edge;
    EXPECT_EQ(s.raster.Pixel(8, 8), c.innerBottomRight) << c.edge;
    EXPECT_EQ(s.raster.Pixel(5, 5), kPaper) << c.edge;   // no middle asked
    EXPECT_EQ(s.raster.Pixel(10, 5), kPaper) << c.edge;  // right edge exclusive
    EXPECT_EQ(r, Rect(0, 0, 10, 10));                    // no adjust asked
  }
}

TEST(DrawEdge, SidesMiddleAdjustAndInnerOnly) {
  PaperSurface s;
  TRect r = Rect(2, 2, 12, 12);
  DrawEdge(&s.dc, r, EDGE_RAISED, BF_TOPLEFT | BF_MIDDLE | BF_ADJUST);
  EXPECT_EQ(r, Rect(4, 4, 12, 12));
  EXPECT_EQ(s.raster.Pixel(2, 2), kLight);
  EXPECT_EQ(s.raster.Pixel(11, 11), kFace);  // middle reaches the undrawn sides
  EXPECT_EQ(s.raster.Pixel(11, 2), kLight);  // the top runs to the right end

  PaperSurface inner;  // an inner edge alone sits on the border
  TRect q = Rect(0, 0, 6, 6);
  DrawEdge(&inner.dc, q, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
  EXPECT_EQ(inner.raster.Pixel(0, 0), kHighlight);
  EXPECT_EQ(inner.raster.Pixel(5, 5), kShadow);
  EXPECT_EQ(inner.raster.Pixel(1, 1), kPaper);
  EXPECT_EQ(q, Rect(1, 1, 5, 5));

  PaperSurface bottom;
  TRect b = Rect(0, 0, 6, 6);
  DrawEdge(&bottom.dc, b, BDR_SUNKENINNER, BF_BOTTOMRIGHT);
  EXPECT_EQ(bottom.raster.Pixel(0, 0), kPaper);
  EXPECT_EQ(bottom.raster.Pixel(0, 5), kLight);
  EXPECT_EQ(bottom.raster.Pixel(5, 0), kLight);
}

TEST(DrawEdge, SoftFlatAndMonoVariants) {
  PaperSurface soft;
  TRect r = Rect(0, 0, 8, 8);
  DrawEdge(&soft.dc, r, EDGE_RAISED, BF_RECT | BF_SOFT);
  EXPECT_EQ(soft.raster.Pixel(0, 0), kHighlight);
  EXPECT_EQ(soft.raster.Pixel(1, 1), kLight);
  EXPECT_EQ(soft.raster.Pixel(7, 7), kDarkShadow);

  PaperSurface flat;
  DrawEdge(&flat.dc, r, EDGE_SUNKEN, BF_RECT | BF_FLAT | BF_MIDDLE);
  EXPECT_EQ(flat.raster.Pixel(0, 0), kShadow);
  EXPECT_EQ(flat.raster.Pixel(7, 7), kShadow);
  EXPECT_EQ(flat.raster.Pixel(1, 1), kFace);

  PaperSurface mono;
  DrawEdge(&mono.dc, r, EDGE_SUNKEN, BF_RECT | BF_MONO | BF_MIDDLE);
  EXPECT_EQ(mono.raster.Pixel(0, 0), kFrame);
  EXPECT_EQ(mono.raster.Pixel(7, 0), kFrame);
  EXPECT_EQ(mono.raster.Pixel(1, 1), kWhite);
  EXPECT_EQ(mono.raster.Pixel(4, 4), kWhite);
}

TEST(DrawEdge, DiagonalLinesRunCornerToCorner) {
  PaperSurface s;
  TRect r = Rect(0, 0, 6, 6);
  DrawEdge(&s.dc, r, EDGE_RAISED, BF_DIAGONAL_ENDTOPRIGHT);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(s.raster.Pixel(i, 5 - i), kLight) << i;  // the outer line, end point included
    if (i < 5) {
      EXPECT_EQ(s.raster.Pixel(i + 1, 5 - i), kHighlight) << i;  // inner, one pixel inside
    }
  }
  EXPECT_EQ(s.raster.Pixel(0, 0), kPaper);

  PaperSurface m;
  DrawEdge(&m.dc, r, EDGE_SUNKEN, BF_DIAGONAL_ENDBOTTOMRIGHT | BF_MIDDLE);
  EXPECT_EQ(m.raster.Pixel(0, 0), kHighlight);  // bottom-right colours of the sunken outer ring
  EXPECT_EQ(m.raster.Pixel(5, 5), kHighlight);
  EXPECT_EQ(m.raster.Pixel(0, 5), kFace);  // the inside triangle lies left of the line
  EXPECT_EQ(m.raster.Pixel(5, 0), kPaper);
}

TEST(DrawEdge, FollowsAMirroredMapping) {
  PaperSurface s(20, 10);
  test::Mirror(s.dc, 20, 10);
  TRect r = Rect(0, 0, 10, 10);
  DrawEdge(&s.dc, r, BDR_RAISEDOUTER, BF_RECT);
  // The logical left side is the device's right column.
  EXPECT_EQ(s.raster.Pixel(19, 5), kLight);
  EXPECT_EQ(s.raster.Pixel(10, 5), kDarkShadow);
  EXPECT_EQ(s.raster.Pixel(9, 5), kPaper);
}

TEST(FocusRect, InvertsEveryOtherFramePixelAndTwiceRestores) {
  for (TRect r : {Rect(3, 2, 17, 11), Rect(4, 3, 5, 9), Rect(2, 7, 15, 8)}) {
    PaperSurface s;
    test::FillPattern(s.raster);
    TRaster before = s.raster;
    DrawFocusRect(&s.dc, r);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) {
        bool onFrame =
            PtInRect(r, {x, y}) && (x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1);
        bool inverted = onFrame && (x + y) % 2 == 0;
        ASSERT_EQ(s.raster.Pixel(x, y), inverted ? ~before.Pixel(x, y) & 0xFFFFFF : before.Pixel(x, y))
            << x << "," << y;
      }
    DrawFocusRect(&s.dc, r);
    EXPECT_EQ(s.raster, before);
  }
}

TEST(FrameControl, CheckBoxStates) {
  auto draw = [](unsigned state) {
    auto s = std::make_unique<PaperSurface>(13, 13);
    TRect r = Rect(0, 0, 13, 13);
    EXPECT_TRUE(DrawFrameControl(&s->dc, r, DFC_BUTTON, state));
    return s;
  };
  auto clear = draw(DFCS_BUTTONCHECK);
  EXPECT_EQ(clear->raster.Pixel(0, 0), kShadow);
  EXPECT_EQ(clear->raster.Pixel(1, 1), kDarkShadow);
  EXPECT_EQ(clear->raster.Pixel(12, 12), kHighlight);
  EXPECT_EQ(clear->raster.Pixel(11, 11), kLight);
  EXPECT_EQ(test::CountPixels(clear->raster, [](int, int, TColorRef c) { return c == kWhite; }),
            9 * 9 + 2 * 13 - 1);

  // The mark's pixels: its top-right pixel and the bottom of its V.
  auto checked = draw(DFCS_BUTTONCHECK | DFCS_CHECKED);
  EXPECT_EQ(checked->raster.Pixel(9, 3), 0u);
  EXPECT_EQ(checked->raster.Pixel(5, 9), 0u);
  EXPECT_EQ(checked->raster.Pixel(3, 3), kWhite);
  EXPECT_EQ(test::CountPixels(checked->raster, [](int, int, TColorRef c) { return c == 0; }), 21);

  auto inactive = draw(DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE);
  EXPECT_EQ(inactive->raster.Pixel(9, 3), kShadow);
  EXPECT_EQ(inactive->raster.Pixel(3, 3), kFace);

  auto pushed = draw(DFCS_BUTTONCHECK | DFCS_PUSHED);
  EXPECT_EQ(pushed->raster.Pixel(6, 6), kFace);

  auto grayed = draw(DFCS_BUTTON3STATE | DFCS_CHECKED);
  EXPECT_EQ(grayed->raster.Pixel(9, 3), kShadow);
  EXPECT_NE(grayed->raster.Pixel(2, 3), grayed->raster.Pixel(3, 3));  // dithered inside

  auto flat = draw(DFCS_BUTTONCHECK | DFCS_FLAT);
  EXPECT_EQ(flat->raster.Pixel(0, 0), kShadow);
  EXPECT_EQ(flat->raster.Pixel(1, 1), kWhite);
}

TEST(FrameControl, RadioButtonsAreSunkenRingsWithADot) {
  PaperSurface s(13, 13);
  TRect r = Rect(0, 0, 13, 13);
  ASSERT_TRUE(DrawFrameControl(&s.dc, r, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED));
  EXPECT_EQ(s.raster.Pixel(0, 0), kPaper);  // round: the corners stay
  EXPECT_EQ(s.raster.Pixel(6, 0), kShadow);
  EXPECT_EQ(s.raster.Pixel(6, 12), kHighlight);
  EXPECT_EQ(s.raster.Pixel(6, 1), kDarkShadow);
  EXPECT_EQ(s.raster.Pixel(6, 11), kLight);
  EXPECT_EQ(s.raster.Pixel(6, 6), 0u);
  EXPECT_EQ(s.raster.Pixel(6, 4), 0u);
  EXPECT_EQ(s.raster.Pixel(6, 3), kWhite);
  for (int y = 0; y < 13; ++y)  // symmetric about the vertical axis
    for (int x = 0; x < 13; ++x)
      ASSERT_EQ(s.raster.Pixel(x, y) == kPaper, s.raster.Pixel(12 - x, y) == kPaper);
  PaperSurface p(13, 13);
  DrawFrameControl(&p.dc, r, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_PUSHED);
  EXPECT_EQ(p.raster.Pixel(6, 6), kFace);
}

TEST(FrameControl, PushButtonsAndScrollArrows) {
  PaperSurface up;
  TRect r = Rect(0, 0, 16, 16);
  DrawFrameControl(&up.dc, r, DFC_BUTTON, DFCS_BUTTONPUSH);
  EXPECT_EQ(up.raster.Pixel(0, 0), kHighlight);
  EXPECT_EQ(up.raster.Pixel(15, 15), kDarkShadow);
  EXPECT_EQ(up.raster.Pixel(8, 8), kFace);
  PaperSurface down;
  TRect d = Rect(0, 0, 16, 16);
  DrawFrameControl(&down.dc, d, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED | DFCS_ADJUSTRECT);
  EXPECT_EQ(down.raster.Pixel(0, 0), kDarkShadow);
  EXPECT_EQ(d, Rect(2, 2, 14, 14));

  PaperSurface arrow;
  TRect a = Rect(0, 0, 16, 16);
  DrawFrameControl(&arrow.dc, a, DFC_SCROLL, DFCS_SCROLLDOWN);
  // Four rows of 7, 5, 3 and 1 pixels under the middle.
  std::vector<int> widths;
  for (int y = 0; y < 16; ++y) {
    int n = 0;
    for (int x = 2; x < 14; ++x) n += arrow.raster.Pixel(x, y) == 0 ? 1 : 0;
    if (n > 0) widths.push_back(n);
  }
  EXPECT_EQ(widths, (std::vector<int>{7, 5, 3, 1}));
  EXPECT_EQ(arrow.raster.Pixel(8, 9), 0u);

  PaperSurface combo;  // the combo box arrow points down too, and pushed it moves one pixel
  TRect c = Rect(0, 0, 16, 16);
  DrawFrameControl(&combo.dc, c, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_PUSHED);
  EXPECT_EQ(combo.raster.Pixel(9, 10), 0u);
  EXPECT_EQ(combo.raster.Pixel(0, 0), kShadow);

  PaperSurface left;
  TRect l = Rect(0, 0, 16, 16);
  DrawFrameControl(&left.dc, l, DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_INACTIVE);
  EXPECT_EQ(left.raster.Pixel(6, 8), kShadow);
  EXPECT_EQ(left.raster.Pixel(10, 12), kHighlight);  // the embossed copy

  TRect unknown = Rect(0, 0, 16, 16);
  EXPECT_FALSE(DrawFrameControl(&left.dc, unknown, 1, 0));
}

}  // namespace
}  // namespace ordvane
