#include "classlib/core/PublishedProps.h"

#include <map>
#include <mutex>

#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

struct PropertyEntry {
  TStringPropertyGetter getString;
  TStringPropertySetter setString;
  TStringsPropertyGetter getStrings;
  TObjectPropertyGetter getObject;
};

class PropertyRegistry {
 public:
  void Put(TClass cls, const AnsiString& name, PropertyEntry entry) {
    std::lock_guard<std::mutex> lock(fLock);
    fClasses[cls][name] = std::move(entry);
  }

  // A copy, so that the caller runs the accessor without holding the lock.
  bool Find(const TObject* object, const AnsiString& name, PropertyEntry& entry) {
    if (object == nullptr) return false;
    std::lock_guard<std::mutex> lock(fLock);
    for (TClass cls = object->ClassType(); cls != nullptr; cls = cls->ClassParent()) {
      auto properties = fClasses.find(cls);
      if (properties == fClasses.end()) continue;
      auto found = properties->second.find(name);
      if (found != properties->second.end()) {
        entry = found->second;
        return true;
      }
    }
    return false;
  }

 private:
  std::mutex fLock;
  std::map<TClass, std::map<AnsiString, PropertyEntry, TextLess>> fClasses;
};

PropertyRegistry& Properties() {
  static PropertyRegistry registry;
  return registry;
}

}  // namespace

void RegisterStringProperty(TClass cls, const AnsiString& name, TStringPropertyGetter getter,
                            TStringPropertySetter setter) {
  Properties().Put(cls, name, {std::move(getter), std::move(setter), nullptr, nullptr});
}

void RegisterStringsProperty(TClass cls, const AnsiString& name, TStringsPropertyGetter getter) {
  Properties().Put(cls, name, {nullptr, nullptr, std::move(getter), nullptr});
}

void RegisterObjectProperty(TClass cls, const AnsiString& name, TObjectPropertyGetter getter) {
  Properties().Put(cls, name, {nullptr, nullptr, nullptr, std::move(getter)});
}

bool IsPublishedProp(const TObject* object, const AnsiString& name) {
  PropertyEntry entry;
  return Properties().Find(object, name, entry);
}

AnsiString GetStrProp(const TObject* object, const AnsiString& name) {
  PropertyEntry entry;
  if (!Properties().Find(object, name, entry) || !entry.getString) return AnsiString();
  return entry.getString(*object);
}

void SetStrProp(TObject* object, const AnsiString& name, const AnsiString& value) {
  PropertyEntry entry;
  if (Properties().Find(object, name, entry) && entry.setString) entry.setString(*object, value);
}

TStrings* GetStringsProp(const TObject* object, const AnsiString& name) {
  PropertyEntry entry;
  if (!Properties().Find(object, name, entry) || !entry.getStrings) return nullptr;
  return entry.getStrings(*object);
}

TObject* GetObjectProp(const TObject* object, const AnsiString& name) {
  PropertyEntry entry;
  if (!Properties().Find(object, name, entry) || !entry.getObject) return nullptr;
  return entry.getObject(*object);
}

}  // namespace ordvane
