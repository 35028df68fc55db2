#pragma once
// A blob read and written as a stream. The whole body lives in memory: it is fetched from
// the server on first access, edited there, and written back as a new blob by Post. The
// committed body is kept aside on the first change, so Cancel can return to it and the
// old value stays readable.
//
// The stream refers to its database and transactions without owning them; whoever
// creates it keeps them alive while it is used.
//
// A stream that knows which record and column its blob belongs to (its cache key) takes
// part in the database's local blob cache while that is active: a load first asks the
// cache file of that record and column, and a body read from the server is written to
// it. The cache file names the blob id, so a stale file is never believed.

#include <ibase.h>

#include <optional>
#include <vector>

#include "classlib/core/Lists.h"
#include "classlib/core/Streams.h"
#include "classlib/core/Variants.h"
#include "classlib/db/DBTypes.h"
#include "dbclient/IB_Intf.h"

namespace ordvane {

class TFIBDatabase;
class TFIBTransaction;
struct TBlobCacheHeader;

inline constexpr ISC_QUAD ZeroBlobID{0, 0};
bool QuadsEqual(const ISC_QUAD& a, const ISC_QUAD& b);

// The record and column a blob belongs to, as the local blob cache names it. A key
// without a table or without key values caches nothing.
struct TBlobCacheKey {
  AnsiString TableName;
  AnsiString FieldName;
  std::vector<Variant> KeyValues;
  bool Usable() const { return !TableName.empty() && !KeyValues.empty(); }
};

class TFIBBlobStream : public TStream {
  ORDVANE_CLASS(TFIBBlobStream, TStream)

 public:
  // A plain stream: tag -1, no cache key, in no owner list.
  TFIBBlobStream() = default;
  // A stream of a record's column (the cache key of table, field and key values) that
  // appends itself to ownerList when one is given and keeps its slot there; the tag is
  // the creator's and only stored.
  TFIBBlobStream(Integer tag, std::vector<Variant> recordKeyValues, const AnsiString& fieldName,
                 const AnsiString& tableName, TList* ownerList);
  // Leaves the owner list: the list's last stream moves into the freed slot.
  ~TFIBBlobStream() override;
  TFIBBlobStream(const TFIBBlobStream&) = delete;
  TFIBBlobStream& operator=(const TFIBBlobStream&) = delete;

  Integer Tag() const { return fTag; }
  TList* OwnerList() const { return fOwnerList; }
  // The stream's slot in the owner list, -1 when it is in none.
  int IndexInOwnerList() const { return fIndexInOwnerList; }

  TFIBDatabase* Database() const { return fDatabase; }
  void SetDatabase(TFIBDatabase* value);
  TFIBTransaction* Transaction() const { return fTransaction; }
  void SetTransaction(TFIBTransaction* value);
  // Writes go through this transaction; none means the read transaction.
  TFIBTransaction* UpdateTransaction() const { return fUpdateTransaction; }
  void SetUpdateTransaction(TFIBTransaction* value) { fUpdateTransaction = value; }
  TBlobStreamMode Mode() const { return fMode; }
  void SetMode(TBlobStreamMode value);
  const ISC_QUAD& BlobID() const { return fBlobID; }
  void SetBlobID(const ISC_QUAD& value);
  Integer BlobSubType() const { return fBlobSubType; }
  void SetBlobSubType(Integer value) { fBlobSubType = value; }
  // The column's character set, for GetAsString; -1 when unknown.
  Integer CharSetID() const { return fCharSetID; }
  void SetCharSetID(Integer value) { fCharSetID = value; }
  // A blob filled by its owner, never loaded from the server; writable in read mode too.
  bool ClientBlob() const { return fClientBlob; }
  void SetClientBlob(bool value) { fClientBlob = value; }
  void SetCacheKey(TBlobCacheKey value) { fCacheKey = std::move(value); }

  // What the server reported when the blob was loaded.
  Integer NumSegments() const { return fNumSegments; }
  Integer MaxSegmentSize() const { return fMaxSegmentSize; }
  SmallInt BlobType() const { return fBlobType; }
  bool Modified() const { return fModified; }
  bool Loaded() const { return fLoaded; }

  // Reading in write mode raises client error 35. A position before the start or at the
  // end reads nothing.
  Int64 Read(void* buffer, Int64 count) override;
  // Writing in read mode raises client error 36, at a position before the start
  // EWriteError. Bytes skipped by a write past the end are zeros.
  Int64 Write(const void* buffer, Int64 count) override;
  // Any position may be set; there is no clamping.
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 Size() override;
  // The body becomes newSize bytes (zeros after the old end): a write, refused in read
  // mode as Write is, keeping the committed body aside.
  void SetSize(Int64 newSize) override;

  // Writes the body as a new server blob unless accept (which only makes the body the
  // committed one). Nothing happens in read mode, before the first access, or when
  // nothing changed unless force.
  void Finalize(bool accept, bool force);
  void Post();
  // Back to the committed body.
  void Cancel();
  // Empties the body; the next access loads again.
  void Clear();
  void FreeOldBuffer();
  // Empties the body, keeping the committed one aside; refused in read mode.
  void Truncate();
  // Stores the id the server gave the posted body and offers the body to the local blob
  // cache, which keeps nothing under a temporary id (first half zero).
  void SetBlobIDAndCache(const ISC_QUAD& value);
  // The committed body while a changed one exists, else the body itself.
  Int64 ReadOld(void* buffer, Int64 count);
  Int64 SeekOld(Int64 offset, TSeekOrigin origin);
  // The whole body as text; a text blob of a Unicode column on a Unicode connection is
  // decoded from UTF-8.
  AnsiString GetAsString();

  // The body on `stream` from its start (the body is loaded first; its position stays).
  // With a header, as the record of a cache file naming this blob and record, with the
  // body as the server keeps it: through the client-side filter of the sub-type, the
  // stream's own body unchanged. Without, the body alone. An empty body writes nothing.
  void WriteCacheFile(TStream& stream, bool withHeader);
  // With a header, the body from a cache-file record that names this blob id, the body's
  // present size (during a load, the server's length) and this record; false for a
  // damaged record or one of another body, which leave the body as it was. Without, the
  // whole of `stream` becomes the body: a change as Write makes one, refused in read
  // mode; false, the body unchanged, when the stream holds fewer bytes than it says.
  bool ReadCacheFile(TStream& stream, bool withHeader);
  // Writes the file in place of any old one through WriteCacheFile. False when nothing was
  // written: no table name, with a header no key values, an empty body, any failure.
  bool SaveCacheFile(const AnsiString& fileName, bool withHeader);
  // Reads the file through ReadCacheFile; false when there is no such file or the read
  // fails or raises.
  bool OpenCacheForRead(const AnsiString& fileName, bool withHeader);
  // The body last loaded came from a cache file.
  bool LoadedFromCache() const { return fLoadedFromCache; }

 private:
  void EnsureLoaded();
  void InitNewBlob();
  void LoadBlob();
  // The cache folder while the database's blob cache is active, else "".
  AnsiString CacheFolder() const;
  // The body from the record's cache file when one holds this blob at the server's size;
  // the name of the file it came from.
  std::optional<AnsiString> LoadFromCache(Int64 serverSize);
  // The cache header of this blob and record for a body of the given length.
  TBlobCacheHeader CacheHeader(Integer bodyLength) const;
  void SaveToCache();
  void SaveOldBuffer();
  // The body emptied and marked changed, the committed one kept aside.
  void EmptyBody();
  void CheckReadable() const;
  void CheckWritable() const;
  void CheckHandles(bool forWriting) const;
  TFIBTransaction* WriteTransaction() const;
  void CheckStatus(ISC_STATUS status);
  IIBClientLibrary& Library() const;

  Integer fTag = -1;
  TList* fOwnerList = nullptr;
  int fIndexInOwnerList = -1;
  TFIBDatabase* fDatabase = nullptr;
  TFIBTransaction* fTransaction = nullptr;
  TFIBTransaction* fUpdateTransaction = nullptr;
  ISC_QUAD fBlobID = ZeroBlobID;
  Integer fMaxSegmentSize = 0;
  Integer fNumSegments = 0;
  SmallInt fBlobType = 0;
  Integer fBlobSubType = 0;
  Integer fCharSetID = -1;
  std::vector<char> fBuffer;
  std::vector<char> fOldBuffer;
  bool fHasOldBuffer = false;
  bool fLoaded = false;
  TBlobStreamMode fMode = bmRead;
  bool fModified = false;
  Int64 fPosition = 0;
  bool fIsCommitted = true;
  bool fClientBlob = false;
  TBlobCacheKey fCacheKey;
  // The body last loaded came from a cache file: it is not written back to one.
  bool fLoadedFromCache = false;
};

// What isc_blob_info tells of an open blob.
struct TBlobInfo {
  Integer NumSegments = 0;
  Integer MaxSegmentSize = 0;
  Int64 TotalSize = 0;
  SmallInt BlobType = 0;
};
TBlobInfo GetBlobInfo(IIBClientLibrary& library, isc_blob_handle* blob);
// The rest of an open blob, however long: the buffer grows until the server reports the
// end (a conversion on the server may make the body longer than the blob's stated length).
// expectedSize is where the buffer starts.
std::vector<char> ReadBlob(IIBClientLibrary& library, isc_blob_handle* blob, Int64 expectedSize);
// Sends the bytes in segments of at most 65535 bytes.
void WriteBlob(IIBClientLibrary& library, isc_blob_handle* blob, const char* data, Int64 size);
// True when the blob opens in the transaction.
bool BlobExist(IIBClientLibrary& library, isc_db_handle* db, isc_tr_handle* tr, const ISC_QUAD& blobID);

// An open blob handle, closed (errors ignored) unless Close was called.
class TBlobHandle {
 public:
  explicit TBlobHandle(IIBClientLibrary& library) : fLibrary(library) {}
  ~TBlobHandle();
  TBlobHandle(const TBlobHandle&) = delete;
  TBlobHandle& operator=(const TBlobHandle&) = delete;
  isc_blob_handle* Get() { return &fHandle; }
  // The status of isc_close_blob.
  ISC_STATUS Close();

 private:
  IIBClientLibrary& fLibrary;
  isc_blob_handle fHandle = 0;
};

}  // namespace ordvane
