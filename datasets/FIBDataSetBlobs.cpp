#include "datasets/FIBDataSetBlobs.h"

#include <cstring>
#include <limits>

#include "classlib/core/DebugChecks.h"
#include "classlib/db/BinaryFields.h"
#include "datasets/FIBDataSet.h"
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
  if (mode == bmWrite) {
    // Loaded first: a body loaded after the truncation would come back.
    fBlob->Size();
    fBlob->Truncate();
  }
  fBlob->Seek(0, soBeginning);
}

TFIBDSBlobStream::~TFIBDSBlobStream() {
  if (!fModified) return;
  fModified = false;
  fDataSet.BlobStreamClosed(fField);
}

Int64 TFIBDSBlobStream::Read(void* buffer, Int64 count) {
  if (!fBlob) return 0;
  return fDataSet.State() == dsOldValue ? fBlob->ReadOld(buffer, count) : fBlob->Read(buffer, count);
}

Int64 TFIBDSBlobStream::Write(const void* buffer, Int64 count) {
  fDataSet.BlobStreamWriting(fField);
  fModified = true;
  return fBlob ? fBlob->Write(buffer, count) : 0;
}

Int64 TFIBDSBlobStream::Seek(Int64 offset, TSeekOrigin origin) {
  if (!fBlob) return 0;
  return fDataSet.State() == dsOldValue ? fBlob->SeekOld(offset, origin) : fBlob->Seek(offset, origin);
}

void TFIBDSBlobStream::SetSize(Int64 newSize) {
  if (fBlob) fBlob->SetSize(newSize);
}

// ---- The dataset's side ------------------------------------------------------------------------

namespace {

void CheckHandleSlot(const TField* field, Integer blobStreamOffset, Integer calcFieldsOffset) {
  ORDVANE_DEBUG_ASSERT(field->Offset() >= 0 && blobStreamOffset + 4 * (field->Offset() + 1) <= calcFieldsOffset,
                       "a blob field's stream handle lies within its record");
}

// Where the stream handle of the index-th blob field lies in a record.
std::ptrdiff_t HandleSlot(Integer blobStreamOffset, Integer index) {
  return blobStreamOffset + static_cast<std::ptrdiff_t>(sizeof(Cardinal)) * index;
}

}  // namespace

Cardinal TFIBCustomDataSet::BlobHandle(const Byte* record, const TField* field) const {
  CheckHandleSlot(field, fBlobStreamOffset, fCalcFieldsOffset);
  Cardinal handle;
  std::memcpy(&handle, record + HandleSlot(fBlobStreamOffset, field->Offset()), sizeof handle);
  return handle;
}

void TFIBCustomDataSet::SetBlobHandle(Byte* record, const TField* field, Cardinal handle) {
  CheckHandleSlot(field, fBlobStreamOffset, fCalcFieldsOffset);
  std::memcpy(record + HandleSlot(fBlobStreamOffset, field->Offset()), &handle, sizeof handle);
}

std::shared_ptr<TFIBBlobStream> TFIBCustomDataSet::RecordBlobStream(const Byte* record, const TField* field) const {
  return record == nullptr || !field->IsBlob() ? nullptr : fBlobStreams.Find(BlobHandle(record, field));
}

void TFIBCustomDataSet::ReleaseBlobStreams(const Byte* record) {
  if (fBlobStreamOffset <= 0) return;
  for (Integer i = 0; i < BlobFieldCount(); ++i) {
    Cardinal handle;
    std::memcpy(&handle, record + HandleSlot(fBlobStreamOffset, i), sizeof handle);
    if (handle != 0) fBlobStreams.Release(handle);
  }
}

// A stream with changes not yet on the server stays: its record is being edited, or its
// body was changed and not posted.
bool TFIBCustomDataSet::BlobStreamPending(Cardinal handle) {
  const auto stream = fBlobStreams.Find(handle);
  if (stream && stream->Modified()) return true;
  if ((State() != dsEdit && State() != dsInsert) || ActiveBuffer() == nullptr) return false;
  for (TField* field : Fields())
    if (field->IsBlob() && BlobHandle(ActiveBuffer(), field) == handle) return true;
  return false;
}

std::unique_ptr<TStream> TFIBCustomDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  if (mode != bmRead && !field->ReadOnly()) CheckEditState();
  TRecordBuffer record = StateRecord();
  const TFIBFieldDescr* descr = ColumnDescriptor(field);
  if (record == nullptr || descr == nullptr || !field->IsBlob())
    return std::make_unique<TFIBDSBlobStream>(*this, field, nullptr, mode);
  auto stream = RecordBlobStream(record, field);
  if (!stream) {
    ISC_QUAD blobID = ZeroBlobID;
    if (record[NullFlagsOffset + field->FieldNo() - 1] == 0)
      std::memcpy(&blobID, record + descr->Offset, sizeof blobID);
    if (QuadsEqual(blobID, ZeroBlobID) && mode == bmRead)
      return std::make_unique<TFIBDSBlobStream>(*this, field, nullptr, mode);
    stream = std::make_shared<TFIBBlobStream>();
    stream->SetDatabase(Database());
    stream->SetTransaction(Transaction());
    if (const TFIBXSQLVAR* column = ColumnOf(field)) stream->SetBlobSubType(column->GetSQLSubtype());
    stream->SetBlobID(blobID);
    SetBlobHandle(record, field, fBlobStreams.Add(stream));
    // The stream lives with the record in the cache.
    if (State() == dsBrowse) WriteRecordCache(RecordIndexOf(record), record);
  }
  // A new mode loads the body again: only a read stream asked to write changes it.
  if (mode != bmRead && stream->Mode() == bmRead) stream->SetMode(bmReadWrite);
  stream->SetUpdateTransaction(UpdateTransaction());
  fBlobStreams.Touch(BlobHandle(record, field), fCacheModelOptions.BlobCacheLimit(),
                     [this](Cardinal handle) { return BlobStreamPending(handle); });
  return std::make_unique<TFIBDSBlobStream>(*this, field, std::move(stream), mode);
}

void TFIBCustomDataSet::BlobStreamWriting(TField* field) {
  if (State() != dsEdit && State() != dsInsert) FIBError(TFIBClientError::NotEditing);
  TRecordBuffer record = ActiveBuffer();
  record[NullFlagsOffset + field->FieldNo() - 1] = 0;
  if (CachedStatus(record) == cusUnmodified) SetCachedStatus(record, State() == dsInsert ? cusInserted : cusModified);
  if (auto* blobField = dynamic_cast<TBlobField*>(field)) blobField->SetModified(true);
  SetModified(true);
}

void TFIBCustomDataSet::BlobStreamClosed(TField* field) {
  if (auto* blobField = dynamic_cast<TBlobField*>(field)) blobField->SetModified(true);
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
  if (!stream || !stream->Modified()) return;
  stream->Post();
  const ISC_QUAD blobID = stream->BlobID();
  std::memcpy(record + descr.Offset, &blobID, sizeof blobID);
  record[NullFlagsOffset + field->FieldNo() - 1] = 0;
}

}  // namespace ordvane
