// Cell drawing of the data-aware grid: which area a cell lies in, whether it is selected,
// and how indicator, title and data cells are painted.

#include "classlib/ui/ImgList.h"
#include "grid/DBGridEh.h"
#include "gridbase/ButtonFacesEh.h"

namespace ordvane {

// ---- Cell areas -----------------------------------------------------------------------

TGridCellTypeEh TCustomDBGridEh::GetCellType(int col, int row, int& dataCol, int& areaRow) const {
  TGridCellTypeEh type{col < fIndicatorOffset ? cckIndicatorEh : cckDataEh, crkDataEh};
  dataCol = RawToDataColumn(col);
  const int titleRows = AreTitlesVisible() ? 1 : 0;
  // The extra title lines repeat the title's branch, but only once the filter row is ruled out.
  // NOLINTNEXTLINE(bugprone-branch-clone)
  if (row >= 0 && row < titleRows) {
    type.RowKind = crkTitleEh;
    areaRow = row;
  } else if (IsFilterRowVisible() && row == titleRows) {
    type.RowKind = crkFilterEh;
    areaRow = row - titleRows;
  } else if (row >= 0 && row < fTitleOffset) {
    // A line the derived grid fills above the data (ExtraTitleRowCount).
    type.RowKind = crkTitleEh;
    areaRow = row;
  } else if (row >= fTitleOffset && row < RowCount()) {
    areaRow = row - fTitleOffset;
  } else if (row >= RowCount() && row < FullRowCount()) {
    type.RowKind = crkFooterEh;
    areaRow = row - RowCount();
  } else {
    RaiseGridErrorEh("Algorithm error in TCustomDBGridEh.GetCellType");
  }
  return type;
}

bool TCustomDBGridEh::IsCellSelected(int col, int dataCol, int row, const TBookmarkStr& bookmark) {
  const TDBGridEhSelectionType type = fSelection->SelectionType();
  if (type == gstAll) return true;
  const bool dataRow = row >= fTitleOffset && row < RowCount();
  if (col >= fIndicatorOffset) {
    if (dataRow) return fSelection->DataCellSelected(dataCol, bookmark);
    return type == gstColumns && fSelection->DataCellSelected(dataCol, bookmark);
  }
  return dataRow && type == gstRecordBookmarks && fSelectedRows->IndexOf(bookmark) >= 0;
}

bool TCustomDBGridEh::IsRowSelectFocused() {
  return !ComponentState().Contains(csDesigning) && fDBOptions.Contains(dgRowSelect) && DefaultDrawing() &&
         IsFocused();
}

// ---- Drawing --------------------------------------------------------------------------

namespace {

// Makes a record of the link's window active for the scope.
class TActiveRecordScope {
 public:
  TActiveRecordScope(TGridDataLinkEh& link, int record) : fLink(link), fSaved(link.ActiveRecord()) {
    fLink.SetActiveRecord(record);
  }
  ~TActiveRecordScope() { fLink.SetActiveRecord(fSaved); }
  TActiveRecordScope(const TActiveRecordScope&) = delete;
  TActiveRecordScope& operator=(const TActiveRecordScope&) = delete;

 private:
  TGridDataLinkEh& fLink;
  int fSaved;
};

THighlightCellKindEh HighlightKind(TGridCellTypeEh type) {
  if (type.ColKind == cckIndicatorEh) return hckIndicatorEh;
  return type.RowKind == crkDataEh || type.RowKind == crkFooterEh ? hckDataEh : hckTitleEh;
}

}  // namespace

void TCustomDBGridEh::SetEvenRowColor(TColor value) {
  if (fEvenRowColor == value) return;
  fEvenRowColor = value;
  Invalidate();
}

void TCustomDBGridEh::SetOddRowColor(TColor value) {
  if (fOddRowColor == value) return;
  fOddRowColor = value;
  Invalidate();
}

bool TCustomDBGridEh::IsCell3D(int col, int row, TGridDrawState state) const {
  const int dataCol = RawToDataColumn(col);
  const int dataRow = row - fTitleOffset;
  const bool fixed = state.Contains(gdFixed);
  const bool footer = fFooterRowCount >= 1 && row >= RowCount();
  return (fOptionsEh.Contains(dghFixed3D) && fixed && (dataCol < 0 || dataRow < 0)) ||
         (fOptionsEh.Contains(dghFooter3D) && footer) ||
         (fOptionsEh.Contains(dghData3D) && !fixed && !footer) ||
         (fOptionsEh.Contains(dghFrozen3D) && fixed && dataCol >= 0 && dataRow >= 0);
}

bool TCustomDBGridEh::GetHighlightCellColors(int /*col*/, int /*row*/, TFont& font, TColor& background,
                                             bool highlighted, TGridCellTypeEh type) {
  if (fStyle != nullptr) {
    fStyle->GetHighlightCellColors(this, background, font, highlighted, HighlightKind(type));
    return highlighted;
  }
  if (!highlighted) return false;
  if (HighlightKind(type) != hckDataEh) {
    background = static_cast<TColor>(0x404040);
    font.SetColor(clWhite);
  } else if (IsFocused()) {
    background = clHighlight;
    font.SetColor(clHighlightText);
  } else {
    background = clBtnFace;
  }
  return true;
}

bool TCustomDBGridEh::GetDataCellColors(int dataCol, int row, TFont& font, TColor& background,
                                        TGridDrawState& state) {
  if (fStyle != nullptr) {
    const bool highlighted = fStyle->GetDataCellColors(this, dataCol, row, state, background, font);
    if (highlighted) state.Include(gdSelected);
    return highlighted;
  }
  const bool rowSelect = fDBOptions.Contains(dgRowSelect);
  const bool currentRow = row == Row();
  TDataSet* dataSet = fDataLink->DataSet();
  const bool selected =
      fDataLink->Active() && dataSet != nullptr && fSelection->DataCellSelected(dataCol, dataSet->Bookmark());
  bool showsFocus = false;
  if (!selected) {
    showsFocus = IsFocused() && fOptionsEh.Contains(dghHighlightFocus);
    if (fOptionsEh.Contains(dghRowHighlight) && currentRow && fSelection->SelectionType() == gstNon &&
        dataCol != SelectedIndex()) {
      showsFocus = true;
      state.Include(gdSelected);
    }
  }
  const bool highlighted = selected || ((state.Contains(gdSelected) || (currentRow && rowSelect)) &&
                                        (fDBOptions.Contains(dgAlwaysShowSelection) || showsFocus) &&
                                        (fUpdateLock == 0 || rowSelect));
  if (!highlighted) return false;
  state.Include(gdSelected);
  if (IsFocused()) {
    background = clHighlight;
    font.SetColor(clHighlightText);
  } else if (currentRow && (rowSelect || dataCol == SelectedIndex())) {
    background = clBtnShadow;
    font.SetColor(clHighlightText);
  } else {
    background = clBtnFace;
  }
  return true;
}

void TCustomDBGridEh::DrawCell(int col, int row, const TRect& cellRect, TGridDrawState state) {
  if (IsRectEmpty(cellRect)) return;
  TCanvas& canvas = *Canvas();
  if (ComponentState().Contains(csLoading)) {
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(cellRect);
    return;
  }
  const bool is3D = IsCell3D(col, row, state);
  int dataCol = 0;
  int areaRow = 0;
  const TGridCellTypeEh type = GetCellType(col, row, dataCol, areaRow);
  TRect rect = cellRect;
  if (is3D) InflateRect(rect, -1, -1);
  // The one scrolling column the base grid needs may have no column behind it.
  TColumnEh* column = dataCol >= 0 && dataCol < fColumns->Count() ? fColumns->Items(dataCol) : nullptr;
  bool highlighted = false;
  if (type.ColKind == cckIndicatorEh) {
    highlighted = DrawIndicatorCell(row, rect, type, is3D);
  } else if (column != nullptr && type.RowKind == crkTitleEh) {
    highlighted = DrawTitleCell(col, row, rect, *column, type);
  } else if (column != nullptr && type.RowKind == crkDataEh) {
    highlighted = DrawDataCell(col, row, rect, state, *column);
  } else {
    // The filter row and the footers show their background only.
    canvas.Brush()->SetColor(type.RowKind == crkFooterEh ? fFooterColor : Color());
    canvas.FillRect(rect);
  }
  if (is3D) DrawCellEdgeEh(this, &canvas, cellRect, true, true, false, highlighted);
}

bool TCustomDBGridEh::DrawIndicatorCell(int row, const TRect& rect, TGridCellTypeEh type, bool is3D) {
  TCanvas& canvas = *Canvas();
  TColor background = FixedColor();
  bool selected = false;
  int image = -1;
  const int record = row - fTitleOffset;
  if (fDataLink->Active() && record >= 0 && record < fDataLink->RecordCount()) {
    const bool current = record == fDataLink->ActiveRecord();
    TActiveRecordScope active(*fDataLink, record);
    selected = fDBOptions.Contains(dgMultiSelect) &&
               fSelection->DataCellSelected(-1, fDataLink->DataSet()->Bookmark());
    image = IndicatorImage(current, selected);
  } else {
    selected = fSelection->SelectionType() == gstAll;
  }
  canvas.Font()->Assign(TitleFont());
  if (selected) GetHighlightCellColors(0, row, *canvas.Font(), background, true, type);
  canvas.Brush()->SetColor(background);
  canvas.FillRect(rect);
  if (image >= 0) {
    const TCustomImageList& images = IndicatorImagesEh();
    images.Draw(&canvas, rect.right - images.Width() - (is3D ? 1 : 2),
                (rect.top + rect.bottom - images.Height()) / 2, image);
  }
  return selected;
}

int TCustomDBGridEh::IndicatorImage(bool current, bool selected) const {
  // Only the current record is edited or inserted; a selected row of another record shows
  // its highlight alone.
  if (!current) return -1;
  switch (fDataLink->DataSet()->State()) {
    case dsEdit:
      return iiEditEh;
    case dsInsert:
      return iiInsertEh;
    case dsBrowse:
      return selected ? iiCurrentSelectedEh : iiCurrentEh;
    default:
      return -1;
  }
}

void TCustomDBGridEh::SetPressedTitleCol(int col) {
  if (col == fPressedTitleCol) return;
  if (fPressedTitleCol >= 0 && AreTitlesVisible()) InvalidateCell(fPressedTitleCol, 0);
  fPressedTitleCol = col;
  if (col >= 0 && AreTitlesVisible()) InvalidateCell(col, 0);
}

bool TCustomDBGridEh::DrawTitleCell(int col, int row, const TRect& rect, TColumnEh& column,
                                    TGridCellTypeEh type) {
  TCanvas& canvas = *Canvas();
  TColumnTitleEh& title = column.Title();
  canvas.Font()->Assign(title.Font());
  TColor background = title.Color();
  const bool highlighted = IsCellSelected(col, RawToDataColumn(col), row, TBookmarkStr());
  GetHighlightCellColors(col, row, *canvas.Font(), background, highlighted, type);
  canvas.Brush()->SetColor(background);
  const bool lines = fTitleHeight > 0 || fTitleLines > 0;
  const int shift = col != fPressedTitleCol ? 0 : lines ? 2 : 1;
  const TSortMarkerAreaEh area = title.SortMarker() != smNoneEh ? title.SortMarkerArea() : TSortMarkerAreaEh{};
  TRect textRect = rect;
  textRect.right -= area.width;
  if (area.width > 0) canvas.FillRect(Rect(textRect.right, rect.top, rect.right, rect.bottom));
  WriteTextEh(canvas, textRect, true, 2 + shift, 1 + shift, title.Caption(),
              {.Alignment = title.Alignment(),
               .Layout = tlCenter,
               .MultiLine = lines,
               .EndEllipsis = title.EndEllipsis()});
  DrawSortMarker(rect, title.SortMarker(), area, shift, highlighted);
  return highlighted;
}

void TCustomDBGridEh::DrawSortMarker(const TRect& rect, TSortMarkerEh marker, const TSortMarkerAreaEh& area,
                                     int shift, bool highlighted) {
  TCanvas& canvas = *Canvas();
  const int markerTop = (rect.top + rect.bottom - kSortMarkerHeightEh) / 2 + shift;
  if (area.marker) {
    SortMarkerImagesEh().Draw(&canvas, rect.right - kSortMarkerWidthEh - 2 - area.numberWidth + shift, markerTop,
                              marker == smDownEh ? 0 : 1);
  }
  if (area.number.empty()) return;
  const TColor textColor = canvas.Font()->Color();
  canvas.Font()->Assign(&SortIndexFontEh());
  canvas.Font()->SetColor(highlighted ? clWhite : textColor);
  canvas.Brush()->SetStyle(bsClear);
  canvas.TextOut(rect.right - area.numberWidth - 2 + shift, markerTop - 1, area.number);
  canvas.Brush()->SetStyle(bsSolid);
}

TColor TCustomDBGridEh::DataRowBackground(TColumnEh& column) {
  TDataSet* dataSet = fDataLink->DataSet();
  if (column.Color() != Color() || !fDataLink->Active() || dataSet == nullptr) return column.Color();
  if (!dataSet->IsSequenced() && !(fSumList->Active() && fSumList->VirtualRecords())) return column.Color();
  return fSumList->GetRecNo() % 2 != 0 ? OddRowColor() : EvenRowColor();
}

bool TCustomDBGridEh::DrawDataCell(int col, int row, const TRect& rect, TGridDrawState state,
                                   TColumnEh& column) {
  TCanvas& canvas = *Canvas();
  const int record = row - fTitleOffset;
  if (!fDataLink->Active() || record >= fDataLink->RecordCount()) {
    canvas.Brush()->SetColor(column.Color());
    canvas.FillRect(rect);
    return false;
  }
  TActiveRecordScope active(*fDataLink, record);
  canvas.Font()->Assign(column.Font());
  TColCellParamsEh params;
  column.FillColCellParams(params);
  params.Col = col;
  params.Row = row;
  params.State = state;
  params.Font = canvas.Font();
  params.Background = DataRowBackground(column);
  column.GetColCellParams(false, params);
  const bool duplicate =
      column.HideDuplicates() && record > 0 && params.Text == ShownText(column, record - 1);
  if (duplicate) {
    params.Text.clear();
    params.ImageIndex = -1;
  }
  const bool highlighted =
      GetDataCellColors(RawToDataColumn(col), row, *canvas.Font(), params.Background, params.State);
  canvas.Brush()->SetColor(params.Background);
  if (DefaultDrawing()) DrawDataCellContent(column, rect, params);
  if (duplicate && fDBOptions.Contains(dgRowLines)) {
    // The run of equal values reads as one cell: no row line inside it.
    canvas.Brush()->SetColor(column.Color());
    canvas.FillRect(TRect{rect.left, rect.top - GridLineWidth(), rect.right, rect.top});
  }
  if (row == Row() && RequiredValueMissing(column, params.Text)) DrawRequiredMark(canvas, rect);
  return highlighted;
}

AnsiString TCustomDBGridEh::ShownText(TColumnEh& column, int record) {
  TActiveRecordScope active(*fDataLink, record);
  TFont font;
  font.Assign(column.Font());
  TColCellParamsEh params;
  column.FillColCellParams(params);
  params.Row = record + fTitleOffset;
  params.Font = &font;
  params.Background = DataRowBackground(column);
  column.GetColCellParams(false, params);
  return params.Text;
}

bool TCustomDBGridEh::RequiredValueMissing(TColumnEh& column, const AnsiString& text) {
  TField* field = column.Field();
  TDataSet* dataSet = fDataLink->DataSet();
  if (!column.HighlightRequired() || field == nullptr || dataSet == nullptr) return false;
  if (dataSet->State() != dsEdit && dataSet->State() != dsInsert) return false;
  if (!field->Required() || !field->IsNull()) return false;
  bool drawState = true;
  if (column.OnCheckDrawRequiredState) column.OnCheckDrawRequiredState(&column, text, drawState);
  return drawState;
}

void TCustomDBGridEh::DrawRequiredMark(TCanvas& canvas, const TRect& rect) {
  TPen& pen = *canvas.Pen();
  const TPenStyle style = pen.Style();
  const TColor color = pen.Color();
  pen.SetStyle(psDot);
  pen.SetColor(clRed);
  canvas.MoveTo(rect.left + 2, rect.bottom - 1);
  canvas.LineTo(rect.right - 3, rect.bottom - 1);
  pen.SetStyle(style);
  pen.SetColor(color);
}

void TCustomDBGridEh::DrawDataCellContent(TColumnEh& column, const TRect& rect,
                                          const TColCellParamsEh& params) {
  TCanvas& canvas = *Canvas();
  if (column.GetColumnType() == ctCheckboxes) {
    canvas.FillRect(rect);
    DrawCheckBoxEh(canvas.Handle(), CheckBoxRectEh(rect, taCenter, tlCenter), params.CheckboxState, true,
                   false, Flat());
    return;
  }
  WriteTextEh(canvas, rect, true, 2, 2, params.Text,
              {.Alignment = params.Alignment,
               .Layout = column.Layout(),
               .MultiLine = column.WordWrap() && fMultiLineRows,
               .EndEllipsis = column.EndEllipsis()});
}

}  // namespace ordvane
