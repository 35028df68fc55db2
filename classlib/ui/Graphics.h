#pragma once
// The class library's drawing objects: pens, brushes and fonts that notify their owner
// of changes, the canvas that selects them into a device context before each drawing
// call, and bitmaps with a canvas of their own.

#include <memory>
#include <vector>

#include "classlib/core/Events.h"
#include "classlib/core/Objects.h"
#include "classlib/core/System.h"
#include "classlib/ui/DeviceContext.h"
#include "classlib/ui/RasterDC.h"

namespace ordvane {

class TGraphicsObject : public TPersistent {
  ORDVANE_CLASS(TGraphicsObject, TPersistent)
 public:
  // Fired after every change, with the object that changed.
  TNotifyEvent OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }
};

enum TPenStyle : int { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode : int {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};

class TPen : public TGraphicsObject {
  ORDVANE_CLASS(TPen, TGraphicsObject)
 public:
  TColor Color() const { return fColor; }
  void SetColor(TColor value);
  int Width() const { return fWidth; }
  void SetWidth(int value);
  TPenStyle Style() const { return fStyle; }
  void SetStyle(TPenStyle value);
  TPenMode Mode() const { return fMode; }
  void SetMode(TPenMode value);
  // The pen as the device context takes it; a pen given by SetLogPen (a geometric pen
  // with its end cap and join) keeps its style bits until Style is set again.
  TLogPen LogPen() const;
  void SetLogPen(const TLogPen& pen);
  // The mixing mode of the device context for Mode.
  int Rop2() const;
  void Assign(const TPersistent* source) override;

 private:
  TColor fColor = clBlack;
  int fWidth = 1;
  TPenStyle fStyle = psSolid;
  TPenMode fMode = pmCopy;
  unsigned fExtraStyle = 0;  // geometric type, end cap and join of a pen set by SetLogPen
};

enum TBrushStyle : int { bsSolid, bsClear };

class TBrush : public TGraphicsObject {
  ORDVANE_CLASS(TBrush, TGraphicsObject)
 public:
  TColor Color() const { return fColor; }
  // Setting a colour makes a clear brush solid, as on the original platform.
  void SetColor(TColor value);
  TBrushStyle Style() const { return fStyle; }
  void SetStyle(TBrushStyle value);
  TLogBrush LogBrush() const { return {fStyle == bsClear ? BS_NULL : BS_SOLID, ColorToRGB(fColor)}; }
  void Assign(const TPersistent* source) override;

 private:
  TColor fColor = clWhite;
  TBrushStyle fStyle = bsSolid;
};

enum TFontStyle : int { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch : int { fpDefault, fpVariable, fpFixed };
using TFontCharset = Byte;

class TFont : public TGraphicsObject {
  ORDVANE_CLASS(TFont, TGraphicsObject)
 public:
  const AnsiString& Name() const { return fName; }
  void SetName(const AnsiString& value);
  // Height in pixels: negative for the character height, as the platform stores it.
  int Height() const { return fHeight; }
  void SetHeight(int value);
  // Size in points at PixelsPerInch.
  int Size() const;
  void SetSize(int value);
  TFontStyles Style() const { return fStyle; }
  void SetStyle(TFontStyles value);
  TColor Color() const { return fColor; }
  void SetColor(TColor value);
  TFontCharset Charset() const { return fCharset; }
  void SetCharset(TFontCharset value);
  TFontPitch Pitch() const { return fPitch; }
  void SetPitch(TFontPitch value);
  // Escapement of the text in tenths of a degree, counter-clockwise (900: bottom-up).
  int Orientation() const { return fOrientation; }
  void SetOrientation(int value);
  int PixelsPerInch() const { return fPixelsPerInch; }
  void SetPixelsPerInch(int value);

  TLogFont LogFont() const;
  // Takes name, height, escapement, weight, italic, underline, strike-out, charset and
  // pitch from a logical font.
  void SetLogFont(const TLogFont& font);
  void Assign(const TPersistent* source) override;

 private:
  AnsiString fName = "MS Sans Serif";
  int fHeight = -11;  // 8 points at 96 pixels per inch
  TFontStyles fStyle;
  TColor fColor = clWindowText;
  TFontCharset fCharset = DEFAULT_CHARSET;
  TFontPitch fPitch = fpDefault;
  int fOrientation = 0;
  int fPixelsPerInch = 96;
};

using TCopyMode = unsigned;
constexpr TCopyMode cmSrcCopy = SRCCOPY;
constexpr TCopyMode cmSrcPaint = SRCPAINT;
constexpr TCopyMode cmSrcAnd = SRCAND;
constexpr TCopyMode cmSrcInvert = SRCINVERT;
constexpr TCopyMode cmSrcErase = SRCERASE;
constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
constexpr TCopyMode cmMergeCopy = MERGECOPY;
constexpr TCopyMode cmMergePaint = MERGEPAINT;
constexpr TCopyMode cmPatCopy = PATCOPY;
constexpr TCopyMode cmPatPaint = PATPAINT;
constexpr TCopyMode cmPatInvert = PATINVERT;
constexpr TCopyMode cmDstInvert = DSTINVERT;
constexpr TCopyMode cmBlackness = BLACKNESS;
constexpr TCopyMode cmWhiteness = WHITENESS;

class TBitmap;

class TCanvas : public TPersistent {
  ORDVANE_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  explicit TCanvas(TDeviceContext* handle);
  ~TCanvas() override;

  // The device context drawn on; the canvas does not own it. Every drawing call needs
  // one (EInvalidOperation "Canvas does not allow drawing" otherwise). Asking for it
  // selects the canvas's pen, brush and font into it first, so that the platform calls
  // made on it draw with them.
  TDeviceContext* Handle() const;
  void SetHandle(TDeviceContext* handle);
  bool HandleAllocated() const { return fHandle != nullptr; }

  TPen* Pen() const { return fPen.get(); }
  TBrush* Brush() const { return fBrush.get(); }
  TFont* Font() const { return fFont.get(); }
  void SetPen(const TPen& value) { fPen->Assign(&value); }
  void SetBrush(const TBrush& value) { fBrush->Assign(&value); }
  void SetFont(const TFont& value) { fFont->Assign(&value); }
  TPoint PenPos() const;
  void SetPenPos(TPoint value) { MoveTo(value.x, value.y); }
  TCopyMode CopyMode() const { return fCopyMode; }
  void SetCopyMode(TCopyMode value) { fCopyMode = value; }
  // The logical rectangle around what can be drawn.
  TRect ClipRect() const;

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& points);
  void Polygon(const std::vector<TPoint>& points);
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
  void Ellipse(int left, int top, int right, int bottom);
  void Ellipse(const TRect& rect) { Ellipse(rect.left, rect.top, rect.right, rect.bottom); }
  // Fills with the brush (nothing for a clear brush); frames one pixel wide with it.
  void FillRect(const TRect& rect);
  void FrameRect(const TRect& rect);
  void DrawFocusRect(const TRect& rect);
  // CLR_INVALID (-1) outside the clip region.
  TColor Pixels(int x, int y) const;
  void SetPixels(int x, int y, TColor color);

  // Writes text from its top-left and moves the pen position past it.
  void TextOut(int x, int y, const AnsiString& text);
  // Writes text clipped to the rectangle, filling it first unless the brush is clear.
  void TextRect(const TRect& rect, int x, int y, const AnsiString& text);
  TSize TextExtent(const AnsiString& text) const;
  int TextWidth(const AnsiString& text) const { return TextExtent(text).cx; }
  int TextHeight(const AnsiString& text) const { return TextExtent(text).cy; }

  // A bitmap at its own size, transparent bitmaps leaving their transparent colour out.
  void Draw(int x, int y, const TBitmap& bitmap);
  void StretchDraw(const TRect& rect, const TBitmap& bitmap);
  // Copies part of another canvas with CopyMode, stretching to the destination.
  void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);

 private:
  TDeviceContext& RequireHandle() const;
  void SelectPen() const;
  void SelectBrush() const;
  void SelectFont() const;

  TDeviceContext* fHandle = nullptr;
  std::unique_ptr<TPen> fPen;
  std::unique_ptr<TBrush> fBrush;
  std::unique_ptr<TFont> fFont;
  TCopyMode fCopyMode = cmSrcCopy;
  // What was last selected into the context, so that only changes are passed on.
  mutable std::optional<TLogPen> fSelectedPen;
  mutable std::optional<int> fSelectedRop2;
  mutable std::optional<TLogBrush> fSelectedBrush;
  mutable std::optional<TLogFont> fSelectedFont;
  mutable std::optional<TColorRef> fSelectedTextColor;
};

enum TTransparentMode : int { tmAuto, tmFixed };
enum : int { OBM_CHECKBOXES = 32759 };

class TBitmap : public TPersistent {
  ORDVANE_CLASS(TBitmap, TPersistent)
 public:
  TBitmap();
  TBitmap(int width, int height);

  int Width() const { return fRaster.Width(); }
  int Height() const { return fRaster.Height(); }
  void SetWidth(int value) { SetSize(value, Height()); }
  void SetHeight(int value) { SetSize(Width(), value); }
  // New pixels are white; pixels inside both sizes are kept.
  void SetSize(int width, int height);
  bool Empty() const { return Width() == 0 || Height() == 0; }
  TCanvas* Canvas() const { return fCanvas.get(); }
  const TRaster& Raster() const { return fRaster; }

  bool Transparent() const { return fTransparent; }
  void SetTransparent(bool value) { fTransparent = value; }
  // With tmAuto the colour of the bottom-left pixel; setting a colour makes it tmFixed.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor value);
  TTransparentMode TransparentMode() const { return fTransparentMode; }
  void SetTransparentMode(TTransparentMode value) { fTransparentMode = value; }

  // Copies size, pixels and transparency of another bitmap.
  void Assign(const TPersistent* source) override;
  // Our own artwork compiled into the program (see Resources.h); raises EResNotFound
  // "Resource <name> not found" for an unknown name.
  void LoadFromResourceName(const AnsiString& name);
  // A bitmap of the system; only OBM_CHECKBOXES is known (EResNotFound otherwise): the
  // classic 13-pixel buttons in three rows of four, check boxes (clear, checked, pushed,
  // pushed and checked), radio buttons (the same four) and third-state boxes (grayed,
  // grayed and pushed, inactive clear, inactive checked).
  void LoadFromOemBitmap(int id);

 private:
  TRaster fRaster;
  std::unique_ptr<TRasterDC> fDc;
  std::unique_ptr<TCanvas> fCanvas;
  bool fTransparent = false;
  TTransparentMode fTransparentMode = tmAuto;
  TColor fTransparentColor = clDefault;
};

// Writes what a canvas shows as a PNG file for people to look at; raises EFCreateError
// when the file cannot be written and EInvalidOperation for an empty picture.
void SaveCanvasToPngFile(const TCanvas& canvas, const AnsiString& fileName);
void SaveRasterToPngFile(const TRaster& raster, const AnsiString& fileName);

}  // namespace ordvane
