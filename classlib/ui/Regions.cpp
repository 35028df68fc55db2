#include "classlib/ui/Regions.h"

#include <algorithm>
#include <cmath>

namespace ordvane {

TRegion::TRegion(const TRect& rect) {
  if (!IsRectEmpty(rect)) fBands.push_back({rect.top, rect.bottom, {{rect.left, rect.right}}});
}

namespace {

struct Crossing {
  double x;
  int direction;  // +1 for an edge going down, -1 going up
};

// Pixel spans of one row whose centres lie between crossings, by the fill rule.
template <class Span>
std::vector<Span> RowSpans(std::vector<Crossing>& crossings, int fillMode) {
  std::sort(crossings.begin(), crossings.end(),
            [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
  std::vector<Span> spans;
  auto add = [&spans](double from, double to) {
    // Pixel x is inside when its centre x + 0.5 lies in [from, to).
    int left = static_cast<int>(std::ceil(from - 0.5));
    int right = static_cast<int>(std::ceil(to - 0.5));
    if (right <= left) return;
    if (!spans.empty() && spans.back().right >= left) {
      spans.back().right = std::max(spans.back().right, right);
    } else {
      spans.push_back({left, right});
    }
  };
  int winding = 0;
  for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
    winding += crossings[i].direction;
    bool inside = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
    if (inside) add(crossings[i].x, crossings[i + 1].x);
  }
  return spans;
}

}  // namespace

TRegion TRegion::FromPolygon(const TPoint* points, int count, int fillMode, int firstRow, int lastRow) {
  if (points == nullptr || count < 3) return {};
  // Integer corners are pixel centres, as for the lines that frame a polygon, so that
  // the outline and the inside meet without gaps; a rectangle still covers its
  // corners' pixels up to but not including the right and bottom.
  std::vector<TPointF> corners;
  corners.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) corners.push_back({points[i].x + 0.5, points[i].y + 0.5});
  return FromPolygon(corners, fillMode, firstRow, lastRow);
}

TRegion TRegion::FromPolygon(const std::vector<TPointF>& points, int fillMode, int firstRow, int lastRow) {
  return FromPolygons({points}, fillMode, firstRow, lastRow);
}

TRegion TRegion::FromPolygons(const std::vector<std::vector<TPointF>>& polygons, int fillMode, int firstRow,
                              int lastRow) {
  struct Edge {
    TPointF a;
    TPointF b;
  };
  std::vector<Edge> edges;
  double minY = 0;
  double maxY = 0;
  for (const std::vector<TPointF>& points : polygons) {
    if (points.size() < 3) continue;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const TPointF& a = points[i];
      const TPointF& b = points[(i + 1) % points.size()];
      // Edges that cannot cross a wanted row are of no use.
      if (a.y == b.y || std::max(a.y, b.y) < firstRow ||
          std::min(a.y, b.y) > static_cast<double>(lastRow) + 1)
        continue;
      minY = edges.empty() ? std::min(a.y, b.y) : std::min({minY, a.y, b.y});
      maxY = edges.empty() ? std::max(a.y, b.y) : std::max({maxY, a.y, b.y});
      edges.push_back({a, b});
    }
  }
  TRegion region;
  if (edges.empty()) return region;
  // Row y is sampled at its centre y + 0.5.
  int top = static_cast<int>(
      std::clamp(std::ceil(minY - 0.5), static_cast<double>(firstRow), static_cast<double>(lastRow)));
  int bottom = static_cast<int>(
      std::clamp(std::ceil(maxY - 0.5), static_cast<double>(top), static_cast<double>(lastRow)));
  std::vector<Crossing> crossings;
  for (int y = top; y < bottom; ++y) {
    double centre = y + 0.5;
    crossings.clear();
    for (const Edge& edge : edges) {
      const TPointF& a = edge.a;
      const TPointF& b = edge.b;
      if (centre < std::min(a.y, b.y) || centre >= std::max(a.y, b.y)) continue;
      double x = a.x + (centre - a.y) * (b.x - a.x) / (b.y - a.y);
      crossings.push_back({x, b.y > a.y ? 1 : -1});
    }
    region.AppendBand(y, y + 1, RowSpans<Span>(crossings, fillMode));
  }
  return region;
}

TRegion TRegion::FromRows(int top, const std::vector<std::pair<int, int>>& rows) {
  TRegion region;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    int y = top + static_cast<int>(i);
    if (rows[i].second > rows[i].first) region.AppendBand(y, y + 1, {{rows[i].first, rows[i].second}});
  }
  return region;
}

TRegion TRegion::FromPixels(std::vector<TPoint> pixels) {
  std::sort(pixels.begin(), pixels.end(),
            [](const TPoint& a, const TPoint& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  TRegion region;
  std::size_t i = 0;
  while (i < pixels.size()) {
    int y = pixels[i].y;
    std::vector<Span> spans;
    for (; i < pixels.size() && pixels[i].y == y; ++i) {
      int x = pixels[i].x;
      if (!spans.empty() && spans.back().right >= x) {
        spans.back().right = std::max(spans.back().right, x + 1);
      } else {
        spans.push_back({x, x + 1});
      }
    }
    region.AppendBand(y, y + 1, std::move(spans));
  }
  return region;
}

int TRegion::Type() const {
  if (fBands.empty()) return NULLREGION;
  return fBands.size() == 1 && fBands[0].spans.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

TRect TRegion::Box() const {
  if (fBands.empty()) return {};
  TRect box{fBands.front().spans.front().left, fBands.front().top, fBands.front().spans.back().right,
            fBands.back().bottom};
  for (const Band& band : fBands) {
    box.left = std::min(box.left, band.spans.front().left);
    box.right = std::max(box.right, band.spans.back().right);
  }
  return box;
}

const TRegion::Band* TRegion::BandAt(int y) const {
  auto it = std::upper_bound(fBands.begin(), fBands.end(), y,
                             [](int value, const Band& band) { return value < band.bottom; });
  if (it == fBands.end() || y < it->top) return nullptr;
  return &*it;
}

bool TRegion::Contains(int x, int y) const {
  const Band* band = BandAt(y);
  if (band == nullptr) return false;
  auto it = std::upper_bound(band->spans.begin(), band->spans.end(), x,
                             [](int value, const Span& span) { return value < span.right; });
  return it != band->spans.end() && x >= it->left;
}

bool TRegion::Intersects(const TRect& rect) const {
  return !ClipRect(rect).empty();
}

std::vector<TRect> TRegion::Rects() const {
  std::vector<TRect> rects;
  for (const Band& band : fBands)
    for (const Span& span : band.spans) rects.push_back({span.left, band.top, span.right, band.bottom});
  return rects;
}

std::vector<TRect> TRegion::ClipRect(const TRect& rect) const {
  std::vector<TRect> rects;
  if (IsRectEmpty(rect)) return rects;
  for (const Band& band : fBands) {
    if (band.bottom <= rect.top) continue;
    if (band.top >= rect.bottom) break;
    for (const Span& span : band.spans) {
      TRect part;
      if (IntersectRect(part, rect, {span.left, band.top, span.right, band.bottom})) rects.push_back(part);
    }
  }
  return rects;
}

// Coordinates pushed past the int range stop at its ends; a band or span squeezed
// against an end covers nothing there and is dropped, and the bands are rebuilt so that
// rows that now look alike are one band again.
void TRegion::Offset(long long dx, long long dy) {
  std::vector<Band> bands = std::move(fBands);
  fBands.clear();
  for (Band& band : bands) {
    std::vector<Span> spans;
    for (const Span& span : band.spans) {
      const Span moved{SaturatedInt(span.left + dx), SaturatedInt(span.right + dx)};
      if (moved.left < moved.right) spans.push_back(moved);
    }
    AppendBand(SaturatedInt(band.top + dy), SaturatedInt(band.bottom + dy), std::move(spans));
  }
}

void TRegion::AppendBand(int top, int bottom, std::vector<Span> spans) {
  if (spans.empty() || bottom <= top) return;
  if (!fBands.empty() && fBands.back().bottom == top && fBands.back().spans == spans) {
    fBands.back().bottom = bottom;
    return;
  }
  fBands.push_back({top, bottom, std::move(spans)});
}

std::vector<TRegion::Span> TRegion::CombineSpans(const std::vector<Span>& a, const std::vector<Span>& b,
                                                 int mode) {
  std::vector<int> edges;
  for (const Span& s : a) edges.insert(edges.end(), {s.left, s.right});
  for (const Span& s : b) edges.insert(edges.end(), {s.left, s.right});
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  auto inside = [](const std::vector<Span>& spans, int x) {
    auto it = std::upper_bound(spans.begin(), spans.end(), x,
                               [](int value, const Span& s) { return value < s.right; });
    return it != spans.end() && x >= it->left;
  };
  std::vector<Span> result;
  for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
    bool inA = inside(a, edges[i]);
    bool inB = inside(b, edges[i]);
    bool keep = mode == RGN_AND   ? inA && inB
                : mode == RGN_OR  ? inA || inB
                : mode == RGN_XOR ? inA != inB
                                  : inA && !inB;
    if (!keep) continue;
    if (!result.empty() && result.back().right == edges[i]) {
      result.back().right = edges[i + 1];
    } else {
      result.push_back({edges[i], edges[i + 1]});
    }
  }
  return result;
}

TRegion TRegion::Combine(const TRegion& a, const TRegion& b, int mode) {
  if (mode == RGN_COPY) return a;
  std::vector<int> ys;
  for (const TRegion* r : {&a, &b})
    for (const Band& band : r->fBands) ys.insert(ys.end(), {band.top, band.bottom});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  static const std::vector<Span> kNone;
  TRegion result;
  for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
    const Band* bandA = a.BandAt(ys[i]);
    const Band* bandB = b.BandAt(ys[i]);
    result.AppendBand(ys[i], ys[i + 1],
                      CombineSpans(bandA ? bandA->spans : kNone, bandB ? bandB->spans : kNone, mode));
  }
  return result;
}

TRegion CreateRectRgn(int left, int top, int right, int bottom) {
  return TRegion(NormalizedRect({left, top, right, bottom}));
}

TRegion CreateRectRgnIndirect(const TRect& rect) {
  return TRegion(NormalizedRect(rect));
}

TRegion CreatePolygonRgn(const TPoint* points, int count, int fillMode) {
  return TRegion::FromPolygon(points, count, fillMode);
}

int CombineRgn(TRegion& dest, const TRegion& a, const TRegion& b, int mode) {
  if (mode < RGN_AND || mode > RGN_COPY) return ERROR;
  dest = TRegion::Combine(a, b, mode);
  return dest.Type();
}

int OffsetRgn(TRegion& region, int dx, int dy) {
  region.Offset(dx, dy);
  return region.Type();
}

int GetRgnBox(const TRegion& region, TRect& box) {
  box = region.Box();
  return region.Type();
}

bool PtInRegion(const TRegion& region, int x, int y) {
  return region.Contains(x, y);
}
bool RectInRegion(const TRegion& region, const TRect& rect) {
  return region.Intersects(NormalizedRect(rect));
}
bool EqualRgn(const TRegion& a, const TRegion& b) {
  return a == b;
}

}  // namespace ordvane
