// PNG output of rasters and canvases, for people to look at what was drawn.

#include <png.h>

#include <vector>

#include "classlib/core/SysUtils.h"
#include "classlib/ui/Graphics.h"

namespace ordvane {

void SaveRasterToPngFile(const TRaster& raster, const AnsiString& fileName) {
  if (raster.Width() == 0 || raster.Height() == 0)
    throw EInvalidOperation("An empty picture cannot be saved as PNG");
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(raster.Width());
  image.height = static_cast<png_uint_32>(raster.Height());
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb;
  rgb.reserve(static_cast<std::size_t>(raster.Width()) * static_cast<std::size_t>(raster.Height()) * 3);
  for (int y = 0; y < raster.Height(); ++y)
    for (int x = 0; x < raster.Width(); ++x) {
      TColorRef c = raster.Pixel(x, y);
      rgb.insert(rgb.end(), {static_cast<png_byte>(GetRValue(c)), static_cast<png_byte>(GetGValue(c)),
                             static_cast<png_byte>(GetBValue(c))});
    }
  if (png_image_write_to_file(&image, fileName.c_str(), 0, rgb.data(), 0, nullptr) == 0) {
    png_image_free(&image);
    throw EFCreateError("Cannot create file \"" + fileName + "\"");
  }
}

void SaveCanvasToPngFile(const TCanvas& canvas, const AnsiString& fileName) {
  if (!canvas.HandleAllocated()) throw EInvalidOperation("Canvas does not allow drawing");
  SaveRasterToPngFile(canvas.Handle()->Surface(), fileName);
}

}  // namespace ordvane
