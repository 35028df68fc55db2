#include "classlib/ui/RasterDC.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "classlib/core/CodePages.h"
#include "classlib/ui/FontEngine.h"

namespace ordvane {

namespace {

using TPointF = TRegion::TPointF;

// a * b / c rounded half away from zero, as the mapping of the platform rounds.
int MulDivRound(int a, int b, int c) {
  if (c == 0) return 0;
  long long n = static_cast<long long>(a) * b;
  long long q = n / c;
  long long r = n % c;
  if (2 * std::llabs(r) >= std::llabs(static_cast<long long>(c))) q += ((n < 0) != (c < 0)) ? -1 : 1;
  return SaturatedInt(q);
}

// A truth table bit expanded to a whole colour mask.
std::uint32_t Mask(unsigned table, int bit) {
  return ((table >> bit) & 1U) != 0 ? 0xFFFFFFU : 0U;
}

// The binary raster operation: code - 1 is the truth table over (pen, destination).
std::uint32_t Rop2(int code, std::uint32_t pen, std::uint32_t dst) {
  unsigned t = static_cast<unsigned>(code - 1) & 0xF;
  return ((Mask(t, 0) & ~pen & ~dst) | (Mask(t, 1) & ~pen & dst) | (Mask(t, 2) & pen & ~dst) |
          (Mask(t, 3) & pen & dst)) &
         0xFFFFFF;
}

// The ternary raster operation: bits 16..23 are the truth table over (pattern, source,
// destination), pattern being the most significant.
std::uint32_t Rop3(unsigned rop, std::uint32_t pat, std::uint32_t src, std::uint32_t dst) {
  unsigned t = (rop >> 16) & 0xFF;
  std::uint32_t result = 0;
  for (int i = 0; i < 8; ++i) {
    if (((t >> i) & 1U) == 0) continue;
    result |= ((i & 4) != 0 ? pat : ~pat) & ((i & 2) != 0 ? src : ~src) & ((i & 1) != 0 ? dst : ~dst);
  }
  return result & 0xFFFFFF;
}

bool RopUsesPattern(unsigned rop) {
  unsigned t = (rop >> 16) & 0xFF;
  return (t >> 4) != (t & 0xF);
}

// On and off run lengths of the cosmetic pen styles.
std::vector<int> StylePattern(unsigned style) {
  switch (style & PS_STYLE_MASK) {
    case PS_DASH:
      return {18, 6};
    case PS_DOT:
      return {3, 3};
    case PS_DASHDOT:
      return {9, 6, 3, 6};
    case PS_DASHDOTDOT:
      return {9, 3, 3, 3, 3, 3};
    case PS_ALTERNATE:
      return {1, 1};
    default:
      return {};
  }
}

// A line longer than any raster is cut to the part that can reach the area (Liang and
// Barsky's clipping), so that absurd coordinates cost no more than the area itself.
constexpr int kLongLine = 1 << 16;

bool CutToArea(TPoint& a, TPoint& b, const TRect& area) {
  double t0 = 0, t1 = 1;
  double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {static_cast<double>(a.x) - area.left, area.right - 1.0 - a.x,
                       static_cast<double>(a.y) - area.top, area.bottom - 1.0 - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
  }
  if (t0 > t1) return false;
  TPoint from{static_cast<int>(std::lround(a.x + t0 * dx)), static_cast<int>(std::lround(a.y + t0 * dy))};
  TPoint to{static_cast<int>(std::lround(a.x + t1 * dx)), static_cast<int>(std::lround(a.y + t1 * dy))};
  a = from;
  b = to;
  return true;
}

// The pixels of a line from a to b, b excluded.
void TraceLine(TPoint a, TPoint b, const TRect& area, std::vector<TPoint>& out) {
  if (std::max(std::abs(static_cast<long long>(b.x) - a.x), std::abs(static_cast<long long>(b.y) - a.y)) >
      kLongLine) {
    TRect margin = area;
    InflateRect(margin, 2, 2);
    if (!CutToArea(a, b, margin)) return;
  }
  int dx = std::abs(b.x - a.x);
  int dy = -std::abs(b.y - a.y);
  int sx = a.x < b.x ? 1 : -1;
  int sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  int x = a.x;
  int y = a.y;
  while (x != b.x || y != b.y) {
    out.push_back({x, y});
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

std::vector<TPointF> Disk(TPointF centre, double radius) {
  constexpr int kSides = 24;
  std::vector<TPointF> polygon;
  for (int i = 0; i < kSides; ++i) {
    double angle = 2 * M_PI * i / kSides;
    polygon.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
  }
  return polygon;
}

// The rows of the ellipse inscribed in a rectangle: the pixels whose centres lie inside
// the ellipse through the rectangle's outer edges.
TRegion EllipseRows(const TRect& r, const TRect& area) {
  double cx = (r.left + r.right - 1) / 2.0;
  double cy = (r.top + r.bottom - 1) / 2.0;
  double ra = r.Width() / 2.0;
  double rb = r.Height() / 2.0;
  std::vector<std::pair<int, int>> rows;
  int top = std::max(r.top, area.top);
  for (int y = top; y < std::min(r.bottom, area.bottom); ++y) {
    double dy = (y - cy) / rb;
    if (std::abs(dy) >= 1) {
      rows.push_back({0, 0});
      continue;
    }
    double half = ra * std::sqrt(1 - dy * dy);
    rows.push_back({static_cast<int>(std::floor(cx - half)) + 1, static_cast<int>(std::ceil(cx + half))});
  }
  return TRegion::FromRows(top, rows);
}

// The outline of the ellipse inscribed in a rectangle as a closed path through the
// centres of its edge pixels, in drawing order, mirror-symmetric on both axes.
std::vector<TPoint> EllipsePath(const TRect& r) {
  double cx = (r.left + r.right - 1) / 2.0;
  double cy = (r.top + r.bottom - 1) / 2.0;
  double a = (r.Width() - 1) / 2.0;
  double b = (r.Height() - 1) / 2.0;
  // Enough points that neighbours are about a pixel apart, within reason.
  int steps = std::clamp((r.Width() + r.Height()) / 2, 2, 1024);
  std::vector<TPoint> quarter;  // from the right end down to the bottom end
  for (int i = 0; i <= steps; ++i) {
    double t = M_PI / 2 * i / steps;
    quarter.push_back({static_cast<int>(std::lround(cx + a * std::cos(t))),
                       static_cast<int>(std::lround(cy + b * std::sin(t)))});
  }
  int mirrorX = r.left + r.right - 1;
  int mirrorY = r.top + r.bottom - 1;
  std::vector<TPoint> path;
  auto add = [&path](TPoint p) {
    if (path.empty() || !(path.back() == p)) path.push_back(p);
  };
  for (const TPoint& p : quarter) add(p);
  for (auto it = quarter.rbegin(); it != quarter.rend(); ++it) add({mirrorX - it->x, it->y});
  for (const TPoint& p : quarter) add({mirrorX - p.x, mirrorY - p.y});
  for (auto it = quarter.rbegin(); it != quarter.rend(); ++it) add({it->x, mirrorY - it->y});
  if (path.size() > 1 && path.front() == path.back()) path.pop_back();
  return path;
}

std::uint32_t Blend(std::uint32_t dst, std::uint32_t src, unsigned coverage) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    unsigned d = (dst >> shift) & 0xFF;
    unsigned s = (src >> shift) & 0xFF;
    out |= ((s * coverage + d * (255 - coverage) + 127) / 255) << shift;
  }
  return out;
}

}  // namespace

TLogPen ExtCreatePen(unsigned style, int width, const TLogBrush& brush) {
  return {style, std::max(0, width), brush.color};
}

TRasterDC::TRasterDC(TRaster& raster) : fRaster(&raster) {}

void TRasterDC::SetDeviceOrigin(TPoint origin) {
  fDeviceOrigin = origin;
  fEffectiveDirty = true;
}

void TRasterDC::SetVisibleRegion(const TRegion* region) {
  if (region != nullptr) {
    fVisible = *region;
  } else {
    fVisible.reset();
  }
  fEffectiveDirty = true;
}

TLogPen TRasterDC::SelectPen(const TLogPen& pen) {
  return std::exchange(fPen, pen);
}
TLogBrush TRasterDC::SelectBrush(const TLogBrush& brush) {
  return std::exchange(fBrush, brush);
}
TLogFont TRasterDC::SelectFont(const TLogFont& font) {
  return std::exchange(fFont, font);
}
TColorRef TRasterDC::SetTextColor(TColorRef color) {
  return std::exchange(fTextColor, color & 0xFFFFFF);
}
TColorRef TRasterDC::SetBkColor(TColorRef color) {
  return std::exchange(fBkColor, color & 0xFFFFFF);
}

int TRasterDC::SetBkMode(int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return std::exchange(fBkMode, mode);
}

int TRasterDC::SetROP2(int mode) {
  if (mode < R2_BLACK || mode > R2_WHITE) return 0;
  return std::exchange(fRop2, mode);
}

int TRasterDC::SetPolyFillMode(int mode) {
  if (mode != ALTERNATE && mode != WINDING) return 0;
  return std::exchange(fPolyFillMode, mode);
}

int TRasterDC::SetMapMode(int mode) {
  if (mode != MM_TEXT && mode != MM_ANISOTROPIC) return 0;
  return std::exchange(fMapMode, mode);
}

TPoint TRasterDC::SetWindowOrgEx(int x, int y) {
  return std::exchange(fWindowOrg, TPoint{x, y});
}
TPoint TRasterDC::SetViewportOrgEx(int x, int y) {
  return std::exchange(fViewportOrg, TPoint{x, y});
}

// A zero extent would divide by zero: it is refused and the extent stays.
TSize TRasterDC::SetWindowExtEx(int cx, int cy) {
  if (cx == 0 || cy == 0) return fWindowExt;
  return std::exchange(fWindowExt, TSize{cx, cy});
}

TSize TRasterDC::SetViewportExtEx(int cx, int cy) {
  if (cx == 0 || cy == 0) return fViewportExt;
  return std::exchange(fViewportExt, TSize{cx, cy});
}

TPoint TRasterDC::ToDevice(TPoint p) const {
  const long long x = static_cast<long long>(p.x) - fWindowOrg.x;
  const long long y = static_cast<long long>(p.y) - fWindowOrg.y;
  if (fMapMode == MM_TEXT) return {SaturatedInt(x + fViewportOrg.x), SaturatedInt(y + fViewportOrg.y)};
  return {SaturatedInt(
              static_cast<long long>(MulDivRound(SaturatedInt(x), fViewportExt.cx, fWindowExt.cx)) +
              fViewportOrg.x),
          SaturatedInt(
              static_cast<long long>(MulDivRound(SaturatedInt(y), fViewportExt.cy, fWindowExt.cy)) +
              fViewportOrg.y)};
}

void TRasterDC::LPtoDP(TPoint* points, int count) const {
  for (int i = 0; i < count; ++i) points[i] = ToDevice(points[i]);
}

void TRasterDC::DPtoLP(TPoint* points, int count) const {
  for (int i = 0; i < count; ++i) {
    TPoint d = points[i];
    if (fMapMode == MM_TEXT) {
      points[i] = {d.x - fViewportOrg.x + fWindowOrg.x, d.y - fViewportOrg.y + fWindowOrg.y};
    } else {
      points[i] = {MulDivRound(d.x - fViewportOrg.x, fWindowExt.cx, fViewportExt.cx) + fWindowOrg.x,
                   MulDivRound(d.y - fViewportOrg.y, fWindowExt.cy, fViewportExt.cy) + fWindowOrg.y};
    }
  }
}

TPoint TRasterDC::ToSurface(TPoint logical) const {
  TPoint d = ToDevice(logical);
  return {SaturatedInt(static_cast<long long>(d.x) + fDeviceOrigin.x),
          SaturatedInt(static_cast<long long>(d.y) + fDeviceOrigin.y)};
}

TRect TRasterDC::ToSurfaceRect(const TRect& logical) const {
  TPoint a = ToSurface(logical.TopLeft());
  TPoint b = ToSurface(logical.BottomRight());
  return NormalizedRect({a.x, a.y, b.x, b.y});
}

std::vector<TPoint> TRasterDC::ToSurfacePoints(const TPoint* points, int count) const {
  std::vector<TPoint> result;
  result.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) result.push_back(ToSurface(points[i]));
  return result;
}

// The device area that "no clip region" stands for: the visible region's box, else the
// raster.
TRect TRasterDC::DeviceSurfaceBounds() const {
  if (fVisible) return fVisible->Box();
  TRect r = fRaster->BoundsRect();
  OffsetRect(r, -static_cast<long long>(fDeviceOrigin.x), -static_cast<long long>(fDeviceOrigin.y));
  return r;
}

const TRegion& TRasterDC::Clip() const {
  TSize size{fRaster->Width(), fRaster->Height()};
  if (!fEffectiveDirty && size == fEffectiveFor) return fEffectiveClip;
  TRegion clip(fRaster->BoundsRect());
  for (const std::optional<TRegion>* part : {&fVisible, &fClipRegion}) {
    if (!*part) continue;
    TRegion onSurface = **part;
    onSurface.Offset(fDeviceOrigin.x, fDeviceOrigin.y);
    clip = TRegion::Combine(clip, onSurface, RGN_AND);
  }
  fEffectiveClip = std::move(clip);
  fEffectiveFor = size;
  fEffectiveDirty = false;
  return fEffectiveClip;
}

bool TRasterDC::InClip(int x, int y) const {
  return Clip().Contains(x, y);
}

int TRasterDC::ClipChanged() {
  fEffectiveDirty = true;
  return Clip().Type();
}

int TRasterDC::GetClipRgn(TRegion& region) const {
  if (!fClipRegion) return CLIP_NONE;
  region = *fClipRegion;
  return CLIP_SET;
}

int TRasterDC::SelectClipRgn(const TRegion* region) {
  if (region != nullptr) {
    fClipRegion = *region;
  } else {
    fClipRegion.reset();
  }
  return ClipChanged();
}

int TRasterDC::ExtSelectClipRgn(const TRegion* region, int mode) {
  if (mode == RGN_COPY) return SelectClipRgn(region);
  if (region == nullptr || mode < RGN_AND || mode > RGN_DIFF) return ERROR;
  TRegion current = fClipRegion ? *fClipRegion : TRegion(DeviceSurfaceBounds());
  fClipRegion = TRegion::Combine(current, *region, mode);
  return ClipChanged();
}

int TRasterDC::IntersectClipRect(int left, int top, int right, int bottom) {
  TRegion rect(NormalizedRect({ToDevice({left, top}).x, ToDevice({left, top}).y, ToDevice({right, bottom}).x,
                               ToDevice({right, bottom}).y}));
  return ExtSelectClipRgn(&rect, RGN_AND);
}

int TRasterDC::ExcludeClipRect(int left, int top, int right, int bottom) {
  TRegion rect(NormalizedRect({ToDevice({left, top}).x, ToDevice({left, top}).y, ToDevice({right, bottom}).x,
                               ToDevice({right, bottom}).y}));
  return ExtSelectClipRgn(&rect, RGN_DIFF);
}

int TRasterDC::GetClipBox(TRect& box) const {
  const TRegion& clip = Clip();
  TRect surface = clip.Box();
  TPoint corners[2] = {{surface.left - fDeviceOrigin.x, surface.top - fDeviceOrigin.y},
                       {surface.right - fDeviceOrigin.x, surface.bottom - fDeviceOrigin.y}};
  DPtoLP(corners, 2);
  box = NormalizedRect({corners[0].x, corners[0].y, corners[1].x, corners[1].y});
  return clip.Type();
}

bool TRasterDC::RectVisible(const TRect& rect) const {
  return Clip().Intersects(ToSurfaceRect(NormalizedRect(rect)));
}

bool TRasterDC::PtVisible(int x, int y) const {
  TPoint p = ToSurface({x, y});
  return InClip(p.x, p.y);
}

void TRasterDC::Plot(int x, int y, TColorRef color) {
  if (!InClip(x, y)) return;
  std::uint32_t& pixel = fRaster->Row(y)[x];
  pixel = Rop2(fRop2, color, pixel);
}

void TRasterDC::FillSurfaceRegion(const TRegion& region, TColorRef color, bool mixWithPen) {
  TRegion visible = TRegion::Combine(region, Clip(), RGN_AND);
  for (const TRect& r : visible.Rects()) {
    for (int y = r.top; y < r.bottom; ++y) {
      std::uint32_t* row = fRaster->Row(y);
      if (!mixWithPen || fRop2 == R2_COPYPEN) {
        std::fill(row + r.left, row + r.right, color & 0xFFFFFF);
      } else {
        for (int x = r.left; x < r.right; ++x) row[x] = Rop2(fRop2, color, row[x]);
      }
    }
  }
}

std::vector<TPoint> TRasterDC::TracePath(const std::vector<TPoint>& points, bool closed) const {
  std::vector<TPoint> pixels;
  TRect area = Clip().Box();
  for (std::size_t i = 0; i + 1 < points.size(); ++i) TraceLine(points[i], points[i + 1], area, pixels);
  if (closed && points.size() > 2) TraceLine(points.back(), points.front(), area, pixels);
  return pixels;
}

void TRasterDC::PaintStyledPixels(const std::vector<TPoint>& pixels) {
  std::vector<int> pattern = StylePattern(fPen.style);
  std::size_t run = 0;
  int left = pattern.empty() ? 0 : pattern[0];
  for (const TPoint& p : pixels) {
    bool on = pattern.empty() || run % 2 == 0;
    if (on) {
      Plot(p.x, p.y, fPen.color);
    } else if (fBkMode == OPAQUE) {
      Plot(p.x, p.y, fBkColor);
    }
    if (!pattern.empty() && --left == 0) {
      run = (run + 1) % pattern.size();
      left = pattern[run];
    }
  }
}

TRegion TRasterDC::WideStroke(const std::vector<TPoint>& points, bool closed) const {
  bool geometric = (fPen.style & PS_GEOMETRIC) != 0;
  unsigned cap = geometric ? fPen.style & PS_ENDCAP_MASK : PS_ENDCAP_ROUND;
  unsigned join = geometric ? fPen.style & PS_JOIN_MASK : PS_JOIN_ROUND;
  double half = fPen.width / 2.0;
  // Geometry runs through pixel centres, so a line at x covers the pixels around x.
  std::vector<TPointF> c;
  for (const TPoint& p : points) {
    TPointF q{p.x + 0.5, p.y + 0.5};
    if (c.empty() || c.back().x != q.x || c.back().y != q.y) c.push_back(q);
  }
  if (closed && c.size() > 1 && c.front().x == c.back().x && c.front().y == c.back().y) c.pop_back();
  // The pieces, all turned the same way round, filled by the non-zero rule are their union.
  std::vector<std::vector<TPointF>> pieces;
  auto add = [&pieces](std::vector<TPointF> polygon) {
    double area = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      const TPointF& a = polygon[i];
      const TPointF& b = polygon[(i + 1) % polygon.size()];
      area += a.x * b.y - b.x * a.y;
    }
    if (area < 0) std::reverse(polygon.begin(), polygon.end());
    pieces.push_back(std::move(polygon));
  };
  TRect area = Clip().Box();
  auto result = [&pieces, &area] { return TRegion::FromPolygons(pieces, WINDING, area.top, area.bottom); };
  if (c.empty()) return {};
  if (c.size() == 1) {
    if (cap == PS_ENDCAP_ROUND) add(Disk(c[0], half));
    if (cap == PS_ENDCAP_SQUARE)
      add({{c[0].x - half, c[0].y - half},
           {c[0].x + half, c[0].y - half},
           {c[0].x + half, c[0].y + half},
           {c[0].x - half, c[0].y + half}});
    return result();
  }
  std::size_t n = c.size();
  std::size_t segments = closed && n > 2 ? n : n - 1;
  auto direction = [&c, n](std::size_t i) {
    TPointF a = c[i];
    TPointF b = c[(i + 1) % n];
    double length = std::hypot(b.x - a.x, b.y - a.y);
    return TPointF{(b.x - a.x) / length, (b.y - a.y) / length};
  };
  for (std::size_t i = 0; i < segments; ++i) {
    TPointF a = c[i];
    TPointF b = c[(i + 1) % n];
    TPointF u = direction(i);
    TPointF normal{-u.y * half, u.x * half};
    bool startCap = !(closed && n > 2) && i == 0;
    bool endCap = !(closed && n > 2) && i == segments - 1;
    if (cap == PS_ENDCAP_SQUARE) {
      if (startCap) a = {a.x - u.x * half, a.y - u.y * half};
      if (endCap) b = {b.x + u.x * half, b.y + u.y * half};
    }
    add({{a.x + normal.x, a.y + normal.y},
         {b.x + normal.x, b.y + normal.y},
         {b.x - normal.x, b.y - normal.y},
         {a.x - normal.x, a.y - normal.y}});
    if (cap == PS_ENDCAP_ROUND) {
      if (startCap) add(Disk(c[i], half));
      if (endCap) add(Disk(c[(i + 1) % n], half));
    }
  }
  std::size_t firstJoin = closed && n > 2 ? 0 : 1;
  std::size_t lastJoin = closed && n > 2 ? n : n - 1;
  for (std::size_t j = firstJoin; j < lastJoin; ++j) {
    TPointF v = c[j];
    TPointF u1 = direction((j + n - 1) % n);
    TPointF u2 = direction(j);
    if (join == PS_JOIN_ROUND) {
      add(Disk(v, half));
      continue;
    }
    for (double side : {1.0, -1.0}) {
      TPointF p1{v.x - u1.y * half * side, v.y + u1.x * half * side};
      TPointF p2{v.x - u2.y * half * side, v.y + u2.x * half * side};
      double cross = u1.x * u2.y - u1.y * u2.x;
      if (join == PS_JOIN_MITER && std::abs(cross) > 1e-9) {
        double t = ((p2.x - p1.x) * u2.y - (p2.y - p1.y) * u2.x) / cross;
        TPointF tip{p1.x + t * u1.x, p1.y + t * u1.y};
        // Beyond the mitre limit of ten half-widths the join is bevelled.
        if (std::hypot(tip.x - v.x, tip.y - v.y) <= 10 * half) {
          add({v, p1, tip, p2});
          continue;
        }
      }
      add({v, p1, p2});
    }
  }
  return result();
}

TRegion TRasterDC::StrokePath(const std::vector<TPoint>& points, bool closed) {
  if ((fPen.style & PS_STYLE_MASK) == PS_NULL) return {};
  if (fPen.width <= 1) {
    std::vector<TPoint> pixels = TracePath(points, closed);
    PaintStyledPixels(pixels);
    return TRegion::FromPixels(std::move(pixels));
  }
  TRegion covered = WideStroke(points, closed);
  FillSurfaceRegion(covered, fPen.color, true);
  return covered;
}

TPoint TRasterDC::MoveToEx(int x, int y) {
  return std::exchange(fPosition, TPoint{x, y});
}

bool TRasterDC::LineTo(int x, int y) {
  StrokePath({ToSurface(fPosition), ToSurface({x, y})}, false);
  fPosition = {x, y};
  return true;
}

bool TRasterDC::Polyline(const TPoint* points, int count) {
  if (points == nullptr || count < 2) return false;
  StrokePath(ToSurfacePoints(points, count), false);
  return true;
}

bool TRasterDC::PolyPolyline(const TPoint* points, const unsigned* counts, int strokes) {
  if (points == nullptr || counts == nullptr || strokes < 0) return false;
  const TPoint* stroke = points;
  for (int i = 0; i < strokes; ++i) {
    int count = static_cast<int>(counts[i]);
    if (count < 2) return false;
    StrokePath(ToSurfacePoints(stroke, count), false);
    stroke += count;
  }
  return true;
}

// Fills the inside less the outline with the brush, then draws the outline with the pen,
// so that no pixel is mixed twice.
bool TRasterDC::FillAndFrame(const TRegion& inside, const std::vector<TPoint>& outline) {
  TRegion covered;
  bool hasPen = (fPen.style & PS_STYLE_MASK) != PS_NULL;
  if (hasPen)
    covered = fPen.width <= 1 ? TRegion::FromPixels(TracePath(outline, true)) : WideStroke(outline, true);
  if (fBrush.style != BS_NULL)
    FillSurfaceRegion(TRegion::Combine(inside, covered, RGN_DIFF), fBrush.color, true);
  if (hasPen) StrokePath(outline, true);
  return true;
}

bool TRasterDC::Polygon(const TPoint* points, int count) {
  if (points == nullptr || count < 2) return false;
  std::vector<TPoint> outline = ToSurfacePoints(points, count);
  TRect area = Clip().Box();
  return FillAndFrame(TRegion::FromPolygon(outline.data(), count, fPolyFillMode, area.top, area.bottom),
                      outline);
}

bool TRasterDC::Rectangle(int left, int top, int right, int bottom) {
  TRect r = ToSurfaceRect({left, top, right, bottom});
  if (IsRectEmpty(r)) return true;
  // Without a pen the brush covers one pixel less at the right and the bottom.
  TRegion inside({r.left, r.top, r.right - 1, r.bottom - 1});
  return FillAndFrame(
      inside, {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1}});
}

bool TRasterDC::Ellipse(int left, int top, int right, int bottom) {
  TRect r = ToSurfaceRect({left, top, right, bottom});
  if (IsRectEmpty(r)) return true;
  TRect area = Clip().Box();
  if ((fPen.style & PS_STYLE_MASK) == PS_NULL) return FillAndFrame(EllipseRows(r, area), {});
  std::vector<TPoint> outline = EllipsePath(r);
  return FillAndFrame(TRegion::FromPolygon(outline.data(), static_cast<int>(outline.size()), ALTERNATE,
                                           area.top, area.bottom),
                      outline);
}

bool TRasterDC::FillRect(const TRect& rect, TColorRef color) {
  FillSurfaceRegion(TRegion(ToSurfaceRect(rect)), color, false);
  return true;
}

bool TRasterDC::FrameRect(const TRect& rect, TColorRef color) {
  TRect r = ToSurfaceRect(rect);
  TRect inner = r;
  InflateRect(inner, -1, -1);
  FillSurfaceRegion(TRegion::Combine(TRegion(r), TRegion(inner), RGN_DIFF), color, false);
  return true;
}

bool TRasterDC::InvertRect(const TRect& rect) {
  for (const TRect& r : Clip().ClipRect(ToSurfaceRect(rect)))
    for (int y = r.top; y < r.bottom; ++y) {
      std::uint32_t* row = fRaster->Row(y);
      for (int x = r.left; x < r.right; ++x) row[x] = ~row[x] & 0xFFFFFF;
    }
  return true;
}

bool TRasterDC::PatBlt(int x, int y, int width, int height, unsigned rop) {
  if (fBrush.style == BS_NULL && RopUsesPattern(rop)) return true;
  for (const TRect& r : Clip().ClipRect(ToSurfaceRect({x, y, x + width, y + height})))
    for (int row = r.top; row < r.bottom; ++row) {
      std::uint32_t* pixels = fRaster->Row(row);
      for (int col = r.left; col < r.right; ++col) pixels[col] = Rop3(rop, fBrush.color, 0, pixels[col]);
    }
  return true;
}

bool TRasterDC::DrawFocusRect(const TRect& rect) {
  TRect r = ToSurfaceRect(rect);
  // Every other pixel of the frame is inverted, on a checkerboard fixed to the device.
  auto toggle = [this](int x, int y) {
    if (!InClip(x, y) || ((x - fDeviceOrigin.x + y - fDeviceOrigin.y) & 1) != 0) return;
    std::uint32_t& pixel = fRaster->Row(y)[x];
    pixel = ~pixel & 0xFFFFFF;
  };
  // Only the surface's pixels can change: a frame far larger than the surface costs no
  // more than the surface.
  const int top = std::max(r.top, 0);
  const int bottom = std::min(r.bottom, fRaster->Height());
  const int left = std::max(r.left, 0);
  const int right = std::min(r.right, fRaster->Width());
  const bool twoSides = static_cast<long long>(r.right) - 1 > r.left;
  for (int y = top; y < bottom; ++y) {
    if (y == r.top || static_cast<long long>(y) == static_cast<long long>(r.bottom) - 1) {
      for (int x = left; x < right; ++x) toggle(x, y);
    } else {
      toggle(r.left, y);
      if (twoSides) toggle(r.right - 1, y);
    }
  }
  return true;
}

TColorRef TRasterDC::SetPixel(int x, int y, TColorRef color) {
  TPoint p = ToSurface({x, y});
  if (!InClip(p.x, p.y)) return CLR_INVALID;
  fRaster->SetPixel(p.x, p.y, color);
  return color & 0xFFFFFF;
}

TColorRef TRasterDC::GetPixel(int x, int y) const {
  TPoint p = ToSurface({x, y});
  if (!InClip(p.x, p.y)) return CLR_INVALID;
  return fRaster->Pixel(p.x, p.y);
}

// Copies a source rectangle of a raster (surface coordinates s0..s1) onto the logical
// rectangle (x, y, width, height), stretching by the nearest pixel and mirroring where
// the two differ in direction; op(destination pixel, source colour, source x, source y)
// writes each pixel.
template <class PixelOp>
bool TRasterDC::Blit(int x, int y, int width, int height, const TRaster& source, TPoint s0, TPoint s1,
                     PixelOp op) {
  TPoint d0 = ToSurface({x, y});
  TPoint d1 = ToSurface({x + width, y + height});
  int dw = d1.x - d0.x;
  int dh = d1.y - d0.y;
  int sw = s1.x - s0.x;
  int sh = s1.y - s0.y;
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return true;
  bool flipX = (dw < 0) != (sw < 0);
  bool flipY = (dh < 0) != (sh < 0);
  TRect dest = NormalizedRect({d0.x, d0.y, d1.x, d1.y});
  TRect from = NormalizedRect({s0.x, s0.y, s1.x, s1.y});
  // A blit within one raster reads a copy, so that overlapping areas move correctly.
  const TRaster* pixels = &source;
  TRaster copy;
  if (pixels == fRaster) {
    copy = *fRaster;
    pixels = &copy;
  }
  long long aw = dest.Width();
  long long ah = dest.Height();
  for (const TRect& r : Clip().ClipRect(dest)) {
    for (int row = r.top; row < r.bottom; ++row) {
      long long sy = (2LL * (row - dest.top) + 1) * from.Height() / (2 * ah);
      int srcRow = from.top + static_cast<int>(flipY ? from.Height() - 1 - sy : sy);
      std::uint32_t* out = fRaster->Row(row);
      for (int col = r.left; col < r.right; ++col) {
        long long sx = (2LL * (col - dest.left) + 1) * from.Width() / (2 * aw);
        int srcCol = from.left + static_cast<int>(flipX ? from.Width() - 1 - sx : sx);
        if (!pixels->Contains(srcCol, srcRow)) continue;
        op(out[col], pixels->Row(srcRow)[srcCol], srcCol, srcRow);
      }
    }
  }
  return true;
}

template <class PixelOp>
bool TRasterDC::BlitFrom(int x, int y, int width, int height, const TDeviceContext& source, int xSrc,
                         int ySrc, int widthSrc, int heightSrc, PixelOp op) {
  TPoint s[2] = {{xSrc, ySrc}, {xSrc + widthSrc, ySrc + heightSrc}};
  source.LPtoDP(s, 2);
  TPoint origin = source.SurfaceOrigin();
  for (TPoint& p : s) p = {p.x + origin.x, p.y + origin.y};
  return Blit(x, y, width, height, source.Surface(), s[0], s[1], op);
}

bool TRasterDC::BitBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc, int ySrc,
                       unsigned rop) {
  return StretchBlt(x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

bool TRasterDC::StretchBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc,
                           int ySrc, int widthSrc, int heightSrc, unsigned rop) {
  std::uint32_t pattern = fBrush.color;
  if (rop == SRCCOPY)
    return BlitFrom(x, y, width, height, source, xSrc, ySrc, widthSrc, heightSrc,
                    [](std::uint32_t& dst, std::uint32_t src, int, int) { dst = src; });
  return BlitFrom(x, y, width, height, source, xSrc, ySrc, widthSrc, heightSrc,
                  [rop, pattern](std::uint32_t& dst, std::uint32_t src, int, int) {
                    dst = Rop3(rop, pattern, src, dst);
                  });
}

bool TRasterDC::TransparentBlt(int x, int y, int width, int height, const TDeviceContext& source, int xSrc,
                               int ySrc, int widthSrc, int heightSrc, TColorRef transparent) {
  transparent &= 0xFFFFFF;
  return BlitFrom(x, y, width, height, source, xSrc, ySrc, widthSrc, heightSrc,
                  [transparent](std::uint32_t& dst, std::uint32_t src, int, int) {
                    if (src != transparent) dst = src;
                  });
}

bool TRasterDC::DrawImage(int x, int y, const TRaster& image, const std::vector<bool>* opaque) {
  int width = image.Width();
  if (opaque != nullptr &&
      opaque->size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(image.Height()))
    return false;
  return Blit(x, y, width, image.Height(), image, {0, 0}, {width, image.Height()},
              [opaque, width](std::uint32_t& dst, std::uint32_t src, int sx, int sy) {
                if (opaque == nullptr || (*opaque)[PixelIndex(sx, sy, width)]) dst = src;
              });
}

bool TRasterDC::ExtTextOut(int x, int y, unsigned options, const TRect* rect, const AnsiString& text,
                           const int* dx) {
  std::shared_ptr<TFontInstance> font = TFontInstance::For(fFont);
  const TTextMetric& tm = font->Metrics();
  if (rect != nullptr && (options & ETO_OPAQUE) != 0)
    FillSurfaceRegion(TRegion(ToSurfaceRect(*rect)), fBkColor, false);
  TRegion clip = Clip();
  if (rect != nullptr && (options & ETO_CLIPPED) != 0)
    clip = TRegion::Combine(clip, TRegion(ToSurfaceRect(*rect)), RGN_AND);

  std::u32string chars = AnsiToCodePoints(text);
  std::vector<int> advances;
  int width = 0;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    advances.push_back(dx != nullptr ? dx[i] : font->Advance(chars[i]));
    width += advances.back();
  }
  // Text runs along dir; the cell grows along down, its top-left on the reference point.
  double angle = fFont.lfEscapement * M_PI / 1800.0;
  TPointF dir{std::cos(angle), -std::sin(angle)};
  TPointF down{std::sin(angle), std::cos(angle)};
  TPoint ref = ToSurface({x, y});
  auto at = [&](double along, double across) {
    return TPointF{ref.x + along * dir.x + across * down.x, ref.y + along * dir.y + across * down.y};
  };
  auto band = [&](double from, double to) {
    return TRegion::Combine(TRegion::FromPolygon({at(0, from), at(width, from), at(width, to), at(0, to)},
                                                 WINDING, clip.Box().top, clip.Box().bottom),
                            clip, RGN_AND);
  };
  if (fBkMode == OPAQUE && width > 0) {
    TRegion cell = band(0, tm.tmHeight);
    for (const TRect& r : cell.Rects())
      for (int row = r.top; row < r.bottom; ++row)
        std::fill(fRaster->Row(row) + r.left, fRaster->Row(row) + r.right, fBkColor);
  }
  double pen = 0;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const TGlyphImage& glyph = font->Glyph(chars[i], fFont.lfEscapement);
    TPointF origin = at(pen, tm.tmAscent);
    int left = static_cast<int>(std::lround(origin.x)) + glyph.left;
    int top = static_cast<int>(std::lround(origin.y)) - glyph.top;
    for (int gy = 0; gy < glyph.height; ++gy)
      for (int gx = 0; gx < glyph.width; ++gx) {
        unsigned coverage = glyph.coverage[PixelIndex(gx, gy, glyph.width)];
        if (coverage == 0 || !clip.Contains(left + gx, top + gy)) continue;
        std::uint32_t& pixel = fRaster->Row(top + gy)[left + gx];
        pixel = Blend(pixel, fTextColor, coverage);
      }
    pen += advances[i];
  }
  auto decorate = [&](int offset) {
    TRegion line = band(tm.tmAscent + offset, tm.tmAscent + offset + font->LineThickness());
    for (const TRect& r : line.Rects())
      for (int row = r.top; row < r.bottom; ++row)
        std::fill(fRaster->Row(row) + r.left, fRaster->Row(row) + r.right, fTextColor);
  };
  if (fFont.lfUnderline) decorate(font->UnderlineOffset());
  if (fFont.lfStrikeOut) decorate(font->StrikeoutOffset());
  return true;
}

TSize TRasterDC::GetTextExtentPoint32(const AnsiString& text) {
  std::shared_ptr<TFontInstance> font = TFontInstance::For(fFont);
  int width = 0;
  for (char32_t ch : AnsiToCodePoints(text)) width += font->Advance(ch);
  return {width, font->Metrics().tmHeight};
}

bool TRasterDC::GetTextMetrics(TTextMetric& metrics) {
  metrics = TFontInstance::For(fFont)->Metrics();
  // The default character set is the one of the ANSI code page.
  Byte ansiCharset = GetAnsiCodePage() == CP_WIN1251 ? RUSSIAN_CHARSET : ANSI_CHARSET;
  metrics.tmCharSet = fFont.lfCharSet == DEFAULT_CHARSET ? ansiCharset : fFont.lfCharSet;
  return true;
}

}  // namespace ordvane
