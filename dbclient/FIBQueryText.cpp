#include "dbclient/FIBQueryText.h"

#include <cstdint>
#include <map>

#include "classlib/core/CodePages.h"
#include "classlib/core/StrUtils.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBSQLText.h"
#include "dbclient/fib.h"

namespace ordvane {

namespace {

using namespace std::string_view_literals;

constexpr const char* kNameExpected = "Parameter name expected";
constexpr const char* kEOFInComment = "EOF in comment detected";
constexpr const char* kEOFInString = "EOF in string detected";

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '#' ||
         c == '$' || c == '%' || c == '.';
}

// Characters that may follow the AS of an EXECUTE BLOCK.
constexpr TCharSet kAfterAs("\t\n\r \"(-/;"sv);
// What may stand between a comparison operator and the parameter it is rewritten with.
constexpr TCharSet kOperatorGap("\0\t\n\r "sv);

// Quoted strings, quoted names and comments of an SQL text, which hold no code. Indices
// are 0-based.
class TSQLLexer {
 public:
  enum class TSkip { Code, Skipped, OpenString, OpenComment };

  explicit TSQLLexer(const AnsiString& text) : fText(text), fLength(text.size()) {}

  std::size_t Length() const { return fLength; }
  char At(std::size_t i) const { return i < fLength ? fText[i] : '\0'; }

  // At the start of a string, quoted name or comment: i moves past it (to the end when it
  // is left open). Anything else is code and i stays.
  TSkip Skip(std::size_t& i) const {
    const char c = At(i);
    if (const char closer = QuotedLiteralCloser(fText, i); closer != '\0')
      return SkipQuotedLiteral(i, closer) ? TSkip::Skipped : TSkip::OpenString;
    if (c == '\'' || c == '"') return SkipQuoted(i) ? TSkip::Skipped : TSkip::OpenString;
    if (c == '-' && At(i + 1) == '-') {
      while (i < fLength && fText[i] != '\r' && fText[i] != '\n') ++i;
      return TSkip::Skipped;
    }
    if (c == '/' && At(i + 1) == '*') {
      const std::size_t close = fText.find("*/", i + 2);
      if (close == AnsiString::npos) {
        i = fLength;
        return TSkip::OpenComment;
      }
      i = close + 2;
      return TSkip::Skipped;
    }
    return TSkip::Code;
  }

  // A quoted run from its opening quote; a doubled quote stands for itself. False when
  // the text ends first.
  bool SkipQuoted(std::size_t& i) const {
    const char quote = fText[i];
    for (++i; i < fLength; ++i) {
      if (fText[i] != quote) continue;
      if (At(i + 1) != quote) {
        ++i;
        return true;
      }
      ++i;
    }
    return false;
  }

  // A q'...' literal from its q to past its final quote. False when the text ends first.
  bool SkipQuotedLiteral(std::size_t& i, char closer) const {
    for (i += 3; i + 1 < fLength; ++i) {
      if (fText[i] == closer && fText[i + 1] == '\'') {
        i += 2;
        return true;
      }
    }
    i = fLength;
    return false;
  }

  // The first position from i that is neither blank nor inside a comment.
  std::size_t SkipBlanksAndComments(std::size_t i) const {
    while (i < fLength) {
      if (IsBlankOrControl(fText[i])) {
        ++i;
        continue;
      }
      const bool comment = (fText[i] == '-' && At(i + 1) == '-') || (fText[i] == '/' && At(i + 1) == '*');
      if (!comment) break;
      Skip(i);
    }
    return i;
  }

 private:
  const AnsiString& fText;
  std::size_t fLength;
};

// Which WHERE clauses the scan is in. Each WHERE is remembered with the bracket depth it
// stands at, so that a clause stays open after a bracketed subquery with a WHERE of its
// own, and ends at a closing bracket below its depth or at the end of its clause.
class TWhereTracker {
 public:
  explicit TWhereTracker(const AnsiString& text) : fText(text) {}

  // Called for every code character (0-based index).
  void See(std::size_t i) {
    const char c = fText[i];
    const int p = static_cast<int>(i) + 1;
    if (c == '(') {
      ++fDepth;
    } else if (c == ')') {
      --fDepth;
      while (!fWheres.empty() && fWheres.back() > fDepth) fWheres.pop_back();
    } else if (IsWhereKeywordAt(fText, p)) {
      if (fWheres.empty() || fWheres.back() != fDepth) fWheres.push_back(fDepth);
    } else if (!fWheres.empty() && fWheres.back() == fDepth && IsWhereEndAt(fText, p)) {
      fWheres.pop_back();
    }
  }
  bool InWhere() const { return !fWheres.empty(); }

 private:
  const AnsiString& fText;
  int fDepth = 0;
  std::vector<int> fWheres;
};

class TParamScanner {
 public:
  TParamScanner(const AnsiString& text, const TSQLParamScanOptions& options)
      : fText(text), fLexer(text), fOptions(options), fWhere(text) {
    const TSQLKind kind = SQLKindOf(text);
    fParamsAllowed = kind != TSQLKind::DDL;
    fExecuteBlock = kind == TSQLKind::ExecuteBlock;
    fTrackWhere = options.ForUserList && kind != TSQLKind::ExecuteProcedure && kind != TSQLKind::ExecuteBlock;
    fResult.ServerText = text;
  }

  TSQLParamScan Run() {
    std::size_t i = 0;
    while (i < fLexer.Length() && !fStopped) {
      switch (fLexer.Skip(i)) {
        case TSQLLexer::TSkip::Skipped:
          continue;
        case TSQLLexer::TSkip::OpenString:
          ParseError(kEOFInString);
          continue;
        case TSQLLexer::TSkip::OpenComment:
          ParseError(kEOFInComment);
          continue;
        case TSQLLexer::TSkip::Code:
          break;
      }
      i = ScanCode(i);
    }
    return std::move(fResult);
  }

 private:
  // One code character; returns where the scan goes on.
  std::size_t ScanCode(std::size_t i) {
    if (fTrackWhere) fWhere.See(i);
    const char c = fText[i];
    if (fExecuteBlock && !fPastAs && AsKeywordAt(i)) fPastAs = true;
    if ((c == ':' || c == '?') && fParamsAllowed && !fPastAs) return ScanParam(i);
    if (c == fOptions.MacroChar) return ScanMacro(i);
    return i + 1;
  }

  // The AS that ends the parameter part of an EXECUTE BLOCK, as a word of its own.
  bool AsKeywordAt(std::size_t i) const {
    if (AsciiUpper(fLexer.At(i)) != 'A' || AsciiUpper(fLexer.At(i + 1)) != 'S') return false;
    if (i > 0 && IsNameChar(fText[i - 1])) return false;
    return i + 2 == fLexer.Length() || kAfterAs.Contains(fLexer.At(i + 2));
  }

  std::size_t ScanParam(std::size_t marker) {
    std::size_t p = marker + 1;
    if (p >= fLexer.Length()) return p;  // a marker at the very end is left to the server
    if (!IsNameChar(fText[p]) && fText[p] != '"') return ParseError(kNameExpected);
    TSQLParamMarker found;
    while (p < fLexer.Length() && IsNameChar(fText[p])) found.Name += AsciiUpper(fText[p++]);
    if (p < fLexer.Length() && fText[p] == '"') {
      const std::size_t open = p;
      if (!fLexer.SkipQuoted(p)) return ParseError(kEOFInString);
      found.Name += ReplaceString(fText.substr(open + 1, p - open - 2), "\"\"", "\"");
      found.ExactName = true;
    }
    if (found.Name.empty()) return ParseError(kNameExpected);
    found.Place.Start = static_cast<int>(marker) + 1;
    found.Place.End = static_cast<int>(p);
    found.Place.InWhere = fWhere.InWhere();
    found.Place.IsOperand = IsOperandEnd(p);
    fResult.ServerText[marker] = '?';
    for (std::size_t k = marker + 1; k < p; ++k) fResult.ServerText[k] = ' ';
    fResult.Markers.push_back(std::move(found));
    return p;
  }

  // No arithmetic or concatenation operator follows the parameter.
  bool IsOperandEnd(std::size_t after) const {
    return !TCharSet("*+-/|").Contains(fLexer.At(fLexer.SkipBlanksAndComments(after)));
  }

  std::size_t ScanMacro(std::size_t marker) {
    std::size_t p = marker + 1;
    if (p >= fLexer.Length()) return p;
    if (fText[p] == fOptions.MacroChar) return p + 1;  // a doubled macro character is literal
    while (p < fLexer.Length() && !IsBlankOrControl(fText[p])) ++p;
    AnsiString name;
    AnsiString defaultValue;
    SplitMacroDefault(fText.substr(marker + 1, p - marker - 1), fOptions.MacroChar, name, defaultValue);
    name.erase(0, 1);
    if (name.empty()) return ParseError(kNameExpected);
    TSQLParamMarker found;
    found.Name = FastUpperCase(name);
    found.Place.Start = static_cast<int>(marker) + 1;
    found.Place.End = static_cast<int>(p);
    found.Place.IsMacro = true;
    if (!defaultValue.empty() && defaultValue[0] == '#') {
      found.Place.IsQuotedMacro = true;
      defaultValue.erase(0, 1);
    }
    found.MacroDefault = std::move(defaultValue);
    fResult.Markers.push_back(std::move(found));
    return p;
  }

  std::size_t ParseError(const char* what) {
    if (!fOptions.Loading) FIBError(TFIBClientError::SQLParseError, {fOptions.StatementName, AnsiString(what)});
    fStopped = true;
    return fLexer.Length();
  }

  const AnsiString& fText;
  TSQLLexer fLexer;
  const TSQLParamScanOptions& fOptions;
  TWhereTracker fWhere;
  bool fParamsAllowed = true;
  bool fExecuteBlock = false;
  bool fTrackWhere = false;
  bool fPastAs = false;
  bool fStopped = false;
  TSQLParamScan fResult;
};

// A quoted macro's value as a string literal: a value that is one complete literal
// already stays as it is; otherwise a leading '#' is dropped and the rest quoted, with its
// quotes doubled, so that no value can end the literal early.
AnsiString QuotedMacroValue(const AnsiString& value) {
  if (value.size() >= 2 && value.front() == '\'') {
    std::size_t i = 0;
    if (TSQLLexer(value).SkipQuoted(i) && i == value.size()) return value;
  }
  const AnsiString body = !value.empty() && value[0] == '#' ? value.substr(1) : value;
  return "'" + ReplaceString(body, "'", "''") + "'";
}

// The rewrite of "operator parameter" for a null parameter; no replacement when the
// comparison is not one that IS [NOT] NULL can stand for. Positions are 1-based.
struct TNullRewrite {
  int From = 0;  // the operator's first character
  const char* Replacement = nullptr;
};

TNullRewrite NullRewriteBefore(const AnsiString& text, int parameterStart) {
  auto at = [&](int p) {
    return p >= 1 && p <= static_cast<int>(text.size()) ? text[static_cast<std::size_t>(p - 1)] : '\0';
  };
  int q = parameterStart - 1;
  while (q >= 1 && kOperatorGap.Contains(at(q))) --q;
  if (q < 1) return {};
  const char op = at(q);
  const char before = at(q - 1);
  if (op == '=') {
    if (before == '!' || before == '^' || before == '~') return {q - 1, " IS NOT NULL "};
    if (before == '<' || before == '>') return {};
    return {q, " IS NULL "};
  }
  if (op == '>' && before == '<') return {q - 1, " IS NOT NULL "};
  return {};
}

AnsiString AddressText(const void* address) {
  return IntToHex(static_cast<Int64>(reinterpret_cast<std::uintptr_t>(address)), 16);
}

AnsiString NameOrAddress(const TComponent& component, const AnsiString& addressPrefix) {
  return IsBlankString(component.Name()) ? addressPrefix + AddressText(&component) : component.Name();
}

}  // namespace

bool HasNoParamMarkers(const AnsiString& text, char macroChar) {
  if (text.size() < 2) return true;
  TSQLLexer lexer(text);
  for (std::size_t i = 0; i < lexer.Length();) {
    if (lexer.Skip(i) != TSQLLexer::TSkip::Code) continue;
    const char c = text[i];
    if (c == ':' || c == '?' || c == macroChar) return false;
    ++i;
  }
  return true;
}

bool HasQuotedLiterals(const AnsiString& text) {
  TSQLLexer lexer(text);
  for (std::size_t i = 0; i < lexer.Length();) {
    if (QuotedLiteralCloser(text, i) != '\0') return true;
    if (lexer.Skip(i) == TSQLLexer::TSkip::Code) ++i;
  }
  return false;
}

TSQLParamScan ScanSQLParams(const AnsiString& text, const TSQLParamScanOptions& options) {
  return TParamScanner(text, options).Run();
}

void FillParamList(TFIBXSQLDA& list, const TSQLParamScan& scan, bool forUserList) {
  // The list is refilled in place, so that variables the caller holds stay valid; the
  // previous contents are kept aside to carry values over.
  TFIBXSQLDA previous(list.Owner(), list.IsParams());
  previous.SetCount(list.Count());
  std::map<AnsiString, int> firstByName;
  for (int i = 0; i < list.Count(); ++i) {
    previous[i].CopyState(list[i]);
    firstByName.emplace(list[i].Name(), i);
  }

  std::vector<const TSQLParamMarker*> markers;
  for (const TSQLParamMarker& marker : scan.Markers)
    if (forUserList || !marker.Place.IsMacro) markers.push_back(&marker);

  list.SetCount(static_cast<int>(markers.size()));
  for (int i = 0; i < list.Count(); ++i) {
    const TSQLParamMarker& marker = *markers[static_cast<std::size_t>(i)];
    TFIBXSQLVAR& var = list[i];
    var.Reset();
    const auto kept = firstByName.find(marker.Name);
    if (kept != firstByName.end() && !previous[kept->second].IsBlob())
      var.CopyState(previous[kept->second]);
    else if (marker.Place.IsMacro)
      var.SetAsString(marker.MacroDefault);
    var.SetPlace(marker.Place);
  }
  // Names last: a value set before them belongs to its own variable alone.
  for (int i = 0; i < list.Count(); ++i) {
    const TSQLParamMarker& marker = *markers[static_cast<std::size_t>(i)];
    list.AddName(marker.Name, i, marker.ExactName);
  }
}

AnsiString PreprocessSQL(const AnsiString& text, TFIBXSQLDA& list, const TSQLParamScanOptions& options) {
  TSQLParamScan scan = ScanSQLParams(text, options);
  FillParamList(list, scan, options.ForUserList);
  return options.ForUserList ? text : std::move(scan.ServerText);
}

TExecSQLText BuildExecSQL(const AnsiString& parsedText, TFIBXSQLDA& params, bool record, bool rewriteNulls) {
  TExecSQLText result{parsedText, false};
  const int parsedLength = static_cast<int>(parsedText.size());
  int shift = 0;  // a position in the parsed text minus the same position in the result
  int lastEnd = 0;
  auto replace = [&](int from, int to, const AnsiString& replacement) {
    result.Text.replace(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1),
                        replacement);
    shift += to - from + 1 - static_cast<int>(replacement.size());
    result.Rebuilt = true;
  };
  for (int i = 0; i < params.Count(); ++i) {
    TFIBXSQLVAR& var = params[i];
    const TFIBParamPlace& place = var.Place();
    // Places come from a scan of this text, in text order; anything else is not ours.
    if (place.Start <= lastEnd || place.End < place.Start || place.End > parsedLength) continue;
    lastEnd = place.End;
    if (place.IsMacro) {
      const AnsiString value = var.GetAsString();
      replace(place.Start - shift, place.End - shift, place.IsQuotedMacro ? QuotedMacroValue(value) : value);
      if (record) var.SetSavedValue(Variant(value));
      continue;
    }
    if (!rewriteNulls || !NullRewritable(place) || !var.GetIsNull()) continue;
    const TNullRewrite rewrite = NullRewriteBefore(result.Text, place.Start - shift);
    if (!rewrite.Replacement) continue;
    replace(rewrite.From, place.End - shift, rewrite.Replacement);
    if (record) var.SetSavedValue(Null());
  }
  return result;
}

bool NeedRebuildSQL(bool prepared, bool macroChanged, const TFIBXSQLDA& params) {
  if (!prepared || macroChanged) return true;
  for (int i = 0; i < params.Count(); ++i) {
    const TFIBXSQLVAR& var = params[i];
    const Variant& saved = var.SavedValue();
    if (var.Place().IsMacro) {
      if (VarIsEmpty(saved) || VarIsNull(saved) || saved.AsString() != var.GetAsString()) return true;
    } else if (NullRewritable(var.Place()) && var.GetIsNull() != VarIsNull(saved)) {
      return true;
    }
  }
  return false;
}

AnsiString MonitorObjectName(const TComponent& component, const AnsiString& addressPrefix) {
  const AnsiString name = NameOrAddress(component, addressPrefix);
  return component.Owner() ? component.Owner()->Name() + "." + name : name;
}

AnsiString MonitorStatementName(const TComponent& statement, bool ownerIsDataSet,
                                const AnsiString& datasetDescription) {
  AnsiString name = NameOrAddress(statement, "Query_0x");
  const TComponent* owner = statement.Owner();
  if (!owner) return name;
  if (ownerIsDataSet && !IsBlankString(datasetDescription)) {
    const AnsiString description = ReplaceString(FastTrim(datasetDescription), "*/", "* /");
    name = owner->Name() + ":[" + description + "]." + name;
  } else {
    name = owner->Name() + "." + name;
  }
  if (ownerIsDataSet && owner->Owner()) name = owner->Owner()->Name() + "." + name;
  return name;
}

AnsiString MonitorCommentText(const AnsiString& connectionName, const AnsiString& transactionName,
                              const AnsiString& statementName) {
  return " " + AnsiString(MonitorCommentMark) + "CON_NAME=" + connectionName +
         "; CSMON$TR_NAME=" + transactionName + "; CSMON$ST_NAME=" + statementName + ";  */";
}

bool MonitorCommentWanted(TCSMonitorEnabled statement, TCSMonitorEnabled transaction,
                          TCSMonitorEnabled database) {
  switch (statement) {
    case csmeEnabled:
      return true;
    case csmeDatabaseDriven:
      return database == csmeEnabled;
    case csmeTransactionDriven:
      return transaction == csmeEnabled || (transaction == csmeDatabaseDriven && database == csmeEnabled);
    case csmeDisabled:
      break;
  }
  return false;
}

AnsiString MonitorComment(const TCSMonitorSupport& support, TFIBDatabase* database,
                          TFIBTransaction* transaction, const TComponent& statement, bool ownerIsDataSet,
                          const AnsiString& datasetDescription) {
  if (!database || !transaction) return "";
  if (!MonitorCommentWanted(support.Enabled(), transaction->CSMonitorSupport().Enabled(),
                            database->CSMonitorSupport().Enabled()))
    return "";
  return MonitorCommentText(
      MonitorObjectName(*database, "DB_0x"), MonitorObjectName(*transaction, "Trans_0x"),
      MonitorStatementName(statement, ownerIsDataSet,
                           support.IncludeDatasetDescription() ? datasetDescription : ""));
}

AnsiString EncodeSQLText(const AnsiString& text, const IFIBXSQLDAOwner& connection) {
  if (connection.IsFB21UnicodeOrNone()) return AnsiToUtf8(text);
  if (connection.IsKOI8CharSet()) return WideToAnsiCP(AnsiToWide(text), CP_KOI8R);
  if (connection.IsUnicodeCharSet()) return AnsiToUtf8(text);
  return text;
}

}  // namespace ordvane
