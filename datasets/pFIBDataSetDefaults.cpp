// TpFIBDataSet filling new records the way the server would: the key from a generator,
// before the record is shown or just before it is posted.

#include "classlib/db/NumericFields.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBConsts.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/pFIBCacheQueries.h"

namespace ordvane {

TpFIBDataSet::~TpFIBDataSet() {
  if (fGeneratorUsed && Database() != nullptr) {
    const TAutoUpdateOptions& options = AutoUpdateOptions();
    FreeCachedQueryHandle(Database(), Database()->GenIdSQL(options.GeneratorName(), options.GeneratorStep()));
  }
}

TField* TpFIBDataSet::KeyField() {
  const AnsiString& name = AutoUpdateOptions().KeyFields();
  return name.empty() ? nullptr : FindField(name);
}

void TpFIBDataSet::FillKeyFromGenerator() {
  const TAutoUpdateOptions& options = AutoUpdateOptions();
  if (!options.UsesGenerator()) return;
  if (Database() == nullptr) FIBError(TFIBClientError::DatabaseNotAssigned, {FullComponentName(this)});
  TField* key = KeyField();
  if (key == nullptr || dynamic_cast<TNumericField*>(key) == nullptr || !key->IsNull()) return;
  const Int64 value = Database()->Gen_Id(options.GeneratorName(), options.GeneratorStep(), Transaction());
  // Every numeric field checks its range here: a value the key cannot hold is refused, the
  // key stays null and the post does not happen, where a cut value would hit another row.
  key->SetAsLargeInt(value);
  fGeneratorUsed = true;
}

void TpFIBDataSet::DoOnNewRecord() {
  switch (AutoUpdateOptions().WhenGetGenID()) {
    case wgOnNewRecord:
      FillKeyFromGenerator();
      break;
    case wgBeforePost:
      // The class library checks required fields before the key is filled.
      if (TField* key = KeyField()) key->SetRequired(false);
      break;
    case wgNever:
      break;
  }
  TFIBDataSet::DoOnNewRecord();
}

void TpFIBDataSet::DoBeforePost() {
  const TDataSetState state = State();
  if (state == dsInsert && AutoUpdateOptions().WhenGetGenID() == wgBeforePost) FillKeyFromGenerator();
  TFIBDataSet::DoBeforePost();
  if (!CachedUpdates()) PrepareModifySQL(state);
}

}  // namespace ordvane
