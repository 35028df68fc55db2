// TpFIBDataSet writing its own modifying statements: INSERT, UPDATE, DELETE and the
// refresh select over the update table and the key fields, with parameters or with the
// values written out as literals, and the rewrite of the four texts after an open.

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/SeparatedLists.h"
#include "classlib/core/StrUtils.h"
#include "datasets/FIBFields.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBSQLText.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* NoAction = "No Action";

// A field of the dataset, or a field definition while the dataset has no fields.
struct TModifyColumn {
  TField* Field;
  AnsiString Name;
  AnsiString Relation;  // as the server names them
  AnsiString Column;
};

std::vector<TModifyColumn> ModifyColumns(TpFIBDataSet& dataSet) {
  std::vector<TModifyColumn> columns;
  if (dataSet.Fields().Count() > 0) {
    for (TField* field : dataSet.Fields())
      columns.push_back({field, field->FieldName(), dataSet.GetRelationTableName(field),
                         dataSet.GetRelationFieldName(field)});
    return columns;
  }
  dataSet.FieldDefs().Update();
  for (int i = 0; i < dataSet.FieldDefs().Count(); ++i) {
    const TFieldDef* def = dataSet.FieldDefs().Items(i);
    columns.push_back({nullptr, def->Name(), dataSet.GetRelationTableName(def), dataSet.GetRelationFieldName(def)});
  }
  return columns;
}

// The update table's columns; nullptr when nothing is known of it.
std::shared_ptr<TpFIBTableInfo> TableMetadata(TpFIBDataSet& dataSet, const AnsiString& table) {
  if (dataSet.Database() == nullptr || IsBlankString(table)) return nullptr;
  auto info = FIBTableInfoCollect().GetTableInfo(*dataSet.Database(), table, false);
  return info != nullptr && !info->Fields().empty() ? info : nullptr;
}

[[noreturn]] void RaiseUnableToGenerate(TpFIBDataSet& dataSet, TModifySQLKind kind) {
  throw Exception(FullComponentName(&dataSet) + ":unable to generate " + ModifySQLPropertyNames[kind] +
                  " because fields for \"" + dataSet.AutoUpdateOptions().UpdateTableName() +
                  "\" do not exist in dataset.");
}

struct TKeyColumn {
  const TModifyColumn* Source;
  AnsiString Column;  // formatted
};

// The usable key fields, last of KeyFields first; nullopt when KeyFields names none of
// the columns. Key fields none of which is usable raise.
std::optional<std::vector<TKeyColumn>> UsableKeyColumns(TpFIBDataSet& dataSet, const std::vector<TModifyColumn>& columns,
                                                        const TpFIBTableInfo& table, TModifySQLKind kind) {
  TAutoUpdateOptions& options = dataSet.AutoUpdateOptions();
  std::vector<const TModifyColumn*> named;
  for (const AnsiString& name : SplitList(options.KeyFields(), ';', true, TEmptyItems::Drop))
    for (const TModifyColumn& column : columns)
      if (SameText(column.Name, name)) {
        named.push_back(&column);
        break;
      }
  if (named.empty()) return std::nullopt;
  const AnsiString modifyTable = options.ModifyTable();
  std::vector<TKeyColumn> usable;
  for (auto it = named.rbegin(); it != named.rend(); ++it) {
    const TModifyColumn& column = **it;
    if (options.FormatIdentifier(column.Relation) != modifyTable) continue;
    const auto info = table.FieldInfo(column.Column);
    if (info != nullptr ? info->CanCompare : column.Column == "RDB$DB_KEY")
      usable.push_back({&column, options.FormatIdentifier(column.Column)});
  }
  if (usable.empty()) RaiseUnableToGenerate(dataSet, kind);
  return usable;
}

// Whether an edit changed the field, by what its kind of value allows to compare.
bool ChangedInEdit(TpFIBDataSet& dataSet, TField* field) {
  if (field->IsBlob()) return dataSet.BlobFieldModified(field);
  if (dynamic_cast<TFIBArrayField*>(field) != nullptr) return true;
  const Variant old = field->OldValue();
  if (field->IsNull() || VarIsNull(old) || VarIsEmpty(old)) return field->IsNull() != (VarIsNull(old) || VarIsEmpty(old));
  if (auto* bcd = dynamic_cast<TFIBBCDField*>(field)) return bcd->AsScaledInt64() != bcd->OldAsInt64();
  if (field->DataType() == ftLargeint) return field->AsLargeInt() != old.AsInt64();
  return !VarSameValue(field->Value(), old);
}

// ---- Literals ------------------------------------------------------------------------------

AnsiString QuotedText(const AnsiString& text) {
  AnsiString quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

// Text that reaches the server unchanged whatever code the statement's text travels in:
// plain ASCII quoted, any other text as its UTF-8 bytes, which the server converts into
// the column's character set (refusing a character that set lacks).
// Bytes as a string literal in hexadecimal, every byte kept.
AnsiString HexLiteral(const RawByteString& bytes) {
  AnsiString literal = "x'";
  for (const char byte : bytes) literal += IntToHex(static_cast<Integer>(static_cast<unsigned char>(byte)), 2);
  return literal + "'";
}

AnsiString TextLiteral(const WideString& text) {
  if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; }))
    return QuotedText(WideToAnsi(text));
  return "_UTF8 " + HexLiteral(Utf8Encode(text));
}

AnsiString DigitPairs(int value, int width) {
  AnsiString text = IntToStr(value);
  return AnsiString(static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size()))), '0') + text;
}

AnsiString DateLiteral(TDateTime value) {
  Word year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  return DigitPairs(year, 4) + "-" + DigitPairs(month, 2) + "-" + DigitPairs(day, 2);
}

AnsiString TimeLiteral(TDateTime value) {
  Word hour = 0, minute = 0, second = 0, msec = 0;
  DecodeTime(value, hour, minute, second, msec);
  return DigitPairs(hour, 2) + ":" + DigitPairs(minute, 2) + ":" + DigitPairs(second, 2) + "." + DigitPairs(msec, 3);
}

AnsiString RoundTripNumber(double value) {
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  return AnsiString(digits, result.ptr);
}

// The scaled integer with its decimal point: exact, whatever the format settings say.
AnsiString ScaledLiteral(Int64 scaled, Integer scale) {
  const bool negative = scaled < 0;
  AnsiString digits = std::to_string(scaled);
  if (negative) digits.erase(0, 1);
  if (scale > 0) {
    if (static_cast<Integer>(digits.size()) <= scale)
      digits.insert(0, static_cast<std::size_t>(scale) - digits.size() + 1, '0');
    digits.insert(digits.size() - static_cast<std::size_t>(scale), ".");
  }
  return negative ? "-" + digits : digits;
}

// A text blob's current text, converted by the server into the blob's character set as a
// string column's is. An empty text written into it is an empty blob, not a null one:
// the record keeps its null mark until the empty body is sent.
AnsiString TextBlobLiteral(TpFIBDataSet& dataSet, TField* field) {
  if (!field->IsNull()) return TextLiteral(field->Value().AsWideString());
  return dataSet.BlobFieldModified(field) ? QuotedText("") : AnsiString("NULL");
}

// A time or a time stamp as the record keeps it, to the tenth of a millisecond, which the
// field's value drops; shown, the field's value as text, where no column lies under it.
AnsiString MomentLiteral(TpFIBDataSet& dataSet, TField* field, bool oldValue, const AnsiString& shown) {
  const Variant exact = dataSet.StateColumnMoment(oldValue ? dsOldValue : dsNewValue, field);
  return "'" + (VarIsEmpty(exact) ? shown : exact.AsString()) + "'";
}

// The current or the previous value as the server reads it back unchanged; an array is
// never spelled out.
AnsiString Literal(TpFIBDataSet& dataSet, TField* field, bool oldValue) {
  if (field->DataType() == ftMemo && !oldValue) return TextBlobLiteral(dataSet, field);
  const Variant value = oldValue ? field->OldValue() : field->Value();
  if (VarIsNull(value) || VarIsEmpty(value)) return "NULL";
  // A binary blob's bytes, which the server stores as they are.
  if (field->IsBlob() && !oldValue) return HexLiteral(value.AsString());
  if (field->IsBlob() || dynamic_cast<TFIBArrayField*>(field) != nullptr)
    throw Exception(FullComponentName(&dataSet) + ": the value of field \"" + field->FieldName() +
                    "\" cannot be written as a literal.");
  if (auto* bcd = dynamic_cast<TFIBBCDField*>(field))
    return ScaledLiteral(oldValue ? bcd->OldAsInt64() : bcd->AsScaledInt64(), bcd->Size());
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
      return TextLiteral(value.AsWideString());
    case ftGuid:
      return QuotedText(value.AsString());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
      return IntToStr(value.AsInt64());
    case ftBoolean: {
      const TFIBXSQLVAR* column = dataSet.ColumnOf(field);
      if (column != nullptr && (column->GetServerSQLType() & ~1) == SQL_BOOLEAN) return value.AsBoolean() ? "TRUE" : "FALSE";
      return value.AsBoolean() ? "1" : "0";
    }
    case ftDate:
      return "'" + DateLiteral(value.AsDateTime()) + "'";
    case ftTime:
      return MomentLiteral(dataSet, field, oldValue, TimeLiteral(value.AsDateTime()));
    case ftDateTime:
    case ftTimeStamp:
      return MomentLiteral(dataSet, field, oldValue,
                           DateLiteral(value.AsDateTime()) + " " + TimeLiteral(value.AsDateTime()));
    default:
      return RoundTripNumber(value.AsDouble());
  }
}

// What one generation is made of: the table, its alias, its columns, the key condition
// and the select text.
struct TModifyParts {
  AnsiString Table;
  AnsiString Alias;
  std::shared_ptr<TpFIBTableInfo> Metadata;
  std::vector<TModifyColumn> Columns;
  AnsiString Where;
  AnsiString Select;
};

// The value written for a column: "?NEW_..." or a literal.
using TValueText = std::function<AnsiString(const TModifyColumn&)>;

AnsiString AssembleStatement(TpFIBDataSet& dataSet, TModifySQLKind kind, const TModifyParts& parts,
                             TModifyFieldFilter filter, const TValueText& valueText, const AnsiString& nothingToWrite) {
  switch (kind) {
    case mskDelete:
      return "Delete from " + parts.Table + " " + parts.Alias + CRLF + "where " + parts.Where;
    case mskRefresh:
      return SetOrderClause(AddWhereCondition(parts.Select, parts.Where, false), "");
    case mskUpdate:
    case mskInsert:
      break;
  }
  TAutoUpdateOptions& options = dataSet.AutoUpdateOptions();
  const bool update = kind == mskUpdate;
  AnsiString result = update ? "Update " + parts.Table + " " + parts.Alias + " Set" : "Insert into " + parts.Table + "(";
  AnsiString values = "values (";
  const bool onlyModified = options.UpdateOnlyModifiedFields();
  const bool computedToo = dataSet.PrepareOptions().Contains(psCanEditComputedFields);
  int written = 0;
  for (const TModifyColumn& column : parts.Columns) {
    if (TField* field = column.Field) {
      if (field->FieldKind() != fkData) continue;
      if ((filter == mffNoBlobs && field->IsBlob()) || (filter == mffBlobsOnly && !field->IsBlob())) continue;
      if (onlyModified && (update ? !ChangedInEdit(dataSet, field) : field->IsNull())) continue;
    }
    if (options.FormatIdentifier(column.Relation) != parts.Table) continue;
    // The server names no alias for a table the select text gives none: the table's
    // name is its alias then.
    const AnsiString alias = dataSet.SelectQuery().TableAliasForField(column.Name);
    if ((alias.empty() ? parts.Table : alias) != parts.Alias) continue;
    const auto info = parts.Metadata->FieldInfo(column.Column);
    if (info == nullptr || (info->IsComputed && !computedToo)) continue;
    const AnsiString separator = ++written == 1 ? "" : ",";
    const AnsiString name = options.FormatIdentifier(column.Column);
    if (update) {
      result += separator + CRLF + " " + name + "=" + valueText(column);
    } else {
      result += separator + CRLF + " " + name;
      values += separator + CRLF + " " + valueText(column);
    }
  }
  if (written == 0) return nothingToWrite;
  if (update) return result + CRLF + "where " + parts.Where;
  return result + CRLF + ")" + CRLF + values + CRLF + ")";
}

// The table's parts without the key condition; false when nothing is known of the table.
bool TableParts(TpFIBDataSet& dataSet, TModifyParts& parts) {
  TAutoUpdateOptions& options = dataSet.AutoUpdateOptions();
  parts.Columns = ModifyColumns(dataSet);
  parts.Table = options.ModifyTable();
  parts.Metadata = TableMetadata(dataSet, parts.Table);
  parts.Alias = options.AliasModifyTable();
  return parts.Metadata != nullptr;
}

}  // namespace

AnsiString TpFIBDataSet::GenerateModifySQL(TModifySQLKind kind, TModifyFieldFilter filter) {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (options.UpdateOnlyModifiedFields() && Fields().Count() == 0) return {};
  TModifyParts parts;
  if (!TableParts(*this, parts)) return {};
  parts.Where = options.KeyCondition();
  parts.Select = options.KeyConditionSelect();
  // A union takes the refresh's condition as one derived table, which shows the union's
  // column names but none of its branches' tables.
  const bool refreshOfUnion = kind == mskRefresh && TSQLParser(ExecutableText(SelectQuery())).IsUnion();
  if (parts.Where.empty() || refreshOfUnion) {
    const auto keys = UsableKeyColumns(*this, parts.Columns, *parts.Metadata, kind);
    if (!keys) return {};
    parts.Where.clear();
    for (const TKeyColumn& key : *keys) {
      if (!parts.Where.empty()) parts.Where += " and ";
      parts.Where += (refreshOfUnion ? QualifiedName("", key.Source->Name) : parts.Alias + "." + key.Column) + "=?" +
                     options.FormatIdentifier("OLD_" + key.Source->Name);
    }
    parts.Select = ExecutableText(SelectQuery());
    if (!refreshOfUnion) options.SetKeyConditionCache(parts.Where, parts.Select);
  }
  return AssembleStatement(
      *this, kind, parts, filter,
      [&options](const TModifyColumn& column) { return "?" + options.FormatIdentifier("NEW_" + column.Name); },
      NoAction);
}

AnsiString TpFIBDataSet::GenerateLiteralModifySQL(TModifySQLKind kind) {
  if (Fields().Count() == 0) RaiseUnableToGenerate(*this, kind);
  TAutoUpdateOptions& options = AutoUpdateOptions();
  TModifyParts parts;
  if (!TableParts(*this, parts)) return {};
  const auto keys = UsableKeyColumns(*this, parts.Columns, *parts.Metadata, kind);
  if (!keys) return {};
  for (const TKeyColumn& key : *keys) {
    if (!parts.Where.empty()) parts.Where += " and ";
    // "=NULL" would match no row and lose the change without a word.
    const AnsiString old = Literal(*this, key.Source->Field, true);
    parts.Where += parts.Alias + "." + key.Column + (old == "NULL" ? AnsiString(" IS NULL") : "=" + old);
  }
  parts.Select = ExecutableText(SelectQuery());
  options.SetKeyConditionCache(options.KeyCondition(), parts.Select);
  return AssembleStatement(
      *this, kind, parts, mffAll,
      [this](const TModifyColumn& column) { return Literal(*this, column.Field, false); }, AnsiString());
}

std::vector<TpFIBDataSet::TLiteralValue> TpFIBDataSet::LiteralValues(TModifySQLKind kind) {
  std::vector<TLiteralValue> values;
  TModifyParts parts;
  if (kind == mskDelete || kind == mskRefresh || !TableParts(*this, parts)) return values;
  TAutoUpdateOptions& options = AutoUpdateOptions();
  AssembleStatement(
      *this, kind, parts, mffAll,
      [&](const TModifyColumn& column) {
        AnsiString literal = Literal(*this, column.Field, false);
        values.push_back({column.Field, parts.Table + "." + options.FormatIdentifier(column.Column), literal});
        return literal;
      },
      AnsiString());
  return values;
}

AnsiString TpFIBDataSet::KeyFieldsFromTable(const AnsiString& tableName) {
  AnsiString keys;
  for (const TModifyColumn& column : ModifyColumns(*this)) {
    if (column.Field != nullptr && column.Field->IsBlob()) continue;
    if (column.Field == nullptr) {
      const TFieldDef* def = FieldDefs().Find(column.Name);
      if (def->DataType() >= ftBlob && def->DataType() <= ftTypedBinary) continue;
    }
    if (AutoUpdateOptions().FormatIdentifier(column.Relation) != tableName) continue;
    if (!keys.empty()) keys += ";";
    keys += column.Name;
  }
  return keys;
}

void TpFIBDataSet::CompleteKeyFields() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (!IsBlankString(options.KeyFields())) return;
  const AnsiString table = options.ModifyTable();
  if (Database() == nullptr || IsBlankString(table)) return;
  const auto metadata = FIBTableInfoCollect().GetTableInfo(*Database(), table, false);
  AnsiString keys;
  if (metadata != nullptr) {
    const AnsiString primaryKey = metadata->PrimaryKeyFields(Database());
    if (primaryKey != DeferredPrimaryKey) {
      const AnsiString relation = StripEnclosingQuotes(table);
      const std::vector<TModifyColumn> columns = ModifyColumns(*this);
      for (const AnsiString& column : SplitList(primaryKey, ';', true, TEmptyItems::Drop)) {
        const TModifyColumn* found = nullptr;
        for (const TModifyColumn& candidate : columns)
          if (candidate.Relation == relation && candidate.Column == column) found = &candidate;
        if (found == nullptr) {
          keys.clear();
          break;
        }
        if (!keys.empty()) keys += ";";
        keys += found->Name;
      }
    }
  }
  if (IsBlankString(keys)) keys = KeyFieldsFromTable(table);
  options.SetKeyFields(keys);
}

void TpFIBDataSet::RewriteText(TFIBQuery& statement, TModifySQLKind kind, TModifyFieldFilter filter, bool always) {
  if (!always && !AutoUpdateOptions().CanChangeSQLs() && !IsEmptyStrings(statement.SQL())) return;
  statement.SQL().SetText(GenerateModifySQL(kind, filter));
}

namespace {

// While the dataset writes its own texts, their changes must not empty the key-condition
// cache the texts are made from. The handlers come back on every path.
class TSQLChangingDetached {
 public:
  explicit TSQLChangingDetached(std::initializer_list<TFIBQuery*> statements) {
    for (TFIBQuery* statement : statements) {
      fSaved.emplace_back(statement, statement->OnSQLChanging);
      statement->OnSQLChanging = {};
    }
  }
  ~TSQLChangingDetached() {
    for (auto& [statement, handler] : fSaved) statement->OnSQLChanging = handler;
  }
  TSQLChangingDetached(const TSQLChangingDetached&) = delete;
  TSQLChangingDetached& operator=(const TSQLChangingDetached&) = delete;

 private:
  std::vector<std::pair<TFIBQuery*, TNotifyEvent>> fSaved;
};

}  // namespace

namespace {

// With SeparateBlobUpdate the blob columns are written by the blob update object.
TModifyFieldFilter UpdateAndInsertFilter(TAutoUpdateOptions& options) {
  return options.SeparateBlobUpdate() ? mffNoBlobs : mffAll;
}

}  // namespace

void TpFIBDataSet::RegenerateModifySQLs() {
  const TSQLChangingDetached detached{&DeleteQuery(), &InsertQuery(), &UpdateQuery(), &RefreshQuery()};
  if (FieldDefs().Count() == 0) FieldDefs().Update();
  CompleteKeyFields();
  if (IsBlankString(AutoUpdateOptions().KeyFields())) return;
  const TModifyFieldFilter filter = UpdateAndInsertFilter(AutoUpdateOptions());
  RewriteText(DeleteQuery(), mskDelete, mffAll, false);
  RewriteText(UpdateQuery(), mskUpdate, filter, false);
  RewriteText(InsertQuery(), mskInsert, filter, false);
  PrepareBlobUpdateObject();
  RewriteText(RefreshQuery(), mskRefresh, mffAll, false);
}

void TpFIBDataSet::PrepareModifySQL(TDataSetState state) {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (options.UpdateOnlyModifiedFields() && !options.KeyFields().empty() && !options.UpdateTableName().empty() &&
      (state == dsEdit || state == dsInsert)) {
    const TModifySQLKind kind = state == dsEdit ? mskUpdate : mskInsert;
    TFIBQuery& statement = state == dsEdit ? UpdateQuery() : InsertQuery();
    const AnsiString text = GenerateModifySQL(kind, UpdateAndInsertFilter(options));
    if (text != statement.SQL().Text() && text + CRLF != statement.SQL().Text()) {
      // The update and insert texts change before every such post: the key condition stays.
      const TSQLChangingDetached detached{&statement};
      statement.SQL().SetText(text);
    }
  }
  PrepareBlobUpdateObject();
}

namespace {

bool GeneratesForProtectedEdit(TAutoUpdateOptions& options, TFIBQuery& statement) {
  return IsEmptyStrings(statement.SQL()) && (options.AutoReWriteSqls() || options.UpdateOnlyModifiedFields());
}

}  // namespace

void TpFIBDataSet::PrepareProtectedEditRefresh() {
  if (GeneratesForProtectedEdit(AutoUpdateOptions(), RefreshQuery()))
    RefreshQuery().SQL().SetText(GenerateModifySQL(mskRefresh));
}

void TpFIBDataSet::PrepareProtectedEditUpdate() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (!GeneratesForProtectedEdit(options, UpdateQuery())) return;
  const bool onlyModified = options.UpdateOnlyModifiedFields();
  options.SetUpdateOnlyModifiedFields(false);
  struct Restore {
    TAutoUpdateOptions& options;
    bool value;
    ~Restore() { options.SetUpdateOnlyModifiedFields(value); }
  } restore{options, onlyModified};
  UpdateQuery().SQL().SetText(GenerateModifySQL(mskUpdate));
}

bool TpFIBDataSet::CanGenerateModifySQL() {
  const TAutoUpdateOptions& options = AutoUpdateOptions();
  return options.UpdateOnlyModifiedFields() && options.AutoReWriteSqls() && options.CanChangeSQLs() &&
         !options.KeyFields().empty() && !options.UpdateTableName().empty();
}

void TpFIBDataSet::DoAfterOpen() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (!ComponentState().Contains(csDesigning) && SQLChanged() && options.AutoReWriteSqls()) {
    if (!options.UpdateOnlyModifiedFields()) {
      RegenerateModifySQLs();
    } else if (!options.UpdateTableName().empty()) {
      const TSQLChangingDetached detached{&DeleteQuery(), &RefreshQuery()};
      CompleteKeyFields();
      RewriteText(RefreshQuery(), mskRefresh, mffAll, true);
      RewriteText(DeleteQuery(), mskDelete, mffAll, true);
    }
  }
  LinkParamsToFields();
  NotifyContainers(deAfterOpen);
  TFIBDataSet::DoAfterOpen();
}

AnsiString ExecutableText(TFIBQuery& statement) {
  const TpFIBQueryOptions options = statement.Options();
  statement.SetOptions(options + TpFIBQueryOptions{qoNoForceIsNull});
  struct Restore {
    TFIBQuery& query;
    TpFIBQueryOptions options;
    ~Restore() { query.SetOptions(options); }
  } restore{statement, options};
  return statement.BuildExecSQL();
}

}  // namespace ordvane
