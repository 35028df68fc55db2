// Datasets written to a form and read back, with no database: the form holds their
// statements' texts and settings.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/Filer.h"
#include "classlib/db/DataSource.h"
#include "datasets/FIBDataSetStreaming.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/pFIBDatabase.h"

namespace ordvane {
namespace {

class DataSetStreaming : public ::testing::Test {
 protected:
  DataSetStreaming() { RegisterFIBDataSetStreaming(); }
};

TEST_F(DataSetStreaming, ADataSetComesBackPropertyByProperty) {
  TComponent module(nullptr);
  module.SetName("Module");
  auto* database = new TpFIBDatabase(&module);
  database->SetName("DB");
  auto* read = new TpFIBTransaction(&module);
  read->SetName("DefTrans");
  auto* update = new TpFIBTransaction(&module);
  update->SetName("UpdateTrans");
  auto* persons = new TpFIBDataSet(&module);
  persons->SetName("Persons");
  persons->SetDatabase(database);
  persons->SetTransaction(read);
  persons->SetUpdateTransaction(update);
  persons->SelectSQL().SetText(Utf8ToAnsi("select * from T001\r\nwhere ПРІЗВИЩЕ > ''\r\n"));
  persons->InsertSQL().Add("insert into T001 (ID) values (:ID)");
  persons->SetOptions({poRefreshAfterPost, poStartTransaction, poFetchAll});
  persons->SetPrepareOptions({pfSetRequiredFields, psUseBooleanField});
  persons->SetDetailConditions({dcForceOpen});
  persons->SetAutoCommit(true);
  persons->SetFieldOriginRule(forClientFieldName);
  persons->AutoUpdateOptions().SetUpdateTableName("T001");
  persons->AutoUpdateOptions().SetKeyFields("ID");
  persons->AutoUpdateOptions().SetWhenGetGenID(wgBeforePost);
  persons->AutoUpdateOptions().SetGeneratorName("GT003");
  persons->CacheModelOptions().SetBufferChunks(64);
  persons->Conditions().AddCondition("Adults", "AGE >= 18", true);
  auto* source = new TDataSource(&module);
  source->SetName("PersonsSource");
  source->SetDataSet(persons);

  const AnsiString text = WriteComponentText(module);
  TComponent copy(nullptr);
  ReadComponentText(text, copy);
  auto* back = dynamic_cast<TpFIBDataSet*>(copy.FindComponent("Persons"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Database(), copy.FindComponent("DB"));
  EXPECT_EQ(back->Transaction(), copy.FindComponent("DefTrans"));
  EXPECT_EQ(back->UpdateTransaction(), copy.FindComponent("UpdateTrans"));
  EXPECT_TRUE(back->SelectSQL().Equals(&persons->SelectSQL()));
  EXPECT_TRUE(back->InsertSQL().Equals(&persons->InsertSQL()));
  EXPECT_EQ(back->Options(), persons->Options());
  EXPECT_EQ(back->PrepareOptions(), persons->PrepareOptions());
  EXPECT_EQ(back->DetailConditions(), persons->DetailConditions());
  EXPECT_TRUE(back->AutoCommit());
  EXPECT_EQ(back->FieldOriginRule(), forClientFieldName);
  EXPECT_EQ(back->AutoUpdateOptions().UpdateTableName(), "T001");
  EXPECT_EQ(back->AutoUpdateOptions().KeyFields(), "ID");
  EXPECT_EQ(back->AutoUpdateOptions().WhenGetGenID(), wgBeforePost);
  EXPECT_EQ(back->AutoUpdateOptions().GeneratorName(), "GT003");
  EXPECT_EQ(back->CacheModelOptions().BufferChunks(), 64);
  EXPECT_TRUE(back->Conditions().FindCondition("Adults")->Enabled());
  auto* backSource = dynamic_cast<TDataSource*>(copy.FindComponent("PersonsSource"));
  ASSERT_NE(backSource, nullptr);
  EXPECT_EQ(backSource->DataSet(), back);
  EXPECT_EQ(WriteComponentText(copy), text);
}

// Puts the process-wide formats back however the test ends.
class DefaultFormatsGuard {
 public:
  DefaultFormatsGuard() : fSaved(DefaultFormatFields()) {}
  ~DefaultFormatsGuard() { DefaultFormatFields() = fSaved; }
  DefaultFormatsGuard(const DefaultFormatsGuard&) = delete;
  DefaultFormatsGuard& operator=(const DefaultFormatsGuard&) = delete;

 private:
  TFormatFieldsDefaults fSaved;
};

TEST_F(DataSetStreaming, DefaultFormatsAreWrittenWhereTheyDifferFromTheProcessDefaults) {
  const DefaultFormatsGuard guard;
  TpFIBDataSet dataSet(nullptr);
  dataSet.SetName("Persons");
  EXPECT_EQ(WriteComponentText(dataSet).find("DefaultFormats"), AnsiString::npos);
  dataSet.DefaultFormats().SetNumericDisplayFormat("#,##0.00");
  dataSet.DefaultFormats().SetDisplayFormatDate("dd/mm/yy");
  EXPECT_NE(WriteComponentText(dataSet).find("\n  DefaultFormats.NumericDisplayFormat = \"#,##0.00\"\n"
                                             "  DefaultFormats.DisplayFormatDate = \"dd/mm/yy\"\n"),
            AnsiString::npos)
      << WriteComponentText(dataSet);
  // A format the process no longer takes by default is written although it was never set.
  DefaultFormatFields().DisplayFormatTime = "hh:nn";
  const AnsiString text = WriteComponentText(dataSet);
  EXPECT_NE(text.find("DefaultFormats.DisplayFormatTime = \"hh:mm AMPM\""), AnsiString::npos) << text;

  TpFIBDataSet back(nullptr);
  ReadComponentText(text, back);
  EXPECT_EQ(back.DefaultFormats().NumericDisplayFormat(), "#,##0.00");
  EXPECT_EQ(back.DefaultFormats().DisplayFormatDate(), "dd/mm/yy");
  EXPECT_EQ(back.DefaultFormats().DisplayFormatTime(), "hh:mm AMPM");
  EXPECT_EQ(back.DefaultFormats().NumericEditFormat(), "0.");
  EXPECT_EQ(back.DefaultFormats().DateTimeDisplayFormat(), "dd.mm.yyyy hh:mm AMPM");
}

TEST_F(DataSetStreaming, OptionSetsAsStoredNames) {
  TpFIBDataSet dataSet(nullptr);
  dataSet.SetName("D");
  EXPECT_EQ(WriteComponentText(dataSet), "object D: TpFIBDataSet\nend\n");
  dataSet.SetOptions({poRefreshAfterPost, poStartTransaction, poAutoFormatFields, poFetchAll});
  dataSet.SetDetailConditions({dcWaitEndMasterScroll});
  EXPECT_EQ(WriteComponentText(dataSet),
            "object D: TpFIBDataSet\n  oTrimCharFields = False\n  oFetchAll = True\n  WaitEndMasterScroll = "
            "True\nend\n");
  // Against an inherited dataset only the members that differ from it.
  TpFIBDataSet ancestor(nullptr);
  ancestor.SetOptions(dataSet.Options());
  EXPECT_EQ(WriteComponentText(dataSet, &ancestor),
            "object D: TpFIBDataSet\n  WaitEndMasterScroll = True\nend\n");
}

TEST_F(DataSetStreaming, NamesOfOlderFormsAreReadNotWritten) {
  TpFIBDataSet dataSet(nullptr);
  ReadComponentText(
      "object D: TpFIBDataSet\n  oFetchAll = True\n  BufferChunks = 128\n  ObjectView = True\n"
      "  AutoUpdateOptions.SelectGenID = True\n  AutoUpdateOptions.GenBeforePost = False\nend\n",
      dataSet);
  EXPECT_TRUE(dataSet.Options().Contains(poFetchAll));
  EXPECT_EQ(dataSet.CacheModelOptions().BufferChunks(), 128);
  EXPECT_EQ(dataSet.AutoUpdateOptions().WhenGetGenID(), wgOnNewRecord);
  EXPECT_EQ(WriteComponentText(dataSet),
            "object D: TpFIBDataSet\n  CacheModelOptions.BufferChunks = 128\n"
            "  AutoUpdateOptions.WhenGetGenID = wgOnNewRecord\n  oFetchAll = True\nend\n");
  EXPECT_THROW(ReadComponentText("object D: TpFIBDataSet\n  ObjectView = 1\nend\n", dataSet), EReadError);
}

}  // namespace
}  // namespace ordvane
