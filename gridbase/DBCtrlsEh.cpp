#include "gridbase/DBCtrlsEh.h"

#include <algorithm>

#include "classlib/db/BinaryFields.h"
#include "classlib/ui/DBCtrls.h"

namespace ordvane {

TFieldDataLinkEh::TFieldDataLinkEh() : fValue(Null()) {
  SetVisualControl(true);
}

TField* TFieldDataLinkEh::Fields(int index) const {
  return index >= 0 && index < FieldsCount() ? fFields[static_cast<std::size_t>(index)] : nullptr;
}

bool TFieldDataLinkEh::IsBound(const TField* field) const {
  return std::find(fFields.begin(), fFields.end(), field) != fFields.end();
}

void TFieldDataLinkEh::Fire(const TNotifyEvent& event) {
  const TNotifyEvent handler = event;
  if (handler) handler(this);
}

void TFieldDataLinkEh::SetDataSource(TDataSource* value) {
  if (value == DataSource()) return;
  TDataLink::SetDataSource(value);
  UpdateStandalone();
}

void TFieldDataLinkEh::SetFieldName(const AnsiString& value) {
  if (value == fFieldName) return;
  fFieldName = value;
  UpdateField();
  UpdateStandalone();
}

void TFieldDataLinkEh::SetMultiFields(bool value) {
  if (value == fMultiFields) return;
  fMultiFields = value;
  UpdateField();
}

void TFieldDataLinkEh::UpdateStandalone() {
  const bool standalone = DataSource() == nullptr && fFieldName.empty();
  if (standalone == fStandalone) return;
  fStandalone = standalone;
  fValue = Null();
  UpdateField();
  if (fStandalone) RecordChanged(nullptr);
}

bool TFieldDataLinkEh::Active() const {
  if (fStandalone) return true;
  return TDataLink::Active() && Field() != nullptr;
}

TDataSet* TFieldDataLinkEh::BoundDataSet() const {
  if (fStandalone || !DataSource() || !Field()) return nullptr;
  return DataSource()->DataSet();
}

void TFieldDataLinkEh::UpdateField() {
  // Nothing stays bound when the look-up fails.
  fFields.clear();
  if (TDataLink::Active() && !fFieldName.empty()) {
    if (fMultiFields)
      FieldsByNamesEh(DataSet(), fFieldName, fFields);
    else
      fFields = {fControl != nullptr ? GetFieldProperty(DataSet(), fControl, fFieldName)
                                     : DataSet()->FieldByName(fFieldName)};
  }
  RecordChanged(nullptr);
  UpdateRightToLeft();
}

void TFieldDataLinkEh::UpdateRightToLeft() {
  auto* control = dynamic_cast<TWinControl*>(fControl);
  if (control == nullptr || !control->IsRightToLeft() || !control->HandleAllocated()) return;
  const bool rightAligned = (GetWindowLong(control->Handle(), GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
  if (rightAligned != DBUseRightToLeftAlignment(control, Field())) control->RecreateWnd();
}

void TFieldDataLinkEh::SetEditing(bool value) {
  if (value == fEditing) return;
  fEditing = value;
  fModified = false;
  Fire(OnEditingChange);
}

bool TFieldDataLinkEh::Edit() {
  if (fStandalone) {
    if (!fEditing && !ReadOnly()) SetEditing(true);
  } else if (CanModify()) {
    TDataLink::Edit();
  }
  return fEditing;
}

bool TFieldDataLinkEh::CanModify() const {
  if (TField* field = Field()) return field->CanModify();
  return fStandalone;
}

void TFieldDataLinkEh::SetText(const AnsiString& text) {
  if (fStandalone) {
    fValue = text;
    RecordChanged(nullptr);
  } else if (TField* field = Field()) {
    if (dynamic_cast<TMemoField*>(field) != nullptr)
      field->SetAsString(text);
    else
      field->SetText(text);
  }
}

void TFieldDataLinkEh::SetValue(const Variant& value) {
  if (fStandalone) {
    fValue = value;
    RecordChanged(nullptr);
  } else if (fFields.size() > 1) {
    AssignFieldValuesEh(fFields, value);
  } else if (TField* field = Field()) {
    field->SetValue(value);
  }
}

void TFieldDataLinkEh::ActiveChanged() {
  UpdateField();
  Fire(OnActiveChange);
}

void TFieldDataLinkEh::DataEvent(TDataEvent event, NativeInt info) {
  TDataLink::DataEvent(event, info);
  if (event != deDisabledStateChange) return;
  // While the dataset's controls are disabled its fields may be replaced; bind again
  // when they come back.
  if (info == 0)
    UpdateField();
  else
    fFields.clear();
}

void TFieldDataLinkEh::EditingChanged() {
  SetEditing(TDataLink::Editing() && CanModify());
}

void TFieldDataLinkEh::FocusControl(TField*& field) {
  if (field == nullptr || !IsBound(field)) return;
  auto* control = dynamic_cast<TWinControl*>(fControl);
  if (control == nullptr || !control->CanFocus()) return;
  field = nullptr;
  control->SetFocus();
}

void TFieldDataLinkEh::LayoutChanged() {
  UpdateField();
}

void TFieldDataLinkEh::RecordChanged(TField* field) {
  if (field != nullptr && !IsBound(field)) return;
  Fire(OnDataChange);
  fModified = false;
}

void TFieldDataLinkEh::UpdateData() {
  if (fStandalone) {
    if (fModified) Fire(OnUpdateData);
    fEditing = false;
  } else if (fModified && Field() != nullptr) {
    Fire(OnUpdateData);
  }
  fModified = false;
}

bool FireUpdateDataEh(const TUpdateDataEventEh& event, TObject* sender, bool& inHandler) {
  bool handled = false;
  if (!event) return handled;
  inHandler = true;
  try {
    event(sender, handled);
  } catch (...) {
    inHandler = false;
    throw;
  }
  inHandler = false;
  return handled;
}

}  // namespace ordvane
