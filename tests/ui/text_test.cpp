// Fonts, metrics, text output and formatted text.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "classlib/core/CodePages.h"
#include "classlib/ui/FontEngine.h"
#include "classlib/ui/RecordingDC.h"
#include "tests/ui/RasterTestSupport.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

using test::kWhite;
constexpr int kAdvance = 8;  // DejaVu Sans Mono at 13 pixels per em (checked by the oracle below)
constexpr int kLine = 15;

TLogFont Mono(int height = -13) {
  TLogFont font;
  font.lfFaceName = "Courier New";
  font.lfHeight = height;
  return font;
}

std::string FileNameOf(const AnsiString& face, int weight = FW_NORMAL, bool italic = false) {
  TLogFont font;
  font.lfFaceName = face;
  font.lfHeight = -12;
  font.lfWeight = weight;
  font.lfItalic = italic;
  std::string path = TFontInstance::For(font)->FileName();
  return path.substr(path.rfind('/') + 1);
}

// A surface that logs what the formatted-text routine writes: the routine runs on the
// recorder itself, so its ExtTextOut calls are the recorder's.
struct Recorded {
  Recorded() : raster(320, 120), target(raster), dc(target) {
    dc.SelectFont(Mono());
    dc.SetBkMode(TRANSPARENT);
    dc.ClearCalls();
  }
  int DrawText(const AnsiString& text, TRect& rect, unsigned format, DRAWTEXTPARAMS* params = nullptr) {
    return dc.TDeviceContext::DrawText(text, rect, format, params);
  }
  std::vector<AnsiString> Lines() const { return dc.CallsOf("ExtTextOut"); }
  TRaster raster;
  TRasterDC target;
  TRecordingDC dc;
};

// What the independent reader of the font tables prints for the arguments.
std::string FontTablesOracle(const std::string& arguments) {
  const std::string command =
      "/usr/bin/python3 " + test::FixturePath("ui/font_metrics.py") + " " + arguments;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  return pclose(pipe) == 0 ? output : std::string();
}

TEST(Fonts, MetricsAgreeWithTheFontTablesReadIndependently) {
  std::shared_ptr<TFontInstance> font = TFontInstance::For(Mono());
  ASSERT_NE(font->FileName().find("DejaVuSansMono.ttf"), std::string::npos) << font->FileName();
  std::istringstream lines(FontTablesOracle(font->FileName() + " 11 13 16 20"));
  int rows = 0;
  int ppem, ascent, descent, height, internal, external, average, advance;
  while (lines >> ppem >> ascent >> descent >> height >> internal >> external >> average >> advance) {
    ++rows;
    TRaster raster(1, 1);
    TRasterDC dc(raster);
    dc.SelectFont(Mono(-ppem));
    TTextMetric tm;
    ASSERT_TRUE(GetTextMetrics(&dc, tm));
    EXPECT_EQ(tm.tmAscent, ascent) << ppem;
    EXPECT_EQ(tm.tmDescent, descent) << ppem;
    EXPECT_EQ(tm.tmHeight, height) << ppem;
    EXPECT_EQ(tm.tmInternalLeading, internal) << ppem;
    EXPECT_EQ(tm.tmExternalLeading, external) << ppem;
    EXPECT_EQ(tm.tmAveCharWidth, average) << ppem;
    EXPECT_EQ(tm.tmOverhang, 0);
    EXPECT_EQ(tm.tmCharSet, RUSSIAN_CHARSET);  // the default charset of Windows-1251
    TLogFont latin = Mono(-ppem);
    latin.lfCharSet = ANSI_CHARSET;
    dc.SelectFont(latin);
    GetTextMetrics(&dc, tm);
    EXPECT_EQ(tm.tmCharSet, ANSI_CHARSET);
    EXPECT_EQ(dc.GetTextExtentPoint32("Hello, World").cx, 12 * advance) << ppem;
    // A positive height asks for the cell height.
    dc.SelectFont(Mono(height));
    GetTextMetrics(&dc, tm);
    EXPECT_EQ(tm.tmHeight, height) << ppem;
  }
  EXPECT_EQ(rows, 4);
}

TEST(Fonts, OutlineMetricsAgreeWithTheFontTablesReadIndependently) {
  TLogFont sans;
  sans.lfFaceName = "MS Sans Serif";
  std::istringstream lines(FontTablesOracle("--outline " + TFontInstance::For(sans)->FileName() + " 11 13 40"));
  int rows = 0;
  int ppem, emSquare, ascent, descent, lineGap;
  while (lines >> ppem >> emSquare >> ascent >> descent >> lineGap) {
    ++rows;
    TRaster raster(1, 1);
    TRasterDC dc(raster);
    sans.lfHeight = -ppem;
    dc.SelectFont(sans);
    OUTLINETEXTMETRIC otm;
    ASSERT_TRUE(GetOutlineTextMetrics(&dc, otm));
    EXPECT_EQ(otm.otmEMSquare, static_cast<unsigned>(emSquare));
    EXPECT_EQ(otm.otmAscent, ascent) << ppem;
    EXPECT_EQ(otm.otmDescent, descent) << ppem;
    EXPECT_EQ(otm.otmLineGap, static_cast<unsigned>(lineGap)) << ppem;
    TTextMetric tm;
    GetTextMetrics(&dc, tm);
    EXPECT_EQ(otm.otmTextMetrics.tmHeight, tm.tmHeight);
    EXPECT_EQ(otm.otmTextMetrics.tmCharSet, tm.tmCharSet);
  }
  EXPECT_EQ(rows, 3);
  OUTLINETEXTMETRIC none;
  EXPECT_FALSE(GetOutlineTextMetrics(nullptr, none));
}

TEST(Fonts, OriginalFaceNamesFindTheirStandIns) {
  EXPECT_EQ(FileNameOf("MS Sans Serif"), "DejaVuSans.ttf");
  EXPECT_EQ(FileNameOf("tahoma"), "DejaVuSans.ttf");
  EXPECT_EQ(FileNameOf("Arial"), "DejaVuSans.ttf");
  EXPECT_EQ(FileNameOf("Courier New"), "DejaVuSansMono.ttf");
  EXPECT_EQ(FileNameOf("Times New Roman"), "DejaVuSerif.ttf");
  EXPECT_EQ(FileNameOf("Arial", FW_BOLD), "DejaVuSans-Bold.ttf");
  EXPECT_EQ(FileNameOf("Arial", FW_NORMAL, true), "DejaVuSans-Oblique.ttf");
  EXPECT_EQ(SubstituteFontName("", FIXED_PITCH), "DejaVu Sans Mono");
  EXPECT_EQ(SubstituteFontName("DejaVu Serif", DEFAULT_PITCH), "DejaVu Serif");
}

TEST(Fonts, TextIsTakenInTheAnsiCodePage) {
  EXPECT_EQ(AnsiToCodePoints(Utf8ToAnsi("AіЁя")), U"AіЁя");
  EXPECT_EQ(Utf8ToAnsi("і").size(), 1u);  // Windows-1251 by default
  SetAnsiCodePage(CP_UTF8);
  EXPECT_EQ(AnsiToCodePoints("AіЁя"), U"AіЁя");
  SetAnsiCodePage(CP_WIN1251);
  // Cyrillic letters are drawn as themselves, not as one placeholder box.
  auto draw = [](const AnsiString& text) {
    TRaster raster(20, 20);
    TRasterDC dc(raster);
    dc.SelectFont(Mono());
    dc.ExtTextOut(2, 2, 0, nullptr, text);
    return raster;
  };
  EXPECT_NE(draw(Utf8ToAnsi("А")), draw(Utf8ToAnsi("Б")));
  EXPECT_NE(draw(Utf8ToAnsi("А")), draw(Utf8ToAnsi("Ж")));
}

TEST(TextOut, CanvasWritesFromTheTopLeftAndMovesThePen) {
  TRaster raster(120, 40);
  TRasterDC dc(raster);
  TCanvas canvas(&dc);
  canvas.Font()->SetName("Courier New");
  canvas.Font()->SetHeight(-13);
  canvas.Font()->SetColor(clBlack);
  EXPECT_EQ(canvas.TextWidth("abc"), 3 * kAdvance);
  EXPECT_EQ(canvas.TextHeight("abc"), kLine);
  canvas.Brush()->SetStyle(bsClear);
  canvas.TextOut(10, 5, "HHH");
  EXPECT_EQ(canvas.PenPos(), Point(10 + 3 * kAdvance, 5));
  TRect ink = test::InkBox(raster, kWhite);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 10 + 3 * kAdvance);
  EXPECT_GE(ink.top, 5 + 1);      // capitals start below the internal leading
  EXPECT_EQ(ink.bottom, 5 + 12);  // and sit on the baseline, 12 pixels down
  // A solid brush fills the text cell.
  canvas.Brush()->SetColor(clRed);
  canvas.TextOut(10, 22, "HH");
  EXPECT_EQ(raster.Pixel(10, 22), 0x0000FFu);
  EXPECT_EQ(raster.Pixel(10 + 2 * kAdvance - 1, 22 + kLine - 1), 0x0000FFu);
  EXPECT_EQ(raster.Pixel(10 + 2 * kAdvance, 22), kWhite);
}

TEST(TextOut, ExtTextOutClipsAndFillsItsRectangle) {
  TRaster raster(120, 30);
  TRasterDC dc(raster);
  dc.SelectFont(Mono());
  dc.SetBkColor(0x00FF00);
  TRect box = Rect(10, 5, 30, 25);
  ExtTextOut(&dc, 5, 8, ETO_CLIPPED | ETO_OPAQUE, &box, "WWWWWWWW");
  EXPECT_EQ(test::InkBox(raster, kWhite), box);
  EXPECT_EQ(raster.Pixel(10, 24), 0x00FF00u);
  EXPECT_GT(
      test::CountPixels(raster, [](int, int, TColorRef c) { return c < 0x404040 && (c & 0xFF00) < 0x4000; }),
      10);

  TRaster unclipped(120, 30);
  TRasterDC other(unclipped);
  other.SelectFont(Mono());
  other.SetBkMode(TRANSPARENT);
  ExtTextOut(&other, 5, 8, 0, &box, "WWWWWWWW");
  TRect ink = test::InkBox(unclipped, kWhite);
  EXPECT_LT(ink.left, 10);
  EXPECT_GT(ink.right, 30);
}

TEST(TextOut, RotatedTextRunsBottomUpInsideTheTurnedCell) {
  TRaster flat(200, 200), turned(200, 200);
  TRasterDC flatDc(flat), turnedDc(turned);
  TLogFont font = Mono(-16);
  flatDc.SelectFont(font);
  font.lfEscapement = 900;
  turnedDc.SelectFont(font);
  for (TRasterDC* dc : {&flatDc, &turnedDc}) dc->SetBkMode(TRANSPARENT);
  const AnsiString text = "Rotated";
  int width = flatDc.GetTextExtentPoint32(text).cx;
  TTextMetric tm;
  flatDc.GetTextMetrics(tm);
  flatDc.ExtTextOut(50, 100, 0, nullptr, text);
  turnedDc.ExtTextOut(50, 150, 0, nullptr, text);
  TRect a = test::InkBox(flat, kWhite);
  TRect b = test::InkBox(turned, kWhite);
  // The cell [0, width) x [0, height) turns into [x, x + height) x [y - width, y).
  EXPECT_GE(b.left, 50);
  EXPECT_LE(b.right, 50 + tm.tmHeight);
  EXPECT_GE(b.top, 150 - width);
  EXPECT_LE(b.bottom, 150);
  // And the ink is the flat ink turned: its offsets swap axes.
  EXPECT_NEAR(b.left - 50, a.top - 100, 1);
  EXPECT_NEAR(b.right - 50, a.bottom - 100, 1);
  EXPECT_NEAR(150 - b.bottom, a.left - 50, 1);
  EXPECT_NEAR(150 - b.top, a.right - 50, 1);
  // Extents do not turn.
  EXPECT_EQ(turnedDc.GetTextExtentPoint32(text).cx, width);
}

TEST(TextOut, UnderlineAndStrikeOutCrossTheWholeText) {
  TRaster raster(100, 30);
  TRasterDC dc(raster);
  TLogFont font = Mono();
  font.lfUnderline = true;
  font.lfStrikeOut = true;
  dc.SelectFont(font);
  dc.SetBkMode(TRANSPARENT);
  dc.ExtTextOut(10, 5, 0, nullptr, "  ");  // spaces: only the lines show
  int rows = 0;
  for (int y = 0; y < 30; ++y) {
    int inked = 0;
    for (int x = 0; x < 100; ++x) inked += raster.Pixel(x, y) == 0 ? 1 : 0;
    if (inked == 0) continue;
    EXPECT_EQ(inked, 2 * kAdvance) << y;
    ++rows;
  }
  EXPECT_GE(rows, 2);
  EXPECT_EQ(raster.Pixel(10, 5 + 12 + 1), 0u);  // the underline sits just below the baseline
}

TEST(DrawText, CalcRectMeasuresSingleLinesAndWrapsAtSpaces) {
  Recorded r;
  TRect one = Rect(5, 5, 6, 6);
  EXPECT_EQ(r.DrawText("abcd", one, DT_SINGLELINE | DT_CALCRECT), kLine);
  EXPECT_EQ(one, Rect(5, 5, 5 + 4 * kAdvance, 5 + kLine));

  TRect wrap = Rect(0, 0, 10 * kAdvance, 0);
  EXPECT_EQ(r.DrawText("aaaa bbbb cccc", wrap, DT_WORDBREAK | DT_CALCRECT), 2 * kLine);
  EXPECT_EQ(wrap, Rect(0, 0, 9 * kAdvance, 2 * kLine));

  TRect lines = Rect(0, 0, 100, 0);
  EXPECT_EQ(r.DrawText("one\r\ntwo\nthree\rfour\n", lines, DT_CALCRECT), 4 * kLine);
  EXPECT_EQ(lines.right, 5 * kAdvance);

  // A word wider than the rectangle stands alone and widens it.
  TRect wide = Rect(0, 0, 5 * kAdvance, 0);
  EXPECT_EQ(r.DrawText("abcdefghijklmno xy", wide, DT_WORDBREAK | DT_CALCRECT), 2 * kLine);
  EXPECT_EQ(wide.right, 15 * kAdvance);

  TRect empty = Rect(0, 0, 50, 50);
  EXPECT_EQ(r.DrawText("", empty, DT_CALCRECT), 0);
  EXPECT_EQ(empty, Rect(0, 0, 0, 0));
  EXPECT_TRUE(r.Lines().empty());  // measuring draws nothing

  TRect drawn = Rect(0, 0, 10 * kAdvance, 100);
  r.DrawText("aaaa bbbb cccc", drawn, DT_WORDBREAK);
  EXPECT_EQ(r.Lines(),
            (std::vector<AnsiString>{"ExtTextOut(0,0,$0,\"aaaa bbbb\")", "ExtTextOut(0,15,$0,\"cccc\")"}));
}

TEST(DrawText, EndEllipsisShortensLinesThatDoNotFit) {
  Recorded r;
  TRect box = Rect(0, 0, 6 * kAdvance, 20);
  r.DrawText("abcdefghij", box, DT_SINGLELINE | DT_END_ELLIPSIS);
  TRect fits = Rect(0, 0, 6 * kAdvance, 20);
  r.DrawText("abcdef", fits, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(r.Lines(),
            (std::vector<AnsiString>{"ExtTextOut(0,0,$0,\"abc...\")", "ExtTextOut(0,0,$0,\"abcdef\")"}));
  TRect measured = Rect(0, 0, 6 * kAdvance + 3, 0);
  r.DrawText("abcdefghij", measured, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
  EXPECT_EQ(measured.right, 6 * kAdvance);
  // With word wrap, only the line too long for the width is shortened.
  r.dc.ClearCalls();
  TRect wrapped = Rect(0, 0, 6 * kAdvance, 100);
  r.DrawText("ab abcdefghij", wrapped, DT_WORDBREAK | DT_END_ELLIPSIS);
  EXPECT_EQ(r.Lines(),
            (std::vector<AnsiString>{"ExtTextOut(0,0,$0,\"ab\")", "ExtTextOut(0,15,$0,\"abc...\")"}));
}

TEST(DrawText, PrefixesTabsAndMargins) {
  Recorded r;
  TRect box = Rect(0, 0, 200, 40);
  r.DrawText("&File && &more", box, DT_SINGLELINE);
  EXPECT_EQ(r.Lines(), (std::vector<AnsiString>{"ExtTextOut(0,0,$0,\"File & more\")"}));
  // The prefixed letter is underlined just below the baseline; with DT_NOPREFIX nothing is.
  auto underlineInk = [&r] {
    return test::CountPixels(r.raster,
                             [](int x, int y, TColorRef c) { return y == 13 && x < 2 * kAdvance && c == 0; });
  };
  EXPECT_EQ(underlineInk(), kAdvance);
  r.raster.Fill(kWhite);
  r.dc.ClearCalls();
  r.DrawText("&File", box, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(r.Lines(), (std::vector<AnsiString>{"ExtTextOut(0,0,$0,\"&File\")"}));
  EXPECT_EQ(underlineInk(), 0);

  TTextMetric tm;
  r.dc.GetTextMetrics(tm);
  r.dc.ClearCalls();
  r.DrawText("a\tb", box, DT_SINGLELINE | DT_EXPANDTABS);
  EXPECT_EQ(r.Lines()[1], "ExtTextOut(" + std::to_string(8 * tm.tmAveCharWidth) + ",0,$0,\"b\")");

  DRAWTEXTPARAMS params;
  params.iTabLength = 2;
  params.iLeftMargin = 3;
  params.iRightMargin = 4;
  r.dc.ClearCalls();
  TRect withMargins = Rect(10, 0, 200, 40);
  r.DrawText("a\tb", withMargins, DT_SINGLELINE | DT_EXPANDTABS, &params);
  EXPECT_EQ(r.Lines()[0], "ExtTextOut(13,0,$0,\"a\")");
  EXPECT_EQ(r.Lines()[1], "ExtTextOut(" + std::to_string(13 + 2 * tm.tmAveCharWidth) + ",0,$0,\"b\")");
  EXPECT_EQ(params.uiLengthDrawn, 3u);
  TRect calc = Rect(10, 0, 11, 0);
  r.DrawText("ab", calc, DT_SINGLELINE | DT_CALCRECT, &params);
  EXPECT_EQ(calc.right, 10 + 3 + 2 * kAdvance + 4);
}

TEST(DrawText, AlignmentAndVerticalPlacement) {
  Recorded r;
  TRect box = Rect(0, 0, 100, 50);
  EXPECT_EQ(r.DrawText("ab", box, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM), 50);
  EXPECT_EQ(r.DrawText("ab", box, DT_SINGLELINE | DT_CENTER | DT_VCENTER), (50 - kLine) / 2 + kLine);
  EXPECT_EQ(r.DrawText("ab", box, DT_CENTER | DT_VCENTER), kLine);  // centring needs a single line
  EXPECT_EQ(r.Lines(), (std::vector<AnsiString>{"ExtTextOut(84,35,$0,\"ab\")", "ExtTextOut(42,17,$0,\"ab\")",
                                                "ExtTextOut(42,0,$0,\"ab\")"}));
}

TEST(DrawText, RightToLeftReadingMovesNeutralsToTheOtherEnd) {
  Recorded r;
  TRect box = Rect(0, 0, 200, 40);
  r.DrawText("abc!?", box, DT_SINGLELINE | DT_RTLREADING | DT_NOPREFIX);
  r.DrawText("(x", box, DT_SINGLELINE | DT_RTLREADING | DT_NOPREFIX);
  r.DrawText("...", box, DT_SINGLELINE | DT_RTLREADING | DT_NOPREFIX);
  EXPECT_EQ(r.Lines(), (std::vector<AnsiString>{"ExtTextOut(0,0,$0,\"?!abc\")", "ExtTextOut(0,0,$0,\"x)\")",
                                                "ExtTextOut(0,0,$0,\"...\")"}));
}

TEST(DrawText, ClipsToItsRectangleUnlessAskedNotTo) {
  for (bool noClip : {false, true}) {
    TRaster raster(200, 40);
    TRasterDC dc(raster);
    dc.SelectFont(Mono());
    TRect box = Rect(10, 10, 40, 30);
    DrawText(&dc, "WWWWWWWWWW", box, DT_SINGLELINE | (noClip ? DT_NOCLIP : 0u));
    TRect ink = test::InkBox(raster, kWhite);
    if (noClip) {
      EXPECT_GT(ink.right, 40);
    } else {
      EXPECT_LE(ink.right, 40);
    }
    TRegion clip;
    EXPECT_EQ(dc.GetClipRgn(clip), CLIP_NONE);  // the caller's clipping comes back
  }
}

TEST(DrawText, EmbossedTextIsHighlightBelowRightAndShadowInPlace) {
  TRaster plain(80, 30, ColorToRGB(clBtnFace)), embossed(80, 30, ColorToRGB(clBtnFace));
  TRasterDC plainDc(plain), embossedDc(embossed);
  for (TRasterDC* dc : {&plainDc, &embossedDc}) dc->SelectFont(Mono());
  plainDc.SetBkMode(TRANSPARENT);
  plainDc.SetTextColor(ColorToRGB(clGrayText));
  TRect a = Rect(5, 5, 80, 30), b = a;
  DrawText(&plainDc, "HILL", a, DT_SINGLELINE);
  embossedDc.DrawEmbossedText("HILL", b, DT_SINGLELINE, ColorToRGB(clGrayText));
  int gray = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x)
      if (plain.Pixel(x, y) == ColorToRGB(clGrayText)) {
        ASSERT_EQ(embossed.Pixel(x, y), ColorToRGB(clGrayText)) << x << "," << y;
        ++gray;
      }
  EXPECT_GT(gray, 5);
  // The highlight copy is the same text one pixel down and right.
  EXPECT_GT(test::CountPixels(embossed,
                              [&plain](int x, int y, TColorRef c) {
                                return c == 0xFFFFFF && plain.Pixel(x - 1, y - 1) != ColorToRGB(clBtnFace);
                              }),
            10);
  EXPECT_EQ(test::CountPixels(embossed,
                              [&plain](int x, int y, TColorRef c) {
                                return c == 0xFFFFFF && plain.Pixel(x - 1, y - 1) == ColorToRGB(clBtnFace);
                              }),
            0);
  EXPECT_EQ(embossedDc.GetBkMode(), OPAQUE);  // restored
}

}  // namespace
}  // namespace ordvane
