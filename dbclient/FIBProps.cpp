#include "dbclient/FIBProps.h"

#include <ibase.h>

#include "classlib/core/FileUtils.h"
#include "classlib/core/StrUtils.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBParamBlocks.h"
#include "dbclient/FIBSQLText.h"

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
  if (OnChange) OnChange(this);
}

void TCSMonitorSupport::SetIncludeDatasetDescription(bool value) {
  fIncludeDatasetDescription = value;
  if (OnChange) OnChange(this);
}

void TCSMonitorSupport::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TCSMonitorSupport*>(source)) {
    SetEnabled(other->fEnabled);
    SetIncludeDatasetDescription(other->fIncludeDatasetDescription);
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

// ---- TConditions ---------------------------------------------------------------------

namespace {

const char* const kPlainSeparator = "#$#$";

}  // namespace

TConditions::TConditions(TComponent* owner, TStrings* sqlText) : TStringList(true), fOwner(owner), fSQLText(sqlText) {}

TCondition* TConditions::Condition(int index) const {
  return dynamic_cast<TCondition*>(Objects(index));
}

bool TConditions::EnabledAt(int index) const {
  const TCondition* condition = Condition(index);
  return condition && condition->Enabled();
}

TCondition* TConditions::FindCondition(const AnsiString& name) const {
  const int index = IndexOfName(name);
  return index < 0 ? nullptr : Condition(index);
}

TCondition* TConditions::AddCondition(const AnsiString& name, const AnsiString& text, bool enabled) {
  const int index = IndexOfName(name);
  TCondition* condition = nullptr;
  if (index >= 0) {
    SetStrings(index, name + "=" + text);
    condition = Condition(index);
    if (!condition) {
      condition = new TCondition;
      SetObjects(index, condition);
    }
  } else {
    condition = new TCondition;
    AddObject(name + "=" + text, condition);
  }
  condition->SetEnabled(enabled);
  if (enabled) fApplied = false;
  return condition;
}

void TConditions::RemoveCondition(const AnsiString& name) {
  const int index = IndexOfName(name);
  if (index >= 0) Delete(index);
  fApplied = false;
}

AnsiString TConditions::ConditionsText() const {
  AnsiString result;
  for (int i = 0; i < Count(); ++i) {
    const AnsiString text = ValueFromIndex(i);
    if (!EnabledAt(i) || IsBlankString(text)) continue;
    // A condition that ends in a line comment gets its closing bracket on a line of its own.
    result += "(" + text + (EndsInLineComment(text) ? "\r\n" : "") + ")\r\n\r\n and ";
  }
  if (result.size() >= 7) result.resize(result.size() - 7);
  return result;
}

void TConditions::Apply() {
  if (!fSQLText) return;
  fBusy = true;
  fSQLText->BeginUpdate();
  try {
    if (!fBaseSaved) {
      fBaseSQL = fSQLText->Text();
      fBaseSaved = true;
    } else if (fSQLText->Text() != fBaseSQL) {
      fSQLText->SetText(fBaseSQL);
    }
    const AnsiString conditions = ConditionsText();
    if (!IsBlankString(conditions)) fSQLText->SetText(TSQLParser(fBaseSQL).AddCondition(conditions, true));
    fApplied = true;
  } catch (...) {
    fSQLText->EndUpdate();
    fBusy = false;
    throw;
  }
  fSQLText->EndUpdate();
  fBusy = false;
}

void TConditions::CancelApply() {
  if (!fBaseSaved || fBusy || !fSQLText) return;
  fBusy = true;
  try {
    if (fSQLText->Text() != fBaseSQL) fSQLText->SetText(fBaseSQL);
  } catch (...) {
    fBusy = false;
    throw;
  }
  fBusy = false;
  fBaseSQL.clear();
  fBaseSaved = false;
  fApplied = false;
}

void TConditions::SaveToPlainLines(TStrings& lines) const {
  lines.Clear();
  for (int i = 0; i < Count(); ++i)
    lines.Add(Names(i) + kPlainSeparator + ValueFromIndex(i) + kPlainSeparator + (EnabledAt(i) ? "1" : "0"));
}

void TConditions::LoadFromPlainLines(const TStrings& lines) {
  Clear();
  for (int i = 0; i < lines.Count(); ++i) {
    const AnsiString line = lines.Strings(i);
    const std::size_t first = line.find(kPlainSeparator);
    const std::size_t second = first == AnsiString::npos ? first : line.find(kPlainSeparator, first + 4);
    if (second == AnsiString::npos) {
      AddCondition(line.substr(0, first), "", false);
      continue;
    }
    AddCondition(line.substr(0, first), line.substr(first + 4, second - first - 4), line.substr(second + 4) == "1");
  }
  fApplied = false;
}

void TConditions::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TConditions*>(source)) {
    Clear();
    for (int i = 0; i < other->Count(); ++i)
      AddCondition(other->Names(i), other->ValueFromIndex(i), other->EnabledAt(i));
    fApplied = false;
    return;
  }
  // Conditions take no plain lines: past the string list's own copy, straight to the
  // source's AssignTo or the error.
  // NOLINTNEXTLINE(bugprone-parent-virtual-call)
  TPersistent::Assign(source);
}

}  // namespace ordvane
