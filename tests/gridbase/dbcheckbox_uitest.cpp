// The data-aware check box, standalone and over the in-memory dataset: its states, the
// keys and the mouse that toggle it, and what it paints (the box against the shared
// check-box faces, the caption's place, the focus rectangle, the disabled caption).

#include <gtest/gtest.h>

#include "classlib/ui/RasterDC.h"
#include "gridbase/DBCtrlsEhCheckBox.h"
#include "tests/support/MemDataSet.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

using test::ClientPixels;
using test::TMemDataSet;

struct CheckFixture : test::TextControlFixture {
  TDBCheckBoxEh* box = Place<TDBCheckBoxEh>(Rect(10, 10, 130, 27));
  TEdit* other = Place<TEdit>(Rect(10, 200, 160, 221));
  int clicks = 0;

  CheckFixture() {
    box->SetCaption("Wide");
    box->OnClick = [this](TObject*) { ++clicks; };
    ui.Process();
  }
  void Focus(TWinControl* control) {
    control->SetFocus();
    ui.Process();
  }
  // The box's cell in the client area, as the box lays it out.
  TRect BoxRect(bool atLeft) const {
    const TSize size = InitCheckBoxSizeEh();
    const int top = (box->ClientHeight() - size.cy) / 2;
    return Bounds(atLeft ? 0 : box->ClientWidth() - size.cx, top, size.cx, size.cy);
  }
};

// The pixels of a client rectangle.
std::vector<TColorRef> PixelsOf(const TControl* control, const TRect& r) {
  const auto rows = ClientPixels(control);
  std::vector<TColorRef> pixels;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) pixels.push_back(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
  return pixels;
}

// The shared face of a check box, drawn on the box's colour.
std::vector<TColorRef> SharedFace(const TSize& size, TCheckBoxState state, bool pressed, bool flat, bool hot,
                                  bool enabled) {
  TRaster raster(size.cx, size.cy, 0x123456);
  TRasterDC dc(raster);
  DrawEditButtonControlEh(&dc, Rect(0, 0, size.cx, size.cy), clBtnFace, bcsCheckboxEh, pressed ? 1 : 0, flat, hot,
                          enabled, state);
  std::vector<TColorRef> pixels;
  for (int y = 0; y < size.cy; ++y)
    for (int x = 0; x < size.cx; ++x) pixels.push_back(raster.Pixel(x, y));
  return pixels;
}

// The first and last client columns outside the box holding a pixel that matches, or
// {-1, -1}.
template <class Matches>
std::pair<int, int> InkColumns(const TControl* control, const TRect& box, Matches matches) {
  const auto rows = ClientPixels(control);
  int first = -1, last = -1;
  for (int y = 0; y < static_cast<int>(rows.size()); ++y)
    for (int x = 0; x < static_cast<int>(rows[static_cast<std::size_t>(y)].size()); ++x)
      if (!PtInRect(box, TPoint{x, y}) && matches(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)])) {
        if (first < 0 || x < first) first = x;
        last = std::max(last, x);
      }
  return {first, last};
}

TEST(DBCheckBox, StandaloneStartsUncheckedAndGrayedComesBetweenWhenAllowed) {
  CheckFixture f;
  EXPECT_EQ(f.box->State(), cbUnchecked);
  EXPECT_EQ(f.box->DataLink()->Value(), Variant(false));
  EXPECT_FALSE(f.box->StateStored());
  f.box->SetAllowGrayed(true);
  f.Focus(f.box);
  std::vector<TCheckBoxState> seen;
  for (int i = 0; i < 3; ++i) {
    f.ui.Press(VK_SPACE);
    seen.push_back(f.box->State());
  }
  EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
  EXPECT_EQ(f.clicks, 3) << "one toggle per press";

  f.ui.Press(VK_SPACE);
  f.Focus(f.other);
  EXPECT_TRUE(VarIsNull(f.box->DataLink()->Value())) << "grayed is Null";
  f.box->SetState(cbChecked);
  EXPECT_EQ(f.box->DataLink()->Value(), Variant(true)) << "written at once";
  EXPECT_TRUE(f.box->StateStored());

  f.Focus(f.box);
  f.ui.Press(VK_SPACE);
  EXPECT_EQ(f.box->State(), cbUnchecked);
  f.ui.Press(VK_ESCAPE);
  EXPECT_EQ(f.box->State(), cbChecked) << "Escape reloads";
}

TEST(DBCheckBox, SpaceShowsThePressedLookAndAClickOnAnUnfocusedBoxFocusesAndTogglesOnce) {
  CheckFixture f;
  const TRect box = f.BoxRect(true);
  const TSize size{box.Width(), box.Height()};
  f.Focus(f.box);
  f.ui.KeyDown(VK_SPACE);
  EXPECT_EQ(PixelsOf(f.box, box), SharedFace(size, cbUnchecked, true, false, true, true));
  EXPECT_EQ(f.box->State(), cbUnchecked);
  f.ui.KeyUp(VK_SPACE);
  EXPECT_EQ(f.box->State(), cbChecked);
  EXPECT_EQ(f.clicks, 1);

  f.Focus(f.other);
  f.ui.Click(f.box, {60, 8});
  EXPECT_TRUE(f.box->Focused());
  EXPECT_EQ(f.box->State(), cbUnchecked);
  EXPECT_EQ(f.clicks, 2);

  f.box->SetCaption("&Active");
  f.Focus(f.other);
  f.ui.Press('A', {ssAlt});
  EXPECT_TRUE(f.box->Focused()) << "the caption's accelerator";
  EXPECT_EQ(f.box->State(), cbChecked);
}

TEST(DBCheckBox, TheBoxFacesAreTheSharedOnesForEveryLook) {
  CheckFixture f;
  const TRect box = f.BoxRect(true);
  const TSize size{box.Width(), box.Height()};
  for (bool flat : {false, true}) {
    f.box->SetFlat(flat);
    for (TCheckBoxState state : {cbUnchecked, cbChecked, cbGrayed}) {
      f.box->SetState(state);
      f.ui.Process();
      SCOPED_TRACE(std::to_string(flat) + " " + std::to_string(state));
      EXPECT_EQ(PixelsOf(f.box, box), SharedFace(size, state, false, flat, false, true));
      f.box->SetAlwaysShowBorder(true);
      f.ui.Process();
      EXPECT_EQ(PixelsOf(f.box, box), SharedFace(size, state, false, flat, true, true)) << "always the hot look";
      f.box->SetAlwaysShowBorder(false);
      f.box->SetEnabled(false);
      f.ui.Process();
      EXPECT_EQ(PixelsOf(f.box, box), SharedFace(size, state, false, flat, false, false));
      f.box->SetEnabled(true);
    }
  }
  f.ui.MoveTo(f.box, {60, 8});
  f.ui.Process();
  EXPECT_EQ(PixelsOf(f.box, box), SharedFace(size, cbGrayed, false, true, true, true)) << "the mouse inside";
}

TEST(DBCheckBox, TheCaptionStandsFivePixelsFromTheBoxMirroredForTheOtherAlignment) {
  CheckFixture f;
  f.box->SetCaption("|");
  f.ui.Process();
  const int boxWidth = InitCheckBoxSizeEh().cx;
  // Where "|" puts its ink from its start, measured on a plain canvas.
  TRaster raster(40, 20, 0xFFFFFF);
  TRasterDC dc(raster);
  TCanvas canvas(&dc);
  canvas.Font()->Assign(f.box->Font());
  canvas.Font()->SetColor(clBlack);
  canvas.TextOut(10, 0, "|");
  int inkFrom = -1, inkTo = -1;
  for (int x = 0; x < 40; ++x)
    for (int y = 0; y < 20; ++y)
      if (raster.Pixel(x, y) != 0xFFFFFF) {
        if (inkFrom < 0) inkFrom = x - 10;
        inkTo = x - 10;
      }
  ASSERT_GE(inkFrom, 0);
  const int advance = canvas.TextWidth("|");

  const TColorRef face = ColorToRGB(clBtnFace);
  TRect box = f.BoxRect(true);
  const auto caption = [&] { return InkColumns(f.box, box, [face](TColorRef c) { return c != face; }); };
  EXPECT_EQ(caption().first, boxWidth + 5 + inkFrom);
  f.box->SetAlignment(taLeftJustify);
  box = f.BoxRect(false);
  f.ui.Process();
  const int boxLeft = f.box->ClientWidth() - boxWidth;
  EXPECT_EQ(caption().first, boxLeft - 5 - advance + inkFrom) << "the caption ends 5 pixels before the box";
  EXPECT_EQ(caption().second, boxLeft - 5 - advance + inkTo);
  f.box->SetBiDiMode(bdRightToLeft);
  f.ui.Process();
  box = f.BoxRect(true);
  EXPECT_EQ(caption().first, boxWidth + 5 + inkFrom) << "right to left mirrors";
}

// Right to left, the box lays a text field out mirrored and a number as every other
// control does.
TEST(DBCheckBox, RightToLeftTheBoxFollowsTheFieldsLayout) {
  TMemDataSet data(nullptr);
  data.FieldDefs().Add("CODE", ftInteger);
  data.FieldDefs().Add("FLAG", ftString, 10);
  data.Open();
  data.AppendRecord({Variant(1), Variant("True")});
  TDataSource source(nullptr);
  source.SetDataSet(&data);
  CheckFixture f;
  f.box->SetBiDiMode(bdRightToLeft);
  f.box->SetDataSource(&source);
  const TSize size = InitCheckBoxSizeEh();
  const auto boxAt = [&](bool atLeft) {
    f.ui.Process();
    return PixelsOf(f.box, f.BoxRect(atLeft)) == SharedFace(size, f.box->State(), false, false, false, true);
  };
  f.box->SetDataField("FLAG");
  EXPECT_TRUE(boxAt(false)) << "mirrored";
  f.box->SetDataField("CODE");
  EXPECT_TRUE(boxAt(true)) << "a number keeps its layout";
  f.box->SetDataField("");
  EXPECT_TRUE(boxAt(false)) << "no field: the control's own";
}

TEST(DBCheckBox, TheFocusRectangleHugsTheCaptionAndADisabledCaptionIsEmbossed) {
  CheckFixture f;
  const auto unfocused = ClientPixels(f.box);
  f.Focus(f.box);
  const auto focused = ClientPixels(f.box);
  // The pixels the focus rectangle changed: its outline, one pixel around the text.
  int left = 1000, top = 1000, right = -1, bottom = -1;
  for (int y = 0; y < static_cast<int>(focused.size()); ++y)
    for (int x = 0; x < static_cast<int>(focused[0].size()); ++x)
      if (focused[y][x] != unfocused[y][x]) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  TControlCanvas canvas(f.box);
  canvas.EnsureHandle();
  canvas.Font()->Assign(f.box->Font());
  const TSize text = canvas.TextExtent("Wide");
  const int textLeft = InitCheckBoxSizeEh().cx + 5;
  const int textTop = (f.box->ClientHeight() - text.cy) / 2;
  EXPECT_EQ(left, textLeft - 1);
  EXPECT_EQ(right, textLeft + text.cx);
  EXPECT_EQ(top, std::max(textTop - 1, 0));
  EXPECT_EQ(bottom, std::min(textTop + text.cy, f.box->ClientHeight() - 1));

  f.Focus(f.other);
  f.box->SetCaption("|");
  f.box->SetEnabled(false);
  f.ui.Process();
  // Text is drawn smoothed, so the caption's pixels are told by their green level: the
  // highlight lighter than the face, the gray text darker, and nothing near black.
  const auto green = [](TColorRef c) { return static_cast<int>((c >> 8) & 0xFF); };
  const int face = green(ColorToRGB(clBtnFace));
  const int grayText = green(ColorToRGB(clGrayText));
  const TRect box = f.BoxRect(true);
  const auto light = InkColumns(f.box, box, [&](TColorRef c) { return green(c) > face; });
  const auto dark = InkColumns(f.box, box, [&](TColorRef c) { return green(c) < face; });
  const auto black = InkColumns(f.box, box, [&](TColorRef c) { return green(c) < grayText; });
  ASSERT_GE(dark.first, textLeft);
  EXPECT_EQ(light.second, dark.second + 1) << "the highlight one pixel down and right";
  EXPECT_EQ(black.first, -1) << "no caption in the window text colour";
}

TEST(DBCheckBox, BoundToAFieldItReadsAndWritesThroughTheTexts) {
  CheckFixture f;
  TMemDataSet data(nullptr);
  data.FieldDefs().Add("FLAG", ftString, 10);
  data.Open();
  data.AppendRecord({Variant("yes")});
  TDataSource source(nullptr);
  source.SetDataSet(&data);
  f.box->SetDataSource(&source);
  f.box->SetDataField("FLAG");
  f.box->SetValueChecked("Y;YES");
  EXPECT_EQ(f.box->State(), cbChecked);
  f.box->SetValueChecked("on");
  EXPECT_EQ(f.box->State(), cbGrayed) << "neither list";
  f.box->SetValueUnchecked("No;yes");
  EXPECT_EQ(f.box->State(), cbUnchecked);
  f.box->SetValueChecked("Y;YES");
  f.box->SetValueUnchecked("N;NO");
  f.Focus(f.box);
  f.ui.Press(VK_SPACE);
  f.Focus(f.other);
  EXPECT_EQ(data.FieldByName("FLAG")->AsString(), "N");
  data.Post();
  f.box->SetDataSource(nullptr);

  // A field name with no data source: nothing to put into edit state.
  TDBCheckBoxEh* loose = f.Place<TDBCheckBoxEh>(Rect(10, 60, 130, 77));
  loose->SetDataField("FLAG");
  loose->SetState(cbChecked);
  EXPECT_EQ(loose->State(), cbChecked);
  EXPECT_EQ(data.State(), dsBrowse);
}

}  // namespace
}  // namespace ordvane
