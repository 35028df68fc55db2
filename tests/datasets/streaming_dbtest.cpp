// A form that stores an open dataset: reading it opens the dataset on a connection of its
// own once the form is loaded, whichever component the form holds first; a dataset that
// cannot open then is reported to the application and the rest of the form stands.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/core/Application.h"
#include "classlib/core/Filer.h"
#include "datasets/FIBDataSetStreaming.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/pFIBDatabase.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

class DataSetStreamingOnADatabase : public testing::Test {
 protected:
  DataSetStreamingOnADatabase() {
    RegisterFIBDataSetStreaming();
    fModule.SetName("Module");
  }

  // The module's components, the dataset made first when asked, so that it is also read
  // (and loaded) before the database.
  TpFIBDataSet* FillModule(bool dataSetFirst) {
    auto* persons = dataSetFirst ? new TpFIBDataSet(&fModule) : nullptr;
    auto* database = new TpFIBDatabase(&fModule);
    database->SetName("MainDB");
    test::Configure(*database, fDb);
    auto* transaction = new TpFIBTransaction(&fModule);
    transaction->SetName("DefTrans");
    transaction->SetDefaultDatabase(database);
    database->SetDefaultTransaction(transaction);
    if (persons == nullptr) persons = new TpFIBDataSet(&fModule);
    persons->SetName("Persons");
    persons->SetDatabase(database);
    persons->SetTransaction(transaction);
    persons->SelectSQL().SetText("select ID, NAME from PERSONS order by ID");
    database->SetConnected(true);
    return persons;
  }

  static std::vector<std::string> Names(TDataSet& dataSet) {
    std::vector<std::string> names;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
      names.push_back(dataSet.FieldByName("NAME")->AsString());
    return names;
  }

  test::TestDatabase fDb{"datasets/masterdetail.sql", {3, "WIN1251"}};
  TComponent fModule{nullptr};
};

TEST_F(DataSetStreamingOnADatabase, AnOpenDataSetOpensAgainAfterLoading) {
  for (const bool dataSetFirst : {false, true}) {
    SCOPED_TRACE(dataSetFirst ? "dataset first" : "database first");
    fModule.DestroyComponents();
    TpFIBDataSet* persons = FillModule(dataSetFirst);
    const AnsiString closedText = WriteComponentText(fModule);
    EXPECT_EQ(closedText.find("Active"), AnsiString::npos);  // the default is not written
    persons->Open();
    const std::vector<std::string> expected = Names(*persons);
    ASSERT_EQ(expected.size(), 8U);
    const AnsiString text = WriteComponentText(fModule);
    ASSERT_NE(text.find("  object Persons: TpFIBDataSet\n    Active = True\n"), AnsiString::npos) << text;

    TComponent copy(nullptr);
    ReadComponentText(text, copy);
    auto* copyDatabase = dynamic_cast<TpFIBDatabase*>(copy.FindComponent("MainDB"));
    auto* copyPersons = dynamic_cast<TpFIBDataSet*>(copy.FindComponent("Persons"));
    ASSERT_TRUE(copyDatabase && copyPersons);
    EXPECT_TRUE(copyPersons->Active());
    EXPECT_EQ(copyPersons->Database(), copyDatabase);
    EXPECT_NE(test::AttachmentId(*copyDatabase), test::AttachmentId(*persons->Database()));
    EXPECT_EQ(Names(*copyPersons), expected);
  }
}

TEST_F(DataSetStreamingOnADatabase, ADataSetThatCannotOpenIsReportedAndTheFormStands) {
  TpFIBDataSet* persons = FillModule(false);
  persons->Open();
  AnsiString text = WriteComponentText(fModule);
  const std::string table = "from PERSONS";
  text.replace(text.find(table), table.size(), "from NO_SUCH_TABLE");

  std::vector<std::string> reported;
  const TExceptionEvent before = Application->OnException;
  Application->OnException = [&](TObject* sender, Exception& e) {
    reported.push_back(static_cast<TComponent*>(sender)->Name() + ": " + e.Message());
  };
  TComponent copy(nullptr);
  ReadComponentText(text, copy);
  Application->OnException = before;

  ASSERT_EQ(reported.size(), 1U);
  EXPECT_TRUE(reported[0].starts_with("Persons: ")) << reported[0];
  EXPECT_NE(reported[0].find("NO_SUCH_TABLE"), std::string::npos) << reported[0];
  auto* copyPersons = dynamic_cast<TpFIBDataSet*>(copy.FindComponent("Persons"));
  ASSERT_NE(copyPersons, nullptr);
  EXPECT_FALSE(copyPersons->Active());
  EXPECT_FALSE(copyPersons->ComponentState().Contains(csLoading));
  EXPECT_TRUE(dynamic_cast<TpFIBDatabase&>(*copy.FindComponent("MainDB")).Connected());
}

}  // namespace
}  // namespace ordvane
