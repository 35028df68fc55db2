// Local blob cache files: what is written matches, byte for byte, a file made by hand from
// the file layout, and loads back; damaged files are refused and deleted; names made from
// outside text stay inside the cache folder; the validation walk keeps to the folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "dbclient/FIBBlobCache.h"
#include "tests/dbclient/BlobCacheFiles.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

namespace fs = std::filesystem;
using test::HandMadeFile;
using test::LE32;
using test::ReadFileBytes;
using test::WriteFileBytes;

class BlobCache : public testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    fRoot = fs::path(test::TestTempDir()) / ("cache" + std::to_string(counter++));
    fs::create_directories(fRoot);
  }
  AnsiString Root() const { return fRoot.string() + "/"; }

  // The regular files below the root, relative to it.
  std::set<std::string> Files() const {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(fRoot))
      if (entry.is_regular_file() && !entry.is_symlink())
        files.insert(fs::relative(entry.path(), fRoot).string());
    return files;
  }

  fs::path fRoot;
};

const ISC_QUAD kId{0x12345678, 0x9ABCDEF0};

// Key values for a header, each variant made in place (GCC 12 warns falsely about
// temporary variants moved into a vector).
template <class... T>
std::vector<Variant> Keys(T... values) {
  std::vector<Variant> keys;
  (keys.emplace_back(std::move(values)), ...);
  return keys;
}

TEST_F(BlobCache, WrittenFileFollowsTheLayoutAndLoadsBack) {
  const std::string body("\0body\xff with bytes\r\n", 19);
  const TBlobCacheHeader header = MakeBlobCacheHeader(kId, static_cast<Integer>(body.size()), "T003", "BODY",
                                                      Keys(17, AnsiString("ab"), 2.5));
  const AnsiString name = BlobCacheFileName(Root(), header, true);
  EXPECT_EQ(name, Root() + "T003/BODY/17_ab_2,5.blb");
  ASSERT_TRUE(SaveBlobCacheFile(name, header, body.data()));
  EXPECT_EQ(Files(), std::set<std::string>{"T003/BODY/17_ab_2,5.blb"});

  EXPECT_EQ(ReadFileBytes(name), HandMadeFile("T003", "BODY", "17_ab_2,5", body, 0x12345678, 0x9ABCDEF0, 3));
  EXPECT_EQ(LoadBlobCacheFile(name, header), body);
  // A hand-made file with an empty table name matches any table.
  WriteFileBytes(name, HandMadeFile("", "BODY", "17_ab_2,5", body, 0x12345678, 0x9ABCDEF0, 3));
  EXPECT_EQ(LoadBlobCacheFile(name, header), body);

  // With no key values the name is the field folder and ".blb".
  const TBlobCacheHeader keyless = MakeBlobCacheHeader(kId, 1, "T003", "BODY", {});
  EXPECT_EQ(BlobCacheFileName(Root(), keyless, false), Root() + "T003/BODY/.blb");
  // An empty body is never cached.
  EXPECT_FALSE(SaveBlobCacheFile(BlobCacheFileName(Root(), keyless, true),
                                 MakeBlobCacheHeader(kId, 0, "T003", "BODY", {}), ""));
  EXPECT_EQ(Files().size(), 1u);
}

TEST_F(BlobCache, FileThatDoesNotMatchIsDeleted) {
  const std::string body = "contents";
  const TBlobCacheHeader header = MakeBlobCacheHeader(kId, 8, "T", "F", Keys(1));
  const AnsiString name = BlobCacheFileName(Root(), header, true);
  struct Change {
    const char* what;
    TBlobCacheHeader expected;
  };
  std::vector<Change> changes;
  auto changed = [&](const char* what, auto change) {
    TBlobCacheHeader expected = header;
    change(expected);
    changes.push_back({what, expected});
  };
  changed("blob id", [](TBlobCacheHeader& h) { h.BlobID.gds_quad_low++; });
  changed("length on the server", [](TBlobCacheHeader& h) { h.BodyLength = 9; });
  changed("key count", [](TBlobCacheHeader& h) { h.KeyCount = 2; });
  changed("key text", [](TBlobCacheHeader& h) { h.KeyText = "2"; });
  changed("table", [](TBlobCacheHeader& h) { h.TableName = "U"; });
  changed("field", [](TBlobCacheHeader& h) { h.FieldName = "G"; });
  for (const Change& change : changes) {
    ASSERT_TRUE(SaveBlobCacheFile(name, header, body.data()));
    EXPECT_EQ(LoadBlobCacheFile(name, change.expected), std::nullopt) << change.what;
    EXPECT_FALSE(fs::exists(name)) << change.what;
  }
  EXPECT_EQ(LoadBlobCacheFile(name, header), std::nullopt);  // no file at all
}

TEST_F(BlobCache, DamagedFilesAreRefusedAndDeleted) {
  const std::string good = HandMadeFile("T", "F", "7", "0123456789");
  const TBlobCacheHeader expected = MakeBlobCacheHeader({5, 6}, 10, "T", "F", Keys(7));
  const AnsiString name = BlobCacheFileName(Root(), expected, true);
  WriteFileBytes(name, good);
  ASSERT_EQ(LoadBlobCacheFile(name, expected), "0123456789");

  std::vector<std::pair<std::string, std::string>> damaged;
  for (std::size_t length = 0; length < good.size(); ++length)
    damaged.emplace_back("cut at " + std::to_string(length), good.substr(0, length));
  damaged.emplace_back("trailing bytes", good + "x");
  damaged.emplace_back("signature", "FIB$BLOB_BODX" + good.substr(13));
  damaged.emplace_back("version", good.substr(0, 13) + LE32(2) + good.substr(17));
  // Lengths far beyond the file: refused before anything is allocated.
  damaged.emplace_back("table length", good.substr(0, 33) + LE32(0x7FFFFFFF) + good.substr(37));
  damaged.emplace_back("negative key text length", good.substr(0, 43) + LE32(0xFFFFFFFF) + good.substr(47));
  damaged.emplace_back("body length", good.substr(0, 25) + LE32(0x7FFFFFF0) + good.substr(29));
  for (const auto& [what, bytes] : damaged) {
    WriteFileBytes(name, bytes);
    EXPECT_EQ(LoadBlobCacheFile(name, expected), std::nullopt) << what;
    EXPECT_FALSE(fs::exists(name)) << what;
  }
  // A link in the place of a cache file is not read through; the link itself goes.
  const fs::path outside = fRoot.parent_path() / (fRoot.filename().string() + "-outside.blb");
  WriteFileBytes(outside, good);
  fs::create_symlink(outside, name);
  EXPECT_EQ(LoadBlobCacheFile(name, expected), std::nullopt);
  EXPECT_FALSE(fs::is_symlink(name));
  EXPECT_EQ(ReadFileBytes(outside), good);
}

TEST_F(BlobCache, NamesFromKeyValuesStayInsideTheCacheFolder) {
  const std::vector<std::pair<std::vector<Variant>, std::string>> cases = {
      {Keys(AnsiString("../../escape")), "%2E.%2F..%2Fescape"},
      {Keys(AnsiString("a\\b")), "a%5Cb"},
      {Keys(AnsiString("a/b")), "a%2Fb"},
      {Keys(AnsiString("a%2Fb")), "a%252Fb"},
      {Keys(AnsiString(std::string("n\0l\x01\x7f", 5))), "n%00l%01%7F"},
      {Keys(AnsiString("."), AnsiString(".")), "%2E_."},
      {Keys(AnsiString("\xCF\xF0\xB3")), "\xCF\xF0\xB3"},  // Cyrillic text in the ANSI code page
  };
  std::set<std::string> names;
  for (const auto& [keys, expectedKey] : cases) {
    const TBlobCacheHeader header = MakeBlobCacheHeader(kId, 1, "..", "F/../..", keys);
    const AnsiString name = BlobCacheFileName(Root(), header, true);
    EXPECT_EQ(name, Root() + "%2E./F%2F..%2F../" + expectedKey + ".blb");
    ASSERT_TRUE(SaveBlobCacheFile(name, header, "x"));
    EXPECT_EQ(LoadBlobCacheFile(name, header), "x");
    names.insert(name);
  }
  EXPECT_EQ(Files().size(), cases.size());  // every file inside, none shared

  // Folders made from names must be real folders: a link planted in their place stops
  // caching rather than leading outside.
  const fs::path outside = fRoot.parent_path() / (fRoot.filename().string() + "-elsewhere");
  fs::create_directories(outside);
  fs::create_symlink(outside, fRoot / "LINKED");
  const TBlobCacheHeader linked = MakeBlobCacheHeader(kId, 1, "LINKED", "F", Keys(1));
  EXPECT_EQ(BlobCacheFileName(Root(), linked, true), "");
  EXPECT_TRUE(fs::is_empty(outside));
  // Without folder creation a missing folder gives no name.
  EXPECT_EQ(BlobCacheFileName(Root(), MakeBlobCacheHeader(kId, 1, "NEW", "F", {}), false), "");
  EXPECT_FALSE(fs::exists(fRoot / "NEW"));
}

TEST_F(BlobCache, ValidationDeletesStaleAndDamagedFilesAndStaysInside) {
  auto save = [&](const char* table, const char* field, int key, ISC_QUAD id) {
    const TBlobCacheHeader header = MakeBlobCacheHeader(id, 4, table, field, Keys(key));
    ASSERT_TRUE(SaveBlobCacheFile(BlobCacheFileName(Root(), header, true), header, "body"));
  };
  save("T", "A", 1, {0, 1});
  save("T", "A", 2, {0, 2});
  save("T", "B", 3, {0, 3});
  save("U", "A", 4, {0, 4});
  WriteFileBytes(fRoot / "T/A/damaged.BLB", "FIB$BLOB_BODY" + LE32(1));
  WriteFileBytes(fRoot / "T/A/version.blb", HandMadeFile("T", "A", "9", "x").replace(13, 4, LE32(2)));
  WriteFileBytes(fRoot / "T/A/notes.txt", "not a cache file");
  WriteFileBytes(fRoot / "T/deeper/still/deeper/5.blb", HandMadeFile("", "", "5", "x", 0, 5));
  WriteFileBytes(fRoot / ".hidden/6.blb", HandMadeFile("", "", "6", "x", 0, 6));
  // Links to files and folders outside, holding files of missing blobs: never touched.
  const fs::path outside = fRoot.parent_path() / (fRoot.filename().string() + "-outside");
  WriteFileBytes(outside / "7.blb", HandMadeFile("", "", "7", "x", 0, 7));
  fs::create_directory_symlink(outside, fRoot / "T/linked");
  fs::create_symlink(outside / "7.blb", fRoot / "T/A/7.blb");

  const std::set<ISC_LONG> existing = {1, 3};
  std::vector<ISC_LONG> asked;
  ValidateBlobCacheFolder(fRoot.string(), [&](const ISC_QUAD& id) {
    // The walk does not hold the cache lock while the server is asked.
    bool free = false;
    std::thread([&] {
      if ((free = BlobCacheLock().TryEnter())) BlobCacheLock().Leave();
    }).join();
    EXPECT_TRUE(free);
    asked.push_back(static_cast<ISC_LONG>(id.gds_quad_low));
    if (id.gds_quad_low == 4) throw std::runtime_error("connection lost");
    return existing.count(static_cast<ISC_LONG>(id.gds_quad_low)) > 0;
  });
  std::sort(asked.begin(), asked.end());
  EXPECT_EQ(asked, (std::vector<ISC_LONG>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Files(), (std::set<std::string>{"T/A/1.blb", "T/B/3.blb", "T/A/notes.txt", ".hidden/6.blb"}));
  EXPECT_TRUE(fs::exists(outside / "7.blb"));
  EXPECT_TRUE(fs::is_symlink(fRoot / "T/A/7.blb"));
}

TEST_F(BlobCache, ValidationLeavesAFileRewrittenWhileTheServerWasAsked) {
  const TBlobCacheHeader old = MakeBlobCacheHeader({0, 1}, 4, "T", "F", Keys(1));
  const AnsiString name = BlobCacheFileName(Root(), old, true);
  ASSERT_TRUE(SaveBlobCacheFile(name, old, "body"));
  const TBlobCacheHeader fresh = MakeBlobCacheHeader({0, 2}, 4, "T", "F", Keys(1));
  ValidateBlobCacheFolder(fRoot.string(), [&](const ISC_QUAD& id) {
    if (id.gds_quad_low == 1) {
      EXPECT_TRUE(SaveBlobCacheFile(name, fresh, "news"));
    }
    return false;
  });
  EXPECT_EQ(LoadBlobCacheFile(name, fresh), "news");
}

TEST_F(BlobCache, ThreadsSavingAndLoadingOneFileNeverSeeHalfAFile) {
  const AnsiString name = BlobCacheFileName(Root(), MakeBlobCacheHeader(kId, 1, "T", "F", Keys(1)), true);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      const std::string body(1000 + 100 * t, static_cast<char>('a' + t));
      const TBlobCacheHeader header =
          MakeBlobCacheHeader(kId, static_cast<Integer>(body.size()), "T", "F", Keys(1));
      for (int i = 0; i < 100; ++i) {
        SaveBlobCacheFile(name, header, body.data());
        std::optional<RawByteString> loaded = LoadBlobCacheFile(name, header);
        if (loaded && *loaded != body) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  // No temporary file is left behind.
  EXPECT_LE(Files().size(), 1u);
}

TEST(BlobCacheValidationName, AServedPlainPathGoesThroughLocalhostAndOtherNamesStay) {
  EXPECT_EQ(BlobCacheValidationDBName("/data/forms.fdb", false), "/data/forms.fdb");
  EXPECT_EQ(BlobCacheValidationDBName("/data/forms.fdb", true), "localhost:/data/forms.fdb");
  EXPECT_EQ(BlobCacheValidationDBName("/data/a:b.fdb", true), "localhost:/data/a:b.fdb");
  EXPECT_EQ(BlobCacheValidationDBName("forms", true), "localhost:forms");
  EXPECT_EQ(BlobCacheValidationDBName("server:/data/forms.fdb", true), "server:/data/forms.fdb");
  EXPECT_EQ(BlobCacheValidationDBName("server/3051:forms", true), "server/3051:forms");
  EXPECT_EQ(BlobCacheValidationDBName("inet://server/forms", true), "inet://server/forms");
}

}  // namespace
}  // namespace ordvane
