// The filter row through the mouse and keyboard of the test driver: opening the editor,
// moving between the filter cells, leaving the row, storing and applying the typed
// conditions, the drop-down list of a column with a list source, and the cells' colours
// on screen.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/ui/WinInput.h"
#include "grid/DBGridEhFilterEdit.h"
#include "tests/grid/DataGridSupport.h"
#include "tests/support/UiScriptedDialogs.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

struct FilterRowFixture : DataGridFixture<test::TMemDataSet, TDBGridEh> {
  TDataSource cityList{nullptr};
  int applies = 0;

  explicit FilterRowFixture(int records = 3) : DataGridFixture(records) {
    for (const char* name : {"ID", "NAME", "CODE"}) Column(name);
    grid->STFilter().SetVisible(true);
    grid->OnApplyFilter = [this](TObject*) { ++applies; };
    cityList.SetDataSet(&cities);
    ui.Process();
  }

  TInplaceFilterEditEh& Edit() { return *grid->FilterEdit(); }
  TSTColumnFilterEh& FilterOf(int dataCol) { return grid->Columns().Items(dataCol)->STFilter(); }
  TRect FilterCell(int dataCol) const { return grid->CellRect(grid->DataToRawColumn(dataCol), 1); }
  void ClickFilter(int dataCol, int x) { ui.Click(grid, {x, (FilterCell(dataCol).top + FilterCell(dataCol).bottom) / 2}); }
  void ClickFilter(int dataCol) { ClickFilter(dataCol, (FilterCell(dataCol).left + FilterCell(dataCol).right) / 2); }
  // Opens the list of the edited cell and chooses the line showing `caption`.
  void Choose(const char* caption) {
    ui.Press(VK_DOWN, {ssAlt});
    ASSERT_TRUE(Edit().ListVisible());
    const int index = Edit().Items()->IndexOf(Utf8ToAnsi(caption));
    ASSERT_GE(index, 0) << caption;
    Edit().PopupList()->SetItemIndex(index);
    ui.Press(VK_RETURN);
  }
  void GiveNameAList() {
    FilterOf(1).SetListSource(&cityList);
    FilterOf(1).SetListField("NAME");
  }
};

TEST(FilterRow, AClickOpensTheEditorWithTheCaretWhereClicked) {
  FilterRowFixture f;
  f.FilterOf(1).SetExpressionStr("ab");
  f.ClickFilter(1, f.FilterCell(1).right - 3);
  ASSERT_TRUE(f.grid->FilterEditing());
  EXPECT_EQ(f.grid->FilterCol(), 1);
  EXPECT_TRUE(f.Edit().Focused());
  EXPECT_EQ(f.Edit().Text(), "ab");
  EXPECT_EQ(f.Edit().SelStart(), 2) << "the click placed the caret, nothing stays selected";
  EXPECT_EQ(f.Edit().SelLength(), 0);
  f.ClickFilter(2, f.FilterCell(2).left + 2);
  EXPECT_EQ(f.grid->FilterCol(), 2);
  EXPECT_EQ(f.grid->SelectedIndex(), 2) << "the filter column becomes current";
}

TEST(FilterRow, TypedTextIsStoredOnLeavingTheCellAndAppliedByEnter) {
  FilterRowFixture f;
  f.ClickFilter(1);
  f.ui.Type("na");
  f.ui.Press(VK_TAB);
  EXPECT_EQ(f.grid->FilterCol(), 2);
  EXPECT_EQ(f.FilterOf(1).ExpressionStr(), "na");
  EXPECT_EQ(f.applies, 0) << "leaving a cell filters nothing";
  f.ui.Type("k1");
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(f.applies, 1);
  EXPECT_EQ(f.FilterOf(2).ExpressionStr(), "k1");
  EXPECT_TRUE(f.grid->FilterEditing());
  f.grid->SetFocus();
  f.ui.Type("x");
  EXPECT_TRUE(f.Edit().Focused()) << "characters typed in the grid go on to the editor";
  EXPECT_EQ(f.Edit().Text(), "x");
}

TEST(FilterRow, TheEditedCellMovesWithItsColumn) {
  FilterRowFixture f;
  f.ClickFilter(1);
  f.ui.Type("na");
  f.grid->MoveColumn(f.grid->DataToRawColumn(1), f.grid->DataToRawColumn(2));
  ASSERT_EQ(f.grid->FilterCol(), 2);
  EXPECT_EQ(f.grid->Columns().Items(2)->FieldName(), "NAME");
  EXPECT_EQ(f.Edit().Left(), f.FilterCell(2).left + 1);
  f.grid->StopFilterEdit();
  EXPECT_EQ(f.FilterOf(2).ExpressionStr(), "na");
  EXPECT_EQ(f.FilterOf(1).ExpressionStr(), "");
}

TEST(FilterRow, TabWrapsOverTheEditableCellsOnlyWithDgTabs) {
  FilterRowFixture f;
  f.FilterOf(1).SetVisible(false);
  f.ClickFilter(2);
  f.ui.Press(VK_TAB);
  EXPECT_EQ(f.grid->FilterCol(), 0) << "wraps from the last cell to the first";
  f.ui.Press(VK_TAB);
  EXPECT_EQ(f.grid->FilterCol(), 2) << "skips the cell that is not editable";
  f.ui.Press(VK_TAB, {ssShift});
  EXPECT_EQ(f.grid->FilterCol(), 0);
  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgTabs});
  f.ClickFilter(0);
  f.ui.Press(VK_TAB);
  EXPECT_EQ(f.grid->FilterCol(), 0);
}

TEST(FilterRow, ArrowsMoveOnlyFromTheTextsEdgesHomeEndAndF2) {
  FilterRowFixture f;
  f.FilterOf(1).SetExpressionStr("ab");
  f.grid->SetFocus();
  f.grid->StartFilterEdit(1);
  ASSERT_TRUE(f.Edit().Focused()) << "a focused grid hands the focus on";
  ASSERT_EQ(f.Edit().SelLength(), 2) << "a cell opens with its text selected";
  f.ui.Press(VK_LEFT);
  EXPECT_EQ(f.grid->FilterCol(), 1) << "inside the text only the caret moves";
  f.ui.Press(VK_F2);
  EXPECT_EQ(f.Edit().SelStart(), 2);
  EXPECT_EQ(f.Edit().SelLength(), 0);
  f.ui.Press(VK_RIGHT);
  EXPECT_EQ(f.grid->FilterCol(), 2) << "right at the end of the text";
  f.ui.Press(VK_LEFT);
  EXPECT_EQ(f.grid->FilterCol(), 1) << "left at caret 0 of the empty text";
  f.ui.Press(VK_LEFT, {ssCtrl});
  EXPECT_EQ(f.grid->FilterCol(), 0);
  f.ui.Press(VK_END);
  EXPECT_EQ(f.grid->FilterCol(), 2) << "End at the end goes to the last cell";
  f.ui.Press(VK_HOME);
  EXPECT_EQ(f.grid->FilterCol(), 0);
  f.grid->SetBiDiMode(bdRightToLeft);
  f.ui.Press(VK_LEFT);
  EXPECT_EQ(f.grid->FilterCol(), 1) << "right to left, Left goes forward";
}

TEST(FilterRow, UpEntersAndDownLeavesForTheTopRowOrTheCurrentRecord) {
  FilterRowFixture f(20);
  f.grid->SetFocus();
  f.ui.Press(VK_RIGHT);
  f.ui.Press(VK_UP);
  ASSERT_TRUE(f.grid->FilterEditing()) << "Up on the first record";
  EXPECT_EQ(f.grid->FilterCol(), 1);
  EXPECT_TRUE(f.Edit().Focused());
  f.ui.Press(VK_DOWN, {ssCtrl});
  EXPECT_FALSE(f.grid->FilterEditing());
  EXPECT_TRUE(f.grid->Focused());
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_UP);
  EXPECT_FALSE(f.grid->FilterEditing()) << "Up inside the data moves the record";
  EXPECT_EQ(f.data.RecNo(), 2);
  f.ui.Press(VK_UP, {ssCtrl});
  ASSERT_TRUE(f.grid->FilterEditing());
  f.ui.Press(VK_DOWN, {ssCtrl});
  EXPECT_EQ(f.data.RecNo(), 2) << "Ctrl+Down keeps the current record";
  f.data.MoveBy(8);
  const int top = f.data.RecNo() - f.grid->DataLink().ActiveRecord();
  ASSERT_GT(f.grid->DataLink().ActiveRecord(), 0);
  f.ui.Press(VK_UP, {ssCtrl});
  f.ui.Press(VK_DOWN);
  EXPECT_FALSE(f.grid->FilterEditing());
  EXPECT_EQ(f.data.RecNo(), top) << "Down goes to the record of the top data row";
}

TEST(FilterRow, WithRowSelectTheGridScrollsToTheCellAndUpTakesTheRememberedOne) {
  FilterRowFixture f;
  for (int i = 0; i < 3; ++i) f.grid->Columns().Items(i)->SetWidth(250);
  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgRowSelect});
  f.grid->SetFocus();
  f.ui.Process();
  const int last = f.grid->DataToRawColumn(2);
  ASSERT_GE(last, f.grid->LeftCol() + f.grid->VisibleColCount()) << "the last column starts out of view";
  f.grid->StartFilterEdit(2);
  EXPECT_LT(last, f.grid->LeftCol() + f.grid->VisibleColCount());
  EXPECT_EQ(f.grid->SelectedIndex(), 0) << "row select keeps the current column";
  f.ui.Press(VK_DOWN, {ssCtrl});
  f.ui.Press(VK_UP, {ssCtrl});
  EXPECT_EQ(f.grid->FilterCol(), 2) << "the remembered cell is on screen";
  f.ui.Press(VK_DOWN, {ssCtrl});
  f.grid->SetLeftCol(f.grid->DataToRawColumn(0));
  f.ui.Press(VK_UP, {ssCtrl});
  EXPECT_EQ(f.grid->FilterCol(), 0) << "else the first editable cell on screen";
}

TEST(FilterRow, ItIsLeftByVisibleShowEditorAndAPressOnTheDataAndGivesWayToASelection) {
  FilterRowFixture f;
  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgMultiSelect});
  f.ClickFilter(0);
  f.grid->Selection().SelectAll();
  EXPECT_TRUE(f.grid->FilterEditing());
  EXPECT_FALSE(f.Edit().Visible()) << "a selection hides the editor";
  f.grid->Selection().Clear();
  EXPECT_TRUE(f.Edit().Visible());
  f.grid->ShowEditor();
  EXPECT_FALSE(f.grid->FilterEditing());
  f.ClickFilter(0);
  const TRect data = f.grid->CellRect(f.grid->DataToRawColumn(0), 2);
  f.ui.Click(f.grid, {data.left + 5, data.top + 3});
  EXPECT_FALSE(f.grid->FilterEditing());
  f.ClickFilter(0);
  f.grid->STFilter().SetVisible(false);
  EXPECT_FALSE(f.grid->FilterEditing());
  EXPECT_FALSE(f.Edit().Visible());
}

TEST(FilterRow, AnAlwaysShownEditorWaitsWhileTheRowIsEdited) {
  FilterRowFixture f(20);
  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgAlwaysShowEditor});
  f.grid->SetFocus();
  f.ClickFilter(1);
  f.data.MoveBy(5);
  f.data.Close();
  f.data.Open();
  EXPECT_TRUE(f.grid->FilterEditing()) << "moving or reopening the data leaves the row alone";
  EXPECT_TRUE(f.Edit().Focused());
  f.ui.Press(VK_DOWN);
  ASSERT_FALSE(f.grid->FilterEditing());
  EXPECT_TRUE(f.grid->InplaceEditor() != nullptr && f.grid->InplaceEditor()->Visible());
}

TEST(FilterRow, OpeningPostsAPendingEditAndAFailingPostKeepsItClosed) {
  FilterRowFixture f;
  f.data.Edit();
  f.Field("NAME")->SetAsString("posted");
  f.grid->StartFilterEdit(1);
  EXPECT_EQ(f.data.State(), dsBrowse);
  EXPECT_EQ(f.Field("NAME")->AsString(), "posted");
  f.grid->StopFilterEdit();
  f.data.Edit();
  f.Field("NAME")->SetAsString("refused");
  f.data.BeforePost = [](TDataSet*) { throw Exception("no post"); };
  EXPECT_THROW(f.grid->StartFilterEdit(1), Exception);
  EXPECT_FALSE(f.grid->FilterEditing());
  EXPECT_EQ(f.data.State(), dsEdit);
}

TEST(FilterRow, TheWheelBelongsToTheEditedFilterCell) {
  FilterRowFixture f(20);
  int editorWheels = 0;
  f.ClickFilter(1);
  ASSERT_TRUE(f.grid->FilterEditing());
  f.Edit().OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool&) { ++editorWheels; };
  const int before = f.data.RecNo();
  f.ui.MoveTo(f.grid, {(f.FilterCell(1).left + f.FilterCell(1).right) / 2, f.grid->ClientHeight() - 5});
  f.ui.Wheel(-2);
  EXPECT_EQ(f.data.RecNo(), before) << "no record moves under the edited condition";
  EXPECT_EQ(editorWheels, 1) << "two notches come as one message";
  f.ui.Press(VK_DOWN);
  ASSERT_FALSE(f.grid->FilterEditing());
  const int back = f.data.RecNo();
  f.ui.Wheel(-1);
  EXPECT_EQ(f.data.RecNo(), back + 1) << "back in the data the wheel moves records again";
}

TEST(FilterRow, ATextThatDoesNotParseRaisesWhenLeftAndChangesNoFilter) {
  FilterRowFixture f;
  f.FilterOf(0).SetExpressionStr(">1");
  f.ClickFilter(0);
  f.Edit().SetText("abc");
  EXPECT_THROW(f.grid->MoveFilterEdit(true, false), Exception);
  EXPECT_EQ(f.FilterOf(0).ExpressionStr(), ">1");
  EXPECT_EQ(f.grid->FilterCol(), 0) << "the editor stays on the text to be mended";
  EXPECT_TRUE(f.Edit().Visible());
  EXPECT_EQ(f.Edit().Text(), "abc");
  EXPECT_THROW(f.grid->ApplyFilter(), Exception);
  EXPECT_EQ(f.applies, 0);
}

// Typed and applied as a user does: the failure reaches the application, which shows it in
// one error box with the program's title, and the editor keeps the text to be mended.
TEST(FilterRow, ATextThatDoesNotParseShowsOneErrorBoxAndStaysInTheEditor) {
  FilterRowFixture f;
  test::ScriptedDialogs dialogs;
  AnsiString boxText;
  dialogs.dialogSteps.push_back([&](TCustomForm& box) {
    boxText = static_cast<TLabel*>(box.FindComponent("Message"))->Caption();
    return mrOk;
  });
  f.ClickFilter(0);
  f.ui.Type("in (");
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(dialogs.asked, std::vector<std::string>{"dialog " + Application->Title()});
  EXPECT_NE(boxText.find("in ("), std::string::npos) << boxText;
  EXPECT_TRUE(f.grid->FilterEditing());
  EXPECT_EQ(f.Edit().Text(), "in (");
  EXPECT_EQ(f.applies, 0);
}

TEST(FilterRow, CellsAreBlueOnTheLightenedFixedColorAndFlat) {
  FilterRowFixture f;
  f.grid->SetFixedColor(static_cast<TColor>(RGB(200, 96, 240)));
  f.FilterOf(1).SetExpressionStr("WWWWWW");
  f.FilterOf(2).SetVisible(false);
  f.ui.Process();
  const TRect cell = f.FilterCell(1);
  // 200 + 25, 96 + 12, 240 + 30 held at 255.
  const TColorRef light = RGB(225, 108, 255);
  EXPECT_EQ(f.ui.Pixel(f.grid, {cell.right - 2, cell.bottom - 2}), light);
  EXPECT_EQ(f.ui.Pixel(f.grid, {cell.left, cell.top}), light) << "no raised frame";
  const TRaster screen = f.ui.Screen();
  // The glyphs' cores: red and green gone, blue kept (black text would lose the blue).
  int blue = 0;
  for (int x = cell.left; x < cell.right; ++x) {
    for (int y = cell.top; y < cell.bottom; ++y) {
      const TPoint at = test::UiDriver::ScreenPoint(f.grid, {x, y});
      const TColorRef pixel = screen.Pixel(at.x, at.y);
      if (GetRValue(pixel) < 60 && GetGValue(pixel) < 40 && GetBValue(pixel) > 200) ++blue;
    }
  }
  EXPECT_GT(blue, 20) << "the filter text in clBlue";
  const TRect hidden = f.FilterCell(2);
  EXPECT_EQ(f.ui.Pixel(f.grid, {hidden.right - 3, hidden.bottom - 3}), RGB(200, 96, 240))
      << "a cell that cannot be edited keeps FixedColor";
}

TEST(FilterRowList, CommandsStandAboveTheValuesInTheirOrderAndTags) {
  FilterRowFixture f;
  f.GiveNameAList();
  f.grid->Columns().Items(1)->Title().SetTitleButton(true);
  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
  f.ClickFilter(1);
  f.ui.Press(VK_DOWN, {ssAlt});
  const TStrings& items = *f.Edit().Items();
  const char* expected[] = {"(Сортировка по возрастанию)", "(Сортировка по убыванию)", "-", "(Очистить фильтр)",
                            "(Все)", "(Не пустые)", "(Пустые)", "Kyiv", "Lviv", "Odesa"};
  const int tags[] = {7, 6, 5, 4, 3, 2, 1, 0, 0, 0};
  ASSERT_EQ(items.Count(), 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(items.Strings(i), Utf8ToAnsi(expected[i]));
    EXPECT_EQ(FilterListCommandOfEh(items.Objects(i)), tags[i]) << i;
  }
  f.ui.Press(VK_ESCAPE);
  f.grid->Columns().Items(1)->Title().SetTitleButton(false);
  f.ui.Press(VK_DOWN, {ssAlt});
  EXPECT_EQ(items.Count(), 7) << "no sort commands on a title that is no button";
}

TEST(FilterRowList, EmptyWaitsForEnterAndAChoiceAppliesAtOnceWhenTheStyleSaysSo) {
  FilterRowFixture f;
  f.GiveNameAList();
  f.ClickFilter(1);
  f.Choose("(Пустые)");
  EXPECT_EQ(f.Edit().Text(), "=Null");
  EXPECT_EQ(f.applies, 0);
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(f.applies, 1);
  EXPECT_EQ(f.FilterOf(1).ExpressionStr(), "=Null");
  DBGridEhDefaultStyle()->SetApplyFilterOnCloseUp(true);
  f.Choose("Lviv");
  DBGridEhDefaultStyle()->SetApplyFilterOnCloseUp(false);
  EXPECT_EQ(f.applies, 2);
  EXPECT_EQ(f.FilterOf(1).ExpressionStr(), "Lviv");
}

TEST(FilterRowList, ClearingEmptiesEveryColumnAndAppliesOverAnUnparsableText) {
  FilterRowFixture f;
  f.FilterOf(1).SetExpressionStr("na");
  f.FilterOf(2).SetExpressionStr("k1");
  f.FilterOf(0).SetListSource(&f.cityList);
  f.FilterOf(0).SetListField("ID");
  f.ClickFilter(0);
  f.Edit().SetText("not a number");
  f.Choose("(Очистить фильтр)");
  EXPECT_EQ(f.applies, 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(f.FilterOf(i).ExpressionStr(), "") << i;
  EXPECT_FALSE(f.grid->FilterEditing());
}

TEST(FilterRowList, AListSourceThatGoesIsForgotten) {
  FilterRowFixture f;
  auto source = std::make_unique<TDataSource>(nullptr);
  source->SetDataSet(&f.cities);
  f.FilterOf(1).SetListSource(source.get());
  source.reset();
  EXPECT_EQ(f.FilterOf(1).ListSource(), nullptr);
  f.ClickFilter(1);
  EXPECT_FALSE(f.Edit().EditButton()->Visible()) << "a plain text cell again";
}

TEST(FilterRowList, AKeyListLongerThanThePickListFills) {
  FilterRowFixture f;
  TColumnEh* city = f.Column("CITY_ID");
  city->KeyList()->SetText("1\n2\n3\n4");
  city->PickList()->SetText("Kyiv\nLviv");
  city->STFilter().SetListSource(&f.cityList);
  city->STFilter().SetListField("ID");
  f.ui.Process();
  f.ClickFilter(3);
  f.ui.Press(VK_DOWN, {ssAlt});
  const TStrings& items = *f.Edit().Items();
  ASSERT_EQ(items.Count(), 4 + 3);
  EXPECT_EQ(items.Strings(4), "Kyiv");
  EXPECT_EQ(items.Strings(5), "Lviv");
  EXPECT_EQ(items.Strings(6), "3") << "a key without a shown text keeps its own";
}

TEST(FilterRowList, SortCommandsMarkTheColumnAloneAsTheySay) {
  FilterRowFixture f;
  f.GiveNameAList();
  int sorts = 0;
  f.grid->OnSortMarkingChanged = [&](TObject*) { ++sorts; };
  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking});
  for (int i = 0; i < 3; ++i) f.grid->Columns().Items(i)->Title().SetTitleButton(true);
  f.grid->Columns().Items(0)->Title().SetSortMarker(smDownEh);
  f.grid->Columns().Items(2)->Title().SetSortMarker(smUpEh);
  f.ClickFilter(1);
  f.Choose("(Сортировка по возрастанию)");
  TColumnTitleEh& title = f.grid->Columns().Items(1)->Title();
  EXPECT_EQ(title.SortMarker(), smDownEh) << "smDownEh sorts ascending";
  EXPECT_EQ(title.SortIndex(), 1);
  ASSERT_EQ(f.grid->SortMarkedColumns().Count(), 1);
  EXPECT_EQ(f.grid->Columns().Items(0)->Title().SortMarker(), smNoneEh);
  EXPECT_EQ(sorts, 1);
  f.Choose("(Сортировка по убыванию)");
  EXPECT_EQ(title.SortMarker(), smUpEh);
  EXPECT_EQ(sorts, 2);
}

TEST(FilterRowList, AResizedListOpensAgainAtThatSize) {
  FilterRowFixture f;
  f.GiveNameAList();
  f.ClickFilter(1);
  f.ui.Press(VK_DOWN, {ssAlt});
  TPopupListboxEh* list = f.Edit().PopupList();
  ASSERT_EQ(list->RowCount(), 7) << "four commands and three values";
  TSizeGripEh* grip = list->SizeGrip();
  const TPoint corner{grip->Width() / 2, grip->Height() / 2};
  f.ui.Drag(grip, corner, TPoint{corner.x + 40, corner.y - 2 * list->RowHeight()});
  const int width = list->Width();
  f.ui.Press(VK_RETURN);
  f.ClickFilter(2);
  f.ClickFilter(1);
  f.ui.Press(VK_DOWN, {ssAlt});
  EXPECT_EQ(list->RowCount(), 5);
  EXPECT_EQ(list->Width(), width);
}

}  // namespace
}  // namespace ordvane
