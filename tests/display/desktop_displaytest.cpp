// The layer's windows on a real X server through the desktop host: what the server shows
// is the layer's raster, input comes from outside the process (xdotool), the clipboard is
// the desktop's (xclip, a second program), and timers and modal loops run in the
// toolkit's loop.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <chrono>
#include <memory>

#include "classlib/core/CodePages.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/InputMethod.h"
#include "classlib/ui/StdButtons.h"
#include "classlib/ui/StdCtrls.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/qt/QtHost.h"
#include "tests/display/DesktopSupport.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

using test::RunCommand;
using test::RunUntil;

class Desktop : public test::DesktopSuite {
 protected:
  Desktop() {
    form->SetCaption("Desktop");
    button->SetParent(form.get());
    button->SetCaption("&Press");
    button->SetBounds(10, 10, 90, 25);
    button->OnClick = [this](TObject*) { ++clicks; };
    edit->SetParent(form.get());
    edit->SetBounds(10, 45, 200, 23);
    combo->SetParent(form.get());
    combo->SetBounds(10, 80, 150, 23);
    list->SetParent(form.get());
    list->SetBounds(220, 10, 150, 80);
    for (const char* item : {"one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten"}) {
      combo->Items()->Add(item);
      list->Items()->Add(item);
    }
    label->SetParent(form.get());
    label->SetBounds(10, 120, 200, 20);
    label->SetCaption("Ready");
  }

  void Show() {
    form->Show();
    ASSERT_TRUE(RunUntil([&] { return ShowsTheRaster(); })) << Mismatch();
  }

  QImage Screenshot() const {
    const QWidget* native = host->NativeWindow(form->Handle());
    if (!native) return {};
    // What the X server shows at the window's place.
    const QRect at = native->geometry();
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), at.width(), at.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  // The first pixel where the X window and the layer's raster differ, or "".
  std::string Mismatch() const {
    const TRaster* surface = WindowSurface(form->Handle());
    const QImage shot = Screenshot();
    if (!surface || shot.width() != surface->Width() || shot.height() != surface->Height())
      return "the window's size differs: " + std::to_string(shot.width()) + "x" + std::to_string(shot.height()) + (surface ? " vs " + std::to_string(surface->Width()) + "x" + std::to_string(surface->Height()) : std::string(" no surface"));
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        const TColorRef c = surface->Pixel(x, y);
        const QRgb expected = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                                   static_cast<int>((c >> 16) & 0xFF));
        if (shot.pixel(x, y) != expected)
          return "pixel " + std::to_string(x) + "," + std::to_string(y) + " differs";
      }
    return {};
  }
  bool ShowsTheRaster() const { return Mismatch().empty(); }
  // The layer has repainted since `before`, and the X window shows it.
  bool ShowsARepaintSince(const TRaster& before) const {
    return !(*WindowSurface(form->Handle()) == before) && ShowsTheRaster();
  }

  [[nodiscard]] static bool ClickOn(const TControl* control, TPoint client) {
    return ClickAt(control->ClientToScreen(client));
  }

  std::unique_ptr<TForm> form{test::NewForm(Rect(100, 100, 500, 300))};
  TButton* button = new TButton(form.get());
  TEdit* edit = new TEdit(form.get());
  TComboBox* combo = new TComboBox(form.get());
  TListBox* list = new TListBox(form.get());
  TLabel* label = new TLabel(form.get());
  int clicks = 0;
};

TEST_F(Desktop, TheXWindowShowsTheLayersRasterAndFollowsItsChanges) {
  Show();
  const TRaster before = *WindowSurface(form->Handle());
  edit->SetText("Changed text");
  label->SetCaption("Another caption");
  EXPECT_TRUE(RunUntil([&] { return ShowsARepaintSince(before); })) << Mismatch();
}

TEST_F(Desktop, InputFromTheDesktopReachesTheControls) {
  Show();
  ASSERT_TRUE(ClickOn(button, {45, 12}));
  EXPECT_TRUE(RunUntil([&] { return clicks == 1; }));

  ASSERT_TRUE(ClickOn(edit, {100, 10}));
  ASSERT_TRUE(RunUntil([&] { return edit->Focused(); }));
  RunCommand("xdotool type --delay 30 'Abc '");
  // Letters the keymap lacks are bound first: xdotool would otherwise bind each to a spare
  // key just before pressing it and unbind it after, and a toolkit that reads the keymap
  // late may find the key bound to nothing by then.
  RunCommand("xmodmap -e 'keycode 250 = Cyrillic_ZHE' -e 'keycode 251 = Cyrillic_u' -e 'keycode 252 = Cyrillic_ka'");
  RunCommand("xdotool key --delay 60 Cyrillic_ZHE Cyrillic_u Cyrillic_ka");
  EXPECT_TRUE(RunUntil([&] { return edit->Text() == Utf8ToAnsi("Abc Жук"); }))
      << AnsiToUtf8(edit->Text());

  RunCommand("xdotool key Tab");
  EXPECT_TRUE(RunUntil([&] { return combo->Focused() || combo->Edit()->Focused(); }));

  ASSERT_TRUE(ClickOn(list, {40, 10}));
  ASSERT_TRUE(RunUntil([&] { return list->Focused(); }));
  RunCommand("xdotool click 5");
  EXPECT_TRUE(RunUntil([&] { return list->TopIndex() > 0; }));

  ASSERT_TRUE(ClickOn(combo, {combo->ClientWidth() - 8, 10}));
  ASSERT_TRUE(RunUntil([&] { return combo->DroppedDown(); }));
  RunCommand("xdotool mousemove 900 700 click 1");  // the bare desktop, outside every window
  EXPECT_TRUE(RunUntil([&] { return !combo->DroppedDown(); }));
}

TEST_F(Desktop, TheInputMethodFollowsTheFocusedControlsModeUnderALocaleThatComposes) {
  SetFarEastLocale(true);
  SetImeMode(combo->Edit()->Handle(), imDisable);
  Show();
  const QWidget* native = host->NativeWindow(form->Handle());
  ASSERT_NE(native, nullptr);
  edit->SetFocus();
  EXPECT_TRUE(native->testAttribute(Qt::WA_InputMethodEnabled));
  TRect place = edit->ClientRect();
  MapWindowPoints(edit->Handle(), form->Handle(), place);
  TRect frame{};
  GetWindowRect(form->Handle(), frame);
  MapWindowPoints(0, form->Handle(), frame);
  OffsetRect(place, -frame.left, -frame.top);
  EXPECT_EQ(native->inputMethodQuery(Qt::ImCursorRectangle).toRect(),
            QRect(place.left, place.top, place.Width(), place.Height()))
      << "without a place of its own, the composition window goes over the control";
  combo->Edit()->SetFocus();
  EXPECT_FALSE(native->testAttribute(Qt::WA_InputMethodEnabled));
  SetImeCompositionWindow(edit->Handle(), Rect(2, 3, 40, 20));
  edit->SetFocus();
  EXPECT_EQ(native->inputMethodQuery(Qt::ImCursorRectangle).toRect().size(), QSize(38, 17));

  SetFarEastLocale(false);
  combo->Edit()->SetFocus();
  edit->SetFocus();
  EXPECT_FALSE(native->testAttribute(Qt::WA_InputMethodEnabled)) << "other locales type keys only";
  SetFarEastLocale(std::nullopt);
}

TEST_F(Desktop, TheClipboardIsTheDesktops) {
  Clipboard()->SetAsText(Utf8ToAnsi("Привіт, world"));
  EXPECT_EQ(RunCommand("xclip -o -selection clipboard"), "Привіт, world");

  RunCommand("printf 'Ещё text' | xclip -i -selection clipboard >/dev/null");
  EXPECT_TRUE(RunUntil([&] { return Clipboard()->AsText() == Utf8ToAnsi("Ещё text"); }))
      << AnsiToUtf8(Clipboard()->AsText());

  const UINT cells = RegisterClipboardFormat("Grid Cells");
  const RawByteString data("a\0b\xff\x01", 5);
  Clipboard()->SetBuffer(cells, data.data(), data.size());
  // The peer answers with the bytes reversed; taking the clipboard back then ends it.
  const RawByteString reversed("\x01\xff" "b\0a", 5);
  bool answered = false;
  TTimer watcher(nullptr);
  watcher.SetInterval(20);
  watcher.SetOnTimer([&](TObject*) {
    if (answered || Clipboard()->GetBuffer(cells) != reversed) return;
    answered = true;
    Clipboard()->SetAsText("done");
  });
  const std::string peerOutput = RunCommand(ORDVANE_CLIPBOARD_PEER " 'Grid Cells'");
  EXPECT_TRUE(answered);
  EXPECT_EQ(peerOutput, "610062ff01\n");
}

TEST_F(Desktop, OnlyTheFormatsThisProgramRegisteredAreTakenFromAnother) {
  Clipboard()->SetAsText("before");
  RunCommand(
      "printf 'x' | xclip -i -selection clipboard -t 'application/x-ordvane-Foreign Cells' >/dev/null");
  EXPECT_TRUE(RunUntil([&] { return !Clipboard()->HasFormat(CF_TEXT); })) << "the other program's data came";
  EXPECT_EQ(FindClipboardFormat("Foreign Cells"), 0u);
  EXPECT_TRUE(ClipboardFormats().empty());
}

TEST_F(Desktop, TimersTickInTheToolkitsLoopAndAModalFormKeepsPainting) {
  TTimer timer(nullptr);
  std::vector<std::chrono::steady_clock::time_point> ticks;
  timer.SetInterval(50);
  timer.SetOnTimer([&](TObject*) { ticks.push_back(std::chrono::steady_clock::now()); });
  const auto start = std::chrono::steady_clock::now();
  RunUntil([&] { return ticks.size() == 6; });
  ASSERT_EQ(ticks.size(), 6u);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(ticks.back() - start).count();
  EXPECT_GE(elapsed, 295);
  // Never early; late only by what a machine busy with other tests makes of six ticks (a
  // stalled loop would never reach the sixth).
  EXPECT_LE(elapsed, 15000);
  timer.SetEnabled(false);

  // Inside ShowModal's loop: a caption changes, and a while later the X window shows it.
  int step = 0;
  std::string seen;
  TRaster before;
  timer.SetOnTimer([&](TObject*) {
    if (++step == 1) {
      before = *WindowSurface(form->Handle());
      label->SetCaption("Modal");
    }
    if (step >= 4 && (ShowsARepaintSince(before) || step == 40)) {
      seen = Mismatch();
      form->SetModalResult(mrOk);
    }
  });
  timer.SetEnabled(true);
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_EQ(seen, "");
  EXPECT_LT(step, 40);
}

TEST_F(Desktop, AProgramBusyOutsideTheLoopStillPaintsThroughProcessMessages) {
  Show();
  const TRaster before = *WindowSurface(form->Handle());
  label->SetCaption("Working");
  for (int i = 0; i < 50 && !ShowsARepaintSince(before); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // the work
    Application->ProcessMessages();
  }
  EXPECT_TRUE(ShowsARepaintSince(before)) << Mismatch();
}

}  // namespace
}  // namespace ordvane
