#include "dbclient/FIBDatabase.h"

#include "classlib/core/StrUtils.h"
#include "dbclient/FIBComponentLife.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBInfo.h"
#include "dbclient/FIBParamBlocks.h"
#include "dbclient/FIBSQLMonitor.h"

namespace ordvane {

namespace {

constexpr std::size_t kTransactionInfoSize = 32;

}  // namespace

using namespace fib_internal;

// ---- TFIBTransaction: life -----------------------------------------------------------

TFIBTransaction::TFIBTransaction(TComponent* owner) : TComponent(owner) {
  fTRParams.OnChanging = TNotifyEvent::Bind(this, &TFIBTransaction::TRParamsChanging);
  fTRParams.OnChange = TNotifyEvent::Bind(this, &TFIBTransaction::TRParamsChanged);
}

TFIBTransaction::~TFIBTransaction() {
  Destroying();
  EndOnDestroy([this](TTransactionAction action) { TFIBTransaction::EndTransaction(action, true); });
  DestructorStep([this] { CallLastFirst(fDestroyHandlers, this); });
  while (!fLinks.empty()) DestructorStep([this] { fLinks.back()->DoTransactionFree(); });
  DestructorStep([this] { RemoveDatabases(); });
}

void TFIBTransaction::EndOnDestroy(const std::function<void(TTransactionAction)>& end) noexcept {
  if (!Active()) return;
  TTransactionAction action = fTimeoutAction;
  if (action == TARollbackRetaining) action = TARollback;
  if (action == TACommitRetaining) action = TACommit;
  // A failed commit was reported by EndTransaction; the transaction ended all the same.
  DestructorStep([&] { end(action); });
}

void TFIBTransaction::Loaded() {
  TComponent::Loaded();
  if (fStreamedActive && !Active()) {
    fStreamedActive = false;
    StartTransaction();
  }
}

void TFIBTransaction::SetActive(bool value) {
  if (ComponentState().Contains(csLoading)) {
    fStreamedActive = value;
    return;
  }
  if (value && !Active())
    StartTransaction();
  else if (!value && Active())
    Rollback();
}

void TFIBTransaction::CheckInTransaction() {
  if (fStreamedActive && !Active()) {
    fStreamedActive = false;
    StartTransaction();
  }
  if (fHandle == 0) FIBError(TFIBClientError::NotInTransaction, {FullComponentName(this)});
}

void TFIBTransaction::CheckNotInTransaction() {
  if (fHandle != 0) FIBError(TFIBClientError::InTransaction, {FullComponentName(this)});
}

void TFIBTransaction::TRParamsChanging(TObject*) {
  CheckNotInTransaction();
}

// ---- TFIBTransaction: databases and links --------------------------------------------

int TFIBTransaction::FindDatabase(const TFIBDatabase* database) const {
  const auto at = std::find(fDatabases.begin(), fDatabases.end(), database);
  return at == fDatabases.end() ? -1 : static_cast<int>(at - fDatabases.begin());
}

int TFIBTransaction::AddDatabase(TFIBDatabase* database) {
  if (database == nullptr) return -1;
  const int existing = FindDatabase(database);
  if (existing >= 0) return existing;
  if (!fDatabases.empty() && fDatabases.front()->LibraryName() != database->LibraryName())
    throw Exception(
        Format("%s.\r\nTransaction can't work with different client library.", {FullComponentName(this)}));
  database->ListTransaction(this);
  fDatabases.push_back(database);
  return static_cast<int>(fDatabases.size()) - 1;
}

void TFIBTransaction::ForgetDatabase(const TFIBDatabase* database) {
  const int index = FindDatabase(database);
  if (index >= 0) fDatabases.erase(fDatabases.begin() + index);
  if (fDefaultDatabase == database) fDefaultDatabase = nullptr;
}

void TFIBTransaction::RemoveDatabase(int index) {
  TFIBDatabase* database = Databases(index);
  ForgetDatabase(database);
  database->ForgetTransaction(this);
}

void TFIBTransaction::RemoveDatabases() {
  while (!fDatabases.empty()) RemoveDatabase(DatabaseCount() - 1);
}

TFIBDatabase* TFIBTransaction::Databases(int index) const {
  if (index < 0 || index >= DatabaseCount())
    throw EListError(Format("List index out of bounds (%d)", {index}));
  return fDatabases[static_cast<std::size_t>(index)];
}

void TFIBTransaction::SetDefaultDatabase(TFIBDatabase* database) {
  CheckNotInTransaction();
  TFIBDatabase* previous = fDefaultDatabase;
  if (database == previous) return;
  if (previous != nullptr && FindDatabase(previous) >= 0) RemoveDatabase(FindDatabase(previous));
  try {
    AddDatabase(database);
  } catch (...) {
    // The new database cannot join: the transaction stays as it was.
    AddDatabase(previous);
    fDefaultDatabase = previous;
    throw;
  }
  fDefaultDatabase = database;
}

TFIBDatabase* TFIBTransaction::MainDatabase() const {
  if (fDefaultDatabase != nullptr) return fDefaultDatabase;
  return fDatabases.empty() ? nullptr : fDatabases.front();
}

int TFIBTransaction::AddLink(TFIBBase* link) {
  const auto empty = std::find(fLinks.begin(), fLinks.end(), nullptr);
  if (empty != fLinks.end()) {
    *empty = link;
    return static_cast<int>(empty - fLinks.begin());
  }
  fLinks.push_back(link);
  return static_cast<int>(fLinks.size()) - 1;
}

void TFIBTransaction::RemoveLink(int index) {
  TFIBBase* link = Links(index);
  if (link != nullptr) {
    link->fTransaction = nullptr;
    link->fTransactionIndex = -1;
  }
  TFIBBase* last = fLinks.back();
  fLinks[static_cast<std::size_t>(index)] = last;
  if (last != nullptr && last != link) last->fTransactionIndex = index;
  fLinks.pop_back();
}

void TFIBTransaction::RemoveLinks() {
  while (!fLinks.empty()) RemoveLink(LinkCount() - 1);
}

TFIBBase* TFIBTransaction::Links(int index) const {
  if (index < 0 || index >= LinkCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return fLinks[static_cast<std::size_t>(index)];
}

// ---- TFIBTransaction: handlers -------------------------------------------------------

TNotifyEventList& TFIBTransaction::NotifyList(int kind) {
  ORDVANE_ASSERT(kind == 0 || kind == 1 || kind == 4, "Assertion failure");
  return kind == 0 ? fBeforeStartHandlers : (kind == 1 ? fAfterStartHandlers : fDestroyHandlers);
}

TCallBackList<void(TFIBTransaction*, TTransactionAction, bool)>& TFIBTransaction::EndList(int kind) {
  ORDVANE_ASSERT(kind == 2 || kind == 3, "Assertion failure");
  return kind == 2 ? fBeforeEndHandlers : fAfterEndHandlers;
}

void TFIBTransaction::AddEvent(const TNotifyEvent& handler, int kind) {
  NotifyList(kind).Add(handler);
}

void TFIBTransaction::RemoveEvent(const TNotifyEvent& handler, int kind) {
  NotifyList(kind).Remove(handler);
}

void TFIBTransaction::AddCallBack(const TEndTrEvent& handler, int kind) {
  EndList(kind).Add(handler);
}

void TFIBTransaction::RemoveCallBack(const TEndTrEvent& handler, int kind) {
  EndList(kind).Remove(handler);
}

void TFIBTransaction::RunNotifyHandlers(TNotifyEventList& list) {
  CallLastFirst(list, this);
}

void TFIBTransaction::NotifyStart(void (TFIBBase::*notify)()) {
  for (std::size_t i = 0; i < fLinks.size(); ++i)
    if (fLinks[i] != nullptr) (fLinks[i]->*notify)();
}

void TFIBTransaction::NotifyEnd(void (TFIBBase::*notify)(), int kind, TTransactionAction action, bool force,
                                std::exception_ptr& failure) {
  // A forced end goes past a link or handler that fails (a dataset that cannot close its
  // cursor on a lost attachment): the transaction ends, and the first failure follows.
  const auto notifyOne = [&](const auto& call) {
    if (!force) return call();
    try {
      call();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  };
  for (std::size_t i = fLinks.size(); i-- > 0;) {
    if (i >= fLinks.size()) continue;
    if (TFIBBase* link = fLinks[i]) notifyOne([&] { (link->*notify)(); });
  }
  auto& handlers = EndList(kind);
  for (int i = 0; i < handlers.Count(); ++i)
    if (auto method = handlers.GetMethod(i)) notifyOne([&] { method(this, action, force); });
}

// ---- TFIBTransaction: start and end --------------------------------------------------

IIBClientLibrary& TFIBTransaction::Library() {
  TFIBDatabase* database = MainDatabase();
  if (database == nullptr) FIBError(TFIBClientError::NoDatabasesInTransaction, {FullComponentName(this)});
  return database->ClientLibrary();
}

ISC_STATUS TFIBTransaction::Call(ISC_STATUS status, bool raise) {
  fIdle = false;
  // Each database's call sets the processor's precision: a fetch asks once per row.
  for (TFIBDatabase* database : fDatabases) database->Call(0, false);
  if (fDatabases.empty()) SetFPUExtendedPrecision();
  if (raise && status != 0) IBError(Library(), this);
  return status;
}

void TFIBTransaction::Log(const AnsiString& operation) {
  TFIBDatabase* database = MainDatabase();
  if (database == nullptr || database->SQLLogger() == nullptr) return;
  database->SQLLogger()->WriteData(FullComponentName(this), operation,
                                   "TransactionParams:\r\n" + fTRParams.Text(), SQLLogTransaction);
}

void TFIBTransaction::StartTransaction() {
  CheckNotInTransaction();
  if (fDatabases.empty()) FIBError(TFIBClientError::NoDatabasesInTransaction, {FullComponentName(this)});
  if (fTPBChanged) {
    fTPBChanged = false;
    try {
      GenerateTPB(fTRParams, fTPB, fTPBLength);
    } catch (...) {
      fTPBChanged = true;
      throw;
    }
  }
  // The client's transaction existence block: 24 bytes per database on 64-bit Linux.
  struct TTransactionExistenceBlock {
    isc_db_handle* database;
    int tpbLength;
    const char* tpb;
  };
  static_assert(sizeof(TTransactionExistenceBlock) == 3 * sizeof(void*));
  std::vector<TTransactionExistenceBlock> blocks;
  for (TFIBDatabase* database : fDatabases) {
    database->CheckActive();
    blocks.push_back({database->DBHandle(), fTPBLength, fTPB.data()});
  }
  NotifyStart(&TFIBBase::DoTransactionStarting);
  if (!Active()) {
    RunNotifyHandlers(fBeforeStartHandlers);
    const ISC_STATUS status =
        Call(Library().isc_start_multiple(StatusVector(), &fHandle, static_cast<short>(blocks.size()),
                                          blocks.data()),
             false);
    if (status != 0) {
      fHandle = 0;
      IBError(Library(), this);
    }
    RunNotifyHandlers(fAfterStartHandlers);
  }
  NotifyStart(&TFIBBase::DoTransactionStarted);
  if (fDefaultDatabase != nullptr)
    TraceToMonitor([this](TFIBSQLMonitorHook& hook) { hook.TRStart(Name(), TransactionID()); });
  fState = tsActive;
  if (MainDatabase()->SQLLogger() != nullptr)
    Log("StartTransaction(TransactionID=" + IntToStr(TransactionID()) + ")");
}

namespace {

const char* EndName(TTransactionAction action) {
  switch (action) {
    case TACommit:
      return "Commit";
    case TARollback:
      return "RollBack";
    case TACommitRetaining:
      return "CommitRetianing";
    default:
      return "RollBackRetianing";
  }
}

}  // namespace

void TFIBTransaction::EndTransaction(TTransactionAction action, bool force) {
  CheckInTransaction();
  // The id is gone once the transaction has ended: the monitor's text needs it first.
  const Integer monitoredID = fDefaultDatabase != nullptr && MonitoringActive() ? TransactionID() : 0;
  if (MainDatabase()->SQLLogger() != nullptr)
    Log(AnsiString(EndName(action)) + "(TransactionID=" + IntToStr(TransactionID()) + ") ");
  IIBClientLibrary& library = Library();
  std::exception_ptr failure, notifyFailure;
  if (action == TARollbackRetaining || action == TACommitRetaining) {
    const bool commit = action == TACommitRetaining;
    fState = commit ? tsDoCommitRetaining : tsDoRollbackRetaining;
    NotifyEnd(&TFIBBase::DoTransactionEnding, 2, action, force, notifyFailure);
    Call(commit ? library.isc_commit_retaining(StatusVector(), &fHandle)
                : library.isc_rollback_retaining(StatusVector(), &fHandle),
         true);
  } else {
    const bool commit = action == TACommit;
    fState = commit ? tsDoCommit : tsDoRollback;
    NotifyEnd(&TFIBBase::DoTransactionEnding, 2, action, force, notifyFailure);
    ISC_STATUS status = 0;
    if (fHandleReleased) {
      fHandle = 0;
      fHandleReleased = false;
    } else {
      status = Call(commit ? library.isc_commit_transaction(StatusVector(), &fHandle)
                           : library.isc_rollback_transaction(StatusVector(), &fHandle),
                    false);
    }
    if (force && status != 0) {
      // A commit that did not happen must not pass for one: keep its reason.
      if (commit) {
        try {
          IBError(library, this);
        } catch (...) {
          failure = std::current_exception();
        }
      }
      Call(library.isc_rollback_transaction(StatusVector(), &fHandle), false);
    }
    if (force)
      fHandle = 0;
    else if (status != 0)
      IBError(library, this);
  }
  NotifyEnd(&TFIBBase::DoTransactionEnded, 3, action, force, notifyFailure);
  if (fDefaultDatabase != nullptr)
    TraceToMonitor([&](TFIBSQLMonitorHook& hook) { TraceEnd(hook, action, monitoredID); });
  fState = fHandle != 0 ? tsActive : tsInactive;
  fTransactionID = 0;
  if (failure) ReportForcedEndFailure(action, failure);
  if (notifyFailure && !ComponentState().Contains(csDestroying)) std::rethrow_exception(notifyFailure);
}

void TFIBTransaction::TraceEnd(TFIBSQLMonitorHook& hook, TTransactionAction action, Integer id) const {
  switch (action) {
    case TARollback:
      hook.TRRollback(Name(), id);
      break;
    case TARollbackRetaining:
      hook.TRRollbackRetaining(Name(), id);
      break;
    case TACommit:
      hook.TRCommit(Name(), id);
      break;
    case TACommitRetaining:
      hook.TRCommitRetaining(Name(), id);
      break;
  }
}

void TFIBTransaction::ReportForcedEndFailure(TTransactionAction action, std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const Exception& error) {
    TFIBDatabase* database = MainDatabase();
    if (database != nullptr && database->SQLLogger() != nullptr)
      database->SQLLogger()->WriteData(
          FullComponentName(this),
          AnsiString("Forced ") + EndName(action) + " failed, rolled back: " + error.Message(),
          "TransactionParams:\r\n" + fTRParams.Text(), SQLLogTransaction);
    if (OnForcedEndError) OnForcedEndError(this, action, error);
  }
  if (!ComponentState().Contains(csDestroying)) std::rethrow_exception(failure);
}

void TFIBTransaction::OnDatabaseDisconnecting(TFIBDatabase*) {
  if (!Active()) return;
  TTransactionAction action = fTimeoutAction;
  if (action == TACommitRetaining) action = TACommit;
  if (action == TARollbackRetaining) action = TARollback;
  EndTransaction(action, true);
}

Integer TFIBTransaction::TransactionID() {
  if (fTransactionID >= 1 || fHandle == 0) return fHandle == 0 ? 0 : fTransactionID;
  IIBClientLibrary& library = Library();
  const char item = isc_info_tra_id;
  const TInfoAnswer answer = AskInfo(kTransactionInfoSize, [&](char* buffer, short length) {
    return library.isc_transaction_info(StatusVector(), &fHandle, 1, &item, length, buffer);
  });
  Call(answer.status, true);
  TInfoReader reader(library, answer.bytes);
  const auto found = reader.Next();
  const auto id = found && found->code == item ? reader.Integer(found->value) : std::nullopt;
  if (!id) return 0;
  fTransactionID = static_cast<Integer>(*id);
  return fTransactionID;
}

Cardinal TFIBTransaction::Timeout() const {
  return fTimer != nullptr ? fTimer->Interval() : 0;
}

void TFIBTransaction::SetTimeout(Cardinal value) {
  SetIdleTimer(fTimer, value, TNotifyEvent::Bind(this, &TFIBTransaction::TimeoutTimerTick));
}

void TFIBTransaction::TimeoutTimerTick(TObject*) {
  IdleTick(
      Active(), fIdle, [this] { EndTransaction(fTimeoutAction, true); }, OnTimeout, this);
}

}  // namespace ordvane
