// The recording canvas: the same drawing, each call logged with its arguments.

#include <gtest/gtest.h>

#include "classlib/ui/RecordingDC.h"
#include "tests/ui/RasterTestSupport.h"

namespace ordvane {
namespace {

using Calls = std::vector<AnsiString>;

void Scene(TCanvas& canvas) {
  canvas.Brush()->SetColor(clBtnFace);
  canvas.FillRect(Rect(0, 0, 60, 40));
  TRect edge = Rect(2, 2, 30, 20);
  DrawEdge(canvas.Handle(), edge, EDGE_RAISED, BF_RECT | BF_ADJUST);
  canvas.Font()->SetName("Courier New");
  canvas.Font()->SetHeight(-13);
  canvas.Brush()->SetStyle(bsClear);
  TRect text = Rect(32, 2, 58, 38);
  DrawText(canvas.Handle(), "ab cd", text, DT_WORDBREAK);
  canvas.Pen()->SetStyle(psDot);
  canvas.Rectangle(2, 22, 30, 38);
  canvas.DrawFocusRect(Rect(4, 24, 28, 36));
}

TEST(RecordingCanvas, LogsCallsWithArgumentsAndSelectsOnlyChanges) {
  TRecordingCanvas canvas(40, 30);
  canvas.Brush()->SetColor(clRed);
  canvas.FillRect(Rect(0, 0, 10, 10));
  canvas.FillRect(Rect(10, 0, 20, 10));
  canvas.Pen()->SetColor(clBlue);
  canvas.MoveTo(0, 20);
  canvas.LineTo(30, 20);
  EXPECT_EQ(canvas.Calls(),
            (Calls{"SelectBrush(brush $0000FF)", "SetBkColor($0000FF)", "SetBkMode(2)",
                   "FillRect(0,0,10,10,$0000FF)", "FillRect(10,0,20,10,$0000FF)", "MoveTo(0,20)",
                   "SelectPen(pen $0 1 $FF0000)", "SetROP2(13)", "LineTo(30,20)"}));
  EXPECT_EQ(canvas.Raster().Pixel(15, 5), 0x0000FFu);
  EXPECT_EQ(canvas.Raster().Pixel(29, 20), 0xFF0000u);

  canvas.ClearCalls();
  canvas.Font()->SetName("Courier New");
  canvas.Font()->SetHeight(-13);
  canvas.Font()->SetColor(clBtnText);
  canvas.TextOut(1, 2, "Hi");
  EXPECT_EQ(canvas.Calls(), (Calls{"SelectFont(\"Courier New\" -13 400 esc 0)", "SetTextColor($000000)",
                                   "ExtTextOut(1,2,$0,\"Hi\")", "MoveTo(17,2)"}));
  canvas.ClearCalls();
  canvas.TextRect(Rect(0, 0, 8, 8), 1, 1, "Hi");
  EXPECT_EQ(canvas.CallsOf("ExtTextOut"), (Calls{"ExtTextOut(1,1,$6,0,0,8,8,\"Hi\")"}));
}

TEST(RecordingCanvas, CompositeCallsAreLoggedOnceAndDrawTheSamePixels) {
  TRecordingCanvas recorded(60, 40);
  TBitmap plain(60, 40);
  Scene(recorded);
  Scene(*plain.Canvas());
  EXPECT_EQ(recorded.Raster(), plain.Raster());
  EXPECT_EQ(recorded.CallsOf("DrawEdge"), (Calls{"DrawEdge(2,2,30,20,$5,$200F)"}));
  EXPECT_EQ(recorded.CallsOf("DrawText"), (Calls{"DrawText(\"ab cd\",32,2,58,38,$10)"}));
  EXPECT_EQ(recorded.CallsOf("DrawFocusRect"), (Calls{"DrawFocusRect(4,24,28,36)"}));
  EXPECT_TRUE(recorded.CallsOf("ExtTextOut").empty());  // inside DrawText, not logged again
  EXPECT_EQ(recorded.CallsOf("SelectPen").back(), "SelectPen(pen $2 1 $000000)");
}

TEST(RecordingCanvas, ClippingAndMappingCallsAreLogged) {
  TRecordingCanvas canvas(40, 30);
  TDeviceContext* dc = canvas.Handle();
  EXPECT_EQ(canvas.CallsOf("SelectFont").size(), 1u);  // asking for the handle selects the objects
  canvas.ClearCalls();
  TRegion region = TRegion::Combine(CreateRectRgn(0, 0, 10, 10), CreateRectRgn(20, 0, 30, 5), RGN_OR);
  SelectClipRgn(dc, &region);
  IntersectClipRect(dc, 0, 0, 25, 25);
  SelectClipRgn(dc, nullptr);
  dc->SetMapMode(MM_ANISOTROPIC);
  dc->SetWindowOrgEx(40, 0);
  dc->SetWindowExtEx(-40, 30);
  EXPECT_EQ(canvas.Calls(), (Calls{"SelectClipRgn(0,0,10,5 20,0,30,5 0,5,10,10)",
                                   "IntersectClipRect(0,0,25,25)", "SelectClipRgn(none)", "SetMapMode(8)",
                                   "SetWindowOrgEx(40,0)", "SetWindowExtEx(-40,30)"}));
}

}  // namespace
}  // namespace ordvane
