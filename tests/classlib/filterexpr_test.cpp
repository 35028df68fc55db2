// The filter grammar, construct by construct: each filter text is applied to an in-memory
// dataset and the records it shows are compared with the same predicate written in plain
// C++ over the rows the dataset was filled with. Then the trees the parser builds (which
// other evaluators walk), and every error.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/db/FilterExpr.h"
#include "tests/classlib/Support.h"
#include "tests/support/MemDataSet.h"

namespace ordvane::test {
namespace {

struct TRow {
  int id;
  std::optional<std::string> name;
  std::optional<std::string> town;
  std::optional<TDateTime> born;
  std::optional<double> salary;
  std::optional<int> kids;
  std::string surname;
};

// Thirty rows with nulls, quotes, blanks, Cyrillic text and dates on both sides of today.
std::vector<TRow> Rows() {
  const std::vector<std::optional<std::string>> names = {
      "Ann", "bob", "Bea", "O'Brien", "  pad  ", "An*", std::nullopt, "", "Anna", "Mary", "Kate", "Ben",
      Utf8ToAnsi("Іван"), Utf8ToAnsi("Олена"), "annie", "Tom", "tim", "Zed"};
  const std::vector<std::optional<std::string>> towns = {"Kyiv", "Lviv", std::nullopt, "Odesa", "Kyiv"};
  std::vector<TRow> rows;
  for (int id = 1; id <= 30; ++id) {
    TRow row;
    row.id = id;
    row.name = names[static_cast<std::size_t>(id - 1) % names.size()];
    row.town = towns[static_cast<std::size_t>(id) % towns.size()];
    if (id % 7 != 0)
      row.born = EncodeDate(static_cast<Word>(1960 + id * 2), static_cast<Word>(id % 12 + 1), static_cast<Word>(id % 28 + 1)) +
                 EncodeTime(static_cast<Word>(id % 24), static_cast<Word>(id * 7 % 60), static_cast<Word>(id * 13 % 60), 0);
    if (id == 16) row.born = EncodeDate(1992, 2, 29) + EncodeTime(13, 45, 15, 0);
    if (id == 17) row.born = EncodeDate(2999, 1, 1);
    if (id % 4 != 0) row.salary = 1000 + id * 37.5;
    if (id % 5 != 0) row.kids = id % 4;
    row.surname = id % 3 == 0 ? Utf8ToAnsi("Шевченко") : "Smith";
    rows.push_back(row);
  }
  return rows;
}

class FilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data.SetName("People");
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 30);
    data.FieldDefs().Add("HOME TOWN", ftString, 30);
    data.FieldDefs().Add("BORN", ftDateTime);
    data.FieldDefs().Add("SALARY", ftFloat);
    data.FieldDefs().Add("KIDS", ftSmallint);
    data.FieldDefs().Add(Utf8ToAnsi("ПРІЗВИЩЕ"), ftString, 30);
    data.Open();
    for (const TRow& row : rows) {
      data.Append();
      data.Fields()[0]->SetAsInteger(row.id);
      if (row.name) data.Fields()[1]->SetAsString(*row.name);
      if (row.town) data.Fields()[2]->SetAsString(*row.town);
      if (row.born) data.Fields()[3]->SetAsDateTime(*row.born);
      if (row.salary) data.Fields()[4]->SetAsFloat(*row.salary);
      if (row.kids) data.Fields()[5]->SetAsInteger(*row.kids);
      data.Fields()[6]->SetAsString(row.surname);
      data.Post();
    }
  }

  std::vector<int> Shown(const AnsiString& filter, TFilterOptions options = {}) {
    data.SetFiltered(false);
    data.SetFilterOptions(options);
    data.SetFilter(filter);
    data.SetFiltered(true);
    std::vector<int> ids;
    for (data.First(); !data.Eof(); data.Next()) ids.push_back(data.FieldByName("ID")->AsInteger());
    EXPECT_EQ(data.RecordCount(), static_cast<Integer>(ids.size()));
    return ids;
  }

  std::vector<int> Expected(const std::function<bool(const TRow&)>& predicate) const {
    std::vector<int> ids;
    for (const TRow& row : rows)
      if (predicate(row)) ids.push_back(row.id);
    return ids;
  }

  void Check(const AnsiString& filter, const std::function<bool(const TRow&)>& predicate,
             TFilterOptions options = {}) {
    SCOPED_TRACE(filter);
    const std::vector<int> expected = Expected(predicate);
    EXPECT_EQ(Shown(filter, options), expected);
    // A filter that shows nothing tests little.
    EXPECT_FALSE(expected.empty());
  }

  template <class T>
  static bool Is(const std::optional<T>& value, const std::function<bool(const T&)>& test) {
    return value.has_value() && test(*value);
  }

  const std::vector<TRow> rows = Rows();
  TMemDataSet data{nullptr};
};

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }
bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}
std::string AsciiUpper(std::string text) {
  for (char& ch : text)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return text;
}

TEST_F(FilterTest, ComparisonsOfNumbers) {
  Check("ID = 5", [](const TRow& r) { return r.id == 5; });
  Check("ID <> 5", [](const TRow& r) { return r.id != 5; });
  Check("ID > 20", [](const TRow& r) { return r.id > 20; });
  Check("ID < 3", [](const TRow& r) { return r.id < 3; });
  Check("ID >= 28", [](const TRow& r) { return r.id >= 28; });
  Check("ID <= 2", [](const TRow& r) { return r.id <= 2; });
  Check("SALARY > 1500.5", [](const TRow& r) { return Is<double>(r.salary, [](double s) { return s > 1500.5; }); });
  Check("KIDS = 2", [](const TRow& r) { return r.kids == 2; });
  Check("ID = KIDS", [](const TRow& r) { return r.kids == r.id; });
  Check("  ID   <>KIDS ", [](const TRow& r) { return r.kids.has_value() && *r.kids != r.id; });
}

TEST_F(FilterTest, ComparisonsOfText) {
  Check("NAME = 'Ann'", [](const TRow& r) { return r.name == "Ann"; });
  Check("[HOME TOWN] = 'Kyiv'", [](const TRow& r) { return r.town == "Kyiv"; });
  Check("name = 'O''Brien'", [](const TRow& r) { return r.name == "O'Brien"; });
  Check("NAME = ''", [](const TRow& r) { return r.name == ""; });
  Check(Utf8ToAnsi("ПРІЗВИЩЕ = 'Шевченко'"), [](const TRow& r) { return r.surname == Utf8ToAnsi("Шевченко"); });
  Check("NAME >= 'B' AND NAME < 'C'",
        [](const TRow& r) { return Is<std::string>(r.name, [](const std::string& n) { return !n.empty() && (n[0] == 'B' || n[0] == 'b'); }); });
}

TEST_F(FilterTest, LogicWithItsPrecedence) {
  Check("ID > 3 AND ID < 8 OR ID = 20", [](const TRow& r) { return (r.id > 3 && r.id < 8) || r.id == 20; });
  Check("ID > 3 AND (ID < 8 OR ID = 20)", [](const TRow& r) { return r.id > 3 && (r.id < 8 || r.id == 20); });
  Check("ID = 1 OR ID = 2 AND KIDS = 2", [](const TRow& r) { return r.id == 1 || (r.id == 2 && r.kids == 2); });
  Check("not ID > 3", [](const TRow& r) { return !(r.id > 3); });
  Check("NOT (NAME = 'Ann')", [](const TRow& r) { return r.name != "Ann"; });
  Check("NOT NOT KIDS = 1", [](const TRow& r) { return r.kids == 1; });
}

TEST_F(FilterTest, NullTests) {
  Check("SALARY IS NULL", [](const TRow& r) { return !r.salary; });
  Check("SALARY is not null", [](const TRow& r) { return r.salary.has_value(); });
  Check("[HOME TOWN] IS NULL AND NAME IS NOT NULL", [](const TRow& r) { return !r.town && r.name; });
  Check("KIDS <> 1", [](const TRow& r) { return r.kids.has_value() && *r.kids != 1; });
}

TEST_F(FilterTest, Patterns) {
  const auto name = [](const std::function<bool(const std::string&)>& test) {
    return [test](const TRow& r) { return Is<std::string>(r.name, test); };
  };
  Check("NAME LIKE 'A%'", name([](const std::string& n) { return StartsWith(n, "A"); }));
  Check("NAME LIKE '_e%'", name([](const std::string& n) { return n.size() >= 2 && n[1] == 'e'; }));
  Check("NAME LIKE '%n%e'", name([](const std::string& n) { return n == "annie"; }));
  Check("NAME LIKE '%'", name([](const std::string&) { return true; }));
  Check("NAME NOT LIKE '%n'", [](const TRow& r) { return !(r.name && EndsWith(*r.name, "n")); });
  Check("NAME LIKE 'a%'", name([](const std::string& n) { return StartsWith(n, "a"); }));
  Check("NAME LIKE 'a%'", name([](const std::string& n) { return StartsWith(AsciiUpper(n), "A"); }),
        {foCaseInsensitive});
}

TEST_F(FilterTest, Lists) {
  Check("ID IN (1, 3, 5, 7)", [](const TRow& r) { return r.id == 1 || r.id == 3 || r.id == 5 || r.id == 7; });
  Check("NAME IN ('Ann', 'Tom', 'nobody')", [](const TRow& r) { return r.name == "Ann" || r.name == "Tom"; });
  // A list of any length.
  AnsiString evens = "ID IN (";
  for (int i = 0; i < 300; i += 2) evens += (i ? ", " : "") + std::to_string(i);
  Check(evens + ")", [](const TRow& r) { return r.id % 2 == 0; });
  Check("ID IN (KIDS + 1, 30)", [](const TRow& r) { return r.id == 30 || (r.kids && r.id == *r.kids + 1); });
  Check("NOT ID IN (1, 2)", [](const TRow& r) { return r.id > 2; });
}

TEST_F(FilterTest, Arithmetic) {
  Check("ID + 1 = 6", [](const TRow& r) { return r.id + 1 == 6; });
  Check("ID * 2 > 50", [](const TRow& r) { return r.id * 2 > 50; });
  Check("SALARY / 2 < 600", [](const TRow& r) { return r.salary && *r.salary / 2 < 600; });
  Check("ID - 10 = -5", [](const TRow& r) { return r.id - 10 == -5; });
  Check("-ID = -3", [](const TRow& r) { return r.id == 3; });
  Check("ID - KIDS * 2 = 11", [](const TRow& r) { return r.kids && r.id - *r.kids * 2 == 11; });
  Check("(ID - KIDS) * 2 = 24", [](const TRow& r) { return r.kids && (r.id - *r.kids) * 2 == 24; });
  Check("SALARY + KIDS > 2000", [](const TRow& r) { return r.salary && r.kids && *r.salary + *r.kids > 2000; });
}

TEST_F(FilterTest, TextFunctions) {
  Check("UPPER(NAME) = 'ANN'", [](const TRow& r) { return r.name && AsciiUpper(*r.name) == "ANN"; });
  Check("lower(NAME) = 'bob'", [](const TRow& r) { return r.name == "bob"; });
  Check(Utf8ToAnsi("UPPER(NAME) = 'ІВАН'"), [](const TRow& r) { return r.name == Utf8ToAnsi("Іван"); });
  Check("SUBSTRING(NAME, 2, 2) = 'nn'",
        [](const TRow& r) { return r.name && r.name->size() > 1 && r.name->substr(1, 2) == "nn"; });
  Check("SUBSTRING(NAME, 3) = 'n'", [](const TRow& r) { return r.name && r.name->size() > 2 && r.name->substr(2) == "n"; });
  Check("SUBSTRING(NAME, -5, 2) = 'Be'", [](const TRow& r) { return r.name && r.name->substr(0, 2) == "Be"; });
  Check("TRIM(NAME) = 'pad'", [](const TRow& r) { return r.name == "  pad  "; });
  Check("TRIMLEFT(NAME) = 'pad  '", [](const TRow& r) { return r.name == "  pad  "; });
  Check("TRIMRIGHT(NAME) + '|' = '  pad|'", [](const TRow& r) { return r.name == "  pad  "; });
}

TEST_F(FilterTest, DatesAndTimes) {
  const auto born = [](const std::function<bool(Word year, Word month, Word day, Word hour, Word minute, Word second)>& test) {
    return [test](const TRow& r) {
      if (!r.born) return false;
      Word y, mo, d, h, mi, s, ms;
      DecodeDate(*r.born, y, mo, d);
      DecodeTime(*r.born, h, mi, s, ms);
      return test(y, mo, d, h, mi, s);
    };
  };
  Check("YEAR(BORN) = 1992", born([](Word y, Word, Word, Word, Word, Word) { return y == 1992; }));
  Check("MONTH(BORN) = 2", born([](Word, Word m, Word, Word, Word, Word) { return m == 2; }));
  Check("DAY(BORN) = 29", born([](Word, Word, Word d, Word, Word, Word) { return d == 29; }));
  Check("HOUR(BORN) = 13", born([](Word, Word, Word, Word h, Word, Word) { return h == 13; }));
  Check("MINUTE(BORN) >= 30", born([](Word, Word, Word, Word, Word mi, Word) { return mi >= 30; }));
  Check("SECOND(BORN) = 15", born([](Word, Word, Word, Word, Word, Word s) { return s == 15; }));
  Check("HOUR(TIME(BORN)) = 13", born([](Word, Word, Word, Word h, Word, Word) { return h == 13; }));
  const TDateTime now = Now();
  Check("BORN < GETDATE()", [now](const TRow& r) { return r.born && *r.born < now; });
  Check("BORN > GETDATE() AND YEAR(BORN) = 2999", [now](const TRow& r) { return r.born && *r.born > now; });
  // A text constant compared with a date-time field is read as a date-time.
  Check("BORN >= '01.01.2000'", [](const TRow& r) { return r.born && *r.born >= EncodeDate(2000, 1, 1); });
  Check("BORN IN ('29.02.1992 13:45:15', '01.01.2999')", [](const TRow& r) { return r.id == 16 || r.id == 17; });
  Check("DATE(BORN) = DATE('yyyy-mm-dd', '1992-02-29')", [](const TRow& r) { return r.id == 16; });
  Check("DATE(BORN) = DATE('29.02.1992 23:59')", [](const TRow& r) { return r.id == 16; });
}

TEST_F(FilterTest, CaseInsensitiveAndPartialComparison) {
  Check("NAME = 'ANN'", [](const TRow& r) { return r.name && AsciiUpper(*r.name) == "ANN"; }, {foCaseInsensitive});
  Check(Utf8ToAnsi("NAME = 'олена'"), [](const TRow& r) { return r.name == Utf8ToAnsi("Олена"); }, {foCaseInsensitive});
  Check("NAME = 'An*'", [](const TRow& r) { return r.name && StartsWith(*r.name, "An"); });
  Check("NAME <> 'An*'", [](const TRow& r) { return r.name && !StartsWith(*r.name, "An"); });
  Check("NAME = 'an*'", [](const TRow& r) { return r.name && StartsWith(AsciiUpper(*r.name), "AN"); },
        {foCaseInsensitive});
  Check("NAME = 'An*'", [](const TRow& r) { return r.name == "An*"; }, {foNoPartialCompare});
}

TEST_F(FilterTest, TheFilterAndOnFilterRecordMustBothAccept) {
  data.OnFilterRecord = [](TDataSet* dataSet, bool& accept) { accept = dataSet->FieldByName("ID")->AsInteger() % 2 == 0; };
  Check("ID < 7", [](const TRow& r) { return r.id < 7 && r.id % 2 == 0; });
  data.SetFilter("");
  EXPECT_EQ(Shown(""), Expected([](const TRow& r) { return r.id % 2 == 0; }));
}

TEST_F(FilterTest, AFilterThatDoesNotParseLeavesTheOldOne) {
  EXPECT_EQ(Shown("ID < 3"), (std::vector<int>{1, 2}));
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.SetFilter("ID <"); }), "Expression expected but end of expression found");
  EXPECT_EQ(data.Filter(), "ID < 3");
  data.First();
  EXPECT_EQ(data.RecordCount(), 2);
  // A filter set while closed is parsed when the dataset opens.
  data.Close();
  data.SetFilter("NOPE = 1");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Open(); }), "People: Field 'NOPE' not found");
  EXPECT_FALSE(data.Active());
}

// --- the trees -----------------------------------------------------------------------------

class TreeTest : public FilterTest {
 protected:
  const TExprNode& Parse(const AnsiString& text, TFilterOptions options = {}) {
    parser = std::make_unique<TExprParser>(&data, text, options);
    return parser->Root();
  }
  // Closes the dataset, makes its fields persistent and adds a text field of that kind;
  // the caller opens it again.
  TStringField* AddTextField(const AnsiString& name, TFieldKind kind) {
    if (data.Active()) {
      data.Close();
      for (int i = 0; i < data.FieldDefs().Count(); ++i) data.FieldDefs().Items(i)->CreateField(&data);
    }
    auto* field = new TStringField(&data);
    field->SetFieldName(name);
    field->SetFieldKind(kind);
    return field;
  }
  std::unique_ptr<TExprParser> parser;
};

TEST_F(TreeTest, ComparisonsOfTextBecomeCompareNodesWhenTheOptionsAskForIt) {
  const auto& partial = static_cast<const TCompareNode&>(Parse("NAME = 'An*'"));
  ASSERT_EQ(partial.NodeClass(), TExprNodeClass::Compare);
  EXPECT_EQ(partial.Operator(), TExprOperator::Equal);
  EXPECT_EQ(partial.PartialLength(), 2);
  EXPECT_FALSE(partial.CaseInsensitive());
  EXPECT_EQ(static_cast<const TConstNode&>(partial.Right()).Value().AsString(), "An");

  const auto& like = static_cast<const TCompareNode&>(Parse("NAME LIKE 'a%'", {foCaseInsensitive}));
  ASSERT_EQ(like.NodeClass(), TExprNodeClass::Compare);
  EXPECT_EQ(like.Operator(), TExprOperator::Like);
  EXPECT_TRUE(like.CaseInsensitive());
  EXPECT_EQ(like.PartialLength(), 0);

  EXPECT_EQ(Parse("NAME = 'Ann'").NodeClass(), TExprNodeClass::Binary);
  EXPECT_EQ(Parse("ID = 5", {foCaseInsensitive}).NodeClass(), TExprNodeClass::Binary) << "numbers have no case";
  EXPECT_EQ(Parse("NAME = 'An*'", {foNoPartialCompare}).NodeClass(), TExprNodeClass::Binary);
}

TEST_F(TreeTest, ShapesOfTheOtherConstructs) {
  const auto& date = static_cast<const TBinaryNode&>(Parse("BORN = '29.02.1992'"));
  const auto& constant = static_cast<const TConstNode&>(date.Right());
  EXPECT_EQ(constant.DataType(), ftDateTime);
  EXPECT_EQ(constant.Value().AsDateTime(), EncodeDate(1992, 2, 29));
  EXPECT_EQ(static_cast<const TFieldNode&>(date.Left()).DataType(), ftDateTime);

  const auto& in = static_cast<const TBinaryNode&>(Parse("ID IN (1, 2, 3)"));
  EXPECT_EQ(in.Operator(), TExprOperator::In);
  ASSERT_EQ(in.Right().NodeClass(), TExprNodeClass::List);
  EXPECT_EQ(static_cast<const TListNode&>(in.Right()).Items().size(), 3u);

  const auto& notLike = static_cast<const TUnaryNode&>(Parse("NAME NOT LIKE 'x'"));
  EXPECT_EQ(notLike.Operator(), TExprOperator::Not);
  EXPECT_EQ(notLike.Operand().Operator(), TExprOperator::Like);

  EXPECT_EQ(Parse("UPPER(NAME) = 'A'").NodeClass(), TExprNodeClass::Binary);
  EXPECT_EQ(static_cast<const TBinaryNode&>(Parse("UPPER(NAME) = 'A'")).Left().Operator(), TExprOperator::Upper);
  const auto& substring = static_cast<const TFunctionNode&>(
      static_cast<const TBinaryNode&>(Parse("substring(NAME, 1, 2) = 'A'")).Left());
  EXPECT_EQ(substring.Name(), "SUBSTRING");
  ASSERT_NE(substring.Argument(), nullptr);
  EXPECT_EQ(substring.Argument()->NodeClass(), TExprNodeClass::List);
  EXPECT_EQ(static_cast<const TFunctionNode&>(static_cast<const TBinaryNode&>(Parse("BORN < GETDATE()")).Right())
                .Argument(),
            nullptr);
  const auto& big = static_cast<const TBinaryNode&>(Parse("ID = 3000000000"));
  EXPECT_EQ(static_cast<const TConstNode&>(big.Right()).DataType(), ftLargeint);
  const auto& real = static_cast<const TBinaryNode&>(Parse("SALARY = 1.25"));
  EXPECT_EQ(static_cast<const TConstNode&>(real.Right()).Value().AsDouble(), 1.25);
  // Operator and class numbers are a contract with other evaluators.
  EXPECT_EQ(static_cast<int>(TExprOperator::Like), 30);
  EXPECT_EQ(static_cast<int>(TExprNodeClass::List), 11);
}

// --- errors --------------------------------------------------------------------------------

TEST_F(TreeTest, EveryErrorNamesItsCause) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"NAME = 'abc", "Incorrectly formed filter expression"},
      {"(ID = 1", "Incorrectly formed filter expression"},
      {"ID = 1)", "Incorrectly formed filter expression"},
      {"ID = 1 ID", "Incorrectly formed filter expression"},
      {"ID = 1 = 2", "Incorrectly formed filter expression"},
      {"ID # 1", "Incorrectly formed filter expression"},
      {"ID = 1.", "Incorrectly formed filter expression"},
      {"ID = 12abc", "Incorrectly formed filter expression"},
      {"UPPER(NAME, 1) = 'A'", "Incorrectly formed filter expression"},
      {"GETDATE(1) > 0", "Incorrectly formed filter expression"},
      {"SUBSTRING(NAME) = 'A'", "Incorrectly formed filter expression"},
      {"ID IN 1", "Incorrectly formed filter expression"},
      {"ID IN ()", "Incorrectly formed filter expression"},
      {"ID IN (1, 2", "Incorrectly formed filter expression"},
      {"NAME IS 'x'", "Incorrectly formed filter expression"},
      {"NAME NOT 'x'", "Incorrectly formed filter expression"},
      {"[] = 1", "Incorrectly formed filter expression"},
      {"[NAME = 1", "Incorrectly formed filter expression"},
      {"ID =", "Expression expected but end of expression found"},
      {"", "Expression expected but end of expression found"},
      {"ID = AND 1", "Expression expected but AND found"},
      {"= 1", "Expression expected but = found"},
      {"ID = )", "Expression expected but ) found"},
      {"NULL IS NULL", "Expression expected but NULL found"},
      {"FOO(1) = 1", "Expression expected but FOO found"},
      {"NOPE = 1", "People: Field 'NOPE' not found"},
      {"[HOME  TOWN] = 'x'", "People: Field 'HOME  TOWN' not found"},
      {std::string(200, '(') + "ID = 1" + std::string(200, ')'), "Filter expression is too complex"},
      {"NOT " + [] {
         std::string text;
         for (int i = 0; i < 200; ++i) text += "NOT ";
         return text;
       }() + "ID = 1",
       "Filter expression is too complex"},
      {[] {
         std::string text = "ID = 1";
         for (int i = 0; i < 2000; ++i) text += " OR ID = 1";
         return text;
       }(),
       "Filter expression is too complex"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text.substr(0, 60));
    EXPECT_EQ(ErrorOf<EDatabaseError>([&, &text = text] { TExprParser(&data, text, {}); }), message);
  }
  EXPECT_EQ(ErrorOf<EConvertError>([&] { TExprParser(&data, "BORN = 'soon'", {}); }),
            "'soon' is not a valid date and time");
  // Long chains below the limit are fine.
  std::string chain = "ID = 1";
  for (int i = 0; i < 500; ++i) chain += " OR ID = " + std::to_string(i + 2);
  EXPECT_EQ(Shown(chain).size(), 30u);
}

TEST_F(TreeTest, CalculatedFieldsAreNoFilterOperands) {
  AddTextField("SHOUT", fkCalculated)->SetDataSet(&data);
  data.Open();
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { TExprParser(&data, "SHOUT = 'x'", {}); }),
            "Field 'SHOUT' cannot be used in a filter expression");
}

TEST_F(TreeTest, CalculatedFieldsAreAdmittedOnlyWhenAsked) {
  TStringField* shout = AddTextField("SHOUT", fkCalculated);
  shout->SetDataSet(&data);
  TStringField* looked = AddTextField("LOOKED", fkLookup);
  looked->SetLookupDataSet(&data);
  looked->SetKeyFields("ID");
  looked->SetLookupKeyFields("ID");
  looked->SetLookupResultField("NAME");
  looked->SetDataSet(&data);
  data.Open();
  const TExprParser parser(&data, "shout = 'x'", {}, {epoAdmitCalculatedFields});
  ASSERT_EQ(parser.Root().NodeClass(), TExprNodeClass::Binary);
  const auto& field = static_cast<const TFieldNode&>(static_cast<const TBinaryNode&>(parser.Root()).Left());
  EXPECT_EQ(field.FieldName(), "SHOUT");
  EXPECT_EQ(shout->FieldKind(), fkCalculated);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { TExprParser(&data, "LOOKED = 'x'", {}, {epoAdmitCalculatedFields}); }),
            "Field 'LOOKED' cannot be used in a filter expression");
}

TEST_F(TreeTest, EvaluationErrorsComeOutOfTheScroll) {
  EXPECT_THROW(Shown("NAME + 1 = 2"), EVariantError);
}

}  // namespace
}  // namespace ordvane::test
