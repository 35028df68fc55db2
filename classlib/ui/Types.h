#pragma once
// Points, sizes and rectangles of the drawing and window layers. A rectangle's right and
// bottom edges are exclusive: (0, 0, 10, 10) covers the pixels 0..9 on both axes.

#include <algorithm>
#include <limits>

namespace ordvane {

// A sum or difference of coordinates held within an int: a place far beyond any surface
// stays far beyond it instead of wrapping round.
constexpr int SaturatedInt(long long value) {
  return static_cast<int>(
      std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

struct TPoint {
  int x = 0;
  int y = 0;
  constexpr bool operator==(const TPoint&) const = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  constexpr bool operator==(const TSize&) const = default;
};

struct TRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr int Width() const { return SaturatedInt(static_cast<long long>(right) - left); }
  constexpr int Height() const { return SaturatedInt(static_cast<long long>(bottom) - top); }
  constexpr TPoint TopLeft() const { return {left, top}; }
  constexpr TPoint BottomRight() const { return {right, bottom}; }
  constexpr bool operator==(const TRect&) const = default;
};

constexpr TPoint Point(int x, int y) {
  return {x, y};
}
constexpr TRect Rect(int left, int top, int right, int bottom) {
  return {left, top, right, bottom};
}
constexpr TRect Bounds(int left, int top, int width, int height) {
  return {left, top, SaturatedInt(static_cast<long long>(left) + width),
          SaturatedInt(static_cast<long long>(top) + height)};
}

// True when the rectangle covers no pixel.
constexpr bool IsRectEmpty(const TRect& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

constexpr bool PtInRect(const TRect& r, TPoint p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The common part of two rectangles; false (and an all-zero result) when they share no pixel.
constexpr bool IntersectRect(TRect& result, const TRect& a, const TRect& b) {
  TRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
  if (IsRectEmpty(r)) {
    result = TRect{};
    return false;
  }
  result = r;
  return true;
}

// The smallest rectangle holding both; an empty rectangle does not count.
constexpr bool UnionRect(TRect& result, const TRect& a, const TRect& b) {
  if (IsRectEmpty(a)) {
    result = IsRectEmpty(b) ? TRect{} : b;
  } else if (IsRectEmpty(b)) {
    result = a;
  } else {
    result = {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
  }
  return !IsRectEmpty(result);
}

// The offsets are wide so that a caller can move a rectangle by minus any int coordinate
// (minus INT_MIN included) without overflowing on the way in.
constexpr void OffsetRect(TRect& r, long long dx, long long dy) {
  r.left = SaturatedInt(r.left + dx);
  r.right = SaturatedInt(r.right + dx);
  r.top = SaturatedInt(r.top + dy);
  r.bottom = SaturatedInt(r.bottom + dy);
}

constexpr void InflateRect(TRect& r, long long dx, long long dy) {
  r.left = SaturatedInt(r.left - dx);
  r.right = SaturatedInt(r.right + dx);
  r.top = SaturatedInt(r.top - dy);
  r.bottom = SaturatedInt(r.bottom + dy);
}

// The same rectangle with left <= right and top <= bottom.
constexpr TRect NormalizedRect(const TRect& r) {
  return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
          std::max(r.top, r.bottom)};
}

}  // namespace ordvane
