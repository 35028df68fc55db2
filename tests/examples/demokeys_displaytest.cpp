// The example on a desktop with a window manager (a private X server), keys and clicks
// made from outside the program: after a dialog closes, the main window is drawn active
// and the keys reach the grid, also once the filter row was used; Escape takes back a row
// made with Insert.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include "classlib/core/Timers.h"
#include "classlib/ui/Dialogs.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/Windows.h"
#include "examples/PersonsDemo.h"
#include "grid/DBGridEhFilterEdit.h"
#include "import/SMIDialogs.h"
#include "tests/display/DesktopSupport.h"
#include "tests/examples/DemoSupport.h"

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

}  // namespace
}  // namespace ordvane::test
