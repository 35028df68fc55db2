// Texts posted through a dataset reach the server exactly once encoded, on WIN1251, UTF8
// and KOI8R connections to databases of each of those character sets: inserted and
// edited, the old value found again through "OLD_" and the refresh found through the new
// one, then read back by isql-fb (char_length and the text) and by the dataset. A text
// the connection or the database cannot hold is refused and nothing of it is stored.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/StrUtils.h"
#include "datasets/FIBFields.h"
#include "tests/classlib/Support.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

struct TextCase {
  const char* connection;
  const char* database;
};

std::string PrintTo(const TextCase& c) { return std::string(c.connection) + "_to_" + c.database; }

std::string IconvName(const std::string& charset) {
  if (charset == "UTF8") return "UTF-8";
  return charset == "KOI8R" ? "KOI8-R" : "CP1251";
}

// Whether iconv can put the UTF-8 text into the character set whole.
bool Holds(const std::string& charset, const std::string& utf8) {
  const std::string file = WriteTempFile(utf8);
  int exitCode = 0;
  RunCommand("iconv -f UTF-8 -t " + IconvName(charset) + " " + file + " >/dev/null 2>&1", exitCode);
  return exitCode == 0;
}

std::size_t CharacterCount(const std::string& utf8) { return Utf8Decode(utf8).size(); }

class TextPostingTest : public testing::TestWithParam<TextCase> {
 protected:
  TextPostingTest() {
    fForm.SetName("Form");
    fDataSet->SetName("DataSet");
    ConnectForPosting(*fDatabase, *fTransaction, *fDataSet, Db(), GetParam().connection);
    fDataSet->InsertSQL().SetText("insert into persons (id, name, city) values (?id, ?name, ?city)");
    fDataSet->UpdateSQL().SetText(
        "update persons set name = ?name, city = ?city where id = ?old_id and name = ?old_name");
    fDataSet->RefreshSQL().SetText("select id, name, city, name_length from persons where id = ?id and name = ?name");
  }
  TestDatabase& Db() { return fDb; }
  void OpenRow(int id) {
    fDataSet->Close();
    fDataSet->SelectSQL().SetText("select id, name, city, name_length from persons where id = " + std::to_string(id));
    fDataSet->Open();
  }
  bool Accepted(const std::string& utf8) const {
    return Holds(GetParam().connection, utf8) && Holds(GetParam().database, utf8);
  }
  // isql-fb's view of the row, and the dataset's after it read the row again.
  void ExpectStored(int id, const std::string& utf8) {
    const std::string city = utf8.substr(0, utf8.find(' '));
    EXPECT_EQ(IsqlRows(Db(), "select char_length(name), name, trim(city) from persons where id = " + std::to_string(id)),
              std::to_string(CharacterCount(utf8)) + "|" + utf8 + "|" + city);
    OpenRow(id);
    ASSERT_FALSE(fDataSet->IsEmpty());
    EXPECT_EQ(fDataSet->FieldByName("NAME")->AsString(), Utf8ToAnsi(utf8));
    EXPECT_EQ(TrimRight(fDataSet->FieldByName("CITY")->AsString()), Utf8ToAnsi(city));
  }
  // Sets the text, posts, and says whether the post went through; a refused text leaves
  // the dataset as it was before the change.
  bool PostText(const std::string& utf8) {
    try {
      fDataSet->FieldByName("NAME")->SetAsString(Utf8ToAnsi(utf8));
      fDataSet->FieldByName("CITY")->SetAsString(Utf8ToAnsi(utf8.substr(0, utf8.find(' '))));
      fDataSet->Post();
      return true;
    } catch (const EDatabaseError&) {
      fDataSet->Cancel();
      return false;
    }
  }

  void InsertThenEdit(Cardinal codePage, int id, const std::string& first, const std::string& second) {
    AnsiCodePageScope scope(codePage);
    SCOPED_TRACE(first + " then " + second);
    OpenRow(id);
    fDataSet->Append();
    fDataSet->FieldByName("ID")->SetAsInteger(id);
    const bool inserted = PostText(first);
    EXPECT_EQ(inserted, Accepted(first));
    if (!inserted) {
      EXPECT_EQ(IsqlRows(Db(), "select count(*) from persons where id = " + std::to_string(id)), "0");
      return;
    }
    // The refresh found the row by the posted name, and the trigger counted its characters.
    EXPECT_EQ(fDataSet->FieldByName("NAME_LENGTH")->AsInteger(), static_cast<Integer>(CharacterCount(first)));
    ExpectStored(id, first);

    fDataSet->Edit();
    const bool edited = PostText(second);
    EXPECT_EQ(edited, Accepted(second));
    ExpectStored(id, edited ? second : first);
  }

  TestDatabase fDb{"datasets/texts.sql", DatabaseOptions{3, GetParam().database}};
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
};

TEST_P(TextPostingTest, CyrillicTextIsStoredAsTyped) {
  InsertThenEdit(CP_WIN1251, 1, "Попов Іван", "Попова Ганна");
  // Ukrainian letters: KOI8-R has none of them.
  InsertThenEdit(CP_WIN1251, 2, "Ґава Їжак", "Єва Ґонта");
  InsertThenEdit(CP_WIN1251, 3, "Сидоренко", "Її Ґанок");
}

TEST_P(TextPostingTest, LatinTextWithDiacriticsIsStoredAsTyped) {
  // A WIN1251 connection takes the program's text as it is: the program's code page must
  // then be the connection's own.
  if (std::string(GetParam().connection) == "WIN1251") GTEST_SKIP() << "no conversion on this connection";
  InsertThenEdit(CP_WIN1252, 11, "Müller Zoë", "Ñandú Çelik");
  InsertThenEdit(CP_WIN1252, 12, "Plain ASCII", "Crème Brûlée");
}

// Made before main for the instantiation below; only a lack of memory can fail it.
// NOLINTNEXTLINE(cert-err58-cpp)
const std::vector<TextCase> TextCases{
    {"UTF8", "UTF8"},    {"UTF8", "WIN1251"},    {"UTF8", "KOI8R"},    {"WIN1251", "UTF8"},  {"WIN1251", "WIN1251"},
    {"WIN1251", "KOI8R"}, {"KOI8R", "UTF8"},     {"KOI8R", "WIN1251"}, {"KOI8R", "KOI8R"}};

INSTANTIATE_TEST_SUITE_P(Charsets, TextPostingTest, testing::ValuesIn(TextCases),
                         [](const auto& info) { return PrintTo(info.param); });

}  // namespace
}  // namespace ordvane::test
