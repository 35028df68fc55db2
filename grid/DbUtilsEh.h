#pragma once
// The parsed text of one filter-row cell, as a column keeps it and the filter builders
// read it.

#include "classlib/core/Variants.h"

namespace ordvane {

// The class of a column's values, chosen by the caller before the text is parsed.
enum TSTOperandTypeEh : Byte { botNon, botString, botNumber, botDateTime, botBoolean };

enum TSTFilterOperatorEh : Byte {
  foNon,
  foEqual,
  foNotEqual,
  foGreaterThan,
  foLessThan,
  foGreaterOrEqual,
  foLessOrEqual,
  foLike,
  foNotLike,
  foIn,
  foNotIn,
  foNull,
  foNotNull,
  foAND,
  foOR,
  foValue,
};

// One or two conditions joined by Relation (foAND, foOR; foNon for one condition). An
// operand is Null, a string, a Double, a date-time, or a Variant array of those for IN.
struct TSTFilterExpressionEh {
  TSTOperandTypeEh ExpressionType = botNon;
  TSTFilterOperatorEh Operator1 = foNon;
  Variant Operand1 = Null();
  TSTFilterOperatorEh Relation = foNon;
  TSTFilterOperatorEh Operator2 = foNon;
  Variant Operand2 = Null();
};

}  // namespace ordvane
