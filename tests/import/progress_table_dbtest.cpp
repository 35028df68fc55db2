// The operator form imported into a Firebird table through a dataset that posts with its
// own insert statement, the progress dialog shown: isql-fb sees the rows the dialog
// counted as added, and the dialog's final counters are the component's.

#include <gtest/gtest.h>

#include "datasets/pFIBDataSet.h"
#include "import/dialogs/SMIStat.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/import/FormImport.h"
#include "tests/support/UiDriver.h"

namespace ordvane::test {
namespace {

std::string Counters(const TfrmSMIProcess& form) {
  std::string text;
  for (const TLabel* label : {form.lblTotalImported, form.lblTotalErrors, form.lblTotalAdded, form.lblTotalDeleted,
                              form.lblTotalUpdated, form.lblTotalSkipped})
    text += (text.empty() ? "" : " ") + label->Caption();
  return text;
}

TEST(ProgressIntoTable, TheDialogCountsTheRowsTheServerHolds) {
  const TestDatabase db("import/persons.sql", {3, "WIN1251"});
  TComponent owner(nullptr);
  auto* database = new TFIBDatabase(&owner);
  auto* transaction = new TFIBTransaction(&owner);
  auto* target = new TpFIBDataSet(&owner);
  Configure(*database, db);
  transaction->SetDefaultDatabase(database);
  database->SetConnected(true);
  transaction->StartTransaction();
  target->SetDatabase(database);
  target->SetTransaction(transaction);
  target->SetUpdateTransaction(transaction);
  target->SetAutoCommit(true);
  target->SelectSQL().SetText("select id, surname, born, score from person");
  target->InsertSQL().SetText("insert into person (id, surname, born, score) values (?id, ?surname, ?born, ?score)");
  target->Open();

  UiDriver ui;
  TSMImportFromXLS import(nullptr);
  auto dialogs = std::make_shared<TSMIWindowDialogs>();
  import.SetDialogs(dialogs);
  import.SetAnimatedStatus(true);
  import.Statistic()->SetUpdateStep(1);
  SetApplicationFormats(*import.DataFormats());
  import.SetSourceFileName(FormFixture("form.xls"));
  import.SetDataSet(target);
  import.SetRowFirst(2);
  import.SetOptions(import.Options() - TSMIOptions{soAutoCloseStatistic} + TSMIOptions{soSkipEmptyRow});
  import.Mappings()->SetText("ID=A\nSURNAME=B\nBORN=E\nSCORE=H");

  std::string shown;
  ui.Later([&] {
    const TfrmSMIProcess* form = dialogs->ProgressForm();
    shown = form->lblStatus->Caption() + " [" + form->btnCancel->Caption() + "] " + Counters(*form);
    ui.Click(form->btnCancel, {10, 10});
  });
  import.Execute();

  const TSMIStatistic& s = *import.Statistic();
  EXPECT_EQ(s.Result(), irExecuted);
  std::string counted;
  for (Integer value : {s.TotalImported(), s.TotalErrors(), s.TotalAdded(), s.TotalDeleted(), s.TotalUpdated(),
                        s.TotalSkipped()})
    counted += (counted.empty() ? "" : " ") + std::to_string(value);
  EXPECT_EQ(shown, "The data import process has completed successfully. [&OK] " + counted);
  EXPECT_EQ(counted, "7 0 5 0 0 2");  // the two empty rows skipped
  EXPECT_EQ(IsqlRows(db, "select id, surname, born, cast(score * 1000 as integer) from person order by id"),
            "1|Шевченко|1985-03-09|4750;2|Українка|1971-02-25|5000;3|Франко|1956-08-27|3500;"
            "4|Ґудзь|1999-12-31|12345678;5|О’Ніл|2000-01-01|100");
}

}  // namespace
}  // namespace ordvane::test
