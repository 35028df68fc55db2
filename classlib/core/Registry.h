#pragma once
// TRegistry: the class library's registry object over the per-user settings store. Only
// the current user's settings exist, so there is no root key to choose; a key path
// starting with "\" is absolute, any other is relative to the open key.
//
// Every write goes to the store at once. Dates, times and floats are stored as 8-byte
// binary values, a currency as its 64-bit scaled number (value x 10 000), a Boolean as an
// integer.

#include "classlib/core/Currency.h"
#include "classlib/core/Objects.h"
#include "classlib/core/SettingsStore.h"
#include "classlib/core/StringLists.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(ERegistryException, Exception);

class TRegistry : public TObject {
  ORDVANE_CLASS(TRegistry, TObject)

 public:
  TRegistry() = default;
  ~TRegistry() override = default;

  // Opens the key, creating it (and the keys above it) when canCreate is set; false when
  // it does not exist or cannot be created. The open key stays as it was on failure.
  bool OpenKey(const AnsiString& key, bool canCreate);
  void CloseKey();
  // The path of the open key, without a leading "\" ("" for the root or no key).
  const AnsiString& CurrentPath() const { return fCurrentPath; }

  bool KeyExists(const AnsiString& key) const;
  // Deletes the key with everything below it.
  bool DeleteKey(const AnsiString& key);
  // The sub-keys and values of the open key (the list is cleared first).
  void GetKeyNames(TStrings* strings) const;
  void GetValueNames(TStrings* strings) const;

  bool ValueExists(const AnsiString& name) const;
  TRegDataType GetDataType(const AnsiString& name) const;
  // The size of the value's data in bytes, -1 when it does not exist.
  int GetDataSize(const AnsiString& name) const;
  bool DeleteValue(const AnsiString& name);

  // Reads raise ERegistryException "Invalid data type for '<name>'" for a value of
  // another type and, except ReadString and ReadBinaryData, "Failed to get data for
  // '<name>'" for a missing one. ReadString answers "" for a missing value and reads
  // expandable strings too.
  AnsiString ReadString(const AnsiString& name) const;
  Integer ReadInteger(const AnsiString& name) const;
  bool ReadBool(const AnsiString& name) const;
  double ReadFloat(const AnsiString& name) const;
  double ReadDate(const AnsiString& name) const { return ReadFloat(name); }
  double ReadTime(const AnsiString& name) const { return ReadFloat(name); }
  double ReadDateTime(const AnsiString& name) const { return ReadFloat(name); }
  Currency ReadCurrency(const AnsiString& name) const;
  // Copies a binary value into the buffer and answers its size; 0 for a missing value.
  // A value larger than bufferSize is refused (nothing is copied).
  int ReadBinaryData(const AnsiString& name, void* buffer, int bufferSize) const;

  // Writes raise ERegistryException "Failed to set data for '<name>'" without an open
  // key, when the key was deleted meanwhile, or when the store cannot be written.
  void WriteString(const AnsiString& name, const AnsiString& value);
  void WriteExpandString(const AnsiString& name, const AnsiString& value);
  void WriteInteger(const AnsiString& name, Integer value);
  void WriteBool(const AnsiString& name, bool value);
  void WriteFloat(const AnsiString& name, double value);
  void WriteDate(const AnsiString& name, double value) { WriteFloat(name, value); }
  void WriteTime(const AnsiString& name, double value) { WriteFloat(name, value); }
  void WriteDateTime(const AnsiString& name, double value) { WriteFloat(name, value); }
  void WriteCurrency(const AnsiString& name, Currency value);
  void WriteBinaryData(const AnsiString& name, const void* buffer, int bufferSize);

 private:
  AnsiString Resolve(const AnsiString& key) const;
  // The open key's value, or nullptr. `tree` keeps the value alive.
  const TSettingsValue* Find(const AnsiString& name, std::shared_ptr<const TSettingsTree>& tree) const;
  RawByteString ReadEightBytes(const AnsiString& name) const;
  void Put(const AnsiString& name, const TSettingsValue& value);

  bool fKeyOpen = false;
  AnsiString fCurrentPath;
};

}  // namespace ordvane
