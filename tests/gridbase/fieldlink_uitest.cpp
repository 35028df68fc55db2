// The field data link of the data-aware controls over the in-memory dataset: standalone
// mode and its value, binding one or several fields, editing and writing through the
// link, the notifications a control hears, focus, and the right-to-left window.

#include <gtest/gtest.h>

#include "classlib/db/DB.h"
#include "classlib/ui/DBCtrls.h"
#include "gridbase/DBCtrlsEh.h"
#include "tests/support/MemDataSet.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

using test::TMemDataSet;

// A control that lays out its window as the data-aware edits do: right-aligned when its
// field is shown right to left.
class TLinkedControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  TFieldDataLinkEh link;
  int windows = 0;

 protected:
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    if (DBUseRightToLeftAlignment(this, link.Field())) params.ExStyle |= WS_EX_RIGHT;
  }
  void CreateWnd() override {
    TCustomControl::CreateWnd();
    ++windows;
  }
};

struct LinkFixture : test::TextControlFixture {
  std::vector<std::string> heard;  // outlives the data source, whose end the link hears
  TMemDataSet data{nullptr};
  TDataSource source{nullptr};
  TLinkedControl* control = Place<TLinkedControl>(Rect(10, 10, 200, 31));
  TFieldDataLinkEh& link = control->link;

  LinkFixture() {
    data.FieldDefs().Add("A", ftInteger);
    data.FieldDefs().Add("B", ftString, 20);
    data.FieldDefs().Add("M", ftMemo);
    data.Open();
    data.AppendRecord({Variant(1), Variant("one"), Variant("memo")});
    source.SetDataSet(&data);
    control->SetName("AEdit");
    link.SetControl(control);
    link.OnDataChange = [this](TObject*) { heard.push_back("data"); };
    link.OnEditingChange = [this](TObject*) { heard.push_back(link.Editing() ? "editing" : "browsing"); };
    link.OnUpdateData = [this](TObject*) { heard.push_back("update"); };
    link.OnActiveChange = [this](TObject*) { heard.push_back("active"); };
  }
  void Bind(const AnsiString& names) {
    link.SetDataSource(&source);
    link.SetFieldName(names);
    heard.clear();
  }
  std::vector<std::string> Heard() { return std::exchange(heard, {}); }
};

using Log = std::vector<std::string>;

TEST(FieldDataLink, StandaloneKeepsItsOwnValueAndEditingState) {
  LinkFixture f;
  EXPECT_TRUE(f.link.Standalone() && f.link.Active() && f.link.CanModify());
  EXPECT_TRUE(VarIsNull(f.link.Value()));

  EXPECT_TRUE(f.link.Edit());
  EXPECT_TRUE(f.link.Edit());
  EXPECT_EQ(f.Heard(), (Log{"editing"}));
  f.link.SetText("typed");
  EXPECT_EQ(f.link.Value(), Variant("typed"));
  EXPECT_EQ(f.Heard(), (Log{"data"}));

  f.link.UpdateRecord();
  EXPECT_EQ(f.Heard(), Log{}) << "nothing was modified";
  f.link.Edit();
  f.link.SetModified();
  f.link.UpdateRecord();
  EXPECT_EQ(f.Heard(), (Log{"editing", "update"}));
  EXPECT_FALSE(f.link.Editing() || f.link.Modified());

  f.link.SetReadOnly(true);
  EXPECT_FALSE(f.link.Edit());
  EXPECT_EQ(f.Heard(), Log{});

  f.link.SetDataSource(&f.source);  // no field name: leaves standalone mode
  EXPECT_FALSE(f.link.Standalone() || f.link.Active() || f.link.CanModify());
  EXPECT_TRUE(VarIsNull(f.link.Value()));
  f.data.Edit();
  f.link.SetText("nowhere");
  f.link.SetValue(Variant(7));
  EXPECT_FALSE(f.data.Modified());
  f.data.Cancel();

  f.Heard();
  f.link.SetDataSource(nullptr);
  EXPECT_TRUE(f.link.Standalone());
  EXPECT_EQ(f.Heard(), (Log{"data", "active", "data", "data"}))
      << "unbound, rebound, then reloaded on entering standalone mode";
}

TEST(FieldDataLink, BindsNamedFieldsAndNamesTheControlForAMissingOne) {
  LinkFixture f;
  f.Bind("b");
  EXPECT_EQ(f.link.Field(), f.data.FieldByName("B"));
  EXPECT_EQ(f.link.Fields(1), nullptr);
  EXPECT_EQ(f.link.Fields(-1), nullptr);

  try {
    f.link.SetFieldName("NOPE");
    ADD_FAILURE() << "bound a missing field";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "AEdit: Field 'NOPE' not found");
  }
  EXPECT_FALSE(f.link.Field() != nullptr || f.link.Active());

  f.link.SetFieldName("A");
  f.link.SetMultiFields(true);
  f.link.SetFieldName("A; B");
  EXPECT_EQ(f.link.FieldsCount(), 2);
  EXPECT_EQ(f.link.Fields(1), f.data.FieldByName("B"));

  f.data.DisableControls();
  EXPECT_EQ(f.link.FieldsCount(), 0);
  f.data.EnableControls();
  EXPECT_EQ(f.link.FieldsCount(), 2);

  f.Heard();
  f.data.Close();
  EXPECT_FALSE(f.link.FieldsCount() != 0 || f.link.CanModify());
  EXPECT_EQ(f.Heard(), (Log{"data", "active"}));
}

TEST(FieldDataLink, WritesMemosAsStringsOtherFieldsAsTextAndArraysElementwise) {
  LinkFixture f;
  Log setText;
  for (const char* name : {"B", "M"})
    f.data.FieldByName(name)->OnSetText = [&setText](TField* field, const AnsiString& text) {
      setText.push_back(field->FieldName());
      field->SetAsString(text + "!");
    };
  f.Bind("B");
  ASSERT_TRUE(f.link.Edit());
  f.link.SetText("typed");
  EXPECT_EQ(f.data.FieldByName("B")->AsString(), "typed!");
  f.link.SetFieldName("M");
  f.link.SetText("long text");
  EXPECT_EQ(f.data.FieldByName("M")->AsString(), "long text");
  EXPECT_EQ(setText, (Log{"B"}));

  f.link.SetMultiFields(true);
  f.link.SetFieldName("A;B");
  Variant fromOne = VarArrayCreate({1, 2}, varVariant);
  VarArrayPut(fromOne, 5, {1});
  VarArrayPut(fromOne, "five", {2});
  f.link.SetValue(fromOne);
  EXPECT_TRUE(VarEqualsEh(f.data.FieldValues("A;B"), VarArrayOf({5, "five"})));
  f.link.SetValue(Variant(9));
  EXPECT_TRUE(VarEqualsEh(f.data.FieldValues("A;B"), VarArrayOf({9, "9"})));
  EXPECT_THROW(f.link.SetValue(VarArrayOf({1})), EVariantBadIndexError);
  EXPECT_TRUE(VarEqualsEh(f.data.FieldValues("A;B"), VarArrayOf({9, "9"}))) << "a short array writes nothing";
}

TEST(FieldDataLink, EditingFollowsTheDatasetAndWhatTheFieldAllows) {
  LinkFixture f;
  f.Bind("A");
  f.link.OnDataChange = nullptr;
  EXPECT_TRUE(f.link.Edit());
  EXPECT_EQ(f.data.State(), dsEdit);
  EXPECT_EQ(f.Heard(), (Log{"editing"}));
  f.link.SetModified();
  f.data.Post();  // asks the control for its edit, then leaves edit state
  EXPECT_EQ(f.Heard(), (Log{"update", "browsing"}));
  f.data.Edit();
  f.data.Post();  // unmodified: no update asked for
  EXPECT_EQ(f.Heard(), (Log{"editing", "browsing"}));

  f.data.FieldByName("A")->SetReadOnly(true);
  EXPECT_FALSE(f.link.Edit());
  EXPECT_EQ(f.data.State(), dsBrowse);
  f.data.Edit();
  EXPECT_FALSE(f.link.Editing()) << "the dataset edits, the field cannot";
  f.data.Cancel();
  f.data.FieldByName("A")->SetReadOnly(false);

  f.data.SetReadOnly(true);
  EXPECT_FALSE(f.link.CanModify() || f.link.Edit());
  EXPECT_EQ(f.data.State(), dsBrowse);
  EXPECT_EQ(f.Heard(), Log{});
}

TEST(FieldDataLink, HearsOnlyItsOwnFieldsAndFocusesItsControl) {
  LinkFixture f;
  f.Bind("A");
  f.data.Edit();
  f.Heard();
  f.data.FieldByName("B")->SetAsString("other");
  EXPECT_EQ(f.Heard(), Log{});
  f.link.SetModified();
  f.data.FieldByName("A")->SetAsInteger(2);
  EXPECT_EQ(f.Heard(), (Log{"data"}));
  EXPECT_FALSE(f.link.Modified()) << "reloaded from the field";

  EXPECT_FALSE(f.control->Focused());
  f.data.FieldByName("B")->FocusControl();
  f.data.FieldByName("A")->FocusControl();
  EXPECT_TRUE(f.control->Focused());
}

TEST(FieldDataLink, RemakesTheWindowWhenTheFieldsLayoutNoLongerSuitsIt) {
  LinkFixture f;
  f.control->SetBiDiMode(bdRightToLeft);
  f.control->HandleNeeded();
  const int made = f.control->windows;
  f.Bind("B");  // text is mirrored: the left-aligned window is remade right-aligned
  EXPECT_EQ(f.control->windows, made + 1);
  EXPECT_NE(GetWindowLong(f.control->Handle(), GWL_EXSTYLE) & WS_EX_RIGHT, 0);
  f.link.SetFieldName("A");  // numbers keep their layout
  EXPECT_EQ(f.control->windows, made + 2);
  EXPECT_EQ(GetWindowLong(f.control->Handle(), GWL_EXSTYLE) & WS_EX_RIGHT, 0);
}

}  // namespace
}  // namespace ordvane
