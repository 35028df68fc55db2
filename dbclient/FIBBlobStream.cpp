#include "dbclient/FIBBlobStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBBlobCache.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBInfo.h"
#include "dbclient/fib.h"

namespace ordvane {

namespace {

constexpr std::size_t kMaxSegment = 65535;
constexpr std::size_t kBlobInfoSize = 100;
// Blob parameter block that asks the server to convert a blob of a sub-type (byte 3)
// to text.
constexpr std::size_t kToTextBpbSubtypeIndex = 3;
constexpr char kToTextBpb[] = {isc_bpb_version1, isc_bpb_source_type, 1, 2, isc_bpb_target_type, 1, 1};

std::size_t ToSize(Int64 value) {
  if (value < 0 || static_cast<UInt64>(value) > std::numeric_limits<std::size_t>::max() / 2)
    FIBError(TFIBClientError::Unknown);
  return static_cast<std::size_t>(value);
}

}  // namespace

bool QuadsEqual(const ISC_QUAD& a, const ISC_QUAD& b) {
  return a.gds_quad_high == b.gds_quad_high && a.gds_quad_low == b.gds_quad_low;
}

// ---- Unit routines ------------------------------------------------------------------------

TBlobHandle::~TBlobHandle() {
  if (fHandle == 0) return;
  ISC_STATUS_ARRAY ignored;
  fLibrary.isc_close_blob(ignored, &fHandle);
}

ISC_STATUS TBlobHandle::Close() {
  const ISC_STATUS status = fLibrary.isc_close_blob(StatusVector(), &fHandle);
  if (status == 0) fHandle = 0;
  return status;
}

TBlobInfo GetBlobInfo(IIBClientLibrary& library, isc_blob_handle* blob) {
  const char items[] = {isc_info_blob_num_segments, isc_info_blob_max_segment, isc_info_blob_total_length,
                        isc_info_blob_type};
  const TInfoAnswer answer = AskInfo(kBlobInfoSize, [&](char* buffer, short length) {
    return library.isc_blob_info(StatusVector(), blob, sizeof items, items, length, buffer);
  });
  if (answer.status != 0) IBError(library, nullptr);
  TBlobInfo info;
  for (TInfoReader reader(library, answer.bytes); reader.Code() != isc_info_end;) {
    const auto item = reader.Next();
    const auto value = item ? reader.Integer(item->value) : std::nullopt;
    if (!value) break;
    switch (item->code) {
      case isc_info_blob_num_segments: info.NumSegments = static_cast<Integer>(*value); break;
      case isc_info_blob_max_segment: info.MaxSegmentSize = static_cast<Integer>(*value); break;
      case isc_info_blob_total_length: info.TotalSize = *value; break;
      case isc_info_blob_type: info.BlobType = static_cast<SmallInt>(*value); break;
      default: break;
    }
  }
  return info;
}

std::vector<char> ReadBlob(IIBClientLibrary& library, isc_blob_handle* blob, Int64 expectedSize) {
  std::vector<char> buffer(std::max<std::size_t>(ToSize(expectedSize), 1));
  std::size_t used = 0;
  for (;;) {
    if (used == buffer.size()) buffer.resize(buffer.size() * 2);
    const auto request = static_cast<unsigned short>(std::min(buffer.size() - used, kMaxSegment));
    unsigned short got = 0;
    const ISC_STATUS status = library.isc_get_segment(StatusVector(), blob, &got, request, buffer.data() + used);
    if (status == isc_segstr_eof) break;
    if (status != 0 && status != isc_segment) IBError(library, nullptr);
    used += got;
  }
  buffer.resize(used);
  return buffer;
}

void WriteBlob(IIBClientLibrary& library, isc_blob_handle* blob, const char* data, Int64 size) {
  std::size_t left = ToSize(size);
  while (left > 0) {
    const auto piece = static_cast<unsigned short>(std::min(left, kMaxSegment));
    if (library.isc_put_segment(StatusVector(), blob, piece, data) != 0) IBError(library, nullptr);
    data += piece;
    left -= piece;
  }
}

bool BlobExist(IIBClientLibrary& library, isc_db_handle* db, isc_tr_handle* tr, const ISC_QUAD& blobID) {
  TBlobHandle blob(library);
  ISC_QUAD id = blobID;
  if (library.isc_open_blob2(StatusVector(), db, tr, blob.Get(), &id, 0, nullptr) != 0) return false;
  return blob.Close() == 0;
}

// ---- TFIBBlobStream: construction --------------------------------------------------------------

TFIBBlobStream::TFIBBlobStream(Integer tag, std::vector<Variant> recordKeyValues, const AnsiString& fieldName,
                               const AnsiString& tableName, TList* ownerList)
    : fTag(tag), fCacheKey{tableName, fieldName, std::move(recordKeyValues)} {
  if (ownerList == nullptr) return;
  fIndexInOwnerList = ownerList->Add(this);
  fOwnerList = ownerList;
}

TFIBBlobStream::~TFIBBlobStream() {
  if (fOwnerList == nullptr) return;
  // Someone else may have rearranged the list: the slot is trusted only when it holds us.
  int index = fIndexInOwnerList;
  if (index < 0 || index >= fOwnerList->Count() || fOwnerList->Items(index) != this)
    index = fOwnerList->IndexOf(this);
  if (index < 0) return;
  const int last = fOwnerList->Count() - 1;
  if (index != last) {
    auto* moved = static_cast<TFIBBlobStream*>(fOwnerList->Items(last));
    fOwnerList->SetItems(index, moved);
    moved->fIndexInOwnerList = index;
  }
  fOwnerList->Delete(last);
}

// ---- TFIBBlobStream: properties ---------------------------------------------------------------

void TFIBBlobStream::SetDatabase(TFIBDatabase* value) {
  fDatabase = value;
  fLoaded = false;
}

void TFIBBlobStream::SetTransaction(TFIBTransaction* value) {
  fTransaction = value;
  fLoaded = false;
}

void TFIBBlobStream::SetMode(TBlobStreamMode value) {
  fMode = value;
  fLoaded = false;
}

void TFIBBlobStream::SetBlobID(const ISC_QUAD& value) {
  fBlobID = value;
  fLoaded = false;
}

// ---- TFIBBlobStream: checks ---------------------------------------------------------------

void TFIBBlobStream::CheckReadable() const {
  if (fMode == bmWrite) FIBError(TFIBClientError::BlobCannotBeRead);
}

void TFIBBlobStream::CheckWritable() const {
  if (fMode == bmRead && !fClientBlob) FIBError(TFIBClientError::BlobCannotBeWritten);
}

TFIBTransaction* TFIBBlobStream::WriteTransaction() const {
  return fUpdateTransaction != nullptr ? fUpdateTransaction : fTransaction;
}

void TFIBBlobStream::CheckHandles(bool forWriting) const {
  static const AnsiString operation = "BlobStream";
  if (fDatabase == nullptr) FIBError(TFIBClientError::DatabaseNotAssigned, {operation});
  if (!fDatabase->Connected()) FIBError(TFIBClientError::DatabaseClosed, {operation});
  const TFIBTransaction* transaction = forWriting ? WriteTransaction() : fTransaction;
  if (transaction == nullptr) FIBError(TFIBClientError::TransactionNotAssigned, {operation});
  if (!transaction->Active()) FIBError(TFIBClientError::NotInTransaction, {operation});
}

IIBClientLibrary& TFIBBlobStream::Library() const {
  return fDatabase->ClientLibrary();
}

void TFIBBlobStream::CheckStatus(ISC_STATUS status) {
  if (fTransaction != nullptr)
    fTransaction->Call(status, true);
  else if (status != 0)
    IBError(Library(), nullptr);
}

// ---- TFIBBlobStream: loading and writing back ---------------------------------------------

void TFIBBlobStream::EnsureLoaded() {
  if (fLoaded) return;
  // A body loaded or started again is read and written from its start.
  fPosition = 0;
  if (!fClientBlob) {
    if (fMode == bmWrite || (fMode == bmReadWrite && QuadsEqual(fBlobID, ZeroBlobID)))
      InitNewBlob();
    else
      LoadBlob();
  }
  fLoaded = true;
  SaveToCache();
}

void TFIBBlobStream::InitNewBlob() {
  CheckWritable();
  fBlobID = ZeroBlobID;
  EmptyBody();
}

void TFIBBlobStream::LoadBlob() {
  CheckReadable();
  CheckHandles(false);
  IIBClientLibrary& library = Library();
  TBlobHandle blob(library);
  char bpb[sizeof kToTextBpb];
  std::memcpy(bpb, kToTextBpb, sizeof bpb);
  const bool toText = fBlobSubType >= 2 && fDatabase->UseBlrToTextFilter();
  bpb[kToTextBpbSubtypeIndex] = static_cast<char>(fBlobSubType);
  CheckStatus(library.isc_open_blob2(StatusVector(), fDatabase->DBHandle(), fTransaction->TRHandle(), blob.Get(),
                                     &fBlobID, toText ? static_cast<unsigned short>(sizeof bpb) : 0,
                                     toText ? reinterpret_cast<const ISC_UCHAR*>(bpb) : nullptr));
  const TBlobInfo info = GetBlobInfo(library, blob.Get());
  fNumSegments = info.NumSegments;
  fMaxSegmentSize = info.MaxSegmentSize;
  fBlobType = info.BlobType;
  const std::optional<AnsiString> cacheFile = LoadFromCache(info.TotalSize);
  if (!cacheFile) {
    fBuffer = ReadBlob(library, blob.Get(), info.TotalSize);
    if (fDatabase->HasBlobFilter(fBlobSubType, true)) {
      RawByteString body(fBuffer.begin(), fBuffer.end());
      fDatabase->ApplyBlobFilter(fBlobSubType, body, true);
      fBuffer.assign(body.begin(), body.end());
    }
  }
  CheckStatus(blob.Close());
  fOldBuffer.clear();
  fHasOldBuffer = false;
  fIsCommitted = true;
  fModified = false;
  if (cacheFile && fDatabase->AfterLoadBlobFromSwap)
    fDatabase->AfterLoadBlobFromSwap(fCacheKey.TableName, fCacheKey.FieldName, fCacheKey.KeyValues,
                                     *cacheFile);
}

void TFIBBlobStream::Finalize(bool accept, bool force) {
  if (!fLoaded || fMode == bmRead) return;
  if (!fModified && !force) return;
  // The body is the stream's own now, whichever file it was first read from.
  fLoadedFromCache = false;
  if (accept) {
    fIsCommitted = true;
    fModified = false;
    return;
  }
  CheckHandles(true);
  IIBClientLibrary& library = Library();
  TBlobHandle blob(library);
  ISC_QUAD newID = ZeroBlobID;
  CheckStatus(library.isc_create_blob2(StatusVector(), fDatabase->DBHandle(), WriteTransaction()->TRHandle(),
                                       blob.Get(), &newID, 0, nullptr));
  if (fDatabase->HasBlobFilter(fBlobSubType, false)) {
    RawByteString body(fBuffer.begin(), fBuffer.end());
    fDatabase->ApplyBlobFilter(fBlobSubType, body, false);
    WriteBlob(library, blob.Get(), body.data(), static_cast<Int64>(body.size()));
  } else {
    WriteBlob(library, blob.Get(), fBuffer.data(), static_cast<Int64>(fBuffer.size()));
  }
  CheckStatus(blob.Close());
  fBlobID = newID;
}

void TFIBBlobStream::Post() {
  Finalize(false, false);
  Finalize(true, false);
}

// The id keeps the body loaded: it is the body's own id, not another blob's.
void TFIBBlobStream::SetBlobIDAndCache(const ISC_QUAD& value) {
  fBlobID = value;
  SaveToCache();
}

// ---- TFIBBlobStream: the local blob cache -------------------------------------------------

AnsiString TFIBBlobStream::CacheFolder() const {
  if (fDatabase == nullptr || fDatabase->ComponentState().Contains(csDesigning)) return AnsiString();
  return fDatabase->BlobSwapSupport().ExpandSwapDir();
}

TBlobCacheHeader TFIBBlobStream::CacheHeader(Integer bodyLength) const {
  return MakeBlobCacheHeader(fBlobID, bodyLength, fCacheKey.TableName, fCacheKey.FieldName,
                             fCacheKey.KeyValues);
}

// The file holds the body as the server keeps it: its length is the server's, and the
// client-side filter turns it into what a load from the server gives.
std::optional<AnsiString> TFIBBlobStream::LoadFromCache(Int64 serverSize) {
  fLoadedFromCache = false;
  const AnsiString folder = CacheFolder();
  if (folder.empty() || !fCacheKey.Usable() || serverSize <= 0 ||
      serverSize > std::numeric_limits<Integer>::max())
    return std::nullopt;
  AnsiString fileName = BlobCacheFileName(folder, CacheHeader(0), false);
  bool canLoad = true;
  if (fDatabase->BeforeLoadBlobFromSwap)
    fDatabase->BeforeLoadBlobFromSwap(fCacheKey.TableName, fCacheKey.FieldName, fCacheKey.KeyValues, fileName,
                                      canLoad);
  if (!canLoad || fileName.empty()) return std::nullopt;
  // The record must hold a body of the server's length.
  fBuffer.assign(ToSize(serverSize), '\0');
  // One hold of the lock from the read to the deletion of a bad file.
  std::lock_guard guard(BlobCacheLock());
  if (OpenCacheForRead(fileName, true)) return fileName;
  DeleteBlobCacheFile(fileName);
  return std::nullopt;
}

// A failed write leaves no file and no error. A new body has a temporary id until its
// record is read again, so only bodies loaded by a permanent id are kept.
void TFIBBlobStream::SaveToCache() {
  if (fLoadedFromCache || fClientBlob || !fCacheKey.Usable() || fBuffer.empty() || fBlobID.gds_quad_high == 0)
    return;
  const AnsiString folder = CacheFolder();
  if (folder.empty() || static_cast<Int64>(fBuffer.size()) < fDatabase->BlobSwapSupport().MinBlobSizeToSwap())
    return;
  AnsiString fileName = BlobCacheFileName(folder, CacheHeader(0), true);
  bool canSave = true;
  if (fDatabase->BeforeSaveBlobToSwap) {
    // The handler may read the stream; whoever is loading it reads on from where it was.
    const Int64 position = fPosition;
    fDatabase->BeforeSaveBlobToSwap(fCacheKey.TableName, fCacheKey.FieldName, fCacheKey.KeyValues, this,
                                    fileName, canSave);
    fPosition = position;
  }
  // Only a file really written is announced.
  if (!canSave || fileName.empty() || !SaveCacheFile(fileName, true)) return;
  if (fDatabase->AfterSaveBlobToSwap)
    fDatabase->AfterSaveBlobToSwap(fCacheKey.TableName, fCacheKey.FieldName, fCacheKey.KeyValues, fileName);
}

void TFIBBlobStream::WriteCacheFile(TStream& stream, bool withHeader) {
  CheckReadable();
  EnsureLoaded();
  stream.SetPosition(0);
  if (fBuffer.empty()) return;
  if (!withHeader) {
    stream.WriteBuffer(fBuffer.data(), static_cast<Int64>(fBuffer.size()));
    return;
  }
  RawByteString body(fBuffer.begin(), fBuffer.end());
  if (fDatabase != nullptr && fDatabase->HasBlobFilter(fBlobSubType, false))
    fDatabase->ApplyBlobFilter(fBlobSubType, body, false);
  if (body.size() > static_cast<std::size_t>(std::numeric_limits<Integer>::max()))
    throw EBlobCacheError("A blob body is too large for a cache file");
  WriteBlobCacheRecord(stream, CacheHeader(static_cast<Integer>(body.size())), body.data());
}

bool TFIBBlobStream::ReadCacheFile(TStream& stream, bool withHeader) {
  if (withHeader) {
    if (fBuffer.size() > static_cast<std::size_t>(std::numeric_limits<Integer>::max())) return false;
    std::optional<RawByteString> body =
        ReadBlobCacheBody(stream, CacheHeader(static_cast<Integer>(fBuffer.size())));
    if (!body) return false;
    if (fDatabase != nullptr && fDatabase->HasBlobFilter(fBlobSubType, true))
      fDatabase->ApplyBlobFilter(fBlobSubType, *body, true);
    fBuffer.assign(body->begin(), body->end());
    return true;
  }
  CheckWritable();
  EnsureLoaded();
  stream.SetPosition(0);
  std::vector<char> body(ToSize(stream.Size()));
  if (!body.empty() &&
      stream.Read(body.data(), static_cast<Int64>(body.size())) != static_cast<Int64>(body.size()))
    return false;
  if (fIsCommitted) SaveOldBuffer();
  fBuffer = std::move(body);
  fModified = true;
  return true;
}

bool TFIBBlobStream::SaveCacheFile(const AnsiString& fileName, bool withHeader) {
  if (fCacheKey.TableName.empty() || (withHeader && fCacheKey.KeyValues.empty())) return false;
  return SaveBlobCacheFile(fileName, [&](TStream& file) { WriteCacheFile(file, withHeader); });
}

bool TFIBBlobStream::OpenCacheForRead(const AnsiString& fileName, bool withHeader) {
  const bool read =
      ReadBlobCacheFile(fileName, [&](TStream& file) { return ReadCacheFile(file, withHeader); });
  fLoadedFromCache = withHeader && read;
  return read;
}

// ---- TFIBBlobStream: editing ----------------------------------------------------------------

// The committed body is kept aside and stays the stream's contents: a write in the middle
// of a loaded blob changes only the bytes it covers.
void TFIBBlobStream::SaveOldBuffer() {
  fOldBuffer = fBuffer;
  fHasOldBuffer = true;
  fIsCommitted = false;
}

Int64 TFIBBlobStream::Read(void* buffer, Int64 count) {
  CheckReadable();
  EnsureLoaded();
  const auto size = static_cast<Int64>(fBuffer.size());
  if (count < 1 || fPosition < 0 || fPosition >= size) return 0;
  const Int64 n = std::min(count, size - fPosition);
  std::memcpy(buffer, fBuffer.data() + fPosition, static_cast<std::size_t>(n));
  fPosition += n;
  return n;
}

Int64 TFIBBlobStream::Write(const void* buffer, Int64 count) {
  CheckWritable();
  EnsureLoaded();
  if (count >= 1 && fPosition < 0) throw EWriteError("Stream write error");
  if (fIsCommitted) SaveOldBuffer();
  if (count < 1) return count;
  const std::size_t end = ToSize(fPosition) + ToSize(count);
  if (end > fBuffer.size()) fBuffer.resize(end);
  std::memcpy(fBuffer.data() + fPosition, buffer, static_cast<std::size_t>(count));
  fPosition += count;
  fModified = true;
  return count;
}

Int64 TFIBBlobStream::Seek(Int64 offset, TSeekOrigin origin) {
  EnsureLoaded();
  switch (origin) {
    case soBeginning: fPosition = offset; break;
    case soCurrent: fPosition += offset; break;
    case soEnd: fPosition = static_cast<Int64>(fBuffer.size()) + offset; break;
  }
  return fPosition;
}

Int64 TFIBBlobStream::Size() {
  EnsureLoaded();
  return static_cast<Int64>(fBuffer.size());
}

// A write: the body is loaded first, so that a later load cannot undo the new size.
void TFIBBlobStream::SetSize(Int64 newSize) {
  CheckWritable();
  EnsureLoaded();
  const std::size_t size = ToSize(newSize);
  if (size == fBuffer.size()) return;
  if (fIsCommitted) SaveOldBuffer();
  fBuffer.resize(size);
  fModified = true;
}

// A write like SetSize: loaded first, so that the committed body is kept for Cancel and a
// later first access cannot bring the old body back.
void TFIBBlobStream::Truncate() {
  CheckWritable();
  EnsureLoaded();
  EmptyBody();
}

void TFIBBlobStream::EmptyBody() {
  fModified = true;
  if (fIsCommitted) SaveOldBuffer();
  fBuffer.clear();
}

void TFIBBlobStream::Cancel() {
  if (!fLoaded || !fModified) return;
  fBuffer = fOldBuffer;
  fModified = false;
  fIsCommitted = true;
  FreeOldBuffer();
}

void TFIBBlobStream::Clear() {
  FreeOldBuffer();
  if (!fBuffer.empty()) {
    fBuffer.clear();
    fLoaded = false;
  }
}

void TFIBBlobStream::FreeOldBuffer() {
  fOldBuffer.clear();
  fHasOldBuffer = false;
}

Int64 TFIBBlobStream::ReadOld(void* buffer, Int64 count) {
  if (!fHasOldBuffer) return Read(buffer, count);
  const Int64 n = std::clamp<Int64>(count, 0, static_cast<Int64>(fOldBuffer.size()));
  std::memcpy(buffer, fOldBuffer.data(), static_cast<std::size_t>(n));
  return n;
}

Int64 TFIBBlobStream::SeekOld(Int64 offset, TSeekOrigin origin) {
  if (!fHasOldBuffer) return Seek(offset, origin);
  return static_cast<Int64>(fOldBuffer.size());
}

AnsiString TFIBBlobStream::GetAsString() {
  CheckReadable();
  EnsureLoaded();
  AnsiString text(fBuffer.begin(), fBuffer.end());
  if (text.empty() || fBlobSubType != isc_blob_text || fDatabase == nullptr || !fDatabase->IsFB21UnicodeOrNone())
    return text;
  const bool unicodeColumn = fCharSetID >= 0 && fCharSetID < 256 && fDatabase->UnicodeCharSetIDs().contains(fCharSetID);
  if (unicodeColumn || fDatabase->IsUnicodeCharSet()) return Utf8ToAnsi(text);
  return text;
}

}  // namespace ordvane
