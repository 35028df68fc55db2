// The client filter of a Firebird dataset: the records a filter shows are counted against
// isql-fb's count of the rows the same condition selects; then how the filter's settings,
// cached-update statuses, calculated fields, OnFilterRecord and failures change what is
// shown, and that nothing of a failed test stays behind.

#include <gtest/gtest.h>

#include <set>

#include "classlib/core/DateFormat.h"
#include "datasets/FIBFields.h"
#include "tests/classlib/Support.h"
#include "tests/datasets/DataSetDbSupport.h"
#include "tests/datasets/SortingSupport.h"

namespace ordvane::test {
namespace {

constexpr int PersonCount = 600;

TestDatabase& FilterDatabase() {
  static TestDatabase db("datasets/filter.sql", {3, "WIN1251"});
  return db;
}

// Lets a test have the last word on records the filter accepted.
class TFilterDataSet : public TpFIBDataSet {
  ORDVANE_CLASS(TFilterDataSet, TpFIBDataSet)

 public:
  using TpFIBDataSet::TpFIBDataSet;
  std::function<bool(TDataSet*)> finalStep;

 protected:
  bool FinalFilterAccepts() override { return !finalStep || finalStep(this); }
};

class FilterTest : public testing::Test {
 protected:
  FilterTest() {
    fForm.SetName("Form");
    fDataSet->SetName("DataSet");
    Configure(*fDatabase, FilterDatabase());
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    fDataSet->SelectSQL().SetText("select * from persons order by id");
  }

  // The IDs shown, first to last.
  std::vector<int> Shown() {
    std::vector<int> ids;
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) ids.push_back(fDataSet->FieldByName("ID")->AsInteger());
    return ids;
  }
  int OracleCount(const std::string& where) {
    return std::stoi(IsqlRows(FilterDatabase(), "select count(*) from persons where " + where));
  }
  void Filter(const std::string& text, TFilterOptions options = {}) {
    fDataSet->SetFilterOptions(options);
    fDataSet->SetFilter(Utf8ToAnsi(text));
    fDataSet->SetFiltered(true);
  }

  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TFilterDataSet* fDataSet = new TFilterDataSet(&fForm);
};

TEST_F(FilterTest, ShowsWhatTheSameConditionSelectsOnTheServer) {
  std::string ids300;
  for (int i = 0; i < 300; ++i) ids300 += (i > 0 ? ", " : "") + std::to_string(1000 - i * 3);
  struct TCase {
    std::string filter;
    TFilterOptions options;
    std::string where;
  };
  const std::vector<TCase> cases = {
      {"SURNAME LIKE 'Smith%'", {}, "surname like 'Smith%'"},
      {"SURNAME LIKE '_евч%'", {}, "surname like '_евч%'"},
      {"SURNAME = 'Smith*'", {}, "surname starting with 'Smith'"},
      {"SURNAME = 'шевченко'", {foCaseInsensitive}, "upper(surname) = 'ШЕВЧЕНКО'"},
      {"SURNAME <> 'іваненко'", {foCaseInsensitive}, "upper(surname) <> 'ІВАНЕНКО'"},
      {"SURNAME = 'O''Brien'", {}, "surname = 'O''Brien'"},
      {"BORN > '01.01.1980' AND BORN <= '31.12.1999'", {}, "born > '1980-01-01' and born <= '1999-12-31'"},
      {"KIDS IN (1, 3)", {}, "kids in (1, 3)"},
      {"ID IN (" + ids300 + ")", {}, "id in (" + ids300 + ")"},
      {"KIDS * 2 + 1 > 5", {}, "kids * 2 + 1 > 5"},
      {"ID >= 100 AND ID < 200 OR KIDS = 0", {}, "id >= 100 and id < 200 or kids = 0"},
      {"NOT (KIDS = 2)", {}, "not (kids = 2)"},
      {"AMOUNT > 100.5 AND AMOUNT / 2 < 300", {}, "amount > 100.5 and amount / 2 < 300"},
      {"year(BORN) = 1990 OR month(BORN) = 2", {}, "extract(year from born) = 1990 or extract(month from born) = 2"},
      {"SUBSTRING(SURNAME, 2, 3) = 'mit'", {}, "substring(surname from 2 for 3) = 'mit'"},
      {"TRIM(UPPER(SURNAME)) = 'SMITHSON'", {}, "trim(upper(surname)) = 'SMITHSON'"},
  };
  fDataSet->Open();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.filter);
    Filter(c.filter, c.options);
    const std::vector<int> shown = Shown();
    const int expected = OracleCount(c.where);
    EXPECT_EQ(static_cast<int>(shown.size()), expected);
    EXPECT_GT(expected, 0);
    EXPECT_LT(expected, PersonCount);
    // After a full pass the rejected records are exactly the ones not shown.
    const std::vector<Integer>& out = fDataSet->FilteredOutPositions();
    EXPECT_EQ(static_cast<int>(out.size()), PersonCount - expected);
    const std::set<int> shownSet(shown.begin(), shown.end());
    for (const Integer recordNo : out) EXPECT_EQ(shownSet.count(recordNo), 0u) << recordNo;
  }
}

// The visibility test reads text and dates in the record it tests; the same expression
// evaluated on the current record reads them through the fields. Both agree on every
// record: CHAR padding, trailing blanks trimmed or kept, empty and null text, null dates,
// times and time stamps, a constant on either side, two fields; also after the columns
// move between opens under the same fields. Browsing reads texts in place too.
TEST_F(FilterTest, ReadsInTheTestedRecordAgreeWithTheFields) {
  const std::vector<std::string> filters = {
      "CODE LIKE 'A_' OR ID = 1", "CODE LIKE 'A' OR ID = 2", "NOTE LIKE '%x'", "NOTE LIKE ''", "BORN = '06.06.1995'",
      "BORN <> '06.06.1995'", "BORN > '01.01.2000' OR NOTE LIKE 'a%'", "'01.01.2005' >= BORN",
      "ARRIVED < '08:00:00'", "TAKEN >= '01.06.2000 12:00:00'", "BORN < TAKEN", "TAKEN IS NULL OR BORN <= TAKEN"};
  // Evaluated on each record in turn, outside the visibility test.
  const auto accepted = [&] {
    fDataSet->SetFiltered(false);
    std::vector<int> ids;
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next())
      if (fDataSet->FilterParser()->BooleanResult()) ids.push_back(fDataSet->FieldByName("ID")->AsInteger());
    return ids;
  };
  // Browsing, a text is read in place; its old value, read under another state, is copied.
  const auto compareTexts = [&] {
    fDataSet->SetFiltered(false);
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next())
      for (const char* name : {"CODE", "NOTE"}) {
        TField* field = fDataSet->FieldByName(name);
        const Variant old = field->OldValue();
        EXPECT_EQ(VarIsNull(field->AsVariant()), VarIsNull(old)) << name;
        EXPECT_EQ(field->AsString(), VarToStr(old)) << name;
      }
  };
  const auto compareAll = [&] {
    compareTexts();
    for (const std::string& text : filters) {
      SCOPED_TRACE(text);
      Filter(text);
      const std::vector<int> shown = Shown();
      EXPECT_EQ(shown, accepted());
      EXPECT_GT(shown.size(), 0u);
      EXPECT_LT(shown.size(), 60u);
    }
  };
  fDataSet->SelectSQL().SetText("select * from marks order by id");
  for (const bool trim : {true, false}) {
    SCOPED_TRACE(trim);
    fDataSet->Close();
    fDataSet->SetOptions(trim ? fDataSet->Options() + TpFIBDsOptions{poTrimCharFields}
                              : fDataSet->Options() - TpFIBDsOptions{poTrimCharFields});
    fDataSet->Open();
    compareAll();
  }
  // Fields of their own, kept over the close; the columns come in another order.
  fDataSet->Close();
  fDataSet->FieldDefs().Update();
  for (int i = 0; i < fDataSet->FieldDefs().Count(); ++i) fDataSet->FieldDefs().Items(i)->CreateField(fDataSet);
  fDataSet->Open();
  Filter("CODE LIKE 'A%'");
  fDataSet->Close();
  fDataSet->SelectSQL().SetText("select taken, arrived, born, note, code, id from marks order by id");
  fDataSet->Open();
  compareAll();
}

TEST_F(FilterTest, SettingsRebuildTheParserOrFreeIt) {
  fDataSet->Open();
  Filter("SURNAME = 'smith'");
  EXPECT_TRUE(Shown().empty());
  const TExpressionParser* caseSensitive = fDataSet->FilterParser();
  ASSERT_NE(caseSensitive, nullptr);
  // Only the options change: a new parser, and the compare ignores case now.
  fDataSet->SetFilterOptions({foCaseInsensitive});
  EXPECT_NE(fDataSet->FilterParser(), caseSensitive);
  EXPECT_EQ(static_cast<int>(Shown().size()), OracleCount("surname = 'Smith'"));
  // An empty text frees the parser and every record shows again, Filtered or not.
  fDataSet->SetFilter("");
  EXPECT_EQ(fDataSet->FilterParser(), nullptr);
  EXPECT_TRUE(fDataSet->Filtered());
  EXPECT_EQ(static_cast<int>(Shown().size()), PersonCount);
  // A text set while closed is parsed at open.
  fDataSet->Close();
  fDataSet->SetFilter("KIDS = 4");
  EXPECT_EQ(fDataSet->FilterParser(), nullptr);
  fDataSet->Open();
  EXPECT_EQ(static_cast<int>(Shown().size()), OracleCount("kids = 4"));
}

TEST_F(FilterTest, AFailingTextKeepsThePreviousFilter) {
  fDataSet->Open();
  Filter("KIDS = 1");
  const TExpressionParser* parser = fDataSet->FilterParser();
  const int kidsOne = OracleCount("kids = 1");
  for (const char* text : {"KIDS = ", "NOPE = 1", "BORN = 'soon'"}) {
    SCOPED_TRACE(text);
    try {
      fDataSet->SetFilter(text);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message().rfind("Can't parse Filter for:\r\n", 0), 0u) << e.Message();
    }
    EXPECT_EQ(fDataSet->Filter(), "KIDS = 1");
    EXPECT_EQ(fDataSet->FilterParser(), parser);
    EXPECT_EQ(static_cast<int>(Shown().size()), kidsOne);
  }
}

TEST_F(FilterTest, DeletedRecordsStayHiddenWhateverTheFilterSays) {
  fDataSet->SetCachedUpdates(true);
  fDataSet->DeleteSQL().SetText("delete from persons where id = ?old_id");
  fDataSet->Open();
  ASSERT_TRUE(fDataSet->Locate("ID", Variant(5), {}));
  fDataSet->Delete();
  Filter("ID = 5 OR ID = 6");
  EXPECT_EQ(Shown(), std::vector<int>{6});
  EXPECT_EQ(fDataSet->FilteredOutPositions().front(), 1);
  // Shown by its status, the deleted record still meets the filter.
  fDataSet->SetUpdateRecordTypes({cusUnmodified, cusModified, cusInserted, cusDeleted});
  EXPECT_EQ(Shown(), (std::vector<int>{5, 6}));
}

TEST_F(FilterTest, CalculatedFieldsAreComputedForTheRecordTested) {
  for (const bool cached : {false, true}) {
    SCOPED_TRACE(cached);
    fDataSet->Close();
    while (fDataSet->FieldCount() > 0) delete fDataSet->Fields()[0];
    auto* id = new TFIBIntegerField(fDataSet);
    id->SetFieldName("ID");
    id->SetDataSet(fDataSet);
    auto* kids = new TFIBIntegerField(fDataSet);
    kids->SetFieldName("KIDS");
    kids->SetDataSet(fDataSet);
    auto* twice = new TIntegerField(fDataSet);
    twice->SetFieldName("TWICE");
    twice->SetFieldKind(fkCalculated);
    twice->SetDataSet(fDataSet);
    fDataSet->OnCalcFields = [=](TDataSet*) { twice->SetAsInteger(kids->AsInteger() * 2); };
    fDataSet->SetOptions(cached ? fDataSet->Options() + TpFIBDsOptions{poCacheCalcFields}
                                : fDataSet->Options() - TpFIBDsOptions{poCacheCalcFields});
    fDataSet->SetFilter("");
    fDataSet->Open();
    // Records scrolled over before the filter: their values must not decide for others.
    fDataSet->MoveBy(10);
    Filter("TWICE = 4");
    EXPECT_EQ(twice->FieldKind(), fkCalculated);
    const std::vector<int> shown = Shown();
    EXPECT_EQ(static_cast<int>(shown.size()), OracleCount("kids = 2"));
    for (const int shownId : shown) EXPECT_EQ(shownId % 5, 2) << shownId;
  }
}

TEST_F(FilterTest, OnFilterRecordAndTheFinalStepDecideAfterTheExpression) {
  fDataSet->Open();
  std::vector<int> askedKids;
  TDataSetState stateSeen = dsInactive;
  fDataSet->OnFilterRecord = [&](TDataSet* dataSet, bool& accept) {
    EXPECT_TRUE(accept);
    stateSeen = dataSet->State();
    askedKids.push_back(dataSet->FieldByName("KIDS")->AsInteger());
    accept = dataSet->FieldByName("ID")->AsInteger() % 2 == 0;
  };
  fDataSet->finalStep = [](TDataSet* dataSet) { return dataSet->FieldByName("ID")->AsInteger() % 3 != 0; };
  Filter("KIDS = 1");
  const std::vector<int> shown = Shown();
  EXPECT_EQ(static_cast<int>(shown.size()), OracleCount("kids = 1 and mod(id, 2) = 0 and mod(id, 3) <> 0"));
  EXPECT_EQ(stateSeen, dsFilter);
  ASSERT_FALSE(askedKids.empty());
  for (const int kids : askedKids) EXPECT_EQ(kids, 1);
  EXPECT_EQ(fDataSet->State(), dsBrowse);
}

TEST_F(FilterTest, AFailingTestLeavesTheDataSetBrowsing) {
  fDataSet->SelectSQL().SetText("select * from persons where nick is null order by id");
  fDataSet->Open();
  fDataSet->SetFilter("NICK");
  EXPECT_EQ(ErrorOf<EVariantError>([&] { fDataSet->SetFiltered(true); }),
            "Could not convert variant of type (Null) into type (Boolean)");
  EXPECT_EQ(fDataSet->State(), dsBrowse);
  EXPECT_FALSE(fDataSet->ControlsDisabled());
  fDataSet->SetFilter("KIDS = 1");
  fDataSet->OnFilterRecord = [](TDataSet*, bool&) { throw EAbort(); };
  EXPECT_THROW(fDataSet->SetFiltered(true), EAbort);
  EXPECT_EQ(fDataSet->State(), dsBrowse);
  EXPECT_FALSE(fDataSet->ControlsDisabled());
  fDataSet->OnFilterRecord = {};
  fDataSet->SetFiltered(false);
  EXPECT_EQ(static_cast<int>(Shown().size()), OracleCount("nick is null"));
}

TEST_F(FilterTest, ReopeningWithDefaultFieldsLeavesNoStaleFieldBehind) {
  fDataSet->Open();
  Filter("KIDS = 3 AND SURNAME LIKE 'S%'");
  const int expected = OracleCount("kids = 3 and surname like 'S%'");
  EXPECT_EQ(static_cast<int>(Shown().size()), expected);
  fDataSet->Close();
  fDataSet->Open();
  fDataSet->SetFiltered(false);
  fDataSet->SetFiltered(true);
  EXPECT_EQ(static_cast<int>(Shown().size()), expected);
}

TEST_F(FilterTest, ASortKeepsTheFilterAndRenumbersTheRejected) {
  fDataSet->Open();
  Filter("KIDS = 1");
  Shown();
  TStringList byBirth;
  byBirth.Add("BORN");
  fDataSet->SortByFieldNames(byBirth, {false});
  std::string expected;
  for (const int id : Shown()) expected += (expected.empty() ? "" : ";") + std::to_string(id);
  EXPECT_EQ(expected, IsqlRows(FilterDatabase(), "select id from persons where kids = 1 order by born desc"));
  // The numbers are those of the sorted order: the first records are born last.
  const std::vector<Integer>& out = fDataSet->FilteredOutPositions();
  EXPECT_EQ(static_cast<int>(out.size()), PersonCount - OracleCount("kids = 1"));
  EXPECT_EQ(out.front(), 1);  // the last born, ID 600, has no kids
}

TEST_F(FilterTest, LookupAnswersValuesAndStaysOnItsRecord) {
  fDataSet->Open();
  fDataSet->MoveBy(3);
  const TBookmarkStr start = fDataSet->Bookmark();
  const Integer fetched = fDataSet->FetchedCount();
  const auto stayed = [&] {
    EXPECT_EQ(fDataSet->FieldByName("ID")->AsInteger(), 4);
    EXPECT_EQ(fDataSet->CompareBookmarks(fDataSet->Bookmark(), start), 0);
  };
  // A blank result list: nothing is searched, not even the key fields' names.
  EXPECT_TRUE(VarIsEmpty(fDataSet->Lookup("NO_SUCH_FIELD", Variant(1), " ")));
  EXPECT_EQ(fDataSet->FetchedCount(), fetched);
  // One result field, past the fetched records.
  const Variant surname = fDataSet->Lookup("ID", Variant(455), "SURNAME");
  EXPECT_EQ(VarToStr(surname), IsqlRows(FilterDatabase(), "select surname from persons where id = 455"));
  stayed();
  // Several keys and several result fields.
  const Variant found = fDataSet->Lookup("SURNAME;KIDS", VarArrayOf({Variant("Smithson"), Variant(3)}), "ID;BORN");
  ASSERT_TRUE(VarIsArray(found));
  EXPECT_EQ(VarToStr(VarArrayGet(found, {0})) + "|" + FormatDateTime("yyyy-mm-dd", VarToDateTime(VarArrayGet(found, {1}))),
            IsqlRows(FilterDatabase(), "select first 1 id, born from persons where surname = 'Smithson' and kids = 3 "
                                        "order by id"));
  stayed();
  // Nothing found: unassigned, and the dataset where it was.
  EXPECT_TRUE(VarIsEmpty(fDataSet->Lookup("ID", Variant(100000), "SURNAME")));
  stayed();
  // A record the filter hides is not found.
  Filter("KIDS = 1");
  EXPECT_FALSE(VarIsEmpty(fDataSet->Lookup("ID", Variant(6), "ID")));
  EXPECT_TRUE(VarIsEmpty(fDataSet->Lookup("ID", Variant(7), "ID")));
}

TEST_F(FilterTest, LookupInTheLimitedModelAsksTheServerBeyondTheWindow) {
  StatementCounter counter;
  fDatabase->SetSQLLogger(&counter);
  fDataSet->AutoUpdateOptions().SetKeyFields("ID");
  fDataSet->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
  fDataSet->CacheModelOptions().SetBufferChunks(50);
  fDataSet->Open();
  fDataSet->MoveBy(3);
  const auto stayed = [&] {
    EXPECT_EQ(fDataSet->FieldByName("ID")->AsInteger(), 4);
    EXPECT_EQ(fDataSet->Window().First, 0);
  };
  EXPECT_TRUE(VarIsEmpty(fDataSet->Lookup("NO_SUCH_FIELD", Variant(1), "")));
  // Within the window: no statement of its own.
  EXPECT_EQ(VarToStr(fDataSet->Lookup("ID", Variant(1), "SURNAME")),
            IsqlRows(FilterDatabase(), "select surname from persons where id = 1"));
  EXPECT_EQ(counter.executions["QLookUp"], 0);
  stayed();
  // Beyond it: the server's row, the window untouched.
  const Variant found = fDataSet->Lookup("ID", Variant(455), "SURNAME;KIDS");
  ASSERT_TRUE(VarIsArray(found));
  EXPECT_EQ(VarToStr(VarArrayGet(found, {0})) + "|" + VarToStr(VarArrayGet(found, {1})),
            IsqlRows(FilterDatabase(), "select surname, kids from persons where id = 455"));
  EXPECT_EQ(counter.executions["QLookUp"], 1);
  stayed();
  EXPECT_TRUE(VarIsEmpty(fDataSet->Lookup("ID", Variant(100000), "SURNAME")));
  EXPECT_EQ(counter.executions["QLookUp"], 2);
  stayed();
  // A key value is a parameter, never SQL text.
  EXPECT_TRUE(VarIsEmpty(fDataSet->Lookup("SURNAME", Variant("x' or 1=1 or 'x"), "ID")));
  EXPECT_EQ(VarToStr(fDataSet->Lookup("SURNAME", Variant("O'Brien"), "ID")),
            IsqlRows(FilterDatabase(), "select first 1 id from persons where surname = 'O''Brien' order by id"));
  fDatabase->SetSQLLogger(nullptr);
}

}  // namespace
}  // namespace ordvane::test
