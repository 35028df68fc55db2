#pragma once
// The device context: the drawing state and the drawing calls of the original platform,
// as one abstract interface. TRasterDC draws into a raster; TRecordingDC logs every call
// and passes it on. Coordinates are logical and go through the mapping (window and
// viewport origins and extents) to device pixels; rectangles exclude their right and
// bottom edges and lines exclude their end point, as on the original platform.
//
// The free functions at the end carry the platform's names (DrawEdge, DrawText, ...) over
// an HDC, so drawing code reads as it did.

#include <optional>
#include <vector>

#include "classlib/core/System.h"
#include "classlib/ui/Colors.h"
#include "classlib/ui/Raster.h"
#include "classlib/ui/Regions.h"
#include "classlib/ui/Types.h"

namespace ordvane {

// Pen styles (TLogPen::style): a dash style, an end cap and a join, and the pen type.
enum : unsigned {
  PS_SOLID = 0,
  PS_DASH = 1,        // 18 on, 6 off
  PS_DOT = 2,         // 3 on, 3 off
  PS_DASHDOT = 3,     // 9 on, 6 off, 3 on, 6 off
  PS_DASHDOTDOT = 4,  // 9 on, 3 off, 3 on, 3 off, 3 on, 3 off
  PS_NULL = 5,
  PS_INSIDEFRAME = 6,
  PS_ALTERNATE = 8,  // every other pixel
  PS_STYLE_MASK = 0x0000000F,
  PS_ENDCAP_ROUND = 0x00000000,
  PS_ENDCAP_SQUARE = 0x00000100,
  PS_ENDCAP_FLAT = 0x00000200,
  PS_ENDCAP_MASK = 0x00000F00,
  PS_JOIN_ROUND = 0x00000000,
  PS_JOIN_BEVEL = 0x00001000,
  PS_JOIN_MITER = 0x00002000,
  PS_JOIN_MASK = 0x0000F000,
  PS_COSMETIC = 0x00000000,
  PS_GEOMETRIC = 0x00010000,
};

// Brush styles.
enum : unsigned { BS_SOLID = 0, BS_NULL = 1 };

// Mixing modes of pens (the binary raster operations).
enum : int {
  R2_BLACK = 1,
  R2_NOTMERGEPEN = 2,
  R2_MASKNOTPEN = 3,
  R2_NOTCOPYPEN = 4,
  R2_MASKPENNOT = 5,
  R2_NOT = 6,
  R2_XORPEN = 7,
  R2_NOTMASKPEN = 8,
  R2_MASKPEN = 9,
  R2_NOTXORPEN = 10,
  R2_NOP = 11,
  R2_MERGENOTPEN = 12,
  R2_COPYPEN = 13,
  R2_MERGEPENNOT = 14,
  R2_MERGEPEN = 15,
  R2_WHITE = 16,
};

// Raster operations of the blits: bits 16..23 are the truth table over pattern, source
// and destination, which is all the blits read.
enum : unsigned {
  SRCCOPY = 0x00CC0020,
  SRCPAINT = 0x00EE0086,
  SRCAND = 0x008800C6,
  SRCINVERT = 0x00660046,
  SRCERASE = 0x00440328,
  NOTSRCCOPY = 0x00330008,
  NOTSRCERASE = 0x001100A6,
  MERGECOPY = 0x00C000CA,
  MERGEPAINT = 0x00BB0226,
  PATCOPY = 0x00F00021,
  PATPAINT = 0x00FB0A09,
  PATINVERT = 0x005A0049,
  DSTINVERT = 0x00550009,
  BLACKNESS = 0x00000042,
  WHITENESS = 0x00FF0062,
};

// Background modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

// Mapping modes: MM_TEXT maps one logical unit to one pixel with only the origins;
// MM_ANISOTROPIC uses the extents as well, each axis on its own (a negative extent
// mirrors the axis).
enum : int { MM_TEXT = 1, MM_ANISOTROPIC = 8 };

// ExtTextOut options.
enum : unsigned { ETO_OPAQUE = 0x0002, ETO_CLIPPED = 0x0004 };

// Clip-region answers besides the region types.
enum : int { CLIP_NONE = 0, CLIP_SET = 1, CLIP_ERROR = -1 };

constexpr TColorRef CLR_INVALID = 0xFFFFFFFF;

// Edges of DrawEdge.
enum : unsigned {
  BDR_RAISEDOUTER = 0x0001,
  BDR_SUNKENOUTER = 0x0002,
  BDR_RAISEDINNER = 0x0004,
  BDR_SUNKENINNER = 0x0008,
  BDR_OUTER = 0x0003,
  BDR_INNER = 0x000C,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
  EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};

// Flags of DrawEdge.
enum : unsigned {
  BF_LEFT = 0x0001,
  BF_TOP = 0x0002,
  BF_RIGHT = 0x0004,
  BF_BOTTOM = 0x0008,
  BF_TOPLEFT = BF_TOP | BF_LEFT,
  BF_TOPRIGHT = BF_TOP | BF_RIGHT,
  BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT,
  BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
  BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
  BF_DIAGONAL = 0x0010,
  BF_DIAGONAL_ENDTOPRIGHT = BF_DIAGONAL | BF_TOP | BF_RIGHT,
  BF_DIAGONAL_ENDTOPLEFT = BF_DIAGONAL | BF_TOP | BF_LEFT,
  BF_DIAGONAL_ENDBOTTOMLEFT = BF_DIAGONAL | BF_BOTTOM | BF_LEFT,
  BF_DIAGONAL_ENDBOTTOMRIGHT = BF_DIAGONAL | BF_BOTTOM | BF_RIGHT,
  BF_MIDDLE = 0x0800,
  BF_SOFT = 0x1000,
  BF_ADJUST = 0x2000,
  BF_FLAT = 0x4000,
  BF_MONO = 0x8000,
};

// DrawFrameControl kinds and states.
enum : unsigned { DFC_SCROLL = 3, DFC_BUTTON = 4 };
enum : unsigned {
  DFCS_BUTTONCHECK = 0x0000,
  DFCS_BUTTONRADIO = 0x0004,
  DFCS_BUTTON3STATE = 0x0008,
  DFCS_BUTTONPUSH = 0x0010,
  DFCS_SCROLLUP = 0x0000,
  DFCS_SCROLLDOWN = 0x0001,
  DFCS_SCROLLLEFT = 0x0002,
  DFCS_SCROLLRIGHT = 0x0003,
  DFCS_SCROLLCOMBOBOX = 0x0005,
  DFCS_INACTIVE = 0x0100,
  DFCS_PUSHED = 0x0200,
  DFCS_CHECKED = 0x0400,
  DFCS_ADJUSTRECT = 0x2000,
  DFCS_FLAT = 0x4000,
  DFCS_MONO = 0x8000,
};

// DrawText formats.
enum : unsigned {
  DT_TOP = 0x00000000,
  DT_LEFT = 0x00000000,
  DT_CENTER = 0x00000001,
  DT_RIGHT = 0x00000002,
  DT_VCENTER = 0x00000004,
  DT_BOTTOM = 0x00000008,
  DT_WORDBREAK = 0x00000010,
  DT_SINGLELINE = 0x00000020,
  DT_EXPANDTABS = 0x00000040,
  DT_NOCLIP = 0x00000100,
  DT_CALCRECT = 0x00000400,
  DT_NOPREFIX = 0x00000800,
  DT_END_ELLIPSIS = 0x00008000,
  DT_RTLREADING = 0x00020000,
};

// Font weights and the pitch bits of lfPitchAndFamily.
enum : int { FW_DONTCARE = 0, FW_NORMAL = 400, FW_BOLD = 700 };
enum : Byte { DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2 };
enum : Byte { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, RUSSIAN_CHARSET = 204 };

struct TLogPen {
  unsigned style = PS_SOLID;
  int width = 1;  // device pixels; 0 draws as 1
  TColorRef color = 0;
  bool operator==(const TLogPen&) const = default;
};

struct TLogBrush {
  unsigned style = BS_SOLID;
  TColorRef color = 0xFFFFFF;
  bool operator==(const TLogBrush&) const = default;
};

struct TLogFont {
  // Negative: the character (em) height in pixels; positive: the cell height
  // (ascent + descent); 0: a default of 12 pixels per em.
  int lfHeight = 0;
  int lfWidth = 0;
  int lfEscapement = 0;  // tenths of a degree, counter-clockwise
  int lfOrientation = 0;
  int lfWeight = FW_NORMAL;
  bool lfItalic = false;
  bool lfUnderline = false;
  bool lfStrikeOut = false;
  Byte lfCharSet = DEFAULT_CHARSET;
  Byte lfPitchAndFamily = DEFAULT_PITCH;
  AnsiString lfFaceName;
  bool operator==(const TLogFont&) const = default;
};

struct TTextMetric {
  int tmHeight = 0;
  int tmAscent = 0;
  int tmDescent = 0;
  int tmInternalLeading = 0;
  int tmExternalLeading = 0;
  int tmAveCharWidth = 0;
  int tmMaxCharWidth = 0;
  int tmWeight = 0;
  int tmOverhang = 0;
  Byte tmPitchAndFamily = 0;
  Byte tmCharSet = 0;
};

// The text metrics of an outline font and its design: the em square in font units, and
// the typographic ascent (up), descent (down, negative) and line gap in device pixels.
struct OUTLINETEXTMETRIC {
  unsigned otmSize = sizeof(OUTLINETEXTMETRIC);
  TTextMetric otmTextMetrics;
  unsigned otmEMSquare = 0;
  int otmAscent = 0;
  int otmDescent = 0;
  unsigned otmLineGap = 0;
};

// Parameters of DrawTextEx: tab length in average character widths (0 means 8) and the
// left and right margins in pixels; uiLengthDrawn tells how many characters were done.
struct DRAWTEXTPARAMS {
  unsigned cbSize = sizeof(DRAWTEXTPARAMS);
  int iTabLength = 0;
  int iLeftMargin = 0;
  int iRightMargin = 0;
  unsigned uiLengthDrawn = 0;
};

class TDeviceContext {
 public:
  virtual ~TDeviceContext() = default;

  // The raster the context finally draws into (for blits from it and for PNG output).
  virtual const TRaster& Surface() const = 0;
  // Where the context's device pixel (0, 0) lies on the surface.
  virtual TPoint SurfaceOrigin() const = 0;

  // Drawing objects and attributes; each setter answers the previous value.
  virtual TLogPen SelectPen(const TLogPen& pen) = 0;
  virtual TLogBrush SelectBrush(const TLogBrush& brush) = 0;
  virtual TLogFont SelectFont(const TLogFont& font) = 0;
  virtual TLogPen CurrentPen() const = 0;
  virtual TLogBrush CurrentBrush() const = 0;
  virtual TLogFont CurrentFont() const = 0;
  virtual TColorRef SetTextColor(TColorRef color) = 0;
  virtual TColorRef GetTextColor() const = 0;
  virtual TColorRef SetBkColor(TColorRef color) = 0;
  virtual TColorRef GetBkColor() const = 0;
  virtual int SetBkMode(int mode) = 0;
  virtual int GetBkMode() const = 0;
  virtual int SetROP2(int mode) = 0;
  virtual int GetROP2() const = 0;
  virtual int SetPolyFillMode(int mode) = 0;
  virtual int GetPolyFillMode() const = 0;

  // Mapping.
  virtual int SetMapMode(int mode) = 0;
  virtual int GetMapMode() const = 0;
  virtual TPoint SetWindowOrgEx(int x, int y) = 0;
  virtual TSize SetWindowExtEx(int cx, int cy) = 0;
  virtual TPoint SetViewportOrgEx(int x, int y) = 0;
  virtual TSize SetViewportExtEx(int cx, int cy) = 0;
  virtual TPoint GetWindowOrgEx() const = 0;
  virtual TSize GetWindowExtEx() const = 0;
  virtual TPoint GetViewportOrgEx() const = 0;
  virtual TSize GetViewportExtEx() const = 0;
  virtual void LPtoDP(TPoint* points, int count) const = 0;
  virtual void DPtoLP(TPoint* points, int count) const = 0;

  // Clipping. The clip region is kept in device coordinates, as on the platform;
  // the rectangle calls take logical coordinates. Answers are region types (ERROR on
  // failure); GetClipRgn answers CLIP_NONE, CLIP_SET or CLIP_ERROR.
  virtual int GetClipRgn(TRegion& region) const = 0;
  virtual int SelectClipRgn(const TRegion* region) = 0;
  virtual int ExtSelectClipRgn(const TRegion* region, int mode) = 0;
  virtual int IntersectClipRect(int left, int top, int right, int bottom) = 0;
  virtual int ExcludeClipRect(int left, int top, int right, int bottom) = 0;
  virtual int GetClipBox(TRect& box) const = 0;
  virtual bool RectVisible(const TRect& rect) const = 0;
  virtual bool PtVisible(int x, int y) const = 0;

  // Lines and shapes, with the selected pen and brush.
  virtual TPoint MoveToEx(int x, int y) = 0;
  virtual TPoint GetCurrentPositionEx() const = 0;
  virtual bool LineTo(int x, int y) = 0;
  virtual bool Polyline(const TPoint* points, int count) = 0;
  virtual bool PolyPolyline(const TPoint* points, const unsigned* counts, int strokes) = 0;
  virtual bool Polygon(const TPoint* points, int count) = 0;
  virtual bool Rectangle(int left, int top, int right, int bottom) = 0;
  virtual bool Ellipse(int left, int top, int right, int bottom) = 0;
  // Fills and frames in one colour, whatever the pen mode.
  virtual bool FillRect(const TRect& rect, TColorRef color) = 0;
  virtual bool FrameRect(const TRect& rect, TColorRef color) = 0;
  virtual bool InvertRect(const TRect& rect) = 0;
  // A rectangle combined with the selected brush by a raster operation.
  virtual bool PatBlt(int x, int y, int width, int height, unsigned rop) = 0;
  // The dotted frame of the focus, drawn by inverting: drawing it twice restores.
  virtual bool DrawFocusRect(const TRect& rect) = 0;
  virtual TColorRef SetPixel(int x, int y, TColorRef color) = 0;
  // CLR_INVALID outside the clip region.
  virtual TColorRef GetPixel(int x, int y) const = 0;

  // Blits from another context's surface. A negative width or height mirrors.
  virtual bool BitBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc, int ySrc,
                      unsigned rop) = 0;
  virtual bool StretchBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc,
                          int ySrc, int widthSrc, int heightSrc, unsigned rop) = 0;
  // Copies the source's pixels except those of the transparent colour.
  virtual bool TransparentBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc,
                              int ySrc, int widthSrc, int heightSrc, TColorRef transparent) = 0;

  // A raster into the logical rectangle of its own size at (x, y), following the mapping
  // as a blit does; when a mask is given, only the pixels it marks opaque (row by row,
  // one per pixel) are drawn.
  virtual bool DrawImage(int x, int y, const TRaster& image, const std::vector<bool>* opaque) = 0;

  // Text in the ANSI code page with the selected font, drawn from the top-left of its
  // cell. dx, when given, holds one advance per character.
  virtual bool ExtTextOut(int x, int y, unsigned options, const TRect* rect, const AnsiString& text,
                          const int* dx = nullptr) = 0;
  virtual TSize GetTextExtentPoint32(const AnsiString& text) = 0;
  virtual bool GetTextMetrics(TTextMetric& metrics) = 0;

  // Composite drawing, written over the calls above.
  virtual int DrawText(const AnsiString& text, TRect& rect, unsigned format,
                       DRAWTEXTPARAMS* params = nullptr);
  virtual bool DrawEdge(TRect& rect, unsigned edge, unsigned flags);
  virtual bool DrawFrameControl(TRect& rect, unsigned type, unsigned state);
  // Disabled text, embossed: the text in the highlight colour one pixel down and right,
  // then in the shadow colour in place.
  virtual int DrawEmbossedText(const AnsiString& text, TRect& rect, unsigned format, TColorRef shadow);

  // Saves the clip region, narrows it to a logical rectangle, and restores it when done.
  class TClipGuard {
   public:
    TClipGuard(TDeviceContext& dc, const TRect& rect);
    ~TClipGuard();
    TClipGuard(const TClipGuard&) = delete;
    TClipGuard& operator=(const TClipGuard&) = delete;

   private:
    TDeviceContext& fDc;
    TRegion fSaved;
    bool fHadClip;
  };

 private:
  void DrawDiagonalEdge(const TRect& rect, unsigned edge, unsigned flags);
  bool DrawCheckBox(const TRect& rect, unsigned state);
  bool DrawRadioButton(const TRect& rect, unsigned state);
  bool DrawPushButton(TRect& rect, unsigned state);
  bool DrawScrollArrow(const TRect& rect, unsigned state);
  void DrawArrowGlyph(const TRect& rect, unsigned direction, TColorRef color);
};

using HDC = TDeviceContext*;

// The platform's names for the calls above.
inline bool DrawEdge(HDC dc, TRect& rect, unsigned edge, unsigned flags) {
  return dc->DrawEdge(rect, edge, flags);
}
inline bool DrawFocusRect(HDC dc, const TRect& rect) {
  return dc->DrawFocusRect(rect);
}
inline bool DrawFrameControl(HDC dc, TRect& rect, unsigned type, unsigned state) {
  return dc->DrawFrameControl(rect, type, state);
}
inline int DrawText(HDC dc, const AnsiString& text, TRect& rect, unsigned format) {
  return dc->DrawText(text, rect, format);
}
inline int DrawTextEx(HDC dc, const AnsiString& text, TRect& rect, unsigned format, DRAWTEXTPARAMS* params) {
  return dc->DrawText(text, rect, format, params);
}
inline bool ExtTextOut(HDC dc, int x, int y, unsigned options, const TRect* rect, const AnsiString& text,
                       const int* dx = nullptr) {
  return dc->ExtTextOut(x, y, options, rect, text, dx);
}
// GetDeviceCaps indexes. Every surface is the project's 32-bit raster: true colour, so
// NUMCOLORS answers -1 (more than 256 colours) and a colour needs no palette match.
constexpr int BITSPIXEL = 12;
constexpr int NUMCOLORS = 24;
inline int GetDeviceCaps(HDC /*dc*/, int index) {
  switch (index) {
    case BITSPIXEL:
      return 32;
    case NUMCOLORS:
      return -1;
    default:
      return 0;
  }
}
inline TColorRef GetNearestColor(HDC /*dc*/, TColorRef color) {
  return color;
}
inline bool GetTextMetrics(HDC dc, TTextMetric& metrics) {
  return dc->GetTextMetrics(metrics);
}
inline bool GetTextExtentPoint32(HDC dc, const AnsiString& text, TSize& size) {
  size = dc->GetTextExtentPoint32(text);
  return true;
}
inline int GetClipRgn(HDC dc, TRegion& region) {
  return dc->GetClipRgn(region);
}
inline int SelectClipRgn(HDC dc, const TRegion* region) {
  return dc->SelectClipRgn(region);
}
inline int ExtSelectClipRgn(HDC dc, const TRegion* region, int mode) {
  return dc->ExtSelectClipRgn(region, mode);
}
inline int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  return dc->IntersectClipRect(left, top, right, bottom);
}
inline int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  return dc->ExcludeClipRect(left, top, right, bottom);
}
inline bool RectVisible(HDC dc, const TRect& rect) {
  return dc->RectVisible(rect);
}
inline bool LPtoDP(HDC dc, TPoint* points, int count) {
  dc->LPtoDP(points, count);
  return true;
}
inline bool PolyPolyline(HDC dc, const TPoint* points, const unsigned* counts, int strokes) {
  return dc->PolyPolyline(points, counts, strokes);
}
inline bool BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
                   unsigned rop) {
  return dest->BitBlt(x, y, width, height, *source, xSrc, ySrc, rop);
}
inline bool StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
                       int widthSrc, int heightSrc, unsigned rop) {
  return dest->StretchBlt(x, y, width, height, *source, xSrc, ySrc, widthSrc, heightSrc, rop);
}

// A geometric pen (PS_GEOMETRIC with its cap and join) or a cosmetic one.
TLogPen ExtCreatePen(unsigned style, int width, const TLogBrush& brush);

}  // namespace ordvane
