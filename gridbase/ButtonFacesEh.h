#pragma once
// The faces of the edit buttons and of check boxes: button styles and what each draws,
// the default button width, and the drawing of a face or a check box, with the
// process-wide face cache.

#include "classlib/ui/Graphics.h"
#include "classlib/ui/StdButtons.h"

namespace ordvane {

enum TEditButtonStyleEh { ebsDropDownEh, ebsEllipsisEh, ebsGlyphEh, ebsUpDownEh, ebsPlusEh, ebsMinusEh };

// What DrawEditButtonControlEh draws.
enum TEditButtonDrawKindEh {
  bcsDropDownEh = 0,
  bcsEllipsisEh = 1,
  bcsUpDownEh = 2,
  bcsCheckboxEh = 3,
  bcsPlusEh = 4,
  bcsMinusEh = 5,
};

// The draw kind of a button style; ebsGlyphEh has none (the button paints its glyph).
TEditButtonDrawKindEh EditButtonDrawKindEh(TEditButtonStyleEh style);

// The default width of an edit button: the screen's default font's text height (the
// class library's default TFont) at two thirds, to the nearest integer, made odd, at
// most the vertical scroll bar's width. Measured once.
int DefaultEditButtonWidthEh();
// The same rule for a text height.
int EditButtonWidthForTextHeightEh(int textHeight);
// The width at one and a half when scaled, to the nearest integer.
int ScaleButtonWidthEh(int width, bool scaled);

// Draws a button face. `pressedPart` is 1 or 2 for the upper or lower half of an up-down
// pair, and nonzero for a pressed button of another kind; `checkState` is the state of a
// check box face. Faces come from a process-wide cache while it is enabled.
void DrawEditButtonControlEh(HDC dc, const TRect& rect, TColor background, TEditButtonDrawKindEh kind,
                             int pressedPart, bool flat, bool active, bool enabled,
                             TCheckBoxState checkState = cbUnchecked);
// The face cache: on at start; off, every face is drawn straight onto the context.
bool EditButtonFaceCacheEnabledEh();
void SetEditButtonFaceCacheEnabledEh(bool value);
// The number of faces the cache holds (for diagnostics and tests).
int EditButtonFaceCacheCountEh();

// ---- Check boxes --------------------------------------------------------------------
// The system check box's cell: a quarter of the width and a third of the height of the
// system check-box bitmap, read once.
TSize InitCheckBoxSizeEh();
// The check-box cell inside a rectangle, placed horizontally and vertically by the two
// alignments (never larger than the rectangle).
TRect CheckBoxRectEh(const TRect& rect, TAlignment alignment, TTextLayout layout);
// A check box centred in the rectangle, in the classic or the themed look.
void DrawCheckBoxEh(HDC dc, const TRect& rect, TCheckBoxState state, bool enabled, bool pressed, bool flat);

}  // namespace ordvane
