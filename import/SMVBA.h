#pragma once
// The macro project of a compound workbook: the list of its modules with their
// decompressed sources, read from the module directory of the "_VBA_PROJECT" stream and
// from each module's own stream.

#include <span>

#include "classlib/core/CompoundFile.h"
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

// The project walk over a macro storage and, depth first in the order of enumeration,
// its sub-storages: a "PROJECT" stream sets the project text (a later one replaces it);
// a "_VBA_PROJECT" stream is read as the module directory. Sub-storages and streams that
// cannot be opened are passed over.
void ReadVBAProject(const TCompoundStorage& storage, TVBAProjectItems& items, AnsiString& projectText);

// The source walk over the same storages: a stream named as a module (the letters A to Z
// compared without regard to case, every other character as it is) gives the first such
// module its source. A module whose stream is missing keeps an empty source.
void ReadVBASources(const TCompoundStorage& storage, TVBAProjectItems& items);

}  // namespace ordvane
