#include "classlib/ui/qt/QtHost.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QImage>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "classlib/core/CodePages.h"
#include "classlib/ui/Cursors.h"
#include "classlib/ui/WinInput.h"
#include "classlib/ui/Windows.h"
#include "classlib/ui/qt/SurfaceWidget.h"

namespace ordvane {

namespace {

// The event that ends a wait for events early.
const QEvent::Type kWakeEvent = QEvent::Type(QEvent::User + 1);

// Activation requests the window manager has not answered are kept up to this many.
constexpr std::size_t kMaxUnansweredRequests = 16;

// The desktop's title of a window (its task bar, Alt+Tab, the window manager's frame) is
// the window's text.
QString TitleOf(HWND wnd) {
  const WideString title = AnsiToWide(GetWindowText(wnd));
  return QString::fromUtf16(title.data(), static_cast<qsizetype>(title.size()));
}

QRect QtRect(const TRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
TRect LayerRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

// A drop-down list, a hint or a menu: a captionless tool window, or a control lifted out
// of its form to drop down above everything. A borderless form is a captionless popup
// too, but a window of its own that the person activates and minimizes.
bool IsPopup(HWND wnd) {
  const auto style = static_cast<UINT>(GetWindowLong(wnd, GWL_STYLE));
  const auto exStyle = static_cast<UINT>(GetWindowLong(wnd, GWL_EXSTYLE));
  if ((style & WS_CAPTION) == WS_CAPTION) return false;
  return (style & WS_CHILD) || ((style & WS_POPUP) && (exStyle & WS_EX_TOOLWINDOW));
}

// A popup that belongs to another window, or a lifted control: a drop-down list.
bool IsDropDown(HWND wnd) {
  return IsPopup(wnd) && (GetWindow(wnd, GW_OWNER) != 0 || (GetWindowLong(wnd, GWL_STYLE) & WS_CHILD));
}

// Popups (a drop-down list, a hint, a menu) float above everything without a frame and
// never take the activation; the other top-level windows keep the frame the layer draws.
Qt::WindowFlags FlagsOf(HWND wnd) {
  const auto exStyle = static_cast<UINT>(GetWindowLong(wnd, GWL_EXSTYLE));
  Qt::WindowFlags flags = (IsPopup(wnd) ? Qt::ToolTip : Qt::Window) | Qt::FramelessWindowHint;
  if (exStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
  return flags;
}

// The topmost window a person may use: shown, enabled, not minimized and not a popup
// (while a modal form is shown, the modal form).
HWND FrontmostUsableWindow() {
  for (HWND top = GetTopWindow(0); top != 0; top = GetWindow(top, GW_HWNDNEXT))
    if (IsWindowVisible(top) && IsWindowEnabled(top) && !IsIconic(top) && !IsPopup(top)) return top;
  return 0;
}

QCursor CursorOf(HCURSOR cursor) {
  const TCursorImage* picture = CursorImage(cursor);
  if (!picture) return QCursor(Qt::ArrowCursor);
  const TRaster& image = picture->image;
  QImage argb(image.Width(), image.Height(), QImage::Format_ARGB32);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const TColorRef c = image.Pixel(x, y);
      argb.setPixel(x, y, qRgba(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                                static_cast<int>((c >> 16) & 0xFF), picture->Opaque(x, y) ? 255 : 0));
    }
  return QCursor(QPixmap::fromImage(argb), picture->hotSpot.x, picture->hotSpot.y);
}

// Whether a shown window stays on top follows the layer (a form's style may change while
// it is shown). Told to the native window directly: setting a widget's flags would hide
// it and show it again.
void KeepStayingOnTop(HWND wnd, QWidget& native) {
  const bool onTop = (static_cast<UINT>(GetWindowLong(wnd, GWL_EXSTYLE)) & WS_EX_TOPMOST) != 0;
  if (native.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop || !native.windowHandle()) return;
  Qt::WindowFlags flags = native.windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
  native.overrideWindowFlags(flags);
  native.windowHandle()->setFlags(flags);
}

// Forwarded to the queue's owner: the wake-up event is only there to end the wait.
class TWaker : public QObject {
 public:
  explicit TWaker(std::atomic<bool>& posted) : fPosted(posted) {}
  bool event(QEvent* event) override {
    if (event->type() != kWakeEvent) return QObject::event(event);
    fPosted.store(false);
    return true;
  }

 private:
  std::atomic<bool>& fPosted;
};

int gArgc = 1;
char gProgramName[] = "ordvane";
char* gArgv[] = {gProgramName, nullptr};

}  // namespace

TQtHost::TQtHost()
    : fOwnApplication(QApplication::instance() ? nullptr : std::make_unique<QApplication>(gArgc, gArgv)),
      fWaker(std::make_unique<TWaker>(fWakePosted)),
      fClipboard(std::make_unique<TDesktopClipboard>()) {
  fDeadline.setSingleShot(true);
  fDeadline.setTimerType(Qt::PreciseTimer);
  QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &fFocusFollower,
                   [this](QWindow* focus) { DesktopFocusMoved(focus); });
  SetHost(this);
  TMessageQueue::Main()->SetEventSource(this);
  // Windows shown before the desktop opened (a main form shown before Run) appear now.
  for (HWND wnd = GetTopWindow(0); wnd != 0; wnd = GetWindow(wnd, GW_HWNDNEXT))
    if (TRect bounds{}; IsWindowVisible(wnd) && GetWindowRect(wnd, bounds)) WindowShown(wnd, bounds);
}

TQtHost::~TQtHost() {
  // Destroying the native windows may move Qt's focus: nothing to report any more.
  QObject::disconnect(qApp, nullptr, &fFocusFollower, nullptr);
  TMessageQueue::Main()->SetEventSource(nullptr);
  SetHost(nullptr);
  fWindows.clear();
}

QWidget* TQtHost::NativeWindow(HWND wnd) const {
  auto it = fWindows.find(wnd);
  return it == fWindows.end() || !it->second->isVisible() ? nullptr : it->second.get();
}

std::vector<TMonitorInfo> TQtHost::Monitors() const {
  std::vector<TMonitorInfo> monitors;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) monitors.push_back({LayerRect(primary->geometry()), LayerRect(primary->availableGeometry())});
  for (QScreen* screen : QGuiApplication::screens())
    if (screen != primary) monitors.push_back({LayerRect(screen->geometry()), LayerRect(screen->availableGeometry())});
  if (monitors.empty()) return HeadlessHost().Monitors();
  return monitors;
}

void TQtHost::SetCursorPos(TPoint position) { QCursor::setPos(position.x, position.y); }

TSurfaceWidget& TQtHost::Native(HWND wnd, const TRect& bounds) {
  auto& widget = fWindows[wnd];
  if (!widget) {
    widget = std::make_unique<TSurfaceWidget>(wnd, FlagsOf(wnd));
    widget->setWindowTitle(TitleOf(wnd));
    ApplyCursor(*widget);
  }
  widget->setGeometry(QtRect(bounds));
  return *widget;
}

void TQtHost::WindowShown(HWND wnd, const TRect& bounds) {
  TSurfaceWidget& widget = Native(wnd, bounds);
  IsIconic(wnd) ? widget.showMinimized() : widget.show();
  widget.update();
  // The focus may have moved into the window before it was shown.
  if (const HWND focus = GetFocus(); focus != 0 && GetAncestor(focus, GA_ROOT) == wnd) widget.FollowInputMethod(focus);
  ZOrderChanged();
  if (wnd == GetActiveWindow()) AskDesktopToActivate(wnd);
  UpdateGrab();
}

void TQtHost::WindowMoved(HWND wnd, const TRect& bounds) { Native(wnd, bounds); }

void TQtHost::WindowHidden(HWND wnd) {
  if (auto it = fWindows.find(wnd); it != fWindows.end()) it->second->hide();
  UpdateGrab();
}

void TQtHost::WindowDestroyed(HWND wnd) {
  auto it = fWindows.find(wnd);
  if (it == fWindows.end()) return;
  // The native window may be inside one of its own event handlers: it goes when Qt is done.
  if (fGrabber == it->second.get()) fGrabber = nullptr;
  it->second->Forget();
  it->second->hide();
  it->second.release()->deleteLater();
  fWindows.erase(it);
  std::erase(fAskedToActivate, wnd);
  UpdateGrab();
}

void TQtHost::WindowPixelsChanged(HWND wnd, const TRect& area) {
  if (auto it = fWindows.find(wnd); it != fWindows.end()) it->second->update(QtRect(area));
}

void TQtHost::WindowTextChanged(HWND wnd) {
  if (auto it = fWindows.find(wnd); it != fWindows.end()) it->second->setWindowTitle(TitleOf(wnd));
}

// The native windows follow the layer's order, bottom to top.
void TQtHost::ZOrderChanged() {
  std::vector<QWidget*> topToBottom;
  for (HWND wnd = GetTopWindow(0); wnd != 0; wnd = GetWindow(wnd, GW_HWNDNEXT))
    if (QWidget* native = NativeWindow(wnd)) {
      KeepStayingOnTop(wnd, *native);
      topToBottom.push_back(native);
    }
  for (auto it = topToBottom.rbegin(); it != topToBottom.rend(); ++it) (*it)->raise();
}

void TQtHost::WindowMinimized(HWND wnd, bool minimized) {
  QWidget* native = NativeWindow(wnd);
  if (!native || native->isMinimized() == minimized) return;
  minimized ? native->showMinimized() : native->showNormal();
}

// The layer's activation goes to the desktop; its deactivation does not, as the desktop
// decides where its focus goes then.
void TQtHost::ActiveWindowChanged(HWND wnd) { AskDesktopToActivate(wnd); }

void TQtHost::AskDesktopToActivate(HWND wnd) {
  QWidget* native = NativeWindow(wnd);
  if (!native || native->isActiveWindow()) return;
  // A desktop that never answers (or refuses every time) must not make the list grow.
  if (fAskedToActivate.size() == kMaxUnansweredRequests) fAskedToActivate.erase(fAskedToActivate.begin());
  fAskedToActivate.push_back(wnd);
  native->activateWindow();
}

HWND TQtHost::LayerWindowOf(const QWindow* native) const {
  if (!native) return 0;
  for (const auto& [wnd, widget] : fWindows)
    if (widget->windowHandle() == native) return wnd;
  return 0;
}

// Whether a report of the desktop's focus only answers a request of the layer that a
// later request overtook. A report of another window (or of none) means the desktop
// chose for itself, and what the layer asked for before is void.
bool TQtHost::Overtaken(HWND wnd) {
  // The answer to the latest request for the window; the ones before it are answered too.
  const auto answered = std::find(fAskedToActivate.rbegin(), fAskedToActivate.rend(), wnd);
  if (answered == fAskedToActivate.rend()) {
    fAskedToActivate.clear();
    return false;
  }
  fAskedToActivate.erase(fAskedToActivate.begin(), answered.base());
  return !fAskedToActivate.empty();
}

// The desktop moved its focus: a person chose another window or program, or the window
// manager answered a request of the layer.
void TQtHost::DesktopFocusMoved(const QWindow* focus) {
  const HWND wnd = LayerWindowOf(focus);
  if (Overtaken(wnd)) return;
  if (wnd == 0) {
    SetActiveWindow(0);  // another program, or none, has the focus
    return;
  }
  // A window that a modal form disabled stands for the window the person may use.
  const HWND target = IsWindowEnabled(wnd) ? wnd : FrontmostUsableWindow();
  if (target == 0) return;
  if (target != GetActiveWindow())
    SetActiveWindow(target);  // reaches the desktop through ActiveWindowChanged
  else if (target != wnd)
    AskDesktopToActivate(target);
}

void TQtHost::ApplyCursor(QWidget& widget) const { widget.setCursor(CursorOf(fCursor)); }

void TQtHost::CursorChanged(HCURSOR cursor) {
  if (cursor == fCursor) return;
  fCursor = cursor;
  for (auto& [wnd, widget] : fWindows) ApplyCursor(*widget);
}

void TQtHost::MouseCaptured(bool /*captured*/) { UpdateGrab(); }

// While the layer holds the mouse, or a drop-down list (a popup that belongs to another
// window) is shown, the desktop sends every pointer event to this program, even over
// other programs' windows: the program sees the click that ends the capture or closes
// the list.
void TQtHost::UpdateGrab() {
  QWidget* grabber = NativeWindow(GetAncestor(GetCapture(), GA_ROOT));
  for (HWND wnd = GetTopWindow(0); wnd != 0 && !grabber; wnd = GetWindow(wnd, GW_HWNDNEXT))
    if (IsDropDown(wnd)) grabber = NativeWindow(wnd);
  if (grabber == fGrabber) return;
  if (fGrabber) fGrabber->releaseMouse();
  fGrabber = grabber;
  if (fGrabber) fGrabber->grabMouse();
}

void TQtHost::Beep(UINT /*type*/) { QApplication::beep(); }

void TQtHost::ClipboardChanged() { fClipboard->Publish(); }

void TQtHost::InputMethodChanged(HWND focus) {
  const HWND top = focus == 0 ? 0 : GetAncestor(focus, GA_ROOT);
  for (const auto& [wnd, widget] : fWindows) widget->FollowInputMethod(wnd == top ? focus : 0);
}

void TQtHost::WaitForEvents(int timeout) {
  if (timeout >= 0) fDeadline.start(timeout);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  fDeadline.stop();
}

void TQtHost::Interrupt() {
  if (!fWakePosted.exchange(true)) QCoreApplication::postEvent(fWaker.get(), new QEvent(kWakeEvent));
}

std::unique_ptr<TDisplay> OpenDesktop() {
  const char* setting = std::getenv("ORDVANE_HOST");
  const bool asked = setting && std::strcmp(setting, "desktop") == 0;
  const bool refused = setting && std::strcmp(setting, "headless") == 0;
  const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  // A program that installed a host of its own keeps it.
  if (refused || (!asked && !display) || &Host() != &HeadlessHost()) return nullptr;
  return std::make_unique<TQtHost>();
}

namespace {

// Only a lack of memory can fail the registration, which nothing before main could handle
// either.
// NOLINTNEXTLINE(cert-err58-cpp)
const bool gRegistered = (RegisterDisplayOpener(&OpenDesktop), true);

}  // namespace

}  // namespace ordvane
