#include "import/SMIStreaming.h"

#include <mutex>

#include "classlib/core/Filer.h"
#include "classlib/db/DBStreaming.h"
#include "import/SMI2XLS.h"

namespace ordvane {

namespace {

constexpr const char* kActionKindNames[] = {"akDatasetApply", "akGenerateSQL"};
constexpr const char* kCharacterSetNames[] = {"csiANSI_WINDOWS", "csiASCII_MSDOS", "csiEBCDIC"};
constexpr const char* kImportModeNames[] = {"imAppend", "imUpdate", "imAppendUpdate",
                                            "imDelete", "imCopy",   "imAppendNewOnly"};
constexpr const char* kOptionNames[] = {"soShowMessage",  "soExtendedStatistic",
                                        "soSkipEmptyRow", "soUseAnimatedControl",
                                        "soWaitCursor",   "soAutoCloseStatistic"};
constexpr const char* kTrimSpacesNames[] = {"tsNoTrim", "tsTrimRight", "tsTrimLeft", "tsTrimLeftRight"};
constexpr const char* kDateOrderNames[] = {"doMDY", "doDMY", "doYMD", "doYDM", "doDYM", "doMYD"};
constexpr const char* kFieldCharCaseNames[] = {"ifcNormal", "ifcUpperCase", "ifcLowerCase", "ifcProper"};
constexpr const char* kParameterEditorNames[] = {"ipeEdit", "ipeMemo", "ipeCheckBox", "ipeCombobox",
                                                 "ipeListBox"};
constexpr const char* kParameterModeNames[] = {"ipmCalculate", "ipmCalculateAndAsk", "ipmAsk"};

// The formats that come from the workstation have no fixed default: they are stored
// always, so that a form reads the same on every workstation.
void RegisterDataFormats() {
  using F = TSMIDataFormats;
  StoredProperties<F>()
      .Enum("DateOrder", &F::DateOrder, &F::SetDateOrder, kDateOrderNames, std::nullopt)
      .Char("DateSeparator", &F::DateSeparator, &F::SetDateSeparator, std::nullopt)
      .Char("TimeSeparator", &F::TimeSeparator, &F::SetTimeSeparator, std::nullopt)
      .Boolean("FourDigitYear", &F::FourDigitYear, &F::SetFourDigitYear, std::nullopt)
      .Boolean("LeadingZerosInDate", &F::LeadingZerosInDate, &F::SetLeadingZerosInDate, std::nullopt)
      .String("CustomDateTimeFormat", &F::CustomDateTimeFormat, &F::SetCustomDateTimeFormat, "")
      .Char("ThousandSeparator", &F::ThousandSeparator, &F::SetThousandSeparator, std::nullopt)
      .Char("DecimalSeparator", &F::DecimalSeparator, &F::SetDecimalSeparator, std::nullopt)
      .String("CurrencyString", &F::CurrencyString, &F::SetCurrencyString, std::nullopt)
      .String("BooleanTrue", &F::BooleanTrue, &F::SetBooleanTrue, "True")
      .String("BooleanFalse", &F::BooleanFalse, &F::SetBooleanFalse, "False")
      .Boolean("UseRegionalSettings", &F::UseRegionalSettings, &F::SetUseRegionalSettings, false);
}

void RegisterOptionObjects() {
  StoredProperties<TSMILoadCondition>()
      .String("LoadWhen", &TSMILoadCondition::LoadWhen, &TSMILoadCondition::SetLoadWhen, "")
      .String("SkipIf", &TSMILoadCondition::SkipIf, &TSMILoadCondition::SetSkipIf, "");
  StoredProperties<TSMISQLOptions>()
      .String("SQLTerm", &TSMISQLOptions::SQLTerm, &TSMISQLOptions::SetSQLTerm, ";")
      .Char("SQLQuote", &TSMISQLOptions::SQLQuote, &TSMISQLOptions::SetSQLQuote, '"')
      .Enum("FieldNameCharCase", &TSMISQLOptions::FieldNameCharCase, &TSMISQLOptions::SetFieldNameCharCase,
            kFieldCharCaseNames, ifcNormal)
      .Object("FieldNameOptions", [](TSMISQLOptions& o) { return o.FieldNameOptions(); });
  StoredProperties<TSMISQLFieldNameOptions>()
      .Char("SQLQuoteOpen", &TSMISQLFieldNameOptions::SQLQuoteOpen, &TSMISQLFieldNameOptions::SetSQLQuoteOpen,
            '[')
      .Char("SQLQuoteClose", &TSMISQLFieldNameOptions::SQLQuoteClose,
            &TSMISQLFieldNameOptions::SetSQLQuoteClose, ']');
  StoredProperties<TSMIParameter>()
      .String("Name", &TSMIParameter::Name, &TSMIParameter::SetName, "")
      .String("Caption", &TSMIParameter::Caption, &TSMIParameter::SetCaption, "")
      .String("Expression", &TSMIParameter::Expression, &TSMIParameter::SetExpression, "")
      .String("Description", &TSMIParameter::Description, &TSMIParameter::SetDescription, "")
      .Object("ParamPromptValues", [](TSMIParameter& p) { return p.ParamPromptValues(); })
      .Enum("ParameterEditor", &TSMIParameter::ParameterEditor, &TSMIParameter::SetParameterEditor,
            kParameterEditorNames, std::nullopt)
      .Enum("ParameterMode", &TSMIParameter::ParameterMode, &TSMIParameter::SetParameterMode,
            kParameterModeNames, std::nullopt)
      .Boolean("Required", &TSMIParameter::Required, &TSMIParameter::SetRequired, std::nullopt);
}

void RegisterImport() {
  using B = TSMImportBaseComponent;
  StoredProperties<B>()
      .Boolean("AbortOnProblem", &B::AbortOnProblem, &B::SetAbortOnProblem, true)
      .Enum("ActionKind", &B::ActionKind, &B::SetActionKind, kActionKindNames, akDatasetApply)
      .Boolean("AnimatedStatus", &B::AnimatedStatus, &B::SetAnimatedStatus, true)
      .Enum("CharacterSet", &B::CharacterSet, &B::SetCharacterSet, kCharacterSetNames, csiANSI_WINDOWS)
      .Object("DataFormats", [](B& b) { return b.DataFormats(); })
      .Reference<TDataSet>("DataSet", &B::DataSet, &B::SetDataSet)
      .String("DatasetKeys", &B::DatasetKeys, &B::SetDatasetKeys, "")
      .Object("LoadCondition", [](B& b) { return b.LoadCondition(); })
      .Object("SQLOptions", [](B& b) { return b.SQLOptions(); })
      .Object("Mappings", [](B& b) { return b.Mappings(); })
      .Enum("Mode", &B::Mode, &B::SetMode, kImportModeNames, imAppend)
      .SetOf(
          "Options", [](const B& b) { return SetBits(b.Options()); },
          [](B& b, UInt64 v) { b.SetOptions(SetFromBits<TSMIOptions>(v)); }, kOptionNames, 59)
      .Object("Parameters", [](B& b) { return b.Parameters(); })
      .String("TableName", &B::TableName, &B::SetTableName, "")
      .String("TitleStatus", &B::TitleStatus, &B::SetTitleStatus, "Importing...")
      .String("SpecificationDir", &B::SpecificationDir, &B::SetSpecificationDir, "")
      .Boolean("UseDisplayNames", &B::UseDisplayNames, &B::SetUseDisplayNames, false)
      .Enum("TrimSpaces", &B::TrimSpaces, &B::SetTrimSpaces, kTrimSpacesNames, tsNoTrim)
      .Integer("CommitCount", &B::CommitCount, &B::SetCommitCount, 300);
  using C = TSMImportFromCell;
  StoredProperties<C>()
      .Integer("SheetIndex", &C::SheetIndex, &C::SetSheetIndex, 0)
      .String(
          "SourceFileName", [](const C& c) { return const_cast<C&>(c).SourceFileName(); },
          &C::SetSourceFileName, std::nullopt)
      .Integer("RowFirst", &C::RowFirst, &C::SetRowFirst, 1)
      .Integer("RowLast", &C::RowLast, &C::SetRowLast, 2147483647)
      .Integer("RowFieldNames", &C::RowFieldNames, &C::SetRowFieldNames, 1);
}

}  // namespace

void RegisterSMIStreaming() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterDBStreaming();
    RegisterComponentClass<TSMImportFromXLS>();
    RegisterDataFormats();
    RegisterOptionObjects();
    RegisterImport();
  });
}

}  // namespace ordvane
