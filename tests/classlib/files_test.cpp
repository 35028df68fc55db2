#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>

#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

namespace fs = std::filesystem;

// A fresh folder under the test's temporary folder, named in UTF-8 on disk.
fs::path Folder(const std::string& name) {
  fs::path folder = fs::path(test::TestTempDir()) / name;
  fs::create_directories(folder);
  return folder;
}

void Touch(const fs::path& file, const std::string& contents = "") {
  std::ofstream(file) << contents;
}

// ANSI name of a path on disk.
AnsiString Ansi(const fs::path& path) {
  return Utf8ToAnsi(path.string());
}

TEST(Files, ExistenceFoldersDeletionAndRenaming) {
  const fs::path folder = Folder("Файли");
  Touch(folder / "дані.txt", "x");
  const AnsiString file = Ansi(folder / "дані.txt");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_TRUE(DirectoryExists(Ansi(folder)));
  EXPECT_FALSE(FileExists(Ansi(folder)));
  EXPECT_FALSE(FileExists(file + ".missing"));
  // Stored names may use "\".
  EXPECT_TRUE(FileExists(Ansi(folder) + "\\" + Utf8ToAnsi("дані.txt")));

  EXPECT_TRUE(ForceDirectories(Ansi(folder / "a" / "b" / "c")));
  EXPECT_TRUE(fs::is_directory(folder / "a" / "b" / "c"));
  EXPECT_TRUE(ForceDirectories(Ansi(folder / "a")));  // already there
  EXPECT_FALSE(ForceDirectories(file + "/under-a-file"));
  EXPECT_FALSE(ForceDirectories(""));

  // Renaming never replaces an existing file.
  Touch(folder / "other.txt", "keep");
  EXPECT_FALSE(RenameFile(file, Ansi(folder / "other.txt")));
  EXPECT_TRUE(FileExists(file));
  std::ifstream other(folder / "other.txt");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(other)), std::istreambuf_iterator<char>()), "keep");
  EXPECT_TRUE(RenameFile(file, Ansi(folder / "a" / "moved.txt")));
  EXPECT_FALSE(FileExists(file));
  EXPECT_TRUE(fs::exists(folder / "a" / "moved.txt"));
  EXPECT_FALSE(RenameFile(file, Ansi(folder / "again.txt")));

  EXPECT_TRUE(DeleteFile(Ansi(folder / "a" / "moved.txt")));
  EXPECT_FALSE(DeleteFile(Ansi(folder / "a" / "moved.txt")));
  EXPECT_FALSE(DeleteFile(Ansi(folder / "a")));  // not a folder
  EXPECT_TRUE(fs::is_directory(folder / "a"));
}

std::set<std::string> Walk(const AnsiString& mask, Integer attr) {
  std::set<std::string> names;
  TSearchRec rec;
  for (int result = FindFirst(mask, attr, rec); result == 0; result = FindNext(rec)) {
    names.insert(AnsiToUtf8(rec.Name));
    EXPECT_FALSE(rec.Name == "." || rec.Name == "..");
  }
  FindClose(rec);
  return names;
}

TEST(Files, FindFirstWalksMatchingNames) {
  const fs::path folder = Folder("walk");
  for (const char* name : {"a.sql", "B.SQL", "c.txt", "noext", ".hidden.sql", "Звіт.sql", "a.sqlx"})
    Touch(folder / name, "12345");
  fs::create_directory(folder / "dir.sql");
  const AnsiString in = Ansi(folder) + "/";

  using Names = std::set<std::string>;
  EXPECT_EQ(Walk(in + "*.sql", 0), (Names{"a.sql", "B.SQL", "Звіт.sql"}));
  EXPECT_EQ(Walk(in + "*.SQL", faDirectory), (Names{"a.sql", "B.SQL", "Звіт.sql", "dir.sql"}));
  EXPECT_EQ(Walk(in + "*.sql", faHidden), (Names{"a.sql", "B.SQL", "Звіт.sql", ".hidden.sql"}));
  EXPECT_EQ(Walk(in + "*.*", 0), (Names{"a.sql", "B.SQL", "c.txt", "noext", "Звіт.sql", "a.sqlx"}));
  EXPECT_EQ(Walk(in + "?.*", 0), (Names{"a.sql", "B.SQL", "c.txt", "a.sqlx"}));
  EXPECT_EQ(Walk(in + Utf8ToAnsi("зВІТ*"), 0), (Names{"Звіт.sql"}));
  EXPECT_EQ(Walk(in + "*", faAnyFile).size(), 8u);

  TSearchRec rec;
  EXPECT_EQ(FindFirst(in + "*.none", faAnyFile, rec), ENOENT);
  EXPECT_EQ(FindFirst(in + "missing/*", faAnyFile, rec), ENOENT);

  ASSERT_EQ(FindFirst(in + "c.txt", 0, rec), 0);
  EXPECT_EQ(rec.Size, 5);
  EXPECT_EQ(rec.Attr & faDirectory, 0);
  EXPECT_LE(std::abs(rec.Time - static_cast<Int64>(std::time(nullptr))), 60);
  ASSERT_EQ(FindFirst(in + "dir.*", faDirectory, rec), 0);
  EXPECT_NE(rec.Attr & faDirectory, 0);
  EXPECT_EQ(FindNext(rec), ENOENT);
  EXPECT_EQ(rec.FindHandle, nullptr);
}

TEST(Files, TheProgramKnowsItsOwnPath) {
  const AnsiString self = ParamStr(0);
  EXPECT_EQ(self, Ansi(fs::canonical("/proc/self/exe")));
  EXPECT_EQ(ExtractFileName(self), "classlib_files_test");
  EXPECT_TRUE(DirectoryExists(ExtractFilePath(self)));
  EXPECT_EQ(ParamStr(ParamCount() + 1), "");
  EXPECT_EQ(ParamStr(-1), "");
}

}  // namespace
}  // namespace ordvane
