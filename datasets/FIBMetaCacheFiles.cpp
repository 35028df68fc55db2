// The three cache files of the metadata collections. Integers are 32-bit little-endian,
// Booleans one byte, strings a 32-bit length and that many bytes. Every length and count
// is checked against the bytes left before anything is taken, a file is parsed whole
// before its entries replace the collection's, and a file is written beside the old one
// and renamed over it.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "classlib/core/ByteCursor.h"
#include "classlib/core/Streams.h"
#include "datasets/FIBMetaCache.h"
#include "datasets/FIBRepository.h"

namespace ordvane {

namespace {

constexpr const char* kTableSignature = "FIB$MCF";
constexpr Integer kTableVersion = 6;
constexpr const char* kDataSetSignature = "FIB$MCFDS";
constexpr Integer kDataSetVersion = 1;
constexpr const char* kErrorSignature = "FIB$Error_messages";
constexpr Integer kErrorVersion = 1;

// Smallest encodings of one entry, for the check of a count against the bytes left.
constexpr std::size_t kMinTableBytes = 4 + 4 + 4 + 1 + 4 + 4 + 4 + 4;
constexpr std::size_t kMinFieldBytes = 4 + 6 + 4 + 4 + 6 * 4;
constexpr std::size_t kMinDataSetBytes = 4 + 4 + 4 + 10 * 4 + 1;
constexpr std::size_t kMinOuterBytes = 4 + 4;
constexpr std::size_t kMinMessageBytes = 4 + 4 + 4;

class TCacheReader {
 public:
  explicit TCacheReader(const RawByteString& bytes)
      : fCursor(std::span(reinterpret_cast<const Byte*>(bytes.data()), bytes.size()),
                [] { Damaged(); }) {}

  // The text with its length in front, or the bare characters.
  bool Signature(const AnsiString& text) {
    if (fCursor.Holds(fCursor.Position(), 4 + text.size()) && fCursor.U32At(fCursor.Position()) == text.size() &&
        Matches(fCursor.Position() + 4, text)) {
      fCursor.Skip(4 + text.size());
      return true;
    }
    if (!fCursor.Holds(fCursor.Position(), text.size()) || !Matches(fCursor.Position(), text)) return false;
    fCursor.Skip(text.size());
    return true;
  }
  bool HoldsInteger() const { return fCursor.Remaining() >= 4; }
  Integer Int() { return static_cast<Integer>(fCursor.U32()); }
  bool Bool() { return fCursor.U8() != 0; }
  AnsiString String() {
    const std::span<const Byte> bytes = fCursor.Read(fCursor.U32());
    return AnsiString(bytes.begin(), bytes.end());
  }
  // A count of entries taking at least minBytes each.
  std::size_t Count(std::size_t minBytes) {
    const Cardinal count = fCursor.U32();
    if (count > fCursor.Remaining() / minBytes) Damaged();
    return count;
  }
  // A text of lines, which must read back as written: the writer never stores a line
  // break other than CR LF.
  void Lines(TStrings& lines) {
    const AnsiString text = String();
    lines.SetText(text);
    if (lines.Text() != text) Damaged();
  }
  // Nothing may follow the last entry.
  void ExpectEnd() const {
    if (fCursor.Remaining() != 0) Damaged();
  }
  // An entry under a key the file named before: the writer writes each key once.
  template <class Map, class Key, class Value>
  static void AddUnique(Map& map, Key&& key, Value&& value) {
    if (!map.emplace(std::forward<Key>(key), std::forward<Value>(value)).second) Damaged();
  }
  [[noreturn]] static void Damaged() { throw EReadError("Stream read error"); }

 private:
  bool Matches(std::size_t offset, const AnsiString& text) const {
    const std::span<const Byte> bytes = fCursor.SliceAt(offset, text.size());
    return std::equal(bytes.begin(), bytes.end(), text.begin(), text.end(),
                      [](Byte b, char c) { return b == static_cast<Byte>(c); });
  }

  TByteCursor fCursor;
};

class TCacheWriter {
 public:
  void Int(Integer value) {
    for (int shift = 0; shift < 32; shift += 8) fBytes.push_back(static_cast<char>((static_cast<Cardinal>(value) >> shift) & 0xFF));
  }
  void Bool(bool value) { fBytes.push_back(value ? '\1' : '\0'); }
  void String(const AnsiString& value) {
    Int(static_cast<Integer>(value.size()));
    fBytes += value;
  }
  // Written to a new file in the same folder, then renamed over the old one: a save cut
  // short leaves the old file whole. Never raises.
  void SaveAs(const AnsiString& fileName) const noexcept {
    try {
      std::string temporary = fileName + ".XXXXXX";
      const int descriptor = mkstemp(temporary.data());
      if (descriptor < 0) return;
      const bool written =
          ::write(descriptor, fBytes.data(), fBytes.size()) == static_cast<ssize_t>(fBytes.size()) &&
          ::fsync(descriptor) == 0;
      const bool closed = ::close(descriptor) == 0;
      std::error_code error;
      if (written && closed) std::filesystem::rename(temporary, fileName, error);
      if (!written || !closed || error) std::filesystem::remove(temporary, error);
    } catch (...) {
      // Saving a cache is a courtesy to the next run; failing it costs nothing now.
    }
  }

 private:
  RawByteString fBytes;
};

// The file's bytes; false when there is no such file.
bool ReadFileBytes(const AnsiString& fileName, RawByteString& bytes) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) throw EReadError("Stream read error");
  return true;
}

void DeleteQuietly(const AnsiString& fileName) noexcept {
  std::error_code error;
  std::filesystem::remove(fileName, error);
}

}  // namespace

// ---- FIB$MCF ----------------------------------------------------------------------------

class TTableCacheFile {
 public:
  static void WriteTable(TCacheWriter& out, TpFIBTableInfo& table) {
    out.String(table.fDBName);
    out.String(table.fTableName);
    out.Bool(table.fWithRepository);
    out.Int(table.fFormatVersion);
    out.Int(table.fFieldsInfoVersion);
    {
      std::lock_guard lock(table.fKeyLock);
      out.String(table.fPrimaryKeyFields);
    }
    out.Int(static_cast<Integer>(table.fFields.size()));
    for (const auto& [name, field] : table.fFields) {
      out.String(name);
      for (bool flag : {field->IsComputed, field->CanCompare, field->EmptyDefault, field->HasRepositoryInfo,
                        field->Visible, field->Triggered})
        out.Bool(flag);
      out.Int(field->DisplayWidth);
      out.Int(field->CharSetID);
      for (const AnsiString* text : {&field->DefaultValue, &field->DomainName, &field->DisplayLabel, &field->EditFormat,
                                     &field->DisplayFormat})
        out.String(*text);
      out.String(field->OtherInfo.Text());
    }
  }

  static std::shared_ptr<TpFIBTableInfo> ReadTable(TCacheReader& in) {
    const AnsiString dbName = in.String();
    const AnsiString tableName = in.String();
    auto table = std::make_shared<TpFIBTableInfo>(dbName, tableName);
    table->fWithRepository = in.Bool();
    table->fFormatVersion = in.Int();
    table->fFieldsInfoVersion = in.Int();
    table->fPrimaryKeyFields = in.String();
    table->fFromCacheFile = true;
    for (std::size_t count = in.Count(kMinFieldBytes); count > 0; --count) {
      const AnsiString name = in.String();
      auto field = std::make_shared<TpFIBFieldInfo>();
      for (bool* flag : {&field->IsComputed, &field->CanCompare, &field->EmptyDefault, &field->HasRepositoryInfo,
                         &field->Visible, &field->Triggered})
        *flag = in.Bool();
      field->DisplayWidth = in.Int();
      field->CharSetID = in.Int();
      for (AnsiString* text : {&field->DefaultValue, &field->DomainName, &field->DisplayLabel, &field->EditFormat,
                               &field->DisplayFormat})
        *text = in.String();
      in.Lines(field->OtherInfo);
      TCacheReader::AddUnique(table->fFields, name, field);
    }
    return table;
  }
};

bool TpFIBTableInfoCollect::LoadFromFile(const AnsiString& fileName, TFIBDatabase* database) {
  RawByteString bytes;
  std::unique_lock lock(fLock);
  if (!ReadFileBytes(fileName, bytes)) return false;
  fTables.clear();
  TCacheReader in(bytes);
  if (!in.Signature(kTableSignature) || !in.HoldsInteger() || in.Int() < kTableVersion) return false;
  const Integer storedStamp = in.Int();
  TTables tables;
  for (std::size_t count = in.Count(kMinTableBytes); count > 0; --count) {
    const AnsiString key = in.String();
    auto table = TTableCacheFile::ReadTable(in);
    // One entry per table of a database; the same name may come from several databases.
    const auto [first, last] = tables.equal_range(key);
    if (std::any_of(first, last, [&](const auto& entry) { return entry.second->DBName() == table->DBName(); }))
      TCacheReader::Damaged();
    tables.emplace(key, std::move(table));
  }
  in.ExpectEnd();
  if (database != nullptr && database->Connected()) {
    Watch(*database);
    TOwnReadTransaction own(*database);
    TakeStamp(own.Transaction());
    // A database whose transaction counter went back (a restored copy) is not the one
    // the file describes.
    if (fStamp < storedStamp) return false;
  }
  fTables = std::move(tables);
  return true;
}

void TpFIBTableInfoCollect::SaveToFile(const AnsiString& fileName) noexcept {
  std::unique_lock lock(fLock);
  if (fTables.empty()) return DeleteQuietly(fileName);
  TCacheWriter out;
  out.String(kTableSignature);
  out.Int(kTableVersion);
  out.Int(fStamp);
  out.Int(static_cast<Integer>(fTables.size()));
  for (const auto& [key, table] : fTables) {
    out.String(key);
    TTableCacheFile::WriteTable(out, *table);
  }
  out.SaveAs(fileName);
}

// ---- FIB$MCFDS --------------------------------------------------------------------------

class TDataSetCacheFile {
 public:
  static void WriteEntry(TCacheWriter& out, const TpDataSetInfo& entry) {
    out.String(entry.DBName);
    out.Int(entry.Version);
    for (const TStringList* text : {&entry.SelectSQL, &entry.InsertSQL, &entry.UpdateSQL, &entry.DeleteSQL,
                                    &entry.RefreshSQL})
      out.String(text->Text());
    for (const AnsiString* text :
         {&entry.KeyField, &entry.GeneratorName, &entry.Description, &entry.UpdateTableName, &entry.Conditions})
      out.String(*text);
    out.Bool(entry.UpdateOnlyModifiedFields);
  }
  static std::shared_ptr<TpDataSetInfo> ReadEntry(TCacheReader& in) {
    auto entry = std::make_shared<TpDataSetInfo>();
    entry->DBName = in.String();
    entry->Version = in.Int();
    for (TStringList* text : {&entry->SelectSQL, &entry->InsertSQL, &entry->UpdateSQL, &entry->DeleteSQL,
                              &entry->RefreshSQL})
      in.Lines(*text);
    for (AnsiString* text : {&entry->KeyField, &entry->GeneratorName, &entry->Description, &entry->UpdateTableName,
                             &entry->Conditions})
      *text = in.String();
    entry->UpdateOnlyModifiedFields = in.Bool();
    entry->NeedsVersionCheck = true;
    return entry;
  }
};

bool TpDataSetInfoCollect::LoadFromFile(const AnsiString& fileName) {
  RawByteString bytes;
  std::lock_guard lock(fLock);
  if (!ReadFileBytes(fileName, bytes)) return false;
  fEntries.clear();
  TCacheReader in(bytes);
  if (!in.Signature(kDataSetSignature) || !in.HoldsInteger() || in.Int() < kDataSetVersion) return false;
  decltype(fEntries) entries;
  for (std::size_t count = in.Count(kMinDataSetBytes); count > 0; --count) {
    const AnsiString key = in.String();
    auto entry = TDataSetCacheFile::ReadEntry(in);
    TCacheReader::AddUnique(entries, std::make_pair(key, entry->DBName), entry);
  }
  in.ExpectEnd();
  fEntries = std::move(entries);
  return true;
}

void TpDataSetInfoCollect::SaveToFile(const AnsiString& fileName) noexcept {
  std::lock_guard lock(fLock);
  if (fEntries.empty()) return DeleteQuietly(fileName);
  TCacheWriter out;
  out.String(kDataSetSignature);
  out.Int(kDataSetVersion);
  out.Int(static_cast<Integer>(fEntries.size()));
  for (const auto& [key, entry] : fEntries) {
    out.String(key.first);
    TDataSetCacheFile::WriteEntry(out, *entry);
  }
  out.SaveAs(fileName);
}

// ---- FIB$Error_messages -----------------------------------------------------------------

bool TpErrorMessagesCollect::LoadFromFile(const AnsiString& fileName) {
  RawByteString bytes;
  std::lock_guard lock(fLock);
  if (!ReadFileBytes(fileName, bytes)) return false;
  fMessages.clear();
  TCacheReader in(bytes);
  if (!in.HoldsInteger() || in.Int() != kErrorVersion || !in.Signature(kErrorSignature)) return false;
  const Integer stamp = in.Int();
  TMessages messages;
  for (std::size_t outer = in.Count(kMinOuterBytes); outer > 0; --outer) {
    const AnsiString group = in.String();
    if (messages.contains(group)) TCacheReader::Damaged();
    auto& inner = messages[group];
    for (std::size_t count = in.Count(kMinMessageBytes); count > 0; --count) {
      auto message = std::make_shared<TpErrorMessage>();
      message->Version = in.Int();
      AnsiString key = in.String();
      message->Text = in.String();
      TCacheReader::AddUnique(inner, std::move(key), std::move(message));
    }
    // A group without messages holds nothing: kept, it would make an empty collection
    // look full to SaveToFile.
    if (inner.empty()) messages.erase(group);
  }
  in.ExpectEnd();
  fMessages = std::move(messages);
  fStamp = stamp;
  return true;
}

void TpErrorMessagesCollect::SaveToFile(const AnsiString& fileName) noexcept {
  std::lock_guard lock(fLock);
  if (fMessages.empty()) return DeleteQuietly(fileName);
  TCacheWriter out;
  out.Int(kErrorVersion);
  out.String(kErrorSignature);
  out.Int(fStamp);
  out.Int(static_cast<Integer>(fMessages.size()));
  for (const auto& [outerKey, inner] : fMessages) {
    out.String(outerKey);
    out.Int(static_cast<Integer>(inner.size()));
    for (const auto& [innerKey, message] : inner) {
      out.Int(message->Version);
      out.String(innerKey);
      out.String(message->Text);
    }
  }
  out.SaveAs(fileName);
}

}  // namespace ordvane
