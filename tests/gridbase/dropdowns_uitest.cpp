// Drop-down windows: placement on one and two monitors, the size grip, the list box's
// rows, search, tracking and drawing, the recently used values and the month calendar's
// close protocol, all driven through the headless host.

#include <gtest/gtest.h>

#include "classlib/ui/ExtCtrls.h"
#include "gridbase/ToolCtrlsEh.h"
#include "tests/gridbase/CalendarPoint.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

// A drop-down that notes where it is told its grip goes.
class TNotedDropDown : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  std::vector<WPARAM> sides;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_SETSIZEGRIPSIDEEH) sides.push_back(m.WParam);
    TCustomControl::Dispatch(m);
  }
};

TMonitorInfo Monitor(TRect bounds, int taskBar) {
  return {bounds, Rect(bounds.left, bounds.top, bounds.right, bounds.bottom - taskBar)};
}

TEST(DropDownPlacement, OpensBesideItsHostInTheNearestWorkArea) {
  test::UiDriver ui;
  const struct {
    const char* what;
    std::vector<TMonitorInfo> monitors;
    TRect host;
    TSize size;
    TDropDownAlign align;
    TPoint place;
    TSize sizeAfter;
    std::vector<WPARAM> sides;
  } cases[] = {
      {"below", {}, Rect(100, 100, 200, 120), {150, 100}, daLeft, {100, 120}, {150, 100}, {3, 1}},
      {"near the bottom: above",
       {},
       Rect(100, 700, 200, 720),
       {150, 100},
       daLeft,
       {100, 600},
       {150, 100},
       {2, 1}},
      {"near the right edge",
       {},
       Rect(950, 100, 1010, 120),
       {150, 100},
       daLeft,
       {874, 120},
       {150, 100},
       {3, 0}},
      {"right-aligned", {}, Rect(300, 100, 400, 120), {150, 100}, daRight, {250, 120}, {150, 100}, {3, 0}},
      {"centred", {}, Rect(300, 100, 400, 120), {151, 100}, daCenter, {275, 120}, {151, 100}, {3, 1}},
      // (50 - 101) / 2 truncates to -25, not -26.
      {"centred, narrower", {}, Rect(300, 100, 401, 120), {50, 100}, daCenter, {325, 120}, {50, 100}, {3, 1}},
      {"wider than the work area",
       {},
       Rect(100, 100, 200, 120),
       {2000, 100},
       daLeft,
       {0, 120},
       {1024, 100},
       {3, 0}},
      {"fits neither way, more room above",
       {Monitor(Rect(0, 0, 800, 600), 0)},
       Rect(10, 400, 60, 420),
       {80, 500},
       daLeft,
       {10, 0},
       {80, 400},
       {2, 1}},
      {"fits neither way, more room below",
       {Monitor(Rect(0, 0, 800, 600), 0)},
       Rect(10, 100, 60, 120),
       {80, 500},
       daLeft,
       {10, 120},
       {80, 480},
       {3, 1}},
      {"second monitor",
       {Monitor(Rect(0, 0, 1024, 768), 30), Monitor(Rect(1024, 0, 2048, 768), 68)},
       Rect(1900, 650, 1950, 670),
       {100, 100},
       daLeft,
       {1900, 550},
       {100, 100},
       {2, 1}},
      {"second monitor, off its right edge",
       {Monitor(Rect(0, 0, 1024, 768), 30), Monitor(Rect(1024, 0, 2048, 768), 68)},
       Rect(2000, 100, 2040, 120),
       {100, 100},
       daLeft,
       {1948, 120},
       {100, 100},
       {3, 0}},
  };
  for (const auto& c : cases) {
    HeadlessHost().SetMonitors(c.monitors);
    TNotedDropDown dropDown(nullptr);
    dropDown.SetBounds(0, 0, c.size.cx, c.size.cy);
    const TPoint place = AlignDropDownWindowRectEh(&dropDown, c.host, c.align);
    EXPECT_EQ(place, c.place) << c.what;
    EXPECT_EQ((TSize{dropDown.Width(), dropDown.Height()}), c.sizeAfter) << c.what;
    EXPECT_EQ(dropDown.sides, c.sides) << c.what;
  }
  HeadlessHost().SetMonitors({});
}

TEST(DropDownPlacement, AHostControlIsMeasuredOnTheScreen) {
  test::TextControlFixture f;
  TEdit* edit = f.Place<TEdit>(Rect(10, 20, 110, 41));
  TNotedDropDown dropDown(nullptr);
  dropDown.SetBounds(0, 0, 120, 80);
  const TPoint place = AlignDropDownWindowEh(edit, &dropDown, daRight);
  const TPoint host = edit->ClientOrigin();
  const TPoint frame = edit->Parent()->ClientToScreen({10, 20});
  EXPECT_EQ(place, (TPoint{frame.x - 20, frame.y + 21}));
  EXPECT_EQ(dropDown.Left(), place.x);
  EXPECT_GE(host.x, frame.x);
}

// ---- Size grip --------------------------------------------------------------------------

TEST(SizeGrip, MovesToTheSideItIsToldAndSitsInThatCorner) {
  test::TextControlFixture f;
  TPanel* panel = f.Place<TPanel>(Rect(10, 10, 110, 90));
  auto* grip = new TSizeGripEh(panel);
  grip->SetParent(panel);
  const TSizeGripPosition S[] = {sgpTopLeft, sgpTopRight, sgpBottomRight, sgpBottomLeft};
  // For each start corner: the corner after a move to the left, right, top, bottom.
  const TSizeGripPosition table[4][4] = {
      {sgpTopLeft, sgpTopRight, sgpTopLeft, sgpBottomLeft},
      {sgpTopLeft, sgpTopRight, sgpTopRight, sgpBottomRight},
      {sgpBottomLeft, sgpBottomRight, sgpTopRight, sgpBottomRight},
      {sgpBottomLeft, sgpBottomRight, sgpTopLeft, sgpBottomLeft},
  };
  const TRect client = panel->ClientRect();
  for (int start = 0; start < 4; ++start)
    for (int side = 0; side < 4; ++side) {
      grip->SetPosition(S[start]);
      grip->ChangePosition(static_cast<TSizeGripChangePosition>(side));
      const TSizeGripPosition want = table[start][side];
      EXPECT_EQ(grip->Position(), want) << start << " " << side;
      const bool left = want == sgpTopLeft || want == sgpBottomLeft;
      const bool top = want == sgpTopLeft || want == sgpTopRight;
      EXPECT_EQ(grip->Left(), left ? 0 : client.right - grip->Width());
      EXPECT_EQ(grip->Top(), top ? 0 : client.bottom - grip->Height());
    }
}

struct ListFixture : test::TextControlFixture {
  TPopupListboxEh* list = new TPopupListboxEh(form.get());
  ListFixture() {
    list->SetParent(form.get());
    list->SetItemHeight(16);
    for (const char* item : {"apple", "abc", "abd", "b", "c", "ca", "cb", "d", "e", "f"})
      list->Items()->Add(item);
    list->SetBounds(300, 200, 120, 100);
    list->Show();
    ui.Process();
  }
  int Frame() const { return list->Height() - list->ClientHeight(); }
  TRect Screen() const {
    TRect r;
    GetWindowRect(list->Handle(), r);
    return r;
  }
  // Drags the grip by a distance, in screen points worked out before the drag.
  void DragGrip(TPoint by) {
    // A point well inside the triangle, near its corner.
    TSizeGripEh* grip = list->SizeGrip();
    const TSizeGripPosition corner = grip->Position();
    const bool left = corner == sgpTopLeft || corner == sgpBottomLeft;
    const bool top = corner == sgpTopLeft || corner == sgpTopRight;
    const TPoint from = grip->ClientToScreen({left ? 3 : grip->Width() - 4, top ? 3 : grip->Height() - 4});
    ui.PressAtScreen(from);
    for (int step = 1; step <= 4; ++step)
      ui.MoveToScreen({from.x + by.x * step / 4, from.y + by.y * step / 4});
    ui.ReleaseAtScreen({from.x + by.x, from.y + by.y});
  }
};

TEST(SizeGrip, DragsItsDropDownWithinTheWorkAreaAndNeverBelowItsOwnSize) {
  ListFixture f;
  ASSERT_EQ(GetParent(f.list->Handle()), HWND(0));  // a top-level window
  const TRect start = f.Screen();
  ASSERT_EQ(f.Frame(), 4);
  ASSERT_EQ(start.Height(), 4 + 6 * 16);  // 100 snapped to six rows

  f.DragGrip({30, 40});
  TRect r = f.Screen();
  EXPECT_EQ((TPoint{r.left, r.top}), (TPoint{start.left, start.top}));
  EXPECT_EQ(r.Width(), start.Width() + 30);
  EXPECT_EQ(r.Height(), 4 + 8 * 16);  // 140 snapped to eight rows
  EXPECT_EQ(f.list->SizeGrip()->Left(), f.list->ClientWidth() - f.list->SizeGrip()->Width());

  // Past the work area's right and bottom edges.
  f.DragGrip({2000, 2000});
  r = f.Screen();
  EXPECT_EQ(r.right, 1024);
  EXPECT_LE(r.bottom, 738);

  // Dragged past the opposite edges: the grip still fits, and a row.
  f.DragGrip({-3000, -3000});
  r = f.Screen();
  EXPECT_EQ((TPoint{r.left, r.top}), (TPoint{start.left, start.top}));
  EXPECT_EQ(f.list->ClientWidth(), f.list->SizeGrip()->Width());
  EXPECT_GE(f.list->ClientHeight(), std::max(16, f.list->SizeGrip()->Height()));

  // A grip in a left corner keeps the right edge; in a top corner, the bottom one.
  f.list->Perform(CM_SETSIZEGRIPSIDEEH, sgcpToLeft, 0);
  f.list->Perform(CM_SETSIZEGRIPSIDEEH, sgcpToTop, 0);
  ASSERT_EQ(f.list->SizeGrip()->Position(), sgpTopLeft);
  const TRect before = f.Screen();
  f.DragGrip({-50, -64});
  r = f.Screen();
  EXPECT_EQ(r.right, before.right);
  EXPECT_EQ(r.bottom, before.bottom);
  EXPECT_EQ(r.left, before.left - 50);
  EXPECT_EQ(r.Height(), before.Height() + 64);
  f.DragGrip({-5000, -5000});
  EXPECT_EQ(f.Screen().left, 0);
  EXPECT_EQ(f.Screen().bottom, before.bottom);
  EXPECT_GE(f.Screen().top, 0);
}

// ---- List box ---------------------------------------------------------------------------

TEST(PopupListbox, KeepsWholeRows) {
  ListFixture f;
  const struct {
    int asked;
    int rows;
  } cases[] = {{70, 4}, {68, 4}, {67, 3}, {5, 1}, {-40, 1}};
  for (const auto& c : cases) {
    f.list->SetHeight(c.asked);
    EXPECT_EQ(f.list->Height(), 4 + c.rows * 16) << c.asked;
    EXPECT_EQ(f.list->RowCount(), c.rows);
  }
  f.list->SetRowCount(3);
  EXPECT_EQ(f.list->Height(), 4 + 3 * 16);
  // Item height 0: the font's text height.
  f.list->SetItemHeight(0);
  TRaster scratch(1, 1);
  TRasterDC dc(scratch);
  dc.SelectFont(f.list->Font()->LogFont());
  TTextMetric tm;
  dc.GetTextMetrics(tm);
  f.list->SetRowCount(2);
  EXPECT_EQ(f.list->Height(), 4 + 2 * tm.tmHeight);
}

TEST(PopupListbox, SearchesIncrementallyUntilAPause) {
  ListFixture f;
  auto type = [&](const std::string& text) {
    for (char ch : text) f.list->Perform(WM_CHAR, static_cast<Byte>(ch), 0);
  };
  auto selected = [&] { return f.list->Items()->Strings(f.list->ItemIndex()); };
  type("ab");
  EXPECT_EQ(selected(), "abc");
  f.ui.Advance(2500);
  type("c");
  EXPECT_EQ(f.list->SearchText(), "c");
  EXPECT_EQ(selected(), "c");
  f.ui.Advance(2500);
  type("ab");
  f.ui.Advance(1900);
  type("d");
  EXPECT_EQ(f.list->SearchText(), "abd");
  EXPECT_EQ(selected(), "abd");
  type(std::string(40, 'x'));
  EXPECT_EQ(f.list->SearchText().size(), 32u);
  for (Word key : {VK_BACK, VK_ESCAPE}) {
    type("ca");
    f.list->Perform(WM_KEYDOWN, key, 0);
    EXPECT_EQ(f.list->SearchText(), "") << key;
  }
}

TEST(PopupListbox, HotTracksAndStepsWithTheWheel) {
  ListFixture f;
  f.ui.MoveTo(f.list, {20, 2 * 16 + 5});
  EXPECT_EQ(f.list->ItemIndex(), 2);
  f.ui.MoveTo(f.list, {20, 3 * 16 + 5});
  EXPECT_EQ(f.list->ItemIndex(), 3);
  f.list->DoMouseWheel({}, -WHEEL_DELTA, {});
  EXPECT_EQ(f.list->ItemIndex(), 4);
  f.list->DoMouseWheel({}, 2 * WHEEL_DELTA, {});
  EXPECT_EQ(f.list->ItemIndex(), 2);
  f.list->SetItemIndex(9);
  f.list->DoMouseWheel({}, -WHEEL_DELTA, {});
  EXPECT_EQ(f.list->ItemIndex(), 9);
}

// The first column (from `from` on) of a row that holds text ink (window-text pixels).
int FirstTextColumn(TPopupListboxEh* list, int row, int from = 0) {
  const auto rows = test::ClientPixels(list);
  const TColorRef ink = ColorToRGB(clWindowText);
  for (int x = from; x < list->ClientWidth(); ++x)
    for (int y = row * 16; y < (row + 1) * 16; ++y)
      if (rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == ink) return x;
  return -1;
}

TEST(PopupListbox, DrawsImagesTheRaisedFrameAndTheSelectionInFocusedColours) {
  ListFixture f;
  const int plain = FirstTextColumn(f.list, 0);
  ASSERT_GE(plain, 0);
  TImageList images(nullptr, 12, 12);
  TBitmap red(12, 12);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(Rect(0, 0, 12, 12));
  images.Add(red, nullptr);
  f.list->SetImages(&images);
  f.list->OnGetImageIndex = [](TObject*, int, int& image) { image = 0; };
  f.ui.Process();
  EXPECT_EQ(FirstTextColumn(f.list, 0), plain + 12 + 4);
  EXPECT_EQ(test::UiDriver::Pixel(f.list, {0, 4}), ColorToRGB(clRed));

  f.list->SetItemIndex(1);
  f.ui.Process();
  EXPECT_EQ(test::UiDriver::Pixel(f.list, {f.list->ClientWidth() - 30, 16 + 1}), ColorToRGB(clHighlight));

  // The frame: the platform's raised outer edge, and its raised inner edge a pixel in.
  const TRect screen = f.Screen();
  TRaster expected(screen.Width(), screen.Height(), 0x010203);
  TRasterDC dc(expected);
  TRect r = Rect(0, 0, screen.Width(), screen.Height());
  DrawEdge(&dc, r, BDR_RAISEDOUTER, BF_RECT);
  InflateRect(r, -1, -1);
  DrawEdge(&dc, r, BDR_RAISEDINNER, BF_RECT);
  const TRaster shown = test::UiDriver::Screen();
  int checked = 0;
  for (int y = 0; y < screen.Height(); ++y)
    for (int x = 0; x < screen.Width(); ++x) {
      const bool ring = x < 2 || y < 2 || x >= screen.Width() - 2 || y >= screen.Height() - 2;
      if (!ring) continue;
      ASSERT_EQ(shown.Pixel(screen.left + x, screen.top + y), expected.Pixel(x, y)) << x << "," << y;
      ++checked;
    }
  EXPECT_GT(checked, 0);
}

TEST(PopupListbox, TakesItsTextsFromAnExternalList) {
  ListFixture f;
  TStringList source;
  for (const char* item : {"one", "two", "three"}) source.Add(item);
  f.list->SetItemsSource(&source);
  EXPECT_EQ(f.list->Count(), 3);
  f.list->Perform(WM_CHAR, 't', 0);
  f.list->Perform(WM_CHAR, 'h', 0);
  EXPECT_EQ(f.list->ItemIndex(), 2);
  f.ui.Process();
  EXPECT_GE(FirstTextColumn(f.list, 1), 0);
}

// ---- Recently used values ---------------------------------------------------------------

std::vector<AnsiString> Lines(const TStrings* strings) {
  std::vector<AnsiString> lines;
  for (int i = 0; i < strings->Count(); ++i) lines.push_back(strings->Strings(i));
  return lines;
}

TEST(MRUList, KeepsTheMostRecentValueLast) {
  const struct {
    const char* what;
    bool caseSensitive;
    int limit;
    std::vector<AnsiString> items;
    AnsiString added;
    std::vector<AnsiString> after;
  } cases[] = {
      {"equal without case", false, 100, {"X", "y"}, " x ", {"y", "X"}},
      {"case-sensitive keeps both", true, 100, {"X", "y"}, "x", {"X", "y", "x"}},
      {"full list", false, 3, {"a", "b", "c"}, "d", {"b", "c", "d"}},
      {"full list, known value", false, 3, {"a", "b", "c"}, "A", {"b", "c", "a"}},
      {"blank", false, 100, {"a"}, "   ", {"a"}},
      {"Cyrillic case", false, 100, {test::A("Петро"), "b"}, test::A(" пЕТРО"), {"b", test::A("Петро")}},
  };
  for (const auto& c : cases) {
    TMRUListEh mru;
    mru.SetCaseSensitive(c.caseSensitive);
    for (const auto& item : c.items) mru.Items()->Add(item);
    mru.SetLimit(c.limit);
    mru.Add(c.added);
    EXPECT_EQ(Lines(mru.Items()), c.after) << c.what;
  }
  TMRUListEh mru;
  for (const char* item : {"a", "b", "c", "d"}) mru.Add(item);
  mru.SetLimit(2);
  EXPECT_EQ(Lines(mru.Items()), (std::vector<AnsiString>{"c", "d"}));
}

TEST(MRUList, FiltersByTheBeginning) {
  TMRUListEh mru;
  for (const char* item : {"Abc", "xab", "ab", "b", "a"}) mru.Items()->Add(item);
  TStringList target;
  target.Add("stale");
  mru.FilterItems("ab", &target);
  EXPECT_EQ(Lines(&target), (std::vector<AnsiString>{"Abc", "ab"}));
  mru.SetCaseSensitive(true);
  mru.FilterItems("ab", &target);
  EXPECT_EQ(Lines(&target), (std::vector<AnsiString>{"ab"}));
  mru.FilterItems("", &target);
  EXPECT_EQ(target.Count(), 5);
}

TEST(MRUListbox, KeepsItsBarOnTheSideAwayFromTheGrip) {
  test::TextControlFixture f;
  auto* list = new TMRUListboxEh(f.form.get());
  list->SetCtl3D(false);
  list->SetParent(f.form.get());
  list->SetItemHeight(16);
  for (int i = 0; i < 20; ++i) list->Items()->Add("value " + std::to_string(i));
  list->SetBounds(200, 200, 150, 100);
  list->Show();
  f.ui.Process();
  TScrollBar* bar = list->ScrollBar();
  const int width = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(bar->Width(), width);
  EXPECT_EQ(bar->Left(), 0);  // grip bottom-right, bar at the left
  EXPECT_EQ(bar->Height(), list->ClientHeight());
  EXPECT_EQ(bar->Max(), 19);
  EXPECT_EQ(bar->PageSize(), list->ClientHeight() / 16);
  const int textBesideBar = FirstTextColumn(list, 2, width);

  list->Perform(CM_SETSIZEGRIPSIDEEH, sgcpToLeft, 0);
  EXPECT_EQ(bar->Left(), list->ClientWidth() - width);
  // The text stays clear of the bar, wherever it stands.
  f.ui.Process();
  EXPECT_EQ(textBesideBar, FirstTextColumn(list, 2) + width);
  list->SetTopIndex(5);
  EXPECT_EQ(bar->Position(), 5);
  list->SetHeight(200);
  f.ui.Process();
  EXPECT_EQ(bar->Height(), list->ClientHeight());
  EXPECT_EQ(bar->PageSize(), list->ClientHeight() / 16);
}

// ---- Month calendar ---------------------------------------------------------------------

// An owner as the edits are: its button is held down while the drop-down is open.
class TCalendarOwner : public TCustomControl, public IPopupEditOwnerEh {
 public:
  explicit TCalendarOwner(TComponent* owner) : TCustomControl(owner), button(new TEditButtonControlEh(this)) {
    button->SetParent(this);
    button->SetAlwaysDown();
  }
  std::vector<bool> closes;
  TEditButtonControlEh* button;
  void CloseUp(bool accept) override {
    closes.push_back(accept);
    button->SetAlwaysUp();
  }
};

struct CalendarFixture : test::TextControlFixture {
  TCalendarOwner* owner = Place<TCalendarOwner>(Rect(10, 10, 100, 30));
  TEdit* other = Place<TEdit>(Rect(10, 60, 100, 81));
  TPopupMonthCalendarEh* calendar = new TPopupMonthCalendarEh(owner);
  CalendarFixture() {
    calendar->SetParent(owner);
    calendar->SetDate(EncodeDate(2026, 3, 11));
    calendar->SetBounds(120, 140, 10, 10);
    calendar->Show();
    ui.Process();
  }
  TPoint Find(UINT hit) { return test::CalendarPoint(calendar, hit); }
};

TEST(PopupMonthCalendar, SizesItselfToTheCalendarAndItsBorder) {
  CalendarFixture f;
  TRect needed;
  ASSERT_NE(f.calendar->Perform(MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&needed)), 0);
  const int border = GetSystemMetrics(SM_CXEDGE);
  EXPECT_EQ(f.calendar->Width(), needed.Width() + 2 * border);
  EXPECT_EQ(f.calendar->Height(), needed.Height() + 2 * border);
  const LRESULT codes = f.calendar->Perform(WM_GETDLGCODE, 0, 0);
  EXPECT_EQ(codes & (DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS),
            DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS);
}

TEST(PopupMonthCalendar, EnterAcceptsEscapeDeclinesAndBothAreUsedUp) {
  CalendarFixture f;
  // Keys that went on to the form would click these.
  int formClicks = 0;
  for (bool isDefault : {true, false}) {
    TButton* button = f.Place<TButton>(Rect(200, 10 + 30 * isDefault, 280, 35 + 30 * isDefault));
    isDefault ? button->SetDefault(true) : button->SetCancel(true);
    button->OnClick = [&](TObject*) { ++formClicks; };
  }
  f.calendar->SetFocus();
  f.ui.Press(VK_RETURN);
  f.ui.Press(VK_ESCAPE);
  EXPECT_EQ(f.owner->closes, (std::vector<bool>{true, false}));
  EXPECT_FALSE(f.owner->button->Down());
  EXPECT_EQ(f.calendar->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 1);
  EXPECT_EQ(f.calendar->Perform(CM_DIALOGKEY, VK_RETURN, 0), 1);
  EXPECT_EQ(f.calendar->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 1);
  EXPECT_EQ(f.calendar->Perform(CM_DIALOGKEY, VK_TAB, 0), 0);
  EXPECT_EQ(f.owner->closes, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(f.calendar->Date(), EncodeDate(2026, 3, 11));
  EXPECT_EQ(formClicks, 0);
}

TEST(PopupMonthCalendar, AReleaseOnADayAcceptsAndOutsideDeclines) {
  CalendarFixture f;
  EXPECT_TRUE(f.owner->button->Down());
  f.ui.Click(f.calendar, f.Find(MCHT_CALENDARDAY));
  f.ui.Click(f.calendar, f.Find(MCHT_TITLEBTNNEXT));
  EXPECT_TRUE(f.owner->closes.empty());
  EXPECT_EQ(f.calendar->Date(), EncodeDate(2026, 4, 11));
  f.ui.Click(f.calendar, f.Find(MCHT_CALENDARDATE));
  EXPECT_EQ(f.owner->closes, (std::vector<bool>{true}));

  // Holding the mouse, the calendar hears presses and releases outside itself.
  const TPoint outside = f.calendar->ClientToScreen({-20, -20});
  f.calendar->SetMouseCapture(true);
  f.ui.ReleaseAtScreen(outside);
  f.calendar->SetMouseCapture(true);
  f.ui.PressAtScreen(outside);
  EXPECT_EQ(f.owner->closes, (std::vector<bool>{true, false, false}));
}

TEST(PopupMonthCalendar, FocusLeavingItAndTheWheel) {
  CalendarFixture f;
  f.calendar->SetFocus();
  f.calendar->DoMouseWheel({}, -WHEEL_DELTA, {});
  EXPECT_EQ(f.calendar->Date(), EncodeDate(2026, 3, 12));
  f.calendar->DoMouseWheel({}, 2 * WHEEL_DELTA, {});
  EXPECT_EQ(f.calendar->Date(), EncodeDate(2026, 3, 10));
  EXPECT_TRUE(f.owner->closes.empty());
  f.other->SetFocus();
  EXPECT_TRUE(f.owner->closes.empty());  // posted, not sent
  f.ui.Process();
  EXPECT_EQ(f.owner->closes, (std::vector<bool>{false}));

  f.calendar->SetDate(EncodeDate(9999, 12, 31));
  f.calendar->DoMouseWheel({}, -WHEEL_DELTA, {});
  EXPECT_EQ(f.calendar->Date(), EncodeDate(9999, 12, 31));
}

}  // namespace
}  // namespace ordvane
