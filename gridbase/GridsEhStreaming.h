#pragma once
// What the grid foundation's controls store in a form: a grid's column widths and row
// heights (when it saves its cell extents), and the data-aware edits' settings with an
// explicitly set edit mask and the date edit's own edit format.
//
// A program that writes or reads forms of these controls calls
// RegisterGridBaseStreaming() once before; it registers the window layer's and the data
// sources' settings as well (a second call does nothing).

namespace ordvane {

void RegisterGridBaseStreaming();

}  // namespace ordvane
