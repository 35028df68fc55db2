// TpFIBDataSet's visibility test: the cached-update status, then the client filter.

#include "datasets/pFIBDataSet.h"

namespace ordvane {

bool TpFIBDataSet::RecordIsVisible(TRecordBuffer buffer) {
  const Integer recordNo = RecordIndexOf(buffer) + 1;
  if (!TFIBDataSet::RecordIsVisible(buffer)) {
    SetFilteredOut(recordNo, true);
    return false;
  }
  if (!Filtered()) return true;
  TExpressionParser* parser = FilterParser();
  const TDataSetState saved = SetTempState(dsFilter);
  const Integer savedCurrent = fCurrentRecord;
  TRecordBuffer savedFilterRecord = fFilterRecord;
  fCurrentRecord = RecordIndexOf(buffer);
  fFilterRecord = buffer;
  const auto restore = [&] {
    fFilterRecord = savedFilterRecord;
    fCurrentRecord = savedCurrent;
    RestoreState(saved);
  };
  bool accept = true;
  // The state, the current record and the tested record come back on every path, an
  // evaluation or a handler that raises included (a try block, unlike a scope object,
  // costs nothing per record when nothing raises).
  try {
    // Values of another record must never decide: the tested record's own are computed.
    if ((parser != nullptr && parser->UsesCalculatedFields()) || OnFilterRecord) GetCalcFields(buffer);
    if (parser != nullptr) accept = parser->BooleanResult();
    if (accept && OnFilterRecord) OnFilterRecord(this, accept);
    if (accept) accept = FinalFilterAccepts();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  SetFilteredOut(recordNo, !accept);
  return accept;
}

}  // namespace ordvane
