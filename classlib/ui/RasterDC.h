#pragma once
// A device context that draws into a TRaster. Besides the platform's calls it has the two
// hooks a window layer needs: the device origin (where the context's pixel (0, 0) lies
// on the raster, so a child paints into its parent's raster) and the visible region (the
// update region of a paint, in device coordinates), which bounds every drawing and is
// not part of the clip region that GetClipRgn reports.

#include <optional>
#include <utility>

#include "classlib/ui/DeviceContext.h"

namespace ordvane {

class TRasterDC : public TDeviceContext {
 public:
  explicit TRasterDC(TRaster& raster);

  void SetDeviceOrigin(TPoint origin);
  TPoint DeviceOrigin() const { return fDeviceOrigin; }
  // nullptr: the whole raster is visible.
  void SetVisibleRegion(const TRegion* region);

  const TRaster& Surface() const override { return *fRaster; }
  TPoint SurfaceOrigin() const override { return fDeviceOrigin; }

  TLogPen SelectPen(const TLogPen& pen) override;
  TLogBrush SelectBrush(const TLogBrush& brush) override;
  TLogFont SelectFont(const TLogFont& font) override;
  TLogPen CurrentPen() const override { return fPen; }
  TLogBrush CurrentBrush() const override { return fBrush; }
  TLogFont CurrentFont() const override { return fFont; }
  TColorRef SetTextColor(TColorRef color) override;
  TColorRef GetTextColor() const override { return fTextColor; }
  TColorRef SetBkColor(TColorRef color) override;
  TColorRef GetBkColor() const override { return fBkColor; }
  int SetBkMode(int mode) override;
  int GetBkMode() const override { return fBkMode; }
  int SetROP2(int mode) override;
  int GetROP2() const override { return fRop2; }
  int SetPolyFillMode(int mode) override;
  int GetPolyFillMode() const override { return fPolyFillMode; }

  int SetMapMode(int mode) override;
  int GetMapMode() const override { return fMapMode; }
  TPoint SetWindowOrgEx(int x, int y) override;
  TSize SetWindowExtEx(int cx, int cy) override;
  TPoint SetViewportOrgEx(int x, int y) override;
  TSize SetViewportExtEx(int cx, int cy) override;
  TPoint GetWindowOrgEx() const override { return fWindowOrg; }
  TSize GetWindowExtEx() const override { return fWindowExt; }
  TPoint GetViewportOrgEx() const override { return fViewportOrg; }
  TSize GetViewportExtEx() const override { return fViewportExt; }
  void LPtoDP(TPoint* points, int count) const override;
  void DPtoLP(TPoint* points, int count) const override;

  int GetClipRgn(TRegion& region) const override;
  int SelectClipRgn(const TRegion* region) override;
  int ExtSelectClipRgn(const TRegion* region, int mode) override;
  int IntersectClipRect(int left, int top, int right, int bottom) override;
  int ExcludeClipRect(int left, int top, int right, int bottom) override;
  int GetClipBox(TRect& box) const override;
  bool RectVisible(const TRect& rect) const override;
  bool PtVisible(int x, int y) const override;

  TPoint MoveToEx(int x, int y) override;
  TPoint GetCurrentPositionEx() const override { return fPosition; }
  bool LineTo(int x, int y) override;
  bool Polyline(const TPoint* points, int count) override;
  bool PolyPolyline(const TPoint* points, const unsigned* counts, int strokes) override;
  bool Polygon(const TPoint* points, int count) override;
  bool Rectangle(int left, int top, int right, int bottom) override;
  bool Ellipse(int left, int top, int right, int bottom) override;
  bool FillRect(const TRect& rect, TColorRef color) override;
  bool FrameRect(const TRect& rect, TColorRef color) override;
  bool InvertRect(const TRect& rect) override;
  bool PatBlt(int x, int y, int width, int height, unsigned rop) override;
  bool DrawFocusRect(const TRect& rect) override;
  TColorRef SetPixel(int x, int y, TColorRef color) override;
  TColorRef GetPixel(int x, int y) const override;

  bool BitBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc, int ySrc,
              unsigned rop) override;
  bool StretchBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc, int ySrc,
                  int widthSrc, int heightSrc, unsigned rop) override;
  bool TransparentBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc, int ySrc,
                      int widthSrc, int heightSrc, TColorRef transparent) override;
  bool DrawImage(int x, int y, const TRaster& image, const std::vector<bool>* opaque) override;

  bool ExtTextOut(int x, int y, unsigned options, const TRect* rect, const AnsiString& text,
                  const int* dx = nullptr) override;
  TSize GetTextExtentPoint32(const AnsiString& text) override;
  bool GetTextMetrics(TTextMetric& metrics) override;

 private:
  TPoint ToDevice(TPoint logical) const;
  TPoint ToSurface(TPoint logical) const;
  TRect ToSurfaceRect(const TRect& logical) const;
  TRect DeviceSurfaceBounds() const;
  const TRegion& Clip() const;
  bool InClip(int x, int y) const;
  int ClipChanged();

  void Plot(int x, int y, TColorRef color);
  void FillSurfaceRegion(const TRegion& region, TColorRef color, bool mixWithPen);
  std::vector<TPoint> TracePath(const std::vector<TPoint>& points, bool closed) const;
  void PaintStyledPixels(const std::vector<TPoint>& pixels);
  TRegion WideStroke(const std::vector<TPoint>& points, bool closed) const;
  // Draws a path of surface points with the pen; answers the pixels it covered.
  TRegion StrokePath(const std::vector<TPoint>& points, bool closed);
  std::vector<TPoint> ToSurfacePoints(const TPoint* points, int count) const;
  bool FillAndFrame(const TRegion& inside, const std::vector<TPoint>& outline);
  template <class PixelOp>
  bool Blit(int x, int y, int width, int height, const TRaster& source, TPoint s0, TPoint s1, PixelOp op);
  template <class PixelOp>
  bool BlitFrom(int x, int y, int width, int height, const TDeviceContext& source, int xSrc, int ySrc,
                int widthSrc, int heightSrc, PixelOp op);

  TRaster* fRaster;
  TPoint fDeviceOrigin;
  std::optional<TRegion> fVisible;
  std::optional<TRegion> fClipRegion;
  mutable TRegion fEffectiveClip;
  mutable TSize fEffectiveFor{-1, -1};
  mutable bool fEffectiveDirty = true;

  TLogPen fPen;
  TLogBrush fBrush;
  TLogFont fFont;
  TColorRef fTextColor = 0;
  TColorRef fBkColor = 0xFFFFFF;
  int fBkMode = OPAQUE;
  int fRop2 = R2_COPYPEN;
  int fPolyFillMode = ALTERNATE;
  int fMapMode = MM_TEXT;
  TPoint fWindowOrg;
  TSize fWindowExt{1, 1};
  TPoint fViewportOrg;
  TSize fViewportExt{1, 1};
  TPoint fPosition;
};

}  // namespace ordvane
