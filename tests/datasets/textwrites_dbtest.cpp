// Text written through a dataset (insert, edit, cached updates) on NONE, WIN1251, UTF8 and
// KOI8R connections to WIN1251 and UTF8 databases is stored as written, or the write
// raises an error that names the field and the value: a text too long for its column and
// a character the connection or the column cannot hold are never cut or made "?".
// isql-fb reads what the server stored.

#include <gtest/gtest.h>

#include <functional>

#include "classlib/core/CodePages.h"
#include "datasets/FIBFields.h"
#include "tests/classlib/Support.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

struct WriteCase {
  const char* connection;
  const char* database;
};

std::string PrintTo(const WriteCase& c) {
  return std::string(c.connection) + "_to_" + c.database;
}

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

const std::string Cyrillic20 = "АБВГДЕЖЗИЙКЛМНОПРСТУ";
const std::string Cyrillic21 = Cyrillic20 + "Ф";

class TextWritesTest : public testing::TestWithParam<WriteCase> {
 protected:
  TextWritesTest() {
    fForm.SetName("Form");
    fDataSet->SetName("DataSet");
    ConnectForPosting(*fDatabase, *fTransaction, *fDataSet, fDb, GetParam().connection);
    fDataSet->AutoUpdateOptions().SetAutoReWriteSqls(true);
    fDataSet->AutoUpdateOptions().SetUpdateTableName("NOTES");
    fDataSet->AutoUpdateOptions().SetKeyFields("ID");
    fDataSet->SelectSQL().SetText("select id, v, c, m from notes order by id");
  }
  std::string Connection() const { return GetParam().connection; }
  std::string Database() const { return GetParam().database; }
  bool UnicodeDatabase() const { return Database() == "UTF8"; }
  // Both ends take any character: a UTF8 database through a UTF8 or NONE connection.
  bool HoldsAnyCharacter() const {
    return UnicodeDatabase() && (Connection() == "UTF8" || Connection() == "NONE");
  }
  std::string Stored(int id, const char* column) {
    return IsqlRows(fDb, std::string("select ") + column + " from notes where id = " + std::to_string(id));
  }
  void Reopen() {
    fDataSet->Close();
    fDataSet->Open();
  }
  void AddRow(int id, const std::string& utf8) {
    Reopen();
    fDataSet->Append();
    fDataSet->FieldByName("ID")->SetAsInteger(id);
    fDataSet->FieldByName("V")->SetValue(Variant(Utf8Decode(utf8)));
    fDataSet->Post();
  }
  // A UTF8 connection takes any character; the server alone knows what the column's
  // character set lacks, and its error names neither field nor value.
  bool ColumnRefusesOnServer() const { return Connection() == "UTF8" && !UnicodeDatabase(); }
  // Runs the write; false when it raised, and then its message names the field and the
  // value (unless only the server could tell) and the dataset is left as it was.
  bool Writes(const char* field, const std::string& utf8, const std::function<void()>& write) {
    try {
      write();
      return true;
    } catch (const Exception& error) {
      const WideString message = AnsiToWide(error.Message());
      if (fServerMayRefuse && ColumnRefusesOnServer() &&
          message.find(u"Cannot transliterate") != WideString::npos) {
        fDataSet->Cancel();
        return false;
      }
      EXPECT_NE(message.find(AnsiToWide(field)), WideString::npos) << error.Message();
      // The value as the program held it: wide text whole, its ANSI form otherwise.
      EXPECT_TRUE(message.find(Utf8Decode(utf8)) != WideString::npos ||
                  message.find(AnsiToWide(WideToAnsi(Utf8Decode(utf8)))) != WideString::npos)
          << error.Message();
      if (fDataSet->State() != dsBrowse) fDataSet->Cancel();
      return false;
    }
  }
  // Inserts a row whose field holds the text (as wide text, as an import gives it, or as
  // ANSI text), then posts; false when the write raised.
  bool Inserts(int id, const char* field, const std::string& utf8, bool wide) {
    Reopen();
    return Writes(field, utf8, [&] {
      fDataSet->Append();
      fDataSet->FieldByName("ID")->SetAsInteger(id);
      SetText(field, utf8, wide);
      fDataSet->Post();
    });
  }
  bool Edits(int id, const char* field, const std::string& utf8, bool wide) {
    Reopen();
    EXPECT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    return Writes(field, utf8, [&] {
      fDataSet->Edit();
      SetText(field, utf8, wide);
      fDataSet->Post();
    });
  }
  void SetText(const char* field, const std::string& utf8, bool wide) {
    if (wide)
      fDataSet->FieldByName(field)->SetValue(Variant(Utf8Decode(utf8)));
    else
      fDataSet->FieldByName(field)->SetAsString(Utf8ToAnsi(utf8));
  }

  // Set by the cases whose characters the database may lack.
  bool fServerMayRefuse = false;
  AnsiCodePageScope fCodePage{CP_WIN1251};
  TestDatabase fDb{"datasets/textwrites.sql", DatabaseOptions{3, GetParam().database}};
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
};

TEST_P(TextWritesTest, TextLongerThanItsColumnRaisesOnInsertAndEdit) {
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "wide" : "ANSI");
    const int id = wide ? 2 : 1;
    ASSERT_TRUE(Inserts(id, "V", Cyrillic20, wide));
    EXPECT_EQ(Stored(id, "v"), Cyrillic20);
    EXPECT_FALSE(Inserts(id + 10, "V", Cyrillic21, wide));
    EXPECT_EQ(Stored(id + 10, "v"), "");
    EXPECT_FALSE(Edits(id, "V", Cyrillic21, wide));
    EXPECT_EQ(Stored(id, "v"), Cyrillic20);
    EXPECT_FALSE(Edits(id, "C", "Щоденникова", wide));
    EXPECT_EQ(Stored(id, "c"), "<null>");
  }
  // A number written into a text column is text: "21474836,47" has 11 characters.
  Reopen();
  EXPECT_FALSE(Writes("C", "21474836,47", [&] {
    fDataSet->Append();
    fDataSet->FieldByName("ID")->SetAsInteger(30);
    fDataSet->FieldByName("C")->SetValue(Variant(21474836.47));
    fDataSet->Post();
  }));
  EXPECT_EQ(Stored(30, "count(*)"), "0");
}

TEST_P(TextWritesTest, TextLongerThanItsColumnRaisesInCachedUpdates) {
  fDataSet->SetCachedUpdates(true);
  Reopen();
  fDataSet->Append();
  fDataSet->FieldByName("ID")->SetAsInteger(1);
  EXPECT_FALSE(Writes("V", Cyrillic21, [&] {
    fDataSet->FieldByName("V")->SetAsString(Utf8ToAnsi(Cyrillic21));
    fDataSet->Post();
    fDataSet->ApplyCachedUpdates();
  }));
  EXPECT_EQ(Stored(1, "count(*)"), "0");
}

TEST_P(TextWritesTest, CharactersOutsideTheBasicPlaneCountOnce) {
  const std::string smile = "😀";
  fServerMayRefuse = true;
  const bool stored = Inserts(1, "V", Repeat(smile, 20), true);
  EXPECT_EQ(stored, HoldsAnyCharacter());
  EXPECT_EQ(Stored(1, "v"), stored ? Repeat(smile, 20) : "");
  EXPECT_FALSE(Inserts(2, "V", Repeat(smile, 21), true));
  EXPECT_EQ(Stored(2, "count(*)"), "0");
}

TEST_P(TextWritesTest, TextTheCharacterSetsCannotHoldRaises) {
  fServerMayRefuse = true;
  int id = 0;
  for (const std::string text : {"Ωμέγα", "中文", "a😀b", "Müller Ελλάδα"}) {
    SCOPED_TRACE(text);
    ++id;
    const bool stored = Inserts(id, "V", text, true);
    EXPECT_EQ(stored, HoldsAnyCharacter());
    EXPECT_EQ(Stored(id, "v"), stored ? text : "");
  }
}

// Sets wide text into the text and memo fields of a new row: refused, naming the field and
// the text, when `refused`, else taken.
void ExpectFieldsTakeOrRefuse(TDataSet& dataSet, const std::string& utf8, bool refused) {
  for (const char* field : {"V", "M"}) {
    SCOPED_TRACE(field);
    try {
      dataSet.FieldByName(field)->SetValue(Variant(Utf8Decode(utf8)));
      EXPECT_FALSE(refused) << "set without an error";
    } catch (const Exception& error) {
      EXPECT_TRUE(refused) << error.Message();
      EXPECT_NE(error.Message().find(AnsiString("Field '") + field + "'"), AnsiString::npos) << error.Message();
      EXPECT_NE(error.Message().find(WideToAnsi(Utf8Decode(utf8))), AnsiString::npos) << error.Message();
    }
  }
}

// Before the row is posted: a UTF8 connection describes a WIN1251 column as UTF8, yet the
// field knows the column's own set.
TEST_P(TextWritesTest, AFieldRefusesACharacterItsColumnLacksAsItIsSet) {
  Reopen();
  fDataSet->Append();
  fDataSet->FieldByName("ID")->SetAsInteger(1);
  ExpectFieldsTakeOrRefuse(*fDataSet, "Müller", !HoldsAnyCharacter());
  fDataSet->Cancel();
}

// Box drawing is in KOI8-R but not in WIN1251: the server would drop it on the way from a
// KOI8R connection into a WIN1251 column ('a─b' stored as 'ab'), so the field refuses it.
TEST_P(TextWritesTest, AKoi8FieldRefusesACharacterItsWin1251ColumnLacks) {
  if (Connection() != "KOI8R") GTEST_SKIP() << "a KOI8R connection's case";
  Reopen();
  fDataSet->Append();
  fDataSet->FieldByName("ID")->SetAsInteger(1);
  ExpectFieldsTakeOrRefuse(*fDataSet, "a─b", !UnicodeDatabase());
  if (!UnicodeDatabase()) return fDataSet->Cancel();
  fDataSet->Post();
  EXPECT_EQ(Stored(1, "v || '|' || cast(m as varchar(20))"), "a─b|a─b");
}

TEST_P(TextWritesTest, MemoTakesWideTextWhole) {
  fServerMayRefuse = true;
  const std::string text = "Ελλάδα 中文 Ніл";
  Reopen();
  const bool stored = Writes("M", text, [&] {
    fDataSet->Append();
    fDataSet->FieldByName("ID")->SetAsInteger(1);
    fDataSet->FieldByName("M")->SetValue(Variant(Utf8Decode(text)));
    fDataSet->Post();
  });
  EXPECT_EQ(stored, HoldsAnyCharacter());
  EXPECT_EQ(Stored(1, "cast(m as varchar(100))"), stored ? text : "");
  if (!stored) return;
  Reopen();
  EXPECT_EQ(fDataSet->FieldByName("M")->AsVariant().AsWideString(), Utf8Decode(text));
}

TEST_P(TextWritesTest, EmptyTextIsStoredAsNull) {
  ASSERT_TRUE(Inserts(1, "V", "", false));
  ASSERT_TRUE(Inserts(2, "V", "", true));
  EXPECT_EQ(IsqlRows(fDb, "select count(*) from notes where v is null"), "2");
}

TEST_P(TextWritesTest, BatchesStoreWhatRecordByRecordApplyStores) {
  // Each text in its character sets, a key the update finds its row by.
  const std::string text = HoldsAnyCharacter()       ? "Ελλάδα 中文 Ніл"
                           : Connection() == "KOI8R" ? "Юля Петрова"
                                                     : "Юля Ніл";
  const std::string key = HoldsAnyCharacter() ? "Müller" : "Юля";
  fDataSet->SetCachedUpdates(true);
  fDataSet->AutoUpdateOptions().SetKeyFields("V");
  for (const bool batched : {false, true}) {
    SCOPED_TRACE(batched ? "batched" : "record by record");
    const int id = batched ? 2 : 1;
    fDataSet->AutoUpdateOptions().SetUseExecuteBlock(batched);
    Reopen();
    fDataSet->Append();
    fDataSet->FieldByName("ID")->SetAsInteger(id);
    fDataSet->FieldByName("V")->SetValue(Variant(Utf8Decode(key + std::to_string(id))));
    fDataSet->FieldByName("C")->SetValue(Variant(Utf8Decode("Юля")));
    fDataSet->Post();
    fDataSet->ApplyCachedUpdates();
    EXPECT_EQ(Stored(id, "v, trim(c)"), key + std::to_string(id) + "|Юля");
    // The update finds its row by the text key.
    Reopen();
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    fDataSet->Edit();
    fDataSet->FieldByName("V")->SetValue(Variant(Utf8Decode(text)));
    fDataSet->Post();
    fDataSet->ApplyCachedUpdates();
    EXPECT_EQ(fDataSet->CachedUpdateCount(), 0);
    EXPECT_EQ(Stored(id, "v"), text);
  }
}

TEST_P(TextWritesTest, ABatchedChangeThatFindsNoRowIsRefusedWithItsBlock) {
  AddRow(1, "first");
  AddRow(2, "second");
  fDataSet->Close();
  fDataSet->SetCachedUpdates(true);
  fDataSet->SetAutoCommit(false);
  fDataSet->AutoUpdateOptions().SetUseExecuteBlock(true);
  Reopen();
  for (const int id : {1, 2}) {
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    fDataSet->Edit();
    fDataSet->FieldByName("V")->SetAsString("changed");
    fDataSet->Post();
  }
  // The second row goes away behind the dataset's back.
  TFIBQuery remove(nullptr);
  remove.SetDatabase(fDatabase);
  remove.SetTransaction(fTransaction);
  remove.SQL().SetText("delete from notes where id = 2");
  remove.ExecQuery();
  try {
    fDataSet->ApplyCachedUpdates();
    ADD_FAILURE() << "a change that found no row was dropped";
  } catch (const EDatabaseError& error) {
    EXPECT_NE(error.Message().find("record 2 found no row"), AnsiString::npos) << error.Message();
  }
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 2);
  fTransaction->CommitRetaining();
  EXPECT_EQ(IsqlRows(fDb, "select id, v from notes"), "1|first");
}

constexpr WriteCase WriteCases[]{{"NONE", "WIN1251"},  {"NONE", "UTF8"},    {"WIN1251", "WIN1251"},
                                 {"WIN1251", "UTF8"},  {"UTF8", "WIN1251"}, {"UTF8", "UTF8"},
                                 {"KOI8R", "WIN1251"}, {"KOI8R", "UTF8"}};

INSTANTIATE_TEST_SUITE_P(Charsets, TextWritesTest, testing::ValuesIn(WriteCases),
                         [](const auto& info) { return PrintTo(info.param); });

}  // namespace
}  // namespace ordvane::test
