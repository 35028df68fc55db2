#include "import/SMVBADecompress.h"

#include <algorithm>
#include <bit>

#include "classlib/core/ByteCursor.h"

namespace ordvane {

namespace {

constexpr Word ChunkSizeMask = 0x0FFF;
constexpr unsigned ChunkSignatureShift = 12;
constexpr Word ChunkSignatureMask = 0x7;
constexpr Word ChunkSignature = 0x3;
constexpr Word ChunkCompressedFlag = 0x8000;
constexpr std::size_t ChunkHeaderSize = 2;
constexpr std::size_t CopyTokenSize = 2;
constexpr std::size_t MinimumCopyLength = 3;

constexpr const char* ReachesBeforeChunk = "a copy token reaches before the start of its chunk";
constexpr const char* ChunkTooLong = "a chunk decompresses to more than 4096 bytes";

[[noreturn]] void Corrupt(const char* what) {
  throw EVBAProjectError(AnsiString("Macro module source is corrupt: ") + what);
}

// How many high bits of a copy token hold its offset, for a token that follows
// `decompressed` bytes of its chunk: just enough to reach back to the chunk's start, but
// never fewer than 4, so that the remaining bits hold the length.
unsigned CopyTokenOffsetBits(std::size_t decompressed) {
  return std::max(4u, static_cast<unsigned>(std::bit_width(decompressed - 1)));
}

// Appends the bytes that one copy token stands for. `chunkStart` is where the chunk's
// output began in `out`.
void ExpandCopyToken(Word token, std::size_t chunkStart, RawByteString& out) {
  const std::size_t decompressed = out.size() - chunkStart;
  if (decompressed == 0) Corrupt(ReachesBeforeChunk);
  const unsigned offsetBits = CopyTokenOffsetBits(decompressed);
  const unsigned lengthBits = 16 - offsetBits;
  const std::size_t length = (token & ((1u << lengthBits) - 1)) + MinimumCopyLength;
  const std::size_t offset = (static_cast<unsigned>(token) >> lengthBits) + 1;
  if (offset > decompressed) Corrupt(ReachesBeforeChunk);
  if (decompressed + length > VBAChunkSize) Corrupt(ChunkTooLong);
  // The source may overlap the bytes being written: a short run repeated, byte by byte.
  for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - offset]);
}

void AppendLiteral(Byte literal, std::size_t chunkStart, RawByteString& out) {
  if (out.size() - chunkStart >= VBAChunkSize) Corrupt(ChunkTooLong);
  out.push_back(static_cast<char>(literal));
}

// Decompresses the token sequence of one compressed chunk (the bytes after its header).
void DecompressTokens(std::span<const Byte> tokens, RawByteString& out) {
  const std::size_t chunkStart = out.size();
  const TByteCursor cursor(tokens, [] { Corrupt("a copy token is cut off at the end of its chunk"); });
  std::size_t at = 0;
  while (at < tokens.size()) {
    const Byte flags = tokens[at++];
    for (unsigned bit = 0; bit < 8 && at < tokens.size(); ++bit) {
      if ((flags & (1u << bit)) == 0) {
        AppendLiteral(tokens[at++], chunkStart, out);
      } else {
        ExpandCopyToken(cursor.U16At(at), chunkStart, out);
        at += CopyTokenSize;
      }
    }
  }
}

}  // namespace

RawByteString VBADecompress(std::span<const Byte> container) {
  if (container.empty()) Corrupt("the signature byte is missing");
  const TByteCursor cursor(container, [] { Corrupt("a chunk header is cut off"); });
  RawByteString out;
  std::size_t at = 1;
  while (at < container.size()) {
    const Word header = cursor.U16At(at);
    if (((header >> ChunkSignatureShift) & ChunkSignatureMask) != ChunkSignature)
      Corrupt("a chunk header has a wrong signature");
    // The size field counts the whole chunk, header included, less 3.
    const std::size_t dataSize = (header & ChunkSizeMask) + 3 - ChunkHeaderSize;
    at += ChunkHeaderSize;
    if (container.size() - at < dataSize) Corrupt("a chunk claims more bytes than the source holds");
    const auto data = container.subspan(at, dataSize);
    if (header & ChunkCompressedFlag) {
      DecompressTokens(data, out);
    } else {
      if (dataSize != VBAChunkSize) Corrupt("an uncompressed chunk does not hold 4096 bytes");
      out.append(reinterpret_cast<const char*>(data.data()), data.size());
    }
    at += dataSize;
  }
  return out;
}

}  // namespace ordvane
