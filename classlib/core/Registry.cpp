#include "classlib/core/Registry.h"

#include <algorithm>
#include <cstring>

namespace ordvane {

namespace {

[[noreturn]] void InvalidType(const AnsiString& name) {
  throw ERegistryException(Format("Invalid data type for '%s'", {name}));
}

[[noreturn]] void GetDataFailed(const AnsiString& name) {
  throw ERegistryException(Format("Failed to get data for '%s'", {name}));
}

[[noreturn]] void SetDataFailed(const AnsiString& name) {
  throw ERegistryException(Format("Failed to set data for '%s'", {name}));
}

void FillList(TStrings* strings, const std::vector<AnsiString>& names) {
  strings->BeginUpdate();
  strings->Clear();
  for (const AnsiString& name : names) strings->Add(name);
  strings->EndUpdate();
}

template <class T>
RawByteString BytesOf(const T& value) {
  return RawByteString(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

AnsiString TRegistry::Resolve(const AnsiString& key) const {
  const bool relative = key.empty() || key[0] != '\\';
  return TSettingsTree::NormalizePath(relative && fKeyOpen ? fCurrentPath + "\\" + key : key);
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate) {
  const AnsiString path = Resolve(key);
  if (canCreate) {
    try {
      TSettingsStore::Instance().Update([&](TSettingsTree& tree) {
        if (tree.KeyExists(path)) return false;
        tree.CreateKey(path);
        return true;
      });
    } catch (const EOSError&) {
      return false;
    }
  } else if (!TSettingsStore::Instance().Read()->KeyExists(path)) {
    return false;
  }
  fKeyOpen = true;
  fCurrentPath = path;
  return true;
}

void TRegistry::CloseKey() {
  fKeyOpen = false;
  fCurrentPath.clear();
}

bool TRegistry::KeyExists(const AnsiString& key) const {
  return TSettingsStore::Instance().Read()->KeyExists(Resolve(key));
}

bool TRegistry::DeleteKey(const AnsiString& key) {
  const AnsiString path = Resolve(key);
  try {
    return TSettingsStore::Instance().Update([&](TSettingsTree& tree) { return tree.DeleteKey(path); });
  } catch (const EOSError&) {
    return false;
  }
}

void TRegistry::GetKeyNames(TStrings* strings) const {
  FillList(strings, fKeyOpen ? TSettingsStore::Instance().Read()->SubKeyNames(fCurrentPath) : std::vector<AnsiString>());
}

void TRegistry::GetValueNames(TStrings* strings) const {
  FillList(strings, fKeyOpen ? TSettingsStore::Instance().Read()->ValueNames(fCurrentPath) : std::vector<AnsiString>());
}

const TSettingsValue* TRegistry::Find(const AnsiString& name, std::shared_ptr<const TSettingsTree>& tree) const {
  if (!fKeyOpen) return nullptr;
  tree = TSettingsStore::Instance().Read();
  return tree->FindValue(fCurrentPath, name);
}

bool TRegistry::ValueExists(const AnsiString& name) const {
  std::shared_ptr<const TSettingsTree> tree;
  return Find(name, tree) != nullptr;
}

TRegDataType TRegistry::GetDataType(const AnsiString& name) const {
  std::shared_ptr<const TSettingsTree> tree;
  const TSettingsValue* value = Find(name, tree);
  return value ? value->type : rdUnknown;
}

int TRegistry::GetDataSize(const AnsiString& name) const {
  std::shared_ptr<const TSettingsTree> tree;
  const TSettingsValue* value = Find(name, tree);
  return value ? static_cast<int>(value->data.size()) : -1;
}

bool TRegistry::DeleteValue(const AnsiString& name) {
  if (!fKeyOpen) return false;
  try {
    return TSettingsStore::Instance().Update(
        [&](TSettingsTree& tree) { return tree.DeleteValue(fCurrentPath, name); });
  } catch (const EOSError&) {
    return false;
  }
}

AnsiString TRegistry::ReadString(const AnsiString& name) const {
  std::shared_ptr<const TSettingsTree> tree;
  const TSettingsValue* value = Find(name, tree);
  if (!value) return {};
  if (value->type != rdString && value->type != rdExpandString) InvalidType(name);
  return value->data;
}

Integer TRegistry::ReadInteger(const AnsiString& name) const {
  std::shared_ptr<const TSettingsTree> tree;
  const TSettingsValue* value = Find(name, tree);
  if (!value) GetDataFailed(name);
  if (value->type != rdInteger || value->data.size() != sizeof(Integer)) InvalidType(name);
  return value->AsInteger();
}

bool TRegistry::ReadBool(const AnsiString& name) const { return ReadInteger(name) != 0; }

RawByteString TRegistry::ReadEightBytes(const AnsiString& name) const {
  std::shared_ptr<const TSettingsTree> tree;
  const TSettingsValue* value = Find(name, tree);
  if (!value) GetDataFailed(name);
  if (value->type != rdBinary || value->data.size() != 8) InvalidType(name);
  return value->data;
}

double TRegistry::ReadFloat(const AnsiString& name) const {
  double result;
  std::memcpy(&result, ReadEightBytes(name).data(), sizeof result);
  return result;
}

Currency TRegistry::ReadCurrency(const AnsiString& name) const {
  Int64 scaled;
  std::memcpy(&scaled, ReadEightBytes(name).data(), sizeof scaled);
  return Currency::FromScaled(scaled);
}

int TRegistry::ReadBinaryData(const AnsiString& name, void* buffer, int bufferSize) const {
  std::shared_ptr<const TSettingsTree> tree;
  const TSettingsValue* value = Find(name, tree);
  if (!value) return 0;
  const int size = static_cast<int>(value->data.size());
  if (value->type != rdBinary || size > bufferSize) InvalidType(name);
  std::memcpy(buffer, value->data.data(), value->data.size());
  return size;
}

void TRegistry::Put(const AnsiString& name, const TSettingsValue& value) {
  if (!fKeyOpen) SetDataFailed(name);
  bool keyGone = false;
  try {
    TSettingsStore::Instance().Update([&](TSettingsTree& tree) {
      const TSettingsValue* old = tree.FindValue(fCurrentPath, name);
      if (old && old->type == value.type && old->data == value.data) return false;  // nothing to write
      keyGone = !tree.SetValue(fCurrentPath, name, value);
      return !keyGone;
    });
  } catch (const EOSError&) {
    SetDataFailed(name);
  }
  if (keyGone) SetDataFailed(name);
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) { Put(name, {rdString, value}); }

void TRegistry::WriteExpandString(const AnsiString& name, const AnsiString& value) {
  Put(name, {rdExpandString, value});
}

void TRegistry::WriteInteger(const AnsiString& name, Integer value) {
  Put(name, TSettingsValue::OfInteger(value));
}

void TRegistry::WriteBool(const AnsiString& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void TRegistry::WriteFloat(const AnsiString& name, double value) { Put(name, {rdBinary, BytesOf(value)}); }

void TRegistry::WriteCurrency(const AnsiString& name, Currency value) {
  Put(name, {rdBinary, BytesOf(value.Scaled())});
}

void TRegistry::WriteBinaryData(const AnsiString& name, const void* buffer, int bufferSize) {
  Put(name, {rdBinary, RawByteString(static_cast<const char*>(buffer), static_cast<std::size_t>(std::max(bufferSize, 0)))});
}

}  // namespace ordvane
