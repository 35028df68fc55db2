#include "dbclient/pFIBCacheQueries.h"

#include <algorithm>
#include <mutex>

#include "dbclient/FIBStrUtils.h"

namespace ordvane {

// ---- TCacheQueries -------------------------------------------------------------------

TCacheQueries::TCacheQueries(TCacheList& list, TFIBDatabase* database)
    : TComponent(nullptr), fList(list), fDatabase(database) {}

TCacheQueries::~TCacheQueries() {
  fClearing = true;
  DestroyComponents();
}

TFIBQuery* TCacheQueries::Take(TFIBTransaction* transaction, const AnsiString& sql) {
  TFIBQuery* query = nullptr;
  if (const auto free = fFree.find(FastTrim(sql)); free != fFree.end()) {
    query = free->second;
    fFree.erase(free);
    if (query->Transaction() != transaction) query->SetTransaction(transaction);
  } else {
    query = new TFIBQuery(this);
    try {
      query->SetDatabase(fDatabase);
      query->SetTransaction(transaction);
      query->SQL().SetText(sql);
    } catch (...) {
      delete query;
      throw;
    }
  }
  fHandedOut.push_back(query);
  return query;
}

void TCacheQueries::Return(TFIBQuery* query) {
  const auto handedOut = std::find(fHandedOut.begin(), fHandedOut.end(), query);
  if (handedOut == fHandedOut.end()) return;
  fHandedOut.erase(handedOut);
  const AnsiString key = FastTrim(query->SQL().Text());
  if (query->Database() != fDatabase || fFree.contains(key)) {
    delete query;
    return;
  }
  fFree.emplace(key, query);
}

void TCacheQueries::FreeHandleOf(const AnsiString& sql) {
  if (const auto free = fFree.find(FastTrim(sql)); free != fFree.end()) free->second->FreeHandle();
}

void TCacheQueries::Forget(const TComponent* query) {
  std::erase_if(fHandedOut, [&](const TFIBQuery* q) { return q == query; });
  std::erase_if(fFree, [&](const auto& entry) { return entry.second == query; });
}

void TCacheQueries::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || fClearing) return;
  std::lock_guard guard(fList.fLock);
  Forget(component);
}

// ---- TCacheList ----------------------------------------------------------------------

TCacheList::TCacheList() : TComponent(nullptr) {}

TCacheList::~TCacheList() {
  std::lock_guard guard(fLock);
  for (const auto& pool : fPools)
    pool->Database()->DestroyHandlers().Remove(TNotifyEvent::Bind(this, &TCacheList::DatabaseDestroying));
  fPools.clear();
}

TCacheQueries* TCacheList::Find(const TFIBDatabase* database) const {
  const auto found = std::find_if(fPools.begin(), fPools.end(),
                                  [&](const auto& pool) { return pool->Database() == database; });
  return found == fPools.end() ? nullptr : found->get();
}

TCacheQueries& TCacheList::FindOrCreate(TFIBDatabase* database) {
  if (TCacheQueries* pool = Find(database)) return *pool;
  fPools.push_back(std::make_unique<TCacheQueries>(*this, database));
  // The database's own handler list, rather than free notification: the list is guarded,
  // and databases of other threads never touch this component's notification list.
  database->DestroyHandlers().Add(TNotifyEvent::Bind(this, &TCacheList::DatabaseDestroying));
  return *fPools.back();
}

void TCacheList::DatabaseDestroying(TObject* database) {
  std::lock_guard guard(fLock);
  std::erase_if(fPools, [&](const auto& pool) { return pool->Database() == database; });
}

TFIBQuery* TCacheList::GetQuery(TFIBTransaction* transaction, const AnsiString& sql) {
  return GetQuery(transaction != nullptr ? transaction->DefaultDatabase() : nullptr, transaction, sql);
}

TFIBQuery* TCacheList::GetQuery(TFIBDatabase* database, TFIBTransaction* transaction, const AnsiString& sql) {
  if (transaction == nullptr || database == nullptr) return nullptr;
  // A statement of a database the transaction does not list would be moved to its default
  // database when it is given the transaction, and run there.
  if (database != transaction->DefaultDatabase() && transaction->FindDatabase(database) < 0)
    FIBErrorText("%s: the transaction %s does not cover this database", {database->Name(), transaction->Name()});
  TFIBQuery* query = nullptr;
  {
    std::lock_guard guard(fLock);
    query = FindOrCreate(database).Take(transaction, sql);
  }
  if (query->Open()) query->Close();
  return query;
}

void TCacheList::FreeQuery(TFIBQuery* query) {
  if (query == nullptr || query->Database() == nullptr) return;
  std::lock_guard guard(fLock);
  const auto owner = std::find_if(fPools.begin(), fPools.end(),
                                  [&](const auto& pool) { return pool.get() == query->Owner(); });
  if (owner != fPools.end()) (*owner)->Return(query);
}

void TCacheList::FreeCachedQueryHandle(TFIBDatabase* database, const AnsiString& sql) {
  std::lock_guard guard(fLock);
  if (TCacheQueries* pool = Find(database)) pool->FreeHandleOf(sql);
}

TCacheList& CacheList() {
  static TCacheList list;
  return list;
}

TFIBQuery* GetQuery(TFIBTransaction* transaction, const AnsiString& sql) {
  return CacheList().GetQuery(transaction, sql);
}

TFIBQuery* GetQuery(TFIBDatabase* database, TFIBTransaction* transaction, const AnsiString& sql) {
  return CacheList().GetQuery(database, transaction, sql);
}

void FreeQuery(TFIBQuery* query) {
  CacheList().FreeQuery(query);
}

void FreeCachedQueryHandle(TFIBDatabase* database, const AnsiString& sql) {
  CacheList().FreeCachedQueryHandle(database, sql);
}

}  // namespace ordvane
