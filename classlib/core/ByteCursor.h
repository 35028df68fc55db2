#pragma once
// Little-endian reading of bytes held in memory, for the readers of file formats. Every
// read is checked against the end of the bytes: a read that would pass it calls the
// reader's overrun handler, which raises that reader's own error, so that a length or
// offset taken from a file can never lead a read beyond what was given.

#include <bit>
#include <cstddef>
#include <functional>
#include <span>

#include "classlib/core/System.h"

namespace ordvane {

class TByteCursor {
 public:
  // Raises the reader's error and does not return. Where no handler is given (the bytes
  // were sized by the reader itself) or the handler returns, an overrun is a programming
  // error: the cursor throws std::logic_error.
  using TOverrun = std::function<void()>;

  TByteCursor(std::span<const Byte> bytes, TOverrun overrun) : fBytes(bytes), fOverrun(std::move(overrun)) {}

  std::size_t Size() const { return fBytes.size(); }
  std::span<const Byte> Bytes() const { return fBytes; }
  // Whether count bytes from offset lie inside; never overflows.
  bool Holds(UInt64 offset, UInt64 count) const { return offset <= fBytes.size() && count <= fBytes.size() - offset; }

  // At an offset from the start; the position does not move.
  std::span<const Byte> SliceAt(UInt64 offset, UInt64 count) const {
    if (!Holds(offset, count)) Overrun();
    return fBytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
  }
  Byte U8At(UInt64 offset) const { return SliceAt(offset, 1)[0]; }
  Word U16At(UInt64 offset) const { return static_cast<Word>(Decode(SliceAt(offset, 2))); }
  Cardinal U32At(UInt64 offset) const { return static_cast<Cardinal>(Decode(SliceAt(offset, 4))); }
  UInt64 U64At(UInt64 offset) const { return Decode(SliceAt(offset, 8)); }
  double F64At(UInt64 offset) const { return std::bit_cast<double>(U64At(offset)); }

  // From the position on, which moves past what was read.
  std::size_t Position() const { return fPosition; }
  std::size_t Remaining() const { return fBytes.size() - fPosition; }
  void Seek(UInt64 position) {
    if (position > fBytes.size()) Overrun();
    fPosition = static_cast<std::size_t>(position);
  }
  void Skip(UInt64 count) { Read(count); }
  std::span<const Byte> Read(UInt64 count) {
    const std::span<const Byte> bytes = SliceAt(fPosition, count);
    fPosition += bytes.size();
    return bytes;
  }
  Byte U8() { return Read(1)[0]; }
  Word U16() { return static_cast<Word>(Decode(Read(2))); }
  Cardinal U32() { return static_cast<Cardinal>(Decode(Read(4))); }
  UInt64 U64() { return Decode(Read(8)); }

  // Up to eight bytes as a little-endian number.
  static UInt64 Decode(std::span<const Byte> bytes) {
    UInt64 value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) value = value << 8 | bytes[i];
    return value;
  }

 private:
  [[noreturn]] void Overrun() const;

  std::span<const Byte> fBytes;
  TOverrun fOverrun;
  std::size_t fPosition = 0;
};

}  // namespace ordvane
