#include "dbclient/FIBConvert.h"

#include "classlib/core/CodePages.h"

namespace ordvane {

AnsiString WideToAnsiCP(const WideString& text, Cardinal codePage) {
  return IsCodePageSupported(codePage) && codePage != CP_UTF16LE ? WideToCodePage(text, codePage)
                                                                  : WideToAnsi(text);
}

WideString AnsiToWideCP(const AnsiString& text, Cardinal codePage) {
  return IsCodePageSupported(codePage) && codePage != CP_UTF16LE ? CodePageToWide(text, codePage)
                                                                  : AnsiToWide(text);
}

AnsiString FullComponentName(const TComponent* component) {
  AnsiString path;
  for (; component != nullptr; component = component->Owner()) {
    if (component->Name().empty()) continue;
    path = path.empty() ? component->Name() : component->Name() + "." + path;
  }
  return path;
}

AnsiString ScaledInt64ToStrSep(int scale, char separator, Int64 value) {
  if (value == 0) return "0";
  const bool negative = value < 0;
  AnsiString digits = std::to_string(negative ? UInt64(0) - static_cast<UInt64>(value) : static_cast<UInt64>(value));
  if (scale <= 0) {
    digits.append(static_cast<std::size_t>(-static_cast<Int64>(scale)), '0');
  } else {
    const auto places = static_cast<std::size_t>(scale);
    if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
    AnsiString fraction = digits.substr(digits.size() - places);
    digits.erase(digits.size() - places);
    fraction.erase(fraction.find_last_not_of('0') + 1);
    if (!fraction.empty()) digits += separator + fraction;
  }
  return negative ? "-" + digits : digits;
}

Integer HexTextToInt(const AnsiString& text) {
  Cardinal value = 0;
  for (char c : text) {
    Cardinal digit = 0;
    if (c >= '0' && c <= '9')
      digit = static_cast<Cardinal>(c - '0');
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<Cardinal>(c - 'A' + 10);
    value = value * 16 + digit;
  }
  return static_cast<Integer>(value);
}

Byte SetBitInByte(Byte value, int bit, bool set) {
  if (bit < 0 || bit > 7) return value;
  const auto mask = static_cast<Byte>(1u << bit);
  return set ? static_cast<Byte>(value | mask) : static_cast<Byte>(value & ~mask);
}

}  // namespace ordvane
