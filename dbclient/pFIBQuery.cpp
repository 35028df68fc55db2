#include "dbclient/pFIBQuery.h"

#include "classlib/core/StrUtils.h"
#include "dbclient/FIBMetaCacheHooks.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

namespace {

constexpr Integer kInputParameter = 0;  // RDB$PARAMETER_TYPE of an input

bool IsBlankName(const AnsiString& name) {
  return FastTrim(name).empty();
}

// The name as the system tables hold it: without enclosing quotes, a doubled quote inside
// standing for one.
AnsiString StoredName(const AnsiString& name) {
  if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front()) {
    const AnsiString quote(1, name.front());
    return ReplaceString(name.substr(1, name.size() - 2), quote + quote, quote);
  }
  return name;
}

}  // namespace

// ---- TpFIBQuery -------------------------------------------------------------------------------

void TpFIBQuery::ExecQuery() {
  for (;;) {
    try {
      TFIBQuery::ExecQuery();
      return;
    } catch (EFIBError& e) {
      if (!OnExecuteError) throw;
      TDataAction action = daFail;
      OnExecuteError(this, e, action);
      if (action == daRetry) continue;
      if (action == daAbort) throw EAbort();
      throw;
    }
  }
}

void TpFIBQuery::ExecProcedureCall() {
  if (IsExecuteProcedure()) ExecQuery();
}

// ---- TpFIBStoredProc ----------------------------------------------------------------------------

void TpFIBStoredProc::SetStoredProcName(const AnsiString& value) {
  if (value == fStoredProcName) return;
  fStoredProcName = value;
  if (ComponentState().Contains(csReading) || Database() == nullptr) return;
  if (IsBlankName(value)) {
    SQL().Clear();
    return;
  }
  const AnsiString name = NormalizedProcName(value);
  IFIBMetaCaches* caches = FIBMetaCaches();
  SQL().SetText(caches != nullptr ? caches->ExecProcText(*Database(), name, false)
                                  : ExecProcedureText(name, ProcedureInputList(*Database(), name)));
}

void TpFIBStoredProc::SetDatabase(TFIBDatabase* value) {
  TpFIBQuery::SetDatabase(value);
  if (value == nullptr || !IsBlankName(SQL().Text()) || fStoredProcName.empty()) return;
  const AnsiString name = fStoredProcName;
  fStoredProcName.clear();
  SetStoredProcName(name);
}

AnsiString TpFIBStoredProc::NormalizedProcName(const AnsiString& name) const {
  TFIBDatabase* database = Database();
  if (database->SQLDialect() == 1) return FastUpperCase(FastTrim(name));
  const bool quoted = !name.empty() && name[0] == '"';
  const bool needsQuotes = database->UsesUpperNames() ? NeedQuoteIdentifierCI(name) : NeedQuoteIdentifier(name);
  if (needsQuotes) return quoted ? name : "\"" + name + "\"";
  return quoted ? name : FastUpperCase(name);
}

AnsiString ProcedureInputList(TFIBDatabase& database, const AnsiString& procedureName) {
  const bool dialect1 = database.SQLDialect() == 1;
  const AnsiString stored = StoredName(procedureName);
  TFIBTransaction transaction(nullptr);
  transaction.SetDefaultDatabase(&database);
  TFIBQuery parameters(nullptr);
  parameters.SetDatabase(&database);
  parameters.SetTransaction(&transaction);
  parameters.SQL().SetText(
      "SELECT RDB$PARAMETER_NAME, RDB$PARAMETER_TYPE FROM RDB$PROCEDURE_PARAMETERS\r\n"
      "WHERE RDB$PROCEDURE_NAME = :PROCEDURE_NAME\r\nORDER BY RDB$PARAMETER_NUMBER");
  parameters.ParamByName("PROCEDURE_NAME").SetAsString(dialect1 ? FastUpperCase(FastTrim(stored)) : stored);
  transaction.StartTransaction();
  AnsiString list;
  for (parameters.ExecQuery(); !parameters.Eof(); parameters.Next()) {
    if (parameters.GetFields(1).GetAsLong() != kInputParameter) continue;
    AnsiString parameter = FastTrim(parameters.GetFields(0).GetAsString());
    if (dialect1)
      parameter = FastUpperCase(parameter);
    else if (NeedQuoteIdentifier(parameter))
      parameter = "\"" + ReplaceString(parameter, "\"", "\"\"") + "\"";
    list += (list.empty() ? "?" : ", ?") + parameter;
  }
  parameters.Close();
  transaction.Commit();
  return list.empty() ? AnsiString() : "(" + list + ")";
}

AnsiString ExecProcedureText(const AnsiString& procedureName, const AnsiString& inputList) {
  return "EXECUTE PROCEDURE " + procedureName + " " + inputList;
}

// ---- TpFIBUpdateObject ---------------------------------------------------------------------------

TpFIBUpdateObject::~TpFIBUpdateObject() {
  if (fHost != nullptr) fHost->RemoveUpdateObject(this);
}

void TpFIBUpdateObject::SetDataSet(TComponent* value) {
  auto* host = dynamic_cast<IUpdateObjectsHost*>(value);
  if (value != nullptr && host == nullptr) throw Exception(Format("%s is not TpFIBDataSet", {value->Name()}));
  if (value == fDataSet) return;
  if (fHost != nullptr) {
    fHost->RemoveUpdateObject(this);
    RemoveFreeNotification(fDataSet);
  }
  fDataSet = nullptr;
  fHost = nullptr;
  if (host == nullptr) return;
  host->AddUpdateObject(this);
  fDataSet = value;
  fHost = host;
  FreeNotification(value);
  if (Database() == nullptr) SetDatabase(host->HostDatabase());
  if (Transaction() == nullptr) SetTransaction(host->HostTransaction());
}

void TpFIBUpdateObject::SetOrderInList(Integer value) {
  fOrderInList = value;
  if (fHost != nullptr) fHost->AddUpdateObject(this);
}

void TpFIBUpdateObject::SetKindUpdate(TUpdateKind value) {
  if (value == fKindUpdate) return;
  if (fHost == nullptr) {
    fKindUpdate = value;
    return;
  }
  fHost->RemoveUpdateObject(this);
  fKindUpdate = value;
  fHost->AddUpdateObject(this);
}

void TpFIBUpdateObject::Notification(TComponent* component, TOperation operation) {
  TpFIBQuery::Notification(component, operation);
  if (operation == opRemove && component == fDataSet) {
    fDataSet = nullptr;
    fHost = nullptr;
  }
}

}  // namespace ordvane
