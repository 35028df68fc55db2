// TFIBCustomDataSet as a detail: the select statement's parameters taken from the
// master's fields, whether they changed, the master's data source and the link that
// re-reads the detail when the master moves or closes.

#include "classlib/core/FMTBcd.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetScopes.h"
#include "datasets/FIBFields.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/FIBVariants.h"

namespace ordvane {

// ---- Master parameters ----------------------------------------------------------------------

TField* TFIBCustomDataSet::MasterFieldOf(const AnsiString& paramName) const {
  TDataSet* master = fDataSource != nullptr ? fDataSource->DataSet() : nullptr;
  if (master == nullptr) return nullptr;
  return master->FindField(IsMasterParamName(paramName) ? paramName.substr(4) : paramName);
}

void TFIBCustomDataSet::CopyMasterValue(TFIBXSQLVAR& param, TField* field) {
  if (field->IsNull()) {
    param.SetIsNull(true);
    return;
  }
  switch (field->DataType()) {
    case ftString:
    case ftGuid:
      param.SetAsString(field->AsString());
      return;
    case ftSmallint:
    case ftInteger:
    case ftWord:
      param.SetAsLong(field->AsInteger());
      return;
    case ftBoolean:
      // 1 or 0 for an integer parameter, the value itself for a BOOLEAN one.
      param.SetAsBoolean(field->AsBoolean());
      return;
    case ftFloat:
    case ftCurrency:
      param.SetAsDouble(field->AsFloat());
      return;
    case ftBCD:
      // The scaled digits exactly; a currency holds four places and less than 10^15.
      if (auto* bcd = dynamic_cast<TFIBBCDField*>(field); bcd != nullptr && bcd->Size() != 0)
        param.SetAsBcd(ScaledInt64ToBcd(bcd->AsScaledInt64(), bcd->Size()));
      else
        param.SetAsCurrency(field->AsCurrency());
      return;
    case ftDate:
      param.SetAsDate(field->AsDateTime());
      return;
    case ftTime:
      param.SetAsTime(field->AsDateTime());
      return;
    case ftDateTime:
      param.SetAsDateTime(field->AsDateTime());
      return;
    case ftBlob:
    case ftMemo: {
      std::unique_ptr<TStream> stream = field->DataSet()->CreateBlobStream(field, bmRead);
      param.LoadFromStream(*stream);
      return;
    }
    case ftWideString:
      param.SetAsWideString(static_cast<TWideStringField*>(field)->AsWideString());
      return;
    case ftLargeint:
      param.SetAsInt64(field->AsLargeInt());
      return;
    default:
      FIBError(TFIBClientError::Unsupported);
  }
}

void TFIBCustomDataSet::SetParamsFromMaster() {
  if (fDataSource == nullptr || fDataSource->DataSet() == nullptr) return;
  TFIBXSQLDA& params = fSelectQuery->Params();
  for (int i = 0; i < params.Count(); ++i)
    if (TField* field = MasterFieldOf(params[i].Name())) CopyMasterValue(params[i], field);
}

bool TFIBCustomDataSet::MasterParamsChanged() {
  if (fDataSource == nullptr || fDataSource->DataSet() == nullptr) return false;
  TFIBXSQLDA& params = fSelectQuery->Params();
  for (int i = 0; i < params.Count(); ++i) {
    TField* field = MasterFieldOf(params[i].Name());
    if (field == nullptr) continue;
    const Variant now = field->IsNull() ? Null() : field->Value();
    const Variant bound = params[i].GetIsNull() ? Null() : params[i].GetAsVariant();
    if (VarIsNull(now) != VarIsNull(bound)) return true;
    if (!VarIsNull(now) && CompareVariantsTyped(now, bound) != 0) return true;
  }
  return false;
}

void TFIBCustomDataSet::SetDataSource(TDataSource* value) {
  if (value != nullptr && IsLinkedTo(value))
    FIBError(TFIBClientError::CircularReference, {FullComponentName(this)});
  if (fDataSource != nullptr) fDataSource->RemoveFreeNotification(this);
  fDataSource = value;
  if (fDataSource != nullptr) fDataSource->FreeNotification(this);
  fDataLink->SetDataSource(value);
}

// ---- Following the master -------------------------------------------------------------------

TDataSet* TFIBDataLink::GetDetailDataSet() {
  return &fDataSet;
}

void TFIBDataLink::ActiveChanged() {
  if (Active())
    fDataSet.MasterChanged();
  else
    fDataSet.MasterClosed();
}

void TFIBDataLink::CheckBrowseMode() {
  if (fDataSet.Active()) fDataSet.CheckBrowseMode();
}

void TFIBDataLink::RecordChanged(TField* field) {
  if (field == nullptr && fDataSet.Active() && fDataSet.MasterParamsChanged()) fDataSet.MasterChanged();
}

void TFIBCustomDataSet::MasterChanged() {
  auto* master = dynamic_cast<TFIBCustomDataSet*>(fDataSource != nullptr ? fDataSource->DataSet() : nullptr);
  const bool masterWaiting =
      master != nullptr && master->fMasterScrollTimer && master->fMasterScrollTimer->Enabled();
  if (masterWaiting || !fMasterScrollTimer) return ReopenForMaster();
  // Restarted: only a pause as long as the interval reopens the detail.
  fMasterScrollTimer->SetEnabled(false);
  fMasterScrollTimer->SetEnabled(true);
}

void TFIBCustomDataSet::ReopenForMaster() {
  if (fMasterScrollTimer) fMasterScrollTimer->SetEnabled(false);
  {
    TControlsScope controls(*this);
    if (!IsEmptyStrings(SelectSQL())) {
      // The rows belong to another master record: the detail starts on its first one.
      if (Active()) {
        Close();
        Open();
      } else if (fDetailConditions.Contains(dcForceOpen)) {
        Open();
      }
    }
  }
  DataEvent(deDataSetChange, 0);
}

void TFIBCustomDataSet::MasterClosed() {
  if (fMasterScrollTimer) fMasterScrollTimer->SetEnabled(false);
  if (!fDetailConditions.Contains(dcIgnoreMasterClose)) Close();
}

}  // namespace ordvane
