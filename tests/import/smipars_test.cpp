#include <gtest/gtest.h>

#include <map>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateFormat.h"
#include "import/SMIPars.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

// A parser whose unknown names come from a table; every request is recorded.
class ParserTest : public ::testing::Test {
 protected:
  struct Request {
    AnsiString name;
    int argCount;
    bool isChild;
    AnsiString firstArg;
  };

  ParserTest() {
    parser.OnEvaluate = [this](TObject*, const AnsiString& name, const TSMIArguments& args, int argCount,
                               bool isChild, Variant& value, bool&) {
      requests.push_back({name, argCount, isChild, argCount > 0 ? VarToStr(args[0]) : AnsiString()});
      auto found = names.find(name);
      if (found != names.end()) value = found->second;
    };
  }

  Variant Eval(const AnsiString& text) {
    parser.SetText(text);
    return parser.Calculate();
  }
  AnsiString Text(const AnsiString& text) { return VarToStr(Eval(text)); }
  std::string Error(const AnsiString& text) {
    return ErrorOf<Exception>([&] { Eval(text); });
  }

  TSMIParser parser{nullptr};
  std::map<AnsiString, Variant> names;
  std::vector<Request> requests;
};

TEST_F(ParserTest, OperatorsOfOneLevelGroupToTheLeft) {
  EXPECT_EQ(Eval("2*3+4").AsDouble(), 10);
  EXPECT_EQ(Eval("10-3-2").AsDouble(), 5);
  EXPECT_EQ(Eval("(10-3)-2").AsDouble(), 5);
  EXPECT_EQ(Eval("10-(3-2)").AsDouble(), 9);
  EXPECT_EQ(Eval("12/3/2").AsDouble(), 2);
  EXPECT_EQ(Eval("2^3^2").AsDouble(), 64);
  EXPECT_EQ(Eval("10-2+3-1").AsDouble(), 10);
  EXPECT_EQ(Eval("100/10*2").AsDouble(), 20);
  EXPECT_EQ(Eval("1+2*3^2").AsDouble(), 19);
  EXPECT_EQ(Eval("((2))*((3+4))").AsDouble(), 14);
}

TEST_F(ParserTest, SignsFactorialAndNot) {
  EXPECT_EQ(Eval("-2*3").AsDouble(), -6);
  EXPECT_EQ(Eval("2*-3").AsDouble(), -6);
  EXPECT_EQ(Eval("2 - -3").AsDouble(), 5);
  EXPECT_EQ(Eval("+4").AsDouble(), 4);
  EXPECT_EQ(Eval("-(1+2)").AsDouble(), -3);
  EXPECT_EQ(Eval("0!").AsDouble(), 1);
  EXPECT_EQ(Eval("1!").AsDouble(), 1);
  EXPECT_EQ(Eval("5!").AsDouble(), 120);
  EXPECT_EQ(Eval("2.6!").AsDouble(), 6);  // taken to the nearest integer
  EXPECT_EQ(Eval("3!!").AsDouble(), 720);
  EXPECT_EQ(Eval("3!-1").AsDouble(), 5);
  EXPECT_EQ(Error("(0-1)!"), "Invalid floating point operation");
  EXPECT_EQ(Error("171!"), "Floating point overflow");
  EXPECT_TRUE(Eval("NOT (1=2)").AsBoolean());
  EXPECT_FALSE(Eval("NOT NOT (1=2)").AsBoolean());
}

TEST_F(ParserTest, ComparisonsAndLogic) {
  EXPECT_TRUE(Eval("(1+2)=3").AsBoolean());
  EXPECT_TRUE(Eval("1<2").AsBoolean());
  EXPECT_FALSE(Eval("1>2").AsBoolean());
  EXPECT_TRUE(Eval("2<=2").AsBoolean());
  EXPECT_TRUE(Eval("2>=2").AsBoolean());
  EXPECT_TRUE(Eval("1<>2").AsBoolean());
  EXPECT_TRUE(Eval("1!=2").AsBoolean());
  EXPECT_FALSE(Eval("'a'!='a'").AsBoolean());
  EXPECT_TRUE(Eval("(1=1) AND (2=2)").AsBoolean());
  EXPECT_FALSE(Eval("(1=1) and (2=3)").AsBoolean());
  EXPECT_TRUE(Eval("(1=2) Or (2=2)").AsBoolean());
  // Comparisons bind more tightly than arithmetic: 1 + (2 = 2) adds True (-1).
  EXPECT_EQ(Eval("1+2=2").AsDouble(), 0);
}

TEST_F(ParserTest, TextsJoinWithAnything) {
  EXPECT_EQ(Text("'O''Brien'"), "O'Brien");
  EXPECT_EQ(Text("'a'+'b'"), "ab");
  EXPECT_EQ(Text("'Row '+2"), "Row 2");
  EXPECT_EQ(Text("1.5+' kg'"), "1,5 kg");
  names["EMPTY"] = Null();
  EXPECT_EQ(Text("'x'+EMPTY"), "x");
  EXPECT_TRUE(VarIsNull(Eval("1+EMPTY")));
  EXPECT_EQ(Eval("'2'*3").AsDouble(), 6);
  EXPECT_TRUE(VarIsNull(Eval("")));
  EXPECT_TRUE(VarIsNull(Eval("   ")));
}

TEST_F(ParserTest, NamesReachTheEvaluateEventWithoutQuotesOrBrackets) {
  names["First name"] = "Ivan";
  names["Last name"] = "Petrenko";
  EXPECT_EQ(Text("[First name]"), "Ivan");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].name, "First name");
  EXPECT_FALSE(requests[0].isChild);
  EXPECT_EQ(Text("[First name] + ' ' + \"Last name\""), "Ivan Petrenko");
  EXPECT_EQ(requests[1].name, "First name");
  EXPECT_TRUE(requests[1].isChild);
  EXPECT_EQ(requests[2].name, "Last name");
  // Unknown names come back as their own text.
  EXPECT_EQ(Text("[Unknown column]"), "Unknown column");
  EXPECT_EQ(Text("Column_1$#@"), "Column_1$#@");
}

TEST_F(ParserTest, UnknownFunctionsReachTheEventWithTheirArguments) {
  requests.clear();
  names["LOOKUP"] = 7;
  EXPECT_EQ(Eval("LOOKUP('T001', 'ID', 1+1, 'NAME') * 2").AsDouble(), 14);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].argCount, 4);
  EXPECT_EQ(requests[0].firstArg, "T001");
  EXPECT_TRUE(requests[0].isChild);
}

TEST_F(ParserTest, IifEvaluatesOnlyTheChosenBranch) {
  EXPECT_EQ(Eval("IIF(1=1, 2, 1/0)").AsDouble(), 2);
  EXPECT_EQ(Eval("IIF(1=2, 1/0, 3)").AsDouble(), 3);
  requests.clear();
  EXPECT_EQ(Text("IIF(1=1, [Yes], [No])"), "Yes");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].name, "Yes");
  names["NOTHING"] = Null();
  EXPECT_EQ(Text("IIF(NOTHING, 'a', 'b')"), "b");
}

TEST_F(ParserTest, TextFunctions) {
  EXPECT_EQ(Text("SUBSTR('abcdef', 2, 3)"), "bcd");
  EXPECT_EQ(Text("substring('abcdef', 5, 10)"), "ef");
  EXPECT_EQ(Text("Copy('abcdef', 0, 2)"), "ab");
  EXPECT_EQ(Text("REPLACESTR('aXbxcx', 'x', '-', 1, 1)"), "aXb-c-");  // all: case-sensitive
  EXPECT_EQ(Text("REPLACESTR('aXbxcx', 'x', '-', 0, 1)"), "a-bxcx");  // first, any case
  EXPECT_EQ(Text("REPLACESTR('aXbxcx', 'x', '-', 0, 0)"), "aXb-cx");
  EXPECT_EQ(Text("REPLACESTR('aXbx', 'x', '-')"), "aXb-");
  EXPECT_EQ(Text("REPLACESTR('abc', '', '-', 1)"), "abc");
  EXPECT_EQ(Text("PADL('abc', 5, '*')"), "**abc");
  EXPECT_EQ(Text("PADL('abcdef', 3)"), "abc");
  EXPECT_EQ(Text("PADR('ab', 4) + '|'"), "ab  |");
  EXPECT_EQ(Text("PADR('abc', 0)"), "");
  EXPECT_EQ(Text("CHR(65)"), "A");
  EXPECT_EQ(Text(Utf8ToAnsi("UPPER('прізвище Ґ')")), Utf8ToAnsi("ПРІЗВИЩЕ Ґ"));
  EXPECT_EQ(Text(Utf8ToAnsi("LOWER('ЇЖАК')")), Utf8ToAnsi("їжак"));
  EXPECT_EQ(Text("'[' + TRIM('  a b  ') + ']'"), "[a b]");
  EXPECT_EQ(Text("'[' + TRIMLEFT('  a  ') + ']'"), "[a  ]");
  EXPECT_EQ(Text("'[' + TRIMRIGHT('  a  ') + ']'"), "[  a]");
  EXPECT_EQ(Eval("POS('cd', 'abcdef')").AsInteger(), 3);
  EXPECT_EQ(Eval("POS('x', 'abc')").AsInteger(), 0);
  EXPECT_EQ(Eval("LENGTH('abcd')").AsInteger(), 4);
  EXPECT_EQ(Eval("ORD('A')").AsInteger(), 65);
  EXPECT_EQ(Eval("ORD('')").AsInteger(), 0);
  EXPECT_EQ(Error("CHR(256)"), "Range check error");
  EXPECT_EQ(Error("PADL('a', 100000000)"), "Calculate error: text too long.");
  EXPECT_EQ(Error("REPLACESTR(PADL('', 10000000, 'a'), 'a', 'bb', 1)"), "Calculate error: text too long.");
}

TEST_F(ParserTest, ConversionFunctionsUseTheWorkstationFormats) {
  EXPECT_EQ(Eval("STRTOFLOAT('2,5')").AsDouble(), 2.5);
  EXPECT_EQ(Error("STRTOFLOAT('2.5')"), "'2.5' is not a valid floating point value");
  EXPECT_EQ(Eval("STRTOINT('42')").AsInteger(), 42);
  EXPECT_EQ(Text("INTTOSTR(42)"), "42");
  EXPECT_EQ(Text("FLOATTOSTR(2.5)"), "2,5");
  EXPECT_EQ(Text("DATETOSTR(STRTODATE('05.03.2021'))"), "05.03.2021");
  EXPECT_EQ(Eval("STRTODATE('05.03.2021')").AsDouble(), EncodeDate(2021, 3, 5));
}

TEST_F(ParserTest, NumberFunctions) {
  names["NOTHING"] = Null();
  EXPECT_EQ(Eval("MAX(1, 5, 3)").AsDouble(), 5);
  EXPECT_EQ(Eval("MIN(4, NOTHING, 2, 3)").AsDouble(), 2);
  EXPECT_EQ(Eval("SUM(1, 2, NOTHING, 3.5)").AsDouble(), 6.5);
  EXPECT_EQ(Eval("AVG(1, 2, NOTHING, 6)").AsDouble(), 3);
  EXPECT_TRUE(VarIsNull(Eval("AVG(NOTHING)")));
  EXPECT_EQ(Eval("COUNT(1, 'a', NOTHING)").AsInteger(), 3);
  EXPECT_EQ(Eval("COUNT()").AsInteger(), 0);
  EXPECT_EQ(Eval("FRAC(2.75)").AsDouble(), 0.75);
  EXPECT_EQ(Eval("INT(-2.75)").AsDouble(), -2);
  EXPECT_EQ(Eval("ROUND(2.5)").AsInteger(), 2);
  EXPECT_EQ(Eval("ROUND(3.5)").AsInteger(), 4);
  EXPECT_EQ(Eval("ROUND(-2.6)").AsInteger(), -3);
  EXPECT_EQ(Eval("DIV(7, 2)").AsInteger(), 3);
  EXPECT_EQ(Eval("MOD(7, 2)").AsInteger(), 1);
  EXPECT_EQ(Eval("MOD(0-7, 2)").AsInteger(), -1);
  EXPECT_EQ(Error("DIV(1, 0)"), "Division by zero");
  EXPECT_EQ(Eval("ABS(0-2.5)").AsDouble(), 2.5);
  EXPECT_EQ(Eval("EXP(0)").AsDouble(), 1);
  EXPECT_EQ(Eval("LN(1)").AsDouble(), 0);
  EXPECT_EQ(Eval("SQR(3)").AsDouble(), 9);
  EXPECT_EQ(Eval("SQRT(16)").AsDouble(), 4);
  EXPECT_NEAR(Eval("LOG(1000)").AsDouble(), 3, 1e-12);
  EXPECT_EQ(Eval("POWER(2, 10)").AsDouble(), 1024);
  EXPECT_EQ(Eval("PERCENT(200, 15)").AsDouble(), 30);
  EXPECT_EQ(Error("SQRT(0-1)"), "Invalid floating point operation");
  EXPECT_EQ(Error("EXP(1000)"), "Floating point overflow");
  for (int i = 0; i < 50; ++i) {
    const int r = Eval("RANDOM(10)").AsInteger();
    EXPECT_TRUE(r >= 0 && r < 10) << r;
    const double f = Eval("RANDOM()").AsDouble();
    EXPECT_TRUE(f >= 0 && f < 1) << f;
  }
}

TEST_F(ParserTest, NullTests) {
  names["NOTHING"] = Null();
  names["SOMETHING"] = 0;
  EXPECT_TRUE(Eval("ISNULL(NOTHING)").AsBoolean());
  EXPECT_TRUE(Eval("ISNULL('')").AsBoolean());
  EXPECT_FALSE(Eval("ISNULL(SOMETHING)").AsBoolean());
  EXPECT_FALSE(Eval("ISNULL(' ')").AsBoolean());
}

TEST_F(ParserTest, DateFunctions) {
  const TDateTime moment = EncodeDate(2021, 3, 5) + EncodeTime(14, 30, 15, 0);
  names["MOMENT"] = VarFromDateTime(moment);
  EXPECT_EQ(Eval("YEAR(MOMENT)").AsInteger(), 2021);
  EXPECT_EQ(Eval("MONTH(MOMENT)").AsInteger(), 3);
  EXPECT_EQ(Eval("DAY(MOMENT)").AsInteger(), 5);
  EXPECT_EQ(Eval("HOUR(MOMENT)").AsInteger(), 14);
  EXPECT_EQ(Eval("MINUTE(MOMENT)").AsInteger(), 30);
  EXPECT_EQ(Eval("SECOND(MOMENT)").AsInteger(), 15);
  EXPECT_EQ(Eval("DATEPART(MOMENT)").AsDateTime(), EncodeDate(2021, 3, 5));
  EXPECT_NEAR(Eval("TIMEPART(MOMENT)").AsDateTime(), EncodeTime(14, 30, 15, 0), 1e-9);
  EXPECT_EQ(Eval("DATETIMEFROMSTRING(' 05.03.2021 14:30:15 ', 'DD.MM.YYYY HH:NN:SS', 0, 0)").AsDateTime(), moment);
  EXPECT_EQ(Eval("DATETIMEFROMSTRING('2021-03-05', 'YYYY-MM-DD')").AsDateTime(), EncodeDate(2021, 3, 5));
  EXPECT_EQ(Error("YEAR()"), "Function parse error.");

  SetDateTimeClock([moment] { return moment; });
  EXPECT_EQ(Eval("GETDATE").AsDateTime(), moment);
  EXPECT_EQ(Eval("getdate(1, 'x')").AsDateTime(), moment);
  EXPECT_EQ(VarType(Eval("GETDATE")), varDate);
  SetDateTimeClock(nullptr);
}

TEST_F(ParserTest, EveryErrorText) {
  EXPECT_EQ(Error("1 + ?"), "Parse error: illegal character \"?\" at position 5.");
  EXPECT_EQ(Error("1 + 'abc"), "Parse error: illegal character \"'\" at position 5.");
  EXPECT_EQ(Error("[abc"), "Parse error: illegal character \"[\" at position 1.");
  EXPECT_EQ(Error("\"abc"), "Parse error: illegal character \"\"\" at position 1.");
  EXPECT_EQ(Error(Utf8ToAnsi("ціна * 2")), Utf8ToAnsi("Parse error: illegal character \"ц\" at position 1."));
  EXPECT_EQ(Error("(1+2"), "Compile error: parenthesis mismatch.");
  EXPECT_EQ(Error("1+2)"), "Compile error: parenthesis mismatch.");
  EXPECT_EQ(Error("(1+2))*(3"), "Compile error: parenthesis mismatch.");
  EXPECT_EQ(Error("1 2"), "Compile error: syntax fault.");
  EXPECT_EQ(Error("1 +"), "Compile error: syntax fault.");
  EXPECT_EQ(Error("* 2"), "Compile error: syntax fault.");
  EXPECT_EQ(Error("()"), "Compile error: syntax fault.");
  EXPECT_EQ(Error("1, 2"), "Compile error: syntax fault.");
  EXPECT_EQ(Error("F(1,)"), "Compile error: syntax fault.");
  EXPECT_EQ(Error("2 NOT 3"), "Compile error: syntax fault.");
  EXPECT_EQ(Error("! 3"), "Compile error: syntax fault.");
  EXPECT_EQ(Error("UPPER('a')('b')"), "Function parse error.");
  EXPECT_EQ(Error("UPPER('a', 'b')"), "Function parse error.");
  EXPECT_EQ(Error("SUBSTR('a', 1)"), "Function parse error.");
  // Eleven evaluation slots: a twelfth argument is refused, not written past them.
  EXPECT_EQ(Eval("COUNT(1,2,3,4,5,6,7,8,9,10,11)").AsInteger(), 11);
  EXPECT_EQ(Error("COUNT(1,2,3,4,5,6,7,8,9,10,11,12)"), "Function parse error.");
  EXPECT_EQ(Error("F(1,2,3,4,5,6,7,8,9,10,11,12)"), "Function parse error.");
  EXPECT_EQ(Error(AnsiString(300, '(') + "1" + AnsiString(300, ')') + "+" + AnsiString(300, '-') + "1"),
            "Compile error: expression too deeply nested.");
}

TEST_F(ParserTest, CheckingOnlyCompiles) {
  parser.SetText("1/0 + [Column]");
  EXPECT_NO_THROW(parser.CheckSyntax());
  EXPECT_TRUE(requests.empty());
  parser.SetText("1 +");
  EXPECT_EQ(ErrorOf<Exception>([&] { parser.CheckSyntax(); }), "Compile error: syntax fault.");
}

TEST_F(ParserTest, UserFunctions) {
  EXPECT_NEAR(Eval("PI*2").AsDouble(), 6.28, 1e-12);
  parser.Functions().Add("NET(GROSS, RATE) = GROSS - PERCENT(GROSS, RATE)");
  parser.Functions().Add("FULLNAME(A,B)=A+' '+B");
  parser.Functions().Add("TWICE(X)=NET(X, 0)*2");
  EXPECT_EQ(Eval("NET(200, 15)").AsDouble(), 170);
  EXPECT_EQ(Eval("net(200, 15) + 1").AsDouble(), 171);
  EXPECT_EQ(Eval("TWICE(21)").AsDouble(), 42);
  names["First"] = "Ivan";
  EXPECT_EQ(Text("FULLNAME([First], 'P.')"), "Ivan P.");
  // Other names in the body go to the parser's own resolution.
  parser.Functions().Add("GREET(X)=X + ' ' + [First]");
  EXPECT_EQ(Text("GREET('Hi')"), "Hi Ivan");
  // Recursion works, and endless recursion stops with an error.
  parser.Functions().Add("FACT(N)=IIF(N<=1, 1, N*FACT(N-1))");
  EXPECT_EQ(Eval("FACT(10)").AsDouble(), 3628800);
  parser.Functions().Add("LOOP(N)=LOOP(N+1)");
  EXPECT_EQ(Error("LOOP(1)"), "Calculate error: expression too deeply nested.");
  EXPECT_EQ(Error("NET(1)"), "Function parse error.");
  // The parser's own function comes before the process's.
  parser.Functions().Add("PI=3");
  EXPECT_EQ(Eval("PI*2").AsDouble(), 6);
  TSMIParser other(nullptr);
  other.SetText("PI");
  EXPECT_NEAR(other.Calculate().AsDouble(), 3.14, 1e-12);
}

TEST_F(ParserTest, UserFunctionDefinitionErrors) {
  auto& functions = parser.Functions();
  EXPECT_EQ(ErrorOf<Exception>([&] { functions.Add("NOBODY"); }), "Function \"NOBODY\" is not valid.");
  EXPECT_EQ(ErrorOf<Exception>([&] { functions.Add("1F(X)=X"); }), "Function \"1F\" is not valid.");
  EXPECT_EQ(ErrorOf<Exception>([&] { functions.Add("A B=1"); }), "Function \"A B\" is not valid.");
  EXPECT_EQ(ErrorOf<Exception>([&] { functions.Add("F(X=X"); }), "Function header \"F(X\" is not valid.");
  EXPECT_EQ(ErrorOf<Exception>([&] { functions.Add("F(X,)=X"); }), "Function header \"F(X,)\" is not valid.");
  EXPECT_EQ(ErrorOf<Exception>([&] { functions.Add("F(X Y)=X"); }), "Function header \"F(X Y)\" is not valid.");
  EXPECT_EQ(functions.Count(), 0);
  const TSMIParserFunction& f = functions.Add(" F ( X , Y ) = X*Y");
  EXPECT_EQ(f.Name(), "F");
  EXPECT_EQ(f.ParameterNames(), (std::vector<AnsiString>{"X", "Y"}));
  EXPECT_EQ(functions.Add("G()=1").ParameterNames().size(), 0u);
  EXPECT_EQ(Eval("F(6, 7) + G()").AsDouble(), 43);
}

TEST_F(ParserTest, ProcessBeforeEventDecidesWhoResolvesFirst) {
  parser.Functions().Add("RATE=10");
  names["RATE"] = 20;
  EXPECT_EQ(Eval("RATE").AsDouble(), 10);
  parser.SetProcessBeforeEvent(true);
  EXPECT_EQ(Eval("RATE").AsDouble(), 20);
  // An event that leaves a name (clears done) lets the user function have it.
  parser.OnEvaluate = [](TObject*, const AnsiString&, const TSMIArguments&, int, bool, Variant&, bool& done) {
    done = false;
  };
  EXPECT_EQ(Eval("RATE").AsDouble(), 10);
}

TEST(ExpressionNumber, ReadsTheProcessSeparatorAndThePoint) {
  double value = 0;
  EXPECT_TRUE(TryExpressionNumber("1,5", value));
  EXPECT_EQ(value, 1.5);
  EXPECT_TRUE(TryExpressionNumber(" -2.25 ", value));
  EXPECT_EQ(value, -2.25);
  EXPECT_TRUE(TryExpressionNumber("1e3", value));
  EXPECT_EQ(value, 1000);
  EXPECT_FALSE(TryExpressionNumber("1 000", value));
  EXPECT_FALSE(TryExpressionNumber("12abc", value));
  EXPECT_FALSE(TryExpressionNumber("", value));
}

TEST(Parameters, NamesCaptionsAndCopies) {
  TSMIParameters parameters(nullptr);
  TSMIParameter* first = parameters.Add();
  TSMIParameter* second = parameters.Add();
  EXPECT_EQ(first->Name(), "Parameter1");
  EXPECT_EQ(second->Name(), "Parameter2");
  EXPECT_EQ(first->Caption(), "Parameter1");
  EXPECT_EQ(first->ParameterMode(), ipmCalculateAndAsk);
  EXPECT_EQ(first->ParameterEditor(), ipeEdit);
  EXPECT_FALSE(first->Required());

  first->SetName("Rate");
  EXPECT_EQ(first->Caption(), "Rate");
  second->SetCaption("Date of the form");
  second->SetName("FormDate");
  EXPECT_EQ(second->Caption(), "Date of the form");

  EXPECT_EQ(parameters.FindParameter("Rate"), first);
  EXPECT_EQ(parameters.FindParameter("rate"), nullptr);
  EXPECT_EQ(parameters.FindParameter("Parameter1"), nullptr);

  second->SetExpression("GETDATE");
  second->SetDescription("d");
  second->ParamPromptValues()->Add("a");
  second->SetParameterEditor(ipeCombobox);
  second->SetParameterMode(ipmAsk);
  second->SetRequired(true);
  first->Assign(second);
  EXPECT_EQ(first->Name(), "FormDate");
  EXPECT_EQ(first->Caption(), "Date of the form");
  EXPECT_EQ(first->Expression(), "GETDATE");
  EXPECT_EQ(first->Description(), "d");
  EXPECT_EQ(first->ParamPromptValues()->Text(), "a\r\n");
  EXPECT_NE(first->ParamPromptValues(), second->ParamPromptValues());
  EXPECT_EQ(first->ParameterEditor(), ipeCombobox);
  EXPECT_EQ(first->ParameterMode(), ipmAsk);
  EXPECT_TRUE(first->Required());

  TSMIParameters copy(nullptr);
  copy.Assign(&parameters);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Items(1)->Caption(), "Date of the form");
}

}  // namespace
}  // namespace ordvane
