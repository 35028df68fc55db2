// Rows and records: the row count from the records that fit, the current row following
// the dataset's current record, the vertical scroll bar, the data link's scrolls and
// activation, and keeping the position around a search.

#include <algorithm>
#include <cstdlib>

#include "classlib/ui/ScrollBars.h"
#include "classlib/ui/WinPaint.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

// Runs `walk` with the dataset's controls disabled, so that the walk shows nothing; they
// are enabled again however it ends.
template <class Walk>
void WithControlsDisabled(TDataSet& dataSet, Walk walk) {
  dataSet.DisableControls();
  try {
    walk();
  } catch (...) {
    dataSet.EnableControls();
    throw;
  }
  dataSet.EnableControls();
}

}  // namespace

void TCustomDBGridEh::UpdateRowCount() {
  const int titleRows = fTitleOffset;
  if (RowCount() <= titleRows) SetRowCount(titleRows + 1);
  if (FixedRows() != titleRows) SetFixedRows(std::min(titleRows, RowCount() - 1));
  // Without row lines the rows are drawn without the line between them.
  const Int64 lineWidth = fDBOptions.Contains(dgRowLines) ? GridLineWidth() : 0;
  Int64 fixedHeight = 0;
  for (int row = 0; row < titleRows; ++row) fixedHeight += RowHeights(row) + lineWidth;
  const Int64 rowPitch = std::max<Int64>(DefaultRowHeight() + lineWidth, 1);
  const Int64 footerHeight = fFooterRowCount * rowPitch;
  int dataRows = 1;
  if (fDataLink->Active() && HandleAllocated()) {
    // Each row shown costs a record buffer: a grid as tall as any screen gets its rows,
    // a taller one (a form's absurd height) no more than the largest extent holds.
    const Int64 shownHeight = std::min(ClientHeight(), kMaxGridExtentEh);
    dataRows = static_cast<int>(std::max<Int64>((shownHeight - fixedHeight - footerHeight) / rowPitch, 1));
    fDataLink->SetBufferCount(dataRows);
    dataRows = std::max(fDataLink->RecordCount(), 1);
  }
  const int oldCount = RowCount();
  SetRowCount(titleRows + dataRows);
  if (ContraRowCount() != fFooterRowCount) SetContraRowCount(fFooterRowCount);
  if (RowCount() != oldCount) Invalidate();
}

void TCustomDBGridEh::SyncRowWithRecord() {
  if (!fExtendingSearch) StopIncSearch();
  if (!fDataLink->Active() || !HandleAllocated() || ComponentState().Contains(csLoading)) return;
  const int row = fDataLink->ActiveRecord() + fTitleOffset;
  if (row != Row() && row < RowCount()) {
    if (!fDBOptions.Contains(dgAlwaysShowEditor)) HideEditor();
    MoveColRow(Col(), row, false, true);
  }
  if (SelectedField() != nullptr && InplaceEditor() != nullptr && FieldEditText() != fLastEditText)
    InvalidateEditor();
}

void TCustomDBGridEh::UpdateScrollBar() {
  if (!fDataLink->Active() || !HandleAllocated()) return;
  TDataSet* dataSet = fDataLink->DataSet();
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(Handle(), SB_VERT, info);
  SCROLLINFO wanted;
  wanted.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (fSumList->IsSequenced()) {
    const int page = std::max(VisibleRowCount(), 1);
    wanted.nMin = 1;
    wanted.nMax = std::max(fSumList->GetRecordCount() + page - 1, 1);
    wanted.nPage = static_cast<UINT>(page);
    wanted.nPos =
        dataSet->State() == dsInactive || dataSet->State() == dsInsert ? info.nPos : fSumList->GetRecNo();
  } else {
    wanted.nMin = 0;
    wanted.nMax = 4;
    wanted.nPage = 0;
    wanted.nPos = dataSet->Bof() ? 0 : dataSet->Eof() ? 4 : 2;
  }
  if (fVertScrollBar->VisibleMode() == sbAlwaysShowEh) wanted.fMask |= SIF_DISABLENOSCROLL;
  if (fVertScrollBar->VisibleMode() == sbNeverShowEh) {
    wanted.nMin = 0;
    wanted.nMax = 0;
    wanted.nPage = 0;
    wanted.nPos = 0;
  }
  if (wanted.nMin == info.nMin && wanted.nMax == info.nMax && wanted.nPage == info.nPage &&
      wanted.nPos == info.nPos)
    return;
  SetScrollInfo(Handle(), SB_VERT, wanted, true);
}

void TCustomDBGridEh::Scroll(int distance) {
  if (!HandleAllocated()) return;
  const int oldRow = Row();
  if (fDataLink->RecordCount() >= fDataLink->BufferCount()) UpdateRowCount();
  const bool barShown = fVertScrollBar->IsScrollBarShowing();
  UpdateScrollBar();
  if (barShown != fVertScrollBar->IsScrollBarShowing() && fAutoFitColWidths) PostDeferredLayout();
  if (distance != 0) {
    if (!fDBOptions.Contains(dgAlwaysShowEditor)) HideEditor();
    if (std::abs(distance) >= RowCount() - fTitleOffset) {
      Invalidate();
      if (CanEditorAlwaysShow()) ShowEditor();
    } else {
      ScrollDataRows(distance);
    }
  }
  SyncRowWithRecord();
  InvalidateRow(oldRow);
  InvalidateRow(Row());
}

void TCustomDBGridEh::ScrollDataRows(int distance) {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  // The data rows move on screen; the rows they uncover and the indicator (its marks
  // belong to records, not rows) are painted again.
  const TRect band{0, info.Vert.FixedBoundary, info.Horz.ClientExtent, info.Vert.GridBoundary};
  if (band.Height() <= 0) return;
  const int dy = -distance * (DefaultRowHeight() + GridLineWidth());
  ScrollWindowEx(Handle(), 0, dy, &band, &band, nullptr, nullptr, SW_INVALIDATE);
  if (fIndicatorOffset > 0) InvalidateCol(0);
  // A hidden duplicate depends on the row above it, which the first row no longer has.
  if (AnyColumnHidesDuplicates()) InvalidateRow(fTitleOffset);
}

bool TCustomDBGridEh::AnyColumnHidesDuplicates() const {
  for (int i = 0; i < fColumns->Count(); ++i)
    if (fColumns->Items(i)->HideDuplicates()) return true;
  return false;
}

void TCustomDBGridEh::LinkActive(bool value) {
  RecordMovingCancelled();
  if (!value) HideEditor();
  fSelection->Clear();
  fSelectedRows->SetLinkActive(value);
  fSumList->SetDataSet(fDataLink->DataSet());
  LayoutChanged();
  if (value && CanEditorAlwaysShow()) ShowEditor();
  UpdateScrollBar();
}

void TCustomDBGridEh::DataChanged() {
  if (!HandleAllocated()) return;
  UpdateRowCount();
  const bool barShown = fVertScrollBar->IsScrollBarShowing();
  UpdateScrollBar();
  if (barShown != fVertScrollBar->IsScrollBarShowing() && fAutoFitColWidths &&
      !ComponentState().Contains(csDesigning))
    PostDeferredLayout();
  SyncRowWithRecord();
  InvalidateEditor();
  Invalidate();
}

void TCustomDBGridEh::RecordChanged(TField* field) {
  if (!HandleAllocated()) return;
  if (field == nullptr) return Invalidate();
  for (int i = 0; i < fColumns->Count(); ++i)
    if (fColumns->Items(i)->Field() == field) {
      InvalidateRow(Row());
      break;
    }
  // A value set by code under the open editor: the editor shows it, or the next keystroke
  // would write the old text, edited, back over it.
  TInplaceEdit* editor = InplaceEditor();
  if (field != SelectedField() || editor == nullptr || FieldEditText() == fLastEditText) return;
  InvalidateEditor();
  if (editor->Visible()) editor->SelectAll();
}

void TCustomDBGridEh::EditingChanged() {
  InvalidateEditor();
}

void TCustomDBGridEh::UpdateRowsLayout() {
  if (fAutoFitColWidths) return LayoutChanged();
  UpdateRowCount();
  UpdateScrollBar();
}

// ---- Keeping the position -------------------------------------------------------------

void TCustomDBGridEh::SavePosition() {
  TDataSet* dataSet = fDataLink->DataSet();
  if (!fDataLink->Active() || dataSet == nullptr) return;
  const int count = fDataLink->RecordCount();
  fSavedAtFirst = dataSet->Bof();
  fSavedAtLast = dataSet->Eof();
  fSavedOffset = fDataLink->ActiveRecord() - count / 2 + (count + 1) % 2;
  WithControlsDisabled(*dataSet, [&] {
    const int moved = dataSet->MoveBy(-fSavedOffset);
    fSavedBookmark = dataSet->Bookmark();
    dataSet->MoveBy(-moved);
    fSavedOffset = -moved;
  });
}

void TCustomDBGridEh::RestorePosition() {
  TDataSet* dataSet = fDataLink->DataSet();
  if (!fDataLink->Active() || dataSet == nullptr || fSavedBookmark.empty()) return;
  WithControlsDisabled(*dataSet, [&] {
    // Going to a bookmark forgets that a record is the first or the last; a dataset without
    // record numbers shows the scroll bar's ends by that alone.
    if (fSavedAtFirst) {
      dataSet->First();
    } else if (fSavedAtLast) {
      dataSet->Last();
    } else {
      dataSet->GotoBookmark(fSavedBookmark);
      dataSet->MoveBy(fSavedOffset);
    }
  });
}

}  // namespace ordvane
