#include "dbclient/FIBBlobCache.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "classlib/core/FileUtils.h"
#include "classlib/core/StrUtils.h"
#include "dbclient/FIBDatabase.h"

namespace ordvane {

namespace {

constexpr std::size_t kSignatureLength = sizeof BlobCacheSignature - 1;
constexpr const char* kExtension = ".blb";

class TDescriptor {
 public:
  explicit TDescriptor(int fd = -1) : fFd(fd) {}
  ~TDescriptor() {
    if (fFd >= 0) close(fFd);
  }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  int Get() const { return fFd; }
  explicit operator bool() const { return fFd >= 0; }

 private:
  int fFd;
};

// A read-only stream over an open regular file; the validation walk opens files relative
// to their folder, so it cannot use a stream that opens by name.
class TDescriptorReadStream : public TStream {
 public:
  explicit TDescriptorReadStream(int fd) : fFd(fd) {}

  Int64 Read(void* buffer, Int64 count) override {
    Int64 done = 0;
    while (done < count) {
      const ssize_t n = pread(fFd, static_cast<char*>(buffer) + done, static_cast<std::size_t>(count - done),
                              static_cast<off_t>(fPosition + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += n;
    }
    fPosition += done;
    return done;
  }
  Int64 Write(const void*, Int64) override { return 0; }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override {
    const Int64 base = origin == soBeginning ? 0 : origin == soCurrent ? fPosition : Size();
    if (base + offset < 0) return -1;
    return fPosition = base + offset;
  }
  Int64 Size() override {
    struct stat info;
    return fstat(fFd, &info) == 0 ? info.st_size : 0;
  }
  void SetSize(Int64) override { throw EBlobCacheError("A blob cache file is read only here"); }

 private:
  int fFd;
  Int64 fPosition = 0;
};

[[noreturn]] void Damaged(const char* what) {
  throw EBlobCacheError(AnsiString("Blob cache file is damaged: ") + what);
}

void WriteInteger(TStream& stream, Integer value) {
  Byte bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<Byte>(static_cast<Cardinal>(value) >> (8 * i));
  stream.WriteBuffer(bytes, 4);
}

void WriteText(TStream& stream, const AnsiString& text) {
  WriteInteger(stream, static_cast<Integer>(text.size()));
  stream.WriteBuffer(text.data(), static_cast<Int64>(text.size()));
}

// The bytes from the stream's position to its end.
Int64 Remaining(TStream& stream) {
  return stream.Size() - stream.Position();
}

Integer ReadInteger(TStream& stream, const char* what) {
  Byte bytes[4];
  if (stream.Read(bytes, 4) != 4) Damaged(what);
  Cardinal value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<Cardinal>(bytes[i]) << (8 * i);
  return static_cast<Integer>(value);
}

// A length followed by that many bytes; the length is checked against what the stream
// still holds before anything is allocated.
AnsiString ReadText(TStream& stream, const char* what) {
  const Integer length = ReadInteger(stream, what);
  if (length < 0 || length > Remaining(stream)) Damaged(what);
  AnsiString text(static_cast<std::size_t>(length), '\0');
  if (stream.Read(text.data(), length) != length) Damaged(what);
  return text;
}

std::string SystemFolder(const AnsiString& folder) {
  return FileNameToSystem(IncludeTrailingPathDelimiter(folder));
}

// A real folder (not a link to one), made when missing and allowed.
bool EnsureFolder(std::string systemPath, bool create) {
  // With a trailing "/" the system would look through a link.
  while (systemPath.size() > 1 && systemPath.back() == '/') systemPath.pop_back();
  struct stat info;
  if (lstat(systemPath.c_str(), &info) != 0) {
    if (!create || errno != ENOENT || mkdir(systemPath.c_str(), 0700) != 0) return false;
    if (lstat(systemPath.c_str(), &info) != 0) return false;
  }
  return S_ISDIR(info.st_mode);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A name for the new file beside the target, unique in the process.
std::string TemporaryName(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  return target + ".tmp" + std::to_string(getpid()) + "." + std::to_string(counter++);
}

bool HasCacheExtension(const char* name) {
  const std::size_t length = std::strlen(name);
  return length >= 4 && strcasecmp(name + length - 4, kExtension) == 0;
}

// What the walk makes of one file: the blob id it holds, or nothing when it is damaged.
std::optional<ISC_QUAD> StoredBlobId(int folder, const char* name) {
  TDescriptor file(openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat info;
  if (!file || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  try {
    TDescriptorReadStream stream(file.Get());
    return ReadBlobCacheHeader(stream).BlobID;
  } catch (const Exception&) {
    return std::nullopt;
  }
}

void ValidateCacheFile(int folder, const char* name, const TBlobExistsFunc& blobExists) {
  std::optional<ISC_QUAD> stored;
  {
    std::lock_guard guard(BlobCacheLock());
    stored = StoredBlobId(folder, name);
    if (!stored) {
      unlinkat(folder, name, 0);
      return;
    }
  }
  // Asking the server may mean connecting first: the lock is not held meanwhile.
  bool exists = false;
  try {
    exists = blobExists(*stored);
  } catch (...) {
    exists = false;
  }
  if (exists) return;
  std::lock_guard guard(BlobCacheLock());
  std::optional<ISC_QUAD> now = StoredBlobId(folder, name);
  if (!now || QuadsEqual(*now, *stored)) unlinkat(folder, name, 0);
}

// The sub-folders that the walk enters: real folders only, not hidden ones.
bool IsWalkedFolder(int folder, const char* name) {
  if (name[0] == '.') return false;
  struct stat info;
  return fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode);
}

bool IsCacheFile(int folder, const char* name) {
  if (!HasCacheExtension(name)) return false;
  struct stat info;
  return fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using TDirHandle = std::unique_ptr<DIR, DirCloser>;

// Validates the files of an open folder and answers the names of its sub-folders.
std::vector<std::string> ValidateFolderFiles(DIR* dir, const TBlobExistsFunc& blobExists) {
  const int folder = dirfd(dir);
  std::vector<std::string> files, folders;
  while (dirent* entry = readdir(dir)) {
    if (IsCacheFile(folder, entry->d_name))
      files.emplace_back(entry->d_name);
    else if (IsWalkedFolder(folder, entry->d_name))
      folders.emplace_back(entry->d_name);
  }
  for (const std::string& file : files) ValidateCacheFile(folder, file.c_str(), blobExists);
  return folders;
}

// Opens a folder relative to an open one, never through a link; null when it cannot.
TDirHandle OpenFolder(int parent, const char* name, int flags) {
  const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags);
  if (fd < 0) return nullptr;
  TDirHandle dir(fdopendir(fd));
  if (!dir) close(fd);
  return dir;
}

}  // namespace

AnsiString BlobCacheKeyText(const std::vector<Variant>& keyValues) {
  AnsiString text;
  for (std::size_t i = 0; i < keyValues.size(); ++i) {
    if (i > 0) text += '_';
    text += VarToStr(keyValues[i]);
  }
  return text;
}

TBlobCacheHeader MakeBlobCacheHeader(const ISC_QUAD& blobId, Integer bodyLength, const AnsiString& tableName,
                                     const AnsiString& fieldName, const std::vector<Variant>& keyValues) {
  return {blobId,    bodyLength, static_cast<Integer>(keyValues.size()),
          tableName, fieldName,  BlobCacheKeyText(keyValues)};
}

AnsiString BlobCacheNameComponent(const AnsiString& text) {
  AnsiString name;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F || c == '%' || c == '/' || c == '\\' || (c == '.' && i == 0)) {
      name += "%" + IntToHex(Integer{c}, 2);
    } else {
      name += static_cast<char>(c);
    }
  }
  return name;
}

AnsiString BlobCacheFileName(const AnsiString& swapDir, const TBlobCacheHeader& header, bool createFolders) {
  if (swapDir.empty()) return "";
  // The swap folder is the user's choice and may be reached through a link; the folders
  // made from table and field names must be real ones inside it.
  const AnsiString root = IncludeTrailingPathDelimiter(swapDir);
  if (!DirectoryExists(root) && !(createFolders && ForceDirectories(root))) return "";
  const AnsiString table = root + BlobCacheNameComponent(header.TableName) + PathDelim;
  const AnsiString field = table + BlobCacheNameComponent(header.FieldName) + PathDelim;
  if (!EnsureFolder(FileNameToSystem(table), createFolders) ||
      !EnsureFolder(FileNameToSystem(field), createFolders))
    return "";
  return field + BlobCacheNameComponent(header.KeyText) + kExtension;
}

void WriteBlobCacheRecord(TStream& stream, const TBlobCacheHeader& header, const void* body) {
  stream.SetPosition(0);
  stream.WriteBuffer(BlobCacheSignature, kSignatureLength);
  WriteInteger(stream, BlobCacheVersion);
  WriteInteger(stream, static_cast<Integer>(header.BlobID.gds_quad_high));
  WriteInteger(stream, static_cast<Integer>(header.BlobID.gds_quad_low));
  WriteInteger(stream, header.BodyLength);
  WriteInteger(stream, header.KeyCount);
  WriteText(stream, header.TableName);
  WriteText(stream, header.FieldName);
  WriteText(stream, header.KeyText);
  stream.WriteBuffer(body, header.BodyLength);
}

TBlobCacheHeader ReadBlobCacheHeader(TStream& stream) {
  stream.SetPosition(0);
  char signature[kSignatureLength];
  if (stream.Read(signature, kSignatureLength) != static_cast<Int64>(kSignatureLength) ||
      std::memcmp(signature, BlobCacheSignature, kSignatureLength) != 0)
    Damaged("signature");
  if (ReadInteger(stream, "version") != BlobCacheVersion) Damaged("version");
  TBlobCacheHeader header;
  header.BlobID.gds_quad_high = ReadInteger(stream, "blob id");
  header.BlobID.gds_quad_low = static_cast<ISC_ULONG>(ReadInteger(stream, "blob id"));
  header.BodyLength = ReadInteger(stream, "body length");
  header.KeyCount = ReadInteger(stream, "key count");
  if (header.BodyLength < 0 || header.KeyCount < 0) Damaged("negative length");
  header.TableName = ReadText(stream, "table name");
  header.FieldName = ReadText(stream, "field name");
  header.KeyText = ReadText(stream, "key text");
  if (Remaining(stream) != header.BodyLength) Damaged("body length");
  return header;
}

std::optional<RawByteString> ReadBlobCacheBody(TStream& stream, const TBlobCacheHeader& expected) {
  TBlobCacheHeader stored;
  try {
    stored = ReadBlobCacheHeader(stream);
  } catch (const EBlobCacheError&) {
    return std::nullopt;
  }
  if (!BlobCacheHeaderMatches(stored, expected)) return std::nullopt;
  // The header checked that exactly this many bytes follow.
  RawByteString body(static_cast<std::size_t>(stored.BodyLength), '\0');
  if (stream.Read(body.data(), stored.BodyLength) != stored.BodyLength) return std::nullopt;
  return body;
}

bool BlobCacheHeaderMatches(const TBlobCacheHeader& stored, const TBlobCacheHeader& expected) {
  return QuadsEqual(stored.BlobID, expected.BlobID) && stored.BodyLength == expected.BodyLength &&
         stored.KeyCount == expected.KeyCount &&
         (stored.TableName.empty() || stored.TableName == expected.TableName) &&
         (stored.FieldName.empty() || stored.FieldName == expected.FieldName) &&
         stored.KeyText == expected.KeyText;
}

TCriticalSection& BlobCacheLock() {
  static TCriticalSection lock;
  return lock;
}

bool SaveBlobCacheFile(const AnsiString& fileName, const std::function<void(TStream&)>& writeRecord) {
  if (fileName.empty()) return false;
  TMemoryStream record;
  try {
    writeRecord(record);
  } catch (const std::exception&) {
    return false;
  }
  if (record.Size() == 0) return false;
  const std::string target = FileNameToSystem(fileName);
  const std::string temporary = TemporaryName(target);
  std::lock_guard guard(BlobCacheLock());
  bool written;
  {
    TDescriptor file(open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file) return false;
    written = WriteAll(file.Get(), reinterpret_cast<const char*>(record.Memory()),
                       static_cast<std::size_t>(record.Size()));
  }
  // rename replaces the old file, or a link in its place, without following it.
  if (written && rename(temporary.c_str(), target.c_str()) == 0) return true;
  unlink(temporary.c_str());
  return false;
}

bool SaveBlobCacheFile(const AnsiString& fileName, const TBlobCacheHeader& header, const void* body) {
  if (header.BodyLength <= 0) return false;
  return SaveBlobCacheFile(fileName, [&](TStream& record) { WriteBlobCacheRecord(record, header, body); });
}

bool ReadBlobCacheFile(const AnsiString& fileName, const std::function<bool(TStream&)>& readRecord) {
  if (fileName.empty()) return false;
  std::lock_guard guard(BlobCacheLock());
  TDescriptor file(open(FileNameToSystem(fileName).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat info;
  if (!file || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  try {
    TDescriptorReadStream stream(file.Get());
    return readRecord(stream);
  } catch (const std::exception&) {
    return false;  // damaged, or too large to hold
  }
}

std::optional<RawByteString> LoadBlobCacheFile(const AnsiString& fileName, const TBlobCacheHeader& expected) {
  if (fileName.empty()) return std::nullopt;
  std::optional<RawByteString> body;
  // One hold of the lock from the read to the deletion: no other thread's new file in
  // between is taken for the bad one.
  std::lock_guard guard(BlobCacheLock());
  const bool read = ReadBlobCacheFile(fileName, [&](TStream& stream) {
    body = ReadBlobCacheBody(stream, expected);
    return body.has_value();
  });
  if (!read) DeleteBlobCacheFile(fileName);
  return body;
}

bool DeleteBlobCacheFile(const AnsiString& fileName) {
  std::lock_guard guard(BlobCacheLock());
  return unlink(FileNameToSystem(fileName).c_str()) == 0;
}

void ValidateBlobCacheFolder(const AnsiString& folder, const TBlobExistsFunc& blobExists) {
  // Depth first without recursion. Each folder is opened relative to its open parent
  // and without following a link, so a folder renamed or replaced by a link meanwhile
  // never leads the walk outside; only the folders on the current path are held open.
  struct TLevel {
    TDirHandle dir;
    std::vector<std::string> folders;
  };
  std::vector<TLevel> path;
  if (TDirHandle root = OpenFolder(AT_FDCWD, SystemFolder(folder).c_str(), 0)) {
    std::vector<std::string> folders = ValidateFolderFiles(root.get(), blobExists);
    path.push_back({std::move(root), std::move(folders)});
  }
  while (!path.empty()) {
    TLevel& level = path.back();
    if (level.folders.empty()) {
      path.pop_back();
      continue;
    }
    const std::string name = std::move(level.folders.back());
    level.folders.pop_back();
    if (TDirHandle child = OpenFolder(dirfd(level.dir.get()), name.c_str(), O_NOFOLLOW)) {
      std::vector<std::string> folders = ValidateFolderFiles(child.get(), blobExists);
      path.push_back({std::move(child), std::move(folders)});
    }
  }
}

// ---- The validation thread ------------------------------------------------------------------

AnsiString BlobCacheValidationDBName(const AnsiString& dbName, bool remote) {
  // A plain path starts with "/"; anything else with a ":" names its server (host:path,
  // host/port:path, inet://host/path).
  const bool namesServer = !dbName.empty() && dbName[0] != '/' && dbName.find(':') != AnsiString::npos;
  return remote && !namesServer ? "localhost:" + dbName : dbName;
}

TValidateBlobCacheThread::TValidateBlobCacheThread(TFIBDatabase& database, const AnsiString& swapDir)
    : fDatabaseName(BlobCacheValidationDBName(database.DBName(), database.IsRemoteConnect())),
      fLibraryName(database.LibraryName()),
      fDBParams(database.DBParams().Text()),
      fSwapDir(swapDir) {}

TValidateBlobCacheThread::~TValidateBlobCacheThread() {
  TerminateAndWait();
}

void TValidateBlobCacheThread::Execute() {
  TFIBDatabase database(nullptr);
  database.SetName("dbValidateBlobCache");
  database.SetLibraryName(fLibraryName);
  database.SetDBName(fDatabaseName);
  database.DBParams().SetText(fDBParams);
  database.SetUseLoginPrompt(false);
  database.SetSynchronizeTime(false);
  TFIBTransaction transaction(nullptr);
  transaction.SetName("trValidateBlobCache");
  transaction.SetDefaultDatabase(&database);
  for (const char* line : {"read", "isc_tpb_nowait", "read_committed", "rec_version"})
    transaction.TRParams().Add(line);

  ValidateBlobCacheFolder(fSwapDir, [&](const ISC_QUAD& blobId) {
    if (!database.Connected()) database.Connect();
    if (!transaction.Active()) transaction.StartTransaction();
    return BlobExist(database.ClientLibrary(), database.DBHandle(), transaction.TRHandle(), blobId);
  });
  if (transaction.Active()) transaction.Commit();
}

std::unique_ptr<TValidateBlobCacheThread> StartBlobCacheValidation(TFIBDatabase& database) {
  const AnsiString swapDir = database.BlobSwapSupport().ExpandSwapDir();
  if (!database.Connected() || swapDir.empty() || !DirectoryExists(swapDir)) return nullptr;
  auto thread = std::make_unique<TValidateBlobCacheThread>(database, swapDir);
  thread->Start();
  return thread;
}

}  // namespace ordvane
