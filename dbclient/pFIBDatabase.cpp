#include "dbclient/pFIBDatabase.h"

#include "classlib/core/Application.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/StrUtils.h"
#include "dbclient/FIBQuery.h"
#include "dbclient/pFIBAliases.h"

namespace ordvane {

namespace {

// The parameter codes of the lines an alias keeps.
constexpr int kUserNameCode = 28;
constexpr int kLcCtypeCode = 48;
constexpr int kRoleNameCode = 60;

constexpr Cardinal kDefaultRestoreInterval = 30000;

}  // namespace

// ---- TpFIBDatabase ---------------------------------------------------------------------

TpFIBDatabase::TpFIBDatabase(TComponent* owner) : TFIBDatabase(owner) {
  SetWaitForRestoreConnect(kDefaultRestoreInterval);
}

TpFIBDatabase::~TpFIBDatabase() {
  Destroying();
  // The walk of the blob cache uses a connection of its own; it ends before the
  // component does.
  fBlobCacheValidation.reset();
  fRestoreTimer.reset();
  // Ended here, while the caches can still be saved and a lost connection closed.
  EndConnectionOnDestroy([this] { TpFIBDatabase::Disconnect(true); });
}

void TpFIBDatabase::Connect() {
  if (Connected()) return;
  bool doConnect = true;
  if (BeforeConnect) BeforeConnect(this, DBParams(), doConnect);
  if (!doConnect) return;
  TFIBDatabase::Connect();
  if (fCacheSchemaOptions.AutoLoadFromFile() && !InDesigner() &&
      FileExists(fCacheSchemaOptions.LocalCacheFile()))
    LoadCachesAfterConnect();
  if (fSaveAliasParamsAfterConnect && !fAliasName.empty()) SaveAliasParams();
  if (!InDesigner() && Connected()) {
    fBlobCacheValidation.reset();  // waits for the walk of an earlier connect
    fBlobCacheValidation = StartBlobCacheValidation(*this);
  }
}

void TpFIBDatabase::Disconnect(bool force) {
  if (fCacheSchemaOptions.AutoSaveToFile() && !InDesigner()) SaveCacheFiles(fCacheSchemaOptions.LocalCacheFile());
  if (!Connected()) return;
  // Being destroyed, it closes a lost connection without a word to OnLostConnect: the
  // handler's owner may be gone already, and nothing is left to reconnect.
  const bool alive = ComponentState().Contains(csDestroying) ? ServerAnswers() : CheckConnection(laCloseConnect);
  if (!alive) {
    if (Connected()) CloseLostConnection();
    return;
  }
  TFIBDatabase::Disconnect(force);
}

// ---- Metadata cache files ----------------------------------------------------------------

namespace {

struct TCacheFileName {
  TFIBMetaCacheFile file;
  const char* extension;  // nullptr: the file name itself
};
constexpr TCacheFileName kCacheFiles[] = {{TFIBMetaCacheFile::Fields, nullptr},
                                          {TFIBMetaCacheFile::DataSets, ".dt"},
                                          {TFIBMetaCacheFile::ErrorMessages, ".err"}};

AnsiString CacheFileName(const AnsiString& fileName, const TCacheFileName& kind) {
  return kind.extension == nullptr ? fileName : ChangeFileExt(fileName, kind.extension);
}

}  // namespace

bool TpFIBDatabase::LoadCacheFiles(const AnsiString& fileName, bool validate, TFIBDatabase* database) {
  IFIBMetaCaches* caches = FIBMetaCaches();
  if (caches == nullptr) return false;
  bool fieldsLoaded = false;
  for (const TCacheFileName& kind : kCacheFiles) {
    const AnsiString name = CacheFileName(fileName, kind);
    try {
      const bool loaded = caches->LoadFile(kind.file, name, database, validate);
      if (kind.file == TFIBMetaCacheFile::Fields) fieldsLoaded = loaded;
    } catch (const Exception& e) {
      // A damaged cache costs only its contents: the database works without it.
      if (SQLLogger() != nullptr) SQLLogger()->WriteData(Name(), "Error on loading cache file " + name + ":", e.Message(), SQLLogConnect);
    }
  }
  return fieldsLoaded;
}

void TpFIBDatabase::SaveCacheFiles(const AnsiString& fileName) noexcept {
  IFIBMetaCaches* caches = FIBMetaCaches();
  if (caches == nullptr) return;
  for (const TCacheFileName& kind : kCacheFiles) caches->SaveFile(kind.file, CacheFileName(fileName, kind));
}

void TpFIBDatabase::LoadCachesAfterConnect() {
  const AnsiString& fileName = fCacheSchemaOptions.LocalCacheFile();
  if (!OnAcceptCacheSchema || !fCacheSchemaOptions.ValidateAfterLoad()) {
    LoadCacheFiles(fileName, fCacheSchemaOptions.ValidateAfterLoad(), this);
    return;
  }
  if (!LoadCacheFiles(fileName, false, nullptr)) return;
  FIBMetaCaches()->ValidateTables(*this, OnAcceptCacheSchema);
  SaveCacheFiles(fileName);
}

// ---- Alias -------------------------------------------------------------------------------

void TpFIBDatabase::SetAliasName(const AnsiString& value) {
  if (!ComponentState().Contains(csLoading)) CheckInactive();
  fAliasName = value;
  if (!fAliasName.empty()) LoadAliasParams();
}

bool TpFIBDatabase::LoadAliasParams() {
  const std::optional<TAliasParams> alias = ReadAliasParams(fAliasName);
  if (!alias) return false;
  if (alias->DatabaseName) SetDBName(*alias->DatabaseName);
  if (alias->UserName) SetDPBValueByCode(kUserNameCode, *alias->UserName);
  if (alias->LcCtype) SetDPBValueByCode(kLcCtypeCode, *alias->LcCtype);
  if (alias->RoleName) SetDPBValueByCode(kRoleNameCode, *alias->RoleName);
  if (alias->SQLDialect && !alias->SQLDialect->empty()) SetSQLDialect(StrToInt(*alias->SQLDialect));
  return alias->DatabaseName.has_value();
}

void TpFIBDatabase::SaveAliasParams() {
  TAliasParams alias;
  alias.DatabaseName = DBName();
  alias.UserName = GetDPBValue(kUserNameCode);
  alias.LcCtype = GetDPBValue(kLcCtypeCode);
  alias.RoleName = GetDPBValue(kRoleNameCode);
  alias.SQLDialect = IntToStr(SQLDialect());
  WriteAliasParams(fAliasName, alias);
}

// ---- Lost connection ---------------------------------------------------------------------

Cardinal TpFIBDatabase::WaitForRestoreConnect() const {
  return fRestoreTimer ? fRestoreTimer->Interval() : 0;
}

void TpFIBDatabase::SetWaitForRestoreConnect(Cardinal value) {
  if (value == 0) {
    fRestoreTimer.reset();
    return;
  }
  if (!fRestoreTimer) {
    fRestoreTimer = std::make_unique<TFIBTimer>(nullptr);
    fRestoreTimer->SetEnabled(false);
    fRestoreTimer->SetOnTimer(TNotifyEvent::Bind(this, &TpFIBDatabase::RestoreTimerTick));
  }
  fRestoreTimer->SetInterval(value);
}

bool TpFIBDatabase::CheckConnection(TOnLostConnectActions action) {
  if (Connected()) {
    try {
      QueryBaseLevel();
    } catch (const EFIBError& e) {
      TOnLostConnectActions actions = action;
      DoOnLostConnect(e, actions);
      return false;
    }
  }
  return Connected();
}

void TpFIBDatabase::DoOnLostConnect(const EFIBError& e, TOnLostConnectActions& actions) {
  if (OnLostConnect) OnLostConnect(this, e, actions);
  switch (actions) {
    case laTerminateApp:
      CloseLostConnection();
      TerminateApplication();
      break;
    case laCloseConnect:
      CloseLostConnection();
      break;
    case laWaitRestore:
      CloseLostConnection();
      StartRestoreTimer();
      break;
    case laIgnore:
      break;
  }
}

void TpFIBDatabase::DoOnErrorRestoreConnect(const EFIBError& e, TOnLostConnectActions& actions) {
  if (OnErrorRestoreConnect) OnErrorRestoreConnect(this, e, actions);
}

void TpFIBDatabase::DoAfterRestoreConnect() {
  if (AfterRestoreConnect) AfterRestoreConnect(this);
}

void TpFIBDatabase::StartRestoreTimer() {
  if (fRestoreTimer) fRestoreTimer->SetEnabled(true);
}

void TpFIBDatabase::CloseLostConnection() {
  TFlagScope closing(fClosingLostConnection);
  // The statements drop their server handles without asking a server that is gone.
  for (int i = SQLObjectCount() - 1; i >= 0; --i)
    if (TFIBBase* link = GetSQLObject(i);
        link != nullptr && dynamic_cast<TFIBQuery*>(link->Owner()) != nullptr)
      link->DoDatabaseDisconnecting();
  for (int i = 0; i < TransactionCount(); ++i) {
    TFIBTransaction* transaction = GetTransaction(i);
    if (transaction == nullptr || !transaction->Active()) continue;
    transaction->MarkConnectionLost();
    transaction->EndTransaction(TACommit, true);
  }
  TFIBDatabase::Disconnect(true);
}

void TpFIBDatabase::RestoreTimerTick(TObject*) {
  if (Connected()) return;
  TOnLostConnectActions actions = laIgnore;
  try {
    TFlagScope restoring(fRestoring);
    SetConnected(true);
  } catch (const EFIBError& e) {
    DoOnErrorRestoreConnect(e, actions);
    if (actions == laTerminateApp) {
      if (fRestoreTimer) fRestoreTimer->SetEnabled(false);
      if (Application != nullptr) Application->ShowException(e);
      TerminateApplication();
    }
    return;
  }
  if (!Connected()) return;  // BeforeConnect vetoed this attempt
  if (fRestoreTimer) fRestoreTimer->SetEnabled(false);
  DoAfterRestoreConnect();
}

void TpFIBDatabase::TerminateApplication() {
  PostQuitMessage(0);
}

// ---- TpFIBTransaction --------------------------------------------------------------------

TpFIBTransaction::~TpFIBTransaction() {
  // Ended here, while BeforeEnd and AfterEnd can still be called.
  Destroying();
  EndOnDestroy([this](TTransactionAction action) { TpFIBTransaction::EndTransaction(action, true); });
}

void TpFIBTransaction::StartTransaction() {
  if (Active()) return;
  if (fTPBMode != tpbDefault) {
    TStrings& params = TRParams();
    params.BeginUpdate();
    params.Clear();
    params.Add("write");
    params.Add("isc_tpb_nowait");
    if (fTPBMode == tpbReadCommitted) {
      params.Add("read_committed");
      params.Add("rec_version");
    } else {
      params.Add("concurrency");
    }
    params.EndUpdate();
  }
  TpFIBDatabase* database = dynamic_cast<TpFIBDatabase*>(DefaultDatabase());
  if (database != nullptr && database->BeforeStartTransaction) database->BeforeStartTransaction(this);
  if (BeforeStart) BeforeStart(this);
  TFIBTransaction::StartTransaction();
  if (AfterStart) AfterStart(this);
  if (database != nullptr && database->AfterStartTransaction) database->AfterStartTransaction(this);
}

void TpFIBTransaction::EndTransaction(TTransactionAction action, bool force) {
  TpFIBDatabase* database = dynamic_cast<TpFIBDatabase*>(DefaultDatabase());
  if (database != nullptr && database->BeforeEndTransaction) database->BeforeEndTransaction(this, action, force);
  if (BeforeEnd) BeforeEnd(this, action, force);
  TFIBTransaction::EndTransaction(action, force);
  if (AfterEnd) AfterEnd(this, action, force);
  if (database != nullptr && database->AfterEndTransaction) database->AfterEndTransaction(this, action, force);
}

void TpFIBTransaction::DoSQLExecute(TFIBQuery* query, int kind) {
  TOnSQLExecute& handler = kind == 0 ? BeforeSQLExecute : AfterSQLExecute;
  if (handler) handler(query, query->SQLType());
}

}  // namespace ordvane
