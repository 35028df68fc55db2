#include "classlib/ui/StdCtrls.h"

#include <algorithm>
#include <cstring>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/EditWindow.h"
#include "classlib/ui/ScrollBars.h"

namespace ordvane {

namespace {

LPARAM TextParam(const AnsiString& text) {
  return reinterpret_cast<LPARAM>(text.c_str());
}

[[noreturn]] void RaiseIndexError(int index) {
  throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner)
    : TWinControl(owner), fEdit(std::make_unique<TEditWindow>(*this, [this] { TextChanged(); })) {
  fControlStyle = {csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight};
  SetBounds(Left(), Top(), 121, 21);
  SetTabStop(true);
  SetColor(clWindow);
  fEdit->SetStyle(EditStyle());
}

TCustomEdit::~TCustomEdit() = default;

UINT TCustomEdit::EditStyle() const {
  UINT style = ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (fCharCase == ecUpperCase) style |= ES_UPPERCASE;
  if (fCharCase == ecLowerCase) style |= ES_LOWERCASE;
  if (fReadOnly) style |= ES_READONLY;
  if (fPasswordChar) style |= ES_PASSWORD;
  return style;
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Style |= EditStyle();
  if (fBorderStyle == bsSingle) {
    if (Ctl3D())
      params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      params.Style |= WS_BORDER;
  }
}

void TCustomEdit::CreateWnd() {
  TWinControl::CreateWnd();
  AdjustHeight();
}

void TCustomEdit::PaintWindow(HDC dc) {
  TMessage paint{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(paint);
}

void TCustomEdit::UpdateEditStyle() {
  const UINT style = EditStyle();
  if (HWND wnd = WindowHandle()) {
    const UINT kept = ES_UPPERCASE | ES_LOWERCASE | ES_READONLY | ES_PASSWORD | ES_AUTOHSCROLL;
    const auto current = static_cast<UINT>(GetWindowLong(wnd, GWL_STYLE));
    SetWindowLong(wnd, GWL_STYLE, static_cast<LONG_PTR>((current & ~kept) | (style & kept)));
  }
  fEdit->SetStyle(style);
}

void TCustomEdit::AdjustHeight() {
  if (!fAutoSize || fBorderStyle != bsSingle) return;
  SetHeight(FontTextMetrics(*Font()).tmHeight + (Ctl3D() ? 8 : 6));
}

void TCustomEdit::TextChanged() {
  StoreText(fEdit->Text());
  if (HWND wnd = WindowHandle()) SetWindowText(wnd, fEdit->Text());
}

void TCustomEdit::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND:
      if (HIWORD(message.WParam) == EN_CHANGE) Change();
      return;
    case CM_ENTER:
      if (fAutoSelect && !(EditStyle() & ES_MULTILINE) && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
      break;
    case CM_FONTCHANGED: {
      TDestroyWatch watch(this);
      TWinControl::Dispatch(message);
      if (watch.Gone()) return;
      fEdit->LayoutChanged();
      AdjustHeight();
      return;
    }
    case CM_CTL3DCHANGED:
      if (fBorderStyle == bsSingle) RecreateWnd();
      break;
    default:
      break;
  }
  TWinControl::Dispatch(message);
}

void TCustomEdit::DefaultHandler(TMessage& message) {
  if (!fEdit->WndProc(message)) TWinControl::DefaultHandler(message);
}

void TCustomEdit::SetCaption(const AnsiString& value) {
  TDestroyWatch watch(this);
  Perform(WM_SETTEXT, 0, TextParam(value));
  if (!watch.Gone()) Perform(CM_TEXTCHANGED, 0, 0);
}

void TCustomEdit::Change() {
  FireEvent(OnChange, this);
}

void TCustomEdit::SetAutoSize(bool value) {
  fAutoSize = value;
  AdjustHeight();
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
  if (fBorderStyle == value) return;
  fBorderStyle = value;
  RecreateWnd();
  AdjustHeight();
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
  if (fCharCase == value) return;
  fCharCase = value;
  UpdateEditStyle();
  if (value == ecUpperCase) SetText(AnsiUpperCase(Text()));
  if (value == ecLowerCase) SetText(AnsiLowerCase(Text()));
}

void TCustomEdit::SetMaxLength(int value) {
  fMaxLength = std::max(0, value);
  Perform(EM_LIMITTEXT, static_cast<WPARAM>(fMaxLength), 0);
}

bool TCustomEdit::Modified() {
  return Perform(EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SetModified(bool value) {
  Perform(EM_SETMODIFY, value, 0);
}

void TCustomEdit::SetPasswordChar(char value) {
  fPasswordChar = value;
  Perform(EM_SETPASSWORDCHAR, static_cast<Byte>(value), 0);
}

void TCustomEdit::SetReadOnly(bool value) {
  fReadOnly = value;
  Perform(EM_SETREADONLY, value, 0);
}

int TCustomEdit::SelStart() {
  Cardinal start = 0;
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int value) {
  Perform(EM_SETSEL, static_cast<WPARAM>(value), value);
}

int TCustomEdit::SelLength() {
  Cardinal start = 0;
  Cardinal end = 0;
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int value) {
  const int start = SelStart();
  Perform(EM_SETSEL, static_cast<WPARAM>(start), start + value);
}

AnsiString TCustomEdit::SelText() {
  const int start = SelStart();
  return Text().substr(static_cast<std::size_t>(start), static_cast<std::size_t>(SelLength()));
}

void TCustomEdit::SetSelText(const AnsiString& value) {
  Perform(EM_REPLACESEL, 0, TextParam(value));
}

void TCustomEdit::SelectAll() {
  Perform(EM_SETSEL, 0, -1);
}

void TCustomEdit::ClearSelection() {
  Perform(WM_CLEAR, 0, 0);
}

void TCustomEdit::CopyToClipboard() {
  Perform(WM_COPY, 0, 0);
}

void TCustomEdit::CutToClipboard() {
  Perform(WM_CUT, 0, 0);
}

void TCustomEdit::PasteFromClipboard() {
  Perform(WM_PASTE, 0, 0);
}

void TCustomEdit::Undo() {
  Perform(WM_UNDO, 0, 0);
}

bool TCustomEdit::CanUndo() {
  return Perform(EM_CANUNDO, 0, 0) != 0;
}

// TCustomMemo

namespace {

// The memo's lines through its edit messages, so a class above sees each change.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TCustomMemo& memo) : fMemo(memo) {}

  void Insert(int index, const AnsiString& text) override {
    if (index < 0 || index > GetCount()) RaiseIndexError(index);
    LRESULT start = LineIndex(index);
    AnsiString line = text + "\r\n";
    if (start < 0) {
      // After a last line without a line break.
      start = LineIndex(index - 1);
      start += fMemo.Perform(EM_LINELENGTH, static_cast<WPARAM>(start), 0);
      line = "\r\n" + text;
    }
    fMemo.Perform(EM_SETSEL, static_cast<WPARAM>(start), start);
    fMemo.Perform(EM_REPLACESEL, 0, TextParam(line));
  }

  void Delete(int index) override {
    if (index < 0 || index >= GetCount()) RaiseIndexError(index);
    const LRESULT start = LineIndex(index);
    LRESULT end = LineIndex(index + 1);
    if (end < 0) end = start + fMemo.Perform(EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    fMemo.Perform(EM_SETSEL, static_cast<WPARAM>(start), end);
    fMemo.Perform(EM_REPLACESEL, 0, TextParam({}));
  }

  void Clear() override { fMemo.Clear(); }
  void SetText(const AnsiString& text) override { fMemo.SetText(text); }

 protected:
  AnsiString Get(int index) const override {
    if (index < 0 || index >= GetCount()) RaiseIndexError(index);
    const LRESULT start = LineIndex(index);
    const LRESULT length = fMemo.Perform(EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    return fMemo.Text().substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
  }

  // The empty line after a final line break is not counted.
  int GetCount() const override {
    auto count = static_cast<int>(fMemo.Perform(EM_GETLINECOUNT, 0, 0));
    if (fMemo.Perform(EM_LINELENGTH, static_cast<WPARAM>(LineIndex(count - 1)), 0) == 0) --count;
    return count;
  }

 private:
  LRESULT LineIndex(int line) const { return fMemo.Perform(EM_LINEINDEX, static_cast<WPARAM>(line), 0); }

  TCustomMemo& fMemo;
};

}  // namespace

TCustomMemo::TCustomMemo(TComponent* owner)
    : TCustomEdit(owner), fLines(std::make_unique<TMemoStrings>(*this)) {
  SetBounds(Left(), Top(), 185, 89);
  SetAutoSize(false);
  UpdateEditStyle();
}

TCustomMemo::~TCustomMemo() = default;

UINT TCustomMemo::EditStyle() const {
  UINT style = (TCustomEdit::EditStyle() & ~ES_AUTOHSCROLL) | ES_MULTILINE;
  if (!fWordWrap) style |= ES_AUTOHSCROLL;
  return style;
}

void TCustomMemo::SetWordWrap(bool value) {
  if (fWordWrap == value) return;
  fWordWrap = value;
  UpdateEditStyle();
}

void TCustomMemo::Dispatch(TMessage& message) {
  TCustomEdit::Dispatch(message);
  if (message.Msg != WM_GETDLGCODE) return;
  if (fWantReturns) message.Result |= DLGC_WANTALLKEYS;
  if (fWantTabs) message.Result |= DLGC_WANTTAB;
}

void TCustomMemo::KeyPress(char& key) {
  TCustomEdit::KeyPress(key);
  if ((key == '\r' && !fWantReturns) || (key == '\t' && !fWantTabs)) key = 0;
}

// TCustomListBox

class TListBoxStrings : public TStrings {
 public:
  explicit TListBoxStrings(TCustomListBox& box) : fBox(box) {}

  int Add(const AnsiString& text) override {
    CheckStored();
    return fBox.InsertItem(fBox.fSorted ? fBox.SortedPlace(text) : Count(), text);
  }
  void Insert(int index, const AnsiString& text) override {
    CheckStored();
    if (index < 0 || index > Count()) RaiseIndexError(index);
    fBox.InsertItem(index, text);
  }
  void Delete(int index) override {
    Check(index);
    fBox.DeleteItem(index);
  }
  void Clear() override { fBox.ResetContent(); }

 protected:
  AnsiString Get(int index) const override {
    Check(index);
    return fBox.ItemText(index);
  }
  int GetCount() const override { return fBox.Count(); }
  TObject* GetObject(int index) const override {
    Check(index);
    return fBox.fStyle == lbStandard || fBox.fStyle == lbOwnerDrawFixed
               ? reinterpret_cast<TObject*>(fBox.fItems[static_cast<std::size_t>(index)].data)
               : nullptr;
  }
  void PutObject(int index, TObject* object) override {
    Check(index);
    if (static_cast<std::size_t>(index) < fBox.fItems.size())
      fBox.fItems[static_cast<std::size_t>(index)].data = reinterpret_cast<LPARAM>(object);
  }

 private:
  void Check(int index) const {
    if (index < 0 || index >= fBox.Count()) RaiseIndexError(index);
  }
  // A virtual list box's texts come from OnData: an added line would be lost.
  void CheckStored() const {
    if (fBox.fStyle == lbVirtual || fBox.fStyle == lbVirtualOwnerDraw)
      throw EStringListError("A virtual list box takes its items from OnData");
  }

  TCustomListBox& fBox;
};

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner),
      fItemStrings(std::make_unique<TListBoxStrings>(*this)),
      fCanvas(std::make_unique<TControlCanvas>(this)) {
  fControlStyle = {csSetCaption, csDoubleClicks};
  SetBounds(Left(), Top(), 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() {
  fCanvas->FreeHandle();
}

void TCustomListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT;
  if (fSorted) params.Style |= LBS_SORT;
  if (fStyle != lbStandard) params.Style |= LBS_OWNERDRAWFIXED;
  if (fStyle == lbVirtual || fStyle == lbVirtualOwnerDraw) params.Style |= LBS_NODATA;
  if (Ctl3D())
    params.ExStyle |= WS_EX_CLIENTEDGE;
  else
    params.Style |= WS_BORDER;
}

void TCustomListBox::DestroyWnd() {
  fCanvas->FreeHandle();
  TWinControl::DestroyWnd();
}

void TCustomListBox::PaintWindow(HDC dc) {
  PaintItems(dc);
}

int TCustomListBox::Count() const {
  return fStyle == lbVirtual || fStyle == lbVirtualOwnerDraw ? fVirtualCount
                                                             : static_cast<int>(fItems.size());
}

void TCustomListBox::SetCount(int value) {
  Perform(LB_SETCOUNT, static_cast<WPARAM>(std::max(0, value)), 0);
}

AnsiString TCustomListBox::ItemText(int index) {
  if (fStyle == lbVirtual || fStyle == lbVirtualOwnerDraw) {
    AnsiString data;
    FireEvent(OnData, this, index, data);
    return data;
  }
  return fItems[static_cast<std::size_t>(index)].text;
}

int TCustomListBox::ItemIndex() {
  return static_cast<int>(Perform(LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int value) {
  Perform(LB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

int TCustomListBox::TopIndex() {
  return static_cast<int>(Perform(LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int value) {
  Perform(LB_SETTOPINDEX, static_cast<WPARAM>(std::max(0, value)), 0);
}

int TCustomListBox::ItemHeight() const {
  return fItemHeight > 0 ? fItemHeight : std::max(1, FontTextMetrics(*Font()).tmHeight);
}

void TCustomListBox::SetItemHeight(int value) {
  Perform(LB_SETITEMHEIGHT, 0, value);
}

void TCustomListBox::SetSorted(bool value) {
  if (fSorted == value) return;
  fSorted = value;
  if (value)
    std::stable_sort(fItems.begin(), fItems.end(),
                     [](const TItem& a, const TItem& b) { return AnsiCompareText(a.text, b.text) < 0; });
  RecreateWnd();
  ItemsChanged();
}

void TCustomListBox::SetStyle(TListBoxStyle value) {
  if (fStyle == value) return;
  fStyle = value;
  RecreateWnd();
  ItemsChanged();
}

int TCustomListBox::ItemAtPos(TPoint pos, bool existing) {
  const int count = Count();
  if (PtInRect(ClientRect(), pos)) {
    const int index = fTopIndex + pos.y / ItemHeight();
    if (index < count) return index;
  }
  return existing ? -1 : count;
}

TRect TCustomListBox::ItemRect(int index) {
  TRect rect;
  Perform(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
  return rect;
}

int TCustomListBox::VisibleRows() const {
  return std::max(1, ClientHeight() / ItemHeight());
}

int TCustomListBox::SortedPlace(const AnsiString& text) const {
  auto it = std::upper_bound(fItems.begin(), fItems.end(), text, [](const AnsiString& t, const TItem& item) {
    return AnsiCompareText(t, item.text) < 0;
  });
  return static_cast<int>(it - fItems.begin());
}

int TCustomListBox::InsertItem(int index, const AnsiString& text) {
  if (Count() != static_cast<int>(fItems.size())) return static_cast<int>(LB_ERR);  // a virtual list
  index = std::clamp(index, 0, static_cast<int>(fItems.size()));
  fItems.insert(fItems.begin() + index, TItem{text, 0});
  if (fItemIndex >= index) ++fItemIndex;
  ItemsChanged();
  return index;
}

void TCustomListBox::DeleteItem(int index) {
  fItems.erase(fItems.begin() + index);
  if (fItemIndex == index)
    fItemIndex = -1;
  else if (fItemIndex > index)
    --fItemIndex;
  ItemsChanged();
}

void TCustomListBox::ResetContent() {
  fItems.clear();
  fItemIndex = -1;
  fTopIndex = 0;
  ItemsChanged();
}

void TCustomListBox::ItemsChanged() {
  fTopIndex = std::clamp(fTopIndex, 0, std::max(0, Count() - VisibleRows()));
  if (fItemIndex >= Count()) fItemIndex = -1;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::UpdateScrollBar() {
  HWND wnd = WindowHandle();
  // A class that shows a bar of its own makes the window without WS_VSCROLL.
  if (!wnd || !fScrollBar) return;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = std::max(0, Count() - 1);
  info.nPage = static_cast<UINT>(VisibleRows());
  info.nPos = fTopIndex;
  SetScrollInfo(wnd, SB_VERT, info, true);
}

void TCustomListBox::ScrollTo(int top) {
  top = std::clamp(top, 0, std::max(0, Count() - VisibleRows()));
  if (top == fTopIndex) return;
  fTopIndex = top;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::MakeVisible(int index) {
  if (index < 0) return;
  if (index < fTopIndex)
    ScrollTo(index);
  else if (index >= fTopIndex + VisibleRows())
    ScrollTo(index - VisibleRows() + 1);
}

void TCustomListBox::SelectIndex(int index, bool notify) {
  if (index < -1 || index >= Count()) index = -1;
  if (index == fItemIndex) return;
  if (HWND wnd = WindowHandle()) {
    for (int changed : {fItemIndex, index}) {
      if (changed < 0) continue;
      const TRect rect = ItemRect(changed);
      InvalidateRect(wnd, &rect, true);
    }
  }
  fItemIndex = index;
  MakeVisible(index);
  if (notify) Notify(LBN_SELCHANGE);
}

void TCustomListBox::Notify(UINT code) {
  NotifyParent(*this, code);
}

int TCustomListBox::FindPrefix(int start, const AnsiString& prefix, bool exact) {
  const int count = Count();
  if (count == 0) return static_cast<int>(LB_ERR);
  // -1 (also as a 16-bit number) searches from the top; otherwise after `start`, wrapping.
  const int first = (start < 0 || start == 0xFFFF || start >= count) ? 0 : start + 1;
  const AnsiString wanted = AnsiUpperCase(prefix);
  for (int step = 0; step < count; ++step) {
    const int index = (first + step) % count;
    const AnsiString item = AnsiUpperCase(ItemText(index));
    if (exact ? item == wanted : item.compare(0, wanted.size(), wanted) == 0) return index;
  }
  return static_cast<int>(LB_ERR);
}

void TCustomListBox::TrackPoint(TPoint point) {
  int index = 0;
  if (point.y < 0)
    index = fTopIndex - 1;
  else if (point.y >= ClientHeight())
    index = fTopIndex + VisibleRows();
  else
    index = fTopIndex + point.y / ItemHeight();
  index = std::clamp(index, 0, Count() - 1);
  if (Count() > 0) SelectIndex(index, true);
}

bool TCustomListBox::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  if (!TWinControl::DoMouseWheelDown(shift, mousePos)) ScrollTo(fTopIndex + Mouse->WheelScrollLines());
  return true;
}

bool TCustomListBox::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  if (!TWinControl::DoMouseWheelUp(shift, mousePos)) ScrollTo(fTopIndex - Mouse->WheelScrollLines());
  return true;
}

void TCustomListBox::PaintItems(HDC dc) {
  HWND wnd = WindowHandle();
  const TRect client = ClientRect();
  const int height = ItemHeight();
  TDestroyWatch watch(this);
  for (int index = fTopIndex; index < Count(); ++index) {
    DRAWITEMSTRUCT item;
    item.CtlType = ODT_LISTBOX;
    item.itemID = index;
    item.itemAction = ODA_DRAWENTIRE;
    if (index == fItemIndex) item.itemState |= ODS_SELECTED | (fFocused ? ODS_FOCUS : 0);
    if (!Enabled()) item.itemState |= ODS_DISABLED;
    item.hwndItem = wnd;
    item.hDC = dc;
    item.rcItem =
        Rect(client.left, (index - fTopIndex) * height, client.right, (index - fTopIndex + 1) * height);
    if (item.rcItem.top >= client.bottom) break;
    if (!dc->RectVisible(item.rcItem)) continue;
    if (static_cast<std::size_t>(index) < fItems.size())
      item.itemData = fItems[static_cast<std::size_t>(index)].data;
    Perform(CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
    if (watch.Gone()) return;
  }
}

void TCustomListBox::CNDrawItem(TMessage& message) {
  const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
  TOwnerDrawState state;
  if (item.itemState & ODS_SELECTED) state.Include(odSelected);
  if (item.itemState & ODS_DISABLED) state.Include(odDisabled);
  if (item.itemState & ODS_FOCUS) state.Include(odFocused);
  fCanvas->BeginPainting(item.hDC);
  struct TEnd {
    TControlCanvas& canvas;
    ~TEnd() { canvas.EndPainting(); }
  } end{*fCanvas};
  fCanvas->SetFont(*Font());
  fCanvas->Brush()->SetColor(Color());
  // The selection shows in the highlight colours while the list box has the focus.
  if (state.Contains(odSelected)) {
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    fCanvas->Brush()->SetColor(focused ? clHighlight : clBtnFace);
    if (focused) fCanvas->Font()->SetColor(clHighlightText);
  }
  if (state.Contains(odDisabled)) fCanvas->Font()->SetColor(clGrayText);
  DrawItem(item.itemID, item.rcItem, state);
  if (state.Contains(odFocused)) fCanvas->DrawFocusRect(item.rcItem);
  message.Result = 1;
}

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if ((fStyle == lbOwnerDrawFixed || fStyle == lbVirtualOwnerDraw) && OnDrawItem) {
    FireEvent(OnDrawItem, this, index, rect, state);
    return;
  }
  fCanvas->FillRect(rect);
  fCanvas->TextRect(rect, rect.left + 2, rect.top, ItemText(index));
}

void TCustomListBox::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND:
      if (HIWORD(message.WParam) == LBN_SELCHANGE) Click();
      if (HIWORD(message.WParam) == LBN_DBLCLK) DblClick();
      return;
    case CN_DRAWITEM:
      CNDrawItem(message);
      return;
    case CM_FONTCHANGED: {
      TDestroyWatch watch(this);
      TWinControl::Dispatch(message);
      if (!watch.Gone()) ItemsChanged();
      return;
    }
    default:
      TWinControl::Dispatch(message);
  }
}

void TCustomListBox::DefaultHandler(TMessage& message) {
  if (!ListWndProc(message)) TWinControl::DefaultHandler(message);
}

bool TCustomListBox::ListWndProc(TMessage& message) {
  const WPARAM w = message.WParam;
  const LPARAM l = message.LParam;
  LRESULT& result = message.Result;
  const auto index = static_cast<int>(w);
  const bool valid = index >= 0 && index < Count();
  const bool stored = valid && static_cast<std::size_t>(index) < fItems.size();
  switch (message.Msg) {
    case WM_PAINT: {
      if (w) {
        PaintItems(reinterpret_cast<HDC>(w));
        return true;
      }
      PAINTSTRUCT ps;
      if (HDC dc = BeginPaint(WindowHandle(), ps)) {
        HWND wnd = WindowHandle();
        PaintItems(dc);
        EndPaint(wnd, ps);
      }
      return true;
    }
    case WM_CREATE:
      fScrollBar = (GetWindowLong(WindowHandle(), GWL_STYLE) & WS_VSCROLL) != 0;
      return false;
    case WM_SIZE:
      ItemsChanged();
      return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      fFocused = message.Msg == WM_SETFOCUS;
      if (fItemIndex >= 0 && WindowHandle()) {
        const TRect rect = ItemRect(fItemIndex);
        InvalidateRect(WindowHandle(), &rect, true);
      }
      return true;
    case WM_GETDLGCODE:
      result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return true;
    case WM_KEYDOWN: {
      const int rows = VisibleRows();
      int target = fItemIndex;
      switch (w) {
        case VK_UP:
          target = std::max(0, fItemIndex - 1);
          break;
        case VK_DOWN:
          target = fItemIndex + 1;
          break;
        case VK_PRIOR:
          target = std::max(0, fItemIndex - (rows - 1));
          break;
        case VK_NEXT:
          target = fItemIndex + rows - 1;
          break;
        case VK_HOME:
          target = 0;
          break;
        case VK_END:
          target = Count() - 1;
          break;
        default:
          return true;
      }
      if (Count() > 0) SelectIndex(std::clamp(target, 0, Count() - 1), true);
      return true;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      HWND wnd = WindowHandle();
      TDestroyWatch watch(this);
      // A drop-down list (a top-level window) leaves the focus where it is.
      if ((GetWindowLong(wnd, GWL_STYLE) & WS_CHILD) && GetFocus() != wnd) ordvane::SetFocus(wnd);
      if (watch.Gone()) return true;
      const int hit = ItemAtPos(PointFromLParam(l), true);
      if (hit >= 0) SelectIndex(hit, true);
      if (watch.Gone()) return true;
      if (message.Msg == WM_LBUTTONDBLCLK) {
        Notify(LBN_DBLCLK);
        return true;
      }
      fTracking = true;
      SetCapture(wnd);
      return true;
    }
    case WM_MOUSEMOVE:
      if (fTracking) TrackPoint(PointFromLParam(l));
      return true;
    case WM_LBUTTONUP:
      if (fTracking) {
        fTracking = false;
        if (GetCapture() == WindowHandle()) ReleaseCapture();
      }
      return true;
    case WM_CAPTURECHANGED:
      fTracking = false;
      return false;
    case WM_VSCROLL: {
      const int rows = VisibleRows();
      switch (LOWORD(w)) {
        case SB_LINEUP:
          ScrollTo(fTopIndex - 1);
          break;
        case SB_LINEDOWN:
          ScrollTo(fTopIndex + 1);
          break;
        case SB_PAGEUP:
          ScrollTo(fTopIndex - rows);
          break;
        case SB_PAGEDOWN:
          ScrollTo(fTopIndex + rows);
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
          SCROLLINFO info;
          info.fMask = SIF_TRACKPOS;
          GetScrollInfo(WindowHandle(), SB_VERT, info);
          ScrollTo(info.nTrackPos);
          break;
        }
        case SB_TOP:
          ScrollTo(0);
          break;
        case SB_BOTTOM:
          ScrollTo(Count());
          break;
        default:
          break;
      }
      return true;
    }
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
      const AnsiString text = l ? reinterpret_cast<const char*>(l) : "";
      int place = static_cast<int>(fItems.size());
      if (message.Msg == LB_ADDSTRING && fSorted) place = SortedPlace(text);
      if (message.Msg == LB_INSERTSTRING && index >= 0) {
        if (index > static_cast<int>(fItems.size())) {
          result = LB_ERR;
          return true;
        }
        place = index;
      }
      result = InsertItem(place, text);
      return true;
    }
    case LB_DELETESTRING:
      if (!stored) {
        result = LB_ERR;
        return true;
      }
      DeleteItem(index);
      result = Count();
      return true;
    case LB_RESETCONTENT:
      ResetContent();
      return true;
    case LB_SETCOUNT:
      if (fStyle != lbVirtual && fStyle != lbVirtualOwnerDraw) {
        result = LB_ERR;
        return true;
      }
      fVirtualCount = static_cast<int>(std::min<WPARAM>(w, 0x7FFFFFFF));
      ItemsChanged();
      return true;
    case LB_GETCOUNT:
      result = Count();
      return true;
    case LB_SETCURSEL:
      SelectIndex(valid ? index : -1, false);
      result = valid ? index : LB_ERR;
      return true;
    case LB_GETCURSEL:
    case LB_GETCARETINDEX:
      result = fItemIndex;
      return true;
    case LB_SETCARETINDEX:
      if (valid) SelectIndex(index, false);
      result = valid ? 0 : LB_ERR;
      return true;
    case LB_GETSEL:
      result = valid ? (index == fItemIndex) : LB_ERR;
      return true;
    case LB_GETTEXT: {
      if (!valid || !l) {
        result = LB_ERR;
        return true;
      }
      const AnsiString text = ItemText(index);
      std::memcpy(reinterpret_cast<char*>(l), text.c_str(), text.size() + 1);
      result = static_cast<LRESULT>(text.size());
      return true;
    }
    case LB_GETTEXTLEN:
      result = valid ? static_cast<LRESULT>(ItemText(index).size()) : LB_ERR;
      return true;
    case LB_GETITEMDATA:
      result = stored ? fItems[static_cast<std::size_t>(index)].data : (valid ? 0 : LB_ERR);
      return true;
    case LB_SETITEMDATA:
      if (stored) fItems[static_cast<std::size_t>(index)].data = l;
      result = stored ? 0 : LB_ERR;
      return true;
    case LB_SELECTSTRING:
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
      result =
          FindPrefix(index, l ? reinterpret_cast<const char*>(l) : "", message.Msg == LB_FINDSTRINGEXACT);
      if (message.Msg == LB_SELECTSTRING && result != LB_ERR) SelectIndex(static_cast<int>(result), false);
      return true;
    case LB_GETTOPINDEX:
      result = fTopIndex;
      return true;
    case LB_SETTOPINDEX:
      ScrollTo(index);
      return true;
    case LB_GETITEMHEIGHT:
      result = ItemHeight();
      return true;
    case LB_SETITEMHEIGHT:
      fItemHeight = std::max(0, static_cast<int>(l));
      ItemsChanged();
      return true;
    case LB_GETITEMRECT: {
      if (!valid || !l) {
        result = LB_ERR;
        return true;
      }
      const TRect client = ClientRect();
      const int top = (index - fTopIndex) * ItemHeight();
      *reinterpret_cast<TRect*>(l) = Rect(client.left, top, client.right, top + ItemHeight());
      return true;
    }
    case LB_ITEMFROMPOINT: {
      const TPoint p = PointFromLParam(l);
      const int count = Count();
      int hit = fTopIndex + (p.y < 0 ? 0 : p.y / ItemHeight());
      const bool outside = !PtInRect(ClientRect(), p) || hit >= count;
      hit = std::clamp(hit, 0, std::max(0, count - 1));
      result = static_cast<LRESULT>(MAKELONG(hit, outside ? 1 : 0));
      return true;
    }
    default:
      return false;
  }
}

// TCustomComboBox

// The drop-down list: a top-level window that never takes the activation or the focus;
// a release of the mouse inside it chooses the item.
class TComboListBox : public TCustomListBox {
 public:
  explicit TComboListBox(TCustomComboBox& combo) : TCustomListBox(nullptr), fCombo(combo) {
    SetTabStop(false);
  }

  void Dispatch(TMessage& message) override {
    if (message.Msg == WM_MOUSEACTIVATE) {
      message.Result = MA_NOACTIVATE;
      return;
    }
    const bool release = message.Msg == WM_LBUTTONUP;
    const bool inside = release && PtInRect(ClientRect(), PointFromLParam(message.LParam));
    TDestroyWatch watch(&fCombo);
    TCustomListBox::Dispatch(message);
    if (inside && !watch.Gone()) fCombo.CloseUp(true);
  }

 protected:
  void CreateParams(TCreateParams& params) override {
    TCustomListBox::CreateParams(params);
    params.Style = (params.Style & ~(WS_CHILD | WS_TABSTOP)) | WS_POPUP | WS_BORDER;
    params.ExStyle = (params.ExStyle & ~WS_EX_CLIENTEDGE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    if (fCombo.HandleAllocated()) params.WndParent = GetAncestor(fCombo.WindowHandle(), GA_ROOT);
  }

 private:
  TCustomComboBox& fCombo;
};

class TComboEdit : public TCustomEdit {
 public:
  explicit TComboEdit(TCustomComboBox& combo) : TCustomEdit(&combo), fCombo(combo) {
    SetBorderStyle(bsNone);
    SetAutoSize(false);
    SetTabStop(false);
    SetParentColor(true);
    SetParent(&combo);
  }

  void Dispatch(TMessage& message) override {
    switch (message.Msg) {
      case CM_WANTSPECIALKEY:
        if (fCombo.WantsKey(message.WParam)) {
          message.Result = 1;
          return;
        }
        break;
      case WM_KILLFOCUS: {
        TDestroyWatch watch(&fCombo);
        TCustomEdit::Dispatch(message);
        if (!watch.Gone()) fCombo.CloseUp(false);
        return;
      }
      case CM_CANCELMODE: {
        const auto* sender = reinterpret_cast<const TControl*>(message.LParam);
        if (sender != this && sender != &fCombo && sender != static_cast<const TControl*>(fCombo.fList.get()))
          fCombo.CloseUp(false);
        break;
      }
      default:
        break;
    }
    TCustomEdit::Dispatch(message);
  }

 protected:
  void KeyDown(Word& key, TShiftState shift) override {
    TDestroyWatch watch(this);
    TCustomEdit::KeyDown(key, shift);
    if (!watch.Gone() && key != 0 && fCombo.EditKeyDown(key, shift)) key = 0;
  }
  void Change() override {
    TDestroyWatch watch(this);
    TCustomEdit::Change();
    if (!watch.Gone()) fCombo.EditTextChanged();
  }

 private:
  TCustomComboBox& fCombo;
};

namespace {
constexpr int kDropDownRows = 8;
}

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TCustomControl(owner), fList(std::make_unique<TComboListBox>(*this)) {
  fEdit = new TComboEdit(*this);  // a child: the combo box's destruction frees it
  fControlStyle = {csCaptureMouse, csSetCaption, csFixedHeight};
  SetBounds(Left(), Top(), 145, 21);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomComboBox::~TCustomComboBox() {
  // The edit's window tells the combo box when it loses the focus: it goes while the
  // combo box and its list still live.
  DestroyHandle();
}

TCustomEdit* TCustomComboBox::Edit() const {
  return fEdit;
}

TStrings* TCustomComboBox::Items() const {
  return fList->Items();
}

void TCustomComboBox::SetItems(const TStrings* value) {
  fList->Items()->Assign(value);
}

void TCustomComboBox::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_CLIPCHILDREN;
  if (Ctl3D())
    params.ExStyle |= WS_EX_CLIENTEDGE;
  else
    params.Style |= WS_BORDER;
}

void TCustomComboBox::CreateWnd() {
  TCustomControl::CreateWnd();
  SetHeight(FontTextMetrics(*Font()).tmHeight + 8);
  LayoutEdit();
}

TRect TCustomComboBox::ButtonRect() const {
  const TRect client = ClientRect();
  return Rect(std::max(client.left, client.right - GetSystemMetrics(SM_CXVSCROLL)), client.top, client.right,
              client.bottom);
}

void TCustomComboBox::LayoutEdit() {
  const TRect client = ClientRect();
  fEdit->SetBounds(client.left, client.top, ButtonRect().left - client.left, client.Height());
}

void TCustomComboBox::Paint() {
  TRect button = ButtonRect();
  DrawFrameControl(Canvas()->Handle(), button, DFC_SCROLL,
                   DFCS_SCROLLCOMBOBOX | (DroppedDown() ? unsigned{DFCS_PUSHED} : 0U) |
                       (Enabled() ? 0U : unsigned{DFCS_INACTIVE}));
}

void TCustomComboBox::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_SETFOCUS: {
      TDestroyWatch watch(this);
      TCustomControl::Dispatch(message);
      if (!watch.Gone() && fEdit->HandleAllocated()) ordvane::SetFocus(fEdit->WindowHandle());
      return;
    }
    case WM_SIZE: {
      TDestroyWatch watch(this);
      TCustomControl::Dispatch(message);
      if (!watch.Gone()) LayoutEdit();
      return;
    }
    case CM_FONTCHANGED: {
      TDestroyWatch watch(this);
      TCustomControl::Dispatch(message);
      if (!watch.Gone() && HandleAllocated()) SetHeight(FontTextMetrics(*Font()).tmHeight + 8);
      return;
    }
    default:
      TCustomControl::Dispatch(message);
  }
}

void TCustomComboBox::SetCaption(const AnsiString& value) {
  fSettingText = true;
  fEdit->SetText(value);
  fSettingText = false;
  fItemIndex = Items()->IndexOf(value);
  TCustomControl::SetCaption(value);
}

void TCustomComboBox::SetItemIndex(int value) {
  if (value < 0 || value >= Items()->Count()) value = -1;
  const AnsiString text = value >= 0 ? Items()->Strings(value) : AnsiString();
  fSettingText = true;
  fEdit->SetText(text);
  fSettingText = false;
  StoreText(text);
  fItemIndex = value;
  fList->SetItemIndex(value);
}

void TCustomComboBox::ChooseItem(int index) {
  if (index < 0 || index >= Items()->Count()) return;
  SetItemIndex(index);
  fEdit->SelectAll();
  TDestroyWatch watch(this);
  Change();
  if (!watch.Gone()) Click();
}

void TCustomComboBox::EditTextChanged() {
  if (fSettingText) return;
  StoreText(fEdit->Text());
  fItemIndex = Items()->IndexOf(fEdit->Text());
  Change();
}

void TCustomComboBox::Change() {
  FireEvent(OnChange, this);
}

bool TCustomComboBox::DroppedDown() const {
  return fList->HandleAllocated() && IsWindowVisible(fList->WindowHandle());
}

void TCustomComboBox::SetDroppedDown(bool value) {
  if (value)
    DropDown();
  else
    CloseUp(false);
}

bool TCustomComboBox::WantsKey(WPARAM key) const {
  return DroppedDown() && (key == VK_RETURN || key == VK_ESCAPE);
}

bool TCustomComboBox::EditKeyDown(Word key, TShiftState shift) {
  const bool alt = shift.Contains(ssAlt);
  if (key == VK_F4 || (alt && (key == VK_DOWN || key == VK_UP))) {
    SetDroppedDown(!DroppedDown());
    return true;
  }
  if (alt) return false;
  const bool dropped = DroppedDown();
  if ((key == VK_RETURN || key == VK_ESCAPE) && dropped) {
    CloseUp(key == VK_RETURN);
    return true;
  }
  // An open list only moves its own selection, which Enter takes and Escape drops;
  // a closed one chooses the neighbouring item at once.
  const int count = Items()->Count();
  const int current = dropped ? fList->ItemIndex() : fItemIndex;
  int step = 0;
  switch (key) {
    case VK_UP:
      step = -1;
      break;
    case VK_DOWN:
      step = 1;
      break;
    case VK_PRIOR:
    case VK_NEXT:
      if (!dropped) return false;
      step = key == VK_PRIOR ? 1 - kDropDownRows : kDropDownRows - 1;
      break;
    default:
      return false;
  }
  if (count == 0) return true;
  const int target = current < 0 ? 0 : std::clamp(current + step, 0, count - 1);
  if (dropped)
    fList->SetItemIndex(target);
  else if (target != fItemIndex)
    ChooseItem(target);
  return true;
}

void TCustomComboBox::PlaceList() {
  TRect host;
  GetWindowRect(Handle(), host);
  MONITORINFO monitor;
  GetMonitorInfo(MonitorFromRect(host, MONITOR_DEFAULTTONEAREST), monitor);
  const TRect& work = monitor.rcWork;
  const int rows = std::clamp(Items()->Count(), 1, kDropDownRows);
  int height = rows * fList->ItemHeight() + 2 * GetSystemMetrics(SM_CYBORDER);
  const int below = work.bottom - host.bottom;
  const int above = host.top - work.top;
  const bool up = height > below && (height <= above || above > below);
  height = std::min(height, up ? above : below);
  const int width = std::min(host.Width(), work.Width());
  const int left = std::clamp(host.left, work.left, work.right - width);
  SetWindowPos(fList->Handle(), HWND_TOP, left, up ? host.top - height : host.bottom, width, height,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void TCustomComboBox::DropDown() {
  if (DroppedDown()) return;
  TDestroyWatch watch(this);
  FireEvent(OnDropDown, this);
  if (watch.Gone()) return;
  fList->SetFont(*Font());
  fList->SetColor(Color());
  fList->SetItemIndex(fItemIndex);
  PlaceList();
  Invalidate();
}

void TCustomComboBox::CloseUp(bool accept) {
  if (!DroppedDown()) return;
  ShowWindow(fList->WindowHandle(), SW_HIDE);
  Invalidate();
  TDestroyWatch watch(this);
  const int chosen = fList->ItemIndex();
  if (accept && chosen >= 0 && chosen != fItemIndex) ChooseItem(chosen);
  if (!watch.Gone()) FireEvent(OnCloseUp, this);
}

void TCustomComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TDestroyWatch watch(this);
  if (button == mbLeft && PtInRect(ButtonRect(), {x, y})) {
    if (fEdit->HandleAllocated() && GetFocus() != fEdit->WindowHandle()) fEdit->SetFocus();
    if (watch.Gone()) return;
    SetDroppedDown(!DroppedDown());
    if (watch.Gone()) return;
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

}  // namespace ordvane
