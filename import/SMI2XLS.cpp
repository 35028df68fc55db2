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

std::unique_ptr<TSpreadSheetFile> TSMImportFromXLS::CreateSpreadSheetFile() {
  static constexpr std::array<const char*, 9> kOpenXMLExtensions = {
      ".XLSX", ".XLSM", ".XLTX", ".XLTM", ".XLAX", ".XLAM", ".XLSB", ".XLTB", ".XLAB"};
  const AnsiString extension = AnsiUpperCase(ExtractFileExt(SourceFileName()));
  const bool openXML = std::any_of(kOpenXMLExtensions.begin(), kOpenXMLExtensions.end(),
                                   [&](const char* known) { return extension == known; });
  if (openXML) return std::make_unique<TMSExcelX>(nullptr);
  return std::make_unique<TMSExcel>(nullptr);
}

AnsiString TSMImportFromXLS::GetFileFilter() {
  return AnsiString("Excel spreadsheet (*.xls)") + "|*.XLS|" + "Excel file (*.xls)" + "|*.XLS|" +
         "Excel 12 Workbook (*.xlsx)" + "|*.XLSX|" + "Excel 12 Macro-Enabled Workbook (*.xlsm)" + "|*.XLSM|" +
         "Excel 12 Binary Workbook (*.xlsb)" + "|*.XLSB|" + "Excel 12 Template (*.xltx)" + "|*.XLTX|" +
         "Excel 12  Macro-Enabled Template (*.xltm)" + "|*.XLTM|" + TSMImportFromCell::GetFileFilter();
}

}  // namespace ordvane
