#include "import/SMXLSRecords.h"

#include <algorithm>

namespace ordvane {

namespace {

constexpr std::size_t kChunkSize = std::size_t{64} * 1024;
constexpr std::size_t kHeaderSize = 4;

}  // namespace

AnsiString DamagedRecordMessage(Word recordId) {
  return Format("Excel record %.4x is damaged", {static_cast<int>(recordId)});
}

void RaiseDamagedRecord(Word recordId) {
  throw EXLSError(DamagedRecordMessage(recordId));
}

// ---- TBIFFData --------------------------------------------------------------------------

void TBIFFData::Damaged() const {
  RaiseDamagedRecord(fRecordId);
}

// ---- TBIFFRecordReader ------------------------------------------------------------------

TBIFFRecordReader::TBIFFRecordReader(TStream& stream, std::size_t maxDataLength)
    : fStream(stream), fMaxDataLength(std::min(maxDataLength, TByteArray().size())), fSize(stream.Size()),
      fChunk(kChunkSize) {
  static_assert(kChunkSize >= kHeaderSize + std::tuple_size_v<TByteArray>, "a record fits in one chunk");
  fStream.SetPosition(0);
}

void TBIFFRecordReader::Refill() {
  fChunkStart = fPosition;
  fChunkLength = 0;
  if (fStream.Seek(fPosition, soBeginning) != fPosition) return;
  while (fChunkLength < fChunk.size()) {
    const Int64 got =
        fStream.Read(fChunk.data() + fChunkLength, static_cast<Int64>(fChunk.size() - fChunkLength));
    if (got <= 0) break;
    fChunkLength += static_cast<std::size_t>(got);
  }
}

std::span<const Byte> TBIFFRecordReader::Take(std::size_t count) {
  // A record never straddles two chunks: one that the chunk ends inside is read again
  // from its start.
  if (fPosition < fChunkStart ||
      fPosition - fChunkStart + static_cast<Int64>(count) > static_cast<Int64>(fChunkLength)) {
    Refill();  // the chunk then starts at the position
    count = std::min(count, fChunkLength);
  }
  const std::size_t at = static_cast<std::size_t>(fPosition - fChunkStart);
  fPosition += static_cast<Int64>(count);
  return {fChunk.data() + at, count};
}

bool TBIFFRecordReader::Next() {
  if (fUnread) {
    fUnread = false;
    return true;
  }
  fRecordPosition = fPosition;
  const std::span<const Byte> header = Take(kHeaderSize);
  if (header.size() < kHeaderSize) {
    fPosition = fSize;
    return false;
  }
  fHeader = {static_cast<Word>(TByteCursor::Decode(header.first(2))),
             static_cast<Word>(TByteCursor::Decode(header.subspan(2)))};
  fSkipped = fHeader.Length > fMaxDataLength;
  // A record passed over must lie in the stream as well: a length running past its end is
  // damage, not the end of the workbook.
  bool whole;
  if (fSkipped) {
    whole = fSize - fPosition >= fHeader.Length;
    fPosition += whole ? fHeader.Length : 0;
    fData = {};
  } else {
    fData = Take(fHeader.Length);
    whole = fData.size() == fHeader.Length;
  }
  if (!whole)
    throw EXLSError(
        Format("Excel record %.4x runs past the end of the stream", {static_cast<int>(fHeader.RecordId)}));
  return true;
}

TByteArray& TBIFFRecordReader::Buffer() {
  if (fData.data() != fBuffer.data()) {
    std::copy(fData.begin(), fData.end(), fBuffer.begin());
    fData = {fBuffer.data(), fData.size()};
  }
  return fBuffer;
}

void TBIFFRecordReader::Seek(Int64 position) {
  fPosition = std::clamp<Int64>(position, 0, fSize);
  fUnread = false;
}

// ---- TBIFFContinuedRecord ---------------------------------------------------------------

TBIFFContinuedRecord::TBIFFContinuedRecord(TBIFFRecordReader& reader, std::size_t offset) {
  const auto append = [&](std::span<const Byte> bytes) {
    fBytes.insert(fBytes.end(), bytes.begin(), bytes.end());
    fEnds.push_back(fBytes.size());
  };
  const TBIFFData first = reader.Data();
  append(first.Bytes().subspan(std::min(offset, first.Size())));
  while (reader.Next()) {
    if (reader.Header().RecordId != BIFF_CONTINUE) {
      reader.Unread();
      break;
    }
    if (reader.Skipped()) RaiseDamagedRecord(BIFF_CONTINUE);
    append(reader.Data().Bytes());
  }
  std::size_t start = 0;
  for (const std::size_t end : fEnds) {
    fSegments.emplace_back(fBytes.data() + start, end - start);
    start = end;
  }
}

}  // namespace ordvane
