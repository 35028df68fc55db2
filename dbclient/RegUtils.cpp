#include "dbclient/RegUtils.h"

#include <algorithm>
#include <memory>

#include "classlib/core/Registry.h"
#include "classlib/core/StringLists.h"

namespace ordvane {

namespace {

// Opens the path from the root, one key at a time.
bool OpenKeyPath(TRegistry& registry, const std::vector<AnsiString>& keyPath, bool canCreate) {
  if (!registry.OpenKey("\\", false)) return false;
  return std::all_of(keyPath.begin(), keyPath.end(),
                     [&](const AnsiString& key) { return registry.OpenKey(key, canCreate); });
}

void WriteValue(TRegistry& registry, const AnsiString& name, const Variant& value) {
  switch (VarType(value) & varTypeMask) {
    case varBoolean:
      registry.WriteBool(name, value.AsBoolean());
      break;
    case varString:
    case varOleStr:
      registry.WriteString(name, value.AsString());
      break;
    case varDate:
      registry.WriteDate(name, value.AsDateTime());
      break;
    case varSmallint:
    case varInteger:
      registry.WriteInteger(name, value.AsInteger());
      break;
    case varSingle:
    case varDouble:
      registry.WriteFloat(name, value.AsDouble());
      break;
    case varCurrency:
      registry.WriteCurrency(name, value.AsCurrency());
      break;
    default:
      break;
  }
}

}  // namespace

void RegWriteValues(const std::vector<AnsiString>& keyPath, const std::vector<AnsiString>& valueNames,
                    const std::vector<Variant>& values) {
  TRegistry registry;
  if (!OpenKeyPath(registry, keyPath, true)) return;
  const std::size_t count = std::min(valueNames.size(), values.size());
  for (std::size_t i = 0; i < count; ++i) WriteValue(registry, valueNames[i], values[i]);
  registry.CloseKey();
}

Variant RegReadValues(const std::vector<AnsiString>& keyPath, const std::vector<AnsiString>& valueNames) {
  TRegistry registry;
  if (valueNames.empty() || !OpenKeyPath(registry, keyPath, false)) return Variant(false);
  Variant result = VarArrayCreate({0, 1, 0, static_cast<Integer>(valueNames.size()) - 1}, varVariant);
  for (std::size_t i = 0; i < valueNames.size(); ++i) {
    const Integer column = static_cast<Integer>(i);
    const AnsiString& name = valueNames[i];
    const bool exists = registry.ValueExists(name);
    switch (exists ? registry.GetDataType(name) : rdString) {
      case rdString:
      case rdExpandString:
        VarArrayPut(result, Variant(registry.ReadString(name)), {0, column});
        VarArrayPut(result, Variant(exists), {1, column});
        break;
      case rdInteger:
        VarArrayPut(result, Variant(registry.ReadInteger(name)), {0, column});
        VarArrayPut(result, Variant(true), {1, column});
        break;
      default:
        break;
    }
  }
  registry.CloseKey();
  return result;
}

Variant RegReadKeyNames(const std::vector<AnsiString>& keyPath) {
  TRegistry registry;
  if (!OpenKeyPath(registry, keyPath, false)) return Variant(false);
  TStringList names;
  registry.GetKeyNames(&names);
  registry.CloseKey();
  if (names.Count() == 0) return Variant(false);
  std::vector<Variant> result;
  for (Integer i = 0; i < names.Count(); ++i) result.emplace_back(names.Strings(i));
  return VarArrayOf(result);
}

AnsiString RegFindSubKeyByValue(const AnsiString& keyPath, const AnsiString& valueName,
                                const AnsiString& text) {
  TRegistry registry;
  const AnsiString root = "\\" + keyPath;
  if (!registry.OpenKey(root, false)) return "";
  TStringList names;
  registry.GetKeyNames(&names);
  for (Integer i = 0; i < names.Count(); ++i) {
    if (!registry.OpenKey(root + "\\" + names.Strings(i), false)) continue;
    if (registry.ValueExists(valueName) && registry.GetDataType(valueName) == rdString &&
        registry.ReadString(valueName) == text)
      return names.Strings(i);
  }
  return "";
}

}  // namespace ordvane
