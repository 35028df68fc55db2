#include "classlib/ui/Windows.h"

#include <algorithm>

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/CaptionButtons.h"
#include "classlib/ui/Host.h"
#include "classlib/ui/ScrollBars.h"
#include "classlib/ui/WinInput.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/WindowData.h"

namespace ordvane {

using windata::Find;
using windata::Send;
using windata::TWindowData;

namespace {

template <class T>
LPARAM AsParam(T* pointer) {
  return reinterpret_cast<LPARAM>(pointer);
}

std::vector<HWND>& Siblings(const TWindowData& w) {
  if (w.parent != 0)
    if (TWindowData* parent = Find(w.parent)) return parent->children;
  return windata::TopLevels();
}

bool Topmost(HWND wnd) {
  const TWindowData* w = Find(wnd);
  return w && (w->exStyle & WS_EX_TOPMOST);
}

// The windows a top-level window owns go right above it, keeping their own order.
void PlaceOwnedAbove(HWND owner) {
  auto& list = windata::TopLevels();
  std::vector<HWND> owned;
  for (HWND t : list)
    if (const TWindowData* w = Find(t); w && w->owner == owner) owned.push_back(t);
  for (HWND o : owned) {
    std::erase(list, o);
    list.insert(std::find(list.begin(), list.end(), owner), o);
  }
  for (HWND o : owned) PlaceOwnedAbove(o);
}

// Puts a top-level window on top of its group (the topmost windows stay above the rest).
void RaiseTopLevel(HWND wnd) {
  auto& list = windata::TopLevels();
  std::erase(list, wnd);
  auto at = list.begin();
  if (!Topmost(wnd)) at = std::find_if(list.begin(), list.end(), [](HWND o) { return !Topmost(o); });
  list.insert(at, wnd);
  PlaceOwnedAbove(wnd);
}

// Moves the window in its siblings' z-order; answers whether the order changed, or whether
// the window now stays on top where it did not (or the other way round).
bool Reorder(TWindowData& w, HWND insertAfter) {
  auto& list = Siblings(w);
  const std::vector<HWND> before = list;
  const UINT exStyleBefore = w.exStyle;
  if (w.parent == 0 && (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST)) {
    if (insertAfter == HWND_TOPMOST)
      w.exStyle |= WS_EX_TOPMOST;
    else
      w.exStyle &= ~WS_EX_TOPMOST;
    RaiseTopLevel(w.handle);
  } else if (insertAfter == HWND_TOP) {
    if (w.parent == 0) {
      RaiseTopLevel(w.handle);
    } else {
      std::erase(list, w.handle);
      list.insert(list.begin(), w.handle);
    }
  } else if (insertAfter == HWND_BOTTOM) {
    std::erase(list, w.handle);
    list.push_back(w.handle);
  } else if (insertAfter != w.handle && std::find(list.begin(), list.end(), insertAfter) != list.end()) {
    std::erase(list, w.handle);
    list.insert(std::find(list.begin(), list.end(), insertAfter) + 1, w.handle);
  }
  return list != before || w.exStyle != exStyleBefore;
}

bool SameSize(const TRect& a, const TRect& b) {
  return a.Width() == b.Width() && a.Height() == b.Height();
}

TRect ClampInto(TRect r, int width, int height) {
  r.left = std::clamp(r.left, 0, width);
  r.top = std::clamp(r.top, 0, height);
  r.right = std::clamp(r.right, r.left, width);
  r.bottom = std::clamp(r.bottom, r.top, height);
  return r;
}

// Asks the window for its client rectangle (WM_NCCALCSIZE) and keeps it.
void RecalcClient(HWND wnd) {
  TWindowData* w = Find(wnd);
  if (!w) return;
  TRect r = w->rect;
  Send(wnd, WM_NCCALCSIZE, 0, AsParam(&r));
  if (!(w = Find(wnd))) return;
  OffsetRect(r, -static_cast<long long>(w->rect.left), -static_cast<long long>(w->rect.top));
  w->client = ClampInto(r, w->rect.Width(), w->rect.Height());
}

// The window's area in its parent's client coordinates (its shape applied).
TRegion AreaInParent(const TWindowData& w) {
  TRegion area(w.rect);
  if (w.shape) {
    TRegion shape = *w.shape;
    shape.Offset(w.rect.left, w.rect.top);
    area = TRegion::Combine(area, shape, RGN_AND);
  }
  return area;
}

bool ContainsScreenPoint(const TWindowData& w, TPoint screen) {
  TPoint origin = windata::ScreenOrigin(w);
  TPoint p{screen.x - origin.x, screen.y - origin.y};
  if (!PtInRect(Bounds(0, 0, w.rect.Width(), w.rect.Height()), p)) return false;
  return !w.shape || w.shape->Contains(p.x, p.y);
}

// The client area a window gains when it grows (client coordinates), when its client
// area keeps its place in the window.
TRegion GainedClientArea(const TRect& oldClient, const TRect& newClient) {
  TRect kept = oldClient;
  OffsetRect(kept, -static_cast<long long>(newClient.left), -static_cast<long long>(newClient.top));
  TRegion all(Bounds(0, 0, newClient.Width(), newClient.Height()));
  return TRegion::Combine(all, TRegion(kept), RGN_DIFF);
}

void Repaint(TWindowData& w, bool wasVisible, const TRegion& oldArea, const TRect& oldClient,
             bool wholeWindow, bool frameChanged) {
  const bool visible = windata::Visible(w);
  if (wasVisible && w.parent != 0) {
    TRegion left = visible ? TRegion::Combine(oldArea, AreaInParent(w), RGN_DIFF) : oldArea;
    windata::ExposeInParent(w, left);
  }
  if (!visible) return;
  if (!wasVisible || wholeWindow || oldClient.TopLeft() != w.client.TopLeft()) {
    windata::InvalidateWhole(w);
  } else if (frameChanged || !SameSize(oldClient, w.client)) {
    w.ncDirty = true;
    TRegion gained = GainedClientArea(oldClient, w.client);
    InvalidateRgn(w.handle, &gained, true);
  }
}

void TellHost(const TWindowData& w, bool shown, bool hidden, bool movedOrSized, bool zChanged) {
  if (w.parent != 0) return;
  TRect bounds;
  GetWindowRect(w.handle, bounds);
  if (shown)
    Host().WindowShown(w.handle, bounds);
  else if (hidden)
    Host().WindowHidden(w.handle);
  else if (movedOrSized && (w.style & WS_VISIBLE))
    Host().WindowMoved(w.handle, bounds);
  if (zChanged) Host().ZOrderChanged();
}

bool ApplyWindowPos(HWND wnd, WINDOWPOS pos) {
  TWindowData* w = Find(wnd);
  if (!w) return false;
  const UINT flags = pos.flags;
  const bool wasVisible = windata::Visible(*w);
  const TRegion oldArea = AreaInParent(*w);
  const TRect oldRect = w->rect;
  const TRect oldClient = w->client;
  const bool hide = (flags & SWP_HIDEWINDOW) && (w->style & WS_VISIBLE);
  const bool show = (flags & SWP_SHOWWINDOW) && !(w->style & WS_VISIBLE);

  if (hide) w->style &= ~WS_VISIBLE;
  w->rect = Bounds(pos.x, pos.y, std::max(0, pos.cx), std::max(0, pos.cy));
  const bool moved = w->rect.TopLeft() != oldRect.TopLeft();
  const bool sized = !SameSize(w->rect, oldRect);
  const bool zChanged = !(flags & SWP_NOZORDER) && Reorder(*w, pos.hwndInsertAfter);
  if (show) w->style |= WS_VISIBLE;
  if (sized || (flags & SWP_FRAMECHANGED)) {
    RecalcClient(wnd);
    if (!(w = Find(wnd))) return false;
  }
  if (w->parent == 0) windata::AttachSurface(*w);
  if (sized || moved || zChanged || show || hide || (flags & SWP_FRAMECHANGED)) windata::GeometryChanged();

  if (!(flags & SWP_NOREDRAW)) {
    const bool redrawAll = (w->parent != 0 && (zChanged || moved)) ||
                           ((w->classStyle & CS_HREDRAW) && w->rect.Width() != oldRect.Width()) ||
                           ((w->classStyle & CS_VREDRAW) && w->rect.Height() != oldRect.Height());
    Repaint(*w, wasVisible, oldArea, oldClient, redrawAll, (flags & SWP_FRAMECHANGED) || sized);
  }
  TellHost(*w, show, hide, moved || sized, zChanged);

  if (hide) {
    windata::ReleaseInputOf(wnd, windata::TInputRelease::Hide);
    if (!(w = Find(wnd))) return false;
  }
  if (w->parent == 0 && windata::Visible(*w) && !(flags & SWP_NOACTIVATE) && IsWindowEnabled(wnd)) {
    SetActiveWindow(wnd);
    if (!(w = Find(wnd))) return false;
  }

  WINDOWPOS changed = pos;
  changed.x = w->rect.left;
  changed.y = w->rect.top;
  changed.cx = w->rect.Width();
  changed.cy = w->rect.Height();
  changed.flags = flags & ~(SWP_NOMOVE | SWP_NOSIZE);
  if (!moved && oldClient.TopLeft() == w->client.TopLeft()) changed.flags |= SWP_NOMOVE;
  if (!sized && SameSize(oldClient, w->client)) changed.flags |= SWP_NOSIZE;
  Send(wnd, WM_WINDOWPOSCHANGED, 0, AsParam(&changed));
  return true;
}

void MarkDestroying(TWindowData& w) {
  w.destroying = true;
  for (HWND child : w.children)
    if (TWindowData* c = Find(child)) MarkDestroying(*c);
}

void SendDestroy(HWND wnd) {
  Send(wnd, WM_DESTROY);
  TWindowData* w = Find(wnd);
  if (!w) return;
  const std::vector<HWND> children = w->children;
  for (HWND child : children)
    if (Find(child)) SendDestroy(child);
}

void SendNcDestroy(HWND wnd) {
  if (TWindowData* w = Find(wnd)) {
    const std::vector<HWND> children = w->children;
    for (HWND child : children)
      if (Find(child)) SendNcDestroy(child);
  }
  Send(wnd, WM_NCDESTROY);
}

void FreeWindow(HWND wnd) {
  TWindowData* w = Find(wnd);
  if (!w) return;
  const std::vector<HWND> children = w->children;
  for (HWND child : children) FreeWindow(child);
  if (!(w = Find(wnd))) return;
  const bool topLevel = w->parent == 0;
  std::erase(Siblings(*w), wnd);
  windata::DetachSurface(*w);
  windata::Remove(wnd);
  DeallocateHWnd(wnd);
  if (topLevel) Host().WindowDestroyed(wnd);
}

// The deepest visible window under a screen point inside w, skipping disabled children
// and the excluded windows.
HWND DeepestAt(const TWindowData& w, TPoint screen, const std::vector<HWND>& excluded) {
  for (HWND child : w.children) {
    const TWindowData* c = Find(child);
    if (!c || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
    if (std::find(excluded.begin(), excluded.end(), child) != excluded.end()) continue;
    TPoint clientOrigin = windata::ClientScreenOrigin(w);
    TRect clientOnScreen = Bounds(clientOrigin.x, clientOrigin.y, w.client.Width(), w.client.Height());
    if (!PtInRect(clientOnScreen, screen) || !ContainsScreenPoint(*c, screen)) continue;
    return DeepestAt(*c, screen, excluded);
  }
  return w.handle;
}

LRESULT DefaultHitTest(const TWindowData& w, TPoint screen) {
  if (!ContainsScreenPoint(w, screen)) return HTNOWHERE;
  TPoint origin = windata::ScreenOrigin(w);
  TPoint p{screen.x - origin.x, screen.y - origin.y};
  if (PtInRect(w.client, p)) return HTCLIENT;
  TRect vbar = VertScrollBarRect(w.handle);
  TRect hbar = HorzScrollBarRect(w.handle);
  if (PtInRect(vbar, p)) return HTVSCROLL;
  if (PtInRect(hbar, p)) return HTHSCROLL;
  if (!IsRectEmpty(vbar) && !IsRectEmpty(hbar) &&
      PtInRect(Rect(vbar.left, hbar.top, vbar.right, hbar.bottom), p))
    return (w.style & WS_THICKFRAME) ? HTSIZE : HTNOWHERE;
  if (const LRESULT button = CaptionButtonAt(w.handle, p); button != HTNOWHERE) return button;
  if (PtInRect(CaptionRect(w.handle), p)) return HTCAPTION;
  if (w.style & WS_THICKFRAME) {
    const int frame = GetSystemMetrics(SM_CXFRAME);
    const int corner = GetSystemMetrics(SM_CXSIZE) + frame;
    const int width = w.rect.Width();
    const int height = w.rect.Height();
    const bool left = p.x < frame;
    const bool right = p.x >= width - frame;
    const bool top = p.y < frame;
    const bool bottom = p.y >= height - frame;
    const bool nearLeft = p.x < corner;
    const bool nearRight = p.x >= width - corner;
    const bool nearTop = p.y < corner;
    const bool nearBottom = p.y >= height - corner;
    if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
    if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
    if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
    if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  return HTBORDER;
}

int FrameWidth(UINT style, UINT exStyle) {
  if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
  if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) return GetSystemMetrics(SM_CXDLGFRAME);
  if (style & WS_BORDER) return GetSystemMetrics(SM_CXBORDER);
  return 0;
}

int CaptionHeight(UINT style, UINT exStyle) {
  if ((style & WS_CAPTION) != WS_CAPTION) return 0;
  return GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

TRect DefaultClientRect(UINT style, UINT exStyle, const TRect& windowRect) {
  TRect r = NonClientInnerRect(style, exStyle, windowRect);
  const int cx = GetSystemMetrics(SM_CXVSCROLL);
  const int cy = GetSystemMetrics(SM_CYHSCROLL);
  if ((style & WS_VSCROLL) && r.Width() >= cx) r.right -= cx;
  if ((style & WS_HSCROLL) && r.Height() >= cy) r.bottom -= cy;
  return r;
}

}  // namespace

TRect NonClientInnerRect(UINT style, UINT exStyle, const TRect& windowRect) {
  TRect r = windowRect;
  const int frame = FrameWidth(style, exStyle);
  InflateRect(r, -frame, -frame);
  r.top += CaptionHeight(style, exStyle);
  if (exStyle & WS_EX_CLIENTEDGE) InflateRect(r, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  return r;
}

namespace {

struct TBarPlaces {
  TRect vert;
  TRect horz;
};

TBarPlaces ScrollBarPlaces(const TWindowData& w) {
  TRect inner = NonClientInnerRect(w.style, w.exStyle, Bounds(0, 0, w.rect.Width(), w.rect.Height()));
  const int cx = GetSystemMetrics(SM_CXVSCROLL);
  const int cy = GetSystemMetrics(SM_CYHSCROLL);
  const bool vert = (w.style & WS_VSCROLL) && inner.Width() >= cx;
  const bool horz = (w.style & WS_HSCROLL) && inner.Height() >= cy;
  TBarPlaces places;
  if (vert) places.vert = Rect(inner.right - cx, inner.top, inner.right, inner.bottom - (horz ? cy : 0));
  if (horz) places.horz = Rect(inner.left, inner.bottom - cy, inner.right - (vert ? cx : 0), inner.bottom);
  return places;
}

}  // namespace

TRect VertScrollBarRect(HWND wnd) {
  const TWindowData* w = Find(wnd);
  return w ? ScrollBarPlaces(*w).vert : TRect{};
}

TRect HorzScrollBarRect(HWND wnd) {
  const TWindowData* w = Find(wnd);
  return w ? ScrollBarPlaces(*w).horz : TRect{};
}

TRect CaptionRect(HWND wnd) {
  const TWindowData* w = Find(wnd);
  if (!w) return {};
  const int height = CaptionHeight(w->style, w->exStyle);
  if (height == 0) return {};
  const int frame = FrameWidth(w->style, w->exStyle);
  return Rect(frame, frame, std::max(frame, w->rect.Width() - frame), frame + height - 1);
}

HWND CreateWindowEx(const TWindowCreateParams& params, TWndMethod proc,
                    const std::function<void(HWND)>& attached) {
  const bool child = (params.style & WS_CHILD) != 0;
  if (child && !Find(params.parent)) return 0;
  HWND wnd = AllocateHWnd(std::move(proc));
  TWindowData& w = windata::Add(wnd);
  w.thread = std::this_thread::get_id();
  w.style = params.style & ~WS_VISIBLE;
  w.exStyle = params.exStyle;
  w.classStyle = params.classStyle;
  w.text = params.caption;
  w.rect = Bounds(params.x, params.y, std::max(0, params.width), std::max(0, params.height));
  w.client = Bounds(0, 0, w.rect.Width(), w.rect.Height());
  if (child) {
    w.parent = params.parent;
    Find(params.parent)->children.push_back(wnd);
  } else {
    w.owner = Find(params.parent) ? params.parent : 0;
    RaiseTopLevel(wnd);
    windata::AttachSurface(w);
  }
  if (attached) attached(wnd);
  RecalcClient(wnd);
  if (!Find(wnd)) return 0;
  if (Send(wnd, WM_CREATE) == -1) {
    DestroyWindow(wnd);
    return 0;
  }
  TWindowData* created = Find(wnd);
  if (!created) return 0;
  TPoint clientPos{created->rect.left + created->client.left, created->rect.top + created->client.top};
  Send(wnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(created->client.Width(), created->client.Height()));
  Send(wnd, WM_MOVE, 0, MAKELPARAM(clientPos.x, clientPos.y));
  if ((params.style & WS_VISIBLE) && Find(wnd)) ShowWindow(wnd, SW_SHOW);
  return Find(wnd) ? wnd : 0;
}

bool DestroyWindow(HWND wnd) {
  TWindowData* w = Find(wnd);
  if (!w || w->destroying) return false;
  std::vector<HWND> owned;
  for (HWND t : windata::TopLevels())
    if (const TWindowData* o = Find(t); o && o->owner == wnd) owned.push_back(t);
  for (HWND o : owned) DestroyWindow(o);
  w = Find(wnd);
  if (!w || w->destroying) return false;
  MarkDestroying(*w);
  windata::ReleaseInputOf(wnd, windata::TInputRelease::Destroy);
  if ((w = Find(wnd)) && (w->style & WS_VISIBLE))
    SetWindowPos(wnd, 0, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (Find(wnd)) SendDestroy(wnd);
  if (Find(wnd)) SendNcDestroy(wnd);
  FreeWindow(wnd);
  windata::GeometryChanged();
  return true;
}

HWND GetParent(HWND wnd) {
  const TWindowData* w = Find(wnd);
  if (!w) return 0;
  return w->parent != 0 ? w->parent : w->owner;
}

HWND SetParent(HWND wnd, HWND newParent) {
  TWindowData* w = Find(wnd);
  if (!w) return 0;
  if (newParent != 0 && (!Find(newParent) || windata::Contains(wnd, newParent))) return 0;
  const HWND old = GetParent(wnd);
  if (newParent == w->parent && newParent != 0) return old;
  const bool wasVisible = windata::Visible(*w);
  if (wasVisible && w->parent != 0) windata::ExposeInParent(*w, AreaInParent(*w));
  if (w->parent == 0) TellHost(*w, false, wasVisible, false, false);
  std::erase(Siblings(*w), wnd);
  if (newParent != 0) {
    w->parent = newParent;
    w->owner = 0;
    Find(newParent)->children.insert(Find(newParent)->children.begin(), wnd);
    windata::DetachSurface(*w);
  } else {
    w->parent = 0;
    w->owner = 0;
    RaiseTopLevel(wnd);
    windata::AttachSurface(*w);
    TellHost(*w, windata::Visible(*w), false, false, false);
  }
  windata::GeometryChanged();
  if (windata::Visible(*w)) windata::InvalidateWhole(*w);
  return old;
}

HWND GetWindow(HWND wnd, UINT relation) {
  const TWindowData* w = Find(wnd);
  if (!w) return 0;
  if (relation == GW_CHILD) return w->children.empty() ? 0 : w->children.front();
  if (relation == GW_OWNER) return w->owner;
  const auto& list = Siblings(*w);
  auto it = std::find(list.begin(), list.end(), wnd);
  switch (relation) {
    case GW_HWNDFIRST:
      return list.front();
    case GW_HWNDLAST:
      return list.back();
    case GW_HWNDNEXT:
      return (it != list.end() && it + 1 != list.end()) ? *(it + 1) : 0;
    case GW_HWNDPREV:
      return (it != list.end() && it != list.begin()) ? *(it - 1) : 0;
    default:
      return 0;
  }
}

HWND GetAncestor(HWND wnd, UINT kind) {
  TWindowData* w = Find(wnd);
  if (!w) return 0;
  switch (kind) {
    case GA_PARENT:
      return w->parent;
    case GA_ROOT:
      return windata::TopLevelOf(*w).handle;
    case GA_ROOTOWNER: {
      const TWindowData* root = &windata::TopLevelOf(*w);
      while (root->owner != 0 && Find(root->owner)) root = Find(root->owner);
      return root->handle;
    }
    default:
      return 0;
  }
}

HWND GetTopWindow(HWND parent) {
  if (parent == 0) return windata::TopLevels().empty() ? 0 : windata::TopLevels().front();
  return GetWindow(parent, GW_CHILD);
}

HWND GetDesktopWindow() {
  return 0;
}

bool IsChild(HWND parent, HWND wnd) {
  return wnd != parent && windata::Contains(parent, wnd);
}

LONG_PTR GetWindowLong(HWND wnd, int index) {
  const TWindowData* w = Find(wnd);
  if (!w) return 0;
  if (index == GWL_STYLE) return static_cast<LONG_PTR>(w->style);
  if (index == GWL_EXSTYLE) return static_cast<LONG_PTR>(w->exStyle);
  return 0;
}

LONG_PTR SetWindowLong(HWND wnd, int index, LONG_PTR value) {
  TWindowData* w = Find(wnd);
  if (!w) return 0;
  LONG_PTR old = GetWindowLong(wnd, index);
  if (index == GWL_STYLE) w->style = static_cast<UINT>(value);
  if (index == GWL_EXSTYLE) w->exStyle = static_cast<UINT>(value);
  return old;
}

UINT GetClassLong(HWND wnd, int index) {
  const TWindowData* w = Find(wnd);
  return (w && index == GCL_STYLE) ? w->classStyle : 0;
}

bool IsWindowVisible(HWND wnd) {
  const TWindowData* w = Find(wnd);
  return w && windata::Visible(*w);
}

bool IsWindowEnabled(HWND wnd) {
  const TWindowData* w = Find(wnd);
  return w && !(w->style & WS_DISABLED);
}

bool EnableWindow(HWND wnd, bool enable) {
  TWindowData* w = Find(wnd);
  if (!w) return false;
  const bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    windata::ReleaseInputOf(wnd, windata::TInputRelease::Disable);
  }
  if (Find(wnd)) Send(wnd, WM_ENABLE, enable ? 1 : 0);
  return wasDisabled;
}

namespace {

// The rectangle a maximized window fills: its monitor's work area (the monitor nearest to
// where it is restored to), or its parent's client area.
TRect MaximizedRect(const TWindowData& w, const TRect& normal) {
  if (w.parent != 0) {
    TRect client;
    GetClientRect(w.parent, client);
    return client;
  }
  MONITORINFO info;
  GetMonitorInfo(MonitorFromRect(normal, MONITOR_DEFAULTTONEAREST), info);
  return info.rcWork;
}

// Maximizes (keeping `normal` to go back to) or restores to `normal`; the window may be
// gone afterwards, as its procedure ran.
void PlaceWindow(HWND wnd, bool maximize, const TRect& normal) {
  TWindowData* w = Find(wnd);
  if (!w) return;
  if (maximize)
    w->normalRect = normal;
  else
    w->normalRect.reset();
  const TRect target = maximize ? MaximizedRect(*w, normal) : normal;
  SetWindowPos(wnd, 0, target.left, target.top, target.Width(), target.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

WPARAM SizeKind(const TWindowData& w) {
  if (w.style & WS_MINIMIZE) return SIZE_MINIMIZED;
  return w.normalRect ? SIZE_MAXIMIZED : SIZE_RESTORED;
}

// Minimizes a top-level window or brings it back; the window may be gone afterwards.
void SetIconic(HWND wnd, bool iconic) {
  TWindowData* w = Find(wnd);
  if (!w || w->parent != 0 || ((w->style & WS_MINIMIZE) != 0) == iconic) return;
  if (iconic)
    w->style |= WS_MINIMIZE;
  else
    w->style &= ~WS_MINIMIZE;
  if (w->style & WS_VISIBLE) Host().WindowMinimized(wnd, iconic);
  if (iconic) windata::ReleaseInputOf(wnd, windata::TInputRelease::Minimize);
  // The client keeps its size while minimized, so that nothing is laid out anew for it.
  if ((w = Find(wnd))) Send(wnd, WM_SIZE, SizeKind(*w), MAKELPARAM(w->client.Width(), w->client.Height()));
}

bool IsMinimizing(int command) {
  return command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
}

}  // namespace

bool IsZoomed(HWND wnd) {
  const TWindowData* w = Find(wnd);
  return w && w->normalRect.has_value();
}

bool IsIconic(HWND wnd) {
  const TWindowData* w = Find(wnd);
  return w && (w->style & WS_MINIMIZE);
}

bool GetWindowPlacement(HWND wnd, WINDOWPLACEMENT& placement) {
  const TWindowData* w = Find(wnd);
  if (!w) return false;
  placement = WINDOWPLACEMENT{};
  placement.showCmd = (w->style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : w->normalRect ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  placement.rcNormalPosition = w->normalRect.value_or(w->rect);
  return true;
}

bool SetWindowPlacement(HWND wnd, const WINDOWPLACEMENT& placement) {
  if (!Find(wnd)) return false;
  if (IsMinimizing(placement.showCmd)) {
    SetIconic(wnd, true);
    return Find(wnd) != nullptr;
  }
  SetIconic(wnd, false);
  if (Find(wnd)) PlaceWindow(wnd, placement.showCmd == SW_SHOWMAXIMIZED, placement.rcNormalPosition);
  return Find(wnd) != nullptr;
}

bool ShowWindow(HWND wnd, int command) {
  TWindowData* w = Find(wnd);
  if (!w) return false;
  const bool minimize = IsMinimizing(command);
  if (minimize) {
    SetIconic(wnd, true);
  } else if (command == SW_SHOWMAXIMIZED || command == SW_SHOWNORMAL || command == SW_RESTORE) {
    // Restoring a minimized window gives back the size it had, maximized or not.
    const bool keepSize = command == SW_RESTORE && (w->style & WS_MINIMIZE);
    SetIconic(wnd, false);
    w = Find(wnd);
    if (w && !keepSize && (command == SW_SHOWMAXIMIZED || w->normalRect))
      PlaceWindow(wnd, command == SW_SHOWMAXIMIZED, w->normalRect.value_or(w->rect));
  }
  w = Find(wnd);
  if (!w) return false;
  const bool wasVisible = (w->style & WS_VISIBLE) != 0;
  const bool show = command != SW_HIDE;
  const bool activate = show && !minimize && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE;
  if (show == wasVisible && !(activate && w->parent == 0)) return wasVisible;
  if (show != wasVisible) {
    Send(wnd, WM_SHOWWINDOW, show ? 1 : 0);
    if (!Find(wnd)) return wasVisible;
  }
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
  if (!activate) flags |= SWP_NOACTIVATE;
  if (!show || w->parent != 0) flags |= SWP_NOZORDER;
  SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, flags);
  return wasVisible;
}

bool SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  TWindowData* w = Find(wnd);
  if (!w) return false;
  WINDOWPOS pos{wnd, insertAfter, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) {
    pos.x = w->rect.left;
    pos.y = w->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    pos.cx = w->rect.Width();
    pos.cy = w->rect.Height();
  }
  if (!(flags & SWP_NOSENDCHANGING)) {
    Send(wnd, WM_WINDOWPOSCHANGING, 0, AsParam(&pos));
    if (!Find(wnd)) return false;
  }
  return ApplyWindowPos(wnd, pos);
}

bool MoveWindow(HWND wnd, int x, int y, int width, int height, bool repaint) {
  return SetWindowPos(wnd, 0, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

bool BringWindowToTop(HWND wnd) {
  return SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool GetWindowRect(HWND wnd, TRect& rect) {
  const TWindowData* w = Find(wnd);
  if (!w) return false;
  TPoint origin = windata::ScreenOrigin(*w);
  rect = Bounds(origin.x, origin.y, w->rect.Width(), w->rect.Height());
  return true;
}

bool GetClientRect(HWND wnd, TRect& rect) {
  const TWindowData* w = Find(wnd);
  if (!w) return false;
  rect = Bounds(0, 0, w->client.Width(), w->client.Height());
  return true;
}

bool ClientToScreen(HWND wnd, TPoint& point) {
  const TWindowData* w = Find(wnd);
  if (!w) return false;
  TPoint origin = windata::ClientScreenOrigin(*w);
  point = {point.x + origin.x, point.y + origin.y};
  return true;
}

bool ScreenToClient(HWND wnd, TPoint& point) {
  const TWindowData* w = Find(wnd);
  if (!w) return false;
  TPoint origin = windata::ClientScreenOrigin(*w);
  point = {point.x - origin.x, point.y - origin.y};
  return true;
}

int MapWindowPoints(HWND from, HWND to, TPoint* points, int count) {
  TPoint offset{0, 0};
  if (from != 0 && !ClientToScreen(from, offset)) return 0;
  TPoint back{0, 0};
  if (to != 0 && !ClientToScreen(to, back)) return 0;
  const int dx = offset.x - back.x;
  const int dy = offset.y - back.y;
  for (int i = 0; i < count; ++i) points[i] = {points[i].x + dx, points[i].y + dy};
  return static_cast<int>(MAKELONG(dx, dy));
}

int MapWindowPoints(HWND from, HWND to, TRect& rect) {
  TPoint corners[2] = {rect.TopLeft(), rect.BottomRight()};
  int result = MapWindowPoints(from, to, corners, 2);
  rect = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  return result;
}

HWND WindowFromPoint(TPoint point) {
  return windata::WindowAt(point, {});
}

HWND ChildWindowFromPointEx(HWND parent, TPoint point, UINT flags) {
  const TWindowData* w = Find(parent);
  if (!w || !PtInRect(Bounds(0, 0, w->client.Width(), w->client.Height()), point)) return 0;
  TPoint screen = point;
  ClientToScreen(parent, screen);
  for (HWND child : w->children) {
    const TWindowData* c = Find(child);
    if (!c) continue;
    if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->exStyle & WS_EX_TRANSPARENT)) continue;
    if (ContainsScreenPoint(*c, screen)) return child;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, TPoint point) {
  return ChildWindowFromPointEx(parent, point, CWP_ALL);
}

int SetWindowRgn(HWND wnd, const TRegion* region, bool redraw) {
  TWindowData* w = Find(wnd);
  if (!w) return 0;
  const bool wasVisible = windata::Visible(*w);
  const TRegion oldArea = AreaInParent(*w);
  if (region)
    w->shape = *region;
  else
    w->shape.reset();
  windata::GeometryChanged();
  if (redraw) Repaint(*w, wasVisible, oldArea, w->client, true, true);
  return 1;
}

int GetWindowRgn(HWND wnd, TRegion& region) {
  const TWindowData* w = Find(wnd);
  if (!w || !w->shape) return ERROR;
  region = *w->shape;
  return region.Type();
}

bool SetWindowText(HWND wnd, const AnsiString& text) {
  TWindowData* w = Find(wnd);
  if (!w) return false;
  w->text = text;
  if (!IsRectEmpty(CaptionRect(wnd))) w->ncDirty = true;
  if (w->parent == 0) Host().WindowTextChanged(wnd);
  return true;
}

AnsiString GetWindowText(HWND wnd) {
  const TWindowData* w = Find(wnd);
  return w ? w->text : AnsiString();
}

HMONITOR MonitorFromWindow(HWND wnd, UINT flags) {
  TRect rect;
  if (!GetWindowRect(wnd, rect)) return flags == MONITOR_DEFAULTTONULL ? 0 : 1;
  return MonitorFromRect(rect, flags);
}

namespace windata {

HWND WindowAt(TPoint screen, const std::vector<HWND>& excluded) {
  for (HWND top : TopLevels()) {
    const TWindowData* w = Find(top);
    if (!w || (w->style & (WS_VISIBLE | WS_MINIMIZE)) != WS_VISIBLE) continue;
    if (std::find(excluded.begin(), excluded.end(), top) != excluded.end()) continue;
    if (ContainsScreenPoint(*w, screen)) return DeepestAt(*w, screen, excluded);
  }
  return 0;
}

}  // namespace windata

LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindowData* w = Find(wnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCALCSIZE: {
      auto* rect = reinterpret_cast<TRect*>(lParam);
      if (rect) *rect = DefaultClientRect(w->style, w->exStyle, *rect);
      return 0;
    }
    case WM_NCHITTEST:
      return DefaultHitTest(*w, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCPAINT:
      PaintDefaultFrame(wnd);
      return 0;
    case WM_NCACTIVATE:
      w->ncActive = wParam != 0;
      w->ncDirty = true;
      return 1;
    case WM_CAPTURECHANGED:
      if (static_cast<HWND>(lParam) != wnd) windata::CancelScrollTrackingWithin(wnd);
      return 0;
    case WM_PAINT:
      if (wParam == 0) {
        PAINTSTRUCT ps;
        BeginPaint(wnd, ps);
        EndPaint(wnd, ps);
      }
      return 0;
    case WM_ERASEBKGND:
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!pos) return 0;
      if (!(pos->flags & SWP_NOSIZE))
        Send(wnd, WM_SIZE, SizeKind(*w), MAKELPARAM(w->client.Width(), w->client.Height()));
      if ((w = Find(wnd)) && !(pos->flags & SWP_NOMOVE))
        Send(wnd, WM_MOVE, 0, MAKELPARAM(w->rect.left + w->client.left, w->rect.top + w->client.top));
      return 0;
    }
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
      return w->parent != 0 ? Send(w->parent, msg, wParam, lParam) : 0;
    case WM_MOUSEACTIVATE:
      if (w->parent != 0)
        if (LRESULT answer = Send(w->parent, msg, wParam, lParam)) return answer;
      return MA_ACTIVATE;
    case WM_SETCURSOR:
      return DefaultSetCursor(wnd, wParam, lParam);
    case WM_RBUTTONUP: {
      TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(wnd, p);
      Send(wnd, WM_CONTEXTMENU, wnd, MAKELPARAM(p.x, p.y));
      return 0;
    }
    case WM_KEYUP:
      if (wParam == VK_APPS) Send(wnd, WM_CONTEXTMENU, wnd, MAKELPARAM(-1, -1));
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) Send(wnd, WM_CONTEXTMENU, wnd, MAKELPARAM(-1, -1));
      return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      const auto hit = static_cast<LRESULT>(wParam);
      if (hit == HTVSCROLL || hit == HTHSCROLL)
        BeginScrollBarTracking(wnd, hit == HTVSCROLL ? SB_VERT : SB_HORZ,
                               {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      else if (hit == HTCLOSE || hit == HTMINBUTTON || hit == HTMAXBUTTON)
        BeginCaptionButtonTracking(wnd, hit);
      else if (msg == WM_NCLBUTTONDBLCLK && hit == HTCAPTION && (w->style & WS_THICKFRAME) &&
               (w->style & WS_MAXIMIZEBOX) && (w->style & WS_SYSMENU))
        Send(wnd, WM_SYSCOMMAND, IsZoomed(wnd) ? SC_RESTORE : SC_MAXIMIZE);
      return 0;
    }
    case WM_CANCELMODE:
      windata::CancelScrollTrackingWithin(wnd);
      if (GetCapture() == wnd) ReleaseCapture();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !windata::Contains(wnd, GetFocus())) SetFocus(wnd);
      return 0;
    case WM_CLOSE:
      DestroyWindow(wnd);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          Send(wnd, WM_CLOSE);
          break;
        case SC_MINIMIZE:
          ShowWindow(wnd, SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          ShowWindow(wnd, SW_SHOWMAXIMIZED);
          break;
        case SC_RESTORE:
          ShowWindow(wnd, SW_RESTORE);
          break;
        default:
          break;
      }
      return 0;
    default:
      return 0;
  }
}

}  // namespace ordvane
