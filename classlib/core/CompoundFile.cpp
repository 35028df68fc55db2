#include "classlib/core/CompoundFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/ByteCursor.h"

namespace ordvane {

namespace {

constexpr std::array<Byte, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr Cardinal kMaxRegularSector = 0xFFFFFFFA;
constexpr Cardinal kEndOfChain = 0xFFFFFFFE;
constexpr Cardinal kNoEntry = 0xFFFFFFFF;
constexpr unsigned kHeaderFields = 512;  // the header's own bytes, in either sector size
constexpr unsigned kHeaderFatSlots = 109;
constexpr unsigned kEntrySize = 128;
constexpr Word kNameBytes = 64;  // 32 UTF-16 characters, the terminator included when there is one
constexpr unsigned kMiniSectorShift = 6;
constexpr unsigned kMiniSectorSize = 1u << kMiniSectorShift;
constexpr UInt64 kMiniStreamCutoff = 4096;

enum EntryType : Byte { etStorage = 1, etStream = 2, etRoot = 5 };

[[noreturn]] void Corrupt(const std::string& what) {
  throw ECompoundFileError("Compound file is damaged: " + what);
}

// One of the file's fixed-size structures (the header, a sector, a directory entry).
TByteCursor Structure(std::span<const Byte> bytes) {
  return TByteCursor(bytes, [] { Corrupt("a field lies outside its structure"); });
}

UInt64 CeilDiv(UInt64 value, UInt64 unit) {
  return value / unit + (value % unit != 0);
}

// Element names are compared as the format orders them: upper-cased.
bool SameNameIgnoringCase(const WideString& a, const WideString& b) {
  return a.size() == b.size() && WideUpperCase(a) == WideUpperCase(b);
}

// For messages: the name with every character outside printable ASCII shown as '?'.
std::string PrintableName(const WideString& name) {
  std::string out;
  for (char16_t c : name) out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  return out;
}

// Where the bytes of a compound file come from.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  UInt64 Size() const { return fSize; }
  // Fails with ECompoundFileError for bytes beyond the end: the file is truncated.
  void ReadAt(UInt64 offset, void* buffer, std::size_t count) const {
    if (offset > fSize || count > fSize - offset) Corrupt("the file ends before its data does");
    Fetch(offset, buffer, count);
  }

 protected:
  UInt64 fSize = 0;

 private:
  virtual void Fetch(UInt64 offset, void* buffer, std::size_t count) const = 0;
};

class TMemorySource final : public TByteSource {
 public:
  explicit TMemorySource(std::vector<Byte> data) : fData(std::move(data)) { fSize = fData.size(); }

 private:
  void Fetch(UInt64 offset, void* buffer, std::size_t count) const override {
    if (count > 0) std::memcpy(buffer, fData.data() + offset, count);
  }
  std::vector<Byte> fData;
};

// A file read in place, so a large one is not copied into memory.
class TFileSource final : public TByteSource {
 public:
  explicit TFileSource(const std::string& fileName) : fHandle(open(fileName.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fHandle < 0) throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
    struct stat info {};
    if (fstat(fHandle, &info) != 0 || !S_ISREG(info.st_mode)) {
      close(fHandle);
      throw EFOpenError("Cannot open file \"" + fileName + "\". Not a regular file");
    }
    fSize = static_cast<UInt64>(info.st_size);
  }
  ~TFileSource() override { close(fHandle); }
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

 private:
  void Fetch(UInt64 offset, void* buffer, std::size_t count) const override {
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
      ssize_t got = pread(fHandle, out, count, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) throw EReadError(std::string("Compound file read failed: ") + std::strerror(errno));
      if (got == 0) Corrupt("the file became shorter while it was read");
      out += got;
      offset += static_cast<UInt64>(got);
      count -= static_cast<std::size_t>(got);
    }
  }
  int fHandle;
};

struct TDirectoryEntry {
  WideString Name;
  Byte Type = 0;
  Cardinal Left = kNoEntry;
  Cardinal Right = kNoEntry;
  Cardinal Child = kNoEntry;
  Cardinal Start = 0;
  UInt64 Size = 0;
};

}  // namespace

// The parsed file: header, allocation tables, directory and mini stream, all checked.
class TCompoundDocument {
 public:
  explicit TCompoundDocument(std::unique_ptr<TByteSource> source) : fSource(std::move(source)) {
    ReadHeader();
    ReadFat();
    ReadDirectory();
    ReadMiniStreamTables();
  }

  unsigned SectorSize() const { return fSectorSize; }
  const TDirectoryEntry& Entry(Cardinal id) const { return fEntries[id]; }
  const std::vector<Cardinal>& Children(Cardinal storage) const { return fChildren[storage]; }

  // The sectors (or mini sectors) that hold a stream of the entry, checked against the
  // tables and the file.
  std::vector<Cardinal> StreamChain(const TDirectoryEntry& entry, bool& inMiniStream) const {
    inMiniStream = entry.Size < kMiniStreamCutoff;
    const std::string what = "stream \"" + PrintableName(entry.Name) + "\"";
    if (inMiniStream)
      return FollowChain(entry.Start, fMiniFat, MiniSectorLimit(), CeilDiv(entry.Size, kMiniSectorSize),
                         what);
    return FollowChain(entry.Start, fFat, SectorLimit(), CeilDiv(entry.Size, fSectorSize), what);
  }

  // Reads count bytes at offset within one unit (sector or mini sector) of a chain; a
  // regular sector's count may run on into the sectors after it in the file.
  void ReadUnit(bool inMiniStream, Cardinal unit, unsigned offset, Byte* buffer, std::size_t count) const {
    if (!inMiniStream) return ReadSector(unit, offset, buffer, count);
    UInt64 miniOffset = static_cast<UInt64>(unit) * kMiniSectorSize + offset;
    UInt64 index = miniOffset >> fSectorShift;
    if (index >= fMiniStreamChain.size()) Corrupt("a mini sector lies beyond the mini stream");
    ReadSector(fMiniStreamChain[index], static_cast<unsigned>(miniOffset & (fSectorSize - 1)), buffer, count);
  }

  unsigned UnitShift(bool inMiniStream) const { return inMiniStream ? kMiniSectorShift : fSectorShift; }

 private:
  void ReadHeader() {
    if (fSource->Size() < kHeaderFields) Corrupt("the file is shorter than a header");
    fSource->ReadAt(0, fHeader.data(), fHeader.size());
    if (!TCompoundFile::HasSignature(fHeader.data(), fHeader.size())) Corrupt("the signature is missing");
    const TByteCursor header = Structure(fHeader);
    if (header.U16At(28) != 0xFFFE) Corrupt("the byte order mark is wrong");
    fSectorShift = header.U16At(30);
    Word major = header.U16At(26);
    if (!((major == 3 && fSectorShift == 9) || (major == 4 && fSectorShift == 12)))
      Corrupt("unsupported version " + std::to_string(major) + " with sector shift " +
              std::to_string(fSectorShift));
    if (header.U16At(32) != kMiniSectorShift) Corrupt("the mini sector size is not 64 bytes");
    if (header.U32At(56) != kMiniStreamCutoff) Corrupt("the mini stream cutoff is not 4096 bytes");
    fVersion3 = major == 3;
    fSectorSize = 1u << fSectorShift;
    // The header occupies the whole first sector; sector n follows at (n + 1) sectors.
    if (fSource->Size() < fSectorSize) Corrupt("the file is shorter than its header sector");
    fSectorCount =
        std::min<UInt64>(CeilDiv(fSource->Size() - fSectorSize, fSectorSize), UInt64{kMaxRegularSector} + 1);
  }

  void ReadFat() {
    const TByteCursor header = Structure(fHeader);
    Cardinal fatSectors = header.U32At(44);
    if (fatSectors > fSectorCount)
      Corrupt("the header lists more allocation table sectors than the file has");
    std::vector<Cardinal> fatSectorIds;
    fatSectorIds.reserve(fatSectors);
    for (unsigned i = 0; i < kHeaderFatSlots && fatSectorIds.size() < fatSectors; ++i)
      fatSectorIds.push_back(header.U32At(76 + 4 * i));
    // Further table sectors are listed by a chain of DIFAT sectors, each ending with the
    // number of the next.
    const unsigned perDifatSector = fSectorSize / 4 - 1;
    const auto fileSectors = static_cast<Cardinal>(fSectorCount);
    std::vector<bool> seen(fileSectors);
    std::vector<Byte> sector(fSectorSize);
    const TByteCursor fields = Structure(sector);
    Cardinal difat = header.U32At(68);
    while (fatSectorIds.size() < fatSectors) {
      if (difat >= fileSectors)
        Corrupt("the DIFAT chain reaches sector " + std::to_string(difat) + ", out of range");
      if (seen[difat]) Corrupt("the DIFAT chain is cyclic");
      seen[difat] = true;
      ReadSector(difat, 0, sector.data(), fSectorSize);
      for (unsigned i = 0; i < perDifatSector && fatSectorIds.size() < fatSectors; ++i)
        fatSectorIds.push_back(fields.U32At(UInt64{4} * i));
      difat = fields.U32At(UInt64{4} * perDifatSector);
    }
    fFat.resize(static_cast<std::size_t>(fatSectors) * (fSectorSize / 4));
    for (std::size_t i = 0; i < fatSectorIds.size(); ++i) {
      if (fatSectorIds[i] >= fileSectors)
        Corrupt("allocation table sector " + std::to_string(fatSectorIds[i]) + " is out of range");
      ReadSector(fatSectorIds[i], 0, sector.data(), fSectorSize);
      for (unsigned j = 0; j < fSectorSize / 4; ++j)
        fFat[i * (fSectorSize / 4) + j] = fields.U32At(UInt64{4} * j);
    }
  }

  void ReadDirectory() {
    std::vector<Byte> data = ReadChainBytes(
        FollowChain(Structure(fHeader).U32At(48), fFat, SectorLimit(), std::nullopt, "directory"));
    const std::size_t count = data.size() / kEntrySize;
    if (count == 0) Corrupt("the directory is empty");
    fEntries.resize(count);
    fChildren.resize(count);
    std::vector<bool> reached(count);
    reached[0] = true;
    ParseEntry(0, Structure(std::span(data).first(kEntrySize)));
    if (fEntries[0].Type != etRoot) Corrupt("the first directory entry is not the root");
    // Breadth-first over the storages; each storage's children form a binary tree whose
    // in-order walk is the directory order. No entry may be reached twice.
    std::vector<Cardinal> storages = {0};
    std::vector<Cardinal> stack;
    for (std::size_t s = 0; s < storages.size(); ++s) {
      Cardinal node = fEntries[storages[s]].Child;
      auto& children = fChildren[storages[s]];
      while (node != kNoEntry || !stack.empty()) {
        while (node != kNoEntry) {
          if (node >= count) Corrupt("directory entry " + std::to_string(node) + " is out of range");
          if (reached[node]) Corrupt("directory entry " + std::to_string(node) + " is reached twice");
          reached[node] = true;
          ParseEntry(node, Structure(std::span(data).subspan(static_cast<std::size_t>(node) * kEntrySize, kEntrySize)));
          stack.push_back(node);
          node = fEntries[node].Left;
        }
        node = stack.back();
        stack.pop_back();
        children.push_back(node);
        if (fEntries[node].Type == etStorage) storages.push_back(node);
        node = fEntries[node].Right;
      }
    }
  }

  void ParseEntry(Cardinal id, const TByteCursor& raw) {
    TDirectoryEntry& e = fEntries[id];
    // The name is only a label: writers differ on whether its declared length holds the
    // terminating zero, so it runs to that length or to its first zero, whichever is first.
    const Word nameBytes = std::min<Word>(raw.U16At(64), kNameBytes);
    for (unsigned i = 0; i + 1 < nameBytes; i += 2) {
      const Word c = raw.U16At(i);
      if (c == 0) break;
      e.Name += static_cast<char16_t>(c);
    }
    e.Type = raw.U8At(66);
    if (e.Type != etStorage && e.Type != etStream && !(e.Type == etRoot && id == 0))
      Corrupt("directory entry " + std::to_string(id) + " has the unknown type " + std::to_string(e.Type));
    e.Left = raw.U32At(68);
    e.Right = raw.U32At(72);
    e.Child = e.Type == etStream ? kNoEntry : raw.U32At(76);
    e.Start = raw.U32At(116);
    // Version 3 files keep a 32-bit size; old writers left garbage in the upper half.
    e.Size = fVersion3 ? raw.U32At(120) : raw.U64At(120);
    if (e.Type == etStorage) e.Size = 0;
  }

  void ReadMiniStreamTables() {
    const TDirectoryEntry& root = fEntries[0];
    fMiniStreamSize = root.Size;
    fMiniStreamChain =
        FollowChain(root.Start, fFat, SectorLimit(), CeilDiv(root.Size, fSectorSize), "mini stream");
    std::vector<Byte> table = ReadChainBytes(
        FollowChain(Structure(fHeader).U32At(60), fFat, SectorLimit(), std::nullopt, "mini allocation table"));
    fMiniFat.resize(table.size() / 4);
    const TByteCursor slots = Structure(table);
    for (std::size_t i = 0; i < fMiniFat.size(); ++i) fMiniFat[i] = slots.U32At(4 * i);
  }

  // Follows a chain from start through table. With a needed count, exactly that many
  // units are taken (a longer chain is cut there, a shorter one is an error); without one
  // the chain runs to its end mark. Every unit must lie below limit, and none may repeat.
  static std::vector<Cardinal> FollowChain(Cardinal start, const std::vector<Cardinal>& table, Cardinal limit,
                                           std::optional<UInt64> needed, const std::string& what) {
    if (needed && *needed > limit) Corrupt("the size of the " + what + " runs past the end of the file");
    std::vector<Cardinal> chain;
    std::vector<bool> seen(limit);
    Cardinal unit = start;
    while (needed ? chain.size() < *needed : unit != kEndOfChain) {
      if (unit == kEndOfChain)
        Corrupt("the " + what + " ends after " + std::to_string(chain.size()) + " of " +
                std::to_string(*needed) + " sectors");
      if (unit >= limit)
        Corrupt("the " + what + " reaches sector " + std::to_string(unit) + ", out of range");
      if (seen[unit]) Corrupt("the chain of the " + what + " is cyclic");
      seen[unit] = true;
      chain.push_back(unit);
      unit = table[unit];
    }
    return chain;
  }

  std::vector<Byte> ReadChainBytes(const std::vector<Cardinal>& chain) const {
    std::vector<Byte> data(chain.size() * fSectorSize);
    for (std::size_t i = 0; i < chain.size(); ++i)
      ReadSector(chain[i], 0, &data[i * fSectorSize], fSectorSize);
    return data;
  }

  void ReadSector(Cardinal sector, unsigned offset, Byte* buffer, std::size_t count) const {
    fSource->ReadAt((static_cast<UInt64>(sector) + 1) * fSectorSize + offset, buffer, count);
  }

  // Sector numbers must be below both the file's sector count and the table's size.
  Cardinal SectorLimit() const { return static_cast<Cardinal>(std::min<UInt64>(fSectorCount, fFat.size())); }
  Cardinal MiniSectorLimit() const {
    return static_cast<Cardinal>(
        std::min<UInt64>(CeilDiv(fMiniStreamSize, kMiniSectorSize), fMiniFat.size()));
  }

  std::unique_ptr<TByteSource> fSource;
  std::array<Byte, kHeaderFields> fHeader{};
  bool fVersion3 = true;
  unsigned fSectorShift = 9;
  unsigned fSectorSize = 512;
  UInt64 fSectorCount = 0;
  std::vector<Cardinal> fFat;
  std::vector<Cardinal> fMiniFat;
  std::vector<Cardinal> fMiniStreamChain;
  UInt64 fMiniStreamSize = 0;
  std::vector<TDirectoryEntry> fEntries;
  std::vector<std::vector<Cardinal>> fChildren;  // per storage, in directory order
};

// ---- TCompoundStream

TCompoundStream::TCompoundStream(std::shared_ptr<const TCompoundDocument> document,
                                 std::vector<Cardinal> chain, bool inMiniStream, UInt64 size)
    : fDocument(std::move(document)), fChain(std::move(chain)), fInMiniStream(inMiniStream), fSize(size) {}

std::size_t TCompoundStream::Read(void* buffer, std::size_t count) {
  if (fPosition >= fSize) return 0;
  const std::size_t total = static_cast<std::size_t>(std::min<UInt64>(count, fSize - fPosition));
  const unsigned shift = fDocument->UnitShift(fInMiniStream);
  const UInt64 unitSize = UInt64{1} << shift;
  auto* out = static_cast<Byte*>(buffer);
  std::size_t done = 0;
  while (done < total) {
    const UInt64 index = fPosition >> shift;
    const auto offset = static_cast<unsigned>(fPosition & (unitSize - 1));
    auto chunk = static_cast<std::size_t>(std::min<UInt64>(unitSize - offset, total - done));
    // Sectors that follow one another in the file (most do) are read in one go.
    for (UInt64 next = index + 1; !fInMiniStream && chunk < total - done && next < fChain.size() &&
                                  fChain[next] == fChain[next - 1] + 1;
         ++next)
      chunk = static_cast<std::size_t>(std::min<UInt64>(chunk + unitSize, total - done));
    fDocument->ReadUnit(fInMiniStream, fChain[index], offset, out + done, chunk);
    done += chunk;
    fPosition += chunk;
  }
  return done;
}

// ---- TCompoundStorage

const WideString& TCompoundStorage::Name() const {
  return fDocument->Entry(fEntry).Name;
}

std::vector<TCompoundElement> TCompoundStorage::Elements() const {
  std::vector<TCompoundElement> elements;
  for (Cardinal child : fDocument->Children(fEntry)) {
    const TDirectoryEntry& e = fDocument->Entry(child);
    elements.push_back({e.Name, static_cast<TCompoundElementType>(e.Type), e.Size});
  }
  return elements;
}

std::optional<TCompoundElement> TCompoundStorage::FindElement(const WideString& name) const {
  for (Cardinal child : fDocument->Children(fEntry)) {
    const TDirectoryEntry& e = fDocument->Entry(child);
    if (SameNameIgnoringCase(e.Name, name))
      return TCompoundElement{e.Name, static_cast<TCompoundElementType>(e.Type), e.Size};
  }
  return std::nullopt;
}

Cardinal TCompoundStorage::FindChild(const WideString& name, TCompoundElementType type) const {
  for (Cardinal child : fDocument->Children(fEntry)) {
    const TDirectoryEntry& e = fDocument->Entry(child);
    if (e.Type == static_cast<Byte>(type) && SameNameIgnoringCase(e.Name, name)) return child;
  }
  throw EFOpenError(std::string("Compound file has no ") +
                    (type == TCompoundElementType::Stream ? "stream" : "storage") + " named \"" +
                    PrintableName(name) + "\"");
}

TCompoundStorage TCompoundStorage::OpenStorage(const WideString& name) const {
  return TCompoundStorage(fDocument, FindChild(name, TCompoundElementType::Storage));
}

TCompoundStream TCompoundStorage::OpenStream(const WideString& name) const {
  const TDirectoryEntry& e = fDocument->Entry(FindChild(name, TCompoundElementType::Stream));
  bool inMiniStream = false;
  std::vector<Cardinal> chain = fDocument->StreamChain(e, inMiniStream);
  return TCompoundStream(fDocument, std::move(chain), inMiniStream, e.Size);
}

// ---- TCompoundFile

bool TCompoundFile::HasSignature(const void* data, std::size_t size) {
  return size >= kSignature.size() && std::memcmp(data, kSignature.data(), kSignature.size()) == 0;
}

bool TCompoundFile::IsCompoundFile(const std::string& fileName) {
  try {
    TFileSource source(fileName);
    std::array<Byte, kSignature.size()> head{};
    if (source.Size() < head.size()) return false;
    source.ReadAt(0, head.data(), head.size());
    return HasSignature(head.data(), head.size());
  } catch (const Exception&) {
    return false;
  }
}

TCompoundFile TCompoundFile::OpenFile(const std::string& fileName) {
  return TCompoundFile(std::make_shared<const TCompoundDocument>(std::make_unique<TFileSource>(fileName)));
}

TCompoundFile TCompoundFile::OpenMemory(std::vector<Byte> data) {
  return TCompoundFile(
      std::make_shared<const TCompoundDocument>(std::make_unique<TMemorySource>(std::move(data))));
}

TCompoundFile TCompoundFile::OpenMemory(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const Byte*>(data);
  return OpenMemory(std::vector<Byte>(bytes, bytes + size));
}

TCompoundStorage TCompoundFile::Root() const {
  return TCompoundStorage(fDocument, 0);
}

unsigned TCompoundFile::SectorSize() const {
  return fDocument->SectorSize();
}

}  // namespace ordvane
