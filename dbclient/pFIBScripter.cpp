#include "dbclient/pFIBScripter.h"

#include <algorithm>
#include <functional>

#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"
#include "dbclient/fib.h"

namespace ordvane {

namespace {

// The lines of a text file one by one, read in blocks: a line ends at LF, CR LF or a lone
// CR, as TStrings splits a text; end tells which.
class TScriptFileReader {
 public:
  explicit TScriptFileReader(const AnsiString& fileName) : fFile(fileName, fmOpenRead | fmShareDenyWrite) {}

  bool ReadLine(AnsiString& line, TLineEnd& end) {
    line.clear();
    end = leLF;
    bool any = false;
    for (;;) {
      if (fPos == fLength && !Fill()) return any;
      any = true;
      const std::size_t start = fPos;
      while (fPos < fLength && fBuffer[fPos] != '\n' && fBuffer[fPos] != '\r') ++fPos;
      line.append(fBuffer + start, fPos - start);
      if (fPos == fLength) continue;
      const char c = fBuffer[fPos++];
      if (c == '\r') {
        end = leCR;
        if ((fPos < fLength || Fill()) && fBuffer[fPos] == '\n') {
          ++fPos;
          end = leCRLF;
        }
      }
      return true;
    }
  }

 private:
  bool Fill() {
    fLength = static_cast<std::size_t>(fFile.Read(fBuffer, sizeof fBuffer));
    fPos = 0;
    return fLength > 0;
  }

  TFileStream fFile;
  char fBuffer[65536];
  std::size_t fPos = 0;
  std::size_t fLength = 0;
};

int CountFileLines(const AnsiString& fileName) {
  TScriptFileReader reader(fileName);
  int count = 0;
  TLineEnd end;
  for (AnsiString line; reader.ReadLine(line, end);) ++count;
  return count;
}

// The text of lines for the server when a caller hands only the lines.
AnsiString JoinedByLF(const TStrings& lines) {
  AnsiString text;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) text += '\n';
    text += lines.Strings(i);
  }
  return text;
}

// A descriptor that spans the whole of a statement's text, for reading its tokens.
TStatementDesc WholeText(const TStrings& lines) {
  TStatementDesc desc;
  desc.StartCol = 1;
  desc.StartLine = 0;
  desc.EndLine = lines.Count() - 1;
  desc.EndCol = lines.Count() > 0 ? static_cast<Integer>(lines.Strings(lines.Count() - 1).size()) : 0;
  return desc;
}

// The token after the first word of a statement (CONNECT x, INPUT x, ...).
AnsiString SecondToken(const TStrings& lines, int skip = 1) {
  const TStatementDesc desc = WholeText(lines);
  TScriptTokenReader tokens(lines, desc);
  TScriptToken token;
  return tokens.Skip(skip, token) ? token.Text : AnsiString();
}

// Statements that go to the server as they are written.
bool RunsOnServer(TStatementKind kind) {
  switch (kind) {
    case skUnknown:
    case skUnclassified:
    case skDML:
    case skCreate:
    case skAlter:
    case skRecreate:
    case skDrop:
    case skSetGenerator:
    case skDeclare:
    case skComment:
    case skGrant:
    case skBatch:
      return true;
    default:
      return false;
  }
}

// Statements whose database errors go through the error event.
bool ReportsErrors(TStatementKind kind) {
  switch (kind) {
    case skConnect:
    case skCreateDatabase:
    case skCommit:
      return true;
    default:
      return RunsOnServer(kind);
  }
}

// A database name written in a script is ANSI text; the engine takes file names in the
// file system's encoding.
AnsiString DatabaseNameToSystem(const AnsiString& name) { return AnsiToUtf8(name); }

bool ReadHex(const AnsiString& text, std::size_t from, std::size_t count, Int64& value) {
  value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else
      return false;
    value = value * 16 + digit;
  }
  return true;
}

}  // namespace

// ---- Runs ------------------------------------------------------------------------------

// One run of ExecuteScript or ExecuteFromFile. Only the outermost one (an INPUT file runs
// inside the script that names it) starts the run's state and ends the run: the nested
// file shares the connection, the settings and the stop flag of the script around it.
class TpFIBScripter::TRunScope {
 public:
  explicit TRunScope(TpFIBScripter& scripter) : fScripter(scripter), fOutermost(scripter.fRunDepth == 0) {
    if (fOutermost) fScripter.BeginRun();
    ++fScripter.fRunDepth;
  }
  ~TRunScope() {
    --fScripter.fRunDepth;
    if (fOutermost) {
      // Also when the run ends by an exception: the file is not left open.
      fScripter.fBlobFile.reset();
      fScripter.fBatchMode = false;
      fScripter.fBatch.clear();
    }
  }
  TRunScope(const TRunScope&) = delete;
  TRunScope& operator=(const TRunScope&) = delete;

  bool Outermost() const { return fOutermost; }

 private:
  TpFIBScripter& fScripter;
  bool fOutermost;
};

// A script file being read: listed while open, so that it cannot INPUT itself.
class TpFIBScripter::TFileScope {
 public:
  TFileScope(TpFIBScripter& scripter, const AnsiString& fileName) : fScripter(scripter) {
    const AnsiString fullName = ExpandFileName(fileName);
    if (std::find(scripter.fOpenFiles.begin(), scripter.fOpenFiles.end(), fullName) != scripter.fOpenFiles.end())
      throw Exception("Script file \"" + fileName + "\" is already being run: INPUT cannot nest a file in itself");
    scripter.fOpenFiles.push_back(fullName);
  }
  ~TFileScope() { fScripter.fOpenFiles.pop_back(); }
  TFileScope(const TFileScope&) = delete;
  TFileScope& operator=(const TFileScope&) = delete;

 private:
  TpFIBScripter& fScripter;
};

// ---- Construction and properties --------------------------------------------------------

TpFIBScripter::TpFIBScripter(TComponent* owner)
    : TComponent(owner), fOwnTransaction(new TpFIBTransaction(this)), fQuery(new TpFIBQuery(this)) {
  fScript.OnChange = TNotifyEvent::Bind(this, &TpFIBScripter::ScriptChanged);
  fQuery->SetTransaction(fOwnTransaction);
  // Scripts have no macros: an at sign is left to the server.
  fQuery->SetMacroChar('\0');
  // Most statements of a script run once: those that can go in one call to the server.
  fQuery->SetExecuteUnprepared(true);
}

TpFIBScripter::~TpFIBScripter() {
  if (fDatabase != nullptr && !fOwnDatabase) fDatabase->RemoveFreeNotification(this);
  if (fTransaction != nullptr) fTransaction->RemoveFreeNotification(this);
}

void TpFIBScripter::ScriptChanged(TObject*) { fParsed = false; }

TFIBTransaction& TpFIBScripter::EffectiveTransaction() {
  return fTransaction != nullptr ? *fTransaction : *fOwnTransaction;
}

void TpFIBScripter::SetDatabase(TpFIBDatabase* value) {
  if (value == fDatabase) return;
  TFIBTransaction& transaction = EffectiveTransaction();
  if (transaction.Active()) transaction.Commit();
  TpFIBDatabase* previous = fDatabase;
  const bool freePrevious = fOwnDatabase && previous != nullptr;
  if (previous != nullptr && !fOwnDatabase) previous->RemoveFreeNotification(this);
  fOwnDatabase = value != nullptr && value->Owner() == this;
  fDatabase = value;
  if (value != nullptr) value->FreeNotification(this);
  fOwnTransaction->SetDefaultDatabase(value);
  if (fTransaction != nullptr) fTransaction->SetDefaultDatabase(value);
  fQuery->SetDatabase(value);
  fQuery->SetTransaction(&EffectiveTransaction());
  if (freePrevious) delete previous;
}

void TpFIBScripter::SetTransaction(TpFIBTransaction* value) {
  if (value == fTransaction) return;
  if (fTransaction != nullptr) fTransaction->RemoveFreeNotification(this);
  fTransaction = value;
  if (value != nullptr) {
    value->FreeNotification(this);
    value->SetDefaultDatabase(fDatabase);
  }
  fQuery->SetTransaction(&EffectiveTransaction());
}

void TpFIBScripter::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == fDatabase) {
    fDatabase = nullptr;
    fOwnDatabase = false;
  }
  if (component == fTransaction) {
    fTransaction = nullptr;
    fQuery->SetTransaction(fOwnTransaction);
  }
}

// ---- Parsing ----------------------------------------------------------------------------

void TpFIBScripter::Parse(const AnsiString& terminator) {
  AnsiString endTerminator = terminator;
  fParser.ParseScript(fScript, endTerminator, true, fMap);
  fParsed = true;
  fConnectSeen = fParser.ConnectSeen();
  fDMLSeen = fParser.DMLSeen();
  fUnknownSeen = fParser.UnknownSeen();
}

TStatementDesc TpFIBScripter::GetStatement(int no, TStrings& lines) {
  if (no < 1 || no > fMap.Count())
    throw Exception(Utf8ToAnsi("Statement №") + IntToStr(no) + " don't exist");
  const TStatementDesc& desc = fMap[no - 1];
  ExtractStatement(fScript, desc, lines);
  return desc;
}

// ---- Running ----------------------------------------------------------------------------

void TpFIBScripter::BeginRun() {
  fRunAutoDDL = fAutoDDL;
  fStop = false;
  fStoppedAt = 0;
  fFailedStatementNo = 0;
  fFailedStatement.Clear();
  fFailedMessage.clear();
  fDialect = 3;
  fCharSet.clear();
  fBlobFileName.clear();
  fBatchMode = false;
  fBatch.clear();
}

void TpFIBScripter::EndRun(bool fromFile) {
  if (fCreatedDatabase) ReconnectCreatedDatabase(fromFile);
  if (fOwnDatabase) {
    TFIBTransaction& transaction = EffectiveTransaction();
    if (transaction.Active()) transaction.Commit();
    SetDatabase(nullptr);
  }
  fBlobFile.reset();
}

void TpFIBScripter::ReconnectCreatedDatabase(bool fromFile) {
  fCreatedDatabase = false;
  if (fDatabase == nullptr) return;
  // The disconnect would roll back what the script left uncommitted.
  Commit();
  fDatabase->Close();
  fDatabase->SetDPBValue("force_write", "1");
  if (fromFile) fDatabase->SetDPBValue("no_reserve", "0");
  fDatabase->Connect();
}

void TpFIBScripter::AbandonRun() noexcept {
  if (!fCreatedDatabase) return;
  fCreatedDatabase = false;
  if (fDatabase == nullptr) return;
  // The flag lives in the database file: any attachment that asks for forced writes sets
  // it for all. A failure here must not hide the error that ended the run.
  try {
    TpFIBDatabase restorer(nullptr);
    restorer.SetDBName(fDatabase->DBName());
    restorer.DBParams().Assign(&fDatabase->DBParams());
    restorer.SetDPBValue("force_write", "1");
    restorer.SetSQLDialect(fDatabase->SQLDialect());
    restorer.Connect();
    restorer.Close();
  } catch (const std::exception&) {
  }
}

void TpFIBScripter::Run(bool fromFile, const std::function<void()>& body) {
  TRunScope run(*this);
  try {
    body();
    if (run.Outermost()) EndRun(fromFile);
  } catch (...) {
    if (run.Outermost()) AbandonRun();
    throw;
  }
}

void TpFIBScripter::ExecuteScript(int fromStatement) {
  Run(false, [&] {
    if (!fParsed) Parse(";");
    TStringList lines;
    for (int number = std::max(fromStatement, 1); number <= fMap.Count(); ++number) {
      if (fStop) {
        fStoppedAt = number;
        break;
      }
      const TStatementDesc desc = GetStatement(number, lines);
      const AnsiString text = StatementText(fScript, fScript.LineEnds(), desc);
      RunStatement(desc, {lines, text}, -1, number);
    }
  });
}

void TpFIBScripter::ExecuteFromFile(const AnsiString& fileName, const AnsiString& terminator) {
  const bool outermost = fRunDepth == 0;
  Run(true, [&] {
    TFileScope file(*this, fileName);
    const int lineCount = CountFileLines(fileName);
    if (outermost) fFileLineCount = lineCount;
    TScriptFileReader reader(fileName);
    TScriptFeed feed(fParser, terminator);
    TStringList lines;
    int linesRead = 0;
    int number = 0;
    // Runs the statements the feed has completed; false once the run is stopped.
    auto runReady = [&]() {
      for (int i = 0; i < feed.ReadyCount(); ++i) {
        if (fStop) {
          fStoppedAt = number + 1;
          return false;
        }
        feed.ReadyText(i, lines);
        const AnsiString text = feed.ReadyStatementText(i);
        RunStatement(feed.Ready(i), {lines, text}, linesRead, ++number);
      }
      feed.Consume();
      return true;
    };
    bool stopped = false;
    TLineEnd end;
    for (AnsiString line; !stopped && reader.ReadLine(line, end);) {
      ++linesRead;
      feed.AddLine(line, end);
      stopped = !runReady();
    }
    if (!stopped) {
      // A last statement without a terminator runs too.
      feed.Finish();
      runReady();
    }
  });
}

void TpFIBScripter::RunStatement(const TStatementDesc& desc, const TStatementText& statement, Integer line,
                                 Integer number) {
  switch (desc.Kind) {
    case skBatchStart:
      fBatchMode = true;
      fBatch.clear();
      return;
    case skBatchExecute:
      fBatchMode = false;
      ExecuteBatch(desc, number);
      return;
    default:
      if (fBatchMode) {
        fBatch.push_back(statement.Text);
        return;
      }
      ExecuteStatementText(desc, statement, line, number - 1);
  }
}

// The client library has no batch entry points: the texts run one by one in one
// transaction.
void TpFIBScripter::ExecuteBatch(const TStatementDesc& desc, Integer number) {
  const std::vector<AnsiString> batch = std::move(fBatch);
  fBatch.clear();
  TFIBTransaction& transaction = EffectiveTransaction();
  if (!transaction.Active()) transaction.StartTransaction();
  if (BeforeStatementExecute) BeforeStatementExecute(this, desc.StartLine + 1, number, desc, nullptr);
  TStringList lines;
  for (const AnsiString& text : batch) {
    try {
      ExecuteText(text);
    } catch (const EFIBError& error) {
      lines.SetText(text);
      NoteFailure(number, lines, error.Message());
      if (!OnExecuteError) throw;
      TStatementDesc failed = desc;
      failed.Kind = skBatch;
      HandleError(error, failed, lines, desc.StartLine + 1, number - 1);
      return;
    }
  }
}

void TpFIBScripter::ExecuteStatement(const TStatementDesc& desc, TStrings& lines, Integer line, Integer index) {
  const AnsiString text = JoinedByLF(lines);
  ExecuteStatementText(desc, {lines, text}, line, index);
}

void TpFIBScripter::ExecuteStatementText(const TStatementDesc& desc, const TStatementText& statement, Integer line,
                                         Integer index) {
  TStrings& lines = statement.Lines;
  const Integer eventLine = line == -1 ? desc.StartLine + 1 : line;
  if (BeforeStatementExecute) BeforeStatementExecute(this, eventLine, index + 1, desc, &lines);
  try {
    Dispatch(desc, statement);
    if (RunsOnServer(desc.Kind)) {
      if (AfterStatementExecute) AfterStatementExecute(this, eventLine, index + 1, desc, &lines);
      // A select is not left open: the next statement's text could not be set.
      fQuery->Close();
      if (fRunAutoDDL && fQuery->GetSQLKind() == TSQLKind::DDL) fQuery->Transaction()->Commit();
    }
  } catch (const EFIBError& error) {
    NoteFailure(index + 1, lines, error.Message());
    if (!ReportsErrors(desc.Kind) || !OnExecuteError) throw;
    HandleError(error, desc, lines, eventLine, index);
  } catch (const std::exception& error) {
    NoteFailure(index + 1, lines, error.what());
    throw;
  }
}

void TpFIBScripter::NoteFailure(Integer number, const TStrings& lines, const AnsiString& message) {
  fFailedStatementNo = number;
  fFailedStatement.Assign(&lines);
  fFailedMessage = message;
}

void TpFIBScripter::HandleError(const EFIBError& error, const TStatementDesc& desc, TStrings& lines, Integer line,
                                Integer index) {
  const bool onServer = RunsOnServer(desc.Kind);
  bool doRollBack = onServer;
  bool stop = true;
  fStop = true;
  OnExecuteError(this, index + 1, line, &lines, error.SQLCode(), error.Message(), doRollBack, stop);
  fStop = stop;
  TFIBTransaction& transaction = EffectiveTransaction();
  if (((onServer && doRollBack) || desc.Kind == skCommit) && transaction.Active()) transaction.Rollback();
}

void TpFIBScripter::Dispatch(const TStatementDesc& desc, const TStatementText& statement) {
  TStrings& lines = statement.Lines;
  switch (desc.Kind) {
    case skConnect:
      Connect(lines);
      break;
    case skDisconnect:
      if (fDatabase != nullptr) fDatabase->Close();
      break;
    case skReconnect:
      Reconnect();
      break;
    case skCreateDatabase:
      CreateDatabase(lines);
      break;
    case skDropDatabase:
      if (fDatabase == nullptr) FIBError(TFIBClientError::DatabaseNotAssigned, {Name()});
      fDatabase->DropDatabase();
      break;
    case skCommit:
      Commit();
      break;
    case skRollback:
      Rollback();
      break;
    case skSet:
      SetOption(lines);
      break;
    case skDescribe:
      Describe(lines);
      break;
    case skInput:
      Input(lines);
      break;
    default:
      ExecuteOnServer(statement.Text);
  }
}

// ---- Client-side statements ------------------------------------------------------------

TpFIBDatabase& TpFIBScripter::OwnDatabase() {
  if (fDatabase == nullptr) SetDatabase(new TpFIBDatabase(this));
  if (fDatabase->Connected()) fDatabase->Close();
  return *fDatabase;
}

void TpFIBScripter::Connect(TStrings& lines) {
  TpFIBDatabase& database = OwnDatabase();
  database.SetDBName(DatabaseNameToSystem(SecondToken(lines)));
  const TStatementDesc desc = WholeText(lines);
  TScriptTokenReader tokens(lines, desc);
  ReadConnectionClauses(tokens);
  database.Connect();
}

void TpFIBScripter::ReadConnectionClauses(TScriptTokenReader& tokens) {
  TpFIBDatabase& database = *fDatabase;
  if (database.Connected()) database.Close();
  database.DBParams().Clear();
  TScriptToken token, value;
  while (tokens.Next(token)) {
    if (token.Is("USER")) {
      if (tokens.Next(value)) database.ConnectParams().SetUserName(value.Text);
    } else if (token.Is("PASSWORD")) {
      if (tokens.Next(value)) database.ConnectParams().SetPassword(value.Text);
    } else if (token.Is("ROLE")) {
      if (tokens.Next(value)) database.ConnectParams().SetRoleName(value.Text);
    }
  }
  database.SetSQLDialect(fDialect);
  database.ConnectParams().SetCharSet(fCharSet);
}

void TpFIBScripter::CreateDatabase(TStrings& lines) {
  TpFIBDatabase& database = OwnDatabase();
  const TStatementDesc desc = WholeText(lines);
  TScriptTokenReader tokens(lines, desc);
  TScriptToken token;
  // CREATE DATABASE (or SCHEMA) name, then the clauses.
  if (!tokens.Skip(2, token)) FIBErrorText("CREATE DATABASE without a database name");
  database.SetDBName(DatabaseNameToSystem(token.Text));
  database.DBParams().SetText(tokens.Rest());
  database.SetSQLDialect(fDialect);
  database.CreateDatabase();
  if (database.IsFB21UnicodeOrNone() && database.GetAttachmentCharSetID() == 0) {
    TScriptTokenReader clauses(lines, desc);
    ReadConnectionClauses(clauses);
    // Until the run ends the new database writes asynchronously; then it is reconnected
    // with forced writes.
    database.SetDPBValue("force_write", "0");
    fCreatedDatabase = true;
    database.Connect();
  }
}

void TpFIBScripter::Reconnect() {
  if (fDatabase == nullptr) FIBError(TFIBClientError::DatabaseNotAssigned, {Name()});
  Commit();
  fDatabase->Close();
  fDatabase->Connect();
}

void TpFIBScripter::Commit() {
  TFIBTransaction& transaction = EffectiveTransaction();
  if (transaction.Active()) transaction.Commit();
}

void TpFIBScripter::Rollback() {
  TFIBTransaction& transaction = EffectiveTransaction();
  if (transaction.Active()) transaction.Rollback();
}

void TpFIBScripter::SetOption(TStrings& lines) {
  const TStatementDesc desc = WholeText(lines);
  TScriptTokenReader tokens(lines, desc);
  TScriptToken option, value;
  if (!tokens.Skip(1, option)) return;
  if (option.Is("AUTODDL")) {
    if (!tokens.Next(value)) return;
    if (value.Is("ON")) fRunAutoDDL = true;
    if (value.Is("OFF")) fRunAutoDDL = false;
  } else if (option.Is("SQL")) {
    if (tokens.Next(value) && value.Is("DIALECT") && tokens.Next(value)) fDialect = StrToInt(value.Text);
  } else if (option.Is("NAMES")) {
    if (tokens.Next(value)) fCharSet = value.Text;
  } else if (option.Is("BLOBFILE")) {
    if (!tokens.Next(value)) return;
    fBlobFile.reset();
    fBlobFileName = value.Text;
  }
}

void TpFIBScripter::Describe(TStrings& lines) {
  const TStatementDesc desc = WholeText(lines);
  TScriptTokenReader tokens(lines, desc);
  TScriptToken objectWord, name, owner;
  tokens.Skip(1, objectWord);
  const char* sql = nullptr;
  bool twoNames = false;
  if (objectWord.Is("DOMAIN")) {
    sql = "UPDATE RDB$FIELDS SET RDB$DESCRIPTION =:DESCR WHERE (RDB$FIELD_NAME =:FIELD)";
  } else if (objectWord.Is("TABLE") || objectWord.Is("VIEW")) {
    sql = "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION =:DESCR WHERE RDB$RELATION_NAME =:TABNAME";
  } else if (objectWord.Is("TRIGGER")) {
    sql = "UPDATE RDB$TRIGGERS SET RDB$DESCRIPTION =:DESCR WHERE (RDB$TRIGGER_NAME =:TR_NAME)";
  } else if (objectWord.Is("COLUMN") || objectWord.Is("FIELD")) {
    sql =
        "UPDATE RDB$RELATION_FIELDS SET RDB$DESCRIPTION =:DESCR WHERE (RDB$RELATION_NAME =:TABNAME) and "
        "(RDB$FIELD_NAME =:FIELD)";
    twoNames = true;
  } else if (objectWord.Is("PARAMETER")) {
    sql =
        "UPDATE RDB$PROCEDURE_PARAMETERS SET RDB$DESCRIPTION =:DESCR WHERE (RDB$PROCEDURE_NAME =:PROCNAME) "
        "and(RDB$PARAMETER_NAME =:FIELD)";
    twoNames = true;
  } else if (objectWord.Is("PROCEDURE")) {
    sql = "UPDATE RDB$PROCEDURES SET RDB$DESCRIPTION =:DESCR WHERE (RDB$PROCEDURE_NAME =:PROCNAME)";
  } else if (objectWord.Is("EXCEPTION")) {
    sql = "UPDATE RDB$EXCEPTIONS SET RDB$DESCRIPTION =:DESCR WHERE (RDB$EXCEPTION_NAME =:EXC_NAME)";
  } else if (objectWord.Is("FUNCTION")) {
    sql = "update RDB$FUNCTIONS set RDB$DESCRIPTION = ?DESC where (RDB$FUNCTION_NAME = ?FUNC_NAME)";
  } else if (objectWord.Is("GENERATOR")) {
    sql = "update RDB$GENERATORS SET RDB$DESCRIPTION = ?DESC where (RDB$GENERATOR_NAME = ?GEN_NAME)";
  } else {
    throw Exception("Unsupported DESCRIBE type " + objectWord.Text);
  }
  tokens.Next(name);
  // DESCRIBE COLUMN name TABLE table 'text': the owner is two tokens on.
  if (twoNames) tokens.Skip(1, owner);
  const AnsiString description = AnsiDequotedStr(tokens.Rest(), '\'');
  if (fQuery->Open()) fQuery->Close();
  TFIBTransaction& transaction = EffectiveTransaction();
  if (!transaction.Active()) transaction.StartTransaction();
  fQuery->SQL().SetText(sql);
  fQuery->SetParamValue(0, Variant(description));
  if (twoNames) {
    fQuery->SetParamValue(1, Variant(owner.Text));
    fQuery->SetParamValue(2, Variant(name.Text));
  } else {
    fQuery->SetParamValue(1, Variant(name.Text));
  }
  fQuery->ExecQuery();
}

void TpFIBScripter::Input(TStrings& lines) {
  const AnsiString fileName = SecondToken(lines);
  if (fileName.empty()) FIBErrorText("INPUT without a file name");
  ExecuteFromFile(fileName, ";");
}

// ---- Server statements -------------------------------------------------------------------

void TpFIBScripter::ExecuteOnServer(const AnsiString& text) {
  if (fDatabase == nullptr) FIBError(TFIBClientError::DatabaseNotAssigned, {Name()});
  ExecuteText(text);
}

void TpFIBScripter::ExecuteText(const AnsiString& text) {
  if (fQuery->Open()) fQuery->Close();
  TFIBTransaction& transaction = EffectiveTransaction();
  if (!transaction.Active()) transaction.StartTransaction();
  fQuery->SetTextInConnectionCharSet(ScriptInConnectionCharSet());
  fQuery->SetSQLText(text);
  if (!fBlobFileName.empty()) LoadBlobFileParams();
  fQuery->ExecQuery();
}

// A script that names its character set (SET NAMES) holds text in it, as isql-fb reads
// it: on a connection of that character set its bytes go to the server unchanged.
// Otherwise the script is ANSI text, converted like any statement's.
bool TpFIBScripter::ScriptInConnectionCharSet() const {
  return fDatabase != nullptr && !fCharSet.empty() &&
         SameText(Trim(fCharSet), Trim(fDatabase->ConnectParams().CharSet()));
}

TFileStream& TpFIBScripter::BlobFile() {
  if (!fBlobFile) fBlobFile = std::make_unique<TFileStream>(fBlobFileName, fmOpenRead | fmShareDenyWrite);
  return *fBlobFile;
}

// A parameter named Hoooooooo_ssssssss takes ssssssss bytes at offset oooooooo of the blob
// file (both hexadecimal); size 0 is null.
void TpFIBScripter::LoadBlobFileParams() {
  for (int i = fQuery->GetParamCount() - 1; i >= 0; --i) {
    TFIBXSQLVAR& param = fQuery->Params().GetVars(i);
    const AnsiString name = param.Name();
    if (name.empty() || (name[0] != 'H' && name[0] != 'h')) continue;
    Int64 offset = 0, size = 0;
    if (name.size() != 18 || name[9] != '_' || !ReadHex(name, 1, 8, offset) || !ReadHex(name, 10, 8, size))
      FIBErrorText("Blob file parameter \"%s\" is not of the form H<offset>_<size> in hexadecimal",
                   {AnsiString(name)});
    if (size == 0) {
      param.SetIsNull(true);
      continue;
    }
    TFileStream& file = BlobFile();
    const Int64 fileSize = file.Size();
    if (offset > fileSize || size > fileSize - offset)
      FIBErrorText("Blob file parameter \"%s\" reaches past the end of blob file \"%s\" (%d bytes)",
                   {AnsiString(name), fBlobFileName, fileSize});
    AnsiString bytes(static_cast<std::size_t>(size), '\0');
    file.SetPosition(offset);
    file.ReadBuffer(bytes.data(), size);
    TStringStream stream(std::move(bytes));
    param.LoadFromStream(stream);
  }
}

}  // namespace ordvane
