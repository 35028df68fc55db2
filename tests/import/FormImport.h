#pragma once
// What the tests of the workbook import share: the operator form made by LibreOffice
// (tests/fixtures/make_form_xls.sh), an in-memory target with fields named after its
// column titles, and the outcome of a run as the operator would see it.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "import/SMI2XLS.h"
#include "tests/import/ApplicationFormats.h"
#include "tests/support/FirebirdFixture.h"
#include "tests/import/TargetRecords.h"
#include "tests/support/MemDataSet.h"

namespace ordvane::test {

inline std::string FormFixture(const std::string& name) { return FixturePath("import/form/" + name); }

// The titles of the form's first sheet, in UTF-8.
inline const std::vector<std::string>& FormTitles() {
  static const std::vector<std::string> titles = {
      "№ з/п",           "Прізвище",         "Власне ім’я",        "По батькові",
      "Дата народження", "Місце народження", "Попереднє прізвище", "Бал"};
  return titles;
}

class FormImportTest : public ::testing::Test {
 protected:
  FormImportTest() {
    import.SetAnimatedStatus(false);
    import.SetDialogs(dialogs);
    SetApplicationFormats(*import.DataFormats());
    import.SetSourceFileName(FormFixture("form.xls"));
  }

  // Target fields given as UTF-8 name and type; string fields are 60 characters wide.
  void OpenTarget(const std::vector<std::pair<std::string, TFieldType>>& fields) {
    for (const auto& [name, type] : fields)
      data.FieldDefs().Add(Utf8ToAnsi(name), type, type == ftString ? 60 : 0);
    data.Open();
    import.SetDataSet(&data);
  }

  // Mapping lines given in UTF-8.
  void Map(std::initializer_list<const char*> lines) {
    for (const char* line : lines) import.Mappings()->Add(Utf8ToAnsi(line));
  }

  std::vector<std::string> Records() { return TargetRecords(data); }

  // The message the run ended with, in UTF-8.
  std::string Outcome() const {
    for (const AnsiString& line : dialogs->Log())
      if (line.rfind("message ", 0) == 0) return AnsiToUtf8(line.substr(9, line.size() - 10));
    return "(no message)";
  }

  TMemDataSet data{nullptr};
  TSMImportFromXLS import{nullptr};
  std::shared_ptr<TSMIHeadlessDialogs> dialogs = std::make_shared<TSMIHeadlessDialogs>();
};

}  // namespace ordvane::test
