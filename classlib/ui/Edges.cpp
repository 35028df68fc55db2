// Edges and frame controls in the classic look, drawn with the context's own fills so
// that they follow its mapping and clipping.

#include <algorithm>
#include <array>
#include <utility>

#include "classlib/ui/DeviceContext.h"

namespace ordvane {

namespace {

// One ring of an edge: its colour on the top and left sides and on the bottom and right.
struct Ring {
  bool present = false;
  TColorRef topLeft = 0;
  TColorRef bottomRight = 0;
};

Ring PickRing(bool raised, bool sunken, int raisedTopLeft, int raisedBottomRight, int sunkenTopLeft,
              int sunkenBottomRight) {
  // A ring asked to be both raised and sunken is drawn raised.
  if (raised) return {true, GetSysColor(raisedTopLeft), GetSysColor(raisedBottomRight)};
  if (sunken) return {true, GetSysColor(sunkenTopLeft), GetSysColor(sunkenBottomRight)};
  return {};
}

void Recolour(Ring& ring, int topLeft, int bottomRight) {
  if (!ring.present) return;
  ring.topLeft = GetSysColor(topLeft);
  ring.bottomRight = GetSysColor(bottomRight);
}

// The outer and inner rings of an edge. An inner edge without an outer one is drawn on
// the rectangle's border.
std::pair<Ring, Ring> EdgeRings(unsigned edge, unsigned flags) {
  Ring outer = PickRing(edge & BDR_RAISEDOUTER, edge & BDR_SUNKENOUTER, COLOR_3DLIGHT, COLOR_3DDKSHADOW,
                        COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
  Ring inner = PickRing(edge & BDR_RAISEDINNER, edge & BDR_SUNKENINNER, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,
                        COLOR_3DDKSHADOW, COLOR_3DLIGHT);
  if ((flags & BF_SOFT) != 0 && outer.present && inner.present) std::swap(outer.topLeft, inner.topLeft);
  if ((flags & BF_MONO) != 0) {
    Recolour(outer, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
    Recolour(inner, COLOR_WINDOW, COLOR_WINDOW);
  } else if ((flags & BF_FLAT) != 0) {
    Recolour(outer, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
    Recolour(inner, COLOR_BTNFACE, COLOR_BTNFACE);
  }
  if (!outer.present) std::swap(outer, inner);
  return {outer, inner};
}

// The classic check mark, 7 by 7.
constexpr std::array<const char*, 7> kCheckMark = {
    "......X", ".....XX", "X...XXX", "XX.XXX.", "XXXXX..", ".XXX...", "..X....",
};

}  // namespace

bool TDeviceContext::DrawEdge(TRect& rect, unsigned edge, unsigned flags) {
  if ((flags & BF_DIAGONAL) != 0) {
    DrawDiagonalEdge(rect, edge, flags);
    return true;
  }
  auto [outer, inner] = EdgeRings(edge, flags);
  TRect r = rect;
  for (const Ring& ring : {outer, inner}) {
    if (!ring.present || IsRectEmpty(r)) continue;
    if ((flags & BF_LEFT) != 0) FillRect({r.left, r.top, r.left + 1, r.bottom}, ring.topLeft);
    if ((flags & BF_TOP) != 0) FillRect({r.left, r.top, r.right, r.top + 1}, ring.topLeft);
    if ((flags & BF_RIGHT) != 0) FillRect({r.right - 1, r.top, r.right, r.bottom}, ring.bottomRight);
    if ((flags & BF_BOTTOM) != 0) FillRect({r.left, r.bottom - 1, r.right, r.bottom}, ring.bottomRight);
    if ((flags & BF_LEFT) != 0) ++r.left;
    if ((flags & BF_TOP) != 0) ++r.top;
    if ((flags & BF_RIGHT) != 0) --r.right;
    if ((flags & BF_BOTTOM) != 0) --r.bottom;
  }
  if ((flags & BF_MIDDLE) != 0 && !IsRectEmpty(r))
    FillRect(r, GetSysColor((flags & BF_MONO) != 0 ? COLOR_WINDOW : COLOR_BTNFACE));
  if ((flags & BF_ADJUST) != 0) rect = r;
  return true;
}

// A diagonal edge runs corner to corner towards the corner its flags name; the outer
// line lies on the diagonal, the inner one a pixel beside it on the inside. Lines that
// end at the top take the top-left colours, those that end at the bottom the
// bottom-right ones; the inside is right of a top-left line and left of a bottom-right
// one, and BF_MIDDLE fills that triangle.
void TDeviceContext::DrawDiagonalEdge(const TRect& rect, unsigned edge, unsigned flags) {
  if (IsRectEmpty(rect)) return;
  bool endsTop = (flags & BF_TOP) != 0;
  bool endsRight = (flags & BF_RIGHT) != 0;
  // Corners as pixels (inclusive) for the lines, and as edges for the filled triangle.
  auto corner = [&rect](bool top, bool right, bool asEdge) {
    int x = right ? rect.right - (asEdge ? 0 : 1) : rect.left;
    int y = top ? rect.top : rect.bottom - (asEdge ? 0 : 1);
    return TPoint{x, y};
  };
  auto from = [&](bool asEdge) { return corner(!endsTop, !endsRight, asEdge); };
  auto to = [&](bool asEdge) { return corner(endsTop, endsRight, asEdge); };
  TLogPen savedPen = CurrentPen();
  TPoint savedPosition = GetCurrentPositionEx();
  if ((flags & BF_MIDDLE) != 0) {
    TLogBrush savedBrush = SelectBrush({BS_SOLID, GetSysColor(COLOR_BTNFACE)});
    SelectPen({PS_NULL, 1, 0});
    TPoint triangle[3] = {from(true), to(true), corner(!endsRight, endsTop, true)};
    Polygon(triangle, 3);
    SelectBrush(savedBrush);
  }
  auto [outer, inner] = EdgeRings(edge, flags);
  int shift = endsTop ? 1 : -1;
  int offset = 0;
  for (const Ring& ring : {outer, inner}) {
    if (!ring.present) continue;
    SelectPen({PS_SOLID, 1, endsTop ? ring.topLeft : ring.bottomRight});
    TPoint start = from(false);
    TPoint end = to(false);
    TPoint line[3] = {{start.x + offset, start.y}, {end.x + offset, end.y}, {end.x + offset + 1, end.y}};
    Polyline(line, 3);  // the extra step paints the end point as well
    offset += shift;
  }
  SelectPen(savedPen);
  MoveToEx(savedPosition.x, savedPosition.y);
}

bool TDeviceContext::DrawFrameControl(TRect& rect, unsigned type, unsigned state) {
  if (type == DFC_BUTTON && (state & 0xFF) == DFCS_BUTTONPUSH) return DrawPushButton(rect, state);
  if (type == DFC_BUTTON && ((state & 0xFF) == DFCS_BUTTONCHECK || (state & 0xFF) == DFCS_BUTTON3STATE))
    return DrawCheckBox(rect, state);
  if (type == DFC_BUTTON && (state & 0xFF) == DFCS_BUTTONRADIO) return DrawRadioButton(rect, state);
  if (type == DFC_SCROLL && (state & 0xFF) <= DFCS_SCROLLCOMBOBOX && (state & 0xFF) != 4)
    return DrawScrollArrow(rect, state);
  return false;
}

bool TDeviceContext::DrawPushButton(TRect& rect, unsigned state) {
  unsigned edge = (state & (DFCS_PUSHED | DFCS_CHECKED)) != 0 ? EDGE_SUNKEN : EDGE_RAISED;
  unsigned flags = BF_RECT | BF_SOFT | BF_MIDDLE;
  if ((state & DFCS_FLAT) != 0) flags |= BF_FLAT;
  if ((state & DFCS_MONO) != 0) flags |= BF_MONO;
  if ((state & DFCS_ADJUSTRECT) != 0) flags |= BF_ADJUST;
  return DrawEdge(rect, edge, flags);
}

// The box takes the largest square centred in the rectangle: a 2-pixel sunken edge (a
// 1-pixel frame when flat or mono), a window-coloured inside (button face when pushed or
// inactive, dithered for the third state) and the check mark scaled to the inside.
bool TDeviceContext::DrawCheckBox(const TRect& rect, unsigned state) {
  int side = std::min(rect.Width(), rect.Height());
  if (side <= 0) return true;
  TRect box =
      Bounds(rect.left + (rect.Width() - side) / 2, rect.top + (rect.Height() - side) / 2, side, side);
  bool grayed = (state & 0xFF) == DFCS_BUTTON3STATE && (state & DFCS_CHECKED) != 0;
  if ((state & (DFCS_FLAT | DFCS_MONO)) != 0) {
    FrameRect(box, GetSysColor((state & DFCS_MONO) != 0 ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW));
    InflateRect(box, -1, -1);
  } else {
    DrawEdge(box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  }
  if (IsRectEmpty(box)) return true;
  bool faceInside = (state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0;
  FillRect(box, GetSysColor(faceInside || grayed ? COLOR_BTNFACE : COLOR_WINDOW));
  if (grayed && !faceInside)
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left + ((y - box.top) & 1); x < box.right; x += 2)
        SetPixel(x, y, GetSysColor(COLOR_BTNHIGHLIGHT));
  if ((state & DFCS_CHECKED) == 0) return true;
  TColorRef ink = GetSysColor((state & DFCS_INACTIVE) != 0 || grayed ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT);
  int inside = box.Width();
  int mark = std::max(1, (inside * 7 + 4) / 9);
  int x0 = box.left + (inside - mark) / 2;
  int y0 = box.top + (box.Height() - mark) / 2;
  for (int v = 0; v < mark; ++v)
    for (int u = 0; u < mark; ++u)
      if (kCheckMark[static_cast<std::size_t>(v * 7 / mark)][u * 7 / mark] == 'X')
        SetPixel(x0 + u, y0 + v, ink);
  return true;
}

// The round button in the largest centred square: a two-pixel sunken ring (shadow and
// dark shadow above the diagonal, highlight and light below it), a window-coloured inside
// (button face when pushed or inactive) and, when checked, a dot of a third of the size.
bool TDeviceContext::DrawRadioButton(const TRect& rect, unsigned state) {
  int side = std::min(rect.Width(), rect.Height());
  if (side <= 0) return true;
  int left = rect.left + (rect.Width() - side) / 2;
  int top = rect.top + (rect.Height() - side) / 2;
  double centre = (side - 1) / 2.0;
  // Pixel centres strictly inside a circle of the given radius around the middle.
  auto inside = [centre](int x, int y, double radius) {
    return (x - centre) * (x - centre) + (y - centre) * (y - centre) < radius * radius;
  };
  double outer = side / 2.0;
  bool face = (state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0;
  bool checked = (state & DFCS_CHECKED) != 0;
  TColorRef dot = GetSysColor((state & DFCS_INACTIVE) != 0 ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      if (!inside(x, y, outer)) continue;
      bool upperLeft = x + y < side - 1;
      int colour = !inside(x, y, outer - 1)   ? (upperLeft ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT)
                   : !inside(x, y, outer - 2) ? (upperLeft ? COLOR_3DDKSHADOW : COLOR_3DLIGHT)
                   : face                     ? COLOR_BTNFACE
                                              : COLOR_WINDOW;
      TColorRef value = checked && inside(x, y, outer / 3) ? dot : GetSysColor(colour);
      SetPixel(left + x, top + y, value);
    }
  return true;
}

bool TDeviceContext::DrawScrollArrow(const TRect& rect, unsigned state) {
  if (IsRectEmpty(rect)) return true;
  TRect face = rect;
  bool pushed = (state & DFCS_PUSHED) != 0;
  if ((state & DFCS_FLAT) != 0 || pushed) {
    FrameRect(face, GetSysColor(COLOR_BTNSHADOW));
    InflateRect(face, -1, -1);
    FillRect(face, GetSysColor(COLOR_BTNFACE));
  } else {
    DrawEdge(face, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
  unsigned direction = (state & 0xFF) == DFCS_SCROLLCOMBOBOX ? DFCS_SCROLLDOWN : state & 0xFF;
  TRect glyph = rect;
  if (pushed) OffsetRect(glyph, 1, 1);
  if ((state & DFCS_INACTIVE) != 0) {
    TRect lit = glyph;
    OffsetRect(lit, 1, 1);
    DrawArrowGlyph(lit, direction, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawArrowGlyph(glyph, direction, GetSysColor(COLOR_BTNSHADOW));
  } else {
    DrawArrowGlyph(glyph, direction, GetSysColor(COLOR_BTNTEXT));
  }
  return true;
}

// A solid triangle centred in the rectangle: (side - 4) / 3 rows deep, each row two
// pixels narrower than the one before.
void TDeviceContext::DrawArrowGlyph(const TRect& rect, unsigned direction, TColorRef color) {
  int depth = std::max(1, (std::min(rect.Width(), rect.Height()) - 4) / 3);
  int cx = rect.left + rect.Width() / 2;
  int cy = rect.top + rect.Height() / 2;
  bool vertical = direction == DFCS_SCROLLUP || direction == DFCS_SCROLLDOWN;
  int start = (vertical ? cy : cx) - depth / 2;
  for (int k = 0; k < depth; ++k) {
    bool pointsForward = direction == DFCS_SCROLLDOWN || direction == DFCS_SCROLLRIGHT;
    int half = pointsForward ? depth - 1 - k : k;
    if (vertical) {
      FillRect({cx - half, start + k, cx + half + 1, start + k + 1}, color);
    } else {
      FillRect({start + k, cy - half, start + k + 1, cy + half + 1}, color);
    }
  }
}

}  // namespace ordvane
