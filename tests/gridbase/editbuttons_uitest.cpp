// Edit buttons: the default width against the font tables read independently, the
// item's change notifications, click and action link, the faces (the direct drawing and
// the platform's own pictures as oracles), and the up-down button's auto-repeat.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "classlib/ui/FontEngine.h"
#include "classlib/ui/Themes.h"
#include "gridbase/ToolCtrlsEh.h"
#include "tests/support/FirebirdFixture.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

// The text height the independent reader of the font tables gives for a pixel size.
int OracleTextHeight(const std::string& fontFile, int ppem) {
  const std::string command = "/usr/bin/python3 " + test::FixturePath("ui/font_metrics.py") +
                              " --proportional " + fontFile + " " + std::to_string(ppem);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  char line[256] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  std::istringstream fields(read ? line : "");
  int size = 0, ascent = 0, descent = 0, height = -1;
  fields >> size >> ascent >> descent >> height;
  return height;
}

int ExpectedWidth(int textHeight) {
  int width = static_cast<int>(std::floor(textHeight * 2.0 / 3.0 + 0.5));
  if (width % 2 == 0) ++width;
  return std::min(width, GetSystemMetrics(SM_CXVSCROLL));
}

TEST(EditButtonWidth, FollowsTheScreenFontsTextHeight) {
  const TFont screenFont;
  const std::string file = TFontInstance::For(screenFont.LogFont())->FileName();
  const int height = OracleTextHeight(file, -screenFont.Height());
  ASSERT_GT(height, 0) << file;
  EXPECT_EQ(DefaultEditButtonWidthEh(), ExpectedWidth(height));

  const struct {
    int textHeight;
    int width;
  } cases[] = {{13, 9}, {12, 9}, {11, 7}, {16, 11}, {0, 1}, {40, GetSystemMetrics(SM_CXVSCROLL)}};
  for (const auto& c : cases)
    EXPECT_EQ(EditButtonWidthForTextHeightEh(c.textHeight), c.width) << c.textHeight;

  EXPECT_EQ(ScaleButtonWidthEh(9, true), 14);
  EXPECT_EQ(ScaleButtonWidthEh(10, true), 15);
  EXPECT_EQ(ScaleButtonWidthEh(9, false), 9);
}

// ---- Items ------------------------------------------------------------------------------

struct ItemFixture : test::TextControlFixture {
  TEdit* edit = Place<TEdit>(Rect(10, 10, 200, 31));
  TEditButtonsEh buttons{edit};
  int changes = 0;
  ItemFixture() {
    buttons.OnChange = [this](TObject*) { ++changes; };
  }
};

TEST(EditButtonItem, EverySetterTellsTheEditOnlyOfAChange) {
  ItemFixture f;
  TEditButtonEh* b = f.buttons.Add();
  TPopupMenu menu(nullptr);
  TAction action(nullptr);
  const std::vector<std::pair<const char*, std::function<void()>>> setters = {
      {"Enabled", [b] { b->SetEnabled(false); }},
      {"Hint", [b] { b->SetHint("h"); }},
      {"NumGlyphs", [b] { b->SetNumGlyphs(2); }},
      {"ShortCut", [b] { b->SetShortCut(scCtrl | 'K'); }},
      {"Style", [b] { b->SetStyle(ebsUpDownEh); }},
      {"Visible", [b] { b->SetVisible(true); }},
      {"Width", [b] { b->SetWidth(20); }},
      {"DropdownMenu", [b, &menu] { b->SetDropdownMenu(&menu); }},
      {"Action", [b, &action] { b->SetAction(&action); }},
  };
  for (const auto& [name, set] : setters) {
    f.changes = 0;
    set();
    EXPECT_EQ(f.changes, 1) << name;
    set();
    EXPECT_EQ(f.changes, 1) << name << " set again";
  }
  EXPECT_EQ(b->EditControl(), f.edit);

  {
    auto* dying = new TPopupMenu(nullptr);
    b->SetDropdownMenu(dying);
    delete dying;
    EXPECT_EQ(b->DropdownMenu(), nullptr);
  }

  b->SetNumGlyphs(0);
  EXPECT_EQ(b->NumGlyphs(), 1);
  b->SetNumGlyphs(7);
  EXPECT_EQ(b->NumGlyphs(), 4);

  // The main button tells its edit through its own hook, and defaults to visible, Alt+Down.
  TVisibleEditButtonEh main(f.edit);
  int mainChanges = 0;
  main.OnChange = [&](TObject*) { ++mainChanges; };
  EXPECT_TRUE(main.Visible());
  EXPECT_EQ(main.ShortCut(), scAlt | VK_DOWN);
  main.SetVisible(true);
  main.SetStyle(ebsEllipsisEh);
  EXPECT_EQ(mainChanges, 1);
  EXPECT_EQ(main.EditControl(), f.edit);

  TEditButtonControlEh* control = main.CreateEditButtonControl();
  EXPECT_EQ(control->Owner(), f.edit);
  EXPECT_EQ(control->Parent(), f.edit);
  EXPECT_EQ((TSize{control->Width(), control->Height()}), (TSize{10, 17}));
  EXPECT_TRUE(control->Visible());
  EXPECT_TRUE(control->ControlStyle().Contains(csOpaque));
  TEditButtonEh lone(static_cast<TWinControl*>(nullptr));
  EXPECT_THROW(lone.CreateEditButtonControl(), EInvalidOperation);
}

TEST(EditButtonItem, AssignCopiesPropertiesAndBothEvents) {
  ItemFixture f;
  TEditButtonEh* source = f.buttons.Add();
  TEditButtonEh* target = f.buttons.Add();
  TPopupMenu menu(nullptr);
  TBitmap glyph(8, 4);
  source->SetDropdownMenu(&menu);
  source->SetEnabled(false);
  source->SetGlyph(glyph);
  source->SetHint("hint");
  source->SetNumGlyphs(2);
  source->SetShortCut(scCtrl | 'B');
  source->SetStyle(ebsPlusEh);
  source->SetVisible(true);
  source->SetWidth(33);
  source->OnClick = [](TObject*, bool&) {};
  source->OnDown = [](TObject*, bool, bool&, bool&) {};
  f.changes = 0;
  target->Assign(source);
  EXPECT_EQ(f.changes, 1);  // the edit lays its buttons out once
  EXPECT_EQ(target->DropdownMenu(), &menu);
  EXPECT_FALSE(target->Enabled());
  EXPECT_EQ(target->Glyph()->Width(), 8);
  EXPECT_EQ(target->Hint(), "hint");
  EXPECT_EQ(target->NumGlyphs(), 2);
  EXPECT_EQ(target->ShortCut(), scCtrl | 'B');
  EXPECT_EQ(target->Style(), ebsPlusEh);
  EXPECT_TRUE(target->Visible());
  EXPECT_EQ(target->Width(), 33);
  EXPECT_TRUE(target->OnClick == source->OnClick);
  EXPECT_TRUE(target->OnDown == source->OnDown);
}

TEST(EditButtonItem, ClickRunsTheHandlerElseTheActionWithTheEditAsComponent) {
  ItemFixture f;
  TEditButtonEh* b = f.buttons.Add();
  TAction action(nullptr);
  TComponent* executedFor = nullptr;
  int executed = 0;
  action.OnExecute = [&](TObject*) {
    ++executed;
    executedFor = action.ActionComponent();
  };

  bool handled = false;
  b->Click(b, handled);  // neither handler nor action
  EXPECT_FALSE(handled);

  b->SetAction(&action);
  b->Click(b, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(executed, 1);
  EXPECT_EQ(executedFor, f.edit);

  int clicks = 0;
  b->OnClick = [&](TObject*, bool& h) {
    ++clicks;
    h = false;  // the handler decides
  };
  handled = true;
  b->Click(b, handled);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(executed, 1);
  EXPECT_FALSE(handled);
}

TEST(EditButtonItem, LinkedPropertiesFollowTheActionWhileTheyEqualIt) {
  ItemFixture f;
  TEditButtonEh* b = f.buttons.Add();
  TAction action(nullptr);
  action.SetHint("from action");
  action.SetShortCut(scCtrl | 'A');
  b->SetAction(&action);
  EXPECT_EQ(b->Hint(), "from action");
  EXPECT_EQ(b->ShortCut(), scCtrl | 'A');
  EXPECT_TRUE(b->Visible());

  action.SetEnabled(false);
  action.SetVisible(false);
  EXPECT_FALSE(b->Enabled());
  EXPECT_FALSE(b->Visible());

  b->SetHint("own");  // no longer equal: the action's next hint stays out
  action.SetHint("second");
  EXPECT_EQ(b->Hint(), "own");
  action.SetShortCut(scCtrl | 'Q');
  EXPECT_EQ(b->ShortCut(), scCtrl | 'Q');

  action.OnUpdate = [](TObject*) {};
  EXPECT_TRUE(b->InitiateAction());
}

// ---- Faces ------------------------------------------------------------------------------

constexpr TColor kBackground = clYellow;

struct Canvas {
  explicit Canvas(int width, int height) : raster(width, height, 0x123456), dc(raster) {}
  TRaster raster;
  TRasterDC dc;
};

TRaster Face(const TRect& rect, TEditButtonDrawKindEh kind, int part, bool flat, bool active, bool enabled,
             TCheckBoxState state = cbUnchecked, int width = 24, int height = 24) {
  Canvas c(width, height);
  DrawEditButtonControlEh(&c.dc, rect, kBackground, kind, part, flat, active, enabled, state);
  return c.raster;
}

struct ThemesScope {
  explicit ThemesScope(bool on) { ThemeServices()->SetThemesEnabled(on); }
  ~ThemesScope() { ThemeServices()->SetThemesEnabled(false); }
};

struct CacheScope {
  explicit CacheScope(bool on) { SetEditButtonFaceCacheEnabledEh(on); }
  ~CacheScope() { SetEditButtonFaceCacheEnabledEh(true); }
};

TEST(EditButtonFaces, TheCachedFaceEqualsTheFaceDrawnDirectly) {
  const TRect rects[] = {Rect(2, 3, 19, 20), Rect(0, 0, 13, 16), Rect(4, 1, 9, 22)};
  int compared = 0;
  for (bool themed : {false, true}) {
    ThemesScope themes(themed);
    for (int kind = bcsDropDownEh; kind <= bcsMinusEh; ++kind)
      for (int part = 0; part <= 2; ++part)
        for (int flags = 0; flags < 8; ++flags)
          for (const TRect& r : rects) {
            const bool flat = flags & 1, active = flags & 2, enabled = flags & 4;
            const auto k = static_cast<TEditButtonDrawKindEh>(kind);
            const TCheckBoxState state = static_cast<TCheckBoxState>(part);
            TRaster direct;
            {
              CacheScope off(false);
              direct = Face(r, k, part, flat, active, enabled, state);
            }
            const TRaster cached = Face(r, k, part, flat, active, enabled, state);
            ASSERT_TRUE(cached == direct)
                << "themed " << themed << " kind " << kind << " part " << part << " flags " << flags;
            ++compared;
          }
  }
  EXPECT_EQ(compared, 2 * 6 * 3 * 8 * 3);
  EXPECT_GT(EditButtonFaceCacheCountEh(), 0);
}

// The rows of ink (button-text pixels) and their widths.
std::vector<int> InkRowWidths(const TRaster& r, TColorRef ink) {
  std::vector<int> widths;
  for (int y = 0; y < r.Height(); ++y) {
    int n = 0;
    for (int x = 0; x < r.Width(); ++x) n += r.Pixel(x, y) == ink;
    if (n) widths.push_back(n);
  }
  return widths;
}

TEST(EditButtonFaces, EachKindShowsItsGlyph) {
  const TColorRef ink = ColorToRGB(clBtnText);
  const TRect r = Rect(0, 0, 16, 20);
  const auto dropDown = InkRowWidths(Face(r, bcsDropDownEh, 0, false, false, true), ink);
  ASSERT_GE(dropDown.size(), 2u);
  EXPECT_GT(dropDown.front(), dropDown.back());  // pointing down
  const auto plus = InkRowWidths(Face(r, bcsPlusEh, 0, false, false, true), ink);
  const auto minus = InkRowWidths(Face(r, bcsMinusEh, 0, false, false, true), ink);
  EXPECT_GT(plus.size(), 1u);
  EXPECT_EQ(minus.size(), 1u);
  const auto ellipsis = InkRowWidths(Face(r, bcsEllipsisEh, 0, false, false, true), ink);
  ASSERT_FALSE(ellipsis.empty());
  EXPECT_EQ(ellipsis.front() % 3, 0);  // three equal dots
  // Disabled glyphs are gray.
  EXPECT_TRUE(InkRowWidths(Face(r, bcsDropDownEh, 0, false, false, false), ink).empty());
  EXPECT_FALSE(InkRowWidths(Face(r, bcsDropDownEh, 0, false, false, false), ColorToRGB(clGrayText)).empty());
}

TEST(EditButtonFaces, UpDownHalvesPressSeparatelyAndTheMiddleLineTakesTheBackground) {
  const TColorRef background = ColorToRGB(kBackground);
  // The edges the platform routine draws, as the oracle of the halves' looks.
  auto topLeftOf = [](unsigned edge) {
    Canvas c(8, 8);
    TRect r = Rect(0, 0, 8, 8);
    DrawEdge(&c.dc, r, edge, BF_RECT);
    return c.raster.Pixel(0, 0);
  };
  const struct {
    int height;
    bool flat;
    bool active;
    bool middleLine;
  } cases[] = {{17, false, false, true}, {16, false, false, false}, {16, true, true, true}};
  for (const auto& c : cases) {
    const TRect r = Rect(0, 0, 15, c.height);
    const int middle = c.height / 2;
    for (int part : {1, 2}) {
      const TRaster face = Face(r, bcsUpDownEh, part, c.flat, c.active, true, cbUnchecked, 15, c.height);
      const int lowerTop = middle + (c.middleLine ? 1 : 0);
      const TColorRef upper = face.Pixel(0, 0);
      const TColorRef lower = face.Pixel(0, lowerTop);
      const unsigned pressedEdge = c.flat ? BDR_SUNKENOUTER : EDGE_SUNKEN;
      const unsigned upEdge = c.flat ? BDR_RAISEDINNER : EDGE_RAISED;
      EXPECT_EQ(upper, topLeftOf(part == 1 ? pressedEdge : upEdge)) << c.height << " part " << part;
      EXPECT_EQ(lower, topLeftOf(part == 2 ? pressedEdge : upEdge)) << c.height << " part " << part;
      int backgroundInMiddle = 0;
      for (int x = 0; x < 15; ++x) backgroundInMiddle += face.Pixel(x, middle) == background;
      EXPECT_EQ(backgroundInMiddle, c.middleLine ? 15 : 0) << c.height;
    }
  }
}

TEST(EditButtonFaces, AFlatIdleFaceIsInsetWithARingOfTheBackground) {
  const TColorRef background = ColorToRGB(kBackground);
  const TRect r = Rect(2, 2, 18, 20);
  auto ring = [&](const TRaster& face) {
    int n = 0;
    for (int x = r.left; x < r.right; ++x)
      n += (face.Pixel(x, r.top) == background) + (face.Pixel(x, r.bottom - 1) == background);
    for (int y = r.top + 1; y < r.bottom - 1; ++y)
      n += (face.Pixel(r.left, y) == background) + (face.Pixel(r.right - 1, y) == background);
    return n;
  };
  const int ringLength = 2 * r.Width() + 2 * (r.Height() - 2);
  EXPECT_EQ(ring(Face(r, bcsDropDownEh, 0, true, false, true)), ringLength);
  {
    // A cached face of one background never shows on another.
    Canvas other(24, 24);
    DrawEditButtonControlEh(&other.dc, r, clAqua, bcsDropDownEh, 0, true, false, true);
    EXPECT_EQ(other.raster.Pixel(r.left, r.top), ColorToRGB(clAqua));
  }
  EXPECT_LT(ring(Face(r, bcsDropDownEh, 0, true, true, true)), ringLength);
  EXPECT_LT(ring(Face(r, bcsDropDownEh, 0, false, false, true)), ringLength);
  {
    ThemesScope themes(true);
    EXPECT_LT(ring(Face(r, bcsDropDownEh, 0, true, false, true)), ringLength);
  }
  // Nothing is drawn outside the rectangle.
  const TRaster face = Face(r, bcsEllipsisEh, 1, false, true, true);
  EXPECT_EQ(face.Pixel(1, 1), 0x123456u);
  EXPECT_EQ(face.Pixel(18, 20), 0x123456u);
}

TEST(CheckBoxCell, IsAQuarterByAThirdOfTheSystemBitmapAndAlignsByBothCodes) {
  TBitmap boxes;
  boxes.LoadFromOemBitmap(OBM_CHECKBOXES);
  const TSize cell = InitCheckBoxSizeEh();
  EXPECT_EQ(cell.cx, boxes.Width() / 4);
  EXPECT_EQ(cell.cy, boxes.Height() / 3);
  const TRect area = Rect(10, 20, 50, 50);
  const struct {
    TAlignment alignment;
    TTextLayout layout;
    TPoint topLeft;
  } cases[] = {{taLeftJustify, tlTop, {10, 20}},
               {taRightJustify, tlBottom, {50 - cell.cx, 50 - cell.cy}},
               {taCenter, tlCenter, {10 + (40 - cell.cx) / 2, 20 + (30 - cell.cy) / 2}}};
  for (const auto& c : cases)
    EXPECT_EQ(CheckBoxRectEh(area, c.alignment, c.layout),
              Bounds(c.topLeft.x, c.topLeft.y, cell.cx, cell.cy));
  EXPECT_EQ(CheckBoxRectEh(Rect(0, 0, 5, 6), taCenter, tlCenter), Rect(0, 0, 5, 6));
}

TEST(CheckBoxFaces, EqualThePlatformsPicturesOfTheirStates) {
  const TRect r = Rect(1, 1, 22, 18);
  const TSize size = InitCheckBoxSizeEh();
  const TRect cell =
      Bounds(r.left + (r.Width() - size.cx) / 2, r.top + (r.Height() - size.cy) / 2, size.cx, size.cy);
  const TColorRef background = ColorToRGB(kBackground);
  const struct {
    TCheckBoxState state;
    bool enabled;
    bool pressed;
    bool flat;
    unsigned flags;
  } cases[] = {
      {cbUnchecked, true, false, false, DFCS_BUTTONCHECK},
      {cbChecked, true, false, false, DFCS_BUTTONCHECK | DFCS_CHECKED},
      {cbGrayed, true, false, false, DFCS_BUTTONCHECK | DFCS_BUTTON3STATE | DFCS_CHECKED},
      {cbChecked, false, false, false, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE},
      {cbUnchecked, true, true, false, DFCS_BUTTONCHECK | DFCS_PUSHED},
      {cbChecked, true, false, true, DFCS_BUTTONCHECK | DFCS_CHECKED},
  };
  for (const auto& c : cases) {
    const TRaster face = Face(r, bcsCheckboxEh, c.pressed ? 1 : 0, c.flat, false, c.enabled, c.state);
    Canvas expected(24, 24);
    TRect box = cell;
    DrawFrameControl(&expected.dc, box, DFC_BUTTON, c.flags);
    int differing = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const bool inCell = PtInRect(cell, {x, y});
        const bool onRing =
            inCell && !PtInRect(Rect(cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1), {x, y});
        const TColorRef want = !inCell || (c.flat && onRing) ? background : expected.raster.Pixel(x, y);
        differing += face.Pixel(x, y) != want;
      }
    EXPECT_EQ(differing, 0) << "flags " << c.flags << " flat " << c.flat;
  }
  // Themed: the style's own element, centred.
  ThemesScope themes(true);
  const TRaster face = Face(r, bcsCheckboxEh, 0, false, false, true, cbChecked);
  Canvas expected(24, 24);
  ThemeServices()->DrawElement(&expected.dc, TThemeServices::GetElementDetails(tbCheckBoxCheckedNormal),
                               cell);
  for (int y = cell.top; y < cell.bottom; ++y)
    for (int x = cell.left; x < cell.right; ++x)
      ASSERT_EQ(face.Pixel(x, y), expected.raster.Pixel(x, y)) << x << "," << y;
}

// ---- The button control -----------------------------------------------------------------

struct ButtonFixture : test::TextControlFixture {
  TEditButtonControlEh* button = Place<TEditButtonControlEh>(Rect(20, 20, 37, 40));
  std::vector<std::pair<UInt64, bool>> downs;  // time since the press, upper part
  UInt64 pressedAt = 0;
  std::function<bool(int call)> keepRepeating = [](int) { return true; };

  ButtonFixture() {
    form->SetColor(clYellow);
    button->OnButtonDown = [this](TObject*, bool top, bool& autoRepeat, bool&) {
      downs.emplace_back(ui.Time().Now() - pressedAt, top);
      autoRepeat = autoRepeat && keepRepeating(static_cast<int>(downs.size()));
    };
  }
  void PressAt(TPoint p) {
    pressedAt = ui.Time().Now();
    ui.Press(button, p);
  }
  std::vector<UInt64> Times() const {
    std::vector<UInt64> times;
    for (const auto& d : downs) times.push_back(d.first);
    return times;
  }
};

TEST(EditButtonControl, AnUpDownButtonRepeatsAfter400ThenEvery100Milliseconds) {
  ButtonFixture f;
  f.button->SetStyle(ebsUpDownEh);
  f.PressAt({8, 3});
  f.ui.Advance(650);
  EXPECT_EQ(f.Times(), (std::vector<UInt64>{0, 400, 500, 600}));
  EXPECT_TRUE(f.downs.front().second);
  EXPECT_EQ(f.button->PressedPart(), 1);
  f.ui.Release(f.button, {8, 3});
  f.ui.Advance(500);
  EXPECT_EQ(f.downs.size(), 4u);
  EXPECT_EQ(f.button->PressedPart(), 0);

  // The lower half; a handler that clears the flag stops the repeat.
  f.downs.clear();
  f.keepRepeating = [](int call) { return call < 2; };
  f.PressAt({8, 15});
  f.ui.Advance(1000);
  EXPECT_EQ(f.Times(), (std::vector<UInt64>{0, 400}));
  EXPECT_FALSE(f.downs.front().second);
  f.ui.Release(f.button, {8, 15});

  // Out of the pressed half the pressed look goes and the repeat waits.
  f.downs.clear();
  f.keepRepeating = [](int) { return true; };
  f.PressAt({8, 3});
  f.ui.MoveTo(f.button, {8, 15});
  EXPECT_EQ(f.button->PressedPart(), 0);
  f.ui.Advance(450);
  EXPECT_EQ(f.downs.size(), 1u);
  f.ui.MoveTo(f.button, {8, 4});
  EXPECT_EQ(f.button->PressedPart(), 1);
  f.ui.Advance(100);
  EXPECT_EQ(f.downs.size(), 2u);
  f.ui.Release(f.button, {8, 4});
}

TEST(EditButtonControl, OtherStylesDoNotRepeatUnlessTheHandlerAsks) {
  ButtonFixture f;
  f.PressAt({8, 3});
  f.ui.Advance(1000);
  f.ui.Release(f.button, {8, 3});
  EXPECT_EQ(f.Times(), (std::vector<UInt64>{0}));
  EXPECT_EQ(f.button->PressedPart(), 0);
}

TEST(EditButtonControl, IsHeldDownWhileItsDropDownIsOpen) {
  ButtonFixture f;
  f.button->SetAlwaysDown();
  EXPECT_TRUE(f.button->Down());
  f.ui.Click(f.button, {5, 5});
  EXPECT_TRUE(f.button->Down());
  f.button->SetAlwaysUp();
  EXPECT_FALSE(f.button->Down());
  EXPECT_EQ(f.button->GroupIndex(), 0);
}

TEST(EditButtonControl, AGlyphButtonPaintsLikeASpeedButton) {
  ButtonFixture f;
  TBitmap glyph(17, 20);
  glyph.Canvas()->Brush()->SetColor(clRed);
  glyph.Canvas()->FillRect(Rect(0, 0, 17, 20));
  glyph.Canvas()->SetPixels(0, 19, clWhite);  // the transparent colour
  f.button->SetGlyph(glyph);
  f.button->SetStyle(ebsGlyphEh);
  f.button->SetFlat(true);
  f.ui.Process();
  const TColorRef red = ColorToRGB(clRed);
  const TColorRef parent = ColorToRGB(clYellow);
  auto pixel = [&](int x, int y) { return test::UiDriver::Pixel(f.button, {x, y}); };
  // Idle: the glyph one pixel in, a frame in the parent's colour.
  EXPECT_EQ(pixel(0, 0), parent);
  EXPECT_EQ(pixel(16, 19), parent);
  EXPECT_EQ(pixel(1, 1), red);
  EXPECT_EQ(pixel(8, 10), red);
  // Active: a raised edge up, a sunken one down.
  f.button->SetActive(true);
  f.ui.Process();
  EXPECT_EQ(pixel(0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(pixel(16, 19), ColorToRGB(clBtnShadow));
  f.button->SetAlwaysDown();
  f.ui.Process();
  EXPECT_EQ(pixel(0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(pixel(16, 19), ColorToRGB(clBtnHighlight));
}

}  // namespace
}  // namespace ordvane
