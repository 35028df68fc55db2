#pragma once
// The record layer of Excel workbooks (BIFF2 to BIFF8): records framed by a 4-byte header,
// read from a stream through a buffer, with little-endian fields that are checked against
// the record's length, and records that CONTINUE records carry on.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <span>
#include <vector>

#include "classlib/core/ByteCursor.h"
#include "classlib/core/Streams.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

// A malformed workbook.
ORDVANE_DECLARE_EXCEPTION(EXLSError, Exception);

constexpr Word BIFF_CONTINUE = 0x003C;
// The FONT and NAME records from Excel 3 on.
constexpr Word rtFont3 = 0x0231, rtName3 = 0x0218;

struct TBIFFRecordHeader {
  Word RecordId = 0;
  Word Length = 0;  // bytes of data after the header
};

// The buffer a record's data is read into, and that the raw record hook may change.
using TByteArray = std::array<Byte, 32768>;

// "Excel record <id> is damaged", the id in hexadecimal.
AnsiString DamagedRecordMessage(Word recordId);
[[noreturn]] void RaiseDamagedRecord(Word recordId);

// The data of one record. Every field read outside the record raises EXLSError
// "Excel record <id> is damaged", so a length in a field can never lead a read astray.
// A workbook is read a record at a time: the data is a view, made with no allocation.
class TBIFFData {
 public:
  TBIFFData(Word recordId, std::span<const Byte> bytes) : fRecordId(recordId), fBytes(bytes) {}

  Word RecordId() const { return fRecordId; }
  std::size_t Size() const { return fBytes.size(); }
  std::span<const Byte> Bytes() const { return fBytes; }

  Byte U8(std::size_t offset) const { return Slice(offset, 1)[0]; }
  Word U16(std::size_t offset) const { return static_cast<Word>(TByteCursor::Decode(Slice(offset, 2))); }
  Cardinal U32(std::size_t offset) const {
    return static_cast<Cardinal>(TByteCursor::Decode(Slice(offset, 4)));
  }
  double F64(std::size_t offset) const {
    return std::bit_cast<double>(TByteCursor::Decode(Slice(offset, 8)));
  }
  // count bytes from offset.
  std::span<const Byte> Slice(std::size_t offset, std::size_t count) const {
    if (offset > fBytes.size() || count > fBytes.size() - offset) Damaged();
    return fBytes.subspan(offset, count);
  }
  // Raises unless the record holds at least size bytes.
  void Require(std::size_t size) const { Slice(0, size); }
  [[noreturn]] void Damaged() const;

 private:
  Word fRecordId;
  std::span<const Byte> fBytes;
};

// Reads the records of a stream one after another through a buffer of its own, so that
// small records cost no call of the stream each. A record's data is read where the buffer
// holds it, not copied out.
class TBIFFRecordReader {
 public:
  // Data longer than maxDataLength (at most the buffer's size) is passed over unread.
  TBIFFRecordReader(TStream& stream, std::size_t maxDataLength);

  // Reads the next record. False when the stream holds no whole header any more; a
  // record whose data the stream cuts short (passed over or not) raises EXLSError.
  bool Next();
  // Has the next Next() deliver the current record once more.
  void Unread() { fUnread = true; }
  // From the next record on (at most the buffer's size).
  void SetMaxDataLength(std::size_t maxDataLength) { fMaxDataLength = std::min(maxDataLength, fBuffer.size()); }

  const TBIFFRecordHeader& Header() const { return fHeader; }
  // True when the record was longer than the limit and its data was passed over.
  bool Skipped() const { return fSkipped; }
  // The record's data (nothing when it was passed over), valid until the next record is
  // read.
  TBIFFData Data() const { return TBIFFData(fHeader.RecordId, fData); }
  // The record's data copied into a buffer that may be changed; Data() reads the buffer
  // from then on.
  TByteArray& Buffer();

  Int64 RecordPosition() const { return fRecordPosition; }  // of the current record's header
  Int64 Position() const { return fPosition; }              // of the next record
  Int64 Size() const { return fSize; }
  // The next record is read at position (within the stream).
  void Seek(Int64 position);

 private:
  // Up to count bytes (at most a chunk) from the position on, which moves past them; fewer
  // only where the stream ends first. The bytes stay valid until the next call.
  std::span<const Byte> Take(std::size_t count);
  // Fills the chunk from the position on.
  void Refill();

  TStream& fStream;
  std::size_t fMaxDataLength;
  Int64 fSize;
  Int64 fPosition = 0;
  Int64 fRecordPosition = 0;
  TBIFFRecordHeader fHeader;
  bool fSkipped = false;
  bool fUnread = false;
  std::span<const Byte> fData;  // in the chunk, or in fBuffer once it was asked for
  TByteArray fBuffer{};
  std::vector<Byte> fChunk;
  Int64 fChunkStart = 0;
  std::size_t fChunkLength = 0;
};

// A record with the CONTINUE records that follow it: the data of each, in order. Reading
// stops at the first other record, which the reader delivers next.
class TBIFFContinuedRecord {
 public:
  // The current record of the reader (its data from offset on) and its continuations.
  TBIFFContinuedRecord(TBIFFRecordReader& reader, std::size_t offset);
  const std::vector<std::span<const Byte>>& Segments() const { return fSegments; }

 private:
  // All the data in one block: a shared-string table of megabytes, kept as as many blocks
  // of 8 KB, would leave megabytes of freed heap among its texts, resident for the rest of
  // the load.
  std::vector<Byte> fBytes;
  std::vector<std::size_t> fEnds;  // of each record's data in fBytes
  std::vector<std::span<const Byte>> fSegments;
};

}  // namespace ordvane
