#include "tests/support/VirtualTime.h"

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"

namespace ordvane::test {

void VirtualTime::Advance(UInt64 milliseconds) {
  const UInt64 end = fClock.Milliseconds() + milliseconds;
  auto queue = TMessageQueue::Current();
  UInt64 due = 0;
  while (queue->NextTimerDue(due) && due <= end) {
    fClock.AdvanceTo(due);
    Application->ProcessMessages();
  }
  fClock.AdvanceTo(end);
  Application->ProcessMessages();
}

}  // namespace ordvane::test
