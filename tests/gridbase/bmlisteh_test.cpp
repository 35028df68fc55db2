// The bookmark list of selected rows over the in-memory dataset: dataset order whatever
// the order of selection, the look-up cache, and deleting the selected records.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>

#include "gridbase/BMListEh.h"
#include "tests/gridbase/GridTestDataSet.h"

namespace ordvane {
namespace {

using test::TGridTestDataSet;

class TSelection : public TBMListEh {
 public:
  explicit TSelection(TDataSet* dataSet) : fDataSet(dataSet) {}
  int listChanges = 0;
  int clears = 0;

 protected:
  TDataSet* DataSet() const override { return fDataSet; }
  void ListChanged() override { ++listChanges; }
  void AfterClear() override { ++clears; }

 private:
  TDataSet* fDataSet;
};

struct Rows {
  TGridTestDataSet data{nullptr};
  TSelection selection{&data};

  explicit Rows(int count) {
    data.FieldDefs().Add("ID", ftInteger);
    data.Open();
    for (int id = 1; id <= count; ++id) data.AppendRecord({Variant(id)});
    selection.SetLinkActive(true);
  }
  void Go(int id) { ASSERT_TRUE(data.Locate("ID", Variant(id), {})); }
  void Select(int id, bool value = true) {
    Go(id);
    selection.SetCurrentRowSelected(value);
  }
  TBookmark BookmarkOf(int id) {
    Go(id);
    return data.Bookmark();
  }
  std::vector<int> Ids() {
    std::vector<int> ids;
    for (data.First(); !data.Eof(); data.Next()) ids.push_back(data.FieldByName("ID")->AsInteger());
    return ids;
  }
  // The selected IDs in list order.
  std::vector<int> Selected() {
    std::vector<int> ids;
    for (int i = 0; i < selection.GetCount(); ++i) {
      data.GotoBookmark(selection.GetItem(i));
      ids.push_back(data.FieldByName("ID")->AsInteger());
    }
    return ids;
  }
};

TEST(BookmarkList, SelectionInAnyOrderIsKeptInDatasetOrder) {
  Rows rows(60);
  // Records inserted in the middle come before those appended earlier.
  rows.Go(30);
  rows.data.InsertRecord({Variant(100)});
  rows.Go(2);
  rows.data.InsertRecord({Variant(101)});
  std::vector<int> order = rows.Ids();
  std::mt19937 random(124);
  std::vector<int> chosen(order.begin(), order.end());
  std::shuffle(chosen.begin(), chosen.end(), random);
  chosen.resize(25);
  std::set<int> selected;
  for (int id : chosen) {
    rows.Select(id);
    rows.Select(id);  // a second select keeps one bookmark
    selected.insert(id);
  }
  // Deselecting what is not selected changes nothing.
  for (int id : order)
    if (selected.count(id) == 0) {
      rows.Select(id, false);
      break;
    }
  std::vector<int> expected;
  for (int id : order)
    if (selected.count(id) != 0) expected.push_back(id);
  EXPECT_EQ(rows.Selected(), expected);
  for (int id : order) {
    rows.Go(id);
    EXPECT_EQ(rows.selection.GetCurrentRowSelected(), selected.count(id) != 0) << id;
    const auto at = std::find(expected.begin(), expected.end(), id);
    EXPECT_EQ(rows.selection.IndexOf(rows.data.Bookmark()),
              at == expected.end() ? -1 : static_cast<int>(at - expected.begin()));
  }
  rows.Select(expected[3], false);
  expected.erase(expected.begin() + 3);
  EXPECT_EQ(rows.Selected(), expected);
}

TEST(BookmarkList, TwoLookUpsOfOneBookmarkCompareOnceUntilTheListChanges) {
  Rows rows(40);
  for (int id = 1; id <= 40; id += 3) rows.Select(id);
  const TBookmark bookmark = rows.BookmarkOf(17);
  int index = -1;
  rows.data.comparisons = 0;
  EXPECT_FALSE(rows.selection.Find(bookmark, index));
  const int first = rows.data.comparisons;
  EXPECT_GT(first, 0);
  EXPECT_EQ(index, 6);  // after 1, 4, 7, 10, 13, 16
  EXPECT_FALSE(rows.selection.Find(bookmark, index));
  EXPECT_EQ(rows.data.comparisons, first);
  EXPECT_EQ(index, 6);
  rows.Select(19);
  rows.data.comparisons = 0;
  EXPECT_FALSE(rows.selection.Find(bookmark, index));
  EXPECT_GT(rows.data.comparisons, 0);
}

TEST(BookmarkList, DeletingTheSelectionGoesFromTheLastRecordBackwardsAndSkipsWhatIsGone) {
  Rows rows(10);
  for (int id : {7, 2, 9, 4, 5}) rows.Select(id);
  rows.Go(5);
  rows.data.Delete();  // behind the selection's back: its bookmark deletes nothing else
  std::vector<int> deleted;
  rows.data.BeforeDelete = [&](TDataSet* d) { deleted.push_back(d->FieldByName("ID")->AsInteger()); };
  const int changes = rows.selection.listChanges;
  rows.selection.DeleteSelectedRecords();
  EXPECT_EQ(deleted, (std::vector<int>{9, 7, 4, 2}));
  EXPECT_EQ(rows.Ids(), (std::vector<int>{1, 3, 6, 8, 10}));
  EXPECT_EQ(rows.selection.GetCount(), 0);
  EXPECT_EQ(rows.selection.listChanges, changes + 1);
  EXPECT_FALSE(rows.data.ControlsDisabled());
}

TEST(BookmarkList, ARefusedDeleteStopsWithTheDeletedRemovedAndTheControlsEnabled) {
  Rows rows(8);
  for (int id : {2, 4, 6, 8}) rows.Select(id);
  rows.data.BeforeDelete = [](TDataSet* d) {
    if (d->FieldByName("ID")->AsInteger() == 4) throw EDatabaseError("refused");
  };
  const int changes = rows.selection.listChanges;
  EXPECT_THROW(rows.selection.DeleteSelectedRecords(), EDatabaseError);
  EXPECT_FALSE(rows.data.ControlsDisabled());
  EXPECT_EQ(rows.selection.listChanges, changes + 1);
  EXPECT_EQ(rows.Ids(), (std::vector<int>{1, 2, 3, 4, 5, 7}));
  EXPECT_EQ(rows.Selected(), (std::vector<int>{2, 4}));
}

TEST(BookmarkList, AnUnlinkedListRaisesAndLinkingOrClearingEmptiesIt) {
  Rows rows(3);
  rows.Select(2);
  rows.selection.SetLinkActive(false);
  EXPECT_EQ(rows.selection.GetCount(), 0);
  const std::vector<std::function<void()>> operations = {
      [&] { rows.selection.GetCurrentRowSelected(); }, [&] { rows.selection.SetCurrentRowSelected(true); },
      [&] { rows.selection.DeleteSelectedRecords(); }};
  for (const auto& operation : operations) {
    try {
      operation();
      ADD_FAILURE() << "an unlinked list must raise";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Cannot perform this operation on a closed dataset");
    }
  }

  rows.selection.SetLinkActive(true);
  rows.Select(1);
  rows.Select(3);
  const int changes = rows.selection.listChanges;
  rows.selection.Clear();
  rows.selection.Clear();  // nothing left: no second notice
  EXPECT_EQ(rows.selection.GetCount(), 0);
  EXPECT_EQ(rows.selection.listChanges, changes + 1);
  EXPECT_EQ(rows.selection.clears, 1);
  // No current record, nothing to select.
  rows.data.EmptyDataSet();
  rows.selection.SetCurrentRowSelected(true);
  EXPECT_FALSE(rows.selection.GetCurrentRowSelected());
  EXPECT_EQ(rows.selection.GetCount(), 0);
}

}  // namespace
}  // namespace ordvane
