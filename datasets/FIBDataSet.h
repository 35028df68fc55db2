#pragma once
// The buffered dataset over SQL statements: TFIBCustomDataSet owns its select, insert,
// update, delete and refresh statements, its record cache and the descriptors of its
// columns, and refers to a read and an update transaction that it does not own.
//
// The class is implemented by concern: FIBDataSet.cpp (construction, properties and
// guards, transaction ends and disconnects, events), FIBDataSetFields.cpp (preparation,
// field definitions and classes, field origin), FIBDataSetLayout.cpp (record buffers,
// layout and cache), FIBDataSetFetch.cpp (open, fetch, navigation, bookmarks),
// FIBDataSetValues.cpp (field values), FIBDataSetMaster.cpp (master parameters),
// FIBDataSetEditing.cpp (editing, posting, cached updates), FIBDataSetBlobs.cpp (blob
// streams), FIBDataSetArrays.cpp (array fields) and FIBDataSetFilter.cpp (client
// filter and lookup). The record buffer's layout is in FIBRecordBuffer.h.

#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <variant>
#include <unordered_map>
#include <memory>
#include <string_view>
#include <vector>

#include "classlib/core/ScreenCursor.h"
#include "classlib/core/Timers.h"
#include "classlib/db/DataSet.h"
#include "classlib/db/DataSource.h"
#include "datasets/FIBCacheManage.h"
#include "datasets/FIBDataSetBlobs.h"
#include "datasets/FIBDataSetOptions.h"
#include "datasets/FIBFilter.h"
#include "datasets/FIBMetaCache.h"
#include "datasets/FIBRecordBuffer.h"
#include "datasets/FIBRecordValues.h"
#include "datasets/pFIBFieldsDescr.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBQuery.h"

namespace ordvane {

using TOnFetchRecord = TEvent<void(TFIBQuery* fromQuery, Integer recordNumber, bool& stopFetching)>;
using TCompareFieldValues = TEvent<int(TField* field, const Variant& value1, const Variant& value2)>;
// What applying cached updates does with one record: uaApply and uaRetry send it, any
// other action leaves it pending. After a failed send: uaFail raises the error, uaAbort
// ends the run silently, uaSkip leaves the record pending, uaRetry sends it again and
// uaApplied counts it as applied.
enum TFIBUpdateAction { uaFail, uaAbort, uaSkip, uaRetry, uaApply, uaApplied };
using TFIBUpdateErrorEvent =
    TEvent<void(TDataSet* dataSet, EDatabaseError& e, TUpdateKind updateKind, TFIBUpdateAction& action)>;

// The order the records are in: one entry per sort field, most significant first.
struct TSortFieldInfo {
  AnsiString FieldName;
  bool Ascending = true;
  bool operator==(const TSortFieldInfo&) const = default;
};
using TOrderInfo = std::vector<TSortFieldInfo>;

// One item of a sort's field list: a field index, a field of the dataset, a field name, or
// a variant holding an index or a name.
class TSortFieldItem {
 public:
  TSortFieldItem(int index) : fItem(index) {}
  TSortFieldItem(TField* field) : fItem(field) {}
  TSortFieldItem(char name) : fItem(AnsiString(1, name)) {}
  TSortFieldItem(const char* name) : fItem(AnsiString(name != nullptr ? name : "")) {}
  TSortFieldItem(const AnsiString& name) : fItem(name) {}
  TSortFieldItem(const WideString& name) : fItem(name) {}
  TSortFieldItem(const Variant& value) : fItem(value) {}
  // The field of dataSet the item names, or nullptr.
  TField* Resolve(TDataSet& dataSet) const;

 private:
  std::variant<int, TField*, AnsiString, WideString, Variant> fItem;
};

// The dataset's locate options: the class library's two, then wildcards ("%" and "_"), a
// binary search over sorted records, the nearest record when nothing matches, and a
// step-by-step search.
enum TExtLocateOption {
  eloCaseInsensitive,
  eloPartialKey,
  eloWildCards,
  eloInSortedDS,
  eloNearest,
  eloStepSearch
};
using TExtLocateOptions = TSet<TExtLocateOption>;
// Where a search starts: the first record, the one after the current, the one before it.
enum TLocateDirection { ldFromFirst, ldForward, ldBackward };

class TSortKeys;
class TFIBCustomDataSet;

// The link through which a detail follows its master; the dataset owns it.
class TFIBDataLink : public TDetailDataLink {
  ORDVANE_CLASS(TFIBDataLink, TDetailDataLink)

 public:
  explicit TFIBDataLink(TFIBCustomDataSet& dataSet) : fDataSet(dataSet) {}
  TDataSet* GetDetailDataSet() override;

 protected:
  void ActiveChanged() override;
  // Before the master moves, posts or closes, the detail posts a pending change while the
  // master's values it was made under are still there: re-reading would lose it.
  void CheckBrowseMode() override;
  // Only a move to another master record re-reads the detail, not an edit of a field.
  void RecordChanged(TField* field) override;

 private:
  TFIBCustomDataSet& fDataSet;
};

class TFIBCustomDataSet : public TDataSet, public ISQLObject {
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
  // poStartTransaction and poNoForceIsNull reach the four modification statements.
  virtual void SetOptions(TpFIBDsOptions value);
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
  // Switching on needs the cursor closed and the standard cache model; switching off an
  // active dataset cancels its cached changes first.
  void SetCachedUpdates(bool value);
  // Cached changes wait to be applied: CachedUpdateCount > 0.
  bool UpdatesPending() const { return fUpdatesPending; }
  bool UniDirectional() const { return IsUniDirectional(); }
  // The dataset must be closed (" change Unidirectional property ").
  void SetUniDirectional(bool value);
  bool AutoCommit() const { return fAutoCommit; }
  void SetAutoCommit(bool value) { fAutoCommit = value; }
  TFieldOriginRule FieldOriginRule() const { return fFieldOriginRule; }
  void SetFieldOriginRule(TFieldOriginRule value) { fFieldOriginRule = value; }
  // The screen cursor shown while the dataset works with the server; crDefault shows none.
  TCursor SQLScreenCursor() const { return fSQLScreenCursor; }
  void SetSQLScreenCursor(TCursor value) { fSQLScreenCursor = value; }
  TCacheModelOptions& CacheModelOptions() { return fCacheModelOptions; }
  TAutoUpdateOptions& AutoUpdateOptions() { return fAutoUpdateOptions; }
  TCSMonitorSupport& CSMonitorSupport() { return fCSMonitorSupport; }
  void SetCSMonitorSupport(const TCSMonitorSupport& value) { fCSMonitorSupport.Assign(&value); }
  // Copies Enabled and IncludeDatasetDescription to every statement of the dataset.
  void ApplyCSMonitorSupport();
  // The master's data source. Client error 50 when it leads back to this dataset.
  TDataSource* DataSource() const { return fDataSource; }
  void SetDataSource(TDataSource* value);
  TDataSource* GetDataSource() override { return fDataSource; }
  // Whether the limited-buffer cache model may be chosen: no cached updates, an ORDER BY
  // clause, modifications in the read transaction (or auto-committed), no NEW_ parameter.
  bool CanUseLimitedBuffer();
  // Milliseconds of the master-scroll and end-scroll timers.
  Cardinal ScrollTimerInterval() const { return fScrollTimerInterval; }
  TTimer* MasterScrollTimer() const { return fMasterScrollTimer.get(); }
  // Made by the first scroll that OnEndScroll waits for.
  TTimer* EndScrollTimer() const { return fEndScrollTimer.get(); }

  // ---- Events
  TNotifyEvent DatabaseDisconnecting, DatabaseDisconnected, DatabaseFree;
  TNotifyEvent TransactionEnding, TransactionEnded, TransactionFree;
  TNotifyEvent BeforeStartTransaction, AfterStartTransaction;
  TNotifyEvent BeforeStartUpdateTransaction, AfterStartUpdateTransaction;
  TEndTrEvent BeforeEndTransaction, AfterEndTransaction;
  TEndTrEvent BeforeEndUpdateTransaction, AfterEndUpdateTransaction;
  TOnFetchRecord AfterFetchRecord;
  TCompareFieldValues OnCompareFieldValues;
  TDataSetNotifyEvent OnEnableControls, OnDisableControls;
  TFieldNotifyEvent OnFieldChange;
  // Once the dataset has rested ScrollTimerInterval ms after its last scroll.
  TNotifyEvent OnEndScroll;
  // A record that could not be read: the action (daFail at first) raises the error,
  // ends the read silently (daAbort) or reads again (daRetry).
  TDataSetErrorEvent OnGetRecordError;
  // A cached update the server refused while they are applied (TFIBUpdateAction).
  TFIBUpdateErrorEvent OnUpdateError;
  // Fired before each row the select statement fetches; setting it hooks the statement,
  // clearing it unhooks it.
  const TOnFetchRecord& BeforeFetchRecord() const { return fBeforeFetchRecord; }
  void SetBeforeFetchRecord(const TOnFetchRecord& value);

  // ---- Open and fetch
  // Fetches every remaining row, staying on the current record.
  void FetchAll();
  // The select statement's parameters from the master's fields: "MAS_NAME" (any case)
  // from the field NAME, any other parameter from the field of its own name.
  void SetParamsFromMaster();
  // Whether a parameter linked to the master differs from its field's value now.
  virtual bool MasterParamsChanged();
  Integer CurrentRecordIndex() const { return fCurrentRecord; }
  Integer DeletedCount() const { return fDeletedCount; }
  Integer CachedUpdateCount() const { return fCachedUpdateCount; }
  // Bookmarks whose record was gone.
  Integer FailedBookmarkMoves() const { return fFailedBookmarkMoves; }
  int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;
  bool GetCurrentRecord(TRecordBuffer buffer) override;

  // ---- Editing, posting and cached updates
  // Every parameter of the statement from the record: a field's name takes the record's
  // value, "OLD_" the previous version (the record itself while inserting), "NEW_" the
  // record, "MAS_" the master's field. Client error 49 without a buffer.
  void SetRecordParams(TFIBQuery& statement, TRecordBuffer buffer);
  // Re-reads the record through the statement into its cache slot and the buffer; false
  // when no row came back (poRefreshDeletedRecord then takes the record out of view).
  bool RefreshRecord(TFIBQuery& statement, TRecordBuffer buffer);
  // Reopens the dataset and returns to the record it was on, at the same screen row: the
  // record is found again by keyFields (";"-separated), or, without them, by every data
  // field but blobs and arrays once the refresh statement has read it. Client error 53
  // when uni-directional.
  void FullRefresh(const AnsiString& keyFields);
  // Fetches up to count more rows into the cache; answers how many came.
  Integer FetchNext(Integer count);
  // Undoes the cached change of record index; a cusUninserted record is shown again only
  // with revertUninserted.
  void RevertRecord(Integer index, bool revertUninserted);
  // Leaves an edit and puts every cached change back from the log.
  virtual void CancelUpdates();
  // Starts UpdateTransaction when it is idle and poStartTransaction asks for it.
  void StartUpdateTransaction();
  // With AutoCommit: commits UpdateTransaction, retaining when it is the read transaction
  // (so the cursor stays open) or when its timeout action retains.
  void AutoCommitUpdateTransaction();
  // Takes the active record out of view without telling the server.
  void CacheDelete();
  // Refreshes the master dataset (a Firebird one fully, its visible record numbers off
  // meanwhile).
  void RefreshMaster();

  // ---- Blob streams
  // A stream on the record's blob, made on first request and kept with the record; a null
  // blob read gives an empty stream. Writing needs an edit state, except on a client blob.
  // Under cached updates a new stream reads its body at once, connecting and starting the
  // read transaction for the time of the read when they are not.
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  TFillClientBlobEvent OnFillClientBlob;
  // The blob was changed in this edit (with cached updates: and not yet applied).
  bool BlobFieldModified(TField* field);
  // From TFIBDSBlobStream: a write ("Not editing." outside an edit) and the end of a
  // stream that was written.
  void BlobStreamWriting(TField* field);
  void BlobStreamClosed(TField* field);
  // Streams alive in the table.
  Cardinal BlobStreamCount() const { return fBlobStreams.Count(); }

  // ---- Field values
  using TDataSet::GetFieldData;
  using TDataSet::SetFieldData;
  bool GetFieldData(TField* field, void* buffer) override;
  // A text column's characters in the record the state reads, in place: what GetFieldData
  // would copy into the field's buffer (ahead of its terminator), raising as it does when
  // they do not fit. False when null. descr is the field's ColumnDescriptor. Inline, like
  // the next: every text and date a grid shows is read here.
  bool GetFieldText(TField* field, const TFIBFieldDescr& descr, std::string_view& text) {
    ORDVANE_DEBUG_ASSERT(&descr == ColumnDescriptor(field), "a field's text is read by its own column's descriptor");
    const Byte* record = StateRecord();
    if (record == nullptr || record[NullFlagsOffset + field->FieldNo() - 1] != 0) return false;
    text = StoredText(record, descr, fOptions.Contains(poTrimCharFields));
    if (static_cast<Int64>(text.size()) >= field->DataSize()) [[unlikely]]
      TextTooLong(*field);
    return true;
  }
  // A DATE column's day number (a date field's native value) in the record the state reads,
  // in place. False when null. descr is the field's ColumnDescriptor.
  bool GetFieldDayNumber(TField* field, const TFIBFieldDescr& descr, Integer& dayNumber) {
    ORDVANE_DEBUG_ASSERT(&descr == ColumnDescriptor(field) && descr.SQLType == SQL_TYPE_DATE,
                         "a date is read by its own DATE column's descriptor");
    const Byte* record = StateRecord();
    if (record == nullptr || record[NullFlagsOffset + field->FieldNo() - 1] != 0) return false;
    std::memcpy(&dayNumber, record + descr.Offset, sizeof dayNumber);
    return true;
  }
  // Whether GetFieldStoredInteger read the field's integer where the record keeps it.
  enum class TStoredRead : Byte { Null, Value, Elsewhere };
  // The integer of a field over an integer column (IsIntegerColumn) while the dataset
  // browses or filters, in place in the record the state reads: as GetFieldData would give
  // it to a native integer of the field's size. keepsScale: the field scales by itself (a
  // 64-bit column of any scale counts); else only a column of scale 0 does. Elsewhere for
  // every other state and column. descr is the field's ColumnDescriptor. Inline: every
  // integer and amount a grid shows is read here.
  TStoredRead GetFieldStoredInteger(TField* field, const TFIBFieldDescr& descr, bool keepsScale, Int64& value) {
    ORDVANE_DEBUG_ASSERT(&descr == ColumnDescriptor(field), "an integer is read by its own column's descriptor");
    // No field validates while browsing or filtering (that needs an editing state), so the
    // record holds what GetData would copy.
    if (State() != dsBrowse && State() != dsFilter) return TStoredRead::Elsewhere;
    if (!IsIntegerColumn(descr) || (descr.Scale != 0 && !(keepsScale && descr.SQLType == SQL_INT64)))
      return TStoredRead::Elsewhere;
    const Byte* record = StateRecord();
    if (record == nullptr || record[NullFlagsOffset + field->FieldNo() - 1] != 0) return TStoredRead::Null;
    value = SaturatedInteger(StoredInteger(record + descr.Offset, descr), field->DataSize());
    return TStoredRead::Value;
  }
  void SetFieldData(TField* field, const void* buffer) override;
  void DataConvert(TField* field, const void* source, void* dest, bool toNative) override;
  Variant GetStateFieldValue(TDataSetState state, TField* field) override;
  // The value of a field over a scaled 64-bit column in a state (dsOldValue: before the
  // change) as the record keeps it, as exact decimal text with the format settings'
  // separator; null for null, unassigned for a field over another column. The field's
  // Variant is a double, which keeps 15 or so of the column's 18 digits.
  Variant StateColumnDecimal(TDataSetState state, TField* field);
  // The value of a field over a TIME or TIMESTAMP column in a state as the record keeps it,
  // to the tenth of a millisecond, as the server's text ("2003-02-01 16:05:00.6789"); null
  // for null, unassigned for a field over another column. The field counts whole
  // milliseconds.
  Variant StateColumnMoment(TDataSetState state, TField* field);
  void DataEvent(TDataEvent event, NativeInt info) override;
  // Pairs: while raised, calculated fields are not computed; lowering to 0 re-reads the
  // records around the active one.
  void DisableCalcFields() { ++fCalcFieldsDisabled; }
  void EnableCalcFields();
  // Pairs: while raised, BeforeOpen, BeforeClose and AfterClose (open and close events) or
  // BeforeScroll and AfterScroll (scroll events) stay silent.
  void DisableOpenCloseEvents() { ++fOpenCloseEventsDisabled; }
  void EnableOpenCloseEvents() { --fOpenCloseEventsDisabled; }
  void DisableScrollEvents() { ++fScrollEventsDisabled; }
  void EnableScrollEvents() { --fScrollEventsDisabled; }
  // The whole array of an array field as a variant (false when the column has none), and
  // the array written from one (empty or null clears the field).
  bool GetArrayFieldValue(TField* field, Variant& value);
  void SetArrayFieldValue(TField* field, const Variant& value);

  // ---- ISQLObject: parameters of the select statement, values of the fields
  int ParamCount() const override { return fSelectQuery->GetParamCount(); }
  AnsiString ParamName(int index) const override { return fSelectQuery->GetParamName(index); }
  int FieldIndex(const AnsiString& name) const override;
  int ParamIndex(const AnsiString& name) const override { return fSelectQuery->ParamIndex(name); }
  Variant FieldValue(int index, bool oldValue) const override;
  Variant ParamValue(int index) const override { return fSelectQuery->GetParamValueByIndex(index); }
  void SetParamValue(int index, const Variant& value) override { fSelectQuery->SetParamValue(index, value); }

  // ---- Client filter and lookup (FIBDataSetFilter.cpp)
  // The text and the options rebuild the filter parser of an active dataset (leaving an
  // edit first); a text that does not parse raises, and the previous text, options and
  // parser stay. An active filtered dataset then goes to its first record.
  void SetFilterText(const AnsiString& text) override;
  void SetFilterOptions(TFilterOptions options) override;
  // Forgets the filtered-out positions, then shows the records again from the first.
  void SetFiltered(bool value) override;
  // The parser of the active filter text; nullptr for none.
  TExpressionParser* FilterParser() const { return fFilterParser.get(); }
  // The record under the visibility test while one is tested, else nullptr.
  const Byte* RecordUnderTest() const { return State() == dsFilter ? fFilterRecord : nullptr; }
  // The record numbers (index + 1) that the last visibility tests rejected, ascending.
  const std::vector<Integer>& FilteredOutPositions() const { return fFilteredOutPositions; }
  // The result fields' values (a value for one name, an array for several) of the first
  // shown record whose key fields hold the key values (InternalLocate from the first
  // record; in the limited-buffer model from the window's first, then a statement
  // "QLookUp" on the server); unassigned when none does. A blank result list answers
  // unassigned without a search. The dataset stays on its record, with no scroll events.
  Variant Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields) override;

 protected:
  // Marks or unmarks a record number as filtered out.
  void SetFilteredOut(Integer recordNo, bool filteredOut);
  // The record the dsFilter state reads while a record is being tested; nullptr otherwise.
  TRecordBuffer fFilterRecord = nullptr;

 private:
  // The parser of the text, or nullptr for a blank one; calculated fields may be named.
  std::unique_ptr<TExpressionParser> BuildFilterParser(const AnsiString& text, TFilterOptions options);
  void ChangeFilter(const AnsiString& text, TFilterOptions options);
  // The result columns of the row a statement of its own finds on the server.
  Variant LookupOnServer(const AnsiString& keyFields, const std::vector<Variant>& keyValues,
                         const AnsiString& resultFields);
  std::unique_ptr<TExpressionParser> fFilterParser;
  std::vector<Integer> fFilteredOutPositions;

 public:
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
  // Client error 44 when the dataset takes no new records.
  void CheckCanInsert();

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
  // Where a data field's value lies in the record buffer, or nullptr.
  const TFIBFieldDescr* ColumnDescriptor(const TField* field);

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
  // One entry of the order information, as the limited model's page statements read it.
  struct TSortFieldDetails {
    AnsiString FieldName = "Unknown";
    Integer FieldIndex = -1;  // among the dataset's fields
    Integer Position = -1;    // of the field's column in the select, from 0
    bool Ascending = true;
    bool NullsFirst = true;
  };
  Integer SortFieldCount() const { return static_cast<Integer>(fOrderInfo.size()); }
  // An index out of range gives the defaults above: "Unknown", -1, -1, ascending.
  TSortFieldDetails GetSortFieldInfo(Integer index);
  // The sort fields' names joined with ";".
  AnsiString SortFieldNames() const;

  // ---- Local sorting, moving records, locate (FIBDataSetSort.cpp, FIBDataSetLocate.cpp)
  // The fields by name (the framework's field-not-found error first), then SortByFields.
  void SortByFieldNames(const TStrings& fieldNames, const std::vector<bool>& ascending);
  // Reorders the fetched records (all of them, fetched first) by the fields, the first
  // deciding, each ascending where its flag is true; nulls come first ascending. Only the
  // cache's map moves; the cursor stays on its record. An item that names no field of the
  // dataset raises "Can't sort. Invalid parameter:Fields[i]", fewer flags than fields
  // raise too, both before anything moves.
  virtual void SortByFields(const std::vector<TSortFieldItem>& fields, const std::vector<bool>& ascending);
  // Moves the record at position from (1 .. FetchedCount) to position to (from 1; past the
  // records it fetches the rest and goes last).
  void MoveRecord(Integer from, Integer to);
  // The current record's position as MoveRecord takes it, whatever a derived dataset
  // numbers; 0 without a record.
  Integer CachePosition() { return TFIBCustomDataSet::GetRecNo(); }
  void SetRecNo(Integer value) override;
  // The order of the select's ORDER BY as the order information (not a local sort).
  void CheckOrderFields();
  bool Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) override;
  // The first record from the start the direction gives whose key fields hold the values
  // (one per field); the dataset moves there. False when none does (with eloNearest and a
  // binary search the dataset moves to where the keys would stand).
  virtual bool InternalLocate(const AnsiString& keyFields, const std::vector<Variant>& keyValues,
                              TLocateDirection direction, bool fromCacheStart, TExtLocateOptions options);
  // Where a field's value lies in cached record index, read without the framework's
  // buffers: false when null. isString: data is the const AnsiString of a string slot; else
  // the value's bytes as the record holds them (a calculated field's from a scratch record
  // computed for it). Valid until the cache or the next call changes it.
  bool GetCachedFieldData(TField* field, Integer recordIndex, const void*& data, bool& isString);
  // The values of the fields in cached record index (calculated ones computed).
  std::vector<Variant> CachedFieldValues(const std::vector<TField*>& fields, Integer recordIndex);

  // ---- Limited-buffer cache model (FIBDataSetWindow.cpp)
  // The records the model holds: indexes First .. Last (-1 while empty), and whether
  // nothing lies before or after them in the result.
  struct TWindowRecord {
    Integer First = -1;
    Integer Last = -1;
    bool AtStart = false;
    bool AtEnd = false;
  };
  const TWindowRecord& Window() const { return fWindow; }
  // The page statements ("SelectDescQuery", "SelectPartQuery", "SelectPartDescQuery",
  // "SelectLocate") from the select text; "%s:Can't find or parse ORDER BY statement."
  // without an ORDER BY. The order and the page conditions end with the key fields the
  // ORDER BY lacks, and put null where the order does.
  void PreparePartialQueries();
  // Finds the first row whose key fields hold the values (null matching null) with a
  // statement of its own ("QLocate") over the select (source 0), "SelectPartQuery" (1)
  // or "SelectPartDescQuery" (2), and loads the window around it; with a statement given,
  // only answers whether that statement finds a row.
  bool LocateOnServer(TFIBQuery* statement, const AnsiString& keyFields, const std::vector<Variant>& keyValues,
                      int source, TExtLocateOptions options);
  // The column of a field as the select's WHERE clause names it (alias.column).
  AnsiString GetFullFieldName(TField* field);
  // What the page statements compare for a field: GetFullFieldName, or the select list's
  // expression where the field's name or origin cannot be seen in the select's WHERE.
  AnsiString PageColumn(TField* field);
  // Loads the window around the statement's row, stored as record index (raised to at
  // least BufferChunks / 2; updated when the window was renumbered). False when the
  // statement gave no row.
  // Without a row the page statements start from the values of around (the active
  // record's when none is given).
  bool ReloadWindow(TFIBQuery& statement, Integer& index, bool execute, bool rowRequired,
                    const Byte* around = nullptr);
  // Continues the window from the record at edgeIndex with the statement.
  void SwitchWindowStatement(TFIBQuery& statement, Integer edgeIndex);
  // Every index of the window, the cursor and the framework's buffers up by BufferChunks.
  void RenumberWindow();

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
  Integer GetRecordSize() override { return fRecordSize; }
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  TGetResult ReadRecordInto(TRecordBuffer buffer, TGetMode mode);
  void InternalFirst() override;
  void InternalLast() override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void InternalOpen() override;
  void InternalClose() override;
  // An open asked for while loading failed: the application reports it, as it reports the
  // errors of its message loop.
  void InternalHandleException() override;
  void CloseCursor() override;
  Integer GetRecordCount() override;
  Integer GetRecNo() override;
  bool GetCanModify() override { return CanEdit() || CanInsert() || CanDelete(); }
  void ClearCalcFields(TRecordBuffer buffer) override;
  void GetCalcFields(TRecordBuffer buffer) override;
  void DoAfterOpen() override;
  void DoBeforeOpen() override;
  void DoBeforeClose() override;
  void DoAfterClose() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;
  // Runs right before the select statement executes at open.
  virtual void DoBeforeExecuteSelect() {}
  // Whether a record the fetch reads belongs to what the dataset shows: its cached status
  // is one of UpdateRecordTypes.
  virtual bool RecordIsVisible(TRecordBuffer buffer);

  // The editing protocol of the framework.
  void InternalPost() override;
  // An appended record goes after every row of the select, fetched or not.
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  // Without an insert statement Insert and Append end quietly; InsertRecord and
  // AppendRecord, which a program calls to store a record, raise client error 44.
  void RefuseInsertWithoutStatement();
  void InternalDelete() override;
  void InternalCancel() override;
  void InternalRefresh() override;
  void DoBeforeEdit() override;
  void DoBeforeDelete() override;
  void DoBeforeInsert() override;
  void DoBeforePost() override;
  void DoBeforeCancel() override;
  void DoAfterDelete() override;
  // Runs the server statements of one change of the record (its statement and refresh),
  // then, with commit, the automatic commit, all inside a savepoint of the update
  // transaction. When any step raises, the transaction goes back to the savepoint and the
  // record's buffer, cache slot, previous version and the cached-update counts are put
  // back: the server and the cache keep nothing of the change. A change that is a single
  // statement, after which nothing can fail, needs no savepoint when it does not commit:
  // the engine undoes a failed statement by itself.
  void RunServerChange(TRecordBuffer buffer, bool commit, const std::function<void()>& change,
                       bool singleStatement = false);
  // Writes one posted record to the server; nothing here.
  virtual void PostRecordToServer(TFIBQuery& /*statement*/, TRecordBuffer /*buffer*/) {}
  // Deletes one record on the server and marks it deleted unless the refresh after the
  // delete still finds it.
  virtual void InternalDeleteRecord(TFIBQuery& statement, TRecordBuffer buffer);
  // The server statements of one delete: here the delete statement with the record's
  // values.
  virtual void DeleteRowOnServer(TFIBQuery& statement, TRecordBuffer buffer);
  // Counts a record's move from one status to another.
  void CountStatusChange(TCachedUpdateStatus from, TCachedUpdateStatus to);
  // After a change: the record re-read; a master refreshed when dcForceMasterRefresh.
  void InternalRefreshRow(TFIBQuery& statement, TRecordBuffer buffer);
  // Prepares an insert, update, delete or refresh statement under the read transaction
  // when both belong to one database; nothing for an empty or "No Action" text.
  void PrepareModificationStatement(TFIBQuery& statement);
  // The statement's first line is "No Action": the change needs no statement.
  static bool IsNoAction(TFIBQuery& statement);
  // The statement has something to run: its text is neither blank nor "No Action".
  bool StatementRuns(TFIBQuery& statement);
  // Raises when the executed statement is an UPDATE or DELETE that touched no row: the
  // row is gone (another user deleted it) or no longer matches, and nothing was saved.
  void CheckRowFound(TFIBQuery& statement);
  // The statement's current row into record recordIndex of the cache and the buffer.
  void StoreStatementRow(TFIBQuery& statement, TRecordBuffer buffer);
  static TCachedUpdateStatus CachedStatus(TRecordBuffer buffer);
  // The status of record index as the cache holds it.
  TCachedUpdateStatus CachedStatusAt(Integer index);
  static void SetCachedStatus(TRecordBuffer buffer, TCachedUpdateStatus status);
  // After a record was read: steps on while RecordIsVisible refuses it.
  TGetResult SkipInvisibleRecords(TRecordBuffer buffer, TGetMode mode);

  virtual void DoTransactionEnding();
  virtual void DoTransactionEnded();
  virtual void DoBeforeEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force);
  virtual void DoAfterEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force);

  // The select statement must be prepared again before the next open.
  void Unprepare() { fPrepared = false; }
  // Inline: every move and every visibility test asks.
  static Integer RecordIndexOf(TRecordBuffer buffer) {
    Integer index;
    std::memcpy(&index, buffer + RecordIndexOffset, sizeof index);
    return index;
  }
  static void SetRecordIndex(TRecordBuffer buffer, Integer index) {
    std::memcpy(buffer + RecordIndexOffset, &index, sizeof index);
  }
  // The record the framework's active buffer holds, or -1.
  Integer ActiveRecordIndex() const;

  bool fCursorOpen = false;
  // Set while the dataset rebuilds itself internally: the closed check is waived.
  bool fInternalReopen = false;
  // Set by the dataset's own scrolling and posting: the next Resync is deferred.
  bool fNeedResync = false;
  int fPendingResyncs = 0;
  // What fetching a row and moving to a record read, side by side: the client library's
  // fetch evicts them between two rows, so each cache line they share is one miss less.
  Integer fCurrentRecord = -1;
  Integer fFetchedCount = 0;

 private:
  TFIBQuery* fSelectQuery;
  std::unique_ptr<TRecordsCache> fRecordsCache;
  TpPrepareOptions fPrepareOptions = DefaultPrepareOptions;
  TFIBUpdateRecordTypes fUpdateRecordTypes{cusUnmodified, cusModified, cusInserted};
  int fCalcFieldsDisabled = 0;
  int fScrollEventsDisabled = 0;
  bool fInFetch = false;
  // The select text opened no cursor (not a SELECT): no rows, no cache.
  bool fNoRows = false;
  bool fRefreshing = false;
  // Set while the records are sorted or located: every record counts as visible.
  bool fAllRecordsVisible = false;
  TFIBFieldDescrList fDescriptors;
  TNewRecordWriter fNewRecordWriter;  // the select's rows into new records of the cache

  // The exact text of a field's column value in a state (StateColumnDecimal,
  // StateColumnMoment): unassigned where the column is not one columnKind takes.
  Variant StateColumnText(TDataSetState state, TField* field, bool (*columnKind)(const TFIBFieldDescr&),
                          AnsiString (*text)(const Byte* record, const TFIBFieldDescr& descr));
  TCacheModelOptions fCacheModelOptions{this};

  TFIBQuery* CreateStatement(const AnsiString& name);
  // How the field takes and gives its column's value (descr is its ColumnDescriptor),
  // worked out at its first read or write in an open.
  TFieldTarget FieldTargetOf(const TField* field, TFIBFieldDescr& descr);
  // The record cache; client error 29 while there is none.
  TRecordsCache& Cache(const char* operation) const;
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
  // The select's new row as the cache's next record; answers its place.
  Byte* StoreNewSelectRow(TRecordsCache& cache, Integer recordNo);
  void FireAfterFetchRecord(TFIBQuery& statement, Integer recordIndex);

  std::unique_ptr<TFIBBase> fBase;
  // Fetches the next row into the cache as record FetchedCount; false at the end. With
  // shown, the new record is read into that buffer too.
  bool FetchNextRow(TRecordBuffer shown = nullptr);
  // Stores the statement's row as record recordIndex of the cache. Answers the stored
  // record's place when the row went to the cache's end as its newest record, else nullptr.
  Byte* StoreRowInCache(TFIBQuery& statement, Integer recordIndex);
  // Where a record being inserted goes: after every record when appended, else in place
  // of the record the insert started on.
  Integer InsertPosition(TRecordBuffer buffer);
  void PostToCache(TRecordBuffer buffer, bool inserting, Integer index);
  void PostToServer(TFIBQuery& statement, TRecordBuffer buffer, bool inserting, Integer index);
  void PostToWindow(TFIBQuery& statement, TRecordBuffer buffer, Integer index);
  // The handler closed the dataset: "continue after <event>".
  void CheckStillOpen(const char* event) const;
  Cardinal BlobHandle(const Byte* record, const TField* field) const;
  void SetBlobHandle(Byte* record, const TField* field, Cardinal handle);
  std::shared_ptr<TFIBBlobStream> RecordBlobStream(const Byte* record, const TField* field) const;
  // Puts a new stream in the table under the record when the dataset keeps that record;
  // answers its handle, or 0 when the stream is the caller's alone.
  Cardinal KeepBlobStream(TRecordBuffer record, const TField* field,
                          const std::shared_ptr<TFIBBlobStream>& stream);
  // Frees the streams whose handles the record holds.
  void ReleaseBlobStreams(const Byte* record);
  // After a refresh: the record's unchanged streams follow the blobs the row names.
  void SyncBlobStreams(TRecordBuffer record);
  // The limit on live streams spares this one.
  bool BlobStreamPending(Cardinal handle);
  // Writes the field's changed blob to the server and keeps its identifier in the record.
  void PostBlobStream(TRecordBuffer record, const TField* field, const TFIBFieldDescr& descr);
  void CancelBlobStreams(TRecordBuffer buffer);
  // A statement that stores a new array uses it up, even one that then fails: before the
  // record's array goes to a statement, an array written through the field whose id a
  // storing statement was already given is written again under a new id.
  void RenewUsedUpArray(TRecordBuffer record, const TField* field, const TFIBFieldDescr& descr,
                        bool storing);
  TGetResult GetCurrentModeRecord(TRecordBuffer buffer);
  TGetResult GetNextModeRecord(TRecordBuffer buffer);
  TGetResult GetPriorModeRecord(TRecordBuffer buffer);
  void FetchRemainingRows();
  // The record the state reads and writes: nullptr when there is none. Inline for the
  // usual read, browsing with no fetch under way: the active record.
  TRecordBuffer StateRecord() {
    if (State() == dsBrowse && !fInFetch) [[likely]]
      return IsEmpty() ? nullptr : ActiveBuffer();
    return OtherStateRecord();
  }
  // StateRecord's answer in every other state, kept off the usual path.
  TRecordBuffer OtherStateRecord();
  // Client error: the field's buffer is too small for the text.
  [[noreturn]] void TextTooLong(const TField& field) const;
  void CopyMasterValue(TFIBXSQLVAR& param, TField* field);
  // The master field a parameter takes its value from, or nullptr.
  TField* MasterFieldOf(const AnsiString& paramName) const;
  void FireStatementFetch(TFIBQuery* query, Integer recordNumber, bool& stop);
  // Hard transaction end or disconnect: cached updates keep their rows (all of them),
  // any other dataset closes.
  void KeepOrCloseOnServerEnd();
  bool IsSelect() const;
  void ShowRecordsAround();

  TCSMonitorSupport fCSMonitorSupport{this};
  TFIBQuery* fDeleteQuery;
  TFIBQuery* fInsertQuery;
  TFIBQuery* fRefreshQuery;
  TFIBQuery* fUpdateQuery;
  // Declares, and rolls back to, the savepoint before one change; not one of the
  // dataset's published statements, so it has no owner.
  std::unique_ptr<TFIBQuery> fSavepointQuery = std::make_unique<TFIBQuery>(nullptr);
  void DeclareChangeSavepoint(TFIBTransaction& transaction);
  void UndoToChangeSavepoint(TFIBTransaction& transaction);
  // What StatementRuns last found for the insert statement and for another, asked at
  // every post: it holds while the statement stays prepared with the same text, since
  // every change of a text unprepares.
  struct TStatementRuns {
    const TFIBQuery* Statement = nullptr;
    int ChangeCount = 0;
    bool Runs = false;
  };
  TStatementRuns fStatementRuns[2];
  // The buffer's and the cache's copies of the record RunServerChange keeps, their room
  // reused from one change to the next.
  struct TServerChangeRoom {
    std::vector<Byte> Typed, Cached;
  };
  TServerChangeRoom fServerChangeRoom;
  // The record index of the cache slot PostToServer has just made for an insert, which a
  // failure takes out again, until that record's change starts: it keeps no copy of the
  // slot. -1 when there is none.
  Integer fNewSlotRecord = -1;
  // Name look-ups: the field of each name asked for, emptied whenever fields die.
  std::map<AnsiString, TField*> fFieldLookup;
  // Where each parameter of a statement SetRecordParams binds takes its value, found from
  // its name once: a field's column of the record (its new or old value), a column of the
  // select without a field, or a value looked up by name at each binding (a master's field,
  // a detail's link parameter). A plan holds while its statement's parameter names and the
  // data source stay; it goes when fields die or the columns are laid out again.
  struct TParamBinding {
    AnsiString ByName;  // the name to look up at each binding, or empty
    bool Master = false;
    bool OldValue = false;
    const TField* Field = nullptr;  // of the name, of any kind
    int FieldNo = 0;                // the record's column: the data field's, else the select's
    bool Blob = false;              // the field is a blob, whose written stream posts first
  };
  struct TParamPlan {
    std::uint64_t NamesVersion = 0;  // of the statement's parameters when made
    const TDataSource* DataSource = nullptr;
    TDataSet* MasterDataSet = nullptr;
    std::vector<TParamBinding> Bindings;
  };
  std::unordered_map<const TFIBQuery*, TParamPlan> fParamPlans;
  TParamBinding ResolveParam(const TFIBQuery& statement, const AnsiString& paramName);
  const TParamPlan& ParamPlan(TFIBQuery& statement);
  TSQLs fSQLs{this};
  TAutoUpdateOptions fAutoUpdateOptions{this};
  std::unique_ptr<TTimer> fMasterScrollTimer;
  std::unique_ptr<TTimer> fEndScrollTimer;
  void RestartEndScrollTimer();
  void EndScroll();
  std::vector<Byte> fScratchRecord;
  std::vector<Byte> fOldRecord;
  TOrderInfo fOrderInfo;
  bool fSorted = false;

  TTransactionKind fRefreshTransactionKind = tkReadTransaction;
  TpFIBDsOptions fOptions = DefaultDataSetOptions;
  TDetailConditions fDetailConditions = DefaultDetailConditions;
  TUpdateKinds fAllowedUpdateKinds{ukModify, ukInsert, ukDelete};
  bool fCachedUpdates = false;
  bool fAutoCommit = false;
  TFieldOriginRule fFieldOriginRule = forTableAndFieldName;
  TCursor fSQLScreenCursor = crDefault;
  TOnFetchRecord fBeforeFetchRecord;
  TDataSource* fDataSource = nullptr;
  Integer fDeletedCount = 0;
  Integer fFailedBookmarkMoves = 0;
  int fOpenCloseEventsDisabled = 0;
  bool fDatabaseUnicode = false;
  bool fControlsDisabledSeen = false;
  // Records changed since the cached updates were last applied.
  Integer fCachedUpdateCount = 0;
  bool fUpdatesPending = false;
  TFIBBlobStreamTable fBlobStreams;
  // The arrays written through fields while the dataset is open, by the id each was given.
  struct TWrittenArray {
    Variant Value;
    bool UsedUp = false;
  };
  std::unordered_map<UInt64, TWrittenArray> fWrittenArrays;

  // ---- Local sorting and locate
  // The record the next field reads come from while its values are read out of the cache.
  TRecordBuffer fRecordView = nullptr;
  std::vector<Byte> fViewRecord;
  // The record a calculated value handed out by GetCachedFieldData lies in.
  std::vector<Byte> fCachedDataRecord;
  AnsiString fCachedText;  // the string slot GetCachedFieldData handed out last
  // The fields of the order information (its flags beside), resolved.
  std::vector<TField*> OrderFields();
  std::vector<bool> OrderFlags() const;
  // Two rows of values by the fields (CompareFieldValues), the first difference deciding.
  int CompareSortValues(const std::vector<TField*>& fields, const std::vector<bool>& ascending,
                        const std::vector<Variant>& values1, const std::vector<Variant>& values2);
  // The values of the fields in cached records first .. end - 1, one record at a time.
  void ReadCachedValues(const std::vector<TField*>& fields, Integer first, Integer end,
                        const std::function<void(Integer, std::vector<Variant>&)>& sink);
  // The remembered local sort once more, over the fields still there; then the first record.
  void RestoreLocalSort();
  // Every fetched record's values of the fields into the sort's keys.
  void ReadSortKeys(const std::vector<TField*>& fields, TSortKeys& keys);
  // Puts the posted record at index where its sort values belong; answers its new index.
  Integer KeepRecordSorted(Integer index);
  // The record indexes the cache holds: 0 .. FetchedCount - 1, or the limited model's window.
  Integer FirstCachedIndex() const;
  Integer LastCachedIndex() const;
  // Local sorting and moving reorder every record: not in the limited model's window.
  void CheckNotLimitedModel(const AnsiString& operation) const;
  // Raises unless there is one key value per key field.
  void CheckKeyValueCount(std::size_t values, std::size_t fields) const;
  // A record's bookmark begins with its record number; the limited model's keys follow it.
  static constexpr Integer StandardBookmarkSize = 8;
  // The statements of the limited model, made on first need.
  static constexpr const char* WindowStatementNames[] = {"SelectDescQuery", "SelectPartQuery",
                                                         "SelectPartDescQuery", "SelectLocate", "SelectFirstQuery"};
  // The limited model's state.
  struct TKeyPart {
    TField* Field;
    Integer Offset;  // of its null byte in the bookmark
  };
  TWindowRecord fWindow;
  std::vector<TKeyPart> fKeyParts;
  TFIBQuery* fCurrentStatement = nullptr;
  TFIBQuery* fStartStatement = nullptr;
  bool fWindowRenumbered = false;
  bool LimitedModel() const { return fCacheModelOptions.CacheModelKind() == cmkLimitedBufferSize; }
  Integer WindowChunks() const;
  bool WindowFull() const;
  // Made on first need, owned by the dataset.
  TFIBQuery& WindowStatement(const AnsiString& name);
  void SetWindowStatementText(TFIBQuery& statement, const AnsiString& text);
  void ExecuteWindowStatement(TFIBQuery& statement);
  bool IsForwardStatement(const TFIBQuery* statement) const;
  void ComputeKeyLayout();
  void WriteKeyParts(TRecordBuffer buffer, Byte* bookmark);
  void BindKeyParams(TFIBQuery& statement, const Byte* bookmark);
  bool KeysEqual(Integer index, const Byte* bookmark, bool identifierToo);
  void BindPageParams(TFIBQuery& statement, Integer index);
  void BindPageParamsFrom(TFIBQuery& statement, const Byte* record);
  void OpenWindow();
  void CloseWindow();
  void StoreWindowRow(TFIBQuery& statement, Integer index, TRecordBuffer buffer);
  TGetResult GetWindowRecord(TRecordBuffer buffer, TGetMode mode);
  TGetResult NextWindowRecord(TRecordBuffer buffer);
  TGetResult PriorWindowRecord(TRecordBuffer buffer);
  void FirstOfWindow();
  void LastOfWindow();
  void GotoWindowBookmark(const Byte* bookmark);
  bool WindowPass(TFIBQuery& statement, Integer count, int direction, Integer start);
  void RefreshWindow();
  // "SelectLocate" with the keys of a bookmark as its parameters.
  TFIBQuery& KeyLocateStatement(const Byte* bookmark);
  // After a post (refresh: through the refresh statement first) or a delete.
  void ReformWindowAround(TRecordBuffer buffer, bool refresh);
  // ReformWindowAround after a change the server has kept: when the reading fails, the
  // window holds only the record posted (none after a delete) and the failure waits for
  // ReportWindowReformFailure, once the change has completed.
  void ReformWindowAfterChange(TRecordBuffer buffer, bool refresh, bool deleted);
  void ReportWindowReformFailure();
  // Runs what is left of a change (its After handlers), then ReportWindowReformFailure.
  // A failure of the rest drops the reading's failure, so it never meets a later change.
  void EndChangeReportingWindowFailure(const std::function<void()>& rest);
  void CloseWindowStatements();
  std::exception_ptr fWindowReformFailure;
  // Moves the dataset to record index (scroll events around it).
  void MoveToRecord(Integer index);
  // The key values as a list, one per key field; a different count raises.
  std::vector<Variant> KeyValueList(const Variant& keyValues, std::size_t fieldCount);
  // The order information begins with these fields, in this order.
  bool OrderBeginsWith(const std::vector<TField*>& fields) const;
  using TRecordMatch = std::function<bool(const std::vector<Variant>&)>;
  // The first visible matching record from start in steps of step (forward fetching as it
  // goes), or -1.
  Integer SequentialLocate(const std::vector<TField*>& fields, const TRecordMatch& matches, Integer start, int step);
  bool VisibleRecordMatches(const std::vector<TField*>& fields, Integer index, const TRecordMatch& matches);
  // Over every record, in the order the order information gives; nearest: where the keys
  // would stand.
  Integer BinaryLocate(const std::vector<TField*>& fields, const std::vector<Variant>& keyValues,
                       const TRecordMatch& matches, Integer& nearest);

  // The record buffer of the state-dependent reads from the cache.
  std::vector<Byte> fStateRecord;
  Cardinal fScrollTimerInterval = 300;
  bool fPrepared = false;
  bool fSQLChanged = false;

  Integer fRecordSize = 0;
  Integer fCachedRecordSize = 0;
  Integer fBlobStreamOffset = 0;
  Integer fCalcFieldsOffset = 0;
  Integer fRecordBufferSize = 0;

  // ---- Master/detail link (FIBDataSetMaster.cpp) and event hooks for TpFIBDataSet
 public:
  TFIBDataLink& DataLink() const { return *fDataLink; }
  // The master moved or opened: the detail re-reads its rows with the master's values,
  // at once, or with dcWaitEndMasterScroll once the master rested for the timer's
  // interval (at once again when the master itself is waiting for its own master).
  void MasterChanged();
  // The master closed: so does the detail, unless dcIgnoreMasterClose.
  void MasterClosed();

 protected:
  // Open and close events are being held back while the dataset rebuilds itself.
  bool OpenCloseEventsDisabled() const { return fOpenCloseEventsDisabled > 0; }
  // Sorting reads the compared values through the fields whenever someone other than
  // the dataset's byte order may decide.
  virtual bool ComparesFieldValuesItself() const { return static_cast<bool>(OnCompareFieldValues); }
  // A record's cached status changed (posted, deleted, reverted, applied).
  virtual void CachedStatusChanged() {}

 private:
  // The timer went off, or the detail does not wait: the detail reads its rows afresh.
  void ReopenForMaster();
  std::unique_ptr<TFIBDataLink> fDataLink;
};

// Publishes the properties of TFIBCustomDataSet.
class TFIBDataSet : public TFIBCustomDataSet {
  ORDVANE_CLASS(TFIBDataSet, TFIBCustomDataSet)

 public:
  using TFIBCustomDataSet::TFIBCustomDataSet;
};

}  // namespace ordvane
