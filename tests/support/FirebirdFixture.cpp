#include "tests/support/FirebirdFixture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace ordvane::test {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("''") : std::string(1, c);
  return q + "'";
}

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string RunIsql(const std::string& connect, const std::string& script) {
  static std::atomic<int> counter{0};
  std::string file = TestTempDir() + "/isql-" + std::to_string(counter++) + ".sql";
  {
    std::ofstream out(file, std::ios::binary);
    out << script;
  }
  std::string command = "isql-fb -q -b -ch UTF8 -user SYSDBA";
  if (CurrentTier() == FbTier::Server) command += " -password " + ShellQuote(SysdbaPassword());
  if (!connect.empty()) command += " " + ShellQuote(connect);
  command += " -i " + ShellQuote(file);
  int exitCode = 0;
  std::string output = RunCommand(command, exitCode);
  fs::remove(file);
  if (exitCode != 0) throw std::runtime_error("isql-fb failed (" + std::to_string(exitCode) + "):\n" + output);
  return output;
}

}  // namespace

FbTier CurrentTier() { return Env("ORDVANE_FB_TIER") == "server" ? FbTier::Server : FbTier::Embedded; }

std::string ServerPrefix() { return CurrentTier() == FbTier::Server ? Env("ORDVANE_FB_HOST") + ":" : ""; }

std::string SysdbaPassword() { return CurrentTier() == FbTier::Server ? Env("ORDVANE_FB_PASSWORD") : ""; }

void ServerTierCheck::SetUp() {
  if (CurrentTier() != FbTier::Server || !Env("ORDVANE_FB_HOST").empty()) return;
  // Printed here rather than as the skip's message, which the runner would print twice.
  std::puts("server tier: no server configured; run scripts/test.sh");
  GTEST_SKIP();
}

// The source folder is compiled into this unit alone, so that the objects of every other
// test stay the same in another checkout of the same commit (and the compiler cache
// serves them).
std::string SourcePath(const std::string& relative) { return std::string(ORDVANE_SOURCE_DIR) + "/" + relative; }

std::string FixturePath(const std::string& relative) {
  if (!relative.empty() && relative[0] == '/') return relative;
  return SourcePath("tests/fixtures/" + relative);
}

std::string RunCommand(const std::string& command, int& exitCode) {
  std::string full = command + " 2>&1";
  FILE* pipe = popen(full.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::string output;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  int status = pclose(pipe);
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

namespace {

// Creating a database with isql-fb costs a second or more, and most test programs make the
// same fixture for every case: a process makes each distinct one once and hands every test
// a copy of that file. The template is never attached after isql-fb has committed and
// detached (forced writes put every page on disk at commit), so the copy is a finished
// database of its own.
std::string FixtureTemplate(const std::string& schemaFile, const DatabaseOptions& options) {
  std::string schema = schemaFile.empty() ? std::string() : ReadFile(FixturePath(schemaFile));
  const std::string key = std::to_string(options.dialect) + '\n' + options.charset + '\n' + schema;
  static std::mutex lock;
  static std::map<std::string, std::string> templates;
  const std::scoped_lock guard(lock);
  if (auto found = templates.find(key); found != templates.end()) return found->second;
  const std::string path = TestTempDir() + "/template-" + std::to_string(templates.size()) + ".fdb";
  std::string script = "SET SQL DIALECT " + std::to_string(options.dialect) + ";\n";
  script += "CREATE DATABASE " + Quote(ServerPrefix() + path) + " USER 'SYSDBA'";
  if (CurrentTier() == FbTier::Server) script += " PASSWORD " + Quote(SysdbaPassword());
  script += " PAGE_SIZE 8192 DEFAULT CHARACTER SET " + options.charset + ";\nCOMMIT;\n";
  if (!schema.empty()) script += schema + "\nCOMMIT;\n";
  RunIsql("", script);
  return templates.emplace(key, path).first->second;
}

}  // namespace

TestDatabase::TestDatabase(const std::string& schemaFile, DatabaseOptions options) : fOptions(std::move(options)) {
  static std::atomic<int> counter{0};
  fPath = TestTempDir() + "/db-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".fdb";
  fs::copy_file(FixtureTemplate(schemaFile, fOptions), fPath);
}

TestDatabase::~TestDatabase() {
  std::error_code ignored;
  fs::remove(fPath, ignored);
}

std::string TestDatabase::Isql(const std::string& sql) const { return RunIsql(ConnectString(), sql); }

}  // namespace ordvane::test
