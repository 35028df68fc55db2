#pragma once
// The datasets' own evaluator of a client filter: TExpressionParser parses the Filter text
// with the class library's parser and walks the tree against its dataset's current record
// by the datasets' rules, which differ from the class library's evaluator:
//
// - =, <>, <, >, <=, >= compare by the variant comparison (Null equals Null and differs
//   from anything else). Compare nodes (case-insensitive or partial) are true for = and
//   LIKE when both sides are null, true for <> when one side is; otherwise they compare the
//   texts, upper-cased by the 8-bit case rules when case-insensitive, cut to the partial
//   length for = and <>.
// - NOT, AND and OR convert their operands to Boolean by the variant conversion (a Null
//   raises); AND and OR evaluate their second operand only when it decides.
// - LIKE matches the texts through the LikeMatch routine ('%' any run, '_' one character).
// - IN compares with each listed value in turn (any number of them; an array value in the
//   list counts as its elements); a list of one value compares with that value as text.
// - Functions, names in any case: YEAR, MONTH, DAY, HOUR, MINUTE, SECOND, GETDATE,
//   DATE(value) (the whole day number), DATE(format, text) (the text read by DateFromText),
//   UPPER, LOWER, TRIM, TRIMLEFT, TRIMRIGHT, SUBSTRING(text, start [, count]) or
//   SUBSTRING(text, 'start,count'). Any other name, TIME included, raises
//   "Expression expected but %s found" when it is evaluated.
//
// Errors are EDatabaseError ("Incorrectly formed filter expression", "Expression expected
// but %s found"); the variant conversions raise their own errors, unchanged.

#include <deque>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "classlib/db/FilterExpr.h"
#include "datasets/FIBStoredValues.h"

namespace ordvane {

class TField;

// (text, pattern): whether the text matches the pattern.
using TLikeMatchFunc = bool (*)(std::string_view text, std::string_view pattern);
// (text, short date format): the date the text gives in that format.
using TDateFromTextFunc = TDateTime (*)(const AnsiString& text, const AnsiString& dateFormat);

class TExpressionParser : public TExprParser {
 public:
  // Parses at once. An error of the parse keeps its class and gets the message prefixed
  // with "Can't parse Filter for:\r\n". likeMatch and dateFromText may be nullptr: LIKE and
  // DATE(format, text) then raise when evaluated.
  TExpressionParser(TDataSet* dataSet, const AnsiString& filterText, TLikeMatchFunc likeMatch,
                    TDateFromTextFunc dateFromText, TFilterOptions options, TExprParserOptions parserOptions = {});

  const AnsiString& FilterText() const { return fFilterText; }
  // The value of the expression for the dataset's current record.
  Variant Evaluate();
  // That value as a Boolean by the variant conversion (a Null raises).
  bool BooleanResult();
  // The field of the name, remembered after the dataset's FieldByName found it once.
  TField* GetField(const AnsiString& name);
  // Forgets the remembered fields and where their values lie; the dataset calls it before
  // its fields die and when its record layout changes.
  void ResetFields() {
    fFieldCache.clear();
    fNodeFields.clear();
  }
  // Whether the expression names a calculated field: such a record's calculated values
  // are computed before it is tested.
  bool UsesCalculatedFields() const { return fUsesCalculatedFields; }

 private:
  Variant EvaluateNode(const TExprNode& node);
  Variant EvaluateUnary(const TUnaryNode& node);
  Variant EvaluateBinary(const TBinaryNode& node);
  // The truth of a node by the variant conversion (a Null raises).
  bool Truth(const TExprNode& node);
  // Whether a binary operator's result is a Boolean.
  static bool GivesTruth(TExprOperator op);
  // The truth of AND, OR, LIKE or a comparison.
  bool BinaryHolds(const TBinaryNode& node);
  Variant EvaluateCompare(const TCompareNode& node);
  // A field node's field and how its value is read in place.
  struct TNodeField {
    const TFieldNode* Node;
    TField* Field;
    TStoredValueReader Stored;
  };
  // By the node, which costs less per record than by name.
  const TNodeField& NodeField(const TFieldNode& node);
  TField* FieldOf(const TFieldNode& node) { return NodeField(node).Field; }
  // A value as text, in place where it can be, else in the scratch; a text field's without
  // a detour through a variant.
  std::string_view TextOf(const TExprNode& node, AnsiString& scratch);
  // A text constant's text, made once.
  const AnsiString& ConstantText(const TConstNode& node);
  // The relation of two date-time operands, each a date constant or a field read in place,
  // by the variant comparison's rules; false when either operand is neither.
  bool CompareDateTimes(const TExprNode& left, const TExprNode& right, TVariantRelationship& relation);
  // Such an operand's value (none when null); false when the node is neither.
  bool DateTimeOperand(const TExprNode& node, std::optional<TDateTime>& value);
  // A node's value: a constant's own, any other evaluated into the scratch.
  const Variant& ValueOf(const TExprNode& node, Variant& scratch);
  Variant EvaluateFunction(const TFunctionNode& node);
  Variant EvaluateIn(const Variant& value, const TExprNode& list);
  // The list's values in order, an array value spread into its elements up to the first
  // empty one.
  std::vector<Variant> ListValues(const TListNode& node);
  // A function's argument values: a list's values, or the one argument's (an array spread).
  std::vector<Variant> ArgumentValues(const TFunctionNode& node);
  bool Like(std::string_view text, std::string_view pattern) const;
  static Variant Substring(const std::vector<Variant>& arguments);
  bool NamesCalculatedField(const TExprNode& node);

  AnsiString fFilterText;
  TLikeMatchFunc fLikeMatch;
  TDateFromTextFunc fDateFromText;
  std::unordered_map<AnsiString, TField*> fFieldCache;
  std::vector<TNodeField> fNodeFields;
  // A deque: a text handed out stays where it is while later ones are added.
  std::deque<std::pair<const TConstNode*, AnsiString>> fConstantTexts;
  bool fUsesCalculatedFields = false;
};

}  // namespace ordvane
