// Named WHERE conditions over a statement's text list. The list's changing hook cancels
// applied conditions, as the statement's does; Apply must hold it off.

#include <gtest/gtest.h>

#include "dbclient/FIBProps.h"
#include "dbclient/FIBQuery.h"

namespace ordvane {
namespace {

int Occurrences(const AnsiString& text, const AnsiString& what) {
  int count = 0;
  for (std::size_t at = text.find(what); at != AnsiString::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

class Conditions : public ::testing::Test {
 protected:
  Conditions() {
    sql.SetText(kBase);
    sql.OnChanging = [this](TObject*) { conditions.CancelApply(); };
  }
  static constexpr const char* kBase = "select * from t where a = 1 or b = 2\r\n";
  TStringList sql;
  TConditions conditions{nullptr, &sql};
};

TEST_F(Conditions, TextOfTheEnabledConditions) {
  EXPECT_EQ(conditions.ConditionsText(), "");
  conditions.AddCondition("first", "c = 3", true);
  EXPECT_EQ(conditions.ConditionsText(), "(c = 3)\r\n");
  conditions.AddCondition("off", "d = 4", false);
  conditions.AddCondition("blank", "  ", true);
  conditions.AddCondition("commented", "e = 5 -- five", true);
  EXPECT_EQ(conditions.ConditionsText(), "(c = 3)\r\n\r\n and (e = 5 -- five\r\n)\r\n");
  // Replacing a text, even by an empty one, keeps the condition.
  conditions.AddCondition("FIRST", "", true);
  EXPECT_EQ(conditions.Count(), 4);
  ASSERT_NE(conditions.FindCondition("first"), nullptr);
  EXPECT_EQ(conditions.ConditionsText(), "(e = 5 -- five\r\n)\r\n");
  conditions.RemoveCondition("commented");
  EXPECT_EQ(conditions.FindCondition("commented"), nullptr);
  // A line added around AddCondition counts as disabled until AddCondition takes it.
  conditions.Add("raw=f = 6");
  EXPECT_EQ(conditions.ConditionsText(), "");
  conditions.AddCondition("raw", "f = 6", true);
  EXPECT_EQ(conditions.ConditionsText(), "(f = 6)\r\n");
}

TEST_F(Conditions, ApplyStartsFromTheBaseTextAndCancelPutsItBack) {
  conditions.AddCondition("c", "c = 3", true);
  conditions.Apply();
  EXPECT_TRUE(conditions.Applied());
  EXPECT_EQ(conditions.BaseSQL(), kBase);
  EXPECT_EQ(Occurrences(sql.Text(), "c = 3"), 1);
  EXPECT_EQ(Occurrences(sql.Text(), "a = 1 or b = 2"), 1);

  conditions.AddCondition("d", "d = 4", true);
  EXPECT_FALSE(conditions.Applied());
  conditions.Apply();
  EXPECT_EQ(Occurrences(sql.Text(), "c = 3"), 1);
  EXPECT_EQ(Occurrences(sql.Text(), "d = 4"), 1);

  conditions.CancelApply();
  EXPECT_FALSE(conditions.Applied());
  EXPECT_EQ(sql.Text(), kBase);
  EXPECT_EQ(conditions.BaseSQL(), "");

  conditions.AddCondition("c", "c = 3", false);
  conditions.AddCondition("d", "d = 4", false);
  conditions.Apply();
  EXPECT_TRUE(conditions.Applied());
  EXPECT_EQ(sql.Text(), kBase);
}

TEST_F(Conditions, AfterACancelTheNextApplyStartsFromTheChangedText) {
  conditions.AddCondition("c", "c = 3", true);
  conditions.Apply();
  sql.SetText("select * from u\r\n");  // the hook cancelled first
  EXPECT_EQ(sql.Text(), "select * from u\r\n");
  EXPECT_FALSE(conditions.Applied());
  conditions.Apply();
  EXPECT_EQ(conditions.BaseSQL(), "select * from u\r\n");
  EXPECT_EQ(Occurrences(sql.Text(), "from u"), 1);
  EXPECT_EQ(Occurrences(sql.Text(), "c = 3"), 1);

  conditions.CancelApply();
  sql.Add("order by 1");
  conditions.Apply();
  EXPECT_EQ(conditions.BaseSQL(), "select * from u\r\norder by 1\r\n");
  EXPECT_EQ(Occurrences(sql.Text(), "c = 3"), 1);
}

// The statement takes its conditions out before any edit of its text, so each edit lands
// on the text as written; an edit at a line only the conditioned text has is refused.
TEST(StatementConditions, EveryEditOfTheTextIsMadeToTheBase) {
  const AnsiString base = "select * from t\r\nwhere a = 1\r\n";
  struct Case {
    const char* name;
    std::function<void(TStrings&)> edit;
    const char* text;  // nullptr: refused with the list's index error
  };
  const std::vector<Case> cases{
      {"add", [](TStrings& sql) { sql.Add("order by 1"); }, "select * from t\r\nwhere a = 1\r\norder by 1\r\n"},
      {"put", [](TStrings& sql) { sql.SetStrings(1, "where a = 2"); }, "select * from t\r\nwhere a = 2\r\n"},
      {"insert", [](TStrings& sql) { sql.Insert(0, "-- head"); }, "-- head\r\nselect * from t\r\nwhere a = 1\r\n"},
      {"delete", [](TStrings& sql) { sql.Delete(1); }, "select * from t\r\n"},
      {"whole", [](TStrings& sql) { sql.SetText("select 1 from u"); }, "select 1 from u\r\n"},
      {"delete past the base", [](TStrings& sql) { sql.Delete(sql.Count() - 1); }, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFIBQuery query(nullptr);
    query.SQL().SetText(base);
    query.Conditions().AddCondition("c", "c = 3", true);
    query.Conditions().AddCondition("d", "d = 4", true);
    query.Conditions().Apply();
    ASSERT_GT(query.SQL().Count(), 2);
    if (c.text == nullptr) {
      EXPECT_THROW(c.edit(query.SQL()), EStringListError);
      EXPECT_EQ(query.SQL().Text(), base);
    } else {
      c.edit(query.SQL());
      EXPECT_EQ(query.SQL().Text(), c.text);
    }
    EXPECT_FALSE(query.Conditions().Applied());
    // Applying again starts from the edited text.
    const AnsiString edited = query.SQL().Text();
    query.Conditions().Apply();
    EXPECT_EQ(query.Conditions().BaseSQL(), edited);
    EXPECT_EQ(Occurrences(query.SQL().Text(), "c = 3"), 1);
  }
}

TEST_F(Conditions, PlainLinesAndCopies) {
  conditions.AddCondition("c", "c = 3", true);
  conditions.AddCondition("d", "", false);
  TStringList lines;
  conditions.SaveToPlainLines(lines);
  EXPECT_EQ(lines.Text(), "c#$#$c = 3#$#$1\r\nd#$#$#$#$0\r\n");

  lines.Add("bare");
  TConditions read(nullptr, nullptr);
  read.LoadFromPlainLines(lines);
  ASSERT_EQ(read.Count(), 3);
  EXPECT_EQ(read.ValueFromIndex(0), "c = 3");
  EXPECT_TRUE(read.Condition(0)->Enabled());
  EXPECT_FALSE(read.Condition(1)->Enabled());
  EXPECT_EQ(read.Names(2), "bare");
  EXPECT_FALSE(read.Condition(2)->Enabled());
  read.Apply();  // without a text list there is nothing to change

  auto copy = std::make_unique<TConditions>(nullptr, nullptr);
  copy->Assign(&conditions);
  copy->FindCondition("c")->SetEnabled(false);
  EXPECT_TRUE(conditions.FindCondition("c")->Enabled());
  conditions.Clear();
  EXPECT_EQ(copy->Count(), 2);
  EXPECT_THROW(copy->Assign(&lines), EConvertError);
}

}  // namespace
}  // namespace ordvane
