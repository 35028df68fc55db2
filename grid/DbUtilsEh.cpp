// DbUtilsEh: the operator tables, the value classes and the filter-cell parser. The
// builders and the select-text rewriting are in DbUtilsEhFilterText.cpp, the registry,
// the data service, the text search and record moving in DbUtilsEhFeatures.cpp.

#include "grid/DbUtilsEh.h"

#include <array>
#include <cmath>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {


// Keywords with their English form and the second form a user may type.
struct TFilterKeyword {
  const char* english;
  const char* resource;
  TSTFilterOperatorEh token;
};
// NOT stands as foNotLike here: it only combines with the token that follows.
constexpr TSTFilterOperatorEh kNotToken = foNotLike;
const std::array<TFilterKeyword, 6> kKeywords = {{
    {"NOT", "Not", kNotToken},
    {"AND", "AND", foAND},
    {"OR", "OR", foOR},
    {"LIKE", "", foLike},
    {"IN", "In", foIn},
    {"NULL", "Null", foNull},
}};

bool IsWordDelimiter(unsigned char c) {
  switch (c) {
    case ' ':
    case '!':
    case '"':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '+':
    case ',':
    case '-':
    case '.':
    case '<':
    case '=':
    case '>':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

bool IsComparisonOrJoin(TSTFilterOperatorEh op) {
  return op >= foEqual && op <= foOR;
}

// The scanner over one filter text. Positions are 0-based.
class TFilterScanner {
 public:
  explicit TFilterScanner(const AnsiString& text) : fText(text) {}

  std::size_t& Pos() { return fPos; }
  bool AtEnd() const { return fPos >= fText.size(); }
  char Current() const { return fText[fPos]; }

  void SkipBlanks() {
    while (!AtEnd() && Current() == ' ') ++fPos;
  }

  TSTFilterOperatorEh Scan(bool listMode, Variant& value) {
    value = Null();
    if (AtEnd()) return foNon;
    if (Current() == '\'') {
      value = ReadValueList(listMode);
      return VarIsNull(value) ? foNon : foValue;
    }
    TSTFilterOperatorEh token = foNon;
    bool isParenthesis = false;
    if (!ReadSymbol(token, isParenthesis) && !ReadKeyword(token)) {
      value = ReadValueList(listMode);
      return VarIsNull(value) ? foNon : foValue;
    }
    SkipBlanks();
    if (isParenthesis) return foNon;
    if (token == kNotToken) {
      Variant next;
      switch (Scan(listMode, next)) {
        case foLike:
          return foNotLike;
        case foIn:
          return foNotIn;
        case foNull:
          return foNotNull;
        default:
          return foNon;
      }
    }
    if (token == foIn) {
      if (AtEnd() || Current() != '(') throw Exception("'(' expected: " + fText);
      ++fPos;
    }
    return token;
  }

 private:
  // The one- and two-character tokens.
  bool ReadSymbol(TSTFilterOperatorEh& token, bool& isParenthesis) {
    const char c = Current();
    const char next = fPos + 1 < fText.size() ? fText[fPos + 1] : '\0';
    std::size_t length = 1;
    switch (c) {
      case '=':
        token = foEqual;
        break;
      case '!':
        if (next == '=') {
          token = foNotEqual;
          length = 2;
        } else {
          token = kNotToken;
        }
        break;
      case '&':
        token = foAND;
        break;
      case '|':
        token = foOR;
        break;
      case '~':
        token = foLike;
        break;
      case '(':
        isParenthesis = true;
        break;
      case '<':
        if (next == '>' || next == '=') {
          token = next == '>' ? foNotEqual : foLessOrEqual;
          length = 2;
        } else {
          token = foLessThan;
        }
        break;
      case '>':
        if (next == '=') {
          token = foGreaterOrEqual;
          length = 2;
        } else {
          token = foGreaterThan;
        }
        break;
      default:
        return false;
    }
    fPos += length;
    return true;
  }

  bool ReadKeyword(TSTFilterOperatorEh& token) {
    std::size_t end = fPos;
    while (end < fText.size()) {
      const auto c = static_cast<unsigned char>(fText[end]);
      if (c < 32 || (c < 128 && IsWordDelimiter(c))) break;
      ++end;
    }
    if (end == fPos) return false;
    const AnsiString word = AnsiUpperCase(fText.substr(fPos, end - fPos));
    for (const TFilterKeyword& keyword : kKeywords) {
      if (word == keyword.english || (*keyword.resource != '\0' && word == AnsiUpperCase(keyword.resource))) {
        token = keyword.token;
        fPos = end;
        return true;
      }
    }
    return false;
  }

  // Whether the scanner would read an operator at `pos`; reads nothing and never raises.
  bool OperatorFollows(std::size_t pos) const {
    TFilterScanner probe(fText);
    probe.fPos = pos;
    TSTFilterOperatorEh token = foNon;
    bool isParenthesis = false;
    if (probe.AtEnd() || probe.Current() == '\'') return false;
    if (!probe.ReadSymbol(token, isParenthesis) && !probe.ReadKeyword(token)) return false;
    if (isParenthesis) return false;
    if (token == kNotToken) {
      probe.SkipBlanks();
      TSTFilterOperatorEh next = foNon;
      bool nextIsParenthesis = false;
      if (probe.AtEnd() || probe.Current() == '\'') return false;
      if (!probe.ReadSymbol(next, nextIsParenthesis) && !probe.ReadKeyword(next)) return false;
      return next == foLike || next == foIn || next == foNull;
    }
    return IsComparisonOrJoin(token) || token == foNull;
  }

  Variant ReadValue(bool listMode) {
    if (AtEnd()) return Null();
    if (Current() == '\'') {
      const std::size_t close = fText.find('\'', fPos + 1);
      if (close == AnsiString::npos) throw Exception("Quote is absent: " + fText);
      Variant value(fText.substr(fPos + 1, close - fPos - 1));
      fPos = close + 1;
      return value;
    }
    const std::size_t start = fPos;
    std::size_t end = fPos;
    while (end < fText.size()) {
      const char c = fText[end];
      if (c == '(' || c == ')' || (listMode && c == ',')) break;
      if (c == ' ') {
        // A run of blanks is looked past once: the value keeps it unless an operator follows.
        std::size_t next = end;
        while (next < fText.size() && fText[next] == ' ') ++next;
        if (OperatorFollows(next)) break;
        end = next;
        continue;
      }
      ++end;
    }
    fPos = end;
    if (end == start) return Null();
    return Variant(fText.substr(start, end - start));
  }

  Variant ReadValueList(bool listMode) {
    std::vector<Variant> values;
    for (;;) {
      Variant value = ReadValue(listMode);
      if (VarIsNull(value)) break;
      values.push_back(std::move(value));
      if (!listMode || AtEnd() || Current() != ',') break;
      ++fPos;
    }
    if (values.empty()) return Null();
    if (values.size() == 1) return values.front();
    return VarArrayOf(values);
  }

  const AnsiString& fText;
  std::size_t fPos = 0;
};

bool ListModeFor(const TSTFilterExpressionEh& expression) {
  return !(expression.ExpressionType == botNumber && FormatSettings().DecimalSeparator == ',');
}

Variant ConvertOperandItem(const Variant& item, TSTOperandTypeEh type) {
  if (VarIsNull(item)) return item;
  switch (type) {
    case botNumber: {
      // A number beyond the Double range would reach SQL as no number at all.
      const AnsiString text = item.AsString();
      const auto value = static_cast<double>(StrToFloat(text));
      if (!std::isfinite(value)) throw EConvertError("'" + text + "' is not a valid floating point value");
      return Variant(value);
    }
    case botDateTime:
      return VarFromDateTime(StrToDateTime(item.AsString()));
    default:
      return item;
  }
}

// The operand in the column's class, element by element for a list; Null for operators
// that take no value.
Variant ConvertOperand(TSTFilterOperatorEh op, const Variant& operand, TSTOperandTypeEh type) {
  if (op < foEqual || op > foNotIn) return Null();
  if (!VarIsArray(operand)) return ConvertOperandItem(operand, type);
  Variant converted = operand;
  for (Integer i = VarArrayLowBound(operand, 1); i <= VarArrayHighBound(operand, 1); ++i)
    VarArrayPut(converted, ConvertOperandItem(VarArrayGet(operand, {i}), type), {i});
  return converted;
}

// The parse of one filter text into the record.
class TFilterParser {
 public:
  TFilterParser(const AnsiString& text, TSTFilterExpressionEh& expression)
      : fText(text), fScanner(fText), fExpression(expression) {}

  void Parse() {
    fScanner.SkipBlanks();
    Variant value;
    const TSTFilterOperatorEh first = fScanner.Scan(ListModeFor(fExpression), value);
    ReadCondition(first, value, fExpression.Operator1, fExpression.Operand1, true);

    fScanner.SkipBlanks();
    const TSTFilterOperatorEh relation = fScanner.Scan(ListModeFor(fExpression), value);
    if (relation == foNon) {
      if (!fScanner.AtEnd()) Fail("Incorrect expression: ");
    } else {
      if (relation != foAND && relation != foOR) Fail("Unexpected AND or OR: ");
      fExpression.Relation = relation;
      const TSTFilterOperatorEh second = fScanner.Scan(ListModeFor(fExpression), value);
      if (second == foNon) Fail("Error in expression: ");
      ReadCondition(second, value, fExpression.Operator2, fExpression.Operand2, false);
    }

    const TSTOperandTypeEh type = fExpression.ExpressionType;
    fExpression.Operand1 = ConvertOperand(fExpression.Operator1, fExpression.Operand1, type);
    fExpression.Operand2 = ConvertOperand(fExpression.Operator2, fExpression.Operand2, type);
  }

 private:
  [[noreturn]] void Fail(const char* message) const { throw Exception(message + fText); }

  // One condition that starts with `token`; the closing parenthesis of an IN list is
  // required for the first condition only.
  void ReadCondition(TSTFilterOperatorEh token, const Variant& value, TSTFilterOperatorEh& op,
                     Variant& operand, bool closeList) {
    if (token == foValue) {
      op = VarIsArray(value) ? foIn : fExpression.ExpressionType == botString ? foLike : foEqual;
      operand = value;
      return;
    }
    // A join word cannot open a condition: it would reach SQL as a condition of its own.
    if (token == foNon || token == foAND || token == foOR) Fail("Error in expression: ");
    const bool isList = token == foIn || token == foNotIn;
    Variant next;
    const TSTFilterOperatorEh nextToken = fScanner.Scan(isList || ListModeFor(fExpression), next);
    op = token;
    if (nextToken == foNull) {
      if (token == foEqual)
        op = foNull;
      else if (token == foNotEqual)
        op = foNotNull;
      else
        Fail("Unexpected expression before Null: ");
    } else if (nextToken != foValue || (VarIsArray(next) && !isList)) {
      // A comma list belongs to IN only: no other operator can write it.
      Fail("Unexpected expression after operator: ");
    }
    operand = next;
    if (isList && closeList) {
      fScanner.SkipBlanks();
      if (fScanner.AtEnd() || fScanner.Current() != ')') Fail("')' expected: ");
      ++fScanner.Pos();
      fScanner.SkipBlanks();
    }
  }

  const AnsiString fText;
  TFilterScanner fScanner;
  TSTFilterExpressionEh& fExpression;
};

}  // namespace

const AnsiString& STFilterOperatorText(TSTFilterOperatorEh op) {
  static const std::array<AnsiString, 16> texts = {
      "",         "=",  "<>",     ">",       "<",           ">=",  "<=", "LIKE",
      "NOT LIKE", "IN", "NOT IN", "IS NULL", "IS NOT NULL", "AND", "OR", ""};
  return texts.at(op);
}

const AnsiString& STFilterOperatorShortText(TSTFilterOperatorEh op) {
  static const std::array<AnsiString, 16> texts = {"",   "=",  "<>",  ">",    "<",    ">=",  "<=", "~",
                                                   "!~", "In", "!In", "Null", "Null", "AND", "OR", ""};
  return texts.at(op);
}

TSTOperandTypeEh STOperandTypeOfFieldType(TFieldType type) {
  switch (type) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
      return botString;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
    case ftLargeint:
    case ftFMTBcd:
      return botNumber;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
      return botDateTime;
    case ftBoolean:
      return botBoolean;
    default:
      return botNon;
  }
}

AnsiString& SQLFilterMarker() {
  static AnsiString marker = "/*FILTER*/";
  return marker;
}

TSTFilterOperatorEh ScanFilterToken(const AnsiString& text, std::size_t& pos, bool listMode, Variant& value) {
  TFilterScanner scanner(text);
  scanner.Pos() = pos;
  const TSTFilterOperatorEh token = scanner.Scan(listMode, value);
  pos = scanner.Pos();
  return token;
}

void ParseFilterExpression(const AnsiString& text, TSTFilterExpressionEh& expression) {
  expression.Operator1 = foNon;
  expression.Relation = foNon;
  expression.Operator2 = foNon;
  expression.Operand1 = Null();
  expression.Operand2 = Null();
  const AnsiString trimmed = Trim(text);
  if (trimmed.empty()) return;
  TFilterParser(trimmed, expression).Parse();
}

}  // namespace ordvane
