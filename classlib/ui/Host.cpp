#include "classlib/ui/Host.h"

namespace ordvane {

namespace {

TWindowHost* gInstalled = nullptr;

}  // namespace

THeadlessHost::THeadlessHost() {
  SetMonitors({});
}

void THeadlessHost::SetMonitors(std::vector<TMonitorInfo> monitors) {
  if (monitors.empty()) monitors.push_back({Rect(0, 0, 1024, 768), Rect(0, 0, 1024, 738)});
  fMonitors = std::move(monitors);
}

THeadlessHost& HeadlessHost() {
  static THeadlessHost host;
  return host;
}

TWindowHost& Host() {
  return gInstalled ? *gInstalled : HeadlessHost();
}

void SetHost(TWindowHost* host) {
  gInstalled = host;
}

bool MessageBeep(UINT type) {
  Host().Beep(type);
  return true;
}

}  // namespace ordvane
