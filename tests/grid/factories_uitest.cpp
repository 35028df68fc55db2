// The grid's factories: a descendant supplies its own column class, column defaults and
// scroll-bar settings, and gets them for the columns it adds, the columns the grid makes
// for the dataset's fields and the columns a copy brings; the lookup grid makes its own.

#include <gtest/gtest.h>

#include <memory>

#include "grid/DBLookupGridsEh.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::TMemDataSet;

class TNoteColumnEh : public TDBGridColumnEh {
 public:
  using TDBGridColumnEh::TDBGridColumnEh;
};

class TNoteColumnDefValuesEh : public TDBGridEhColumnDefValuesEh {};

class TNoteScrollBarEh : public TDBGridEhScrollBar {
 public:
  explicit TNoteScrollBarEh(TCustomDBGridEh* grid) : TDBGridEhScrollBar(grid, sbHorizontal) {}
};

// Its constructor changes a setting that lays the grid out, so the parts are made while
// it runs: they are still its own.
class TNoteGridEh : public TDBGridEh {
 public:
  explicit TNoteGridEh(TComponent* owner) : TDBGridEh(owner) { SetOptions(Options() + TDBGridOptions{dgRowSelect}); }

 protected:
  std::unique_ptr<TDBGridColumnsEh> CreateColumns() override {
    return std::make_unique<TDBGridColumnsEh>(this, TCollectionItemClass::Of<TNoteColumnEh>());
  }
  std::unique_ptr<TDBGridEhColumnDefValuesEh> CreateColumnDefValues() override {
    return std::make_unique<TNoteColumnDefValuesEh>();
  }
  TDBGridEhScrollBarsEh CreateScrollBars() override {
    TDBGridEhScrollBarsEh bars = TDBGridEh::CreateScrollBars();
    bars.Horz = std::make_unique<TNoteScrollBarEh>(this);
    return bars;
  }
};

bool AllColumnsAreNotes(const TCustomDBGridEh& grid) {
  for (int i = 0; i < grid.Columns().Count(); ++i)
    if (dynamic_cast<TNoteColumnEh*>(grid.Columns().Items(i)) == nullptr) return false;
  return true;
}

TEST(GridFactories, ADescendantSuppliesItsColumnsDefaultsAndScrollBars) {
  DataGridFixture<TMemDataSet, TNoteGridEh> f;
  EXPECT_TRUE(f.grid->Options().Contains(dgRowSelect));
  ASSERT_GT(f.grid->Columns().Count(), 0) << "the grid made columns for the dataset's fields";
  EXPECT_TRUE(AllColumnsAreNotes(*f.grid)) << "of the descendant's class";
  EXPECT_NE(dynamic_cast<TNoteColumnDefValuesEh*>(&f.grid->ColumnDefValues()), nullptr);
  EXPECT_NE(dynamic_cast<TNoteScrollBarEh*>(&f.grid->HorzScrollBar()), nullptr);
  EXPECT_EQ(f.grid->VertScrollBar().Kind(), sbVertical);

  f.Column("NAME");
  EXPECT_EQ(f.grid->Columns().State(), csCustomized);
  EXPECT_TRUE(AllColumnsAreNotes(*f.grid)) << "a column added by the program";

  TDBGridEh plain(nullptr);
  plain.Columns().Add()->SetFieldName("ID");
  plain.Columns().Add()->SetFieldName("CODE");
  f.grid->SetColumns(plain.Columns());
  ASSERT_EQ(f.grid->Columns().Count(), 2);
  EXPECT_TRUE(AllColumnsAreNotes(*f.grid)) << "the columns a copy brings";
  EXPECT_EQ(dynamic_cast<TNoteColumnEh*>(plain.Columns().Items(0)), nullptr) << "the plain grid keeps its own";
}

TEST(GridFactories, TheLookupGridMakesItsColumnsAndDefaults) {
  DataGridFixture<> f;
  auto* lookup = new TDBLookupGridEh(f.form.get());
  lookup->SetParent(f.form.get());
  lookup->SetDataSource(&f.source);
  lookup->SetDataField("CITY");
  EXPECT_NE(dynamic_cast<TDBLookupGridColumnDefValuesEh*>(&lookup->ColumnDefValues()), nullptr);
  ASSERT_GT(lookup->Columns().Count(), 0);
  EXPECT_NE(dynamic_cast<TDBLookupGridColumnEh*>(lookup->Columns().Items(0)), nullptr);
}

}  // namespace
}  // namespace ordvane
