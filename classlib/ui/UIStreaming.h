#pragma once
// What the window layer's objects store in a form: a font's settings and the settings
// every control shares (place and size, visibility, colour and font unless taken from
// the parent, hint, tab stop). A program that writes or reads forms of controls calls
// RegisterUIStreaming() once before (a second call does nothing).

#include "classlib/core/Filer.h"

namespace ordvane {

void RegisterUIStreaming();

extern const char* const kAlignmentNames[3];
extern const char* const kBiDiModeNames[4];
extern const char* const kBorderStyleNames[6];

}  // namespace ordvane
