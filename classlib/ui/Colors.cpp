#include "classlib/ui/Colors.h"

#include <array>

namespace ordvane {

namespace {

// Written as 0xRRGGBB for readability; stored as the platform's 0x00BBGGRR.
constexpr TColorRef FromRgbHex(std::uint32_t rgb) {
  return RGB(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8), static_cast<int>(rgb));
}

constexpr std::array<TColorRef, 31> kClassicScheme = {
    FromRgbHex(0xD4D0C8),  // scroll bar
    FromRgbHex(0x3A6EA5),  // desktop
    FromRgbHex(0x0A246A),  // active caption
    FromRgbHex(0x808080),  // inactive caption
    FromRgbHex(0xD4D0C8),  // menu
    FromRgbHex(0xFFFFFF),  // window
    FromRgbHex(0x000000),  // window frame
    FromRgbHex(0x000000),  // menu text
    FromRgbHex(0x000000),  // window text
    FromRgbHex(0xFFFFFF),  // caption text
    FromRgbHex(0xD4D0C8),  // active border
    FromRgbHex(0xD4D0C8),  // inactive border
    FromRgbHex(0x808080),  // application workspace
    FromRgbHex(0x0A246A),  // highlight
    FromRgbHex(0xFFFFFF),  // highlight text
    FromRgbHex(0xD4D0C8),  // button face
    FromRgbHex(0x808080),  // button shadow
    FromRgbHex(0x808080),  // gray text
    FromRgbHex(0x000000),  // button text
    FromRgbHex(0xD4D0C8),  // inactive caption text
    FromRgbHex(0xFFFFFF),  // button highlight
    FromRgbHex(0x404040),  // 3D dark shadow
    FromRgbHex(0xD4D0C8),  // 3D light
    FromRgbHex(0x000000),  // tooltip text
    FromRgbHex(0xFFFFE1),  // tooltip background
    FromRgbHex(0x000000),  // (no colour at this index)
    FromRgbHex(0x000080),  // hot-tracked item
    FromRgbHex(0xA6CAF0),  // active caption gradient
    FromRgbHex(0xC0C0C0),  // inactive caption gradient
    FromRgbHex(0x0A246A),  // flat menu highlight
    FromRgbHex(0xD4D0C8),  // menu bar
};

}  // namespace

TColorRef GetSysColor(int index) {
  if (index < 0 || index >= static_cast<int>(kClassicScheme.size())) return 0;
  return kClassicScheme[static_cast<std::size_t>(index)];
}

TColorRef ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return static_cast<TColorRef>(color);
}

}  // namespace ordvane
