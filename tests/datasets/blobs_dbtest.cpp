// The dataset's blob streams against a real database: null blobs, the edit check, the
// field-change event of a written stream and its handler's error, a new size as a write, bodies of the sizes
// around a segment written through field streams and compared by isql-fb with a body the server builds
// itself, the changed-blob test, the limit on live streams, the local blob cache keyed by table, column and
// primary key, and the bodies a cached-updates dataset reads while its connection is closed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "classlib/core/Application.h"
#include "classlib/db/BinaryFields.h"
#include "tests/datasets/BlobFieldsSupport.h"
#include "tests/dbclient/BlobCacheFiles.h"

namespace ordvane::test {
namespace {

// The body the server builds too: "0123456789abcdef" over and over.
std::string Body(std::size_t size) {
  static const std::string pattern = "0123456789abcdef";
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; ++i) body[i] = pattern[i % pattern.size()];
  return body;
}

class BlobsTest : public EditingFormTest<TpFIBDataSet> {
 protected:
  void Write(const char* name, const std::string& body) {
    const std::unique_ptr<TStream> stream = fDataSet->CreateBlobStream(Field(name), bmWrite);
    stream->WriteBuffer(body.data(), static_cast<Int64>(body.size()));
  }
  std::string Read(const char* name) {
    const std::unique_ptr<TStream> stream = fDataSet->CreateBlobStream(Field(name), bmRead);
    std::string body(static_cast<std::size_t>(stream->Size()), '\0');
    stream->ReadBuffer(body.data(), static_cast<Int64>(body.size()));
    return body;
  }
};

TEST_F(BlobsTest, NullBlobsEditCheckAndFieldChangeEvents) {
  Open("select id, b, m from blobs where id = 0");
  fDataSet->UpdateSQL().SetText("update blobs set b = ?b where id = ?old_id");
  char byte;
  EXPECT_EQ(fDataSet->CreateBlobStream(Field("B"), bmRead)->Read(&byte, 1), 0);
  try {
    fDataSet->CreateBlobStream(Field("B"), bmRead)->Write("x", 1);
    ADD_FAILURE() << "a blob was written while browsing";
  } catch (const EFIBError& e) {
    EXPECT_EQ(e.Message(), "Not editing.");
  }
  int changes = 0;
  fDataSet->OnFieldChange = [&](TField*) { ++changes; };
  fDataSet->Edit();
  fDataSet->CreateBlobStream(Field("B"), bmReadWrite);
  EXPECT_EQ(changes, 0);
  Write("B", "written");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(fDataSet->BlobFieldModified(Field("B")));
  EXPECT_FALSE(fDataSet->BlobFieldModified(Field("M")));
  fDataSet->Post();
  EXPECT_FALSE(fDataSet->BlobFieldModified(Field("B")));
  EXPECT_EQ(Oracle("select cast(b as varchar(20)) from blobs where id = 0"), "written");
}

TEST_F(BlobsTest, BodiesOfEverySizeReachTheServer) {
  const std::vector<std::size_t> sizes{0, 1, 65535, 65536, 1 << 20};
  Open("select id, b from blobs where id >= 1000");
  fDataSet->InsertSQL().SetText("insert into blobs (id, b) values (?id, ?b)");
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    fDataSet->Append();
    Field("ID")->SetAsInteger(1000 + static_cast<Integer>(i));
    Write("B", Body(sizes[i]));
    fDataSet->Post();
  }
  const std::string out = EditingDatabase().Isql(
      "set term ^;\n"
      "execute block returns (r varchar(60)) as\n"
      "  declare s blob sub_type 0 = '0123456789abcdef';\n"
      "  declare i integer = 0;\n"
      "begin\n"
      "  while (i < 16) do begin s = s || s; i = i + 1; end\n"
      "  for select id || ':' || octet_length(b) || ':' ||\n"
      "      iif(hash(b) = hash(substring(:s from 1 for octet_length(b))), 'same', 'differs')\n"
      "    from blobs where id >= 1000 order by id into :r do suspend;\n"
      "end^\n");
  std::string rows;
  const std::regex row(R"(\d+:\d+:\w+)");
  for (auto it = std::sregex_iterator(out.begin(), out.end(), row); it != std::sregex_iterator(); ++it)
    rows += it->str() + ";";
  EXPECT_EQ(rows, "1000:0:same;1001:1:same;1002:65535:same;1003:65536:same;1004:1048576:same;");
}

TEST_F(BlobsTest, ChangedBlobsUnderCachedUpdates) {
  // With AutoCommit each post would be applied at once.
  fDataSet->SetAutoCommit(false);
  fDataSet->SetCachedUpdates(true);
  Open("select id, b from blobs where id = 1");
  fDataSet->UpdateSQL().SetText("update blobs set b = ?b where id = ?old_id");
  EXPECT_FALSE(fDataSet->BlobFieldModified(Field("B")));
  fDataSet->Edit();
  Write("B", "cached");
  EXPECT_EQ(Read("B"), "cached");
  fDataSet->Post();
  EXPECT_TRUE(fDataSet->BlobFieldModified(Field("B")));
  EXPECT_EQ(Read("B"), "cached");
  fDataSet->CancelUpdates();
}

// Two live streams over fifty records read forwards and back; a stream being edited is
// never the one released, so three written in one edit all reach the server.
TEST_F(BlobsTest, LimitOnLiveStreams) {
  fDataSet->CacheModelOptions().SetBlobCacheLimit(2);
  Open("select id, m from blobs where id between 1 and 50 order by id");
  for (int pass = 0; pass < 2; ++pass) {
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next())
      ASSERT_EQ(Field("M")->AsString(), "blob " + std::to_string(Field("ID")->AsInteger()));
    for (fDataSet->Last(); !fDataSet->Bof(); fDataSet->Prior())
      ASSERT_EQ(Field("M")->AsString(), "blob " + std::to_string(Field("ID")->AsInteger()));
    EXPECT_LE(fDataSet->BlobStreamCount(), 2u);
  }
  fDataSet->Close();

  Open("select id, b1, b2, b3 from three");
  fDataSet->UpdateSQL().SetText("update three set b1 = ?b1, b2 = ?b2, b3 = ?b3 where id = ?old_id");
  fDataSet->Edit();
  Write("B1", "one");
  Write("B2", "two");
  Write("B3", "three");
  fDataSet->Post();
  EXPECT_EQ(Oracle("select cast(b1 as varchar(9)), cast(b2 as varchar(9)), cast(b3 as varchar(9)) "
                                      "from three"),
            "one|two|three");
}

// The refresh after a post shows the body the server stored, not the one written.
TEST_F(BlobsTest, ARefreshedRecordShowsTheServersBody) {
  Open("select id, m from blobs where id = 7");
  fDataSet->UpdateSQL().SetText(
      "update blobs set m = 'by server ' || ?old_id where id = ?old_id and ?m is not null");
  fDataSet->RefreshSQL().SetText("select id, m from blobs where id = ?old_id");
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poRefreshAfterPost});
  EXPECT_EQ(Field("M")->AsString(), "blob 7");
  fDataSet->Edit();
  Field("M")->SetAsString("by user");
  fDataSet->Post();
  EXPECT_EQ(Field("M")->AsString(), "by server 7");
  EXPECT_EQ(Oracle("select cast(m as varchar(20)) from blobs where id = 7"), "by server 7");
}

// The previous version read during an edit is the caller's: the dataset keeps no stream
// for it.
TEST_F(BlobsTest, AnOldValueReadLeavesNoStreamBehind) {
  Open("select id, m from blobs where id = 8");
  fDataSet->UpdateSQL().SetText("update blobs set m = ?m where id = ?old_id");
  fDataSet->Edit();
  EXPECT_EQ(Field("M")->OldValue().AsString(), "blob 8");
  EXPECT_EQ(fDataSet->BlobStreamCount(), 0u);
  fDataSet->Cancel();
}

// A filter that reads each record's blob finds the record's stream again on every pass:
// the stream lives with the cached record, not with the buffer the filter was given.
TEST_F(BlobsTest, AFilterReadingBlobsKeepsOneStreamPerRecord) {
  Open("select id, m from blobs where id between 1 and 10 order by id");
  fDataSet->OnFilterRecord = [this](TDataSet*, bool& accept) { accept = Field("M")->AsString() != "blob 5"; };
  fDataSet->SetFiltered(true);
  for (int pass = 0; pass < 3; ++pass) {
    int seen = 0;
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) ++seen;
    for (fDataSet->Last(); !fDataSet->Bof(); fDataSet->Prior()) ++seen;
    EXPECT_EQ(seen, 18);
  }
  EXPECT_LE(fDataSet->BlobStreamCount(), 10u);
}

// A change handler's error reaches whoever wrote the blob field, as any field's does; a
// stream written and dropped by its caller hands the error to the application instead.
TEST_F(BlobsTest, AChangeHandlersErrorReachesTheWriter) {
  Open("select id, b, m from blobs where id = 9");
  fDataSet->UpdateSQL().SetText("update blobs set m = ?m where id = ?old_id");
  Field("M")->OnChange = [](TField*) { throw EDatabaseError("refused by the handler"); };
  fDataSet->Edit();
  try {
    Field("M")->SetAsString("by user");
    ADD_FAILURE() << "the handler's error was lost";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "refused by the handler");
  }
  TMemoryStream source;
  source.WriteBuffer("loaded", 6);
  EXPECT_THROW(static_cast<TBlobField*>(Field("M"))->LoadFromStream(&source), EDatabaseError);
  std::vector<std::string> reported;
  const TExceptionEvent before = Application->OnException;
  Application->OnException = [&](TObject*, Exception& e) { reported.push_back(e.Message()); };
  Write("M", "through a stream");
  Application->OnException = before;
  EXPECT_EQ(reported, (std::vector<std::string>{"refused by the handler"}));
  Field("M")->OnChange = nullptr;
  EXPECT_EQ(Field("M")->AsString(), "through a stream");
  fDataSet->Cancel();
  EXPECT_EQ(Field("M")->AsString(), "blob 9");
}

// A new size is a write: refused while browsing; in an edit it changes the record, Post
// sends the new body, and the old value and Cancel keep the committed one.
TEST_F(BlobsTest, ASizeChangeIsAWrite) {
  Open("select id, m from blobs where id = 10");
  fDataSet->UpdateSQL().SetText("update blobs set m = ?m where id = ?old_id");
  try {
    fDataSet->CreateBlobStream(Field("M"), bmRead)->SetSize(0);
    ADD_FAILURE() << "a blob was resized while browsing";
  } catch (const EFIBError& e) {
    EXPECT_EQ(e.Message(), "Not editing.");
  }
  EXPECT_EQ(Field("M")->AsString(), "blob 10");
  fDataSet->Edit();
  fDataSet->CreateBlobStream(Field("M"), bmReadWrite)->SetSize(4);
  EXPECT_TRUE(fDataSet->Modified());
  EXPECT_EQ(Field("M")->AsString(), "blob");
  EXPECT_EQ(Field("M")->OldValue().AsString(), "blob 10");
  fDataSet->Cancel();
  EXPECT_EQ(Field("M")->AsString(), "blob 10");
  fDataSet->Edit();
  fDataSet->CreateBlobStream(Field("M"), bmReadWrite)->SetSize(0);
  fDataSet->Post();
  EXPECT_EQ(Oracle("select octet_length(m) from blobs where id = 10"), "0");
}

// A write stream starts from an empty body: the record changes, Post stores the empty
// body, and Cancel brings the committed one back.
TEST_F(BlobsTest, AWriteStreamEmptiesTheBody) {
  Open("select id, m from blobs where id = 11");
  fDataSet->UpdateSQL().SetText("update blobs set m = ?m where id = ?old_id");
  fDataSet->Edit();
  EXPECT_EQ(fDataSet->CreateBlobStream(Field("M"), bmWrite)->Size(), 0);
  EXPECT_EQ(Field("M")->AsString(), "");
  EXPECT_EQ(Field("M")->OldValue().AsString(), "blob 11");
  fDataSet->Cancel();
  EXPECT_EQ(Field("M")->AsString(), "blob 11");
  fDataSet->Edit();
  fDataSet->CreateBlobStream(Field("M"), bmWrite);
  fDataSet->Post();
  EXPECT_EQ(Oracle("select octet_length(m) from blobs where id = 11"), "0");
}

namespace fs = std::filesystem;

class BlobCacheTest : public EditingFormTest<TpFIBDataSet> {
 protected:
  BlobCacheTest() : EditingFormTest(BlobFieldsDatabase(), "Pictures") {
    fDatabase->BlobSwapSupport().SetActive(true);
    fDatabase->BlobSwapSupport().SetSwapDir(fRoot.string());
  }
  ~BlobCacheTest() override {
    std::error_code ignored;
    fs::remove_all(fRoot, ignored);
  }
  // The id the server holds, read by a statement of its own.
  ISC_QUAD ServerBlobId(const std::string& table, int id) {
    TFIBQuery query(nullptr);
    query.SetDatabase(fDatabase);
    query.SetTransaction(fTransaction);
    query.SQL().SetText("select body from " + table + " where id = " + std::to_string(id));
    query.ExecQuery();
    return query.FieldByName("BODY").GetAsQuad();
  }
  std::string CacheFile(const std::string& key, const std::string& body) {
    const ISC_QUAD id = ServerBlobId("pictures", std::stoi(key));
    return HandMadeFile("PICTURES", "BODY", key, body, static_cast<uint32_t>(id.gds_quad_high),
                        id.gds_quad_low);
  }
  static std::string FileBytes(const fs::path& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
  }
  std::string Body() { return Field("BODY")->AsString(); }

  fs::path fRoot = fs::path(TestTempDir()) / ("dataset-blobs-" + std::to_string(getpid()));
};

TEST_F(BlobCacheTest, BodiesAreCachedByTableColumnAndKeyAndLoadedFromTheCache) {
  Open("select id, body from pictures order by id");
  EXPECT_EQ(Body(), "first body");
  const fs::path first = fRoot / "PICTURES" / "BODY" / "1.blb";
  EXPECT_EQ(FileBytes(first), CacheFile("1", "first body"));
  // A file that holds this blob is believed: its body is what a later load shows.
  WriteFileBytes(first, CacheFile("1", "FIRST BODY"));
  fDataSet->Close();
  Open("select id, body from pictures order by id");
  EXPECT_EQ(Body(), "FIRST BODY");
  fDataSet->Next();
  fDataSet->Next();
  EXPECT_TRUE(Field("BODY")->IsNull());
  EXPECT_EQ(Body(), "");

  // A body below the smallest size to keep is not cached.
  fDatabase->BlobSwapSupport().SetMinBlobSizeToSwap(12);
  fDataSet->Prior();
  EXPECT_EQ(Body(), "second body");
  EXPECT_FALSE(fs::exists(fRoot / "PICTURES" / "BODY" / "2.blb"));
  fDataSet->Close();

  // A table without a primary key names no record: nothing is cached.
  Open("select id, body from unkeyed");
  EXPECT_EQ(Body(), "unkeyed body");
  EXPECT_FALSE(fs::exists(fRoot / "UNKEYED"));
}

TEST_F(BlobCacheTest, AStaleFileGivesWayToTheServersBody) {
  fDb.Isql("update pictures set body = 'new second' where id = 2;");
  fTransaction->Commit();
  fTransaction->StartTransaction();
  WriteFileBytes(fRoot / "PICTURES" / "BODY" / "2.blb",
                 HandMadeFile("PICTURES", "BODY", "2", "old second", 1, 1));
  Open("select id, body from pictures where id = 2");
  EXPECT_EQ(Body(), "new second");
  EXPECT_EQ(FileBytes(fRoot / "PICTURES" / "BODY" / "2.blb"), CacheFile("2", "new second"));
  fDb.Isql("update pictures set body = 'second body' where id = 2;");
}

// A cached-updates dataset keeps its rows when its connection ends; a body asked for
// then is read through a connection and transaction opened for the read and ended after.
TEST_F(BlobsTest, CachedUpdatesReadABodyWhileDisconnected) {
  fDataSet->SetCachedUpdates(true);
  Open("select id, m from blobs where id between 1 and 3 order by id");
  fDataSet->FetchAll();
  fTransaction->Commit();
  fDatabase->SetConnected(false);
  ASSERT_TRUE(fDataSet->Active());
  fDataSet->Last();
  EXPECT_EQ(Field("M")->AsString(), "blob 3");
  EXPECT_FALSE(fDatabase->Connected());
  EXPECT_FALSE(fTransaction->Active());
}

}  // namespace
}  // namespace ordvane::test
