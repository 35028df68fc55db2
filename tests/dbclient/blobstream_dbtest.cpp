// Blobs through the stream and through statement parameters, in dialects 1 and 3 and on
// WIN1251 and UTF8 connections. isql-fb reads what was stored: lengths with octet_length,
// pieces at the segment boundaries with substring, text as UTF-8.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBBlobStream.h"
#include "dbclient/FIBQuery.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

// Letters, so that isql prints any piece as it is.
std::string Pattern(std::size_t size) {
  std::string bytes(size, 'a');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
  return bytes;
}

// isql prints OCTETS text in hexadecimal.
std::string Hex(const std::string& bytes) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string text;
  for (const unsigned char c : bytes) {
    text += digits[c >> 4];
    text += digits[c & 15];
  }
  return text;
}

class BlobTest : public testing::TestWithParam<std::tuple<int, const char*>> {
 protected:
  BlobTest() {
    fForm.SetName("Form");
    fQuery->SetName("Query");
    test::Configure(*fDatabase, fDb, std::get<1>(GetParam()));
    fTransaction->SetDefaultDatabase(fDatabase);
    fQuery->SetDatabase(fDatabase);
    fQuery->SetTransaction(fTransaction);
    fDatabase->SetConnected(true);
    fTransaction->StartTransaction();
  }

  std::string Oracle(const std::string& select) {
    fTransaction->CommitRetaining();
    return test::IsqlRows(fDb, select);
  }
  // A new server blob with the bytes, written through a stream.
  ISC_QUAD WriteThroughStream(const std::string& bytes) {
    TFIBBlobStream stream;
    stream.SetDatabase(fDatabase);
    stream.SetTransaction(fTransaction);
    stream.SetMode(bmWrite);
    stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
    stream.Post();
    return stream.BlobID();
  }
  void StoreData(int id, const ISC_QUAD& blob) {
    fQuery->SQL().SetText("insert into t (id, data) values (:id, :data)");
    fQuery->Prepare();
    fQuery->Params()[0].SetAsLong(id);
    fQuery->Params()[1].SetAsQuad(blob);
    fQuery->ExecQuery();
  }
  std::string ReadData(int id) {
    fQuery->SQL().SetText("select data from t where id = " + std::to_string(id));
    fQuery->ExecQuery();
    TFIBBlobStream stream;
    stream.SetDatabase(fDatabase);
    stream.SetTransaction(fTransaction);
    stream.SetBlobID(fQuery->GetFields(0).GetAsQuad());
    std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
    EXPECT_EQ(stream.Read(bytes.data(), static_cast<Int64>(bytes.size())), static_cast<Int64>(bytes.size()));
    fQuery->Close();
    return bytes;
  }

  test::TestDatabase fDb{"dbclient/query.sql", {std::get<0>(GetParam()), "WIN1251"}};
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TFIBQuery* fQuery = new TFIBQuery(&fForm);
};

TEST_P(BlobTest, SizesAroundTheSegmentLimitRoundTrip) {
  const std::size_t sizes[] = {0, 1, 65535, 65536, 65537, 1 << 20};
  int id = 100;
  for (const std::size_t size : sizes) {
    SCOPED_TRACE(size);
    const std::string bytes = Pattern(size);
    StoreData(id, WriteThroughStream(bytes));
    EXPECT_EQ(Oracle("select octet_length(data) from t where id = " + std::to_string(id)), std::to_string(size));
    if (size > 3) {
      const std::size_t at = std::min<std::size_t>(size - 3, 65534);
      EXPECT_EQ(Oracle("select cast(substring(data from " + std::to_string(at + 1) +
                       " for 3) as varchar(3) character set octets) from t where id = " + std::to_string(id)),
                Hex(bytes.substr(at, 3)));
    }
    EXPECT_EQ(ReadData(id), bytes);
    ++id;
  }
}

TEST_P(BlobTest, PendingParameterValuesBecomeBlobs) {
  const std::string bytes = Pattern(70000);
  fQuery->SQL().SetText("insert into t (id, data) values (:id, :data)");
  fQuery->Prepare();
  fQuery->Params()[0].SetAsLong(7);
  TMemoryStream source;
  source.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  fQuery->Params()[1].LoadFromStream(source);
  fQuery->ExecQuery();
  EXPECT_EQ(fQuery->Params()[1].PendingBlob(), nullptr);
  EXPECT_EQ(Oracle("select octet_length(data) from t where id = 7"), "70000");
  EXPECT_EQ(ReadData(7), bytes);
}

TEST_P(BlobTest, EditingKeepsTheCommittedBytes) {
  const ISC_QUAD original = WriteThroughStream("abcdef");
  TFIBBlobStream stream;
  stream.SetDatabase(fDatabase);
  stream.SetTransaction(fTransaction);
  stream.SetMode(bmReadWrite);
  stream.SetBlobID(original);
  stream.Seek(3, soBeginning);
  stream.Write("X", 1);
  EXPECT_EQ(stream.GetAsString(), "abcXef");
  // A write past the end leaves zeros between.
  stream.Seek(8, soBeginning);
  stream.Write("Z", 1);
  EXPECT_EQ(stream.GetAsString(), std::string("abcXef\0\0Z", 9));
  char old[16] = {};
  EXPECT_EQ(stream.ReadOld(old, sizeof old), 6);
  EXPECT_EQ(std::string(old, 6), "abcdef");
  stream.Post();
  EXPECT_FALSE(QuadsEqual(stream.BlobID(), original));
  StoreData(1000, stream.BlobID());
  EXPECT_EQ(ReadData(1000), std::string("abcXef\0\0Z", 9));
  StoreData(1001, original);
  EXPECT_EQ(ReadData(1001), "abcdef");

  // Cancel returns to the committed body; Truncate starts empty.
  stream.Write("Q", 1);
  stream.Cancel();
  EXPECT_EQ(stream.GetAsString(), std::string("abcXef\0\0Z", 9));
  stream.Truncate();
  EXPECT_EQ(stream.Size(), 0);
  stream.Cancel();
  EXPECT_EQ(stream.Size(), 9);

  // A position before the start reads nothing and refuses writes.
  EXPECT_EQ(stream.Seek(-2, soBeginning), -2);
  char byte = 0;
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  EXPECT_THROW(stream.Write("Y", 1), EWriteError);
  EXPECT_EQ(stream.GetAsString(), std::string("abcXef\0\0Z", 9));
}

TEST_P(BlobTest, ModesRefuseTheWrongDirection) {
  TFIBBlobStream stream;
  stream.SetDatabase(fDatabase);
  stream.SetTransaction(fTransaction);
  stream.SetBlobID(WriteThroughStream("abc"));
  EXPECT_THROW(stream.Write("x", 1), EFIBClientError);
  stream.SetMode(bmWrite);
  char byte = 0;
  EXPECT_THROW(stream.Read(&byte, 1), EFIBClientError);
  // Write mode starts empty whatever the id.
  EXPECT_EQ(stream.Size(), 0);
  // Posting without a change sends nothing.
  stream.SetMode(bmReadWrite);
  const ISC_QUAD before = stream.BlobID();
  stream.Post();
  EXPECT_TRUE(QuadsEqual(stream.BlobID(), before));
  TFIBBlobStream unattached;
  unattached.SetBlobID(before);
  try {
    unattached.Size();
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 21);
  }
}

// A new size is a write: refused in read mode; in read-write mode the committed body stays
// aside for the old value and Cancel, and Post sends the resized one, also when the size
// is the first thing asked of the stream.
TEST_P(BlobTest, ANewSizeIsAWrite) {
  TFIBBlobStream stream;
  stream.SetDatabase(fDatabase);
  stream.SetTransaction(fTransaction);
  const ISC_QUAD original = WriteThroughStream("abcdef");
  stream.SetBlobID(original);
  try {
    stream.SetSize(2);
    ADD_FAILURE() << "a read-mode stream was resized";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 36);
  }
  EXPECT_EQ(stream.GetAsString(), "abcdef");
  EXPECT_FALSE(stream.Modified());
  stream.SetMode(bmReadWrite);
  stream.SetSize(2);
  EXPECT_TRUE(stream.Modified());
  EXPECT_EQ(stream.GetAsString(), "ab");
  char old[16] = {};
  EXPECT_EQ(stream.ReadOld(old, sizeof old), 6);
  EXPECT_EQ(std::string(old, 6), "abcdef");
  stream.Cancel();
  EXPECT_EQ(stream.GetAsString(), "abcdef");
  stream.SetSize(8);
  stream.Post();
  StoreData(1000, stream.BlobID());
  EXPECT_EQ(ReadData(1000), std::string("abcdef\0\0", 8));
  stream.SetSize(0);
  stream.Post();
  StoreData(1001, stream.BlobID());
  EXPECT_EQ(Oracle("select octet_length(data) from t where id = 1001"), "0");
  TFIBBlobStream fresh;
  fresh.SetDatabase(fDatabase);
  fresh.SetTransaction(fTransaction);
  fresh.SetMode(bmReadWrite);
  fresh.SetBlobID(original);
  fresh.SetSize(3);
  EXPECT_EQ(fresh.GetAsString(), "abc");
}

// Truncate is a write as SetSize is: refused in read mode, and on a stream not read yet
// it loads the body first, so that the committed body stays for Cancel and Post sends
// the empty one.
TEST_P(BlobTest, TruncateIsAWrite) {
  const ISC_QUAD original = WriteThroughStream("abcdef");
  TFIBBlobStream stream;
  stream.SetDatabase(fDatabase);
  stream.SetTransaction(fTransaction);
  stream.SetBlobID(original);
  try {
    stream.Truncate();
    ADD_FAILURE() << "a read-mode stream was truncated";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 36);
  }
  EXPECT_EQ(stream.GetAsString(), "abcdef");
  EXPECT_FALSE(stream.Modified());
  stream.SetMode(bmReadWrite);
  stream.Truncate();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_TRUE(stream.Modified());
  stream.Cancel();
  EXPECT_EQ(stream.GetAsString(), "abcdef");
  stream.Truncate();
  stream.Post();
  EXPECT_FALSE(QuadsEqual(stream.BlobID(), original));
  StoreData(1000, stream.BlobID());
  EXPECT_EQ(Oracle("select octet_length(data) from t where id = 1000"), "0");
}

TEST_P(BlobTest, CyrillicTextBlobsReadAsWritten) {
  const AnsiString text = Utf8ToAnsi("Прізвище Ґудзь, їжак і Єва");
  fQuery->SQL().SetText("insert into t (id, memo, memo_utf) values (1000, :memo, :memo_utf)");
  fQuery->Prepare();
  fQuery->Params()[0].SetAsString(text);
  fQuery->Params()[1].SetAsString(text);
  fQuery->ExecQuery();
  const std::string utf8 = AnsiToUtf8(text);
  EXPECT_EQ(Oracle("select cast(memo as varchar(200)) from t where id = 1000"), utf8);
  EXPECT_EQ(Oracle("select cast(memo_utf as varchar(200)) from t where id = 1000"), utf8);
  fQuery->SQL().SetText("select memo, memo_utf from t where id = 1000");
  fQuery->ExecQuery();
  EXPECT_EQ(fQuery->FieldByName("MEMO").GetAsString(), text);
  EXPECT_EQ(fQuery->FieldByName("MEMO_UTF").GetAsString(), text);
}

INSTANTIATE_TEST_SUITE_P(Connections, BlobTest,
                         testing::Combine(testing::Values(1, 3), testing::Values("WIN1251", "UTF8")),
                         [](const auto& info) {
                           return "dialect" + std::to_string(std::get<0>(info.param)) + "_" +
                                  std::get<1>(info.param);
                         });

}  // namespace
}  // namespace ordvane
