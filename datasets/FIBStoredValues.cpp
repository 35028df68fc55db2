#include "datasets/FIBStoredValues.h"

#include "classlib/db/NativeFormats.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBFields.h"
#include "datasets/FIBRecordValues.h"

namespace ordvane {

namespace {

// The client-API type of a column a date or time field of that type is laid out over.
short StoredTypeOf(TFieldType type) {
  switch (type) {
    case ftDate:
      return SQL_TYPE_DATE;
    case ftTime:
      return SQL_TYPE_TIME;
    case ftDateTime:
      return SQL_TIMESTAMP;
    default:
      return 0;
  }
}

// Field classes whose reading is the class library's, which the in-place reads repeat; a
// class of the application's own may read otherwise.
bool ReadsDateTimeAsStored(const TField& field) {
  const TClass type = field.ClassType();
  return type == TFIBDateField::StaticClass() || type == TFIBTimeField::StaticClass() ||
         type == TFIBDateTimeField::StaticClass();
}

}  // namespace

TStoredValueReader TStoredValueReader::For(TDataSet* dataSet, TField* field) {
  TStoredValueReader reader;
  auto* fibDataSet = dynamic_cast<TFIBCustomDataSet*>(dataSet);
  const TFIBFieldDescr* descr =
      fibDataSet != nullptr && field->FieldKind() == fkData ? fibDataSet->ColumnDescriptor(field) : nullptr;
  if (descr == nullptr) return reader;
  if (field->ClassType() == TFIBStringField::StaticClass() &&
      static_cast<const TFIBStringField*>(field)->TextIsStored())
    reader.fKind = TKind::Text;
  else if (ReadsDateTimeAsStored(*field) && descr->SQLType == StoredTypeOf(field->DataType()) &&
           descr->DataSize == NativeDataSize(field->DataType(), 0))
    reader.fKind = TKind::DateTime;
  else
    return reader;
  reader.fDataSet = fibDataSet;
  reader.fDescr = descr;
  reader.fField = field;
  return reader;
}

const Byte* TStoredValueReader::Record() const { return fDataSet->RecordUnderTest(); }

bool TStoredValueReader::IsNull(const Byte* record) const {
  return record[NullFlagsOffset + fField->FieldNo() - 1] != 0;
}

std::string_view TStoredValueReader::Text() const {
  std::string_view text;
  // A null text reads as an empty one; a text too long for the field raises.
  fDataSet->GetFieldText(fField, *fDescr, text);
  text = text.substr(0, text.find('\0'));
  if (fField->DataType() == ftFixedChar)
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

bool TStoredValueReader::DateTime(const Byte* record, TDateTime& value) const {
  if (IsNull(record)) return false;
  // The field's native value, as it reads it: a record keeps the tenth of a millisecond.
  alignas(double) Byte native[sizeof(double)];
  ReadColumnValue(record, *fDescr, TFieldTarget{fField->DataType(), fDescr->DataSize}, native);
  value = NativeToDateTime(fField->DataType(), native);
  return true;
}

}  // namespace ordvane
