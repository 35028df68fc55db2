#pragma once
// What every drop-down window of the edits shares: the private messages of the
// drop-downs, the close protocol through which a drop-down hands its result to its owner,
// the placement of a drop-down beside its host, and the drop-down month calendar.

#include <memory>

#include "classlib/ui/ComCtrls.h"
#include "classlib/ui/Controls.h"

namespace ordvane {

// Private messages of the drop-downs. The first tells a drop-down which side its size grip
// moves to (wParam a TSizeGripChangePosition); the second, posted by a drop-down to
// itself, closes it without accepting.
constexpr UINT CM_SETSIZEGRIPSIDEEH = WM_USER + 100;
constexpr UINT CM_CLOSEUPNOTACCEPTEH = WM_USER + 101;

// The owner of a drop-down: every control that opens one. The drop-down finds it on its
// owner component and hands its result back through CloseUp; the owner then hides the
// drop-down and releases its held button.
class IPopupEditOwnerEh {
 public:
  virtual ~IPopupEditOwnerEh() = default;
  virtual void CloseUp(bool accept) = 0;
};

// What a control that opens a drop-down tells when it closed.
using TCloseUpEventEh = TEvent<void(TObject* sender, bool accept)>;

// Closes a drop-down through the owner component's interface; false when the owner has
// none.
bool CloseUpToOwnerEh(const TComponent* dropDown, bool accept);

// A drop-down shows as a top-level window above everything, whatever control parents it:
// its window creation calls this.
void MakeTopLevelEh(TWinControl* control);

// ---- Placement ----------------------------------------------------------------------
enum TDropDownAlign { daLeft, daRight, daCenter };

// The top-left point of a drop-down beside a host rectangle (screen coordinates) in the
// work area of the monitor nearest the host: below it, or above when it fits only there
// (or fits neither way and there is more room above). The drop-down's height and width
// may be cut to the work area, and it is told where its size grip goes
// (CM_SETSIZEGRIPSIDEEH).
TPoint AlignDropDownWindowRectEh(TWinControl* dropDown, const TRect& hostRect, TDropDownAlign align);
// The same beside a host control; the drop-down is moved there.
TPoint AlignDropDownWindowEh(TControl* host, TWinControl* dropDown, TDropDownAlign align);

// ---- Drop-down month calendar -------------------------------------------------------
class TPopupMonthCalendarEh : public TMonthCalendar {
  ORDVANE_CLASS(TPopupMonthCalendarEh, TMonthCalendar)

 public:
  explicit TPopupMonthCalendarEh(TComponent* owner);

  void Dispatch(TMessage& message) override;
  // Takes every wheel event, also the part of a notch it keeps for later: handed back to
  // the edit that handed it over, the event would be counted again.
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void KeyDown(Word& key, TShiftState shift) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

 private:
  void MouseRelease(TPoint p);
};

}  // namespace ordvane
