#include "datasets/FIBDataSet.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "classlib/core/Application.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/FMTBcd.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "datasets/FIBFields.h"
#include "datasets/FIBDataSetScopes.h"
#include "datasets/FIBRecordValues.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/FIBVariants.h"

namespace ordvane {

using namespace dbconsts;

namespace {

const AnsiString SCalculated = "CALCULATED";
const AnsiString SPrepareOptionsChange =
    "change psUseBooleanField or psSQLINT64ToBCD or psUseLargeIntField\r\n";
constexpr TpPrepareOptions FieldTypeOptions{psUseBooleanField, psSQLINT64ToBCD, psUseLargeIntField};
// A GUID column holds 16 bytes; its field shows the 38-character text.
constexpr Integer GuidBinarySize = 16;
constexpr Integer GuidTextSize = 38;


}  // namespace

// ---- Construction -------------------------------------------------------------------------

TFIBCustomDataSet::TFIBCustomDataSet(TComponent* owner)
    : TDataSet(owner), fBase(std::make_unique<TFIBBase>(this)) {
  // Here rather than in a static initialiser, which a static link may leave out.
  RegisterFIBMetaCaches();
  fBase->OnDatabaseDisconnecting = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkDatabaseDisconnecting);
  fBase->OnDatabaseDisconnected = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkDatabaseDisconnected);
  fBase->OnDatabaseFree = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkDatabaseFree);
  fBase->OnTransactionEnding = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkTransactionEnding);
  fBase->OnTransactionEnded = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkTransactionEnded);
  fBase->OnTransactionFree = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkTransactionFree);
  fDeleteQuery = CreateStatement("DeleteQuery");
  fInsertQuery = CreateStatement("InsertQuery");
  fRefreshQuery = CreateStatement("RefreshQuery");
  fUpdateQuery = CreateStatement("UpdateQuery");
  fSelectQuery = CreateStatement("SelectQuery");
  fCSMonitorSupport.OnChange = TNotifyEvent::Bind(this, &TFIBCustomDataSet::MonitorSupportChanged);
  if (auto* database = dynamic_cast<TFIBDatabase*>(owner))
    SetDatabase(database);
  else if (auto* transaction = dynamic_cast<TFIBTransaction*>(owner))
    SetTransaction(transaction);
}

TFIBCustomDataSet::~TFIBCustomDataSet() {
  Destroying();
  Close();
  RemoveTransactionHandlers(Transaction(), false);
  RemoveTransactionHandlers(UpdateTransaction(), true);
  fBase.reset();
}

// The statement factory: owned by the dataset, with its monitor settings.
TFIBQuery* TFIBCustomDataSet::CreateStatement(const AnsiString& name) {
  auto* statement = new TFIBQuery(this);
  statement->SetName(name);
  statement->CSMonitorSupport().Assign(&fCSMonitorSupport);
  statement->SetGoToFirstRecordOnExecute(false);
  statement->SetParamCheck(true);
  statement->SetOptions({});
  statement->OnSQLChanging = TNotifyEvent::Bind(this, &TFIBCustomDataSet::StatementSQLChanging);
  return statement;
}

void TFIBCustomDataSet::MonitorSupportChanged(TObject*) {
  for (TFIBQuery* statement : {fDeleteQuery, fInsertQuery, fRefreshQuery, fUpdateQuery, fSelectQuery})
    statement->CSMonitorSupport().Assign(&fCSMonitorSupport);
}

bool TFIBCustomDataSet::OwnersLoading(const TComponent* component) const {
  for (; component != nullptr; component = component->Owner())
    if (component->ComponentState().Contains(csLoading)) return true;
  return false;
}

// ---- Database and transactions ------------------------------------------------------------

void TFIBCustomDataSet::SetDatabase(TFIBDatabase* value) {
  CheckDatasetClosed(" change database ");
  TFIBTransaction* before = Transaction();
  for (TFIBQuery* statement : {fDeleteQuery, fInsertQuery, fRefreshQuery, fUpdateQuery, fSelectQuery})
    statement->SetDatabase(value);
  if (value == fBase->Database()) return;
  fBase->SetDatabase(value);
  // A dataset without a transaction has just taken the database's default one.
  if (before == nullptr && Transaction() != nullptr) {
    AddTransactionHandlers(Transaction(), false);
    if (UpdateTransaction() == Transaction()) AddTransactionHandlers(Transaction(), true);
  }
  fAutoUpdateOptions.ClearModifyTable();
  if (value != nullptr && value->DefaultUpdateTransaction() != nullptr &&
      (UpdateTransaction() == nullptr || UpdateTransaction() == Transaction()) && !OwnersLoading(this) &&
      !OwnersLoading(value))
    SetUpdateTransaction(value->DefaultUpdateTransaction());
}

void TFIBCustomDataSet::TransactionHandlers(TFIBTransaction* transaction, bool updateSide, bool add) {
  if (transaction == nullptr) return;
  using T = TFIBCustomDataSet;
  const auto startBefore =
      TNotifyEvent::Bind(this, updateSide ? &T::DoBeforeStartUpdateTransaction : &T::DoBeforeStartTransaction);
  const auto startAfter =
      TNotifyEvent::Bind(this, updateSide ? &T::DoAfterStartUpdateTransaction : &T::DoAfterStartTransaction);
  const auto endBefore =
      TEndTrEvent::Bind(this, updateSide ? &T::DoBeforeEndUpdateTransaction : &T::DoBeforeEndTransaction);
  const auto endAfter =
      TEndTrEvent::Bind(this, updateSide ? &T::DoAfterEndUpdateTransaction : &T::DoAfterEndTransaction);
  if (add) {
    transaction->AddEvent(startBefore, 0);
    transaction->AddEvent(startAfter, 1);
    transaction->AddCallBack(endBefore, 2);
    transaction->AddCallBack(endAfter, 3);
  } else {
    transaction->RemoveEvent(startBefore, 0);
    transaction->RemoveEvent(startAfter, 1);
    transaction->RemoveCallBack(endBefore, 2);
    transaction->RemoveCallBack(endAfter, 3);
  }
}

void TFIBCustomDataSet::AddTransactionHandlers(TFIBTransaction* transaction, bool updateSide) {
  TransactionHandlers(transaction, updateSide, true);
}

void TFIBCustomDataSet::RemoveTransactionHandlers(TFIBTransaction* transaction, bool updateSide) {
  TransactionHandlers(transaction, updateSide, false);
}

void TFIBCustomDataSet::SetTransaction(TFIBTransaction* value) {
  CheckDatasetClosed(" change transaction ");
  TFIBTransaction* old = fSelectQuery->Transaction();
  fBase->SetTransaction(value);
  const bool modifyingShared = fDeleteQuery->Transaction() == old;
  RemoveTransactionHandlers(old, false);
  if (modifyingShared) RemoveTransactionHandlers(old, true);
  fSelectQuery->SetTransaction(value);
  AddTransactionHandlers(value, false);
  if (modifyingShared) {
    for (TFIBQuery* statement : {fRefreshQuery, fDeleteQuery, fInsertQuery, fUpdateQuery})
      statement->SetTransaction(value);
    AddTransactionHandlers(value, true);
  } else if (fRefreshTransactionKind == tkReadTransaction) {
    fRefreshQuery->SetTransaction(value);
  }
}

void TFIBCustomDataSet::SetUpdateTransaction(TFIBTransaction* value) {
  if (fRefreshTransactionKind == tkUpdateTransaction) fRefreshQuery->SetTransaction(value);
  RemoveTransactionHandlers(fDeleteQuery->Transaction(), true);
  for (TFIBQuery* statement : {fDeleteQuery, fInsertQuery, fUpdateQuery}) statement->SetTransaction(value);
  AddTransactionHandlers(value, true);
}

void TFIBCustomDataSet::SetRefreshTransactionKind(TTransactionKind value) {
  fRefreshQuery->SetTransaction(value == tkReadTransaction ? Transaction() : UpdateTransaction());
  fRefreshTransactionKind = value;
}

void TFIBCustomDataSet::DoBeforeStartTransaction(TObject*) {
  if (BeforeStartTransaction) BeforeStartTransaction(this);
}
void TFIBCustomDataSet::DoAfterStartTransaction(TObject*) {
  if (AfterStartTransaction) AfterStartTransaction(this);
}
void TFIBCustomDataSet::DoBeforeStartUpdateTransaction(TObject*) {
  if (BeforeStartUpdateTransaction) BeforeStartUpdateTransaction(this);
}
void TFIBCustomDataSet::DoAfterStartUpdateTransaction(TObject*) {
  if (AfterStartUpdateTransaction) AfterStartUpdateTransaction(this);
}
void TFIBCustomDataSet::DoBeforeEndTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force) {
  if (BeforeEndTransaction) BeforeEndTransaction(endingTR, action, force);
}
void TFIBCustomDataSet::DoAfterEndTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force) {
  if (AfterEndTransaction) AfterEndTransaction(endingTR, action, force);
}
void TFIBCustomDataSet::DoBeforeEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action,
                                                     bool force) {
  if (BeforeEndUpdateTransaction) BeforeEndUpdateTransaction(endingTR, action, force);
}
void TFIBCustomDataSet::DoAfterEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action,
                                                    bool force) {
  if (AfterEndUpdateTransaction) AfterEndUpdateTransaction(endingTR, action, force);
}

void TFIBCustomDataSet::LinkDatabaseDisconnecting(TFIBBase*) {
  KeepOrCloseOnServerEnd();
  fPrepared = false;
  if (DatabaseDisconnecting) DatabaseDisconnecting(this);
}
void TFIBCustomDataSet::LinkDatabaseDisconnected(TFIBBase*) {
  if (DatabaseDisconnected) DatabaseDisconnected(this);
}
void TFIBCustomDataSet::LinkDatabaseFree(TFIBBase*) {
  if (DatabaseFree) DatabaseFree(this);
}
void TFIBCustomDataSet::LinkTransactionEnding(TFIBBase*) {
  DoTransactionEnding();
}
void TFIBCustomDataSet::LinkTransactionEnded(TFIBBase*) {
  DoTransactionEnded();
}
void TFIBCustomDataSet::LinkTransactionFree(TFIBBase*) {
  if (TransactionFree) TransactionFree(this);
}
void TFIBCustomDataSet::DoTransactionEnding() {
  if (TransactionEnding) TransactionEnding(this);
  const TTransactionState state = Transaction() != nullptr ? Transaction()->State() : tsInactive;
  if (state == tsDoCommit || state == tsDoRollback) KeepOrCloseOnServerEnd();
}
void TFIBCustomDataSet::DoTransactionEnded() {
  if (TransactionEnded) TransactionEnded(this);
}

// ---- SQL and options -----------------------------------------------------------------------

void TFIBCustomDataSet::SetSelectSQL(const TStrings& value) {
  CheckDatasetClosed(" change SelectSQL ");
  fSelectQuery->SQL().Assign(&value);
}

void TFIBCustomDataSet::ClearDerivedFromSelect() {
  fAutoUpdateOptions.ClearModifyTable();
  ClearOrderInfo();
  fSQLChanged = true;
  FieldDefs().Clear();
  FieldDefs().SetUpdated(false);
  fPrepared = false;
}

// Runs before a statement's text changes. For the select text an open dataset refuses
// (nothing has changed yet) and a closed one forgets what it derived from the old text.
void TFIBCustomDataSet::StatementSQLChanging(TObject* sender) {
  if (sender == fSelectQuery) CheckDatasetClosed(" change SelectSQL ");
  fAutoUpdateOptions.ClearKeyConditionCache();
  if (sender == fSelectQuery) ClearDerivedFromSelect();
}

void TFIBCustomDataSet::SetPrepareOptions(TpPrepareOptions value) {
  const bool typesChange = !((value * FieldTypeOptions) == (fPrepareOptions * FieldTypeOptions));
  if (!typesChange || ComponentState().Contains(csLoading)) {
    fPrepareOptions = value;
    return;
  }
  CheckDatasetClosed(SPrepareOptionsChange);
  fPrepareOptions = value;
  if (fPrepared) {
    FieldDefs().Clear();
    InternalInitFieldDefs();
  }
}

TDetailConditions TFIBCustomDataSet::DetailConditions() const {
  TDetailConditions result = fDetailConditions;
  result.Exclude(dcWaitEndMasterScroll);
  if (fMasterScrollTimer && fMasterScrollTimer->Interval() > 0) result.Include(dcWaitEndMasterScroll);
  return result;
}

void TFIBCustomDataSet::SetDetailConditions(TDetailConditions value) {
  fDetailConditions = value;
  if (!value.Contains(dcWaitEndMasterScroll)) {
    fMasterScrollTimer.reset();
  } else if (!fMasterScrollTimer) {
    fMasterScrollTimer = std::make_unique<TTimer>(nullptr);
    fMasterScrollTimer->SetEnabled(false);
    fMasterScrollTimer->SetInterval(fScrollTimerInterval);
  }
}

void TFIBCustomDataSet::SetUpdateRecordTypes(TFIBUpdateRecordTypes value) {
  fUpdateRecordTypes = value;
  if (Active()) First();
}

void TFIBCustomDataSet::SetUniDirectional(bool value) {
  CheckDatasetClosed(" change Unidirectional property ");
  TDataSet::SetUniDirectional(value);
}

// ---- Guards ---------------------------------------------------------------------------------

void TFIBCustomDataSet::CheckDatasetClosed(const AnsiString& operation) const {
  if (fCursorOpen || Active()) FIBError(TFIBClientError::SQLOpen, {operation, FullComponentName(this)});
}

void TFIBCustomDataSet::CheckDatasetOpen(const AnsiString& operation) const {
  if (State() == dsInactive) FIBError(TFIBClientError::SQLClosed, {operation, FullComponentName(this)});
}

void TFIBCustomDataSet::CheckNotUniDirectional() const {
  if (IsUniDirectional()) FIBError(TFIBClientError::DataSetUniDirectional);
}

void TFIBCustomDataSet::CheckUpdateTransaction() {
  TFIBTransaction* transaction = UpdateTransaction();
  if (transaction == nullptr) FIBError(TFIBClientError::TransactionNotAssigned, {FullComponentName(this)});
  transaction->CheckInTransaction();
}

void TFIBCustomDataSet::CheckEditState() {
  const AnsiString name = FullComponentName(this);
  const TDataSetState state = State() == dsNewValue || State() == dsOldValue ? SavedState() : State();
  switch (state) {
    case dsEdit:
      if (!CanEdit()) FIBError(TFIBClientError::CannotUpdate, {name});
      return;
    case dsInsert:
      if (!CanInsert()) FIBError(TFIBClientError::CannotInsert, {name});
      return;
    default:
      FIBError(TFIBClientError::NotInEditOrInsert, {name});
  }
}

void TFIBCustomDataSet::CheckInactive() const {
  if (!fInternalReopen) TDataSet::CheckInactive();
}

// ---- Preparation ----------------------------------------------------------------------------

void TFIBCustomDataSet::ApplyConnectionDefaults() {
  if (Database() == nullptr && Transaction() != nullptr && Transaction()->DefaultDatabase() != nullptr)
    SetDatabase(Transaction()->DefaultDatabase());
  if (Transaction() == nullptr && Database() != nullptr && Database()->DefaultTransaction() != nullptr)
    SetTransaction(Database()->DefaultTransaction());
  TFIBTransaction* transaction = Transaction();
  if (transaction == nullptr || transaction->Active()) return;
  if (transaction->DatabaseCount() == 0 && Database() != nullptr) transaction->SetDefaultDatabase(Database());
  if (fOptions.Contains(poStartTransaction)) transaction->StartTransaction();
}

void TFIBCustomDataSet::Prepare() {
  TSQLCursorScope cursor(fSQLScreenCursor);
  fBase->CheckDatabase();
  ApplyConnectionDefaults();
  fBase->CheckTransaction();
  if (IsBlankString(SelectSQL().Text())) FIBError(TFIBClientError::EmptyQuery, {"Prepare " + FullComponentName(this)});
  if (!fSelectQuery->Open()) fSelectQuery->Prepare();
  fPrepared = true;
  InternalInitFieldDefs();
}

void TFIBCustomDataSet::FreeHandles() {
  for (TFIBQuery* statement : {fDeleteQuery, fInsertQuery, fRefreshQuery, fUpdateQuery, fSelectQuery})
    statement->FreeHandle();
  fPrepared = false;
}

// ---- Field definitions ----------------------------------------------------------------------

bool TFIBCustomDataSet::ColumnFieldDef(const TFIBXSQLVAR& column, TFieldType& type, Integer& size) {
  const short sqlType = LayoutType(column.GetSQLType());
  const short scale = column.GetSQLScale();
  TField* persistent = FindField(column.Name());
  size = 0;
  switch (sqlType) {
    case SQL_VARYING:
    case SQL_TEXT: {
      type = ftString;
      size = column.GetSize();
      if (fPrepareOptions.Contains(psUseGuidField) && size == GuidBinarySize &&
          ColumnDomainIs(column, &TpFIBFieldInfo::IsGUID)) {
        type = ftGuid;
        size = GuidTextSize;
        return true;
      }
      const Integer charSetID = column.GetSQLSubtype() & 0xFF;
      TFIBDatabase* database = Database();
      if (database != nullptr && database->UnicodeCharSetIDs().contains(charSetID)) {
        type = ftWideString;
        size /= std::max<Integer>(1, database->BytesPerCharOfCharSet(charSetID));
      }
      return true;
    }
    case SQL_DOUBLE:
    case SQL_FLOAT:
    case SQL_D_FLOAT:
      type = ftFloat;
      return true;
    case SQL_LONG:
    case SQL_SHORT:
      if (scale < 0)
        type = ftFloat;
      else if ((persistent != nullptr && persistent->DataType() == ftBoolean) ||
               (fPrepareOptions.Contains(psUseBooleanField) && column.GetRelationName() != "FIB$FIELDS_INFO" &&
                ColumnDomainIs(column, &TpFIBFieldInfo::IsBoolean)))
        type = ftBoolean;
      else if (sqlType == SQL_SHORT && (persistent == nullptr || persistent->InheritsFrom(TSmallintField::StaticClass())))
        type = ftSmallint;
      else
        type = ftInteger;
      return true;
    case SQL_TIMESTAMP:
      type = ftDateTime;
      return true;
    case SQL_BLOB:
      type = column.GetSQLSubtype() == 1 ? ftMemo : ftBlob;
      size = 8;
      return true;
    case SQL_ARRAY:
      type = ftBytes;
      size = 8;
      return true;
    case SQL_TYPE_TIME:
      type = ftTime;
      return true;
    case SQL_TYPE_DATE:
      type = ftDate;
      return true;
    case SQL_INT64:
      if (scale == 0) {
        type = fPrepareOptions.Contains(psUseLargeIntField) ? ftLargeint : ftBCD;
      } else if (scale < -4 && !fPrepareOptions.Contains(psSQLINT64ToBCD)) {
        type = ftFloat;
      } else {
        type = ftBCD;
        size = -scale;
      }
      return true;
    case SQLBooleanLayout:
      type = ftBoolean;
      return true;
    default:
      return false;
  }
}

bool TFIBCustomDataSet::ColumnDomainIs(const TFIBXSQLVAR& column, bool (TpFIBFieldInfo::*test)() const) {
  TFIBDatabase* database = Database();
  if (database == nullptr || !database->Connected() || column.GetRelationName().empty()) return false;
  const auto info =
      GetFieldInfo(FIBTableInfoCollect(), *database, column.GetRelationName(), false, column.GetSqlName());
  return info != nullptr && ((*info).*test)();
}

void TFIBCustomDataSet::InternalInitFieldDefs() {
  if (!fPrepared) {
    Prepare();
    return;
  }
  TFieldDefs& defs = FieldDefs();
  defs.BeginUpdate();
  try {
    defs.Clear();
    TFIBXSQLDA& columns = fSelectQuery->Current();
    for (int i = 0; i < columns.Count(); ++i) {
      TFieldType type = ftUnknown;
      Integer size = 0;
      if (!ColumnFieldDef(columns[i], type, size)) continue;
      TFieldDef* def = defs.Add(columns[i].Name(), type, size);
      def->SetFieldNo(i + 1);
      TField* persistent = FindField(columns[i].Name());
      if (persistent != nullptr && (type == ftString || type == ftBCD) && persistent->Size() != size)
        persistent->SetSize(size);
    }
  } catch (...) {
    defs.EndUpdate();
    throw;
  }
  defs.EndUpdate();
  defs.SetUpdated(true);
}

void TFIBCustomDataSet::CheckFieldCompatibility(TField* field, TFieldDef* fieldDef) {
  switch (field->DataType()) {
    case ftDate:
    case ftTime:
    case ftDateTime:
      if (field->DataType() != fieldDef->DataType())
        DatabaseErrorFmt(SFieldTypeMismatch,
                         {field->DisplayName(), FieldTypeName(field->DataType()), FieldTypeName(fieldDef->DataType())},
                         this);
      return;
    default:
      TDataSet::CheckFieldCompatibility(field, fieldDef);
  }
}

TFieldClass TFIBCustomDataSet::GetFieldClass(TFieldType fieldType) {
  switch (fieldType) {
    case ftString:
      return TFieldClass::Of<TFIBStringField>();
    case ftSmallint:
      return TFieldClass::Of<TFIBSmallIntField>();
    case ftInteger:
      return TFieldClass::Of<TFIBIntegerField>();
    case ftWord:
      return TFieldClass::Of<TWordField>();
    case ftBoolean:
      return TFieldClass::Of<TFIBBooleanField>();
    case ftFloat:
      return TFieldClass::Of<TFIBFloatField>();
    case ftCurrency:
      return TFieldClass::Of<TCurrencyField>();
    case ftBCD:
      return TFieldClass::Of<TFIBBCDField>();
    case ftDate:
      return TFieldClass::Of<TFIBDateField>();
    case ftTime:
      return TFieldClass::Of<TFIBTimeField>();
    case ftDateTime:
      return TFieldClass::Of<TFIBDateTimeField>();
    case ftBytes:
      return TFieldClass::Of<TFIBArrayField>();
    case ftVarBytes:
      return TFieldClass::Of<TVarBytesField>();
    case ftAutoInc:
      return TFieldClass::Of<TAutoIncField>();
    case ftGraphic:
      return TFieldClass::Of<TGraphicField>();
    case ftBlob:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
      return TFieldClass::Of<TFIBBlobField>();
    case ftMemo:
      return TFieldClass::Of<TFIBMemoField>();
    case ftWideString:
      return TFieldClass::Of<TFIBWideStringField>();
    case ftLargeint:
      return TFieldClass::Of<TFIBLargeIntField>();
    case ftGuid:
      return TFieldClass::Of<TFIBGuidField>();
    default:
      return {};
  }
}

// ---- Fields ------------------------------------------------------------------------------------

void TFIBCustomDataSet::DestroyFields() {
  // The look-up list must never hand out a field that is gone.
  fFieldLookup.clear();
  TDataSet::DestroyFields();
}

void TFIBCustomDataSet::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == fDataSource) fDataSource = nullptr;
  if (operation == opRemove)
    std::erase_if(fFieldLookup, [component](const auto& entry) { return entry.second == component; });
  TDataSet::Notification(component, operation);
}

void TFIBCustomDataSet::BindFields(bool binding) {
  TDataSet::BindFields(binding);
  if (!binding) return;
  for (TField* field : Fields())
    if (auto* text = dynamic_cast<TFIBStringField*>(field))
      text->SetEmptyStrToNull(fPrepareOptions.Contains(psSetEmptyStrToNull));
}

TField* TFIBCustomDataSet::LookupField(const AnsiString& name) {
  const auto cached = fFieldLookup.find(name);
  if (cached != fFieldLookup.end()) return cached->second;
  const AnsiString lookup = !name.empty() && name.front() == '"' ? CopyFromTo(name, 2, static_cast<int>(name.size()) - 1) : name;
  TField* field = FindField(lookup);
  if (field == nullptr) return nullptr;
  // A field that dies leaves the list: it tells this dataset.
  FreeNotification(field);
  fFieldLookup[name] = field;
  return field;
}

TField* TFIBCustomDataSet::FindFieldOrRaise(const AnsiString& name) {
  TField* field = LookupField(name);
  if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {name}, this);
  return field;
}

TFIBXSQLVAR* TFIBCustomDataSet::ColumnOf(const TField* field) const {
  if (field == nullptr || field->FieldNo() < 1 || field->FieldNo() > fSelectQuery->FieldCount()) return nullptr;
  return &fSelectQuery->Current()[field->FieldNo() - 1];
}

// ---- Order of the records -------------------------------------------------------------------

void TFIBCustomDataSet::SetOrderInfo(const TOrderInfo& value, bool localSort) {
  fOrderInfo = value;
  fSorted = localSort && !value.empty();
}

void TFIBCustomDataSet::ClearOrderInfo() {
  fOrderInfo.clear();
  fSorted = false;
}

bool TFIBCustomDataSet::AllSortFieldsExist() {
  return !fOrderInfo.empty() && std::ranges::all_of(fOrderInfo, [this](const TSortFieldInfo& item) {
           return LookupField(item.FieldName) != nullptr;
         });
}

// ---- Field origin ---------------------------------------------------------------------------

AnsiString TFIBCustomDataSet::GetRelationTableName(TField* field) {
  if (field == nullptr) return {};
  if (field->FieldKind() == fkCalculated) return SCalculated;
  if (field->FieldKind() == fkLookup) {
    auto* lookup = dynamic_cast<TFIBCustomDataSet*>(field->LookupDataSet());
    return lookup != nullptr ? lookup->GetRelationTableName(lookup->FindField(field->LookupKeyFields())) : AnsiString();
  }
  const TFIBXSQLVAR* column = ColumnOf(field);
  return column != nullptr ? column->GetRelationName() : AnsiString();
}

AnsiString TFIBCustomDataSet::GetRelationTableName(const TFieldDef* fieldDef) {
  if (fieldDef == nullptr || fieldDef->FieldNo() < 1 || fieldDef->FieldNo() > fSelectQuery->FieldCount()) return {};
  return fSelectQuery->Current()[fieldDef->FieldNo() - 1].GetRelationName();
}

namespace {
AnsiString RelationFieldName(const AnsiString& name) {
  return name == "DB_KEY" ? AnsiString("RDB$DB_KEY") : name;
}
}  // namespace

AnsiString TFIBCustomDataSet::GetRelationFieldName(TField* field) {
  if (field == nullptr) return {};
  if (field->FieldKind() == fkCalculated) return field->FieldName();
  if (field->FieldKind() == fkLookup) {
    auto* lookup = dynamic_cast<TFIBCustomDataSet*>(field->LookupDataSet());
    return lookup != nullptr ? lookup->GetRelationFieldName(lookup->FindField(field->LookupKeyFields())) : AnsiString();
  }
  const TFIBXSQLVAR* column = ColumnOf(field);
  return column != nullptr ? RelationFieldName(column->GetSqlName()) : AnsiString();
}

AnsiString TFIBCustomDataSet::GetRelationFieldName(const TFieldDef* fieldDef) {
  if (fieldDef == nullptr || fieldDef->FieldNo() < 1 || fieldDef->FieldNo() > fSelectQuery->FieldCount()) return {};
  return RelationFieldName(fSelectQuery->Current()[fieldDef->FieldNo() - 1].GetSqlName());
}

Integer TFIBCustomDataSet::GetFieldScale(const TField* field) const {
  const TFIBXSQLVAR* column = ColumnOf(field);
  return column != nullptr ? column->GetSQLScale() : 100;
}

AnsiString TFIBCustomDataSet::GetFieldOrigin(TField* field) {
  if (!Active() && field->FieldKind() == fkData && field->FieldNo() == 0) {
    if (!fPrepared) Prepare();
    BindFields(true);
  }
  AnsiString first;
  AnsiString second = GetRelationFieldName(field);
  switch (fFieldOriginRule) {
    case forNoRule:
      return {};
    case forClientFieldName:
      return field->FieldName();
    case forTableAndFieldName:
      first = GetRelationTableName(field);
      break;
    case forTableAliasAndFieldName:
      first = fSelectQuery->TableAliasForField(field->FieldName());
      break;
  }
  if (first.empty()) return second;
  return second.empty() ? AnsiString() : first + "." + second;
}

TField* TFIBCustomDataSet::FindFieldByRelation(const AnsiString& table, const AnsiString& column) {
  const bool asWritten = Database() != nullptr && Database()->SQLDialect() >= 3 && !Database()->UpperOldNames();
  const auto normalise = [asWritten](const AnsiString& name) {
    const AnsiString cased = asWritten || (!name.empty() && name.front() == '"') ? name : UpperCase(name);
    return StripEnclosingQuotes(cased);
  };
  const AnsiString tableName = normalise(table);
  const AnsiString columnName = normalise(column);
  for (TField* field : Fields())
    if (GetRelationTableName(field) == tableName && GetRelationFieldName(field) == columnName) return field;
  return nullptr;
}

TField* TFIBCustomDataSet::FindFieldByOrigin(const AnsiString& origin) {
  const std::size_t dot = origin.find('.');
  if (dot == AnsiString::npos) return FindFieldByRelation(AnsiString(), origin);
  return FindFieldByRelation(origin.substr(0, dot), origin.substr(dot + 1));
}

// ---- Permissions and comparisons ------------------------------------------------------------

bool TFIBCustomDataSet::CanEdit() {
  if (!IsEmptyStrings(UpdateSQL())) return true;
  if (!fCachedUpdates || !Active() || ActiveBuffer() == nullptr) return false;
  return (ActiveBuffer()[StatusOffset] & CachedStatusMask) == cusInserted;
}

bool TFIBCustomDataSet::CanInsert() {
  return !IsEmptyStrings(InsertSQL());
}

bool TFIBCustomDataSet::CanDelete() {
  return !IsEmptyStrings(DeleteSQL());
}

int TFIBCustomDataSet::CompareFieldValues(TField* field, const Variant& value1, const Variant& value2) {
  if (OnCompareFieldValues) return OnCompareFieldValues(field, value1, value2);
  const bool null1 = VarIsNull(value1) || VarIsEmpty(value1);
  const bool null2 = VarIsNull(value2) || VarIsEmpty(value2);
  if (null1 || null2) return null1 == null2 ? 0 : (null1 ? -1 : 1);
  return std::clamp(CompareVariantsTyped(value1, value2), -1, 1);
}

TUpdateStatus TFIBCustomDataSet::UpdateStatus() {
  if (!Active() || ActiveBuffer() == nullptr) return usUnmodified;
  switch (ActiveBuffer()[StatusOffset] & CachedStatusMask) {
    case cusModified:
      return usModified;
    case cusInserted:
      return usInserted;
    case cusDeleted:
    case cusUninserted:
      return usDeleted;
    default:
      return usUnmodified;
  }
}

bool TFIBCustomDataSet::IsSequenced() {
  return fSelectQuery->Eof() && !(Filtered() && !IsEmpty()) && !IsUniDirectional();
}

bool TFIBCustomDataSet::BookmarkValid(const TBookmark& bookmark) {
  if (bookmark.size() < sizeof(Integer)) return false;
  if (fCacheModelOptions.CacheModelKind() == cmkLimitedBufferSize) return true;
  Integer physicalNo;
  std::memcpy(&physicalNo, bookmark.data(), sizeof physicalNo);
  return fRecordsCache && fRecordsCache->RecordExists(physicalNo);
}

void TFIBCustomDataSet::Post() {
  TDataSet::Post();
  fPendingResyncs = 0;
}

void TFIBCustomDataSet::Resync(TResyncMode mode) {
  if (!Active()) return;
  if (fNeedResync) {
    fNeedResync = false;
    if (fPendingResyncs > 0)
      --fPendingResyncs;
    else
      TDataSet::Resync({});
    EnableControls();
    return;
  }
  if (fPendingResyncs == 0) TDataSet::Resync(mode);
}

// ---- Record buffers ---------------------------------------------------------------------------

Integer TFIBCustomDataSet::RecordIndexOf(TRecordBuffer buffer) {
  Integer index;
  std::memcpy(&index, buffer + RecordIndexOffset, sizeof index);
  return index;
}

void TFIBCustomDataSet::SetRecordIndex(TRecordBuffer buffer, Integer index) {
  std::memcpy(buffer + RecordIndexOffset, &index, sizeof index);
}

Integer TFIBCustomDataSet::ActiveRecordIndex() const {
  TRecordBuffer buffer = ActiveBuffer();
  return buffer == nullptr ? -1 : RecordIndexOf(buffer);
}

TRecordBuffer TFIBCustomDataSet::AllocRecordBuffer() {
  return new Byte[static_cast<std::size_t>(std::max(fRecordBufferSize, NullFlagsOffset))]();
}

void TFIBCustomDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  delete[] buffer;
  buffer = nullptr;
}

TBookmarkFlag TFIBCustomDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[BookmarkFlagOffset]);
}

void TFIBCustomDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  // An appended record that goes to the end stands after every fetched one.
  if (GetBookmarkFlag(buffer) == bfInserted && flag == bfEOF) SetRecordIndex(buffer, fFetchedCount);
  buffer[BookmarkFlagOffset] = static_cast<Byte>(flag);
}

void TFIBCustomDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  fCurrentRecord = RecordIndexOf(buffer);
}

// ---- Record layout and cache ----------------------------------------------------------------

TFIBCharKind TFIBCustomDataSet::CharKindOfColumn(int column) {
  for (int i = 0; i < FieldDefs().Count(); ++i) {
    const TFieldDef* def = FieldDefs().Items(i);
    if (def->FieldNo() != column + 1) continue;
    if (def->DataType() == ftWideString) return ckWide;
    if (def->DataType() == ftGuid) return ckGuid;
  }
  return ckAnsi;
}

void TFIBCustomDataSet::CalcRecordLayout() {
  TFIBXSQLDA& columns = fSelectQuery->Current();
  const Integer headerSize = columns.Count() + NullFlagsOffset;
  Integer bufferEnd = headerSize;
  Integer cachedSize = headerSize - StatusOffset;
  Integer slots = 0;
  fDescriptors.Clear();
  fDescriptors.SetCapacity(columns.Count());
  for (int i = 0; i < columns.Count(); ++i) {
    const TFIBXSQLVAR& column = columns[i];
    const short type = LayoutType(column.GetSQLType());
    const Integer size = LayoutDataSize(type, column.GetSize());
    const TFIBCharKind charKind = CharKindOfColumn(i);
    const bool slot = IsTextType(type) && charKind != ckGuid && size > 12;
    const bool dbKey = IsDBKeyName(column.GetSqlName());
    TFIBFieldDescr& descr = fDescriptors.Add(type, column.GetSQLScale(), charKind, slot, dbKey, column.GetIsNullable(),
                                             static_cast<Word>(size));
    descr.IsBinary = dbKey || (IsTextType(type) && (column.GetSQLSubtype() & 0xFF) == CharSetOctets);
    if (slot) {
      descr.StringSlot = slots++;
      continue;
    }
    descr.Offset = bufferEnd;
    bufferEnd += size;
    cachedSize += size;
  }
  for (int i = 0; i < fDescriptors.GetCount(); ++i) {
    TFIBFieldDescr& descr = fDescriptors[i];
    if (!descr.IsStringSlot) continue;
    descr.Offset = bufferEnd;
    bufferEnd += descr.DataSize + 4;
  }
  fRecordSize = bufferEnd;
  fCachedRecordSize = cachedSize;
}

void TFIBCustomDataSet::CreateRecordCache() {
  CalcRecordLayout();
  fBlobStreamOffset = fRecordSize;
  fCalcFieldsOffset = fRecordSize + 4 * BlobFieldCount();
  fRecordBufferSize = fCalcFieldsOffset + CalcFieldsSize();
  fCachedRecordSize += 4 * BlobFieldCount();
  Integer cachedSize = fCachedRecordSize;
  Integer imageSize = fCalcFieldsOffset - StatusOffset;
  if (fOptions.Contains(poCacheCalcFields)) {
    cachedSize += CalcFieldsSize();
    imageSize += CalcFieldsSize();
  }
  Integer slotCount = 0;
  for (int i = 0; i < fDescriptors.GetCount(); ++i) slotCount += fDescriptors[i].IsStringSlot ? 1 : 0;
  fRecordsCache = std::make_unique<TRecordsCache>(fCacheModelOptions.BufferChunks(), imageSize, cachedSize, slotCount);
  fRecordsCache->SetLogMode(fCachedUpdates);
  for (int i = 0; i < fDescriptors.GetCount(); ++i) {
    const TFIBFieldDescr& descr = fDescriptors[i];
    if (descr.IsStringSlot)
      fRecordsCache->SetStringSlot(descr.StringSlot + 1, descr.Offset - StatusOffset, descr.DataSize, descr.IsBinary);
  }
  fScratchRecord.assign(static_cast<std::size_t>(fRecordBufferSize), 0);
  fFetchedCount = 0;
}

void TFIBCustomDataSet::FreeRecordCache() {
  fRecordsCache.reset();
  fScratchRecord.clear();
  fOldRecord.clear();
  fFetchedCount = 0;
}

Integer TFIBCustomDataSet::CacheRecordNo(Integer recordIndex) const {
  if (fCacheModelOptions.CacheModelKind() == cmkLimitedBufferSize || IsUniDirectional()) {
    const Integer chunks = std::max(1, fCacheModelOptions.BufferChunks());
    return recordIndex % chunks + 1;
  }
  return recordIndex + 1;
}

// The row over the record as the cache holds it, so that a statement that returns only
// some of the columns (a refresh) leaves the others as they were.
void TFIBCustomDataSet::StoreInScratch(TFIBQuery& statement, Integer recordNo) {
  Byte* record = fScratchRecord.data();
  fRecordsCache->ReadRecord(recordNo, record + StatusOffset, false);
  // A record fetched again starts without streams; a refresh keeps them.
  if (!fRefreshing) {
    ReleaseBlobStreams(record);
    std::fill(fScratchRecord.begin() + fBlobStreamOffset, fScratchRecord.begin() + fCalcFieldsOffset, Byte{0});
  }
  record[StatusOffset] = cusUnmodified;
  const bool fromSelect = &statement == fSelectQuery;
  TFIBXSQLDA& columns = statement.Current();
  for (int i = 0; i < columns.Count(); ++i) {
    const TFIBXSQLVAR& column = columns[i];
    const int fieldIndex = fromSelect ? i : fSelectQuery->FieldIndex(column.Name());
    if (fieldIndex < 0 || fieldIndex >= fDescriptors.GetCount()) continue;
    const TFIBFieldDescr& descr = fDescriptors[fieldIndex];
    const bool isNull = column.GetIsNull();
    record[NullFlagsOffset + fieldIndex] = isNull && descr.Nullable ? 1 : 0;
    if (isNull) {
      if (descr.IsStringSlot) StoreStringArea(record, descr, "", 0, false);
      const bool identifier = descr.SQLType == SQL_BLOB || descr.SQLType == SQL_ARRAY || descr.SQLType == SQL_QUAD;
      if (!identifier || column.GetData()->sqldata == nullptr) continue;
    }
    const short sourceType = LayoutType(column.GetSQLType());
    const bool converted =
        !fromSelect && (sourceType != descr.SQLType || column.GetSQLScale() != descr.Scale ||
                        (IsTextType(descr.SQLType) && column.GetSize() != fSelectQuery->Current()[fieldIndex].GetSize()));
    StoreColumnValue(column, descr, converted, descr.Scale < -4 && !fPrepareOptions.Contains(psSQLINT64ToBCD),
                     record);
  }
}

TRecordsCache& TFIBCustomDataSet::Cache(const AnsiString& operation) const {
  if (!fRecordsCache) FIBError(TFIBClientError::SQLClosed, {operation, FullComponentName(this)});
  return *fRecordsCache;
}

void TFIBCustomDataSet::StoreRowInCache(TFIBQuery& statement, Integer recordIndex) {
  TRecordsCache& cache = Cache("fetch");
  const Integer recordNo = CacheRecordNo(recordIndex);
  cache.ReserveRecord(recordNo);
  StoreInScratch(statement, recordNo);
  SetRecordIndex(fScratchRecord.data(), recordIndex);
  cache.WriteRecord(recordNo, fScratchRecord.data() + StatusOffset, false);
}

void TFIBCustomDataSet::FetchCurrentRecordToBuffer(TFIBQuery& statement, Integer recordIndex) {
  StoreRowInCache(statement, recordIndex);
  if (!AfterFetchRecord) return;
  bool stop = false;
  AfterFetchRecord(&statement, recordIndex, stop);
  if (stop) {
    ++fFetchedCount;
    throw EAbort();
  }
}

void TFIBCustomDataSet::ReadRecordCache(Integer recordIndex, TRecordBuffer buffer, bool oldVersion) {
  Cache("read a record").ReadRecord(CacheRecordNo(recordIndex), buffer + StatusOffset, oldVersion);
  SetRecordIndex(buffer, recordIndex);
}

void TFIBCustomDataSet::WriteRecordCache(Integer recordIndex, TRecordBuffer buffer) {
  Cache("write a record").WriteRecord(CacheRecordNo(recordIndex), buffer + StatusOffset, true);
}

void TFIBCustomDataSet::SaveOldVersion(TRecordBuffer buffer) {
  TRecordsCache& cache = Cache("keep a record");
  cache.SaveOldBuffer(cache.GetPhysicalNo(CacheRecordNo(RecordIndexOf(buffer))));
}

TRecordBuffer TFIBCustomDataSet::GetOldRecordBuffer(Integer recordIndex) {
  TRecordsCache& cache = Cache("read a record");
  if (recordIndex < 0) recordIndex = ActiveRecordIndex();
  const Integer physicalNo = cache.GetPhysicalNo(CacheRecordNo(recordIndex));
  const Byte* image = cache.GetOldBuffer(physicalNo < 1 ? cache.RecordCount() + 1 : physicalNo);
  fOldRecord.assign(static_cast<std::size_t>(fRecordBufferSize), 0);
  std::memcpy(fOldRecord.data() + StatusOffset, image, static_cast<std::size_t>(cache.FullBufferSize()));
  SetRecordIndex(fOldRecord.data(), recordIndex);
  return fOldRecord.data();
}

// ==== Open, fetch and record buffers ==========================================================

namespace {

constexpr Integer StandardBookmarkSize = 8;

bool IsMasterPrefixed(const AnsiString& name) {
  return name.size() > 4 && UpperCase(name.substr(0, 4)) == "MAS_";
}

}  // namespace

// ---- Open -----------------------------------------------------------------------------------

bool TFIBCustomDataSet::IsSelect() const {
  return fSelectQuery->SQLType() == SQLSelect || fSelectQuery->SQLType() == SQLSelectForUpdate;
}

void TFIBCustomDataSet::InternalOpen() {
  TSQLCursorScope cursor(fSQLScreenCursor);
  if (!fPrepared || !fSelectQuery->Prepared()) Prepare();
  if (!FieldDefs().Updated()) InternalInitFieldDefs();
  SetParamsFromMaster();
  fNoRows = !IsSelect();
  if (fNoRows) {
    // Run for its effect: the dataset has no rows and binds no fields.
    fSelectQuery->ExecQuery();
    fCurrentRecord = -1;
    fCursorOpen = true;
    SetBookmarkSize(StandardBookmarkSize);
    return;
  }
  if (DefaultFields()) CreateFields();
  BindFields(true);
  fCurrentRecord = -1;
  DoBeforeExecuteSelect();
  // Cached updates keep their rows over a hard transaction end: they fetch the rest first.
  fSelectQuery->SetCloseOnHardTransactionEnd(!fCachedUpdates);
  fSelectQuery->ExecQuery();
  fCursorOpen = fSelectQuery->Open();
  fDatabaseUnicode = Database() != nullptr && Database()->IsUnicodeCharSet();
  CreateRecordCache();
  SetBookmarkSize(StandardBookmarkSize);
}

void TFIBCustomDataSet::DoAfterOpen() {
  if (!ComponentState().Contains(csDesigning) && fFieldOriginRule != forNoRule)
    for (TField* field : Fields())
      if (field->FieldKind() == fkData) field->SetOrigin(GetFieldOrigin(field));
  TDataSet::DoAfterOpen();
  if (fOptions.Contains(poFetchAll)) FetchAll();
}

void TFIBCustomDataSet::InternalClose() {
  fCurrentRecord = -1;
  fCursorOpen = false;
  fNoRows = false;
  fDeletedCount = 0;
  fRecordSize = 0;
  fBlobStreams.Clear();
  FreeRecordCache();
  fStateRecord.clear();
  BindFields(false);
  if (DefaultFields()) DestroyFields();
}

void TFIBCustomDataSet::InternalHandleException() {
  Application->HandleException(this);
}

void TFIBCustomDataSet::CloseCursor() {
  TDataSet::CloseCursor();
  if (fSelectQuery->Open()) fSelectQuery->Close();
}

void TFIBCustomDataSet::DoBeforeOpen() {
  if (fOpenCloseEventsDisabled == 0) TDataSet::DoBeforeOpen();
}

void TFIBCustomDataSet::DoBeforeClose() {
  if (fOpenCloseEventsDisabled == 0) TDataSet::DoBeforeClose();
}

void TFIBCustomDataSet::DoAfterClose() {
  if (fOpenCloseEventsDisabled == 0) TDataSet::DoAfterClose();
  if (fOptions.Contains(poFreeHandlesAfterClose)) FreeHandles();
}

void TFIBCustomDataSet::DoBeforeScroll() {
  if (fScrollEventsDisabled == 0) TDataSet::DoBeforeScroll();
}

void TFIBCustomDataSet::DoAfterScroll() {
  if (fScrollEventsDisabled == 0) TDataSet::DoAfterScroll();
}

// ---- Fetching -------------------------------------------------------------------------------

bool TFIBCustomDataSet::FetchNextRow() {
  if (fSelectQuery->Eof() || fSelectQuery->Next() == nullptr) return false;
  FetchCurrentRecordToBuffer(*fSelectQuery, fFetchedCount);
  ++fFetchedCount;
  return true;
}

TGetResult TFIBCustomDataSet::GetCurrentModeRecord(TRecordBuffer buffer) {
  if (fCurrentRecord < 0) return grBOF;
  if (fCurrentRecord < fFetchedCount) {
    ReadRecordCache(fCurrentRecord, buffer, false);
    return grOK;
  }
  while (fFetchedCount <= fCurrentRecord && FetchNextRow()) {
  }
  // One step back, within the rows fetched: past them there is nothing to show.
  fCurrentRecord = std::min(fCurrentRecord, fFetchedCount) - 1;
  if (fCurrentRecord < 0) return grEOF;
  ReadRecordCache(fCurrentRecord, buffer, false);
  return grOK;
}

TGetResult TFIBCustomDataSet::GetNextModeRecord(TRecordBuffer buffer) {
  if (fCurrentRecord < fFetchedCount - 1) {
    ReadRecordCache(++fCurrentRecord, buffer, false);
    return grOK;
  }
  if (fCurrentRecord >= fFetchedCount || fSelectQuery->Eof()) return grEOF;
  ++fCurrentRecord;
  if (!FetchNextRow()) return grEOF;
  ReadRecordCache(fCurrentRecord, buffer, false);
  return grOK;
}

TGetResult TFIBCustomDataSet::GetPriorModeRecord(TRecordBuffer buffer) {
  if (fCurrentRecord >= 1 && fCurrentRecord <= fFetchedCount) {
    ReadRecordCache(--fCurrentRecord, buffer, false);
    return grOK;
  }
  if (fCurrentRecord == 0) fCurrentRecord = -1;
  return grBOF;
}

TGetResult TFIBCustomDataSet::SkipInvisibleRecords(TRecordBuffer buffer, TGetMode mode) {
  while (!RecordIsVisible(buffer)) {
    if (mode == gmPrior) {
      if (fCurrentRecord >= 0) --fCurrentRecord;
      if (fCurrentRecord < 0) return grBOF;
      ReadRecordCache(fCurrentRecord, buffer, false);
      continue;
    }
    ++fCurrentRecord;
    if (fCurrentRecord >= fFetchedCount && !FetchNextRow()) return grEOF;
    ReadRecordCache(fCurrentRecord, buffer, false);
  }
  return grOK;
}

TGetResult TFIBCustomDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/) {
  TGetResult result = grEOF;
  if (!fNoRows && fRecordsCache) {
    TFlagScope inFetch(fInFetch);
    switch (mode) {
      case gmCurrent:
        result = GetCurrentModeRecord(buffer);
        break;
      case gmNext:
        result = GetNextModeRecord(buffer);
        break;
      case gmPrior:
        result = GetPriorModeRecord(buffer);
        break;
    }
    if (result == grOK) result = SkipInvisibleRecords(buffer, mode);
  } else if (mode == gmPrior) {
    result = grBOF;
  }
  switch (result) {
    case grOK:
      SetBookmarkFlag(buffer, bfCurrent);
      GetCalcFields(buffer);
      break;
    case grBOF:
      SetBookmarkFlag(buffer, bfBOF);
      break;
    default:
      SetBookmarkFlag(buffer, bfEOF);
      break;
  }
  return result;
}

void TFIBCustomDataSet::InternalFirst() {
  fCurrentRecord = -1;
}

void TFIBCustomDataSet::FetchRemainingRows() {
  if (fNoRows || !fRecordsCache) return;
  TFlagScope inFetch(fInFetch);
  while (FetchNextRow()) {
  }
}

void TFIBCustomDataSet::InternalLast() {
  if (!fSelectQuery->Eof()) {
    TSQLCursorScope cursor(fSQLScreenCursor);
    FetchRemainingRows();
  }
  fCurrentRecord = fFetchedCount;
}

void TFIBCustomDataSet::FetchAll() {
  if (!fSelectQuery->Open() || fSelectQuery->Eof()) return;
  TSQLCursorScope cursor(fSQLScreenCursor);
  DisableControls();
  DisableScrollEvents();
  try {
    const TBookmarkStr bookmark = Bookmark();
    Last();
    GotoBookmark(bookmark);
  } catch (...) {
    EnableScrollEvents();
    EnableControls();
    throw;
  }
  EnableScrollEvents();
  EnableControls();
}

// ---- Bookmarks ------------------------------------------------------------------------------

void TFIBCustomDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  auto* out = static_cast<Byte*>(data);
  std::memset(out, 0, static_cast<std::size_t>(BookmarkSize()));
  const Integer physicalNo = fRecordsCache ? fRecordsCache->GetPhysicalNo(CacheRecordNo(RecordIndexOf(buffer))) : -1;
  const Integer activeRecord = ActiveRecord();
  std::memcpy(out, &physicalNo, sizeof physicalNo);
  std::memcpy(out + sizeof physicalNo, &activeRecord, sizeof activeRecord);
}

void TFIBCustomDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  Integer physicalNo;
  std::memcpy(&physicalNo, data, sizeof physicalNo);
  SetRecordIndex(buffer, fRecordsCache ? fRecordsCache->GetIndexOfPhysical(physicalNo) : -1);
}

void TFIBCustomDataSet::InternalGotoBookmark(const void* bookmark) {
  const auto* bytes = static_cast<const Byte*>(bookmark);
  const TBookmark asBookmark(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(BookmarkSize()));
  if (!BookmarkValid(asBookmark)) {
    ++fFailedBookmarkMoves;
    return;
  }
  Integer physicalNo, activeRecord;
  std::memcpy(&physicalNo, bytes, sizeof physicalNo);
  std::memcpy(&activeRecord, bytes + sizeof physicalNo, sizeof activeRecord);
  DisableControls();
  DisableScrollEvents();
  const Integer position = fRecordsCache->GetIndexOfPhysical(physicalNo);
  if (position >= 0) {
    MoveActiveRecord(activeRecord - ActiveRecord());
    fCurrentRecord = position;
  }
  EnableScrollEvents();
  EnableControls();
}

int TFIBCustomDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
  const bool has1 = bookmark1.size() >= sizeof(Integer), has2 = bookmark2.size() >= sizeof(Integer);
  if (!has1 || !has2) return has1 == has2 ? 0 : (has1 ? -1 : 1);
  Integer physical1, physical2;
  std::memcpy(&physical1, bookmark1.data(), sizeof physical1);
  std::memcpy(&physical2, bookmark2.data(), sizeof physical2);
  if (!fRecordsCache) return 0;
  const Integer position1 = fRecordsCache->GetIndexOfPhysical(physical1);
  const Integer position2 = fRecordsCache->GetIndexOfPhysical(physical2);
  return position1 < position2 ? -1 : (position1 > position2 ? 1 : 0);
}

// ---- Count, number, current record ----------------------------------------------------------

Integer TFIBCustomDataSet::GetRecordCount() {
  if (IsUniDirectional()) return std::min(fFetchedCount, std::max(1, fCacheModelOptions.BufferChunks())) - fDeletedCount;
  return fFetchedCount - fDeletedCount;
}

Integer TFIBCustomDataSet::GetRecNo() {
  if (State() == dsFilter) return fCurrentRecord;
  TRecordBuffer buffer = ActiveBuffer();
  return buffer == nullptr || IsEmpty() ? 0 : RecordIndexOf(buffer) + 1;
}

bool TFIBCustomDataSet::GetCurrentRecord(TRecordBuffer buffer) {
  if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) return false;
  ReadRecordCache(RecordIndexOf(ActiveBuffer()), buffer, false);
  return true;
}

void TFIBCustomDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(fRecordBufferSize));
  for (int i = 0; i < fDescriptors.GetCount(); ++i) buffer[NullFlagsOffset + i] = 1;
}

// ---- Field values ---------------------------------------------------------------------------

TRecordBuffer TFIBCustomDataSet::StateRecord() {
  switch (State()) {
    case dsCalcFields:
    case dsInternalCalc:
      return CalcBuffer();
    case dsOldValue:
      return IsEmpty() || !fRecordsCache ? nullptr : GetOldRecordBuffer(-1);
    case dsNewValue:
    case dsEdit:
    case dsInsert:
      return ActiveBuffer();
    default:
      break;
  }
  if (State() == dsFilter || fInFetch) {
    if (fCurrentRecord < 0 || fCurrentRecord >= fFetchedCount || !fRecordsCache) return nullptr;
    fStateRecord.resize(static_cast<std::size_t>(fRecordBufferSize));
    ReadRecordCache(fCurrentRecord, fStateRecord.data(), false);
    return fStateRecord.data();
  }
  return IsEmpty() ? nullptr : ActiveBuffer();
}

const TFIBFieldDescr* TFIBCustomDataSet::ColumnDescriptor(const TField* field) {
  const int index = field->FieldNo() - 1;
  return index >= 0 && index < fDescriptors.GetCount() ? &fDescriptors[index] : nullptr;
}

namespace {

TFieldTarget TargetOf(const TField* field, bool trim) {
  TFieldTarget target;
  target.type = field->DataType();
  target.dataSize = field->DataSize();
  target.rawInt64 = field->InheritsFrom(TFIBBCDField::StaticClass()) || field->DataType() == ftLargeint;
  target.trim = trim;
  return target;
}

}  // namespace

bool TFIBCustomDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = StateRecord();
  if (record == nullptr) return false;
  if (field->FieldNo() < 1) {
    const Byte* calc = record + fCalcFieldsOffset + field->Offset();
    if (calc[0] == 0) return false;
    if (buffer != nullptr) std::memcpy(buffer, calc + 1, static_cast<std::size_t>(field->DataSize()));
    return true;
  }
  const TFIBFieldDescr* descr = ColumnDescriptor(field);
  if (descr == nullptr || record[NullFlagsOffset + field->FieldNo() - 1] != 0) return false;
  if (buffer == nullptr) return true;
  if (field->IsBlob()) {
    std::memcpy(buffer, record + descr->Offset, std::min<std::size_t>(8, static_cast<std::size_t>(field->DataSize())));
    return true;
  }
  if (!ReadColumnValue(record, *descr, TargetOf(field, fOptions.Contains(poTrimCharFields)), buffer))
    FIBError(TFIBClientError::FieldSizeTooSmall, {FullComponentName(this), field->FieldName()});
  return true;
}

void TFIBCustomDataSet::SetFieldData(TField* field, const void* buffer) {
  const TDataSetState state = State();
  if (state != dsCalcFields && state != dsInternalCalc) CheckEditState();
  TRecordBuffer record = StateRecord();
  if (record == nullptr) DatabaseError(SNotEditing, this);
  field->Validate(buffer);
  if (field->FieldNo() < 1) {
    Byte* calc = record + fCalcFieldsOffset + field->Offset();
    const auto size = static_cast<std::size_t>(field->DataSize());
    calc[0] = buffer != nullptr ? 1 : 0;
    std::memset(calc + 1, 0, size);
    if (buffer != nullptr) {
      if (field->DataType() == ftString)
        std::memcpy(calc + 1, buffer, strnlen(static_cast<const char*>(buffer), size - 1));
      else
        std::memcpy(calc + 1, buffer, size);
    }
  } else {
    const TFIBFieldDescr* descr = ColumnDescriptor(field);
    if (descr == nullptr) DatabaseErrorFmt(SFieldNotFound, {field->FieldName()}, this);
    Byte& nullFlag = record[NullFlagsOffset + field->FieldNo() - 1];
    if (buffer == nullptr) {
      nullFlag = 1;
      if (descr->IsStringSlot) StoreStringArea(record, *descr, "", 0, false);
    } else {
      WriteColumnValue(record, *descr, TargetOf(field, fOptions.Contains(poTrimCharFields)), buffer,
                       field->DisplayName());
      nullFlag = 0;
    }
    Byte& status = record[StatusOffset];
    if ((status & CachedStatusMask) == cusUnmodified && state != dsCalcFields) {
      status = static_cast<Byte>((status & ~CachedStatusMask) | (state == dsInsert ? cusInserted : cusModified));
    }
  }
  if (state != dsCalcFields && state != dsInternalCalc) SetModified(true);
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field));
}

void TFIBCustomDataSet::DataConvert(TField* field, const void* source, void* dest, bool toNative) {
  if (!field->InheritsFrom(TWideStringField::StaticClass())) return TDataSet::DataConvert(field, source, dest, toNative);
  const auto size = static_cast<std::size_t>(std::max(field->DataSize(), 1));
  if (toNative) {
    auto* out = static_cast<char*>(dest);
    std::memset(out, 0, size);
    const auto& text = *static_cast<const WideString*>(source);
    const RawByteString bytes = fDatabaseUnicode ? Utf8Encode(text) : WideToAnsi(text);
    std::size_t length = std::min(bytes.size(), size - 1);
    // Never half a character: back up over UTF-8 continuation bytes.
    if (fDatabaseUnicode && length < bytes.size())
      while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80) --length;
    std::memcpy(out, bytes.data(), length);
    return;
  }
  const auto* in = static_cast<const char*>(source);
  const std::string_view bytes(in, strnlen(in, size));
  *static_cast<WideString*>(dest) = fDatabaseUnicode ? Utf8Decode(bytes) : AnsiToWide(bytes);
}

Variant TFIBCustomDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  if (state == dsOldValue && State() == dsInsert) return Variant();
  if (field->FieldKind() != fkCalculated && field->FieldKind() != fkLookup)
    return TDataSet::GetStateFieldValue(state, field);
  switch (state) {
    case dsNewValue:
    case dsCurValue:
      return field->Value();
    case dsOldValue:
      return TDataSet::GetStateFieldValue(state, field);
    default:
      return Variant();
  }
}

// ---- Calculated fields ----------------------------------------------------------------------

void TFIBCustomDataSet::ClearCalcFields(TRecordBuffer buffer) {
  if (fCalcFieldsDisabled > 0 || CalcFieldsSize() == 0 || State() == dsEdit || State() == dsInsert) return;
  std::memset(buffer + fCalcFieldsOffset, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

void TFIBCustomDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (fCalcFieldsDisabled > 0 || CalcFieldsSize() == 0) return;
  if (!fOptions.Contains(poCacheCalcFields)) return TDataSet::GetCalcFields(buffer);
  // An edited or inserted buffer is not the cached record: its values are computed into
  // the buffer alone, every time.
  const bool editing = State() == dsEdit || State() == dsInsert;
  if (!editing && (buffer[StatusOffset] & CalcFieldsCachedBit) != 0) return;
  TDataSet::GetCalcFields(buffer);
  if (editing || GetBookmarkFlag(buffer) != bfCurrent) return;
  buffer[StatusOffset] |= CalcFieldsCachedBit;
  WriteRecordCache(RecordIndexOf(buffer), buffer);
}

void TFIBCustomDataSet::EnableCalcFields() {
  if (fCalcFieldsDisabled == 0 || --fCalcFieldsDisabled > 0) return;
  ShowRecordsAround();
}

void TFIBCustomDataSet::ShowRecordsAround() {
  if (Active() && State() == dsBrowse && !IsEmpty()) Resync({});
}

// ---- Events ---------------------------------------------------------------------------------

void TFIBCustomDataSet::DataEvent(TDataEvent event, NativeInt info) {
  if (event == deFieldChange && OnFieldChange) OnFieldChange(reinterpret_cast<TField*>(info));
  const bool wasDisabled = ControlsDisabled();
  TDataSet::DataEvent(event, info);
  if (event != deDisabledStateChange) return;
  if (info == 1 && !wasDisabled && !fControlsDisabledSeen) {
    fControlsDisabledSeen = true;
    if (OnDisableControls) OnDisableControls(this);
  } else if (info == 0 && fControlsDisabledSeen) {
    fControlsDisabledSeen = false;
    if (OnEnableControls) OnEnableControls(this);
  }
}

void TFIBCustomDataSet::SetBeforeFetchRecord(const TOnFetchRecord& value) {
  fBeforeFetchRecord = value;
  fSelectQuery->OnFetch =
      value ? TFIBFetchCallback::Bind(this, &TFIBCustomDataSet::FireStatementFetch) : TFIBFetchCallback();
}

void TFIBCustomDataSet::FireStatementFetch(TFIBQuery* query, Integer recordNumber, bool& stop) {
  const TOnFetchRecord handler = fBeforeFetchRecord;
  if (handler) handler(query, recordNumber, stop);
}

// ---- Master parameters ----------------------------------------------------------------------

TField* TFIBCustomDataSet::MasterFieldOf(const AnsiString& paramName) const {
  TDataSet* master = fDataSource != nullptr ? fDataSource->DataSet() : nullptr;
  if (master == nullptr) return nullptr;
  return master->FindField(IsMasterPrefixed(paramName) ? paramName.substr(4) : paramName);
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
}

// ---- ISQLObject -----------------------------------------------------------------------------

int TFIBCustomDataSet::FieldIndex(const AnsiString& name) const {
  TField* field = FindField(name);
  return field != nullptr ? field->Index() : -1;
}

Variant TFIBCustomDataSet::FieldValue(int index, bool oldValue) const {
  TField* field = const_cast<TFIBCustomDataSet*>(this)->Fields().Fields(index);
  return oldValue && State() != dsInsert ? field->OldValue() : field->Value();
}

// ---- Array fields ---------------------------------------------------------------------------

bool TFIBCustomDataSet::GetArrayFieldValue(TField* field, Variant& value) {
  const TFIBXSQLVAR* column = ColumnOf(field);
  if (column == nullptr || column->FIBArray() == nullptr || Database() == nullptr || Transaction() == nullptr)
    return false;
  value = column->FIBArray()->GetFieldArrayValues(*field, Database()->DBHandle(), Transaction()->TRHandle());
  return true;
}

void TFIBCustomDataSet::SetArrayFieldValue(TField* field, const Variant& value) {
  if (State() != dsEdit && State() != dsInsert) DatabaseError(SNotEditing, this);
  if (VarIsEmpty(value) || VarIsNull(value)) {
    field->Clear();
    return;
  }
  const TFIBXSQLVAR* column = ColumnOf(field);
  if (column == nullptr || column->FIBArray() == nullptr) FIBError(TFIBClientError::Unsupported);
  TFIBTransaction* transaction = UpdateTransaction();
  if (transaction == nullptr) FIBError(TFIBClientError::TransactionNotAssigned, {FullComponentName(this)});
  if (!transaction->Active()) transaction->StartTransaction();
  ISC_QUAD id{};
  column->FIBArray()->SetArrayValues(value, id, Database()->DBHandle(), transaction->TRHandle());
  field->SetData(&id);
}

// ---- Transactions and disconnect ------------------------------------------------------------

void TFIBCustomDataSet::KeepOrCloseOnServerEnd() {
  if (!Active()) return;
  if (fCachedUpdates && !ComponentState().Contains(csDestroying) && !ComponentState().Contains(csDesigning)) {
    FetchRemainingRows();
    if (fSelectQuery->Open()) fSelectQuery->Close();
    return;
  }
  Close();
}

// ---- Options --------------------------------------------------------------------------------

void TFIBCustomDataSet::ApplyCSMonitorSupport() {
  MonitorSupportChanged(this);
}

bool TFIBCustomDataSet::CanUseLimitedBuffer() {
  if (fCachedUpdates || GetOrderByClauseOf(SelectSQL().Text()).Text.empty()) return false;
  if (!fAutoCommit && UpdateTransaction() != Transaction()) return false;
  TFIBXSQLDA& params = fSelectQuery->Params();
  for (int i = 0; i < params.Count(); ++i)
    if (UpperCase(params[i].Name()).starts_with("NEW_")) return false;
  return true;
}

}  // namespace ordvane
