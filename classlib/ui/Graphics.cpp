#include "classlib/ui/Graphics.h"

#include <cmath>

#include "classlib/core/SysUtils.h"
#include "classlib/ui/Resources.h"

namespace ordvane {

namespace {

template <class T>
bool Store(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

int MulDivRounded(int a, int b, int c) {
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

}  // namespace

// ---- TPen ----

void TPen::SetColor(TColor value) {
  if (Store(fColor, value)) Changed();
}

void TPen::SetWidth(int value) {
  if (Store(fWidth, std::max(value, 0))) Changed();
}

void TPen::SetStyle(TPenStyle value) {
  fExtraStyle = 0;
  if (Store(fStyle, value)) Changed();
}

void TPen::SetMode(TPenMode value) {
  if (Store(fMode, value)) Changed();
}

TLogPen TPen::LogPen() const {
  static constexpr unsigned kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                         PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
  return {kStyles[fStyle] | fExtraStyle, fWidth, ColorToRGB(fColor)};
}

void TPen::SetLogPen(const TLogPen& pen) {
  static constexpr TPenStyle kStyles[] = {psSolid,      psDash,  psDot,        psDashDot,
                                          psDashDotDot, psClear, psInsideFrame};
  unsigned dash = pen.style & PS_STYLE_MASK;
  fStyle = dash <= PS_INSIDEFRAME ? kStyles[dash] : psSolid;
  fExtraStyle = pen.style & ~PS_STYLE_MASK;
  fWidth = pen.width;
  fColor = static_cast<TColor>(pen.color & 0xFFFFFF);
  Changed();
}

int TPen::Rop2() const {
  static constexpr int kModes[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                   R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                   R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                   R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  return kModes[fMode];
}

void TPen::Assign(const TPersistent* source) {
  const auto* pen = dynamic_cast<const TPen*>(source);
  if (pen == nullptr) return TGraphicsObject::Assign(source);
  fColor = pen->fColor;
  fWidth = pen->fWidth;
  fStyle = pen->fStyle;
  fMode = pen->fMode;
  fExtraStyle = pen->fExtraStyle;
  Changed();
}

// ---- TBrush ----

void TBrush::SetColor(TColor value) {
  bool changed = Store(fColor, value);
  if (fStyle == bsClear) {
    fStyle = bsSolid;
    changed = true;
  }
  if (changed) Changed();
}

void TBrush::SetStyle(TBrushStyle value) {
  if (Store(fStyle, value)) Changed();
}

void TBrush::Assign(const TPersistent* source) {
  const auto* brush = dynamic_cast<const TBrush*>(source);
  if (brush == nullptr) return TGraphicsObject::Assign(source);
  fColor = brush->fColor;
  fStyle = brush->fStyle;
  Changed();
}

// ---- TFont ----

void TFont::SetName(const AnsiString& value) {
  if (!value.empty() && Store(fName, value)) Changed();
}

void TFont::SetHeight(int value) {
  if (Store(fHeight, value)) Changed();
}

int TFont::Size() const {
  return -MulDivRounded(fHeight, 72, fPixelsPerInch);
}

void TFont::SetSize(int value) {
  SetHeight(-MulDivRounded(value, fPixelsPerInch, 72));
}

void TFont::SetStyle(TFontStyles value) {
  if (Store(fStyle, value)) Changed();
}

void TFont::SetColor(TColor value) {
  if (Store(fColor, value)) Changed();
}

void TFont::SetCharset(TFontCharset value) {
  if (Store(fCharset, value)) Changed();
}

void TFont::SetPitch(TFontPitch value) {
  if (Store(fPitch, value)) Changed();
}

void TFont::SetOrientation(int value) {
  if (Store(fOrientation, value)) Changed();
}

void TFont::SetPixelsPerInch(int value) {
  if (value > 0) fPixelsPerInch = value;
}

TLogFont TFont::LogFont() const {
  TLogFont font;
  font.lfHeight = fHeight;
  font.lfEscapement = fOrientation;
  font.lfOrientation = fOrientation;
  font.lfWeight = fStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  font.lfItalic = fStyle.Contains(fsItalic);
  font.lfUnderline = fStyle.Contains(fsUnderline);
  font.lfStrikeOut = fStyle.Contains(fsStrikeOut);
  font.lfCharSet = fCharset;
  font.lfPitchAndFamily = fPitch == fpFixed      ? FIXED_PITCH
                          : fPitch == fpVariable ? VARIABLE_PITCH
                                                 : DEFAULT_PITCH;
  font.lfFaceName = fName;
  return font;
}

void TFont::SetLogFont(const TLogFont& font) {
  if (!font.lfFaceName.empty()) fName = font.lfFaceName;
  fHeight = font.lfHeight;
  fOrientation = font.lfEscapement;
  fStyle = {};
  if (font.lfWeight >= 600) fStyle.Include(fsBold);
  if (font.lfItalic) fStyle.Include(fsItalic);
  if (font.lfUnderline) fStyle.Include(fsUnderline);
  if (font.lfStrikeOut) fStyle.Include(fsStrikeOut);
  fCharset = font.lfCharSet;
  Byte pitch = font.lfPitchAndFamily & 0x03;
  fPitch = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
  Changed();
}

void TFont::Assign(const TPersistent* source) {
  const auto* font = dynamic_cast<const TFont*>(source);
  if (font == nullptr) return TGraphicsObject::Assign(source);
  fName = font->fName;
  fHeight = font->fHeight;
  fStyle = font->fStyle;
  fColor = font->fColor;
  fCharset = font->fCharset;
  fPitch = font->fPitch;
  fOrientation = font->fOrientation;
  fPixelsPerInch = font->fPixelsPerInch;
  Changed();
}

// ---- TCanvas ----

TCanvas::TCanvas()
    : fPen(std::make_unique<TPen>()), fBrush(std::make_unique<TBrush>()), fFont(std::make_unique<TFont>()) {}

TCanvas::TCanvas(TDeviceContext* handle) : TCanvas() {
  SetHandle(handle);
}

TCanvas::~TCanvas() = default;

void TCanvas::SetHandle(TDeviceContext* handle) {
  fHandle = handle;
  fSelectedPen.reset();
  fSelectedRop2.reset();
  fSelectedBrush.reset();
  fSelectedFont.reset();
  fSelectedTextColor.reset();
}

TDeviceContext* TCanvas::Handle() const {
  if (fHandle != nullptr) {
    SelectPen();
    SelectBrush();
    SelectFont();
  }
  return fHandle;
}

TDeviceContext& TCanvas::RequireHandle() const {
  if (fHandle == nullptr) throw EInvalidOperation("Canvas does not allow drawing");
  return *fHandle;
}

void TCanvas::SelectPen() const {
  TDeviceContext& dc = RequireHandle();
  TLogPen pen = fPen->LogPen();
  if (fSelectedPen != pen) {
    dc.SelectPen(pen);
    fSelectedPen = pen;
  }
  int rop2 = fPen->Rop2();
  if (fSelectedRop2 != rop2) {
    dc.SetROP2(rop2);
    fSelectedRop2 = rop2;
  }
}

// A clear brush makes text and dotted lines leave the background alone; a solid one
// paints it in the brush colour.
void TCanvas::SelectBrush() const {
  TDeviceContext& dc = RequireHandle();
  TLogBrush brush = fBrush->LogBrush();
  if (fSelectedBrush == brush) return;
  dc.SelectBrush(brush);
  dc.SetBkColor(brush.color);
  dc.SetBkMode(brush.style == BS_NULL ? TRANSPARENT : OPAQUE);
  fSelectedBrush = brush;
}

void TCanvas::SelectFont() const {
  TDeviceContext& dc = RequireHandle();
  TLogFont font = fFont->LogFont();
  if (fSelectedFont != font) {
    dc.SelectFont(font);
    fSelectedFont = font;
  }
  TColorRef color = ColorToRGB(fFont->Color());
  if (fSelectedTextColor != color) {
    dc.SetTextColor(color);
    fSelectedTextColor = color;
  }
}

TPoint TCanvas::PenPos() const {
  return RequireHandle().GetCurrentPositionEx();
}

TRect TCanvas::ClipRect() const {
  TRect box;
  RequireHandle().GetClipBox(box);
  return box;
}

void TCanvas::MoveTo(int x, int y) {
  RequireHandle().MoveToEx(x, y);
}

void TCanvas::LineTo(int x, int y) {
  SelectPen();
  SelectBrush();
  fHandle->LineTo(x, y);
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  SelectPen();
  SelectBrush();
  fHandle->Polyline(points.data(), static_cast<int>(points.size()));
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  SelectPen();
  SelectBrush();
  fHandle->Polygon(points.data(), static_cast<int>(points.size()));
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  SelectPen();
  SelectBrush();
  fHandle->Rectangle(left, top, right, bottom);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  SelectPen();
  SelectBrush();
  fHandle->Ellipse(left, top, right, bottom);
}

void TCanvas::FillRect(const TRect& rect) {
  SelectBrush();
  if (fBrush->Style() != bsClear) fHandle->FillRect(rect, ColorToRGB(fBrush->Color()));
}

void TCanvas::FrameRect(const TRect& rect) {
  SelectBrush();
  if (fBrush->Style() != bsClear) fHandle->FrameRect(rect, ColorToRGB(fBrush->Color()));
}

void TCanvas::DrawFocusRect(const TRect& rect) {
  RequireHandle().DrawFocusRect(rect);
}

TColor TCanvas::Pixels(int x, int y) const {
  return static_cast<TColor>(RequireHandle().GetPixel(x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  RequireHandle().SetPixel(x, y, ColorToRGB(color));
}

void TCanvas::TextOut(int x, int y, const AnsiString& text) {
  SelectFont();
  SelectBrush();
  fHandle->ExtTextOut(x, y, 0, nullptr, text);
  fHandle->MoveToEx(x + fHandle->GetTextExtentPoint32(text).cx, y);
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const AnsiString& text) {
  SelectFont();
  SelectBrush();
  unsigned options = ETO_CLIPPED | (fBrush->Style() != bsClear ? static_cast<unsigned>(ETO_OPAQUE) : 0U);
  fHandle->ExtTextOut(x, y, options, &rect, text);
}

TSize TCanvas::TextExtent(const AnsiString& text) const {
  SelectFont();
  return fHandle->GetTextExtentPoint32(text);
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
  StretchDraw(Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap);
}

void TCanvas::StretchDraw(const TRect& rect, const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  TDeviceContext& dc = RequireHandle();
  const TDeviceContext& source = *bitmap.Canvas()->Handle();
  if (bitmap.Transparent()) {
    dc.TransparentBlt(rect.left, rect.top, rect.Width(), rect.Height(), source, 0, 0, bitmap.Width(),
                      bitmap.Height(), ColorToRGB(bitmap.TransparentColor()));
  } else {
    SelectBrush();
    dc.StretchBlt(rect.left, rect.top, rect.Width(), rect.Height(), source, 0, 0, bitmap.Width(),
                  bitmap.Height(), fCopyMode);
  }
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect) {
  SelectBrush();
  RequireHandle().StretchBlt(dest.left, dest.top, dest.Width(), dest.Height(), source.RequireHandle(),
                             sourceRect.left, sourceRect.top, sourceRect.Width(), sourceRect.Height(),
                             fCopyMode);
}

// ---- TBitmap ----

TBitmap::TBitmap()
    : fDc(std::make_unique<TRasterDC>(fRaster)), fCanvas(std::make_unique<TCanvas>(fDc.get())) {}

TBitmap::TBitmap(int width, int height) : TBitmap() {
  SetSize(width, height);
}

void TBitmap::SetSize(int width, int height) {
  fRaster.SetSize(width, height, 0xFFFFFF);
}

TColor TBitmap::TransparentColor() const {
  if (fTransparentMode == tmFixed) return fTransparentColor;
  if (Empty()) return clDefault;
  return static_cast<TColor>(fRaster.Pixel(0, Height() - 1));
}

void TBitmap::SetTransparentColor(TColor value) {
  fTransparentColor = value;
  fTransparentMode = tmFixed;
}

void TBitmap::Assign(const TPersistent* source) {
  const auto* bitmap = dynamic_cast<const TBitmap*>(source);
  if (bitmap == nullptr) return TPersistent::Assign(source);
  fRaster = bitmap->fRaster;
  fTransparent = bitmap->fTransparent;
  fTransparentMode = bitmap->fTransparentMode;
  fTransparentColor = bitmap->fTransparentColor;
}

void TBitmap::LoadFromResourceName(const AnsiString& name) {
  fRaster = LoadArtRaster(name);
}

void TBitmap::LoadFromOemBitmap(int id) {
  if (id != OBM_CHECKBOXES) throw EResNotFound("Resource " + std::to_string(id) + " not found");
  constexpr int kCell = 13;
  static constexpr unsigned kStates[3][4] = {
      {DFCS_BUTTONCHECK, DFCS_BUTTONCHECK | DFCS_CHECKED, DFCS_BUTTONCHECK | DFCS_PUSHED,
       DFCS_BUTTONCHECK | DFCS_PUSHED | DFCS_CHECKED},
      {DFCS_BUTTONRADIO, DFCS_BUTTONRADIO | DFCS_CHECKED, DFCS_BUTTONRADIO | DFCS_PUSHED,
       DFCS_BUTTONRADIO | DFCS_PUSHED | DFCS_CHECKED},
      {DFCS_BUTTON3STATE | DFCS_CHECKED, DFCS_BUTTON3STATE | DFCS_CHECKED | DFCS_PUSHED,
       DFCS_BUTTONCHECK | DFCS_INACTIVE, DFCS_BUTTONCHECK | DFCS_INACTIVE | DFCS_CHECKED},
  };
  fRaster.SetSize(0, 0);
  fRaster.SetSize(4 * kCell, 3 * kCell, ColorToRGB(clBtnFace));
  TRasterDC dc(fRaster);
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 4; ++column) {
      TRect cell = Bounds(column * kCell, row * kCell, kCell, kCell);
      dc.DrawFrameControl(cell, DFC_BUTTON, kStates[row][column]);
    }
}

}  // namespace ordvane
