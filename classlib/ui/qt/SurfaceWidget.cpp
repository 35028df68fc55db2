#include "classlib/ui/qt/SurfaceWidget.h"

#include <QApplication>
#include <QImage>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QWindow>

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/InputMethod.h"
#include "classlib/ui/WinInput.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/Windows.h"
#include "classlib/ui/qt/KeyMap.h"

namespace ordvane {

namespace {

QImage SurfacePart(const TRaster& surface, const QRect& area) {
  const QRect part = area.intersected(QRect(0, 0, surface.Width(), surface.Height()));
  QImage image(part.size(), QImage::Format_RGB32);
  for (int y = 0; y < part.height(); ++y) {
    const std::uint32_t* from = surface.Row(part.top() + y) + part.left();
    auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < part.width(); ++x) {
      const std::uint32_t c = from[x];  // 0x00BBGGRR
      to[x] = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
    }
  }
  return image;
}

// How long a press on the caption is held before the window manager moves the window
// (milliseconds): longer than a click lasts.
constexpr int kHeldForAMove = 60;

THostButton ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::RightButton:
      return THostButton::Right;
    case Qt::MiddleButton:
      return THostButton::Middle;
    default:
      return THostButton::Left;
  }
}

// The desktop's edges for a sizing frame the layer reports.
Qt::Edges EdgesOf(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
      return Qt::LeftEdge;
    case HTRIGHT:
      return Qt::RightEdge;
    case HTTOP:
      return Qt::TopEdge;
    case HTBOTTOM:
      return Qt::BottomEdge;
    case HTTOPLEFT:
      return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT:
      return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT:
      return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT:
      return Qt::BottomEdge | Qt::RightEdge;
    default:
      return {};
  }
}

}  // namespace

TSurfaceWidget::TSurfaceWidget(HWND wnd, Qt::WindowFlags flags) : QWidget(nullptr, flags), fWnd(wnd) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  fCaptionMove.setSingleShot(true);
  fCaptionMove.setInterval(kHeldForAMove);
  connect(&fCaptionMove, &QTimer::timeout, this, [this] { StartCaptionMove(); });
}

void TSurfaceWidget::paintEvent(QPaintEvent* event) {
  const TRaster* surface = fWnd ? WindowSurface(fWnd) : nullptr;
  if (!surface) return;
  QPainter painter(this);
  for (const QRect& area : event->region()) painter.drawImage(area.topLeft(), SurfacePart(*surface, area));
}

// The layer's own idea of where the window is counts, whatever the desktop did with the
// native window meanwhile.
TPoint TSurfaceWidget::ScreenPoint(QPointF local) const {
  TRect bounds{};
  GetWindowRect(fWnd, bounds);
  const QPoint p = local.toPoint();
  return {bounds.left + p.x(), bounds.top + p.y()};
}

void TSurfaceWidget::mouseMoveEvent(QMouseEvent* event) {
  if (fCaptionMove.isActive()) StartCaptionMove();
  if (fWnd) HostMouseMove(ScreenPoint(event->position()));
}

void TSurfaceWidget::mousePressEvent(QMouseEvent* event) { Button(event, true); }
// The layer makes double clicks of its own.
void TSurfaceWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  Button(event, true, true);
}
void TSurfaceWidget::mouseReleaseEvent(QMouseEvent* event) {
  fCaptionMove.stop();  // a click on the caption, no move
  Button(event, false);
}

void TSurfaceWidget::StartCaptionMove() {
  fCaptionMove.stop();
  if (QWindow* native = windowHandle()) native->startSystemMove();
}

void TSurfaceWidget::Button(QMouseEvent* event, bool down, bool secondPress) {
  if (!fWnd) return;
  const TPoint screen = ScreenPoint(event->position());
  if (down && !QApplication::widgetAt(event->globalPosition().toPoint())) {
    // A press that a grab brought here from outside every window of the program: the
    // program loses the activation to the desktop, as a click on another program's
    // window would take it.
    SetActiveWindow(0);
    return;
  }
  if (down && event->button() == Qt::LeftButton && StartDesktopGesture(screen, secondPress)) return;
  HostMouseMove(screen);
  HostMouseButton(ButtonOf(event->button()), down, screen);
}

// A press on a sizing frame the layer draws starts the desktop's own size, and a press
// held on the caption its own move, so the window manager sizes and moves the window as
// every other. The move starts once the pointer moves or the button is held a moment: a
// window manager asked at once may get the request after a quick click's release, wait
// for a release, and so swallow the next click, the second of a double click on the
// caption. The layer sees the caption's clicks, and makes its double click of two.
bool TSurfaceWidget::StartDesktopGesture(TPoint screen, bool secondPress) {
  QWindow* native = windowHandle();
  if (!native) return false;
  const LRESULT hit = SendMessage(fWnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
  if (hit == HTCAPTION) {
    HostMouseMove(screen);
    HostMouseButton(THostButton::Left, true, screen);
    HostMouseButton(THostButton::Left, false, screen);
    if (!secondPress) fCaptionMove.start();
    return true;
  }
  const Qt::Edges edges = EdgesOf(hit);
  return edges && native->startSystemResize(edges);
}

void TSurfaceWidget::wheelEvent(QWheelEvent* event) {
  if (fWnd && event->angleDelta().y() != 0)
    HostMouseWheel(event->angleDelta().y(), ScreenPoint(event->position()));
}

void TSurfaceWidget::keyPressEvent(QKeyEvent* event) { Key(event, true); }

void TSurfaceWidget::keyReleaseEvent(QKeyEvent* event) {
  // A held key repeats its press only.
  if (!event->isAutoRepeat()) Key(event, false);
}

void TSurfaceWidget::Key(QKeyEvent* event, bool down) {
  const Word vk = VirtualKeyOf(*event);
  if (!fWnd || vk == 0) return;
  // The desktop reports Delete as typing DEL; on the layer it types nothing.
  const QString text = down && vk != VK_DELETE ? event->text() : QString();
  HostKey(vk, down, WideString(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

void TSurfaceWidget::FollowInputMethod(HWND focus) {
  // The layer's controls ask for input methods only under a locale that needs them; in
  // any other the desktop's input method stays off, so typing reaches the layer as keys.
  const bool composes = focus != 0 && fWnd != 0 && FarEastLocale() && ImeModeComposes(ImeModeOf(focus));
  TRect area{};
  if (composes) {
    area = ImeCompositionWindowOf(focus).value_or(TRect{});
    if (IsRectEmpty(area)) GetClientRect(focus, area);
    TRect top{};
    MapWindowPoints(focus, 0, area);
    GetWindowRect(fWnd, top);
    OffsetRect(area, -top.left, -top.top);
  }
  setAttribute(Qt::WA_InputMethodEnabled, composes);
  fCompositionArea = QRect(area.left, area.top, area.Width(), area.Height());
  if (!composes) fComposing = false;
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImCursorRectangle);
}

QVariant TSurfaceWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return testAttribute(Qt::WA_InputMethodEnabled);
    case Qt::ImCursorRectangle:
      return fCompositionArea;
    default:
      return QWidget::inputMethodQuery(query);
  }
}

void TSurfaceWidget::inputMethodEvent(QInputMethodEvent* event) {
  if (!fWnd) return;
  if (!fComposing && !event->preeditString().isEmpty()) {
    fComposing = true;
    HostCompositionStarted();
  }
  const QString text = event->commitString();
  if (!text.isEmpty())
    HostComposedText(WideString(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
  if (event->preeditString().isEmpty()) fComposing = false;
  event->accept();
}

void TSurfaceWidget::closeEvent(QCloseEvent* event) {
  // The layer decides whether the window closes; it hides or destroys it itself.
  event->ignore();
  if (fWnd) HostCloseWindow(fWnd);
}

void TSurfaceWidget::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  FollowDesktop();
}

void TSurfaceWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FollowDesktop();
}

// The desktop moved or sized the window (a person's gesture): the layer takes the new
// bounds. The layer's own moves arrive here as well and change nothing.
void TSurfaceWidget::FollowDesktop() {
  TRect bounds{};
  if (!fWnd || !isVisible() || !GetWindowRect(fWnd, bounds)) return;
  const QRect now = geometry();
  if (now.x() != bounds.left || now.y() != bounds.top || now.width() != bounds.Width() ||
      now.height() != bounds.Height())
    SetWindowPos(fWnd, 0, now.x(), now.y(), now.width(), now.height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

// The desktop minimized the window or brought it back (its task bar, a key of the window
// manager): the layer decides, and when it keeps its state the desktop is shown it again.
void TSurfaceWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !event->spontaneous() || !fWnd) return;
  if (!HostMinimizeWindow(fWnd, isMinimized()) && fWnd) IsIconic(fWnd) ? showMinimized() : showNormal();
}

}  // namespace ordvane
