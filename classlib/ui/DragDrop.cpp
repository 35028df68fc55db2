// Dragging a control onto another: the drag is a state of the window layer that takes
// the mouse and the keyboard for itself while it lasts, seeing every message the loops
// handle (whichever loop runs), as a menu does while it is open. A drag to dock has no
// place to go, as no control is a dock site: it follows the mouse, takes nothing and
// ends with no target.

#include <cstdlib>
#include <memory>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/ControlsInternal.h"
#include "classlib/ui/Forms.h"

namespace ordvane {

namespace controls_internal {

// The drag under way. It holds the mouse capture for its source; the end of the drag
// gives both back before any event fires, so a handler may start a modal loop or a new
// drag.
class TDragTracker : public TMessageProcessor {
 public:
  // An immediate drag follows the mouse from the start; another once the mouse has moved
  // `threshold` pixels.
  TDragTracker(TControl* source, bool docking, bool immediate, int threshold)
      : fSource(source),
        fDocking(docking),
        fSourceWatch(source),
        fOrigin(Mouse->CursorPos()),
        fThreshold(threshold),
        fStarted(immediate),
        fNext(Application->MessageProcessor()) {
    Application->SetMessageProcessor(this);
    SetCaptureControl(source);
  }
  ~TDragTracker() override {
    Application->SetMessageProcessor(fNext);
    if (!fSourceWatch.Gone() && fSource->MouseCapture()) SetCaptureControl(nullptr);
  }
  TDragTracker(const TDragTracker&) = delete;
  TDragTracker& operator=(const TDragTracker&) = delete;

  TControl* Source() const { return fSource; }

  void ProcessMessage(const TMsg& msg) override {
    if (Intercept(msg)) return;
    if (fNext)
      fNext->ProcessMessage(msg);
    else
      DispatchMessage(msg);
  }

  // Follows the mouse to a screen point: past the threshold the control under it is
  // asked whether it takes the source.
  void DragTo(TPoint screen);
  static void End(bool drop);

 private:
  bool Intercept(const TMsg& msg);

  // Where the drag stands, kept apart so that the end can fire its events after the
  // tracker is gone.
  struct TTarget {
    TControl* control = nullptr;
    std::unique_ptr<TDestroyWatch> watch;
    bool accepted = false;
    bool Alive() const { return control != nullptr && !watch->Gone(); }
  };
  static TPoint ClientPoint(const TControl* control, TPoint screen) { return control->ScreenToClient(screen); }

  TControl* fSource;
  bool fDocking;
  TDestroyWatch fSourceWatch;
  TPoint fOrigin;
  int fThreshold;
  bool fStarted;
  TTarget fTarget;
  TPoint fLast;
  TMessageProcessor* fNext;
};

namespace {

std::unique_ptr<TDragTracker>& Tracker() {
  static std::unique_ptr<TDragTracker> tracker;
  return tracker;
}

}  // namespace

bool TDragTracker::Intercept(const TMsg& msg) {
  switch (msg.message) {
    case WM_MOUSEMOVE:
      DragTo(Mouse->CursorPos());
      return true;
    case WM_LBUTTONUP:
      End(true);
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      End(false);
      return true;
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_CHAR:
    case WM_SYSCHAR:
      return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // The keys belong to the drag: none reaches a control meanwhile.
      if (msg.wParam == VK_ESCAPE) End(false);
      return true;
    default:
      return false;
  }
}

void TDragTracker::DragTo(TPoint screen) {
  fLast = screen;
  if (!fStarted) {
    if (std::abs(screen.x - fOrigin.x) < fThreshold && std::abs(screen.y - fOrigin.y) < fThreshold) return;
    fStarted = true;
  }
  TControl* under = fDocking ? nullptr : FindDragTarget(screen, false);
  TDragState state = dsDragMove;
  if (!fTarget.Alive() || under != fTarget.control) {
    if (fTarget.Alive()) {
      bool ignored = false;
      TControl* left = fTarget.control;
      fTarget = {};
      const TPoint p = ClientPoint(left, screen);
      left->DragOver(fSource, p.x, p.y, dsDragLeave, ignored);
      // The handler may have ended the drag or freed the source.
      if (Tracker().get() != this) return;
    }
    fTarget = {under, under ? std::make_unique<TDestroyWatch>(under) : nullptr, false};
    state = dsDragEnter;
  }
  bool accept = false;
  if (fTarget.Alive()) {
    const TPoint p = ClientPoint(fTarget.control, screen);
    fTarget.control->DragOver(fSource, p.x, p.y, state, accept);
    if (Tracker().get() != this) return;
  }
  fTarget.accepted = accept && fTarget.Alive();
  SetCursor(Screen->Cursors(fTarget.accepted ? fSource->DragCursor() : TCursor{crNoDrop}));
}

void TDragTracker::End(bool drop) {
  std::unique_ptr<TDragTracker> ended = std::move(Tracker());
  if (!ended) return;
  TControl* source = ended->fSource;
  const TDestroyWatch sourceWatch(source);
  TTarget target = std::move(ended->fTarget);
  const bool started = ended->fStarted;
  const bool docking = ended->fDocking;
  const TPoint at = ended->fStarted ? ended->fLast : Mouse->CursorPos();
  ended.reset();
  if (source == nullptr || sourceWatch.Gone()) return;
  TControl* droppedOn = nullptr;
  if (started && target.Alive()) {
    const TPoint p = ClientPoint(target.control, at);
    if (drop && target.accepted) {
      target.control->DragDrop(source, p.x, p.y);
      droppedOn = target.control;
    } else {
      bool ignored = false;
      target.control->DragOver(source, p.x, p.y, dsDragLeave, ignored);
    }
    if (sourceWatch.Gone()) return;
  }
  // A target freed by its own drop handler is no target.
  if (!target.Alive()) droppedOn = nullptr;
  const TPoint p = ClientPoint(droppedOn != nullptr ? droppedOn : source, at);
  if (docking)
    source->DoEndDock(droppedOn, p.x, p.y);
  else
    source->DoEndDrag(droppedOn, p.x, p.y);
}

void DragSourceDestroyed(const TControl* control) {
  std::unique_ptr<TDragTracker>& tracker = Tracker();
  // The source's capture goes with it; nothing is told of a drag whose source is gone.
  if (tracker && tracker->Source() == control) tracker.reset();
}

}  // namespace controls_internal

using namespace controls_internal;

void TControl::BeginDrag(bool immediate, int threshold) {
  if (Tracker()) return;
  TDestroyWatch watch(this);
  // The drag takes the mouse over from whatever the press started.
  Perform(WM_CANCELMODE, 0, 0);
  if (watch.Gone()) return;
  // The kind the drag began with holds to its end.
  const bool docking = fDragKind == dkDock;
  if (docking)
    DoStartDock();
  else
    DoStartDrag();
  if (watch.Gone() || Tracker()) return;
  Tracker() = std::make_unique<TDragTracker>(this, docking, immediate,
                                             threshold < 0 ? Mouse->DragThreshold() : threshold);
  if (immediate) Tracker()->DragTo(Mouse->CursorPos());
}

void TControl::EndDrag(bool drop) {
  if (Dragging()) TDragTracker::End(drop);
}

bool TControl::Dragging() const {
  return Tracker() && Tracker()->Source() == this;
}

void TControl::DoStartDrag() {
  FireEvent(OnStartDrag, this);
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  accept = static_cast<bool>(OnDragOver);
  FireEvent(OnDragOver, this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y) {
  FireEvent(OnDragDrop, this, source, x, y);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
  FireEvent(OnEndDrag, this, target, x, y);
}

void TControl::DoStartDock() {
  FireEvent(OnStartDock, this);
}

void TControl::DoEndDock(TObject* target, int x, int y) {
  FireEvent(OnEndDock, this, target, x, y);
}

}  // namespace ordvane
