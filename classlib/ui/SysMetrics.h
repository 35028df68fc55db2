#pragma once
// System metrics, the double-click settings, and monitors with their work areas. The
// sizes are those of the classic look at 96 pixels per inch; the monitors come from the
// host (Host.h). Geometry divides with MulDiv (core Math.h), which never divides by zero.

#include "classlib/core/Math.h"
#include "classlib/core/Messages.h"
#include "classlib/ui/Types.h"

namespace ordvane {

// Indexes of GetSystemMetrics.
enum : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXVSCROLL = 2,
  SM_CYHSCROLL = 3,
  SM_CYCAPTION = 4,
  SM_CXBORDER = 5,
  SM_CYBORDER = 6,
  SM_CXDLGFRAME = 7,
  SM_CYDLGFRAME = 8,
  SM_CYVTHUMB = 9,
  SM_CXHTHUMB = 10,
  SM_CXICON = 11,
  SM_CYICON = 12,
  SM_CXCURSOR = 13,
  SM_CYCURSOR = 14,
  SM_CYMENU = 15,
  SM_CXFULLSCREEN = 16,
  SM_CYFULLSCREEN = 17,
  SM_MOUSEPRESENT = 19,
  SM_CYVSCROLL = 20,
  SM_CXHSCROLL = 21,
  SM_SWAPBUTTON = 23,
  SM_CXMIN = 28,
  SM_CYMIN = 29,
  SM_CXSIZE = 30,
  SM_CYSIZE = 31,
  SM_CXFRAME = 32,
  SM_CYFRAME = 33,
  SM_CXMINTRACK = 34,
  SM_CYMINTRACK = 35,
  SM_CXDOUBLECLK = 36,
  SM_CYDOUBLECLK = 37,
  SM_CXEDGE = 45,
  SM_CYEDGE = 46,
  SM_CXSMICON = 49,
  SM_CYSMICON = 50,
  SM_CYSMCAPTION = 51,
  SM_CXDRAG = 68,
  SM_CYDRAG = 69,
  SM_CXMENUCHECK = 71,
  SM_CYMENUCHECK = 72,
  SM_MOUSEWHEELPRESENT = 75,
  SM_XVIRTUALSCREEN = 76,
  SM_YVIRTUALSCREEN = 77,
  SM_CXVIRTUALSCREEN = 78,
  SM_CYVIRTUALSCREEN = 79,
  SM_CMONITORS = 80,
};

// The metric of that index; 0 for an index it does not know.
int GetSystemMetrics(int index);

// The longest pause between the clicks of a double click, in milliseconds (500 unless set).
UINT GetDoubleClickTime();
void SetDoubleClickTime(UINT milliseconds);

// Actions of SystemParametersInfo: the primary monitor's work area (pv: TRect*) and the
// lines one wheel notch scrolls (pv: UINT*).
constexpr UINT SPI_GETWORKAREA = 0x0030;
constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;
bool SystemParametersInfo(UINT action, UINT param, void* pv, UINT winIni);

// Monitors: a handle is the monitor's place in the host's list plus one.
using HMONITOR = std::uintptr_t;
constexpr UINT MONITOR_DEFAULTTONULL = 0;
constexpr UINT MONITOR_DEFAULTTOPRIMARY = 1;
constexpr UINT MONITOR_DEFAULTTONEAREST = 2;
constexpr UINT MONITORINFOF_PRIMARY = 1;
struct MONITORINFO {
  TRect rcMonitor;
  TRect rcWork;
  UINT dwFlags = 0;
};
int MonitorCount();
HMONITOR MonitorFromPoint(TPoint point, UINT flags);
// The monitor sharing the most area with the rectangle.
HMONITOR MonitorFromRect(const TRect& rect, UINT flags);
bool GetMonitorInfo(HMONITOR monitor, MONITORINFO& info);

}  // namespace ordvane
