// What the user selected in the grid (rows by bookmark, a rectangle of cells, whole
// columns or everything), and the small settings objects of the filter row and the
// scroll bars.

#include <algorithm>

#include "classlib/ui/Windows.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

constexpr TGridRect kNoCells{-1, -1, -1, -1};

// Widens `rect` (kNoCells for none yet) to take in the row.
void IncludeRow(TGridRect& rect, int row, int lastCol) {
  if (rect.Top < 0) rect = {0, row, lastCol, row};
  rect.Top = std::min(rect.Top, row);
  rect.Bottom = std::max(rect.Bottom, row);
}

}  // namespace

// ---- TBookmarkListEh ------------------------------------------------------------------

TDataSet* TBookmarkListEh::DataSet() const {
  return fGrid->DataLink().DataSet();
}

void TBookmarkListEh::SetCurrentRowSelected(bool value) {
  TBMListEh::SetCurrentRowSelected(value);
  fGrid->InvalidateRow(fGrid->Row());
  TDBGridEhSelection& selection = fGrid->Selection();
  if (GetCount() > 0 && selection.SelectionType() != gstRecordBookmarks) {
    if (selection.SelectionType() != gstNon) selection.Clear();
    selection.SetSelectionType(gstRecordBookmarks);
  }
  selection.SelectedRowsChanged();
}

void TBookmarkListEh::ListChanged() {
  fGrid->Selection().SelectedRowsChanged();
}

TGridRect TBookmarkListEh::SelectionRect() {
  TGridRect rect = kNoCells;
  TDataSet* dataSet = DataSet();
  fGrid->ForEachShownRow([&](int row) {
    if (IndexOf(dataSet->Bookmark()) >= 0) IncludeRow(rect, row, fGrid->FullColCount() - 1);
  });
  return rect;
}

// ---- TDBGridEhSelectionRect -----------------------------------------------------------

void TDBGridEhSelectionRect::Select(int dataCol, const TBookmarkStr& bookmark, bool addSel) {
  TDBGridEhSelection& selection = fGrid->Selection();
  if (selection.SelectionType() != gstRectangle && selection.SelectionType() != gstNon) selection.Clear();
  fShiftCol = dataCol;
  fShiftBookmark = bookmark;
  if (fAnchorCol == -1 || !addSel) {
    fAnchorCol = dataCol;
    fAnchorBookmark = bookmark;
  }
  TDataSet* dataSet = fGrid->DataLink().DataSet();
  const bool oneCell = fAnchorCol == fShiftCol && dataSet != nullptr &&
                       dataSet->CompareBookmarks(fAnchorBookmark, fShiftBookmark) == 0;
  selection.SetSelectionType(oneCell ? gstNon : gstRectangle);
  selection.Changed();
}

void TDBGridEhSelectionRect::Clear() {
  fAnchorCol = -1;
  fAnchorBookmark.clear();
  fShiftCol = -1;
  fShiftBookmark.clear();
  fGrid->Selection().Changed();
}

bool TDBGridEhSelectionRect::RowInRange(const TBookmarkStr& bookmark) const {
  TDataSet* dataSet = fGrid->DataLink().DataSet();
  if (dataSet == nullptr || bookmark.empty() || fAnchorBookmark.empty()) return false;
  const bool anchorFirst = dataSet->CompareBookmarks(fAnchorBookmark, fShiftBookmark) <= 0;
  const TBookmarkStr& first = anchorFirst ? fAnchorBookmark : fShiftBookmark;
  const TBookmarkStr& last = anchorFirst ? fShiftBookmark : fAnchorBookmark;
  return dataSet->CompareBookmarks(first, bookmark) <= 0 && dataSet->CompareBookmarks(bookmark, last) <= 0;
}

bool TDBGridEhSelectionRect::DataCellSelected(int dataCol, const TBookmarkStr& bookmark) const {
  if (fAnchorCol < 0) return false;
  return dataCol >= std::min(fAnchorCol, fShiftCol) && dataCol <= std::max(fAnchorCol, fShiftCol) &&
         RowInRange(bookmark);
}

TGridRect TDBGridEhSelectionRect::SelectionRect() const {
  TGridRect rect = kNoCells;
  if (fAnchorCol < 0) return rect;
  TDataSet* dataSet = fGrid->DataLink().DataSet();
  fGrid->ForEachShownRow([&](int row) {
    if (RowInRange(dataSet->Bookmark())) IncludeRow(rect, row, 0);
  });
  if (rect.Top < 0) return rect;
  rect.Left = fGrid->DataToRawColumn(std::min(fAnchorCol, fShiftCol));
  rect.Right = fGrid->DataToRawColumn(std::max(fAnchorCol, fShiftCol));
  return rect;
}

// ---- TDBGridEhSelectionCols -----------------------------------------------------------

void TDBGridEhSelectionCols::Select(TColumnEh* column, bool addSel) {
  TDBGridEhSelection& selection = fGrid->Selection();
  if (selection.SelectionType() != gstColumns) selection.Clear();
  if (!addSel) Clear();
  if (IndexOf(column) < 0) Add(column);
  fAnchor = column;
  selection.SetSelectionType(gstColumns);
  selection.Changed();
}

void TDBGridEhSelectionCols::Toggle(TColumnEh* column) {
  TDBGridEhSelection& selection = fGrid->Selection();
  if (selection.SelectionType() != gstColumns || IndexOf(column) < 0) return Select(column, true);
  Remove(column);
  fAnchor = column;
  if (Count() == 0) return selection.Clear();
  selection.Changed();
}

void TDBGridEhSelectionCols::SelectShift(TColumnEh* column) {
  const TColumnsEhList& visible = fGrid->VisibleColumns();
  if (fAnchor == nullptr || visible.IndexOf(fAnchor) < 0) return Select(column, false);
  const int from = visible.IndexOf(fAnchor);
  const int to = visible.IndexOf(column);
  if (to < 0) return;
  Clear();
  for (int i = std::min(from, to); i <= std::max(from, to); ++i) Add(visible.Items(i));
  fGrid->Selection().SetSelectionType(gstColumns);
  fGrid->Selection().Changed();
}

void TDBGridEhSelectionCols::Refresh() {
  const TDBGridColumnsEh& columns = fGrid->Columns();
  for (int i = Count() - 1; i >= 0; --i) {
    TColumnEh* column = Items(i);
    bool inGrid = false;
    for (int c = 0; c < columns.Count() && !inGrid; ++c) inGrid = columns.Items(c) == column;
    if (!inGrid) Remove(column);
  }
  const bool anchorGone = fAnchor != nullptr && IndexOf(fAnchor) < 0;
  if (anchorGone) fAnchor = Count() > 0 ? Items(0) : nullptr;
}

TGridRect TDBGridEhSelectionCols::SelectionRect() const {
  if (Count() == 0) return kNoCells;
  int first = Items(0)->Index();
  int last = first;
  for (int i = 1; i < Count(); ++i) {
    first = std::min(first, Items(i)->Index());
    last = std::max(last, Items(i)->Index());
  }
  return {fGrid->DataToRawColumn(first), 0, fGrid->DataToRawColumn(last), fGrid->RowCount() - 1};
}

// ---- TDBGridEhSelection ---------------------------------------------------------------

TDBGridEhSelection::TDBGridEhSelection(TCustomDBGridEh* grid) : fGrid(grid), fRect(grid), fColumns(grid) {}

void TDBGridEhSelection::SetSelectionType(TDBGridEhSelectionType value) {
  fSelectionType = value;
}

bool TDBGridEhSelection::DataCellSelected(int dataCol, const TBookmarkStr& bookmark) {
  switch (fSelectionType) {
    case gstRecordBookmarks:
      return fGrid->SelectedRows().IndexOf(bookmark) >= 0;
    case gstRectangle:
      return fRect.DataCellSelected(dataCol, bookmark);
    case gstColumns:
      return dataCol >= 0 && dataCol < fGrid->Columns().Count() &&
             fColumns.IndexOf(fGrid->Columns().Items(dataCol)) >= 0;
    case gstAll:
      return true;
    case gstNon:
      break;
  }
  return false;
}

void TDBGridEhSelection::Clear() {
  const TDBGridEhSelectionType type = fSelectionType;
  fSelectionType = gstNon;
  switch (type) {
    case gstRecordBookmarks:
      fGrid->SelectedRows().Clear();
      break;
    case gstRectangle:
      fRect.Clear();
      break;
    case gstColumns:
      fColumns.Clear();
      Changed();
      break;
    case gstAll:
      Changed();
      break;
    case gstNon:
      break;
  }
}

void TDBGridEhSelection::SelectAll() {
  Clear();
  fSelectionType = gstAll;
  Changed();
}

TGridRect TDBGridEhSelection::GetSelectionBounds() {
  switch (fSelectionType) {
    case gstRecordBookmarks:
      return fGrid->SelectedRows().SelectionRect();
    case gstRectangle:
      return fRect.SelectionRect();
    case gstColumns:
      return fColumns.SelectionRect();
    case gstAll:
      return {0, 0, fGrid->FullColCount() - 1, fGrid->RowCount() - 1};
    case gstNon:
      break;
  }
  return kNoCells;
}

void TDBGridEhSelection::SelectedRowsChanged() {
  if (fSelectionType == gstRecordBookmarks && fGrid->SelectedRows().GetCount() == 0) fSelectionType = gstNon;
  Changed();
}

void TDBGridEhSelection::Changed() {
  fGrid->Invalidate();
  // The filter editor gives way to a selection and comes back when it goes.
  if (fGrid->FilterEditing()) fGrid->UpdateFilterEditBounds(false);
  if (fGrid->OnSelectionChanged) fGrid->OnSelectionChanged(fGrid);
}

// ---- TSTDBGridEhFilter ----------------------------------------------------------------

void TSTDBGridEhFilter::SetVisible(bool value) {
  if (fVisible == value) return;
  if (!value) fGrid->StopFilterEdit();
  fVisible = value;
  fGrid->LayoutChanged();
}

void TSTDBGridEhFilter::Assign(const TPersistent* source) {
  const auto* filter = dynamic_cast<const TSTDBGridEhFilter*>(source);
  if (filter == nullptr) return TPersistent::Assign(source);
  fLocal = filter->fLocal;
  SetVisible(filter->fVisible);
}

void TSTDBGridEhFilter::EndUpdate() {
  if (fUpdateCount > 0) --fUpdateCount;
}

// ---- TDBGridEhScrollBar ---------------------------------------------------------------

void TDBGridEhScrollBar::SetVisible(bool value) {
  SetVisibleMode(value ? sbAutoShowEh : sbNeverShowEh);
}

void TDBGridEhScrollBar::SetVisibleMode(TScrollBarVisibleModeEh value) {
  if (fVisibleMode == value) return;
  fVisibleMode = value;
  fGrid->LayoutChanged();
}

void TDBGridEhScrollBar::SetExtScrollBar(TScrollBar* value) {
  if (fExtScrollBar == value) return;
  fExtScrollBar = value;
  if (value != nullptr) value->FreeNotification(fGrid);
  fGrid->LayoutChanged();
}

void TDBGridEhScrollBar::Assign(const TPersistent* source) {
  const auto* bar = dynamic_cast<const TDBGridEhScrollBar*>(source);
  if (bar == nullptr) return TPersistent::Assign(source);
  fTracking = bar->fTracking;
  SetVisibleMode(bar->fVisibleMode);
}

bool TDBGridEhScrollBar::IsScrollBarShowing() const {
  if (fExtScrollBar != nullptr) return fExtScrollBar->Visible();
  if (!Visible() || !fGrid->HandleAllocated()) return false;
  const auto style = static_cast<UINT>(GetWindowLong(fGrid->Handle(), GWL_STYLE));
  return (style & (fKind == sbVertical ? WS_VSCROLL : WS_HSCROLL)) != 0;
}

}  // namespace ordvane
