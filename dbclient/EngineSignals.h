#pragma once
// Ctrl+C and kill (SIGINT, SIGTERM) end a program attached to a database, also with the
// embedded engine in the process. The engine takes these signals for itself when it
// starts: it shuts down its own attachments and lets the program run on, whose next call
// then fails and whose exit detaches from a dead engine. After every attachment the
// program takes them back: a signal then wakes a watcher thread (the handler only writes
// the signal's number to a pipe), which shuts the client library down (every attachment
// detached, every transaction not committed rolled back, within a bounded time) and ends
// the process by the signal, as its default action would have.

#include <functional>

#include "classlib/core/System.h"

namespace ordvane {

// Called after each attachment through the client library of that name (the engine may
// have put its handlers back). Idempotent; the watcher thread starts on the first call.
void EndProgramOnTerminationSignals(const AnsiString& libraryName);

// Once a termination signal came, blocks the calling thread for good: the watcher ends the
// process, by the signal, after what the program has to say (TTerminationNotice). Returns
// at once before a signal. The signal is noted before the client library is shut down, so
// a thread that meets a failure the shutdown caused and calls this waits here, instead of
// ending the process its own way first, with another status and without the notice.
void AwaitEndIfSignalled();

// What the program says when a termination signal ends it (what the run kept), while the
// object lives. The watcher thread calls it after the client library was shut down, so
// nothing the program committed changes any more, and before the process ends. The
// destructor waits for a notice being said.
class TTerminationNotice {
 public:
  explicit TTerminationNotice(std::function<void(int signal)> say);
  ~TTerminationNotice();
  TTerminationNotice(const TTerminationNotice&) = delete;
  TTerminationNotice& operator=(const TTerminationNotice&) = delete;
};

}  // namespace ordvane
