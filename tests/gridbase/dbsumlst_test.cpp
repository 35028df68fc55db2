// Footer sums over the in-memory dataset: the scaled values and every aggregate against
// Python's arithmetic, the incremental rules, recalculation, hooking and virtual records.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <random>
#include <sstream>

#include "classlib/db/DataSource.h"
#include "gridbase/DBSumLst.h"
#include "tests/classlib/PythonOracle.h"
#include "tests/gridbase/GridTestDataSet.h"

namespace ordvane {
namespace {

using test::TGridTestDataSet;

std::string Repr(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::vector<std::string> FooterOracle(const std::vector<std::string>& input) {
  return test::RunPythonOracleAt(test::SourcePath("tests/gridbase/oracles/footer_sums.py"), input);
}

// A dataset of (ID, V) with a producer over it: a sum and an average of V, a count of V
// and a count of records.
struct Sums {
  TComponent form{nullptr};
  TGridTestDataSet* data = new TGridTestDataSet(&form);
  std::unique_ptr<TDBSumListProducer> producer = std::make_unique<TDBSumListProducer>(&form);
  TDBSum* sum = nullptr;
  TDBSum* avg = nullptr;
  TDBSum* countV = nullptr;
  TDBSum* countAll = nullptr;
  int recalcs = 0;

  explicit Sums(bool withItems = true) {
    data->FieldDefs().Add("ID", ftInteger);
    data->FieldDefs().Add("V", ftFloat);
    data->Open();
    producer->OnRecalcAll = [this](TObject*) { ++recalcs; };
    if (withItems) {
      sum = AddItem(goSum, "V");
      avg = AddItem(goAvg, "V");
      countV = AddItem(goCount, "V");
      countAll = AddItem(goCount, "");
    }
    producer->SetDataSet(data);
  }
  TDBSum* AddItem(TGroupOperation operation, const AnsiString& field) {
    auto* item = producer->SumCollection().Add();
    item->SetGroupOperation(operation);
    item->SetFieldName(field);
    return item;
  }
  // Hooks again, now as the detail of the source's dataset.
  void FollowMaster(TDataSource* source) {
    data->masterSource = source;
    producer->SetDataSet(nullptr);
    producer->SetDataSet(data);
  }
  void Append(int id, const Variant& value) { data->AppendRecord({Variant(id), value}); }
  void Go(int id) { ASSERT_TRUE(data->Locate("ID", Variant(id), {})); }
  void SetV(const Variant& value) { data->FieldByName("V")->SetValue(value); }
  void EditV(int id, const Variant& value) {
    Go(id);
    data->Edit();
    SetV(value);
    data->Post();
  }
  std::array<Int64, 4> Values() const {
    return {sum->SumValue().Scaled(), avg->SumValue().Scaled(), countV->SumValue().Scaled(),
            countAll->SumValue().Scaled()};
  }
  // The stored rows for the oracle: "R v1 v2 None ...".
  std::string OracleRows() {
    std::string line = "R";
    const TBookmarkStr here = data->Bookmark();
    for (data->First(); !data->Eof(); data->Next()) {
      TField* v = data->FieldByName("V");
      line += " " + (v->IsNull() ? std::string("None") : Repr(v->AsFloat()));
    }
    data->GotoBookmark(here);
    return line;
  }
};

// A master dataset of two records behind a data source.
struct Master {
  std::unique_ptr<TGridTestDataSet> data = std::make_unique<TGridTestDataSet>(nullptr);
  TDataSource source{nullptr};

  Master() {
    data->FieldDefs().Add("ID", ftInteger);
    data->Open();
    data->AppendRecord({Variant(1)});
    data->AppendRecord({Variant(2)});
    source.SetDataSet(data.get());
  }
};

std::string Joined(const std::array<Int64, 4>& values) {
  std::ostringstream text;
  text << values[0] << ' ' << values[1] << ' ' << values[2] << ' ' << values[3];
  return text.str();
}

TEST(FooterSums, FieldValuesEnterScaledToTenThousandthsTiesToEvenAsPythonRounds) {
  std::mt19937_64 random(20261207);
  std::vector<double> values = {0.00006, 1.0 / 3, 0.00015, 0.00025, -0.00005, 2.5e-5, 1234.56785, -0.5e-4};
  std::uniform_real_distribution<double> wide(-1e9, 1e9);
  std::uniform_real_distribution<double> narrow(-1, 1);
  std::uniform_int_distribution<long long> halves(-2000000, 2000000);
  for (int i = 0; i < 1500; ++i) {
    values.push_back(wide(random));
    values.push_back(narrow(random));
    // Decimal halves of a ten-thousandth, which are no exact doubles: ties only to the eye.
    values.push_back(static_cast<double>(2 * halves(random) + 1) / 20000);
  }
  std::vector<std::string> input;
  for (double v : values) input.push_back("S " + Repr(v));
  const std::vector<std::string> expected = FooterOracle(input);
  ASSERT_EQ(expected.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i)
    ASSERT_EQ(std::to_string(DBSumScaledValue(values[i]).Scaled()), expected[i]) << Repr(values[i]);
  EXPECT_EQ(DBSumScaledValue(0.00006).Scaled(), 1);
  EXPECT_EQ(DBSumScaledValue(1.0 / 3).Scaled(), 3333);
  EXPECT_THROW(DBSumScaledValue(1e30), EInvalidOp);
  EXPECT_THROW(DBSumScaledValue(std::nan("")), EInvalidOp);
}

// After every step of a random run of appends, inserts, edits, deletes and cancels, the
// running aggregates equal Python's over the stored rows.
TEST(FooterSums, IncrementalValuesFollowEveryChangeAsPythonRecomputesThem) {
  Sums s;
  std::mt19937 random(48);
  std::uniform_int_distribution<int> action(0, 5);
  std::uniform_int_distribution<int> cents(-999999, 999999);
  auto randomValue = [&]() -> Variant {
    if (random() % 5 == 0) return Null();
    return Variant(static_cast<double>(cents(random)) / 1000);
  };
  std::vector<std::string> input;
  std::vector<std::string> actual;
  int nextId = 1;
  for (int step = 0; step < 300; ++step) {
    const int records = s.data->RecordCount();
    if (records > 0) s.data->MoveBy(static_cast<int>(random() % static_cast<unsigned>(records)) - records / 2);
    switch (records == 0 ? 0 : action(random)) {
      case 0:
        s.Append(nextId++, randomValue());
        break;
      case 1:
        s.data->Insert();
        s.data->FieldByName("ID")->SetAsInteger(nextId++);
        s.SetV(randomValue());
        s.data->Post();
        break;
      case 2:
      case 3:
        s.data->Edit();
        s.SetV(randomValue());
        s.data->Post();
        break;
      case 4:
        if (random() % 2 == 0) {  // a record deleted in the middle of an edit
          s.data->Edit();
          s.SetV(randomValue());
        }
        s.data->Delete();
        break;
      case 5:
        if (random() % 2 == 0)
          s.data->Edit();
        else
          s.data->Insert();
        s.SetV(randomValue());
        s.data->Cancel();
        break;
    }
    input.push_back(s.OracleRows());
    actual.push_back(Joined(s.Values()));
  }
  const std::vector<std::string> expected = FooterOracle(input);
  ASSERT_EQ(expected.size(), actual.size());
  for (std::size_t i = 0; i < actual.size(); ++i) ASSERT_EQ(actual[i], expected[i]) << "after step " << i;
  EXPECT_EQ(s.recalcs, 1);  // setting the dataset; no step walked again
}

TEST(FooterSums, EachChangeMovesTheAggregatesByWhatTheRecordCountedBeforeAndCountsNow) {
  struct Case {
    const char* name;
    std::function<void(Sums&)> change;
    std::array<Int64, 4> expected;  // sum, average, count of V, count of records
  };
  // Rows before each change: (1, 10), (2, 2), (3, Null), (4, 4): sum 16, average 16/3.
  // Cancels, Nulls and deletes in the middle of an edit are in the random run above.
  const std::vector<Case> cases = {
      {"edit 10 to 15", [](Sums& s) { s.EditV(1, 15.0); }, {210000, 70000, 30000, 40000}},
      {"delete the 10: 2, Null, 4", [](Sums& s) { s.Go(1); s.data->Delete(); }, {60000, 30000, 20000, 30000}},
      {"then the Null set to 6", [](Sums& s) { s.Go(1); s.data->Delete(); s.EditV(3, 6.0); },
       {120000, 40000, 30000, 30000}},
      {"delete the Null row", [](Sums& s) { s.Go(3); s.data->Delete(); }, {160000, 53333, 30000, 30000}},
      {"new record with a default",
       [](Sums& s) {
         s.data->OnNewRecord = [](TDataSet* d) { d->FieldByName("V")->SetAsFloat(7); };
         s.data->Append();
         s.data->Post();
       },
       {230000, 57500, 40000, 50000}},
      {"new record left Null", [](Sums& s) { s.data->Append(); s.data->Post(); }, {160000, 53333, 30000, 50000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sums s;
    s.Append(1, 10.0);
    s.Append(2, 2.0);
    s.Append(3, Null());
    s.Append(4, 4.0);
    ASSERT_EQ(s.Values(), (std::array<Int64, 4>{160000, 53333, 30000, 40000}));
    const int recalcs = s.recalcs;
    c.change(s);
    EXPECT_EQ(s.Values(), c.expected);
    EXPECT_EQ(s.recalcs, recalcs);  // no walk
  }
}

TEST(FooterSums, AFieldTheDatasetLacksRaisesAndLeavesTheDatasetUsable) {
  Sums s;
  s.Append(1, 5.0);
  s.Append(2, 6.0);
  try {
    s.AddItem(goSum, "NOPE");
    FAIL() << "a missing field must raise";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'NOPE' not found");
  }
  EXPECT_FALSE(s.data->ControlsDisabled());
  EXPECT_EQ(s.Values(), (std::array<Int64, 4>{}));  // no partial sums
  // Scrolls are heard again: a filter change recalculates (and meets the field again).
  const int recalcs = s.recalcs;
  s.data->SetFilter("ID > 1");
  EXPECT_THROW(s.data->SetFiltered(true), EDatabaseError);
  EXPECT_EQ(s.recalcs, recalcs + 1);
  EXPECT_FALSE(s.data->ControlsDisabled());
}

TEST(FooterSums, FilterChangeMasterScrollAndSettingsRecalculateOrdinaryScrollsDoNot) {
  Master m;
  TGridTestDataSet* master = m.data.get();
  Sums s;
  s.FollowMaster(&m.source);
  EXPECT_EQ(s.producer->MasterDataSet(), master);
  for (int id = 1; id <= 5; ++id) s.Append(id, Variant(static_cast<double>(id)));

  int walks = 0;
  s.producer->OnAfterRecalcAll = [&](TObject*) { ++walks; };
  struct Step {
    const char* name;
    std::function<void()> action;
    int recalcs;
    int walks;
  };
  const std::vector<Step> steps = {
      {"scroll", [&] { s.data->First(); s.data->Next(); }, 0, 0},
      {"filter switched on", [&] { s.data->SetFilter("ID > 2"); s.data->SetFiltered(true); }, 1, 1},
      {"scroll in the filter", [&] { s.data->Next(); }, 0, 0},
      {"filter text changed", [&] { s.data->SetFilter("ID > 3"); }, 1, 1},
      {"master scroll", [&] { master->Next(); }, 1, 1},
      {"item field changed", [&] { s.countV->SetFieldName("ID"); }, 1, 1},
      {"item set to its own value", [&] { s.countV->SetFieldName("ID"); }, 0, 0},
      {"virtual records switched on", [&] { s.producer->SetVirtualRecords(true); }, 1, 1},
      {"virtual records switched off", [&] { s.producer->SetVirtualRecords(false); }, 0, 0},
      {"external recalculation switched on", [&] { s.producer->SetExternalRecalc(true); }, 1, 0},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const int recalcs = s.recalcs;
    const int walked = walks;
    step.action();
    EXPECT_EQ(s.recalcs - recalcs, step.recalcs);
    EXPECT_EQ(walks - walked, step.walks);
  }
  EXPECT_EQ(s.Values(), (std::array<Int64, 4>{}));  // the external recalculation visited no record
  s.producer->SetExternalRecalc(false);
  const TDBSumCollection& items = s.producer->SumCollection();
  EXPECT_EQ(items.SumByOpAndFName(goAvg, "v"), s.avg);
  EXPECT_EQ(items.SumByOpAndFName(goCount, "id"), s.countV);
  EXPECT_EQ(items.SumByOpAndFName(goCount, ""), s.countAll);
  EXPECT_EQ(items.SumByOpAndFName(goSum, "ID"), nullptr);
  EXPECT_EQ(s.sum->SumValue().Scaled(), 90000);  // 4 + 5
}

TEST(FooterSums, SavedHandlersRunInTheirOrderAndComeBackWhenDeactivated) {
  Master m;
  TGridTestDataSet* master = m.data.get();
  Sums s;
  s.producer->SetDataSet(nullptr);
  std::vector<std::string> log;
  auto logger = [&log](const char* text) { return [&log, text](TDataSet*) { log.push_back(text); }; };
  TDataSet& d = *s.data;
  std::vector<std::pair<TDataSetNotifyEvent*, TDataSetNotifyEvent>> own = {
      {&d.AfterCancel, logger("cancel")}, {&d.AfterClose, logger("close")},   {&d.AfterEdit, logger("edit")},
      {&d.AfterInsert, logger("insert")}, {&d.AfterOpen, logger("open")},     {&d.AfterPost, logger("post")},
      {&d.AfterScroll, logger("scroll")}, {&d.BeforeDelete, logger("delete")}, {&master->AfterScroll, logger("master")}};
  for (auto& [event, handler] : own) *event = handler;
  s.FollowMaster(&m.source);
  s.producer->SumListChanged = [&](TObject*) { log.push_back("changed"); };
  s.producer->OnRecalcAll = [&](TObject*) { log.push_back("recalc"); };
  s.Append(1, 1.0);
  s.Append(2, 2.0);

  struct Step {
    const char* name;
    std::function<void()> action;
    std::vector<std::string> log;
  };
  // A full recalculation over the one record left: the walk's First, Next and First
  // scroll the dataset, and its saved handler hears them.
  const std::vector<std::string> walk = {"changed", "recalc", "scroll", "scroll", "scroll", "changed"};
  auto after = [&walk](std::vector<std::string> head, std::vector<std::string> tail = {}) {
    head.insert(head.end(), walk.begin(), walk.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  const std::vector<Step> steps = {
      {"post", [&] { d.Edit(); s.SetV(3.0); d.Post(); }, {"edit", "changed", "post"}},
      {"cancel", [&] { d.Edit(); d.Cancel(); }, {"edit", "cancel"}},
      {"delete", [&] { d.Delete(); }, {"delete", "changed", "scroll"}},
      {"filter", [&] { d.SetFiltered(true); }, after({"scroll"})},
      {"master", [&] { master->First(); }, after({"master"})},
      {"close", [&] { d.Close(); }, {"changed", "close"}},
      {"open", [&] { d.Open(); }, after({}, {"open", "scroll"})},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    log.clear();
    step.action();
    EXPECT_EQ(log, step.log);
  }
  ASSERT_GT(s.sum->SumValue().Scaled(), 0);
  s.producer->SetActive(false);
  for (auto& [event, handler] : own) EXPECT_TRUE(*event == handler);
  EXPECT_EQ(s.producer->MasterDataSet(), nullptr);
  EXPECT_EQ(s.Values(), (std::array<Int64, 4>{}));
}

// Several producers on one dataset (two grids on one data source), freed in every order,
// with handlers the program assigns before, between and after the hooks: every producer
// keeps hearing every event while it lives, none is reached once freed (the sanitizer
// sees it), and the program's handlers end as it last set them.
TEST(FooterSums, ProducersOnOneDatasetLeaveInAnyOrderAndKeepTheProgramsHandlers) {
  for (int producers : {2, 3}) {
    std::vector<int> order(static_cast<std::size_t>(producers));
    std::iota(order.begin(), order.end(), 0);
    do {
      SCOPED_TRACE(::testing::PrintToString(order));
      Master m;
      Sums s(false);
      s.producer.reset();
      s.Append(1, 1.0);
      s.Append(2, 2.0);
      int programPosts = 0, programEdits = 0, programMasterScrolls = 0;
      const TDataSetNotifyEvent firstPost = [](TDataSet*) { ADD_FAILURE() << "a replaced handler ran"; };
      const TDataSetNotifyEvent post = [&](TDataSet*) { ++programPosts; };
      const TDataSetNotifyEvent edit = [&](TDataSet*) { ++programEdits; };
      const TDataSetNotifyEvent masterScroll = [&](TDataSet*) { ++programMasterScrolls; };
      s.data->AfterPost = firstPost;
      s.data->masterSource = &m.source;

      std::vector<std::unique_ptr<TDBSumListProducer>> live;
      std::vector<int> recalcs(order.size());
      for (int i = 0; i < producers; ++i) {
        if (i == 1) {
          s.data->AfterPost = post;
          m.data->AfterScroll = masterScroll;
        }
        live.push_back(std::make_unique<TDBSumListProducer>(&s.form));
        live.back()->OnRecalcAll = [&recalcs, i](TObject*) { ++recalcs[static_cast<std::size_t>(i)]; };
        auto* item = live.back()->SumCollection().Add();
        item->SetFieldName("V");
        live.back()->SetDataSet(s.data);
      }
      s.data->AfterEdit = edit;

      double expected = 3.0;
      auto editAndCheck = [&] {
        const int posts = programPosts, edits = programEdits, scrolls = programMasterScrolls;
        expected += 10.0;
        s.Go(2);
        s.data->Edit();
        s.SetV(s.data->FieldByName("V")->AsFloat() + 10.0);
        s.data->Post();
        EXPECT_EQ(programPosts, posts + 1);
        EXPECT_EQ(programEdits, edits + 1);
        const std::vector<int> before = recalcs;
        m.data->Next();
        m.data->First();
        EXPECT_EQ(programMasterScrolls, scrolls + 2);
        for (std::size_t i = 0; i < live.size(); ++i) {
          if (!live[i]) continue;
          EXPECT_EQ(live[i]->SumCollection().Items(0)->SumValue().Scaled(), std::llround(expected * 10000)) << i;
          EXPECT_EQ(recalcs[i], before[i] + 2) << i;
        }
      };
      editAndCheck();
      for (int index : order) {
        live[static_cast<std::size_t>(index)].reset();
        editAndCheck();
      }
      EXPECT_TRUE(s.data->AfterPost == post);
      EXPECT_TRUE(s.data->AfterEdit == edit);
      EXPECT_TRUE(m.data->AfterScroll == masterScroll);
      for (auto event : {&TDataSet::AfterCancel, &TDataSet::AfterClose, &TDataSet::AfterInsert, &TDataSet::AfterOpen,
                         &TDataSet::AfterScroll, &TDataSet::BeforeDelete})
        EXPECT_FALSE((s.data->*event).Assigned());
    } while (std::next_permutation(order.begin(), order.end()));
  }
}

TEST(FooterSums, NothingIsHookedOrRecalculatedWhileTheOwnerLoads) {
  Sums s(false);
  s.producer->SetDataSet(nullptr);
  TComponent grid(nullptr);
  TDBSumListProducer producer(&grid);
  int recalcs = 0;
  producer.OnRecalcAll = [&](TObject*) { ++recalcs; };
  grid.BeginLoading();
  producer.SumCollection().Add()->SetGroupOperation(goCount);
  producer.SetDataSet(s.data);
  producer.SetActive(true);
  producer.SetVirtualRecords(true);
  producer.SetExternalRecalc(true);
  EXPECT_EQ(recalcs, 0);
  EXPECT_FALSE(producer.Hooked());
  EXPECT_FALSE(s.data->AfterPost.Assigned());
  grid.EndLoading();
  producer.SetActive(true);
  EXPECT_TRUE(producer.Hooked());
  EXPECT_EQ(recalcs, 1);
}

TEST(FooterSums, ADatasetOrMasterThatDiesIsForgottenNotWrittenInto) {
  Master m;
  Sums s;
  s.Append(1, 4.0);
  s.FollowMaster(&m.source);
  ASSERT_EQ(s.producer->MasterDataSet(), m.data.get());
  m.data.reset();
  EXPECT_EQ(s.producer->MasterDataSet(), nullptr);
  EXPECT_EQ(s.sum->SumValue().Scaled(), 40000);
  delete s.data;
  EXPECT_EQ(s.producer->DataSet(), nullptr);
  EXPECT_FALSE(s.producer->Hooked());
  EXPECT_EQ(s.sum->SumValue().Scaled(), 0);
  s.producer->SetActive(false);  // the sanitizers see any write into the dead datasets
}

// --- virtual records -----------------------------------------------------------------------

struct Numbered : Sums {
  Numbered() : Sums(false) {
    data->sequenced = false;
    for (int id = 1; id <= 3; ++id) Append(id * 10, Variant(1.0));
    producer->SetVirtualRecords(true);
  }
  // Every record's number as the producer gives it, in dataset order, and the IDs.
  std::pair<std::vector<int>, std::vector<int>> Numbers() {
    std::vector<int> numbers, ids;
    for (data->First(); !data->Eof(); data->Next()) {
      numbers.push_back(producer->GetRecNo());
      ids.push_back(data->FieldByName("ID")->AsInteger());
    }
    return {numbers, ids};
  }
  std::vector<int> Sequence() const {
    std::vector<int> numbers;
    for (int i = 1; i <= producer->GetRecordCount(); ++i) numbers.push_back(i);
    return numbers;
  }
  void InsertAt(int id, int newId) {
    Go(id);
    data->Insert();
    data->FieldByName("ID")->SetAsInteger(newId);
    data->Post();
  }
};

TEST(FooterSums, VirtualRecordsNumberAnUnsequencedDataset) {
  Numbered n;
  EXPECT_EQ(n.producer->GetRecordCount(), 3);
  EXPECT_TRUE(n.producer->IsSequenced());
  n.Go(20);
  EXPECT_EQ(n.producer->GetRecNo(), 2);
  n.producer->SetRecNo(3);
  EXPECT_EQ(n.data->FieldByName("ID")->AsInteger(), 30);
  for (int outside : {0, 4, -1}) {
    n.producer->SetRecNo(outside);
    EXPECT_EQ(n.data->FieldByName("ID")->AsInteger(), 30) << outside;
  }
  n.producer->SetRecNo(1);
  EXPECT_EQ(n.data->FieldByName("ID")->AsInteger(), 10);
}

TEST(FooterSums, PostedNewRecordsTakeTheirPlaceInDatasetOrderAndCancelledOnesNone) {
  struct Case {
    const char* name;
    std::function<void(Numbered&)> change;
    std::vector<int> ids;
  };
  const std::vector<Case> cases = {
      {"insert in the middle", [](Numbered& n) { n.InsertAt(20, 15); }, {10, 15, 20, 30}},
      {"walk down from the last",
       [](Numbered& n) {
         n.producer->SetRecNo(3);
         n.InsertAt(10, 5);
       },
       {5, 10, 20, 30}},
      {"walk down to between two",
       [](Numbered& n) {
         n.producer->SetRecNo(3);
         n.InsertAt(20, 15);
       },
       {10, 15, 20, 30}},
      {"walk up from the first",
       [](Numbered& n) {
         n.producer->SetRecNo(1);
         n.InsertAt(30, 25);
       },
       {10, 20, 25, 30}},
      {"append past the last",
       [](Numbered& n) {
         n.producer->SetRecNo(1);
         n.Append(40, Variant(1.0));
       },
       {10, 20, 30, 40}},
      {"cancelled insert",
       [](Numbered& n) {
         n.Go(20);
         n.data->Insert();
         n.data->Cancel();
       },
       {10, 20, 30}},
      {"delete", [](Numbered& n) { n.Go(20); n.data->Delete(); }, {10, 30}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Numbered n;
    const int recalcs = n.recalcs;
    c.change(n);
    EXPECT_EQ(n.recalcs, recalcs);
    const auto [numbers, ids] = n.Numbers();
    EXPECT_EQ(ids, c.ids);
    EXPECT_EQ(numbers, n.Sequence());
  }
}

TEST(FooterSums, ABookmarkTheListLacksIsAnsweredMinusOneWithoutHanging) {
  Numbered n;
  // Records added while the dataset numbered itself are not in the list.
  n.data->sequenced = true;
  n.InsertAt(20, 15);
  n.InsertAt(10, 5);
  n.Append(40, Variant(1.0));
  n.data->sequenced = false;
  for (int start : {1, 2, 3}) {
    for (int id : {15, 5, 40}) {
      n.producer->SetRecNo(start);
      n.Go(id);
      EXPECT_EQ(n.producer->FindBookmarkIndex(n.data->Bookmark()), -1) << "from " << start << " for " << id;
    }
  }
  n.Go(20);
  EXPECT_EQ(n.producer->GetRecNo(), 2);
  EXPECT_EQ(n.producer->FindBookmarkIndex(TBookmark()), -1);
}

TEST(FooterSums, AnUnsequencedDatasetIsSequencedOnlyWhenTheListNumbersIt) {
  Numbered n;
  EXPECT_TRUE(n.producer->IsSequenced());
  n.producer->SetExternalRecalc(true);  // no walk: the list stays empty
  EXPECT_EQ(n.producer->GetRecordCount(), 0);
  EXPECT_FALSE(n.producer->IsSequenced());
  n.data->EmptyDataSet();
  EXPECT_TRUE(n.producer->IsSequenced());  // nothing to number
  n.producer->SetActive(false);
  EXPECT_FALSE(n.producer->IsSequenced());
  n.data->sequenced = true;
  EXPECT_TRUE(n.producer->IsSequenced());
}

}  // namespace
}  // namespace ordvane
