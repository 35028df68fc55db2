#include "classlib/db/Fields.h"

#include <algorithm>
#include <cstring>

#include "classlib/core/AnsiStrings.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/DataSet.h"

namespace ordvane {

using namespace dbconsts;

// --- TField --------------------------------------------------------------------------------

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
  if (fDataSet != nullptr) fDataSet->FieldDestroying(this);
}

void TField::CheckInactive() const {
  if (fDataSet != nullptr) fDataSet->CheckInactive();
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == fDataSet) return;
  CheckInactive();
  if (dataSet != nullptr) {
    dataSet->CheckInactive();
    if (!fFieldName.empty() && dataSet->FindField(fFieldName) != nullptr)
      DatabaseErrorFmt(SDuplicateFieldName, {fFieldName}, dataSet);
  }
  if (fDataSet != nullptr) fDataSet->Fields().Remove(this);
  fDataSet = dataSet;
  if (fDataSet != nullptr) fDataSet->Fields().Add(this);
}

void TField::SetFieldName(const AnsiString& name) {
  if (name == fFieldName) return;
  CheckInactive();
  if (fDataSet != nullptr) {
    const TField* other = fDataSet->FindField(name);
    if (other != nullptr && other != this) DatabaseErrorFmt(SDuplicateFieldName, {name}, fDataSet);
  }
  fFieldName = name;
  PropertyChanged(true);
}

int TField::Index() const { return fDataSet != nullptr ? fDataSet->Fields().IndexOf(this) : -1; }

void TField::SetIndex(int index) {
  if (fDataSet == nullptr) return;
  fDataSet->Fields().Move(this, index);
  PropertyChanged(true);
}

void TField::SetFieldKind(TFieldKind kind) {
  if (kind == fFieldKind) return;
  CheckInactive();
  fFieldKind = kind;
}

void TField::SetSize(Integer size) {
  CheckInactive();
  CheckTypeSize(size);
  fSize = size;
}

void TField::CheckTypeSize(Integer size) const {
  if (size != 0 && !IsBlob()) DatabaseError(SInvalidFieldSize);
}

void TField::SetReadOnly(bool value) {
  if (value == fReadOnly) return;
  fReadOnly = value;
  PropertyChanged(true);
}

void TField::SetVisible(bool value) {
  if (value == fVisible) return;
  fVisible = value;
  PropertyChanged(true);
}

void TField::SetDisplayLabel(const AnsiString& label) {
  // A label equal to the field name is no label of its own.
  const AnsiString value = label == fFieldName ? AnsiString() : label;
  if (value == fDisplayLabel) return;
  fDisplayLabel = value;
  PropertyChanged(true);
}

void TField::SetDisplayWidth(Integer width) {
  if (width == fDisplayWidth) return;
  fDisplayWidth = width;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment alignment) {
  if (alignment == fAlignment) return;
  fAlignment = alignment;
  PropertyChanged(false);
}

void TField::PropertyChanged(bool layoutAffected) {
  if (fDataSet != nullptr && fDataSet->Active()) fDataSet->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetKeyFields(const AnsiString& names) {
  CheckInactive();
  fKeyFields = names;
}

void TField::SetLookupDataSet(TDataSet* dataSet) {
  if (dataSet == fLookupDataSet) return;
  CheckInactive();
  if (fLookupDataSet != nullptr) fLookupDataSet->RemoveFreeNotification(this);
  fLookupDataSet = dataSet;
  if (fLookupDataSet != nullptr) fLookupDataSet->FreeNotification(this);
}

void TField::SetLookupKeyFields(const AnsiString& names) {
  CheckInactive();
  fLookupKeyFields = names;
}

void TField::SetLookupResultField(const AnsiString& name) {
  CheckInactive();
  fLookupResultField = name;
}

void TField::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == fLookupDataSet) fLookupDataSet = nullptr;
}

bool TField::IsValidChar(char /*ch*/) const { return true; }

bool TField::GetCanModify() {
  if (fReadOnly || fDataSet == nullptr) return false;
  switch (fFieldKind) {
    case fkData:
      return fFieldNo > 0 && fDataSet->CanModify();
    case fkLookup:
      if (!fDataSet->CanModify()) return false;
      for (TField* key : fDataSet->GetFieldList(fKeyFields))
        if (!key->CanModify()) return false;
      return !fKeyFields.empty();
    default:
      return false;
  }
}

// --- reading and writing through the dataset ------------------------------------------------

bool TField::GetData(void* buffer, bool nativeFormat) {
  if (fDataSet == nullptr) DatabaseErrorFmt(SFieldNoDataSet, {DisplayName()});
  if (fValidating) {
    if (fValidateBuffer == nullptr) return false;
    if (buffer != nullptr) {
      if (nativeFormat)
        std::memcpy(buffer, fValidateBuffer, static_cast<std::size_t>(DataSize()));
      else
        fDataSet->DataConvert(this, fValidateBuffer, buffer, false);
    }
    return true;
  }
  // Straight to the dataset when there is nothing to convert: every read of a value asks.
  if (nativeFormat || buffer == nullptr) return fDataSet->GetFieldData(this, buffer);
  return fDataSet->GetFieldData(this, buffer, false);
}

void TField::CheckWritable() const {
  if (fDataSet == nullptr) DatabaseErrorFmt(SFieldNoDataSet, {DisplayName()});
  bool writable = false;
  switch (fDataSet->State()) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsNewValue:
      writable = true;
      break;
    case dsCalcFields:
      writable = fFieldKind != fkData;
      break;
    case dsInternalCalc:
      writable = fFieldKind == fkInternalCalc;
      break;
    default:
      break;
  }
  if (!writable) DatabaseError(SNotEditing, fDataSet);
}

void TField::SetData(const void* buffer, bool nativeFormat) {
  CheckWritable();
  // Native data, most of every write, needs no routing through a conversion.
  if (nativeFormat)
    fDataSet->SetFieldData(this, buffer);
  else
    fDataSet->SetFieldData(this, buffer, false);
}

void TField::Validate(const void* buffer) {
  // Every write of every field passes here: the handler is copied only when there is one.
  if (!OnValidate) return;
  const TFieldNotifyEvent handler = OnValidate;
  fValidating = true;
  fValidateBuffer = buffer;
  try {
    handler(this);
  } catch (...) {
    fValidating = false;
    fValidateBuffer = nullptr;
    throw;
  }
  fValidating = false;
  fValidateBuffer = nullptr;
}

void TField::Change() {
  if (!OnChange) return;
  const TFieldNotifyEvent handler = OnChange;
  handler(this);
}

void TField::FocusControl() {
  if (fDataSet == nullptr || !fDataSet->Active()) return;
  TField* field = this;
  fDataSet->DataEvent(deFocusControl, reinterpret_cast<NativeInt>(&field));
}

// --- values --------------------------------------------------------------------------------

void TField::AccessError(const char* typeName) const { DatabaseErrorFmt(SFieldAccessError, {DisplayName(), typeName}); }

AnsiString TField::GetAsString() { AccessError("String"); }
Integer TField::GetAsInteger() { AccessError("Integer"); }
double TField::GetAsFloat() { AccessError("Float"); }
Currency TField::GetAsCurrency() { return Currency::FromDouble(GetAsFloat()); }
bool TField::GetAsBoolean() { AccessError("Boolean"); }
TDateTime TField::GetAsDateTime() { AccessError("DateTime"); }
Int64 TField::GetAsLargeInt() { AccessError("LargeInt"); }
Variant TField::GetAsVariant() { AccessError("Variant"); }

void TField::SetAsString(const AnsiString& /*value*/) { AccessError("String"); }
void TField::SetAsInteger(Integer /*value*/) { AccessError("Integer"); }
void TField::SetAsFloat(double /*value*/) { AccessError("Float"); }
void TField::SetAsCurrency(Currency value) { SetAsFloat(value.ToDouble()); }
void TField::SetAsBoolean(bool /*value*/) { AccessError("Boolean"); }
void TField::SetAsDateTime(TDateTime /*value*/) { AccessError("DateTime"); }
void TField::SetAsLargeInt(Int64 /*value*/) { AccessError("LargeInt"); }
void TField::SetVarValue(const Variant& /*value*/) { AccessError("Variant"); }

void TField::SetAsVariant(const Variant& value) {
  if (VarIsNull(value) || VarIsEmpty(value))
    Clear();
  else
    SetVarValue(value);
}

Variant TField::OldValue() { return fDataSet->GetStateFieldValue(dsOldValue, this); }
Variant TField::NewValue() { return fDataSet->GetStateFieldValue(dsNewValue, this); }
void TField::SetNewValue(const Variant& value) { fDataSet->SetStateFieldValue(dsNewValue, this, value); }
Variant TField::CurValue() { return fDataSet->GetStateFieldValue(dsCurValue, this); }

void TField::GetText(AnsiString& text, bool /*displayText*/) { text = GetAsString(); }

AnsiString TField::Text() {
  AnsiString text;
  const TFieldGetTextEvent handler = OnGetText;
  if (handler)
    handler(this, text, false);
  else
    GetText(text, false);
  return text;
}

AnsiString TField::DisplayText() {
  AnsiString text;
  const TFieldGetTextEvent handler = OnGetText;
  if (handler)
    handler(this, text, true);
  else
    GetText(text, true);
  return text;
}

void TField::SetText(const AnsiString& text) {
  const TFieldSetTextEvent handler = OnSetText;
  if (handler)
    handler(this, text);
  else
    SetAsString(text);
}

void TField::Assign(const TPersistent* source) {
  if (const auto* field = dynamic_cast<const TField*>(source)) {
    SetValue(const_cast<TField*>(field)->Value());
    return;
  }
  if (source == nullptr) {
    Clear();
    return;
  }
  TComponent::Assign(source);
}

// --- TFields -------------------------------------------------------------------------------

void TFields::IndexOutOfBounds(int index) {
  throw EListError(Format("List index out of bounds (%d)", {index}));
}

int TFields::IndexOf(const TField* field) const {
  const auto it = std::find(fList.begin(), fList.end(), field);
  return it == fList.end() ? -1 : static_cast<int>(it - fList.begin());
}

TField* TFields::FindField(const AnsiString& name) const {
  for (TField* field : fList)
    if (AnsiSameText(field->FieldName(), name)) return field;
  return nullptr;
}

TField* TFields::FieldByName(const AnsiString& name) const {
  TField* field = FindField(name);
  if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {name}, fDataSet);
  return field;
}

TField* TFields::FieldByNumber(Integer fieldNo) const {
  for (TField* field : fList)
    if (field->FieldNo() == fieldNo) return field;
  return nullptr;
}

void TFields::Remove(TField* field) {
  fList.erase(std::remove(fList.begin(), fList.end(), field), fList.end());
}

void TFields::Move(TField* field, int index) {
  const int current = IndexOf(field);
  if (current < 0) return;
  index = std::clamp(index, 0, Count() - 1);
  fList.erase(fList.begin() + current);
  fList.insert(fList.begin() + index, field);
}

void TFields::DeleteAll() {
  while (!fList.empty()) {
    TField* field = fList.back();
    fList.pop_back();
    field->fDataSet = nullptr;
    delete field;
  }
}

}  // namespace ordvane
