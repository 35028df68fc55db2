#pragma once
// The size grip of the drop-downs: a corner triangle that resizes its drop-down while
// dragged.

#include "classlib/ui/Controls.h"

namespace ordvane {

enum TSizeGripPosition { sgpTopLeft, sgpTopRight, sgpBottomRight, sgpBottomLeft };
enum TSizeGripChangePosition { sgcpToLeft, sgcpToRight, sgcpToTop, sgcpToBottom };

// A small triangle in a corner of a drop-down's client area that resizes the drop-down
// within the work area while dragged with the left button. The drop-down never gets
// smaller than the grip (nor than its own minimum, MinimumSize).
class TSizeGripEh : public TCustomControl {
  ORDVANE_CLASS(TSizeGripEh, TCustomControl)

 public:
  explicit TSizeGripEh(TComponent* owner);

  TSizeGripPosition Position() const { return fPosition; }
  void SetPosition(TSizeGripPosition value);
  // Moves the grip to a side (left, right, top or bottom) of its parent.
  void ChangePosition(TSizeGripChangePosition side);
  // The window is a triangle.
  bool TriangleWindow() const { return fTriangleWindow; }
  void SetTriangleWindow(bool value);
  // The smallest client size the parent may be dragged to (besides the grip's own size).
  TSize MinimumSize() const { return fMinimumSize; }
  void SetMinimumSize(TSize value) { fMinimumSize = value; }
  // Puts the grip into its corner of the parent's client area.
  void UpdatePosition();

  // CM_SETSIZEGRIPSIDEEH moves the grip to the side it names.
  void Dispatch(TMessage& message) override;

  // Fired after a drag changed the parent's client size.
  TNotifyEvent OnParentResized;

 protected:
  void CreateWnd() override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  bool LeftCorner() const { return fPosition == sgpTopLeft || fPosition == sgpBottomLeft; }
  bool TopCorner() const { return fPosition == sgpTopLeft || fPosition == sgpTopRight; }
  void UpdateWindowShape();
  void DragTo(TPoint screen);
  bool Place(const TRect& r);

  TSizeGripPosition fPosition = sgpBottomRight;
  bool fTriangleWindow = false;
  TSize fMinimumSize{0, 0};
  bool fDragging = false;
  TPoint fStart;
  TRect fStartBounds;
  TSize fStartClient{0, 0};
};

}  // namespace ordvane
