#include "dbclient/pFIBLists.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace ordvane {

// ---- TObjStringList ------------------------------------------------------------------

TObjStringList::TObjStringList(TObject* owner, bool hashed) : fOwner(owner), fHashed(hashed) {
  if (!hashed) {
    fNames.SetSorted(true);
    fNames.SetDuplicates(dupIgnore);
  }
}

TObjStringList::~TObjStringList() {
  Clear();
}

Integer TObjStringList::HashOf(const AnsiString& name) {
  // Read from the second byte on, the terminating zero included.
  const auto* bytes = reinterpret_cast<const unsigned char*>(name.c_str());
  const int n = static_cast<int>(name.size());
  Cardinal h = 0;
  if (n < 16) {
    for (int i = 1; i <= n; ++i) h = h * 37 + bytes[i] - 32;
  } else {
    const int step = n / 8;
    int offset = 1;
    for (int remaining = n - 1; remaining >= 0; remaining -= step, offset += step) h = h * 39 + bytes[offset] - 32;
  }
  return static_cast<Integer>(h);
}

bool TObjStringList::FindHashed(const AnsiString& name, Integer hash, int& index) const {
  const auto first = std::lower_bound(fHashes.begin(), fHashes.end(), hash);
  index = static_cast<int>(first - fHashes.begin());
  for (int i = index; i < Count() && fHashes[i] == hash; ++i) {
    if (fNames.Strings(i) == name) {
      index = i;
      return true;
    }
  }
  return false;
}

bool TObjStringList::Find(const AnsiString& name, int& index) const {
  return fHashed ? FindHashed(name, HashOf(name), index) : fNames.Find(name, index);
}

int TObjStringList::AddObject(const AnsiString& name, TObject* object) {
  int index;
  if (Find(name, index)) return index;
  if (fHashed) {
    fNames.InsertObject(index, name, object);
    fHashes.insert(fHashes.begin() + index, HashOf(name));
    return index;
  }
  return fNames.AddObject(name, object);
}

TObject* TObjStringList::Remove(const AnsiString& name) {
  int index;
  return Find(name, index) ? Delete(index) : nullptr;
}

TObject* TObjStringList::Delete(int index) {
  TObject* object = fNames.Objects(index);  // checks the index
  fNames.Delete(index);
  if (fHashed) fHashes.erase(fHashes.begin() + index);
  return object;
}

void TObjStringList::Clear() {
  std::vector<TObject*> objects;
  for (int i = 0; i < Count(); ++i) objects.push_back(fNames.Objects(i));
  fNames.Clear();
  fHashes.clear();
  for (TObject* object : objects) delete object;
}

// ---- TSortedList ---------------------------------------------------------------------

bool TSortedList::Find(Integer key, int& index) const {
  const auto at = std::lower_bound(fKeys.begin(), fKeys.end(), key);
  index = static_cast<int>(at - fKeys.begin());
  return at != fKeys.end() && *at == key;
}

int TSortedList::Add(Integer key) {
  int index;
  if (!Find(key, index)) fKeys.insert(fKeys.begin() + index, key);
  return index;
}

void TSortedList::Remove(Integer key) {
  int index;
  if (Find(key, index)) fKeys.erase(fKeys.begin() + index);
}

void TSortedList::IncValues(Integer key, Integer delta) {
  int first;
  Find(key, first);
  if (first == Count() || delta == 0) return;
  const auto shifted = [delta](Integer k) { return static_cast<Int64>(k) + delta; };
  const bool inRange = shifted(fKeys.back()) <= std::numeric_limits<Integer>::max() &&
                       shifted(fKeys[first]) >= std::numeric_limits<Integer>::min();
  const bool keepsOrder = first == 0 || shifted(fKeys[first]) > fKeys[first - 1];
  if (!inRange || !keepsOrder)
    throw EListError("Shifting the keys from " + std::to_string(key) + " by " + std::to_string(delta) +
                     " would break the sorted list");
  for (std::size_t i = static_cast<std::size_t>(first); i < fKeys.size(); ++i)
    fKeys[i] = static_cast<Integer>(shifted(fKeys[i]));
}

Integer TSortedList::GetItem(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return fKeys[static_cast<std::size_t>(index)];
}

// ---- TStringCollection ---------------------------------------------------------------

TStringCollection::TStringCollection(int colCount)
    : fColumns(static_cast<std::size_t>(std::max(colCount, 0))), fColCount(std::max(colCount, 0)) {}

void TStringCollection::CheckCell(int x, int y, const char* access) const {
  const AnsiString prefix = AnsiString("Can't ") + access + " value to StrCollection. Bad ";
  ORDVANE_ASSERT(x >= 0 && x < fColCount, prefix + "X-Index");
  ORDVANE_ASSERT(y >= 0 && y < fRowCount, prefix + "Y-Index");
}

int TStringCollection::AddRow() {
  if (fRowCount == fCapacity) {
    const int capacity = fCapacity == 0 ? 128 : fCapacity + fCapacity / 2;
    for (auto& column : fColumns) column.resize(static_cast<std::size_t>(capacity));
    fCapacity = capacity;
  }
  for (auto& column : fColumns) column[static_cast<std::size_t>(fRowCount)].clear();
  return ++fRowCount;
}

void TStringCollection::DeleteRow(int row) {
  ORDVANE_ASSERT(row >= 0 && row < fRowCount, "Can't write value to StrCollection. Bad Y-Index");
  for (auto& column : fColumns) {
    std::move(column.begin() + row + 1, column.begin() + fRowCount, column.begin() + row);
    column[static_cast<std::size_t>(fRowCount - 1)].clear();
  }
  --fRowCount;
}

AnsiString TStringCollection::ReadString(int x, int y) const {
  CheckCell(x, y, "read");
  return fColumns[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)];
}

void TStringCollection::WriteString(int x, int y, const AnsiString& text) {
  CheckCell(x, y, "write");
  fColumns[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)].assign(text.data(), text.size());
}

void TStringCollection::WriteBuffer(int x, int y, int len, const char* buffer) {
  CheckCell(x, y, "write");
  AnsiString& cell = fColumns[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)];
  if (len < 0)
    cell.assign(buffer ? buffer : "");
  else if (len == 0 || buffer == nullptr)
    cell.clear();
  else
    cell.assign(buffer, static_cast<std::size_t>(len));
}

AnsiString* TStringCollection::GetCellPtr(int x, int y) {
  CheckCell(x, y, "read");
  return &fColumns[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)];
}

void TStringCollection::Clear() {
  for (auto& column : fColumns) std::vector<AnsiString>().swap(column);
  fRowCount = 0;
  fCapacity = 0;
}

}  // namespace ordvane
