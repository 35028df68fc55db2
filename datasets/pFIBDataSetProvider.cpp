// TpFIBDataSet's answers to a data provider: its select as the command, its statements'
// parameters as the class library's, its update transaction, and one changed record
// applied through its own modifying statements and update objects.

#include <algorithm>
#include <array>
#include <charconv>

#include "datasets/FIBDataSetScopes.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBSQLText.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/pFIBCacheQueries.h"

namespace ordvane {

namespace {

// A statement of the pool for one call: given back when the call succeeded, freed when it
// failed, so that no half-executed statement waits in the pool.
class TPooledStatement {
 public:
  explicit TPooledStatement(TFIBQuery& query) : fQuery(&query) {}
  ~TPooledStatement() { delete fQuery; }
  TPooledStatement(const TPooledStatement&) = delete;
  TPooledStatement& operator=(const TPooledStatement&) = delete;

  TFIBQuery& Query() const { return *fQuery; }
  void GiveBack() {
    CloseIfOpen(*fQuery);
    FreeQuery(fQuery);
    fQuery = nullptr;
  }

 private:
  TFIBQuery* fQuery;
};

void AssignParamValue(TFIBXSQLVAR& param, const Variant& value) {
  if (VarIsNull(value) || VarIsEmpty(value))
    param.SetIsNull(true);
  else
    param.SetAsVariant(value);
}

// Decimal places a Currency holds exactly.
constexpr short CurrencyPlaces = 4;

// The class library's type of a parameter the server described. A 64-bit number with
// more places than a Currency holds is a wide BCD: a float would lose its last digits.
TFieldType ProviderParamType(const TFIBXSQLVAR& param) {
  const short scale = param.GetServerSQLScale();
  const auto scaled = [scale](TFieldType unscaled, TFieldType finer) {
    if (scale == 0) return unscaled;
    return scale >= -CurrencyPlaces ? ftBCD : finer;
  };
  switch (param.GetServerSQLType()) {
    case SQL_SHORT:
      return scaled(ftSmallint, ftFloat);
    case SQL_LONG:
      return scaled(ftInteger, ftFloat);
    case SQL_INT64:
      return scaled(ftLargeint, ftFMTBcd);
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return ftFloat;
    case SQL_TEXT:
      return ftFixedChar;
    case SQL_VARYING:
      return ftString;
    case SQL_TYPE_DATE:
      return ftDate;
    case SQL_TYPE_TIME:
      return ftTime;
    case SQL_TIMESTAMP:
      return ftDateTime;
    case SQL_BLOB:
      return param.GetServerSQLSubtype() == 1 ? ftMemo : ftBlob;
    case SQL_BOOLEAN:
      return ftBoolean;
    case SQL_ARRAY:
      return ftArray;
    default:
      return ftUnknown;
  }
}

// Decimal text in the server's notation (a point before the places) as a BCD.
TBcd ServerNotationDecimal(const AnsiString& text) {
  TFormatSettings serverNotation = FormatSettings();
  serverNotation.DecimalSeparator = '.';
  TBcd value;
  if (!TryStrToBcd(text, value, serverNotation)) FIBError(TFIBClientError::InvalidDataConversion);
  return value;
}

// The shortest decimal that reads back as the same double: the 15 digits of the usual
// formatting lose the last ones of a value such as 12345678901234.5678.
TBcd ShortestDecimal(double value) {
  std::array<char, 400> digits;
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed);
  if (error != std::errc()) FIBError(TFIBClientError::InvalidDataConversion);
  return ServerNotationDecimal(AnsiString(digits.data(), end));
}

// The number a scaled parameter holds, digit for digit. A value given as text or as a
// float waits in that form for the server to convert it: text in the server's notation,
// a float as its shortest decimal.
TBcd HeldDecimal(const TFIBXSQLVAR& param) {
  switch (param.GetSQLType()) {
    case SQL_TEXT:
    case SQL_VARYING:
      return ServerNotationDecimal(FastTrim(param.GetAsString()));
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return ShortestDecimal(param.GetAsDouble());
    default:
      return param.GetAsBcd();
  }
}

// A Currency where one holds the value exactly; else, as for every wide BCD, the exact
// decimal text, which the parameters take back unchanged.
Variant ProviderDecimalValue(const TFIBXSQLVAR& param, TFieldType type) {
  const TBcd value = HeldDecimal(param);
  Currency currency;
  if (type == ftBCD && BcdToCurr(value, currency)) return Variant(currency);
  return Variant(BcdToStr(value));
}

Variant ProviderParamValue(const TFIBXSQLVAR& param, TFieldType type) {
  if (param.GetIsNull()) return Null();
  switch (type) {
    case ftLargeint:
      return Variant(static_cast<Int64>(param.GetAsInt64()));
    case ftBCD:
    case ftFMTBcd:
      return ProviderDecimalValue(param, type);
    case ftFloat:
      return Variant(param.GetAsDouble());
    case ftDate:
    case ftTime:
    case ftDateTime:
      return VarFromDateTime(param.GetAsDateTime());
    default:
      return param.GetAsVariant();
  }
}

// A field's value in a state of the delta. A field of a Firebird dataset over a scaled
// 64-bit column answers a double, which keeps 15 or so of its 18 digits: the column's
// exact text goes to the parameter instead.
Variant DeltaStateValue(TField& field, TDataSetState state) {
  const Variant value = state == dsOldValue ? field.OldValue() : field.NewValue();
  auto* dataSet = dynamic_cast<TFIBCustomDataSet*>(field.DataSet());
  if (dataSet == nullptr || VarIsNull(value) || VarIsEmpty(value)) return value;
  Variant exact = dataSet->StateColumnDecimal(state, &field);
  // Times and time stamps to the tenth of a millisecond, which the field's value drops.
  if (VarIsEmpty(exact)) exact = dataSet->StateColumnMoment(state, &field);
  return VarIsEmpty(exact) ? value : exact;
}

// The delta's value for a parameter: "OLD_NAME" the old value of NAME, "NEW_NAME" and
// "NAME" the new one, or the old one where the change left the field alone.
Variant DeltaValue(TDataSet& delta, const AnsiString& paramName) {
  const bool old = IsOldParamName(paramName);
  const AnsiString fieldName = old || IsNewParamName(paramName) ? paramName.substr(4) : paramName;
  TField& field = *delta.FieldByName(fieldName);
  if (old) return DeltaStateValue(field, dsOldValue);
  const Variant value = DeltaStateValue(field, dsNewValue);
  return VarIsEmpty(value) ? DeltaStateValue(field, dsOldValue) : value;
}

void BindDeltaParams(TFIBQuery& statement, TDataSet& delta) {
  TFIBXSQLDA& params = statement.Params();
  for (int i = 0; i < params.Count(); ++i) AssignParamValue(params[i], DeltaValue(delta, params[i].Name()));
}

}  // namespace

// ---- Statements and command -------------------------------------------------------------------

Integer TpFIBDataSet::PSExecuteStatement(const AnsiString& sql, const TParams& params) {
  if (Transaction() == nullptr) FIBError(TFIBClientError::TransactionNotAssigned, {Name()});
  TFIBQuery* taken = GetQuery(Database(), Transaction(), sql);
  if (taken == nullptr) FIBError(TFIBClientError::DatabaseNotAssigned, {Name()});
  TPooledStatement pooled(*taken);
  TFIBQuery& statement = pooled.Query();
  statement.Prepare();
  // A pooled statement keeps the values of its last use: none may be left over.
  if (statement.GetParamCount() != params.Count())
    FIBErrorText("%s: the statement has %d parameters, %d given", {Name(), statement.GetParamCount(), params.Count()});
  for (int i = 0; i < params.Count(); ++i) AssignParamValue(statement.Params()[i], params[i].Value());
  statement.ExecQuery();
  const Integer rows = statement.RowsAffected();
  pooled.GiveBack();
  return rows;
}

AnsiString TpFIBDataSet::PSGetKeyFields() {
  const AnsiString known = TFIBDataSet::PSGetKeyFields();
  return known.empty() ? AutoUpdateOptions().KeyFields() : known;
}

AnsiString TpFIBDataSet::PSGetQuoteChar() {
  return Database() != nullptr && Database()->SQLDialect() == 3 ? "\"" : "";
}

AnsiString TpFIBDataSet::PSGetTableName() {
  const AnsiString& updateTable = AutoUpdateOptions().UpdateTableName();
  // An empty name would match any table.
  if (updateTable.empty()) return updateTable;
  TStringList tables;
  SelectTablesToList(SelectSQL().Text(), tables, false, false);
  for (int i = 0; i < tables.Count(); ++i)
    if (SameIdentifier(tables.Strings(i), updateTable)) return tables.Strings(i);
  return updateTable;
}

void TpFIBDataSet::PSSetCommandText(const AnsiString& text) {
  if (!text.empty()) SelectSQL().SetText(text);
}

void TpFIBDataSet::PSExecute() {
  CheckDatasetClosed("execute");
  TFIBQuery& statement = SelectQuery();
  statement.ExecQuery();
  CloseIfOpen(statement);
}

TParams* TpFIBDataSet::PSGetParams() {
  if (!Prepared()) Prepare();
  if (!fProviderParams) fProviderParams = std::make_unique<TParams>();
  fProviderParams->Clear();
  TFIBXSQLDA& params = SelectQuery().Params();
  for (int i = 0; i < params.Count(); ++i) {
    const TFIBXSQLVAR& param = params[i];
    TParam& copy = fProviderParams->CreateParam(ProviderParamType(param), param.Name());
    copy.SetValue(ProviderParamValue(param, copy.DataType()));
  }
  return fProviderParams.get();
}

void TpFIBDataSet::PSSetParams(const TParams& params) {
  for (int i = 0; i < params.Count(); ++i)
    AssignParamValue(SelectQuery().ParamByName(params[i].Name()), params[i].Value());
}

EUpdateError TpFIBDataSet::PSGetUpdateException(const Exception& error, std::exception_ptr previousError) {
  if (const auto* databaseError = dynamic_cast<const EFIBError*>(&error))
    return EUpdateError(databaseError->Message(), databaseError->SQLCode(), std::move(previousError));
  return TFIBDataSet::PSGetUpdateException(error, std::move(previousError));
}

void TpFIBDataSet::PSReset() {
  TFIBDataSet::PSReset();
  if (!Active()) return;
  Close();
  Open();
}

// ---- Transaction ------------------------------------------------------------------------------

bool TpFIBDataSet::PSInTransaction() {
  return UpdateTransaction() != nullptr && UpdateTransaction()->Active();
}

void TpFIBDataSet::PSStartTransaction() {
  if (Database() == nullptr) FIBError(TFIBClientError::DatabaseNotAssigned, {Name()});
  TFIBTransaction* transaction = UpdateTransaction();
  if (transaction == nullptr) FIBError(TFIBClientError::TransactionNotAssigned, {Name()});
  if (!Database()->Connected()) Database()->SetConnected(true);
  if (!transaction->Active()) transaction->StartTransaction();
}

void TpFIBDataSet::PSEndTransaction(bool commit) {
  if (!PSInTransaction()) return;
  if (commit)
    UpdateTransaction()->Commit();
  else
    UpdateTransaction()->Rollback();
}

// ---- One changed record -----------------------------------------------------------------------

TFIBQuery& TpFIBDataSet::ModifyingStatement(TUpdateKind kind) const {
  switch (kind) {
    case ukInsert:
      return InsertQuery();
    case ukDelete:
      return DeleteQuery();
    case ukModify:
      break;
  }
  return UpdateQuery();
}

bool TpFIBDataSet::PSUpdateRecord(TUpdateKind updateKind, TDataSet& delta) {
  TFIBQuery& statement = ModifyingStatement(updateKind);
  const bool runsStatement = StatementRuns(statement);
  const std::vector<TpFIBUpdateObject*>& objects = UpdateObjects(updateKind);
  if (!runsStatement && std::none_of(objects.begin(), objects.end(), [](TpFIBUpdateObject* o) { return Runs(*o); }))
    return false;
  StartUpdateTransaction();
  const auto bindDelta = [&delta](TFIBQuery& object) { BindDeltaParams(object, delta); };
  RunUpdateObjects(updateKind, oeBeforeDefault, bindDelta);
  if (runsStatement) {
    PrepareModificationStatement(statement);
    BindDeltaParams(statement, delta);
    const TScopeEnd closer([&statement] { CloseIfOpen(statement); });
    statement.ExecQuery();
    MarkStatementExecuted();
    CheckRowFound(statement);
  }
  RunUpdateObjects(updateKind, oeAfterDefault, bindDelta);
  return true;
}

}  // namespace ordvane
