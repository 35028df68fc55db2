// The special row of a drop-down list (its owner's font and colour, its change
// notifications) and the cells of a tree outline, read pixel by pixel against pictures
// drawn by hand.

#include <gtest/gtest.h>

#include <array>

#include "classlib/ui/Menus.h"
#include "gridbase/ToolCtrlsEh.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

struct SpecRowFixture : test::TextControlFixture {
  TEdit* owner = Place<TEdit>(Rect(10, 10, 200, 31));
  TSpecRowEh row{owner};
  int changes = 0;
  SpecRowFixture() {
    row.OnChanged = [this](TObject*) { ++changes; };
  }
};

TEST(SpecRow, StartsWithItsDefaultsAndFollowsTheOwnerUntilSet) {
  SpecRowFixture f;
  EXPECT_EQ(f.row.ShortCut(), 32814);
  EXPECT_EQ(f.row.ShortCut(), ShortCut(VK_DELETE, false, false, true));
  EXPECT_TRUE(VarIsNull(f.row.Value()));
  EXPECT_TRUE(f.row.ShowIfNotInKeyList());
  EXPECT_FALSE(f.row.Visible());

  f.owner->SetColor(clInfoBk);
  f.owner->Font()->SetName("DejaVu Serif");
  EXPECT_EQ(f.row.Color(), clInfoBk);
  EXPECT_EQ(f.row.Font()->Name(), "DejaVu Serif");
  EXPECT_EQ(f.changes, 0) << "following the owner is no change of the row";

  f.row.SetColor(clYellow);
  f.row.Font()->SetSize(14);
  EXPECT_EQ(f.changes, 2);
  f.owner->SetColor(clWindow);
  f.owner->Font()->SetName("DejaVu Sans Mono");
  EXPECT_EQ(f.row.Color(), clYellow);
  EXPECT_EQ(f.row.Font()->Name(), "DejaVu Serif");
  EXPECT_EQ(f.row.Font()->Size(), 14);

  f.row.SetCellsText("a;\"b;c\";d");
  EXPECT_EQ(f.row.CellCount(), 3);
  EXPECT_EQ(f.row.GetCellText(1), "b;c");
  EXPECT_EQ(f.row.GetCellText(3), "");
  EXPECT_EQ(f.row.GetCellText(-1), "");
}

TEST(SpecRow, AssignIsOneChangeAndTakesTheFontOnlyWhenSet) {
  SpecRowFixture f;
  f.row.Font()->SetName("DejaVu Serif");
  TSpecRowEh source(nullptr);
  source.SetCellsText("x;y");
  source.SetValue(Variant(5));
  source.SetVisible(true);
  source.SetShowIfNotInKeyList(false);
  source.SetShortCut(ShortCut('N', false, true, false));
  source.SetColor(clRed);
  f.changes = 0;
  f.row.Assign(&source);
  EXPECT_EQ(f.changes, 1);
  EXPECT_EQ(f.row.GetCellText(1), "y");
  EXPECT_EQ(f.row.Value(), Variant(5));
  EXPECT_TRUE(f.row.Visible());
  EXPECT_FALSE(f.row.ShowIfNotInKeyList());
  EXPECT_EQ(f.row.ShortCut(), source.ShortCut());
  EXPECT_EQ(f.row.Color(), clRed);
  EXPECT_EQ(f.row.Font()->Name(), "DejaVu Serif") << "the source's font was never set";

  source.Font()->SetName("DejaVu Sans Mono");
  f.row.BeginUpdate();
  f.row.Assign(&source);
  f.row.SetVisible(false);
  EXPECT_EQ(f.changes, 1) << "nothing is told inside an outer update";
  f.row.EndUpdate();
  EXPECT_EQ(f.changes, 2);
  EXPECT_EQ(f.row.Font()->Name(), "DejaVu Sans Mono");
  f.row.Assign(&f.row);
  EXPECT_EQ(f.changes, 2) << "nothing changed";
}

// ---- Tree outline -------------------------------------------------------------------------

// Kinds 0 to 9 side by side in cells of 12 by 12 pixels, at scale 1 with the dots on odd
// coordinates. S: button shadow, W: window, T: window text, '.': untouched.
constexpr int kCell = 12;

// One row of the picture: ten cells of twelve characters.
std::string PictureRow(const std::array<const char*, 10>& cells) {
  std::string row;
  for (const char* cell : cells) row += cell;
  return row;
}

std::vector<std::string> TreePicture() {
  const char* const blank = "............";
  const char* const dot = "......S.....";
  const char* const top = "..SSSSSSSSS.";
  const char* const side = "..SWWWWWWWS.";
  const char* const stem = "..SWWWTWWWS.";
  const char* const minus = "..SWTTTTTWSS";
  const char* const across = ".......S.S.S";
  // Rows of the boxes (kinds 0 to 5) and of the lines (6 to 9), from top to bottom.
  auto boxes = [&](int y, bool plus, bool up, bool down) {
    if (y == 0) return blank;
    if (y == 1) return up ? dot : blank;
    if (y == 11) return down ? dot : blank;
    if (y == 2 || y == 10) return top;
    if (y == 6) return minus;
    return plus && y >= 4 && y <= 8 ? stem : side;
  };
  auto lines = [&](int y, bool up, bool down, bool right) {
    if (y == 6) return right ? across : blank;
    if (y % 2 == 0) return blank;
    return (y < 6 ? up : down) ? dot : blank;
  };
  std::vector<std::string> rows;
  for (int y = 0; y < kCell; ++y)
    rows.push_back(PictureRow({boxes(y, false, true, true), boxes(y, false, true, false), boxes(y, false, false, true),
                               boxes(y, true, true, true), boxes(y, true, true, false), boxes(y, true, false, true),
                               lines(y, true, true, true), lines(y, true, false, true), lines(y, false, true, true),
                               lines(y, true, true, false)}));
  return rows;
}

std::vector<std::string> DrawTree(int scale, int parity, TColor background) {
  const int cell = kCell * scale;
  TBitmap bitmap(cell * 10, cell);
  bitmap.Canvas()->Brush()->SetColor(background);
  bitmap.Canvas()->FillRect(Rect(0, 0, bitmap.Width(), bitmap.Height()));
  bitmap.Canvas()->Brush()->SetColor(clLime);
  for (int kind = 0; kind < 10; ++kind)
    DrawTreeElementEh(bitmap.Canvas(), Rect(kind * cell, 0, (kind + 1) * cell, cell),
                      static_cast<TTreeElementEh>(kind), scale, scale, parity);
  EXPECT_EQ(bitmap.Canvas()->Brush()->Color(), clLime) << "the canvas keeps its brush";
  const std::pair<TColor, char> colours[] = {
      {clBtnShadow, 'S'}, {clWindow, 'W'}, {clWindowText, 'T'}, {background, '.'}};
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string row;
    for (int x = 0; x < bitmap.Width(); ++x) {
      char c = '?';
      for (const auto& [colour, letter] : colours)
        if (ColorToRGB(bitmap.Canvas()->Pixels(x, y)) == ColorToRGB(colour)) c = letter;
      row += c;
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(TreeElement, EveryKindMatchesItsPictureAndScalesPixelForPixel) {
  const std::vector<std::string> picture = TreePicture();
  EXPECT_EQ(DrawTree(1, 1, clYellow), picture);

  std::vector<std::string> doubled;
  for (const std::string& row : picture) {
    std::string wide;
    for (char c : row) wide += std::string(2, c);
    doubled.push_back(wide);
    doubled.push_back(wide);
  }
  EXPECT_EQ(DrawTree(2, 1, clYellow), doubled);
}

TEST(TreeElement, DotsOfNeighbouringCellsContinueOneAnother) {
  // Cells of odd heights stacked in one column: the dots must alternate across every
  // border, for either parity.
  for (int parity : {0, 1}) {
    TBitmap bitmap(9, 7 + 9 + 11);
    int top = 0;
    for (int height : {7, 9, 11}) {
      DrawTreeElementEh(bitmap.Canvas(), Rect(0, top, 9, top + height), tehVLine, 1, 1, parity);
      top += height;
    }
    for (int y = 0; y < bitmap.Height(); ++y)
      EXPECT_EQ(ColorToRGB(bitmap.Canvas()->Pixels(4, y)) == ColorToRGB(clBtnShadow), y % 2 == parity)
          << "row " << y << ", parity " << parity;
  }
}

}  // namespace
}  // namespace ordvane
