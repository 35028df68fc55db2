#pragma once
// The data-aware controls' link to their field: the one way such a control reads and
// writes a field, or, with neither a data source nor a field name, keeps a value of its
// own (standalone mode) with the same Editing and Modified state a dataset would give.

#include "classlib/core/Variants.h"
#include "classlib/db/DataSource.h"
#include "gridbase/ToolCtrlsEh.h"

namespace ordvane {

class TFieldDataLinkEh : public TDataLink {
  ORDVANE_CLASS(TFieldDataLinkEh, TDataLink)

 public:
  TFieldDataLinkEh();

  // The first bound field, or nil.
  TField* Field() const { return fFields.empty() ? nullptr : fFields.front(); }
  int FieldsCount() const { return static_cast<int>(fFields.size()); }
  // Nil for any index outside the bound fields.
  TField* Fields(int index) const;
  const AnsiString& FieldName() const { return fFieldName; }
  // Binds at once: EDatabaseError "Field '%s' not found" (naming the control when one is
  // set) for a name the open dataset lacks, and then nothing is bound.
  void SetFieldName(const AnsiString& value);
  void SetDataSource(TDataSource* value) override;
  // The owning control: named in errors, focused for its field.
  TComponent* Control() const { return fControl; }
  void SetControl(TComponent* value) { fControl = value; }
  // With it, FieldName lists several fields separated by ';'.
  bool MultiFields() const { return fMultiFields; }
  void SetMultiFields(bool value);

  bool Standalone() const { return fStandalone; }
  // The value kept in standalone mode; Null whenever the mode changes.
  const Variant& Value() const { return fValue; }

  // True in standalone mode, else while the data source is active and a field is bound.
  bool Active() const;
  bool Editing() const { return fEditing; }
  bool Modified() const { return fModified; }
  // The control calls it on every change of its text or state.
  void SetModified() { fModified = true; }
  // The control reloads from the field (or the standalone value).
  void Reset() { RecordChanged(nullptr); }
  // Standalone: starts editing unless read-only. Bound: puts the dataset into edit state
  // when the field can be modified. Answers Editing.
  bool Edit();
  // The field's answer when bound to one; True standalone; False otherwise.
  bool CanModify() const;
  // Standalone: the value becomes the text. Bound: a memo field takes it as its string,
  // any other field through its Text (so OnSetText sees it); without a field, nothing.
  void SetText(const AnsiString& text);
  // Standalone: the value. Bound to several fields: element i of an array into field i
  // (see AssignFieldValuesEh), anything else into every field; bound to one: its value.
  void SetValue(const Variant& value);

  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;
  TNotifyEvent OnActiveChange;

 protected:
  void ActiveChanged() override;
  void DataEvent(TDataEvent event, NativeInt info) override;
  void EditingChanged() override;
  void FocusControl(TField*& field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;
  // Binds the fields FieldName names, reloads the control, and re-creates the control's
  // window when its right-to-left layout no longer suits the field.
  virtual void UpdateField();

 private:
  bool IsBound(const TField* field) const;
  void UpdateStandalone();
  void UpdateRightToLeft();
  void SetEditing(bool value);
  void Fire(const TNotifyEvent& event);

  TFieldsArrEh fFields;
  AnsiString fFieldName;
  TComponent* fControl = nullptr;
  bool fMultiFields = false;
  bool fStandalone = true;
  bool fEditing = false;
  bool fModified = false;
  Variant fValue;
};

}  // namespace ordvane
