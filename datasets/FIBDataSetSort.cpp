// TFIBCustomDataSet's local sorting: the sort of the fetched records by fields, the order
// information it leaves, the re-placing of a posted record in a sorted dataset, the order
// of the select's ORDER BY at open, moving single records and the record-number setter.
// A sort permutes only the cache's map of logical to physical records.

#include <algorithm>
#include <bit>

#include "classlib/core/CodePages.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetScopes.h"
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
constexpr char SMoveRecordOutOfRange[] = "Can't move record %d to %d: the dataset holds records 1 to %d.";

// The sort values of records, read once: one typed column per field. The column kind is
// the one every non-null value shares (integers, floating values and dates, 8-bit or wide
// text); mixed values, and every value while a comparison handler is set, stay variants
// that the dataset's CompareFieldValues orders. Position Count() holds a pivot's copy.
class TSortKeys {
 public:
  TSortKeys(TFIBCustomDataSet& dataSet, std::vector<TField*> fields, std::vector<bool> ascending, Integer count)
      : fDataSet(dataSet), fCount(count) {
    fColumns.resize(fields.size());
    for (std::size_t k = 0; k < fields.size(); ++k) {
      fColumns[k].field = fields[k];
      fColumns[k].ascending = ascending[k];
      fColumns[k].variants.resize(static_cast<std::size_t>(count) + 1);
    }
  }

  void Set(Integer position, std::vector<Variant>& values) {
    for (std::size_t k = 0; k < fColumns.size(); ++k)
      fColumns[k].variants[static_cast<std::size_t>(position)] = std::move(values[k]);
  }

  // After every Set: the typed columns are made.
  void Seal(bool variantsOnly) {
    for (TColumn& column : fColumns) Seal(column, variantsOnly);
  }

  Integer Count() const { return fCount; }

  // The first field whose values differ decides; a descending field turns it round.
  int Compare(Integer a, Integer b) {
    for (TColumn& column : fColumns) {
      const int result = CompareIn(column, static_cast<std::size_t>(a), static_cast<std::size_t>(b));
      if (result != 0) return column.ascending ? result : -result;
    }
    return 0;
  }

  void Swap(Integer a, Integer b) {
    for (TColumn& column : fColumns) Swap(column, static_cast<std::size_t>(a), static_cast<std::size_t>(b));
  }

  void CopyToPivot(Integer from) {
    for (TColumn& column : fColumns) Copy(column, static_cast<std::size_t>(from), static_cast<std::size_t>(fCount));
  }

 private:
  enum class TKind { Integer, Float, Text, WideText, Variant };
  struct TColumn {
    TField* field = nullptr;
    bool ascending = true;
    TKind kind = TKind::Variant;
    std::vector<Variant> variants;
    std::vector<Byte> nulls;
    std::vector<Int64> integers;
    std::vector<double> floats;
    std::vector<AnsiString> texts;
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
    column.nulls.resize(size);
    switch (column.kind) {
      case TKind::Integer:
        column.integers.resize(size);
        break;
      case TKind::Float:
        column.floats.resize(size);
        break;
      case TKind::Text:
        column.texts.resize(size);
        break;
      default:
        column.wideTexts.resize(size);
        break;
    }
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
          column.texts[i] = v.AsString();
          break;
        default:
          column.wideTexts[i] = v.AsWideString();
          break;
      }
    }
    column.variants = {};
  }

  template <class T>
  static int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
  }

  // The rules of the default CompareFieldValues: nulls first and equal to each other, then
  // the typed comparison (texts by character code).
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
        return std::clamp(column.texts[a].compare(column.texts[b]), -1, 1);
      default:
        return std::clamp(column.wideTexts[a].compare(column.wideTexts[b]), -1, 1);
    }
  }

  template <class Op>
  static void Each(TColumn& column, Op&& op) {
    switch (column.kind) {
      case TKind::Variant:
        return op(column.variants);
      case TKind::Integer:
        op(column.integers);
        break;
      case TKind::Float:
        op(column.floats);
        break;
      case TKind::Text:
        op(column.texts);
        break;
      case TKind::WideText:
        op(column.wideTexts);
        break;
    }
    op(column.nulls);
  }

  static void Swap(TColumn& column, std::size_t a, std::size_t b) {
    Each(column, [a, b](auto& values) { std::swap(values[a], values[b]); });
  }

  static void Copy(TColumn& column, std::size_t from, std::size_t to) {
    Each(column, [from, to](auto& values) { values[to] = values[from]; });
  }

  TFIBCustomDataSet& fDataSet;
  Integer fCount;
  std::vector<TColumn> fColumns;
};

// Orders positions 0 .. Count - 1 of the keys, every exchange also made in the cache's map.
// A quicksort on the middle record's values that recurses into the smaller part and loops
// over the larger, so its depth stays below log2 of the count; an order that keeps
// splitting badly (one built against the middle pivot) is finished by a heapsort of that
// part, so no order of the records makes the sort quadratic.
class TRecordSorter {
 public:
  TRecordSorter(TSortKeys& keys, TRecordsCache& cache) : fKeys(keys), fCache(cache) {}

  void Sort() {
    const Integer count = fKeys.Count();
    if (count > 1) QuickSort(0, count - 1, 2 * std::bit_width(static_cast<unsigned>(count)));
  }

 private:
  void Swap(Integer a, Integer b) {
    fCache.SwapRecords(a, b);
    fKeys.Swap(a, b);
  }

  void QuickSort(Integer left, Integer right, int budget) {
    const Integer pivot = fKeys.Count();
    while (left < right) {
      if (budget-- == 0) return HeapSort(left, right);
      fKeys.CopyToPivot(left + (right - left) / 2);
      Integer i = left, j = right;
      while (i <= j) {
        while (i <= right && fKeys.Compare(i, pivot) < 0) ++i;
        while (j >= left && fKeys.Compare(j, pivot) > 0) --j;
        if (i > j) break;
        if (i != j) Swap(i, j);
        ++i;
        --j;
      }
      if (j - left < right - i) {
        if (left < j) QuickSort(left, j, budget);
        left = i;
      } else {
        if (i < right) QuickSort(i, right, budget);
        right = j;
      }
    }
  }

  void HeapSort(Integer left, Integer right) {
    const Integer count = right - left + 1;
    for (Integer root = count / 2 - 1; root >= 0; --root) SiftDown(left, root, count);
    for (Integer end = count - 1; end > 0; --end) {
      Swap(left, left + end);
      SiftDown(left, 0, end);
    }
  }

  void SiftDown(Integer base, Integer root, Integer count) {
    for (;;) {
      Integer child = 2 * root + 1;
      if (child >= count) return;
      if (child + 1 < count && fKeys.Compare(base + child, base + child + 1) < 0) ++child;
      if (fKeys.Compare(base + root, base + child) >= 0) return;
      Swap(base + root, base + child);
      root = child;
    }
  }

  TSortKeys& fKeys;
  TRecordsCache& fCache;
};

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
    TOrderInfo order;
    for (std::size_t i = 0; i < fields.size(); ++i) order.push_back({fields[i]->FieldName(), ascending[i]});
    SetOrderInfo(order, true);
    if (fFetchedCount > 1) {
      const TBookmarkStr bookmark = Bookmark();
      TSortKeys keys(*this, fields, {ascending.begin(), ascending.begin() + std::ptrdiff_t(fields.size())},
                     fFetchedCount);
      ReadCachedValues(fields, 0, fFetchedCount, [&keys](Integer index, std::vector<Variant>& values) {
        keys.Set(index, values);
      });
      keys.Seal(static_cast<bool>(OnCompareFieldValues));
      TRecordSorter(keys, Cache("sort")).Sort();
      if (!bookmark.empty()) GotoBookmark(bookmark);
    }
  }
  // The filtered-out record numbers counted the records in their former order.
  fFilteredOutPositions.clear();
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
      if (dot != AnsiString::npos)
        field = FindFieldByRelation(expression.substr(0, dot), expression.substr(dot + 1));
      else
        field = LookupField(expression);
      if (field == nullptr && dot == AnsiString::npos) field = FindFieldByRelation("", expression);
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

void TFIBCustomDataSet::MoveRecord(Integer from, Integer to) {
  CheckDatasetOpen(" move record ");
  if (to > fFetchedCount) FetchAll();
  if (from < 1 || from > fFetchedCount || to < 1)
    DatabaseErrorFmt(SMoveRecordOutOfRange, {from, to, fFetchedCount}, this);
  to = std::min(to, fFetchedCount);
  Cache("move a record").MoveRecord(from - 1, to - 1);
  Resync({});
}

void TFIBCustomDataSet::SetRecNo(Integer value) {
  CheckBrowseMode();
  Integer target = std::max(value, 1) - 1;
  if (value > fFetchedCount) {
    InternalLast();
    target = std::min(value, fFetchedCount) - 1;
  }
  if (!Bof() && !Eof() && RecNo() == value) return;
  if (fFetchedCount == 0) return;
  DoBeforeScroll();
  CursorPosChanged();
  fCurrentRecord = target;
  Resync({rmCenter});
  DoAfterScroll();
}

}  // namespace ordvane
