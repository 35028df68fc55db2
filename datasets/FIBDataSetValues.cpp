// TFIBCustomDataSet's field values: the record each state reads and writes, reading and
// writing a field in it, calculated fields, the values the select statement's
// parameters and fields give as an SQL object.

#include <algorithm>
#include <cstring>

#include "classlib/core/CodePages.h"
#include "classlib/core/FMTBcd.h"
#include "classlib/core/ScopeEnd.h"
#include "classlib/db/DBConsts.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBFields.h"
#include "datasets/FIBRecordValues.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

using namespace dbconsts;

// ---- Field values ---------------------------------------------------------------------------

TRecordBuffer TFIBCustomDataSet::OtherStateRecord() {
  switch (State()) {
    case dsCalcFields:
    case dsInternalCalc:
      return CalcBuffer();
    case dsOldValue:
      return IsEmpty() || !fRecordsCache ? nullptr : GetOldRecordBuffer(-1);
    case dsNewValue:
    case dsEdit:
    case dsInsert:
      return ActiveBuffer();
    default:
      break;
  }
  if (State() == dsFilter && fFilterRecord != nullptr) return fFilterRecord;
  if (State() == dsFilter && fRecordView != nullptr) return fRecordView;
  if (State() == dsFilter || fInFetch) {
    if (fCurrentRecord < 0 || fCurrentRecord >= fFetchedCount || !fRecordsCache) return nullptr;
    fStateRecord.resize(static_cast<std::size_t>(fRecordBufferSize));
    ReadRecordCache(fCurrentRecord, fStateRecord.data(), false);
    return fStateRecord.data();
  }
  return IsEmpty() ? nullptr : ActiveBuffer();
}

const TFIBFieldDescr* TFIBCustomDataSet::ColumnDescriptor(const TField* field) {
  const int index = field->FieldNo() - 1;
  if (index < 0 || index >= fDescriptors.GetCount()) return nullptr;
  CheckSlotInRecord(fDescriptors[index], NullFlagsOffset + fDescriptors.GetCount(), fRecordSize);
  return &fDescriptors[index];
}

namespace {

// A calculated value (its set flag, then its data) lies within the record buffer.
void CheckCalcSlot(const TField& field, Integer calcFieldsOffset, Integer recordBufferSize) {
  ORDVANE_DEBUG_ASSERT(field.Offset() >= 0 && calcFieldsOffset + field.Offset() + 1 + field.DataSize() <= recordBufferSize,
                       "a calculated field's value lies within its record");
}

TFieldTarget TargetOf(const TField* field, bool trim) {
  TFieldTarget target;
  target.type = field->DataType();
  target.dataSize = field->DataSize();
  // A BCD field of this library keeps the scaled integer; only a BCD field can be one.
  target.rawInt64 = target.type == ftLargeint ||
                    (target.type == ftBCD && field->InheritsFrom(TFIBBCDField::StaticClass()));
  target.trim = trim;
  return target;
}

}  // namespace

TFieldTarget TFIBCustomDataSet::FieldTargetOf(const TField* field, TFIBFieldDescr& descr) {
  if (descr.TargetField != field) {
    descr.Target = TargetOf(field, false);
    descr.TargetField = field;
  }
  TFieldTarget target = descr.Target;
  target.trim = fOptions.Contains(poTrimCharFields);
  return target;
}

bool TFIBCustomDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = StateRecord();
  if (record == nullptr) return false;
  if (field->FieldNo() < 1) {
    CheckCalcSlot(*field, fCalcFieldsOffset, fRecordBufferSize);
    const Byte* calc = record + fCalcFieldsOffset + field->Offset();
    if (calc[0] == 0) return false;
    if (buffer != nullptr) std::memcpy(buffer, calc + 1, static_cast<std::size_t>(field->DataSize()));
    return true;
  }
  const TFIBFieldDescr* descr = ColumnDescriptor(field);
  if (descr == nullptr || record[NullFlagsOffset + field->FieldNo() - 1] != 0) return false;
  if (buffer == nullptr) return true;
  if (field->IsBlob()) {
    std::memcpy(buffer, record + descr->Offset, std::min<std::size_t>(8, static_cast<std::size_t>(field->DataSize())));
    return true;
  }
  if (!ReadColumnValue(record, *descr, FieldTargetOf(field, fDescriptors[field->FieldNo() - 1]), buffer))
    FIBError(TFIBClientError::FieldSizeTooSmall, {FullComponentName(this), field->FieldName()});
  return true;
}

// Off the text's straight path: raising needs a frame of its own.
void TFIBCustomDataSet::TextTooLong(const TField& field) const {
  FIBError(TFIBClientError::FieldSizeTooSmall, {FullComponentName(this), field.FieldName()});
}

void TFIBCustomDataSet::SetFieldData(TField* field, const void* buffer) {
  const TDataSetState state = State();
  if (state != dsCalcFields && state != dsInternalCalc) CheckEditState();
  // Every value an edit or an insert writes comes here: its record is the active one.
  TRecordBuffer record = state == dsEdit || state == dsInsert ? ActiveBuffer() : StateRecord();
  if (record == nullptr) DatabaseError(SNotEditing, this);
  field->Validate(buffer);
  if (field->FieldNo() < 1) {
    CheckCalcSlot(*field, fCalcFieldsOffset, fRecordBufferSize);
    Byte* calc = record + fCalcFieldsOffset + field->Offset();
    const auto size = static_cast<std::size_t>(field->DataSize());
    calc[0] = buffer != nullptr ? 1 : 0;
    std::memset(calc + 1, 0, size);
    if (buffer != nullptr) {
      if (field->DataType() == ftString)
        std::memcpy(calc + 1, buffer, strnlen(static_cast<const char*>(buffer), size - 1));
      else
        std::memcpy(calc + 1, buffer, size);
    }
  } else {
    const TFIBFieldDescr* descr = ColumnDescriptor(field);
    if (descr == nullptr) DatabaseErrorFmt(SFieldNotFound, {field->FieldName()}, this);
    Byte& nullFlag = record[NullFlagsOffset + field->FieldNo() - 1];
    if (buffer == nullptr) {
      nullFlag = 1;
      if (descr->IsStringSlot) StoreStringArea(record, *descr, "", 0, false);
    } else {
      WriteColumnValue(record, *descr, FieldTargetOf(field, fDescriptors[field->FieldNo() - 1]), buffer, *field);
      nullFlag = 0;
    }
    Byte& status = record[StatusOffset];
    if ((status & CachedStatusMask) == cusUnmodified && state != dsCalcFields) {
      status = static_cast<Byte>((status & ~CachedStatusMask) | (state == dsInsert ? cusInserted : cusModified));
    }
  }
  if (state != dsCalcFields && state != dsInternalCalc) SetModified(true);
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field));
}

void TFIBCustomDataSet::DataConvert(TField* field, const void* source, void* dest, bool toNative) {
  // A wide string field is always of its type: the type, asked first, spares every date
  // read a walk up the class hierarchy.
  if (field->DataType() != ftWideString || !field->InheritsFrom(TWideStringField::StaticClass()))
    return TDataSet::DataConvert(field, source, dest, toNative);
  const auto size = static_cast<std::size_t>(std::max(field->DataSize(), 1));
  // A wide field's column is one of a Unicode character set: its bytes are UTF-8 on every
  // connection (a NONE connection passes them as the column holds them).
  if (toNative) {
    auto* out = static_cast<char*>(dest);
    std::memset(out, 0, size);
    const RawByteString bytes = WideFieldBytes(*field, *static_cast<const WideString*>(source), size - 1);
    std::copy_n(bytes.data(), bytes.size(), out);
    return;
  }
  const auto* in = static_cast<const char*>(source);
  *static_cast<WideString*>(dest) = Utf8Decode(std::string_view(in, strnlen(in, size)));
}

Variant TFIBCustomDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  if (state == dsOldValue && State() == dsInsert) return Variant();
  if (field->FieldKind() != fkCalculated && field->FieldKind() != fkLookup)
    return TDataSet::GetStateFieldValue(state, field);
  switch (state) {
    case dsNewValue:
    case dsCurValue:
      return field->Value();
    case dsOldValue:
      return TDataSet::GetStateFieldValue(state, field);
    default:
      return Variant();
  }
}

Variant TFIBCustomDataSet::StateColumnText(TDataSetState state, TField* field,
                                           bool (*columnKind)(const TFIBFieldDescr&),
                                           AnsiString (*text)(const Byte* record,
                                                              const TFIBFieldDescr& descr)) {
  const TFIBFieldDescr* descr = field->FieldKind() == fkData ? ColumnDescriptor(field) : nullptr;
  if (descr == nullptr || !columnKind(*descr)) return Variant();
  const TDataSetState saved = SetTempState(state);
  const TScopeEnd restore([this, saved] { RestoreState(saved); });
  const Byte* record = StateRecord();
  if (record == nullptr || record[NullFlagsOffset + field->FieldNo() - 1] != 0) return Null();
  return Variant(text(record, *descr));
}

Variant TFIBCustomDataSet::StateColumnDecimal(TDataSetState state, TField* field) {
  return StateColumnText(
      state, field, [](const TFIBFieldDescr& descr) { return descr.SQLType == SQL_INT64 && descr.Scale < 0; },
      [](const Byte* record, const TFIBFieldDescr& descr) {
        Int64 scaled = 0;
        std::memcpy(&scaled, record + descr.Offset, sizeof scaled);
        return BcdToStr(ScaledInt64ToBcd(scaled, -descr.Scale));
      });
}

Variant TFIBCustomDataSet::StateColumnMoment(TDataSetState state, TField* field) {
  return StateColumnText(
      state, field,
      [](const TFIBFieldDescr& descr) {
        return descr.SQLType == SQL_TYPE_TIME || descr.SQLType == SQL_TIMESTAMP;
      },
      MomentText);
}

// ---- Calculated fields ----------------------------------------------------------------------

void TFIBCustomDataSet::ClearCalcFields(TRecordBuffer buffer) {
  if (fCalcFieldsDisabled > 0 || CalcFieldsSize() == 0 || State() == dsEdit || State() == dsInsert) return;
  std::memset(buffer + fCalcFieldsOffset, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

void TFIBCustomDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (fCalcFieldsDisabled > 0 || CalcFieldsSize() == 0) return;
  if (!fOptions.Contains(poCacheCalcFields)) return TDataSet::GetCalcFields(buffer);
  // An edited or inserted buffer is not the cached record: its values are computed into
  // the buffer alone, every time.
  const bool editing = State() == dsEdit || State() == dsInsert;
  if (!editing && (buffer[StatusOffset] & CalcFieldsCachedBit) != 0) return;
  TDataSet::GetCalcFields(buffer);
  if (editing || GetBookmarkFlag(buffer) != bfCurrent) return;
  buffer[StatusOffset] |= CalcFieldsCachedBit;
  WriteRecordCache(RecordIndexOf(buffer), buffer);
}

void TFIBCustomDataSet::EnableCalcFields() {
  if (fCalcFieldsDisabled == 0 || --fCalcFieldsDisabled > 0) return;
  ShowRecordsAround();
}

void TFIBCustomDataSet::ShowRecordsAround() {
  if (Active() && State() == dsBrowse && !IsEmpty()) Resync({});
}

// ---- ISQLObject -----------------------------------------------------------------------------

int TFIBCustomDataSet::FieldIndex(const AnsiString& name) const {
  TField* field = FindField(name);
  return field != nullptr ? field->Index() : -1;
}

Variant TFIBCustomDataSet::FieldValue(int index, bool oldValue) const {
  TField* field = const_cast<TFIBCustomDataSet*>(this)->Fields().Fields(index);
  return oldValue && State() != dsInsert ? field->OldValue() : field->Value();
}

}  // namespace ordvane
