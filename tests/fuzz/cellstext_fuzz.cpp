// The cells of a special row's text, as a stored grid layout or a form setting may bring
// it. Any text must end the parse without reading out of it, and cells written back
// quoted must read as the same cells.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "gridbase/SpecRowEh.h"

using namespace ordvane;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

AnsiString Quoted(const std::vector<AnsiString>& cells) {
  AnsiString text;
  for (const AnsiString& cell : cells) {
    if (!text.empty()) text += ';';
    text += '"';
    for (char c : cell) text += c == '"' ? AnsiString("\"\"") : AnsiString(1, c);
    text += '"';
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The parser sees exactly the input's bytes, so a read past them is caught.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<AnsiString> cells = ParseCellsTextEh(text);
  std::size_t length = 0;
  for (const AnsiString& cell : cells) {
    Require(cell.find('\0') == AnsiString::npos);
    length += cell.size();
  }
  Require(length <= size && cells.size() <= size);
  Require(ParseCellsTextEh(Quoted(cells)) == cells);
  return 0;
}
