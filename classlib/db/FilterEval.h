#pragma once
// The class library's evaluator of a filter tree over a dataset's current record (the
// record that the dataset's state selects: a dataset testing a record for its filter
// switches to dsFilter first).
//
// Rules: a field gives its value (Null when null). A comparison, LIKE or IN with a Null
// operand is false; IS NULL is true for Null. NOT, AND and OR work on Booleans, Null
// counting as false; AND and OR evaluate their second operand only when it matters.
// Arithmetic and the sign follow the variant rules (Null in, Null out); values of
// different types compare by the variant comparison (a text against a number is read as a
// number, two texts by the locale's order). Compare nodes compare the texts: upper-cased
// by the locale's rule when case-insensitive, cut to the partial length when they have
// one (not for LIKE). LIKE matches '%' with any run of characters and '_' with one.
//
// Functions (a Null argument gives Null): UPPER, LOWER, TRIM, TRIMLEFT, TRIMRIGHT on the
// text; YEAR, MONTH, DAY, HOUR, MINUTE, SECOND of a date-time; GETDATE the current date
// and time; DATE the date part, or DATE(format, text) the text read by that short date
// format; TIME the time part; SUBSTRING(text, start [, count]) from the 1-based start (a
// start below 1 counts as 1), empty past the end or for a count below 1.

#include <map>

#include "classlib/db/FilterExpr.h"

namespace ordvane {

class TField;

bool LikeMatch(const AnsiString& text, const AnsiString& pattern, bool caseInsensitive);

class TExprEvaluator {
 public:
  // The parser must outlive the evaluator.
  TExprEvaluator(TDataSet* dataSet, const TExprParser& parser);

  Variant Evaluate();
  // The value as a Boolean: Null is false; a value that is no Boolean raises the variant
  // conversion error.
  bool Accepts();

 private:
  Variant Eval(const TExprNode& node);
  Variant EvalUnary(const TUnaryNode& node);
  Variant EvalBinary(const TBinaryNode& node);
  Variant EvalCompare(const TCompareNode& node);
  Variant EvalFunction(const TFunctionNode& node);
  bool Truth(const TExprNode& node);
  TField* FieldOf(const TFieldNode& node);

  TDataSet* fDataSet;
  const TExprParser& fParser;
  std::map<AnsiString, TField*> fFields;
};

}  // namespace ordvane
