#pragma once
// Databases for tests. Each is made by isql-fb from a checked-in .sql file (once per
// process and fixture; every test gets its own copy), so a fixture never depends on the
// code it tests. The tier comes from the environment:
// ORDVANE_FB_TIER=server reaches the server named by ORDVANE_FB_HOST ("127.0.0.1/port",
// set with the SYSDBA password ORDVANE_FB_PASSWORD by scripts/test.sh, which starts a
// private server); anything else uses the embedded engine.

#include <gtest/gtest.h>

#include <string>

namespace ordvane::test {

enum class FbTier { Embedded, Server };

FbTier CurrentTier();
// "host:" in the server tier, "" for the embedded engine.
std::string ServerPrefix();
std::string SysdbaPassword();

// Skips every test of a process of the server tier when no server is configured, with
// one line that says how to get one, instead of failing on a connection to nowhere.
class ServerTierCheck : public testing::Environment {
 public:
  void SetUp() override;
};

// The per-process temporary folder (removed when the process ends).
const std::string& TestTempDir();
// A file of the source tree, and one of tests/fixtures.
std::string SourcePath(const std::string& relative);
std::string FixturePath(const std::string& relative);

struct DatabaseOptions {
  int dialect = 1;
  std::string charset = "WIN1251";
};

class TestDatabase {
 public:
  // schemaFile: a path under tests/fixtures (or absolute) whose statements run right
  // after CREATE DATABASE; empty for a bare database. Its text is UTF-8.
  explicit TestDatabase(const std::string& schemaFile = "", DatabaseOptions options = {});
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  const std::string& Path() const { return fPath; }
  // What a client attaches to: the path, or host:path in the server tier.
  std::string ConnectString() const { return ServerPrefix() + fPath; }
  std::string User() const { return "SYSDBA"; }
  std::string Password() const { return SysdbaPassword(); }
  int Dialect() const { return fOptions.dialect; }
  const std::string& Charset() const { return fOptions.charset; }

  // Runs SQL text through isql-fb on this database (connection character set UTF8)
  // and returns what it printed; throws std::runtime_error when isql-fb fails.
  std::string Isql(const std::string& sql) const;

 private:
  std::string fPath;
  DatabaseOptions fOptions;
};

// Runs a command line, returns its standard output and error; exitCode receives the
// exit status.
std::string RunCommand(const std::string& command, int& exitCode);

}  // namespace ordvane::test
