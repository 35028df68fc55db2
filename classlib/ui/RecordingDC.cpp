#include "classlib/ui/RecordingDC.h"

#include <cstdio>

namespace ordvane {

namespace {

// Argument kinds of a log line.
struct Hex {
  unsigned value;
};
struct Colour {
  TColorRef value;
};
struct PointList {
  const TPoint* points;
  int count;
};

AnsiString Text(int value) {
  return std::to_string(value);
}
AnsiString Text(unsigned value) {
  return std::to_string(value);
}
AnsiString Text(const Hex& value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%X", value.value);
  return buffer;
}
AnsiString Text(const Colour& value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%06X", value.value);
  return buffer;
}
AnsiString Text(const TRect& r) {
  return Text(r.left) + "," + Text(r.top) + "," + Text(r.right) + "," + Text(r.bottom);
}
AnsiString Text(const AnsiString& value) {
  return "\"" + value + "\"";
}
AnsiString Text(const PointList& list) {
  AnsiString out;
  for (int i = 0; i < list.count; ++i)
    out += (i > 0 ? " " : "") + Text(list.points[i].x) + ";" + Text(list.points[i].y);
  return out;
}
AnsiString Text(const TLogPen& pen) {
  return "pen " + Text(Hex{pen.style}) + " " + Text(pen.width) + " " + Text(Colour{pen.color});
}
AnsiString Text(const TLogBrush& brush) {
  return brush.style == BS_NULL ? AnsiString("clear brush") : "brush " + Text(Colour{brush.color});
}
AnsiString Text(const TLogFont& font) {
  return "\"" + font.lfFaceName + "\" " + Text(font.lfHeight) + " " + Text(font.lfWeight) +
         (font.lfItalic ? " italic" : "") + (font.lfUnderline ? " underline" : "") +
         (font.lfStrikeOut ? " strikeout" : "") + " esc " + Text(font.lfEscapement);
}
AnsiString Text(const TRegion* region) {
  if (region == nullptr) return "none";
  AnsiString out;
  for (const TRect& r : region->Rects()) out += (out.empty() ? "" : " ") + Text(r);
  return out.empty() ? AnsiString("empty") : out;
}

}  // namespace

template <class... Args>
void TRecordingDC::Log(const char* name, const Args&... args) {
  AnsiString line = name;
  line += '(';
  bool first = true;
  ((line += (first ? "" : ","), line += Text(args), first = false), ...);
  line += ')';
  fCalls.push_back(std::move(line));
}

std::vector<AnsiString> TRecordingDC::CallsOf(const AnsiString& name) const {
  std::vector<AnsiString> result;
  for (const AnsiString& call : fCalls)
    if (call.compare(0, name.size(), name) == 0 && call.size() > name.size() && call[name.size()] == '(')
      result.push_back(call);
  return result;
}

TLogPen TRecordingDC::SelectPen(const TLogPen& pen) {
  Log("SelectPen", pen);
  return fTarget.SelectPen(pen);
}

TLogBrush TRecordingDC::SelectBrush(const TLogBrush& brush) {
  Log("SelectBrush", brush);
  return fTarget.SelectBrush(brush);
}

TLogFont TRecordingDC::SelectFont(const TLogFont& font) {
  Log("SelectFont", font);
  return fTarget.SelectFont(font);
}

TColorRef TRecordingDC::SetTextColor(TColorRef color) {
  Log("SetTextColor", Colour{color});
  return fTarget.SetTextColor(color);
}

TColorRef TRecordingDC::SetBkColor(TColorRef color) {
  Log("SetBkColor", Colour{color});
  return fTarget.SetBkColor(color);
}

int TRecordingDC::SetBkMode(int mode) {
  Log("SetBkMode", mode);
  return fTarget.SetBkMode(mode);
}

int TRecordingDC::SetROP2(int mode) {
  Log("SetROP2", mode);
  return fTarget.SetROP2(mode);
}

int TRecordingDC::SetPolyFillMode(int mode) {
  Log("SetPolyFillMode", mode);
  return fTarget.SetPolyFillMode(mode);
}

int TRecordingDC::SetMapMode(int mode) {
  Log("SetMapMode", mode);
  return fTarget.SetMapMode(mode);
}

TPoint TRecordingDC::SetWindowOrgEx(int x, int y) {
  Log("SetWindowOrgEx", x, y);
  return fTarget.SetWindowOrgEx(x, y);
}

TSize TRecordingDC::SetWindowExtEx(int cx, int cy) {
  Log("SetWindowExtEx", cx, cy);
  return fTarget.SetWindowExtEx(cx, cy);
}

TPoint TRecordingDC::SetViewportOrgEx(int x, int y) {
  Log("SetViewportOrgEx", x, y);
  return fTarget.SetViewportOrgEx(x, y);
}

TSize TRecordingDC::SetViewportExtEx(int cx, int cy) {
  Log("SetViewportExtEx", cx, cy);
  return fTarget.SetViewportExtEx(cx, cy);
}

int TRecordingDC::SelectClipRgn(const TRegion* region) {
  Log("SelectClipRgn", region);
  return fTarget.SelectClipRgn(region);
}

int TRecordingDC::ExtSelectClipRgn(const TRegion* region, int mode) {
  Log("ExtSelectClipRgn", region, mode);
  return fTarget.ExtSelectClipRgn(region, mode);
}

int TRecordingDC::IntersectClipRect(int left, int top, int right, int bottom) {
  Log("IntersectClipRect", left, top, right, bottom);
  return fTarget.IntersectClipRect(left, top, right, bottom);
}

int TRecordingDC::ExcludeClipRect(int left, int top, int right, int bottom) {
  Log("ExcludeClipRect", left, top, right, bottom);
  return fTarget.ExcludeClipRect(left, top, right, bottom);
}

TPoint TRecordingDC::MoveToEx(int x, int y) {
  Log("MoveTo", x, y);
  return fTarget.MoveToEx(x, y);
}

bool TRecordingDC::LineTo(int x, int y) {
  Log("LineTo", x, y);
  return fTarget.LineTo(x, y);
}

bool TRecordingDC::Polyline(const TPoint* points, int count) {
  Log("Polyline", PointList{points, count});
  return fTarget.Polyline(points, count);
}

bool TRecordingDC::PolyPolyline(const TPoint* points, const unsigned* counts, int strokes) {
  int total = 0;
  for (int i = 0; i < strokes; ++i) total += static_cast<int>(counts[i]);
  Log("PolyPolyline", strokes, PointList{points, total});
  return fTarget.PolyPolyline(points, counts, strokes);
}

bool TRecordingDC::Polygon(const TPoint* points, int count) {
  Log("Polygon", PointList{points, count});
  return fTarget.Polygon(points, count);
}

bool TRecordingDC::Rectangle(int left, int top, int right, int bottom) {
  Log("Rectangle", left, top, right, bottom);
  return fTarget.Rectangle(left, top, right, bottom);
}

bool TRecordingDC::Ellipse(int left, int top, int right, int bottom) {
  Log("Ellipse", left, top, right, bottom);
  return fTarget.Ellipse(left, top, right, bottom);
}

bool TRecordingDC::FillRect(const TRect& rect, TColorRef color) {
  Log("FillRect", rect, Colour{color});
  return fTarget.FillRect(rect, color);
}

bool TRecordingDC::FrameRect(const TRect& rect, TColorRef color) {
  Log("FrameRect", rect, Colour{color});
  return fTarget.FrameRect(rect, color);
}

bool TRecordingDC::InvertRect(const TRect& rect) {
  Log("InvertRect", rect);
  return fTarget.InvertRect(rect);
}

bool TRecordingDC::PatBlt(int x, int y, int width, int height, unsigned rop) {
  Log("PatBlt", x, y, width, height, Hex{rop});
  return fTarget.PatBlt(x, y, width, height, rop);
}

bool TRecordingDC::DrawFocusRect(const TRect& rect) {
  Log("DrawFocusRect", rect);
  return fTarget.DrawFocusRect(rect);
}

TColorRef TRecordingDC::SetPixel(int x, int y, TColorRef color) {
  Log("SetPixel", x, y, Colour{color});
  return fTarget.SetPixel(x, y, color);
}

bool TRecordingDC::BitBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc,
                          int ySrc, unsigned rop) {
  Log("BitBlt", x, y, width, height, xSrc, ySrc, Hex{rop});
  return fTarget.BitBlt(x, y, width, height, source, xSrc, ySrc, rop);
}

bool TRecordingDC::StretchBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc,
                              int ySrc, int widthSrc, int heightSrc, unsigned rop) {
  Log("StretchBlt", x, y, width, height, xSrc, ySrc, widthSrc, heightSrc, Hex{rop});
  return fTarget.StretchBlt(x, y, width, height, source, xSrc, ySrc, widthSrc, heightSrc, rop);
}

bool TRecordingDC::TransparentBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc,
                                  int ySrc, int widthSrc, int heightSrc, TColorRef transparent) {
  Log("TransparentBlt", x, y, width, height, xSrc, ySrc, widthSrc, heightSrc, Colour{transparent});
  return fTarget.TransparentBlt(x, y, width, height, source, xSrc, ySrc, widthSrc, heightSrc, transparent);
}

bool TRecordingDC::DrawImage(int x, int y, const TRaster& image, const std::vector<bool>* opaque) {
  Log("DrawImage", x, y, image.Width(), image.Height());
  return fTarget.DrawImage(x, y, image, opaque);
}

bool TRecordingDC::ExtTextOut(int x, int y, unsigned options, const TRect* rect, const AnsiString& text,
                              const int* dx) {
  if (rect != nullptr) {
    Log("ExtTextOut", x, y, Hex{options}, *rect, text);
  } else {
    Log("ExtTextOut", x, y, Hex{options}, text);
  }
  return fTarget.ExtTextOut(x, y, options, rect, text, dx);
}

int TRecordingDC::DrawText(const AnsiString& text, TRect& rect, unsigned format, DRAWTEXTPARAMS* params) {
  Log("DrawText", text, rect, Hex{format});
  return fTarget.DrawText(text, rect, format, params);
}

bool TRecordingDC::DrawEdge(TRect& rect, unsigned edge, unsigned flags) {
  Log("DrawEdge", rect, Hex{edge}, Hex{flags});
  return fTarget.DrawEdge(rect, edge, flags);
}

bool TRecordingDC::DrawFrameControl(TRect& rect, unsigned type, unsigned state) {
  Log("DrawFrameControl", rect, type, Hex{state});
  return fTarget.DrawFrameControl(rect, type, state);
}

int TRecordingDC::DrawEmbossedText(const AnsiString& text, TRect& rect, unsigned format, TColorRef shadow) {
  Log("DrawEmbossedText", text, rect, Hex{format}, Colour{shadow});
  return fTarget.DrawEmbossedText(text, rect, format, shadow);
}

TRecordingCanvas::TRecordingCanvas(int width, int height)
    : fRaster(width, height), fTarget(fRaster), fRecorder(fTarget) {
  SetHandle(&fRecorder);
}

}  // namespace ordvane
