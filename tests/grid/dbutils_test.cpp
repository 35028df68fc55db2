// The filter-cell parser, the value classes of field types, the condition texts of long
// value lists and the features registry.

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/SysUtils.h"
#include "grid/DbUtilsEh.h"
#include "tests/support/MemDataSet.h"

namespace ordvane {
namespace {

TSTFilterExpressionEh Parse(const AnsiString& text, TSTOperandTypeEh type = botString) {
  TSTFilterExpressionEh expression;
  expression.ExpressionType = type;
  ParseFilterExpression(text, expression);
  return expression;
}

std::vector<AnsiString> Items(const Variant& operand) {
  std::vector<AnsiString> items;
  if (!VarIsArray(operand)) return {VarToStr(operand)};
  for (Integer i = VarArrayLowBound(operand, 1); i <= VarArrayHighBound(operand, 1); ++i)
    items.push_back(VarToStr(VarArrayGet(operand, {i})));
  return items;
}

AnsiString ParseError(const AnsiString& text, TSTOperandTypeEh type = botString) {
  try {
    Parse(text, type);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(parsed)";
}

// Sets the process-wide decimal separator for one test and puts it back.
class DecimalSeparatorScope {
 public:
  explicit DecimalSeparatorScope(char separator) : fSaved(FormatSettings().DecimalSeparator) {
    FormatSettings().DecimalSeparator = separator;
  }
  ~DecimalSeparatorScope() { FormatSettings().DecimalSeparator = fSaved; }

 private:
  char fSaved;
};

TEST(FilterParser, ExamplesOfATextColumn) {
  auto e = Parse("abc");
  EXPECT_EQ(e.Operator1, foLike);
  EXPECT_EQ(VarToStr(e.Operand1), "abc");
  EXPECT_EQ(e.Relation, foNon);
  EXPECT_EQ(e.ExpressionType, botString);

  e = Parse("=Null");
  EXPECT_EQ(e.Operator1, foNull);
  EXPECT_TRUE(VarIsNull(e.Operand1));
  EXPECT_EQ(Parse("<>Null").Operator1, foNotNull);

  e = Parse("a,b");
  EXPECT_EQ(e.Operator1, foIn);
  EXPECT_EQ(Items(e.Operand1), (std::vector<AnsiString>{"a", "b"}));

  e = Parse(">=10 and <20");
  EXPECT_EQ(e.Operator1, foGreaterOrEqual);
  EXPECT_EQ(VarToStr(e.Operand1), "10");
  EXPECT_EQ(e.Relation, foAND);
  EXPECT_EQ(e.Operator2, foLessThan);
  EXPECT_EQ(VarToStr(e.Operand2), "20");

  // The blank after the comma belongs to the second value.
  e = Parse("in (x, y)");
  EXPECT_EQ(e.Operator1, foIn);
  EXPECT_EQ(Items(e.Operand1), (std::vector<AnsiString>{"x", " y"}));

  e = Parse("not like 'ab'");
  EXPECT_EQ(e.Operator1, foNotLike);
  EXPECT_EQ(VarToStr(e.Operand1), "ab");
}

TEST(FilterParser, ValuesKeepTheirBlanksQuotesAndCharacters) {
  // Two words are one value; a quote inside an unquoted value is a character.
  EXPECT_EQ(VarToStr(Parse("Ivan Petrenko").Operand1), "Ivan Petrenko");
  auto e = Parse("x'or'1'='1");
  EXPECT_EQ(e.Operator1, foLike);
  EXPECT_EQ(VarToStr(e.Operand1), "x'or'1'='1");
  // A quoted value ends at the next quote: a doubled quote is no escape.
  EXPECT_EQ(ParseError("'O''Brien'"), "Unexpected AND or OR: 'O''Brien'");
  EXPECT_EQ(VarToStr(Parse("='x y'").Operand1), "x y");
  // Bytes from 128 up are word characters.
  const AnsiString cyrillic = Utf8ToAnsi("Ів%");
  EXPECT_EQ(VarToStr(Parse(cyrillic).Operand1), cyrillic);
  // Blanks and control characters around the text go.
  EXPECT_EQ(VarToStr(Parse(" \t abc \r\n").Operand1), "abc");
  EXPECT_EQ(Parse("   ").Operator1, foNon);
  // The operator before a value stops an unquoted value at the blank before it.
  e = Parse("a b or c d");
  EXPECT_EQ(VarToStr(e.Operand1), "a b");
  EXPECT_EQ(e.Relation, foOR);
  EXPECT_EQ(VarToStr(e.Operand2), "c d");
}

TEST(FilterParser, KeywordsAndSymbolsInEitherFormAndAnyCase) {
  for (const char* text :
       {"not like 'x'", "NOT LIKE 'x'", "Not Like 'x'", "nOt lIkE 'x'", "!~'x'", "! ~ 'x'"})
    EXPECT_EQ(Parse(text).Operator1, foNotLike) << text;
  for (const char* text : {"~x", "like x", "LIKE x", "Like x"})
    EXPECT_EQ(Parse(text).Operator1, foLike) << text;
  for (const char* text : {"in (a,b)", "IN (a,b)", "In(a,b)"}) EXPECT_EQ(Parse(text).Operator1, foIn) << text;
  for (const char* text : {"not in (a,b)", "NOT IN (a,b)", "!in (a,b)"})
    EXPECT_EQ(Parse(text).Operator1, foNotIn) << text;
  for (const char* text : {"=null", "=NULL", "= Null"}) EXPECT_EQ(Parse(text).Operator1, foNull) << text;
  for (const char* text : {"<>null", "!=NULL"}) EXPECT_EQ(Parse(text).Operator1, foNotNull) << text;
  for (const char* text : {"=1 and =2", "=1 AND =2", "=1 And =2", "=1 & =2"})
    EXPECT_EQ(Parse(text).Relation, foAND) << text;
  for (const char* text : {"=1 or =2", "=1 OR =2", "=1 Or =2", "=1 | =2"})
    EXPECT_EQ(Parse(text).Relation, foOR) << text;
  const std::pair<const char*, TSTFilterOperatorEh> symbols[] = {
      {"=1", foEqual},    {"<>1", foNotEqual},       {"!=1", foNotEqual},   {">1", foGreaterThan},
      {"<1", foLessThan}, {">=1", foGreaterOrEqual}, {"<=1", foLessOrEqual}};
  for (const auto& [text, op] : symbols) {
    const auto e = Parse(text);
    EXPECT_EQ(e.Operator1, op) << text;
    EXPECT_EQ(VarToStr(e.Operand1), "1") << text;
  }
  // A word that only begins like a keyword is a value.
  EXPECT_EQ(VarToStr(Parse("Ornament").Operand1), "Ornament");
  EXPECT_EQ(VarToStr(Parse("Nullable").Operand1), "Nullable");
}

TEST(FilterParser, EveryErrorTextIsTheMessageAndTheWholeText) {
  EXPECT_EQ(ParseError("'abc"), "Quote is absent: 'abc");
  EXPECT_EQ(ParseError("in 1,2"), "'(' expected: in 1,2");
  EXPECT_EQ(ParseError("in (1,2"), "')' expected: in (1,2");
  EXPECT_EQ(ParseError("=1 xor =2"), "Unexpected AND or OR: =1 xor =2");
  EXPECT_EQ(ParseError(">Null"), "Unexpected expression before Null: >Null");
  EXPECT_EQ(ParseError("= <"), "Unexpected expression after operator: = <");
  EXPECT_EQ(ParseError("="), "Unexpected expression after operator: =");
  EXPECT_EQ(ParseError(">=1 and"), "Error in expression: >=1 and");
  EXPECT_EQ(ParseError("(a"), "Error in expression: (a");
  EXPECT_EQ(ParseError("a )"), "Incorrect expression: a )");
  // The text in the message is the trimmed text.
  EXPECT_EQ(ParseError("  'abc  "), "Quote is absent: 'abc");
  // A join word cannot open a condition: it would reach SQL as a condition of its own.
  EXPECT_EQ(ParseError("and x"), "Error in expression: and x");
  EXPECT_EQ(ParseError("=1 or | 2"), "Error in expression: =1 or | 2");
  // A comma list follows IN only.
  EXPECT_EQ(ParseError("=a,b"), "Unexpected expression after operator: =a,b");
  EXPECT_EQ(ParseError("=1 or >a,b"), "Unexpected expression after operator: =1 or >a,b");
  // After the second condition nothing more is read.
  EXPECT_EQ(Parse("=1 or in (2,3").Operator2, foIn);
}

TEST(FilterParser, NumbersReadWithTheLocaleSeparator) {
  {
    const DecimalSeparatorScope comma(',');
    auto e = Parse("1,5", botNumber);
    EXPECT_EQ(e.Operator1, foEqual);
    EXPECT_EQ(VarType(e.Operand1), varDouble);
    EXPECT_DOUBLE_EQ(e.Operand1.AsDouble(), 1.5);
    // After IN the comma separates again; the period is no number then.
    e = Parse("in (1, 5)", botNumber);
    EXPECT_EQ(e.Operator1, foIn);
    EXPECT_EQ(Items(e.Operand1), (std::vector<AnsiString>{"1", "5"}));
    EXPECT_THROW(Parse("1.5", botNumber), EConvertError);
  }
  const DecimalSeparatorScope period('.');
  auto e = Parse("1,5", botNumber);
  EXPECT_EQ(e.Operator1, foIn);
  EXPECT_EQ(VarType(VarArrayGet(e.Operand1, {0})), varDouble);
  EXPECT_EQ(Items(e.Operand1), (std::vector<AnsiString>{"1", "5"}));
  e = Parse(">=-2.5 and <1E3", botNumber);
  EXPECT_DOUBLE_EQ(e.Operand1.AsDouble(), -2.5);
  EXPECT_DOUBLE_EQ(e.Operand2.AsDouble(), 1000);
  EXPECT_THROW(Parse("abc", botNumber), EConvertError);
  // Only finite numbers: nothing else could be written as an SQL number.
  for (const char* text : {"=inf", "=nan", "=1e400", "=-INF"})
    EXPECT_THROW(Parse(text, botNumber), EConvertError) << text;
  // Null takes no conversion, and neither does the operand of IS NULL.
  EXPECT_EQ(Parse("=Null", botNumber).Operator1, foNull);
}

TEST(FilterParser, DatesReadWithTheLocaleFormat) {
  auto e = Parse(">=01.01.2000 and <17.11.2023 10:30", botDateTime);
  EXPECT_EQ(VarType(e.Operand1), varDate);
  EXPECT_DOUBLE_EQ(e.Operand1.AsDateTime(), EncodeDate(2000, 1, 1));
  EXPECT_DOUBLE_EQ(e.Operand2.AsDateTime(), EncodeDate(2023, 11, 17) + EncodeTime(10, 30, 0, 0));
  EXPECT_THROW(Parse("=31.02.2023", botDateTime), EConvertError);
  // Other classes keep the text.
  EXPECT_EQ(VarType(Parse("=True", botBoolean).Operand1) & varTypeMask, varString);
}

TEST(FilterParser, ScannerTokensAndPositions) {
  std::size_t pos = 0;
  Variant value;
  const AnsiString text = ">= 10 AND <20";
  EXPECT_EQ(ScanFilterToken(text, pos, true, value), foGreaterOrEqual);
  EXPECT_EQ(pos, 3u);
  EXPECT_EQ(ScanFilterToken(text, pos, true, value), foValue);
  EXPECT_EQ(VarToStr(value), "10");
  // A value stops before the blank that precedes an operator; blanks after an operator go.
  EXPECT_EQ(pos, 5u);
  pos = 6;
  EXPECT_EQ(ScanFilterToken(text, pos, true, value), foAND);
  EXPECT_EQ(pos, 10u);
  EXPECT_EQ(ScanFilterToken(text, pos, true, value), foLessThan);
  EXPECT_EQ(ScanFilterToken(text, pos, true, value), foValue);
  EXPECT_EQ(ScanFilterToken(text, pos, true, value), foNon);
  EXPECT_EQ(pos, text.size());
  pos = 0;
  EXPECT_EQ(ScanFilterToken("a,b", pos, false, value), foValue);
  EXPECT_EQ(VarToStr(value), "a,b");
}

TEST(FilterTables, ValueClassesOfFieldTypes) {
  for (TFieldType t : {ftString, ftMemo, ftFmtMemo, ftFixedChar, ftWideString, ftGuid})
    EXPECT_EQ(STOperandTypeOfFieldType(t), botString) << t;
  for (TFieldType t :
       {ftSmallint, ftInteger, ftWord, ftFloat, ftCurrency, ftBCD, ftAutoInc, ftLargeint, ftFMTBcd})
    EXPECT_EQ(STOperandTypeOfFieldType(t), botNumber) << t;
  for (TFieldType t : {ftDate, ftTime, ftDateTime, ftTimeStamp})
    EXPECT_EQ(STOperandTypeOfFieldType(t), botDateTime);
  EXPECT_EQ(STOperandTypeOfFieldType(ftBoolean), botBoolean);
  for (TFieldType t : {ftBlob, ftGraphic, ftBytes, ftVarBytes, ftADT, ftArray, ftVariant, ftUnknown})
    EXPECT_EQ(STOperandTypeOfFieldType(t), botNon) << t;
}

// ---- Registry

class TFeaturesA : public TDatasetFeaturesEh {
  ORDVANE_CLASS(TFeaturesA, TDatasetFeaturesEh)
};
class TFeaturesB : public TDatasetFeaturesEh {
  ORDVANE_CLASS(TFeaturesB, TDatasetFeaturesEh)
};

class TRegBaseDataSet : public test::TMemDataSet {
  ORDVANE_CLASS(TRegBaseDataSet, test::TMemDataSet)
 public:
  using TMemDataSet::TMemDataSet;
};
class TRegChildDataSet : public TRegBaseDataSet {
  ORDVANE_CLASS(TRegChildDataSet, TRegBaseDataSet)
 public:
  using TRegBaseDataSet::TRegBaseDataSet;
};
class TRegGrandChildDataSet : public TRegChildDataSet {
  ORDVANE_CLASS(TRegGrandChildDataSet, TRegChildDataSet)
 public:
  using TRegChildDataSet::TRegChildDataSet;
};

// The deepest nesting of parentheses in a text.
int NestingOf(const AnsiString& text) {
  int depth = 0, deepest = 0;
  for (const char c : text) {
    depth += c == '(' ? 1 : c == ')' ? -1 : 0;
    deepest = std::max(deepest, depth);
  }
  return deepest;
}

// Long lists of values: the filter parser reads a chain of some thousand conditions
// no longer, nor does the server an IN list of more than 1 500 values.
TEST(FilterBuilders, LongValueListsStayWithinWhatTheirReadersTake) {
  const auto numbers = [](int count) {
    std::vector<Variant> values;
    for (int i = 1; i <= count; ++i) values.emplace_back(static_cast<double>(i));
    return VarArrayOf(values);
  };
  AnsiString local;
  LocalConditionText(foIn, numbers(3), "F", nullptr, nullptr, true, local);
  EXPECT_EQ(local, " ([F] = 1 OR [F] = 2 OR [F] = 3)");
  local.clear();
  LocalConditionText(foIn, numbers(256), "F", nullptr, nullptr, true, local);
  EXPECT_EQ(NestingOf(local), 1) << "a short chain as it was";
  local.clear();
  LocalConditionText(foNotIn, numbers(5000), "F", nullptr, nullptr, true, local);
  EXPECT_LE(NestingOf(local), 6) << "halves in parentheses";
  int conditions = 0;
  for (std::size_t at = local.find("[F] = "); at != AnsiString::npos; at = local.find("[F] = ", at + 1)) ++conditions;
  EXPECT_EQ(conditions, 5000);
  // Five halvings down to chains of 156 and 157, in the parentheses of NOT.
  EXPECT_TRUE(local.ends_with(" OR [F] = 5000))))))")) << local.substr(local.size() - 40);

  AnsiString sql;
  SQLConditionText(foIn, numbers(1500), "F", nullptr, nullptr, false, sql);
  EXPECT_EQ(sql.substr(0, 14), " F IN (1,2,3,4");
  EXPECT_EQ(NestingOf(sql), 1);
  sql.clear();
  SQLConditionText(foNotIn, numbers(3001), "F", nullptr, nullptr, false, sql);
  EXPECT_EQ(sql.substr(0, 16), " ( F NOT IN (1,2");
  EXPECT_NE(sql.find(",1500) AND F NOT IN (1501,"), AnsiString::npos);
  EXPECT_NE(sql.find(",3000) AND F NOT IN (3001))"), AnsiString::npos);
}

TEST(FeaturesRegistry, NearestAncestorWinsAndANameIsReplaced) {
  TRegGrandChildDataSet grandChild(nullptr);
  TRegChildDataSet child(nullptr);
  EXPECT_EQ(GetDatasetFeaturesEh(&grandChild), nullptr);
  EXPECT_EQ(GetDatasetFeaturesEh(nullptr), nullptr);

  RegisterDatasetFeaturesEh<TFeaturesA>(TRegBaseDataSet::StaticClass());
  TDatasetFeaturesEh* base = GetDatasetFeaturesEh(&grandChild);
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base->ClassType(), TFeaturesA::StaticClass());
  EXPECT_EQ(base->DataSetClass(), TRegBaseDataSet::StaticClass());

  RegisterDatasetFeaturesEh<TFeaturesB>(TRegChildDataSet::StaticClass());
  EXPECT_EQ(GetDatasetFeaturesEh(&grandChild)->ClassType(), TFeaturesB::StaticClass());
  EXPECT_EQ(GetDatasetFeaturesEh(&child)->ClassType(), TFeaturesB::StaticClass());

  // The same name again: the entry's object is replaced, the nearer entry still wins.
  RegisterDatasetFeaturesEh<TFeaturesA>(TRegChildDataSet::StaticClass());
  EXPECT_EQ(GetDatasetFeaturesEh(&child)->ClassType(), TFeaturesA::StaticClass());
  EXPECT_NE(GetDatasetFeaturesEh(&child), base);
  // A nil class files nothing.
  RegisterDatasetFeaturesEh<TFeaturesB>(nullptr);
  EXPECT_EQ(GetDatasetFeaturesEh(&child)->ClassType(), TFeaturesA::StaticClass());
}

}  // namespace
}  // namespace ordvane
