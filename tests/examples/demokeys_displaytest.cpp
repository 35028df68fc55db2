// The example on a desktop with a window manager (a private X server), keys and clicks
// made from outside the program: after a dialog closes, the main window is drawn active
// and the keys reach the grid, also once the filter row was used; Escape takes back a row
// made with Insert, also after a birth date's editor (and its calendar) was opened;
// closing the window saves a typed surname or stays open with the refusal.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include "classlib/core/Timers.h"
#include "classlib/ui/CaptionButtons.h"
#include "classlib/ui/Dialogs.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/Windows.h"
#include "examples/PersonsDemo.h"
#include "grid/DBGridEhFilterEdit.h"
#include "import/SMIDialogs.h"
#include "tests/display/DesktopSupport.h"
#include "tests/examples/DemoSupport.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane::test {
namespace {

class DemoKeys : public DesktopSuite {
 protected:
  DemoKeys() : demo(SampleInto(db)) {}

  void SetUp() override {
    demo.Open();
    ASSERT_EQ(demo.Import(std::make_shared<TSMIHeadlessDialogs>()).Added, 300);
    ASSERT_TRUE(demo::DesktopShown());
    demo.Form().Show();
    ASSERT_TRUE(RunUntil([&] { return GetActiveWindow() == demo.Form().Handle() && GetFocus() != 0; }));
  }

  TDBGridEh& Grid() { return *demo.Form().Grid; }
  TDataSet& Persons() { return demo.Table().DataSet(); }

  static void Key(const std::string& keys) { RunCommand("xdotool key " + keys); }
  bool ClickCell(int dataCol, int row) {
    const TRect cell = Grid().CellRect(Grid().DataToRawColumn(dataCol), row);
    return ClickAt(Grid().ClientToScreen(Point((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2)));
  }

  // A message box over the form, closed by Escape from outside the program once it shows.
  void ShowAndCloseADialog() {
    const HWND main = demo.Form().Handle();
    bool closing = false;
    TTimer closer(nullptr);
    closer.SetInterval(20);
    closer.SetOnTimer([&](TObject*) {
      const HWND active = GetActiveWindow();
      if (closing || active == 0 || active == main || host->NativeWindow(active) == nullptr) return;
      closing = true;
      Key("Escape");
    });
    MessageDlg("A dialog over the persons.", mtInformation, {mbOK});
  }

  // The main window's caption as its surface holds it, and as the screen shows it.
  bool CaptionDrawnActive() {
    const HWND main = demo.Form().Handle();
    const TRaster* surface = WindowSurface(main);
    const TRect caption = CaptionRect(main);
    TRect window{};
    if (surface == nullptr || IsRectEmpty(caption) || !GetWindowRect(main, window)) return false;
    const TPoint at{caption.left + 1, caption.top + 1};
    const TColorRef active = GetSysColor(COLOR_ACTIVECAPTION);
    const QRgb shown = QGuiApplication::primaryScreen()
                           ->grabWindow(0, window.left + at.x, window.top + at.y, 1, 1)
                           .toImage()
                           .pixel(0, 0);
    return surface->Pixel(at.x, at.y) == active &&
           qRgb(static_cast<int>(active & 0xFF), static_cast<int>((active >> 8) & 0xFF),
                static_cast<int>((active >> 16) & 0xFF)) == (shown | 0xFF000000u);
  }

  // The middle of the window's own close button on the screen.
  TPoint CloseButtonPoint() {
    TForm& form = demo.Form();
    const TRect r = CaptionButtonRect(form.Handle(), HTCLOSE);
    return {form.Left() + (r.left + r.right) / 2, form.Top() + (r.top + r.bottom) / 2};
  }

  // The cancel of a new row: Insert makes it, Escape takes it back.
  void InsertAndEscape() {
    Key("Insert");
    ASSERT_TRUE(RunUntil([&] { return Persons().State() == dsInsert; }));
    Key("Escape");
    EXPECT_TRUE(RunUntil([&] { return Persons().State() == dsBrowse; })) << Persons().State();
    EXPECT_EQ(Persons().RecordCount(), 300);
  }

  const DemoDatabase db;
  demo::TPersonsDemo demo;
};

TEST_F(DemoKeys, AfterADialogTheWindowIsActiveAndEscapeTakesBackANewRow) {
  // A cell edited and left: the grid keeps its editor, hidden.
  ASSERT_TRUE(ClickCell(2, Grid().TitleOffset() + 1));
  Key("F2");
  ASSERT_TRUE(RunUntil([&] { return Grid().EditorMode(); }));
  Key("Escape");
  ASSERT_TRUE(RunUntil([&] { return !Grid().EditorMode() && GetFocus() == Grid().Handle(); }));

  ShowAndCloseADialog();
  EXPECT_TRUE(RunUntil([&] { return GetFocus() == Grid().Handle(); }, 5000)) << GetFocus();
  EXPECT_TRUE(RunUntil([&] { return CaptionDrawnActive(); }, 5000)) << "drawn inactive";
  InsertAndEscape();
}

TEST_F(DemoKeys, AfterTheFilterRowAndADialogTheKeysReachTheGrid) {
  // A condition under the amount, applied, cleared and applied again.
  ASSERT_TRUE(ClickCell(6, Grid().TitleOffset() - 1));
  ASSERT_TRUE(RunUntil([&] { return Grid().FilterEditing() && Grid().FilterEdit()->Focused(); }));
  RunCommand("xdotool type '>10000'");
  Key("Return");
  ASSERT_TRUE(RunUntil([&] { return Persons().Filtered(); }));
  Key("ctrl+a BackSpace Return");
  ASSERT_TRUE(RunUntil([&] { return !Persons().Filtered(); }));
  ASSERT_TRUE(ClickCell(2, Grid().TitleOffset() + 2));
  ASSERT_TRUE(RunUntil([&] { return !Grid().FilterEditing() && GetFocus() == Grid().Handle(); }));

  ShowAndCloseADialog();
  EXPECT_TRUE(RunUntil([&] { return GetFocus() == Grid().Handle(); }, 5000)) << GetFocus();
  const int recNo = Persons().RecNo();
  Key("Down");
  EXPECT_TRUE(RunUntil([&] { return Persons().RecNo() == recNo + 1; }, 5000)) << Persons().RecNo();
  InsertAndEscape();
}

TEST_F(DemoKeys, AfterABirthDateCellsEditorEscapeAndEnterStillWork) {
  // The birth date's editor opened once and left: it keeps its calendar, hidden.
  ASSERT_TRUE(ClickCell(4, Grid().TitleOffset() + 1));
  Key("F2");
  ASSERT_TRUE(RunUntil([&] { return Grid().EditorMode(); }));
  Key("Escape");
  ASSERT_TRUE(RunUntil([&] { return !Grid().EditorMode() && GetFocus() == Grid().Handle(); }));

  // A surname typed over is taken back by Escape and the row is not posted.
  ASSERT_TRUE(ClickCell(1, Grid().TitleOffset() + 1));
  TField& surname = *Persons().FieldByName("SURNAME");
  const AnsiString stored = surname.AsString();
  Key("F2");
  ASSERT_TRUE(RunUntil([&] { return Grid().EditorMode(); }));
  Key("ctrl+a");
  RunCommand("xdotool type Ddd");
  ASSERT_TRUE(RunUntil([&] { return Grid().InplaceEditor()->Text() == "Ddd"; }));
  Key("Escape");
  EXPECT_TRUE(RunUntil([&] { return Grid().InplaceEditor()->Text() == stored; }, 5000))
      << Grid().InplaceEditor()->Text();
  Key("Escape");
  EXPECT_TRUE(RunUntil([&] { return Persons().State() == dsBrowse; }, 5000)) << Persons().State();
  EXPECT_EQ(surname.AsString(), stored);

  // Enter writes a typed surname to the row.
  Key("F2");
  ASSERT_TRUE(RunUntil([&] { return Grid().EditorMode(); }));
  Key("ctrl+a");
  RunCommand("xdotool type Eee");
  ASSERT_TRUE(RunUntil([&] { return Grid().InplaceEditor()->Text() == "Eee"; }));
  Key("Return");
  EXPECT_TRUE(RunUntil([&] { return surname.AsString() == "Eee"; }, 5000)) << surname.AsString();
  Key("Escape");
  ASSERT_TRUE(RunUntil([&] { return Persons().State() == dsBrowse; }));
  InsertAndEscape();
}

TEST_F(DemoKeys, ClosingTheWindowSavesATypedSurnameOrStaysOpenWithTheRefusal) {
  const ReportedErrors errors;
  const auto typeOver = [&](int dataCol, int row, const char* text) {
    ASSERT_TRUE(ClickCell(dataCol, Grid().TitleOffset() + row));
    Key("F2");
    ASSERT_TRUE(RunUntil([&] { return Grid().EditorMode(); }));
    Key("ctrl+a");
    RunCommand(std::string("xdotool type ") + text);
    ASSERT_TRUE(RunUntil([&] { return Grid().InplaceEditor()->Text() == text; }));
  };
  const auto rowOf = [&](const char* column) {
    return db.Rows(std::string("select ") + column + " from PERSONS where ID = " +
                   Persons().FieldByName("ID")->AsString());
  };

  // A document number longer than its column: the refusal is reported and the window
  // stays open with the row in edit.
  typeOver(5, 2, "1234567890123456789012345");
  const std::string document = rowOf("DOC_NO");
  ASSERT_TRUE(ClickAt(CloseButtonPoint()));
  EXPECT_TRUE(RunUntil([&] { return !errors.messages.empty(); }, 5000));
  EXPECT_EQ(errors.messages.size(), 1u);
  EXPECT_TRUE(demo.Form().Visible());
  EXPECT_EQ(Persons().State(), dsEdit);
  EXPECT_EQ(rowOf("DOC_NO"), document);
  Persons().Cancel();

  // A surname typed and not yet entered is saved as the window closes.
  typeOver(1, 1, "Franko");
  ASSERT_TRUE(ClickAt(CloseButtonPoint()));
  EXPECT_TRUE(RunUntil([&] { return !demo.Form().Visible(); }, 5000));
  EXPECT_EQ(rowOf("SURNAME"), "Franko");
  EXPECT_TRUE(errors.messages.size() == 1) << errors.messages.back();
}

}  // namespace
}  // namespace ordvane::test
