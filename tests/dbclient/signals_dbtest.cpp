// Ctrl+C and kill end a program attached to a database through the embedded engine: the
// program is this test program run again as a child, holding committed rows and a
// transaction it did not commit when the signal comes. It must be gone within a second,
// ended by the signal, and the database must open afterwards with exactly the committed
// rows.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "classlib/core/Application.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBQuery.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/support/FirebirdFixture.h"

extern char** environ;

namespace ordvane {
namespace {

constexpr const char* kChildDatabase = "ORDVANE_SIGNAL_CHILD_DATABASE";

// The child: three rows committed, two more in an open transaction, then "ready" and the
// message loop, as a program waiting for its user.
TEST(TerminationSignalChild, CommitsSomeRowsAndWaitsWithATransactionOpen) {
  const char* path = std::getenv(kChildDatabase);
  if (!path) GTEST_SKIP() << "runs only as the child of TerminationSignal";
  TFIBDatabase database(nullptr);
  database.SetDBName(path);
  database.ConnectParams().SetUserName("SYSDBA");
  database.ConnectParams().SetPassword(test::SysdbaPassword());
  TFIBTransaction transaction(nullptr);
  TFIBQuery query(nullptr);
  test::ConnectStatement(database, transaction, query);
  for (int id = 1; id <= 3; ++id)
    test::Execute(database, transaction, "insert into persons values (" + std::to_string(id) + ")");
  transaction.Commit();
  transaction.StartTransaction();
  for (int id = 4; id <= 5; ++id)
    test::Execute(database, transaction, "insert into persons values (" + std::to_string(id) + ")");
  std::fputs("ready\n", stdout);
  std::fflush(stdout);
  Application->Run();
  ADD_FAILURE() << "the loop ended without the signal ending the program";
}

// Waits for a line from the child (false after 30 seconds).
bool ReadReady(int fd) {
  std::string text;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (text.find("ready\n") == std::string::npos && std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[256];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text.find("ready\n") != std::string::npos;
}

TEST(TerminationSignal, EndsAnAttachedProgramKeepingOnlyWhatWasCommitted) {
  if (test::CurrentTier() != test::FbTier::Embedded)
    GTEST_SKIP() << "the embedded engine's own signal handling";
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(strsignal(signal));
    test::TestDatabase db;
    db.Isql("create table persons (id integer);");
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string filter = "--gtest_filter=TerminationSignalChild.*";
    const std::string setting = std::string(kChildDatabase) + "=" + db.Path();
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.push_back(const_cast<char*>(setting.c_str()));
    env.push_back(nullptr);
    char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>(filter.c_str()), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, self.c_str(), &actions, nullptr, argv, env.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    const bool ready = ReadReady(out[0]);
    close(out[0]);
    if (!ready) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
      FAIL() << "the child did not attach";
    }
    const auto sent = std::chrono::steady_clock::now();
    kill(child, signal);
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() - sent < std::chrono::seconds(30))
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
    }
    // A program that ignored the signal would run on until killed; how fast one that obeys
    // it ends is the machine's load, not the program's doing.
    EXPECT_EQ(ended, child) << "still running 30 s after the signal";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
    EXPECT_EQ(test::IsqlRows(db, "select count(*), min(id), max(id) from persons"), "3|1|3");
  }
}

}  // namespace
}  // namespace ordvane
