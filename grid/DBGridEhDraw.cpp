// Cell drawing of the data-aware grid: which area a cell lies in, whether it is selected,
// and how indicator, title and data cells are painted.

#include <algorithm>
#include <utility>

#include "classlib/ui/ImgList.h"
#include "classlib/ui/SysMetrics.h"
#include "classlib/ui/Themes.h"
#include "grid/DBGridEh.h"
#include "gridbase/ButtonFacesEh.h"
#include "gridbase/GridsEhDraw.h"

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
  // An editable filter cell is flat: its editor takes its place.
  if (IsFilterRow(col, row) && IsFilterCellEditable(dataCol)) return false;
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
  // The one scrolling column the base grid needs may have no column behind it.
  TColumnEh* column = dataCol >= 0 && dataCol < fColumns->Count() ? fColumns->Items(dataCol) : nullptr;
  // A multi-level title is its lowest band; the group bands above it follow.
  const bool multiTitle = type.RowKind == crkTitleEh && areaRow == 0 && TitleLeaf(dataCol) != nullptr;
  const TRect frameRect = multiTitle ? TitleLeafRect(col, cellRect) : cellRect;
  TRect rect = frameRect;
  if (is3D) InflateRect(rect, -1, -1);
  TCellLookEh look;
  if (type.ColKind == cckIndicatorEh) {
    look = DrawIndicatorCell(row, rect, type, is3D);
  } else if (column != nullptr && type.RowKind == crkTitleEh) {
    look = DrawTitleCell(col, row, rect, *column, type);
  } else if (column != nullptr && type.RowKind == crkDataEh) {
    look = DrawDataCell(col, row, rect, state, *column, is3D);
  } else if (column != nullptr && type.RowKind == crkFooterEh) {
    look = DrawFooterCell(col, row, rect, state, *column, areaRow, is3D);
  } else if (column != nullptr && type.RowKind == crkFilterEh) {
    look = DrawFilterCell(col, row, rect, *column, type);
  } else {
    // A cell with no column behind it shows its background only.
    canvas.Brush()->SetColor(type.RowKind == crkFooterEh ? fFooterColor : Color());
    canvas.FillRect(rect);
  }
  if (is3D && !look.themed) DrawCellEdgeEh(this, &canvas, frameRect, true, true, false, look.highlighted);
  if (multiTitle) DrawTitleGroups(*column, cellRect);
}

bool TCustomDBGridEh::DrawThemedFixedCellEh(const TRect& rect, bool pressed, bool selected) {
  TCanvas& canvas = *Canvas();
  const bool themed = !Flat() && ThemeServices()->ThemesEnabled() && fOptionsEh.Contains(dghFixed3D) &&
                      fDBOptions.Contains(dgColLines) && fDBOptions.Contains(dgRowLines);
  if (!themed) {
    canvas.FillRect(rect);
    return false;
  }
  TRect item = rect;
  InflateRect(item, 1, 1);
  ThemeServices()->DrawElement(
      canvas.Handle(), TThemeServices::GetElementDetails(pressed || selected ? thHeaderItemHot : thHeaderItemNormal),
      item);
  return true;
}

TCustomDBGridEh::TCellLookEh TCustomDBGridEh::DrawIndicatorCell(int row, const TRect& rect, TGridCellTypeEh type,
                                                                bool is3D) {
  TCanvas& canvas = *Canvas();
  TColor background = FixedColor();
  TCellLookEh look;
  int image = -1;
  const int record = row - fTitleOffset;
  if (fDataLink->Active() && record >= 0 && record < fDataLink->RecordCount()) {
    const bool current = record == fDataLink->ActiveRecord();
    TActiveRecordScope active(*fDataLink, record);
    look.highlighted = fDBOptions.Contains(dgMultiSelect) &&
                       fSelection->DataCellSelected(-1, fDataLink->DataSet()->Bookmark());
    image = IndicatorImage(current, look.highlighted);
  } else {
    look.highlighted = fSelection->SelectionType() == gstAll;
  }
  canvas.Font()->Assign(TitleFont());
  if (look.highlighted) GetHighlightCellColors(0, row, *canvas.Font(), background, true, type);
  canvas.Brush()->SetColor(background);
  look.themed = DrawThemedFixedCellEh(rect, false, look.highlighted);
  if (image >= 0) {
    const TCustomImageList& images = IndicatorImagesEh();
    images.Draw(&canvas, rect.right - images.Width() - (is3D ? 1 : 2),
                (rect.top + rect.bottom - images.Height()) / 2, image);
  }
  return look;
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
      return selected ? iiCurrentSelectedEh : fInplaceSearching ? iiCurrentSearchingEh : iiCurrentEh;
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

TCustomDBGridEh::TCellLookEh TCustomDBGridEh::DrawTitleCell(int col, int row, const TRect& rect,
                                                            TColumnEh& column, TGridCellTypeEh type) {
  TCanvas& canvas = *Canvas();
  TColumnTitleEh& title = column.Title();
  canvas.Font()->Assign(title.Font());
  TColor background = title.Color();
  TSortMarkerEh marker = title.SortMarker();
  const bool pressed = col == fPressedTitleCol;
  if (column.Field() != nullptr && OnGetBtnParams)
    OnGetBtnParams(this, &column, canvas.Font(), background, marker, pressed);
  TCellLookEh look;
  look.highlighted = IsCellSelected(col, RawToDataColumn(col), row, TBookmarkStr());
  GetHighlightCellColors(col, row, *canvas.Font(), background, look.highlighted, type);
  canvas.Brush()->SetColor(background);
  const bool lines = fTitleHeight > 0 || fTitleLines > 0 || fUseMultiTitle;
  const int shift = !pressed ? 0 : lines ? 2 : 1;
  TSortMarkerAreaEh area;
  if (marker != smNoneEh) {
    area = title.SortMarkerArea();
    // A marker that only the event gives has no index to write.
    if (title.SortIndex() <= 0) {
      area.width = 16;
      area.marker = true;
    }
  }
  TRect textRect = rect;
  textRect.right -= area.width;
  look.themed = DrawThemedFixedCellEh(rect, pressed, look.highlighted);
  DrawTitleContent(column, textRect, shift);
  DrawSortMarker(rect, marker, area, shift, look.highlighted);
  return look;
}

void TCustomDBGridEh::DrawTitleContent(TColumnEh& column, const TRect& rect, int shift) {
  TCanvas& canvas = *Canvas();
  TColumnTitleEh& title = column.Title();
  TCustomImageList* images = TitleImages();
  if (images != nullptr && title.ImageIndex() != -1) {
    TRect imageRect = rect;
    OffsetRect(imageRect, shift, shift);
    DrawClipImageEh(canvas, *images, title.ImageIndex(), imageRect, fUseMultiTitle ? taCenter : title.Alignment(),
                    2);
    return;
  }
  canvas.Brush()->SetStyle(bsClear);
  const AnsiString caption = TitleLeafCaption(column);
  if (title.Orientation() == tohVertical) {
    TRect textRect = rect;
    OffsetRect(textRect, shift, shift);
    DrawRotatedTextEh(canvas, textRect, caption, title.Alignment());
  } else {
    const bool lines = fTitleHeight > 0 || fTitleLines > 0 || fUseMultiTitle;
    WriteColumnText(column, rect, false, 2 + shift, 1 + shift, caption,
                    {.Alignment = title.Alignment(),
                     .Layout = tlCenter,
                     .MultiLine = lines,
                     .EndEllipsis = title.EndEllipsis()});
  }
  canvas.Brush()->SetStyle(bsSolid);
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

TCustomDBGridEh::TCellLookEh TCustomDBGridEh::DrawDataCell(int col, int row, const TRect& rect,
                                                           TGridDrawState state, TColumnEh& column, bool is3D) {
  TCanvas& canvas = *Canvas();
  const int record = row - fTitleOffset;
  TCellLookEh look;
  if (!fDataLink->Active() || record >= fDataLink->RecordCount()) {
    canvas.Brush()->SetColor(column.Color());
    canvas.FillRect(rect);
    return look;
  }
  TActiveRecordScope active(*fDataLink, record);
  canvas.Font()->Assign(column.Font());
  TRect contentRect = rect;
  TRect buttonsRect = rect;
  if (column.AlwaysShowEditButton()) {
    contentRect.right = std::max(contentRect.left, contentRect.right - column.EditButtonsWidth());
    buttonsRect.left = contentRect.right;
  }
  TColCellParamsEh params;
  column.FillColCellParams(params);
  params.Col = col;
  params.Row = row;
  params.State = state;
  params.Font = canvas.Font();
  params.Background = DataRowBackground(column);
  GetCellParams(&column, params.Font, params.Background, params.State);
  column.GetColCellParams(false, params);
  const bool duplicate =
      column.HideDuplicates() && record > 0 && params.Text == ShownText(column, record - 1);
  if (duplicate) {
    params.Text.clear();
    params.ImageIndex = -1;
  }
  look.highlighted =
      GetDataCellColors(RawToDataColumn(col), row, *canvas.Font(), params.Background, params.State);
  canvas.Brush()->SetColor(params.Background);
  if (DefaultDrawing()) {
    look.themed = is3D && DrawThemedFixedCellEh(contentRect, false, look.highlighted);
    DrawDataCellContent(column, contentRect, params, look.themed);
    if (column.AlwaysShowEditButton()) DrawCellButtons(column, buttonsRect, params.Background);
  }
  if (duplicate && fDBOptions.Contains(dgRowLines)) {
    // The run of equal values reads as one cell: no row line inside it.
    canvas.Brush()->SetColor(column.Color());
    canvas.FillRect(TRect{rect.left, rect.top - GridLineWidth(), rect.right, rect.top});
  }
  if (row == Row() && RequiredValueMissing(column, params.Text)) DrawRequiredMark(canvas, rect);
  if (fColumns->State() == csDefault) DrawDataCell(rect, column.Field(), params.State);
  DrawColumnCell(rect, RawToDataColumn(col), &column, params.State);
  return look;
}

void TCustomDBGridEh::GetCellParams(TColumnEh* column, TFont* font, TColor& background, TGridDrawState state) {
  if (OnGetCellParams) OnGetCellParams(this, column, font, background, state);
}

void TCustomDBGridEh::DrawColumnCell(const TRect& rect, int dataCol, TColumnEh* column, TGridDrawState state) {
  if (OnDrawColumnCell) OnDrawColumnCell(this, rect, dataCol, column, state);
}

void TCustomDBGridEh::DrawDataCell(const TRect& rect, TField* field, TGridDrawState state) {
  if (OnDrawDataCell) OnDrawDataCell(this, rect, field, state);
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

void TCustomDBGridEh::DrawDataCellContent(TColumnEh& column, const TRect& rect, const TColCellParamsEh& params,
                                          bool themed) {
  TCanvas& canvas = *Canvas();
  if (!themed) canvas.FillRect(rect);
  TCustomImageList* images = column.ImageList();
  const TColumnCellKind kind = column.GetColumnType();
  if (kind == ctCheckboxes) {
    DrawCheckBoxEh(canvas.Handle(), CheckBoxRectEh(rect, taCenter, tlCenter), params.CheckboxState, true,
                   false, Flat());
    return;
  }
  if (kind == ctKeyImageList) {
    if (images != nullptr && params.ImageIndex >= 0)
      DrawClipImageEh(canvas, *images, params.ImageIndex, rect, taCenter, 0);
    return;
  }
  TRect textRect = rect;
  if (images != nullptr && column.ShowImageAndText()) {
    // The image part keeps the column's colour, whatever the cell's highlight.
    const TRect imageRect{rect.left, rect.top, std::min(rect.right, rect.left + images->Width() + 4), rect.bottom};
    const TColor brush = canvas.Brush()->Color();
    canvas.Brush()->SetColor(column.Color());
    canvas.FillRect(imageRect);
    canvas.Brush()->SetColor(brush);
    if (params.ImageIndex >= 0) DrawClipImageEh(canvas, *images, params.ImageIndex, imageRect, taCenter, 0);
    textRect.left = imageRect.right;
  }
  WriteColumnText(column, textRect, false, 2, 2, params.Text, TextFormat(column, params));
  if (ShowsSearchPrefix(params.Col, params.Row)) DrawSearchPrefix(column, textRect, params);
}

TCellTextFormatEh TCustomDBGridEh::TextFormat(TColumnEh& column, const TColCellParamsEh& params) const {
  return {.Alignment = params.Alignment,
          .Layout = column.Layout(),
          .MultiLine = column.WordWrap() && fMultiLineRows,
          .EndEllipsis = column.EndEllipsis()};
}

// ---- Right to left and the incremental search -----------------------------------------

template <class Write>
void TCustomDBGridEh::InColumnReading(TColumnEh& column, const TRect& rect, TCellTextFormatEh format,
                                      Write write) {
  if (column.BiDiMode() != bdRightToLeft) return write(rect, format);
  TDeviceContext& dc = *Canvas()->Handle();
  TPoint corners[2] = {rect.TopLeft(), rect.BottomRight()};
  dc.LPtoDP(corners, 2);
  const TRect device = NormalizedRect({corners[0].x, corners[0].y, corners[1].x, corners[1].y});
  const grids_internal::TMappingScope mirrored(dc);
  dc.SetMapMode(MM_TEXT);
  dc.SetWindowOrgEx(0, 0);
  dc.SetViewportOrgEx(0, 0);
  if (format.Alignment != taCenter)
    format.Alignment = format.Alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  std::swap(format.LeftMargin, format.RightMargin);
  write(device, format);
}

void TCustomDBGridEh::WriteColumnText(TColumnEh& column, const TRect& rect, bool fill, int dx, int dy,
                                      const AnsiString& text, TCellTextFormatEh format) {
  InColumnReading(column, rect, format, [&](const TRect& shown, const TCellTextFormatEh& shownFormat) {
    WriteTextEh(*Canvas(), shown, fill, dx, dy, text, shownFormat);
  });
}

bool TCustomDBGridEh::ShowsSearchPrefix(int col, int row) {
  return fInplaceSearching && !fInplaceSearchText.empty() && col == Col() && row == Row() &&
         (fDBOptions.Contains(dgAlwaysShowSelection) || IsFocused()) &&
         !ComponentState().Contains(csDesigning) && fUpdateLock == 0 && IsActiveControl();
}

void TCustomDBGridEh::DrawSearchPrefix(TColumnEh& column, const TRect& rect, const TColCellParamsEh& params) {
  TCanvas& canvas = *Canvas();
  const TColor brush = canvas.Brush()->Color();
  const TColor text = canvas.Font()->Color();
  canvas.Brush()->SetColor(kInplaceSearchColorEh);
  canvas.Font()->SetColor(kInplaceSearchTextColorEh);
  InColumnReading(column, rect, TextFormat(column, params),
                  [&](const TRect& shown, const TCellTextFormatEh& shownFormat) {
                    WriteTextPrefixEh(canvas, shown, 2, 2, params.Text, fInplaceSearchText.size(), shownFormat);
                  });
  canvas.Brush()->SetColor(brush);
  canvas.Font()->SetColor(text);
}

void TCustomDBGridEh::SetInplaceSearchState(bool searching, const AnsiString& text) {
  if (searching == fInplaceSearching && text == fInplaceSearchText) return;
  fInplaceSearching = searching;
  fInplaceSearchText = searching ? text : AnsiString();
  if (HandleAllocated()) InvalidateRow(Row());
}

int TCustomDBGridEh::DefaultCellButtonWidth() const {
  return Flat() ? DefaultEditButtonWidthEh() + 1 : GetSystemMetrics(SM_CXVSCROLL);
}

void TCustomDBGridEh::DrawCellButtons(TColumnEh& column, const TRect& rect, TColor background) {
  TCanvas& canvas = *Canvas();
  const bool flat = Flat();
  const int implicitWidth = DefaultCellButtonWidth();
  int right = rect.right;
  const auto place = [&](int width) {
    const TRect button{std::max(rect.left, right - width), rect.top, right, rect.bottom};
    right = button.left;
    return button;
  };
  switch (column.GetEditStyle()) {
    case esSimple:
      break;
    case esEllipsis:
      DrawCellButtonEh(canvas, place(implicitWidth), background, ebsEllipsisEh, nullptr, flat, true);
      break;
    case esUpDown:
      DrawCellButtonEh(canvas, place(implicitWidth), background, ebsUpDownEh, nullptr, flat, true);
      break;
    default:
      DrawCellButtonEh(canvas, place(implicitWidth), background, ebsDropDownEh, nullptr, flat, true);
      break;
  }
  const TEditButtonsEh& buttons = column.EditButtons();
  for (int i = 0; i < buttons.Count(); ++i) {
    const TEditButtonEh* button = buttons.Items(i);
    if (!button->Visible()) continue;
    const int width = button->Width() > 0 ? button->Width() + (flat ? 1 : 0) : implicitWidth;
    DrawCellButtonEh(canvas, place(width), background, button->Style(), button->Glyph(), flat, button->Enabled());
  }
}

}  // namespace ordvane
