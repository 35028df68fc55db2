// The grid's footer rows over the in-memory dataset: the text of each kind of footer, the
// events that change it, the cells on screen and in the recorded drawing calls, and the
// repainting that follows the sums.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "classlib/core/DateFormat.h"
#include "classlib/db/DateTimeFields.h"
#include "classlib/ui/RecordingDC.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::TMemDataSet;
using test::UiDriver;

using DrawnGridFixture = DataGridFixture<TMemDataSet, TDBGridEh>;

AnsiString FooterText(TCustomDBGridEh& grid, TColumnEh* column, int row = 0) {
  AnsiString text = "stale";
  grid.GetFooterValue(row, column, text);
  return text;
}

TEST(GridFooters, TheRowCountIgnoresNegativesAndLaysTheRowsOutAtTheBottom) {
  DataGridFixture f(3);
  f.Column("ID");
  f.grid->SetFooterRowCount(2);
  f.ui.Process();
  EXPECT_EQ(f.grid->FullRowCount() - f.grid->RowCount(), 2);
  const int layouts = f.grid->layouts;
  f.grid->SetFooterRowCount(-1);
  EXPECT_EQ(f.grid->FooterRowCount(), 2);
  EXPECT_EQ(f.grid->layouts, layouts) << "no relayout for an ignored value";
  f.grid->SetFooterRowCount(0);
  EXPECT_EQ(f.grid->FullRowCount(), f.grid->RowCount());
}

TEST(GridFooters, EachValueTypeGivesItsText) {
  DataGridFixture f(4);
  TColumnEh* id = f.Column("ID");
  TColumnFooterEh& footer = id->Footer();
  EXPECT_EQ(FooterText(*f.grid, id), "") << "fvtNon";
  footer.SetValueType(fvtStaticText);
  footer.SetValue("Total");
  EXPECT_EQ(FooterText(*f.grid, id), "Total");
  footer.SetValueType(fvtCount);
  EXPECT_EQ(FooterText(*f.grid, id), "4");
  footer.SetDisplayFormat("0.0 rows");
  EXPECT_EQ(FooterText(*f.grid, id), "4,0 rows");
  footer.SetValueType(fvtSum);
  footer.SetDisplayFormat("");
  EXPECT_EQ(FooterText(*f.grid, id), "10") << "1 + 2 + 3 + 4";
  footer.SetValueType(fvtAvg);
  EXPECT_EQ(FooterText(*f.grid, id), "2,5");
  footer.SetValueType(fvtSum);
  footer.SetFieldName("NAME");
  EXPECT_EQ(FooterText(*f.grid, id), "0") << "no sum of texts";
  footer.SetFieldName("NOPE");
  EXPECT_EQ(FooterText(*f.grid, id), "0") << "a missing field";

  // A footer row beyond the column's Footers falls back to its single Footer.
  id->Footers().Add()->SetValueType(fvtCount);
  EXPECT_EQ(FooterText(*f.grid, id, 0), "4");
  EXPECT_EQ(FooterText(*f.grid, id, 1), "0");
}

TEST(GridFooters, AFieldValueOfTheCurrentRecordInTheFootersFormat) {
  DataGridFixture f(3);
  TColumnEh* column = f.Column("NAME");
  TColumnFooterEh& footer = column->Footer();
  footer.SetValueType(fvtFieldValue);
  EXPECT_EQ(FooterText(*f.grid, column), "") << "no field named";
  footer.SetFieldName("NAME");
  EXPECT_EQ(FooterText(*f.grid, column), "name 1");
  f.data.Next();
  EXPECT_EQ(FooterText(*f.grid, column), "name 2");
  footer.SetFieldName("ID");
  footer.SetDisplayFormat("000");
  EXPECT_EQ(FooterText(*f.grid, column), "002") << "numbers through FormatFloat";

  TMemDataSet dated(nullptr);
  dated.FieldDefs().Add("DAY", ftDate);
  dated.Open();
  dated.AppendRecord({Variant(EncodeDate(2024, 2, 29))});
  TDataSource source(nullptr);
  source.SetDataSet(&dated);
  f.grid->SetDataSource(&source);
  TColumnEh* day = f.grid->Columns().Add();
  day->SetFieldName("DAY");
  day->Footer().SetValueType(fvtFieldValue);
  day->Footer().SetFieldName("DAY");
  EXPECT_EQ(FooterText(*f.grid, day), "29.02.2024");
  day->Footer().SetDisplayFormat("yyyy-mm-dd");
  EXPECT_EQ(FooterText(*f.grid, day), "2024-02-29") << "dates through DateTimeToString";
  day->Footer().SetFieldName("NOPE");
  EXPECT_THROW(FooterText(*f.grid, day), EDatabaseError);
}

TEST(GridFooters, AMissingSumFieldNeitherBreaksTheSumsNorTheOpen) {
  DataGridFixture f(3);
  TColumnEh* id = f.Column("ID");
  id->Footer().SetValueType(fvtSum);
  TColumnEh* other = f.Column("ID");
  other->Footer().SetValueType(fvtSum);
  other->Footer().SetFieldName("NOPE");
  f.data.Close();
  EXPECT_NO_THROW(f.data.Open());
  EXPECT_EQ(FooterText(*f.grid, id), "6");
  EXPECT_EQ(FooterText(*f.grid, other), "0");
}

TEST(GridFooters, SumEventsAroundEveryFullRecalculation) {
  DataGridFixture f(3);
  f.Column("ID")->Footer().SetValueType(fvtSum);
  std::vector<std::string> log;
  f.grid->OnSumListRecalcAll = [&](TObject* sender) {
    EXPECT_EQ(sender, f.grid);
    log.push_back("recalc");
  };
  f.grid->OnSumListAfterRecalcAll = [&](TObject* sender) {
    EXPECT_EQ(sender, f.grid);
    log.push_back("after");
  };
  f.data.Close();
  f.data.Open();
  EXPECT_EQ(log, (std::vector<std::string>{"recalc", "after"}));
}

TEST(GridFooters, TheFooterRowsRepaintWhenTheSumsChange) {
  DataGridFixture f(3);
  f.Column("ID")->Footer().SetValueType(fvtSum);
  f.grid->SetFooterRowCount(2);
  f.ui.Process();
  const TRect lastFooter = f.grid->CellRect(1, f.grid->FullRowCount() - 1);
  const TRect firstFooter = f.grid->CellRect(1, f.grid->RowCount());
  const TRect dataCell = f.grid->CellRect(1, f.grid->TitleOffset());
  ASSERT_FALSE(IsRectEmpty(lastFooter));
  ASSERT_TRUE(UiDriver::UpdateRegion(f.grid).Empty());
  f.grid->InvalidateFooter();
  TRegion invalid = UiDriver::UpdateRegion(f.grid);
  EXPECT_TRUE(invalid.Contains(lastFooter.left + 1, lastFooter.top + 1));
  EXPECT_TRUE(invalid.Contains(firstFooter.left + 1, firstFooter.top + 1));
  EXPECT_FALSE(invalid.Contains(dataCell.left + 1, dataCell.top + 1));
  f.ui.Process();

  f.data.Last();
  f.ui.Process();
  f.data.Edit();
  f.Field("ID")->SetAsInteger(30);
  f.data.Post();
  EXPECT_EQ(FooterText(*f.grid, f.grid->Columns().Items(0)), "33");
  invalid = UiDriver::UpdateRegion(f.grid);
  EXPECT_TRUE(invalid.Contains(lastFooter.left + 1, lastFooter.top + 1)) << "the new sum shows";
}

// The text written in a footer cell, from the recorded drawing calls; empty when none.
std::string WrittenIn(const TRecordingCanvas& canvas, const TRect& cell) {
  for (const AnsiString& call : canvas.CallsOf("ExtTextOut")) {
    TPoint at;
    if (std::sscanf(call.c_str(), "ExtTextOut(%d,%d", &at.x, &at.y) != 2 || !PtInRect(cell, at)) continue;
    const auto open = call.find('"');
    const auto close = call.rfind('"');
    if (open != AnsiString::npos && close > open) return call.substr(open + 1, close - open - 1);
  }
  return {};
}

TEST(GridFooters, CellsShowTheTextAndColoursTheParamsEventLeaves) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  f.Column("ID")->Footer().SetValueType(fvtSum);
  TColumnEh* name = f.Column("NAME");
  name->Footer().SetValueType(fvtStaticText);
  name->Footer().SetValue("total");
  grid.SetFooterRowCount(1);
  grid.SetFooterColor(clYellow);
  f.ui.Process();
  const int footerRow = grid.RowCount();
  const TRect idCell = grid.CellRect(1, footerRow);
  const TRect nameCell = grid.CellRect(2, footerRow);
  EXPECT_EQ(UiDriver::Pixel(&grid, {nameCell.right - 2, nameCell.bottom - 2}), ColorToRGB(clYellow));
  {
    TRecordingCanvas canvas(grid.ClientWidth(), grid.ClientHeight());
    grid.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);
    EXPECT_EQ(WrittenIn(canvas, idCell), "6");
    EXPECT_EQ(WrittenIn(canvas, nameCell), "total");
  }

  std::vector<std::string> seen;
  grid.OnGetFooterParams = [&](TObject*, int dataCol, int row, TColumnEh* column, TFont* font,
                               TColor& background, TAlignment&, TGridDrawState, AnsiString& text) {
    seen.push_back(std::to_string(dataCol) + "/" + std::to_string(row) + ":" + text);
    if (column != name) return;
    text = "changed";
    background = clRed;
    font->SetColor(clBlue);
  };
  std::vector<std::string> drawn;
  grid.OnDrawFooterCell = [&](TObject*, int dataCol, int row, TColumnEh*, const TRect& rect, TGridDrawState) {
    drawn.push_back(std::to_string(dataCol) + "/" + std::to_string(row));
    EXPECT_EQ(rect, grid.CellRect(grid.DataToRawColumn(dataCol), footerRow));
  };
  grid.Invalidate();
  f.ui.Process();
  EXPECT_EQ(seen, (std::vector<std::string>{"0/0:6", "1/0:total"}));
  EXPECT_EQ(drawn, (std::vector<std::string>{"0/0", "1/0"}));
  EXPECT_EQ(UiDriver::Pixel(&grid, {nameCell.right - 2, nameCell.bottom - 2}), ColorToRGB(clRed));
  EXPECT_EQ(UiDriver::Pixel(&grid, {idCell.right - 2, idCell.bottom - 2}), ColorToRGB(clYellow));
  TRecordingCanvas canvas(grid.ClientWidth(), grid.ClientHeight());
  grid.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);
  EXPECT_EQ(WrittenIn(canvas, nameCell), "changed");
}

// The edge styles drawn around exactly this rectangle.
std::vector<unsigned> EdgesAround(TCustomDBGridEh& grid, const TRect& cell) {
  TRecordingCanvas canvas(grid.ClientWidth(), grid.ClientHeight());
  grid.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);
  std::vector<unsigned> edges;
  for (const AnsiString& call : canvas.CallsOf("DrawEdge")) {
    TRect r;
    unsigned edge = 0, flags = 0;
    if (std::sscanf(call.c_str(), "DrawEdge(%d,%d,%d,%d,$%X,$%X)", &r.left, &r.top, &r.right, &r.bottom,
                    &edge, &flags) == 6 &&
        r == cell)
      edges.push_back(edge);
  }
  return edges;
}

TEST(GridFooters, Footer3DFramesTheFooterCellsAndASelectedColumnSinksThem) {
  DrawnGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  f.Column("ID")->Footer().SetValueType(fvtSum);
  f.Column("NAME");
  grid.SetFooterRowCount(1);
  f.ui.Process();
  const TRect cell = grid.CellRect(1, grid.RowCount());
  EXPECT_TRUE(EdgesAround(grid, cell).empty()) << "flat without the option";
  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghFooter3D});
  EXPECT_EQ(EdgesAround(grid, cell), std::vector<unsigned>{BDR_RAISEDINNER});
  grid.Selection().Columns().Select(grid.Columns().Items(0), false);
  EXPECT_EQ(EdgesAround(grid, cell), std::vector<unsigned>{BDR_SUNKENINNER});
  EXPECT_EQ(EdgesAround(grid, grid.CellRect(2, grid.RowCount())), std::vector<unsigned>{BDR_RAISEDINNER});
}

}  // namespace
}  // namespace ordvane
