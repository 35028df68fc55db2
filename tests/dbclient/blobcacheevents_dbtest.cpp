// The database's blob cache events around a stream's load: what they are told, in which
// order, and what their answers do. A cache file made by hand from the layout, with a body
// the server does not hold, tells a load from the cache from a load from the server.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dbclient/FIBBlobStream.h"
#include "dbclient/FIBQuery.h"
#include "tests/dbclient/BlobCacheFiles.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

namespace fs = std::filesystem;

using test::kFirstBody;
constexpr char kFirstBodyCached[] = "THE FIRST DOCUMENT BODY";

std::string KeyText(const std::vector<Variant>& keys) {
  std::string text;
  for (const Variant& key : keys) text += (text.empty() ? "" : ",") + VarToStr(key);
  return text;
}


class BlobCacheEvents : public testing::Test {
 protected:
  BlobCacheEvents() {
    fs::create_directories(fRoot);
    fs::create_directories(fElsewhere);
    test::Configure(*fDatabase, fDb);
    fDatabase->BlobSwapSupport().SetActive(true);
    fDatabase->BlobSwapSupport().SetSwapDir(fRoot.string());
    fQuery->SetName("Query");
    test::ConnectStatement(*fDatabase, *fTransaction, *fQuery);
    ListenToEveryEvent();
  }
  ~BlobCacheEvents() override {
    std::error_code ignored;
    fs::remove_all(fRoot, ignored);
    fs::remove_all(fElsewhere, ignored);
  }

  void ListenToEveryEvent() {
    fDatabase->BeforeLoadBlobFromSwap = [this](const AnsiString& table, const AnsiString& field,
                                               const std::vector<Variant>& keys, AnsiString& fileName,
                                               bool& canLoad) {
      fEvents.push_back("BeforeLoad " + table + " " + field + " " + KeyText(keys) + " " + fileName);
      if (fLoadFrom) fileName = *fLoadFrom;
      canLoad = fCanLoad;
    };
    fDatabase->AfterLoadBlobFromSwap = [this](const AnsiString& table, const AnsiString& field,
                                              const std::vector<Variant>& keys, const AnsiString& fileName) {
      fEvents.push_back("AfterLoad " + table + " " + field + " " + KeyText(keys) + " " + fileName);
    };
    fDatabase->BeforeSaveBlobToSwap = [this](const AnsiString& table, const AnsiString& field,
                                             const std::vector<Variant>& keys, TFIBBlobStream* stream,
                                             AnsiString& fileName, bool& canSave) {
      // The handler sees the whole body, and reading it takes nothing from the reader.
      std::string body(static_cast<std::size_t>(stream->Size()), '\0');
      stream->Seek(0, soBeginning);
      stream->Read(body.data(), static_cast<Int64>(body.size()));
      fEvents.push_back("BeforeSave " + table + " " + field + " " + KeyText(keys) + " " + fileName + " " +
                        body);
      if (fSaveTo) fileName = *fSaveTo;
      canSave = fCanSave;
    };
    fDatabase->AfterSaveBlobToSwap = [this](const AnsiString& table, const AnsiString& field,
                                            const std::vector<Variant>& keys, const AnsiString& fileName) {
      fEvents.push_back("AfterSave " + table + " " + field + " " + KeyText(keys) + " " + fileName);
    };
  }

  ISC_QUAD BlobId(int id) { return test::DocumentBlobId(*fQuery, id); }
  // The document's body read through a stream that knows its record, as a dataset's is.
  std::string ReadDocument(int id) {
    TFIBBlobStream stream(0, {Variant(id)}, "BODY", "DOCS", nullptr);
    stream.SetDatabase(fDatabase);
    stream.SetTransaction(fTransaction);
    stream.SetBlobSubType(1);
    stream.SetBlobID(BlobId(id));
    std::string body(static_cast<std::size_t>(stream.Size()), '\0');
    EXPECT_EQ(stream.Read(body.data(), static_cast<Int64>(body.size())), static_cast<Int64>(body.size()));
    return body;
  }
  // A cache file of the first document holding a body that the server does not.
  void PlantCachedFirstBody(const fs::path& path) {
    const ISC_QUAD id = BlobId(1);
    test::WriteFileBytes(path, test::HandMadeFile("DOCS", "BODY", "1", kFirstBodyCached,
                                                  static_cast<uint32_t>(id.gds_quad_high), id.gds_quad_low));
  }
  std::vector<std::string> TakeEvents() { return std::exchange(fEvents, {}); }

  // What the handlers read and write outlives the components, whose destruction may
  // still call them.
  std::vector<std::string> fEvents;
  bool fCanLoad = true;
  bool fCanSave = true;
  std::optional<std::string> fLoadFrom;
  std::optional<std::string> fSaveTo;

  test::TestDatabase fDb{"dbclient/blobcache.sql", {3, "WIN1251"}};
  fs::path fRoot = fs::path(test::TestTempDir()) / ("events-" + std::to_string(getpid()));
  fs::path fElsewhere = fs::path(test::TestTempDir()) / ("elsewhere-" + std::to_string(getpid()));
  std::string fDefaultFile = (fRoot / "DOCS" / "BODY" / "1.blb").string();
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TFIBQuery* fQuery = new TFIBQuery(&fForm);
};

TEST_F(BlobCacheEvents, AMissAsksAndSavesAndAHitAsksAndTells) {
  EXPECT_EQ(ReadDocument(1), kFirstBody);
  // A load does not make the table's and field's folders: before the first save there is
  // no file name to offer.
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{
                              "BeforeLoad DOCS BODY 1 ",
                              "BeforeSave DOCS BODY 1 " + fDefaultFile + " " + kFirstBody,
                              "AfterSave DOCS BODY 1 " + fDefaultFile,
                          }));
  ASSERT_TRUE(fs::exists(fDefaultFile));

  PlantCachedFirstBody(fDefaultFile);
  EXPECT_EQ(ReadDocument(1), kFirstBodyCached);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{
                              "BeforeLoad DOCS BODY 1 " + fDefaultFile,
                              "AfterLoad DOCS BODY 1 " + fDefaultFile,
                          }));
}

TEST_F(BlobCacheEvents, RefusalsKeepTheCacheOutOfIt) {
  PlantCachedFirstBody(fDefaultFile);
  fCanLoad = false;
  fCanSave = false;
  EXPECT_EQ(ReadDocument(1), kFirstBody);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{
                              "BeforeLoad DOCS BODY 1 " + fDefaultFile,
                              "BeforeSave DOCS BODY 1 " + fDefaultFile + " " + kFirstBody,
                          }));
  // Neither read nor replaced.
  EXPECT_TRUE(test::ReadFileBytes(fDefaultFile).ends_with(kFirstBodyCached));

}

TEST_F(BlobCacheEvents, AFileNameMovedElsewhereIsWrittenAndReadThere) {
  const std::string moved = (fElsewhere / "first.blb").string();
  fLoadFrom = moved;
  fSaveTo = moved;
  EXPECT_EQ(ReadDocument(1), kFirstBody);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{
                              "BeforeLoad DOCS BODY 1 ",
                              "BeforeSave DOCS BODY 1 " + fDefaultFile + " " + kFirstBody,
                              "AfterSave DOCS BODY 1 " + moved,
                          }));
  EXPECT_TRUE(fs::exists(moved));
  EXPECT_FALSE(fs::exists(fDefaultFile));

  PlantCachedFirstBody(moved);
  EXPECT_EQ(ReadDocument(1), kFirstBodyCached);
  EXPECT_EQ(TakeEvents().back(), "AfterLoad DOCS BODY 1 " + moved);

  // A file that fails the checks is dropped and the body comes from the server.
  test::WriteFileBytes(moved, "not a cache file");
  EXPECT_EQ(ReadDocument(1), kFirstBody);
  EXPECT_EQ(TakeEvents().back(), "AfterSave DOCS BODY 1 " + moved);
}

// A posted body is the stream's own, not the file's it was first read from; offered to the
// cache under the id the server gave it, it is kept only once that id is a permanent one.
TEST_F(BlobCacheEvents, APostedBodyIsCachedUnderItsPermanentIdOnly) {
  PlantCachedFirstBody(fDefaultFile);
  TFIBBlobStream stream(0, {Variant(1)}, "BODY", "DOCS", nullptr);
  stream.SetDatabase(fDatabase);
  stream.SetTransaction(fTransaction);
  stream.SetBlobSubType(1);
  stream.SetMode(bmReadWrite);
  stream.SetBlobID(BlobId(1));
  stream.Seek(0, soEnd);
  EXPECT_TRUE(stream.LoadedFromCache());
  stream.Write("!", 1);
  stream.Post();
  EXPECT_FALSE(stream.LoadedFromCache());
  const std::string posted = std::string(kFirstBodyCached) + "!";
  TakeEvents();

  const ISC_QUAD temporary = stream.BlobID();
  ASSERT_EQ(temporary.gds_quad_high, 0);
  stream.SetBlobIDAndCache(temporary);
  EXPECT_TRUE(TakeEvents().empty());
  EXPECT_TRUE(test::ReadFileBytes(fDefaultFile).ends_with(kFirstBodyCached));

  fQuery->SQL().SetText("update DOCS set BODY = :BODY where ID = 1");
  fQuery->Prepare();
  fQuery->Params()[0].SetAsQuad(temporary);
  fQuery->ExecQuery();
  const ISC_QUAD permanent = BlobId(1);
  ASSERT_NE(permanent.gds_quad_high, 0);
  stream.SetBlobIDAndCache(permanent);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{
                              "BeforeSave DOCS BODY 1 " + fDefaultFile + " " + posted,
                              "AfterSave DOCS BODY 1 " + fDefaultFile,
                          }));
  EXPECT_EQ(test::ReadFileBytes(fDefaultFile),
            test::HandMadeFile("DOCS", "BODY", "1", posted, static_cast<uint32_t>(permanent.gds_quad_high),
                               permanent.gds_quad_low));
  EXPECT_EQ(ReadDocument(1), posted);
}

}  // namespace
}  // namespace ordvane
