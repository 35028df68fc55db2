// The modifying statements a dataset writes for itself, in dialects 1 and 3: their exact
// texts, and each one executed through the dataset with isql-fb (a second attachment)
// reading back what reached the server.

#include <gtest/gtest.h>

#include "classlib/core/StrUtils.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

TestDatabase& ModifyDatabase(int dialect) { return FixtureDatabase("modifysql", dialect); }

class ModifySQLTest : public testing::TestWithParam<int> {
 protected:
  ModifySQLTest() {
    fForm.SetName("Form");
    fDataSet->SetName("People");
    ConnectForPosting(*fDatabase, *fTransaction, *fDataSet, fDb);
  }
  bool Quoting() const { return GetParam() == 3; }
  // A lower-case name as the fixture of the dialect has it, and as statements write it.
  std::string Name(const std::string& lower) const { return Quoting() ? lower : UpperCase(lower); }
  std::string Sql(const std::string& lower) const { return Quoting() ? "\"" + lower + "\"" : UpperCase(lower); }
  TField* Field(const std::string& lower) { return fDataSet->FieldByName(Name(lower)); }

  // The people joined with their cities, rewritten at open over the given key fields.
  void OpenPeople(const std::string& keyFields, bool canChange = true) {
    TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(canChange);
    options.SetUpdateTableName(Sql("people") + " P");
    options.SetKeyFields(keyFields);
    fDataSet->SelectSQL().SetText("select p.*, c.title from " + Sql("people") + " p left join cities c on c.id = p." +
                                  Sql("city_id") + " order by p." + Sql("id"));
    fDataSet->Open();
  }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }
  std::string PersonRow(int id) {
    return Oracle("select " + Sql("id") + ", " + Sql("sub_id") + ", " + Sql("name") + ", cast(note as varchar(20)), touched from " +
                  Sql("people") + " where " + Sql("id") + " = " + std::to_string(id));
  }

  TestDatabase& fDb = ModifyDatabase(GetParam());
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
};

TEST_P(ModifySQLTest, TextsOfEveryKindAreExactAndRun) {
  OpenPeople(Name("id") + ";" + Name("sub_id"));
  const std::string where = "where P." + Sql("sub_id") + "=?" + Sql("OLD_sub_id") + " and P." + Sql("id") + "=?" +
                            Sql("OLD_id") + "\r\n";
  // The computed column and the joined table's column are not written.
  const std::string columns[] = {Sql("id"), Sql("sub_id"), Sql("name"), "BORN", "NOTE", Sql("city_id"), "TOUCHED"};
  const std::string params[] = {Sql("NEW_id"), Sql("NEW_sub_id"), Sql("NEW_name"),   "NEW_BORN",
                                "NEW_NOTE",    Sql("NEW_city_id"), "NEW_TOUCHED"};
  std::string update = "Update " + Sql("people") + " P Set\r\n";
  std::string insert = "Insert into " + Sql("people") + "(\r\n";
  std::string values = "values (\r\n";
  for (std::size_t i = 0; i < std::size(columns); ++i) {
    const std::string comma = i + 1 < std::size(columns) ? "," : "";
    update += " " + columns[i] + "=?" + params[i] + comma + "\r\n";
    insert += " " + columns[i] + comma + "\r\n";
    values += " ?" + params[i] + comma + "\r\n";
  }
  EXPECT_EQ(fDataSet->DeleteSQL().Text(), "Delete from " + Sql("people") + " P\r\n" + where);
  EXPECT_EQ(fDataSet->UpdateSQL().Text(), update + where);
  EXPECT_EQ(fDataSet->InsertSQL().Text(), insert + ")\r\n" + values + ")\r\n");
  const std::string refresh = fDataSet->RefreshSQL().Text();
  EXPECT_NE(refresh.find(where.substr(6, where.size() - 8)), std::string::npos) << refresh;
  EXPECT_EQ(UpperCase(refresh).find("ORDER BY"), std::string::npos) << refresh;

  // Insert, then an edit of a key column found by its old value, then the delete.
  fDataSet->Append();
  Field("id")->SetAsInteger(20);
  Field("sub_id")->SetAsInteger(2);
  Field("name")->SetAsString("Bob's");
  fDataSet->FieldByName("NOTE")->SetAsString("a note");
  fDataSet->Post();
  EXPECT_EQ(PersonRow(20), "20|2|Bob's|a note|by trigger");
  // The refresh statement read the trigger's value back.
  EXPECT_EQ(fDataSet->FieldByName("TOUCHED")->AsString(), "by trigger");
  fDataSet->Edit();
  Field("id")->SetAsInteger(21);
  Field("name")->SetAsString("Bobby");
  fDataSet->Post();
  EXPECT_EQ(PersonRow(20), "");
  EXPECT_EQ(PersonRow(21), "21|2|Bobby|a note|by trigger");
  fDataSet->Delete();
  EXPECT_EQ(PersonRow(21), "");
  EXPECT_EQ(PersonRow(1), "1|1|Ann|first|by trigger");
}

TEST_P(ModifySQLTest, OnlyModifiedFieldsAndFilters) {
  fDataSet->AutoUpdateOptions().SetAutoReWriteSqls(true);
  fDataSet->AutoUpdateOptions().SetCanChangeSQLs(true);
  fDataSet->AutoUpdateOptions().SetUpdateOnlyModifiedFields(true);
  OpenPeople(Name("id") + ";" + Name("sub_id"));
  // Refresh and delete are written at open, update and insert before each post.
  EXPECT_FALSE(IsEmptyStrings(fDataSet->DeleteSQL()));
  EXPECT_TRUE(IsEmptyStrings(fDataSet->UpdateSQL()));

  fDataSet->Edit();
  Field("name")->SetAsString("Anna");
  EXPECT_EQ(fDataSet->GenerateModifySQL(mskUpdate),
            "Update " + Sql("people") + " P Set\r\n " + Sql("name") + "=?" + Sql("NEW_name") + "\r\nwhere P." +
                Sql("sub_id") + "=?" + Sql("OLD_sub_id") + " and P." + Sql("id") + "=?" + Sql("OLD_id"));
  fDataSet->Post();
  EXPECT_EQ(PersonRow(1), "1|1|Anna|first|by trigger");
  fDataSet->Edit();
  EXPECT_EQ(fDataSet->GenerateModifySQL(mskUpdate), "No Action");
  fDataSet->Cancel();

  fDataSet->Append();
  Field("id")->SetAsInteger(30);
  Field("sub_id")->SetAsInteger(1);
  const std::string insert = fDataSet->GenerateModifySQL(mskInsert);
  EXPECT_EQ(insert, "Insert into " + Sql("people") + "(\r\n " + Sql("id") + ",\r\n " + Sql("sub_id") +
                        "\r\n)\r\nvalues (\r\n ?" + Sql("NEW_id") + ",\r\n ?" + Sql("NEW_sub_id") + "\r\n)");
  fDataSet->Post();
  EXPECT_EQ(PersonRow(30), "30|1|<null>|<null>|by trigger");

  // Blob columns apart: the rest without them, the blobs alone.
  fDataSet->AutoUpdateOptions().SetUpdateOnlyModifiedFields(false);
  EXPECT_EQ(fDataSet->GenerateModifySQL(mskUpdate, mffNoBlobs).find("NOTE"), std::string::npos);
  EXPECT_EQ(fDataSet->GenerateModifySQL(mskUpdate, mffBlobsOnly),
            "Update " + Sql("people") + " P Set\r\n NOTE=?NEW_NOTE\r\nwhere P." + Sql("sub_id") + "=?" +
                Sql("OLD_sub_id") + " and P." + Sql("id") + "=?" + Sql("OLD_id"));
  // A computed column only with the option.
  EXPECT_EQ(fDataSet->GenerateModifySQL(mskInsert).find(Sql("full_name")), std::string::npos);
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() + TpPrepareOptions{psCanEditComputedFields});
  EXPECT_NE(fDataSet->GenerateModifySQL(mskInsert).find(" " + Sql("full_name") + ",\r\n"), std::string::npos);
}

TEST_P(ModifySQLTest, HandWrittenTextsStayAndKeysAreCompleted) {
  fDataSet->InsertSQL().SetText("insert into cities (id, title) values (?id, ?title)");
  OpenPeople("", false);
  EXPECT_EQ(fDataSet->InsertSQL().Text(), "insert into cities (id, title) values (?id, ?title)\r\n");
  // Blank key fields come from the primary key.
  EXPECT_EQ(fDataSet->AutoUpdateOptions().KeyFields(), Name("id") + ";" + Name("sub_id"));
  EXPECT_NE(fDataSet->DeleteSQL().Text().find("P." + Sql("id") + "=?"), std::string::npos);

  // A new key changes the generated condition at once.
  fDataSet->AutoUpdateOptions().SetKeyFields(Name("name"));
  EXPECT_EQ(fDataSet->GenerateModifySQL(mskDelete),
            "Delete from " + Sql("people") + " P\r\nwhere P." + Sql("name") + "=?" + Sql("OLD_name"));
  fDataSet->Close();

  // Without a primary key: every non-blob column of the table.
  fDataSet->AutoUpdateOptions().SetKeyFields("");
  fDataSet->AutoUpdateOptions().SetCanChangeSQLs(true);
  fDataSet->AutoUpdateOptions().SetUpdateTableName("NO_PK");
  // The server names no alias for a table the text gives none.
  fDataSet->SelectSQL().SetText("select * from no_pk");
  fDataSet->Open();
  EXPECT_EQ(fDataSet->AutoUpdateOptions().KeyFields(), "CODE;TITLE");
  fDataSet->Edit();
  fDataSet->FieldByName("TITLE")->SetAsString("Beta");
  fDataSet->Post();
  EXPECT_EQ(Oracle("select code, title from no_pk"), "a|Beta");
}

TEST_P(ModifySQLTest, BlobKeyIsRefusedAndTheHandlersComeBack) {
  TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
  options.SetUpdateTableName("BLOB_KEYED");
  options.SetKeyFields("DOC");
  fDataSet->SelectSQL().SetText("select * from blob_keyed");
  fDataSet->Open();
  try {
    fDataSet->RegenerateModifySQLs();
    ADD_FAILURE() << "a blob key generated a statement";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Form.People:unable to generate DeleteSQL because fields for \"BLOB_KEYED\" do not exist in dataset.");
  }
  EXPECT_TRUE(IsEmptyStrings(fDataSet->DeleteSQL()));
  // Statement changes still empty the caches.
  options.SetKeyConditionCache("x=?y", "select 1 from rdb$database");
  fDataSet->UpdateSQL().SetText("update blob_keyed set name = ?name where 1 = 0");
  EXPECT_EQ(options.KeyCondition(), "");
  EXPECT_EQ(options.KeyConditionSelect(), "");
}

TEST_P(ModifySQLTest, ProtectedEditStatementsAndTheOptionComesBack) {
  TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
  options.SetAutoReWriteSqls(true);
  options.SetCanChangeSQLs(true);
  options.SetUpdateOnlyModifiedFields(true);
  options.SetUpdateTableName(Sql("people") + " P");
  options.SetKeyFields(Name("id") + ";" + Name("sub_id"));
  fDataSet->SelectSQL().SetText("select p.*, c.title from " + Sql("people") + " p left join cities c on c.id = p." +
                                Sql("city_id"));
  fDataSet->Open();
  fDataSet->RefreshSQL().Clear();
  fDataSet->PrepareProtectedEditRefresh();
  EXPECT_FALSE(IsEmptyStrings(fDataSet->RefreshSQL()));
  // Every column, though only modified ones are written otherwise.
  fDataSet->PrepareProtectedEditUpdate();
  EXPECT_NE(fDataSet->UpdateSQL().Text().find(" NOTE=?NEW_NOTE"), std::string::npos);
  EXPECT_TRUE(options.UpdateOnlyModifiedFields());

  // A refused generation (the key is the joined table's) gives the option back too.
  options.SetKeyFields("TITLE");
  fDataSet->UpdateSQL().Clear();
  EXPECT_THROW(fDataSet->PrepareProtectedEditUpdate(), Exception);
  EXPECT_TRUE(options.UpdateOnlyModifiedFields());
}

// The refresh of a select joined by UNION reads a row of any branch back: its condition
// filters the union as one, by the union's column names.
TEST_P(ModifySQLTest, ARefreshOfAUnionReadsTheRowOfEveryBranch) {
  const std::string people = Sql("people"), id = Sql("id"), name = Sql("name");
  const auto row = [&](int key, const char* value) {
    return "insert into " + people + " (" + id + ", " + Sql("sub_id") + ", " + name + ") values (" +
           std::to_string(key) + ", 1, '" + value + "');\n";
  };
  fDb.Isql(row(61, "Sixty-one") + row(62, "Sixty-two") + "commit;\n");
  // Read committed: the refresh sees what another connection commits.
  fTransaction->Commit();
  for (const char* line : {"write", "nowait", "read_committed", "rec_version"}) fTransaction->TRParams().Add(line);
  fTransaction->StartTransaction();
  TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
  options.SetAutoReWriteSqls(true);
  options.SetUpdateTableName(people);
  options.SetKeyFields(Name("id"));
  fDataSet->SelectSQL().SetText("select " + id + ", " + name + " from " + people + " where " + id +
                                " < 61 union select " + id + ", " + name + " from " + people + " where " + id +
                                " >= 61 order by 1");
  fDataSet->Open();
  ASSERT_TRUE(fDataSet->Locate(Name("id"), 62, {}));
  fDb.Isql("update " + people + " set " + name + " = 'Renamed' where " + id + " = 62;\ncommit;\n");
  fDataSet->Refresh();
  EXPECT_EQ(Field("id")->AsInteger(), 62);
  EXPECT_EQ(Field("name")->AsString(), "Renamed");
  fDataSet->Close();
  fDb.Isql("delete from " + people + " where " + id + " > 60;\ncommit;\n");
}

INSTANTIATE_TEST_SUITE_P(Dialects, ModifySQLTest, testing::Values(1, 3),
                         [](const testing::TestParamInfo<int>& info) { return "dialect" + std::to_string(info.param); });

}  // namespace
}  // namespace ordvane::test
