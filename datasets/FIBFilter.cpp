#include "datasets/FIBFilter.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/DataSet.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

using namespace dbconsts;

namespace {

constexpr char ParseErrorPrefix[] = "Can't parse Filter for:\r\n";
// The count of SUBSTRING's "start,count" form is read from at most this many characters.
constexpr int MaxCountTextLength = 1000;

[[noreturn]] void Incorrect() { DatabaseError(SExprIncorrect); }

bool Same(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrEqual; }

// Appends the elements of an array of any rank (the first dimension varying fastest) up to
// the first empty one.
void AppendElements(const Variant& array, std::vector<Variant>& out) {
  const Integer dimensions = VarArrayDimCount(array);
  std::vector<Integer> low(static_cast<std::size_t>(dimensions)), high(low.size());
  for (Integer d = 0; d < dimensions; ++d) {
    low[static_cast<std::size_t>(d)] = VarArrayLowBound(array, d + 1);
    high[static_cast<std::size_t>(d)] = VarArrayHighBound(array, d + 1);
    if (high[static_cast<std::size_t>(d)] < low[static_cast<std::size_t>(d)]) return;
  }
  std::vector<Integer> index = low;
  for (;;) {
    Variant element = VarArrayGet(array, index);
    if (VarIsEmpty(element)) return;
    out.push_back(std::move(element));
    std::size_t d = 0;
    for (; d < index.size() && index[d] == high[d]; ++d) index[d] = low[d];
    if (d == index.size()) return;
    ++index[d];
  }
}

// An array's elements (up to the first empty one), any other value as it is.
void AppendValue(Variant value, std::vector<Variant>& out) {
  if (VarIsArray(value))
    AppendElements(value, out);
  else
    out.push_back(std::move(value));
}

bool IsNumber(const Variant& value) {
  const TVarType type = static_cast<TVarType>(VarType(value) & varTypeMask);
  return (VarType(value) & varArray) == 0 &&
         (VarTypeIsInteger(type) || type == varSingle || type == varDouble || type == varCurrency);
}

}  // namespace

TExpressionParser::TExpressionParser(TDataSet* dataSet, const AnsiString& filterText, TLikeMatchFunc likeMatch,
                                     TDateFromTextFunc dateFromText, TFilterOptions options,
                                     TExprParserOptions parserOptions) try
    : TExprParser(dataSet, filterText, options, parserOptions),
      fFilterText(filterText),
      fLikeMatch(likeMatch),
      fDateFromText(dateFromText) {
  fUsesCalculatedFields = NamesCalculatedField(Root());
} catch (Exception& e) {
  e.SetMessage(ParseErrorPrefix + e.Message());
  throw;
}

bool TExpressionParser::NamesCalculatedField(const TExprNode& node) {
  switch (node.NodeClass()) {
    case TExprNodeClass::Unary:
      return NamesCalculatedField(static_cast<const TUnaryNode&>(node).Operand());
    case TExprNodeClass::Binary:
    case TExprNodeClass::Compare: {
      const auto& binary = static_cast<const TBinaryNode&>(node);
      return NamesCalculatedField(binary.Left()) || NamesCalculatedField(binary.Right());
    }
    case TExprNodeClass::Field: {
      const TField* field = DataSet()->FindField(static_cast<const TFieldNode&>(node).FieldName());
      return field != nullptr && field->FieldKind() == fkCalculated;
    }
    case TExprNodeClass::Function: {
      const TExprNode* argument = static_cast<const TFunctionNode&>(node).Argument();
      return argument != nullptr && NamesCalculatedField(*argument);
    }
    case TExprNodeClass::List: {
      const auto& items = static_cast<const TListNode&>(node).Items();
      return std::any_of(items.begin(), items.end(), [this](const TExprNodePtr& item) { return NamesCalculatedField(*item); });
    }
    case TExprNodeClass::Const:
      break;
  }
  return false;
}

Variant TExpressionParser::Evaluate() { return EvaluateNode(Root()); }

bool TExpressionParser::BooleanResult() { return Truth(Root()); }

// AND, OR, LIKE and the comparisons give a Boolean of their own: asked for their truth, they
// answer without a variant made per record and converted back.
bool TExpressionParser::Truth(const TExprNode& node) {
  if (node.NodeClass() == TExprNodeClass::Binary) {
    const auto& binary = static_cast<const TBinaryNode&>(node);
    if (GivesTruth(binary.Operator())) return BinaryHolds(binary);
  }
  return EvaluateNode(node).AsBoolean();
}

bool TExpressionParser::GivesTruth(TExprOperator op) {
  switch (op) {
    case TExprOperator::In:
    case TExprOperator::Add:
    case TExprOperator::Subtract:
    case TExprOperator::Multiply:
    case TExprOperator::Divide:
      return false;
    default:
      return true;
  }
}

TField* TExpressionParser::GetField(const AnsiString& name) {
  const auto cached = fFieldCache.find(name);
  if (cached != fFieldCache.end()) return cached->second;
  TField* field = DataSet()->FieldByName(name);
  fFieldCache.emplace(name, field);
  return field;
}

const TExpressionParser::TNodeField& TExpressionParser::NodeField(const TFieldNode& node) {
  // Ordered by node: a filter names few fields, and a search over a few adjacent entries
  // costs less per record than hashing.
  const auto at = std::lower_bound(fNodeFields.begin(), fNodeFields.end(), &node,
                                   [](const TNodeField& entry, const TFieldNode* key) { return std::less<>{}(entry.Node, key); });
  if (at != fNodeFields.end() && at->Node == &node) return *at;
  TField* field = GetField(node.FieldName());
  return *fNodeFields.insert(at, {&node, field, TStoredValueReader::For(DataSet(), field)});
}

std::string_view TExpressionParser::TextOf(const TExprNode& node, AnsiString& scratch) {
  if (node.NodeClass() == TExprNodeClass::Field) {
    const TNodeField& entry = NodeField(static_cast<const TFieldNode&>(node));
    if (entry.Stored.Kind() == TStoredValueReader::TKind::Text && entry.Stored.Record() != nullptr)
      return entry.Stored.Text();
    // A null text field reads as an empty text, as a Null variant's text is.
    const TFieldType type = entry.Field->DataType();
    if (type == ftString || type == ftFixedChar) return scratch = entry.Field->AsString();
  }
  if (node.NodeClass() == TExprNodeClass::Const && static_cast<const TConstNode&>(node).DataType() == ftString)
    return ConstantText(static_cast<const TConstNode&>(node));
  Variant value;
  return scratch = VarToStr(ValueOf(node, value));
}

const AnsiString& TExpressionParser::ConstantText(const TConstNode& node) {
  for (const auto& [constant, text] : fConstantTexts)
    if (constant == &node) return text;
  return fConstantTexts.emplace_back(&node, VarToStr(node.Value())).second;
}

bool TExpressionParser::DateTimeOperand(const TExprNode& node, std::optional<TDateTime>& value) {
  if (node.NodeClass() == TExprNodeClass::Const) {
    const Variant& constant = static_cast<const TConstNode&>(node).Value();
    if (VarType(constant) != varDate) return false;
    value = VarToDateTime(constant);
    return true;
  }
  if (node.NodeClass() != TExprNodeClass::Field) return false;
  const TStoredValueReader& stored = NodeField(static_cast<const TFieldNode&>(node)).Stored;
  const Byte* record = stored.Kind() == TStoredValueReader::TKind::DateTime ? stored.Record() : nullptr;
  if (record == nullptr) return false;
  TDateTime read = 0;
  value = stored.DateTime(record, read) ? std::optional<TDateTime>(read) : std::nullopt;
  return true;
}

// As the variant comparison of two date variants: a null equals a null and differs from
// any date; two dates compare as numbers.
bool TExpressionParser::CompareDateTimes(const TExprNode& left, const TExprNode& right,
                                         TVariantRelationship& relation) {
  std::optional<TDateTime> x, y;
  if (!DateTimeOperand(left, x) || !DateTimeOperand(right, y)) return false;
  if (!x || !y)
    relation = !x && !y ? vrEqual : vrNotEqual;
  else
    relation = *x == *y ? vrEqual : *x < *y ? vrLessThan : vrGreaterThan;
  return true;
}

const Variant& TExpressionParser::ValueOf(const TExprNode& node, Variant& scratch) {
  if (node.NodeClass() == TExprNodeClass::Const) return static_cast<const TConstNode&>(node).Value();
  scratch = EvaluateNode(node);
  return scratch;
}

Variant TExpressionParser::EvaluateNode(const TExprNode& node) {
  switch (node.NodeClass()) {
    case TExprNodeClass::Unary:
      return EvaluateUnary(static_cast<const TUnaryNode&>(node));
    case TExprNodeClass::Binary:
      return EvaluateBinary(static_cast<const TBinaryNode&>(node));
    case TExprNodeClass::Compare:
      return EvaluateCompare(static_cast<const TCompareNode&>(node));
    case TExprNodeClass::Field:
      return FieldOf(static_cast<const TFieldNode&>(node))->Value();
    case TExprNodeClass::Const:
      return static_cast<const TConstNode&>(node).Value();
    case TExprNodeClass::Function:
      return EvaluateFunction(static_cast<const TFunctionNode&>(node));
    case TExprNodeClass::List:
      break;
  }
  // A list is an operand of IN or a function's arguments, never a value of its own.
  Incorrect();
}

Variant TExpressionParser::EvaluateUnary(const TUnaryNode& node) {
  const Variant value = EvaluateNode(node.Operand());
  switch (node.Operator()) {
    case TExprOperator::IsBlank:
      return Variant(VarIsNull(value) || VarIsEmpty(value));
    case TExprOperator::NotBlank:
      return Variant(!VarIsNull(value) && !VarIsEmpty(value));
    case TExprOperator::Not:
      return Variant(!value.AsBoolean());
    case TExprOperator::Negate:
      return -value;
    case TExprOperator::Upper:
      return Variant(AnsiUpperCase(VarToStr(value)));
    case TExprOperator::Lower:
      return Variant(AnsiLowerCase(VarToStr(value)));
    default:
      return Variant();
  }
}

Variant TExpressionParser::EvaluateBinary(const TBinaryNode& node) {
  const TExprOperator op = node.Operator();
  if (GivesTruth(op)) return Variant(BinaryHolds(node));
  const Variant left = EvaluateNode(node.Left());
  if (op == TExprOperator::In) return EvaluateIn(left, node.Right());
  const Variant right = EvaluateNode(node.Right());
  switch (op) {
    case TExprOperator::Add:
      return left + right;
    case TExprOperator::Subtract:
      return left - right;
    case TExprOperator::Multiply:
      return left * right;
    default:
      return left / right;
  }
}

bool TExpressionParser::BinaryHolds(const TBinaryNode& node) {
  const TExprOperator op = node.Operator();
  // The second operand of AND and OR is evaluated only when it decides.
  if (op == TExprOperator::And) return Truth(node.Left()) && Truth(node.Right());
  if (op == TExprOperator::Or) return Truth(node.Left()) || Truth(node.Right());
  if (op == TExprOperator::Like) {
    AnsiString leftScratch, rightScratch;
    const std::string_view text = TextOf(node.Left(), leftScratch);
    return Like(text, TextOf(node.Right(), rightScratch));
  }
  if (TVariantRelationship relation = vrEqual; CompareDateTimes(node.Left(), node.Right(), relation))
    return ComparisonHolds(op, relation);
  Variant leftScratch, rightScratch;
  const Variant& left = ValueOf(node.Left(), leftScratch);
  return ComparisonHolds(op, VarCompareValue(left, ValueOf(node.Right(), rightScratch)));
}

Variant TExpressionParser::EvaluateIn(const Variant& value, const TExprNode& list) {
  if (list.NodeClass() != TExprNodeClass::List) Incorrect();
  const std::vector<Variant> values = ListValues(static_cast<const TListNode&>(list));
  if (values.size() < 2) return Variant(Same(value, Variant(values.empty() ? AnsiString() : VarToStr(values[0]))));
  for (const Variant& listed : values) {
    if (VarIsEmpty(listed)) break;
    if (Same(value, listed)) return Variant(true);
  }
  return Variant(false);
}

std::vector<Variant> TExpressionParser::ListValues(const TListNode& node) {
  std::vector<Variant> values;
  for (const TExprNodePtr& item : node.Items()) AppendValue(EvaluateNode(*item), values);
  return values;
}

Variant TExpressionParser::EvaluateCompare(const TCompareNode& node) {
  const TExprOperator op = node.Operator();
  if (op != TExprOperator::Equal && op != TExprOperator::NotEqual && op != TExprOperator::Like) Incorrect();
  Variant left = EvaluateNode(node.Left());
  Variant right = EvaluateNode(node.Right());
  const bool leftNull = VarIsNull(left), rightNull = VarIsNull(right);
  if (leftNull != rightNull) return Variant(op == TExprOperator::NotEqual);
  if (leftNull) return Variant(op != TExprOperator::NotEqual);
  if (node.CaseInsensitive()) {
    left = Variant(AnsiUpperCase(VarToStr(left)));
    right = Variant(AnsiUpperCase(VarToStr(right)));
  }
  if (op == TExprOperator::Like) return Variant(Like(VarToStr(left), VarToStr(right)));
  if (node.PartialLength() > 0) {
    const auto length = static_cast<std::size_t>(node.PartialLength());
    left = Variant(VarToStr(left).substr(0, length));
    right = Variant(VarToStr(right).substr(0, length));
  }
  return Variant(Same(left, right) == (op == TExprOperator::Equal));
}

bool TExpressionParser::Like(std::string_view text, std::string_view pattern) const {
  if (fLikeMatch == nullptr) Incorrect();
  return fLikeMatch(text, pattern);
}

std::vector<Variant> TExpressionParser::ArgumentValues(const TFunctionNode& node) {
  const TExprNode* argument = node.Argument();
  if (argument == nullptr) return {};
  if (argument->NodeClass() == TExprNodeClass::List) return ListValues(static_cast<const TListNode&>(*argument));
  std::vector<Variant> values;
  AppendValue(EvaluateNode(*argument), values);
  return values;
}

Variant TExpressionParser::EvaluateFunction(const TFunctionNode& node) {
  const AnsiString name = UpperCase(node.Name());
  if (name == "GETDATE") return VarFromDateTime(Now());
  const bool dateParts =
      name == "YEAR" || name == "MONTH" || name == "DAY" || name == "HOUR" || name == "MINUTE" || name == "SECOND";
  const bool known = dateParts || name == "DATE" || name == "TRIM" || name == "TRIMLEFT" || name == "TRIMRIGHT" ||
                     name == "SUBSTRING";
  if (!known) DatabaseErrorFmt(SExprExpected, {node.Name()});
  std::vector<Variant> arguments = ArgumentValues(node);
  const Variant first = arguments.empty() ? Variant() : arguments.front();
  if (dateParts) {
    Word year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    const TDateTime value = VarToDateTime(first);
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    const Word part = name == "YEAR"     ? year
                      : name == "MONTH"  ? month
                      : name == "DAY"    ? day
                      : name == "HOUR"   ? hour
                      : name == "MINUTE" ? minute
                                         : second;
    return Variant(Integer{part});
  }
  if (name == "DATE") {
    // Through the variant conversion, which refuses a day number beyond the integer range.
    if (arguments.size() < 2) return Variant(Variant(std::trunc(VarToDateTime(first))).AsInteger());
    if (fDateFromText == nullptr) Incorrect();
    return VarFromDateTime(fDateFromText(VarToStr(arguments[1]), VarToStr(first)));
  }
  if (name == "TRIM") return Variant(FastTrim(VarToStr(first)));
  if (name == "TRIMLEFT") return Variant(TrimLeft(VarToStr(first)));
  if (name == "TRIMRIGHT") return Variant(TrimRight(VarToStr(first)));
  return Substring(arguments);
}

// SUBSTRING(text, start [, count]) or SUBSTRING(text, 'start,count'); without a count the
// text runs to its end.
Variant TExpressionParser::Substring(const std::vector<Variant>& arguments) {
  const AnsiString text = arguments.empty() ? AnsiString() : VarToStr(arguments[0]);
  const Variant second = arguments.size() > 1 ? arguments[1] : Variant();
  const auto length = static_cast<Int64>(text.size());
  Int64 start = 0;
  Int64 count = length;
  if (IsNumber(second)) {
    start = second.AsInt64();
    if (arguments.size() > 2) count = arguments[2].AsInt64();
  } else {
    const AnsiString startAndCount = VarToStr(second);
    const int comma = Pos(",", startAndCount);
    if (comma == 0) DatabaseErrorFmt(SExprExpected, {startAndCount});
    start = StrToInt(Copy(startAndCount, 1, comma - 1));
    count = StrToInt(Copy(startAndCount, comma + 1, MaxCountTextLength));
  }
  start = std::max<Int64>(start, 1);
  if (start > length || count < 1) return Variant(AnsiString());
  return Variant(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(std::min(count, length - start + 1))));
}

}  // namespace ordvane
