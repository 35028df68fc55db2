#pragma once
// The project's own 32-bit raster: one 32-bit word per pixel holding the colour as
// 0x00BBGGRR (the platform's colour layout), so a colour goes in and out unchanged. In
// memory a pixel's bytes are red, green, blue, unused: the layout a host window takes
// without conversion.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "classlib/ui/Colors.h"
#include "classlib/ui/Types.h"

namespace ordvane {

// Where pixel (x, y) of a row-major image of the given width lies, computed wide, so that
// a large image cannot overflow the product.
inline std::size_t PixelIndex(int x, int y, int width) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
}

class TRaster {
 public:
  // The largest side accepted; a larger size raises EOutOfResources.
  static constexpr int kMaxSide = 32768;

  TRaster() = default;
  TRaster(int width, int height, TColorRef fill = 0xFFFFFF) { SetSize(width, height, fill); }

  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  TRect BoundsRect() const { return {0, 0, fWidth, fHeight}; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < fWidth && y < fHeight; }

  // Resizes keeping the pixels that stay inside; new pixels take the fill colour.
  // Negative sides count as 0.
  void SetSize(int width, int height, TColorRef fill = 0xFFFFFF);

  // Outside the raster a read gives 0 and a write does nothing.
  TColorRef Pixel(int x, int y) const { return Contains(x, y) ? fPixels[Index(x, y)] : 0; }
  void SetPixel(int x, int y, TColorRef color) {
    if (Contains(x, y)) fPixels[Index(x, y)] = color & 0xFFFFFF;
  }
  // Unchecked access for loops that have clipped already.
  std::uint32_t* Row(int y) {
    return fPixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(fWidth);
  }
  const std::uint32_t* Row(int y) const {
    return fPixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(fWidth);
  }

  void Fill(TColorRef color);

  bool operator==(const TRaster&) const = default;

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(fWidth) + static_cast<std::size_t>(x);
  }

  int fWidth = 0;
  int fHeight = 0;
  std::vector<std::uint32_t> fPixels;
};

}  // namespace ordvane
