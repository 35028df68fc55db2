#pragma once
// One SQL statement against a database in a transaction: its text, parameters and result
// columns, preparation on the server, execution by statement kind and the fetch of the
// result rows one by one.

#include <ibase.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "classlib/core/Components.h"
#include "classlib/core/StringLists.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBInfo.h"
#include "dbclient/FIBProps.h"
#include "dbclient/FIBQueryText.h"
#include "dbclient/FIBSQLText.h"
#include "dbclient/FIBXSQLDA.h"

namespace ordvane {

// The statement kind as the server reports it (isc_info_sql_stmt_type).
enum TFIBSQLTypes : int {
  SQLUnknown = 0,
  SQLSelect = 1,
  SQLInsert = 2,
  SQLUpdate = 3,
  SQLDelete = 4,
  SQLDDL = 5,
  SQLGetSegment = 6,
  SQLPutSegment = 7,
  SQLExecProcedure = 8,
  SQLStartTransaction = 9,
  SQLCommit = 10,
  SQLRollback = 11,
  SQLSelectForUpdate = 12,
  SQLSetGenerator = 13,
  SQLSavePointOperation = 14
};

// The kind of a number the server reported; a client error for one outside the kinds.
TFIBSQLTypes StatementTypeOf(Int64 serverType);

// Called before each fetch with the number of rows fetched so far; setting stop ends the
// fetch silently.
using TFIBFetchCallback = TEvent<void(TFIBQuery* query, Integer recordNumber, bool& stop)>;

// Before a text of a batch goes to the server: its number in the batch (from 1) and the
// text.
using TOnBatching = TEvent<void(TFIBQuery* statement, int index, const AnsiString& text)>;
// A text of a batch failed. Setting ignore leaves that text undone and goes on with the
// batch; otherwise the error ends the batch.
using TOnBatchError = TEvent<void(TFIBQuery* statement, int index, const AnsiString& text,
                                  const Exception& error, bool& ignore)>;

class TFIBQuery : public TComponent, public IFIBXSQLDAOwner, public ISQLObject {
  ORDVANE_CLASS(TFIBQuery, TComponent)

 public:
  // An owning database becomes the database, an owning transaction the transaction.
  explicit TFIBQuery(TComponent* owner);
  ~TFIBQuery() override;

  // ---- Properties
  TFIBDatabase* Database() const { return fBase->Database(); }
  // Frees the server statement first.
  virtual void SetDatabase(TFIBDatabase* value);
  TFIBTransaction* Transaction() const { return fBase->Transaction(); }
  void SetTransaction(TFIBTransaction* value) { fBase->SetTransaction(value); }
  // The name of the dataset that owns this statement, given and kept up to date by that
  // dataset; the monitor names the statement under it.
  const AnsiString& OwnerDataSetName() const { return fOwnerDataSetName; }
  void SetOwnerDataSetName(const AnsiString& value) { fOwnerDataSetName = value; }
  TFIBBase& Base() { return *fBase; }
  TStrings& SQL() { return fSQL; }
  // The text as one string, sent to the server exactly as given (SQL's own text joins
  // its lines by CR LF); SQL holds its lines. A later change through SQL sends SQL's text.
  void SetSQLText(const AnsiString& text);
  bool GoToFirstRecordOnExecute() const { return fGoToFirstRecordOnExecute; }
  void SetGoToFirstRecordOnExecute(bool value) { fGoToFirstRecordOnExecute = value; }
  bool ParamCheck() const { return fParamCheck; }
  // Off: the text goes to the server as written, and the server statement is freed. On:
  // named parameters and macros are found in the text.
  void SetParamCheck(bool value);
  char MacroChar() const { return fMacroChar; }
  // '\0': the text has no macros.
  void SetMacroChar(char value);
  TpFIBQueryOptions Options() const { return fOptions; }
  void SetOptions(TpFIBQueryOptions value) { fOptions = value; }
  // On: an INSERT, UPDATE or DELETE without parameters runs unprepared, in one call to the
  // server, as data definition does (its RowsAffected and Plan are then unknown). For
  // runners of many statements that each run once.
  bool ExecuteUnprepared() const { return fExecuteUnprepared; }
  void SetExecuteUnprepared(bool value) { fExecuteUnprepared = value; }
  // Off (the default): the text is ANSI text, converted to the connection's character set
  // on its way to the server. On: the text is already in that character set (a script that
  // named it) and goes to the server byte for byte.
  bool TextInConnectionCharSet() const { return fTextInConnectionCharSet; }
  void SetTextInConnectionCharSet(bool value);
  TCSMonitorSupport& CSMonitorSupport() { return fCSMonitorSupport; }
  const AnsiString& CursorName() const { return fCursorName; }
  void SetCursorName(const AnsiString& value) { fCursorName = value; }
  // Named WHERE conditions over the text. Applied conditions are taken out again before
  // any other change of the text, so that change is made to the text as written.
  TConditions& Conditions() { return fConditions; }

  // Set by a dataset; see TFIBFetchCallback.
  TFIBFetchCallback OnFetch;
  // On (the default), a hard commit or rollback closes the open cursor. A dataset that
  // keeps its rows over a hard end turns it off and fetches the rest first.
  bool CloseOnHardTransactionEnd() const { return fCloseOnHardTransactionEnd; }
  void SetCloseOnHardTransactionEnd(bool value) { fCloseOnHardTransactionEnd = value; }
  TNotifyEvent OnSQLChanging;
  TNotifyEvent BeforeExecute;
  TNotifyEvent AfterExecute;
  TNotifyEvent TransactionEnding;
  TNotifyEvent TransactionEnded;
  // Fired by ExecuteImmediateBatch, and by the batches a dataset sends in this statement's
  // name (RunBatchText).
  TOnBatching OnBatching;
  TOnBatchError OnBatchError;

  // ---- Execution
  // Empty text: client error 37; no database 21, no transaction 22; segment and
  // start-transaction statements: client error 2.
  void Prepare();
  virtual void ExecQuery();
  // Runs the texts one after another in the statement's transaction, each without
  // preparing. A blank text raises client error 37 before any runs; a failing text stops
  // the run with the server's error naming its number and text (unless OnBatchError
  // ignores it), and the texts before it stay done in the transaction for the caller to
  // commit or roll back.
  void ExecuteImmediateBatch(const std::vector<AnsiString>& statements);
  // One text of a batch, sent by `send`, under the batch events: OnBatching before it,
  // OnBatchError when it raises a database error. False when the error was ignored.
  bool RunBatchText(int index, const AnsiString& text, const std::function<void()>& send);
  // The next row, or nullptr at the end of the rows. A closed statement raises client
  // error 29; a fetch error closes the statement and passes the error on.
  TFIBXSQLDA* Next();
  void Close();
  void FreeHandle();
  // True at the end of the rows and whenever the statement is not open.
  bool Eof();
  bool Bof() const { return fBOF; }
  bool Open() const { return fOpen; }
  bool Prepared() const { return fPrepared; }
  TFIBSQLTypes SQLType() const { return fSQLType; }
  int RecordCount() const { return fRecordCount; }
  // The rows the last execution selected, inserted, updated or deleted (by SQLType; the
  // sum of the four for other kinds).
  int RowsAffected();
  // Milliseconds the last execution took.
  Cardinal LastExecutionTime() const { return fLastExecutionTime; }
  isc_stmt_handle Handle() const { return *fHandle; }
  // The text the server prepares, in the connection's encoding.
  const AnsiString& TextToSend() const { return fTextToSend; }
  // The text sent differs from the text written: a macro was spliced in or a comparison
  // with a null parameter rewritten.
  bool TextRebuilt() const { return fTextRebuilt; }
  // The text as it would execute with the parameters' current values: macros spliced in
  // and, unless qoNoForceIsNull, comparisons with null parameters rewritten. Nothing of
  // the statement changes, so the next execution still sees what changed since the last.
  AnsiString BuildExecSQL();
  // Grows by one with every change of the text; a caller keeps the value it last saw.
  int SQLChangeCount() const { return fSQLChangeCount; }

  // ---- Columns
  TFIBXSQLDA& Current() { return fColumns; }
  // Out of range: client error 41 'Field "Field No: <index>" not found.'.
  TFIBXSQLVAR& GetFields(int index);
  // Client error 41 when absent.
  TFIBXSQLVAR& FieldByName(const AnsiString& name);
  TFIBXSQLVAR* FindField(const AnsiString& name);
  int FieldIndex(const AnsiString& name) const override;
  int FieldCount() const { return fColumns.Count(); }
  AnsiString GetFieldName(int index) const { return fColumns.GetVars(index).Name(); }
  // The first column of that table and field (names compared as the database compares
  // them), or nullptr.
  TFIBXSQLVAR* FieldByOrigin(const AnsiString& table, const AnsiString& field);
  // The alias of the relation a column comes from, as the server names it for the
  // prepared text (prepared first when needed), double-quoted when it needs quoting;
  // empty for an unknown column, a column of no relation and servers before version 2.
  AnsiString TableAliasForField(const AnsiString& fieldName);
  void LoadRelationAliases();

  // ---- Parameters
  // The parameters and macros as named in the text (parsed first when a parse is due).
  TFIBXSQLDA& Params();
  int GetParamCount() const { return fParams.Count(); }
  AnsiString GetParamName(int index) const { return fParams.GetVars(index).Name(); }
  TFIBXSQLVAR* FindParam(const AnsiString& name);
  // An absent parameter of an EXECUTE PROCEDURE text is its output column of that name;
  // otherwise absent raises "Parameter "<name>" does not exist in <statement>".
  TFIBXSQLVAR& ParamByName(const AnsiString& name);
  Variant GetParamValue(const AnsiString& name) { return ParamByName(name).GetAsVariant(); }
  Variant GetParamValueByIndex(int index) const { return fParams.GetVars(index).GetAsVariant(); }
  Variant GetFieldValue(const AnsiString& name) { return FieldByName(name).GetAsVariant(); }
  Variant GetFieldValueByIndex(int index) const { return fColumns.GetVars(index).GetAsVariant(); }
  // The text begins with "EXECUTE " (any letter case) after blanks.
  bool IsExecuteProcedure() const;
  TSQLKind GetSQLKind() const { return fParser.SQLKind(); }

  // ---- Array columns
  // Gives the variable the descriptor of that table's array column unless it has one
  // (client error 32 without a variable); unless descriptorOnly, the variable becomes a
  // null ARRAY.
  void CreateArrayDescriptor(TFIBXSQLVAR* variable, const AnsiString& relationName, bool descriptorOnly,
                             const AnsiString& fieldName);

  // ---- Text changes
  // Changes of the text between the two do not take effect until the last End.
  void BeginModifySQLText() { ++fModifySQLTextLock; }
  void EndModifySQLText();

  // ---- Clauses of the text
  // The readers see the text in effect (the one before a BeginModifySQLText); the writers
  // change the text as written, without applied Conditions, and build on one another
  // between BeginModifySQLText and EndModifySQLText.
  // The condition of the main WHERE (the first outside brackets); "" when there is none.
  AnsiString GetMainWhereClause();
  // The main WHERE condition replaced, a WHERE added when there is none, and removed for
  // a blank condition.
  void SetMainWhereClause(const AnsiString& condition);
  // The condition of the index-th WHERE in text order, brackets included, counted from 1
  // (0 takes the first too).
  AnsiString GetWhereClause(int index);
  // The table an UPDATE, INSERT or DELETE modifies, as written (with its alias); "" for
  // other texts.
  const AnsiString& GetModifyTable();
  // The ORDER BY list; "" when there is none.
  AnsiString GetOrderClause();
  // A blank order removes the ORDER BY.
  void SetOrderClause(const AnsiString& order);
  // A blank plan removes the PLAN.
  void SetPlanClause(const AnsiString& plan);

  // ---- ISQLObject
  int ParamCount() const override { return GetParamCount(); }
  AnsiString ParamName(int index) const override { return GetParamName(index); }
  int ParamIndex(const AnsiString& name) const override;
  Variant FieldValue(int index, bool oldValue) const override;
  Variant ParamValue(int index) const override { return GetParamValueByIndex(index); }
  void SetParamValue(int index, const Variant& value) override;
  TFIBXSQLDA* NextRecord() { return Next(); }

  // ---- IFIBXSQLDAOwner
  bool HasDatabase() const override { return Database() != nullptr; }
  Integer SQLDialect() const override;
  bool UpperOldNames() const override;
  bool IsUnicodeCharSet() const override;
  bool IsUnicodeOrNoneCharSet() const override;
  bool IsKOI8CharSet() const override;
  bool IsFB21UnicodeOrNone() const override;
  bool IsUnicodeCharSetID(Integer charSetID) const override;
  AnsiString FullName() const override;
  bool TrimCharFields() const override { return fOptions.Contains(qoTrimCharFields); }
  bool ColumnValuesPresent() const override;
  void SetHasPendingBlobs() override { fHasPendingBlobs = true; }
  AnsiString ReadBlobText(const ISC_QUAD& blobID, Integer subType, Integer charSetID) override;
  // Client error 21 without a database, 22 without a transaction.
  TFIBArrayContext ArrayContext() override;

 private:
  // The text as set: SetSQLText's exactly, else SQL's lines.
  AnsiString CurrentText() const;
  // The text as written now: applied Conditions taken out.
  AnsiString WrittenText();
  void ReplaceText(const AnsiString& text);
  void SQLChanging(TObject* sender);
  void SQLChanged(TObject* sender);
  void TextChanged();
  // The user's list from the text; on a parse error both lists are emptied and the parse
  // stays due, so that no list describes another text.
  void ParseParams();
  void ForgetParams();
  // The text to send for the current text and parameter values; frees the server
  // statement when that text differs from the one prepared.
  void UpdateTextToSend();
  AnsiString ServerText(bool& rebuilt);
  void TransactionEndingHandler(TFIBBase* link);
  void TransactionEndedHandler(TFIBBase* link);
  void DatabaseFreeHandler(TFIBBase* link);

  // The status check of every client call: the transaction (or the database) counts the
  // activity; a non-zero status raises when asked.
  ISC_STATUS Call(ISC_STATUS status, bool raise);
  IIBClientLibrary& Library();
  void AllocateAndPrepare();
  TFIBSQLTypes ReadStatementType();
  // An information call about the statement (AskInfo), its status in `status`.
  TInfoAnswer StatementInfo(const std::vector<char>& items, std::size_t size, ISC_STATUS* status);
  void DescribeStatement();
  void DescribeParams();
  // The server's description of the parameters, as named in the text sent.
  void DescribeServerParams();
  // The user's parameters take the server's description of the text as written.
  void TakeServerDescriptions();
  // The list whose block goes to the server, filled from the user's values.
  TFIBXSQLDA& InputParams();
  void PrepareArrayColumns();
  void StartTransactionIfAsked();
  void BeforeExecution();
  // Whether ExecQuery runs the text unprepared.
  bool RunsUnprepared();
  void ExecuteImmediate();
  // A new text: the server statement is released and the next one prepared on the same
  // handle, which spares allocating and dropping one per text.
  void Unprepare();
  void ExecuteByType(TFIBXSQLDA& params);
  void AfterExecution();
  void WritePendingBlobs(TFIBXSQLDA& params);
  void DropPendingBlobs();
  void ResetCursorState();
  // The statement's name in monitor texts: a dataset's statement under the dataset's name.
  AnsiString MonitorName() const;
  // The server's plan of the prepared text; nothing when it cannot be read.
  std::optional<AnsiString> Plan();
  // Rows affected are asked of the server only after a successful execution.
  void TraceExecute(const TFIBXSQLDA& params, bool succeeded);
  void TraceFetch();
  // The database's logger when it is set and asks for flag (0: whatever it asks for).
  ISQLLogger* Logger(int flag) const;
  void LogExecuteError(const Exception& error);
  void LogFetch();
  // Runs an execution, keeps its time, and hands it to the statistics and the log.
  template <class Execute>
  void ExecuteMeasured(const Execute& execute, const TFIBXSQLDA& params);
  int ReadRelationAliases(IIBClientLibrary& library, const std::vector<char>& answer);
  // Without raising: a fetch that failed, and the attachment or the statement going away.
  void ReleaseCursorQuietly();
  void ReleaseHandleQuietly();

  std::unique_ptr<TFIBBase> fBase;
  TStringList fSQL;
  TConditions fConditions{this, &fSQL};
  TSQLParser fParser;
  AnsiString fTextToSend;
  AnsiString fOwnerDataSetName;
  // Mutable: a lookup by name caches its answer.
  mutable TFIBXSQLDA fParams{this, true};
  mutable TFIBXSQLDA fColumns{this, false};
  // What the server describes of the text sent: the user's parameters minus macros, by
  // name; bound instead of the user's list when the text was rebuilt.
  TFIBXSQLDA fServerParams{this, true};
  TCSMonitorSupport fCSMonitorSupport{this};

  // The handle lives in a cell of its own: the client library keeps the cell's address
  // (for the detach, which clears it) and a statement whose free failed hands the cell to
  // its database, so that no write reaches the statement's memory once it is gone.
  std::unique_ptr<isc_stmt_handle> fHandle = std::make_unique<isc_stmt_handle>(0);
  TFIBSQLTypes fSQLType = SQLUnknown;
  bool fPrepared = false;
  bool fOpen = false;
  bool fBOF = false;
  bool fEOF = false;
  bool fProcExecuted = false;
  bool fHasPendingBlobs = false;
  // The user list holds the server's description of the current text.
  bool fParamsDescribed = false;
  bool fGoToFirstRecordOnExecute = true;
  bool fParamCheck = true;
  bool fParamsParsed = false;
  bool fTextRebuilt = false;
  bool fInExecute = false;
  bool fExecuteUnprepared = false;
  bool fTextInConnectionCharSet = false;
  bool fCloseOnHardTransactionEnd = true;
  // The text SetSQLText gave, while SQL has not been changed otherwise.
  std::optional<AnsiString> fExactText;
  bool fSettingExactText = false;
  char fMacroChar = DefaultMacroChar;
  TpFIBQueryOptions fOptions;
  int fRecordCount = 0;
  int fModifySQLTextLock = 0;
  int fSQLChangeCount = 0;
  // Of the text in effect; computed on first demand.
  std::optional<AnsiString> fModifyTable;
  AnsiString fCursorName;
  // Per column of the prepared text; loaded on first demand.
  std::vector<AnsiString> fRelationAliases;
  bool fRelationAliasesLoaded = false;
  Cardinal fLastExecutionTime = 0;
};

}  // namespace ordvane
