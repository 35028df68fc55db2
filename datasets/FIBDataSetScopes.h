#pragma once
// Scopes the dataset units share: each undoes on every path, a failing statement
// included, what it did when it began.

#include <functional>

#include "classlib/core/ScopeEnd.h"
#include "classlib/core/ScreenCursor.h"
#include "classlib/db/DataSet.h"
#include "dbclient/FIBQuery.h"

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

// Controls see nothing of a server-bound step until it is over.
class TControlsScope {
 public:
  // Disabled before the ending exists: a failing disable enables nothing.
  explicit TControlsScope(TDataSet& dataSet)
      : fEnd((dataSet.DisableControls(), [&dataSet] { dataSet.EnableControls(); })) {}

 private:
  TScopeEnd<std::function<void()>> fEnd;
};

// A statement's cursor is closed after its step, however the step ends.
inline void CloseIfOpen(TFIBQuery& statement) {
  if (statement.Open()) statement.Close();
}

}  // namespace ordvane
