#pragma once
// Option objects that the database and transaction components publish as nested
// properties, and the option sets of statements and datasets. Each object belongs to its
// owner component and is copied by Assign.

#include "classlib/core/Components.h"
#include "classlib/core/StringLists.h"
#include "dbclient/fib.h"

namespace ordvane {

class TFIBDatabase;

// ---- Option sets of statements and datasets ------------------------------------------

enum TpFIBQueryOption { qoStartTransaction, qoAutoCommit, qoTrimCharFields, qoNoForceIsNull, qoFreeHandleAfterExecute };
using TpFIBQueryOptions = TSet<TpFIBQueryOption>;

enum TpFIBDsOption {
  poTrimCharFields,
  poRefreshAfterPost,
  poRefreshDeletedRecord,
  poStartTransaction,
  poAutoFormatFields,
  poProtectedEdit,
  poUseSelectForLock,
  poKeepSorting,
  poPersistentSorting,
  poVisibleRecno,
  poNoForceIsNull,
  poFetchAll,
  poFreeHandlesAfterClose,
  poCacheCalcFields,
  poRefreshAfterDelete
};
using TpFIBDsOptions = TSet<TpFIBDsOption>;

enum TpPrepareOption {
  pfSetRequiredFields,
  pfSetReadOnlyFields,
  pfImportDefaultValues,
  psUseBooleanField,
  psUseGuidField,
  psSQLINT64ToBCD,
  psApplyRepositary,
  psGetOrderInfo,
  psAskRecordCount,
  psCanEditComputedFields,
  psSetEmptyStrToNull,
  psSupportUnicodeBlobs,
  psUseLargeIntField
};
using TpPrepareOptions = TSet<TpPrepareOption>;

enum TDetailCondition { dcForceOpen, dcIgnoreMasterClose, dcForceMasterRefresh, dcWaitEndMasterScroll };
using TDetailConditions = TSet<TDetailCondition>;

enum TFieldOriginRule { forNoRule, forTableAndFieldName, forClientFieldName, forTableAliasAndFieldName };

// ---- Database options --------------------------------------------------------------

// The database's connection parameter lines (name=value, see FIBParamBlocks.h). The
// database is asked before every change (it refuses changes while connected) and told
// after it (the parameter block is then built again at the next connect).
class TDBParams : public TStringList {
  ORDVANE_CLASS(TDBParams, TStringList)

 public:
  explicit TDBParams(TFIBDatabase* owner) : fOwner(owner) {}
  TPersistent* GetOwner() const override;

 protected:
  void Changing() override;
  void Changed() override;

 private:
  TFIBDatabase* fOwner;
};

// InterBase 2007's instance name, kept in the database's parameter lines. The Firebird
// client reads the code of instance_name as another parameter, so a database with this
// line set refuses to connect (DPB error 8).
class TIBConnectParams : public TPersistent {
  ORDVANE_CLASS(TIBConnectParams, TPersistent)

 public:
  explicit TIBConnectParams(TFIBDatabase* owner) : fOwner(owner) {}
  AnsiString InstanceName() const;
  void SetInstanceName(const AnsiString& value);
  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override;

 private:
  TFIBDatabase* fOwner;
};

// User name, password, role and character set, read from and written to the owner
// database's parameter lines (user_name, password, sql_role_name, lc_ctype). They are not
// stored anywhere else; without an owner database they do nothing.
class TConnectParams : public TPersistent {
  ORDVANE_CLASS(TConnectParams, TPersistent)

 public:
  explicit TConnectParams(TFIBDatabase* owner) : fOwner(owner), fIB2007(owner) {}

  AnsiString UserName() const;
  void SetUserName(const AnsiString& value);
  AnsiString Password() const;
  void SetPassword(const AnsiString& value);
  AnsiString RoleName() const;
  void SetRoleName(const AnsiString& value);
  AnsiString CharSet() const;
  // Upper-cased (ASCII letters) before it is set: "win1251" becomes WIN1251.
  void SetCharSet(const AnsiString& value);
  TIBConnectParams& IB2007() { return fIB2007; }

  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override;

 private:
  AnsiString Get(int code) const;
  void Set(int code, const AnsiString& value);

  TFIBDatabase* fOwner;
  TIBConnectParams fIB2007;
};

// Swapping large blobs to local files (used by the local blob cache).
class TBlobSwapSupport : public TPersistent {
  ORDVANE_CLASS(TBlobSwapSupport, TPersistent)

 public:
  explicit TBlobSwapSupport(TComponent* owner) : fOwner(owner) {}

  bool Active() const { return fActive; }
  void SetActive(bool value) { fActive = value; }
  const AnsiString& SwapDir() const { return fSwapDir; }
  void SetSwapDir(const AnsiString& value) { fSwapDir = value; }
  Integer MinBlobSizeToSwap() const { return fMinBlobSizeToSwap; }
  void SetMinBlobSizeToSwap(Integer value) { fMinBlobSizeToSwap = value; }

  // The folder for swapped blobs, ending with a path delimiter: empty when not Active; a
  // value beginning with "{APP_PATH}" (any letter case) stands for the program's folder
  // followed by the rest of the value. Stored "\" delimiters become "/".
  AnsiString ExpandSwapDir() const;

  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override { return fOwner; }

 private:
  TComponent* fOwner;
  bool fActive = false;
  AnsiString fSwapDir = "{APP_PATH}";
  Integer fMinBlobSizeToSwap = 0;
};

enum TCSMonitorEnabled { csmeDisabled, csmeEnabled, csmeDatabaseDriven, csmeTransactionDriven };

class EFIBCSMonitorError : public Exception {
 public:
  using Exception::Exception;
};

// Whether a component's statements carry the client-side monitor comment. The default
// follows the owner: a database is disabled, a transaction driven by its database, a
// statement or dataset driven by its transaction.
class TCSMonitorSupport : public TPersistent {
  ORDVANE_CLASS(TCSMonitorSupport, TPersistent)

 public:
  explicit TCSMonitorSupport(TComponent* owner);

  TCSMonitorEnabled Enabled() const { return fEnabled; }
  // A transaction refuses csmeTransactionDriven, a database csmeDatabaseDriven and
  // csmeTransactionDriven: EFIBCSMonitorError "This object cannot use this value".
  void SetEnabled(TCSMonitorEnabled value);
  bool IncludeDatasetDescription() const { return fIncludeDatasetDescription; }
  void SetIncludeDatasetDescription(bool value);

  // Told after either setting changed (a dataset copies them to its statements).
  TNotifyEvent OnChange;

  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override { return fOwner; }

 private:
  TComponent* fOwner;
  TCSMonitorEnabled fEnabled;
  bool fIncludeDatasetDescription = true;
};

// Where and when the metadata caches are kept in a local file.
class TCacheSchemaOptions : public TPersistent {
  ORDVANE_CLASS(TCacheSchemaOptions, TPersistent)

 public:
  explicit TCacheSchemaOptions(TComponent* owner) : fOwner(owner) {}

  const AnsiString& LocalCacheFile() const { return fLocalCacheFile; }
  void SetLocalCacheFile(const AnsiString& value) { fLocalCacheFile = value; }
  bool AutoSaveToFile() const { return fAutoSaveToFile; }
  void SetAutoSaveToFile(bool value) { fAutoSaveToFile = value; }
  bool AutoLoadFromFile() const { return fAutoLoadFromFile; }
  void SetAutoLoadFromFile(bool value) { fAutoLoadFromFile = value; }
  bool ValidateAfterLoad() const { return fValidateAfterLoad; }
  void SetValidateAfterLoad(bool value) { fValidateAfterLoad = value; }

  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override { return fOwner; }

 private:
  TComponent* fOwner;
  AnsiString fLocalCacheFile;
  bool fAutoSaveToFile = false;
  bool fAutoLoadFromFile = false;
  bool fValidateAfterLoad = true;
};

// ---- Named WHERE conditions of a statement -----------------------------------------

class TCondition : public TObject {
  ORDVANE_CLASS(TCondition, TObject)

 public:
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool value) { fEnabled = value; }

 private:
  bool fEnabled = false;
};

// Named conditions that can be and-ed to the main WHERE clause of a statement's text: one
// Name=Text line per condition, each with its TCondition (owned). Apply keeps the text as
// it was before (the base) and puts the enabled conditions into it; CancelApply puts the
// base back and forgets it, so the next Apply starts from the text as it is then.
//
// The statement cancels before every change of its text, so a change made while
// conditions are applied is made to the base. CancelApply then changes the text list
// inside that list's own change notification; the list checks the index of the edit in
// progress again afterwards, so an edit at a line the base lacks raises the list's index
// error instead of landing elsewhere. Inside Apply it does nothing.
class TConditions : public TStringList {
  ORDVANE_CLASS(TConditions, TStringList)

 public:
  // sqlText: the statement's text, which Apply and CancelApply change.
  TConditions(TComponent* owner, TStrings* sqlText);
  TPersistent* GetOwner() const override { return fOwner; }

  // Replaces the text of a listed name, else adds a condition; an enabled condition makes
  // the applied text out of date.
  TCondition* AddCondition(const AnsiString& name, const AnsiString& text, bool enabled);
  TCondition* FindCondition(const AnsiString& name) const;
  void RemoveCondition(const AnsiString& name);
  // nullptr for a line that was added around AddCondition.
  TCondition* Condition(int index) const;

  // "(text)" of every enabled condition with a non-blank text, joined by line breaks and
  // " and ".
  AnsiString ConditionsText() const;
  // The base text, and-ed with the enabled conditions (an existing WHERE condition stays
  // in brackets of its own).
  void Apply();
  // The base text back, when conditions were applied.
  void CancelApply();
  // The text holds the conditions as they are now.
  bool Applied() const { return fApplied; }
  // The statement's text before the conditions went in; empty when none are applied.
  const AnsiString& BaseSQL() const { return fBaseSQL; }

  // Plain lines Name#$#$Text#$#$1 (0 for a disabled condition), and back.
  void SaveToPlainLines(TStrings& lines) const;
  void LoadFromPlainLines(const TStrings& lines);

  // The conditions of another TConditions, copied.
  void Assign(const TPersistent* source) override;

 private:
  bool EnabledAt(int index) const;

  TComponent* fOwner;
  TStrings* fSQLText;
  AnsiString fBaseSQL;
  bool fBaseSaved = false;
  bool fApplied = false;
  bool fBusy = false;
};

}  // namespace ordvane
