#include "classlib/ui/WinPaint.h"

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "classlib/core/Clock.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/CaptionButtons.h"
#include "classlib/ui/Colors.h"
#include "classlib/ui/Host.h"
#include "classlib/ui/RasterDC.h"
#include "classlib/ui/ScrollBars.h"
#include "classlib/ui/WindowData.h"
#include "classlib/ui/Windows.h"

namespace ordvane {

using windata::Find;
using windata::TWindowData;

namespace {

TRegion Intersect(const TRegion& a, const TRegion& b) {
  return TRegion::Combine(a, b, RGN_AND);
}
TRegion Subtract(const TRegion& a, const TRegion& b) {
  return TRegion::Combine(a, b, RGN_DIFF);
}
TRegion Unite(const TRegion& a, const TRegion& b) {
  return TRegion::Combine(a, b, RGN_OR);
}
TRegion Shifted(TRegion r, int dx, int dy) {
  r.Offset(dx, dy);
  return r;
}

TRect ClientBounds(const TWindowData& w) {
  return Bounds(0, 0, w.client.Width(), w.client.Height());
}

// The window's own pixels on its top-level surface: its rectangle, cut to its shape.
TRegion AreaOnSurface(const TWindowData& w) {
  TRect r = windata::SurfaceRect(w);
  TRegion area(r);
  if (w.shape) area = Intersect(area, Shifted(*w.shape, r.left, r.top));
  return area;
}

// What a context of the window may draw on, in surface coordinates.
TRegion VisibleRegion(const TWindowData& w, bool whole) {
  if (!windata::Visible(w)) return {};
  TRegion region =
      Intersect(TRegion(whole ? windata::SurfaceRect(w) : windata::SurfaceClientRect(w)), AreaOnSurface(w));
  for (const TWindowData* cur = &w; cur->parent != 0;) {
    const TWindowData* parent = Find(cur->parent);
    if (!parent) break;
    region =
        Intersect(region, Intersect(TRegion(windata::SurfaceClientRect(*parent)), AreaOnSurface(*parent)));
    for (HWND sibling : parent->children) {
      if (sibling == cur->handle) break;
      const TWindowData* s = Find(sibling);
      if (s && (s->style & WS_VISIBLE)) region = Subtract(region, AreaOnSurface(*s));
    }
    cur = parent;
  }
  if (w.style & WS_CLIPCHILDREN)
    for (HWND child : w.children)
      if (const TWindowData* c = Find(child); c && (c->style & WS_VISIBLE))
        region = Subtract(region, AreaOnSurface(*c));
  return region;
}

// A device context handed out by GetDC, GetWindowDC or BeginPaint.
struct DCRecord {
  HWND wnd = 0;
  bool whole = false;
  std::optional<TRegion> paint;  // BeginPaint: the region being painted, client coordinates
  std::shared_ptr<TRaster> surface;
  std::unique_ptr<TRasterDC> dc;
};

std::vector<std::unique_ptr<DCRecord>>& Outstanding() {
  static std::vector<std::unique_ptr<DCRecord>> list;
  return list;
}

std::shared_ptr<TRaster> SurfaceOf(TWindowData& w) {
  return windata::TopLevelOf(w).surface;
}

void Refresh(DCRecord& r) {
  TWindowData* w = Find(r.wnd);
  if (!w || w->destroying || SurfaceOf(*w) != r.surface) {
    const TRegion nothing;
    r.dc->SetVisibleRegion(&nothing);
    return;
  }
  const TRect place = r.whole ? windata::SurfaceRect(*w) : windata::SurfaceClientRect(*w);
  TRegion visible = VisibleRegion(*w, r.whole);
  if (r.paint) {
    const TRect client = windata::SurfaceClientRect(*w);
    visible = Intersect(visible, Shifted(*r.paint, client.left, client.top));
  }
  visible.Offset(-static_cast<long long>(place.left), -static_cast<long long>(place.top));
  r.dc->SetDeviceOrigin(place.TopLeft());
  r.dc->SetVisibleRegion(&visible);
}

HDC NewDC(HWND wnd, bool whole, std::optional<TRegion> paint) {
  TWindowData* w = Find(wnd);
  if (!w) return nullptr;
  auto record = std::make_unique<DCRecord>();
  record->wnd = wnd;
  record->whole = whole;
  record->paint = std::move(paint);
  record->surface = SurfaceOf(*w);
  if (!record->surface) record->surface = std::make_shared<TRaster>();
  record->dc = std::make_unique<TRasterDC>(*record->surface);
  Refresh(*record);
  HDC dc = record->dc.get();
  Outstanding().push_back(std::move(record));
  return dc;
}

// The window's invalid area grows by a region (client coordinates); children take part
// as RedrawWindow decides.
void AddUpdate(TWindowData& w, const TRegion& region, bool erase, bool allChildren, bool noChildren) {
  if (!windata::Visible(w)) return;
  const TRegion own = Intersect(region, TRegion(ClientBounds(w)));
  if (!own.Empty()) {
    w.update = Unite(w.update, own);
    if (erase) w.erase = true;
  }
  if (noChildren || (!allChildren && (w.style & WS_CLIPCHILDREN))) return;
  for (HWND child : w.children) {
    TWindowData* c = Find(child);
    if (!c || !(c->style & WS_VISIBLE)) continue;
    TRegion inChild = Intersect(Shifted(region, -c->rect.left, -c->rect.top),
                                TRegion(Bounds(0, 0, c->rect.Width(), c->rect.Height())));
    if (c->shape) inChild = Intersect(inChild, *c->shape);
    if (inChild.Empty()) continue;
    if (!Subtract(inChild, TRegion(c->client)).Empty()) c->ncDirty = true;
    AddUpdate(*c, Shifted(inChild, -c->client.left, -c->client.top), erase, allChildren, false);
  }
}

void RemoveUpdate(TWindowData& w, const TRegion* region) {
  w.update = region ? Subtract(w.update, *region) : TRegion();
  if (w.update.Empty()) w.erase = false;
}

// Whether the window waits to be painted. A window whose last WM_PAINT was taken to be
// handled without it painting is taken as painted now.
bool NeedsPaint(TWindowData& w) {
  if (w.update.Empty() && !w.ncDirty) return false;
  if (w.paintTakenAt && *w.paintTakenAt == w.paintCount) {
    RemoveUpdate(w, nullptr);
    w.ncDirty = false;
    w.paintTakenAt.reset();
    return false;
  }
  return true;
}

TWindowData* FirstToPaint(TWindowData& w) {
  if (!windata::Visible(w)) return nullptr;
  if (NeedsPaint(w)) return &w;
  for (HWND child : w.children)
    if (TWindowData* c = Find(child))
      if (TWindowData* found = FirstToPaint(*c)) return found;
  return nullptr;
}

// The paint source of a thread's queue: the first window of the thread, parents before
// children, that has something to paint.
bool NextPaintMessage(HWND wnd, bool remove, TMsg& msg) {
  const std::thread::id self = std::this_thread::get_id();
  TWindowData* found = nullptr;
  if (wnd != 0) {
    TWindowData* w = Find(wnd);
    if (w && w->thread == self && windata::Visible(*w) && NeedsPaint(*w)) found = w;
  } else {
    for (HWND top : windata::TopLevels()) {
      TWindowData* t = Find(top);
      if (t && t->thread == self && (found = FirstToPaint(*t))) break;
    }
  }
  if (!found) return false;
  if (remove) found->paintTakenAt = found->paintCount;
  msg = TMsg{found->handle, WM_PAINT, 0, 0, GetTickCount()};
  return true;
}

void EraseNow(HWND wnd) {
  TWindowData* w = Find(wnd);
  if (!w || !w->erase) return;
  w->erase = false;
  HDC dc = NewDC(wnd, false, w->update);
  SendMessage(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ReleaseDC(wnd, dc);
}

void UpdateTree(HWND wnd, bool children) {
  UpdateWindow(wnd);
  const TWindowData* w = Find(wnd);
  if (!w || !children) return;
  const std::vector<HWND> list = w->children;
  for (HWND child : list) UpdateTree(child, true);
}

// Copies the pixels of a region of a surface from (dx, dy) away. Rows are done in the
// order that reads each source row before anything is written to it, each through a copy
// of its source row, so overlapping moves come out right.
void MovePixels(TRaster& surface, const TRegion& destination, int dx, int dy) {
  TRect sourceBounds = surface.BoundsRect();
  OffsetRect(sourceBounds, dx, dy);
  const TRegion area =
      Intersect(destination, Intersect(TRegion(surface.BoundsRect()), TRegion(sourceBounds)));
  struct Span {
    int y;
    int left;
    int right;
  };
  std::vector<Span> spans;
  for (const TRect& r : area.Rects())
    for (int y = r.top; y < r.bottom; ++y) spans.push_back({y, r.left, r.right});
  std::stable_sort(spans.begin(), spans.end(),
                   [dy](const Span& a, const Span& b) { return dy > 0 ? a.y > b.y : a.y < b.y; });
  std::vector<std::uint32_t> source(static_cast<std::size_t>(surface.Width()));
  int copied = -1;
  for (const Span& span : spans) {
    if (span.y != copied) {
      const std::uint32_t* row = surface.Row(span.y - dy);
      std::copy(row, row + surface.Width(), source.begin());
      copied = span.y;
    }
    std::copy(source.begin() + (span.left - dx), source.begin() + (span.right - dx),
              surface.Row(span.y) + span.left);
  }
}

void TellPixelsChanged(const TWindowData& w, const TRect& surfaceArea) {
  if (IsRectEmpty(surfaceArea)) return;
  const TWindowData& top = windata::TopLevelOf(const_cast<TWindowData&>(w));
  if (top.style & WS_VISIBLE) Host().WindowPixelsChanged(top.handle, surfaceArea);
}

TLogFont CaptionFont() {
  TLogFont font;
  font.lfHeight = -11;
  font.lfWeight = FW_BOLD;
  font.lfFaceName = "MS Sans Serif";
  return font;
}

void PaintFrameEdges(HDC dc, const TWindowData& w, TRect& r) {
  const TColorRef face = GetSysColor(COLOR_BTNFACE);
  if ((w.style & WS_THICKFRAME) || (w.style & WS_DLGFRAME) || (w.exStyle & WS_EX_DLGMODALFRAME)) {
    dc->DrawEdge(r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    const int ring =
        (w.style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME) - 2 : GetSystemMetrics(SM_CXDLGFRAME) - 2;
    for (int i = 0; i < ring; ++i) {
      dc->FrameRect(r, face);
      InflateRect(r, -1, -1);
    }
  } else if (w.style & WS_BORDER) {
    dc->FrameRect(r, GetSysColor(COLOR_WINDOWFRAME));
    InflateRect(r, -1, -1);
  }
}

void PaintCaption(HDC dc, const TWindowData& w) {
  TRect caption = CaptionRect(w.handle);
  if (IsRectEmpty(caption)) return;
  const bool active = w.ncActive;
  dc->FillRect(caption, GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
  dc->FillRect(Rect(caption.left, caption.bottom, caption.right, caption.bottom + 1),
               GetSysColor(COLOR_BTNFACE));
  const TLogFont oldFont = dc->SelectFont(CaptionFont());
  const TColorRef oldColor =
      dc->SetTextColor(GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  const int oldMode = dc->SetBkMode(TRANSPARENT);
  TRect text = caption;
  text.left += 3;
  for (LRESULT button : {HTMINBUTTON, HTMAXBUTTON, HTCLOSE})
    if (const TRect r = CaptionButtonRect(w.handle, button); !IsRectEmpty(r)) {
      text.right = std::max(text.left, r.left - 2);
      break;
    }
  dc->DrawText(w.text, text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  dc->SetBkMode(oldMode);
  dc->SetTextColor(oldColor);
  dc->SelectFont(oldFont);
  PaintCaptionButtons(w.handle, dc);
}

}  // namespace

namespace windata {

void AttachSurface(TWindowData& w) {
  if (!w.surface) {
    w.surface = std::make_shared<TRaster>();
    // The queue of the window's thread learns where its WM_PAINT messages come from.
    TMessageQueue::Current()->SetPaintSource(&NextPaintMessage);
  }
  if (w.surface->Width() != w.rect.Width() || w.surface->Height() != w.rect.Height())
    w.surface->SetSize(w.rect.Width(), w.rect.Height(), GetSysColor(COLOR_BTNFACE));
}

void DetachSurface(TWindowData& w) {
  w.surface.reset();
}

void InvalidateWhole(TWindowData& w) {
  if (!Visible(w)) return;
  w.update = TRegion(ClientBounds(w));
  w.erase = true;
  w.ncDirty = true;
  for (HWND child : w.children)
    if (TWindowData* c = Find(child)) InvalidateWhole(*c);
}

void ExposeInParent(const TWindowData& child, const TRegion& area) {
  TWindowData* parent = Find(child.parent);
  if (!parent || area.Empty()) return;
  AddUpdate(*parent, area, true, true, false);
}

void RefreshDeviceContexts() {
  for (auto& record : Outstanding()) Refresh(*record);
}

}  // namespace windata

bool InvalidateRect(HWND wnd, const TRect* rect, bool erase) {
  if (!rect) return InvalidateRgn(wnd, nullptr, erase);
  const TRegion region(*rect);
  return InvalidateRgn(wnd, &region, erase);
}

bool InvalidateRgn(HWND wnd, const TRegion* region, bool erase) {
  return RedrawWindow(wnd, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

bool ValidateRect(HWND wnd, const TRect* rect) {
  if (!rect) return ValidateRgn(wnd, nullptr);
  const TRegion region(*rect);
  return ValidateRgn(wnd, &region);
}

bool ValidateRgn(HWND wnd, const TRegion* region) {
  TWindowData* w = Find(wnd);
  if (!w) return false;
  RemoveUpdate(*w, region);
  return true;
}

bool GetUpdateRect(HWND wnd, TRect* rect, bool erase) {
  TRegion region;
  const int type = GetUpdateRgn(wnd, region, erase);
  if (rect) *rect = region.Box();
  return type != NULLREGION && type != ERROR;
}

int GetUpdateRgn(HWND wnd, TRegion& region, bool erase) {
  const TWindowData* w = Find(wnd);
  if (!w) return ERROR;
  if (erase) EraseNow(wnd);
  if (!(w = Find(wnd))) return ERROR;
  region = w->update;
  return region.Type();
}

bool UpdateWindow(HWND wnd) {
  const TWindowData* w = Find(wnd);
  if (!w) return false;
  if (windata::Visible(*w) && (!w->update.Empty() || w->ncDirty)) SendMessage(wnd, WM_PAINT, 0, 0);
  return true;
}

bool RedrawWindow(HWND wnd, const TRect* rect, const TRegion* region, UINT flags) {
  TWindowData* w = Find(wnd);
  if (!w) return false;
  TRegion area = region ? *region : (rect ? TRegion(*rect) : TRegion(ClientBounds(*w)));
  if (flags & RDW_INVALIDATE) {
    if (flags & RDW_FRAME) w->ncDirty = windata::Visible(*w);
    AddUpdate(*w, area, (flags & RDW_ERASE) != 0, (flags & RDW_ALLCHILDREN) != 0,
              (flags & RDW_NOCHILDREN) != 0);
  } else if (flags & RDW_VALIDATE) {
    RemoveUpdate(*w, (region || rect) ? &area : nullptr);
    if (flags & RDW_NOFRAME) w->ncDirty = false;
    if (flags & RDW_NOERASE) w->erase = false;
  }
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateTree(wnd, (flags & RDW_ALLCHILDREN) != 0);
  return true;
}

HDC BeginPaint(HWND wnd, PAINTSTRUCT& paint) {
  paint = PAINTSTRUCT{};
  TWindowData* w = Find(wnd);
  if (!w) return nullptr;
  ++w->paintCount;
  if (w->ncDirty) {
    w->ncDirty = false;
    SendMessage(wnd, WM_NCPAINT, 1, 0);
    if (!(w = Find(wnd))) return nullptr;
  }
  const TRegion update = w->update;
  const bool erase = w->erase;
  RemoveUpdate(*w, nullptr);
  windata::SuspendCaret(wnd);
  paint.hdc = NewDC(wnd, false, update);
  paint.rcPaint = update.Box();
  if (erase) paint.fErase = SendMessage(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint.hdc), 0) == 0;
  return paint.hdc;
}

bool EndPaint(HWND wnd, const PAINTSTRUCT& paint) {
  const bool released = ReleaseDC(wnd, paint.hdc) != 0;
  windata::ResumeCaret(wnd);
  return released;
}

HDC GetDC(HWND wnd) {
  return NewDC(wnd, false, std::nullopt);
}

HDC GetWindowDC(HWND wnd) {
  return NewDC(wnd, true, std::nullopt);
}

int ReleaseDC(HWND /*wnd*/, HDC dc) {
  auto& list = Outstanding();
  auto it = std::find_if(list.begin(), list.end(), [dc](const auto& r) { return r->dc.get() == dc; });
  if (it == list.end()) return 0;
  if (const TWindowData* w = Find((*it)->wnd)) {
    TRect touched;
    if ((*it)->dc->GetClipBox(touched) != NULLREGION) {
      const TPoint origin = (*it)->dc->SurfaceOrigin();
      OffsetRect(touched, origin.x, origin.y);
      TellPixelsChanged(*w, touched);
    }
  }
  list.erase(it);
  return 1;
}

int ScrollWindowEx(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip, TRegion* update,
                   TRect* updateRect, UINT flags) {
  TWindowData* w = Find(wnd);
  if (!w) return ERROR;
  const TRegion bounds(ClientBounds(*w));
  const TRegion source = scroll ? Intersect(TRegion(*scroll), bounds) : bounds;
  const TRegion limit = clip ? Intersect(TRegion(*clip), bounds) : bounds;
  const TRect client = windata::SurfaceClientRect(*w);
  const TRegion visible = Shifted(VisibleRegion(*w, false), -client.left, -client.top);
  const TRegion shiftedSource = Shifted(source, dx, dy);

  const TRegion moved = Intersect(Intersect(Shifted(Intersect(source, visible), dx, dy), limit), visible);
  if (auto surface = SurfaceOf(*w); surface && !moved.Empty()) {
    MovePixels(*surface, Shifted(moved, client.left, client.top), dx, dy);
    TRect box = moved.Box();
    OffsetRect(box, client.left, client.top);
    TellPixelsChanged(*w, box);
  }
  const TRegion uncovered = Subtract(Intersect(limit, source), shiftedSource);
  const TRegion unseenSources = Intersect(Shifted(Subtract(source, visible), dx, dy), limit);
  const TRegion exposed = Unite(uncovered, unseenSources);

  const TRegion carried = Intersect(Shifted(Intersect(w->update, source), dx, dy), limit);
  TRegion newUpdate = Unite(Subtract(w->update, Intersect(limit, shiftedSource)), carried);
  if (flags & SW_INVALIDATE) {
    newUpdate = Unite(newUpdate, exposed);
    if ((flags & SW_ERASE) && !exposed.Empty()) w->erase = true;
  }
  w->update = windata::Visible(*w) ? newUpdate : TRegion();
  if (w->update.Empty()) w->erase = false;
  if (update) *update = exposed;
  if (updateRect) *updateRect = exposed.Box();
  return exposed.Type();
}

bool ScrollWindow(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip) {
  return ScrollWindowEx(wnd, dx, dy, scroll, clip, nullptr, nullptr, SW_INVALIDATE | SW_ERASE) != ERROR;
}

const TRaster* WindowSurface(HWND wnd) {
  const TWindowData* w = Find(wnd);
  return (w && w->parent == 0) ? w->surface.get() : nullptr;
}

TRaster ScreenImage() {
  const TRect screen = Bounds(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                              GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
  TRaster image(screen.Width(), screen.Height(), GetSysColor(COLOR_BACKGROUND));
  const auto& tops = windata::TopLevels();
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    const TWindowData* w = Find(*it);
    if (!w || !(w->style & WS_VISIBLE) || !w->surface) continue;
    const TRaster& pixels = *w->surface;
    const int left = w->rect.left - screen.left;
    const int top = w->rect.top - screen.top;
    TRegion area(Bounds(left, top, pixels.Width(), pixels.Height()));
    if (w->shape) area = Intersect(area, Shifted(*w->shape, left, top));
    for (const TRect& r : Intersect(area, TRegion(image.BoundsRect())).Rects())
      for (int y = r.top; y < r.bottom; ++y) {
        const std::uint32_t* row = pixels.Row(y - top) + (r.left - left);
        std::copy(row, row + r.Width(), image.Row(y) + r.left);
      }
  }
  return image;
}

void PaintDefaultFrame(HWND wnd) {
  const TWindowData* w = Find(wnd);
  if (!w) return;
  HDC dc = GetWindowDC(wnd);
  TRect r = Bounds(0, 0, w->rect.Width(), w->rect.Height());
  PaintFrameEdges(dc, *w, r);
  PaintCaption(dc, *w);
  if (w->exStyle & WS_EX_CLIENTEDGE) {
    TRect edge = NonClientInnerRect(w->style, w->exStyle & ~WS_EX_CLIENTEDGE,
                                    Bounds(0, 0, w->rect.Width(), w->rect.Height()));
    dc->DrawEdge(edge, EDGE_SUNKEN, BF_RECT);
  }
  PaintScrollBars(wnd, dc);
  ReleaseDC(wnd, dc);
}

}  // namespace ordvane
