// Event containers over datasets that are not opened: the master chain's order, inactive
// containers, the global container of a thread (told once, gone with its container, not
// heard from another thread), the refused circular chain and the lists of attached
// datasets as containers and datasets come and go.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "datasets/pFIBDataSet.h"

namespace ordvane::test {
namespace {

class TEventsProbe : public TpFIBDataSet {
  ORDVANE_CLASS(TEventsProbe, TpFIBDataSet)

 public:
  using TpFIBDataSet::TpFIBDataSet;
  using TpFIBDataSet::DoAfterScroll;
};

class ContainersTest : public testing::Test {
 protected:
  TDataSetsContainer* Container(const std::string& name) {
    auto* container = new TDataSetsContainer(&fForm);
    container->SetName(name);
    container->OnDataSetEvent = TOnDataSetEvent([this, name](TDataSet*, TKindDataSetEvent event) {
      fHeard.push_back(name + ":" + std::to_string(event));
    });
    return container;
  }
  ~ContainersTest() override {
    if (TDataSetsContainer* global = TDataSetsContainer::GlobalContainer()) global->SetIsGlobalContainer(false);
  }

  // What the containers' handler writes outlives the components, whose destruction may
  // still call it.
  std::vector<std::string> fHeard;
  TComponent fForm{nullptr};
  TEventsProbe* fDataSet = new TEventsProbe(&fForm);
};

using Heard = std::vector<std::string>;

TEST_F(ContainersTest, TheTopMasterHearsFirstAndAnInactiveContainerOnlyRelays) {
  TDataSetsContainer* c1 = Container("C1");
  TDataSetsContainer* c2 = Container("C2");
  c2->SetMasterContainer(c1);
  fDataSet->SetContainer(c2);
  EXPECT_EQ(c1->DataSetCount(), 1);
  fDataSet->DoAfterScroll();
  EXPECT_EQ(fHeard, (Heard{"C1:15", "C2:15"}));

  fHeard.clear();
  c2->SetActive(false);
  fDataSet->DoAfterScroll();
  EXPECT_EQ(fHeard, (Heard{"C1:15"}));

  // The datasets follow their container from one master chain to the next.
  TDataSetsContainer* c3 = Container("C3");
  c2->SetMasterContainer(c3);
  EXPECT_EQ(c1->DataSetCount(), 0);
  ASSERT_EQ(c3->DataSetCount(), 1);
  EXPECT_EQ(c3->DataSet(0), fDataSet);
  fDataSet->SetContainer(nullptr);
  EXPECT_EQ(c2->DataSetCount(), 0);
  EXPECT_EQ(c3->DataSetCount(), 0);
}

TEST_F(ContainersTest, ACircularChainIsRefusedAndTheMasterStays) {
  TDataSetsContainer* c1 = Container("C1");
  TDataSetsContainer* c2 = Container("C2");
  TDataSetsContainer* c3 = Container("C3");
  c2->SetMasterContainer(c1);
  c3->SetMasterContainer(c2);
  c1->SetMasterContainer(nullptr);
  try {
    c1->SetMasterContainer(c3);
    FAIL() << "a chain back to C1 was accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Circular link is not allowed.");
  }
  EXPECT_EQ(c1->MasterContainer(), nullptr);
  EXPECT_THROW(c1->SetMasterContainer(c1), Exception);
  EXPECT_EQ(c1->MasterContainer(), nullptr);
}

TEST_F(ContainersTest, TheGlobalContainerIsToldOnceAndFirst) {
  TDataSetsContainer* global = Container("G");
  global->SetIsGlobalContainer(true);
  TDataSetsContainer* own = Container("Own");
  fDataSet->SetContainer(own);
  fDataSet->DoAfterScroll();
  EXPECT_EQ(fHeard, (Heard{"G:15", "Own:15"}));

  fHeard.clear();
  fDataSet->SetContainer(global);
  fDataSet->DoAfterScroll();
  EXPECT_EQ(fHeard, (Heard{"G:15"}));

  // A new global container takes the place and the flag of the old one.
  TDataSetsContainer* next = Container("Next");
  next->SetIsGlobalContainer(true);
  EXPECT_FALSE(global->IsGlobalContainer());
  EXPECT_EQ(TDataSetsContainer::GlobalContainer(), next);
}

TEST_F(ContainersTest, AFreedContainerIsForgottenByDatasetsAndTheThread) {
  TDataSetsContainer* global = Container("G");
  global->SetIsGlobalContainer(true);
  TDataSetsContainer* own = Container("Own");
  fDataSet->SetContainer(own);
  delete global;
  EXPECT_EQ(TDataSetsContainer::GlobalContainer(), nullptr);
  delete own;
  EXPECT_EQ(fDataSet->Container(), nullptr);
  // Nothing freed is reached (the sanitizer watches).
  fDataSet->DoAfterScroll();
  EXPECT_TRUE(fHeard.empty());

  TDataSetsContainer* kept = Container("Kept");
  auto* other = new TEventsProbe(&fForm);
  other->SetContainer(kept);
  delete other;
  EXPECT_EQ(kept->DataSetCount(), 0);
}

TEST_F(ContainersTest, AnotherThreadsDatasetsAreNotHeard) {
  Container("G")->SetIsGlobalContainer(true);
  bool otherThreadHadGlobal = true;
  std::thread worker([&otherThreadHadGlobal] {
    TComponent form(nullptr);
    auto* dataSet = new TEventsProbe(&form);
    otherThreadHadGlobal = TDataSetsContainer::GlobalContainer() != nullptr;
    dataSet->DoAfterScroll();
  });
  worker.join();
  EXPECT_FALSE(otherThreadHadGlobal);
  EXPECT_TRUE(fHeard.empty());
  fDataSet->DoAfterScroll();
  EXPECT_EQ(fHeard, (Heard{"G:15"}));
}

TEST_F(ContainersTest, DefaultValuesAreAskedOfTheChainThenTheDataset) {
  TDataSetsContainer* c1 = Container("C1");
  TDataSetsContainer* c2 = Container("C2");
  c2->SetMasterContainer(c1);
  fDataSet->SetContainer(c2);
  std::vector<std::string> asked;
  c1->OnApplyDefaultValue = TOnApplyDefaultValue([&](TDataSet*, TField*, bool& applied) {
    asked.push_back("C1");
    applied = true;
  });
  fDataSet->OnApplyDefaultValue = TOnApplyDefaultValue([&](TDataSet*, TField*, bool& applied) {
    asked.push_back(applied ? "own:applied" : "own");
  });
  bool applied = false;
  fDataSet->ApplyDefaultValue(nullptr, applied);
  EXPECT_TRUE(applied);
  EXPECT_EQ(asked, (Heard{"C1", "own:applied"}));

  // Each asking starts from "not applied".
  asked.clear();
  c1->SetActive(false);
  applied = true;
  fDataSet->ApplyDefaultValue(nullptr, applied);
  EXPECT_FALSE(applied);
  EXPECT_EQ(asked, (Heard{"own"}));
}

}  // namespace
}  // namespace ordvane::test
