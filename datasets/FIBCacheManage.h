#pragma once
// The record cache of a dataset: fixed-size record images in large zero-filled blocks,
// the character columns apart in a string table (a long VARCHAR costs what its values
// hold), a logical order kept apart from the physical one (sorting, moving and inserting
// permute 32-bit numbers only) and, in log mode, the previous version of every changed
// record in a second set of blocks.
//
// A record image as the dataset hands it over (its full buffer size): the fixed part,
// then one area per string slot (a 32-bit length, then up to the slot size characters
// with a zero byte after them when they are shorter), then the tail. In a block the string
// areas are cut out: a stored record is the fixed part followed by the tail.
//
// Numbers: a record number is a logical position from 1; a physical number p names a
// stored record from 1; a 0-based index names the string-table row of p - 1; positions of
// the map operations are 0-based. Every number is checked: outside the records in use the
// cache raises EMemManagerError, and never hands out an address outside a block.

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "classlib/core/SysUtils.h"
#include "classlib/core/System.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(EMemManagerError, Exception);

inline constexpr const char* SIncompatibleSizes = "Incompatible Sizes";
inline constexpr const char* SCantReadBuffer = "Can't read Buffer.Incorrect RecordNo";
inline constexpr const char* SCantReadLogBuffer = "Can't read LogBuffer.Incorrect RecordNo";
inline constexpr const char* SCantWriteBuffer = "Can't write to Buffer.Incorrect RecordNo";
inline constexpr const char* SCantReadFieldData = "Can't read FieldData .Incorrect RecordNo";

class TRecordsCache {
 public:
  // recordSize: bytes stored per record in a block; fullBufferSize: bytes of an image
  // (record size plus the string areas). A block holds recordSize x chunkCount bytes, at
  // least the first multiple of the image size above 1024. Sizes that do not fit (a block
  // smaller than a record or above 2 GiB, an image smaller than a record): "Incompatible
  // Sizes".
  TRecordsCache(Integer chunkCount, Integer fullBufferSize, Integer recordSize, Integer stringSlotCount);
  ~TRecordsCache();
  TRecordsCache(const TRecordsCache&) = delete;
  TRecordsCache& operator=(const TRecordsCache&) = delete;

  // Slot 1 .. count: where its area lies in an image and how many characters it holds.
  // A binary slot (OCTETS text, a DB key) keeps its trailing blanks and control bytes.
  // Other slot numbers are ignored. The areas must lie back to back from the end of the
  // fixed part, in slot order, and end where the tail begins ("Incompatible Sizes" at the
  // first read or write otherwise).
  void SetStringSlot(Integer slot, Integer offset, Integer size, bool binary = false);

  Integer BlockSize() const { return static_cast<Integer>(fBlockSize); }
  Integer RecordsPerBlock() const { return fRecordsPerBlock; }
  Integer RecordSize() const { return fRecordSize; }
  Integer FullBufferSize() const { return fFullBufferSize; }
  Integer StringSlotCount() const { return static_cast<Integer>(fSlots.size()); }
  // The highest physical number in use.
  Integer RecordCount() const { return fRecordCount; }
  Integer BlockCount() const { return static_cast<Integer>(fBlocks.size()); }
  Integer LogEntryCount() const { return static_cast<Integer>(fLogIndex.size()); }
  bool LogMode() const { return fLogMode; }
  void SetLogMode(bool value) { fLogMode = value; }

  // Makes record n (1 .. the largest Integer) writable: a number past the records in use
  // adds them, with every block up to n's. Answers n's place in its block.
  Byte* ReserveRecord(Integer recordNo);
  // A fetch's way to the end of the cache: record n just past the records in use
  // (RecordCount() + 1), made as ReserveRecord makes it, zero bytes and empty strings. Its
  // physical number is n, its string-table row n - 1; answers its place in its block.
  Byte* AppendRecord(Integer recordNo);
  // The text of slot (0-based) of the record AppendRecord made last, at most the slot size.
  void WriteAppendedText(Integer slot, std::string_view text);
  // The record AppendRecord made last (stored at its place) into a full image, as
  // ReadRecord reads it.
  void ReadAppendedRecord(const Byte* stored, Byte* dest);
  // "Can't read Buffer.Incorrect RecordNo" for a record not in use.
  Byte* GetRecordPtr(Integer recordNo);
  Byte* GetRecordPtrOrNil(Integer recordNo);
  // A stored value of record n (an offset within the stored record), with the record's
  // place; "Can't read FieldData .Incorrect RecordNo" outside.
  Byte* GetFieldDataPtr(Integer recordNo, Integer offset, Byte*& recordPtr);
  Byte* GetFixedDataPtr(Integer index, Integer offset, Byte*& recordPtr);

  // Record n into a full image, from its log version when fromLog and it has one.
  void ReadRecord(Integer recordNo, Byte* dest, bool fromLog);
  // A full image (nullptr: zero bytes and empty strings) as record n, reserving it first
  // when allocate. Each slot's length is taken within 0 .. the slot size.
  void WriteRecord(Integer recordNo, const Byte* source, bool allocate);

  // The characters of a slot (0-based) of physical record index + 1.
  AnsiString GetStringValue(Integer index, Integer slot) const;
  // The same characters in place, valid until a text of that record is next written.
  std::string_view GetStringView(Integer index, Integer slot) const;
  // A value longer than the slot is cut at the slot size; then trailing blanks (below
  // code 33 for a cut value) go, except in a binary slot.
  void WriteStringValue(Integer slot, Integer index, const AnsiString& value);
  // length characters of chars (a negative length: the slot size), at most the slot
  // size; with trim, trailing blanks are not stored. The characters are only read.
  void WriteStringBuffer(Integer slot, Integer index, bool trim, Integer length, const char* chars);

  // Physical record p's previous version as a full image (owned by the cache, valid until
  // the next call): in log mode its log version (else its current one); otherwise the
  // version SaveOldBuffer kept. Past the records in use: bytes of value 1.
  const Byte* GetOldBuffer(Integer physicalNo);
  // Keeps physical record p's current version as its previous one.
  void SaveOldBuffer(Integer physicalNo);
  // Record n's previous version becomes its current one.
  void RevertRecord(Integer recordNo);
  void ClearLog();

  // A new physical record (count + 1, zero bytes and empty strings) at logical position
  // (0 .. count).
  void InsertRecord(Integer position);
  // Takes back the newest record, made by InsertRecord(position) and not yet given out:
  // the cache is again what it was before.
  void RemoveNewestRecord(Integer position);
  void MoveRecord(Integer fromPosition, Integer toPosition);
  void SwapRecords(Integer position1, Integer position2);
  // Positions 0 .. order.size() - 1 take the records that were at positions order[0],
  // order[1], ...: order holds each of those positions once.
  void ReorderRecords(const std::vector<Integer>& order);
  // The physical number of record n; -1 outside the records in use.
  Integer GetPhysicalNo(Integer recordNo) const;
  // The 0-based position of physical record p, or -1.
  Integer GetIndexOfPhysical(Integer physicalNo) const;
  bool RecordExists(Integer physicalNo) const;

 private:
  struct TSlot {
    Integer offset = 0;
    Integer size = 0;
    bool binary = false;
  };
  // Memory handed out by bumping a pointer through large chunks, kept until the arena goes:
  // the records' blocks, the string cells and the texts of a fetch all come from it, so a
  // row's record, cells and characters lie near one another and a fetch costs an allocation
  // per chunk instead of one per block.
  class TArena {
   public:
    // size bytes at a multiple of alignment (a power of two up to that of max_align_t),
    // uninitialised.
    char* Allocate(std::size_t size, std::size_t alignment);

   private:
    // Big enough for a few thousand texts or a page of cells, small enough to come from the
    // allocator's heap rather than a mapping of its own.
    static constexpr std::size_t kChunkSize = std::size_t{64} * 1024;
    char* OwnChunk(std::size_t size);
    // size bytes at the start of a new shared chunk, which becomes the newest.
    char* FromNewSharedChunk(std::size_t size);

    char* fFree = nullptr;  // the unused end of the newest shared chunk
    std::size_t fFreeSize = 0;
    std::vector<std::unique_ptr<char[]>> fChunks;
  };
  // One row per record, one cell per slot, the texts and the cells from the arena. The
  // cells come a page of rows at a time and never move, so a growing table copies nothing.
  // A text keeps its room: one that outgrows it moves once more, to room for the slot's full
  // size, so rewriting a record wastes at most that.
  class TStringTable {
   public:
    TStringTable(std::size_t columns, TArena& arena) : fColumns(columns), fArena(arena) {}
    std::size_t Rows() const { return fRows; }
    void EnsureRows(std::size_t rows) {
      if (rows <= fRows) return;
      if (rows > fPages.size() * kPageRows) [[unlikely]]
        AddPages(rows);
      fRows = rows;
    }
    // A text and its room lie together in the arena, so a cell is one pointer: the room (7
    // bits a byte, lowest first, the high bit marking one more byte), the length in as many
    // bytes, lowest first, then the room's characters. No text yet: nullptr, empty.
    struct TCell {
      char* stored = nullptr;
    };
    struct TText {
      std::size_t room = 0;
      std::size_t length = 0;
      char* chars = nullptr;
      std::size_t width = 0;  // bytes of the room, and of the length
    };
    static TText Read(const TCell& cell) {
      const auto* header = reinterpret_cast<const unsigned char*>(cell.stored);
      if (header == nullptr) return {};
      if (header[0] < 0x80) [[likely]]
        return {header[0], header[1], cell.stored + 2, 1};
      return ReadLong(cell.stored);
    }
    std::string_view Cell(std::size_t row, std::size_t column) const {
      const TText text = Read(CellsOf(row)[column]);
      return {text.chars, text.length};
    }
    // The cells of a row, one per column; nullptr past the rows.
    const TCell* RowCells(std::size_t row) const { return row < fRows ? CellsOf(row) : nullptr; }
    // The cells of a row below Rows(), to be written.
    TCell* WritableRowCells(std::size_t row) { return CellsOf(row); }
    // text is at most slotSize characters.
    void Assign(std::size_t row, std::size_t column, std::string_view text, std::size_t slotSize) {
      Assign(CellsOf(row)[column], text, slotSize);
    }
    void Assign(TCell& cell, std::string_view text, std::size_t slotSize);

   private:
    static constexpr std::size_t kPageRows = 64;
    TCell* CellsOf(std::size_t row) const { return fPages[row / kPageRows] + row % kPageRows * fColumns; }
    void AddPages(std::size_t rows);
    static TText ReadLong(char* stored);
    // A cell that holds a text already, or a text too long for a byte's room.
    void Reassign(TCell& cell, std::string_view text, std::size_t slotSize);
    // Room for room characters, the length still 0.
    char* NewText(std::size_t room);

    std::size_t fColumns;
    TArena& fArena;
    std::size_t fRows = 0;
    std::vector<TCell*> fPages;  // kPageRows rows each, at least fRows rows
  };
  using TBlocks = std::vector<Byte*>;

  // Adds every missing block up to the one of physical number p, zero bytes, from arena.
  void EnsureBlocks(TBlocks& blocks, TArena& arena, Integer physicalNo) const;
  Byte* PlaceIn(TBlocks& blocks, Integer physicalNo) const;
  Integer CheckedPhysicalNo(Integer recordNo, const char* error) const;
  void CheckPhysicalNo(Integer physicalNo, const char* error) const;
  void CheckPosition(Integer position, Integer limit) const;
  const TSlot& Slot(Integer slot) const;
  void CheckSlotLayout();
  void EnsureMap();
  // Slot (0-based) of physical record index + 1 takes text, which fits the slot.
  void AssignStringCell(Integer index, Integer slot, std::string_view text);
  // The log slot of physical record p, 0 when it has none.
  Integer LogSlotOf(Integer physicalNo) const;
  Integer AddLogSlot(Integer physicalNo);
  void CopyIntoLog(Integer physicalNo);
  // Stored record and string cells into a full image.
  void Compose(const Byte* stored, const TStringTable* strings, std::size_t row, Byte* dest) const;
  Integer TailSize() const { return fRecordSize - fSlots.front().offset; }
  Integer TailOffsetInImage() const { return fSlots.back().offset + 4 + fSlots.back().size; }

  // What storing or reading any record touches comes first, in as few cache lines as
  // possible: between two rows the client library's fetch evicts them all.
  Integer fRecordSize;
  Integer fFullBufferSize;
  Integer fRecordCount = 0;
  Integer fRecordsPerBlock = 0;
  bool fHasMap = false;
  bool fSlotLayoutChecked = false;
  bool fLogMode = false;
  // Where AppendRecord puts physical number fAppendNo without looking for its block: the
  // rest of the block the previous append used (empty: look it up). The cells are those of
  // the record AppendRecord made last.
  Integer fAppendNo = 0;
  Byte* fAppendAt = nullptr;
  Byte* fAppendEnd = nullptr;
  TStringTable::TCell* fAppendedCells = nullptr;
  // Each arena comes before what lives in it, so that it goes last.
  TArena fArena;
  TBlocks fBlocks;
  std::unique_ptr<TStringTable> fStrings;  // from fArena, as fBlocks
  std::vector<TSlot> fSlots;
  std::vector<Integer> fMap;  // logical position - 1 -> physical number; empty: none
  TArena fLogArena;
  std::unique_ptr<TStringTable> fLogStrings;  // from fLogArena, as fLogBlocks
  TBlocks fLogBlocks;
  std::vector<std::pair<Integer, Integer>> fLogIndex;  // (physical number, log slot), by number
  Integer fScratchRecordNo = -1;
  std::vector<Byte> fScratch;
  Int64 fBlockSize = 0;
};

}  // namespace ordvane
