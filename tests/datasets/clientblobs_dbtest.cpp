// Client blobs: bodies the application fills through OnFillClientBlob, once per record
// while the record keeps its stream, written at any time without changing the record,
// never sent to the server, released by the limit on live streams and filled again.

#include <gtest/gtest.h>

#include <map>

#include "datasets/FIBFields.h"
#include "tests/datasets/BlobFieldsSupport.h"

namespace ordvane::test {
namespace {

class ClientBlobsTest : public EditingFormTest<TEditDataSet> {
 protected:
  ClientBlobsTest() : EditingFormTest(BlobFieldsDatabase(), "Pictures") {
    fDataSet->OnFillClientBlob = [this](TFIBCustomDataSet*, TField*, TFIBBlobStream* stream) {
      const Integer id = Field("ID")->AsInteger();
      ++fFills[id];
      if (fRefuse) throw Exception("no thumbnail");
      const std::string body = "thumb " + std::to_string(id);
      stream->WriteBuffer(body.data(), static_cast<Int64>(body.size()));
    };
  }
  void OpenPictures() {
    Open("select id, kind, cast(null as blob sub_type 0) thumb from pictures order by id");
    auto* thumb = dynamic_cast<TFIBBlobField*>(Field("THUMB"));
    ASSERT_NE(thumb, nullptr);
    thumb->SetIsClientField(true);
  }
  int Fills() const {
    int fills = 0;
    for (const auto& [id, count] : fFills) fills += count;
    return fills;
  }
  std::map<Integer, int> fFills;
  bool fRefuse = false;
};

TEST_F(ClientBlobsTest, FilledOncePerRecordWrittenFreelyNeverPosted) {
  OpenPictures();
  for (int pass = 0; pass < 2; ++pass)
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next())
      EXPECT_EQ(Field("THUMB")->AsString(), "thumb " + Field("ID")->AsString());
  EXPECT_EQ(fFills, (std::map<Integer, int>{{1, 1}, {2, 1}, {3, 1}}));
  EXPECT_TRUE(Field("THUMB")->ReadOnly());

  fDataSet->First();
  fDataSet->CreateBlobStream(Field("THUMB"), bmWrite)->WriteBuffer("mine", 4);
  EXPECT_EQ(Field("THUMB")->AsString(), "mine");
  EXPECT_EQ(fDataSet->StatusAt(0), cusUnmodified);

  // The update names the client blob: it binds the record's own null, not the body.
  fDataSet->UpdateSQL().SetText("update pictures set kind = ?kind where id = ?old_id and ?thumb is null");
  fDataSet->Edit();
  Field("KIND")->SetAsString("edited");
  fDataSet->Post();
  EXPECT_EQ(Oracle("select kind from pictures where id = 1"), "edited");
  fDb.Isql("update pictures set kind = 'small' where id = 1;");
}

TEST_F(ClientBlobsTest, TheLimitReleasesFilledStreamsAndAFailedFillIsRetried) {
  fDataSet->CacheModelOptions().SetBlobCacheLimit(1);
  OpenPictures();
  for (int pass = 0; pass < 2; ++pass)
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next())
      EXPECT_EQ(Field("THUMB")->AsString(), "thumb " + Field("ID")->AsString());
  EXPECT_EQ(Fills(), 6);
  EXPECT_LE(fDataSet->BlobStreamCount(), 1u);

  fDataSet->Close();
  fFills.clear();
  OpenPictures();
  fRefuse = true;
  EXPECT_THROW(Field("THUMB")->AsString(), Exception);
  fRefuse = false;
  EXPECT_EQ(Field("THUMB")->AsString(), "thumb 1");
  EXPECT_EQ(fFills[1], 2);
}

}  // namespace
}  // namespace ordvane::test
