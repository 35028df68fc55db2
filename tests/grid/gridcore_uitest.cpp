// The data-aware grid core over the in-memory dataset: rows that follow the records and
// the client height, the field map and default columns, the layout's heights and fixed
// columns, automatic fitting of widths, the layout sections with the deferred layout, and
// keeping the position around a walk.

#include <gtest/gtest.h>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/RasterDC.h"
#include "classlib/ui/ScrollBars.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::TextHeightOf;

SCROLLINFO VerticalBar(TCustomDBGridEh& grid) {
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(grid.Handle(), SB_VERT, info);
  return info;
}

int SumOfDataWidths(const TCustomDBGridEh& grid) {
  int sum = 0;
  for (int col = grid.IndicatorOffset(); col < grid.ColCount(); ++col) sum += grid.ColWidths(col);
  return sum;
}

TEST(GridCore, RowsFollowTheRecordsAndTheBufferFitsTheClientHeight) {
  DataGridFixture few(3);
  few.FitDataRows(10);
  EXPECT_EQ(few.grid->RowCount(), 1 + 3) << "three records, three data rows";

  DataGridFixture f(1000);
  f.FitDataRows(10);
  EXPECT_EQ(f.grid->DataLink().BufferCount(), 10);
  EXPECT_EQ(f.grid->RowCount(), 1 + 10);
  f.grid->SetFooterRowCount(2);
  EXPECT_EQ(f.grid->DataLink().BufferCount(), 8) << "no data row under the footers";
  EXPECT_EQ(f.grid->ContraRowCount(), 2);
  f.grid->SetFooterRowCount(0);

  f.data.Last();
  EXPECT_EQ(f.grid->Row(), 10);
  f.data.MoveBy(-3);
  EXPECT_EQ(f.grid->Row(), 7);
  f.data.First();
  EXPECT_EQ(f.grid->Row(), 1);
  f.data.SetRecNo(500);
  EXPECT_EQ(f.grid->Row(), f.grid->DataLink().ActiveRecord() + 1);
  EXPECT_EQ(f.Field("ID")->AsInteger(), 500);

  f.data.Close();
  EXPECT_EQ(f.grid->RowCount(), 2) << "a closed dataset leaves one empty data row";
}

TEST(GridCore, AnInactiveLinkKeepsCustomColumnsAndTheIndicatorButNoDefaultOnes) {
  DataGridFixture f;
  EXPECT_EQ(f.grid->Columns().Count(), 7) << "one default column per visible field";
  f.data.Close();
  EXPECT_EQ(f.grid->Columns().Count(), 0);
  EXPECT_EQ(f.grid->FixedCols(), 1) << "the indicator stays";

  f.Column("NAME");
  f.Column("ID");
  EXPECT_EQ(f.grid->Columns().Count(), 2);
  f.data.Open();
  f.data.Close();
  EXPECT_EQ(f.grid->Columns().Count(), 2) << "customised columns stay";
  EXPECT_EQ(f.grid->ColCount(), 3);
}

TEST(GridCore, OneRecordOnScrollsTheRowsOnScreenAndAJumpRepaintsAll) {
  DataGridFixture f(1000);
  f.FitDataRows(10);
  f.data.MoveBy(9);
  f.ui.Process();
  f.data.Next();
  const TRegion invalid = test::UiDriver::UpdateRegion(f.grid);
  const TRect middle = f.grid->CellRect(3, 5);
  EXPECT_FALSE(invalid.Contains(middle.left + 2, middle.top + 2)) << "moved on screen, not repainted";
  const TRect last = f.grid->CellRect(3, 10);
  EXPECT_TRUE(invalid.Contains(last.left + 2, last.top + 2)) << "the uncovered row";
  const TRect indicator = f.grid->CellRect(0, 5);
  EXPECT_TRUE(invalid.Contains(indicator.left + 2, indicator.top + 2));
  f.ui.Process();
  f.data.MoveBy(50);
  EXPECT_TRUE(test::UiDriver::UpdateRegion(f.grid).Contains(middle.left + 2, middle.top + 2));
}

TEST(GridCore, TheVerticalBarHasFivePositionsWithoutRecordNumbers) {
  DataGridFixture<test::TUnnumberedDataSet> f(50);
  f.FitDataRows(10);
  EXPECT_EQ(VerticalBar(*f.grid).nMax, 4);
  EXPECT_EQ(VerticalBar(*f.grid).nPos, 0);
  f.data.MoveBy(20);
  EXPECT_EQ(VerticalBar(*f.grid).nPos, 2);
  f.data.Last();
  EXPECT_EQ(VerticalBar(*f.grid).nPos, 4);

  DataGridFixture numbered(50);
  numbered.FitDataRows(10);
  numbered.data.SetRecNo(17);
  const SCROLLINFO info = VerticalBar(*numbered.grid);
  EXPECT_EQ(info.nMin, 1);
  EXPECT_EQ(info.nPos, 17);
  EXPECT_EQ(info.nMax, 50 + static_cast<int>(info.nPage) - 1);
}

TEST(GridCore, TheFieldMapFollowsVisibleFieldsAndRebindsAfterTheControlsComeBack) {
  DataGridFixture f;
  f.Field("CODE")->SetVisible(false);
  const char* expected[] = {"ID", "NAME", "CITY_ID", "NOTE", "FLAG", "CITY"};
  ASSERT_EQ(f.grid->Columns().Count(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(f.grid->Columns().Items(i)->FieldName(), expected[i]);
    EXPECT_EQ(f.grid->DataLink().Fields(i), f.Field(expected[i]));
  }
  EXPECT_FALSE(f.grid->DataLink().Sparse());

  TColumnEh* missing = f.Column("NOPE");
  TColumnEh* name = f.Column("NAME");
  EXPECT_TRUE(f.grid->DataLink().Sparse());
  EXPECT_EQ(f.grid->Columns().Count(), 2) << "the default columns went";
  EXPECT_EQ(f.grid->DataLink().Fields(missing->Index()), nullptr);
  EXPECT_EQ(f.grid->DataLink().Fields(name->Index()), f.Field("NAME"));
  EXPECT_EQ(f.grid->DataLink().Fields(2), nullptr) << "outside the map";

  ASSERT_EQ(name->Field(), f.Field("NAME"));
  f.data.DisableControls();
  EXPECT_EQ(name->CachedField(), nullptr) << "the cached field was let go";
  f.data.EnableControls();
  EXPECT_EQ(name->Field(), f.Field("NAME")) << "and is found again";
}

TEST(GridCore, RowAndTitleHeightsFollowTheFonts) {
  DataGridFixture f;
  const int text = TextHeightOf(*f.grid->Font());
  EXPECT_EQ(f.grid->DefaultRowHeight(), text + 3 + 1) << "three extra pixels and the row line";
  f.grid->SetFlat(true);
  EXPECT_EQ(f.grid->DefaultRowHeight(), text + 1 + 1);
  f.grid->SetFlat(false);

  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghFitRowHeightToText});
  EXPECT_EQ(f.grid->RowLines(), 1);
  EXPECT_EQ(f.grid->RowHeight(), 4);
  EXPECT_EQ(f.grid->DefaultRowHeight(), text + 4);
  f.grid->SetRowLines(3);
  EXPECT_EQ(f.grid->DefaultRowHeight(), 3 * text + 4) << "whole text lines";
  EXPECT_TRUE(f.grid->MultiLineRows());

  EXPECT_EQ(f.grid->RowHeights(0), TextHeightOf(*f.grid->TitleFont()) + 4);
  TColumnEh* tall = f.grid->Columns().Items(2);
  tall->Title().Font()->SetSize(20);
  f.grid->LayoutChanged();
  EXPECT_EQ(f.grid->RowHeights(0), TextHeightOf(*tall->Title().Font()) + 4) << "the tallest title font";
  EXPECT_GT(f.grid->RowHeights(0), TextHeightOf(*f.grid->TitleFont()) + 4);
}

TEST(GridCore, FilterRowFrozenColumnsAndOptions) {
  DataGridFixture f;
  EXPECT_EQ(f.grid->TitleOffset(), 1);
  f.grid->STFilter().SetVisible(true);
  EXPECT_EQ(f.grid->TitleOffset(), 2);
  EXPECT_EQ(f.grid->FixedRows(), 2);
  EXPECT_EQ(f.grid->Row(), 2) << "the first data row moved down";
  f.grid->STFilter().SetVisible(false);

  f.grid->SetFrozenCols(2);
  EXPECT_EQ(f.grid->FixedCols(), 3);
  f.grid->Columns().Items(0)->SetVisible(false);
  EXPECT_EQ(f.grid->FixedCols(), 4) << "two visible frozen columns stay frozen";
  EXPECT_EQ(f.grid->VisibleColumns().Count(), 6);

  f.grid->SetFrozenCols(100);
  EXPECT_EQ(f.grid->ColCount(), 1 + 7 + 1) << "no empty columns beyond one to scroll";
  f.grid->SetFrozenCols(0);
  f.grid->SetContraColCount(2);
  EXPECT_EQ(f.grid->TCustomGridEh::ContraColCount(), 2);
  EXPECT_EQ(f.grid->FullColCount(), 1 + 7);
  EXPECT_EQ(f.grid->ColWidths(7), f.grid->Columns().Items(6)->Width()) << "the last column at the right edge";
  f.grid->SetContraColCount(50);
  // The indicator and the hidden first column are fixed; one column keeps scrolling.
  EXPECT_EQ(f.grid->TCustomGridEh::ContraColCount(), 8 - 2 - 1);
  f.grid->SetContraColCount(0);
  EXPECT_EQ(f.grid->TCustomGridEh::ContraColCount(), 0);
  EXPECT_EQ(f.grid->ColCount(), 8);

  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgRowSelect, dgAlwaysShowEditor});
  EXPECT_FALSE(f.grid->Options().Contains(dgEditing));
  EXPECT_FALSE(f.grid->Options().Contains(dgAlwaysShowEditor));
  EXPECT_TRUE(f.grid->TCustomGridEh::Options().Contains(grRowSelect));
  EXPECT_FALSE(f.grid->TCustomGridEh::Options().Contains(grEditing));

  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgRowSelect} + TDBGridOptions{dgMultiSelect});
  f.grid->Selection().SelectAll();
  EXPECT_EQ(f.grid->Selection().SelectionType(), gstAll);
  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgMultiSelect});
  EXPECT_EQ(f.grid->Selection().SelectionType(), gstNon);
}

struct FittedGrid : DataGridFixture<> {
  FittedGrid() {
    for (const char* name : {"ID", "NAME", "CODE", "CITY"}) Column(name)->SetInitialWidth(60);
    grid->SetAutoFitColWidths(true);
    ui.Process();
  }
  // The client width less the indicator and the lines of the indicator and each column.
  int Room() const { return grid->ClientWidth() - 11 - 1 - grid->VisibleColumns().Count(); }
};

TEST(GridCore, AutomaticFittingFillsTheClientWidth) {
  FittedGrid f;
  EXPECT_EQ(SumOfDataWidths(*f.grid), f.Room());
  EXPECT_EQ(f.grid->ColWidths(1), f.grid->ColWidths(2)) << "equal natural widths share equally";

  TColumnEh* capped = f.grid->Columns().Items(1);
  // Inside an update: a width set from outside would rescale its natural width instead.
  f.grid->Columns().BeginUpdate();
  capped->SetMaxWidth(50);
  f.grid->Columns().EndUpdate();
  EXPECT_EQ(f.grid->ColWidths(2), 50);
  EXPECT_TRUE(f.grid->AutoFitFixed(capped));
  EXPECT_EQ(SumOfDataWidths(*f.grid), f.Room()) << "the others share the rest";

  f.grid->SetMinAutoFitWidth(2000);
  EXPECT_EQ(SumOfDataWidths(*f.grid), 2000 - 11 - 1 - 4);
}

TEST(GridCore, StoredSortIndexesBecomeAnOrderedListWithoutHoles) {
  DataGridFixture<> f;
  const struct {
    const char* field;
    int stored, expected;
  } cases[] = {{"ID", 5, 4}, {"NAME", 1, 1}, {"CODE", 0, 0}, {"CITY_ID", 3, 2}, {"FLAG", 3, 3}};
  f.grid->BeginLoading();
  f.grid->SetAutoFitColWidths(true);
  for (const auto& c : cases) {
    TColumnEh* column = f.Column(c.field);
    column->SetWidth(40 + c.stored);
    column->Title().SetSortMarker(c.stored > 0 ? smDownEh : smNoneEh);
    column->Title().SetSortIndex(c.stored);
  }
  f.grid->EndLoading();

  TColumnsEhList& sorted = f.grid->SortMarkedColumns();
  ASSERT_EQ(sorted.Count(), 4) << "a gap and a repeated index lose no column";
  for (int i = 0; i < f.grid->Columns().Count(); ++i) {
    TColumnEh* column = f.grid->Columns().Items(i);
    EXPECT_EQ(column->Title().SortIndex(), cases[i].expected) << cases[i].field;
    if (cases[i].expected > 0) {
      EXPECT_EQ(sorted.Items(cases[i].expected - 1), column) << cases[i].field;
    }
    EXPECT_EQ(column->WidthToRestore(), 40 + cases[i].stored) << "the stored width is kept to restore";
  }
  EXPECT_EQ(f.grid->ScrollBars(), ssNone);
  EXPECT_EQ(SumOfDataWidths(*f.grid), f.grid->ClientWidth() - 11 - 1 - 5) << "fitted once loaded";

  f.grid->SetAutoFitColWidths(false);
  EXPECT_EQ(f.grid->Columns().Items(0)->Width(), 45);
}

TEST(GridCore, DraggingABorderWhileFittingKeepsTheTotal) {
  for (bool wholeRight : {false, true}) {
    FittedGrid f;
    if (wholeRight) f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghResizeWholeRightPart});
    int changes = 0;
    f.grid->OnColWidthsChanged = [&](TObject*) { ++changes; };
    const int before = f.grid->ColWidths(1);
    // The border between the first and second data column, on the title row.
    const int border = 11 + 1 + before;
    f.ui.Drag(f.grid, {border, 5}, {border + 40, 5});
    EXPECT_EQ(changes, 1) << wholeRight;
    EXPECT_GT(f.grid->ColWidths(1), before + 20) << wholeRight;
    EXPECT_EQ(SumOfDataWidths(*f.grid), f.Room()) << wholeRight;
  }
}

TEST(GridCore, AHiddenColumnResizedWhileFittingStillHasAWidthWhenShown) {
  FittedGrid f;
  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgColLines});
  TColumnEh* hidden = f.grid->Columns().Items(3);
  hidden->SetVisible(false);
  ASSERT_EQ(f.grid->ColWidths(4), 0);
  hidden->SetWidth(90);
  EXPECT_GT(hidden->InitialWidth(), 0) << "no width of 0 to scale by";
  hidden->SetVisible(true);
  EXPECT_GT(f.grid->ColWidths(4), 0);
}

TEST(GridCore, SizingADefaultColumnSetsItsFieldsDisplayWidth) {
  DataGridFixture f;
  TColumnEh* name = f.grid->Columns().Items(1);
  ASSERT_TRUE(name->IsGeneratedColumn());
  int changes = 0;
  f.grid->OnColWidthsChanged = [&](TObject*) { ++changes; };
  const int border = 11 + 1 + f.grid->ColWidths(1) + 1 + f.grid->ColWidths(2);
  f.ui.Drag(f.grid, {border, 5}, {border + 30, 5});
  const int width = f.grid->ColWidths(2);
  EXPECT_EQ(name->Width(), width);
  TRaster raster(1, 1);
  TRasterDC dc(raster);
  dc.SelectFont(name->Font()->LogFont());
  TTextMetric metrics;
  dc.GetTextMetrics(metrics);
  const int digit = dc.GetTextExtentPoint32("0").cx;
  EXPECT_EQ(f.Field("NAME")->DisplayWidth(),
            (metrics.tmAveCharWidth / 2 + width - metrics.tmOverhang - 3) / digit);
  EXPECT_EQ(changes, 1);
}

TEST(GridCore, ADeferredLayoutUnderALockRunsOnceAfterTheLastRelease) {
  DataGridFixture f;
  const int before = f.grid->layouts;
  f.grid->BeginUpdate();
  f.grid->BeginUpdate();
  PostMessage(f.grid->Handle(), CM_DEFERLAYOUTEH, 0, 0);
  Application->ProcessMessages();  // returns: the held layout is not posted round and round
  EXPECT_TRUE(f.grid->DeferredLayoutPending());
  EXPECT_EQ(f.grid->layouts, before);
  f.grid->EndUpdate();
  Application->ProcessMessages();
  EXPECT_EQ(f.grid->layouts, before) << "one section is still held";
  f.grid->EndUpdate();
  EXPECT_EQ(f.grid->UpdateLock(), 0);
  f.grid->BeginUpdate();
  f.grid->EndUpdate();
  Application->ProcessMessages();
  EXPECT_EQ(f.grid->layouts, before + 1) << "once, not lost and not twice";
  EXPECT_FALSE(f.grid->DeferredLayoutPending());

  // A layout section's own layout takes the waiting one with it.
  f.grid->BeginLayout();
  PostMessage(f.grid->Handle(), CM_DEFERLAYOUTEH, 0, 0);
  Application->ProcessMessages();
  f.grid->EndLayout();
  Application->ProcessMessages();
  EXPECT_EQ(f.grid->layouts, before + 2);
  EXPECT_EQ(f.grid->LayoutLock(), 0);
  EXPECT_EQ(f.grid->UpdateLock(), 0);
}

TEST(GridCore, SavedPositionComesBackAfterAWalk) {
  DataGridFixture f(100);
  f.FitDataRows(10);
  f.data.SetRecNo(40);
  f.data.MoveBy(3);
  const int id = f.Field("ID")->AsInteger();
  const int row = f.grid->Row();
  f.grid->SavePosition();
  f.data.First();
  f.data.MoveBy(77);
  f.grid->RestorePosition();
  EXPECT_EQ(f.Field("ID")->AsInteger(), id);
  EXPECT_EQ(f.grid->Row(), row) << "the same part of the data shows";
}

TEST(GridCore, DestroyingTheDataSourceOrABoundFieldClearsTheReferences) {
  DataGridFixture f;
  TColumnEh* name = f.Column("NAME");
  ASSERT_EQ(name->Field(), f.Field("NAME"));
  delete f.Field("NAME");
  EXPECT_EQ(name->CachedField(), nullptr);
  EXPECT_EQ(name->Field(), nullptr);

  auto* other = new TDataSource(nullptr);
  other->SetDataSet(&f.data);
  f.grid->SetDataSource(other);
  delete other;
  EXPECT_EQ(f.grid->DataSource(), nullptr);
  EXPECT_FALSE(f.grid->DataLink().Active());
}

TEST(GridCore, SharedRoutinesOnFieldsAndText) {
  DataGridFixture f;
  EXPECT_EQ(FieldValueAsIntegerEh(f.Field("ID"), -7), 1);
  EXPECT_EQ(FieldValueAsIntegerEh(f.Field("NAME"), -7), -7) << "not a number";
  f.data.Edit();
  f.Field("ID")->Clear();
  EXPECT_EQ(FieldValueAsIntegerEh(f.Field("ID"), -7), -7) << "null";
  f.data.Cancel();
  EXPECT_EQ(FieldValueAsIntegerEh(nullptr, -7), -7);

  EXPECT_TRUE(FieldsCanModifyEh({}));
  EXPECT_TRUE(FieldsCanModifyEh({f.Field("ID"), f.Field("NAME")}));
  f.Field("NAME")->SetReadOnly(true);
  EXPECT_FALSE(FieldsCanModifyEh({f.Field("ID"), f.Field("NAME")}));

  TCanvas& canvas = *f.grid->Canvas();
  const int height = TextHeightEh(canvas, "Wg");
  EXPECT_EQ(height, TextHeightOf(*canvas.Font()));
  const TRect cell{0, 0, canvas.TextWidth("short") + 2 + 4, height};
  EXPECT_FALSE(TextOverflowsEh(canvas, "short", cell, false, 2));
  EXPECT_TRUE(TextOverflowsEh(canvas, "short text", cell, false, 2));
  EXPECT_TRUE(TextOverflowsEh(canvas, "short short", cell, true, 2)) << "wrapped onto a second line";
}

}  // namespace
}  // namespace ordvane
