// Speed buttons among their siblings: one down per group, the flat look on mouse entry,
// and the glyph picture each look shows.

#include <gtest/gtest.h>

#include <memory>

#include "classlib/ui/Buttons.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

struct Toolbar {
  test::UiDriver ui;
  std::unique_ptr<TForm> form{test::NewForm(Rect(100, 100, 400, 200))};
  std::vector<TSpeedButton*> buttons;
  int clicks = 0;
  explicit Toolbar(int count) {
    for (int i = 0; i < count; ++i) {
      auto* button = new TSpeedButton(form.get());
      button->SetParent(form.get());
      button->SetBounds(10 + 30 * i, 10, 23, 22);
      button->OnClick = [this](TObject*) { ++clicks; };
      buttons.push_back(button);
    }
    form->Show();
    ui.Process();
  }
  std::vector<bool> Downs() const {
    std::vector<bool> downs;
    for (const TSpeedButton* button : buttons) downs.push_back(button->Down());
    return downs;
  }
};

TEST(SpeedButton, OneButtonOfAGroupIsDownAndAllowAllUpLetsItComeUp) {
  for (bool allowAllUp : {false, true}) {
    SCOPED_TRACE(allowAllUp);
    Toolbar t(4);
    for (int i = 0; i < 3; ++i) {
      t.buttons[static_cast<std::size_t>(i)]->SetGroupIndex(1);
      t.buttons[static_cast<std::size_t>(i)]->SetAllowAllUp(allowAllUp);
    }
    t.buttons[3]->SetGroupIndex(2);  // another group: not touched
    t.buttons[3]->SetDown(true);
    t.ui.Click(t.buttons[0], {5, 5});
    EXPECT_EQ(t.Downs(), (std::vector<bool>{true, false, false, true}));
    t.ui.Click(t.buttons[1], {5, 5});
    EXPECT_EQ(t.Downs(), (std::vector<bool>{false, true, false, true}));
    t.ui.Click(t.buttons[1], {5, 5});
    EXPECT_EQ(t.Downs(), (std::vector<bool>{false, !allowAllUp, false, true}));
    t.buttons[2]->SetDown(true);
    EXPECT_EQ(t.Downs(), (std::vector<bool>{false, false, true, true}));
    // A press dragged off the button and released there clicks nothing.
    t.ui.Drag(t.buttons[0], {5, 5}, {5, 60});
    EXPECT_EQ(t.Downs(), (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(t.clicks, 3);
  }
}

TEST(SpeedButton, AFlatButtonShowsRaisedOnlyWhileTheMouseIsInside) {
  Toolbar t(1);
  TSpeedButton* button = t.buttons[0];
  button->SetFlat(true);
  t.ui.MoveTo(t.form.get(), {200, 80});
  const TColorRef outside = test::UiDriver::Pixel(button, {0, 0});
  t.ui.MoveTo(button, {10, 10});
  EXPECT_TRUE(button->MouseInControl());
  EXPECT_EQ(test::UiDriver::Pixel(button, {0, 0}), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(test::UiDriver::Pixel(button, {22, 21}), ColorToRGB(clBtnShadow));
  EXPECT_EQ(outside, ColorToRGB(clBtnFace));
  t.ui.MoveTo(t.form.get(), {200, 80});
  EXPECT_EQ(test::UiDriver::Pixel(button, {0, 0}), outside);
}

TEST(SpeedButton, TheGlyphShowsThePictureOfEachLook) {
  Toolbar t(1);
  TSpeedButton* button = t.buttons[0];
  // Four 9 x 9 pictures in red, green, blue and yellow, each with a magenta bottom row
  // (the bottom-left pixel gives the transparent colour).
  const std::vector<TColor> colours = {clRed, clLime, clBlue, clYellow};
  TBitmap glyph(36, 9);
  for (int i = 0; i < 4; ++i) {
    glyph.Canvas()->Brush()->SetColor(colours[static_cast<std::size_t>(i)]);
    glyph.Canvas()->FillRect(Bounds(9 * i, 0, 9, 8));
  }
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(Rect(0, 8, 36, 9));
  button->SetGlyph(glyph);
  button->SetNumGlyphs(4);
  button->SetGroupIndex(1);
  button->SetAllowAllUp(true);
  t.ui.Process();
  auto centre = [&] { return test::UiDriver::Pixel(button, {11, 10}); };
  EXPECT_EQ(centre(), ColorToRGB(clRed));
  t.ui.Press(button, {5, 5});
  EXPECT_EQ(centre(), ColorToRGB(clBlue));
  t.ui.Release(button, {5, 5});
  EXPECT_EQ(centre(), ColorToRGB(clYellow));  // held down in its group
  button->SetEnabled(false);
  t.ui.Process();
  EXPECT_EQ(centre(), ColorToRGB(clLime));
  // The transparent colour shows the face behind the glyph.
  EXPECT_EQ(test::UiDriver::Pixel(button, {11, 14}), ColorToRGB(clBtnFace));
  EXPECT_EQ(test::UiDriver::Pixel(button, {11, 13}), ColorToRGB(clLime));
}

}  // namespace
}  // namespace ordvane
