// Script splitting over arbitrary text: the scanner and classifier never crash or read
// outside the script, every statement lies inside the script after the one before it,
// and feeding the script line by line splits it exactly as parsing it whole. The only
// error allowed is the classifier's unclosed quoted token, and then both ways fail.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "classlib/core/StringLists.h"
#include "dbclient/pFIBScriptParser.h"

using namespace ordvane;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

struct Statement {
  std::string text;
  TStatementKind kind;
  TObjectKind objectKind;
  std::string name;
  bool operator==(const Statement&) const = default;
};

Statement Describe(const TStrings& lines, const TStatementDesc& desc) {
  TStringList text;
  ExtractStatement(lines, desc, text);
  return {text.Text(), desc.Kind, desc.ObjectKind, desc.ObjectName};
}

// Positions lie in the script and each statement starts after the one before ends.
void CheckMap(const TStrings& lines, const TScriptMap& map) {
  int lastLine = -1, lastCol = 0;
  for (int i = 0; i < map.Count(); ++i) {
    const TStatementDesc& d = map[i];
    Require(d.Closed());
    Require(d.StartLine >= 0 && d.StartLine < lines.Count());
    const AnsiString start = lines.Strings(d.StartLine);
    Require(d.StartCol >= 1 && d.StartCol <= static_cast<int>(start.size()));
    Require(static_cast<unsigned char>(start[static_cast<std::size_t>(d.StartCol - 1)]) > ' ');
    Require(d.StartLine > lastLine || (d.StartLine == lastLine && d.StartCol > lastCol));
    Require(d.EndLine < lines.Count());
    Require(d.EndLine > d.StartLine || (d.EndLine == d.StartLine && d.EndCol >= d.StartCol));
    Require(d.EndCol >= 0 && d.EndCol <= static_cast<int>(lines.Strings(d.EndLine).size()));
    lastLine = d.EndLine;
    lastCol = d.EndCol;
  }
}

// The statements of a whole parse, or nothing when it failed.
std::optional<std::vector<Statement>> ParseWhole(const TStrings& lines, AnsiString terminator) {
  TpFIBScriptParser parser;
  TScriptMap map;
  try {
    parser.ParseScript(lines, terminator, true, map);
  } catch (const Exception& e) {
    Require(e.Message() == "Can't find end token");
    return std::nullopt;
  }
  CheckMap(lines, map);
  std::vector<Statement> statements;
  for (int i = 0; i < map.Count(); ++i) statements.push_back(Describe(lines, map[i]));
  return statements;
}

std::optional<std::vector<Statement>> ParseFed(const TStrings& lines, const AnsiString& terminator) {
  TpFIBScriptParser parser;
  TScriptFeed feed(parser, terminator);
  std::vector<Statement> statements;
  auto take = [&] {
    for (int i = 0; i < feed.ReadyCount(); ++i) {
      TStringList text;
      feed.ReadyText(i, text);
      statements.push_back(
          {text.Text(), feed.Ready(i).Kind, feed.Ready(i).ObjectKind, feed.Ready(i).ObjectName});
    }
    feed.Consume();
  };
  try {
    for (int i = 0; i < lines.Count(); ++i) {
      feed.AddLine(lines.Strings(i));
      take();
    }
    feed.Finish();
    take();
  } catch (const Exception& e) {
    Require(e.Message() == "Can't find end token");
    return std::nullopt;
  }
  return statements;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the terminator in force at the start.
  static const char* const kTerminators[] = {";", "^", "!!"};
  const AnsiString terminator = kTerminators[data[0] % 3];
  TStringList lines;
  lines.SetText(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  const auto whole = ParseWhole(lines, terminator);
  const auto fed = ParseFed(lines, terminator);
  Require(whole.has_value() == fed.has_value());
  if (whole) Require(*whole == *fed);
  return 0;
}
