#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "classlib/core/CodePages.h"
#include "classlib/core/Registry.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& name, const std::string& text) {
  std::ofstream(name, std::ios::binary | std::ios::trunc) << text;
}

std::vector<AnsiString> Names(const TStringList& list) {
  std::vector<AnsiString> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Strings(i));
  return names;
}

// Each test starts with its own empty store.
class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    fFolder = test::TestTempDir() + "/config-" + testing::UnitTest::GetInstance()->current_test_info()->name();
    setenv("XDG_CONFIG_HOME", fFolder.c_str(), 1);
  }
  std::string File() const { return fFolder + "/ordvane/settings"; }

  std::string fFolder;
};

TEST_F(RegistryTest, EveryTypeRoundTripsThroughTheFile) {
  const AnsiString surname = Utf8ToAnsi("Прізвище");
  const unsigned char blob[] = {0, 1, 0xFF, '\n', '%', 0};
  {
    TRegistry reg;
    // The key path opened one key at a time, each created when missing.
    for (const char* key : {"Software", "Varnholt", "Aliases", "Q417"}) ASSERT_TRUE(reg.OpenKey(key, true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Varnholt\\Aliases\\Q417");
    reg.WriteString("Database Name", "localhost:/db/Q417.FDB");
    reg.WriteString("lc_ctype", surname);
    reg.WriteString("", "default value");
    reg.WriteExpandString("Path", "%HOME%\\db");
    reg.WriteInteger("SQL_DIALECT", -123456);
    reg.WriteBool("Flag", true);
    reg.WriteFloat("Ratio", 1.0 / 3.0);
    reg.WriteDate("When", 45000.5);
    reg.WriteCurrency("Amount", Currency::FromScaled(-12345678901234LL));
    reg.WriteBinaryData("Blob", blob, sizeof blob);
  }
  // What is on disk, read by the store's own parser.
  auto stored = TSettingsTree::Parse(ReadFile(File()));
  ASSERT_TRUE(stored.has_value());
  const TSettingsValue* dialect = stored->FindValue("Software\\Varnholt\\Aliases\\Q417", "SQL_DIALECT");
  ASSERT_NE(dialect, nullptr);
  EXPECT_EQ(dialect->type, rdInteger);
  EXPECT_EQ(dialect->AsInteger(), -123456);

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\software\\VARNHOLT\\aliases\\q417", false));  // letter case does not matter
  EXPECT_EQ(reg.ReadString("database name"), "localhost:/db/Q417.FDB");
  EXPECT_EQ(reg.ReadString("lc_ctype"), surname);
  EXPECT_EQ(reg.ReadString(""), "default value");
  EXPECT_EQ(reg.ReadString("Path"), "%HOME%\\db");
  EXPECT_EQ(reg.ReadInteger("SQL_DIALECT"), -123456);
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ(reg.ReadFloat("Ratio"), 1.0 / 3.0);
  EXPECT_EQ(reg.ReadDateTime("When"), 45000.5);
  EXPECT_EQ(reg.ReadCurrency("Amount").Scaled(), -12345678901234LL);
  unsigned char back[16] = {};
  EXPECT_EQ(reg.ReadBinaryData("Blob", back, sizeof back), 6);
  EXPECT_EQ(std::memcmp(back, blob, sizeof blob), 0);

  EXPECT_EQ(reg.GetDataType("Database Name"), rdString);
  EXPECT_EQ(reg.GetDataType("Path"), rdExpandString);
  EXPECT_EQ(reg.GetDataType("Flag"), rdInteger);
  EXPECT_EQ(reg.GetDataType("When"), rdBinary);
  EXPECT_EQ(reg.GetDataType("Amount"), rdBinary);
  EXPECT_EQ(reg.GetDataType("missing"), rdUnknown);
  EXPECT_EQ(reg.GetDataSize("Ratio"), 8);
  EXPECT_EQ(reg.GetDataSize("missing"), -1);

  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(Names(names), (std::vector<AnsiString>{"Database Name", "lc_ctype", "", "Path", "SQL_DIALECT", "Flag",
                                                   "Ratio", "When", "Amount", "Blob"}));
}

TEST_F(RegistryTest, ReadsAndWritesReportTheirErrors) {
  TRegistry reg;
  auto expectError = [](auto action, const std::string& message) {
    try {
      action();
      ADD_FAILURE() << "no error, expected: " << message;
    } catch (const ERegistryException& e) {
      EXPECT_EQ(e.Message(), message);
    }
  };
  expectError([&] { reg.WriteString("A", "x"); }, "Failed to set data for 'A'");  // no key open
  EXPECT_FALSE(reg.OpenKey("Missing", false));
  EXPECT_EQ(reg.CurrentPath(), "");
  ASSERT_TRUE(reg.OpenKey("Software\\Test", true));
  reg.WriteString("Text", "abc");
  reg.WriteInteger("Number", 7);
  EXPECT_EQ(reg.ReadString("Nothing"), "");
  expectError([&] { reg.ReadInteger("Nothing"); }, "Failed to get data for 'Nothing'");
  expectError([&] { reg.ReadInteger("Text"); }, "Invalid data type for 'Text'");
  expectError([&] { reg.ReadString("Number"); }, "Invalid data type for 'Number'");
  expectError([&] { reg.ReadFloat("Number"); }, "Invalid data type for 'Number'");
  expectError([&] { reg.ReadDate("Nothing"); }, "Failed to get data for 'Nothing'");
  char small[2];
  reg.WriteBinaryData("Bytes", "12345", 5);
  expectError([&] { reg.ReadBinaryData("Bytes", small, sizeof small); }, "Invalid data type for 'Bytes'");
  EXPECT_EQ(reg.ReadBinaryData("Nothing", small, sizeof small), 0);

  // A key deleted under an open registry takes no more values.
  TRegistry other;
  EXPECT_TRUE(other.DeleteKey("\\Software\\Test"));
  expectError([&] { reg.WriteString("Text", "again"); }, "Failed to set data for 'Text'");
  EXPECT_FALSE(reg.KeyExists("\\Software\\Test"));
}

TEST_F(RegistryTest, KeysValuesAndTheirDeletion) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Varnholt\\Transation Kinds\\Kind2", true));
  ASSERT_TRUE(reg.OpenKey("\\Software\\Varnholt\\Transation Kinds\\kind1\\Deeper", true));
  ASSERT_TRUE(reg.OpenKey("\\Software\\Varnholt\\Transation Kinds\\Kind10", true));
  reg.WriteString("Name", "read");
  ASSERT_TRUE(reg.OpenKey("\\Software\\Varnholt\\Transation Kinds", false));
  TStringList names;
  reg.GetKeyNames(&names);
  EXPECT_EQ(Names(names), (std::vector<AnsiString>{"kind1", "Kind10", "Kind2"}));
  EXPECT_TRUE(reg.KeyExists("KIND10"));  // relative to the open key
  EXPECT_TRUE(reg.KeyExists("\\Software\\Varnholt"));
  EXPECT_FALSE(reg.KeyExists("Varnholt"));

  // Opening a relative key moves down; an absolute one starts at the top.
  ASSERT_TRUE(reg.OpenKey("Kind10", false));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Varnholt\\Transation Kinds\\Kind10");
  EXPECT_TRUE(reg.ValueExists("name"));
  EXPECT_TRUE(reg.DeleteValue("NAME"));
  EXPECT_FALSE(reg.DeleteValue("Name"));
  EXPECT_FALSE(reg.ValueExists("Name"));

  ASSERT_TRUE(reg.OpenKey("\\Software\\Varnholt", false));
  EXPECT_TRUE(reg.DeleteKey("Transation Kinds"));  // with everything below it
  EXPECT_FALSE(reg.KeyExists("Transation Kinds\\kind1\\Deeper"));
  EXPECT_FALSE(reg.DeleteKey("Transation Kinds"));
  reg.GetKeyNames(&names);
  EXPECT_EQ(names.Count(), 0);
  reg.CloseKey();
  reg.GetKeyNames(&names);  // no key open: nothing
  EXPECT_EQ(names.Count(), 0);
  ASSERT_TRUE(reg.OpenKey("\\", false));
  reg.GetKeyNames(&names);
  EXPECT_EQ(Names(names), (std::vector<AnsiString>{"Software"}));
}

TEST(SettingsTree, OddNamesAndTextsSurviveSerialization) {
  TSettingsTree tree;
  const AnsiString key = "A=B\\[C]\\50%";
  tree.CreateKey(key);
  const std::vector<std::pair<AnsiString, AnsiString>> values = {
      {"x=y", "a=b"}, {"[section]", "line\r\nbreak"}, {"back\\slash", std::string("nul\0byte", 8)}, {"%41", "%"}};
  for (const auto& [name, text] : values) ASSERT_TRUE(tree.SetValue(key, name, {rdString, text}));
  tree.SetValue(key, "min", TSettingsValue::OfInteger(-2147483647 - 1));
  auto parsed = TSettingsTree::Parse(tree.Serialize());
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->SubKeyNames("A=B\\[C]"), std::vector<AnsiString>{"50%"});
  for (const auto& [name, text] : values) {
    const TSettingsValue* value = parsed->FindValue(key, name);
    ASSERT_NE(value, nullptr) << name;
    EXPECT_EQ(value->data, text);
  }
  EXPECT_EQ(parsed->FindValue(key, "MIN")->AsInteger(), -2147483647 - 1);
  EXPECT_EQ(parsed->Serialize(), tree.Serialize());
}

TEST_F(RegistryTest, CutOrDamagedFilesCountAsEmpty) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Varnholt\\Aliases\\Q417", true));
    reg.WriteString("Database Name", "db");
    reg.WriteInteger("SQL_DIALECT", 1);
  }
  const std::string whole = ReadFile(File());
  ASSERT_TRUE(TSettingsTree::Parse(whole).has_value());
  // Every cut, and a changed byte anywhere, leaves nothing readable.
  for (std::size_t length = 0; length < whole.size(); ++length)
    EXPECT_FALSE(TSettingsTree::Parse(whole.substr(0, length)).has_value()) << length;
  for (std::size_t at = 0; at < whole.size(); ++at) {
    std::string damaged = whole;
    damaged[at] ^= 0x01;
    EXPECT_FALSE(TSettingsTree::Parse(damaged).has_value()) << at;
  }

  WriteFile(File(), whole.substr(0, whole.size() / 2));
  TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("\\Software"));
  EXPECT_FALSE(reg.OpenKey("\\Software\\Varnholt\\Aliases\\Q417", false));
  // The next write starts afresh and keeps the damaged file aside.
  ASSERT_TRUE(reg.OpenKey("\\Software\\Other", true));
  reg.WriteString("Name", "value");
  EXPECT_EQ(ReadFile(File() + ".corrupt"), whole.substr(0, whole.size() / 2));
  EXPECT_EQ(reg.ReadString("Name"), "value");

  WriteFile(File(), "not a settings file at all");
  EXPECT_FALSE(reg.KeyExists("\\Software\\Other"));
  WriteFile(File(), whole);
  EXPECT_TRUE(reg.KeyExists("\\Software\\Varnholt\\Aliases\\Q417"));
}

TEST_F(RegistryTest, ALockedStoreNeverBlocksReadersAndFailsWritesClearly) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Locked", true));
  reg.WriteString("Before", "1");

  // Another holder of the store's lock (a lock of its own open file counts as another).
  int holder = open((File() + ".lock").c_str(), O_RDWR);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(reg.ReadString("Before"), "1");
  // A reader that waited for the lock would take the whole lock time-out; a busy machine
  // may make it slow, never that slow.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(TSettingsStore::kLockTimeoutMs));

  // A writer of this process waits for the lock and gives up; readers meanwhile do not wait.
  start = std::chrono::steady_clock::now();
  std::thread writer([] {
    TRegistry other;
    ASSERT_TRUE(other.OpenKey("\\Software\\Locked", false));
    EXPECT_THROW(other.WriteString("During", "2"), ERegistryException);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto readStart = std::chrono::steady_clock::now();
  EXPECT_TRUE(TRegistry().KeyExists("\\Software\\Locked"));
  EXPECT_LT(std::chrono::steady_clock::now() - readStart, std::chrono::milliseconds(TSettingsStore::kLockTimeoutMs));
  writer.join();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(TSettingsStore::kLockTimeoutMs));

  // A lock released in time only delays the write.
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    close(holder);
  });
  reg.WriteString("After", "3");
  release.join();
  EXPECT_EQ(reg.ReadString("After"), "3");
  EXPECT_FALSE(reg.ValueExists("During"));
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kValues = 25;
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Shared", true));
  }
  auto writeValues = [&](const std::string& prefix) {
    TRegistry reg;
    if (!reg.OpenKey("\\Software\\Shared", false)) return false;
    for (int i = 0; i < kValues; ++i) reg.WriteInteger(prefix + std::to_string(i), i);
    return true;
  };
  pid_t child = fork();
  if (child == 0) {
    bool ok = false;
    try {
      ok = writeValues("child");
    } catch (...) {
    }
    _exit(ok ? 0 : 1);
  }
  EXPECT_TRUE(writeValues("parent"));
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Shared", false));
  for (const char* prefix : {"parent", "child"})
    for (int i = 0; i < kValues; ++i) EXPECT_EQ(reg.ReadInteger(prefix + std::to_string(i)), i) << prefix << i;
  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(names.Count(), 2 * kValues);
  EXPECT_EQ(fs::status(File()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(fFolder + "/ordvane").permissions() & fs::perms::all, fs::perms::owner_all);
}

}  // namespace
}  // namespace ordvane
