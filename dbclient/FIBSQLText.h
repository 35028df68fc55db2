#pragma once
// Locating and rewriting the clauses of an SQL text without a grammar: which kind of
// statement a text is, where its FROM, WHERE, ORDER BY and PLAN clauses lie, which tables
// the FROM clause names, which table an UPDATE, INSERT or DELETE modifies, and new texts
// with a condition added, a clause replaced, the record count of a SELECT or an ORDER BY
// list inverted.
//
// Everything is text surgery over a character scanner that knows quoted names, string
// literals, comments and brackets. Positions are 1-based; results are new strings, and
// the text outside the touched clause stays byte for byte.

#include <memory>
#include <vector>

#include "classlib/core/StringLists.h"
#include "classlib/core/System.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

// The kind of statement a text is, decided by its first word (by the word after the
// list of a WITH statement).
enum class TSQLKind : Byte {
  Unknown = 0,           // anything else, also an empty text
  Select = 1,            // SELECT or MERGE, or WITH ... SELECT
  Update = 2,
  Insert = 3,
  Delete = 4,
  ExecuteProcedure = 5,  // EXECUTE PROCEDURE
  DDL = 6,               // ALTER, CREATE, COMMENT, DECLARE, DROP, RECREATE, SET GENERATOR
  ExecuteBlock = 7,      // EXECUTE BLOCK
};

// Where a clause lies: Start 0 means the clause is absent.
struct TSQLClause {
  int Start = 0;
  int End = 0;
  AnsiString Text;
};

// One item of an ORDER BY list, taken apart.
struct TOrderItem {
  AnsiString Expression;  // the ordered expression as written (comments dropped)
  AnsiString Collation;   // " COLLATE <name>" as written, or empty
  bool Descending = false;
  bool NullsGiven = false;
  bool NullsFirst = false;
};

// One item of a select list: its expression, and the name it gives its column (an alias,
// or the column of a plain column reference; empty for an unnamed expression).
struct TSelectItem {
  AnsiString Expression;
  AnsiString Name;  // as written, quotes kept
  bool Aliased = false;
};

// Character classes of the scanner.
inline constexpr TCharSet kSQLBlanks("\t\n\r ");
// Characters that end a word.
inline constexpr TCharSet kSQLWordDelimiters(std::string_view("\0\t\n\r \"(-/;", 10));
// Characters that may stand right before a keyword.
inline constexpr TCharSet kSQLPrecedingDelimiters("\t\n\r \")");

class TSQLParser {
 public:
  TSQLParser() = default;
  explicit TSQLParser(const AnsiString& text) { SetSQLText(text); }

  // Stores the text, finds its first significant character and decides its kind.
  void SetSQLText(const AnsiString& text);
  const AnsiString& SQLText() const { return fText; }
  TSQLKind SQLKind() const { return fKind; }
  // Position of the first character after leading blanks and comments.
  int StatementStart() const { return fStatementStart; }
  // Position of the main SELECT of a text that begins with a WITH list; StatementStart
  // for every other text. The clause routines work on the main select and keep the list.
  int MainStart() const { return fMainStart; }

  // The top-level FROM clause of a SELECT: Start at its F, End at the last character
  // before the next clause (or the text length). Text stays empty.
  TSQLClause GetFromClause();
  // The n-th WHERE of the text in text order, brackets included (0 and 1 both take the
  // first): Start at its W, Text the condition, End the condition's last character.
  TSQLClause GetWhereClause(int n);
  // Occurrence number (from 1) of the first WHERE outside brackets, or -1 (also for a
  // UNION).
  int MainWhereIndex();
  int WhereCount();
  // The text with the main WHERE condition replaced (added when there is none, removed
  // when the condition is blank).
  AnsiString SetWhereText(const AnsiString& condition);
  // The text with the condition and-ed to the main WHERE, or a WHERE added after FROM.
  // A UNION gets no main WHERE of its own: both routines put it in a derived table first
  // ("select * from (<union>)", its ORDER BY and tail clauses outside), so that the
  // condition filters the rows of every branch.
  AnsiString AddCondition(const AnsiString& condition, bool onNewLines);
  // Whether the main select joins selects by a UNION outside brackets.
  bool IsUnion();

  // The top-level ORDER BY: Start at its O; Text the list after BY and End its last
  // character (End 0 and empty Text when BY is missing). The clause runs to the text end
  // or to a following ROWS, FOR UPDATE or WITH LOCK.
  TSQLClause GetOrderByClause();
  AnsiString GetOrderByText() { return GetOrderByClause().Text; }
  AnsiString SetOrderByText(const AnsiString& order);

  // Position of a top-level ROWS, FOR UPDATE or WITH LOCK clause, 0 when there is none.
  int TailStart();

  // The n-th PLAN (counted like WHERE): Start at the plan expression, End its last
  // character.
  TSQLClause GetPlanClause(int n);
  int MainPlanIndex();
  AnsiString SetPlanText(const AnsiString& plan);

  // A query that returns the number of rows this SELECT returns; empty for any other
  // statement.
  AnsiString GetCountText();

  // Table (with alias when there is one) of an UPDATE, INSERT or DELETE; "Unknown" for an
  // INSERT without INTO or a DELETE without FROM; empty for other kinds.
  AnsiString GetModifiedTable();

  // The FROM items of a SELECT ("TABLE ALIAS", unquoted parts upper-cased), or the one
  // modified table of any other kind. Items with brackets (derived tables, procedure
  // calls) lose the bracketed text when keepDerivedItems, else are left out.
  const std::vector<AnsiString>& TableItems(bool keepDerivedItems);
  // The same items in a string list that the parser owns.
  TStrings* GetTableList(bool keepDerivedItems);
  // The FROM items of the text whatever its kind.
  std::vector<AnsiString> FromItems(bool keepDerivedItems);

  // The items of the ORDER BY list.
  std::vector<TOrderItem> OrderItems();
  // The items of the main select's list (FIRST, SKIP and DISTINCT left out); empty for
  // any other statement.
  std::vector<TSelectItem> SelectItems();
  // The ORDER BY items as a variant array [0 .. n - 1, 0 .. 2]: the field (a qualified
  // name "TABLE.FIELD" upper-cased unless quoted), true for ascending, true for NULLS
  // FIRST. Null when there is no ORDER BY list.
  void GetOrderFields(Variant& fields);

 private:
  enum class ScanState : Byte { Normal, Quoted, BlockComment, LineComment, Literal };
  template <class Predicate>
  int Scan(int from, Predicate&& isHit);
  void ResetDepth();
  char At(int p) const;
  bool WordAt(int p, std::string_view upperWord, TCharSet after = kSQLWordDelimiters) const;
  bool KeywordAt(int p, std::string_view upperWord, TCharSet after = kSQLWordDelimiters) const;
  bool TailClauseAt(int p) const;
  bool FromEndAt(int p) const;
  int FindFrom();
  int FindOccurrence(int n, bool (TSQLParser::*isKeywordAt)(int) const);
  int MainOccurrence(bool (TSQLParser::*isKeywordAt)(int) const);
  bool WhereAt(int p) const;
  bool PlanAt(int p) const;
  template <class Test>
  int FindTopLevel(int from, Test&& test);
  int FindTail(int from);
  int ClauseEndBefore(int found) const;
  TSQLClause PlanClause(int n, int& keyword);
  bool NeedsDerivedCount(int fromStart);
  std::vector<AnsiString> SelectListTexts(int fromStart);
  int SelectListWidth(int fromStart);
  AnsiString DerivedCountText(int fromStart);
  AnsiString UnionAsDerivedTable();
  // AddCondition and SetWhereText on the text as it is, a union already wrapped (once:
  // a text that still reads as a union is not wrapped again).
  AnsiString AddConditionToSelect(const AnsiString& condition, bool onNewLines);
  AnsiString SetWhereOfSelect(const AnsiString& condition);
  AnsiString ReadToken(int& p) const;
  TSQLKind DetectKind() const;
  int FindMainStatement();
  // The WITH list before the main select, as written; empty without one.
  AnsiString CommonTablesText() const;

  ScanState fState = ScanState::Normal;
  int fFound = 0;
  int fDepth = 0;
  int fStartDepth = 0;
  bool fStopAtClosingBracket = false;
  bool fStoppedAtBracket = false;
  AnsiString fText;
  int fLength = 0;
  int fStatementStart = 1;
  int fMainStart = 1;
  TSQLKind fKind = TSQLKind::Unknown;
  bool fTableListFilled = false;
  bool fTableListKeepsDerived = false;
  std::vector<AnsiString> fTableList;
  std::unique_ptr<TStringList> fTableStrings = std::make_unique<TStringList>();
};

// ---- Unit routines: each parses its text argument on its own --------------------------

TSQLKind SQLKindOf(const AnsiString& sql);
// The list is given the parser's table list (any kind of statement); without aliases each
// item is reduced to its table.
void TablesOfSQL(const AnsiString& sql, TStrings& list, bool keepDerivedItems, bool withAliases);
// The same, but always the FROM items of the text.
void SelectTablesToList(const AnsiString& sql, TStrings& list, bool keepDerivedItems, bool withAliases);
AnsiString CountSelectSQL(const AnsiString& sql);
// The modified table; unless keepRaw, a quoted name loses its quotes and an unquoted one
// loses its alias and is upper-cased.
AnsiString GetModifyTableName(const AnsiString& sql, bool keepRaw);
AnsiString TableByAlias(const AnsiString& sql, const AnsiString& alias);
AnsiString AliasByTable(const AnsiString& sql, const AnsiString& table);
// "ALIAS.FIELD" to "TABLE.FIELD" by the FROM items; anything else unchanged.
AnsiString AliasFieldToTableField(const AnsiString& sql, const AnsiString& field);
TSQLClause GetOrderByClauseOf(const AnsiString& sql);
void GetOrderFieldsList(const AnsiString& sql, Variant& fields);
// The text with its ORDER BY list replaced (added, or removed for an empty order).
AnsiString SetOrderClause(const AnsiString& sql, const AnsiString& order);
TSQLClause GetWhereClauseOf(const AnsiString& sql, int n);
int WhereClauseCount(const AnsiString& sql);
AnsiString AddWhereCondition(const AnsiString& sql, const AnsiString& condition, bool onNewLines);
// The field compared with the parameter in a WHERE condition (":NAME" or "?NAME").
AnsiString FieldNameByParam(const AnsiString& sql, const AnsiString& paramName);
// The ORDER BY list with every direction reversed (NULLS placement reversed with it).
AnsiString InvertOrderClause(const AnsiString& order);
// Table.Field with each part double-quoted when it needs quotes.
AnsiString QualifiedName(const AnsiString& table, const AnsiString& field);
// Whether two identifiers, quoted or not, name the same object; an empty one matches any.
bool SameIdentifier(const AnsiString& a, const AnsiString& b);
// Where the alias of a FROM item begins (0 = no alias).
int AliasSeparatorPos(const AnsiString& item);
AnsiString TableFromFromItem(const AnsiString& item, int separator = 0);
AnsiString AliasFromFromItem(const AnsiString& item, int separator = 0);
// Moves p over blanks, '(' , ';' and comments.
void SkipBlanksAndComments(const AnsiString& text, int length, int& p);
// True when a piece of SQL ends inside a line comment, so that text appended to it on
// the same line would be commented out.
bool EndsInLineComment(const AnsiString& s);
// The text without comments; quoted names and literals are copied whole.
AnsiString StripSQLComments(const AnsiString& text);
// "NAME%DEFAULT" into the name (with the macro character in front) and the default.
void SplitMacroDefault(const AnsiString& item, char macroChar, AnsiString& name, AnsiString& defaultValue);
// A quoted literal of the q'<delimiter>...<delimiter>' form starting at index i of text:
// the character that closes it (before the final quote), or '\0' when none starts there.
// The delimiters ( [ { < close with ) ] } >; any other character closes with itself.
char QuotedLiteralCloser(std::string_view text, std::size_t i);
bool IsWhereKeywordAt(const AnsiString& text, int p);
bool IsWhereEndAt(const AnsiString& text, int p);

}  // namespace ordvane
