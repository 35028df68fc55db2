#include "classlib/core/Components.h"
#include "classlib/core/ObjectCast.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace ordvane {
namespace {

// A component that records its own destruction and every notification it receives. Like
// any class that wants its owned components gone before its own members, it frees them
// in its destructor.
class TLifeProbe : public TComponent {
  ORDVANE_CLASS(TLifeProbe, TComponent)

 public:
  TLifeProbe(TComponent* owner, std::vector<std::string>* log, std::string label)
      : TComponent(owner), fLog(log), fLabel(std::move(label)) {}
  ~TLifeProbe() override {
    Destroying();
    DestroyComponents();
    fLog->push_back("~" + fLabel + (ComponentState().Contains(csDestroying) ? "" : " (not destroying)"));
  }

  // A reference to a component this one does not own, cleared when that one goes.
  void SetTarget(TComponent* target) {
    if (fTarget != nullptr) fTarget->RemoveFreeNotification(this);
    fTarget = target;
    if (fTarget != nullptr) fTarget->FreeNotification(this);
  }
  TComponent* Target() const { return fTarget; }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    fLog->push_back(fLabel + (operation == opRemove ? " -" : " +") + component->Name());
    if (operation == opRemove && component == fTarget) fTarget = nullptr;
  }
  void Loaded() override {
    fLog->push_back(fLabel + (ComponentState().Contains(csReading) ? " loaded while reading" : " loaded"));
    TComponent::Loaded();
  }

 private:
  std::vector<std::string>* fLog;
  std::string fLabel;
  TComponent* fTarget = nullptr;
};

class TSpecialProbe : public TLifeProbe {
  ORDVANE_CLASS(TSpecialProbe, TLifeProbe)

 public:
  using TLifeProbe::TLifeProbe;
};

std::vector<std::string> Filter(const std::vector<std::string>& log, char first) {
  std::vector<std::string> out;
  for (const auto& line : log)
    if (line[0] == first) out.push_back(line);
  return out;
}

TEST(ObjectModel, ClassesNameThemselvesAndServeAsKeys) {
  std::vector<std::string> log;
  TSpecialProbe probe(nullptr, &log, "p");
  EXPECT_EQ(probe.ClassName(), "TSpecialProbe");
  EXPECT_EQ(probe.ClassParent(), TLifeProbe::StaticClass());
  EXPECT_EQ(TLifeProbe::StaticClass()->ClassParent()->ClassName(), "TComponent");
  EXPECT_EQ(TObject::StaticClass()->ClassParent(), nullptr);
  EXPECT_TRUE(probe.InheritsFrom(TComponent::StaticClass()));
  EXPECT_TRUE(probe.InheritsFrom(TObject::StaticClass()));
  EXPECT_FALSE(TComponent(nullptr).InheritsFrom(TLifeProbe::StaticClass()));
  EXPECT_FALSE(probe.InheritsFrom(nullptr));

  // A registry keyed by class finds the entry of the nearest registered ancestor.
  std::map<TClass, std::string> registry{{TComponent::StaticClass(), "component"},
                                         {TLifeProbe::StaticClass(), "probe"}};
  const auto lookup = [&](TClass c) {
    for (; c != nullptr; c = c->ClassParent())
      if (auto it = registry.find(c); it != registry.end()) return it->second;
    return std::string("none");
  };
  EXPECT_EQ(lookup(probe.ClassType()), "probe");
  EXPECT_EQ(lookup(TComponent::StaticClass()), "component");
  EXPECT_EQ(lookup(TPersistent::StaticClass()), "none");
}

// Classes without the macro report their nearest ancestor that has it.
class TUnnamedProbe : public TLifeProbe {
 public:
  using TLifeProbe::TLifeProbe;
};
class TUnnamedSpecialProbe : public TSpecialProbe {
 public:
  using TSpecialProbe::TSpecialProbe;
};

// The class-reference walk answers what dynamic_cast answers, classes without the macro
// included, and hands back the same address.
TEST(ObjectModel, ObjectAsAgreesWithDynamicCast) {
  std::vector<std::string> log;
  TComponent plain(nullptr);
  TLifeProbe probe(nullptr, &log, "p");
  TSpecialProbe special(nullptr, &log, "s");
  TUnnamedProbe unnamed(nullptr, &log, "u");
  TUnnamedSpecialProbe unnamedSpecial(nullptr, &log, "us");
  const std::vector<TObject*> objects{&plain, &probe, &special, &unnamed, &unnamedSpecial, nullptr};
  for (TObject* object : objects) {
    EXPECT_EQ(ObjectAs<TLifeProbe>(object), dynamic_cast<TLifeProbe*>(object));
    EXPECT_EQ(ObjectAs<TSpecialProbe>(object), dynamic_cast<TSpecialProbe*>(object));
    EXPECT_EQ(ObjectAs<TComponent>(object), dynamic_cast<TComponent*>(object));
    EXPECT_EQ(ObjectAs<TPersistent>(static_cast<const TObject*>(object)), dynamic_cast<const TPersistent*>(object));
  }
  EXPECT_EQ(ObjectAs<TSpecialProbe>(static_cast<TObject*>(&unnamedSpecial)), &unnamedSpecial);
  EXPECT_EQ(ObjectAs<TSpecialProbe>(static_cast<TObject*>(&unnamed)), nullptr);
}

class TPoint2 : public TPersistent {
  ORDVANE_CLASS(TPoint2, TPersistent)

 public:
  int x = 0, y = 0;
};

// Knows how to put itself into a TPoint2, but cannot take anything in.
class TPair : public TPersistent {
  ORDVANE_CLASS(TPair, TPersistent)

 public:
  int a = 1, b = 2;

 protected:
  void AssignTo(TPersistent* dest) const override {
    if (auto* point = dynamic_cast<TPoint2*>(dest)) {
      point->x = a;
      point->y = b;
      return;
    }
    TPersistent::AssignTo(dest);
  }
};

TEST(ObjectModel, AssignAsksTheSourceAndOtherwiseRefuses) {
  TPoint2 point;
  TPair pair;
  point.Assign(&pair);
  EXPECT_EQ(point.x, 1);
  EXPECT_EQ(point.y, 2);
  const auto message = [](auto action) {
    try {
      action();
    } catch (const EConvertError& e) {
      return e.Message();
    }
    return AnsiString("no error");
  };
  EXPECT_EQ(message([&] { pair.Assign(&point); }), "Cannot assign a TPoint2 to a TPair");
  EXPECT_EQ(message([&] { point.Assign(nullptr); }), "Cannot assign a nil to a TPoint2");
}

TEST(Ownership, OwnerFreesItsComponentsNewestFirst) {
  std::vector<std::string> log;
  auto owner = std::make_unique<TLifeProbe>(nullptr, &log, "owner");
  for (const char* label : {"a", "b", "c", "d"}) new TLifeProbe(owner.get(), &log, label);
  auto* b = static_cast<TLifeProbe*>(owner->Components(1));
  new TLifeProbe(b, &log, "b1");
  new TLifeProbe(b, &log, "b2");
  EXPECT_EQ(owner->ComponentCount(), 4);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(owner->ComponentIndex(), -1);

  // Deleting an owned component takes it out of its owner.
  delete owner->Components(2);
  EXPECT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_THROW(owner->Components(3), EListError);

  log.clear();
  owner.reset();
  EXPECT_EQ(Filter(log, '~'), (std::vector<std::string>{"~d", "~b2", "~b1", "~b", "~a", "~owner"}));

  // A plain owner does the same in its own destructor.
  log.clear();
  auto plain = std::make_unique<TComponent>(nullptr);
  for (const char* label : {"x", "y", "z"}) new TLifeProbe(plain.get(), &log, label);
  plain.reset();
  EXPECT_EQ(Filter(log, '~'), (std::vector<std::string>{"~z", "~y", "~x"}));
}

TEST(Ownership, FreeNotificationLeavesNoDanglingPointer) {
  std::vector<std::string> log;
  for (bool targetDiesFirst : {true, false}) {
    auto link = std::make_unique<TLifeProbe>(nullptr, &log, "link");
    auto target = std::make_unique<TLifeProbe>(nullptr, &log, "target");
    link->SetTarget(target.get());
    if (targetDiesFirst) {
      target.reset();
      EXPECT_EQ(link->Target(), nullptr);
    } else {
      // The target must not notify the link that is gone (ASan reports a use after free).
      link.reset();
      target.reset();
    }
  }
  // Siblings of one owner, in both orders of creation.
  for (bool targetFirst : {true, false}) {
    TComponent owner(nullptr);
    TLifeProbe* target = nullptr;
    if (targetFirst) target = new TLifeProbe(&owner, &log, "target");
    auto* link = new TLifeProbe(&owner, &log, "link");
    if (!targetFirst) target = new TLifeProbe(&owner, &log, "target");
    link->SetTarget(target);
    delete target;
    EXPECT_EQ(link->Target(), nullptr);
    link->SetTarget(new TLifeProbe(&owner, &log, "second"));
  }
  // Across owners: the owner of the target goes first, then the other way round.
  for (bool targetOwnerFirst : {true, false}) {
    auto ownerA = std::make_unique<TComponent>(nullptr);
    auto ownerB = std::make_unique<TComponent>(nullptr);
    auto* link = new TLifeProbe(ownerA.get(), &log, "link");
    link->SetTarget(new TLifeProbe(ownerB.get(), &log, "target"));
    if (targetOwnerFirst) {
      ownerB.reset();
      EXPECT_EQ(link->Target(), nullptr);
    } else {
      ownerA.reset();
      ownerB.reset();
    }
  }
}

TEST(Ownership, RemovedFreeNotificationIsNotSent) {
  std::vector<std::string> log;
  TLifeProbe link(nullptr, &log, "link");
  auto target = std::make_unique<TLifeProbe>(nullptr, &log, "target");
  target->SetName("Target");
  link.SetTarget(target.get());
  link.SetTarget(nullptr);
  target.reset();
  EXPECT_EQ(Filter(log, 'l'), std::vector<std::string>{});
}

TEST(Ownership, OwnerTellsItsComponentsWhoComesAndGoes) {
  std::vector<std::string> log;
  TLifeProbe owner(nullptr, &log, "owner");
  auto* a = new TLifeProbe(&owner, &log, "a");
  new TLifeProbe(a, &log, "a1");
  auto* b = new TLifeProbe(&owner, &log, "b");
  b->SetName("B");
  log.clear();
  delete b;
  // The owner, its other component and that one's own component hear of it.
  EXPECT_EQ(Filter(log, 'o'), std::vector<std::string>{"owner -B"});
  EXPECT_EQ(Filter(log, 'a'), (std::vector<std::string>{"a1 -B", "a -B"}));

  log.clear();
  TComponent other(nullptr);
  auto* c = new TLifeProbe(&other, &log, "c");
  c->SetName("C");
  owner.InsertComponent(c);
  EXPECT_EQ(c->Owner(), &owner);
  EXPECT_EQ(other.ComponentCount(), 0);
  EXPECT_EQ(owner.ComponentCount(), 2);
  EXPECT_EQ(Filter(log, 'o'), std::vector<std::string>{"owner +C"});

  owner.RemoveComponent(c);
  EXPECT_EQ(c->Owner(), nullptr);
  // Removing a component one does not own changes nothing.
  other.RemoveComponent(a);
  EXPECT_EQ(a->Owner(), &owner);
  delete c;
}

TEST(Ownership, ComponentsCannotOwnTheirOwners) {
  TComponent root(nullptr);
  auto* child = new TComponent(&root);
  auto* grandchild = new TComponent(child);
  EXPECT_THROW(grandchild->InsertComponent(&root), EAssertionFailed);
  EXPECT_THROW(child->InsertComponent(child), EAssertionFailed);
  // The root frees what it owns; the analyzer does not follow ownership through the owner's list.
  // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks)
  EXPECT_EQ(grandchild->Owner(), child);
  EXPECT_EQ(root.Owner(), nullptr);
}

TEST(Names, UniqueIdentifiersFoundWithoutRegardToCase) {
  TComponent owner(nullptr);
  auto* query = new TComponent(&owner);
  query->SetName("SelectQuery");
  new TComponent(&owner);  // unnamed components do not clash
  new TComponent(&owner);
  EXPECT_EQ(owner.FindComponent("selectquery"), query);
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  EXPECT_EQ(owner.FindComponent("Other"), nullptr);

  auto* second = new TComponent(&owner);
  try {
    second->SetName("SELECTQUERY");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named SELECTQUERY already exists");
  }
  EXPECT_EQ(second->Name(), "");
  query->SetName("SELECTQUERY");  // only the case changes
  EXPECT_EQ(query->Name(), "SELECTQUERY");

  for (const char* bad : {"1st", "two words", "ім'я", "a-b"}) {
    try {
      second->SetName(bad);
      FAIL() << bad;
    } catch (const EComponentError& e) {
      EXPECT_EQ(e.Message(), std::string("''") + bad + "'' is not a valid component name");
    }
  }
  second->SetName("_Query2");
  EXPECT_EQ(owner.FindComponent("_query2"), second);

  // A component whose name clashes stays with its old owner.
  TComponent other(nullptr);
  auto* clash = new TComponent(&other);
  clash->SetName("SelectQuery");
  EXPECT_THROW(owner.InsertComponent(clash), EComponentError);
  EXPECT_EQ(clash->Owner(), &other);
}

TEST(State, DestroyingDesigningAndLoading) {
  std::vector<std::string> log;
  {
    TLifeProbe owner(nullptr, &log, "owner");
    auto* child = new TLifeProbe(&owner, &log, "child");
    new TLifeProbe(child, &log, "grandchild");
    owner.SetDesigning(true);
    EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
    auto* late = new TLifeProbe(&owner, &log, "late");
    // The owner frees what it owns; the analyzer does not follow ownership through its list.
    // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks)
    EXPECT_TRUE(late->ComponentState().Contains(csDesigning));
    owner.SetDesigning(false, false);
    EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
    EXPECT_FALSE(owner.ComponentState().Contains(csDesigning));

    log.clear();
    child->BeginLoading();
    EXPECT_EQ(child->ComponentState(), (TComponentState{csLoading, csReading, csDesigning}));
    child->EndLoading();
    EXPECT_EQ(child->ComponentState(), TComponentState{csDesigning});
    EXPECT_EQ(Filter(log, 'c'), std::vector<std::string>{"child loaded"});
    log.clear();
  }
  // Every owned component sees csDestroying while it dies.
  EXPECT_EQ(Filter(log, '~'), (std::vector<std::string>{"~late", "~grandchild", "~child", "~owner"}));
}

}  // namespace
}  // namespace ordvane
