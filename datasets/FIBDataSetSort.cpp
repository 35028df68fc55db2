// TFIBCustomDataSet's local sorting: the sort of the fetched records by fields, the order
// information it leaves, the re-placing of a posted record in a sorted dataset, the order
// of the select's ORDER BY at open, moving single records and the record-number setter.
// A sort permutes only the cache's map of logical to physical records.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

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

// How a sort value is held: the kind every non-null value of a column shares (integers,
// floating values and dates, 8-bit or wide text), or variants that the dataset's
// CompareFieldValues orders.
enum class TSortKind { Integer, Float, Text, WideText, Variant };

// The keys of the leading sort fields, one byte string per record, whose byte order (where
// one string is the beginning of the other, the shorter first) is the order of the values:
// nulls first, numbers as big-endian numbers turned so that unsigned order is theirs,
// texts by character code, a descending field's bytes inverted. No value's bytes begin
// another's, so records whose strings agree as far as one of them goes are equal.
class TSortKeyBytes {
 public:
  TSortKeyBytes(std::size_t count, std::size_t bytesEach) {
    fStarts.reserve(count + 1);
    fStarts.push_back(0);
    Room(count * bytesEach);
  }

  // A record's key: each field's value between BeginField and EndField, then EndKey.
  void BeginField() { fFieldStart = fSize; }
  void EndField(bool ascending) {
    if (ascending) return;
    for (std::size_t i = fFieldStart; i < fSize; ++i) fBytes[i] = static_cast<Byte>(~fBytes[i]);
  }
  void EndKey() {
    fLongest = std::max(fLongest, fSize - fStarts.back());
    fStarts.push_back(fSize);
  }
  // After the last key: Chunk reads eight bytes wherever a key goes on.
  void Finish() { std::memset(Room(kChunk), 0, kChunk); }

  // A null is 00, below every value: a number's bytes begin with 01, a text's with 01 (its
  // end) or above.
  void AddNull() {
    *Room(1) = 0;
    ++fSize;
  }
  // width: the bytes the column's values fit in.
  void AddInteger(Int64 value, std::size_t width) {
    const std::uint64_t turned = static_cast<std::uint64_t>(value) ^ (std::uint64_t{1} << (8 * width - 1));
    AddNumber(turned << (64 - 8 * width), width);
  }
  // A negative zero is zero, and every NaN one value above all numbers.
  void AddFloat(double value) {
    if (value == 0) value = 0;
    if (std::isnan(value)) value = std::numeric_limits<double>::quiet_NaN();
    const auto bits = std::bit_cast<std::uint64_t>(value);
    AddNumber((bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63), 8);
  }
  // 01 ends a text: it sorts below every character a longer text goes on with, which is
  // why the characters 00, 01 and 02 are written 02 00, 02 01 and 02 02.
  void AddText(std::string_view text) {
    Byte* at = Room(2 * text.size() + 1);
    for (const char c : text) {
      const auto byte = static_cast<Byte>(c);
      if (byte <= kEscape) *at++ = kEscape;
      *at++ = byte;
    }
    *at++ = 1;
    fSize = static_cast<std::size_t>(at - fBytes.get());
  }

  std::size_t Length(std::size_t key) const { return fStarts[key + 1] - fStarts[key]; }
  std::size_t Longest() const { return fLongest; }
  static constexpr std::size_t kChunk = 8;
  // Bytes offset .. offset + 7 of a key as a big-endian number, zeros past its end.
  std::uint64_t Chunk(std::size_t key, std::size_t offset) const {
    const std::size_t begin = fStarts[key] + offset, end = fStarts[key + 1];
    if (begin >= end) return 0;
    const Byte* at = fBytes.get() + begin;
    std::uint64_t chunk = 0;
    for (std::size_t i = 0; i < kChunk; ++i) chunk = (chunk << 8) | at[i];
    const std::size_t length = end - begin;
    return length >= kChunk ? chunk : chunk & ~(~std::uint64_t{0} >> (8 * length));
  }

 private:
  static constexpr Byte kEscape = 2;

  // The top width bytes of number, first to last.
  void AddNumber(std::uint64_t number, std::size_t width) {
    Byte* at = Room(1 + width);
    *at++ = 1;
    for (std::size_t i = 0; i < width; ++i, number <<= 8) *at++ = static_cast<Byte>(number >> 56);
    fSize = static_cast<std::size_t>(at - fBytes.get());
  }

  // Where size more bytes go, with room for a chunk's read past them.
  Byte* Room(std::size_t size) {
    const std::size_t needed = fSize + size + kChunk;
    if (needed > fCapacity) {
      const std::size_t capacity = std::max(needed, 2 * fCapacity);
      auto bytes = std::make_unique_for_overwrite<Byte[]>(capacity);
      if (fSize > 0) std::memcpy(bytes.get(), fBytes.get(), fSize);
      fBytes = std::move(bytes);
      fCapacity = capacity;
    }
    return fBytes.get() + fSize;
  }

  std::unique_ptr<Byte[]> fBytes;
  std::size_t fSize = 0, fCapacity = 0, fFieldStart = 0, fLongest = 0;
  std::vector<std::size_t> fStarts;  // of every key, and the end of the last
};

// The sort values of records, read once. The leading fields whose values order by their
// bytes go into key bytes; the others into one typed column each, of the kind every
// non-null value shares (variants when they mix, and every value while a comparison
// handler is set). A text read from the cache stays there: the column holds where its
// characters lie.
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

  using TKind = TSortKind;

  // Column k is read from the records, not through variants.
  void SetDirect(std::size_t k, TKind kind) {
    fColumns[k].direct = true;
    fColumns[k].kind = kind;
  }
  // Column k holds single or double values, which the dataset's comparison takes as equal
  // when they are closer than its tolerance.
  void SetTolerant(std::size_t k) { fColumns[k].tolerant = true; }
  bool Tolerant(std::size_t k) const { return fColumns[k].tolerant; }
  // After a direct tolerant column is filled: its values the comparison cannot tell apart
  // become one.
  void MergeCloseValues(std::size_t k) { MergeCloseFloats(fColumns[k]); }
  // A direct column compared column-wise: its values go in by the typed setters below.
  void AllocateDirect(std::size_t k) { Allocate(fColumns[k], static_cast<std::size_t>(fCount)); }
  void SetNull(std::size_t k, Integer index) { fColumns[k].nulls[static_cast<std::size_t>(index)] = 1; }
  void SetInteger(std::size_t k, Integer index, Int64 value) {
    fColumns[k].integers[static_cast<std::size_t>(index)] = value;
  }
  void SetFloat(std::size_t k, Integer index, double value) {
    fColumns[k].floats[static_cast<std::size_t>(index)] = value;
  }
  // value's characters must outlive the keys.
  void SetText(std::size_t k, Integer index, std::string_view value) {
    fColumns[k].views[static_cast<std::size_t>(index)] = value;
  }

  // The values of the columns not read directly, in column order.
  void Set(Integer index, std::vector<Variant>& values) {
    std::size_t next = 0;
    for (TColumn& column : fColumns) {
      if (column.direct) continue;
      if (column.variants.empty()) column.variants.resize(static_cast<std::size_t>(fCount));
      column.variants[static_cast<std::size_t>(index)] = std::move(values[next++]);
    }
  }

  // After every Set: the typed columns are made.
  void Seal(bool variantsOnly) {
    for (TColumn& column : fColumns)
      if (!column.direct) Seal(column, variantsOnly);
  }

  // After Seal: how many leading fields can go into key bytes.
  std::size_t EncodableFields() const {
    const auto stop = std::find_if(fColumns.begin(), fColumns.end(), [](const TColumn& column) {
      return column.kind != TKind::Integer && column.kind != TKind::Float && column.kind != TKind::Text;
    });
    return static_cast<std::size_t>(stop - fColumns.begin());
  }
  // The first fields go into key bytes, the others are compared column-wise.
  TSortKeyBytes& EncodeFields(std::size_t fields) {
    fEncoded = fields;
    std::size_t bytesEach = 0;
    for (std::size_t k = 0; k < fields; ++k) bytesEach += fColumns[k].kind == TKind::Text ? 16 : 1 + sizeof(Int64);
    fBytes.emplace(static_cast<std::size_t>(fCount), bytesEach);
    return *fBytes;
  }
  const TSortKeyBytes& Bytes() const { return *fBytes; }
  bool ComparesColumns() const { return fEncoded < fColumns.size(); }
  bool Ascending(std::size_t k) const { return fColumns[k].ascending; }

  // A sealed column's value in key bytes.
  void Encode(std::size_t k, Integer index, TSortKeyBytes& bytes) const {
    const TColumn& column = fColumns[k];
    const auto x = static_cast<std::size_t>(index);
    if (column.nulls[x] != 0) return bytes.AddNull();
    switch (column.kind) {
      case TKind::Integer:
        return bytes.AddInteger(column.integers[x], sizeof(Int64));
      case TKind::Float:
        return bytes.AddFloat(column.floats[x]);
      default:
        return bytes.AddText(column.views[x]);
    }
  }

  Integer Count() const { return fCount; }

  // Where the keys of the record at a position lie: by default at that position.
  void SetKeyIndexes(std::vector<Integer> keyOfPosition) {
    fPositionOfKey.resize(keyOfPosition.size());
    for (std::size_t position = 0; position < keyOfPosition.size(); ++position)
      fPositionOfKey[static_cast<std::size_t>(keyOfPosition[position])] = static_cast<Integer>(position);
    fKeyOfPosition = std::move(keyOfPosition);
  }
  Integer KeyOf(Integer position) const {
    return fKeyOfPosition.empty() ? position : fKeyOfPosition[static_cast<std::size_t>(position)];
  }
  Integer PositionOf(Integer key) const {
    return fPositionOfKey.empty() ? key : fPositionOfKey[static_cast<std::size_t>(key)];
  }

  // By the fields after the encoded ones: the first whose values differ decides; a
  // descending field turns it round.
  int Compare(Integer a, Integer b) {
    const auto x = static_cast<std::size_t>(a), y = static_cast<std::size_t>(b);
    for (std::size_t k = fEncoded; k < fColumns.size(); ++k) {
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
    bool tolerant = false;
    TKind kind = TKind::Variant;
    std::vector<Variant> variants;
    std::vector<Byte> nulls;
    std::vector<Int64> integers;
    std::vector<double> floats;
    std::vector<AnsiString> texts;  // the texts read through the fields, which views point into
    std::vector<std::string_view> views;
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
    // Dates and moments compare exactly; singles and doubles within the tolerance.
    const auto first = std::find_if(column.variants.begin(), column.variants.end(),
                                    [](const Variant& v) { return !IsNull(v); });
    const TVarType firstType = static_cast<TVarType>(VarType(*first) & varTypeMask);
    column.tolerant = column.kind == TKind::Float && (firstType == varSingle || firstType == varDouble);
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
          break;
        default:
          column.wideTexts[i] = v.AsWideString();
          break;
      }
    }
    column.variants = {};
    if (column.tolerant) MergeCloseFloats(column);
  }

  // The dataset's comparison takes two floating values within its tolerance as equal,
  // which is no order by itself: a, b and c may each be close to the next while a and c
  // are not. Values are therefore taken in runs, each close to the one before; every value
  // of a run becomes its smallest, and the exact order of what is left is the comparison's
  // wherever no run is wider than the tolerance. Columns without close values are left as
  // they are, after one sort of their values. Closeness is asked of the comparison itself,
  // so that values just at the tolerance are close to both alike.
  static void MergeCloseFloats(TColumn& column) {
    std::vector<double> sorted;
    sorted.reserve(column.floats.size());
    for (std::size_t i = 0; i < column.floats.size(); ++i)
      if (column.nulls[i] == 0 && !std::isnan(column.floats[i])) sorted.push_back(column.floats[i]);
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const auto close = [](double a, double b) { return CompareVariantsTyped(Variant(a), Variant(b)) == 0; };
    if (std::adjacent_find(sorted.begin(), sorted.end(), close) == sorted.end()) return;
    std::vector<double> runStart(sorted.size());
    for (std::size_t i = 0; i < sorted.size(); ++i)
      runStart[i] = i > 0 && close(sorted[i - 1], sorted[i]) ? runStart[i - 1] : sorted[i];
    for (std::size_t i = 0; i < column.floats.size(); ++i) {
      if (column.nulls[i] != 0 || std::isnan(column.floats[i])) continue;
      const auto at = std::lower_bound(sorted.begin(), sorted.end(), column.floats[i]);
      column.floats[i] = runStart[static_cast<std::size_t>(at - sorted.begin())];
    }
  }

  template <class T>
  static int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
  }

  // The order the key bytes give floating values: NaNs equal to each other, after all numbers.
  static int OrderFloats(double a, double b) {
    const bool nanA = std::isnan(a), nanB = std::isnan(b);
    if (nanA || nanB) return nanA == nanB ? 0 : (nanA ? 1 : -1);
    return Order(a, b);
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
        return OrderFloats(column.floats[a], column.floats[b]);
      case TKind::Text:
        return column.views[a].compare(column.views[b]);
      default:
        return column.wideTexts[a].compare(column.wideTexts[b]);
    }
  }

  TFIBCustomDataSet& fDataSet;
  Integer fCount;
  std::vector<TColumn> fColumns;
  std::size_t fEncoded = 0;
  std::optional<TSortKeyBytes> fBytes;
  std::vector<Integer> fKeyOfPosition, fPositionOfKey;
};

namespace {

// Where a field's value lies in a cached record, for the fields read straight from it.
struct TStoredField {
  TSortKind kind;
  Integer sqlType;
  bool shownAsDouble;  // a scaled 64-bit column whose field shows it as a double
  Integer scale;
  bool trimBlanks;    // a text's trailing blanks, which its field does not show
  Integer nullFlag;
  Integer valueOffset;
  Integer stringSlot;
};

// Values whose order the record's bytes give without a detour through the field: integers
// (scaled ones too: one column has one scale), day numbers and moments, floating values,
// and 8-bit text held in a string slot where the field shows the very bytes the record
// holds (textAsStored: not on a connection whose text the field decodes, as UTF-8 or KOI8).
std::optional<TSortKind> DirectKind(const TField* field, const TFIBFieldDescr& descr, bool shownAsDouble,
                                    bool textAsStored) {
  if (field->FieldKind() != fkData || field->DataType() == ftBoolean) return std::nullopt;
  switch (descr.SQLType) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
      return TSortKind::Integer;
    case SQL_INT64:
      return shownAsDouble ? TSortKind::Float : TSortKind::Integer;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
    case SQL_TIMESTAMP:
      return TSortKind::Float;
    case SQL_TEXT:
    case SQL_VARYING:
      if (descr.IsStringSlot && descr.CharKind == ckAnsi && !descr.IsBinary && textAsStored &&
          field->DataType() == ftString)
        return TSortKind::Text;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// The columns the dataset's comparison compares within its tolerance.
bool IsSingleOrDouble(const TFIBFieldDescr& descr, bool shownAsDouble) {
  switch (descr.SQLType) {
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return true;
    case SQL_INT64:
      return shownAsDouble;
    default:
      return false;
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

// The field's value in the cached record at stored index, handed to sink (key bytes, or a
// column of the keys) as its kind.
template <class TSink>
void ReadStored(const TStoredField& field, TRecordsCache& cache, Integer index, const Byte* stored, TSink&& sink) {
  if (stored[field.nullFlag] != 0) return sink.AddNull();
  const Byte* place = stored + field.valueOffset;
  switch (field.sqlType) {
    case SQL_SHORT:
      return sink.AddInteger(StoredValue<SmallInt>(place), sizeof(SmallInt));
    case SQL_LONG:
    case SQL_TYPE_DATE:
      return sink.AddInteger(StoredValue<Integer>(place), sizeof(Integer));
    // Times and moments as their fields show them, to the millisecond: the record keeps a
    // tenth more, which the field's comparison does not see.
    case SQL_TYPE_TIME:
      return sink.AddInteger(StoredValue<ISC_TIME>(place) / 10, sizeof(Integer));
    case SQL_TIMESTAMP:
      return sink.AddFloat(std::floor(StoredValue<double>(place)));
    case SQL_INT64:
      // As the field shows it, so that the order is the one its comparison gives.
      if (field.shownAsDouble) return sink.AddFloat(ScaledToDouble(StoredValue<Int64>(place), field.scale));
      return sink.AddInteger(StoredValue<Int64>(place), sizeof(Int64));
    case SQL_FLOAT:
      return sink.AddFloat(StoredValue<float>(place));
    case SQL_TEXT:
    case SQL_VARYING:
    {
      std::string_view text = cache.GetStringView(index, field.stringSlot);
      if (field.trimBlanks)
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
      return sink.AddText(text);
    }
    default:
      return sink.AddFloat(StoredValue<double>(place));
  }
}

// Column k of the keys at one index, as ReadStored's sink.
struct TColumnSink {
  TSortKeys& keys;
  std::size_t k;
  Integer index;
  void AddNull() { keys.SetNull(k, index); }
  void AddInteger(Int64 value, std::size_t) { keys.SetInteger(k, index, value); }
  void AddFloat(double value) { keys.SetFloat(k, index, value); }
  void AddText(std::string_view value) { keys.SetText(k, index, value); }
};

// A position, where its key lies, and Width chunks of the key's bytes from the offset the
// sort has reached.
template <std::size_t Width>
struct TSortEntry {
  std::array<std::uint64_t, Width> chunks;
  Integer key;
  Integer position;
};

template <std::size_t Width>
bool ChunksBefore(const TSortEntry<Width>& a, const TSortEntry<Width>& b) {
  for (std::size_t i = 0; i < Width; ++i)
    if (a.chunks[i] != b.chunks[i]) return a.chunks[i] < b.chunks[i];
  return a.position < b.position;
}

// The positions 0 .. Count - 1 of the keys in their order, equal keys in the order they had.
// All entries are ordered by the first Width chunks of their key bytes, then each run that
// shares them by the next ones, and so on; runs whose keys are equal to their ends are
// ordered by the columns compared column-wise, if any, with a merging sort, which keeps
// their order and stays within its range whatever a handler answers. Only entries move.
template <std::size_t Width>
std::vector<Integer> SortEntries(TSortKeys& keys) {
  using TEntry = TSortEntry<Width>;
  constexpr std::size_t span = Width * TSortKeyBytes::kChunk;
  const TSortKeyBytes& bytes = keys.Bytes();
  const auto count = static_cast<std::size_t>(keys.Count());
  // In the order the keys lie, so that the first chunks are read from one end to the other.
  std::vector<TEntry> entries(count);
  for (std::size_t key = 0; key < count; ++key) {
    const auto index = static_cast<Integer>(key);
    entries[key] = {{}, index, keys.PositionOf(index)};
  }
  // Entries equal in their keys' bytes before offset, whose order is still to be found.
  struct TRun {
    std::size_t first, last, offset;
  };
  std::vector<TRun> runs{{0, count, 0}};
  while (!runs.empty()) {
    const TRun run = runs.back();
    runs.pop_back();
    const auto first = entries.begin() + std::ptrdiff_t(run.first), last = entries.begin() + std::ptrdiff_t(run.last);
    // Past the first pass a run is in the order of the positions already.
    if (run.offset > 0 &&
        (run.offset >= bytes.Longest() || bytes.Length(static_cast<std::size_t>(first->key)) <= run.offset)) {
      if (keys.ComparesColumns())
        std::stable_sort(first, last, [&keys](const TEntry& a, const TEntry& b) { return keys.Compare(a.key, b.key) < 0; });
      continue;
    }
    for (auto entry = first; entry != last; ++entry)
      for (std::size_t i = 0; i < Width; ++i)
        entry->chunks[i] = bytes.Chunk(static_cast<std::size_t>(entry->key), run.offset + i * TSortKeyBytes::kChunk);
    std::sort(first, last, ChunksBefore<Width>);
    for (auto from = first; from != last;) {
      const auto to = std::find_if(from + 1, last, [&from](const TEntry& entry) { return entry.chunks != from->chunks; });
      if (to - from > 1)
        runs.push_back({static_cast<std::size_t>(from - entries.begin()), static_cast<std::size_t>(to - entries.begin()),
                        run.offset + span});
      from = to;
    }
  }
  std::vector<Integer> order(count);
  std::transform(entries.begin(), entries.end(), order.begin(), [](const TEntry& entry) { return entry.position; });
  return order;
}

// Entries as wide as the longest key, up to three chunks: most keys are then ordered without
// reading their bytes again.
std::vector<Integer> SortedPositions(TSortKeys& keys) {
  const std::size_t chunks = (keys.Bytes().Longest() + TSortKeyBytes::kChunk - 1) / TSortKeyBytes::kChunk;
  if (chunks <= 1) return SortEntries<1>(keys);
  if (chunks == 2) return SortEntries<2>(keys);
  return SortEntries<3>(keys);
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
// are read straight from the cached records where their bytes give the order. The leading
// fields that order by bytes go into key bytes, one record after the other.
void TFIBCustomDataSet::ReadSortKeys(const std::vector<TField*>& fields, TSortKeys& keys) {
  const bool handler = ComparesFieldValuesItself();
  TRecordsCache& cache = Cache("sort");
  // A sorted cache's positions jump about its memory. When the fetched records are all the
  // cache holds, their keys are read in the order the records lie instead, and each
  // position finds its own through the map.
  const bool inStoredOrder = cache.RecordCount() == fFetchedCount && CacheRecordNo(fFetchedCount - 1) == fFetchedCount;
  std::vector<Integer> storedIndexOf(static_cast<std::size_t>(fFetchedCount));
  for (Integer index = 0; index < fFetchedCount; ++index)
    storedIndexOf[static_cast<std::size_t>(index)] = cache.GetPhysicalNo(CacheRecordNo(index)) - 1;
  const auto storedIndex = [&](Integer index) {
    return inStoredOrder ? index : storedIndexOf[static_cast<std::size_t>(index)];
  };
  if (inStoredOrder) keys.SetKeyIndexes(storedIndexOf);
  std::vector<std::optional<TStoredField>> stored(fields.size());
  std::vector<TField*> throughFields;
  const bool textAsStored = !fDatabaseUnicode && !(Database() != nullptr && Database()->IsKOI8CharSet());
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const TFIBFieldDescr* descr = fields[k]->FieldKind() == fkData ? ColumnDescriptor(fields[k]) : nullptr;
    const bool shownAsDouble = descr != nullptr && descr->SQLType == SQL_INT64 && fields[k]->DataType() == ftFloat;
    const std::optional<TSortKind> kind =
        handler || descr == nullptr ? std::nullopt : DirectKind(fields[k], *descr, shownAsDouble, textAsStored);
    if (!kind) {
      throughFields.push_back(fields[k]);
      continue;
    }
    keys.SetDirect(k, *kind);
    if (IsSingleOrDouble(*descr, shownAsDouble)) keys.SetTolerant(k);
    stored[k] = TStoredField{*kind,
                             descr->SQLType,
                             shownAsDouble,
                             descr->Scale,
                             fOptions.Contains(poTrimCharFields),
                             NullFlagsOffset - StatusOffset + fields[k]->FieldNo() - 1,
                             descr->Offset - StatusOffset,
                             descr->StringSlot};
  }
  if (!throughFields.empty())
    ReadCachedValues(throughFields, 0, fFetchedCount,
                     [&keys](Integer index, std::vector<Variant>& values) { keys.Set(keys.KeyOf(index), values); });
  keys.Seal(handler);
  const std::size_t encoded = keys.EncodableFields();
  // Compared column-wise, or floating values that must be seen together before their bytes
  // can be written: read into the keys' columns first.
  std::vector<bool> inColumn(fields.size());
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (!stored[k] || (k < encoded && !keys.Tolerant(k))) continue;
    inColumn[k] = true;
    keys.AllocateDirect(k);
    for (Integer index = 0; index < fFetchedCount; ++index) {
      Byte* record = nullptr;
      cache.GetFixedDataPtr(storedIndex(index), 0, record);
      ReadStored(*stored[k], cache, storedIndex(index), record, TColumnSink{keys, k, index});
    }
    if (keys.Tolerant(k)) keys.MergeCloseValues(k);
  }
  TSortKeyBytes& bytes = keys.EncodeFields(encoded);
  bool readsRecords = false;
  for (std::size_t k = 0; k < encoded; ++k) readsRecords = readsRecords || (stored[k] && !inColumn[k]);
  for (Integer index = 0; index < fFetchedCount; ++index) {
    Byte* record = nullptr;
    if (readsRecords) cache.GetFixedDataPtr(storedIndex(index), 0, record);
    for (std::size_t k = 0; k < encoded; ++k) {
      bytes.BeginField();
      if (stored[k] && !inColumn[k])
        ReadStored(*stored[k], cache, storedIndex(index), record, bytes);
      else
        keys.Encode(k, index, bytes);
      bytes.EndField(keys.Ascending(k));
    }
    bytes.EndKey();
  }
  bytes.Finish();
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
