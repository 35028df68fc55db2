// The data-aware grid written to a form and read back: its settings in their streaming
// order, and its columns, whose values are stored only when set and different from what
// they fall back to.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/Filer.h"
#include "classlib/db/NumericFields.h"
#include "classlib/db/StringFields.h"
#include "grid/DBGridEh.h"
#include "grid/DBGridEhStreaming.h"
#include "tests/grid/DataGridSupport.h"
#include "tests/support/MemDataSet.h"

namespace ordvane {
namespace {

class TStoredGrid : public TDBGridEh {
  ORDVANE_CLASS(TStoredGrid, TDBGridEh)
 public:
  using TDBGridEh::TDBGridEh;

 protected:
  void DrawCell(int, int, const TRect&, TGridDrawState) override {}
};

// A data module with the dataset and its source, and a form on it with one grid.
struct GridForms : ::testing::Test {
  TComponent module{nullptr};
  test::TMemDataSet* data = new test::TMemDataSet(&module);
  TDataSource* source = new TDataSource(&module);
  TComponent* form = new TComponent(&module);
  TStoredGrid* grid = new TStoredGrid(form);

  GridForms() {
    RegisterDBGridEhStreaming();
    RegisterComponentClass<TStoredGrid>();
    data->SetName("Persons");
    data->FieldDefs().Add("ID", ftInteger);
    data->FieldDefs().Add("NAME", ftString, 20);
    test::MakeField<TIntegerField>(*data, "ID");
    test::MakeField<TStringField>(*data, "NAME")->SetSize(20);
    data->Open();
    data->AppendRecord({Variant(1), Variant(Utf8ToAnsi("Олена"))});
    source->SetName("PersonsSource");
    source->SetDataSet(data);
    form->SetName("Form");
    grid->SetName("Grid");
    grid->SetDataSource(source);
  }

  TColumnEh* AddColumn(const char* fieldName) {
    TColumnEh* column = grid->Columns().Add();
    column->SetFieldName(fieldName);
    return column;
  }

  // The form read into a new form beside the first, and its grid.
  TStoredGrid* ReadCopy(const AnsiString& text) {
    copyForm = new TComponent(&module);
    copyForm->SetName("Copy");
    ReadComponentText(text, *copyForm);
    return dynamic_cast<TStoredGrid*>(copyForm->FindComponent("Grid"));
  }
  TComponent* copyForm = nullptr;

  // The grid's settings are written in this order.
  static void ExpectInOrder(const AnsiString& text, std::initializer_list<const char*> names) {
    std::size_t last = 0;
    for (const char* name : names) {
      const std::size_t at = text.find(AnsiString("\n    ") + name + " = ");
      ASSERT_NE(at, AnsiString::npos) << name << "\n" << text;
      EXPECT_GT(at, last) << name;
      last = at;
    }
  }

  // The lines of the first column in the written form.
  AnsiString FirstColumnText() {
    const AnsiString text = WriteComponentText(*form);
    const std::size_t start = text.find("      item\n");
    if (start == AnsiString::npos) return "(no columns)";
    const std::size_t end = text.find("      end", start);
    return text.substr(start + 11, end - start - 11);
  }
};

TEST_F(GridForms, AColumnStoresWhatWasSetAndDiffersFromItsFallback) {
  TColumnEh* column = AddColumn("NAME");
  EXPECT_EQ(FirstColumnText(), "        FieldName = \"NAME\"\n");
  // The default width on an unassigned column stays unassigned and unwritten.
  column->SetWidth(column->DefaultWidth());
  EXPECT_FALSE(column->AssignedValues().Contains(cvWidth));
  EXPECT_EQ(FirstColumnText(), "        FieldName = \"NAME\"\n");
  // Set to what it falls back to: assigned, but nothing to write.
  column->SetColor(grid->Color());
  column->Title().SetCaption("NAME");
  EXPECT_TRUE(column->AssignedValues().Contains(cvColor));
  EXPECT_TRUE(column->AssignedValues().Contains(cvTitleCaption));
  EXPECT_EQ(FirstColumnText(), "        FieldName = \"NAME\"\n");
  // Check boxes are written whenever set, even as their fallback.
  column->SetCheckboxes(false);
  column->SetWidth(140);
  column->Title().SetCaption(Utf8ToAnsi("Ім'я"));
  EXPECT_EQ(FirstColumnText(),
            "        Checkboxes = False\n        FieldName = \"NAME\"\n        Title.Caption = \"Ім'я\"\n"
            "        Width = 140\n");
}

TEST_F(GridForms, GeneratedColumnsAreNotStored) {
  grid->Columns().AddGenerated()->SetFieldName("ID");
  ASSERT_EQ(grid->Columns().State(), csDefault);
  EXPECT_EQ(FirstColumnText(), "(no columns)");
}

TEST_F(GridForms, AGridWithColumnsFootersAndTitlesComesBack) {
  grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect});
  grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
  grid->SetFooterRowCount(2);
  grid->SetFrozenCols(1);
  grid->SetUseMultiTitle(true);
  grid->SetEvenRowColor(clYellow);
  grid->SetAllowedOperations({alopUpdateEh});
  grid->ColumnDefValues().Title().TitleButton = true;
  TColumnEh* id = AddColumn("ID");
  id->SetAlignment(taCenter);
  id->Footer().SetValueType(fvtCount);
  id->Title().SetSortMarker(smDownEh);
  TColumnEh* name = AddColumn("NAME");
  name->SetWidth(200);
  name->Font()->SetSize(14);
  name->Title().SetCaption(Utf8ToAnsi("Особа|Ім'я"));
  name->Footers().Add()->SetValueType(fvtStaticText);
  name->Footers().Items(0)->SetValue(Utf8ToAnsi("Разом"));
  name->Footers().Add()->SetValueType(fvtFieldValue);
  name->PickList()->Add("A");

  const AnsiString text = WriteComponentText(*form);
  TStoredGrid* copy = ReadCopy(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copyForm->Name(), "Copy");
  EXPECT_EQ(copy->DataSource(), source);
  EXPECT_EQ(copy->Options(), grid->Options());
  EXPECT_EQ(copy->OptionsEh(), grid->OptionsEh());
  EXPECT_EQ(copy->FooterRowCount(), 2);
  EXPECT_EQ(copy->FrozenCols(), 1);
  EXPECT_TRUE(copy->UseMultiTitle());
  EXPECT_EQ(copy->EvenRowColor(), clYellow);
  EXPECT_EQ(copy->OddRowColor(), copy->Color());
  EXPECT_EQ(copy->AllowedOperations(), TDBGridEhAllowedOperations{alopUpdateEh});
  EXPECT_TRUE(copy->ColumnDefValues().Title().TitleButton);
  ASSERT_EQ(copy->Columns().Count(), 2);
  EXPECT_EQ(copy->Columns().State(), csCustomized);
  TColumnEh* copyId = copy->Columns().Items(0);
  TColumnEh* copyName = copy->Columns().Items(1);
  EXPECT_EQ(copyId->Alignment(), taCenter);
  EXPECT_EQ(copyId->Footer().ValueType(), fvtCount);
  EXPECT_EQ(copyId->Title().SortMarker(), smDownEh);
  EXPECT_FALSE(copyId->AssignedValues().Contains(cvWidth));
  EXPECT_EQ(copyName->Width(), 200);
  EXPECT_EQ(copyName->Font()->Size(), 14);
  EXPECT_EQ(copyName->Title().Caption(), Utf8ToAnsi("Особа|Ім'я"));
  ASSERT_EQ(copyName->Footers().Count(), 2);
  EXPECT_EQ(copyName->Footers().Items(0)->Value(), Utf8ToAnsi("Разом"));
  EXPECT_EQ(copyName->Footers().Items(1)->ValueType(), fvtFieldValue);
  EXPECT_EQ(copyName->PickList()->Strings(0), "A");
  EXPECT_EQ(copyName->AssignedValues(), name->AssignedValues());
  const AnsiString rewritten = WriteComponentText(*copyForm);
  EXPECT_EQ(rewritten.substr(rewritten.find('\n')), text.substr(text.find('\n')));
}

TEST_F(GridForms, SettingsFollowTheGridsStreamingOrder) {
  grid->SetVTitleMargin(4);
  grid->SetTitleLines(2);
  grid->SetSortLocal(true);
  grid->SetReadOnly(true);
  grid->SetFrozenCols(1);
  grid->SetDrawMemoText(true);
  grid->SetAutoFitColWidths(true);
  grid->SetAllowedSelections({gstAll});
  grid->SetTabStop(false);
  AddColumn("ID");
  const AnsiString text = WriteComponentText(*form);
  ExpectInOrder(text, {"TabStop", "AllowedSelections", "AutoFitColWidths", "DataSource", "DrawMemoText",
                       "FrozenCols", "ReadOnly", "SortLocal", "TitleLines", "VTitleMargin", "Columns"});
}

// The grid's colour is its own after construction: taking the parent's is written, in
// its place among the grid's settings, and comes back.
TEST_F(GridForms, TakingTheParentsColourIsWrittenInItsPlaceAndComesBack) {
  EXPECT_EQ(WriteComponentText(*form).find("ParentColor"), AnsiString::npos);
  grid->SetParentCtl3D(false);
  grid->SetParentColor(true);
  grid->SetReadOnly(true);
  const AnsiString text = WriteComponentText(*form);
  ExpectInOrder(text, {"ParentCtl3D", "ParentColor", "ReadOnly"});
  TStoredGrid* back = ReadCopy(text);
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->ParentColor());
}

TEST_F(GridForms, AnchorsAndSizeBoundsTakeTheirPlacesAndComeBack) {
  grid->SetAllowedSelections({gstAll});
  grid->SetAnchors({akLeft, akTop, akRight, akBottom});
  grid->SetAutoFitColWidths(true);
  grid->Constraints().SetMaxWidth(900);
  grid->Constraints().SetMinHeight(50);
  grid->SetContraColCount(1);
  const AnsiString text = WriteComponentText(*form);
  ExpectInOrder(text, {"AllowedSelections", "Anchors", "AutoFitColWidths", "Constraints.MaxWidth",
                       "Constraints.MinHeight", "ContraColCount"});
  EXPECT_EQ(text.find("Constraints.MaxHeight"), AnsiString::npos) << text;
  TStoredGrid* copy = ReadCopy(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Anchors(), (TAnchors{akLeft, akTop, akRight, akBottom}));
  EXPECT_EQ(copy->Constraints().MaxWidth(), 900);
  EXPECT_EQ(copy->Constraints().MinHeight(), 50);
  EXPECT_EQ(copy->Constraints().MaxHeight(), 0);
}

TEST_F(GridForms, FilterRowAndSumListSettingsAreWrittenWhenSet) {
  AnsiString text = WriteComponentText(*form);
  EXPECT_EQ(text.find("STFilter"), AnsiString::npos) << text;
  EXPECT_EQ(text.find("SumList"), AnsiString::npos) << text;
  grid->STFilter().SetVisible(true);
  grid->SumList().SetVirtualRecords(true);
  text = WriteComponentText(*form);
  EXPECT_NE(text.find("\n    STFilter.Visible = True\n    SumList.VirtualRecords = True\n"), AnsiString::npos)
      << text;
}

TEST_F(GridForms, FilterRowAndSumListSettingsComeBack) {
  grid->STFilter().SetLocal(true);
  grid->STFilter().SetVisible(true);
  grid->SumList().SetActive(false);
  grid->SumList().SetExternalRecalc(true);
  TColumnEh* name = AddColumn("NAME");
  name->STFilter().SetDataField("FULL_NAME");
  name->STFilter().SetKeyField("ID");
  name->STFilter().SetListField("NAME");
  name->STFilter().SetListSource(source);
  AddColumn("ID")->STFilter().SetVisible(false);

  const AnsiString text = WriteComponentText(*form);
  TStoredGrid* copy = ReadCopy(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->STFilter().Local());
  EXPECT_TRUE(copy->STFilter().Visible());
  EXPECT_FALSE(copy->SumList().Active());
  EXPECT_TRUE(copy->SumList().ExternalRecalc());
  EXPECT_FALSE(copy->SumList().VirtualRecords());
  ASSERT_EQ(copy->Columns().Count(), 2);
  const TSTColumnFilterEh& nameFilter = copy->Columns().Items(0)->STFilter();
  EXPECT_EQ(nameFilter.DataField(), "FULL_NAME");
  EXPECT_EQ(nameFilter.KeyField(), "ID");
  EXPECT_EQ(nameFilter.ListField(), "NAME");
  EXPECT_EQ(nameFilter.ListSource(), source);
  EXPECT_TRUE(nameFilter.Visible());
  EXPECT_FALSE(copy->Columns().Items(1)->STFilter().Visible());
}

TEST_F(GridForms, AColumnsDropDownAndRecentValuesAreWrittenWhenSet) {
  TColumnEh* column = AddColumn("NAME");
  column->MRUList().SetActive(true);
  column->DropDownBox().SetOptions({dlgColLinesEh, dlgRowLinesEh});
  column->DropDownBox().SetAutoFitColWidths(true);
  EXPECT_EQ(FirstColumnText(),
            "        DropDownBox.Options = [dlgColLinesEh, dlgRowLinesEh]\n        FieldName = \"NAME\"\n"
            "        MRUList.Active = True\n");
}

TEST_F(GridForms, AnEditButtonIsWrittenAgainstTheDefaultsOfItsKind) {
  TEditButtonEh* button = AddColumn("NAME")->EditButtons().Add();
  const AnsiString buttons = "        EditButtons = <\n          item\n";
  AnsiString text = WriteComponentText(*form);
  EXPECT_NE(text.find(buttons + "          end>\n"), AnsiString::npos) << text;
  button->SetVisible(false);
  button->SetShortCut(0);
  text = WriteComponentText(*form);
  EXPECT_NE(text.find(buttons + "            ShortCut = 0\n            Visible = False\n          end>\n"),
            AnsiString::npos)
      << text;
}

TEST_F(GridForms, EditButtonsDropDownBoxAndRecentValuesComeBack) {
  auto* menu = new TPopupMenu(&module);
  menu->SetName("NameMenu");
  TColumnEh* name = AddColumn("NAME");
  TEditButtonEh* first = name->EditButtons().Add();
  first->SetStyle(ebsEllipsisEh);
  first->SetVisible(true);
  first->SetHint(Utf8ToAnsi("Знайти"));
  first->SetShortCut(0x4046);
  first->SetDropdownMenu(menu);
  TEditButtonEh* second = name->EditButtons().Add();
  second->SetEnabled(false);
  second->SetWidth(24);
  second->SetNumGlyphs(2);
  name->DropDownBox().SetAutoFitColWidths(false);
  name->DropDownBox().SetListSource(source);
  name->DropDownBox().SetOptions({dlgColumnResizeEh, dlgMultiSortMarkingEh});
  name->DropDownBox().SetUseMultiTitle(true);
  name->DropDownBox().ColumnDefValues().Title().TitleButton = true;
  TColumnEh* listed = name->DropDownBox().Columns().Add();
  listed->SetFieldName("CITY");
  listed->Title().SetCaption(Utf8ToAnsi("Місто"));
  listed->SetWidth(90);
  name->DropDownBox().Columns().Add()->SetFieldName("NAME");
  name->MRUList().SetActive(true);
  name->MRUList().SetAutoAdd(false);
  name->MRUList().SetCaseSensitive(true);
  name->MRUList().SetLimit(5);
  name->MRUList().SetRows(3);
  name->MRUList().Add(Utf8ToAnsi("Олена"));
  name->MRUList().Add("Ivan");

  const AnsiString text = WriteComponentText(*form);
  TStoredGrid* copy = ReadCopy(text);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->Columns().Count(), 1);
  TColumnEh* column = copy->Columns().Items(0);
  ASSERT_EQ(column->EditButtons().Count(), 2);
  const TEditButtonEh* copyFirst = column->EditButtons().Items(0);
  EXPECT_EQ(copyFirst->Style(), ebsEllipsisEh);
  EXPECT_TRUE(copyFirst->Visible());
  EXPECT_EQ(copyFirst->Hint(), Utf8ToAnsi("Знайти"));
  EXPECT_EQ(copyFirst->ShortCut(), 0x4046);
  EXPECT_EQ(copyFirst->DropdownMenu(), menu);
  EXPECT_TRUE(copyFirst->Enabled());
  const TEditButtonEh* copySecond = column->EditButtons().Items(1);
  EXPECT_FALSE(copySecond->Enabled());
  EXPECT_EQ(copySecond->Width(), 24);
  EXPECT_EQ(copySecond->NumGlyphs(), 2);
  EXPECT_EQ(copySecond->DropdownMenu(), nullptr);
  const TColumnDropDownBoxEh& box = column->DropDownBox();
  EXPECT_FALSE(box.AutoFitColWidths());
  EXPECT_EQ(box.ListSource(), source);
  EXPECT_EQ(box.Options(), (TDBLookupGridEhOptions{dlgColumnResizeEh, dlgMultiSortMarkingEh}));
  EXPECT_TRUE(box.UseMultiTitle());
  EXPECT_TRUE(box.ColumnDefValues().Title().TitleButton);
  ASSERT_EQ(box.Columns().Count(), 2);
  EXPECT_EQ(box.Columns().Items(0)->FieldName(), "CITY");
  EXPECT_EQ(box.Columns().Items(0)->Title().Caption(), Utf8ToAnsi("Місто"));
  EXPECT_EQ(box.Columns().Items(0)->Width(), 90);
  EXPECT_EQ(box.Columns().Items(1)->FieldName(), "NAME");
  const TMRUListEh& recent = column->MRUList();
  EXPECT_TRUE(recent.Active());
  EXPECT_FALSE(recent.AutoAdd());
  EXPECT_TRUE(recent.CaseSensitive());
  EXPECT_EQ(recent.Limit(), 5);
  EXPECT_EQ(recent.Rows(), 3);
  ASSERT_EQ(recent.Items()->Count(), 2);
  EXPECT_EQ(recent.Items()->Strings(0), Utf8ToAnsi("Олена"));
  EXPECT_EQ(recent.Items()->Strings(1), "Ivan");
}

TEST_F(GridForms, ScrollBarDragAndInputMethodSettingsAreWrittenWhenSet) {
  grid->VertScrollBar().SetTracking(true);
  grid->SetDragMode(dmAutomatic);
  grid->SetImeMode(imDontCare);
  grid->HorzScrollBar().SetVisibleMode(sbAutoShowEh);
  const AnsiString text = WriteComponentText(*form);
  EXPECT_NE(text.find("\n    DragMode = dmAutomatic\n"), AnsiString::npos) << text;
  EXPECT_NE(text.find("\n    VertScrollBar.Tracking = True\n"), AnsiString::npos) << text;
  for (const char* unset : {"DragCursor", "DragKind", "HorzScrollBar", "ImeMode", "ImeName", "VisibleMode",
                            "ExtScrollBar", "PopupMenu"})
    EXPECT_EQ(text.find(unset), AnsiString::npos) << unset << "\n" << text;
}

TEST_F(GridForms, SpecialRowScrollBarsReferencesAndInputMethodsComeBack) {
  auto* bar = new TScrollBar(&module);
  bar->SetName("OuterBar");
  auto* menu = new TPopupMenu(&module);
  menu->SetName("GridMenu");
  auto* images = new TImageList(&module);
  images->SetName("Icons");
  grid->HorzScrollBar().SetVisibleMode(sbAlwaysShowEh);
  grid->VertScrollBar().SetExtScrollBar(bar);
  grid->VertScrollBar().SetTracking(true);
  grid->SetDragCursor(crUpArrow);
  grid->SetDragMode(dmAutomatic);
  grid->SetImeMode(imOpen);
  grid->SetImeName("Pinyin");
  grid->SetPopupMenu(menu);
  grid->SetTitleImages(images);
  TColumnEh* id = AddColumn("ID");
  id->SetImageList(images);
  id->SetPopupMenu(menu);
  id->SetImeMode(imClose);
  TSpecRowEh& row = id->DropDownSpecRow();
  row.SetVisible(true);
  row.SetCellsText(Utf8ToAnsi("(усі);-"));
  row.SetValue(Variant(-1));
  row.SetShowIfNotInKeyList(false);
  row.SetShortCut(0);
  row.SetColor(clYellow);
  row.Font()->SetSize(11);
  TColumnEh* name = AddColumn("NAME");
  name->DropDownSpecRow().SetValue(Variant(AnsiString("none")));
  name->SetImeName("Pinyin");

  const AnsiString text = WriteComponentText(*form);
  TStoredGrid* copy = ReadCopy(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->HorzScrollBar().VisibleMode(), sbAlwaysShowEh);
  EXPECT_FALSE(copy->HorzScrollBar().Tracking());
  EXPECT_EQ(copy->VertScrollBar().ExtScrollBar(), bar);
  EXPECT_TRUE(copy->VertScrollBar().Tracking());
  EXPECT_EQ(copy->VertScrollBar().VisibleMode(), sbAutoShowEh);
  EXPECT_EQ(copy->DragCursor(), crUpArrow);
  EXPECT_EQ(copy->DragMode(), dmAutomatic);
  EXPECT_EQ(copy->ImeMode(), imOpen);
  EXPECT_EQ(copy->ImeName(), "Pinyin");
  EXPECT_EQ(copy->PopupMenu(), menu);
  EXPECT_EQ(copy->TitleImages(), images);
  ASSERT_EQ(copy->Columns().Count(), 2);
  TColumnEh* copyId = copy->Columns().Items(0);
  EXPECT_EQ(copyId->ImageList(), images);
  EXPECT_EQ(copyId->PopupMenu(), menu);
  EXPECT_EQ(copyId->ImeMode(), imClose);
  // Not set on the column: it follows the grid.
  EXPECT_FALSE(copyId->AssignedValues().Contains(cvImeName));
  const TSpecRowEh& copyRow = copyId->DropDownSpecRow();
  EXPECT_TRUE(copyRow.Visible());
  EXPECT_EQ(copyRow.CellsText(), Utf8ToAnsi("(усі);-"));
  EXPECT_EQ(copyRow.Value().VType(), varInt64);
  EXPECT_EQ(copyRow.Value().AsInt64(), -1);
  EXPECT_FALSE(copyRow.ShowIfNotInKeyList());
  EXPECT_EQ(copyRow.ShortCut(), 0);
  EXPECT_TRUE(copyRow.ColorAssigned());
  EXPECT_EQ(copyRow.Color(), clYellow);
  EXPECT_TRUE(copyRow.FontAssigned());
  EXPECT_EQ(copyRow.Font()->Size(), 11);
  TColumnEh* copyName = copy->Columns().Items(1);
  EXPECT_EQ(copyName->DropDownSpecRow().Value().AsString(), "none");
  EXPECT_FALSE(copyName->DropDownSpecRow().ColorAssigned());
  EXPECT_FALSE(copyName->AssignedValues().Contains(cvImeName));
  const AnsiString rewritten = WriteComponentText(*copyForm);
  EXPECT_EQ(rewritten.substr(rewritten.find('\n')), text.substr(text.find('\n')));
}

TEST_F(GridForms, DragKindAndPopupMenuTakeTheirPlacesInTheOrder) {
  auto* menu = new TPopupMenu(&module);
  menu->SetName("GridMenu");
  grid->SetDragKind(dkDock);
  grid->SetDragMode(dmAutomatic);
  grid->SetPopupMenu(menu);
  grid->SetReadOnly(true);
  grid->SetFrozenCols(1);
  const AnsiString text = WriteComponentText(*form);
  ExpectInOrder(text, {"DataSource", "DragKind", "DragMode", "FrozenCols", "PopupMenu", "ReadOnly"});
  // The control's own menu is the grid's: written once.
  EXPECT_EQ(text.find("PopupMenu", text.find("PopupMenu") + 1), AnsiString::npos) << text;
  TStoredGrid* copy = ReadCopy(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->DragKind(), dkDock);
  EXPECT_EQ(copy->PopupMenu(), menu);
}

TEST_F(GridForms, ADamagedColumnLeavesNoGridBehind) {
  AddColumn("NAME")->SetWidth(90);
  const AnsiString text = WriteComponentText(*form);
  const std::size_t width = text.find("Width = 90");
  ASSERT_NE(width, AnsiString::npos);
  auto* copyForm = new TComponent(&module);
  copyForm->SetName("Copy");
  const AnsiString damaged = text.substr(0, width) + "Widht = 90" + text.substr(width + 10);
  try {
    ReadComponentText(damaged, *copyForm);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_NE(
        e.Message().find("property \"Columns.Widht\" of class TDBGridColumnEh (Grid): no such property"),
        AnsiString::npos)
        << e.Message();
  }
  EXPECT_EQ(copyForm->ComponentCount(), 0);
}

// The references inside a column wait to be bound until the form is read: a second
// "Columns", or a second block of the grid, would read the columns again and free them.
TEST_F(GridForms, ColumnsOrAGridGivenTwiceAreRefused) {
  auto* menu = new TPopupMenu(&module);
  menu->SetName("GridMenu");
  auto* images = new TImageList(&module);
  images->SetName("Icons");
  TColumnEh* name = AddColumn("NAME");
  name->DropDownBox().SetListSource(source);
  name->STFilter().SetListSource(source);
  name->SetPopupMenu(menu);
  name->SetImageList(images);
  const AnsiString text = WriteComponentText(*form);
  const std::size_t columnsAt = text.find("    Columns = <");
  const std::size_t columnsEnd = text.find("end>\n", columnsAt) + 5;
  ASSERT_NE(columnsAt, AnsiString::npos) << text;
  const AnsiString columns = text.substr(columnsAt, columnsEnd - columnsAt);
  const std::size_t gridEnd = text.rfind("  end\n");
  const AnsiString gridBlock = text.substr(text.find("  object Grid"), gridEnd + 6 - text.find("  object Grid"));
  for (const AnsiString& hostile :
       {text.substr(0, columnsEnd) + columns + text.substr(columnsEnd),
        text.substr(0, gridEnd + 6) + gridBlock + text.substr(gridEnd + 6)}) {
    auto* copy = new TComponent(&module);
    copy->SetName("Copy");
    try {
      ReadComponentText(hostile, *copy);
      ADD_FAILURE() << hostile;
    } catch (const EReadError& e) {
      const bool named = e.Message().find("given twice in one object") != AnsiString::npos ||
                         e.Message().find("Grid is named twice in the form") != AnsiString::npos;
      EXPECT_TRUE(named) << e.Message();
    }
    EXPECT_EQ(copy->ComponentCount(), 0);
    delete copy;
  }
}

}  // namespace
}  // namespace ordvane
