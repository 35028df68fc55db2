#include "classlib/db/FilterEval.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/DataSet.h"

namespace ordvane {

namespace {

bool IsNull(const Variant& value) { return VarIsNull(value) || VarIsEmpty(value); }

Variant Text(AnsiString text) { return Variant(std::move(text)); }

// The text read by a short date format; the separator is the format's first character
// that is no date letter.
TDateTime DateFromText(const AnsiString& format, const AnsiString& text) {
  TFormatSettings settings = FormatSettings();
  settings.ShortDateFormat = format;
  for (char ch : format)
    if (std::string_view("dDmMyY").find(ch) == std::string_view::npos) {
      settings.DateSeparator = ch;
      break;
    }
  return StrToDate(text, settings);
}

Variant Substring(const AnsiString& text, Integer start, std::optional<Integer> count) {
  start = std::max(start, 1);
  const auto length = static_cast<Integer>(text.size());
  if (start > length) return Text({});
  const Integer available = length - start + 1;
  const Integer taken = count ? std::min(*count, available) : available;
  if (taken < 1) return Text({});
  return Text(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(taken)));
}

}  // namespace

bool LikeMatch(const AnsiString& text, const AnsiString& pattern, bool caseInsensitive) {
  const AnsiString t = caseInsensitive ? AnsiUpperCase(text) : text;
  const AnsiString p = caseInsensitive ? AnsiUpperCase(pattern) : pattern;
  return MatchesLikePattern(t, p);
}

TExprEvaluator::TExprEvaluator(TDataSet* dataSet, const TExprParser& parser) : fDataSet(dataSet), fParser(parser) {}

Variant TExprEvaluator::Evaluate() { return Eval(fParser.Root()); }

bool TExprEvaluator::Accepts() {
  const Variant value = Evaluate();
  return !IsNull(value) && value.AsBoolean();
}

bool TExprEvaluator::Truth(const TExprNode& node) {
  const Variant value = Eval(node);
  return !IsNull(value) && value.AsBoolean();
}

TField* TExprEvaluator::FieldOf(const TFieldNode& node) {
  const auto it = fFields.find(node.FieldName());
  if (it != fFields.end()) return it->second;
  TField* field = fDataSet->FieldByName(node.FieldName());
  fFields.emplace(node.FieldName(), field);
  return field;
}

Variant TExprEvaluator::Eval(const TExprNode& node) {
  switch (node.NodeClass()) {
    case TExprNodeClass::Unary:
      return EvalUnary(static_cast<const TUnaryNode&>(node));
    case TExprNodeClass::Binary:
      return EvalBinary(static_cast<const TBinaryNode&>(node));
    case TExprNodeClass::Compare:
      return EvalCompare(static_cast<const TCompareNode&>(node));
    case TExprNodeClass::Field:
      return FieldOf(static_cast<const TFieldNode&>(node))->Value();
    case TExprNodeClass::Const:
      return static_cast<const TConstNode&>(node).Value();
    case TExprNodeClass::Function:
      return EvalFunction(static_cast<const TFunctionNode&>(node));
    case TExprNodeClass::List:
      break;
  }
  // A list is only ever the right side of IN.
  DatabaseError(dbconsts::SExprIncorrect);
}

Variant TExprEvaluator::EvalUnary(const TUnaryNode& node) {
  switch (node.Operator()) {
    case TExprOperator::IsBlank:
      return Variant(IsNull(Eval(node.Operand())));
    case TExprOperator::NotBlank:
      return Variant(!IsNull(Eval(node.Operand())));
    case TExprOperator::Not:
      return Variant(!Truth(node.Operand()));
    case TExprOperator::Negate:
      return -Eval(node.Operand());
    case TExprOperator::Upper:
    case TExprOperator::Lower: {
      const Variant value = Eval(node.Operand());
      if (IsNull(value)) return Null();
      return Text(node.Operator() == TExprOperator::Upper ? AnsiUpperCase(VarToStr(value))
                                                         : AnsiLowerCase(VarToStr(value)));
    }
    default:
      DatabaseError(dbconsts::SExprIncorrect);
  }
}

Variant TExprEvaluator::EvalBinary(const TBinaryNode& node) {
  const TExprOperator op = node.Operator();
  if (op == TExprOperator::And) return Variant(Truth(node.Left()) && Truth(node.Right()));
  if (op == TExprOperator::Or) return Variant(Truth(node.Left()) || Truth(node.Right()));
  const Variant left = Eval(node.Left());
  if (op == TExprOperator::In) {
    if (IsNull(left)) return Variant(false);
    for (const TExprNodePtr& item : static_cast<const TListNode&>(node.Right()).Items()) {
      const Variant value = Eval(*item);
      if (!IsNull(value) && VarCompareValue(left, value) == vrEqual) return Variant(true);
    }
    return Variant(false);
  }
  const Variant right = Eval(node.Right());
  switch (op) {
    case TExprOperator::Add:
      return left + right;
    case TExprOperator::Subtract:
      return left - right;
    case TExprOperator::Multiply:
      return left * right;
    case TExprOperator::Divide:
      return left / right;
    case TExprOperator::Like:
      return Variant(!IsNull(left) && !IsNull(right) && LikeMatch(VarToStr(left), VarToStr(right), false));
    default:
      if (IsNull(left) || IsNull(right)) return Variant(false);
      return Variant(ComparisonHolds(op, VarCompareValue(left, right)));
  }
}

Variant TExprEvaluator::EvalCompare(const TCompareNode& node) {
  const Variant left = Eval(node.Left());
  const Variant right = Eval(node.Right());
  if (IsNull(left) || IsNull(right)) return Variant(false);
  AnsiString a = VarToStr(left);
  AnsiString b = VarToStr(right);
  if (node.CaseInsensitive()) {
    a = AnsiUpperCase(a);
    b = AnsiUpperCase(b);
  }
  if (node.Operator() == TExprOperator::Like) return Variant(LikeMatch(a, b, false));
  if (node.PartialLength() > 0) {
    a = a.substr(0, static_cast<std::size_t>(node.PartialLength()));
    b = b.substr(0, static_cast<std::size_t>(node.PartialLength()));
  }
  return Variant(node.Operator() == TExprOperator::Equal ? a == b : a != b);
}

Variant TExprEvaluator::EvalFunction(const TFunctionNode& node) {
  const AnsiString& name = node.Name();
  if (name == "GETDATE") return VarFromDateTime(Now());
  std::vector<Variant> args;
  if (const TExprNode* argument = node.Argument()) {
    if (argument->NodeClass() == TExprNodeClass::List)
      for (const TExprNodePtr& item : static_cast<const TListNode*>(argument)->Items()) args.push_back(Eval(*item));
    else
      args.push_back(Eval(*argument));
  }
  for (const Variant& arg : args)
    if (IsNull(arg)) return Null();
  if (args.empty()) DatabaseError(dbconsts::SExprIncorrect);
  if (name == "TRIM") return Text(Trim(VarToStr(args[0])));
  if (name == "TRIMLEFT") return Text(TrimLeft(VarToStr(args[0])));
  if (name == "TRIMRIGHT") return Text(TrimRight(VarToStr(args[0])));
  if (name == "SUBSTRING")
    return Substring(VarToStr(args[0]), args[1].AsInteger(),
                     args.size() > 2 ? std::optional<Integer>(args[2].AsInteger()) : std::nullopt);
  if (name == "DATE" && args.size() == 2) return VarFromDateTime(DateFromText(VarToStr(args[0]), VarToStr(args[1])));
  const TDateTime value = VarToDateTime(args[0]);
  if (name == "DATE") return VarFromDateTime(std::trunc(value));
  if (name == "TIME") return VarFromDateTime(std::fabs(value - std::trunc(value)));
  Word year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, msec);
  if (name == "YEAR") return Variant(Integer{year});
  if (name == "MONTH") return Variant(Integer{month});
  if (name == "DAY") return Variant(Integer{day});
  if (name == "HOUR") return Variant(Integer{hour});
  if (name == "MINUTE") return Variant(Integer{minute});
  if (name == "SECOND") return Variant(Integer{second});
  DatabaseErrorFmt(dbconsts::SExprExpected, {name});
}

}  // namespace ordvane
