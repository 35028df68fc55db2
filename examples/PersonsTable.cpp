#include "examples/PersonsTable.h"

#include <algorithm>

#include "classlib/core/AnsiStrings.h"
#include "dbclient/FIBVariants.h"
#include "examples/PersonsDatabase.h"

namespace ordvane::demo {
namespace {

// Its users sort Ukrainian names: text in the alphabet's order (Бондаренко, Евтушенко,
// Єфремов, Іванов, Їжакевич), nulls first, other values as the dataset compares them.
int CompareInUkrainianOrder(TField* field, const Variant& value1, const Variant& value2) {
  const bool null1 = VarIsNull(value1) || VarIsEmpty(value1);
  const bool null2 = VarIsNull(value2) || VarIsEmpty(value2);
  if (null1 || null2) return null1 == null2 ? 0 : (null1 ? -1 : 1);
  if (field != nullptr && IsTextFieldType(field->DataType()))
    return WideCompareStr(value1.AsWideString(), value2.AsWideString());
  return std::clamp(CompareVariantsTyped(value1, value2), -1, 1);
}

}  // namespace

TPersonsTable::TPersonsTable(TComponent* owner, TFIBDatabase& database)
    : fRead(new TFIBTransaction(owner)),
      fWrite(new TFIBTransaction(owner)),
      fDataSet(new TpFIBDataSet(owner)) {
  fRead->SetDefaultDatabase(&database);
  fWrite->SetDefaultDatabase(&database);
  fDataSet->SetDatabase(&database);
  fDataSet->SetTransaction(fRead);
  fDataSet->SetUpdateTransaction(fWrite);
  // A post reads its row back before the write transaction commits: only that transaction
  // sees the row as posted, and a row read back as it was would be written back so on its
  // next edit.
  fDataSet->SetRefreshTransactionKind(tkUpdateTransaction);
  fDataSet->SelectSQL().SetText("select " + PersonsColumnList() + " from " + kPersonsTable + "\nORDER BY ID");
  TAutoUpdateOptions& update = fDataSet->AutoUpdateOptions();
  update.SetUpdateTableName(kPersonsTable);
  update.SetKeyFields("ID");
  update.SetAutoReWriteSqls(true);
  update.SetCanChangeSQLs(true);
  update.SetGeneratorName(kPersonsGenerator);
  update.SetWhenGetGenID(wgBeforePost);
  // An edit made in the grid is saved on its own; the import turns this off for its run,
  // whose rows are committed together.
  fDataSet->SetAutoCommit(true);
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poStartTransaction});
  fDataSet->OnCompareFieldValues = CompareInUkrainianOrder;
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
