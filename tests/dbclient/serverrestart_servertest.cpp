// A lost connection that is real in the hardest way: the server process is stopped, the
// reconnect timer fails while it is down and succeeds once it runs again. The server is
// a private one on a port of its own (its own configuration, lock folder and copy of the
// user database), so that the shared server keeps running for everybody else.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "dbclient/pFIBDatabase.h"
#include "tests/support/FirebirdFixture.h"
#include "tests/support/VirtualTime.h"

extern char** environ;

namespace ordvane {
namespace {

namespace fs = std::filesystem;

// A port nobody listens on right now.
int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  close(s);
  return port;
}

bool Accepts(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool accepted = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(s);
  return accepted;
}

// A Firebird server of this test alone, built on the test's Firebird root.
class PrivateServer {
 public:
  // Empty when it cannot be built here; Problem() says why.
  PrivateServer() {
    const char* testRoot = std::getenv("FIREBIRD");
    const fs::path binary =
        std::getenv("ORDVANE_FB_SERVER") ? std::getenv("ORDVANE_FB_SERVER") : "/usr/sbin/firebird";
    // A copy of the user database of the server that scripts/test.sh started, which knows
    // the password of the tier.
    const char* securityCopy = std::getenv("ORDVANE_FB_SECURITY_DB");
    const fs::path security = securityCopy != nullptr ? securityCopy : "";
    if (testRoot == nullptr || !fs::exists(binary) || security.empty() || !fs::exists(security)) {
      fProblem = "no server program, test root or user database here";
      return;
    }
    const fs::path dir = fs::path(test::TestTempDir()) / "private-server";
    fRoot = dir / "root";
    fs::create_directories(fRoot);
    fs::create_directories(dir / "lock");
    for (const auto& entry : fs::directory_iterator(testRoot)) {
      const fs::path name = entry.path().filename();
      if (name != "firebird.conf" && name != "databases.conf")
        fs::create_symlink(fs::canonical(entry.path()), fRoot / name);
    }
    fs::copy_file(security, fRoot / "security3.fdb");
    fPort = FreePort();
    // A server started by root may go on as the "firebird" user: it must reach its
    // files and the test's databases.
    fs::permissions(
        fRoot / "security3.fdb",
        fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));
    fs::permissions(dir, fs::perms::all);
    fs::permissions(dir / "lock", fs::perms::all);
    std::ofstream(fRoot / "firebird.conf")
        << "RemoteServicePort = " << fPort << "\nRemoteBindAddress = 127.0.0.1"
        << "\nServerMode = Super\nSecurityDatabase = " << (fRoot / "security3.fdb").string() << "\n";
    std::ofstream(fRoot / "databases.conf")
        << "security.db = " << (fRoot / "security3.fdb").string() << "\n{\n  RemoteAccess = false\n}\n";
    fBinary = binary.string();
    for (char** variable = environ; *variable != nullptr; ++variable) {
      const std::string text = *variable;
      if (text.rfind("FIREBIRD=", 0) != 0 && text.rfind("FIREBIRD_LOCK=", 0) != 0 &&
          text.rfind("FIREBIRD_TMP=", 0) != 0)
        fEnvironment.push_back(text);
    }
    fEnvironment.push_back("FIREBIRD=" + fRoot.string());
    fEnvironment.push_back("FIREBIRD_LOCK=" + (dir / "lock").string());
    fEnvironment.push_back("FIREBIRD_TMP=" + (dir / "lock").string());
    fLog = (dir / "server.log").string();
  }
  ~PrivateServer() { Stop(); }
  PrivateServer(const PrivateServer&) = delete;
  PrivateServer& operator=(const PrivateServer&) = delete;

  const std::string& Problem() const { return fProblem; }
  // What the server wrote, for the message of a failure.
  std::string Log() const {
    std::string text;
    for (const fs::path& file : {fs::path(fLog), fRoot / "firebird.log"}) {
      std::ifstream in(file);
      text += std::string(std::istreambuf_iterator<char>(in), {});
    }
    return text;
  }
  // host/port: in front of a path.
  std::string Prefix() const { return "127.0.0.1/" + std::to_string(fPort) + ":"; }

  // True once the server accepts connections.
  bool Start() {
    std::vector<char*> argv{fBinary.data(), nullptr};
    std::vector<char*> envp;
    for (std::string& text : fEnvironment) envp.push_back(text.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, fLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int failed = posix_spawn(&fPid, fBinary.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
      fPid = 0;
      return false;
    }
    for (int i = 0; i < 200 && !Accepts(fPort); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return Accepts(fPort);
  }
  void Stop() {
    if (fPid == 0) return;
    kill(fPid, SIGKILL);
    waitpid(fPid, nullptr, 0);
    fPid = 0;
  }

 private:
  std::string fProblem;
  fs::path fRoot;
  std::string fBinary;
  std::string fLog;
  std::vector<std::string> fEnvironment;
  int fPort = 0;
  pid_t fPid = 0;
};

TEST(ServerRestart, TheReconnectTimerWaitsForTheServerToComeBack) {
  PrivateServer server;
  if (!server.Problem().empty()) GTEST_SKIP() << server.Problem();
  ASSERT_TRUE(server.Start());
  const std::string path = (fs::path(test::TestTempDir()) / "private-server" / "restart.fdb").string();
  const std::string script = (fs::path(test::TestTempDir()) / "private-server" / "create.sql").string();
  std::ofstream(script) << "create database '" << server.Prefix() << path << "' user SYSDBA password '"
                        << test::SysdbaPassword() << "';\ncreate table T (ID integer);\ncommit;\n"
                        << "insert into T values (7);\ncommit;\n";
  int exitCode = 0;
  const std::string output = test::RunCommand("isql-fb -q -i " + script, exitCode);
  ASSERT_EQ(exitCode, 0) << output << server.Log();

  test::VirtualTime time;
  TComponent form(nullptr);
  auto* database = new TpFIBDatabase(&form);
  database->SetDBName(server.Prefix() + path);
  database->ConnectParams().SetUserName("SYSDBA");
  database->ConnectParams().SetPassword(test::SysdbaPassword());
  database->SetSQLDialect(3);
  database->SetWaitForRestoreConnect(1000);
  std::vector<TOnLostConnectActions> lost;
  std::vector<std::string> failedAttempts;
  int restored = 0;
  database->OnLostConnect = [&](TpFIBDatabase*, const EFIBError&, TOnLostConnectActions& actions) {
    lost.push_back(actions);
    actions = laWaitRestore;
  };
  database->OnErrorRestoreConnect = [&](TpFIBDatabase*, const EFIBError& e, TOnLostConnectActions&) {
    failedAttempts.push_back(e.Message());
  };
  database->AfterRestoreConnect = [&](TpFIBDatabase*) { ++restored; };
  database->Connect();
  ASSERT_TRUE(database->Connected());

  server.Stop();
  EXPECT_NO_THROW(database->Close());
  EXPECT_EQ(lost, std::vector<TOnLostConnectActions>{laCloseConnect});
  EXPECT_FALSE(database->Connected());
  time.Advance(1000);
  EXPECT_EQ(failedAttempts.size(), 1u);
  EXPECT_FALSE(database->Connected());

  ASSERT_TRUE(server.Start());
  time.Advance(1000);
  EXPECT_EQ(restored, 1);
  ASSERT_TRUE(database->Connected());
  EXPECT_EQ(database->QueryValue("select ID from T").AsInteger(), 7);
  database->Close();
}

}  // namespace
}  // namespace ordvane
