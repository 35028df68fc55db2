// Locate over the record cache against a real database: a partial key found past the
// fetched rows (the fetches counted), case-insensitive Ukrainian letters, wildcards, wide
// text of a UTF-8 connection, floats within their tolerance, nulls, an empty result,
// records out of view, the binary search with its nearest record over every row, the
// values read straight from the cache, and the count of key values checked.

#include <gtest/gtest.h>

#include <set>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/Variants.h"
#include "tests/datasets/SortingSupport.h"

namespace ordvane::test {
namespace {

// Hides the records the test names.
class THidingDataSet : public TpFIBDataSet {
  ORDVANE_CLASS(THidingDataSet, TpFIBDataSet)

 public:
  using TpFIBDataSet::TpFIBDataSet;
  std::set<Integer> hidden;

 protected:
  bool RecordIsVisible(TRecordBuffer buffer) override {
    return TpFIBDataSet::RecordIsVisible(buffer) && !hidden.contains(RecordIndexOf(buffer));
  }
};

using LocateTest = PersonsTest;

TEST_F(LocateTest, APartialKeyIsFoundPastTheFetchedRows) {
  Open("select id, name from names order by id");
  EXPECT_EQ(Fetches(), 1);
  ASSERT_TRUE(fDataSet->Locate("NAME", "ab", {loPartialKey}));
  EXPECT_EQ(Id(), 400);
  // The rows up to the match and the ones the window shows around it, not all 500.
  EXPECT_GE(Fetches(), 400);
  EXPECT_LT(Fetches(), 500);
  EXPECT_FALSE(fDataSet->Locate("NAME", "ab", {}));
  EXPECT_EQ(Id(), 400);
  EXPECT_TRUE(fDataSet->Locate("NAME", "ABC", {loCaseInsensitive}));
  EXPECT_FALSE(fDataSet->Locate("NAME", "AB", {loCaseInsensitive}));
}

TEST_F(LocateTest, TextMatchesByEveryRule) {
  Open("select id, surname from p order by id");
  struct Case {
    const char* key;
    TExtLocateOptions options;
    bool found;
  };
  const Case cases[] = {
      {"Їжакевич", {}, true},
      {"їжакевич", {}, false},
      {"їжакевич", {eloCaseInsensitive}, true},
      {"ЇЖАК", {eloCaseInsensitive, eloPartialKey}, true},
      {"їжак", {eloPartialKey}, false},
      {"іВАНЕНКО", {eloCaseInsensitive}, true},
      {"Ґудзь", {}, true},
      {"ґУДЗЬ", {eloCaseInsensitive}, true},
      {"є%ко", {eloCaseInsensitive, eloWildCards}, true},
      {"Є_тушенко", {eloWildCards}, true},
      {"є_тушенко", {eloWildCards}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const AnsiString key = Utf8ToAnsi(c.key);
    // The first id holding the value, by isql-fb with the same rule written in SQL.
    std::string where;
    const bool ci = c.options.Contains(eloCaseInsensitive);
    const std::string column = ci ? "upper(surname)" : "surname";
    const std::string value = ci ? "upper('" + std::string(c.key) + "')" : "'" + std::string(c.key) + "'";
    if (c.options.Contains(eloWildCards))
      where = column + " like " + value;
    else if (c.options.Contains(eloPartialKey))
      where = column + " starting with " + value;
    else
      where = column + " = " + value;
    const std::string oracle = Oracle("select min(id) from p where " + where);
    fDataSet->First();
    const bool found = fDataSet->InternalLocate("SURNAME", {Variant(key)}, ldFromFirst, false, c.options);
    EXPECT_EQ(found, oracle != "<null>");
    if (found) {
      EXPECT_EQ(std::to_string(Id()), oracle);
    }
    EXPECT_EQ(found, c.found);
  }
}

class WideLocateTest : public PersonsTest {
 protected:
  WideLocateTest() : PersonsTest("UTF8") {}
};

TEST_F(WideLocateTest, WideTextOfAUnicodeConnection) {
  Open("select id, wide from p order by id");
  ASSERT_EQ(fDataSet->FieldByName("WIDE")->DataType(), ftWideString);
  EXPECT_TRUE(fDataSet->Locate("WIDE", WideString(u"ЇЖАК 8"), {loCaseInsensitive}));
  EXPECT_EQ(Id(), 8);
  EXPECT_TRUE(fDataSet->Locate("WIDE", WideString(u"ґанок 1"), {loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(Id(), 1);
  EXPECT_FALSE(fDataSet->Locate("WIDE", WideString(u"ґанок 1"), {loPartialKey}));
  EXPECT_TRUE(fDataSet->InternalLocate("WIDE", {Variant(WideString(u"Ґ_нок 5%"))}, ldForward, false, {eloWildCards}));
  EXPECT_EQ(Id(), 5);
  EXPECT_TRUE(fDataSet->InternalLocate("WIDE", {Variant(WideString(u"Ґ_нок 5%"))}, ldForward, false, {eloWildCards}));
  EXPECT_EQ(Id(), 50);
  EXPECT_TRUE(fDataSet->InternalLocate("WIDE", {Variant(WideString(u"Ґ_нок 5%"))}, ldBackward, false, {eloWildCards}));
  EXPECT_EQ(Id(), 5);
}

TEST_F(LocateTest, NumbersDatesAndNulls) {
  Open("select id, born, n, amount from p order by id");
  EXPECT_TRUE(fDataSet->Locate("AMOUNT", 0.3 + 1e-13, {}));
  EXPECT_EQ(std::to_string(Id()), Oracle("select min(id) from p where amount = 0.3"));
  EXPECT_FALSE(fDataSet->Locate("AMOUNT", 0.3001, {}));
  EXPECT_TRUE(fDataSet->Locate("N", Null(), {}));
  EXPECT_EQ(std::to_string(Id()), Oracle("select min(id) from p where n is null"));
  EXPECT_TRUE(fDataSet->Locate("N;BORN", VarArrayOf({Variant(Null()), Variant(Null())}), {}));
  EXPECT_EQ(std::to_string(Id()), Oracle("select min(id) from p where n is null and born is null"));
  // A date key with a time of day still names its day.
  const std::string born = Oracle("select born from p where id = 12");
  fDataSet->First();
  const TDateTime day = EncodeDate(static_cast<Word>(std::stoi(born.substr(0, 4))),
                                   static_cast<Word>(std::stoi(born.substr(5, 2))),
                                   static_cast<Word>(std::stoi(born.substr(8, 2))));
  EXPECT_TRUE(fDataSet->Locate("BORN", Variant(day + 0.57), {}));
  EXPECT_EQ(std::to_string(Id()), Oracle("select min(id) from p where born = '" + born + "'"));
  EXPECT_TRUE(fDataSet->Locate("ID;N", VarArrayOf({Variant(12), Variant(std::stoi(Oracle("select n from p where id = 12")))}), {}));
  EXPECT_EQ(Id(), 12);
}

TEST_F(LocateTest, NothingIsFoundWhereNothingShows) {
  Open("select id, surname from nobody");
  EXPECT_FALSE(fDataSet->Locate("ID", 1, {}));
  fDataSet->Close();
  auto* hiding = new THidingDataSet(&fForm);
  hiding->SetDatabase(fDatabase);
  hiding->SetTransaction(fTransaction);
  hiding->SelectSQL().SetText("select id from p order by id");
  hiding->hidden = {4};
  hiding->Open();
  EXPECT_FALSE(hiding->Locate("ID", 5, {}));
  EXPECT_TRUE(hiding->Locate("ID", 6, {}));
  EXPECT_EQ(hiding->FieldByName("ID")->AsInteger(), 6);
}

TEST_F(LocateTest, BinarySearchReadsEveryRowAndFindsTheNearest) {
  Open("select id, n from p order by id");
  ASSERT_EQ(fDataSet->OrderInfo(), (TOrderInfo{{"ID", true}}));
  ASSERT_LT(fDataSet->FetchedCount(), 60);
  EXPECT_TRUE(fDataSet->InternalLocate("ID", {Variant(58)}, ldFromFirst, false, {eloInSortedDS}));
  EXPECT_EQ(Id(), 58);
  EXPECT_EQ(fDataSet->FetchedCount(), 60);

  fDataSet->SortByFields({"N", "ID"}, {false, true});
  const auto firstWith = [this](const std::string& n) {
    return Oracle("select first 1 id from p where n " + n + " order by id");
  };
  EXPECT_TRUE(fDataSet->InternalLocate("N", {Variant(4)}, ldFromFirst, false, {eloInSortedDS}));
  EXPECT_EQ(std::to_string(Id()), firstWith("= 4"));
  // 11 is above every value: with the nearest option the first record, the largest.
  EXPECT_FALSE(fDataSet->InternalLocate("N", {Variant(11)}, ldFromFirst, false, {eloInSortedDS}));
  EXPECT_EQ(std::to_string(Id()), firstWith("= 4"));
  EXPECT_TRUE(fDataSet->InternalLocate("N", {Variant(11)}, ldFromFirst, false, {eloInSortedDS, eloNearest}));
  EXPECT_EQ(std::to_string(Id()), firstWith("= 10"));
  // Nulls stand last in a descending order.
  EXPECT_TRUE(fDataSet->InternalLocate("N", {Null()}, ldFromFirst, false, {eloInSortedDS}));
  EXPECT_EQ(std::to_string(Id()), firstWith("is null"));
}

TEST_F(LocateTest, CachedValuesAndTheCountOfKeyValues) {
  Open("select id, surname, n from p order by id");
  fDataSet->Last();
  const void* data = nullptr;
  bool isString = false;
  ASSERT_TRUE(fDataSet->GetCachedFieldData(fDataSet->FieldByName("SURNAME"), 1, data, isString));
  ASSERT_TRUE(isString);
  EXPECT_EQ(AnsiToUtf8(*static_cast<const AnsiString*>(data)), Oracle("select surname from p where id = 2"));
  ASSERT_TRUE(fDataSet->GetCachedFieldData(fDataSet->FieldByName("N"), 2, data, isString));
  EXPECT_FALSE(isString);
  EXPECT_EQ(std::to_string(*static_cast<const Integer*>(data)), Oracle("select n from p where id = 3"));
  EXPECT_FALSE(fDataSet->GetCachedFieldData(fDataSet->FieldByName("N"), 4, data, isString));
  EXPECT_THROW(fDataSet->GetCachedFieldData(fDataSet->FieldByName("N"), 60, data, isString), EDatabaseError);

  fDataSet->First();
  EXPECT_THROW(fDataSet->Locate("ID;N", 3, {}), EDatabaseError);
  EXPECT_THROW(fDataSet->Locate("ID", VarArrayOf({Variant(3), Variant(4)}), {}), EDatabaseError);
  EXPECT_THROW(fDataSet->InternalLocate("ID;N", {Variant(3)}, ldFromFirst, false, {}), EDatabaseError);
  EXPECT_EQ(Id(), 1);
}

}  // namespace
}  // namespace ordvane::test
