#include "dbclient/FIBDatabase.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "classlib/core/ProgramEnd.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/Threads.h"
#include "dbclient/EngineSignals.h"
#include "dbclient/FIBComponentLife.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBInfo.h"
#include "dbclient/FIBParamBlocks.h"
#include "dbclient/FIBQuery.h"
#include "dbclient/FIBSQLMonitor.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/pFIBCacheQueries.h"

namespace ordvane {

TLoginDialogProc& LoginDialogProc() {
  static TLoginDialogProc hook;
  return hook;
}
TFIBDatabase* DefaultDatabase = nullptr;

TThreadList& DatabaseList() {
  static TThreadList list;
  return list;
}

namespace {

constexpr std::size_t kInfoBufferSize = 512;
constexpr std::size_t kVersionBufferSize = 1024;
constexpr Byte kInfoFirebirdVersion = 103;    // isc_info_firebird_version
constexpr Byte kInfoAttachmentCharSet = 101;  // the attachment's character set id

// Every character set id of a Unicode character set on an InterBase 2007 server.
constexpr Integer kIB2007UnicodeIDs[] = {8, 59, 64};

// The client's signed 16-bit length of a buffer or a text.
short ShortLength(std::size_t length) {
  if (length > 0x7FFF)
    FIBErrorText("Text of %d bytes is longer than the client library accepts.", {static_cast<int>(length)});
  return static_cast<short>(length);
}

}  // namespace

namespace fib_internal {

void CallLastFirst(const TNotifyEventList& list, TObject* sender) {
  for (int i = list.Count(); i-- > 0;)
    if (auto method = list.GetMethod(i)) method(sender);
}

void SetIdleTimer(std::unique_ptr<TFIBTimer>& timer, Cardinal interval, const TNotifyEvent& tick) {
  if (interval == 0) {
    timer.reset();
    return;
  }
  if (timer == nullptr) {
    timer = std::make_unique<TFIBTimer>(nullptr);
    timer->SetEnabled(false);
    timer->SetOnTimer(tick);
  }
  timer->SetInterval(interval);
  timer->SetEnabled(true);
}

}  // namespace fib_internal

using namespace fib_internal;

// ---- Statement objects -----------------------------------------------------------------

void AssignSQLObjectParams(ISQLObject& target, const std::vector<ISQLObject*>& sources) {
  for (int i = 0; i < target.ParamCount(); ++i) {
    const AnsiString name = target.ParamName(i);
    AnsiString fieldName = name;
    bool oldValue = false;
    if (name.size() > 4) {
      const AnsiString prefix = UpperCase(name.substr(0, 4));
      if (prefix == "NEW_" || prefix == "OLD_") {
        fieldName = name.substr(4);
        oldValue = prefix == "OLD_";
      }
    }
    for (ISQLObject* source : sources) {
      if (source == nullptr) continue;
      if (const int field = source->FieldIndex(fieldName); field >= 0)
        target.SetParamValue(i, source->FieldValue(field, oldValue));
      else if (const int param = source->ParamIndex(name); param >= 0)
        target.SetParamValue(i, source->ParamValue(param));
    }
  }
}

// ---- TFIBBase ------------------------------------------------------------------------

TFIBBase::~TFIBBase() {
  DestructorStep([this] { SetTransaction(nullptr); });
  DestructorStep([this] { SetDatabase(nullptr); });
}

AnsiString TFIBBase::OwnerName() const {
  const auto* component = dynamic_cast<const TComponent*>(fOwner);
  return component != nullptr ? component->Name() : AnsiString();
}

bool TFIBBase::OwnerLoading() const {
  for (const auto* c = dynamic_cast<const TComponent*>(fOwner); c != nullptr; c = c->Owner())
    if (c->ComponentState().Contains(csLoading)) return true;
  return false;
}

void TFIBBase::SetDatabase(TFIBDatabase* database) {
  if (database == fDatabase) return;
  if (fDatabase != nullptr) fDatabase->RemoveSQLObject(fDatabaseIndex);
  if (database == nullptr) return;
  fDatabaseIndex = database->AddSQLObject(this);
  fDatabase = database;
  if (fTransaction == nullptr && fOwner != nullptr && !OwnerLoading())
    SetTransaction(database->DefaultTransaction());
}

void TFIBBase::SetTransaction(TFIBTransaction* transaction) {
  if (transaction == fTransaction) return;
  if (fTransaction != nullptr) fTransaction->RemoveLink(fTransactionIndex);
  if (transaction == nullptr) return;
  fTransactionIndex = transaction->AddLink(this);
  fTransaction = transaction;
  if (fDatabase != nullptr && transaction->FindDatabase(fDatabase) < 0 && transaction->DatabaseCount() > 0)
    SetDatabase(transaction->DefaultDatabase() != nullptr ? transaction->DefaultDatabase()
                                                          : transaction->Databases(0));
}

void TFIBBase::CheckDatabase() {
  if (fDatabase == nullptr) FIBError(TFIBClientError::DatabaseNotAssigned, {OwnerName()});
  fDatabase->CheckActive();
}

void TFIBBase::CheckTransaction() {
  if (fTransaction == nullptr) FIBError(TFIBClientError::TransactionNotAssigned, {OwnerName()});
  fTransaction->CheckInTransaction();
}

isc_db_handle* TFIBBase::GetDBHandle() {
  CheckDatabase();
  return fDatabase->DBHandle();
}

isc_tr_handle* TFIBBase::GetTRHandle() {
  CheckTransaction();
  return fTransaction->TRHandle();
}

void TFIBBase::DoDatabaseFree() {
  // The link lets go also when its handler fails.
  struct TRelease {
    TFIBBase& link;
    ~TRelease() {
      DestructorStep([this] { link.SetTransaction(nullptr); });
      DestructorStep([this] { link.SetDatabase(nullptr); });
    }
  } release{*this};
  Fire(OnDatabaseFree);
}

void TFIBBase::DoTransactionFree() {
  struct TRelease {
    TFIBBase& link;
    ~TRelease() {
      DestructorStep([this] { link.SetTransaction(nullptr); });
    }
  } release{*this};
  Fire(OnTransactionFree);
}

// ---- TFIBDatabase: life --------------------------------------------------------------

// A database the program leaves connected at its end is closed as its main thread ends,
// while the client library is still there: each active transaction ends by its own
// TimeoutAction, as a close ends it. Databases of the main thread and of threads that
// have ended: a running thread's may be in use while the main thread ends.
namespace {

// Set as the thread that holds it ends (its thread-local copy goes).
class TThreadEndMark {
 public:
  TThreadEndMark() = default;
  TThreadEndMark(const TThreadEndMark&) = delete;
  TThreadEndMark& operator=(const TThreadEndMark&) = delete;
  ~TThreadEndMark() { fEnded->store(true); }
  const std::shared_ptr<std::atomic<bool>>& Ended() const { return fEnded; }

 private:
  std::shared_ptr<std::atomic<bool>> fEnded = std::make_shared<std::atomic<bool>>(false);
};

std::shared_ptr<const std::atomic<bool>> CurrentThreadEnded() {
  thread_local const TThreadEndMark mark;
  return mark.Ended();
}

void CloseDatabasesAtProgramEnd() {
  std::vector<TFIBDatabase*> open;
  {
    const TThreadList::Locked list(DatabaseList());
    for (int i = 0; i < list->Count(); ++i) {
      auto* database = static_cast<TFIBDatabase*>(list->Items(i));
      if (database->Connected() && (database->MadeOnMainThread() || database->MakingThreadEnded()))
        open.push_back(database);
    }
  }
  for (TFIBDatabase* database : open) {
    try {
      database->ForceClose();
    } catch (...) {
      // Nobody is left to tell: the program has ended.
    }
  }
}

// Asked for as the program starts, on its main thread, since a program may make every
// database on other threads.
// NOLINTNEXTLINE(cert-err58-cpp)
[[maybe_unused]] const bool gDatabasesClosedAtProgramEnd = (AtMainThreadEnd(CloseDatabasesAtProgramEnd), true);

}  // namespace

TFIBDatabase::TFIBDatabase(TComponent* owner)
    : TComponent(owner),
      fLibraryName(DefaultLibraryName),
      fInternalTransaction(std::make_unique<TFIBTransaction>(nullptr)),
      fMadeOnMainThread(IsMainThread()),
      fMakingThreadEnded(fMadeOnMainThread ? nullptr : CurrentThreadEnded()) {
  DatabaseList().Add(this);
  TStrings& params = fInternalTransaction->TRParams();
  for (const char* line : {"write", "isc_tpb_nowait", "read_committed", "rec_version"}) params.Add(line);
  fInternalTransaction->SetDefaultDatabase(this);
}

TFIBDatabase::~TFIBDatabase() {
  Destroying();
  DestructorStep([this] { DatabaseList().Remove(this); });
  EndConnectionOnDestroy([this] { TFIBDatabase::Disconnect(true); });
  fInternalTransaction.reset();
  if (ordvane::DefaultDatabase == this) ordvane::DefaultDatabase = nullptr;
  DestructorStep([this] { CallLastFirst(fDestroyHandlers, this); });
  while (!fSQLObjects.empty()) DestructorStep([this] { fSQLObjects.back()->DoDatabaseFree(); });
  DestructorStep([this] { RemoveTransactions(); });
  DestructorStep([this] { SetSQLLogger(nullptr); });
}

void TFIBDatabase::EndConnectionOnDestroy(const std::function<void()>& disconnect) noexcept {
  if (fInternalTransaction->Active()) {
    try {
      fInternalTransaction->Commit();
    } catch (const Exception& e) {
      DestructorStep([&] { Log("Commit of the internal transaction failed: " + e.Message(), "", SQLLogTransaction); });
    } catch (...) {
      // Anything else a commit raises has no text to log.
    }
  }
  DestructorStep([this] { SetTimeout(0); });
  if (Connected()) DestructorStep(disconnect);
}

void TFIBDatabase::Loaded() {
  TComponent::Loaded();
  if (fDesignDBOptions.Contains(ddoIsDefaultDatabase)) ordvane::DefaultDatabase = this;
  ApplyStreamedConnected();
}

void TFIBDatabase::ApplyStreamedConnected() {
  if (!fStreamedConnected || Connected()) return;
  fStreamedConnected = false;
  Connect();
  if (fDefaultTransaction != nullptr && fDefaultTransaction->fStreamedActive &&
      !fDefaultTransaction->Active()) {
    fDefaultTransaction->fStreamedActive = false;
    fDefaultTransaction->StartTransaction();
  }
}

void TFIBDatabase::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component != nullptr && component == fSQLLoggerComponent) {
    fSQLLogger = nullptr;
    fSQLLoggerComponent = nullptr;
  }
  TComponent::Notification(component, operation);
}

void TFIBDatabase::SetSQLLogger(ISQLLogger* logger) {
  if (logger == fSQLLogger) return;
  if (fSQLLoggerComponent != nullptr) RemoveFreeNotification(fSQLLoggerComponent);
  fSQLLogger = nullptr;
  fSQLLoggerComponent = nullptr;
  if (logger == nullptr) return;
  logger->AttachDatabase(this);
  fSQLLogger = logger;
  fSQLLoggerComponent = dynamic_cast<TComponent*>(logger);
  if (fSQLLoggerComponent != nullptr) FreeNotification(fSQLLoggerComponent);
}

void TFIBDatabase::Log(const AnsiString& operation, const AnsiString& parameters, int kind) {
  if (fSQLLogger != nullptr) fSQLLogger->WriteData(Name(), operation, parameters, kind);
}

void TFIBDatabase::SetDesignDBOptions(TDesignDBOptions value) {
  const bool wasDefault = fDesignDBOptions.Contains(ddoIsDefaultDatabase);
  fDesignDBOptions = value;
  if (value.Contains(ddoIsDefaultDatabase) && !wasDefault) {
    TFIBDatabase* previous = ordvane::DefaultDatabase;
    if (previous != nullptr && previous != this) previous->fDesignDBOptions.Exclude(ddoIsDefaultDatabase);
    if (!ComponentState().Contains(csLoading)) ordvane::DefaultDatabase = this;
  } else if (!value.Contains(ddoIsDefaultDatabase) && ordvane::DefaultDatabase == this) {
    ordvane::DefaultDatabase = nullptr;
  }
}

// ---- TFIBDatabase: connection --------------------------------------------------------

void TFIBDatabase::SetConnected(bool value) {
  if (ComponentState().Contains(csLoading)) {
    fStreamedConnected = value;
    return;
  }
  if (value)
    Connect();
  else
    Close();
}

void TFIBDatabase::Close() {
  if (Connected()) Disconnect(false);
}

void TFIBDatabase::ForceClose() {
  Disconnect(true);
}

void TFIBDatabase::CheckActive() {
  if (fStreamedConnected && !Connected()) ApplyStreamedConnected();
  if (!Connected()) FIBError(TFIBClientError::DatabaseClosed, {Name()});
}

void TFIBDatabase::CheckInactive() {
  if (Connected()) FIBError(TFIBClientError::DatabaseOpen);
}

void TFIBDatabase::CheckDatabaseName() {
  if (fDBName.empty()) FIBError(TFIBClientError::DatabaseNameMissing);
}

ISC_STATUS TFIBDatabase::Call(ISC_STATUS status, bool raise) {
  SetFPUExtendedPrecision();
  fIdle = false;
  if (fTimer != nullptr && fTimer->Enabled()) {
    fTimer->SetEnabled(false);
    fTimer->SetEnabled(true);
  }
  if (raise && status != 0) IBError(ClientLibrary(), this);
  return status;
}

void TFIBDatabase::ResetConnectionState() {
  fServerMajor = fServerMinor = fServerRelease = fServerBuild = -1;
  fIsFirebird = fIsIB2007 = false;
  fUnicodeCharSet = fUnicodeOrNoneCharSet = fKOI8CharSet = fFB21UnicodeOrNone = false;
  fDatabaseIdByte = 0;
}

void TFIBDatabase::KeepStatementHandleUntilDetach(std::unique_ptr<isc_stmt_handle> cell) {
  fHandlesClearedAtDetach.push_back(std::move(cell));
}

void TFIBDatabase::NotifyLinks(void (TFIBBase::*notify)(), bool force) {
  for (std::size_t i = 0; i < fSQLObjects.size(); ++i) {
    try {
      (fSQLObjects[i]->*notify)();
    } catch (...) {
      if (!force) throw;
    }
  }
}

void TFIBDatabase::Connect() {
  ResetConnectionState();
  CheckInactive();
  CheckDatabaseName();
  IIBClientLibrary& library = ClientLibrary();
  NotifyLinks(&TFIBBase::DoDatabaseConnecting, false);
  if (fUseLoginPrompt && !Login()) FIBError(TFIBClientError::OperationCancelled);
  if (fParamsChanged) {
    fParamsChanged = false;
    try {
      GenerateDPB(fDBParams, fDPB, fDPBLength);
    } catch (...) {
      fParamsChanged = true;  // nothing usable was built
      throw;
    }
  }
  const ISC_STATUS status =
      Call(library.isc_attach_database(StatusVector(), ShortLength(fDBName.size()), fDBName.c_str(), &fHandle,
                                       fDPBLength, fDPB.data()),
           false);
  if (status != 0) {
    fHandle = 0;
    IBError(library, this);
  }
  EndProgramOnTerminationSignals(library.GetLibraryName());
  TraceToMonitor([this](TFIBSQLMonitorHook& hook) { hook.DBConnect(Name()); });
  const Integer dialect = GetDBSQLDialect();
  if (dialect < fSQLDialect) fSQLDialect = dialect;
  fServerTimeDifference = fSynchronizeTime ? Now() - GetServerTime() : 0;
  fDatabaseIdByte = 0;
  DoAfterConnect();
  if (Connected()) NotifyLinks(&TFIBBase::DoDatabaseConnected, false);
  Log("Connect", "", SQLLogConnect);
}

void TFIBDatabase::DoAfterConnect() {
  ReadConnectionKind();
  if (OnConnect) OnConnect(this);
  for (int i = 0; i < fAfterConnectHandlers.Count() && Connected(); ++i)
    if (auto method = fAfterConnectHandlers.GetMethod(i)) method(this);
}

void TFIBDatabase::ReadConnectionKind() {
  fIsFirebird = IsFirebirdConnect();
  if (!fIsFirebird) fIsIB2007 = GetServerMajorVersion() >= 8;
  if (fIsFirebird && GetServerMajorVersion() >= 2) {
    const Integer id = GetAttachmentCharSetID();
    const std::set<Integer> unicode = UnicodeCharSetIDs();
    fUnicodeCharSet = unicode.contains(id);
    fUnicodeOrNoneCharSet = fUnicodeCharSet || id == 0;
    const Integer major = GetServerMajorVersion(), minor = GetServerMinorVersion();
    const Integer odsMajor = GetODSMajorVersion(), odsMinor = GetODSMinorVersion();
    fFB21UnicodeOrNone = fUnicodeOrNoneCharSet && (major > 2 || (major == 2 && minor >= 1)) &&
                         (odsMajor >= 12 || (odsMajor == 11 && odsMinor >= 1));
    fKOI8CharSet = id == 63 || id == 64;
  } else {
    fUnicodeCharSet = CharSetNamed({"UNICODE_FSS", "UTF8"});
    fUnicodeOrNoneCharSet = CharSetNamed({"UNICODE_FSS", "NONE", "UTF8", ""});
    fKOI8CharSet = fFB21UnicodeOrNone = false;
  }
}

void TFIBDatabase::CreateDatabase() {
  CheckInactive();
  IIBClientLibrary& library = ClientLibrary();
  // The lines are clauses of the statement here (USER, PASSWORD, PAGE_SIZE, DEFAULT
  // CHARACTER SET ...); the name is a string literal of it.
  const AnsiString sql = "CREATE DATABASE '" + ReplaceString(fDBName, "'", "''") + "' " + fDBParams.Text();
  ResetConnectionState();
  isc_tr_handle noTransaction = 0;
  const ISC_STATUS status =
      Call(library.isc_dsql_execute_immediate(StatusVector(), &fHandle, &noTransaction,
                                              static_cast<unsigned short>(ShortLength(sql.size())), sql.c_str(),
                                              static_cast<unsigned short>(fSQLDialect), nullptr),
           false);
  if (status != 0) {
    fHandle = 0;
    IBError(library, this);
  }
  // The next connect reads the lines as connection parameters again.
  fParamsChanged = true;
  ReadConnectionKind();
}

// ---- Services through the statement pool

namespace {

// A statement taken from the pool for one service call: given back when the call asks,
// freed otherwise (a failed call always frees it).
class TServiceStatement {
 public:
  explicit TServiceStatement(TFIBQuery* query) : fQuery(query) {}
  ~TServiceStatement() { delete fQuery; }
  TServiceStatement(const TServiceStatement&) = delete;
  TServiceStatement& operator=(const TServiceStatement&) = delete;

  TFIBQuery& Query() { return *fQuery; }
  void GiveBack() {
    if (fQuery->Open()) fQuery->Close();
    FreeQuery(fQuery);
    fQuery = nullptr;
  }

 private:
  TFIBQuery* fQuery;
};

// Starts a transaction that is not active, and rolls it back unless the call succeeded.
class TServiceTransaction {
 public:
  explicit TServiceTransaction(TFIBTransaction& transaction) : fTransaction(transaction) {
    fStarted = !transaction.Active();
    if (fStarted) transaction.StartTransaction();
  }
  ~TServiceTransaction() {
    if (!fSucceeded && fStarted && fTransaction.Active()) {
      try {
        fTransaction.Rollback();
      } catch (const Exception&) {
        // The call's own failure is the one to report.
      }
    }
  }
  TServiceTransaction(const TServiceTransaction&) = delete;
  TServiceTransaction& operator=(const TServiceTransaction&) = delete;

  bool Started() const { return fStarted; }
  void Succeeded() { fSucceeded = true; }

 private:
  TFIBTransaction& fTransaction;
  bool fStarted = false;
  bool fSucceeded = false;
};

Variant ColumnValue(TFIBXSQLVAR& column) {
  if (column.IsBlob() && !column.GetIsNull()) return Variant(column.GetAsString());
  return column.GetAsVariant();
}

Variant FirstColumn(TFIBQuery& query) {
  return query.FieldCount() == 0 ? Null() : ColumnValue(query.GetFields(0));
}

Variant AllColumns(TFIBQuery& query) {
  std::vector<Variant> values;
  for (int i = 0; i < query.FieldCount(); ++i) values.push_back(ColumnValue(query.GetFields(i)));
  return VarArrayOf(values);
}

}  // namespace

AnsiString TFIBDatabase::GeneratorNameForSQL(const AnsiString& name) const {
  if (fSQLDialect == 1) return FastUpperCase(FastTrim(name));
  if (!name.empty() && name[0] == '"') return name;
  const bool quote = UsesUpperNames() ? NeedQuoteIdentifierCI(name) : NeedQuoteIdentifier(name);
  return quote ? "\"" + ReplaceString(name, "\"", "\"\"") + "\"" : FastUpperCase(name);
}

AnsiString TFIBDatabase::GenIdSQL(const AnsiString& generatorName, Int64 step) const {
  return "select gen_id(" + GeneratorNameForSQL(generatorName) + ", " + IntToStr(step) + ") from RDB$DATABASE";
}

Int64 TFIBDatabase::Gen_Id(const AnsiString& generatorName, Int64 step, TFIBTransaction* transaction) {
  TFIBTransaction* chosen = nullptr;
  for (TFIBTransaction* listed : fTransactions)
    if (listed != nullptr && listed->Active() && listed->DefaultDatabase() == this) {
      chosen = listed;
      break;
    }
  if (chosen == nullptr) chosen = ServiceTransaction(transaction);
  TServiceStatement statement(GetQuery(chosen, GenIdSQL(generatorName, step)));
  TServiceTransaction running(*chosen);
  statement.Query().ExecQuery();
  const Int64 value = statement.Query().GetFields(0).GetAsInt64();
  statement.GiveBack();
  if (running.Started()) chosen->Commit();
  running.Succeeded();
  return value;
}

TFIBTransaction* TFIBDatabase::ServiceTransaction(TFIBTransaction* given) const {
  if (given == nullptr) return fInternalTransaction.get();
  if (given->DefaultDatabase() != this) FIBError(TFIBClientError::UpdateWrongDatabase, {given->Name()});
  return given;
}

Variant TFIBDatabase::RunQuery(const AnsiString& sql, const std::vector<Variant>& params,
                               TFIBTransaction* transaction, bool keepInPool, Variant (*read)(TFIBQuery& query)) {
  TFIBTransaction* used = ServiceTransaction(transaction);
  TServiceStatement statement(GetQuery(used, sql));
  TFIBQuery& query = statement.Query();
  TServiceTransaction running(*used);
  if (!params.empty()) {
    query.Prepare();
    const std::size_t count = std::min(params.size(), static_cast<std::size_t>(query.GetParamCount()));
    for (std::size_t i = 0; i < count; ++i)
      if (!VarIsEmpty(params[i])) query.Params()[static_cast<int>(i)].SetAsVariant(params[i]);
  }
  query.ExecQuery();
  const Variant result = read(query);
  if (transaction == nullptr && used->Active()) used->Commit();
  running.Succeeded();
  if (keepInPool) statement.GiveBack();
  return result;
}

Variant TFIBDatabase::QueryValue(const AnsiString& sql, const std::vector<Variant>& params,
                                 TFIBTransaction* transaction, bool keepInPool) {
  return RunQuery(sql, params, transaction, keepInPool, &FirstColumn);
}

Variant TFIBDatabase::QueryValues(const AnsiString& sql, const std::vector<Variant>& params,
                                  TFIBTransaction* transaction, bool keepInPool) {
  return RunQuery(sql, params, transaction, keepInPool, &AllColumns);
}

TDateTime TFIBDatabase::GetServerTime() {
  const AnsiString type = fSQLDialect >= 2 ? "TIMESTAMP" : "DATE";
  return QueryValue("SELECT CAST('NOW' AS " + type + ") from RDB$DATABASE").AsDateTime();
}

void TFIBDatabase::DropDatabase() {
  CheckActive();
  // The server drops a database under an active transaction and leaves the transaction
  // a handle that nothing can end; its work goes with the database anyway.
  for (TFIBTransaction* transaction : fTransactions)
    if (transaction != nullptr && transaction->Active()) transaction->EndTransaction(TARollback, true);
  Call(ClientLibrary().isc_drop_database(StatusVector(), &fHandle), true);
  fHandle = 0;
}

void TFIBDatabase::DoBeforeDisconnect() {
  if (BeforeDisconnect) BeforeDisconnect(this);
  for (int i = 0; i < fBeforeDisconnectHandlers.Count(); ++i)
    if (auto method = fBeforeDisconnectHandlers.GetMethod(i)) method(this);
}

void TFIBDatabase::DoAfterDisconnect() {
  if (!AfterDisconnect) return;
  try {
    AfterDisconnect(this);
  } catch (const Exception& e) {
    const char* format =
        ComponentState().Contains(csDestroying)
            ? "Error of %s.AfterDisconnect. Probably you are trying to get access to destroyed "
              "components. %s"
            : "Error of %s.AfterDisconnect. %s";
    throw Exception(Format(format, {Name(), e.Message()}));
  }
}

void TFIBDatabase::EndTransactionsForDisconnect(bool force, std::exception_ptr& failure) {
  for (std::size_t i = 0; i < fTransactions.size(); ++i) {
    TFIBTransaction* transaction = fTransactions[i];
    if (transaction == nullptr || !transaction->Active()) continue;
    try {
      transaction->OnDatabaseDisconnecting(this);
    } catch (...) {
      if (!force) throw;
      if (!failure) failure = std::current_exception();
    }
  }
}

void TFIBDatabase::Disconnect(bool force) {
  CheckActive();
  std::exception_ptr failure;
  try {
    DoBeforeDisconnect();
  } catch (...) {
    if (!force) throw;
  }
  try {
    EndTransactionsForDisconnect(force, failure);
  } catch (...) {
    // A transaction that cannot end keeps a live connection open. On a lost one nothing
    // can be ended any more: the disconnect completes, and the failure follows.
    if (ServerAnswers()) throw;
    failure = std::current_exception();
    force = true;
    EndTransactionsForDisconnect(force, failure);
  }
  NotifyLinks(&TFIBBase::DoDatabaseDisconnecting, force);
  try {
    // On a lost attachment the client answers with an error but still frees its handles.
    Call(ClientLibrary().isc_detach_database(StatusVector(), &fHandle), true);
  } catch (const Exception&) {
    // The attachment is gone for this component whatever the server says.
  }
  fHandle = 0;
  fHandlesClearedAtDetach.clear();
  TraceToMonitor([this](TFIBSQLMonitorHook& hook) { hook.DBDisconnect(Name()); });
  NotifyLinks(&TFIBBase::DoDatabaseDisconnected, force);
  try {
    DoAfterDisconnect();
  } catch (...) {
    if (!force) throw;
  }
  Log("Disconnect", "", SQLLogConnect);
  if (failure && !ComponentState().Contains(csDestroying)) std::rethrow_exception(failure);
}

bool TFIBDatabase::ServerAnswers() {
  try {
    QueryBaseLevel();
    return true;
  } catch (const EFIBError&) {
    return false;
  }
}

bool TFIBDatabase::TestConnected() {
  if (!Connected()) return false;
  const char item = isc_info_base_level;
  char answer[kInfoBufferSize];
  if (Call(ClientLibrary().isc_database_info(StatusVector(), &fHandle, 1, &item, sizeof answer, answer),
           false) == 0)
    return true;
  ForceClose();
  return false;
}

void TFIBDatabase::SetTimeout(Cardinal value) {
  fTimeout = value;
  SetIdleTimer(fTimer, value, TNotifyEvent::Bind(this, &TFIBDatabase::TimeoutTimerTick));
}

void TFIBDatabase::TimeoutTimerTick(TObject*) {
  IdleTick(
      Connected(), fIdle, [this] { ForceClose(); }, OnTimeout, this);
}

// ---- TFIBDatabase: parameters and library --------------------------------------------

void TFIBDatabase::DBParamsChanging() {
  if (Connected()) FIBError(TFIBClientError::DatabaseOpen);
}

int TFIBDatabase::IndexOfDPBName(const AnsiString& name) const {
  const AnsiString wanted = UpperCase(name);
  for (int i = 0; i < fDBParams.Count(); ++i) {
    AnsiString line = UpperCase(fDBParams.Strings(i));
    if (line.compare(0, 8, "ISC_DPB_") == 0) line.erase(0, 8);
    // The whole name: "password" does not find a password_enc line.
    if (line.compare(0, wanted.size(), wanted) == 0 &&
        (line.size() == wanted.size() || line[wanted.size()] == '='))
      return i;
  }
  return -1;
}

AnsiString TFIBDatabase::GetDPBValue(int code) const {
  const AnsiString name = DPBConstantName(code);
  if (name.empty()) return AnsiString();
  const int index = IndexOfDPBName(name);
  if (index < 0) return AnsiString();
  const AnsiString line = fDBParams.Strings(index);
  const std::size_t eq = line.find('=');
  return eq == AnsiString::npos ? AnsiString() : line.substr(eq + 1);
}

void TFIBDatabase::SetDPBValue(const AnsiString& name, const AnsiString& value) {
  const int index = IndexOfDPBName(name);
  if (value.empty()) {
    if (index >= 0) fDBParams.Delete(index);
  } else if (index >= 0) {
    fDBParams.SetStrings(index, name + "=" + value);
  } else {
    fDBParams.Add(name + "=" + value);
  }
}

void TFIBDatabase::SetDPBValueByCode(int code, const AnsiString& value) {
  const AnsiString name = DPBConstantName(code);
  if (!name.empty()) SetDPBValue(name, value);
}

void TFIBDatabase::SetLibraryName(const AnsiString& value) {
  if (value == fLibraryName) return;
  CheckInactive();
  fLibraryName = value;
  fLibrary.reset();
}

IIBClientLibrary& TFIBDatabase::ClientLibrary() {
  if (fLibrary == nullptr) fLibrary = GetClientLibrary(fLibraryName);
  return *fLibrary;
}

void TFIBDatabase::SetDBName(const AnsiString& value) {
  if (value == fDBName) return;
  CheckInactive();
  fDBName = value;
}

void TFIBDatabase::SetSQLDialect(Integer value) {
  if (value < 1 || (Connected() && value > GetDBSQLDialect())) FIBError(TFIBClientError::InvalidSQLDialect);
  fSQLDialect = value;
}

bool TFIBDatabase::Login() {
  const AnsiString names[] = {DPBConstantName(isc_dpb_user_name), DPBConstantName(isc_dpb_password),
                              DPBConstantName(isc_dpb_sql_role_name)};
  const TLoginDialogProc& dialog = LoginDialogProc();
  if (!dialog)
    throw Exception(AnsiString("Unable to find Database login dialog. ") +
                    "Please, add FIBDBLoginDlg into USES statement of your project.");
  AnsiString user = GetDPBValue(isc_dpb_user_name);
  AnsiString password = GetDPBValue(isc_dpb_password);
  AnsiString role = GetDPBValue(isc_dpb_sql_role_name);
  if (!dialog(fDBName, user, password, role)) return false;
  const AnsiString* values[] = {&user, &password, &role};
  for (int i = 0; i < 3; ++i) {
    const AnsiString line = names[i] + "=" + *values[i];
    const int index = IndexOfDPBName(names[i]);
    if (index >= 0)
      fDBParams.SetStrings(index, line);
    else
      fDBParams.Add(line);
  }
  return true;
}

bool TFIBDatabase::HasBlobFilter(Integer subType, bool forRead) const {
  return static_cast<bool>(fBlobFilters.GetFilter(subType, forRead));
}

void TFIBDatabase::ApplyBlobFilter(Integer subType, RawByteString& data, bool forRead) const {
  ordvane::ApplyBlobFilter(fBlobFilters, data, forRead, subType);
}

// ---- TFIBDatabase: transactions and links --------------------------------------------

int TFIBDatabase::IndexOfTransaction(const TFIBTransaction* transaction) const {
  const auto at = std::find(fTransactions.begin(), fTransactions.end(), transaction);
  return at == fTransactions.end() ? -1 : static_cast<int>(at - fTransactions.begin());
}

int TFIBDatabase::AddTransaction(TFIBTransaction* transaction) {
  transaction->AddDatabase(this);
  return IndexOfTransaction(transaction);
}

int TFIBDatabase::ListTransaction(TFIBTransaction* transaction) {
  int index = IndexOfTransaction(transaction);
  if (index >= 0) return index;
  index = IndexOfTransaction(nullptr);
  if (index >= 0) {
    fTransactions[static_cast<std::size_t>(index)] = transaction;
    return index;
  }
  fTransactions.push_back(transaction);
  return static_cast<int>(fTransactions.size()) - 1;
}

void TFIBDatabase::ForgetTransaction(const TFIBTransaction* transaction) {
  const int index = IndexOfTransaction(transaction);
  if (index >= 0) fTransactions[static_cast<std::size_t>(index)] = nullptr;
  if (fDefaultTransaction == transaction) fDefaultTransaction = nullptr;
  if (fDefaultUpdateTransaction == transaction) fDefaultUpdateTransaction = nullptr;
}

void TFIBDatabase::RemoveTransaction(int index) {
  TFIBTransaction* transaction = GetTransaction(index);
  if (transaction == nullptr) return;
  ForgetTransaction(transaction);
  transaction->ForgetDatabase(this);
}

void TFIBDatabase::RemoveTransactions() {
  for (int i = TransactionCount(); i-- > 0;) RemoveTransaction(i);
  fTransactions.clear();
}

TFIBTransaction* TFIBDatabase::GetTransaction(int index) const {
  if (index < 0 || index >= TransactionCount())
    throw EListError(Format("List index out of bounds (%d)", {index}));
  return fTransactions[static_cast<std::size_t>(index)];
}

int TFIBDatabase::ActiveTransactionCount() const {
  return static_cast<int>(
      std::count_if(fTransactions.begin(), fTransactions.end(),
                    [](const TFIBTransaction* t) { return t != nullptr && t->Active(); }));
}

TFIBTransaction* TFIBDatabase::FirstActiveTransaction() const {
  for (TFIBTransaction* t : fTransactions)
    if (t != nullptr && t->Active()) return t;
  return nullptr;
}

void TFIBDatabase::SetDefaultTransaction(TFIBTransaction* transaction) {
  if (transaction != nullptr) {
    transaction->AddDatabase(this);
    if (transaction->DefaultDatabase() == nullptr) transaction->fDefaultDatabase = this;
  }
  fDefaultTransaction = transaction;
}

void TFIBDatabase::SetDefaultUpdateTransaction(TFIBTransaction* transaction) {
  if (transaction != nullptr) {
    transaction->AddDatabase(this);
    if (transaction->DefaultDatabase() == nullptr) transaction->fDefaultDatabase = this;
  }
  fDefaultUpdateTransaction = transaction;
}

int TFIBDatabase::AddSQLObject(TFIBBase* link) {
  fSQLObjects.push_back(link);
  return static_cast<int>(fSQLObjects.size()) - 1;
}

void TFIBDatabase::RemoveSQLObject(int index) {
  TFIBBase* link = GetSQLObject(index);
  link->fDatabase = nullptr;
  link->fDatabaseIndex = -1;
  TFIBBase* last = fSQLObjects.back();
  fSQLObjects[static_cast<std::size_t>(index)] = last;
  if (last != link) last->fDatabaseIndex = index;
  fSQLObjects.pop_back();
}

void TFIBDatabase::RemoveSQLObjects() {
  while (!fSQLObjects.empty()) RemoveSQLObject(SQLObjectCount() - 1);
}

TFIBBase* TFIBDatabase::GetSQLObject(int index) const {
  if (index < 0 || index >= SQLObjectCount())
    throw EListError(Format("List index out of bounds (%d)", {index}));
  return fSQLObjects[static_cast<std::size_t>(index)];
}

// ---- TFIBDatabase: server information ------------------------------------------------

std::vector<char> TFIBDatabase::DatabaseInfo(Byte item, std::size_t bufferSize) {
  CheckActive();
  const char request = static_cast<char>(item);
  IIBClientLibrary& library = ClientLibrary();
  const TInfoAnswer answer = AskInfo(bufferSize, [&](char* buffer, short length) {
    return library.isc_database_info(StatusVector(), &fHandle, 1, &request, length, buffer);
  });
  Call(answer.status, true);
  TInfoReader reader(library, answer.bytes);
  const auto found = reader.Next();
  if (!found || static_cast<Byte>(found->code) != item) return {};
  return std::vector<char>(found->value.begin(), found->value.end());
}

bool TFIBDatabase::GetDBInfoInt(Byte item, Int64& value) {
  const std::vector<char> data = DatabaseInfo(item, kInfoBufferSize);
  const auto number = InfoInteger(ClientLibrary(), std::string_view(data.data(), data.size()));
  if (number) value = *number;
  return number.has_value();
}

Int64 TFIBDatabase::GetDBInfoValue(Byte item) {
  Int64 value = 0;
  GetDBInfoInt(item, value);
  return value;
}

Integer TFIBDatabase::GetAttachmentCharSetID() {
  Int64 value;
  return GetDBInfoInt(kInfoAttachmentCharSet, value) ? static_cast<Integer>(value) : -1;
}

Integer TFIBDatabase::GetDBSQLDialect() {
  Int64 value;
  return GetDBInfoInt(isc_info_db_sql_dialect, value) ? static_cast<Integer>(value) : 1;
}

Integer TFIBDatabase::GetODSMajorVersion() {
  return static_cast<Integer>(GetDBInfoValue(isc_info_ods_version));
}

Integer TFIBDatabase::GetODSMinorVersion() {
  return static_cast<Integer>(GetDBInfoValue(isc_info_ods_minor_version));
}

AnsiString TFIBDatabase::FirstInfoString(Byte item, std::size_t bufferSize) {
  // The data: a count of strings, then each string as a length byte and its text.
  const std::vector<char> data = DatabaseInfo(item, bufferSize);
  if (data.size() < 2) return AnsiString();
  const auto length = static_cast<std::size_t>(static_cast<Byte>(data[1]));
  if (length > data.size() - 2) return AnsiString();
  return AnsiString(data.data() + 2, length);
}

AnsiString TFIBDatabase::GetFirebirdVersion() {
  return FirstInfoString(kInfoFirebirdVersion, kInfoBufferSize);
}

bool TFIBDatabase::IsFirebirdConnect() {
  return !GetFirebirdVersion().empty();
}

AnsiString TFIBDatabase::GetServerVersionText() {
  return FirstInfoString(isc_info_version, kVersionBufferSize);
}

void TFIBDatabase::ReadServerVersion() {
  if (fServerMajor >= 0) return;
  const AnsiString text = IsFirebirdConnect() ? GetFirebirdVersion() : GetServerVersionText();
  Integer* numbers[] = {&fServerMajor, &fServerMinor, &fServerRelease, &fServerBuild};
  for (Integer* n : numbers) *n = 0;
  // "LI-V3.0.11.33637 Firebird 3.0": the digits after the platform prefix, up to the
  // fourth separator.
  std::size_t part = 0;
  Int64 collected = 0;
  for (std::size_t i = 4; i + 1 < text.size() && part < 4; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      collected = std::min<Int64>(collected * 10 + (c - '0'), 0x7FFFFFFF);
    } else {
      *numbers[part++] = static_cast<Integer>(collected);
      collected = 0;
    }
  }
}

Integer TFIBDatabase::GetServerMajorVersion() {
  ReadServerVersion();
  return fServerMajor;
}

Integer TFIBDatabase::GetServerMinorVersion() {
  ReadServerVersion();
  return fServerMinor;
}

Integer TFIBDatabase::GetServerRelease() {
  ReadServerVersion();
  return fServerRelease;
}

Integer TFIBDatabase::GetServerBuild() {
  ReadServerVersion();
  return fServerBuild;
}

bool TFIBDatabase::IsIB2007Connect() {
  return !IsFirebirdConnect() && GetServerMajorVersion() >= 8;
}

bool TFIBDatabase::IsRemoteConnect() {
  if (fDatabaseIdByte == 0) {
    const std::vector<char> data = DatabaseInfo(isc_info_db_id, kInfoBufferSize);
    if (!data.empty()) fDatabaseIdByte = static_cast<Byte>(data[0]);
  }
  return fDatabaseIdByte == 4;
}

Integer TFIBDatabase::QueryBaseLevel() {
  return static_cast<Integer>(GetDBInfoValue(isc_info_base_level));
}

// ---- TFIBDatabase: character sets ----------------------------------------------------

bool TFIBDatabase::CharSetNamed(std::initializer_list<const char*> names) const {
  const AnsiString charSet = UpperCase(Trim(fConnectParams.CharSet()));
  return std::any_of(names.begin(), names.end(), [&](const char* name) { return charSet == name; });
}

bool TFIBDatabase::IsUnicodeCharSet() const {
  return Connected() ? fUnicodeCharSet : CharSetNamed({"UNICODE_FSS", "UTF8"});
}

bool TFIBDatabase::IsUnicodeOrNoneCharSet() const {
  return Connected() ? fUnicodeOrNoneCharSet : CharSetNamed({"UNICODE_FSS", "NONE", "UTF8", ""});
}

bool TFIBDatabase::IsKOI8CharSet() const {
  return Connected() ? fKOI8CharSet : CharSetNamed({"KOI8R", "KOI8U"});
}

std::set<Integer> TFIBDatabase::UnicodeCharSetIDs() const {
  std::set<Integer> ids{3};
  if (fIsFirebird) ids.insert(4);
  if (Connected() && fIsIB2007) ids.insert(std::begin(kIB2007UnicodeIDs), std::end(kIB2007UnicodeIDs));
  return ids;
}

Integer TFIBDatabase::BytesPerCharOfCharSet(Integer charSetID) const {
  if (charSetID == 3) return 3;
  if (!Connected()) return 1;
  if (fIsFirebird) return charSetID == 4 ? 4 : 1;
  if (fIsIB2007) {
    switch (charSetID) {
      case 8:
      case 64:
        return 2;
      case 59:
        return 4;
      default:
        return 1;
    }
  }
  return 1;
}

}  // namespace ordvane
