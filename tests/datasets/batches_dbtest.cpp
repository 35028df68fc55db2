// Cached updates applied record by record and in EXECUTE BLOCK batches of literal
// statements: the blocks stay within what the server takes (statements, contexts, text
// length), the table ends as isql-fb expects, and a failing or oversized record leaves
// the statuses of what was not sent.

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "tests/datasets/UpdatesSupport.h"

namespace ordvane::test {
namespace {

class TBatchDataSet : public TEditDataSet {
  ORDVANE_CLASS(TBatchDataSet, TEditDataSet)

 public:
  using TEditDataSet::TEditDataSet;
  TFIBQuery& Blocks() { return BatchQuery(); }
};

class BatchesTest : public UpdatesTestOf<TBatchDataSet> {
 protected:
  explicit BatchesTest(bool autoCommit = false) : UpdatesTestOf(autoCommit) {
    fDataSet->SetCachedUpdates(true);
    TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(true);
    options.SetKeyFields("ID");
    options.SetUseExecuteBlock(true);
    fDataSet->Blocks().AfterExecute = [this](TObject*) { RecordBlock(fDataSet->Blocks().SQL().Text()); };
  }
  void RecordBlock(const std::string& text) {
    EXPECT_LT(text.size(), 65532u);
    EXPECT_TRUE(text.starts_with("EXECUTE BLOCK RETURNS (UNMATCHED_RECORD INTEGER) AS BEGIN\r\n"))
        << text.substr(0, 80);
    EXPECT_TRUE(text.ends_with("\r\nSUSPEND; END\r\n"));
    int statements = 0;
    for (std::size_t at = text.find(";\r\n"); at != std::string::npos; at = text.find(";\r\n", at + 1)) ++statements;
    fBlocks.push_back(statements);
  }
  void OpenTable(const std::string& table, const std::string& columns) {
    fDataSet->AutoUpdateOptions().SetUpdateTableName(table);
    Open("select " + columns + " from " + table + " order by id");
  }
  void OpenRows() { OpenTable("BATCH_ROWS", "id, txt, amount, d, ts, code"); }
  void AppendRow(int id) {
    fDataSet->Append();
    Field("ID")->SetAsInteger(id);
    Field("TXT")->SetAsString(Utf8ToAnsi("O'Ніл №" + std::to_string(id)));
    Field("AMOUNT")->SetAsString("1234,5678");
    Field("D")->SetAsDateTime(EncodeDate(2024, 2, 29));
    Field("TS")->SetAsDateTime(EncodeDate(2001, 12, 31) + EncodeTime(23, 59, 58, 999));
    Field("CODE")->SetAsString("c" + std::to_string(id));
    fDataSet->Post();
  }
  void Apply() {
    fBlocks.clear();
    const int disabled = fDataSet->DisableCount();
    fDataSet->ApplyCachedUpdates();
    EXPECT_EQ(fDataSet->DisableCount(), disabled);
    fTransaction->CommitRetaining();
  }

  std::vector<int> fBlocks;
};

TEST_F(BatchesTest, BlocksKeepWithinTheServersLimits) {
  OpenRows();
  const std::string updateSQL = fDataSet->UpdateSQL().Text();
  for (int id = 1; id <= 600; ++id) AppendRow(id);
  Apply();
  EXPECT_EQ(fBlocks, (std::vector<int>{255, 255, 90}));
  EXPECT_EQ(Oracle("select count(*), sum(amount), min(d), max(ts) from batch_rows"),
            "600|740740.6800|2024-02-29|2001-12-31 23:59:58.9990");
  EXPECT_EQ(Oracle("select txt from batch_rows where id = 321"), "O'Ніл №321");
  EXPECT_FALSE(fDataSet->UpdatesPending());
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 0);

  // An UPDATE takes two of the block's 256 contexts.
  fDataSet->First();
  for (int i = 0; i < 300; ++i) {
    fDataSet->Edit();
    Field("TXT")->SetAsString("edited '" + std::to_string(i) + "'");
    Field("AMOUNT")->SetAsString("0,0001");
    fDataSet->Post();
    fDataSet->Next();
  }
  Apply();
  EXPECT_EQ(fBlocks, (std::vector<int>{128, 128, 44}));
  EXPECT_EQ(Oracle("select count(*), sum(amount) from batch_rows where txt starting with 'edited '''"), "300|0.0300");
  EXPECT_EQ(Oracle("select txt from batch_rows where id = 300"), "edited '299'");
  // The block had a statement of its own.
  EXPECT_EQ(fDataSet->UpdateSQL().Text(), updateSQL);
  ExpectCountsMatchStatusesOf(*fDataSet);
}

TEST_F(BatchesTest, AMixOfKindsLeavesTheTableAsExpected) {
  OpenRows();
  for (int id = 1; id <= 10; ++id) AppendRow(id);
  Apply();
  fDataSet->First();
  for (int i = 0; i < 3; ++i) fDataSet->Delete();
  fDataSet->Edit();
  Field("TXT")->SetAsString("changed");
  fDataSet->Post();
  AppendRow(11);
  Apply();
  EXPECT_EQ(fBlocks, (std::vector<int>{5}));
  EXPECT_EQ(Oracle("select cast(list(id, ',') as varchar(200)) from (select id from batch_rows order by id)"), "4,5,6,7,8,9,10,11");
  EXPECT_EQ(Oracle("select txt from batch_rows where id = 4"), "changed");
  // Deleted records stay out of view.
  EXPECT_EQ(fDataSet->RecordCount(), 8);
  fDataSet->First();
  EXPECT_EQ(Field("ID")->AsInteger(), 4);
  EXPECT_FALSE(fDataSet->UpdatesPending());
  EXPECT_EQ(fDataSet->StatusAt(0), cusDeletedApplied);
  ExpectCountsMatchStatusesOf(*fDataSet);
}

// The literal statements name the old key digit for digit, so each finds its row.
TEST_F(BatchesTest, LargeDecimalKeysFindTheirRows) {
  OpenTable("BCD_KEYS", "id, name");
  fDataSet->Edit();
  Field("NAME")->SetAsString("renamed");
  fDataSet->Post();
  fDataSet->Next();
  fDataSet->Delete();
  Apply();
  EXPECT_EQ(Oracle("select id, name from bcd_keys order by id"), "1234567890123456.78|renamed");
}

TEST_F(BatchesTest, FailingBlockKeepsItsStatusesAndIsNotSentAgain) {
  OpenRows();
  AppendRow(1);
  AppendRow(2);
  AppendRow(3);
  fDataSet->Edit();
  Field("CODE")->SetAsString("c1");
  fDataSet->Post();
  fBlocks.clear();
  EXPECT_THROW(fDataSet->ApplyCachedUpdates(), EFIBError);
  EXPECT_TRUE(fBlocks.empty());
  EXPECT_EQ(Oracle("select count(*) from batch_rows"), "0");
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 3);
  EXPECT_EQ(fDataSet->StatusAt(2), cusInserted);

  fDataSet->Last();
  fDataSet->Edit();
  Field("CODE")->SetAsString("c3");
  fDataSet->Post();
  Apply();
  EXPECT_EQ(fBlocks, (std::vector<int>{3}));
  EXPECT_EQ(Oracle("select cast(list(code, ',') as varchar(200)) from (select code from batch_rows order by id)"), "c1,c2,c3");
  ExpectCountsMatchStatusesOf(*fDataSet);
}

TEST_F(BatchesTest, TheUpdateStatementHearsEachBlockAndMayPassOverAFailingOne) {
  OpenRows();
  for (int id = 1; id <= 520; ++id) AppendRow(id);
  // Record 300 goes in the second block, its code already taken by record 1 of the first.
  fDataSet->SetRecNo(300);
  fDataSet->Edit();
  Field("CODE")->SetAsString("c1");
  fDataSet->Post();
  TFIBQuery& update = fDataSet->UpdateQuery();
  std::vector<int> sent, failed;
  update.OnBatching = [&](TFIBQuery* statement, int index, const AnsiString& text) {
    EXPECT_EQ(statement, &update);
    EXPECT_TRUE(text.starts_with("EXECUTE BLOCK RETURNS (UNMATCHED_RECORD INTEGER) AS BEGIN\r\n"))
        << text.substr(0, 80);
    sent.push_back(index);
  };
  bool ignore = true;
  update.OnBatchError = [&](TFIBQuery*, int index, const AnsiString& text, const Exception& error,
                            bool& ignoreIt) {
    EXPECT_NE(text.find("'c1'"), std::string::npos);
    EXPECT_NE(dynamic_cast<const EFIBInterBaseError*>(&error), nullptr);
    failed.push_back(index);
    ignoreIt = ignore;
  };
  Apply();
  EXPECT_EQ(sent, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(failed, (std::vector<int>{2}));
  EXPECT_EQ(fBlocks, (std::vector<int>{255, 10}));
  EXPECT_EQ(Oracle("select count(*) from batch_rows where id between 256 and 510"), "0");
  EXPECT_EQ(Oracle("select count(*) from batch_rows"), "265");
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 255);
  EXPECT_EQ(fDataSet->StatusAt(299), cusInserted);
  EXPECT_EQ(fDataSet->StatusAt(519), cusUnmodified);

  // Not passed over, the failure ends the run; each run numbers its blocks from 1.
  sent.clear();
  failed.clear();
  ignore = false;
  EXPECT_THROW(fDataSet->ApplyCachedUpdates(), EFIBError);
  EXPECT_EQ(sent, (std::vector<int>{1}));
  EXPECT_EQ(failed, (std::vector<int>{1}));
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 255);

  fDataSet->SetRecNo(300);
  fDataSet->Edit();
  Field("CODE")->SetAsString("c300");
  fDataSet->Post();
  Apply();
  EXPECT_EQ(Oracle("select count(*) from batch_rows"), "520");
  ExpectCountsMatchStatusesOf(*fDataSet);
}

TEST_F(BatchesTest, NullKeyIsFoundAndAnOversizedRecordStopsTheRun) {
  OpenTable("LOOSE", "id, name");
  fDataSet->Edit();
  Field("NAME")->SetAsString("still no key");
  fDataSet->Post();
  Apply();
  EXPECT_EQ(Oracle("select name from loose where id is null"), "still no key");
  fDataSet->Close();

  OpenTable("LONG_TEXTS", "id, txt");
  fDataSet->Append();
  Field("ID")->SetAsInteger(1);
  Field("TXT")->SetAsString("short");
  fDataSet->Post();
  fDataSet->Append();
  Field("ID")->SetAsInteger(2);
  Field("TXT")->SetAsString(std::string(32765, '\''));
  fDataSet->Post();
  try {
    fDataSet->ApplyCachedUpdates();
    FAIL() << "an oversized record was applied";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Form.Items: the statement of record 2 is too long for an EXECUTE BLOCK");
  }
  fTransaction->CommitRetaining();
  // What went before it was sent; the record itself waits.
  EXPECT_EQ(Oracle("select cast(list(id) as varchar(200)) from (select id from long_texts order by id)"), "1");
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 1);
  EXPECT_EQ(fDataSet->StatusAt(1), cusInserted);
  EXPECT_EQ(fDataSet->StatusAt(0), cusUnmodified);

  // Record by record it goes.
  fDataSet->AutoUpdateOptions().SetUseExecuteBlock(false);
  Apply();
  EXPECT_EQ(Oracle("select char_length(txt) from long_texts where id = 2"), "32765");
  ExpectCountsMatchStatusesOf(*fDataSet);
}

TEST_F(BatchesTest, HandlersSkipRecordsOrStopTheRun) {
  OpenRows();
  for (int id = 1; id <= 3; ++id) AppendRow(id);
  fDataSet->OnUpdateRecord = [this](TDataSet*, TUpdateKind kind, TFIBUpdateAction& action) {
    EXPECT_EQ(kind, ukInsert);
    if (Field("ID")->AsInteger() == 2) action = uaSkip;
  };
  Apply();
  EXPECT_EQ(Oracle("select cast(list(id) as varchar(200)) from (select id from batch_rows order by id)"), "1,3");
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 1);
  EXPECT_EQ(fDataSet->StatusAt(1), cusInserted);

  fDataSet->OnUpdateRecord = {};
  AppendRow(4);
  int seen = 0;
  fDataSet->AfterUpdateRecord = [&seen](TDataSet*, TUpdateKind, bool& resume) { resume = ++seen < 1; };
  const int disabled = fDataSet->DisableCount();
  EXPECT_THROW(fDataSet->ApplyCachedUpdates(), EAbort);
  EXPECT_EQ(fDataSet->DisableCount(), disabled);
  fTransaction->CommitRetaining();
  EXPECT_EQ(Oracle("select cast(list(id) as varchar(200)) from (select id from batch_rows order by id)"), "1,3");
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 2);
  ExpectCountsMatchStatusesOf(*fDataSet);
}

class AutoCommitBatchesTest : public BatchesTest {
 protected:
  AutoCommitBatchesTest() : BatchesTest(true) {}
};

TEST_F(AutoCommitBatchesTest, AppliesAtEachPostAndDelete) {
  OpenRows();
  for (const bool batched : {true, false}) {
    fDataSet->AutoUpdateOptions().SetUseExecuteBlock(batched);
    const int id = batched ? 1 : 2;
    const int disabled = fDataSet->DisableCount();
    AppendRow(id);
    EXPECT_EQ(fDataSet->DisableCount(), disabled);
    EXPECT_EQ(Oracle("select code from batch_rows where id = " + std::to_string(id)), "c" + std::to_string(id));
    EXPECT_FALSE(fDataSet->UpdatesPending());
    EXPECT_EQ(fDataSet->StatusAt(fDataSet->ActiveIndex()), cusUnmodified);
  }
  fDataSet->First();
  fDataSet->Delete();
  EXPECT_EQ(Oracle("select cast(list(id) as varchar(200)) from (select id from batch_rows order by id)"), "2");
  EXPECT_EQ(fDataSet->StatusAt(0), cusDeletedApplied);
  EXPECT_EQ(fDataSet->RecordCount(), 1);
  ExpectCountsMatchStatusesOf(*fDataSet);
}

// A record the handler leaves pending is not marked applied by the immediate apply.
TEST_F(AutoCommitBatchesTest, ASkippedRecordStaysPending) {
  OpenRows();
  fDataSet->OnUpdateRecord = [](TDataSet*, TUpdateKind, TFIBUpdateAction& action) { action = uaSkip; };
  AppendRow(1);
  EXPECT_EQ(Oracle("select count(*) from batch_rows"), "0");
  EXPECT_TRUE(fDataSet->UpdatesPending());
  EXPECT_EQ(fDataSet->StatusAt(0), cusInserted);
  fDataSet->OnUpdateRecord = {};
  AppendRow(2);
  EXPECT_EQ(Oracle("select cast(list(id) as varchar(200)) from (select id from batch_rows order by id)"), "1,2");
  ExpectCountsMatchStatusesOf(*fDataSet);
}

}  // namespace
}  // namespace ordvane::test
