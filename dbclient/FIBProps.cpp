#include "dbclient/FIBProps.h"

#include <ibase.h>

#include "classlib/core/FileUtils.h"
#include "classlib/core/StrUtils.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBParamBlocks.h"

namespace ordvane {

// ---- TDBParams -----------------------------------------------------------------------

TPersistent* TDBParams::GetOwner() const {
  return fOwner;
}

void TDBParams::Changing() {
  if (fOwner != nullptr) fOwner->DBParamsChanging();
  TStringList::Changing();
}

void TDBParams::Changed() {
  if (fOwner != nullptr) fOwner->DBParamsChanged();
  TStringList::Changed();
}

// ---- TIBConnectParams and TConnectParams -----------------------------------------------

AnsiString TIBConnectParams::InstanceName() const {
  return fOwner != nullptr ? fOwner->GetDPBValue(DPBInstanceNameCode) : AnsiString();
}

void TIBConnectParams::SetInstanceName(const AnsiString& value) {
  if (fOwner != nullptr) fOwner->SetDPBValueByCode(DPBInstanceNameCode, value);
}

void TIBConnectParams::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TIBConnectParams*>(source)) {
    SetInstanceName(other->InstanceName());
    return;
  }
  TPersistent::Assign(source);
}

TPersistent* TIBConnectParams::GetOwner() const {
  return fOwner;
}

AnsiString TConnectParams::Get(int code) const {
  return fOwner != nullptr ? fOwner->GetDPBValue(code) : AnsiString();
}

void TConnectParams::Set(int code, const AnsiString& value) {
  if (fOwner != nullptr) fOwner->SetDPBValueByCode(code, value);
}

AnsiString TConnectParams::UserName() const { return Get(isc_dpb_user_name); }
void TConnectParams::SetUserName(const AnsiString& value) { Set(isc_dpb_user_name, value); }
AnsiString TConnectParams::Password() const { return Get(isc_dpb_password); }
void TConnectParams::SetPassword(const AnsiString& value) { Set(isc_dpb_password, value); }
AnsiString TConnectParams::RoleName() const { return Get(isc_dpb_sql_role_name); }
void TConnectParams::SetRoleName(const AnsiString& value) { Set(isc_dpb_sql_role_name, value); }
AnsiString TConnectParams::CharSet() const { return Get(isc_dpb_lc_ctype); }
void TConnectParams::SetCharSet(const AnsiString& value) { Set(isc_dpb_lc_ctype, UpperCase(value)); }

void TConnectParams::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TConnectParams*>(source)) {
    SetUserName(other->UserName());
    SetPassword(other->Password());
    SetRoleName(other->RoleName());
    SetCharSet(other->CharSet());
    return;
  }
  TPersistent::Assign(source);
}

TPersistent* TConnectParams::GetOwner() const {
  return fOwner;
}

// ---- TBlobSwapSupport ----------------------------------------------------------------

AnsiString TBlobSwapSupport::ExpandSwapDir() const {
  if (!fActive) return AnsiString();
  static const AnsiString appPath = "{APP_PATH}";
  AnsiString folder = fSwapDir;
  if (SameText(folder.substr(0, appPath.size()), appPath)) {
    AnsiString rest = folder.substr(appPath.size());
    if (!rest.empty() && IsPathDelimiter(rest[0])) rest.erase(0, 1);
    folder = IncludeTrailingPathDelimiter(ExtractFilePath(ParamStr(0))) + rest;
  }
  for (char& c : folder)
    if (c == '\\') c = PathDelim;
  return IncludeTrailingPathDelimiter(folder);
}

void TBlobSwapSupport::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TBlobSwapSupport*>(source)) {
    fActive = other->fActive;
    fSwapDir = other->fSwapDir;
    fMinBlobSizeToSwap = other->fMinBlobSizeToSwap;
    return;
  }
  TPersistent::Assign(source);
}

// ---- TCSMonitorSupport ---------------------------------------------------------------

TCSMonitorSupport::TCSMonitorSupport(TComponent* owner) : fOwner(owner) {
  if (dynamic_cast<TFIBDatabase*>(owner) != nullptr)
    fEnabled = csmeDisabled;
  else if (dynamic_cast<TFIBTransaction*>(owner) != nullptr)
    fEnabled = csmeDatabaseDriven;
  else
    fEnabled = csmeTransactionDriven;
}

void TCSMonitorSupport::SetEnabled(TCSMonitorEnabled value) {
  const bool refused = (dynamic_cast<TFIBTransaction*>(fOwner) != nullptr && value == csmeTransactionDriven) ||
                       (dynamic_cast<TFIBDatabase*>(fOwner) != nullptr &&
                        (value == csmeDatabaseDriven || value == csmeTransactionDriven));
  if (refused) throw EFIBCSMonitorError("This object cannot use this value");
  fEnabled = value;
}

void TCSMonitorSupport::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TCSMonitorSupport*>(source)) {
    SetEnabled(other->fEnabled);
    fIncludeDatasetDescription = other->fIncludeDatasetDescription;
    return;
  }
  TPersistent::Assign(source);
}

// ---- TCacheSchemaOptions -------------------------------------------------------------

void TCacheSchemaOptions::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TCacheSchemaOptions*>(source)) {
    fLocalCacheFile = other->fLocalCacheFile;
    fAutoSaveToFile = other->fAutoSaveToFile;
    fAutoLoadFromFile = other->fAutoLoadFromFile;
    fValidateAfterLoad = other->fValidateAfterLoad;
    return;
  }
  TPersistent::Assign(source);
}

}  // namespace ordvane
