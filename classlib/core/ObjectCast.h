#pragma once
// A class test by the class library's class references.

#include <type_traits>

#include "classlib/core/Objects.h"

namespace ordvane {

// The object as a T, or nullptr when it is none, as dynamic_cast answers (a class without
// ORDVANE_CLASS reports its nearest ancestor that has it, and is a T whenever that ancestor
// is), found by walking the class references: a failed dynamic_cast compares the
// compiler's type names along the whole hierarchy, which costs paths that ask it for every
// field of every record. A T without ORDVANE_CLASS of its own would answer for its
// ancestor's class, so it is refused at compile time.
template <class T>
constexpr bool kDeclaresOwnClass = std::is_same_v<decltype(&T::ClassType), TClass (T::*)() const>;

template <class T>
T* ObjectAs(TObject* object) {
  static_assert(kDeclaresOwnClass<T>, "ObjectAs needs a class that declares ORDVANE_CLASS");
  return object != nullptr && object->InheritsFrom(T::StaticClass()) ? static_cast<T*>(object) : nullptr;
}
template <class T>
const T* ObjectAs(const TObject* object) {
  static_assert(kDeclaresOwnClass<T>, "ObjectAs needs a class that declares ORDVANE_CLASS");
  return object != nullptr && object->InheritsFrom(T::StaticClass()) ? static_cast<const T*>(object) : nullptr;
}

}  // namespace ordvane
