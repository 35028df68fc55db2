#pragma once
// The root of the class hierarchy and persistent objects.
//
// Class identity is the class library's, not the compiler's: every class names itself
// and its parent with ORDVANE_CLASS as the first line of its body, so ClassName gives
// "TComponent" rather than a mangled name, and a class reference (TClass) is one
// constant object per class, usable as a registry key:
//
//   class TDataSource : public TComponent {
//     ORDVANE_CLASS(TDataSource, TComponent)
//    public:
//     ...
//   };
//   TDataSource::StaticClass()          // the class reference
//   object->ClassType()                 // the class of an object
//   object->InheritsFrom(TDataSet::StaticClass())
//
// A class without the macro reports its nearest ancestor that has one.

#include <type_traits>

#include "classlib/core/System.h"

namespace ordvane {

class TMetaClass;
using TClass = const TMetaClass*;

// What a class reference knows: the class's name and its parent.
class TMetaClass {
 public:
  constexpr TMetaClass(const char* name, TClass parent) : fName(name), fParent(parent) {}
  TMetaClass(const TMetaClass&) = delete;
  TMetaClass& operator=(const TMetaClass&) = delete;

  AnsiString ClassName() const { return fName; }
  TClass ClassParent() const { return fParent; }
  // True for the class itself and for every descendant of ancestor.
  bool InheritsFrom(TClass ancestor) const;

 private:
  const char* fName;
  TClass fParent;
};

#define ORDVANE_CLASS(Name, Parent)                                                           \
 public:                                                                                      \
  static ::ordvane::TClass StaticClass() {                                                    \
    static_assert(std::is_base_of_v<Parent, Name>, #Name " does not derive from " #Parent);   \
    static const ::ordvane::TMetaClass meta(#Name, Parent::StaticClass());                    \
    return &meta;                                                                             \
  }                                                                                           \
  ::ordvane::TClass ClassType() const override {                                              \
    static_assert(std::is_same_v<const Name*, decltype(this)>, "ORDVANE_CLASS names " #Name); \
    return StaticClass();                                                                     \
  }

// Objects have identity: they are neither copied nor moved.
class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  static TClass StaticClass();
  virtual TClass ClassType() const;
  AnsiString ClassName() const { return ClassType()->ClassName(); }
  TClass ClassParent() const { return ClassType()->ClassParent(); }
  bool InheritsFrom(TClass ancestor) const { return ClassType()->InheritsFrom(ancestor); }
};

// An object that can copy another one's contents.
class TPersistent : public TObject {
  ORDVANE_CLASS(TPersistent, TObject)

 public:
  // Copies source into this object. A class that knows the source's class overrides
  // Assign; otherwise the source is asked (AssignTo), and when neither knows the other
  // EConvertError "Cannot assign a <source class> to a <this class>" is raised ("nil"
  // for no source).
  virtual void Assign(const TPersistent* source);

  // The object that owns this one (an owner component, a collection), or nullptr.
  virtual TPersistent* GetOwner() const { return nullptr; }

 protected:
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

}  // namespace ordvane
