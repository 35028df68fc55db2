#pragma once
// Component streaming: a component with the components it owns written to the text form
// (FormText.h) and read back.
//
// What a class stores is registered once, per class, by the unit that streams it:
//   - its stored properties (StoredProperties<C>()), each with a getter, a setter and the
//     declared default; a property is written only when its value differs from that
//     default, or, when the form is written against an ancestor, from the ancestor's
//     value; it is read back by name;
//   - a DefineProperties routine for what is not a plain property (older names read into
//     newer properties, sets stored member by member, extents, binary data): it calls
//     TFiler::DefineProperty with a read and a write routine, as both the writer and the
//     reader pass through it;
//   - for components, how to make one (RegisterComponentClass<C>()), so the reader can
//     create the objects the form names.
//
//   AnsiString text = WriteComponentText(dataModule);
//   ReadComponentText(text, otherDataModule);          // same class as the form's root
//
// Reading either completes or raises EReadError naming the line, the property and the
// class; components it created are then freed and the others left out of loading, so no
// half-read component stays behind unnoticed.

#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "classlib/core/Collections.h"
#include "classlib/core/Components.h"
#include "classlib/core/FormText.h"

namespace ordvane {

class TStream;
class TStrings;
class TFormReader;
class TFormWriter;
class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

// What DefineProperties routines see: the writer or the reader.
class TFiler {
 public:
  TFiler() = default;
  TFiler(const TFiler&) = delete;
  TFiler& operator=(const TFiler&) = delete;
  virtual ~TFiler() = default;

  // The object of the same place in the ancestor form (nullptr without one). A defined
  // property compares with it where its rule says so.
  const TPersistent* Ancestor() const { return fAncestor; }
  // The writer calls writeData when hasData is set; the reader calls readData when the
  // form holds the name.
  virtual void DefineProperty(const AnsiString& name, const TReaderProc& readData,
                              const TWriterProc& writeData, bool hasData) = 0;
  // The same for bytes, handed over in a memory stream. An EReadError of the read
  // routine becomes the reader's error, naming the line and the property.
  virtual void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                                    const TStreamProc& writeData, bool hasData) = 0;

 protected:
  const TPersistent* fAncestor = nullptr;
};

// ---- Registration

using TDefinePropertiesProc = std::function<void(TFiler&, TPersistent&)>;
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

// One stored property, on values of the text form.
struct TStoredProperty {
  AnsiString Name;
  // A value property: read and write the value. The setter may call TReader::Fail.
  std::function<TFormValue(const TPersistent&)> Get;
  std::function<void(TPersistent&, const TFormValue&, TReader&)> Set;
  std::optional<TFormValue> Default;
  // An owned object whose own stored properties are written with "Name." before them.
  std::function<TPersistent*(TPersistent&)> Object;
  // Not stored at all when it answers false.
  std::function<bool(const TPersistent&)> IsStored;
  // A descendant's entry that only changes the default keeps the ancestor's place.
  bool KeepsPlace = false;
};

void RegisterStoredProperty(TClass cls, TStoredProperty property);
// An ancestor's stored property takes its place in the class's own streaming order.
void RepublishStoredProperty(TClass cls, const AnsiString& name);
// An ancestor's stored property whose value after the class's construction differs from
// the ancestor's default: the class declares that value as its default (so the other value
// is written and comes back), and the property keeps its place in the streaming order.
void RedefaultStoredProperty(TClass cls, const AnsiString& name, TFormValue def);
// Replaces an earlier routine of the class. The routine of an object's nearest class that
// has one runs; it calls InheritedDefineProperties to run its ancestors' routines.
void RegisterDefineProperties(TClass cls, TDefinePropertiesProc proc);
void InheritedDefineProperties(TFiler& filer, TPersistent& object, TClass cls);
void RegisterComponentClass(TClass cls, TComponentFactory factory);
// The components that objects of the class (and its descendants) own are parts they make
// themselves (a dataset's statements): they are not written as nested objects.
void RegisterOwnedPartsClass(TClass cls);

template <class C>
void RegisterComponentClass() {
  RegisterComponentClass(C::StaticClass(), [](TComponent* owner) -> TComponent* { return new C(owner); });
}

// A set type (TSet) as the bit mask the set registrations work on, and back.
template <class Set>
UInt64 SetBits(Set set) {
  return static_cast<UInt64>(set.ToBits());
}
template <class Set>
Set SetFromBits(UInt64 bits) {
  return Set::FromBits(static_cast<typename Set::Bits>(bits));
}

// Names of an enumeration's values in order (value n is names[n]; for a set, bit n),
// kept in a constant array that outlives the registration:
//   constexpr const char* kKindNames[] = {"dtkDateEh", "dtkTimeEh"};
using TEnumNames = std::span<const char* const>;

// ---- Value conversions (each raises the reader's error for a value of the wrong type)

Int64 ValueToInteger(const TFormValue& value, TReader& reader, Int64 min, Int64 max);
bool ValueToBoolean(const TFormValue& value, TReader& reader);
AnsiString ValueToString(const TFormValue& value, TReader& reader);
// A real number; a whole number is taken too.
double ValueToFloat(const TFormValue& value, TReader& reader);
// A string of exactly one character.
char ValueToChar(const TFormValue& value, TReader& reader);
int ValueToEnum(const TFormValue& value, const TEnumNames& names, TReader& reader);
UInt64 ValueToSet(const TFormValue& value, const TEnumNames& names, TReader& reader);
TFormValue EnumToValue(const TEnumNames& names, int value);
TFormValue SetToValue(const TEnumNames& names, UInt64 mask);
TFormValue ComponentToValue(const TComponent* target);
// Binds the named component once the form is read; "nil" binds nothing.
void ReadReference(const TFormValue& value, TReader& reader, TClass targetClass,
                   std::function<void(TComponent*)> bind);

// Registers the stored properties of class C in their streaming order:
//
//   StoredProperties<TFIBDatabase>()
//       .String("DBName", &TFIBDatabase::DBName, &TFIBDatabase::SetDBName, "")
//       .Integer("SQLDialect", &TFIBDatabase::SQLDialect, &TFIBDatabase::SetSQLDialect, 1)
//       .Object("DBParams", [](TFIBDatabase& d) { return &d.DBParams(); });
//
// Getters and setters are member functions or callables taking C. A default of
// std::nullopt stores the property always (unless Stored says otherwise).
template <class C>
class TStoredPropertiesOf {
 public:
  template <class Get, class Set>
  TStoredPropertiesOf& Integer(const AnsiString& name, Get get, Set set, std::optional<Int64> def) {
    using T = std::decay_t<std::invoke_result_t<Get, const C&>>;
    return Add(
        name, [get](const C& c) { return TFormValue::Integer(static_cast<Int64>(std::invoke(get, c))); },
        [set](C& c, const TFormValue& v, TReader& r) {
          std::invoke(set, c,
                      static_cast<T>(ValueToInteger(v, r, static_cast<Int64>(std::numeric_limits<T>::min()),
                                                    static_cast<Int64>(std::numeric_limits<T>::max()))));
        },
        def ? std::optional<TFormValue>(TFormValue::Integer(*def)) : std::nullopt);
  }

  template <class Get, class Set>
  TStoredPropertiesOf& Boolean(const AnsiString& name, Get get, Set set, std::optional<bool> def) {
    return Add(
        name, [get](const C& c) { return TFormValue::Boolean(std::invoke(get, c)); },
        [set](C& c, const TFormValue& v, TReader& r) { std::invoke(set, c, ValueToBoolean(v, r)); },
        def ? std::optional<TFormValue>(TFormValue::Boolean(*def)) : std::nullopt);
  }

  template <class Get, class Set>
  TStoredPropertiesOf& String(const AnsiString& name, Get get, Set set, const AnsiString& def) {
    return String(name, get, set, std::optional<TFormValue>(TFormValue::String(def)));
  }
  template <class Get, class Set>
  TStoredPropertiesOf& String(const AnsiString& name, Get get, Set set, std::nullopt_t) {
    return String(name, get, set, std::optional<TFormValue>());
  }

  template <class Get, class Set>
  TStoredPropertiesOf& Float(const AnsiString& name, Get get, Set set, std::optional<double> def) {
    return Add(
        name, [get](const C& c) { return TFormValue::Float(static_cast<double>(std::invoke(get, c))); },
        [set](C& c, const TFormValue& v, TReader& r) { std::invoke(set, c, ValueToFloat(v, r)); },
        def ? std::optional<TFormValue>(TFormValue::Float(*def)) : std::nullopt);
  }

  // One character, stored as a string of it.
  template <class Get, class Set>
  TStoredPropertiesOf& Char(const AnsiString& name, Get get, Set set, std::optional<char> def) {
    return Add(
        name, [get](const C& c) { return TFormValue::String(AnsiString(1, std::invoke(get, c))); },
        [set](C& c, const TFormValue& v, TReader& r) { std::invoke(set, c, ValueToChar(v, r)); },
        def ? std::optional<TFormValue>(TFormValue::String(AnsiString(1, *def))) : std::nullopt);
  }

  // An enumeration stored by the name of its value; get and set work on the enum type.
  template <class Get, class Set>
  TStoredPropertiesOf& Enum(const AnsiString& name, Get get, Set set, TEnumNames names,
                            std::optional<int> def) {
    using E = std::decay_t<std::invoke_result_t<Get, const C&>>;
    std::optional<TFormValue> defValue;
    if (def) defValue = EnumToValue(names, *def);
    return Add(
        name, [get, names](const C& c) { return EnumToValue(names, static_cast<int>(std::invoke(get, c))); },
        [set, names](C& c, const TFormValue& v, TReader& r) {
          std::invoke(set, c, static_cast<E>(ValueToEnum(v, names, r)));
        },
        defValue);
  }

  // A set stored as the names of its members; get and set work on the bit mask (bit n
  // for names[n]).
  template <class Get, class Set>
  TStoredPropertiesOf& SetOf(const AnsiString& name, Get get, Set set, TEnumNames names,
                             std::optional<UInt64> def) {
    std::optional<TFormValue> defValue;
    if (def) defValue = SetToValue(names, *def);
    return Add(
        name,
        [get, names](const C& c) { return SetToValue(names, static_cast<UInt64>(std::invoke(get, c))); },
        [set, names](C& c, const TFormValue& v, TReader& r) { std::invoke(set, c, ValueToSet(v, names, r)); },
        defValue);
  }

  // An owned object (option object, string list, font) whose stored properties follow
  // with "Name." before them.
  template <class Get>
  TStoredPropertiesOf& Object(const AnsiString& name, Get get) {
    TStoredProperty property;
    property.Name = name;
    property.Object = [get](TPersistent& o) -> TPersistent* { return std::invoke(get, static_cast<C&>(o)); };
    Register(std::move(property));
    return *this;
  }

  // A reference to another component of the form, stored by its name and bound once
  // the whole form is read. Target is the class the referenced component must have.
  template <class Target, class Get, class Set>
  TStoredPropertiesOf& Reference(const AnsiString& name, Get get, Set set) {
    return Add(
        name, [get](const C& c) { return ComponentToValue(std::invoke(get, c)); },
        [set](C& c, const TFormValue& v, TReader& r) {
          ReadReference(v, r, Target::StaticClass(),
                        [&c, set](TComponent* target) { std::invoke(set, c, static_cast<Target*>(target)); });
        },
        TFormValue::Ident("nil"));
  }

  // The last registered property is stored only when stored(object) is true.
  template <class Pred>
  TStoredPropertiesOf& Stored(Pred stored) {
    fLast.IsStored = [stored](const TPersistent& o) -> bool { return stored(static_cast<const C&>(o)); };
    RegisterStoredProperty(C::StaticClass(), fLast);
    return *this;
  }

 private:
  template <class Get, class Set>
  TStoredPropertiesOf& String(const AnsiString& name, Get get, Set set, std::optional<TFormValue> def) {
    return Add(
        name, [get](const C& c) { return TFormValue::String(AnsiString(std::invoke(get, c))); },
        [set](C& c, const TFormValue& v, TReader& r) { std::invoke(set, c, ValueToString(v, r)); },
        std::move(def));
  }

  template <class GetFn, class SetFn>
  TStoredPropertiesOf& Add(const AnsiString& name, GetFn get, SetFn set, std::optional<TFormValue> def) {
    TStoredProperty property;
    property.Name = name;
    property.Get = [get](const TPersistent& o) { return get(static_cast<const C&>(o)); };
    property.Set = [set](TPersistent& o, const TFormValue& v, TReader& r) { set(static_cast<C&>(o), v, r); };
    property.Default = std::move(def);
    Register(std::move(property));
    return *this;
  }

  void Register(TStoredProperty property) {
    fLast = property;
    RegisterStoredProperty(C::StaticClass(), std::move(property));
  }

  TStoredProperty fLast;
};

template <class C>
TStoredPropertiesOf<C> StoredProperties() {
  return TStoredPropertiesOf<C>();
}

// ---- The writer

class TWriter : public TFiler {
 public:
  void DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData, const TStreamProc& writeData,
                            bool hasData) override;

  // Inside a defined property's write routine: one value, or a list of values between
  // WriteListBegin and WriteListEnd.
  void WriteInteger(Int64 value);
  void WriteBoolean(bool value);
  void WriteString(const AnsiString& value);
  void WriteIdent(const AnsiString& value);
  void WriteListBegin();
  void WriteListEnd();
  void WriteValue(TFormValue value);
  // The items of a collection, each with its stored properties.
  void WriteCollection(TCollection& collection);

 private:
  friend class TFormWriter;
  TWriter() = default;
  std::vector<TFormProperty>* fProperties = nullptr;
  AnsiString fPrefix;
  std::vector<TFormValue> fValues;  // the value being built and its open lists
};

// ---- The reader

class TReader : public TFiler {
 public:
  void DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData, const TStreamProc& writeData,
                            bool hasData) override;

  // Inside a defined property's read routine: the value, or the values of its list.
  Int64 ReadInteger();
  bool ReadBoolean();
  AnsiString ReadString();
  AnsiString ReadIdent();
  void ReadListBegin();
  bool EndOfList() const;
  void ReadListEnd();
  const TFormValue& ReadValue();
  // Replaces the lines with those of a list of strings.
  void ReadStrings(TStrings& strings);
  // Replaces the collection's items with those of the form.
  void ReadCollection(TCollection& collection);

  // The property being read: its name and the object and class it belongs to.
  const AnsiString& PropertyName() const { return fPropertyName; }
  // Raises EReadError "Line <n>: property "<name>" of class <class> (<component>): <what>".
  [[noreturn]] void Fail(const AnsiString& what) const;

 private:
  friend class TFormReader;
  friend void ReadReference(const TFormValue& value, TReader& reader, TClass targetClass,
                            std::function<void(TComponent*)> bind);
  TReader() = default;
  const TFormValue& Next();

  const TFormValue* fValue = nullptr;
  struct ListPosition {
    const TFormValue* List;
    std::size_t Index;
  };
  std::vector<ListPosition> fLists;
  bool fValueTaken = false;
  bool fMatched = false;
  AnsiString fPropertyName;  // as the form names it, for messages
  AnsiString fDefinedName;   // the part a DefineProperties routine of the object matches
  AnsiString fObjectName;
  AnsiString fClassName;
  int fLine = 0;
  TFormReader* fForm = nullptr;
};

// ---- Writing and reading whole forms

// The root with its stored properties and, nested in it, every component it owns. With an
// ancestor (a component of the same class), a property is written only where it differs
// from the ancestor's; the ancestor's owned components are matched by name. Raises
// EWriteError for a component whose class is not registered.
AnsiString WriteComponentText(TComponent& root, const TComponent* ancestor = nullptr);
TFormObject WriteComponentForm(TComponent& root, const TComponent* ancestor = nullptr);
// Reads a form into root, whose class must be the form's root class or descend from it; a
// root without a name takes the form's. Nested objects are the root's owned components of
// that name, or new ones that the reader creates with the root as their owner. A
// reference names a component of the form or one of the root's siblings under its owner. Every component read
// is loading from the first property to the end, when its Loaded runs (root first).
void ReadComponentText(std::string_view text, TComponent& root);
// Makes the root itself from the form's class (registered) with the owner given.
std::unique_ptr<TComponent> CreateComponentFromText(std::string_view text, TComponent* owner = nullptr);

}  // namespace ordvane
