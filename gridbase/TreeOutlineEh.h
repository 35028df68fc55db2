#pragma once
// The cells of a tree outline (expand boxes, connectors and lines) and their drawing.

#include "classlib/ui/Graphics.h"

namespace ordvane {

// The cells of a tree outline. The expand boxes (minus, then plus) carry the connector of
// the line kind three above them: on through the cell, up only, down only.
enum TTreeElementEh {
  tehMinusUpDown = 0,
  tehMinusUp = 1,
  tehMinusDown = 2,
  tehPlusUpDown = 3,
  tehPlusUp = 4,
  tehPlusDown = 5,
  tehCrossUpDown = 6,
  tehCrossUp = 7,
  tehCrossDown = 8,
  tehVLine = 9,
};

// Draws one cell of a tree outline (any kind outside 0 .. 9 draws nothing). Box, strokes
// and connectors grow by the scales (at least 1); connectors are dotted in the
// button-shadow colour with their dots on coordinates of the given parity, so the dots of
// neighbouring cells line up.
void DrawTreeElementEh(TCanvas* canvas, const TRect& rect, TTreeElementEh kind, int scaleX, int scaleY,
                       int dotParity);

}  // namespace ordvane
