#pragma once
// Three containers of the database-access layer: a list of named objects that owns them
// and finds a name quickly (TObjStringList), a sorted set of 32-bit integers that can
// shift its keys (TSortedList), and a growable table of strings addressed by column and
// row (TStringCollection). None of them locks; their owners serialise access.

#include <memory>
#include <vector>

#include "classlib/core/StringLists.h"
#include "classlib/core/System.h"

namespace ordvane {

// Named objects, owned by the list: Clear and the destructor delete every object.
//
// Hashed, the entries are ordered by the hash of their name (a plain signed compare of
// the 32-bit hashes) and names compare exactly; equal hashes are told apart by comparing
// the names. Not hashed, the names live in a sorted string list that ignores duplicates
// and compares as the class library's sorted lists do (the locale, case-insensitive).
class TObjStringList : public TObject {
  ORDVANE_CLASS(TObjStringList, TObject)

 public:
  TObjStringList(TObject* owner, bool hashed);
  ~TObjStringList() override;

  // Adds the name with its object, which the list then owns, and returns its index. When
  // the name is listed already nothing is added and the existing index is returned: the
  // object stays the caller's (compare GetObject(index) with it to tell).
  int AddObject(const AnsiString& name, TObject* object);
  // Deletes the name's entry when present; its object is not deleted but handed back to
  // the caller (nullptr when the name is absent).
  TObject* Remove(const AnsiString& name);
  // True with the index of the name, or false with the index where it would go.
  bool Find(const AnsiString& name, int& index) const;
  // Deletes the entry at index; its object is not deleted but handed back.
  TObject* Delete(int index);
  // Deletes every object, then empties the list.
  void Clear();

  int Count() const { return fNames.Count(); }
  AnsiString Names(int index) const { return fNames.Strings(index); }
  TObject* GetObject(int index) const { return fNames.Objects(index); }
  TObject* Owner() const { return fOwner; }
  bool Hashed() const { return fHashed; }

  // The hash that orders a hashed list.
  static Integer HashOf(const AnsiString& name);

 private:
  bool FindHashed(const AnsiString& name, Integer hash, int& index) const;

  TObject* fOwner;
  TStringList fNames;
  std::vector<Integer> fHashes;  // parallel to fNames when hashed
  bool fHashed;
};

// A sorted set of signed 32-bit keys without duplicates.
class TSortedList : public TObject {
  ORDVANE_CLASS(TSortedList, TObject)

 public:
  // True with the key's position, or false with the position of the first greater key.
  bool Find(Integer key, int& index) const;
  // Inserts an absent key at its place; returns its position either way.
  int Add(Integer key);
  void Remove(Integer key);
  // Adds delta to every key not smaller than key. A delta that would make a shifted key
  // meet or pass the key before it, or leave the 32-bit range, raises EListError and
  // changes nothing.
  void IncValues(Integer key, Integer delta);
  // The key at a position; EListError outside the list.
  Integer GetItem(int index) const;
  int Count() const { return static_cast<int>(fKeys.size()); }
  void Clear() { fKeys.clear(); }
  // The largest key, -1 when the list is empty.
  Integer LastItem() const { return fKeys.empty() ? -1 : fKeys.back(); }

 private:
  std::vector<Integer> fKeys;
};

// A table of strings with a fixed number of columns and a growing number of rows. Every
// cell access checks the column and the row (negative indices included) and fails with
// EAssertionFailed "Can't read value to StrCollection. Bad X-Index" (Y-Index for the
// row), or "Can't write value ..." for writes, leaving the table unchanged.
class TStringCollection : public TObject {
  ORDVANE_CLASS(TStringCollection, TObject)

 public:
  explicit TStringCollection(int colCount);

  // Appends an empty row and returns the new row count. Storage grows to 128 rows from
  // none, then by half the capacity, so that appending is amortised constant time.
  int AddRow();
  // Removes a row; the following rows move up. A row outside the table fails like a
  // write to it.
  void DeleteRow(int row);
  AnsiString ReadString(int x, int y) const;
  void WriteString(int x, int y, const AnsiString& text);
  // Stores len bytes of buffer; len 0 empties the cell and a negative len takes the
  // buffer as zero-terminated.
  void WriteBuffer(int x, int y, int len, const char* buffer);
  // The cell itself, for callers that read and write cells in place.
  AnsiString* GetCellPtr(int x, int y);
  // No rows and no storage left.
  void Clear();

  int ColCount() const { return fColCount; }
  int RowCount() const { return fRowCount; }
  int Capacity() const { return fCapacity; }

 private:
  void CheckCell(int x, int y, const char* access) const;

  std::vector<std::vector<AnsiString>> fColumns;
  int fColCount;
  int fRowCount = 0;
  int fCapacity = 0;
};

}  // namespace ordvane
