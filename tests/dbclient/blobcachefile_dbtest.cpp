// A blob stream's own cache-file methods: the record it writes, with and without the
// header, on memory and in real files; what it takes back and what it refuses. Records
// made by hand from the file layout are the oracle of the format; a body the server does
// not hold tells a body read from a file from one read from the server.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "dbclient/FIBBlobCache.h"
#include "dbclient/FIBBlobStream.h"
#include "dbclient/FIBQuery.h"
#include "tests/dbclient/BlobCacheFiles.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

namespace fs = std::filesystem;

using test::kFirstBody;
constexpr char kFirstBodyOther[] = "THE FIRST DOCUMENT BODY";  // the same length
constexpr Integer kBracketedSubType = -5;


std::string Body(TFIBBlobStream& stream) {
  std::string body(static_cast<std::size_t>(stream.Size()), '\0');
  stream.Seek(0, soBeginning);
  stream.Read(body.data(), static_cast<Int64>(body.size()));
  return body;
}

class BlobCacheFile : public testing::Test {
 protected:
  BlobCacheFile() {
    fs::create_directories(fRoot);
    test::Configure(*fDatabase, fDb);
    fQuery->SetName("Query");
    test::ConnectStatement(*fDatabase, *fTransaction, *fQuery);
    // Kept on the server in brackets; the body the client sees has none.
    fDatabase->BlobFilters().RegisterFilter(
        kBracketedSubType,
        [](RawByteString& data) {
          if (data.size() >= 2 && data.front() == '[' && data.back() == ']')
            data = data.substr(1, data.size() - 2);
        },
        [](RawByteString& data) { data = "[" + data + "]"; });
  }
  ~BlobCacheFile() override {
    std::error_code ignored;
    fs::remove_all(fRoot, ignored);
  }

  ISC_QUAD BlobId(int id) { return test::DocumentBlobId(*fQuery, id); }
  // A stream on the document's body that knows its record, as a dataset's does.
  std::unique_ptr<TFIBBlobStream> Document(int id, TBlobStreamMode mode = bmRead, Integer subType = 1) {
    auto stream =
        std::make_unique<TFIBBlobStream>(0, std::vector<Variant>{Variant(id)}, "BODY", "DOCS", nullptr);
    stream->SetDatabase(fDatabase);
    stream->SetTransaction(fTransaction);
    stream->SetBlobSubType(subType);
    stream->SetMode(mode);
    stream->SetBlobID(BlobId(id));
    return stream;
  }
  // The first document's record as the layout describes it.
  std::string FirstRecord(const std::string& body) {
    const ISC_QUAD id = BlobId(1);
    return test::HandMadeFile("DOCS", "BODY", "1", body, static_cast<uint32_t>(id.gds_quad_high),
                              id.gds_quad_low);
  }
  // A new document whose body is written through the bracketing filter.
  void InsertBracketed(int id, const std::string& body) {
    TFIBBlobStream stream;
    stream.SetDatabase(fDatabase);
    stream.SetTransaction(fTransaction);
    stream.SetBlobSubType(kBracketedSubType);
    stream.SetMode(bmWrite);
    stream.Write(body.data(), static_cast<Int64>(body.size()));
    stream.Post();
    fQuery->SQL().SetText("insert into DOCS (ID, BODY) values (:ID, :BODY)");
    fQuery->Prepare();
    fQuery->Params()[0].SetAsLong(id);
    fQuery->Params()[1].SetAsQuad(stream.BlobID());
    fQuery->ExecQuery();
  }

  test::TestDatabase fDb{"dbclient/blobcache.sql", {3, "WIN1251"}};
  fs::path fRoot = fs::path(test::TestTempDir()) / ("cachefile-" + std::to_string(getpid()));
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TFIBQuery* fQuery = new TFIBQuery(&fForm);
};

TEST_F(BlobCacheFile, RecordsRoundTripWithAndWithoutTheHeader) {
  auto first = Document(1);
  TStringStream record;
  first->WriteCacheFile(record, true);
  EXPECT_EQ(record.DataString(), FirstRecord(kFirstBody));
  TStringStream plain("left over from before");
  first->WriteCacheFile(plain, false);
  EXPECT_TRUE(plain.DataString().starts_with(kFirstBody));  // written from the start
  EXPECT_EQ(Body(*first), kFirstBody);

  // A record of this blob with another body of the server's length is taken as it is.
  auto again = Document(1);
  again->Size();
  TStringStream other(FirstRecord(kFirstBodyOther));
  EXPECT_TRUE(again->ReadCacheFile(other, true));
  EXPECT_EQ(Body(*again), kFirstBodyOther);

  // Without the header the whole stream becomes the body, as an edit does.
  auto editable = Document(1, bmReadWrite);
  TStringStream replacement("a body from elsewhere");
  EXPECT_TRUE(editable->ReadCacheFile(replacement, false));
  EXPECT_TRUE(editable->Modified());
  EXPECT_EQ(Body(*editable), "a body from elsewhere");
  editable->Cancel();
  EXPECT_EQ(Body(*editable), kFirstBody);
  // A stream that may not be written refuses it, whatever the stream holds.
  EXPECT_THROW(Document(1)->ReadCacheFile(replacement, false), EFIBClientError);
}

TEST_F(BlobCacheFile, FilesAreWrittenAndReadThroughTheStream) {
  const fs::path withHeader = fRoot / "with.blb";
  const fs::path bodyOnly = fRoot / "body.bin";
  auto first = Document(1);
  ASSERT_TRUE(first->SaveCacheFile(withHeader.string(), true));
  EXPECT_EQ(test::ReadFileBytes(withHeader), FirstRecord(kFirstBody));
  ASSERT_TRUE(first->SaveCacheFile(bodyOnly.string(), false));
  EXPECT_EQ(test::ReadFileBytes(bodyOnly), kFirstBody);

  // A record written earlier by the cache's own routine reads back through the stream.
  test::WriteFileBytes(withHeader, FirstRecord(kFirstBodyOther));
  auto again = Document(1);
  again->Size();
  ASSERT_TRUE(again->OpenCacheForRead(withHeader.string(), true));
  EXPECT_TRUE(again->LoadedFromCache());
  EXPECT_EQ(Body(*again), kFirstBodyOther);

  auto editable = Document(2, bmReadWrite);
  ASSERT_TRUE(editable->OpenCacheForRead(bodyOnly.string(), false));
  EXPECT_FALSE(editable->LoadedFromCache());
  editable->Post();
  EXPECT_EQ(Body(*Document(2)), "the second document body");  // the row still names the old blob
  auto posted = Document(2);
  posted->SetBlobID(editable->BlobID());
  EXPECT_EQ(Body(*posted), kFirstBody);

  EXPECT_FALSE(again->OpenCacheForRead((fRoot / "missing.blb").string(), true));
  EXPECT_FALSE(again->LoadedFromCache());
  // A stream that knows no record writes no cache file.
  TFIBBlobStream plain;
  plain.SetDatabase(fDatabase);
  plain.SetTransaction(fTransaction);
  plain.SetBlobID(BlobId(1));
  EXPECT_FALSE(plain.SaveCacheFile((fRoot / "plain.blb").string(), false));
  EXPECT_FALSE(fs::exists(fRoot / "plain.blb"));
}

TEST_F(BlobCacheFile, TheFilterShapesTheRecordAndNotTheBody) {
  InsertBracketed(3, "third body");
  auto third = Document(3, bmRead, kBracketedSubType);
  EXPECT_EQ(Body(*third), "third body");
  TStringStream record;
  third->WriteCacheFile(record, true);
  const ISC_QUAD id = BlobId(3);
  EXPECT_EQ(record.DataString(),
            test::HandMadeFile("DOCS", "BODY", "3", "[third body]", static_cast<uint32_t>(id.gds_quad_high),
                               id.gds_quad_low));
  EXPECT_EQ(Body(*third), "third body");
  TStringStream plain;
  third->WriteCacheFile(plain, false);
  EXPECT_EQ(plain.DataString(), "third body");

  // Through the cache: the file holds the body as the server does, and a load from it
  // gives what a load from the server gives.
  fDatabase->BlobSwapSupport().SetActive(true);
  fDatabase->BlobSwapSupport().SetSwapDir(fRoot.string());
  EXPECT_EQ(Body(*Document(3, bmRead, kBracketedSubType)), "third body");
  const fs::path file = fRoot / "DOCS" / "BODY" / "3.blb";
  ASSERT_EQ(test::ReadFileBytes(file), record.DataString());
  test::WriteFileBytes(file, test::HandMadeFile("DOCS", "BODY", "3", "[THIRD BODY]",
                                                static_cast<uint32_t>(id.gds_quad_high), id.gds_quad_low));
  auto cached = Document(3, bmRead, kBracketedSubType);
  EXPECT_EQ(Body(*cached), "THIRD BODY");
  EXPECT_TRUE(cached->LoadedFromCache());
}

TEST_F(BlobCacheFile, CutAndLyingRecordsAreRefusedAndLeaveTheBody) {
  auto first = Document(1);
  first->Size();
  const std::string whole = FirstRecord(kFirstBodyOther);
  for (std::size_t length = 0; length < whole.size(); ++length) {
    TStringStream cut(whole.substr(0, length));
    EXPECT_FALSE(first->ReadCacheFile(cut, true)) << length;
  }
  TStringStream longer(whole + "x");
  EXPECT_FALSE(first->ReadCacheFile(longer, true));

  // Offsets of the layout: body length at 25, key count at 29, table name length at 33.
  const auto lying = [&](std::size_t offset, uint32_t value) {
    std::string bytes = whole;
    bytes.replace(offset, 4, test::LE32(value));
    return bytes;
  };
  for (const auto& [what, bytes] : std::initializer_list<std::pair<const char*, std::string>>{
           {"huge body", lying(25, 0x7FFFFFF0)},
           {"negative body", lying(25, 0xFFFFFFFF)},
           {"shorter body", lying(25, sizeof kFirstBody - 2)},
           {"key count", lying(29, 2)},
           {"huge table name", lying(33, 0x7FFFFFF0)},
           {"negative table name", lying(33, 0x80000000)},
           {"table name past the field", lying(33, 9)},
           {"version", lying(13, 2)},
       }) {
    TStringStream stream(bytes);
    EXPECT_FALSE(first->ReadCacheFile(stream, true)) << what;
  }
  EXPECT_EQ(Body(*first), kFirstBody);

  // Through the cache a cut file is dropped, the body comes from the server and the file
  // is written again whole.
  fDatabase->BlobSwapSupport().SetActive(true);
  fDatabase->BlobSwapSupport().SetSwapDir(fRoot.string());
  const fs::path file = fRoot / "DOCS" / "BODY" / "1.blb";
  test::WriteFileBytes(file, whole.substr(0, whole.size() - 3));
  auto loaded = Document(1);
  EXPECT_EQ(Body(*loaded), kFirstBody);
  EXPECT_FALSE(loaded->LoadedFromCache());
  EXPECT_EQ(test::ReadFileBytes(file), FirstRecord(kFirstBody));
}

TEST_F(BlobCacheFile, AnEmptyBodyWritesNothing) {
  TFIBBlobStream empty(0, {Variant(9)}, "BODY", "DOCS", nullptr);
  empty.SetDatabase(fDatabase);
  empty.SetTransaction(fTransaction);
  empty.SetMode(bmReadWrite);
  TStringStream record("stale");
  empty.WriteCacheFile(record, true);
  EXPECT_EQ(record.Position(), 0);  // written from the start, and nothing at all
  EXPECT_EQ(record.DataString(), "stale");
  const fs::path file = fRoot / "empty.blb";
  EXPECT_FALSE(empty.SaveCacheFile(file.string(), true));
  EXPECT_FALSE(fs::exists(file));

  // An empty record is no record; an empty stream is an empty body.
  TStringStream nothing;
  EXPECT_FALSE(empty.ReadCacheFile(nothing, true));
  auto first = Document(1, bmReadWrite);
  EXPECT_TRUE(first->ReadCacheFile(nothing, false));
  EXPECT_EQ(first->Size(), 0);
  EXPECT_TRUE(first->Modified());
}

}  // namespace
}  // namespace ordvane
