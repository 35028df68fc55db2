#include "dbclient/FIBStrUtils.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

constexpr bool IsBlankChar(char c) { return static_cast<unsigned char>(c) < 33; }
constexpr bool IsUpperAscii(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }

int Length(const AnsiString& s) { return static_cast<int>(s.size()); }

// ---- Reserved words ------------------------------------------------------------------

// The words that an identifier must not be written as without quotes.
constexpr const char* kReservedWords[] = {
    "ACTIVE", "ADD", "AFTER", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "ASCENDING", "AT", "AUTO",
    "AUTODDL", "AVG", "BASED", "BASENAME", "BASE_NAME", "BEFORE", "BEGIN", "BETWEEN", "BIGINT", "BLOB",
    "BLOBEDIT", "BOOLEAN", "BUFFER", "BY", "CACHE", "CASE", "CAST", "CHAR", "CHARACTER", "CHARACTER_LENGTH",
    "CHAR_LENGTH", "CHECK", "CHECK_POINT_LEN", "CHECK_POINT_LENGTH", "CLOSE", "COLLATE", "COLLATION",
    "COLUMN", "COMMIT", "COMMITED", "COMPILETIME", "COMPUTED", "CONDITIONAL", "CONNECT", "CONSTRAINT",
    "CONTAINING", "CONTINUE", "COUNT", "CREATE", "CROSS", "CSTRING", "CURRENT", "CURRENT_CONNECTION",
    "CURRENT_DATE", "CURRENT_ROLE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_TRANSACTION",
    "CURRENT_USER", "CURSOR", "DATABASE", "DATE", "DAY", "DB_KEY", "DEBUG", "DEC", "DECIMAL", "DECLARE",
    "DEFAULT", "DELETE", "DELETING", "DESC", "DESCENDING", "DESCRIBE", "DESCRIPTOR", "DISCONNECT",
    "DISTINCT", "DO", "DOMAIN", "DOUBLE", "DROP", "ECHO", "EDIT", "ELSE", "END", "ENTRY_POINT", "ESCAPE",
    "EVENT", "EXCEPTION", "EXECUTE", "EXISTS", "EXIT", "EXTERN", "EXTERNAL", "EXTRACT", "FALSE", "FETCH",
    "FILE", "FILTER", "FIRST", "FLOAT", "FOR", "FOREIGN", "FOUND", "FREE_IT", "FROM", "FULL", "FUNCTION",
    "GDSCODE", "GENERATOR", "GEN_ID", "GLOBAL", "GOTO", "GRANT", "GROUP", "GROUP_COMMIT_WAIT",
    "GROUP_COMMIT_WAIT_TIME", "HAVING", "HELP", "HOUR", "IF", "IIF", "IMMEDIATE", "IN", "INACTIVE", "INDEX",
    "INDICATOR", "INIT", "INNER", "INPUT", "INPUT_TYPE", "INSERT", "INSERTING", "INT", "INT64", "INTEGER",
    "INTO", "IS", "ISOLATION", "ISQL", "JOIN", "KEY", "LC_MESSAGES", "LC_TYPE", "LEFT", "LENGTH", "LEV",
    "LEVEL", "LIKE", "LIMIT", "LOGFILE", "LOG_BUFFER_SIZE", "LOG_BUF_SIZE", "LONG", "MANUAL", "MAX",
    "MAXIMUM", "MAXIMUM_SEGMENT", "MAX_SEGMENT", "MERGE", "MESSAGE", "MIN", "MINIMUM", "MINUTE",
    "MODULE_NAME", "MONTH", "NAMES", "NATIONAL", "NATURAL", "NCHAR", "NEW", "NO", "NOAUTO", "NOT", "NULL",
    "NUMERIC", "NUM_LOG_BUFFERS", "NUM_LOG_BUFFS", "OCTET_LENGTH", "OF", "OLD", "ON", "ONLY", "OPEN",
    "OPTION", "OR", "ORDER", "OUTER", "OUTPUT", "OUTPUT_TYPE", "OVERFLOW", "PAGE", "PAGELENGTH", "PAGES",
    "PAGE_SIZE", "PARAMETER", "PASSWORD", "PERCENT", "PLAN", "PLANONLY", "POSITION", "POST_EVENT",
    "PRECISION", "PREPARE", "PRIMARY", "PRIVILEGES", "PROCEDURE", "PROTECTED", "PUBLIC", "QUIT",
    "RAW_PARTITIONS", "READ", "REAL", "RECORD_VERSION", "RECREATE", "REFERENCES", "RELEASE", "RESERV",
    "RESERVING", "RETAIN", "RETURN", "RETURNING_VALUES", "RETURNS", "REVOKE", "RIGHT", "ROLLBACK", "ROWS",
    "ROW_COUNT", "RUNTIME", "SAVEPOINT", "SCHEMA", "SECOND", "SECONDS", "SEGMENT", "SELECT", "SEQUENCE",
    "SET", "SHADOW", "SHARED", "SHELL", "SHOW", "SINGULAR", "SIZE", "SKIP", "SMALLINT", "SNAPSHOT", "SOME",
    "SORT", "SQL", "SQLCODE", "SQLERROR", "SQLWARNING", "STABILITY", "STARTING", "STARTS", "STATEMENT",
    "STATIC", "STATISTICS", "SUBSTRING", "SUB_TYPE", "SUM", "SUSPEND", "TABLE", "TERMINATOR", "THEN",
    "TIES", "TIME", "TIMESTAMP", "TO", "TRANSACTION", "TRANSLATE", "TRANSLATION", "TRIGGER", "TRIM", "TRUE",
    "TYPE", "UNCOMMITTED", "UNION", "UNIQUE", "UNKNOWN", "UPDATE", "UPDATING", "UPPER", "USER", "USING",
    "VALUE", "VALUES", "VARCHAR", "VARIABLE", "VARYING", "VERSION", "VIEW", "WAIT", "WEEKDAY", "WHEN",
    "WHENEVER", "WHERE", "WHILE", "WITH", "WORK", "WRITE", "YEAR", "YEARDAY",
};

// The word list sorted by the locale's case-insensitive comparison, with an index over the
// first two letters, so that a look-up searches only the words that share a name's first
// two letters.
class TReservedWords {
 public:
  TReservedWords() : fWords(std::begin(kReservedWords), std::end(kReservedWords)) {
    std::sort(fWords.begin(), fWords.end(), [](const AnsiString& a, const AnsiString& b) { return AnsiCompareText(a, b) < 0; });
    for (std::size_t i = 0; i < fWords.size(); ++i) {
      Range& r = fIndex[Slot(fWords[i][0])][Slot(fWords[i][1])];
      if (r.end == 0) r.begin = static_cast<std::uint16_t>(i);
      r.end = static_cast<std::uint16_t>(i + 1);
    }
  }

  // The name's first two characters must be letters; anything else is no reserved word.
  bool Contains(const AnsiString& name) const {
    if (name.size() < 2) return false;
    char first = AsciiUpper(name[0]), second = AsciiUpper(name[1]);
    if (!IsUpperAscii(first) || !IsUpperAscii(second)) return false;
    const Range& r = fIndex[Slot(first)][Slot(second)];
    auto begin = fWords.begin() + r.begin, end = fWords.begin() + r.end;
    auto it = std::lower_bound(begin, end, name,
                               [](const AnsiString& w, const AnsiString& n) { return AnsiCompareText(w, n) < 0; });
    return it != end && AnsiCompareText(*it, name) == 0;
  }

 private:
  struct Range {
    std::uint16_t begin = 0;
    std::uint16_t end = 0;  // one past the last; 0 while no word has the pair
  };
  static std::size_t Slot(char upperLetter) { return static_cast<std::size_t>(upperLetter - 'A'); }

  std::vector<AnsiString> fWords;
  Range fIndex[26][26];
};

const TReservedWords& ReservedWords() {
  static const TReservedWords words;
  return words;
}

bool NeedQuote(const AnsiString& name, bool lowerCasePasses) {
  if (name.empty() || name[0] == '"') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (IsUpperAscii(c) || IsAsciiDigit(c) || (lowerCasePasses && IsLowerAscii(c))) continue;
    if (i > 0 && (c == '#' || c == '$' || c == '%' || c == '_')) continue;
    return true;
  }
  if (IsAsciiDigit(name[0])) return true;
  if (name.size() == 1 || IsAsciiDigit(name[1])) return false;
  return ReservedWords().Contains(name);
}

bool HasParamPrefix(const AnsiString& name, const char* prefix) {
  return name.size() > 4 && SameText(std::string_view(name).substr(0, 4), prefix);
}

}  // namespace

bool NeedQuoteIdentifier(const AnsiString& name) { return NeedQuote(name, false); }
bool NeedQuoteIdentifierCI(const AnsiString& name) { return NeedQuote(name, true); }

bool IsNumericString(const AnsiString& s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  if (i == s.size()) return false;
  return std::all_of(s.begin() + static_cast<std::ptrdiff_t>(i), s.end(),
                     [](char c) { return IsAsciiDigit(c) || c == '.'; });
}

bool IsBlankString(const AnsiString& s) { return std::all_of(s.begin(), s.end(), IsBlankChar); }
bool IsEmptyOrBlank(const AnsiString& s) { return std::all_of(s.rbegin(), s.rend(), IsBlankChar); }

bool IsOldParamName(const AnsiString& name) { return HasParamPrefix(name, "OLD_"); }
bool IsNewParamName(const AnsiString& name) { return HasParamPrefix(name, "NEW_"); }
bool IsMasterParamName(const AnsiString& name) { return HasParamPrefix(name, "MAS_"); }

bool AnsiStartsWithExact(const AnsiString& text, const AnsiString& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}
bool WideStartsWith(const WideString& text, const WideString& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool SameTextByFlag(const AnsiString& a, const AnsiString& b, bool caseInsensitive) {
  if (a.size() != b.size()) return false;
  return caseInsensitive ? AnsiCompareText(a, b) == 0 : a == b;
}

bool StringInArray(const AnsiString& text, std::initializer_list<AnsiString> entries) {
  return std::find(entries.begin(), entries.end(), text) != entries.end();
}

bool IsEmptyStrings(const TStrings& lines) {
  for (int i = 0; i < lines.Count(); ++i)
    if (!IsBlankString(lines.Strings(i))) return false;
  return true;
}

bool SameStrings(const AnsiString& a, const AnsiString& b, bool exact) {
  if (exact) return a == b;
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    int d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    if (d != 0 && d != 32 && d != -32) return false;
  }
  return true;
}

AnsiString CopyCount(const AnsiString& s, int index, int count) {
  if (count <= 0 || index < 1 || index > Length(s)) return {};
  return s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

AnsiString CopyFromTo(const AnsiString& s, int start, int end) {
  end = std::min(end, Length(s));
  if (start < 1 || start > end) return {};
  return s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start + 1));
}

void TrimBounds(const AnsiString& s, int& first, int& last) {
  first = 1;
  while (first <= Length(s) && IsBlankChar(s[static_cast<std::size_t>(first - 1)])) ++first;
  last = Length(s);
  while (last >= first && IsBlankChar(s[static_cast<std::size_t>(last - 1)])) --last;
  if (last < first) last = 0;
}

AnsiString FastTrim(const AnsiString& s) { return Trim(s); }

void TrimInPlace(AnsiString& s) { s = FastTrim(s); }

void TrimRightInPlace(AnsiString& s) { s = TrimRight(s); }

AnsiString FastUpperCase(const AnsiString& s) { return UpperCase(s); }

void LowerCaseInPlace(AnsiString& s) { s = LowerCase(s); }

void UpperCaseInPlace(AnsiString& s) { s = AnsiUpperCase(s); }

void WideUpperCaseInPlace(WideString& s) { s = WideUpperCase(s); }

WideString Utf8ToWide(std::string_view utf8) { return Utf8Decode(utf8); }

WideString VariantUtf8ToWide(const Variant& value) { return Utf8ToWide(VarToStr(value)); }

void UpperCaseRange(AnsiString& s, int from, int to) {
  if (to <= 0 || to > Length(s)) to = Length(s);
  for (int p = std::max(from, 1); p <= to; ++p) s[static_cast<std::size_t>(p - 1)] = AsciiUpper(s[static_cast<std::size_t>(p - 1)]);
}

AnsiString StringOfCharCount(char c, int count) {
  return count < 1 ? AnsiString() : AnsiString(static_cast<std::size_t>(count), c);
}

AnsiString IfThenString(bool condition, const AnsiString& whenTrue, const AnsiString& whenFalse) {
  return condition ? whenTrue : whenFalse;
}

AnsiString StripEnclosingQuotes(const AnsiString& s) {
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  std::size_t first = 0, last = s.size();
  while (first < last && isSpace(s[first])) ++first;
  while (last > first && isSpace(s[last - 1])) --last;
  if (last - first < 2) return s;
  char q = s[first];
  if ((q != '"' && q != '\'') || s[last - 1] != q) return s;
  return s.substr(first + 1, last - first - 2);
}

std::size_t PCharLength(const char* p) { return p ? std::strlen(p) : 0; }

int PosChar(char c, const AnsiString& s) { return PosCharFrom(c, s, 1); }

int PosCharFrom(char c, const AnsiString& s, int from) {
  if (from < 1 || from > Length(s)) return 0;
  std::size_t at = s.find(c, static_cast<std::size_t>(from - 1));
  return at == AnsiString::npos ? 0 : static_cast<int>(at) + 1;
}

int PosEx(const AnsiString& sub, const AnsiString& s, int start, int end) {
  if (end <= 0 || end > Length(s)) end = Length(s);
  if (sub.empty() || start < 1 || start + Length(sub) - 1 > end) return 0;
  std::string_view range(s.data() + start - 1, static_cast<std::size_t>(end - start + 1));
  std::size_t at = range.find(sub);
  return at == std::string_view::npos ? 0 : start + static_cast<int>(at);
}

int PosWord(const AnsiString& word, const AnsiString& text, TCharSet before, TCharSet after, bool localeCase) {
  if (word.empty()) return 0;
  // Case mapping keeps every character's length, so positions carry over to the text.
  auto upper = localeCase ? AnsiUpperCase : FastUpperCase;
  AnsiString upperWord = upper(word), upperText = upper(text);
  for (std::size_t at = upperText.find(upperWord); at != AnsiString::npos; at = upperText.find(upperWord, at + 1)) {
    std::size_t end = at + upperWord.size();
    if ((at == 0 || before.Contains(upperText[at - 1])) && (end == upperText.size() || after.Contains(upperText[end])))
      return static_cast<int>(at) + 1;
  }
  return 0;
}

AnsiString ReplaceString(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern) {
  return StringReplace(s, oldPattern, newPattern, {rfReplaceAll});
}

AnsiString ReplaceAllCI(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern,
                        bool localeCase) {
  if (localeCase) return StringReplace(s, oldPattern, newPattern, {rfReplaceAll, rfIgnoreCase});
  if (oldPattern.empty()) return s;
  AnsiString searched = FastUpperCase(s), pattern = FastUpperCase(oldPattern), r;
  std::size_t from = 0, at;
  while ((at = searched.find(pattern, from)) != AnsiString::npos) {
    r.append(s, from, at - from).append(newPattern);
    from = at + pattern.size();
  }
  return r.append(s, from, AnsiString::npos);
}

AnsiString ReplaceInRange(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern,
                          int start, int end) {
  start = std::max(start, 1);
  end = std::min(end, Length(s));
  if (start > end) return s;
  return CopyFromTo(s, 1, start - 1) + ReplaceString(CopyFromTo(s, start, end), oldPattern, newPattern) +
         CopyFromTo(s, end + 1, Length(s));
}

int WordCountBySet(const AnsiString& s, TCharSet delimiters) {
  int count = 0;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (!delimiters.Contains(s[i]) && (i == 0 || delimiters.Contains(s[i - 1]))) ++count;
  return count;
}

AnsiString ExtractWordN(int n, const AnsiString& s, TCharSet delimiters) {
  if (n < 1) return {};
  int count = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (delimiters.Contains(s[i]) || (i > 0 && !delimiters.Contains(s[i - 1]))) continue;
    if (++count < n) continue;
    std::size_t end = i;
    while (end < s.size() && !delimiters.Contains(s[end])) ++end;
    return s.substr(i, end - i);
  }
  return {};
}

void DeleteEmptyLines(TStrings& lines) {
  lines.BeginUpdate();
  for (int i = lines.Count() - 1; i >= 0; --i)
    if (lines.Strings(i).empty()) lines.Delete(i);
  lines.EndUpdate();
}

void ListDifference(const TStrings& a, const TStrings& b, TStrings& result) {
  result.BeginUpdate();
  result.Clear();
  for (int i = 0; i < a.Count(); ++i)
    if (b.IndexOf(a.Strings(i)) < 0) result.AddObject(a.Strings(i), a.Objects(i));
  result.EndUpdate();
}

bool SortedListFind(const TStringList& list, const AnsiString& text, int low, int high, int& index,
                    bool duplicatesAllowed) {
  auto compare = list.CaseSensitive() ? AnsiCompareStr : AnsiCompareText;
  high = std::min(high, list.Count() - 1);
  low = std::max(low, 0);
  bool found = false;
  while (low <= high) {
    int middle = low + (high - low) / 2;
    int c = compare(list.Strings(middle), text);
    if (c < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (c == 0) {
        found = true;
        if (!duplicatesAllowed) low = middle;
      }
    }
  }
  index = low;
  return found;
}

int CompareListItems(TStringList* list, int index1, int index2) {
  auto compare = list->CaseSensitive() ? AnsiCompareStr : AnsiCompareText;
  return compare(list->Strings(index1), list->Strings(index2));
}

void SplitNameValue(const AnsiString& s, AnsiString& name, AnsiString& value) {
  std::size_t eq = s.find('=');
  name = s.substr(0, eq);
  value = eq == AnsiString::npos ? AnsiString() : s.substr(eq + 1);
}

AnsiString ValueFromNameValue(const AnsiString& s) {
  std::size_t eq = s.find('=');
  return eq == AnsiString::npos ? AnsiString() : s.substr(eq + 1);
}

AnsiString GuidToString38(const TGUID& guid) { return GUIDToString(guid); }

bool StringToGuidChecked(const AnsiString& text, TGUID& guid) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  guid = StringToGUID(text);
  return true;
}

int CompareGuidWithString(const TGUID& guid, const AnsiString& text) { return CompareText(GuidToString38(guid), text); }

TDateTime StrToDateTimeFmt(const AnsiString& text, const AnsiString& shortDateFormat) {
  TFormatSettings settings = FormatSettings();
  settings.ShortDateFormat = shortDateFormat;
  return StrToDateTime(text, settings);
}

namespace {

// A date literal with '-' as separator: "01-JAN-2020" (a month name in any case) or
// "2020-01-31". Sets the order and separator to read it with.
AnsiString NormalizeDashedDate(const AnsiString& text, TFormatSettings& settings) {
  static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  AnsiString upper = FastUpperCase(text);
  for (int m = 0; m < 12; ++m) {
    std::size_t at = upper.find(kMonths[m]);
    if (at == AnsiString::npos) continue;
    AnsiString number = (m < 9 ? "0" : "") + std::to_string(m + 1);
    AnsiString dated = text.substr(0, at) + number + text.substr(at + 3);
    settings.ShortDateFormat = "dd.mm.yyyy";
    return ReplaceString(dated, "-", AnsiString(1, settings.DateSeparator));
  }
  settings.DateSeparator = '/';
  settings.ShortDateFormat = "yyyy/mm/dd";
  return ReplaceString(text, "-", "/");
}

}  // namespace

AnsiString ParseDateLiteral(const AnsiString& text, TDateLiteralKind kind) {
  if (IsBlankString(text)) return {};
  const TFormatSettings& local = FormatSettings();
  TFormatSettings reading = local;
  AnsiString literal = FastTrim(text);
  if (kind != TDateLiteralKind::Time) {
    if (literal.find('.') != AnsiString::npos) {
      reading.DateSeparator = '.';
      reading.ShortDateFormat = "dd.mm.yyyy";
    } else if (literal.find('/') != AnsiString::npos) {
      reading.DateSeparator = '/';
      reading.ShortDateFormat = "mm/dd/yyyy";
    } else if (literal.find('-') == AnsiString::npos) {
      return FastUpperCase(literal);
    } else {
      literal = NormalizeDashedDate(literal, reading);
    }
  }
  reading.TimeSeparator = ':';
  reading.LongTimeFormat = "h:m:s";
  switch (kind) {
    case TDateLiteralKind::DateTime:
      return DateTimeToStr(StrToDateTime(literal, reading), local);
    case TDateLiteralKind::Date:
      return DateToStr(StrToDate(literal, reading), local);
    case TDateLiteralKind::Time:
      break;
  }
  return TimeToStr(StrToTime(literal, reading), local);
}

bool SqlLikeMatch(std::string_view text, std::string_view mask) { return MatchesLikePattern(text, mask); }
bool WideSqlLikeMatch(const WideString& text, const WideString& mask) { return MatchesLikePattern(text, mask); }

}  // namespace ordvane
