#include "examples/PersonsTable.h"

#include "examples/PersonsDatabase.h"

namespace ordvane::demo {

TPersonsTable::TPersonsTable(TComponent* owner, TFIBDatabase& database)
    : fRead(new TFIBTransaction(owner)),
      fWrite(new TFIBTransaction(owner)),
      fDataSet(new TpFIBDataSet(owner)) {
  fRead->SetDefaultDatabase(&database);
  fWrite->SetDefaultDatabase(&database);
  fDataSet->SetDatabase(&database);
  fDataSet->SetTransaction(fRead);
  fDataSet->SetUpdateTransaction(fWrite);
  fDataSet->SelectSQL().SetText("select " + PersonsColumnList() + " from " + kPersonsTable + "\nORDER BY ID");
  TAutoUpdateOptions& update = fDataSet->AutoUpdateOptions();
  update.SetUpdateTableName(kPersonsTable);
  update.SetKeyFields("ID");
  update.SetAutoReWriteSqls(true);
  update.SetCanChangeSQLs(true);
  update.SetGeneratorName(kPersonsGenerator);
  update.SetWhenGetGenID(wgBeforePost);
}

void TPersonsTable::Open() {
  if (!fRead->Active()) fRead->StartTransaction();
  fDataSet->Open();
  fDataSet->FetchAll();
}

void TPersonsTable::Reopen() {
  fDataSet->Close();
  if (fRead->Active()) fRead->Commit();
  Open();
}

}  // namespace ordvane::demo
