#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "classlib/core/CodePages.h"
#include "classlib/core/DynLib.h"
#include "classlib/core/OSError.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

TEST(DynLib, LoadsTheFirebirdClientAndCallsIt) {
  HMODULE client = LoadLibrary("libfbclient.so.2");
  ASSERT_NE(client, 0u) << LoaderErrorText();
  EXPECT_NE(GetProcAddress(client, "isc_attach_database"), nullptr);

  // The client's version text ("LI-V6.3.11.33637 Firebird 3.0": an old-style number, then
  // the build and the product) against what isql-fb reports ("LI-V3.0.11.33637 Firebird 3.0").
  auto clientVersion = reinterpret_cast<void (*)(char*)>(GetProcAddress(client, "isc_get_client_version"));
  ASSERT_NE(clientVersion, nullptr);
  char text[256] = {};
  clientVersion(text);
  int exitCode = 0;
  std::string banner = test::RunCommand("isql-fb -z </dev/null", exitCode);
  const std::string version = text;
  const std::size_t space = version.find(' ');
  ASSERT_NE(space, std::string::npos) << text;
  const std::string buildAndProduct = version.substr(version.rfind('.', space));
  EXPECT_NE(banner.find(buildAndProduct), std::string::npos) << banner << " / " << text;

  EXPECT_EQ(GetProcAddress(client, "isc_no_such_entry"), nullptr);
  EXPECT_NE(LoaderErrorText().find("isc_no_such_entry"), std::string::npos) << LoaderErrorText();

  // Two loads need two releases; a third release is refused rather than undefined.
  HMODULE again = LoadLibrary("libfbclient.so.2");
  EXPECT_EQ(again, client);
  EXPECT_TRUE(FreeLibrary(client));
  EXPECT_NE(GetProcAddress(client, "isc_attach_database"), nullptr);
  EXPECT_TRUE(FreeLibrary(client));
  EXPECT_FALSE(FreeLibrary(client));
  EXPECT_EQ(GetProcAddress(client, "isc_attach_database"), nullptr);
  EXPECT_EQ(LoaderErrorText(), "invalid module handle");
}

TEST(DynLib, MissingFileGivesTheLoadersText) {
  const std::string missing = test::TestTempDir() + "/no-such-library.so";
  EXPECT_EQ(LoadLibrary(missing), 0u);
  const std::string text = LoaderErrorText();
  EXPECT_NE(text.find(missing), std::string::npos) << text;
  EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
  try {
    RaiseLoaderError();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), text);
  }

  // A file that is there but is no library.
  EXPECT_EQ(LoadLibrary(test::SourcePath("CMakeLists.txt")), 0u);
  EXPECT_NE(LoaderErrorText().find("CMakeLists.txt"), std::string::npos) << LoaderErrorText();
}

TEST(DynLib, FileNamesAreAnsiText) {
  // A copy of the client under a Cyrillic name in a folder given with "\".
  const std::string folder = test::TestTempDir() + "/бібліотеки";
  std::filesystem::create_directories(folder);
  HMODULE original = LoadLibrary("libfbclient.so.2");
  Dl_info where = {};
  ASSERT_NE(dladdr(GetProcAddress(original, "isc_attach_database"), &where), 0);
  std::filesystem::copy_file(where.dli_fname, folder + "/клієнт.so",
                             std::filesystem::copy_options::overwrite_existing);
  FreeLibrary(original);
  const AnsiString ansiFolder = Utf8ToAnsi(folder);
  HMODULE module = LoadLibrary(ansiFolder + "\\" + Utf8ToAnsi("клієнт.so"));
  ASSERT_NE(module, 0u) << AnsiToUtf8(LoaderErrorText());
  EXPECT_NE(GetProcAddress(module, "isc_attach_database"), nullptr);
  EXPECT_TRUE(FreeLibrary(module));

  const AnsiString missing = ansiFolder + "/" + Utf8ToAnsi("немає.so");
  EXPECT_EQ(LoadLibrary(missing), 0u);
  EXPECT_NE(LoaderErrorText().find(missing), std::string::npos) << AnsiToUtf8(LoaderErrorText());
}

TEST(OSError, RaisesTheSystemText) {
  try {
    RaiseLastOSError(2);
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), 2);
    EXPECT_EQ(e.Message(), "System Error.  Code: 2.\r\nNo such file or directory");
  }
}

}  // namespace
}  // namespace ordvane
