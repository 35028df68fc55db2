// Anchors and size constraints of controls.

#include <algorithm>

#include "classlib/ui/Controls.h"

namespace ordvane {

void TSizeConstraints::Set(int& field, int value) {
  value = std::max(0, value);
  if (field == value) return;
  field = value;
  if (fOnChange) fOnChange();
}

int TSizeConstraints::Constrain(int size, int minimum, int maximum) {
  if (maximum > 0) size = std::min(size, maximum);
  return std::max(size, minimum);
}

void TControl::SetAnchors(TAnchors value) {
  if (value == fAnchors) return;
  fAnchors = value;
  UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (fParent == nullptr || fFollowingAnchors) return;
  const TRect client = fParent->ClientRect();
  const TRect bounds = Bounds(fLeft, fTop, fWidth, fHeight);
  fAnchorRight = SaturatedInt(static_cast<long long>(client.Width()) - bounds.right);
  fAnchorBottom = SaturatedInt(static_cast<long long>(client.Height()) - bounds.bottom);
}

void TControl::FollowAnchors(int parentWidth, int parentHeight) {
  if (fAlign != alNone || fAnchors == TAnchors{akLeft, akTop}) return;
  int left = fLeft;
  int top = fTop;
  int width = fWidth;
  int height = fHeight;
  if (fAnchors.Contains(akRight)) {
    const int right = SaturatedInt(static_cast<long long>(parentWidth) - fAnchorRight);
    if (fAnchors.Contains(akLeft))
      width = SaturatedInt(static_cast<long long>(right) - left);
    else
      left = SaturatedInt(static_cast<long long>(right) - width);
  }
  if (fAnchors.Contains(akBottom)) {
    const int bottom = SaturatedInt(static_cast<long long>(parentHeight) - fAnchorBottom);
    if (fAnchors.Contains(akTop))
      height = SaturatedInt(static_cast<long long>(bottom) - top);
    else
      top = SaturatedInt(static_cast<long long>(bottom) - height);
  }
  // The distances stay those the control was placed with, even where the constraints or
  // a parent too small for them keep it from following.
  fFollowingAnchors = true;
  struct TEndFollowing {
    bool& flag;
    ~TEndFollowing() { flag = false; }
  } end{fFollowingAnchors};
  SetBounds(left, top, std::max(0, width), std::max(0, height));
}

}  // namespace ordvane
