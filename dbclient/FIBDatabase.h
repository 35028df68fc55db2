#pragma once
// The database component (one attachment), the transaction component (one server
// transaction over one or more databases) and TFIBBase, the link through which every
// statement and dataset refers to its database and transaction and hears of their
// connects, disconnects, starts and ends.
//
// References between the three never dangle: a database and a transaction list each
// other and unlink both sides when either goes; a link is told when its database or
// transaction dies and forgets it.

#include <ibase.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "classlib/core/Components.h"
#include "classlib/core/Lists.h"
#include "classlib/core/Variants.h"
#include "dbclient/FIBCallBacks.h"
#include "dbclient/FIBProps.h"
#include "dbclient/FIBStatistics.h"
#include "dbclient/IB_Intf.h"
#include "dbclient/fib.h"

namespace ordvane {

class TFIBBase;
class TFIBDatabase;
class TFIBQuery;
class TFIBTransaction;
class TFIBSQLMonitorHook;

// ---- SQL logger ----------------------------------------------------------------------

// Kinds of the lines a logger receives.
inline constexpr int SQLLogPrepare = 0;
inline constexpr int SQLLogExecute = 1;
inline constexpr int SQLLogFetch = 2;
inline constexpr int SQLLogConnect = 3;
inline constexpr int SQLLogTransaction = 4;
// Bits of ISQLLogger::LogFlags: the statement lines a logger asks for besides prepares.
inline constexpr int SQLLogFlagExecute = 2;
inline constexpr int SQLLogFlagFetch = 4;

// Receives a line for every connect, disconnect, transaction start and end of the
// databases that use it, and the failures of forced ends. An object that is also a
// TComponent is dropped by the database when it dies.
class ISQLLogger {
 public:
  virtual ~ISQLLogger() = default;
  // A database takes this logger.
  virtual void AttachDatabase(TFIBDatabase* database) = 0;
  virtual void WriteData(const AnsiString& objectName, const AnsiString& operation,
                         const AnsiString& parameters, int kind) = 0;
  // SQLLogFlagExecute and SQLLogFlagFetch as wanted.
  virtual int LogFlags() const { return 0; }
};

// ---- Enumerations --------------------------------------------------------------------

enum TDesignDBOption { ddoIsDefaultDatabase, ddoStoreConnected, ddoNotSavePassword };
using TDesignDBOptions = TSet<TDesignDBOption>;

enum TFIBUseRepository { urFieldsInfo, urDataSetInfo, urErrorMessagesInfo };
using TFIBUseRepositories = TSet<TFIBUseRepository>;

enum TTransactionAction { TARollback = 0, TARollbackRetaining = 1, TACommit = 2, TACommitRetaining = 3 };

enum TTransactionState : Byte {
  tsActive = 0,
  tsInactive = 1,
  tsDoRollback = 2,
  tsDoRollbackRetaining = 3,
  tsDoCommit = 4,
  tsDoCommitRetaining = 5
};

// The ending transaction, the action and whether the end is forced.
using TEndTrEvent = TEvent<void(TFIBTransaction* endingTR, TTransactionAction action, bool force)>;
// A forced end whose commit failed: the transaction ended all the same (rolled back), and
// error is the server's reason.
using TForcedEndErrorEvent =
    TEvent<void(TFIBTransaction* transaction, TTransactionAction action, const Exception& error)>;
using TFIBBaseEvent = TEvent<void(TFIBBase* link)>;

class TFIBBlobStream;
// The local blob cache asking before it writes or reads a record's cache file: the
// handler may change the file's name, or refuse (the body then comes from the server, or
// is not kept).
using TBeforeSaveBlobToSwapEvent = TEvent<void(const AnsiString& tableName, const AnsiString& fieldName,
                                               const std::vector<Variant>& recordKeyValues,
                                               TFIBBlobStream* stream, AnsiString& fileName, bool& canSave)>;
using TBeforeLoadBlobFromSwapEvent =
    TEvent<void(const AnsiString& tableName, const AnsiString& fieldName,
                const std::vector<Variant>& recordKeyValues, AnsiString& fileName, bool& canLoad)>;
// A cache file was written, or a body was read from one.
using TBlobSwapDoneEvent =
    TEvent<void(const AnsiString& tableName, const AnsiString& fieldName,
                const std::vector<Variant>& recordKeyValues, const AnsiString& fileName)>;

// The login dialog: shows the database name and the user name, password and role, which
// it may change; false cancels the connect.
using TLoginDialogProc = std::function<bool(const AnsiString& dbName, AnsiString& userName,
                                            AnsiString& password, AnsiString& roleName)>;
// The hook that holds it (empty until a dialog unit installs one). Made on first use, so
// that a unit installing itself while the program starts or removing itself while it
// ends finds the hook alive.
TLoginDialogProc& LoginDialogProc();

// Every existing database, and the one marked ddoIsDefaultDatabase (at most one).
TThreadList& DatabaseList();
extern TFIBDatabase* DefaultDatabase;

// ---- Statement objects -----------------------------------------------------------------

// What statements and datasets offer for copying parameter values between them.
class ISQLObject {
 public:
  virtual ~ISQLObject() = default;
  virtual int ParamCount() const = 0;
  virtual AnsiString ParamName(int index) const = 0;
  // -1 when there is none of that name.
  virtual int FieldIndex(const AnsiString& name) const = 0;
  virtual int ParamIndex(const AnsiString& name) const = 0;
  virtual Variant FieldValue(int index, bool oldValue) const = 0;
  virtual Variant ParamValue(int index) const = 0;
  virtual void SetParamValue(int index, const Variant& value) = 0;
};

// Gives every parameter of target a value from the sources, in array order, the last
// source that has one winning: a field of the parameter's name without a leading "NEW_"
// or "OLD_" (any letter case; "OLD_" takes the field's old value), else a parameter of
// the full name. Empty sources are skipped.
void AssignSQLObjectParams(ISQLObject& target, const std::vector<ISQLObject*>& sources);

// ---- TFIBBase ------------------------------------------------------------------------

// The link of one statement or dataset (its owner) to a database and a transaction.
class TFIBBase : public TObject {
  ORDVANE_CLASS(TFIBBase, TObject)

 public:
  explicit TFIBBase(TObject* owner) : fOwner(owner) {}
  ~TFIBBase() override;

  TFIBDatabase* Database() const { return fDatabase; }
  // Moves the link to another database. A link of an owner that is not being loaded and
  // has no transaction takes the database's DefaultTransaction.
  void SetDatabase(TFIBDatabase* database);
  TFIBTransaction* Transaction() const { return fTransaction; }
  // Moves the link to another transaction. When that transaction spans databases and not
  // the link's, the link follows it to its DefaultDatabase (or its first database).
  void SetTransaction(TFIBTransaction* transaction);
  TObject* Owner() const { return fOwner; }

  // No database: client error 21; then the database must be connected (error 12).
  virtual void CheckDatabase();
  // No transaction: client error 22; then the transaction must be active (error 15).
  virtual void CheckTransaction();
  isc_db_handle* GetDBHandle();
  isc_tr_handle* GetTRHandle();

  TFIBBaseEvent OnDatabaseConnecting;
  TFIBBaseEvent OnDatabaseConnected;
  TFIBBaseEvent OnDatabaseDisconnecting;
  TFIBBaseEvent OnDatabaseDisconnected;
  TFIBBaseEvent OnDatabaseFree;
  TFIBBaseEvent OnTransactionEnding;
  TFIBBaseEvent OnTransactionEnded;
  TFIBBaseEvent OnTransactionStarting;
  TFIBBaseEvent OnTransactionStarted;
  TFIBBaseEvent OnTransactionFree;

  void DoDatabaseConnecting() { Fire(OnDatabaseConnecting); }
  void DoDatabaseConnected() { Fire(OnDatabaseConnected); }
  void DoDatabaseDisconnecting() { Fire(OnDatabaseDisconnecting); }
  void DoDatabaseDisconnected() { Fire(OnDatabaseDisconnected); }
  // The handler, then the link forgets its database and transaction.
  void DoDatabaseFree();
  void DoTransactionEnding() { Fire(OnTransactionEnding); }
  void DoTransactionEnded() { Fire(OnTransactionEnded); }
  void DoTransactionStarting() { Fire(OnTransactionStarting); }
  void DoTransactionStarted() { Fire(OnTransactionStarted); }
  // The handler, then the link forgets its transaction.
  void DoTransactionFree();

 private:
  friend class TFIBDatabase;
  friend class TFIBTransaction;
  void Fire(const TFIBBaseEvent& event) {
    if (event) event(this);
  }
  AnsiString OwnerName() const;
  bool OwnerLoading() const;

  TFIBDatabase* fDatabase = nullptr;
  int fDatabaseIndex = -1;
  TFIBTransaction* fTransaction = nullptr;
  int fTransactionIndex = -1;
  TObject* fOwner;
};

// ---- TFIBDatabase --------------------------------------------------------------------

class TFIBDatabase : public TComponent {
  ORDVANE_CLASS(TFIBDatabase, TComponent)

 public:
  explicit TFIBDatabase(TComponent* owner);
  ~TFIBDatabase() override;

  // ---- Connection
  bool Connected() const { return fHandle != 0; }
  // Made on the program's main thread, or on a thread that has ended since: closed as
  // the main thread ends when left connected.
  bool MadeOnMainThread() const { return fMadeOnMainThread; }
  bool MakingThreadEnded() const { return fMakingThreadEnded && fMakingThreadEnded->load(); }
  // While loading only remembers the value; true connects, false closes.
  void SetConnected(bool value);
  // Errors: 13 when connected, 14 without DBName, 7 when the login is cancelled, 8 and 9
  // for bad parameter lines, the server's refusal as EFIBInterBaseError.
  virtual void Connect();
  // Ends every active transaction by its TimeoutAction (a retaining action by its hard
  // form), tells the links and detaches. A forced disconnect finishes even when a step
  // fails, and then raises the first failure of a transaction end (a commit that did not
  // happen) unless the database is being destroyed. An unforced one that fails to end a
  // transaction keeps a live connection open, but finishes on a lost one and then raises.
  virtual void Disconnect(bool force);
  void Close();
  void ForceClose();
  // Asks the server for a small answer; when that fails the database is force-closed
  // and the result is false.
  bool TestConnected();
  // Whether the connection still lives, asked without closing or reporting anything.
  bool ServerAnswers();
  void CheckActive();
  void CheckInactive();
  void CheckDatabaseName();
  // Every client call of the database, its transactions and statements goes through
  // here: reloads the floating-point control word, counts as activity for the idle
  // time-out and, when asked, raises the server's error for a non-zero status.
  ISC_STATUS Call(ISC_STATUS status, bool raise);
  isc_db_handle* DBHandle() { return &fHandle; }

  // ---- Parameters and library
  TDBParams& DBParams() { return fDBParams; }
  TConnectParams& ConnectParams() { return fConnectParams; }
  // The index of the line that sets the parameter (with or without "isc_dpb_", any
  // letter case), -1 when there is none.
  int IndexOfDPBName(const AnsiString& name) const;
  // The value of the parameter of a DPB code (1..83); empty when none is set.
  AnsiString GetDPBValue(int code) const;
  // name=value, replacing the parameter's line or appending one; an empty value deletes
  // the line.
  void SetDPBValue(const AnsiString& name, const AnsiString& value);
  void SetDPBValueByCode(int code, const AnsiString& value);
  const AnsiString& LibraryName() const { return fLibraryName; }
  void SetLibraryName(const AnsiString& value);
  IIBClientLibrary& ClientLibrary();
  const AnsiString& DBName() const { return fDBName; }
  void SetDBName(const AnsiString& value);
  Integer SQLDialect() const { return fSQLDialect; }
  // Error 61 below 1, and while connected above the database's own dialect.
  void SetSQLDialect(Integer value);
  // Names compare upper-cased: dialect below 3, or UpperOldNames.
  bool UsesUpperNames() const { return fSQLDialect < 3 || fUpperOldNames; }

  // ---- Transactions and links
  // Lists the transaction and the database in each other (the transaction's own slot
  // when listed, else the first empty slot, else appended) and returns the slot.
  int AddTransaction(TFIBTransaction* transaction);
  // Empties the slot and unlinks both sides (defaults that point at each other included).
  void RemoveTransaction(int index);
  void RemoveTransactions();
  int IndexOfTransaction(const TFIBTransaction* transaction) const;
  TFIBTransaction* GetTransaction(int index) const;
  int TransactionCount() const { return static_cast<int>(fTransactions.size()); }
  int ActiveTransactionCount() const;
  TFIBTransaction* FirstActiveTransaction() const;
  TFIBTransaction* DefaultTransaction() const { return fDefaultTransaction; }
  void SetDefaultTransaction(TFIBTransaction* transaction);
  TFIBTransaction* DefaultUpdateTransaction() const { return fDefaultUpdateTransaction; }
  void SetDefaultUpdateTransaction(TFIBTransaction* transaction);
  int AddSQLObject(TFIBBase* link);
  // The link forgets the database; the last link moves into the freed index.
  void RemoveSQLObject(int index);
  void RemoveSQLObjects();
  TFIBBase* GetSQLObject(int index) const;
  int SQLObjectCount() const { return static_cast<int>(fSQLObjects.size()); }
  // The cell of a statement handle whose free failed (the attachment is lost): the client
  // library clears it at the detach, so it lives until then.
  void KeepStatementHandleUntilDetach(std::unique_ptr<isc_stmt_handle> cell);
  // Handlers of components that follow the database: after each connect, before each
  // disconnect, and when the database is destroyed (last registered first).
  TNotifyEventList& AfterConnectHandlers() { return fAfterConnectHandlers; }
  TNotifyEventList& BeforeDisconnectHandlers() { return fBeforeDisconnectHandlers; }
  TNotifyEventList& DestroyHandlers() { return fDestroyHandlers; }

  // ---- Server information (each needs the attachment)
  // One numeric item of isc_database_info; false when the answer does not carry it.
  bool GetDBInfoInt(Byte item, Int64& value);
  Int64 GetDBInfoValue(Byte item);
  // -1 when not answered.
  Integer GetAttachmentCharSetID();
  // 1 when not answered.
  Integer GetDBSQLDialect();
  Integer GetODSMajorVersion();
  Integer GetODSMinorVersion();
  // "LI-V3.0.11.33637 Firebird 3.0"; empty from a server that is no Firebird.
  AnsiString GetFirebirdVersion();
  bool IsFirebirdConnect();
  AnsiString GetServerVersionText();
  // The numbers of the server's version text, read once per connection.
  Integer GetServerMajorVersion();
  Integer GetServerMinorVersion();
  Integer GetServerRelease();
  Integer GetServerBuild();
  bool IsIB2007Connect();
  // The attachment goes through a network server rather than an engine in this process.
  bool IsRemoteConnect();
  Integer QueryBaseLevel();

  // ---- Character sets (the connection's while connected, else ConnectParams.CharSet)
  bool IsUnicodeCharSet() const;
  bool IsUnicodeOrNoneCharSet() const;
  bool IsKOI8CharSet() const;
  std::set<Integer> UnicodeCharSetIDs() const;
  Integer BytesPerCharOfCharSet(Integer charSetID) const;
  // Firebird 2.1 or later, ODS 11.1 or later and a Unicode or NONE connection.
  bool IsFB21UnicodeOrNone() const { return fFB21UnicodeOrNone; }

  // ---- Services
  // Creates the database DBName and stays attached to it: the parameter lines are the
  // clauses of CREATE DATABASE here (USER 'name' PASSWORD 'word' PAGE_SIZE 8192 ...), and
  // are read as connection parameters again at the next connect. Error 13 when
  // connected; no connect events are fired.
  void CreateDatabase();
  // Drops the attached database (error 12 when not connected). Its active transactions
  // are rolled back first.
  void DropDatabase();
  // The text Gen_Id runs (and keeps in the statement cache) for a generator and a step.
  AnsiString GenIdSQL(const AnsiString& generatorName, Int64 step) const;
  // The generator's value after adding step to it (0 reads it), through a pooled
  // statement in the first active transaction of this database, else in the given one,
  // else in the internal one; a transaction that was not active is started and committed
  // around the call (rolled back when it fails). The name is upper-cased, or quoted when
  // it needs quotes; a name in double quotes is used as it is.
  Int64 Gen_Id(const AnsiString& generatorName, Int64 step, TFIBTransaction* transaction = nullptr);
  // Runs a statement from the pool in the given transaction (or the internal one, which
  // is committed afterwards) with the values as its parameters in order (Empty values
  // skipped) and returns the first row's first column (a blob as text), or Null without
  // a row. QueryValues returns every column of the first row as a variant array. The
  // statement goes back to the pool when keepInPool is set and the call succeeded, and is
  // freed otherwise. A transaction whose DefaultDatabase is another database: client
  // error 19.
  Variant QueryValue(const AnsiString& sql, const std::vector<Variant>& params = {},
                     TFIBTransaction* transaction = nullptr, bool keepInPool = true);
  Variant QueryValues(const AnsiString& sql, const std::vector<Variant>& params = {},
                      TFIBTransaction* transaction = nullptr, bool keepInPool = true);
  // The server's current date and time (a TIMESTAMP from dialect 2 on, else a DATE).
  TDateTime GetServerTime();
  // Local time minus the server's, in days, measured at each connect when
  // SynchronizeTime is set (0 otherwise).
  double ServerTimeDifference() const { return fServerTimeDifference; }
  // Runs the login dialog hook and writes what it returns back as parameter lines.
  bool Login();
  TBlobFilterList& BlobFilters() { return fBlobFilters; }
  bool HasBlobFilter(Integer subType, bool forRead) const;
  void ApplyBlobFilter(Integer subType, RawByteString& data, bool forRead) const;

  // ---- Other properties
  // Idle milliseconds after which the database force-closes itself and fires OnTimeout;
  // 0 never. The database goes between one and two intervals after its last client call.
  Cardinal Timeout() const { return fTimeout; }
  void SetTimeout(Cardinal value);
  bool UseLoginPrompt() const { return fUseLoginPrompt; }
  void SetUseLoginPrompt(bool value) { fUseLoginPrompt = value; }
  bool UpperOldNames() const { return fUpperOldNames; }
  void SetUpperOldNames(bool value) { fUpperOldNames = value; }
  bool SynchronizeTime() const { return fSynchronizeTime; }
  void SetSynchronizeTime(bool value) { fSynchronizeTime = value; }
  TDesignDBOptions DesignDBOptions() const { return fDesignDBOptions; }
  void SetDesignDBOptions(TDesignDBOptions value);
  TFIBUseRepositories UseRepositories() const { return fUseRepositories; }
  void SetUseRepositories(TFIBUseRepositories value) { fUseRepositories = value; }
  bool UseBlrToTextFilter() const { return fUseBlrToTextFilter; }
  void SetUseBlrToTextFilter(bool value) { fUseBlrToTextFilter = value; }
  ISQLLogger* SQLLogger() const { return fSQLLogger; }
  void SetSQLLogger(ISQLLogger* logger);
  TBlobSwapSupport& BlobSwapSupport() { return fBlobSwapSupport; }
  TCSMonitorSupport& CSMonitorSupport() { return fCSMonitorSupport; }
  // Inactive until the application activates it.
  TFIBStatistics& Statistics() { return fStatistics; }

  TNotifyEvent OnTimeout;
  TNotifyEvent BeforeDisconnect;
  TNotifyEvent AfterDisconnect;
  TNotifyEvent OnConnect;
  TBeforeSaveBlobToSwapEvent BeforeSaveBlobToSwap;
  TBlobSwapDoneEvent AfterSaveBlobToSwap;
  TBeforeLoadBlobFromSwapEvent BeforeLoadBlobFromSwap;
  TBlobSwapDoneEvent AfterLoadBlobFromSwap;

 protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  // For the destructors: commits the internal transaction, stops the idle time-out and
  // ends a live connection through `disconnect`, the Disconnect of the class being
  // destroyed (a virtual call would reach only the base's). Raises nothing: a failed
  // commit goes to the logger, a failed disconnect has reported itself.
  void EndConnectionOnDestroy(const std::function<void()>& disconnect) noexcept;

 private:
  friend class TDBParams;
  friend class TFIBTransaction;

  void DBParamsChanging();
  void DBParamsChanged() { fParamsChanged = true; }
  void ApplyStreamedConnected();
  void DoAfterConnect();
  // The server kind and character-set flags of a new attachment.
  void ReadConnectionKind();
  // A generator name as the statement writes it.
  AnsiString GeneratorNameForSQL(const AnsiString& name) const;
  // The given transaction (which must work on this database), else the internal one.
  TFIBTransaction* ServiceTransaction(TFIBTransaction* given) const;
  // The statement of QueryValue(s), run; reads the first row through read.
  Variant RunQuery(const AnsiString& sql, const std::vector<Variant>& params, TFIBTransaction* transaction,
                   bool keepInPool, Variant (*read)(TFIBQuery& query));
  void DoBeforeDisconnect();
  void DoAfterDisconnect();
  void EndTransactionsForDisconnect(bool force, std::exception_ptr& failure);
  void NotifyLinks(void (TFIBBase::*notify)(), bool force);
  void ReadServerVersion();
  void ResetConnectionState();
  bool CharSetNamed(std::initializer_list<const char*> names) const;
  // The answer of a one-item request, empty when the item is not in it.
  std::vector<char> DatabaseInfo(Byte item, std::size_t bufferSize);
  AnsiString FirstInfoString(Byte item, std::size_t bufferSize);
  void TimeoutTimerTick(TObject* sender);
  void Log(const AnsiString& operation, const AnsiString& parameters, int kind);
  // This side of AddTransaction.
  int ListTransaction(TFIBTransaction* transaction);
  // Forgets a transaction that leaves: its slot, and defaults that name it.
  void ForgetTransaction(const TFIBTransaction* transaction);

  IIBClientLibraryPtr fLibrary;
  AnsiString fLibraryName;
  isc_db_handle fHandle = 0;
  AnsiString fDBName;
  TDBParams fDBParams{this};
  TConnectParams fConnectParams{this};
  AnsiString fDPB;
  SmallInt fDPBLength = 0;
  bool fParamsChanged = true;
  bool fStreamedConnected = false;
  Integer fSQLDialect = 1;
  bool fUseLoginPrompt = false;
  bool fUpperOldNames = false;
  bool fSynchronizeTime = true;
  bool fUseBlrToTextFilter = false;
  TDesignDBOptions fDesignDBOptions{ddoStoreConnected};
  TFIBUseRepositories fUseRepositories{urFieldsInfo, urDataSetInfo, urErrorMessagesInfo};
  ISQLLogger* fSQLLogger = nullptr;
  TComponent* fSQLLoggerComponent = nullptr;

  std::vector<TFIBBase*> fSQLObjects;
  std::vector<std::unique_ptr<isc_stmt_handle>> fHandlesClearedAtDetach;
  std::vector<TFIBTransaction*> fTransactions;  // slots may be empty
  TFIBTransaction* fDefaultTransaction = nullptr;
  TFIBTransaction* fDefaultUpdateTransaction = nullptr;
  TNotifyEventList fAfterConnectHandlers{nullptr};
  TNotifyEventList fBeforeDisconnectHandlers{nullptr};
  TNotifyEventList fDestroyHandlers{nullptr};
  TBlobFilterList fBlobFilters;
  TBlobSwapSupport fBlobSwapSupport{this};
  TCSMonitorSupport fCSMonitorSupport{this};
  TFIBStatistics fStatistics;

  // What the connection learnt about the server.
  Integer fServerMajor = -1, fServerMinor = -1, fServerRelease = -1, fServerBuild = -1;
  bool fIsFirebird = false;
  bool fIsIB2007 = false;
  bool fUnicodeCharSet = false;
  bool fUnicodeOrNoneCharSet = false;
  bool fKOI8CharSet = false;
  bool fFB21UnicodeOrNone = false;
  Byte fDatabaseIdByte = 0;
  double fServerTimeDifference = 0;

  Cardinal fTimeout = 0;
  std::unique_ptr<TFIBTimer> fTimer;
  bool fIdle = false;

  // Owned; listed in fTransactions like any other.
  std::unique_ptr<TFIBTransaction> fInternalTransaction;
  bool fMadeOnMainThread;
  std::shared_ptr<const std::atomic<bool>> fMakingThreadEnded;
};

// ---- TFIBTransaction -----------------------------------------------------------------

class TFIBTransaction : public TComponent {
  ORDVANE_CLASS(TFIBTransaction, TComponent)

 public:
  explicit TFIBTransaction(TComponent* owner);
  ~TFIBTransaction() override;

  // Errors 16 when active, 18 without databases, 12 for a database that is not
  // connected; the server's refusal as EFIBInterBaseError (the handle stays 0).
  virtual void StartTransaction();
  // A failing end raises with the state showing the end in progress and the handle
  // unchanged. A forced hard end always ends the transaction: a failed commit is rolled
  // back, the handle cleared, and the failure reported to the main database's logger and
  // OnForcedEndError, then raised unless the transaction is being destroyed.
  virtual void EndTransaction(TTransactionAction action, bool force);
  // Called by a statement before (kind 0) and after (kind 1) each of its executions.
  virtual void DoSQLExecute(TFIBQuery* /*query*/, int /*kind*/) {}
  virtual void Commit() { EndTransaction(TACommit, false); }
  virtual void CommitRetaining() { EndTransaction(TACommitRetaining, false); }
  virtual void Rollback() { EndTransaction(TARollback, false); }
  virtual void RollbackRetaining() { EndTransaction(TARollbackRetaining, false); }

  bool Active() const { return fHandle != 0; }
  // While loading only remembers the value; true starts an inactive transaction, false
  // rolls back an active one; anything else does nothing.
  void SetActive(bool value);
  // Error 15 when not active.
  void CheckInTransaction();
  // Error 16 when active.
  void CheckNotInTransaction();
  TTransactionState State() const { return fState; }
  isc_tr_handle* TRHandle() { return &fHandle; }

  // ---- Databases
  // -1 for none; the existing index when listed. A database of another client library
  // than the first one's raises Exception.
  int AddDatabase(TFIBDatabase* database);
  void RemoveDatabase(int index);
  void RemoveDatabases();
  int FindDatabase(const TFIBDatabase* database) const;
  int DatabaseCount() const { return static_cast<int>(fDatabases.size()); }
  TFIBDatabase* Databases(int index) const;
  TFIBDatabase* DefaultDatabase() const { return fDefaultDatabase; }
  // Error 16 when active.
  void SetDefaultDatabase(TFIBDatabase* database);
  // DefaultDatabase, else the first listed database, else nullptr.
  TFIBDatabase* MainDatabase() const;

  // ---- Links
  int AddLink(TFIBBase* link);
  // The link forgets the transaction; the last link moves into the freed index.
  void RemoveLink(int index);
  void RemoveLinks();
  int LinkCount() const { return static_cast<int>(fLinks.size()); }
  TFIBBase* Links(int index) const;

  // ---- Handlers: kind 0 before start, 1 after start, 4 destroy (TNotifyEvent); kind 2
  // before end and 3 after end (TEndTrEvent). Another kind fails an assertion.
  void AddEvent(const TNotifyEvent& handler, int kind);
  void RemoveEvent(const TNotifyEvent& handler, int kind);
  void AddCallBack(const TEndTrEvent& handler, int kind);
  void RemoveCallBack(const TEndTrEvent& handler, int kind);
  // The same for members of components, which leave the lists when their component dies.
  template <class C, class M>
  void AddEvent(C* object, M method, int kind) {
    NotifyList(kind).Add(object, method);
  }
  template <class C, class M>
  void AddCallBack(C* object, M method, int kind) {
    EndList(kind).Add(object, method);
  }

  // The server's id of the transaction, asked once per transaction; 0 when inactive.
  Integer TransactionID();
  // Called by a database that disconnects: ends the transaction, forced, by its
  // TimeoutAction, a retaining action by its hard form (the attachment goes away).
  void OnDatabaseDisconnecting(TFIBDatabase* database);

  // Idle milliseconds after which the transaction ends by TimeoutAction (forced) and
  // fires OnTimeout; 0 never.
  Cardinal Timeout() const;
  void SetTimeout(Cardinal value);
  TTransactionAction TimeoutAction() const { return fTimeoutAction; }
  void SetTimeoutAction(TTransactionAction value) { fTimeoutAction = value; }
  // Error 16 when changed while active.
  TStrings& TRParams() { return fTRParams; }
  TCSMonitorSupport& CSMonitorSupport() { return fCSMonitorSupport; }

  // The attachment of this transaction is gone: its next end does not call the server.
  void MarkConnectionLost() { fHandleReleased = true; }

  // The status check of every client call in the transaction (its statements' and blobs'
  // included): counts as activity for the idle time-outs of the transaction and its
  // databases and, when asked, raises the server's error for a non-zero status.
  ISC_STATUS Call(ISC_STATUS status, bool raise);

  TNotifyEvent OnTimeout;
  TForcedEndErrorEvent OnForcedEndError;

 protected:
  void Loaded() override;
  // The end of a destroyed transaction: forced, by TimeoutAction in its hard form, through
  // `end`, the EndTransaction of the class being destroyed (a virtual call would reach
  // only the base's). Failures are reported (EndTransaction), never raised.
  void EndOnDestroy(const std::function<void(TTransactionAction)>& end) noexcept;

  // Set by the lost-connection close just before it ends the transaction: the end does
  // not call the server.
  bool fHandleReleased = false;

 private:
  friend class TFIBDatabase;

  IIBClientLibrary& Library();
  TNotifyEventList& NotifyList(int kind);
  TCallBackList<void(TFIBTransaction*, TTransactionAction, bool)>& EndList(int kind);
  void TRParamsChanging(TObject* sender);
  void TRParamsChanged(TObject*) { fTPBChanged = true; }
  void NotifyStart(void (TFIBBase::*notify)());
  void NotifyEnd(void (TFIBBase::*notify)(), int kind, TTransactionAction action, bool force,
                 std::exception_ptr& failure);
  void RunNotifyHandlers(TNotifyEventList& list);
  void Log(const AnsiString& operation);
  void ReportForcedEndFailure(TTransactionAction action, std::exception_ptr failure);
  // The monitor's text of an end by `action`.
  void TraceEnd(TFIBSQLMonitorHook& hook, TTransactionAction action, Integer id) const;
  void TimeoutTimerTick(TObject* sender);
  void ForgetDatabase(const TFIBDatabase* database);

  bool fIdle = false;
  std::vector<TFIBDatabase*> fDatabases;
  std::vector<TFIBBase*> fLinks;
  TFIBDatabase* fDefaultDatabase = nullptr;
  isc_tr_handle fHandle = 0;
  bool fStreamedActive = false;
  AnsiString fTPB;
  SmallInt fTPBLength = 0;
  std::unique_ptr<TFIBTimer> fTimer;
  TTransactionAction fTimeoutAction = TARollback;
  TStringList fTRParams;
  bool fTPBChanged = true;
  TTransactionState fState = tsInactive;
  Integer fTransactionID = 0;
  TNotifyEventList fDestroyHandlers{nullptr};
  TNotifyEventList fBeforeStartHandlers{nullptr};
  TNotifyEventList fAfterStartHandlers{nullptr};
  TCallBackList<void(TFIBTransaction*, TTransactionAction, bool)> fBeforeEndHandlers{nullptr};
  TCallBackList<void(TFIBTransaction*, TTransactionAction, bool)> fAfterEndHandlers{nullptr};
  TCSMonitorSupport fCSMonitorSupport{this};
};

}  // namespace ordvane
