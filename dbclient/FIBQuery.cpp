#include "dbclient/FIBQuery.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

#include "classlib/core/Clock.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/StrUtils.h"
#include "dbclient/FIBBlobStream.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBInfo.h"
#include "dbclient/FIBSQLMonitor.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/FIBTraceText.h"

namespace ordvane {

namespace {

// Server codes that are no failure for the operation that meets them.
constexpr ISC_STATUS kInvalidStatementHandle = 335544485;  // isc_bad_stmt_handle
constexpr ISC_STATUS kCursorNotOpen = 335544577;          // isc_dsql_cursor_close_err
constexpr ISC_STATUS kCursorDone = 335544572;              // isc_dsql_cursor_err: no more rows
// Server codes of a text its target cannot hold.
constexpr ISC_STATUS kTransliterationFailed = 335544565;  // isc_transliteration_failed
constexpr ISC_STATUS kStringTruncation = 335544914;       // isc_string_truncation

constexpr std::size_t kRecordsInfoSize = 255;
constexpr std::size_t kTypeInfoSize = 8;
// Room for the answer of many columns; a longer one is asked for again from where it was
// cut.
constexpr std::size_t kAliasInfoSize = 4096;
constexpr std::size_t kPlanInfoSize = 4096;
// Macro values are spliced in before the server's scan: what they hold is text.
constexpr char kNoMacroChar = '\0';
constexpr int kCursorNameLength = 10;

// The server keeps cursor names per attachment, and one attachment is used by one
// process: a letter and a process-wide counter never repeat within it, as random digits
// could.
AnsiString NextCursorName() {
  static std::atomic<std::uint64_t> counter{0};
  const AnsiString digits = std::to_string(++counter);
  const std::size_t width = kCursorNameLength - 1;
  return "C" + AnsiString(digits.size() < width ? width - digits.size() : 0, '0') + digits;
}

// A failure as the monitor's readers see it, when there are any.
void TraceFailure(const AnsiString& text, TFIBTraceKind kind) {
  TraceToMonitor([&](TFIBSQLMonitorHook& hook) { hook.SQLFailure(text, kind); });
}

bool LoadingWithOwners(const TComponent* component) {
  for (; component != nullptr; component = component->Owner())
    if (component->ComponentState().Contains(csLoading)) return true;
  return false;
}

using DescribeCall = ISC_STATUS (IIBClientLibrary::*)(ISC_STATUS*, isc_stmt_handle*, unsigned short, XSQLDA*);

}  // namespace

// ---- Construction ---------------------------------------------------------------------------

TFIBQuery::TFIBQuery(TComponent* owner) : TComponent(owner), fBase(std::make_unique<TFIBBase>(this)) {
  fBase->OnDatabaseFree = TFIBBaseEvent::Bind(this, &TFIBQuery::DatabaseFreeHandler);
  fBase->OnDatabaseDisconnecting = TFIBBaseEvent::Bind(this, &TFIBQuery::DatabaseFreeHandler);
  fBase->OnTransactionEnding = TFIBBaseEvent::Bind(this, &TFIBQuery::TransactionEndingHandler);
  fBase->OnTransactionEnded = TFIBBaseEvent::Bind(this, &TFIBQuery::TransactionEndedHandler);
  fSQL.OnChanging = TNotifyEvent::Bind(this, &TFIBQuery::SQLChanging);
  fSQL.OnChange = TNotifyEvent::Bind(this, &TFIBQuery::SQLChanged);
  // The link directly: SetDatabase is virtual, and a new statement has no handle to free.
  if (auto* database = dynamic_cast<TFIBDatabase*>(owner))
    fBase->SetDatabase(database);
  else if (auto* transaction = dynamic_cast<TFIBTransaction*>(owner))
    fBase->SetTransaction(transaction);
}

TFIBQuery::~TFIBQuery() {
  ReleaseHandleQuietly();
  fBase.reset();
}

void TFIBQuery::SetDatabase(TFIBDatabase* value) {
  if (value == Database()) return;
  FreeHandle();
  fParamsDescribed = false;
  fBase->SetDatabase(value);
}

void TFIBQuery::SetParamCheck(bool value) {
  if (value == fParamCheck) return;
  fParamCheck = value;
  FreeHandle();
  ForgetParams();
}

void TFIBQuery::SetTextInConnectionCharSet(bool value) {
  if (value == fTextInConnectionCharSet) return;
  fTextInConnectionCharSet = value;
  Unprepare();
}

void TFIBQuery::SetMacroChar(char value) {
  if (value == fMacroChar) return;
  fMacroChar = value;
  FreeHandle();
  ForgetParams();
}

// ---- Text -------------------------------------------------------------------------------------

void TFIBQuery::SetSQLText(const AnsiString& text) {
  const TFlagScope setting(fSettingExactText);
  fExactText = text;
  fSQL.SetText(text);
}

void TFIBQuery::SQLChanging(TObject*) {
  if (!fSettingExactText) fExactText.reset();
  if (fOpen) {
    if (!ComponentState().Contains(csDesigning)) FIBError(TFIBClientError::SQLOpen, {AnsiString("change sql text"), FullName()});
    Close();
  }
  fConditions.CancelApply();
  if (OnSQLChanging) OnSQLChanging(this);
  Unprepare();
}

void TFIBQuery::SQLChanged(TObject*) {
  if (fModifySQLTextLock == 0) TextChanged();
}

void TFIBQuery::EndModifySQLText() {
  if (fModifySQLTextLock == 0) return;
  if (--fModifySQLTextLock == 0) TextChanged();
}

AnsiString TFIBQuery::CurrentText() const {
  return fExactText ? *fExactText : fSQL.Text();
}

void TFIBQuery::TextChanged() {
  fParser.SetSQLText(CurrentText());
  fModifyTable.reset();
  ++fSQLChangeCount;
  Unprepare();
  // The list's change notification must not raise (it may run from the end of an update
  // scope): a text that does not parse leaves the parse due, and Prepare, ExecQuery and
  // Params raise its error.
  try {
    ParseParams();
  } catch (const EFIBClientError&) {
  }
}

// ---- Clauses of the text ------------------------------------------------------------------

AnsiString TFIBQuery::WrittenText() {
  fConditions.CancelApply();
  return CurrentText();
}

void TFIBQuery::ReplaceText(const AnsiString& text) {
  if (text != CurrentText()) SetSQLText(text);
}

AnsiString TFIBQuery::GetMainWhereClause() {
  const int main = fParser.MainWhereIndex();
  return main < 0 ? AnsiString() : fParser.GetWhereClause(main).Text;
}

void TFIBQuery::SetMainWhereClause(const AnsiString& condition) {
  ReplaceText(TSQLParser(WrittenText()).SetWhereText(condition));
}

AnsiString TFIBQuery::GetWhereClause(int index) {
  return fParser.GetWhereClause(index).Text;
}

const AnsiString& TFIBQuery::GetModifyTable() {
  if (!fModifyTable) fModifyTable = GetModifyTableName(fParser.SQLText(), true);
  return *fModifyTable;
}

AnsiString TFIBQuery::GetOrderClause() {
  return fParser.GetOrderByText();
}

void TFIBQuery::SetOrderClause(const AnsiString& order) {
  ReplaceText(TSQLParser(WrittenText()).SetOrderByText(order));
}

void TFIBQuery::SetPlanClause(const AnsiString& plan) {
  ReplaceText(TSQLParser(WrittenText()).SetPlanText(plan));
}

void TFIBQuery::ForgetParams() {
  fParams.SetCount(0);
  fServerParams.SetCount(0);
  fParamsDescribed = false;
  fParamsParsed = false;
  fTextRebuilt = false;
  fTextToSend.clear();
}

void TFIBQuery::ParseParams() {
  const AnsiString& text = fParser.SQLText();
  fServerParams.SetCount(0);
  fParamsDescribed = false;
  fTextRebuilt = false;
  fTextToSend.clear();
  if (!fParamCheck || text.empty() || HasNoParamMarkers(text, fMacroChar)) {
    fParams.SetCount(0);
  } else {
    TSQLParamScanOptions options;
    options.MacroChar = fMacroChar;
    options.StatementName = FullName();
    options.Loading = LoadingWithOwners(this);
    try {
      PreprocessSQL(text, fParams, options);
    } catch (...) {
      ForgetParams();
      throw;
    }
  }
  fParamsParsed = true;
}

TFIBXSQLDA& TFIBQuery::Params() {
  if (!fParamsParsed) ParseParams();
  return fParams;
}

AnsiString TFIBQuery::BuildExecSQL() {
  if (!fParamsParsed) ParseParams();
  if (fParams.Count() == 0) return fParser.SQLText();
  return ordvane::BuildExecSQL(fParser.SQLText(), fParams, false, !fOptions.Contains(qoNoForceIsNull)).Text;
}

void TFIBQuery::UpdateTextToSend() {
  if (!fParamsParsed) ParseParams();
  const bool named = fParams.Count() > 0;
  if (fPrepared && !(named && NeedRebuildSQL(true, false, fParams))) return;
  bool rebuilt = false;
  std::optional<TSQLParamScan> scan;
  AnsiString text;
  if (named) {
    // Null comparisons are rewritten for an execution only: a statement prepared alone
    // has no values yet.
    const bool rewriteNulls = fInExecute && !fOptions.Contains(qoNoForceIsNull);
    TExecSQLText built = ordvane::BuildExecSQL(fParser.SQLText(), fParams, true, rewriteNulls);
    rebuilt = built.Rebuilt;
    TSQLParamScanOptions options;
    options.MacroChar = kNoMacroChar;
    options.ForUserList = false;
    options.StatementName = FullName();
    scan = ScanSQLParams(built.Text, options);
    text = scan->ServerText;
  } else {
    text = fParser.SQLText();
  }
  const AnsiString comment = text.find(MonitorCommentMark) == AnsiString::npos
                                 ? MonitorComment(fCSMonitorSupport, Database(), Transaction(), *this)
                                 : AnsiString();
  text = fTextInConnectionCharSet ? text + EncodeSQLText(comment, *this) : EncodeSQLText(text + comment, *this);
  // The same text as prepared keeps its server statement.
  if (text == fTextToSend && rebuilt == fTextRebuilt) return;
  Unprepare();
  fTextToSend = std::move(text);
  fTextRebuilt = rebuilt;
  if (scan)
    FillParamList(fServerParams, *scan, false);
  else
    fServerParams.SetCount(0);
}

bool TFIBQuery::IsExecuteProcedure() const {
  const AnsiString& text = fParser.SQLText();
  const auto start = std::find_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) > ' '; });
  static constexpr std::string_view prefix = "EXECUTE ";
  if (static_cast<std::size_t>(text.end() - start) < prefix.size()) return false;
  return SameText(std::string_view(&*start, prefix.size()), prefix);
}

// ---- Client calls ---------------------------------------------------------------------------

IIBClientLibrary& TFIBQuery::Library() {
  return Database()->ClientLibrary();
}

ISC_STATUS TFIBQuery::Call(ISC_STATUS status, bool raise) {
  if (Transaction() != nullptr)
    Transaction()->Call(0, false);
  else if (Database() != nullptr)
    Database()->Call(0, false);
  else
    SetFPUExtendedPrecision();
  if (raise && status != 0) IBError(Library(), this);
  return status;
}

void TFIBQuery::StartTransactionIfAsked() {
  if (fOptions.Contains(qoStartTransaction) && Transaction() != nullptr && !Transaction()->Active())
    Transaction()->StartTransaction();
}

// ---- Prepare ----------------------------------------------------------------------------------

void TFIBQuery::Prepare() {
  if (fOpen) Close();
  fBase->CheckDatabase();
  StartTransactionIfAsked();
  fBase->CheckTransaction();
  // A prepared text is not blank: every change of the text unprepares.
  if (!fPrepared && IsBlankString(fParser.SQLText())) FIBError(TFIBClientError::EmptyQuery, {AnsiString("Prepare")});
  UpdateTextToSend();
  if (fPrepared) return;
  fRelationAliases.clear();
  fRelationAliasesLoaded = false;
  try {
    AllocateAndPrepare();
    fSQLType = ReadStatementType();
    switch (fSQLType) {
      case SQLGetSegment:
      case SQLPutSegment:
      case SQLStartTransaction:
        FreeHandle();
        FIBError(TFIBClientError::NotPermitted);
      case SQLSelectForUpdate:
        if (fCursorName.empty()) fCursorName = NextCursorName();
        Call(Library().isc_dsql_set_cursor_name(StatusVector(), fHandle.get(), fCursorName.c_str(), 0), true);
        DescribeStatement();
        break;
      case SQLSelect:
      case SQLInsert:
      case SQLUpdate:
      case SQLDelete:
      case SQLExecProcedure:
        DescribeStatement();
        break;
      default:
        fColumns.SetCount(0);
        break;
    }
    fPrepared = true;
  } catch (const std::exception& error) {
    const TComponent* owner = Owner();
    TraceFailure((owner != nullptr ? owner->Name() + "." : AnsiString()) + Name() + ":[Prepare] " + error.what(),
                 TFIBTraceKind::Prepare);
    if (ISQLLogger* logger = Logger(0)) logger->WriteData(FullName(), "Error on Prepare:", fTextToSend, SQLLogPrepare);
    ReleaseHandleQuietly();
    throw;
  }
  TraceToMonitor([this](TFIBSQLMonitorHook& hook) { hook.SQLPrepare(MonitorName(), fTextToSend, Plan()); });
  if (Database()->Statistics().Active()) Database()->Statistics().NotePrepare(FullName());
  if (ISQLLogger* logger = Logger(0)) logger->WriteData(FullName(), "Prepare:", fTextToSend, SQLLogPrepare);
}

void TFIBQuery::AllocateAndPrepare() {
  IIBClientLibrary& library = Library();
  if (*fHandle == 0)
    Call(library.isc_dsql_alloc_statement2(StatusVector(), Database()->DBHandle(), fHandle.get()), true);
  fColumns.SetCount(1);
  Call(library.isc_dsql_prepare(StatusVector(), Transaction()->TRHandle(), fHandle.get(), 0, fTextToSend.c_str(),
                                static_cast<unsigned short>(Database()->SQLDialect()), fColumns.AsXSQLDA()),
       true);
}

TFIBSQLTypes StatementTypeOf(Int64 serverType) {
  if (serverType < SQLUnknown || serverType > SQLSavePointOperation)
    FIBErrorText("The server reported an unknown statement type (%d).", {serverType});
  return static_cast<TFIBSQLTypes>(serverType);
}

TInfoAnswer TFIBQuery::StatementInfo(const std::vector<char>& items, std::size_t size, ISC_STATUS* status) {
  IIBClientLibrary& library = Library();
  return AskInfo(size, [&](char* buffer, short length) {
    return library.isc_dsql_sql_info(status, fHandle.get(), static_cast<short>(items.size()), items.data(), length,
                                     buffer);
  });
}

TFIBSQLTypes TFIBQuery::ReadStatementType() {
  const TInfoAnswer answer = StatementInfo({isc_info_sql_stmt_type}, kTypeInfoSize, StatusVector());
  Call(answer.status, true);
  TInfoReader reader(Library(), answer.bytes);
  const auto item = reader.Next();
  const auto type = item && item->code == isc_info_sql_stmt_type ? reader.Integer(item->value) : std::nullopt;
  if (!type) FIBError(TFIBClientError::Unknown);
  return StatementTypeOf(*type);
}

namespace {

// The server refuses a text that its column's character set or length cannot hold without
// naming it (a Unicode connection cannot know a column's own set): the refusal is raised
// again naming the text parameters that could be the cause, with their values (a text
// blob's has gone to the server by then). Called from the handler of error, which is
// thrown on as it is for any other refusal.
[[noreturn]] void RaiseNamingRefusedText(const EFIBInterBaseError& error, const TFIBXSQLDA& params) {
  if (!StatusVectorContains({kTransliterationFailed, kStringTruncation})) throw;
  AnsiString named;
  for (int i = 0; i < params.Count(); ++i) {
    const TFIBXSQLVAR& param = params[i];
    const short type = param.GetServerSQLType();
    const bool textBlob = type == SQL_BLOB && param.GetServerSQLSubtype() == isc_blob_text;
    if (param.GetIsNull() || !(type == SQL_TEXT || type == SQL_VARYING || textBlob)) continue;
    named += (named.empty() ? "" : ", ") + param.Name() +
             (textBlob ? AnsiString(" (a text blob)") : " '" + param.GetAsString() + "'");
  }
  if (named.empty()) throw;
  throw EFIBInterBaseError(error.SQLCode(), error.Sender(), "\r\nText parameters that may not fit: " + named,
                           error.SQLMessage(), error.IBMessage());
}

// Fills a list from the statement's description, growing it when the server reports more
// entries than it holds. filled: the block already holds the first answer.
void Describe(IIBClientLibrary& library, isc_stmt_handle* handle, TFIBXSQLDA& list, DescribeCall call, bool filled,
              const std::function<void(ISC_STATUS)>& check) {
  if (!filled) {
    list.SetCount(1);
    check((library.*call)(StatusVector(), handle, SQLDA_VERSION1, list.AsXSQLDA()));
  }
  const int count = list.AsXSQLDA()->sqld;
  if (count > list.Count()) {
    list.SetCount(count);
    check((library.*call)(StatusVector(), handle, SQLDA_VERSION1, list.AsXSQLDA()));
  }
  list.SetCount(count);
  list.SetupAfterDescribe();
}

}  // namespace

void TFIBQuery::DescribeStatement() {
  DescribeParams();
  if (fSQLType == SQLSelect || fSQLType == SQLExecProcedure || fSQLType == SQLSelectForUpdate)
    Describe(Library(), fHandle.get(), fColumns, &IIBClientLibrary::isc_dsql_describe, true,
             [this](ISC_STATUS status) { Call(status, true); });
  else
    fColumns.SetCount(0);
  PrepareArrayColumns();
}

void TFIBQuery::PrepareArrayColumns() {
  for (int i = 0; i < fColumns.Count(); ++i) {
    TFIBXSQLVAR& column = fColumns.GetVars(i);
    if (column.IsArray()) CreateArrayDescriptor(&column, column.GetRelationName(), true, column.GetSqlName());
  }
}

void TFIBQuery::CreateArrayDescriptor(TFIBXSQLVAR* variable, const AnsiString& relationName, bool descriptorOnly,
                                      const AnsiString& fieldName) {
  if (variable == nullptr) FIBError(TFIBClientError::InvalidParamColumnIndex);
  if (variable->FIBArray() == nullptr) {
    const TFIBArrayContext connection = ArrayContext();
    variable->SetFIBArray(std::make_shared<const TpFIBArray>(connection.Library, connection.DBHandle,
                                                             connection.TRHandle, relationName, fieldName));
  }
  if (!descriptorOnly) variable->MakeNullArray();
}

TFIBArrayContext TFIBQuery::ArrayContext() {
  if (Database() == nullptr) FIBError(TFIBClientError::DatabaseNotAssigned, {FullName()});
  if (Transaction() == nullptr) FIBError(TFIBClientError::TransactionNotAssigned, {FullName()});
  return TFIBArrayContext{GetClientLibrary(Database()->LibraryName()), Database()->DBHandle(),
                          Transaction()->TRHandle()};
}

void TFIBQuery::DescribeParams() {
  if (fParams.Count() == 0) {
    // No names in the text (or no scan): the server's description is the list. It keeps
    // its values while the text stays the same (a statement freed after execution is
    // prepared again with the values set before). A text without markers takes none,
    // and the server is not asked.
    if (!fParamsDescribed) {
      if (HasNoParamMarkers(fTextToSend, kNoMacroChar))
        fParams.SetCount(0);
      else
        Describe(Library(), fHandle.get(), fParams, &IIBClientLibrary::isc_dsql_describe_bind, false,
                 [this](ISC_STATUS status) { Call(status, true); });
    }
    fParamsDescribed = true;
    return;
  }
  DescribeServerParams();
  if (!fTextRebuilt) {
    TakeServerDescriptions();
    return;
  }
  for (int i = 0; i < fServerParams.Count(); ++i)
    if (TFIBXSQLVAR* user = fParams.ByName(fServerParams[i].Name())) user->TakeServerDescription(fServerParams[i]);
}

void TFIBQuery::DescribeServerParams() {
  const int named = fServerParams.Count();
  if (named == 0) return;
  XSQLDA* block = fServerParams.AsXSQLDA();
  Call(Library().isc_dsql_describe_bind(StatusVector(), fHandle.get(), SQLDA_VERSION1, block), true);
  if (block->sqld != named)
    FIBErrorText("The server sees %d parameters where the statement names %d",
                 {static_cast<int>(block->sqld), named});
  fServerParams.SetupAfterDescribe();
}

// The text was sent as written: its parameters stand in the same order in both lists.
void TFIBQuery::TakeServerDescriptions() {
  for (int i = 0; i < fParams.Count(); ++i) {
    TFIBXSQLVAR& user = fParams[i];
    const TFIBXSQLVAR& server = fServerParams[i];
    const bool serverBlob = server.IsBlob() || server.IsArray();
    if (user.PendingBlob() == nullptr && user.GetIsNull()) {
      user.SetAsXSQLVAR(*server.GetData());
      user.SetIsNull(true);
      user.TakeServerDescription(server);
    } else if (user.PendingBlob() == nullptr && serverBlob && !user.IsBlob() && !user.IsArray()) {
      // Text given before the description goes into the blob as given: wide text whole,
      // not through the ANSI code page.
      const Variant text = user.GetAsVariant();
      user.TakeServerDescription(server);
      user.SetAsVariant(text);
    } else {
      user.TakeServerDescription(server);
    }
  }
}

TFIBXSQLDA& TFIBQuery::InputParams() {
  if (!fTextRebuilt) return fParams;
  fServerParams.AssignValues(fParams);
  return fServerParams;
}

// ---- Execution --------------------------------------------------------------------------------

// Every execution of a statement passes here: the call is made directly, with nothing to
// allocate on the way.
template <class Execute>
void TFIBQuery::ExecuteMeasured(const Execute& execute, const TFIBXSQLDA& params) {
  const Cardinal start = GetTickCount();
  try {
    try {
      execute();
    } catch (const EFIBInterBaseError& error) {
      RaiseNamingRefusedText(error, params);
    }
  } catch (const Exception& error) {
    fLastExecutionTime = GetTickCount() - start;
    TraceExecute(params, false);
    TraceFailure(FullName() + ":[Execute] " + error.Message(), TFIBTraceKind::Execute);
    LogExecuteError(error);
    throw;
  }
  fLastExecutionTime = GetTickCount() - start;
  TraceExecute(params, true);
  if (Database()->Statistics().Active())
    Database()->Statistics().NoteExecute(FullName(), fLastExecutionTime, ParamLines(params));
  if (ISQLLogger* logger = Logger(SQLLogFlagExecute)) {
    AnsiString text = fTextToSend;
    for (const AnsiString& line : ParamLines(params)) text += LogLineBreak + line;
    logger->WriteData(FullName(), "Execute query:", text, SQLLogExecute);
  }
}

void TFIBQuery::ExecQuery() {
  const TFlagScope executing(fInExecute);
  if (RunsUnprepared()) {
    ExecuteImmediate();
    return;
  }
  BeforeExecution();
  Prepare();
  if (fParams.HasPendingConversions()) fParams.ConvertPendingValues();
  WritePendingBlobs(fParams);
  TFIBXSQLDA& input = InputParams();
  if (&input != &fParams) WritePendingBlobs(input);
  ExecuteMeasured([&] { ExecuteByType(input); }, input);
  if (fOpen && fGoToFirstRecordOnExecute) Next();
  AfterExecution();
  if (!fOpen && fOptions.Contains(qoFreeHandleAfterExecute)) FreeHandle();
}

void TFIBQuery::BeforeExecution() {
  if (BeforeExecute) BeforeExecute(this);
  if (Transaction() == nullptr) FIBError(TFIBClientError::TransactionNotAssigned, {FullName()});
  fColumns.ClearValues();
  fProcExecuted = false;
  StartTransactionIfAsked();
  Transaction()->DoSQLExecute(this, 0);
}

bool TFIBQuery::RunsUnprepared() {
  const TSQLKind kind = fParser.SQLKind();
  const bool once = fExecuteUnprepared && (kind == TSQLKind::Insert || kind == TSQLKind::Update ||
                                           kind == TSQLKind::Delete);
  if (kind != TSQLKind::DDL && !once) return false;
  const AnsiString& text = fParser.SQLText();
  if (once && (Params().Count() > 0 || !HasNoParamMarkers(text, kNoMacroChar))) return false;
  // The client library reads the text of an unprepared execution before the server does,
  // and cannot read a q'...' literal: such a text runs prepared.
  return !HasQuotedLiterals(text);
}

// Data definition runs without a prepared statement.
void TFIBQuery::ExecuteImmediate() {
  BeforeExecution();
  fBase->CheckDatabase();
  fBase->CheckTransaction();
  UpdateTextToSend();
  Unprepare();
  if (fParams.HasPendingConversions()) fParams.ConvertPendingValues();
  WritePendingBlobs(fParams);
  TFIBXSQLDA& input = InputParams();
  if (&input != &fParams) WritePendingBlobs(input);
  ExecuteMeasured(
      [&] {
        Call(Library().isc_dsql_execute_immediate(StatusVector(), Database()->DBHandle(), Transaction()->TRHandle(),
                                                  0, fTextToSend.c_str(),
                                                  static_cast<unsigned short>(Database()->SQLDialect()),
                                                  input.Count() > 0 ? input.AsXSQLDA() : nullptr),
             true);
      },
      input);
  AfterExecution();
}

void TFIBQuery::ExecuteImmediateBatch(const std::vector<AnsiString>& statements) {
  fBase->CheckDatabase();
  StartTransactionIfAsked();
  fBase->CheckTransaction();
  if (std::any_of(statements.begin(), statements.end(), [](const AnsiString& text) { return IsBlankString(text); }))
    FIBError(TFIBClientError::EmptyQuery, {AnsiString("ExecuteImmediateBatch")});
  IIBClientLibrary& library = Library();
  const auto count = static_cast<int>(statements.size());
  for (int i = 0; i < count; ++i) {
    const AnsiString& written = statements[static_cast<std::size_t>(i)];
    RunBatchText(i + 1, written, [&] {
      const AnsiString text = EncodeSQLText(written, *this);
      const ISC_STATUS status = library.isc_dsql_execute_immediate(
          StatusVector(), Database()->DBHandle(), Transaction()->TRHandle(), 0, text.c_str(),
          static_cast<unsigned short>(Database()->SQLDialect()), nullptr);
      if (status == 0) {
        Call(0, false);
        return;
      }
      try {
        Call(status, true);
      } catch (const EFIBInterBaseError& error) {
        // The thread's status vector still holds the server's codes for the new error.
        throw EFIBInterBaseError(
            error.SQLCode(), this,
            Format("Batch text %d of %d failed:%s%s", {i + 1, count, AnsiString(LogLineBreak), written}),
            error.SQLMessage(), error.IBMessage());
      }
    });
  }
}

bool TFIBQuery::RunBatchText(int index, const AnsiString& text, const std::function<void()>& send) {
  if (OnBatching) OnBatching(this, index, text);
  try {
    send();
    return true;
  } catch (const EDatabaseError& error) {
    bool ignore = false;
    if (OnBatchError) OnBatchError(this, index, text, error, ignore);
    if (!ignore) throw;
    return false;
  }
}

void TFIBQuery::ExecuteByType(TFIBXSQLDA& params) {
  IIBClientLibrary& library = Library();
  XSQLDA* input = params.Count() > 0 ? params.AsXSQLDA() : nullptr;
  switch (fSQLType) {
    case SQLSelect:
    case SQLSelectForUpdate:
      Call(library.isc_dsql_execute(StatusVector(), Transaction()->TRHandle(), fHandle.get(), SQLDA_VERSION1, input),
           true);
      fOpen = true;
      fBOF = true;
      fEOF = false;
      fRecordCount = 0;
      fColumns.ClearValues();
      break;
    case SQLExecProcedure:
      Call(library.isc_dsql_execute2(StatusVector(), Transaction()->TRHandle(), fHandle.get(), SQLDA_VERSION1, input,
                                     fColumns.Count() > 0 ? fColumns.AsXSQLDA() : nullptr),
           true);
      fProcExecuted = true;
      break;
    case SQLCommit:
      Transaction()->Commit();
      break;
    case SQLRollback:
      Transaction()->Rollback();
      break;
    default:
      Call(library.isc_dsql_execute(StatusVector(), Transaction()->TRHandle(), fHandle.get(), SQLDA_VERSION1, input),
           true);
      break;
  }
}

void TFIBQuery::AfterExecution() {
  // The values the text was executed with, where a later change of a null decides whether
  // the text is built again (a macro keeps the value it was built with).
  for (int i = 0; i < fParams.Count(); ++i)
    if (NullRewritable(fParams[i].Place())) fParams[i].SaveValue();
  if (AfterExecute) AfterExecute(this);
  if (TFIBTransaction* transaction = Transaction()) transaction->DoSQLExecute(this, 1);
  fParams.ClearModified();
  DropPendingBlobs();
  TFIBTransaction* transaction = Transaction();
  // A COMMIT or ROLLBACK text has ended the transaction already.
  if (!fOptions.Contains(qoAutoCommit) || transaction == nullptr || !transaction->Active()) return;
  if (transaction->TimeoutAction() == TACommitRetaining)
    transaction->CommitRetaining();
  else
    transaction->Commit();
}

// Each value waiting to be a blob becomes a new server blob whose id the parameter sends.
void TFIBQuery::WritePendingBlobs(TFIBXSQLDA& params) {
  if (!fHasPendingBlobs) return;
  TFIBBlobStream stream;
  stream.SetDatabase(Database());
  stream.SetTransaction(Transaction());
  for (int i = 0; i < params.Count(); ++i) {
    TFIBXSQLVAR& param = params[i];
    TMemoryStream* pending = param.PendingBlob();
    if (pending == nullptr) continue;
    stream.SetMode(bmWrite);
    stream.SetBlobSubType(param.IsBlob() ? param.GetServerSQLSubtype() : 1);
    stream.Write(pending->Memory(), pending->Size());
    stream.Post();
    param.SetAsQuad(stream.BlobID());
  }
}

void TFIBQuery::DropPendingBlobs() {
  if (!fHasPendingBlobs) return;
  for (int i = 0; i < fParams.Count(); ++i) fParams[i].DropPendingBlob();
  for (int i = 0; i < fServerParams.Count(); ++i) fServerParams[i].DropPendingBlob();
  fHasPendingBlobs = false;
}

// ---- Fetch and close ----------------------------------------------------------------------------

TFIBXSQLDA* TFIBQuery::Next() {
  if (fEOF) return nullptr;
  if (!fOpen) FIBError(TFIBClientError::SQLClosed, {AnsiString("fetch next record"), FullName()});
  if (OnFetch) {
    bool stop = false;
    OnFetch(this, fRecordCount, stop);
    if (stop && !ComponentState().Contains(csLoading)) throw EAbort();
  }
  IIBClientLibrary& library = Library();
  const ISC_STATUS status = library.isc_dsql_fetch(StatusVector(), fHandle.get(), SQLDA_VERSION1, fColumns.AsXSQLDA());
  Call(0, false);
  if (status == 100 || (status != 0 && StatusVectorContains({kCursorDone}))) {
    fEOF = true;
    TraceFetch();
    LogFetch();
    return nullptr;
  }
  if (status != 0) {
    std::exception_ptr failure;
    try {
      IBError(library, this);
    } catch (...) {
      failure = std::current_exception();
    }
    ReleaseCursorQuietly();
    std::rethrow_exception(failure);
  }
  ++fRecordCount;
  fBOF = false;
  TraceFetch();
  LogFetch();
  return &fColumns;
}

bool TFIBQuery::Eof() {
  if (fEOF && fOpen && fOptions.Contains(qoFreeHandleAfterExecute)) Close();
  return fEOF || !fOpen;
}

void TFIBQuery::Close() {
  ISC_STATUS status = 0;
  if (*fHandle != 0 && fOpen && (fSQLType == SQLSelect || fSQLType == SQLSelectForUpdate)) {
    status = Library().isc_dsql_free_statement(StatusVector(), fHandle.get(), DSQL_close);
    if (StatusVectorContains({kInvalidStatementHandle, kCursorNotOpen})) status = 0;
  }
  // The cursor is closed for this statement even when the server could not be told (a
  // lost attachment): nothing can be fetched from it any more.
  ResetCursorState();
  if (status != 0) Call(status, true);
  if (fOptions.Contains(qoFreeHandleAfterExecute)) FreeHandle();
}

void TFIBQuery::FreeHandle() {
  fColumns.SetCount(0);
  if (*fHandle != 0) {
    const ISC_STATUS status = Library().isc_dsql_free_statement(StatusVector(), fHandle.get(), DSQL_drop);
    if (status != 0 && !StatusVectorContains({kInvalidStatementHandle})) Call(status, true);
  }
  ResetCursorState();
  fPrepared = false;
  *fHandle = 0;
}

void TFIBQuery::Unprepare() {
  // The server lets go of the statement (and of the objects it holds, which data
  // definition may be about to change) but keeps the handle.
  if (*fHandle != 0 && fPrepared) {
    const ISC_STATUS status = Library().isc_dsql_free_statement(StatusVector(), fHandle.get(), DSQL_unprepare);
    if (status != 0 && !StatusVectorContains({kInvalidStatementHandle})) Call(status, true);
  }
  fColumns.SetCount(0);
  ResetCursorState();
  fPrepared = false;
}

void TFIBQuery::ResetCursorState() {
  fEOF = false;
  fBOF = false;
  fOpen = false;
  fProcExecuted = false;
  fRecordCount = 0;
}

void TFIBQuery::ReleaseCursorQuietly() {
  if (*fHandle != 0 && fOpen) {
    ISC_STATUS_ARRAY ignored;
    Library().isc_dsql_free_statement(ignored, fHandle.get(), DSQL_close);
  }
  ResetCursorState();
}

void TFIBQuery::ReleaseHandleQuietly() {
  if (*fHandle != 0 && Database() != nullptr && Database()->Connected()) {
    ISC_STATUS_ARRAY ignored;
    if (Library().isc_dsql_free_statement(ignored, fHandle.get(), DSQL_drop) != 0 && *fHandle != 0) {
      Database()->KeepStatementHandleUntilDetach(std::move(fHandle));
      fHandle = std::make_unique<isc_stmt_handle>(0);
    }
  }
  *fHandle = 0;
  fPrepared = false;
  fColumns.SetCount(0);
  ResetCursorState();
}

// ---- Monitor ----------------------------------------------------------------------------------

AnsiString TFIBQuery::MonitorName() const {
  return fOwnerDataSetName.empty() ? Name() : fOwnerDataSetName + "." + Name();
}

std::optional<AnsiString> TFIBQuery::Plan() {
  // A plan that cannot be read is no failure of the statement: its own status vector
  // keeps the thread's intact.
  ISC_STATUS_ARRAY status{};
  const TInfoAnswer answer = StatementInfo({isc_info_sql_get_plan}, kPlanInfoSize, status);
  Call(0, false);
  if (answer.status != 0 || !answer.complete) return std::nullopt;
  TInfoReader reader(Library(), answer.bytes);
  const auto item = reader.Next();
  if (!item || item->code != isc_info_sql_get_plan) return std::nullopt;
  return AnsiString(item->value);
}

void TFIBQuery::TraceExecute(const TFIBXSQLDA& params, bool succeeded) {
  // Asked first: every execution passes here, and without a reader there is nothing to build.
  if (!MonitoringActive()) return;
  TraceToMonitor([&](TFIBSQLMonitorHook& hook) {
    // The row count is a call to the server and the values a text each: only for a reader
    // that wants executions.
    if (!hook.Wants(TFIBTraceKind::Execute)) return;
    std::optional<Integer> rows;
    if (succeeded && fPrepared && (fSQLType == SQLInsert || fSQLType == SQLUpdate || fSQLType == SQLDelete)) {
      // A count that cannot be read is no failure of the statement: the trace goes without.
      try {
        rows = RowsAffected();
      } catch (const EFIBError&) {
      }
    }
    hook.SQLExecute(MonitorName(), fTextToSend, TraceValues(params, "<NULL>"), rows, fLastExecutionTime);
  });
}

void TFIBQuery::TraceFetch() {
  // Asked at every row: the trace is not even prepared while nobody reads it.
  if (!MonitoringActive()) return;
  TraceToMonitor([this](TFIBSQLMonitorHook& hook) {
    if (!hook.Wants(TFIBTraceKind::Fetch)) return;
    hook.SQLFetch(MonitorName(), fTextToSend, fEOF ? std::vector<TFIBTraceValue>() : TraceValues(fColumns, "NULL"),
                  fEOF);
  });
}

// ---- Log ------------------------------------------------------------------------------------------

ISQLLogger* TFIBQuery::Logger(int flag) const {
  ISQLLogger* logger = Database() != nullptr ? Database()->SQLLogger() : nullptr;
  if (logger == nullptr || (flag != 0 && (logger->LogFlags() & flag) == 0)) return nullptr;
  return logger;
}

void TFIBQuery::LogExecuteError(const Exception& error) {
  if (ISQLLogger* logger = Logger(SQLLogFlagExecute))
    logger->WriteData(FullName(), "Error on execute query. Error message:\"" + error.Message() + "\"", fTextToSend,
                      SQLLogExecute);
}

// The row fetched, or the end of the rows (whose columns hold nothing new).
void TFIBQuery::LogFetch() {
  if (ISQLLogger* logger = Logger(SQLLogFlagFetch))
    logger->WriteData(FullName(), "Fetch:", FetchLogText(fColumns, fEOF), SQLLogFetch);
}

// ---- Links --------------------------------------------------------------------------------------

void TFIBQuery::TransactionEndingHandler(TFIBBase*) {
  const TTransactionState state = Transaction() != nullptr ? Transaction()->State() : tsInactive;
  if ((state == tsDoRollback || state == tsDoCommit) && fOpen && fCloseOnHardTransactionEnd) Close();
  if (TransactionEnding) TransactionEnding(this);
}

void TFIBQuery::TransactionEndedHandler(TFIBBase*) {
  if (TransactionEnded) TransactionEnded(this);
}

// The attachment goes away: its statement handle with it.
void TFIBQuery::DatabaseFreeHandler(TFIBBase*) {
  ReleaseHandleQuietly();
}

// ---- Rows affected ------------------------------------------------------------------------------

int TFIBQuery::RowsAffected() {
  if (!fPrepared) Prepare();
  const TInfoAnswer answer = StatementInfo({isc_info_sql_records}, kRecordsInfoSize, StatusVector());
  Call(answer.status, true);
  if (!answer.complete) InfoAnswerTooLong();
  IIBClientLibrary& library = Library();
  TInfoReader reader(library, answer.bytes);
  if (reader.Code() == isc_info_end) return 0;
  const auto block = reader.Next();
  if (!block || block->code != isc_info_sql_records) FIBError(TFIBClientError::Unknown);
  Int64 selected = 0, inserted = 0, updated = 0, deleted = 0;
  for (TInfoReader counts(library, block->value); counts.Code() != isc_info_end;) {
    const auto item = counts.Next();
    const auto value = item ? counts.Integer(item->value) : std::nullopt;
    if (!value) FIBError(TFIBClientError::Unknown);
    switch (item->code) {
      case isc_info_req_select_count: selected = *value; break;
      case isc_info_req_insert_count: inserted = *value; break;
      case isc_info_req_update_count: updated = *value; break;
      case isc_info_req_delete_count: deleted = *value; break;
      default: FIBError(TFIBClientError::Unknown);
    }
  }
  switch (fSQLType) {
    case SQLSelect: return static_cast<int>(selected);
    case SQLInsert: return static_cast<int>(inserted);
    case SQLUpdate: return static_cast<int>(updated);
    case SQLDelete: return static_cast<int>(deleted);
    default: return static_cast<int>(selected + inserted + updated + deleted);
  }
}

// ---- Columns and parameters ---------------------------------------------------------------------

TFIBXSQLVAR& TFIBQuery::GetFields(int index) {
  if (index < 0 || index >= fColumns.Count()) FIBError(TFIBClientError::FieldNotFound, {"Field No:" + IntToStr(index)});
  return fColumns[index];
}

TFIBXSQLVAR* TFIBQuery::FindField(const AnsiString& name) {
  return fColumns.ByName(name);
}

TFIBXSQLVAR& TFIBQuery::FieldByName(const AnsiString& name) {
  TFIBXSQLVAR* field = FindField(name);
  if (field == nullptr) FIBError(TFIBClientError::FieldNotFound, {name});
  return *field;
}

int TFIBQuery::FieldIndex(const AnsiString& name) const {
  const TFIBXSQLVAR* field = fColumns.ByName(name);
  return field != nullptr ? field->Index() : -1;
}

TFIBXSQLVAR* TFIBQuery::FieldByOrigin(const AnsiString& table, const AnsiString& field) {
  const bool upper = SQLDialect() < 3 || UpperOldNames();
  const AnsiString tableName = upper ? UpperCase(table) : table;
  const AnsiString fieldName = upper ? UpperCase(field) : field;
  for (int i = 0; i < fColumns.Count(); ++i)
    if (fColumns[i].GetRelationName() == tableName && fColumns[i].GetSqlName() == fieldName) return &fColumns[i];
  return nullptr;
}

void TFIBQuery::LoadRelationAliases() {
  if (!fPrepared) Prepare();
  fRelationAliases.assign(static_cast<std::size_t>(fColumns.Count()), AnsiString());
  fRelationAliasesLoaded = true;
  if (fColumns.Count() == 0 || Database()->GetServerMajorVersion() < 2) return;
  IIBClientLibrary& library = Library();
  // Columns are numbered from 1; each answer goes on from the first column it lacked.
  int first = 1;
  while (first <= fColumns.Count()) {
    const std::vector<char> items = {isc_info_sql_sqlda_start, 2, static_cast<char>(first & 0xFF),
                                     static_cast<char>(first >> 8), isc_info_sql_select, isc_info_sql_describe_vars,
                                     isc_info_sql_sqlda_seq, isc_info_sql_relation_alias, isc_info_sql_describe_end};
    const TInfoAnswer answer = StatementInfo(items, kAliasInfoSize, StatusVector());
    Call(answer.status, true);
    const int next = ReadRelationAliases(library, answer.bytes);
    if (next <= first) FIBError(TFIBClientError::Unknown);
    first = next;
  }
}

// Files the aliases of one answer; the number of the first column it did not give.
int TFIBQuery::ReadRelationAliases(IIBClientLibrary& library, const std::vector<char>& answer) {
  int column = 0;
  int lastComplete = 0;
  for (TInfoReader reader(library, answer); !reader.Exhausted();) {
    const char code = reader.Code();
    if (code == isc_info_end) return fColumns.Count() + 1;
    if (code == isc_info_truncated) return lastComplete + 1;
    if (code == isc_info_sql_select || code == isc_info_sql_describe_end) {
      if (code == isc_info_sql_describe_end) lastComplete = column;
      reader.SkipCode();
      continue;
    }
    const auto item = reader.Next();
    if (!item) break;
    if (code == isc_info_sql_sqlda_seq) {
      column = static_cast<int>(reader.Integer(item->value).value_or(0));
    } else if (code == isc_info_sql_relation_alias && column >= 1 && column <= fColumns.Count()) {
      AnsiString alias(item->value);
      if (IsUnicodeCharSet())
        alias = Utf8ToAnsi(alias);
      else if (IsKOI8CharSet())
        alias = WideToAnsi(AnsiToWideCP(alias, CP_KOI8R));
      fRelationAliases[static_cast<std::size_t>(column - 1)] = std::move(alias);
    }
  }
  FIBError(TFIBClientError::Unknown);
}

AnsiString TFIBQuery::TableAliasForField(const AnsiString& fieldName) {
  if (!fPrepared || !fRelationAliasesLoaded) LoadRelationAliases();
  const int index = FieldIndex(fieldName);
  if (index < 0 || static_cast<std::size_t>(index) >= fRelationAliases.size()) return AnsiString();
  const AnsiString& alias = fRelationAliases[static_cast<std::size_t>(index)];
  if (alias.empty() || !NeedQuoteIdentifier(alias)) return alias;
  return "\"" + ReplaceString(alias, "\"", "\"\"") + "\"";
}

TFIBXSQLVAR* TFIBQuery::FindParam(const AnsiString& name) {
  return Params().ByName(name);
}

TFIBXSQLVAR& TFIBQuery::ParamByName(const AnsiString& name) {
  if (TFIBXSQLVAR* param = FindParam(name)) return *param;
  if (IsExecuteProcedure()) return FieldByName(name);
  throw Exception(Format("Parameter \"%s\" does not exist in %s", {name, FullName()}));
}

int TFIBQuery::ParamIndex(const AnsiString& name) const {
  const TFIBXSQLVAR* param = fParams.ByName(name);
  return param != nullptr ? param->Index() : -1;
}

Variant TFIBQuery::FieldValue(int index, bool) const {
  return GetFieldValueByIndex(index);
}

void TFIBQuery::SetParamValue(int index, const Variant& value) {
  fParams.GetVars(index).SetAsVariant(value);
}

// ---- What the lists ask -------------------------------------------------------------------------

Integer TFIBQuery::SQLDialect() const {
  return Database() != nullptr ? Database()->SQLDialect() : SQL_DIALECT_CURRENT;
}

bool TFIBQuery::UpperOldNames() const {
  return Database() != nullptr && Database()->UpperOldNames();
}

bool TFIBQuery::IsUnicodeCharSet() const {
  return Database() != nullptr && Database()->IsUnicodeCharSet();
}

bool TFIBQuery::IsUnicodeOrNoneCharSet() const {
  return Database() != nullptr && Database()->IsUnicodeOrNoneCharSet();
}

bool TFIBQuery::IsKOI8CharSet() const {
  return Database() != nullptr && Database()->IsKOI8CharSet();
}

bool TFIBQuery::IsFB21UnicodeOrNone() const {
  return Database() != nullptr && Database()->IsFB21UnicodeOrNone();
}

bool TFIBQuery::IsUnicodeCharSetID(Integer charSetID) const {
  return Database() != nullptr && Database()->UnicodeCharSetIDs().contains(charSetID);
}

AnsiString TFIBQuery::FullName() const {
  return FullComponentName(this);
}

bool TFIBQuery::ColumnValuesPresent() const {
  return (fOpen && fRecordCount > 0) || fProcExecuted;
}

AnsiString TFIBQuery::ReadBlobText(const ISC_QUAD& blobID, Integer subType, Integer charSetID) {
  TFIBBlobStream stream;
  stream.SetDatabase(Database());
  stream.SetTransaction(Transaction());
  stream.SetBlobSubType(subType);
  stream.SetCharSetID(charSetID);
  stream.SetBlobID(blobID);
  return stream.GetAsString();
}

}  // namespace ordvane
