#pragma once
// Ctrl+C and kill (SIGINT, SIGTERM) end a program attached to a database, also with the
// embedded engine in the process. The engine takes these signals for itself when it
// starts: it shuts down its own attachments and lets the program run on, whose next call
// then fails and whose exit detaches from a dead engine. After every attachment the
// program takes them back: a signal then wakes a watcher thread (the handler only writes
// the signal's number to a pipe), which shuts the client library down (every attachment
// detached, every transaction not committed rolled back, within a bounded time) and ends
// the process by the signal, as its default action would have.

#include "classlib/core/System.h"

namespace ordvane {

// Called after each attachment through the client library of that name (the engine may
// have put its handlers back). Idempotent; the watcher thread starts on the first call.
void EndProgramOnTerminationSignals(const AnsiString& libraryName);

}  // namespace ordvane
