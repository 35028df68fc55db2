#include "datasets/FIBCacheManage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include <sys/mman.h>
#include <unistd.h>

#include "classlib/core/DebugChecks.h"

namespace ordvane {

namespace {

constexpr Int64 MinBlockSize = 1024;
constexpr Int64 MaxBlockSize = Int64{1} << 31;

[[noreturn]] void CacheError(const char* message) {
  throw EMemManagerError(message);
}

Integer ReadLength(const Byte* at) {
  Integer length;
  std::memcpy(&length, at, sizeof length);
  return length;
}

void WriteLength(Byte* at, Integer length) {
  std::memcpy(at, &length, sizeof length);
}

// Length clamped into 0 .. limit: a stored or handed-over length is never trusted.
std::size_t Clamped(Integer length, Integer limit) {
  return static_cast<std::size_t>(std::clamp(length, 0, limit));
}

// A value cut at the slot size also loses the blanks and control bytes it then ends with.
AnsiString WithoutTrailingControls(AnsiString text) {
  while (!text.empty() && static_cast<Byte>(text.back()) <= ' ') text.pop_back();
  return text;
}

AnsiString WithoutTrailingBlanks(AnsiString text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// Maps the whole pages within [at, at + size) writable, their contents unchanged. Only a
// hint: a kernel without the call refuses it and the pages fault when first written.
void PrefaultWholePages(char* at, std::size_t size) {
  static const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto begin = (reinterpret_cast<std::uintptr_t>(at) + pageSize - 1) / pageSize * pageSize;
  const auto end = (reinterpret_cast<std::uintptr_t>(at) + size) / pageSize * pageSize;
  if (begin < end) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}

}  // namespace

char* TRecordsCache::TArena::Allocate(std::size_t size, std::size_t alignment) {
  // A long text or a big block takes a chunk of its own rather than leave most of a shared
  // one unused.
  if (size > kChunkSize / 8) [[unlikely]]
    return OwnChunk(size);
  const std::size_t skip = static_cast<std::size_t>(-reinterpret_cast<std::uintptr_t>(fFree)) & (alignment - 1);
  if (fFreeSize < skip + size) [[unlikely]]
    return FromNewSharedChunk(size);
  char* at = fFree + skip;
  fFree = at + size;
  fFreeSize -= skip + size;
  return at;
}

char* TRecordsCache::TArena::OwnChunk(std::size_t size) {
  return fChunks.emplace_back(new char[size]).get();
}

// Every shared chunk after the first is written to its end soon (a table that outgrew one
// keeps growing), so its pages are mapped in one call rather than by a fault at each first
// write: a fault costs more than the writes it serves, and a million records make some
// 30 000 of them. The first chunk faults page by page, so a small table takes only the
// pages it writes. A new chunk is aligned for anything, so size bytes start it.
char* TRecordsCache::TArena::FromNewSharedChunk(std::size_t size) {
  const bool grown = fFree != nullptr;
  char* chunk = fChunks.emplace_back(new char[kChunkSize]).get();
  if (grown) PrefaultWholePages(chunk, kChunkSize);
  fFree = chunk + size;
  fFreeSize = kChunkSize - size;
  return chunk;
}

// Cells come a page of rows at a time: a fetch adds a row per record and would otherwise
// ask for room at every one.
void TRecordsCache::TStringTable::AddPages(std::size_t rows) {
  const std::size_t pageCells = kPageRows * fColumns;
  while (fPages.size() * kPageRows < rows) {
    auto* page = reinterpret_cast<TCell*>(fArena.Allocate(pageCells * sizeof(TCell), alignof(TCell)));
    std::uninitialized_value_construct_n(page, pageCells);
    fPages.push_back(page);
  }
}

TRecordsCache::TStringTable::TText TRecordsCache::TStringTable::ReadLong(char* stored) {
  const auto* header = reinterpret_cast<const unsigned char*>(stored);
  TText text;
  do {
    text.room |= std::size_t{header[text.width] & 0x7fU} << (7 * text.width);
  } while (header[text.width++] >= 0x80);
  for (std::size_t byte = 0; byte < text.width; ++byte)
    text.length |= std::size_t{header[text.width + byte]} << (8 * byte);
  text.chars = stored + 2 * text.width;
  return text;
}

char* TRecordsCache::TStringTable::NewText(std::size_t room) {
  unsigned char header[2 * 5] = {};
  std::size_t width = 0;
  for (std::size_t rest = room;; rest >>= 7) {
    header[width++] = static_cast<unsigned char>((rest & 0x7fU) | (rest >= 0x80 ? 0x80U : 0U));
    if (rest < 0x80) break;
  }
  char* stored = fArena.Allocate(2 * width + room, 1);
  std::memcpy(stored, header, 2 * width);
  return stored;
}

void TRecordsCache::TStringTable::Assign(TCell& cell, std::string_view text, std::size_t slotSize) {
  // A fetched record's texts are its cells' first, nearly all short: room and length take a
  // byte each.
  if (cell.stored == nullptr && text.size() < 0x80) [[likely]] {
    if (text.empty()) return;
    char* stored = fArena.Allocate(2 + text.size(), 1);
    stored[0] = stored[1] = static_cast<char>(text.size());
    std::memcpy(stored + 2, text.data(), text.size());
    cell.stored = stored;
    return;
  }
  Reassign(cell, text, slotSize);
}

void TRecordsCache::TStringTable::Reassign(TCell& cell, std::string_view text, std::size_t slotSize) {
  TText stored = Read(cell);
  if (text.size() > stored.room) {
    cell.stored = NewText(stored.room == 0 ? text.size() : std::max(text.size(), slotSize));
    stored = Read(cell);
  }
  auto* length = reinterpret_cast<unsigned char*>(stored.chars - stored.width);
  for (std::size_t byte = 0; byte < stored.width; ++byte)
    length[byte] = static_cast<unsigned char>(text.size() >> (8 * byte));
  if (!text.empty()) std::memmove(stored.chars, text.data(), text.size());
}

TRecordsCache::TRecordsCache(Integer chunkCount, Integer fullBufferSize, Integer recordSize, Integer stringSlotCount)
    : fRecordSize(recordSize), fFullBufferSize(fullBufferSize) {
  if (recordSize < 1 || fullBufferSize < recordSize) CacheError(SIncompatibleSizes);
  fBlockSize = Int64{recordSize} * chunkCount;
  if (fBlockSize < MinBlockSize) fBlockSize = fullBufferSize + MinBlockSize - (MinBlockSize % fullBufferSize);
  if (fBlockSize < recordSize || fBlockSize > MaxBlockSize) CacheError(SIncompatibleSizes);
  fRecordsPerBlock = static_cast<Integer>(fBlockSize / recordSize);
  if (stringSlotCount > 0) {
    fSlots.resize(static_cast<std::size_t>(stringSlotCount));
    fStrings = std::make_unique<TStringTable>(fSlots.size(), fArena);
  }
  fScratch.assign(static_cast<std::size_t>(fullBufferSize), 1);
}

TRecordsCache::~TRecordsCache() = default;

void TRecordsCache::SetStringSlot(Integer slot, Integer offset, Integer size, bool binary) {
  if (slot < 1 || slot > StringSlotCount()) return;
  fSlots[static_cast<std::size_t>(slot - 1)] = TSlot{offset, size, binary};
  fSlotLayoutChecked = false;
}

void TRecordsCache::CheckSlotLayout() {
  if (fSlotLayoutChecked || fSlots.empty()) return;
  Int64 end = fSlots.front().offset;
  bool fits = end >= 1 && end <= fRecordSize;
  for (const TSlot& slot : fSlots) {
    fits = fits && slot.offset == end && slot.size >= 0;
    end = Int64{slot.offset} + 4 + slot.size;
  }
  if (!fits || end + TailSize() != fFullBufferSize) CacheError(SIncompatibleSizes);
  fSlotLayoutChecked = true;
}

const TRecordsCache::TSlot& TRecordsCache::Slot(Integer slot) const {
  if (slot < 0 || slot >= StringSlotCount()) CacheError(SCantReadFieldData);
  return fSlots[static_cast<std::size_t>(slot)];
}

Byte* TRecordsCache::PlaceIn(TBlocks& blocks, Integer physicalNo) const {
  // One division finds both the block and the place in it.
  const auto index = static_cast<std::size_t>(physicalNo - 1);
  const auto perBlock = static_cast<std::size_t>(fRecordsPerBlock);
  const std::size_t block = index / perBlock;
  if (block >= blocks.size()) return nullptr;
  return blocks[block] + (index - block * perBlock) * static_cast<std::size_t>(fRecordSize);
}

Integer TRecordsCache::GetPhysicalNo(Integer recordNo) const {
  if (recordNo < 1 || recordNo > fRecordCount) return -1;
  return fHasMap ? fMap[static_cast<std::size_t>(recordNo - 1)] : recordNo;
}

Integer TRecordsCache::CheckedPhysicalNo(Integer recordNo, const char* error) const {
  const Integer physicalNo = GetPhysicalNo(recordNo);
  if (physicalNo < 1) CacheError(error);
  return physicalNo;
}

void TRecordsCache::CheckPhysicalNo(Integer physicalNo, const char* error) const {
  if (physicalNo < 1 || physicalNo > fRecordCount) CacheError(error);
}

void TRecordsCache::CheckPosition(Integer position, Integer limit) const {
  if (position < 0 || position > limit) CacheError(SCantReadBuffer);
}

Integer TRecordsCache::GetIndexOfPhysical(Integer physicalNo) const {
  if (physicalNo < 1 || physicalNo > fRecordCount) return -1;
  if (!fHasMap) return physicalNo - 1;
  if (fMap[static_cast<std::size_t>(physicalNo - 1)] == physicalNo) return physicalNo - 1;
  const auto found = std::find(fMap.begin(), fMap.end(), physicalNo);
  return found == fMap.end() ? -1 : static_cast<Integer>(found - fMap.begin());
}

bool TRecordsCache::RecordExists(Integer physicalNo) const {
  return GetIndexOfPhysical(physicalNo) >= 0;
}

Byte* TRecordsCache::ReserveRecord(Integer recordNo) {
  if (recordNo < 1) CacheError(SCantWriteBuffer);
  if (recordNo > fRecordCount) {
    if (fHasMap) [[unlikely]]
      for (Integer next = fRecordCount + 1; next <= recordNo; ++next) fMap.push_back(next);
    fRecordCount = recordNo;
    if (fStrings) fStrings->EnsureRows(static_cast<std::size_t>(fRecordCount));
  }
  const Integer physicalNo = CheckedPhysicalNo(recordNo, SCantWriteBuffer);
  EnsureBlocks(fBlocks, fArena, physicalNo);
  return PlaceIn(fBlocks, physicalNo);
}

Byte* TRecordsCache::AppendRecord(Integer recordNo) {
  if (recordNo != fRecordCount + 1 || recordNo < 1) CacheError(SCantWriteBuffer);
  if (fHasMap) [[unlikely]]
    fMap.push_back(recordNo);
  fRecordCount = recordNo;
  if (fStrings) {
    fStrings->EnsureRows(static_cast<std::size_t>(recordNo));
    fAppendedCells = fStrings->WritableRowCells(static_cast<std::size_t>(recordNo - 1));
  }
  // A fetch appends one record after the other: each goes next to the previous one until
  // its block is full.
  if (recordNo != fAppendNo || fAppendAt == fAppendEnd) [[unlikely]] {
    EnsureBlocks(fBlocks, fArena, recordNo);
    const auto index = static_cast<std::size_t>(recordNo - 1);
    const auto perBlock = static_cast<std::size_t>(fRecordsPerBlock);
    fAppendAt = PlaceIn(fBlocks, recordNo);
    fAppendEnd = fAppendAt + (perBlock - index % perBlock) * static_cast<std::size_t>(fRecordSize);
  }
  Byte* place = fAppendAt;
  fAppendAt += fRecordSize;
  fAppendNo = recordNo + 1;
  return place;
}

void TRecordsCache::WriteAppendedText(Integer slot, std::string_view text) {
  ORDVANE_DEBUG_ASSERT(slot >= 0 && slot < StringSlotCount() && fRecordCount >= 1 &&
                           text.size() <= static_cast<std::size_t>(fSlots[static_cast<std::size_t>(slot)].size),
                       "an appended text fits its slot of a record in use");
  const auto column = static_cast<std::size_t>(slot);
  fStrings->Assign(fAppendedCells[column], text, static_cast<std::size_t>(fSlots[column].size));
}

void TRecordsCache::ReadAppendedRecord(const Byte* stored, Byte* dest) {
  ORDVANE_DEBUG_ASSERT(fRecordCount >= 1 && stored == PlaceIn(fBlocks, fRecordCount),
                       "the appended record is the newest one");
  CheckSlotLayout();
  Compose(stored, fStrings.get(), static_cast<std::size_t>(fRecordCount - 1), dest);
}

void TRecordsCache::EnsureBlocks(TBlocks& blocks, TArena& arena, Integer physicalNo) const {
  const auto needed = static_cast<std::size_t>((physicalNo - 1) / fRecordsPerBlock) + 1;
  const auto size = static_cast<std::size_t>(fBlockSize);
  while (blocks.size() < needed) [[unlikely]] {
    Byte* block = reinterpret_cast<Byte*>(arena.Allocate(size, alignof(std::max_align_t)));
    std::memset(block, 0, size);
    blocks.push_back(block);
  }
}

Byte* TRecordsCache::GetRecordPtrOrNil(Integer recordNo) {
  const Integer physicalNo = GetPhysicalNo(recordNo);
  return physicalNo < 1 ? nullptr : PlaceIn(fBlocks, physicalNo);
}

Byte* TRecordsCache::GetRecordPtr(Integer recordNo) {
  Byte* place = GetRecordPtrOrNil(recordNo);
  if (place == nullptr) CacheError(SCantReadBuffer);
  return place;
}

Byte* TRecordsCache::GetFieldDataPtr(Integer recordNo, Integer offset, Byte*& recordPtr) {
  recordPtr = GetRecordPtrOrNil(recordNo);
  if (recordPtr == nullptr || offset < 0 || offset >= fRecordSize) CacheError(SCantReadFieldData);
  return recordPtr + offset;
}

Byte* TRecordsCache::GetFixedDataPtr(Integer index, Integer offset, Byte*& recordPtr) {
  if (index < 0 || index >= fRecordCount) CacheError(SCantReadFieldData);
  recordPtr = PlaceIn(fBlocks, index + 1);
  if (recordPtr == nullptr || offset < 0 || offset >= fRecordSize) CacheError(SCantReadFieldData);
  return recordPtr + offset;
}

void TRecordsCache::Compose(const Byte* stored, const TStringTable* strings, std::size_t row, Byte* dest) const {
  if (fSlots.empty()) {
    std::memcpy(dest, stored, static_cast<std::size_t>(fRecordSize));
    return;
  }
  const auto fixedSize = static_cast<std::size_t>(fSlots.front().offset);
  std::memcpy(dest, stored, fixedSize);
  // Every record is read this way, one after the other: the row's cells are found once,
  // and the slots are walked by pointers the copies cannot change.
  const TStringTable::TCell* cell = strings != nullptr ? strings->RowCells(row) : nullptr;
  for (const TSlot *area = fSlots.data(), *end = area + fSlots.size(); area != end; ++area) {
    const auto size = static_cast<std::size_t>(area->size);
    const TStringTable::TText text = cell != nullptr ? TStringTable::Read(*cell) : TStringTable::TText{};
    const std::size_t length = std::min(text.length, size);
    Byte* at = dest + area->offset;
    WriteLength(at, static_cast<Integer>(length));
    if (length > 0) std::memcpy(at + 4, text.chars, length);
    if (length < size) at[4 + length] = 0;
    if (cell != nullptr) ++cell;
  }
  if (TailSize() > 0)
    std::memcpy(dest + TailOffsetInImage(), stored + fixedSize, static_cast<std::size_t>(TailSize()));
}

void TRecordsCache::ReadRecord(Integer recordNo, Byte* dest, bool fromLog) {
  CheckSlotLayout();
  const Integer physicalNo = CheckedPhysicalNo(recordNo, SCantReadBuffer);
  const Integer logSlot = fromLog ? LogSlotOf(physicalNo) : 0;
  if (logSlot > 0) {
    const Byte* stored = PlaceIn(fLogBlocks, logSlot);
    if (stored == nullptr) CacheError(SCantReadLogBuffer);
    Compose(stored, fLogStrings.get(), static_cast<std::size_t>(logSlot - 1), dest);
    return;
  }
  const Byte* stored = PlaceIn(fBlocks, physicalNo);
  if (stored == nullptr) CacheError(SCantReadBuffer);
  Compose(stored, fStrings.get(), static_cast<std::size_t>(physicalNo - 1), dest);
}

void TRecordsCache::WriteRecord(Integer recordNo, const Byte* source, bool allocate) {
  CheckSlotLayout();
  if (allocate) ReserveRecord(recordNo);
  const Integer physicalNo = CheckedPhysicalNo(recordNo, SCantWriteBuffer);
  Byte* stored = PlaceIn(fBlocks, physicalNo);
  if (stored == nullptr) CacheError(SCantWriteBuffer);
  const auto row = static_cast<std::size_t>(physicalNo - 1);
  if (source == nullptr) {
    std::memset(stored, 0, static_cast<std::size_t>(fRecordSize));
    if (fStrings)
      for (std::size_t slot = 0; slot < fSlots.size(); ++slot) fStrings->Assign(row, slot, {}, 0);
    return;
  }
  if (fSlots.empty()) {
    std::memcpy(stored, source, static_cast<std::size_t>(fRecordSize));
    return;
  }
  const auto fixedSize = static_cast<std::size_t>(fSlots.front().offset);
  std::memcpy(stored, source, fixedSize);
  if (TailSize() > 0)
    std::memcpy(stored + fixedSize, source + TailOffsetInImage(), static_cast<std::size_t>(TailSize()));
  for (std::size_t slot = 0; slot < fSlots.size(); ++slot) {
    const Byte* at = source + fSlots[slot].offset;
    const std::size_t length = Clamped(ReadLength(at), fSlots[slot].size);
    fStrings->Assign(row, slot, {reinterpret_cast<const char*>(at + 4), length},
                     static_cast<std::size_t>(fSlots[slot].size));
  }
}

void TRecordsCache::AssignStringCell(Integer index, Integer slot, std::string_view text) {
  const TSlot& area = Slot(slot);
  if (index < 0 || index >= fRecordCount) CacheError(SCantReadFieldData);
  fStrings->EnsureRows(static_cast<std::size_t>(index) + 1);
  fStrings->Assign(static_cast<std::size_t>(index), static_cast<std::size_t>(slot), text,
                   static_cast<std::size_t>(area.size));
}

AnsiString TRecordsCache::GetStringValue(Integer index, Integer slot) const {
  return AnsiString(GetStringView(index, slot));
}

std::string_view TRecordsCache::GetStringView(Integer index, Integer slot) const {
  Slot(slot);
  if (index < 0 || static_cast<std::size_t>(index) >= fStrings->Rows()) CacheError(SCantReadFieldData);
  return fStrings->Cell(static_cast<std::size_t>(index), static_cast<std::size_t>(slot));
}

void TRecordsCache::WriteStringValue(Integer slot, Integer index, const AnsiString& value) {
  const TSlot& area = Slot(slot);
  const auto size = static_cast<std::size_t>(area.size);
  if (area.binary)
    AssignStringCell(index, slot, std::string_view(value).substr(0, size));
  else if (value.size() > size)
    AssignStringCell(index, slot, WithoutTrailingControls(value.substr(0, size)));
  else
    AssignStringCell(index, slot, WithoutTrailingBlanks(value));
}

void TRecordsCache::WriteStringBuffer(Integer slot, Integer index, bool trim, Integer length, const char* chars) {
  const TSlot& area = Slot(slot);
  std::size_t count = Clamped(length < 0 ? area.size : length, area.size);
  if (chars == nullptr) count = 0;
  if (trim && !area.binary)
    while (count > 0 && chars[count - 1] == ' ') --count;
  AssignStringCell(index, slot, {chars == nullptr ? "" : chars, count});
}

Integer TRecordsCache::LogSlotOf(Integer physicalNo) const {
  const auto found = std::lower_bound(fLogIndex.begin(), fLogIndex.end(), std::pair{physicalNo, 0});
  return found != fLogIndex.end() && found->first == physicalNo ? found->second : 0;
}

Integer TRecordsCache::AddLogSlot(Integer physicalNo) {
  const auto at = std::lower_bound(fLogIndex.begin(), fLogIndex.end(), std::pair{physicalNo, 0});
  if (at != fLogIndex.end() && at->first == physicalNo) return at->second;
  const Integer logSlot = LogEntryCount() + 1;
  fLogIndex.insert(at, {physicalNo, logSlot});
  EnsureBlocks(fLogBlocks, fLogArena, logSlot);
  if (!fSlots.empty() && !fLogStrings) fLogStrings = std::make_unique<TStringTable>(fSlots.size(), fLogArena);
  return logSlot;
}

void TRecordsCache::CopyIntoLog(Integer physicalNo) {
  const Byte* stored = PlaceIn(fBlocks, physicalNo);
  if (stored == nullptr) CacheError(SCantReadBuffer);
  const Integer logSlot = AddLogSlot(physicalNo);
  std::memcpy(PlaceIn(fLogBlocks, logSlot), stored, static_cast<std::size_t>(fRecordSize));
  if (!fLogStrings) return;
  const auto logRow = static_cast<std::size_t>(logSlot - 1);
  fLogStrings->EnsureRows(logRow + 1);
  for (std::size_t slot = 0; slot < fSlots.size(); ++slot)
    fLogStrings->Assign(logRow, slot, fStrings->Cell(static_cast<std::size_t>(physicalNo - 1), slot),
                        static_cast<std::size_t>(fSlots[slot].size));
}

void TRecordsCache::SaveOldBuffer(Integer physicalNo) {
  if (physicalNo < 1) CacheError(SCantReadBuffer);
  if (fLogMode) {
    CheckPhysicalNo(physicalNo, SCantReadBuffer);
    CopyIntoLog(physicalNo);
    return;
  }
  CheckSlotLayout();
  if (physicalNo > fRecordCount) {
    std::fill(fScratch.begin(), fScratch.end(), Byte{1});
  } else {
    const Byte* stored = PlaceIn(fBlocks, physicalNo);
    if (stored == nullptr) CacheError(SCantReadBuffer);
    Compose(stored, fStrings.get(), static_cast<std::size_t>(physicalNo - 1), fScratch.data());
  }
  fScratchRecordNo = physicalNo;
}

const Byte* TRecordsCache::GetOldBuffer(Integer physicalNo) {
  if (physicalNo < 1) CacheError(SCantReadBuffer);
  if (physicalNo > fRecordCount) {
    std::fill(fScratch.begin(), fScratch.end(), Byte{1});
    fScratchRecordNo = fLogMode ? -1 : physicalNo;
    return fScratch.data();
  }
  if (fLogMode) {
    CheckSlotLayout();
    const Integer logSlot = LogSlotOf(physicalNo);
    const Byte* stored = logSlot > 0 ? PlaceIn(fLogBlocks, logSlot) : PlaceIn(fBlocks, physicalNo);
    if (stored == nullptr) CacheError(logSlot > 0 ? SCantReadLogBuffer : SCantReadBuffer);
    Compose(stored, logSlot > 0 ? fLogStrings.get() : fStrings.get(),
            static_cast<std::size_t>((logSlot > 0 ? logSlot : physicalNo) - 1), fScratch.data());
    fScratchRecordNo = -1;
    return fScratch.data();
  }
  if (physicalNo != fScratchRecordNo) SaveOldBuffer(physicalNo);
  return fScratch.data();
}

void TRecordsCache::RevertRecord(Integer recordNo) {
  const Integer physicalNo = CheckedPhysicalNo(recordNo, SCantWriteBuffer);
  // The old image lives in the scratch buffer, which WriteRecord does not touch.
  WriteRecord(recordNo, GetOldBuffer(physicalNo), false);
}

void TRecordsCache::ClearLog() {
  fLogBlocks.clear();
  fLogIndex.clear();
  fLogStrings.reset();
  fLogArena = TArena();
}

void TRecordsCache::EnsureMap() {
  if (fHasMap) return;
  fMap.resize(static_cast<std::size_t>(fRecordCount));
  for (Integer i = 0; i < fRecordCount; ++i) fMap[static_cast<std::size_t>(i)] = i + 1;
  fHasMap = true;
}

void TRecordsCache::InsertRecord(Integer position) {
  CheckPosition(position, fRecordCount);
  if (fRecordCount == std::numeric_limits<Integer>::max()) CacheError(SCantWriteBuffer);
  EnsureMap();
  ++fRecordCount;
  fMap.insert(fMap.begin() + position, fRecordCount);
  if (fStrings) fStrings->EnsureRows(static_cast<std::size_t>(fRecordCount));
  EnsureBlocks(fBlocks, fArena, fRecordCount);
}

void TRecordsCache::RemoveNewestRecord(Integer position) {
  CheckPosition(position, fRecordCount - 1);
  EnsureMap();
  if (fMap[static_cast<std::size_t>(position)] != fRecordCount || LogSlotOf(fRecordCount) != 0) CacheError(SCantWriteBuffer);
  WriteRecord(position + 1, nullptr, false);
  fMap.erase(fMap.begin() + position);
  if (fScratchRecordNo == fRecordCount) fScratchRecordNo = -1;
  --fRecordCount;
}

void TRecordsCache::MoveRecord(Integer fromPosition, Integer toPosition) {
  CheckPosition(fromPosition, fRecordCount - 1);
  CheckPosition(toPosition, fRecordCount - 1);
  if (fromPosition == toPosition) return;
  EnsureMap();
  const Integer moved = fMap[static_cast<std::size_t>(fromPosition)];
  fMap.erase(fMap.begin() + fromPosition);
  fMap.insert(fMap.begin() + toPosition, moved);
}

void TRecordsCache::SwapRecords(Integer position1, Integer position2) {
  CheckPosition(position1, fRecordCount - 1);
  CheckPosition(position2, fRecordCount - 1);
  EnsureMap();
  std::swap(fMap[static_cast<std::size_t>(position1)], fMap[static_cast<std::size_t>(position2)]);
}

void TRecordsCache::ReorderRecords(const std::vector<Integer>& order) {
  const Integer count = static_cast<Integer>(order.size());
  CheckPosition(count, fRecordCount);
  EnsureMap();
  std::vector<Integer> reordered(order.size());
  std::vector<bool> taken(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    CheckPosition(order[i], count - 1);
    const auto from = static_cast<std::size_t>(order[i]);
    if (taken[from]) CacheError(SCantWriteBuffer);
    taken[from] = true;
    reordered[i] = fMap[from];
  }
  std::copy(reordered.begin(), reordered.end(), fMap.begin());
}

}  // namespace ordvane
