#pragma once
// Cursor handles: the standard cursors by their numbers and cursors loaded from the
// artwork compiled into the program, each a handle that the host can turn into a
// picture. A handle lives as long as the process.

#include "classlib/ui/Host.h"
#include "classlib/ui/Resources.h"

namespace ordvane {

// The handle of a standard cursor (crDefault gives the arrow). A cursor number without a
// picture still gets a handle; its picture is then the arrow's.
HCURSOR LoadStandardCursor(TCursor cursor);
// The cursor drawn as the named artwork, 0 when there is no such artwork.
HCURSOR LoadCursor(const AnsiString& resourceName);
// The picture of a handle; nullptr for 0 or an unknown handle.
const TCursorImage* CursorImage(HCURSOR cursor);

}  // namespace ordvane
