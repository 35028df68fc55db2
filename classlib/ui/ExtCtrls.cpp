#include "classlib/ui/ExtCtrls.h"

#include <algorithm>

namespace ordvane {

// TBevel

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  fControlStyle.Include(csReplicatable);
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value) {
  ChangeAndInvalidate(this, fShape, value);
}

void TBevel::SetStyle(TBevelStyle value) {
  ChangeAndInvalidate(this, fStyle, value);
}

// A lowered bevel is dark on its top and left, light on its bottom and right; a raised
// one the other way round. A frame is two such rings, one pixel apart; a line is a dark
// and a light stroke side by side.
void TBevel::Paint() {
  HDC dc = Canvas()->Handle();
  const TColorRef dark = ColorToRGB(clBtnShadow);
  const TColorRef light = ColorToRGB(clBtnHighlight);
  const TColorRef first = fStyle == bsLowered ? dark : light;
  const TColorRef second = fStyle == bsLowered ? light : dark;
  const TRect r = ClientRect();
  auto ring = [dc](TRect box, TColorRef topLeft, TColorRef bottomRight) {
    dc->FillRect(Rect(box.left, box.top, box.right - 1, box.top + 1), topLeft);
    dc->FillRect(Rect(box.left, box.top, box.left + 1, box.bottom - 1), topLeft);
    dc->FillRect(Rect(box.left, box.bottom - 1, box.right, box.bottom), bottomRight);
    dc->FillRect(Rect(box.right - 1, box.top, box.right, box.bottom), bottomRight);
  };
  switch (fShape) {
    case bsBox:
      ring(r, first, second);
      break;
    case bsFrame: {
      TRect outer = r;
      outer.right -= 1;
      outer.bottom -= 1;
      ring(outer, first, first);
      OffsetRect(outer, 1, 1);
      ring(outer, second, second);
      break;
    }
    case bsTopLine:
      dc->FillRect(Rect(r.left, r.top, r.right, r.top + 1), first);
      dc->FillRect(Rect(r.left, r.top + 1, r.right, r.top + 2), second);
      break;
    case bsBottomLine:
      dc->FillRect(Rect(r.left, r.bottom - 2, r.right, r.bottom - 1), first);
      dc->FillRect(Rect(r.left, r.bottom - 1, r.right, r.bottom), second);
      break;
    case bsLeftLine:
      dc->FillRect(Rect(r.left, r.top, r.left + 1, r.bottom), first);
      dc->FillRect(Rect(r.left + 1, r.top, r.left + 2, r.bottom), second);
      break;
    case bsRightLine:
      dc->FillRect(Rect(r.right - 2, r.top, r.right - 1, r.bottom), first);
      dc->FillRect(Rect(r.right - 1, r.top, r.right, r.bottom), second);
      break;
    case bsSpacer:
      break;
  }
}

// TPanel

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  fControlStyle.Include(csAcceptsControls).Include(csOpaque).Include(csSetCaption);
  SetParentColor(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelInner(TPanelBevel value) {
  if (ChangeAndInvalidate(this, fBevelInner, value)) Realign();
}

void TPanel::SetBevelOuter(TPanelBevel value) {
  if (ChangeAndInvalidate(this, fBevelOuter, value)) Realign();
}

void TPanel::SetBevelWidth(int value) {
  if (ChangeAndInvalidate(this, fBevelWidth, std::max(value, 1))) Realign();
}

void TPanel::SetBorderWidth(int value) {
  if (ChangeAndInvalidate(this, fBorderWidth, std::max(value, 0))) Realign();
}

void TPanel::SetAlignment(TAlignment value) {
  ChangeAndInvalidate(this, fAlignment, value);
}

int TPanel::BevelSpace() const {
  return ((fBevelOuter != bvNone ? 1 : 0) + (fBevelInner != bvNone ? 1 : 0)) * fBevelWidth + fBorderWidth;
}

void TPanel::AlignControls(TControl* control, TRect& rect) {
  InflateRect(rect, -BevelSpace(), -BevelSpace());
  TCustomControl::AlignControls(control, rect);
}

void TPanel::Dispatch(TMessage& message) {
  if (message.Msg == CM_TEXTCHANGED) Invalidate();
  TCustomControl::Dispatch(message);
}

void TPanel::Paint() {
  TCanvas* canvas = Canvas();
  HDC dc = canvas->Handle();
  TRect r = ClientRect();
  auto bevel = [&](TPanelBevel kind) {
    if (kind == bvNone) return;
    const TColorRef light = ColorToRGB(clBtnHighlight);
    const TColorRef dark = ColorToRGB(clBtnShadow);
    const TColorRef topLeft = kind == bvLowered ? dark : kind == bvRaised ? light : ColorToRGB(Color());
    const TColorRef bottomRight = kind == bvLowered ? light : kind == bvRaised ? dark : ColorToRGB(Color());
    for (int i = 0; i < fBevelWidth; ++i) {
      dc->FillRect(Rect(r.left, r.top, r.right - 1, r.top + 1), topLeft);
      dc->FillRect(Rect(r.left, r.top, r.left + 1, r.bottom - 1), topLeft);
      dc->FillRect(Rect(r.left, r.bottom - 1, r.right, r.bottom), bottomRight);
      dc->FillRect(Rect(r.right - 1, r.top, r.right, r.bottom), bottomRight);
      InflateRect(r, -1, -1);
    }
  };
  bevel(fBevelOuter);
  dc->FillRect(Rect(r.left, r.top, r.right, r.bottom), ColorToRGB(Color()));
  InflateRect(r, -fBorderWidth, -fBorderWidth);
  bevel(fBevelInner);
  dc->FillRect(r, ColorToRGB(Color()));
  if (Caption().empty()) return;
  canvas->SetFont(*Font());
  canvas->Brush()->SetStyle(bsClear);
  const unsigned align = fAlignment == taLeftJustify ? DT_LEFT : fAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
  DrawText(dc, Caption(), r, align | DT_VCENTER | DT_SINGLELINE);
  canvas->Brush()->SetStyle(bsSolid);
}

// TShape

TShape::TShape(TComponent* owner)
    : TGraphicControl(owner), fPen(std::make_unique<TPen>()), fBrush(std::make_unique<TBrush>()) {
  fControlStyle.Include(csReplicatable);
  fPen->OnChange = TNotifyEvent::Bind(this, &TShape::StyleChanged);
  fBrush->OnChange = TNotifyEvent::Bind(this, &TShape::StyleChanged);
  SetBounds(0, 0, 65, 65);
}

void TShape::SetShape(TShapeType value) {
  ChangeAndInvalidate(this, fShape, value);
}

void TShape::StyleChanged(TObject* /*sender*/) {
  Invalidate();
}

// The figure lies inside the pen: half the pen's width in from every side.
void TShape::Paint() {
  TCanvas* canvas = Canvas();
  canvas->SetPen(*fPen);
  canvas->SetBrush(*fBrush);
  const int inset = fPen->Width() / 2;
  int x = inset;
  int y = inset;
  int w = Width() - fPen->Width() + 1;
  int h = Height() - fPen->Width() + 1;
  if (fPen->Width() == 0) {
    --w;
    --h;
  }
  if (fShape == stSquare || fShape == stCircle) {
    const int side = std::min(w, h);
    x += (w - side) / 2;
    y += (h - side) / 2;
    w = h = side;
  }
  switch (fShape) {
    case stRectangle:
    case stSquare:
      canvas->Rectangle(x, y, x + w, y + h);
      break;
    case stEllipse:
    case stCircle:
      canvas->Ellipse(x, y, x + w, y + h);
      break;
  }
}

}  // namespace ordvane
