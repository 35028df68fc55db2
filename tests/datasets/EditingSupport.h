#pragma once
// The editing tests' form: a database on the editing fixture, one transaction that reads
// and writes (committed retaining after every change, so that isql-fb sees it) and a
// dataset of the test's class.

#include <gtest/gtest.h>

#include <vector>

#include "datasets/pFIBDataSet.h"
#include "tests/datasets/DataSetDbSupport.h"

namespace ordvane::test {

inline TestDatabase& EditingDatabase() {
  static TestDatabase db("datasets/editing.sql", {3, "WIN1251"});
  return db;
}

// Connects the dataset to db through one started transaction that it reads, posts and
// commits retaining in.
inline void ConnectForPosting(TFIBDatabase& database, TFIBTransaction& transaction, TpFIBDataSet& dataSet,
                              const TestDatabase& db, const std::string& charset = "WIN1251") {
  Configure(database, db, charset);
  transaction.SetDefaultDatabase(&database);
  database.SetConnected(true);
  transaction.StartTransaction();
  dataSet.SetDatabase(&database);
  dataSet.SetTransaction(&transaction);
  dataSet.SetUpdateTransaction(&transaction);
  dataSet.SetAutoCommit(true);
}

// Exposes the record statuses for the recount of the counters.
class TEditDataSet : public TpFIBDataSet {
  ORDVANE_CLASS(TEditDataSet, TpFIBDataSet)

 public:
  using TpFIBDataSet::TpFIBDataSet;
  TCachedUpdateStatus StatusAt(Integer index) {
    std::vector<Byte> record(static_cast<std::size_t>(RecordBufferSize()));
    ReadRecordCache(index, record.data(), false);
    return static_cast<TCachedUpdateStatus>(record[StatusOffset] & CachedStatusMask);
  }
  Integer ActiveIndex() const { return ActiveRecordIndex(); }
};

// The statuses the cache holds, counted as the dataset counts them.
inline void ExpectCountsMatchStatusesOf(TEditDataSet& dataSet) {
  Integer pending = 0, deleted = 0;
  for (Integer i = 0; i < dataSet.FetchedCount(); ++i) {
    const TCachedUpdateStatus status = dataSet.StatusAt(i);
    pending += status == cusModified || status == cusInserted || status == cusDeleted ? 1 : 0;
    deleted += status == cusDeleted || status == cusUninserted || status == cusDeletedApplied ? 1 : 0;
  }
  EXPECT_EQ(dataSet.CachedUpdateCount(), pending);
  EXPECT_EQ(dataSet.DeletedCount(), deleted);
  EXPECT_EQ(dataSet.UpdatesPending(), pending > 0);
  EXPECT_EQ(dataSet.RecordCount(), dataSet.FetchedCount() - deleted);
}

template <class DataSetClass>
class EditingFormTest : public testing::Test {
 protected:
  EditingFormTest() : EditingFormTest(EditingDatabase(), "DataSet") {}
  EditingFormTest(TestDatabase& db, const char* dataSetName) : fDb(db) {
    fForm.SetName("Form");
    fDataSet->SetName(dataSetName);
    ConnectForPosting(*fDatabase, *fTransaction, *fDataSet, db);
  }
  DataSetClass& Open(const std::string& select) {
    fDataSet->SelectSQL().SetText(select);
    fDataSet->Open();
    return *fDataSet;
  }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }
  TField* Field(const char* name) { return fDataSet->FieldByName(name); }
  // The table keyed by ID, its modifying statements written at the open.
  DataSetClass& OpenTable(const std::string& table) {
    fDataSet->AutoUpdateOptions().SetAutoReWriteSqls(true);
    fDataSet->AutoUpdateOptions().SetUpdateTableName(table);
    fDataSet->AutoUpdateOptions().SetKeyFields("ID");
    return Open("select * from " + table + " order by id");
  }
  // Runs a statement the dataset wrote, which must change exactly one row, and commits it.
  void RunOneRow(const AnsiString& text) {
    TFIBQuery statement(nullptr);
    statement.SetDatabase(fDatabase);
    statement.SetTransaction(fTransaction);
    statement.SQL().SetText(text);
    statement.ExecQuery();
    EXPECT_EQ(statement.RowsAffected(), 1) << text;
    fTransaction->CommitRetaining();
  }

  TestDatabase& fDb;
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  DataSetClass* fDataSet = new DataSetClass(&fForm);
};

}  // namespace ordvane::test
