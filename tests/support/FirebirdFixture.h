#pragma once
// Databases for tests. Each is created fresh with isql-fb from a checked-in .sql file, so
// a fixture never depends on the code it tests. The tier comes from the environment:
// ORDVANE_FB_TIER=server reaches the loopback server named by ORDVANE_FB_HOST (with the
// SYSDBA password ORDVANE_FB_PASSWORD); anything else uses the embedded engine.

#include <string>

namespace ordvane::test {

enum class FbTier { Embedded, Server };

FbTier CurrentTier();
// "host:" in the server tier, "" for the embedded engine.
std::string ServerPrefix();
std::string SysdbaPassword();

// The per-process temporary folder (removed when the process ends).
const std::string& TestTempDir();
// A file of tests/fixtures.
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
