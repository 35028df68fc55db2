#include "classlib/ui/Raster.h"

#include <algorithm>

#include "classlib/core/SysUtils.h"

namespace ordvane {

void TRaster::SetSize(int width, int height, TColorRef fill) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width > kMaxSide || height > kMaxSide) throw EOutOfResources("Out of system resources");
  if (width == fWidth && height == fHeight) return;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                                    fill & 0xFFFFFF);
  int keepWidth = std::min(width, fWidth);
  for (int y = 0; y < std::min(height, fHeight); ++y)
    std::copy_n(Row(y), keepWidth, pixels.begin() + static_cast<std::ptrdiff_t>(y) * width);
  fPixels = std::move(pixels);
  fWidth = width;
  fHeight = height;
}

void TRaster::Fill(TColorRef color) {
  std::fill(fPixels.begin(), fPixels.end(), color & 0xFFFFFF);
}

}  // namespace ordvane
