#include "classlib/ui/Buttons.h"

#include <algorithm>

namespace ordvane {

namespace {

constexpr int kSpacing = 4;

}  // namespace

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), fGlyph(std::make_unique<TBitmap>()) {
  fControlStyle = {csCaptureMouse, csDoubleClicks};
  SetParentColor(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 23, 22);
}

void TSpeedButton::SetGlyph(const TBitmap& value) {
  fGlyph->Assign(&value);
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(int value) {
  ChangeAndInvalidate(this, fNumGlyphs, std::clamp(value, 1, 4));
}

void TSpeedButton::SetLayout(TButtonLayout value) {
  ChangeAndInvalidate(this, fLayout, value);
}

void TSpeedButton::SetFlat(bool value) {
  ChangeAndInvalidate(this, fFlat, value);
}

void TSpeedButton::SetTransparent(bool value) {
  if (!ChangeAndInvalidate(this, fTransparent, value)) return;
  fControlStyle = value ? fControlStyle - TControlStyle{csOpaque} : fControlStyle + TControlStyle{csOpaque};
}

void TSpeedButton::SetGroupIndex(int value) {
  if (value == fGroupIndex) return;
  fGroupIndex = value;
  if (fGroupIndex == 0) SetDown(false);
}

void TSpeedButton::SetDown(bool value) {
  if (fGroupIndex == 0) value = false;
  if (value == fDown) return;
  if (fDown && !fAllowAllUp) return;
  fDown = value;
  SetState(RestState());
  if (!fDown || !Parent()) return;
  TMessage pressed{CM_BUTTONPRESSED, static_cast<WPARAM>(fGroupIndex), reinterpret_cast<LPARAM>(this), 0};
  Parent()->Broadcast(pressed);
}

void TSpeedButton::SetState(TButtonState value) {
  ChangeAndInvalidate(this, fState, value);
}

void TSpeedButton::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_BUTTONPRESSED: {
      auto* sender = reinterpret_cast<TSpeedButton*>(message.LParam);
      if (sender != this && static_cast<int>(message.WParam) == fGroupIndex && fDown) {
        fDown = false;
        SetState(bsUp);
      }
      return;
    }
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      if (message.LParam == 0) {
        fMouseInControl = message.Msg == CM_MOUSEENTER;
        if (fFlat) Invalidate();
      }
      break;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
      Invalidate();
      break;
    case WM_CANCELMODE:
      fDragging = false;
      SetState(RestState());
      break;
    default:
      break;
  }
  TGraphicControl::Dispatch(message);
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (!fDown) SetState(bsDown);
  fDragging = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!fDragging) return;
  if (PtInRect(ClientRect(), {x, y}))
    SetState(fDown ? bsExclusive : bsDown);
  else
    SetState(RestState());
}

// A release inside clicks; a group button also goes down (or up again with AllowAllUp).
void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!fDragging || button != mbLeft) return;
  fDragging = false;
  const bool inside = PtInRect(ClientRect(), {x, y});
  if (fGroupIndex != 0 && inside) SetDown(!fDown);
  SetState(RestState());
  if (inside) Click();
}

int TSpeedButton::GlyphIndex(TButtonState state) const {
  const int index = static_cast<int>(state);
  if (index < fNumGlyphs) return index;
  // A look without its own picture shows the down one when there is one, else the first.
  return state == bsExclusive && fNumGlyphs > 2 ? 2 : 0;
}

void TSpeedButton::Paint() {
  TCanvas* canvas = Canvas();
  HDC dc = canvas->Handle();
  TRect r = ClientRect();
  const TButtonState look = Enabled() ? fState : bsDisabled;
  const bool pressed = look == bsDown || look == bsExclusive;
  if (!(fFlat && fTransparent)) dc->FillRect(r, ColorToRGB(Color()));
  if (fFlat) {
    if (pressed)
      DrawEdge(dc, r, BDR_SUNKENOUTER, BF_RECT);
    else if (fMouseInControl && Enabled())
      DrawEdge(dc, r, BDR_RAISEDINNER, BF_RECT);
  } else {
    DrawEdge(dc, r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  }
  InflateRect(r, -2, -2);
  PaintGlyphAndCaption(*canvas, r, pressed);
}

// The glyph and the caption as one block centred in the area, the glyph on the side the
// layout gives; pressed, the block moves one pixel right and down.
void TSpeedButton::PaintGlyphAndCaption(TCanvas& canvas, TRect area, bool pressed) {
  const TButtonState look = Enabled() ? fState : bsDisabled;
  const int glyphWidth = fGlyph->Empty() ? 0 : fGlyph->Width() / fNumGlyphs;
  const int glyphHeight = fGlyph->Empty() ? 0 : fGlyph->Height();
  canvas.SetFont(*Font());
  const TSize text = Caption().empty() ? TSize{0, 0} : canvas.TextExtent(StripHotkey(Caption()));
  const bool horizontal = fLayout == blGlyphLeft || fLayout == blGlyphRight;
  const int gap = glyphWidth > 0 && text.cx > 0 ? kSpacing : 0;
  const int blockWidth = horizontal ? glyphWidth + gap + text.cx : std::max(glyphWidth, text.cx);
  const int blockHeight = horizontal ? std::max(glyphHeight, text.cy) : glyphHeight + gap + text.cy;
  TPoint block{area.left + (area.Width() - blockWidth) / 2, area.top + (area.Height() - blockHeight) / 2};
  if (pressed) block = {block.x + 1, block.y + 1};
  TPoint glyphAt = block;
  TPoint textAt = block;
  switch (fLayout) {
    case blGlyphLeft:
      glyphAt.y += (blockHeight - glyphHeight) / 2;
      textAt = {block.x + glyphWidth + gap, block.y + (blockHeight - text.cy) / 2};
      break;
    case blGlyphRight:
      glyphAt = {block.x + text.cx + gap, block.y + (blockHeight - glyphHeight) / 2};
      textAt.y += (blockHeight - text.cy) / 2;
      break;
    case blGlyphTop:
      glyphAt.x += (blockWidth - glyphWidth) / 2;
      textAt = {block.x + (blockWidth - text.cx) / 2, block.y + glyphHeight + gap};
      break;
    case blGlyphBottom:
      glyphAt = {block.x + (blockWidth - glyphWidth) / 2, block.y + text.cy + gap};
      textAt.x += (blockWidth - text.cx) / 2;
      break;
  }
  if (glyphWidth > 0) {
    TBitmap part(glyphWidth, glyphHeight);
    part.Canvas()->CopyRect(Rect(0, 0, glyphWidth, glyphHeight), *fGlyph->Canvas(),
                            Bounds(GlyphIndex(look) * glyphWidth, 0, glyphWidth, glyphHeight));
    part.SetTransparentColor(fGlyph->TransparentColor());
    part.SetTransparent(true);
    canvas.Draw(glyphAt.x, glyphAt.y, part);
  }
  if (text.cx == 0) return;
  TRect textRect = Bounds(textAt.x, textAt.y, text.cx, text.cy);
  canvas.Brush()->SetStyle(bsClear);
  canvas.Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
  DrawText(canvas.Handle(), Caption(), textRect, DT_LEFT | DT_TOP | DT_SINGLELINE);
  canvas.Brush()->SetStyle(bsSolid);
}

}  // namespace ordvane
