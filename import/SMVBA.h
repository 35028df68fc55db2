#pragma once
// The macro project of a compound workbook: the list of its modules with their
// decompressed sources, read from the module directory of the "_VBA_PROJECT" stream and
// from each module's own stream.

#include <span>

#include "classlib/core/Lists.h"
#include "classlib/core/SysUtils.h"
#include "import/SMVBADecompress.h"

namespace ordvane {

// One entry of the module list: made by a reference string of the module directory, by
// a module record, or by both (the i-th module record fills the i-th entry).
class TVBAProjectItem : public TObject {
  ORDVANE_CLASS(TVBAProjectItem, TObject)

 public:
  WideString Reference;    // the reference string that made the entry, if any
  WideString ModuleName;   // also the name of the stream that holds the module's source
  WideString SecondName;   // kept as read, not used
  Integer TextOffset = 0;  // where the compressed source starts in the module's stream
  AnsiString Source;       // the decompressed source, byte for byte
};

// The module list. It owns its entries; an entry's position is its module record's
// number.
class TVBAProjectItems {
 public:
  int Count() const { return fItems.Count(); }
  // EListError for an index outside the list.
  TVBAProjectItem* Items(int index) const { return static_cast<TVBAProjectItem*>(fItems.Items(index)); }
  // Appends a new, empty entry.
  TVBAProjectItem* Add();
  void Clear() { fItems.Clear(); }

 private:
  TObjectList fItems;
};

// Reads the module directory of a "_VBA_PROJECT" stream: its reference strings append
// entries, its module records fill the entries from the first one on (appending where
// the list ends). A stream that ends before its structure does raises EVBAProjectError;
// one whose fixed octets differ raises "Fixed octet is incorrect". Entries made before
// the failure stay.
void ReadVBAModuleDirectory(std::span<const Byte> stream, TVBAProjectItems& items);

// Replaces the entry's source with the decompressed container that starts at its
// TextOffset in the module's stream and runs to the stream's end. An offset outside the
// stream or corrupt compressed data raises EVBAProjectError and leaves the source empty.
void ReadVBAModuleSource(std::span<const Byte> stream, TVBAProjectItem& item);

}  // namespace ordvane
