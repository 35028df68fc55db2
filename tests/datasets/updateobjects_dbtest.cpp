// Update objects around a dataset's own statements: each writes an audit row, so isql-fb
// reads back which ran, in which order and around which statement; which kinds of change
// are allowed; the separate blob update; the object's dataset link; the executed flags.

#include <gtest/gtest.h>

#include <algorithm>

#include "dbclient/FIBConvert.h"
#include "tests/datasets/UpdatesSupport.h"

namespace ordvane::test {
namespace {

class UpdateObjectsTest : public UpdatesTest {
 protected:
  UpdateObjectsTest() {
    fDataSet->InsertSQL().SetText("insert into items (id, name) values (?id, ?name)");
    fDataSet->UpdateSQL().SetText("update items set name = ?name where id = ?old_id");
    fDataSet->DeleteSQL().SetText("delete from items where id = ?old_id");
    fDataSet->RefreshSQL().SetText("select id, name, amount, born, note from items where id = ?old_id");
  }
  void OpenItems() { Open("select id, name, amount, born, note from items order by id"); }
  // Writes its tag and the record's key; an object run after the default statement also
  // writes the name the row has on the server then.
  TpFIBUpdateObject* Audit(const std::string& tag, TUpdateKind kind, TFIBOrderExecUO order, Integer orderInList) {
    auto* object = new TpFIBUpdateObject(&fForm);
    object->SQL().SetText("insert into audit (tag, item_id) select '" + tag +
                          "' || coalesce(':' || (select name from items where id = ?id), ''), ?id from rdb$database");
    object->SetKindUpdate(kind);
    object->SetExecuteOrder(order);
    object->SetOrderInList(orderInList);
    object->SetDataSet(fDataSet);
    return object;
  }
  std::string AuditRows() { return Oracle("select tag, item_id from audit order by seq"); }
  void ClearAudit() { fDb.Isql("delete from audit;\ncommit;\n"); }
  void Rename(const char* name) {
    const int disabled = fDataSet->DisableCount();
    fDataSet->Edit();
    Field("NAME")->SetAsString(name);
    fDataSet->Post();
    EXPECT_EQ(fDataSet->DisableCount(), disabled);
  }
  bool Filed(TUpdateKind kind, const TpFIBUpdateObject* object) {
    const std::vector<TpFIBUpdateObject*>& objects = fDataSet->UpdateObjects(kind);
    return std::find(objects.begin(), objects.end(), object) != objects.end();
  }
  static std::vector<Integer> Orders(const std::vector<TpFIBUpdateObject*>& objects) {
    std::vector<Integer> orders;
    for (const TpFIBUpdateObject* object : objects) orders.push_back(object->OrderInList());
    return orders;
  }
};

TEST_F(UpdateObjectsTest, ObjectsRunInListOrderAroundTheStatementAndMoveWhenFiledAgain) {
  EXPECT_EQ(fDataSet->AddUpdateObject(nullptr), -1);
  TpFIBUpdateObject* second = Audit("second", ukModify, oeBeforeDefault, 0);
  TpFIBUpdateObject* first = Audit("first", ukModify, oeBeforeDefault, 0);
  Audit("after", ukModify, oeAfterDefault, 0);
  Audit("insert only", ukInsert, oeBeforeDefault, 0);
  OpenItems();
  Rename("Anna");
  // Before the statement the server still has the old name; after it, the new one.
  EXPECT_EQ(AuditRows(), "first:Ann|1;second:Ann|1;after:Anna|1");
  EXPECT_EQ(Orders(fDataSet->UpdateObjects(ukModify)), (std::vector<Integer>{0, 1, 2}));

  // A larger order moves the object back; a negative one files it first.
  ClearAudit();
  first->SetOrderInList(7);
  EXPECT_EQ(first->OrderInList(), 2);
  EXPECT_EQ(second->OrderInList(), 1);
  Audit("front", ukModify, oeBeforeDefault, -5);
  EXPECT_EQ(fDataSet->UpdateObjects(ukModify).front()->OrderInList(), 0);
  Rename("Annette");
  EXPECT_EQ(AuditRows(), "front:Anna|1;second:Anna|1;first:Anna|1;after:Annette|1");

  // Another kind: filed again in that kind's list.
  second->SetKindUpdate(ukDelete);
  EXPECT_EQ(fDataSet->UpdateObjects(ukModify).size(), 3u);
  EXPECT_EQ(fDataSet->UpdateObjects(ukDelete).front(), second);
}

TEST_F(UpdateObjectsTest, NoActionUpdateRunsTheObjectsAndClearsTheStatus) {
  fDataSet->UpdateSQL().SetText("No Action");
  Audit("before", ukModify, oeBeforeDefault, 0);
  Audit("after", ukModify, oeAfterDefault, 0);
  OpenItems();
  Rename("Not sent");
  EXPECT_EQ(AuditRows(), "before:Ann|1;after:Ann|1");
  EXPECT_EQ(fDataSet->StatusAt(0), cusUnmodified);
  EXPECT_EQ(Oracle("select name from items where id = 1"), "Ann");
}

TEST_F(UpdateObjectsTest, ObjectAfterInsertReturningSeesTheReturnedKey) {
  fDataSet->InsertSQL().SetText("insert into items (name) values (?name) returning id");
  Audit("inserted", ukInsert, oeAfterDefault, 0);
  OpenItems();
  const int disabled = fDataSet->DisableCount();
  fDataSet->Append();
  Field("NAME")->SetAsString("Dee");
  fDataSet->Post();
  EXPECT_EQ(fDataSet->DisableCount(), disabled);
  EXPECT_EQ(Field("ID")->AsInteger(), 101);
  EXPECT_EQ(AuditRows(), "inserted:Dee|101");
}

TEST_F(UpdateObjectsTest, DeleteObjectsRunAndASurvivingRowStays) {
  Audit("before", ukDelete, oeBeforeDefault, 0);
  Audit("after", ukDelete, oeAfterDefault, 0);
  OpenItems();
  fDataSet->Next();
  const int disabled = fDataSet->DisableCount();
  fDataSet->Delete();
  EXPECT_EQ(fDataSet->DisableCount(), disabled);
  EXPECT_EQ(AuditRows(), "before:Bob|2;after|2");
  EXPECT_EQ(Oracle("select count(*) from items"), "2");

  // The delete statement finds nothing: with poRefreshAfterDelete the row stays shown.
  ClearAudit();
  fDataSet->DeleteSQL().SetText("delete from items where id = ?old_id and name = 'nobody'");
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poRefreshAfterDelete});
  fDataSet->First();
  fDataSet->Delete();
  EXPECT_EQ(AuditRows(), "before:Ann|1;after:Ann|1");
  EXPECT_EQ(fDataSet->RecordCount(), 2);
  EXPECT_EQ(fDataSet->StatusAt(0), cusUnmodified);
  EXPECT_EQ(fDataSet->DisableCount(), disabled);
}

TEST_F(UpdateObjectsTest, AllowedKindsAndObjectsDecideWhatMayChange) {
  OpenItems();
  fDataSet->SetAllowedUpdateKinds({ukModify, ukInsert});
  EXPECT_FALSE(fDataSet->CanDelete());
  EXPECT_THROW(fDataSet->Delete(), EAbort);
  EXPECT_EQ(Oracle("select count(*) from items"), "3");

  // No update text: only an active object of the kind lets the record be edited.
  fDataSet->UpdateSQL().Clear();
  EXPECT_FALSE(fDataSet->CanEdit());
  TpFIBUpdateObject* object = Audit("edited", ukModify, oeBeforeDefault, 0);
  EXPECT_TRUE(fDataSet->CanEdit());
  Rename("Ann again");
  EXPECT_EQ(AuditRows(), "edited:Ann|1");
  EXPECT_TRUE(fDataSet->UpdateSQL().Text().empty());
  object->SetActive(false);
  EXPECT_FALSE(fDataSet->CanEdit());
  fDataSet->SetAllowedUpdateKinds({ukInsert});
  object->SetActive(true);
  EXPECT_FALSE(fDataSet->CanEdit());
}

TEST_F(UpdateObjectsTest, FailingObjectLeavesNothingAndControlsBalanced) {
  auto* broken = new TpFIBUpdateObject(&fForm);
  broken->SQL().SetText("insert into no_such_table values (?id)");
  broken->SetExecuteOrder(oeAfterDefault);
  broken->SetDataSet(fDataSet);
  OpenItems();
  const int disabled = fDataSet->DisableCount();
  fDataSet->Edit();
  Field("NAME")->SetAsString("Lost");
  EXPECT_THROW(fDataSet->Post(), EFIBError);
  EXPECT_EQ(fDataSet->DisableCount(), disabled);
  fDataSet->Cancel();
  EXPECT_EQ(Oracle("select name from items where id = 1"), "Ann");
}

TEST_F(UpdateObjectsTest, BlobColumnsGoThroughTheBlobUpdateObject) {
  fDataSet->InsertSQL().Clear();
  fDataSet->UpdateSQL().Clear();
  TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
  options.SetAutoReWriteSqls(true);
  options.SetCanChangeSQLs(true);
  options.SetKeyFields("ID");
  options.SetUpdateTableName("ITEMS");
  options.SetSeparateBlobUpdate(true);
  Audit("modify", ukModify, oeAfterDefault, 0);
  OpenItems();
  EXPECT_EQ(fDataSet->UpdateSQL().Text().find("NOTE"), std::string::npos);
  EXPECT_EQ(fDataSet->InsertSQL().Text().find("NOTE"), std::string::npos);
  TpFIBUpdateObject* blobs = fDataSet->BlobUpdateObject();
  ASSERT_NE(blobs, nullptr);
  EXPECT_NE(blobs->SQL().Text().find("NOTE=?NEW_NOTE"), std::string::npos) << blobs->SQL().Text();
  EXPECT_EQ(blobs->SQL().Text().find("NAME"), std::string::npos);

  fDataSet->Edit();
  Field("NAME")->SetAsString("Ann B");
  Field("NOTE")->SetAsString("second note");
  fDataSet->Post();
  EXPECT_EQ(Oracle("select name, cast(note as varchar(40)) from items where id = 1"), "Ann B|second note");
  // Filed among the modify objects.
  EXPECT_TRUE(Filed(ukModify, blobs));

  fDataSet->Append();
  Field("ID")->SetAsInteger(7);
  Field("NAME")->SetAsString("Eve");
  Field("NOTE")->SetAsString("new note");
  fDataSet->Post();
  EXPECT_EQ(Oracle("select name, cast(note as varchar(40)) from items where id = 7"), "Eve|new note");
  EXPECT_EQ(blobs->KindUpdate(), ukInsert);
  EXPECT_TRUE(Filed(ukInsert, blobs));
  EXPECT_FALSE(Filed(ukModify, blobs));
  EXPECT_EQ(AuditRows(), "modify:Ann B|1");
}

TEST_F(UpdateObjectsTest, DataSetLinkTakesOnlyTheDatasetThatFilesObjects) {
  auto* plain = new TFIBDataSet(&fForm);
  plain->SetName("Plain");
  auto* object = new TpFIBUpdateObject(&fForm);
  try {
    object->SetDataSet(plain);
    FAIL() << "a plain dataset was taken";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Plain is not TpFIBDataSet");
  }
  EXPECT_EQ(object->DataSet(), nullptr);

  object->SetDataSet(fDataSet);
  EXPECT_EQ(object->Database(), fDatabase);
  EXPECT_EQ(object->Transaction(), fTransaction);
  EXPECT_EQ(fDataSet->UpdateObjects(ukModify).size(), 1u);
  delete object;
  EXPECT_TRUE(fDataSet->UpdateObjects(ukModify).empty());

  TpFIBUpdateObject* survivor = Audit("x", ukInsert, oeBeforeDefault, 0);
  delete fDataSet;
  fDataSet = nullptr;
  EXPECT_EQ(survivor->DataSet(), nullptr);
}

class ExecutedFlagsTest : public UpdateObjectsTest {};

TEST_F(ExecutedFlagsTest, FlagsFollowTheUpdateTransaction) {
  fDataSet->SetAutoCommit(false);
  OpenItems();
  EXPECT_FALSE(fDataSet->UpdateStatementExecuted());
  Rename("Kept");
  EXPECT_TRUE(fDataSet->UpdateStatementExecuted());
  fTransaction->CommitRetaining();
  EXPECT_FALSE(fDataSet->UpdateStatementExecuted());
  Rename("Dropped");
  fTransaction->RollbackRetaining();
  EXPECT_FALSE(fDataSet->UpdateStatementExecuted());
  EXPECT_TRUE(fDataSet->ExecutedBeforeRollback());
  EXPECT_EQ(Oracle("select name from items where id = 1"), "Kept");
}

}  // namespace
}  // namespace ordvane::test
