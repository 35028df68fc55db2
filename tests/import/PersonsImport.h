#pragma once
// The workbook of tests/import/PersonsWorkbook.h into the PERSONS table of
// tests/fixtures/import/persons_list.sql, the way README.md shows an import into a
// Firebird table: a TpFIBDataSet that posts with its own insert statement, reading in one
// transaction and writing in another, which the import commits every CommitCount rows
// through its transaction events.

#include <string>

#include "datasets/pFIBDataSet.h"
#include "import/SMI2XLS.h"

namespace ordvane::test {

constexpr const char* kPersonsColumnList =
    "ID, SURNAME, FIRST_NAME, PATRONYMIC, BORN, TOWN, TAX_NO, AMOUNT, LATIN_NAME, NOTE";

// The dataset on `database`, open, with its update transaction, both owned by `owner`.
inline TpFIBDataSet* PersonsTarget(TComponent& owner, TFIBDatabase& database) {
  auto* read = new TFIBTransaction(&owner);
  auto* write = new TFIBTransaction(&owner);
  read->SetDefaultDatabase(&database);
  write->SetDefaultDatabase(&database);
  auto* target = new TpFIBDataSet(&owner);
  target->SetDatabase(&database);
  target->SetTransaction(read);
  target->SetUpdateTransaction(write);
  target->SelectSQL().SetText(std::string("select ") + kPersonsColumnList + " from PERSONS");
  target->InsertSQL().SetText(std::string("insert into PERSONS (") + kPersonsColumnList +
                              ") values (?ID, ?SURNAME, ?FIRST_NAME, ?PATRONYMIC, ?BORN, ?TOWN, ?TAX_NO, ?AMOUNT, "
                              "?LATIN_NAME, ?NOTE)");
  read->StartTransaction();
  target->Open();
  return target;
}

// Sets the import up to put the workbook's rows below its header into the target,
// committing the target's update transaction every commitCount rows.
inline void SetUpPersonsImport(TSMImportFromXLS& import, const std::string& workbook, TpFIBDataSet& target,
                               Integer commitCount) {
  import.SetAnimatedStatus(false);
  import.SetOptions(import.Options() - TSMIOptions{soShowMessage});
  import.SetSourceFileName(workbook);
  import.SetDataSet(&target);
  import.SetRowFirst(2);
  import.Mappings()->SetText(
      "ID=A\nSURNAME=B\nFIRST_NAME=C\nPATRONYMIC=D\nBORN=E\nTOWN=F\nTAX_NO=G\nAMOUNT=H\nLATIN_NAME=I\nNOTE=J");
  import.SetCommitCount(commitCount);
  TFIBTransaction* write = target.UpdateTransaction();
  import.OnStartTransaction = [write](TObject*) { write->StartTransaction(); };
  import.OnFinishTransaction = [write](TObject*) { write->Commit(); };
}

}  // namespace ordvane::test
