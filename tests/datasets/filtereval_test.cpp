// The datasets' filter evaluator over an in-memory dataset: each filter text is evaluated
// for one record and its value compared with the value it must have. The rules that
// differ from the class library's evaluator (nulls in compare nodes, IN over a single
// value, functions, errors) are the point.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "datasets/FIBFilter.h"
#include "dbclient/FIBStrUtils.h"
#include "tests/classlib/Support.h"
#include "tests/support/MemDataSet.h"

namespace ordvane::test {
namespace {

struct TCase {
  int id;  // the record evaluated
  const char* text;
  bool expected;
};

class FilterEvalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 30);
    data.FieldDefs().Add("NICK", ftString, 30);
    data.FieldDefs().Add("BORN", ftDateTime);
    data.FieldDefs().Add("AMOUNT", ftFloat);
    data.Open();
    // 1: every value; 2: names null; 3: NICK null only; 4: Cyrillic in lower case.
    Add(1, "ABCDEF", "  pad  ", EncodeDate(2020, 2, 1) + EncodeTime(13, 45, 15, 0), 1.5);
    Add(2, nullptr, nullptr, EncodeDate(1999, 12, 31), 10);
    Add(3, "x", nullptr, EncodeDate(2000, 1, 1), -2);
    Add(4, Utf8ToAnsi("іґїє").c_str(), Utf8ToAnsi("ІҐЇЄ").c_str(), EncodeDate(2001, 1, 1), 0);
    for (int id = 5; id <= 400; ++id) Add(id, "many", "many", EncodeDate(2002, 1, 1), id);
  }

  void Add(int id, const char* name, const char* nick, TDateTime born, double amount) {
    data.Append();
    data.FieldByName("ID")->SetAsInteger(id);
    if (name != nullptr) data.FieldByName("NAME")->SetAsString(name);
    if (nick != nullptr) data.FieldByName("NICK")->SetAsString(nick);
    data.FieldByName("BORN")->SetAsDateTime(born);
    data.FieldByName("AMOUNT")->SetAsFloat(amount);
    data.Post();
  }

  TExpressionParser Parser(const AnsiString& text, TFilterOptions options = {}) {
    return TExpressionParser(&data, text, SqlLikeMatch, StrToDateTimeFmt, options);
  }

  Variant ValueAt(int id, const AnsiString& text, TFilterOptions options = {}) {
    EXPECT_TRUE(data.Locate("ID", Variant(id), {}));
    return Parser(text, options).Evaluate();
  }

  void Check(const std::vector<TCase>& cases, TFilterOptions options = {}) {
    for (const TCase& c : cases) {
      SCOPED_TRACE(std::to_string(c.id) + ": " + AnsiToUtf8(c.text));
      EXPECT_TRUE(data.Locate("ID", Variant(c.id), {}));
      EXPECT_EQ(Parser(c.text, options).BooleanResult(), c.expected);
    }
  }

  TMemDataSet data{nullptr};
};

TEST_F(FilterEvalTest, NullsInComparisons) {
  // Compare nodes (made here by case-insensitivity): two nulls are equal, one null differs.
  Check({{2, "NAME = NICK", true},
         {2, "NAME <> NICK", false},
         {2, "NAME LIKE NICK", true},
         {3, "NAME = NICK", false},
         {3, "NAME <> NICK", true},
         {3, "NICK = NAME", false},
         {1, "NAME = 'abcdef'", true}},
        {foCaseInsensitive});
  // Binary nodes follow the variant comparison, which has the same rule for Null.
  Check({{2, "NAME = NICK", true}, {3, "NAME <> NICK", true}, {3, "NAME = NICK", false}, {2, "NAME > NICK", false}});
  Check({{2, "NAME IS NULL", true}, {1, "NAME IS NOT NULL", true}, {3, "NICK IS NOT NULL", false}});
}

TEST_F(FilterEvalTest, PartialAndCaseInsensitiveCompares) {
  Check({{1, "NAME = 'ABC*'", true},
         {1, "NAME = 'ABD*'", false},
         {1, "NAME <> 'ABC*'", false},
         {1, "'ABC*' = NAME", true},
         // The partial length counts for = and <> only.
         {1, "NAME LIKE 'ABC%'", true}});
  Check({{1, "NAME = 'ABC*'", false}}, {foNoPartialCompare});
  Check({{1, "NAME = 'abc*'", true}, {1, "NAME LIKE 'abc%'", true}}, {foCaseInsensitive});
  Check({{4, Utf8ToAnsi("NAME = 'ІҐЇЄ'").c_str(), true},
         {4, Utf8ToAnsi("NICK = 'іґїє'").c_str(), true},
         {4, "NAME = NICK", true}},
        {foCaseInsensitive});
  Check({{4, Utf8ToAnsi("NAME = 'ІҐЇЄ'").c_str(), false},
         {4, Utf8ToAnsi("UPPER(NAME) = 'ІҐЇЄ'").c_str(), true},
         {4, Utf8ToAnsi("LOWER(NICK) = 'іґїє'").c_str(), true}});
}

TEST_F(FilterEvalTest, LikeAndIn) {
  Check({{1, "NAME LIKE 'A_C%'", true},
         {1, "NAME LIKE 'A_D%'", false},
         {1, "NAME LIKE '%EF'", true},
         {1, "NAME LIKE 'ABCDE_'", true},
         {1, "NAME LIKE 'ABCD_'", false},
         {1, "NAME NOT LIKE 'Z%'", true},
         // Texts of constants made once and kept: each stays valid while the next is made.
         {1, "'a text longer than any short string' LIKE 'a text longer%than any short%'", true},
         {1, "'abc' LIKE 'a_c' AND 'abd' LIKE 'a_c'", false}});
  // One listed value is compared as text; several one by one.
  Check({{7, "ID IN (7)", true},
         {7, "ID IN (8)", false},
         {1, "NAME IN ('ABCDEF')", true},
         {1, "AMOUNT IN (1.5)", true},
         {7, "ID IN (6, 7)", true},
         {7, "ID IN (5, 6)", false}});
  for (const int count : {60, 300}) {
    std::string list;
    for (int i = 1; i <= count; ++i) list += (i > 1 ? ", " : "") + std::to_string(1000 + i);
    SCOPED_TRACE(count);
    // The last value of a long list is found like the first.
    const std::string withLast = "ID IN (" + list + ", 9)";
    Check({{9, withLast.c_str(), true}, {8, withLast.c_str(), false}});
    std::string idsInRange;
    for (int i = 5; i < 5 + count; ++i) idsInRange += (i > 5 ? "," : "") + std::to_string(i);
    const std::string all = "ID IN (" + idsInRange + ")";
    Check({{4 + count, all.c_str(), true}, {5 + count, all.c_str(), false}});
  }
}

TEST_F(FilterEvalTest, AndOrEvaluateTheSecondOperandOnlyWhenItDecides) {
  // NAME + 1 raises for a name that is no number: it is not reached.
  Check({{1, "ID = 1 OR NAME + 1 = 2", true}, {1, "ID = 2 AND NAME + 1 = 2", false}, {1, "NOT (ID = 2)", true}});
  data.Locate("ID", Variant(1), {});
  EXPECT_THROW(Parser("ID = 2 OR NAME + 1 = 2").Evaluate(), EVariantError);
  EXPECT_THROW(Parser("ID = 1 AND NAME + 1 = 2").Evaluate(), EVariantError);
}

TEST_F(FilterEvalTest, Arithmetic) {
  Check({{5, "ID * 2 + 1 = 11", true},
         {5, "ID - 7 = -2", true},
         {5, "-ID = -5", true},
         {1, "AMOUNT / 2 = 0.75", true},
         // Real division, not an integer one.
         {7, "ID / 2 = 3.5", true},
         {7, "ID / 2 = 3", false}});
}

TEST_F(FilterEvalTest, FunctionsInAnyCase) {
  Check({{1, "year(BORN) = 2020", true},
         {1, "Month(BORN) = 2", true},
         {1, "day(BORN) = 1", true},
         {1, "hour(BORN) = 13", true},
         {1, "minute(BORN) = 45", true},
         {1, "second(BORN) = 15", true},
         {1, "getdate() > BORN", true},
         {1, "trim(NICK) = 'pad'", true},
         {1, "trimleft(NICK) = 'pad  '", true},
         {1, "trimright(NICK) = '  pad'", true},
         {1, "upper(lower(NAME)) = 'ABCDEF'", true},
         {1, "date(BORN) = 43862", true},
         {1, "date('mm.dd.yyyy', '02.01.2020') = date(BORN)", true},
         {1, "date('dd.mm.yyyy', '02.01.2020') = date(BORN)", false}});
  EXPECT_EQ(VarType(ValueAt(1, "DATE(BORN)")), varInteger);
  EXPECT_EQ(VarToDateTime(ValueAt(1, "DATE('yyyy.mm.dd', '2020.02.01')")), EncodeDate(2020, 2, 1));
}

TEST_F(FilterEvalTest, Substring) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"SUBSTRING(NAME, 2, 3)", "BCD"},   {"SUBSTRING(NAME, '2,3')", "BCD"}, {"SUBSTRING(NAME, 3)", "CDEF"},
      {"SUBSTRING(NAME, 5, 10)", "EF"},   {"SUBSTRING(NAME, 0, 2)", "AB"},   {"SUBSTRING(NAME, -4, 1)", "A"},
      {"SUBSTRING(NAME, 7, 1)", ""},      {"SUBSTRING(NAME, 2, 0)", ""},     {"SUBSTRING(NAME, '9,2')", ""},
      {"SUBSTRING(NAME, 2.0, 2)", "BC"},  {"SUBSTRING(NAME, '1,-1')", ""},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(VarToStr(ValueAt(1, text)), expected);
  }
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { ValueAt(1, "SUBSTRING(NAME, '23')"); }),
            "Expression expected but 23 found");
  EXPECT_EQ(ErrorOf<EConvertError>([&] { ValueAt(1, "SUBSTRING(NAME, 'a,2')"); }), "'a' is not a valid integer value");
}

TEST_F(FilterEvalTest, Errors) {
  // The parse's error keeps its class and gains the prefix.
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { Parser("ID = "); }),
            "Can't parse Filter for:\r\nExpression expected but end of expression found");
  EXPECT_EQ(ErrorOf<EConvertError>([&] { Parser("BORN = 'soon'"); }),
            "Can't parse Filter for:\r\n'soon' is not a valid date and time");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { ValueAt(1, "TIME(BORN) = 0"); }), "Expression expected but TIME found");
  // A root that is Null has no Boolean value.
  data.Locate("ID", Variant(2), {});
  EXPECT_EQ(ErrorOf<EVariantError>([&] { Parser("NAME").BooleanResult(); }),
            "Could not convert variant of type (Null) into type (Boolean)");
  // Without the routines LIKE and DATE(format, text) are not available.
  data.Locate("ID", Variant(1), {});
  const auto bare = [&](const char* text) { return TExpressionParser(&data, text, nullptr, nullptr, {}).Evaluate(); };
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { bare("NAME LIKE 'A%'"); }), "Incorrectly formed filter expression");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { bare("DATE('dd.mm.yyyy', '01.01.2020') = 1"); }),
            "Incorrectly formed filter expression");
  EXPECT_TRUE(bare("DATE(BORN) = 43862").AsBoolean());
}

TEST_F(FilterEvalTest, FieldsAreLookedUpOnceAndForgottenOnReset) {
  TExpressionParser parser = Parser("ID = 1");
  TField* id = parser.GetField("ID");
  EXPECT_EQ(id, data.FieldByName("ID"));
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { parser.GetField("NOPE"); }), "Field 'NOPE' not found");
  // Default fields die with the closed dataset; the parser must not hand them out.
  parser.ResetFields();
  data.Close();
  data.Open();
  data.First();
  EXPECT_EQ(parser.GetField("ID"), data.FieldByName("ID"));
  EXPECT_TRUE(parser.BooleanResult());
}

}  // namespace
}  // namespace ordvane::test
