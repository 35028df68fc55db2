#pragma once
// A device context for tests: every call that changes the state or draws is written to a
// log as "Name(arguments)" and then done by the target context, so that answers (text
// sizes, clip boxes) and pixels stay real. Queries are passed on without a log line.
// Composite calls (DrawText, DrawEdge, ...) are logged once, as the call they are.

#include <vector>

#include "classlib/ui/Graphics.h"

namespace ordvane {

class TRecordingDC : public TDeviceContext {
 public:
  explicit TRecordingDC(TDeviceContext& target) : fTarget(target) {}

  const std::vector<AnsiString>& Calls() const { return fCalls; }
  void ClearCalls() { fCalls.clear(); }
  // The logged calls of one name ("FillRect"), in order.
  std::vector<AnsiString> CallsOf(const AnsiString& name) const;

  const TRaster& Surface() const override { return fTarget.Surface(); }
  TPoint SurfaceOrigin() const override { return fTarget.SurfaceOrigin(); }

  TLogPen SelectPen(const TLogPen& pen) override;
  TLogBrush SelectBrush(const TLogBrush& brush) override;
  TLogFont SelectFont(const TLogFont& font) override;
  TLogPen CurrentPen() const override { return fTarget.CurrentPen(); }
  TLogBrush CurrentBrush() const override { return fTarget.CurrentBrush(); }
  TLogFont CurrentFont() const override { return fTarget.CurrentFont(); }
  TColorRef SetTextColor(TColorRef color) override;
  TColorRef GetTextColor() const override { return fTarget.GetTextColor(); }
  TColorRef SetBkColor(TColorRef color) override;
  TColorRef GetBkColor() const override { return fTarget.GetBkColor(); }
  int SetBkMode(int mode) override;
  int GetBkMode() const override { return fTarget.GetBkMode(); }
  int SetROP2(int mode) override;
  int GetROP2() const override { return fTarget.GetROP2(); }
  int SetPolyFillMode(int mode) override;
  int GetPolyFillMode() const override { return fTarget.GetPolyFillMode(); }

  int SetMapMode(int mode) override;
  int GetMapMode() const override { return fTarget.GetMapMode(); }
  TPoint SetWindowOrgEx(int x, int y) override;
  TSize SetWindowExtEx(int cx, int cy) override;
  TPoint SetViewportOrgEx(int x, int y) override;
  TSize SetViewportExtEx(int cx, int cy) override;
  TPoint GetWindowOrgEx() const override { return fTarget.GetWindowOrgEx(); }
  TSize GetWindowExtEx() const override { return fTarget.GetWindowExtEx(); }
  TPoint GetViewportOrgEx() const override { return fTarget.GetViewportOrgEx(); }
  TSize GetViewportExtEx() const override { return fTarget.GetViewportExtEx(); }
  void LPtoDP(TPoint* points, int count) const override { fTarget.LPtoDP(points, count); }
  void DPtoLP(TPoint* points, int count) const override { fTarget.DPtoLP(points, count); }

  int GetClipRgn(TRegion& region) const override { return fTarget.GetClipRgn(region); }
  int SelectClipRgn(const TRegion* region) override;
  int ExtSelectClipRgn(const TRegion* region, int mode) override;
  int IntersectClipRect(int left, int top, int right, int bottom) override;
  int ExcludeClipRect(int left, int top, int right, int bottom) override;
  int GetClipBox(TRect& box) const override { return fTarget.GetClipBox(box); }
  bool RectVisible(const TRect& rect) const override { return fTarget.RectVisible(rect); }
  bool PtVisible(int x, int y) const override { return fTarget.PtVisible(x, y); }

  TPoint MoveToEx(int x, int y) override;
  TPoint GetCurrentPositionEx() const override { return fTarget.GetCurrentPositionEx(); }
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
  TColorRef GetPixel(int x, int y) const override { return fTarget.GetPixel(x, y); }

  bool BitBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc, int ySrc,
              unsigned rop) override;
  bool StretchBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc, int ySrc,
                  int widthSrc, int heightSrc, unsigned rop) override;
  bool TransparentBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc, int ySrc,
                      int widthSrc, int heightSrc, TColorRef transparent) override;
  bool DrawImage(int x, int y, const TRaster& image, const std::vector<bool>* opaque) override;

  bool ExtTextOut(int x, int y, unsigned options, const TRect* rect, const AnsiString& text,
                  const int* dx = nullptr) override;
  TSize GetTextExtentPoint32(const AnsiString& text) override { return fTarget.GetTextExtentPoint32(text); }
  bool GetTextMetrics(TTextMetric& metrics) override { return fTarget.GetTextMetrics(metrics); }

  int DrawText(const AnsiString& text, TRect& rect, unsigned format,
               DRAWTEXTPARAMS* params = nullptr) override;
  bool DrawEdge(TRect& rect, unsigned edge, unsigned flags) override;
  bool DrawFrameControl(TRect& rect, unsigned type, unsigned state) override;
  int DrawEmbossedText(const AnsiString& text, TRect& rect, unsigned format, TColorRef shadow) override;

 private:
  template <class... Args>
  void Log(const char* name, const Args&... args);

  TDeviceContext& fTarget;
  std::vector<AnsiString> fCalls;
};

// A canvas over its own raster whose every drawing call is logged.
class TRecordingCanvas : public TCanvas {
 public:
  TRecordingCanvas(int width, int height);

  TRecordingDC& Recorder() { return fRecorder; }
  const std::vector<AnsiString>& Calls() const { return fRecorder.Calls(); }
  std::vector<AnsiString> CallsOf(const AnsiString& name) const { return fRecorder.CallsOf(name); }
  void ClearCalls() { fRecorder.ClearCalls(); }
  const TRaster& Raster() const { return fRaster; }

 private:
  TRaster fRaster;
  TRasterDC fTarget;
  TRecordingDC fRecorder;
};

}  // namespace ordvane
