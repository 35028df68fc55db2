#include "import/SMVBA.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "classlib/core/ByteCursor.h"

namespace ordvane {

namespace {

constexpr std::size_t DirectoryHeaderSize = 34;
constexpr std::size_t ReferenceCountAt = 30;
constexpr Word ShortestReference = 6;
constexpr std::size_t ReferenceTrailerSize = 12;
constexpr Word EndMarker = 0xFFFF;
constexpr std::array<Byte, 8> FixedOctets = {0x06, 0x02, 0x01, 0x00, 0x08, 0x02, 0x00, 0x00};

// The directory stream, read in order. It must not end before its structure does.
TByteCursor DirectoryCursor(std::span<const Byte> bytes) {
  return TByteCursor(bytes, [] { throw EVBAProjectError("Macro project stream is truncated"); });
}

// A name of the module directory: UTF-16LE characters (an odd last byte is dropped).
WideString ReadName(TByteCursor& cursor, Word byteLength) {
  const TByteCursor characters = DirectoryCursor(cursor.Read(byteLength));
  WideString name(characters.Size() / 2, u'\0');
  for (std::size_t i = 0; i < name.size(); ++i) name[i] = static_cast<char16_t>(characters.U16At(2 * i));
  return name;
}

bool WideStartsWith(const WideString& text, std::u16string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Reference strings come first. Those beginning "*\G" or "*\H" are each followed by 12
// bytes; those beginning "*\C" or "*\D", counted together, only every second one.
void ReadReferences(TByteCursor& cursor, Word count, TVBAProjectItems& items) {
  int controlReferences = 0;
  for (Word i = 0; i < count; ++i) {
    const Word length = cursor.U16();
    if (length < ShortestReference) {
      cursor.Seek(cursor.Position() - 2);
      return;
    }
    const WideString reference = ReadName(cursor, length);
    items.Add()->Reference = reference;
    if (WideStartsWith(reference, u"*\\G") || WideStartsWith(reference, u"*\\H")) {
      cursor.Skip(ReferenceTrailerSize);
    } else if (WideStartsWith(reference, u"*\\C") || WideStartsWith(reference, u"*\\D")) {
      if (++controlReferences % 2 == 0) cursor.Skip(ReferenceTrailerSize);
    }
  }
}

// The part between the references and the module records, whose content is not needed:
// a block sized by W, the fixed octets, a list ended by FFFF, two sized blocks and 100
// bytes.
void SkipToModuleRecords(TByteCursor& cursor) {
  const Word w = cursor.U16();
  cursor.Skip(w == 0 ? 318 : w == 0x10C ? 316 : 2 * std::size_t{w} + 6);
  const auto octets = cursor.Read(FixedOctets.size());
  if (!std::equal(octets.begin(), octets.end(), FixedOctets.begin()))
    throw Exception("Fixed octet is incorrect");
  while (cursor.U16() != EndMarker) {
  }
  for (int block = 0; block < 2; ++block) {
    const Word size = cursor.U16();
    if (size != EndMarker) cursor.Skip(size);
  }
  cursor.Skip(100);
}

void ReadModuleRecord(TByteCursor& cursor, TVBAProjectItem& item) {
  if (const Word length = cursor.U16(); length > 0) item.ModuleName = ReadName(cursor, length);
  if (const Word length = cursor.U16(); length > 0) item.SecondName = ReadName(cursor, length);
  if (const Word x = cursor.U16(); x == EndMarker) {
    cursor.Skip(2);
    cursor.Skip(cursor.U16());
  } else {
    cursor.Skip(std::size_t{x} + 2);
  }
  cursor.Skip(8);
  cursor.Skip(8 * std::size_t{cursor.U8()} + 6);
  item.TextOffset = static_cast<Integer>(cursor.U32());
  cursor.Skip(2);
}

// Letters A to Z match either case; every other character only itself.
bool SameModuleName(const WideString& a, const WideString& b) {
  auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

std::vector<Byte> ReadWholeStream(TCompoundStream stream) {
  std::vector<Byte> bytes(stream.Size());
  if (stream.Read(bytes.data(), bytes.size()) != bytes.size())
    throw EVBAProjectError("Macro project stream could not be read whole");
  return bytes;
}

// A storage or stream that the enumeration lists but that cannot be opened is passed
// over; a damaged file still fails.
template <class Handle>
std::optional<Handle> TryOpen(const TCompoundStorage& storage, const WideString& name,
                              Handle (TCompoundStorage::*open)(const WideString&) const) {
  try {
    return (storage.*open)(name);
  } catch (const EFOpenError&) {
    return std::nullopt;
  }
}

// Calls visit(parent storage, element) for each stream of the storage and of its
// sub-storages, a sub-storage being walked as soon as the enumeration reaches it. The
// walk keeps its own stack, so that deeply nested storages cannot exhaust the call stack.
template <class Visit>
void WalkStreams(const TCompoundStorage& root, Visit visit) {
  struct Level {
    TCompoundStorage storage;
    std::vector<TCompoundElement> elements;
    std::size_t next = 0;
  };
  std::vector<Level> levels;
  levels.push_back({root, root.Elements()});
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.elements.size()) {
      levels.pop_back();
      continue;
    }
    const TCompoundElement element = level.elements[level.next++];
    if (element.Type == TCompoundElementType::Storage) {
      if (auto storage = TryOpen(level.storage, element.Name, &TCompoundStorage::OpenStorage))
        levels.push_back({*storage, storage->Elements()});
    } else if (element.Type == TCompoundElementType::Stream) {
      visit(level.storage, element);
    }
  }
}

}  // namespace

TVBAProjectItem* TVBAProjectItems::Add() {
  auto item = std::make_unique<TVBAProjectItem>();
  fItems.Add(item.get());
  return item.release();
}

void ReadVBAModuleDirectory(std::span<const Byte> stream, TVBAProjectItems& items) {
  TByteCursor cursor = DirectoryCursor(stream);
  const Word references = DirectoryCursor(cursor.Read(DirectoryHeaderSize)).U16At(ReferenceCountAt);
  ReadReferences(cursor, references, items);
  SkipToModuleRecords(cursor);
  const Word modules = cursor.U16();
  for (int i = 0; i < modules; ++i)
    ReadModuleRecord(cursor, *(i < items.Count() ? items.Items(i) : items.Add()));
}

void ReadVBAModuleSource(std::span<const Byte> stream, TVBAProjectItem& item) {
  item.Source.clear();
  if (item.TextOffset < 0 || static_cast<std::size_t>(item.TextOffset) > stream.size())
    throw EVBAProjectError("Macro module source starts beyond the end of its stream");
  item.Source = VBADecompress(stream.subspan(static_cast<std::size_t>(item.TextOffset)));
}

void ReadVBAProject(const TCompoundStorage& storage, TVBAProjectItems& items, AnsiString& projectText) {
  WalkStreams(storage, [&](const TCompoundStorage& parent, const TCompoundElement& element) {
    const bool projectStream = element.Name == u"PROJECT";
    if (!projectStream && element.Name != u"_VBA_PROJECT") return;
    auto stream = TryOpen(parent, element.Name, &TCompoundStorage::OpenStream);
    if (!stream) return;
    const std::vector<Byte> bytes = ReadWholeStream(*stream);
    if (projectStream)
      projectText.assign(bytes.begin(), bytes.end());
    else
      ReadVBAModuleDirectory(bytes, items);
  });
}

void ReadVBASources(const TCompoundStorage& storage, TVBAProjectItems& items) {
  WalkStreams(storage, [&](const TCompoundStorage& parent, const TCompoundElement& element) {
    for (int i = 0; i < items.Count(); ++i) {
      TVBAProjectItem& item = *items.Items(i);
      if (!SameModuleName(item.ModuleName, element.Name)) continue;
      item.Source.clear();
      if (auto stream = TryOpen(parent, element.Name, &TCompoundStorage::OpenStream))
        ReadVBAModuleSource(ReadWholeStream(*stream), item);
      return;
    }
  });
}

}  // namespace ordvane
