#include "classlib/ui/WindowData.h"

#include <unordered_map>

#include "classlib/ui/Windows.h"

namespace ordvane::windata {

namespace {

struct Records {
  std::unordered_map<HWND, std::unique_ptr<TWindowData>> windows;
  std::vector<HWND> topLevels;
};

// Lives as long as the process, so that windows destroyed at exit still find it.
Records& WindowRecords() {
  static auto* records = new Records;
  return *records;
}

}  // namespace

TWindowData* Find(HWND wnd) {
  auto& windows = WindowRecords().windows;
  auto it = windows.find(wnd);
  return it == windows.end() ? nullptr : it->second.get();
}

TWindowData& Add(HWND wnd) {
  auto record = std::make_unique<TWindowData>();
  record->handle = wnd;
  TWindowData& added = *record;
  WindowRecords().windows[wnd] = std::move(record);
  return added;
}

void Remove(HWND wnd) {
  WindowRecords().windows.erase(wnd);
}

std::vector<HWND>& TopLevels() {
  return WindowRecords().topLevels;
}

TPoint ScreenOrigin(const TWindowData& w) {
  if (w.parent == 0) return w.rect.TopLeft();
  const TWindowData* parent = Find(w.parent);
  if (!parent) return w.rect.TopLeft();
  TPoint origin = ClientScreenOrigin(*parent);
  return {origin.x + w.rect.left, origin.y + w.rect.top};
}

TPoint ClientScreenOrigin(const TWindowData& w) {
  TPoint origin = ScreenOrigin(w);
  return {origin.x + w.client.left, origin.y + w.client.top};
}

TWindowData& TopLevelOf(TWindowData& w) {
  TWindowData* cur = &w;
  while (cur->parent != 0) {
    TWindowData* parent = Find(cur->parent);
    if (!parent) break;
    cur = parent;
  }
  return *cur;
}

TRect SurfaceRect(const TWindowData& w) {
  TPoint origin = ScreenOrigin(w);
  TPoint top = ScreenOrigin(TopLevelOf(const_cast<TWindowData&>(w)));
  return Bounds(origin.x - top.x, origin.y - top.y, w.rect.Width(), w.rect.Height());
}

TRect SurfaceClientRect(const TWindowData& w) {
  TRect r = SurfaceRect(w);
  return Bounds(r.left + w.client.left, r.top + w.client.top, w.client.Width(), w.client.Height());
}

bool Visible(const TWindowData& w) {
  const TWindowData* cur = &w;
  for (;;) {
    if (!(cur->style & WS_VISIBLE)) return false;
    if (cur->parent == 0) return true;
    cur = Find(cur->parent);
    if (!cur) return false;
  }
}

bool Contains(HWND ancestor, HWND wnd) {
  for (const TWindowData* cur = Find(wnd); cur; cur = Find(cur->parent))
    if (cur->handle == ancestor) return true;
  return false;
}

void GeometryChanged() { RefreshDeviceContexts(); }

}  // namespace ordvane::windata
