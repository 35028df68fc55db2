// Cell drawing of the data-aware grid: the area of each cell, the selection test that
// drawing asks, and the colours data, title and indicator cells show on screen.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "classlib/ui/ImgList.h"
#include "classlib/ui/RecordingDC.h"
#include "classlib/ui/Resources.h"
#include "classlib/ui/StdCtrls.h"
#include "gridbase/ButtonFacesEh.h"
#include "tests/grid/DataGridSupport.h"
#include "tests/ui/RasterTestSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::TMemDataSet;
using test::UiDriver;

TEST(GridCellAreas, EachRowKindWithItsIndexAndAnErrorBeyondThem) {
  DataGridFixture f(10);
  f.grid->STFilter().SetVisible(true);
  f.grid->SetFooterRowCount(2);
  f.ui.Process();
  TCustomDBGridEh& grid = *f.grid;
  ASSERT_EQ(grid.TitleOffset(), 2);
  const int firstFooter = grid.RowCount();
  ASSERT_GT(firstFooter, 3);

  struct Expected {
    int row;
    TCellRowKindEh kind;
    int areaRow;
  };
  const Expected rows[] = {{0, crkTitleEh, 0},
                           {1, crkFilterEh, 0},
                           {2, crkDataEh, 0},
                           {3, crkDataEh, 1},
                           {firstFooter - 1, crkDataEh, firstFooter - 3},
                           {firstFooter, crkFooterEh, 0},
                           {firstFooter + 1, crkFooterEh, 1}};
  for (const Expected& e : rows) {
    int dataCol = 99, areaRow = 99;
    const TGridCellTypeEh type = grid.GetCellType(2, e.row, dataCol, areaRow);
    EXPECT_EQ(type.ColKind, cckDataEh) << "row " << e.row;
    EXPECT_EQ(type.RowKind, e.kind) << "row " << e.row;
    EXPECT_EQ(areaRow, e.areaRow) << "row " << e.row;
    EXPECT_EQ(dataCol, 1);
  }
  int dataCol = 0, areaRow = 0;
  EXPECT_EQ(grid.GetCellType(0, 2, dataCol, areaRow).ColKind, cckIndicatorEh);
  EXPECT_EQ(dataCol, -1);

  for (int beyond : {firstFooter + 2, -1}) {
    try {
      grid.GetCellType(1, beyond, dataCol, areaRow);
      ADD_FAILURE() << "row " << beyond << " fits no area";
    } catch (const EInvalidGridOperationEh& e) {
      EXPECT_EQ(e.Message(), "Algorithm error in TCustomDBGridEh.GetCellType");
    }
  }

  // Without titles the filter row is the first row and still index 0.
  grid.SetOptions(grid.Options() - TDBGridOptions{dgTitles});
  f.ui.Process();
  EXPECT_EQ(grid.GetCellType(1, 0, dataCol, areaRow).RowKind, crkFilterEh);
  EXPECT_EQ(areaRow, 0);
  EXPECT_EQ(grid.GetCellType(1, 1, dataCol, areaRow).RowKind, crkDataEh);
  EXPECT_EQ(areaRow, 0);
}

TEST(GridCellAreas, SelectedCellsForEachSelectionType) {
  DataGridFixture f(5);
  TCustomDBGridEh& grid = *f.grid;
  const int dataRow = grid.TitleOffset();
  f.data.First();
  const TBookmarkStr first = f.data.Bookmark();
  f.data.Next();
  const TBookmarkStr second = f.data.Bookmark();
  f.data.Next();
  const TBookmarkStr third = f.data.Bookmark();

  EXPECT_FALSE(grid.IsCellSelected(1, 0, dataRow, first)) << "no selection";

  f.data.Locate("ID", Variant(2), {});
  grid.SelectedRows().SetCurrentRowSelected(true);
  EXPECT_TRUE(grid.IsCellSelected(0, -1, dataRow + 1, second)) << "indicator of a selected row";
  EXPECT_FALSE(grid.IsCellSelected(0, -1, dataRow, first));
  EXPECT_TRUE(grid.IsCellSelected(2, 1, dataRow + 1, second));
  EXPECT_FALSE(grid.IsCellSelected(0, -1, 0, second)) << "the indicator's title is no data row";
  EXPECT_FALSE(grid.IsCellSelected(2, 1, 0, second)) << "titles only count for columns";

  grid.Selection().Rect().Select(1, first, false);
  grid.Selection().Rect().Select(2, second, true);
  ASSERT_EQ(grid.Selection().SelectionType(), gstRectangle);
  EXPECT_TRUE(grid.IsCellSelected(3, 2, dataRow, first));
  EXPECT_FALSE(grid.IsCellSelected(4, 3, dataRow, first)) << "right of the rectangle";
  EXPECT_FALSE(grid.IsCellSelected(2, 1, dataRow + 2, third)) << "below the rectangle";
  EXPECT_FALSE(grid.IsCellSelected(0, -1, dataRow, first)) << "the indicator only shows selected rows";
  EXPECT_FALSE(grid.IsCellSelected(2, 1, 0, first)) << "titles only count for columns";

  grid.Selection().Columns().Select(grid.Columns().Items(1), false);
  ASSERT_EQ(grid.Selection().SelectionType(), gstColumns);
  EXPECT_TRUE(grid.IsCellSelected(2, 1, 0, TBookmarkStr())) << "the title of a selected column";
  EXPECT_TRUE(grid.IsCellSelected(2, 1, dataRow + 2, third));
  EXPECT_FALSE(grid.IsCellSelected(3, 2, 0, TBookmarkStr()));
  EXPECT_FALSE(grid.IsCellSelected(0, -1, dataRow, first));

  grid.Selection().SelectAll();
  EXPECT_TRUE(grid.IsCellSelected(0, -1, 0, TBookmarkStr())) << "everything, titles and indicator too";
  EXPECT_TRUE(grid.IsCellSelected(4, 3, dataRow + 2, third));
}

TEST(GridCellAreas, RowSelectFocusNeedsTheOptionDefaultDrawingAndFocus) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  grid.SetOptions(grid.Options() + TDBGridOptions{dgRowSelect});
  grid.SetFocus();
  f.ui.Process();
  ASSERT_TRUE(grid.IsFocused());
  EXPECT_TRUE(grid.IsRowSelectFocused());
  grid.SetDefaultDrawing(false);
  EXPECT_FALSE(grid.IsRowSelectFocused());
  grid.SetDefaultDrawing(true);
  grid.SetOptions(grid.Options() - TDBGridOptions{dgRowSelect});
  EXPECT_FALSE(grid.IsRowSelectFocused());
}

using DrawnGridFixture = DataGridFixture<TMemDataSet, TDBGridEh>;

// The background of a cell: a pixel near its right edge, clear of left-aligned text.
TColorRef CellBackground(const DrawnGridFixture& f, int col, int row) {
  const TRect cell = f.grid->CellRect(col, row);
  return UiDriver::Pixel(f.grid, Point(cell.right - 4, (cell.top + cell.bottom) / 2));
}

// The grid's built-in colours: no style attached for the scope.
class WithoutStyle {
 public:
  explicit WithoutStyle(TCustomDBGridEh& grid) : fGrid(grid), fShared(SetDBGridEhDefaultStyle(nullptr)) {
    fGrid.SetStyle(nullptr);
  }
  ~WithoutStyle() {
    SetDBGridEhDefaultStyle(fShared);
    fGrid.SetStyle(fShared);
  }
  WithoutStyle(const WithoutStyle&) = delete;
  WithoutStyle& operator=(const WithoutStyle&) = delete;

 private:
  TCustomDBGridEh& fGrid;
  TDBGridEhStyle* fShared;
};

constexpr int kNameCol = 2;

TEST(GridCellColours, RowColoursAlternateAndAColumnKeepsItsOwnColour) {
  DrawnGridFixture f(4);
  TCustomDBGridEh& grid = *f.grid;
  f.Column("ID");
  f.Column("NAME");
  f.Column("CODE")->SetColor(clLime);
  grid.SetEvenRowColor(clYellow);
  grid.SetOddRowColor(clAqua);
  f.ui.Process();
  const int first = grid.TitleOffset();
  // The first record is current; the grid is not focused, so it shows no highlight.
  EXPECT_EQ(CellBackground(f, kNameCol, first), ColorToRGB(clAqua)) << "record 1";
  EXPECT_EQ(CellBackground(f, kNameCol, first + 1), ColorToRGB(clYellow)) << "record 2";
  EXPECT_EQ(CellBackground(f, kNameCol, first + 2), ColorToRGB(clAqua)) << "record 3";
  EXPECT_EQ(CellBackground(f, kNameCol + 1, first + 1), ColorToRGB(clLime)) << "the column's own colour";
  grid.SetEvenRowColor(clWindow);
  grid.SetOddRowColor(clWindow);
  grid.SetColor(clSilver);
  f.ui.Process();
  EXPECT_EQ(CellBackground(f, kNameCol, first + 1), ColorToRGB(clWindow)) << "set colours stay set";
  grid.SetEvenRowColor(clSilver);
  f.ui.Process();
  EXPECT_EQ(CellBackground(f, kNameCol, first + 3), ColorToRGB(clSilver));
}

TEST(GridCellColours, AGridWithoutColumnsPaintsItsBackground) {
  DrawnGridFixture f(2);
  f.data.Close();
  f.ui.Process();
  ASSERT_EQ(f.grid->Columns().Count(), 0);
  EXPECT_EQ(CellBackground(f, 1, f.grid->TitleOffset()), ColorToRGB(f.grid->Color()));
  EXPECT_EQ(CellBackground(f, 1, 0), ColorToRGB(f.grid->Color()));
}

TEST(GridCellColours, BuiltInHighlightsOfFocusedAndUnfocusedGrids) {
  DrawnGridFixture f(4);
  TCustomDBGridEh& grid = *f.grid;
  WithoutStyle builtIn(grid);
  const int first = grid.TitleOffset();

  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghRowHighlight});
  grid.SetFocus();
  f.ui.Process();
  ASSERT_TRUE(grid.IsFocused());
  ASSERT_EQ(grid.Col(), 1);
  EXPECT_EQ(CellBackground(f, kNameCol, first), ColorToRGB(clHighlight)) << "another cell of the current row";
  EXPECT_EQ(CellBackground(f, 1, first), ColorToRGB(clHighlight)) << "the current cell";
  EXPECT_EQ(CellBackground(f, kNameCol, first + 1), ColorToRGB(grid.Color()));

  // Unfocused: the current cell shows its selection darker, a selected row the button face.
  grid.SetOptions(grid.Options() + TDBGridOptions{dgAlwaysShowSelection});
  grid.SetOptionsEh(grid.OptionsEh() - TDBGridEhOptions{dghRowHighlight});
  f.data.Next();
  f.data.Next();
  grid.SelectedRows().SetCurrentRowSelected(true);
  f.data.First();
  TEdit* other = new TEdit(f.form.get());
  other->SetParent(f.form.get());
  other->SetBounds(0, 400, 80, 24);
  other->SetFocus();
  f.ui.Process();
  ASSERT_FALSE(grid.IsFocused());
  EXPECT_EQ(CellBackground(f, 1, first), ColorToRGB(clBtnShadow)) << "the current cell";
  EXPECT_EQ(CellBackground(f, kNameCol, first + 2), ColorToRGB(clBtnFace)) << "a cell of a selected row";
  EXPECT_EQ(CellBackground(f, 0, first + 2), ColorToRGB(grid.FixedColor()))
      << "the indicator of a selected row without multi-select";

  grid.Selection().Columns().Select(grid.Columns().Items(1), false);
  f.ui.Process();
  const TRect title = grid.CellRect(kNameCol, 0);
  EXPECT_EQ(CellBackground(f, kNameCol, 0), 0x404040u) << "a highlighted title";
  const int white = test::CountPixels(UiDriver::Screen(), [&](int x, int y, TColorRef c) {
    const TPoint p = grid.ClientToScreen(Point(title.left, title.top));
    return x >= p.x && x < p.x + title.Width() && y >= p.y && y < p.y + title.Height() && c == 0xFFFFFFu;
  });
  EXPECT_GT(white, 5) << "its caption in white";
  EXPECT_EQ(CellBackground(f, kNameCol, first + 1), ColorToRGB(clBtnFace)) << "a cell of the selected column";
}

// Pixels inside the cell (its edges left out) that differ from the colour.
int InkInCell(const DrawnGridFixture& f, int col, int row, TColorRef background) {
  const TRect cell = f.grid->CellRect(col, row);
  const TPoint origin = f.grid->ClientToScreen(Point(cell.left, cell.top));
  return test::CountPixels(UiDriver::Screen(), [&](int x, int y, TColorRef c) {
    return x > origin.x && x < origin.x + cell.Width() - 1 && y > origin.y &&
           y < origin.y + cell.Height() - 1 && c != background;
  });
}

TEST(GridHideDuplicates, RunsShowTheirFirstValueAndNoLineInside) {
  DrawnGridFixture f(8);
  TCustomDBGridEh& grid = *f.grid;
  f.Column("ID");
  f.Column("CODE")->SetHideDuplicates(true);  // "k1" in every record
  f.Column("NAME");
  f.FitDataRows(3);
  const int first = grid.TitleOffset();
  const TColorRef window = ColorToRGB(clWindow);
  EXPECT_GT(InkInCell(f, 2, first, window), 0) << "the first of the run";
  EXPECT_EQ(InkInCell(f, 2, first + 1, window), 0);
  EXPECT_EQ(InkInCell(f, 2, first + 2, window), 0);
  EXPECT_GT(InkInCell(f, 3, first + 1, window), 0) << "other columns keep their values";
  const int lineY = grid.CellRect(2, first + 1).top - 1;
  EXPECT_EQ(UiDriver::Pixel(f.grid, Point(grid.CellRect(2, first + 1).left + 5, lineY)), window)
      << "the row line inside the run is painted over";
  EXPECT_NE(UiDriver::Pixel(f.grid, Point(grid.CellRect(3, first + 1).left + 5, lineY)), window)
      << "and kept beside it";

  // One record down at the bottom scrolls the rows by one: the new first row shows the value.
  f.data.Next();
  f.data.Next();
  f.ui.Process();
  f.data.Next();
  f.ui.Process();
  ASSERT_EQ(grid.Row(), first + 2);
  EXPECT_GT(InkInCell(f, 2, first, window), 0) << "the first row repainted after the scroll";
  EXPECT_EQ(InkInCell(f, 2, first + 1, window), 0);
}

// Whether the artwork stands on screen with its top-left at the client point: its 'X'
// pixels in the ink colour, no others.
bool ArtShownAt(const TCustomDBGridEh& grid, const AnsiString& name, TPoint at, TColor ink) {
  const TPixelArt* art = FindPixelArt(name);
  if (art == nullptr) return false;
  for (int y = 0; y < static_cast<int>(art->rows.size()); ++y)
    for (int x = 0; x < static_cast<int>(art->rows[y].size()); ++x) {
      const bool inked = UiDriver::Pixel(&grid, Point(at.x + x, at.y + y)) == ColorToRGB(ink);
      if (inked != (art->rows[y][x] == 'X')) return false;
    }
  return true;
}

TEST(GridIndicator, ImagesByDatasetStatePlacedAtTheRightAndCentred) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  const int first = grid.TitleOffset();
  const TCustomImageList& images = IndicatorImagesEh();
  // Within the cell shrunk by one for its raised frame, one pixel from its right.
  auto framedAt = [&](int row) {
    const TRect cell = grid.CellRect(0, row);
    return Point(cell.right - 1 - images.Width() - 1, (cell.top + cell.bottom - images.Height()) / 2);
  };
  f.data.Next();
  f.ui.Process();
  EXPECT_TRUE(ArtShownAt(grid, "DBGARROWEH", framedAt(first + 1), clBlack)) << "the current record";
  EXPECT_FALSE(ArtShownAt(grid, "DBGARROWEH", framedAt(first), clBlack));

  f.data.Edit();
  f.ui.Process();
  EXPECT_TRUE(ArtShownAt(grid, "DBEDITEH", framedAt(first + 1), clBlack)) << "editing";
  f.data.Cancel();
  f.data.Insert();
  f.ui.Process();
  EXPECT_TRUE(ArtShownAt(grid, "DBINSERTEH", framedAt(first + 1), clBlack)) << "inserting";
  f.data.Cancel();

  grid.SetOptionsEh(grid.OptionsEh() - TDBGridEhOptions{dghFixed3D});
  f.ui.Process();
  const TRect cell = grid.CellRect(0, first + 1);
  EXPECT_TRUE(ArtShownAt(
      grid, "DBGARROWEH",
      Point(cell.right - images.Width() - 2, (cell.top + cell.bottom - images.Height()) / 2), clBlack))
      << "two pixels from the right of a flat cell";

  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghFixed3D});
  grid.SetOptions(grid.Options() + TDBGridOptions{dgMultiSelect});
  grid.SelectedRows().SetCurrentRowSelected(true);
  f.ui.Process();
  EXPECT_TRUE(ArtShownAt(grid, "DBGARROWEHW", framedAt(first + 1), clWhite)) << "current and selected";
}

// Where a title's marker stands: centred in the framed title cell, `right` pixels left of
// its right edge, moved by `shift` when pressed.
TPoint MarkerAt(const TCustomDBGridEh& grid, int col, int right, int shift = 0) {
  TRect cell = grid.CellRect(col, 0);
  InflateRect(cell, -1, -1);
  return Point(cell.right - kSortMarkerWidthEh - right + shift,
               (cell.top + cell.bottom - kSortMarkerHeightEh) / 2 + shift);
}

// Pixels of a rectangle of the grid other than `background`.
int InkIn(const TCustomDBGridEh& grid, const TRect& rect, TColor background) {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x)
      count += UiDriver::Pixel(&grid, Point(x, y)) != ColorToRGB(background);
  return count;
}

TEST(GridTitles, SortMarkersAndIndexesAtTheRightOfTheTitle) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  TColumnEh* name = f.Column("NAME");
  TColumnEh* id = f.Column("ID");
  name->SetWidth(120);
  id->SetWidth(120);
  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
  name->Title().SetSortMarker(smDownEh);
  f.ui.Process();
  EXPECT_TRUE(ArtShownAt(grid, "DBSMDOWNEH", MarkerAt(grid, 1, 2), clBlack)) << "one marked column: no index";
  EXPECT_EQ(name->Title().SortMarkerArea().width, 16);

  id->Title().SetSortMarker(smDownEh);
  id->Title().SetSortMarker(smUpEh);
  f.ui.Process();
  const int one = TextWidthInFontEh(SortIndexFontEh(), "1");
  const int two = TextWidthInFontEh(SortIndexFontEh(), "2");
  ASSERT_GT(one, 0);
  EXPECT_TRUE(ArtShownAt(grid, "DBSMDOWNEH", MarkerAt(grid, 1, 2 + one), clBlack)) << "beside the index";
  EXPECT_TRUE(ArtShownAt(grid, "DBSMUPEH", MarkerAt(grid, 2, 2 + two), clBlack));
  TRect number = grid.CellRect(2, 0);
  number = Rect(number.right - 1 - two - 2, MarkerAt(grid, 2, 0).y - 1, number.right - 3,
                MarkerAt(grid, 2, 0).y - 1 + kSortMarkerHeightEh + 2);
  EXPECT_GT(InkIn(grid, number, clBtnFace), 3) << "the index 2 is written";
  EXPECT_EQ(InkIn(grid, number, clWhite), number.Width() * number.Height()) << "no white on a plain title";
  grid.SetOptions(grid.Options() + TDBGridOptions{dgMultiSelect});
  grid.Selection().Columns().Select(id, false);
  f.ui.Process();
  EXPECT_LT(InkIn(grid, number, clWhite), number.Width() * number.Height()) << "a white index when highlighted";
  grid.Selection().Clear();

  // A narrow column keeps the index when the marker no longer fits, then neither.
  for (const auto& [width, area, marker, written] :
       {std::tuple{16 + two + 4, 16 + two, true, true}, std::tuple{16 + two + 3, 2 + two, false, true},
        std::tuple{2 + two + 3, 0, false, false}}) {
    id->SetWidth(width);
    const TSortMarkerAreaEh shown = id->Title().SortMarkerArea();
    EXPECT_EQ(shown.width, area) << width;
    EXPECT_EQ(shown.marker, marker) << width;
    EXPECT_EQ(!shown.number.empty(), written) << width;
  }
  id->Title().SetCaption(" ");
  f.ui.Process();
  const TRect narrow = grid.CellRect(2, 0);
  EXPECT_EQ(InkIn(grid, Rect(narrow.left + 1, narrow.top + 1, narrow.right - 1, narrow.bottom - 1), clBtnFace), 0)
      << "neither marker nor index in a title too narrow for them";

  grid.SetPressedTitleCol(1);
  f.ui.Process();
  EXPECT_TRUE(ArtShownAt(grid, "DBSMDOWNEH", MarkerAt(grid, 1, 2 + one, 1), clBlack)) << "pressed: one pixel on";
  grid.SetTitleLines(2);
  f.ui.Process();
  EXPECT_TRUE(ArtShownAt(grid, "DBSMDOWNEH", MarkerAt(grid, 1, 2 + one, 2), clBlack)) << "two with title lines";
  grid.SetPressedTitleCol(-1);
  f.ui.Process();
  EXPECT_TRUE(ArtShownAt(grid, "DBSMDOWNEH", MarkerAt(grid, 1, 2 + one), clBlack));
}

TEST(GridTitles, APressedTitleShiftsItsCaption) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  f.Column("NAME")->Title().SetCaption("Name");
  f.ui.Process();
  auto captionAt = [&] {
    TRecordingCanvas canvas(grid.ClientWidth(), grid.ClientHeight());
    grid.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);
    for (const AnsiString& call : canvas.CallsOf("ExtTextOut"))
      if (call.find("\"Name\"") != AnsiString::npos) {
        TPoint at;
        EXPECT_EQ(std::sscanf(call.c_str(), "ExtTextOut(%d,%d", &at.x, &at.y), 2) << call;
        return at;
      }
    ADD_FAILURE() << "no caption written";
    return TPoint{};
  };
  const TPoint still = captionAt();
  grid.SetPressedTitleCol(1);
  const TPoint pressed = captionAt();
  EXPECT_EQ(pressed.x, still.x + 1);
}

TEST(GridDataCells, CheckBoxesCentredAtTheSystemSize) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  f.Column("ID");
  f.Column("FLAG")->SetWidth(60);  // a Boolean field: check boxes
  f.ui.Process();
  const TSize box = InitCheckBoxSizeEh();
  const TRaster screen = UiDriver::Screen();
  for (int row : {grid.TitleOffset() + 1, grid.TitleOffset() + 2}) {
    const TRect cell = grid.CellRect(2, row);
    const TPoint origin = grid.ClientToScreen(Point(cell.left, cell.top));
    TRect ink{cell.right, cell.bottom, cell.left, cell.top};
    for (int y = cell.top; y < cell.bottom; ++y)
      for (int x = cell.left; x < cell.right; ++x)
        if (screen.Pixel(origin.x + x - cell.left, origin.y + y - cell.top) != ColorToRGB(clWindow)) {
          ink.left = std::min(ink.left, x);
          ink.top = std::min(ink.top, y);
          ink.right = std::max(ink.right, x + 1);
          ink.bottom = std::max(ink.bottom, y + 1);
        }
    // The box's outer light edge at the right and bottom is as white as the cell.
    EXPECT_EQ(ink.Width(), box.cx - 1) << "row " << row;
    EXPECT_EQ(ink.Height(), box.cy - 1) << "row " << row;
    EXPECT_LE(std::abs((ink.left - cell.left) - (cell.right - ink.left - box.cx)), 1) << "centred across";
    EXPECT_LE(std::abs((ink.top - cell.top) - (cell.bottom - ink.top - box.cy)), 1) << "centred down";
  }
}

struct Edge {
  TRect rect;
  unsigned edge = 0;
};

std::vector<Edge> PaintedEdges(TCustomDBGridEh& grid) {
  TRecordingCanvas canvas(grid.ClientWidth(), grid.ClientHeight());
  grid.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);
  std::vector<Edge> edges;
  for (const AnsiString& call : canvas.CallsOf("DrawEdge")) {
    Edge e;
    unsigned flags = 0;
    EXPECT_EQ(std::sscanf(call.c_str(), "DrawEdge(%d,%d,%d,%d,$%X,$%X)", &e.rect.left, &e.rect.top,
                          &e.rect.right, &e.rect.bottom, &e.edge, &flags),
              6)
        << call;
    edges.push_back(e);
  }
  return edges;
}

// The edge style drawn around the cell; 0 when it has no frame.
unsigned EdgeOf(const std::vector<Edge>& edges, const TRect& cell) {
  for (const Edge& e : edges)
    if (e.rect == cell) return e.edge;
  return 0;
}

TEST(GridCellFrames, FixedCellsRaisedDataCellsOnlyWithTheOption) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  const int first = grid.TitleOffset();
  std::vector<Edge> edges = PaintedEdges(grid);
  EXPECT_EQ(EdgeOf(edges, grid.CellRect(0, first)), unsigned{BDR_RAISEDINNER}) << "indicator";
  EXPECT_EQ(EdgeOf(edges, grid.CellRect(kNameCol, 0)), unsigned{BDR_RAISEDINNER}) << "title";
  EXPECT_EQ(EdgeOf(edges, grid.CellRect(kNameCol, first)), 0u) << "data cells are flat by default";

  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghData3D});
  grid.Selection().Columns().Select(grid.Columns().Items(1), false);
  edges = PaintedEdges(grid);
  EXPECT_EQ(EdgeOf(edges, grid.CellRect(kNameCol + 1, first + 1)), unsigned{BDR_RAISEDINNER});
  EXPECT_EQ(EdgeOf(edges, grid.CellRect(kNameCol, 0)), unsigned{BDR_SUNKENINNER}) << "a highlighted title";
  const TRect title = grid.CellRect(kNameCol, 0);
  EXPECT_EQ(std::count_if(edges.begin(), edges.end(), [&](const Edge& e) { return e.rect == title; }), 1)
      << "one frame, not raised over sunken";

  grid.SetOptionsEh(grid.OptionsEh() - TDBGridEhOptions{dghFixed3D});
  edges = PaintedEdges(grid);
  EXPECT_EQ(EdgeOf(edges, grid.CellRect(0, first)), 0u);
  EXPECT_TRUE(grid.IsCell3D(kNameCol, first, {}));
  EXPECT_FALSE(grid.IsCell3D(kNameCol, first, {gdFixed})) << "a frozen cell without its option";
  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghFrozen3D});
  EXPECT_TRUE(grid.IsCell3D(kNameCol, first, {gdFixed}));
}

TEST(GridCellFrames, FootersTakeTheirOwnOption) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  grid.SetFooterRowCount(1);
  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghData3D});
  f.ui.Process();
  const int footer = grid.RowCount();
  EXPECT_FALSE(grid.IsCell3D(kNameCol, footer, {})) << "data frames leave footers alone";
  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghFooter3D});
  EXPECT_TRUE(grid.IsCell3D(kNameCol, footer, {}));
}

TEST(GridRequiredMark, AnEmptyRequiredFieldOfTheEditedRecordIsUnderlinedInRed) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  f.Column("ID");
  f.Column("NAME")->SetHighlightRequired(true);
  f.Field("NAME")->SetRequired(true);
  const int first = grid.TitleOffset();
  auto redAt = [&](int x) {
    const TRect cell = grid.CellRect(kNameCol, first);
    return UiDriver::Pixel(f.grid, Point(cell.left + x, cell.bottom - 1)) == ColorToRGB(clRed);
  };
  f.ui.Process();
  EXPECT_FALSE(redAt(2)) << "browsing: no mark";

  f.data.Edit();
  f.Field("NAME")->Clear();
  f.ui.Process();
  EXPECT_TRUE(redAt(2)) << "the dotted line starts two pixels in";
  EXPECT_FALSE(redAt(1));
  const TRect cell = grid.CellRect(kNameCol, first);
  EXPECT_FALSE(UiDriver::Pixel(f.grid, Point(cell.left + 2, first == 0 ? 0 : cell.bottom - 2)) ==
               ColorToRGB(clRed))
      << "one line only";

  grid.Columns().Items(1)->OnCheckDrawRequiredState = [](TObject*, const AnsiString&, bool& draw) {
    draw = false;
  };
  grid.Invalidate();
  f.ui.Process();
  EXPECT_FALSE(redAt(2)) << "the handler vetoed the mark";
}

}  // namespace
}  // namespace ordvane
