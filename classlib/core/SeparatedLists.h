#pragma once
// Lists of items written in one text, one separator character between items (the
// ";"-separated lists of field and key names, the items of a line).

#include <vector>

#include "classlib/core/System.h"

namespace ordvane {

// Which items of a separated list SplitList keeps.
enum class TEmptyItems {
  // Every item: "" is one empty item, "a;" is "a" and "".
  Keep,
  // A separator may end the list: "" is no item, "a;" is "a"; ";a" is "" and "a".
  KeepButTrailing,
  // None that is empty (after trimming, when items are trimmed).
  Drop,
};
// The items between the separators of text, trimmed (Trim) when trimItems is set.
std::vector<AnsiString> SplitList(const AnsiString& text, char separator, bool trimItems, TEmptyItems empty);

}  // namespace ordvane
