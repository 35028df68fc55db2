#include "classlib/core/Collections.h"

#include <algorithm>

#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

class CollectionUpdateBracket {
 public:
  explicit CollectionUpdateBracket(TCollection& collection) : fCollection(collection) {
    fCollection.BeginUpdate();
  }
  ~CollectionUpdateBracket() { fCollection.EndUpdate(); }
  CollectionUpdateBracket(const CollectionUpdateBracket&) = delete;
  CollectionUpdateBracket& operator=(const CollectionUpdateBracket&) = delete;

 private:
  TCollection& fCollection;
};

}  // namespace

// ---- TCollectionItem --------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* collection) : fCollection(collection) {
  if (fCollection != nullptr) fCollection->fItems.push_back(this);
}

TCollectionItem::~TCollectionItem() {
  if (fCollection == nullptr) return;
  auto& items = fCollection->fItems;
  items.erase(std::find(items.begin(), items.end(), this));
  fCollection->Changed();
}

TPersistent* TCollectionItem::GetOwner() const {
  return fCollection;
}

int TCollectionItem::Index() const {
  if (fCollection == nullptr) return -1;
  const auto& items = fCollection->fItems;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  const int current = Index();
  if (current < 0 || current == index) return;
  fCollection->CheckIndex(index, fCollection->Count());
  auto& items = fCollection->fItems;
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  Changed(true);
}

void TCollectionItem::SetDisplayName(const AnsiString&) {
  Changed(false);
}

void TCollectionItem::Changed(bool allItems) {
  if (fCollection != nullptr && fCollection->fUpdateCount == 0)
    fCollection->Update(allItems ? nullptr : this);
}

// ---- TCollection ------------------------------------------------------------------------

TCollection::TCollection(TPersistent* owner, TCollectionItemClass itemClass)
    : fOwner(owner), fItemClass(itemClass) {}

TCollection::~TCollection() {
  // Update is not called from here: the derived collection is already gone.
  fUpdateCount = 1;
  while (!fItems.empty()) delete fItems.back();
}

TCollectionItem* TCollection::Items(int index) const {
  CheckIndex(index, Count());
  return fItems[static_cast<std::size_t>(index)];
}

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = fItemClass.Create(this);
  Changed();
  return item;
}

TCollectionItem* TCollection::Insert(int index) {
  CheckIndex(index, Count() + 1);
  TCollectionItem* item = fItemClass.Create(this);
  fItems.erase(std::find(fItems.begin(), fItems.end(), item));
  fItems.insert(fItems.begin() + index, item);
  Changed();
  return item;
}

void TCollection::Delete(int index) {
  delete Items(index);
}

void TCollection::Clear() {
  if (fItems.empty()) return;
  CollectionUpdateBracket bracket(*this);
  while (!fItems.empty()) delete fItems.back();
}

void TCollection::EndUpdate() {
  if (fUpdateCount > 0) --fUpdateCount;
  Changed();
}

void TCollection::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCollection*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  CollectionUpdateBracket bracket(*this);
  Clear();
  for (const TCollectionItem* item : other->fItems) Add()->Assign(item);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed() {
  if (fUpdateCount == 0) Update(nullptr);
}

void TCollection::CheckIndex(int index, int count) const {
  if (index < 0 || index >= count) throw EListError(Format("List index out of bounds (%d)", {index}));
}

}  // namespace ordvane
