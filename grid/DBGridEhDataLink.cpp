// The grid's data link: the field map from grid columns to dataset fields, and the
// dataset's events handed to the grid.

#include <algorithm>

#include "grid/DBGridEh.h"

namespace ordvane {

TField* TGridDataLinkEh::Fields(int index) const {
  if (index < 0 || index >= FieldCount() || fFieldMap[static_cast<std::size_t>(index)] < 0) return nullptr;
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return nullptr;
  return dataSet->Fields().Fields(fFieldMap[static_cast<std::size_t>(index)]);
}

bool TGridDataLinkEh::AddMapping(const AnsiString& fieldName) {
  if (FieldCount() >= MaxMappedFields) RaiseGridErrorEh("Grid requested to display more than 256 columns");
  TDataSet* dataSet = DataSet();
  TField* field = fSparse ? dataSet->FindField(fieldName) : dataSet->FieldByName(fieldName);
  if (fFieldMap.size() == fFieldMap.capacity())
    fFieldMap.reserve(std::max<std::size_t>({8, fFieldMap.capacity() * 2, fFieldMap.size() + 1}));
  fFieldMap.push_back(field == nullptr ? -1 : field->Index());
  if (field != nullptr) field->FreeNotification(fGrid);
  return field != nullptr;
}

bool TGridDataLinkEh::DefaultFields() const {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || !dataSet->DefaultFields()) return false;
  return !fSparse || std::find(fFieldMap.begin(), fFieldMap.end(), -1) == fFieldMap.end();
}

void TGridDataLinkEh::ActiveChanged() {
  fGrid->FieldsRebuilt();
  fGrid->Columns().RefreshFooterBindings();
  fGrid->LinkActive(Active());
  fModified = false;
}

void TGridDataLinkEh::DataEvent(TDataEvent event, NativeInt info) {
  TDataLink::DataEvent(event, info);
  // The dataset's controls were disabled or enabled again: its fields may have been made
  // anew meanwhile.
  if (event == deDisabledStateChange) fGrid->FieldsRebuilt();
}

void TGridDataLinkEh::DataSetChanged() {
  fGrid->DataChanged();
  fModified = false;
}

void TGridDataLinkEh::DataSetScrolled(int distance) {
  fGrid->Scroll(distance);
}

void TGridDataLinkEh::EditingChanged() {
  fGrid->EditingChanged();
}

void TGridDataLinkEh::FocusControl(TField*& field) {
  if (field == nullptr) return;
  fGrid->SelectFieldColumn(field);
  if (fGrid->SelectedField() == field && fGrid->CanFocus()) {
    field = nullptr;
    fGrid->SetFocus();
    fGrid->ShowEditor();
  }
}

void TGridDataLinkEh::LayoutChanged() {
  fGrid->FieldsRebuilt();
  fGrid->Columns().RefreshFooterBindings();
  {
    const TFlagScope inLayoutChange(fGrid->fInLayoutChange);
    fGrid->LayoutChanged();
  }
  TDataLink::LayoutChanged();
}

void TGridDataLinkEh::RecordChanged(TField* field) {
  fGrid->RecordChanged(field);
  fModified = false;
}

void TGridDataLinkEh::UpdateData() {
  if (fInUpdateData || !fModified) return;
  const TFlagScope running(fInUpdateData);
  fGrid->UpdateData();
  fModified = false;
}

}  // namespace ordvane
