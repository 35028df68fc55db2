// An import specification is a text file that operators keep and pass around: whatever
// it holds, loading it must not crash; it is either refused with an Exception (a number
// outside its setting's range, a value a save could not keep) or what the load keeps
// survives a save and a second load unchanged (a save of the reloaded settings gives the
// same text, which is never refused).

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "classlib/core/StringLists.h"
#include "classlib/core/Streams.h"
#include "import/SMI2XLS.h"

using namespace ordvane;

namespace {

// The settings that the text gives a fresh import, saved again.
AnsiString LoadAndSave(const AnsiString& text) {
  TStringList lines;
  lines.SetText(text);
  TSMImportFromXLS import(nullptr);
  import.LoadSpecification(&lines);
  TStringStream saved;
  import.SaveSpecification("Fuzz", &saved);
  return saved.DataString();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AnsiString once;
  try {
    once = LoadAndSave(AnsiString(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
    return 0;
  }
  if (LoadAndSave(once) != once) std::abort();
  return 0;
}
