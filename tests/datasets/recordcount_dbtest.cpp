// The select's row count asked of the server, against isql-fb's count of the same rows.

#include <gtest/gtest.h>

#include "dbclient/FIBConvert.h"
#include "tests/datasets/UpdatesSupport.h"

namespace ordvane::test {
namespace {

class RecordCountTest : public UpdatesTest {};

TEST_F(RecordCountTest, CountsTheSelectWithItsParameters) {
  fDataSet->SelectSQL().SetText("select id, name from items where id >= :low order by id");
  fDataSet->Prepare();
  fDataSet->SelectQuery().ParamByName("LOW").SetAsLong(2);
  fDataSet->Open();
  EXPECT_EQ(fDataSet->RecordCountFromServer(), std::stoi(Oracle("select count(*) from items where id >= 2")));
  fDataSet->Close();
  fDataSet->SelectQuery().ParamByName("LOW").SetAsLong(3);
  fDataSet->Open();
  EXPECT_EQ(fDataSet->RecordCountFromServer(), 1);
}

TEST_F(RecordCountTest, HandlerGivesTheText) {
  Open("select id, name from items");
  fDataSet->OnAskRecordCount = [](TDataSet*, AnsiString& text) { text = "select count(*) from twins where id = 1"; };
  EXPECT_EQ(fDataSet->RecordCountFromServer(), 2);
  // An empty answer keeps the generated count.
  fDataSet->OnAskRecordCount = [](TDataSet*, AnsiString&) {};
  EXPECT_EQ(fDataSet->RecordCountFromServer(), 3);
}

TEST_F(RecordCountTest, ErrorsNameTheDataSet) {
  Open("select id, name from items");
  fDataSet->OnAskRecordCount = [](TDataSet*, AnsiString& text) { text = "select count(*) from no_such_table"; };
  try {
    fDataSet->RecordCountFromServer();
    FAIL() << "counted a missing table";
  } catch (const Exception& e) {
    const std::string message = e.Message();
    EXPECT_NE(message.find("NO_SUCH_TABLE"), std::string::npos) << message;
    EXPECT_TRUE(message.ends_with("\r\nForm.Items unable to get number of records")) << message;
  }
  // A count beyond 32 bits is refused, never cut.
  fDataSet->OnAskRecordCount = [](TDataSet*, AnsiString& text) { text = "select 3000000000 from rdb$database"; };
  try {
    fDataSet->RecordCountFromServer();
    FAIL() << "a count beyond 32 bits was taken";
  } catch (const Exception& e) {
    EXPECT_TRUE(std::string(e.Message()).ends_with("\r\nForm.Items unable to get number of records")) << e.Message();
  }
}

TEST_F(RecordCountTest, AskRecordCountTakesTheServersCount) {
  Open("select id, name from items order by id");
  fDataSet->FetchAll();
  OtherUser other(fDb);
  other.Run("insert into items (id, name) values (50, 'Late')");
  other.Commit();
  EXPECT_EQ(fDataSet->RecordCount(), 3);
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() + TpPrepareOptions{psAskRecordCount});
  EXPECT_EQ(fDataSet->RecordCount(), std::stoi(Oracle("select count(*) from items")));
  EXPECT_EQ(fDataSet->RecordCount(), 4);
  fTransaction->Commit();
  EXPECT_EQ(fDataSet->RecordCountFromServer(), 0);
}

}  // namespace
}  // namespace ordvane::test
