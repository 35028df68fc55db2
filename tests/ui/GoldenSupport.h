#pragma once
// Pictures compared pixel for pixel with reviewed ones in tests/fixtures/ui.
// ORDVANE_UPDATE_GOLDEN=1 writes the pictures anew instead (then look at them before
// committing); a mismatch leaves the picture drawn as <name>.actual.png in the working
// folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "classlib/ui/Graphics.h"
#include "tests/support/FirebirdFixture.h"
#include "tests/ui/RasterTestSupport.h"

namespace ordvane::test {

inline void CheckGolden(const TBitmap& bitmap, const std::string& name) {
  std::string golden = FixturePath("ui/" + name + ".png");
  if (std::getenv("ORDVANE_UPDATE_GOLDEN") != nullptr) {
    SaveCanvasToPngFile(*bitmap.Canvas(), golden);
    return;
  }
  TRaster expected;
  ASSERT_TRUE(ReadPng(golden, expected)) << golden;
  if (expected == bitmap.Raster()) return;
  SaveCanvasToPngFile(*bitmap.Canvas(), name + ".actual.png");
  int differing = 0;
  if (expected.Width() == bitmap.Width() && expected.Height() == bitmap.Height())
    differing = CountPixels(
        expected, [&bitmap](int x, int y, TColorRef c) { return bitmap.Raster().Pixel(x, y) != c; });
  ADD_FAILURE() << name << ": " << differing << " pixels differ (size " << bitmap.Width() << "x"
                << bitmap.Height() << " against " << expected.Width() << "x" << expected.Height() << ")";
}

}  // namespace ordvane::test
