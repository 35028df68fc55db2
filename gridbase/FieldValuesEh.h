#pragma once
// What the data-aware controls share over fields: the data link that reports every data
// event, the distinct values of a field, and the routines over fields named in a
// ';'-separated list and over Variants.

#include <memory>
#include <vector>

#include "classlib/core/StringLists.h"
#include "classlib/core/Variants.h"
#include "classlib/db/DataSource.h"

namespace ordvane {

using TDataEventEh = TEvent<void(TDataEvent event, NativeInt info)>;

// A data link that tells its owner of every data event, after the link's own handling.
class TDataLinkEh : public TDataLink {
  ORDVANE_CLASS(TDataLinkEh, TDataLink)

 public:
  TDataEventEh OnDataEvent;

 protected:
  void DataEvent(TDataEvent event, NativeInt info) override;
};

// The distinct texts of one field over a dataset's records, sorted and compared without
// case, for the drop-downs of the filter row. The list is rebuilt when read after a
// change of the field name, the dataset, its state, its records or its fields.
class TDatasetFieldValueListEh : public TPersistent {
  ORDVANE_CLASS(TDatasetFieldValueListEh, TPersistent)

 public:
  TDatasetFieldValueListEh();
  ~TDatasetFieldValueListEh() override;

  const AnsiString& FieldName() const { return fFieldName; }
  void SetFieldName(const AnsiString& value);
  TDataSet* DataSet() const { return fDataSource->DataSet(); }
  void SetDataSet(TDataSet* value);
  // Walks the dataset when the list is out of date; the dataset is left at its end.
  TStrings* Values();

 private:
  void DataEvent(TDataEvent event, NativeInt info);
  void Rebuild();

  std::unique_ptr<TStringList> fValues;
  std::unique_ptr<TDataSource> fDataSource;
  std::unique_ptr<TDataLinkEh> fDataLink;
  AnsiString fFieldName;
  bool fDirty = true;
};

using TFieldsArrEh = std::vector<TField*>;

// The fields named in a ';'-separated list, in its order; EDatabaseError "Field '%s' not
// found" for a name the dataset lacks.
void FieldsByNamesEh(const TDataSet* dataSet, const AnsiString& names, TFieldsArrEh& fields);
// Writes a value into fields: element i of a Variant array (counted from its low bound)
// into field i, anything else into every field (Null and Unassigned clear them). An
// array of another rank, or with fewer elements than fields, raises
// EVariantBadIndexError before any field is written.
void AssignFieldValuesEh(const TFieldsArrEh& fields, const Variant& value);
// The same for the fields named in a ';'-separated list.
void DataSetSetFieldValuesEh(const TDataSet* dataSet, const AnsiString& names, const Variant& value);
// A field's value with every digit: a decimal of up to four places as a currency, which
// its double value would round to fifteen or so digits; otherwise the field's value.
Variant ExactFieldValueEh(TField* field);
// Raises EDatabaseError naming the field and the text when a text field cannot hold the
// text whole: the text is refused rather than cut.
void CheckTextFitsFieldEh(TField* field, const AnsiString& text);
// Equality that never raises: arrays of the same rank and bounds with equal elements;
// otherwise values that agree on being Null or Unassigned and compare equal. A
// comparison that cannot be made counts as unequal.
bool VarEqualsEh(const Variant& a, const Variant& b);

}  // namespace ordvane
