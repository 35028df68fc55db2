// The special row of a drop-down list (its owner's font and colour, its change
// notifications) and the cells of a tree outline against a picture drawn by hand.

#include <gtest/gtest.h>

#include "classlib/ui/Menus.h"
#include "gridbase/SpecRowEh.h"
#include "gridbase/TreeOutlineEh.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

TEST(SpecRow, FollowsItsOwnerUntilSetAndTellsEachChangeOnce) {
  test::TextControlFixture f;
  TEdit* owner = f.Place<TEdit>(Rect(10, 10, 200, 31));
  TSpecRowEh row(owner);
  int changes = 0;
  row.OnChanged = [&changes](TObject*) { ++changes; };
  EXPECT_EQ(row.ShortCut(), 32814);
  EXPECT_TRUE(VarIsNull(row.Value()));
  owner->SetColor(clInfoBk);
  owner->Font()->SetName("DejaVu Serif");
  EXPECT_EQ(row.Color(), clInfoBk);
  EXPECT_EQ(row.Font()->Name(), "DejaVu Serif");
  EXPECT_EQ(changes, 0) << "following the owner is no change of the row";

  TSpecRowEh source(nullptr);
  source.SetCellsText("x;\"y;z\"");
  source.SetValue(Variant(5));
  source.SetVisible(true);
  source.SetShortCut(ShortCut('N', false, true, false));
  source.SetColor(clRed);
  row.Assign(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(row.GetCellText(1), "y;z");
  EXPECT_EQ(row.GetCellText(2), "");
  EXPECT_EQ(row.Value(), Variant(5));
  EXPECT_TRUE(row.Visible());
  EXPECT_EQ(row.ShortCut(), source.ShortCut());
  EXPECT_EQ(row.Color(), clRed);
  EXPECT_EQ(row.Font()->Name(), "DejaVu Serif") << "the source's font was never set";

  source.Font()->SetName("DejaVu Sans Mono");
  row.BeginUpdate();
  row.Assign(&source);
  row.SetVisible(false);
  EXPECT_EQ(changes, 1) << "nothing is told inside an outer update";
  row.EndUpdate();
  EXPECT_EQ(changes, 2);
  owner->Font()->SetName("DejaVu Serif");
  EXPECT_EQ(row.Font()->Name(), "DejaVu Sans Mono") << "set, so no longer the owner's";
  row.Assign(&row);
  EXPECT_EQ(changes, 2);
}

// Kinds 0 to 4, then 5 to 9, in cells of 12 by 12 pixels at scale 1 with the dots on odd
// coordinates. S: button shadow, W: window, T: window text, '.': untouched.
const char* const kTreePicture[] = {
    "............ ............ ............ ............ ............",
    "......S..... ......S..... ............ ......S..... ......S.....",
    "..SSSSSSSSS. ..SSSSSSSSS. ..SSSSSSSSS. ..SSSSSSSSS. ..SSSSSSSSS.",
    "..SWWWWWWWS. ..SWWWWWWWS. ..SWWWWWWWS. ..SWWWWWWWS. ..SWWWWWWWS.",
    "..SWWWWWWWS. ..SWWWWWWWS. ..SWWWWWWWS. ..SWWWTWWWS. ..SWWWTWWWS.",
    "..SWWWWWWWS. ..SWWWWWWWS. ..SWWWWWWWS. ..SWWWTWWWS. ..SWWWTWWWS.",
    "..SWTTTTTWSS ..SWTTTTTWSS ..SWTTTTTWSS ..SWTTTTTWSS ..SWTTTTTWSS",
    "..SWWWWWWWS. ..SWWWWWWWS. ..SWWWWWWWS. ..SWWWTWWWS. ..SWWWTWWWS.",
    "..SWWWWWWWS. ..SWWWWWWWS. ..SWWWWWWWS. ..SWWWTWWWS. ..SWWWTWWWS.",
    "..SWWWWWWWS. ..SWWWWWWWS. ..SWWWWWWWS. ..SWWWWWWWS. ..SWWWWWWWS.",
    "..SSSSSSSSS. ..SSSSSSSSS. ..SSSSSSSSS. ..SSSSSSSSS. ..SSSSSSSSS.",
    "......S..... ............ ......S..... ......S..... ............",
    "............ ............ ............ ............ ............",
    "............ ......S..... ......S..... ............ ......S.....",
    "..SSSSSSSSS. ............ ............ ............ ............",
    "..SWWWWWWWS. ......S..... ......S..... ............ ......S.....",
    "..SWWWTWWWS. ............ ............ ............ ............",
    "..SWWWTWWWS. ......S..... ......S..... ............ ......S.....",
    "..SWTTTTTWSS .......S.S.S .......S.S.S .......S.S.S ............",
    "..SWWWTWWWS. ......S..... ............ ......S..... ......S.....",
    "..SWWWTWWWS. ............ ............ ............ ............",
    "..SWWWWWWWS. ......S..... ............ ......S..... ......S.....",
    "..SSSSSSSSS. ............ ............ ............ ............",
    "......S..... ......S..... ............ ......S..... ......S.....",
};

std::vector<std::string> DrawTree(int scale) {
  const int cell = 12 * scale;
  TBitmap bitmap(cell * 10, cell);
  bitmap.Canvas()->Brush()->SetColor(clYellow);
  bitmap.Canvas()->FillRect(Rect(0, 0, bitmap.Width(), bitmap.Height()));
  for (int kind = 0; kind < 10; ++kind)
    DrawTreeElementEh(bitmap.Canvas(), Rect(kind * cell, 0, (kind + 1) * cell, cell),
                      static_cast<TTreeElementEh>(kind), scale, scale, 1);
  EXPECT_EQ(bitmap.Canvas()->Brush()->Color(), clYellow) << "the canvas keeps its brush";
  const std::pair<TColor, char> colours[] = {
      {clBtnShadow, 'S'}, {clWindow, 'W'}, {clWindowText, 'T'}, {clYellow, '.'}};
  std::vector<std::string> rows(static_cast<std::size_t>(cell));
  for (int y = 0; y < cell; ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      char c = '?';
      for (const auto& [colour, letter] : colours)
        if (ColorToRGB(bitmap.Canvas()->Pixels(x, y)) == ColorToRGB(colour)) c = letter;
      rows[static_cast<std::size_t>(y)] += c;
    }
  return rows;
}

TEST(TreeElement, EveryKindMatchesItsPictureAndScalesPixelForPixel) {
  std::vector<std::string> picture, doubled;
  for (int y = 0; y < 12; ++y) {
    std::string row = std::string(kTreePicture[y]) + kTreePicture[y + 12], wide;
    std::erase(row, ' ');
    for (char c : row) wide += std::string(2, c);
    picture.push_back(row);
    doubled.insert(doubled.end(), {wide, wide});
  }
  EXPECT_EQ(DrawTree(1), picture);
  EXPECT_EQ(DrawTree(2), doubled);
}

TEST(TreeElement, DotsOfNeighbouringCellsContinueOneAnother) {
  for (int parity : {0, 1}) {
    TBitmap bitmap(9, 7 + 9 + 11);
    int top = 0;
    for (int height : {7, 9, 11}) {  // odd heights: the dots must still alternate across borders
      DrawTreeElementEh(bitmap.Canvas(), Rect(0, top, 9, top + height), tehVLine, 1, 1, parity);
      top += height;
    }
    for (int y = 0; y < bitmap.Height(); ++y)
      EXPECT_EQ(ColorToRGB(bitmap.Canvas()->Pixels(4, y)) == ColorToRGB(clBtnShadow), y % 2 == parity) << y;
  }
}

}  // namespace
}  // namespace ordvane
