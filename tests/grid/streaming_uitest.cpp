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
  auto* copyForm = new TComponent(&module);
  copyForm->SetName("Copy");
  ReadComponentText(text, *copyForm);
  auto* copy = dynamic_cast<TStoredGrid*>(copyForm->FindComponent("Grid"));
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
  const char* order[] = {"TabStop",      "AllowedSelections", "AutoFitColWidths", "DataSource",
                         "DrawMemoText", "FrozenCols",        "ReadOnly",         "SortLocal",
                         "TitleLines",   "VTitleMargin",      "Columns"};
  std::size_t last = 0;
  for (const char* name : order) {
    const std::size_t at = text.find(AnsiString("\n    ") + name + " = ");
    ASSERT_NE(at, AnsiString::npos) << name << "\n" << text;
    EXPECT_GT(at, last) << name;
    last = at;
  }
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

}  // namespace
}  // namespace ordvane
