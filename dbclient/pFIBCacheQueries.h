#pragma once
// The process-wide pool of prepared statements, kept per database and keyed by their SQL
// text (without the blanks and control characters at its ends), so that short internal
// statements that run again and again are prepared once. A caller takes a statement with
// GetQuery, executes it and gives it back with FreeQuery.
//
// The pool owns its statements: a statement handed out stays the pool's, and goes when
// its database goes. One critical section guards every operation, so the pool may be used
// from several threads, each working with its own databases.

#include <map>
#include <memory>
#include <vector>

#include "classlib/core/Components.h"
#include "classlib/core/SyncObjs.h"
#include "dbclient/FIBQuery.h"

namespace ordvane {

class TCacheList;

// The statements of one database: those free for the taking, one per key, and those
// handed out.
class TCacheQueries : public TComponent {
  ORDVANE_CLASS(TCacheQueries, TComponent)

 public:
  TCacheQueries(TCacheList& list, TFIBDatabase* database);
  ~TCacheQueries() override;

  TFIBDatabase* Database() const { return fDatabase; }
  // A free statement of the key, or a new one with the text; handed out in transaction.
  TFIBQuery* Take(TFIBTransaction* transaction, const AnsiString& sql);
  // Files a statement handed out by this pool under the key of its current text. One
  // that another free statement's key or another database now claims is freed instead.
  void Return(TFIBQuery* query);
  // Frees the server statement of the free statement of the key, which stays in the pool.
  void FreeHandleOf(const AnsiString& sql);

 protected:
  // A statement of the pool died elsewhere: the pool forgets it.
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Takes a dying statement (only its component part is left) out of the lists.
  void Forget(const TComponent* query);

  TCacheList& fList;
  TFIBDatabase* fDatabase;
  std::map<AnsiString, TFIBQuery*> fFree;
  std::vector<TFIBQuery*> fHandedOut;
  bool fClearing = false;
};

// The pools of all databases; one instance for the process (CacheList()).
class TCacheList : public TComponent {
  ORDVANE_CLASS(TCacheList, TComponent)

 public:
  TCacheList();
  ~TCacheList() override;

  // A statement of the pool of the transaction's DefaultDatabase; nullptr without a
  // transaction or without its DefaultDatabase. An open statement is closed before it is
  // handed out.
  TFIBQuery* GetQuery(TFIBTransaction* transaction, const AnsiString& sql);
  // The same from the pool of database, which the transaction must list: a component
  // bound to one database of a transaction over several runs its statements there.
  TFIBQuery* GetQuery(TFIBDatabase* database, TFIBTransaction* transaction, const AnsiString& sql);
  // Gives a statement back; nullptr, a statement without database and one the pool did
  // not hand out are left alone.
  void FreeQuery(TFIBQuery* query);
  void FreeCachedQueryHandle(TFIBDatabase* database, const AnsiString& sql);

 private:
  friend class TCacheQueries;

  TCacheQueries* Find(const TFIBDatabase* database) const;
  TCacheQueries& FindOrCreate(TFIBDatabase* database);
  // The database's destroy handler: its pool goes with its statements.
  void DatabaseDestroying(TObject* database);

  TCriticalSection fLock;
  std::vector<std::unique_ptr<TCacheQueries>> fPools;
};

TCacheList& CacheList();

// The unit routines over CacheList().
TFIBQuery* GetQuery(TFIBTransaction* transaction, const AnsiString& sql);
TFIBQuery* GetQuery(TFIBDatabase* database, TFIBTransaction* transaction, const AnsiString& sql);
void FreeQuery(TFIBQuery* query);
void FreeCachedQueryHandle(TFIBDatabase* database, const AnsiString& sql);

}  // namespace ordvane
