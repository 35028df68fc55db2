// TFIBCustomDataSet's locate over the record cache: field values read straight from cached
// records, the match of a record against key values under the locate options, the
// sequential search that fetches as it goes and the binary search over sorted records.

#include <algorithm>
#include <cmath>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "classlib/db/DBConsts.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetScopes.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/FIBVariants.h"

namespace ordvane {

using namespace dbconsts;

namespace {

constexpr char SKeyValueCount[] = "Locate: %d key values for %d key fields.";
constexpr char SCachedRecordOutOfRange[] = "Can't read records %d to %d: %d are fetched.";
constexpr double FloatTolerance = 1e-11;
constexpr double MillisecondsPerDay = 86400000.0;

bool IsNull(const Variant& v) { return VarIsNull(v) || VarIsEmpty(v); }

bool IsTextField(const TField* field) {
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftMemo:
    case ftGuid:
      return true;
    default:
      return false;
  }
}

bool IsWideTextField(const TField* field) {
  return field->DataType() == ftWideString;
}

// One key field with its value made ready once for every record compared.
struct TLocateKey {
  TField* field = nullptr;
  Variant value;
  bool isNull = false;
  AnsiString text;
  WideString wideText;
  // Decimal places a BCD key is rounded to.
  Integer places = 0;
};

class TKeyMatcher {
 public:
  TKeyMatcher(std::vector<TLocateKey> keys, TExtLocateOptions options) : fKeys(std::move(keys)), fOptions(options) {}

  bool Matches(const std::vector<Variant>& values) const {
    for (std::size_t k = 0; k < fKeys.size(); ++k)
      if (!Matches(fKeys[k], values[k])) return false;
    return true;
  }

 private:
  bool CaseInsensitive() const { return fOptions.Contains(eloCaseInsensitive); }

  template <class S, class Upper, class Like, class Same>
  bool TextMatches(S value, const S& key, Upper upper, Like like, Same same) const {
    if (fOptions.Contains(eloWildCards)) return like(CaseInsensitive() ? upper(value) : value, key);
    if (fOptions.Contains(eloPartialKey)) return (CaseInsensitive() ? upper(value) : value).starts_with(key);
    if (CaseInsensitive()) return same(value, key);
    return value == key;
  }

  static Int64 Milliseconds(double dateTime) { return std::llround(dateTime * MillisecondsPerDay); }

  bool Matches(const TLocateKey& key, const Variant& value) const {
    if (key.isNull || IsNull(value)) return key.isNull && IsNull(value);
    const TField* field = key.field;
    if (IsTextField(field))
      return TextMatches<AnsiString>(value.AsString(), key.text, AnsiUpperCase, SqlLikeMatch, AnsiSameText);
    if (IsWideTextField(field))
      return TextMatches<WideString>(
          value.AsWideString(), key.wideText, WideUpperCase, WideSqlLikeMatch,
          [](const WideString& a, const WideString& b) { return WideUpperCase(a) == WideUpperCase(b); });
    switch (field->DataType()) {
      case ftFloat:
      case ftCurrency:
        return std::fabs(value.AsDouble() - key.value.AsDouble()) < FloatTolerance;
      case ftBCD:
      case ftFMTBcd: {
        const double scale = std::pow(10.0, key.places);
        return std::llround(value.AsDouble() * scale) == std::llround(key.value.AsDouble() * scale);
      }
      case ftDate:
      case ftTime:
      case ftDateTime:
      case ftTimeStamp:
        return Milliseconds(value.AsDouble()) == Milliseconds(key.value.AsDouble());
      case ftBoolean:
        return value.AsBoolean() == key.value.AsBoolean();
      default:
        return CompareVariantsTyped(value, key.value) == 0;
    }
  }

  std::vector<TLocateKey> fKeys;
  TExtLocateOptions fOptions;
};

// The key value in the field's type: upper-cased text when case does not count, a date's
// day, a time's moment of its day.
TLocateKey PrepareKey(TField* field, Integer places, const Variant& value, TExtLocateOptions options) {
  TLocateKey key;
  key.field = field;
  key.places = places;
  key.isNull = IsNull(value);
  if (key.isNull) return key;
  Variant converted = VarType(value) == varBoolean ? Variant(value.AsBoolean() ? 1 : 0) : value;
  const bool upper = options.Contains(eloCaseInsensitive) &&
                     (options.Contains(eloPartialKey) || options.Contains(eloWildCards));
  if (IsTextField(field)) {
    key.text = upper ? AnsiUpperCase(converted.AsString()) : converted.AsString();
  } else if (IsWideTextField(field)) {
    key.wideText = upper ? WideUpperCase(converted.AsWideString()) : converted.AsWideString();
  } else if (field->DataType() == ftDate) {
    key.value = std::floor(converted.AsDateTime());
  } else if (field->DataType() == ftTime) {
    const double moment = converted.AsDateTime();
    key.value = moment - std::floor(moment);
  } else if (field->DataType() == ftBoolean) {
    key.value = converted.AsBoolean();
  } else {
    key.value = converted;
  }
  return key;
}

TExtLocateOptions ExtendedOptions(TLocateOptions options) {
  TExtLocateOptions result;
  if (options.Contains(loCaseInsensitive)) result = result + TExtLocateOptions{eloCaseInsensitive};
  if (options.Contains(loPartialKey)) result = result + TExtLocateOptions{eloPartialKey};
  return result;
}

}  // namespace

// ---- Values of cached records ---------------------------------------------------------------

void TFIBCustomDataSet::ReadCachedValues(const std::vector<TField*>& fields, Integer first, Integer end,
                                         const std::function<void(Integer, std::vector<Variant>&)>& sink) {
  if (first > end || (first < end && (first < FirstCachedIndex() || end - 1 > LastCachedIndex())))
    DatabaseErrorFmt(SCachedRecordOutOfRange, {first + 1, end, fFetchedCount}, this);
  const bool calculated = std::ranges::any_of(fields, [](const TField* f) { return f->FieldNo() < 1; });
  // A read from within a sink (a visibility test that reads values) gets a record of its
  // own: the outer one is still in use.
  std::vector<Byte> nested;
  std::vector<Byte>& record = fRecordView == nullptr ? fViewRecord : nested;
  record.assign(static_cast<std::size_t>(fRecordBufferSize), 0);
  std::vector<Variant> values(fields.size());
  const TDataSetState saved = SetTempState(dsFilter);
  TRecordBuffer outerView = fRecordView;
  TRecordBuffer outerFilterRecord = fFilterRecord;
  fRecordView = record.data();
  // A record under the filter's test is not the one read here.
  fFilterRecord = nullptr;
  const TScopeEnd restore([this, saved, outerView, outerFilterRecord] {
    fRecordView = outerView;
    fFilterRecord = outerFilterRecord;
    RestoreState(saved);
  });
  for (Integer index = first; index < end; ++index) {
    ReadRecordCache(index, record.data(), false);
    if (calculated) GetCalcFields(record.data());
    for (std::size_t k = 0; k < fields.size(); ++k) values[k] = fields[k]->Value();
    sink(index, values);
  }
}

std::vector<Variant> TFIBCustomDataSet::CachedFieldValues(const std::vector<TField*>& fields, Integer recordIndex) {
  std::vector<Variant> result;
  ReadCachedValues(fields, recordIndex, recordIndex + 1,
                   [&result](Integer, std::vector<Variant>& values) { result = values; });
  return result;
}

bool TFIBCustomDataSet::GetCachedFieldData(TField* field, Integer recordIndex, const void*& data, bool& isString) {
  data = nullptr;
  isString = false;
  if (recordIndex < FirstCachedIndex() || recordIndex > LastCachedIndex())
    DatabaseErrorFmt(SCachedRecordOutOfRange, {recordIndex + 1, recordIndex + 1, fFetchedCount}, this);
  if (field->FieldNo() < 1) {
    fCachedDataRecord.assign(static_cast<std::size_t>(fRecordBufferSize), 0);
    ReadRecordCache(recordIndex, fCachedDataRecord.data(), false);
    GetCalcFields(fCachedDataRecord.data());
    const Byte* calc = fCachedDataRecord.data() + fCalcFieldsOffset + field->Offset();
    data = calc + 1;
    return calc[0] != 0;
  }
  const TFIBFieldDescr* descr = ColumnDescriptor(field);
  if (descr == nullptr) DatabaseErrorFmt(SFieldNotFound, {field->FieldName()}, this);
  TRecordsCache& cache = Cache("read a record");
  const Integer recordNo = CacheRecordNo(recordIndex);
  const Byte* stored = cache.GetRecordPtr(recordNo);
  if (stored[NullFlagsOffset - StatusOffset + field->FieldNo() - 1] != 0) return false;
  if (descr->IsStringSlot) {
    fCachedText = cache.GetStringValue(cache.GetPhysicalNo(recordNo) - 1, descr->StringSlot);
    data = &fCachedText;
    isString = true;
  } else {
    data = stored + descr->Offset - StatusOffset;
  }
  return true;
}

// ---- Locate ------------------------------------------------------------------------------------

void TFIBCustomDataSet::MoveToRecord(Integer index) {
  DoBeforeScroll();
  fCurrentRecord = index;
  Resync({rmExact, rmCenter});
  DoAfterScroll();
}

std::vector<Variant> TFIBCustomDataSet::KeyValueList(const Variant& keyValues, std::size_t fieldCount) {
  std::vector<Variant> values;
  if (VarIsArray(keyValues)) {
    for (Integer i = VarArrayLowBound(keyValues, 1); i <= VarArrayHighBound(keyValues, 1); ++i)
      values.push_back(VarArrayGet(keyValues, {i}));
  } else {
    values.push_back(keyValues);
  }
  CheckKeyValueCount(values.size(), fieldCount);
  return values;
}

Integer TFIBCustomDataSet::FirstCachedIndex() const {
  return LimitedModel() ? std::max(fWindow.First, 0) : 0;
}

Integer TFIBCustomDataSet::LastCachedIndex() const {
  return LimitedModel() ? fWindow.Last : fFetchedCount - 1;
}

void TFIBCustomDataSet::CheckKeyValueCount(std::size_t values, std::size_t fields) const {
  if (values != fields)
    DatabaseErrorFmt(SKeyValueCount, {static_cast<Integer>(values), static_cast<Integer>(fields)}, this);
}

bool TFIBCustomDataSet::Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckDatasetOpen(" locate ");
  const std::vector<Variant> values = KeyValueList(keyValues, GetFieldList(keyFields).size());
  if (LimitedModel()) return LocateOnServer(nullptr, keyFields, values, 0, ExtendedOptions(options));
  return InternalLocate(keyFields, values, ldFromFirst, false, ExtendedOptions(options));
}

bool TFIBCustomDataSet::OrderBeginsWith(const std::vector<TField*>& fields) const {
  if (fOrderInfo.size() < fields.size()) return false;
  for (std::size_t k = 0; k < fields.size(); ++k)
    if (!AnsiSameText(fOrderInfo[k].FieldName, fields[k]->FieldName())) return false;
  return true;
}

bool TFIBCustomDataSet::InternalLocate(const AnsiString& keyFields, const std::vector<Variant>& keyValues,
                                       TLocateDirection direction, bool fromCacheStart, TExtLocateOptions options) {
  CheckDatasetOpen(" locate ");
  if (State() == dsEdit || State() == dsInsert) Post();
  const std::vector<TField*> fields = GetFieldList(keyFields);
  CheckKeyValueCount(keyValues.size(), fields.size());
  if (fields.empty() || IsEmpty()) return false;
  // The limited model holds a window of the order only: nothing to bisect.
  const bool binary = options.Contains(eloInSortedDS) && OrderBeginsWith(fields) && !LimitedModel();
  std::vector<TLocateKey> keys;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    // A column's scale is negative; a field without a column reads 100.
    const Integer scale = GetFieldScale(fields[k]);
    keys.push_back(PrepareKey(fields[k], scale < 0 ? -scale : 0, keyValues[k], options));
  }
  const TKeyMatcher matcher(std::move(keys), options);
  const auto matches = [&matcher](const std::vector<Variant>& values) { return matcher.Matches(values); };
  const Integer current = ActiveRecordIndex();
  Integer found = -1;
  if (binary) {
    Integer nearest = 0;
    found = BinaryLocate(fields, keyValues, matches, nearest);
    if (found < 0 && options.Contains(eloNearest)) found = std::min(nearest, fFetchedCount - 1);
  } else {
    Integer start = FirstCachedIndex();
    if (!fromCacheStart && direction == ldForward) start = current + 1;
    if (!fromCacheStart && direction == ldBackward) start = current - 1;
    found = SequentialLocate(fields, matches, start, direction == ldBackward ? -1 : 1);
  }
  if (found < 0) return false;
  MoveToRecord(found);
  return true;
}

Integer TFIBCustomDataSet::SequentialLocate(const std::vector<TField*>& fields, const TRecordMatch& matches,
                                            Integer start, int step) {
  TSQLCursorScope cursor(fSQLScreenCursor);
  for (Integer index = start; index >= FirstCachedIndex(); index += step) {
    if (index > LastCachedIndex() && (step < 0 || LimitedModel() || FetchNext(1) == 0)) return -1;
    if (VisibleRecordMatches(fields, index, matches)) return index;
  }
  return -1;
}

bool TFIBCustomDataSet::VisibleRecordMatches(const std::vector<TField*>& fields, Integer index,
                                             const TRecordMatch& matches) {
  bool match = false;
  ReadCachedValues(fields, index, index + 1, [&](Integer, std::vector<Variant>& values) {
    match = RecordIsVisible(fRecordView) && matches(values);
  });
  return match;
}

// Bisection needs every record: a match may lie past the fetched ones. The first record
// not ordered before the keys is where a match stands, or where the keys would.
Integer TFIBCustomDataSet::BinaryLocate(const std::vector<TField*>& fields, const std::vector<Variant>& keyValues,
                                        const TRecordMatch& matches, Integer& nearest) {
  FetchAll();
  const std::vector<bool> ascending = OrderFlags();
  Integer low = 0, high = fFetchedCount;
  while (low < high) {
    const Integer middle = low + (high - low) / 2;
    if (CompareSortValues(fields, ascending, CachedFieldValues(fields, middle), keyValues) < 0)
      low = middle + 1;
    else
      high = middle;
  }
  nearest = low;
  for (Integer index = low; index < fFetchedCount; ++index) {
    bool visible = false, match = false;
    ReadCachedValues(fields, index, index + 1, [&](Integer, std::vector<Variant>& values) {
      visible = RecordIsVisible(fRecordView);
      match = visible && matches(values);
    });
    if (visible) return match ? index : -1;
  }
  return -1;
}

}  // namespace ordvane
