// The grid's find dialog over the in-memory dataset, driven as a user would: its controls
// and texts, find next in each direction and kind of match, what restarts a search, its
// keys, the one instance, and the grid or its columns going under the open dialog.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/ui/WinPaint.h"
#include "grid/dialogs/DBGridEhFindDlgs.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::NewForm;
using test::TDataGrid;
using test::TMemDataSet;
using test::UiDriver;

AnsiString Ansi(const char* utf8) { return Utf8ToAnsi(utf8); }

// Five persons with a city and an amount; the grid shows NAME, CITY and AMOUNT (or every
// field), the first selected.
struct FindFixture {
  UiDriver ui;
  std::unique_ptr<TForm> form{NewForm(Rect(50, 50, 750, 650))};
  TMemDataSet data{nullptr};
  TDataSource source{nullptr};
  TDataGrid* grid = nullptr;

  // Default columns: one made by the grid for each field.
  explicit FindFixture(bool defaultColumns = false) {
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 20);
    data.FieldDefs().Add("CITY", ftString, 20);
    data.FieldDefs().Add("AMOUNT", ftFloat);
    data.Open();
    const char* names[] = {"Anna Koval", "Petro", "anna", "Ivan Hanna", "Olena"};
    const char* cities[] = {"Kyiv", "Lviv", "Odesa", "Kyiv", "Kharkiv"};
    const double amounts[] = {10, 12345.5, 7, 250, 3};
    for (int i = 0; i < 5; ++i)
      data.AppendRecord({Variant(i + 1), Variant(names[i]), Variant(cities[i]), Variant(amounts[i])});
    dynamic_cast<TFloatField*>(data.FieldByName("AMOUNT"))->SetDisplayFormat("#,##0.00");
    data.First();
    source.SetDataSet(&data);
    grid = test::PlaceDataGrid(*form, source);
    if (!defaultColumns)
      for (const char* name : {"NAME", "CITY", "AMOUNT"}) grid->Columns().Add()->SetFieldName(name);
    grid->SetSelectedIndex(0);
    ui.Process();
  }
  ~FindFixture() {
    // The one dialog lives on; the next test starts with it closed.
    if (DBGridEhFindDlg() != nullptr) DBGridEhFindDlg()->Hide();
  }

  // The dialog shown as it first comes: it keeps the choices and texts of the searches
  // before (those of earlier tests too), and typing completes from those texts.
  TDBGridEhFindDlg& Open(const AnsiString& text = {}) {
    ExecuteFindDialog(*grid, text, AnsiString(), false);
    ui.Process();
    TDBGridEhFindDlg& dialog = *DBGridEhFindDlg();
    dialog.cbText->Items()->Clear();
    dialog.cbMatchinType->SetItemIndex(0);
    dialog.cbFindDirection->SetItemIndex(2);
    dialog.cbCharCase->SetChecked(false);
    dialog.cbUseFormat->SetChecked(true);
    return dialog;
  }
  int Id() { return data.FieldByName("ID")->AsInteger(); }
  // Types the text over the pattern box's text, as the user does.
  void Search(TDBGridEhFindDlg& dialog, const AnsiString& text) {
    dialog.cbText->SetFocus();
    dialog.cbText->SelectAll();
    ui.Type(AnsiToUtf8(text));
  }
  // Steps the combo box to the item by the arrow keys.
  void Choose(TDBComboBoxEh* combo, int index) {
    combo->SetFocus();
    for (int steps = 0; steps < 8 && combo->ItemIndex() != index; ++steps)
      ui.Press(combo->ItemIndex() < index ? VK_DOWN : VK_UP);
    ASSERT_EQ(combo->ItemIndex(), index);
  }
  void ClickFind(TDBGridEhFindDlg& dialog) {
    ui.Advance(1000);  // a click, not the second of a double click
    ui.Click(dialog.bFind, {10, 10});
  }
};

TEST(FindDialog, ControlsCaptionsAndItems) {
  FindFixture f;
  f.grid->SetSelectedIndex(1);
  TDBGridEhFindDlg& dialog = f.Open("Lv");
  EXPECT_EQ(dialog.Caption(), Ansi("Поиск"));
  EXPECT_EQ(dialog.lText->Caption(), Ansi("&Образец:"));
  EXPECT_EQ(dialog.lFindIn->Caption(), Ansi("&Поиск в:"));
  EXPECT_EQ(dialog.lMatchinType->Caption(), Ansi("&Совпадение:"));
  EXPECT_EQ(dialog.lFindDirection->Caption(), Ansi("Прос&мотр:"));
  EXPECT_EQ(dialog.cbCharCase->Caption(), Ansi("С учетом ре&гистра"));
  EXPECT_EQ(dialog.cbUseFormat->Caption(), Ansi("С у&четом формата"));
  EXPECT_EQ(dialog.bFind->Caption(), Ansi("На&йти далее"));
  EXPECT_EQ(dialog.bCancel->Caption(), Ansi("Закрыть"));
  EXPECT_EQ(dialog.cbMatchinType->Items()->Text(),
            Ansi("С любой части поля\r\nПоля целиком\r\nС начала поля\r\n"));
  EXPECT_EQ(dialog.cbFindDirection->Items()->Text(), Ansi("Вверх\r\nВниз\r\nВсе\r\n"));
  EXPECT_EQ(dialog.dbcTreeFindRange->Items()->Text(),
            Ansi("Во всех ветвях\r\nВ раскрытых ветвях\r\nВ текущем уровне\r\nВ текущей ветке\r\n"));

  EXPECT_EQ(dialog.cbFindIn->Items()->Text(), "NAME\r\nCITY\r\nAMOUNT\r\n<All>\r\n");
  EXPECT_EQ(dialog.cbFindIn->Text(), "CITY") << "the selected column";
  EXPECT_EQ(dialog.cbText->Text(), "Lv");
  EXPECT_EQ(dialog.cbMatchinType->ItemIndex(), 0);
  EXPECT_EQ(dialog.cbFindDirection->ItemIndex(), 2);
  EXPECT_FALSE(dialog.cbCharCase->GetChecked());
  EXPECT_TRUE(dialog.cbUseFormat->GetChecked());
  EXPECT_EQ(dialog.cbText->DropDownBox()->Rows(), 17);
  EXPECT_TRUE(dialog.cbText->DropDownBox()->Sizable());
  EXPECT_TRUE(dialog.bCancel->Cancel());
  EXPECT_EQ(dialog.bCancel->ModalResult(), mrCancel);
  EXPECT_FALSE(dialog.dbcTreeFindRange->Visible()) << "no dataset here shows a tree";
  EXPECT_FALSE(dialog.lTreeFindRange->Visible());
  EXPECT_GE(dialog.ClientHeight(), dialog.cbUseFormat->Top() + dialog.cbUseFormat->Height());
  EXPECT_LE(dialog.ClientHeight(), dialog.dbcTreeFindRange->Top()) << "the hidden row takes no room";

  EXPECT_TRUE(dialog.Visible());
  EXPECT_FALSE(dialog.FormState().Contains(fsModal)) << "the direct call's non-modal case";
  EXPECT_EQ(dialog.FormStyle(), fsStayOnTop);
  EXPECT_EQ(dialog.ActiveControl(), dialog.cbText);
  EXPECT_EQ(dialog.Grid(), f.grid);
}

// Each combo box shows its drop-down button, as painted on the dialog's window: a face of
// the button colour with the dark arrow on it, where the text's white ends.
TEST(FindDialog, TheComboBoxesShowTheirDropDownButtons) {
  FindFixture f;
  TDBGridEhFindDlg& dialog = f.Open("Lv");
  f.ui.Process();
  const TRaster* surface = WindowSurface(dialog.Handle());
  ASSERT_NE(surface, nullptr);
  for (TDBComboBoxEh* combo : {dialog.cbText, dialog.cbFindIn, dialog.cbMatchinType, dialog.cbFindDirection}) {
    const TEditButtonControlEh* button = combo->ButtonControl(0);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->Visible());
    const TPoint origin = button->ClientToScreen(Point(0, 0));
    int face = 0, arrow = 0;
    for (int y = 0; y < button->Height(); ++y)
      for (int x = 0; x < button->Width(); ++x) {
        const TColorRef pixel = surface->Pixel(origin.x - dialog.Left() + x, origin.y - dialog.Top() + y);
        face += pixel == ColorToRGB(clBtnFace) ? 1 : 0;
        arrow += pixel == ColorToRGB(clBtnText) ? 1 : 0;
      }
    EXPECT_GT(face, button->Width() * button->Height() / 2) << combo->Name();
    EXPECT_GT(arrow, 3) << combo->Name();
  }
}

TEST(FindDialog, DirectionsAndTheFirstSearch) {
  FindFixture f;
  f.data.SetRecNo(4);
  TDBGridEhFindDlg& dialog = f.Open("anna");
  f.ClickFind(dialog);
  EXPECT_EQ(f.Id(), 1) << "\"all\" starts at the first record";
  EXPECT_FALSE(dialog.FirstSearch());
  f.ClickFind(dialog);
  EXPECT_EQ(f.Id(), 3) << "then goes on downwards";
  f.ClickFind(dialog);
  EXPECT_EQ(f.Id(), 4);

  dialog.cbFindDirection->SetItemIndex(1);  // down
  f.ui.KeyDown(VK_CONTROL);
  f.ClickFind(dialog);
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.Id(), 3) << "Ctrl held on down searches up";
  dialog.cbFindDirection->SetItemIndex(0);  // up
  f.ClickFind(dialog);
  EXPECT_EQ(f.Id(), 1);
  f.ui.KeyDown(VK_CONTROL);
  f.ClickFind(dialog);
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.Id(), 3) << "Ctrl held on up searches down";
}

TEST(FindDialog, ColumnsAndKindsOfMatch) {
  FindFixture f;
  TDBGridEhFindDlg& dialog = f.Open("Odesa");
  f.ClickFind(dialog);
  EXPECT_EQ(f.Id(), 1) << "only NAME is searched";
  dialog.cbFindIn->SetItemIndex(3);  // <All>
  f.ClickFind(dialog);
  EXPECT_EQ(f.Id(), 3) << "every shown column";
  EXPECT_EQ(f.grid->SelectedIndex(), 1) << "the column found is selected";

  dialog.cbFindIn->SetText("NAME");
  const auto found = [&](int matching, const AnsiString& text, bool withCase) {
    f.data.First();
    dialog.cbMatchinType->SetItemIndex(matching);
    dialog.cbCharCase->SetChecked(withCase);
    f.Search(dialog, text);
    f.ClickFind(dialog);
    return !dialog.FirstSearch() ? f.Id() : 0;
  };
  // No text typed is the beginning of one typed before: the box would complete it.
  EXPECT_EQ(found(0, "hann", false), 4) << "any part";
  EXPECT_EQ(found(0, "ANNA", false), 1);
  EXPECT_EQ(found(0, "KOVAL", true), 0);
  EXPECT_EQ(found(0, "na Ko", true), 1);
  EXPECT_EQ(found(1, "petro", false), 2) << "whole field";
  EXPECT_EQ(found(1, "Hanna", false), 0);
  EXPECT_EQ(found(1, "OLENA", true), 0);
  EXPECT_EQ(found(2, "Ivan H", true), 4) << "from the beginning";
  EXPECT_EQ(found(2, "van", false), 0);
}

TEST(FindDialog, TheFormatOptionSearchesTheDisplayText) {
  FindFixture f;
  TDBGridEhFindDlg& dialog = f.Open();
  dialog.cbFindIn->SetText("AMOUNT");
  const AnsiString shown = FormatFloat("#,##0", 12345);  // with the thousands separator
  ASSERT_NE(shown, "12345");
  const auto found = [&](const AnsiString& text, bool useFormat) {
    f.data.First();
    dialog.cbUseFormat->SetChecked(useFormat);
    f.Search(dialog, text);
    f.ClickFind(dialog);
    return !dialog.FirstSearch();
  };
  EXPECT_TRUE(found(shown, true));
  EXPECT_EQ(f.Id(), 2);
  EXPECT_FALSE(found("12345", true));
  EXPECT_TRUE(found("12345", false)) << "unticked, the plain text";
  EXPECT_FALSE(found(shown, false));
}

TEST(FindDialog, NotFoundStaysAndChangesRestartAtTheFirstRecord) {
  FindFixture f;
  f.data.SetRecNo(2);
  TDBGridEhFindDlg& dialog = f.Open("nowhere");
  f.ClickFind(dialog);
  EXPECT_EQ(f.Id(), 2) << "the grid stays on its record";
  EXPECT_TRUE(dialog.FirstSearch());
  f.Search(dialog, "o");
  f.ClickFind(dialog);
  EXPECT_EQ(f.Id(), 1) << "the next click starts again at the first record";
  f.ClickFind(dialog);
  EXPECT_EQ(f.Id(), 2);

  const auto restarts = [&](const std::function<void()>& change) {
    f.ClickFind(dialog);
    EXPECT_FALSE(dialog.FirstSearch());
    change();
    const bool first = dialog.FirstSearch();
    f.ClickFind(dialog);
    return first && f.Id() == 1;
  };
  EXPECT_TRUE(restarts([&] { f.Search(dialog, "O"); })) << "the text";
  EXPECT_TRUE(restarts([&] {
    f.Choose(dialog.cbFindDirection, 1);
    f.Choose(dialog.cbFindDirection, 2);
  })) << "the direction";
  EXPECT_TRUE(restarts([&] {
    f.Choose(dialog.cbFindIn, 3);
    f.Choose(dialog.cbFindIn, 0);
  })) << "where to search";
}

TEST(FindDialog, EnterSearchesEscapeClosesAndTextsAreKept) {
  FindFixture f;
  TDBGridEhFindDlg& dialog = f.Open();
  ASSERT_EQ(GetFocus(), dialog.cbText->Handle());
  f.ui.Type("Olena");
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(f.Id(), 5) << "Enter runs find next";
  EXPECT_FALSE(dialog.cbText->Modified());
  dialog.cbText->SetText("");
  f.ui.Type("Petro");
  f.ui.Press(VK_RETURN);
  EXPECT_EQ(f.Id(), 2);
  EXPECT_EQ(dialog.cbText->Items()->Text(), "Olena\r\nPetro\r\n") << "the searched texts";
  f.ui.Press(VK_ESCAPE);
  EXPECT_FALSE(dialog.Visible()) << "Escape closes the non-modal dialog";

  ExecuteFindDialog(*f.grid, "x", AnsiString(), false);
  TDBGridEhFindDlg& again = *DBGridEhFindDlg();
  EXPECT_EQ(&again, &dialog) << "one dialog for the process";
  EXPECT_TRUE(again.Visible());
  EXPECT_EQ(again.cbText->Items()->Count(), 2) << "the texts are kept";
  again.cbText->SetText("Petro");
  f.ClickFind(again);
  EXPECT_EQ(again.cbText->Items()->Count(), 2) << "a text searched before is not added again";
}

TEST(FindDialog, ModalTheCancelButtonEndsIt) {
  FindFixture f;
  TModalResult seen = mrNone;
  f.ui.Later([&] {
    TDBGridEhFindDlg& dialog = *DBGridEhFindDlg();
    EXPECT_TRUE(dialog.FormState().Contains(fsModal));
    EXPECT_EQ(dialog.FormStyle(), fsNormal);
    f.ui.Type("Petro\r");
    EXPECT_EQ(f.Id(), 2) << "Enter searches in the modal dialog too";
    EXPECT_TRUE(dialog.Visible());
    f.ui.Press(VK_ESCAPE);
    seen = dialog.ModalResult();
  });
  ExecuteFindDialog(*f.grid, AnsiString(), AnsiString(), true);
  EXPECT_EQ(seen, mrCancel);
  EXPECT_FALSE(DBGridEhFindDlg()->Visible());
}

TEST(FindDialog, CtrlFOpensTheDialogModalOnTheSelectedColumn) {
  FindFixture f;
  f.grid->SetSelectedIndex(2);
  f.grid->SetFocus();
  f.ui.Process();
  std::vector<TDBGridEhFindDlg*> seen;
  const auto answer = [&] {
    TDBGridEhFindDlg& dialog = *DBGridEhFindDlg();
    seen.push_back(&dialog);
    EXPECT_TRUE(dialog.FormState().Contains(fsModal));
    EXPECT_EQ(dialog.cbFindIn->Text(), "AMOUNT");
    EXPECT_EQ(dialog.cbFindIn->Items()->Strings(dialog.cbFindIn->Items()->Count() - 1), "<All>");
    f.ui.Press(VK_ESCAPE);
    EXPECT_EQ(dialog.ModalResult(), mrCancel) << "closed through the Cancel button";
  };
  f.ui.Later(answer);
  f.ui.Press('F', {ssCtrl});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_FALSE(seen[0]->Visible());
  f.ui.Later(answer);
  f.ui.Press('F', {ssCtrl});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1], seen[0]) << "the same dialog again";

  f.grid->SetOptionsEh(f.grid->OptionsEh() - TDBGridEhOptions{dghDialogFind});
  f.ui.Press('F', {ssCtrl});
  EXPECT_EQ(seen.size(), 2u) << "without dghDialogFind no dialog";
}

TEST(FindDialog, TheGridOrItsColumnsGoingUnderTheOpenDialog) {
  {
    FindFixture f;
    TDBGridEhFindDlg& dialog = f.Open("Olena");
    delete f.grid;
    EXPECT_EQ(dialog.Grid(), nullptr);
    EXPECT_FALSE(dialog.Visible());
    dialog.FindNext();  // nothing to search: no use of the grid that went
  }
  {
    FindFixture f(true);
    TDBGridEhFindDlg& dialog = f.Open("Odesa");
    dialog.cbFindIn->SetText("CITY");
    // A colour marks the chosen column; the columns made for the reopened dataset have none.
    f.grid->Columns().Items(2)->SetColor(clYellow);
    f.data.Close();
    f.data.Open();
    f.ui.Process();
    ASSERT_EQ(f.grid->Columns().State(), csDefault);
    EXPECT_FALSE(f.grid->Columns().Items(2)->AssignedValues().Contains(cvColor))
        << "the columns were made anew";
    f.ClickFind(dialog);
    EXPECT_EQ(f.Id(), 3) << "the column chosen, found among the new columns";
    EXPECT_EQ(f.grid->Columns().Items(f.grid->SelectedIndex())->FieldName(), "CITY");
  }
}

}  // namespace
}  // namespace ordvane
