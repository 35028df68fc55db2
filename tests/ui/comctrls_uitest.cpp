// The progress bar, the copy-files animation on the virtual clock, forms that stay on
// top, and the two looks of the themed elements.

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "classlib/ui/ComCtrls.h"
#include "classlib/ui/Themes.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

// The pixels of a control's client area as the screen shows them.
std::vector<TColorRef> Picture(const TControl* control) {
  const TRaster screen = test::UiDriver::Screen();
  const TPoint origin = test::UiDriver::ScreenPoint(control, {0, 0});
  std::vector<TColorRef> pixels;
  for (int y = 0; y < control->Height(); ++y)
    for (int x = 0; x < control->Width(); ++x) pixels.push_back(screen.Pixel(origin.x + x, origin.y + y));
  return pixels;
}

TEST(ProgressBar, TheHighlightedBlocksReachAsFarAsThePosition) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(test::NewForm(Rect(100, 100, 500, 200)));
  auto* bar = new TProgressBar(form.get());
  bar->SetParent(form.get());
  bar->SetBounds(10, 10, 337, 10);
  form->Show();
  auto reach = [&] {
    ui.Process();
    int last = -1;
    for (int x = 0; x < bar->Width(); ++x)
      if (test::UiDriver::Pixel(bar, {x, 5}) == ColorToRGB(clHighlight)) last = x;
    return last;
  };
  EXPECT_EQ(reach(), -1);
  bar->SetPosition(50);
  const int half = reach();
  // Inside the one-pixel edge and a one-pixel margin the bar is 333 pixels long.
  const int middle = 2 + 333 / 2;
  EXPECT_NEAR(half, middle, 2);
  bar->SetPosition(150);  // held to the maximum
  EXPECT_EQ(bar->Position(), 100);
  EXPECT_EQ(reach(), 334);
  bar->SetMax(200);
  EXPECT_EQ(reach(), half);
}

TEST(Animate, CopyFilesPlaysItsFramesOverAndOverAndStopsOnTheFrameShown) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(test::NewForm(Rect(100, 100, 550, 200)));
  form->SetColor(clTeal);
  auto* animate = new TAnimate(form.get());
  animate->SetParent(form.get());
  animate->SetBounds(8, 4, 427, 45);
  animate->SetCommonAVI(aviCopyFiles);
  animate->SetTransparent(true);
  form->Show();
  ui.Process();
  EXPECT_EQ(animate->FrameCount(), 34);
  const TPoint corner{(427 - kCopyFilesWidth) / 2, 0};
  EXPECT_EQ(test::UiDriver::Pixel(animate, corner), ColorToRGB(clTeal));
  animate->SetActive(true);
  ui.Process();
  std::vector<std::vector<TColorRef>> frames{Picture(animate)};
  for (int i = 0; i < 34; ++i) {
    ui.Advance(1000 / kCopyFilesFramesPerSecond);
    frames.push_back(Picture(animate));
  }
  EXPECT_EQ(std::set<std::vector<TColorRef>>(frames.begin(), frames.begin() + 34).size(), 34u);
  EXPECT_EQ(frames[34], frames[0]);
  ui.Advance(5 * 1000 / kCopyFilesFramesPerSecond);
  animate->SetActive(false);
  const auto frozen = Picture(animate);
  ui.Advance(2000);
  EXPECT_EQ(Picture(animate), frozen);
  EXPECT_EQ(frozen, frames[5]);
  animate->SetTransparent(false);
  ui.Process();
  EXPECT_EQ(test::UiDriver::Pixel(animate, corner), 0xFFFFFFu);
  EXPECT_THROW(animate->SetCommonAVI(aviFindFile), EInvalidOperation);
}

TEST(FormStyle, AFormThatStaysOnTopStaysAboveANormalFormActivatedAfterIt) {
  test::UiDriver ui;
  std::unique_ptr<TForm> onTop(test::NewForm(Rect(100, 100, 300, 300)));
  onTop->SetColor(clLime);
  onTop->SetFormStyle(fsStayOnTop);
  std::unique_ptr<TForm> normal(test::NewForm(Rect(150, 150, 400, 400)));
  normal->SetColor(clBlue);
  onTop->Show();
  normal->Show();
  ui.Click(normal.get(), {200, 200});
  EXPECT_TRUE(normal->Active());
  EXPECT_EQ(test::UiDriver::Screen().Pixel(200, 200), ColorToRGB(clLime));
  onTop->SetFormStyle(fsNormal);
  BringWindowToTop(normal->Handle());
  ui.Process();
  EXPECT_EQ(test::UiDriver::Screen().Pixel(200, 200), ColorToRGB(clBlue));
}

TEST(Themes, ThemedAndClassicLooksDifferAndEachIsStable) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(test::NewForm(Rect(100, 100, 300, 200)));
  auto* box = new TCheckBox(form.get());
  box->SetParent(form.get());
  box->SetBounds(10, 10, 100, 17);
  box->SetCaption("Box");
  box->SetChecked(true);
  form->Show();
  auto look = [&](bool themed) {
    ThemeServices()->SetThemesEnabled(themed);
    box->Invalidate();
    ui.Process();
    return Picture(box);
  };
  const auto classic = look(false);
  const auto themed = look(true);
  EXPECT_NE(classic, themed);
  EXPECT_EQ(look(true), themed);
  EXPECT_EQ(look(false), classic);
  // Every state of the themed check box and header item has a picture of its own.
  std::set<std::vector<TColorRef>> pictures;
  auto draw = [&](const TThemedElementDetails& details) {
    TBitmap bitmap(20, 16);
    ThemeServices()->DrawElement(bitmap.Canvas()->Handle(), details, Rect(0, 0, 20, 16));
    std::vector<TColorRef> pixels;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x) pixels.push_back(bitmap.Raster().Pixel(x, y));
    pictures.insert(pixels);
  };
  for (int state = tbCheckBoxUncheckedNormal; state <= tbCheckBoxMixedDisabled; ++state)
    draw(TThemeServices::GetElementDetails(static_cast<TThemedButton>(state)));
  draw(TThemeServices::GetElementDetails(thHeaderItemNormal));
  draw(TThemeServices::GetElementDetails(thHeaderItemHot));
  EXPECT_EQ(pictures.size(), 14u);
}

}  // namespace
}  // namespace ordvane
