#pragma once
// TpFIBDataSet: the dataset the application uses. It adds to TFIBDataSet the automatic
// modification SQL, the generator, the update objects, the client filter's test of each
// record (pFIBDataSetFilter.cpp) and the settings stored for it in the repository.

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetsContainer.h"
#include "datasets/FIBMetaCache.h"
#include "dbclient/pFIBQuery.h"

namespace ordvane {

// The statement a dataset writes for itself; the index into ModifySQLPropertyNames.
enum TModifySQLKind { mskUpdate, mskInsert, mskDelete, mskRefresh };
// Which columns an update or insert writes: all, all but blobs, blobs only.
enum TModifyFieldFilter { mffAll, mffNoBlobs, mffBlobsOnly };
inline constexpr const char* ModifySQLPropertyNames[] = {"UpdateSQL", "InsertSQL", "DeleteSQL", "RefreshSQL"};

// ---- Update objects, record lock, server record count and batches
enum TLockStatus { lsSuccess, lsDeadLock, lsNotExist, lsMultiply, lsUnknownError };
// A failed lock: the handler may change the message and the action (daFail raises,
// daAbort stops silently, daRetry locks again).
using TLockErrorEvent = TEvent<void(TDataSet* dataSet, TLockStatus lockError, AnsiString& errorMessage,
                                    TDataAction& action)>;
// The handler may give the text of a statement in place of the generated one.
using TOnGetSQLTextProc = TEvent<void(TDataSet* dataSet, AnsiString& sqlText)>;
using TFIBUpdateRecordEvent = TEvent<void(TDataSet* dataSet, TUpdateKind updateKind, TFIBUpdateAction& action)>;
// After each record of an apply; resume false stops the run silently.
using TFIBAfterUpdateRecordEvent = TEvent<void(TDataSet* dataSet, TUpdateKind updateKind, bool& resume)>;
// Which cached statuses ResetCachedStatuses clears: every change mark after a commit, or
// the marks of an apply that left nothing pending.
enum TResetStatusesMode { rsmCommitted, rsmApplied };

// The statement's text as it executes, with null parameters left as parameters.
AnsiString ExecutableText(TFIBQuery& statement);

// A numeric format with that many decimal places: a format ending in "." gets that many
// "0"; one whose last "." is followed by one character gets that many of it after the
// point; an empty or any other format stays as it is.
AnsiString ScaledNumberFormat(const AnsiString& format, Integer decimals);

class TpFIBDataSet : public TFIBDataSet, public IDataSetInfoReceiver, public IUpdateObjectsHost {
  ORDVANE_CLASS(TpFIBDataSet, TFIBDataSet)

 public:
  explicit TpFIBDataSet(TComponent* owner);
  // A generator used by the dataset gives its cached statement's server handle back.
  ~TpFIBDataSet() override;

  // The dataset's row in the repository table FIB$DATASETS_INFO; 0: none. A new value
  // leaves the dataset unprepared and, when not 0, adds psApplyRepositary.
  Integer DataSet_ID() const override { return fDataSetID; }
  void SetDataSet_ID(Integer value);
  // Free text; the repository row sets it.
  const AnsiString& Description() const { return fDescription; }
  void SetDescription(const AnsiString& value) { fDescription = value; }

  // With a DataSet_ID, first takes the texts and settings stored for it.
  void Prepare() override;

  // ---- IDataSetInfoReceiver
  TFIBDatabase* InfoDatabase() const override { return Database(); }
  AnsiString InfoOwnerName() const override;
  // The stored select text unless the conditions were applied to that same text; the
  // other texts when stored; the update settings, the conditions and the description.
  void TakeDataSetInfo(const TpDataSetInfo& info) override;

  // ---- Modification SQL (pFIBDataSetModifySQL.cpp)
  // The parameterised text of one statement over the update table and the key fields:
  // "NEW_" parameters for the columns written, "OLD_" ones for the key. Empty without
  // metadata for the table or without a key field in the dataset; "No Action" when an
  // update or insert has no column to write. Key fields none of which is usable raise.
  AnsiString GenerateModifySQL(TModifySQLKind kind, TModifyFieldFilter filter = mffAll);
  // The same statement with the values written out as literals the server reads back
  // unchanged; empty when no column is written. Needs fields; a non-null array value is
  // refused.
  AnsiString GenerateLiteralModifySQL(TModifySQLKind kind);
  // A value the literal insert or update statement writes, with the column it goes into
  // as "TABLE.COLUMN".
  struct TLiteralValue {
    TField* Field;
    AnsiString Column;
    AnsiString Literal;
  };
  // The values of the literal statement of the kind, in its order; none for a delete.
  std::vector<TLiteralValue> LiteralValues(TModifySQLKind kind);
  // Completes KeyFields and rewrites the delete, update, insert and refresh texts (each
  // only when CanChangeSQLs or when it is blank).
  void RegenerateModifySQLs();
  // With UpdateOnlyModifiedFields: the update (dsEdit) or insert (dsInsert) text for the
  // fields this record changed.
  void PrepareModifySQL(TDataSetState state);
  // A protected edit's statements, when blank and AutoReWriteSqls or
  // UpdateOnlyModifiedFields is set: the refresh text before the record is locked and
  // read again, the update text (every column, UpdateOnlyModifiedFields off for that one
  // generation and back on every path) after.
  void PrepareProtectedEditRefresh();
  void PrepareProtectedEditUpdate();
  // Update and insert texts are written before each post: UpdateOnlyModifiedFields,
  // AutoReWriteSqls, CanChangeSQLs, KeyFields and UpdateTableName are all set.
  bool CanGenerateModifySQL();
  // Also when the statement will be generated before the post.
  bool CanEdit() override;
  bool CanInsert() override;
  // The non-blob fields of the table, ";"-joined.
  AnsiString KeyFieldsFromTable(const AnsiString& tableName);

  // ---- Keys and new records (pFIBDataSetDefaults.cpp)
  // Gives a null numeric key field the generator's next value; a value that does not fit
  // the field is refused with the class library's range error and the key stays null.
  virtual void FillKeyFromGenerator();
  // The field named by the whole KeyFields text, or nullptr.
  TField* KeyField();
  // Dresses the fields from their columns: display and edit formats (poAutoFormatFields),
  // read-only and required flags, default expressions and the repository's settings, as
  // PrepareOptions ask.
  virtual void ImportDefaultValues();
  TFormatFields& DefaultFormats() { return fDefaultFormats; }
  void SetDefaultFormats(const TFormatFields& value) { fDefaultFormats.Assign(&value); }
  // Adding psApplyRepositary applies the repository to the fields at once.
  void SetPrepareOptions(TpPrepareOptions value) override;

  TOnApplyDefaultValue OnApplyDefaultValue;
  TOnApplyFieldRepository OnApplyFieldRepository;

  // ---- Update objects (pFIBDataSetUpdateObjects.cpp)
  // Files the object in its kind's list at OrderInList (first when negative, last when
  // beyond the list), moving it when already filed; every object's OrderInList becomes
  // its index. Answers the index, -1 without an object.
  Integer AddUpdateObject(TpFIBUpdateObject* updateObject) override;
  void RemoveUpdateObject(TpFIBUpdateObject* updateObject) override;
  TFIBDatabase* HostDatabase() const override { return Database(); }
  TFIBTransaction* HostTransaction() const override { return Transaction(); }
  const std::vector<TpFIBUpdateObject*>& UpdateObjects(TUpdateKind kind) const;
  // Executes, in list order, the kind's active objects of that order that have a
  // statement, with the record's values.
  void RunUpdateObjects(TUpdateKind kind, TRecordBuffer buffer, TFIBOrderExecUO order);
  // The same with the parameters each object is given by bindParams.
  void RunUpdateObjects(TUpdateKind kind, TFIBOrderExecUO order, const std::function<void(TFIBQuery&)>& bindParams);
  // Whether a post of that kind runs an update object (the blob update included).
  bool RunsUpdateObjects(TUpdateKind kind) const;
  // An active object with a statement that does something.
  static bool Runs(TpFIBUpdateObject& object);
  // With SeparateBlobUpdate and a blob field: the dataset's own update object writing the
  // blob columns after the update or insert statement.
  void PrepareBlobUpdateObject();
  TpFIBUpdateObject* BlobUpdateObject() const { return fBlobUpdateObject; }
  // A statement ran in the update transaction since it was last committed; and whether
  // one had run when it was last rolled back.
  bool UpdateStatementExecuted() const { return fStatementExecuted; }
  bool ExecutedBeforeRollback() const { return fExecutedBeforeRollback; }
  // rsmCommitted: every change mark but the server's deletions goes; rsmApplied: modified
  // and inserted marks go, deletions become the server's. The active record is read again.
  void ResetCachedStatuses(TResetStatusesMode mode);
  // The kind is allowed and a statement, an active update object, a generated text or
  // (with cached updates) OnUpdateRecord can carry it.
  bool CanDelete() override;

  // ---- Record lock and server record count (pFIBDataSetLock.cpp)
  // Locks the active record's row in the update transaction by writing it to itself (or
  // with poUseSelectForLock, selecting it WITH LOCK). With raiseOnFailure a failure goes
  // through OnLockError and raises "Error of record updating:..." unless it answers
  // otherwise. The lock needs an update text, or AutoReWriteSqls with KeyFields.
  TLockStatus LockRecord(bool raiseOnFailure);
  // The rows of the select statement as the server counts them; 0 while its transaction
  // is not active.
  virtual Integer RecordCountFromServer();

  // ---- Cached updates and batches (pFIBDataSetBatch.cpp)
  // Sends every pending cached change in cache order, record by record, or with
  // UseExecuteBlock in EXECUTE BLOCK batches of literal statements.
  void ApplyCachedUpdates();
  // Adds the record's literal statement to the open block; false when the block was
  // closed instead ("END" added), being full.
  bool WrapExecuteBlock(TModifySQLKind kind);
  // The record's statement into the batch: a full block is executed first. False when
  // the statement is too long for any block: the record then goes by its own statement,
  // after the block before it has run.
  bool AddToBatch(TModifySQLKind kind, Integer recordIndex);

  TLockErrorEvent OnLockError;
  TOnGetSQLTextProc OnAskRecordCount;
  TFIBUpdateRecordEvent OnUpdateRecord;
  TFIBAfterUpdateRecordEvent AfterUpdateRecord;

 protected:
  // Fields bound at open are dressed from their columns.
  void BindFields(bool binding) override;
  // The modification texts once the select text changed, then the base step.
  void DoAfterOpen() override;
  // The key with wgOnNewRecord (or its Required off with wgBeforePost), then the base step.
  void DoOnNewRecord() override;
  // The key with wgBeforePost, the base step, then PrepareModifySQL unless CachedUpdates.
  void DoBeforePost() override;
  // Runs the insert or update statement (unless its first line is "No Action") with the
  // record's values; a statement that returns a row (INSERT ... RETURNING) refreshes the
  // record from it. The record is then unmodified in the cache and, with
  // poRefreshAfterPost, read again through the refresh statement.
  void PostRecordToServer(TFIBQuery& statement, TRecordBuffer buffer) override;
  // Nothing for a delete statement "No Action"; controls stay quiet meanwhile.
  void InternalDeleteRecord(TFIBQuery& statement, TRecordBuffer buffer) override;
  // The delete objects around the delete statement (which may be blank).
  void DeleteRowOnServer(TFIBQuery& statement, TRecordBuffer buffer) override;
  // Not allowed aborts silently; with poProtectedEdit a record not yet changed in this
  // transaction is locked and read again first; then the containers hear of it.
  void DoBeforeEdit() override;
  // The containers hear of it first. With poProtectedEdit (no AutoCommit, no cached
  // updates) the record counts as changed; with dcForceMasterRefresh the master is
  // refreshed; with AutoCommit and cached updates the cache is applied at once.
  void DoAfterPost() override;
  void DoAfterDelete() override;
  // With poVisibleRecno: the records shown when Filtered, else the larger of the fetched
  // and the server's count less the deleted records the server has not seen. Else the
  // server's count with psAskRecordCount.
  Integer GetRecordCount() override;
  // The marks of changes sent but not committed go back to pending while a commit runs,
  // so that they stay when it fails.
  void DoBeforeEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force) override;
  // The executed flags, and after a commit with poProtectedEdit the change marks; the
  // marks of changes sent in the transaction are cleared after a commit and kept after a
  // rollback.
  void DoAfterEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force) override;
  // The statement each EXECUTE BLOCK of an apply runs through, made on first use: never
  // UpdateQuery, whose text and preparation later posts need.
  TFIBQuery& BatchQuery();
  // Runs one EXECUTE BLOCK; raises, with nothing of it applied, when a change found no row.
  void RunBatchBlock(TFIBQuery& block);
  // After a block failed: the first value of its records that its column refuses, raised
  // naming the record, the field and the value with the server's reason. Nothing when
  // every value fits its column (the block failed for another reason).
  void RaiseRefusedBatchValue();

  // ---- Client filter (pFIBDataSetFilter.cpp)
  // The cached-update status decides first; a record it shows is then, when Filtered,
  // tested under dsFilter by the filter parser, OnFilterRecord and FinalFilterAccepts, its
  // calculated values computed first when the filter or the handler may read them. The
  // record's number goes into FilteredOutPositions when rejected and out when accepted.
  bool RecordIsVisible(TRecordBuffer buffer) override;
  // The dataset's own last word on a record the filter and OnFilterRecord accepted.
  virtual bool FinalFilterAccepts() { return true; }

 private:
  // KeyFields from the table's primary key, else from KeyFieldsFromTable.
  void CompleteKeyFields();
  // Replaces the statement's text when always, when CanChangeSQLs or when it is blank.
  void RewriteText(TFIBQuery& statement, TModifySQLKind kind, TModifyFieldFilter filter, bool always);

  // A new record's values besides its key: linked parameters and the columns' defaults.
  void ApplyNewRecordDefaults();
  // What a new record gives each field, found at the first new record after an open: the
  // select parameter linked to it by ParamsToFieldsLinks (-1: none) and the field's class
  // as far as defaults tell classes apart, so that a row makes no class test per field.
  struct TNewRecordField {
    enum class TClass { Text, Guid, Other };
    const TField* Field = nullptr;
    TClass Class = TClass::Other;
    int Link = -1;
  };
  const std::vector<TNewRecordField>& NewRecordPlan();
  // Rebuilds ParamsToFieldsLinks from the select text's comparisons of columns with
  // parameters, when that text changed.
  void LinkParamsToFields();
  // The default text as the new-record step reads it, for the field's kind.
  AnsiString DefaultExpressionOf(TField* field, const TpFIBFieldInfo& info) const;

  // Update objects, lock, count and batches.
  std::vector<TpFIBUpdateObject*>& UpdateObjectList(TUpdateKind kind);
  // Unfiles every object still filed (the dataset's own blob update object goes).
  void ReleaseUpdateObjects();
  bool CanChange(TUpdateKind kind, bool statementExists);
  void MarkStatementExecuted() { fStatementExecuted = true; }
  // The status of the cached record, the counts moved with it.
  void SetCachedStatusAt(Integer recordIndex, TCachedUpdateStatus status);
  // A sent change's status: modified and inserted become unmodified, deleted the server's
  // deletion; any other stays.
  static TCachedUpdateStatus AppliedStatus(TCachedUpdateStatus status);
  // The lock statement's text; the parameters it binds from the record; one attempt.
  AnsiString LockText();
  void BindLockParams();
  TLockStatus ExecuteLock(AnsiString& errorMessage);
  // One cached record sent by its statement or added to the batch.
  void ApplyRecord(TUpdateKind kind, Integer recordIndex);
  // Applies the record; after a refusal, OnUpdateError's answer (uaApplied when sent).
  TFIBUpdateAction ApplyOrAsk(TUpdateKind kind, Integer recordIndex);
  // Executes the closed block and marks its records applied; a failing block is dropped
  // with its record list, the statuses staying. A failure that the update statement's
  // OnBatchError ignores lets the run go on.
  void ExecuteBatch();
  void ClearBatch();
  // The apply after a post or delete with AutoCommit and cached updates.
  void ApplyAtOnce();
  // A record whose cached change reached the server without a commit: its mark is cleared
  // only when the update transaction commits. before: its status before it was sent.
  void NoteUncommittedChange(Integer recordIndex, TCachedUpdateStatus before);
  // The status a record sent without a commit has again when the commit does not happen.
  static TCachedUpdateStatus PendingStatus(TCachedUpdateStatus before, TCachedUpdateStatus now);
  // Every uncommitted change's record to its pending status (after a rollback, or while a
  // commit runs).
  void RestorePendingStatuses();
  // The transaction ended: a commit clears the sent records' marks, a rollback keeps them.
  void EndUncommittedChanges(TTransactionAction action);

  std::vector<TpFIBUpdateObject*> fUpdateObjects[3];
  TpFIBUpdateObject* fBlobUpdateObject = nullptr;
  bool fStatementExecuted = false;
  bool fExecutedBeforeRollback = false;
  std::unique_ptr<TFIBQuery> fLockQuery;
  std::unique_ptr<TFIBQuery> fCountQuery;
  std::unique_ptr<TFIBQuery> fBatchQuery;
  std::vector<AnsiString> fBatch;
  std::vector<Integer> fBatchRecords;
  Integer fBatchStatements = 0;
  Integer fBatchLength = 0;
  Integer fBatchContexts = 0;
  // Blocks sent by the current apply, numbering them for the batch events.
  int fBatchBlocksSent = 0;
  // Records whose change reached the server in the open update transaction, by record
  // index: the status before the change was sent, and the one it got then.
  struct TUncommittedChange {
    TCachedUpdateStatus before;
    TCachedUpdateStatus sent;
  };
  std::unordered_map<Integer, TUncommittedChange> fUncommittedChanges;
  // A commit is running (or failed): the sent records show their pending statuses.
  bool fUncommittedShownPending = false;

  Integer fDataSetID = 0;
  bool fGeneratorUsed = false;
  TFormatFields fDefaultFormats{this};
  std::vector<TNewRecordField> fNewRecordPlan;
  bool fNewRecordPlanFilled = false;
  int fLinkedSQLChangeCount = -1;
  AnsiString fDescription;

  // ---- Event containers, field access and visible record numbers (pFIBDataSetEvents.cpp)
 public:
  // Leaves the old container (and its masters) and joins the new one.
  TDataSetsContainer* Container() const { return fContainer; }
  void SetContainer(TDataSetsContainer* value);
  // The dataset's own error handlers. The class library's post- and delete-error slots
  // hold the relays that ask the containers first and then these, all with one Action.
  TDataSetErrorEvent OnPostError, OnDeleteError;
  // Asks the global container (unless it is the own one), the own container and then
  // OnApplyDefaultValue whether they gave the field its default.
  virtual void ApplyDefaultValue(TField* field, bool& applied);
  // The global container (unless it is the own one) and then the own container may
  // compare; the last one that compared decides, else the dataset's own comparison.
  int CompareFieldValues(TField* field, const Variant& value1, const Variant& value2) override;

  TStrings& GetSelectSQL() { return SelectSQL(); }
  // The field with that field number, or nullptr.
  TField* FieldByNumber(Integer fieldNo);
  // The select statement's parameter; the dataset is prepared first when it is not.
  TFIBXSQLVAR& ParamByName(const AnsiString& name);
  // The library's version followed by " Internal".
  AnsiString About() const;

  // With poVisibleRecno, record numbers count only the records the dataset shows.
  void SetRecNo(Integer value) override;
  void SetFilterText(const AnsiString& text) override;
  void SetFilterOptions(TFilterOptions options) override;
  void SetFiltered(bool value) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  bool ComparesFieldValuesItself() const override;
  void CachedStatusChanged() override { ForgetVisibleCount(); }
  Integer GetRecNo() override;

  void DoBeforeOpen() override;
  void DoBeforeClose() override;
  void DoAfterClose() override;
  void DoBeforeInsert() override;
  void DoAfterInsert() override;
  void DoAfterEdit() override;
  void DoBeforeCancel() override;
  void DoAfterCancel() override;
  void DoBeforeDelete() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;
  void DoOnCalcFields() override;
  void DoBeforeRefresh() override;
  void DoAfterRefresh() override;

 private:
  // Calls ask with the global container (unless it is the own one), then the own one.
  template <class Ask>
  void AskContainers(const Ask& ask);
  void NotifyContainers(TKindDataSetEvent event);
  // The containers' OnApplyFieldRepository, then the dataset's own.
  void RelayFieldRepository(TField* field, const TpFIBFieldInfo& info);
  void RelayError(TKindDataSetError kind, const TDataSetErrorEvent& own, EDatabaseError& e, TDataAction& action);
  // The records that pass the visibility test among the fetched ones, counted once for
  // each fetched count and filter.
  Integer VisibleRecordCount();
  void ForgetVisibleCount() { fVisibleCountFor = -1; }

  TDataSetsContainer* fContainer = nullptr;
  Integer fVisibleCount = 0;
  Integer fVisibleCountFor = -1;

  // ---- Provider support (pFIBDataSetProvider.cpp)
 public:
  // Through a statement of the database's pool in the dataset's transaction; the given
  // parameters must match the statement's, one for one.
  Integer PSExecuteStatement(const AnsiString& sql, const TParams& params) override;
  AnsiString PSGetCommandText() override { return SelectSQL().Text(); }
  // KeyFields of AutoUpdateOptions when the base knows none.
  AnsiString PSGetKeyFields() override;
  AnsiString PSGetQuoteChar() override;
  // The select's FROM table that UpdateTableName names (as the SQL text routines give the
  // FROM list: unquoted names upper-cased, no aliases); else UpdateTableName.
  AnsiString PSGetTableName() override;
  // A text that is not empty becomes the select text.
  void PSSetCommandText(const AnsiString& text) override;
  // Commits or rolls back the update transaction when it is active.
  void PSEndTransaction(bool commit) override;
  // Runs the select statement as a command; refused while the dataset's cursor is open,
  // which that statement serves.
  void PSExecute() override;
  // The select statement's parameters (the dataset prepared first), typed by their
  // columns: 64-bit integers by scale as LargeInt, BCD (up to 4 places) or Float.
  TParams* PSGetParams() override;
  // A database error keeps its SQL code.
  EUpdateError PSGetUpdateException(const Exception& error, std::exception_ptr previousError) override;
  bool PSInTransaction() override;
  bool PSIsSQLBased() override { return true; }
  bool PSIsSQLSupported() override { return true; }
  // An open dataset reads its rows again.
  void PSReset() override;
  // Each parameter by its name into the select statement's parameter of that name.
  void PSSetParams(const TParams& params) override;
  // Client error 21 without a database, 22 without an update transaction; the database
  // is connected and the update transaction started when they are not.
  void PSStartTransaction() override;
  // Through the dataset's statement of the kind and the update objects of the kind, their
  // "NEW_" (and plain) parameters from the delta's new values (the old ones where the
  // change left a field alone), "OLD_" ones from its old values. False when neither has
  // anything to run. An update or delete statement that finds no row raises: the change
  // was not applied.
  bool PSUpdateRecord(TUpdateKind updateKind, TDataSet& delta) override;

 private:
  TFIBQuery& ModifyingStatement(TUpdateKind kind) const;
  std::unique_ptr<TParams> fProviderParams;
};

}  // namespace ordvane
