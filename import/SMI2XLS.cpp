#include "import/SMI2XLS.h"

#include <algorithm>
#include <array>

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

}  // namespace

std::unique_ptr<TSpreadSheetFile> TSMImportFromXLS::CreateSpreadSheetFile() {
  if (IsOpenXMLName(SourceFileName())) return std::make_unique<TMSExcelX>(nullptr);
  return std::make_unique<TMSExcel>(nullptr);
}

AnsiString TSMImportFromXLS::NoSheetReason() {
  if (SourceStream() == nullptr && IsOpenXMLName(SourceFileName()))
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
