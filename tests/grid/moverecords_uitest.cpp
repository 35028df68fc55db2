// Moving records through the base features class over the in-memory dataset A..F: the
// block keeps its order at its new place, selections follow, and a failing post loses
// no record.

#include <gtest/gtest.h>

#include "grid/DbUtilsEh.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::NewForm;
using test::TDataGrid;
using test::TMemDataSet;
using test::UiDriver;

template <class DataSet = TMemDataSet>
struct MoveRecordsFixture {
  UiDriver ui;
  std::unique_ptr<TForm> form{NewForm(Rect(50, 50, 750, 650))};
  DataSet data{nullptr};
  TDataSource source{nullptr};
  TDataGrid* grid = nullptr;
  TDatasetFeaturesEh features;

  MoveRecordsFixture() {
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 10);
    data.Open();
    const char* names[] = {"A", "B", "C", "D", "E", "F"};
    for (int i = 0; i < 6; ++i) data.AppendRecord({Variant(i + 1), Variant(names[i])});
    source.SetDataSet(&data);
    grid = test::PlaceDataGrid(*form, source);
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    ui.Process();
  }

  TBookmarkStr BookmarkOf(const AnsiString& name) {
    for (data.First(); !data.Eof(); data.Next())
      if (data.FieldByName("NAME")->AsString() == name) return data.Bookmark();
    throw Exception("no record " + name);
  }
  std::vector<TBookmarkStr> Bookmarks(std::initializer_list<const char*> names) {
    std::vector<TBookmarkStr> bookmarks;
    for (const char* name : names) bookmarks.push_back(BookmarkOf(name));
    return bookmarks;
  }
  AnsiString Order() {
    AnsiString order;
    for (data.First(); !data.Eof(); data.Next()) order += data.FieldByName("NAME")->AsString();
    return order;
  }
  // The names of the selected rows, in dataset order.
  AnsiString Selected() {
    AnsiString names;
    for (data.First(); !data.Eof(); data.Next())
      if (grid->SelectedRows().GetCurrentRowSelected()) names += data.FieldByName("NAME")->AsString();
    return names;
  }
  bool Move(std::initializer_list<const char*> names, int toRecNo, bool checkOnly = false) {
    return features.MoveRecords(*grid, Bookmarks(names), toRecNo, checkOnly);
  }
};

TEST(MoveRecords, TheBlockKeepsItsOrderAtItsNewPlace) {
  {
    MoveRecordsFixture f;
    EXPECT_TRUE(f.Move({"B", "C"}, 5));
    EXPECT_EQ(f.Order(), "ADEBCF");
  }
  {
    MoveRecordsFixture f;
    EXPECT_TRUE(f.Move({"B", "C"}, 1));
    EXPECT_EQ(f.Order(), "BCADEF");
  }
  {
    MoveRecordsFixture f;  // append mode: the dataset holds no more records than the target
    EXPECT_TRUE(f.Move({"B", "C"}, 6));
    EXPECT_EQ(f.Order(), "ADEFBC");
  }
  {
    MoveRecordsFixture f;
    EXPECT_TRUE(f.Move({"E", "B"}, 1));
    EXPECT_EQ(f.Order(), "EBACDF");
    EXPECT_FALSE(f.data.ControlsDisabled());
  }
}

TEST(MoveRecords, CheckOnlyAndUnsequencedDatasetsMoveNothing) {
  MoveRecordsFixture f;
  EXPECT_TRUE(f.Move({"B", "C"}, 5, true));
  EXPECT_EQ(f.Order(), "ABCDEF");
  MoveRecordsFixture<test::TUnnumberedDataSet> unnumbered;
  EXPECT_FALSE(unnumbered.Move({"B", "C"}, 5));
  EXPECT_FALSE(unnumbered.Move({"B", "C"}, 5, true));
  EXPECT_EQ(unnumbered.Order(), "ABCDEF");
}

TEST(MoveRecords, SelectedRowsStaySelected) {
  MoveRecordsFixture f;
  for (const char* name : {"B", "D"}) {
    f.data.GotoBookmark(f.BookmarkOf(name));
    f.grid->SelectedRows().SetCurrentRowSelected(true);
  }
  EXPECT_TRUE(f.Move({"B", "C", "D"}, 6));
  EXPECT_EQ(f.Order(), "AEFBCD");
  EXPECT_EQ(f.Selected(), "BD");
  EXPECT_EQ(f.grid->SelectedRows().GetCount(), 2);
}

TEST(MoveRecords, AFailingPostLosesNoRecord) {
  {
    MoveRecordsFixture f;
    int posts = 0;
    f.data.BeforePost = [&](TDataSet*) {
      if (++posts == 2) throw Exception("refused once");
    };
    try {
      f.Move({"B", "C"}, 5);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "refused once");
    }
    EXPECT_EQ(f.data.State(), dsBrowse);
    EXPECT_EQ(f.Order(), "ADEBFC");
    EXPECT_FALSE(f.data.ControlsDisabled());
  }
  {
    MoveRecordsFixture f;
    f.data.BeforePost = [](TDataSet* dataSet) {
      if (dataSet->FieldByName("NAME")->AsString() == "C") throw Exception("C refused");
    };
    try {
      f.Move({"B", "C", "D"}, 1);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "C refused\nRecord not written: (3, C)");
    }
    EXPECT_EQ(f.data.State(), dsBrowse);
    EXPECT_EQ(f.Order(), "BAEFD");
  }
}

}  // namespace
}  // namespace ordvane
