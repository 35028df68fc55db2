#pragma once
// Read-only access to compound files (structured storage): a small file system inside one
// file, made of storages (folders) and streams (files). Workbooks of Excel 5 and later,
// and their property sets and macro projects, are kept this way.
//
// Every structure of the file is checked before it is used: sector chains (range, cycles,
// length), sizes against the file, directory trees and names. Anything malformed raises
// ECompoundFileError; nothing loops or reads outside the file.
//
// Handles share the parsed file: a storage or a stream stays usable after the
// TCompoundFile it came from is gone.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "classlib/core/SysUtils.h"

namespace ordvane {

// A malformed compound file.
ORDVANE_DECLARE_EXCEPTION(ECompoundFileError, EReadError);

// The element types, with their numbers in the file's directory.
enum class TCompoundElementType : Byte { Storage = 1, Stream = 2 };

struct TCompoundElement {
  WideString Name;
  TCompoundElementType Type;
  UInt64 Size;  // bytes of a stream; 0 for a storage
};

class TCompoundDocument;  // the parsed file, shared by every handle

class TCompoundStream {
 public:
  UInt64 Size() const { return fSize; }
  UInt64 Position() const { return fPosition; }
  // A position past the end is allowed; reading there yields nothing.
  void SetPosition(UInt64 position) { fPosition = position; }
  // Reads up to count bytes at the position and advances it; answers the count read,
  // which is below count only at the end of the stream.
  std::size_t Read(void* buffer, std::size_t count);

 private:
  friend class TCompoundStorage;
  TCompoundStream(std::shared_ptr<const TCompoundDocument> document, std::vector<Cardinal> chain,
                  bool inMiniStream, UInt64 size);

  std::shared_ptr<const TCompoundDocument> fDocument;
  std::vector<Cardinal> fChain;  // the stream's sectors, or mini sectors, in order
  bool fInMiniStream;
  UInt64 fSize;
  UInt64 fPosition = 0;
};

class TCompoundStorage {
 public:
  const WideString& Name() const;
  // The storage's direct children in the file's directory order.
  std::vector<TCompoundElement> Elements() const;
  // Names are compared without regard to case, as the format orders them.
  std::optional<TCompoundElement> FindElement(const WideString& name) const;
  // Raise EFOpenError when the storage has no child of that name and type.
  TCompoundStorage OpenStorage(const WideString& name) const;
  TCompoundStream OpenStream(const WideString& name) const;

 private:
  friend class TCompoundFile;
  TCompoundStorage(std::shared_ptr<const TCompoundDocument> document, Cardinal entry)
      : fDocument(std::move(document)), fEntry(entry) {}
  Cardinal FindChild(const WideString& name, TCompoundElementType type) const;

  std::shared_ptr<const TCompoundDocument> fDocument;
  Cardinal fEntry;  // directory entry of this storage
};

class TCompoundFile {
 public:
  // Signature test: whether the data or the file begins as a compound file does. A file
  // that cannot be read is not one.
  static bool HasSignature(const void* data, std::size_t size);
  static bool IsCompoundFile(const std::string& fileName);

  // Raise EFOpenError when the file cannot be opened, ECompoundFileError when it is not a
  // well-formed compound file.
  static TCompoundFile OpenFile(const std::string& fileName);
  static TCompoundFile OpenMemory(std::vector<Byte> data);
  static TCompoundFile OpenMemory(const void* data, std::size_t size);

  TCompoundStorage Root() const;
  // 512 or 4096.
  unsigned SectorSize() const;

 private:
  explicit TCompoundFile(std::shared_ptr<const TCompoundDocument> document)
      : fDocument(std::move(document)) {}
  std::shared_ptr<const TCompoundDocument> fDocument;
};

}  // namespace ordvane
