#include "classlib/core/Filer.h"

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/Streams.h"
#include "classlib/core/StringLists.h"

namespace ordvane {
namespace {

enum TProbeKind { pkNone, pkFirst, pkSecond };
constexpr const char* kKinds[] = {"pkNone", "pkFirst", "pkSecond"};

class TProbe;

class TProbeItem : public TCollectionItem {
  ORDVANE_CLASS(TProbeItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  AnsiString caption;
  Integer width = 64;
  TProbe* link = nullptr;
};

class TProbeFont : public TPersistent {
  ORDVANE_CLASS(TProbeFont, TPersistent)
 public:
  Integer size = 8;
  AnsiString name = "Sans";
};

class TProbe : public TComponent {
  ORDVANE_CLASS(TProbe, TComponent)
 public:
  explicit TProbe(TComponent* owner)
      : TComponent(owner), items(this, TCollectionItemClass::Of<TProbeItem>()) {}
  Integer count = 0;
  double ratio = 1.0;
  bool active = true;
  AnsiString text;
  TProbeKind kind = pkNone;
  UInt64 flags = 1;
  TStringList lines;
  TProbeFont font;
  TCollection items;
  TProbe* link = nullptr;
  RawByteString blob;
  std::vector<Integer> extents;
  int loadedCalls = 0;

 protected:
  void Loaded() override {
    TComponent::Loaded();
    ++loadedCalls;
  }
};

// Only a lack of memory can fail the registration, which nothing before main could handle
// either.
// NOLINTNEXTLINE(cert-err58-cpp)
const bool probeClassesRegistered = [] {
  RegisterComponentClass<TProbe>();
  StoredProperties<TProbeItem>()
      .String(
          "Caption", [](const TProbeItem& i) { return i.caption; },
          [](TProbeItem& i, AnsiString v) { i.caption = v; }, "")
      .Integer(
          "Width", [](const TProbeItem& i) { return i.width; }, [](TProbeItem& i, Integer v) { i.width = v; },
          64)
      .Reference<TProbe>(
          "Link", [](const TProbeItem& i) { return i.link; }, [](TProbeItem& i, TProbe* v) { i.link = v; });
  StoredProperties<TProbeFont>()
      .Integer(
          "Size", [](const TProbeFont& f) { return f.size; }, [](TProbeFont& f, Integer v) { f.size = v; }, 8)
      .String(
          "Name", [](const TProbeFont& f) { return f.name; }, [](TProbeFont& f, AnsiString v) { f.name = v; },
          "Sans");
  StoredProperties<TProbe>()
      .Integer(
          "Count", [](const TProbe& p) { return p.count; }, [](TProbe& p, Integer v) { p.count = v; }, 0)
      .Float(
          "Ratio", [](const TProbe& p) { return p.ratio; }, [](TProbe& p, double v) { p.ratio = v; }, 1.0)
      .Boolean(
          "Active", [](const TProbe& p) { return p.active; }, [](TProbe& p, bool v) { p.active = v; }, true)
      .String(
          "Text", [](const TProbe& p) { return p.text; }, [](TProbe& p, AnsiString v) { p.text = v; }, "")
      .Enum(
          "Kind", [](const TProbe& p) { return p.kind; }, [](TProbe& p, TProbeKind v) { p.kind = v; }, kKinds,
          pkNone)
      .SetOf(
          "Flags", [](const TProbe& p) { return p.flags; }, [](TProbe& p, UInt64 v) { p.flags = v; }, kKinds,
          1)
      .Object("Lines", [](TProbe& p) { return &p.lines; })
      .Object("Font", [](TProbe& p) { return &p.font; })
      .Object("Items", [](TProbe& p) { return &p.items; })
      .Reference<TProbe>(
          "Link", [](const TProbe& p) { return p.link; }, [](TProbe& p, TProbe* v) { p.link = v; });
  RegisterDefineProperties(TProbe::StaticClass(), [](TFiler& filer, TPersistent& object) {
    auto& probe = static_cast<TProbe&>(object);
    filer.DefineProperty(
        "OldActive", [&probe](TReader& reader) { probe.active = reader.ReadBoolean(); }, nullptr, false);
    filer.DefineProperty(
        "Extents",
        [&probe](TReader& reader) {
          probe.extents.clear();
          reader.ReadListBegin();
          while (!reader.EndOfList()) probe.extents.push_back(static_cast<Integer>(reader.ReadInteger()));
          reader.ReadListEnd();
        },
        [&probe](TWriter& writer) {
          writer.WriteListBegin();
          for (Integer e : probe.extents) writer.WriteInteger(e);
          writer.WriteListEnd();
        },
        !probe.extents.empty());
    // The same items under a name of their own.
    filer.DefineProperty(
        "SameItems", [&probe](TReader& reader) { reader.ReadCollection(probe.items); }, nullptr, false);
    filer.DefineBinaryProperty(
        "Blob",
        [&probe](TStream& s) {
          probe.blob.resize(static_cast<std::size_t>(s.Size()));
          s.ReadBuffer(probe.blob.data(), s.Size());
        },
        [&probe](TStream& s) { s.WriteBuffer(probe.blob.data(), static_cast<Int64>(probe.blob.size())); },
        !probe.blob.empty());
  });
  return true;
}();

struct FilledForm {
  TProbe root{nullptr};
  TProbe* child;
  FilledForm() : child(new TProbe(&root)) {
    root.SetName("Form1");
    child->SetName("Child");
    child->count = -42;
    child->ratio = 0.1;
    root.ratio = -2.5e300;
    child->active = false;
    child->text =
        Utf8ToAnsi("Прізвище \"Ґудзь\"\\") + "\r\n\t" + std::string(1, '\x98') + std::string(1, '\x01');
    child->kind = pkSecond;
    child->flags = 6;
    child->lines.Add("select *");
    child->lines.Add(Utf8ToAnsi("from ОСОБИ"));
    child->font.size = 12;
    auto* item = static_cast<TProbeItem*>(child->items.Add());
    item->caption = "A";
    child->items.Add();
    child->link = &root;
    child->blob = std::string("\x00\xFF\x10", 3);
    child->extents = {10, -1, 30};
    root.link = child;
  }
};

TEST(Filer, RoundTripKeepsEveryKindOfValue) {
  FilledForm form;
  const AnsiString text = WriteComponentText(form.root);
  TProbe copy(nullptr);
  ReadComponentText(text, copy);
  ASSERT_EQ(copy.ComponentCount(), 1);
  auto* child = dynamic_cast<TProbe*>(copy.Components(0));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(copy.Name(), "Form1");
  EXPECT_EQ(child->Name(), "Child");
  EXPECT_EQ(child->count, -42);
  EXPECT_EQ(child->ratio, 0.1);
  EXPECT_EQ(copy.ratio, -2.5e300);
  EXPECT_FALSE(child->active);
  EXPECT_EQ(child->text, form.child->text);
  EXPECT_EQ(child->kind, pkSecond);
  EXPECT_EQ(child->flags, 6U);
  EXPECT_TRUE(child->lines.Equals(&form.child->lines));
  EXPECT_EQ(child->font.size, 12);
  ASSERT_EQ(child->items.Count(), 2);
  EXPECT_EQ(static_cast<TProbeItem*>(child->items.Items(0))->caption, "A");
  EXPECT_EQ(child->link, &copy);
  EXPECT_EQ(copy.link, child);
  EXPECT_EQ(child->blob, form.child->blob);
  EXPECT_EQ(child->extents, form.child->extents);
  EXPECT_EQ(copy.loadedCalls, 1);
  EXPECT_EQ(child->loadedCalls, 1);
  EXPECT_FALSE(child->ComponentState().Contains(csLoading));
  EXPECT_EQ(WriteComponentText(copy), text);
}

TEST(Filer, WritesOnlyWhatDiffersInItsOwnNotation) {
  TProbe probe(nullptr);
  probe.SetName("P");
  EXPECT_EQ(WriteComponentText(probe), "object P: TProbe\nend\n");
  probe.text = Utf8ToAnsi("Іван") + "\x01";
  probe.flags = 0;
  probe.lines.Add("a");
  probe.items.Add();
  EXPECT_EQ(WriteComponentText(probe),
            "object P: TProbe\n  Text = \"Іван\\x01\"\n  Flags = []\n  Lines.Strings = (\n    \"a\")\n"
            "  Items = <\n    item\n    end>\nend\n");
  TProbe ancestor(nullptr);
  ancestor.text = probe.text;
  ancestor.count = 5;
  EXPECT_EQ(WriteComponentText(probe, &ancestor),
            "object P: TProbe\n  Count = 0\n  Flags = []\n  Lines.Strings = (\n    \"a\")\n  Items = <\n    "
            "item\n    end>\nend\n");
}

TEST(Filer, TextIsCodePageIndependent) {
  FilledForm form;
  const AnsiString text = WriteComponentText(form.root);
  SetAnsiCodePage(CP_UTF8);
  TProbe copy(nullptr);
  try {
    ReadComponentText(text, copy);
  } catch (...) {
    SetAnsiCodePage(CP_WIN1251);
    throw;
  }
  SetAnsiCodePage(CP_WIN1251);
  auto* child = static_cast<TProbe*>(copy.Components(0));
  EXPECT_EQ(child->lines.Strings(1), "from ОСОБИ");
  EXPECT_THROW(ReadComponentText("object P: TProbe\n  Text = \"日本\"\nend\n", copy), EFormTextError);
}

TEST(Filer, RealNumbersReadBackExactly) {
  TProbe probe(nullptr);
  probe.SetName("P");
  probe.ratio = 3;
  EXPECT_EQ(WriteComponentText(probe), "object P: TProbe\n  Ratio = 3.0\nend\n");
  ReadComponentText("object P: TProbe\n  Ratio = 7\nend", probe);
  EXPECT_EQ(probe.ratio, 7.0);
  for (const char* bad : {"1.", "1.e5", "1e", "1e999", "--1", "1x"})
    EXPECT_THROW(ReadComponentText(AnsiString("object P: TProbe\n  Ratio = ") + bad + "\nend", probe),
                 EFormTextError)
        << bad;
}

TEST(Filer, OlderNamesAreReadButNeverWritten) {
  TProbe probe(nullptr);
  ReadComponentText("object P: TProbe\n  OldActive = False\nend", probe);
  EXPECT_FALSE(probe.active);
  EXPECT_EQ(WriteComponentText(probe), "object P: TProbe\n  Active = False\nend\n");
}

void ExpectRefused(const AnsiString& text, const AnsiString& message) {
  TProbe root(nullptr);
  try {
    ReadComponentText(text, root);
    ADD_FAILURE() << "read: " << text;
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), message);
  }
  EXPECT_EQ(root.ComponentCount(), 0) << text;
  EXPECT_FALSE(root.ComponentState().Contains(csLoading));
  EXPECT_EQ(root.loadedCalls, 0);
}

TEST(Filer, DamagedFormsAreRefusedWithWhatAndWhere) {
  ExpectRefused("object P: TProbe\n  object C: TProbe\n    Colour = 1\n  end\nend",
                "Line 3: property \"Colour\" of class TProbe (C): no such property");
  ExpectRefused("object P: TProbe\n  object C: TProbe\n    Font.Colour = 1\n  end\nend",
                "Line 3: property \"Font.Colour\" of class TProbe (C): no such property in class TProbeFont");
  ExpectRefused("object P: TProbe\n  object C: TProbe\n    Count = \"7\"\n  end\nend",
                "Line 3: property \"Count\" of class TProbe (C): expected an integer, found a string");
  ExpectRefused(
      "object P: TProbe\n  object C: TProbe\n    Count = 9999999999\n  end\nend",
      "Line 3: property \"Count\" of class TProbe (C): 9999999999 is outside -2147483648..2147483647");
  ExpectRefused("object P: TProbe\n  Kind = pkThird\nend",
                "Line 2: property \"Kind\" of class TProbe (P): \"pkThird\" is not one of its values");
  ExpectRefused("object P: TProbe\n  object C: TProbe\n    Link = Nobody\n  end\nend",
                "Line 3: property \"Link\" of class TProbe (C): component Nobody not found");
  ExpectRefused("object P: TProbe\n  object C: TWidget\n  end\nend", "Line 2: class TWidget not found");
  ExpectRefused("object P: TProbeItem\nend", "Line 1: the form holds a TProbeItem, not a TProbe");
  ExpectRefused("object P: TProbe\n  Extents = (1 \"x\")\nend",
                "Line 2: property \"Extents\" of class TProbe (P): expected an integer, found a string");
  ExpectRefused("object P: TProbe\n  Blob = {ABC}\nend", "Line 2: binary data holds an odd number of digits");
  ExpectRefused(
      "object P: TProbe\n  Items = <\n    item\n      Width = True\n    end>\nend",
      "Line 4: property \"Items.Width\" of class TProbeItem (P): expected an integer, found a name");
}

TEST(Filer, EveryCutOfAFormIsRefused) {
  FilledForm form;
  const AnsiString text = WriteComponentText(form.root);
  std::size_t cuts = 0;
  for (std::size_t end = text.find('\n'); end + 1 < text.size(); end = text.find('\n', end + 1)) {
    TProbe root(nullptr);
    EXPECT_THROW(ReadComponentText(text.substr(0, end + 1), root), EReadError) << end;
    EXPECT_EQ(root.ComponentCount(), 0);
    ++cuts;
  }
  EXPECT_GT(cuts, 20U);
}

// A descendant whose constructor turns an inherited setting off.
class TInactiveProbe : public TProbe {
  ORDVANE_CLASS(TInactiveProbe, TProbe)
 public:
  explicit TInactiveProbe(TComponent* owner) : TProbe(owner) { active = false; }
};

// NOLINTNEXTLINE(cert-err58-cpp)
const bool inactiveProbeRegistered = [] {
  RegisterComponentClass<TInactiveProbe>();
  RedefaultStoredProperty(TInactiveProbe::StaticClass(), "Active", TFormValue::Boolean(false));
  return true;
}();

// The setting the descendant's constructor changed is written when it is turned back on,
// in the ancestor's place, and comes back.
TEST(Filer, ADescendantsOwnDefaultKeepsThePropertysPlace) {
  TComponent root(nullptr);
  root.SetName("Root");
  auto* probe = new TInactiveProbe(&root);
  probe->SetName("Probe");
  probe->count = 2;
  probe->text = "t";
  EXPECT_EQ(WriteComponentText(root).find("Active"), AnsiString::npos);
  probe->active = true;
  const AnsiString text = WriteComponentText(root);
  EXPECT_NE(text.find("Count = 2\n    Active = True\n    Text = \"t\"\n"), AnsiString::npos) << text;
  TComponent copy(nullptr);
  ReadComponentText(text, copy);
  auto* back = dynamic_cast<TInactiveProbe*>(copy.FindComponent("Probe"));
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->active);
  EXPECT_THROW(RedefaultStoredProperty(TInactiveProbe::StaticClass(), "Missing", TFormValue::Boolean(false)),
               EWriteError);
}

class TUnregistered : public TComponent {
  ORDVANE_CLASS(TUnregistered, TComponent)
 public:
  using TComponent::TComponent;
};

TEST(Filer, WritingRefusesUnregisteredClasses) {
  TComponent root(nullptr);
  new TUnregistered(&root);
  EXPECT_THROW(WriteComponentText(root), EWriteError);
}

// Each of these would read a collection again while a reference in its first items waits
// to be bound.
TEST(Filer, APropertyOrComponentGivenTwiceIsRefused) {
  ExpectRefused("object P: TProbe\n  Items = <\n    item\n      Link = P\n    end>\n  Items = <>\nend",
                "Line 6: property \"Items\" of class TProbe (P): given twice in one object");
  ExpectRefused("object P: TProbe\n  Count = 1\n  count = 2\nend",
                "Line 3: property \"count\" of class TProbe (P): given twice in one object");
  ExpectRefused(
      "object P: TProbe\n  Items = <\n    item\n      Link = P\n      Link = nil\n    end>\nend",
      "Line 5: property \"Items.Link\" of class TProbeItem (P): given twice in one object");
  ExpectRefused(
      "object P: TProbe\n  object C: TProbe\n    Items = <\n      item\n        Link = P\n      end>\n  end\n"
      "  object C: TProbe\n    Items = <>\n  end\nend",
      "Line 8: component C is named twice in the form");
}

TEST(Filer, AReferenceGoesWithTheItemsItWasToBeBoundInto) {
  TProbe root(nullptr);
  ReadComponentText(
      "object P: TProbe\n  Items = <\n    item\n      Link = P\n    end>\n"
      "  SameItems = <\n    item\n      Caption = \"B\"\n    end>\nend",
      root);
  ASSERT_EQ(root.items.Count(), 1);
  const auto* item = static_cast<const TProbeItem*>(root.items.Items(0));
  EXPECT_EQ(item->caption, "B");
  EXPECT_EQ(item->link, nullptr);
}

}  // namespace
}  // namespace ordvane
