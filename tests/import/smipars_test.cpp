#include "import/SMIPars.h"

#include <gtest/gtest.h>

#include <map>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateFormat.h"
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
  // The value as UTF-8 text, "null", or "error: " and the message.
  std::string Outcome(const std::string& utf8) {
    try {
      const Variant value = Eval(Utf8ToAnsi(utf8));
      return VarIsNull(value) ? "null" : AnsiToUtf8(VarToStr(value));
    } catch (const Exception& error) {
      return "error: " + AnsiToUtf8(error.Message());
    }
  }

  TSMIParser parser{nullptr};
  std::map<AnsiString, Variant> names;
  std::vector<Request> requests;
};

// Every expression with what it gives: its value as text, "null", or "error: " and the
// message; the names come from the table of unknown names.
TEST_F(ParserTest, ExpressionsAndTheirOutcomes) {
  names = {{"EMPTY", Null()},
           {"SOMETHING", 0},
           {"MOMENT", VarFromDateTime(EncodeDate(2021, 3, 5) + EncodeTime(14, 30, 15, 0))}};
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      // Operators of one level group to the left.
      {"2*3+4", "10"}, {"10-3-2", "5"}, {"(10-3)-2", "5"}, {"10-(3-2)", "9"}, {"12/3/2", "2"},
      {"2^3^2", "64"}, {"10-2+3-1", "10"}, {"100/10*2", "20"}, {"1+2*3^2", "19"}, {"((2))*((3+4))", "14"},
      // Signs, factorial (to the nearest integer) and NOT.
      {"-2*3", "-6"}, {"2*-3", "-6"}, {"2 - -3", "5"}, {"+4", "4"}, {"-(1+2)", "-3"}, {"0!", "1"},
      {"1!", "1"}, {"5!", "120"}, {"2.6!", "6"}, {"3!!", "720"}, {"3!-1", "5"},
      {"(0-1)!", "error: Invalid floating point operation"}, {"171!", "error: Floating point overflow"},
      {"NOT (1=2)", "True"}, {"NOT NOT (1=2)", "False"},
      // Comparisons and logic; comparisons bind more tightly than arithmetic: 1 + (2 = 2)
      // adds True (-1).
      {"(1+2)=3", "True"}, {"1<2", "True"}, {"1>2", "False"}, {"2<=2", "True"}, {"2>=2", "True"},
      {"1<>2", "True"}, {"1!=2", "True"}, {"'a'!='a'", "False"}, {"(1=1) AND (2=2)", "True"},
      {"(1=1) and (2=3)", "False"}, {"(1=2) Or (2=2)", "True"}, {"1+2=2", "0"},
      // Texts join with anything; an empty expression is null.
      {"'O''Brien'", "O'Brien"}, {"'a'+'b'", "ab"}, {"'Row '+2", "Row 2"}, {"1.5+' kg'", "1,5 kg"},
      {"'x'+EMPTY", "x"}, {"1+EMPTY", "null"}, {"'2'*3", "6"}, {"", "null"}, {"   ", "null"},
      // Text functions.
      {"SUBSTR('abcdef', 2, 3)", "bcd"}, {"substring('abcdef', 5, 10)", "ef"}, {"Copy('abcdef', 0, 2)", "ab"},
      {"REPLACESTR('aXbxcx', 'x', '-', 1, 1)", "aXb-c-"},  // all: case-sensitive
      {"REPLACESTR('aXbxcx', 'x', '-', 0, 1)", "a-bxcx"},  // first, any case
      {"REPLACESTR('aXbxcx', 'x', '-', 0, 0)", "aXb-cx"}, {"REPLACESTR('aXbx', 'x', '-')", "aXb-"},
      {"REPLACESTR('abc', '', '-', 1)", "abc"}, {"PADL('abc', 5, '*')", "**abc"},
      {"PADL('abcdef', 3)", "abc"}, {"PADR('ab', 4) + '|'", "ab  |"}, {"PADR('abc', 0)", ""},
      {"CHR(65)", "A"}, {"UPPER('прізвище Ґ')", "ПРІЗВИЩЕ Ґ"}, {"LOWER('ЇЖАК')", "їжак"},
      {"'[' + TRIM('  a b  ') + ']'", "[a b]"}, {"'[' + TRIMLEFT('  a  ') + ']'", "[a  ]"},
      {"'[' + TRIMRIGHT('  a  ') + ']'", "[  a]"}, {"POS('cd', 'abcdef')", "3"}, {"POS('x', 'abc')", "0"},
      {"LENGTH('abcd')", "4"}, {"ORD('A')", "65"}, {"ORD('')", "0"}, {"CHR(256)", "error: Range check error"},
      {"PADL('a', 100000000)", "error: Calculate error: text too long."},
      {"REPLACESTR(PADL('', 10000000, 'a'), 'a', 'bb', 1)", "error: Calculate error: text too long."},
      // Conversions use the workstation's formats.
      {"STRTOFLOAT('2,5')", "2,5"}, {"STRTOFLOAT('2.5')", "error: '2.5' is not a valid floating point value"},
      {"STRTOINT('42')", "42"}, {"INTTOSTR(42)", "42"}, {"FLOATTOSTR(2.5)", "2,5"},
      {"DATETOSTR(STRTODATE('05.03.2021'))", "05.03.2021"}, {"STRTODATE('05.03.2021')", "05.03.2021"},
      // Number functions pass over nulls.
      {"MAX(1, 5, 3)", "5"}, {"MIN(4, EMPTY, 2, 3)", "2"}, {"SUM(1, 2, EMPTY, 3.5)", "6,5"},
      {"AVG(1, 2, EMPTY, 6)", "3"}, {"AVG(EMPTY)", "null"}, {"COUNT(1, 'a', EMPTY)", "3"}, {"COUNT()", "0"},
      {"FRAC(2.75)", "0,75"}, {"INT(-2.75)", "-2"}, {"ROUND(2.5)", "2"}, {"ROUND(3.5)", "4"},
      {"ROUND(-2.6)", "-3"}, {"DIV(7, 2)", "3"}, {"MOD(7, 2)", "1"}, {"MOD(0-7, 2)", "-1"},
      {"DIV(1, 0)", "error: Division by zero"}, {"ABS(0-2.5)", "2,5"}, {"EXP(0)", "1"}, {"LN(1)", "0"},
      {"SQR(3)", "9"}, {"SQRT(16)", "4"}, {"LOG(1000)", "3"}, {"POWER(2, 10)", "1024"},
      {"PERCENT(200, 15)", "30"}, {"SQRT(0-1)", "error: Invalid floating point operation"},
      {"EXP(1000)", "error: Floating point overflow"},
      // Null tests: an empty text is null, a blank is not.
      {"ISNULL(EMPTY)", "True"}, {"ISNULL('')", "True"}, {"ISNULL(SOMETHING)", "False"},
      {"ISNULL(' ')", "False"},
      // Date functions.
      {"YEAR(MOMENT)", "2021"}, {"MONTH(MOMENT)", "3"}, {"DAY(MOMENT)", "5"}, {"HOUR(MOMENT)", "14"},
      {"MINUTE(MOMENT)", "30"}, {"SECOND(MOMENT)", "15"}, {"DATEPART(MOMENT)", "05.03.2021"},
      {"TIMEPART(MOMENT)", "30.12.1899 14:30:15"},
      {"DATETIMEFROMSTRING(' 05.03.2021 14:30:15 ', 'DD.MM.YYYY HH:NN:SS', 0, 0)", "05.03.2021 14:30:15"},
      {"DATETIMEFROMSTRING('2021-03-05', 'YYYY-MM-DD')", "05.03.2021"},
      {"YEAR()", "error: Function parse error."},
      // Every error text.
      {"1 + ?", "error: Parse error: illegal character \"?\" at position 5."},
      {"1 + 'abc", "error: Parse error: illegal character \"'\" at position 5."},
      {"[abc", "error: Parse error: illegal character \"[\" at position 1."},
      {"\"abc", "error: Parse error: illegal character \"\"\" at position 1."},
      {"ціна * 2", "error: Parse error: illegal character \"ц\" at position 1."},
      {"(1+2", "error: Compile error: parenthesis mismatch."},
      {"1+2)", "error: Compile error: parenthesis mismatch."},
      {"(1+2))*(3", "error: Compile error: parenthesis mismatch."},
      {"1 2", "error: Compile error: syntax fault."}, {"1 +", "error: Compile error: syntax fault."},
      {"* 2", "error: Compile error: syntax fault."}, {"()", "error: Compile error: syntax fault."},
      {"1, 2", "error: Compile error: syntax fault."}, {"F(1,)", "error: Compile error: syntax fault."},
      {"2 NOT 3", "error: Compile error: syntax fault."}, {"! 3", "error: Compile error: syntax fault."},
      {"UPPER('a')('b')", "error: Function parse error."},
      {"UPPER('a', 'b')", "error: Function parse error."}, {"SUBSTR('a', 1)", "error: Function parse error."},
      // Eleven evaluation slots: a twelfth argument is refused, not written past them.
      {"COUNT(1,2,3,4,5,6,7,8,9,10,11)", "11"},
      {"COUNT(1,2,3,4,5,6,7,8,9,10,11,12)", "error: Function parse error."},
      {"F(1,2,3,4,5,6,7,8,9,10,11,12)", "error: Function parse error."}};
  // clang-format on
  for (const auto& [expression, outcome] : cases) EXPECT_EQ(Outcome(expression), outcome) << expression;
  EXPECT_EQ(Outcome(std::string(300, '(') + "1" + std::string(300, ')') + "+" + std::string(300, '-') + "1"),
            "error: Compile error: expression too deeply nested.");
  for (int i = 0; i < 50; ++i) {
    const int r = Eval("RANDOM(10)").AsInteger();
    EXPECT_TRUE(r >= 0 && r < 10) << r;
    const double f = Eval("RANDOM()").AsDouble();
    EXPECT_TRUE(f >= 0 && f < 1) << f;
  }
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

TEST_F(ParserTest, GetDateReadsTheClock) {
  const TDateTime moment = EncodeDate(2021, 3, 5) + EncodeTime(14, 30, 15, 0);
  SetDateTimeClock([moment] { return moment; });
  EXPECT_EQ(Eval("GETDATE").AsDateTime(), moment);
  EXPECT_EQ(Eval("getdate(1, 'x')").AsDateTime(), moment);
  EXPECT_EQ(VarType(Eval("GETDATE")), varDate);
  SetDateTimeClock(nullptr);
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
  EXPECT_EQ(ErrorOf<Exception>([&] { functions.Add("F(X Y)=X"); }),
            "Function header \"F(X Y)\" is not valid.");
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

// An import keeps one parser per mapping and calculates it for every row: each
// calculation asks the names again, a new text is compiled anew, and a handler that gives
// the parser a new text in the middle of an evaluation does not pull the tree from under it.
TEST(ParserReuse, EvaluatesAgainRecompilesANewTextAndSurvivesAChangeMidway) {
  TSMIParser parser(nullptr);
  int asked = 0;
  parser.OnEvaluate = [&](TObject*, const AnsiString&, const TSMIArguments&, int, bool, Variant& value, bool&) {
    value = ++asked;
  };
  parser.SetText("X*10");
  EXPECT_EQ(parser.Calculate().AsInteger(), 10);
  EXPECT_EQ(parser.Calculate().AsInteger(), 20);
  parser.SetText("X+100");
  EXPECT_EQ(parser.Calculate().AsInteger(), 103);

  int inner = 0;
  parser.OnEvaluate = [&](TObject*, const AnsiString&, const TSMIArguments&, int, bool, Variant& value, bool&) {
    if (inner == 0) {
      parser.SetText("5");
      inner = parser.Calculate().AsInteger();
    }
    value = 1;
  };
  parser.SetText("X+X");
  EXPECT_EQ(parser.Calculate().AsInteger(), 2);
  EXPECT_EQ(inner, 5);
  EXPECT_EQ(parser.Calculate().AsInteger(), 5);  // the text it was given last
}

// A text that is one plain name is known as such until the text or a function list
// changes: a function of that name, the parser's own or the process's, added, replaced
// by another list or cleared, decides anew, as does a new text.
TEST(ParserReuse, SoleNameFollowsTheTextAndEveryFunctionList) {
  TSMIParser parser(nullptr);
  parser.SetText("B");
  ASSERT_NE(parser.SoleName(), nullptr);
  EXPECT_EQ(parser.SoleName()->Name(), "B");
  parser.Functions().Add("B=1");
  EXPECT_EQ(parser.SoleName(), nullptr);
  parser.Functions().Clear();
  EXPECT_NE(parser.SoleName(), nullptr);
  const TSMIParserFunctions processFunctions = GlobalParserFunctions();
  GlobalParserFunctions().Add("B=2");
  EXPECT_EQ(parser.SoleName(), nullptr);
  GlobalParserFunctions() = processFunctions;
  EXPECT_NE(parser.SoleName(), nullptr);
  parser.SetText("GETDATE");
  EXPECT_EQ(parser.SoleName(), nullptr);
  parser.SetText("C+1");
  EXPECT_EQ(parser.SoleName(), nullptr);
  parser.SetText("[C]");
  ASSERT_NE(parser.SoleName(), nullptr);
  EXPECT_EQ(parser.SoleName()->Name(), "C");
}

// The value a handler is handed starts as the name, unquoted, on every calculation, alone
// or as an argument, whatever a handler did to the one it was handed before; and a name
// asked alone receives no arguments from an earlier call.
TEST(ParserReuse, EachRequestStartsFromTheBareName) {
  TSMIParser parser(nullptr);
  std::vector<std::string> handed;
  parser.OnEvaluate = [&](TObject*, const AnsiString& name, const TSMIArguments& args, int argCount, bool,
                          Variant& value, bool&) {
    handed.push_back(VarToStr(value) + "/" + std::to_string(argCount) + "/" + VarToStr(args[0]));
    if (name == "F") return;
    value = VarToStr(value) + "!";
  };
  parser.SetText("[A b]");
  EXPECT_EQ(VarToStr(parser.Calculate()), "A b!");
  EXPECT_EQ(VarToStr(parser.Calculate()), "A b!");
  parser.SetText("F(\"q\")+F()");
  parser.Calculate();
  parser.SetText("\"q\"");
  EXPECT_EQ(VarToStr(parser.Calculate()), "q!");
  EXPECT_EQ(handed, (std::vector<std::string>{"A b/0/", "A b/0/", "q/0/", "F/1/q!", "F/0/", "q/0/"}));
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
