#pragma once
// Named objects shared between the processes of the current user: shared memory, a
// mutex and manual-reset events, over POSIX shared memory: the mutex is a process-shared
// robust one, the events wait through the kernel's futex, so that a process that dies
// holding the mutex or waiting for an event never blocks the others.
//
// Each object is created when its name is first opened (mode 0600, zero-filled) and
// opened when it exists; AlreadyExisted tells which. It disappears when the last process
// closes it or ends, even by a crash, so a name never finds the leftovers of an earlier
// run. An object that belongs to another user or that others may read is refused.

#include <cstddef>

#include "classlib/core/SyncObjs.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

enum class TNamedObjectKind { SharedMemory, Mutex, Event };

// The POSIX shared-memory name behind a named object of the current user.
AnsiString PosixSharedObjectName(TNamedObjectKind kind, const AnsiString& name);

// One named shared block with a small header; the base of the classes below.
class TNamedObject {
 public:
  // Prepares a new object's zero-filled payload; answers 0 or an error number.
  using TInitializer = int (*)(void* payload, const void* argument);

  TNamedObject(const TNamedObject&) = delete;
  TNamedObject& operator=(const TNamedObject&) = delete;

  const AnsiString& Name() const { return fName; }
  bool AlreadyExisted() const { return fAlreadyExisted; }

 protected:
  // Opens or creates the object; a new object's payload is given to `initialize` before
  // any other process can see it. Raises EOSError on failure.
  TNamedObject(TNamedObjectKind kind, const AnsiString& name, std::size_t payloadSize, TInitializer initialize,
               const void* argument);
  ~TNamedObject();

  void* Payload() const { return fPayload; }
  std::size_t PayloadSize() const { return fPayloadSize; }

 private:
  void Open(TNamedObjectKind kind, std::size_t payloadSize, TInitializer initialize, const void* argument);
  void Close();

  AnsiString fName;
  AnsiString fSystemName;
  int fFile = -1;
  void* fMapping = nullptr;
  std::size_t fMappingSize = 0;
  void* fPayload = nullptr;
  std::size_t fPayloadSize = 0;
  bool fAlreadyExisted = false;
};

class TSharedMemory : public TNamedObject {
 public:
  // An existing block smaller than `size` is refused.
  TSharedMemory(const AnsiString& name, std::size_t size);

  void* Memory() const { return Payload(); }
  // The size of the block (that of an existing block may exceed what was asked).
  std::size_t Size() const { return PayloadSize(); }
};

// A mutex that the owning thread may acquire again (each Acquire needs its Release).
class TNamedMutex : public TNamedObject {
 public:
  explicit TNamedMutex(const AnsiString& name);

  // wrAbandoned: the previous owner ended without releasing; the caller owns the mutex
  // now and the data it guards may be half-changed.
  TWaitResult Acquire(Cardinal timeout = INFINITE);
  // False when the calling thread does not own the mutex.
  bool Release();
};

// A manual-reset event: it stays signalled until reset.
class TNamedEvent : public TNamedObject {
 public:
  // initialState applies only when the event is created.
  TNamedEvent(const AnsiString& name, bool initialState);

  void SetEvent();
  void ResetEvent();
  TWaitResult WaitFor(Cardinal timeout = INFINITE);

 private:
  void SetSignaled(bool signaled);
};

}  // namespace ordvane
