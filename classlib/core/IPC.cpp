#include "classlib/core/IPC.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <utility>

#include "classlib/core/OSError.h"

namespace ordvane {

namespace {

// The start of every object: written last when an object is made, so an object whose
// maker died half-way is recognised and made again.
struct Header {
  std::uint32_t magic;
  std::uint32_t kind;
  std::uint64_t payloadSize;
};
constexpr std::uint32_t kMagic = 0x5643504F;  // "OPCV"
constexpr std::size_t kHeaderSize = 64;

// Two bytes of the object's file carry open-file-description locks (advisory: they do
// not touch the data). The guard byte is held exclusively while a process opens or
// closes the object; every process that has the object open holds a shared lock on the
// user byte. A closing process that can turn its shared lock into an exclusive one is
// the last user and removes the name. The system drops both locks of a process that
// ends, however it ends.
constexpr off_t kGuardByte = 0;
constexpr off_t kUserByte = 1;

// Sets or clears a lock on one byte; false when `wait` is off and another holder
// conflicts. Raises on any other failure.
bool LockByte(const AnsiString& name, int file, off_t byte, short type, bool wait) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  for (;;) {
    if (fcntl(file, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0) return true;
    if (errno == EINTR) continue;
    if (!wait && (errno == EAGAIN || errno == EACCES)) return false;
    RaiseOSError(name, errno);
  }
}

class FileGuard {
 public:
  explicit FileGuard(int file) : fFile(file) {}
  ~FileGuard() {
    if (fFile >= 0) close(fFile);
  }
  FileGuard(const FileGuard&) = delete;
  FileGuard& operator=(const FileGuard&) = delete;
  int Release() { return std::exchange(fFile, -1); }

 private:
  int fFile;
};

// A mapping of an object's file, unmapped unless released.
class Mapping {
 public:
  Mapping() = default;
  Mapping(const AnsiString& name, int file, std::size_t size) : fSize(size) {
    fAddress = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (fAddress == MAP_FAILED) {
      fAddress = nullptr;
      RaiseOSError(name, errno);
    }
  }
  ~Mapping() {
    if (fAddress) munmap(fAddress, fSize);
  }
  Mapping(Mapping&& other) noexcept
      : fAddress(std::exchange(other.fAddress, nullptr)), fSize(std::exchange(other.fSize, 0)) {}
  Mapping& operator=(Mapping&& other) noexcept {
    std::swap(fAddress, other.fAddress);
    std::swap(fSize, other.fSize);
    return *this;
  }

  explicit operator bool() const { return fAddress != nullptr; }
  std::size_t Size() const { return fSize; }
  Header* Head() const { return static_cast<Header*>(fAddress); }
  void* Payload() const { return static_cast<char*>(fAddress) + kHeaderSize; }
  void* Release() { return std::exchange(fAddress, nullptr); }

 private:
  void* fAddress = nullptr;
  std::size_t fSize = 0;
};

const char* KindName(TNamedObjectKind kind) {
  switch (kind) {
    case TNamedObjectKind::SharedMemory:
      return "mem";
    case TNamedObjectKind::Mutex:
      return "mutex";
    case TNamedObjectKind::Event:
      return "event";
  }
  return "?";
}

// An absolute time on the monotonic clock, `timeout` milliseconds from now.
timespec Deadline(Cardinal timeout) {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  t.tv_sec += timeout / 1000;
  t.tv_nsec += static_cast<long>(timeout % 1000) * 1000000L;
  if (t.tv_nsec >= 1000000000L) {
    ++t.tv_sec;
    t.tv_nsec -= 1000000000L;
  }
  return t;
}

// Locks a robust mutex; a lock left by a dead owner is taken over and reported as
// EOWNERDEAD after it is marked consistent again.
int LockRobust(pthread_mutex_t* mutex, Cardinal timeout) {
  int result;
  if (timeout == INFINITE) {
    result = pthread_mutex_lock(mutex);
  } else {
    timespec deadline = Deadline(timeout);
    result = pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &deadline);
  }
  if (result == EOWNERDEAD) pthread_mutex_consistent(mutex);
  return result;
}

// The initialisers answer 0 or the error number of the call that failed.
int InitRobustMutex(pthread_mutex_t* mutex, int type) {
  pthread_mutexattr_t attributes;
  int result = pthread_mutexattr_init(&attributes);
  if (result != 0) return result;
  result = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
  if (result == 0) result = pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
  if (result == 0) result = pthread_mutexattr_settype(&attributes, type);
  if (result == 0) result = pthread_mutex_init(mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
  return result;
}

// A manual-reset event is one word, 1 while signalled, that waiters sleep on through the
// kernel's futex. A waiter killed in its wait leaves nothing behind, where a
// process-shared condition variable keeps counting it and can block every later
// broadcast for good.
struct EventState {
  std::uint32_t signaled;
};

int InitMutex(void* payload, const void*) {
  return InitRobustMutex(static_cast<pthread_mutex_t*>(payload), PTHREAD_MUTEX_RECURSIVE);
}

int InitEvent(void* payload, const void* initialState) {
  static_cast<EventState*>(payload)->signaled = *static_cast<const bool*>(initialState) ? 1 : 0;
  return 0;
}

Mapping MapExisting(const AnsiString& name, int file, std::size_t size) {
  if (size < kHeaderSize) return {};
  Mapping mapping(name, file, size);
  if (__atomic_load_n(&mapping.Head()->magic, __ATOMIC_ACQUIRE) != kMagic) return {};
  return mapping;
}

Mapping MakeNew(const AnsiString& name, int file, TNamedObjectKind kind, std::size_t payloadSize,
                TNamedObject::TInitializer initialize, const void* argument) {
  // A new object, or one whose maker died before finishing it: zero-filled afresh.
  const std::size_t size = kHeaderSize + payloadSize;
  if (fchmod(file, 0600) != 0 || ftruncate(file, 0) != 0 || ftruncate(file, static_cast<off_t>(size)) != 0)
    RaiseOSError(name, errno);
  Mapping mapping(name, file, size);
  if (int result = initialize ? initialize(mapping.Payload(), argument) : 0) RaiseOSError(name, result);
  Header& header = *mapping.Head();
  header.kind = static_cast<std::uint32_t>(kind);
  header.payloadSize = payloadSize;
  __atomic_store_n(&header.magic, kMagic, __ATOMIC_RELEASE);
  return mapping;
}

}  // namespace

AnsiString PosixSharedObjectName(TNamedObjectKind kind, const AnsiString& name) {
  AnsiString result = Format("/ordvane-%u-%s-", {static_cast<unsigned>(geteuid()), KindName(kind)});
  static const char hex[] = "0123456789ABCDEF";
  for (unsigned char c : name) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                 c == '_' || c == '-';
    if (plain) {
      result += static_cast<char>(c);
    } else {
      result += '%';
      result += hex[c >> 4];
      result += hex[c & 15];
    }
  }
  return result;
}

TNamedObject::TNamedObject(TNamedObjectKind kind, const AnsiString& name, std::size_t payloadSize,
                           TNamedObject::TInitializer initialize, const void* argument)
    : fName(name), fSystemName(PosixSharedObjectName(kind, name)) {
  if (fSystemName.size() > NAME_MAX) RaiseOSError(fName, ENAMETOOLONG);
  Open(kind, payloadSize, initialize, argument);
}

TNamedObject::~TNamedObject() { Close(); }

void TNamedObject::Open(TNamedObjectKind kind, std::size_t payloadSize, TNamedObject::TInitializer initialize,
                        const void* argument) {
  for (;;) {
    int file = shm_open(fSystemName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (file < 0) RaiseOSError(fName, errno);
    FileGuard fileGuard(file);
    LockByte(fName, file, kGuardByte, F_WRLCK, true);

    struct stat status;
    if (fstat(file, &status) != 0) RaiseOSError(fName, errno);
    // The last user removed the name between our open and our lock: open it afresh.
    if (status.st_nlink == 0) continue;
    if (status.st_uid != geteuid() || (status.st_mode & 077) != 0) RaiseOSError(fName, EACCES);

    Mapping mapping = MapExisting(fName, file, static_cast<std::size_t>(status.st_size));
    fAlreadyExisted = static_cast<bool>(mapping);
    if (fAlreadyExisted) {
      const Header& header = *mapping.Head();
      if (header.kind != static_cast<std::uint32_t>(kind) || header.payloadSize > mapping.Size() - kHeaderSize)
        RaiseOSError(fName, EINVAL);
      if (header.payloadSize < payloadSize)
        throw EOSError(Format("%s: the existing object holds %u bytes, %u were asked",
                              {fName, static_cast<UInt64>(header.payloadSize), static_cast<UInt64>(payloadSize)}),
                       EINVAL);
      fPayloadSize = header.payloadSize;
    } else {
      mapping = MakeNew(fName, file, kind, payloadSize, initialize, argument);
      fPayloadSize = payloadSize;
    }

    LockByte(fName, file, kUserByte, F_RDLCK, true);
    LockByte(fName, file, kGuardByte, F_UNLCK, true);
    fMappingSize = mapping.Size();
    fPayload = mapping.Payload();
    fMapping = mapping.Release();
    fFile = fileGuard.Release();
    return;
  }
}

void TNamedObject::Close() {
  if (fFile < 0) return;
  try {
    LockByte(fName, fFile, kGuardByte, F_WRLCK, true);
    if (LockByte(fName, fFile, kUserByte, F_WRLCK, false)) shm_unlink(fSystemName.c_str());
  } catch (const EOSError&) {
    // Without the locks the name stays; the object itself goes with its last mapping.
  }
  munmap(fMapping, fMappingSize);
  close(fFile);  // drops this process's locks
  fFile = -1;
}

TSharedMemory::TSharedMemory(const AnsiString& name, std::size_t size)
    : TNamedObject(TNamedObjectKind::SharedMemory, name, size, nullptr, nullptr) {}

TNamedMutex::TNamedMutex(const AnsiString& name)
    : TNamedObject(TNamedObjectKind::Mutex, name, sizeof(pthread_mutex_t), &InitMutex, nullptr) {}

TWaitResult TNamedMutex::Acquire(Cardinal timeout) {
  switch (LockRobust(static_cast<pthread_mutex_t*>(Payload()), timeout)) {
    case 0:
      return wrSignaled;
    case EOWNERDEAD:
      return wrAbandoned;
    case ETIMEDOUT:
      return wrTimeout;
    default:
      return wrError;
  }
}

bool TNamedMutex::Release() { return pthread_mutex_unlock(static_cast<pthread_mutex_t*>(Payload())) == 0; }

TNamedEvent::TNamedEvent(const AnsiString& name, bool initialState)
    : TNamedObject(TNamedObjectKind::Event, name, sizeof(EventState), &InitEvent, &initialState) {}

void TNamedEvent::SetEvent() { SetSignaled(true); }

void TNamedEvent::ResetEvent() { SetSignaled(false); }

void TNamedEvent::SetSignaled(bool signaled) {
  std::uint32_t* word = &static_cast<EventState*>(Payload())->signaled;
  __atomic_store_n(word, signaled ? 1u : 0u, __ATOMIC_SEQ_CST);
  if (signaled) syscall(SYS_futex, word, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

TWaitResult TNamedEvent::WaitFor(Cardinal timeout) {
  std::uint32_t* word = &static_cast<EventState*>(Payload())->signaled;
  const timespec deadline = Deadline(timeout == INFINITE ? 0 : timeout);
  while (__atomic_load_n(word, __ATOMIC_SEQ_CST) == 0) {
    // The kernel sleeps only while the word is still 0, so no setting is missed; the
    // deadline is on the monotonic clock.
    if (syscall(SYS_futex, word, FUTEX_WAIT_BITSET, 0u, timeout == INFINITE ? nullptr : &deadline, nullptr,
                FUTEX_BITSET_MATCH_ANY) == 0)
      continue;
    if (errno == ETIMEDOUT) return __atomic_load_n(word, __ATOMIC_SEQ_CST) != 0 ? wrSignaled : wrTimeout;
    if (errno != EAGAIN && errno != EINTR) return wrError;
  }
  return wrSignaled;
}

}  // namespace ordvane
