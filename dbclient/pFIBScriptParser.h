#pragma once
// Splitting an SQL script into statements and telling what each one is.
//
// The scanner walks the script once, character by character, keeping track of comments,
// quoted strings and the statement terminator (which SET TERM changes). Each statement it
// finds is recorded as a TStatementDesc: where it starts and ends in the script's lines,
// its kind (from its first word), the kind of object it works on and that object's name.
// The classifier also decides whether a procedure or trigger body cut at a semicolon is
// complete, so that such bodies run without SET TERM.
//
// Text is 8-bit, in whatever code page the script is in: keywords are ASCII and compared
// without regard to ASCII case, every other byte is taken as it is. A terminator is any
// run of characters (";", "^", "!!", "##") and is matched whole.
//
// Lines are held without their line ends; where a script brings its own (a text set
// whole, a file read line by line), they are kept beside the lines, so that a statement
// reaches the server with exactly the bytes the script held between its first and last
// character.

#include <string_view>
#include <vector>

#include "classlib/core/StringLists.h"
#include "classlib/core/System.h"
#include "dbclient/FIBSQLText.h"

namespace ordvane {

// What a statement is, by its first word (and for some, the words after it).
enum TStatementKind : Byte {
  skUnknown = 0,       // anything not listed below, SELECT included: runs on the server
  skUnclassified = 1,  // starts with a lone "-" or "/", or BATCH with another word
  skDML = 2,           // DELETE, EXECUTE, INSERT, MERGE, UPDATE
  skConnect = 3,
  skDisconnect = 4,
  skReconnect = 5,
  skCreateDatabase = 6,
  skDropDatabase = 7,
  skCommit = 8,
  skRollback = 9,
  skCreate = 10,
  skAlter = 11,
  skRecreate = 12,
  skDrop = 13,
  skSet = 14,
  skSetGenerator = 15,
  skDescribe = 16,
  skDeclare = 17,
  skComment = 18,
  skGrant = 19,  // GRANT or REVOKE
  skInput = 20,
  skBatch = 21,
  skBatchStart = 22,
  skBatchExecute = 23,
};

// The kind of object a statement works on, by its object word.
enum TObjectKind : Byte {
  okNone = 0,
  okDatabase = 1,
  okDomain = 2,
  okTable = 3,
  okView = 4,
  okProcedure = 5,
  okTrigger = 6,
  okFunction = 7,
  okException = 8,
  okGenerator = 9,
  okIndex = 10,
  okConstraint = 11,
  okFilter = 12,
  okColumn = 13,  // COLUMN or FIELD
  okParameter = 14,
  okRole = 15,
};

// How a line ended in the text it came from.
enum TLineEnd : Byte { leLF = 0, leCRLF = 1, leCR = 2 };
using TLineEnds = std::vector<TLineEnd>;

// The bytes of a line end.
std::string_view LineEndText(TLineEnd end);

// Script lines that remember the line ends of a text set whole (SetText, LoadFromFile).
// Any other change forgets them: lines edited one by one end in LF.
class TScriptLines : public TStringList {
 public:
  void SetText(const AnsiString& text) override;
  const TLineEnds& LineEnds() const { return fLineEnds; }

 protected:
  void Changed() override;

 private:
  TLineEnds fLineEnds;
  bool fSettingText = false;
};

// One statement of a script. Lines are 0-based indices into the script's lines, columns
// are 1-based. Columns are 32-bit: generated scripts have lines far longer than 65535
// characters.
struct TStatementDesc {
  Integer StartCol = 0;
  Integer StartLine = 0;
  // The last character before the terminator. A terminator at the start of a line ends
  // the statement at the end of the line before it, so EndCol is 0 when that line is
  // empty. EndLine is -1 while the statement has no end.
  Integer EndCol = 0;
  Integer EndLine = -1;
  TStatementKind Kind = skUnknown;
  TObjectKind ObjectKind = okNone;
  AnsiString ObjectName;

  bool Closed() const { return EndLine >= 0; }
};

// The statements of a script, in script order. Room is made in steps: the first
// capacity is max(3, line count / 16); a full map grows by 4 while its capacity is at
// most 8, by 16 while at most 64, and by a quarter beyond that.
class TScriptMap {
 public:
  // Empties the map and makes room for a script of lineCount lines.
  void Reset(int lineCount);
  void Add(const TStatementDesc& desc);
  void DeleteLast() { fItems.pop_back(); }
  // Removes the first count statements.
  void DeleteFirst(int count);
  // Cuts the capacity to the number of statements.
  void Cut();

  int Count() const { return static_cast<int>(fItems.size()); }
  int Capacity() const { return fCapacity; }
  TStatementDesc& operator[](int index) { return fItems[static_cast<std::size_t>(index)]; }
  const TStatementDesc& operator[](int index) const { return fItems[static_cast<std::size_t>(index)]; }
  TStatementDesc& Last() { return fItems.back(); }

 private:
  void Reserve(int capacity);

  std::vector<TStatementDesc> fItems;
  int fCapacity = 0;
};

// One token of a statement: a quoted string (without its quotes, doubled quotes read as
// one; a q'...' literal without its quotes and delimiters) or a word.
struct TScriptToken {
  AnsiString Text;
  bool Quoted = false;

  // An unquoted word equal to keyword, ignoring ASCII case.
  bool Is(const char* keyword) const;
};

// Reads the tokens of one statement in order, skipping blanks, line ends and comments,
// never past the statement's end (an open statement runs to the end of the lines). A word
// ends at a blank or at one of ( ) , ; = < > + * | - / ^ ! ~ [ ] { } and a quote; such a
// character standing alone is a token of its own.
class TScriptTokenReader {
 public:
  TScriptTokenReader(const TStrings& lines, const TStatementDesc& desc);

  // False at the statement's end. A quoted token whose closing quote is not within the
  // statement raises Exception "Can't find end token".
  bool Next(TScriptToken& token);
  // Next, skipping count tokens first; false when the statement ends before.
  bool Skip(int count, TScriptToken& token);
  // The statement's text from the position after the last token read, lines joined by
  // LF, without leading blanks.
  AnsiString Rest();

 private:
  void LoadLine(int line);
  // Moves past the ends of lines to the next character; false at the statement's end.
  bool Settle();
  char Current() const { return fText[static_cast<std::size_t>(fCol - 1)]; }
  bool NextIs(char c) const;
  bool SkipBlanksAndComments();
  // From the opening character to past the literal's end. With doubling the closer ends
  // it and a doubled closer stands for one; without, the closer followed by a quote ends
  // it (a q'...' literal).
  void ReadQuoted(TScriptToken& token, char closer, bool doubling);
  void ReadWord(TScriptToken& token);

  const TStrings& fLines;
  Integer fEndLine;
  Integer fEndCol;
  Integer fLine;
  Integer fCol;
  // The current line, up to the statement's last column on it.
  AnsiString fText;
};

// The text of a statement: from its start column on its start line to its end column on
// its end line (an open statement runs to the end of the lines).
void ExtractStatement(const TStrings& lines, const TStatementDesc& desc, TStrings& statement);
// The same text as one string, each line followed by its line end in ends (LF beyond
// them), the last one by none.
AnsiString StatementText(const TStrings& lines, const TLineEnds& ends, const TStatementDesc& desc);

class TpFIBScriptParser;

// The scanner's state between lines, so that a script can be scanned as it arrives.
class TScriptScanner {
 public:
  // Statements found go into map; the parser classifies them.
  TScriptScanner(TpFIBScriptParser& parser, const TStrings& lines, TScriptMap& map, const AnsiString& terminator);

  // Scans line index of the lines.
  void ScanLine(int index);
  // The end of the script. With keepLast an unterminated last statement ends at the end
  // of the last line and is classified; without, it stays open in the map.
  void Finish(bool keepLast);

  const AnsiString& Terminator() const { return fTerminator; }
  bool InStatement() const { return fInStatement; }

 private:
  enum class TLexState { Normal, Comment, SingleQuoted, DoubleQuoted, QuotedLiteral };
  enum class TSetTerm { None, Armed, Reading };

  bool TerminatorAt(const AnsiString& s, std::size_t i) const;
  // SET TERM reads its new terminator: the first run of characters other than blanks.
  void ReadCandidate(char c);
  void StartStatement(TStatementKind kind, int col, int line);
  void EndStatement(int col, int line);
  void EndSetTerm();
  void CloseStatement();

  TpFIBScriptParser& fParser;
  const TStrings& fLines;
  TScriptMap& fMap;
  AnsiString fTerminator;
  // The terminator SET TERM has read so far, and whether a blank has ended it.
  AnsiString fCandidate;
  bool fCandidateEnded = false;
  TLexState fState = TLexState::Normal;
  // What closes the q'...' literal being scanned.
  char fLiteralCloser = '\0';
  TSetTerm fSetTerm = TSetTerm::None;
  bool fInStatement = false;
};

class TpFIBScriptParser {
 public:
  // Splits lines into statements. terminator is the one in force at the start and comes
  // back as the one in force at the end (after the script's SET TERM statements, which
  // are never part of the map). With keepLast an unterminated last statement is kept.
  void ParseScript(const TStrings& lines, AnsiString& terminator, bool keepLast, TScriptMap& map);

  // Gives a statement whose end has been found its kind, object kind and object name.
  // False when, with the semicolon as terminator, a procedure or trigger body is not
  // complete yet: the statement goes on to the next terminator.
  bool ClassifyStatement(const TStrings& lines, TStatementDesc& desc, bool terminatorIsSemicolon);

  // The database of the last CONNECT or CREATE DATABASE seen.
  const AnsiString& DatabaseName() const { return fDatabaseName; }
  // What the last parse saw (statements handed to the scanner since the last
  // ParseScript or ResetFlags).
  bool ConnectSeen() const { return fConnectSeen; }
  bool DMLSeen() const { return fDMLSeen; }
  bool UnknownSeen() const { return fUnknownSeen; }

 private:
  void ResetFlags();
  friend class TScriptScanner;
  // A statement was closed: the flags take note of its kind.
  void NoteStatement(TStatementKind kind);
  void ClassifyObject(TScriptTokenReader& tokens, TStatementDesc& desc);
  bool ClassifyCreateOrAlter(TScriptTokenReader& tokens, TStatementDesc& desc, bool terminatorIsSemicolon);
  void ClassifyGrant(TScriptTokenReader& tokens, TStatementDesc& desc);

  AnsiString fDatabaseName;
  bool fConnectSeen = false;
  bool fDMLSeen = false;
  bool fUnknownSeen = false;
};

// Splits a script that arrives line by line, holding only the lines of the statement
// still open: complete statements are handed out and forgotten with their lines.
class TScriptFeed {
 public:
  TScriptFeed(TpFIBScriptParser& parser, const AnsiString& terminator);

  // Adds one line and how it ended; the statements it completed become Ready.
  void AddLine(const AnsiString& line, TLineEnd end = leLF);
  // The end of the script: an unterminated last statement becomes Ready.
  void Finish();

  int ReadyCount() const { return fReady; }
  const TStatementDesc& Ready(int index) const { return fMap[index]; }
  void ReadyText(int index, TStrings& statement) const { ExtractStatement(fLines, fMap[index], statement); }
  AnsiString ReadyStatementText(int index) const { return StatementText(fLines, fLineEnds, fMap[index]); }
  // Forgets the Ready statements and the lines no open statement needs.
  void Consume();

  const AnsiString& Terminator() const { return fScanner.Terminator(); }
  int HeldLines() const { return fLines.Count(); }

 private:
  TStringList fLines;
  TLineEnds fLineEnds;
  TScriptMap fMap;
  TScriptScanner fScanner;
  int fReady = 0;
};

}  // namespace ordvane
