// Actions on a toolbar of speed buttons, finding their targets from the focus: the
// dataset actions act on the dataset of the focused grid or data-aware edit, the edit
// actions on the focused edit's text, and each is disabled where it cannot act.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "classlib/ui/Buttons.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/DBActns.h"
#include "classlib/ui/StdActns.h"
#include "gridbase/DBCtrlsEh.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

// The grid over the persons (3 records) and an edit of the city names below it, with one
// toolbar button per action.
struct ActionsFixture : DataGridFixture<> {
  TDataSource citySource{nullptr};
  TCustomDBEditEh* edit = nullptr;
  std::map<std::string, TAction*> actions;
  std::map<std::string, TSpeedButton*> buttons;

  ActionsFixture() {
    Column("ID");
    Column("NAME");
    cities.First();
    citySource.SetDataSet(&cities);
    edit = new TCustomDBEditEh(form.get());
    edit->SetBounds(10, 340, 200, 24);
    edit->SetParent(form.get());
    edit->SetDataSource(&citySource);
    edit->SetDataField("NAME");
    Add<TDataSetFirst>("first");
    Add<TDataSetPrior>("prior");
    Add<TDataSetNext>("next");
    Add<TDataSetLast>("last");
    Add<TDataSetInsert>("insert");
    Add<TDataSetDelete>("delete");
    Add<TDataSetEdit>("edit");
    Add<TDataSetPost>("post");
    Add<TDataSetCancel>("cancel");
    Add<TDataSetRefresh>("refresh");
    Add<TEditCut>("cut");
    Add<TEditCopy>("copy");
    Add<TEditPaste>("paste");
    Add<TEditSelectAll>("select all");
    Add<TEditDelete>("clear");
    grid->SetFocus();
    Idle();
  }

  template <class Action>
  void Add(const std::string& name) {
    auto* action = new Action(form.get());
    action->SetCaption(name.c_str());
    auto* button = new TSpeedButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(10 + 26 * static_cast<int>(buttons.size()), 310, 23, 22);
    button->SetAction(action);
    actions[name] = action;
    buttons[name] = button;
  }
  // The loop's idle moment, when actions follow their targets.
  void Idle() {
    ui.Process();
    UpdateActions();
  }
  // A click on the action's button; false when the button was disabled.
  bool Click(const std::string& name) {
    const bool enabled = buttons[name]->Enabled();
    ui.Click(buttons[name], TPoint{10, 10});
    Idle();
    return enabled;
  }
  std::string Enabled() {
    std::string names;
    for (const auto& [name, action] : actions)
      if (action->Enabled()) names += (names.empty() ? "" : ",") + name;
    return names;
  }
};

TEST(Actions, DatasetActionsActOnTheFocusedGridsDataset) {
  ActionsFixture f;
  EXPECT_EQ(f.Enabled(), "delete,edit,insert,last,next,refresh")
      << "at the first record, with no edit focused";
  EXPECT_FALSE(f.buttons["prior"]->Enabled()) << "the button follows its action";
  EXPECT_FALSE(f.Click("prior"));
  ASSERT_TRUE(f.Click("next"));
  EXPECT_EQ(f.Field("ID")->AsInteger(), 2);
  EXPECT_EQ(f.cities.RecNo(), 1) << "the other dataset stays";
  ASSERT_TRUE(f.Click("last"));
  EXPECT_EQ(f.Field("ID")->AsInteger(), 3);
  EXPECT_FALSE(f.actions["next"]->Enabled());
  EXPECT_TRUE(f.actions["first"]->Enabled());

  ASSERT_TRUE(f.Click("edit"));
  EXPECT_EQ(f.data.State(), dsEdit);
  EXPECT_EQ(f.Enabled(), "cancel,delete,first,insert,post,prior")
      << "while editing no second edit and no refresh";
  f.Field("NAME")->SetAsString("changed");
  ASSERT_TRUE(f.Click("post"));
  EXPECT_EQ(f.data.State(), dsBrowse);
  EXPECT_EQ(f.Field("NAME")->AsString(), "changed");

  ASSERT_TRUE(f.Click("insert"));
  EXPECT_EQ(f.data.State(), dsInsert);
  ASSERT_TRUE(f.Click("cancel"));
  EXPECT_EQ(f.data.RecordCount(), 3);
  ASSERT_TRUE(f.Click("delete"));
  EXPECT_EQ(f.data.RecordCount(), 2);
  EXPECT_TRUE(f.grid->Focused()) << "the toolbar took no focus";

  f.ui.Press(VK_F2);
  f.Idle();
  ASSERT_TRUE(f.grid->EditorMode());
  EXPECT_TRUE(f.actions["select all"]->Enabled()) << "the cell editor is the focused edit";
  ASSERT_TRUE(f.Click("first"));
  EXPECT_EQ(f.Field("ID")->AsInteger(), 1) << "the editor's grid offers its dataset";

  f.data.Close();
  f.Idle();
  EXPECT_EQ(f.Enabled(), "") << "a closed dataset offers nothing";
}

TEST(Actions, EditActionsActOnTheFocusedDataAwareEditsText) {
  ActionsFixture f;
  f.edit->SetFocus();
  f.edit->SetSelLength(0);
  f.Idle();
  EXPECT_EQ(f.Enabled(), "delete,edit,insert,last,next,refresh,select all")
      << "no selection to cut, copy or clear, no text to paste; the dataset is the edit's";
  ASSERT_TRUE(f.Click("next"));
  EXPECT_EQ(f.cities.RecNo(), 2) << "the focused edit's dataset moved";
  EXPECT_EQ(f.Field("ID")->AsInteger(), 1) << "the grid's stayed";
  EXPECT_EQ(f.edit->Text(), "Lviv");

  ASSERT_TRUE(f.Click("select all"));
  EXPECT_EQ(f.edit->SelLength(), 4);
  ASSERT_TRUE(f.Click("copy"));
  EXPECT_EQ(Clipboard()->AsText(), "Lviv");
  EXPECT_TRUE(f.actions["paste"]->Enabled());
  ASSERT_TRUE(f.Click("cut"));
  EXPECT_EQ(f.edit->Text(), "");
  EXPECT_EQ(f.cities.State(), dsEdit) << "cutting starts the edit of the record";
  EXPECT_FALSE(f.actions["cut"]->Enabled());
  EXPECT_FALSE(f.actions["select all"]->Enabled()) << "nothing left to select";
  ASSERT_TRUE(f.Click("paste"));
  ASSERT_TRUE(f.Click("paste"));
  EXPECT_EQ(f.edit->Text(), "LvivLviv");
  f.edit->SetSelStart(0);
  f.edit->SetSelLength(4);
  f.Idle();
  ASSERT_TRUE(f.Click("clear"));
  EXPECT_EQ(f.edit->Text(), "Lviv");
  ASSERT_TRUE(f.Click("post"));
  EXPECT_EQ(f.cities.FieldByName("NAME")->AsString(), "Lviv");

  f.edit->SetReadOnly(true);
  f.edit->SelectAll();
  f.Idle();
  EXPECT_TRUE(f.actions["copy"]->Enabled());
  EXPECT_FALSE(f.actions["cut"]->Enabled()) << "a read-only edit is not cut";
  EXPECT_FALSE(f.actions["paste"]->Enabled());
  EXPECT_FALSE(f.actions["clear"]->Enabled());

  f.grid->SetFocus();
  f.Idle();
  EXPECT_FALSE(f.actions["copy"]->Enabled()) << "no edit has the focus";
  EXPECT_FALSE(f.actions["select all"]->Enabled());
}

TEST(Actions, AnActionWithItsOwnSourceOrHandlerNeedsNoTarget) {
  ActionsFixture f;
  auto* next = static_cast<TDataSetNext*>(f.actions["next"]);
  next->SetDataSource(&f.citySource);
  f.Idle();
  ASSERT_TRUE(f.Click("next"));
  EXPECT_EQ(f.cities.RecNo(), 2) << "its own source, whatever the focus";
  EXPECT_EQ(f.Field("ID")->AsInteger(), 1);

  int executed = 0;
  f.actions["last"]->OnExecute = [&executed](TObject*) { ++executed; };
  ASSERT_TRUE(f.Click("last"));
  EXPECT_EQ(executed, 1);
  EXPECT_EQ(f.Field("ID")->AsInteger(), 1) << "the handler replaced the target";
}

}  // namespace
}  // namespace ordvane
