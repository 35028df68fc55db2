// Parts of the grid's cells: its own cell events, images in cells and titles, vertical
// titles, themed fixed cells and the edit buttons of columns that always show them. The
// expected pixels come from the drawing routines the parts are made of, called on their
// own.

#include <gtest/gtest.h>

#include <memory>

#include "classlib/ui/RecordingDC.h"
#include "classlib/ui/SysMetrics.h"
#include "classlib/ui/Themes.h"
#include "tests/grid/DataGridSupport.h"
#include "tests/ui/RasterTestSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::TMemDataSet;
using DrawnGridFixture = DataGridFixture<TMemDataSet, TDBGridEh>;

constexpr int kIdCol = 1;
constexpr int kPartsNameCol = 2;
constexpr int kCodeCol = 3;

// The grid's client area painted whole into a bitmap.
std::unique_ptr<TBitmap> Painted(TCustomDBGridEh& grid) {
  auto bitmap = std::make_unique<TBitmap>(grid.ClientWidth(), grid.ClientHeight());
  grid.Perform(WM_PAINT, reinterpret_cast<WPARAM>(bitmap->Canvas()->Handle()), 0);
  return bitmap;
}

// The pixels of `picture` that differ from `part` placed with its top-left at `at`.
int Differing(const TRaster& picture, const TRaster& part, TPoint at) {
  return test::CountPixels(part, [&](int x, int y, TColorRef c) { return picture.Pixel(at.x + x, at.y + y) != c; });
}

int CountColour(const TRaster& picture, const TRect& rect, TColor colour) {
  return test::CountPixels(picture, [&](int x, int y, TColorRef c) {
    return PtInRect(rect, Point(x, y)) && c == ColorToRGB(colour);
  });
}

// A list of 16-pixel images, each of one solid colour.
struct SolidImages {
  TCustomImageList list{nullptr};
  explicit SolidImages(std::initializer_list<TColor> colours) {
    for (TColor colour : colours) {
      TBitmap image(16, 16);
      image.Canvas()->Brush()->SetColor(colour);
      image.Canvas()->FillRect(Rect(0, 0, 16, 16));
      list.Add(image, nullptr);
    }
  }
};

TEST(GridCellEvents, TheGridsParamsComeFirstAndTheDrawEventsFollowEachCell) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  TColumnEh* name = grid.Columns().Items(1);
  TColor seenByColumn = clNone;
  grid.OnGetCellParams = [&](TObject*, TColumnEh* column, TFont*, TColor& background, TGridDrawState) {
    if (column == name) background = clYellow;
  };
  name->OnGetCellParams = [&](TObject*, bool, TColCellParamsEh& params) { seenByColumn = params.Background; };
  int columnCells = 0, dataCells = 0, wrongRects = 0;
  grid.OnDrawColumnCell = [&](TObject*, const TRect& rect, int dataCol, TColumnEh* column, TGridDrawState) {
    ++columnCells;
    if (grid.Columns().Items(dataCol) != column || !(rect.left == grid.CellRect(grid.DataToRawColumn(dataCol), 1).left))
      ++wrongRects;
  };
  grid.OnDrawDataCell = [&](TObject*, const TRect&, TField*, TGridDrawState) { ++dataCells; };

  const auto picture = Painted(grid);
  const int first = grid.TitleOffset();
  const TRect cell = grid.CellRect(kPartsNameCol, first + 1);
  EXPECT_EQ(picture->Raster().Pixel(cell.right - 3, cell.top + 3), ColorToRGB(clYellow));
  EXPECT_EQ(seenByColumn, clYellow) << "the column's event sees what the grid's gave";
  const int cells = 3 * grid.Columns().Count();
  EXPECT_EQ(columnCells, cells);
  EXPECT_EQ(wrongRects, 0);
  EXPECT_EQ(dataCells, cells) << "default columns";

  f.Column("NAME");
  f.ui.Process();
  dataCells = 0;
  Painted(grid);
  EXPECT_EQ(dataCells, 0) << "customised columns";

  // A title's colours and marker from the event, the marker even on an unmarked title.
  TColumnEh* id = grid.Columns().Items(0);
  grid.OnGetBtnParams = [&](TObject*, TColumnEh* column, TFont*, TColor& background, TSortMarkerEh& marker,
                            bool) {
    if (column != id) return;
    background = clAqua;
    marker = smUpEh;
  };
  const auto titled = Painted(grid);
  TRect title = grid.CellRect(kIdCol, 0);
  InflateRect(title, -1, -1);
  EXPECT_EQ(titled->Raster().Pixel(title.left + 1, title.bottom - 2), ColorToRGB(clAqua));
  const TRect marker{title.right - kSortMarkerWidthEh - 2, title.top, title.right - 2, title.bottom};
  EXPECT_GT(marker.Width() * marker.Height() - CountColour(titled->Raster(), marker, clAqua), 5);
}

TEST(GridCellImages, ImageAndTextImageOnlyAndTitleImages) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  SolidImages images{clRed, clBlue};
  TColumnEh* id = f.Column("ID");  // the value is the image index: record 1 shows blue
  id->SetImageList(&images.list);
  id->SetShowImageAndText(true);
  id->SetWidth(60);
  TColumnEh* code = f.Column("CODE");  // a key list of images: "k1" is image 0
  code->KeyList()->Add("k1");
  code->SetImageList(&images.list);
  code->SetWidth(40);
  TColumnEh* name = f.Column("NAME");
  name->Title().SetImageIndex(1);
  grid.SetTitleImages(&images.list);
  f.ui.Process();
  ASSERT_EQ(code->GetColumnType(), ctKeyImageList);

  const auto picture = Painted(grid);
  const TRaster& p = picture->Raster();
  const int first = grid.TitleOffset();
  TBitmap blue(16, 16), red(16, 16);
  images.list.Draw(blue.Canvas(), 0, 0, 1);
  images.list.Draw(red.Canvas(), 0, 0, 0);

  const TRect idCell = grid.CellRect(1, first);
  const int imageTop = idCell.top + (idCell.Height() - 16) / 2;
  EXPECT_EQ(Differing(p, blue.Raster(), Point(idCell.left + 2, imageTop)), 0) << "centred in the image part";
  EXPECT_EQ(p.Pixel(idCell.left + 1, imageTop + 8), ColorToRGB(id->Color())) << "the part keeps the column colour";
  EXPECT_GT(test::CountPixels(p, [&](int x, int y, TColorRef c) {
              return x >= idCell.left + 20 && x < idCell.right && y >= idCell.top && y < idCell.bottom &&
                     c == ColorToRGB(clWindowText);
            }),
            0)
      << "the text follows the image";
  const TRect secondId = grid.CellRect(1, first + 1);
  EXPECT_EQ(CountColour(p, secondId, clRed) + CountColour(p, secondId, clBlue), 0) << "index 2 has no image";

  const TRect codeCell = grid.CellRect(2, first);
  EXPECT_EQ(Differing(p, red.Raster(), Point(codeCell.left + (codeCell.Width() - 16) / 2,
                                              codeCell.top + (codeCell.Height() - 16) / 2)),
            0)
      << "an image-only cell shows its image centred";
  EXPECT_EQ(test::CountPixels(p, [&](int x, int y, TColorRef c) {
              return PtInRect(codeCell, Point(x, y)) && c == ColorToRGB(clWindowText);
            }),
            0)
      << "and no text";

  TRect nameTitle = grid.CellRect(3, 0);
  InflateRect(nameTitle, -1, -1);
  const int titleTop = nameTitle.top + (nameTitle.Height() - 16) / 2;
  const TRect shownPart{nameTitle.left + 2, std::max(titleTop, nameTitle.top), nameTitle.left + 18,
                        std::min(titleTop + 16, nameTitle.bottom)};
  EXPECT_EQ(CountColour(p, shownPart, clBlue), shownPart.Width() * shownPart.Height())
      << "the title image, clipped to the title";
  EXPECT_EQ(CountColour(p, nameTitle, clBtnText), 0) << "instead of the caption";
}

TEST(GridCellImages, ClippedImagesByAlignment) {
  SolidImages images{clRed};
  for (TAlignment alignment : {taLeftJustify, taCenter, taRightJustify}) {
    TBitmap bitmap(60, 30);
    bitmap.Canvas()->Brush()->SetColor(clWhite);
    bitmap.Canvas()->FillRect(Rect(0, 0, 60, 30));
    const TRect rect{10, 5, 50, 15};  // lower than the image: its middle shows
    DrawClipImageEh(*bitmap.Canvas(), images.list, 0, rect, alignment, 3);
    const TRect ink = test::InkBox(bitmap.Raster(), ColorToRGB(clWhite));
    const int left = alignment == taLeftJustify ? 13 : alignment == taCenter ? 22 : 34;
    EXPECT_EQ(ink, Rect(left, 5, left + 16, 15)) << alignment;
  }
  TBitmap untouched(20, 20);
  DrawClipImageEh(*untouched.Canvas(), images.list, 1, Rect(0, 0, 20, 20), taLeftJustify, 0);
  EXPECT_TRUE(IsRectEmpty(test::InkBox(untouched.Raster(), ColorToRGB(clWhite)))) << "no such image";
}

TEST(GridVerticalTitles, ARotatedFontWritesTheCaptionBottomUp) {
  TFont font;
  font.SetStyle({fsBold});
  TLogFont rotated = CreateRotatedFontEh(font);
  EXPECT_EQ(rotated.lfEscapement, 900);
  EXPECT_EQ(rotated.lfOrientation, 900);
  EXPECT_EQ(rotated.lfWeight, FW_BOLD);
  EXPECT_EQ(rotated.lfHeight, font.Height());
  font.SetStyle({});
  EXPECT_EQ(CreateRotatedFontEh(font).lfWeight, FW_NORMAL);

  for (TAlignment alignment : {taLeftJustify, taRightJustify}) {
    TBitmap bitmap(40, 200);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Brush()->SetColor(clWhite);
    canvas.FillRect(Rect(0, 0, 40, 200));
    canvas.Brush()->SetStyle(bsClear);
    canvas.Font()->SetColor(clBlack);
    DrawRotatedTextEh(canvas, Rect(0, 0, 40, 200), "Vertical", alignment);
    const TRect ink = test::InkBox(bitmap.Raster(), ColorToRGB(clWhite));
    EXPECT_GT(ink.Height(), 2 * ink.Width()) << "the text runs up";
    if (alignment == taLeftJustify)
      EXPECT_GT(ink.bottom, 190) << "from the bottom";
    else
      EXPECT_LT(ink.top, 10) << "to the top";
    const int middle = (ink.left + ink.right) / 2;
    EXPECT_NEAR(middle, 20, 3) << "centred across";
    EXPECT_EQ(canvas.Font()->Orientation(), 0) << "the canvas font comes back";
  }

  DrawnGridFixture f(3);
  TColumnEh* name = f.Column("NAME");
  name->Title().SetOrientation(tohVertical);
  f.grid->SetTitleHeight(60);
  f.ui.Process();
  TRecordingCanvas canvas(f.grid->ClientWidth(), f.grid->ClientHeight());
  f.grid->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);
  int rotatedFonts = 0;
  for (const AnsiString& call : canvas.CallsOf("SelectFont")) rotatedFonts += call.find("esc 900") != AnsiString::npos;
  EXPECT_EQ(rotatedFonts, 1);
  TRect title = f.grid->CellRect(1, 0);
  InflateRect(title, -2, -2);
  int textPixels = 0;
  for (int y = title.top; y < title.bottom; ++y)
    for (int x = title.left; x < title.right; ++x) textPixels += canvas.Raster().Pixel(x, y) == ColorToRGB(clBtnText);
  EXPECT_GT(textPixels, 10);
}

// Visual styles on for the scope.
class WithThemes {
 public:
  WithThemes() { ThemeServices()->SetThemesEnabled(true); }
  ~WithThemes() { ThemeServices()->SetThemesEnabled(false); }
  WithThemes(const WithThemes&) = delete;
  WithThemes& operator=(const WithThemes&) = delete;
};

// The header item as the theme draws it over a cell.
std::unique_ptr<TBitmap> HeaderItem(const TRect& cell, TThemedHeader state) {
  auto item = std::make_unique<TBitmap>(cell.Width(), cell.Height());
  ThemeServices()->DrawElement(item->Canvas()->Handle(), TThemeServices::GetElementDetails(state),
                               Rect(0, 0, cell.Width(), cell.Height()));
  return item;
}

bool FramedByEdge(TCustomDBGridEh& grid, const TRect& cell) {
  TRecordingCanvas canvas(grid.ClientWidth(), grid.ClientHeight());
  grid.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);
  const AnsiString at = "DrawEdge(" + IntToStr(cell.left) + "," + IntToStr(cell.top) + ",";
  for (const AnsiString& call : canvas.CallsOf("DrawEdge"))
    if (call.starts_with(at)) return true;
  return false;
}

TEST(GridThemedCells, HeaderItemsWithStylesOnAndRaisedFramesOtherwise) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  grid.SetOptions(grid.Options() + TDBGridOptions{dgMultiSelect});
  grid.Columns().Items(2)->SetWidth(100);
  f.ui.Process();
  const int first = grid.TitleOffset();
  const TRect title = grid.CellRect(kCodeCol, 0);
  const TRect indicator = grid.CellRect(0, first + 1);
  // The right end of the title, clear of its caption.
  const auto rightEnd = [&](const TRaster& picture, const std::unique_ptr<TBitmap>& item) {
    const TRect band{title.Width() - 6, 0, title.Width(), title.Height()};
    return test::CountPixels(item->Raster(), [&](int x, int y, TColorRef c) {
      return PtInRect(band, Point(x, y)) && picture.Pixel(title.left + x, title.top + y) != c;
    });
  };
  ASSERT_TRUE(FramedByEdge(grid, title)) << "classic look";
  {
    WithThemes themes;
    EXPECT_FALSE(FramedByEdge(grid, title)) << "the header item instead of a frame";
    auto picture = Painted(grid);
    EXPECT_EQ(rightEnd(picture->Raster(), HeaderItem(title, thHeaderItemNormal)), 0);
    const auto indicatorItem = HeaderItem(indicator, thHeaderItemNormal);
    EXPECT_EQ(Differing(picture->Raster(), indicatorItem->Raster(), Point(indicator.left, indicator.top)), 0)
        << "an indicator cell of another record";

    grid.Selection().Columns().Select(grid.Columns().Items(2), false);
    picture = Painted(grid);
    EXPECT_EQ(rightEnd(picture->Raster(), HeaderItem(title, thHeaderItemHot)), 0) << "a selected title is hot";
    grid.Selection().Clear();

    grid.SetFlat(true);
    f.ui.Process();
    EXPECT_EQ(Painted(grid)->Raster().Pixel(title.right - 3, title.top + 3), ColorToRGB(clBtnFace))
        << "a flat grid is filled";
    grid.SetFlat(false);
    grid.SetOptions(grid.Options() - TDBGridOptions{dgRowLines});
    f.ui.Process();
    EXPECT_TRUE(FramedByEdge(grid, grid.CellRect(kCodeCol, 0))) << "without row lines";
  }
}

TEST(GridCellButtons, ColumnsThatAlwaysShowTheirButtonsDrawThemAtTheRight) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  TColumnEh* name = f.Column("NAME");
  name->SetWidth(120);
  name->PickList()->Add("name 1");
  name->SetAlwaysShowEditButton(true);
  TEditButtonEh* ellipsis = name->EditButtons().Add();
  ellipsis->SetStyle(ebsEllipsisEh);
  ellipsis->SetWidth(12);
  f.ui.Process();
  ASSERT_EQ(name->GetEditStyle(), esPickList);

  const int first = grid.TitleOffset();
  const TRect cell = grid.CellRect(1, first + 1);
  const auto picture = Painted(grid);
  const int dropWidth = GetSystemMetrics(SM_CXVSCROLL);
  const TRect dropDown{cell.right - dropWidth, cell.top, cell.right, cell.bottom};
  const TRect dots{dropDown.left - 12, cell.top, dropDown.left, cell.bottom};
  for (const auto& [rect, style] : {std::pair{dropDown, ebsDropDownEh}, std::pair{dots, ebsEllipsisEh}}) {
    TBitmap expected(rect.Width(), rect.Height());
    DrawCellButtonEh(*expected.Canvas(), Rect(0, 0, rect.Width(), rect.Height()), name->Color(), style, nullptr,
                     false, true);
    EXPECT_EQ(Differing(picture->Raster(), expected.Raster(), Point(rect.left, rect.top)), 0) << style;
  }
  EXPECT_EQ(name->EditButtonsWidth(), dropWidth + 12);

  // Flat: a frame in the cell's colour around the flat face.
  TBitmap flat(20, 18);
  flat.Canvas()->Brush()->SetColor(clWhite);
  flat.Canvas()->FillRect(Rect(0, 0, 20, 18));
  DrawCellButtonEh(*flat.Canvas(), Rect(0, 0, 20, 18), clYellow, ebsDropDownEh, nullptr, true, true);
  TBitmap face(18, 16);
  DrawEditButtonControlEh(face.Canvas()->Handle(), Rect(0, 0, 18, 16), clYellow, bcsDropDownEh, 0, true, false,
                          true);
  EXPECT_EQ(Differing(flat.Raster(), face.Raster(), Point(1, 1)), 0);
  EXPECT_EQ(flat.Raster().Pixel(0, 0), ColorToRGB(clYellow));
  EXPECT_EQ(flat.Raster().Pixel(19, 17), ColorToRGB(clYellow));
}

TEST(GridRightToLeft, ACellIsTheSameCellLeftToRightMirroredInPlaceWithItsAlignmentSwapped) {
  DrawnGridFixture leftToRight(3);
  DrawnGridFixture rightToLeft(3);
  for (DrawnGridFixture* f : {&leftToRight, &rightToLeft}) {
    const bool mirrored = f == &rightToLeft;
    f->Column("ID")->SetAlignment(mirrored ? taRightJustify : taLeftJustify);
    TColumnEh* name = f->Column("NAME");
    name->SetWidth(90);
    name->SetAlignment(mirrored ? taLeftJustify : taRightJustify);
    f->grid->SetBiDiMode(f == &leftToRight ? bdLeftToRight : bdRightToLeft);
    f->ui.Process();
  }
  const auto ltr = Painted(*leftToRight.grid);
  const auto rtl = Painted(*rightToLeft.grid);
  const int width = leftToRight.grid->ClientWidth();
  ASSERT_EQ(rightToLeft.grid->ClientWidth(), width);
  const int row = leftToRight.grid->TitleOffset() + 1;

  const TRect indicator = leftToRight.grid->CellRect(0, row);
  EXPECT_EQ(rtl->Raster().Pixel(width - 1 - indicator.left - 1, indicator.top + 1), ColorToRGB(clBtnFace))
      << "the indicator stands at the right";
  for (int col : {1, 2}) {
    const TRect cell = leftToRight.grid->CellRect(col, row);
    const int mirroredLeft = width - cell.right;
    const int differing = test::CountPixels(ltr->Raster(), [&](int x, int y, TColorRef c) {
      return PtInRect(cell, Point(x, y)) && rtl->Raster().Pixel(mirroredLeft + x - cell.left, y) != c;
    });
    EXPECT_EQ(differing, 0) << "column " << col;
  }
  const TRect name = leftToRight.grid->CellRect(2, row);
  EXPECT_GT(test::CountPixels(ltr->Raster(), [&](int x, int y, TColorRef c) {
              return PtInRect(name, Point(x, y)) && c == ColorToRGB(clWindowText);
            }),
            10)
      << "text to compare";
}

class TSearchingGrid : public TDBGridEh {
 public:
  using TDBGridEh::TDBGridEh;
  using TCustomDBGridEh::SetInplaceSearchState;
};

TEST(GridIncrementalSearch, TheMatchedPrefixAndTheIndicatorShowTheSearchColour) {
  DataGridFixture<TMemDataSet, TSearchingGrid> f(3);
  TSearchingGrid& grid = *f.grid;
  TColumnEh* name = f.Column("NAME");
  name->SetWidth(100);
  f.Column("CODE")->SetWidth(60);
  grid.SetFocus();
  grid.SetSelectedIndex(0);
  f.ui.Process();
  const int first = grid.TitleOffset();
  const TRect current = grid.CellRect(1, first);
  const TRect other = grid.CellRect(1, first + 1);
  const TRect indicator = grid.CellRect(0, first);
  TBitmap measure(1, 1);
  measure.Canvas()->Font()->Assign(name->Font());
  const int prefixWidth = measure.Canvas()->TextWidth("nam");
  const auto searchColoured = [](const TRaster& picture, const TRect& rect) {
    return CountColour(picture, rect, kInplaceSearchColorEh);
  };

  auto picture = Painted(grid);
  EXPECT_EQ(searchColoured(picture->Raster(), current), 0);

  grid.SetInplaceSearchState(true, "nam");
  picture = Painted(grid);
  const TRect prefix{current.left + 2, current.top, current.left + 2 + prefixWidth, current.bottom};
  EXPECT_GT(searchColoured(picture->Raster(), prefix), prefix.Width() * prefix.Height() / 2);
  EXPECT_GT(CountColour(picture->Raster(), prefix, kInplaceSearchTextColorEh), 5) << "the prefix's letters";
  EXPECT_EQ(searchColoured(picture->Raster(), Rect(prefix.right, current.top, current.right, current.bottom)), 0)
      << "the rest of the text keeps its colours";
  EXPECT_EQ(searchColoured(picture->Raster(), other), 0) << "only the current cell";

  TBitmap arrow(8, 9);
  IndicatorImagesEh().Draw(arrow.Canvas(), 0, 0, iiCurrentSearchingEh);
  EXPECT_EQ(CountColour(arrow.Raster(), Rect(0, 0, 8, 9), clWhite) + CountColour(arrow.Raster(), Rect(0, 0, 8, 9),
                                                                                  kInplaceSearchColorEh),
            72)
      << "a white arrow on the search colour";
  const TPoint at{indicator.right - 1 - 8 - 1, (indicator.top + indicator.bottom - 9) / 2};
  EXPECT_EQ(Differing(picture->Raster(), arrow.Raster(), at), 0);

  grid.SetInplaceSearchState(false, "nam");
  EXPECT_TRUE(grid.InplaceSearchText().empty());
  picture = Painted(grid);
  EXPECT_EQ(searchColoured(picture->Raster(), current), 0);
  EXPECT_EQ(searchColoured(picture->Raster(), indicator), 0);
}

}  // namespace
}  // namespace ordvane
