#include "classlib/core/Filer.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

#include "classlib/core/StrUtils.h"
#include "classlib/core/Streams.h"
#include "classlib/core/StringLists.h"

namespace ordvane {

namespace {

struct ComponentClass {
  TClass Class = nullptr;
  TComponentFactory Factory;
};

class StreamingRegistry {
 public:
  void AddProperty(TClass cls, TStoredProperty property) {
    std::lock_guard<std::mutex> lock(fLock);
    auto& list = fProperties[cls];
    for (TStoredProperty& existing : list)
      if (SameText(existing.Name, property.Name)) {
        existing = std::move(property);
        return;
      }
    list.push_back(std::move(property));
  }

  // The stored properties of the class and its ancestors, the ancestors' first; a name
  // registered again by a descendant takes the descendant's entry and place.
  std::vector<TStoredProperty> Properties(TClass cls) {
    std::vector<TClass> chain;
    for (TClass c = cls; c != nullptr; c = c->ClassParent()) chain.insert(chain.begin(), c);
    std::vector<TStoredProperty> result;
    std::lock_guard<std::mutex> lock(fLock);
    for (TClass c : chain) {
      auto found = fProperties.find(c);
      if (found == fProperties.end()) continue;
      for (const TStoredProperty& property : found->second) {
        auto same = std::find_if(result.begin(), result.end(),
                                 [&](const TStoredProperty& p) { return SameText(p.Name, property.Name); });
        if (same != result.end() && property.KeepsPlace) {
          *same = property;
          continue;
        }
        if (same != result.end()) result.erase(same);
        result.push_back(property);
      }
    }
    return result;
  }

  void SetDefine(TClass cls, TDefinePropertiesProc proc) {
    std::lock_guard<std::mutex> lock(fLock);
    fDefines[cls] = std::move(proc);
  }

  // The routine of the class or its nearest ancestor that has one.
  TDefinePropertiesProc Define(TClass cls) {
    std::lock_guard<std::mutex> lock(fLock);
    for (TClass c = cls; c != nullptr; c = c->ClassParent()) {
      auto found = fDefines.find(c);
      if (found != fDefines.end()) return found->second;
    }
    return nullptr;
  }

  void AddClass(TClass cls, TComponentFactory factory) {
    std::lock_guard<std::mutex> lock(fLock);
    fClasses[cls->ClassName()] = {cls, std::move(factory)};
  }

  void AddOwnedParts(TClass cls) {
    std::lock_guard<std::mutex> lock(fLock);
    fOwnedParts.push_back(cls);
  }

  bool OwnsParts(TClass cls) {
    std::lock_guard<std::mutex> lock(fLock);
    for (TClass c = cls; c != nullptr; c = c->ClassParent())
      if (std::find(fOwnedParts.begin(), fOwnedParts.end(), c) != fOwnedParts.end()) return true;
    return false;
  }

  bool FindClass(const AnsiString& name, ComponentClass& found) {
    std::lock_guard<std::mutex> lock(fLock);
    auto it = fClasses.find(name);
    if (it == fClasses.end()) return false;
    found = it->second;
    return true;
  }

 private:
  std::mutex fLock;
  std::map<TClass, std::vector<TStoredProperty>> fProperties;
  std::map<TClass, TDefinePropertiesProc> fDefines;
  std::map<AnsiString, ComponentClass, TextLess> fClasses;
  std::vector<TClass> fOwnedParts;
};

StreamingRegistry& Registry() {
  static StreamingRegistry registry;
  return registry;
}

bool IsRegisteredClass(TClass cls) {
  ComponentClass found;
  return Registry().FindClass(cls->ClassName(), found) && found.Class == cls;
}

// The getters of owned objects take the object as changeable, as readers use them too;
// on the ancestor they are only read from.
TPersistent* OwnedObject(const TStoredProperty& property, const TPersistent* object) {
  return object == nullptr ? nullptr : property.Object(const_cast<TPersistent&>(*object));
}

// A string list stores its lines under "Strings": in a form without an ancestor when it
// has any, else when they differ from the ancestor's.
// Only a lack of memory can fail the registration, which nothing before main could handle
// either.
// NOLINTNEXTLINE(cert-err58-cpp)
const bool stringsRegistered = [] {
  RegisterDefineProperties(TStrings::StaticClass(), [](TFiler& filer, TPersistent& object) {
    auto& strings = static_cast<TStrings&>(object);
    const auto* ancestor = dynamic_cast<const TStrings*>(filer.Ancestor());
    const bool hasData = ancestor == nullptr ? strings.Count() > 0 : !strings.Equals(ancestor);
    filer.DefineProperty(
        "Strings", [&strings](TReader& reader) { reader.ReadStrings(strings); },
        [&strings](TWriter& writer) {
          writer.WriteListBegin();
          for (int i = 0; i < strings.Count(); ++i) writer.WriteString(strings.Strings(i));
          writer.WriteListEnd();
        },
        hasData);
  });
  StoredProperties<TComponent>().Integer("Tag", &TComponent::Tag, &TComponent::SetTag, 0);
  RegisterComponentClass<TComponent>();
  return true;
}();

}  // namespace

void RegisterStoredProperty(TClass cls, TStoredProperty property) {
  Registry().AddProperty(cls, std::move(property));
}

void RegisterDefineProperties(TClass cls, TDefinePropertiesProc proc) {
  Registry().SetDefine(cls, std::move(proc));
}

void InheritedDefineProperties(TFiler& filer, TPersistent& object, TClass cls) {
  if (cls->ClassParent() == nullptr) return;
  if (TDefinePropertiesProc proc = Registry().Define(cls->ClassParent())) proc(filer, object);
}

void RegisterComponentClass(TClass cls, TComponentFactory factory) {
  Registry().AddClass(cls, std::move(factory));
}

void RegisterOwnedPartsClass(TClass cls) {
  Registry().AddOwnedParts(cls);
}

// ---- Value conversions

namespace {
void ExpectType(const TFormValue& value, TFormValueType type, TReader& reader) {
  if (value.Type != type)
    reader.Fail(AnsiString("expected ") + TFormValue::TypeName(type) + ", found " +
                TFormValue::TypeName(value.Type));
}
}  // namespace

Int64 ValueToInteger(const TFormValue& value, TReader& reader, Int64 min, Int64 max) {
  ExpectType(value, TFormValueType::Integer, reader);
  if (value.AsInteger < min || value.AsInteger > max)
    reader.Fail(std::to_string(value.AsInteger) + " is outside " + std::to_string(min) + ".." +
                std::to_string(max));
  return value.AsInteger;
}

bool ValueToBoolean(const TFormValue& value, TReader& reader) {
  ExpectType(value, TFormValueType::Ident, reader);
  if (SameText(value.Text, "True")) return true;
  if (SameText(value.Text, "False")) return false;
  reader.Fail("expected True or False, found " + value.Text);
}

AnsiString ValueToString(const TFormValue& value, TReader& reader) {
  ExpectType(value, TFormValueType::String, reader);
  return value.Text;
}

double ValueToFloat(const TFormValue& value, TReader& reader) {
  if (value.Type == TFormValueType::Integer) return static_cast<double>(value.AsInteger);
  ExpectType(value, TFormValueType::Float, reader);
  return value.AsFloat;
}

char ValueToChar(const TFormValue& value, TReader& reader) {
  ExpectType(value, TFormValueType::String, reader);
  if (value.Text.size() != 1)
    reader.Fail("expected one character, found " + std::to_string(value.Text.size()));
  return value.Text[0];
}

int ValueToEnum(const TFormValue& value, const TEnumNames& names, TReader& reader) {
  ExpectType(value, TFormValueType::Ident, reader);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (SameText(AnsiString(names[i]), value.Text)) return static_cast<int>(i);
  reader.Fail("\"" + value.Text + "\" is not one of its values");
}

UInt64 ValueToSet(const TFormValue& value, const TEnumNames& names, TReader& reader) {
  ExpectType(value, TFormValueType::Set, reader);
  UInt64 mask = 0;
  for (const AnsiString& member : value.Members) {
    const TFormValue ident = TFormValue::Ident(member);
    mask |= UInt64(1) << ValueToEnum(ident, names, reader);
  }
  return mask;
}

TFormValue EnumToValue(const TEnumNames& names, int value) {
  if (value < 0 || static_cast<std::size_t>(value) >= names.size())
    throw EWriteError("Enumeration value " + std::to_string(value) + " has no name");
  return TFormValue::Ident(names[static_cast<std::size_t>(value)]);
}

TFormValue SetToValue(const TEnumNames& names, UInt64 mask) {
  std::vector<AnsiString> members;
  for (std::size_t i = 0; i < names.size() && i < 64; ++i)
    if ((mask & (UInt64(1) << i)) != 0) members.push_back(names[i]);
  return TFormValue::SetOf(std::move(members));
}

TFormValue ComponentToValue(const TComponent* target) {
  if (target == nullptr) return TFormValue::Ident("nil");
  if (target->Name().empty())
    throw EWriteError("A reference to a " + target->ClassName() + " without a name");
  return TFormValue::Ident(target->Name());
}

// ---- The writer

void TWriter::DefineProperty(const AnsiString& name, const TReaderProc&, const TWriterProc& writeData,
                             bool hasData) {
  if (!hasData || !writeData) return;
  fValues.clear();
  writeData(*this);
  if (fValues.size() != 1) throw EWriteError("Property " + name + " was not written as one value");
  fProperties->push_back({fPrefix + name, std::move(fValues.back()), 0});
  fValues.clear();
}

void TWriter::DefineBinaryProperty(const AnsiString& name, const TStreamProc&, const TStreamProc& writeData,
                                   bool hasData) {
  if (!hasData || !writeData) return;
  TMemoryStream stream;
  writeData(stream);
  RawByteString bytes(reinterpret_cast<const char*>(stream.Memory()),
                      static_cast<std::size_t>(stream.Size()));
  fProperties->push_back({fPrefix + name, TFormValue::Binary(std::move(bytes)), 0});
}

void TWriter::WriteValue(TFormValue value) {
  if (fValues.empty()) {
    fValues.push_back(std::move(value));
  } else if (fValues.back().Type == TFormValueType::List) {
    fValues.back().Items.push_back(std::move(value));
  } else {
    throw EWriteError("A second value outside a list");
  }
}

void TWriter::WriteInteger(Int64 value) {
  WriteValue(TFormValue::Integer(value));
}
void TWriter::WriteBoolean(bool value) {
  WriteValue(TFormValue::Boolean(value));
}
void TWriter::WriteString(const AnsiString& value) {
  WriteValue(TFormValue::String(value));
}
void TWriter::WriteIdent(const AnsiString& value) {
  WriteValue(TFormValue::Ident(value));
}

void TWriter::WriteListBegin() {
  if (!fValues.empty() && fValues.back().Type != TFormValueType::List)
    throw EWriteError("A list after a value outside a list");
  fValues.push_back(TFormValue::List());
}

void TWriter::WriteListEnd() {
  if (fValues.empty() || fValues.back().Type != TFormValueType::List)
    throw EWriteError("A list end without a list");
  if (fValues.size() == 1) return;
  TFormValue list = std::move(fValues.back());
  fValues.pop_back();
  fValues.back().Items.push_back(std::move(list));
}

class TFormWriter {
 public:
  // Items are written whole, against their defaults.
  TFormValue CollectionValue(TCollection& collection) {
    TFormValue value = TFormValue::Collection();
    for (int i = 0; i < collection.Count(); ++i) {
      TFormItem item;
      WriteProperties(*collection.Items(i), nullptr, "", item.Properties);
      value.CollectionItems.push_back(std::move(item));
    }
    return value;
  }

  TFormObject WriteComponent(TComponent& component, const TComponent* ancestor, bool withChildren) {
    if (!IsRegisteredClass(component.ClassType()))
      throw EWriteError("Class " + component.ClassName() + " is not registered for streaming");
    TFormObject object;
    object.Name = component.Name();
    object.ClassName = component.ClassName();
    WriteProperties(component, ancestor, "", object.Properties);
    if (withChildren && !Registry().OwnsParts(component.ClassType())) {
      for (int i = 0; i < component.ComponentCount(); ++i) {
        TComponent* child = component.Components(i);
        const TComponent* childAncestor =
            ancestor != nullptr ? ancestor->FindComponent(child->Name()) : nullptr;
        if (childAncestor != nullptr && childAncestor->ClassType() != child->ClassType())
          childAncestor = nullptr;
        object.Children.push_back(WriteComponent(*child, childAncestor, false));
      }
    }
    return object;
  }

 private:
  void WriteProperties(TPersistent& object, const TPersistent* ancestor, const AnsiString& prefix,
                       std::vector<TFormProperty>& out) {
    for (const TStoredProperty& property : Registry().Properties(object.ClassType())) {
      if (property.IsStored && !property.IsStored(object)) continue;
      if (property.Object) {
        TPersistent* owned = property.Object(object);
        if (owned == nullptr) continue;
        const TPersistent* ownedAncestor = OwnedObject(property, ancestor);
        if (auto* collection = dynamic_cast<TCollection*>(owned)) {
          TFormValue value = CollectionValue(*collection);
          const auto* ancestorCollection = dynamic_cast<const TCollection*>(ownedAncestor);
          const bool differs =
              ancestorCollection != nullptr
                  ? !(value == CollectionValue(const_cast<TCollection&>(*ancestorCollection)))
                  : collection->Count() > 0;
          if (differs) out.push_back({prefix + property.Name, std::move(value), 0});
        } else {
          WriteProperties(*owned, ownedAncestor, prefix + property.Name + ".", out);
        }
        continue;
      }
      TFormValue value = property.Get(object);
      if (ancestor != nullptr && ancestor->InheritsFrom(object.ClassType())) {
        if (value == property.Get(*ancestor)) continue;
      } else if (property.Default && value == *property.Default) {
        continue;
      }
      out.push_back({prefix + property.Name, std::move(value), 0});
    }
    if (TDefinePropertiesProc define = Registry().Define(object.ClassType())) {
      TWriter writer;
      writer.fAncestor = ancestor;
      writer.fProperties = &out;
      writer.fPrefix = prefix;
      define(writer, object);
    }
  }
};

void TWriter::WriteCollection(TCollection& collection) {
  WriteValue(TFormWriter().CollectionValue(collection));
}

TFormObject WriteComponentForm(TComponent& root, const TComponent* ancestor) {
  return TFormWriter().WriteComponent(root, ancestor, true);
}

AnsiString WriteComponentText(TComponent& root, const TComponent* ancestor) {
  return FormatFormText(WriteComponentForm(root, ancestor));
}

// ---- The reader

void TReader::Fail(const AnsiString& what) const {
  AnsiString where =
      "Line " + std::to_string(fLine) + ": property \"" + fPropertyName + "\" of class " + fClassName;
  if (!fObjectName.empty()) where += " (" + fObjectName + ")";
  throw EReadError(where + ": " + what);
}

const TFormValue& TReader::Next() {
  if (!fLists.empty()) {
    ListPosition& list = fLists.back();
    if (list.Index >= list.List->Items.size()) Fail("the list ends too early");
    return list.List->Items[list.Index++];
  }
  if (fValueTaken) Fail("expected a list of values");
  fValueTaken = true;
  return *fValue;
}

const TFormValue& TReader::ReadValue() {
  return Next();
}

Int64 TReader::ReadInteger() {
  return ValueToInteger(Next(), *this, std::numeric_limits<Int64>::min(), std::numeric_limits<Int64>::max());
}
bool TReader::ReadBoolean() {
  return ValueToBoolean(Next(), *this);
}
AnsiString TReader::ReadString() {
  return ValueToString(Next(), *this);
}
AnsiString TReader::ReadIdent() {
  const TFormValue& value = Next();
  ExpectType(value, TFormValueType::Ident, *this);
  return value.Text;
}

void TReader::ReadStrings(TStrings& strings) {
  strings.BeginUpdate();
  try {
    strings.Clear();
    ReadListBegin();
    while (!EndOfList()) strings.Add(ReadString());
    ReadListEnd();
  } catch (...) {
    strings.EndUpdate();
    throw;
  }
  strings.EndUpdate();
}

void TReader::ReadListBegin() {
  const TFormValue& value = Next();
  ExpectType(value, TFormValueType::List, *this);
  fLists.push_back({&value, 0});
}

bool TReader::EndOfList() const {
  return fLists.empty() || fLists.back().Index >= fLists.back().List->Items.size();
}

void TReader::ReadListEnd() {
  if (!EndOfList()) Fail("the list holds more values than expected");
  if (!fLists.empty()) fLists.pop_back();
}

void TReader::DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc&, bool) {
  if (fMatched || !SameText(name, fDefinedName) || !readData) return;
  fMatched = true;
  readData(*this);
}

void TReader::DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData, const TStreamProc&,
                                   bool) {
  if (fMatched || !SameText(name, fDefinedName) || !readData) return;
  fMatched = true;
  const TFormValue& value = Next();
  ExpectType(value, TFormValueType::Binary, *this);
  TMemoryStream stream;
  if (!value.Text.empty()) stream.WriteBuffer(value.Text.data(), static_cast<Int64>(value.Text.size()));
  stream.Seek(0, soBeginning);
  try {
    readData(stream);
  } catch (const EReadError& e) {
    // The routine sees bytes only: the reader tells where they stand.
    Fail(e.Message());
  }
}

class TFormReader {
 public:
  explicit TFormReader(TComponent& root) : fRoot(root) {}

  void Read(const TFormObject& form) {
    CheckRootClass(form);
    try {
      if (fRoot.Name().empty()) fRoot.SetName(form.Name);
      ReadComponent(fRoot, form);
      for (const TFormObject& child : form.Children) ReadChild(child);
      ResolveReferences();
    } catch (...) {
      Abandon();
      throw;
    }
    for (std::size_t i = 0; i < fLoading.size(); ++i) {
      try {
        fLoading[i]->EndLoading();
      } catch (...) {
        for (std::size_t j = i + 1; j < fLoading.size(); ++j) fLoading[j]->CancelLoading();
        throw;
      }
    }
  }

  struct Reference {
    AnsiString Name;
    TClass TargetClass;
    std::function<void(TComponent*)> Bind;
    TReader Context;
    // The collection items (outermost first) the bind writes into: it goes with them.
    std::vector<const TCollectionItem*> Items;
  };

  void AddReference(const AnsiString& name, TClass targetClass, std::function<void(TComponent*)> bind,
                    const TReader& context) {
    fReferences.push_back(std::make_unique<Reference>());
    Reference& ref = *fReferences.back();
    ref.Name = name;
    ref.TargetClass = targetClass;
    ref.Bind = std::move(bind);
    ref.Context.fPropertyName = context.fPropertyName;
    ref.Context.fObjectName = context.fObjectName;
    ref.Context.fClassName = context.fClassName;
    ref.Context.fLine = context.fLine;
    ref.Items = fItemsBeingRead;
  }

 private:
  void CheckRootClass(const TFormObject& form) const {
    for (TClass c = fRoot.ClassType(); c != nullptr; c = c->ClassParent())
      if (SameText(c->ClassName(), form.ClassName)) return;
    throw EReadError("Line " + std::to_string(form.Line) + ": the form holds a " + form.ClassName +
                     ", not a " + fRoot.ClassName());
  }

  void ReadChild(const TFormObject& form) {
    // A second block of one name would read into the component already read, whose
    // collections and pending references the first block made.
    if (!form.Name.empty() && !fNamesRead.insert(UpperCase(form.Name)).second)
      throw EReadError("Line " + std::to_string(form.Line) + ": component " + form.Name +
                       " is named twice in the form");
    TComponent* child = form.Name.empty() ? nullptr : fRoot.FindComponent(form.Name);
    if (child != nullptr && !SameText(child->ClassName(), form.ClassName))
      throw EReadError("Line " + std::to_string(form.Line) + ": " + form.Name + " is a " +
                       child->ClassName() + ", not a " + form.ClassName);
    if (child == nullptr) {
      ComponentClass cls;
      if (!Registry().FindClass(form.ClassName, cls))
        throw EReadError("Line " + std::to_string(form.Line) + ": class " + form.ClassName + " not found");
      std::unique_ptr<TComponent> created(cls.Factory(&fRoot));
      if (!form.Name.empty()) created->SetName(form.Name);
      fCreated.push_back(created.release());
      child = fCreated.back();
    }
    ReadComponent(*child, form);
    for (const TFormObject& nested : form.Children) ReadChild(nested);
  }

  void ReadComponent(TComponent& component, const TFormObject& form) {
    component.BeginLoading();
    fLoading.push_back(&component);
    std::set<AnsiString> names;
    for (const TFormProperty& property : form.Properties) {
      TReader reader;
      reader.fPropertyName = property.Name;
      reader.fObjectName = component.Name();
      reader.fClassName = component.ClassName();
      reader.fLine = property.Line;
      reader.fForm = this;
      CheckGivenOnce(names, property, reader);
      ReadPropertyOrFail(component, property, reader);
    }
  }

  // A property given again would undo the first value half-way: a collection read again
  // frees the items whose references wait to be bound.
  static void CheckGivenOnce(std::set<AnsiString>& names, const TFormProperty& property, const TReader& reader) {
    if (!names.insert(UpperCase(property.Name)).second) reader.Fail("given twice in one object");
  }

  // A setter's refusal (a value out of what the object can hold) is the form's error, with
  // the line and the property.
  void ReadPropertyOrFail(TPersistent& object, const TFormProperty& property, TReader& reader) {
    try {
      ReadProperty(object, property.Name, property.Value, reader);
    } catch (const EReadError&) {
      throw;
    } catch (const Exception& e) {
      reader.Fail(e.Message());
    }
  }

  void ReadProperty(TPersistent& object, const AnsiString& name, const TFormValue& value, TReader& reader) {
    const std::vector<TStoredProperty> properties = Registry().Properties(object.ClassType());
    auto find = [&](const AnsiString& wanted) {
      return std::find_if(properties.begin(), properties.end(),
                          [&](const TStoredProperty& p) { return SameText(p.Name, wanted); });
    };
    auto property = find(name);
    if (property != properties.end()) {
      if (!property->Object) {
        property->Set(object, value, reader);
        return;
      }
      TPersistent* owned = property->Object(object);
      auto* collection = dynamic_cast<TCollection*>(owned);
      if (collection == nullptr) reader.Fail("an object: name one of its properties");
      ReadCollection(*collection, value, reader);
      return;
    }
    const std::size_t dot = name.find('.');
    if (dot != AnsiString::npos) {
      property = find(name.substr(0, dot));
      if (property != properties.end() && property->Object) {
        TPersistent* owned = property->Object(object);
        if (owned != nullptr) {
          ReadProperty(*owned, name.substr(dot + 1), value, reader);
          return;
        }
      }
    }
    if (TDefinePropertiesProc define = Registry().Define(object.ClassType())) {
      reader.fValue = &value;
      reader.fMatched = false;
      reader.fDefinedName = name;
      define(reader, object);
      if (reader.fMatched) {
        if (!reader.fLists.empty() || !reader.fValueTaken) reader.Fail("the value was not read whole");
        return;
      }
    }
    reader.Fail(object.ClassName() == reader.fClassName ? AnsiString("no such property")
                                                        : "no such property in class " + object.ClassName());
  }

  // Also reached from defined properties, through TReader::ReadCollection.
 public:
  void ReadCollection(TCollection& collection, const TFormValue& value, TReader& reader) {
    ExpectType(value, TFormValueType::Collection, reader);
    collection.BeginUpdate();
    try {
      DropReferencesInto(collection);
      collection.Clear();
      for (const TFormItem& formItem : value.CollectionItems) {
        TCollectionItem* item = collection.Add();
        fItemsBeingRead.push_back(item);
        std::set<AnsiString> names;
        for (const TFormProperty& property : formItem.Properties) {
          TReader itemReader;
          itemReader.fPropertyName = reader.fPropertyName + "." + property.Name;
          itemReader.fObjectName = reader.fObjectName;
          itemReader.fClassName = item->ClassName();
          itemReader.fLine = property.Line;
          itemReader.fForm = this;
          CheckGivenOnce(names, property, itemReader);
          ReadPropertyOrFail(*item, property, itemReader);
        }
        fItemsBeingRead.pop_back();
      }
    } catch (...) {
      fItemsBeingRead.clear();
      collection.EndUpdate();
      throw;
    }
    collection.EndUpdate();
  }

 private:
  // The collection's items are about to go: no bind may write into them afterwards.
  void DropReferencesInto(const TCollection& collection) {
    std::set<const TCollectionItem*> going;
    for (int i = 0; i < collection.Count(); ++i) going.insert(collection.Items(i));
    std::erase_if(fReferences, [&](const std::unique_ptr<Reference>& ref) {
      return std::any_of(ref->Items.begin(), ref->Items.end(),
                         [&](const TCollectionItem* item) { return going.contains(item); });
    });
  }

  void ResolveReferences() {
    for (const auto& ref : fReferences) {
      TComponent* target = FindReferenced(ref->Name);
      if (target == nullptr) ref->Context.Fail("component " + ref->Name + " not found");
      if (!target->InheritsFrom(ref->TargetClass))
        ref->Context.Fail(ref->Name + " is a " + target->ClassName() + ", not a " +
                          ref->TargetClass->ClassName());
      ref->Bind(target);
    }
  }

  // A name of the form's own components, or of the root's siblings under its owner (the
  // data module a form's controls show).
  TComponent* FindReferenced(const AnsiString& name) const {
    if (SameText(fRoot.Name(), name)) return &fRoot;
    if (TComponent* own = fRoot.FindComponent(name)) return own;
    return fRoot.Owner() != nullptr ? fRoot.Owner()->FindComponent(name) : nullptr;
  }

  // The form could not be read: what was made for it goes, and what existed before leaves
  // loading without acting on half its settings.
  void Abandon() {
    for (TComponent* component : fLoading) component->CancelLoading();
    for (auto it = fCreated.rbegin(); it != fCreated.rend(); ++it) delete *it;
  }

  TComponent& fRoot;
  std::vector<TComponent*> fLoading;
  std::vector<TComponent*> fCreated;
  std::vector<std::unique_ptr<Reference>> fReferences;
  std::vector<const TCollectionItem*> fItemsBeingRead;
  std::set<AnsiString> fNamesRead;  // of the nested components, in upper case
};

void ReadReference(const TFormValue& value, TReader& reader, TClass targetClass,
                   std::function<void(TComponent*)> bind) {
  ExpectType(value, TFormValueType::Ident, reader);
  if (SameText(value.Text, "nil")) {
    bind(nullptr);
    return;
  }
  if (reader.fForm == nullptr) reader.Fail("a component reference outside a form");
  reader.fForm->AddReference(value.Text, targetClass, std::move(bind), reader);
}

void TReader::ReadCollection(TCollection& collection) {
  const TFormValue& value = Next();
  if (fForm == nullptr) Fail("a collection outside a form");
  fForm->ReadCollection(collection, value, *this);
}

namespace {
TStoredProperty InheritedStoredProperty(TClass cls, const AnsiString& name) {
  for (const TStoredProperty& property : Registry().Properties(cls->ClassParent()))
    if (SameText(property.Name, name)) return property;
  throw EWriteError("No stored property " + name + " above class " + cls->ClassName());
}
}  // namespace

void RepublishStoredProperty(TClass cls, const AnsiString& name) {
  TStoredProperty property = InheritedStoredProperty(cls, name);
  property.KeepsPlace = false;
  Registry().AddProperty(cls, std::move(property));
}

void RedefaultStoredProperty(TClass cls, const AnsiString& name, TFormValue def) {
  TStoredProperty property = InheritedStoredProperty(cls, name);
  property.Default = std::move(def);
  property.KeepsPlace = true;
  Registry().AddProperty(cls, std::move(property));
}

void ReadComponentText(std::string_view text, TComponent& root) {
  TFormReader(root).Read(ParseFormText(text));
}

std::unique_ptr<TComponent> CreateComponentFromText(std::string_view text, TComponent* owner) {
  const TFormObject form = ParseFormText(text);
  ComponentClass cls;
  if (!Registry().FindClass(form.ClassName, cls))
    throw EReadError("Line " + std::to_string(form.Line) + ": class " + form.ClassName + " not found");
  std::unique_ptr<TComponent> root(cls.Factory(owner));
  TFormReader(*root).Read(form);
  return root;
}

}  // namespace ordvane
