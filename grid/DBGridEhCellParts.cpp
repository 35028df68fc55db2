// Parts of a cell that the grid's routines draw: clipped images and edit buttons.

#include "classlib/ui/ImgList.h"
#include "grid/DBGridEh.h"

namespace ordvane {

void DrawClipImageEh(TCanvas& canvas, const TCustomImageList& images, int index, const TRect& rect,
                     TAlignment alignment, int margin) {
  if (index < 0 || index >= images.Count() || IsRectEmpty(rect)) return;
  int x = rect.left + margin;
  if (alignment == taCenter)
    x = rect.left + (rect.Width() - images.Width()) / 2;
  else if (alignment == taRightJustify)
    x = rect.right - images.Width();
  const int y = rect.top + (rect.Height() - images.Height()) / 2;
  const TDeviceContext::TClipGuard clip(*canvas.Handle(), rect);
  images.Draw(&canvas, x, y, index);
}

void DrawCellButtonEh(TCanvas& canvas, const TRect& rect, TColor background, TEditButtonStyleEh style,
                      const TBitmap* glyph, bool flat, bool enabled) {
  if (IsRectEmpty(rect)) return;
  TRect face = rect;
  if (flat) {
    canvas.Brush()->SetColor(background);
    canvas.FrameRect(face);
    InflateRect(face, -1, -1);
  }
  if (style != ebsGlyphEh) {
    DrawEditButtonControlEh(canvas.Handle(), face, background, EditButtonDrawKindEh(style), 0, flat, false,
                            enabled);
    return;
  }
  canvas.Brush()->SetColor(clBtnFace);
  if (flat)
    canvas.FillRect(face);
  else
    DrawEdge(canvas.Handle(), face, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
  if (glyph == nullptr || glyph->Empty()) return;
  const TDeviceContext::TClipGuard clip(*canvas.Handle(), face);
  canvas.Draw(face.left + (face.Width() - glyph->Width()) / 2, face.top + (face.Height() - glyph->Height()) / 2,
              *glyph);
}

}  // namespace ordvane
