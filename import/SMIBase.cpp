#include "import/SMIBase.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/Application.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/SeparatedLists.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "import/SMIBaseSupport.h"
#include "import/SMIText.h"

namespace ordvane {

using namespace smi_internal;

namespace {

// A run counts from zero, even one that fails before its first row: its outcome must not
// show the counts of the run before.
void ClearCounters(TSMIStatistic& statistic) {
  for (auto setter : {&TSMIStatistic::SetTotalCount, &TSMIStatistic::SetTotalImported, &TSMIStatistic::SetTotalAdded,
                      &TSMIStatistic::SetTotalDeleted, &TSMIStatistic::SetTotalUpdated,
                      &TSMIStatistic::SetTotalErrors, &TSMIStatistic::SetTotalSkipped})
    (statistic.*setter)(0);
  statistic.SetLastAction(iaUnknown);
  statistic.SetSQLText(WideString());
}

constexpr const char* kCanceledMessage = "The data import process was canceled by the user.";
constexpr const char* kCompletedMessage = "The data import process has completed successfully.";
constexpr const char* kFailedMessage = "An error has occurred during the data import process.";

// A run that went through, though some rows failed, is no success to its user.
AnsiString CompletedMessage(Integer errors) {
  if (errors == 0) return kCompletedMessage;
  return Format("The data import process has completed with %d %s.", {errors, errors == 1 ? "error" : "errors"});
}

// A row error that OnErrorEvent chose to abort on, already reported.
class RowAbort : public Exception {
 public:
  using Exception::Exception;
};

[[noreturn]] void PropertyMissing(const AnsiString& name) {
  throw Exception(Format("Property %s wasn't specified.", {name}));
}

bool IsKeyedMode(TImportMode mode) {
  return mode == imUpdate || mode == imAppendUpdate || mode == imDelete || mode == imAppendNewOnly;
}

bool IsEditing(const TDataSet* dataSet) {
  const TDataSetState state = dataSet->State();
  return state == dsEdit || state == dsInsert || state == dsSetKey;
}

// The names of a ";" list, trimmed, empty ones left out.
std::vector<AnsiString> SplitNames(const AnsiString& list) {
  return SplitList(list, ';', true, TEmptyItems::Drop);
}

// The items of a ";" list as they are, empty ones included.
std::vector<AnsiString> SplitItems(const AnsiString& list) {
  return SplitList(list, ';', false, TEmptyItems::Keep);
}

// The statistic counter that a STAT name of the expression language reads, else nullptr.
using TStatisticCounter = Integer (TSMIStatistic::*)() const;
TStatisticCounter StatisticCounter(const AnsiString& upperName) {
  static const std::unordered_map<std::string_view, TStatisticCounter> counters = {
      {"STATTOTALCOUNT", &TSMIStatistic::TotalCount},     {"STATTOTALIMPORTED", &TSMIStatistic::TotalImported},
      {"STATTOTALADDED", &TSMIStatistic::TotalAdded},     {"STATTOTALDELETED", &TSMIStatistic::TotalDeleted},
      {"STATTOTALUPDATED", &TSMIStatistic::TotalUpdated}, {"STATERRORCOUNT", &TSMIStatistic::TotalErrors},
      {"STATTOTALSKIPPED", &TSMIStatistic::TotalSkipped}};
  if (upperName.compare(0, 4, "STAT") != 0) return nullptr;
  const auto found = counters.find(upperName);
  return found != counters.end() ? found->second : nullptr;
}

std::string_view Unenclosed(std::string_view text, char open, char close) {
  if (text.size() >= 2 && text.front() == open && text.back() == close) return text.substr(1, text.size() - 2);
  return text;
}

TSMIValueKind KindOf(TFieldType type) {
  switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: return TSMIValueKind::Integer;
    case ftFloat: case ftCurrency: case ftBCD: return TSMIValueKind::Float;
    case ftDate: case ftDateTime: return TSMIValueKind::Date;
    case ftTime: return TSMIValueKind::Time;
    case ftBoolean: return TSMIValueKind::Boolean;
    default: return TSMIValueKind::Other;
  }
}

// A number, date or time field: a source's text for it is read as such, not recoded.
bool IsTypedField(const TField* field) {
  if (field == nullptr) return false;
  const TSMIValueKind kind = KindOf(field->DataType());
  return kind != TSMIValueKind::Other && kind != TSMIValueKind::Boolean;
}

TSMIDataType ColumnTypeOf(TFieldType type) {
  switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: return itInteger;
    case ftBoolean: return itBoolean;
    case ftFloat: case ftCurrency: case ftBCD: return itFloat;
    case ftDate: return itDate;
    case ftTime: return itTime;
    case ftDateTime: return itDateTime;
    default: return itString;
  }
}

// A number that has digits to write (not an infinity or NaN).
bool IsFiniteNumber(const Variant& value) {
  return value.VType() == varDouble && std::isfinite(value.AsDouble());
}

// A name the expression language reads as it is: letters, digits and "_", not first a digit.
bool IsPlainName(const AnsiString& name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

}  // namespace

// ---- Construction and properties ------------------------------------------------------

TSMImportBaseComponent::TSMImportBaseComponent(TComponent* owner)
    : TComponent(owner),
      fDataFormats(std::make_unique<TSMIDataFormats>()),
      fLoadCondition(std::make_unique<TSMILoadCondition>()),
      fSQLOptions(std::make_unique<TSMISQLOptions>()),
      fMappings(std::make_unique<TStringList>()),
      fOptions{soShowMessage, soExtendedStatistic, soUseAnimatedControl, soWaitCursor, soAutoCloseStatistic},
      fParameters(std::make_unique<TSMIParameters>(this)),
      fStatistic(std::make_unique<TSMIStatistic>()),
      fColumns(std::make_unique<TSMIColumns>(this)),
      fDialogs(DefaultSMIImportDialogs()) {}

TSMImportBaseComponent::~TSMImportBaseComponent() = default;

void TSMImportBaseComponent::SetDataSet(TDataSet* value) {
  if (value == fDataSet) return;
  if (fDataSet != nullptr) RemoveFreeNotification(fDataSet);
  fDataSet = value;
  if (fDataSet != nullptr) FreeNotification(fDataSet);
}

void TSMImportBaseComponent::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == fDataSet) fDataSet = nullptr;
}

AnsiString TSMImportBaseComponent::SourceFileName() { return fSourceFileName.value_or("SMImport" + GetDefaultExtension()); }

void TSMImportBaseComponent::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSMImportBaseComponent*>(source);
  if (other == nullptr) return TComponent::Assign(source);
  fTableType = other->fTableType;
  fAnimatedStatus = other->fAnimatedStatus;
  fActionKind = other->fActionKind;
  SetDataSet(other->fDataSet);
  fDatasetKeys = other->fDatasetKeys;
  fUseDisplayNames = other->fUseDisplayNames;
  fRowFirst = other->fRowFirst;
  fRowLast = other->fRowLast;
  fRowFieldNames = other->fRowFieldNames;
  fFieldDelimiter = other->fFieldDelimiter;
  fTextQualifier = other->fTextQualifier;
  fRecordSeparator = other->fRecordSeparator;
  fFixed = other->fFixed;
  fMappings->Assign(other->fMappings.get());
  fParameters->Assign(other->fParameters.get());
  fMode = other->fMode;
  fOptions = other->fOptions;
  fSourceFileName = other->fSourceFileName;
  fCharacterSet = other->fCharacterSet;
  fTrimSpaces = other->fTrimSpaces;
  fTitleStatus = other->fTitleStatus;
  fStatistic->Assign(other->fStatistic.get());
  fDataFormats->Assign(other->fDataFormats.get());
  fLoadCondition->Assign(other->fLoadCondition.get());
  fSQLOptions->Assign(other->fSQLOptions.get());
  fCommitCount = other->fCommitCount;
  OnErrorEvent = other->OnErrorEvent;
  OnGetCellParams = other->OnGetCellParams;
  OnParsedValue = other->OnParsedValue;
  OnParserEvaluate = other->OnParserEvaluate;
  OnBeforeExecute = other->OnBeforeExecute;
  OnAfterExecute = other->OnAfterExecute;
  OnBeforeRecordEvent = other->OnBeforeRecordEvent;
  OnAfterRecordEvent = other->OnAfterRecordEvent;
  OnBeforeUpdate = other->OnBeforeUpdate;
  OnBeforeFieldUpdate = other->OnBeforeFieldUpdate;
  OnGetRowMode = other->OnGetRowMode;
  OnBeforeLoadSpecification = other->OnBeforeLoadSpecification;
  OnAfterLoadSpecification = other->OnAfterLoadSpecification;
  OnBeforeSaveSpecification = other->OnBeforeSaveSpecification;
  OnAfterSaveSpecification = other->OnAfterSaveSpecification;
  OnLocateRecord = other->OnLocateRecord;
  OnStartTransaction = other->OnStartTransaction;
  OnFinishTransaction = other->OnFinishTransaction;
  OnCreateStructure = other->OnCreateStructure;
}

// ---- Text-source settings -----------------------------------------------------------

TSMIFieldDelimiter TSMImportBaseComponent::FieldDelimiter() const {
  switch (fFieldDelimiter) {
    case '\0':
      return fdNone;
    case '\t':
      return fdTab;
    case ';':
      return fdSemicolon;
    case ',':
      return fdComma;
    case ' ':
      return fdSpace;
    default:
      return fdCustom;
  }
}

TSMITextQualifier TSMImportBaseComponent::TextQualifier() const {
  switch (fTextQualifier) {
    case '\0':
      return tqNone;
    case '"':
      return tqDoubleQuote;
    case '\'':
      return tqQuote;
    default:
      return tqCustom;
  }
}

void TSMImportBaseComponent::SetRecordSeparatorText(const AnsiString& value) {
  if (!value.empty()) fRecordSeparator = value;
}

TSMIRecordSeparator TSMImportBaseComponent::RecordSeparator() const {
  if (fRecordSeparator == "\r\n") return rsCRLF;
  if (fRecordSeparator == "\r") return rsCR;
  if (fRecordSeparator == "\n") return rsLF;
  return rsCustom;
}

// ---- Execute --------------------------------------------------------------------------

void TSMImportBaseComponent::ExecuteFromStream(TStream* stream) {
  fSourceStream = stream;
  struct Forget {
    TStream*& stream;
    ~Forget() { stream = nullptr; }
  } forget{fSourceStream};
  Execute();
}

void TSMImportBaseComponent::Execute() {
  fStatistic->SetResult(irUnknown);
  if (OnBeforeExecute) OnBeforeExecute(this);
  CheckRequiredProperties();
  if (!AskParameters()) return;

  AnsiString message;
  const bool failed = !RunGuarded(message);
  if (fOptions.Contains(soWaitCursor)) fDialogs->SetWaitCursor(false);
  ShowOutcome(message, failed);
  CloseSource();
  if (OnAfterExecute) OnAfterExecute(this);
}

void TSMImportBaseComponent::CheckRequiredProperties() {
  AnsiString name;
  if (GetTargetName(name)) PropertyMissing(name);
  if (fDatasetKeys.empty() && IsKeyedMode(fMode)) PropertyMissing("DatasetKeys");
  if (fMappings->Count() > 0 && UsesKeys()) CheckKeysMapped();
}

// The key list is needed for the keyed modes and whenever a row may switch to one.
bool TSMImportBaseComponent::UsesKeys() const { return IsKeyedMode(fMode) || OnGetRowMode.Assigned(); }

// A key without a mapping could never be looked up: refused before the run.
void TSMImportBaseComponent::CheckKeysMapped() const {
  for (const AnsiString& key : SplitNames(fDatasetKeys)) {
    bool mapped = false;
    for (int i = 0; i < fMappings->Count() && !mapped; ++i)
      mapped = AnsiSameText(Trim(fMappings->Names(i)), key);
    if (!mapped) throw Exception(Format("Key field %s has no mapping.", {key}));
  }
}

bool TSMImportBaseComponent::AskParameters() {
  std::vector<TSMIParameter*> asked;
  for (int i = 0; i < fParameters->Count(); ++i) {
    TSMIParameter* parameter = fParameters->Items(i);
    const TSMIParameterMode mode = parameter->ParameterMode();
    if (!parameter->Expression().empty() && (mode == ipmCalculate || mode == ipmCalculateAndAsk))
      parameter->SetValue(EvaluateExpression(parameter->Expression()));
    if (mode == ipmAsk || mode == ipmCalculateAndAsk) asked.push_back(parameter);
  }
  if (asked.empty()) return true;
  if (!fDialogs->AskParameters(asked)) return false;
  for (const TSMIParameter* parameter : asked)
    if (parameter->Required() && VarToStr(parameter->Value()).empty())
      throw Exception(Format("Parameter %s wasn't specified.", {parameter->Caption()}));
  return true;
}

// Steps from opening the source to the end of the rows, where every failure ends the run
// as failed: true when the run did not fail, with the message to show.
bool TSMImportBaseComponent::RunGuarded(AnsiString& message) {
  bool generated = false;
  ClearCounters(*fStatistic);
  try {
    if (fOptions.Contains(soWaitCursor)) fDialogs->SetWaitCursor(true);
    if (fAnimatedStatus)
      fDialogs->ShowProgress({"Importing...", fTitleStatus, "Deleted:", "Updated:", "Added:", "Errors:",
                              "Processed:", "&Cancel"},
                             fOptions.Contains(soExtendedStatistic), fOptions.Contains(soUseAnimatedControl));
    OpenSource();
    if (fMappings->Count() == 0) {
      fColumns->Clear();
      FillColumnsFromDataSet();
      if (OnCreateStructure) OnCreateStructure(this, fColumns.get());
      if (fMappings->Count() == 0) {
        generated = true;
        FillMappingsFromFields();
      }
    }
    ImportData();
    if (generated) fMappings->Clear();
    const bool cancelled = fAborted || Cancelled();
    message = cancelled ? AnsiString(kCanceledMessage) : CompletedMessage(fStatistic->TotalErrors());
    fStatistic->SetResult(cancelled ? irCanceled : irExecuted);
    return true;
  } catch (const std::exception& error) {
    if (generated) fMappings->Clear();
    const auto* own = dynamic_cast<const Exception*>(&error);
    message = AnsiString(kFailedMessage) + "\r\n" + (own != nullptr ? own->Message() : AnsiString(error.what()));
    fStatistic->SetResult(irFailed);
    return false;
  }
}

// A failed run, and one whose rows failed, is always shown: its dialog waits for the user
// even when it would close by itself, so that the failures are not missed.
void TSMImportBaseComponent::ShowOutcome(const AnsiString& message, bool failed) {
  if (!fAnimatedStatus) {
    if (fOptions.Contains(soShowMessage)) fDialogs->ShowMessage(message);
    return;
  }
  fDialogs->ShowResult(message, Counters(fStatistic->TotalImported()), "&OK");
  if (failed || fStatistic->TotalErrors() > 0 || !fOptions.Contains(soAutoCloseStatistic))
    fDialogs->WaitForClose();
  fDialogs->CloseProgress();
}

bool TSMImportBaseComponent::Cancelled() const { return fAnimatedStatus && fDialogs->IsProgressCancelled(); }

TSMIProgressCounters TSMImportBaseComponent::Counters(Integer processed) const {
  return {processed,
          fStatistic->TotalErrors(),
          fStatistic->TotalAdded(),
          fStatistic->TotalDeleted(),
          fStatistic->TotalUpdated(),
          fStatistic->TotalSkipped()};
}

void TSMImportBaseComponent::RefreshProgress() {
  if (!fAnimatedStatus || ++fRowsSinceRefresh < std::max<Integer>(fStatistic->UpdateStep(), 1)) return;
  fRowsSinceRefresh = 0;
  fDialogs->UpdateProgress(fTitleStatus, Counters(fStatistic->TotalImported()));
}

// ---- The source side ------------------------------------------------------------------

void TSMImportBaseComponent::OpenSource() {
  if (fDataFormats->UseRegionalSettings()) fDataFormats->LoadRegionalSettings();
}

bool TSMImportBaseComponent::GetTargetName(AnsiString& name) {
  if (fDataSet != nullptr) return false;
  name = "DataSet";
  return true;
}

void TSMImportBaseComponent::FillColumnsFromDataSet() {
  if (fDataSet == nullptr) return;
  for (int i = 0; i < fDataSet->FieldCount(); ++i) {
    TField* field = fDataSet->Fields().Fields(i);
    TSMIColumn* column = fColumns->Add();
    column->SetFieldName(field->FieldName());
    column->SetCaption(field->DisplayLabel());
    column->SetDataType(ColumnTypeOf(field->DataType()));
    column->SetAlignment(field->Alignment());
    column->SetSize(field->Size());
    if (const auto* floatField = dynamic_cast<const TFloatField*>(field)) column->SetPrecision(floatField->Precision());
  }
}

void TSMImportBaseComponent::FillMappingsFromFields() {
  if (fDataSet == nullptr) return;
  std::vector<TField*> fields;
  for (int i = 0; i < fDataSet->FieldCount(); ++i) {
    TField* field = fDataSet->Fields().Fields(i);
    if (field->FieldKind() != fkCalculated && field->FieldKind() != fkLookup) fields.push_back(field);
  }
  bool matched = false;
  for (int i = 0; i < fColumns->Count(); ++i) {
    const TSMIColumn* column = fColumns->Items(i);
    const bool blank = column->FieldName().find(' ') != AnsiString::npos;
    for (TField* field : fields) {
      const bool same = AnsiSameText(field->FieldName(), column->FieldName()) ||
                        (blank && AnsiSameText(field->FieldName(), "[" + column->FieldName() + "]")) ||
                        (fUseDisplayNames && AnsiSameText(field->DisplayLabel(), column->Caption()));
      if (!same) continue;
      fMappings->Add(field->FieldName() + "=" + QuoteName(i));
      matched = true;
      break;
    }
  }
  if (matched) return;
  for (std::size_t i = 0; i < fields.size() && static_cast<int>(i) < fColumns->Count(); ++i)
    fMappings->Add(fields[i]->FieldName() + "=" + QuoteName(static_cast<int>(i)));
}

// Brackets a name the expression language would not read as one name: one with a blank,
// as the format asks, and also one with other characters (a Cyrillic column title).
AnsiString TSMImportBaseComponent::QuoteName(int index) {
  const AnsiString name = fColumns->Items(index)->FieldName();
  return IsPlainName(name) ? name : "[" + name + "]";
}

// ---- Mappings -------------------------------------------------------------------------

void TSMImportBaseComponent::PrepareMappings() {
  fParsers.clear();
  fMappingList.clear();
  fFieldMappings.clear();
  fKeyList.clear();
  for (int i = 0; i < fMappings->Count(); ++i) {
    const AnsiString name = Trim(fMappings->Names(i));
    if (name.empty()) continue;
    fMappingList.push_back({name, fMappings->ValueFromIndex(i), Null(), -1});
    const int mapping = static_cast<int>(fMappingList.size()) - 1;
    // A field mapped twice takes the value of its last line.
    auto same = std::find_if(fFieldMappings.begin(), fFieldMappings.end(),
                             [&](int index) { return AnsiSameText(fMappingList[index].FieldName, name); });
    if (same != fFieldMappings.end())
      *same = mapping;
    else
      fFieldMappings.push_back(mapping);
  }
  if (!UsesKeys()) return;
  CheckKeysMapped();
  for (const AnsiString& key : SplitNames(fDatasetKeys))
    for (int i = static_cast<int>(fMappingList.size()) - 1; i >= 0; --i)
      if (AnsiSameText(fMappingList[i].FieldName, key)) {
        fKeyList.push_back({key, Null(), i});
        break;
      }
}

void TSMImportBaseComponent::GetRowValues() {
  for (MappingEntry& entry : fMappingList) {
    TField* field = fDataSet->FindField(entry.FieldName);
    if (field == nullptr && fUseDisplayNames)
      for (int i = 0; i < fDataSet->FieldCount() && field == nullptr; ++i)
        if (AnsiSameText(fDataSet->Fields().Fields(i)->DisplayLabel(), entry.FieldName))
          field = fDataSet->Fields().Fields(i);
    entry.FieldIndex = field != nullptr ? field->Index() : -1;
  }
  CheckMappedFieldsExist();
}

// A mapping to a field the dataset lacks would leave its column unwritten in every row, or
// fail each row: the run is refused before the first one.
void TSMImportBaseComponent::CheckMappedFieldsExist() const {
  AnsiString missing;
  for (const MappingEntry& entry : fMappingList)
    if (entry.FieldIndex < 0) missing += (missing.empty() ? "" : ", ") + entry.FieldName;
  if (!missing.empty()) throw Exception("The mappings name fields the dataset does not have: " + missing + ".");
}

TField* TSMImportBaseComponent::MappedField(const MappingEntry& entry) const {
  const int index = MappedFieldIndex(entry);
  return index >= 0 ? fDataSet->Fields().Fields(index) : nullptr;
}

int TSMImportBaseComponent::MappedFieldIndex(const MappingEntry& entry) const {
  if (entry.FieldIndex >= 0 && entry.FieldIndex < fDataSet->FieldCount()) return entry.FieldIndex;
  const TField* field = fDataSet->FindField(entry.FieldName);
  return field != nullptr ? field->Index() : -1;
}

Variant TSMImportBaseComponent::MappingValues() const {
  std::vector<Variant> values;
  for (const MappingEntry& entry : fMappingList) values.push_back(entry.Value);
  return VarArrayOf(values);
}

Variant TSMImportBaseComponent::KeyValues() const {
  if (fKeyList.size() == 1) return fKeyList[0].Value;
  std::vector<Variant> values;
  for (const RowEntry& entry : fKeyList) values.push_back(entry.Value);
  return VarArrayOf(values);
}

// ---- Values ---------------------------------------------------------------------------

// A text source names its fields "Text..."; such a name is looked up as it is, unparsed.
bool TSMImportBaseComponent::IsSourceTextName(const AnsiString& expression) const {
  return (fTableType == teText || fTableType == teClipboard) && expression.compare(0, 4, "Text") == 0;
}

Variant TSMImportBaseComponent::EvaluateExpression(const AnsiString& expression) {
  if (IsSourceTextName(expression)) {
    Variant value = expression;
    bool done = true;
    ConvertValue(this, expression, TSMIArguments(), 0, false, value, done);
    return value;
  }
  return ParserOf(expression).Calculate();
}

TSMIParser& TSMImportBaseComponent::ParserOf(const AnsiString& expression) {
  std::unique_ptr<TSMIParser>& parser = fParsers[expression];
  if (!parser) {
    parser = std::make_unique<TSMIParser>(nullptr);
    parser->OnEvaluate = TOnEvaluate::Bind(this, &TSMImportBaseComponent::ConvertValue);
    parser->SetText(expression);
  }
  return *parser;
}

// A mapping's expression as EvaluateExpression evaluates it, with its parser kept in the
// entry: every field of every row comes here. A mapping that is one plain name (a column
// reference) is resolved as its parser's request for the name would be, without the
// parser's evaluation and without reading the name again for every row.
Variant TSMImportBaseComponent::EvaluateMapping(MappingEntry& entry, TField* field) {
  if (IsSourceTextName(entry.Expression)) return EvaluateExpression(entry.Expression);
  if (entry.Parser == nullptr) entry.Parser = &ParserOf(entry.Expression);
  const TExpNode* name = entry.Parser->SoleName();
  if (name == nullptr) return entry.Parser->Calculate();
  if (name->Name() != entry.SoleName) {
    entry.SoleName = name->Name();
    // The import's own names (the statistics) take the parser's way.
    entry.Reference = StatisticCounter(UpperCase(entry.SoleName)) == nullptr
                          ? std::optional<AnsiString>(PlainReference(entry.SoleName))
                          : std::nullopt;
    entry.ColumnsVersion.reset();
  }
  if (!entry.Reference) return entry.Parser->Calculate();
  Variant value = MappedReferenceValue(entry, field);
  bool done = true;
  // The entry's copy of the name: a handler may give the parser a new text, and its tree
  // with the name goes.
  FinishValue(entry.Parser, entry.SoleName, NoArguments(), 0, false, field, value, done);
  return value;
}

void TSMImportBaseComponent::ConvertValue(TObject* sender, const AnsiString& eval, const TSMIArguments& args,
                                          int argCount, bool isChild, Variant& value, bool& done) {
  done = argCount == 0;
  std::optional<AnsiString> unenclosed;
  if (IsText(value)) {
    const AnsiString text = VarToStr(value);
    AnsiString plain = PlainReference(text);
    // A plain name keeps its value rather than take a copy.
    if (VarType(value) != varString || plain.size() != text.size()) value = plain;
    unenclosed = std::move(plain);
  }
  const AnsiString name = UpperCase(eval);
  TField* field = CurrentField();
  // Every cell of every row passes here as a name: the argument counts and the "STAT"
  // prefix keep a column's name from being compared with each of the import's own names.
  const TStatisticCounter counter = StatisticCounter(name);
  if (argCount >= 4 && name == "LOOKUP") {
    value = LookupValue(args);
  } else if (argCount >= 3 && name == "SUBSTITUTE") {
    value = Null();
    const std::vector<AnsiString> from = SplitItems(VarToStr(args[1])), to = SplitItems(VarToStr(args[2]));
    const AnsiString text = VarToStr(args[0]);
    for (std::size_t i = 0; i < from.size() && i < to.size(); ++i)
      if (from[i] == text) {
        value = to[i];
        break;
      }
  } else if (counter != nullptr) {
    value = ((*fStatistic).*counter)();
  } else {
    value = ReferencedValue(unenclosed ? *unenclosed : VarToStr(value), field);
  }
  FinishValue(sender, eval, args, argCount, isChild, field, value, done);
}

TField* TSMImportBaseComponent::CurrentField() const {
  return fCurrentField >= 0 && fDataSet != nullptr ? fDataSet->Fields().Fields(fCurrentField) : nullptr;
}

// The reference without its brackets or quotes.
AnsiString TSMImportBaseComponent::PlainReference(const AnsiString& name) {
  return AnsiString(Unenclosed(Unenclosed(name, '[', ']'), '"', '"'));
}

// A parameter of that name, else the source's value.
Variant TSMImportBaseComponent::ReferencedValue(const AnsiString& reference, TField* field) {
  const TSMIParameter* parameter = fParameters->FindParameter(reference);
  return ParsedValue(parameter != nullptr ? parameter->Value() : GetSourceValue(reference), field);
}

// ReferencedValue of a mapping's reference, with its column in the source resolved once.
Variant TSMImportBaseComponent::MappedReferenceValue(MappingEntry& entry, TField* field) {
  const AnsiString& reference = *entry.Reference;
  if (const TSMIParameter* parameter = fParameters->FindParameter(reference))
    return ParsedValue(parameter->Value(), field);
  if (entry.ColumnsVersion != fColumnsVersion) {
    entry.SourceColumn = SourceColumn(reference);
    entry.ColumnsVersion = fColumnsVersion;
  }
  return ParsedValue(entry.SourceColumn >= 0 ? GetColumnValue(entry.SourceColumn) : GetSourceValue(reference), field);
}

Variant TSMImportBaseComponent::ParsedValue(Variant value, TField* field) {
  if (OnParsedValue) OnParsedValue(this, field, value);
  return value;
}

// The handler's say, then trimming, emptiness and the conversion for the field.
void TSMImportBaseComponent::FinishValue(TObject* sender, const AnsiString& eval, const TSMIArguments& args,
                                         int argCount, bool isChild, TField* field, Variant& value, bool& done) {
  if (OnParserEvaluate) OnParserEvaluate(sender, eval, args, argCount, isChild, value, done);
  if (!IsText(value)) return;  // a number or a date goes to its field as it is
  if (fTrimSpaces != tsNoTrim) {
    const WideString text = value.AsWideString();
    value = fTrimSpaces == tsTrimRight ? TrimRight(text) : fTrimSpaces == tsTrimLeft ? TrimLeft(text) : Trim(text);
  }
  if (HasNoText(value)) {
    value = Null();
    return;
  }
  if (!isChild && field != nullptr &&
      ConvertsImportText(value, KindOf(field->DataType()), field->IsBlob(), BlobsAsBase64()))
    value = ConvertImportText(value, ConversionTarget(field), *fDataFormats, fTableType == teXML, BlobsAsBase64());
}

TSMIConversionTarget TSMImportBaseComponent::ConversionTarget(TField* field) const {
  TSMIConversionTarget target;
  target.Kind = KindOf(field->DataType());
  target.IsBlob = field->IsBlob();
  target.FieldName = field->FieldName();
  return target;
}

Variant TSMImportBaseComponent::LookupValue(const TSMIArguments& args) const {
  TDataSet* dataSet = FindDataSetComponent(VarToStr(args[0]));
  if (dataSet == nullptr || !dataSet->Locate(VarToStr(args[1]), args[2], {})) return Null();
  Variant value = dataSet->FieldByName(VarToStr(args[3]))->Value();
  if (IsText(value)) value = AnsiString(Unenclosed(VarToStr(value), '~', '~'));
  return value;
}

// "Form.DataSet" inside a form of the application, or a plain name in the form that owns
// this component, else among the components this one owns.
TDataSet* TSMImportBaseComponent::FindDataSetComponent(const AnsiString& name) const {
  TComponent* found = nullptr;
  if (const std::size_t point = name.find('.'); point != AnsiString::npos) {
    TComponent* form = Application != nullptr ? Application->FindComponent(name.substr(0, point)) : nullptr;
    found = form != nullptr ? form->FindComponent(name.substr(point + 1)) : nullptr;
  } else {
    found = Owner() != nullptr ? Owner()->FindComponent(name) : nullptr;
    if (found == nullptr) found = FindComponent(name);
  }
  return dynamic_cast<TDataSet*>(found);
}

bool TSMImportBaseComponent::FetchRow() {
  bool accept = true;
  for (MappingEntry& entry : fMappingList) {
    // The place the mapping resolved to before the run: a row searches no field list.
    fCurrentField = MappedFieldIndex(entry);
    TField* field = CurrentField();
    Variant value = EvaluateMapping(entry, field);
    if (fCharacterSet != csiANSI_WINDOWS && !VarIsNull(value) && !VarToStr(value).empty() && !IsTypedField(field))
      value = fCharacterSet == csiASCII_MSDOS ? OemToAnsi(VarToStr(value)) : EbcdicToAnsi(VarToStr(value));
    if (OnGetCellParams) OnGetCellParams(this, field, value);
    entry.Value = std::move(value);
  }
  fCurrentField = -1;
  const auto condition = [this](const AnsiString& expression) {
    const Variant value = EvaluateExpression(expression);
    return !VarIsNull(value) && value.AsBoolean();
  };
  if (!fLoadCondition->LoadWhen().empty()) accept = condition(fLoadCondition->LoadWhen());
  if (accept && !fLoadCondition->SkipIf().empty()) accept = !condition(fLoadCondition->SkipIf());
  if (accept && fOptions.Contains(soSkipEmptyRow))
    accept = std::any_of(fMappingList.begin(), fMappingList.end(), [](const MappingEntry& entry) {
      const AnsiString text = Trim(VarToStr(entry.Value));
      return !text.empty() && text != "0";
    });
  if (OnBeforeRecordEvent) {
    Variant values = MappingValues();
    OnBeforeRecordEvent(this, AnsiString(), values, accept);
  }
  if (!accept) return false;
  for (RowEntry& entry : fKeyList) entry.Value = fMappingList[entry.MappingIndex].Value;
  return true;
}

// ---- The row loop ---------------------------------------------------------------------

void TSMImportBaseComponent::StartTransaction() {
  if (!OnStartTransaction) return;
  OnStartTransaction(this);
  fTransactionOpen = true;
  fCommitted = {fStatistic->TotalAdded(), fStatistic->TotalUpdated(), fStatistic->TotalDeleted()};
}

// A cycle whose end fails (its commit) stored none of its rows: the counts go back to
// what the cycles before it stored.
void TSMImportBaseComponent::FinishTransaction() {
  if (!fTransactionOpen) return;
  fTransactionOpen = false;
  if (!OnFinishTransaction) return;
  try {
    OnFinishTransaction(this);
  } catch (...) {
    fStatistic->SetTotalAdded(fCommitted.Added);
    fStatistic->SetTotalUpdated(fCommitted.Updated);
    fStatistic->SetTotalDeleted(fCommitted.Deleted);
    throw;
  }
}

// After a failure the cycle still ends, and the controls come back; a failure of those
// steps (the connection lost with the run) counts in the rows stored, but the run's
// error stays the one that ended it.
void TSMImportBaseComponent::EndAfterFailure(bool controlsDisabled) {
  try {
    FinishTransaction();
  } catch (const std::exception&) {
  }
  if (!controlsDisabled) return;
  try {
    fDataSet->First();
  } catch (const std::exception&) {
  }
  fDataSet->EnableControls();
}

void TSMImportBaseComponent::ImportData() {
  bool controlsDisabled = false;
  try {
    StartTransaction();
    PrepareMappings();
    GetRowValues();
    fDataSet->DisableControls();
    controlsDisabled = true;
    fTargetTable = fTableName.empty() ? DataSetTableName(fDataSet) : fTableName;
    fAborted = false;
    fRowsSinceRefresh = 0;
    if (fMode == imCopy) EmptyTarget();
    FirstRow();
    fStatistic->SetTotalCount(std::min(GetRowCount(), fRowLast));
    if (fAnimatedStatus) fDialogs->SetProgressRange(0, fStatistic->TotalCount(), 0);
    while (!fAborted && !Cancelled() && HasMoreRows()) {
      ImportRow();
      NextRow();
    }
  } catch (...) {
    EndAfterFailure(controlsDisabled);
    throw;
  }
  try {
    FinishTransaction();
  } catch (...) {
    EndAfterFailure(controlsDisabled);
    throw;
  }
  fDataSet->First();
  fDataSet->EnableControls();
}

// imCopy: the target's records go first. In SQL mode the DELETE is handed to
// OnAfterRecordEvent before the first row replaces it.
void TSMImportBaseComponent::EmptyTarget() {
  const bool generate = fActionKind == akGenerateSQL;
  fDataSet->First();
  while (!fDataSet->Eof()) {
    if (generate)
      fDataSet->Next();
    else
      fDataSet->Delete();
    fStatistic->SetTotalDeleted(fStatistic->TotalDeleted() + 1);
  }
  if (!generate) return;
  fStatistic->SetSQLText(AnsiToWide("DELETE FROM " + fTargetTable));
  if (OnAfterRecordEvent) OnAfterRecordEvent(this, fAborted);
}

void TSMImportBaseComponent::CommitCycle() {
  if (fCommitCount <= 0 || fStatistic->TotalImported() % fCommitCount != 0) return;
  FinishTransaction();
  StartTransaction();
}

void TSMImportBaseComponent::ImportRow() {
  RefreshProgress();
  fStatistic->SetTotalImported(fStatistic->TotalImported() + 1);
  fStatistic->SetLastAction(iaUnknown);
  fStatistic->SetSQLText(WideString());
  fFailedValue.reset();
  CommitCycle();
  try {
    if (!FetchRow()) {
      fStatistic->SetTotalSkipped(fStatistic->TotalSkipped() + 1);
    } else {
      TImportMode rowMode = fMode;
      if (OnGetRowMode) OnGetRowMode(this, MappingValues(), rowMode);
      AnsiString conditions;
      const bool exist = LocateRow(rowMode, conditions);
      if (OnBeforeUpdate) OnBeforeUpdate(this);
      const TSMIAction action = ActionOf(rowMode, exist);
      fStatistic->SetLastAction(action);
      ApplyRow(action, conditions);
    }
  } catch (const RowAbort&) {
    throw;
  } catch (Exception& error) {
    // A failure before the row was written (its values, its look-up, an event).
    NameRow(error);
    fStatistic->SetTotalErrors(fStatistic->TotalErrors() + 1);
    if (ReportError(error)) throw;
  }
  fAborted = false;
  if (OnAfterRecordEvent) OnAfterRecordEvent(this, fAborted);
}

TSMIAction TSMImportBaseComponent::ActionOf(TImportMode rowMode, bool exist) {
  switch (rowMode) {
    case imAppend: case imCopy: return iaAdd;
    case imUpdate: return exist ? iaUpdate : iaUnknown;
    case imAppendUpdate: return exist ? iaUpdate : iaAdd;
    case imDelete: return exist ? iaDelete : iaUnknown;
    case imAppendNewOnly: return exist ? iaUnknown : iaAdd;
  }
  return iaUnknown;
}

// Whether the row's record exists. Without a key to look it up by, it does not, so a row
// switched to update or delete touches nothing.
bool TSMImportBaseComponent::LocateRow(TImportMode rowMode, AnsiString& conditions) {
  if (!IsKeyedMode(rowMode) || fKeyList.empty()) return false;
  const Variant values = KeyValues();
  if (fActionKind == akGenerateSQL)
    for (const RowEntry& key : fKeyList) {
      const AnsiString name = SQLFieldName(key.FieldName);
      const AnsiString condition = VarIsNull(key.Value)
                                       ? "(" + name + " IS NULL)"
                                       : "(" + name + "=" + SQLLiteral(fDataSet->FindField(key.FieldName), key.Value) + ")";
      conditions += (conditions.empty() ? "" : " AND ") + condition;
    }
  bool exist = true, executeLocate = true;
  if (OnLocateRecord) OnLocateRecord(this, fDatasetKeys, values, exist, executeLocate);
  if (exist && executeLocate) exist = fDataSet->Locate(fDatasetKeys, values, {});
  return exist;
}

void TSMImportBaseComponent::ApplyRow(TSMIAction action, const AnsiString& conditions) {
  const bool generate = fActionKind == akGenerateSQL;
  try {
    switch (action) {
      case iaAdd:
        if (!generate) fDataSet->Append();
        fStatistic->SetTotalAdded(fStatistic->TotalAdded() + 1);
        break;
      case iaUpdate:
        if (!generate) fDataSet->Edit();
        fStatistic->SetTotalUpdated(fStatistic->TotalUpdated() + 1);
        break;
      case iaDelete:
        if (!generate) fDataSet->Delete();
        fStatistic->SetTotalDeleted(fStatistic->TotalDeleted() + 1);
        break;
      case iaUnknown:
        break;
    }
    if (!generate && !IsEditing(fDataSet)) return;
    const std::vector<AnsiString> keys = generate ? SplitNames(fDatasetKeys) : std::vector<AnsiString>();
    AnsiString names, values, pairs;
    for (const int mapping : fFieldMappings) {
      const MappingEntry& entry = fMappingList[static_cast<std::size_t>(mapping)];
      // The field its mapping line resolved to before the run: no look-up by name per row.
      TField* field = MappedField(entry);
      if (field == nullptr) continue;
      // The row's value itself unless a handler may change it.
      const Variant* value = &entry.Value;
      Variant handled;
      bool accept = !(generate && field->IsBlob());
      if (OnBeforeFieldUpdate) {
        handled = entry.Value;
        OnBeforeFieldUpdate(this, field, handled, accept);
        value = &handled;
      }
      if (!accept) continue;
      if (!generate) {
        WriteSourceValue(field, *value);
        continue;
      }
      const AnsiString name = SQLFieldName(field->FieldName());
      const AnsiString literal = SQLLiteral(field, *value);
      names += (names.empty() ? "" : ", ") + name;
      values += (values.empty() ? "" : ", ") + literal;
      const bool isKey = std::any_of(keys.begin(), keys.end(),
                                     [&](const AnsiString& key) { return AnsiSameText(key, field->FieldName()); });
      if (!isKey) pairs += (pairs.empty() ? "" : ", ") + name + "=" + literal;
    }
    if (!generate) {
      if (IsEditing(fDataSet)) PostRow();
      return;
    }
    const AnsiString where = conditions.empty() ? AnsiString() : " WHERE " + conditions;
    AnsiString sql;
    if (action == iaAdd) sql = "INSERT INTO " + fTargetTable + " (" + names + ") VALUES (" + values + ")";
    // An update with nothing but keys to set has no statement.
    if (action == iaUpdate && !pairs.empty()) sql = "UPDATE " + fTargetTable + " SET " + pairs + where;
    if (action == iaDelete) sql = "DELETE FROM " + fTargetTable + where;
    fStatistic->SetSQLText(AnsiToWide(sql));
  } catch (Exception& error) {
    RowFailed(error, action);
  }
}

// A value outside 32 bits fails the row rather than wrap into another number. A number
// reaches a large-integer or a text field with every digit it has: a whole one that a
// double holds exactly as that integer (one beyond fails as the text the field refuses),
// any number as the shortest text that gives it back.
void TSMImportBaseComponent::WriteField(TField* field, const Variant& value) {
  if (HasNoText(value)) {
    field->Clear();
    return;
  }
  const TFieldType type = field->DataType();
  const bool finiteNumber = IsFiniteNumber(value);
  if (type == ftLargeint) {
    if (finiteNumber && IsExactWholeNumber(value.AsDouble()))
      field->SetAsLargeInt(static_cast<Int64>(value.AsDouble()));
    else
      field->SetAsString(VarToStr(value));
    return;
  }
  if (finiteNumber && IsTextFieldType(type)) {
    field->SetAsString(ImportNumberText(value.AsDouble()));
    return;
  }
  if ((type == ftInteger || type == ftAutoInc) && !IsText(value)) {
    const Int64 number = value.AsInt64();
    if (number < INT32_MIN || number > INT32_MAX)
      throw ERangeError(Format(dbconsts::SFieldRangeError, {number, field->DisplayName(), INT32_MIN, INT32_MAX}));
  }
  field->SetValue(value);
}

void TSMImportBaseComponent::WriteSourceValue(TField* field, const Variant& value) {
  try {
    WriteField(field, value);
  } catch (const Exception&) {
    fFailedValue = {field, value};
    throw;
  }
}

// The server refuses a row at its post, naming the field (in quotes) when it can.
void TSMImportBaseComponent::PostRow() {
  try {
    fDataSet->Post();
  } catch (const Exception& error) {
    const AnsiString& text = error.Message();
    const auto names = [&](const AnsiString& name) {
      return text.find('"' + name + '"') != AnsiString::npos || text.find('\'' + name + '\'') != AnsiString::npos;
    };
    for (const int mapping : fFieldMappings) {
      const MappingEntry& entry = fMappingList[static_cast<std::size_t>(mapping)];
      TField* field = MappedField(entry);
      if (field != nullptr && (names(field->FieldName()) || names(field->DisplayName()))) {
        fFailedValue = {field, entry.Value};
        break;
      }
    }
    throw;
  }
}

// Its user finds what failed in the source by the error: the row (counted on from
// RowFirst, wide enough for any), and the field and value when a field refused it.
void TSMImportBaseComponent::NameRow(Exception& error) const {
  const Int64 row = std::max<Int64>(Int64{fRowFirst} - 1, 0) + fStatistic->TotalImported();
  AnsiString prefix = "Row " + IntToStr(row);
  if (fFailedValue) {
    const Variant& value = fFailedValue->Value;
    prefix += Format(", field %s, value \"%s\"", {fFailedValue->Field->FieldName(),
                                                   IsFiniteNumber(value) ? ImportNumberText(value.AsDouble())
                                                                         : VarToStr(value)});
  }
  error.SetMessage(prefix + ": " + error.Message());
}

void TSMImportBaseComponent::RowFailed(Exception& error, TSMIAction action) {
  NameRow(error);
  if (fActionKind == akDatasetApply && IsEditing(fDataSet)) fDataSet->Cancel();
  fStatistic->SetTotalErrors(fStatistic->TotalErrors() + 1);
  switch (action) {
    case iaAdd: fStatistic->SetTotalAdded(fStatistic->TotalAdded() - 1); break;
    case iaUpdate: fStatistic->SetTotalUpdated(fStatistic->TotalUpdated() - 1); break;
    case iaDelete: fStatistic->SetTotalDeleted(fStatistic->TotalDeleted() - 1); break;
    case iaUnknown: break;
  }
  if (ReportError(error)) throw RowAbort(error.Message());
}

// OnErrorEvent with Abort preset from AbortOnProblem: whether to abort the run.
bool TSMImportBaseComponent::ReportError(const Exception& error) {
  if (!OnErrorEvent) return false;
  bool abort = fAbortOnProblem;
  OnErrorEvent(this, error, abort);
  return abort;
}

}  // namespace ordvane
