#include "dbclient/FIBInfo.h"

#include <algorithm>

#include "dbclient/fib.h"

namespace ordvane {

TInfoAnswer AskInfo(std::size_t size, const TInfoCall& call) {
  size = std::clamp<std::size_t>(size, 1, InfoBufferLimit);
  for (;;) {
    std::vector<char> buffer(size);
    const ISC_STATUS status = call(buffer.data(), static_cast<short>(size));
    if (status != 0) return {status, false, {}};
    const bool truncated = buffer[0] == isc_info_truncated;
    if (!truncated || size == InfoBufferLimit) return {0, !truncated, std::move(buffer)};
    size = std::min(size * 2, InfoBufferLimit);
  }
}

std::optional<TInfoReader::TItem> TInfoReader::Next() {
  if (fAt >= fAnswer.size() || fAnswer.size() - fAt < 3) return std::nullopt;
  // The client reads a 2-byte length as signed; a length is not.
  const auto length = static_cast<std::size_t>(static_cast<std::uint16_t>(fLibrary.isc_vax_integer(&fAnswer[fAt + 1], 2)));
  if (fAnswer.size() - fAt - 3 < length) return std::nullopt;
  const TItem item{fAnswer[fAt], fAnswer.substr(fAt + 3, length)};
  fAt += 3 + length;
  return item;
}

void InfoAnswerTooLong() {
  FIBErrorText("The answer of the client library does not fit in %d bytes.", {static_cast<int>(InfoBufferLimit)});
}

std::optional<Int64> InfoInteger(IIBClientLibrary& library, std::string_view value) {
  if (value.empty() || value.size() > 8) return std::nullopt;
  return library.isc_portable_integer(reinterpret_cast<const ISC_UCHAR*>(value.data()),
                                       static_cast<short>(value.size()));
}

}  // namespace ordvane
