#pragma once
// The virtual-key code of a key the desktop reports.

#include <QKeyEvent>

#include "classlib/core/Messages.h"

namespace ordvane {

// Letters and digits keep their place on the keyboard: a Cyrillic letter reports the
// Latin letter of its key, as the typed text carries the letter itself. 0 for a key
// without a code.
Word VirtualKeyOf(const QKeyEvent& event);

}  // namespace ordvane
