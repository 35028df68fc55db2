#include "datasets/FIBDataSetOptions.h"

#include <algorithm>

#include "classlib/core/PublishedProps.h"
#include "classlib/core/SeparatedLists.h"
#include "classlib/core/StrUtils.h"
#include "datasets/FIBDataSet.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBSQLText.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

// ---- TSQLs ---------------------------------------------------------------------------------

TStrings& TSQLs::SelectSQL() const {
  return fOwner->SelectSQL();
}
void TSQLs::SetSelectSQL(const TStrings& value) {
  fOwner->SetSelectSQL(value);
}
TStrings& TSQLs::UpdateSQL() const {
  return fOwner->UpdateSQL();
}
void TSQLs::SetUpdateSQL(const TStrings& value) {
  fOwner->SetUpdateSQL(value);
}
TStrings& TSQLs::DeleteSQL() const {
  return fOwner->DeleteSQL();
}
void TSQLs::SetDeleteSQL(const TStrings& value) {
  fOwner->SetDeleteSQL(value);
}
TStrings& TSQLs::InsertSQL() const {
  return fOwner->InsertSQL();
}
void TSQLs::SetInsertSQL(const TStrings& value) {
  fOwner->SetInsertSQL(value);
}
TStrings& TSQLs::RefreshSQL() const {
  return fOwner->RefreshSQL();
}
void TSQLs::SetRefreshSQL(const TStrings& value) {
  fOwner->SetRefreshSQL(value);
}

void TSQLs::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSQLs*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  SetSelectSQL(other->SelectSQL());
  SetUpdateSQL(other->UpdateSQL());
  SetDeleteSQL(other->DeleteSQL());
  SetInsertSQL(other->InsertSQL());
  SetRefreshSQL(other->RefreshSQL());
}

TPersistent* TSQLs::GetOwner() const {
  return fOwner;
}

// ---- TAutoUpdateOptions ------------------------------------------------------------------------

void TAutoUpdateOptions::SetUpdateTableName(const AnsiString& value) {
  fResolved = false;
  fKeyCondition.clear();
  fUpdateTableName = value;
  if (!fGeneratorName.empty() || !UsesGenerator()) return;
  const AnsiString table = ModifyTable();
  if (!table.empty() && table.front() == '"')
    fGeneratorName = "\"GEN_" + StripEnclosingQuotes(table) + "_ID\"";
  else
    fGeneratorName = "GEN_" + table + "_ID";
}

void TAutoUpdateOptions::SetGenBeforePost(bool value) {
  if (!value)
    fWhenGetGenID = wgNever;
  else if (!UsesGenerator())
    fWhenGetGenID = wgBeforePost;
}

void TAutoUpdateOptions::ReadSelectGenID(bool value) {
  fSelectGenIDRead = value;
  fWhenGetGenID = value ? wgBeforePost : wgNever;
}

void TAutoUpdateOptions::ReadGenBeforePost(bool value) {
  if (fSelectGenIDRead) fWhenGetGenID = value ? wgBeforePost : wgOnNewRecord;
}

void TAutoUpdateOptions::SetKeyConditionCache(const AnsiString& condition, const AnsiString& select) {
  fKeyCondition = condition;
  fKeyConditionSelect = select;
}

void TAutoUpdateOptions::ClearKeyConditionCache() {
  fKeyCondition.clear();
  fKeyConditionSelect.clear();
}

void TAutoUpdateOptions::SetKeyFields(const AnsiString& value) {
  fKeyFields = value;
  fKeyCondition.clear();
  fKeyFieldList.Clear();
  for (const AnsiString& name : SplitList(value, ';', true, TEmptyItems::Drop)) fKeyFieldList.Add(name);
}

void TAutoUpdateOptions::SetUpdateOnlyModifiedFields(bool value) {
  fUpdateOnlyModifiedFields = value && fAutoReWriteSqls && fCanChangeSQLs;
}

AnsiString TAutoUpdateOptions::FormatIdentifier(const AnsiString& name) const {
  const TFIBDatabase* database = fOwner != nullptr ? fOwner->Database() : nullptr;
  if (database != nullptr && database->SQLDialect() < 3) return UpperCase(Trim(name));
  if (!name.empty() && name.front() == '"') return name;
  // Where names compare upper-cased, a name that must be quoted (a reserved word) is quoted
  // upper-cased too: quoted as written it would name another object.
  const bool upperNames = database != nullptr && database->UsesUpperNames();
  const bool quote = upperNames ? NeedQuoteIdentifierCI(name) : NeedQuoteIdentifier(name);
  if (!quote) return UpperCase(name);
  return "\"" + (upperNames ? UpperCase(name) : name) + "\"";
}

void TAutoUpdateOptions::Resolve() {
  if (fResolved) return;
  const AnsiString text = Trim(fUpdateTableName);
  const std::size_t blank = text.find_first_of(" \t\r\n");
  AnsiString table = text;
  AnsiString alias;
  if (blank != AnsiString::npos) {
    table = text.substr(0, blank);
    alias = Trim(text.substr(blank));
  } else if (fOwner != nullptr && !table.empty()) {
    alias = AliasByTable(fOwner->SelectSQL().Text(), table);
  }
  if (alias.empty()) alias = table;
  fModifyTable = FormatIdentifier(table);
  fAliasModifyTable = FormatIdentifier(alias);
  fResolved = true;
}

AnsiString TAutoUpdateOptions::ModifyTable() {
  Resolve();
  return fModifyTable;
}

AnsiString TAutoUpdateOptions::AliasModifyTable() {
  Resolve();
  return fAliasModifyTable;
}

void TAutoUpdateOptions::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TAutoUpdateOptions*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  fAutoReWriteSqls = other->fAutoReWriteSqls;
  fCanChangeSQLs = other->fCanChangeSQLs;
  fWhenGetGenID = other->fWhenGetGenID;
  fGeneratorName = other->fGeneratorName;
  SetUpdateTableName(other->fUpdateTableName);
  SetKeyFields(other->fKeyFields);
  SetUpdateOnlyModifiedFields(other->fUpdateOnlyModifiedFields);
  fGeneratorStep = other->fGeneratorStep;
  fParamsToFieldsLinks.Assign(&other->fParamsToFieldsLinks);
  fAutoParamsToFields = other->fAutoParamsToFields;
  fSeparateBlobUpdate = other->fSeparateBlobUpdate;
  fUseExecuteBlock = other->fUseExecuteBlock;
}

TPersistent* TAutoUpdateOptions::GetOwner() const {
  return fOwner;
}

// ---- TFormatFields ------------------------------------------------------------------------------

TFormatFieldsDefaults& DefaultFormatFields() {
  static TFormatFieldsDefaults defaults;
  return defaults;
}

TFormatFields::TFormatFields(TFIBCustomDataSet* owner) : fOwner(owner), fFormats(DefaultFormatFields()) {}

void TFormatFields::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TFormatFields*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  fFormats = other->fFormats;
}

TPersistent* TFormatFields::GetOwner() const {
  return fOwner;
}

// ---- TCacheModelOptions ------------------------------------------------------------------------

void TCacheModelOptions::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCacheModelOptions*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  fCacheModelKind = other->fCacheModelKind;
  fBufferChunks = other->fBufferChunks;
  fBlobCacheLimit = other->fBlobCacheLimit;
  fPlanForDescSQLs.Assign(&other->fPlanForDescSQLs);
}

void TCacheModelOptions::SetCacheModelKind(TCacheModelKind value) {
  if (value == fCacheModelKind) return;
  if (fOwner != nullptr) {
    fOwner->CheckInactive();
    if (value == cmkLimitedBufferSize && !fOwner->ComponentState().Contains(csLoading) &&
        !fOwner->CanUseLimitedBuffer())
      FIBError(TFIBClientError::CannotUseLimitedCache, {FullComponentName(fOwner)});
  }
  fCacheModelKind = value;
  if (value == cmkLimitedBufferSize) fBufferChunks = std::max(fBufferChunks, LimitedModelMinChunks);
}

void TCacheModelOptions::SetBufferChunks(Integer value) {
  if (value <= 0) value = DefaultBufferChunks;
  if (fCacheModelKind == cmkLimitedBufferSize) value = std::max(value, LimitedModelMinChunks);
  fBufferChunks = value;
}

TPersistent* TCacheModelOptions::GetOwner() const {
  return fOwner;
}

// ---- Stored option names -----------------------------------------------------------------------

namespace {

using S = TStoredOptionSet;

bool Has(const TFIBCustomDataSet& dataSet, const TStoredOptionName& entry) {
  switch (entry.set) {
    case S::Options:
      return dataSet.Options().Contains(static_cast<TpFIBDsOption>(entry.member));
    case S::PrepareOptions:
      return dataSet.PrepareOptions().Contains(static_cast<TpPrepareOption>(entry.member));
    case S::DetailConditions:
      return dataSet.DetailConditions().Contains(static_cast<TDetailCondition>(entry.member));
  }
  return false;
}

bool ByDefault(const TStoredOptionName& entry) {
  switch (entry.set) {
    case S::Options:
      return DefaultDataSetOptions.Contains(static_cast<TpFIBDsOption>(entry.member));
    case S::PrepareOptions:
      return DefaultPrepareOptions.Contains(static_cast<TpPrepareOption>(entry.member));
    case S::DetailConditions:
      return DefaultDetailConditions.Contains(static_cast<TDetailCondition>(entry.member));
  }
  return false;
}

template <class E>
TSet<E> With(TSet<E> set, E member, bool on) {
  return on ? set.Include(member) : set.Exclude(member);
}

// One member, set through the dataset's own setter so that its guards and reactions run.
void Apply(TFIBCustomDataSet& dataSet, const TStoredOptionName& entry, bool on) {
  switch (entry.set) {
    case S::Options:
      dataSet.SetOptions(With(dataSet.Options(), static_cast<TpFIBDsOption>(entry.member), on));
      return;
    case S::PrepareOptions:
      dataSet.SetPrepareOptions(With(dataSet.PrepareOptions(), static_cast<TpPrepareOption>(entry.member), on));
      return;
    case S::DetailConditions:
      dataSet.SetDetailConditions(
          With(dataSet.DetailConditions(), static_cast<TDetailCondition>(entry.member), on));
      return;
  }
}

AnsiString BooleanText(bool value) {
  return value ? "True" : "False";
}

// "True" or "False" in any letter case; anything else is refused rather than guessed.
bool ParseBoolean(const AnsiString& name, const AnsiString& text) {
  const AnsiString upper = UpperCase(Trim(text));
  if (upper == "TRUE") return true;
  if (upper == "FALSE") return false;
  throw EReadError("Invalid property value \"" + text + "\" for " + name);
}

// Registers before main. Only a lack of memory can fail it, which nothing before main
// could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
const bool registered = [] {
  for (const TStoredOptionName& entry : StoredOptionNames())
    RegisterStringProperty<TFIBCustomDataSet>(
        entry.name, [&entry](const TFIBCustomDataSet& d) { return BooleanText(Has(d, entry)); },
        [&entry](TFIBCustomDataSet& d, const AnsiString& v) { Apply(d, entry, ParseBoolean(entry.name, v)); });
  RegisterStringProperty<TFIBCustomDataSet>(
      "BufferChunks",
      [](const TFIBCustomDataSet& d) {
        return std::to_string(const_cast<TFIBCustomDataSet&>(d).CacheModelOptions().BufferChunks());
      },
      [](TFIBCustomDataSet& d, const AnsiString& v) { d.CacheModelOptions().SetBufferChunks(StrToInt(v)); });
  // Read from older stored forms and discarded.
  RegisterStringProperty<TFIBCustomDataSet>(
      "ObjectView", [](const TFIBCustomDataSet&) { return BooleanText(false); },
      [](TFIBCustomDataSet&, const AnsiString& v) { ParseBoolean("ObjectView", v); });
  // The generator mode of older stored forms, read in stream order.
  RegisterStringProperty<TAutoUpdateOptions>(
      "SelectGenID", [](const TAutoUpdateOptions& o) { return BooleanText(o.UsesGenerator()); },
      [](TAutoUpdateOptions& o, const AnsiString& v) { o.ReadSelectGenID(ParseBoolean("SelectGenID", v)); });
  RegisterStringProperty<TAutoUpdateOptions>(
      "GenBeforePost", [](const TAutoUpdateOptions& o) { return BooleanText(o.WhenGetGenID() == wgBeforePost); },
      [](TAutoUpdateOptions& o, const AnsiString& v) { o.ReadGenBeforePost(ParseBoolean("GenBeforePost", v)); });
  return true;
}();

}  // namespace

const std::vector<TStoredOptionName>& StoredOptionNames() {
  static const std::vector<TStoredOptionName> names{
      {"oTrimCharFields", S::Options, poTrimCharFields},
      {"oRefreshAfterPost", S::Options, poRefreshAfterPost},
      {"oRefreshDeletedRecord", S::Options, poRefreshDeletedRecord},
      {"oStartTransaction", S::Options, poStartTransaction},
      {"oAutoFormatFields", S::Options, poAutoFormatFields},
      {"oProtectedEdit", S::Options, poProtectedEdit},
      {"oUseSelectForLock", S::Options, poUseSelectForLock},
      {"oKeepSorting", S::Options, poKeepSorting},
      {"oPersistentSorting", S::Options, poPersistentSorting},
      {"oVisibleRecno", S::Options, poVisibleRecno},
      {"oNoForceIsNull", S::Options, poNoForceIsNull},
      {"oFetchAll", S::Options, poFetchAll},
      {"oCacheCalcFields", S::Options, poCacheCalcFields},
      {"oRefreshAfterDelete", S::Options, poRefreshAfterDelete},
      {"poSetRequiredFields", S::PrepareOptions, pfSetRequiredFields},
      {"poSetReadOnlyFields", S::PrepareOptions, pfSetReadOnlyFields},
      {"poImportDefaultValues", S::PrepareOptions, pfImportDefaultValues},
      {"poUseBooleanField", S::PrepareOptions, psUseBooleanField},
      {"poUseGuidField", S::PrepareOptions, psUseGuidField},
      {"poSQLINT64ToBCD", S::PrepareOptions, psSQLINT64ToBCD},
      {"poApplyRepositary", S::PrepareOptions, psApplyRepositary},
      {"poGetOrderInfo", S::PrepareOptions, psGetOrderInfo},
      {"poAskRecordCount", S::PrepareOptions, psAskRecordCount},
      {"poCanEditComputedFields", S::PrepareOptions, psCanEditComputedFields},
      {"poEmptyStrToNull", S::PrepareOptions, psSetEmptyStrToNull},
      {"poSupportUnicodeBlobs", S::PrepareOptions, psSupportUnicodeBlobs},
      {"poUseLargeIntField", S::PrepareOptions, psUseLargeIntField},
      {"dcForceOpen", S::DetailConditions, dcForceOpen},
      {"dcIgnoreMasterClose", S::DetailConditions, dcIgnoreMasterClose},
      {"dcForceMasterRefresh", S::DetailConditions, dcForceMasterRefresh},
      {"WaitEndMasterScroll", S::DetailConditions, dcWaitEndMasterScroll},
  };
  return names;
}

std::vector<AnsiString> StoredOptionNamesToWrite(const TFIBCustomDataSet& dataSet) {
  std::vector<AnsiString> names;
  for (const TStoredOptionName& entry : StoredOptionNames())
    if (Has(dataSet, entry) != ByDefault(entry)) names.emplace_back(entry.name);
  return names;
}

}  // namespace ordvane
