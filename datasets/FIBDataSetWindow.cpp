// TFIBCustomDataSet's limited-buffer cache model: the page statements and their SQL, the
// window of BufferChunks records that grows forward and backward from them, the bookmark
// that carries the record's keys, the window reload around one row, the server-side
// locate and the refresh of the model.
//
// Record index i lives in cache slot (i mod BufferChunks) + 1, so a record entering at one
// edge of a full window takes the slot of the one leaving at the other; indexes stay at 0
// or above by renumbering the whole window by BufferChunks.

#include <algorithm>
#include <cstring>

#include "classlib/core/SeparatedLists.h"
#include "classlib/core/StrUtils.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetScopes.h"
#include "datasets/FIBRecordValues.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBSQLText.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/fib.h"

namespace ordvane {

namespace {

constexpr char SOrderByMissing[] = "%s:Can't find or parse ORDER BY statement.";
constexpr char SLocatePrefix[] = "LOCATE_";
constexpr char SNewPrefix[] = "NEW_";
constexpr char SWindowNotReread[] =
    "The change is saved on the server, but the records around it could not be read again: %s";
constexpr Integer LastWindowIndex = 1073741822;

AnsiString PrefixedParamName(const AnsiString& prefix, const AnsiString& name) {
  const AnsiString param = prefix + name;
  return NeedQuoteIdentifier(param) ? "\"" + param + "\"" : param;
}

// Rows strictly after a value in the order of one column: the comparison, and where the
// order puts null (a null value has every non-null one after it when nulls come first,
// none when they come last). A parameter that is null makes "c op ?p" unknown for every
// non-null c, which is how its null is seen without an untyped parameter.
AnsiString AfterCondition(const AnsiString& column, const AnsiString& value, bool ascending, bool nullsFirst) {
  const AnsiString compare = column + (ascending ? " > " : " < ") + value;
  if (nullsFirst) return "(" + compare + " or (" + column + " is not null and (" + compare + ") is unknown))";
  return "(" + compare + " or (" + column + " is null and " + column + " is distinct from " + value + "))";
}

// The type of a table's, a view's or a selectable procedure's column, as a cast names it;
// empty for a source of another kind.
AnsiString SourceColumnType(TFIBDatabase& database, const AnsiString& source, const AnsiString& column) {
  if (!VarIsNull(database.QueryValue("select 1 from rdb$relations where rdb$relation_name = :source",
                                     {Variant(source)})))
    return "type of column " + QualifiedName(source, column);
  const Variant domain = database.QueryValue(
      "select rdb$field_source from rdb$procedure_parameters where rdb$procedure_name = :source and "
      "rdb$parameter_name = :name and rdb$parameter_type = 1",
      {Variant(source), Variant(column)});
  return VarIsNull(domain) ? AnsiString() : "type of " + QualifiedName("", Trim(domain.AsString()));
}

bool HoldsText(const TField* field) {
  const TFieldType type = field->DataType();
  return type == ftString || type == ftFixedChar || type == ftWideString;
}

}  // namespace

Integer TFIBCustomDataSet::WindowChunks() const {
  return std::max(1, fCacheModelOptions.BufferChunks());
}

TFIBQuery& TFIBCustomDataSet::WindowStatement(const AnsiString& name) {
  if (auto* existing = dynamic_cast<TFIBQuery*>(FindComponent(name))) return *existing;
  TFIBQuery* statement = CreateStatement(name);
  // Its text is the dataset's own making: no change of it concerns the modifying SQL.
  statement->OnSQLChanging = {};
  return *statement;
}

AnsiString TFIBCustomDataSet::GetFullFieldName(TField* field) {
  const AnsiString table = GetRelationTableName(field);
  const AnsiString column = GetRelationFieldName(field);
  if (table.empty() || column.empty()) return QualifiedName("", field->FieldName());
  const AnsiString alias = AliasByTable(SelectSQL().Text(), table);
  return QualifiedName(alias.empty() ? table : alias, column);
}

// Neither a select list's alias nor the origin of a column that comes through a common
// table or a derived table is visible in the main select's WHERE: the select's own
// expression for the field stands in for both. A union gets its conditions as a derived
// table, whose columns are the union's names.
AnsiString TFIBCustomDataSet::PageColumn(TField* field) {
  const AnsiString select = SelectSQL().Text();
  TSQLParser parser(select);
  if (parser.IsUnion()) return QualifiedName("", field->FieldName());
  for (const TSelectItem& item : parser.SelectItems()) {
    if (item.Name.empty() || !SameIdentifier(item.Name, "\"" + field->FieldName() + "\"")) continue;
    const AnsiString table = GetRelationTableName(field);
    const bool originInFrom =
        !table.empty() && std::ranges::any_of(parser.TableItems(false), [&](const AnsiString& from) {
          return SameIdentifier(TableFromFromItem(from), table);
        });
    if (item.Aliased || !originInFrom) return item.Expression;
    break;
  }
  return GetFullFieldName(field);
}

// ---- Sort information ---------------------------------------------------------------------------

// Nulls come first in an ascending order and last in a descending one, unless the
// select's own ORDER BY (while it is the order in force) places them otherwise.
TFIBCustomDataSet::TSortFieldDetails TFIBCustomDataSet::GetSortFieldInfo(Integer index) {
  TSortFieldDetails details;
  if (index < 0 || index >= SortFieldCount()) return details;
  const TSortFieldInfo& item = fOrderInfo[static_cast<std::size_t>(index)];
  details.FieldName = item.FieldName;
  details.Ascending = details.NullsFirst = item.Ascending;
  if (TField* field = LookupField(item.FieldName)) {
    details.FieldIndex = field->Index();
    if (field->FieldKind() == fkData) details.Position = field->FieldNo() - 1;
  }
  if (!fSorted) {
    const std::vector<TOrderItem> items = TSQLParser(SelectSQL().Text()).OrderItems();
    const auto at = static_cast<std::size_t>(index);
    if (items.size() == fOrderInfo.size() && items[at].NullsGiven) details.NullsFirst = items[at].NullsFirst;
  }
  return details;
}

AnsiString TFIBCustomDataSet::SortFieldNames() const {
  AnsiString names;
  for (const TSortFieldInfo& item : fOrderInfo) names += (names.empty() ? "" : ";") + item.FieldName;
  return names;
}

// ---- Keys and bookmarks ------------------------------------------------------------------------

void TFIBCustomDataSet::ComputeKeyLayout() {
  fKeyParts.clear();
  if (fOrderInfo.empty()) FIBErrorText(SOrderByMissing, {FullComponentName(this)});
  std::vector<AnsiString> names;
  const AnsiString keyFields = Trim(fAutoUpdateOptions.KeyFields());
  if (!keyFields.empty())
    names = SplitList(keyFields, ';', true, TEmptyItems::Drop);
  else
    for (const TSortFieldInfo& item : fOrderInfo) names.push_back(item.FieldName);
  Integer offset = StandardBookmarkSize;
  for (const AnsiString& name : names) {
    TField* field = LookupField(Trim(name));
    const TFIBFieldDescr* descr = field != nullptr && field->FieldKind() == fkData ? ColumnDescriptor(field) : nullptr;
    if (descr == nullptr) continue;
    fKeyParts.push_back({field, offset});
    offset += 1 + SlotSize(*descr);
  }
  SetBookmarkSize(offset);
}

// The key parts hold the value as the record buffer does; a string slot its length word
// and only its characters, so equal keys give equal bytes.
void TFIBCustomDataSet::WriteKeyParts(TRecordBuffer buffer, Byte* bookmark) {
  for (const TKeyPart& part : fKeyParts) {
    const TFIBFieldDescr& descr = *ColumnDescriptor(part.Field);
    Byte* out = bookmark + part.Offset;
    out[0] = buffer[NullFlagsOffset + part.Field->FieldNo() - 1] != 0 ? 1 : 0;
    if (out[0] != 0) continue;
    const Byte* value = buffer + descr.Offset;
    if (!descr.IsStringSlot) {
      std::memcpy(out + 1, value, descr.DataSize);
      continue;
    }
    Integer length;
    std::memcpy(&length, value, sizeof length);
    length = std::clamp<Integer>(length, 0, descr.DataSize);
    std::memcpy(out + 1, &length, sizeof length);
    std::memcpy(out + 1 + sizeof length, value + sizeof length, static_cast<std::size_t>(length));
  }
}

void TFIBCustomDataSet::BindKeyParams(TFIBQuery& statement, const Byte* bookmark) {
  std::vector<Byte> record(static_cast<std::size_t>(fRecordBufferSize), 0);
  for (const TKeyPart& part : fKeyParts) {
    TFIBXSQLVAR& param = statement.ParamByName(SLocatePrefix + part.Field->FieldName());
    const Byte* in = bookmark + part.Offset;
    if (in[0] != 0) {
      param.SetIsNull(true);
      continue;
    }
    const TFIBFieldDescr& descr = *ColumnDescriptor(part.Field);
    std::memcpy(record.data() + descr.Offset, in + 1, static_cast<std::size_t>(SlotSize(descr)));
    param.SetIsNull(false);
    BindColumnParam(record.data(), descr, param);
  }
}

bool TFIBCustomDataSet::KeysEqual(Integer index, const Byte* bookmark, bool identifierToo) {
  std::vector<Byte> record(static_cast<std::size_t>(fRecordBufferSize), 0);
  ReadRecordCache(index, record.data(), false);
  std::vector<Byte> own(static_cast<std::size_t>(BookmarkSize()), 0);
  WriteKeyParts(record.data(), own.data());
  const Integer identifier = index + 1;
  if (identifierToo && std::memcmp(bookmark, &identifier, sizeof identifier) != 0) return false;
  return std::memcmp(own.data() + StandardBookmarkSize, bookmark + StandardBookmarkSize,
                     own.size() - StandardBookmarkSize) == 0;
}

void TFIBCustomDataSet::GotoWindowBookmark(const Byte* bookmark) {
  Integer identifier, activeRecord;
  std::memcpy(&identifier, bookmark, sizeof identifier);
  std::memcpy(&activeRecord, bookmark + sizeof identifier, sizeof activeRecord);
  const auto arrive = [&](Integer index) {
    MoveActiveRecord(activeRecord - ActiveRecord());
    fCurrentRecord = index;
  };
  const Integer index = identifier - 1;
  if (index >= fWindow.First && index <= fWindow.Last && index >= 0 && KeysEqual(index, bookmark, true))
    return arrive(index);
  for (Integer i = std::max(fWindow.First, 0); i <= fWindow.Last; ++i)
    if (KeysEqual(i, bookmark, false)) return arrive(i);
  Integer found = identifier;
  if (ReloadWindow(KeyLocateStatement(bookmark), found, true, true))
    arrive(found);
  else
    ++fFailedBookmarkMoves;
}

TFIBQuery& TFIBCustomDataSet::KeyLocateStatement(const Byte* bookmark) {
  TFIBQuery& locate = WindowStatement("SelectLocate");
  CloseIfOpen(locate);
  // Prepared first: a parameter binds by the type the server gives it.
  if (!locate.Prepared()) locate.Prepare();
  BindKeyParams(locate, bookmark);
  return locate;
}

// ---- The page statements -----------------------------------------------------------------------

void TFIBCustomDataSet::PreparePartialQueries() {
  const AnsiString select = SelectSQL().Text();
  const std::vector<TOrderItem> items = TSQLParser(select).OrderItems();
  if (items.empty() || fOrderInfo.size() != items.size()) FIBErrorText(SOrderByMissing, {FullComponentName(this)});
  struct TPageField {
    TField* field;
    AnsiString column;
    bool ascending;
    bool nullsFirst;
  };
  // The parameter as the page conditions compare it. A text parameter comes in the
  // connection's character set, and the server would compare the column in that set's
  // order: cast to the column's own type, it compares in the order the select sorts by.
  const auto pageValue = [this](TField* field) {
    const AnsiString param = "?" + PrefixedParamName(SNewPrefix, field->FieldName());
    const AnsiString table = GetRelationTableName(field);
    const AnsiString column = GetRelationFieldName(field);
    if (!HoldsText(field) || table.empty() || column.empty()) return param;
    const AnsiString type = SourceColumnType(*Database(), table, column);
    return type.empty() ? param : "cast(" + param + " as " + type + ")";
  };
  std::vector<TPageField> fields;
  AnsiString order;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TOrderItem& item = items[i];
    order += (order.empty() ? "" : ", ") + item.Expression + item.Collation + (item.Descending ? " DESC" : "");
    if (item.NullsGiven) order += item.NullsFirst ? " NULLS FIRST" : " NULLS LAST";
    TField* field = LookupField(fOrderInfo[i].FieldName);
    if (field == nullptr || field->FieldKind() != fkData) continue;
    const bool ascending = !item.Descending;
    // Compared under the collation the order uses.
    fields.push_back({field, PageColumn(field) + item.Collation, ascending,
                      item.NullsGiven ? item.NullsFirst : ascending});
  }
  // Rows that tie on the ORDER BY are told apart by the key fields, so that a page edge
  // never skips or repeats them.
  bool keysAdded = false;
  for (const TKeyPart& part : fKeyParts) {
    if (std::ranges::any_of(fields, [&](const TPageField& f) { return f.field == part.Field; })) continue;
    const AnsiString column = PageColumn(part.Field);
    fields.push_back({part.Field, column, true, true});
    order += ", " + column;
    keysAdded = true;
  }
  const auto condition = [&fields, &pageValue](bool forward) {
    AnsiString result;
    for (auto it = fields.rbegin(); it != fields.rend(); ++it) {
      const AnsiString value = pageValue(it->field);
      const AnsiString after = AfterCondition(it->column, value, it->ascending == forward,
                                              it->nullsFirst == forward);
      result = result.empty() ? after
                              : "(" + after + " or (" + it->column + " is not distinct from " + value + " and " +
                                    result + "))";
    }
    return result;
  };
  const AnsiString ordered = SetOrderClause(select, order);
  const AnsiString reversed = SetOrderClause(select, InvertOrderClause(order));
  const AnsiString descPlan = Trim(fCacheModelOptions.PlanForDescSQLs().Text());
  const auto withDescPlan = [&descPlan](const AnsiString& text) {
    return descPlan.empty() ? text : TSQLParser(text).SetPlanText(descPlan);
  };
  AnsiString locate;
  for (const TKeyPart& part : fKeyParts)
    locate += (locate.empty() ? "" : " and ") + PageColumn(part.Field) + " is not distinct from ?" +
              PrefixedParamName(SLocatePrefix, part.Field->FieldName());
  const std::pair<const char*, AnsiString> texts[] = {
      {"SelectDescQuery", withDescPlan(reversed)},
      {"SelectPartQuery", AddWhereCondition(ordered, condition(true), false)},
      {"SelectPartDescQuery", withDescPlan(AddWhereCondition(reversed, condition(false), false))},
      {"SelectLocate", locate.empty() ? ordered : AddWhereCondition(ordered, locate, false)},
  };
  for (const auto& [name, text] : texts) SetWindowStatementText(WindowStatement(name), text);
  fStartStatement = fSelectQuery;
  if (keysAdded) {
    fStartStatement = &WindowStatement("SelectFirstQuery");
    SetWindowStatementText(*fStartStatement, ordered);
  }
}

void TFIBCustomDataSet::SetWindowStatementText(TFIBQuery& statement, const AnsiString& text) {
  CloseIfOpen(statement);
  statement.SetDatabase(Database());
  statement.SetTransaction(Transaction());
  if (statement.SQL().Text() != text) statement.SQL().SetText(text);
}

// The "NEW_" parameters from the record at index (its keys and ORDER BY values, exactly
// as the record holds them), every other parameter from the select's of its name.
void TFIBCustomDataSet::BindPageParams(TFIBQuery& statement, Integer index) {
  std::vector<Byte> record(static_cast<std::size_t>(fRecordBufferSize), 0);
  if (index >= 0) ReadRecordCache(index, record.data(), false);
  BindPageParamsFrom(statement, index >= 0 ? record.data() : nullptr);
}

void TFIBCustomDataSet::BindPageParamsFrom(TFIBQuery& statement, const Byte* record) {
  statement.Params().AssignValues(fSelectQuery->Params());
  TFIBXSQLDA& params = statement.Params();
  for (int i = 0; i < params.Count(); ++i) {
    TFIBXSQLVAR& param = params[i];
    const AnsiString name = param.Name();
    if (!UpperCase(name).starts_with(SNewPrefix)) continue;
    TField* field = LookupField(name.substr(4));
    const TFIBFieldDescr* descr = field != nullptr && field->FieldKind() == fkData ? ColumnDescriptor(field) : nullptr;
    if (record == nullptr || descr == nullptr || record[NullFlagsOffset + field->FieldNo() - 1] != 0) {
      param.SetIsNull(true);
      continue;
    }
    param.SetIsNull(false);
    BindColumnParam(record, *descr, param);
  }
}

void TFIBCustomDataSet::ExecuteWindowStatement(TFIBQuery& statement) {
  CloseIfOpen(statement);
  if (!statement.Prepared()) statement.Prepare();
  statement.ExecQuery();
}

void TFIBCustomDataSet::SwitchWindowStatement(TFIBQuery& statement, Integer edgeIndex) {
  if (fCurrentStatement != nullptr) CloseIfOpen(*fCurrentStatement);
  fCurrentStatement = &statement;
  if (!statement.Prepared()) statement.Prepare();
  BindPageParams(statement, edgeIndex);
  ExecuteWindowStatement(statement);
}

bool TFIBCustomDataSet::IsForwardStatement(const TFIBQuery* statement) const {
  return statement == fSelectQuery || statement == fStartStatement ||
         statement == dynamic_cast<TFIBQuery*>(FindComponent("SelectPartQuery"));
}

// ---- Opening and closing ---------------------------------------------------------------------------

void TFIBCustomDataSet::OpenWindow() {
  ComputeKeyLayout();
  PreparePartialQueries();
  fWindow = {};
  fWindow.AtStart = true;
  fCurrentStatement = fStartStatement;
  if (fStartStatement != fSelectQuery) {
    CloseIfOpen(*fSelectQuery);
    fStartStatement->Params().AssignValues(fSelectQuery->Params());
    ExecuteWindowStatement(*fStartStatement);
  }
}

void TFIBCustomDataSet::CloseWindowStatements() {
  for (const char* name : WindowStatementNames)
    if (auto* statement = dynamic_cast<TFIBQuery*>(FindComponent(name))) CloseIfOpen(*statement);
}

void TFIBCustomDataSet::CloseWindow() {
  CloseWindowStatements();
  fWindowReformFailure = nullptr;
  fWindow = {};
  fCurrentStatement = nullptr;
  fStartStatement = nullptr;
}

// ---- Navigation --------------------------------------------------------------------------------------

void TFIBCustomDataSet::RenumberWindow() {
  const Integer chunks = WindowChunks();
  fCurrentRecord += chunks;
  if (fWindow.First >= 0) fWindow.First += chunks;
  if (fWindow.Last >= 0) fWindow.Last += chunks;
  for (int i = 0; i <= BufferCount(); ++i) SetRecordIndex(Buffers(i), RecordIndexOf(Buffers(i)) + chunks);
  fWindowRenumbered = true;
}

void TFIBCustomDataSet::StoreWindowRow(TFIBQuery& statement, Integer index, TRecordBuffer buffer) {
  StoreRowInCache(statement, index);
  if (buffer != nullptr) ReadRecordCache(index, buffer, false);
}

bool TFIBCustomDataSet::WindowFull() const {
  return fWindow.Last - fWindow.First >= WindowChunks() - 1;
}

TGetResult TFIBCustomDataSet::GetWindowRecord(TRecordBuffer buffer, TGetMode mode) {
  switch (mode) {
    case gmCurrent:
      if (fCurrentRecord < fWindow.First) return fWindow.AtStart ? grBOF : grError;
      if (fCurrentRecord > fWindow.Last || fCurrentRecord < 0) return fWindow.AtEnd ? grEOF : grError;
      ReadRecordCache(fCurrentRecord, buffer, false);
      return grOK;
    case gmNext:
      return NextWindowRecord(buffer);
    default:
      return PriorWindowRecord(buffer);
  }
}

TGetResult TFIBCustomDataSet::NextWindowRecord(TRecordBuffer buffer) {
  if (fWindow.First - 1 <= fCurrentRecord && fCurrentRecord < fWindow.Last) {
    ReadRecordCache(++fCurrentRecord, buffer, false);
    return grOK;
  }
  if (fCurrentStatement == nullptr) return grEOF;
  if (!IsForwardStatement(fCurrentStatement)) {
    if (fWindow.AtEnd) return grEOF;
    SwitchWindowStatement(WindowStatement("SelectPartQuery"), fWindow.Last);
  }
  TFIBQuery& statement = *fCurrentStatement;
  if (statement.Eof() || statement.Next() == nullptr || statement.Eof()) {
    fWindow.AtEnd = true;
    return grEOF;
  }
  if (WindowFull() && fWindow.First >= 0) {
    ++fWindow.First;
    fWindow.AtStart = false;
  }
  fCurrentRecord = fWindow.Last + 1;
  fWindow.Last = fCurrentRecord;
  if (fWindow.First < 0) fWindow.First = fCurrentRecord;
  StoreWindowRow(statement, fCurrentRecord, buffer);
  fFetchedCount = fWindow.Last - fWindow.First + 1;
  return grOK;
}

TGetResult TFIBCustomDataSet::PriorWindowRecord(TRecordBuffer buffer) {
  if (fWindow.First >= 0 && fWindow.First < fCurrentRecord && fCurrentRecord <= fWindow.Last + 1) {
    ReadRecordCache(--fCurrentRecord, buffer, false);
    return grOK;
  }
  if (fCurrentRecord == -1) {
    fWindow.AtStart = true;
    return grBOF;
  }
  if (fWindow.First < 0) return fWindow.AtStart ? grBOF : grError;
  if (fCurrentRecord != fWindow.First || fCurrentStatement == nullptr) return grError;
  if (IsForwardStatement(fCurrentStatement)) {
    if (fWindow.AtStart) return grBOF;
    SwitchWindowStatement(WindowStatement("SelectPartDescQuery"), fWindow.First);
  }
  TFIBQuery& statement = *fCurrentStatement;
  if (statement.Eof() || statement.Next() == nullptr || statement.Eof()) {
    --fCurrentRecord;
    fWindow.AtStart = true;
    return grBOF;
  }
  if (--fCurrentRecord == -1) RenumberWindow();
  if (WindowFull()) {
    --fWindow.Last;
    fWindow.AtEnd = false;
  }
  fWindow.First = fCurrentRecord;
  StoreWindowRow(statement, fCurrentRecord, buffer);
  return grOK;
}

void TFIBCustomDataSet::FirstOfWindow() {
  if (fStartStatement == nullptr || (fCurrentStatement == fStartStatement && fWindow.First < 1)) {
    fCurrentRecord = -1;
    return;
  }
  if (fCurrentStatement != nullptr) CloseIfOpen(*fCurrentStatement);
  fCurrentStatement = fStartStatement;
  if (fStartStatement != fSelectQuery) fStartStatement->Params().AssignValues(fSelectQuery->Params());
  ExecuteWindowStatement(*fStartStatement);
  fWindow = {};
  fWindow.AtStart = true;
  fCurrentRecord = -1;
}

void TFIBCustomDataSet::LastOfWindow() {
  if (State() == dsInsert || fWindow.AtEnd) {
    fCurrentRecord = fWindow.Last + 1;
    return;
  }
  fBlobStreams.Clear();
  if (fCurrentStatement != nullptr) CloseIfOpen(*fCurrentStatement);
  TFIBQuery& desc = WindowStatement("SelectDescQuery");
  fCurrentStatement = &desc;
  desc.Params().AssignValues(fSelectQuery->Params());
  ExecuteWindowStatement(desc);
  fWindow.First = LastWindowIndex + 1;
  fWindow.Last = LastWindowIndex;
  fCurrentRecord = LastWindowIndex;
  TSQLCursorScope cursor(fSQLScreenCursor);
  fFetchedCount = 0;
  while (fWindow.Last - fWindow.First + 1 < WindowChunks() && desc.Next() != nullptr && !desc.Eof()) {
    StoreWindowRow(desc, fCurrentRecord, nullptr);
    --fCurrentRecord;
    --fWindow.First;
  }
  fCurrentRecord = fWindow.Last + 1;
  fFetchedCount = std::max(0, fWindow.Last - fWindow.First + 1);
  fWindow.AtStart = false;
  fWindow.AtEnd = true;
}

// ---- The window reload ---------------------------------------------------------------------------------

bool TFIBCustomDataSet::WindowPass(TFIBQuery& statement, Integer count, int direction, Integer start) {
  fCurrentRecord = start;
  bool fetched = false;
  for (Integer i = 0; i < count; ++i) {
    if (statement.Eof() || statement.Next() == nullptr || statement.Eof()) break;
    fCurrentRecord += direction;
    if (fCurrentRecord == -1) RenumberWindow();
    StoreWindowRow(statement, fCurrentRecord, nullptr);
    fetched = true;
    if (direction > 0) {
      fWindow.Last = fCurrentRecord;
      if (fWindow.First == -1) fWindow.First = fCurrentRecord;
    } else {
      fWindow.First = fCurrentRecord;
      if (fWindow.Last == -1) fWindow.Last = fCurrentRecord;
    }
  }
  if (statement.Eof()) (direction > 0 ? fWindow.AtEnd : fWindow.AtStart) = true;
  return fetched;
}

bool TFIBCustomDataSet::ReloadWindow(TFIBQuery& statement, Integer& index, bool execute, bool rowRequired,
                                     const Byte* around) {
  bool found;
  if (execute) {
    CloseIfOpen(statement);
    if (!statement.Prepared()) statement.Prepare();
    statement.Params().AssignValues(fSelectQuery->Params());
    statement.ExecQuery();
    found = statement.Next() != nullptr && !statement.Eof();
  } else {
    found = statement.RecordCount() > 0;
  }
  if (!found && rowRequired) {
    CloseIfOpen(statement);
    return false;
  }
  const Integer chunks = WindowChunks();
  const Integer half = chunks / 2;
  index = std::max(index, half);
  fWindowRenumbered = false;
  std::vector<Byte> source;
  if (found) {
    StoreWindowRow(statement, index, nullptr);
    fWindow.First = fWindow.Last = index;
    source.resize(static_cast<std::size_t>(fRecordBufferSize));
    ReadRecordCache(index, source.data(), false);
  } else if (around != nullptr) {
    source.assign(around, around + fRecordBufferSize);
  } else if (ActiveBuffer() != nullptr && !IsEmpty()) {
    source.assign(ActiveBuffer(), ActiveBuffer() + fRecordBufferSize);
  }
  fWindow.AtStart = fWindow.AtEnd = false;
  TFIBQuery& backward = WindowStatement("SelectPartDescQuery");
  TFIBQuery& forward = WindowStatement("SelectPartQuery");
  for (TFIBQuery* page : {&backward, &forward}) {
    CloseIfOpen(*page);
    if (!page->Prepared()) page->Prepare();
    BindPageParamsFrom(*page, source.empty() ? nullptr : source.data());
    page->ExecQuery();
  }
  if (!found) fWindow.First = fWindow.Last = -1;
  bool any = WindowPass(backward, half, -1, index);
  if (!found) --index;
  any = WindowPass(forward, chunks - (fWindow.Last - fWindow.First + 2), 1, index) || any;
  const Integer room = chunks - (fWindow.Last - fWindow.First + 2);
  if (room > 0) any = WindowPass(backward, room, -1, fWindow.First == -1 ? index : fWindow.First) || any;
  CloseIfOpen(backward);
  if (fWindowRenumbered) index += chunks;
  if (found)
    fCurrentRecord = index;
  else
    fCurrentRecord = any ? index + 1 : -1;
  fFetchedCount = fWindow.First < 0 ? 0 : fWindow.Last - fWindow.First + 1;
  fCurrentStatement = &forward;
  if (&statement != &forward) CloseIfOpen(statement);
  return found;
}

// ---- Changes ---------------------------------------------------------------------------------------

// The window forms again around a record the server has just changed: around the row the
// refresh statement reads for it when asked to, else the row its keys find; a record the
// server no longer shows leaves the window around the place its values had, the cursor on
// the record after it. The window then holds the server's rows only, none of them deleted.
void TFIBCustomDataSet::ReformWindowAround(TRecordBuffer buffer, bool refresh) {
  std::vector<Byte> record(buffer, buffer + fRecordBufferSize);
  Integer index = RecordIndexOf(buffer);
  bool found = false;
  if (refresh && !IsEmptyStrings(RefreshSQL())) {
    // Its "OLD_" parameters are the values just posted.
    SaveOldVersion(buffer);
    PrepareModificationStatement(*fRefreshQuery);
    SetRecordParams(*fRefreshQuery, buffer);
    found = ReloadWindow(*fRefreshQuery, index, true, true, record.data());
  }
  if (!found) {
    std::vector<Byte> bookmark(static_cast<std::size_t>(BookmarkSize()), 0);
    WriteKeyParts(record.data(), bookmark.data());
    index = RecordIndexOf(buffer);
    ReloadWindow(KeyLocateStatement(bookmark.data()), index, true, false, record.data());
  }
  fDeletedCount = 0;
}

// The change is on the server already (committed when AutoCommit is set): a failure of
// the reading must not make it look undone, or a retry would send it twice. The window
// keeps what is known without the server: the record as posted, or nothing after a
// delete, and ends there until First, a refresh or a reopen reads the server again.
void TFIBCustomDataSet::ReformWindowAfterChange(TRecordBuffer buffer, bool refresh, bool deleted) {
  const Integer index = RecordIndexOf(buffer);
  std::vector<Byte> posted(buffer, buffer + fRecordBufferSize);
  try {
    ReformWindowAround(buffer, refresh);
  } catch (...) {
    fWindowReformFailure = std::current_exception();
    CloseWindowStatements();
    fCurrentStatement = nullptr;
    fWindow = {deleted ? -1 : index, deleted ? -1 : index, true, true};
    fCurrentRecord = deleted ? -1 : index;
    fFetchedCount = deleted ? 0 : 1;
    fDeletedCount = 0;
    if (!deleted) WriteRecordCache(index, posted.data());
  }
}

void TFIBCustomDataSet::EndChangeReportingWindowFailure(const std::function<void()>& rest) {
  try {
    rest();
  } catch (...) {
    // The caller hears of the handler's failure; the reading's belonged to this change.
    fWindowReformFailure = nullptr;
    throw;
  }
  ReportWindowReformFailure();
}

void TFIBCustomDataSet::ReportWindowReformFailure() {
  if (!fWindowReformFailure) return;
  AnsiString reason;
  try {
    std::rethrow_exception(std::exchange(fWindowReformFailure, nullptr));
  } catch (const Exception& e) {
    reason = e.Message();
  } catch (const std::exception& e) {
    reason = e.what();
  }
  DatabaseErrorFmt(SWindowNotReread, {reason}, this);
}

// ---- Locate on the server and refresh ----------------------------------------------------------------

bool TFIBCustomDataSet::LocateOnServer(TFIBQuery* statement, const AnsiString& keyFields,
                                       const std::vector<Variant>& keyValues, int source,
                                       TExtLocateOptions options) {
  const AnsiString context = "LocateOnServer." + FullComponentName(this);
  const std::vector<TField*> fields = GetFieldList(keyFields);
  if (fields.empty()) FIBError(TFIBClientError::FieldListEmpty, {context});
  for (TField* field : fields)
    if (field->FieldKind() != fkData) FIBError(TFIBClientError::CannotUseField, {context, field->FieldName()});
  CheckKeyValueCount(keyValues.size(), fields.size());
  const std::vector<Variant>& values = keyValues;
  TControlsScope controls(*this);
  AnsiString conditions;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const AnsiString column = PageColumn(fields[i]);
    const AnsiString param = "?" + PrefixedParamName(SLocatePrefix, IntToStr(static_cast<Integer>(i)));
    const TVarType type = static_cast<TVarType>(VarType(values[i]) & varTypeMask);
    AnsiString piece;
    if (VarIsNull(values[i]) || VarIsEmpty(values[i])) {
      // The cache's locate matches null to null; "=" would match nothing.
      piece = column + " is null";
    } else if (type == varString || type == varOleStr) {
      const bool upper = options.Contains(eloCaseInsensitive);
      const AnsiString op = options.Contains(eloPartialKey) ? " starting with "
                            : options.Contains(eloWildCards) ? " like "
                                                             : "=";
      piece = (upper ? "UPPER(" + column + ")" : column) + op + (upper ? "UPPER(" + param + ")" : param);
    } else {
      piece = column + "=" + param;
    }
    conditions += (conditions.empty() ? "" : " and ") + piece;
  }
  const AnsiString base = source == 1   ? WindowStatement("SelectPartQuery").SQL().Text()
                          : source == 2 ? WindowStatement("SelectPartDescQuery").SQL().Text()
                                        : (fStartStatement != nullptr ? fStartStatement : fSelectQuery)->SQL().Text();
  std::unique_ptr<TFIBQuery> own;
  if (statement == nullptr) {
    own = std::make_unique<TFIBQuery>(nullptr);
    own->SetName("QLocate");
    own->SetGoToFirstRecordOnExecute(false);
    statement = own.get();
  }
  CloseIfOpen(*statement);
  statement->SetDatabase(Database());
  statement->SetTransaction(Transaction());
  statement->SQL().SetText(AddWhereCondition(base, conditions, false));
  statement->Prepare();
  if (source != 0) BindPageParams(*statement, ActiveRecordIndex());
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (TFIBXSQLVAR* param = statement->FindParam(SLocatePrefix + IntToStr(static_cast<Integer>(i))))
      param->SetAsVariant(values[i]);
  if (own == nullptr) {
    statement->Params().AssignValues(fSelectQuery->Params());
    statement->ExecQuery();
    return statement->Next() != nullptr && !statement->Eof();
  }
  Integer index = WindowChunks() / 2 + 1;
  if (!ReloadWindow(*statement, index, true, true)) return false;
  MoveToRecord(index);
  return true;
}

void TFIBCustomDataSet::RefreshWindow() {
  Integer index = 0;
  if (!IsEmpty() && ActiveBuffer() != nullptr) {
    index = ActiveRecordIndex() + 1;
    SaveOldVersion(ActiveBuffer());
  }
  if (IsEmptyStrings(RefreshSQL())) return;
  PrepareModificationStatement(*fRefreshQuery);
  SetRecordParams(*fRefreshQuery, ActiveBuffer());
  ReloadWindow(*fRefreshQuery, index, true, false);
  fBlobStreams.Clear();
}

}  // namespace ordvane
