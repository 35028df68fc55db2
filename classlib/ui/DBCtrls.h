#pragma once
// What the window layer knows of fields: how a data-aware control lays out the field it
// shows.

#include "classlib/db/Fields.h"
#include "classlib/ui/Controls.h"

namespace ordvane {

// Whether a control shows the field right to left: the control reads right to left and
// the field's layout may be mirrored. Numbers, dates and times keep their layout in a
// right-to-left control, so their digits line up as in every other control. A nil field
// follows the control alone.
bool DBUseRightToLeftAlignment(const TControl* control, const TField* field);

}  // namespace ordvane
