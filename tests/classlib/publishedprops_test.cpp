#include <gtest/gtest.h>

#include "classlib/core/Components.h"
#include "classlib/core/PublishedProps.h"
#include "classlib/core/StringLists.h"

namespace ordvane {
namespace {

class TIndexedTable : public TComponent {
  ORDVANE_CLASS(TIndexedTable, TComponent)

 public:
  TIndexedTable() : TComponent(nullptr) {}
  AnsiString indexFieldNames;
  AnsiString version = "1";
  TStringList fields;
  TObject* master = nullptr;
};

class TSortedTable : public TIndexedTable {
  ORDVANE_CLASS(TSortedTable, TIndexedTable)
};

// Only a lack of memory can fail the registration, which nothing before main could handle
// either.
// NOLINTNEXTLINE(cert-err58-cpp)
const bool tableClassesRegistered = [] {
  RegisterStringProperty<TIndexedTable>(
      "IndexFieldNames", [](const TIndexedTable& t) { return t.indexFieldNames; },
      [](TIndexedTable& t, const AnsiString& v) { t.indexFieldNames = v; });
  RegisterStringProperty<TIndexedTable>("Version", [](const TIndexedTable& t) { return t.version; });
  RegisterStringsProperty<TIndexedTable>("Fields",
                                         [](const TIndexedTable& t) { return const_cast<TStringList*>(&t.fields); });
  RegisterObjectProperty<TIndexedTable>("MasterSource", [](const TIndexedTable& t) { return t.master; });
  return true;
}();

TEST(PublishedProperties, ReadAndWrittenByNameOnTheClassAndItsDescendants) {
  TSortedTable table;
  SetStrProp(&table, "indexfieldnames", "ID;NAME");
  EXPECT_EQ(table.indexFieldNames, "ID;NAME");
  EXPECT_EQ(GetStrProp(&table, "IndexFieldNames"), "ID;NAME");
  EXPECT_TRUE(IsPublishedProp(&table, "Fields"));
  EXPECT_EQ(GetStringsProp(&table, "FIELDS"), &table.fields);
}

TEST(PublishedProperties, MissingOrReadOnlyPropertiesAreLeftAlone) {
  TIndexedTable table;
  TComponent other(nullptr);
  EXPECT_FALSE(IsPublishedProp(&other, "IndexFieldNames"));
  EXPECT_EQ(GetStrProp(&other, "IndexFieldNames"), "");
  SetStrProp(&other, "IndexFieldNames", "ID");
  EXPECT_EQ(GetStrProp(nullptr, "IndexFieldNames"), "");
  SetStrProp(nullptr, "IndexFieldNames", "ID");

  SetStrProp(&table, "Version", "2");
  EXPECT_EQ(table.version, "1");
  EXPECT_EQ(GetStringsProp(&table, "Version"), nullptr);  // a text, not a list
  EXPECT_EQ(GetStrProp(&table, "Fields"), "");
  EXPECT_EQ(GetStringsProp(&other, "Fields"), nullptr);
}

TEST(PublishedProperties, ObjectPropertiesGiveTheirObjectAndNothingForOtherKinds) {
  TSortedTable table;
  TComponent source(nullptr);
  EXPECT_EQ(GetObjectProp(&table, "MasterSource"), nullptr);  // registered, holds nothing yet
  table.master = &source;
  EXPECT_TRUE(IsPublishedProp(&table, "mastersource"));
  EXPECT_EQ(GetObjectProp(&table, "mastersource"), &source);
  EXPECT_EQ(GetStrProp(&table, "MasterSource"), "");
  EXPECT_EQ(GetObjectProp(&table, "IndexFieldNames"), nullptr);
  EXPECT_EQ(GetObjectProp(&source, "MasterSource"), nullptr);
  EXPECT_EQ(GetObjectProp(nullptr, "MasterSource"), nullptr);
}

}  // namespace
}  // namespace ordvane
