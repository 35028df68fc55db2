// Footer sums and the row selection over a dataset that posts to a real database, with
// isql-fb (a second attachment) as the oracle of what the table holds.

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "gridbase/BMListEh.h"
#include "gridbase/DBSumLst.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

TestDatabase& FooterDatabase() {
  static TestDatabase db("gridbase/footer.sql", {3, "WIN1251"});
  return db;
}

// isql-fb's decimal text in ten-thousandths: "-5.75" -> -57500.
Int64 ScaledText(const std::string& text) {
  const std::size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  fraction.resize(4, '0');
  const Int64 magnitude = std::abs(std::stoll(whole)) * 10000 + std::stoll(fraction);
  return text.front() == '-' ? -magnitude : magnitude;
}

// total / count rounded to the nearest integer, ties to even.
Int64 HalfEvenQuotient(Int64 total, Int64 count) {
  Int64 quotient = total / count, remainder = total % count;
  if (remainder < 0) {
    --quotient;
    remainder += count;
  }
  if (2 * remainder > count || (2 * remainder == count && quotient % 2 != 0)) ++quotient;
  return quotient;
}

class TSelection : public TBMListEh {
 public:
  explicit TSelection(TDataSet* dataSet) : fDataSet(dataSet) {}

 protected:
  TDataSet* DataSet() const override { return fDataSet; }

 private:
  TDataSet* fDataSet;
};

// A dataset that reads and posts through written statements, committing retaining after
// every change so that isql-fb sees it.
class FooterDbTest : public testing::Test {
 protected:
  FooterDbTest() { ConnectForPosting(*fDatabase, *fTransaction, *fDataSet, FooterDatabase()); }
  void OpenTable(const std::string& table, const std::string& columns, const std::string& parameters,
                 const std::string& assignments) {
    fDataSet->SelectSQL().SetText("select " + columns + " from " + table + " order by id");
    fDataSet->InsertSQL().SetText("insert into " + table + " (" + columns + ") values (" + parameters + ")");
    fDataSet->UpdateSQL().SetText("update " + table + " set " + assignments + " where id = ?old_id");
    fDataSet->DeleteSQL().SetText("delete from " + table + " where id = ?old_id");
    fDataSet->Open();
    fDataSet->FetchAll();
  }
  std::string Oracle(const std::string& select) { return IsqlRows(FooterDatabase(), select); }
  TField* Field(const char* name) { return fDataSet->FieldByName(name); }
  // A sum, an average and a count of V and a count of records, over the dataset.
  void AddItems() {
    for (const auto& [operation, field] : {std::pair{goSum, "V"}, {goAvg, "V"}, {goCount, "V"}, {goCount, ""}}) {
      TDBSum* item = fProducer.SumCollection().Add();
      item->SetGroupOperation(operation);
      item->SetFieldName(field);
    }
    fProducer.SetDataSet(fDataSet);
  }
  // The four aggregates against the server's over the committed table.
  void ExpectServerAggregates(const std::string& table, const std::string& when) {
    const std::string server =
        Oracle("select coalesce(sum(v), 0) as s, count(v) as c, count(*) as n from " + table);
    std::istringstream fields(server);
    std::string total, counted, rows;
    std::getline(fields, total, '|');
    std::getline(fields, counted, '|');
    std::getline(fields, rows, '|');
    const Int64 count = std::stoll(counted);
    const Int64 expectedAvg = count == 0 ? 0 : HalfEvenQuotient(ScaledText(total), count);
    const TDBSumCollection& items = fProducer.SumCollection();
    EXPECT_EQ(items.Items(0)->SumValue().Scaled(), ScaledText(total)) << when << ": " << server;
    EXPECT_EQ(items.Items(1)->SumValue().Scaled(), expectedAvg) << when << ": " << server;
    EXPECT_EQ(items.Items(2)->SumValue().Scaled(), count * 10000) << when;
    EXPECT_EQ(items.Items(3)->SumValue().Scaled(), std::stoll(rows) * 10000) << when;
  }

  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
  TDBSumListProducer fProducer{&fForm};
};

// After every step of a random run of inserts, edits, deletes and cancels, the running
// aggregates equal what the server computes over the committed table.
TEST_F(FooterDbTest, RunningAggregatesFollowEveryPostedChangeAsTheServerSumsTheTable) {
  OpenTable("footer", "id, v", "?id, ?v", "v = ?v");
  AddItems();

  std::mt19937 random(48);
  std::uniform_int_distribution<int> cents(-99999, 99999);
  auto setValue = [&] {
    if (random() % 5 == 0)
      Field("V")->Clear();
    else
      Field("V")->SetAsFloat(cents(random) / 100.0);
  };
  int nextId = 100;
  for (int step = 0; step < 40; ++step) {
    const int records = fDataSet->RecordCount();
    if (records > 0) {
      fDataSet->First();
      fDataSet->MoveBy(static_cast<int>(random() % static_cast<unsigned>(records)));
    }
    switch (records == 0 ? 0 : random() % 4) {
      case 0:
        fDataSet->Insert();
        Field("ID")->SetAsInteger(nextId++);
        setValue();
        fDataSet->Post();
        break;
      case 1:
        fDataSet->Edit();
        setValue();
        fDataSet->Post();
        break;
      case 2:
        fDataSet->Delete();
        break;
      case 3:
        if (random() % 2 == 0)
          fDataSet->Edit();
        else
          fDataSet->Insert();
        setValue();
        fDataSet->Cancel();
        break;
    }
    ExpectServerAggregates("footer", "after step " + std::to_string(step));
    if (HasFailure()) return;
  }
}

// The sums equal the server's over the rows the dataset holds after a delete the server
// refuses (a use refers to the part), after one a BeforeDelete handler refuses, and after
// the deletes and edits that succeed around them.
TEST_F(FooterDbTest, ARefusedDeleteLeavesTheSumsAsTheServerSumsTheTable) {
  OpenTable("parts", "id, v", "?id, ?v", "v = ?v");
  AddItems();
  ExpectServerAggregates("parts", "opened");
  auto deleteRow = [&](int id) {
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    fDataSet->Delete();
  };
  for (int referenced : {3, 4}) {
    EXPECT_THROW(deleteRow(referenced), Exception) << referenced;
    ExpectServerAggregates("parts", "refused by the foreign key: " + std::to_string(referenced));
  }
  deleteRow(2);
  ExpectServerAggregates("parts", "part 2 deleted");

  // Handlers that raise, before the dataset deletes anything and after BeforeDelete ran.
  for (TDataSetNotifyEvent TDataSet::*event : {&TDataSet::BeforeDelete, &TDataSet::BeforeScroll}) {
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(5), {}));
    fDataSet->*event = [](TDataSet*) { throw EDatabaseError("part 5 stays"); };
    EXPECT_THROW(fDataSet->Delete(), EDatabaseError);
    fDataSet->*event = nullptr;
    ExpectServerAggregates("parts", "refused by a handler");
  }
  deleteRow(6);
  ExpectServerAggregates("parts", "part 6 deleted");

  ASSERT_TRUE(fDataSet->Locate("ID", Variant(3), {}));
  fDataSet->Edit();
  Field("V")->SetAsFloat(-4.5);
  fDataSet->Post();
  ExpectServerAggregates("parts", "part 3 edited");
  EXPECT_EQ(fDataSet->RecordCount(), 4);
}

TEST_F(FooterDbTest, SelectedBookmarksKeepTheDatasetsOrderAndAreFoundAgain) {
  OpenTable("marked", "id", "?id", "id = ?id");
  TSelection selection(fDataSet);
  selection.SetLinkActive(true);
  const int marked[] = {9, 3, 11, 1, 6};
  for (int id : marked) {
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    selection.SetCurrentRowSelected(true);
  }
  ASSERT_EQ(selection.GetCount(), 5);
  // The Firebird dataset compares bookmarks by their place in its records (ordered by ID).
  std::vector<int> inOrder;
  for (int i = 0; i < selection.GetCount(); ++i) {
    fDataSet->SetBookmark(selection.GetItem(i));
    inOrder.push_back(Field("ID")->AsInteger());
  }
  EXPECT_EQ(inOrder, (std::vector<int>{1, 3, 6, 9, 11}));
  for (int id : marked) {
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    EXPECT_TRUE(selection.GetCurrentRowSelected()) << id;
  }
  ASSERT_TRUE(fDataSet->Locate("ID", Variant(4), {}));
  EXPECT_FALSE(selection.GetCurrentRowSelected());
  EXPECT_EQ(Oracle("select count(*) from marked where id in (1, 3, 6, 9, 11)"), "5");
}

TEST_F(FooterDbTest, DeletingTheSelectionDeletesItsRowsFromTheLastBackwards) {
  OpenTable("marked", "id", "?id", "id = ?id");
  TSelection selection(fDataSet);
  selection.SetLinkActive(true);
  for (int id : {7, 2, 12, 4, 5, 1}) {
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    selection.SetCurrentRowSelected(true);
  }
  std::vector<int> deleted;
  fDataSet->BeforeDelete = [&](TDataSet* d) { deleted.push_back(d->FieldByName("ID")->AsInteger()); };
  selection.DeleteSelectedRecords();
  EXPECT_EQ(deleted, (std::vector<int>{12, 7, 5, 4, 2, 1}));
  EXPECT_EQ(selection.GetCount(), 0);
  EXPECT_EQ(Oracle("select id from marked order by id"), "3;6;8;9;10;11");
  EXPECT_EQ(fDataSet->RecordCount(), 6);
}

}  // namespace
}  // namespace ordvane::test
