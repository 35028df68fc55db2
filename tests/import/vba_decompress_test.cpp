// Decompression of macro module sources: the worked examples published with the format,
// round trips through a compressor written here from the format's description, and
// corrupt containers that must fail cleanly (the CI build runs these under
// AddressSanitizer, which catches any read or write outside the data).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "import/SMVBADecompress.h"

namespace ordvane {
namespace {

using Bytes = std::vector<Byte>;

RawByteString Decompress(const Bytes& container) {
  return VBADecompress(container);
}

// Writes one compressed chunk token by token: a flag byte before every group of eight
// tokens, literal bytes, and copy tokens whose offset/length split follows the position
// reached in the chunk.
class ChunkWriter {
 public:
  void Literal(char c) {
    StartToken(false);
    fData.push_back(static_cast<Byte>(c));
    ++fPosition;
  }

  void Copy(std::size_t offset, std::size_t length) {
    unsigned offsetBits = OffsetBits(fPosition);
    unsigned lengthBits = 16 - offsetBits;
    EXPECT_GE(length, 3u);
    EXPECT_LE(length, MaxLength(fPosition));
    EXPECT_LE(offset, std::size_t{1} << offsetBits);
    StartToken(true);
    unsigned token = static_cast<unsigned>(((offset - 1) << lengthBits) | (length - 3));
    fData.push_back(static_cast<Byte>(token & 0xFF));
    fData.push_back(static_cast<Byte>(token >> 8));
    fPosition += length;
  }

  // The offset bits that a copy token after `position` bytes of its chunk has: the
  // smallest count that reaches the chunk's start, at least 4.
  static unsigned OffsetBits(std::size_t position) {
    unsigned bits = 4;
    while ((std::size_t{1} << bits) < position) ++bits;
    return bits;
  }
  static std::size_t MaxLength(std::size_t position) { return (0xFFFFu >> OffsetBits(position)) + 3; }

  std::size_t DataSize() const { return fData.size(); }

  // Header and data of the finished chunk.
  Bytes Finish() const {
    unsigned header = 0x8000 | 0x3000 | static_cast<unsigned>(fData.size() + 2 - 3);
    Bytes chunk{static_cast<Byte>(header & 0xFF), static_cast<Byte>(header >> 8)};
    chunk.insert(chunk.end(), fData.begin(), fData.end());
    return chunk;
  }

 private:
  void StartToken(bool copy) {
    if (fTokensInGroup == 8 || fData.empty()) {
      fFlagAt = fData.size();
      fData.push_back(0);
      fTokensInGroup = 0;
    }
    if (copy) fData[fFlagAt] |= static_cast<Byte>(1u << fTokensInGroup);
    ++fTokensInGroup;
  }

  Bytes fData;
  std::size_t fFlagAt = 0;
  unsigned fTokensInGroup = 0;
  std::size_t fPosition = 0;
};

// A compressor as the format describes it: at each position the longest earlier match
// inside the chunk (the nearest one of equal length), used when at least 3 bytes long;
// a chunk whose compressed form would not fit is stored raw, padded with zeros.
Bytes Compress(const std::string& input) {
  Bytes out{0x01};
  for (std::size_t start = 0; start < input.size(); start += VBAChunkSize) {
    const std::string piece = input.substr(start, VBAChunkSize);
    ChunkWriter writer;
    for (std::size_t at = 0; at < piece.size();) {
      const std::size_t maxLength = std::min(ChunkWriter::MaxLength(at), piece.size() - at);
      std::size_t bestLength = 0, bestOffset = 0;
      for (std::size_t candidate = at; candidate-- > 0 && bestLength < maxLength;) {
        std::size_t length = 0;
        while (length < maxLength && piece[candidate + length] == piece[at + length]) ++length;
        if (length > bestLength) bestLength = length, bestOffset = at - candidate;
      }
      if (bestLength >= 3) {
        writer.Copy(bestOffset, bestLength);
        at += bestLength;
      } else {
        writer.Literal(piece[at++]);
      }
    }
    if (writer.DataSize() <= VBAChunkSize) {
      Bytes chunk = writer.Finish();
      out.insert(out.end(), chunk.begin(), chunk.end());
    } else {
      out.push_back(0xFF);
      out.push_back(0x3F);
      out.insert(out.end(), piece.begin(), piece.end());
      out.resize(out.size() + VBAChunkSize - piece.size(), 0);
    }
  }
  return out;
}

// The three worked examples published with the format. Only a lack of memory can fail
// these, which nothing before main could handle either.
// NOLINTBEGIN(cert-err58-cpp)
const std::string NoCompressionText = "abcdefghijklmnopqrstuv.";
const Bytes NoCompressionBytes = {0x01, 0x19, 0xB0, 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66,
                                  0x67, 0x68, 0x00, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
                                  0x70, 0x00, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x2E};
const std::string NormalText = "#aaabcdefaaaaghijaaaaaklaaamnopqaaaaaaaaaaaarstuvwxyzaaa";
const Bytes NormalBytes = {0x01, 0x2F, 0xB0, 0x00, 0x23, 0x61, 0x61, 0x61, 0x62, 0x63, 0x64, 0x65, 0x82,
                           0x66, 0x00, 0x70, 0x61, 0x67, 0x68, 0x69, 0x6A, 0x01, 0x38, 0x08, 0x61, 0x6B,
                           0x6C, 0x00, 0x30, 0x6D, 0x6E, 0x6F, 0x70, 0x06, 0x71, 0x02, 0x70, 0x04, 0x10,
                           0x72, 0x73, 0x74, 0x75, 0x76, 0x10, 0x77, 0x78, 0x79, 0x7A, 0x00, 0x3C};
const std::string MaximumText(73, 'a');
const Bytes MaximumBytes = {0x01, 0x03, 0xB0, 0x02, 0x61, 0x45, 0x00};
// NOLINTEND(cert-err58-cpp)

TEST(VBADecompress, PublishedExamples) {
  EXPECT_EQ(Decompress(NoCompressionBytes), NoCompressionText);
  EXPECT_EQ(Decompress(NormalBytes), NormalText);
  EXPECT_EQ(Decompress(MaximumBytes), MaximumText);
  EXPECT_EQ(Decompress({0x01}), "");  // an empty source is the signature alone
  // The compressor below is only an oracle if it writes what the format prescribes.
  // Where several earlier matches are equally long the choice is free, and the normal
  // example takes other ones than the nearest; its tokens are as long as ours.
  EXPECT_EQ(Compress(NoCompressionText), NoCompressionBytes);
  EXPECT_EQ(Compress(NormalText).size(), NormalBytes.size());
  EXPECT_EQ(Compress(MaximumText), MaximumBytes);
}

// Checks that a compressed input decompresses to itself; a raw final chunk brings its
// zero padding with it.
void ExpectRoundTrip(const std::string& input) {
  RawByteString output = Decompress(Compress(input));
  ASSERT_GE(output.size(), input.size());
  EXPECT_EQ(output.substr(0, input.size()), input);
  EXPECT_EQ(output.find_first_not_of('\0', input.size()), std::string::npos);
}

TEST(VBADecompress, RoundTripsStructuredText) {
  std::string module;
  for (int i = 0; module.size() < 3 * VBAChunkSize + 517; ++i)
    module += "Sub Macro" + std::to_string(i) + "()\r\n    Range(\"A" + std::to_string(i) +
              "\").Value = " + std::to_string(i * 7) + "\r\nEnd Sub\r\n";
  ExpectRoundTrip(module);
  ExpectRoundTrip(std::string(VBAChunkSize, 'x'));
  ExpectRoundTrip(std::string(2 * VBAChunkSize + 1, 'y'));
  ExpectRoundTrip("ab");
}

TEST(VBADecompress, RoundTripsRandomDataThroughRawAndCompressedChunks) {
  std::mt19937 random(20240601);
  for (std::size_t size : {1u, 7u, 8u, 9u, 4095u, 4096u, 4097u, 9000u}) {
    std::string noise(size, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    SCOPED_TRACE(size);
    ExpectRoundTrip(noise);
    // Few distinct bytes: compressed chunks with short copies at every offset width.
    std::string sparse(size, '\0');
    for (char& c : sparse) c = "ab\n"[random() % 3];
    ExpectRoundTrip(sparse);
  }
}

TEST(VBADecompress, TwoFullChunksEndingOnFullFlagGroupsAreReadWhole) {
  // Each chunk: a literal, a copy of 4077 bytes, six copies of 3 bytes (offsets 1), that
  // is 4096 bytes from one flag byte whose eight tokens end the chunk.
  Bytes container{0x01};
  for (Byte literal : {'a', 'b'}) {
    const Bytes chunk = {0x0F, 0xB0, 0xFE, literal, 0xEA, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    container.insert(container.end(), chunk.begin(), chunk.end());
  }
  EXPECT_EQ(Decompress(container), std::string(VBAChunkSize, 'a') + std::string(VBAChunkSize, 'b'));
}

// Each corrupt container names what is wrong and never touches memory outside the data.
TEST(VBADecompress, CorruptContainersFailWithAClearError) {
  struct Case {
    const char* what;
    Bytes bytes;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"no signature", {}, "signature byte is missing"},
      {"half a chunk header", {0x01, 0x19}, "chunk header is cut off"},
      {"chunk signature 0 instead of 3", {0x01, 0x19, 0x80, 0x00, 0x61}, "wrong signature"},
      {"copy token first in its chunk",
       {0x01, 0x02, 0xB0, 0x01, 0x00, 0x00},
       "before the start of its chunk"},
      {"copy token offset 2 after one byte", {0x01, 0x03, 0xB0, 0x02, 0x61, 0x00, 0x10}, "before the start"},
      {"copy token past 4096 bytes", {0x01, 0x03, 0xB0, 0x02, 0x61, 0xFD, 0x0F}, "more than 4096 bytes"},
      {"literal past 4096 bytes", {0x01, 0x04, 0xB0, 0x02, 0x61, 0xFC, 0x0F, 0x62}, "more than 4096 bytes"},
      {"copy token cut at chunk end", {0x01, 0x02, 0xB0, 0x02, 0x61, 0x45}, "cut off"},
      {"raw chunk of 6 bytes", {0x01, 0x05, 0x30, 1, 2, 3, 4, 5, 6}, "does not hold 4096 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      Decompress(c.bytes);
      ADD_FAILURE() << "accepted";
    } catch (const EVBAProjectError& e) {
      EXPECT_THAT(e.Message(), testing::StartsWith("Macro module source is corrupt: "));
      EXPECT_THAT(e.Message(), testing::HasSubstr(c.message));
    }
  }
  // A copy that ends exactly at 4096 bytes is still inside its chunk.
  EXPECT_EQ(Decompress({0x01, 0x03, 0xB0, 0x02, 0x61, 0xFC, 0x0F}), std::string(VBAChunkSize, 'a'));
}

TEST(VBADecompress, EveryTruncationOfAValidContainerFails) {
  Bytes container = Compress(NormalText + std::string(5000, 'z') + NoCompressionText);
  for (std::size_t size = 2; size < container.size(); ++size) {
    // Cutting exactly between two chunks leaves a valid, shorter container.
    Bytes cut(container.begin(), container.begin() + static_cast<std::ptrdiff_t>(size));
    bool betweenChunks = false;
    for (std::size_t at = 1; at < container.size();
         at += (container[at] | ((container[at + 1] & 0x0F) << 8)) + 3)
      betweenChunks = betweenChunks || at == size;
    if (betweenChunks) continue;
    EXPECT_THROW(Decompress(cut), EVBAProjectError) << "cut at " << size;
  }
}

}  // namespace
}  // namespace ordvane
