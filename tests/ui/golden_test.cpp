// Whole scenes compared pixel for pixel with reviewed pictures in tests/fixtures/ui
// (see GoldenSupport.h).

#include <gtest/gtest.h>

#include <cstdlib>

#include "classlib/core/CodePages.h"
#include "classlib/ui/ImgList.h"
#include "tests/ui/GoldenSupport.h"

namespace ordvane {
namespace {

using test::CheckGolden;

void Caption(TCanvas& canvas, TRect rect, const AnsiString& text,
             unsigned format = DT_SINGLELINE | DT_CENTER | DT_VCENTER) {
  canvas.Brush()->SetStyle(bsClear);
  DrawText(canvas.Handle(), text, rect, format);
}

TEST(Golden, ClassicEdgesAndControls) {
  TBitmap bitmap(260, 150);
  TCanvas& c = *bitmap.Canvas();
  c.Brush()->SetColor(clBtnFace);
  c.FillRect(Rect(0, 0, 260, 150));
  c.Font()->SetName("MS Sans Serif");
  c.Font()->SetColor(clBtnText);
  const std::pair<unsigned, unsigned> edges[] = {{EDGE_RAISED, BF_RECT},
                                                 {EDGE_SUNKEN, BF_RECT},
                                                 {EDGE_ETCHED, BF_RECT},
                                                 {EDGE_BUMP, BF_RECT},
                                                 {EDGE_RAISED, BF_RECT | BF_SOFT},
                                                 {EDGE_SUNKEN, BF_RECT | BF_FLAT},
                                                 {EDGE_SUNKEN, BF_RECT | BF_MONO | BF_MIDDLE},
                                                 {BDR_RAISEDINNER, BF_RECT}};
  int x = 6;
  for (auto [edge, flags] : edges) {
    TRect r = Bounds(x, 6, 26, 20);
    DrawEdge(c.Handle(), r, edge, flags);
    x += 31;
  }
  TRect diagonal = Bounds(6, 32, 16, 16);
  DrawEdge(c.Handle(), diagonal, EDGE_RAISED, BF_DIAGONAL_ENDTOPRIGHT | BF_MIDDLE);
  const unsigned checks[] = {DFCS_BUTTONCHECK,
                             DFCS_BUTTONCHECK | DFCS_CHECKED,
                             DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE,
                             DFCS_BUTTONCHECK | DFCS_PUSHED,
                             DFCS_BUTTON3STATE | DFCS_CHECKED,
                             DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_FLAT,
                             DFCS_BUTTONRADIO,
                             DFCS_BUTTONRADIO | DFCS_CHECKED,
                             DFCS_BUTTONRADIO | DFCS_CHECKED | DFCS_INACTIVE};
  x = 30;
  for (unsigned state : checks) {
    TRect r = Bounds(x, 34, 13, 13);
    DrawFrameControl(c.Handle(), r, DFC_BUTTON, state);
    x += 20;
  }
  const unsigned arrows[] = {DFCS_SCROLLUP,
                             DFCS_SCROLLDOWN,
                             DFCS_SCROLLLEFT,
                             DFCS_SCROLLRIGHT,
                             DFCS_SCROLLCOMBOBOX | DFCS_PUSHED,
                             DFCS_SCROLLDOWN | DFCS_INACTIVE,
                             DFCS_SCROLLUP | DFCS_FLAT};
  x = 6;
  for (unsigned state : arrows) {
    TRect r = Bounds(x, 56, 16, 16);
    DrawFrameControl(c.Handle(), r, DFC_SCROLL, state);
    x += 20;
  }
  TRect ok = Bounds(6, 80, 75, 23);
  DrawFrameControl(c.Handle(), ok, DFC_BUTTON, DFCS_BUTTONPUSH);
  Caption(c, ok, "OK");
  TRect pressed = Bounds(88, 80, 75, 23);
  DrawFrameControl(c.Handle(), pressed, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
  OffsetRect(pressed, 1, 1);
  Caption(c, pressed, "&Cancel");
  c.DrawFocusRect(Bounds(92, 84, 67, 15));
  TRect disabled = Bounds(170, 80, 80, 23);
  DrawFrameControl(c.Handle(), disabled, DFC_BUTTON, DFCS_BUTTONPUSH);
  c.Handle()->DrawEmbossedText("Disabled", disabled, DT_SINGLELINE | DT_CENTER | DT_VCENTER,
                               ColorToRGB(clGrayText));
  // A sunken field with a highlighted, focused line of text, as a grid cell shows it.
  TRect field = Bounds(6, 112, 244, 30);
  DrawEdge(c.Handle(), field, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  c.Brush()->SetColor(clWindow);
  c.FillRect(field);
  TRect cell = Rect(field.left, field.top, field.right, field.top + 16);
  c.Brush()->SetColor(clHighlight);
  c.Font()->SetColor(clHighlightText);
  c.TextRect(cell, cell.left + 2, cell.top + 1, Utf8ToAnsi("Прізвище (selected)"));
  c.DrawFocusRect(cell);
  CheckGolden(bitmap, "controls");
}

TEST(Golden, TextFacesStylesAndLayouts) {
  TBitmap bitmap(320, 170);
  TCanvas& c = *bitmap.Canvas();
  c.Brush()->SetColor(clWindow);
  c.FillRect(Rect(0, 0, 320, 170));
  struct Face {
    const char* name;
    int size;
    TFontStyles style;
    const char* utf8;
  };
  const Face faces[] = {
      {"MS Sans Serif", 8, {}, "MS Sans Serif 8: Дата народження"},
      {"Tahoma", 8, {fsBold}, "Tahoma bold: Прізвище Іван"},
      {"Arial", 9, {fsItalic, fsUnderline}, "Arial italic underlined"},
      {"Courier New", 10, {fsStrikeOut}, "Courier New 0123456789"},
      {"Times New Roman", 10, {}, "Times New Roman Ёжик їжак"},
  };
  int y = 4;
  for (const Face& face : faces) {
    c.Font()->SetName(face.name);
    c.Font()->SetSize(face.size);
    c.Font()->SetStyle(face.style);
    c.TextOut(4, y, Utf8ToAnsi(face.utf8));
    y += c.TextHeight("Wg") + 2;
  }
  c.Font()->SetName("MS Sans Serif");
  c.Font()->SetSize(8);
  c.Font()->SetStyle({});
  c.Brush()->SetColor(clBlack);
  TRect wrapBox = Bounds(4, 90, 110, 46);
  c.FrameRect(wrapBox);
  InflateRect(wrapBox, -2, -2);
  Caption(c, wrapBox, "Word wrap keeps whole words on their lines and clips the rest", DT_WORDBREAK);
  c.Brush()->SetColor(clBlack);
  TRect ellipsisBox = Bounds(4, 140, 110, 16);
  c.FrameRect(ellipsisBox);
  Caption(c, ellipsisBox, "An end ellipsis shortens this text", DT_SINGLELINE | DT_END_ELLIPSIS | DT_VCENTER);
  TRect right = Bounds(120, 90, 120, 16);
  Caption(c, right, "Right &aligned", DT_SINGLELINE | DT_RIGHT);
  TRect tabs = Bounds(120, 110, 120, 16);
  Caption(c, tabs, "a\tb\tc", DT_SINGLELINE | DT_EXPANDTABS);
  c.Brush()->SetColor(clBtnFace);
  TRect title = Bounds(250, 90, 22, 70);
  c.FillRect(title);
  DrawEdge(c.Handle(), title, BDR_RAISEDINNER, BF_RECT);
  c.Font()->SetOrientation(900);
  c.Brush()->SetStyle(bsClear);
  c.TextOut(254, 154, "Vertical");
  c.Font()->SetOrientation(0);
  CheckGolden(bitmap, "text");
}

TEST(Golden, LinesShapesClippingAndImages) {
  TBitmap bitmap(260, 160);
  TCanvas& c = *bitmap.Canvas();
  c.Brush()->SetColor(clWhite);
  c.FillRect(Rect(0, 0, 260, 160));
  const TPenStyle styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot};
  c.Brush()->SetStyle(bsClear);
  for (int i = 0; i < 5; ++i) {
    c.Pen()->SetStyle(styles[i]);
    c.MoveTo(6, 6 + 5 * i);
    c.LineTo(120, 6 + 5 * i);
  }
  c.Pen()->SetStyle(psSolid);
  c.Pen()->SetWidth(5);
  c.Pen()->SetColor(clNavy);
  c.Polyline({{10, 40}, {40, 70}, {70, 40}});
  c.Pen()->SetLogPen(
      ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER, 5, {BS_SOLID, ColorToRGB(clMaroon)}));
  c.Polyline({{80, 40}, {110, 70}, {140, 40}});
  c.Pen()->SetStyle(psSolid);
  c.Pen()->SetWidth(1);
  c.Pen()->SetColor(clBlack);
  c.Brush()->SetColor(clYellow);
  c.Rectangle(150, 6, 200, 36);
  c.Brush()->SetColor(clAqua);
  c.Ellipse(205, 6, 255, 46);
  c.Brush()->SetColor(clLime);
  c.Polygon({{170, 50}, {182, 88}, {150, 64}, {190, 64}, {158, 88}});
  // XOR lines across the shapes.
  c.Pen()->SetMode(pmXor);
  c.Pen()->SetColor(clWhite);
  c.MoveTo(145, 0);
  c.LineTo(260, 95);
  c.Pen()->SetMode(pmCopy);
  // Filling through a clip region made of a polygon less a rectangle.
  const TPoint diamond[] = {{40, 80}, {75, 115}, {40, 150}, {5, 115}};
  TRegion clip =
      TRegion::Combine(CreatePolygonRgn(diamond, 4, ALTERNATE), CreateRectRgn(30, 105, 50, 125), RGN_DIFF);
  SelectClipRgn(c.Handle(), &clip);
  for (int i = 0; i < 12; ++i) {
    c.Brush()->SetColor(i % 2 == 0 ? clTeal : clSilver);
    c.FillRect(Bounds(0, 80 + 6 * i, 80, 6));
  }
  SelectClipRgn(c.Handle(), nullptr);
  // Images: an image list drawn enabled and disabled, a transparent bitmap, a stretch.
  TBitmap strip(32, 16);
  strip.Canvas()->Brush()->SetColor(clFuchsia);
  strip.Canvas()->FillRect(Rect(0, 0, 32, 16));
  strip.Canvas()->Brush()->SetColor(clNavy);
  strip.Canvas()->Pen()->SetColor(clBlack);
  strip.Canvas()->Polygon({{2, 3}, {13, 8}, {2, 13}});
  strip.Canvas()->Brush()->SetColor(clRed);
  strip.Canvas()->Ellipse(18, 2, 30, 14);
  TImageList images(nullptr, 16, 16);
  images.AddMasked(strip, clFuchsia);
  int ix = 90;
  for (bool enabled : {true, false}) {
    c.Brush()->SetColor(clBtnFace);
    c.FillRect(Bounds(ix - 2, 96, 40, 20));
    images.Draw(&c, ix, 98, 0, enabled);
    images.Draw(&c, ix + 18, 98, 1, enabled);
    ix += 44;
  }
  strip.SetTransparent(true);
  c.Draw(90, 124, strip);
  c.StretchDraw(Bounds(130, 120, 64, 32), strip);
  // A mirrored mapping, as a right-to-left grid sets it: the logical left edge is drawn
  // on the right.
  TDeviceContext* dc = c.Handle();
  dc->SetMapMode(MM_ANISOTROPIC);
  dc->SetViewportOrgEx(200, 100);
  dc->SetViewportExtEx(60, 60);
  dc->SetWindowOrgEx(60, 0);
  dc->SetWindowExtEx(-60, 60);
  TRect mirrored = Rect(0, 0, 50, 20);
  DrawEdge(dc, mirrored, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  c.Brush()->SetColor(clRed);
  c.FillRect(Rect(0, 0, 10, 20));  // logical left: lands on the right
  dc->SetMapMode(MM_TEXT);
  dc->SetViewportOrgEx(0, 0);
  dc->SetWindowOrgEx(0, 0);
  CheckGolden(bitmap, "shapes");
}

}  // namespace
}  // namespace ordvane
