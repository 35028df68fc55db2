#pragma once
// Lists of pointers and of objects, and a list guarded by a lock.

#include <mutex>
#include <vector>

#include "classlib/core/Objects.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
enum TDuplicates { dupIgnore, dupAccept, dupError };

// A list of untyped pointers. Indices outside the list raise EListError
// "List index out of bounds (<index>)".
class TList : public TObject {
  ORDVANE_CLASS(TList, TObject)

 public:
  TList() = default;
  ~TList() override = default;

  using TListSortCompare = int (*)(void* item1, void* item2);

  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  // Deletes the first occurrence; its former index, or -1.
  int Remove(void* item);
  // Takes the first occurrence out without deleting what it points to; item or nullptr.
  void* Extract(void* item);
  void Clear();
  int IndexOf(void* item) const;
  void Exchange(int index1, int index2);
  void Move(int currentIndex, int newIndex);
  // Removes the nil entries.
  void Pack();
  // Stable; see SortOrder.h.
  void Sort(TListSortCompare compare);

  int Count() const { return static_cast<int>(fItems.size()); }
  // Growing adds nil entries; shrinking deletes entries from the end.
  void SetCount(int count);
  int Capacity() const { return static_cast<int>(fItems.capacity()); }
  // EListError "List capacity out of bounds (<n>)" below Count.
  void SetCapacity(int capacity);

  void* Items(int index) const;
  void SetItems(int index, void* item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

 protected:
  // An entry was added, extracted or deleted (nil entries are not announced).
  virtual void Notify(void* item, TListNotification action);
  void CheckIndex(int index, int count) const;

 private:
  std::vector<void*> fItems;
};

// A list of objects that, with OwnsObjects (the default), deletes an object when its
// entry is deleted, replaced or cleared, and when the list is destroyed.
class TObjectList : public TList {
  ORDVANE_CLASS(TObjectList, TList)

 public:
  explicit TObjectList(bool ownsObjects = true) : fOwnsObjects(ownsObjects) {}
  ~TObjectList() override;

  int Add(TObject* object) { return TList::Add(object); }
  void Insert(int index, TObject* object) { TList::Insert(index, object); }
  int Remove(TObject* object) { return TList::Remove(object); }
  TObject* Extract(TObject* object) { return static_cast<TObject*>(TList::Extract(object)); }
  int IndexOf(TObject* object) const { return TList::IndexOf(object); }
  TObject* Items(int index) const { return static_cast<TObject*>(TList::Items(index)); }
  void SetItems(int index, TObject* object) { TList::SetItems(index, object); }

  bool OwnsObjects() const { return fOwnsObjects; }
  void SetOwnsObjects(bool ownsObjects) { fOwnsObjects = ownsObjects; }

 protected:
  void Notify(void* item, TListNotification action) override;

 private:
  bool fOwnsObjects;
};

// A list that threads share. Every operation takes the (recursive) lock; LockList hands
// the list out under the lock until UnlockList, or for the lifetime of a Locked guard.
class TThreadList : public TObject {
  ORDVANE_CLASS(TThreadList, TObject)

 public:
  // dupIgnore (the default) adds an item only once, dupError raises EListError
  // "List does not allow duplicates ($0<hex>)", dupAccept adds it again.
  void Add(void* item);
  void Remove(void* item);
  void Clear();
  TDuplicates Duplicates() const { return fDuplicates; }
  void SetDuplicates(TDuplicates duplicates) { fDuplicates = duplicates; }

  TList* LockList();
  void UnlockList();

  class Locked {
   public:
    explicit Locked(TThreadList& list) : fOwner(list), fList(list.LockList()) {}
    ~Locked() { fOwner.UnlockList(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    TList* operator->() const { return fList; }
    TList& operator*() const { return *fList; }

   private:
    TThreadList& fOwner;
    TList* fList;
  };

 private:
  std::recursive_mutex fLock;
  TList fList;
  TDuplicates fDuplicates = dupIgnore;
};

}  // namespace ordvane
