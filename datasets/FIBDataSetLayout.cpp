// TFIBCustomDataSet's record buffers, record layout and record cache: the buffer header,
// the offsets of each column's value, the cache and its records, and the previous
// version of a record.

#include <algorithm>
#include <cstring>

#include "datasets/FIBDataSet.h"
#include "datasets/FIBRecordValues.h"
#include "dbclient/FIBConvert.h"

namespace ordvane {

// ---- Record buffers ---------------------------------------------------------------------------

Integer TFIBCustomDataSet::ActiveRecordIndex() const {
  TRecordBuffer buffer = ActiveBuffer();
  return buffer == nullptr ? -1 : RecordIndexOf(buffer);
}

TRecordBuffer TFIBCustomDataSet::AllocRecordBuffer() {
  return new Byte[static_cast<std::size_t>(std::max(fRecordBufferSize, NullFlagsOffset))]();
}

void TFIBCustomDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  delete[] buffer;
  buffer = nullptr;
}

TBookmarkFlag TFIBCustomDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[BookmarkFlagOffset]);
}

void TFIBCustomDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  // An appended record that goes to the end stands after every fetched one (after the
  // window's records in the limited model).
  if (flag == bfEOF && buffer[BookmarkFlagOffset] == bfInserted)
    SetRecordIndex(buffer, LimitedModel() ? fWindow.Last + 1 : fFetchedCount);
  buffer[BookmarkFlagOffset] = static_cast<Byte>(flag);
}

void TFIBCustomDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  fCurrentRecord = RecordIndexOf(buffer);
}

// ---- Record layout and cache ----------------------------------------------------------------

TFIBCharKind TFIBCustomDataSet::CharKindOfColumn(int column) {
  for (int i = 0; i < FieldDefs().Count(); ++i) {
    const TFieldDef* def = FieldDefs().Items(i);
    if (def->FieldNo() != column + 1) continue;
    if (def->DataType() == ftWideString) return ckWide;
    if (def->DataType() == ftGuid) return ckGuid;
  }
  return ckAnsi;
}

void TFIBCustomDataSet::CalcRecordLayout() {
  TFIBXSQLDA& columns = fSelectQuery->Current();
  const Integer headerSize = columns.Count() + NullFlagsOffset;
  Integer bufferEnd = headerSize;
  Integer cachedSize = headerSize - StatusOffset;
  Integer slots = 0;
  fDescriptors.Clear();
  fParamPlans.clear();
  // The filter reads values at the places the old layout gave.
  if (fFilterParser) fFilterParser->ResetFields();
  fDescriptors.SetCapacity(columns.Count());
  for (int i = 0; i < columns.Count(); ++i) {
    const TFIBXSQLVAR& column = columns[i];
    const short type = LayoutType(column.GetSQLType());
    const Integer size = LayoutDataSize(type, column.GetSize());
    const TFIBCharKind charKind = CharKindOfColumn(i);
    const bool slot = IsTextType(type) && charKind != ckGuid && size > 12;
    const bool dbKey = IsDBKeyName(column.GetSqlName());
    TFIBFieldDescr& descr = fDescriptors.Add(type, column.GetSQLScale(), charKind, slot, dbKey, column.GetIsNullable(),
                                             static_cast<Word>(size));
    descr.IsBinary = dbKey || (IsTextType(type) && (column.GetSQLSubtype() & 0xFF) == CharSetOctets);
    if (slot) {
      descr.StringSlot = slots++;
      continue;
    }
    descr.Offset = bufferEnd;
    bufferEnd += size;
    cachedSize += size;
  }
  for (int i = 0; i < fDescriptors.GetCount(); ++i) {
    TFIBFieldDescr& descr = fDescriptors[i];
    if (!descr.IsStringSlot) continue;
    descr.Offset = bufferEnd;
    bufferEnd += descr.DataSize + 4;
  }
  fRecordSize = bufferEnd;
  fCachedRecordSize = cachedSize;
}

void TFIBCustomDataSet::CreateRecordCache() {
  CalcRecordLayout();
  fBlobStreamOffset = fRecordSize;
  fCalcFieldsOffset = fRecordSize + 4 * BlobFieldCount();
  fRecordBufferSize = fCalcFieldsOffset + CalcFieldsSize();
  fCachedRecordSize += 4 * BlobFieldCount();
  Integer cachedSize = fCachedRecordSize;
  Integer imageSize = fCalcFieldsOffset - StatusOffset;
  if (fOptions.Contains(poCacheCalcFields)) {
    cachedSize += CalcFieldsSize();
    imageSize += CalcFieldsSize();
  }
  Integer slotCount = 0;
  for (int i = 0; i < fDescriptors.GetCount(); ++i) slotCount += fDescriptors[i].IsStringSlot ? 1 : 0;
  fRecordsCache = std::make_unique<TRecordsCache>(fCacheModelOptions.BufferChunks(), imageSize, cachedSize, slotCount);
  fRecordsCache->SetLogMode(fCachedUpdates);
  for (int i = 0; i < fDescriptors.GetCount(); ++i) {
    const TFIBFieldDescr& descr = fDescriptors[i];
    if (descr.IsStringSlot)
      fRecordsCache->SetStringSlot(descr.StringSlot + 1, descr.Offset - StatusOffset, descr.DataSize, descr.IsBinary);
  }
  fNewRecordWriter.Prepare(fDescriptors.Items(), fSelectQuery->Current().AsXSQLDA());
  fScratchRecord.assign(static_cast<std::size_t>(fRecordBufferSize), 0);
  fFetchedCount = 0;
}

void TFIBCustomDataSet::FreeRecordCache() {
  fRecordsCache.reset();
  fScratchRecord.clear();
  fOldRecord.clear();
  fFetchedCount = 0;
}

Integer TFIBCustomDataSet::CacheRecordNo(Integer recordIndex) const {
  if (fCacheModelOptions.CacheModelKind() == cmkLimitedBufferSize || IsUniDirectional()) {
    const Integer chunks = std::max(1, fCacheModelOptions.BufferChunks());
    return recordIndex % chunks + 1;
  }
  return recordIndex + 1;
}

// The row over the record as the cache holds it, so that a statement that returns only
// some of the columns (a refresh) leaves the others as they were.
void TFIBCustomDataSet::StoreInScratch(TFIBQuery& statement, Integer recordNo) {
  Byte* record = fScratchRecord.data();
  fRecordsCache->ReadRecord(recordNo, record + StatusOffset, false);
  // A record fetched again starts without streams; a refresh keeps them.
  if (!fRefreshing) {
    ReleaseBlobStreams(record);
    std::fill(fScratchRecord.begin() + fBlobStreamOffset, fScratchRecord.begin() + fCalcFieldsOffset, Byte{0});
  }
  record[StatusOffset] = cusUnmodified;
  const bool fromSelect = &statement == fSelectQuery;
  TFIBXSQLDA& columns = statement.Current();
  for (int i = 0; i < columns.Count(); ++i) {
    const TFIBXSQLVAR& column = columns[i];
    const int fieldIndex = fromSelect ? i : fSelectQuery->FieldIndex(column.Name());
    if (fieldIndex < 0 || fieldIndex >= fDescriptors.GetCount()) continue;
    const TFIBFieldDescr& descr = fDescriptors[fieldIndex];
    CheckSlotInRecord(descr, NullFlagsOffset + fDescriptors.GetCount(), fRecordSize);
    const bool isNull = column.GetIsNull();
    record[NullFlagsOffset + fieldIndex] = isNull && descr.Nullable ? 1 : 0;
    if (isNull) {
      if (descr.IsStringSlot) StoreStringArea(record, descr, "", 0, false);
      if (!KeepsValueWhenNull(descr, *column.GetData())) continue;
    }
    const short sourceType = LayoutType(column.GetSQLType());
    const bool converted =
        !fromSelect && (sourceType != descr.SQLType || column.GetSQLScale() != descr.Scale ||
                        (IsTextType(descr.SQLType) && column.GetSize() != fSelectQuery->Current()[fieldIndex].GetSize()));
    StoreColumnValue(column, descr, converted, record);
  }
}

TRecordsCache& TFIBCustomDataSet::Cache(const char* operation) const {
  if (!fRecordsCache) FIBError(TFIBClientError::SQLClosed, {operation, FullComponentName(this)});
  return *fRecordsCache;
}

// A new record of the cache is zero bytes and empty strings, which is what the scratch
// record would read back, and has no streams to release: the select's row, whose columns
// are the record's in their order, goes straight into the cache's record. The row was just
// fetched, so its values are there, and a fetched column has no pending blob.
Byte* TFIBCustomDataSet::StoreNewSelectRow(TRecordsCache& cache, Integer recordNo) {
  Byte* stored = cache.AppendRecord(recordNo);
  stored[0] = cusUnmodified;
  if (const XSQLDA* row = fSelectQuery->Current().AsXSQLDA())
    fNewRecordWriter.Store(*row, stored, cache);
  return stored;
}

Byte* TFIBCustomDataSet::StoreRowInCache(TFIBQuery& statement, Integer recordIndex) {
  TRecordsCache& cache = Cache("fetch");
  const Integer recordNo = CacheRecordNo(recordIndex);
  if (&statement == fSelectQuery && !fRefreshing && recordNo == cache.RecordCount() + 1 &&
      statement.Current().Count() == fDescriptors.GetCount())
    return StoreNewSelectRow(cache, recordNo);
  cache.ReserveRecord(recordNo);
  StoreInScratch(statement, recordNo);
  SetRecordIndex(fScratchRecord.data(), recordIndex);
  cache.WriteRecord(recordNo, fScratchRecord.data() + StatusOffset, false);
  return nullptr;
}

void TFIBCustomDataSet::FetchCurrentRecordToBuffer(TFIBQuery& statement, Integer recordIndex) {
  StoreRowInCache(statement, recordIndex);
  FireAfterFetchRecord(statement, recordIndex);
}

void TFIBCustomDataSet::FireAfterFetchRecord(TFIBQuery& statement, Integer recordIndex) {
  if (!AfterFetchRecord) return;
  bool stop = false;
  AfterFetchRecord(&statement, recordIndex, stop);
  if (stop) {
    ++fFetchedCount;
    throw EAbort();
  }
}

void TFIBCustomDataSet::ReadRecordCache(Integer recordIndex, TRecordBuffer buffer, bool oldVersion) {
  TRecordsCache& cache = Cache("read a record");
  const Integer recordNo = CacheRecordNo(recordIndex);
  CheckRecordInCache(recordNo, cache.RecordCount());
  cache.ReadRecord(recordNo, buffer + StatusOffset, oldVersion);
  SetRecordIndex(buffer, recordIndex);
}

void TFIBCustomDataSet::WriteRecordCache(Integer recordIndex, TRecordBuffer buffer) {
  TRecordsCache& cache = Cache("write a record");
  // A record is written only once the cache holds it: never grown by a stray index.
  CheckRecordInCache(CacheRecordNo(recordIndex), cache.RecordCount());
  cache.WriteRecord(CacheRecordNo(recordIndex), buffer + StatusOffset, true);
}

void TFIBCustomDataSet::SaveOldVersion(TRecordBuffer buffer) {
  TRecordsCache& cache = Cache("keep a record");
  CheckRecordInCache(CacheRecordNo(RecordIndexOf(buffer)), cache.RecordCount());
  cache.SaveOldBuffer(cache.GetPhysicalNo(CacheRecordNo(RecordIndexOf(buffer))));
}

TRecordBuffer TFIBCustomDataSet::GetOldRecordBuffer(Integer recordIndex) {
  TRecordsCache& cache = Cache("read a record");
  if (recordIndex < 0) recordIndex = ActiveRecordIndex();
  const Integer physicalNo = cache.GetPhysicalNo(CacheRecordNo(recordIndex));
  const Byte* image = cache.GetOldBuffer(physicalNo < 1 ? cache.RecordCount() + 1 : physicalNo);
  fOldRecord.assign(static_cast<std::size_t>(fRecordBufferSize), 0);
  std::memcpy(fOldRecord.data() + StatusOffset, image, static_cast<std::size_t>(cache.FullBufferSize()));
  SetRecordIndex(fOldRecord.data(), recordIndex);
  return fOldRecord.data();
}

}  // namespace ordvane
