// A form with custom controls used end to end without a display: an edit that takes
// typed text, a list that scrolls with keys, wheel and scroll bar and repaints only what
// scrolling uncovers, and the focus moving between them.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "classlib/ui/ScrollBars.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

constexpr int kRowHeight = 16;

// A control that collects the characters typed into it.
class TLineEdit : public TCustomControl {
 public:
  explicit TLineEdit(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetColor(clWindow);
  }
  AnsiString text;

  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DLGC_WANTCHARS | DLGC_WANTARROWS;
      return;
    }
    TCustomControl::Dispatch(m);
  }

 protected:
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.ExStyle |= WS_EX_CLIENTEDGE;
  }
  void KeyPress(char& key) override {
    TCustomControl::KeyPress(key);
    if (key == '\b' && !text.empty()) {
      text.pop_back();
    } else if (static_cast<Byte>(key) >= 32) {
      text += key;
    }
    Invalidate();
  }
  void Paint() override {
    Canvas()->Brush()->SetColor(clWindow);
    Canvas()->FillRect(ClientRect());
    Canvas()->TextOut(2, 2, text);
  }
};

// A list of rows that scrolls by whole rows, moving its pixels and painting only the
// rows that scrolling uncovers.
class TRowList : public TCustomControl {
 public:
  explicit TRowList(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetColor(clWindow);
  }
  int rowCount = 100;
  int top = 0;
  int selected = 0;
  int paintedRows = 0;

  int VisibleRows() const { return ClientHeight() / kRowHeight; }
  int MaxTop() const { return std::max(0, rowCount - VisibleRows()); }

  void SetTop(int value) {
    value = std::clamp(value, 0, MaxTop());
    if (value == top) return;
    ScrollWindowEx(WindowHandle(), 0, (top - value) * kRowHeight, nullptr, nullptr, nullptr, nullptr,
                   SW_INVALIDATE);
    top = value;
    SetScrollPos(WindowHandle(), SB_VERT, top, true);
  }

  void Select(int row) {
    row = std::clamp(row, 0, rowCount - 1);
    InvalidateRow(selected);
    selected = row;
    InvalidateRow(selected);
    if (selected < top) SetTop(selected);
    if (selected >= top + VisibleRows()) SetTop(selected - VisibleRows() + 1);
  }

  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case WM_GETDLGCODE:
        m.Result = DLGC_WANTARROWS;
        return;
      case WM_SIZE:
        TCustomControl::Dispatch(m);
        UpdateScrollRange();
        return;
      case WM_VSCROLL:
        Scroll(LOWORD(m.WParam), static_cast<SmallInt>(HIWORD(m.WParam)));
        return;
      default:
        TCustomControl::Dispatch(m);
    }
  }

 protected:
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.Style |= WS_VSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
    params.WindowClassStyle = CS_DBLCLKS;
  }
  void KeyDown(Word& key, TShiftState shift) override {
    TCustomControl::KeyDown(key, shift);
    if (key == VK_DOWN) Select(selected + 1);
    if (key == VK_UP) Select(selected - 1);
    if (key == VK_NEXT) Select(selected + VisibleRows());
  }
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
    SetFocus();
    Select(top + y / kRowHeight);
    TCustomControl::MouseDown(button, shift, x, y);
  }
  bool DoMouseWheelDown(TShiftState, TPoint) override {
    SetTop(top + 3);
    return true;
  }
  bool DoMouseWheelUp(TShiftState, TPoint) override {
    SetTop(top - 3);
    return true;
  }
  void Paint() override {
    const TRect clip = Canvas()->ClipRect();
    for (int row = top + clip.top / kRowHeight; row < rowCount && (row - top) * kRowHeight < clip.bottom;
         ++row) {
      const TRect r = Rect(0, (row - top) * kRowHeight, ClientWidth(), (row - top + 1) * kRowHeight);
      Canvas()->Brush()->SetColor(row == selected ? clHighlight : (row % 2 ? clWindow : clBtnFace));
      Canvas()->FillRect(r);
      // A mark whose place tells the row, so that a row drawn in the wrong place shows.
      Canvas()->Brush()->SetColor(clBlack);
      Canvas()->FillRect(Rect(row % 40, r.top + 4, row % 40 + 3, r.top + 8));
      ++paintedRows;
    }
  }

 private:
  void InvalidateRow(int row) {
    const TRect r = Rect(0, (row - top) * kRowHeight, ClientWidth(), (row - top + 1) * kRowHeight);
    InvalidateRect(WindowHandle(), &r, false);
  }
  void UpdateScrollRange() {
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = rowCount - 1;
    info.nPage = static_cast<UINT>(VisibleRows());
    info.nPos = top;
    SetScrollInfo(WindowHandle(), SB_VERT, info, true);
  }
  void Scroll(int code, int pos) {
    switch (code) {
      case SB_LINEDOWN:
        SetTop(top + 1);
        break;
      case SB_LINEUP:
        SetTop(top - 1);
        break;
      case SB_PAGEDOWN:
        SetTop(top + VisibleRows());
        break;
      case SB_PAGEUP:
        SetTop(top - VisibleRows());
        break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION:
        SetTop(pos);
        break;
      default:
        break;
    }
  }
};

TEST(CustomForm, TakesFocusKeysMouseScrollsAndPaintsWithoutADisplay) {
  test::UiDriver ui;
  std::unique_ptr<TForm> form(test::NewForm(Rect(50, 50, 450, 400)));
  auto* edit = new TLineEdit(form.get());
  edit->SetBounds(10, 10, 200, 24);
  edit->SetParent(form.get());
  auto* list = new TRowList(form.get());
  list->SetBounds(10, 50, 220, 4 + 10 * kRowHeight);  // ten rows inside the client edge
  list->SetParent(form.get());
  form->Show();
  ui.Process();

  // The first control has the focus and takes typed text, backspace included.
  EXPECT_TRUE(edit->Focused());
  ui.Type("Row 7x");
  ui.Press(VK_BACK);
  EXPECT_EQ(edit->text, "Row 7");

  // Tab moves to the list; the arrows stay with it.
  ui.Press(VK_TAB);
  ASSERT_TRUE(list->Focused());
  EXPECT_EQ(list->VisibleRows(), 10);
  EXPECT_EQ(GetScrollPos(list->WindowHandle(), SB_VERT), 0);
  ui.Press(VK_DOWN);
  ui.Press(VK_DOWN);
  EXPECT_EQ(list->selected, 2);
  EXPECT_EQ(ui.Pixel(list, {100, 2 * kRowHeight + 1}), ColorToRGB(clHighlight));

  // Moving past the last visible row scrolls the pixels by one row and paints one row.
  ui.Press(VK_NEXT);  // row 12: two rows below the window
  const int painted = list->paintedRows;
  ui.Press(VK_DOWN);
  EXPECT_EQ(list->top, 4);
  EXPECT_EQ(list->paintedRows - painted, 2);  // the row left and the row entered
  EXPECT_EQ(ui.Pixel(list, {100, 9 * kRowHeight + 1}), ColorToRGB(clHighlight));

  // A click selects the row under the pointer; the wheel and the scroll bar scroll.
  ui.Click(list, {100, 3 * kRowHeight + 5});
  EXPECT_EQ(list->selected, 7);
  ui.Wheel(-1);
  EXPECT_EQ(list->top, 7);
  TScrollBarLayout bar = ScrollBarLayout(list->WindowHandle(), SB_VERT);
  TRect window;
  GetWindowRect(list->WindowHandle(), window);
  const TPoint thumb{window.left + (bar.thumb.left + bar.thumb.right) / 2, window.top + bar.thumb.top + 2};
  ui.PressAtScreen(thumb);
  ui.MoveToScreen({thumb.x, thumb.y + 500});
  ui.ReleaseAtScreen({thumb.x, thumb.y + 500});
  EXPECT_EQ(list->top, 90);
  ui.ClickAtScreen({window.left + bar.lineUp.left + 8, window.top + bar.lineUp.top + 8});
  EXPECT_EQ(list->top, 89);
  EXPECT_EQ(GetScrollPos(list->WindowHandle(), SB_VERT), 89);

  // What scrolling and partial painting left on the screen equals a full repaint.
  const TRaster incremental = ui.Screen();
  list->Invalidate();
  ui.Process();
  EXPECT_TRUE(ui.Screen() == incremental);
  EXPECT_EQ(ui.Pixel(list, {100, 0}), ColorToRGB(89 % 2 ? clWindow : clBtnFace));
}

}  // namespace
}  // namespace ordvane
