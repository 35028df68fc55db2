// The text a user types into a grid's filter row. Any bytes must end the parse with an
// expression or the parser's own error (a conversion error for a typed column), and
// every expression must build into local and SQL conditions whose text literals are
// closed: a value never runs out of its quotes into the statement.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "classlib/core/SysUtils.h"
#include "grid/DbUtilsEh.h"

using namespace ordvane;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Whether every literal opened by an apostrophe is closed ('' inside stands for one).
bool LiteralsClosed(const AnsiString& text) {
  bool inLiteral = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\'') continue;
    if (inLiteral && i + 1 < text.size() && text[i + 1] == '\'')
      ++i;
    else
      inLiteral = !inLiteral;
  }
  return !inLiteral;
}

void BuildBoth(TSTFilterOperatorEh op, const Variant& operand) {
  if (op == foNon) return;
  AnsiString local, sql;
  LocalConditionText(op, operand, "F", nullptr, nullptr, true, local);
  SQLConditionText(op, operand, "F", nullptr, nullptr, false, sql);
  Require(LiteralsClosed(local));
  Require(LiteralsClosed(sql));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the column's value class, the rest is the typed text.
  TSTFilterExpressionEh expression;
  expression.ExpressionType = static_cast<TSTOperandTypeEh>(data[0] % 5);
  const AnsiString text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    ParseFilterExpression(text, expression);
  } catch (const Exception&) {
    return 0;
  }
  Require(expression.Relation == foNon || expression.Relation == foAND || expression.Relation == foOR);
  BuildBoth(expression.Operator1, expression.Operand1);
  BuildBoth(expression.Operator2, expression.Operand2);
  return 0;
}
