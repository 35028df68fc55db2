// Any text given to the import's expression language compiles and evaluates, or fails
// with one of the class library's exceptions; it never crashes, hangs or reads past the
// text. Tokens must lie inside the text. The same bytes, split at the first newline into
// a text and a mask, go to the date-by-mask reader.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "classlib/core/SysUtils.h"
#include "import/SMIDateMask.h"
#include "import/SMIPars.h"

using namespace ordvane;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckTokens(const std::string& text) {
  try {
    for (const TSMIToken& token : TokenizeExpression(text)) {
      Require(token.Position >= 1 && static_cast<std::size_t>(token.Position) <= text.size());
      if (token.Kind != TSMITokenKind::String)
        Require(text.compare(static_cast<std::size_t>(token.Position - 1), token.Text.size(), token.Text) == 0);
    }
  } catch (const Exception&) {
  }
}

void Evaluate(const std::string& text) {
  TSMIParser parser(nullptr);
  parser.Functions().Add("TWICE(X)=X*2");
  parser.Functions().Add("JOIN(A,B)=A+'-'+B");
  parser.OnEvaluate = [](TObject*, const AnsiString& name, const TSMIArguments& args, int argCount, bool,
                         Variant& value, bool&) {
    if (name == "NULL") value = Null();
    if (argCount > 0) value = args[argCount - 1];
  };
  parser.SetText(text);
  try {
    parser.Calculate();
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckTokens(text);
  Evaluate(text);
  const std::size_t newline = text.find('\n');
  if (newline != std::string::npos)
    DateTimeFromMask(text.substr(0, newline), text.substr(newline + 1), TFormatSettings());
  return 0;
}
