#include "dbclient/pFIBScriptParser.h"

#include <algorithm>
#include <cstring>

#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

bool IsQuote(char c) {
  return c == '\'' || c == '"';
}

// Blanks separate words and statements: the space and every control character (a
// script saved by an old editor may end in Ctrl+Z or hold form feeds).
bool IsWordEnd(char c) {
  return IsBlankOrControl(c) || (c != '\0' && std::strchr("(),;=<>+*|-/^!~[]{}'\"", c) != nullptr);
}

// keyword at position i of s, as a whole word.
bool WordAt(const AnsiString& s, std::size_t i, std::string_view keyword) {
  if (s.size() - i < keyword.size() || !SameText(std::string_view(s).substr(i, keyword.size()), keyword))
    return false;
  std::size_t after = i + keyword.size();
  return after == s.size() || IsWordEnd(s[after]);
}

struct TKeywordKind {
  const char* word;
  TStatementKind kind;
};

constexpr TKeywordKind kFirstWords[] = {
    {"DELETE", skDML},
    {"EXECUTE", skDML},
    {"INSERT", skDML},
    {"MERGE", skDML},
    {"UPDATE", skDML},
    {"CONNECT", skConnect},
    {"DISCONNECT", skDisconnect},
    {"RECONNECT", skReconnect},
    {"COMMIT", skCommit},
    {"ROLLBACK", skRollback},
    {"CREATE", skCreate},
    {"ALTER", skAlter},
    {"RECREATE", skRecreate},
    {"DROP", skDrop},
    {"SET", skSet},
    {"DESCRIBE", skDescribe},
    {"DECLARE", skDeclare},
    {"COMMENT", skComment},
    {"GRANT", skGrant},
    {"REVOKE", skGrant},
    {"INPUT", skInput},
    {"BATCH", skBatch},
};

TStatementKind KindOfFirstWord(const TScriptToken& word) {
  for (const TKeywordKind& entry : kFirstWords)
    if (word.Is(entry.word)) return entry.kind;
  return skUnknown;
}

struct TObjectWord {
  const char* word;
  TObjectKind kind;
};

constexpr TObjectWord kObjectWords[] = {
    {"DATABASE", okDatabase}, {"DOMAIN", okDomain},         {"TABLE", okTable},
    {"VIEW", okView},         {"PROCEDURE", okProcedure},   {"TRIGGER", okTrigger},
    {"FUNCTION", okFunction}, {"EXCEPTION", okException},   {"GENERATOR", okGenerator},
    {"INDEX", okIndex},       {"CONSTRAINT", okConstraint}, {"FILTER", okFilter},
    {"COLUMN", okColumn},     {"FIELD", okColumn},          {"PARAMETER", okParameter},
    {"ROLE", okRole},
};

TObjectKind ObjectKindOf(const TScriptToken& word) {
  for (const TObjectWord& entry : kObjectWords)
    if (word.Is(entry.word)) return entry.kind;
  return okNone;
}

// Whether a procedure or trigger cut at a semicolon holds its whole body: the tokens
// after the name up to AS or BEGIN, then BEGIN/CASE ... END nesting back to level 0.
// Without BEGIN only a header with no AS (a declaration, an external routine) is whole.
bool BodyComplete(TScriptTokenReader& tokens) {
  TScriptToken token;
  bool asSeen = false;
  while (tokens.Next(token)) {
    if (token.Is("AS")) {
      asSeen = true;
    } else if (token.Is("BEGIN")) {
      int level = 1;
      while (tokens.Next(token)) {
        if (token.Is("BEGIN") || token.Is("CASE"))
          ++level;
        else if (token.Is("END") && --level == 0)
          return true;
      }
      return false;
    }
  }
  return !asSeen;
}

}  // namespace

std::string_view LineEndText(TLineEnd end) {
  switch (end) {
    case leCRLF:
      return "\r\n";
    case leCR:
      return "\r";
    case leLF:
      break;
  }
  return "\n";
}

// ---- TScriptLines ---------------------------------------------------------------------

void TScriptLines::SetText(const AnsiString& text) {
  TLineEnds ends;
  for (std::size_t at = 0; (at = text.find_first_of("\r\n", at)) != AnsiString::npos; ++at) {
    if (text[at] == '\n') {
      ends.push_back(leLF);
    } else if (at + 1 < text.size() && text[at + 1] == '\n') {
      ends.push_back(leCRLF);
      ++at;
    } else {
      ends.push_back(leCR);
    }
  }
  {
    const TFlagScope setting(fSettingText);
    TStringList::SetText(text);
  }
  fLineEnds = std::move(ends);
}

void TScriptLines::Changed() {
  if (!fSettingText) fLineEnds.clear();
  TStringList::Changed();
}

// ---- TScriptMap -----------------------------------------------------------------------

void TScriptMap::Reset(int lineCount) {
  fItems.clear();
  fCapacity = 0;
  Reserve(std::max(3, lineCount / 16));
}

void TScriptMap::Reserve(int capacity) {
  fItems.reserve(static_cast<std::size_t>(capacity));
  fCapacity = capacity;
}

void TScriptMap::Add(const TStatementDesc& desc) {
  if (Count() >= fCapacity) {
    const int step = fCapacity <= 8 ? 4 : fCapacity <= 64 ? 16 : fCapacity / 4;
    Reserve(fCapacity + step);
  }
  fItems.push_back(desc);
}

void TScriptMap::DeleteFirst(int count) {
  fItems.erase(fItems.begin(), fItems.begin() + std::clamp(count, 0, Count()));
}

void TScriptMap::Cut() {
  fItems.shrink_to_fit();
  fCapacity = Count();
}

// ---- Tokens ---------------------------------------------------------------------------

bool TScriptToken::Is(const char* keyword) const {
  return !Quoted && SameText(Text, keyword);
}

TScriptTokenReader::TScriptTokenReader(const TStrings& lines, const TStatementDesc& desc)
    : fLines(lines), fLine(desc.StartLine), fCol(desc.StartCol) {
  if (desc.Closed()) {
    fEndLine = std::min(desc.EndLine, lines.Count() - 1);
    fEndCol = desc.EndCol;
  } else {
    fEndLine = lines.Count() - 1;
    fEndCol = fEndLine >= 0 ? static_cast<Integer>(lines.Strings(fEndLine).size()) : 0;
  }
  fLine = std::max(fLine, 0);
  fCol = std::max(fCol, 1);
  if (fLine <= fEndLine) LoadLine(fLine);
}

void TScriptTokenReader::LoadLine(int line) {
  fText = fLines.Strings(line);
  if (line == fEndLine && fEndCol < static_cast<Integer>(fText.size()))
    fText.resize(static_cast<std::size_t>(std::max(fEndCol, 0)));
}

bool TScriptTokenReader::Settle() {
  while (fLine <= fEndLine && fCol > static_cast<Integer>(fText.size())) {
    ++fLine;
    fCol = 1;
    if (fLine <= fEndLine) LoadLine(fLine);
  }
  return fLine <= fEndLine;
}

bool TScriptTokenReader::NextIs(char c) const {
  return fCol < static_cast<Integer>(fText.size()) && fText[static_cast<std::size_t>(fCol)] == c;
}

bool TScriptTokenReader::SkipBlanksAndComments() {
  while (Settle()) {
    const char c = Current();
    if (IsBlankOrControl(c)) {
      ++fCol;
    } else if (c == '-' && NextIs('-')) {
      fCol = static_cast<Integer>(fText.size()) + 1;
    } else if (c == '/' && NextIs('*')) {
      fCol += 2;
      while (Settle() && !(Current() == '*' && NextIs('/'))) ++fCol;
      fCol += 2;
    } else {
      return true;
    }
  }
  return false;
}

void TScriptTokenReader::ReadQuoted(TScriptToken& token, char closer, bool doubling) {
  token.Quoted = true;
  ++fCol;
  for (;;) {
    if (fCol > static_cast<Integer>(fText.size())) {
      if (fLine >= fEndLine) throw Exception("Can't find end token");
      LoadLine(++fLine);
      fCol = 1;
      token.Text += '\n';
      continue;
    }
    const char c = Current();
    if (!doubling && c == closer && NextIs('\'')) {
      fCol += 2;
      return;
    }
    if (doubling && c == closer && NextIs(closer)) {
      token.Text += closer;
      fCol += 2;
    } else if (doubling && c == closer) {
      ++fCol;
      return;
    } else {
      token.Text += c;
      ++fCol;
    }
  }
}

void TScriptTokenReader::ReadWord(TScriptToken& token) {
  const auto start = static_cast<std::size_t>(fCol - 1);
  std::size_t end = start + 1;
  if (!IsWordEnd(fText[start]))
    while (end < fText.size() && !IsWordEnd(fText[end])) ++end;
  token.Text = fText.substr(start, end - start);
  fCol = static_cast<Integer>(end) + 1;
}

bool TScriptTokenReader::Next(TScriptToken& token) {
  token = TScriptToken();
  if (!SkipBlanksAndComments()) return false;
  if (const char closer = QuotedLiteralCloser(fText, static_cast<std::size_t>(fCol - 1)); closer != '\0') {
    fCol += 2;
    ReadQuoted(token, closer, false);
  } else if (IsQuote(Current())) {
    ReadQuoted(token, Current(), true);
  } else {
    ReadWord(token);
  }
  return true;
}

bool TScriptTokenReader::Skip(int count, TScriptToken& token) {
  for (int i = 0; i < count; ++i)
    if (!Next(token)) return false;
  return Next(token);
}

AnsiString TScriptTokenReader::Rest() {
  AnsiString rest;
  while (Settle()) {
    rest += fText.substr(static_cast<std::size_t>(fCol - 1));
    fCol = static_cast<Integer>(fText.size()) + 1;
    if (fLine < fEndLine) rest += '\n';
  }
  return TrimLeft(rest);
}

void ExtractStatement(const TStrings& lines, const TStatementDesc& desc, TStrings& statement) {
  const int lastLine = desc.Closed() ? std::min(desc.EndLine, lines.Count() - 1) : lines.Count() - 1;
  statement.BeginUpdate();
  statement.Clear();
  for (int line = std::max(desc.StartLine, 0); line <= lastLine; ++line) {
    AnsiString text = lines.Strings(line);
    if (desc.Closed() && line == desc.EndLine)
      text.resize(std::min(text.size(), static_cast<std::size_t>(std::max(desc.EndCol, 0))));
    if (line == desc.StartLine)
      text.erase(0, std::min(text.size(), static_cast<std::size_t>(desc.StartCol - 1)));
    statement.Add(text);
  }
  statement.EndUpdate();
}

AnsiString StatementText(const TStrings& lines, const TLineEnds& ends, const TStatementDesc& desc) {
  const int lastLine = desc.Closed() ? std::min(desc.EndLine, lines.Count() - 1) : lines.Count() - 1;
  AnsiString text;
  for (int line = std::max(desc.StartLine, 0); line <= lastLine; ++line) {
    const AnsiString s = lines.Strings(line);
    std::size_t from = 0, to = s.size();
    if (desc.Closed() && line == desc.EndLine) to = std::min(to, static_cast<std::size_t>(std::max(desc.EndCol, 0)));
    if (line == desc.StartLine) from = std::min(to, static_cast<std::size_t>(std::max(desc.StartCol - 1, 0)));
    text.append(s, from, to - from);
    if (line < lastLine)
      text += LineEndText(static_cast<std::size_t>(line) < ends.size() ? ends[static_cast<std::size_t>(line)] : leLF);
  }
  return text;
}

// ---- Scanner --------------------------------------------------------------------------

TScriptScanner::TScriptScanner(TpFIBScriptParser& parser, const TStrings& lines, TScriptMap& map,
                               const AnsiString& terminator)
    : fParser(parser), fLines(lines), fMap(map), fTerminator(terminator) {}

bool TScriptScanner::TerminatorAt(const AnsiString& s, std::size_t i) const {
  return !fTerminator.empty() && s.compare(i, fTerminator.size(), fTerminator) == 0;
}

void TScriptScanner::ReadCandidate(char c) {
  if (IsBlankOrControl(c))
    fCandidateEnded = !fCandidate.empty();
  else if (!fCandidateEnded)
    fCandidate += c;
}

void TScriptScanner::ScanLine(int index) {
  const AnsiString s = fLines.Strings(index);
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char c = s[i];
    const char next = i + 1 < n ? s[i + 1] : '\0';
    switch (fState) {
      case TLexState::Comment:
        if (c == '*' && next == '/') {
          fState = TLexState::Normal;
          ++i;
        }
        continue;
      case TLexState::SingleQuoted:
        if (c == '\'') fState = TLexState::Normal;
        continue;
      case TLexState::DoubleQuoted:
        if (c == '"') fState = TLexState::Normal;
        continue;
      case TLexState::QuotedLiteral:
        if (c == fLiteralCloser && next == '\'') {
          fState = TLexState::Normal;
          ++i;
        }
        continue;
      case TLexState::Normal:
        break;
    }
    const int col = static_cast<int>(i) + 1;
    if (!fInStatement) {
      if (IsBlankOrControl(c)) continue;
      if (c == '-' && next == '-') break;
      if (c == '/' && next == '*') {
        fState = TLexState::Comment;
        ++i;
        continue;
      }
      if (TerminatorAt(s, i)) {
        i += fTerminator.size() - 1;
        continue;
      }
      if (WordAt(s, i, "SET")) {
        StartStatement(skSet, col, index);
        fSetTerm = TSetTerm::Armed;
        i += 2;
        continue;
      }
      StartStatement(c == '-' || c == '/' ? skUnclassified : skUnknown, col, index);
    }
    if (c == '/' && next == '*') {
      fState = TLexState::Comment;
      ++i;
    } else if (const char closer = QuotedLiteralCloser(s, i); closer != '\0') {
      fState = TLexState::QuotedLiteral;
      fLiteralCloser = closer;
      i += 2;
    } else if (c == '\'') {
      fState = TLexState::SingleQuoted;
    } else if (c == '"') {
      fState = TLexState::DoubleQuoted;
    } else if (c == '-' && next == '-') {
      break;
    } else if (TerminatorAt(s, i)) {
      // SET TERM changes the terminator as it ends.
      i += fTerminator.size() - 1;
      EndStatement(col, index);
    } else if (fSetTerm == TSetTerm::Reading) {
      ReadCandidate(c);
    } else if (fSetTerm == TSetTerm::Armed && !IsBlankOrControl(c)) {
      // Only the word right after SET can make it SET TERM.
      if (WordAt(s, i, "TERM")) {
        fSetTerm = TSetTerm::Reading;
        i += 3;
      } else {
        fSetTerm = TSetTerm::None;
      }
    }
  }
  // A line end ends the terminator SET TERM is reading.
  if (fSetTerm == TSetTerm::Reading) ReadCandidate('\n');
}

void TScriptScanner::StartStatement(TStatementKind kind, int col, int line) {
  TStatementDesc desc;
  desc.StartCol = col;
  desc.StartLine = line;
  desc.Kind = kind;
  fMap.Add(desc);
  fInStatement = true;
  fSetTerm = TSetTerm::None;
  fCandidate.clear();
  fCandidateEnded = false;
}

// SET TERM only changes the scanner; it is never executed.
void TScriptScanner::EndSetTerm() {
  if (!fCandidate.empty()) fTerminator = fCandidate;
  fMap.DeleteLast();
  fInStatement = false;
  fSetTerm = TSetTerm::None;
}

void TScriptScanner::EndStatement(int col, int line) {
  if (fSetTerm == TSetTerm::Reading) {
    EndSetTerm();
    return;
  }
  TStatementDesc& desc = fMap.Last();
  if (col > 1) {
    desc.EndLine = line;
    desc.EndCol = col - 1;
  } else {
    desc.EndLine = line - 1;
    desc.EndCol = static_cast<Integer>(fLines.Strings(line - 1).size());
  }
  if (desc.Kind == skUnclassified || fParser.ClassifyStatement(fLines, desc, fTerminator == ";")) {
    CloseStatement();
  } else {
    desc.EndLine = -1;
    desc.EndCol = 0;
  }
}

void TScriptScanner::CloseStatement() {
  fParser.NoteStatement(fMap.Last().Kind);
  fInStatement = false;
  fSetTerm = TSetTerm::None;
}

void TScriptScanner::Finish(bool keepLast) {
  if (!fInStatement || !keepLast) return;
  if (fSetTerm == TSetTerm::Reading) {
    EndSetTerm();
    return;
  }
  TStatementDesc& desc = fMap.Last();
  desc.EndLine = fLines.Count() - 1;
  desc.EndCol = static_cast<Integer>(fLines.Strings(desc.EndLine).size());
  // Whether a body looks complete does not matter any more: the text ends here.
  if (desc.Kind != skUnclassified) fParser.ClassifyStatement(fLines, desc, fTerminator == ";");
  CloseStatement();
}

// ---- Parser and classifier ------------------------------------------------------------

void TpFIBScriptParser::ParseScript(const TStrings& lines, AnsiString& terminator, bool keepLast,
                                    TScriptMap& map) {
  ResetFlags();
  map.Reset(lines.Count());
  TScriptScanner scanner(*this, lines, map, terminator);
  for (int line = 0; line < lines.Count(); ++line) scanner.ScanLine(line);
  scanner.Finish(keepLast);
  terminator = scanner.Terminator();
  map.Cut();
}

void TpFIBScriptParser::ResetFlags() {
  fConnectSeen = fDMLSeen = fUnknownSeen = false;
}

void TpFIBScriptParser::NoteStatement(TStatementKind kind) {
  if (kind == skConnect || kind == skCreateDatabase) fConnectSeen = true;
  if (kind == skDML) fDMLSeen = true;
  if (kind == skUnknown || kind == skUnclassified) fUnknownSeen = true;
}

bool TpFIBScriptParser::ClassifyStatement(const TStrings& lines, TStatementDesc& desc,
                                          bool terminatorIsSemicolon) {
  desc.Kind = skUnknown;
  desc.ObjectKind = okNone;
  desc.ObjectName.clear();
  TScriptTokenReader tokens(lines, desc);
  TScriptToken token;
  if (!tokens.Next(token)) return true;
  desc.Kind = KindOfFirstWord(token);
  switch (desc.Kind) {
    case skConnect:
      desc.ObjectKind = okDatabase;
      fDatabaseName = tokens.Next(token) ? token.Text : AnsiString();
      desc.ObjectName = fDatabaseName;
      break;
    case skRollback:
      // ROLLBACK [WORK] TO SAVEPOINT undoes part of the work on the server; taking it for
      // a whole rollback would throw away what the script did before the savepoint.
      if (tokens.Next(token) &&
          (token.Is("TO") || (token.Is("WORK") && tokens.Next(token) && token.Is("TO")))) {
        desc.Kind = skUnknown;
        break;
      }
      [[fallthrough]];
    case skDisconnect:
    case skReconnect:
    case skCommit:
      desc.ObjectKind = okDatabase;
      desc.ObjectName = fDatabaseName;
      break;
    case skCreate:
    case skAlter:
    case skRecreate:
    case skDrop:
      return ClassifyCreateOrAlter(tokens, desc, terminatorIsSemicolon);
    case skSet:
      if (tokens.Next(token) && token.Is("GENERATOR")) {
        desc.Kind = skSetGenerator;
        desc.ObjectKind = okGenerator;
        if (tokens.Next(token)) desc.ObjectName = token.Text;
      }
      break;
    case skDescribe:
      ClassifyObject(tokens, desc);
      break;
    case skComment:
      // COMMENT ON <object word> <name>
      if (tokens.Next(token)) ClassifyObject(tokens, desc);
      break;
    case skDeclare:
      if (tokens.Next(token) && token.Is("EXTERNAL")) {
        desc.ObjectKind = okFunction;
        if (tokens.Skip(1, token)) desc.ObjectName = token.Text;
      } else if (token.Is("FILTER")) {
        desc.ObjectKind = okFilter;
      }
      break;
    case skGrant:
      ClassifyGrant(tokens, desc);
      break;
    case skBatch:
      if (tokens.Next(token) && token.Is("START"))
        desc.Kind = skBatchStart;
      else if (token.Is("EXECUTE"))
        desc.Kind = skBatchExecute;
      else
        desc.Kind = skUnclassified;
      break;
    default:
      break;
  }
  return true;
}

void TpFIBScriptParser::ClassifyObject(TScriptTokenReader& tokens, TStatementDesc& desc) {
  TScriptToken token;
  if (!tokens.Next(token)) return;
  desc.ObjectKind = ObjectKindOf(token);
  if (!tokens.Next(token)) return;
  desc.ObjectName = token.Text;
  // DESCRIBE COLUMN name TABLE table, DESCRIBE PARAMETER name PROCEDURE procedure
  if (desc.Kind == skDescribe && (desc.ObjectKind == okColumn || desc.ObjectKind == okParameter) &&
      tokens.Skip(1, token))
    desc.ObjectName += "." + token.Text;
}

bool TpFIBScriptParser::ClassifyCreateOrAlter(TScriptTokenReader& tokens, TStatementDesc& desc,
                                              bool terminatorIsSemicolon) {
  TScriptToken token;
  // CREATE UNIQUE INDEX, CREATE OR ALTER PROCEDURE, ...: the first object word counts.
  while (desc.ObjectKind == okNone && tokens.Next(token)) desc.ObjectKind = ObjectKindOf(token);
  if (desc.ObjectKind == okNone) return true;
  if (desc.ObjectKind == okDatabase && desc.Kind == skCreate) desc.Kind = skCreateDatabase;
  if (desc.ObjectKind == okDatabase && desc.Kind == skDrop) desc.Kind = skDropDatabase;
  if (tokens.Next(token)) desc.ObjectName = token.Text;
  if (desc.Kind == skCreateDatabase) fDatabaseName = desc.ObjectName;
  if (desc.Kind == skDropDatabase) desc.ObjectName = fDatabaseName;
  if (!terminatorIsSemicolon || desc.Kind == skDrop ||
      (desc.ObjectKind != okProcedure && desc.ObjectKind != okTrigger))
    return true;
  return BodyComplete(tokens);
}

void TpFIBScriptParser::ClassifyGrant(TScriptTokenReader& tokens, TStatementDesc& desc) {
  TScriptToken token;
  while (tokens.Next(token))
    if (token.Is("ON")) break;
  if (!token.Is("ON") || !tokens.Next(token)) return;
  desc.ObjectKind = ObjectKindOf(token);
  // GRANT ... ON name TO ...: the object word may be left out.
  if (desc.ObjectKind == okNone || tokens.Next(token)) desc.ObjectName = token.Text;
}

// ---- Feed -----------------------------------------------------------------------------

TScriptFeed::TScriptFeed(TpFIBScriptParser& parser, const AnsiString& terminator)
    : fScanner(parser, fLines, fMap, terminator) {
  fMap.Reset(0);
}

void TScriptFeed::AddLine(const AnsiString& line, TLineEnd end) {
  fLines.Add(line);
  fLineEnds.push_back(end);
  fScanner.ScanLine(fLines.Count() - 1);
  fReady = fMap.Count() - (fScanner.InStatement() ? 1 : 0);
}

void TScriptFeed::Finish() {
  fScanner.Finish(true);
  fReady = fMap.Count();
}

void TScriptFeed::Consume() {
  fMap.DeleteFirst(fReady);
  fReady = 0;
  if (fMap.Count() == 0) {
    fLines.Clear();
    fLineEnds.clear();
    return;
  }
  // The open statement keeps its lines; those before it go.
  TStatementDesc& open = fMap[0];
  for (int i = 0; i < open.StartLine; ++i) fLines.Delete(0);
  fLineEnds.erase(fLineEnds.begin(), fLineEnds.begin() + open.StartLine);
  open.StartLine = 0;
}

}  // namespace ordvane
