#include "dbclient/pFIBAliases.h"

#include <array>

#include "dbclient/RegUtils.h"

namespace ordvane {

namespace {

const std::vector<AnsiString>& ValueNames() {
  static const std::vector<AnsiString> names = {"Database Name", "user_name", "lc_ctype", "sql_role_name",
                                                "SQL_DIALECT"};
  return names;
}

// The members in the order of ValueNames().
std::array<std::optional<AnsiString>*, 5> Members(TAliasParams& params) {
  return {&params.DatabaseName, &params.UserName, &params.LcCtype, &params.RoleName, &params.SQLDialect};
}

}  // namespace

std::vector<AnsiString> AliasKeyPath(const AnsiString& aliasName) {
  return {"Software", "Varnholt", "Aliases", aliasName};
}

std::optional<TAliasParams> ReadAliasParams(const AnsiString& aliasName) {
  const Variant values = RegReadValues(AliasKeyPath(aliasName), ValueNames());
  if (!VarIsArray(values)) return std::nullopt;
  TAliasParams params;
  const auto members = Members(params);
  for (Integer i = 0; i < static_cast<Integer>(members.size()); ++i) {
    const Variant found = VarArrayGet(values, {1, i});
    if (!VarIsEmpty(found) && found.AsBoolean())
      *members[static_cast<std::size_t>(i)] = VarArrayGet(values, {0, i}).AsString();
  }
  return params;
}

void WriteAliasParams(const AnsiString& aliasName, const TAliasParams& params) {
  TAliasParams copy = params;
  std::vector<Variant> values;
  for (const std::optional<AnsiString>* member : Members(copy)) values.emplace_back(member->value_or(""));
  RegWriteValues(AliasKeyPath(aliasName), ValueNames(), values);
}

}  // namespace ordvane
