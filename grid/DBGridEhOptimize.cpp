// Fitting column widths to their contents: the title, the data cells of every record and
// the check-box and image columns' fixed needs.

#include <algorithm>
#include <optional>
#include <vector>

#include "classlib/ui/Themes.h"
#include "grid/DBGridEh.h"
#include "grid/DbUtilsEh.h"

namespace ordvane {

namespace {

constexpr int kFitMargin = 4;

// The width `text` needs in `rect` (less 2 pixels and the left margin, at least 1 wide).
int MeasuredTextWidth(TCanvas& canvas, const AnsiString& text, const TRect& rect, bool wordWrap,
                      int leftMargin, bool rightToLeft) {
  TRect measured{0, 0, std::max(rect.Width() - 2 - leftMargin, 1), rect.Height()};
  unsigned format = DT_CALCRECT | DT_NOPREFIX;
  if (wordWrap) format |= DT_WORDBREAK;
  if (rightToLeft) format |= DT_RTLREADING;
  DrawText(canvas.Handle(), text, measured, format);
  return measured.Width();
}

int TextHeightIn(TCanvas& canvas, const AnsiString& text, const TRect& rect) {
  TRect measured{0, 0, std::max(rect.Width() - 2, 1), rect.Height()};
  DrawText(canvas.Handle(), text, measured, DT_CALCRECT | DT_NOPREFIX);
  return measured.Height();
}

// Restores the canvas font however the measuring ends.
class TCanvasFontScope {
 public:
  explicit TCanvasFontScope(TCanvas& canvas) : fCanvas(canvas) { fSaved.Assign(canvas.Font()); }
  ~TCanvasFontScope() { fCanvas.Font()->Assign(&fSaved); }
  TCanvasFontScope(const TCanvasFontScope&) = delete;
  TCanvasFontScope& operator=(const TCanvasFontScope&) = delete;

 private:
  TCanvas& fCanvas;
  TFont fSaved;
};

}  // namespace

TColumnsEhList TCustomDBGridEh::ColumnsToFit(TColumnEh& underMouse) const {
  TColumnsEhList chosen;
  if (fSelection->SelectionType() == gstColumns) {
    const TColumnsEhList& selected = fSelection->Columns();
    for (int i = 0; i < selected.Count(); ++i) chosen.Add(selected.Items(i));
  } else if (fSelection->SelectionType() == gstAll) {
    for (int i = 0; i < fColumns->Count(); ++i) chosen.Add(fColumns->Items(i));
  }
  if (chosen.IndexOf(&underMouse) < 0) chosen.Add(&underMouse);
  return chosen;
}

void TCustomDBGridEh::OptimizeColsWidth(const TColumnsEhList& columns) {
  if (columns.Count() == 0) return;
  const auto count = static_cast<std::size_t>(columns.Count());
  std::vector<int> widths(count);
  TCanvasFontScope fontScope(*Canvas());
  for (std::size_t i = 0; i < count; ++i) widths[i] = TitleWidthNeeded(*columns.Items(static_cast<int>(i)));
  TDataSet* dataSet = fDataLink->DataSet();
  if (fDataLink->Active() && dataSet != nullptr && !dataSet->IsEmpty()) {
    // What does not change from record to record is asked once.
    std::vector<int> margins(count);
    std::vector<TColumnEh*> textColumns(count);
    for (std::size_t i = 0; i < count; ++i) {
      TColumnEh& column = *columns.Items(static_cast<int>(i));
      margins[i] = DataMargin(column);
      if (const std::optional<int> fixed = FixedDataWidth(column))
        widths[i] = std::max(widths[i], margins[i] + *fixed);
      else
        textColumns[i] = &column;
    }
    const TControlsDisabledScopeEh disabled(*dataSet);
    SavePosition();
    try {
      for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
        for (std::size_t i = 0; i < count; ++i)
          if (textColumns[i] != nullptr) widths[i] = std::max(widths[i], margins[i] + DataTextWidth(*textColumns[i]));
    } catch (...) {
      RestorePosition();
      throw;
    }
    RestorePosition();
  }
  for (std::size_t i = 0; i < count; ++i)
    widths[i] = std::max(widths[i], FooterWidthNeeded(*columns.Items(static_cast<int>(i))));
  TGridLayoutSectionEh layout(this);
  for (std::size_t i = 0; i < count; ++i) columns.Items(static_cast<int>(i))->SetWidth(widths[i]);
}

bool TCustomDBGridEh::FitColumnAtSizingBorder(int x, int y) {
  if (!fOptionsEh.Contains(dghDblClickOptimizeColWidth)) return false;
  const TSizingBorderEh border = SizingBorderAt(x, y);
  const int dataCol = RawToDataColumn(border.index);
  if (border.state != grsColSizing || dataCol < 0 || dataCol >= fColumns->Count()) return false;
  OptimizeColsWidth(ColumnsToFit(*fColumns->Items(dataCol)));
  return true;
}

int TCustomDBGridEh::TitleWidthNeeded(TColumnEh& column) {
  TColumnTitleEh& title = column.Title();
  int margin = kFitMargin;
  const int markerWidth = title.SortMarkerArea().width;
  if (markerWidth > 2) margin += markerWidth - 2;
  if (TitleImages() != nullptr && title.ImageIndex() != -1) return margin + TitleImages()->Width();
  TCanvas& canvas = *Canvas();
  canvas.Font()->Assign(title.Font());
  const int rawCol = DataToRawColumn(column.Index());
  // A multi-level title is measured in its own band: the groups above span other columns.
  TRect rect = TitleLeafRect(rawCol, CellRect(rawCol, 0));
  rect.right -= margin;
  const AnsiString caption = TitleLeafCaption(column);
  if (title.Orientation() == tohVertical) {
    const TRect turned{0, 0, rect.Height(), rect.Width()};
    return margin + TextHeightIn(canvas, caption, turned);
  }
  const bool wraps = fTitleHeight != 0 || fTitleLines != 0 || fUseMultiTitle;
  return margin + MeasuredTextWidth(canvas, caption, rect, wraps, wraps ? 2 : 0, UseRightToLeftAlignment());
}

int TCustomDBGridEh::DataMargin(TColumnEh& column) {
  TCustomImageList* images = column.ImageList();
  int margin = kFitMargin;
  if (column.AlwaysShowEditButton()) margin += column.EditButtonsWidth();
  if (images != nullptr && column.ShowImageAndText()) margin += images->Width() + 4;
  return margin;
}

std::optional<int> TCustomDBGridEh::FixedDataWidth(TColumnEh& column) {
  switch (column.GetColumnType()) {
    case ctKeyImageList:
      return column.ImageList() != nullptr ? column.ImageList()->Width() : 0;
    case ctCheckboxes:
      return kCheckBoxSize;
    default:
      return std::nullopt;
  }
}

int TCustomDBGridEh::DataTextWidth(TColumnEh& column) {
  TCanvas& canvas = *Canvas();
  // A font assigned anew is made anew: over a single column that cost would be paid for
  // every record.
  if (!SameFontEh(*canvas.Font(), *column.Font())) canvas.Font()->Assign(column.Font());
  TColCellParamsEh params;
  column.FillColCellParams(params);
  params.Background = canvas.Brush()->Color();
  params.Font = canvas.Font();
  params.Col = DataToRawColumn(column.Index());
  params.Row = 0;
  GetCellParams(&column, params.Font, params.Background, params.State);
  column.GetColCellParams(false, params);
  const TRect rect{0, 0, 0, DefaultRowHeight()};
  const bool wraps = column.WordWrap() && fMultiLineRows;
  return MeasuredTextWidth(canvas, params.Text, rect, wraps, 0, UseRightToLeftAlignment());
}

int TCustomDBGridEh::FooterWidthNeeded(TColumnEh& column) {
  TCanvas& canvas = *Canvas();
  const TRect rect{0, 0, 0, DefaultRowHeight()};
  int needed = 0;
  for (int row = 0; row < fFooterRowCount; ++row) {
    const TFooterLookEh footer = FooterCellParams(column, row, {});
    canvas.Brush()->SetColor(footer.background);
    const bool wraps = column.GetFooterItem(row).WordWrap() && fMultiLineRows;
    // One pixel more than a data cell asks.
    needed = std::max(needed, kFitMargin + 1 +
                                  MeasuredTextWidth(canvas, footer.text, rect, wraps, 0, UseRightToLeftAlignment()));
  }
  return needed;
}

void TColumnEh::OptimizeWidth() {
  TCustomDBGridEh* grid = Grid();
  if (grid == nullptr) return;
  TColumnsEhList alone;
  alone.Add(this);
  grid->OptimizeColsWidth(alone);
}

}  // namespace ordvane
