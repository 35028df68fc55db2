#pragma once
// The way from the SQL text a user writes into a statement to the text the server
// prepares: the scan that finds named parameters and macros, the lists built from it, the
// rebuild that splices macro values in and turns comparisons with null parameters into
// IS NULL tests, the comment that names connection, transaction and statement for a
// server-side monitor, and the encoding of the text for the connection's character set.
//
// The statement keeps the state (its flags and its two parameter lists) and calls these
// routines from its text-change hook, its Prepare and its ExecQuery.
//
// Syntax of the statement text:
// - A parameter is ':' or '?' followed by a name: a run of # $ % . 0-9 A-Z a-z _
//   (registered upper-cased) or a name in double quotes (kept as written).
// - A macro is the macro character followed by everything up to the next blank (any
//   character below 33) or the text end: NAME, or NAME%DEFAULT; a default beginning with
//   '#' makes the macro quoted (its value is spliced in as a string literal). A doubled
//   macro character is no macro and stays in the text as it is.
// - Quoted strings, quoted names, block and line comments hold no parameters. A
//   data-definition text holds none at all; in an EXECUTE BLOCK text they end at the
//   keyword AS (after it a colon introduces a block variable).

#include <vector>

#include "classlib/core/Components.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBXSQLDA.h"

namespace ordvane {

inline constexpr char DefaultMacroChar = '@';

// True when the text has no parameter or macro marker outside quotes and comments.
bool HasNoParamMarkers(const AnsiString& text, char macroChar = DefaultMacroChar);
// True when the text holds a q'...' literal outside quotes and comments.
bool HasQuotedLiterals(const AnsiString& text);

// One parameter or macro of a text, in the order of the text.
struct TSQLParamMarker {
  // The registered name: an unquoted name upper-cased (ASCII), a quoted one as written, a
  // macro's name without the macro character.
  AnsiString Name;
  bool ExactName = false;  // the name was quoted
  TFIBParamPlace Place;
  AnsiString MacroDefault;  // a macro's default value (without the quoting '#')
};

struct TSQLParamScanOptions {
  char MacroChar = DefaultMacroChar;
  // The scan for the user's list (macros, WHERE clauses) or for the server's list.
  bool ForUserList = true;
  // The statement's full component name, for the parse error's message.
  AnsiString StatementName;
  // While the statement or one of its owners is loading, a parse error ends the scan
  // silently with what was found so far.
  bool Loading = false;
};

struct TSQLParamScan {
  std::vector<TSQLParamMarker> Markers;
  // The text with every parameter marker turned into '?' and the rest of its name into
  // blanks, so that positions stay valid; everything else as it was.
  AnsiString ServerText;
};

// Scans a text. A marker not followed by a name character or a double quote, a quoted
// name left open or empty, and a string or comment left open at the end raise client
// error 51 (unless loading).
TSQLParamScan ScanSQLParams(const AnsiString& text, const TSQLParamScanOptions& options);

// Fills a parameter list from a scan: one variable per occurrence, registered under its
// name. In the user list a macro takes its default as its text value; in the server list
// macros take no variable. Other parameters start null. A variable whose namesake in the
// list's previous contents was no blob keeps that namesake's value and description.
void FillParamList(TFIBXSQLDA& list, const TSQLParamScan& scan, bool forUserList);

// The scan and the list in one step; returns the scanned text (the server text for the
// server list, else the text itself).
AnsiString PreprocessSQL(const AnsiString& text, TFIBXSQLDA& list, const TSQLParamScanOptions& options);

struct TExecSQLText {
  AnsiString Text;
  bool Rebuilt = false;  // a macro was spliced in or a comparison rewritten
};

// The text to execute: each macro of the user list replaced by its value and, with
// rewriteNulls, each null operand parameter of a WHERE clause compared by '=' or by
// '<>', '!=', '^=', '~=' turned into " IS NULL " or " IS NOT NULL ". Only blanks may
// stand between the operator and the parameter; any other comparison is left as it is.
// Macros always save their (unquoted) value; with record, rewritten parameters save Null.
TExecSQLText BuildExecSQL(const AnsiString& parsedText, TFIBXSQLDA& params, bool record, bool rewriteNulls);

// Whether a null value of the parameter at this place changes the text built for an
// execution: only a comparison in a WHERE clause is rewritten ("= :a" to "IS NULL").
inline bool NullRewritable(const TFIBParamPlace& place) {
  return !place.IsMacro && place.InWhere && place.IsOperand;
}

// Whether the text must be built and prepared again: not prepared, a macro changed, a
// macro's value differs from the one it was built with, or the nullness of an operand
// parameter inside a WHERE clause (the only one that the null rewrite changes) differs from
// that of its saved value.
bool NeedRebuildSQL(bool prepared, bool macroChanged, const TFIBXSQLDA& params);

// ---- Monitor comment ------------------------------------------------------------------

// The name of a database or transaction in the monitor comment: its owner's name and "."
// (when it has an owner), then its name, or the prefix ("DB_0x", "Trans_0x") and its
// address as 16 hexadecimal digits when the name is blank.
AnsiString MonitorObjectName(const TComponent& component, const AnsiString& addressPrefix);

// The statement's name in the monitor comment. ownerIsDataSet tells that the statement's
// owner is a dataset; datasetDescription is that dataset's description when it is to be
// shown (empty otherwise). A "*/" in the description is broken up, so that it cannot end
// the comment.
AnsiString MonitorStatementName(const TComponent& statement, bool ownerIsDataSet,
                                const AnsiString& datasetDescription);

// " /* CSMON$CON_NAME=...; CSMON$TR_NAME=...; CSMON$ST_NAME=...;  */" from the three
// names.
AnsiString MonitorCommentText(const AnsiString& connectionName, const AnsiString& transactionName,
                              const AnsiString& statementName);

// What begins every monitor comment: a text that holds it has one already.
inline constexpr const char* MonitorCommentMark = "/* CSMON$";

// Whether a statement's texts carry the comment: its own setting enabled, or driven by a
// transaction that is enabled, or by a database that is (directly, or through a
// transaction driven by it).
bool MonitorCommentWanted(TCSMonitorEnabled statement, TCSMonitorEnabled transaction,
                          TCSMonitorEnabled database);

// The comment a statement appends to its text, or an empty text when it carries none or
// lacks a database or transaction. datasetDescription is the description of the dataset
// that owns the statement (ownerIsDataSet), shown when support includes it.
AnsiString MonitorComment(const TCSMonitorSupport& support, TFIBDatabase* database,
                          TFIBTransaction* transaction, const TComponent& statement,
                          bool ownerIsDataSet = false, const AnsiString& datasetDescription = "");

// ---- Encoding -----------------------------------------------------------------------------

// The text as the connection takes it: UTF-8 for a Firebird 2.1 connection in a Unicode
// character set or NONE, code page 20866 for KOI8, UTF-8 for any other Unicode
// connection, and the ANSI text as it stands otherwise.
AnsiString EncodeSQLText(const AnsiString& text, const IFIBXSQLDAOwner& connection);

}  // namespace ordvane
