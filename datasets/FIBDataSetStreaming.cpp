#include "datasets/FIBDataSetStreaming.h"

#include <mutex>

#include "classlib/core/Filer.h"
#include "classlib/core/PublishedProps.h"
#include "classlib/db/DBStreaming.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBStreaming.h"

namespace ordvane {

namespace {

constexpr const char* kTransactionKindNames[] = {"tkReadTransaction", "tkUpdateTransaction"};
constexpr const char* kUpdateStatusNames[] = {"cusUnmodified", "cusModified",   "cusInserted",
                                              "cusDeleted",    "cusUninserted", "cusDeletedApplied"};
constexpr const char* kUpdateKindNames[] = {"ukModify", "ukInsert", "ukDelete"};
constexpr const char* kFieldOriginRuleNames[] = {"forNoRule", "forTableAndFieldName", "forClientFieldName",
                                                 "forTableAliasAndFieldName"};
constexpr const char* kCacheModelKindNames[] = {"cmkStandard", "cmkLimitedBufferSize"};
constexpr const char* kWhenGetGenIDNames[] = {"wgNever", "wgOnNewRecord", "wgBeforePost"};

// The option sets go member by member under the stored names the dataset publishes as
// "True"/"False" texts: a name is written when its member differs from the default, or
// from the inherited form's dataset, and read back through the dataset's own setters in
// the order the form holds them.
void DefineStoredOptions(TFiler& filer, TFIBCustomDataSet& dataSet) {
  const auto* ancestor = dynamic_cast<const TFIBCustomDataSet*>(filer.Ancestor());
  const std::vector<AnsiString> differFromDefault = StoredOptionNamesToWrite(dataSet);
  for (const TStoredOptionName& entry : StoredOptionNames()) {
    const AnsiString name = entry.name;
    const bool set = GetStrProp(&dataSet, name) == "True";
    const bool hasData = ancestor != nullptr ? GetStrProp(ancestor, name) != GetStrProp(&dataSet, name)
                                             : std::find(differFromDefault.begin(), differFromDefault.end(),
                                                         name) != differFromDefault.end();
    filer.DefineProperty(
        name,
        [&dataSet, name](TReader& reader) {
          SetStrProp(&dataSet, name, reader.ReadBoolean() ? "True" : "False");
        },
        [set](TWriter& writer) { writer.WriteBoolean(set); }, hasData);
  }
  filer.DefineProperty(
      "BufferChunks",
      [&dataSet](TReader& reader) {
        dataSet.CacheModelOptions().SetBufferChunks(static_cast<Integer>(reader.ReadInteger()));
      },
      nullptr, false);
  filer.DefineProperty(
      "ObjectView", [](TReader& reader) { reader.ReadBoolean(); }, nullptr, false);
}

void RegisterDataSet() {
  // An open dataset opens again once the form is loaded, after its database has
  // connected (TDataSet::Loaded).
  StoredProperties<TFIBCustomDataSet>()
      .Boolean("Active", &TFIBCustomDataSet::Active, &TFIBCustomDataSet::SetActive, false)
      .Reference<TFIBDatabase>("Database", &TFIBCustomDataSet::Database, &TFIBCustomDataSet::SetDatabase)
      .Reference<TFIBTransaction>("Transaction", &TFIBCustomDataSet::Transaction,
                                  &TFIBCustomDataSet::SetTransaction)
      .Reference<TFIBTransaction>("UpdateTransaction", &TFIBCustomDataSet::UpdateTransaction,
                                  &TFIBCustomDataSet::SetUpdateTransaction)
      .Stored([](const TFIBCustomDataSet& d) { return d.UpdateTransaction() != d.Transaction(); })
      .Enum("RefreshTransactionKind", &TFIBCustomDataSet::RefreshTransactionKind,
            &TFIBCustomDataSet::SetRefreshTransactionKind, kTransactionKindNames, tkReadTransaction)
      .Object("SelectSQL", [](TFIBCustomDataSet& d) { return &d.SelectSQL(); })
      .Object("InsertSQL", [](TFIBCustomDataSet& d) { return &d.InsertSQL(); })
      .Object("UpdateSQL", [](TFIBCustomDataSet& d) { return &d.UpdateSQL(); })
      .Object("DeleteSQL", [](TFIBCustomDataSet& d) { return &d.DeleteSQL(); })
      .Object("RefreshSQL", [](TFIBCustomDataSet& d) { return &d.RefreshSQL(); })
      .Object("Conditions", [](TFIBCustomDataSet& d) { return &d.Conditions(); })
      .SetOf(
          "UpdateRecordTypes", [](const TFIBCustomDataSet& d) { return SetBits(d.UpdateRecordTypes()); },
          [](TFIBCustomDataSet& d, UInt64 v) {
            d.SetUpdateRecordTypes(SetFromBits<TFIBUpdateRecordTypes>(v));
          },
          kUpdateStatusNames, SetBits(TFIBUpdateRecordTypes{cusUnmodified, cusModified, cusInserted}))
      .SetOf(
          "AllowedUpdateKinds", [](const TFIBCustomDataSet& d) { return SetBits(d.AllowedUpdateKinds()); },
          [](TFIBCustomDataSet& d, UInt64 v) { d.SetAllowedUpdateKinds(SetFromBits<TUpdateKinds>(v)); },
          kUpdateKindNames, SetBits(TUpdateKinds{ukModify, ukInsert, ukDelete}))
      .Boolean("CachedUpdates", &TFIBCustomDataSet::CachedUpdates, &TFIBCustomDataSet::SetCachedUpdates,
               false)
      .Boolean("UniDirectional", &TFIBCustomDataSet::UniDirectional, &TFIBCustomDataSet::SetUniDirectional,
               false)
      .Boolean("AutoCommit", &TFIBCustomDataSet::AutoCommit, &TFIBCustomDataSet::SetAutoCommit, false)
      .Enum("FieldOriginRule", &TFIBCustomDataSet::FieldOriginRule, &TFIBCustomDataSet::SetFieldOriginRule,
            kFieldOriginRuleNames, forTableAndFieldName)
      .Object("CacheModelOptions", [](TFIBCustomDataSet& d) { return &d.CacheModelOptions(); })
      .Object("AutoUpdateOptions", [](TFIBCustomDataSet& d) { return &d.AutoUpdateOptions(); })
      .Object("CSMonitorSupport", [](TFIBCustomDataSet& d) { return &d.CSMonitorSupport(); })
      .Reference<TDataSource>("DataSource", &TFIBCustomDataSet::DataSource,
                              &TFIBCustomDataSet::SetDataSource);
  RegisterDefineProperties(TFIBCustomDataSet::StaticClass(), [](TFiler& filer, TPersistent& object) {
    InheritedDefineProperties(filer, object, TFIBCustomDataSet::StaticClass());
    DefineStoredOptions(filer, static_cast<TFIBCustomDataSet&>(object));
  });

  StoredProperties<TCacheModelOptions>()
      .Enum("CacheModelKind", &TCacheModelOptions::CacheModelKind, &TCacheModelOptions::SetCacheModelKind,
            kCacheModelKindNames, cmkStandard)
      .Integer("BufferChunks", &TCacheModelOptions::BufferChunks, &TCacheModelOptions::SetBufferChunks,
               DefaultBufferChunks)
      .Integer("BlobCacheLimit", &TCacheModelOptions::BlobCacheLimit, &TCacheModelOptions::SetBlobCacheLimit,
               0)
      .Object("PlanForDescSQLs", [](TCacheModelOptions& o) { return &o.PlanForDescSQLs(); });

  StoredProperties<TAutoUpdateOptions>()
      .String("UpdateTableName", &TAutoUpdateOptions::UpdateTableName,
              &TAutoUpdateOptions::SetUpdateTableName, "")
      .String("KeyFields", &TAutoUpdateOptions::KeyFields, &TAutoUpdateOptions::SetKeyFields, "")
      .Boolean("AutoReWriteSqls", &TAutoUpdateOptions::AutoReWriteSqls,
               &TAutoUpdateOptions::SetAutoReWriteSqls, false)
      .Boolean("CanChangeSQLs", &TAutoUpdateOptions::CanChangeSQLs, &TAutoUpdateOptions::SetCanChangeSQLs,
               false)
      .String("GeneratorName", &TAutoUpdateOptions::GeneratorName, &TAutoUpdateOptions::SetGeneratorName, "")
      .Boolean("UpdateOnlyModifiedFields", &TAutoUpdateOptions::UpdateOnlyModifiedFields,
               &TAutoUpdateOptions::SetUpdateOnlyModifiedFields, false)
      .Enum("WhenGetGenID", &TAutoUpdateOptions::WhenGetGenID, &TAutoUpdateOptions::SetWhenGetGenID,
            kWhenGetGenIDNames, wgNever)
      .Integer("GeneratorStep", &TAutoUpdateOptions::GeneratorStep, &TAutoUpdateOptions::SetGeneratorStep, 1)
      .Object("ParamsToFieldsLinks", [](TAutoUpdateOptions& o) { return &o.ParamsToFieldsLinks(); })
      .Boolean("AutoParamsToFields", &TAutoUpdateOptions::AutoParamsToFields,
               &TAutoUpdateOptions::SetAutoParamsToFields, false)
      .Boolean("SeparateBlobUpdate", &TAutoUpdateOptions::SeparateBlobUpdate,
               &TAutoUpdateOptions::SetSeparateBlobUpdate, false)
      .Boolean("UseExecuteBlock", &TAutoUpdateOptions::UseExecuteBlock,
               &TAutoUpdateOptions::SetUseExecuteBlock, false);
  // The generator mode of older forms, read in the order the form holds them.
  RegisterDefineProperties(TAutoUpdateOptions::StaticClass(), [](TFiler& filer, TPersistent& object) {
    auto& options = static_cast<TAutoUpdateOptions&>(object);
    filer.DefineProperty(
        "SelectGenID", [&options](TReader& reader) { options.ReadSelectGenID(reader.ReadBoolean()); },
        nullptr, false);
    filer.DefineProperty(
        "GenBeforePost", [&options](TReader& reader) { options.ReadGenBeforePost(reader.ReadBoolean()); },
        nullptr, false);
  });
}

// The formats' defaults are the process-wide ones in force when the form is written.
void RegisterDefaultFormats() {
  using F = TFormatFields;
  using Getter = const AnsiString& (F::*)() const;
  using Setter = void (F::*)(const AnsiString&);
  struct Format {
    const char* Name;
    Getter Get;
    Setter Set;
    AnsiString TFormatFieldsDefaults::*Default;
  };
  static const Format kFormats[] = {
      {"DateTimeDisplayFormat", &F::DateTimeDisplayFormat, &F::SetDateTimeDisplayFormat,
       &TFormatFieldsDefaults::DateTimeDisplayFormat},
      {"NumericDisplayFormat", &F::NumericDisplayFormat, &F::SetNumericDisplayFormat,
       &TFormatFieldsDefaults::NumericDisplayFormat},
      {"NumericEditFormat", &F::NumericEditFormat, &F::SetNumericEditFormat,
       &TFormatFieldsDefaults::NumericEditFormat},
      {"DisplayFormatDate", &F::DisplayFormatDate, &F::SetDisplayFormatDate,
       &TFormatFieldsDefaults::DisplayFormatDate},
      {"DisplayFormatTime", &F::DisplayFormatTime, &F::SetDisplayFormatTime,
       &TFormatFieldsDefaults::DisplayFormatTime},
  };
  for (const Format& format : kFormats) {
    StoredProperties<F>()
        .String(format.Name, format.Get, format.Set, std::nullopt)
        .Stored([&format](const F& f) { return (f.*format.Get)() != DefaultFormatFields().*format.Default; });
  }
  StoredProperties<TpFIBDataSet>().Object("DefaultFormats",
                                          [](TpFIBDataSet& d) { return &d.DefaultFormats(); });
}

}  // namespace

void RegisterFIBDataSetStreaming() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterFIBStreaming();
    RegisterDBStreaming();
    RegisterComponentClass<TFIBDataSet>();
    RegisterComponentClass<TpFIBDataSet>();
    RegisterOwnedPartsClass(TFIBCustomDataSet::StaticClass());
    RegisterDataSet();
    RegisterDefaultFormats();
  });
}

}  // namespace ordvane
