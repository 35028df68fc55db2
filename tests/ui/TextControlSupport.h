#pragma once
// Text-control tests: a shown form to place controls on, and readings of what a control
// shows.

#include <memory>
#include <vector>

#include "classlib/core/CodePages.h"
#include "classlib/ui/Colors.h"
#include "classlib/ui/StdCtrls.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane::test {

struct TextControlFixture {
  UiDriver ui;
  std::unique_ptr<TForm> form{NewForm(Rect(100, 100, 500, 400))};

  TextControlFixture() {
    form->Show();
    ui.Process();
  }

  template <class Control>
  Control* Place(const TRect& bounds) {
    auto* control = new Control(form.get());
    control->SetParent(form.get());
    control->SetBounds(bounds.left, bounds.top, bounds.Width(), bounds.Height());
    ui.Process();
    return control;
  }
};

// The text as the source file writes it (UTF-8), in the ANSI code page.
inline AnsiString A(const char* utf8) {
  return Utf8ToAnsi(utf8);
}

// What a control's client area shows, row by row.
inline std::vector<std::vector<TColorRef>> ClientPixels(const TControl* control) {
  const TRaster screen = UiDriver::Screen();
  const TPoint origin = UiDriver::ScreenPoint(control, {0, 0});
  std::vector<std::vector<TColorRef>> rows(static_cast<std::size_t>(control->ClientHeight()));
  for (int y = 0; y < control->ClientHeight(); ++y)
    for (int x = 0; x < control->ClientWidth(); ++x)
      rows[static_cast<std::size_t>(y)].push_back(screen.Pixel(origin.x + x, origin.y + y));
  return rows;
}

// The leftmost client column of a control in which some pixel differs from `background`
// (-1 when none does).
inline int FirstInkColumn(const TControl* control, TColor background) {
  const auto rows = ClientPixels(control);
  const TColorRef paper = ColorToRGB(background);
  int first = -1;
  for (const auto& row : rows)
    for (int x = 0; x < static_cast<int>(row.size()); ++x)
      if (row[static_cast<std::size_t>(x)] != paper && (first < 0 || x < first)) first = x;
  return first;
}

}  // namespace ordvane::test
