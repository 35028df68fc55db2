#include "dbclient/FIBCallBacks.h"

#include <utility>

namespace ordvane {

void TBlobFilterList::RegisterFilter(Integer subType, TBlobFilterProc readFilter, TBlobFilterProc writeFilter) {
  const auto at = std::upper_bound(fFilters.begin(), fFilters.end(), subType,
                                   [](Integer key, const TEntry& entry) { return key < entry.subType; });
  fFilters.insert(at, {subType, std::move(readFilter), std::move(writeFilter)});
}

bool TBlobFilterList::Find(Integer subType, int& index) const {
  const auto at = std::lower_bound(fFilters.begin(), fFilters.end(), subType,
                                   [](const TEntry& entry, Integer key) { return entry.subType < key; });
  index = static_cast<int>(at - fFilters.begin());
  return at != fFilters.end() && at->subType == subType;
}

TBlobFilterProc TBlobFilterList::GetFilter(Integer subType, bool forRead) const {
  int index;
  if (!Find(subType, index)) return {};
  const TEntry& entry = fFilters[static_cast<std::size_t>(index)];
  return forRead ? entry.readFilter : entry.writeFilter;
}

void ApplyBlobFilter(const TBlobFilterList& filters, RawByteString& data, bool forRead, Integer subType) {
  if (subType >= 0 || data.empty()) return;
  if (const TBlobFilterProc filter = filters.GetFilter(subType, forRead)) filter(data);
}

}  // namespace ordvane
