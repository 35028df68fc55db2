#pragma once
// The buffered dataset over SQL statements: TFIBCustomDataSet owns its select, insert,
// update, delete and refresh statements, its record cache and the descriptors of its
// columns, and refers to a read and an update transaction that it does not own.
//
// This unit holds construction, the properties and their guards, preparation, the field
// definitions and classes, the record layout, the storing of fetched rows into the
// cache, and the field origin. The navigation over the cache (open, fetch on demand,
// bookmarks, field values) is the next layer's: the record-buffer protocol of TDataSet
// that is not answered here stays abstract, and a concrete dataset closes itself in its
// own destructor.
//
// The record buffer: bytes 0-3 the record index, byte 4 the bookmark flag, byte 5 the
// cached-update status, then one null flag per select column, the column values and
// string areas at their descriptors' offsets, the blob-stream pointers and the calculated
// fields. The cache stores everything from byte 5 on.

#include <map>
#include <memory>
#include <vector>

#include "classlib/core/Timers.h"
#include "classlib/db/DataSet.h"
#include "datasets/FIBCacheManage.h"
#include "datasets/FIBDataSetOptions.h"
#include "datasets/FIBMetaCache.h"
#include "datasets/pFIBFieldsDescr.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBQuery.h"

namespace ordvane {

// The mouse cursor shown while a dataset works with the server; 0 shows none.
using TSQLScreenCursor = SmallInt;
inline constexpr TSQLScreenCursor crSQLDefault = 0;

using TOnFetchRecord = TEvent<void(TFIBQuery* fromQuery, Integer recordNumber, bool& stopFetching)>;
using TCompareFieldValues = TEvent<int(TField* field, const Variant& value1, const Variant& value2)>;

// The order the records are in: one entry per sort field, most significant first.
struct TSortFieldInfo {
  AnsiString FieldName;
  bool Ascending = true;
  bool operator==(const TSortFieldInfo&) const = default;
};
using TOrderInfo = std::vector<TSortFieldInfo>;

// Record-buffer header.
inline constexpr int RecordIndexOffset = 0;
inline constexpr int BookmarkFlagOffset = 4;
inline constexpr int StatusOffset = 5;
inline constexpr int NullFlagsOffset = 6;
// Bits of the status byte.
inline constexpr Byte CachedStatusMask = 0x07;
inline constexpr Byte CalcFieldsCachedBit = 0x80;

class TFIBCustomDataSet : public TDataSet {
  ORDVANE_CLASS(TFIBCustomDataSet, TDataSet)

 public:
  explicit TFIBCustomDataSet(TComponent* owner);
  ~TFIBCustomDataSet() override;

  // ---- Database and transactions
  TFIBDatabase* Database() const { return fBase->Database(); }
  // The dataset must be closed (" change database "). A new database with a
  // DefaultUpdateTransaction gives it to a dataset without an update transaction of its
  // own, unless either of them is loading.
  void SetDatabase(TFIBDatabase* value);
  TFIBTransaction* Transaction() const { return fBase->Transaction(); }
  // The dataset must be closed (" change transaction "). The modifying statements follow
  // when they shared the select statement's transaction; else only the refresh statement,
  // when it reads in the read transaction.
  void SetTransaction(TFIBTransaction* value);
  TFIBTransaction* UpdateTransaction() const { return fDeleteQuery->Transaction(); }
  virtual void SetUpdateTransaction(TFIBTransaction* value);
  TTransactionKind RefreshTransactionKind() const { return fRefreshTransactionKind; }
  void SetRefreshTransactionKind(TTransactionKind value);
  TFIBBase& Base() { return *fBase; }

  // ---- SQL
  TStrings& SelectSQL() { return fSelectQuery->SQL(); }
  // The dataset must be closed (" change SelectSQL ").
  void SetSelectSQL(const TStrings& value);
  TStrings& InsertSQL() { return fInsertQuery->SQL(); }
  void SetInsertSQL(const TStrings& value) { fInsertQuery->SQL().Assign(&value); }
  TStrings& UpdateSQL() { return fUpdateQuery->SQL(); }
  void SetUpdateSQL(const TStrings& value) { fUpdateQuery->SQL().Assign(&value); }
  TStrings& DeleteSQL() { return fDeleteQuery->SQL(); }
  void SetDeleteSQL(const TStrings& value) { fDeleteQuery->SQL().Assign(&value); }
  TStrings& RefreshSQL() { return fRefreshQuery->SQL(); }
  void SetRefreshSQL(const TStrings& value) { fRefreshQuery->SQL().Assign(&value); }
  TSQLs& SQLs() { return fSQLs; }
  // The select statement's named WHERE conditions.
  TConditions& Conditions() { return fSelectQuery->Conditions(); }
  void SetConditions(const TConditions& value) { fSelectQuery->Conditions().Assign(&value); }

  TFIBQuery& SelectQuery() const { return *fSelectQuery; }
  TFIBQuery& InsertQuery() const { return *fInsertQuery; }
  TFIBQuery& UpdateQuery() const { return *fUpdateQuery; }
  TFIBQuery& DeleteQuery() const { return *fDeleteQuery; }
  TFIBQuery& RefreshQuery() const { return *fRefreshQuery; }

  // ---- Options
  TpFIBDsOptions Options() const { return fOptions; }
  virtual void SetOptions(TpFIBDsOptions value) { fOptions = value; }
  TpPrepareOptions PrepareOptions() const { return fPrepareOptions; }
  // A change of psUseBooleanField, psSQLINT64ToBCD or psUseLargeIntField needs the dataset
  // closed (unless it is loading) and rebuilds the field definitions of a prepared one.
  virtual void SetPrepareOptions(TpPrepareOptions value);
  // dcWaitEndMasterScroll exactly when the master-scroll wait timer runs with an interval.
  TDetailConditions DetailConditions() const;
  void SetDetailConditions(TDetailConditions value);
  TFIBUpdateRecordTypes UpdateRecordTypes() const { return fUpdateRecordTypes; }
  // An open dataset moves to its first record.
  void SetUpdateRecordTypes(TFIBUpdateRecordTypes value);
  TUpdateKinds AllowedUpdateKinds() const { return fAllowedUpdateKinds; }
  void SetAllowedUpdateKinds(TUpdateKinds value) { fAllowedUpdateKinds = value; }
  bool CachedUpdates() const { return fCachedUpdates; }
  void SetCachedUpdates(bool value) { fCachedUpdates = value; }
  bool UniDirectional() const { return IsUniDirectional(); }
  // The dataset must be closed (" change Unidirectional property ").
  void SetUniDirectional(bool value);
  bool AutoCommit() const { return fAutoCommit; }
  void SetAutoCommit(bool value) { fAutoCommit = value; }
  TFieldOriginRule FieldOriginRule() const { return fFieldOriginRule; }
  void SetFieldOriginRule(TFieldOriginRule value) { fFieldOriginRule = value; }
  TSQLScreenCursor SQLScreenCursor() const { return fSQLScreenCursor; }
  void SetSQLScreenCursor(TSQLScreenCursor value) { fSQLScreenCursor = value; }
  TCacheModelOptions& CacheModelOptions() { return fCacheModelOptions; }
  TAutoUpdateOptions& AutoUpdateOptions() { return fAutoUpdateOptions; }
  TCSMonitorSupport& CSMonitorSupport() { return fCSMonitorSupport; }
  // Milliseconds of the master-scroll and end-scroll timers.
  Cardinal ScrollTimerInterval() const { return fScrollTimerInterval; }
  TTimer* MasterScrollTimer() const { return fMasterScrollTimer.get(); }

  // ---- Events
  TNotifyEvent DatabaseDisconnecting, DatabaseDisconnected, DatabaseFree;
  TNotifyEvent TransactionEnding, TransactionEnded, TransactionFree;
  TNotifyEvent BeforeStartTransaction, AfterStartTransaction;
  TNotifyEvent BeforeStartUpdateTransaction, AfterStartUpdateTransaction;
  TEndTrEvent BeforeEndTransaction, AfterEndTransaction;
  TEndTrEvent BeforeEndUpdateTransaction, AfterEndUpdateTransaction;
  TOnFetchRecord BeforeFetchRecord, AfterFetchRecord;
  TCompareFieldValues OnCompareFieldValues;

  // ---- Preparation
  // Needs a database and a transaction (defaults applied first); an empty select text is
  // client error 37 with "Prepare " and the full name. Prepares the select statement and
  // builds the field definitions.
  virtual void Prepare();
  bool Prepared() const { return fPrepared; }
  // Every statement frees its server handle; the dataset counts as unprepared.
  void FreeHandles();
  // The select text changed since the last open.
  bool SQLChanged() const { return fSQLChanged; }

  // ---- Guards: EFIBClientError with the full component name
  // Client error 28 "Can't %s because %s dataset open." while the cursor is open.
  void CheckDatasetClosed(const AnsiString& operation) const;
  // Client error 29 while inactive.
  void CheckDatasetOpen(const AnsiString& operation) const;
  // Client error 53.
  void CheckNotUniDirectional() const;
  // Client error 22 without an update transaction; then it must be active.
  void CheckUpdateTransaction();
  // Client errors 46, 44 and 42 by the state (the saved state in dsNewValue/dsOldValue).
  void CheckEditState();

  // ---- Permissions and comparisons
  virtual bool CanEdit();
  virtual bool CanInsert();
  virtual bool CanDelete();
  // OnCompareFieldValues when assigned; else nulls first and equal to each other, values
  // by their typed comparison.
  virtual int CompareFieldValues(TField* field, const Variant& value1, const Variant& value2);
  TUpdateStatus UpdateStatus() override;
  bool IsSequenced() override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  void Post() override;
  void Resync(TResyncMode mode) override;
  void CheckInactive() const override;

  // ---- Fields
  // Through the lookup list; a name in double quotes loses them. EDatabaseError
  // "Field '%s' not found" when there is none.
  TField* FindFieldOrRaise(const AnsiString& name);
  // The same look-up; nullptr when there is no such field.
  TField* LookupField(const AnsiString& name);
  TFieldClass GetFieldClass(TFieldType fieldType) override;
  // The select statement's column of a field (by its field number), or nullptr.
  TFIBXSQLVAR* ColumnOf(const TField* field) const;

  // ---- Order of the records
  // Empty when no order is known.
  const TOrderInfo& OrderInfo() const { return fOrderInfo; }
  // localSort: the records were put in this order here, not by the server.
  void SetOrderInfo(const TOrderInfo& value, bool localSort);
  void ClearOrderInfo();
  // A local sort put the records in the order of OrderInfo.
  bool Sorted() const { return fSorted; }
  // False without order information; else whether every sort field is a field.
  bool AllSortFieldsExist();

  // ---- Field origin
  // "CALCULATED" for a calculated field; a lookup field asks its lookup dataset.
  AnsiString GetRelationTableName(TField* field);
  AnsiString GetRelationTableName(const TFieldDef* fieldDef);
  // The column's own name ("DB_KEY" reads "RDB$DB_KEY").
  AnsiString GetRelationFieldName(TField* field);
  AnsiString GetRelationFieldName(const TFieldDef* fieldDef);
  // The column's scale; 100 for a field without a column.
  Integer GetFieldScale(const TField* field) const;
  AnsiString GetFieldOrigin(TField* field);
  // Names as written in dialect 3 (unless the database upper-cases old names), else
  // upper-cased unless quoted; enclosing quotes go.
  TField* FindFieldByRelation(const AnsiString& table, const AnsiString& column);
  TField* FindFieldByOrigin(const AnsiString& origin);

  // ---- Record layout and cache
  TFIBFieldDescrList& FieldDescriptors() { return fDescriptors; }
  TRecordsCache* RecordsCache() const { return fRecordsCache.get(); }
  Integer RecordSize() const { return fRecordSize; }
  Integer RecordBufferSize() const { return fRecordBufferSize; }
  Integer CachedRecordSize() const { return fCachedRecordSize; }
  Integer BlobStreamOffset() const { return fBlobStreamOffset; }
  Integer CalcFieldsOffset() const { return fCalcFieldsOffset; }
  Integer FetchedCount() const { return fFetchedCount; }
  // The descriptors and sizes from the select statement's columns.
  void CalcRecordLayout();
  // Stores the statement's current row as record recordIndex (0-based). A statement other
  // than the select statement gives the columns whose names the select has, converted into
  // the select column's layout when their types differ.
  void FetchCurrentRecordToBuffer(TFIBQuery& statement, Integer recordIndex);
  void ReadRecordCache(Integer recordIndex, TRecordBuffer buffer, bool oldVersion);
  void WriteRecordCache(Integer recordIndex, TRecordBuffer buffer);
  void SaveOldVersion(TRecordBuffer buffer);
  // The previous version of a record (-1: the active one) as a record buffer owned by
  // the dataset, valid until the next call.
  TRecordBuffer GetOldRecordBuffer(Integer recordIndex);
  // The cache record of a record index: index + 1, or a ring of BufferChunks records in
  // the limited model and when uni-directional.
  Integer CacheRecordNo(Integer recordIndex) const;

 protected:
  // Open steps 11-13: the layout, the buffer sizes and a new cache with its string slots.
  void CreateRecordCache();
  void FreeRecordCache();
  void InternalInitFieldDefs() override;
  void CheckFieldCompatibility(TField* field, TFieldDef* fieldDef) override;
  void DestroyFields() override;
  void BindFields(bool binding) override;
  void Notification(TComponent* component, TOperation operation) override;

  // The record-buffer protocol answered from the layout.
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  bool IsCursorOpen() override { return fCursorOpen; }
  Word GetRecordSize() override { return static_cast<Word>(fRecordSize); }

  virtual void DoTransactionEnding();
  virtual void DoTransactionEnded();
  virtual void DoAfterEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force);

  // The select statement must be prepared again before the next open.
  void Unprepare() { fPrepared = false; }
  static Integer RecordIndexOf(TRecordBuffer buffer);
  static void SetRecordIndex(TRecordBuffer buffer, Integer index);
  // The record the framework's active buffer holds, or -1.
  Integer ActiveRecordIndex() const;

  bool fCursorOpen = false;
  Integer fCurrentRecord = -1;
  Integer fFetchedCount = 0;
  // Set while the dataset rebuilds itself internally: the closed check is waived.
  bool fInternalReopen = false;
  // Set by the dataset's own scrolling and posting: the next Resync is deferred.
  bool fNeedResync = false;
  int fPendingResyncs = 0;

 private:
  TFIBQuery* CreateStatement(const AnsiString& name);
  // The record cache; client error 29 while there is none.
  TRecordsCache& Cache(const AnsiString& operation) const;
  // Every statement's text change: the generated key condition is out of date; a change
  // of the select text also refuses an open dataset and forgets what the old text gave.
  void StatementSQLChanging(TObject* sender);
  // The monitor settings go to every statement.
  void MonitorSupportChanged(TObject* sender);
  // The handlers each transaction hears from: start before and after as events, end
  // before and after as callbacks, for the read or the update side.
  void TransactionHandlers(TFIBTransaction* transaction, bool updateSide, bool add);
  void AddTransactionHandlers(TFIBTransaction* transaction, bool updateSide);
  void RemoveTransactionHandlers(TFIBTransaction* transaction, bool updateSide);
  void DoBeforeStartTransaction(TObject* sender);
  void DoAfterStartTransaction(TObject* sender);
  void DoBeforeStartUpdateTransaction(TObject* sender);
  void DoAfterStartUpdateTransaction(TObject* sender);
  void DoBeforeEndTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force);
  void DoAfterEndTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force);
  void DoBeforeEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force);
  void LinkDatabaseDisconnecting(TFIBBase* link);
  void LinkDatabaseDisconnected(TFIBBase* link);
  void LinkDatabaseFree(TFIBBase* link);
  void LinkTransactionEnding(TFIBBase* link);
  void LinkTransactionEnded(TFIBBase* link);
  void LinkTransactionFree(TFIBBase* link);
  // Database from the transaction, transaction from the database, the transaction started
  // when asked.
  void ApplyConnectionDefaults();
  bool OwnersLoading(const TComponent* component) const;
  // The definition for one select column; false for a type that has none.
  bool ColumnFieldDef(const TFIBXSQLVAR& column, TFieldType& type, Integer& size);
  // The table cache's description of the column's domain says Boolean or GUID.
  bool ColumnDomainIs(const TFIBXSQLVAR& column, bool (TpFIBFieldInfo::*test)() const);
  TFIBCharKind CharKindOfColumn(int column);
  void ClearDerivedFromSelect();
  void StoreInScratch(TFIBQuery& statement, Integer recordNo);

  std::unique_ptr<TFIBBase> fBase;
  TCSMonitorSupport fCSMonitorSupport{this};
  TFIBQuery* fDeleteQuery;
  TFIBQuery* fInsertQuery;
  TFIBQuery* fRefreshQuery;
  TFIBQuery* fUpdateQuery;
  TFIBQuery* fSelectQuery;
  // Name look-ups: the field of each name asked for, emptied whenever fields die.
  std::map<AnsiString, TField*> fFieldLookup;
  TFIBFieldDescrList fDescriptors;
  TSQLs fSQLs{this};
  TAutoUpdateOptions fAutoUpdateOptions{this};
  TCacheModelOptions fCacheModelOptions{this};
  std::unique_ptr<TTimer> fMasterScrollTimer;
  std::unique_ptr<TRecordsCache> fRecordsCache;
  std::vector<Byte> fScratchRecord;
  std::vector<Byte> fOldRecord;
  TOrderInfo fOrderInfo;
  bool fSorted = false;

  TTransactionKind fRefreshTransactionKind = tkReadTransaction;
  TpFIBDsOptions fOptions = DefaultDataSetOptions;
  TpPrepareOptions fPrepareOptions = DefaultPrepareOptions;
  TDetailConditions fDetailConditions = DefaultDetailConditions;
  TFIBUpdateRecordTypes fUpdateRecordTypes{cusUnmodified, cusModified, cusInserted};
  TUpdateKinds fAllowedUpdateKinds{ukModify, ukInsert, ukDelete};
  bool fCachedUpdates = false;
  bool fAutoCommit = false;
  TFieldOriginRule fFieldOriginRule = forTableAndFieldName;
  TSQLScreenCursor fSQLScreenCursor = crSQLDefault;
  Cardinal fScrollTimerInterval = 300;
  bool fPrepared = false;
  bool fSQLChanged = false;

  Integer fRecordSize = 0;
  Integer fCachedRecordSize = 0;
  Integer fBlobStreamOffset = 0;
  Integer fCalcFieldsOffset = 0;
  Integer fRecordBufferSize = 0;
};

// Publishes the properties of TFIBCustomDataSet.
class TFIBDataSet : public TFIBCustomDataSet {
  ORDVANE_CLASS(TFIBDataSet, TFIBCustomDataSet)

 public:
  using TFIBCustomDataSet::TFIBCustomDataSet;
};

}  // namespace ordvane
