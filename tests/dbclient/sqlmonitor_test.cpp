// The trace channel seen from the other side: a reader written here from the layout of
// the shared block alone (offsets, names, the handshake) receives what writer processes
// send through the monitor hook.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "classlib/core/DateTime.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/IPC.h"
#include "dbclient/FIBSQLMonitor.h"
#include "tests/dbclient/TraceReader.h"

namespace ordvane {
namespace {

// A forked process running `body`, which can wait for the parent's go-ahead; it stays
// until the parent lets it end, so its writer thread lives while the parent reads.
class Child {
 public:
  explicit Child(const std::function<int(Child&)>& body) {
    // A write to a child that has ended must fail, not end the test program.
    signal(SIGPIPE, SIG_IGN);
    if (pipe(fToChild) != 0 || pipe(fToParent) != 0) throw std::runtime_error("pipe");
    fPid = fork();
    if (fPid == 0) {
      close(fToChild[1]);
      close(fToParent[0]);
      int code = 99;
      try {
        code = body(*this);
      } catch (...) {
      }
      Signal(fToParent[1]);
      Wait(fToChild[0]);  // released by Finish
      _exit(code);
    }
    // Each side keeps only its own ends, so a side that ends is seen as the end of input.
    close(fToChild[0]);
    close(fToParent[1]);
  }
  ~Child() {
    if (fPid > 0) {
      kill(fPid, SIGKILL);
      waitpid(fPid, nullptr, 0);
    }
    close(fToChild[1]);
    close(fToParent[0]);
  }

  // In the child: tells the parent it reached a point, then waits for the go-ahead.
  void Checkpoint() {
    Signal(fToParent[1]);
    Wait(fToChild[0]);
  }
  // In the parent.
  bool AwaitCheckpoint() { return Wait(fToParent[0]); }
  void Proceed() { Signal(fToChild[1]); }
  // Lets the child end once its body is done and answers its exit code.
  int Finish() {
    Wait(fToParent[0]);
    Signal(fToChild[1]);
    int status = 0;
    waitpid(fPid, &status, 0);
    fPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  static void Signal(int fd) {
    char c = 1;
    [[maybe_unused]] ssize_t written = write(fd, &c, 1);
  }
  static bool Wait(int fd) {
    char c;
    return read(fd, &c, 1) == 1;
  }

  int fToChild[2] = {-1, -1};
  int fToParent[2] = {-1, -1};
  pid_t fPid = -1;
};

TEST(SQLMonitor, LongTextArrivesInChunksOf2002WithOneKindAndTimeStamp) {
  TraceReader reader;
  reader.Register();
  const std::size_t bodyLength = 5000 - TraceReader::Prefix().size();
  std::string body;
  for (std::size_t i = 0; i < bodyLength; ++i) body += static_cast<char>('a' + i % 26);
  const double before = Now();
  Child writer([&](Child&) {
    MonitorHook()->WriteSQLData(body, TFIBTraceKind::Execute);
    return 0;
  });
  std::vector<Chunk> chunks = reader.ReadText();
  const double after = Now();
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].text.size(), 2002u);
  EXPECT_EQ(chunks[1].text.size(), 2002u);
  EXPECT_EQ(chunks[2].text.size(), 996u);
  EXPECT_EQ(TraceReader::TextOf(chunks), TraceReader::Prefix() + body);
  for (const Chunk& chunk : chunks) {
    EXPECT_EQ(chunk.kind, 1);
    EXPECT_EQ(chunk.timeStamp, chunks[0].timeStamp);
    EXPECT_GE(chunk.timeStamp, before);
    EXPECT_LE(chunk.timeStamp, after);
  }
  EXPECT_EQ(writer.Finish(), 0);
}

TEST(SQLMonitor, HookTextsEncodingKindsAndSwitches) {
  // Fetch traces switched off; every other kind wanted.
  TraceReader reader({1, 1, 0, 1, 1});
  Child writer([](Child& self) {
    TFIBSQLMonitorHook* hook = MonitorHook();
    // No reader yet: nothing is queued, and the block being mapped, nothing is active.
    hook->DBConnect("Unread");
    if (MonitoringActive() || !hook->ObjectsReady()) return 1;
    self.Checkpoint();
    if (!MonitoringActive()) return 2;
    hook->SQLPrepare("ds.SelectQuery", "select * from T", AnsiString("PLAN (T NATURAL)"));
    hook->SQLPrepare("q", "select 1", std::nullopt);
    ISC_QUAD blob{7, 9};
    hook->SQLExecute("q", "update T set A = ?",
                     {{"A", TraceValueText(Variant(AnsiString("x\x01y\tz\x1f\x7f\xC0")), true, "<NULL>")},
                      {"B", TraceValueText(Null(), false, "<NULL>")},
                      {"C", TraceValueText(Variant(42), false, "<NULL>")},
                      {"D", TraceBlobText(blob)},
                      {"E", TraceArrayText}},
                     3, 15);
    hook->SQLFetch("q", "select 1", {{"X", "1"}}, false);
    hook->TRStart("tr", 12);
    hook->TRSavepoint("tr", 12, "S1", TFIBSavepointOperation::RollbackTo);
    hook->TRCommitRetaining("tr", 12);
    hook->ServiceQuery("svc");
    hook->DBDisconnect("db");
    return 0;
  });
  ASSERT_TRUE(writer.AwaitCheckpoint());
  reader.Register();
  writer.Proceed();

  struct Expected {
    int kind;
    std::string body;
  };
  const std::vector<Expected> expected = {
      {0, "ds.SelectQuery:[Prepare] select * from T\r\n Plan:PLAN (T NATURAL)"},
      {0, "q:[Prepare] select 1\r\n Plan:Can't retrieve plan "},
      {1,
       "q:[Execute] update T set A = ?\r\nA = 'x#$01y\tz#$1F\x7f\xC0'\r\nB = <NULL>\r\nC = 42\r\n"
       "D = <BLOB> (BLOB_ID=7,9)\r\nE = <ARRAY>\r\nRows Affected:3\r\nExecute tick count 15"},
      {4, "tr:[Start transaction](12)"},
      {4, "tr:Transaction(12)- [RollBackToSavePoint(\"S1\")]"},
      {4, "tr:[Commit retaining (Soft commit)](12)"},
      {5, "svc:[Query]"},
      {3, "db:[Disconnect]"},
  };
  for (const Expected& text : expected) {
    int kind = -1;
    EXPECT_EQ(reader.NextBody(&kind), text.body);
    EXPECT_EQ(kind, text.kind) << text.body;
  }
  EXPECT_EQ(writer.Finish(), 0);
}

TEST(SQLMonitor, TwoWriterProcessesShareTheBlockWithoutMixingChunks) {
  TraceReader reader;
  reader.Register();
  auto textOf = [](char letter, int number) { return std::string(4500, letter) + std::to_string(number); };
  auto writeFive = [&](char letter) {
    return [&textOf, letter](Child&) {
      for (int i = 0; i < 5; ++i) MonitorHook()->DBConnect(textOf(letter, i));
      return 0;
    };
  };
  Child first(writeFive('a'));
  Child second(writeFive('b'));
  std::vector<std::string> received;
  for (int i = 0; i < 10; ++i) received.push_back(reader.NextBody());
  int nextOf[2] = {0, 0};
  for (const std::string& body : received) {
    ASSERT_FALSE(body.empty());
    const int writer = body[0] == 'a' ? 0 : 1;
    EXPECT_EQ(body, textOf(body[0], nextOf[writer]++) + ":[Connect]");
  }
  EXPECT_EQ(nextOf[0], 5);
  EXPECT_EQ(nextOf[1], 5);
  // Opening the existing block did not reset what the reader had set.
  EXPECT_EQ(reader.Readers(), 1);
  EXPECT_EQ(reader.Field(2016).load(), 1);
  EXPECT_EQ(first.Finish(), 0);
  EXPECT_EQ(second.Finish(), 0);
}

// Every test program traces on a channel of its own, named by its main: a writer of
// another channel, as another program tracing at the same time has, neither sees this
// program's reader nor can take its chunks. Without a channel the names are the ones
// every monitor program knows.
TEST(SQLMonitor, AChannelNameKeepsOtherProgramsOut) {
  const char* const own = std::getenv("ORDVANE_SQL_MONITOR_CHANNEL");
  ASSERT_TRUE(own != nullptr && *own != '\0');
  const std::string channel = own;
  EXPECT_EQ(SQLMonitorObjectName("Mutex"), channel + ".FIB.SQL.MONITOR.Mutex");
  TraceReader reader;
  reader.Register();
  auto readersSeenOn = [](const std::string& name) {
    Child writer([&name](Child&) {
      setenv("ORDVANE_SQL_MONITOR_CHANNEL", name.c_str(), 1);
      return static_cast<int>(TSQLMonitorChannel().ReaderCount());
    });
    return writer.Finish();
  };
  EXPECT_EQ(readersSeenOn(channel), 1);
  EXPECT_EQ(readersSeenOn(channel + ".other"), 0);
  Child defaultNames([](Child&) {
    setenv("ORDVANE_SQL_MONITOR_CHANNEL", "", 1);
    if (SQLMonitorObjectName("SharedMem") != "FIB.SQL.MONITOR.SharedMem") return 1;
    unsetenv("ORDVANE_SQL_MONITOR_CHANNEL");
    return SQLMonitorObjectName("ReadEvent") == "FIB.SQL.MONITOR.ReadEvent" ? 0 : 2;
  });
  EXPECT_EQ(defaultNames.Finish(), 0);
}

TEST(SQLMonitor, ReaderThatStopsAnsweringIsDroppedAfterATimeOut) {
  TraceReader reader;
  reader.Register();
  // A second reader that announces itself for the first chunk and then never reads.
  Child silent([](Child& self) {
    TraceReader stuck;
    stuck.Register();
    if (!stuck.AnnounceReady(5000)) return 1;
    self.Checkpoint();
    pause();
    return 0;
  });
  ASSERT_TRUE(silent.AwaitCheckpoint());
  ASSERT_EQ(reader.Readers(), 2);

  const auto start = std::chrono::steady_clock::now();
  Child writer([](Child&) {
    MonitorHook()->DBConnect("first");
    MonitorHook()->DBConnect("second");
    return 0;
  });
  EXPECT_EQ(reader.NextBody(), "first:[Connect]");
  EXPECT_EQ(reader.NextBody(), "second:[Connect]");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // One time-out for the missing acknowledgement, one for the missing announcement.
  EXPECT_GE(seconds, 1.9);
  EXPECT_LT(seconds, 30.0);
  EXPECT_EQ(reader.Readers(), 1);
  EXPECT_EQ(writer.Finish(), 0);
}

}  // namespace
}  // namespace ordvane
