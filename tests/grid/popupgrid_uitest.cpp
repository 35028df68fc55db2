// The popup data grid as a lookup column's drop-down: hovering chooses, a release over a
// row accepts and one outside cancels, it never takes the focus or the activation, and
// its size grip stays in its corner.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>
#include <vector>

#include "grid/DBGridEhInplaceEdit.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

struct PopupFixture : DataGridFixture<test::TMemDataSet, TDBGridEh> {
  TColumnEh* id = Column("ID");
  TColumnEh* city = Column("CITY");
  TDBGridInplaceEdit* editor = nullptr;
  TPopupDataGridEh* popup = nullptr;

  // prepare runs on the fresh columns, before the drop-down is first opened.
  explicit PopupFixture(const std::function<void(PopupFixture&)>& prepare = {}) {
    if (prepare) prepare(*this);
    grid->SetFocus();
    grid->SetSelectedIndex(city->Index());
    grid->ShowEditor();
    ui.Process();
    editor = static_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
    ui.Press(VK_DOWN, {ssAlt});
    popup = city->DataList();
  }
  TPoint InRow(int row) {
    const TRect cell = popup->CellRect(popup->IndicatorOffset(), popup->TitleOffset() + row);
    return TPoint{cell.left + 10, (cell.top + cell.bottom) / 2};
  }
};

TEST(PopupDataGrid, HoverChoosesAndAReleaseOverARowAccepts) {
  PopupFixture f;
  ASSERT_TRUE(f.editor->ListVisible());
  ASSERT_TRUE(IsWindowVisible(f.popup->Handle()));
  EXPECT_EQ(f.popup->KeyValue().AsInteger(), 2) << "opened on the cell's key";
  int userChanges = 0;
  f.popup->OnUserKeyValueChange = [&userChanges](TObject*) { ++userChanges; };
  f.ui.MoveTo(f.popup, f.InRow(2));
  EXPECT_EQ(f.popup->KeyValue().AsInteger(), 3) << "the row under the mouse";
  EXPECT_EQ(userChanges, 1);
  f.popup->SetKeyValue(Variant(1));
  EXPECT_EQ(userChanges, 1) << "a key set from code is no user's choice";
  EXPECT_EQ(f.data.FieldByName("CITY_ID")->AsInteger(), 2) << "hovering writes nothing";
  EXPECT_TRUE(f.editor->Focused()) << "the editor keeps the focus";
  EXPECT_FALSE(f.popup->Focused());

  f.ui.Press(f.popup, f.InRow(0));
  EXPECT_TRUE(f.editor->Focused()) << "a press on the popup takes no focus";
  f.ui.Release(f.popup, f.InRow(0));
  EXPECT_FALSE(f.editor->ListVisible());
  EXPECT_EQ(f.data.FieldByName("CITY_ID")->AsInteger(), 1) << "the release accepted the first row";
  EXPECT_EQ(f.editor->Text(), "Kyiv");
}

TEST(PopupDataGrid, AReleaseOutsideCancels) {
  PopupFixture f;
  ASSERT_TRUE(f.editor->ListVisible());
  f.ui.Press(f.popup, f.InRow(0));
  f.ui.Release(f.popup, TPoint{f.popup->ClientWidth() + 40, -40});
  EXPECT_FALSE(f.editor->ListVisible());
  EXPECT_EQ(f.data.FieldByName("CITY_ID")->AsInteger(), 2);
  EXPECT_EQ(f.editor->Text(), "Lviv") << "the saved text is back";
}

TEST(PopupDataGrid, KeysMoveInTheOpenPopupAndTheTextFollows) {
  PopupFixture f;
  f.ui.Press(VK_DOWN);
  EXPECT_EQ(f.editor->Text(), "Odesa");
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(f.data.FieldByName("CITY_ID")->AsInteger(), 3);
}

TEST(PopupDataGrid, TheSizeGripStaysInItsCorner) {
  PopupFixture f;
  TSizeGripEh* grip = f.popup->SizeGrip();
  ASSERT_EQ(grip->Position(), sgpBottomRight);
  f.popup->SetBounds(f.popup->Left(), f.popup->Top(), f.popup->Width() + 37, f.popup->Height());
  f.ui.Process();
  EXPECT_EQ(grip->Left() + grip->Width(), f.popup->ClientWidth());
  EXPECT_EQ(grip->Top() + grip->Height(), f.popup->ClientHeight());
  f.popup->Perform(CM_SETSIZEGRIPSIDEEH, sgcpToLeft, 0);
  EXPECT_EQ(grip->Left(), 0);
  f.popup->SetBounds(f.popup->Left(), f.popup->Top(), 1, 1);
  EXPECT_GE(f.popup->Width(), GetSystemMetrics(SM_CXVSCROLL)) << "never smaller than a scroll bar";
  f.ui.Press(VK_ESCAPE);
}

TEST(PopupDataGrid, TheColumnsSpecialRowReachesItsPopup) {
  PopupFixture f;
  f.ui.Press(VK_ESCAPE);
  TSpecRowEh& specRow = f.city->DropDownSpecRow();
  specRow.SetCellsText("(none)");
  specRow.SetVisible(true);
  f.city->DropDownBox().SetOptions({dlgRowLinesEh});
  EXPECT_TRUE(f.popup->SpecRow().Visible()) << "a change of the drop-down box passes the special row on";
  EXPECT_EQ(f.popup->SpecRow().CellsText(), "(none)");
}

TEST(PopupDataGrid, TheColumnsDropDownBoxSettingsReachItsPopup) {
  PopupFixture fitted;
  EXPECT_TRUE(fitted.popup->FitColWidths()) << "the box fits the columns by default";
  fitted.ui.Press(VK_ESCAPE);

  PopupFixture f([](PopupFixture& f) {
    TColumnDropDownBoxEh& box = f.city->DropDownBox();
    box.SetAutoFitColWidths(false);
    box.SetOptions({dlgRowLinesEh, dlgAutoSortMarkingEh});
    box.SetUseMultiTitle(true);
    box.ColumnDefValues().Title().TitleButton = true;
  });
  ASSERT_TRUE(f.editor->ListVisible());
  EXPECT_FALSE(f.popup->FitColWidths());
  EXPECT_EQ(f.popup->LookupOptions(), (TDBLookupGridEhOptions{dlgRowLinesEh, dlgAutoSortMarkingEh}));
  EXPECT_TRUE(f.popup->Options().Contains(dgRowLines));
  EXPECT_FALSE(f.popup->Options().Contains(dgColLines));
  EXPECT_TRUE(f.popup->OptionsEh().Contains(dghAutoSortMarking));
  EXPECT_TRUE(f.popup->UseMultiTitle());
  ASSERT_GT(f.popup->Columns().Count(), 0);
  EXPECT_TRUE(f.popup->Columns().Items(0)->Title().TitleButton()) << "the list's columns take the box's defaults";
  f.ui.Press(VK_ESCAPE);
}

TEST(PopupDataGrid, TheDropDownBoxsOwnColumnsShowTheirListInTheirOrder) {
  // A list of three fields the box reads instead of the lookup field's own.
  test::TMemDataSet regions(nullptr);
  regions.FieldDefs().Add("ID", ftInteger);
  regions.FieldDefs().Add("NAME", ftString, 20);
  regions.FieldDefs().Add("REGION", ftString, 20);
  regions.Open();
  const char* rows[][2] = {{"Kyiv", "Centre"}, {"Lviv", "West"}, {"Odesa", "South"}};
  for (int i = 0; i < 3; ++i) regions.AppendRecord({Variant(i + 1), Variant(rows[i][0]), Variant(rows[i][1])});
  TDataSource regionsSource(nullptr);
  regionsSource.SetDataSet(&regions);

  PopupFixture f([&regionsSource](PopupFixture& f) {
    TColumnDropDownBoxEh& box = f.city->DropDownBox();
    box.SetListSource(&regionsSource);
    box.SetAutoFitColWidths(false);
    f.city->SetDropDownShowTitles(true);
    f.city->SetDropDownWidth(300);
    for (const auto& [name, caption, width] :
         {std::tuple{"REGION", "Region", 70}, std::tuple{"NAME", "City", 90}, std::tuple{"ID", "No.", 40}}) {
      TColumnEh* column = box.Columns().Add();
      column->SetFieldName(name);
      column->Title().SetCaption(caption);
      column->SetWidth(width);
    }
  });
  ASSERT_TRUE(f.editor->ListVisible());
  ASSERT_EQ(f.popup->Columns().Count(), 3);
  const int first = f.popup->IndicatorOffset();
  const std::tuple<const char*, const char*, int> shown[] = {{"REGION", "Region", 70}, {"NAME", "City", 90}, {"ID", "No.", 40}};
  for (int i = 0; i < 3; ++i) {
    const auto& [name, caption, width] = shown[i];
    TColumnEh* column = f.popup->Columns().Items(i);
    EXPECT_EQ(column->FieldName(), name);
    EXPECT_EQ(column->Title().Caption(), caption);
    EXPECT_EQ(f.popup->ColWidths(first + i), width) << name;
  }
  EXPECT_EQ(f.popup->KeyValue().AsInteger(), 2) << "the key still finds the cell's row";
  EXPECT_EQ(regions.FieldByName("REGION")->AsString(), "West");
  f.ui.Press(VK_DOWN);
  EXPECT_EQ(f.editor->Text(), "Odesa") << "the editor shows the lookup's result field, not the first column";
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(f.data.FieldByName("CITY_ID")->AsInteger(), 3);

  // Without columns of its own the box shows the display fields again.
  f.city->DropDownBox().Columns().Clear();
  f.ui.Press(VK_DOWN, {ssAlt});
  ASSERT_TRUE(f.editor->ListVisible());
  EXPECT_EQ(f.popup->Columns().State(), csDefault);
  for (int i = 0; i < f.popup->Columns().Count(); ++i)
    EXPECT_NE(f.popup->Columns().Items(i)->FieldName(), "REGION");
  f.ui.Press(VK_ESCAPE);
}

// The drop-down box's cell events of a column, seen by its popup and by no other grid.
struct CellEventLog {
  std::vector<TObject*> paramsSenders;
  std::vector<TObject*> drawSenders;

  void Attach(TColumnEh& column) {
    column.SetOnDropDownBoxGetCellParams(
        [this](TObject* sender, TColumnEh*, TFont*, TColor& background, TGridDrawState) {
          paramsSenders.push_back(sender);
          background = clLime;
        });
    column.SetOnDropDownBoxDrawColumnCell([this](TObject* sender, const TRect&, int, TColumnEh*,
                                                 TGridDrawState) { drawSenders.push_back(sender); });
  }
  bool OnlyFrom(TObject* popup) const {
    auto fromPopup = [popup](const std::vector<TObject*>& senders) {
      return !senders.empty() &&
             std::all_of(senders.begin(), senders.end(), [popup](TObject* s) { return s == popup; });
    };
    return fromPopup(paramsSenders) && fromPopup(drawSenders);
  }
};

// The first row of the popup (not the key's) and a data cell of the grid, mid-cell.
void ExpectOnlyThePopupColoured(PopupFixture& f) {
  const TRect row = f.popup->CellRect(f.popup->IndicatorOffset(), f.popup->TitleOffset());
  EXPECT_EQ(test::UiDriver::Pixel(f.popup, Point(row.right - 4, (row.top + row.bottom) / 2)),
            ColorToRGB(clLime));
  const TRect cell = f.grid->CellRect(f.grid->IndicatorOffset() + f.id->Index(), f.grid->TitleOffset() + 1);
  EXPECT_NE(test::UiDriver::Pixel(f.grid, Point(cell.right - 4, (cell.top + cell.bottom) / 2)),
            ColorToRGB(clLime));
}

TEST(PopupDataGrid, TheDropDownBoxCellEventsSetBeforeThePopupIsMadeReachIt) {
  CellEventLog log;
  PopupFixture f([&log](PopupFixture& fresh) { log.Attach(*fresh.city); });
  ASSERT_TRUE(f.editor->ListVisible());
  log = {};
  f.grid->Invalidate();
  f.popup->Invalidate();
  f.ui.Process();
  EXPECT_TRUE(log.OnlyFrom(f.popup)) << "the popup draws with them, the grid does not";
  ExpectOnlyThePopupColoured(f);
  f.ui.Press(VK_ESCAPE);
}

TEST(PopupDataGrid, TheDropDownBoxCellEventsFollowTheColumnWhileThePopupExists) {
  PopupFixture f;
  CellEventLog log;
  log.Attach(*f.city);
  f.popup->Invalidate();
  f.ui.Process();
  EXPECT_TRUE(log.OnlyFrom(f.popup));
  ExpectOnlyThePopupColoured(f);

  f.city->SetOnDropDownBoxGetCellParams({});
  f.city->SetOnDropDownBoxDrawColumnCell({});
  EXPECT_FALSE(f.popup->OnGetCellParams) << "clearing them clears the popup's";
  EXPECT_FALSE(f.popup->OnDrawColumnCell);
  f.ui.Press(VK_ESCAPE);
}

}  // namespace
}  // namespace ordvane
