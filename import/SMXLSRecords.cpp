#include "import/SMXLSRecords.h"

#include <algorithm>
#include <cstring>

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
  fStream.SetPosition(0);
}

std::size_t TBIFFRecordReader::Take(Byte* target, std::size_t count) {
  std::size_t done = 0;
  while (done < count && fPosition < fSize) {
    if (fPosition < fChunkStart || fPosition >= fChunkStart + static_cast<Int64>(fChunkLength)) {
      if (!target && count - done >= kChunkSize) {
        // Passing over a long stretch needs no bytes of it.
        const Int64 step = std::min<Int64>(static_cast<Int64>(count - done), fSize - fPosition);
        fPosition += step;
        done += static_cast<std::size_t>(step);
        continue;
      }
      fChunkStart = fPosition;
      fChunkLength = 0;
      if (fStream.Seek(fPosition, soBeginning) != fPosition) break;
      const Int64 got = fStream.Read(fChunk.data(), static_cast<Int64>(fChunk.size()));
      if (got <= 0) break;
      fChunkLength = static_cast<std::size_t>(got);
    }
    const std::size_t at = static_cast<std::size_t>(fPosition - fChunkStart);
    const std::size_t step = std::min(count - done, fChunkLength - at);
    if (target) std::memcpy(target + done, fChunk.data() + at, step);
    done += step;
    fPosition += static_cast<Int64>(step);
  }
  return done;
}

bool TBIFFRecordReader::Next() {
  if (fUnread) {
    fUnread = false;
    return true;
  }
  fRecordPosition = fPosition;
  Byte header[kHeaderSize];
  if (Take(header, kHeaderSize) < kHeaderSize) {
    fPosition = fSize;
    return false;
  }
  const TByteCursor fields(header, {});
  fHeader = {fields.U16At(0), fields.U16At(2)};
  fSkipped = fHeader.Length > fMaxDataLength;
  // A record passed over must lie in the stream as well: a length running past its end is
  // damage, not the end of the workbook.
  if (Take(fSkipped ? nullptr : fBuffer.data(), fHeader.Length) < fHeader.Length)
    throw EXLSError(
        Format("Excel record %.4x runs past the end of the stream", {static_cast<int>(fHeader.RecordId)}));
  return true;
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
