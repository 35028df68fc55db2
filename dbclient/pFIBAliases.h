#pragma once
// Database aliases: connection settings kept by name in the current user's settings
// store, under Software\Varnholt\Aliases\<alias>, as the string values "Database Name",
// "user_name", "lc_ctype", "sql_role_name" and "SQL_DIALECT". The password is never
// stored: the record has no place for it.

#include <optional>
#include <vector>

#include "classlib/core/SysUtils.h"

namespace ordvane {

struct TAliasParams {
  // Each is nothing when the alias does not hold the value.
  std::optional<AnsiString> DatabaseName;
  std::optional<AnsiString> UserName;
  std::optional<AnsiString> LcCtype;
  std::optional<AnsiString> RoleName;
  std::optional<AnsiString> SQLDialect;  // decimal text
};

// The keys "Software", "Varnholt", "Aliases" and the alias name.
std::vector<AnsiString> AliasKeyPath(const AnsiString& aliasName);

// The values the alias holds; nothing when its key does not exist.
std::optional<TAliasParams> ReadAliasParams(const AnsiString& aliasName);
// Writes the five values (a missing one as ""), creating the keys as needed.
void WriteAliasParams(const AnsiString& aliasName, const TAliasParams& params);

}  // namespace ordvane
