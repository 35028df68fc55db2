// The grid foundation's controls written to a form and read back: a grid's extents, the
// data-aware edits with their masks and formats, their popup menus and their buttons'
// glyphs.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "classlib/core/Filer.h"
#include "gridbase/DBCtrlsEhCheckBox.h"
#include "gridbase/DBCtrlsEhComboBox.h"
#include "gridbase/DBDateTimeEditEh.h"
#include "gridbase/GridsEhStreaming.h"
#include "tests/gridbase/GridTestSupport.h"

namespace ordvane {
namespace {

class TStoredCellGrid : public test::TCellGrid {
  ORDVANE_CLASS(TStoredCellGrid, test::TCellGrid)
 public:
  using test::TCellGrid::TCellGrid;
};

class ControlStreaming : public ::testing::Test {
 protected:
  ControlStreaming() {
    RegisterGridBaseStreaming();
    RegisterComponentClass<TStoredCellGrid>();
  }
};

AnsiString Line(const AnsiString& text, const AnsiString& start) {
  const std::size_t at = text.find("\n  " + start);
  return at == AnsiString::npos ? AnsiString() : text.substr(at + 3, text.find('\n', at + 1) - at - 3);
}

TEST_F(ControlStreaming, GridExtentsWhenSavedAndDifferent) {
  TStoredCellGrid grid(nullptr);
  grid.SetName("Grid");
  grid.SetColCount(4);
  grid.SetRowCount(3);
  AnsiString text = WriteComponentText(grid);
  EXPECT_EQ(Line(text, "ColWidths"), "");
  grid.SetColWidths(2, 100);
  grid.SetRowHeights(0, 30);
  text = WriteComponentText(grid);
  EXPECT_NE(
      text.find(
          "  ColWidths = (\n    64\n    64\n    100\n    64)\n  RowHeights = (\n    30\n    24\n    24)\n"),
      AnsiString::npos)
      << text;
  TStoredCellGrid copy(nullptr);
  copy.SetColCount(4);
  copy.SetRowCount(3);
  ReadComponentText(text, copy);
  EXPECT_EQ(copy.ColWidths(2), 100);
  EXPECT_EQ(copy.RowHeights(0), 30);
  EXPECT_EQ(WriteComponentText(copy), text);
  // Equal to the inherited grid's, or not saved: nothing.
  EXPECT_EQ(Line(WriteComponentText(grid, &copy), "ColWidths"), "");
  grid.SetSaveCellExtents(false);
  EXPECT_EQ(Line(WriteComponentText(grid), "RowHeights"), "");
  // A list longer than the grid is refused.
  TStoredCellGrid narrow(nullptr);
  narrow.SetColCount(2);
  EXPECT_THROW(ReadComponentText(text, narrow), EReadError);
}

TEST_F(ControlStreaming, EditsKeepOnlyTheirOwnMaskAndFormat) {
  TComponent form(nullptr);
  form.SetName("Form");
  auto* source = new TDataSource(&form);
  source->SetName("Source");
  auto* date = new TDBDateTimeEditEh(&form);
  date->SetName("Date");
  date->SetDataSource(source);
  date->SetDataField("BIRTH");
  auto* custom = new TDBDateTimeEditEh(&form);
  custom->SetName("Custom");
  custom->SetEditFormat("DD.MM.YYYY HH:NN");
  auto* combo = new TDBComboBoxEh(&form);
  combo->SetName("Combo");
  combo->Items()->Add(Utf8ToAnsi("чоловіча"));
  combo->SetAlignment(taCenter);
  auto* masked = new TDBComboBoxEh(&form);
  masked->SetName("Masked");
  masked->SetEditMask("000;1;_");

  const AnsiString text = WriteComponentText(form);
  EXPECT_EQ(text.find("EditFormat"), text.rfind("EditFormat")) << text;
  EXPECT_NE(text.find("    EditFormat = \"DD.MM.YYYY HH:NN\"\n"), AnsiString::npos) << text;
  EXPECT_NE(text.find("    EditMask = \"000;1;_\"\n"), AnsiString::npos) << text;
  EXPECT_EQ(text.find("EditMask"), text.rfind("EditMask")) << text;
  EXPECT_EQ(text.find("Kind"), AnsiString::npos) << text;

  TComponent copy(nullptr);
  ReadComponentText(text, copy);
  auto* backDate = dynamic_cast<TDBDateTimeEditEh*>(copy.FindComponent("Date"));
  auto* backCustom = dynamic_cast<TDBDateTimeEditEh*>(copy.FindComponent("Custom"));
  auto* backCombo = dynamic_cast<TDBComboBoxEh*>(copy.FindComponent("Combo"));
  auto* backMasked = dynamic_cast<TDBComboBoxEh*>(copy.FindComponent("Masked"));
  ASSERT_TRUE(backDate && backCustom && backCombo && backMasked);
  EXPECT_EQ(backDate->DataSource(), copy.FindComponent("Source"));
  EXPECT_EQ(backDate->DataField(), "BIRTH");
  EXPECT_EQ(backDate->Kind(), dtkDateEh);
  EXPECT_EQ(backCustom->Kind(), dtkCustomEh);
  EXPECT_EQ(backCustom->EditFormat(), "DD.MM.YYYY HH:NN");
  EXPECT_EQ(backCustom->EditMask(), custom->EditMask());
  EXPECT_EQ(backCombo->Items()->Strings(0), Utf8ToAnsi("чоловіча"));
  EXPECT_EQ(backCombo->Alignment(), taCenter);
  EXPECT_FALSE(backCombo->EditMaskAssigned());
  EXPECT_TRUE(backMasked->EditMaskAssigned());
  EXPECT_EQ(backMasked->EditMask(), "000;1;_");
  EXPECT_EQ(WriteComponentText(copy), text);
}

// A standalone edit keeps its own value in the form; a bound one shows its field's, and
// an empty or Null value is not written.
TEST_F(ControlStreaming, StandaloneValuesAndTheComboBoxSettingsComeBack) {
  TComponent form(nullptr);
  form.SetName("Form");
  auto* source = new TDataSource(&form);
  source->SetName("Source");
  auto* date = new TDBDateTimeEditEh(&form);
  date->SetName("Date");
  date->SetValue(Variant(45000.0));
  auto* noDate = new TDBDateTimeEditEh(&form);
  noDate->SetName("NoDate");
  auto* combo = new TDBComboBoxEh(&form);
  combo->SetName("Combo");
  combo->Items()->Add(Utf8ToAnsi("чоловіча"));
  combo->Items()->Add(Utf8ToAnsi("жіноча"));
  combo->SetText(Utf8ToAnsi("жіноча"));
  combo->SetCharCase(ecUpperCase);
  combo->SetMaxLength(12);
  combo->SetWordWrap(true);
  combo->DropDownBox()->SetAlign(daRight);
  combo->DropDownBox()->SetAutoDrop(true);
  combo->DropDownBox()->SetRows(12);
  combo->DropDownBox()->SetSizable(true);
  combo->DropDownBox()->SetWidth(-1);
  auto* bound = new TDBComboBoxEh(&form);
  bound->SetName("Bound");
  bound->SetDataSource(source);

  const AnsiString text = WriteComponentText(form);
  EXPECT_EQ(text.find("Value"), text.rfind("Value")) << text;
  EXPECT_EQ(text.find("Text ="), text.rfind("Text =")) << text;
  TComponent copy(nullptr);
  ReadComponentText(text, copy);
  auto* backDate = dynamic_cast<TDBDateTimeEditEh*>(copy.FindComponent("Date"));
  auto* backNoDate = dynamic_cast<TDBDateTimeEditEh*>(copy.FindComponent("NoDate"));
  auto* backCombo = dynamic_cast<TDBComboBoxEh*>(copy.FindComponent("Combo"));
  ASSERT_TRUE(backDate && backNoDate && backCombo);
  EXPECT_EQ(backDate->Value().AsDouble(), 45000.0);
  EXPECT_TRUE(VarIsNull(backNoDate->Value()));
  EXPECT_EQ(backCombo->Text(), combo->Text());
  EXPECT_FALSE(backCombo->Text().empty());
  EXPECT_EQ(backCombo->CharCase(), ecUpperCase);
  EXPECT_EQ(backCombo->MaxLength(), 12);
  EXPECT_TRUE(backCombo->WordWrap());
  EXPECT_EQ(backCombo->DropDownBox()->Align(), daRight);
  EXPECT_TRUE(backCombo->DropDownBox()->AutoDrop());
  EXPECT_EQ(backCombo->DropDownBox()->Rows(), 12);
  EXPECT_TRUE(backCombo->DropDownBox()->Sizable());
  EXPECT_EQ(backCombo->DropDownBox()->Width(), -1);
  EXPECT_EQ(WriteComponentText(copy), text);
}

// A check box of its own keeps its state when it is not unchecked; Checked follows from
// the state and is read but never written.
TEST_F(ControlStreaming, ACheckBoxComesBackWithItsStateWhenStandalone) {
  TComponent form(nullptr);
  form.SetName("Form");
  auto* source = new TDataSource(&form);
  source->SetName("Source");
  auto* box = new TDBCheckBoxEh(&form);
  box->SetName("Box");
  box->SetAlignment(taLeftJustify);
  box->SetAllowGrayed(true);
  box->SetAlwaysShowBorder(true);
  box->SetCaption(Utf8ToAnsi("Пільга"));
  box->SetFlat(true);
  box->SetReadOnly(true);
  box->SetValueChecked("Y;YES");
  box->SetValueUnchecked("N");
  box->SetState(cbGrayed);
  auto* unchecked = new TDBCheckBoxEh(&form);
  unchecked->SetName("Unchecked");
  auto* bound = new TDBCheckBoxEh(&form);
  bound->SetName("Bound");
  bound->SetDataSource(source);
  bound->SetDataField("FLAG");

  const AnsiString text = WriteComponentText(form);
  EXPECT_EQ(text.find("State"), text.rfind("State")) << text;
  EXPECT_EQ(text.find(" Checked ="), AnsiString::npos) << text;
  TComponent copy(nullptr);
  ReadComponentText(text, copy);
  auto* backBox = dynamic_cast<TDBCheckBoxEh*>(copy.FindComponent("Box"));
  auto* backBound = dynamic_cast<TDBCheckBoxEh*>(copy.FindComponent("Bound"));
  ASSERT_TRUE(backBox && backBound && copy.FindComponent("Unchecked"));
  EXPECT_EQ(backBox->Alignment(), taLeftJustify);
  EXPECT_TRUE(backBox->AllowGrayed());
  EXPECT_TRUE(backBox->AlwaysShowBorder());
  EXPECT_EQ(backBox->Caption(), Utf8ToAnsi("Пільга"));
  EXPECT_TRUE(backBox->Flat());
  EXPECT_TRUE(backBox->ReadOnly());
  EXPECT_EQ(backBox->ValueChecked(), "Y;YES");
  EXPECT_EQ(backBox->ValueUnchecked(), "N");
  EXPECT_EQ(backBox->State(), cbGrayed);
  EXPECT_EQ(backBound->DataSource(), copy.FindComponent("Source"));
  EXPECT_EQ(backBound->DataField(), "FLAG");
  EXPECT_EQ(WriteComponentText(copy), text);

  TComponent checked(nullptr);
  ReadComponentText("object Form: TComponent\n  object Box: TDBCheckBoxEh\n    Checked = True\n  end\nend", checked);
  EXPECT_EQ(dynamic_cast<TDBCheckBoxEh*>(checked.FindComponent("Box"))->State(), cbChecked);
}

TEST_F(ControlStreaming, AnEditsButtonsImagesAndRecentValuesComeBack) {
  // The lists the edit refers to live beside its form, on the module.
  TComponent module(nullptr);
  auto* images = new TImageList(&module);
  images->SetName("Icons");
  auto* menu = new TPopupMenu(&module);
  menu->SetName("Menu");
  auto& form = *new TComponent(&module);
  form.SetName("Form");
  auto* date = new TDBDateTimeEditEh(&form);
  date->SetName("Date");
  const AnsiString plain = WriteComponentText(form);
  for (const char* unset : {"EditButtons", "Images", "MRUList"})
    EXPECT_EQ(plain.find(unset), AnsiString::npos) << unset << "\n" << plain;
  date->EditButton()->SetStyle(ebsEllipsisEh);
  date->EditButtons()->Add()->SetDropdownMenu(menu);
  date->SetImages(images);
  date->MRUList()->SetActive(true);
  date->MRUList()->Add("01.02.2003");

  const AnsiString text = WriteComponentText(form);
  EXPECT_NE(text.find("\n    EditButton.Style = ebsEllipsisEh\n"
                      "    EditButtons = <\n      item\n"
                      "        DropdownMenu = Menu\n      end>\n"),
            AnsiString::npos)
      << text;
  auto& copy = *new TComponent(&module);
  copy.SetName("Copy");
  ReadComponentText(text, copy);
  auto* back = dynamic_cast<TDBDateTimeEditEh*>(copy.FindComponent("Date"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->EditButton()->Style(), ebsEllipsisEh);
  EXPECT_TRUE(back->EditButton()->Visible());
  ASSERT_EQ(back->EditButtons()->Count(), 1);
  EXPECT_EQ(back->EditButtons()->Items(0)->DropdownMenu(), menu);
  EXPECT_EQ(back->EditImage()->Images(), images);
  EXPECT_TRUE(back->EditImage()->Visible());
  EXPECT_TRUE(back->MRUList()->Active());
  ASSERT_EQ(back->MRUList()->Items()->Count(), 1);
  EXPECT_EQ(back->MRUList()->Items()->Strings(0), "01.02.2003");
}

// The main button of a date edit and a combo box shows and answers Alt+Down unless the
// form says otherwise: a hidden button or a cleared shortcut stays so.
TEST_F(ControlStreaming, AHiddenMainButtonAndAClearedShortcutComeBack) {
  TComponent form(nullptr);
  form.SetName("Form");
  auto* date = new TDBDateTimeEditEh(&form);
  date->SetName("Date");
  auto* combo = new TDBComboBoxEh(&form);
  combo->SetName("Combo");
  const AnsiString plain = WriteComponentText(form);
  EXPECT_EQ(plain.find("EditButton."), AnsiString::npos) << plain;
  date->EditButton()->SetVisible(false);
  combo->EditButton()->SetShortCut(0);

  const AnsiString text = WriteComponentText(form);
  TComponent copy(nullptr);
  ReadComponentText(text, copy);
  auto* backDate = dynamic_cast<TDBDateTimeEditEh*>(copy.FindComponent("Date"));
  auto* backCombo = dynamic_cast<TDBComboBoxEh*>(copy.FindComponent("Combo"));
  ASSERT_TRUE(backDate && backCombo) << text;
  EXPECT_FALSE(backDate->EditButton()->Visible()) << text;
  EXPECT_EQ(backDate->EditButton()->ShortCut(), ShortCut(VK_DOWN, false, false, true));
  EXPECT_TRUE(backCombo->EditButton()->Visible());
  EXPECT_EQ(backCombo->EditButton()->ShortCut(), 0) << text;
  EXPECT_EQ(WriteComponentText(copy), text);
}

// An edit that is itself the root is written without the controls it makes for its
// buttons, and a component made from its own text is written back the same.
TEST_F(ControlStreaming, AnEditAsTheRootIsWrittenWithoutItsOwnParts) {
  TDBDateTimeEditEh date(nullptr);
  date.SetName("Date");
  date.SetFlat(true);
  date.EditButtons()->Add();
  TDBComboBoxEh combo(nullptr);
  combo.SetName("Combo");
  combo.Items()->Add("one");
  combo.EditButtons()->Add();
  for (TCustomDBEditEh* edit : std::initializer_list<TCustomDBEditEh*>{&date, &combo}) {
    SCOPED_TRACE(edit->Name());
    ASSERT_GT(edit->ComponentCount(), 0) << "the edit owns its button controls";
    const AnsiString text = WriteComponentText(*edit);
    EXPECT_EQ(text.find("  object "), AnsiString::npos) << text;
    std::unique_ptr<TComponent> copy = CreateComponentFromText(text, nullptr);
    ASSERT_EQ(copy->ClassType(), edit->ClassType());
    EXPECT_EQ(WriteComponentText(*copy), text);
  }
  EXPECT_EQ(dynamic_cast<TCustomDBEditEh&>(*CreateComponentFromText(WriteComponentText(date), nullptr))
                .EditButtons()
                ->Count(),
            1);
}

// Controls whose own colour is their default take the parent's when the form says so,
// and keep their own colour otherwise.
TEST_F(ControlStreaming, TheParentsColourIsKeptOrLeftAsTheFormSays) {
  TComponent form(nullptr);
  form.SetName("Form");
  std::vector<TControl*> parented = {new TDBComboBoxEh(&form), new TDBCheckBoxEh(&form),
                                     new TDBDateTimeEditEh(&form), new TStoredCellGrid(&form)};
  auto* own = new TDBComboBoxEh(&form);
  own->SetName("Own");
  for (std::size_t i = 0; i < parented.size(); ++i) {
    parented[i]->SetName("Parented" + std::to_string(i));
    EXPECT_FALSE(parented[i]->ParentColor()) << parented[i]->ClassName();
    parented[i]->SetParentColor(true);
  }
  const AnsiString text = WriteComponentText(form);
  TComponent copy(nullptr);
  ReadComponentText(text, copy);
  for (std::size_t i = 0; i < parented.size(); ++i) {
    auto* back = dynamic_cast<TControl*>(copy.FindComponent("Parented" + std::to_string(i)));
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->ParentColor()) << back->ClassName() << "\n" << text;
  }
  auto* ownBack = dynamic_cast<TControl*>(copy.FindComponent("Own"));
  ASSERT_NE(ownBack, nullptr);
  EXPECT_FALSE(ownBack->ParentColor());
  EXPECT_EQ(ownBack->Color(), clWindow);
  EXPECT_EQ(WriteComponentText(copy), text);
}

// A glyph whose pixels all differ, so that a row or channel out of place shows.
std::unique_ptr<TBitmap> PatternGlyph(int width, int height) {
  auto glyph = std::make_unique<TBitmap>(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      glyph->Canvas()->SetPixels(x, y, static_cast<TColor>(RGB(x * 40, y * 90, 7)));
  return glyph;
}

// An edit whose extra button has a 3 x 2 glyph, as the form of the module's form.
struct GlyphForm {
  TComponent module{nullptr};
  TComponent& form = *new TComponent(&module);
  TDBDateTimeEditEh* date = new TDBDateTimeEditEh(&form);
  GlyphForm() {
    form.SetName("Form");
    date->SetName("Date");
  }
  AnsiString Text() {
    date->EditButtons()->Add()->SetGlyph(*PatternGlyph(3, 2));
    return WriteComponentText(form);
  }
  TDBDateTimeEditEh* ReadCopy(const AnsiString& text) {
    auto& copy = *new TComponent(&module);
    copy.SetName("Copy");
    ReadComponentText(text, copy);
    return dynamic_cast<TDBDateTimeEditEh*>(copy.FindComponent("Date"));
  }
};

TEST_F(ControlStreaming, AButtonsGlyphComesBackPixelByPixel) {
  GlyphForm glyphForm;
  glyphForm.date->EditButtons()->Add();
  EXPECT_EQ(WriteComponentText(glyphForm.form).find("Glyph"), AnsiString::npos);  // an empty glyph
  glyphForm.date->EditButtons()->Clear();
  const AnsiString text = glyphForm.Text();
  // Width, height, the pixel format, then red, green and blue of each pixel by rows.
  EXPECT_NE(text.find("        Glyph.Data = {\n          030000000200000018000000000007280007500007"
                      "005A07285A07505A07}\n"),
            AnsiString::npos)
      << text;
  TDBDateTimeEditEh* back = glyphForm.ReadCopy(text);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->EditButtons()->Count(), 1);
  const TBitmap& glyph = *back->EditButtons()->Items(0)->Glyph();
  EXPECT_EQ(glyph.Raster(), PatternGlyph(3, 2)->Raster());
  EXPECT_TRUE(glyph.Transparent());  // the button's own setting, not the form's
}

TEST_F(ControlStreaming, GlyphDataThatLiesAboutItsSizeIsRefused) {
  GlyphForm glyphForm;
  const AnsiString text = glyphForm.Text();
  const AnsiString header = "030000000200000018000000";
  const std::size_t at = text.find(header);
  ASSERT_NE(at, AnsiString::npos);
  const auto withHeader = [&](const AnsiString& bytes) {
    AnsiString changed = text;
    return changed.replace(at, header.size(), bytes);
  };
  const std::pair<const char*, AnsiString> damaged[] = {
      {"wider than its pixels", withHeader("040000000200000018000000")},
      {"huge within the limits", withHeader("FF7F0000FF7F000018000000")},
      {"beyond the limits", withHeader("FFFFFFFFFFFFFFFF18000000")},
      {"another pixel format", withHeader("030000000200000020000000")},
      {"shorter than a header", text.substr(0, at) + "0300}" + text.substr(text.find('}', at) + 1)},
  };
  const AnsiString beforeGlyph = text.substr(0, text.find("Glyph.Data"));
  const AnsiString where = "Line " +
                           std::to_string(1 + std::count(beforeGlyph.begin(), beforeGlyph.end(), '\n')) +
                           ": property \"EditButtons.Glyph.Data\" of class TVisibleEditButtonEh (Date): ";
  for (const auto& [what, bytes] : damaged) {
    GlyphForm target;
    try {
      target.ReadCopy(bytes);
      ADD_FAILURE() << what << " was read";
    } catch (const EReadError& e) {
      EXPECT_TRUE(e.Message().starts_with(where)) << what << ": " << e.Message();
    }
  }
}

TEST_F(ControlStreaming, AControlsOwnPopupMenuIsStoredByName) {
  TComponent module(nullptr);
  auto* menu = new TPopupMenu(&module);
  menu->SetName("Menu");
  auto& form = *new TComponent(&module);
  form.SetName("Form");
  auto* combo = new TDBComboBoxEh(&form);
  combo->SetName("Combo");
  EXPECT_EQ(WriteComponentText(form).find("PopupMenu"), AnsiString::npos);
  combo->SetPopupMenu(menu);
  const AnsiString text = WriteComponentText(form);
  EXPECT_EQ(Line(text, "  PopupMenu"), "  PopupMenu = Menu") << text;
  auto& copy = *new TComponent(&module);
  copy.SetName("Copy");
  ReadComponentText(text, copy);
  auto* back = dynamic_cast<TDBComboBoxEh*>(copy.FindComponent("Combo"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->PopupMenu(), menu);
}

}  // namespace
}  // namespace ordvane
