#pragma once
// Decompression of the containers in which a workbook's macro project keeps the source of
// each module: a signature byte, then chunks of at most 4096 decompressed bytes, each a
// 2-byte header followed either by 4096 raw bytes or by flag bytes, each flag byte
// announcing eight literal bytes or copy tokens.

#include <cstddef>
#include <span>

#include "classlib/core/SysUtils.h"

namespace ordvane {

// A macro project that cannot be read safely: a stream that ends before its structure,
// a length or offset beyond the end of its stream, or corrupt compressed data.
ORDVANE_DECLARE_EXCEPTION(EVBAProjectError, Exception);

// The number of decompressed bytes one chunk stands for at most.
inline constexpr std::size_t VBAChunkSize = 4096;

// Decompresses a whole container. Its first byte, the signature, is passed over. Data
// that would make the decompression read or write outside the container or the current
// chunk raises EVBAProjectError.
RawByteString VBADecompress(std::span<const Byte> container);

}  // namespace ordvane
