#include "classlib/db/FieldDefs.h"

#include <memory>

#include "classlib/core/AnsiStrings.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/DataSet.h"
#include "classlib/db/NumericFields.h"
#include "classlib/db/StringFields.h"

namespace ordvane {

using namespace dbconsts;

// --- TFieldDef -----------------------------------------------------------------------------

TFieldDef::TFieldDef(TCollection* collection) : TCollectionItem(collection) {}

TFieldDefs* TFieldDef::FieldDefs() const { return static_cast<TFieldDefs*>(Collection()); }

TDataSet* TFieldDef::DataSet() const { return FieldDefs() != nullptr ? FieldDefs()->DataSet() : nullptr; }

void TFieldDef::SetName(const AnsiString& name) {
  if (name == fName) return;
  if (TFieldDefs* defs = FieldDefs()) {
    const int index = defs->IndexOf(name);
    if (index >= 0 && defs->Items(index) != this) DatabaseErrorFmt(SDuplicateFieldName, {name}, defs->DataSet());
  }
  fName = name;
  Changed(false);
}

void TFieldDef::SetDataType(TFieldType dataType) {
  fDataType = dataType;
  Changed(false);
}

void TFieldDef::SetSize(Integer size) {
  fSize = size;
  Changed(false);
}

void TFieldDef::SetPrecision(Integer precision) {
  fPrecision = precision;
  Changed(false);
}

void TFieldDef::SetRequired(bool value) {
  fRequired = value;
  Changed(false);
}

void TFieldDef::SetInternalCalcField(bool value) {
  fInternalCalcField = value;
  Changed(false);
}

void TFieldDef::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TFieldDef*>(source);
  if (other == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  fName = other->fName;
  fDataType = other->fDataType;
  fSize = other->fSize;
  fPrecision = other->fPrecision;
  fRequired = other->fRequired;
  fInternalCalcField = other->fInternalCalcField;
  fFieldNo = other->fFieldNo;
  Changed(false);
}

TField* TFieldDef::CreateField(TComponent* owner) {
  TDataSet* dataSet = DataSet();
  const TFieldClass fieldClass = dataSet != nullptr ? dataSet->GetFieldClass(fDataType) : TFieldClass();
  if (!fieldClass) DatabaseErrorFmt(SFieldUnknownType, {fName}, dataSet);
  std::unique_ptr<TField> created(fieldClass.Create(owner));
  TField& field = *created;
  if (auto* text = dynamic_cast<TStringField*>(&field); text != nullptr && fDataType == ftFixedChar)
    text->SetFixedChar(true);
  if (auto* bcd = dynamic_cast<TBCDField*>(&field)) bcd->SetPrecision(fPrecision);
  field.SetSize(fSize);
  field.SetFieldName(fName);
  field.SetRequired(fRequired);
  if (fInternalCalcField) field.SetFieldKind(fkInternalCalc);
  field.SetDataSet(dataSet);
  return created.release();
}

// --- TFieldDefs ----------------------------------------------------------------------------

TFieldDefs::TFieldDefs(TDataSet* dataSet)
    : TCollection(dataSet, TCollectionItemClass::Of<TFieldDef>()), fDataSet(dataSet) {}

TFieldDef* TFieldDefs::AddFieldDef() {
  auto* def = static_cast<TFieldDef*>(TCollection::Add());
  def->SetFieldNo(Count());
  return def;
}

TFieldDef* TFieldDefs::Add(const AnsiString& name, TFieldType dataType, Integer size, bool required) {
  if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateFieldName, {name}, fDataSet);
  BeginUpdate();
  TFieldDef* def = AddFieldDef();
  def->SetName(name);
  def->SetDataType(dataType);
  def->SetSize(size);
  def->SetRequired(required);
  EndUpdate();
  return def;
}

int TFieldDefs::IndexOf(const AnsiString& name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(const AnsiString& name) const {
  const int index = IndexOf(name);
  if (index < 0) DatabaseErrorFmt(SFieldNotFound, {name}, fDataSet);
  return Items(index);
}

void TFieldDefs::Update() {
  if (fUpdated || fDataSet == nullptr) return;
  fDataSet->InitFieldDefs();
  fUpdated = true;
}

void TFieldDefs::Update(TCollectionItem* item) {
  TCollection::Update(item);
  fUpdated = false;
}

}  // namespace ordvane
