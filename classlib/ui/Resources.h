#pragma once
// Artwork compiled into the program: bitmaps and cursors drawn as rows of characters,
// one character a pixel, with a palette that gives each character its colour. A module
// registers its artwork by name (the names its code loads, such as "DBGARROWEH") from
// the unit that uses it, before loading it.

#include <string>
#include <vector>

#include "classlib/core/ScreenCursor.h"
#include "classlib/core/SysUtils.h"
#include "classlib/ui/Colors.h"
#include "classlib/ui/Raster.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(EResNotFound, Exception);

struct TArtColor {
  char key;
  TColor color;  // clNone: transparent (a cursor's mask; white in a bitmap)
};

struct TPixelArt {
  AnsiString name;
  std::vector<TArtColor> palette;
  std::vector<std::string> rows;  // all of one length
  TPoint hotSpot;                 // cursors only
};

// Registers artwork under its name, replacing an earlier one of that name. Raises
// EInvalidOperation for malformed art: rows of different lengths, or a character the
// palette lacks.
void RegisterPixelArt(TPixelArt art);
// Registered artwork, nullptr when there is none by that name.
const TPixelArt* FindPixelArt(const AnsiString& name);
// The artwork's pixels; raises EResNotFound "Resource <name> not found".
TRaster LoadArtRaster(const AnsiString& name);

// A cursor's picture: colours, which pixels are opaque, and the hot spot.
struct TCursorImage {
  TRaster image;
  std::vector<bool> opaque;  // row by row, one per pixel
  TPoint hotSpot;
  bool Opaque(int x, int y) const {
    return image.Contains(x, y) && opaque[static_cast<std::size_t>(y * image.Width() + x)];
  }
};

// The picture of a standard cursor (crDefault shows the arrow, crNone nothing, crSQLWait
// the hourglass); raises EResNotFound for a number without one.
TCursorImage LoadCursorImage(TCursor cursor);
// A cursor from registered artwork, its hot spot from the art; raises EResNotFound.
TCursorImage LoadCursorFromResourceName(const AnsiString& name);

}  // namespace ordvane
