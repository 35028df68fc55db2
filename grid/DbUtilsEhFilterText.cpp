// DbUtilsEh: the filter builders (local and SQL conditions, one column, the whole grid)
// and the rewriting of a dataset's select text at its marker line and ORDER BY line.

#include <algorithm>
#include <functional>

#include "classlib/core/DateFormat.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/PublishedProps.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/StringLists.h"
#include "classlib/core/SysUtils.h"
#include "classlib/db/DataSet.h"
#include "classlib/db/FilterEval.h"
#include "grid/DBGridEh.h"
#include "grid/DbUtilsEh.h"

namespace ordvane {

namespace {

const TFormatSettings& PeriodSettings() {
  static const TFormatSettings settings = [] {
    TFormatSettings s;
    s.DecimalSeparator = '.';
    return s;
  }();
  return settings;
}

// A text literal; every apostrophe inside is doubled, as both filter syntaxes read ''.
AnsiString Quoted(const AnsiString& text) {
  AnsiString out = "'";
  for (const char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

bool IsDateValue(const Variant& v) {
  return (VarType(v) & varTypeMask) == varDate;
}
bool IsFloatValue(const Variant& v) {
  return (VarType(v) & varTypeMask) == varDouble;
}

// Numbers are written as the dataset's filter parser reads them: '.' and no exponent.
AnsiString LocalNumberText(double value) {
  const AnsiString general = FloatToStr(value, PeriodSettings());
  if (general.find('E') == AnsiString::npos) return general;
  return FormatFloat("0." + AnsiString(30, '#'), value, PeriodSettings());
}

AnsiString LocalValueText(const Variant& v, TDataSet* dataSet,
                          const TDateValueToSQLStringProcEh& dateToText) {
  if (IsFloatValue(v)) return LocalNumberText(v.AsDouble());
  if (IsDateValue(v)) return dateToText ? dateToText(dataSet, v) : Quoted(DateTimeToStr(v.AsDateTime()));
  return Quoted(VarToStr(v));
}

AnsiString SQLValueText(const Variant& v, TDataSet* dataSet, const TDateValueToSQLStringProcEh& dateToText) {
  if (IsFloatValue(v)) return FloatToStr(v.AsDouble(), PeriodSettings());
  if (IsDateValue(v)) return dateToText ? dateToText(dataSet, v) : Quoted(VarToStr(v));
  return Quoted(VarToStr(v));
}

// The elements of an IN list, or the single value.
std::vector<Variant> OperandItems(const Variant& operand) {
  if (!VarIsArray(operand)) return {operand};
  std::vector<Variant> items;
  for (Integer i = VarArrayLowBound(operand, 1); i <= VarArrayHighBound(operand, 1); ++i)
    items.push_back(VarArrayGet(operand, {i}));
  return items;
}

// The longest chain of conditions written without parentheses around parts of it: the
// dataset's filter parser refuses a tree deeper than some thousand levels, which a long
// chain of ORs is.
constexpr std::size_t kFlatChainItems = 256;
// The most values one IN list of a select may hold (the server refuses more).
constexpr std::size_t kSQLInListItems = 1500;

// The texts from `first` up to `last` joined by `separator`; a chain too long for the
// filter parser goes as two halves in parentheses, each written the same way, so that
// the nesting grows with the logarithm of the count.
AnsiString JoinNested(const std::vector<AnsiString>& texts, std::size_t first, std::size_t last,
                      const AnsiString& separator) {
  if (last - first > kFlatChainItems) {
    const std::size_t middle = first + (last - first) / 2;
    return "(" + JoinNested(texts, first, middle, separator) + ")" + separator + "(" +
           JoinNested(texts, middle, last, separator) + ")";
  }
  AnsiString out;
  for (std::size_t i = first; i < last; ++i) {
    if (i > first) out += separator;
    out += texts[i];
  }
  return out;
}

// The items written by `write`, joined by `separator` as JoinNested joins them.
template <class Write>
AnsiString JoinItems(const Variant& operand, const AnsiString& separator, Write write) {
  std::vector<AnsiString> texts;
  for (const Variant& item : OperandItems(operand)) texts.push_back(write(item));
  return JoinNested(texts, 0, texts.size(), separator);
}

// "name IN (...)" or "name NOT IN (...)"; a longer list than one IN may hold goes in
// lists of that size, any of which holds the value (none of which, for NOT IN).
AnsiString SQLInListText(bool notIn, const Variant& operand, const AnsiString& fieldName,
                         const std::function<AnsiString(const Variant&)>& value) {
  const std::vector<Variant> items = OperandItems(operand);
  const AnsiString test = " " + fieldName + (notIn ? " NOT" : "") + " IN (";
  AnsiString out;
  for (std::size_t first = 0; first < items.size(); first += kSQLInListItems) {
    if (first > 0) out += notIn ? " AND" : " OR";
    out += test;
    const std::size_t last = std::min(items.size(), first + kSQLInListItems);
    for (std::size_t i = first; i < last; ++i) out += (i > first ? "," : "") + value(items[i]);
    out += ")";
  }
  return items.size() > kSQLInListItems ? " (" + out + ")" : out;
}

// Whether the first characters of `line` are `prefix`, ASCII case folded.
bool LineStartsWith(const AnsiString& line, const AnsiString& prefix) {
  return line.size() >= prefix.size() && UpperCase(line.substr(0, prefix.size())) == UpperCase(prefix);
}

// A string-list property, or an object property that holds a string list.
TStrings* StringsProperty(TDataSet* dataSet, const AnsiString& propName) {
  if (TStrings* lines = GetStringsProp(dataSet, propName)) return lines;
  return dynamic_cast<TStrings*>(GetObjectProp(dataSet, propName));
}

AnsiString ReadSQLTextOrRaise(TDataSet* dataSet, const AnsiString& propName) {
  AnsiString text;
  if (!GetSQLTextProperty(dataSet, propName, text))
    throw Exception(dataSet->ClassName() + " is not SQL based dataset");
  return text;
}

// Writes the select text back with the dataset closed and its controls disabled, and
// reopens it when asked; controls come back on every path. A record in edit is posted
// first, with what its controls hold: closing would drop it, and a post the database
// refuses stops the rewrite with its error. A text the database refuses gives way to the
// one before, open as it was, and its error goes on: the grid keeps its rows.
void WriteSQLTextAndReopen(TDataSet* dataSet, const AnsiString& propName, const AnsiString& text,
                           bool isReopen) {
  const bool wasActive = dataSet->Active();
  if (wasActive) dataSet->CheckBrowseMode();
  AnsiString before;
  GetSQLTextProperty(dataSet, propName, before);
  const TControlsDisabledScopeEh disabled(*dataSet);
  if (wasActive) dataSet->Close();
  SetSQLTextProperty(dataSet, propName, text);
  if (!isReopen) return;
  try {
    dataSet->Open();
  } catch (...) {
    SetSQLTextProperty(dataSet, propName, before);
    if (wasActive) dataSet->Open();
    throw;
  }
}

// The index of the first line that starts with `prefix`; -1 when none does.
int FindLineStartingWith(const TStrings& lines, const AnsiString& prefix) {
  for (int i = 0; i < lines.Count(); ++i)
    if (LineStartsWith(lines.Strings(i), prefix)) return i;
  return -1;
}

}  // namespace

void LocalConditionText(TSTFilterOperatorEh op, const Variant& operand, const AnsiString& fieldName,
                        TDataSet* dataSet, const TDateValueToSQLStringProcEh& dateToText, bool likeSupported,
                        AnsiString& result) {
  const AnsiString field = "[" + fieldName + "]";
  const auto value = [&](const Variant& v) { return LocalValueText(v, dataSet, dateToText); };
  const auto equalsItem = [&](const Variant& v) { return field + " = " + value(v); };
  switch (op) {
    case foIn:
      result += " (" + JoinItems(operand, " OR ", equalsItem) + ")";
      break;
    case foNotIn:
      result += " NOT ( " + JoinItems(operand, " OR ", equalsItem) + ")";
      break;
    case foLike:
      result += " " + field + (likeSupported ? " Like " : " = ") + value(operand);
      break;
    case foNotLike:
      result += " " + field + (likeSupported ? " Not Like " : " <> ") + value(operand);
      break;
    case foNull:
    case foNotNull:
      result += " " + field + " " + STFilterOperatorText(op);
      break;
    default:
      result += " " + field + " " + STFilterOperatorText(op) + " " + value(operand);
      break;
  }
}

void SQLConditionText(TSTFilterOperatorEh op, const Variant& operand, const AnsiString& fieldName,
                      TDataSet* dataSet, const TDateValueToSQLStringProcEh& dateToText,
                      bool /*likeSupported*/, AnsiString& result) {
  const auto value = [&](const Variant& v) { return SQLValueText(v, dataSet, dateToText); };
  switch (op) {
    case foIn:
    case foNotIn:
      result += SQLInListText(op == foNotIn, operand, fieldName, value);
      break;
    case foNull:
    case foNotNull:
      result += " " + fieldName + " " + STFilterOperatorText(op);
      break;
    default:
      result += " " + fieldName + " " + STFilterOperatorText(op) + " " + value(operand);
      break;
  }
}

namespace {

// The condition of an expression whose operands are given, on one field.
AnsiString ExpressionText(const TSTFilterExpressionEh& expression, const Variant& operand1, const Variant& operand2,
                          const AnsiString& fieldName, TDataSet* dataSet, const TSTFilterBuildOptionsEh& options) {
  AnsiString text;
  options.ConditionText(expression.Operator1, operand1, fieldName, dataSet, options.DateToText, options.LikeSupported,
                        text);
  if (expression.Relation != foNon) {
    text += " " + STFilterOperatorText(expression.Relation);
    options.ConditionText(expression.Operator2, operand2, fieldName, dataSet, options.DateToText,
                          options.LikeSupported, text);
  }
  if (expression.Relation == foOR) text = "(" + text + ")";
  return text;
}

// The KeyField values of the list records whose ListField meets the column's expression,
// tested by the list dataset's own filter evaluator; the list keeps its current record.
// A record without a name or without a key names no data.
std::vector<Variant> KeysMeetingListExpression(TSTColumnFilterEh& filter) {
  TDataSet& list = *filter.ListSource()->DataSet();
  const TSTFilterExpressionEh expression = filter.Expression();
  const AnsiString condition =
      ExpressionText(expression, expression.Operand1, filter.GetOperand2(), filter.ListField(), &list, {});
  const TExprParser parser(&list, condition, list.FilterOptions());
  TExprEvaluator evaluator(&list, parser);
  TField* key = list.FieldByName(filter.KeyField());
  TField* shown = list.FieldByName(filter.ListField());
  std::vector<Variant> keys;
  const TControlsDisabledScopeEh disabled(list);
  const TBookmarkStr current = list.Bookmark();
  for (list.First(); !list.Eof(); list.Next())
    if (!shown->IsNull() && !key->IsNull() && evaluator.Accepts()) keys.push_back(key->AsVariant());
  list.GotoBookmark(current);
  return keys;
}

// The condition on the data's key: one of the keys, or, with none, a condition no record
// meets.
AnsiString KeyConditionText(const std::vector<Variant>& keys, const AnsiString& fieldName, TDataSet* dataSet,
                            const TSTFilterBuildOptionsEh& options) {
  AnsiString text;
  if (keys.empty()) {
    options.ConditionText(foNull, Null(), fieldName, dataSet, options.DateToText, options.LikeSupported, text);
    text += " " + STFilterOperatorText(foAND);
    options.ConditionText(foNotNull, Null(), fieldName, dataSet, options.DateToText, options.LikeSupported, text);
    return "(" + text + ")";
  }
  options.ConditionText(foIn, VarArrayOf(keys), fieldName, dataSet, options.DateToText, options.LikeSupported, text);
  return text;
}

bool TestsOnlyForNull(const TSTFilterExpressionEh& expression) {
  return expression.Relation == foNon && (expression.Operator1 == foNull || expression.Operator1 == foNotNull);
}

}  // namespace

AnsiString BuildColumnFilterText(TColumnEh& column, const TSTFilterBuildOptionsEh& options) {
  TSTColumnFilterEh& filter = column.STFilter();
  const TSTFilterExpressionEh& expression = filter.Expression();
  if (column.Field() == nullptr || expression.ExpressionType == botNon || expression.Operator1 == foNon) return {};

  TField* field = filter.FilteredField();
  const bool byOrigin = options.UseOrigin && !field->Origin().empty() && filter.DataField().empty();
  const AnsiString fieldName = byOrigin ? field->Origin() : filter.GetFilterFieldName();
  TDataSet* dataSet = field->DataSet();
  // Whether the key is there at all is a question for the data itself.
  if (filter.FiltersThroughList() && !TestsOnlyForNull(expression))
    return KeyConditionText(KeysMeetingListExpression(filter), fieldName, dataSet, options);
  return ExpressionText(expression, filter.GetOperand1(), filter.GetOperand2(), fieldName, dataSet, options);
}

AnsiString BuildLocalFilterText(TCustomDBGridEh& grid, const TSTFilterBuildOptionsEh& options) {
  TDataSet* dataSet = GridDataSetEh(grid);
  if (dataSet == nullptr || !dataSet->Active()) return {};
  AnsiString result;
  for (int i = 0; i < grid.Columns().Count(); ++i) {
    const AnsiString text = BuildColumnFilterText(*grid.Columns().Items(i), options);
    if (!text.empty()) result += text + " AND ";
  }
  // The last " AND " goes but for its leading blank; nothing goes from an empty text.
  if (!result.empty()) result.resize(result.size() - 4);
  return result;
}

bool GetSQLTextProperty(TDataSet* dataSet, const AnsiString& propName, AnsiString& text) {
  if (dataSet == nullptr || !IsPublishedProp(dataSet, propName)) return false;
  if (TStrings* lines = StringsProperty(dataSet, propName)) {
    text = lines->Text();
    return true;
  }
  // Any other object property is no text.
  if (GetObjectProp(dataSet, propName) != nullptr) return false;
  text = GetStrProp(dataSet, propName);
  return true;
}

void SetSQLTextProperty(TDataSet* dataSet, const AnsiString& propName, const AnsiString& text) {
  if (dataSet == nullptr || !IsPublishedProp(dataSet, propName)) return;
  if (TStrings* lines = StringsProperty(dataSet, propName))
    lines->SetText(text);
  else if (GetObjectProp(dataSet, propName) == nullptr)
    SetStrProp(dataSet, propName, text);
}

void ApplyFilterToSQL(TCustomDBGridEh& grid, const TDateValueToSQLStringProcEh& dateToText, bool isReopen,
                      const AnsiString& propName) {
  TDataSet* dataSet = GridDataSetEh(grid);
  if (dataSet == nullptr) return;
  TStringList lines;
  lines.SetText(ReadSQLTextOrRaise(dataSet, propName));
  const int markerLine = FindLineStartingWith(lines, SQLFilterMarker());

  TSTFilterBuildOptionsEh options;
  options.ConditionText = SQLConditionText;
  options.DateToText = dateToText;
  options.LikeSupported = false;
  options.UseOrigin = true;
  AnsiString condition = BuildLocalFilterText(grid, options);
  if (condition.empty()) condition = "1=1";
  if (markerLine < 0) return;
  // The condition replaces one line: a line break would leave a fragment of it behind.
  if (condition.find_first_of(AnsiString("\r\n\0", 3)) != AnsiString::npos)
    throw Exception("Filter value cannot be written to SQL: " + condition);

  lines.SetStrings(markerLine, SQLFilterMarker() + " (" + condition + ")");
  WriteSQLTextAndReopen(dataSet, propName, lines.Text(), isReopen);
}

void ApplySortingToSQL(TCustomDBGridEh& grid, TDataSet* dataSet, bool useFieldNames,
                       const AnsiString& propName, bool isReopen) {
  if (dataSet == nullptr) return;
  TStringList lines;
  lines.SetText(ReadSQLTextOrRaise(dataSet, propName));

  AnsiString orderBy;
  TColumnsEhList& sorted = grid.SortMarkedColumns();
  for (int i = 0; i < sorted.Count(); ++i) {
    TColumnEh* column = sorted.Items(i);
    TField* field = column->Field();
    const AnsiString name =
        useFieldNames ? column->FieldName() : IntToStr(field != nullptr ? field->FieldNo() : 0);
    orderBy += name + (column->Title().SortMarker() == smUpEh ? " DESC, " : ", ");
  }
  if (!orderBy.empty()) orderBy = "ORDER BY " + orderBy.substr(0, orderBy.size() - 2);

  int orderLine = FindLineStartingWith(lines, "ORDER BY");
  if (orderLine < 0) orderLine = lines.Add("");
  lines.SetStrings(orderLine, orderBy);
  WriteSQLTextAndReopen(dataSet, propName, lines.Text(), isReopen);
}

}  // namespace ordvane
