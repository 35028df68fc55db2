// Data sources and data links: buffer windows of links of different sizes, reading rows
// through a link's ActiveRecord, nested DisableControls, and what happens to the links
// when a dataset, a data source or a field goes away.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "tests/classlib/DataSetLog.h"
#include "tests/classlib/Support.h"

namespace ordvane::test {
namespace {

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FillNumbered(data, 10);
    source.SetDataSet(&data);
    small.SetDataSource(&source);
    large.SetDataSource(&source);
    small.SetBufferCount(3);
    large.SetBufferCount(5);
    data.First();
    log.clear();
  }

  TLog log;
  TLoggingDataSet data{nullptr, &log};
  TDataSource source{nullptr};
  TLoggingLink small{&log, "small"};
  TLoggingLink large{&log, "large"};
};

TEST_F(LinkTest, TheDatasetBuffersWhatTheLargestLinkWants) {
  EXPECT_EQ(data.BufferCount(), 5);
  EXPECT_EQ(WindowIds(small), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(WindowIds(large), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(LinkTest, EachLinkMovesItsOwnWindowAsLittleAsItCan) {
  data.MoveBy(3);
  EXPECT_EQ(log, (TLog{"small: CheckBrowseMode", "large: CheckBrowseMode", "BeforeScroll", "small: DataSetScrolled 1", "large: DataSetScrolled 0", "AfterScroll"}));
  EXPECT_EQ(WindowIds(small), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(small.ActiveRecord(), 2);
  EXPECT_EQ(large.ActiveRecord(), 3);

  log.clear();
  data.MoveBy(2);  // the fifth buffer, then one record fetched
  EXPECT_EQ(log, (TLog{"small: CheckBrowseMode", "large: CheckBrowseMode", "BeforeScroll", "GetRecord(Next)=OK",
                       "small: DataSetScrolled 2", "large: DataSetScrolled 1", "AfterScroll"}));
  EXPECT_EQ(WindowIds(small), (std::vector<int>{4, 5, 6}));
  EXPECT_EQ(WindowIds(large), (std::vector<int>{2, 3, 4, 5, 6}));

  log.clear();
  data.MoveBy(-2);  // record 4: still in view of the small link
  EXPECT_EQ(log, (TLog{"small: CheckBrowseMode", "large: CheckBrowseMode", "BeforeScroll", "small: DataSetScrolled 0",
                       "large: DataSetScrolled 0", "AfterScroll"}));
  EXPECT_EQ(small.ActiveRecord(), 0);
  data.Prior();
  EXPECT_EQ(WindowIds(small), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(WindowIds(large), (std::vector<int>{2, 3, 4, 5, 6}));
}

TEST_F(LinkTest, ALinksActiveRecordSelectsTheRowThatFieldsRead) {
  data.MoveBy(4);
  TField* name = data.FieldByName("NAME");
  small.SetActiveRecord(0);
  EXPECT_EQ(name->AsString(), "r3");
  large.SetActiveRecord(0);
  EXPECT_EQ(name->AsString(), "r1");
  large.SetActiveRecord(4);
  EXPECT_EQ(name->AsString(), "r5");
  EXPECT_EQ(small.ActiveRecord(), 2);
  // Only buffers the dataset holds can be chosen.
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { small.SetActiveRecord(3); }),
            "Record index 5 is outside the record buffers");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { large.SetActiveRecord(-1); }),
            "Record index -1 is outside the record buffers");
  EXPECT_EQ(name->AsString(), "r5");
}

TEST_F(LinkTest, ASmallerWindowKeepsTheActiveRecord) {
  data.MoveBy(6);  // record 7 at the bottom of 3..7
  large.SetDataSource(nullptr);
  EXPECT_EQ(data.BufferCount(), 3);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 7);
  EXPECT_EQ(WindowIds(small), (std::vector<int>{5, 6, 7}));
  // Growing again fills the new buffers from the records around it.
  large.SetDataSource(&source);
  EXPECT_EQ(data.BufferCount(), 5);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 7);
  EXPECT_EQ(WindowIds(large), (std::vector<int>{5, 6, 7, 8, 9}));
  data.Last();
  large.SetBufferCount(8);
  EXPECT_EQ(WindowIds(large), (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(WindowIds(small), (std::vector<int>{8, 9, 10}));
}

TEST_F(LinkTest, NestedDisableControlsHoldTheEventsUntilTheOutermostEnable) {
  data.DisableControls();
  data.DisableControls();
  EXPECT_EQ(data.DisableCount(), 2);
  data.Next();
  data.Last();
  data.EnableControls();
  EXPECT_EQ(log, (TLog{"small: DisabledStateChange 1", "large: DisabledStateChange 1", "BeforeScroll", "AfterScroll",
                       "BeforeScroll", "InternalLast", "GetRecord(Prior)=OK", "GetRecord(Prior)=OK",
                       "GetRecord(Prior)=OK", "GetRecord(Prior)=OK", "GetRecord(Prior)=OK", "AfterScroll"}));
  log.clear();
  data.EnableControls();
  EXPECT_FALSE(data.ControlsDisabled());
  EXPECT_EQ(log, (TLog{"small: DisabledStateChange 0", "large: DisabledStateChange 0", "small: DataSetChanged",
                       "large: DataSetChanged"}));
  EXPECT_EQ(WindowIds(small), (std::vector<int>{8, 9, 10}));
  // An enable too many changes nothing.
  log.clear();
  data.EnableControls();
  EXPECT_TRUE(log.empty());
}

TEST_F(LinkTest, EnablingReportsAStateChangedMeanwhile) {
  data.DisableControls();
  data.Edit();
  log.clear();
  data.EnableControls();
  EXPECT_EQ(log, (TLog{"small: DisabledStateChange 0", "large: DisabledStateChange 0", "small: EditingChanged on",
                       "large: EditingChanged on", "small: DataSetChanged", "large: DataSetChanged"}));
  data.Cancel();

  data.DisableControls();
  data.Close();
  log.clear();
  data.EnableControls();
  EXPECT_EQ(log, (TLog{"small: DisabledStateChange 0", "large: DisabledStateChange 0", "small: ActiveChanged off",
                       "large: ActiveChanged off"}));
}

TEST_F(LinkTest, ALayoutChangeWhileDisabledIsReportedAsOne) {
  data.DisableControls();
  data.FieldByName("NAME")->SetVisible(false);
  data.Next();
  log.clear();
  data.EnableControls();
  EXPECT_EQ(log, (TLog{"small: DisabledStateChange 0", "large: DisabledStateChange 0", "small: LayoutChanged",
                       "large: LayoutChanged"}));
}

TEST_F(LinkTest, ADisabledDataSourceDeactivatesItsLinksOnly) {
  TDataSource other(nullptr);
  other.SetDataSet(&data);
  TLoggingLink third(&log, "third");
  third.SetDataSource(&other);
  int stateChanges = 0;
  source.OnStateChange = [&](TObject*) { ++stateChanges; };
  log.clear();
  source.SetEnabled(false);
  EXPECT_EQ(log, (TLog{"small: ActiveChanged off", "large: ActiveChanged off"}));
  EXPECT_EQ(stateChanges, 1);
  EXPECT_EQ(source.State(), dsInactive);
  EXPECT_TRUE(third.Active());
  log.clear();
  data.Next();
  // A window of one record moves with every step.
  EXPECT_EQ(log, (TLog{"third: CheckBrowseMode", "BeforeScroll", "third: DataSetScrolled 1", "AfterScroll"}));
  source.SetEnabled(true);
  EXPECT_TRUE(small.Active());
  EXPECT_EQ(small.ActiveRecord(), 1);
}

TEST_F(LinkTest, TheDataSourceReportsDataChangesAndEditsThroughAutoEdit) {
  std::vector<std::string> changes;
  source.OnDataChange = [&](TObject*, TField* field) { changes.push_back(field ? field->FieldName() : "-"); };
  data.Next();
  EXPECT_TRUE(small.Edit()) << "AutoEdit puts a browsing dataset into edit state";
  EXPECT_EQ(data.State(), dsEdit);
  EXPECT_TRUE(large.Editing());
  data.FieldByName("NAME")->SetAsString("x");
  data.Cancel();
  EXPECT_EQ(changes, (std::vector<std::string>{"-", "-", "NAME", "-"}));
  source.SetAutoEdit(false);
  EXPECT_FALSE(small.Edit());
  EXPECT_EQ(data.State(), dsBrowse);
  small.SetReadOnly(true);
  source.SetAutoEdit(true);
  EXPECT_FALSE(small.Edit()) << "a read-only link does not edit";
  EXPECT_EQ(data.State(), dsBrowse);
}

TEST_F(LinkTest, ALinkWritesItsEditWithoutBeingToldOfIt) {
  struct TEditorLink : TLoggingLink {
    using TLoggingLink::TLoggingLink;
    TField* field = nullptr;
    void UpdateData() override {
      TLoggingLink::UpdateData();
      field->SetAsString("edited");
    }
  };
  TEditorLink editor(&log, "editor");
  editor.field = data.FieldByName("NAME");
  editor.SetDataSource(&source);
  data.Edit();
  log.clear();
  data.Post();
  // The editor writes its text during deUpdateRecord and is not told of its own change;
  // the other links are.
  EXPECT_EQ(std::count(log.begin(), log.end(), "editor: UpdateData"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "small: RecordChanged NAME"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "editor: RecordChanged NAME"), 0);
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "edited");
}

TEST_F(LinkTest, ARequiredFieldLeftEmptyAsksItsControlToTakeTheFocus) {
  struct TFocusLink : TDataLink {
    TField* field = nullptr;
    bool focused = false;
    void FocusControl(TField*& asked) override {
      if (asked != field) return;
      focused = true;
      asked = nullptr;
    }
  };
  TFocusLink focus;
  focus.field = data.FieldByName("NAME");
  focus.SetDataSource(&source);
  data.FieldByName("NAME")->SetRequired(true);
  data.Edit();
  data.FieldByName("NAME")->Clear();
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Post(); }), "Field 'NAME' must have a value");
  EXPECT_TRUE(focus.focused);
  EXPECT_EQ(data.State(), dsEdit);
}

TEST_F(LinkTest, ADataSourceCannotLeadBackToItsOwnDataset) {
  // A detail dataset whose master is the data source of that same dataset.
  struct TDetail : TMemDataSet {
    using TMemDataSet::TMemDataSet;
    TDataSource* master = nullptr;
    TDataSource* GetDataSource() override { return master; }
  };
  TDetail detail(nullptr);
  detail.SetName("Detail");
  TDataSource detailSource(nullptr);
  detailSource.SetName("DetailSource");
  detail.master = &detailSource;
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { detailSource.SetDataSet(&detail); }),
            "DetailSource: Circular datalinks are not allowed");
  EXPECT_EQ(detailSource.DataSet(), nullptr);
  EXPECT_TRUE(detail.IsLinkedTo(&source) == false);
  detail.master = &source;
  EXPECT_TRUE(data.IsLinkedTo(&source));
}

TEST_F(LinkTest, AFieldFreedWhileDataSourcesLookClosesTheDataset) {
  TField* name = data.FieldByName("NAME");
  log.clear();
  delete name;
  EXPECT_EQ(log, (TLog{"BeforeClose", "small: ActiveChanged off", "large: ActiveChanged off", "InternalClose",
                       "AfterClose"}));
  EXPECT_FALSE(data.Active());
  EXPECT_EQ(source.State(), dsInactive);
  EXPECT_EQ(data.FieldCount(), 0);
  // The definitions are untouched: the dataset opens again with fresh fields.
  data.Open();
  EXPECT_EQ(data.FieldCount(), 2);
  EXPECT_EQ(WindowIds(small), (std::vector<int>{1, 2, 3}));
}

TEST_F(LinkTest, APersistentFieldFreedLeavesTheOthersBound) {
  data.Close();
  TIntegerField id(nullptr);
  id.SetFieldName("ID");
  id.SetDataSet(&data);
  auto name = std::make_unique<TStringField>(nullptr);
  name->SetFieldName("NAME");
  name->SetDataSet(&data);
  data.Open();
  name.reset();
  EXPECT_FALSE(data.Active());
  EXPECT_EQ(data.FieldCount(), 1);
  data.Open();
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 1);
  EXPECT_EQ(data.FindField("NAME"), nullptr);
}

TEST_F(LinkTest, ADatasetThatDiesLeavesItsDataSourcesEmpty) {
  auto dying = std::make_unique<TLoggingDataSet>(nullptr, &log);
  FillNumbered(*dying, 2);
  TDataSource watcher(nullptr);
  TLoggingLink link(&log, "link");
  watcher.SetDataSet(dying.get());
  link.SetDataSource(&watcher);
  log.clear();
  dying.reset();
  EXPECT_EQ(watcher.DataSet(), nullptr);
  EXPECT_EQ(watcher.State(), dsInactive);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(log, (TLog{"link: ActiveChanged off", "InternalClose"}));
}

TEST_F(LinkTest, ADataSourceThatDiesLeavesItsLinksInactive) {
  auto dying = std::make_unique<TDataSource>(nullptr);
  dying->SetDataSet(&data);
  TLoggingLink link(&log, "link");
  link.SetDataSource(dying.get());
  EXPECT_TRUE(link.Active());
  dying.reset();
  EXPECT_EQ(link.DataSource(), nullptr);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.RecordCount(), 0);
  EXPECT_EQ(data.BufferCount(), 5) << "the dataset's own links still want five";
}

std::string DatabaseErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDatabaseError& e) {
    return e.what();
  }
  return "no error";
}

TEST_F(LinkTest, ControlsHearAnEventAfterTheOtherLinksAndAFixedSourceStays) {
  TLoggingLink control(&log, "control");
  control.SetVisualControl(true);
  small.SetVisualControl(true);
  control.SetDataSource(&source);  // before "large", yet told after it
  log.clear();
  data.Refresh();
  std::vector<std::string> changed;
  std::copy_if(log.begin(), log.end(), std::back_inserter(changed),
               [](const std::string& line) { return line.ends_with("DataSetChanged"); });
  EXPECT_EQ(changed, (TLog{"large: DataSetChanged", "small: DataSetChanged", "control: DataSetChanged"}));

  control.SetDataSourceFixed(true);
  TDataSource other(nullptr);
  EXPECT_EQ(DatabaseErrorOf([&] { control.SetDataSource(&other); }), "DataSource cannot be changed");
  EXPECT_EQ(control.DataSource(), &source);

  auto dying = std::make_unique<TDataSource>(nullptr);
  TLoggingLink fixed(&log, "fixed");
  fixed.SetDataSource(dying.get());
  fixed.SetDataSourceFixed(true);
  dying.reset();  // a dying data source leaves even a fixed link
  EXPECT_EQ(fixed.DataSource(), nullptr);
}

TEST_F(LinkTest, AFieldLookedUpForAControlNamesTheControl) {
  TComponent control(nullptr);
  control.SetName("NameEdit");
  EXPECT_EQ(GetFieldProperty(&data, &control, "name"), data.FieldByName("NAME"));
  EXPECT_EQ(DatabaseErrorOf([&] { GetFieldProperty(&data, &control, "MISSING"); }),
            "NameEdit: Field 'MISSING' not found");
}

}  // namespace
}  // namespace ordvane::test
