#pragma once
// The desktop host: the layer's top-level windows as native windows of Qt, the user's
// input handed back to the layer, the desktop's clipboard and screens, and the layer's
// message loop run inside Qt's event loop.
//
// Only programs that show windows on a desktop link this library. Application->Run()
// opens it when a display is there (see OpenDesktop).

#include <QObject>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <vector>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/Host.h"
#include "classlib/ui/qt/DesktopClipboard.h"

class QApplication;
class QWindow;

namespace ordvane {

class TSurfaceWidget;

class TQtHost final : public TWindowHost, public TEventSource, public TDisplay {
 public:
  // Makes the Qt application when there is none; main thread only. Installs itself as
  // the host and as the main queue's event source until destroyed.
  TQtHost();
  ~TQtHost() override;
  TQtHost(const TQtHost&) = delete;
  TQtHost& operator=(const TQtHost&) = delete;

  // The native window showing a top-level window; nullptr while it is not shown.
  QWidget* NativeWindow(HWND wnd) const;

  std::vector<TMonitorInfo> Monitors() const override;
  void SetCursorPos(TPoint position) override;
  void WindowShown(HWND wnd, const TRect& bounds) override;
  void WindowMoved(HWND wnd, const TRect& bounds) override;
  void WindowHidden(HWND wnd) override;
  void WindowDestroyed(HWND wnd) override;
  void WindowPixelsChanged(HWND wnd, const TRect& area) override;
  void WindowTextChanged(HWND wnd) override;
  void ZOrderChanged() override;
  void WindowMinimized(HWND wnd, bool minimized) override;
  void ActiveWindowChanged(HWND wnd) override;
  void CursorChanged(HCURSOR cursor) override;
  void MouseCaptured(bool captured) override;
  void Beep(UINT type) override;
  void ClipboardChanged() override;
  void InputMethodChanged(HWND focus) override;

  void WaitForEvents(int timeout) override;
  void Interrupt() override;

 private:
  TSurfaceWidget& Native(HWND wnd, const TRect& bounds);
  void ApplyCursor(QWidget& widget) const;
  void UpdateGrab();
  HWND LayerWindowOf(const QWindow* native) const;
  void AskDesktopToActivate(HWND wnd);
  bool Overtaken(HWND wnd);
  void DesktopFocusMoved(const QWindow* focus);

  std::unique_ptr<QApplication> fOwnApplication;
  std::map<HWND, std::unique_ptr<TSurfaceWidget>> fWindows;
  std::unique_ptr<QObject> fWaker;
  QTimer fDeadline;
  std::atomic<bool> fWakePosted{false};
  HCURSOR fCursor = 0;
  QWidget* fGrabber = nullptr;
  std::unique_ptr<TDesktopClipboard> fClipboard;
  // The windows the desktop was asked to activate and has not reported active yet, the
  // oldest first.
  std::vector<HWND> fAskedToActivate;
  QObject fFocusFollower;
};

// The one place that chooses the host of Application->Run(): the desktop host when the
// ORDVANE_HOST setting (an environment variable) asks for it ("desktop") or, unless it
// asks for "headless", when a display is there; nullptr (the headless host stays)
// otherwise, and when a host is installed already.
std::unique_ptr<TDisplay> OpenDesktop();

}  // namespace ordvane
