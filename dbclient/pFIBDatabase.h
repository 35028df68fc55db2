#pragma once
// The database and transaction components the application uses.
//
// TpFIBDatabase adds to the database: connection settings kept by alias name in the
// user's settings store, a login event that can veto a connect, and the handling of a
// lost connection, with a timer that keeps trying to reconnect.
//
// TpFIBTransaction adds a parameter mode that writes its parameter lines, and events
// around its starts and ends.

#include <memory>

#include "dbclient/FIBBlobCache.h"
#include "dbclient/FIBConsts.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBMetaCacheHooks.h"
#include "dbclient/FIBProps.h"
#include "dbclient/FIBQuery.h"

namespace ordvane {

// What happens once a lost connection is found.
enum TOnLostConnectActions { laTerminateApp, laCloseConnect, laIgnore, laWaitRestore };

class TpFIBDatabase;

// The parameter lines the connect will use; clearing doConnect vetoes the connect.
using TFIBLoginEvent = TEvent<void(TpFIBDatabase* database, TStrings& loginParams, bool& doConnect)>;
using TFIBLostConnectEvent =
    TEvent<void(TpFIBDatabase* database, const EFIBError& e, TOnLostConnectActions& actions)>;
using TFIBRestoreConnectEvent = TEvent<void(TpFIBDatabase* database)>;

class TpFIBDatabase : public TFIBDatabase {
  ORDVANE_CLASS(TpFIBDatabase, TFIBDatabase)

 public:
  explicit TpFIBDatabase(TComponent* owner);
  ~TpFIBDatabase() override;

  // Nothing when connected. BeforeConnect may veto; after the connect the alias is saved
  // (SaveAliasParamsAfterConnect) and the blob cache is checked in the background when
  // BlobSwapSupport is active.
  void Connect() override;
  // First asks the server whether the connection still lives: a lost one is reported
  // through OnLostConnect (preset laCloseConnect), and the database ends up closed
  // whatever the handler chose, since a disconnect must leave it disconnected. While the
  // component is being destroyed a lost connection is closed without calling the handler.
  void Disconnect(bool force) override;

  // ---- Alias
  const AnsiString& AliasName() const { return fAliasName; }
  // Client error 13 while connected (outside loading); a non-empty name loads the
  // alias's settings.
  void SetAliasName(const AnsiString& value);
  // Applies the alias's values that exist: "Database Name" to DBName, user_name, lc_ctype
  // and sql_role_name to their parameter lines (an empty value deletes the line),
  // "SQL_DIALECT" to SQLDialect. True when the alias exists and holds "Database Name".
  virtual bool LoadAliasParams();
  // Writes DBName, the user name, character set and role lines and SQLDialect; never
  // the password.
  virtual void SaveAliasParams();
  void SaveAliasParamsNow() { SaveAliasParams(); }
  bool SaveAliasParamsAfterConnect() const { return fSaveAliasParamsAfterConnect; }
  void SetSaveAliasParamsAfterConnect(bool value) { fSaveAliasParamsAfterConnect = value; }

  // ---- Lost connection
  // Milliseconds between reconnect attempts after laWaitRestore; 0: no reconnect timer.
  Cardinal WaitForRestoreConnect() const;
  void SetWaitForRestoreConnect(Cardinal value);
  // When connected, asks the server a small question; a failure is handed with `action`
  // to DoOnLostConnect and the result is false. Otherwise whether the database is
  // connected.
  bool CheckConnection(TOnLostConnectActions action);
  // OnLostConnect, then the action: laTerminateApp closes the connection's objects and
  // posts a quit message (exit code 0) to this thread; laCloseConnect closes them;
  // laWaitRestore closes them and starts the reconnect timer; laIgnore does nothing.
  virtual void DoOnLostConnect(const EFIBError& e, TOnLostConnectActions& actions);
  virtual void DoOnErrorRestoreConnect(const EFIBError& e, TOnLostConnectActions& actions);
  virtual void DoAfterRestoreConnect();
  void StartRestoreTimer();
  // While the objects of a lost connection are being closed.
  bool ClosingLostConnection() const { return fClosingLostConnection; }
  // While the reconnect timer connects.
  bool Restoring() const { return fRestoring; }

  // The local metadata caches around connect and disconnect: LocalCacheFile holds the
  // table cache, the same name with ".dt" the dataset settings and with ".err" the error
  // messages.
  TCacheSchemaOptions& CacheSchemaOptions() { return fCacheSchemaOptions; }
  // Loads the three files (the table cache with this database when given). A damaged file
  // goes to the SQL logger with its message and leaves its cache empty; the others still
  // load. True when the table cache was taken from its file.
  bool LoadCacheFiles(const AnsiString& fileName, bool validate, TFIBDatabase* database);
  void SaveCacheFiles(const AnsiString& fileName) noexcept;

  // "Internal" and the library version; read-only.
  AnsiString About() const { return "Internal " + DBClientVersionText(); }

  // Offered to the transactions of this database around their starts and ends.
  TNotifyEvent BeforeStartTransaction;
  TNotifyEvent AfterStartTransaction;
  TEndTrEvent BeforeEndTransaction;
  TEndTrEvent AfterEndTransaction;

  TFIBLoginEvent BeforeConnect;
  TFIBLoginEvent& OnLogin = BeforeConnect;
  TNotifyEvent& AfterConnect = OnConnect;
  TFIBLostConnectEvent OnLostConnect;
  TFIBLostConnectEvent OnErrorRestoreConnect;
  TFIBRestoreConnectEvent AfterRestoreConnect;
  // Decides alone which cached tables stay when the loaded caches are validated.
  TpFIBAcceptCacheSchema OnAcceptCacheSchema;

 private:
  // The attachment is gone: the statements drop their handles, the active transactions
  // end without calling the server, and the database counts as disconnected.
  void CloseLostConnection();
  void RestoreTimerTick(TObject* sender);
  // The caches of LocalCacheFile after a connect, checked against this database.
  void LoadCachesAfterConnect();
  // Ends this thread's message loop: a quit message with exit code 0.
  static void TerminateApplication();
  bool InDesigner() const { return ComponentState().Contains(csDesigning); }

  AnsiString fAliasName;
  bool fSaveAliasParamsAfterConnect = true;
  TCacheSchemaOptions fCacheSchemaOptions{this};
  std::unique_ptr<TFIBTimer> fRestoreTimer;
  bool fClosingLostConnection = false;
  bool fRestoring = false;
  std::unique_ptr<TValidateBlobCacheThread> fBlobCacheValidation;
};

using TOnSQLExecute = TEvent<void(TFIBQuery* query, TFIBSQLTypes sqlType)>;

enum TTPBMode { tpbDefault = 0, tpbReadCommitted = 1, tpbRepeatableRead = 2 };

class TpFIBTransaction : public TFIBTransaction {
  ORDVANE_CLASS(TpFIBTransaction, TFIBTransaction)

 public:
  explicit TpFIBTransaction(TComponent* owner) : TFIBTransaction(owner) {}
  ~TpFIBTransaction() override;

  // Does nothing on an active transaction. Unless TPBMode is tpbDefault, the parameter
  // lines become "write", "isc_tpb_nowait" and then "read_committed", "rec_version"
  // (tpbReadCommitted) or "concurrency" (tpbRepeatableRead). The default database's
  // BeforeStartTransaction, then BeforeStart, surround the start with AfterStart and the
  // database's AfterStartTransaction.
  void StartTransaction() override;
  // The same order with the database's BeforeEndTransaction, BeforeEnd, AfterEnd and
  // AfterEndTransaction.
  void EndTransaction(TTransactionAction action, bool force) override;

  // BeforeSQLExecute (kind 0) or AfterSQLExecute (kind 1) with the statement's kind.
  void DoSQLExecute(TFIBQuery* query, int kind) override;

  // The library version; read-only.
  AnsiString About() const { return DBClientVersionText(); }

  TOnSQLExecute BeforeSQLExecute;
  TOnSQLExecute AfterSQLExecute;

  TTPBMode TPBMode() const { return fTPBMode; }
  void SetTPBMode(TTPBMode value) { fTPBMode = value; }
  // A named kind of transaction; only remembered.
  const AnsiString& UserKindTransaction() const { return fUserKindTransaction; }
  void SetUserKindTransaction(const AnsiString& value) { fUserKindTransaction = value; }

  TNotifyEvent BeforeStart;
  TNotifyEvent AfterStart;
  TEndTrEvent BeforeEnd;
  TEndTrEvent AfterEnd;

 private:
  TTPBMode fTPBMode = tpbReadCommitted;
  AnsiString fUserKindTransaction = "NoUserKind";
};

}  // namespace ordvane
