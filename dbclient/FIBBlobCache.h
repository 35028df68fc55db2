#pragma once
// The local blob cache: one file per blob body that a dataset field loaded, under the
// database's swap folder as <table>/<field>/<key text>.blb, so that a later load can take
// the body from the workstation instead of the server.
//
// File layout, integers 32-bit little-endian:
//   0  13  "FIB$BLOB_BODY" (no length, no terminator)
//  13   4  version, 1
//  17   8  blob id (the two 32-bit halves as the client holds them)
//  25   4  body length B
//  29   4  number K of record key values
//  33   4  table name length T, then T bytes
//   .   4  field name length F, then F bytes
//   .   4  key text length N, then N bytes (the key values as text joined by "_")
//   .   B  body
//
// A file is trusted only as far as it is checked: every stored length is compared with
// the bytes the file still holds before anything is allocated, and a file that is
// damaged, cut short or longer than its record is deleted. Every open, read, write and
// deletion of a cache file, by any thread, holds BlobCacheLock().

#include <ibase.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "classlib/core/Streams.h"
#include "classlib/core/SyncObjs.h"
#include "classlib/core/SysUtils.h"
#include "classlib/core/Threads.h"
#include "classlib/core/Variants.h"
#include "dbclient/FIBBlobStream.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(EBlobCacheError, Exception);

inline constexpr char BlobCacheSignature[] = "FIB$BLOB_BODY";
inline constexpr Integer BlobCacheVersion = 1;

// What a cache file records besides the body.
struct TBlobCacheHeader {
  ISC_QUAD BlobID{};
  Integer BodyLength = 0;
  Integer KeyCount = 0;
  AnsiString TableName;
  AnsiString FieldName;
  AnsiString KeyText;
};

// The key values as text (the class library's variant-to-text conversion) joined by "_";
// no values give "".
AnsiString BlobCacheKeyText(const std::vector<Variant>& keyValues);

// The header describing a body of `bodyLength` bytes of the given record and column.
TBlobCacheHeader MakeBlobCacheHeader(const ISC_QUAD& blobId, Integer bodyLength, const AnsiString& tableName,
                                     const AnsiString& fieldName, const std::vector<Variant>& keyValues);

// One name of the cache folder made from outside text: "%", "/", "\", control characters
// and a leading "." become "%" and two hexadecimal digits, so that the name stays one
// name inside its folder and two different texts never share a name.
AnsiString BlobCacheNameComponent(const AnsiString& text);

// swapDir + table + "/" + field + "/" + key text + ".blb", each part escaped. With
// createFolders the swap folder and the table and field folders are made as needed;
// without, they must exist. "" when a folder is missing, cannot be made, or is not a real
// folder (a symbolic link would lead out of the cache).
AnsiString BlobCacheFileName(const AnsiString& swapDir, const TBlobCacheHeader& header, bool createFolders);

// The format on any stream. Writing starts at position 0 and writes header and body.
void WriteBlobCacheRecord(TStream& stream, const TBlobCacheHeader& header, const void* body);
// Reads the header from position 0 and leaves the stream at the body, which is exactly
// BodyLength bytes to the end. A damaged record raises EBlobCacheError "Blob cache file
// is damaged: <what>".
TBlobCacheHeader ReadBlobCacheHeader(TStream& stream);
// The body of a record on the stream whose header matches `expected`; nothing when the
// record is damaged or describes another body.
std::optional<RawByteString> ReadBlobCacheBody(TStream& stream, const TBlobCacheHeader& expected);
// Whether a stored header describes the body that `expected` asks for: the same blob
// id, body length, key count and key text, and the same table and field names unless the
// stored ones are empty.
bool BlobCacheHeaderMatches(const TBlobCacheHeader& stored, const TBlobCacheHeader& expected);

// The process-wide lock of the cache files.
TCriticalSection& BlobCacheLock();

// Writes the file in place of any old one with what `writeRecord` puts on a stream (the
// new file appears whole or not at all). False when nothing was written: the routine
// wrote nothing or raised, or the file could not be made.
bool SaveBlobCacheFile(const AnsiString& fileName, const std::function<void(TStream&)>& writeRecord);
// The record of a header and a body; an empty body (which is never cached) writes no file.
bool SaveBlobCacheFile(const AnsiString& fileName, const TBlobCacheHeader& header, const void* body);
// Hands the file, under the lock, to `readRecord` as a stream; false when there is no
// such regular file (one reached through a link is not opened), or the routine answers
// false or raises.
bool ReadBlobCacheFile(const AnsiString& fileName, const std::function<bool(TStream&)>& readRecord);
// The body of a file whose header matches `expected`; nothing when there is no such
// file. A file that is damaged or does not match is deleted.
std::optional<RawByteString> LoadBlobCacheFile(const AnsiString& fileName, const TBlobCacheHeader& expected);
bool DeleteBlobCacheFile(const AnsiString& fileName);

// Whether the blob still exists on the server; raises when it cannot be asked.
using TBlobExistsFunc = std::function<bool(const ISC_QUAD& blobId)>;

// Checks every ".blb" file in the folder and below it: a file that is damaged, whose blob
// no longer exists, or whose check raises is deleted. Symbolic links are never followed,
// so the walk stays inside the folder. The lock is not held while blobExists runs; a file
// that another thread rewrote meanwhile is left alone.
void ValidateBlobCacheFolder(const AnsiString& folder, const TBlobExistsFunc& blobExists);

class TFIBDatabase;

// One walk of a database's blob cache folder (ValidateBlobCacheFolder), asking the server
// through a connection and a read-only transaction of its own, made on the walk's thread
// the first time a file needs an answer. The object is the owner of the thread: its
// destructor waits for the walk to end.
class TValidateBlobCacheThread : public TThread {
 public:
  // Takes, on the calling thread, what the connection needs from the connected database:
  // the name to attach to, the library and the parameter lines. Start runs the walk.
  TValidateBlobCacheThread(TFIBDatabase& database, const AnsiString& swapDir);
  ~TValidateBlobCacheThread() override;

  const AnsiString& DatabaseName() const { return fDatabaseName; }

 protected:
  void Execute() override;

 private:
  AnsiString fDatabaseName;
  AnsiString fLibraryName;
  AnsiString fDBParams;
  AnsiString fSwapDir;
};

// The name the walk attaches to: the database's own name, except that a database reached
// through a server under a plain path (no server part in its name) is named on
// "localhost:". The engine in this process serves its own threads, so a database it
// serves is attached to directly.
AnsiString BlobCacheValidationDBName(const AnsiString& dbName, bool remote);

// A running walk of the database's expanded swap folder; nothing when the database is not
// connected or the folder is not set or does not exist.
std::unique_ptr<TValidateBlobCacheThread> StartBlobCacheValidation(TFIBDatabase& database);

}  // namespace ordvane
