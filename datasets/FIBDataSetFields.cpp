// TFIBCustomDataSet's preparation and fields: the field definitions and field classes
// from the select statement's columns, name look-ups, the order of the records and the
// origin of each field (table, column, scale).

#include <algorithm>

#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetScopes.h"
#include "datasets/FIBFields.h"
#include "datasets/FIBRecordValues.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

using namespace dbconsts;

namespace {

constexpr const char* SCalculated = "CALCULATED";
// A GUID column holds 16 bytes; its field shows the 38-character text.
constexpr Integer GuidBinarySize = 16;
constexpr Integer GuidTextSize = 38;

}  // namespace

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
  // The look-up list, the parameter plans and the filter must never hand out a field that
  // is gone.
  fFieldLookup.clear();
  fParamPlans.clear();
  if (fFilterParser) fFilterParser->ResetFields();
  TDataSet::DestroyFields();
}

void TFIBCustomDataSet::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == fDataSource) fDataSource = nullptr;
  if (operation == opRemove) {
    std::erase_if(fFieldLookup, [component](const auto& entry) { return entry.second == component; });
    fParamPlans.clear();
    if (fFilterParser) fFilterParser->ResetFields();
  }
  TDataSet::Notification(component, operation);
}

void TFIBCustomDataSet::BindFields(bool binding) {
  TDataSet::BindFields(binding);
  if (!binding) return;
  const bool emptyStrToNull = fPrepareOptions.Contains(psSetEmptyStrToNull);
  for (TField* field : Fields()) {
    if (auto* text = dynamic_cast<TFIBStringField*>(field)) text->SetEmptyStrToNull(emptyStrToNull);
    if (auto* wide = dynamic_cast<TFIBWideStringField*>(field)) wide->SetEmptyStrToNull(emptyStrToNull);
  }
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

}  // namespace ordvane
