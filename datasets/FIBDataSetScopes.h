#pragma once
// Scopes the dataset units share: each undoes on every path, a failing statement
// included, what it did when it began.

#include <exception>

#include "classlib/core/ScreenCursor.h"
#include "classlib/db/DataSet.h"

namespace ordvane {

// Shows the dataset's SQL screen cursor for a server-bound step and puts the previous one
// back after it, on every path. crDefault shows nothing and leaves the cursor alone.
class TSQLCursorScope {
 public:
  explicit TSQLCursorScope(TCursor cursor) : fCursor(cursor), fSaved(GetScreenCursor()) {
    if (fCursor != crDefault && fCursor != fSaved) SetScreenCursor(fCursor);
  }
  ~TSQLCursorScope() {
    if (fCursor != crDefault) SetScreenCursor(fSaved);
  }
  TSQLCursorScope(const TSQLCursorScope&) = delete;
  TSQLCursorScope& operator=(const TSQLCursorScope&) = delete;

 private:
  TCursor fCursor;
  TCursor fSaved;
};

// Controls see nothing of a server-bound step until it is over. While an error unwinds,
// that error is the one the caller sees: a second one from the controls gives way to it.
class TControlsScope {
 public:
  explicit TControlsScope(TDataSet& dataSet) : fDataSet(dataSet) { fDataSet.DisableControls(); }
  ~TControlsScope() noexcept(false) {
    if (std::uncaught_exceptions() == fUncaught) {
      fDataSet.EnableControls();
      return;
    }
    try {
      fDataSet.EnableControls();
    } catch (...) {
    }
  }
  TControlsScope(const TControlsScope&) = delete;
  TControlsScope& operator=(const TControlsScope&) = delete;

 private:
  TDataSet& fDataSet;
  int fUncaught = std::uncaught_exceptions();
};

}  // namespace ordvane
