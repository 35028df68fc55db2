#pragma once
// Visual styles. The layer draws the classic look everywhere unless a host (or a test)
// switches ThemesEnabled on; the themed elements are then drawn in a flat look of our
// own, so code that chooses between the two looks can run both ways. The elements are
// the ones the controls of this library ask for: the check box in its states and the
// header item.

#include "classlib/ui/DeviceContext.h"
#include "classlib/ui/Windows.h"

namespace ordvane {

enum TThemedButton {
  tbCheckBoxUncheckedNormal,
  tbCheckBoxUncheckedHot,
  tbCheckBoxUncheckedPressed,
  tbCheckBoxUncheckedDisabled,
  tbCheckBoxCheckedNormal,
  tbCheckBoxCheckedHot,
  tbCheckBoxCheckedPressed,
  tbCheckBoxCheckedDisabled,
  tbCheckBoxMixedNormal,
  tbCheckBoxMixedHot,
  tbCheckBoxMixedPressed,
  tbCheckBoxMixedDisabled,
};
enum TThemedHeader { thHeaderItemNormal, thHeaderItemHot };

// One element in one state, as DrawElement takes it.
struct TThemedElementDetails {
  enum class TElement { CheckBox, HeaderItem } element = TElement::CheckBox;
  int state = 0;
};

class TThemeServices {
 public:
  bool ThemesEnabled() const { return fEnabled; }
  // Takes effect at the next paint of each control.
  void SetThemesEnabled(bool value) { fEnabled = value; }

  static TThemedElementDetails GetElementDetails(TThemedButton detail);
  static TThemedElementDetails GetElementDetails(TThemedHeader detail);
  // Draws the element into the rectangle (a check box centred in it, 13 pixels square).
  void DrawElement(HDC dc, const TThemedElementDetails& details, const TRect& rect) const;
  // Fills the rectangle (client coordinates of `wnd`; the whole client area for nullptr)
  // with what the window's parent shows behind it: the parent control's colour.
  void DrawParentBackground(HWND wnd, HDC dc, const TRect* rect) const;

 private:
  bool fEnabled = false;
};

TThemeServices* ThemeServices();

// The side of the check box in either look.
constexpr int kCheckBoxSize = 13;

}  // namespace ordvane
