#pragma once
// How each column of a dataset's select statement lies in the dataset's record buffer:
// one descriptor per column, in column order, filled when the dataset opens.

#include <span>
#include <vector>

#include "classlib/core/System.h"
#include "classlib/db/DBTypes.h"

namespace ordvane {

class TField;

// How a field takes a column's value: its native format.
struct TFieldTarget {
  TFieldType type = ftUnknown;
  Integer dataSize = 0;
  // The 64-bit integer itself (a large integer, or a BCD field that scales by itself);
  // else a BCD field takes the class library's BCD.
  bool rawInt64 = false;
  // Trailing blanks go (never from binary text).
  bool trim = false;
};

// What kind of characters a text column holds.
enum TFIBCharKind : Byte { ckAnsi = 0, ckGuid = 1, ckWide = 2 };

struct TFIBFieldDescr {
  short SQLType = 0;  // the client-API type code without the nullable bit
  short Scale = 0;
  bool Nullable = false;
  Word DataSize = 0;  // bytes the value takes in the record buffer
  Integer Offset = 0;  // of the value in the record buffer
  bool IsDBKey = false;  // named DB_KEY or RDB$DB_KEY
  bool IsStringSlot = false;  // the value lives in the cache's string table
  Integer StringSlot = -1;  // 0-based; -1 without one
  TFIBCharKind CharKind = ckAnsi;
  bool IsBinary = false;  // text whose every byte counts: a DB key, or CHAR of OCTETS
  // The field that read or wrote the column last and how it takes the value, kept for its
  // next read or write: a descriptor lives for one open, and while its dataset is open a
  // field's type, size and class stay as they are.
  const TField* TargetField = nullptr;
  TFieldTarget Target;
};

class TFIBFieldDescrList {
 public:
  // Appends a descriptor; its offset and slot index are filled in by the layout.
  TFIBFieldDescr& Add(short sqlType, short scale, TFIBCharKind charKind, bool isStringSlot, bool isDBKey,
                      bool nullable, Word dataSize);
  // Out of range: EListError. Inline: every field read of every record asks for one.
  TFIBFieldDescr& GetItem(int index) {
    CheckIndex(index);
    return fItems[static_cast<std::size_t>(index)];
  }
  const TFIBFieldDescr& GetItem(int index) const {
    CheckIndex(index);
    return fItems[static_cast<std::size_t>(index)];
  }
  TFIBFieldDescr& operator[](int index) { return GetItem(index); }
  int GetCount() const { return static_cast<int>(fItems.size()); }
  std::span<const TFIBFieldDescr> Items() const { return fItems; }
  void SetCapacity(int capacity);
  void Clear() { fItems.clear(); }

 private:
  void CheckIndex(int index) const {
    if (index < 0 || index >= GetCount()) [[unlikely]]
      IndexError(index);
  }
  [[noreturn]] static void IndexError(int index);

  std::vector<TFIBFieldDescr> fItems;
};

}  // namespace ordvane
