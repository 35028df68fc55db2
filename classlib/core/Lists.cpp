#include "classlib/core/Lists.h"

#include <algorithm>
#include <cstdint>

#include "classlib/core/SortOrder.h"

namespace ordvane {

// ---- TList ------------------------------------------------------------------------------

void TList::CheckIndex(int index, int count) const {
  if (index < 0 || index >= count) throw EListError(Format("List index out of bounds (%d)", {index}));
}

int TList::Add(void* item) {
  fItems.push_back(item);
  if (item != nullptr) Notify(item, lnAdded);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  CheckIndex(index, Count() + 1);
  fItems.insert(fItems.begin() + index, item);
  if (item != nullptr) Notify(item, lnAdded);
}

void TList::Delete(int index) {
  CheckIndex(index, Count());
  void* item = fItems[static_cast<std::size_t>(index)];
  fItems.erase(fItems.begin() + index);
  if (item != nullptr) Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
  const int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  const int index = IndexOf(item);
  if (index < 0) return nullptr;
  fItems.erase(fItems.begin() + index);
  Notify(item, lnExtracted);
  return item;
}

void TList::Clear() {
  SetCount(0);
  fItems.shrink_to_fit();
}

int TList::IndexOf(void* item) const {
  const auto it = std::find(fItems.begin(), fItems.end(), item);
  return it == fItems.end() ? -1 : static_cast<int>(it - fItems.begin());
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  std::swap(fItems[static_cast<std::size_t>(index1)], fItems[static_cast<std::size_t>(index2)]);
}

void TList::Move(int currentIndex, int newIndex) {
  if (currentIndex == newIndex) return;
  CheckIndex(currentIndex, Count());
  CheckIndex(newIndex, Count());
  void* item = fItems[static_cast<std::size_t>(currentIndex)];
  fItems.erase(fItems.begin() + currentIndex);
  fItems.insert(fItems.begin() + newIndex, item);
}

void TList::Pack() {
  fItems.erase(std::remove(fItems.begin(), fItems.end(), nullptr), fItems.end());
}

void TList::Sort(TListSortCompare compare) {
  const std::vector<int> order =
      StableSortOrder(Count(), [&](int a, int b) { return compare(fItems[a], fItems[b]) < 0; });
  std::vector<void*> sorted;
  sorted.reserve(order.size());
  for (int i : order) sorted.push_back(fItems[static_cast<std::size_t>(i)]);
  fItems.swap(sorted);
}

void TList::SetCount(int count) {
  if (count < 0) throw EListError(Format("List count out of bounds (%d)", {count}));
  while (Count() > count) Delete(Count() - 1);
  fItems.resize(static_cast<std::size_t>(count), nullptr);
}

void TList::SetCapacity(int capacity) {
  if (capacity < Count()) throw EListError(Format("List capacity out of bounds (%d)", {capacity}));
  if (capacity > Capacity())
    fItems.reserve(static_cast<std::size_t>(capacity));
  else
    fItems.shrink_to_fit();
}

void* TList::Items(int index) const {
  CheckIndex(index, Count());
  return fItems[static_cast<std::size_t>(index)];
}

void TList::SetItems(int index, void* item) {
  CheckIndex(index, Count());
  void* previous = fItems[static_cast<std::size_t>(index)];
  if (previous == item) return;
  fItems[static_cast<std::size_t>(index)] = item;
  if (previous != nullptr) Notify(previous, lnDeleted);
  if (item != nullptr) Notify(item, lnAdded);
}

void TList::Notify(void*, TListNotification) {}

// ---- TObjectList ------------------------------------------------------------------------

TObjectList::~TObjectList() {
  DestructorStep([this] { Clear(); });
}

void TObjectList::Notify(void* item, TListNotification action) {
  if (fOwnsObjects && action == lnDeleted) delete static_cast<TObject*>(item);
}

// ---- TThreadList ------------------------------------------------------------------------

void TThreadList::Add(void* item) {
  std::lock_guard<std::recursive_mutex> lock(fLock);
  if (fDuplicates == dupAccept || fList.IndexOf(item) < 0) {
    fList.Add(item);
  } else if (fDuplicates == dupError) {
    throw EListError(Format("List does not allow duplicates ($0%x)",
                            {static_cast<Int64>(reinterpret_cast<std::uintptr_t>(item))}));
  }
}

void TThreadList::Remove(void* item) {
  std::lock_guard<std::recursive_mutex> lock(fLock);
  fList.Remove(item);
}

void TThreadList::Clear() {
  std::lock_guard<std::recursive_mutex> lock(fLock);
  fList.Clear();
}

TList* TThreadList::LockList() {
  fLock.lock();
  return &fList;
}

void TThreadList::UnlockList() {
  fLock.unlock();
}

}  // namespace ordvane
