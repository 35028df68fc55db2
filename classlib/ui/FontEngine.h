#pragma once
// Fonts for the canvas: a logical font is matched to a font file by fontconfig (through a
// substitution table that maps the original platform's face names to the DejaVu family),
// and FreeType gives its metrics and glyph images at the requested pixel size. Finding
// an instance is thread-safe; an instance's glyph cache belongs to the user-interface
// thread that draws with it.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "classlib/ui/DeviceContext.h"

namespace ordvane {

// The installed family that stands in for a face name of the original platform
// ("MS Sans Serif" -> "DejaVu Sans"); other names are returned unchanged.
AnsiString SubstituteFontName(const AnsiString& faceName, Byte pitchAndFamily);

// A glyph's coverage image (0..255 per pixel) and where it sits relative to the pen
// position on the baseline: left is rightwards, top is upwards, in device pixels.
struct TGlyphImage {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;
};

// One font file at one pixel size.
class TFontInstance {
 public:
  ~TFontInstance();
  TFontInstance(const TFontInstance&) = delete;
  TFontInstance& operator=(const TFontInstance&) = delete;

  // The instance for a logical font, shared and cached; raises EInvalidOperation when no
  // font file at all can be found.
  static std::shared_ptr<TFontInstance> For(const TLogFont& font);

  const TTextMetric& Metrics() const { return fMetrics; }
  // The typographic metrics (the em square and the rest of OUTLINETEXTMETRIC but the
  // text metrics).
  const OUTLINETEXTMETRIC& Outline() const { return fOutline; }
  const std::string& FileName() const { return fFileName; }
  int PixelsPerEm() const { return fPixelsPerEm; }
  // The advance of a character in whole pixels.
  int Advance(char32_t ch);
  // The glyph image of a character, rotated counter-clockwise by tenths of a degree.
  const TGlyphImage& Glyph(char32_t ch, int escapement);
  // Decoration lines, in pixels below the baseline (negative: above) and thickness.
  int UnderlineOffset() const { return fUnderlineOffset; }
  int StrikeoutOffset() const { return fStrikeoutOffset; }
  int LineThickness() const { return fLineThickness; }

 private:
  struct TFace;
  TFontInstance(const std::string& fileName, int faceIndex, const TLogFont& font);

  std::string fFileName;
  std::unique_ptr<TFace> fFace;
  int fPixelsPerEm = 0;
  TTextMetric fMetrics;
  OUTLINETEXTMETRIC fOutline;
  int fUnderlineOffset = 0;
  int fStrikeoutOffset = 0;
  int fLineThickness = 1;
  std::map<char32_t, int> fAdvances;
  std::map<std::pair<char32_t, int>, TGlyphImage> fGlyphs;
};

// The text metrics of the context's font with its outline metrics; false for no context.
bool GetOutlineTextMetrics(HDC dc, OUTLINETEXTMETRIC& metrics);

// Text of the process's ANSI code page as Unicode code points.
std::u32string AnsiToCodePoints(const AnsiString& text);

}  // namespace ordvane
