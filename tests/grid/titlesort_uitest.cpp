// Sorting by clicking column titles, through the mouse and keyboard of the test driver:
// the marker cycle, Ctrl+clicks that sort once on Ctrl's release or the loss of the
// focus, titles that are no buttons, releases away from the pressed title, and the
// events the column hands to its drop-down grid.

#include <gtest/gtest.h>

#include "classlib/ui/StdCtrls.h"
#include "classlib/ui/WinInput.h"
#include "grid/DBLookupGridsEh.h"
#include "grid/DbUtilsEh.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

// The features object of the in-memory dataset: writes down the markers the grid holds
// each time it is asked to sort, e.g. "NAME+ CODE-" (+ for smDownEh).
class TSortRecordingFeatures : public TDatasetFeaturesEh {
 public:
  std::vector<std::string> sorts;
  void ApplySorting(TCustomDBGridEh& grid, TDataSet*, bool isReopen) override {
    EXPECT_TRUE(isReopen);
    std::string marks;
    TColumnsEhList& list = grid.SortMarkedColumns();
    for (int i = 0; i < list.Count(); ++i) {
      const TColumnTitleEh& title = list.Items(i)->Title();
      EXPECT_EQ(title.SortIndex(), i + 1);
      if (!marks.empty()) marks += ' ';
      marks += list.Items(i)->FieldName().c_str();
      marks += title.SortMarker() == smDownEh ? '+' : '-';
    }
    sorts.push_back(marks);
  }
};

struct TitleSortFixture : DataGridFixture<> {
  TSortRecordingFeatures* features = nullptr;

  explicit TitleSortFixture(TDBGridEhOptions extra = {}) {
    RegisterDatasetFeaturesEh([] { return std::make_unique<TSortRecordingFeatures>(); },
                              test::TMemDataSet::StaticClass());
    features = dynamic_cast<TSortRecordingFeatures*>(GetDatasetFeaturesEh(&data));
    for (const char* name : {"ID", "NAME", "CODE"}) Column(name)->Title().SetTitleButton(true);
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking} + extra);
    ui.Process();
  }

  TPoint Title(int dataCol) const {
    const TRect r = grid->CellRect(grid->DataToRawColumn(dataCol), 0);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void ClickTitle(int dataCol) { ui.Click(grid, Title(dataCol)); }
  void CtrlClickTitle(int dataCol) {
    ui.KeyDown(VK_CONTROL);
    ClickTitle(dataCol);
  }
  TColumnTitleEh& TitleOf(int dataCol) { return grid->Columns().Items(dataCol)->Title(); }
};

TEST(TitleSort, ClicksCycleOneColumnsMarkerAndSortEachTime) {
  TitleSortFixture f;
  f.TitleOf(0).SetSortMarker(smUpEh);
  f.ClickTitle(1);
  EXPECT_EQ(f.TitleOf(0).SortMarker(), smNoneEh) << "the other marker goes";
  EXPECT_EQ(f.TitleOf(1).SortMarker(), smDownEh);
  EXPECT_EQ(f.TitleOf(1).SortIndex(), 1);
  f.ClickTitle(1);
  f.ClickTitle(1);
  EXPECT_EQ(f.TitleOf(1).SortMarker(), smDownEh) << "a plain click never unmarks";
  EXPECT_EQ(f.features->sorts, (std::vector<std::string>{"NAME+", "NAME-", "NAME+"}));
  EXPECT_EQ(f.grid->PressedTitleCol(), -1) << "the button comes up";
}

TEST(TitleSort, CtrlClicksMarkSeveralColumnsAndSortOnceOnCtrlRelease) {
  TitleSortFixture f({dghMultiSortMarking});
  f.CtrlClickTitle(2);
  f.CtrlClickTitle(0);
  f.CtrlClickTitle(1);
  EXPECT_TRUE(f.features->sorts.empty()) << "nothing sorts while Ctrl is held";
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.features->sorts, (std::vector<std::string>{"CODE+ ID+ NAME+"}));

  f.CtrlClickTitle(0);
  f.CtrlClickTitle(0);
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.TitleOf(0).SortMarker(), smNoneEh) << "a Ctrl+click past smUpEh unmarks";
  EXPECT_EQ(f.TitleOf(0).SortIndex(), 0);
  EXPECT_EQ(f.TitleOf(1).SortIndex(), 2) << "the others close up";
  EXPECT_EQ(f.features->sorts.back(), "CODE+ NAME+");
  EXPECT_EQ(f.features->sorts.size(), 2U);
  f.ui.Press(VK_SHIFT);
  EXPECT_EQ(f.features->sorts.size(), 2U) << "another key's release sorts nothing";
}

TEST(TitleSort, CtrlClickWithoutMultiSortWaitsAndFocusLossSortsAtOnce) {
  TitleSortFixture f;
  f.CtrlClickTitle(1);
  EXPECT_TRUE(f.features->sorts.empty());
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.features->sorts, (std::vector<std::string>{"NAME+"}));

  auto* edit = new TEdit(f.form.get());
  edit->SetBounds(0, 320, 100, 24);
  edit->SetParent(f.form.get());
  f.CtrlClickTitle(2);
  edit->SetFocus();
  f.ui.Process();
  EXPECT_EQ(f.features->sorts, (std::vector<std::string>{"NAME+", "CODE+"})) << "sorted when the focus left";
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.features->sorts.size(), 2U) << "and not again on the release";
}

TEST(TitleSort, WithoutAutoSortMarkingAClickOnlyFiresTheEvent) {
  TitleSortFixture f;
  f.grid->SetOptionsEh(f.grid->OptionsEh() - TDBGridEhOptions{dghAutoSortMarking});
  std::vector<int> clicked;
  f.grid->OnTitleBtnClick = [&](TObject* sender, int col, TColumnEh* column) {
    EXPECT_EQ(sender, f.grid);
    EXPECT_EQ(column, f.grid->Columns().Items(col));
    clicked.push_back(col);
  };
  f.ClickTitle(2);
  f.CtrlClickTitle(1);
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(clicked, (std::vector<int>{2, 1}));
  EXPECT_EQ(f.TitleOf(2).SortMarker(), smNoneEh);
  EXPECT_TRUE(f.features->sorts.empty());
}

TEST(TitleSort, OnlyButtonsPressAndAReleaseElsewhereIsNoClick) {
  TitleSortFixture f;
  f.TitleOf(0).SetTitleButton(false);
  f.ui.Press(f.grid, f.Title(0));
  EXPECT_EQ(f.grid->PressedTitleCol(), -1) << "no button, no pressed look";
  f.ui.Release(f.grid, f.Title(0));
  EXPECT_TRUE(f.features->sorts.empty());

  f.grid->OnCheckButton = [&](TObject*, int col, TColumnEh*, bool& enabled) { enabled = col == 0; };
  f.ui.Press(f.grid, f.Title(1));
  EXPECT_EQ(f.grid->PressedTitleCol(), -1) << "the event disables a button";
  f.ui.Release(f.grid, f.Title(1));
  f.ui.Press(f.grid, f.Title(0));
  EXPECT_EQ(f.grid->PressedTitleCol(), f.grid->DataToRawColumn(0)) << "and enables one";
  f.ui.MoveTo(f.grid, f.Title(1));
  EXPECT_EQ(f.grid->PressedTitleCol(), -1) << "up while the mouse is off it";
  f.ui.Release(f.grid, f.Title(1));
  EXPECT_TRUE(f.features->sorts.empty()) << "a release on another title is no click";

  // With dgColumnResize a title dragged sideways becomes a column move.
  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgColumnResize});
  f.ui.Press(f.grid, f.Title(0));
  f.ui.MoveTo(f.grid, f.Title(1));
  f.ui.MoveTo(f.grid, f.Title(0));
  EXPECT_EQ(f.grid->PressedTitleCol(), f.grid->DataToRawColumn(0)) << "down again when back";
  f.ui.Release(f.grid, f.Title(0));
  EXPECT_EQ(f.features->sorts, (std::vector<std::string>{"ID+"}));

  const TRect row = f.grid->CellRect(f.grid->DataToRawColumn(0), 1);
  f.ui.Click(f.grid, {row.left + 5, row.top + 3});
  EXPECT_EQ(f.features->sorts.size(), 1U) << "a data cell is no title";
}

TEST(TitleSort, ACancelledPressIsNoClick) {
  TitleSortFixture f;
  f.ui.Press(f.grid, f.Title(1));
  ASSERT_EQ(f.grid->PressedTitleCol(), f.grid->DataToRawColumn(1));
  SendMessage(f.grid->Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_EQ(f.grid->PressedTitleCol(), -1);
  f.ui.MoveTo(f.grid, f.Title(1));
  EXPECT_EQ(f.grid->PressedTitleCol(), -1) << "it does not come back";
  f.ui.Release(f.grid, f.Title(1));
  EXPECT_TRUE(f.features->sorts.empty());
}

TEST(TitleSort, OnSortMarkingChangedReplacesTheDatasetSorting) {
  TitleSortFixture f;
  int changes = 0;
  f.grid->OnSortMarkingChanged = [&](TObject* sender) {
    EXPECT_EQ(sender, f.grid);
    ++changes;
  };
  f.ClickTitle(0);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(f.features->sorts.empty());
}

TEST(TitleSort, TheColumnHandsItsDropDownEventsToItsListGrid) {
  TitleSortFixture f;
  TColumnEh* column = f.grid->Columns().Items(1);
  int fired = 0;
  column->SetOnDropDownBoxTitleBtnClick([&](TObject*, int, TColumnEh*) { ++fired; });
  TPopupDataGridEh* list = column->DataList();
  ASSERT_TRUE(list->OnTitleBtnClick) << "set before the list grid exists";
  column->SetOnDropDownBoxSortMarkingChanged([&](TObject*) { fired += 10; });
  column->SetOnDropDownBoxCheckButton([&](TObject*, int, TColumnEh*, bool&) { fired += 100; });
  ASSERT_TRUE(list->OnSortMarkingChanged && list->OnCheckButton) << "and after";
  bool enabled = true;
  list->OnTitleBtnClick(list, 0, nullptr);
  list->OnSortMarkingChanged(list);
  list->OnCheckButton(list, 0, nullptr, enabled);
  EXPECT_EQ(fired, 111);
}

}  // namespace
}  // namespace ordvane
