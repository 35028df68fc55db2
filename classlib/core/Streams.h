#pragma once
// Streams of bytes: the abstract TStream, and streams over memory, a file and a string.

#include <memory>

#include "classlib/core/Objects.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };
constexpr TSeekOrigin soFromBeginning = soBeginning;
constexpr TSeekOrigin soFromCurrent = soCurrent;
constexpr TSeekOrigin soFromEnd = soEnd;

class TStream : public TObject {
  ORDVANE_CLASS(TStream, TObject)

 public:
  // Up to count bytes from the position; the number read (0 at the end, or for count <= 0).
  virtual Int64 Read(void* buffer, Int64 count) = 0;
  // The number of bytes written.
  virtual Int64 Write(const void* buffer, Int64 count) = 0;
  // Moves the position; the new position (-1 when the stream cannot move there).
  virtual Int64 Seek(Int64 offset, TSeekOrigin origin) = 0;
  virtual Int64 Size();
  virtual void SetSize(Int64 newSize) = 0;
  // Completes the writes made so far where an error still reaches the writer: a stream
  // that tells others of its writes tells them here. Nothing to do for plain streams.
  virtual void Flush() {}
  Int64 Position() { return Seek(0, soCurrent); }
  void SetPosition(Int64 position) { Seek(position, soBeginning); }

  // Exactly count bytes, or EReadError "Stream read error" / EWriteError
  // "Stream write error".
  void ReadBuffer(void* buffer, Int64 count);
  void WriteBuffer(const void* buffer, Int64 count);
  // Copies count bytes from source's position, or with count 0 the whole of source from
  // its start. The number of bytes copied; a short source raises EReadError.
  Int64 CopyFrom(TStream* source, Int64 count);
};

// Bytes in memory. The storage grows in steps (8192 bytes); bytes between the old end and
// a new one (a write past the end, a larger size) read as zeros.
class TMemoryStream : public TStream {
  ORDVANE_CLASS(TMemoryStream, TStream)

 public:
  TMemoryStream() = default;
  ~TMemoryStream() override = default;

  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  // Any position may be set, also past the end (a write there extends the stream) or
  // before the start (reads and writes there do nothing).
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 Size() override { return fSize; }
  void SetSize(Int64 newSize) override;

  Byte* Memory() const { return fMemory.get(); }
  Int64 Capacity() const { return fCapacity; }
  void Clear();

  // The whole of stream (from its start) replaces the contents.
  void LoadFromStream(TStream* stream);
  void SaveToStream(TStream* stream);
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName);

 protected:
  // Storage for a requested capacity: rounds a positive request that differs from the
  // size up to the growth step and calls ResizeMemory. A descendant with another step
  // rounds newCapacity its own way and calls ResizeMemory itself.
  virtual void Realloc(Int64& newCapacity);
  // Exactly capacity bytes of storage, keeping the contents that fit. Raises EStreamError
  // "Out of memory while expanding memory stream" when memory runs out.
  void ResizeMemory(Int64 capacity);
  static constexpr Int64 kMemoryDelta = 8192;

 private:
  void SetCapacity(Int64 capacity);

  std::unique_ptr<Byte[]> fMemory;
  Int64 fSize = 0;
  Int64 fPosition = 0;
  Int64 fCapacity = 0;
};

// File modes: fmCreate, or one of the open modes combined with a share mode. POSIX has no
// mandatory sharing, so share modes are accepted and not enforced.
constexpr Word fmCreate = 0xFFFF;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

// A file. fmCreate creates it (or empties an existing one); a file that cannot be created
// raises EFCreateError "Cannot create file "<full name>". <reason>", one that cannot be
// opened (a folder included) EFOpenError "Cannot open file "<full name>". <reason>".
class TFileStream : public TStream {
  ORDVANE_CLASS(TFileStream, TStream)

 public:
  TFileStream(const AnsiString& fileName, Word mode);
  ~TFileStream() override;

  const AnsiString& FileName() const { return fFileName; }

  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 Size() override;
  // Moves the position to newSize and ends the file there; EOSError on failure.
  void SetSize(Int64 newSize) override;

 private:
  AnsiString fFileName;
  int fHandle = -1;
};

// A stream over a string of bytes. Writing overwrites and extends; nothing after the
// written bytes is lost. The position stays within the string.
class TStringStream : public TStream {
  ORDVANE_CLASS(TStringStream, TStream)

 public:
  explicit TStringStream(AnsiString data = AnsiString()) : fData(std::move(data)) {}

  const AnsiString& DataString() const { return fData; }
  // Up to count bytes from the position as a string.
  AnsiString ReadString(Int64 count);
  void WriteString(const AnsiString& text) { Write(text.data(), static_cast<Int64>(text.size())); }

  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 Size() override { return static_cast<Int64>(fData.size()); }
  void SetSize(Int64 newSize) override;

 private:
  // How many of count bytes lie between the position and the end.
  Int64 Readable(Int64 count) const;

  AnsiString fData;
  Int64 fPosition = 0;
};

}  // namespace ordvane
