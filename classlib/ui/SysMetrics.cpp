#include "classlib/ui/SysMetrics.h"

#include <algorithm>
#include <limits>

#include "classlib/ui/Host.h"

namespace ordvane {

namespace {

UINT gDoubleClickTime = 500;

TMonitorInfo PrimaryMonitor() {
  return Host().Monitors().front();
}

TRect VirtualScreen() {
  TRect all;
  for (const TMonitorInfo& m : Host().Monitors()) UnionRect(all, all, m.bounds);
  return all;
}

// The classic metrics at 96 pixels per inch that do not depend on the monitors.
int FixedMetric(int index) {
  switch (index) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYCAPTION:
    case SM_CYMENU:
      return 19;
    case SM_CYSMCAPTION:
      return 17;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return 18;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return 27;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return 13;
    default:
      return 0;
  }
}

}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return PrimaryMonitor().bounds.Width();
    case SM_CYSCREEN:
      return PrimaryMonitor().bounds.Height();
    case SM_CXFULLSCREEN:
      return PrimaryMonitor().workArea.Width();
    case SM_CYFULLSCREEN:
      return PrimaryMonitor().workArea.Height() - FixedMetric(SM_CYCAPTION);
    case SM_XVIRTUALSCREEN:
      return VirtualScreen().left;
    case SM_YVIRTUALSCREEN:
      return VirtualScreen().top;
    case SM_CXVIRTUALSCREEN:
      return VirtualScreen().Width();
    case SM_CYVIRTUALSCREEN:
      return VirtualScreen().Height();
    case SM_CMONITORS:
      return MonitorCount();
    default:
      return FixedMetric(index);
  }
}

UINT GetDoubleClickTime() {
  return gDoubleClickTime;
}

void SetDoubleClickTime(UINT milliseconds) {
  gDoubleClickTime = milliseconds == 0 ? 500 : milliseconds;
}

bool SystemParametersInfo(UINT action, UINT /*param*/, void* pv, UINT /*winIni*/) {
  if (!pv) return false;
  switch (action) {
    case SPI_GETWORKAREA:
      *static_cast<TRect*>(pv) = PrimaryMonitor().workArea;
      return true;
    case SPI_GETWHEELSCROLLLINES:
      *static_cast<UINT*>(pv) = 3;
      return true;
    default:
      return false;
  }
}

int MonitorCount() {
  return static_cast<int>(Host().Monitors().size());
}

namespace {

// The squared distance from a point to the nearest pixel of a rectangle.
long long DistanceSquared(const TRect& r, TPoint p) {
  long long dx = p.x < r.left ? r.left - p.x : (p.x >= r.right ? p.x - (r.right - 1) : 0);
  long long dy = p.y < r.top ? r.top - p.y : (p.y >= r.bottom ? p.y - (r.bottom - 1) : 0);
  return dx * dx + dy * dy;
}

long long Area(const TRect& r) {
  return IsRectEmpty(r) ? 0 : static_cast<long long>(r.Width()) * r.Height();
}

HMONITOR NoMonitor(UINT flags, HMONITOR nearest) {
  switch (flags) {
    case MONITOR_DEFAULTTOPRIMARY:
      return 1;
    case MONITOR_DEFAULTTONEAREST:
      return nearest;
    default:
      return 0;
  }
}

}  // namespace

HMONITOR MonitorFromPoint(TPoint point, UINT flags) {
  auto monitors = Host().Monitors();
  HMONITOR nearest = 1;
  long long best = std::numeric_limits<long long>::max();
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    long long d = DistanceSquared(monitors[i].bounds, point);
    if (d == 0) return i + 1;
    if (d < best) {
      best = d;
      nearest = i + 1;
    }
  }
  return NoMonitor(flags, nearest);
}

HMONITOR MonitorFromRect(const TRect& rect, UINT flags) {
  auto monitors = Host().Monitors();
  long long bestArea = 0;
  HMONITOR best = 0;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    TRect common;
    IntersectRect(common, monitors[i].bounds, rect);
    if (Area(common) > bestArea) {
      bestArea = Area(common);
      best = i + 1;
    }
  }
  if (best != 0) return best;
  TPoint centre{rect.left + rect.Width() / 2, rect.top + rect.Height() / 2};
  return NoMonitor(flags, MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST));
}

bool GetMonitorInfo(HMONITOR monitor, MONITORINFO& info) {
  auto monitors = Host().Monitors();
  if (monitor == 0 || monitor > monitors.size()) return false;
  const TMonitorInfo& m = monitors[monitor - 1];
  info.rcMonitor = m.bounds;
  info.rcWork = m.workArea;
  info.dwFlags = monitor == 1 ? MONITORINFOF_PRIMARY : 0;
  return true;
}

}  // namespace ordvane
