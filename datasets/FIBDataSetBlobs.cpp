#include "datasets/FIBDataSetBlobs.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "classlib/core/Application.h"
#include "classlib/core/DebugChecks.h"
#include "classlib/core/SeparatedLists.h"
#include "classlib/db/BinaryFields.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetScopes.h"
#include "datasets/FIBFields.h"
#include "datasets/FIBMetaCache.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/fib.h"

namespace ordvane {

// ---- Stream table ------------------------------------------------------------------------------

Cardinal TFIBBlobStreamTable::Add(TStreamPtr stream) {
  do {
    fLastHandle = fLastHandle == std::numeric_limits<Cardinal>::max() ? 1 : fLastHandle + 1;
  } while (fStreams.contains(fLastHandle));
  fUse.push_back(fLastHandle);
  fStreams.emplace(fLastHandle, TEntry{std::move(stream), std::prev(fUse.end())});
  return fLastHandle;
}

TFIBBlobStreamTable::TStreamPtr TFIBBlobStreamTable::Find(Cardinal handle) const {
  const auto found = fStreams.find(handle);
  return found == fStreams.end() ? nullptr : found->second.stream;
}

void TFIBBlobStreamTable::Release(Cardinal handle) {
  const auto found = fStreams.find(handle);
  if (found == fStreams.end()) return;
  fUse.erase(found->second.use);
  fStreams.erase(found);
}

void TFIBBlobStreamTable::Clear() {
  fStreams.clear();
  fUse.clear();
}

// ---- The caller's stream -----------------------------------------------------------------------

TFIBDSBlobStream::TFIBDSBlobStream(TFIBCustomDataSet& dataSet, TField* field, std::shared_ptr<TFIBBlobStream> blob,
                                   TBlobStreamMode mode)
    : fDataSet(dataSet), fField(field), fBlob(std::move(blob)) {
  if (!fBlob) return;
  if (mode == bmWrite) fBlob->Truncate();
  fBlob->Seek(0, soBeginning);
}

TFIBDSBlobStream::~TFIBDSBlobStream() {
  try {
    TellFieldChanged();
  } catch (...) {
    Application->HandleException(&fDataSet);
  }
}

void TFIBDSBlobStream::Flush() { TellFieldChanged(); }

void TFIBDSBlobStream::TellFieldChanged() {
  if (!fModified) return;
  fModified = false;
  fDataSet.BlobStreamClosed(fField);
}

void TFIBDSBlobStream::StartWrite() {
  fDataSet.BlobStreamWriting(fField);
  fModified = true;
}

Int64 TFIBDSBlobStream::Read(void* buffer, Int64 count) {
  if (!fBlob) return 0;
  return fDataSet.State() == dsOldValue ? fBlob->ReadOld(buffer, count) : fBlob->Read(buffer, count);
}

Int64 TFIBDSBlobStream::Write(const void* buffer, Int64 count) {
  StartWrite();
  return fBlob ? fBlob->Write(buffer, count) : 0;
}

Int64 TFIBDSBlobStream::Seek(Int64 offset, TSeekOrigin origin) {
  if (!fBlob) return 0;
  return fDataSet.State() == dsOldValue ? fBlob->SeekOld(offset, origin) : fBlob->Seek(offset, origin);
}

void TFIBDSBlobStream::SetSize(Int64 newSize) {
  StartWrite();
  if (fBlob) fBlob->SetSize(newSize);
}

// ---- The dataset's side ------------------------------------------------------------------------

namespace {

void CheckHandleSlot(const TField* field, Integer blobStreamOffset, Integer calcFieldsOffset) {
  ORDVANE_DEBUG_ASSERT(field->Offset() >= 0 && blobStreamOffset + 4 * (field->Offset() + 1) <= calcFieldsOffset,
                       "a blob field's stream handle lies within its record");
}

// Where the handle of blob index blobIndex lies in a record: 4 bytes per blob field.
std::ptrdiff_t HandleOffset(Integer blobStreamOffset, Integer blobIndex) {
  return std::ptrdiff_t{blobStreamOffset} + std::ptrdiff_t{4} * blobIndex;
}

}  // namespace

Cardinal TFIBCustomDataSet::BlobHandle(const Byte* record, const TField* field) const {
  CheckHandleSlot(field, fBlobStreamOffset, fCalcFieldsOffset);
  Cardinal handle;
  std::memcpy(&handle, record + HandleOffset(fBlobStreamOffset, field->Offset()), sizeof handle);
  return handle;
}

void TFIBCustomDataSet::SetBlobHandle(Byte* record, const TField* field, Cardinal handle) {
  CheckHandleSlot(field, fBlobStreamOffset, fCalcFieldsOffset);
  std::memcpy(record + HandleOffset(fBlobStreamOffset, field->Offset()), &handle, sizeof handle);
}

std::shared_ptr<TFIBBlobStream> TFIBCustomDataSet::RecordBlobStream(const Byte* record, const TField* field) const {
  return record == nullptr || !field->IsBlob() ? nullptr : fBlobStreams.Find(BlobHandle(record, field));
}

void TFIBCustomDataSet::ReleaseBlobStreams(const Byte* record) {
  if (fBlobStreamOffset <= 0) return;
  for (Integer i = 0; i < BlobFieldCount(); ++i) {
    Cardinal handle;
    std::memcpy(&handle, record + HandleOffset(fBlobStreamOffset, i), sizeof handle);
    if (handle != 0) fBlobStreams.Release(handle);
  }
}

// A refresh keeps the record's streams, but only where they still show the record: a
// stream with changes not yet stored stays as it is, one whose blob the refreshed row no
// longer names loads the new one when next read, and one whose column is now null goes.
void TFIBCustomDataSet::SyncBlobStreams(TRecordBuffer record) {
  if (fBlobStreamOffset <= 0) return;
  for (TField* field : Fields()) {
    const auto stream = RecordBlobStream(record, field);
    const TFIBFieldDescr* descr = ColumnDescriptor(field);
    if (!stream || descr == nullptr || stream->ClientBlob() || stream->Modified()) continue;
    if (record[NullFlagsOffset + field->FieldNo() - 1] != 0) {
      fBlobStreams.Release(BlobHandle(record, field));
      SetBlobHandle(record, field, 0);
      continue;
    }
    ISC_QUAD blobID;
    std::memcpy(&blobID, record + descr->Offset, sizeof blobID);
    if (!QuadsEqual(blobID, stream->BlobID())) stream->SetBlobID(blobID);
  }
}

// A stream with changes not yet on the server stays: its record is being edited, or its
// body was changed and not posted.
bool TFIBCustomDataSet::BlobStreamPending(Cardinal handle) {
  const auto stream = fBlobStreams.Find(handle);
  // A client blob has nothing to send: the application fills it again when asked.
  if (stream && stream->ClientBlob()) return false;
  if (stream && stream->Modified()) return true;
  if ((State() != dsEdit && State() != dsInsert) || ActiveBuffer() == nullptr) return false;
  for (TField* field : Fields())
    if (field->IsBlob() && BlobHandle(ActiveBuffer(), field) == handle) return true;
  return false;
}

bool IsClientBlobField(const TField* field) {
  if (const auto* blob = dynamic_cast<const TFIBBlobField*>(field)) return blob->IsClientField();
  if (const auto* memo = dynamic_cast<const TFIBMemoField*>(field)) return memo->IsClientField();
  return false;
}

namespace {

// The record and column a blob field's stream loads, as the local blob cache names them:
// the update table (else the column's own table), the column, and the values of the
// table's primary key in the record the dataset's state reads. None while the database
// keeps no cache, or when a key field is missing or null (it would name no one record).
TBlobCacheKey BlobCacheKeyOf(TFIBCustomDataSet& dataSet, TField* field) {
  TFIBDatabase* database = dataSet.Database();
  if (database == nullptr || !database->Connected() || database->BlobSwapSupport().ExpandSwapDir().empty())
    return {};
  TBlobCacheKey key;
  key.TableName = StripEnclosingQuotes(dataSet.AutoUpdateOptions().ModifyTable());
  if (key.TableName.empty()) key.TableName = dataSet.GetRelationTableName(field);
  key.FieldName = dataSet.GetRelationFieldName(field);
  if (key.TableName.empty() || key.FieldName.empty()) return {};
  const AnsiString keyNames =
      FIBTableInfoCollect().GetTableInfo(*database, key.TableName, false)->PrimaryKeyFields(database);
  if (keyNames == DeferredPrimaryKey) return {};
  for (const AnsiString& name : SplitList(keyNames, ';', true, TEmptyItems::Drop)) {
    TField* keyField = dataSet.LookupField(name);
    if (keyField == nullptr || keyField->IsNull()) return {};
    key.KeyValues.push_back(keyField->Value());
  }
  return key;
}

// Reads the body now, through a connection and a read transaction that are opened for the
// read when they are not, and ended again after it.
void LoadBlobAtOnce(TFIBCustomDataSet& dataSet, TFIBBlobStream& stream) {
  TFIBDatabase* database = dataSet.Database();
  TFIBTransaction* transaction = dataSet.Transaction();
  if (database == nullptr || transaction == nullptr)
    FIBError(TFIBClientError::TransactionNotAssigned, {FullComponentName(&dataSet)});
  const bool connectedHere = !database->Connected();
  if (connectedHere) database->SetConnected(true);
  const TScopeEnd disconnect([&] {
    if (connectedHere && database->Connected()) database->SetConnected(false);
  });
  const bool startedHere = !transaction->Active();
  if (startedHere) transaction->StartTransaction();
  const TScopeEnd commit([&] {
    if (startedHere && transaction->Active()) transaction->Commit();
  });
  stream.Seek(0, soBeginning);
}

}  // namespace

// A new stream lives with the record it was made on, as long as the dataset keeps that
// record: the record being edited holds its handle, and a record the cache holds (read
// while browsing, filtering, fetching or computing) gets the handle in its cache slot
// too, so that reading it again finds the same stream and never makes another. A stream
// on a previous version, or on a record the cache does not hold, is the caller's alone.
Cardinal TFIBCustomDataSet::KeepBlobStream(TRecordBuffer record, const TField* field,
                                           const std::shared_ptr<TFIBBlobStream>& stream) {
  const TDataSetState state = State();
  const Integer index = RecordIndexOf(record);
  const bool editing = state == dsEdit || state == dsInsert || state == dsNewValue;
  // A new record's buffer (read for its calculated fields while inserting) names no
  // cached record, whatever index it carries.
  const bool cached = !editing && state != dsOldValue && index >= 0 && index < fFetchedCount &&
                      GetBookmarkFlag(record) == bfCurrent;
  if (!editing && !cached) return 0;
  const Cardinal handle = fBlobStreams.Add(stream);
  SetBlobHandle(record, field, handle);
  if (cached) {
    // Only the handle changes in the cache: whatever else the buffer holds stays its own.
    std::vector<Byte> stored(static_cast<std::size_t>(fRecordBufferSize));
    ReadRecordCache(index, stored.data(), false);
    SetBlobHandle(stored.data(), field, handle);
    WriteRecordCache(index, stored.data());
  }
  return handle;
}

std::unique_ptr<TStream> TFIBCustomDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  const bool clientBlob = IsClientBlobField(field);
  if (mode != bmRead && !clientBlob && !field->ReadOnly()) CheckEditState();
  TRecordBuffer record = StateRecord();
  const TFIBFieldDescr* descr = ColumnDescriptor(field);
  if (record == nullptr || descr == nullptr || !field->IsBlob())
    return std::make_unique<TFIBDSBlobStream>(*this, field, nullptr, mode);
  auto stream = RecordBlobStream(record, field);
  Cardinal handle = stream ? BlobHandle(record, field) : 0;
  const bool made = !stream;
  if (made) {
    ISC_QUAD blobID = ZeroBlobID;
    if (record[NullFlagsOffset + field->FieldNo() - 1] == 0)
      std::memcpy(&blobID, record + descr->Offset, sizeof blobID);
    if (!clientBlob && QuadsEqual(blobID, ZeroBlobID) && mode == bmRead)
      return std::make_unique<TFIBDSBlobStream>(*this, field, nullptr, mode);
    stream = std::make_shared<TFIBBlobStream>();
    if (clientBlob) {
      // What the application fills in is not the record's value: controls only show it.
      field->SetReadOnly(true);
      stream->SetClientBlob(true);
    } else {
      stream->SetDatabase(Database());
      stream->SetTransaction(Transaction());
      if (const TFIBXSQLVAR* column = ColumnOf(field)) stream->SetBlobSubType(column->GetSQLSubtype());
      stream->SetBlobID(blobID);
      stream->SetCacheKey(BlobCacheKeyOf(*this, field));
    }
    handle = KeepBlobStream(record, field, stream);
  }
  // A new mode loads the body again: only a read stream asked to write changes it.
  if (!clientBlob && mode != bmRead && stream->Mode() == bmRead) stream->SetMode(bmReadWrite);
  stream->SetUpdateTransaction(UpdateTransaction());
  if (made) {
    try {
      if (clientBlob && OnFillClientBlob)
        OnFillClientBlob(this, field, stream.get());
      else if (!clientBlob && fCachedUpdates && !QuadsEqual(stream->BlobID(), ZeroBlobID))
        LoadBlobAtOnce(*this, *stream);
    } catch (...) {
      // The next request makes the stream again rather than finding a half-filled one.
      if (handle != 0) fBlobStreams.Release(handle);
      throw;
    }
  }
  if (handle != 0)
    fBlobStreams.Touch(handle, fCacheModelOptions.BlobCacheLimit(),
                       [this](Cardinal other) { return BlobStreamPending(other); });
  return std::make_unique<TFIBDSBlobStream>(*this, field, std::move(stream), mode);
}

void TFIBCustomDataSet::BlobStreamWriting(TField* field) {
  if (IsClientBlobField(field)) return;
  if (State() != dsEdit && State() != dsInsert) FIBError(TFIBClientError::NotEditing);
  TRecordBuffer record = ActiveBuffer();
  record[NullFlagsOffset + field->FieldNo() - 1] = 0;
  if (CachedStatus(record) == cusUnmodified) SetCachedStatus(record, State() == dsInsert ? cusInserted : cusModified);
  if (auto* blobField = dynamic_cast<TBlobField*>(field)) blobField->SetModified(true);
  SetModified(true);
}

void TFIBCustomDataSet::BlobStreamClosed(TField* field) {
  auto* blobField = dynamic_cast<TBlobField*>(field);
  if (blobField != nullptr && !IsClientBlobField(field)) blobField->SetModified(true);
  DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field));
}

bool TFIBCustomDataSet::BlobFieldModified(TField* field) {
  if (!field->IsBlob()) return false;
  if (!fCachedUpdates) {
    auto* blobField = dynamic_cast<TBlobField*>(field);
    return blobField != nullptr && blobField->Modified() && (State() == dsEdit || State() == dsInsert);
  }
  const std::unique_ptr<TStream> stream = CreateBlobStream(field, bmRead);
  const auto& dsStream = static_cast<const TFIBDSBlobStream&>(*stream);
  return dsStream.Modified() || (dsStream.Blob() != nullptr && dsStream.Blob()->Modified());
}

// A pending body goes to the server first; the record then holds its new identifier.
void TFIBCustomDataSet::PostBlobStream(TRecordBuffer record, const TField* field, const TFIBFieldDescr& descr) {
  const auto stream = RecordBlobStream(record, field);
  if (!stream || stream->ClientBlob() || !stream->Modified()) return;
  stream->Post();
  const ISC_QUAD blobID = stream->BlobID();
  stream->SetBlobIDAndCache(blobID);
  std::memcpy(record + descr.Offset, &blobID, sizeof blobID);
  record[NullFlagsOffset + field->FieldNo() - 1] = 0;
}

}  // namespace ordvane
