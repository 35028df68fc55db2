#pragma once
// Regions: sets of pixels kept as horizontal bands of disjoint spans, built from
// rectangles and polygons and combined by the platform's five modes. A region is a plain
// value: the platform's region handles become TRegion objects that free themselves.

#include <climits>
#include <utility>
#include <vector>

#include "classlib/ui/Types.h"

namespace ordvane {

// Region types, as the region calls answer them.
enum : int { ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
// Combination modes.
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
// Polygon fill modes.
enum : int { ALTERNATE = 1, WINDING = 2 };

class TRegion {
 public:
  TRegion() = default;
  explicit TRegion(const TRect& rect);
  // The pixels inside the polygon by the fill mode's rule, with the corners taken as
  // pixel centres and the right and bottom sides exclusive; fewer than three points give
  // an empty region.
  static TRegion FromPolygon(const TPoint* points, int count, int fillMode, int firstRow = INT_MIN,
                             int lastRow = INT_MAX);
  // The same for a polygon with fractional corners (pixel x covers x .. x + 1), taking
  // only the rows from firstRow up to lastRow (exclusive).
  struct TPointF {
    double x;
    double y;
  };
  static TRegion FromPolygon(const std::vector<TPointF>& points, int fillMode, int firstRow = INT_MIN,
                             int lastRow = INT_MAX);
  // Several polygons filled together, their edges counted as one polygon's.
  static TRegion FromPolygons(const std::vector<std::vector<TPointF>>& polygons, int fillMode,
                              int firstRow = INT_MIN, int lastRow = INT_MAX);
  // One span [first, second) per row from top down; rows with no span are empty.
  static TRegion FromRows(int top, const std::vector<std::pair<int, int>>& rows);
  // The given pixels (in any order, repeats allowed).
  static TRegion FromPixels(std::vector<TPoint> pixels);

  // NULLREGION, SIMPLEREGION (one rectangle) or COMPLEXREGION.
  int Type() const;
  bool Empty() const { return fBands.empty(); }
  TRect Box() const;
  bool Contains(int x, int y) const;
  // True when some pixel of the rectangle lies in the region.
  bool Intersects(const TRect& rect) const;
  // The region as disjoint rectangles, top to bottom, left to right.
  std::vector<TRect> Rects() const;
  // The region's part of one rectangle, as disjoint rectangles.
  std::vector<TRect> ClipRect(const TRect& rect) const;
  void Offset(long long dx, long long dy);

  // a <mode> b; RGN_COPY takes a alone.
  static TRegion Combine(const TRegion& a, const TRegion& b, int mode);

  bool operator==(const TRegion&) const = default;

 private:
  struct Span {
    int left;
    int right;
    bool operator==(const Span&) const = default;
  };
  struct Band {
    int top;
    int bottom;
    std::vector<Span> spans;
    bool operator==(const Band&) const = default;
  };

  const Band* BandAt(int y) const;
  void AppendBand(int top, int bottom, std::vector<Span> spans);
  static std::vector<Span> CombineSpans(const std::vector<Span>& a, const std::vector<Span>& b, int mode);

  std::vector<Band> fBands;
};

// The platform's region calls over TRegion values.
TRegion CreateRectRgn(int left, int top, int right, int bottom);
TRegion CreateRectRgnIndirect(const TRect& rect);
TRegion CreatePolygonRgn(const TPoint* points, int count, int fillMode);
// dest := a <mode> b; answers the type of the result, ERROR for an unknown mode.
int CombineRgn(TRegion& dest, const TRegion& a, const TRegion& b, int mode);
int OffsetRgn(TRegion& region, int dx, int dy);
int GetRgnBox(const TRegion& region, TRect& box);
bool PtInRegion(const TRegion& region, int x, int y);
bool RectInRegion(const TRegion& region, const TRect& rect);
bool EqualRgn(const TRegion& a, const TRegion& b);

}  // namespace ordvane
