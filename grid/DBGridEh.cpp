#include "grid/DBGridEh.h"

namespace ordvane {

void TGridDataLinkEh::ActiveChanged() {
  fGrid->FieldsRebuilt();
  fModified = false;
}

void TGridDataLinkEh::RecordChanged(TField* field) {
  TDataLink::RecordChanged(field);
  fModified = false;
}

void TGridDataLinkEh::LayoutChanged() {
  fGrid->FieldsRebuilt();
  TDataLink::LayoutChanged();
}

TCustomDBGridEh::TCustomDBGridEh(TComponent* owner)
    : TCustomGridEh(owner),
      fDataLink(std::make_unique<TGridDataLinkEh>(this)),
      fSumList(std::make_unique<TDBSumListProducer>(this)),
      fTitleFont(std::make_unique<TFont>()),
      fFooterFont(std::make_unique<TFont>()),
      fColumnDefValues(std::make_unique<TDBGridEhColumnDefValuesEh>()),
      fColumns(std::make_unique<TDBGridColumnsEh>(this)) {
  fDataLink->SetVisualControl(true);
  SetOptions({grFixedVertLine, grFixedHorzLine, grVertLine, grHorzLine, grColSizing, grColMoving, grEditing, grTabs});
  SetScrollBars(ssHorizontal);
  SetColCount(2);
  SetRowCount(2);
  fTitleFont->OnChange = [this](TObject*) { Invalidate(); };
  fFooterFont->OnChange = [this](TObject*) { Invalidate(); };
}

TCustomDBGridEh::~TCustomDBGridEh() {
  fDataLink->SetDataSource(nullptr);
  // Columns take their footers' aggregates out of the sum list and themselves out of the
  // sort-marked list as they go.
  fColumns.reset();
}

void TCustomDBGridEh::SetDataSource(TDataSource* value) {
  if (value == DataSource()) return;
  fDataLink->SetDataSource(value);
  if (value != nullptr) value->FreeNotification(this);
  FieldsRebuilt();
}

void TCustomDBGridEh::SetFooterColor(TColor value) {
  if (fFooterColor == value) return;
  fFooterColor = value;
  Invalidate();
}

void TCustomDBGridEh::SetDrawMemoText(bool value) {
  if (fDrawMemoText == value) return;
  fDrawMemoText = value;
  Invalidate();
}

void TCustomDBGridEh::SetFlat(bool value) {
  if (fFlat == value) return;
  fFlat = value;
  Invalidate();
}

void TCustomDBGridEh::WatchComponent(TComponent* component) {
  if (component != nullptr) component->FreeNotification(this);
}

bool TCustomDBGridEh::CanEditCurrentRow() {
  TDataSet* dataSet = fDataLink->DataSet();
  if (dataSet == nullptr) return false;
  const bool updating = fAllowedOperations.Contains(alopUpdateEh) || dataSet->State() == dsInsert;
  const bool adding = fAllowedOperations.Contains(alopInsertEh) || fAllowedOperations.Contains(alopAppendEh);
  return updating && (!dataSet->IsEmpty() || adding);
}

void TCustomDBGridEh::EndUpdate() {
  if (fUpdateLock > 0) --fUpdateLock;
}

void TCustomDBGridEh::BeginLayout() {
  BeginUpdate();
  if (fLayoutLock == 0) fColumns->BeginUpdate();
  ++fLayoutLock;
}

void TCustomDBGridEh::EndLayout() {
  if (fLayoutLock == 0) return;
  if (fLayoutLock == 1) fColumns->EndUpdate();
  --fLayoutLock;
  EndUpdate();
}

void TCustomDBGridEh::FieldsRebuilt() {
  if (fColumns != nullptr) fColumns->ResetFields();
}

void TCustomDBGridEh::Notification(TComponent* component, TOperation operation) {
  TCustomGridEh::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == DataSource()) SetDataSource(nullptr);
  if (fColumns == nullptr) return;
  for (int i = 0; i < fColumns->Count(); ++i) {
    TColumnEh* column = fColumns->Items(i);
    if (column->PopupMenu() == component) column->SetPopupMenu(nullptr);
  }
}

}  // namespace ordvane
