#pragma once
// The option objects and sets that a dataset publishes: its five SQL texts as one object,
// the automatic-update settings, the cache model, the cached-update statuses, and the
// per-member names under which the option sets are stored.

#include <vector>

#include "classlib/core/StringLists.h"
#include "classlib/db/DBTypes.h"
#include "dbclient/FIBProps.h"

namespace ordvane {

class TFIBCustomDataSet;

enum TTransactionKind { tkReadTransaction, tkUpdateTransaction };
enum TCacheModelKind { cmkStandard, cmkLimitedBufferSize };
enum TCachedUpdateStatus { cusUnmodified, cusModified, cusInserted, cusDeleted, cusUninserted, cusDeletedApplied };
using TFIBUpdateRecordTypes = TSet<TCachedUpdateStatus>;
using TUpdateKinds = TSet<TUpdateKind>;
enum TWhenGetGenID { wgNever, wgOnNewRecord, wgBeforePost };

inline constexpr TpFIBDsOptions DefaultDataSetOptions =
    TpFIBDsOptions{poTrimCharFields, poRefreshAfterPost, poStartTransaction, poAutoFormatFields};
inline constexpr TpPrepareOptions DefaultPrepareOptions =
    TpPrepareOptions{pfImportDefaultValues, psUseBooleanField, psGetOrderInfo, psSetEmptyStrToNull};
inline constexpr TDetailConditions DefaultDetailConditions{};

// The dataset's SelectSQL, UpdateSQL, DeleteSQL, InsertSQL and RefreshSQL as one object.
class TSQLs : public TPersistent {
  ORDVANE_CLASS(TSQLs, TPersistent)

 public:
  explicit TSQLs(TFIBCustomDataSet* owner) : fOwner(owner) {}
  TStrings& SelectSQL() const;
  void SetSelectSQL(const TStrings& value);
  TStrings& UpdateSQL() const;
  void SetUpdateSQL(const TStrings& value);
  TStrings& DeleteSQL() const;
  void SetDeleteSQL(const TStrings& value);
  TStrings& InsertSQL() const;
  void SetInsertSQL(const TStrings& value);
  TStrings& RefreshSQL() const;
  void SetRefreshSQL(const TStrings& value);

  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override;

 private:
  TFIBCustomDataSet* fOwner;
};

// Which table a dataset's changes go to, its key fields and how its keys are generated.
class TAutoUpdateOptions : public TPersistent {
  ORDVANE_CLASS(TAutoUpdateOptions, TPersistent)

 public:
  explicit TAutoUpdateOptions(TFIBCustomDataSet* owner) : fOwner(owner) {}

  const AnsiString& UpdateTableName() const { return fUpdateTableName; }
  // A second word is the table's alias. With a generator mode and no generator name the
  // name becomes GEN_<table>_ID ("GEN_<table>_ID" in quotes for a quoted table).
  void SetUpdateTableName(const AnsiString& value);
  const AnsiString& KeyFields() const { return fKeyFields; }
  // ";"-separated; the names are also kept one by one (KeyFieldList). The generated key
  // condition is forgotten, so no statement keeps the old key's WHERE.
  void SetKeyFields(const AnsiString& value);
  const TStringList& KeyFieldList() const { return fKeyFieldList; }
  bool AutoReWriteSqls() const { return fAutoReWriteSqls; }
  void SetAutoReWriteSqls(bool value) { fAutoReWriteSqls = value; }
  bool CanChangeSQLs() const { return fCanChangeSQLs; }
  void SetCanChangeSQLs(bool value) { fCanChangeSQLs = value; }
  const AnsiString& GeneratorName() const { return fGeneratorName; }
  void SetGeneratorName(const AnsiString& value) { fGeneratorName = value; }
  bool UpdateOnlyModifiedFields() const { return fUpdateOnlyModifiedFields; }
  // True only with AutoReWriteSqls and CanChangeSQLs set.
  void SetUpdateOnlyModifiedFields(bool value);
  TWhenGetGenID WhenGetGenID() const { return fWhenGetGenID; }
  void SetWhenGetGenID(TWhenGetGenID value) { fWhenGetGenID = value; }
  bool UsesGenerator() const { return fWhenGetGenID != wgNever; }
  // The older Boolean form of the generator mode: false is wgNever; true is wgBeforePost
  // unless a generator mode is set already.
  void SetGenBeforePost(bool value);
  // Older stored forms: "SelectGenID" True is wgBeforePost, False wgNever; a following
  // "GenBeforePost" then tells wgBeforePost (True) from wgOnNewRecord (False).
  void ReadSelectGenID(bool value);
  void ReadGenBeforePost(bool value);
  Integer GeneratorStep() const { return fGeneratorStep; }
  void SetGeneratorStep(Integer value) { fGeneratorStep = value; }
  TStringList& ParamsToFieldsLinks() { return fParamsToFieldsLinks; }
  void SetParamsToFieldsLinks(const TStrings& value) { fParamsToFieldsLinks.Assign(&value); }
  bool AutoParamsToFields() const { return fAutoParamsToFields; }
  void SetAutoParamsToFields(bool value) { fAutoParamsToFields = value; }
  bool SeparateBlobUpdate() const { return fSeparateBlobUpdate; }
  void SetSeparateBlobUpdate(bool value) { fSeparateBlobUpdate = value; }
  bool UseExecuteBlock() const { return fUseExecuteBlock; }
  void SetUseExecuteBlock(bool value) { fUseExecuteBlock = value; }

  // The update table and its alias as SQL writes them (resolved once, then cached): the
  // alias is the one UpdateTableName gives, else the select text's, else the table.
  // Dialect 1 upper-cases; other dialects quote a name that needs it and upper-case the
  // rest, names already in quotes staying as written.
  AnsiString ModifyTable();
  AnsiString AliasModifyTable();
  // A table, alias, column or parameter name as the modifying statements write it: the
  // rule above.
  AnsiString FormatIdentifier(const AnsiString& name) const;
  // Forgets the resolved names (the select text or the database changed).
  void ClearModifyTable() { fResolved = false; }

  // The key condition last generated for the modifying statements and the select text it
  // was generated against; emptied whenever a text of the dataset's statements changes
  // (the key condition also when UpdateTableName does).
  const AnsiString& KeyCondition() const { return fKeyCondition; }
  const AnsiString& KeyConditionSelect() const { return fKeyConditionSelect; }
  void SetKeyConditionCache(const AnsiString& condition, const AnsiString& select);
  void ClearKeyConditionCache();

  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override;

 private:
  void Resolve();

  TFIBCustomDataSet* fOwner;
  AnsiString fUpdateTableName;
  AnsiString fKeyFields;
  TStringList fKeyFieldList;
  bool fAutoReWriteSqls = false;
  bool fCanChangeSQLs = false;
  AnsiString fGeneratorName;
  bool fUpdateOnlyModifiedFields = false;
  TWhenGetGenID fWhenGetGenID = wgNever;
  Integer fGeneratorStep = 1;
  TStringList fParamsToFieldsLinks;
  bool fAutoParamsToFields = false;
  bool fSeparateBlobUpdate = false;
  bool fUseExecuteBlock = false;
  bool fSelectGenIDRead = false;
  AnsiString fKeyCondition;
  AnsiString fKeyConditionSelect;
  bool fResolved = false;
  AnsiString fModifyTable;
  AnsiString fAliasModifyTable;
};

// The display and edit formats a dataset gives its fields with poAutoFormatFields. A new
// object takes the process-wide defaults (DefaultFormatFields), which start as shown.
struct TFormatFieldsDefaults {
  AnsiString DateTimeDisplayFormat = "dd.mm.yyyy hh:mm AMPM";
  AnsiString NumericDisplayFormat = "#,##0.";
  AnsiString NumericEditFormat = "0.";
  AnsiString DisplayFormatDate = "dd.mm.yyyy";
  AnsiString DisplayFormatTime = "hh:mm AMPM";
};
TFormatFieldsDefaults& DefaultFormatFields();

class TFormatFields : public TPersistent {
  ORDVANE_CLASS(TFormatFields, TPersistent)

 public:
  explicit TFormatFields(TFIBCustomDataSet* owner);
  const AnsiString& DateTimeDisplayFormat() const { return fFormats.DateTimeDisplayFormat; }
  void SetDateTimeDisplayFormat(const AnsiString& value) { fFormats.DateTimeDisplayFormat = value; }
  const AnsiString& NumericDisplayFormat() const { return fFormats.NumericDisplayFormat; }
  void SetNumericDisplayFormat(const AnsiString& value) { fFormats.NumericDisplayFormat = value; }
  const AnsiString& NumericEditFormat() const { return fFormats.NumericEditFormat; }
  void SetNumericEditFormat(const AnsiString& value) { fFormats.NumericEditFormat = value; }
  const AnsiString& DisplayFormatDate() const { return fFormats.DisplayFormatDate; }
  void SetDisplayFormatDate(const AnsiString& value) { fFormats.DisplayFormatDate = value; }
  const AnsiString& DisplayFormatTime() const { return fFormats.DisplayFormatTime; }
  void SetDisplayFormatTime(const AnsiString& value) { fFormats.DisplayFormatTime = value; }

  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override;

 private:
  TFIBCustomDataSet* fOwner;
  TFormatFieldsDefaults fFormats;
};

// How a dataset caches its records. The values are kept here; the dataset reacts to a
// change of model when it opens.
inline constexpr Integer DefaultBufferChunks = 32;
inline constexpr Integer LimitedModelMinChunks = 100;

class TCacheModelOptions : public TPersistent {
  ORDVANE_CLASS(TCacheModelOptions, TPersistent)

 public:
  explicit TCacheModelOptions(TFIBCustomDataSet* owner) : fOwner(owner) {}

  TCacheModelKind CacheModelKind() const { return fCacheModelKind; }
  // The dataset must be closed; the limited model only where the dataset can use it
  // (client error 75), and then with at least 100 chunks.
  void SetCacheModelKind(TCacheModelKind value);
  Integer BufferChunks() const { return fBufferChunks; }
  // 0 or less gives 32; the limited model takes at least 100.
  void SetBufferChunks(Integer value);
  Integer BlobCacheLimit() const { return fBlobCacheLimit; }
  void SetBlobCacheLimit(Integer value) { fBlobCacheLimit = value; }
  TStringList& PlanForDescSQLs() { return fPlanForDescSQLs; }

  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override;

 private:
  TFIBCustomDataSet* fOwner;
  TCacheModelKind fCacheModelKind = cmkStandard;
  Integer fBufferChunks = DefaultBufferChunks;
  Integer fBlobCacheLimit = 0;
  TStringList fPlanForDescSQLs;
};

// The option sets are stored member by member, each under a name of its own as a
// Boolean ("True"/"False"), and only when it differs from the default.
enum class TStoredOptionSet { Options, PrepareOptions, DetailConditions };
struct TStoredOptionName {
  const char* name;
  TStoredOptionSet set;
  int member;
};
const std::vector<TStoredOptionName>& StoredOptionNames();

// The names a writer stores for the dataset's options, in table order.
std::vector<AnsiString> StoredOptionNamesToWrite(const TFIBCustomDataSet& dataSet);

}  // namespace ordvane
