// The lookup grid: bindings from a master lookup field and their errors, choosing a key by
// keys, typing, the mouse and the special row (written into the master through Edit and
// read back from it), the rules that block a choice, its size in whole rows and the
// colours of the key row.

#include <gtest/gtest.h>

#include <functional>

#include "classlib/core/CodePages.h"
#include "grid/DBLookupGridsEh.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::TMemDataSet;

// A master dataset that reads its records from a detail link: its master is `source`.
class TDetailDataSet : public TMemDataSet {
 public:
  using TMemDataSet::TMemDataSet;
  TDataSource* master = nullptr;
  TDataSource* GetDataSource() override { return master; }
};

struct LookupGridFixture : DataGridFixture<> {
  TDBLookupGridEh* lookup = nullptr;

  LookupGridFixture() {
    cities.AppendRecord({Variant(4), Variant(Utf8ToAnsi("Іванів"))});
    cities.AppendRecord({Variant(5), Variant("Kremenchuk")});
    cities.AppendRecord({Variant(6), Variant("Kropyvnytskyi")});
    lookup = new TDBLookupGridEh(form.get());
    lookup->SetBounds(0, 320, 300, 120);
    lookup->SetParent(form.get());
    lookup->SetDataSource(&source);
    lookup->SetDataField("CITY");
    lookup->SetFocus();
    ui.Process();
  }
  Variant MasterKey() { return data.FieldByName("CITY_ID")->Value(); }
  // A point inside data row `row` (from 0), `dx` in from the first column's left edge.
  TPoint InRow(int row, int dx = 20) {
    const TRect cell = lookup->CellRect(lookup->IndicatorOffset(), lookup->TitleOffset() + row);
    return TPoint{cell.left + dx, (cell.top + cell.bottom) / 2};
  }
};

TEST(LookupGrid, AMasterLookupFieldBringsTheListAndLocksItsSettings) {
  LookupGridFixture f;
  ASSERT_TRUE(f.lookup->LookupMode());
  EXPECT_EQ(f.lookup->ListSource()->DataSet(), &f.cities);
  EXPECT_EQ(f.lookup->KeyFieldName(), "ID");
  ASSERT_NE(f.lookup->ListField(), nullptr);
  EXPECT_EQ(f.lookup->ListField()->FieldName(), "NAME");
  EXPECT_EQ(f.lookup->KeyValue().AsInteger(), 2) << "record 1's CITY_ID";
  EXPECT_EQ(f.lookup->Text(), "Lviv");

  try {
    f.lookup->SetKeyFieldName("NAME");
    FAIL() << "a key field name in lookup mode";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Property already defined by lookup field");
  }
  EXPECT_EQ(f.lookup->KeyFieldName(), "ID") << "the property kept its value";
  TDataSource other(nullptr);
  EXPECT_THROW(f.lookup->SetListSource(&other), EDatabaseError);

  f.data.Next();
  EXPECT_EQ(f.lookup->KeyValue().AsInteger(), 3) << "the key follows the master's record";
  EXPECT_EQ(f.lookup->Text(), "Odesa");
}

// A lookup grid whose master source a holding control grid has fixed.
class TReplicatedLookupGrid : public TDBLookupGridEh {
 public:
  using TDBLookupGridEh::MasterLink;
  using TDBLookupGridEh::TDBLookupGridEh;
};

TEST(LookupGrid, AFixedMasterSourceRefusesTheListSettingsAndKeepsThem) {
  DataGridFixture<> f;
  TDataSource citySource(nullptr);
  citySource.SetDataSet(&f.cities);
  auto* lookup = new TReplicatedLookupGrid(f.form.get());
  lookup->SetParent(f.form.get());
  lookup->SetDataSource(&f.source);
  lookup->SetDataField("CITY_ID");
  lookup->SetListSource(&citySource);
  lookup->SetKeyFieldName("ID");
  ASSERT_FALSE(lookup->LookupMode());
  lookup->MasterLink().SetDataSourceFixed(true);
  for (const auto& change : std::initializer_list<std::function<void()>>{
           [&] { lookup->SetKeyFieldName("NAME"); }, [&] { lookup->SetListSource(nullptr); }}) {
    try {
      change();
      ADD_FAILURE() << "a list setting under a fixed master source";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), "Operation not allowed in a DBCtrlGrid");
    }
  }
  EXPECT_EQ(lookup->KeyFieldName(), "ID");
  EXPECT_EQ(lookup->ListSource(), &citySource);
  EXPECT_EQ(lookup->KeyValue().AsInteger(), 2) << "the list still works";
  lookup->MasterLink().SetDataSourceFixed(false);
  lookup->SetKeyFieldName("NAME");
  EXPECT_EQ(lookup->KeyFieldName(), "NAME");
}

TEST(LookupGrid, AMasterLinkedToTheListIsCircular) {
  DataGridFixture<> f;
  TDetailDataSet detail(nullptr);
  detail.FieldDefs().Add("CITY_ID", ftInteger);
  detail.Open();
  TDataSource citySource(nullptr);
  citySource.SetDataSet(&f.cities);
  detail.master = &citySource;
  TDataSource detailSource(nullptr);
  detailSource.SetDataSet(&detail);

  auto* lookup = new TDBLookupGridEh(f.form.get());
  lookup->SetParent(f.form.get());
  lookup->SetListSource(&citySource);
  lookup->SetKeyFieldName("ID");
  try {
    lookup->SetDataSource(&detailSource);
    lookup->SetDataField("CITY_ID");
    FAIL() << "the master reads its records from the list";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Circular datalinks are not allowed");
  }
}

TEST(LookupGrid, TypingSearchesTheDisplayTextWithinTwoSeconds) {
  LookupGridFixture f;
  f.ui.Type("k");
  f.ui.Advance(500);
  f.ui.Type("R");
  EXPECT_EQ(f.lookup->SearchText(), "kR");
  EXPECT_EQ(f.MasterKey().AsInteger(), 5) << "the first name that begins with \"kr\", any case";
  EXPECT_EQ(f.lookup->KeyValue().AsInteger(), 5) << "read back from the master";
  f.ui.Type("o");
  EXPECT_EQ(f.MasterKey().AsInteger(), 6);

  f.ui.Advance(2001);
  f.ui.Type("o");
  EXPECT_EQ(f.lookup->SearchText(), "o") << "a pause over two seconds starts again";
  EXPECT_EQ(f.MasterKey().AsInteger(), 3);

  f.ui.Advance(2001);
  f.ui.Type("ів");
  EXPECT_EQ(f.MasterKey().AsInteger(), 4) << "Cyrillic letters of either case";

  f.ui.Advance(2001);
  f.ui.Type("Kr");
  f.ui.Type("x");
  EXPECT_EQ(f.lookup->SearchText(), "Kr");
  EXPECT_EQ(f.MasterKey().AsInteger(), 5) << "a text nothing begins with leaves the choice";
}

TEST(LookupGrid, KeysMoveTheChoiceAndTheSpecialRowStandsAboveTheFirst) {
  LookupGridFixture f;
  f.lookup->SpecRow().SetCellsText("(none)");
  f.lookup->SpecRow().SetValue(Variant(0));
  f.lookup->SpecRow().SetVisible(true);
  f.ui.Process();
  f.cities.First();
  f.ui.Press(VK_HOME);
  EXPECT_EQ(f.MasterKey().AsInteger(), 1);
  f.ui.Press(VK_UP);
  EXPECT_TRUE(f.lookup->SpecRowSelected());
  EXPECT_EQ(f.MasterKey().AsInteger(), 0) << "the special row's value is the key";
  EXPECT_EQ(f.lookup->Text(), "(none)");
  f.ui.Process();
  const TRect specLine = f.lookup->CellRect(f.lookup->IndicatorOffset(), f.lookup->TitleOffset() - 1);
  // Inside the focus frame, past the text.
  EXPECT_EQ(f.ui.Pixel(f.lookup, TPoint{specLine.right - 3, specLine.top + 1}), ColorToRGB(clHighlight))
      << "the chosen special row is drawn above the data";
  f.ui.Press(VK_DOWN);
  EXPECT_FALSE(f.lookup->SpecRowSelected());
  EXPECT_EQ(f.MasterKey().AsInteger(), 1) << "down from the special row goes to the first record";
  f.ui.Press(VK_END);
  EXPECT_EQ(f.MasterKey().AsInteger(), 6);

  f.lookup->SetRowCount(3);
  f.ui.Press(VK_HOME);
  f.ui.Press(VK_NEXT);
  EXPECT_EQ(f.MasterKey().AsInteger(), 1 + (f.lookup->VisibleRowCount() - 1))
      << "a page is the visible rows less one";
  f.ui.Press(VK_PRIOR);
  EXPECT_EQ(f.MasterKey().AsInteger(), 1);
}

TEST(LookupGrid, AClickChoosesTheRowUnderTheMouse) {
  LookupGridFixture f;
  f.cities.First();
  f.ui.Process();
  f.ui.Click(f.lookup, f.InRow(2));
  EXPECT_EQ(f.MasterKey().AsInteger(), 3) << "the third row";
  int clicks = 0;
  f.lookup->OnClick = [&clicks](TObject*) { ++clicks; };
  f.ui.Click(f.lookup, f.InRow(0));
  EXPECT_EQ(f.MasterKey().AsInteger(), 1);
  EXPECT_EQ(clicks, 1);
}

TEST(LookupGrid, AReadOnlyMasterOrKeyFieldBlocksEveryWayOfChoosing) {
  for (int variant = 0; variant < 2; ++variant) {
    LookupGridFixture f;
    if (variant == 0)
      f.lookup->SetReadOnly(true);
    else
      f.data.FieldByName("CITY_ID")->SetReadOnly(true);
    f.lookup->SpecRow().SetValue(Variant(0));
    f.lookup->SpecRow().SetVisible(true);
    f.ui.Process();
    EXPECT_FALSE(f.lookup->CanModifyKeyValue());
    f.ui.Press(VK_END);
    f.ui.Type("o");
    f.ui.Press(VK_HOME);
    f.ui.Press(VK_UP);
    f.ui.Click(f.lookup, f.InRow(3));
    EXPECT_EQ(f.MasterKey().AsInteger(), 2) << (variant == 0 ? "read-only link" : "read-only key field");
    EXPECT_EQ(f.data.State(), dsBrowse);
  }
}

TEST(LookupGrid, MovingAColumnReordersTheListFieldsAndTheSpecialCells) {
  LookupGridFixture f;
  auto* lookup = new TDBLookupGridEh(f.form.get());
  lookup->SetParent(f.form.get());
  TDataSource citySource(nullptr);
  citySource.SetDataSet(&f.cities);
  lookup->SetListSource(&citySource);
  lookup->SetKeyFieldName("ID");
  lookup->Columns().Add()->SetFieldName("NAME");
  lookup->Columns().Add()->SetFieldName("ID");
  lookup->SetListFieldName("NAME;ID");
  lookup->SpecRow().SetCellsText("none;0");
  f.ui.Process();
  ASSERT_EQ(lookup->ListFieldIndex(), 0);
  lookup->MoveColumn(lookup->IndicatorOffset(), lookup->IndicatorOffset() + 1);
  EXPECT_EQ(lookup->ListFieldName(), "ID;NAME");
  EXPECT_EQ(lookup->ListFieldIndex(), 1) << "the display field moved with its column";
  EXPECT_EQ(lookup->SpecRow().GetCellText(0), "0");
  EXPECT_EQ(lookup->SpecRow().GetCellText(1), "none");
}

TEST(LookupGrid, TheScrollBarMovesTheListButNotTheChoice) {
  LookupGridFixture f;
  f.lookup->SetRowCount(3);
  f.ui.Process();
  ASSERT_EQ(f.lookup->VisibleRowCount(), 3) << "rows without lines between them fill the height";
  const auto scroll = [&f](WPARAM code, int position = 0) {
    f.lookup->Perform(WM_VSCROLL, MAKEWPARAM(static_cast<int>(code), position), 0);
    return f.cities.RecNo();
  };
  EXPECT_EQ(scroll(SB_BOTTOM), 6);
  EXPECT_EQ(scroll(SB_TOP), 1);
  EXPECT_EQ(scroll(SB_LINEDOWN), 4) << "the record just below the three in view";
  EXPECT_EQ(scroll(SB_THUMBPOSITION, 5), 5);
  EXPECT_EQ(scroll(SB_PAGEUP), 2);
  EXPECT_EQ(f.MasterKey().AsInteger(), 2) << "scrolling chooses nothing";
  EXPECT_EQ(f.lookup->KeyValue().AsInteger(), 2);
}

TEST(LookupGrid, RowCountIsHeldAndTheHeightSnapsToWholeRows) {
  LookupGridFixture f;
  const int pitch = f.lookup->GetDataRowHeight();
  f.lookup->SetRowCount(0);
  EXPECT_EQ(f.lookup->RowCount(), 1);
  f.lookup->SetRowCount(500);
  EXPECT_EQ(f.lookup->RowCount(), 100);
  f.lookup->SetRowCount(4);
  const int fourRows = f.lookup->Height();
  f.lookup->SetBounds(0, 320, 300, fourRows + pitch + pitch / 2);
  EXPECT_EQ(f.lookup->RowCount(), 5);
  EXPECT_EQ(f.lookup->Height(), fourRows + pitch) << "half a row more is no row";
  f.lookup->SetBounds(0, 320, 300, 3);
  EXPECT_EQ(f.lookup->RowCount(), 1);
}

TEST(LookupGrid, TheKeyRowIsDrawnHighlighted) {
  LookupGridFixture f;
  f.cities.First();
  f.lookup->SetKeyValue(Variant(2));
  f.ui.Process();
  // Past the text, inside the first column.
  const TPoint keyRow = f.InRow(1, f.lookup->ColWidths(f.lookup->IndicatorOffset()) - 4);
  const TPoint otherRow = f.InRow(0, f.lookup->ColWidths(f.lookup->IndicatorOffset()) - 4);
  EXPECT_EQ(f.ui.Pixel(f.lookup, keyRow), ColorToRGB(clHighlight));
  EXPECT_NE(f.ui.Pixel(f.lookup, otherRow), ColorToRGB(clHighlight));
}

}  // namespace
}  // namespace ordvane
