#pragma once
// Lists of handlers that components register with one another (a database's
// after-connect handlers, a transaction's before-end handlers, ...), the timer that drives
// idle time-outs, and the registry of client-side blob filters.

#include <algorithm>
#include <functional>
#include <mutex>
#include <type_traits>
#include <vector>

#include "classlib/core/Components.h"
#include "classlib/core/Events.h"
#include "classlib/core/SyncObjs.h"
#include "classlib/core/Timers.h"

namespace ordvane {

// The idle-time-out timer of databases and transactions: a window timer of the thread
// that makes it, fired from that thread's message loop. With OnTimer unassigned it never
// sets a system timer.
class TFIBTimer : public TTimer {
  ORDVANE_CLASS(TFIBTimer, TTimer)

 public:
  using TTimer::TTimer;
};

// A list of handlers of one signature, safe to change from several threads.
//
// A handler is listed once: adding one that is listed already (the same method of the
// same object, or a copy of the same callable) answers its index. Handlers added as
// (component, method) leave the list by themselves when their component dies. Readers
// walk the list with Count and GetMethod, which hands out a copy, so a handler may add
// or remove handlers (itself included) while the list is being walked.
template <class Signature>
class TCallBackList : public TComponent {
  ORDVANE_CLASS(TCallBackList, TComponent)

 public:
  using TMethod = TEvent<Signature>;

  explicit TCallBackList(TComponent* owner) : TComponent(owner) {}

  int Add(const TMethod& method) { return AddEntry(method, nullptr); }
  template <class C, class M>
  int Add(C* object, M method) {
    TComponent* component = nullptr;
    if constexpr (std::is_base_of_v<TComponent, C>) component = object;
    return AddEntry(TMethod::Bind(object, method), component);
  }
  template <class C, class M>
  void Remove(C* object, M method) {
    Remove(TMethod::Bind(object, method));
  }
  // Removes every entry equal to the method.
  void Remove(const TMethod& method) {
    std::lock_guard<TCriticalSection> lock(fLock);
    std::erase_if(fEntries, [&](const TEntry& entry) { return entry.method == method; });
  }

  int Count() const {
    std::lock_guard<TCriticalSection> lock(fLock);
    return static_cast<int>(fEntries.size());
  }
  // The handler at index, or an unassigned one outside the list.
  TMethod GetMethod(int index) const {
    std::lock_guard<TCriticalSection> lock(fLock);
    if (index < 0 || index >= static_cast<int>(fEntries.size())) return TMethod();
    return fEntries[static_cast<std::size_t>(index)].method;
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove) {
      std::lock_guard<TCriticalSection> lock(fLock);
      std::erase_if(fEntries, [&](const TEntry& entry) {
        return entry.component == component || entry.method.Object() == component;
      });
    }
    TComponent::Notification(component, operation);
  }

 private:
  struct TEntry {
    TMethod method;
    TComponent* component;  // the handler's component, told to notify this list
  };

  int AddEntry(const TMethod& method, TComponent* component) {
    std::lock_guard<TCriticalSection> lock(fLock);
    for (std::size_t i = fEntries.size(); i-- > 0;)
      if (fEntries[i].method == method) return static_cast<int>(i);
    if (component != nullptr) FreeNotification(component);
    fEntries.push_back({method, component});
    return static_cast<int>(fEntries.size()) - 1;
  }

  mutable TCriticalSection fLock;
  std::vector<TEntry> fEntries;
};

// The list of TNotifyEvent handlers.
class TNotifyEventList : public TCallBackList<void(TObject* sender)> {
  ORDVANE_CLASS(TNotifyEventList, TCallBackList<void(TObject* sender)>)

 public:
  using TCallBackList::TCallBackList;
};

// A client-side blob filter: rewrites the bytes of a blob as they are read or written.
using TBlobFilterProc = std::function<void(RawByteString& data)>;

// Blob filters by blob sub-type. Sub-types are kept in order, so looking one up is a
// binary search; of two registrations of one sub-type the earlier is found.
class TBlobFilterList {
 public:
  void RegisterFilter(Integer subType, TBlobFilterProc readFilter, TBlobFilterProc writeFilter);
  // True with the index of the sub-type's first entry, or false with the index where it
  // would go.
  bool Find(Integer subType, int& index) const;
  // The read or the write filter of the sub-type; an empty function when there is none.
  TBlobFilterProc GetFilter(Integer subType, bool forRead) const;
  int Count() const { return static_cast<int>(fFilters.size()); }

 private:
  struct TEntry {
    Integer subType;
    TBlobFilterProc readFilter;
    TBlobFilterProc writeFilter;
  };
  std::vector<TEntry> fFilters;  // by sub-type, in registration order within one
};

// Runs the filter of a (negative, user-defined) sub-type over non-empty data; other
// sub-types and sub-types without a filter leave the data alone.
void ApplyBlobFilter(const TBlobFilterList& filters, RawByteString& data, bool forRead, Integer subType);

}  // namespace ordvane
