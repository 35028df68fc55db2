#include "classlib/core/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "classlib/core/FileUtils.h"
#include "classlib/core/OSError.h"

namespace ordvane {

namespace {

constexpr Int64 kInt64Max = std::numeric_limits<Int64>::max();
constexpr Int64 kCopyChunk = 0xF000;

// a + b without overflow, held at the limits of Int64.
Int64 SaturatedAdd(Int64 a, Int64 b) {
  Int64 sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? kInt64Max : std::numeric_limits<Int64>::min();
}

// Position after a seek of a stream whose current position and size are given.
Int64 SeekTarget(Int64 offset, TSeekOrigin origin, Int64 position, Int64 size) {
  switch (origin) {
    case soCurrent:
      return SaturatedAdd(position, offset);
    case soEnd:
      return SaturatedAdd(size, offset);
    default:
      return offset;
  }
}

}  // namespace

// ---- TStream ----------------------------------------------------------------------------

Int64 TStream::Size() {
  const Int64 position = Seek(0, soCurrent);
  const Int64 size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, Int64 count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, Int64 count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

Int64 TStream::CopyFrom(TStream* source, Int64 count) {
  if (count == 0) {
    source->SetPosition(0);
    count = source->Size();
  }
  if (count <= 0) return 0;
  std::unique_ptr<Byte[]> buffer(new Byte[static_cast<std::size_t>(std::min(count, kCopyChunk))]);
  for (Int64 left = count; left > 0;) {
    const Int64 chunk = std::min(left, kCopyChunk);
    source->ReadBuffer(buffer.get(), chunk);
    WriteBuffer(buffer.get(), chunk);
    left -= chunk;
  }
  return count;
}

// ---- TMemoryStream ----------------------------------------------------------------------

Int64 TMemoryStream::Read(void* buffer, Int64 count) {
  if (fPosition < 0 || count <= 0 || fPosition >= fSize) return 0;
  const Int64 available = std::min(count, fSize - fPosition);
  std::memcpy(buffer, fMemory.get() + fPosition, static_cast<std::size_t>(available));
  fPosition += available;
  return available;
}

Int64 TMemoryStream::Write(const void* buffer, Int64 count) {
  if (fPosition < 0 || count <= 0) return 0;
  if (count > kInt64Max - fPosition) throw EStreamError("Out of memory while expanding memory stream");
  const Int64 end = fPosition + count;
  std::unique_ptr<Byte[]> ownBytes;  // the stream's own bytes, saved before the storage moves
  if (end > fSize) {
    if (end > fCapacity) {
      const auto* source = static_cast<const Byte*>(buffer);
      if (fMemory && source >= fMemory.get() && source < fMemory.get() + fCapacity) {
        ownBytes.reset(new Byte[static_cast<std::size_t>(count)]);
        std::memcpy(ownBytes.get(), source, static_cast<std::size_t>(count));
        buffer = ownBytes.get();
      }
      SetCapacity(end);
    }
    if (fPosition > fSize) std::memset(fMemory.get() + fSize, 0, static_cast<std::size_t>(fPosition - fSize));
    fSize = end;
  }
  std::memmove(fMemory.get() + fPosition, buffer, static_cast<std::size_t>(count));
  fPosition = end;
  return count;
}

Int64 TMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
  fPosition = SeekTarget(offset, origin, fPosition, fSize);
  return fPosition;
}

void TMemoryStream::SetSize(Int64 newSize) {
  if (newSize < 0) newSize = 0;
  const Int64 oldSize = fSize;
  SetCapacity(newSize);
  if (newSize > oldSize) std::memset(fMemory.get() + oldSize, 0, static_cast<std::size_t>(newSize - oldSize));
  fSize = newSize;
  if (fPosition > newSize) fPosition = newSize;
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  fSize = 0;
  fPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
  if (stream == this) return;
  stream->SetPosition(0);
  const Int64 count = stream->Size();
  SetSize(count);
  stream->ReadBuffer(fMemory.get(), count);
}

void TMemoryStream::SaveToStream(TStream* stream) {
  stream->WriteBuffer(fMemory.get(), fSize);
}

void TMemoryStream::LoadFromFile(const AnsiString& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TMemoryStream::SaveToFile(const AnsiString& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

void TMemoryStream::Realloc(Int64& newCapacity) {
  if (newCapacity > 0 && newCapacity != fSize) {
    if (newCapacity > kInt64Max - kMemoryDelta)
      throw EStreamError("Out of memory while expanding memory stream");
    newCapacity = (newCapacity + kMemoryDelta - 1) / kMemoryDelta * kMemoryDelta;
  }
  ResizeMemory(newCapacity);
}

void TMemoryStream::ResizeMemory(Int64 capacity) {
  if (capacity == fCapacity) return;
  if (capacity <= 0) {
    fMemory.reset();
    fCapacity = 0;
    return;
  }
  std::unique_ptr<Byte[]> memory;
  if (static_cast<UInt64>(capacity) <= std::numeric_limits<std::size_t>::max())
    memory.reset(new (std::nothrow) Byte[static_cast<std::size_t>(capacity)]);
  if (!memory) throw EStreamError("Out of memory while expanding memory stream");
  if (fMemory)
    std::memcpy(memory.get(), fMemory.get(),
                static_cast<std::size_t>(std::min({fSize, fCapacity, capacity})));
  fMemory = std::move(memory);
  fCapacity = capacity;
}

void TMemoryStream::SetCapacity(Int64 capacity) {
  Realloc(capacity);
}

// ---- TFileStream ------------------------------------------------------------------------

TFileStream::TFileStream(const AnsiString& fileName, Word mode) : fFileName(fileName) {
  const std::string systemName = FileNameToSystem(fileName);
  if (mode == fmCreate) {
    fHandle = open(systemName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fHandle < 0)
      throw EFCreateError(
          Format("Cannot create file \"%s\". %s", {ExpandFileName(fileName), SysErrorMessage(errno)}));
    return;
  }
  static constexpr int kAccess[] = {O_RDONLY, O_WRONLY, O_RDWR};
  const unsigned access = mode & 3u;
  int error = EINVAL;
  if (access < 3) {
    fHandle = open(systemName.c_str(), kAccess[access] | O_CLOEXEC);
    error = errno;
    struct stat info;
    if (fHandle >= 0 && fstat(fHandle, &info) == 0 && S_ISDIR(info.st_mode)) {
      close(fHandle);
      fHandle = -1;
      error = EISDIR;
    }
  }
  if (fHandle < 0)
    throw EFOpenError(
        Format("Cannot open file \"%s\". %s", {ExpandFileName(fileName), SysErrorMessage(error)}));
}

TFileStream::~TFileStream() {
  if (fHandle >= 0) close(fHandle);
}

Int64 TFileStream::Read(void* buffer, Int64 count) {
  Int64 done = 0;
  while (done < count) {
    const auto chunk = static_cast<std::size_t>(std::min<Int64>(count - done, 1 << 30));
    const ssize_t n = read(fHandle, static_cast<Byte*>(buffer) + done, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

Int64 TFileStream::Write(const void* buffer, Int64 count) {
  Int64 done = 0;
  while (done < count) {
    const auto chunk = static_cast<std::size_t>(std::min<Int64>(count - done, 1 << 30));
    const ssize_t n = write(fHandle, static_cast<const Byte*>(buffer) + done, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

Int64 TFileStream::Seek(Int64 offset, TSeekOrigin origin) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  return lseek(fHandle, offset, kWhence[origin]);
}

Int64 TFileStream::Size() {
  struct stat info;
  return fstat(fHandle, &info) == 0 ? static_cast<Int64>(info.st_size) : -1;
}

void TFileStream::SetSize(Int64 newSize) {
  if (Seek(newSize, soBeginning) < 0 || ftruncate(fHandle, newSize) != 0) RaiseLastOSError(errno);
}

// ---- TStringStream ----------------------------------------------------------------------

Int64 TStringStream::Readable(Int64 count) const {
  return std::max<Int64>(0, std::min(count, static_cast<Int64>(fData.size()) - fPosition));
}

AnsiString TStringStream::ReadString(Int64 count) {
  AnsiString out(static_cast<std::size_t>(Readable(count)), '\0');
  Read(out.data(), static_cast<Int64>(out.size()));
  return out;
}

Int64 TStringStream::Read(void* buffer, Int64 count) {
  const Int64 available = Readable(count);
  if (available == 0) return 0;
  std::memcpy(buffer, fData.data() + fPosition, static_cast<std::size_t>(available));
  fPosition += available;
  return available;
}

Int64 TStringStream::Write(const void* buffer, Int64 count) {
  if (count <= 0) return 0;
  const auto position = static_cast<std::size_t>(fPosition);
  const auto length = static_cast<std::size_t>(count);
  if (position + length > fData.size()) fData.resize(position + length);
  fData.replace(position, length, static_cast<const char*>(buffer), length);
  fPosition += count;
  return count;
}

Int64 TStringStream::Seek(Int64 offset, TSeekOrigin origin) {
  fPosition = std::clamp<Int64>(SeekTarget(offset, origin, fPosition, Size()), 0, Size());
  return fPosition;
}

void TStringStream::SetSize(Int64 newSize) {
  fData.resize(static_cast<std::size_t>(std::max<Int64>(newSize, 0)));
  fPosition = std::min(fPosition, Size());
}

}  // namespace ordvane
