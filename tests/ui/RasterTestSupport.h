#pragma once
// Helpers shared by the canvas tests: a bitmap-backed drawing surface and pixel queries.

#include <png.h>

#include <functional>
#include <string>

#include "classlib/ui/Graphics.h"

namespace ordvane::test {

// The plain colours the canvas tests paint and expect (0x00BBGGRR).
inline constexpr TColorRef kWhite = 0xFFFFFF;
inline constexpr TColorRef kBlack = 0x000000;
inline constexpr TColorRef kRed = 0x0000FF;

// The smallest rectangle around the pixels that differ from the background colour.
inline TRect InkBox(const TRaster& raster, TColorRef background) {
  TRect box{raster.Width(), raster.Height(), 0, 0};
  for (int y = 0; y < raster.Height(); ++y)
    for (int x = 0; x < raster.Width(); ++x)
      if (raster.Pixel(x, y) != background) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
  return IsRectEmpty(box) ? TRect{} : box;
}

inline int CountPixels(const TRaster& raster, const std::function<bool(int x, int y, TColorRef c)>& test) {
  int count = 0;
  for (int y = 0; y < raster.Height(); ++y)
    for (int x = 0; x < raster.Width(); ++x)
      if (test(x, y, raster.Pixel(x, y))) ++count;
  return count;
}

// A raster with a different colour at every pixel, so that lost or moved pixels show.
inline void FillPattern(TRaster& raster) {
  for (int y = 0; y < raster.Height(); ++y)
    for (int x = 0; x < raster.Width(); ++x)
      raster.SetPixel(x, y, static_cast<TColorRef>((x * 73 + y * 151) * 2654435761u) & 0xFFFFFF);
}

// The mirrored mapping a right-to-left control sets on its canvas: logical x lands on
// width - x.
inline void Mirror(TDeviceContext& dc, int width, int height) {
  dc.SetMapMode(MM_ANISOTROPIC);
  dc.SetViewportExtEx(width, height);
  dc.SetWindowOrgEx(width, 0);
  dc.SetWindowExtEx(-width, height);
}

// Reads a PNG file with libpng into a raster; false when it cannot be read.
inline bool ReadPng(const std::string& fileName, TRaster& raster) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, fileName.c_str()) == 0) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) return false;
  raster.SetSize(static_cast<int>(image.width), static_cast<int>(image.height));
  std::size_t i = 0;
  for (int y = 0; y < raster.Height(); ++y)
    for (int x = 0; x < raster.Width(); ++x, i += 3)
      raster.SetPixel(x, y, RGB(rgb[i], rgb[i + 1], rgb[i + 2]));
  return true;
}

}  // namespace ordvane::test
