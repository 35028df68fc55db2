// TFIBCustomDataSet's client filter: the filter parser built from Filter and FilterOptions,
// and the record numbers the visibility test rejected; the lookup of values by keys.

#include <algorithm>

#include "classlib/core/SeparatedLists.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetScopes.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

std::unique_ptr<TExpressionParser> TFIBCustomDataSet::BuildFilterParser(const AnsiString& text, TFilterOptions options) {
  const AnsiString trimmed = FastTrim(text);
  if (trimmed.empty()) return nullptr;
  // Calculated fields are admitted: the visibility test computes them for the record it tests.
  return std::make_unique<TExpressionParser>(this, trimmed, SqlLikeMatch, StrToDateTimeFmt, options,
                                             TExprParserOptions{epoAdmitCalculatedFields});
}

void TFIBCustomDataSet::ChangeFilter(const AnsiString& text, TFilterOptions options) {
  std::unique_ptr<TExpressionParser> parser;
  bool replace = true;
  if (Active()) {
    CheckBrowseMode();
    const bool current = fFilterParser != nullptr && fFilterParser->FilterText() == FastTrim(text) &&
                         fFilterParser->Options() == options;
    // Built before anything changes, so that a text that does not parse changes nothing.
    if (current)
      replace = false;
    else
      parser = BuildFilterParser(text, options);
  }
  if (options != FilterOptions()) TDataSet::SetFilterOptions(options);
  TDataSet::SetFilterText(text);
  if (replace) fFilterParser = std::move(parser);
  fFilteredOutPositions.clear();
  if (Active() && Filtered()) First();
}

void TFIBCustomDataSet::SetFilterText(const AnsiString& text) { ChangeFilter(text, FilterOptions()); }

void TFIBCustomDataSet::SetFilterOptions(TFilterOptions options) { ChangeFilter(Filter(), options); }

void TFIBCustomDataSet::SetFiltered(bool value) {
  fFilteredOutPositions.clear();
  if (Active()) CheckBrowseMode();
  TDataSet::SetFiltered(value);
  if (Active()) First();
}

void TFIBCustomDataSet::SetFilteredOut(Integer recordNo, bool filteredOut) {
  auto& positions = fFilteredOutPositions;
  // Records are mostly tested in ascending order: the end is the usual place.
  const auto at = !positions.empty() && positions.back() < recordNo
                      ? positions.end()
                      : std::lower_bound(positions.begin(), positions.end(), recordNo);
  const bool listed = at != positions.end() && *at == recordNo;
  if (filteredOut && !listed)
    positions.insert(at, recordNo);
  else if (!filteredOut && listed)
    positions.erase(at);
}

Variant TFIBCustomDataSet::Lookup(const AnsiString& keyFields, const Variant& keyValues,
                                  const AnsiString& resultFields) {
  if (FastTrim(resultFields).empty()) return Variant();
  CheckDatasetOpen(" lookup ");
  const std::vector<Variant> values = KeyValueList(keyValues, GetFieldList(keyFields).size());
  const TBookmarkStr start = Bookmark();
  TControlsScope controls(*this);
  DisableScrollEvents();
  const TScopeEnd scrollEvents([this] { EnableScrollEvents(); });
  if (InternalLocate(keyFields, values, ldFromFirst, false, {})) {
    Variant result = FieldValues(resultFields);
    GotoBookmark(start);
    return result;
  }
  // The window holds a part of the result only: the rest is asked of the server.
  return LimitedModel() ? LookupOnServer(keyFields, values, resultFields) : Variant();
}

Variant TFIBCustomDataSet::LookupOnServer(const AnsiString& keyFields, const std::vector<Variant>& keyValues,
                                          const AnsiString& resultFields) {
  TFIBQuery lookup(nullptr);
  lookup.SetName("QLookUp");
  lookup.SetGoToFirstRecordOnExecute(false);
  if (!LocateOnServer(&lookup, keyFields, keyValues, 0, {})) return Variant();
  std::vector<Variant> values;
  for (const AnsiString& name : SplitList(resultFields, ';', true, TEmptyItems::Drop))
    values.push_back(lookup.FieldByName(name).GetAsVariant());
  return values.size() == 1 ? values.front() : VarArrayOf(values);
}

}  // namespace ordvane
