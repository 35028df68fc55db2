#include "classlib/db/FilterExpr.h"

#include <algorithm>
#include <array>
#include <limits>

#include "classlib/core/DateFormat.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/DataSet.h"

namespace ordvane {

using namespace dbconsts;

namespace {

// Nesting (parentheses, NOT, signs, function calls) and the height of the tree are
// bounded, so that neither parsing nor evaluating a hostile text exhausts the stack.
constexpr int MaxNesting = 128;
constexpr int MaxHeight = 1024;

enum class TTokenKind { End, Name, BracketName, Text, Number, Symbol };

struct TToken {
  TTokenKind kind = TTokenKind::End;
  AnsiString text;
};

bool IsNameStart(unsigned char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '_' || ch >= 128; }
bool IsNameChar(unsigned char ch) { return IsNameStart(ch) || (ch >= '0' && ch <= '9'); }
bool IsDigit(unsigned char ch) { return ch >= '0' && ch <= '9'; }

[[noreturn]] void Incorrect() { DatabaseError(SExprIncorrect); }

bool IsDateType(TFieldType type) { return type == ftDate || type == ftTime || type == ftDateTime; }

struct TFunctionShape {
  const char* name;
  int minArguments;
  int maxArguments;
};

constexpr std::array<TFunctionShape, 15> Functions = {{{"UPPER", 1, 1},
                                                        {"LOWER", 1, 1},
                                                        {"TRIM", 1, 1},
                                                        {"TRIMLEFT", 1, 1},
                                                        {"TRIMRIGHT", 1, 1},
                                                        {"YEAR", 1, 1},
                                                        {"MONTH", 1, 1},
                                                        {"DAY", 1, 1},
                                                        {"HOUR", 1, 1},
                                                        {"MINUTE", 1, 1},
                                                        {"SECOND", 1, 1},
                                                        {"GETDATE", 0, 0},
                                                        {"DATE", 1, 2},
                                                        {"TIME", 1, 1},
                                                        {"SUBSTRING", 2, 3}}};

}  // namespace

bool ComparisonHolds(TExprOperator op, TVariantRelationship relation) {
  switch (op) {
    case TExprOperator::Equal:
      return relation == vrEqual;
    case TExprOperator::NotEqual:
      return relation != vrEqual;
    case TExprOperator::Greater:
      return relation == vrGreaterThan;
    case TExprOperator::Less:
      return relation == vrLessThan;
    case TExprOperator::GreaterOrEqual:
      return relation == vrGreaterThan || relation == vrEqual;
    case TExprOperator::LessOrEqual:
      return relation == vrLessThan || relation == vrEqual;
    default:
      Incorrect();
  }
}

// The recursive-descent parser over the tokens of one text.
class TExprParser::TParser {
 public:
  TParser(TDataSet* dataSet, const AnsiString& text, TFilterOptions options, TExprParserOptions parserOptions)
      : fDataSet(dataSet), fText(text), fOptions(options), fParserOptions(parserOptions) {
    Advance();
  }

  TExprNodePtr Parse() {
    TParsed root = Expression();
    if (fToken.kind != TTokenKind::End) Incorrect();
    return std::move(root.node);
  }

 private:
  struct TParsed {
    TExprNodePtr node;
    int height = 1;
  };

  // Counts one level of nesting for the life of a scope.
  class TNesting {
   public:
    explicit TNesting(int& depth) : fDepth(depth) {
      if (++fDepth > MaxNesting) DatabaseError(SExprTooComplex);
    }
    ~TNesting() { --fDepth; }
    TNesting(const TNesting&) = delete;
    TNesting& operator=(const TNesting&) = delete;

   private:
    int& fDepth;
  };

  // --- tokens ------------------------------------------------------------------------------

  void Advance() {
    while (fPos < fText.size() && static_cast<unsigned char>(fText[fPos]) <= ' ') ++fPos;
    fToken = TToken();
    if (fPos >= fText.size()) return;
    const unsigned char ch = static_cast<unsigned char>(fText[fPos]);
    if (ch == '[') {
      const std::size_t close = fText.find(']', fPos + 1);
      if (close == AnsiString::npos || close == fPos + 1) Incorrect();
      fToken = {TTokenKind::BracketName, fText.substr(fPos + 1, close - fPos - 1)};
      fPos = close + 1;
    } else if (ch == '\'') {
      ReadText();
    } else if (IsDigit(ch)) {
      ReadNumber();
    } else if (IsNameStart(ch)) {
      const std::size_t start = fPos;
      while (fPos < fText.size() && IsNameChar(static_cast<unsigned char>(fText[fPos]))) ++fPos;
      fToken = {TTokenKind::Name, fText.substr(start, fPos - start)};
    } else {
      ReadSymbol();
    }
  }

  void ReadText() {
    AnsiString value;
    ++fPos;
    for (;;) {
      if (fPos >= fText.size()) Incorrect();
      if (fText[fPos] == '\'') {
        if (fPos + 1 < fText.size() && fText[fPos + 1] == '\'') {
          value.push_back('\'');
          fPos += 2;
          continue;
        }
        ++fPos;
        break;
      }
      value.push_back(fText[fPos++]);
    }
    fToken = {TTokenKind::Text, value};
  }

  void ReadNumber() {
    const std::size_t start = fPos;
    while (fPos < fText.size() && IsDigit(static_cast<unsigned char>(fText[fPos]))) ++fPos;
    if (fPos < fText.size() && fText[fPos] == '.') {
      ++fPos;
      if (fPos >= fText.size() || !IsDigit(static_cast<unsigned char>(fText[fPos]))) Incorrect();
      while (fPos < fText.size() && IsDigit(static_cast<unsigned char>(fText[fPos]))) ++fPos;
    }
    // "12abc" is neither a number nor a name.
    if (fPos < fText.size() && IsNameChar(static_cast<unsigned char>(fText[fPos]))) Incorrect();
    fToken = {TTokenKind::Number, fText.substr(start, fPos - start)};
  }

  void ReadSymbol() {
    static constexpr std::array<const char*, 13> symbols = {"<>", "<=", ">=", "=", "<", ">", "+",
                                                            "-",  "*",  "/",  "(", ")", ","};
    for (const char* symbol : symbols) {
      const std::size_t length = std::char_traits<char>::length(symbol);
      if (fText.compare(fPos, length, symbol) == 0) {
        fToken = {TTokenKind::Symbol, symbol};
        fPos += length;
        return;
      }
    }
    Incorrect();
  }

  bool IsSymbol(const char* symbol) const { return fToken.kind == TTokenKind::Symbol && fToken.text == symbol; }
  bool IsKeyword(const char* keyword) const {
    return fToken.kind == TTokenKind::Name && UpperCase(fToken.text) == keyword;
  }
  void Expect(const char* symbol) {
    if (!IsSymbol(symbol)) Incorrect();
    Advance();
  }

  // --- building nodes ----------------------------------------------------------------------

  static TParsed Make(TExprNodePtr node, int height) {
    if (height > MaxHeight) DatabaseError(SExprTooComplex);
    return {std::move(node), height};
  }

  TParsed Unary(TExprOperator op, TParsed operand) {
    return Make(std::make_unique<TUnaryNode>(op, std::move(operand.node)), operand.height + 1);
  }

  TParsed Binary(TExprOperator op, TParsed left, TParsed right) {
    const int height = std::max(left.height, right.height) + 1;
    return Make(std::make_unique<TBinaryNode>(op, std::move(left.node), std::move(right.node)), height);
  }

  static const TFieldNode* AsField(const TParsed& operand) {
    return operand.node->NodeClass() == TExprNodeClass::Field ? static_cast<const TFieldNode*>(operand.node.get())
                                                              : nullptr;
  }
  static const TConstNode* AsText(const TParsed& operand) {
    if (operand.node->NodeClass() != TExprNodeClass::Const) return nullptr;
    const auto* constant = static_cast<const TConstNode*>(operand.node.get());
    return constant->DataType() == ftString ? constant : nullptr;
  }
  static bool IsText(const TParsed& operand) {
    const TFieldNode* field = AsField(operand);
    return AsText(operand) != nullptr || (field != nullptr && IsTextFieldType(field->DataType()));
  }

  // A text constant read as a value of the date or time type it is compared with.
  static void ConvertDate(TParsed& operand, TFieldType type) {
    const TConstNode* text = AsText(operand);
    if (text == nullptr) return;
    const AnsiString value = text->Value().AsString();
    TDateTime date = 0;
    switch (type) {
      case ftDate:
        date = StrToDate(value);
        break;
      case ftTime:
        date = StrToTime(value);
        break;
      default:
        date = StrToDateTime(value);
        break;
    }
    operand.node = std::make_unique<TConstNode>(type, VarFromDateTime(date));
  }

  static void ConvertDates(TParsed& left, TParsed& right) {
    if (const TFieldNode* field = AsField(left); field != nullptr && IsDateType(field->DataType()))
      ConvertDate(right, field->DataType());
    if (const TFieldNode* field = AsField(right); field != nullptr && IsDateType(field->DataType()))
      ConvertDate(left, field->DataType());
  }

  // =, <> and LIKE over text: a compare node when the options or a partial constant ask
  // for one.
  TParsed Comparison(TExprOperator op, TParsed left, TParsed right) {
    if (!IsText(left) && !IsText(right)) return Binary(op, std::move(left), std::move(right));
    int partial = 0;
    if (op != TExprOperator::Like && !fOptions.Contains(foNoPartialCompare)) {
      for (TParsed* operand : {&right, &left}) {
        const TConstNode* text = AsText(*operand);
        if (text == nullptr) continue;
        AnsiString value = text->Value().AsString();
        if (value.empty() || value.back() != '*') continue;
        value.pop_back();
        partial = static_cast<int>(value.size());
        operand->node = std::make_unique<TConstNode>(ftString, Variant(value));
        break;
      }
    }
    const bool caseInsensitive = fOptions.Contains(foCaseInsensitive);
    if (!caseInsensitive && partial == 0) return Binary(op, std::move(left), std::move(right));
    const int height = std::max(left.height, right.height) + 1;
    return Make(std::make_unique<TCompareNode>(op, std::move(left.node), std::move(right.node), caseInsensitive,
                                               partial),
                height);
  }

  // --- the grammar -------------------------------------------------------------------------

  TParsed Expression() {
    TParsed left = Term();
    while (IsKeyword("OR")) {
      Advance();
      left = Binary(TExprOperator::Or, std::move(left), Term());
    }
    return left;
  }

  TParsed Term() {
    TParsed left = Factor();
    while (IsKeyword("AND")) {
      Advance();
      left = Binary(TExprOperator::And, std::move(left), Factor());
    }
    return left;
  }

  TParsed Factor() {
    if (!IsKeyword("NOT")) return ComparisonExpression();
    TNesting nesting(fDepth);
    Advance();
    return Unary(TExprOperator::Not, Factor());
  }

  TParsed ComparisonExpression() {
    TParsed left = Sum();
    static constexpr std::array<std::pair<const char*, TExprOperator>, 6> operators = {
        {{"=", TExprOperator::Equal},
         {"<>", TExprOperator::NotEqual},
         {"<", TExprOperator::Less},
         {">", TExprOperator::Greater},
         {"<=", TExprOperator::LessOrEqual},
         {">=", TExprOperator::GreaterOrEqual}}};
    for (const auto& [symbol, op] : operators) {
      if (!IsSymbol(symbol)) continue;
      Advance();
      TParsed right = Sum();
      ConvertDates(left, right);
      if (op == TExprOperator::Equal || op == TExprOperator::NotEqual)
        return Comparison(op, std::move(left), std::move(right));
      return Binary(op, std::move(left), std::move(right));
    }
    if (IsKeyword("LIKE")) {
      Advance();
      return Comparison(TExprOperator::Like, std::move(left), Sum());
    }
    if (IsKeyword("NOT")) {
      Advance();
      if (!IsKeyword("LIKE")) Incorrect();
      Advance();
      return Unary(TExprOperator::Not, Comparison(TExprOperator::Like, std::move(left), Sum()));
    }
    if (IsKeyword("IN")) {
      Advance();
      return InList(std::move(left));
    }
    if (IsKeyword("IS")) {
      Advance();
      bool negated = false;
      if (IsKeyword("NOT")) {
        negated = true;
        Advance();
      }
      if (!IsKeyword("NULL")) Incorrect();
      Advance();
      return Unary(negated ? TExprOperator::NotBlank : TExprOperator::IsBlank, std::move(left));
    }
    return left;
  }

  TParsed InList(TParsed left) {
    TNesting nesting(fDepth);
    Expect("(");
    std::vector<TParsed> items = Arguments();
    if (items.empty()) Incorrect();
    const TFieldNode* field = AsField(left);
    int height = 1;
    std::vector<TExprNodePtr> nodes;
    for (TParsed& item : items) {
      if (field != nullptr && IsDateType(field->DataType())) ConvertDate(item, field->DataType());
      height = std::max(height, item.height + 1);
      nodes.push_back(std::move(item.node));
    }
    TParsed list = Make(std::make_unique<TListNode>(std::move(nodes)), height);
    return Binary(TExprOperator::In, std::move(left), std::move(list));
  }

  // Expressions separated by commas up to the closing parenthesis, which is read.
  std::vector<TParsed> Arguments() {
    std::vector<TParsed> items;
    if (IsSymbol(")")) {
      Advance();
      return items;
    }
    for (;;) {
      items.push_back(Expression());
      if (IsSymbol(")")) break;
      Expect(",");
    }
    Advance();
    return items;
  }

  // A chain of operands of one precedence level, joined from the left.
  TParsed Chain(TParsed (TParser::*operand)(), std::initializer_list<std::pair<const char*, TExprOperator>> ops) {
    TParsed left = (this->*operand)();
    for (;;) {
      const auto match = std::find_if(ops.begin(), ops.end(), [&](const auto& op) { return IsSymbol(op.first); });
      if (match == ops.end()) return left;
      Advance();
      left = Binary(match->second, std::move(left), (this->*operand)());
    }
  }

  TParsed Sum() { return Chain(&TParser::Product, {{"+", TExprOperator::Add}, {"-", TExprOperator::Subtract}}); }

  TParsed Product() {
    return Chain(&TParser::Signed, {{"*", TExprOperator::Multiply}, {"/", TExprOperator::Divide}});
  }

  TParsed Signed() {
    // The analyzer loses the node's owner when a TParsed is returned through Primary.
    // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks)
    if (!IsSymbol("-")) return Primary();
    TNesting nesting(fDepth);
    Advance();
    return Unary(TExprOperator::Negate, Signed());
  }

  TParsed Primary() {
    TToken token = fToken;
    switch (token.kind) {
      case TTokenKind::End:
        DatabaseErrorFmt(SExprExpected, {SExprEndOfText});
      case TTokenKind::Text:
        Advance();
        return {std::make_unique<TConstNode>(ftString, Variant(token.text)), 1};
      case TTokenKind::Number:
        Advance();
        return {Number(token.text), 1};
      case TTokenKind::BracketName:
        Advance();
        return {Field(token.text), 1};
      case TTokenKind::Name:
        if (IsKeyword("AND") || IsKeyword("OR") || IsKeyword("NOT") || IsKeyword("LIKE") || IsKeyword("IN") ||
            IsKeyword("IS") || IsKeyword("NULL"))
          DatabaseErrorFmt(SExprExpected, {token.text});
        Advance();
        if (IsSymbol("(")) return Function(token.text);
        return {Field(token.text), 1};
      case TTokenKind::Symbol:
        if (token.text != "(") DatabaseErrorFmt(SExprExpected, {token.text});
        {
          TNesting nesting(fDepth);
          Advance();
          TParsed inner = Expression();
          Expect(")");
          return inner;
        }
    }
    Incorrect();
  }

  TExprNodePtr Number(const AnsiString& text) {
    if (text.find('.') == AnsiString::npos) {
      Int64 value = 0;
      if (TryStrToInt64(text, value)) {
        if (value >= std::numeric_limits<Integer>::min() && value <= std::numeric_limits<Integer>::max())
          return std::make_unique<TConstNode>(ftInteger, Variant(static_cast<Integer>(value)));
        return std::make_unique<TConstNode>(ftLargeint, Variant(static_cast<long long>(value)));
      }
    }
    TFormatSettings dotted;
    dotted.DecimalSeparator = '.';
    double value = 0;
    if (!TryStrToFloat(text, value, dotted)) Incorrect();
    return std::make_unique<TConstNode>(ftFloat, Variant(value));
  }

  TExprNodePtr Field(const AnsiString& name) {
    const TField* field = fDataSet != nullptr ? fDataSet->FindField(name) : nullptr;
    if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {name}, fDataSet);
    const bool admitted = field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc ||
                          (field->FieldKind() == fkCalculated && fParserOptions.Contains(epoAdmitCalculatedFields));
    if (!admitted) DatabaseErrorFmt(SExprBadField, {field->FieldName()});
    return std::make_unique<TFieldNode>(field->FieldName(), field->DataType());
  }

  TParsed Function(const AnsiString& written) {
    const AnsiString name = UpperCase(written);
    const auto shape = std::find_if(Functions.begin(), Functions.end(),
                                    [&](const TFunctionShape& f) { return name == f.name; });
    if (shape == Functions.end()) DatabaseErrorFmt(SExprExpected, {written});
    TNesting nesting(fDepth);
    Advance();  // the '('
    std::vector<TParsed> arguments = Arguments();
    const int count = static_cast<int>(arguments.size());
    if (count < shape->minArguments || count > shape->maxArguments) Incorrect();
    if (name == "UPPER" || name == "LOWER")
      return Unary(name == "UPPER" ? TExprOperator::Upper : TExprOperator::Lower, std::move(arguments[0]));
    TExprNodePtr argument;
    int height = 1;
    if (count == 1) {
      height = arguments[0].height + 1;
      argument = std::move(arguments[0].node);
    } else if (count > 1) {
      std::vector<TExprNodePtr> nodes;
      for (TParsed& item : arguments) {
        height = std::max(height, item.height + 2);
        nodes.push_back(std::move(item.node));
      }
      argument = std::make_unique<TListNode>(std::move(nodes));
    }
    return Make(std::make_unique<TFunctionNode>(name, std::move(argument)), height);
  }

  TDataSet* fDataSet;
  const AnsiString& fText;
  TFilterOptions fOptions;
  TExprParserOptions fParserOptions;
  std::size_t fPos = 0;
  TToken fToken;
  int fDepth = 0;
};

TExprParser::TExprParser(TDataSet* dataSet, const AnsiString& text, TFilterOptions options,
                         TExprParserOptions parserOptions)
    : fDataSet(dataSet), fText(text), fOptions(options), fParserOptions(parserOptions) {
  fRoot = TParser(dataSet, fText, options, parserOptions).Parse();
}

TExprParser::~TExprParser() = default;

}  // namespace ordvane
