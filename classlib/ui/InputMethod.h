#pragma once
// Input methods: how the characters of a language with more letters than keys are
// composed. A window has a mode (whether the input method may be used while it has the
// focus) and a place for the composition window (where the person sees the text being
// composed). The layer keeps both per window; the host applies those of the focused
// window to the desktop's input method. Controls take part only under a locale whose
// writing needs an input method (FarEastLocale).

#include <optional>

#include "classlib/core/Messages.h"
#include "classlib/core/SysLocale.h"
#include "classlib/core/System.h"
#include "classlib/ui/Types.h"

namespace ordvane {

enum TImeMode {
  imDisable,
  imClose,
  imOpen,
  imDontCare,
  imSAlpha,
  imAlpha,
  imHira,
  imSKata,
  imKata,
  imChinese,
  imSHanguel,
  imHanguel
};
using TImeName = AnsiString;

// Whether a window with this mode lets the input method compose: the modes that close or
// disable it do not.
bool ImeModeComposes(TImeMode mode);

// The mode of a window (imDontCare until set, and for a window that is gone).
void SetImeMode(HWND wnd, TImeMode mode);
TImeMode ImeModeOf(HWND wnd);
// Where the composition window goes, in the window's client coordinates; none until set.
void SetImeCompositionWindow(HWND wnd, const TRect& area);
std::optional<TRect> ImeCompositionWindowOf(HWND wnd);
// The input method chosen by name (empty: the desktop's default).
void SetImeName(const TImeName& name);
TImeName ActiveImeName();

}  // namespace ordvane
