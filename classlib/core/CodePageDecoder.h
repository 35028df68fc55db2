#pragma once
// Decoding of 8-bit text in whatever code page a file declares. The class library's own
// tables (CodePages.h) cover the code pages this system writes; text from outside may be
// Greek, Thai, Japanese or Mac Roman as well, and the C library's iconv knows those.

#include <memory>
#include <string_view>

#include "classlib/core/System.h"

namespace ordvane {

class TCodePageDecoder {
 public:
  // Raises EConvertError "Code page <n> cannot be decoded" when neither the class library
  // nor iconv knows the code page, and for UTF-16, which is no 8-bit text.
  explicit TCodePageDecoder(Cardinal codePage);
  ~TCodePageDecoder();
  TCodePageDecoder(TCodePageDecoder&&) noexcept;
  TCodePageDecoder& operator=(TCodePageDecoder&&) noexcept;

  Cardinal CodePage() const { return fCodePage; }
  // Never fails: a byte sequence the code page does not define becomes U+FFFD. One thread
  // at a time: an iconv converter keeps state while it works.
  WideString Decode(std::string_view text) const;

 private:
  struct TConverter;
  Cardinal fCodePage;
  std::unique_ptr<TConverter> fConverter;  // null where the class library's tables decode
};

}  // namespace ordvane
