#include "classlib/core/GUID.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

// The value of 'count' hexadecimal digits at text[at], or -1.
long long HexField(const AnsiString& text, std::size_t at, std::size_t count) {
  long long value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int digit = HexDigitValue(text[at + i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

}  // namespace

bool IsEqualGUID(const TGUID& a, const TGUID& b) { return a == b; }

TGUID CreateGUID() {
  unsigned char bytes[16];
  std::size_t filled = 0;
  while (filled < sizeof bytes) {
    const ssize_t got = getrandom(bytes + filled, sizeof bytes - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw EOSError("Cannot create a GUID: " + AnsiString(std::strerror(errno)), errno);
    }
    filled += static_cast<std::size_t>(got);
  }
  TGUID guid;
  std::memcpy(&guid, bytes, sizeof guid);
  guid.D3 = static_cast<Word>((guid.D3 & 0x0FFF) | 0x4000);  // version 4: random
  guid.D4[0] = static_cast<Byte>((guid.D4[0] & 0x3F) | 0x80);  // variant 10xx
  return guid;
}

AnsiString GUIDToString(const TGUID& guid) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.D1, guid.D2,
                guid.D3, guid.D4[0], guid.D4[1], guid.D4[2], guid.D4[3], guid.D4[4], guid.D4[5], guid.D4[6],
                guid.D4[7]);
  return text;
}

TGUID StringToGUID(const AnsiString& text) {
  const auto invalid = [&text]() -> TGUID {
    throw EConvertError("'" + text + "' is not a valid GUID value");
  };
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-')
    return invalid();
  TGUID guid;
  const long long d1 = HexField(text, 1, 8), d2 = HexField(text, 10, 4), d3 = HexField(text, 15, 4);
  if (d1 < 0 || d2 < 0 || d3 < 0) return invalid();
  guid.D1 = static_cast<LongWord>(d1);
  guid.D2 = static_cast<Word>(d2);
  guid.D3 = static_cast<Word>(d3);
  static const std::size_t kBytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    const long long byte = HexField(text, kBytePositions[i], 2);
    if (byte < 0) return invalid();
    guid.D4[i] = static_cast<Byte>(byte);
  }
  return guid;
}

}  // namespace ordvane
