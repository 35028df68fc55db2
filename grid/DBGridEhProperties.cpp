// The data-aware grid's settings that forms store: the owned parts taken as copies, row
// sizing by the mouse into RowHeight, and the coupling of the title and footer fonts and
// the footer colour to the grid's own font and colour, and scaling.

#include "classlib/core/Math.h"
#include "grid/DBGridEh.h"

namespace ordvane {

// ---- Owned parts ------------------------------------------------------------------------

void TCustomDBGridEh::SetColumns(const TDBGridColumnsEh& value) {
  fColumns->Assign(&value);
}

void TCustomDBGridEh::SetColumnDefValues(const TDBGridEhColumnDefValuesEh& value) {
  fColumnDefValues->Assign(&value);
}

void TCustomDBGridEh::SetSumList(const TDBSumListProducer& value) {
  fSumList->Assign(&value);
}

void TCustomDBGridEh::SetSTFilter(const TSTDBGridEhFilter& value) {
  fSTFilter->Assign(&value);
}

void TCustomDBGridEh::SetHorzScrollBar(const TDBGridEhScrollBar& value) {
  fHorzScrollBar->Assign(&value);
}

void TCustomDBGridEh::SetVertScrollBar(const TDBGridEhScrollBar& value) {
  fVertScrollBar->Assign(&value);
}

// ---- Rows ---------------------------------------------------------------------------------

TGridOptionsEh TCustomDBGridEh::BaseGridOptions() const {
  TGridOptionsEh base;
  if (fRowSizingAllowed) base.Include(grRowSizing);
  if (fDBOptions.Contains(dgColLines)) base.Include(grFixedVertLine).Include(grVertLine);
  if (fDBOptions.Contains(dgRowLines)) base.Include(grFixedHorzLine).Include(grHorzLine);
  if (fDBOptions.Contains(dgColumnResize)) base.Include(grColSizing).Include(grColMoving);
  if (fDBOptions.Contains(dgTabs)) base.Include(grTabs);
  if (fDBOptions.Contains(dgRowSelect)) base.Include(grRowSelect);
  if (fDBOptions.Contains(dgEditing)) base.Include(grEditing);
  if (fDBOptions.Contains(dgAlwaysShowEditor)) base.Include(grAlwaysShowEditor);
  return base;
}

void TCustomDBGridEh::SetRowSizingAllowed(bool value) {
  ChangeValueEh(fRowSizingAllowed, value, [this] { TCustomGridEh::SetOptions(BaseGridOptions()); });
}

void TCustomDBGridEh::RowHeightsChanged() {
  TCustomGridEh::RowHeightsChanged();
  // Only a row the user sized; the layout's own heights pass through here too.
  if (GridState() != grsRowSizing) return;
  for (int row = fTitleOffset; row < RowCount(); ++row) {
    const int height = RowHeights(row);
    if (height == DefaultRowHeight()) continue;
    fRowLines = 0;
    fRowHeight = height;
    LayoutChanged();
    UpdateScrollBar();
    return;
  }
}

// ---- Fonts and colours ------------------------------------------------------------------

void TCustomDBGridEh::OwnFontChanged(bool relayout) {
  if (!fTakingParentFont && !ComponentState().Contains(csLoading)) SetParentFont(false);
  if (relayout) LayoutChanged();
}

void TCustomDBGridEh::GridFontChanged() {
  // The default row height and the columns' default fonts come from the grid's font.
  LayoutChanged();
}

void TCustomDBGridEh::TakeParentFont(TMessage& message) {
  if (!ParentFont() || ComponentState().Contains(csDestroying)) return TCustomGridEh::Dispatch(message);
  const TGridLayoutSectionEh section(this);
  TCustomGridEh::Dispatch(message);
  const TFlagScope taking(fTakingParentFont);
  fTitleFont->Assign(Font());
  fFooterFont->Assign(Font());
}

void TCustomDBGridEh::TakeParentColor(TMessage& message) {
  TCustomGridEh::Dispatch(message);
  if (!ParentColor()) return;
  fFooterColor = Color();
  Invalidate();
}

// ---- Scaling ---------------------------------------------------------------------------

namespace {

void ScaleFontEh(TFont& font, int m, int d) {
  font.SetSize(MulDiv(font.Size(), m, d));
}

}  // namespace

void TCustomDBGridEh::ChangeScale(int m, int d) {
  if (m != d && d != 0) {
    if (!ParentFont()) {
      ScaleFontEh(*fTitleFont, m, d);
      ScaleFontEh(*fFooterFont, m, d);
    }
    TDBGridColumnsEh& columns = *fColumns;
    columns.BeginUpdate();
    int sum = 0;
    int scaledSum = 0;
    for (int i = 0; i < columns.Count(); ++i) {
      TColumnEh* column = columns.Items(i);
      if (column->AssignedValues().Contains(cvFont)) ScaleFontEh(*column->Font(), m, d);
      if (column->AssignedValues().Contains(cvTitleFont)) ScaleFontEh(*column->Title().Font(), m, d);
      if (column->Footer().FontAssigned()) ScaleFontEh(*column->Footer().Font(), m, d);
      for (int f = 0; f < column->Footers().Count(); ++f)
        if (column->Footers().Items(f)->FontAssigned()) ScaleFontEh(*column->Footers().Items(f)->Font(), m, d);
      sum += column->Width();
      const int scaled = MulDiv(sum, m, d);
      column->SetWidth(scaled - scaledSum);
      scaledSum = scaled;
    }
    columns.EndUpdate();
  }
  TCustomGridEh::ChangeScale(m, d);
}

}  // namespace ordvane
