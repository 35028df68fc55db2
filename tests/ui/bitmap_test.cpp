// Drawing objects, bitmaps, image lists, artwork, cursors and PNG output.

#include <gtest/gtest.h>

#include "classlib/ui/ImgList.h"
#include "classlib/ui/Resources.h"
#include "tests/support/FirebirdFixture.h"
#include "tests/ui/RasterTestSupport.h"

namespace ordvane {
namespace {

using test::kWhite;
using test::kRed;
constexpr TColorRef kFuchsia = 0xFF00FF;

// A bitmap drawn from rows of characters: '.' fuchsia, 'R' red, 'K' black, 'G' gray,
// 'W' white.
std::unique_ptr<TBitmap> Picture(const std::vector<std::string>& rows) {
  auto bitmap = std::make_unique<TBitmap>(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (std::size_t y = 0; y < rows.size(); ++y)
    for (std::size_t x = 0; x < rows[y].size(); ++x) {
      char c = rows[y][x];
      TColor color = c == 'R'   ? clRed
                     : c == 'K' ? clBlack
                     : c == 'G' ? clGray
                     : c == 'W' ? clWhite
                                : clFuchsia;
      bitmap->Canvas()->SetPixels(static_cast<int>(x), static_cast<int>(y), color);
    }
  return bitmap;
}

TEST(DrawingObjects, PropertiesNotifyOncePerChangeAndConvertSizes) {
  TFont font;
  int changes = 0;
  font.OnChange = [&changes](TObject*) { ++changes; };
  EXPECT_EQ(font.Name(), "MS Sans Serif");
  EXPECT_EQ(font.Size(), 8);
  EXPECT_EQ(font.Height(), -11);
  font.SetSize(10);
  EXPECT_EQ(font.Height(), -13);
  font.SetHeight(-13);  // no change, no notification
  font.SetStyle({fsBold, fsUnderline});
  EXPECT_EQ(changes, 2);
  TLogFont logFont = font.LogFont();
  EXPECT_EQ(logFont.lfWeight, FW_BOLD);
  EXPECT_TRUE(logFont.lfUnderline);
  logFont.lfEscapement = 900;
  logFont.lfItalic = true;
  logFont.lfWeight = FW_NORMAL;
  font.SetLogFont(logFont);
  EXPECT_EQ(font.Orientation(), 900);
  EXPECT_EQ(font.Style(), (TFontStyles{fsItalic, fsUnderline}));

  TBrush brush;
  brush.SetStyle(bsClear);
  brush.SetColor(clRed);  // a colour makes the brush solid again
  EXPECT_EQ(brush.Style(), bsSolid);

  TPen pen;
  pen.SetLogPen(
      ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER | PS_DOT, 2, {BS_SOLID, 0x00FF00}));
  EXPECT_EQ(pen.Style(), psDot);
  EXPECT_EQ(pen.LogPen().style, unsigned(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER | PS_DOT));
  pen.SetStyle(psSolid);
  EXPECT_EQ(pen.LogPen().style, unsigned(PS_SOLID));
  pen.SetMode(pmXor);
  EXPECT_EQ(pen.Rop2(), R2_XORPEN);
  pen.SetMode(pmNotXor);
  EXPECT_EQ(pen.Rop2(), R2_NOTXORPEN);

  TCanvas unattached;
  EXPECT_THROW(unattached.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
}

TEST(CanvasDrawing, PenModeXorAndPixels) {
  TBitmap bitmap(10, 10);
  TCanvas* canvas = bitmap.Canvas();
  canvas->Pen()->SetMode(pmXor);
  canvas->Pen()->SetColor(clWhite);
  canvas->MoveTo(0, 5);
  canvas->LineTo(10, 5);
  EXPECT_EQ(canvas->Pixels(3, 5), clBlack);
  canvas->MoveTo(0, 5);
  canvas->LineTo(10, 5);
  EXPECT_EQ(canvas->Pixels(3, 5), clWhite);
  canvas->SetPixels(2, 2, clBtnFace);
  EXPECT_EQ(canvas->Pixels(2, 2), static_cast<TColor>(ColorToRGB(clBtnFace)));
  EXPECT_EQ(canvas->Pixels(20, 2), static_cast<TColor>(CLR_INVALID));
  EXPECT_EQ(canvas->ClipRect(), Rect(0, 0, 10, 10));
}

TEST(Bitmap, TransparentDrawLeavesTheTransparentColourOut) {
  auto sprite = Picture({"....", ".RR.", ".RK.", "...."});
  TBitmap target(10, 10);
  target.Canvas()->Brush()->SetColor(clAqua);
  target.Canvas()->FillRect(Rect(0, 0, 10, 10));
  sprite->SetTransparent(true);
  EXPECT_EQ(sprite->TransparentColor(), clFuchsia);  // the bottom-left pixel
  target.Canvas()->Draw(3, 3, *sprite);
  EXPECT_EQ(target.Raster().Pixel(3, 3), ColorToRGB(clAqua));
  EXPECT_EQ(target.Raster().Pixel(4, 4), kRed);
  EXPECT_EQ(target.Raster().Pixel(5, 5), 0u);
  EXPECT_EQ(test::CountPixels(target.Raster(), [](int, int, TColorRef c) { return c == kFuchsia; }), 0);
  // A fixed transparent colour wins over the corner pixel.
  sprite->SetTransparentColor(clRed);
  EXPECT_EQ(sprite->TransparentMode(), tmFixed);
  target.Canvas()->Draw(0, 0, *sprite);
  EXPECT_EQ(target.Raster().Pixel(0, 0), kFuchsia);
  EXPECT_EQ(target.Raster().Pixel(1, 1), ColorToRGB(clAqua));  // red is transparent now
}

TEST(Bitmap, StretchDrawAndCopyRectFollowCopyMode) {
  auto source = Picture({"RK", "KR"});
  TBitmap target(8, 8);
  target.Canvas()->StretchDraw(Rect(0, 0, 4, 4), *source);
  EXPECT_EQ(target.Raster().Pixel(1, 1), kRed);
  EXPECT_EQ(target.Raster().Pixel(2, 1), 0u);
  EXPECT_EQ(target.Raster().Pixel(3, 3), kRed);
  target.Canvas()->SetCopyMode(cmSrcInvert);
  target.Canvas()->CopyRect(Rect(4, 4, 6, 6), *source->Canvas(), Rect(0, 0, 2, 2));
  EXPECT_EQ(target.Raster().Pixel(4, 4), kRed ^ kWhite);
  EXPECT_EQ(target.Raster().Pixel(5, 4), kWhite);
  // Resizing keeps the pixels and whitens the new ones.
  source->SetSize(3, 3);
  EXPECT_EQ(source->Raster().Pixel(0, 0), kRed);
  EXPECT_EQ(source->Raster().Pixel(2, 2), kWhite);
  TBitmap copy;
  copy.Assign(source.get());
  TFont font;
  EXPECT_THROW(copy.Assign(&font), EConvertError);  // a font is no bitmap
  EXPECT_EQ(copy.Raster(), source->Raster());
  copy.Canvas()->FillRect(Rect(0, 0, 3, 3));  // the copy draws on its own pixels
  EXPECT_EQ(source->Raster().Pixel(0, 0), kRed);
}

TEST(ImageList, AddMaskedCutsTheBitmapIntoImages) {
  TImageList list(nullptr, 4, 3);
  int changes = 0;
  list.OnChange = [&changes](TObject*) { ++changes; };
  auto strip = Picture({"R..RK..KG..G", ".RR..KK..GG.", "R..RK..KG..G"});
  EXPECT_EQ(list.AddMasked(*strip, clFuchsia), 0);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.AddMasked(*strip, clDefault), 3);  // the bottom-left pixel, red, is transparent
  EXPECT_EQ(changes, 2);

  TBitmap target(10, 5);
  list.Draw(target.Canvas(), 2, 1, 1);
  EXPECT_EQ(target.Raster().Pixel(2, 1), 0u);
  EXPECT_EQ(target.Raster().Pixel(3, 1), kWhite);  // transparent
  EXPECT_EQ(test::InkBox(target.Raster(), kWhite), Rect(2, 1, 6, 4));
  TBitmap other(10, 5);
  list.Draw(other.Canvas(), 0, 0, 3);
  EXPECT_EQ(other.Raster().Pixel(0, 0), kWhite);
  EXPECT_EQ(other.Raster().Pixel(1, 0), kFuchsia);
  list.Draw(other.Canvas(), 0, 0, 17);  // an index outside the list draws nothing
  list.Draw(other.Canvas(), 0, 0, -1);

  // With a mask bitmap, white is transparent.
  auto picture = Picture({"RRRR", "RRRR", "RRRR"});
  auto mask = Picture({"KKKK", "....", "KKKK"});
  mask->Canvas()->Brush()->SetColor(clWhite);
  mask->Canvas()->FillRect(Rect(0, 1, 4, 2));
  TImageList masked(nullptr, 4, 3);
  masked.Add(*picture, mask.get());
  TBitmap m(4, 3);
  m.Canvas()->Brush()->SetColor(clBlue);
  m.Canvas()->FillRect(Rect(0, 0, 4, 3));
  masked.Draw(m.Canvas(), 0, 0, 0);
  EXPECT_EQ(m.Raster().Pixel(1, 0), kRed);
  EXPECT_EQ(m.Raster().Pixel(1, 1), ColorToRGB(clBlue));
}

TEST(ImageList, ImagesFollowAMirroredMapping) {
  TImageList list(nullptr, 4, 1);
  list.AddMasked(*Picture({"RK.G"}), clFuchsia);
  TBitmap target(10, 1);
  test::Mirror(*target.Canvas()->Handle(), 10, 1);
  list.Draw(target.Canvas(), 0, 0, 0);
  // Logical columns 0..3 are device columns 9..6, the picture read backwards.
  std::string row;
  for (int x = 0; x < 10; ++x) {
    TColorRef c = target.Raster().Pixel(x, 0);
    row += c == kRed ? 'R' : c == 0 ? 'K' : c == ColorToRGB(clGray) ? 'G' : '.';
  }
  EXPECT_EQ(row, "......G.KR");
}

TEST(ImageList, DisabledImagesShowTheirDarkPixelsEmbossed) {
  TImageList list(nullptr, 4, 4);
  list.AddMasked(*Picture({"K...", ".K..", "..W.", "...."}), clFuchsia);
  TBitmap target(6, 6);
  target.Canvas()->Brush()->SetColor(clBtnFace);
  target.Canvas()->FillRect(Rect(0, 0, 6, 6));
  list.Draw(target.Canvas(), 0, 0, 0, false);
  EXPECT_EQ(target.Raster().Pixel(0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(target.Raster().Pixel(1, 1), ColorToRGB(clBtnShadow));
  EXPECT_EQ(target.Raster().Pixel(2, 2), ColorToRGB(clBtnHighlight));  // the highlight of (1, 1)
  EXPECT_EQ(target.Raster().Pixel(3, 3), ColorToRGB(clBtnFace));
}

TEST(ImageList, ReplaceDeleteResizeAndBadIndexes) {
  TImageList list(nullptr, 2, 2);
  list.AddMasked(*Picture({"RRKKGG", "RRKKGG"}), clFuchsia);
  list.ReplaceMasked(0, *Picture({"GG", "GG"}), clFuchsia);
  list.Delete(1);
  EXPECT_EQ(list.Count(), 2);
  TBitmap target(2, 2);
  list.Draw(target.Canvas(), 0, 0, 1);
  EXPECT_EQ(target.Raster().Pixel(0, 0), ColorToRGB(clGray));
  EXPECT_THROW(list.Delete(2), EInvalidOperation);
  EXPECT_THROW(list.ReplaceMasked(-1, target, clNone), EInvalidOperation);
  try {
    list.Delete(5);
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Invalid ImageList Index");
  }
  list.SetSize(3, 3);
  EXPECT_EQ(list.Count(), 0);
}

TEST(ImageList, ChangeLinksHearChangesAndSurviveEitherSideDying) {
  auto list = std::make_unique<TImageList>(nullptr, 2, 2);
  auto link = std::make_unique<TChangeLink>();
  int heard = 0;
  link->OnChange = [&heard, &list](TObject* sender) {
    EXPECT_EQ(sender, static_cast<TObject*>(list.get()));
    ++heard;
  };
  list->RegisterChanges(link.get());
  list->RegisterChanges(link.get());  // once only
  EXPECT_EQ(link->Sender(), list.get());
  list->AddMasked(*Picture({"RR", "RR"}), clFuchsia);
  list->Clear();
  EXPECT_EQ(heard, 2);
  link.reset();  // the link leaves first: the list must not call it again
  list->AddMasked(*Picture({"RR", "RR"}), clFuchsia);
  EXPECT_EQ(heard, 2);

  TChangeLink survivor;
  list->RegisterChanges(&survivor);
  list.reset();  // the list leaves first: the link forgets it
  EXPECT_EQ(survivor.Sender(), nullptr);
}

TEST(Resources, RegisteredArtLoadsIntoBitmapsAndCursors) {
  RegisterPixelArt({"TESTARROW",
                    {{'.', clWhite}, {'X', clBlack}, {'r', clRed}, {' ', clNone}},
                    {"X.. ", "XXr ", "X.. "},
                    {1, 1}});
  TBitmap bitmap;
  bitmap.LoadFromResourceName("TESTARROW");
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.Raster().Pixel(2, 1), kRed);
  EXPECT_EQ(bitmap.Raster().Pixel(3, 1), kWhite);  // transparent art reads as white in a bitmap
  TCursorImage cursor = LoadCursorFromResourceName("TESTARROW");
  EXPECT_EQ(cursor.hotSpot, Point(1, 1));
  EXPECT_TRUE(cursor.Opaque(0, 0));
  EXPECT_FALSE(cursor.Opaque(3, 0));
  EXPECT_FALSE(cursor.Opaque(9, 9));

  try {
    bitmap.LoadFromResourceName("NOSUCHART");
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource NOSUCHART not found");
  }
  EXPECT_EQ(bitmap.Width(), 4);  // a failed load leaves the bitmap as it was
  EXPECT_THROW(RegisterPixelArt({"BAD", {{'.', clWhite}}, {"..", "..."}, {}}), EInvalidOperation);
  EXPECT_THROW(RegisterPixelArt({"BAD", {{'.', clWhite}}, {"..", ".x"}, {}}), EInvalidOperation);
  EXPECT_EQ(FindPixelArt("BAD"), nullptr);
}

TEST(Resources, TheSystemCheckBoxBitmapHoldsTwelveButtons) {
  TBitmap boxes;
  boxes.LoadFromOemBitmap(OBM_CHECKBOXES);
  EXPECT_EQ(boxes.Width() / 4, 13);  // the check-box size, as a grid measures it
  EXPECT_EQ(boxes.Height() / 3, 13);
  // The second cell is the checked box DrawFrameControl draws.
  TBitmap checked(13, 13);
  TRect cell = Rect(0, 0, 13, 13);
  DrawFrameControl(checked.Canvas()->Handle(), cell, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(boxes.Raster().Pixel(13 + x, y), checked.Raster().Pixel(x, y));
  EXPECT_THROW(boxes.LoadFromOemBitmap(1), EResNotFound);
}

TEST(Cursors, StandardCursorsHaveAPictureAroundTheirHotSpot) {
  for (TCursor id : {crDefault, crArrow, crCross, crIBeam, crSizeNESW, crSizeNS, crSizeNWSE, crSizeWE,
                     crUpArrow, crHourGlass, crHSplit, crVSplit, crSQLWait, crSizeAll}) {
    TCursorImage cursor = LoadCursorImage(id);
    EXPECT_GT(cursor.image.Width(), 0) << id;
    EXPECT_TRUE(PtInRect(cursor.image.BoundsRect(), cursor.hotSpot)) << id;
  }
  TCursorImage arrow = LoadCursorImage(crArrow);
  EXPECT_TRUE(arrow.Opaque(0, 0));
  EXPECT_EQ(arrow.hotSpot, Point(0, 0));
  TCursorImage split = LoadCursorImage(crVSplit);
  TCursorImage hsplit = LoadCursorImage(crHSplit);
  EXPECT_EQ(split.image.Width(), hsplit.image.Height());  // the same picture turned
  EXPECT_EQ(LoadCursorImage(crNone).image.Width(), 0);
  EXPECT_THROW(LoadCursorImage(-12), EResNotFound);
}

TEST(Png, ACanvasRoundTripsThroughAPngFile) {
  TBitmap bitmap(17, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 17; ++x)
      bitmap.Canvas()->SetPixels(x, y, static_cast<TColor>((x * 40503u + y * 9973u) & 0xFFFFFF));
  std::string file = test::TestTempDir() + "/canvas.png";
  SaveCanvasToPngFile(*bitmap.Canvas(), file);
  TRaster read;
  ASSERT_TRUE(test::ReadPng(file, read));
  EXPECT_EQ(read, bitmap.Raster());
  EXPECT_THROW(SaveCanvasToPngFile(*bitmap.Canvas(), test::TestTempDir() + "/no/such/folder/x.png"),
               EFCreateError);
  TBitmap empty;
  EXPECT_THROW(SaveCanvasToPngFile(*empty.Canvas(), file), EInvalidOperation);
}

}  // namespace
}  // namespace ordvane
