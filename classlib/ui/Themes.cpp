#include "classlib/ui/Themes.h"

#include "classlib/ui/Controls.h"

namespace ordvane {

namespace {

// The themed check box: a one-pixel frame (the highlight colour while hot or pressed), a
// face that darkens while pressed or disabled, and a tick or a mixed square.
void DrawFlatCheckBox(HDC dc, const TRect& rect, int state) {
  const int mark = state / 4;  // 0 clear, 1 checked, 2 mixed
  const int look = state % 4;  // 0 normal, 1 hot, 2 pressed, 3 disabled
  TRect box = Bounds(rect.left + (rect.Width() - kCheckBoxSize) / 2, rect.top + (rect.Height() - kCheckBoxSize) / 2,
                     kCheckBoxSize, kCheckBoxSize);
  dc->FillRect(box, ColorToRGB(look == 1 || look == 2 ? clHighlight : clBtnShadow));
  InflateRect(box, -1, -1);
  dc->FillRect(box, ColorToRGB(look >= 2 ? clBtnFace : clWindow));
  const TColorRef ink = ColorToRGB(look == 3 ? clGrayText : clWindowText);
  if (mark == 2) {
    TRect square = box;
    InflateRect(square, -2, -2);
    dc->FillRect(square, ink);
  } else if (mark == 1) {
    // A tick two pixels thick: down from the left, then up to the right.
    for (int i = 0; i < 7; ++i) {
      const int x = box.left + 2 + i;
      const int y = i < 3 ? box.top + 4 + i : box.top + 6 - (i - 2);
      dc->FillRect(Bounds(x, y, 1, 2), ink);
    }
  }
}

void DrawFlatHeaderItem(HDC dc, const TRect& rect, int state) {
  dc->FillRect(rect, ColorToRGB(state == 1 ? clWindow : clBtnFace));
  const TColorRef line = ColorToRGB(clBtnShadow);
  dc->FillRect(Rect(rect.left, rect.bottom - 1, rect.right, rect.bottom), line);
  dc->FillRect(Rect(rect.right - 1, rect.top + 3, rect.right, rect.bottom - 3), line);
}

}  // namespace

TThemedElementDetails TThemeServices::GetElementDetails(TThemedButton detail) {
  return {TThemedElementDetails::TElement::CheckBox, static_cast<int>(detail)};
}

TThemedElementDetails TThemeServices::GetElementDetails(TThemedHeader detail) {
  return {TThemedElementDetails::TElement::HeaderItem, static_cast<int>(detail)};
}

void TThemeServices::DrawElement(HDC dc, const TThemedElementDetails& details, const TRect& rect) const {
  if (details.element == TThemedElementDetails::TElement::CheckBox)
    DrawFlatCheckBox(dc, rect, details.state);
  else
    DrawFlatHeaderItem(dc, rect, details.state);
}

void TThemeServices::DrawParentBackground(HWND wnd, HDC dc, const TRect* rect) const {
  TRect area;
  if (rect)
    area = *rect;
  else
    GetClientRect(wnd, area);
  const TWinControl* parent = FindControl(GetParent(wnd));
  dc->FillRect(area, ColorToRGB(parent ? parent->Color() : clBtnFace));
}

TThemeServices* ThemeServices() {
  static TThemeServices services;
  return &services;
}

}  // namespace ordvane
