#pragma once
// Collections: ordered lists of items of one class that a collection owns, with an
// update bracket and change notification.
//
// Items are created by the collection's Add or Insert, which announce a new item (Update)
// only once it is fully built. Deleting an item (delete, or Delete by index) removes it
// from its collection.

#include <vector>

#include "classlib/core/Objects.h"

namespace ordvane {

class TCollection;

class TCollectionItem : public TPersistent {
  ORDVANE_CLASS(TCollectionItem, TPersistent)

 public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return fCollection; }
  TPersistent* GetOwner() const override;

  // The item's position in its collection; -1 without one.
  int Index() const;
  // Moves the item; EListError when index is outside the collection.
  virtual void SetIndex(int index);

  // The name shown for the item; the class name unless a descendant says otherwise.
  virtual AnsiString GetDisplayName() const { return ClassName(); }
  virtual void SetDisplayName(const AnsiString& value);

 protected:
  // Tells the collection that this item (or, with allItems, the whole collection) changed.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* fCollection = nullptr;
};

// A collection item class: its class reference and how to make one.
class TCollectionItemClass {
 public:
  using Factory = TCollectionItem* (*)(TCollection* collection);

  template <class Item>
  static TCollectionItemClass Of() {
    static_assert(std::is_base_of_v<TCollectionItem, Item>);
    return TCollectionItemClass(Item::StaticClass(),
                                [](TCollection* c) -> TCollectionItem* { return new Item(c); });
  }

  TClass Class() const { return fClass; }
  TCollectionItem* Create(TCollection* collection) const { return fFactory(collection); }

 private:
  TCollectionItemClass(TClass itemClass, Factory factory) : fClass(itemClass), fFactory(factory) {}
  TClass fClass;
  Factory fFactory;
};

class TCollection : public TPersistent {
  ORDVANE_CLASS(TCollection, TPersistent)

 public:
  TCollection(TPersistent* owner, TCollectionItemClass itemClass);
  ~TCollection() override;

  TPersistent* Owner() const { return fOwner; }
  TPersistent* GetOwner() const override { return fOwner; }
  TClass ItemClass() const { return fItemClass.Class(); }

  int Count() const { return static_cast<int>(fItems.size()); }
  // EListError "List index out of bounds (<index>)" outside the collection.
  TCollectionItem* Items(int index) const;

  // A new item of the item class at the end.
  TCollectionItem* Add();
  // A new item at index (0..Count); EListError otherwise, and nothing is added.
  TCollectionItem* Insert(int index);
  void Delete(int index);
  // Deletes every item, newest first, inside one update bracket.
  void Clear();

  // Changes between BeginUpdate and the matching EndUpdate are announced once, at the end.
  void BeginUpdate() { ++fUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return fUpdateCount; }

  // From another collection: its items, each copied with the item's Assign, replace this
  // collection's items.
  void Assign(const TPersistent* source) override;

 protected:
  // Something changed: the item, or nullptr for the whole collection. Runs only outside
  // an update bracket.
  virtual void Update(TCollectionItem* item);
  void Changed();

 private:
  friend class TCollectionItem;
  void CheckIndex(int index, int count) const;

  TPersistent* fOwner;
  TCollectionItemClass fItemClass;
  std::vector<TCollectionItem*> fItems;
  int fUpdateCount = 0;
};

}  // namespace ordvane
