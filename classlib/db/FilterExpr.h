#pragma once
// The filter parser: the text of a dataset's Filter becomes a tree of nodes that an
// evaluator walks for each record (FilterEval.h has the class library's own evaluator;
// a dataset may bring another one over the same tree).
//
// Grammar, lowest precedence first (keywords in any case):
//
//   expression  := term { OR term }
//   term        := factor { AND factor }
//   factor      := NOT factor | comparison
//   comparison  := sum [ ( = | <> | < | > | <= | >= ) sum
//                      | [ NOT ] LIKE sum
//                      | IN ( expression { , expression } )
//                      | IS [ NOT ] NULL ]
//   sum         := product { ( + | - ) product }
//   product     := signed { ( * | / ) signed }
//   signed      := - signed | primary
//   primary     := number | 'text' | field | function ( [ arguments ] ) | ( expression )
//
// A field is a name (letters, digits, '_' and any byte from 128 up, not starting with a
// digit) or any text in [ ]. Text constants are in single quotes, '' standing for one
// quote. Numbers are digits with an optional '.' and decimals. Functions: UPPER, LOWER,
// TRIM, TRIMLEFT, TRIMRIGHT, YEAR, MONTH, DAY, HOUR, MINUTE, SECOND, DATE and TIME with one
// argument, SUBSTRING with two or three, DATE also with two (format, text), GETDATE with
// none.
//
// Node classes and operators carry stable numbers (the values below), so an evaluator may
// switch on them.
//
// Comparisons: a text constant compared with (or listed in IN for) a date, time or
// date-time field becomes a constant of that type, read with the process-wide format
// settings. An =, <> or LIKE that involves text becomes a compare node when the filter
// options ask for case-insensitive comparison, or, for = and <>, when a text constant ends
// in '*' (unless foNoPartialCompare): the '*' goes and the compare node's partial length
// is what remains.
//
// Errors are EDatabaseError: "Incorrectly formed filter expression" for text that does not
// follow the grammar, "Expression expected but %s found" where an operand is missing (the
// token found, or "end of expression") or a function name is unknown, the dataset's
// "Field '%s' not found", "Field '%s' cannot be used in a filter expression" for a
// calculated or lookup field (a calculated one is admitted with epoAdmitCalculatedFields),
// and "Filter expression is too complex" past 128 levels of nesting. A date constant that does not read raises the date parser's EConvertError.

#include <memory>
#include <vector>

#include "classlib/core/Variants.h"
#include "classlib/db/DBTypes.h"

namespace ordvane {

class TDataSet;

enum class TExprNodeClass : Byte { Unary = 1, Binary = 2, Compare = 3, Field = 4, Const = 5, Function = 10, List = 11 };

enum class TExprOperator : Byte {
  IsBlank = 1,
  NotBlank = 2,
  Equal = 3,
  NotEqual = 4,
  Greater = 5,
  Less = 6,
  GreaterOrEqual = 7,
  LessOrEqual = 8,
  Not = 9,
  And = 10,
  Or = 11,
  Field = 13,
  Const = 14,
  Negate = 15,
  Add = 16,
  Subtract = 17,
  Multiply = 18,
  Divide = 19,
  Like = 30,
  In = 31,
  Upper = 33,
  Lower = 34,
  Function = 35,
  ListElement = 36
};

// Whether a comparison operator (=, <>, >, <, >=, <=) holds for two values in that
// relation; any other operator raises "Incorrectly formed filter expression".
bool ComparisonHolds(TExprOperator op, TVariantRelationship relation);

class TExprNode {
 public:
  virtual ~TExprNode() = default;
  TExprNode(const TExprNode&) = delete;
  TExprNode& operator=(const TExprNode&) = delete;

  TExprNodeClass NodeClass() const { return fClass; }
  TExprOperator Operator() const { return fOperator; }

 protected:
  TExprNode(TExprNodeClass nodeClass, TExprOperator op) : fClass(nodeClass), fOperator(op) {}

 private:
  TExprNodeClass fClass;
  TExprOperator fOperator;
};

using TExprNodePtr = std::unique_ptr<TExprNode>;

// IS NULL, IS NOT NULL, NOT, unary minus, UPPER, LOWER.
class TUnaryNode : public TExprNode {
 public:
  TUnaryNode(TExprOperator op, TExprNodePtr operand) : TExprNode(TExprNodeClass::Unary, op), fOperand(std::move(operand)) {}
  const TExprNode& Operand() const { return *fOperand; }

 private:
  TExprNodePtr fOperand;
};

// Comparisons, AND, OR, arithmetic, LIKE, and IN (whose right operand is a list node).
class TBinaryNode : public TExprNode {
 public:
  TBinaryNode(TExprOperator op, TExprNodePtr left, TExprNodePtr right)
      : TBinaryNode(TExprNodeClass::Binary, op, std::move(left), std::move(right)) {}
  const TExprNode& Left() const { return *fLeft; }
  const TExprNode& Right() const { return *fRight; }

 protected:
  TBinaryNode(TExprNodeClass nodeClass, TExprOperator op, TExprNodePtr left, TExprNodePtr right)
      : TExprNode(nodeClass, op), fLeft(std::move(left)), fRight(std::move(right)) {}

 private:
  TExprNodePtr fLeft;
  TExprNodePtr fRight;
};

// =, <> or LIKE with the options of the filter.
class TCompareNode : public TBinaryNode {
 public:
  TCompareNode(TExprOperator op, TExprNodePtr left, TExprNodePtr right, bool caseInsensitive, int partialLength)
      : TBinaryNode(TExprNodeClass::Compare, op, std::move(left), std::move(right)),
        fCaseInsensitive(caseInsensitive),
        fPartialLength(partialLength) {}
  bool CaseInsensitive() const { return fCaseInsensitive; }
  // Characters compared from the start of both texts; 0 for the whole texts.
  int PartialLength() const { return fPartialLength; }

 private:
  bool fCaseInsensitive;
  int fPartialLength;
};

class TFieldNode : public TExprNode {
 public:
  TFieldNode(AnsiString fieldName, TFieldType dataType)
      : TExprNode(TExprNodeClass::Field, TExprOperator::Field), fFieldName(std::move(fieldName)), fDataType(dataType) {}
  const AnsiString& FieldName() const { return fFieldName; }
  TFieldType DataType() const { return fDataType; }

 private:
  AnsiString fFieldName;
  TFieldType fDataType;
};

// A constant: ftString (text), ftInteger, ftLargeint, ftFloat, or ftDate, ftTime,
// ftDateTime (a date variant).
class TConstNode : public TExprNode {
 public:
  TConstNode(TFieldType dataType, Variant value)
      : TExprNode(TExprNodeClass::Const, TExprOperator::Const), fDataType(dataType), fValue(std::move(value)) {}
  TFieldType DataType() const { return fDataType; }
  const Variant& Value() const { return fValue; }

 private:
  TFieldType fDataType;
  Variant fValue;
};

class TListNode : public TExprNode {
 public:
  explicit TListNode(std::vector<TExprNodePtr> items)
      : TExprNode(TExprNodeClass::List, TExprOperator::ListElement), fItems(std::move(items)) {}
  const std::vector<TExprNodePtr>& Items() const { return fItems; }

 private:
  std::vector<TExprNodePtr> fItems;
};

class TFunctionNode : public TExprNode {
 public:
  TFunctionNode(AnsiString name, TExprNodePtr argument)
      : TExprNode(TExprNodeClass::Function, TExprOperator::Function),
        fName(std::move(name)),
        fArgument(std::move(argument)) {}
  // In upper case.
  const AnsiString& Name() const { return fName; }
  // nullptr without arguments; a list node for two or more.
  const TExprNode* Argument() const { return fArgument.get(); }

 private:
  AnsiString fName;
  TExprNodePtr fArgument;
};

// epoAdmitCalculatedFields: calculated fields may be named, for an evaluator that has their
// values computed for each record it tests. Lookup fields stay refused.
enum TExprParserOption { epoAdmitCalculatedFields };
using TExprParserOptions = TSet<TExprParserOption>;

// Parses a filter text against a dataset's fields when it is made.
class TExprParser {
 public:
  TExprParser(TDataSet* dataSet, const AnsiString& text, TFilterOptions options,
              TExprParserOptions parserOptions = {});
  virtual ~TExprParser();
  TExprParser(const TExprParser&) = delete;
  TExprParser& operator=(const TExprParser&) = delete;

  TDataSet* DataSet() const { return fDataSet; }
  const AnsiString& Text() const { return fText; }
  TFilterOptions Options() const { return fOptions; }
  TExprParserOptions ParserOptions() const { return fParserOptions; }
  const TExprNode& Root() const { return *fRoot; }

 private:
  class TParser;
  TDataSet* fDataSet;
  AnsiString fText;
  TFilterOptions fOptions;
  TExprParserOptions fParserOptions;
  TExprNodePtr fRoot;
};

}  // namespace ordvane
