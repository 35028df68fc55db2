// The events of an open Firebird dataset as its containers hear them: the order of every
// kind against the dataset's own handlers, the refused insert that no container hears,
// a post error relayed with one Action, and a local sort that a container orders.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/datasets/MasterDetailSupport.h"

namespace ordvane::test {
namespace {

class DataSetEventsTest : public MasterDetailTest {
 protected:
  DataSetEventsTest() {
    fContainer->OnDataSetEvent = TOnDataSetEvent([this](TDataSet*, TKindDataSetEvent event) {
      fLog.push_back("c" + std::to_string(event));
    });
    fDetail->SetContainer(fContainer);
  }
  // The log dies before the form: the dataset's last events are not heard.
  ~DataSetEventsTest() override { fDetail->SetContainer(nullptr); }
  ptrdiff_t FirstAt(const std::string& entry) {
    return std::find(fLog.begin(), fLog.end(), entry) - fLog.begin();
  }

  TDataSetsContainer* fContainer = new TDataSetsContainer(&fForm);
  std::vector<std::string> fLog;
};

TEST_F(DataSetEventsTest, EveryKindReachesTheContainerBeforeItsHandlerButBeforeCancelAfter) {
  const std::pair<TDataSetNotifyEvent TDataSet::*, TKindDataSetEvent> events[] = {
      {&TDataSet::BeforeOpen, deBeforeOpen},       {&TDataSet::AfterOpen, deAfterOpen},
      {&TDataSet::BeforeClose, deBeforeClose},     {&TDataSet::AfterClose, deAfterClose},
      {&TDataSet::BeforeInsert, deBeforeInsert},   {&TDataSet::AfterInsert, deAfterInsert},
      {&TDataSet::BeforeEdit, deBeforeEdit},       {&TDataSet::AfterEdit, deAfterEdit},
      {&TDataSet::BeforePost, deBeforePost},       {&TDataSet::AfterPost, deAfterPost},
      {&TDataSet::BeforeCancel, deBeforeCancel},   {&TDataSet::AfterCancel, deAfterCancel},
      {&TDataSet::BeforeDelete, deBeforeDelete},   {&TDataSet::AfterDelete, deAfterDelete},
      {&TDataSet::BeforeScroll, deBeforeScroll},   {&TDataSet::AfterScroll, deAfterScroll},
      {&TDataSet::OnNewRecord, deOnNewRecord},     {&TDataSet::OnCalcFields, deOnCalcFields},
      {&TDataSet::BeforeRefresh, deBeforeRefresh}, {&TDataSet::AfterRefresh, deAfterRefresh}};
  for (const auto& [member, kind] : events)
    fDetail->*member = TDataSetNotifyEvent([this, kind](TDataSet*) { fLog.push_back("h" + std::to_string(kind)); });

  fDetail->Open();
  fDetail->Next();
  fDetail->Edit();
  fDetail->FieldByName("NUM")->SetAsString("E1");
  fDetail->Post();
  fDetail->Edit();
  fDetail->Cancel();
  fDetail->Insert();
  fDetail->FieldByName("ID")->SetAsInteger(901);
  fDetail->FieldByName("PERSON_ID")->SetAsInteger(1);
  fDetail->FieldByName("NUM")->SetAsString("N901");
  fDetail->Post();
  fDetail->Delete();
  fDetail->Refresh();
  fDetail->DoOnCalcFields();
  fDetail->Close();

  for (int kind = deBeforeOpen; kind <= deAfterRefresh; ++kind) {
    const std::string c = "c" + std::to_string(kind), h = "h" + std::to_string(kind);
    const ptrdiff_t container = FirstAt(c), handler = FirstAt(h);
    ASSERT_LT(container, std::ssize(fLog)) << "the container never heard kind " << kind;
    ASSERT_LT(handler, std::ssize(fLog)) << "the handler never ran for kind " << kind;
    if (kind == deBeforeCancel)
      EXPECT_EQ(container, handler + 1);
    else
      EXPECT_EQ(handler, container + 1) << "kind " << kind;
  }
}

TEST_F(DataSetEventsTest, AnInsertNotAllowedAbortsBeforeAnyContainerHears) {
  fDetail->InsertSQL().Clear();
  fDetail->Open();
  fLog.clear();
  EXPECT_THROW(fDetail->Append(), EAbort);
  EXPECT_EQ(fDetail->State(), dsBrowse);
  EXPECT_EQ(FirstAt("c" + std::to_string(deBeforeInsert)), std::ssize(fLog));
}

TEST_F(DataSetEventsTest, APostErrorGoesToTheGlobalThenTheOwnContainerThenTheDatasetWithOneAction) {
  auto* global = new TDataSetsContainer(&fForm);
  global->SetIsGlobalContainer(true);
  std::vector<std::string> heard;
  global->OnDataSetError =
      TOnDataSetError([&](TDataSet*, TKindDataSetError kind, EDatabaseError& e, TDataAction& action) {
        heard.push_back("global " + std::to_string(kind) + (e.Message().find("PRIMARY") != AnsiString::npos ? " key" : ""));
        EXPECT_EQ(action, daFail);
        action = daRetry;
      });
  fContainer->OnDataSetError = TOnDataSetError([&](TDataSet*, TKindDataSetError, EDatabaseError&, TDataAction& action) {
    heard.push_back("own");
    EXPECT_EQ(action, daRetry);
    action = daAbort;
  });
  fDetail->OnPostError = TDataSetErrorEvent([&](TDataSet*, EDatabaseError&, TDataAction& action) {
    heard.push_back("dataset");
    EXPECT_EQ(action, daAbort);
  });
  fDetail->Open();
  fDetail->Append();
  fDetail->FieldByName("ID")->SetAsInteger(11);  // already there
  fDetail->FieldByName("PERSON_ID")->SetAsInteger(1);
  fDetail->FieldByName("NUM")->SetAsString("dup");
  EXPECT_THROW(fDetail->Post(), EAbort);
  EXPECT_EQ(heard, (std::vector<std::string>{"global 1 key", "own", "dataset"}));
  EXPECT_EQ(fDetail->State(), dsInsert);
  fDetail->Cancel();
  global->SetIsGlobalContainer(false);
}

TEST_F(DataSetEventsTest, AContainerThatComparesDecidesTheLocalSort) {
  fContainer->OnCompareFieldValues =
      TOnCompareFieldValues([](TField* field, const Variant& s1, const Variant& s2, bool& compared) {
        if (field->FieldName() != "NUM") return 0;
        compared = true;
        return VarToStr(s2).compare(VarToStr(s1));  // reversed
      });
  fDetail->Open();
  fDetail->SortByFields({"NUM"}, {true});
  EXPECT_EQ(WalkRows(*fDetail, {"NUM"}), Oracle("select num from documents order by num desc"));
}

}  // namespace
}  // namespace ordvane::test
