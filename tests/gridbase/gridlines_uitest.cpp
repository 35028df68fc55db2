// The grid's line colours and the 3D edges of its fixed cells, read as pixels.

#include <gtest/gtest.h>

#include <functional>

#include "tests/gridbase/GridTestSupport.h"

namespace ordvane {
namespace {

using test::GridFixture;
using test::TCellGrid;

struct LineColours {
  TColor bright, dark, fixedCell, dataCell, fixedDataCell, colSeparator, rowSeparator, contraCol, contraRow,
      pastContraCol;
  bool operator==(const LineColours&) const = default;
};

LineColours Read(TCellGrid& g) {
  TGridLineColorsEh& c = *g.GridLineColors();
  const int lastFixedCol = g.FixedCols() - 1;
  const int lastFixedRow = g.FixedRows() - 1;
  return {c.GetBrightColor(),
          c.GetDarkColor(),
          c.GetCellLineColor(0, 0),
          c.GetCellLineColor(g.FixedCols(), g.FixedRows()),
          c.GetCellLineColor(lastFixedCol, g.FixedRows()),
          c.GetFixedDataColLineColor(lastFixedCol),
          c.GetFixedDataRowLineColor(0, lastFixedRow),
          c.GetContraColLineColor(g.ColCount()),
          c.GetContraRowLineColor(0, g.RowCount()),
          c.GetContraColLineColor(g.ColCount() + 1)};
}

TEST(GridLines, ColoursFollowTheGridColourFlatModeFixedDataAndStoredColours) {
  struct Case {
    const char* name;
    std::function<void(TCellGrid&)> setup;
    LineColours expected;
  };
  const Case cases[] = {
      {"window colour", [](TCellGrid&) {},
       {clSilver, clBlack, clBlack, clSilver, clBlack, clSilver, clSilver, clBlack, clBlack, clSilver}},
      {"silver grid: gray data lines", [](TCellGrid& g) { g.SetColor(clSilver); },
       {clGray, clBlack, clBlack, clGray, clBlack, clGray, clGray, clBlack, clBlack, clGray}},
      {"flat: gray fixed lines", [](TCellGrid& g) { g.SetFlat(true); },
       {clSilver, clGray, clGray, clSilver, clGray, clSilver, clSilver, clGray, clGray, clSilver}},
      {"fixed data column and row: separators",
       [](TCellGrid& g) {
         g.SetFixedCols(2);
         g.SetFixedRows(2);
         g.SetFixedDataCols(1);
         g.SetFixedDataRows(1);
       },
       {clSilver, clBlack, clBlack, clSilver, clSilver, clBlack, clBlack, clBlack, clBlack, clSilver}},
      {"stored colours override",
       [](TCellGrid& g) {
         g.SetFixedCols(2);
         g.SetFixedDataCols(1);
         TGridLineColorsEh& c = *g.GridLineColors();
         c.SetBrightColor(clBlue);
         c.SetDarkColor(clRed);
         c.SetContraColBoundaryColor(clGreen);
         c.SetFixedDataColSeparatorColor(clYellow);
       },
       {clBlue, clRed, clRed, clBlue, clBlue, clYellow, clBlue, clGreen, clRed, clBlue}},
  };
  for (const Case& c : cases) {
    GridFixture f;
    c.setup(*f.grid);
    EXPECT_EQ(Read(*f.grid), c.expected) << c.name;
  }
}

TEST(GridLines, AStoredColourRepaintsTheGrid) {
  GridFixture f;
  f.Settle();
  f.grid->GridLineColors()->SetBrightColor(clBlue);
  EXPECT_EQ(f.Invalid(), TRegion(Rect(0, 0, 300, 200)));
}

// Cell edges on a 24 by 14 picture, the cell at (3, 2) .. (19, 12) in a colour of
// its own, drawn as the grid draws them, optionally on a mirrored canvas.
struct EdgeCase {
  bool flat, right, left, pressed;
};

constexpr TColorRef kPaper = 0xFF00FF;  // no edge colour: the highlight is white
constexpr TColor kCell = 0x00996633;
constexpr TRect kCellRect = Rect(3, 2, 19, 12);

TRaster DrawnEdge(const EdgeCase& c, bool rightToLeft) {
  GridFixture f;
  f.grid->SetFlat(c.flat);
  if (rightToLeft) f.grid->SetBiDiMode(bdRightToLeft);
  TBitmap picture(24, 14);
  TCanvas& canvas = *picture.Canvas();
  TDeviceContext& dc = *canvas.Handle();
  if (rightToLeft) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowOrgEx(24, 0);
    dc.SetWindowExtEx(-24, 1);
    dc.SetViewportExtEx(24, 1);
  }
  dc.FillRect(Rect(0, 0, 24, 14), kPaper);
  canvas.Brush()->SetColor(kCell);
  DrawCellEdgeEh(f.grid, &canvas, kCellRect, c.right, c.left, c.pressed, false);
  EXPECT_EQ(dc.GetMapMode(), rightToLeft ? MM_ANISOTROPIC : MM_TEXT) << "the mapping comes back";
  return picture.Raster();
}

TEST(GridLines, CellEdgesPaintTheirSidesByTheFlags) {
  for (const bool flat : {false, true})
    for (const bool right : {false, true})
      for (const bool left : {false, true})
        for (const bool pressed : {false, true}) {
          const EdgeCase c{flat, right, left, pressed};
          const TRaster p = DrawnEdge(c, false);
          const TColorRef light = ColorToRGB(pressed ? cl3DDkShadow : clBtnHighlight);
          const TColorRef dark = ColorToRGB(pressed ? cl3DLight : clBtnShadow);
          const TColorRef cell = ColorToRGB(kCell);
          const std::string name = std::string(flat ? "flat" : "3D") + (right ? " right" : "") +
                                   (left ? " left" : "") + (pressed ? " pressed" : "");
          // The sides, corners left out: top, left, right, bottom.
          for (int x = 5; x < 17; ++x) {
            EXPECT_EQ(p.Pixel(x, 2), light) << name << " top at " << x;
            EXPECT_EQ(p.Pixel(x, 11), flat ? cell : dark) << name << " bottom at " << x;
          }
          for (int y = 4; y < 10; ++y) {
            EXPECT_EQ(p.Pixel(3, y), left ? light : kPaper) << name << " left at " << y;
            const TColorRef rightSide = !right ? kPaper : flat ? cell : dark;
            EXPECT_EQ(p.Pixel(18, y), rightSide) << name << " right at " << y;
            EXPECT_EQ(p.Pixel(10, y), kPaper) << name << " inside at " << y;
          }
          for (int x = 0; x < 24; ++x) {
            EXPECT_EQ(p.Pixel(x, 1), kPaper) << name;
            EXPECT_EQ(p.Pixel(x, 12), kPaper) << name;
          }
        }
}

TEST(GridLines, MirroredCellEdgesCoverTheMirroredPixelsWithTheLightAtTheTop) {
  for (const bool flat : {false, true})
    for (const bool right : {false, true})
      for (const bool left : {false, true}) {
        const EdgeCase c{flat, right, left, false};
        const TRaster ltr = DrawnEdge(c, false);
        const TRaster rtl = DrawnEdge(c, true);
        const std::string name = std::string(flat ? "flat" : "3D") + (right ? " right" : "") + (left ? " left" : "");
        for (int y = 0; y < 14; ++y)
          for (int x = 0; x < 24; ++x) {
            const TColorRef mirrored = ltr.Pixel(23 - x, y);
            // The same pixels are painted; the horizontal sides keep their colours, and
            // the edges keep the system's light from the top left.
            EXPECT_EQ(rtl.Pixel(x, y) == kPaper, mirrored == kPaper) << name << " at " << x << ", " << y;
            if ((y == 2 || y == 11) && x > 5 && x < 18) {
              EXPECT_EQ(rtl.Pixel(x, y), mirrored) << name << " at " << x << ", " << y;
            }
          }
        if (!flat && left) {
          EXPECT_EQ(rtl.Pixel(20, 6), ColorToRGB(clBtnShadow)) << name;
        }
        if (!flat && right) {
          EXPECT_EQ(rtl.Pixel(5, 6), ColorToRGB(clBtnHighlight)) << name;
        }
      }
}

TEST(GridLines, PolyPolylinesMoveOnePixelRightWhenMirrored) {
  const TPointArray points = {{2, 1}, {2, 9}, {6, 1}, {6, 9}, {40, 1}};
  const TDWORDArray counts = {2, 2, 2};
  for (const bool rightToLeft : {false, true}) {
    GridFixture f;
    if (rightToLeft) f.grid->SetBiDiMode(bdRightToLeft);
    TBitmap picture(12, 10);
    TDeviceContext& dc = *picture.Canvas()->Handle();
    dc.FillRect(Rect(0, 0, 12, 10), kPaper);
    if (rightToLeft) {
      dc.SetMapMode(MM_ANISOTROPIC);
      dc.SetWindowOrgEx(12, 0);
      dc.SetWindowExtEx(-12, 1);
      dc.SetViewportExtEx(12, 1);
    }
    // Two strokes drawn: the third count has no points behind it and is not drawn.
    DrawPolyPolylineEh(f.grid, picture.Canvas(), points, counts, 2);
    for (int x = 0; x < 12; ++x) {
      const int logical = rightToLeft ? 11 - x : x;
      const bool onLine = logical == 2 || logical == 6;
      EXPECT_EQ(picture.Raster().Pixel(x, 5) != kPaper, onLine) << "x " << x << (rightToLeft ? " mirrored" : "");
    }
    const TRaster drawn = picture.Raster();
    DrawPolyPolylineEh(f.grid, picture.Canvas(), points, counts, 3);
    EXPECT_TRUE(picture.Raster() == drawn) << "strokes without their points are refused";
  }
}

}  // namespace
}  // namespace ordvane
