#pragma once
// The example's command line: which workbook goes into which database, how its columns
// map to the table, and where the form's picture goes when there is no display.

#include <string>
#include <vector>

#include "classlib/core/SysUtils.h"

namespace ordvane::demo {

// A command line that does not read; its message says why and shows the usage. Messages
// of the example's errors are in the ANSI code page, as every message of the system.
ORDVANE_DECLARE_EXCEPTION(EDemoUsage, Exception);

struct TDemoOptions {
  // Every name is UTF-8, as the command line and the environment give it.
  std::string Workbook;
  // A file of the embedded engine, or host:path (host/port:path) of a server.
  std::string Database;
  // An import specification (its mappings, mode and keys); empty: the columns by letter,
  // every row appended.
  std::string Specification;
  // The PNG file of the form's picture, written when no display is there.
  std::string Picture;
  // --help: the usage text, and nothing done.
  bool ShowUsage = false;
};

// What --help prints.
const char* DemoUsage();
// The sample list of persons in the source tree, the workbook when none is given.
std::string SampleWorkbook();

// The folder of the example's own files: $XDG_DATA_HOME/ordvane, by default
// ~/.local/share/ordvane.
std::string DemoDataFolder();

// Reads the arguments after the program's name; a database or picture not given is the
// one in DemoDataFolder(), a workbook not given the sample.
TDemoOptions ParseDemoOptions(const std::vector<std::string>& arguments);

// A name as the components take it, in the ANSI code page; one with a character that code
// page lacks would name another file, and is refused.
AnsiString AnsiName(const std::string& utf8);

// Whether the database name reaches a server rather than a file of this machine.
bool IsServerDatabase(const std::string& name);

}  // namespace ordvane::demo
