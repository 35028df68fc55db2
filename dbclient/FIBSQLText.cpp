#include "dbclient/FIBSQLText.h"

#include <algorithm>
#include <functional>

#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

using namespace std::string_view_literals;

constexpr TCharSet kLeadingSkip("\0\t\n\r (;"sv);
constexpr TCharSet kAliasSkip("\0\t\n\r (-/;"sv);
const char* const kCRLF = "\r\n";

bool EndsWithLF(const AnsiString& s) { return !s.empty() && s.back() == '\n'; }

// Read access to a text by 1-based position, with the keyword tests shared by the
// parser and the unit routines. Positions outside the text read as NUL.
class TTextView {
 public:
  explicit TTextView(const AnsiString& text) : fText(text), fLength(static_cast<int>(text.size())) {}

  int Length() const { return fLength; }
  char At(int p) const { return p >= 1 && p <= fLength ? fText[static_cast<std::size_t>(p - 1)] : '\0'; }
  AnsiString Range(int from, int to) const { return CopyFromTo(fText, from, to); }
  AnsiString From(int from) const { return CopyFromTo(fText, from, fLength); }

  // The letters of an upper-case word at p in any case, followed by a character of
  // `after` (the text end reads as NUL).
  bool WordAt(int p, std::string_view upperWord, TCharSet after = kSQLWordDelimiters) const {
    return LettersAt(p, upperWord) && after.Contains(At(p + static_cast<int>(upperWord.size())));
  }
  bool LettersAt(int p, std::string_view upperWord) const {
    if (p < 1 || p + static_cast<int>(upperWord.size()) - 1 > fLength) return false;
    for (std::size_t i = 0; i < upperWord.size(); ++i)
      if (AsciiUpper(At(p + static_cast<int>(i))) != upperWord[i]) return false;
    return true;
  }
  // A word that stands as a keyword: a delimiter before it as well.
  bool KeywordAt(int p, std::string_view upperWord, TCharSet after = kSQLWordDelimiters) const {
    return p >= 2 && kSQLPrecedingDelimiters.Contains(At(p - 1)) && WordAt(p, upperWord, after);
  }
  bool AnyKeywordAt(int p, std::initializer_list<std::string_view> words) const {
    return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return KeywordAt(p, w); });
  }
  // A clause that picks rows out of the ordered ones: ROWS, OFFSET and FETCH. An OFFSET
  // counts only with its value after it and a FETCH only with FIRST or NEXT, so that a
  // column of either name in a condition ends nothing.
  bool RowLimitAt(int p) const {
    if (KeywordAt(p, "ROWS")) return true;
    if (KeywordAt(p, "FETCH")) {
      const int q = SignificantAfter(p + 5);
      return WordAt(q, "FIRST") || WordAt(q, "NEXT");
    }
    if (!KeywordAt(p, "OFFSET")) return false;
    const char value = At(SignificantAfter(p + 6));
    return (value >= '0' && value <= '9') || value == '?' || value == ':';
  }
  // A clause that may end a select after its ORDER BY: a row limit, FOR UPDATE, WITH LOCK.
  bool TailClauseAt(int p) const {
    if (RowLimitAt(p) || KeywordAt(p, "FOR")) return true;
    return KeywordAt(p, "WITH") && WordAt(SignificantAfter(p + 4), "LOCK");
  }
  bool WhereKeywordAt(int p) const { return p + 4 <= fLength && KeywordAt(p, "WHERE"); }
  bool WhereEndAt(int p) const {
    if (p == fLength) return true;
    if (p < 2 || p >= fLength - 1) return false;
    return AnyKeywordAt(p, {"FOR", "GROUP", "HAVING", "ORDER", "PLAN", "START", "UNION"}) || TailClauseAt(p);
  }
  bool PlanKeywordAt(int p) const { return p + 4 <= fLength && KeywordAt(p, "PLAN"); }

 private:
  // The position of the first character from p on that is no blank, bracket or comment.
  int SignificantAfter(int p) const {
    SkipBlanksAndComments(fText, fLength, p);
    return p;
  }

  const AnsiString& fText;
  int fLength;
};

// A word character of an identifier, for the loose word test of the count rewrite.
bool IsIdentifierChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c == '#';
}

}  // namespace

bool EndsInLineComment(const AnsiString& s) {
  enum { normal, quoted, literal, block, line } state = normal;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i], next = i + 1 < s.size() ? s[i + 1] : '\0';
    switch (state) {
      case normal:
        if (c == '"') state = quoted;
        else if (c == '\'') state = literal;
        else if (c == '-' && next == '-') state = line, ++i;
        else if (c == '/' && next == '*') state = block, ++i;
        break;
      case quoted: if (c == '"') state = normal; break;
      case literal: if (c == '\'') state = normal; break;
      case block: if (c == '*' && next == '/') state = normal, ++i; break;
      case line: if (c == '\r' || c == '\n') state = normal; break;
    }
  }
  return state == line;
}

namespace {

// The separator to put after an inserted piece: a line break when the piece ends in a
// line comment and the separator would not break the line itself.
AnsiString SeparatorAfter(const AnsiString& piece, const AnsiString& separator) {
  return separator.empty() && EndsInLineComment(piece) ? AnsiString(kCRLF) : separator;
}

// Follows quotes, literals and brackets through a text, one character at a time.
class TNesting {
 public:
  // Whether the next character stands outside quotes and brackets.
  bool TopLevel() const { return fQuote == 0 && fDepth == 0; }
  void Step(char c) {
    if (fQuote) {
      if (c == fQuote) fQuote = 0;
    } else if (c == '"' || c == '\'') {
      fQuote = c;
    } else if (c == '(') {
      ++fDepth;
    } else if (c == ')') {
      --fDepth;
    }
  }

 private:
  char fQuote = 0;
  int fDepth = 0;
};

// Splits a text at its top-level commas.
std::vector<AnsiString> SplitTopLevel(const AnsiString& text) {
  std::vector<AnsiString> items;
  TNesting nesting;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (nesting.TopLevel() && text[i] == ',') {
      items.push_back(text.substr(start, i - start));
      start = i + 1;
    }
    nesting.Step(text[i]);
  }
  items.push_back(text.substr(start));
  return items;
}

// One blank-separated piece of an item at the top level, with its 1-based start.
struct TChunk {
  int Start;
  AnsiString Text;
};

std::vector<TChunk> TopLevelChunks(const AnsiString& item) {
  std::vector<TChunk> chunks;
  TNesting nesting;
  bool inChunk = false;
  for (std::size_t i = 0; i < item.size(); ++i) {
    char c = item[i];
    if (nesting.TopLevel() && kSQLBlanks.Contains(c)) {
      inChunk = false;
    } else {
      if (!inChunk) chunks.push_back({static_cast<int>(i) + 1, {}});
      inChunk = true;
      chunks.back().Text += c;
    }
    nesting.Step(c);
  }
  return chunks;
}

bool SameWord(const AnsiString& chunk, std::string_view upperWord) {
  return chunk.size() == upperWord.size() && FastUpperCase(chunk) == upperWord;
}

// Takes one ORDER BY item apart from its end: [COLLATE name] [ASC|DESC] [NULLS FIRST|LAST].
TOrderItem ParseOrderItem(const AnsiString& rawItem) {
  TOrderItem item;
  AnsiString text = FastTrim(rawItem);
  std::vector<TChunk> chunks = TopLevelChunks(text);
  std::size_t n = chunks.size();
  if (n >= 3 && SameWord(chunks[n - 2].Text, "NULLS") &&
      (SameWord(chunks[n - 1].Text, "FIRST") || SameWord(chunks[n - 1].Text, "LAST"))) {
    item.NullsGiven = true;
    item.NullsFirst = SameWord(chunks[n - 1].Text, "FIRST");
    n -= 2;
  }
  if (n >= 2) {
    const AnsiString& word = chunks[n - 1].Text;
    if (SameWord(word, "DESC") || SameWord(word, "DESCENDING")) {
      item.Descending = true;
      --n;
    } else if (SameWord(word, "ASC") || SameWord(word, "ASCENDING")) {
      --n;
    }
  }
  int expressionEnd = n < chunks.size() ? chunks[n].Start - 1 : static_cast<int>(text.size());
  if (n >= 3 && SameWord(chunks[n - 2].Text, "COLLATE")) {
    item.Collation = " " + chunks[n - 2].Text + " " + chunks[n - 1].Text;
    expressionEnd = chunks[n - 2].Start - 1;
  }
  item.Expression = FastTrim(CopyFromTo(text, 1, expressionEnd));
  return item;
}

}  // namespace

// ---- Scanner ---------------------------------------------------------------------------

void TSQLParser::SetSQLText(const AnsiString& text) {
  fText = text;
  fLength = static_cast<int>(fText.size());
  fTableListFilled = false;
  fTableList.clear();
  fDepth = 0;
  fStopAtClosingBracket = false;
  fStatementStart = 1;
  SkipBlanksAndComments(fText, fLength, fStatementStart);
  fStatementStart = std::min(fStatementStart, fLength + 1);
  fMainStart = FindMainStatement();
  fKind = DetectKind();
}

// A statement that begins with a WITH list of common table expressions is the SELECT
// after the list: the first one outside every bracket, since each expression of the list
// stands in brackets. Without one the text is no select of any kind.
int TSQLParser::FindMainStatement() {
  if (!WordAt(fStatementStart, "WITH")) return fStatementStart;
  ResetDepth();
  const int main = Scan(fStatementStart + 4, [&](int p) { return fDepth == 0 && KeywordAt(p, "SELECT"); });
  return main > 0 ? main : fStatementStart;
}

char TSQLParser::At(int p) const { return TTextView(fText).At(p); }
bool TSQLParser::WordAt(int p, std::string_view upperWord, TCharSet after) const {
  return TTextView(fText).WordAt(p, upperWord, after);
}
bool TSQLParser::KeywordAt(int p, std::string_view upperWord, TCharSet after) const {
  return TTextView(fText).KeywordAt(p, upperWord, after);
}
bool TSQLParser::TailClauseAt(int p) const { return TTextView(fText).TailClauseAt(p); }
bool TSQLParser::WhereAt(int p) const { return TTextView(fText).WhereKeywordAt(p); }
bool TSQLParser::PlanAt(int p) const { return TTextView(fText).PlanKeywordAt(p); }

void TSQLParser::ResetDepth() {
  fDepth = 0;
  fStopAtClosingBracket = false;
}

// Walks the text from `from`, keeping track of quotes, literals, comments and brackets,
// and asks isHit about every other character outside them. Stops at the first hit, or
// at a closing bracket that leaves the bracket level the scan began in when the parser's
// stop flag is set. Returns the position found, 0 when none.
template <class Predicate>
int TSQLParser::Scan(int from, Predicate&& isHit) {
  fState = ScanState::Normal;
  fFound = 0;
  fStoppedAtBracket = false;
  fStartDepth = fDepth;
  int closingSlash = 0;  // the '/' that ended the last block comment opens nothing
  for (int p = std::max(from, 1); p <= fLength; ++p) {
    char c = At(p);
    switch (c) {
      case '"':
        if (fState == ScanState::Normal) fState = ScanState::Quoted;
        else if (fState == ScanState::Quoted) fState = ScanState::Normal;
        break;
      case '\'':
        if (fState == ScanState::Normal) fState = ScanState::Literal;
        else if (fState == ScanState::Literal) fState = ScanState::Normal;
        break;
      case '(':
        if (fState == ScanState::Normal) ++fDepth;
        break;
      case ')':
        if (fState != ScanState::Normal) break;
        if (fStopAtClosingBracket && fDepth - 1 < fStartDepth) {
          fStoppedAtBracket = true;
          return fFound = p;
        }
        --fDepth;
        break;
      case '*':
        if (fState == ScanState::Normal && At(p - 1) == '/' && p - 1 != closingSlash) {
          fState = ScanState::BlockComment;
        } else if (fState == ScanState::BlockComment && At(p + 1) == '/') {
          fState = ScanState::Normal;
          closingSlash = ++p;
        }
        break;
      case '-':
        if (fState == ScanState::Normal && At(p + 1) == '-') fState = ScanState::LineComment;
        break;
      default:
        if (fState == ScanState::Normal) {
          if (isHit(p)) return fFound = p;
        } else if (fState == ScanState::LineComment && (c == '\r' || c == '\n')) {
          fState = ScanState::Normal;
        }
    }
  }
  // The end of the text also ends a line comment.
  if (fLength > 0 && (fState == ScanState::Normal || fState == ScanState::LineComment) && isHit(fLength))
    fFound = fLength;
  return fFound;
}

TSQLKind TSQLParser::DetectKind() const {
  TTextView v(fText);
  int s = fMainStart;
  auto keyword = [&](int p, std::string_view word) {
    return (p == 1 || kSQLPrecedingDelimiters.Contains(v.At(p - 1))) && v.WordAt(p, word);
  };
  auto wordAfter = [&](std::string_view first, std::string_view second) {
    int p = s + static_cast<int>(first.size());
    SkipBlanksAndComments(fText, fLength, p);
    return v.WordAt(p, second);
  };
  if (keyword(s, "SELECT") || keyword(s, "MERGE")) return TSQLKind::Select;
  if (keyword(s, "UPDATE")) return TSQLKind::Update;
  if (keyword(s, "DELETE")) return TSQLKind::Delete;
  if (keyword(s, "INSERT")) return TSQLKind::Insert;
  if (keyword(s, "EXECUTE")) {
    if (wordAfter("EXECUTE", "PROCEDURE")) return TSQLKind::ExecuteProcedure;
    if (wordAfter("EXECUTE", "BLOCK")) return TSQLKind::ExecuteBlock;
  }
  for (std::string_view ddl : {"ALTER"sv, "CREATE"sv, "COMMENT"sv, "DECLARE"sv, "DROP"sv, "RECREATE"sv})
    if (keyword(s, ddl)) return TSQLKind::DDL;
  if (keyword(s, "SET")) {
    int p = s + 4;
    while (p <= fLength && kSQLPrecedingDelimiters.Contains(v.At(p))) ++p;
    if (v.WordAt(p, "GENERATOR")) return TSQLKind::DDL;
  }
  return TSQLKind::Unknown;
}

// ---- FROM ------------------------------------------------------------------------------

// A position that ends a FROM clause: the text end, or the start of the next clause.
bool TSQLParser::FromEndAt(int p) const {
  if (p == fLength) return true;
  if (fDepth > fStartDepth) return false;
  TTextView v(fText);
  return v.KeywordAt(p, "FROM", kSQLBlanks) || v.KeywordAt(p, "GROUP", kSQLBlanks) ||
         v.AnyKeywordAt(p, {"HAVING", "ORDER", "PLAN", "UNION", "WHERE"}) || v.TailClauseAt(p);
}

// The clause found ends on the character before the keyword found, or at the text end.
int TSQLParser::ClauseEndBefore(int found) const {
  if (found == 0 || found == fLength) return fLength;
  return found - 1;
}

int TSQLParser::FindFrom() {
  ResetDepth();
  return Scan(fMainStart, [&](int p) { return fDepth == 0 && KeywordAt(p, "FROM"); });
}

TSQLClause TSQLParser::GetFromClause() {
  TSQLClause clause;
  if (fKind != TSQLKind::Select) return clause;
  clause.Start = FindFrom();
  if (clause.Start == 0) return clause;
  clause.End = ClauseEndBefore(Scan(clause.Start + 4, [&](int p) { return FromEndAt(p); }));
  return clause;
}

// ---- WHERE and PLAN occurrences --------------------------------------------------------

int TSQLParser::FindOccurrence(int n, bool (TSQLParser::*isKeywordAt)(int) const) {
  ResetDepth();
  int target = std::max(n, 1), count = 0;
  return Scan(fStatementStart, [&](int p) { return (this->*isKeywordAt)(p) && ++count == target; });
}

int TSQLParser::MainOccurrence(bool (TSQLParser::*isKeywordAt)(int) const) {
  ResetDepth();
  int count = 0;
  for (int p = Scan(fStatementStart, [&](int q) { return (this->*isKeywordAt)(q); }); p != 0;
       p = Scan(p + 1, [&](int q) { return (this->*isKeywordAt)(q); })) {
    ++count;
    if (fDepth == 0) return count;
  }
  return -1;
}

// A union has no WHERE of its own: each branch's filters that branch only.
int TSQLParser::MainWhereIndex() { return IsUnion() ? -1 : MainOccurrence(&TSQLParser::WhereAt); }
int TSQLParser::MainPlanIndex() { return MainOccurrence(&TSQLParser::PlanAt); }

int TSQLParser::WhereCount() {
  ResetDepth();
  int count = 0;
  for (int p = Scan(fStatementStart, [&](int q) { return WhereAt(q); }); p != 0;
       p = Scan(p + 5, [&](int q) { return WhereAt(q); }))
    ++count;
  return count;
}

TSQLClause TSQLParser::GetWhereClause(int n) {
  TSQLClause clause;
  if (n < 0) return clause;
  int where = FindOccurrence(n, &TSQLParser::WhereAt);
  if (where == 0) return clause;
  fStopAtClosingBracket = fDepth > 0;
  int start = where + 5;
  while (start <= fLength && TCharSet("\0\t\n\r ;"sv).Contains(At(start))) ++start;
  TTextView v(fText);
  int end = Scan(start, [&](int p) { return fDepth <= fStartDepth && v.WhereEndAt(p); });
  if (end == 0) return clause;
  if (end != fLength || fStoppedAtBracket) --end;
  while (end >= start && TCharSet("\0\t\n\r -;"sv).Contains(At(end))) --end;
  clause.Start = where;
  clause.End = end;
  clause.Text = v.Range(start, end);
  return clause;
}

bool TSQLParser::IsUnion() {
  return fKind == TSQLKind::Select && FindTopLevel(fMainStart, [&](int p) { return KeywordAt(p, "UNION"); }) != 0;
}

// The union's ORDER BY and tail clauses name its columns by position or by the first
// branch's names, which a select over the derived table sees alike.
AnsiString TSQLParser::UnionAsDerivedTable() {
  TTextView v(fText);
  int end = GetOrderByClause().Start;
  if (end == 0) end = FindTail(fMainStart);
  if (end == 0) end = fLength + 1;
  AnsiString body = v.Range(fMainStart, end - 1);
  TrimRightInPlace(body);
  AnsiString result = CommonTablesText() + "select * from (" + body + SeparatorAfter(body, "") + ")";
  return end > fLength ? result : result + kCRLF + v.From(end);
}

AnsiString TSQLParser::AddCondition(const AnsiString& condition, bool onNewLines) {
  if (IsBlankString(condition)) return fText;
  if (IsUnion()) return TSQLParser(UnionAsDerivedTable()).AddConditionToSelect(condition, onNewLines);
  return AddConditionToSelect(condition, onNewLines);
}

AnsiString TSQLParser::AddConditionToSelect(const AnsiString& condition, bool onNewLines) {
  TTextView v(fText);
  AnsiString separator = onNewLines ? "\r\n " : "";
  int main = MainWhereIndex();
  TSQLClause where = main > 0 ? GetWhereClause(main) : TSQLClause{};
  if (where.Start > 0) {
    AnsiString old = v.Range(where.Start + 5, where.End);
    return v.Range(1, where.Start + 4) + "( " + old + SeparatorAfter(old, separator) + " ) and ( " + condition +
           SeparatorAfter(condition, "") + " )" + separator + v.From(where.End + 1);
  }
  // No FROM clause (not a select): the WHERE goes to the end.
  TSQLClause from = GetFromClause();
  int end = from.Start > 0 ? from.End : fLength;
  return v.Range(1, end) + kCRLF + " WHERE " + separator + condition + kCRLF + v.From(end + 1);
}

AnsiString TSQLParser::SetWhereText(const AnsiString& condition) {
  if (!IsUnion()) return SetWhereOfSelect(condition);
  return IsBlankString(condition) ? fText : TSQLParser(UnionAsDerivedTable()).SetWhereOfSelect(condition);
}

AnsiString TSQLParser::SetWhereOfSelect(const AnsiString& condition) {
  int main = MainWhereIndex();
  TSQLClause where = main >= 1 ? GetWhereClause(main) : TSQLClause{};
  if (where.Start == 0) return IsBlankString(condition) ? fText : AddConditionToSelect(condition, false);
  TTextView v(fText);
  AnsiString before = v.Range(1, where.Start - 1), after = v.From(where.End + 1);
  if (IsBlankString(condition)) return before + kCRLF + after;
  AnsiString result = before;
  if (!EndsWithLF(result)) result += kCRLF;
  result += "WHERE " + condition;
  if (v.At(where.End + 1) != '\r') result += kCRLF;
  return result + after;
}

// ---- ORDER BY, tail clauses and PLAN ---------------------------------------------------

template <class Test>
int TSQLParser::FindTopLevel(int from, Test&& test) {
  ResetDepth();
  return Scan(from, [&](int p) { return fDepth == 0 && test(p); });
}

int TSQLParser::FindTail(int from) {
  return FindTopLevel(from, [&](int p) { return TailClauseAt(p); });
}

int TSQLParser::TailStart() { return FindTail(fMainStart); }

TSQLClause TSQLParser::GetOrderByClause() {
  TSQLClause clause;
  ResetDepth();
  clause.Start = Scan(fMainStart, [&](int p) { return fDepth == 0 && p + 4 <= fLength && KeywordAt(p, "ORDER"); });
  if (clause.Start == 0) return clause;
  int by = Scan(clause.Start + 5, [&](int p) { return KeywordAt(p, "BY"); });
  if (by == 0) return clause;
  int tail = FindTail(by + 2);
  clause.End = tail > 0 ? tail - 1 : fLength;
  clause.Text = TTextView(fText).Range(by + 2, clause.End);
  return clause;
}

AnsiString TSQLParser::SetOrderByText(const AnsiString& order) {
  TTextView v(fText);
  TSQLClause clause = GetOrderByClause();
  int tail = FindTail(clause.Start > 0 ? clause.Start : fMainStart);
  AnsiString tailText = tail > 0 ? kCRLF + v.From(tail) : AnsiString();
  if (clause.Start > 0) {
    AnsiString before = v.Range(1, clause.Start - 1);
    if (IsBlankString(order)) return before + v.From(tail > 0 ? tail : fLength + 1);
    return before + (EndsWithLF(before) ? "" : kCRLF) + "ORDER BY " + order + tailText;
  }
  if (IsBlankString(order)) return fText;
  return FastTrim(v.Range(1, tail > 0 ? tail - 1 : fLength)) + kCRLF + "ORDER BY " + order + tailText;
}

TSQLClause TSQLParser::PlanClause(int n, int& keyword) {
  TSQLClause clause;
  keyword = n < 0 ? 0 : FindOccurrence(n, &TSQLParser::PlanAt);
  if (keyword == 0) return clause;
  fStopAtClosingBracket = fDepth > 0;
  int start = keyword + 5;
  while (start <= fLength && TCharSet("\0\t\n\r \"-/;"sv).Contains(At(start))) ++start;
  TTextView v(fText);
  int end = Scan(start, [&](int p) {
    return p == fLength || (fDepth <= fStartDepth && (v.AnyKeywordAt(p, {"ORDER", "UNION"}) || v.TailClauseAt(p)));
  });
  if (end == 0) {
    keyword = 0;
    return clause;
  }
  if (end != fLength || fStoppedAtBracket) --end;
  while (end >= start && kSQLWordDelimiters.Contains(At(end))) --end;
  clause.Start = start;
  clause.End = end;
  clause.Text = v.Range(start, end);
  return clause;
}

TSQLClause TSQLParser::GetPlanClause(int n) {
  int keyword;
  return PlanClause(n, keyword);
}

AnsiString TSQLParser::SetPlanText(const AnsiString& plan) {
  TTextView v(fText);
  int keyword = 0;
  int main = MainPlanIndex();
  TSQLClause clause = main >= 1 ? PlanClause(main, keyword) : TSQLClause{};
  if (clause.Start >= 1) {
    if (IsBlankString(plan)) return v.Range(1, keyword - 1) + v.From(clause.End + 1);
    return v.Range(1, clause.Start - 1) + plan + SeparatorAfter(plan, "") + v.From(clause.End + 1);
  }
  if (IsBlankString(plan)) return fText;
  int before = GetOrderByClause().Start;
  if (before == 0) before = FindTail(fMainStart);
  if (before == 0) return fText + (EndsWithLF(fText) ? "" : kCRLF) + "PLAN " + plan;
  AnsiString head = v.Range(1, before - 1);
  return head + (EndsWithLF(head) ? "" : kCRLF) + "PLAN " + plan + kCRLF + v.From(before);
}

// ---- Record count ----------------------------------------------------------------------

// A select returns one row per row of its FROM clause only when it has no DISTINCT,
// FIRST, SKIP, GROUP BY, HAVING, UNION, ROWS, OFFSET or FETCH and no aggregate in its
// select list.
// Finding one of these words where it is not meant that way only costs the simple form.
bool TSQLParser::NeedsDerivedCount(int fromStart) {
  TTextView v(fText);
  auto wordAt = [&](int p, std::string_view word) {
    return !IsIdentifierChar(v.At(p - 1)) && v.LettersAt(p, word) &&
           !IsIdentifierChar(v.At(p + static_cast<int>(word.size())));
  };
  ResetDepth();
  return Scan(fMainStart, [&](int p) {
           if (fDepth != 0) return false;
           for (std::string_view w : {"DISTINCT"sv, "FIRST"sv, "SKIP"sv, "GROUP"sv, "HAVING"sv, "UNION"sv,
                                      "ROWS"sv, "OFFSET"sv, "FETCH"sv})
             if (wordAt(p, w)) return true;
           if (p >= fromStart) return false;
           for (std::string_view w : {"COUNT"sv, "SUM"sv, "AVG"sv, "MIN"sv, "MAX"sv, "LIST"sv})
             if (wordAt(p, w)) return true;
           return false;
         }) != 0;
}

// The items of the (first) select list, comments dropped and trimmed; the first one
// keeps a FIRST, SKIP or DISTINCT in front.
std::vector<AnsiString> TSQLParser::SelectListTexts(int fromStart) {
  std::vector<int> commas;
  ResetDepth();
  Scan(fMainStart + 6, [&](int p) {
    if (p >= fromStart) return true;
    if (fDepth == 0 && At(p) == ',') commas.push_back(p);
    return false;
  });
  commas.push_back(fromStart);
  std::vector<AnsiString> items;
  int itemStart = fMainStart + 6;
  for (int comma : commas) {
    items.push_back(FastTrim(StripSQLComments(TTextView(fText).Range(itemStart, comma - 1))));
    itemStart = comma + 1;
  }
  return items;
}

// The number of columns of the (first) select list, or 0 when a '*' makes it unknown.
int TSQLParser::SelectListWidth(int fromStart) {
  const std::vector<AnsiString> items = SelectListTexts(fromStart);
  for (const AnsiString& item : items) {
    std::size_t n = item.size();
    if (n > 0 && item[n - 1] == '*' && (n == 1 || item[n - 2] == '.' || static_cast<unsigned char>(item[n - 2]) < 33))
      return 0;
  }
  return static_cast<int>(items.size());
}

// The select as a derived table; its columns are named by a column list, because a
// derived table refuses unnamed and repeated column names. The ORDER BY goes, unless a
// row limit rides on it; FOR UPDATE and WITH LOCK go as well.
AnsiString TSQLParser::DerivedCountText(int fromStart) {
  TTextView v(fText);
  int end = fLength;
  ResetDepth();
  int lock = Scan(fMainStart, [&](int p) {
    return fDepth == 0 && (KeywordAt(p, "FOR") || (KeywordAt(p, "WITH") && TailClauseAt(p)));
  });
  if (lock > 0) end = lock - 1;
  int order = GetOrderByClause().Start;
  int limit = FindTopLevel(std::max(order, 1), [&](int p) { return v.RowLimitAt(p); });
  if (order > 0 && order <= end && limit == 0) end = order - 1;
  AnsiString body = v.Range(fMainStart, end);
  TrimRightInPlace(body);
  AnsiString result = CommonTablesText() + "select count(*) from (" + body + SeparatorAfter(body, "") + ")";
  int width = SelectListWidth(fromStart);
  if (width == 0) return result;
  result += " COUNTED_ROWS (";
  for (int i = 1; i <= width; ++i) result += (i > 1 ? ", C" : "C") + std::to_string(i);
  return result + ")";
}

AnsiString TSQLParser::CommonTablesText() const { return TTextView(fText).Range(fStatementStart, fMainStart - 1); }

AnsiString TSQLParser::GetCountText() {
  if (fKind != TSQLKind::Select || !WordAt(fMainStart, "SELECT")) return {};
  TSQLClause from = GetFromClause();
  if (from.Start == 0) return {};
  if (NeedsDerivedCount(from.Start)) return DerivedCountText(from.Start);
  AnsiString result = CommonTablesText() + "Select Count(*) " + TTextView(fText).Range(from.Start, from.End);
  int main = MainWhereIndex();
  if (main >= 1) {
    TSQLClause where = GetWhereClause(main);
    if (!where.Text.empty()) result += AnsiString(kCRLF) + " WHERE " + where.Text;
  }
  return result;
}

// ---- Select list -----------------------------------------------------------------------

namespace {

// Where the last word of an item starts (a quoted name with its quotes), or 0 when the
// item does not end in one.
int LastWordStart(const AnsiString& item) {
  int p = static_cast<int>(item.size());
  if (p == 0) return 0;
  if (item[static_cast<std::size_t>(p - 1)] == '"') {
    for (int q = p - 1; q >= 1; --q)
      if (item[static_cast<std::size_t>(q - 1)] == '"') return q;
    return 0;
  }
  while (p >= 1 && IsIdentifierChar(item[static_cast<std::size_t>(p - 1)])) --p;
  if (p == static_cast<int>(item.size())) return 0;
  // A name begins with a letter, and these words are values, not names.
  const char first = AsciiUpper(item[static_cast<std::size_t>(p)]);
  const TTextView word(item);
  if (first < 'A' || first > 'Z' || word.WordAt(p + 1, "END") || word.WordAt(p + 1, "NULL") ||
      word.WordAt(p + 1, "TRUE") || word.WordAt(p + 1, "FALSE"))
    return 0;
  return p + 1;
}

// The select item with its leading FIRST n, SKIP n, DISTINCT or ALL taken off.
AnsiString WithoutRowPicks(AnsiString item) {
  for (bool found = true; found;) {
    found = false;
    TTextView v(item);
    for (std::string_view word : {"FIRST"sv, "SKIP"sv}) {
      if (!v.WordAt(1, word, kSQLBlanks + '(')) continue;
      int p = static_cast<int>(word.size()) + 1;
      while (kSQLBlanks.Contains(v.At(p))) ++p;
      TNesting nesting;
      for (; p <= v.Length() && !(nesting.TopLevel() && p > 1 && kSQLBlanks.Contains(v.At(p))); ++p)
        nesting.Step(v.At(p));
      item = FastTrim(v.From(p));
      found = true;
      break;
    }
    if (found) continue;
    for (std::string_view word : {"DISTINCT"sv, "ALL"sv}) {
      if (!v.WordAt(1, word, kSQLBlanks)) continue;
      item = FastTrim(v.From(static_cast<int>(word.size()) + 1));
      found = true;
      break;
    }
  }
  return item;
}

}  // namespace

std::vector<TSelectItem> TSQLParser::SelectItems() {
  std::vector<TSelectItem> result;
  if (fKind != TSQLKind::Select || !WordAt(fMainStart, "SELECT")) return result;
  const int from = FindFrom();
  if (from == 0) return result;
  std::vector<AnsiString> texts = SelectListTexts(from);
  if (!texts.empty()) texts.front() = WithoutRowPicks(texts.front());
  for (const AnsiString& text : texts) {
    TSelectItem item{text, {}, false};
    const int word = LastWordStart(text);
    if (word == 0) {
      result.push_back(item);
      continue;
    }
    const AnsiString last = text.substr(static_cast<std::size_t>(word - 1));
    AnsiString before = text.substr(0, static_cast<std::size_t>(word - 1));
    TrimRightInPlace(before);
    const bool spaced = before.size() < static_cast<std::size_t>(word - 1);
    TTextView v(before);
    const int length = v.Length();
    if (spaced && length > 3 && v.WordAt(length - 1, "AS") && kSQLBlanks.Contains(v.At(length - 2))) {
      item = {FastTrim(v.Range(1, length - 2)), last, true};
    } else if (spaced && length > 0 && (IsIdentifierChar(v.At(length)) || TCharSet(")'\"").Contains(v.At(length)))) {
      item = {before, last, true};
    } else if (length == 0 || v.At(length) == '.') {
      item.Name = last;  // a column, plain or qualified
    }
    result.push_back(item);
  }
  return result;
}

// ---- Modified table --------------------------------------------------------------------

// The next name-like token: a double-quoted name (quotes kept) or a run of characters up
// to a word delimiter.
AnsiString TSQLParser::ReadToken(int& p) const {
  SkipBlanksAndComments(fText, fLength, p);
  int start = p;
  if (At(p) == '"') {
    for (++p; p <= fLength; ++p) {
      if (At(p) != '"') continue;
      if (At(p + 1) != '"') break;
      ++p;  // a doubled quote inside the name
    }
    p = std::min(p + 1, fLength + 1);
  } else {
    while (p <= fLength && !kSQLWordDelimiters.Contains(At(p))) ++p;
  }
  return TTextView(fText).Range(start, p - 1);
}

AnsiString TSQLParser::GetModifiedTable() {
  auto isOneOf = [](const AnsiString& token, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return SameWord(token, w); });
  };
  // The alias after a table, if the next token is one: "AS x", "x", or nothing.
  auto withAlias = [&](AnsiString table, int p, std::initializer_list<std::string_view> clauseWords) {
    AnsiString next = ReadToken(p);
    if (next.empty() || isOneOf(next, clauseWords)) return table;
    if (SameWord(next, "AS")) {
      AnsiString alias = ReadToken(p);
      return alias.empty() ? table : table + " " + next + " " + alias;
    }
    return table + " " + next;
  };
  switch (fKind) {
    case TSQLKind::Update: {
      int p = fStatementStart + 6;
      AnsiString table = ReadToken(p);
      return withAlias(table, p, {"SET"});
    }
    case TSQLKind::Insert: {
      ResetDepth();
      int into = Scan(fStatementStart + 7, [&](int p) { return KeywordAt(p, "INTO"); });
      if (into == 0) return "Unknown";
      int p = into + 4;
      return ReadToken(p);
    }
    case TSQLKind::Delete: {
      ResetDepth();
      int from = Scan(fStatementStart, [&](int p) { return KeywordAt(p, "FROM"); });
      if (from == 0) return "Unknown";
      int p = from + 4;
      AnsiString table = ReadToken(p);
      return withAlias(table, p, {"WHERE", "PLAN", "ORDER", "ROWS", "RETURNING"});
    }
    default:
      return {};
  }
}

// ---- Table list ------------------------------------------------------------------------

namespace {

// A piece of a FROM clause: a word, a quoted name, a literal, a bracketed group or a comma.
struct TFromToken {
  enum class Kind : Byte { Word, Quoted, Group, Comma } Kind;
  AnsiString Text;
};

// Characters that separate the pieces of a FROM clause outside quotes.
constexpr TCharSet kFromSpace("\0\t\n\r -/;"sv);

// Cuts a comment-free FROM clause into pieces; an unmatched '(' ends the clause.
std::vector<TFromToken> FromTokens(const AnsiString& s) {
  std::vector<TFromToken> tokens;
  std::size_t i = 0, n = s.size();
  auto quotedEnd = [&](std::size_t from, char quote) {
    std::size_t j = s.find(quote, from + 1);
    return j == AnsiString::npos ? n : j + 1;
  };
  while (i < n) {
    char c = s[i];
    if (kFromSpace.Contains(c)) {
      ++i;
    } else if (c == ',') {
      tokens.push_back({TFromToken::Kind::Comma, ","});
      ++i;
    } else if (c == '"' || c == '\'') {
      std::size_t end = quotedEnd(i, c);
      tokens.push_back({TFromToken::Kind::Quoted, s.substr(i, end - i)});
      i = end;
    } else if (c == '(') {
      int depth = 0;
      std::size_t j = i;
      for (; j < n; ++j) {
        if (s[j] == '"' || s[j] == '\'') j = quotedEnd(j, s[j]) - 1;
        else if (s[j] == '(') ++depth;
        else if (s[j] == ')' && --depth == 0) break;
      }
      if (j >= n) break;
      tokens.push_back({TFromToken::Kind::Group, s.substr(i, j + 1 - i)});
      i = j + 1;
    } else {
      std::size_t j = i;
      while (j < n && !kFromSpace.Contains(s[j]) && s[j] != ',' && s[j] != '"' && s[j] != '\'' && s[j] != '(' &&
             s[j] != ')')
        ++j;
      if (j == i) ++j;  // a stray ')'
      tokens.push_back({TFromToken::Kind::Word, s.substr(i, j - i)});
      i = j;
    }
  }
  return tokens;
}

// The items of a FROM clause: joins become separate items, join conditions go, and the
// unquoted parts are upper-cased.
std::vector<AnsiString> SplitFromItems(const AnsiString& clause, bool keepDerivedItems) {
  std::vector<AnsiString> items;
  std::vector<AnsiString> parts;
  bool bracketed = false, inCondition = false;
  auto isWord = [](const TFromToken& t, std::string_view w) {
    return t.Kind == TFromToken::Kind::Word && SameWord(t.Text, w);
  };
  static constexpr std::string_view kJoinWords[] = {"LEFT", "RIGHT", "FULL", "INNER", "OUTER", "CROSS", "NATURAL"};
  auto finishItem = [&] {
    while (!parts.empty() && std::find(std::begin(kJoinWords), std::end(kJoinWords), parts.back()) != std::end(kJoinWords))
      parts.pop_back();
    AnsiString item;
    for (const AnsiString& part : parts) item += (item.empty() ? "" : " ") + part;
    if (!item.empty() && (keepDerivedItems || !bracketed)) items.push_back(item);
    parts.clear();
    bracketed = inCondition = false;
  };
  for (const TFromToken& token : FromTokens(clause)) {
    if (token.Kind == TFromToken::Kind::Comma || isWord(token, "JOIN")) {
      finishItem();
    } else if (inCondition) {
      continue;
    } else if (isWord(token, "ON") || isWord(token, "USING")) {
      inCondition = true;
    } else if (token.Kind == TFromToken::Kind::Group) {
      bracketed = true;
    } else {
      parts.push_back(token.Kind == TFromToken::Kind::Word ? FastUpperCase(token.Text) : token.Text);
    }
  }
  finishItem();
  return items;
}

}  // namespace

std::vector<AnsiString> TSQLParser::FromItems(bool keepDerivedItems) {
  int from = FindFrom();
  if (from == 0) return {};
  int end = ClauseEndBefore(Scan(from + 4, [&](int p) { return FromEndAt(p); }));
  return SplitFromItems(StripSQLComments(TTextView(fText).Range(from + 4, end)), keepDerivedItems);
}

const std::vector<AnsiString>& TSQLParser::TableItems(bool keepDerivedItems) {
  if (!fTableListFilled || fTableListKeepsDerived != keepDerivedItems) {
    if (fKind == TSQLKind::Select) fTableList = FromItems(keepDerivedItems);
    else fTableList = {GetModifiedTable()};
    fTableListFilled = true;
    fTableListKeepsDerived = keepDerivedItems;
  }
  return fTableList;
}

TStrings* TSQLParser::GetTableList(bool keepDerivedItems) {
  fTableStrings->BeginUpdate();
  fTableStrings->Clear();
  for (const AnsiString& item : TableItems(keepDerivedItems)) fTableStrings->Add(item);
  fTableStrings->EndUpdate();
  return fTableStrings.get();
}

std::vector<TOrderItem> TSQLParser::OrderItems() {
  std::vector<TOrderItem> items;
  AnsiString text = FastTrim(StripSQLComments(GetOrderByClause().Text));
  if (text.empty()) return items;
  for (const AnsiString& item : SplitTopLevel(text)) items.push_back(ParseOrderItem(item));
  return items;
}

namespace {

// "t.name" -> "T.NAME", "t.\"Name\"" -> "T.\"Name\"": the first two dot-separated parts,
// each upper-cased unless quoted; a name without a dot stays as it is.
AnsiString OrderFieldName(const AnsiString& expression) {
  std::vector<AnsiString> parts(1);
  bool quoted = false;
  for (char c : expression) {
    if (c == '"') quoted = !quoted;
    if (c == '.' && !quoted) parts.emplace_back();
    else parts.back() += c;
  }
  if (parts.size() == 1) return expression;
  auto part = [](const AnsiString& p) { return !p.empty() && p[0] == '"' ? p : FastUpperCase(p); };
  return part(parts[0]) + "." + part(parts[1]);
}

}  // namespace

void TSQLParser::GetOrderFields(Variant& fields) {
  std::vector<TOrderItem> items = OrderItems();
  if (items.empty()) {
    fields = Null();
    return;
  }
  int last = static_cast<int>(items.size()) - 1;
  fields = VarArrayCreate({0, last, 0, 2}, varVariant);
  for (int i = 0; i <= last; ++i) {
    if (items[i].Expression.empty()) continue;
    VarArrayPut(fields, OrderFieldName(items[i].Expression), {i, 0});
    VarArrayPut(fields, !items[i].Descending, {i, 1});
    VarArrayPut(fields, items[i].NullsGiven && items[i].NullsFirst, {i, 2});
  }
}

// ---- Unit routines ---------------------------------------------------------------------

namespace {

bool IsQuotedName(const AnsiString& s) { return !s.empty() && s[0] == '"'; }

// A quoted name without its quotes (doubled quotes inside become one).
AnsiString Unquoted(const AnsiString& s) {
  if (!IsQuotedName(s)) return s;
  std::size_t end = s.size() >= 2 && s.back() == '"' ? s.size() - 1 : s.size();
  return ReplaceString(s.substr(1, end - 1), "\"\"", "\"");
}

AnsiString QuotedIfNeeded(const AnsiString& name) {
  return NeedQuoteIdentifier(name) ? "\"" + ReplaceString(name, "\"", "\"\"") + "\"" : name;
}

AnsiString UnquotedOrUpper(const AnsiString& name) {
  return IsQuotedName(name) ? Unquoted(name) : FastUpperCase(name);
}

}  // namespace

TSQLKind SQLKindOf(const AnsiString& sql) { return TSQLParser(sql).SQLKind(); }

namespace {

void AssignItems(const std::vector<AnsiString>& items, TStrings& list, bool withAliases) {
  list.BeginUpdate();
  list.Clear();
  for (const AnsiString& item : items) list.Add(withAliases ? item : TableFromFromItem(item));
  list.EndUpdate();
}

}  // namespace

void TablesOfSQL(const AnsiString& sql, TStrings& list, bool keepDerivedItems, bool withAliases) {
  AssignItems(TSQLParser(sql).TableItems(keepDerivedItems), list, withAliases);
}

void SelectTablesToList(const AnsiString& sql, TStrings& list, bool keepDerivedItems, bool withAliases) {
  AssignItems(TSQLParser(sql).FromItems(keepDerivedItems), list, withAliases);
}

AnsiString CountSelectSQL(const AnsiString& sql) { return TSQLParser(sql).GetCountText(); }

AnsiString GetModifyTableName(const AnsiString& sql, bool keepRaw) {
  AnsiString table = FastTrim(TSQLParser(sql).GetModifiedTable());
  if (keepRaw) return table;
  if (IsQuotedName(table)) {
    std::size_t close = table.find('"', 1);
    return table.substr(1, close == AnsiString::npos ? AnsiString::npos : close - 1);
  }
  std::size_t cut = 0;
  while (cut < table.size() && !(kSQLWordDelimiters - '"').Contains(table[cut])) ++cut;
  return FastUpperCase(table.substr(0, cut));
}

AnsiString TableByAlias(const AnsiString& sql, const AnsiString& alias) {
  TSQLParser parser(sql);
  const std::vector<AnsiString>& items = parser.TableItems(true);
  for (const AnsiString& item : items)
    if (SameIdentifier(AliasFromFromItem(item), alias)) return TableFromFromItem(item);
  for (const AnsiString& item : items)
    if (SameIdentifier(TableFromFromItem(item), alias)) return TableFromFromItem(item);
  return {};
}

AnsiString AliasByTable(const AnsiString& sql, const AnsiString& table) {
  TSQLParser parser(sql);
  for (const AnsiString& item : parser.TableItems(true))
    if (SameIdentifier(TableFromFromItem(item), table)) return AliasFromFromItem(item);
  return table;
}

AnsiString AliasFieldToTableField(const AnsiString& sql, const AnsiString& field) {
  std::size_t dot = field.find('.');
  if (dot == AnsiString::npos) return field;
  AnsiString table = TableByAlias(sql, FastTrim(field.substr(0, dot)));
  if (table.empty()) return field;
  return UnquotedOrUpper(table) + "." + UnquotedOrUpper(FastTrim(field.substr(dot + 1)));
}

TSQLClause GetOrderByClauseOf(const AnsiString& sql) { return TSQLParser(sql).GetOrderByClause(); }

void GetOrderFieldsList(const AnsiString& sql, Variant& fields) { TSQLParser(sql).GetOrderFields(fields); }

AnsiString SetOrderClause(const AnsiString& sql, const AnsiString& order) {
  TSQLParser parser(sql);
  TTextView v(sql);
  TSQLClause clause = parser.GetOrderByClause();
  bool noOrder = IsBlankString(order);
  if (clause.Start == 0) {
    if (noOrder) return sql;
    // A ROWS, FOR UPDATE or WITH LOCK clause stays after the new ORDER BY.
    int tail = parser.TailStart();
    if (tail == 0) return sql + " ORDER BY " + order;
    return v.Range(1, tail - 1) + " ORDER BY " + order + " " + v.From(tail);
  }
  if (clause.End == 0) return v.Range(1, clause.Start - 1) + (noOrder ? "" : "ORDER BY " + order);
  if (noOrder) return v.Range(1, clause.Start - 1) + " " + v.From(clause.End + 1);
  return v.Range(1, clause.Start - 1) + ReplaceAllCI(v.Range(clause.Start, clause.End), clause.Text, " " + order + " ") +
         v.From(clause.End + 1);
}

TSQLClause GetWhereClauseOf(const AnsiString& sql, int n) { return TSQLParser(sql).GetWhereClause(n); }

int WhereClauseCount(const AnsiString& sql) { return TSQLParser(sql).WhereCount(); }

AnsiString AddWhereCondition(const AnsiString& sql, const AnsiString& condition, bool onNewLines) {
  return TSQLParser(sql).AddCondition(condition, onNewLines);
}

AnsiString FieldNameByParam(const AnsiString& sql, const AnsiString& paramName) {
  // Characters that may stand around a parameter in a condition.
  static constexpr TCharSet kAround("\t\n\r !\"()*+,-/;<=>^|~");
  struct Form {
    char prefix;
    TCharSet skipped;  // between the field and the parameter
    TCharSet stops;    // where the field name begins
  };
  const Form forms[] = {{':', kAround + ':', kAround + '.'}, {'?', kAround + '?', kAround}};
  TSQLParser parser(sql);
  int count = parser.WhereCount();
  for (int i = 1; i <= count; ++i) {
    AnsiString condition = parser.GetWhereClause(i).Text;
    for (const Form& form : forms) {
      int at = PosWord(form.prefix + paramName, condition, kAround, kAround + '\0', true);
      if (at == 0) continue;
      int end = at - 1;
      while (end >= 1 && form.skipped.Contains(condition[static_cast<std::size_t>(end - 1)])) --end;
      int start = end;
      while (start >= 1 && !form.stops.Contains(condition[static_cast<std::size_t>(start - 1)])) --start;
      if (end >= 1) return CopyFromTo(condition, start + 1, end);
    }
  }
  return {};
}

AnsiString InvertOrderClause(const AnsiString& order) {
  AnsiString text = FastTrim(StripSQLComments(order));
  AnsiString result;
  if (text.empty()) return result;
  for (const AnsiString& rawItem : SplitTopLevel(text)) {
    TOrderItem item = ParseOrderItem(rawItem);
    if (item.Expression.empty()) continue;
    AnsiString piece = item.Expression + item.Collation;
    if (!item.Descending) piece += item.NullsGiven ? " desc " : " desc";
    if (item.NullsGiven) piece += item.NullsFirst ? " NULLS LAST" : " NULLS FIRST";
    result += (result.empty() ? "" : ",") + piece;
  }
  return result;
}

AnsiString QualifiedName(const AnsiString& table, const AnsiString& field) {
  if (table.empty()) return QuotedIfNeeded(field);
  return QuotedIfNeeded(table) + "." + QuotedIfNeeded(field);
}

bool SameIdentifier(const AnsiString& a, const AnsiString& b) {
  if (a.empty() || b.empty()) return true;
  bool aQuoted = IsQuotedName(a), bQuoted = IsQuotedName(b);
  if (aQuoted && bQuoted) return a == b;
  if (aQuoted) return FastUpperCase(b) == Unquoted(a);
  if (bQuoted) return "\"" + a + "\"" == b || "\"" + FastUpperCase(a) + "\"" == b;
  return FastUpperCase(a) == FastUpperCase(b);
}

int AliasSeparatorPos(const AnsiString& item) {
  TTextView v(item);
  char quote = 0;
  for (int p = 1; p <= v.Length(); ++p) {
    char c = v.At(p);
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (kSQLBlanks.Contains(c)) {
      while (p < v.Length() && kAliasSkip.Contains(v.At(p))) ++p;
      return p;
    }
  }
  return 0;
}

AnsiString TableFromFromItem(const AnsiString& item, int separator) {
  if (separator == 0) separator = AliasSeparatorPos(item);
  return FastTrim(separator == 0 ? item : CopyFromTo(item, 1, separator - 1));
}

AnsiString AliasFromFromItem(const AnsiString& item, int separator) {
  if (separator == 0) separator = AliasSeparatorPos(item);
  if (separator == 0) return FastTrim(item);
  TTextView v(item);
  if (v.Length() - separator + 1 >= 3 && v.WordAt(separator, "AS", kAliasSkip)) separator += 3;
  return FastTrim(v.From(separator));
}

void SkipBlanksAndComments(const AnsiString& text, int length, int& p) {
  length = std::min(length, static_cast<int>(text.size()));
  auto at = [&](int q) { return q >= 1 && q <= length ? text[static_cast<std::size_t>(q - 1)] : '\0'; };
  while (p < length && (kLeadingSkip.Contains(at(p)) || at(p) == '-' || at(p) == '/')) {
    int before = p;
    while (p <= length && kLeadingSkip.Contains(at(p))) ++p;
    if (p < length && at(p) == '-' && at(p + 1) == '-')
      while (p <= length && at(p) != '\n' && at(p) != '\r') ++p;
    if (p < length && at(p) == '/' && at(p + 1) == '*') {
      p += 2;
      while (p < length && !(at(p) == '*' && at(p + 1) == '/')) ++p;
      p += 2;
    }
    if (p == before) break;  // a '-' or '/' that opens no comment
  }
  p = std::min(p, length + 1);
}

AnsiString StripSQLComments(const AnsiString& text) {
  AnsiString out;
  std::size_t n = text.size();
  // A comment between two words keeps them apart with one space.
  auto continueAfter = [&](std::size_t next) {
    if (!out.empty() && static_cast<unsigned char>(out.back()) >= 33 && next < n &&
        static_cast<unsigned char>(text[next]) >= 33)
      out += ' ';
    return next;
  };
  for (std::size_t i = 0; i < n;) {
    char c = text[i], next = i + 1 < n ? text[i + 1] : '\0';
    if (c == '"' || c == '\'') {
      std::size_t close = text.find(c, i + 1);
      std::size_t end = close == AnsiString::npos ? n : close + 1;
      out.append(text, i, end - i);
      i = end;
    } else if (c == '-' && next == '-') {
      std::size_t j = text.find_first_of("\r\n", i + 2);
      if (j == AnsiString::npos) j = n;
      else j += text[j] == '\r' && j + 1 < n && text[j + 1] == '\n' ? 2 : 1;
      i = continueAfter(j);
    } else if (c == '/' && next == '*') {
      std::size_t close = text.find("*/", i + 2);
      i = continueAfter(close == AnsiString::npos ? n : close + 2);
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

void SplitMacroDefault(const AnsiString& item, char macroChar, AnsiString& name, AnsiString& defaultValue) {
  std::size_t percent = item.find('%');
  if (percent != AnsiString::npos) {
    name = item.substr(0, percent);
    defaultValue = item.substr(percent + 1);
  } else {
    name = item;
  }
  if (item.empty() || item[0] != macroChar) name.insert(name.begin(), macroChar);
}

bool IsWhereKeywordAt(const AnsiString& text, int p) { return TTextView(text).WhereKeywordAt(p); }
bool IsWhereEndAt(const AnsiString& text, int p) { return TTextView(text).WhereEndAt(p); }

char QuotedLiteralCloser(std::string_view text, std::size_t i) {
  if (i + 2 >= text.size() || (text[i] != 'q' && text[i] != 'Q') || text[i + 1] != '\'') return '\0';
  // Part of a longer word (an identifier ending in q) it is not.
  if (i > 0 && IsIdentifierChar(text[i - 1])) return '\0';
  const char opener = text[i + 2];
  if (static_cast<unsigned char>(opener) <= ' ' || opener == '\'') return '\0';
  switch (opener) {
    case '(':
      return ')';
    case '[':
      return ']';
    case '{':
      return '}';
    case '<':
      return '>';
    default:
      return opener;
  }
}

}  // namespace ordvane
