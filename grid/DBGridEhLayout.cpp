// The grid's layout: the update and layout sections, the field map, the columns made for
// the dataset's fields, column counts, row and title heights, tab stops and widths, the
// automatic fitting of widths to the client width, and the deferred layout.

#include <algorithm>

#include "classlib/core/Math.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/SysMetrics.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

constexpr int kIndicatorWidth = 11;

}  // namespace

// ---- Sections -------------------------------------------------------------------------

void TCustomDBGridEh::EndUpdate() {
  if (fUpdateLock == 0) return;
  --fUpdateLock;
  // A deferred layout that came while a section was held runs once, now.
  if (fUpdateLock == 0 && fLayoutLock == 0 && fDeferredLayoutPending) {
    fDeferredLayoutPending = false;
    PostDeferredLayout();
  }
}

void TCustomDBGridEh::BeginLayout() {
  BeginUpdate();
  if (fLayoutLock == 0) fColumns->BeginUpdate();
  ++fLayoutLock;
}

void TCustomDBGridEh::EndLayout() {
  if (fLayoutLock == 0) return;
  if (fLayoutLock == 1) {
    try {
      InternalLayout();
    } catch (...) {
      ReleaseLayoutLock();
      throw;
    }
  }
  ReleaseLayoutLock();
}

void TCustomDBGridEh::ReleaseLayoutLock() {
  if (fLayoutLock == 0) return;
  if (fLayoutLock == 1) fColumns->EndUpdate();
  --fLayoutLock;
  EndUpdate();
}

bool TCustomDBGridEh::AcquireLayoutLock() {
  if (fUpdateLock != 0 || fLayoutLock != 0) return false;
  BeginLayout();
  return true;
}

void TCustomDBGridEh::LayoutChanged() {
  if (fColumns == nullptr || ComponentState().Contains(csDestroying)) return;
  if (AcquireLayoutLock()) EndLayout();
}

void TCustomDBGridEh::PostDeferredLayout() {
  if (!HandleAllocated()) return;
  TMsg waiting;
  if (PeekMessage(waiting, Handle(), CM_DEFERLAYOUTEH, CM_DEFERLAYOUTEH, PM_NOREMOVE)) return;
  PostMessage(Handle(), CM_DEFERLAYOUTEH, 0, 0);
}

void TCustomDBGridEh::DeferredLayout() {
  // Posting it again while a section is held would keep a message loop busy for as long
  // as the section lasts; the section's last release posts it instead.
  if (fUpdateLock != 0 || fLayoutLock != 0) {
    fDeferredLayoutPending = true;
    return;
  }
  LayoutChanged();
}

// ---- Field map and columns ------------------------------------------------------------

void TCustomDBGridEh::DefineFieldMap() {
  if (fColumns->State() == csCustomized) {
    fDataLink->SetSparse(true);
    for (int i = 0; i < fColumns->Count(); ++i) fDataLink->AddMapping(fColumns->Items(i)->FieldName());
    return;
  }
  fDataLink->SetSparse(false);
  std::vector<TField*> fields;
  GetDatasetFieldList(fields);
  for (TField* field : fields)
    if (field->Visible()) fDataLink->AddMapping(field->FieldName());
}

void TCustomDBGridEh::GetDatasetFieldList(std::vector<TField*>& fields) {
  TDataSet* dataSet = fDataLink->DataSet();
  if (!dataSet) return;
  for (int i = 0; i < dataSet->FieldCount(); ++i) fields.push_back(dataSet->Fields().Fields(i));
}

void TCustomDBGridEh::RemoveStaleGeneratedColumns() {
  bool generatedSeen = false;
  bool mixed = false;
  for (int i = 0; i < fColumns->Count() && !mixed; ++i) {
    if (fColumns->Items(i)->IsGeneratedColumn())
      generatedSeen = true;
    else
      mixed = generatedSeen;
  }
  if (!mixed) return;
  for (int i = fColumns->Count() - 1; i >= 0; --i)
    if (fColumns->Items(i)->IsGeneratedColumn()) delete fColumns->Items(i);
}

void TCustomDBGridEh::BuildColumnsFromMap() {
  if (fColumns->State() == csCustomized) {
    fColumns->ResetFields();
    return;
  }
  if (!fDataLink->Active() && fDataLink->DefaultFields()) {
    fColumns->Clear();
    return;
  }
  // Without a field map every default column goes here.
  for (int i = fColumns->Count() - 1; i >= 0; --i) {
    TColumnEh* column = fColumns->Items(i);
    TField* field = column->Field();
    bool mapped = false;
    for (int m = 0; m < fDataLink->FieldCount() && !mapped; ++m) mapped = fDataLink->Fields(m) == field;
    if (field == nullptr || !mapped) delete column;
  }
  for (int m = 0; m < fDataLink->FieldCount(); ++m) {
    TField* field = fDataLink->Fields(m);
    TColumnEh* found = nullptr;
    for (int c = m; c < fColumns->Count() && found == nullptr; ++c)
      if (fColumns->Items(c)->Field() == field) found = fColumns->Items(c);
    if (found == nullptr) {
      found = fColumns->AddGenerated();
      found->SetField(field);
    }
    found->TCollectionItem::SetIndex(m);
  }
}

void TCustomDBGridEh::BuildVisibleColumns(int& hiddenFrozen) {
  fVisibleColumns.Clear();
  hiddenFrozen = 0;
  int frozenSeen = 0;
  bool inFrozenPart = true;
  for (int i = 0; i < fColumns->Count(); ++i) {
    TColumnEh* column = fColumns->Items(i);
    if (column->Visible()) {
      fVisibleColumns.Add(column);
      if (++frozenSeen > fFrozenCols) inFrozenPart = false;
    } else if (inFrozenPart) {
      ++hiddenFrozen;
    }
  }
  // With no visible column the hidden ones at the end are not fixed.
  if (fVisibleColumns.Count() == 0 && hiddenFrozen > 0) --hiddenFrozen;
}

// ---- The layout -----------------------------------------------------------------------

void TCustomDBGridEh::InternalLayout() {
  if (ComponentState().Contains(csLoading)) return;
  if (HandleAllocated()) RemovePendingMessageEh(Handle(), CM_DEFERLAYOUTEH);
  fDeferredLayoutPending = false;
  const TDrawLockScopeEh drawLock(*this);

  RemoveStaleGeneratedColumns();
  fIndicatorOffset = fDBOptions.Contains(dgIndicator) ? 1 : 0;
  fDataLink->ClearMapping();
  if (fDataLink->Active()) DefineFieldMap();
  BuildColumnsFromMap();
  int hiddenFrozen = 0;
  BuildVisibleColumns(hiddenFrozen);

  const bool customized = fColumns->State() == csCustomized;
  // More frozen columns than there are make no empty ones.
  const int frozen = fDataLink->Active() || customized ? std::min(fFrozenCols, fVisibleColumns.Count()) : 0;
  const int fixedCols = fIndicatorOffset + hiddenFrozen + frozen;
  const int allCols = std::max(fColumns->Count() + fIndicatorOffset, fixedCols + 1);
  const int contra =
      fDataLink->Active() || customized ? std::min(fContraColCount, allCols - fixedCols - 1) : 0;
  SetColCount(allCols - contra);
  TCustomGridEh::SetContraColCount(contra);
  SetFixedCols(std::min(fixedCols, ColCount() - 1));
  SetFixedDataCols(frozen);
  fTitleOffset = (AreTitlesVisible() ? 1 : 0) + (IsFilterRowVisible() ? 1 : 0) + ExtraTitleRowCount();

  ComputeRowHeight();
  ComputeTitleHeight();
  UpdateScrollBarsVisibility();
  UpdateTabStopsAndWidths();
  AutoFitWidths();
  // The title tree measures the widths the columns ended with.
  LayoutTitleTree();
  UpdateTabStopsAndWidths();
  UpdateRowCount();
  SyncRowWithRecord();
  Invalidate();
  if (fSelection->SelectionType() == gstColumns) fSelection->Columns().Refresh();
  UpdateFilterEditBounds(false);
}

void TCustomDBGridEh::ComputeRowHeight() {
  const TFontMeasureEh font = MeasureFontEh(*Font());
  int extra = Flat() ? 1 : 3;
  if (fDBOptions.Contains(dgRowLines)) extra += GridLineWidth();
  const Int64 lineHeight = Int64{font.metrics.tmHeight} + font.metrics.tmExternalLeading;
  int height = GridExtentWithinLimitEh(fRowHeight < 1 && fRowLines < 1 ? Int64{font.textHeight} + extra
                                                                       : lineHeight * fRowLines + fRowHeight);
  if (fOptionsEh.Contains(dghFitRowHeightToText) && font.textHeight > 0) {
    const int text = height - extra;
    const int lines = text / font.textHeight;
    const int rest = text % font.textHeight;
    height = (rest <= font.textHeight / 2 && lines != 0 ? lines : lines + 1) * font.textHeight + extra;
    fRowLines = (height - extra) / font.textHeight;
    fRowHeight = extra;
  }
  // Setting the default drops every stored height; the title row keeps its own.
  const int titleHeight = RowHeights(0);
  SetDefaultRowHeight(height);
  if (AreTitlesVisible()) SetRowHeights(0, titleHeight);

  ComputeButtonWidth();
  fMultiLineRows =
      font.metrics.tmHeight + font.metrics.tmExternalLeading + font.metrics.tmInternalLeading + 4 < height;
}

void TCustomDBGridEh::ComputeButtonWidth() {
  // A button as wide as a scroll bar (half as wide again on a flat grid) while the rows
  // are tall enough for it, else square.
  const int scrollBarSize = GetSystemMetrics(SM_CXVSCROLL);
  const int wideButton = (scrollBarSize * 3 + 1) / 2;
  const int height = DefaultRowHeight();
  fButtonWidth = height > wideButton ? (Flat() ? wideButton : scrollBarSize) : height;
}

void TCustomDBGridEh::ComputeTitleHeight() {
  if (!AreTitlesVisible()) return;
  // The tallest title font decides.
  TFontMeasureEh tallest = MeasureFontEh(*fTitleFont);
  if (fColumns->Count() > 0) {
    tallest = {};
    for (int i = 0; i < fColumns->Count(); ++i) {
      const TFontMeasureEh measure = MeasureFontEh(*fColumns->Items(i)->Title().Font());
      if (measure.textHeight > tallest.textHeight) tallest = measure;
    }
  }
  Int64 height = Int64{tallest.textHeight} + 4;
  if (fTitleHeight != 0 || fTitleLines != 0) {
    height = Int64{fTitleLines} * tallest.metrics.tmHeight + tallest.metrics.tmExternalLeading + 2 + fTitleHeight;
    if (fDBOptions.Contains(dgRowLines)) ++height;
  }
  fCalculatedTitleHeight = GridExtentWithinLimitEh(height);
  SetRowHeights(0, fCalculatedTitleHeight);
}

void TCustomDBGridEh::UpdateScrollBarsVisibility() {
  const bool designing = ComponentState().Contains(csDesigning);
  const bool wanted = fHorzScrollBar->Visible() && fHorzScrollBar->ExtScrollBar() == nullptr &&
                      !(fAutoFitColWidths && !designing);
  const bool shown = ScrollBars() == ssHorizontal || ScrollBars() == ssBoth;
  if (wanted == shown) return;
  SetScrollBars(wanted ? ssHorizontal : ssNone);
  UpdateScrollBar();
}

void TCustomDBGridEh::Loaded() {
  TCustomGridEh::Loaded();
  if (fAutoFitColWidths && !ComponentState().Contains(csDesigning)) {
    for (int i = 0; i < fColumns->Count(); ++i) fColumns->Items(i)->SetWidthToRestore(fColumns->Items(i)->Width());
    SetScrollBars(ssNone);
  }
  RebuildSortMarkedColumns();
  if (DataSource() != nullptr) fSumList->SetActive(fSumList->Active());
  LayoutChanged();
}

void TCustomDBGridEh::RebuildSortMarkedColumns() {
  // Stored indexes may repeat or leave gaps; a list with holes would hand nil columns to
  // sorting and filtering, and a list indexed by them would lose repeated columns.
  std::vector<TColumnEh*> marked;
  for (int i = 0; i < fColumns->Count(); ++i)
    if (fColumns->Items(i)->Title().SortIndex() > 0) marked.push_back(fColumns->Items(i));
  std::stable_sort(marked.begin(), marked.end(), [](const TColumnEh* a, const TColumnEh* b) {
    return a->Title().SortIndex() < b->Title().SortIndex();
  });
  fSortMarkedColumns.Clear();
  for (TColumnEh* column : marked) {
    fSortMarkedColumns.Add(column);
    column->Title().fSortIndex = fSortMarkedColumns.Count();
  }
}

void TCustomDBGridEh::UpdateTabStopsAndWidths() {
  const TFlagScope settingWidths(fSettingColWidths);
  const bool active = fDataLink->Active();
  for (int i = 0; i < fColumns->Count() && DataToRawColumn(i) < FullColCount(); ++i) {
    TColumnEh* column = fColumns->Items(i);
    const int raw = DataToRawColumn(i);
    TField* field = column->Field();
    bool tabStop = column->Visible() && active && !column->ReadOnly() && field != nullptr &&
                   field->FieldKind() != fkCalculated;
    if (tabStop && field->FieldKind() == fkLookup) {
      const auto keys = field->DataSet()->GetFieldList(field->KeyFields());
      tabStop = std::all_of(keys.begin(), keys.end(), [](TField* key) { return !key->ReadOnly(); });
    }
    SetTabStops(raw, tabStop);
    SetColWidths(raw, column->Visible() ? column->Width() : (fDBOptions.Contains(dgColLines) ? -1 : 0));
  }
  if (fIndicatorOffset > 0) {
    SetColWidths(0, kIndicatorWidth);
    SetTabStops(0, false);
  }
}

// ---- Automatic fitting ----------------------------------------------------------------

bool TCustomDBGridEh::AutoFitFixed(const TColumnEh* column) const {
  return std::find(fAutoFitFixed.begin(), fAutoFitFixed.end(), column) != fAutoFitFixed.end();
}

void TCustomDBGridEh::AutoFitWidths() {
  if (!fAutoFitColWidths || ComponentState().Contains(csDesigning) || !HandleAllocated()) return;
  fAutoFitFixed.clear();
  const int visible = fVisibleColumns.Count();
  const auto fitting = [this](TColumnEh* column) {
    return column->AutoFitColWidth() && !AutoFitFixed(column);
  };
  int room = 0;
  int set = 0;
  for (int pass = 0; pass < std::max(visible, 1); ++pass) {
    UpdateScrollBar();
    int natural = 0;
    int others = 0;
    for (int i = 0; i < visible; ++i) {
      TColumnEh* column = fVisibleColumns.Items(i);
      if (fitting(column))
        natural += column->InitialWidth();
      else
        others += column->Width();
    }
    room = std::max(std::max(ClientWidth(), fMinAutoFitWidth) - others, 0);
    if (fDBOptions.Contains(dgIndicator)) room -= kIndicatorWidth;
    if (fDBOptions.Contains(dgColLines)) room -= visible;
    if (fDBOptions.Contains(dgIndicator) && fDBOptions.Contains(dgColLines)) --room;
    set = 0;
    bool newlyFixed = false;
    for (int i = 0; i < visible; ++i) {
      TColumnEh* column = fVisibleColumns.Items(i);
      if (!fitting(column)) continue;
      const int width = natural > 0 ? MulDiv(column->InitialWidth(), room, natural) : 0;
      column->SetWidth(width);
      if (column->Width() != width) {
        fAutoFitFixed.push_back(column);
        newlyFixed = true;
      }
      set += column->Width();
    }
    if (!newlyFixed) break;
  }
  if (set == room) return;
  for (int i = visible - 1; i >= 0; --i) {
    TColumnEh* column = fVisibleColumns.Items(i);
    if (!fitting(column)) continue;
    column->SetWidth(std::max(column->Width() + room - set, 0));
    return;
  }
}

void TCustomDBGridEh::ColWidthsChanged() {
  if (fSettingColWidths || fColumns == nullptr) return TCustomGridEh::ColWidthsChanged();
  {
    const TSTFilterUpdateScopeEh filterUpdate(*fSTFilter);
    if ((fDataLink->Active() || fColumns->State() == csCustomized) && AcquireLayoutLock()) {
      try {
        TakeUserColWidths();
      } catch (...) {
        ReleaseLayoutLock();
        throw;
      }
      EndLayout();
    } else {
      TCustomGridEh::ColWidthsChanged();
      InvalidateEditor();
    }
    if (OnColWidthsChanged) OnColWidthsChanged(this);
    UpdateHorzExtScrollBar();
  }
  UpdateFilterEditBounds(false);
}

void TCustomDBGridEh::TakeUserColWidths() {
  TCustomGridEh::ColWidthsChanged();
  {
    const TFlagScope settingWidths(fSettingColWidths);
    for (int i = 0; i < fColumns->Count() && DataToRawColumn(i) < FullColCount(); ++i) {
      const TColumnEh* column = fColumns->Items(i);
      const int raw = DataToRawColumn(i);
      if (column->MinWidth() > 0 && ColWidths(raw) < column->MinWidth())
        SetColWidths(raw, column->MinWidth());
      if (column->MaxWidth() > 0 && ColWidths(raw) > column->MaxWidth())
        SetColWidths(raw, column->MaxWidth());
    }
  }
  ResizeColumnsFromGrid();
}

void TCustomDBGridEh::ResizeColumnsFromGrid() {
  const TFlagScope syncing(fSyncingFieldWidths);
  const bool fitting = fAutoFitColWidths && !ComponentState().Contains(csDesigning);
  const int visible = fVisibleColumns.Count();
  for (int i = 0; i < visible; ++i) {
    TColumnEh* column = fVisibleColumns.Items(i);
    const int gridWidth = ColWidths(DataToRawColumn(column->Index()));
    if (!fitting) {
      column->SetWidth(gridWidth);
      continue;
    }
    const int width = column->Width();
    if (gridWidth == width || width <= 0) continue;
    if (!column->AutoFitColWidth()) {
      column->SetWidth(gridWidth);
    } else if (fOptionsEh.Contains(dghResizeWholeRightPart)) {
      column->SetInitialWidth(MulDiv(column->InitialWidth(), gridWidth, width));
    } else {
      const int oldNatural = column->InitialWidth();
      column->SetInitialWidth(MulDiv(oldNatural, gridWidth, width));
      if (i + 1 < visible) {
        TColumnEh* next = fVisibleColumns.Items(i + 1);
        next->SetInitialWidth(std::max(next->InitialWidth() + oldNatural - column->InitialWidth(), 0));
      }
      continue;
    }
    if (!fOptionsEh.Contains(dghResizeWholeRightPart)) continue;
    // The auto-fit columns to the right give up (or take) what this one took.
    const int taken = gridWidth - width;
    int right = 0;
    for (int r = i + 1; r < visible; ++r)
      if (fVisibleColumns.Items(r)->AutoFitColWidth()) right += fVisibleColumns.Items(r)->Width();
    if (right <= 0) continue;
    for (int r = i + 1; r < visible; ++r) {
      TColumnEh* other = fVisibleColumns.Items(r);
      if (other->AutoFitColWidth())
        other->SetInitialWidth(std::max(MulDiv(other->InitialWidth(), right - taken, right), 1));
    }
  }
}

// ---- Column changes -------------------------------------------------------------------

void TCustomDBGridEh::ColumnsChanged(TColumnEh* column) {
  if (fColumns == nullptr || ComponentState().Contains(csLoading)) return;
  if (column == nullptr) return LayoutChanged();
  const int raw = DataToRawColumn(column->Index());
  // A new column, or one bound to another field, needs the field map made again.
  if (raw >= FullColCount() || (fDataLink->Active() && fDataLink->Fields(column->Index()) != column->Field()))
    return LayoutChanged();
  InvalidateCol(raw);
  const int gridWidth = ColWidths(raw);
  if (!fAutoFitColWidths || ComponentState().Contains(csDesigning)) {
    const int wanted = column->Visible() ? column->Width() : (fDBOptions.Contains(dgColLines) ? -1 : 0);
    if (gridWidth != wanted) {
      const TFlagScope settingWidths(fSettingColWidths);
      SetColWidths(raw, wanted);
    }
    // A caption, width or marker of a column changes the bands of its title tree.
    if (fUseMultiTitle) LayoutChanged();
  } else {
    // A hidden column, or one of a grid without size, has no width to scale by: its
    // natural width stays as it is.
    if (gridWidth > 0) {
      const int oldNatural = column->InitialWidth();
      column->SetInitialWidth(MulDiv(oldNatural, column->Width(), gridWidth));
      if (column->Index() + 1 < fColumns->Count()) {
        TColumnEh* next = fColumns->Items(column->Index() + 1);
        next->SetInitialWidth(std::max(next->InitialWidth() + oldNatural - column->InitialWidth(), 0));
      }
    }
    LayoutChanged();
  }
  // A hidden current column gives way to the first visible one.
  TColumnEh* selected = SelectedColumn();
  if (selected != nullptr && !selected->Visible() && fVisibleColumns.Count() > 0)
    SetSelectedIndex(fVisibleColumns.Items(0)->Index());
}

}  // namespace ordvane
