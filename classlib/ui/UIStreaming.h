#pragma once
// What the window layer's objects store in a form: a font's settings, a bitmap's pixels
// and the settings every control shares (place and size, visibility, colour and font
// unless taken from the parent, hint, popup menu, tab stop). A program that writes or
// reads forms of controls calls RegisterUIStreaming() once before (a second call does
// nothing).
//
// A bitmap is stored as the binary data "Data" in a form of our own, integers 32-bit
// little-endian:
//   0  4  width W
//   4  4  height H
//   8  4  pixel format, 24: three bytes a pixel, red, green, blue
//  12     the W x H pixels, rows from the top, each from the left
// An empty bitmap is not written.

#include "classlib/core/Filer.h"

namespace ordvane {

void RegisterUIStreaming();

extern const char* const kAlignmentNames[3];
extern const char* const kBiDiModeNames[4];
extern const char* const kBorderStyleNames[6];

}  // namespace ordvane
