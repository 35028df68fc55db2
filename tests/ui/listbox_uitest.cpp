// List box and combo box: prefix search across the case of Ukrainian letters, hit
// testing at a scrolled top, owner-draw states, a virtual list that paints only what
// shows, the focus state of a top-level list, keys, the wheel and dragging, and the
// combo box's keys, list placement and typed text.

#include <gtest/gtest.h>

#include "classlib/ui/ScrollBars.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

using test::A;
using test::TextControlFixture;

// Records the index and state of every item it draws.
class TRecordingListBox : public TListBox {
 public:
  using TListBox::TListBox;
  std::vector<std::string> drawn;

 protected:
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override {
    std::string line = std::to_string(index);
    if (state.Contains(odSelected)) line += " selected";
    if (state.Contains(odFocused)) line += " focused";
    drawn.push_back(line);
    TListBox::DrawItem(index, rect, state);
  }
};

// A list box whose window is top-level, shown without taking the activation.
class TTopLevelListBox : public TRecordingListBox {
 public:
  using TRecordingListBox::TRecordingListBox;

  void Dispatch(TMessage& message) override {
    if (message.Msg == WM_MOUSEACTIVATE)
      message.Result = MA_NOACTIVATE;
    else
      TRecordingListBox::Dispatch(message);
  }

  void ShowAt(const TRect& screen) {
    SetWindowPos(Handle(), HWND_TOP, screen.left, screen.top, screen.Width(), screen.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
  }

 protected:
  void CreateParams(TCreateParams& params) override {
    TRecordingListBox::CreateParams(params);
    params.Style = (params.Style & ~WS_CHILD) | WS_POPUP;
  }
};

TEST(ListBox, SelectStringFindsPrefixesWithoutCaseFromWhereItIsToldAndWraps) {
  TextControlFixture f;
  auto* list = f.Place<TListBox>(Rect(10, 10, 200, 200));
  for (const char* item : {"Ґрунт", "іній", "Їжак", "Єдність", "ґанок", "Інна", "єнот", "Irma"})
    list->Items()->Add(A(item));
  struct Case {
    WPARAM start;
    const char* prefix;
    LRESULT found;
  } cases[] = {
      {static_cast<WPARAM>(-1), "ґ", 0}, {0, "ґ", 4},  {4, "ҐР", 0}, {0xFFFF, "І", 1}, {1, "і", 5},
      {static_cast<WPARAM>(-1), "є", 3}, {3, "ЄН", 6}, {5, "ї", 2},  {0, "i", 7},      {0, "я", LB_ERR},
  };
  for (const Case& c : cases) {
    list->SetItemIndex(-1);
    const AnsiString prefix = A(c.prefix);
    EXPECT_EQ(list->Perform(LB_SELECTSTRING, c.start, reinterpret_cast<LPARAM>(prefix.c_str())), c.found)
        << c.start << " " << c.prefix;
    EXPECT_EQ(list->ItemIndex(), c.found == LB_ERR ? -1 : c.found) << c.start << " " << c.prefix;
  }
  // Sorted, by the project's alphabet; a new line goes to its place.
  list->SetSorted(true);
  list->Items()->Add(A("Ґава"));
  EXPECT_EQ(AnsiToUtf8(list->Items()->CommaText()), "Irma,Ґава,ґанок,Ґрунт,Єдність,єнот,іній,Інна,Їжак");
}

TEST(ListBox, PointsMapToItemsFromTheTopIndex) {
  TextControlFixture f;
  auto* list = f.Place<TListBox>(Rect(10, 10, 200, 200));
  for (int i = 0; i < 50; ++i) list->Items()->Add("item " + std::to_string(i));
  list->SetTopIndex(20);
  const int h = list->ItemHeight();
  EXPECT_EQ(list->TopIndex(), 20);
  EXPECT_EQ(list->Perform(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 3 * h + 1)), MAKELONG(23, 0));
  EXPECT_EQ(list->Perform(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, list->ClientHeight() + 5)) >> 16, 1);
  EXPECT_EQ(list->ItemAtPos({5, 3 * h + 1}, true), 23);
  EXPECT_EQ(list->ItemRect(23), Rect(0, 3 * h, list->ClientWidth(), 4 * h));
  list->SetTopIndex(49);  // no further than the last page
  EXPECT_EQ(list->TopIndex(), 50 - list->ClientHeight() / h);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(list->Handle(), SB_VERT, info);
  EXPECT_EQ(info.nMax, 49);
  EXPECT_EQ(info.nPos, list->TopIndex());
  // The bar's own arrows and track scroll the list.
  TRect window;
  GetWindowRect(list->Handle(), window);
  const TScrollBarLayout bar = ScrollBarLayout(list->Handle(), SB_VERT);
  f.ui.ClickAtScreen({window.left + bar.lineUp.left + 3, window.top + bar.lineUp.top + 3});
  EXPECT_EQ(list->TopIndex(), 50 - list->ClientHeight() / h - 1);
  f.ui.ClickAtScreen({window.left + bar.track.left + 3, window.top + bar.track.top + 3});
  EXPECT_EQ(list->TopIndex(), 50 - 2 * (list->ClientHeight() / h) - 1);
}

TEST(ListBox, OwnerDrawnItemsGetTheirSelectedAndFocusedStates) {
  TextControlFixture f;
  auto* list = f.Place<TRecordingListBox>(Rect(10, 10, 200, 200));
  auto* other = f.Place<TEdit>(Rect(210, 10, 300, 35));
  std::vector<std::string> events;
  list->SetStyle(lbOwnerDrawFixed);
  list->OnDrawItem = [&events](TWinControl*, int index, TRect, TOwnerDrawState) {
    events.push_back(std::to_string(index));
  };
  list->Items()->Add("a");
  list->Items()->Add("b");
  list->Items()->Add("c");
  list->SetItemIndex(1);
  list->SetFocus();
  f.ui.Process();
  list->drawn.clear();
  list->Invalidate();
  f.ui.Process();
  EXPECT_EQ(list->drawn, (std::vector<std::string>{"0", "1 selected focused", "2"}));
  EXPECT_EQ(events.back(), "2");
  other->SetFocus();
  list->drawn.clear();
  list->Invalidate();
  f.ui.Process();
  EXPECT_EQ(list->drawn, (std::vector<std::string>{"0", "1 selected", "2"}));
}

TEST(ListBox, AVirtualListAsksOnlyForTheItemsItShows) {
  TextControlFixture f;
  auto* list = f.Place<TListBox>(Rect(10, 10, 200, 200));
  list->SetStyle(lbVirtual);
  std::vector<int> asked;
  list->OnData = [&asked](TWinControl*, int index, AnsiString& data) {
    asked.push_back(index);
    data = "row " + std::to_string(index);
  };
  list->SetCount(100000);
  list->SetTopIndex(50000);
  asked.clear();
  f.ui.Process();
  const int rows = list->ClientHeight() / list->ItemHeight();
  ASSERT_FALSE(asked.empty());
  EXPECT_LE(static_cast<int>(asked.size()), rows + 1);
  for (int index : asked) {
    EXPECT_GE(index, 50000);
    EXPECT_LE(index, 50000 + rows);
  }
  EXPECT_EQ(list->Items()->Strings(99999), "row 99999");
  EXPECT_EQ(list->Count(), 100000);
  EXPECT_THROW(list->Items()->Add("lost"), EStringListError);
  EXPECT_EQ(list->Count(), 100000);
}

TEST(ListBox, ATopLevelListToldItHasTheFocusShowsItWhileTheEditKeepsTheCaret) {
  TextControlFixture f;
  auto* edit = f.Place<TEdit>(Rect(10, 10, 200, 35));
  edit->SetText("text");
  edit->SetFocus();
  f.ui.Process();
  TTopLevelListBox list(nullptr);
  list.Items()->Add("first");
  list.Items()->Add("second");
  list.SetItemIndex(1);
  list.ShowAt(Bounds(120, 150, 150, 80));
  f.ui.Process();
  const TRect item = list.ItemRect(1);
  const TPoint probe{item.right - 3, item.top + 1};
  EXPECT_EQ(test::UiDriver::Pixel(&list, probe), ColorToRGB(clBtnFace));
  list.drawn.clear();
  list.Perform(WM_SETFOCUS, 0, 0);
  f.ui.Process();
  EXPECT_EQ(list.drawn, (std::vector<std::string>{"1 selected focused"}));
  EXPECT_EQ(test::UiDriver::Pixel(&list, probe), ColorToRGB(clHighlight));
  EXPECT_EQ(GetFocus(), edit->WindowHandle());
  EXPECT_TRUE(edit->Focused());
  // Pressing the list selects without taking the focus.
  f.ui.Click(&list, {5, 1});
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_EQ(GetFocus(), edit->WindowHandle());
}

TEST(ListBox, KeysTheWheelAPressAndADragMoveTheSelectionAndEachMoveClicks) {
  TextControlFixture f;
  auto* list = f.Place<TListBox>(Rect(10, 10, 200, 200));
  for (int i = 0; i < 40; ++i) list->Items()->Add("item " + std::to_string(i));
  int clicks = 0;
  list->OnClick = [&clicks](TObject*) { ++clicks; };
  list->SetFocus();
  f.ui.Process();
  const int rows = list->ClientHeight() / list->ItemHeight();
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_DOWN);
  EXPECT_EQ(list->ItemIndex(), 1);
  f.ui.Press(VK_END);
  EXPECT_EQ(list->ItemIndex(), 39);
  EXPECT_EQ(list->TopIndex(), 40 - rows);
  f.ui.Press(VK_PRIOR);
  EXPECT_EQ(list->ItemIndex(), 39 - (rows - 1));
  EXPECT_EQ(clicks, 4);
  f.ui.Press(VK_HOME);
  f.ui.MoveTo(list, {5, 5});
  f.ui.Wheel(-1);
  EXPECT_EQ(list->TopIndex(), 3);
  const int h = list->ItemHeight();
  f.ui.Press(list, {5, h + 1});
  EXPECT_EQ(list->ItemIndex(), 4);
  f.ui.MoveTo(list, {5, 3 * h + 1});
  EXPECT_EQ(list->ItemIndex(), 6);
  f.ui.MoveTo(list, {5, list->ClientHeight() + 30});  // below the list: it scrolls on
  f.ui.Release(list, {5, list->ClientHeight() + 30});
  EXPECT_EQ(list->ItemIndex(), 3 + rows);
  EXPECT_EQ(list->TopIndex(), 4);
  f.ui.MoveTo(list, {5, 5});
  EXPECT_EQ(list->ItemIndex(), 3 + rows);  // released: moves no longer select
}

TEST(ComboBox, TheListOpensChoosesWithEnterAndDropsTheChoiceWithEscape) {
  TextControlFixture f;
  auto* combo = f.Place<TComboBox>(Rect(10, 10, 200, 35));
  for (const char* item : {"один", "два", "три"}) combo->Items()->Add(A(item));
  int changes = 0;
  combo->OnChange = [&changes](TObject*) { ++changes; };
  combo->SetFocus();
  f.ui.Process();
  f.ui.Press(VK_DOWN, {ssAlt});
  EXPECT_TRUE(combo->DroppedDown());
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_DOWN);
  EXPECT_EQ(combo->Text(), "");
  f.ui.Press(VK_RETURN);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), A("два"));
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(changes, 1);
  f.ui.Press(VK_F4);
  EXPECT_TRUE(combo->DroppedDown());
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_ESCAPE);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), A("два"));
  EXPECT_EQ(changes, 1);
  // Closed, the arrows choose at once; a click on an item of the open list chooses it.
  f.ui.Press(VK_UP);
  EXPECT_EQ(combo->Text(), A("один"));
  EXPECT_EQ(changes, 2);
  f.ui.Click(combo, {combo->ClientWidth() - 3, 5});
  ASSERT_TRUE(combo->DroppedDown());
  TWinControl* list =
      FindControl(WindowFromPoint(test::UiDriver::ScreenPoint(combo, {5, combo->Height() + 5})));
  ASSERT_NE(list, nullptr);
  f.ui.Click(list, {5, 2 * static_cast<int>(list->Perform(LB_GETITEMHEIGHT, 0, 0)) + 1});
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), A("три"));
  EXPECT_TRUE(combo->Edit()->Focused());
}

TEST(ComboBox, TheListOpensAboveAComboBoxAtTheBottomOfTheWorkArea) {
  TextControlFixture f;
  MONITORINFO monitor;
  GetMonitorInfo(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), monitor);
  f.form->SetBounds(100, monitor.rcWork.bottom - 60, 300, 60);
  auto* combo = f.Place<TComboBox>(Rect(10, 20, 200, 45));
  for (int i = 0; i < 20; ++i) combo->Items()->Add("item " + std::to_string(i));
  combo->SetDroppedDown(true);
  f.ui.Process();
  TRect host;
  GetWindowRect(combo->Handle(), host);
  HWND listWnd = WindowFromPoint({host.left + 5, host.top - 5});
  ASSERT_NE(listWnd, combo->Handle());
  TRect list;
  GetWindowRect(listWnd, list);
  EXPECT_EQ(list.bottom, host.top);
  EXPECT_EQ(list.left, host.left);
  EXPECT_EQ(list.Width(), host.Width());
  EXPECT_GE(list.top, monitor.rcWork.top);
}

TEST(ComboBox, TypedTextThatIsNoItemIsKeptAsTheText) {
  TextControlFixture f;
  auto* combo = f.Place<TComboBox>(Rect(10, 10, 200, 35));
  for (const char* item : {"один", "два"}) combo->Items()->Add(A(item));
  combo->SetItemIndex(0);
  combo->SetFocus();
  f.ui.Process();
  f.ui.Type("чотири");
  EXPECT_EQ(combo->Text(), A("чотири"));
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->Edit()->SelectAll();
  f.ui.Type("ДВА");
  EXPECT_EQ(combo->Text(), A("ДВА"));
  EXPECT_EQ(combo->ItemIndex(), 1);
  combo->SetText(A("п'ять"));
  EXPECT_EQ(combo->Edit()->Text(), A("п'ять"));
  EXPECT_EQ(combo->ItemIndex(), -1);
  // A focused combo box with its list open may go at any time.
  combo->SetDroppedDown(true);
  ASSERT_TRUE(combo->DroppedDown());
  delete combo;
  f.ui.Process();
}

}  // namespace
}  // namespace ordvane
