// Writing cell text on the recording canvas: where a line stands for each alignment and
// layout, the end ellipsis with whole characters, filling or not, and the wrapped path.

#include <gtest/gtest.h>

#include <cstdio>

#include "classlib/core/CodePages.h"
#include "classlib/ui/RecordingDC.h"
#include "grid/DBGridEh.h"
#include "tests/ui/RasterTestSupport.h"

namespace ordvane {
namespace {

struct WrittenLine {
  int x = 0;
  int y = 0;
  unsigned options = 0;
  AnsiString text;
};

// The one line the canvas was asked to write.
WrittenLine OnlyLine(const TRecordingCanvas& canvas) {
  const std::vector<AnsiString> calls = canvas.CallsOf("ExtTextOut");
  EXPECT_EQ(calls.size(), 1u);
  WrittenLine line;
  if (calls.empty()) return line;
  const AnsiString& call = calls.front();
  EXPECT_EQ(std::sscanf(call.c_str(), "ExtTextOut(%d,%d,$%x", &line.x, &line.y, &line.options), 3) << call;
  const auto open = call.find('"');
  line.text = call.substr(open + 1, call.rfind('"') - open - 1);
  return line;
}

struct TextCanvas : TRecordingCanvas {
  TextCanvas() : TRecordingCanvas(200, 60) {
    Font()->SetName("DejaVu Sans");
    Font()->SetHeight(-12);
    Brush()->SetColor(clWhite);
    FillRect(Rect(0, 0, 200, 60));
    ClearCalls();
  }
};

TEST(CellText, PlacementByAlignmentAndLayout) {
  const TRect cell = Rect(20, 10, 120, 50);
  const AnsiString text = "Tally";
  struct Case {
    TAlignment alignment;
    TTextLayout layout;
  };
  for (const Case c :
       {Case{taLeftJustify, tlTop}, Case{taRightJustify, tlCenter}, Case{taCenter, tlBottom}}) {
    TextCanvas canvas;
    const int width = canvas.TextWidth(text);
    const int height = canvas.TextHeight(text);
    ASSERT_LT(height, cell.Height() - 2);
    WriteTextEh(canvas, cell, true, 2, 2, text, {.Alignment = c.alignment, .Layout = c.layout});
    const WrittenLine line = OnlyLine(canvas);
    const int x = c.alignment == taLeftJustify    ? 22
                  : c.alignment == taRightJustify ? 120 - width - 3
                                                  : 70 - width / 2;
    const int y = c.layout == tlTop ? 12 : c.layout == tlCenter ? (60 - height) / 2 : 50 - height;
    EXPECT_EQ(line.x, x) << "alignment " << c.alignment;
    EXPECT_EQ(line.y, y) << "layout " << c.layout;
    EXPECT_EQ(line.options, static_cast<unsigned>(ETO_OPAQUE | ETO_CLIPPED));
    const TRect ink = test::InkBox(canvas.Raster(), clWhite);
    // One pixel either side for the smoothed glyph edges.
    EXPECT_GE(ink.left, x - 1);
    EXPECT_LE(ink.right, x + width + 1);
  }

  // A cell too low for the line keeps it at the top whatever the layout.
  TextCanvas canvas;
  WriteTextEh(canvas, Rect(0, 0, 100, 8), true, 2, 2, text, {.Layout = tlBottom});
  EXPECT_EQ(OnlyLine(canvas).y, 2);
}

TEST(CellText, WithoutFillTheTextGoesOverTheBackground) {
  TextCanvas canvas;
  canvas.Brush()->SetColor(clRed);
  WriteTextEh(canvas, Rect(0, 0, 100, 30), false, 2, 2, "x", {});
  EXPECT_EQ(OnlyLine(canvas).options, static_cast<unsigned>(ETO_CLIPPED));
  EXPECT_EQ(canvas.Raster().Pixel(60, 20), ColorToRGB(clWhite));
  EXPECT_EQ(canvas.Brush()->Style(), bsSolid) << "the brush is given back";
}

TEST(CellText, EndEllipsisDropsWholeCharactersAndStopsAtTheEllipsis) {
  TextCanvas canvas;
  const AnsiString text = "abcdefghijklmnop";
  const int room = canvas.TextWidth("abcdef...");
  WriteTextEh(canvas, Rect(0, 0, room + 2, 20), true, 2, 2, text, {.EndEllipsis = true});
  const AnsiString shown = OnlyLine(canvas).text;
  EXPECT_EQ(shown, "abcdef...");
  EXPECT_EQ(ShortenTextEh(canvas, text, canvas.TextWidth(text)), text) << "a fitting text stays";

  // Narrower than "..." itself: "..." clipped, and the shortening ends.
  canvas.ClearCalls();
  WriteTextEh(canvas, Rect(0, 0, 4, 20), true, 2, 2, text, {.EndEllipsis = true});
  EXPECT_EQ(OnlyLine(canvas).text, "...");
  EXPECT_EQ(ShortenTextEh(canvas, text, 0), "...");

  const Cardinal saved = GetAnsiCodePage();
  SetAnsiCodePage(CP_UTF8);
  const AnsiString cyrillic = "\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96";  // six times U+0416
  const AnsiString kept = ShortenTextEh(canvas, cyrillic, canvas.TextWidth(cyrillic) - 1);
  SetAnsiCodePage(saved);
  ASSERT_GT(kept.size(), 3u);
  const AnsiString body = kept.substr(0, kept.size() - 3);
  EXPECT_EQ(kept.substr(kept.size() - 3), "...");
  EXPECT_EQ(body.size() % 2, 0u) << "no half of a two-byte sequence is left";
  EXPECT_EQ(cyrillic.compare(0, body.size(), body), 0);
}

TEST(CellText, WrappedLinesOnlyOnTheMultiLinePath) {
  const AnsiString text = "one two three four";
  TextCanvas single;
  WriteTextEh(single, Rect(0, 0, 60, 60), true, 2, 2, text, {});
  const TRect oneLine = test::InkBox(single.Raster(), clWhite);
  EXPECT_TRUE(single.CallsOf("DrawText").empty());

  TextCanvas wrapped;
  WriteTextEh(wrapped, Rect(0, 0, 60, 60), true, 2, 2, text, {.Layout = tlBottom, .MultiLine = true});
  const std::vector<AnsiString> calls = wrapped.CallsOf("DrawText");
  ASSERT_EQ(calls.size(), 2u) << "measured, then written";
  const TRect lines = test::InkBox(wrapped.Raster(), clWhite);
  EXPECT_GT(lines.Height(), 2 * oneLine.Height()) << "the words went on further lines";
  EXPECT_LE(lines.right, 58);
  EXPECT_GT(lines.bottom, 50) << "laid out at the bottom";
}

}  // namespace
}  // namespace ordvane
