// The data-aware edit's factories: a descendant supplies its own data link, main button,
// button collection and image, and the edit works through them.

#include <gtest/gtest.h>

#include "gridbase/DBCtrlsEh.h"
#include "tests/support/MemDataSet.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

class TNoteDataLinkEh : public TFieldDataLinkEh {};

class TNoteEditButtonEh : public TEditButtonEh {
 public:
  using TEditButtonEh::TEditButtonEh;
};

class TNoteEditButtonsEh : public TEditButtonsEh {
 public:
  using TEditButtonsEh::TEditButtonsEh;
};

class TNoteEditImageEh : public TEditImageEh {
 public:
  using TEditImageEh::TEditImageEh;
};

class TNoteEdit : public TCustomDBEditEh {
 public:
  using TCustomDBEditEh::TCustomDBEditEh;

 protected:
  TFieldDataLinkEh* CreateDataLink() override { return new TNoteDataLinkEh(); }
  TEditButtonEh* CreateEditButton() override {
    return new TNoteEditButtonEh(static_cast<TWinControl*>(this));
  }
  TEditButtonsEh* CreateEditButtons() override { return new TNoteEditButtonsEh(this); }
  TEditImageEh* CreateEditImage() override { return new TNoteEditImageEh(this); }
};

TEST(DBEditFactories, ADescendantSuppliesItsLinkButtonsAndImage) {
  test::TMemDataSet data(nullptr);
  data.FieldDefs().Add("S", ftString, 20);
  data.Open();
  data.AppendRecord({Variant("one")});
  TDataSource source(nullptr);
  source.SetDataSet(&data);
  test::TextControlFixture f;
  auto* edit = f.Place<TNoteEdit>(Rect(10, 10, 200, 31));

  EXPECT_NE(dynamic_cast<TNoteDataLinkEh*>(edit->DataLink()), nullptr);
  EXPECT_NE(dynamic_cast<TNoteEditButtonEh*>(edit->EditButton()), nullptr);
  EXPECT_NE(dynamic_cast<TNoteEditButtonsEh*>(edit->EditButtons()), nullptr);
  EXPECT_NE(dynamic_cast<TNoteEditImageEh*>(edit->EditImage()), nullptr);

  // The edit's own handlers are on the descendant's parts.
  edit->SetDataSource(&source);
  edit->SetDataField("S");
  f.ui.Process();
  EXPECT_EQ(edit->Text(), "one");
  edit->EditButton()->SetVisible(true);
  edit->EditButtons()->Add()->SetVisible(true);
  f.ui.Process();
  ASSERT_NE(edit->ButtonControl(1), nullptr);
  EXPECT_TRUE(edit->ButtonControl(0)->Visible());
  EXPECT_TRUE(edit->ButtonControl(1)->Visible());
}

}  // namespace
}  // namespace ordvane
