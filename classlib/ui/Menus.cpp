#include "classlib/ui/Menus.h"

#include <algorithm>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/AnsiStrings.h"
#include "classlib/ui/ActnList.h"
#include "classlib/ui/Forms.h"

namespace ordvane {

TShortCut ShortCut(Word key, bool shift, bool ctrl, bool alt) {
  if ((key & 0xFF00) != 0) return scNone;
  return static_cast<TShortCut>(key | (shift ? scShift : 0) | (ctrl ? scCtrl : 0) | (alt ? scAlt : 0));
}

namespace {

// The character after the caption's single "&", 0 when it has none.
char HotkeyOf(const AnsiString& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return caption[i + 1];
    ++i;
  }
  return 0;
}

}  // namespace

bool IsAccel(Word key, const AnsiString& caption) {
  const char hotkey = HotkeyOf(caption);
  if (hotkey == 0 || key > 0xFF) return false;
  return AnsiUpperCase(AnsiString(1, hotkey)) == AnsiUpperCase(AnsiString(1, static_cast<char>(key)));
}

AnsiString StripHotkey(const AnsiString& caption) {
  AnsiString result;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    result += caption[i];
  }
  return result;
}

// TMenuItem

namespace {

UINT NextCommand() {
  static UINT counter = 0;
  return ++counter;
}

}  // namespace

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), fCommand(NextCommand()) {}

TMenuItem::~TMenuItem() {
  while (!fItems.empty()) delete fItems.back();
  if (fParent) fParent->Remove(this);
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return fItems[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
  if (!item || item->fParent == this) return;
  if (item->fParent) item->fParent->Remove(item);
  item->fParent = this;
  fItems.push_back(item);
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(fItems.begin(), fItems.end(), item);
  if (it == fItems.end()) return;
  fItems.erase(it);
  item->fParent = nullptr;
}

TMenuItem* TMenuItem::FindCommand(UINT command) {
  if (fCommand == command) return this;
  for (TMenuItem* item : fItems)
    if (TMenuItem* found = item->FindCommand(command)) return found;
  return nullptr;
}

TBasicAction* TMenuItem::Action() const {
  return fActionLink ? fActionLink->Action() : nullptr;
}

void TMenuItem::SetAction(TBasicAction* action) {
  if (!action) {
    fActionLink.reset();
    return;
  }
  if (!fActionLink) {
    TActionClient client;
    client.caption = {[this] { return fCaption; }, [this](const AnsiString& v) { fCaption = v; }};
    client.enabled = {[this] { return fEnabled; }, [this](const bool& v) { fEnabled = v; }};
    client.visible = {[this] { return fVisible; }, [this](const bool& v) { fVisible = v; }};
    client.checked = {[this] { return fChecked; }, [this](const bool& v) { fChecked = v; }};
    client.shortCut = {[this] { return fShortCut; }, [this](const TShortCut& v) { fShortCut = v; }};
    fActionLink = std::make_unique<TActionLink>(this, std::move(client));
  }
  fActionLink->SetAction(action);
}

void TMenuItem::Click() {
  if (OnClick)
    FireEvent(OnClick, this);
  else if (fActionLink)
    fActionLink->Execute(this);
}

// The popup menu's window and its tracking

namespace {

constexpr int kItemHeight = 19;
constexpr int kLineHeight = 9;
constexpr int kMarkWidth = 20;  // the column left of the text where a checked item's tick goes
constexpr int kTextMargin = 16;
constexpr int kFrame = 3;

bool Selectable(const TMenuItem* item) {
  return item->Enabled() && !item->IsLine();
}

}  // namespace

class TPopupMenuWindow : public TCustomControl {
 public:
  explicit TPopupMenuWindow(std::vector<TMenuItem*> items) : TCustomControl(nullptr), fItems(std::move(items)) {
    SetColor(clMenu);
  }

  bool Done() const { return fDone; }
  UINT Chosen() const { return fChosen; }
  void Dismiss() { fDone = true; }
  // The menu died while open: its items are gone.
  void Abandon() {
    fItems.clear();
    fHot = -1;
    fChosen = 0;
    fDone = true;
  }

  TSize MeasuredSize() {
    int width = 0;
    for (TMenuItem* item : fItems)
      if (!item->IsLine()) width = std::max(width, Canvas()->TextWidth(StripHotkey(item->Caption())));
    int height = 0;
    for (TMenuItem* item : fItems) height += item->IsLine() ? kLineHeight : kItemHeight;
    return {width + kMarkWidth + kTextMargin + 2 * kFrame, height + 2 * kFrame};
  }

  void Dispatch(TMessage& message) override {
    switch (message.Msg) {
      case WM_MOUSEACTIVATE:
        message.Result = MA_NOACTIVATE;
        return;
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        MenuKey(static_cast<Word>(message.WParam));
        return;
      case WM_CHAR:
      case WM_SYSCHAR:
        ChooseAccel(static_cast<Word>(message.WParam));
        return;
      default:
        TCustomControl::Dispatch(message);
    }
  }

 protected:
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.Style = WS_POPUP;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    params.WindowClassStyle |= CS_SAVEBITS;
    params.WndParent = 0;
  }

  void MouseMove(TShiftState shift, int x, int y) override {
    TCustomControl::MouseMove(shift, x, y);
    const int index = ItemAt(y);
    SetHot(index >= 0 && Selectable(fItems[static_cast<std::size_t>(index)]) ? index : -1);
  }

  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
    TCustomControl::MouseUp(button, shift, x, y);
    const int index = PtInRect(ClientRect(), {x, y}) ? ItemAt(y) : -1;
    if (index >= 0) Choose(index);
  }

  void Paint() override {
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    canvas->Brush()->SetColor(clMenu);
    canvas->FillRect(r);
    DrawEdge(canvas->Handle(), r, EDGE_RAISED, BF_RECT);
    int top = kFrame;
    for (std::size_t i = 0; i < fItems.size(); ++i) {
      const TMenuItem* item = fItems[i];
      const int height = item->IsLine() ? kLineHeight : kItemHeight;
      PaintItem(*canvas, *item, Rect(kFrame, top, ClientWidth() - kFrame, top + height),
                static_cast<int>(i) == fHot);
      top += height;
    }
  }

 private:
  int ItemAt(int y) const {
    int top = kFrame;
    for (std::size_t i = 0; i < fItems.size(); ++i) {
      const int bottom = top + (fItems[i]->IsLine() ? kLineHeight : kItemHeight);
      if (y >= top && y < bottom) return static_cast<int>(i);
      top = bottom;
    }
    return -1;
  }

  void PaintItem(TCanvas& canvas, const TMenuItem& item, const TRect& r, bool hot) {
    HDC dc = canvas.Handle();
    if (item.IsLine()) {
      TRect line = Rect(r.left + 1, r.top + r.Height() / 2 - 1, r.right - 1, r.top + r.Height() / 2 + 1);
      DrawEdge(dc, line, EDGE_ETCHED, BF_TOP);
      return;
    }
    dc->FillRect(r, ColorToRGB(hot ? clHighlight : clMenu));
    const TColorRef ink = ColorToRGB(!item.Enabled() ? clGrayText : hot ? clHighlightText : clMenuText);
    if (item.Checked()) {
      const int x = r.left + 6;
      const int y = r.top + r.Height() / 2 - 3;
      for (int i = 0; i < 7; ++i) dc->FillRect(Bounds(x + i, i < 3 ? y + i : y + 4 - i, 1, 3), ink);
    }
    canvas.Font()->SetColor(static_cast<TColor>(ink));
    canvas.Brush()->SetStyle(bsClear);
    TRect text = Rect(r.left + kMarkWidth, r.top, r.right, r.bottom);
    DrawText(canvas.Handle(), item.Caption(), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    canvas.Brush()->SetStyle(bsSolid);
  }

  void SetHot(int index) {
    if (index == fHot) return;
    fHot = index;
    Invalidate();
  }

  // The next selectable item from the hot one, going round.
  void StepHot(int step) {
    const int count = static_cast<int>(fItems.size());
    int index = fHot;
    for (int n = 0; n < count; ++n) {
      index = index < 0 ? (step > 0 ? 0 : count - 1) : (index + step + count) % count;
      if (Selectable(fItems[static_cast<std::size_t>(index)])) {
        SetHot(index);
        return;
      }
    }
  }

  void MenuKey(Word key) {
    switch (key) {
      case VK_UP:
        StepHot(-1);
        break;
      case VK_DOWN:
        StepHot(1);
        break;
      case VK_RETURN:
        if (fHot >= 0) Choose(fHot);
        break;
      case VK_ESCAPE:
        Dismiss();
        break;
      default:
        break;
    }
  }

  void ChooseAccel(Word key) {
    for (std::size_t i = 0; i < fItems.size(); ++i)
      if (Selectable(fItems[i]) && IsAccel(key, fItems[i]->Caption())) {
        Choose(static_cast<int>(i));
        return;
      }
  }

  void Choose(int index) {
    TMenuItem* item = fItems[static_cast<std::size_t>(index)];
    if (!Selectable(item)) return;
    fChosen = item->Command();
    fDone = true;
  }

  std::vector<TMenuItem*> fItems;
  int fHot = -1;
  bool fDone = false;
  UINT fChosen = 0;
};

namespace {

bool IsButtonPress(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

// Sees every message the loops handle while the menu is open, whichever loop runs: keys
// go to the menu, a press elsewhere ends it.
class TMenuTracker : public TMessageProcessor {
 public:
  explicit TMenuTracker(TPopupMenuWindow& window) : fWindow(window), fNext(Application->MessageProcessor()) {
    Application->SetMessageProcessor(this);
  }
  ~TMenuTracker() override { Application->SetMessageProcessor(fNext); }
  TMenuTracker(const TMenuTracker&) = delete;
  TMenuTracker& operator=(const TMenuTracker&) = delete;

  void ProcessMessage(const TMsg& msg) override {
    if (!fWindow.Done() && Intercept(msg)) return;
    if (fNext)
      fNext->ProcessMessage(msg);
    else
      DispatchMessage(msg);
  }

 private:
  bool Intercept(const TMsg& msg) {
    switch (msg.message) {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        // The keys the menu uses type nothing; the others may be accelerators.
        if (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE) TranslateMessage(msg);
        [[fallthrough]];
      case WM_CHAR:
      case WM_SYSCHAR:
        fWindow.Perform(msg.message, msg.wParam, msg.lParam);
        return true;
      case WM_KEYUP:
      case WM_SYSKEYUP:
        return true;
      default:
        break;
    }
    if (IsButtonPress(msg.message) && msg.hwnd != fWindow.WindowHandle()) {
      fWindow.Dismiss();
      PostInputMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
      return true;
    }
    return false;
  }

  TPopupMenuWindow& fWindow;
  TMessageProcessor* fNext;
};

// The menu's place: its corner at the point by the alignment, moved into the work area
// of the monitor under the point (above the point when it does not fit below).
TRect PlaceMenu(TPoint at, TSize size, TPopupAlignment alignment) {
  int left = at.x;
  if (alignment == paRight)
    left -= size.cx;
  else if (alignment == paCenter)
    left -= size.cx / 2;
  int top = at.y;
  const TRect work = Screen->MonitorFromPoint(at)->WorkareaRect();
  if (left + size.cx > work.right) left = work.right - size.cx;
  left = std::max(left, work.left);
  if (top + size.cy > work.bottom) top = at.y - size.cy >= work.top ? at.y - size.cy : work.bottom - size.cy;
  top = std::max(std::min(top, work.bottom - size.cy), work.top);
  return Bounds(left, top, size.cx, size.cy);
}

}  // namespace

// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner)
    : TComponent(owner),
      fItems(std::make_unique<TMenuItem>(nullptr)),
      fCommandWindow(AllocateHWnd(TWndMethod::Bind(this, &TPopupMenu::ReceiveCommand))) {}

TPopupMenu::~TPopupMenu() {
  if (fOpenWindow) fOpenWindow->Abandon();
  DeallocateHWnd(fCommandWindow);
}

void TPopupMenu::SetPopupComponent(TComponent* component) {
  if (component == fPopupComponent) return;
  if (fPopupComponent) RemoveFreeNotification(fPopupComponent);
  fPopupComponent = component;
  if (fPopupComponent) FreeNotification(fPopupComponent);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == fPopupComponent) fPopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  FireEvent(OnPopup, this);
  std::vector<TMenuItem*> items;
  for (int i = 0; i < fItems->Count(); ++i)
    if (fItems->Items(i)->Visible()) items.push_back(fItems->Items(i));
  if (items.empty()) return;
  UINT chosen = 0;
  const HWND commandWindow = fCommandWindow;
  {
    TPopupMenuWindow window(std::move(items));
    const TRect place = PlaceMenu({x, y}, window.MeasuredSize(), fAlignment);
    SetWindowPos(window.Handle(), HWND_TOPMOST, place.left, place.top, place.Width(), place.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    TMenuTracker tracker(window);
    fOpenWindow = &window;
    // A handler run meanwhile may destroy the menu: it abandons the window, and the
    // menu's members are not touched again.
    while (!window.Done() && !Application->Terminated()) Application->HandleMessage();
    chosen = window.Chosen();
    if (IsWindow(commandWindow)) fOpenWindow = nullptr;
  }
  if (chosen != 0) PostMessage(commandWindow, CM_MENUCOMMAND, chosen, 0);
}

void TPopupMenu::ReceiveCommand(TMessage& message) {
  if (message.Msg != CM_MENUCOMMAND) return;
  try {
    if (TMenuItem* item = fItems->FindCommand(static_cast<UINT>(message.WParam))) item->Click();
  } catch (...) {
    Application->HandleException(this);
  }
}

}  // namespace ordvane
