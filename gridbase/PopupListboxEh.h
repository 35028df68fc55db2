#pragma once
// The drop-down list box of the edits: a top-level owner-drawn list under its host, with
// incremental search, hover selection, item images and a size grip.

#include "classlib/core/StringLists.h"
#include "classlib/core/Timers.h"
#include "classlib/ui/ImgList.h"
#include "classlib/ui/StdCtrls.h"
#include "gridbase/SizeGripEh.h"

namespace ordvane {

// An owner-drawn list box shown as a top-level window under its host: its height holds
// whole rows, typed characters search it, the mouse selects by hovering and the wheel by
// steps, its items may show images, and a size grip resizes it.
class TPopupListboxEh : public TCustomListBox {
  ORDVANE_CLASS(TPopupListboxEh, TCustomListBox)

 public:
  explicit TPopupListboxEh(TComponent* owner);
  ~TPopupListboxEh() override;

  // The height snapped to whole rows (at least one).
  void SetBounds(int left, int top, int width, int height) override;
  int RowCount();
  void SetRowCount(int value);
  // The item height, the font's text height while it is 0.
  int RowHeight();
  TSizeGripEh* SizeGrip() const { return fSizeGrip; }

  TCustomImageList* Images() const { return fImages; }
  void SetImages(TCustomImageList* value);
  // Item texts from an external list instead of the items (a virtual style).
  TStrings* ItemsSource() const { return fItemsSource; }
  void SetItemsSource(TStrings* value);
  using TGetImageIndexEventEh = TEvent<void(TObject* sender, int itemIndex, int& imageIndex)>;
  TGetImageIndexEventEh OnGetImageIndex;

  // The incremental search text typed so far.
  const AnsiString& SearchText() const { return fSearchText; }

  void Dispatch(TMessage& message) override;
  // Takes every wheel event, also the part of a notch it keeps for later: handed back to
  // the edit that handed it over, the event would be counted again.
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
  void Notification(TComponent* component, TOperation operation) override;
  // The grip's corner changed, or the list was resized or scrolled.
  virtual void Relayout() {}
  // The frame: the window's height less its client height.
  int FrameHeight();

 private:
  void ProvideItemText(TWinControl* control, int index, AnsiString& data);

  TSizeGripEh* fSizeGrip;
  TCustomImageList* fImages = nullptr;
  TStrings* fItemsSource = nullptr;
  AnsiString fSearchText;
  Cardinal fLastKeyTime = 0;
  TPoint fLastMouse{-1, -1};
};

}  // namespace ordvane
