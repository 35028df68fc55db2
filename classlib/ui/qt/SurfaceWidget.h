#pragma once
// The native window of one top-level window of the layer: it shows the window's surface
// and hands the user's input to the layer in the layer's screen coordinates.

#include <QTimer>
#include <QWidget>

#include "classlib/core/Messages.h"
#include "classlib/ui/Types.h"

namespace ordvane {

class TSurfaceWidget : public QWidget {
 public:
  TSurfaceWidget(HWND wnd, Qt::WindowFlags flags);

  HWND Window() const { return fWnd; }
  // The layer is done with the window: input that is still on its way is dropped.
  void Forget() { fWnd = 0; }
  // The layer's focus window inside this window (0: none): its input-method mode turns
  // the desktop's input method on or off, and its composition place is where the
  // desktop shows the text being composed.
  void FollowInputMethod(HWND focus);
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool focusNextPrevChild(bool) override { return false; }
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  TPoint ScreenPoint(QPointF local) const;
  void Button(QMouseEvent* event, bool down, bool secondPress = false);
  bool StartDesktopGesture(TPoint screen, bool secondPress);
  void StartCaptionMove();
  void Key(QKeyEvent* event, bool down);
  void FollowDesktop();

  HWND fWnd;
  QRect fCompositionArea;  // widget coordinates
  bool fComposing = false;
  QTimer fCaptionMove;  // runs while a press on the caption may still be a click
};

}  // namespace ordvane
