#include "import/SMI2XLS.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string_view>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/FileUtils.h"
#include "import/SMXLS.h"

namespace ordvane {

TSMImportFromXLS::TSMImportFromXLS(TComponent* owner) : TSMImportFromCell(owner) {
  SetTableType(teXLS);
}

namespace {

bool IsOpenXMLName(const AnsiString& fileName) {
  static constexpr std::array<const char*, 9> kOpenXMLExtensions = {
      ".XLSX", ".XLSM", ".XLTX", ".XLTM", ".XLAX", ".XLAM", ".XLSB", ".XLTB", ".XLAB"};
  const AnsiString extension = AnsiUpperCase(ExtractFileExt(fileName));
  return std::any_of(kOpenXMLExtensions.begin(), kOpenXMLExtensions.end(),
                     [&](const char* known) { return extension == known; });
}

// An Open XML package under any name: a ZIP archive (it starts with a local file header)
// whose central directory, at its end, lists the part every such package has.
bool HoldsOpenXMLPackage(const AnsiString& fileName) {
  constexpr std::string_view kZipStart = "PK\x03\x04", kContentTypes = "[Content_Types].xml";
  // Far more than the directory of a workbook's few dozen parts.
  constexpr std::streamoff kDirectoryWindow = 256 * 1024;
  std::ifstream file(FileNameToSystem(fileName), std::ios::binary);
  std::string start(kZipStart.size(), '\0');
  if (!file.read(start.data(), static_cast<std::streamsize>(start.size())) || start != kZipStart) return false;
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 0) return false;
  const std::streamoff from = std::max<std::streamoff>(size - kDirectoryWindow, 0);
  std::string tail(static_cast<std::size_t>(size - from), '\0');
  file.seekg(from);
  if (!file.read(tail.data(), static_cast<std::streamsize>(tail.size()))) return false;
  return tail.find(kContentTypes) != std::string::npos;
}

}  // namespace

bool TSMImportFromXLS::IsOpenXMLSource() {
  return SourceStream() == nullptr && (IsOpenXMLName(SourceFileName()) || HoldsOpenXMLPackage(SourceFileName()));
}

std::unique_ptr<TSpreadSheetFile> TSMImportFromXLS::CreateSpreadSheetFile() {
  if (IsOpenXMLSource()) return std::make_unique<TMSExcelX>(nullptr);
  return std::make_unique<TMSExcel>(nullptr);
}

AnsiString TSMImportFromXLS::NoSheetReason() {
  if (IsOpenXMLSource())
    return "The workbook " + SourceFileName() +
           " is an Open XML workbook, which is not read: save it as an Excel 97-2003 workbook (.xls).";
  return TSMImportFromCell::NoSheetReason();
}

AnsiString TSMImportFromXLS::GetFileFilter() {
  return AnsiString("Excel spreadsheet (*.xls)") + "|*.XLS|" + "Excel file (*.xls)" + "|*.XLS|" +
         "Excel 12 Workbook (*.xlsx)" + "|*.XLSX|" + "Excel 12 Macro-Enabled Workbook (*.xlsm)" + "|*.XLSM|" +
         "Excel 12 Binary Workbook (*.xlsb)" + "|*.XLSB|" + "Excel 12 Template (*.xltx)" + "|*.XLTX|" +
         "Excel 12  Macro-Enabled Template (*.xltm)" + "|*.XLTM|" + TSMImportFromCell::GetFileFilter();
}

}  // namespace ordvane
