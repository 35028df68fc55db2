// TpFIBDataSet filling new records the way the server would: the key from a generator,
// the columns' defaults and the values of linked parameters; and its fields dressed from
// their columns at open (formats, read-only and required flags, default expressions, the
// fields repository).

#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "classlib/core/DateFormat.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/DebugChecks.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/GUID.h"
#include "classlib/core/ObjectCast.h"
#include "classlib/core/SeparatedLists.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DateTimeFields.h"
#include "classlib/db/NumericFields.h"
#include "datasets/FIBFields.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBConsts.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBSQLText.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/pFIBCacheQueries.h"

namespace ordvane {

TpFIBDataSet::~TpFIBDataSet() {
  ReleaseUpdateObjects();
  if (!fGeneratorUsed || Database() == nullptr || !Database()->Connected()) return;
  const TAutoUpdateOptions& options = AutoUpdateOptions();
  // A connection lost meanwhile took the server statement with it; nothing is left to free.
  try {
    FreeCachedQueryHandle(Database(), Database()->GenIdSQL(options.GeneratorName(), options.GeneratorStep()));
  } catch (const Exception&) {
  }
}

TField* TpFIBDataSet::KeyField() {
  const AnsiString& name = AutoUpdateOptions().KeyFields();
  return name.empty() ? nullptr : FindField(name);
}

void TpFIBDataSet::FillKeyFromGenerator() {
  const TAutoUpdateOptions& options = AutoUpdateOptions();
  if (!options.UsesGenerator()) return;
  if (Database() == nullptr) FIBError(TFIBClientError::DatabaseNotAssigned, {FullComponentName(this)});
  TField* key = KeyField();
  if (key == nullptr || dynamic_cast<TNumericField*>(key) == nullptr || !key->IsNull()) return;
  const Int64 value = Database()->Gen_Id(options.GeneratorName(), options.GeneratorStep(), Transaction());
  // Every numeric field checks its range here: a value the key cannot hold is refused, the
  // key stays null and the post does not happen, where a cut value would hit another row.
  key->SetAsLargeInt(value);
  fGeneratorUsed = true;
}

void TpFIBDataSet::DoOnNewRecord() {
  switch (AutoUpdateOptions().WhenGetGenID()) {
    case wgOnNewRecord:
      FillKeyFromGenerator();
      break;
    case wgBeforePost:
      // The class library checks required fields before the key is filled.
      if (TField* key = KeyField()) key->SetRequired(false);
      break;
    case wgNever:
      break;
  }
  ApplyNewRecordDefaults();
  NotifyContainers(deOnNewRecord);
  TFIBDataSet::DoOnNewRecord();
}

void TpFIBDataSet::DoBeforePost() {
  const TDataSetState state = State();
  if (state == dsInsert && AutoUpdateOptions().WhenGetGenID() == wgBeforePost) FillKeyFromGenerator();
  NotifyContainers(deBeforePost);
  TFIBDataSet::DoBeforePost();
  if (!CachedUpdates()) PrepareModifySQL(state);
}

// ---- New records ----------------------------------------------------------------------------

namespace {

bool IsDateTimeField(const TField* field) {
  return field->DataType() == ftDate || field->DataType() == ftTime || field->DataType() == ftDateTime ||
         field->DataType() == ftTimeStamp;
}

bool IsNumericField(const TField* field) {
  return dynamic_cast<const TNumericField*>(field) != nullptr;
}

// The moment a date-time keyword names, or nullopt for another text.
std::optional<TDateTime> KeywordMoment(const AnsiString& keyword, TDateTime now) {
  const TDateTime today = std::floor(now);
  if (keyword == "NOW" || keyword == "CURRENT_TIME" || keyword == "CURRENT_TIMESTAMP") return now;
  if (keyword == "TODAY" || keyword == "CURRENT_DATE") return today;
  if (keyword == "TOMORROW") return today + 1;
  if (keyword == "YESTERDAY") return today - 1;
  return std::nullopt;
}

}  // namespace

const std::vector<TpFIBDataSet::TNewRecordField>& TpFIBDataSet::NewRecordPlan() {
  // The fields of an open dataset do not change; the comparison keeps a stale plan from
  // ever being read.
  const auto fitsFields = [this] {
    if (fNewRecordPlan.size() != static_cast<std::size_t>(Fields().Count())) return false;
    for (int i = 0; i < Fields().Count(); ++i)
      if (fNewRecordPlan[static_cast<std::size_t>(i)].Field != Fields()[i]) return false;
    return true;
  };
  if (fNewRecordPlanFilled && fitsFields()) return fNewRecordPlan;
  fNewRecordPlan.assign(static_cast<std::size_t>(Fields().Count()), TNewRecordField());
  TStringList& links = AutoUpdateOptions().ParamsToFieldsLinks();
  for (int i = 0; i < Fields().Count(); ++i) {
    TField* field = Fields()[i];
    TNewRecordField& entry = fNewRecordPlan[static_cast<std::size_t>(i)];
    entry.Field = field;
    entry.Class = ObjectAs<TFIBStringField>(field) != nullptr ? TNewRecordField::TClass::Text
                  : ObjectAs<TFIBGuidField>(field) != nullptr ? TNewRecordField::TClass::Guid
                                                              : TNewRecordField::TClass::Other;
    if (links.Count() == 0) continue;
    const AnsiString param = Trim(links.Values(field->FieldName()));
    if (!param.empty()) entry.Link = SelectQuery().ParamIndex(param);
  }
  fNewRecordPlanFilled = true;
  return fNewRecordPlan;
}

void TpFIBDataSet::ApplyNewRecordDefaults() {
  const bool keyGenerated = AutoUpdateOptions().UsesGenerator();
  TField* key = keyGenerated ? KeyField() : nullptr;
  // One moment for every field of the record, read only when a default asks for it: most
  // records (every row of an import) have none.
  std::optional<TDateTime> now;
  const std::vector<TNewRecordField>& plan = NewRecordPlan();
  for (int i = 0; i < Fields().Count(); ++i) {
    TField* field = Fields()[i];
    ORDVANE_DEBUG_ASSERT(field != nullptr, "a dataset's field list holds no empty entry");
    if (field == key) continue;
    const TNewRecordField& entry = plan[static_cast<std::size_t>(i)];
    if (entry.Class == TNewRecordField::TClass::Text && static_cast<TFIBStringField*>(field)->EmptyDefault()) {
      field->SetAsString("");
      continue;
    }
    if (entry.Class == TNewRecordField::TClass::Guid) {
      static_cast<TFIBGuidField*>(field)->SetAsGuid(CreateGUID());
      continue;
    }
    if (entry.Link >= 0) {
      field->SetValue(SelectQuery().GetParamValueByIndex(entry.Link));
      continue;
    }
    // Most fields have no default: they cost no text.
    if (field->DefaultExpression().empty()) continue;
    // Keywords compare upper-cased; a value comes from the text as written.
    const AnsiString written = Trim(field->DefaultExpression());
    const AnsiString keyword = UpperCase(written);
    if (keyword.empty()) continue;
    bool applied = false;
    ApplyDefaultValue(field, applied);
    if (applied || keyword == "NULL") continue;
    if (IsDateTimeField(field)) {
      if (!now) now = Now() - (Database() != nullptr ? Database()->ServerTimeDifference() : 0.0);
      if (const auto moment = KeywordMoment(keyword, *now))
        field->SetAsDateTime(*moment);
      else
        field->SetAsString(written);
    } else if (entry.Class == TNewRecordField::TClass::Text) {
      if (keyword == "USER" || keyword == "CURRENT_USER")
        field->SetAsString(Database() != nullptr ? Database()->ConnectParams().UserName() : AnsiString());
      else if (keyword == "ROLE" || keyword == "CURRENT_ROLE")
        field->SetAsString(Database() != nullptr ? Database()->ConnectParams().RoleName() : AnsiString());
      else if (written.front() == '\'')
        field->SetAsString(written.size() >= 2 ? written.substr(1, written.size() - 2) : AnsiString());
      else
        field->SetAsString(written);
    } else {
      field->SetAsString(written);
    }
  }
}

// ---- Parameters linked to fields ---------------------------------------------------------------

void TpFIBDataSet::LinkParamsToFields() {
  fNewRecordPlanFilled = false;
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (ComponentState().Contains(csDesigning) || !options.AutoParamsToFields()) return;
  if (SelectQuery().SQLChangeCount() == fLinkedSQLChangeCount) return;
  fLinkedSQLChangeCount = SelectQuery().SQLChangeCount();
  const AnsiString select = SelectSQL().Text();
  TStringList& links = options.ParamsToFieldsLinks();
  for (int i = 0; i < SelectQuery().GetParamCount(); ++i) {
    const AnsiString param = SelectQuery().GetParamName(i);
    const AnsiString compared = FieldNameByParam(select, param);
    if (compared.empty()) continue;
    // Names as the server keeps them: upper-cased unless quoted.
    const auto serverName = [](const AnsiString& name) {
      const AnsiString trimmed = Trim(name);
      return !trimmed.empty() && trimmed.front() == '"' ? trimmed : UpperCase(trimmed);
    };
    const std::size_t dot = compared.find('.');
    AnsiString table, column = serverName(compared);
    if (dot != AnsiString::npos) {
      table = serverName(TableByAlias(select, compared.substr(0, dot)));
      column = serverName(compared.substr(dot + 1));
    }
    TField* field = nullptr;
    if (!table.empty()) {
      field = FindFieldByRelation(table, column);
    } else {
      // A column named without its alias: the first field that carries it.
      for (TField* candidate : Fields())
        if (field == nullptr && GetRelationFieldName(candidate) == StripEnclosingQuotes(column)) field = candidate;
    }
    if (field != nullptr) links.SetValues(field->FieldName(), param);
  }
}

// ---- Fields dressed from their columns ------------------------------------------------------------

AnsiString ScaledNumberFormat(const AnsiString& format, Integer decimals) {
  if (format.empty() || decimals <= 0) return format;
  const std::size_t point = format.rfind('.');
  if (point == format.size() - 1) return format + AnsiString(static_cast<std::size_t>(decimals), '0');
  if (point != AnsiString::npos && point + 2 == format.size())
    return format.substr(0, point + 1) + AnsiString(static_cast<std::size_t>(decimals), format.back());
  return format;
}

namespace {

// 'yyyy-mm-dd', 'hh:nn:ss[.zzz]' or both, as the server writes a date-time default.
std::optional<TDateTime> ServerDateTimeText(const AnsiString& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  TDateTime value = 0;
  const char* rest = text.c_str();
  int used = 0;
  if (std::sscanf(rest, "%4d-%2d-%2d%n", &year, &month, &day, &used) == 3) {
    if (!TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day), value))
      return std::nullopt;
    rest += used;
    while (*rest == ' ') ++rest;
  }
  if (*rest == '\0') return value;
  if (std::sscanf(rest, "%2d:%2d:%2d%n", &hour, &minute, &second, &used) != 3) return std::nullopt;
  rest += used;
  if (*rest == '.') {
    int digits = 0;
    for (++rest; *rest >= '0' && *rest <= '9'; ++rest, ++digits)
      if (digits < 3) msec = msec * 10 + (*rest - '0');
    for (; digits < 3; ++digits) msec *= 10;
  }
  TDateTime time = 0;
  if (*rest != '\0' || !TryEncodeTime(static_cast<Word>(hour), static_cast<Word>(minute), static_cast<Word>(second),
                                      static_cast<Word>(msec), time))
    return std::nullopt;
  return value + time;
}

}  // namespace

AnsiString TpFIBDataSet::DefaultExpressionOf(TField* field, const TpFIBFieldInfo& info) const {
  const AnsiString& text = info.DefaultValue;
  const AnsiString keyword = UpperCase(Trim(text));
  if (dynamic_cast<TFIBBooleanField*>(field) != nullptr) {
    if (keyword == "1" || keyword == "TRUE") return "T";
    if (keyword == "0" || keyword == "FALSE") return "F";
    return {};
  }
  if (keyword.empty() || keyword == "NULL") return keyword == "NULL" ? AnsiString("NULL") : AnsiString();
  if (IsNumericField(field)) {
    const char separator = FormatSettings().DecimalSeparator;
    return separator == '.' ? text : ReplaceString(text, ".", AnsiString(1, separator));
  }
  if (IsDateTimeField(field)) {
    static const char* const keywords[] = {"CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_DATE", "NOW",
                                           "TODAY",        "TOMORROW",          "YESTERDAY"};
    for (const char* known : keywords)
      if (keyword == known) return Trim(text);
    const auto value = ServerDateTimeText(Trim(text));
    if (!value) return text;
    if (field->DataType() == ftDate) return DateToStr(*value);
    if (field->DataType() == ftTime) return TimeToStr(*value);
    return DateTimeToStr(*value);
  }
  if (dynamic_cast<TFIBStringField*>(field) != nullptr) {
    // A keyword's default is its value at the new record, not its name.
    for (const char* known : {"USER", "CURRENT_USER", "ROLE", "CURRENT_ROLE"})
      if (keyword == known) return Trim(text);
    return "'" + text + "'";
  }
  return text;
}

namespace {

// A format's "ampm" writes the settings' texts. Where both are empty its hours would count
// to twelve with nothing to tell the afternoon, so the format shows the 24-hour clock.
AnsiString WithClockOfSettings(const AnsiString& format) {
  const TFormatSettings& settings = FormatSettings();
  if (!settings.TimeAMString.empty() || !settings.TimePMString.empty()) return format;
  constexpr std::string_view designator = "AMPM";
  AnsiString result;
  char quote = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (quote == 0 && SameText(std::string_view(format).substr(i, designator.size()), designator)) {
      while (!result.empty() && result.back() == ' ') result.pop_back();
      i += designator.size() - 1;
      continue;
    }
    if (quote == 0 && (c == '\'' || c == '"'))
      quote = c;
    else if (c == quote)
      quote = 0;
    result += c;
  }
  return result;
}

void AutoFormat(TField* field, Integer scale, const TFormatFields& formats) {
  if (auto* number = dynamic_cast<TNumericField*>(field)) {
    Integer decimals = 0;
    if (auto* bcd = dynamic_cast<TFIBBCDField*>(field))
      decimals = bcd->Size();
    else if ((field->DataType() == ftSmallint || field->DataType() == ftInteger || field->DataType() == ftFloat) &&
             scale < 0)
      decimals = -scale;
    if (decimals <= 0) return;
    if (number->DisplayFormat().empty())
      number->SetDisplayFormat(ScaledNumberFormat(formats.NumericDisplayFormat(), decimals));
    if (number->EditFormat().empty()) number->SetEditFormat(ScaledNumberFormat(formats.NumericEditFormat(), decimals));
  } else if (auto* moment = dynamic_cast<TDateTimeField*>(field); moment != nullptr && moment->DisplayFormat().empty()) {
    if (field->DataType() == ftDate)
      moment->SetDisplayFormat(formats.DisplayFormatDate());
    else if (field->DataType() == ftTime)
      moment->SetDisplayFormat(WithClockOfSettings(formats.DisplayFormatTime()));
    else
      moment->SetDisplayFormat(WithClockOfSettings(formats.DateTimeDisplayFormat()));
  }
}

void ApplyRepository(TField* field, const TpFIBFieldInfo& info) {
  if (!info.HasRepositoryInfo) return;
  if (info.DisplayWidth != 0) field->SetDisplayWidth(info.DisplayWidth);
  if (!info.DisplayLabel.empty()) field->SetDisplayLabel(info.DisplayLabel);
  field->SetVisible(info.Visible);
  // An empty repository format keeps the one the field has.
  if (auto* number = dynamic_cast<TNumericField*>(field)) {
    if (!info.DisplayFormat.empty()) number->SetDisplayFormat(info.DisplayFormat);
    if (!info.EditFormat.empty()) number->SetEditFormat(info.EditFormat);
  } else if (auto* moment = dynamic_cast<TDateTimeField*>(field); moment != nullptr && !info.DisplayFormat.empty()) {
    moment->SetDisplayFormat(info.DisplayFormat);
  }
}

}  // namespace

void TpFIBDataSet::ImportDefaultValues() {
  if (Database() == nullptr || !Database()->Connected()) return;
  TAutoUpdateOptions& options = AutoUpdateOptions();
  const TpPrepareOptions prepare = PrepareOptions();
  AnsiString table, alias;
  if (options.AutoReWriteSqls()) {
    table = options.ModifyTable();
    alias = options.AliasModifyTable();
  } else {
    const TStrings& statement = IsEmptyStrings(UpdateSQL()) ? InsertSQL() : UpdateSQL();
    table = options.FormatIdentifier(GetModifyTableName(statement.Text(), false));
  }
  const bool aliased = Trim(options.UpdateTableName()).find_first_of(" \t") != AnsiString::npos;
  const bool withRepository = Database()->UseRepositories().Contains(urFieldsInfo);
  const bool repository = prepare.Contains(psApplyRepositary) && withRepository;
  const bool dressing = repository || prepare.Contains(pfSetRequiredFields) || prepare.Contains(pfSetReadOnlyFields) ||
                        prepare.Contains(pfImportDefaultValues) || prepare.Contains(psUseBooleanField);
  for (TField* field : Fields()) {
    if (Options().Contains(poAutoFormatFields)) AutoFormat(field, GetFieldScale(field), fDefaultFormats);
    if (!dressing || field->FieldKind() != fkData) continue;
    const AnsiString relation = GetRelationTableName(field);
    const AnsiString column = GetRelationFieldName(field);
    if (relation.empty() || column.empty()) continue;
    // The repository's trigger flag counts for required fields without psApplyRepositary.
    const auto info = GetFieldInfo(FIBTableInfoCollect(), *Database(), relation, withRepository, column);
    if (prepare.Contains(pfSetReadOnlyFields) && !field->ReadOnly()) {
      bool readOnly = options.FormatIdentifier(relation) != table;
      if (options.AutoReWriteSqls() && aliased && !readOnly) {
        const AnsiString columnAlias = SelectQuery().TableAliasForField(field->FieldName());
        readOnly = !columnAlias.empty() && !SameText(StripEnclosingQuotes(columnAlias), StripEnclosingQuotes(alias));
      }
      if (options.AutoReWriteSqls() || !CachedUpdates()) field->SetReadOnly(readOnly);
      if (!field->ReadOnly() && info != nullptr && info->IsComputed && !prepare.Contains(psCanEditComputedFields))
        field->SetReadOnly(true);
    }
    if (info == nullptr) continue;
    if (prepare.Contains(pfImportDefaultValues)) {
      if (auto* text = dynamic_cast<TFIBStringField*>(field)) text->SetEmptyDefault(info->EmptyDefault);
      field->SetDefaultExpression(DefaultExpressionOf(field, *info));
    }
    if (prepare.Contains(pfSetRequiredFields)) {
      const TFIBXSQLVAR* selectColumn = ColumnOf(field);
      field->SetRequired(selectColumn != nullptr && !selectColumn->GetIsNullable() &&
                         IsBlankString(info->DefaultValue) && !info->EmptyDefault && !info->Triggered);
    }
    if (repository) {
      ApplyRepository(field, *info);
      RelayFieldRepository(field, *info);
    }
  }
}

void TpFIBDataSet::BindFields(bool binding) {
  TFIBDataSet::BindFields(binding);
  if (binding) ImportDefaultValues();
}

void TpFIBDataSet::SetPrepareOptions(TpPrepareOptions value) {
  const bool applyRepository = value.Contains(psApplyRepositary) && !PrepareOptions().Contains(psApplyRepositary);
  TFIBDataSet::SetPrepareOptions(value);
  if (applyRepository && Fields().Count() > 0) ImportDefaultValues();
}

}  // namespace ordvane
