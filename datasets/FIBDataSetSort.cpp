// TFIBCustomDataSet's local sorting: the sort of the fetched records by fields, the order
// information it leaves, the re-placing of a posted record in a sorted dataset, the order
// of the select's ORDER BY at open, moving single records and the record-number setter.
// A sort permutes only the cache's map of logical to physical records.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "classlib/core/CodePages.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetScopes.h"
#include "datasets/FIBRecordValues.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBSQLText.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/FIBVariants.h"
#include "dbclient/fib.h"

namespace ordvane {

using namespace dbconsts;

namespace {

constexpr char SCantSortInvalidParameter[] = "Can't sort. Invalid parameter:Fields[";
constexpr char SSortFlagsMissing[] = "Can't sort: %d ordering flags for %d fields.";
constexpr char SOrderFieldNotInSelect[] = "%s.\r\nField %s use in order, but not presented in fields section of SelectSQL";
constexpr char SNotInLimitedModel[] = "Can't%sin the limited-buffer cache model: it holds a window of the records only.";
constexpr char SMoveRecordOutOfRange[] = "Can't move record %d to %d: the dataset holds records 1 to %d.";

}  // namespace

// The sort values of records, read once: one typed column per field. The column kind is
// the one every non-null value shares (integers, floating values and dates, 8-bit or wide
// text); mixed values, and every value while a comparison handler is set, stay variants
// that the dataset's CompareFieldValues orders. A text read from the cache stays there: the
// column holds where its characters lie.
class TSortKeys {
 public:
  TSortKeys(TFIBCustomDataSet& dataSet, std::vector<TField*> fields, std::vector<bool> ascending, Integer count)
      : fDataSet(dataSet), fCount(count) {
    fColumns.resize(fields.size());
    for (std::size_t k = 0; k < fields.size(); ++k) {
      fColumns[k].field = fields[k];
      fColumns[k].ascending = ascending[k];
    }
  }

  enum class TKind { Integer, Float, Text, WideText, Variant };

  // Column k is filled by the typed setters below, not through variants.
  void SetDirect(std::size_t k, TKind kind) {
    TColumn& column = fColumns[k];
    column.direct = true;
    column.kind = kind;
    Allocate(column, static_cast<std::size_t>(fCount));
  }
  void SetNull(std::size_t k, Integer position) { fColumns[k].nulls[static_cast<std::size_t>(position)] = 1; }
  void SetInteger(std::size_t k, Integer position, Int64 value) {
    fColumns[k].integers[static_cast<std::size_t>(position)] = value;
  }
  void SetFloat(std::size_t k, Integer position, double value) {
    fColumns[k].floats[static_cast<std::size_t>(position)] = value;
  }
  // value's characters must outlive the keys.
  void SetText(std::size_t k, Integer position, std::string_view value) {
    fColumns[k].views[static_cast<std::size_t>(position)] = value;
    fColumns[k].prefixes[static_cast<std::size_t>(position)] = Prefix(value);
  }

  // The values of the columns not filled directly, in column order.
  void Set(Integer position, std::vector<Variant>& values) {
    std::size_t next = 0;
    for (TColumn& column : fColumns) {
      if (column.direct) continue;
      if (column.variants.empty()) column.variants.resize(static_cast<std::size_t>(fCount));
      column.variants[static_cast<std::size_t>(position)] = std::move(values[next++]);
    }
  }

  // After every Set: the typed columns are made.
  void Seal(bool variantsOnly) {
    for (TColumn& column : fColumns)
      if (!column.direct) Seal(column, variantsOnly);
  }

  Integer Count() const { return fCount; }

  // Where the keys of the record at a position lie: by default at that position.
  void SetKeyIndexes(std::vector<Integer> keyOfPosition) { fKeyOfPosition = std::move(keyOfPosition); }
  Integer KeyOf(Integer position) const {
    return fKeyOfPosition.empty() ? position : fKeyOfPosition[static_cast<std::size_t>(position)];
  }

  // Whether Compare orders strictly whatever the values: integers and texts do; floating
  // values (a NaN equals everything) and a handler's comparisons need not.
  bool StrictOrder() const {
    return std::all_of(fColumns.begin(), fColumns.end(), [](const TColumn& column) {
      return column.kind == TKind::Integer || column.kind == TKind::Text || column.kind == TKind::WideText;
    });
  }

  // A number whose order never contradicts Compare's: the leading integer (its sign bit
  // turned, so that unsigned order is its order) or text's first bytes, turned round for a
  // descending field; 0 for other kinds. A sort that orders by it first reaches the values
  // only when two records share it.
  std::uint64_t Lead(Integer position) const {
    const TColumn& column = fColumns.front();
    if (column.kind != TKind::Integer && column.kind != TKind::Text) return 0;
    const auto x = static_cast<std::size_t>(position);
    std::uint64_t lead = 0;  // a null's: nulls come first
    if (column.nulls[x] == 0)
      lead = column.kind == TKind::Text
                 ? column.prefixes[x]
                 : static_cast<std::uint64_t>(column.integers[x]) ^ (std::uint64_t{1} << 63);
    return column.ascending ? lead : ~lead;
  }

  // The first field whose values differ decides; a descending field turns it round.
  int Compare(Integer a, Integer b) {
    const auto x = static_cast<std::size_t>(a), y = static_cast<std::size_t>(b);
    std::size_t k = 0;
    // A text first, the commonest sort (a grid's title click on a name), without the switch.
    if (fColumns.front().kind == TKind::Text) {
      const TColumn& column = fColumns.front();
      const bool nullA = column.nulls[x] != 0, nullB = column.nulls[y] != 0;
      const int result = nullA || nullB ? (nullA == nullB ? 0 : (nullA ? -1 : 1)) : CompareTexts(column, x, y);
      if (result != 0) return column.ascending ? result : (result < 0 ? 1 : -1);
      k = 1;
    }
    for (; k < fColumns.size(); ++k) {
      const int result = CompareIn(fColumns[k], x, y);
      if (result != 0) return fColumns[k].ascending ? result : (result < 0 ? 1 : -1);
    }
    return 0;
  }

 private:
  struct TColumn {
    TField* field = nullptr;
    bool ascending = true;
    bool direct = false;
    TKind kind = TKind::Variant;
    std::vector<Variant> variants;
    std::vector<Byte> nulls;
    std::vector<Int64> integers;
    std::vector<double> floats;
    std::vector<AnsiString> texts;  // the texts read through the fields, which views point into
    std::vector<std::string_view> views;
    // A text's first eight bytes as a big-endian number: most comparisons end there.
    std::vector<std::uint64_t> prefixes;
    std::vector<WideString> wideTexts;
  };

  static bool IsNull(const Variant& v) { return VarIsNull(v) || VarIsEmpty(v); }

  static TKind KindOf(const Variant& v) {
    const TVarType type = static_cast<TVarType>(VarType(v) & varTypeMask);
    if (VarTypeIsInteger(type)) return TKind::Integer;
    switch (type) {
      case varSingle:
      case varDouble:
      case varDate:
        return TKind::Float;
      case varString:
        return TKind::Text;
      case varOleStr:
        return TKind::WideText;
      default:
        return TKind::Variant;
    }
  }

  // The null flags and the values of the column's kind, size entries each.
  static void Allocate(TColumn& column, std::size_t size) {
    column.nulls.assign(size, 0);
    switch (column.kind) {
      case TKind::Integer:
        column.integers.resize(size);
        break;
      case TKind::Float:
        column.floats.resize(size);
        break;
      case TKind::Text:
        column.views.resize(size);
        column.prefixes.resize(size);
        break;
      case TKind::WideText:
        column.wideTexts.resize(size);
        break;
      case TKind::Variant:
        break;
    }
  }

  static void Seal(TColumn& column, bool variantsOnly) {
    std::optional<TKind> kind;
    for (const Variant& v : column.variants) {
      if (IsNull(v)) continue;
      const TKind own = KindOf(v);
      if (kind && *kind != own) {
        kind = TKind::Variant;
        break;
      }
      kind = own;
    }
    column.kind = variantsOnly || !kind ? TKind::Variant : *kind;
    if (column.kind == TKind::Variant) return;
    const std::size_t size = column.variants.size();
    Allocate(column, size);
    for (std::size_t i = 0; i < size; ++i) {
      const Variant& v = column.variants[i];
      column.nulls[i] = IsNull(v) ? 1 : 0;
      if (column.nulls[i] != 0) continue;
      switch (column.kind) {
        case TKind::Integer:
          column.integers[i] = v.AsInt64();
          break;
        case TKind::Float:
          column.floats[i] = v.AsDouble();
          break;
        case TKind::Text:
          if (column.texts.empty()) column.texts.resize(size);
          column.texts[i] = v.AsString();
          column.views[i] = column.texts[i];
          column.prefixes[i] = Prefix(column.views[i]);
          break;
        default:
          column.wideTexts[i] = v.AsWideString();
          break;
      }
    }
    column.variants = {};
  }

  static std::uint64_t Prefix(std::string_view text) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i)
      prefix = (prefix << 8) | (i < text.size() ? static_cast<Byte>(text[i]) : 0u);
    return prefix;
  }

  // Byte order: equal prefixes leave it to the whole texts.
  static int CompareTexts(const TColumn& column, std::size_t a, std::size_t b) {
    if (column.prefixes[a] != column.prefixes[b]) return column.prefixes[a] < column.prefixes[b] ? -1 : 1;
    return column.views[a].compare(column.views[b]);
  }

  template <class T>
  static int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
  }

  // The rules of the default CompareFieldValues: nulls first and equal to each other, then
  // the typed comparison (texts by character code). Only the sign counts.
  int CompareIn(TColumn& column, std::size_t a, std::size_t b) {
    if (column.kind == TKind::Variant) return fDataSet.CompareFieldValues(column.field, column.variants[a], column.variants[b]);
    const bool nullA = column.nulls[a] != 0, nullB = column.nulls[b] != 0;
    if (nullA || nullB) return nullA == nullB ? 0 : (nullA ? -1 : 1);
    switch (column.kind) {
      case TKind::Integer:
        return Order(column.integers[a], column.integers[b]);
      case TKind::Float:
        return Order(column.floats[a], column.floats[b]);
      case TKind::Text:
        return CompareTexts(column, a, b);
      default:
        return column.wideTexts[a].compare(column.wideTexts[b]);
    }
  }

  TFIBCustomDataSet& fDataSet;
  Integer fCount;
  std::vector<TColumn> fColumns;
  std::vector<Integer> fKeyOfPosition;
};

namespace {

// Values whose order the record's bytes give without a detour through the field: integers
// (scaled ones too: one column has one scale), day numbers and moments, floating values,
// and 8-bit text held in a string slot.
std::optional<TSortKeys::TKind> DirectKind(const TField* field, const TFIBFieldDescr& descr, bool int64AsDouble,
                                           bool unicodeConnection) {
  using TKind = TSortKeys::TKind;
  if (field->FieldKind() != fkData || field->DataType() == ftBoolean) return std::nullopt;
  switch (descr.SQLType) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
      return TKind::Integer;
    case SQL_INT64:
      return int64AsDouble ? TKind::Float : TKind::Integer;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
    case SQL_TIMESTAMP:
      return TKind::Float;
    case SQL_TEXT:
    case SQL_VARYING:
      if (descr.IsStringSlot && descr.CharKind == ckAnsi && !descr.IsBinary && !unicodeConnection &&
          field->DataType() == ftString)
        return TKind::Text;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// A name as the server keeps it: quoted as written, else upper-cased.
AnsiString StoredIdentifier(const AnsiString& name) {
  return !name.empty() && name.front() == '"' ? StripEnclosingQuotes(name) : UpperCase(name);
}

template <class T>
T StoredValue(const Byte* place) {
  T value;
  std::memcpy(&value, place, sizeof value);
  return value;
}

// The positions 0 .. Count - 1 of the keys in their order, equal keys in the order they had.
// Only the positions move, never the values. Where the order may not be strict, a merging
// sort, which stays within its range whatever the comparisons answer.
std::vector<Integer> SortedPositions(TSortKeys& keys) {
  // The lead beside the position: most comparisons end without reaching the values.
  struct TEntry {
    std::uint64_t lead;
    Integer key;
    Integer position;
  };
  std::vector<TEntry> entries(static_cast<std::size_t>(keys.Count()));
  for (Integer i = 0; i < keys.Count(); ++i) {
    const Integer key = keys.KeyOf(i);
    entries[static_cast<std::size_t>(i)] = {keys.Lead(key), key, i};
  }
  if (keys.StrictOrder()) {
    std::sort(entries.begin(), entries.end(), [&keys](const TEntry& a, const TEntry& b) {
      if (a.lead != b.lead) return a.lead < b.lead;
      const int result = keys.Compare(a.key, b.key);
      return result != 0 ? result < 0 : a.position < b.position;
    });
  } else {
    std::stable_sort(entries.begin(), entries.end(), [&keys](const TEntry& a, const TEntry& b) {
      return a.lead != b.lead ? a.lead < b.lead : keys.Compare(a.key, b.key) < 0;
    });
  }
  std::vector<Integer> order(entries.size());
  std::transform(entries.begin(), entries.end(), order.begin(),
                 [](const TEntry& entry) { return entry.position; });
  return order;
}

}  // namespace

// ---- Sort field items ------------------------------------------------------------------------

TField* TSortFieldItem::Resolve(TDataSet& dataSet) const {
  struct TVisitor {
    TDataSet& dataSet;
    TField* operator()(int index) const {
      return index >= 0 && index < dataSet.FieldCount() ? dataSet.Fields()[index] : nullptr;
    }
    TField* operator()(TField* field) const { return field != nullptr && field->DataSet() == &dataSet ? field : nullptr; }
    TField* operator()(const AnsiString& name) const { return dataSet.FindField(name); }
    TField* operator()(const WideString& name) const { return dataSet.FindField(WideToAnsi(name)); }
    TField* operator()(const Variant& value) const {
      const TVarType type = static_cast<TVarType>(VarType(value) & varTypeMask);
      if (VarTypeIsInteger(type)) return (*this)(value.AsInteger());
      if (type == varString || type == varOleStr) return (*this)(value.AsString());
      return nullptr;
    }
  };
  return std::visit(TVisitor{dataSet}, fItem);
}

// ---- Sorting -------------------------------------------------------------------------------

void TFIBCustomDataSet::SortByFieldNames(const TStrings& fieldNames, const std::vector<bool>& ascending) {
  std::vector<TSortFieldItem> fields;
  for (int i = 0; i < fieldNames.Count(); ++i) fields.emplace_back(FieldByName(fieldNames.Strings(i))->Index());
  SortByFields(fields, ascending);
}

void TFIBCustomDataSet::SortByFields(const std::vector<TSortFieldItem>& items, const std::vector<bool>& ascending) {
  const AnsiString operation = " do local sorting ";
  CheckDatasetOpen(operation);
  CheckNotLimitedModel(operation);
  std::vector<TField*> fields;
  for (std::size_t i = 0; i < items.size(); ++i) {
    TField* field = items[i].Resolve(*this);
    if (field == nullptr) DatabaseError(SCantSortInvalidParameter + IntToStr(static_cast<Integer>(i)) + "]");
    fields.push_back(field);
  }
  if (ascending.size() < fields.size())
    DatabaseErrorFmt(SSortFlagsMissing, {static_cast<Integer>(ascending.size()), static_cast<Integer>(fields.size())},
                     this);
  if (State() == dsEdit || State() == dsInsert) Post();
  {
    TSQLCursorScope cursor(fSQLScreenCursor);
    CheckBrowseMode();
    TControlsScope controls(*this);
    DisableScrollEvents();
    const TScopeEnd scrollEvents([this] { EnableScrollEvents(); });
    TFlagScope allVisible(fAllRecordsVisible);
    FetchAll();
    // Record numbers change: the filter's list of them is out of date.
    fFilteredOutPositions.clear();
    TOrderInfo order;
    for (std::size_t i = 0; i < fields.size(); ++i) order.push_back({fields[i]->FieldName(), ascending[i]});
    SetOrderInfo(order, true);
    if (fFetchedCount > 1) {
      const TBookmarkStr bookmark = Bookmark();
      TSortKeys keys(*this, fields, {ascending.begin(), ascending.begin() + std::ptrdiff_t(fields.size())},
                     fFetchedCount);
      ReadSortKeys(fields, keys);
      Cache("sort").ReorderRecords(SortedPositions(keys));
      if (!bookmark.empty()) GotoBookmark(bookmark);
    }
  }
  // Filling the buffers around the bookmarked record left the cursor on the last one read.
  UpdateCursorPos();
  Resync({});
}

void TFIBCustomDataSet::RestoreLocalSort() {
  std::vector<TSortFieldItem> fields;
  std::vector<bool> ascending;
  for (const TSortFieldInfo& item : fOrderInfo) {
    if (TField* field = LookupField(item.FieldName)) {
      fields.emplace_back(field);
      ascending.push_back(item.Ascending);
    }
  }
  SortByFields(fields, ascending);
  First();
}

// The values a handler compares go to it as variants, read through the fields; the others
// are read straight from the cached records where their bytes give the order.
void TFIBCustomDataSet::ReadSortKeys(const std::vector<TField*>& fields, TSortKeys& keys) {
  const bool handler = ComparesFieldValuesItself();
  const bool int64AsDouble = !fPrepareOptions.Contains(psSQLINT64ToBCD);
  TRecordsCache& cache = Cache("sort");
  // A sorted cache's positions jump about its memory. When the fetched records are all the
  // cache holds, their keys are read in the order the records lie instead, and each
  // position finds its own through the map.
  const bool inStoredOrder = cache.RecordCount() == fFetchedCount && CacheRecordNo(fFetchedCount - 1) == fFetchedCount;
  std::vector<Integer> storedIndexOf(static_cast<std::size_t>(fFetchedCount));
  for (Integer index = 0; index < fFetchedCount; ++index)
    storedIndexOf[static_cast<std::size_t>(index)] = cache.GetPhysicalNo(CacheRecordNo(index)) - 1;
  if (inStoredOrder) keys.SetKeyIndexes(storedIndexOf);
  std::vector<TField*> throughFields;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const TFIBFieldDescr* descr = fields[k]->FieldKind() == fkData ? ColumnDescriptor(fields[k]) : nullptr;
    // The record keeps a 64-bit column as a double only below a scale of -4.
    const bool keptAsDouble = descr != nullptr && int64AsDouble && descr->Scale < -4;
    const std::optional<TSortKeys::TKind> kind =
        handler || descr == nullptr ? std::nullopt : DirectKind(fields[k], *descr, keptAsDouble, fDatabaseUnicode);
    if (!kind) {
      throughFields.push_back(fields[k]);
      continue;
    }
    keys.SetDirect(k, *kind);
    const Integer nullFlag = NullFlagsOffset - StatusOffset + fields[k]->FieldNo() - 1;
    const Integer valueOffset = descr->Offset - StatusOffset;
    for (Integer index = 0; index < fFetchedCount; ++index) {
      const Integer storedIndex = inStoredOrder ? index : storedIndexOf[static_cast<std::size_t>(index)];
      Byte* stored = nullptr;
      cache.GetFixedDataPtr(storedIndex, 0, stored);
      if (stored[nullFlag] != 0) {
        keys.SetNull(k, index);
        continue;
      }
      const Byte* place = stored + valueOffset;
      switch (descr->SQLType) {
        case SQL_SHORT:
          keys.SetInteger(k, index, StoredValue<SmallInt>(place));
          break;
        case SQL_LONG:
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
          keys.SetInteger(k, index, StoredValue<Integer>(place));
          break;
        case SQL_INT64:
          if (keptAsDouble)
            keys.SetFloat(k, index, StoredValue<double>(place));
          else
            keys.SetInteger(k, index, StoredValue<Int64>(place));
          break;
        case SQL_FLOAT:
          keys.SetFloat(k, index, StoredValue<float>(place));
          break;
        case SQL_TEXT:
        case SQL_VARYING:
          keys.SetText(k, index, cache.GetStringView(storedIndex, descr->StringSlot));
          break;
        default:
          keys.SetFloat(k, index, StoredValue<double>(place));
          break;
      }
    }
  }
  if (!throughFields.empty())
    ReadCachedValues(throughFields, 0, fFetchedCount,
                     [&keys](Integer index, std::vector<Variant>& values) { keys.Set(keys.KeyOf(index), values); });
  keys.Seal(handler);
}

std::vector<TField*> TFIBCustomDataSet::OrderFields() {
  std::vector<TField*> fields;
  for (const TSortFieldInfo& item : fOrderInfo) fields.push_back(FindFieldOrRaise(item.FieldName));
  return fields;
}

std::vector<bool> TFIBCustomDataSet::OrderFlags() const {
  std::vector<bool> flags;
  for (const TSortFieldInfo& item : fOrderInfo) flags.push_back(item.Ascending);
  return flags;
}

int TFIBCustomDataSet::CompareSortValues(const std::vector<TField*>& fields, const std::vector<bool>& ascending,
                                         const std::vector<Variant>& values1, const std::vector<Variant>& values2) {
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const int result = CompareFieldValues(fields[k], values1[k], values2[k]);
    if (result != 0) return ascending[k] ? result : -result;
  }
  return 0;
}

// The record's place among the others is found by bisection: the records are in the
// order already, but for this one.
Integer TFIBCustomDataSet::KeepRecordSorted(Integer index) {
  TFlagScope allVisible(fAllRecordsVisible);
  const std::vector<TField*> fields = OrderFields();
  const std::vector<bool> ascending = OrderFlags();
  const std::vector<Variant> own = CachedFieldValues(fields, index);
  // Positions of the others: 0 .. count - 2, index left out.
  Integer low = 0, high = fFetchedCount - 1;
  while (low < high) {
    const Integer middle = low + (high - low) / 2;
    const std::vector<Variant> values = CachedFieldValues(fields, middle < index ? middle : middle + 1);
    if (CompareSortValues(fields, ascending, own, values) < 0)
      high = middle;
    else
      low = middle + 1;
  }
  if (low != index) Cache("sort").MoveRecord(index, low);
  return low;
}

// ---- Order of the select ----------------------------------------------------------------------

void TFIBCustomDataSet::CheckOrderFields() {
  if (fOptions.Contains(poPersistentSorting) && fSorted) return;
  TOrderInfo order;
  TSQLParser parser(SelectSQL().Text());
  const std::vector<TOrderItem> items = parser.OrderItems();
  for (const TOrderItem& item : items) {
    const AnsiString expression = Trim(item.Expression);
    TField* field = nullptr;
    AnsiString name;
    if (!expression.empty() && std::all_of(expression.begin(), expression.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      const Integer position = StrToIntDef(expression, 0);
      field = position >= 1 && position <= FieldCount() ? Fields()[position - 1] : nullptr;
      name = field != nullptr ? field->FieldName() : AnsiString("NotPresented");
    } else {
      const std::size_t dot = expression.find('.');
      if (dot != AnsiString::npos) {
        const AnsiString prefix = expression.substr(0, dot);
        const AnsiString table = TableByAlias(SelectSQL().Text(), prefix);
        field = FindFieldByRelation(StoredIdentifier(table.empty() ? prefix : table),
                                    StoredIdentifier(expression.substr(dot + 1)));
      } else {
        field = LookupField(expression);
        // A column the select names under another alias.
        for (std::size_t i = 0; field == nullptr && i < static_cast<std::size_t>(FieldCount()); ++i) {
          TField* candidate = Fields()[static_cast<int>(i)];
          if (FindFieldByRelation(GetRelationTableName(candidate), StoredIdentifier(expression)) == candidate)
            field = candidate;
        }
      }
      if (field == nullptr) {
        if (fCacheModelOptions.CacheModelKind() == cmkLimitedBufferSize)
          FIBErrorText(SOrderFieldNotInSelect, {FullComponentName(this), expression});
        ClearOrderInfo();
        return;
      }
      name = field->FieldName();
    }
    order.push_back({name, !item.Descending});
  }
  SetOrderInfo(order, false);
}

// ---- Moving records ---------------------------------------------------------------------------

void TFIBCustomDataSet::CheckNotLimitedModel(const AnsiString& operation) const {
  if (LimitedModel()) DatabaseErrorFmt(SNotInLimitedModel, {operation}, this);
}

void TFIBCustomDataSet::MoveRecord(Integer from, Integer to) {
  CheckDatasetOpen(" move record ");
  CheckNotLimitedModel(" move record ");
  if (to > fFetchedCount) FetchAll();
  if (from < 1 || from > fFetchedCount || to < 1)
    DatabaseErrorFmt(SMoveRecordOutOfRange, {from, to, fFetchedCount}, this);
  to = std::min(to, fFetchedCount);
  Cache("move a record").MoveRecord(from - 1, to - 1);
  fFilteredOutPositions.clear();
  Resync({});
}

void TFIBCustomDataSet::SetRecNo(Integer value) {
  CheckBrowseMode();
  if (LimitedModel()) {
    if (value - 1 >= fWindow.First && value - 1 <= fWindow.Last && fWindow.First >= 0) MoveToRecord(value - 1);
    return;
  }
  Integer target = std::max(value, 1) - 1;
  if (value > fFetchedCount) {
    InternalLast();
    target = std::min(value, fFetchedCount) - 1;
  }
  // The physical number: a derived dataset may number only the records it shows.
  if (!Bof() && !Eof() && TFIBCustomDataSet::GetRecNo() == value) return;
  if (fFetchedCount == 0) return;
  DoBeforeScroll();
  CursorPosChanged();
  fCurrentRecord = target;
  Resync({rmCenter});
  DoAfterScroll();
}

}  // namespace ordvane
