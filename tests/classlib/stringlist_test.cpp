#include <gtest/gtest.h>

#include <random>

#include "classlib/core/CodePages.h"
#include "classlib/core/StringLists.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

std::vector<AnsiString> Lines(const TStrings& list) {
  std::vector<AnsiString> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

using test::Ansi;

void AddAll(TStrings& list, const std::vector<AnsiString>& lines) {
  for (const auto& line : lines) list.Add(line);
}

TEST(StringList, SortsByTheLocaleIgnoringCaseByDefault) {
  TStringList list;
  AddAll(list,
         Ansi({"Юрченко", "ігнатенко", "Іваненко", "Бондар", "Єрмоленко", "Ґудзь", "Гнатюк", "Андрієнко"}));
  list.Sort();
  EXPECT_EQ(Lines(list), Ansi({"Андрієнко", "Бондар", "Гнатюк", "Ґудзь", "Єрмоленко", "Іваненко", "ігнатенко",
                               "Юрченко"}));
  EXPECT_EQ(list.IndexOf(Utf8ToAnsi("БОНДАР")), 1);

  list.SetSorted(true);
  int index;
  EXPECT_TRUE(list.Find(Utf8ToAnsi("ґудзь"), index));
  EXPECT_EQ(index, 3);
  EXPECT_FALSE(list.Find(Utf8ToAnsi("Дмитренко"), index));
  EXPECT_EQ(index, 4);  // where it would go
  EXPECT_EQ(list.Add(Utf8ToAnsi("Дмитренко")), 4);

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf(Utf8ToAnsi("БОНДАР")), -1);
  EXPECT_EQ(list.IndexOf(Utf8ToAnsi("Бондар")), 1);
}

TEST(StringList, SortedListsAndDuplicates) {
  TStringList list;
  list.SetSorted(true);
  AddAll(list, {"b", "a", "c"});
  EXPECT_EQ(list.Add("B"), 1);  // dupIgnore: an equal line (ignoring case) is already there
  EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"a", "b", "c"}));

  list.SetDuplicates(dupError);
  EXPECT_EQ(ErrorOf<EStringListError>([&] { list.Add("A"); }), "String list does not allow duplicates");
  EXPECT_EQ(list.Count(), 3);

  list.SetDuplicates(dupAccept);
  list.AddObject("B", &list);
  EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"a", "B", "b", "c"}));
  EXPECT_EQ(list.Objects(1), &list);

  // Case-sensitive, lower before upper; switching re-sorts.
  list.SetCaseSensitive(true);
  list.Add("A");
  EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"a", "A", "b", "B", "c"}));

  for (auto action :
       std::vector<std::function<void()>>{[&] { list.Insert(0, "x"); }, [&] { list.SetStrings(0, "x"); },
                                          [&] { list.Move(0, 1); }, [&] { list.SetValueFromIndex(0, "1"); }})
    EXPECT_EQ(ErrorOf<EStringListError>(action), "Operation not allowed on sorted list");
  list.SetValues("b2", "x");  // a new name goes to its place
  EXPECT_EQ(list.IndexOf("b2=x"), 4);
  list.Delete(4);

  // Unsorted again: positions are the caller's.
  list.SetSorted(false);
  list.Insert(0, "z");
  list.Move(0, 5);
  EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"a", "A", "b", "B", "c", "z"}));
  EXPECT_EQ(ErrorOf<EStringListError>([&] { list.Strings(6); }), "List index out of bounds (6)");
  EXPECT_EQ(ErrorOf<EStringListError>([&] { list.Insert(7, "x"); }), "List index out of bounds (7)");
  EXPECT_EQ(ErrorOf<EStringListError>([&] { list.Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_THROW(list.Objects(6), EListError);
}

TEST(StringList, NamesAndValuesSplitAtTheFirstEquals) {
  TStringList list;
  AddAll(list, {"user_name=SYSDBA", "Path=C:\\db=1", "no equals", "=empty name", "Role="});
  EXPECT_EQ(list.Names(0), "user_name");
  EXPECT_EQ(list.Names(1), "Path");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(1), "C:\\db=1");
  EXPECT_EQ(list.ValueFromIndex(2), "");
  EXPECT_EQ(list.ValueFromIndex(-1), "");
  EXPECT_EQ(list.Values("USER_NAME"), "SYSDBA");  // names compare without regard to case
  EXPECT_EQ(list.Values(""), "empty name");
  EXPECT_EQ(list.Values("no equals"), "");
  EXPECT_EQ(list.IndexOfName("role"), 4);
  EXPECT_EQ(list.IndexOfName("missing"), -1);

  list.SetValues("path", "D:\\other");
  EXPECT_EQ(list.Strings(1), "path=D:\\other");
  list.SetValues("lc_ctype", "WIN1251");
  EXPECT_EQ(list.Strings(5), "lc_ctype=WIN1251");
  list.SetValues("Role", "");
  EXPECT_EQ(list.IndexOfName("Role"), -1);
  list.SetValueFromIndex(2, "no line lost");  // a line without "=" keeps its text as the name
  EXPECT_EQ(list.Strings(2), "no equals=no line lost");
  list.SetValueFromIndex(0, "");
  EXPECT_EQ(list.Count(), 4);
}

TEST(StringList, TextUsesCrLf) {
  TStringList list;
  list.SetText("a\r\nb\rc\n\nd");
  EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"a", "b", "c", "", "d"}));
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\n\r\nd\r\n");
  list.SetText(list.Text());
  EXPECT_EQ(list.Count(), 5);
  list.SetText("\r\r\n");
  EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"", ""}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
  list.SetText(std::string("nul\0inside", 10));
  EXPECT_EQ(list.Strings(0).size(), 10u);
}

TEST(StringList, CommaTextQuotesWhatNeedsIt) {
  TStringList list;
  AddAll(list, {"plain", "two words", "say \"hi\"", "", "a,b", "tab\tx", Utf8ToAnsi("Прізвище")});
  EXPECT_EQ(list.CommaText(),
            "plain,\"two words\",\"say \"\"hi\"\"\",,\"a,b\",\"tab\tx\"," + Utf8ToAnsi("Прізвище"));

  list.Clear();
  list.Add("");
  EXPECT_EQ(list.CommaText(), "\"\"");
  list.Clear();
  EXPECT_EQ(list.CommaText(), "");

  list.SetCommaText("  a , \"b c\" ,d,");
  EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"a", "b c", "d", ""}));
  list.SetCommaText("x y");  // an unquoted blank separates lines too
  EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"x", "y"}));
  list.SetCommaText("\"unterminated, text");
  EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"unterminated, text"}));
}

TEST(StringList, CommaTextAndTextRoundTrip) {
  std::mt19937 random(1251);
  // Two zero bytes, so that lines hold them often.
  const std::string alphabet = std::string("ab ,\"'\t\r\n=\xC0\xFF\x01\0", 14) + '\0';
  for (int round = 0; round < 300; ++round) {
    TStringList list;
    for (int n = static_cast<int>(random() % 5); n > 0; --n) {
      AnsiString line;
      for (int len = static_cast<int>(random() % 6); len > 0; --len)
        line += alphabet[random() % alphabet.size()];
      list.Add(line);
    }
    TStringList copy;
    copy.SetCommaText(list.CommaText());
    ASSERT_EQ(Lines(copy), Lines(list)) << list.CommaText();

    // Text keeps every line that holds no line break.
    TStringList flat;
    for (const auto& line : Lines(list))
      if (line.find_first_of("\r\n") == AnsiString::npos) flat.Add(line);
    copy.SetText(flat.Text());
    ASSERT_EQ(Lines(copy), Lines(flat));
  }
}

int gLiveStringObjects = 0;
struct TCountedString : TObject {
  TCountedString() { ++gLiveStringObjects; }
  ~TCountedString() override { --gLiveStringObjects; }
};

TEST(StringList, OwnedObjectsDieWithTheirLines) {
  {
    TStringList list(true);
    for (const char* name : {"a", "b", "c", "d"}) list.AddObject(name, new TCountedString);
    list.Delete(0);
    EXPECT_EQ(gLiveStringObjects, 3);
    list.SetObjects(0, new TCountedString);  // the replaced object goes
    EXPECT_EQ(gLiveStringObjects, 3);
    list.SetObjects(0, list.Objects(0));
    EXPECT_EQ(gLiveStringObjects, 3);
    list.Move(0, 2);  // moving a line keeps its object
    list.Exchange(0, 1);
    EXPECT_EQ(gLiveStringObjects, 3);
    EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"d", "c", "b"}));
    list.Clear();
    EXPECT_EQ(gLiveStringObjects, 0);
    list.AddObject("e", new TCountedString);
  }
  EXPECT_EQ(gLiveStringObjects, 0);

  // A list that does not own its objects leaves them alone; copies share them.
  TCountedString object;
  TStringList borrowed;
  borrowed.AddObject("x", &object);
  TStringList copy;
  copy.Add("old");
  copy.Assign(&borrowed);
  EXPECT_EQ(Lines(copy), std::vector<AnsiString>{"x"});
  EXPECT_EQ(copy.Objects(0), &object);
  EXPECT_EQ(copy.IndexOfObject(&object), 0);
  copy.AddStrings(&copy);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_TRUE(copy.Equals(&copy));
  EXPECT_FALSE(copy.Equals(&borrowed));
  copy.Clear();
  EXPECT_EQ(gLiveStringObjects, 1);
}

TEST(StringList, ChangeEventsBracketEveryChange) {
  TStringList list;
  std::string events;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    events += '<';
  };
  list.OnChange = [&](TObject*) { events += '>'; };
  list.Add("b");
  list.Add("a");
  list.Sort();
  EXPECT_EQ(events, "<><><>");

  events.clear();
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("c");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(events, "<");
  list.EndUpdate();
  EXPECT_EQ(events, "<>");

  events.clear();
  list.SetText("x\r\ny");  // one bracket for the whole text
  EXPECT_EQ(events, "<>");

  events.clear();
  list.SetSorted(true);
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.Add("x"), EStringListError);
  list.SetDuplicates(dupIgnore);
  list.Add("X");
  EXPECT_EQ(events, "<>");  // the sort only; refused and ignored lines change nothing
}

TEST(StringList, CustomSortSeesTheListByIndex) {
  TStringList list;
  AddAll(list, {"ccc", "a", "bb", "dd", "e", "fff"});
  list.CustomSort([](TStringList* l, int i, int j) {
    return static_cast<int>(l->Strings(i).size()) - static_cast<int>(l->Strings(j).size());
  });
  // By length; lines of equal length keep their order.
  EXPECT_EQ(Lines(list), (std::vector<AnsiString>{"a", "e", "bb", "dd", "ccc", "fff"}));

  list.SetSorted(true);
  list.CustomSort([](TStringList*, int, int) { return 1; });  // a sorted list is left as it is
  EXPECT_EQ(list.Strings(0), "a");
}

}  // namespace
}  // namespace ordvane
