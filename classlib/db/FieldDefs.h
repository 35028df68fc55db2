#pragma once
// Field definitions: what a dataset's records hold (name, type, size, field number),
// from which it makes its default fields and against which it binds persistent ones.

#include "classlib/core/Collections.h"
#include "classlib/db/DBTypes.h"

namespace ordvane {

class TDataSet;
class TField;
class TFieldDefs;

class TFieldDef : public TCollectionItem {
  ORDVANE_CLASS(TFieldDef, TCollectionItem)

 public:
  explicit TFieldDef(TCollection* collection);

  const AnsiString& Name() const { return fName; }
  // Names are unique within the definitions (EDatabaseError "Duplicate field name '%s'").
  void SetName(const AnsiString& name);
  TFieldType DataType() const { return fDataType; }
  void SetDataType(TFieldType dataType);
  Integer Size() const { return fSize; }
  void SetSize(Integer size);
  Integer Precision() const { return fPrecision; }
  void SetPrecision(Integer precision);
  bool Required() const { return fRequired; }
  void SetRequired(bool required);
  bool InternalCalcField() const { return fInternalCalcField; }
  void SetInternalCalcField(bool value);
  // 1-based number of the definition's column in the dataset's records.
  Integer FieldNo() const { return fFieldNo; }
  void SetFieldNo(Integer fieldNo) { fFieldNo = fieldNo; }

  TFieldDefs* FieldDefs() const;
  TDataSet* DataSet() const;

  // A field of the class the dataset chooses for the type (GetFieldClass), with this
  // definition's name, size, precision and requirement, added to the dataset.
  // EDatabaseError "Field '%s' is of an unknown type" when the dataset has no class.
  TField* CreateField(TComponent* owner);

  AnsiString GetDisplayName() const override { return fName; }
  void Assign(const TPersistent* source) override;

 private:
  AnsiString fName;
  TFieldType fDataType = ftUnknown;
  Integer fSize = 0;
  Integer fPrecision = 0;
  Integer fFieldNo = 0;
  bool fRequired = false;
  bool fInternalCalcField = false;
};

class TFieldDefs : public TCollection {
  ORDVANE_CLASS(TFieldDefs, TCollection)

 public:
  explicit TFieldDefs(TDataSet* dataSet);

  TDataSet* DataSet() const { return fDataSet; }
  TFieldDef* Items(int index) const { return static_cast<TFieldDef*>(TCollection::Items(index)); }

  // A new definition at the end, numbered Count.
  TFieldDef* AddFieldDef();
  TFieldDef* Add(const AnsiString& name, TFieldType dataType, Integer size = 0, bool required = false);

  // By name, case-insensitively (the locale's rule): the index or -1, the definition or
  // EDatabaseError "Field '%s' not found".
  int IndexOf(const AnsiString& name) const;
  TFieldDef* Find(const AnsiString& name) const;

  // True once the definitions describe the dataset's records; any change clears it.
  bool Updated() const { return fUpdated; }
  void SetUpdated(bool updated) { fUpdated = updated; }
  // Asks the dataset to (re)build its definitions when they are not up to date.
  void Update();

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TDataSet* fDataSet;
  bool fUpdated = false;
};

}  // namespace ordvane
