#pragma once
// Speed buttons: windowless buttons with a caption and a glyph that take no focus. A
// button with a GroupIndex stays down once clicked, and going down brings up the button
// of its group among its siblings that was down; with AllowAllUp the button that is down
// comes up again when clicked. A flat button shows raised only while the mouse is inside.

#include "classlib/ui/Controls.h"

namespace ordvane {

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// The looks of a speed button: up, disabled, down (pressed now) and exclusive (held down
// in its group). The glyph holds one picture per look, side by side, NumGlyphs of them.
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
  ORDVANE_CLASS(TSpeedButton, TGraphicControl)

 public:
  explicit TSpeedButton(TComponent* owner);

  TBitmap* Glyph() const { return fGlyph.get(); }
  void SetGlyph(const TBitmap& value);
  // 1 .. 4 pictures in the glyph.
  int NumGlyphs() const { return fNumGlyphs; }
  void SetNumGlyphs(int value);
  TButtonLayout Layout() const { return fLayout; }
  void SetLayout(TButtonLayout value);
  bool Flat() const { return fFlat; }
  void SetFlat(bool value);
  bool Transparent() const { return fTransparent; }
  void SetTransparent(bool value);
  bool Down() const { return fDown; }
  void SetDown(bool value);
  int GroupIndex() const { return fGroupIndex; }
  void SetGroupIndex(int value);
  bool AllowAllUp() const { return fAllowAllUp; }
  void SetAllowAllUp(bool value) { fAllowAllUp = value; }
  TButtonState State() const { return fState; }
  bool MouseInControl() const { return fMouseInControl; }

  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // The picture of the glyph that a look shows (0-based).
  int GlyphIndex(TButtonState state) const;
  // The glyph and the caption as one block centred in the area, moved a pixel when pressed.
  void PaintGlyphAndCaption(TCanvas& canvas, TRect area, bool pressed);

 private:
  void SetState(TButtonState value);
  // The look at rest: exclusive while down, up otherwise.
  TButtonState RestState() const { return fDown ? bsExclusive : bsUp; }

  std::unique_ptr<TBitmap> fGlyph;
  int fNumGlyphs = 1;
  TButtonLayout fLayout = blGlyphLeft;
  bool fFlat = false;
  bool fTransparent = false;
  bool fDown = false;
  int fGroupIndex = 0;
  bool fAllowAllUp = false;
  TButtonState fState = bsUp;
  bool fDragging = false;
  bool fMouseInControl = false;
};

}  // namespace ordvane
