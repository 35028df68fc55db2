#pragma once
// Grid tests over a Firebird dataset: a connection to a test database, a TpFIBDataSet, and a
// grid on a shown form over it; the rows the dataset shows are compared with isql-fb's.

#include <initializer_list>
#include <memory>
#include <string>

#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBDatabase.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane::test {

// The persons of grid/filtersql.sql in a dialect 3 database read as UTF8, made once per
// test process.
inline TestDatabase& Utf8PersonsDatabase() {
  static TestDatabase db("grid/filtersql.sql", DatabaseOptions{3, "UTF8"});
  return db;
}

struct FirebirdGridFixture {
  explicit FirebirdGridFixture(TestDatabase& db) : fDb(db) {}

  // Connects with the character set and opens the dataset on the select text.
  void OpenDataSet(const char* charset, const AnsiString& select) {
    Configure(*fDatabase, fDb, charset);
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    fDataSet->SelectSQL().SetText(select);
    fDataSet->Open();
    fSource.SetDataSet(fDataSet);
  }
  // A 600 x 300 grid on the shown form over the dataset, with the options added and one
  // column with a title button per field name.
  void PlaceGrid(TDBGridEhOptions optionsEh, std::initializer_list<const char*> fieldNames) {
    fForm->Show();
    fGrid = new TDataGrid(fForm.get());
    fGrid->SetBounds(0, 0, 600, 300);
    fGrid->SetParent(fForm.get());
    fGrid->SetOptionsEh(fGrid->OptionsEh() + optionsEh);
    fGrid->SetDataSource(&fSource);
    for (const char* name : fieldNames) {
      TColumnEh* column = fGrid->Columns().Add();
      column->SetFieldName(name);
      column->Title().SetTitleButton(true);
    }
  }

  // A click in the middle of a data column's title.
  void ClickTitle(int dataCol) {
    const TRect r = fGrid->CellRect(fGrid->DataToRawColumn(dataCol), 0);
    fUi.Click(fGrid, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }

  // The IDs the dataset shows, joined by ";" as IsqlRows joins rows.
  std::string DataSetIds() {
    std::string ids;
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next())
      ids += (ids.empty() ? "" : ";") + fDataSet->FieldByName("ID")->AsString();
    return ids;
  }

  TestDatabase& fDb;
  UiDriver fUi;
  TComponent fOwner{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fOwner);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fOwner);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fOwner);
  TDataSource fSource{nullptr};
  // Goes first, with the grid on it.
  std::unique_ptr<TForm> fForm{NewForm(Rect(50, 50, 750, 650))};
  TDataGrid* fGrid = nullptr;
};

}  // namespace ordvane::test
