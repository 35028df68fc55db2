#pragma once
// What grid_bench and its child program share: a data-aware grid showing exactly 40 data
// rows over an open dataset, and a table of a million persons on the embedded engine.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "classlib/core/Application.h"
#include "classlib/ui/Forms.h"
#include "datasets/pFIBDataSet.h"
#include "grid/DBGridEh.h"

namespace ordvane::bench {

constexpr int kDataRows = 40;
constexpr int kMillion = 1'000'000;

// A data-aware grid, focused, showing exactly 40 data rows over an open dataset.
struct DataScene {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TDataSource source{nullptr};
  TDBGridEh* grid = new TDBGridEh(form.get());

  explicit DataScene(TDataSet& data) {
    source.SetDataSet(&data);
    form->SetBounds(0, 0, 700, 1000);
    form->Show();
    grid->SetBorderStyle(bsNone);
    grid->SetParent(form.get());
    grid->SetBounds(0, 0, 600, 900);
    grid->SetDataSource(&source);
    // Sized to its rows before the first paint: a program shows its grid once.
    const int pitch = grid->DefaultRowHeight() + grid->GridLineWidth();
    const int title = grid->RowHeights(0) + grid->GridLineWidth();
    const int frame = grid->Height() - grid->ClientHeight();
    grid->SetBounds(0, 0, 600, title + kDataRows * pitch + pitch / 2 + frame);
    grid->SetFocus();
    Application->ProcessMessages();
  }
  bool ShowsFullScreen() const { return grid->VisibleRowCount() == kDataRows; }
};

// A table of a million persons on the embedded engine, made once by the engine itself,
// with an index for each direction of its key: the limited-buffer model reads the end of
// the table through the descending one.
struct PersonsDatabase {
  TempFolder folder;
  std::filesystem::path file = folder.Path() / "grid.fdb";
  PersonsDatabase() {
    const std::filesystem::path script = folder.Path() / "create.sql";
    std::ofstream(script) << "CREATE DATABASE '" << file.string()
                          << "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n"
                             "CREATE TABLE PERSON (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40), "
                             "TOWN VARCHAR(40));\n"
                             "CREATE DESCENDING INDEX PERSON_ID_DESC ON PERSON (ID);\nCOMMIT;\n"
                             "SET TERM ^;\nEXECUTE BLOCK AS\n"
                             "  DECLARE I INTEGER = 1;\nBEGIN\n  WHILE (I <= "
                          << kMillion
                          << ") DO BEGIN\n    INSERT INTO PERSON VALUES (:I, 'Kovalenko Iryna ' || MOD(:I, 977), "
                             "'Oleksandrivka ' || MOD(:I, 300));\n    I = I + 1;\n  END\nEND^\n"
                             "SET TERM ;^\nCOMMIT;\n";
    Shell("isql-fb -q -b -user SYSDBA -i '" + script.string() + "'");
  }
};

// An open Firebird dataset of the persons table in the order of their key: the first
// `records` of them, or all with 0, cached whole or in a window of `windowRecords`.
// The persons in key order, the first `records` of them (all when 0), three columns.
inline std::string PersonsSelect(int records) {
  const std::string where = records > 0 ? " where id <= " + std::to_string(records) : "";
  return "select id, name, town from person" + where + " order by id";
}
inline constexpr int kPersonsSelectColumns = 3;

struct FibPersonsQuery {
  TComponent owner{nullptr};
  TFIBDatabase* database = new TFIBDatabase(&owner);
  TFIBTransaction* transaction = new TFIBTransaction(&owner);
  TpFIBDataSet* data = new TpFIBDataSet(&owner);
  FibPersonsQuery(const std::filesystem::path& file, int records, int windowRecords = 0) {
    ConfigureDatabase(*database, file);
    transaction->SetDefaultDatabase(database);
    database->Connect();
    transaction->StartTransaction();
    data->SetDatabase(database);
    data->SetTransaction(transaction);
    data->SelectSQL().SetText(PersonsSelect(records));
    if (windowRecords > 0) {
      data->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
      data->CacheModelOptions().SetBufferChunks(windowRecords);
    }
    data->Open();
  }
  ~FibPersonsQuery() {
    data->Close();
    transaction->Commit();
    database->Close();
  }
  FibPersonsQuery(const FibPersonsQuery&) = delete;
  FibPersonsQuery& operator=(const FibPersonsQuery&) = delete;
};

}  // namespace ordvane::bench
