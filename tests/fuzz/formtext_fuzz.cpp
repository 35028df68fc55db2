// Reads the input as a stored form: parsed, then applied to a component whose owned
// components it may create. A damaged form may only raise an Exception, and must leave
// nothing behind.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "classlib/core/Filer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const ordvane::TFormObject form = ordvane::ParseFormText(text);
    ordvane::ParseFormText(ordvane::FormatFormText(form));
    ordvane::CreateComponentFromText(text);
  } catch (const ordvane::Exception&) {
  }
  return 0;
}
