#pragma once
// Published properties by name. The original platform read them through run-time type
// information; here a class that lets others read or write a property by name registers
// it, once, with a getter (and a setter for a writable text property). Look-ups walk the
// object's class and its ancestors, so a property registered on a class serves every
// descendant. Names are compared without regard to ASCII case, as the platform did.
//
// A class registers from a static initializer in the .cpp that holds its constructor, so
// that the registration is linked wherever the class is:
//
//   const bool registered = (RegisterStringProperty<TMyTable>(
//       "TableName", [](const TMyTable& t) { return t.TableName(); },
//       [](TMyTable& t, const AnsiString& v) { t.SetTableName(v); }), true);

#include <functional>

#include "classlib/core/Objects.h"

namespace ordvane {

class TStrings;

using TStringPropertyGetter = std::function<AnsiString(const TObject&)>;
using TStringPropertySetter = std::function<void(TObject&, const AnsiString&)>;
using TStringsPropertyGetter = std::function<TStrings*(const TObject&)>;
using TObjectPropertyGetter = std::function<TObject*(const TObject&)>;

// Registering a name again for the same class replaces the earlier entry. An empty
// setter makes the property read-only.
void RegisterStringProperty(TClass cls, const AnsiString& name, TStringPropertyGetter getter,
                            TStringPropertySetter setter);
void RegisterStringsProperty(TClass cls, const AnsiString& name, TStringsPropertyGetter getter);
// A property that holds an object (a data source, a font): read-only by name.
void RegisterObjectProperty(TClass cls, const AnsiString& name, TObjectPropertyGetter getter);

template <class C, class Get, class Set = std::nullptr_t>
void RegisterStringProperty(const AnsiString& name, Get getter, Set setter = nullptr) {
  TStringPropertySetter set;
  if constexpr (!std::is_same_v<Set, std::nullptr_t>)
    set = [setter](TObject& o, const AnsiString& v) { setter(static_cast<C&>(o), v); };
  RegisterStringProperty(
      C::StaticClass(), name, [getter](const TObject& o) { return AnsiString(getter(static_cast<const C&>(o))); },
      std::move(set));
}

template <class C, class Get>
void RegisterStringsProperty(const AnsiString& name, Get getter) {
  RegisterStringsProperty(C::StaticClass(), name,
                          [getter](const TObject& o) -> TStrings* { return getter(static_cast<const C&>(o)); });
}

template <class C, class Get>
void RegisterObjectProperty(const AnsiString& name, Get getter) {
  RegisterObjectProperty(C::StaticClass(), name,
                         [getter](const TObject& o) -> TObject* { return getter(static_cast<const C&>(o)); });
}

// True when the object's class publishes a property of that name.
bool IsPublishedProp(const TObject* object, const AnsiString& name);
// A missing property (or no object) reads as empty and is not written.
AnsiString GetStrProp(const TObject* object, const AnsiString& name);
void SetStrProp(TObject* object, const AnsiString& name, const AnsiString& value);
// The string list a property gives, or nullptr when there is no such property.
TStrings* GetStringsProp(const TObject* object, const AnsiString& name);
// The object a property holds, or nullptr when there is no such object property.
TObject* GetObjectProp(const TObject* object, const AnsiString& name);

}  // namespace ordvane
