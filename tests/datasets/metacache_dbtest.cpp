// The table cache against the system tables as isql-fb reads them, its validation, the
// repository's dataset settings taken into a dataset, and procedure call texts.

#include <gtest/gtest.h>

#include <functional>

#include "datasets/FIBFields.h"
#include "dbclient/pFIBQuery.h"
#include "tests/classlib/Support.h"
#include "tests/datasets/RepositorySupport.h"

namespace ordvane::test {
namespace {

class MetaCacheTest : public RepositoryTest {
 protected:
  std::shared_ptr<TpFIBTableInfo> Table(const char* name, bool withRepository = true) {
    return FIBTableInfoCollect().GetTableInfo(*fDatabase, name, withRepository);
  }
  int Format(const std::string& table) {
    return OracleInt("select rdb$format from rdb$relations where rdb$relation_name = '" + table + "'");
  }
};

TEST_F(MetaCacheTest, ColumnsAgainstTheSystemTables) {
  auto person = Table("PERSON");
  EXPECT_EQ(person->FormatVersion(), Format("PERSON"));
  EXPECT_TRUE(person->WithRepository());
  EXPECT_EQ(person->FieldsInfoVersion(), OracleInt("select max(fib$version) from fib$fields_info where table_name = 'PERSON'"));
  struct Case {
    const char* column;
    const char* defaultValue;
    bool emptyDefault;
    bool computed;
    bool canCompare;
    const char* domain;  // nullptr: a system domain (RDB$...)
  };
  for (const Case& c : {Case{"NAME", "O'Brien", false, false, true, nullptr},
                        Case{"EMPTY_NAME", "", true, false, true, nullptr},
                        Case{"NICK", "dom's", false, false, true, "D_TEXT"},
                        Case{"RANK_NO", "7", false, false, true, nullptr},
                        Case{"BORN", "current_date", false, false, true, nullptr},
                        Case{"ACTIVE", "true", false, false, true, nullptr},
                        Case{"FLAG", "1", false, false, true, "FIB$BOOLEAN"},
                        Case{"GUID", "", false, false, true, "D_GUID"},
                        Case{"PHOTO", "", false, false, false, nullptr},
                        Case{"FULL_NAME", "", false, true, true, nullptr}}) {
    SCOPED_TRACE(c.column);
    auto info = person->FieldInfo(c.column);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->DefaultValue, c.defaultValue);
    EXPECT_EQ(info->EmptyDefault, c.emptyDefault);
    EXPECT_EQ(info->IsComputed, c.computed);
    EXPECT_EQ(info->CanCompare, c.canCompare);
    const std::string source =
        Oracle(std::string("select trim(rdb$field_source) from rdb$relation_fields where rdb$relation_name = 'PERSON' "
                           "and rdb$field_name = '") + c.column + "'");
    EXPECT_EQ(info->DomainName, source);
    if (c.domain != nullptr) {
      EXPECT_EQ(info->DomainName, c.domain);
    }
    EXPECT_EQ(info->IsBoolean(), std::string(c.column) == "FLAG");
    EXPECT_EQ(info->IsGUID(), std::string(c.column) == "GUID");
  }
  EXPECT_EQ(person->FieldInfo("NOTE")->CharSetID,
            OracleInt("select f.rdb$character_set_id from rdb$relation_fields r join rdb$fields f on "
                      "f.rdb$field_name = r.rdb$field_source where r.rdb$relation_name = 'PERSON' and "
                      "r.rdb$field_name = 'NOTE'"));
  EXPECT_EQ(person->Fields().size(), 13u);
  // Repository rows: labels, widths, formats, flags and the further columns.
  auto name = person->FieldInfo("NAME");
  EXPECT_TRUE(name->HasRepositoryInfo);
  EXPECT_EQ(name->DisplayLabel, "Surname");
  EXPECT_EQ(name->DisplayWidth, 25);
  EXPECT_TRUE(name->Visible);
  EXPECT_FALSE(name->Triggered);
  EXPECT_EQ(name->OtherInfo.Text(), "NOTE=n1\r\n");
  auto rank = person->FieldInfo("RANK_NO");
  EXPECT_EQ(rank->DisplayFormat, "0.0");
  EXPECT_EQ(rank->EditFormat, "0");
  EXPECT_FALSE(rank->Visible);
  EXPECT_TRUE(rank->Triggered);
  EXPECT_EQ(rank->OtherInfo.Text(), "NOTE=\r\n");
  EXPECT_FALSE(person->FieldInfo("ID")->HasRepositoryInfo);
}

TEST_F(MetaCacheTest, ViewsProceduresAliasesAndQuotedNames) {
  EXPECT_EQ(Table("V_PERSON")->FormatVersion(),
            OracleInt("select rdb$relation_id from rdb$relations where rdb$relation_name = 'V_PERSON'"));
  EXPECT_EQ(Table("V_PERSON")->Fields().size(), 2u);
  auto procedure = Table("SEL_PERSON");
  ASSERT_EQ(procedure->Fields().size(), 2u);
  EXPECT_FALSE(procedure->FieldInfo("PNAME")->IsComputed);
  EXPECT_EQ(procedure->FieldInfo("PNAME")->DefaultValue, "");
  auto alias = Table("ALIAS");
  ASSERT_NE(alias->FieldInfo("TOTAL"), nullptr);
  EXPECT_EQ(alias->FieldInfo("TOTAL")->DisplayLabel, "Total sum");
  EXPECT_EQ(alias->FieldInfo("TOTAL")->DisplayFormat, "#,##0.00");
  // A quoted name is the bare name; a quote inside a name travels as a parameter.
  EXPECT_EQ(Table("\" PERSON\"").get(), Table("PERSON").get());
  auto quoted = Table("\"O'Table\"");
  EXPECT_EQ(quoted->TableName(), "O'Table");
  EXPECT_EQ(quoted->FormatVersion(), Format("O''Table"));
  EXPECT_NE(quoted->FieldInfo("X"), nullptr);
  EXPECT_EQ(quoted->PrimaryKeyFields(fDatabase), "X");
  // Each table is read once: asked again, nothing is prepared.
  const std::size_t prepares = fLogger.prepared.size();
  Table("PERSON");
  Table("V_PERSON");
  EXPECT_EQ(fLogger.prepared.size(), prepares);
}

TEST_F(MetaCacheTest, PrimaryKeysAreReadOnFirstQuestion) {
  auto person = Table("PERSON");
  EXPECT_EQ(fLogger.Prepares("rdb$index_segments"), 0);
  EXPECT_EQ(person->PrimaryKeyFields(nullptr), DeferredPrimaryKey);
  EXPECT_EQ(person->PrimaryKeyFields(fDatabase), "REGION;ID");
  EXPECT_EQ(person->PrimaryKeyFields(fDatabase), "REGION;ID");
  EXPECT_EQ(fLogger.Prepares("rdb$index_segments"), 1);
  EXPECT_EQ(Table("PLAIN")->PrimaryKeyFields(fDatabase), "");
}

TEST_F(MetaCacheTest, ADatabasesTablesLeaveWithIt) {
  auto person = Table("PERSON");
  TestDatabase other("datasets/repository.sql", {3, "WIN1251"});
  {
    TFIBDatabase database(nullptr);
    Configure(database, other);
    database.SetConnected(true);
    auto otherPerson = FIBTableInfoCollect().GetTableInfo(database, "PERSON", true);
    FIBTableInfoCollect().GetTableInfo(database, "PLAIN", false);
    EXPECT_NE(otherPerson.get(), person.get());
    EXPECT_EQ(FIBTableInfoCollect().Count(), 3);
    // Validating one database judges only its own tables.
    FIBTableInfoCollect().ValidateCache(*fDatabase, {});
    EXPECT_EQ(FIBTableInfoCollect().Count(), 3);
    database.SetConnected(false);
  }
  EXPECT_EQ(FIBTableInfoCollect().Count(), 1);
  EXPECT_EQ(Table("PERSON").get(), person.get());
}

TEST_F(MetaCacheTest, ValidationDropsWhatChangedOnBothRoads) {
  for (int padding : {0, 12}) {
    SCOPED_TRACE(padding);
    FIBTableInfoCollect().Clear();
    for (int i = 0; i < padding; ++i) {
      const std::string name = "PAD" + std::to_string(i) + "_" + std::to_string(padding);
      fDb.Isql("create table " + name + " (x integer);");
      Table(name.c_str());
    }
    auto person = Table("PERSON");
    auto plain = Table("PLAIN");
    auto view = Table("V_PERSON");
    auto alias = Table("ALIAS");
    const int before = FIBTableInfoCollect().Count();
    FIBTableInfoCollect().ValidateCache(*fDatabase, {});
    EXPECT_EQ(FIBTableInfoCollect().Count(), before);
    // A new format of PLAIN, a new repository version of PERSON.
    fDb.Isql("alter table plain add y" + std::to_string(padding) + " integer;");
    fDb.Isql("update fib$fields_info set display_width = display_width + 1 where field_name = 'NAME';");
    FIBTableInfoCollect().ValidateCache(*fDatabase, {});
    EXPECT_EQ(FIBTableInfoCollect().Count(), before - 2);
    EXPECT_NE(Table("PLAIN").get(), plain.get());
    EXPECT_EQ(Table("PLAIN")->FormatVersion(), Format("PLAIN"));
    EXPECT_NE(Table("PERSON").get(), person.get());
    EXPECT_EQ(Table("V_PERSON").get(), view.get());
    EXPECT_EQ(Table("ALIAS").get(), alias.get());
    // Entries handed out stay whole.
    EXPECT_EQ(person->FieldInfo("NAME")->DisplayWidth + 1, Table("PERSON")->FieldInfo("NAME")->DisplayWidth);
  }
  // An accept handler alone decides.
  std::vector<AnsiString> asked;
  FIBTableInfoCollect().ValidateCache(*fDatabase, [&](const AnsiString& name, bool& accept) {
    asked.push_back(name);
    EXPECT_FALSE(accept);
    accept = name != "V_PERSON";
  });
  EXPECT_EQ(static_cast<int>(asked.size()), FIBTableInfoCollect().Count() + 1);
  const std::size_t prepares = fLogger.prepared.size();
  Table("PERSON");
  EXPECT_EQ(fLogger.prepared.size(), prepares);
  Table("V_PERSON");
  EXPECT_GT(fLogger.prepared.size(), prepares);
}

TEST_F(MetaCacheTest, ProcedureCallTexts) {
  struct Case {
    const char* name;
    const char* text;
  };
  for (const Case& c : {Case{"NO_INPUTS", "EXECUTE PROCEDURE NO_INPUTS "},
                        Case{"TWO_INPUTS", "EXECUTE PROCEDURE TWO_INPUTS (?A, ?\"MixedCase\")"},
                        Case{"\"O'Proc\"", "EXECUTE PROCEDURE \"O'Proc\" (?Q)"}}) {
    EXPECT_EQ(FIBStoredProcCollect().GetExecProcText(*fDatabase, c.name, false), c.text);
  }
  // Read once per procedure; again only when forced.
  const int reads = fLogger.Prepares("RDB$PROCEDURE_PARAMETERS");
  FIBStoredProcCollect().GetExecProcText(*fDatabase, "TWO_INPUTS", false);
  EXPECT_EQ(fLogger.Prepares("RDB$PROCEDURE_PARAMETERS"), reads);
  FIBStoredProcCollect().GetExecProcText(*fDatabase, "TWO_INPUTS", true);
  EXPECT_EQ(fLogger.Prepares("RDB$PROCEDURE_PARAMETERS"), reads + 1);
  // The stored-procedure component takes its text from the cache.
  TpFIBStoredProc proc(nullptr);
  proc.SetDatabase(fDatabase);
  proc.SetStoredProcName("TWO_INPUTS");
  EXPECT_EQ(proc.SQL().Text(), "EXECUTE PROCEDURE TWO_INPUTS (?A, ?\"MixedCase\")\r\n");
  EXPECT_EQ(fLogger.Prepares("RDB$PROCEDURE_PARAMETERS"), reads + 1);
}

class DialectOneProcedures : public RepositoryTest {
 protected:
  DialectOneProcedures() : RepositoryTest("datasets/procedures.sql", 1) {}
};

TEST_F(DialectOneProcedures, NamesAreUpperCased) {
  EXPECT_EQ(FIBStoredProcCollect().GetExecProcText(*fDatabase, "proc_in", false),
            "EXECUTE PROCEDURE proc_in (?FIRST_ARG, ?SECOND_ARG)");
  EXPECT_EQ(FIBStoredProcCollect().GetExecProcText(*fDatabase, "no_inputs", false), "EXECUTE PROCEDURE no_inputs ");
}

class ApplyToDataSetTest : public RepositoryTest {
 protected:
  ApplyToDataSetTest() {
    fTransaction->SetDefaultDatabase(fDatabase);
    fDataSet->SetName("People");
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    Configure(fBare, fBareDb);
  }
  TestDatabase fBareDb{"datasets/procedures.sql", {3, "WIN1251"}};
  TFIBDatabase fBare{nullptr};
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TProbeDataSet* fDataSet = new TProbeDataSet(&fForm);
};

TEST_F(ApplyToDataSetTest, TheStoredTextsAndSettingsReachTheDataSet) {
  fDataSet->SetDataSet_ID(5);
  EXPECT_TRUE(fDataSet->PrepareOptions().Contains(psApplyRepositary));
  fDataSet->AutoUpdateOptions().SetAutoReWriteSqls(true);
  fDataSet->AutoUpdateOptions().SetCanChangeSQLs(true);
  fDataSet->Prepare();
  EXPECT_EQ(fDataSet->SelectSQL().Text(), "select * from person\r\n");
  EXPECT_EQ(fDataSet->UpdateSQL().Text(), "update person set name = ?name where id = ?old_id\r\n");
  EXPECT_EQ(fDataSet->InsertSQL().Text(), "insert into person (id, region) values (?id, ?region)\r\n");
  EXPECT_EQ(fDataSet->DeleteSQL().Text(), "delete from person where id = ?old_id\r\n");
  EXPECT_EQ(fDataSet->RefreshSQL().Text(), "select * from person where id = ?id\r\n");
  const TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
  EXPECT_EQ(options.KeyFields(), "ID");
  EXPECT_EQ(options.GeneratorName(), "GEN_PERSON_ID");
  EXPECT_EQ(options.WhenGetGenID(), wgBeforePost);
  EXPECT_EQ(options.UpdateTableName(), "PERSON");
  EXPECT_TRUE(options.UpdateOnlyModifiedFields());
  EXPECT_EQ(fDataSet->Description(), "People");
  ASSERT_EQ(fDataSet->Conditions().Count(), 2);
  EXPECT_EQ(fDataSet->Conditions().ValueFromIndex(0), "id > 10");
  EXPECT_TRUE(fDataSet->Conditions().Condition(0)->Enabled());
  EXPECT_FALSE(fDataSet->Conditions().Condition(1)->Enabled());
  EXPECT_TRUE(fDataSet->Prepared());
  // The row is read once: a second dataset of the number asks nothing.
  const int reads = fLogger.Prepares("FIB$DATASETS_INFO WHERE DS_ID");
  TProbeDataSet second(nullptr);
  second.SetDatabase(fDatabase);
  second.SetTransaction(fTransaction);
  second.SetDataSet_ID(5);
  second.Prepare();
  EXPECT_EQ(fLogger.Prepares("FIB$DATASETS_INFO WHERE DS_ID"), reads);
  EXPECT_EQ(second.SelectSQL().Text(), "select * from person\r\n");
}

TEST_F(ApplyToDataSetTest, FailuresAreNamed) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
    const char* error;
  };
  const std::vector<Case> cases{
      {"negative", [&] { fDataSet->SetDataSet_ID(-1); }, "Form.People.DataSet_ID should be greater than 0"},
      {"no database", [&] { fDataSet->SetDataSet_ID(5); fDataSet->SetDatabase(nullptr); },
       "Can't get info for 5\r\nDatabase is not assigned"},
      {"no repository",
       [&] {
         fDataSet->SetDataSet_ID(5);
         fBare.SetConnected(true);
         fDataSet->SetDatabase(&fBare);
       },
       "Table FIB$DATASETS_INFO does not exist."},
      {"not used",
       [&] {
         fDataSet->SetDataSet_ID(5);
         fDatabase->SetUseRepositories({urFieldsInfo});
       },
       "Can't use FIB$DATASETS_INFO.\r\nurDataSetInfo not included into Database.UseRepositories."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FIBDataSetInfoCollect().Clear();
    fDatabase->SetUseRepositories({urFieldsInfo, urDataSetInfo, urErrorMessagesInfo});
    fDataSet->SetDatabase(fDatabase);
    c.setUp();
    EXPECT_EQ(ErrorOf<Exception>([&] { FIBDataSetInfoCollect().ApplyToDataSet(*fDataSet); }), c.error);
  }
}

TEST_F(ApplyToDataSetTest, AChangedVersionIsReadAgainWhenVersionsAreChecked) {
  const AnsiString file = TestTempDir() + "/versions.dt";
  fDataSet->SetDataSet_ID(5);
  FIBDataSetInfoCollect().ApplyToDataSet(*fDataSet);
  FIBDataSetInfoCollect().SaveToFile(file);
  fDb.Isql("update fib$datasets_info set description = 'Persons' where ds_id = 5;");
  for (bool check : {false, true}) {
    SCOPED_TRACE(check);
    ASSERT_TRUE(FIBDataSetInfoCollect().LoadFromFile(file));
    FIBDataSetInfoCollect().SetCheckVersions(check);
    FIBDataSetInfoCollect().ApplyToDataSet(*fDataSet);
    EXPECT_EQ(fDataSet->Description(), check ? "Persons" : "People");
  }
  FIBDataSetInfoCollect().SetCheckVersions(false);
}

TEST_F(ApplyToDataSetTest, RepositoryDomainsGiveBooleanAndGuidFields) {
  fDataSet->SelectSQL().SetText("select id, flag, guid, rank_no from person");
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() + TpPrepareOptions{psUseGuidField});
  fDataSet->Prepare();
  EXPECT_EQ(fDataSet->FieldDefs().Find("FLAG")->DataType(), ftBoolean);
  EXPECT_EQ(fDataSet->FieldDefs().Find("GUID")->DataType(), ftGuid);
  EXPECT_EQ(fDataSet->FieldDefs().Find("GUID")->Size(), 38);
  EXPECT_EQ(fDataSet->GetFieldClass(ftGuid).Class(), TFIBGuidField::StaticClass());
  EXPECT_EQ(fDataSet->FieldDefs().Find("RANK_NO")->DataType(), ftInteger);
  // Without the options the columns keep their own types.
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() - TpPrepareOptions{psUseGuidField, psUseBooleanField});
  EXPECT_EQ(fDataSet->FieldDefs().Find("FLAG")->DataType(), ftSmallint);
  EXPECT_EQ(fDataSet->FieldDefs().Find("GUID")->DataType(), ftString);
}

}  // namespace
}  // namespace ordvane::test
