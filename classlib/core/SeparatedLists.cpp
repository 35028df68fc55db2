#include "classlib/core/SeparatedLists.h"

#include <algorithm>

#include "classlib/core/StrUtils.h"

namespace ordvane {

std::vector<AnsiString> SplitList(const AnsiString& text, char separator, bool trimItems, TEmptyItems empty) {
  std::vector<AnsiString> items;
  for (std::size_t start = 0;;) {
    const std::size_t end = std::min(text.find(separator, start), text.size());
    items.push_back(text.substr(start, end - start));
    if (end == text.size()) break;
    start = end + 1;
  }
  if (empty == TEmptyItems::KeepButTrailing && items.back().empty()) items.pop_back();
  if (trimItems)
    for (AnsiString& item : items) item = Trim(item);
  if (empty == TEmptyItems::Drop) std::erase_if(items, [](const AnsiString& item) { return item.empty(); });
  return items;
}

}  // namespace ordvane
