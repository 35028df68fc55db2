#include "examples/PersonsImport.h"

#include "datasets/FIBDataSetScopes.h"
#include "examples/PersonsTable.h"
#include "import/SMI2XLS.h"

namespace ordvane::demo {

namespace {

// The sample workbook's columns: №, surname, first name, patronymic, birth date,
// document, amount; the key is the generator's, so the № column is not read.
constexpr const char* kLetterMappings =
    "SURNAME=B\nFIRST_NAME=C\nPATRONYMIC=D\nBORN=E\nDOC_NO=F\nAMOUNT=G";

}  // namespace

void TStoredRows::Commit(TFIBTransaction& transaction, Integer written) {
  const std::lock_guard lock(fLock);
  transaction.Commit();
  fCount = written;
}

Integer TStoredRows::Count() const {
  const std::lock_guard lock(fLock);
  return fCount;
}

TPersonsImportOutcome ImportPersons(const TPersonsImportSettings& settings, TPersonsTable& table,
                                    TStoredRows& stored) {
  TSMImportFromXLS import(nullptr);
  if (settings.Dialogs) import.SetDialogs(settings.Dialogs);
  import.SetOptions(import.Options() + TSMIOptions{soSkipEmptyRow, soExtendedStatistic});
  import.SetRowFirst(kPersonsFirstRow);
  import.Mappings()->SetText(kLetterMappings);
  if (!settings.Specification.empty()) import.LoadSpecificationFromFile(settings.Specification);
  // After the specification, which may name a workbook of its own.
  import.SetSourceFileName(settings.Workbook);
  TpFIBDataSet& persons = table.DataSet();
  import.SetDataSet(&persons);
  // The import commits its rows itself, many at a time, rather than each as it is posted.
  persons.SetAutoCommit(false);
  const TScopeEnd saveEachEdit([&persons] { persons.SetAutoCommit(true); });
  TFIBTransaction* write = &table.WriteTransaction();
  import.OnStartTransaction = [write](TObject*) { write->StartTransaction(); };
  // A commit comes before the next row is written: every row written so far is in it.
  import.OnFinishTransaction = [write, &stored, &import](TObject*) {
    stored.Commit(*write, import.Statistic()->TotalAdded() + import.Statistic()->TotalUpdated());
  };

  TPersonsImportOutcome outcome;
  import.OnErrorEvent = [&](TObject*, const Exception& error, bool& abort) {
    abort = false;
    // The import names the row, and the field and value where it knows them.
    outcome.RowErrors.push_back(error.Message());
  };
  import.Execute();

  const TSMIStatistic& statistic = *import.Statistic();
  outcome.Result = statistic.Result();
  outcome.Processed = statistic.TotalImported();
  outcome.Added = statistic.TotalAdded();
  outcome.Updated = statistic.TotalUpdated();
  outcome.Skipped = statistic.TotalSkipped();
  outcome.Errors = statistic.TotalErrors();
  return outcome;
}

}  // namespace ordvane::demo
