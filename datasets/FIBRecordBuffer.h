#pragma once
// Where the parts of a dataset record lie in its buffer.
//
// The record buffer: bytes 0-3 the record index, byte 4 the bookmark flag, byte 5 the
// cached-update status, then one null flag per select column, the column values and
// string areas at their descriptors' offsets, a 4-byte blob-stream handle per blob field
// (0: none) and the calculated fields. The cache stores everything from byte 5 on.

#include "classlib/core/System.h"

namespace ordvane {

// Record-buffer header.
inline constexpr int RecordIndexOffset = 0;
inline constexpr int BookmarkFlagOffset = 4;
inline constexpr int StatusOffset = 5;
inline constexpr int NullFlagsOffset = 6;
// Bits of the status byte.
inline constexpr Byte CachedStatusMask = 0x07;
inline constexpr Byte CalcFieldsCachedBit = 0x80;

}  // namespace ordvane
