// Cached updates applied record by record and in EXECUTE BLOCK batches of literal
// statements: the blocks stay within what the server takes (statements, contexts, text
// length), the table ends as isql-fb expects, a failing block leaves the statuses of what
// was not sent and names the value its column refused, and an oversized record goes by
// its own statement in its turn.

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
  // The first column of the select's one row, read in the dataset's own transaction.
  std::string RowsInTransaction(const std::string& select) {
    TFIBQuery query(nullptr);
    query.SetDatabase(fDatabase);
    query.SetTransaction(fTransaction);
    query.SQL().SetText(select);
    query.ExecQuery();
    const std::string value = query.GetFields(0).GetAsString();
    query.Close();
    return value;
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

TEST_F(BatchesTest, NullKeyIsFoundAndAnOversizedRecordGoesByItsOwnStatementInTurn) {
  OpenTable("LOOSE", "id, name");
  fDataSet->Edit();
  Field("NAME")->SetAsString("still no key");
  fDataSet->Post();
  Apply();
  EXPECT_EQ(Oracle("select name from loose where id is null"), "still no key");
  fDataSet->Close();

  OpenTable("LONG_TEXTS", "id, txt");
  for (const int id : {1, 2, 3}) {
    fDataSet->Append();
    Field("ID")->SetAsInteger(id);
    Field("TXT")->SetAsString(id == 2 ? std::string(32765, '\'') : "short");
    fDataSet->Post();
  }
  // The rows the open transaction holds as each block is sent: the oversized record went
  // between the two blocks, after the record before it.
  std::vector<std::string> rowsBeforeBlock;
  fDataSet->UpdateQuery().OnBatching = [&](TFIBQuery*, int, const AnsiString&) {
    rowsBeforeBlock.push_back(RowsInTransaction("select count(*) from long_texts"));
  };
  Apply();
  EXPECT_EQ(fBlocks, (std::vector<int>{1, 1}));
  EXPECT_EQ(rowsBeforeBlock, (std::vector<std::string>{"0", "2"}));
  EXPECT_EQ(Oracle("select cast(list(id || ':' || char_length(txt)) as varchar(200)) from "
                   "(select id, txt from long_texts order by id)"),
            "1:5,2:32765,3:5");
  EXPECT_FALSE(fDataSet->UpdatesPending());
  ExpectCountsMatchStatusesOf(*fDataSet);
}

// A text blob goes into the block as a string column's text does, an empty text as an
// empty blob; one too long for any block goes by its own statement, whole.
TEST_F(BatchesTest, TextBlobsAreStoredAsWritten) {
  OpenTable("ITEMS", "id, name, note");
  fDataSet->Edit();
  Field("NOTE")->SetAsString(Utf8ToAnsi("Ґанок і їжак, O'Ніл"));
  fDataSet->Post();
  const std::string longNote(40000, Utf8ToAnsi("ж")[0]);
  for (const int id : {10, 11, 12, 13}) {
    fDataSet->Append();
    Field("ID")->SetAsInteger(id);
    if (id == 10) Field("NOTE")->SetAsVariant(Variant(Utf8Decode("Омега")));
    if (id == 11) Field("NOTE")->SetAsString("");
    if (id == 13) Field("NOTE")->SetAsString(longNote);
    fDataSet->Post();
  }
  Apply();
  EXPECT_EQ(fBlocks, (std::vector<int>{4}));
  EXPECT_EQ(Oracle("select id, cast(note as varchar(100)) from items where id in (1, 10, 11, 12) order by id"),
            "1|Ґанок і їжак, O'Ніл;10|Омега;11|;12|<null>");
  EXPECT_EQ(Oracle("select char_length(note), octet_length(note) from items where id = 13"), "40000|40000");
  EXPECT_FALSE(fDataSet->UpdatesPending());
  ExpectCountsMatchStatusesOf(*fDataSet);
}

// A binary blob goes into the block as its bytes: the rows are those the record-by-record
// apply stores from the same values.
TEST_F(BatchesTest, BinaryBlobsAreStoredAsRecordByRecord) {
  OpenTable("BATCH_BLOBS", "id, data");
  for (const bool batched : {true, false}) {
    fDataSet->AutoUpdateOptions().SetUseExecuteBlock(batched);
    const int first = batched ? 1 : 11;
    fDataSet->Append();
    Field("ID")->SetAsInteger(first);
    Field("DATA")->SetAsString(std::string("\0\x01'\xFF ok", 7));
    fDataSet->Post();
    fDataSet->Append();
    Field("ID")->SetAsInteger(first + 1);
    fDataSet->Post();
    Apply();
    EXPECT_EQ(fBlocks, batched ? std::vector<int>{2} : std::vector<int>{});
  }
  EXPECT_EQ(Oracle("select id, cast(data as varchar(20) character set octets) from batch_blobs order by id"),
            "1|000127FF206F6B;2|<null>;11|000127FF206F6B;12|<null>");
  ExpectCountsMatchStatusesOf(*fDataSet);
}

// On a UTF-8 connection a text may hold characters the WIN1251 columns lack: the field
// knows its column's own set and refuses such a text as it is written, naming itself and
// the text, so that no batch ever carries it; the corrected records go in one block.
TEST_F(BatchesTest, AValueItsColumnRefusesIsNamed) {
  fTransaction->Commit();
  fDatabase->SetConnected(false);
  fDatabase->ConnectParams().SetCharSet("UTF8");
  fDatabase->SetConnected(true);
  fTransaction->StartTransaction();
  OpenTable("ITEMS", "id, name, note");
  fDataSet->Edit();
  Field("NAME")->SetAsString("Ann again");
  fDataSet->Post();
  const auto refusal = [this](const char* field, const char* text) -> std::string {
    try {
      Field(field)->SetAsVariant(Variant(Utf8Decode(text)));
    } catch (const EDatabaseError& error) {
      return error.Message();
    }
    return "taken";
  };
  const auto append = [&](int id, const char* name, const char* note) {
    fDataSet->Append();
    Field("ID")->SetAsInteger(id);
    EXPECT_EQ(refusal("NAME", name), "taken");
    EXPECT_EQ(refusal("NOTE", note), "taken");
  };
  append(10, "Zoe", "ab");
  EXPECT_EQ(refusal("NOTE", "a😀b"),
            "Field 'NOTE' holds a character that its column's character set cannot represent: 'a?b'");
  EXPECT_EQ(Field("NOTE")->AsString(), "ab");
  fDataSet->Post();
  append(11, "cafe", "fine");
  EXPECT_EQ(refusal("NAME", "café"),
            "Field 'NAME' holds a character that its column's character set cannot represent: 'caf?'");
  fDataSet->Post();
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 3);
  Apply();
  EXPECT_EQ(fBlocks, std::vector<int>{3});
  EXPECT_EQ(Oracle("select cast(list(name || '/' || coalesce(note, '')) as varchar(200)) from "
                   "(select name, note from items where id in (1, 10, 11) order by id)"),
            "Ann again/first,Zoe/ab,cafe/fine");
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
