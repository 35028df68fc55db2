#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>

#include "classlib/core/IPC.h"

namespace ordvane {
namespace {

// Runs `body` in a child process and answers its process id; the body's result is the
// child's exit code (an exception gives 99).
pid_t Spawn(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
    }
    _exit(code);
  }
  return pid;
}

int ExitCode(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A name no other test run uses.
std::string UniqueName(const std::string& what) {
  return "ordvane-test\\" + std::to_string(getpid()) + "." +
         testing::UnitTest::GetInstance()->current_test_info()->name() + "." + what;
}

std::string ShmFile(TNamedObjectKind kind, const std::string& name) {
  return "/dev/shm" + PosixSharedObjectName(kind, name);
}

bool Exists(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

TEST(IPC, SharedMemoryAndEventsBetweenProcesses) {
  const std::string memName = UniqueName("mem"), requestName = UniqueName("request"),
                    replyName = UniqueName("reply");
  TSharedMemory memory(memName, 2048);
  ASSERT_FALSE(memory.AlreadyExisted());
  ASSERT_EQ(memory.Size(), 2048u);
  auto* bytes = static_cast<char*>(memory.Memory());
  EXPECT_EQ(std::string(bytes, 8), std::string(8, '\0'));
  std::strcpy(bytes, "hello");
  TNamedEvent request(requestName, false);
  TNamedEvent reply(replyName, false);

  pid_t child = Spawn([&] {
    TSharedMemory shared(memName, 2048);
    if (!shared.AlreadyExisted()) return 1;
    auto* text = static_cast<char*>(shared.Memory());
    if (std::strcmp(text, "hello") != 0) return 2;
    TNamedEvent childRequest(requestName, true);  // exists: its state is not touched
    TNamedEvent childReply(replyName, false);
    if (!childRequest.AlreadyExisted() || !childReply.AlreadyExisted()) return 3;
    if (childRequest.WaitFor(5000) != wrSignaled) return 4;
    std::strcpy(text + 100, "world");
    childReply.SetEvent();
    return 0;
  });
  EXPECT_EQ(reply.WaitFor(30), wrTimeout);  // the child waits for the request first
  request.SetEvent();
  EXPECT_EQ(reply.WaitFor(5000), wrSignaled);
  EXPECT_STREQ(bytes + 100, "world");
  EXPECT_EQ(ExitCode(child), 0);
  // Manual reset: both stay signalled until reset.
  EXPECT_EQ(request.WaitFor(0), wrSignaled);
  EXPECT_EQ(reply.WaitFor(0), wrSignaled);
  reply.ResetEvent();
  EXPECT_EQ(reply.WaitFor(0), wrTimeout);
}

TEST(IPC, InterlockedCountersInSharedMemory) {
  const std::string name = UniqueName("counter");
  TSharedMemory memory(name, 64);
  auto& counter = *static_cast<Integer*>(memory.Memory());
  pid_t child = Spawn([&] {
    TSharedMemory shared(name, 64);
    auto& c = *static_cast<Integer*>(shared.Memory());
    for (int i = 0; i < 20000; ++i) InterlockedIncrement(c);
    return 0;
  });
  for (int i = 0; i < 20000; ++i) InterlockedIncrement(counter);
  EXPECT_EQ(ExitCode(child), 0);
  EXPECT_EQ(counter, 40000);
}

TEST(IPC, MutexExcludesAndIsAbandonedByADeadOwner) {
  const std::string name = UniqueName("mutex"), heldName = UniqueName("held"), goName = UniqueName("go");
  TNamedMutex mutex(name);
  TNamedEvent held(heldName, false), go(goName, false);
  pid_t child = Spawn([&] {
    TNamedMutex m(name);
    TNamedEvent h(heldName, false), g(goName, false);
    if (m.Acquire(1000) != wrSignaled) return 1;
    h.SetEvent();
    g.WaitFor(5000);
    _exit(0);  // ends while holding the mutex
  });
  ASSERT_EQ(held.WaitFor(5000), wrSignaled);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(mutex.Acquire(50), wrTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  go.SetEvent();
  EXPECT_EQ(ExitCode(child), 0);
  EXPECT_EQ(mutex.Acquire(5000), wrAbandoned);
  EXPECT_EQ(mutex.Acquire(0), wrSignaled);  // the owner may take it again
  EXPECT_TRUE(mutex.Release());
  EXPECT_TRUE(mutex.Release());
  EXPECT_FALSE(mutex.Release());  // not owned any more
  EXPECT_EQ(mutex.Acquire(0), wrSignaled);
  EXPECT_TRUE(mutex.Release());
}

// Waits for a process at most `milliseconds`; a process still running then is killed
// and reported as hanging (-1).
int ExitCodeWithin(pid_t pid, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= end) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    usleep(5000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(IPC, AnEventOutlivesWaitersKilledWhileWaiting) {
  const std::string name = UniqueName("event"), waitingName = UniqueName("waiting");
  TNamedEvent event(name, false);
  // Rounds of waiters that die in the wait, each followed by a set, a living waiter and a
  // reset: every later user of the event (another process here, so that a hang cannot
  // stop the test) still sets it, and living waiters still wake.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    TNamedEvent waiting(waitingName, false);
    for (int i = 0; i < 2; ++i) {
      waiting.ResetEvent();
      const pid_t doomed = Spawn([&] {
        TNamedEvent e(name, false);
        TNamedEvent(waitingName, false).SetEvent();
        e.WaitFor();
        return 0;
      });
      ASSERT_EQ(waiting.WaitFor(5000), wrSignaled);
      usleep(30000);  // well inside its wait by now
      kill(doomed, SIGKILL);
      EXPECT_EQ(ExitCode(doomed), 128 + SIGKILL);
    }
    const pid_t survivor = Spawn([&] { return TNamedEvent(name, false).WaitFor(5000) == wrSignaled ? 0 : 1; });
    usleep(30000);
    const pid_t setter = Spawn([&] {
      TNamedEvent(name, false).SetEvent();
      return 0;
    });
    EXPECT_EQ(ExitCodeWithin(setter, 3000), 0);
    EXPECT_EQ(ExitCodeWithin(survivor, 3000), 0);
    EXPECT_EQ(event.WaitFor(0), wrSignaled);
    event.ResetEvent();
  }
}

TEST(IPC, ObjectsArePrivateAndGoWithTheirLastUser) {
  const std::string name = UniqueName("lifetime"), readyName = UniqueName("ready");
  const std::string file = ShmFile(TNamedObjectKind::SharedMemory, name);
  {
    TSharedMemory memory(name, 128);
    static_cast<char*>(memory.Memory())[0] = 'x';
    struct stat status;
    ASSERT_EQ(stat(file.c_str(), &status), 0) << file;
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(status.st_uid, geteuid());

    // A process that has it open and is killed never closes it.
    TNamedEvent ready(readyName, false);
    pid_t child = Spawn([&] {
      TSharedMemory shared(name, 128);
      TNamedEvent(readyName, false).SetEvent();
      pause();
      return 0;
    });
    ASSERT_EQ(ready.WaitFor(5000), wrSignaled);
    kill(child, SIGKILL);
    EXPECT_EQ(ExitCode(child), 128 + SIGKILL);
    EXPECT_TRUE(Exists(file));
  }
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Exists(ShmFile(TNamedObjectKind::Event, readyName)));
  TSharedMemory fresh(name, 128);
  EXPECT_FALSE(fresh.AlreadyExisted());
  EXPECT_EQ(static_cast<char*>(fresh.Memory())[0], '\0');

  // An event's initial state counts only when it is made.
  TNamedEvent first(UniqueName("initial"), true);
  TNamedEvent second(UniqueName("initial"), false);
  EXPECT_TRUE(second.AlreadyExisted());
  EXPECT_EQ(second.WaitFor(0), wrSignaled);
}

TEST(IPC, RefusesForeignSmallOrHalfMadeObjectsSoundly) {
  // Readable by others: refused.
  const std::string open = UniqueName("open");
  const std::string openSystem = PosixSharedObjectName(TNamedObjectKind::SharedMemory, open);
  int file = shm_open(openSystem.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(file, 0);
  fchmod(file, 0644);
  try {
    TSharedMemory memory(open, 16);
    ADD_FAILURE() << "an object others can read was accepted";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), EACCES);
    EXPECT_NE(e.Message().find(open), std::string::npos) << e.Message();
  }
  close(file);
  shm_unlink(openSystem.c_str());

  // Smaller than asked: refused; larger: accepted with its own size.
  const std::string small = UniqueName("small");
  TSharedMemory sixteen(small, 16);
  EXPECT_THROW(TSharedMemory(small, 32), EOSError);
  TSharedMemory eight(small, 8);
  EXPECT_EQ(eight.Size(), 16u);

  // Left half-made by a maker that died (no header yet): made again.
  const std::string half = UniqueName("half");
  const std::string halfSystem = PosixSharedObjectName(TNamedObjectKind::Event, half);
  file = shm_open(halfSystem.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(file, 0);
  ASSERT_EQ(ftruncate(file, 100), 0);
  close(file);
  TNamedEvent event(half, true);
  EXPECT_FALSE(event.AlreadyExisted());
  EXPECT_EQ(event.WaitFor(0), wrSignaled);
}

TEST(IPC, NamesAreEscapedAndTheKindsKeptApart) {
  EXPECT_EQ(PosixSharedObjectName(TNamedObjectKind::Mutex, "FIB.SQL.MONITOR.Mutex"),
            "/ordvane-" + std::to_string(geteuid()) + "-mutex-FIB.SQL.MONITOR.Mutex");
  EXPECT_EQ(PosixSharedObjectName(TNamedObjectKind::Event, "Global\\a b/%"),
            "/ordvane-" + std::to_string(geteuid()) + "-event-Global%5Ca%20b%2F%25");
  EXPECT_THROW(TSharedMemory(std::string(300, 'n'), 8), EOSError);
  // A mutex and an event of the same name are different objects.
  TNamedMutex mutex(UniqueName("same"));
  TNamedEvent event(UniqueName("same"), false);
  EXPECT_FALSE(event.AlreadyExisted());
}

}  // namespace
}  // namespace ordvane
