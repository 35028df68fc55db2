#pragma once
// The scope of the grid's drawing units that puts a device context's mapping back.

#include "classlib/ui/DeviceContext.h"

namespace ordvane::grids_internal {

// The mapping (mode, origins, extents) of a device context, restored at the end.
class TMappingScope {
 public:
  explicit TMappingScope(TDeviceContext& dc)
      : fDc(dc),
        fMapMode(dc.GetMapMode()),
        fWindowOrg(dc.GetWindowOrgEx()),
        fWindowExt(dc.GetWindowExtEx()),
        fViewportOrg(dc.GetViewportOrgEx()),
        fViewportExt(dc.GetViewportExtEx()) {}
  ~TMappingScope() {
    fDc.SetMapMode(fMapMode);
    fDc.SetWindowExtEx(fWindowExt.cx, fWindowExt.cy);
    fDc.SetViewportExtEx(fViewportExt.cx, fViewportExt.cy);
    fDc.SetWindowOrgEx(fWindowOrg.x, fWindowOrg.y);
    fDc.SetViewportOrgEx(fViewportOrg.x, fViewportOrg.y);
  }
  TMappingScope(const TMappingScope&) = delete;
  TMappingScope& operator=(const TMappingScope&) = delete;

 private:
  TDeviceContext& fDc;
  int fMapMode;
  TPoint fWindowOrg;
  TSize fWindowExt;
  TPoint fViewportOrg;
  TSize fViewportExt;
};

}  // namespace ordvane::grids_internal
