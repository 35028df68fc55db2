// The background check of the blob cache, started when a database with an active cache
// connects: files of blobs that still exist stay, stale and damaged ones go, and nothing
// outside the cache folder is touched, even through a link.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "dbclient/FIBQuery.h"
#include "dbclient/pFIBDatabase.h"
#include "tests/dbclient/BlobCacheFiles.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

namespace fs = std::filesystem;

class BlobCacheValidation : public testing::Test {
 protected:
  BlobCacheValidation() {
    fs::create_directories(fRoot);
    fs::create_directories(fOutside);
  }
  ~BlobCacheValidation() override {
    std::error_code ignored;
    fs::remove_all(fRoot, ignored);
    fs::remove_all(fOutside, ignored);
  }

  // The blob id the server holds for a document, read by a connection of its own.
  ISC_QUAD DocumentBlobId(int id) {
    TFIBDatabase database(nullptr);
    TFIBTransaction transaction(nullptr);
    TFIBQuery query(nullptr);
    test::Configure(database, fDb);
    query.SQL().SetText("select BODY from DOCS where ID = " + std::to_string(id));
    test::ConnectStatement(database, transaction, query);
    query.ExecQuery();
    return query.FieldByName("BODY").GetAsQuad();
  }
  static std::string CacheFile(const ISC_QUAD& id, const std::string& key) {
    return test::HandMadeFile("DOCS", "BODY", key, "cached body", static_cast<uint32_t>(id.gds_quad_high),
                              id.gds_quad_low);
  }
  // The regular files below a folder, relative to it (links are not followed).
  static std::set<std::string> Files(const fs::path& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      if (entry.is_regular_file() && !entry.is_symlink())
        files.insert(fs::relative(entry.path(), folder).string());
    return files;
  }
  // Connects a database whose cache is the root and waits for its check to end.
  void ConnectAndValidate(const std::string& dbName) {
    TComponent form(nullptr);
    auto* database = new TpFIBDatabase(&form);
    test::Configure(*database, fDb);
    database->SetDBName(dbName);
    database->BlobSwapSupport().SetActive(true);
    database->BlobSwapSupport().SetSwapDir(fRoot.string());
    database->Connect();
    ASSERT_TRUE(database->Connected());
  }  // the component waits for its check when it goes

  test::TestDatabase fDb{"dbclient/blobcache.sql", {3, "WIN1251"}};
  fs::path fRoot = fs::path(test::TestTempDir()) / ("validated-" + std::to_string(getpid()));
  fs::path fOutside = fs::path(test::TestTempDir()) / ("outside-" + std::to_string(getpid()));
};

TEST_F(BlobCacheValidation, StaleAndDamagedFilesGoAndLiveOnesStay) {
  const ISC_QUAD first = DocumentBlobId(1), second = DocumentBlobId(2);
  const ISC_QUAD gone{first.gds_quad_high, first.gds_quad_low + 100000};
  test::WriteFileBytes(fRoot / "DOCS" / "BODY" / "1.blb", CacheFile(first, "1"));
  test::WriteFileBytes(fRoot / "DOCS" / "BODY" / "deep" / "2.blb", CacheFile(second, "2"));
  test::WriteFileBytes(fRoot / "DOCS" / "BODY" / "3.blb", CacheFile(gone, "3"));
  test::WriteFileBytes(fRoot / "DOCS" / "BODY" / "4.blb", "FIB$BLOB_BODY" + test::LE32(2));
  test::WriteFileBytes(fRoot / "DOCS" / "BODY" / "5.blb", CacheFile(first, "5").substr(0, 40));
  test::WriteFileBytes(fRoot / "notes.txt", "not a cache file");
  // Stale files outside the cache, reached through a linked folder and a linked file.
  test::WriteFileBytes(fOutside / "6.blb", CacheFile(gone, "6"));
  fs::create_directory_symlink(fOutside, fRoot / "DOCS" / "linked");
  fs::create_symlink(fOutside / "6.blb", fRoot / "DOCS" / "7.blb");

  ConnectAndValidate(fDb.ConnectString());

  EXPECT_EQ(Files(fRoot), (std::set<std::string>{"DOCS/BODY/1.blb", "DOCS/BODY/deep/2.blb", "notes.txt"}));
  EXPECT_EQ(Files(fOutside), std::set<std::string>{"6.blb"});
}

TEST_F(BlobCacheValidation, AnEmptyOrMissingFolderStartsNoCheck) {
  TFIBDatabase database(nullptr);
  test::Configure(database, fDb);
  database.BlobSwapSupport().SetActive(true);
  database.BlobSwapSupport().SetSwapDir((fRoot / "missing").string());
  database.Connect();
  EXPECT_EQ(StartBlobCacheValidation(database), nullptr);
  database.BlobSwapSupport().SetActive(false);
  EXPECT_EQ(StartBlobCacheValidation(database), nullptr);
}

}  // namespace
}  // namespace ordvane
