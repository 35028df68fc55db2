// The main of every test program. Before any test runs (and before the Firebird client
// is loaded) it gives the process a temporary folder and a private Firebird root whose
// configuration lets the embedded engine share a database with isql-fb (SuperClassic),
// with FIREBIRD_LOCK and FIREBIRD_TMP inside that folder, and points XDG_CONFIG_HOME
// there as well; it names an SQL trace channel of its own.
//
// A program holds the test files of one module and kind; --ordvane_source=<file name>
// runs the tests of that file only (within --gtest_filter, if given), which is how each
// CTest entry runs its own file's tests.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "tests/support/FirebirdFixture.h"

namespace fs = std::filesystem;

namespace ordvane::test {

namespace {

std::string& TempDirStorage() {
  static std::string dir;
  return dir;
}

// The installed Firebird root: ORDVANE_FB_ROOT, else the distribution's folder.
fs::path InstalledFirebirdRoot() {
  if (const char* root = std::getenv("ORDVANE_FB_ROOT")) return root;
  for (const char* candidate : {"/usr/lib/x86_64-linux-gnu/firebird/3.0", "/usr/lib/aarch64-linux-gnu/firebird/3.0",
                                "/usr/lib/firebird/3.0", "/opt/firebird"})
    if (fs::exists(fs::path(candidate) / "plugins")) return candidate;
  return {};
}

void MakePrivateFirebirdRoot(const fs::path& dir) {
  fs::path installed = InstalledFirebirdRoot();
  if (installed.empty()) return;  // no Firebird here; database tests will say so
  fs::path root = dir / "fbroot";
  fs::create_directories(root);
  for (const auto& entry : fs::directory_iterator(installed)) {
    fs::path name = entry.path().filename();
    if (name == "firebird.conf" || name == "include") continue;
    if (name == "intl") {
      // The character-set module finds its companions from its own real location, so it
      // must be a file of this root, not a link into the installed one.
      fs::create_directories(root / name);
      for (const auto& file : fs::directory_iterator(entry.path()))
        fs::copy_file(fs::canonical(file.path()), root / name / file.path().filename());
      continue;
    }
    fs::create_symlink(fs::canonical(entry.path()), root / name);
  }
  std::ofstream conf(root / "firebird.conf");
  std::ifstream original(installed / "firebird.conf");
  // Without the loopback provider: an embedded attach that fails (a file that is missing
  // or already there) would otherwise be tried again on whatever server listens on
  // localhost:3050.
  conf << original.rdbuf() << "\nServerMode = SuperClassic\nProviders = Remote, Engine12\n";
  setenv("FIREBIRD", root.c_str(), 1);
}

void PrepareProcessEnvironment() {
  std::string pattern = (fs::temp_directory_path() / "ordvane-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::cerr << "cannot create a temporary folder\n";
    std::exit(2);
  }
  TempDirStorage() = pattern;
  // The loopback server runs as its own user and creates its databases here too.
  chmod(pattern.c_str(), 0777);
  fs::create_directories(fs::path(pattern) / "lock");
  fs::create_directories(fs::path(pattern) / "tmp");
  setenv("FIREBIRD_LOCK", (fs::path(pattern) / "lock").c_str(), 1);
  setenv("FIREBIRD_TMP", (fs::path(pattern) / "tmp").c_str(), 1);
  // The per-user settings store lives here too, never in the user's own folder.
  fs::create_directories(fs::path(pattern) / "config");
  setenv("XDG_CONFIG_HOME", (fs::path(pattern) / "config").c_str(), 1);
  // The SQL trace channel of this program and the processes it forks, named after its
  // folder: another program tracing at the same time never takes its chunks.
  setenv("ORDVANE_SQL_MONITOR_CHANNEL", fs::path(pattern).filename().c_str(), 1);
  MakePrivateFirebirdRoot(pattern);
}

// GoogleTest's wildcards: '*' any text, '?' one character.
bool WildcardMatches(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern.front() == '*')
    return WildcardMatches(pattern.substr(1), text) || (!text.empty() && WildcardMatches(pattern, text.substr(1)));
  return !text.empty() && (pattern.front() == '?' || pattern.front() == text.front()) &&
         WildcardMatches(pattern.substr(1), text.substr(1));
}

bool AnyPatternMatches(std::string_view patterns, std::string_view name) {
  while (true) {
    const std::size_t end = patterns.find(':');
    if (WildcardMatches(patterns.substr(0, end), name)) return true;
    if (end == std::string_view::npos) return false;
    patterns.remove_prefix(end + 1);
  }
}

// GoogleTest's filter: patterns separated by ':', then after a '-' the excluded ones.
bool FilterAccepts(std::string_view filter, std::string_view name) {
  const std::size_t minus = filter.find('-');
  const std::string_view positive = filter.substr(0, minus);
  if (!positive.empty() && !AnyPatternMatches(positive, name)) return false;
  return minus == std::string_view::npos || !AnyPatternMatches(filter.substr(minus + 1), name);
}

// Takes --ordvane_source=<file name> out of the arguments; empty when not given.
std::string TakeSourceOption(int& argc, char** argv) {
  constexpr std::string_view option = "--ordvane_source=";
  std::string file;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.starts_with(option))
      file = argument.substr(option.size());
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  argv[argc] = nullptr;
  return file;
}

bool IsFile(std::string_view path, std::string_view fileName) {
  return path == fileName || (path.ends_with(fileName) && path[path.size() - fileName.size() - 1] == '/');
}

// Narrows the filter to the tests defined in the file. A test defined elsewhere (in a
// header) would be run by no CTest entry: then it fails instead, naming the test.
bool SelectTestsOfFile(std::string_view fileName) {
  const std::string filter = GTEST_FLAG_GET(filter);
  std::string selected;
  const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
  for (int s = 0; s < unit.total_test_suite_count(); ++s) {
    const testing::TestSuite& suite = *unit.GetTestSuite(s);
    for (int t = 0; t < suite.total_test_count(); ++t) {
      const testing::TestInfo& test = *suite.GetTestInfo(t);
      const std::string_view file = test.file();
      if (!file.ends_with("test.cpp")) {
        std::cerr << suite.name() << '.' << test.name() << " is defined in " << file
                  << ", not in a test file: no test entry runs it\n";
        return false;
      }
      const std::string name = std::string(suite.name()) + '.' + test.name();
      if (IsFile(file, fileName) && FilterAccepts(filter, name)) selected += (selected.empty() ? "" : ":") + name;
    }
  }
  // An empty filter would run everything; "-*" runs nothing.
  GTEST_FLAG_SET(filter, selected.empty() ? "-*" : selected);
  return true;
}

}  // namespace

const std::string& TestTempDir() { return TempDirStorage(); }

}  // namespace ordvane::test

int main(int argc, char** argv) {
  ordvane::test::PrepareProcessEnvironment();
  const std::string sourceFile = ordvane::test::TakeSourceOption(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  const bool selected = sourceFile.empty() || ordvane::test::SelectTestsOfFile(sourceFile);
  testing::AddGlobalTestEnvironment(new ordvane::test::ServerTierCheck);
  const int result = selected ? RUN_ALL_TESTS() : 2;
  std::error_code ignored;
  fs::remove_all(ordvane::test::TestTempDir(), ignored);
  return result;
}
