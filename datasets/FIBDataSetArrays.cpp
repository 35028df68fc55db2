// Array fields of TFIBCustomDataSet: the whole array as a field's value, read through the
// select column's array description and written as a new array in the update
// transaction, and what the dataset keeps of each written array so that a record's array
// can be stored again.

#include <cstring>

#include "classlib/db/DBConsts.h"
#include "datasets/FIBDataSet.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/pFIBArray.h"

namespace ordvane {

namespace {

UInt64 ArrayKey(const ISC_QUAD& id) {
  return (UInt64{static_cast<Cardinal>(id.gds_quad_high)} << 32) | UInt64{id.gds_quad_low};
}

}  // namespace

bool TFIBCustomDataSet::GetArrayFieldValue(TField* field, Variant& value) {
  const TFIBXSQLVAR* column = ColumnOf(field);
  if (column == nullptr || column->FIBArray() == nullptr || Database() == nullptr || Transaction() == nullptr)
    return false;
  value = column->FIBArray()->GetFieldArrayValues(*field, Database()->DBHandle(), Transaction()->TRHandle());
  return true;
}

void TFIBCustomDataSet::SetArrayFieldValue(TField* field, const Variant& value) {
  if (State() != dsEdit && State() != dsInsert) DatabaseError(dbconsts::SNotEditing, this);
  if (VarIsEmpty(value) || VarIsNull(value)) {
    field->Clear();
    return;
  }
  const TFIBXSQLVAR* column = ColumnOf(field);
  if (column == nullptr || column->FIBArray() == nullptr) FIBError(TFIBClientError::Unsupported);
  TFIBTransaction* transaction = UpdateTransaction();
  if (transaction == nullptr) FIBError(TFIBClientError::TransactionNotAssigned, {FullComponentName(this)});
  if (!transaction->Active()) transaction->StartTransaction();
  ISC_QUAD id{};
  column->FIBArray()->SetArrayValues(value, id, Database()->DBHandle(), transaction->TRHandle());
  fWrittenArrays.insert_or_assign(ArrayKey(id), TWrittenArray{value, false});
  field->SetData(&id);
}

void TFIBCustomDataSet::RenewUsedUpArray(TRecordBuffer record, const TField* field,
                                         const TFIBFieldDescr& descr, bool storing) {
  if (record[NullFlagsOffset + field->FieldNo() - 1] != 0) return;
  ISC_QUAD id;
  std::memcpy(&id, record + descr.Offset, sizeof id);
  auto found = fWrittenArrays.find(ArrayKey(id));
  if (found == fWrittenArrays.end()) return;
  if (found->second.UsedUp) {
    const TFIBXSQLVAR* column = ColumnOf(field);
    TFIBTransaction* transaction = UpdateTransaction();
    if (column == nullptr || column->FIBArray() == nullptr || transaction == nullptr ||
        !transaction->Active())
      return;
    // The used-up id stays known: a refused post puts it back in the record.
    const Variant value = found->second.Value;
    id = ISC_QUAD{};  // a new array, not a change of the used-up one
    column->FIBArray()->SetArrayValues(value, id, Database()->DBHandle(), transaction->TRHandle());
    std::memcpy(record + descr.Offset, &id, sizeof id);
    found = fWrittenArrays.insert_or_assign(ArrayKey(id), TWrittenArray{value, false}).first;
  }
  if (storing) found->second.UsedUp = true;
}

}  // namespace ordvane
