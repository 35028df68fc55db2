#include "examples/DemoOptions.h"

#include <cstdlib>

#include "classlib/core/CodePages.h"

namespace ordvane::demo {

namespace {

// examples/usage.txt, which scripts/demo.sh prints as well, without building.
constexpr const char* kUsage =
#include "examples/DemoUsage.inc"
    ;

}  // namespace

const char* DemoUsage() {
  return kUsage;
}

std::string SampleWorkbook() {
  return ORDVANE_SAMPLE_WORKBOOK;
}

std::string DemoDataFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && *dataHome == '/') return std::string(dataHome) + "/ordvane";
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0')
    throw EDemoUsage("Neither XDG_DATA_HOME nor HOME is set: give --database and --picture.");
  return std::string(home) + "/.local/share/ordvane";
}

TDemoOptions ParseDemoOptions(const std::vector<std::string>& arguments) {
  TDemoOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string* value = argument == "--database"        ? &options.Database
                         : argument == "--specification" ? &options.Specification
                         : argument == "--picture"       ? &options.Picture
                                                         : nullptr;
    if (value != nullptr) {
      if (i + 1 == arguments.size() || arguments[i + 1].empty())
        throw EDemoUsage(Utf8ToAnsi(argument) + " needs a value.\n" + kUsage);
      *value = arguments[++i];
    } else if (argument == "--help" || argument == "-h") {
      options.ShowUsage = true;
      return options;
    } else if (argument.starts_with("-")) {
      throw EDemoUsage("Unknown option " + Utf8ToAnsi(argument) + ".\n" + kUsage);
    } else if (argument.empty()) {
      throw EDemoUsage(std::string("The workbook's name is empty.\n") + kUsage);
    } else if (!options.Workbook.empty()) {
      throw EDemoUsage("One workbook at a time: " + Utf8ToAnsi(options.Workbook) + " and " +
                       Utf8ToAnsi(argument) + ".\n" + kUsage);
    } else {
      options.Workbook = argument;
    }
  }
  if (options.Workbook.empty()) options.Workbook = SampleWorkbook();
  if (options.Database.empty()) options.Database = DemoDataFolder() + "/persons.fdb";
  if (options.Picture.empty()) options.Picture = DemoDataFolder() + "/persons.png";
  // Every name is converted where it is used; here a bad one stops the run before anything.
  for (const std::string* name :
       {&options.Workbook, &options.Database, &options.Specification, &options.Picture})
    AnsiName(*name);
  return options;
}

AnsiString AnsiName(const std::string& utf8) {
  AnsiString name = Utf8ToAnsi(utf8);
  if (AnsiToUtf8(name) != utf8)
    throw EDemoUsage("The name " + name + " has characters that code page " +
                     std::to_string(GetAnsiCodePage()) + " cannot hold; rename it.");
  return name;
}

bool IsServerDatabase(const std::string& name) {
  return !name.starts_with("/") && name.find(':') != std::string::npos;
}

}  // namespace ordvane::demo
