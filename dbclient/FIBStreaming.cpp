#include "dbclient/FIBStreaming.h"

#include <mutex>

#include "classlib/core/Filer.h"
#include "classlib/core/StrUtils.h"
#include "dbclient/FIBProps.h"
#include "dbclient/IB_Intf.h"
#include "dbclient/pFIBDatabase.h"
#include "dbclient/pFIBQuery.h"

namespace ordvane {

namespace {

constexpr const char* kDesignDBOptionNames[] = {"ddoIsDefaultDatabase", "ddoStoreConnected",
                                                "ddoNotSavePassword"};
constexpr const char* kUseRepositoryNames[] = {"urFieldsInfo", "urDataSetInfo", "urErrorMessagesInfo"};
constexpr const char* kTransactionActionNames[] = {"TARollback", "TARollbackRetaining", "TACommit",
                                                   "TACommitRetaining"};
constexpr const char* kTPBModeNames[] = {"tpbDefault", "tpbReadCommitted", "tpbRepeatableRead"};
constexpr const char* kCSMonitorEnabledNames[] = {"csmeDisabled", "csmeEnabled", "csmeDatabaseDriven",
                                                  "csmeTransactionDriven"};

// The marker in a statement's stored conditions after which the names of the conditions
// that an inherited form no longer has follow.
const char kDeletedMarker[] = "#@DELETED";
// A stored condition text: "'" stands for an empty text, "0" for the text of the inherited
// form's condition of that name. Neither is a condition a server would accept.
const char kEmptyConditionText[] = "'";
const char kInheritedConditionText[] = "0";

bool ConnectedIsStored(const TFIBDatabase& database) {
  return database.Connected() && database.DesignDBOptions().Contains(ddoStoreConnected);
}

void RegisterDatabase() {
  StoredProperties<TFIBDatabase>()
      .Boolean("Connected", &TFIBDatabase::Connected, &TFIBDatabase::SetConnected, std::nullopt)
      .Stored(ConnectedIsStored)
      .Object("BlobSwapSupport", [](TFIBDatabase& d) { return &d.BlobSwapSupport(); })
      .String("DBName", &TFIBDatabase::DBName, &TFIBDatabase::SetDBName, "")
      .Object("DBParams", [](TFIBDatabase& d) { return &d.DBParams(); })
      .Reference<TFIBTransaction>("DefaultTransaction", &TFIBDatabase::DefaultTransaction,
                                  &TFIBDatabase::SetDefaultTransaction)
      .Reference<TFIBTransaction>("DefaultUpdateTransaction", &TFIBDatabase::DefaultUpdateTransaction,
                                  &TFIBDatabase::SetDefaultUpdateTransaction)
      .Integer("SQLDialect", &TFIBDatabase::SQLDialect, &TFIBDatabase::SetSQLDialect, 1)
      .Integer("Timeout", &TFIBDatabase::Timeout, &TFIBDatabase::SetTimeout, 0)
      .Boolean("UseLoginPrompt", &TFIBDatabase::UseLoginPrompt, &TFIBDatabase::SetUseLoginPrompt, false)
      .Boolean("UpperOldNames", &TFIBDatabase::UpperOldNames, &TFIBDatabase::SetUpperOldNames, false)
      .Boolean("SynchronizeTime", &TFIBDatabase::SynchronizeTime, &TFIBDatabase::SetSynchronizeTime, true)
      .SetOf(
          "DesignDBOptions", [](const TFIBDatabase& d) { return SetBits(d.DesignDBOptions()); },
          [](TFIBDatabase& d, UInt64 v) { d.SetDesignDBOptions(SetFromBits<TDesignDBOptions>(v)); },
          kDesignDBOptionNames, SetBits(TDesignDBOptions{ddoStoreConnected}))
      .SetOf(
          "UseRepositories", [](const TFIBDatabase& d) { return SetBits(d.UseRepositories()); },
          [](TFIBDatabase& d, UInt64 v) { d.SetUseRepositories(SetFromBits<TFIBUseRepositories>(v)); },
          kUseRepositoryNames, SetBits(TFIBUseRepositories{urFieldsInfo, urDataSetInfo, urErrorMessagesInfo}))
      .String("LibraryName", &TFIBDatabase::LibraryName, &TFIBDatabase::SetLibraryName, std::nullopt)
      .Stored([](const TFIBDatabase& d) { return d.LibraryName() != DefaultLibraryName; })
      .Boolean("UseBlrToTextFilter", &TFIBDatabase::UseBlrToTextFilter, &TFIBDatabase::SetUseBlrToTextFilter,
               false)
      .Object("CSMonitorSupport", [](TFIBDatabase& d) { return &d.CSMonitorSupport(); });

  StoredProperties<TpFIBDatabase>()
      .Object("CacheSchemaOptions", [](TpFIBDatabase& d) { return &d.CacheSchemaOptions(); })
      .String("AliasName", &TpFIBDatabase::AliasName, &TpFIBDatabase::SetAliasName, "")
      .Integer("WaitForRestoreConnect", &TpFIBDatabase::WaitForRestoreConnect,
               &TpFIBDatabase::SetWaitForRestoreConnect, 30000)
      .Boolean("SaveAliasParamsAfterConnect", &TpFIBDatabase::SaveAliasParamsAfterConnect,
               &TpFIBDatabase::SetSaveAliasParamsAfterConnect, true);
  // Older forms hold the same setting under its former name.
  RegisterDefineProperties(TpFIBDatabase::StaticClass(), [](TFiler& filer, TPersistent& object) {
    InheritedDefineProperties(filer, object, TpFIBDatabase::StaticClass());
    auto& database = static_cast<TpFIBDatabase&>(object);
    filer.DefineProperty(
        "SaveDBParams",
        [&database](TReader& reader) { database.SetSaveAliasParamsAfterConnect(reader.ReadBoolean()); },
        nullptr, false);
  });

  // The lines go without the password when the database is not to keep it.
  RegisterDefineProperties(TDBParams::StaticClass(), [](TFiler& filer, TPersistent& object) {
    auto& params = static_cast<TDBParams&>(object);
    const auto* database = dynamic_cast<const TFIBDatabase*>(params.GetOwner());
    const bool dropPassword = database != nullptr && database->DesignDBOptions().Contains(ddoNotSavePassword);
    const int passwordLine = dropPassword ? database->IndexOfDPBName("password") : -1;
    const auto* ancestor = dynamic_cast<const TStrings*>(filer.Ancestor());
    const bool hasData =
        ancestor == nullptr ? params.Count() > (passwordLine >= 0 ? 1 : 0) : !params.Equals(ancestor);
    filer.DefineProperty(
        "Strings", [&params](TReader& reader) { reader.ReadStrings(params); },
        [&params, passwordLine](TWriter& writer) {
          writer.WriteListBegin();
          for (int i = 0; i < params.Count(); ++i)
            if (i != passwordLine) writer.WriteString(params.Strings(i));
          writer.WriteListEnd();
        },
        hasData);
  });

  StoredProperties<TBlobSwapSupport>()
      .Boolean("Active", &TBlobSwapSupport::Active, &TBlobSwapSupport::SetActive, false)
      .String("SwapDir", &TBlobSwapSupport::SwapDir, &TBlobSwapSupport::SetSwapDir, "{APP_PATH}")
      .Integer("MinBlobSizeToSwap", &TBlobSwapSupport::MinBlobSizeToSwap,
               &TBlobSwapSupport::SetMinBlobSizeToSwap, 0);
  // The default depends on the owner: what a new object of the same owner starts with.
  StoredProperties<TCSMonitorSupport>()
      .Enum("Enabled", &TCSMonitorSupport::Enabled, &TCSMonitorSupport::SetEnabled, kCSMonitorEnabledNames,
            std::nullopt)
      .Stored([](const TCSMonitorSupport& s) {
        return s.Enabled() != TCSMonitorSupport(dynamic_cast<TComponent*>(s.GetOwner())).Enabled();
      })
      .Boolean("IncludeDatasetDescription", &TCSMonitorSupport::IncludeDatasetDescription,
               &TCSMonitorSupport::SetIncludeDatasetDescription, true);
  StoredProperties<TCacheSchemaOptions>()
      .String("LocalCacheFile", &TCacheSchemaOptions::LocalCacheFile, &TCacheSchemaOptions::SetLocalCacheFile,
              "")
      .Boolean("AutoSaveToFile", &TCacheSchemaOptions::AutoSaveToFile,
               &TCacheSchemaOptions::SetAutoSaveToFile, false)
      .Boolean("AutoLoadFromFile", &TCacheSchemaOptions::AutoLoadFromFile,
               &TCacheSchemaOptions::SetAutoLoadFromFile, false)
      .Boolean("ValidateAfterLoad", &TCacheSchemaOptions::ValidateAfterLoad,
               &TCacheSchemaOptions::SetValidateAfterLoad, true);
}

void RegisterTransaction() {
  StoredProperties<TFIBTransaction>()
      .Boolean("Active", &TFIBTransaction::Active, &TFIBTransaction::SetActive, std::nullopt)
      .Stored([](const TFIBTransaction& t) {
        const TFIBDatabase* database = t.DefaultDatabase();
        return t.Active() && database != nullptr && ConnectedIsStored(*database);
      })
      .Reference<TFIBDatabase>("DefaultDatabase", &TFIBTransaction::DefaultDatabase,
                               &TFIBTransaction::SetDefaultDatabase)
      .Integer("Timeout", &TFIBTransaction::Timeout, &TFIBTransaction::SetTimeout, 0)
      .Enum("TimeoutAction", &TFIBTransaction::TimeoutAction, &TFIBTransaction::SetTimeoutAction,
            kTransactionActionNames, TARollback)
      .Object("TRParams", [](TFIBTransaction& t) { return &t.TRParams(); });
  StoredProperties<TpFIBTransaction>()
      .Enum("TPBMode", &TpFIBTransaction::TPBMode, &TpFIBTransaction::SetTPBMode, kTPBModeNames,
            tpbReadCommitted)
      .Object("TRParams", [](TpFIBTransaction& t) { return &t.TRParams(); })
      .Stored([](const TpFIBTransaction& t) { return t.TPBMode() == tpbDefault; })
      .String("UserKindTransaction", &TpFIBTransaction::UserKindTransaction,
              &TpFIBTransaction::SetUserKindTransaction, "NoUserKind");
}

// The statement's option set goes as one Boolean per option; the handle option is the
// program's business and stays out.
struct StoredQueryOption {
  const char* Name;
  TpFIBQueryOption Option;
};
const StoredQueryOption kStoredQueryOptions[] = {{"qoAutoCommit", qoAutoCommit},
                                                 {"qoStartTransaction", qoStartTransaction},
                                                 {"qoTrimCharFields", qoTrimCharFields},
                                                 {"qoNoForceIsNull", qoNoForceIsNull}};

void DefineQueryOptions(TFiler& filer, TFIBQuery& query) {
  const auto* ancestor = dynamic_cast<const TFIBQuery*>(filer.Ancestor());
  for (const StoredQueryOption& stored : kStoredQueryOptions) {
    const bool set = query.Options().Contains(stored.Option);
    const bool hasData = ancestor != nullptr ? set != ancestor->Options().Contains(stored.Option) : set;
    const TpFIBQueryOption option = stored.Option;
    filer.DefineProperty(
        stored.Name,
        [&query, option](TReader& reader) {
          TpFIBQueryOptions options = query.Options();
          if (reader.ReadBoolean())
            options.Include(option);
          else
            options.Exclude(option);
          query.SetOptions(options);
        },
        [set](TWriter& writer) { writer.WriteBoolean(set); }, hasData);
  }
}

void ReadConditionsData(TReader& reader, TConditions& conditions) {
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    const AnsiString name = reader.ReadString();
    if (name == kDeletedMarker) {
      while (!reader.EndOfList()) conditions.RemoveCondition(reader.ReadString());
      break;
    }
    const AnsiString text = reader.ReadString();
    const bool enabled = reader.ReadBoolean();
    const int index = conditions.IndexOfName(name);
    if (text == kInheritedConditionText && index >= 0) {
      conditions.AddCondition(name, conditions.ValueFromIndex(index), enabled);
    } else {
      const bool inherited = text == kInheritedConditionText;
      conditions.AddCondition(name, text == kEmptyConditionText || inherited ? AnsiString() : text, enabled);
    }
  }
  reader.ReadListEnd();
}

struct ConditionsData {
  std::vector<TFormValue> Values;  // name, text, enabled for each condition written
  std::vector<AnsiString> Deleted;
};

ConditionsData ConditionsDataAgainst(const TConditions& conditions, const TConditions* ancestor) {
  ConditionsData data;
  for (int i = 0; i < conditions.Count(); ++i) {
    const AnsiString name = conditions.Names(i);
    const AnsiString text = conditions.ValueFromIndex(i);
    const TCondition* condition = conditions.Condition(i);
    const bool enabled = condition != nullptr && condition->Enabled();
    const int inherited = ancestor != nullptr ? ancestor->IndexOfName(name) : -1;
    const bool sameText = inherited >= 0 && ancestor->ValueFromIndex(inherited) == text;
    if (sameText) {
      const TCondition* ancestorCondition = ancestor->Condition(inherited);
      if ((ancestorCondition != nullptr && ancestorCondition->Enabled()) == enabled) continue;
    }
    data.Values.push_back(TFormValue::String(name));
    data.Values.push_back(TFormValue::String(sameText       ? AnsiString(kInheritedConditionText)
                                             : text.empty() ? AnsiString(kEmptyConditionText)
                                                            : text));
    data.Values.push_back(TFormValue::Boolean(enabled));
  }
  if (ancestor != nullptr)
    for (int i = 0; i < ancestor->Count(); ++i)
      if (conditions.IndexOfName(ancestor->Names(i)) < 0) data.Deleted.push_back(ancestor->Names(i));
  return data;
}

// Conditions are written as "Data" alone; "Strings" and "Enabled", their earlier form,
// are still read.
void DefineConditions(TFiler& filer, TPersistent& object) {
  auto& conditions = static_cast<TConditions&>(object);
  const ConditionsData data =
      ConditionsDataAgainst(conditions, dynamic_cast<const TConditions*>(filer.Ancestor()));
  filer.DefineProperty(
      "Strings",
      [&conditions](TReader& reader) {
        conditions.Clear();
        reader.ReadListBegin();
        while (!reader.EndOfList()) {
          const AnsiString line = reader.ReadString();
          const std::size_t equals = line.find('=');
          conditions.AddCondition(line.substr(0, equals),
                                  equals == AnsiString::npos ? AnsiString() : line.substr(equals + 1), false);
        }
        reader.ReadListEnd();
      },
      nullptr, false);
  filer.DefineProperty(
      "Enabled",
      [&conditions](TReader& reader) {
        const AnsiString flags = reader.ReadString();
        for (int i = 0; i < conditions.Count(); ++i) {
          const std::size_t position = 2 * static_cast<std::size_t>(i) + 1;
          if (position >= flags.size()) break;
          if (TCondition* condition = conditions.Condition(i)) condition->SetEnabled(flags[position] == '1');
        }
      },
      nullptr, false);
  filer.DefineProperty(
      "Data", [&conditions](TReader& reader) { ReadConditionsData(reader, conditions); },
      [&data](TWriter& writer) {
        writer.WriteListBegin();
        for (const TFormValue& value : data.Values) writer.WriteValue(value);
        if (!data.Deleted.empty()) {
          writer.WriteString(kDeletedMarker);
          for (const AnsiString& name : data.Deleted) writer.WriteString(name);
        }
        writer.WriteListEnd();
      },
      !data.Values.empty() || !data.Deleted.empty());
}

void RegisterQuery() {
  StoredProperties<TFIBQuery>()
      .Object("Conditions", [](TFIBQuery& q) { return &q.Conditions(); })
      .Reference<TFIBTransaction>("Transaction", &TFIBQuery::Transaction, &TFIBQuery::SetTransaction)
      .Reference<TFIBDatabase>("Database", &TFIBQuery::Database, &TFIBQuery::SetDatabase)
      .Boolean("GoToFirstRecordOnExecute", &TFIBQuery::GoToFirstRecordOnExecute,
               &TFIBQuery::SetGoToFirstRecordOnExecute, true)
      .Boolean("ParamCheck", &TFIBQuery::ParamCheck, &TFIBQuery::SetParamCheck, true)
      .Object("SQL", [](TFIBQuery& q) { return &q.SQL(); })
      .Object("CSMonitorSupport", [](TFIBQuery& q) { return &q.CSMonitorSupport(); });
  RegisterDefineProperties(TFIBQuery::StaticClass(), [](TFiler& filer, TPersistent& object) {
    InheritedDefineProperties(filer, object, TFIBQuery::StaticClass());
    DefineQueryOptions(filer, static_cast<TFIBQuery&>(object));
  });
  RegisterDefineProperties(TConditions::StaticClass(), DefineConditions);
  StoredProperties<TpFIBStoredProc>().String("StoredProcName", &TpFIBStoredProc::StoredProcName,
                                             &TpFIBStoredProc::SetStoredProcName, "");
}

}  // namespace

void RegisterFIBStreaming() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentClass<TFIBDatabase>();
    RegisterComponentClass<TpFIBDatabase>();
    RegisterComponentClass<TFIBTransaction>();
    RegisterComponentClass<TpFIBTransaction>();
    RegisterComponentClass<TFIBQuery>();
    RegisterComponentClass<TpFIBQuery>();
    RegisterComponentClass<TpFIBStoredProc>();
    RegisterDatabase();
    RegisterTransaction();
    RegisterQuery();
  });
}

}  // namespace ordvane
