// Record numbers and counts that skip the records a filter hides (poVisibleRecno), kept
// true when the filter or a record changes, checked against isql-fb's numbering of the
// rows the same condition selects; then field access by number, parameters by name and
// the About text.

#include <gtest/gtest.h>

#include <string>

#include "tests/datasets/MasterDetailSupport.h"

namespace ordvane::test {
namespace {

// The documents whose number ends in one of the digits, as a filter and as SQL.
std::string HidingNumbersEndingIn(const std::string& digits) {
  std::string filter;
  for (int person = 1; person <= 8; ++person)
    for (char digit : digits)
      filter += (filter.empty() ? "" : " AND ") + std::string("NUM <> 'D") + std::to_string(person) + digit + "'";
  return filter;
}

class RecordNumbersTest : public MasterDetailTest {
 protected:
  RecordNumbersTest() {
    fDetail->SetOptions(fDetail->Options() + TpFIBDsOptions{poVisibleRecno});
    fDetail->SetFilter(HidingNumbersEndingIn("3"));
    fDetail->SetFiltered(true);
    fDetail->Open();
  }
  int IsqlCount(const std::string& where) {
    return std::stoi(Oracle("select count(*) from documents where " + where));
  }
  // The id isql-fb numbers n among the rows of the condition.
  int IsqlIdAt(int n, const std::string& where) {
    return std::stoi(Oracle("select id from documents where " + where + " order by id rows " + std::to_string(n) +
                            " to " + std::to_string(n)));
  }
  int Id() { return fDetail->FieldByName("ID")->AsInteger(); }
};

TEST_F(RecordNumbersTest, NumbersCountOnlyTheRecordsShown) {
  const std::string shown = "mod(id, 10) <> 3";
  int expected = 0;
  for (fDetail->First(); !fDetail->Eof(); fDetail->Next()) EXPECT_EQ(fDetail->RecNo(), ++expected);
  EXPECT_EQ(expected, IsqlCount(shown));
  // The count is of the records fetched, now all of them.
  EXPECT_EQ(fDetail->RecordCount(), IsqlCount(shown));

  // From record 7 to record 5, the cache's seventh: a move decided by cache positions, not
  // by the numbers shown.
  for (int n : {5, 2, 16, 1, 11, 7, 5}) {
    fDetail->SetRecNo(n);
    EXPECT_EQ(Id(), IsqlIdAt(n, shown)) << "record number " << n;
    EXPECT_EQ(fDetail->RecNo(), n);
  }
}

TEST_F(RecordNumbersTest, TheCountFollowsTheFilterAndRecordsThatChange) {
  fDetail->FetchAll();
  fDetail->SetFilter(HidingNumbersEndingIn("23"));
  EXPECT_EQ(fDetail->RecordCount(), IsqlCount("mod(id, 10) = 1"));
  fDetail->SetFilter(HidingNumbersEndingIn("3"));
  EXPECT_EQ(fDetail->RecordCount(), IsqlCount("mod(id, 10) <> 3"));

  // Record 11 takes a number the filter hides.
  fDetail->First();
  ASSERT_EQ(Id(), 11);
  fDetail->Edit();
  fDetail->FieldByName("NUM")->SetAsString("D13");
  fDetail->Post();
  EXPECT_EQ(fDetail->RecordCount(), IsqlCount("mod(id, 10) <> 3") - 1);
  EXPECT_EQ(Id(), 12);
  EXPECT_EQ(fDetail->RecNo(), 1);

  fDetail->SetFiltered(false);
  EXPECT_EQ(fDetail->RecordCount(), fDetail->FetchedCount());
}

TEST_F(RecordNumbersTest, WithoutAFilterTheServerCountsWhatIsNotFetchedYet) {
  fDetail->Close();
  fDetail->SetFiltered(false);
  fDetail->Open();
  const int rows = IsqlCount("1 = 1");
  ASSERT_LT(fDetail->FetchedCount(), rows);
  EXPECT_EQ(fDetail->RecordCount(), rows);
  // Gone from the server's count in this transaction and from the fetched records: once.
  fDetail->Delete();
  EXPECT_EQ(fDetail->RecordCount(), rows - 1);

  fDetail->Close();
  fDetail->SetCachedUpdates(true);
  fDetail->Open();
  fDetail->Delete();
  EXPECT_EQ(fDetail->RecordCount(), rows - 2) << "a cached deletion the server has not seen";
}

TEST_F(MasterDetailTest, FieldsByNumberParametersByNameAndAbout) {
  fDetail->SelectSQL().SetText("select id, num from documents where person_id = :mas_id order by id");
  EXPECT_EQ(&fDetail->GetSelectSQL(), &fDetail->SelectSQL());
  ASSERT_FALSE(fDetail->Prepared());
  EXPECT_EQ(fDetail->ParamByName("MAS_ID").Name(), "MAS_ID");
  EXPECT_TRUE(fDetail->Prepared());

  fDetail->ParamByName("MAS_ID").SetAsLong(2);
  fDetail->Open();
  EXPECT_EQ(fDetail->FieldByNumber(2), fDetail->FieldByName("NUM"));
  EXPECT_EQ(fDetail->FieldByNumber(1)->AsInteger(), 21);
  EXPECT_EQ(fDetail->FieldByNumber(3), nullptr);
  EXPECT_EQ(fDetail->FieldByNumber(0), nullptr);

  EXPECT_EQ(fDetail->About(), "1.0.0 Internal");
}

}  // namespace
}  // namespace ordvane::test
