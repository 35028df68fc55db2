#include "import/SMIBase.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/Application.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "import/SMIText.h"

namespace ordvane {

namespace {

// Refuses a file that is no specification before any setting changes: loaded, it would
// leave every setting as it was and pass for one.
void CheckSpecificationLines(const TStrings& lines, const AnsiString& fileName) {
  const AnsiString refused = "The file " + fileName + " is not an import specification: ";
  if (lines.Count() == 0) throw Exception(refused + "it is empty.");
  for (int i = 0; i < lines.Count(); ++i) {
    const AnsiString line = Trim(lines.Strings(i));
    const bool section = line.starts_with("[") && line.ends_with("]");
    const auto equals = line.find('=');
    const bool keyed = equals != AnsiString::npos && !Trim(line.substr(0, equals)).empty();
    if (line.empty() || line.starts_with(";") || section || keyed) continue;
    throw Exception(refused + "line " + IntToStr(i + 1) + " is neither a section nor a key with its value.");
  }
}

constexpr const char* kTableTypeNames[] = {"teText", "teXLS", "teXML", "teClipboard"};

// Each character as two upper-case hexadecimal digits.
AnsiString HexOfText(const AnsiString& text) {
  AnsiString hex;
  for (char c : text) hex += IntToHex(static_cast<Integer>(static_cast<unsigned char>(c)), 2);
  return hex;
}

// A #0 character is written as nothing.
AnsiString HexOfChar(char c) {
  return c == '\0' ? AnsiString() : HexOfText(AnsiString(1, c));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The text of hexadecimal digit pairs; nothing when the digits do not make whole pairs.
std::optional<AnsiString> TextOfHex(const AnsiString& hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  AnsiString text;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    text += static_cast<char>(high * 16 + low);
  }
  return text;
}

// The value of the first line with the key, whatever its section.
std::optional<AnsiString> SpecificationValue(const TStrings* lines, const AnsiString& key) {
  const int index = lines->IndexOfName(key);
  if (index < 0) return std::nullopt;
  return lines->ValueFromIndex(index);
}

void ReadText(const TStrings* lines, const AnsiString& key,
              const std::function<void(const AnsiString&)>& set) {
  if (const auto value = SpecificationValue(lines, key)) set(*value);
}

void ReadFlag(const TStrings* lines, const AnsiString& key, const std::function<void(bool)>& set) {
  if (const auto value = SpecificationValue(lines, key)) set(*value == "1");
}

// An ordinal outside the enumeration is not a value of it and is passed over.
template <class Enum>
void ReadOrdinal(const TStrings* lines, const AnsiString& key, Enum last,
                 const std::function<void(Enum)>& set) {
  Integer ordinal = 0;
  if (const auto value = SpecificationValue(lines, key);
      value && TryStrToInt(*value, ordinal) && ordinal >= 0 && ordinal <= static_cast<Integer>(last))
    set(static_cast<Enum>(ordinal));
}

// A character written in hex. An empty value, like 00, is #0: none where none is allowed
// (noneAllowed); elsewhere #0 is no character, cannot be saved, and leaves the setting.
void ReadHexChar(const TStrings* lines, const AnsiString& key, bool noneAllowed,
                 const std::function<void(char)>& set) {
  const auto value = SpecificationValue(lines, key);
  if (!value) return;
  const auto text = TextOfHex(*value);
  if (!text) return;
  const char c = text->empty() ? '\0' : (*text)[0];
  if (c != '\0' || noneAllowed) set(c);
}

// A condition whole from its hex form when the text has one, else from its line.
void ReadCondition(const TStrings* lines, const AnsiString& key, const std::function<void(const AnsiString&)>& set) {
  if (const auto hex = SpecificationValue(lines, key + "Hex"))
    if (const auto text = TextOfHex(*hex)) {
      set(*text);
      return;
    }
  ReadText(lines, key, set);
}

bool SpansLines(const AnsiString& value) {
  return value.find_first_of("\r\n") != AnsiString::npos;
}

// The numbers a specification keeps (SheetIndex is the cell sources' sheet).
constexpr const char* kSpecificationNumbers[] = {"CommitCount", "RowFirst", "RowLast", "RowFieldNames",
                                                 "SheetIndex"};

// A number its setting cannot hold is refused before any setting changes, rather than
// passed over as if it were no number. A value that is no number is passed over.
void CheckSpecificationNumbers(const TStrings* lines) {
  for (const char* key : kSpecificationNumbers) {
    const auto value = SpecificationValue(lines, key);
    Int64 parsed = 0;
    if (!value || !TryStrToInt64(Trim(*value), parsed)) continue;
    if (parsed < std::numeric_limits<Integer>::min() || parsed > std::numeric_limits<Integer>::max())
      throw Exception(AnsiString("The specification's ") + key + " " + *value + " is outside " +
                      IntToStr(std::numeric_limits<Integer>::min()) + ".." +
                      IntToStr(std::numeric_limits<Integer>::max()) + ".");
  }
}

// Lines of a specification text, each ended by CR LF.
class SpecificationWriter {
 public:
  void Section(const char* name) { fText += AnsiString("[") + name + "]\r\n"; }
  // A value that spans lines would end its line early: the rest would be lost or make
  // the file unreadable.
  void Line(const AnsiString& key, const AnsiString& value) {
    if (SpansLines(value))
      throw Exception("The specification cannot keep " + key + ": its value spans lines.");
    fText += key + "=" + value + "\r\n";
  }
  // A condition may span lines (line breaks are blanks to the expression language): its
  // line has them as blanks, the same condition to any reader, and "<key>Hex" keeps it
  // whole for the loader.
  void Condition(const AnsiString& key, const AnsiString& value) {
    if (!SpansLines(value)) {
      Line(key, value);
      return;
    }
    AnsiString blanks = value;
    std::replace_if(blanks.begin(), blanks.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    Line(key, blanks);
    Line(key + "Hex", HexOfText(value));
  }
  void Number(const AnsiString& key, Int64 value) { Line(key, IntToStr(value)); }
  void Flag(const AnsiString& key, bool value) { Line(key, value ? "1" : "0"); }
  void WriteTo(TStream* stream) const { stream->WriteBuffer(fText.data(), static_cast<Int64>(fText.size())); }

 private:
  AnsiString fText;
};

}  // namespace

Integer TSMImportBaseComponent::SpecificationInteger(const TStrings* lines, const AnsiString& key,
                                                     Integer current) {
  const auto value = SpecificationValue(lines, key);
  return value ? StrToIntDef(*value, current) : current;
}

void TSMImportBaseComponent::SaveSpecification(const AnsiString& specificationName, TStream* stream) {
  SpecificationWriter out;
  out.Section("Common");
  out.Line("App", Application != nullptr ? Application->Title() : AnsiString());
  out.Line("Description", "SMImport: specification");
  out.Line("Specification", specificationName);
  out.Line("TableName", fTableName);
  out.Line("DatasetKeys", fDatasetKeys);
  out.Number("Mode", fMode);
  out.Line("TableType", AnsiString(kTableTypeNames[fTableType]).substr(2));
  out.Line("SourceFileName", SourceFileName());
  out.Number("CharacterSet", fCharacterSet);
  out.Number("CommitCount", fCommitCount);
  out.Section("Mappings");
  out.Number("Count", fMappings->Count());
  for (int i = 0; i < fMappings->Count(); ++i) out.Line("Map" + IntToStr(i + 1), fMappings->Strings(i));
  out.Section("Text");
  out.Line("FieldDelimiter", HexOfChar(fFieldDelimiter));
  out.Line("TextQualifier", HexOfChar(fTextQualifier));
  out.Line("RecordSeparator", HexOfText(fRecordSeparator));
  out.Flag("Fixed", fFixed);
  out.Number("TrimSpaces", fTrimSpaces);
  out.Number("RowFirst", fRowFirst);
  out.Number("RowLast", fRowLast);
  out.Number("RowFieldNames", fRowFieldNames);
  out.Section("DataFormat");
  const TSMIDataFormats& formats = *fDataFormats;
  out.Number("DateOrder", formats.DateOrder());
  out.Line("DateSeparator", HexOfChar(formats.DateSeparator()));
  out.Line("TimeSeparator", HexOfChar(formats.TimeSeparator()));
  out.Line("ThousandSeparator", HexOfChar(formats.ThousandSeparator()));
  out.Line("DecimalSeparator", HexOfChar(formats.DecimalSeparator()));
  out.Line("CurrencyString", formats.CurrencyString());
  out.Flag("FourDigitYear", formats.FourDigitYear());
  out.Flag("LeadingZerosInDate", formats.LeadingZerosInDate());
  out.Line("CustomDateTimeFormat", formats.CustomDateTimeFormat());
  out.Line("BooleanTrue", formats.BooleanTrue());
  out.Line("BooleanFalse", formats.BooleanFalse());
  out.Flag("UseRegionalSettings", formats.UseRegionalSettings());
  out.Section("Condition");
  out.Condition("LoadWhen", fLoadCondition->LoadWhen());
  out.Condition("SkipIf", fLoadCondition->SkipIf());
  out.WriteTo(stream);
}

void TSMImportBaseComponent::LoadSpecification(const TStrings* lines) {
  CheckSpecificationNumbers(lines);
  ReadText(lines, "TableName", [this](const AnsiString& v) { fTableName = v; });
  ReadText(lines, "DatasetKeys", [this](const AnsiString& v) { fDatasetKeys = v; });
  ReadOrdinal<TImportMode>(lines, "Mode", imAppendNewOnly, [this](TImportMode v) { fMode = v; });
  ReadText(lines, "TableType", [this](const AnsiString& v) {
    for (int i = 0; i < static_cast<int>(std::size(kTableTypeNames)); ++i)
      if (AnsiSameText("te" + v, kTableTypeNames[i])) fTableType = static_cast<TTableTypeImport>(i);
  });
  ReadText(lines, "SourceFileName", [this](const AnsiString& v) { fSourceFileName = v; });
  ReadOrdinal<TSMICharacterSet>(lines, "CharacterSet", csiEBCDIC,
                                [this](TSMICharacterSet v) { fCharacterSet = v; });
  fCommitCount = SpecificationInteger(lines, "CommitCount", fCommitCount);
  fMappings->Clear();
  for (int n = 1;; ++n) {
    const auto line = SpecificationValue(lines, "Map" + IntToStr(n));
    if (!line) break;
    fMappings->Add(*line);
  }
  LoadTextSettings(lines);
  LoadDataFormats(lines);
  ReadCondition(lines, "LoadWhen", [this](const AnsiString& v) { fLoadCondition->SetLoadWhen(v); });
  ReadCondition(lines, "SkipIf", [this](const AnsiString& v) { fLoadCondition->SetSkipIf(v); });
}

void TSMImportBaseComponent::LoadTextSettings(const TStrings* lines) {
  ReadHexChar(lines, "FieldDelimiter", true, [this](char c) { fFieldDelimiter = c; });
  ReadHexChar(lines, "TextQualifier", true, [this](char c) { fTextQualifier = c; });
  if (const auto value = SpecificationValue(lines, "RecordSeparator"))
    if (const auto text = TextOfHex(*value)) SetRecordSeparatorText(*text);
  ReadFlag(lines, "Fixed", [this](bool v) { fFixed = v; });
  ReadOrdinal<TSMITrimSpaces>(lines, "TrimSpaces", tsTrimLeftRight,
                              [this](TSMITrimSpaces v) { fTrimSpaces = v; });
  fRowFirst = SpecificationInteger(lines, "RowFirst", fRowFirst);
  fRowLast = SpecificationInteger(lines, "RowLast", fRowLast);
  fRowFieldNames = SpecificationInteger(lines, "RowFieldNames", fRowFieldNames);
}

void TSMImportBaseComponent::LoadDataFormats(const TStrings* lines) {
  TSMIDataFormats& formats = *fDataFormats;
  ReadOrdinal<TSMIDateOrder>(lines, "DateOrder", doMYD, [&](TSMIDateOrder v) { formats.SetDateOrder(v); });
  ReadHexChar(lines, "DateSeparator", false, [&](char c) { formats.SetDateSeparator(c); });
  ReadHexChar(lines, "TimeSeparator", false, [&](char c) { formats.SetTimeSeparator(c); });
  ReadHexChar(lines, "ThousandSeparator", false, [&](char c) { formats.SetThousandSeparator(c); });
  ReadHexChar(lines, "DecimalSeparator", false, [&](char c) { formats.SetDecimalSeparator(c); });
  ReadText(lines, "CurrencyString", [&](const AnsiString& v) { formats.SetCurrencyString(v); });
  ReadFlag(lines, "FourDigitYear", [&](bool v) { formats.SetFourDigitYear(v); });
  ReadFlag(lines, "LeadingZerosInDate", [&](bool v) { formats.SetLeadingZerosInDate(v); });
  ReadText(lines, "CustomDateTimeFormat", [&](const AnsiString& v) { formats.SetCustomDateTimeFormat(v); });
  ReadText(lines, "BooleanTrue", [&](const AnsiString& v) { formats.SetBooleanTrue(v); });
  ReadText(lines, "BooleanFalse", [&](const AnsiString& v) { formats.SetBooleanFalse(v); });
  ReadFlag(lines, "UseRegionalSettings", [&](bool v) { formats.SetUseRegionalSettings(v); });
}

AnsiString TSMImportBaseComponent::SpecificationPath(const AnsiString& fileName) const {
  const bool relative = !fileName.empty() && !IsPathDelimiter(fileName[0]);
  return relative && !fSpecificationDir.empty() ? IncludeTrailingPathDelimiter(fSpecificationDir) + fileName
                                                : fileName;
}

// The text is made in memory first, so a failure while it is made leaves no file behind.
void TSMImportBaseComponent::SaveSpecificationToFile(const AnsiString& specificationName,
                                                     const AnsiString& fileName) {
  AnsiString name = fileName;
  if (OnBeforeSaveSpecification) OnBeforeSaveSpecification(this, name);
  name = SpecificationPath(name);
  TMemoryStream text;
  SaveSpecification(specificationName, &text);
  TFileStream file(name, fmCreate);
  file.WriteBuffer(text.Memory(), text.Size());
  if (OnAfterSaveSpecification) OnAfterSaveSpecification(this, name);
}

void TSMImportBaseComponent::LoadSpecificationFromFile(const AnsiString& fileName) {
  AnsiString name = fileName;
  if (OnBeforeLoadSpecification) OnBeforeLoadSpecification(this, name);
  name = SpecificationPath(name);
  TStringList lines;
  lines.LoadFromFile(name);
  CheckSpecificationLines(lines, name);
  LoadSpecification(&lines);
  if (OnAfterLoadSpecification) OnAfterLoadSpecification(this, name);
}

}  // namespace ordvane
