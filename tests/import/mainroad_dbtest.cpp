// The main road: the operator's form imported into a dataset over the persons table that
// writes its own statements and takes each key from the generator as the row is posted.
// isql-fb reads the table back while the dataset is still attached.

#include <gtest/gtest.h>

#include "datasets/pFIBDataSet.h"
#include "tests/datasets/EditingSupport.h"
#include "tests/import/FormImport.h"

namespace ordvane::test {
namespace {

TEST(MainRoad, TheFormBecomesFivePersonsWithGeneratedKeys) {
  const TestDatabase db("import/persons_keyed.sql", {3, "WIN1251"});
  TComponent owner(nullptr);
  auto* database = new TFIBDatabase(&owner);
  auto* transaction = new TFIBTransaction(&owner);
  auto* target = new TpFIBDataSet(&owner);
  ConnectForPosting(*database, *transaction, *target, db);
  TAutoUpdateOptions& options = target->AutoUpdateOptions();
  options.SetAutoReWriteSqls(true);
  options.SetCanChangeSQLs(true);
  options.SetUpdateTableName("PERSON");
  options.SetKeyFields("ID");
  options.SetGeneratorName("GEN_PERSON_ID");
  options.SetWhenGetGenID(wgBeforePost);
  target->SelectSQL().SetText("select * from person");
  target->Open();

  TSMImportFromXLS import(nullptr);
  import.SetAnimatedStatus(false);
  import.SetDialogs(std::make_shared<TSMIHeadlessDialogs>());
  SetApplicationFormats(*import.DataFormats());
  import.SetSourceFileName(FormFixture("form.xls"));
  import.SetDataSet(target);
  import.SetRowFirst(2);
  import.SetOptions(import.Options() + TSMIOptions{soSkipEmptyRow});
  import.Mappings()->SetText("SURNAME=B\nFIRST_NAME=C\nBORN=E\nSCORE=H");
  import.Execute();

  EXPECT_EQ(import.Statistic()->Result(), irExecuted);
  EXPECT_EQ(import.Statistic()->TotalAdded(), 5);
  ASSERT_TRUE(target->Active());
  EXPECT_EQ(IsqlRows(db, "select id, surname, first_name, born, cast(score * 1000 as integer) from person order by id"),
            "1|Шевченко|Тарас|1985-03-09|4750;2|Українка|Леся|1971-02-25|5000;3|Франко|Іван|1956-08-27|3500;"
            "4|Ґудзь|Євгенія|1999-12-31|12345678;5|О’Ніл|Марія|2000-01-01|100");
}

}  // namespace
}  // namespace ordvane::test
