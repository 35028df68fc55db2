#pragma once
// Data-aware grid tests: a grid on a shown form over the in-memory dataset (ID, NAME,
// CODE, CITY_ID, the lookup CITY, a memo NOTE and a Boolean FLAG) and a second dataset
// of cities the lookup reads. The default grid draws nothing (tests that look at cells
// take the drawing grid) and counts its layouts.

#include <memory>

#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"
#include "classlib/db/BinaryFields.h"
#include "classlib/db/BooleanField.h"
#include "classlib/db/NumericFields.h"
#include "classlib/db/StringFields.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/RasterDC.h"
#include "grid/DBGridEh.h"
#include "tests/support/MemDataSet.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane::test {

// A persistent field of the dataset, bound by name to its definition.
template <class Field>
Field* MakeField(TDataSet& dataSet, const AnsiString& name, TFieldKind kind = fkData) {
  auto* field = new Field(&dataSet);
  field->SetFieldName(name);
  field->SetFieldKind(kind);
  field->SetDataSet(&dataSet);
  return field;
}

// The lookup field CITY: the NAME of the city whose ID is the record's CITY_ID.
inline TStringField* MakeCityLookup(TDataSet& dataSet, TDataSet& cities) {
  auto* city = MakeField<TStringField>(dataSet, "CITY", fkLookup);
  city->SetSize(20);
  city->SetKeyFields("CITY_ID");
  city->SetLookupDataSet(&cities);
  city->SetLookupKeyFields("ID");
  city->SetLookupResultField("NAME");
  return city;
}

// The height DejaVu gives "Wg" in a font, measured on a raster.
inline int TextHeightOf(const TFont& font) {
  TRaster raster(1, 1);
  TRasterDC dc(raster);
  dc.SelectFont(font.LogFont());
  return dc.GetTextExtentPoint32("Wg").cy;
}

class TDataGrid : public TCustomDBGridEh {
 public:
  using TCustomDBGridEh::CanEditModify;
  using TCustomDBGridEh::GetEditText;
  using TCustomDBGridEh::SetEditText;
  using TCustomDBGridEh::TCustomDBGridEh;
  using TCustomDBGridEh::UpdateHorzExtScrollBar;

  int layouts = 0;

 protected:
  void DrawCell(int, int, const TRect&, TGridDrawState) override {}
  // Runs once per layout of an active grid.
  void DefineFieldMap() override {
    ++layouts;
    TCustomDBGridEh::DefineFieldMap();
  }
};

// A dataset that cannot number its records.
class TUnnumberedDataSet : public TMemDataSet {
 public:
  using TMemDataSet::TMemDataSet;
  bool IsSequenced() override { return false; }
};

// A 600 x 300 grid of the default kind on the form (shown first), over the source.
inline TDataGrid* PlaceDataGrid(TForm& form, TDataSource& source) {
  form.Show();
  auto* grid = new TDataGrid(&form);
  grid->SetBounds(0, 0, 600, 300);
  grid->SetParent(&form);
  grid->SetDataSource(&source);
  return grid;
}

template <class DataSet = TMemDataSet, class Grid = TDataGrid>
struct DataGridFixture {
  UiDriver ui;
  std::unique_ptr<TForm> form{NewForm(Rect(50, 50, 750, 650))};
  TMemDataSet cities{nullptr};
  DataSet data{nullptr};
  TDataSource source{nullptr};
  Grid* grid = nullptr;

  explicit DataGridFixture(int records = 3) {
    cities.FieldDefs().Add("ID", ftInteger);
    cities.FieldDefs().Add("NAME", ftString, 20);
    cities.Open();
    const char* names[] = {"Kyiv", "Lviv", "Odesa"};
    for (int i = 0; i < 3; ++i) cities.AppendRecord({Variant(i + 1), Variant(names[i])});

    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 20);
    data.FieldDefs().Add("CODE", ftString, 5);
    data.FieldDefs().Add("CITY_ID", ftInteger);
    data.FieldDefs().Add("NOTE", ftMemo);
    data.FieldDefs().Add("FLAG", ftBoolean);
    Make<TIntegerField>("ID");
    Make<TStringField>("NAME")->SetSize(20);
    Make<TStringField>("CODE")->SetSize(5);
    Make<TIntegerField>("CITY_ID");
    Make<TMemoField>("NOTE");
    Make<TBooleanField>("FLAG");
    MakeCityLookup(data, cities);
    data.Open();
    for (int i = 1; i <= records; ++i)
      data.AppendRecord({Variant(i), Variant("name " + IntToStr(i)), Variant("k1"), Variant(1 + i % 3),
                         Variant("line one\nline two"), Variant(i % 2 == 0)});
    data.First();
    source.SetDataSet(&data);

    form->Show();
    grid = new Grid(form.get());
    grid->SetBorderStyle(bsNone);
    grid->SetBounds(0, 0, 600, 300);
    grid->SetParent(form.get());
    grid->SetDataSource(&source);
    ui.Process();
  }

  template <class Field>
  Field* Make(const AnsiString& name, TFieldKind kind = fkData) {
    return MakeField<Field>(data, name, kind);
  }

  TField* Field(const AnsiString& name) { return data.FieldByName(name); }
  TColumnEh* Column(const AnsiString& fieldName) {
    TColumnEh* column = grid->Columns().Add();
    column->SetFieldName(fieldName);
    return column;
  }
  // The pixels of one data row with its line.
  int RowPitch() const { return grid->DefaultRowHeight() + grid->GridLineWidth(); }
  // Sizes the grid so that exactly `rows` data rows fit under the title row.
  void FitDataRows(int rows) {
    const int title = grid->RowHeights(0) + grid->GridLineWidth();
    const int extra = grid->Height() - grid->ClientHeight();
    grid->SetBounds(0, 0, grid->Width(), title + rows * RowPitch() + RowPitch() / 2 + extra);
    ui.Process();
  }
};

}  // namespace ordvane::test
