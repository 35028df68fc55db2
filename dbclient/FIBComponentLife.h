// Helpers the database and the transaction components share for their life and their
// idle time-outs.
#pragma once

#include <exception>
#include <memory>

#include "dbclient/FIBCallBacks.h"
#include "dbclient/FIBDatabase.h"

namespace ordvane::fib_internal {

// Calls a handler of a list for every entry, last registered first; entries that leave
// while the walk goes on are skipped.
void CallLastFirst(const TNotifyEventList& list, TObject* sender);

// A component that dies goes whatever its followers answer.
template <class F>
void WhileDying(F notify) noexcept {
  try {
    notify();
  } catch (...) {
  }
}

// Arms (or with 0 frees) the timer of an idle time-out, bound to its tick handler.
void SetIdleTimer(std::unique_ptr<TFIBTimer>& timer, Cardinal interval, const TNotifyEvent& tick);

// One tick of an idle time-out: the first tick after activity marks the object idle, the
// next one ends it and fires onTimeout, also when ending failed (the failure follows).
template <class End>
void IdleTick(bool open, bool& idle, End end, const TNotifyEvent& onTimeout, TObject* sender) {
  if (!open) return;
  if (!idle) {
    idle = true;
    return;
  }
  std::exception_ptr failure;
  try {
    end();
  } catch (...) {
    failure = std::current_exception();
  }
  if (onTimeout) onTimeout(sender);
  if (failure) std::rethrow_exception(failure);
}

}  // namespace ordvane::fib_internal
