#pragma once
// What the tests of the import run share: a source over rows held in memory and an
// in-memory target dataset.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "import/SMIBase.h"
#include "tests/import/ApplicationFormats.h"
#include "tests/import/TargetRecords.h"
#include "tests/support/MemDataSet.h"

namespace ordvane::test {

// Rows of values under column titles; GetSourceValue gives the current row's value of a
// title, and anything else unchanged, as a workbook source does.
class TVectorImport : public TSMImportBaseComponent {
  ORDVANE_CLASS(TVectorImport, TSMImportBaseComponent)

 public:
  using TSMImportBaseComponent::TSMImportBaseComponent;

  std::vector<AnsiString> Titles;
  std::vector<std::vector<Variant>> Rows;
  // When set, opening the source fails with it.
  AnsiString OpenFailure;
  std::vector<std::string> Calls;

 protected:
  void OpenSource() override {
    Calls.push_back(SourceStream() != nullptr ? "open stream" : "open");
    if (!OpenFailure.empty()) throw EFOpenError(OpenFailure);
    TSMImportBaseComponent::OpenSource();
  }
  void CloseSource() override { Calls.push_back("close"); }
  void FirstRow() override { fRow = 0; }
  void NextRow() override { ++fRow; }
  bool HasMoreRows() override { return fRow < Rows.size(); }
  Integer GetRowCount() override { return static_cast<Integer>(Rows.size()); }
  // A row shorter than the titles has empty cells at its end.
  Variant GetSourceValue(const AnsiString& reference) override {
    for (std::size_t i = 0; i < Titles.size(); ++i)
      if (Titles[i] == reference) return fRow < Rows.size() && i < Rows[fRow].size() ? Rows[fRow][i] : Null();
    return reference;
  }

 private:
  std::size_t fRow = 0;
};

// The target: ID integer, NAME string, AMOUNT float, BORN date, ACTIVE Boolean; the source
// has the same titles and is mapped field by field.
class ImportTest : public ::testing::Test {
 protected:
  ImportTest() {
    data.SetName("Target");
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 30);
    data.FieldDefs().Add("AMOUNT", ftFloat);
    data.FieldDefs().Add("BORN", ftDate);
    data.FieldDefs().Add("ACTIVE", ftBoolean);
    data.Open();
    import.SetDataSet(&data);
    import.SetAnimatedStatus(false);
    import.SetOptions(import.Options() - TSMIOptions{soShowMessage});
    import.SetDialogs(dialogs);
    SetApplicationFormats(*import.DataFormats());
    import.Titles = {"ID", "NAME", "AMOUNT", "BORN", "ACTIVE"};
    import.Mappings()->SetText("ID=ID\nNAME=NAME\nAMOUNT=AMOUNT\nBORN=BORN\nACTIVE=ACTIVE");
  }

  // A source row of texts, written in UTF-8.
  void AddRow(std::initializer_list<const char*> cells) {
    std::vector<Variant> row;
    for (const char* cell : cells) row.push_back(Utf8ToAnsi(cell));
    import.Rows.push_back(row);
  }

  // Records already in the target.
  void AddRecord(Integer id, const char* name) {
    data.Append();
    data.FieldByName("ID")->SetAsInteger(id);
    data.FieldByName("NAME")->SetAsString(name);
    data.Post();
  }

  // The target's records, "ID|NAME|AMOUNT|BORN|ACTIVE" each, in UTF-8.
  std::vector<std::string> Records() { return TargetRecords(data); }

  // Counters as "count/imported/added/updated/deleted/errors/skipped".
  std::string Counters() const {
    const TSMIStatistic& s = *import.Statistic();
    return std::to_string(s.TotalCount()) + "/" + std::to_string(s.TotalImported()) + "/" +
           std::to_string(s.TotalAdded()) + "/" + std::to_string(s.TotalUpdated()) + "/" +
           std::to_string(s.TotalDeleted()) + "/" + std::to_string(s.TotalErrors()) + "/" +
           std::to_string(s.TotalSkipped());
  }

  TMemDataSet data{nullptr};
  TVectorImport import{nullptr};
  std::shared_ptr<TSMIHeadlessDialogs> dialogs = std::make_shared<TSMIHeadlessDialogs>();
};

}  // namespace ordvane::test
