#pragma once
// Running an SQL script statement by statement.
//
// The scripter splits its Script (or a file, read line by line) into statements with the
// script parser and runs each one: connection, transaction and run settings, nested
// script files and batches on the client side, everything else on the server through its
// own statement component. Events come before and after each statement, and an error
// event decides whether the run stops and whether the transaction is rolled back.

#include <functional>
#include <memory>
#include <vector>

#include "classlib/core/Components.h"
#include "classlib/core/Streams.h"
#include "classlib/core/StringLists.h"
#include "dbclient/pFIBDatabase.h"
#include "dbclient/pFIBQuery.h"
#include "dbclient/pFIBScriptParser.h"

namespace ordvane {

// Before and after a statement: the line it starts on (1-based), its number (1-based),
// its descriptor and its text (nullptr for a batch).
using TOnStatementExecute =
    TEvent<void(TObject* sender, Integer line, Integer statementNo, const TStatementDesc& desc, TStrings* statement)>;
// A statement failed. The handler may clear doRollBack (the effective transaction is then
// kept) and stop (the run then goes on with the next statement).
using TOnSQLScriptExecError = TEvent<void(TObject* sender, Integer statementNo, Integer line, TStrings* statement,
                                          Integer sqlCode, const AnsiString& msg, bool& doRollBack, bool& stop)>;

class TpFIBScripter : public TComponent {
  ORDVANE_CLASS(TpFIBScripter, TComponent)

 public:
  explicit TpFIBScripter(TComponent* owner);
  ~TpFIBScripter() override;

  // ---- Properties
  // A change discards the parse. A text set whole (SetText, LoadFromFile) keeps its line
  // ends for the server.
  TStrings& Script() { return fScript; }
  TpFIBDatabase* Database() const { return fDatabase; }
  // Commits the effective transaction when active; an own database being replaced is
  // freed.
  void SetDatabase(TpFIBDatabase* value);
  // The transaction statements run in; the scripter's own one when none is set.
  TpFIBTransaction* Transaction() const { return fTransaction; }
  void SetTransaction(TpFIBTransaction* value);
  bool AutoDDL() const { return fAutoDDL; }
  void SetAutoDDL(bool value) { fAutoDDL = value; }

  TOnSQLScriptExecError OnExecuteError;
  TOnStatementExecute BeforeStatementExecute;
  TOnStatementExecute AfterStatementExecute;

  // ---- Parsing
  // Splits Script into statements (an unterminated last statement included).
  void Parse(const AnsiString& terminator = ";");
  bool Parsed() const { return fParsed; }
  int StatementsCount() const { return fMap.Count(); }
  // Statement No (1-based) and its text; Exception "Statement №<No> don't exist" beyond
  // the count.
  TStatementDesc GetStatement(int no, TStrings& lines);
  // What the last parse saw.
  bool ConnectSeen() const { return fConnectSeen; }
  bool DMLSeen() const { return fDMLSeen; }
  bool UnknownSeen() const { return fUnknownSeen; }

  // ---- Running
  // Runs the statements of Script from number fromStatement on (parsing it first when
  // needed).
  void ExecuteScript(int fromStatement = 1);
  // Runs one statement whose text is lines (joined by LF for the server); line -1 makes
  // the events report the descriptor's start line + 1; index is the statement's 0-based
  // number.
  void ExecuteStatement(const TStatementDesc& desc, TStrings& lines, Integer line, Integer index);
  // Runs a script file read line by line, never holding more of it than the statement
  // being read.
  void ExecuteFromFile(const AnsiString& fileName, const AnsiString& terminator = ";");

  // The number of the statement at which the last run stopped (the first one not run),
  // 0 when it ran to the end.
  int StoppedAt() const { return fStoppedAt; }
  // The statement that failed last (its number, its text and the error's message); number
  // 0 when none failed since the run began.
  int FailedStatementNo() const { return fFailedStatementNo; }
  const TStrings& FailedStatement() const { return fFailedStatement; }
  const AnsiString& FailedMessage() const { return fFailedMessage; }
  // The number of lines of the script file being read, for progress.
  int FileLineCount() const { return fFileLineCount; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  class TRunScope;
  class TFileScope;

  // One statement as the run sees it: its text as lines, for the events and the client
  // side, and as the server is given it, with the script's own line ends.
  struct TStatementText {
    TStrings& Lines;
    const AnsiString& Text;
  };

  TFIBTransaction& EffectiveTransaction();
  void ScriptChanged(TObject* sender);
  void BeginRun();
  // body as a run: the outermost one ends by EndRun, or by AbandonRun when body raises.
  void Run(bool fromFile, const std::function<void()>& body);
  // The end of the outermost run: a database created by the script is reconnected with
  // forced writes, an own database is committed and freed.
  void EndRun(bool fromFile);
  // An outermost run ends by an exception: a database created by the script gets its
  // forced writes back through an attachment of its own, leaving the run's connection
  // and transaction as they are for the caller.
  void AbandonRun() noexcept;
  // Runs one statement of a script or file, with the batch rules.
  void RunStatement(const TStatementDesc& desc, const TStatementText& statement, Integer line, Integer number);
  // ExecuteStatement with the server's text given.
  void ExecuteStatementText(const TStatementDesc& desc, const TStatementText& statement, Integer line,
                            Integer index);
  void ExecuteBatch(const TStatementDesc& desc, Integer number);
  void Dispatch(const TStatementDesc& desc, const TStatementText& statement);
  // An EFIBError of the statement goes to OnExecuteError when assigned; afterwards the
  // transaction is rolled back as the kind asks.
  void HandleError(const EFIBError& error, const TStatementDesc& desc, TStrings& lines, Integer line, Integer index);
  void NoteFailure(Integer number, const TStrings& lines, const AnsiString& message);

  // Client-side statements.
  TpFIBDatabase& OwnDatabase();
  void Connect(TStrings& lines);
  void ReadConnectionClauses(TScriptTokenReader& tokens);
  void CreateDatabase(TStrings& lines);
  void Reconnect();
  void Commit();
  void Rollback();
  void SetOption(TStrings& lines);
  void Describe(TStrings& lines);
  void Input(TStrings& lines);
  void ReconnectCreatedDatabase(bool fromFile);

  // Server statements.
  void ExecuteOnServer(const AnsiString& text);
  void ExecuteText(const AnsiString& text);
  bool ScriptInConnectionCharSet() const;
  void LoadBlobFileParams();
  TFileStream& BlobFile();

  TScriptLines fScript;
  TpFIBScriptParser fParser;
  TScriptMap fMap;
  bool fParsed = false;
  bool fConnectSeen = false;
  bool fDMLSeen = false;
  bool fUnknownSeen = false;

  TpFIBDatabase* fDatabase = nullptr;
  TpFIBTransaction* fTransaction = nullptr;
  // Owned by the scripter as a component.
  TpFIBTransaction* fOwnTransaction;
  TpFIBQuery* fQuery;
  bool fOwnDatabase = false;
  bool fAutoDDL = true;

  // State of a run.
  int fRunDepth = 0;
  bool fStop = false;
  int fStoppedAt = 0;
  int fFailedStatementNo = 0;
  TStringList fFailedStatement;
  AnsiString fFailedMessage;
  Integer fDialect = 3;
  AnsiString fCharSet;
  bool fRunAutoDDL = true;
  AnsiString fBlobFileName;
  std::unique_ptr<TFileStream> fBlobFile;
  bool fCreatedDatabase = false;
  bool fBatchMode = false;
  std::vector<AnsiString> fBatch;
  int fFileLineCount = 0;
  // The files being read, outermost first, so that a file cannot INPUT itself.
  std::vector<AnsiString> fOpenFiles;
};

}  // namespace ordvane
