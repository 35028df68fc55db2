#include "classlib/core/CodePageDecoder.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <string>

#include "classlib/core/CodePages.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

// iconv writes UTF-16LE bytes straight into char16_t units.
static_assert(std::endian::native == std::endian::little);

// iconv's name of a Windows or DOS code page number.
std::string IconvName(Cardinal codePage) {
  switch (codePage) {
    case 10000:
    case 32768:  // Mac Roman as old workbooks number it
      return "MACINTOSH";
    case 10029:
      return "MAC-CENTRALEUROPE";
    case 10079:
      return "MAC-IS";
    default:
      return "CP" + std::to_string(codePage);
  }
}

[[noreturn]] void Undecodable(Cardinal codePage) {
  throw EConvertError(Format("Code page %d cannot be decoded", {codePage}));
}

}  // namespace

struct TCodePageDecoder::TConverter {
  explicit TConverter(iconv_t handle) : Handle(handle) {}
  ~TConverter() { iconv_close(Handle); }
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;
  iconv_t Handle;
};

TCodePageDecoder::TCodePageDecoder(Cardinal codePage) : fCodePage(codePage) {
  if (codePage == CP_UTF16LE) Undecodable(codePage);
  if (IsCodePageSupported(codePage)) return;
  const iconv_t handle = iconv_open("UTF-16LE", IconvName(codePage).c_str());
  if (handle == reinterpret_cast<iconv_t>(-1)) Undecodable(codePage);
  fConverter = std::make_unique<TConverter>(handle);
}

TCodePageDecoder::~TCodePageDecoder() = default;
TCodePageDecoder::TCodePageDecoder(TCodePageDecoder&&) noexcept = default;
TCodePageDecoder& TCodePageDecoder::operator=(TCodePageDecoder&&) noexcept = default;

WideString TCodePageDecoder::Decode(std::string_view text) const {
  if (!fConverter) return CodePageToWide(text, fCodePage);
  iconv(fConverter->Handle, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state
  WideString out;
  out.reserve(text.size());
  // A byte yields at most one UTF-16 unit, a sequence of four at most two; the room is
  // refilled whenever iconv asks for more all the same.
  char16_t buffer[256];
  // One call of iconv into the buffer, appended to out; errno when it failed, else 0.
  const auto convert = [&](char** in, std::size_t* inLeft) {
    char* target = reinterpret_cast<char*>(buffer);
    std::size_t room = sizeof buffer;
    const std::size_t done = iconv(fConverter->Handle, in, inLeft, &target, &room);
    const int error = done == static_cast<std::size_t>(-1) ? errno : 0;
    out.append(buffer, static_cast<std::size_t>(reinterpret_cast<char16_t*>(target) - buffer));
    return error;
  };
  char* in = const_cast<char*>(text.data());  // iconv's signature; it does not write there
  std::size_t inLeft = text.size();
  while (inLeft > 0) {
    const int error = convert(&in, &inLeft);
    if (error == EILSEQ || error == EINVAL) {
      // Not a character of the code page, or a sequence cut off at the end.
      out += kReplacementChar;
      ++in;
      --inLeft;
    } else if (error != 0 && error != E2BIG) {
      Undecodable(fCodePage);
    }
  }
  // Code pages with combining accents (1258, 1255) hold a letter back until they see
  // whether an accent follows: the text's last one comes out only when asked for.
  if (convert(nullptr, nullptr) != 0) Undecodable(fCodePage);
  return out;
}

}  // namespace ordvane
