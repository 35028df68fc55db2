// The main of every test program. Before any test runs (and before the Firebird client
// is loaded) it gives the process a temporary folder and a private Firebird root whose
// configuration lets the embedded engine share a database with isql-fb (SuperClassic),
// with FIREBIRD_LOCK and FIREBIRD_TMP inside that folder, and points XDG_CONFIG_HOME
// there as well.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

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
  MakePrivateFirebirdRoot(pattern);
}

}  // namespace

const std::string& TestTempDir() { return TempDirStorage(); }

}  // namespace ordvane::test

int main(int argc, char** argv) {
  ordvane::test::PrepareProcessEnvironment();
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new ordvane::test::ServerTierCheck);
  int result = RUN_ALL_TESTS();
  std::error_code ignored;
  fs::remove_all(ordvane::test::TestTempDir(), ignored);
  return result;
}
