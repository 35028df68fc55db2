// The grid's stored settings: defaults and setters, automatic fitting switched on and off,
// a data row sized with the mouse, the title and footer fonts and the footer colour
// following the grid and its parent, the flat border, and references dropped when the
// components they point to are destroyed.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "classlib/core/Math.h"
#include "classlib/ui/ImgList.h"
#include "classlib/ui/Menus.h"
#include "classlib/ui/RecordingDC.h"
#include "classlib/ui/ScrollBars.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::TextHeightOf;
using test::TMemDataSet;

bool WindowHasStyle(TWinControl& control, UINT style) {
  return (static_cast<UINT>(GetWindowLong(control.Handle(), GWL_STYLE)) & style) != 0;
}

// ---- Defaults and setters -------------------------------------------------------------

TEST(GridProperties, ANewGridHasItsDefaults) {
  test::UiDriver ui;
  TDBGridEh grid(nullptr);
  EXPECT_EQ(grid.Options(), (TDBGridOptions{dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines,
                                            dgRowLines, dgTabs, dgConfirmDelete, dgCancelOnExit}));
  EXPECT_EQ(grid.OptionsEh(),
            (TDBGridEhOptions{dghFixed3D, dghHighlightFocus, dghClearSelection, dghDialogFind}));
  EXPECT_EQ(grid.AllowedOperations(),
            (TDBGridEhAllowedOperations{alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh}));
  EXPECT_EQ(grid.AllowedSelections(),
            (TDBGridEhAllowedSelections{gstRecordBookmarks, gstRectangle, gstColumns, gstAll}));
  EXPECT_EQ(grid.FixedColor(), clBtnFace);
  EXPECT_EQ(grid.VTitleMargin(), 10);
  EXPECT_EQ(grid.BorderStyle(), bsSingle);
  EXPECT_EQ(grid.Color(), clWindow);
  EXPECT_FALSE(grid.ParentColor());
  EXPECT_FALSE(grid.RowSizingAllowed());
  EXPECT_FALSE(grid.TCustomGridEh::Options().Contains(grRowSizing));
  EXPECT_EQ(grid.VertScrollBar().ClassName(), "TVertDBGridEhScrollBar");
  EXPECT_EQ(grid.VertScrollBar().Kind(), sbVertical);
  EXPECT_EQ(grid.HorzScrollBar().ClassName(), "TDBGridEhScrollBar");
  EXPECT_EQ(grid.HorzScrollBar().Kind(), sbHorizontal);
}

TEST(GridProperties, SettersKeepTheirRules) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  grid.SetRowHeight(-5);
  EXPECT_EQ(grid.RowHeight(), 0);
  grid.SetRowLines(-1);
  EXPECT_EQ(grid.RowLines(), 0);

  grid.SetRowSizingAllowed(true);
  EXPECT_TRUE(grid.TCustomGridEh::Options().Contains(grRowSizing));
  grid.SetOptions(grid.Options() - TDBGridOptions{dgTabs});
  EXPECT_TRUE(grid.TCustomGridEh::Options().Contains(grRowSizing)) << "Options keep the row sizing";
  grid.SetRowSizingAllowed(false);
  EXPECT_FALSE(grid.TCustomGridEh::Options().Contains(grRowSizing));

  const int layouts = f.grid->layouts;
  grid.SetVTitleMargin(4);
  EXPECT_EQ(grid.VTitleMargin(), 4);
  EXPECT_EQ(f.grid->layouts, layouts + 1);

  // Row colours follow Color until set; set, they stay, also at the colour they had.
  grid.SetColor(clYellow);
  EXPECT_EQ(grid.EvenRowColor(), clYellow);
  EXPECT_EQ(grid.OddRowColor(), clYellow);
  grid.SetEvenRowColor(clYellow);
  grid.SetOddRowColor(clAqua);
  grid.SetColor(clLime);
  EXPECT_EQ(grid.EvenRowColor(), clYellow);
  EXPECT_EQ(grid.OddRowColor(), clAqua);
}

TEST(GridProperties, OwnedPartsAreTakenAsCopies) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  TDBGridEhColumnDefValuesEh defaults;
  defaults.HighlightRequired = true;
  defaults.Title().TitleButton = true;
  grid.SetColumnDefValues(defaults);
  EXPECT_TRUE(grid.ColumnDefValues().HighlightRequired);
  EXPECT_TRUE(grid.ColumnDefValues().Title().TitleButton);

  test::TDataGrid other(nullptr);
  other.HorzScrollBar().SetVisibleMode(sbNeverShowEh);
  other.VertScrollBar().SetTracking(true);
  TScrollBar external(f.form.get());
  external.SetParent(f.form.get());
  grid.HorzScrollBar().SetExtScrollBar(&external);
  grid.SetHorzScrollBar(other.HorzScrollBar());
  grid.SetVertScrollBar(other.VertScrollBar());
  EXPECT_EQ(grid.HorzScrollBar().VisibleMode(), sbNeverShowEh);
  EXPECT_EQ(grid.HorzScrollBar().ExtScrollBar(), &external) << "an external bar belongs to one grid";
  EXPECT_TRUE(grid.VertScrollBar().Tracking());
  EXPECT_EQ(grid.VertScrollBar().Kind(), sbVertical);

  other.STFilter().SetVisible(true);
  other.STFilter().SetLocal(true);
  grid.SetSTFilter(other.STFilter());
  EXPECT_TRUE(grid.STFilter().Local());
  EXPECT_EQ(grid.TitleOffset(), 2) << "the filter row shows";
  grid.HorzScrollBar().SetExtScrollBar(nullptr);
}

TEST(GridProperties, DroppingMultiSortMarkingKeepsTheFirstKey) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  TColumnEh* columns[] = {f.Column("ID"), f.Column("NAME"), f.Column("CODE")};
  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
  for (TColumnEh* column : {columns[1], columns[2], columns[0]}) column->Title().SetSortMarker(smDownEh);
  ASSERT_EQ(grid.SortMarkedColumns().Count(), 3);
  ASSERT_EQ(columns[1]->Title().SortIndex(), 1);

  grid.SetOptionsEh(grid.OptionsEh() - TDBGridEhOptions{dghMultiSortMarking});
  EXPECT_EQ(grid.SortMarkedColumns().Count(), 1);
  EXPECT_EQ(grid.SortMarkedColumns().Items(0), columns[1]);
  EXPECT_EQ(columns[1]->Title().SortMarker(), smDownEh);
  EXPECT_EQ(columns[0]->Title().SortMarker(), smNoneEh);
  EXPECT_EQ(columns[2]->Title().SortMarker(), smNoneEh);

  // During a column update the markers change but the list waits: still one pass.
  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
  columns[2]->Title().SetSortMarker(smUpEh);
  grid.Columns().BeginUpdate();
  grid.SetOptionsEh(grid.OptionsEh() - TDBGridEhOptions{dghMultiSortMarking});
  grid.Columns().EndUpdate();
  EXPECT_EQ(columns[2]->Title().SortMarker(), smNoneEh);
  EXPECT_EQ(columns[1]->Title().SortMarker(), smDownEh);
}

TEST(GridProperties, ASelectionNoLongerAllowedIsCleared) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  grid.SetOptions(grid.Options() + TDBGridOptions{dgMultiSelect});
  grid.Selection().SelectAll();
  grid.SetAllowedSelections({gstRecordBookmarks, gstAll});
  EXPECT_EQ(grid.Selection().SelectionType(), gstAll) << "still allowed";
  grid.SetAllowedSelections({gstRecordBookmarks});
  EXPECT_EQ(grid.Selection().SelectionType(), gstNon);
}

// ---- Automatic fitting --------------------------------------------------------------------

TEST(GridProperties, AutoFitSavesTheWidthsAndRestoresThemWithTheBar) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  const int widths[] = {250, 180, 320, 210};
  const char* names[] = {"ID", "NAME", "CODE", "CITY"};
  for (int i = 0; i < 4; ++i) f.Column(names[i])->SetWidth(widths[i]);
  f.ui.Process();
  grid.SetLeftCol(grid.FixedCols() + 2);
  ASSERT_TRUE(WindowHasStyle(grid, WS_HSCROLL));
  ASSERT_GT(grid.LeftCol(), grid.FixedCols());

  grid.SetAutoFitColWidths(true);
  f.ui.Process();
  EXPECT_EQ(grid.ScrollBars(), ssNone);
  EXPECT_FALSE(WindowHasStyle(grid, WS_HSCROLL));
  EXPECT_EQ(grid.LeftCol(), grid.FixedCols()) << "back at the first data column";
  int fitted = 0;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(grid.Columns().Items(i)->WidthToRestore(), widths[i]);
    fitted += grid.Columns().Items(i)->Width();
  }
  EXPECT_LT(fitted, grid.ClientWidth());

  grid.SetAutoFitColWidths(false);
  f.ui.Process();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(grid.Columns().Items(i)->Width(), widths[i]);
  EXPECT_EQ(grid.ScrollBars(), ssHorizontal);
  EXPECT_TRUE(WindowHasStyle(grid, WS_HSCROLL));
}

// ---- A row sized with the mouse -------------------------------------------------------------

TEST(GridProperties, ADataRowSizedWithTheMouseBecomesRowHeight) {
  DataGridFixture f(30);
  TCustomDBGridEh& grid = *f.grid;
  grid.SetRowLines(2);
  f.ui.Process();
  const int height = grid.DefaultRowHeight();
  const int rowsShown = grid.VisibleRowCount();
  const TPoint border{5, grid.CellRect(0, grid.TitleOffset() + 1).bottom};

  f.ui.Drag(&grid, border, {border.x, border.y + 12});
  EXPECT_EQ(grid.RowHeight(), 0) << "sizing rows is not allowed";
  EXPECT_EQ(grid.DefaultRowHeight(), height);

  grid.SetRowSizingAllowed(true);
  f.ui.Advance(1000);  // no double click
  f.ui.Drag(&grid, border, {border.x, border.y + 12});
  EXPECT_EQ(grid.RowLines(), 0);
  EXPECT_EQ(grid.RowHeight(), height + 12);
  EXPECT_EQ(grid.DefaultRowHeight(), height + 12);
  for (int row = grid.TitleOffset(); row < grid.RowCount(); ++row)
    EXPECT_EQ(grid.RowHeights(row), height + 12) << "row " << row;
  EXPECT_LT(grid.VisibleRowCount(), rowsShown);
  EXPECT_EQ(grid.DataLink().BufferCount(), grid.VisibleRowCount());
}

// ---- Fonts and colours --------------------------------------------------------------------

TEST(GridProperties, TheGridsFontRelaysTheRowsAndTheColumnsDefaultFonts) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  TColumnEh* plain = f.Column("NAME");
  TColumnEh* own = f.Column("CODE");
  own->Font()->SetSize(7);
  f.ui.Process();
  const int layouts = f.grid->layouts;

  grid.Font()->SetSize(grid.Font()->Size() + 8);
  EXPECT_GT(f.grid->layouts, layouts);
  EXPECT_EQ(grid.DefaultRowHeight(), TextHeightOf(*grid.Font()) + 3 + 1);
  EXPECT_EQ(plain->Font()->Size(), grid.Font()->Size());
  EXPECT_EQ(own->Font()->Size(), 7) << "a font of its own stays";
}

TEST(GridProperties, TitleAndFooterFontsFollowTheParentUntilChanged) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  ASSERT_TRUE(grid.ParentFont());
  f.form->Font()->SetSize(15);
  EXPECT_TRUE(grid.ParentFont());
  EXPECT_EQ(grid.TitleFont()->Size(), 15);
  EXPECT_EQ(grid.FooterFont()->Size(), 15);
  EXPECT_EQ(grid.RowHeights(0), TextHeightOf(*grid.TitleFont()) + 4) << "laid out anew";

  // Loading stored settings changes no parent flag.
  grid.BeginLoading();
  grid.TitleFont()->SetStyle({fsBold});
  grid.EndLoading();
  EXPECT_TRUE(grid.ParentFont());

  const int layouts = f.grid->layouts;
  grid.TitleFont()->SetSize(11);
  EXPECT_FALSE(grid.ParentFont());
  EXPECT_EQ(f.grid->layouts, layouts + 1) << "titles shown";
  f.form->Font()->SetSize(9);
  EXPECT_EQ(grid.TitleFont()->Size(), 11);
  EXPECT_EQ(grid.FooterFont()->Size(), 15);

  grid.SetParentFont(true);
  EXPECT_EQ(grid.TitleFont()->Size(), 9);
  TFont footer;
  footer.SetSize(12);
  grid.SetFooterFont(footer);
  EXPECT_FALSE(grid.ParentFont()) << "also the footer font";
  EXPECT_EQ(grid.FooterFont()->Size(), 12);
}

TEST(GridProperties, TheFooterColourFollowsTheParentsColour) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  grid.SetParentColor(true);
  f.form->SetColor(clYellow);
  EXPECT_EQ(grid.Color(), clYellow);
  EXPECT_EQ(grid.FooterColor(), clYellow);

  grid.SetFooterColor(clRed);
  EXPECT_FALSE(grid.ParentColor());
  f.form->SetColor(clAqua);
  EXPECT_EQ(grid.Color(), clYellow);
  EXPECT_EQ(grid.FooterColor(), clRed);
}

// ---- Clicks -------------------------------------------------------------------------------

TEST(GridProperties, AReleaseOverThePressedCellClicksItsTitleOrDataCell) {
  DataGridFixture f;
  TCustomDBGridEh& grid = *f.grid;
  f.Column("ID");
  f.Column("NAME");
  f.ui.Process();
  std::vector<AnsiString> clicks;
  grid.OnCellClick = [&](TColumnEh* column) { clicks.push_back("cell " + column->FieldName()); };
  grid.OnTitleClick = [&](TColumnEh* column) { clicks.push_back("title " + column->FieldName()); };
  const auto centre = [&](int col, int row) {
    const TRect cell = grid.CellRect(col, row);
    return TPoint{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  };
  const int nameCol = grid.DataToRawColumn(1);
  const int second = grid.TitleOffset() + 1;

  f.ui.Click(&grid, centre(nameCol, second));
  f.ui.Advance(1000);
  f.ui.Click(&grid, centre(nameCol, 0));
  f.ui.Advance(1000);
  f.ui.Click(&grid, centre(0, second));
  f.ui.Advance(1000);
  f.ui.Press(&grid, centre(nameCol, second));
  f.ui.Release(&grid, centre(nameCol, second + 1));
  EXPECT_EQ(clicks, (std::vector<AnsiString>{"cell NAME", "title NAME"}))
      << "the indicator and a release elsewhere click nothing";

  // A press on the current cell shows the editor: the release lies in it.
  clicks.clear();
  f.ui.Advance(1000);
  ASSERT_EQ(grid.Col(), nameCol);
  f.ui.Click(&grid, centre(nameCol, grid.Row()));
  ASSERT_TRUE(grid.InplaceEditor() != nullptr && grid.InplaceEditor()->Visible());
  EXPECT_TRUE(clicks.empty());
}

// ---- Flat ---------------------------------------------------------------------------------

// Records the border calls and counts the windows made.
class TBorderGrid : public test::TDataGrid {
 public:
  using test::TDataGrid::TDataGrid;
  std::vector<AnsiString> borderCalls;
  int windowsMade = 0;

 protected:
  void PaintBorder(HDC dc) override {
    TRecordingDC recorder(*dc);
    TCustomDBGridEh::PaintBorder(&recorder);
    borderCalls.insert(borderCalls.end(), recorder.Calls().begin(), recorder.Calls().end());
  }
  void CreateWnd() override {
    ++windowsMade;
    test::TDataGrid::CreateWnd();
  }
};

TEST(GridProperties, AFlatGridDrawsOneSunkenInnerEdgeAroundASmallerClientArea) {
  DataGridFixture<TMemDataSet, TBorderGrid> f;
  TBorderGrid& grid = *f.grid;
  grid.SetBorderStyle(bsSingle);
  f.ui.Process();
  EXPECT_EQ(grid.EditButtonsBorderWidth(), 4);
  const int windows = grid.windowsMade;
  grid.SetFlat(true);
  EXPECT_EQ(grid.windowsMade, windows + 1);
  EXPECT_EQ(grid.EditButtonsBorderWidth(), 2);
  grid.borderCalls.clear();
  RedrawWindow(grid.Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  f.ui.Process();

  TBitmap scratch(grid.Width(), grid.Height());
  TRecordingDC expected(*scratch.Canvas()->Handle());
  TRect ring{0, 0, grid.Width(), grid.Height()};
  expected.DrawEdge(ring, BDR_SUNKENINNER, BF_RECT);
  EXPECT_EQ(grid.borderCalls, expected.Calls());

  TRect window;
  GetWindowRect(grid.Handle(), window);
  EXPECT_EQ(grid.ClientToScreen({0, 0}), (TPoint{window.left + 1, window.top + 1}));
  const int barWidth = WindowHasStyle(grid, WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  const int barHeight = WindowHasStyle(grid, WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0;
  EXPECT_EQ(grid.ClientWidth(), grid.Width() - 2 - barWidth);
  EXPECT_EQ(grid.ClientHeight(), grid.Height() - 2 - barHeight);

  grid.SetCtl3D(false);
  f.ui.Process();
  grid.borderCalls.clear();
  RedrawWindow(grid.Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  f.ui.Process();
  EXPECT_TRUE(grid.borderCalls.empty()) << "without Ctl3D the window keeps its plain border";

  grid.SetFlat(false);
  EXPECT_EQ(grid.windowsMade, windows + 3) << "Ctl3D and Flat each made the window anew";
  EXPECT_EQ(grid.EditButtonsBorderWidth(), 4);
}

// ---- Removal ------------------------------------------------------------------------------

TEST(GridProperties, DestroyedComponentsLeaveNoReferenceBehind) {
  DataGridFixture<TMemDataSet, TDBGridEh> f;
  TCustomDBGridEh& grid = *f.grid;
  TColumnEh* name = f.Column("NAME");
  TColumnEh* city = f.Column("CITY_ID");
  grid.STFilter().SetVisible(true);

  auto* menu = new TPopupMenu(f.form.get());
  name->SetPopupMenu(menu);
  city->SetPopupMenu(menu);
  delete menu;
  EXPECT_EQ(name->PopupMenu(), nullptr);
  EXPECT_EQ(city->PopupMenu(), nullptr);

  auto* images = new TImageList(f.form.get(), 8, 8);
  TBitmap picture(8, 8);
  images->Add(picture, nullptr);
  grid.SetTitleImages(images);
  name->Title().SetImageIndex(0);
  name->SetImageList(images);
  f.ui.Process();
  delete images;
  EXPECT_EQ(grid.TitleImages(), nullptr);
  EXPECT_EQ(name->ImageList(), nullptr);
  grid.Repaint();

  // A list source serving both the drop-down and the filter row of a column.
  auto* list = new TDataSource(f.form.get());
  list->SetDataSet(&f.cities);
  city->DropDownBox().SetListSource(list);
  city->STFilter().SetListSource(list);
  ASSERT_EQ(city->LookupDataSet(), &f.cities);
  delete list;
  EXPECT_EQ(city->DropDownBox().ListSource(), nullptr);
  EXPECT_EQ(city->STFilter().ListSource(), nullptr);
  EXPECT_EQ(city->LookupDataSet(), nullptr);

  // Copied from a column of another grid, the filter's source is watched here too.
  test::TDataGrid other(nullptr);
  TColumnEh* source = other.Columns().Add();
  auto* copied = new TDataSource(f.form.get());
  source->STFilter().SetListSource(copied);
  source->DropDownBox().SetListSource(copied);
  name->STFilter().Assign(&source->STFilter());
  name->DropDownBox().Assign(&source->DropDownBox());
  delete copied;
  EXPECT_EQ(name->STFilter().ListSource(), nullptr);
  EXPECT_EQ(name->DropDownBox().ListSource(), nullptr);

  delete f.Field("NAME");
  EXPECT_EQ(name->Field(), nullptr);
  grid.Repaint();

  auto* own = new TDataSource(f.form.get());
  own->SetDataSet(&f.data);
  grid.SetDataSource(own);
  delete own;
  EXPECT_EQ(grid.DataSource(), nullptr);
  grid.Repaint();
}

// ---- Scaling ---------------------------------------------------------------------------

TEST(GridScaling, ColumnWidthsScaleByTheirRunningSumSoTheTotalIsExact) {
  const int widths[] = {33, 47, 61, 20, 9};
  for (const auto& [m, d] : {std::pair{3, 2}, std::pair{2, 3}, std::pair{7, 5}, std::pair{96, 120}, std::pair{5, 7}}) {
    SCOPED_TRACE(std::to_string(m) + "/" + std::to_string(d));
    DataGridFixture<> f;
    int total = 0;
    for (const int width : widths) {
      f.Column("NAME")->SetWidth(width);
      total += width;
    }
    f.grid->ScaleBy(m, d);
    int scaledTotal = 0;
    for (int i = 0; i < f.grid->Columns().Count(); ++i) {
      const int width = f.grid->Columns().Items(i)->Width();
      const double exact = static_cast<double>(widths[i]) * m / d;
      EXPECT_LE(std::abs(width - exact), 1.0) << "column " << i;
      scaledTotal += width;
    }
    EXPECT_EQ(scaledTotal, MulDiv(total, m, d)) << "no rounding adds up";
  }
}

TEST(GridScaling, OwnFontsScaleAndParentFontsFollowTheParent) {
  DataGridFixture<> f;
  TColumnEh* plain = f.Column("NAME");
  TColumnEh* own = f.Column("CODE");
  TFont font;
  font.SetSize(10);
  own->SetFont(font);
  own->Title().SetFont(font);
  own->Footer().Font()->SetSize(10);
  own->Footers().Add()->Font()->SetSize(12);
  const int gridSize = f.grid->Font()->Size();
  const int titleSize = f.grid->TitleFont()->Size();
  ASSERT_TRUE(f.grid->ParentFont());

  f.grid->ScaleBy(3, 2);
  EXPECT_EQ(f.grid->Font()->Size(), gridSize) << "the parent's font, not scaled by the grid";
  EXPECT_EQ(f.grid->TitleFont()->Size(), titleSize);
  EXPECT_EQ(own->Font()->Size(), 15) << "a column's own fonts scale whatever the grid's";
  EXPECT_EQ(own->Title().Font()->Size(), 15);
  EXPECT_EQ(own->Footer().Font()->Size(), 15);
  EXPECT_EQ(own->Footers().Items(0)->Font()->Size(), 18);
  EXPECT_FALSE(plain->AssignedValues().Contains(cvFont)) << "a default font stays the grid's";

  f.grid->SetParentFont(false);
  f.grid->Font()->SetSize(8);
  f.grid->TitleFont()->SetSize(8);
  f.grid->FooterFont()->SetSize(10);
  f.grid->ScaleBy(3, 2);
  EXPECT_EQ(f.grid->Font()->Size(), 12);
  EXPECT_EQ(f.grid->TitleFont()->Size(), 12);
  EXPECT_EQ(f.grid->FooterFont()->Size(), 15);
  EXPECT_EQ(plain->Font()->Size(), 12) << "a default font follows the scaled grid font";
  EXPECT_EQ(own->Font()->Size(), 23) << "15 * 3 / 2, rounded";
}

TEST(GridScaling, AFormScalesItsGridsPlace) {
  DataGridFixture<> f;
  f.grid->SetBounds(10, 21, 300, 101);
  f.form->ScaleBy(2, 1);
  EXPECT_EQ(f.grid->BoundsRect(), Rect(20, 42, 620, 244));
  f.form->ScaleBy(1, 2);
  EXPECT_EQ(f.grid->BoundsRect(), Rect(10, 21, 310, 122));
}

// ---- Anchors and constraints ------------------------------------------------------------

TEST(GridAnchors, AnAnchoredGridFollowsItsResizedFormWithinItsConstraints) {
  DataGridFixture<> f;
  f.grid->SetBounds(10, 20, 500, 250);
  f.grid->SetAnchors({akLeft, akTop, akRight, akBottom});
  auto* corner = new test::TDataGrid(f.form.get());
  corner->SetParent(f.form.get());
  corner->SetBounds(540, 400, 60, 40);
  corner->SetAnchors({akRight, akBottom});
  const TRect client = f.form->ClientRect();
  const auto resizeClientBy = [&f, client](int dx, int dy) {
    f.form->SetClientSize(client.Width() + dx, client.Height() + dy);
    f.ui.Process();
  };

  resizeClientBy(100, 50);
  EXPECT_EQ(f.grid->BoundsRect(), Rect(10, 20, 610, 320)) << "both edges kept their distances";
  EXPECT_EQ(corner->BoundsRect(), Rect(640, 450, 700, 490)) << "moved with the corner, same size";
  resizeClientBy(-100, -50);
  EXPECT_EQ(f.grid->BoundsRect(), Rect(10, 20, 410, 220));
  EXPECT_EQ(corner->BoundsRect(), Rect(440, 350, 500, 390));
  resizeClientBy(0, 0);
  EXPECT_EQ(f.grid->BoundsRect(), Rect(10, 20, 510, 270));
  EXPECT_EQ(corner->BoundsRect(), Rect(540, 400, 600, 440));

  f.grid->Constraints().SetMaxWidth(550);
  f.grid->Constraints().SetMinHeight(200);
  resizeClientBy(200, -100);
  EXPECT_EQ(f.grid->Width(), 550) << "no wider than its maximum";
  EXPECT_EQ(f.grid->Height(), 200) << "no lower than its minimum";
  resizeClientBy(0, 0);
  EXPECT_EQ(f.grid->BoundsRect(), Rect(10, 20, 510, 270)) << "the distances outlived the constraints";

  f.grid->Constraints().SetMinHeight(0);
  f.grid->Constraints().SetMaxHeight(100);
  EXPECT_EQ(f.grid->Height(), 100) << "a new constraint applies at once";
  f.grid->Constraints().SetMinWidth(600);
  EXPECT_EQ(f.grid->Width(), 600) << "a maximum below the minimum gives way";
}

TEST(GridAnchors, AScaledFormKeepsItsAnchoredGridInPlace) {
  DataGridFixture<> f;
  f.grid->SetBounds(10, 20, 500, 250);
  f.grid->SetAnchors({akLeft, akTop, akRight, akBottom});
  f.ui.Process();
  const TRect before = f.grid->BoundsRect();
  f.form->ScaleBy(3, 2);
  f.ui.Process();
  EXPECT_EQ(f.grid->BoundsRect(), Rect(15, 30, 765, 405));
  f.form->ScaleBy(2, 3);
  f.ui.Process();
  EXPECT_EQ(f.grid->BoundsRect(), before);
}

}  // namespace
}  // namespace ordvane
