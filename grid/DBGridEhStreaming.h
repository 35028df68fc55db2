#pragma once
// What the data-aware grid stores in a form: its settings in their streaming order, its
// column defaults, and its columns (when the user made them) with their titles and
// footers. A column's value that falls back to the field or the grid is stored only once
// set and different from what it falls back to; its fonts, check boxes and reading order
// whenever they were set.
//
// A program that writes or reads forms holding these grids calls
// RegisterDBGridEhStreaming() once before; it registers the grid foundation's controls as
// well (a second call does nothing).

namespace ordvane {

void RegisterDBGridEhStreaming();

}  // namespace ordvane
